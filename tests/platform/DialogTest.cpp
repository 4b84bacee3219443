// The platform level of the file, folder and colour dialogs, answered by the fake backend.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/Os.h"
#include "platform/OsDialogs.h"
#include "platform/OsFake.h"

namespace {

class Dialogs : public ::testing::Test {
protected:
    void SetUp() override
    {
        OsUseFakeBackend();
        OsInit();
        OsOpenWindow(800, 600, 0, 0);
        filters = {};
        Add("Bitmap Image", "*.bmp");
        Add("PNG Image", "*.png");
        Add("TIFF Image", "*.tiff");
    }
    void TearDown() override
    {
        filters.Clear();
        OsResetState();
    }
    void Add(const char* d, const char* p)
    {
        FileFilter f;
        f.description.Set(d);
        f.pattern.Set(p);
        filters.Push(f);
    }
    static void Answer(int ok, const char* path, u32 filterIndex = 0, const char* path2 = nullptr,
                       const char* path3 = nullptr)
    {
        FakeOsDialogAnswer a;
        a.ok = ok;
        a.filterIndex = filterIndex;
        a.paths[0] = path;
        a.paths[1] = path2;
        a.paths[2] = path3;
        FakeOsQueueDialogAnswer(a);
    }
    DynArray<FileFilter> filters;
};

std::string Patterns(const DynArray<FileFilter>& list)
{
    std::string s;
    for (const FileFilter& f : list) s += std::string(f.description.c_str()) + "=" + f.pattern.c_str() + "|";
    return s;
}

}  // namespace

TEST_F(Dialogs, OpenDialogsWithSeveralFiltersGetAJoinedAnyEntry)
{
    ScopedDynArray<FileFilter> shown;
    OsBuildFilterList(&shown, &filters, 1);
    EXPECT_EQ(Patterns(shown), "Bitmap Image=*.bmp|PNG Image=*.png|TIFF Image=*.tiff|Any=*.bmp;*.png;*.tiff|");
    OsBuildFilterList(&shown, &filters, 0);
    EXPECT_EQ(Patterns(shown), "Bitmap Image=*.bmp|PNG Image=*.png|TIFF Image=*.tiff|");
    filters.Remove(1, 2);
    OsBuildFilterList(&shown, &filters, 1);
    EXPECT_EQ(Patterns(shown), "Bitmap Image=*.bmp|");
    OsBuildFilterList(&shown, nullptr, 1);
    EXPECT_EQ(Patterns(shown), "All Files=*.*|");
}

TEST(DialogPatterns, PatternsMatchWithoutRegardToCase)
{
    struct Case { const char* pattern; const char* glob; } cases[] = {
        {"*.bmp", "*.[bB][mM][pP]"}, {"*.TIFF", "*.[tT][iI][fF][fF]"}, {"*.*", "*"}, {"*", "*"},
        {"*.lwo2", "*.[lL][wW][oO]2"}, {"qqqq.q", "[qQ][qQ][qQ][qQ].[qQ]"},
    };
    for (const Case& c : cases) {
        String glob;
        OsFilterPatternToGlob(&glob, c.pattern);
        EXPECT_STREQ(glob.c_str(), c.glob) << c.pattern;
    }
}

TEST(DialogPaths, AnInitialPathSplitsIntoFolderAndName)
{
    struct Case { const char* path; const char* folder; const char* name; } cases[] = {
        {"C:\\images\\a.bmp", "C:/images", "a.bmp"}, {"/tmp/x/pic.png", "/tmp/x", "pic.png"},
        {"pic.png", "", "pic.png"}, {"/tmp/x/", "/tmp/x", ""}, {"/a.bmp", "/", "a.bmp"}, {"", "", ""},
    };
    for (const Case& c : cases) {
        String folder, name;
        OsSplitDialogPath(c.path, &folder, &name);
        EXPECT_STREQ(folder.c_str(), c.folder) << c.path;
        EXPECT_STREQ(name.c_str(), c.name) << c.path;
    }
}

TEST_F(Dialogs, SavingAppendsTheChosenExtensionUnlessTheNameEndsWithIt)
{
    struct Case { const char* typed; u32 filter; const char* result; } cases[] = {
        {"/img/image.BMP", 0, "/img/image.BMP"},  // its own extension, in any case
        {"/img/pic.bmp", 0, "/img/pic.bmp"},
        {"/img/pic.bmp.old", 0, "/img/pic.bmp.old.bmp"},  // only the last extension counts
        {"/img/x.bmp/pic", 0, "/img/x.bmp/pic.bmp"},     // a folder's name does not count
        {"/img/pic", 1, "/img/pic.png"},
        {"C:\\img\\pic", 2, "C:/img/pic.tiff"},
    };
    for (const Case& c : cases) {
        Answer(1, c.typed, c.filter);
        String path("/start/name.bmp");
        u32 index = 0;
        ASSERT_TRUE(OsSaveFileDialog("Save Image As", &filters, &index, &path, nullptr)) << c.typed;
        EXPECT_STREQ(path.c_str(), c.result);
        EXPECT_EQ(index, c.filter);
    }
    const FakeOsDialogRecord* r = FakeOsLastDialog();
    EXPECT_EQ(r->kind, 0);
    EXPECT_STREQ(r->title.c_str(), "Save Image As");
    EXPECT_STREQ(r->folder.c_str(), "/start");
    EXPECT_STREQ(r->fileName.c_str(), "name.bmp");
    EXPECT_EQ(r->filters.count, 3u);  // no "Any" when saving
}

TEST_F(Dialogs, AWildcardFilterAddsNoExtension)
{
    filters.Clear();
    Add("All files", "*.*");
    Answer(1, "/tmp/notes.txt");
    String path;
    u32 index = 0;
    ASSERT_TRUE(OsSaveFileDialog(nullptr, &filters, &index, &path, nullptr));
    EXPECT_STREQ(path.c_str(), "/tmp/notes.txt");
}

TEST_F(Dialogs, TheDialogStartsAtTheGivenFilterWhenItIsInTheList)
{
    for (u32 start : {0u, 2u, 3u, 4u, 99u}) {
        Answer(0, nullptr);
        String path;
        u32 index = start;
        EXPECT_FALSE(OsOpenFileDialog("Open Image", &filters, &index, &path, nullptr));
        EXPECT_EQ(index, start) << "a cancel changes nothing";
        EXPECT_EQ(FakeOsLastDialog()->filterIndex, start <= 3 ? start : 0u) << start;
    }
}

TEST_F(Dialogs, OpeningAddsTheExtensionOnlyForOneOfTheGivenFilters)
{
    Answer(1, "/img/a", 1);
    String path;
    u32 index = 0;
    ASSERT_TRUE(OsOpenFileDialog(nullptr, &filters, &index, &path, nullptr));
    EXPECT_STREQ(path.c_str(), "/img/a.png");
    Answer(1, "/img/b", 3);  // "Any"
    ASSERT_TRUE(OsOpenFileDialog(nullptr, &filters, &index, &path, nullptr));
    EXPECT_STREQ(path.c_str(), "/img/b");
    EXPECT_EQ(index, 3u);
}

TEST_F(Dialogs, AnExistingFileIsOpenedUnderItsOwnNameWhateverTheCaseOfItsExtension)
{
    char tmpl[] = "/tmp/tavik-dialog-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    std::string dir = tmpl;
    std::string photo = dir + "/photo.PNG";
    FILE* f = fopen(photo.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(fclose(f), 0);
    Answer(1, photo.c_str(), 1);  // listed under "PNG Image", whose pattern matches any case
    String path;
    u32 index = 0;
    ASSERT_TRUE(OsOpenFileDialog(nullptr, &filters, &index, &path, nullptr));
    EXPECT_STREQ(path.c_str(), photo.c_str());
    remove(photo.c_str());
    rmdir(dir.c_str());
}

namespace {
// Digits compare by value, as the program's natural order does.
int NumericCompare(const char* a, const char* b)
{
    while (*a && *b) {
        if (isdigit(u8(*a)) && isdigit(u8(*b))) {
            long x = strtol(a, const_cast<char**>(&a), 10), y = strtol(b, const_cast<char**>(&b), 10);
            if (x != y) return x < y ? -1 : 1;
            continue;
        }
        if (*a != *b) return u8(*a) < u8(*b) ? -1 : 1;
        ++a;
        ++b;
    }
    return *a ? 1 : *b ? -1 : 0;
}
}  // namespace

TEST_F(Dialogs, SeveralChosenFilesComeBackInTheProgramsNameOrder)
{
    OsSetNameCompare(NumericCompare);
    Answer(1, "/img/a10.bmp", 0, "/img/a2.bmp", "C:\\img\\a1.bmp");
    ScopedDynArray<String> paths;
    u32 index = 0;
    ASSERT_TRUE(OsOpenFilesDialog("Open Multiple Images", "/img/", &filters, &index, &paths, nullptr));
    ASSERT_EQ(paths.count, 3u);
    EXPECT_STREQ(paths[0].c_str(), "/img/a2.bmp");
    EXPECT_STREQ(paths[1].c_str(), "/img/a10.bmp");
    EXPECT_STREQ(paths[2].c_str(), "C:/img/a1.bmp");
    EXPECT_EQ(FakeOsLastDialog()->kind, 2);
    EXPECT_EQ(FakeOsLastDialog()->filters.count, 4u);

    Answer(0, nullptr);
    EXPECT_FALSE(OsOpenFilesDialog(nullptr, nullptr, &filters, &index, &paths, nullptr));
    EXPECT_EQ(paths.count, 0u);
}

TEST_F(Dialogs, AChosenFolderEndsWithASlashAndExtraRowsAreReadBack)
{
    ScopedDynArray<DialogOption> options;
    DialogOption o;
    o.label.Set("Target Format:");
    const char* texts[] = {"Bitmap Image (*.bmp)", "PNG Image (*.png)", "TIFF Image (*.tiff)"};
    for (u32 i = 0; i < 3; ++i) {
        DialogOptionChoice c;
        c.text.Set(texts[i]);
        c.value = 5 + i;
        o.choices.Push(c);
    }
    o.defaultIndex = o.selectedIndex = 1;
    options.Push(o);
    options.Push(o);
    o.choices.Clear();

    FakeOsDialogAnswer a;
    a.paths[0] = "C:\\out\\images";
    a.options[0] = 2;
    a.options[1] = 7;  // not a choice: the row keeps its selection
    FakeOsQueueDialogAnswer(a);
    String folder("/start");
    ASSERT_TRUE(OsChooseFolderDialog("Choose Image Folder", &folder, &options));
    EXPECT_STREQ(folder.c_str(), "C:/out/images/");
    EXPECT_EQ(options[0].selectedIndex, 2u);
    EXPECT_EQ(options[1].selectedIndex, 1u);
    const FakeOsDialogRecord* r = FakeOsLastDialog();
    EXPECT_EQ(r->kind, 3);
    EXPECT_STREQ(r->folder.c_str(), "/start");
    ASSERT_EQ(r->options.count, 2u);
    EXPECT_STREQ(r->options[0].choices[2].text.c_str(), "TIFF Image (*.tiff)");
}

TEST_F(Dialogs, ACancelledOrUnansweredDialogChangesNothing)
{
    String path("/keep/me.bmp");
    u32 index = 1;
    EXPECT_FALSE(OsSaveFileDialog(nullptr, &filters, &index, &path, nullptr));  // nobody answers
    EXPECT_EQ(FakeOsUnexpectedDialogCount(), 1u);
    Answer(0, "/other.bmp", 2);
    EXPECT_FALSE(OsSaveFileDialog(nullptr, &filters, &index, &path, nullptr));
    EXPECT_STREQ(path.c_str(), "/keep/me.bmp");
    EXPECT_EQ(index, 1u);
    Answer(1, nullptr);  // OK without a name is no answer either
    EXPECT_FALSE(OsSaveFileDialog(nullptr, &filters, &index, &path, nullptr));
    EXPECT_STREQ(path.c_str(), "/keep/me.bmp");
}

TEST_F(Dialogs, ACancelledColourDialogLeavesTheColour)
{
    FakeOsDialogAnswer a;
    a.ok = 0;
    a.rgb[0] = 9;
    FakeOsQueueDialogAnswer(a);
    u8 rgb[3] = {10, 20, 30};
    EXPECT_FALSE(PickColor(rgb));
    EXPECT_EQ(rgb[0], 10);
    EXPECT_EQ(rgb[2], 30);
    EXPECT_EQ(FakeOsLastDialog()->kind, 4);
    EXPECT_EQ(FakeOsLastDialog()->rgb[1], 20);
    EXPECT_TRUE(FakeOsLastDialog()->nativeDialogActive);
}

TEST_F(Dialogs, CustomColoursAreOfferedAgainWithinTheRunAndGoneAfterARestart)
{
    u8 zero[16][3] = {};
    u8 custom[16][3];
    OsGetCustomColors(custom);
    EXPECT_EQ(0, memcmp(custom, zero, sizeof zero));

    const u8 picks[3][3] = {{255, 0, 0}, {0, 255, 0}, {255, 0, 0}};
    for (const auto& p : picks) {
        FakeOsDialogAnswer a;
        memcpy(a.rgb, p, 3);
        FakeOsQueueDialogAnswer(a);
        u8 rgb[3] = {1, 2, 3};
        ASSERT_TRUE(PickColor(rgb));
        EXPECT_EQ(0, memcmp(rgb, p, 3));
    }
    FakeOsQueueDialogAnswer(FakeOsDialogAnswer());
    u8 rgb[3] = {};
    PickColor(rgb);
    const FakeOsDialogRecord* r = FakeOsLastDialog();
    // The latest pick leads; picking red again moved it up instead of repeating it.
    EXPECT_EQ(r->custom[0][0], 255);
    EXPECT_EQ(r->custom[0][1], 0);
    EXPECT_EQ(r->custom[1][1], 255);
    EXPECT_EQ(r->custom[2][0], 0);

    OsResetState();  // a new run
    OsGetCustomColors(custom);
    EXPECT_EQ(0, memcmp(custom, zero, sizeof zero));
}
