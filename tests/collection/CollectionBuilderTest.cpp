// Building a collection from a folder of sequence folders, written as a local tag and read
// back with the collection reader.
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <functional>

#include "codex/LocalFolder.h"
#include "collection/Collection.h"
#include "collection/CollectionBuilder.h"
#include "foundation/StringUtil.h"
#include "tests/codex/CodexFixture.h"
#include "tests/collection/BuildSourceFolder.h"

namespace {

const u32 kColl = FourCC(".256");

// --- Folder names, scripts and name lists ----------------------------------------------------

TEST(SequenceScriptTest, FolderNamesGiveTheSequenceNameAndDimensions)
{
    struct Case {
        const char* folder;
        int ok;
        const char* name;
        s32 views, frames;
    } cases[] = {
        {"walk(8,10)", 1, "walk", 8, 10},
        {"walk(8,10) old", 1, "walk", 8, 10},
        {"walk", 0, "walk", 0, 0},
        {"a(b)(2, 3)", 1, "a(b)", 2, 3},
        {"run(4)", 0, "run(4)", 0, 0},
        {"x(-1,2)", 1, "x", -1, 2},
        // Numbers past 32 bits read as the largest value, the same in both builds: the
        // builder then refuses them as sizes.
        {"walk(4294967297,2)", 1, "walk", 2147483647, 2},
        {"walk(2,99999999999999999999999)", 1, "walk", 2, 2147483647},
        {"walk(-4294967297,2)", 1, "walk", -2147483647 - 1, 2},
        {"walk(+3, 4)", 1, "walk", 3, 4},
    };
    for (const Case& c : cases) {
        std::string name;
        s32 v = 7, f = 7;
        EXPECT_EQ(ParseFolderDimensions(c.folder, &name, &v, &f), c.ok) << c.folder;
        EXPECT_EQ(name, c.name) << c.folder;
        EXPECT_EQ(v, c.views) << c.folder;
        EXPECT_EQ(f, c.frames) << c.folder;
    }
}

TEST(SequenceScriptTest, ScriptsReadFrameListsOrderAndAlignment)
{
    struct Case {
        const char* text;
        std::vector<s32> frames;
        u32 order, align;
    } cases[] = {
        {"(1 2 3 2 1)", {0, 1, 2, 1, 0}, 0, 0},
        {"(1 ~ 3)\n", {0, -1, 2}, 0, 0},
        {"  (1,2\r\n(0 12)x", {0, 1, -1, 11}, 0, 0},
        {"(4", {3}, 0, 0},
        {"BitmapOrder FramesThenViews\nalignindividually yes", {}, 1, 1},
        {"bitmaporder viewsthenframes\r\nAlignIndividually 0", {}, 2, 0},
        {"BitmapOrder Sideways\nBitmapOrder\nAlignIndividually T", {}, 0, 1},
        {"(99999999999999)", {0x7FFFFFFE}, 0, 0},
    };
    for (const Case& c : cases) {
        SequenceScript s{};
        ParseScriptText(c.text, strlen(c.text), &s);
        EXPECT_EQ(s.frameList, c.frames) << c.text;
        EXPECT_EQ(s.bitmapOrder, c.order) << c.text;
        EXPECT_EQ(s.alignIndividually, c.align) << c.text;
    }
    for (const char* t : {"1", "t", "TRUE", "y", "Yes"}) EXPECT_TRUE(ParseBoolCollection(t)) << t;
    for (const char* t : {"0", "", "no", "yess", "2"}) EXPECT_FALSE(ParseBoolCollection(t)) << t;
}

TEST(SequenceScriptTest, TransposeTurnsFramesThenViewsIntoCellOrder)
{
    std::vector<std::string> names = {"v0f0", "v0f1", "v0f2", "v1f0", "v1f1", "v1f2"};
    TransposeNameList(names, 2);
    EXPECT_EQ(names, (std::vector<std::string>{"v0f0", "v1f0", "v0f1", "v1f1", "v0f2", "v1f2"}));
    std::vector<std::string> odd = {"a", "b", "c", "d", "e"};
    TransposeNameList(odd, 2);
    EXPECT_EQ(odd, (std::vector<std::string>{"a", "c", "b", "d", ""}));
}

TEST(SequenceScriptTest, AlphaNamesAndCleanFolderNames)
{
    EXPECT_TRUE(IsAlphaImageName("walk01.alpha.bmp"));
    EXPECT_TRUE(IsAlphaImageName("w.ALPHA.png"));
    EXPECT_FALSE(IsAlphaImageName(".alpha.bmp"));
    EXPECT_FALSE(IsAlphaImageName("walk01.bmp"));
    EXPECT_EQ(CleanFolderName("a/b"), "a_b");
    EXPECT_EQ(CleanFolderName(".."), "_");
    EXPECT_EQ(CleanFolderName(""), "_");
    EXPECT_EQ(CleanFolderName("..x"), "..x");
}

// --- Builds ------------------------------------------------------------------------------------

class CollectionBuilderTest : public CodexTest {
public:
    void SetUp() override
    {
        CodexTest::SetUp();
        ASSERT_TRUE(SetLocalFolder(Local().c_str()));
        source = root + "source/";
        std::filesystem::create_directories(source);
    }
    void TearDown() override
    {
        delete read;
        CodexTest::TearDown();
    }

    // Writes count images <stem>01.bmp ... into folder, image k with its box at (k, 0) so that
    // every image differs; the stem's first letter tints the palette.
    void WriteImages(const std::string& folder, u32 count, const char* stem = "img", u32 format = kFileFormatBmp)
    {
        for (u32 k = 0; k < count; ++k) {
            SourceImage s;
            s.width = 40;
            s.height = 8;
            s.fill = 2;
            s.ink = u8(3 + k % 12);
            s.hue = u8(stem[0]);
            s.boxX = k;
            s.boxW = 2;
            const char* ext = format == kFileFormatPng ? "png" : format == kFileFormatTiff ? "tif" : "bmp";
            char name[64];
            snprintf(name, sizeof name, "%s%02u.%s", stem, k + 1, ext);
            ASSERT_TRUE(WriteIndexedImage(source + folder + "/" + name, s, format));
        }
    }

    BuildResult Build(const char* name = "Walker", u32 order = kOrderViewsThenFrames, s32 x = 0, s32 y = 0,
                      bool invert = false, u32 id = kNoTagId)
    {
        BuildCollectionArgs args{id, name, source.c_str(), order, x, y, invert, &CountStep, this};
        BuildResult r = BuildCollection(args, &written);
        delete read;
        read = nullptr;
        if (r == kBuildWritten) {
            TagHeader h;
            read = LoadCollection(OpenTag(written, &h), &h);
            CloseTagReader(written);
        }
        return r;
    }
    static void CountStep(void* context) { ++static_cast<CollectionBuilderTest*>(context)->steps; }

    // The bitmap index shown in a cell, -1 for none.
    int Cell(u32 sequence, u32 frame, u32 view) const
    {
        CollectionBitmap* b = read->GetSequence(sequence)->GetBitmap(frame, view);
        return b ? read->IndexOfBitmap(b) : -1;
    }
    std::string BitmapName(int index) const { return read->GetBitmap(u32(index))->name; }
    std::vector<std::string> Lines(u32 level) const
    {
        std::vector<std::string> out;
        for (const LogLine& l : logs)
            if (l.level == level && l.category.rfind("BuildCollection", 0) == 0) out.push_back(l.text);
        return out;
    }

    std::string source;
    TagEntry* written = nullptr;
    Collection* read = nullptr;
    u32 steps = 0;
};

TEST_F(CollectionBuilderTest, SequencesBecomeCellsInViewOrderWithNamesAndLogLines)
{
    WriteImages("walk(2,3)", 6);
    WriteImages("idle(1,1) old", 1, "still", kFileFormatPng);
    WriteImages("notes", 1);
    ASSERT_EQ(Build(), kBuildWritten);
    ASSERT_TRUE(read);
    EXPECT_EQ(std::string(read->name), "Walker");
    ASSERT_EQ(read->GetSequenceCount(), 2u);
    EXPECT_STREQ(read->GetSequence(0)->name, "idle");
    EXPECT_STREQ(read->GetSequence(1)->name, "walk");
    EXPECT_EQ(read->GetBitmapCount(), 7u);
    Sequence* walk = read->GetSequence(1);
    EXPECT_EQ(walk->GetViewCount(), 2u);
    EXPECT_EQ(walk->GetFrameCount(), 3u);
    for (u32 f = 0; f < 3; ++f)
        for (u32 v = 0; v < 2; ++v) EXPECT_EQ(BitmapName(Cell(1, f, v)), FormatString("img%02u", f * 2 + v + 1).c_str());
    EXPECT_EQ(BitmapName(Cell(0, 0, 0)), "still01");
    EXPECT_EQ(steps, 7u);
    EXPECT_TRUE(Logged("Begin BuildCollection log for 'Walker'"));
    EXPECT_TRUE(Logged("scanning sequence folder 'walk'\n"));
    EXPECT_TRUE(Logged("ERROR: the sequence folder 'notes' had invalid dimensions"));
    EXPECT_TRUE(Logged("Writing collection data to disk..."));
    EXPECT_TRUE(Logged("ok.\n"));
    EXPECT_TRUE(Logged("elpased"));
}

TEST_F(CollectionBuilderTest, RegistrationPointsKeepTheDialogPointOnTheUncroppedImage)
{
    SourceImage s;
    s.width = 20;
    s.height = 20;
    s.ink = 9;
    s.boxX = 5;
    s.boxY = 7;
    s.boxW = 4;
    s.boxH = 3;
    ASSERT_TRUE(WriteIndexedImage(source + "hit(1,1)/bitmaps/hit.bmp", s));
    ASSERT_TRUE(WriteAlphaImage(source + "hit(1,1)/alphas/hit.tif", s, 200, kFileFormatTiff));
    ASSERT_EQ(Build("Hits", kOrderViewsThenFrames, 40, 60), kBuildWritten);
    FrameView& view = read->GetSequence(0)->GetFrameView(0, 0);
    EXPECT_EQ(view.registrationX, 35);
    EXPECT_EQ(view.registrationY, 53);
    CollectionBitmap* b = read->GetBitmap(0);
    EXPECT_EQ(b->width, 4u);
    EXPECT_EQ(b->height, 3u);
}

TEST_F(CollectionBuilderTest, InvertedAlphaBesideTheColourImagesCropsToTheInvertedBox)
{
    SourceImage s;
    s.width = 10;
    s.height = 10;
    s.ink = 9;
    s.boxX = 2;
    s.boxY = 2;
    s.boxW = 3;
    s.boxH = 3;
    ASSERT_TRUE(WriteIndexedImage(source + "a(1,1)/a.bmp", s));
    // 255 inside the box, 0 outside: inverted, everything but the box is visible.
    ASSERT_TRUE(WriteAlphaImage(source + "a(1,1)/a.alpha.bmp", s, 255));
    ASSERT_EQ(Build("Inv", kOrderViewsThenFrames, 0, 0, true), kBuildWritten);
    ASSERT_EQ(read->GetBitmapCount(), 1u);
    EXPECT_EQ(read->GetBitmap(0)->width, 10u);
    EXPECT_EQ(read->GetBitmap(0)->height, 10u);
}

// Source images of every index (markers included) under ragged alpha planes, with and
// without inversion: each built bitmap must hold exactly the pixels of its image made whole
// as {alpha, index}, cropped to the box of its visible pixels and imported on its own.
struct RaggedSource {
    const char* folder;
    u32 width, height;
    bool withAlpha;
    // The alpha value at (x, y) given a pseudo-random byte.
    u8 (*alpha)(u32 x, u32 y, u32 w, u32 h, u8 noise);
};

const RaggedSource kRaggedSources[] = {
    // Margins that change from row to row, an empty row inside the box, every alpha value.
    {"a(1,1)", 23, 17, true,
     [](u32 x, u32 y, u32 w, u32, u8 noise) -> u8 {
         if (y < 3 || y == 10 || x < (y * 5) % 7 || x + (y % 4) >= w) return 0;
         return noise % 3 ? noise : 255;
     }},
    // No alpha image: every pixel opaque.
    {"b(1,1)", 9, 30, false, nullptr},
    // One visible pixel in the far corner, partly transparent.
    {"c(1,1)", 31, 5, true, [](u32 x, u32 y, u32 w, u32 h, u8) -> u8 { return x == w - 1 && y == h - 1 ? 7 : 0; }},
    // A hollow frame: rows and columns with visible pixels only at their ends.
    {"d(1,1)", 12, 12, true,
     [](u32 x, u32 y, u32 w, u32 h, u8 noise) -> u8 {
         return (x == 1 || y == 2 || x == w - 2 || y == h - 1) ? u8(noise | 1) : 0;
     }},
};

class BuiltPixelsTest : public CollectionBuilderTest {
public:
    void WriteRaggedSources()
    {
        Rgb palette[256];
        for (u32 i = 0; i < 256; ++i) palette[i] = Rgb{u8(i), u8(i * 3), u8(255 - i)};
        u32 seed = 12345;
        auto noise = [&seed] {
            seed = seed * 1103515245u + 12345u;
            return u8(seed >> 16);
        };
        for (const RaggedSource& r : kRaggedSources) {
            FileRecord colour((source + r.folder + "/bitmaps/img.png").c_str());
            FileRecord alpha((source + r.folder + "/alphas/img.png").c_str());
            colour.kind = alpha.kind = kFileKindImage;
            colour.format = alpha.format = kFileFormatPng;
            std::filesystem::create_directories(source + r.folder + "/bitmaps");
            ASSERT_TRUE(colour.image.Create(r.width, r.height, kImageIndexed, nullptr));
            ASSERT_TRUE(colour.image.SetPalette(256, palette));
            ASSERT_TRUE(alpha.image.Create(r.width, r.height, kImageAlpha, nullptr));
            for (u32 y = 0; y < r.height; ++y)
                for (u32 x = 0; x < r.width; ++x) {
                    colour.image.pixels[y * r.width + x] = noise();
                    if (r.withAlpha) alpha.image.pixels[y * r.width + x] = r.alpha(x, y, r.width, r.height, noise());
                }
            ASSERT_TRUE(colour.Save());
            if (r.withAlpha) {
                std::filesystem::create_directories(source + r.folder + "/alphas");
                ASSERT_TRUE(alpha.Save());
            }
        }
    }

    // The collection the straightforward way: whole image, Image::GetAlphaBounds, Image::Crop.
    // Cells of fully transparent images get no bitmap (-1).
    void Expected(bool invert, Collection& out, std::vector<int>& cells, std::vector<std::pair<s32, s32>>& points)
    {
        for (const RaggedSource& r : kRaggedSources) {
            FileRecord colour((source + r.folder + "/bitmaps/img.png").c_str());
            FileRecord alpha((source + r.folder + "/alphas/img.png").c_str());
            ASSERT_TRUE(colour.Load());
            if (r.withAlpha) {
                ASSERT_TRUE(alpha.Load());
            }
            Image whole{};
            ASSERT_TRUE(whole.Create(r.width, r.height, kImageAlphaIndex, nullptr));
            ASSERT_TRUE(whole.SetPalette(colour.image.paletteCount, colour.image.palette));
            for (u32 i = 0; i < r.width * r.height; ++i) {
                u8 a = r.withAlpha ? alpha.image.pixels[i] : 255;
                whole.pixels[2 * i] = invert ? u8(255 - a) : a;
                whole.pixels[2 * i + 1] = colour.image.pixels[i];
            }
            ImageRect box = whole.GetAlphaBounds();
            if (box.x0 > box.x1) {
                // Fully transparent: no bitmap.
                cells.push_back(-1);
                points.push_back({0, 0});
            } else {
                ASSERT_TRUE(whole.Crop(box));
                ASSERT_NE(out.ImportImage(whole, "img", nullptr, false), nullptr);
                cells.push_back(int(out.GetBitmapCount()) - 1);
                points.push_back({-box.x0, -box.y0});
            }
            whole.Free();
        }
    }
};

TEST_F(BuiltPixelsTest, BuiltBitmapsHoldTheVisibleBoxOfEachSourcePixelForPixel)
{
    WriteRaggedSources();
    for (bool invert : {false, true}) {
        SCOPED_TRACE(invert ? "inverted" : "as stored");
        Collection expected;
        std::vector<int> cells;
        std::vector<std::pair<s32, s32>> points;
        Expected(invert, expected, cells, points);
        // Compared before writing: the file keeps alphas in fewer bits.
        BuildContext context{};
        context.defaults.bitmapOrder = kOrderViewsThenFrames;
        context.defaults.invertAlphas = invert ? 1 : 0;
        ASSERT_TRUE(ScanSourceFolder(context, "pixels", source.c_str()));
        Collection built;
        FillBuiltCollection(built, context, "pixels", 0, 0);
        ASSERT_EQ(built.GetSequenceCount(), std::size(kRaggedSources));
        ASSERT_EQ(built.GetBitmapCount(), expected.GetBitmapCount());
        EXPECT_EQ(memcmp(&built.colorTable, &expected.colorTable, sizeof(ColorTable)), 0);
        for (u32 k = 0; k < std::size(kRaggedSources); ++k) {
            SCOPED_TRACE(kRaggedSources[k].folder);
            const FrameView& view = built.GetSequence(k)->GetFrameView(0, 0);
            ASSERT_EQ(view.bitmap ? built.IndexOfBitmap(view.bitmap) : -1, cells[k]);
            if (cells[k] < 0) continue;
            const CollectionBitmap* got = view.bitmap;
            const CollectionBitmap* want = expected.GetBitmap(u32(cells[k]));
            ASSERT_EQ(got->width, want->width);
            ASSERT_EQ(got->height, want->height);
            EXPECT_EQ(got->flags, want->flags);
            EXPECT_EQ(memcmp(got->pixels, want->pixels, size_t(want->PixelByteCount())), 0);
            EXPECT_EQ(view.registrationX, points[k].first);
            EXPECT_EQ(view.registrationY, points[k].second);
        }
    }
}

TEST_F(CollectionBuilderTest, IdenticalImagesShareOneBitmapUnlessTheirPalettesDiffer)
{
    SourceImage s;
    ASSERT_TRUE(WriteIndexedImage(source + "a(1,1)/x.bmp", s));
    ASSERT_TRUE(WriteIndexedImage(source + "b(1,1)/y.bmp", s));
    s.hue = 90;  // same pixels, other colours
    ASSERT_TRUE(WriteIndexedImage(source + "c(1,1)/z.bmp", s));
    ASSERT_EQ(Build(), kBuildWritten);
    ASSERT_EQ(read->GetBitmapCount(), 2u);
    EXPECT_EQ(Cell(0, 0, 0), Cell(1, 0, 0));
    EXPECT_NE(Cell(2, 0, 0), Cell(0, 0, 0));
    EXPECT_EQ(BitmapName(Cell(2, 0, 0)), "z");
}

TEST_F(CollectionBuilderTest, FrameListsRepeatAndBlankFrames)
{
    WriteImages("walk(2,5)", 6);
    WriteText(source + "walk(2,5)/script.txt", "(1 2 3 2 1)\n");
    WriteImages("jump(2,3)", 6, "j");
    WriteText(source + "jump(2,3)/script.txt", "(1 ~ 3)\n");
    ASSERT_EQ(Build(), kBuildWritten);
    // jump sorts first.
    EXPECT_EQ(BitmapName(Cell(0, 0, 1)), "j02");
    EXPECT_EQ(Cell(0, 1, 0), -1);
    EXPECT_EQ(Cell(0, 1, 1), -1);
    EXPECT_EQ(BitmapName(Cell(0, 2, 0)), "j05");
    EXPECT_TRUE(Logged("WARNING: sequence folder 'jump' contains 6 bitmaps, expected 4. Some bitmaps will not be used.\n"));
    EXPECT_EQ(read->GetBitmapCount(), 12u);  // all images still become bitmaps
    EXPECT_EQ(Cell(1, 3, 0), Cell(1, 1, 0));
    EXPECT_EQ(Cell(1, 4, 1), Cell(1, 0, 1));
    EXPECT_EQ(BitmapName(Cell(1, 2, 1)), "img06");
}

TEST_F(CollectionBuilderTest, TheScriptOrderOverridesTheDialogForItsSequenceOnly)
{
    WriteImages("a(2,2)", 4);
    WriteText(source + "a(2,2)/script.txt", "BitmapOrder FramesThenViews\n");
    WriteImages("b(2,2)", 4);
    ASSERT_EQ(Build(), kBuildWritten);
    // a: img01 img02 are view 0's frames.
    EXPECT_EQ(BitmapName(Cell(0, 0, 0)), "img01");
    EXPECT_EQ(BitmapName(Cell(0, 1, 0)), "img02");
    EXPECT_EQ(BitmapName(Cell(0, 0, 1)), "img03");
    EXPECT_EQ(BitmapName(Cell(1, 0, 1)), "img02");
    EXPECT_EQ(BitmapName(Cell(1, 1, 0)), "img03");
}

TEST_F(CollectionBuilderTest, ProblemsOfASequenceDropOnlyThatSequence)
{
    struct Case {
        const char* folder;
        std::function<void(CollectionBuilderTest*, const std::string&)> make;
        const char* line;
    };
    auto images = [](u32 n) {
        return [n](CollectionBuilderTest* t, const std::string& f) { t->WriteImages(f, n); };
    };
    std::vector<Case> cases = {
        {"nodims", images(1), "ERROR: the sequence folder 'nodims' had invalid dimensions"},
        {"zero(0,3)", images(1), "ERROR: the sequence folder 'zero(0,3)' had invalid dimensions"},
        {"huge(65536,1)", images(1), "ERROR: the sequence folder 'huge(65536,1)' had invalid dimensions"},
        {"cells(300,300)", images(1), "ERROR: the sequence folder 'cells(300,300)' had invalid dimensions"},
        {"alphas(1,2)",
         [](CollectionBuilderTest* t, const std::string& f) {
             t->WriteImages(f, 2);
             ASSERT_TRUE(WriteAlphaImage(t->source + f + "/alphas/a.bmp", SourceImage{}, 255));
         },
         "ERROR: found 1 alphas for sequence 'alphas', expected 2\n"},
        {"len(1,2)",
         [](CollectionBuilderTest* t, const std::string& f) {
             t->WriteImages(f, 2);
             WriteText(t->source + f + "/script.txt", "(1 2 1)");
         },
         "ERROR: script.txt in sequence folder 'len' specifies 3 frames, expected 2\n"},
        {"few(2,2)",
         [](CollectionBuilderTest* t, const std::string& f) {
             t->WriteImages(f, 3);
             WriteText(t->source + f + "/script.txt", "(1 2)");
         },
         "ERROR: sequence folder 'few' contains 3 bitmaps, expected 4\n"},
        {"grey(1,1)",
         [](CollectionBuilderTest* t, const std::string& f) {
             ASSERT_TRUE(WriteAlphaImage(t->source + f + "/g.bmp", SourceImage{}, 255));
         },
         "was not 8-bit color indexed.\n"},
        {"broken(1,1)",
         [](CollectionBuilderTest* t, const std::string& f) { WriteText(t->source + f + "/b.bmp", "BMnonsense"); },
         "could not be loaded.\n"},
        {"alphasize(1,1)",
         [](CollectionBuilderTest* t, const std::string& f) {
             t->WriteImages(f, 1);
             SourceImage s;
             s.width = 3;
             ASSERT_TRUE(WriteAlphaImage(t->source + f + "/img01.alpha.bmp", s, 255));
         },
         "had different dimensions than its color counterpart"},
        {"alphacolour(1,1)",
         [](CollectionBuilderTest* t, const std::string& f) {
             t->WriteImages(f, 1);
             SourceImage s;
             s.width = 40;
             ASSERT_TRUE(WriteIndexedImage(t->source + f + "/img01.alpha.bmp", s));
         },
         "was not 8-bit grayscale.\n"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all(source);
        logs.clear();
        WriteImages("good(1,1)", 1);
        c.make(this, c.folder);
        ASSERT_EQ(Build(), kBuildWritten) << c.folder;
        EXPECT_EQ(read->GetSequenceCount(), 1u) << c.folder;
        EXPECT_STREQ(read->GetSequence(0)->name, "good") << c.folder;
        std::vector<std::string> errors = Lines(1);
        ASSERT_EQ(errors.size(), 1u) << c.folder;
        EXPECT_NE(errors[0].find(c.line), std::string::npos) << c.folder << ": " << errors[0];
    }
}

TEST_F(CollectionBuilderTest, CellsWithoutASourceStayEmptyWithAWarning)
{
    WriteImages("short(2,3)", 4);
    WriteImages("past(1,2)", 2, "p");
    WriteText(source + "past(1,2)/script.txt", "(1 1)");
    SourceImage clear;
    ASSERT_TRUE(WriteIndexedImage(source + "clear(1,2)/c1.bmp", clear));
    ASSERT_TRUE(WriteAlphaImage(source + "clear(1,2)/c1.alpha.bmp", clear, 0));
    ASSERT_TRUE(WriteIndexedImage(source + "clear(1,2)/c2.bmp", clear));
    ASSERT_TRUE(WriteAlphaImage(source + "clear(1,2)/c2.alpha.bmp", clear, 255));
    ASSERT_EQ(Build(), kBuildWritten);
    ASSERT_EQ(read->GetSequenceCount(), 3u);
    EXPECT_EQ(Cell(0, 0, 0), -1);  // clear: fully transparent
    EXPECT_NE(Cell(0, 1, 0), -1);
    EXPECT_TRUE(Logged(("WARNING: the bitmap file '" + source + "clear(1,2)/c1.bmp' is fully transparent").c_str()));
    EXPECT_NE(Cell(2, 1, 1), -1);
    EXPECT_EQ(Cell(2, 2, 0), -1);
    EXPECT_EQ(Cell(2, 2, 1), -1);
    EXPECT_TRUE(Logged("WARNING: sequence folder 'short' leaves 2 cells without a source bitmap; they stay empty.\n"));
}

TEST_F(CollectionBuilderTest, EachBuildTakesTheNextNumberAndEmptyFoldersWriteNothing)
{
    ASSERT_EQ(Build("First"), kBuildNothingToBuild);
    EXPECT_EQ(LocalTagFileExists(kColl, "First"), false);
    std::string first = LastBuildCollectionCategory();
    int n = 0;
    ASSERT_EQ(sscanf(first.c_str(), "BuildCollection %d (First)", &n), 1);
    WriteImages("a(1,1)", 1);
    ASSERT_EQ(Build("Second"), kBuildWritten);
    EXPECT_EQ(std::string(LastBuildCollectionCategory()), FormatString("BuildCollection %d (Second)", n + 1).c_str());
}

TEST_F(CollectionBuilderTest, AnEarlierLocalCollectionStaysUntilTheNewOneIsWritten)
{
    WriteImages("a(1,1)", 1);
    ASSERT_EQ(Build("Keep"), kBuildWritten);
    TagEntry* first = written;
    u32 id = first->tag;
    Bytes before = TagData(first);
    // Nothing to build: the earlier file stays whole.
    std::filesystem::remove_all(source + "a(1,1)");
    std::filesystem::create_directories(source);
    EXPECT_EQ(Build("Keep"), kBuildNothingToBuild);
    EXPECT_EQ(TagData(FindTag(kColl, id)), before);
    // A new build replaces it in its own file and keeps its id.
    WriteImages("b(1,2)", 2);
    ASSERT_EQ(Build("Keep"), kBuildWritten);
    EXPECT_EQ(written->tag, id);
    EXPECT_EQ(read->GetSequenceCount(), 1u);
    EXPECT_STREQ(read->GetSequence(0)->name, "b");
}

// While it lives, files written by this process stop at limit bytes (a full disk, in effect).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit)
    {
        getrlimit(RLIMIT_FSIZE, &saved);
        previous = signal(SIGXFSZ, SIG_IGN);
        rlimit r = saved;
        r.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &r);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved);
        signal(SIGXFSZ, previous);
    }

private:
    rlimit saved;
    void (*previous)(int);
};

TEST_F(CollectionBuilderTest, CollectionsInTheWayStayWholeUntilTheNewOneIsWritten)
{
    const u32 walk = FourCC("Walk");
    struct Case {
        const char* what;
        const char* oldName;
        u32 oldId;
        const char* newName;
    };
    const Case cases[] = {
        {"the chosen id in a file of another name", "Old", walk, "New"},
        {"another collection in the file of the name", "Same", FourCC("Othr"), "Same"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        std::filesystem::remove_all(source);
        WriteImages("a(1,1)", 1);
        ASSERT_EQ(Build(k.oldName, kOrderViewsThenFrames, 0, 0, false, k.oldId), kBuildWritten);
        const Bytes before = TagData(written);
        WriteImages("b(1,2)", 2, "b");
        {
            FileSizeLimit full(200);
            EXPECT_EQ(Build(k.newName, kOrderViewsThenFrames, 0, 0, false, walk), kBuildWriteFailed);
        }
        ASSERT_NE(FindTag(kColl, k.oldId), nullptr);
        EXPECT_EQ(TagData(FindTag(kColl, k.oldId)), before);
        EXPECT_TRUE(LocalTagFileExists(kColl, k.oldName));
        const bool renamed = strcmp(k.oldName, k.newName) != 0;
        if (renamed) {
            EXPECT_FALSE(LocalTagFileExists(kColl, k.newName));
        }
        // With room on the disk the new one takes the name and the id, and the other goes.
        ASSERT_EQ(Build(k.newName, kOrderViewsThenFrames, 0, 0, false, walk), kBuildWritten);
        EXPECT_EQ(written->tag, walk);
        ASSERT_TRUE(HasLocalCopy(written));
        EXPECT_STREQ(written->local_copy->file_name.c_str(), k.newName);
        EXPECT_EQ(read->GetSequenceCount(), 2u);
        if (renamed) {
            EXPECT_FALSE(LocalTagFileExists(kColl, k.oldName));
        } else {
            EXPECT_EQ(FindTag(kColl, k.oldId), nullptr);
        }
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(GetGroupFolderPath(Local().c_str(), kColl).c_str()),
                                std::filesystem::directory_iterator()),
                  1);
        ASSERT_TRUE(DeleteLocalTag(written));
    }
}

}  // namespace
