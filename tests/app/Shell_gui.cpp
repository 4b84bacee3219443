// The shell's start-up preferences, the menu bar's Window menu and commands, and the image
// conversion, through the fake OS backend (no display).
#include "tests/gui/WindowTestSupport.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "app/RootMenu.h"
#include "app/Shell.h"
#include "codex/Archive.h"
#include "codex/Codex.h"
#include "codex/TagHeader.h"
#include "foundation/FileRecord.h"
#include "foundation/PrefStore.h"
#include "foundation/StringUtil.h"
#include "gui/Button.h"
#include "gui/MessageBox.h"
#include "platform/FileDialogs.h"
#include "platform/OsFake.h"
#include "tests/common/TempFolder.h"
#include "tests/gui/MessageBoxSupport.h"

using namespace wtest;

namespace {

class ShellTest : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        ResetPrefs();
    }
    void TearDown() override
    {
        ResetPrefs();
        WindowFixture::TearDown();
    }
};

}  // namespace

TEST_F(ShellTest, StartWindowSizeComesFromBothKeysWithinLimits)
{
    struct Case { const char* what; s32 x, y; int w, h; } cases[] = {
        {"no keys", -1, -1, 1024, 768},
        {"too small", 500, 300, 640, 480},
        {"only X", 800, -1, 1024, 768},
        {"too large", 20000, 900, 16384, 900},
    };
    for (const Case& c : cases) {
        ResetPrefs();
        if (c.x >= 0) SetPrefInt("OsWindowSizeX", u32(c.x));
        if (c.y >= 0) SetPrefInt("OsWindowSizeY", u32(c.y));
        int w = 0, h = 0;
        GetStartWindowSize(&w, &h);
        EXPECT_EQ(w, c.w) << c.what;
        EXPECT_EQ(h, c.h) << c.what;
    }
}

TEST_F(ShellTest, DefaultsAreRegisteredBeforeThePreferencesFile)
{
    RegisterPreferenceDefaults();
    String path;
    u32 splash = 0, vsync = 1, full = 1;
    ASSERT_TRUE(GetPrefString("VornPath", &path));
    EXPECT_STREQ(path.c_str(), ".");
    ASSERT_TRUE(GetPrefInt("ShowSplash", &splash));
    EXPECT_EQ(splash, 1u);
    ASSERT_TRUE(GetPrefInt("UseVSync", &vsync));
    EXPECT_EQ(vsync, 0u);
    ASSERT_TRUE(GetPrefInt("UseFullscreen", &full));
    EXPECT_EQ(full, 0u);
}

TEST_F(ShellTest, WindowMenuListsTheVisibleWindowsAndBringsOneToTheFront)
{
    RootMenu* menu = ShowRootMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_STREQ(menu->GetTitle(), "TavikRootMenu");
    EXPECT_STREQ(menu->GetClassName(), "Window");
    Window* back = new Probe(WF_VISIBLE | WF_TITLEBAR, nullptr, "Back");
    new Probe(WF_TITLEBAR, nullptr, "Hidden");
    Window* front = new Probe(WF_VISIBLE | WF_TITLEBAR, nullptr, "Front");
    menu->PopulateWindowMenu(menu->windowMenu);

    std::vector<std::string> labels;
    for (MenuItem* i = menu->windowMenu->FirstItem(); i; i = MenuItem::NextItem(i)) labels.push_back(i->GetTitle());
    ASSERT_EQ(labels.size(), 3u);
    EXPECT_EQ(labels[0], "Close All Windows");
    EXPECT_EQ(labels[1], "Front");
    EXPECT_EQ(labels[2], "Back");

    MenuItem* backItem = MenuItem::NextItem(MenuItem::NextItem(menu->windowMenu->FirstItem()));
    menu->OnCommand(backItem);
    EXPECT_EQ(Layer0()->GetFirstChild(), back);
    (void)front;
}

TEST_F(ShellTest, ScreenSizeChangesAreRemembered)
{
    RootMenu* menu = ShowRootMenu();
    Event e = {};
    e.data[0] = 1280;
    e.data[1] = 900;
    menu->HandleEvent(menu, EVENT_SCREENRESIZED, &e);
    u32 x = 0, y = 0;
    ASSERT_TRUE(GetPrefInt("OsWindowSizeX", &x));
    ASSERT_TRUE(GetPrefInt("OsWindowSizeY", &y));
    EXPECT_EQ(x, 1280u);
    EXPECT_EQ(y, 900u);
}

TEST_F(ShellTest, ImagesAreConvertedBesideTheirSourcesAndTargetFormatsSkipped)
{
    char pattern[] = "/tmp/tavik-convert-XXXXXX";
    ASSERT_TRUE(mkdtemp(pattern));
    std::string folder = pattern;
    std::string source = folder + "/leaf.bmp";
    {
        FileRecord out(source.c_str());
        out.kind = kFileKindImage;
        out.format = kFileFormatBmp;
        out.image.Init();
        const u8 rgba[8] = {10, 20, 30, 255, 40, 50, 60, 128};
        ASSERT_TRUE(out.image.Create(2, 1, kImageRgba, rgba));
        ASSERT_TRUE(out.Save());
    }
    EXPECT_EQ(ConvertImageFile(source.c_str(), kFileFormatPng, 0), 1);
    FileRecord png((folder + "/leaf.png").c_str());
    ASSERT_TRUE(png.Load());
    EXPECT_EQ(png.image.width, 2u);
    EXPECT_EQ(ConvertImageFile((folder + "/leaf.png").c_str(), kFileFormatPng, 0), 0) << "already the target format";

    EXPECT_EQ(ConvertImageFile(source.c_str(), kFileFormatPng, 1), 1);
    FileRecord alpha((folder + "/leaf.alpha.png").c_str());
    ASSERT_TRUE(alpha.Load());
    EXPECT_EQ(alpha.image.format, u32(kImageAlpha));
    EXPECT_EQ(alpha.image.pixels[1], 128);
    EXPECT_TRUE(std::filesystem::exists(source)) << "the source stays";
    std::filesystem::remove_all(folder);
}

TEST_F(ShellTest, ConvertedFilesGetTheTargetExtensionEvenWhenAFolderNameHoldsIt)
{
    char pattern[] = "/tmp/tavik-convert-XXXXXX";
    ASSERT_TRUE(mkdtemp(pattern));
    std::string folder = std::string(pattern) + "/shots.png";
    ASSERT_TRUE(std::filesystem::create_directory(folder));
    std::string source = folder + "/pic.bmp";
    {
        FileRecord out(source.c_str());
        out.kind = kFileKindImage;
        out.format = kFileFormatBmp;
        out.image.Init();
        const u8 rgba[4] = {1, 2, 3, 255};
        ASSERT_TRUE(out.image.Create(1, 1, kImageRgba, rgba));
        ASSERT_TRUE(out.Save());
    }
    EXPECT_EQ(ConvertImageFile(source.c_str(), kFileFormatPng, 0), 1);
    EXPECT_TRUE(std::filesystem::exists(folder + "/pic.png"));
    EXPECT_FALSE(std::filesystem::exists(folder + "/pic")) << "written without an extension";
    std::filesystem::remove_all(pattern);
}

namespace {

// Closing it also closes (and deletes, as a modal close question's steps would) another window.
class ClosesPartner : public Probe {
public:
    ClosesPartner(Window** partner) noexcept : Probe(WF_VISIBLE | WF_TITLEBAR | WF_CLOSEBOX, nullptr, "Editor"),
                                              partner(partner) {}
    int CanClose(u32) override
    {
        if (*partner) {
            (*partner)->Close();
            *partner = nullptr;
            WindowSystem::ProcessDeferredDeletes();
        }
        return 1;
    }
    Window** partner;
};

}  // namespace

TEST_F(ShellTest, WindowMenuSkipsListedWindowsThatHaveGoneSince)
{
    RootMenu* menu = ShowRootMenu();
    Window* info = new Probe(WF_VISIBLE | WF_TITLEBAR | WF_CLOSEBOX, nullptr, "Info");
    Window* infoRef = info;
    new ClosesPartner(&infoRef);
    Window* other = new Probe(WF_VISIBLE | WF_TITLEBAR | WF_CLOSEBOX, nullptr, "Other");
    menu->PopulateWindowMenu(menu->windowMenu);
    ASSERT_EQ(menu->windows.count, 3u);
    EXPECT_EQ(menu->windows[2], info) << "Info is listed behind the editor";

    // Closing the editor takes Info with it; the list still names Info.
    MenuItem* closeAll = menu->windowMenu->FirstItem();
    ASSERT_EQ(closeAll->GetId(), u32(kCmdCloseAllWindows));
    MenuItem* infoItem = MenuItem::NextItem(MenuItem::NextItem(MenuItem::NextItem(closeAll)));
    ASSERT_STREQ(infoItem->GetTitle(), "Info");
    WindowWatch otherWatch(other);  // the partner's close may delete it at once
    menu->OnCommand(closeAll);
    EXPECT_EQ(infoRef, nullptr);
    EXPECT_TRUE(!otherWatch.IsAlive() || other->GetState() == u32(WS_CLOSED));
    WindowSystem::ProcessDeferredDeletes();

    // An item chosen for a window deleted since the menu was filled does nothing.
    menu->OnCommand(infoItem);
    for (Window* w = Layer0()->GetFirstChild(); w; w = w->GetNextSibling()) EXPECT_FALSE(w->IsVisible());
}

TEST_F(ShellTest, AlphaOnlyConversionSkipsFilesAlreadyAlphaInTheTargetFormat)
{
    char pattern[] = "/tmp/tavik-convert-XXXXXX";
    ASSERT_TRUE(mkdtemp(pattern));
    std::string folder = pattern;
    for (u32 target : {u32(kFileFormatBmp), u32(kFileFormatPng), u32(kFileFormatTiff)}) {
        std::string source = folder + (target == kFileFormatTiff ? "/leaf.png" : "/leaf.tiff");
        {
            FileRecord out(source.c_str());
            out.kind = kFileKindImage;
            out.format = target == kFileFormatTiff ? kFileFormatPng : kFileFormatTiff;
            out.image.Init();
            const u8 rgba[8] = {10, 20, 30, 255, 40, 50, 60, 128};
            ASSERT_TRUE(out.image.Create(2, 1, kImageRgba, rgba));
            ASSERT_TRUE(out.Save());
        }
        const char* ext = FindFileTypeByFormat(target).extension;
        ASSERT_EQ(ConvertImageFile(source.c_str(), target, 1), 1) << ext;
        std::string alpha = folder + "/leaf.alpha" + ext;
        ASSERT_TRUE(std::filesystem::exists(alpha)) << alpha;
        EXPECT_EQ(ConvertImageFile(alpha.c_str(), target, 1), 0) << "already alpha in " << ext;
        EXPECT_FALSE(std::filesystem::exists(folder + "/leaf.alpha.alpha" + ext)) << ext;
        EXPECT_EQ(ConvertImageFile(alpha.c_str(), target, 0), 0) << "already " << ext;
    }
    std::filesystem::remove_all(folder);
}

namespace {

class Refuser : public Probe {
public:
    Refuser() noexcept : Probe(WF_VISIBLE | WF_TITLEBAR | WF_CLOSEBOX, nullptr, "Unsaved") {}
    int CanClose(u32) override { return 0; }
};

}  // namespace

TEST_F(ShellTest, AQuitRefusedByAWindowLeavesTheMenuBarWorking)
{
    // A window made before the menu bar (the log window, for an early error) lies behind it.
    Window* unsaved = new Refuser();
    RootMenu* menu = ShowRootMenu();
    Tap(LIBKEY_ENTER);  // "Quit"
    FakeOsEndStep();
    EXPECT_EQ(ConfirmQuit(), 0);
    WindowSystem::ProcessDeferredDeletes();
    EXPECT_EQ(unsaved->GetState(), u32(WS_NORMAL));
    ASSERT_EQ(GetRootMenu(), menu) << "the menu bar's window was closed by the refused quit";
    EXPECT_NE(menu->GetState(), u32(WS_CLOSED));
}

namespace {

// Each message box seen on top of a modal loop, once, as "title|text".
std::vector<std::string> gBoxesSeen;
int RecordingStep()
{
    static Window* last;
    for (Window* w = WindowSystem::GetModalDepth() ? WindowSystem::GetFocus() : nullptr; w; w = w->GetParent())
        if (!strcmp(w->GetClassName(), "MessageBoxWindow") && w != last) {
            last = w;
            MessageBoxWindow* box = static_cast<MessageBoxWindow*>(w);
            String text;
            if (box->GetField()) box->GetField()->GetText(&text);
            gBoxesSeen.push_back(std::string(box->GetTitle()) + "|" + text.c_str());
        }
    return Step();
}

MenuItem* FindItem(MenuItem* menu, s32 id)
{
    for (MenuItem* i = menu->FirstItem(); i; i = MenuItem::NextItem(i))
        if (s32(i->GetId()) == id) return i;
    return nullptr;
}

}  // namespace

TEST_F(ShellTest, TheGameFolderIsChosenOnlyWhileNoTagIsInUse)
{
    char pattern[] = "/tmp/tavik-game-XXXXXX";
    ASSERT_TRUE(mkdtemp(pattern));
    std::string game = std::string(pattern) + "/";
    RootMenu* menu = ShowRootMenu();
    MenuItem* choose = FindItem(menu->toolsMenu, kCmdChooseVornFolder);
    ASSERT_NE(choose, nullptr);
    EXPECT_STREQ(choose->GetTitle(), "Choose Vorn Folder");
    SetVornPath("/before/");

    // An open editor keeps its tag: the command says so ("OK" pressed) and changes nothing.
    TagHeader h = {};
    h.group = FourCC("text");
    SetTagName(h, "Note");
    AssignTagIdFromName(h);
    ASSERT_NE(AddLocalTagInstance(h, "note.text"), nullptr);
    TagEntry* entry = FindTag(h.group, h.tag);
    ASSERT_NE(entry, nullptr);
    int editor = 0;
    AttachToTag(entry, kAttachEditor, &editor);
    ASSERT_GE(CountTagAttachments(), 1u);
    u32 dialogs = FakeOsDialogCount();
    gBoxesSeen.clear();
    WindowSystem::SetStepHook(RecordingStep);
    Tap(LIBKEY_ENTER);
    FakeOsEndStep();
    menu->OnCommand(choose);
    WindowSystem::SetStepHook(Step);
    EXPECT_EQ(gBoxesSeen, std::vector<std::string>{"Error|Please close all open tags first."});
    EXPECT_EQ(FakeOsDialogCount(), dialogs) << "no folder picker while a tag is in use";
    String path;
    ASSERT_TRUE(GetPrefString("VornPath", &path));
    EXPECT_STREQ(path.c_str(), "/before/");
    DetachFromTag(entry, kAttachEditor, &editor);

    // Cancelled, nothing changes; chosen, the folder becomes the game folder.
    FakeOsDialogAnswer cancel;
    cancel.ok = 0;
    FakeOsQueueDialogAnswer(cancel);
    menu->OnCommand(choose);
    ASSERT_EQ(FakeOsDialogCount(), dialogs + 1);
    EXPECT_STREQ(FakeOsLastDialog()->title.c_str(), "Select your Vorn folder");
    ASSERT_TRUE(GetPrefString("VornPath", &path));
    EXPECT_STREQ(path.c_str(), "/before/");

    FakeOsDialogAnswer ok;
    ok.paths[0] = game.c_str();
    FakeOsQueueDialogAnswer(ok);
    menu->OnCommand(choose);
    ASSERT_TRUE(GetPrefString("VornPath", &path));
    EXPECT_STREQ(path.c_str(), game.c_str());
    char folder[4096];
    GetGameFolder(folder, sizeof folder);
    EXPECT_STREQ(folder, game.c_str());
    EXPECT_EQ(FindTag(h.group, h.tag), nullptr) << "the tag database restarted on the new folder";
    CloseCodex();
    std::filesystem::remove_all(pattern);
}

TEST_F(ShellTest, ConversionNeverReplacesAnExistingFile)
{
    char pattern[] = "/tmp/tavik-convert-XXXXXX";
    ASSERT_TRUE(mkdtemp(pattern));
    std::string folder = pattern;
    auto write = [&](const char* name, u32 format, u8 value) {
        FileRecord out((folder + "/" + name).c_str());
        out.kind = kFileKindImage;
        out.format = format;
        out.image.Init();
        const u8 rgb[3] = {value, value, value};
        ASSERT_TRUE(out.image.Create(1, 1, kImageRgb, rgb));
        ASSERT_TRUE(out.Save());
    };
    write("leaf.bmp", kFileFormatBmp, 10);   // an original of its own
    write("leaf.png", kFileFormatPng, 200);
    EXPECT_EQ(ConvertImageFile((folder + "/leaf.png").c_str(), kFileFormatBmp, 0), 0);
    FileRecord kept((folder + "/leaf.bmp").c_str());
    ASSERT_TRUE(kept.Load());
    EXPECT_EQ(kept.image.pixels[0], 10) << "the original BMP is untouched";
    std::filesystem::remove_all(folder);
}

namespace {

// What the conversion's steps saw: the window titles, the boxes (answered with their first
// button), and whether the quit question came while the conversion was still busy.
struct ConversionWatch {
    std::vector<std::string> titles;
    std::vector<std::string> boxes;
    int closeAtStep = -1;  // counted in the conversion's own steps
    int steps = 0;
    int quitAsked = 0;
    int quitAskedBusy = 0;
    int quitAskedAfter = -1;  // conversion steps run when the quit question came
    int quitAnswer = 1;
};
ConversionWatch* gWatch;

int ConversionStep()
{
    ConversionWatch& w = *gWatch;
    w.titles.push_back(FakeOsWindowTitle());
    if (w.titles.back().rfind("Processing... ", 0) == 0 && w.steps++ == w.closeAtStep) {
        FakeOsCloseRequest();
        FakeOsEndStep();
    }
    if (MessageBoxWindow* box = mbtest::ModalMessageBox()) {
        mbtest::SeenBox seen = mbtest::DescribeBox(box);
        w.boxes.push_back(seen.title + " / " + seen.text);
        box->OnButton(0);
    }
    return Step();
}

int CountConversionQuit()
{
    ++gWatch->quitAsked;
    gWatch->quitAskedBusy += WindowSystem::IsBusy();
    gWatch->quitAskedAfter = gWatch->steps;
    return gWatch->quitAnswer;
}

void WriteImage(const std::string& path, u32 format)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    FileRecord out(path.c_str());
    out.kind = kFileKindImage;
    out.format = format;
    out.image.Init();
    const u8 rgb[3] = {1, 2, 3};
    ASSERT_TRUE(out.image.Create(1, 1, kImageRgb, rgb));
    ASSERT_TRUE(out.Save());
}

// The folder dialog's answer: the folder, PNG as the target, Full mode.
void AnswerFolder(const std::string& folder)
{
    FakeOsDialogAnswer answer;
    answer.paths[0] = folder.c_str();
    const FileKindInfo* images = GetFileKindInfo(kFileKindImage);
    ASSERT_NE(images, nullptr);
    for (u32 i = 0; i < images->filters.count; ++i)
        if (FindFormatByExtension(images->filters[i].pattern.c_str()) == kFileFormatPng) answer.options[0] = s32(i);
    answer.options[1] = 0;
    FakeOsQueueDialogAnswer(answer);
}

}  // namespace

// The whole command as the menu runs it: every image below the folder, subfolders included,
// the count in the closing box and the title given back.
TEST_F(ShellTest, RecursiveImageConversionConvertsTheTreeAndReportsTheCount)
{
    TempFolder temp("convert-tree");
    const std::string folder = temp.path;
    for (const char* f : {"a.bmp", "sub/b.bmp", "sub/deeper/c.bmp"}) WriteImage(folder + "/" + f, kFileFormatBmp);
    WriteImage(folder + "/sub/d.png", kFileFormatPng);  // already the target
    std::filesystem::create_directories(folder + "/text");
    FILE* t = fopen((folder + "/text/notes.txt").c_str(), "wb");
    ASSERT_TRUE(t);
    fputs("not an image", t);
    fclose(t);

    ConversionWatch watch;
    gWatch = &watch;
    WindowSystem::SetStepHook(ConversionStep);
    OsSetWindowTitle("Tavik");
    AnswerFolder(folder);
    ConvertImagesInFolder();
    gWatch = nullptr;

    for (const char* f : {"a.png", "sub/b.png", "sub/deeper/c.png"})
        EXPECT_TRUE(std::filesystem::exists(folder + "/" + f)) << f;
    EXPECT_FALSE(std::filesystem::exists(folder + "/text/notes.png"));
    EXPECT_EQ(watch.boxes, std::vector<std::string>{"Operation complete / 3 files processed"});
    EXPECT_NE(std::find(watch.titles.begin(), watch.titles.end(), "Processing... " + folder + "/sub/deeper/c.bmp"),
              watch.titles.end());
    EXPECT_STREQ(FakeOsWindowTitle(), "Tavik");
    EXPECT_EQ(FakeOsUnexpectedDialogCount(), 0u);
}

// A quit asked for partway (the window closed) waits for the last file; then the quit goes
// on and no box opens. Declined, the closing box still reports the count.
TEST_F(ShellTest, AQuitDuringImageConversionWaitsForItsEndAndOpensNoBox)
{
    for (int declined = 0; declined < 2; ++declined) {
        SCOPED_TRACE(declined ? "quit declined" : "quit confirmed");
        TempFolder temp("convert-quit");
        const std::string folder = temp.path;
        for (int i = 0; i < 6; ++i) WriteImage(folder + FormatString("/f%d.bmp", i).c_str(), kFileFormatBmp);
        ConversionWatch watch;
        watch.closeAtStep = 1;
        watch.quitAnswer = declined ? 0 : 1;
        gWatch = &watch;
        WindowSystem::SetStepHook(ConversionStep);
        WindowSystem::SetCanQuitHook(CountConversionQuit);
        WindowSystem::SetRunning(1);
        AnswerFolder(folder);
        ConvertImagesInFolder();
        gWatch = nullptr;
        WindowSystem::SetCanQuitHook(nullptr);

        for (int i = 0; i < 6; ++i)
            EXPECT_TRUE(std::filesystem::exists(folder + FormatString("/f%d.png", i).c_str())) << i;
        EXPECT_EQ(watch.quitAsked, 1);
        EXPECT_EQ(watch.quitAskedBusy, 0);
        EXPECT_EQ(watch.quitAskedAfter, 6) << "asked once every file was done";
        EXPECT_STREQ(FakeOsWindowTitle(), "Tavik");
        EXPECT_FALSE(WindowSystem::IsBusy());
        if (declined) {
            EXPECT_EQ(watch.boxes, std::vector<std::string>{"Operation complete / 6 files processed"});
            EXPECT_TRUE(WindowSystem::IsRunning());
        } else {
            EXPECT_EQ(watch.boxes, std::vector<std::string>{});
            EXPECT_FALSE(WindowSystem::IsRunning());
        }
    }
}
