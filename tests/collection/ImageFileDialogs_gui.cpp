// The user's side of bitmap import and export through the fake backend: every check and
// question with its exact text, the scripted answers, and the remembered matching mode.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "../common/TempFolder.h"
#include "BoxScript.h"
#include "collection/BitmapExport.h"
#include "collection/ImageImport.h"
#include "collection/ui/ImageFileDialogs.h"
#include "foundation/PrefStore.h"
#include "platform/FileDialogs.h"

using boxscript::Answers;
using boxscript::Seen;

namespace {

class ImageFileDialogs : public boxscript::BoxFixture {
protected:
    // Writes image as path (format from the extension) and answers a fresh record of it.
    std::string Write(const char* name, u32 w, u32 h, u32 format, const void* pixels, const Rgb* palette = nullptr,
                      u32 paletteCount = 0)
    {
        std::string path = dir / name;
        FileRecord out(path.c_str());
        out.kind = kFileKindImage;
        out.format = FindFormatByExtension(path.c_str());
        EXPECT_TRUE(out.image.Create(w, h, format, pixels));
        if (palette) {
            EXPECT_TRUE(out.image.SetPalette(paletteCount, palette));
        }
        EXPECT_TRUE(out.Save());
        return path;
    }
    TempFolder dir;
};

// A collection whose table holds 256 distinct colours: nothing new fits.
void FullTable(Collection& c)
{
    for (u32 i = 0; i < 256; ++i) c.colorTable.entries[i] = ColorTableEntry{u8(i), u8(i / 2), 7};
    c.AddBitmap("first", 0, nullptr, 1, 1, 2, nullptr);
}

}  // namespace

TEST_F(ImageFileDialogs, FileChecksNameTheFileAndTheFault)
{
    const u8 rgb[12] = {};
    const u8 grey[4] = {1, 2, 3, 4};
    Rgb ramp[4] = {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {3, 3, 3}};
    Rgb colours[2] = {{9, 0, 0}, {0, 9, 0}};
    const u8 idx[4] = {0, 1, 1, 0};
    std::string text = dir / "notes.txt";
    FILE* f = fopen(text.c_str(), "w");
    fputs("not an image", f);
    fclose(f);
    // A real PNG cut off after its header.
    u8 noise[64 * 64];
    for (u32 i = 0; i < sizeof(noise); ++i) noise[i] = u8(i * 7919 >> 3);
    std::string broken = Write("broken.png", 64, 64, kImageAlpha, noise);
    ASSERT_EQ(0, truncate(broken.c_str(), 60));
    struct Case {
        std::string path;
        bool greyscale;  // which check
        int expect;
        const char* message;  // null: none
    };
    const Case cases[] = {
        {text, false, 0, "'notes.txt': The file is not of the right format."},
        {broken, false, 0, "'broken.png': An error occurred while reading the image data."},
        {Write("rgb.png", 2, 2, kImageRgb, rgb), false, 0, "'rgb.png': The image is not 8-bit paletted."},
        {Write("rgb.bmp", 2, 2, kImageRgb, rgb), true, 0, "'rgb.bmp': The image is not 8-bit greyscale."},
        {Write("pal.png", 2, 2, kImageIndexed, idx, colours, 2), false, 1, nullptr},
        {Write("pal.tiff", 2, 2, kImageIndexed, idx, colours, 2), true, 0,
         "'pal.tiff': The image is not 8-bit greyscale."},
        {Write("grey.png", 2, 2, kImageAlpha, grey), true, 1, nullptr},
        // A grey-ramp indexed file loads as grey and still counts as paletted.
        {Write("ramp.png", 2, 2, kImageIndexed, idx, ramp, 4), false, 1, nullptr},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.path);
        Seen().clear();
        FileRecord file(k.path.c_str());
        int got = k.greyscale ? CheckGreyscaleImageFile(file) : CheckPalettedImageFile(file);
        EXPECT_EQ(k.expect, got);
        if (k.message) {
            ASSERT_EQ(1u, Seen().size());
            EXPECT_EQ("Error", Seen()[0].title);
            EXPECT_EQ(k.message, Seen()[0].text);
        } else {
            EXPECT_TRUE(Seen().empty());
        }
    }
}

TEST_F(ImageFileDialogs, ColoursThatDoNotFitAskToReplaceTheTable)
{
    Rgb colours[3] = {{200, 1, 1}, {201, 1, 1}, {202, 1, 1}};
    const u8 idx[3] = {2, 2, 1};
    std::string path = Write("new colours.png", 3, 1, kImageIndexed, idx, colours, 3);
    const std::string question =
        "'new colours.png': The image is not compatible with the existing color table.\n"
        "Would you like to replace the color table in the tag with the one in the file?";
    struct Case {
        const char* what;
        int answer;  // 0 Replace, 1 Cancel
        bool expectBitmap;
    };
    const Case cases[] = {{"Cancel keeps everything", 1, false}, {"Replace takes the file's table", 0, true}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        Seen().clear();
        Collection c;
        FullTable(c);
        ColorTable before = c.colorTable;
        FileRecord file(path.c_str());
        ASSERT_TRUE(file.Load());
        Answers().push_back(k.answer);
        CollectionBitmap* b = ImportBitmapFile(c, file, nullptr);
        ASSERT_EQ(1u, Seen().size());
        EXPECT_EQ("", Seen()[0].title);
        EXPECT_EQ(question, Seen()[0].text);
        EXPECT_EQ((std::vector<std::string>{"Replace", "Cancel"}), Seen()[0].labels);
        EXPECT_EQ(k.expectBitmap, b != nullptr);
        if (b) {
            EXPECT_STREQ("new colours", b->name);
            EXPECT_EQ(202, c.colorTable.entries[2].red);
            EXPECT_EQ(2u, c.GetBitmapCount());
        } else {
            EXPECT_EQ(0, memcmp(&before, &c.colorTable, sizeof(before)));
            EXPECT_EQ(1u, c.GetBitmapCount());
        }
    }
}

TEST_F(ImageFileDialogs, AnImageThatFitsIsImportedWithoutAQuestion)
{
    Rgb colours[3] = {{0, 0, 0}, {1, 1, 1}, {50, 60, 70}};
    const u8 idx[2] = {2, 0};
    std::string path = Write("fits.bmp", 2, 1, kImageIndexed, idx, colours, 3);
    Collection c;
    FileRecord file(path.c_str());
    ASSERT_TRUE(file.Load());
    CollectionBitmap* b = ImportBitmapFile(c, file, nullptr);
    ASSERT_NE(nullptr, b);
    EXPECT_TRUE(Seen().empty());
    EXPECT_EQ(kBitmapSpanRows, b->flags);
}

TEST_F(ImageFileDialogs, AlphaMaskOfTheWrongSizeIsRefusedWithBothSizes)
{
    Collection c;
    CollectionBitmap* b = c.AddBitmap("b", 0, nullptr, 4, 3, 2, nullptr);
    const u8 mask[6] = {0, 255, 128, 0, 255, 128};
    std::string path = Write("mask.png", 3, 2, kImageAlpha, mask);
    FileRecord file(path.c_str());
    ASSERT_TRUE(file.Load());
    EXPECT_EQ(0, ApplyAlphaMaskFile(c, *b, file));
    ASSERT_EQ(1u, Seen().size());
    EXPECT_EQ("'mask.png': The alpha mask must have the same dimensions as the image. Found: 3 x 2. Expected: 4 x 3.",
              Seen()[0].text);
    EXPECT_EQ(0, b->pixels[0]);
}

TEST_F(ImageFileDialogs, FailedExportsNameTheFile)
{
    Collection c;
    CollectionBitmap* t = c.AddBitmap("t", kBitmapTrueColor, nullptr, 2, 2, 8, nullptr);
    CollectionBitmap* b = c.AddBitmap("b", 0, nullptr, 2, 2, 2, nullptr);
    std::string missing = dir / "no such folder/out.png";
    FileRecord a(missing.c_str());
    a.format = kFileFormatPng;
    EXPECT_EQ(0, ExportBitmapFile(c, *t, a, false));
    EXPECT_EQ(0, ExportBitmapFile(c, *b, a, true));
    EXPECT_EQ((std::vector<std::string>{"'out.png': True-color bitmaps cannot be exported as 8-bit images.",
                                        "'out.png': The image could not be saved."}),
              Texts());
}

TEST_F(ImageFileDialogs, TheMatchingModeIsOfferedAndRemembered)
{
    ResetPrefs();
    std::string one = Write("one.png", 1, 1, kImageAlpha, "\x05");
    FakeOsDialogAnswer answer;
    answer.paths[0] = one.c_str();
    answer.options[0] = 1;
    FakeOsQueueDialogAnswer(answer);
    ScopedDynArray<FileRecord*> files;
    u32 mode = 0;
    ASSERT_EQ(1, ImportBitmapsDialog("Import Bitmaps", &files, &mode));
    const FakeOsDialogRecord* shown = FakeOsLastDialog();
    ASSERT_EQ(1u, shown->options.count);
    EXPECT_STREQ("Replace:", shown->options.data[0].label.c_str());
    EXPECT_STREQ("By Order", shown->options.data[0].choices.data[0].text.c_str());
    EXPECT_STREQ("By Name", shown->options.data[0].choices.data[1].text.c_str());
    EXPECT_EQ(0u, shown->options.data[0].defaultIndex);
    EXPECT_EQ(1u, mode);
    u32 stored = 9;
    ASSERT_TRUE(GetPrefInt("BitmapImportMappingMode", &stored));
    EXPECT_EQ(1u, stored);
    EXPECT_EQ(1u, files.count);
    files.DeleteAll();

    // The next dialog starts from the stored choice; cancelling stores nothing.
    FakeOsDialogAnswer cancel;
    cancel.ok = 0;
    FakeOsQueueDialogAnswer(cancel);
    mode = 0;
    EXPECT_EQ(0, ImportBitmapsDialog("Import Bitmaps", &files, &mode));
    EXPECT_EQ(1u, FakeOsLastDialog()->options.data[0].selectedIndex);
    ASSERT_TRUE(GetPrefInt("BitmapImportMappingMode", &stored));
    EXPECT_EQ(1u, stored);
    ResetPrefs();
}

TEST_F(ImageFileDialogs, ImportsCheckTheFileFirst)
{
    std::string text = dir / "notes.txt";
    FILE* f = fopen(text.c_str(), "w");
    fputs("not an image", f);
    fclose(f);
    const u8 rgb[12] = {};
    std::string colour = Write("colour.png", 2, 2, kImageRgb, rgb);
    Collection c;
    CollectionBitmap* b = c.AddBitmap("b", 0, nullptr, 2, 2, 2, nullptr);
    FileRecord notImage(text.c_str());
    EXPECT_EQ(nullptr, ImportBitmapFile(c, notImage, nullptr));
    FileRecord notGrey(colour.c_str());
    EXPECT_EQ(0, ApplyAlphaMaskFile(c, *b, notGrey));
    EXPECT_EQ((std::vector<std::string>{"'notes.txt': The file is not of the right format.",
                                        "'colour.png': The image is not 8-bit greyscale."}),
              Texts());
    EXPECT_EQ(1u, c.GetBitmapCount());
}

TEST_F(ImageFileDialogs, AnImageTooLargeForABitmapSaysSoInsteadOfAskingAboutColours)
{
    Rgb colours[2] = {{200, 1, 1}, {201, 1, 1}};
    std::vector<u8> idx(32768, 1);
    std::string path = Write("wide.png", 32768, 1, kImageIndexed, idx.data(), colours, 2);
    Collection c;
    FullTable(c);
    ColorTable before = c.colorTable;
    const u32 count = c.GetBitmapCount();
    FileRecord file(path.c_str());
    ASSERT_TRUE(file.Load());
    EXPECT_EQ(nullptr, ImportBitmapFile(c, file, nullptr));
    ASSERT_EQ(1u, Seen().size());
    EXPECT_EQ("Error", Seen()[0].title);
    EXPECT_EQ("'wide.png': The image is too large for a bitmap.", Seen()[0].text);
    EXPECT_EQ(count, c.GetBitmapCount());
    EXPECT_EQ(0, memcmp(&before, &c.colorTable, sizeof(before)));
}
