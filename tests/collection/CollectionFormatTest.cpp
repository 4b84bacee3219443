#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "BeBuilder.h"
#include "codex/TagHeader.h"
#include "collection/Collection.h"
#include "collection/CollectionRecords.h"

namespace {

using Bytes = std::vector<u8>;

// ---- An independent, field-by-field builder of collection tag data -------------------

Bytes ViewRecord(u32 flags, s32 rx, s32 ry, s32 kx, s32 ky, u32 bitmap, u32 hiBitmap = 0, u32 hiScale = 0,
                 s32 hx = 0, s32 hy = 0)
{
    BeBuilder b;
    b.U32(flags).Zero(8).U16(u32(rx)).U16(u32(ry)).Zero(8).U16(u32(kx)).U16(u32(ky)).U16(bitmap).U16(hiBitmap);
    b.U32(hiScale).U16(u32(hx)).U16(u32(hy)).Zero(24);
    return b.bytes;
}

Bytes ShadowRecordBytes(u32 flags, s32 x, s32 y, u32 bitmap)
{
    return BeBuilder().U32(flags).U32(u32(x)).U32(u32(y)).U16(bitmap).Zero(18).bytes;
}

struct FrameSpec {
    u32 shadow;
    u32 carried[3];
    std::vector<u32> views;
};

Bytes SequenceBlock(u32 flags, u32 views, const std::vector<FrameSpec>& frames, u32 keySound = 0xFFFFFFFF)
{
    BeBuilder b;
    b.U32(flags).U32(0x10000).U16(views).U16(u32(frames.size())).U16(4).U16(1).U16(0).U16(7).U16(8).U16(9);
    b.U32(0xFFFFFFFF).U32(keySound).U32(0xFFFFFFFF).U16(1).U16(30);
    b.U32(20 << 16).U32(u32(-10 * 65536)).U32(60 << 16).U16(1).U16(2).U16(3).Zero(6);
    for (const FrameSpec& f : frames) {
        b.U16(f.shadow).U16(f.carried[0]).U16(f.carried[1]).U16(f.carried[2]).Zero(38);
        for (u32 v : f.views) b.U16(v);
    }
    return b.bytes;
}

struct BitmapSpec {
    std::string name;
    u32 width, height;
    Bytes record;
};

struct TagSpec {
    u32 headerWord = 0xC0FFEE01;
    u32 flagsCopy = 0x22;
    u32 colorTableCount = 1;
    Bytes colors;  // 256 x {r, g, b}
    std::vector<Bytes> hues;
    std::vector<Bytes> views;
    std::vector<std::pair<std::string, Bytes>> sequences;
    std::vector<Bytes> shadows;
    std::vector<BitmapSpec> bitmaps;
};

// Lays the blocks out in the writer's order; offsets count from the end of the header.
Bytes BuildTag(const TagSpec& s)
{
    BeBuilder body;
    struct Ref { u32 count, offset, size; };
    auto block = [&](u32 count, const std::vector<Bytes>& records) {
        Ref r = {count, u32(body.Size()), 0};
        for (const Bytes& rec : records) body.Bytes(rec);
        r.size = u32(body.Size()) - r.offset;
        return r;
    };
    BeBuilder colors;
    colors.U32(256).Zero(28);
    for (u32 i = 0; i < 256; ++i) colors.U16(u32(s.colors[3 * i]) << 8).U16(u32(s.colors[3 * i + 1]) << 8).U16(u32(s.colors[3 * i + 2]) << 8).U16(0);
    Ref colorRef = block(s.colorTableCount, {colors.bytes});
    Ref hueRef = block(u32(s.hues.size()), s.hues);
    Ref viewRef = block(u32(s.views.size()), s.views);
    Ref seqDirRef = {u32(s.sequences.size()), u32(body.Size()), u32(128 * s.sequences.size())};
    body.Zero(seqDirRef.size);
    std::vector<Ref> seqRefs;
    for (auto& seq : s.sequences) seqRefs.push_back(block(1, {seq.second}));
    Ref shadowRef = block(u32(s.shadows.size()), s.shadows);
    Ref bmDirRef = {u32(s.bitmaps.size()), u32(body.Size()), u32(128 * s.bitmaps.size())};
    body.Zero(bmDirRef.size);
    std::vector<Ref> bmRefs;
    for (auto& bm : s.bitmaps) bmRefs.push_back(block(1, {bm.record}));
    for (size_t i = 0; i < s.sequences.size(); ++i) {
        BeBuilder e;
        e.Text(s.sequences[i].first.c_str(), 64).U32(seqRefs[i].offset).U32(seqRefs[i].size).Zero(56);
        memcpy(&body.bytes[seqDirRef.offset + 128 * i], e.bytes.data(), 128);
    }
    for (size_t i = 0; i < s.bitmaps.size(); ++i) {
        BeBuilder e;
        e.Text(s.bitmaps[i].name.c_str(), 64).U32(bmRefs[i].offset).U32(bmRefs[i].size).Zero(4);
        e.U16(s.bitmaps[i].width).U16(s.bitmaps[i].height).Zero(32).Zero(16);
        memcpy(&body.bytes[bmDirRef.offset + 128 * i], e.bytes.data(), 128);
    }
    BeBuilder h;
    h.U32(s.headerWord).U32(s.flagsCopy).Zero(56);
    for (Ref r : {colorRef, hueRef, bmDirRef, viewRef, seqDirRef, shadowRef}) h.U32(r.count).U32(r.offset).U32(r.size).U32(0);
    h.Zero(32).Zero(56).U32(320).U32(u32(body.Size())).Zero(64);
    return h.Bytes(body.bytes).bytes;
}

Bytes BitmapHeader(u32 w, u32 h, u32 bytesPerRow, u32 flags, u32 depth, u32 shift, u32 type)
{
    return BeBuilder().U16(w).U16(h).U16(bytesPerRow).U16(flags).U16(depth).U16(0).U16(0).U16(shift).U16(type).Zero(34).bytes;
}

Bytes Colors()
{
    Bytes c(768, 0);
    u8 e[5][3] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 255}, {0, 0, 255}, {255, 255, 255}};
    memcpy(c.data(), e, sizeof(e));
    return c;
}

// The fixture: three bitmaps (span-coded with partial alpha, raw shadow, true colour), one
// hue change, and a mirrored 3-view x 2-frame sequence with shadows, an empty cell and a
// cell with a high-resolution assignment.
TagSpec Fixture()
{
    TagSpec s;
    s.colors = Colors();
    BeBuilder hue;
    hue.Text("Cloth", 64).U16(0x5556).U16(0xAAAB).U8(0x0C).Zero(31).U16(0).U16(0x8001).U16(1).Zero(6);
    hue.U16(0xFF00).U16(0x8000).U16(0x0100).U16(1).U8(3).U8(1).U8(2).U8(3).U8(4).U8(5).U8(6).U8(7);
    s.hues = {hue.bytes};
    s.views = {
        ViewRecord(kViewPartialAlpha, 1, 2, 3, 4, 0),
        ViewRecord(0x100 | kViewPowerOfTwoRaw, 1, 1, 0, 0, 1),
        ViewRecord(0x100 | kViewPowerOfTwoRaw | kViewMirrorX, 1, 1, 0, 0, 1),
        ViewRecord(kViewHasHighRes | kViewPartialAlpha, 2, 1, 0, 0, 0, 2, 0x50000, 1, 0),
        ViewRecord(0, 20, 60, 0, 0, 0xFFFF),
        ViewRecord(kViewMirrorX, 20, 60, 0, 0, 0xFFFF),
    };
    s.sequences = {{"walk", SequenceBlock(kSequenceMirroring | kSequenceHasFrames, 3,
                                          {{0, {0x11, 0x22, 0x33}, {0, 1, 2}}, {1, {0, 0, 0}, {3, 4, 5}}},
                                          0x12345678)}};
    s.shadows = {ShadowRecordBytes(1, 0x18000, -0x8000, 1), ShadowRecordBytes(0, 0, 0, 0xFFFF)};
    BeBuilder span;
    span.Bytes(BitmapHeader(4, 2, 8, 4 | 16 | 64, 16, 1, 0)).Zero(4);
    span.U16(1).U16(2).U16(1).U16(3).U8(0).U8(1).U8(3).U8(2).U16(0).U16(0);
    BeBuilder raw;
    raw.Bytes(BitmapHeader(2, 2, 2, 0x80, 8, 0, 0)).Zero(4).U8(5).U8(0).U8(9).U8(200);
    BeBuilder trueColor;
    trueColor.Bytes(BitmapHeader(2, 1, 16, 0x4020, 64, 0, 1)).Bytes({0, 31, 30, 20, 10, 0, 0, 0});
    s.bitmaps = {{"hero span", 4, 2, span.bytes}, {"shadow raw", 2, 2, raw.bytes}, {"hires", 2, 1, trueColor.bytes}};
    return s;
}

TagHeader HeaderFor(const Bytes& data, u32 offset = 0, u32 user = 0x22)
{
    TagHeader h;
    memset(&h, 0, sizeof(h));
    strcpy(h.name, "knight");
    h.group = kCollectionGroup;
    h.offset = offset;
    h.size = u32(data.size());
    h.user = user;
    return h;
}

struct Loaded {
    std::unique_ptr<Collection> c;
    int ok;
};

Loaded Read(const Bytes& data, bool withBitmaps = true, u32 user = 0x22, u32 size = 0)
{
    FILE* f = StreamOf(data);
    TagHeader h = HeaderFor(data, 0, user);
    if (size) h.size = size;
    Loaded l = {std::unique_ptr<Collection>(new Collection()), 0};
    l.ok = f ? l.c->Read(f, &h, withBitmaps) : 0;
    if (f) fclose(f);
    return l;
}

Bytes Write(Collection& c, TagHeader* out = nullptr, int* ok = nullptr)
{
    FILE* f = tmpfile();
    TagHeader h;
    memset(&h, 0, sizeof(h));
    int r = c.Write(f, &h);
    if (ok) *ok = r;
    if (out) *out = h;
    Bytes b = ContentOf(f);
    fclose(f);
    return b;
}

}  // namespace

TEST(CollectionFormat, HandBuiltCollectionReadsIntoTheModel)
{
    Bytes data = BuildTag(Fixture());
    Loaded l = Read(data);
    ASSERT_EQ(l.ok, 1);
    Collection& c = *l.c;
    EXPECT_STREQ(c.name, "knight");
    EXPECT_EQ(c.headerWord, 0xC0FFEE01u);
    EXPECT_EQ(c.flags, 0x22u);
    EXPECT_EQ(c.colorTable.entries[2].green, 255);
    ASSERT_EQ(c.GetHueChangeCount(), 1u);
    EXPECT_STREQ(c.GetHueChange(0)->name, "Cloth");
    EXPECT_EQ(c.GetHueChange(0)->replacementMode, 3);
    EXPECT_EQ(c.GetHueChange(0)->reserved2[6], 7);

    ASSERT_EQ(c.GetBitmapCount(), 3u);
    CollectionBitmap* span = c.GetBitmap(0);
    EXPECT_STREQ(span->name, "hero span");
    const u8 spanPixels[16] = {0, 0, 255, 1, 204, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(memcmp(span->pixels, spanPixels, 16), 0);
    EXPECT_EQ(c.GetBitmap(1)->flags, kBitmapShadow);
    EXPECT_EQ(c.GetBitmap(2)->bytesPerPixel, 8);

    ASSERT_EQ(c.GetSequenceCount(), 1u);
    Sequence& s = *c.GetSequence(0);
    EXPECT_STREQ(s.name, "walk");
    EXPECT_EQ(s.keySound, 0x12345678u);
    EXPECT_EQ(s.carried2[2], 3);
    ASSERT_EQ(s.GetFrameCount(), 2u);
    ASSERT_EQ(s.GetViewCount(), 3u);
    EXPECT_EQ(s.GetFrame(0).carried[1], 0x22);
    EXPECT_EQ(s.GetBitmap(0, 0), span);
    EXPECT_EQ(s.GetFrameView(0, 0).keyY, 4);
    EXPECT_EQ(s.GetBitmap(0, 2), c.GetBitmap(1));
    EXPECT_EQ(s.GetFrame(0).shadowBitmap, c.GetBitmap(1));
    EXPECT_EQ(s.GetFrame(0).shadow.offsetY, -0x8000);
    EXPECT_EQ(s.GetFrame(1).shadowBitmap, nullptr);
    EXPECT_EQ(s.GetBitmap(1, 1), nullptr);

    const FrameView& hi = s.GetFrameView(1, 0);
    EXPECT_EQ(hi.bitmap, span);
    EXPECT_EQ(hi.standardBitmap, span);
    EXPECT_EQ(hi.highResBitmap, c.GetBitmap(2));
    EXPECT_EQ(hi.highResScale, 0x50000u);
    EXPECT_EQ(hi.activeScale, kStandardScale);
    EXPECT_EQ(hi.registrationXAsRead, 2);

    // Extents over frames: up max y = 2, left max x = 2, right max w - x = 3, down max h - y = 1.
    EXPECT_EQ(s.extentUp, 2);
    EXPECT_EQ(s.extentLeft, 2);
    EXPECT_EQ(s.extentRight, 3);
    EXPECT_EQ(s.extentDown, 1);
}

TEST(CollectionFormat, HandBuiltCollectionIsWrittenBackByteForByte)
{
    Bytes data = BuildTag(Fixture());
    Loaded l = Read(data);
    ASSERT_EQ(l.ok, 1);
    TagHeader h;
    int ok = 0;
    Bytes written = Write(*l.c, &h, &ok);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(written, data);
    EXPECT_EQ(h.group, kCollectionGroup);
    EXPECT_EQ(h.version, 4);
    EXPECT_EQ(h.user, 0x22u);
}

// The only bytes a save without edits re-codes: a view without a high-res assignment carries
// nothing in its high-res fields, and a view made new in memory (as the builders make them)
// holds index 0xFFFF there where a read one holds 0.
TEST(CollectionFormat, HighResFieldsOfViewsWithoutAnAssignmentAreWrittenZero)
{
    TagSpec s = Fixture();
    s.views[0] = ViewRecord(kViewPartialAlpha, 1, 2, 3, 4, 0, 0xFFFF, 0x50000, 7, -7);
    s.views[4] = ViewRecord(0, 20, 60, 0, 0, 0xFFFF, 0xFFFF);
    Loaded l = Read(BuildTag(s));
    ASSERT_EQ(l.ok, 1);
    EXPECT_EQ(Write(*l.c), BuildTag(Fixture()));  // the assigned view keeps its fields

    Collection fresh;
    fresh.AddSequence("new")->Resize(1, 1);
    ASSERT_EQ(fresh.GetSequence(0)->GetFrameView(0, 0).highResBitmapIndex, kNoIndex);
    TagHeader h;
    const Bytes built = Write(fresh, &h);
    Loaded again = Read(built, true, h.user);
    ASSERT_EQ(again.ok, 1);
    Bytes expected = built;
    const size_t viewHighResIndex = 320 + 2080 + 30;
    ASSERT_EQ(expected[viewHighResIndex], 0xFF);
    expected[viewHighResIndex] = expected[viewHighResIndex + 1] = 0;
    EXPECT_EQ(Write(*again.c), expected);
}

TEST(CollectionFormat, WritingAtADataOffsetLeavesTheBytesBeforeItAlone)
{
    Bytes data = BuildTag(Fixture());
    Loaded l = Read(data);
    ASSERT_EQ(l.ok, 1);
    FILE* f = StreamOf(Bytes(64, 0xAB));
    fseek(f, 0, SEEK_END);
    TagHeader h = HeaderFor(data, 64);
    ASSERT_EQ(l.c->Write(f, &h), 1);
    EXPECT_EQ(ftell(f), long(64 + data.size()));
    Bytes all = ContentOf(f);
    EXPECT_EQ(Bytes(all.begin(), all.begin() + 64), Bytes(64, 0xAB));
    EXPECT_EQ(Bytes(all.begin() + 64, all.end()), data);
    // And it reads back from there.
    h.size = u32(data.size());
    Collection again;
    ASSERT_EQ(again.Read(f, &h, true), 1);
    fclose(f);
    EXPECT_EQ(again.GetBitmapCount(), 3u);
    EXPECT_EQ(Write(again), data);
}

TEST(CollectionFormat, SavingWhileHighResIsShownKeepsTheStandardAssignment)
{
    Bytes data = BuildTag(Fixture());
    Loaded l = Read(data);
    ASSERT_EQ(l.ok, 1);
    Collection& c = *l.c;
    c.ShowHighResAssignments(true);
    const FrameView& v = c.GetSequence(0)->GetFrameView(1, 0);
    ASSERT_EQ(v.bitmap, c.GetBitmap(2));
    EXPECT_EQ(Write(c), data);
    EXPECT_EQ(v.bitmap, c.GetBitmap(2));  // the editor keeps showing what it showed
    EXPECT_EQ(v.bitmapIndex, 2);

    // Reorder and delete: both assignments keep naming the same bitmaps.
    CollectionBitmap* span = c.GetBitmap(0);
    CollectionBitmap* hires = c.GetBitmap(2);
    c.MoveBitmap(hires, 0);
    Loaded back = Read(Write(c));
    ASSERT_EQ(back.ok, 1);
    const FrameView& b = back.c->GetSequence(0)->GetFrameView(1, 0);
    EXPECT_STREQ(b.standardBitmap->name, span->name);
    EXPECT_STREQ(b.highResBitmap->name, "hires");
    EXPECT_EQ(b.registrationX, 2);
    EXPECT_EQ(b.highResRegistrationX, 1);
    c.MarkUsedBitmaps();
    EXPECT_EQ(span->used, 1u);
    EXPECT_EQ(hires->used, 1u);

    c.DeleteBitmap(hires);
    back = Read(Write(c));
    ASSERT_EQ(back.ok, 1);
    const FrameView& d = back.c->GetSequence(0)->GetFrameView(1, 0);
    EXPECT_EQ(d.highResBitmapIndex, kNoIndex);
    EXPECT_STREQ(d.bitmap->name, span->name);
}

TEST(CollectionFormat, HighResAssignmentsMadeByIndexOrByPointerAreBothStored)
{
    Bytes data = BuildTag(Fixture());
    Loaded l = Read(data);
    ASSERT_EQ(l.ok, 1);
    Collection& c = *l.c;
    u8 px[8] = {1, 2, 4, 31, 0, 0, 0, 0};
    c.AddBitmap("new hires", 0, px, 1, 1, 8, nullptr);
    c.AddBitmap("other hires", 0, px, 1, 1, 8, nullptr);
    // By index, as a builder that appends bitmaps does; the pointer still names the old one.
    c.GetSequence(0)->GetFrameView(1, 0).highResBitmapIndex = 3;
    // By pointer, on a view that had none.
    c.GetSequence(0)->GetFrameView(0, 0).SetHighResAssignment(c.GetBitmap(4), 0x50000, 3, 3);
    c.MoveBitmap(c.GetBitmap(0), 5);  // everything shifts down by one
    Loaded back = Read(Write(c));
    ASSERT_EQ(back.ok, 1);
    Sequence& s = *back.c->GetSequence(0);
    EXPECT_STREQ(s.GetFrameView(1, 0).highResBitmap->name, "new hires");
    EXPECT_STREQ(s.GetFrameView(1, 0).standardBitmap->name, "hero span");
    EXPECT_STREQ(s.GetFrameView(0, 0).highResBitmap->name, "other hires");
    EXPECT_STREQ(s.GetFrameView(0, 0).bitmap->name, "hero span");
    EXPECT_EQ(s.GetFrameView(0, 0).highResRegistrationX, 3);
}

TEST(CollectionFormat, ReadingWithoutBitmapsLeavesEveryPointerNullAndNoMirrorCopies)
{
    TagSpec s = Fixture();
    s.views[2] = ViewRecord(0, 9, 9, 0, 0, 1);
    Loaded l = Read(BuildTag(s), false);
    ASSERT_EQ(l.ok, 1);
    EXPECT_EQ(l.c->GetBitmapCount(), 0u);
    Sequence& q = *l.c->GetSequence(0);
    for (u32 f = 0; f < 2; ++f) {
        EXPECT_EQ(q.GetFrame(f).shadowBitmap, nullptr);
        for (u32 v = 0; v < 3; ++v) EXPECT_EQ(q.GetBitmap(f, v), nullptr);
    }
    EXPECT_EQ(q.GetFrameView(0, 2).registrationX, 9);
    EXPECT_EQ(q.GetFrameView(0, 2).flags, 0u);
}

TEST(CollectionFormat, MirroredViewsAreFilledFromTheirUniqueViewsWhateverWasStored)
{
    TagSpec s = Fixture();
    s.views.clear();
    for (u32 v = 0; v < 8; ++v) s.views.push_back(ViewRecord(0x40, s32(v), 7, 0, 0, v < 5 ? 0 : 1));
    s.sequences = {{"run", SequenceBlock(kSequenceMirroring | kSequenceNoRotation, 8, {{0xFFFF, {0, 0, 0}, {0, 1, 2, 3, 4, 5, 6, 7}}})}};
    s.shadows.clear();
    Loaded l = Read(BuildTag(s));
    ASSERT_EQ(l.ok, 1);
    Sequence& q = *l.c->GetSequence(0);
    EXPECT_EQ(q.flags & kSequenceNoRotation, 0u);
    for (u32 v = 5; v < 8; ++v) {
        const FrameView& m = q.GetFrameView(0, v);
        EXPECT_EQ(m.bitmap, l.c->GetBitmap(0)) << v;
        EXPECT_EQ(m.flags, 0x41u) << v;
        EXPECT_EQ(m.registrationX, s32(4 - (8 - v))) << v;  // width 4 minus the source's x
    }
    EXPECT_EQ(q.GetFrame(0).shadowBitmap, nullptr);
}

TEST(CollectionFormat, EmptyCollectionIsAHeaderAndOneColourTable)
{
    Collection c;
    TagHeader h;
    int ok = 0;
    Bytes b = Write(c, &h, &ok);
    ASSERT_EQ(ok, 1);
    TagSpec s;
    s.headerWord = 0;
    s.flagsCopy = 6;
    s.colors = Bytes(768, 0);
    EXPECT_EQ(b, BuildTag(s));
    ASSERT_EQ(b.size(), 2400u);
    EXPECT_EQ(b[255], 0x20);  // total size 2080
    EXPECT_EQ(b[254], 0x08);
    EXPECT_EQ(h.user, 6u);
}

TEST(CollectionFormat, EveryCellAndFrameGetsItsOwnRecord)
{
    Collection c;
    CollectionBitmap* b = c.AddBitmap("b", 0, nullptr, 1, 1, 2, nullptr);
    Sequence* s = c.AddSequence("s");
    s->Resize(1, 2);
    s->GetFrameView(0, 0).bitmap = s->GetFrameView(1, 0).bitmap = b;
    Bytes data = Write(c);
    Loaded l = Read(data);
    ASSERT_EQ(l.ok, 1);
    // Header references at 112 (FrameView table) and 144 (shadows): two records each.
    EXPECT_EQ(data[115], 2);
    EXPECT_EQ(data[147], 2);
    EXPECT_EQ(l.c->GetSequence(0)->GetBitmap(1, 0), l.c->GetBitmap(0));
}

TEST(CollectionFormat, BitmapNamesAreStoredWithAtMost62Characters)
{
    Collection c;
    std::string name(63, 'x');
    c.AddBitmap(name.c_str(), 0, nullptr, 1, 1, 2, nullptr);
    Loaded l = Read(Write(c));
    ASSERT_EQ(l.ok, 1);
    EXPECT_EQ(std::string(l.c->GetBitmap(0)->name), std::string(62, 'x'));
}

TEST(CollectionFormat, ColourMapsReadOddBitmapsAsShadows)
{
    TagSpec s = Fixture();
    s.bitmaps.push_back(s.bitmaps[1]);
    Loaded l = Read(BuildTag(s), true, 0x100);
    ASSERT_EQ(l.ok, 1);
    EXPECT_EQ(l.c->GetBitmap(0)->flags & kBitmapShadow, 0);
    EXPECT_EQ(l.c->GetBitmap(1)->flags & kBitmapShadow, kBitmapShadow);
    EXPECT_EQ(l.c->GetBitmap(2)->flags & kBitmapShadow, 0);
    EXPECT_EQ(l.c->GetBitmap(3)->flags & kBitmapShadow, kBitmapShadow);
}

TEST(CollectionFormat, UndecodableBitmapsBecomeANamedCheckerboard)
{
    TagSpec s = Fixture();
    s.bitmaps[0].record[15] = 2;  // shift 2
    s.bitmaps[1].record.resize(20);
    Loaded l = Read(BuildTag(s), true, 0x100);  // a colour map: bitmap 1 is a shadow
    ASSERT_EQ(l.ok, 1);
    for (u32 i = 0; i < 2; ++i) {
        CollectionBitmap* b = l.c->GetBitmap(i);
        EXPECT_EQ(b->width, 256);
        EXPECT_EQ(b->height, 256);
        EXPECT_EQ(b->bytesPerPixel, 2);
        EXPECT_EQ(b->pixels[0], 255);
    }
    EXPECT_STREQ(l.c->GetBitmap(0)->name, "hero span");
    // The nearest colours to white and black (from index 1 on) where (x ^ y) & 16 is set
    // and clear; a shadow placeholder uses the darkness levels 255 and 0.
    CollectionBitmap* b = l.c->GetBitmap(0);
    EXPECT_EQ(b->pixels[2 * 16 + 1], 4);
    EXPECT_EQ(b->pixels[1], 5);
    EXPECT_EQ(l.c->GetBitmap(1)->pixels[2 * 16 + 1], 255);
    EXPECT_EQ(l.c->GetBitmap(1)->pixels[1], 0);
}

namespace {

// Offsets in the fixture's data (header 320, then colour table 2080, hue 128, views 6 x 64,
// sequence directory 128, the 168-byte sequence block, shadows 2 x 32, bitmap directory
// 3 x 128, then the bitmaps).
constexpr size_t kViews = 320 + 2080 + 128;
constexpr size_t kSeqDir = kViews + 6 * 64;
constexpr size_t kSeqBlock = kSeqDir + 128;
constexpr size_t kBitmapDir = kSeqBlock + 168 + 64;

Bytes Patched(Bytes b, size_t at, u32 value, int width)
{
    for (int i = width - 1; i >= 0; --i, value >>= 8) b.at(at + size_t(i)) = u8(value);
    return b;
}

}  // namespace

TEST(CollectionFormat, CountsOffsetsAndSizesPastTheDataFailTheRead)
{
    Bytes good = BuildTag(Fixture());
    ASSERT_EQ(Read(good).ok, 1);
    struct Case {
        const char* what;
        Bytes data;
    } cases[] = {
        {"colour table count 0", Patched(good, 64, 0, 4)},
        {"colour tables past the data", Patched(good, 64, 3, 4)},
        {"hue changes past the data", Patched(good, 80, 0x01000000, 4)},
        {"view table count huge", Patched(good, 112, 0xFFFFFFFF, 4)},
        {"view table offset past the end", Patched(good, 116, 0xFFFFFFF0, 4)},
        {"shadow count past the data", Patched(good, 144, 5000, 4)},
        {"bitmap directory past the data", Patched(good, 96, 100, 4)},
        {"data start past the data", Patched(good, 248, 0x7FFFFFFF, 4)},
        {"sequence block past the data", Patched(good, kSeqDir + 68, 0x10000, 4)},
        {"sequence block shorter than its frames", Patched(good, kSeqDir + 68, 100, 4)},
        {"frame count past the block", Patched(good, kSeqBlock + 10, 3, 2)},
        {"view count past the block", Patched(good, kSeqBlock + 8, 60000, 2)},
        {"cut short", Bytes(good.begin(), good.end() - 200)},
        {"shorter than a header", Bytes(good.begin(), good.begin() + 300)},
    };
    for (const Case& c : cases) {
        // The header claims the data's own size, so only the stored numbers can be wrong.
        EXPECT_EQ(Read(c.data).ok, 0) << c.what;
    }
    EXPECT_EQ(Read(good, true, 0x22, u32(good.size() + 1)).ok, 0) << "tag header size past the stream";
}

TEST(CollectionFormat, BitmapsThatDecodeToFarMoreMemoryThanTheirBytesFailTheRead)
{
    // 32767 x 512 span-coded rows that are all empty: 4 KiB of record, 32 MiB of pixels.
    BeBuilder wide;
    wide.Bytes(BitmapHeader(32767, 512, 32767, 4 | 64, 8, 0, 0)).Zero(4 * 511);
    for (int y = 0; y < 512; ++y) wide.U32(0);
    TagSpec s = Fixture();
    s.sequences.clear();
    s.views.clear();
    s.shadows.clear();
    s.bitmaps = {{"wide", 32767, 512, wide.bytes}};
    Loaded one = Read(BuildTag(s));
    ASSERT_EQ(one.ok, 1);
    EXPECT_EQ(one.c->GetBitmap(0)->width, 32767);
    s.bitmaps.assign(10, s.bitmaps[0]);
    EXPECT_EQ(Read(BuildTag(s)).ok, 0);
    EXPECT_EQ(Read(BuildTag(s), false).ok, 1);
}

TEST(CollectionFormat, IndicesPastTheirTablesBecomeNone)
{
    Bytes good = BuildTag(Fixture());
    Bytes data = Patched(good, kSeqBlock + 64 + 46 + 2, 99, 2);                      // frame 0 view 1
    data = Patched(data, kSeqBlock + 64 + 52, 7, 2);                               // frame 1 shadow
    data = Patched(data, kViews + 3 * 64 + 28, 50, 2);                             // high-res cell's bitmap
    data = Patched(data, kViews + 3 * 64 + 30, 0xFFFE, 2);                         // its high-res bitmap
    data = Patched(data, kViews + 0 * 64 + 28, 3, 2);                              // one past the last bitmap
    data = Patched(data, kBitmapDir + 128 + 64, 0xFFFF0000, 4);                    // bitmap 1 outside the data
    Loaded l = Read(data);
    ASSERT_EQ(l.ok, 1);
    Sequence& s = *l.c->GetSequence(0);
    EXPECT_EQ(s.GetBitmap(0, 1), nullptr);
    EXPECT_EQ(s.GetFrame(0).viewIndices[1], kNoIndex);
    EXPECT_EQ(s.GetFrame(1).shadowRecordIndex, kNoIndex);
    EXPECT_EQ(s.GetFrame(1).shadowBitmap, nullptr);
    EXPECT_EQ(s.GetBitmap(1, 0), nullptr);
    EXPECT_EQ(s.GetFrameView(1, 0).highResBitmap, nullptr);
    EXPECT_EQ(s.GetBitmap(0, 0), nullptr);
    EXPECT_EQ(l.c->GetBitmap(1)->width, 256);  // placeholder
    // Mirror fill copies the missing view without touching a bitmap.
    EXPECT_EQ(s.GetBitmap(0, 2), nullptr);
}

TEST(CollectionFormat, WriterRefusesIndicesThatDoNotFitSixteenBits)
{
    Collection c;
    Sequence* a = c.AddSequence("a");
    Sequence* b = c.AddSequence("b");
    a->Resize(40000, 1);
    b->Resize(40000, 1);
    int ok = 1;
    Write(c, nullptr, &ok);
    EXPECT_EQ(ok, 0);

    Collection many;
    for (u32 i = 0; i < 65536; ++i) many.AddBitmap("", 0, nullptr, 1, 1, 2, nullptr);
    Sequence* s = many.AddSequence("s");
    s->GetFrameView(0, 0).bitmap = many.GetBitmap(65535);
    Write(many, nullptr, &ok);
    EXPECT_EQ(ok, 0);
    s->GetFrameView(0, 0).bitmap = many.GetBitmap(65534);
    Write(many, nullptr, &ok);
    EXPECT_EQ(ok, 1);
}

TEST(CollectionFormat, LoadCollectionAnswersNullForBadData)
{
    Bytes good = BuildTag(Fixture());
    for (const Bytes& d : {good, Patched(good, 64, 0, 4)}) {
        FILE* f = StreamOf(d);
        TagHeader h = HeaderFor(d);
        Collection* c = LoadCollection(f, &h);
        fclose(f);
        EXPECT_EQ(c != nullptr, &d == &good || d == good);
        delete c;
    }
}
