// The LWO2 chunk loop, geometry chunks and the passes after reading.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "model/LwoList.h"
#include "model/LwoObject.h"
#include "model/LwoPostPass.h"
#include "model/LwoReader.h"
#include "tests/model/LwoFixture.h"

namespace {

struct Pt {
    float x, y, z;
};

void Points(LwoBytes& b, std::initializer_list<Pt> pts)
{
    b.Begin("PNTS");
    for (const Pt& p : pts) b.F4(p.x).F4(p.y).F4(p.z);
    b.End();
}

void Polygons(LwoBytes& b, std::initializer_list<std::initializer_list<u32>> pols, const char* type = "FACE",
              u32 flags = 0)
{
    b.Begin("POLS").Id(type);
    for (auto& pol : pols) {
        b.U2(u32(pol.size()) | flags);
        for (u32 i : pol) b.VX(i);
    }
    b.End();
}

void UnitSquare(LwoBytes& b)
{
    Points(b, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
    Polygons(b, {{0, 1, 2, 3}});
}

using Read = LwoRead;

}  // namespace

TEST(LwoObject, AFileWithoutLayerChunksHoldsItsGeometryInOneLayer)
{
    LwoBytes body;
    UnitSquare(body);
    Read r(LwoForm("LWO2", body));
    ASSERT_NE(r.object, nullptr);
    EXPECT_EQ(r.object->nlayers, 1);
    LwoLayer* layer = r.object->layer;
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(layer->next, nullptr);
    EXPECT_EQ(layer->point.count, 4);
    ASSERT_EQ(layer->polygon.count, 1);
    EXPECT_EQ(layer->polygon.pol[0].type, FourCC("FACE"));
    EXPECT_EQ(layer->polygon.pol[0].nverts, 4);
    EXPECT_EQ(layer->polygon.pol[0].v[2].index, 2);
    // Counter-clockwise seen from +z: the normal points at +z.
    EXPECT_FLOAT_EQ(layer->polygon.pol[0].norm[2], 1.0f);
    float expected[6] = {0, 0, 0, 1, 1, 0};
    for (int k = 0; k < 6; ++k) EXPECT_EQ(layer->bbox[k], expected[k]) << k;
}

TEST(LwoObject, LayersKeepTheirNumberParentPivotAndName)
{
    LwoBytes body;
    body.Begin("LAYR").U2(0).U2(1).F4(0.5f).F4(-1).F4(2).S0("Base").End();
    UnitSquare(body);
    body.Begin("LAYR").U2(1).U2(0).F4(0).F4(0).F4(0).S0("Child").U2(1).End();
    UnitSquare(body);
    body.Begin("LAYR").U2(2).U2(0).F4(0).F4(0).F4(0).S0("").End();
    Read r(LwoForm("LWO2", body));
    ASSERT_NE(r.object, nullptr);
    EXPECT_EQ(r.object->nlayers, 3);
    LwoLayer* a = r.object->layer;
    LwoLayer* b = a->next;
    ASSERT_NE(b, nullptr);
    LwoLayer* c = b->next;
    ASSERT_NE(c, nullptr);
    EXPECT_STREQ(a->name, "Base");
    EXPECT_EQ(a->flags, 1);
    EXPECT_EQ(a->parent, 0);
    EXPECT_EQ(a->pivot[0], 0.5f);
    EXPECT_EQ(a->pivot[1], -1.0f);
    EXPECT_EQ(a->pivot[2], 2.0f);
    EXPECT_STREQ(b->name, "Child");
    EXPECT_EQ(b->index, 1);
    EXPECT_EQ(b->parent, 1);
    EXPECT_EQ(b->polygon.count, 1);
    EXPECT_EQ(c->name, nullptr);
    EXPECT_EQ(c->point.count, 0);
    EXPECT_EQ(c->prev, b);
}

TEST(LwoObject, ASecondPointChunkIsAddressedFromItsOwnFirstPoint)
{
    LwoBytes body;
    Points(body, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}});
    Polygons(body, {{0, 1, 2}});
    Points(body, {{5, 0, 0}, {6, 0, 0}, {6, 1, 0}});
    Polygons(body, {{0, 1, 2}});
    Read r(LwoForm("LWO2", body));
    ASSERT_NE(r.object, nullptr);
    LwoLayer* layer = r.object->layer;
    EXPECT_EQ(layer->point.count, 6);
    EXPECT_EQ(layer->point.offset, 3);
    ASSERT_EQ(layer->polygon.count, 2);
    EXPECT_EQ(layer->polygon.pol[1].v[0].index, 3);
    EXPECT_EQ(layer->polygon.pol[1].v[2].index, 5);
    // The corner array moved when it grew: the first polygon still points at its own corners.
    EXPECT_EQ(layer->polygon.pol[0].v, layer->polygon.corners);
    EXPECT_EQ(layer->polygon.pol[1].v, layer->polygon.corners + 3);
    EXPECT_EQ(layer->point.pt[4].npols, 1);
    EXPECT_EQ(layer->point.pt[4].pol[0], 1);
}

TEST(LwoObject, FlagBitsOfTheCornerCountWordAreKeptApart)
{
    LwoBytes body;
    UnitSquare(body);
    Polygons(body, {{0, 1, 2}}, "PTCH", 0x8400);
    Read r(LwoForm("LWO2", body));
    ASSERT_NE(r.object, nullptr);
    LwoPolygon* pol = &r.object->layer->polygon.pol[1];
    EXPECT_EQ(pol->type, FourCC("PTCH"));
    EXPECT_EQ(pol->nverts, 3);
    EXPECT_EQ(pol->flags, 0x8400);
}

TEST(LwoObject, TwoCornerPolygonsGetAZeroNormalOnUnsmoothedSurfaces)
{
    LwoBytes body;
    Points(body, {{0, 0, 0}, {1, 2, 3}});
    Polygons(body, {{0, 1}}, "CURV");
    Read r(LwoForm("LWO2", body));
    ASSERT_NE(r.object, nullptr);
    LwoPolygon* pol = &r.object->layer->polygon.pol[0];
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(pol->norm[k], 0.0f);
        EXPECT_EQ(pol->v[0].norm[k], 0.0f);
        EXPECT_EQ(pol->v[1].norm[k], 0.0f);
    }
}

TEST(LwoObject, AnAllZeroBoundingBoxIsRecomputedAndAnyOtherIsKept)
{
    LwoBytes zero;
    zero.Begin("BBOX");
    for (int i = 0; i < 6; ++i) zero.F4(0);
    zero.End();
    Points(zero, {{-1, 2, 3}, {4, -5, 6}});
    Read a(LwoForm("LWO2", zero));
    ASSERT_NE(a.object, nullptr);
    float computed[6] = {-1, -5, 3, 4, 2, 6};
    for (int k = 0; k < 6; ++k) EXPECT_EQ(a.object->layer->bbox[k], computed[k]) << k;

    LwoBytes given;
    given.Begin("BBOX");
    for (int i = 0; i < 6; ++i) given.F4(float(i));
    given.End();
    Points(given, {{-1, 2, 3}, {4, -5, 6}});
    Read b(LwoForm("LWO2", given));
    ASSERT_NE(b.object, nullptr);
    for (int k = 0; k < 6; ++k) EXPECT_EQ(b.object->layer->bbox[k], float(k)) << k;
}

TEST(LwoObject, AVariableLengthIndexWithALeadingFFTakesFourBytes)
{
    const u8 bytes[] = {0xFF, 0x00, 0x01, 0x02, 0x12, 0x34, 0xAB};
    LwoBuffer b = LwoMakeBuffer(bytes, sizeof bytes);
    EXPECT_EQ(LwoGetVX(&b), 0x000102);
    EXPECT_EQ(LwoBufferLeft(&b), 3);
    EXPECT_EQ(LwoGetVX(&b), 0x1234);
    EXPECT_EQ(LwoGetVX(&b), 0);
    EXPECT_TRUE(b.failed);

    // The same through a file: a polygon naming point 0xFF00 uses the long form.
    LwoBytes body;
    body.Begin("PNTS");
    for (int i = 0; i < 0xFF01; ++i) body.F4(float(i)).F4(0).F4(0);
    body.End();
    Polygons(body, {{0xFF00, 1, 0}});
    Read r(LwoForm("LWO2", body));
    ASSERT_NE(r.object, nullptr);
    EXPECT_EQ(r.object->layer->polygon.pol[0].v[0].index, 0xFF00);
    EXPECT_EQ(r.object->layer->polygon.pol[0].v[1].index, 1);
}

TEST(LwoObject, AFailedReadSticksUntilTheCountIsReset)
{
    LwoScratch scratch;
    std::string path = scratch.Write("bytes.bin", std::vector<u8>{0x12, 0x34, 0x56, 'a', 'b', 0, 0x78});
    LwoReader r;
    ASSERT_TRUE(LwoOpenReader(&r, path.c_str()));
    EXPECT_EQ(LwoReadU2(&r), 0x1234);
    EXPECT_EQ(LwoGetReadCount(&r), 2);
    // A sub-range of 3 bytes: a 4-byte read crosses it and fails without consuming anything.
    s64 saved = LwoPushLimit(&r, 3);
    ASSERT_GE(saved, 0);
    EXPECT_EQ(LwoReadI4(&r), 0);
    EXPECT_EQ(LwoGetReadCount(&r), LWO_READ_ERROR);
    EXPECT_EQ(LwoReadU1(&r), 0);
    EXPECT_EQ(r.pos, 2);
    LwoSetReadCount(&r, 0);
    EXPECT_EQ(LwoReadU1(&r), 0x56);
    // The string "ab" has its terminator outside the range.
    EXPECT_EQ(LwoReadS0(&r), nullptr);
    EXPECT_TRUE(LwoReadFailed(&r));
    LwoPopLimit(&r, saved);
    LwoSetReadCount(&r, 0);
    EXPECT_EQ(LwoReadU2(&r), 0x0078);
    EXPECT_EQ(LwoGetReadCount(&r), 2);
    EXPECT_EQ(LwoReadBytes(&r, -1), nullptr);
    EXPECT_TRUE(LwoReadFailed(&r));
    LwoSetReadCount(&r, 0);
    EXPECT_EQ(LwoReadBytes(&r, 1), nullptr);  // nothing is left
    LwoCloseReader(&r);
}

TEST(LwoObject, StringsAreReadPaddedAndEmptyOnesAreNull)
{
    const u8 bytes[] = {'a', 'b', 'c', 0, 0, 0, 'x', 0, 'y', 'z'};
    LwoBuffer b = LwoMakeBuffer(bytes, sizeof bytes);
    char* s = LwoGetS0(&b);
    EXPECT_STREQ(s, "abc");
    free(s);
    EXPECT_EQ(LwoGetS0(&b), nullptr);
    EXPECT_EQ(LwoBufferLeft(&b), 4);
    s = LwoGetS0(&b);
    EXPECT_STREQ(s, "x");
    free(s);
    EXPECT_EQ(LwoGetS0(&b), nullptr);  // "yz" has no terminator inside the block
    EXPECT_TRUE(b.failed);
}

TEST(LwoObject, PolygonTagsGiveSurfacesPartsAndSmoothingGroups)
{
    LwoBytes body;
    body.Begin("TAGS").S0("Red").S0("Blue").S0("").End();
    Points(body, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
    Polygons(body, {{0, 1, 2}, {0, 2, 3}, {1, 2, 3}});
    body.Begin("PTAG").Id("SURF").VX(1).VX(1).VX(2).VX(2).End();
    body.Begin("PTAG").Id("PART").VX(0).VX(2).End();
    body.Begin("PTAG").Id("SMGP").VX(2).VX(1).End();
    body.Begin("PTAG").Id("COLR").VX(0).VX(7).End();  // unknown types are skipped
    body.Begin("SURF").S0("Blue").S0("").Sub("SMAN").F4(0.5f).End().End();
    body.Begin("SURF").S0("").S0("").Sub("SIDE").U2(3).End().End();
    Read r(LwoForm("LWO2", body));
    ASSERT_NE(r.object, nullptr);
    LwoPolygon* pol = r.object->layer->polygon.pol;
    // Polygon 0 has no SURF tag: it takes the first tag's surface, made as a default named "Red".
    ASSERT_NE(pol[0].surf, nullptr);
    EXPECT_STREQ(pol[0].surf->name, "Red");
    EXPECT_EQ(pol[0].surf->diffuse.val, 1.0f);
    EXPECT_EQ(pol[0].part, 2);
    ASSERT_NE(pol[1].surf, nullptr);
    EXPECT_STREQ(pol[1].surf->name, "Blue");
    EXPECT_EQ(pol[1].surf->smooth, 0.5f);
    // The empty tag matches the surface with the empty name without comparing through null.
    ASSERT_NE(pol[2].surf, nullptr);
    EXPECT_EQ(pol[2].surf->name, nullptr);
    EXPECT_EQ(pol[2].surf->sideflags, 3);
    EXPECT_EQ(pol[2].smoothgrp, 1);
    EXPECT_EQ(r.object->nsurfs, 3);
}

TEST(LwoObject, PolygonsOfAnObjectWithoutTagsShareOneDefaultSurface)
{
    LwoBytes body;
    body.Begin("LAYR").U2(0).U2(0).F4(0).F4(0).F4(0).S0("a").End();
    UnitSquare(body);
    body.Begin("LAYR").U2(1).U2(0).F4(0).F4(0).F4(0).S0("b").End();
    UnitSquare(body);
    Read r(LwoForm("LWO2", body));
    ASSERT_NE(r.object, nullptr);
    EXPECT_EQ(r.object->nsurfs, 1);
    LwoSurface* s = r.object->layer->polygon.pol[0].surf;
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->name, nullptr);
    EXPECT_FLOAT_EQ(s->color.rgb[0], 0.78431f);
    EXPECT_EQ(r.object->layer->next->polygon.pol[0].surf, s);
}

namespace {

// Three faces around point 0 of a fan: two nearly coplanar, one folded up at 90 degrees.
LwoBytes FoldedFan(float smoothingAngle, bool splitGroups)
{
    LwoBytes body;
    body.Begin("TAGS").S0("S").End();
    Points(body, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0.1f}, {-1, 0, 0}, {0, 0, 1}});
    Polygons(body, {{0, 1, 2}, {0, 2, 3}, {0, 4, 1}});
    if (splitGroups) body.Begin("PTAG").Id("SMGP").VX(1).VX(1).End();
    body.Begin("SURF").S0("S").S0("").Sub("SMAN").F4(smoothingAngle).End().End();
    return body;
}

}  // namespace

TEST(LwoObject, CornerNormalsAverageTheNeighboursWithinTheSmoothingAngle)
{
    Read r(LwoForm("LWO2", FoldedFan(0.5f, false)));
    ASSERT_NE(r.object, nullptr);
    LwoPolygon* pol = r.object->layer->polygon.pol;
    float sum[3];
    for (int k = 0; k < 3; ++k) sum[k] = pol[0].norm[k] + pol[1].norm[k];
    LwoNormalize(sum);
    // Corner 0 of polygon 0 (point 0) takes polygons 0 and 1, not the folded polygon 2.
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(pol[0].v[0].norm[k], sum[k], 1e-6) << k;
    // Corner 1 of polygon 0 (point 1) is shared with polygon 2 only, which is too steep.
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(pol[0].v[1].norm[k], pol[0].norm[k], 1e-6) << k;
    // The folded polygon keeps its own normal at point 0.
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(pol[2].v[0].norm[k], pol[2].norm[k], 1e-6) << k;

    Read wide(LwoForm("LWO2", FoldedFan(2.0f, false)));
    ASSERT_NE(wide.object, nullptr);
    LwoPolygon* w = wide.object->layer->polygon.pol;
    for (int k = 0; k < 3; ++k) sum[k] = w[0].norm[k] + w[1].norm[k] + w[2].norm[k];
    LwoNormalize(sum);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(w[0].v[0].norm[k], sum[k], 1e-6) << k;

    Read split(LwoForm("LWO2", FoldedFan(0.5f, true)));
    ASSERT_NE(split.object, nullptr);
    LwoPolygon* s = split.object->layer->polygon.pol;
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(s[0].v[0].norm[k], s[0].norm[k], 1e-6) << k;
}

TEST(LwoObject, ParallelNormalsWhoseDotProductRoundsAboveOneStillSmooth)
{
    // Normals a hair longer than 1 make the dot product exceed 1, where acos has no value.
    LwoPoint pts[3] = {};
    LwoPolygonVertex corners[6] = {};
    LwoPolygon pols[2] = {};
    LwoSurface surf = {};
    surf.smooth = 0.1f;
    for (int i = 0; i < 2; ++i) {
        pols[i].surf = &surf;
        pols[i].nverts = 3;
        pols[i].v = corners + 3 * i;
        pols[i].norm[0] = 1.0000001f;
        for (int j = 0; j < 3; ++j) corners[3 * i + j].index = j;
    }
    s32 pol01[2] = {0, 1};
    for (auto& p : pts) {
        p.npols = 2;
        p.pol = pol01;
    }
    LwoPointList points = {3, 0, pts};
    LwoPolygonList polygons = {2, 0, 6, 0, pols, corners};
    LwoGetVertexNormals(&points, &polygons);
    EXPECT_FLOAT_EQ(corners[0].norm[0], 1.0f);
    EXPECT_FALSE(std::isnan(corners[0].norm[0]));
}

TEST(LwoObject, SmoothingCosineDecidesEveryDotProductAsTheAngleWould)
{
    // Each limit at and around its boundary, where the float rounding of acos decides, and
    // on a sweep of every dot product a pair of float normals can give.
    const float limits[] = {1e-7f, 0.01f, 0.5f, 1.0f, 1.5707963f, 1.5707964f, 2.0f, 3.1415925f, 3.1415927f, 4.0f};
    for (float smooth : limits) {
        const double c = LwoSmoothingCosine(smooth);
        auto wider = [smooth](double d) { return float(acos(d)) > smooth; };
        std::vector<double> probes;
        for (double d = c, down = c; probes.size() < 64; d = nextafter(d, 3.0), down = nextafter(down, -3.0)) {
            probes.push_back(d);
            probes.push_back(down);
        }
        for (float d = -1.0f; d <= 1.0f; d += 1.0f / 4096) probes.push_back(d);
        for (double d : probes) {
            if (d < -1.0 || d > 1.0) continue;
            EXPECT_EQ(d < c, wider(d)) << "smooth " << smooth << " d " << d;
        }
    }
    EXPECT_EQ(LwoSmoothingCosine(std::nanf("")), -1.0);
}

TEST(LwoObject, VertexMapsAreReferencedFromPointsAndCorners)
{
    LwoBytes body;
    UnitSquare(body);
    body.Begin("VMAP").Id("TXUV").U2(2).S0("UV").VX(0).F4(0).F4(0).VX(2).F4(1).F4(1).End();
    body.Begin("VMAP").Id("PICK").U2(0).S0("Sel").VX(2).End();
    body.Begin("VMAD").Id("TXUV").U2(2).S0("UV").VX(2).VX(0).F4(0.25f).F4(0.75f).VX(3).VX(0).F4(-1).F4(2).End();
    Read r(LwoForm("LWO2", body));
    ASSERT_NE(r.object, nullptr);
    LwoLayer* layer = r.object->layer;
    EXPECT_EQ(layer->nvmaps, 3);
    LwoVMap* uv = layer->vmap;
    ASSERT_NE(uv, nullptr);
    EXPECT_EQ(uv->type, FourCC("TXUV"));
    EXPECT_STREQ(uv->name, "UV");
    EXPECT_EQ(uv->dim, 2);
    EXPECT_EQ(uv->count, 2);
    EXPECT_EQ(uv->val[1][0], 1.0f);
    LwoVMap* pick = uv->next;
    EXPECT_EQ(pick->dim, 0);
    EXPECT_EQ(pick->val, nullptr);
    LwoVMap* vmad = pick->next;
    EXPECT_EQ(vmad->perpoly, 1);
    EXPECT_EQ(vmad->pindex[1], 0);

    LwoPoint* p2 = &layer->point.pt[2];
    ASSERT_EQ(p2->nvmaps, 2);
    EXPECT_EQ(p2->vm[0].vmap, uv);
    EXPECT_EQ(p2->vm[0].index, 1);
    EXPECT_EQ(p2->vm[1].vmap, pick);
    EXPECT_EQ(p2->vm[1].index, 0);
    EXPECT_EQ(layer->point.pt[1].nvmaps, 0);

    LwoPolygonVertex* v = layer->polygon.pol[0].v;
    EXPECT_EQ(v[0].nvmaps, 0);
    ASSERT_EQ(v[2].nvmaps, 1);
    EXPECT_EQ(v[2].vm[0].vmap, vmad);
    EXPECT_EQ(v[2].vm[0].index, 0);
    ASSERT_EQ(v[3].nvmaps, 1);
    EXPECT_EQ(vmad->val[v[3].vm[0].index][1], 2.0f);
}

TEST(LwoObject, UnknownChunksAreSkipped)
{
    LwoBytes body;
    body.Begin("DESC").S0("made by hand").End();
    body.Begin("ODD!").U1(7).End();  // odd size, padded
    UnitSquare(body);
    Read r(LwoForm("LWO2", body));
    ASSERT_NE(r.object, nullptr);
    EXPECT_EQ(r.object->layer->polygon.count, 1);
}

namespace {

struct BadFile {
    const char* name;
    std::vector<u8> bytes;
};

std::vector<u8> Body(void (*build)(LwoBytes&)) 
{
    LwoBytes b;
    build(b);
    return LwoForm("LWO2", b).b;
}

}  // namespace

TEST(LwoObject, DamagedFilesFailWithoutReadingOutsideTheirChunks)
{
    std::vector<BadFile> cases = {
        {"empty file", {}},
        {"short FORM header", {'F', 'O', 'R', 'M', 0, 0}},
        {"not a FORM", LwoForm("LWO2", LwoBytes()).b},
        {"a polygon corner names a missing point", Body([](LwoBytes& b) {
             Points(b, {{0, 0, 0}, {1, 0, 0}});
             Polygons(b, {{0, 1, 2}});
         })},
        {"polygons before any point", Body([](LwoBytes& b) { Polygons(b, {{0, 1, 2}}); })},
        {"a polygon record crosses the chunk's end", Body([](LwoBytes& b) {
             Points(b, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}});
             b.Begin("POLS").Id("FACE").U2(3).VX(0).VX(1).End();
         })},
        {"a PTAG names a missing polygon", Body([](LwoBytes& b) {
             b.Begin("TAGS").S0("A").End();
             UnitSquare(b);
             b.Begin("PTAG").Id("SURF").VX(1).VX(0).End();
         })},
        {"a PTAG names a missing tag", Body([](LwoBytes& b) {
             b.Begin("TAGS").S0("A").End();
             UnitSquare(b);
             b.Begin("PTAG").Id("SURF").VX(0).VX(1).End();
         })},
        {"a PTAG record crosses the chunk's end", Body([](LwoBytes& b) {
             b.Begin("TAGS").S0("A").End();
             UnitSquare(b);
             b.Begin("PTAG").Id("SURF").VX(0).End();
         })},
        {"a tag string runs past its chunk", Body([](LwoBytes& b) {
             b.Begin("TAGS").Raw("ABCD", 4).End();
             UnitSquare(b);
         })},
        {"a layer name runs past its chunk", Body([](LwoBytes& b) {
             b.Begin("LAYR").U2(0).U2(0).F4(0).F4(0).F4(0).Raw("name", 4).End();
             b.Begin("TAGS").S0("A").End();
         })},
        {"a vertex map names a missing point", Body([](LwoBytes& b) {
             UnitSquare(b);
             b.Begin("VMAP").Id("WGHT").U2(1).S0("W").VX(4).F4(1).End();
         })},
        {"a VMAD names a missing polygon", Body([](LwoBytes& b) {
             UnitSquare(b);
             b.Begin("VMAD").Id("TXUV").U2(2).S0("UV").VX(0).VX(1).F4(0).F4(0).End();
         })},
        {"a vertex map entry is cut short", Body([](LwoBytes& b) {
             UnitSquare(b);
             b.Begin("VMAP").Id("TXUV").U2(2).S0("UV").VX(0).F4(0).End();
         })},
        {"a BBOX chunk is too short", Body([](LwoBytes& b) {
             b.Begin("BBOX").F4(0).F4(0).End();
             UnitSquare(b);
         })},
        {"a surface sub-chunk claims more than its chunk", Body([](LwoBytes& b) {
             b.Begin("SURF").S0("A").S0("").Sub("SMAN").F4(1).End().End();
             b.PatchU2(b.Size() - 6, 40);
         })},
    };
    // A chunk claiming far more than the file holds must fail before allocating for it.
    {
        LwoBytes b;
        b.Begin("PNTS").F4(0).F4(0).F4(0).End();
        b.PatchU4(4, 0x7FFFFFF0);
        cases.push_back({"a point chunk claims 2 GB", LwoForm("LWO2", b).b});
    }
    {
        LwoBytes b;
        UnitSquare(b);
        std::vector<u8> bytes = LwoForm("LWO2", b).b;
        bytes.resize(bytes.size() - 5);
        cases.push_back({"the file is cut inside a chunk", bytes});
    }
    {
        LwoBytes b;
        UnitSquare(b);
        LwoBytes f = LwoForm("LWO2", b);
        f.PatchU4(4, 0x100000);  // the FORM promises more chunks than there are
        cases.push_back({"the FORM claims more than the file", f.b});
    }
    cases[2].bytes[0] = 'X';

    LwoScratch scratch;
    for (const BadFile& c : cases) {
        std::string path = scratch.Write("bad.lwo", c.bytes);
        LwoObject* object = LwoReadObject(path.c_str(), nullptr, nullptr);
        EXPECT_EQ(object, nullptr) << c.name;
        LwoFreeObject(object);
    }
}

TEST(LwoObject, FailuresReportTheLastChunkAndThePosition)
{
    LwoBytes body;
    UnitSquare(body);
    body.Begin("BBOX").F4(0).End();
    Read r(LwoForm("LWO2", body));
    EXPECT_EQ(r.object, nullptr);
    EXPECT_EQ(r.failId, FourCC("BBOX"));
    EXPECT_GT(r.failPos, 12);

    LwoBytes none;
    LwoBytes other = LwoForm("LXOB", none);
    Read x(other);
    EXPECT_EQ(x.object, nullptr);
    EXPECT_EQ(x.failPos, 12);
}

TEST(LwoObject, AMissingFileAnswersNullAndLeavesTheOutputsAlone)
{
    u32 id = 7;
    s32 pos = 9;
    EXPECT_EQ(LwoReadObject("/nonexistent/tavik/object.lwo", &id, &pos), nullptr);
    EXPECT_EQ(id, 7u);
    EXPECT_EQ(pos, 9);
    LwoFreeObject(nullptr);
}

namespace {

struct Node {
    Node* next;
    Node* prev;
    int key;
    int order;
};

int CompareNodes(const Node* a, const Node* b) { return a->key - b->key; }

}  // namespace

TEST(LwoObject, SortingAListGivesTheOrderOfInsertingEachNodeInTurn)
{
    for (int n : {0, 1, 2, 3, 7, 64, 1000}) {
        std::vector<Node> a(static_cast<size_t>(n)), b(static_cast<size_t>(n));
        Node* sorted = nullptr;
        Node* inserted = nullptr;
        LwoListBuilder<Node> build(&sorted);
        for (int i = 0; i < n; ++i) {
            int key = int((i * 7919u) % 13u);  // many equal keys
            a[size_t(i)] = {nullptr, nullptr, key, i};
            b[size_t(i)] = {nullptr, nullptr, key, i};
            build.Add(&a[size_t(i)]);
            LwoListInsert(&inserted, &b[size_t(i)], CompareNodes);
        }
        LwoListSort(&sorted, CompareNodes);
        Node* x = sorted;
        Node* y = inserted;
        Node* prev = nullptr;
        for (int i = 0; i < n; ++i, prev = x, x = x->next, y = y->next) {
            ASSERT_NE(x, nullptr);
            EXPECT_EQ(x->order, y->order) << n << " " << i;
            EXPECT_EQ(x->prev, prev);
        }
        EXPECT_EQ(x, nullptr);
    }
}
