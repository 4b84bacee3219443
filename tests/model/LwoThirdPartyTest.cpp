// Objects made by real modelling programs (Debian's assimp-testmodels), read here and compared
// with what another reader (assimp-utils' "assimp info -r") sees in them. Skipped when the
// package is not installed.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "model/LwoObject.h"
#include "tests/model/AssimpInfo.h"

namespace {

const char* const kRoot = "/usr/share/assimp/models/LWO";

bool IsDirectory(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void ListFiles(const std::string& dir, std::vector<std::string>* out)
{
    DIR* d = opendir(dir.c_str());
    if (!d) return;
    while (dirent* e = readdir(d)) {
        if (e->d_name[0] == '.') continue;
        std::string path = dir + "/" + e->d_name;
        if (IsDirectory(path))
            ListFiles(path, out);
        else
            out->push_back(path);
    }
    closedir(d);
    std::sort(out->begin(), out->end());
}

// The FORM type of a file ("LWO2", "LWOB"...), or "" when it is not an IFF FORM.
std::string FormType(const std::string& path)
{
    char head[12] = {};
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return "";
    size_t n = fread(head, 1, 12, f);
    fclose(f);
    if (n != 12 || memcmp(head, "FORM", 4) != 0) return "";
    return std::string(head + 8, 4);
}

// The same quantities from our reader, in assimp's axes.
Summary Summarise(const LwoObject* object)
{
    Summary s;
    float lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};
    for (const LwoLayer* layer = object->layer; layer; layer = layer->next) {
        s.faces += layer->polygon.count;
        s.corners += layer->polygon.vcount;
        for (s32 i = 0; i < layer->polygon.vcount; ++i) {
            const float* p = layer->point.pt[layer->polygon.corners[i].index].pos;
            for (int k = 0; k < 3; ++k) {
                lo[k] = std::min(lo[k], p[k]);
                hi[k] = std::max(hi[k], p[k]);
            }
        }
    }
    s.min[0] = lo[0];
    s.min[1] = lo[1];
    s.min[2] = -hi[2];
    s.max[0] = hi[0];
    s.max[1] = hi[1];
    s.max[2] = -lo[2];
    s.ok = true;
    return s;
}


}  // namespace

TEST(LwoThirdParty, EveryLwo2ObjectAgreesWithAnotherReader)
{
    if (!IsDirectory(kRoot)) GTEST_SKIP() << kRoot << " is missing (package assimp-testmodels)";
    if (!HaveAssimp()) GTEST_SKIP() << "assimp is missing (package assimp-utils)";
    std::vector<std::string> files;
    ListFiles(kRoot, &files);
    int compared = 0;
    for (const std::string& path : files) {
        if (FormType(path) != "LWO2") continue;
        SCOPED_TRACE(path);
        Summary theirs = RunAssimp(path);
        ASSERT_TRUE(theirs.ok) << "assimp could not read it";
        LwoObject* object = LwoReadObject(path.c_str(), nullptr, nullptr);
        ASSERT_NE(object, nullptr);
        Summary ours = Summarise(object);
        LwoFreeObject(object);
        EXPECT_EQ(ours.faces, theirs.faces);
        EXPECT_EQ(ours.corners, theirs.corners);
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(ours.min[k], theirs.min[k], 1e-5 + 1e-6 * fabs(theirs.min[k])) << "min " << k;
            EXPECT_NEAR(ours.max[k], theirs.max[k], 1e-5 + 1e-6 * fabs(theirs.max[k])) << "max " << k;
        }
        ++compared;
    }
    EXPECT_GE(compared, 30);
}

TEST(LwoThirdParty, OldFormatObjectsGiveTheConvertedValues)
{
    if (!IsDirectory(kRoot)) GTEST_SKIP() << kRoot << " is missing (package assimp-testmodels)";
    // Worked out from each file's chunks: PNTS size / 12 points, the POLS records, and the
    // SURF sub-chunks converted (COLR bytes / 255, GLOS g as ln g / 20.7944, SMAN as read).
    struct Case {
        const char* file;
        s32 points, polygons, corners;
        float rgb[3];
        float glossiness, smooth;
        const char* surface;
    };
    const Case cases[] = {
        {"LWOB/ConcavePolygon.lwo", 64, 1, 66, {0x24 / 255.f, 0x2F / 255.f, 0x69 / 255.f}, 0.2f, 1.5625f,
         "test_Smoothing"},
        {"LWOB/formatDetection", 24, 1, 24, {200 / 255.f, 200 / 255.f, 200 / 255.f}, 0.2f, 0.0f, "Default"},
        {"LWOB/sphere_with_mat_gloss_10pc.lwo", 266, 288, 1104, {1.0f, 128 / 255.f, 192 / 255.f},
         float(log(16.0) / 20.7944), 1.5625930f, "Default"},
        {"LWOB/sphere_with_mat_gloss_50pc.lwo", 266, 288, 1104, {1.0f, 128 / 255.f, 192 / 255.f},
         float(log(256.0) / 20.7944), 1.5625930f, "Default"},
    };
    for (const Case& c : cases) {
        std::string path = std::string(kRoot) + "/" + c.file;
        SCOPED_TRACE(path);
        LwoObject* object = LwoReadObject(path.c_str(), nullptr, nullptr);
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(object->nlayers, 1);
        EXPECT_EQ(object->layer->point.count, c.points);
        EXPECT_EQ(object->layer->polygon.count, c.polygons);
        EXPECT_EQ(object->layer->polygon.vcount, c.corners);
        ASSERT_EQ(object->nsurfs, 1);
        LwoSurface* s = object->surf;
        EXPECT_STREQ(s->name, c.surface);
        for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(s->color.rgb[k], c.rgb[k]) << k;
        EXPECT_NEAR(s->glossiness.val, c.glossiness, 1e-6);
        EXPECT_NEAR(s->smooth, c.smooth, 1e-6);
        EXPECT_EQ(object->layer->polygon.pol[0].surf, s);
        LwoFreeObject(object);
    }
}

TEST(LwoThirdParty, AnOldImageMappedObjectGetsItsClipAndVelocityEnvelopes)
{
    std::string path = std::string(kRoot) + "/LWOB/MappingModes/bluewithcylindrictexz.lwo";
    if (!IsDirectory(kRoot)) GTEST_SKIP() << kRoot << " is missing (package assimp-testmodels)";
    LwoObject* object = LwoReadObject(path.c_str(), nullptr, nullptr);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->layer->point.count, 8);
    EXPECT_EQ(object->layer->polygon.count, 6);
    LwoSurface* s = object->surf;
    ASSERT_NE(s, nullptr);
    EXPECT_FLOAT_EQ(s->color.rgb[1], 128 / 255.f);
    EXPECT_FLOAT_EQ(s->specularity.val, 0.3f);     // SPEC 77/256, then VSPC 0.3
    EXPECT_NEAR(s->glossiness.val, 0.2f, 1e-6);    // GLOS 64
    EXPECT_EQ(s->reflection.options, 1);
    LwoTexture* t = s->color.tex;
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->type, FourCC("IMAP"));
    EXPECT_EQ(t->param.imap.projection, 1);        // "Cylindrical Image Map"
    EXPECT_EQ(t->axis, 2);                         // TFLG 0x64: z axis, pixel blending, antialiasing
    EXPECT_EQ(t->param.imap.pblend, 1);
    EXPECT_EQ(t->param.imap.aas_flags, 1);
    EXPECT_EQ(t->param.imap.amplitude.val, 1.0f);
    EXPECT_EQ(t->tmap.refObject, nullptr);         // an empty TREF
    ASSERT_EQ(object->nclips, 1);
    EXPECT_EQ(t->param.imap.cindex, 1);
    EXPECT_STREQ(object->clip->source.still.name,
                 "C:\\Users\\ACG\\Desktop\\ASSIMP\\r35\\test\\models\\3DS\\IMAGE2.jpg");
    EXPECT_EQ(object->nenvs, 3);                   // TVEL
    EXPECT_EQ(t->tmap.center.eindex, 1);
    LwoFreeObject(object);
}

TEST(LwoThirdParty, ObjectsOfOtherFormTypesAreRefused)
{
    if (!IsDirectory(kRoot)) GTEST_SKIP() << kRoot << " is missing (package assimp-testmodels)";
    std::vector<std::string> files;
    ListFiles(kRoot, &files);
    int refused = 0;
    for (const std::string& path : files) {
        std::string type = FormType(path);
        if (type.empty() || type == "LWO2" || type == "LWOB") continue;
        s32 pos = 0;
        EXPECT_EQ(LwoReadObject(path.c_str(), nullptr, &pos), nullptr) << path;
        EXPECT_EQ(pos, 12) << path;
        ++refused;
    }
    EXPECT_GE(refused, 1);
}
