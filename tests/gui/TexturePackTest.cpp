#include <gtest/gtest.h>

#include <vector>

#include "gui/core/TexturePack.h"
#include "tests/common/ByteBuilder.h"

namespace {

// A page recorder standing in for the texture side of a pack.
struct PageLog {
    std::vector<std::pair<u32, u32>> pages;
    std::vector<PackNode*> blits;
    std::vector<u32> blitPages;
    int refuseFrom = -1;  // newPage fails from this page on
    u32 maxSide = 1024;
};

void LogBlit(void* c, PackNode* node)
{
    PageLog* log = static_cast<PageLog*>(c);
    node->page = u16(log->pages.size() - 1);
    log->blits.push_back(node);
    log->blitPages.push_back(node->page);
}
void LogPageSize(void* c, u64 area, u32* w, u32* h)
{
    PageLog* log = static_cast<PageLog*>(c);
    ChooseAtlasPageSize(area, log->maxSide, log->maxSide, w, h);
}
int LogNewPage(void* c, u32 w, u32 h)
{
    PageLog* log = static_cast<PageLog*>(c);
    if (log->refuseFrom >= 0 && int(log->pages.size()) >= log->refuseFrom) return 0;
    log->pages.push_back({w, h});
    return 1;
}
void LogFinish(void*) {}

const PackCallbacks kLogCallbacks = {LogBlit, LogPageSize, LogNewPage, LogFinish};

struct NodeList {
    LinkedList list = {nullptr, nullptr, 0};
    std::vector<PackNode> nodes;
    explicit NodeList(std::vector<std::pair<u16, u16>> sizes, u16 flags = 0) : nodes(sizes.size())
    {
        for (size_t i = 0; i < sizes.size(); ++i) {
            nodes[i] = PackNode();
            nodes[i].width = sizes[i].first;
            nodes[i].height = sizes[i].second;
            nodes[i].packFlags = flags;
        }
        for (size_t i = 0; i < nodes.size(); ++i) {
            nodes[i].previous = i ? &nodes[i - 1] : nullptr;
            nodes[i].next = i + 1 < nodes.size() ? &nodes[i + 1] : nullptr;
        }
        list = {&nodes.front(), &nodes.back(), u32(nodes.size())};
    }
    std::vector<PackNode*> Order() const
    {
        std::vector<PackNode*> out;
        for (LinkedListNode* n = list.first; n; n = n->next) out.push_back(static_cast<PackNode*>(n));
        return out;
    }
};

std::vector<u8> PackFile(std::vector<std::tuple<u32, u16, u16>> images, u32 count = ~0u)
{
    ByteBuilder b;
    b.LE32(count == ~0u ? u32(images.size()) : count);
    for (auto& [id, w, h] : images) {
        b.Zeros(12).LE16(w).LE16(h).Zeros(8).LE32(id);
        for (u32 i = 0; i < u32(w) * h; ++i) b.U8(i).U8(id).U8(w).U8(255);
    }
    return b.bytes;
}

}  // namespace

TEST(AtlasPageSize, GrowsToSixteenFifteenthsOfTheAreaAndStaysNearlySquare)
{
    struct Case {
        u64 area;
        u32 maxSide, width, height;
    } cases[] = {
        {100, 1024, 128, 128},      {13000, 1024, 128, 128},      {16384, 1024, 256, 128},
        {40000, 1024, 256, 256},    {300000, 1024, 1024, 512},    {5000000, 1024, 1024, 1024},
        {0, 1024, 128, 128},        {1u << 20, 2048, 2048, 1024}, {70000, 64, 128, 128},
    };
    for (const Case& c : cases) {
        u32 w = 0, h = 0;
        ChooseAtlasPageSize(c.area, c.maxSide, c.maxSide, &w, &h);
        EXPECT_EQ(w, c.width) << "area " << c.area;
        EXPECT_EQ(h, c.height) << "area " << c.area;
    }
}

TEST(RectPacker, OneSmallImageGetsOneMinimalPageAtTheOrigin)
{
    NodeList nodes({{10, 10}});
    PageLog log;
    EXPECT_EQ(PackRects(kLogCallbacks, &log, &nodes.list), 1u);
    ASSERT_EQ(log.pages.size(), 1u);
    EXPECT_EQ(log.pages[0], std::make_pair(128u, 128u));
    EXPECT_EQ(nodes.nodes[0].x, 0);
    EXPECT_EQ(nodes.nodes[0].y, 0);
    EXPECT_EQ(nodes.nodes[0].packFlags, kPackPacked);
}

TEST(RectPacker, AStripTooLowForTheNextImageSendsItToASecondPage)
{
    NodeList nodes({{100, 50}, {100, 80}});
    PageLog log;
    EXPECT_EQ(PackRects(kLogCallbacks, &log, &nodes.list), 2u);
    ASSERT_EQ(log.pages.size(), 2u);
    EXPECT_EQ(log.pages[0], std::make_pair(128u, 128u));
    EXPECT_EQ(log.pages[1], std::make_pair(128u, 128u));
    // The larger one goes first.
    ASSERT_EQ(log.blits.size(), 2u);
    EXPECT_EQ(log.blits[0], &nodes.nodes[1]);
    EXPECT_EQ(log.blitPages, (std::vector<u32>{0, 1}));
    EXPECT_EQ(nodes.nodes[1].x, 0);
    EXPECT_EQ(nodes.nodes[1].y, 0);
    EXPECT_EQ(nodes.nodes[0].x, 0);
    EXPECT_EQ(nodes.nodes[0].y, 0);
    EXPECT_EQ(nodes.Order(), (std::vector<PackNode*>{&nodes.nodes[1], &nodes.nodes[0]}));
}

TEST(RectPacker, FillsTheLowerPartBeforeTheRightPart)
{
    // 64 x 64 at the origin leaves {0,64,64,64} (lower) then {64,0,64,128} (right).
    NodeList nodes({{64, 64}, {32, 32}, {32, 32}, {32, 32}});
    PageLog log;
    PackRects(kLogCallbacks, &log, &nodes.list);
    ASSERT_EQ(log.pages.size(), 1u);
    std::vector<std::pair<int, int>> places;
    for (PackNode* n : log.blits) places.push_back({n->x, n->y});
    EXPECT_EQ(places, (std::vector<std::pair<int, int>>{{0, 0}, {0, 64}, {0, 96}, {32, 64}}));
}

TEST(RectPacker, PlacedImagesNeverOverlapAndStayInsideTheirPages)
{
    std::vector<std::pair<u16, u16>> sizes;
    u32 seed = 7;
    for (int i = 0; i < 300; ++i) {
        seed = seed * 1664525 + 1013904223;
        sizes.push_back({u16(1 + (seed >> 8) % 90), u16(1 + (seed >> 20) % 40)});
    }
    NodeList nodes(sizes, kPackMayRotate);
    PageLog log;
    ASSERT_EQ(PackRects(kLogCallbacks, &log, &nodes.list), 300u);
    for (size_t i = 0; i < nodes.nodes.size(); ++i) {
        const PackNode& a = nodes.nodes[i];
        // A rotated node keeps its own size and occupies it transposed.
        u32 aw = (a.packFlags & kPackRotated) ? a.height : a.width;
        u32 ah = (a.packFlags & kPackRotated) ? a.width : a.height;
        EXPECT_EQ(a.width, sizes[i].first);
        EXPECT_LE(a.x + aw, log.pages[a.page].first);
        EXPECT_LE(a.y + ah, log.pages[a.page].second);
        for (size_t j = i + 1; j < nodes.nodes.size(); ++j) {
            const PackNode& b = nodes.nodes[j];
            if (a.page != b.page) continue;
            u32 bw = (b.packFlags & kPackRotated) ? b.height : b.width;
            u32 bh = (b.packFlags & kPackRotated) ? b.width : b.height;
            bool apart = a.x + aw <= b.x || b.x + bw <= a.x || a.y + ah <= b.y || b.y + bh <= a.y;
            ASSERT_TRUE(apart) << i << " overlaps " << j;
        }
    }
}

TEST(RectPacker, RotatableTallImagesLieWideOnThePage)
{
    NodeList nodes({{10, 40}}, kPackMayRotate);
    PageLog log;
    PackRects(kLogCallbacks, &log, &nodes.list);
    EXPECT_EQ(nodes.nodes[0].packFlags, kPackPacked | kPackMayRotate | kPackRotated);
    EXPECT_EQ(nodes.nodes[0].width, 10);
    EXPECT_EQ(nodes.nodes[0].height, 40);
}

TEST(RectPacker, AnImageLargerThanTheLargestPageIsLeftUnplacedInsteadOfLoopingForever)
{
    NodeList nodes({{300, 20}, {20, 20}});
    PageLog log;
    log.maxSide = 256;
    EXPECT_EQ(PackRects(kLogCallbacks, &log, &nodes.list), 1u);
    EXPECT_EQ(nodes.nodes[0].packFlags & kPackPacked, 0);
    EXPECT_EQ(nodes.nodes[1].packFlags & kPackPacked, kPackPacked);
    // Unplaced first, then the placed ones.
    EXPECT_EQ(nodes.Order(), (std::vector<PackNode*>{&nodes.nodes[0], &nodes.nodes[1]}));
}

TEST(RectPacker, AnImageTooTallForTheFirstPageGetsALargerOne)
{
    // 600000 pixels ask for a 1024 x 512 page, which cannot hold 600 rows.
    NodeList nodes({{1000, 600}});
    PageLog log;
    EXPECT_EQ(PackRects(kLogCallbacks, &log, &nodes.list), 1u);
    ASSERT_EQ(log.pages.size(), 1u);
    EXPECT_EQ(log.pages[0], std::make_pair(1024u, 1024u));
}

TEST(RectPacker, AFailedNewPageStopsAndLeavesTheRestUnplacedAndUnrotated)
{
    NodeList nodes({{100, 80}, {20, 100}}, kPackMayRotate);
    PageLog log;
    log.refuseFrom = 0;
    EXPECT_EQ(PackRects(kLogCallbacks, &log, &nodes.list), 0u);
    EXPECT_EQ(nodes.list.count, 2u);
    EXPECT_EQ(nodes.nodes[1].width, 20);
    EXPECT_EQ(nodes.nodes[1].height, 100);
    EXPECT_EQ(nodes.nodes[1].packFlags, kPackMayRotate);
}

TEST(TexturePackFile, ImagesReadBackWithTheirIdsSizesAndPixels)
{
    std::vector<u8> bytes = PackFile({{7, 2, 3}, {80, 1, 1}});
    FILE* f = StreamOf(bytes);
    TexturePack* pack = NewTexturePack();
    EXPECT_EQ(ReadPackImages(pack, f), u64(bytes.size()));
    ASSERT_EQ(pack->images.count, 2u);
    PackImage* a = FindPackImage(pack, 7);
    ASSERT_NE(a, nullptr);
    s32 w = 0, h = 0;
    GetPackImageSize(a, &w, &h);
    EXPECT_EQ(w, 2);
    EXPECT_EQ(h, 3);
    EXPECT_EQ(a->pixels[4 * 5 + 0], 5);
    EXPECT_EQ(a->pixels[4 * 5 + 1], 7);
    EXPECT_EQ(FindPackImage(pack, 81), nullptr);

    // Written back, the bytes are the same.
    FILE* out = tmpfile();
    EXPECT_EQ(WritePackImages(pack, out), u64(bytes.size()));
    EXPECT_EQ(ContentsOf(out), bytes);
    fclose(out);
    fclose(f);
    FreeTexturePack(pack);
}

TEST(TexturePackFile, BadFilesAreRefusedAndKeepEarlierImages)
{
    struct Case {
        const char* name;
        std::vector<u8> bytes;
    } cases[] = {
        {"empty", {}},
        {"short count", {1, 0}},
        {"count past the records", PackFile({{1, 2, 2}}, 2)},
        {"truncated pixels", [] { auto b = PackFile({{1, 4, 4}}); b.resize(b.size() - 1); return b; }()},
        {"zero width", PackFile({{1, 0, 4}})},
        {"zero height", PackFile({{1, 4, 0}})},
        {"wider than the largest page", PackFile({{1, 1025, 1}})},
        {"huge count", ByteBuilder().LE32(0xFFFFFFFF).bytes},
    };
    for (const Case& c : cases) {
        TexturePack* pack = NewTexturePack();
        AddPackImage(pack, 99, 1, 1, nullptr);
        FILE* f = StreamOf(c.bytes);
        EXPECT_EQ(ReadPackImages(pack, f), 0u) << c.name;
        EXPECT_EQ(pack->images.count, 1u) << c.name;
        EXPECT_NE(FindPackImage(pack, 99), nullptr) << c.name;
        EXPECT_EQ(pack->images.last, pack->images.first) << c.name;
        fclose(f);
        FreeTexturePack(pack);
    }
}

TEST(TexturePackFile, AMissingFileLoadsNothing)
{
    TexturePack* pack = NewTexturePack();
    EXPECT_EQ(LoadTexturePack(pack, "/nonexistent/texturepack"), 0u);
    FreeTexturePack(pack);
}

TEST(TexturePackList, RemovingARunRelinksTheNeighbours)
{
    TexturePack* pack = NewTexturePack();
    PackImage* img[5];
    for (u32 i = 0; i < 5; ++i) img[i] = AddPackImage(pack, i, 1, 1, nullptr);
    RemovePackImageRange(&pack->images, img[1], img[3]);
    EXPECT_EQ(pack->images.count, 2u);
    EXPECT_EQ(img[0]->next, img[4]);
    EXPECT_EQ(img[4]->previous, img[0]);
    RemovePackImageRange(&pack->images, img[4], nullptr);
    EXPECT_EQ(pack->images.last, img[0]);
    EXPECT_EQ(img[0]->next, nullptr);
    FreeTexturePack(pack);
}
