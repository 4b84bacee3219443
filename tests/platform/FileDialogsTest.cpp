// Dialogs by file kind: remembered folders and formats, sniffing of the chosen files, the
// target-format option and the messages, answered by the fake backend.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "foundation/PrefStore.h"
#include "foundation/StringUtil.h"
#include "platform/FileDialogs.h"
#include "platform/Os.h"
#include "platform/OsFake.h"

namespace {

std::vector<std::string> gErrors;
void CaptureError(const char*, const char* text) { gErrors.push_back(text); }

class FileDialogsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        OsUseFakeBackend();
        OsInit();
        OsOpenWindow(800, 600, 0, 0);
        OsSetNameCompare(NaturalCompare);
        ResetPrefs();
        gErrors.clear();
        SetDialogErrorHook(CaptureError);
        char pattern[] = "/tmp/tavik-dialogs-XXXXXX";
        ASSERT_TRUE(mkdtemp(pattern));
        folder = std::string(pattern) + "/";
    }
    void TearDown() override
    {
        SetDialogErrorHook(nullptr);
        FreeFileKindTable();
        ResetPrefs();
        OsResetState();
        std::filesystem::remove_all(folder);
    }
    static void Answer(int ok, std::vector<std::string> paths, u32 filter = 0, s32 option0 = -1)
    {
        static std::vector<std::string> keep;
        keep = paths;
        FakeOsDialogAnswer a;
        a.ok = ok;
        a.filterIndex = filter;
        for (size_t i = 0; i < keep.size() && i < 8; ++i) a.paths[i] = keep[i].c_str();
        a.options[0] = option0;
        FakeOsQueueDialogAnswer(a);
    }
    // A 1 x 1 BMP, or any bytes.
    std::string WriteFile(const char* name, bool image)
    {
        std::string path = folder + name;
        FILE* f = fopen(path.c_str(), "wb");
        if (image) {
            const u8 bmp[58] = {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 1, 0, 0, 0, 1, 0,
                                0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                0, 0, 0, 0, 0, 0, 1, 2, 3, 0};
            fwrite(bmp, sizeof bmp, 1, f);
        } else {
            fputs("plain text", f);
        }
        fclose(f);
        return path;
    }
    std::string folder;
};

}  // namespace

TEST_F(FileDialogsTest, ImageSavesRememberTheirFolderAndFormat)
{
    FileRecord record("pic");
    Answer(1, {folder + "pic.png"}, 1);
    ASSERT_TRUE(SaveFileDialog(nullptr, &record, kFileKindImage, nullptr));
    const FakeOsDialogRecord* shown = FakeOsLastDialog();
    EXPECT_STREQ(shown->title.c_str(), "Save Image As");
    EXPECT_EQ(shown->filterIndex, 0u) << "the first image save starts at Bitmap Image";
    ASSERT_EQ(shown->filters.count, 3u);
    EXPECT_STREQ(record.path.c_str(), (folder + "pic.png").c_str());
    EXPECT_EQ(record.format, u32(kFileFormatPng));
    EXPECT_EQ(record.kind, u32(kFileKindImage));

    FileRecord next("other");
    Answer(1, {folder + "other.bmp"}, 0);
    ASSERT_TRUE(SaveFileDialog("Export", &next, kFileKindImage, nullptr));
    shown = FakeOsLastDialog();
    EXPECT_STREQ(shown->title.c_str(), "Export");
    EXPECT_EQ(shown->filterIndex, 1u) << "starts at PNG Image after a PNG was saved";
    EXPECT_EQ(std::string(shown->folder.c_str()) + "/", folder) << "in the PNG's folder";
}

TEST_F(FileDialogsTest, CancelledDialogsWriteNoPreference)
{
    FileRecord record("pic");
    Answer(0, {});
    EXPECT_FALSE(SaveFileDialog(nullptr, &record, kFileKindImage, nullptr));
    String s;
    u32 v;
    EXPECT_FALSE(GetPrefString("LastImageSavePath", &s));
    EXPECT_FALSE(GetPrefInt("LastImageSaveFormat", &v));
    EXPECT_STREQ(record.path.c_str(), "pic");
}

TEST_F(FileDialogsTest, OpenedFilesAreSniffedAndUnreadableOnesRefused)
{
    std::string image = WriteFile("one.bmp", true);
    FileRecord record;
    Answer(1, {image});
    ASSERT_TRUE(OpenFileDialog(nullptr, &record, kFileKindImage, nullptr));
    EXPECT_EQ(record.format, u32(kFileFormatBmp));
    EXPECT_TRUE(gErrors.empty());

    std::string text = WriteFile("notes.bmp", false);
    FileRecord bad;
    Answer(1, {text});
    EXPECT_FALSE(OpenFileDialog(nullptr, &bad, kFileKindImage, nullptr));
    ASSERT_EQ(gErrors.size(), 1u);
    EXPECT_EQ(gErrors[0], "The selected file could not be read (inaccessable or invalid format).");
}

TEST_F(FileDialogsTest, SeveralFilesComeInNaturalOrderOrNotAtAll)
{
    std::string a10 = WriteFile("a10.bmp", true), a2 = WriteFile("a2.bmp", true), a1 = WriteFile("a1.bmp", true);
    ScopedDynArray<FileRecord*> records;
    Answer(1, {a10, a2, a1});
    ASSERT_TRUE(OpenMultipleFilesDialog(nullptr, nullptr, &records, kFileKindImage, nullptr));
    ASSERT_EQ(records.count, 3u);
    EXPECT_STREQ(records[0]->path.c_str(), a1.c_str());
    EXPECT_STREQ(records[1]->path.c_str(), a2.c_str());
    EXPECT_STREQ(records[2]->path.c_str(), a10.c_str());
    records.DeleteAll();

    std::string text = WriteFile("b.bmp", false);
    Answer(1, {a1, text});
    EXPECT_FALSE(OpenMultipleFilesDialog(nullptr, nullptr, &records, kFileKindImage, nullptr));
    EXPECT_EQ(records.count, 0u);
    ASSERT_EQ(gErrors.size(), 1u);
    EXPECT_EQ(gErrors[0], "Some of the selected files could not be read (inaccessable or invalid format).");
}

TEST_F(FileDialogsTest, FolderPickerOffersTheTargetFormatsAndRemembersTheChoice)
{
    ScopedDynArray<DialogOption> options;
    AddDialogOption(&options, "Mode:", 0, "Full", 0u, "Alpha Only", 1u, nullptr);
    String chosen;
    u32 format = 0;
    Answer(1, {folder}, 0, 2);
    ASSERT_TRUE(ChooseFolderDialog(nullptr, &chosen, &format, kFileKindImage, &options));
    const FakeOsDialogRecord* shown = FakeOsLastDialog();
    EXPECT_STREQ(shown->title.c_str(), "Choose Image Folder");
    ASSERT_EQ(shown->options.count, 2u);
    const DialogOption& target = shown->options[0];
    EXPECT_STREQ(target.label.c_str(), "Target Format:");
    ASSERT_EQ(target.choices.count, 3u);
    EXPECT_STREQ(target.choices[0].text.c_str(), "Bitmap Image (*.bmp)");
    EXPECT_STREQ(target.choices[2].text.c_str(), "TIFF Image (*.tiff)");
    EXPECT_EQ(target.choices[0].value, 5u);
    EXPECT_EQ(target.choices[1].value, 6u);
    EXPECT_EQ(target.choices[2].value, 7u);
    EXPECT_EQ(format, 7u);
    EXPECT_STREQ(chosen.c_str(), folder.c_str());
    ASSERT_EQ(options.count, 1u) << "the target-format option is taken out again";
    EXPECT_STREQ(options[0].label.c_str(), "Mode:");

    u32 remembered = 0;
    ASSERT_TRUE(GetPrefInt("LastImageFolderFormat", &remembered));
    EXPECT_EQ(remembered, 2u);
    String none;
    Answer(1, {folder});
    ASSERT_TRUE(ChooseFolderDialog(nullptr, &none, &format, kFileKindImage, nullptr));
    EXPECT_EQ(FakeOsLastDialog()->options[0].selectedIndex, 2u) << "starts at the remembered format";
}

TEST_F(FileDialogsTest, OptionDefaultsAreClampedToTheirChoices)
{
    ScopedDynArray<DialogOption> options;
    AddDialogOption(&options, "A:", 5, "x", 10u, "y", 11u, "z", 12u, nullptr);
    AddDialogOption(&options, "B:", -1, "x", 20u, "y", 21u, nullptr);
    EXPECT_EQ(options[0].selectedIndex, 2u);
    EXPECT_EQ(options[0].defaultIndex, 2u);
    EXPECT_EQ(options[1].selectedIndex, 0u);
    EXPECT_EQ(GetDialogOptionValue(&options, 0), 12u);
    EXPECT_EQ(GetDialogOptionValue(&options, 1), 20u);
    EXPECT_EQ(GetDialogOptionValue(&options, 7), 0u);
}

TEST_F(FileDialogsTest, PathsWithoutAFolderGetTheRememberedOne)
{
    SetPrefString("LastOpenPath", "/data/games");
    String path("file.txt");
    ComposeDialogPath(&path, "LastOpenPath");
    EXPECT_STREQ(path.c_str(), "/data/games/file.txt");
    String full("/x/y.txt");
    ComposeDialogPath(&full, "LastOpenPath");
    EXPECT_STREQ(full.c_str(), "/x/y.txt");
    RememberFolderPref("/a/b/c.png", "LastImageOpenPath");
    String stored;
    ASSERT_TRUE(GetPrefString("LastImageOpenPath", &stored));
    EXPECT_STREQ(stored.c_str(), "/a/b/");
}

TEST_F(FileDialogsTest, ColorTableExportSuggestsActOnlyWhenTheNameLacksItAndReportsAFailedWrite)
{
    const Rgb entries[2] = {{1, 2, 3}, {4, 5, 6}};
    struct Case { const char* given; const char* shown; } cases[] = {
        {"pal", "pal.act"},
        {"pal.ACT", "pal.ACT"},
        {"tables.act/pal", "pal.act"},
    };
    for (const Case& c : cases) {
        Answer(0, {});
        EXPECT_FALSE(ExportColorTableDialog(c.given, entries, 2));
        EXPECT_STREQ(FakeOsLastDialog()->fileName.c_str(), c.shown) << c.given;
    }

    Answer(1, {folder + "saved.act"});
    ASSERT_TRUE(ExportColorTableDialog("saved", entries, 2));
    Rgb back[256];
    u32 count = 0;
    Answer(1, {folder + "saved.act"});
    ASSERT_TRUE(ImportColorTableDialog(nullptr, back, &count));
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(back[1].g, 5);
    EXPECT_TRUE(gErrors.empty());

    Answer(1, {folder + "missing/saved.act"});
    EXPECT_FALSE(ExportColorTableDialog("saved", entries, 2));
    ASSERT_EQ(gErrors.size(), 1u);
    EXPECT_EQ(gErrors[0], "The color table could not be saved.");
}

TEST_F(FileDialogsTest, CancelledDialogsLeaveTheCallersChoicesAsTheyWere)
{
    ScopedDynArray<DialogOption> options;
    AddDialogOption(&options, "Mode:", 0, "Full", 0u, "Alpha Only", 1u, nullptr);
    // The user changes the rows (the folder picker reads them back whenever the folder
    // changes) and then cancels.
    FakeOsDialogAnswer a;
    a.ok = 0;
    a.options[0] = 1;
    a.options[1] = 1;
    FakeOsQueueDialogAnswer(a);
    String chosen;
    u32 format = 0;
    EXPECT_FALSE(ChooseFolderDialog(nullptr, &chosen, &format, kFileKindImage, &options));
    ASSERT_EQ(options.count, 1u);
    EXPECT_EQ(options[0].selectedIndex, 0u) << "folder picker";
    EXPECT_EQ(format, 0u);

    FileRecord record("pic");
    FakeOsQueueDialogAnswer(a);
    EXPECT_FALSE(SaveFileDialog(nullptr, &record, kFileKindImage, &options));
    EXPECT_EQ(options[0].selectedIndex, 0u) << "save";
    FakeOsQueueDialogAnswer(a);
    EXPECT_FALSE(OpenFileDialog(nullptr, &record, kFileKindImage, &options));
    EXPECT_EQ(options[0].selectedIndex, 0u) << "open";
    ScopedDynArray<FileRecord*> records;
    FakeOsQueueDialogAnswer(a);
    EXPECT_FALSE(OpenMultipleFilesDialog(nullptr, nullptr, &records, kFileKindImage, &options));
    EXPECT_EQ(options[0].selectedIndex, 0u) << "open several";

    // Confirmed, the choice stands.
    Answer(1, {folder}, 0, 1);
    ASSERT_TRUE(SaveFileDialog(nullptr, &record, kFileKindImage, &options));
    EXPECT_EQ(options[0].selectedIndex, 1u);
}
