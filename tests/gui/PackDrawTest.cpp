#include <gtest/gtest.h>

#include <vector>

#include "gui/core/TexturePack.h"

namespace {

struct Recorder {
    std::vector<std::pair<const TexturePack*, u32>> binds;
    std::vector<PackQuad> quads;
    int flushes = 0;
};

void RecBegin(void* c) { static_cast<Recorder*>(c)->flushes++; }
void RecBind(void* c, const TexturePack* pack, u32 page) { static_cast<Recorder*>(c)->binds.push_back({pack, page}); }
void RecQuad(void* c, const PackQuad& q) { static_cast<Recorder*>(c)->quads.push_back(q); }

// A pack with one 128 x 128 page holding a 16 x 16 image at (32, 64) and an 8 x 4 image on
// a second page.
class PackDrawTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        pack = NewTexturePack();
        a = AddPackImage(pack, 1, 16, 16, nullptr);
        b = AddPackImage(pack, 2, 8, 4, nullptr);
        pack->pages.Push(PackPage{128, 128, 11, nullptr});
        pack->pages.Push(PackPage{128, 128, 12, nullptr});
        a->x = 32;
        a->y = 64;
        a->page = 0;
        b->page = 1;
        renderer = {RecBegin, RecBind, RecQuad, nullptr, &rec};
        previous = SetPackDrawRenderer(&renderer);
    }
    void TearDown() override
    {
        FlushPackDraws(0);
        SetPackDrawRenderer(previous);
        FreeTexturePack(pack);
    }
    TexturePack* pack;
    PackImage* a;
    PackImage* b;
    Recorder rec;
    PackDrawRenderer renderer;
    const PackDrawRenderer* previous;
};

// The image pixel (u, v) a vertex shows, from its texture coordinates.
std::pair<int, int> Texel(const PackQuad& q, int i, const PackImage* img)
{
    return {int(q.s[i] * 128 + 0.5f) - img->x, int(q.t[i] * 128 + 0.5f) - img->y};
}

}  // namespace

TEST_F(PackDrawTest, TilingCutsTheLastColumnAndRowFromTheImagesTopLeft)
{
    DrawPackImage(pack, a, 100, 200, 40, 20, 0);
    FlushPackDraws(0);
    ASSERT_EQ(rec.quads.size(), 6u);
    std::vector<std::vector<int>> got;
    for (const PackQuad& q : rec.quads) {
        auto br = Texel(q, 2, a);
        got.push_back({q.x[0], q.y[0], q.x[2] - q.x[0], q.y[2] - q.y[0], br.first, br.second});
        auto tl = Texel(q, 0, a);
        EXPECT_EQ(tl, std::make_pair(0, 0));
    }
    std::vector<std::vector<int>> want = {
        {100, 200, 16, 16, 16, 16}, {116, 200, 16, 16, 16, 16}, {132, 200, 8, 16, 8, 16},
        {100, 216, 16, 4, 16, 4},   {116, 216, 16, 4, 16, 4},   {132, 216, 8, 4, 8, 4},
    };
    EXPECT_EQ(got, want);
}

TEST_F(PackDrawTest, StretchingDrawsOneQuadOverTheWholeDestination)
{
    DrawPackImage(pack, a, 0, 0, 40, 20, kDrawStretch);
    FlushPackDraws(0);
    ASSERT_EQ(rec.quads.size(), 1u);
    EXPECT_EQ(rec.quads[0].x[2], 40);
    EXPECT_EQ(rec.quads[0].y[2], 20);
    EXPECT_EQ(Texel(rec.quads[0], 2, a), std::make_pair(16, 16));
}

TEST_F(PackDrawTest, FlagsChooseWhichImageCornerEachVertexShows)
{
    // Image corners: TL (0,0), TR (16,0), BR (16,16), BL (0,16); vertices TL, TR, BR, BL.
    typedef std::pair<int, int> C;
    const C TL{0, 0}, TR{16, 0}, BR{16, 16}, BL{0, 16};
    struct Case {
        u32 flags;
        std::vector<C> corners;
    } cases[] = {
        {0, {TL, TR, BR, BL}},
        {kDrawTurn, {BL, TL, TR, BR}},
        {kDrawMirrorX, {TR, TL, BL, BR}},
        {kDrawMirrorY, {BL, BR, TR, TL}},
        // Both mirrors are a half turn.
        {kDrawMirrorX | kDrawMirrorY, {BR, BL, TL, TR}},
        {kDrawTurn | kDrawMirrorY, {BR, TR, TL, BL}},
    };
    for (const Case& c : cases) {
        rec.quads.clear();
        DrawPackImage(pack, a, 0, 0, 16, 16, c.flags | kDrawStretch);
        FlushPackDraws(0);
        ASSERT_EQ(rec.quads.size(), 1u);
        std::vector<C> got;
        for (int i = 0; i < 4; ++i) got.push_back(Texel(rec.quads[0], i, a));
        EXPECT_EQ(got, c.corners) << "flags " << c.flags;
    }
}

TEST_F(PackDrawTest, ATurnedImageTilesWithItsWidthAndHeightExchanged)
{
    DrawPackImage(pack, b, 0, 0, 4, 20, kDrawTurn);
    FlushPackDraws(0);
    // 8 x 4 turned covers 4 across and 8 down: rows of 8, 8 and 4.
    ASSERT_EQ(rec.quads.size(), 3u);
    EXPECT_EQ(rec.quads[2].y[0], 16);
    EXPECT_EQ(rec.quads[2].y[2], 20);
    EXPECT_EQ(rec.quads[2].x[2], 4);
}

TEST_F(PackDrawTest, ARotatedImageIsShownUpright)
{
    // Stored transposed: the 16 x 8 image occupies 8 columns and 16 rows of the page.
    PackImage* r = AddPackImage(pack, 3, 16, 8, nullptr);
    r->packFlags = kPackPacked | kPackRotated;
    r->x = 0;
    r->y = 0;
    DrawPackImage(pack, r, 0, 0, 16, 8, kDrawStretch);
    EXPECT_EQ(PackDrawQueueCommands()[0].sourceWidth, 8);
    EXPECT_EQ(PackDrawQueueCommands()[0].sourceHeight, 16);
    FlushPackDraws(0);
    ASSERT_EQ(rec.quads.size(), 1u);
    // Destination top-right is image (16, 0), which the page holds at (0, 16).
    EXPECT_EQ(Texel(rec.quads[0], 1, r), std::make_pair(0, 16));
    EXPECT_EQ(Texel(rec.quads[0], 3, r), std::make_pair(8, 0));
}

TEST_F(PackDrawTest, ASortedFlushBindsEachPageOnce)
{
    DrawPackImage(pack, a, 0, 0, 16, 16, 0);
    DrawPackImage(pack, b, 0, 0, 8, 4, 0);
    DrawPackImage(pack, a, 0, 0, 16, 16, 0);
    FlushPackDraws(1);
    EXPECT_EQ(rec.binds.size(), 2u);
    rec.binds.clear();
    DrawPackImage(pack, a, 0, 0, 16, 16, 0);
    DrawPackImage(pack, b, 0, 0, 8, 4, 0);
    DrawPackImage(pack, a, 0, 0, 16, 16, 0);
    FlushPackDraws(0);
    EXPECT_EQ(rec.binds.size(), 3u);
    EXPECT_EQ(PackDrawQueueCount(), 0u);
}

TEST_F(PackDrawTest, ASixtyFifthCommandFlushesTheFullQueueInsteadOfOverflowing)
{
    for (u32 i = 0; i < kPackDrawQueueSize; ++i) DrawPackImage(pack, a, s32(i), 0, 16, 16, kDrawStretch);
    EXPECT_EQ(PackDrawQueueCount(), kPackDrawQueueSize);
    EXPECT_EQ(rec.flushes, 0);
    DrawPackImage(pack, b, 1000, 0, 8, 4, kDrawStretch);
    EXPECT_EQ(rec.flushes, 1);
    EXPECT_EQ(rec.quads.size(), kPackDrawQueueSize);
    EXPECT_EQ(PackDrawQueueCount(), 1u);
    EXPECT_EQ(PackDrawQueueCommands()[0].x, 1000);
}

TEST_F(PackDrawTest, NothingIsQueuedForAMissingImage)
{
    DrawPackImage(pack, nullptr, 0, 0, 5, 5, 0);
    DrawPackImage(nullptr, a, 0, 0, 5, 5, 0);
    EXPECT_EQ(PackDrawQueueCount(), 0u);
}
