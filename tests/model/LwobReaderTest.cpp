// Old-format (LWOB) objects converted into the LWO2 model.
#include <gtest/gtest.h>

#include <cmath>

#include "model/LwoList.h"
#include "model/LwobReader.h"
#include "tests/model/LwoFixture.h"

namespace {

// An LWOB object around a body of chunks.
struct Read : LwoRead {
    explicit Read(const LwoBytes& body) : LwoRead(LwoForm("LWOB", body), "old.lwo") {}
};

void Square(LwoBytes& b)
{
    b.Begin("SRFS").S0("Main").S0("Detail").End();
    b.Begin("PNTS");
    for (float p : {0.0f, 1.0f, 1.0f, 0.0f})
        for (float q : {0.0f}) b.F4(p).F4(q).F4(0);
    b.End();
}

// An LWOB object with one triangle on surface "Main" whose SURF body is built by fill.
LwoBytes WithSurface(void (*fill)(LwoBytes&))
{
    LwoBytes b;
    b.Begin("SRFS").S0("Main").End();
    b.Begin("PNTS").F4(0).F4(0).F4(0).F4(1).F4(0).F4(0).F4(0).F4(1).F4(0).End();
    b.Begin("POLS").U2(3).U2(0).U2(1).U2(2).I2(1).End();
    b.Begin("SURF").S0("Main");
    fill(b);
    b.End();
    return b;
}

}  // namespace

TEST(Lwob, PolygonsWithDetailPolygonsBecomeOrdinaryFaces)
{
    LwoBytes b;
    Square(b);
    // A polygon on surface 1 carrying one detail polygon on surface 2, then a plain one.
    b.Begin("POLS");
    b.U2(4).U2(0).U2(1).U2(2).U2(3).I2(-1).U2(1);
    b.U2(3).U2(0).U2(1).U2(2).I2(2);
    b.U2(3).U2(1).U2(2).U2(3).I2(1);
    b.End();
    Read r(b);
    ASSERT_NE(r.object, nullptr);
    EXPECT_EQ(r.object->nlayers, 1);
    LwoPolygonList& pl = r.object->layer->polygon;
    ASSERT_EQ(pl.count, 3);
    EXPECT_EQ(pl.vcount, 10);
    EXPECT_EQ(pl.pol[0].type, FourCC("FACE"));
    EXPECT_EQ(pl.pol[0].nverts, 4);
    EXPECT_STREQ(pl.pol[0].surf->name, "Main");
    EXPECT_STREQ(pl.pol[1].surf->name, "Detail");
    EXPECT_STREQ(pl.pol[2].surf->name, "Main");
    EXPECT_EQ(pl.pol[2].v[2].index, 3);
    EXPECT_EQ(pl.pol[0].surf, pl.pol[2].surf);
}

TEST(Lwob, SurfaceValuesAreConvertedToTheNewerScale)
{
    Read r(WithSurface([](LwoBytes& b) {
        b.Sub("COLR").U1(255).U1(128).U1(0).U1(0).End();
        b.Sub("FLAG").U2(0x104).End();
        b.Sub("LUMI").I2(64).End();
        b.Sub("DIFF").I2(128).End();
        b.Sub("SPEC").I2(-256).End();
        b.Sub("REFL").I2(32).End();
        b.Sub("TRAN").I2(512).End();
        b.Sub("VDIF").F4(0.75f).End();
        b.Sub("GLOS").U2(1024).End();
        b.Sub("RFLT").U2(1).End();
        b.Sub("RSAN").F4(0.5f).End();
        b.Sub("RIND").F4(1.5f).End();
    }));
    ASSERT_NE(r.object, nullptr);
    LwoSurface* s = r.object->surf;
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->color.rgb[0], 1.0f);
    EXPECT_FLOAT_EQ(s->color.rgb[1], 128 / 255.0f);
    EXPECT_EQ(s->color.rgb[2], 0.0f);
    EXPECT_EQ(s->smooth, 1.56207f);
    EXPECT_EQ(s->sideflags, 3);
    EXPECT_EQ(s->colorHilite.val, 0.0f);
    EXPECT_EQ(s->luminosity.val, 0.25f);
    EXPECT_EQ(s->diffuse.val, 0.75f);  // VDIF after DIFF
    EXPECT_EQ(s->specularity.val, -1.0f);
    EXPECT_EQ(s->reflection.val.val, 0.125f);
    EXPECT_EQ(s->transparency.val.val, 2.0f);
    EXPECT_NEAR(s->glossiness.val, 0.33333f, 1e-5);
    EXPECT_EQ(s->reflection.options, 1);
    EXPECT_EQ(s->reflection.seamAngle, 0.5f);
    EXPECT_EQ(s->eta.val, 1.5f);
}

TEST(Lwob, FlagBitsSetTheirSurfaceValues)
{
    Read r(WithSurface([](LwoBytes& b) { b.Sub("FLAG").U2(8 | 16 | 128 | 512).End(); }));
    ASSERT_NE(r.object, nullptr);
    LwoSurface* s = r.object->surf;
    EXPECT_EQ(s->colorHilite.val, 1.0f);
    EXPECT_EQ(s->colorFilter.val, 1.0f);
    EXPECT_EQ(s->difSharp.val, 0.5f);
    EXPECT_EQ(s->addTrans.val, 1.0f);
    EXPECT_EQ(s->smooth, 0.0f);
    EXPECT_EQ(s->sideflags, 1);
}

TEST(Lwob, AGlossinessOfZeroGivesZeroInsteadOfMinusInfinity)
{
    Read r(WithSurface([](LwoBytes& b) { b.Sub("GLOS").U2(0).End(); }));
    ASSERT_NE(r.object, nullptr);
    EXPECT_EQ(r.object->surf->glossiness.val, 0.0f);
}

TEST(Lwob, ImageMapTexturesTakeTheirFlagsMappingClipAndVelocity)
{
    Read r(WithSurface([](LwoBytes& b) {
        b.Sub("TSIZ").F4(9).F4(9).F4(9).End();  // before any texture: nothing to apply it to
        b.Sub("CTEX").S0("Spherical Image Map").End();
        b.Sub("TFLG").U2(2 | 8 | 16 | 32 | 64).End();
        b.Sub("TSIZ").F4(2).F4(3).F4(4).End();
        b.Sub("TCTR").F4(1).F4(0).F4(-1).End();
        b.Sub("TFAL").F4(0.5f).F4(0.5f).F4(0.5f).End();
        b.Sub("TVEL").F4(0.1f).F4(0).F4(1).End();
        b.Sub("TAMP").F4(0.25f).End();
        b.Sub("TFP0").F4(2).End();
        b.Sub("TFP1").F4(3).End();
        b.Sub("TCLR").U1(255).U1(0).U1(0).U1(0).End();  // procedural only: skipped
        b.Sub("TAAS").F4(0.5f).End();
        b.Sub("TOPC").F4(0.75f).End();
        b.Sub("TIMG").S0("maps/earth.jpg").End();
        b.Sub("TREF").Raw("Null", 4).End();
    }));
    ASSERT_NE(r.object, nullptr);
    LwoTexture* t = r.object->surf->color.tex;
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->type, FourCC("IMAP"));
    EXPECT_EQ(t->chan, FourCC("COLR"));
    const LwoImageMap& im = t->param.imap;
    EXPECT_EQ(im.projection, 2);
    EXPECT_EQ(t->axis, 1);
    EXPECT_EQ(im.axis, 1);
    EXPECT_EQ(t->tmap.coordSys, 1);
    EXPECT_EQ(t->negative, 1);
    EXPECT_EQ(im.pblend, 1);
    EXPECT_EQ(im.aas_flags, 1);
    EXPECT_EQ(im.aa_strength, 0.5f);
    EXPECT_EQ(t->tmap.size.val[0], 2.0f);
    EXPECT_EQ(t->tmap.size.val[2], 4.0f);
    EXPECT_EQ(t->tmap.center.val[2], -1.0f);
    EXPECT_EQ(t->tmap.falloff.val[1], 0.5f);
    EXPECT_EQ(im.amplitude.val, 0.25f);
    EXPECT_EQ(im.wrapw.val, 2.0f);
    EXPECT_EQ(im.wraph.val, 3.0f);
    EXPECT_EQ(t->opacity.val, 0.75f);
    EXPECT_EQ(t->enabled, 1);
    EXPECT_STREQ(t->tmap.refObject, "Null");  // copied with a terminator

    ASSERT_EQ(r.object->nclips, 1);
    LwoClip* c = r.object->clip;
    EXPECT_EQ(im.cindex, 1);
    EXPECT_EQ(c->index, 1);
    EXPECT_EQ(c->type, FourCC("STIL"));
    EXPECT_STREQ(c->source.still.name, "maps/earth.jpg");

    // The velocity makes three linear position envelopes over one second.
    ASSERT_EQ(r.object->nenvs, 3);
    EXPECT_EQ(t->tmap.center.eindex, 1);
    const char* names[3] = {"Position.X", "Position.Y", "Position.Z"};
    const float centre[3] = {1, 0, -1}, velocity[3] = {0.1f, 0, 1};
    LwoEnvelope* e = r.object->env;
    for (int i = 0; i < 3; ++i, e = e->next) {
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->index, i + 1);
        EXPECT_EQ(e->type, 0x0301 + i);
        EXPECT_STREQ(e->name, names[i]);
        EXPECT_EQ(e->behavior[0], 5);
        EXPECT_EQ(e->behavior[1], 5);
        ASSERT_EQ(e->nkeys, 2);
        EXPECT_EQ(e->key->shape, FourCC("LINE"));
        EXPECT_EQ(e->key->time, 0.0f);
        EXPECT_EQ(e->key->value, centre[i]);
        EXPECT_EQ(e->key->next->time, 1.0f);
        EXPECT_EQ(e->key->next->value, centre[i] + 30 * velocity[i]);
    }
}

TEST(Lwob, ProjectionNamesAndProceduralTexturesFollowTheTypeName)
{
    struct Case {
        const char* name;
        u32 type;
        s32 projection;
    };
    const Case cases[] = {
        {"Planar Image Map", FourCC("IMAP"), 0},    {"Cylindrical Image Map", FourCC("IMAP"), 1},
        {"Spherical Image Map", FourCC("IMAP"), 2}, {"Cubic Image Map", FourCC("IMAP"), 3},
        {"Front Projection Image Map", FourCC("IMAP"), 4}, {"Odd Image Map", FourCC("IMAP"), 0},
        {"Fractal Noise", FourCC("PROC"), 0},
    };
    for (const Case& c : cases) {
        LwoTexture* t = LwobReadTexture(LwoDuplicateString(c.name));
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->type, c.type) << c.name;
        EXPECT_EQ(t->opacity.val, 1.0f);
        EXPECT_EQ(t->tmap.size.val[1], 1.0f);
        if (c.type == FourCC("IMAP")) {
            EXPECT_EQ(t->param.imap.projection, c.projection) << c.name;
            EXPECT_EQ(t->param.imap.aa_strength, 1.0f);
            EXPECT_EQ(t->param.imap.amplitude.val, 1.0f);
        } else {
            EXPECT_STREQ(t->param.proc.name, c.name);
        }
        LwoFreeTexture(t);
    }
}

TEST(Lwob, ProceduralTexturesTakeColourAndValueAndIgnoreImageSettings)
{
    Read r(WithSurface([](LwoBytes& b) {
        b.Sub("BTEX").Raw("Fractal Bumps", 13).End();  // no terminator inside the sub-chunk
        b.Sub("TFLG").U2(1 | 32 | 64).End();
        b.Sub("TCLR").U1(255).U1(51).U1(0).U1(0).End();
        b.Sub("TVAL").I2(-128).End();
        b.Sub("TAMP").F4(7).End();
        b.Sub("TIMG").S0("ignored.png").End();
        b.Sub("SHDR").Raw("Edge", 4).End();
        b.Sub("SDAT").U4(0x01020304).End();
        b.Sub("SHDR").S0("Second").End();
    }));
    ASSERT_NE(r.object, nullptr);
    LwoSurface* s = r.object->surf;
    LwoTexture* t = s->bump.tex;
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->type, FourCC("PROC"));
    EXPECT_EQ(t->chan, FourCC("BUMP"));
    EXPECT_STREQ(t->param.proc.name, "Fractal Bumps");
    EXPECT_EQ(t->param.proc.axis, 0);
    EXPECT_EQ(t->param.proc.value[0], -0.5f);
    EXPECT_FLOAT_EQ(t->param.proc.value[1], 0.2f);
    EXPECT_EQ(t->param.proc.value[2], 0.0f);
    EXPECT_EQ(r.object->nclips, 0);
    ASSERT_EQ(s->shaderCount, 2);
    EXPECT_STREQ(s->shader->name, "Edge");
    ASSERT_EQ(s->shader->dataSize, 4);
    EXPECT_EQ(s->shader->data[3], 4);
    EXPECT_STREQ(s->shader->next->name, "Second");
    EXPECT_EQ(s->shader->next->data, nullptr);
}

TEST(Lwob, SequenceImageNamesBecomeImageSequences)
{
    struct Case {
        const char* name;
        u32 type;
        const char* kept;
    };
    const Case cases[] = {
        {"frames/walk (sequence)", FourCC("ISEQ"), "frames/walk"},
        {"(sequence)", FourCC("ISEQ"), ""},  // nothing before the marker to cut at
        {"x(sequence)", FourCC("ISEQ"), ""},
        {"still.png", FourCC("STIL"), "still.png"},
    };
    LwoClip* clips = nullptr;
    s32 n = 0;
    for (const Case& c : cases) {
        s32 index = LwobAddClip(LwoDuplicateString(c.name), &clips, &n);
        LwoClip* clip = LwoFindClip(clips, index);
        ASSERT_NE(clip, nullptr);
        EXPECT_EQ(clip->type, c.type) << c.name;
        if (c.type == FourCC("ISEQ")) {
            EXPECT_EQ(clip->source.seq.digits, 3);
            EXPECT_STREQ(clip->source.seq.prefix, c.kept) << c.name;
        } else {
            EXPECT_STREQ(clip->source.still.name, c.kept);
        }
        EXPECT_EQ(clip->brightness.val, 1.0f);
    }
    EXPECT_EQ(n, 4);
    LwoListFree(&clips, LwoFreeClip);
}

TEST(Lwob, ReflectionImagesBecomeClipsWithOptionThree)
{
    Read r(WithSurface([](LwoBytes& b) { b.Sub("RIMG").S0("sky (sequence)").End(); }));
    ASSERT_NE(r.object, nullptr);
    EXPECT_EQ(r.object->surf->reflection.cindex, 1);
    EXPECT_EQ(r.object->surf->reflection.options, 3);
    EXPECT_STREQ(r.object->clip->source.seq.prefix, "sky");
}

TEST(Lwob, DamagedOldObjectsFail)
{
    std::vector<LwoBytes> cases;
    {
        LwoBytes b;  // a surface index of 0 names no SRFS entry
        Square(b);
        b.Begin("POLS").U2(3).U2(0).U2(1).U2(2).I2(0).End();
        cases.push_back(b);
    }
    {
        LwoBytes b;  // a corner names a missing point
        Square(b);
        b.Begin("POLS").U2(3).U2(0).U2(1).U2(9).I2(1).End();
        cases.push_back(b);
    }
    {
        LwoBytes b;  // a record cut by the chunk's end
        Square(b);
        b.Begin("POLS").U2(3).U2(0).U2(1).U2(2).End();
        cases.push_back(b);
    }
    cases.push_back(WithSurface([](LwoBytes& b) { b.Sub("COLR").U1(1).End(); }));
    cases.push_back(WithSurface([](LwoBytes& b) {  // an image name without its terminator
        b.Sub("CTEX").S0("Planar Image Map").End();
        b.Sub("TIMG").Raw("abcd", 4).End();
    }));
    for (size_t i = 0; i < cases.size(); ++i) {
        Read r(cases[i]);
        EXPECT_EQ(r.object, nullptr) << i;
    }
}
