// The menu bar as a whole through the fake backend: its items against the table of labels,
// ids and separators, every command reached by its id with what it shows, and the commands
// whose effect lies in the tag database or the window list (Reload Local Folder, Close All
// Windows), and the built-in editors registered for their groups.
#include "tests/tagedit/BrowserTestSupport.h"

#include "app/RootMenu.h"
#include "app/Shell.h"
#include "app/TagEditors.h"
#include "gui/DialogWindow.h"
#include "tagedit/TagEdit.h"
#include "platform/OsFake.h"

using namespace btest;

namespace {

constexpr u32 kText = FourCC("text");

// "label=id" per item, "-" per separator, a submenu's items after its own entry and closed
// by ")".
void Describe(MenuItem* menu, std::vector<std::string>* out)
{
    for (MenuItem* i = menu->FirstItem(); i; i = MenuItem::NextItem(i)) {
        if (i->IsSeparator()) {
            out->push_back("-");
            continue;
        }
        out->push_back(std::string(i->GetTitle()) + "=" + std::to_string(s32(i->GetId())));
        if (i->HasItems()) {
            Describe(i, out);
            out->push_back(")");
        }
    }
}

MenuItem* FindItem(MenuItem* menu, s32 id)
{
    for (MenuItem* i = menu->FirstItem(); i; i = MenuItem::NextItem(i)) {
        if (s32(i->GetId()) == id) return i;
        if (MenuItem* inner = i->HasItems() ? FindItem(i, id) : nullptr) return inner;
    }
    return nullptr;
}

Window* FrontWindowOfClass(const char* className)
{
    for (Window* w = WindowSystem::GetLayerRoot(0)->GetFirstChild(); w; w = w->GetNextSibling())
        if (!strcmp(w->GetClassName(), className) && w->IsVisible() && w->GetState() != WS_CLOSED) return w;
    return nullptr;
}

int gQuitAsked;
int RefuseQuit()
{
    ++gQuitAsked;
    return 0;
}

// The title of each builder dialog the commands opened, cancelled at once.
std::vector<std::string>& DialogsSeen()
{
    static std::vector<std::string> d;
    return d;
}

int CancellingStep()
{
    Window* layer = WindowSystem::GetLayerRoot(1);
    for (Window* w = layer ? layer->GetFirstChild() : nullptr; w; w = w->GetNextSibling())
        if (!strncmp(w->GetClassName(), "Auto", 4)) {
            if (w->GetState() == WS_CLOSED || !WindowSystem::IsOnModalStack(w, 1)) continue;
            DialogsSeen().push_back(std::string(w->GetClassName()) + " " + w->GetTitle());
            static_cast<DialogWindow*>(w)->OnButton(1);
            break;
        }
    return AnsweringStep();
}

u32 CountWindows()
{
    u32 n = 0;
    for (Window* w = WindowSystem::GetLayerRoot(0)->GetFirstChild(); w; w = w->GetNextSibling()) n += w->GetState() != WS_CLOSED;
    return n;
}

class MenuCommandsTest : public BrowserFixture {
protected:
    void TearDown() override
    {
        WindowSystem::SetCanQuitHook(nullptr);
        BrowserFixture::TearDown();
    }
};

// Closes when asked, or refuses.
class Closable : public Probe {
public:
    Closable(const char* title, int agree) noexcept
        : Probe(WF_VISIBLE | WF_TITLEBAR | WF_CLOSEBOX, nullptr, title), agree(agree) {}
    int CanClose(u32) override
    {
        ++asked;
        return agree;
    }
    int agree;
    int asked = 0;
};

}  // namespace

TEST_F(MenuCommandsTest, TheMenuBarHoldsEveryCommandInItsPlace)
{
    RootMenu* menu = ShowRootMenu();
    std::vector<std::string> items;
    Describe(menu->bar, &items);
    const std::vector<std::string> expected = {
        "File=0",
        "Add Archives=10001",
        "New Collection=10002",
        "New Detail Texture From Image File=13000",
        "New Detail Texture From Clipboard=13001",
        "New Model From LWO=10003",
        "New Script=10004",
        "-",
        "Exit=10000",
        ")",
        "Tools=0",
        "Reload Local Folder=10202",
        "Reload Plugins Folder=10203",
        "Choose Vorn Folder=10204",
        "Archive Browser=10200",
        "Log Viewer=10201",
        "-",
        "Build Dtex Add-on=10205",
        "Build Regular Add-on=10206",
        "Recursive Image Conversion=10208",
        "Build Standard Collection=10209",
        "Build High-Res Collection=10210",
        ")",
        "Window=10300",
        "Close All Windows=10301",
        ")",
        "Debug=0",
        "Window Spy=11000",
        ")",
        "Help=0",
        "About Tavik...=12000",
        ")",
    };
    EXPECT_EQ(items, expected);
}

TEST_F(MenuCommandsTest, EveryCommandShowsWhatItIsFor)
{
    Start();
    RootMenu* menu = ShowRootMenu();
    enum Shows { kBox, kNativeDialog, kWindow, kQuitQuestion, kDialog };
    struct Row {
        s32 id;
        Shows shows;
        const char* what;        // box or dialog title, window class, or dialog class and title
        const char* text;        // a box's text
        int button;              // the box's answer
    } rows[] = {
        {kCmdAddArchives, kNativeDialog, "Select Archives", nullptr, 0},
        {kCmdNewCollection, kBox, "Enter Name for Collection", "", 1},
        {kCmdNewDtexFromFile, kBox, "Enter Name for Detail Texture", "", 1},
        {kCmdNewDtexFromClipboard, kBox, "Enter Name for Detail Texture", "", 1},
        {kCmdImportModel, kNativeDialog, "Import Model", nullptr, 0},
        {kCmdNewScript, kBox, "Enter Name for Script", "", 1},
        {kCmdExit, kQuitQuestion, nullptr, nullptr, 0},
        {kCmdReloadPluginsFolder, kWindow, "ArchiveBrowser", nullptr, 0},
        {kCmdChooseVornFolder, kNativeDialog, "Select your Vorn folder", nullptr, 0},
        {kCmdArchiveBrowser, kWindow, "ArchiveBrowser", nullptr, 0},
        {kCmdLogViewer, kWindow, "MessageLogWindow", nullptr, 0},
        {kCmdBuildDtexAddon, kBox, "Message", "No dmaps detected in the local folder - nothing to do!", 0},
        {kCmdBuildRegularAddon, kBox, "Message",
         "No addon-allowed files were found in the local folder - Nothing to do!", 0},
        {kCmdRecursiveImageConversion, kNativeDialog, "Choose a folder", nullptr, 0},
        {kCmdBuildStandardCollection, kDialog, "AutoCollectionDialog Build Standard Collection", nullptr, 0},
        {kCmdBuildHighResCollection, kDialog, "AutoUpResDialog Build High-Res Collection", nullptr, 0},
        {kCmdWindowSpy, kWindow, "WindowView", nullptr, 0},
    };
    WindowSystem::SetCanQuitHook(RefuseQuit);
    WindowSystem::SetStepHook(CancellingStep);
    const u32 dialogsBefore = FakeOsDialogCount();
    for (const Row& r : rows) {
        SCOPED_TRACE(r.id);
        MenuItem* item = FindItem(menu->bar, r.id);
        ASSERT_NE(item, nullptr);
        CloseArchiveBrowser();
        RunSteps(1);
        Seen().clear();
        gQuitAsked = 0;
        DialogsSeen().clear();
        const u32 dialogs = FakeOsDialogCount();
        if (r.shows == kBox) Expected().push_back(ExpectedBox{r.what, r.text, nullptr, r.button});
        if (r.shows == kNativeDialog) {
            FakeOsDialogAnswer cancel;
            cancel.ok = 0;
            FakeOsQueueDialogAnswer(cancel);
        }
        menu->OnCommand(item);
        RunSteps(1);
        switch (r.shows) {
        case kBox:
            EXPECT_EQ(Seen().size(), 1u);
            break;
        case kNativeDialog:
            ASSERT_EQ(FakeOsDialogCount(), dialogs + 1);
            EXPECT_STREQ(FakeOsLastDialog()->title.c_str(), r.what);
            break;
        case kWindow:
            EXPECT_NE(FrontWindowOfClass(r.what), nullptr);
            break;
        case kQuitQuestion:
            EXPECT_EQ(gQuitAsked, 1);
            break;
        case kDialog:
            EXPECT_EQ(DialogsSeen(), std::vector<std::string>{r.what});
            EXPECT_TRUE(Seen().empty());
            break;
        }
        EXPECT_TRUE(Expected().empty());
    }
    // Ids outside the table do nothing.
    MenuItem* stray = menu->bar->AddItem("Stray", menu->debugMenu, 10299, 1);
    const u32 windows = CountWindows();
    menu->OnCommand(stray);
    RunSteps(1);
    EXPECT_EQ(CountWindows(), windows);
    EXPECT_EQ(FakeOsDialogCount(), dialogsBefore + 4);
    delete stray;
}

TEST_F(MenuCommandsTest, ReloadLocalFolderIndexesAFileAnotherProgramWroteAtOnce)
{
    Start();
    RootMenu* menu = ShowRootMenu();
    WriteLocal("text", "Fresh", "Fresh", kText, FourCC("frsh"), Data("new"));
    EXPECT_EQ(FindTag(kText, FourCC("frsh")), nullptr) << "not before the reload";
    menu->OnCommand(FindItem(menu->bar, kCmdReloadLocalFolder));
    TagEntry* fresh = FindTag(kText, FourCC("frsh"));
    ASSERT_NE(fresh, nullptr) << "indexed by the command itself, with no step run";
    EXPECT_TRUE(HasLocalCopy(fresh));
}

TEST_F(MenuCommandsTest, CloseAllWindowsStopsAtTheFirstRefusal)
{
    RootMenu* menu = ShowRootMenu();
    Closable* back = new Closable("Back", 1);
    Closable* refuser = new Closable("Unsaved", 0);
    Closable* front = new Closable("Front", 1);
    menu->PopulateWindowMenu(menu->windowMenu);
    ASSERT_EQ(menu->windows.count, 3u);
    menu->OnCommand(FindItem(menu->bar, kCmdCloseAllWindows));
    EXPECT_EQ(front->GetState(), u32(WS_CLOSED));
    EXPECT_EQ(refuser->asked, 1);
    EXPECT_NE(refuser->GetState(), u32(WS_CLOSED));
    EXPECT_EQ(back->asked, 0) << "not asked after the refusal";
    EXPECT_NE(back->GetState(), u32(WS_CLOSED));
}

TEST_F(MenuCommandsTest, TheBuiltInEditorsReplaceTheStructureEditorForTheirGroups)
{
    struct Row {
        u32 group;
        const char* editor;
        s32 width, height;  // set by the factory; 0: left to the editor
    } rows[] = {
        {FourCC("ditl"), "TextEdit", 640, 480}, {FourCC("scri"), "TextEdit", 640, 480}, {FourCC("stli"), "TextEdit", 640, 480},
        {FourCC("temp"), "TextEdit", 640, 480}, {FourCC("text"), "TextEdit", 640, 480}, {FourCC("geom"), "GeomEdit", 0, 0},
        {FourCC(".256"), "X256Edit", 0, 0},     {FourCC("dtex"), "DtexEdit", 0, 0},     {FourCC("soun"), "SoundEdit", 0, 0},
        {FourCC("dmap"), "DmapEdit", 0, 0},  {FourCC("mesh"), "MeshEdit", 0, 0},
    };
    for (const Row& r : rows) SetTagGroupHandler(r.group, StandInFactory());
    RegisterTagEditors();
    for (const Row& r : rows) {
        SCOPED_TRACE(r.editor);
        const TagGroup* g = GetTagGroup(r.group);
        ASSERT_NE(g, nullptr);
        ASSERT_NE(g->editor_factory, nullptr);
        TagEdit* editor = g->editor_factory(nullptr);
        ASSERT_NE(editor, nullptr);
        EXPECT_STREQ(editor->GetClassName(), r.editor);
        if (r.width) {
            EXPECT_EQ(editor->GetFrameWidth(), r.width);
            EXPECT_EQ(editor->GetFrameHeight(), r.height);
        }
        editor->Close();
        RunSteps(1);
    }
}
