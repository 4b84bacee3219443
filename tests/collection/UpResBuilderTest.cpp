// Giving a collection high-resolution bitmaps from folders of renderings, written as a local
// tag and read back with the collection reader.
#include <cmath>

#include "codex/Archive.h"
#include "codex/LocalFolder.h"
#include "collection/Collection.h"
#include "collection/UpResBuilder.h"
#include "collection/SequenceScript.h"
#include "foundation/StringUtil.h"
#include "tests/codex/CodexFixture.h"
#include "tests/collection/BuildSourceFolder.h"

namespace {

const u32 kColl = FourCC(".256");

// A rendering w x h, transparent outside the opaque box; colour (r, g, b).
struct Rendering {
    u32 width = 32, height = 32;
    u32 boxX = 0, boxY = 0, boxW = 32, boxH = 32;
    u8 r = 200, g = 40, b = 40;
};

bool WriteRendering(const std::string& path, const Rendering& s, bool rgbOnly = false)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    FileRecord f(path.c_str());
    f.kind = kFileKindImage;
    f.format = kFileFormatPng;
    u32 bpp = rgbOnly ? 3 : 4;
    std::vector<u8> px(size_t(s.width) * s.height * bpp, 0);
    for (u32 y = s.boxY; y < s.boxY + s.boxH && y < s.height; ++y)
        for (u32 x = s.boxX; x < s.boxX + s.boxW && x < s.width; ++x) {
            u8* p = &px[(size_t(y) * s.width + x) * bpp];
            p[0] = s.r;
            p[1] = s.g;
            p[2] = s.b;
            if (!rgbOnly) p[3] = 255;
        }
    if (!f.image.Create(s.width, s.height, rgbOnly ? kImageRgb : kImageRgba, px.data())) return false;
    return f.Save() != 0;
}

class UpResBuilderTest : public CodexTest {
public:
    void SetUp() override
    {
        CodexTest::SetUp();
        ASSERT_TRUE(SetLocalFolder(Local().c_str()));
        renders = root + "renders/";
        std::filesystem::create_directories(renders);
    }
    void TearDown() override
    {
        delete read;
        CodexTest::TearDown();
    }

    // A collection with one standard bitmap of w x h per cell (all opaque, index 5) and the
    // given registration point in every cell.
    static Collection* MakeCollection(const char* sequence, u32 views, u32 frames, u32 w = 8, u32 h = 8, s16 rx = 4,
                                      s16 ry = 6, bool mirroring = false)
    {
        Collection* c = new Collection;
        strcpy(c->name, "Rocks");
        Sequence* s = c->AddSequence(sequence);
        if (mirroring) s->SetFlags(s->GetFlags() | kSequenceMirroring);
        s->Resize(views, frames);
        std::vector<u8> px(size_t(w) * h * 2);
        for (size_t i = 0; i < px.size(); i += 2) {
            px[i] = 255;
            px[i + 1] = 5;
        }
        for (u32 f = 0; f < frames; ++f)
            for (u32 v = 0; v < views; ++v) {
                px[1] = u8(10 + f * views + v);  // every bitmap its own
                CollectionBitmap* b = c->AddBitmap(FormatString("std%u_%u", f, v).c_str(), 0, px.data(), w, h, 2, nullptr);
                FrameView& view = s->GetFrameView(f, v);
                view.bitmap = b;
                view.registrationX = rx;
                view.registrationY = ry;
            }
        return c;
    }

    static Bytes CollectionBytes(Collection& c)
    {
        FILE* f = tmpfile();
        TagHeader h = {};
        EXPECT_TRUE(c.Write(f, &h));
        Bytes out(size_t(ftell(f)));
        rewind(f);
        EXPECT_EQ(fread(out.data(), 1, out.size(), f), out.size());
        fclose(f);
        return out;
    }

    TagEntry* WriteLocalCollection(Collection* c)
    {
        TagHeader h;
        TagEntry* e = CreateTag(kColl, kNoTagId, c->name, &h, true);
        EXPECT_TRUE(e);
        FILE* f = BeginTagWrite(e, &h, nullptr);
        EXPECT_TRUE(FinishTagWrite(e, &h, f && c->Write(f, &h)));
        delete c;
        return e;
    }

    int Run(TagEntry* e, double target = 2.0, u32 align = 0, bool fromArchive = false, double tolerance = 0.05,
            u32 order = kOrderViewsThenFrames)
    {
        UpResArgs args{e, renders.c_str(), target, tolerance, align, order, false, fromArchive, &Count, this};
        int ok = UpRes(args);
        delete read;
        TagHeader h;
        read = LoadCollection(OpenTag(e, &h), &h);
        CloseTagReader(e);
        return ok;
    }
    static void Count(void* self) { ++static_cast<UpResBuilderTest*>(self)->steps; }

    // Renderings 4x the standard size for every cell; cell k coloured by k so none is shared.
    void WriteCells(const char* sequence, u32 count, const Rendering& base = Rendering{})
    {
        for (u32 k = 0; k < count; ++k) {
            Rendering r = base;
            r.g = u8(20 + 10 * k);
            ASSERT_TRUE(WriteRendering(renders + sequence + FormatString("/cell%02u.png", k).c_str(), r));
        }
    }

    FrameView& View(u32 frame, u32 view) { return read->GetSequence(0)->GetFrameView(frame, view); }

    std::string renders;
    Collection* read = nullptr;
    u32 steps = 0;
};

TEST_F(UpResBuilderTest, FourTimesRenderingsAtTargetTwoAreHalvedAndAssignedAtScaleFive)
{
    TagEntry* e = WriteLocalCollection(MakeCollection("walk", 2, 2));
    WriteCells("walk", 4);
    ASSERT_EQ(Run(e), 1);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->GetBitmapCount(), 8u);
    for (u32 i = 0; i < 4; ++i) {
        CollectionBitmap* b = read->GetBitmap(4 + i);
        EXPECT_EQ(b->bytesPerPixel, 8u);
        EXPECT_EQ(b->width, 16u);
        EXPECT_EQ(b->height, 16u);
        EXPECT_EQ(std::string(b->name), FormatString("cell%02u.png", i).c_str());
    }
    for (u32 f = 0; f < 2; ++f)
        for (u32 v = 0; v < 2; ++v) {
            FrameView& view = View(f, v);
            EXPECT_TRUE(view.flags & kViewHasHighRes);
            EXPECT_EQ(view.highResScale, 0x50000u);
            EXPECT_EQ(view.highResBitmap, read->GetBitmap(4 + f * 2 + v));
            // Standard assignment unchanged: its own bitmap, its point.
            EXPECT_EQ(read->IndexOfBitmap(view.standardBitmap), int(f * 2 + v));
            EXPECT_EQ(view.registrationXAsRead, 4);
            EXPECT_EQ(view.registrationYAsRead, 6);
            // Standard point (4, 6) of an 8 x 8 bitmap on the 16 x 16 box at scale 2: the
            // box's centre is taken at (left + right + 1) / 2 with right = left + width.
            EXPECT_EQ(view.highResRegistrationX, 9);
            EXPECT_EQ(view.highResRegistrationY, 13);
        }
    EXPECT_EQ(read->GetBitmap(0)->bytesPerPixel, 2u);
    EXPECT_EQ(read->GetBitmap(0)->width, 8u);
    EXPECT_GE(steps, 4u);
    EXPECT_TRUE(Logged("computed global scale: 4.00\n"));
    EXPECT_TRUE(Logged("4 instances, 4 unique\n"));
    EXPECT_TRUE(Logged("scanning sequence 'walk'\n"));
}

TEST_F(UpResBuilderTest, ATargetAtTheComputedScaleIsFatalAndWritesNothing)
{
    TagEntry* e = WriteLocalCollection(MakeCollection("walk", 1, 1));
    WriteCells("walk", 1);
    Bytes before = TagData(e);
    EXPECT_EQ(Run(e, 4.0), 0);
    EXPECT_EQ(TagData(e), before);
    bool fatal = false;
    for (const LogLine& l : logs)
        if (l.text == "FATAL: computed scale (4.00) must not be less than the target scale (4.00).\n")
            fatal = l.level == 1;
    EXPECT_TRUE(fatal);
}

TEST_F(UpResBuilderTest, MirroredSequencesTakeRenderingsForTheirUniqueViewsOnly)
{
    TagEntry* e = WriteLocalCollection(MakeCollection("turn", 8, 1, 8, 8, 4, 6, true));
    WriteCells("turn", 5);
    ASSERT_EQ(Run(e), 1);
    EXPECT_TRUE(Logged("5 instances, 5 unique\n"));
    EXPECT_EQ(read->GetBitmapCount(), 8u + 5u);
    // Views 5 to 7 are the mirror images of views 3 to 1, assignments included.
    for (u32 v = 0; v < 5; ++v) EXPECT_EQ(View(0, v).highResBitmap, read->GetBitmap(8 + v)) << v;
    for (u32 v = 5; v < 8; ++v) {
        EXPECT_EQ(View(0, v).highResBitmap, View(0, 8 - v).highResBitmap) << v;
        EXPECT_TRUE(View(0, v).flags & kViewMirrorX) << v;
    }
}

TEST_F(UpResBuilderTest, BadRenderingsLeaveTheirCellsWithoutHighRes)
{
    TagEntry* e = WriteLocalCollection(MakeCollection("walk", 4, 1));
    WriteCells("walk", 1);
    // Cell 1: RGB without an alpha image; cell 2: RGB with a grey alpha image; cell 3 paletted.
    Rendering r;
    ASSERT_TRUE(WriteRendering(renders + "walk/cell01.png", r, true));
    r.g = 99;
    ASSERT_TRUE(WriteRendering(renders + "walk/cell02.png", r, true));
    SourceImage alpha;
    alpha.width = alpha.height = 32;
    alpha.boxW = alpha.boxH = 32;
    ASSERT_TRUE(WriteAlphaImage(renders + "walk/cell02.alpha.png", alpha, 255, kFileFormatPng));
    SourceImage paletted;
    paletted.width = paletted.height = 32;
    ASSERT_TRUE(WriteIndexedImage(renders + "walk/cell03.png", paletted, kFileFormatPng));
    ASSERT_EQ(Run(e), 1);
    EXPECT_TRUE(View(0, 0).flags & kViewHasHighRes);
    EXPECT_FALSE(View(0, 1).flags & kViewHasHighRes);
    EXPECT_TRUE(View(0, 2).flags & kViewHasHighRes);
    EXPECT_FALSE(View(0, 3).flags & kViewHasHighRes);
    EXPECT_TRUE(Logged(("ERROR: could not create UpRes bitmap instance for '" + renders +
                        "walk/cell01.png' (bad format?)\n").c_str()));
    EXPECT_TRUE(Logged("cell03.png' (bad format?)\n"));
}

TEST_F(UpResBuilderTest, IdenticalRenderingsShareOneBitmap)
{
    TagEntry* e = WriteLocalCollection(MakeCollection("walk", 2, 1));
    Rendering r;
    ASSERT_TRUE(WriteRendering(renders + "walk/a.png", r));
    ASSERT_TRUE(WriteRendering(renders + "walk/b.png", r));
    ASSERT_EQ(Run(e), 1);
    EXPECT_EQ(read->GetBitmapCount(), 3u);
    EXPECT_EQ(View(0, 0).highResBitmap, View(0, 1).highResBitmap);
    EXPECT_TRUE(Logged("2 instances, 1 unique\n"));
}

// The build's steps on a collection in memory; between runs after the scale estimate, before
// the renderings are loaded again for the reduction.
template <class Between>
void BuildInMemory(UpResContext& context, Between between)
{
    context.targetScale = 2.0;
    context.log = "UpRes test";
    ScanUpResSequences(context);
    ASSERT_TRUE(ComputeGlobalScale(context, 0.05));
    between();
    DownsampleAll(context);
    AlignUpResFrames(context);
    WriteUpResBitmaps(context);
    AssignHighResFrameViews(context);
}

TEST_F(UpResBuilderTest, RenderingsAreHeldDecodedOneOrTwoAtATime)
{
    // Ten unique renderings and two copies of the first: a copy is confirmed by loading the
    // kept one again beside it.
    Collection* c = MakeCollection("walk", 1, 12);
    WriteCells("walk", 10);
    Rendering first;
    first.g = 20;
    ASSERT_TRUE(WriteRendering(renders + "walk/cell10.png", first));
    ASSERT_TRUE(WriteRendering(renders + "walk/cell11.png", first));
    UpResContext context(c, renders.c_str(), 0, kOrderViewsThenFrames, 0);
    BuildInMemory(context, [] {});
    EXPECT_EQ(context.loaded, 12u);
    EXPECT_EQ(context.kept, 10u);
    EXPECT_EQ(context.mostRenderingsHeld, 2u);
    EXPECT_EQ(context.renderingsHeld, 0u);
    // The reduced pixels went to the collection; the context keeps none.
    ASSERT_EQ(c->GetBitmapCount(), 12u + 10u);
    for (const auto& kept : context.images) EXPECT_FALSE(kept->reduced.pixels);
    Sequence* s = c->GetSequence(0);
    for (u32 f = 0; f < 12; ++f) EXPECT_TRUE(s->GetFrameView(f, 0).flags & kViewHasHighRes) << f;
    EXPECT_EQ(s->GetFrameView(10, 0).highResBitmap, s->GetFrameView(0, 0).highResBitmap);
    EXPECT_EQ(s->GetFrameView(11, 0).highResBitmap, s->GetFrameView(0, 0).highResBitmap);
    EXPECT_EQ(c->GetBitmap(12)->width, 16u);
    delete c;
}

TEST_F(UpResBuilderTest, ARenderingChangedAfterTheScanIsRefusedNotReduced)
{
    struct Case {
        const char* what;
        void (*change)(const std::string& path);
    } cases[] = {
        {"recoloured",
         [](const std::string& p) {
             Rendering r;
             r.g = 250;
             ASSERT_TRUE(WriteRendering(p, r));
         }},
        {"visible box moved",
         [](const std::string& p) {
             Rendering r;
             r.g = 30;
             r.boxX = 2;
             r.boxW = 30;
             ASSERT_TRUE(WriteRendering(p, r));
         }},
        {"larger",
         [](const std::string& p) {
             Rendering r;
             r.g = 30;
             r.width = r.boxW = 48;
             ASSERT_TRUE(WriteRendering(p, r));
         }},
        {"removed", [](const std::string& p) { ASSERT_TRUE(std::filesystem::remove(p)); }},
        {"alpha lost", [](const std::string& p) { ASSERT_TRUE(WriteRendering(p, Rendering{}, true)); }},
        {"truncated", [](const std::string& p) { std::filesystem::resize_file(p, 60); }},
    };
    for (const Case& k : cases) {
        std::filesystem::remove_all(renders);
        logs.clear();
        Collection* c = MakeCollection("walk", 3, 1);
        WriteCells("walk", 3);
        UpResContext context(c, renders.c_str(), 0, kOrderViewsThenFrames, 0);
        std::string changed = renders + "walk/cell01.png";
        BuildInMemory(context, [&] { k.change(changed); });
        Sequence* s = c->GetSequence(0);
        EXPECT_TRUE(Logged(("ERROR: the rendering '" + changed +
                            "' is no longer the one scanned (changed or removed); its cells get no high-res bitmap.\n")
                               .c_str()))
            << k.what;
        EXPECT_FALSE(s->GetFrameView(0, 1).flags & kViewHasHighRes) << k.what;
        EXPECT_TRUE(s->GetFrameView(0, 0).flags & kViewHasHighRes) << k.what;
        EXPECT_TRUE(s->GetFrameView(0, 2).flags & kViewHasHighRes) << k.what;
        // Only the two renderings still as scanned were added, and the shared point is theirs
        // alone: the same as cell 0's own (all boxes alike).
        ASSERT_EQ(c->GetBitmapCount(), 3u + 2u) << k.what;
        EXPECT_EQ(s->GetFrameView(0, 2).highResBitmap, c->GetBitmap(4)) << k.what;
        EXPECT_EQ(s->GetFrameView(0, 0).highResRegistrationX, 9) << k.what;
        EXPECT_EQ(s->GetFrameView(0, 0).highResRegistrationY, 13) << k.what;
        EXPECT_FALSE(Logged("could not be added")) << k.what;
        EXPECT_EQ(context.renderingsHeld, 0u);
        delete c;
    }
}

TEST_F(UpResBuilderTest, AlignmentIsSharedUnlessEachCellAlignsOnItsOwn)
{
    // Same standard size and point everywhere; the renderings' visible boxes sit at different
    // places, so each cell's own point lies at another place of its uncropped image.
    for (u32 align : {0u, 1u}) {
        std::filesystem::remove_all(renders);
        TagEntry* e = WriteLocalCollection(MakeCollection("walk", 1, 3));
        for (u32 k = 0; k < 3; ++k) {
            Rendering r;
            r.width = r.height = 64;
            r.boxX = 8 * k;
            r.boxY = 4 * k;
            r.g = u8(30 * k);
            ASSERT_TRUE(WriteRendering(renders + FormatString("walk/c%u.png", k).c_str(), r));
        }
        ASSERT_EQ(Run(e, 2.0, align), 1) << align;
        s32 x0 = View(0, 0).highResRegistrationX, y0 = View(0, 0).highResRegistrationY;
        for (u32 f = 1; f < 3; ++f) {
            s32 x = View(f, 0).highResRegistrationX, y = View(f, 0).highResRegistrationY;
            if (align) {
                EXPECT_EQ(x, x0);
                EXPECT_EQ(y, y0);
            } else {
                // One point of the uncropped image: relative points move against the boxes.
                EXPECT_EQ(x, x0 - s32(4 * f));
                EXPECT_EQ(y, y0 - s32(2 * f));
            }
        }
    }
}

TEST_F(UpResBuilderTest, TheCommonPointIsTheMeanOverTheCellsWithRenderings)
{
    TagEntry* e = WriteLocalCollection(MakeCollection("walk", 1, 2));
    WriteCells("walk", 1);
    WriteText(renders + "walk/script.txt", "(1 ~)\n");
    ASSERT_EQ(Run(e), 1);
    EXPECT_TRUE(View(0, 0).flags & kViewHasHighRes);
    EXPECT_FALSE(View(1, 0).flags & kViewHasHighRes);
    // The cell's own point, not half of it.
    EXPECT_EQ(View(0, 0).highResRegistrationX, 9);
    EXPECT_EQ(View(0, 0).highResRegistrationY, 13);
}

TEST_F(UpResBuilderTest, FolderProblemsSkipTheSequenceWithTheirLines)
{
    struct Case {
        u32 frames;
        u32 images;
        const char* script;
        const char* line;
    } cases[] = {
        {2, 3, "", "ERROR: sequence folder 'walk' contains 3 bitmaps, expected 2\n"},
        {2, 1, "(1 2 1)", "ERROR: script.txt in sequence folder 'walk' specifies 3 frames, expected 2\n"},
        {2, 2, "(1 1)", "ERROR: sequence folder 'walk' contains 2 bitmaps, expected 1\n"},
        {2, 1, "(2 ~)",
         "ERROR: script.txt in sequence folder 'walk' specified a frame index (1), larger than the number of frames "
         "found in the folder (1).\n"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all(renders);
        logs.clear();
        TagEntry* e = WriteLocalCollection(MakeCollection("walk", 1, c.frames));
        WriteCells("walk", c.images);
        if (*c.script) WriteText(renders + "walk/script.txt", c.script);
        EXPECT_EQ(Run(e), 0) << c.line;
        EXPECT_TRUE(Logged(c.line)) << c.line;
        EXPECT_TRUE(Logged("FATAL: no renderings to compare with the standard bitmaps; nothing to build.\n"));
    }
}

TEST_F(UpResBuilderTest, CellsWithoutAStandardBitmapOrVisiblePixelsAreSkipped)
{
    Collection* c = MakeCollection("walk", 3, 1);
    c->GetSequence(0)->GetFrameView(0, 1).bitmap = nullptr;
    TagEntry* e = WriteLocalCollection(c);
    WriteCells("walk", 3);
    Rendering clear;
    clear.boxW = 0;
    ASSERT_TRUE(WriteRendering(renders + "walk/cell02.png", clear));
    ASSERT_EQ(Run(e), 1);
    EXPECT_TRUE(View(0, 0).flags & kViewHasHighRes);
    EXPECT_FALSE(View(0, 1).flags & kViewHasHighRes);
    EXPECT_FALSE(View(0, 2).flags & kViewHasHighRes);
    EXPECT_TRUE(Logged("WARNING: sequence 'walk' frame 0 view 1 has no standard bitmap"));
    EXPECT_TRUE(Logged("cell02.png' is fully transparent; its cell gets no high-res bitmap.\n"));
}

TEST_F(UpResBuilderTest, NothingToEstimateFromEndsWithAFatalLine)
{
    Collection* c = new Collection;
    UpResContext context(c, renders.c_str(), 0, kOrderViewsThenFrames, 0);
    context.log = "UpRes test";
    EXPECT_EQ(ComputeGlobalScale(context, 0.05), 0);
    EXPECT_TRUE(Logged("FATAL: no renderings to compare"));
    delete c;
}

TEST_F(UpResBuilderTest, TheArchiveCopyIsReadAndTheLocalCopyReplacedOnlyWhenWritten)
{
    Collection* archived = MakeCollection("walk", 1, 1);
    Bytes bytes = CollectionBytes(*archived);
    delete archived;
    Archive* a = OpenTestArchive(Tags() + "base", 3, 0, {{kColl, FourCC("Rock"), "Rocks", bytes}});
    ScopedDynArray<Archive*> set;
    set.Push(a);
    SetActiveArchives(set);
    TagEntry* e = FindTag(kColl, FourCC("Rock"));
    ASSERT_TRUE(e);
    // A local copy with another sequence name.
    Collection* local = MakeCollection("other", 1, 1);
    TagHeader h;
    GetTagHeader(e, &h);
    FILE* f = BeginTagWrite(e, &h, nullptr);
    ASSERT_TRUE(FinishTagWrite(e, &h, f && local->Write(f, &h)));
    delete local;
    ASSERT_TRUE(HasLocalCopy(e));
    WriteCells("walk", 1);
    Bytes before = TagData(e);
    // A failed run leaves the local copy.
    EXPECT_EQ(Run(e, 8.0, 0, true), 0);
    EXPECT_EQ(TagData(e), before);
    ASSERT_EQ(Run(e, 2.0, 0, true), 1);
    EXPECT_STREQ(read->GetSequence(0)->name, "walk");
    EXPECT_TRUE(View(0, 0).flags & kViewHasHighRes);
    EXPECT_TRUE(HasLocalCopy(e));
}

TEST_F(UpResBuilderTest, CreatedFoldersStayInsideTheChosenFolderAndTheScanUsesThem)
{
    Collection* c = MakeCollection("a/b", 1, 1);
    strcpy(c->name, "..");
    Sequence* dots = c->AddSequence("..");
    dots->Resize(1, 1);
    std::string top = CreateUpResFolderTree(renders.c_str(), *c);
    EXPECT_EQ(top, renders + "_/");
    EXPECT_TRUE(IsExistingFolder((renders + "_/a_b").c_str()));
    EXPECT_TRUE(IsExistingFolder((renders + "_/_").c_str()));
    delete c;

    TagEntry* e = WriteLocalCollection(MakeCollection("a/b", 1, 1));
    WriteCells("a_b", 1);
    ASSERT_EQ(Run(e), 1);
    EXPECT_TRUE(View(0, 0).flags & kViewHasHighRes);
}

TEST_F(UpResBuilderTest, HueChangesPastTheSeventhAreLoggedOnce)
{
    Collection* c = MakeCollection("walk", 2, 1);
    for (int i = 0; i < 9; ++i) c->AddHueChange(FormatString("h%d", i).c_str());
    TagEntry* e = WriteLocalCollection(c);
    WriteCells("walk", 2);
    ASSERT_EQ(Run(e), 1);
    u32 lines = 0;
    for (const LogLine& l : logs)
        if (l.text.find("hue changes can be stored in high-res bitmaps") != std::string::npos) ++lines;
    EXPECT_EQ(lines, 1u);
}

TEST_F(UpResBuilderTest, EachRunTakesTheNextNumber)
{
    TagEntry* e = WriteLocalCollection(MakeCollection("walk", 1, 1));
    Run(e);
    int n = 0;
    ASSERT_EQ(sscanf(LastUpResCategory(), "UpRes %d (Rocks)", &n), 1);
    Run(e);
    EXPECT_EQ(std::string(LastUpResCategory()), FormatString("UpRes %d (Rocks)", n + 1).c_str());
}

}  // namespace

TEST_F(UpResBuilderTest, ACollectionOpenInAnEditorIsRefusedAndLeftAsItWas)
{
    TagEntry* e = WriteLocalCollection(MakeCollection("walk", 1, 2));
    WriteCells("walk", 2);
    int editor = 0;
    ASSERT_TRUE(AttachToTag(e, kAttachEditor, &editor));
    EXPECT_EQ(Run(e), 0);
    EXPECT_TRUE(Logged("ERROR: the collection 'Rocks' is open in an editor; close it before building.\n"));
    ASSERT_TRUE(read);
    EXPECT_FALSE(View(0, 0).flags & kViewHasHighRes);
    DetachFromTag(e, kAttachEditor, &editor);
    EXPECT_EQ(Run(e), 1);
}

TEST_F(UpResBuilderTest, AMirroredSequenceWithoutViewsHasNoCellsToScan)
{
    Collection* c = MakeCollection("walk", 1, 2, 8, 8, 4, 6, true);
    Bytes bytes = CollectionBytes(*c);
    delete c;
    // The stored sequence says 0 views; the reader keeps that count and no view records.
    c = new Collection;
    {
        FILE* f = tmpfile();
        fwrite(bytes.data(), 1, bytes.size(), f);
        TagHeader h = {};
        strcpy(h.name, "Rocks");
        h.size = u32(bytes.size());
        ASSERT_EQ(1, c->Read(f, &h, true));
        fclose(f);
    }
    Sequence* s = c->GetSequence(0);
    s->views = 0;
    for (u32 f = 0; f < s->GetFrameCount(); ++f) s->GetFrame(f).views.count = 0;
    EXPECT_EQ(0u, s->GetUniqueViewCount());
    TagEntry* e = WriteLocalCollection(c);
    WriteCells("walk", 2);
    EXPECT_EQ(Run(e), 0);
    EXPECT_TRUE(Logged("ERROR: sequence folder 'walk' contains 2 bitmaps, expected 0\n"));
}

TEST_F(UpResBuilderTest, WithoutARenderingForTheFirstCellTheSequenceAlignsFromTheNextOne)
{
    TagEntry* e = WriteLocalCollection(MakeCollection("walk", 1, 3));
    WriteCells("walk", 2);
    WriteText(renders + "walk/script.txt", "(~ 1 2)\n");
    ASSERT_EQ(Run(e), 1);
    EXPECT_FALSE(View(0, 0).flags & kViewHasHighRes);
    ASSERT_TRUE(View(1, 0).flags & kViewHasHighRes);
    ASSERT_TRUE(View(2, 0).flags & kViewHasHighRes);
    // The cells get the point their renderings give, as the first cell would have.
    EXPECT_EQ(View(1, 0).highResRegistrationX, 9);
    EXPECT_EQ(View(1, 0).highResRegistrationY, 13);
    EXPECT_EQ(View(2, 0).highResRegistrationX, 9);
    EXPECT_TRUE(Logged("WARNING: frame 0 view 0 of sequence 'walk' has no rendering; the sequence is aligned from frame 1 view 0.\n"));
}
