// The whole-collection clean-ups: which bitmaps go, where their references end up, and what
// each operation counts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "collection/CollectionOptimize.h"

namespace {

// A w x h bitmap whose pixel bytes are all `fill`, with pixel byte `at` set to `mark`.
CollectionBitmap* Add(Collection& c, const char* name, u32 w, u32 h, u32 bpp, u16 flags, u8 fill, u64 at = ~0ull,
                      u8 mark = 0)
{
    std::vector<u8> px(size_t(w) * h * bpp, fill);
    if (at < px.size()) px[at] = mark;
    return c.AddBitmap(name, flags, px.data(), w, h, bpp, nullptr);
}

std::vector<std::string> Names(const Collection& c)
{
    std::vector<std::string> out;
    for (const CollectionBitmap* b : c.bitmaps) out.push_back(b->name);
    return out;
}

}  // namespace

TEST(CollectionOptimize, IdenticalComparesEveryPixelByteAtTheBitmapsOwnSize)
{
    struct Case {
        const char* what;
        u32 w, h, bpp;
        u16 flagsB;
        u32 wB, hB;
        u64 differAt;  // pixel byte of b that differs, or none
        bool identical;
    } cases[] = {
        {"equal indexed", 4, 3, 2, 0, 4, 3, ~0ull, true},
        {"equal true colour", 4, 3, 8, kBitmapTrueColor, 4, 3, ~0ull, true},
        {"indexed, last byte", 4, 3, 2, 0, 4, 3, 4 * 3 * 2 - 1, false},
        {"indexed, first byte", 4, 3, 2, 0, 4, 3, 0, false},
        // Past width x height x 2 bytes: only a full-size comparison sees it.
        {"true colour, last byte", 4, 3, 8, kBitmapTrueColor, 4, 3, 4 * 3 * 8 - 1, false},
        {"true colour, past the first quarter", 4, 3, 8, kBitmapTrueColor, 4, 3, 4 * 3 * 2 + 5, false},
        {"flags differ", 4, 3, 2, kBitmapSpanRows, 4, 3, ~0ull, false},
        {"same pixel count, other shape", 4, 3, 2, 0, 2, 6, ~0ull, false},
    };
    for (const Case& k : cases) {
        Collection c;
        u16 flagsA = k.bpp == 8 ? kBitmapTrueColor : 0;
        CollectionBitmap* a = Add(c, "a", k.w, k.h, k.bpp, flagsA, 7);
        CollectionBitmap* b = Add(c, "b", k.wB, k.hB, k.bpp, k.flagsB, 7, k.differAt, 9);
        EXPECT_EQ(k.identical, BitmapsIdentical(*a, *b)) << k.what;
        if (k.identical) {
            EXPECT_EQ(HashBitmap(*a), HashBitmap(*b)) << k.what;
        }
        EXPECT_EQ(k.identical ? 1u : 0u, MergeIdenticalBitmaps(c)) << k.what;
        EXPECT_EQ(k.identical ? 1u : 2u, c.GetBitmapCount()) << k.what;
    }
}

// Bitmaps A0 A1 X A2 A3 where the A are identical. Views show A1 (shown), A2 (standard
// assignment, hidden) and A3 (high-res assignment, hidden); a frame shadow is A3; X stays.
TEST(CollectionOptimize, MergeKeepsTheFirstOfEachKindAndRepointsEveryReference)
{
    Collection c;
    CollectionBitmap* a0 = Add(c, "A0", 8, 8, 2, 0, 3);
    CollectionBitmap* a1 = Add(c, "A1", 8, 8, 2, 0, 3);
    CollectionBitmap* x = Add(c, "X", 8, 8, 2, 0, 4);
    CollectionBitmap* a2 = Add(c, "A2", 8, 8, 2, 0, 3);
    CollectionBitmap* a3 = Add(c, "A3", 8, 8, 2, 0, 3);
    Sequence* s = c.AddSequence("walk");
    s->Resize(2, 2);
    s->GetFrameView(0, 0).bitmap = a1;
    s->GetFrameView(0, 1).bitmap = x;
    FrameView& hr = s->GetFrameView(1, 0);
    hr.bitmap = hr.standardBitmap = a2;
    hr.SetHighResAssignment(a3, 0x50000, 1, 1);
    s->GetFrame(1).shadowBitmap = a3;

    EXPECT_EQ(3u, MergeIdenticalBitmaps(c));
    EXPECT_EQ((std::vector<std::string>{"A0", "X"}), Names(c));
    EXPECT_EQ(a0, s->GetFrameView(0, 0).bitmap);
    EXPECT_EQ(0, s->GetFrameView(0, 0).bitmapIndex);
    EXPECT_EQ(x, s->GetFrameView(0, 1).bitmap);
    EXPECT_EQ(a0, hr.bitmap);
    EXPECT_EQ(a0, hr.standardBitmap);
    EXPECT_EQ(a0, hr.highResBitmap);
    EXPECT_EQ(0, hr.highResBitmapIndex);
    EXPECT_EQ(0, hr.bitmapIndexAsRead);
    EXPECT_EQ(a0, s->GetFrame(1).shadowBitmap);
    EXPECT_EQ(0, s->GetFrame(1).shadow.bitmapIndex);
    EXPECT_EQ(0u, MergeIdenticalBitmaps(c));

    Collection empty;
    EXPECT_EQ(0u, MergeIdenticalBitmaps(empty));
}

TEST(CollectionOptimize, RedirectRepointsBothHiddenAssignmentsAndTheShadow)
{
    Collection c;
    CollectionBitmap* from = Add(c, "from", 2, 2, 2, 0, 1);
    CollectionBitmap* other = Add(c, "other", 2, 2, 2, 0, 2);
    CollectionBitmap* to = Add(c, "to", 2, 2, 2, 0, 3);
    Sequence* s = c.AddSequence("s");
    FrameView& v = s->GetFrameView(0, 0);
    v.bitmap = v.standardBitmap = other;
    v.SetHighResAssignment(from, 0x50000, 0, 0);
    s->GetFrame(0).shadowBitmap = from;
    RedirectBitmap(c, from, to);
    EXPECT_EQ(other, v.bitmap);
    EXPECT_EQ(to, v.highResBitmap);
    EXPECT_EQ(2, v.highResBitmapIndex);
    EXPECT_EQ(to, s->GetFrame(0).shadowBitmap);
    EXPECT_EQ(2, s->GetFrame(0).shadow.bitmapIndex);
}

TEST(CollectionOptimize, DeleteUnusedKeepsBitmapsOnlyAHiddenAssignmentOrAShadowUses)
{
    Collection c;
    Add(c, "unused first", 2, 2, 2, 0, 1);
    CollectionBitmap* shown = Add(c, "shown", 2, 2, 2, 0, 1);
    CollectionBitmap* highRes = Add(c, "high-res only", 2, 2, 2, 0, 1);
    Add(c, "unused middle", 2, 2, 2, 0, 1);
    CollectionBitmap* shadow = Add(c, "shadow", 2, 2, 2, kBitmapShadow, 1);
    Add(c, "unused last", 2, 2, 2, 0, 1);
    Sequence* s = c.AddSequence("s");
    FrameView& v = s->GetFrameView(0, 0);
    v.bitmap = v.standardBitmap = shown;
    v.SetHighResAssignment(highRes, 0x50000, 0, 0);
    s->GetFrame(0).shadowBitmap = shadow;

    EXPECT_EQ(3u, DeleteUnusedBitmaps(c));
    EXPECT_EQ((std::vector<std::string>{"shown", "high-res only", "shadow"}), Names(c));
    EXPECT_EQ(highRes, v.highResBitmap);
    EXPECT_EQ(1, v.highResBitmapIndex);
    EXPECT_EQ(0u, DeleteUnusedBitmaps(c));
    Collection empty;
    EXPECT_EQ(0u, DeleteUnusedBitmaps(empty));
}

TEST(CollectionOptimize, CropAllCropsBothPixelSizesAndDeletesBlankBitmaps)
{
    Collection c;
    // 6 x 5 indexed, one visible pixel at (2, 1): cropped to 1 x 1.
    CollectionBitmap* indexed = Add(c, "indexed", 6, 5, 2, 0, 0, (1 * 6 + 2) * 2, 255);
    CollectionBitmap* blank = Add(c, "blank", 3, 3, 2, 0, 0);
    // 6 x 5 true colour, one visible pixel (alpha in the control byte) in the last row.
    CollectionBitmap* tc = Add(c, "true colour", 6, 5, 8, kBitmapTrueColor, 0, (4 * 6 + 5) * 8 + 3, 31);
    Sequence* s = c.AddSequence("s");
    s->GetFrameView(0, 0).bitmap = blank;

    CropAllResult r = CropAllBitmaps(c);
    EXPECT_EQ(3u, r.cropped);
    EXPECT_EQ(1u, r.removed);
    EXPECT_EQ(29u + 9u + 29u, r.pixelsRemoved);
    EXPECT_EQ(0u, r.outOfMemory);
    EXPECT_EQ((std::vector<std::string>{"indexed", "true colour"}), Names(c));
    EXPECT_EQ(nullptr, s->GetFrameView(0, 0).bitmap);
    EXPECT_EQ(1, indexed->width);
    EXPECT_EQ(1, tc->width);
    EXPECT_EQ(1, tc->height);
    EXPECT_EQ(31, tc->pixels[3] & 31);
}

TEST(CollectionOptimize, AutoRenameNamesEachBitmapAfterTheFirstCellShowingIt)
{
    struct Case {
        u32 views, frames;
        u32 flags;
        std::vector<std::string> names;  // of the bitmaps cell by cell (frame, then view)
    } cases[] = {
        {1, 1, 0, {"run"}},
        {1, 3, 0, {"run 00", "run 01", "run 02"}},
        {2, 1, 0, {"run 00", "run 01"}},
        {2, 2, 0, {"run 00~00", "run 00~01", "run 01~00", "run 01~01"}},
        // Mirroring: 4 views, 3 unique; the mirrored view's bitmap stays as it was.
        {4, 1, kSequenceMirroring, {"run 00", "run 01", "run 02", "b3"}},
    };
    for (const Case& k : cases) {
        Collection c;
        Sequence* s = c.AddSequence("run");
        s->SetFlags(k.flags);
        s->Resize(k.views, k.frames);
        u32 n = 0;
        for (u32 f = 0; f < k.frames; ++f)
            for (u32 v = 0; v < k.views; ++v) {
                std::string name = "b" + std::to_string(n++);
                s->GetFrameView(f, v).bitmap = Add(c, name.c_str(), 1, 1, 2, 0, 1);
            }
        EXPECT_EQ(u32(k.names.size()) - (k.flags ? 1 : 0), AutoRenameBitmaps(c)) << k.views << "x" << k.frames;
        EXPECT_EQ(k.names, Names(c)) << k.views << "x" << k.frames;
        EXPECT_EQ(0u, AutoRenameBitmaps(c));
    }
}

TEST(CollectionOptimize, AutoRenameLeavesShadowsAndTakesTheFirstSequence)
{
    Collection c;
    CollectionBitmap* shared = Add(c, "shared", 1, 1, 2, 0, 1);
    CollectionBitmap* shadow = Add(c, "shadow", 1, 1, 2, kBitmapShadow, 1);
    Sequence* first = c.AddSequence("first");
    Sequence* second = c.AddSequence("second");
    second->GetFrameView(0, 0).bitmap = shared;
    first->GetFrameView(0, 0).bitmap = shared;
    first->GetFrame(0).shadowBitmap = shadow;
    EXPECT_EQ(1u, AutoRenameBitmaps(c));
    EXPECT_EQ((std::vector<std::string>{"first", "shadow"}), Names(c));
}

TEST(CollectionOptimize, RuntimeSizeSumsInSixtyFourBits)
{
    Collection c;
    EXPECT_EQ(0u, GetRuntimeSize(c).exactPixels);
    EXPECT_EQ(0u, GetRuntimeSize(c).powerOfTwoPixels);
    Add(c, "a", 100, 50, 2, 0, 0);
    EXPECT_EQ(5000u, GetRuntimeSize(c).exactPixels);
    EXPECT_EQ(8192u, GetRuntimeSize(c).powerOfTwoPixels);
    Add(c, "b", 64, 1, 2, 0, 0);
    EXPECT_EQ(5064u, GetRuntimeSize(c).exactPixels);
    EXPECT_EQ(8256u, GetRuntimeSize(c).powerOfTwoPixels);

    // Only the sizes are read, so small bitmaps stand in for 2,000 of 4096 x 4096.
    Collection big;
    for (int i = 0; i < 2000; ++i) {
        CollectionBitmap* b = Add(big, "x", 1, 1, 2, 0, 0);
        b->width = b->height = 4096;
    }
    EXPECT_EQ(2000ull * 4096 * 4096, GetRuntimeSize(big).exactPixels);
    EXPECT_EQ(2000ull * 4096 * 4096, GetRuntimeSize(big).powerOfTwoPixels);
}
