// The archive browser's commands through the fake backend: the tree menu (duplicate, delete,
// copy to local, get info, hidden groups) and the archive menu (disassemble), with every
// message box's title and text checked before it is answered.
#include "BrowserTestSupport.h"

#include <algorithm>

#include "codex/Archive.h"
#include "gui/Menu.h"
#include "tagedit/TagInfoWindow.h"

using namespace btest;

namespace {

const u32 kText = FourCC("text"), kScri = FourCC("scri");

// The popup menu a step finds on top: its rows, and the one to choose.
struct MenuScript {
    const char* choose = nullptr;
    std::vector<std::string> rows;  // "title" or "title (off)"
};
MenuScript gMenu;

int MenuChoosingStep()
{
    Window* layer = WindowSystem::GetLayerRoot(1);
    for (Window* w = layer ? layer->GetFirstChild() : nullptr; w; w = w->GetNextSibling()) {
        if (strcmp(w->GetClassName(), "MenuItem") || !WindowSystem::IsOnModalStack(w, 1) || !gMenu.choose) continue;
        MenuItem* menu = static_cast<MenuItem*>(w);
        MenuItem* pick = nullptr;
        gMenu.rows.clear();
        for (MenuItem* i = menu->FirstItem(); i; i = MenuItem::NextItem(i)) {
            if (i->IsSeparator()) continue;
            gMenu.rows.push_back(std::string(i->GetTitle()) + (i->IsEnabled() ? "" : " (off)"));
            if (!strcmp(i->GetTitle(), gMenu.choose)) pick = i;
        }
        gMenu.choose = nullptr;
        MenuItem::Activate(menu, pick);
        break;
    }
    return AnsweringStep();
}

class BrowserCommandTest : public BrowserFixture {
protected:
    void SetUp() override
    {
        BrowserFixture::SetUp();
        WindowSystem::SetStepHook(MenuChoosingStep);
        gMenu = MenuScript();
    }

    ArchiveBrowser* StartSample()
    {
        WriteArchive(Tags() + "base.dat", 2,
                     {{kText, FourCC("alph"), "alpha", Data("a0")},
                      {kText, FourCC("beta"), "beta", Data("b0")},
                      {kScri, FourCC("gamm"), "gamma", Data("g")}});
        WriteLocal("text", "alpha", "alpha", kText, FourCC("alph"), Data("local alpha"));
        WriteLocal("text", "own", "own", kText, FourCC("own_"), Data("own"));
        WriteLocal("scripts", "mine", "mine", kScri, FourCC("mine"), Data("mine"));
        return Start();
    }

    void CtrlKey(ArchiveBrowser* b, int letter)
    {
        Window::SetFocus(b->tagTree, FOCUS_PROGRAM);
        Key(LIBKEY_LEFT_CONTROL);
        Tap(letter);
        Key(LIBKEY_LEFT_CONTROL, LIBACTION_RELEASE);
        Run();
    }

    static TagEntry* ByName(u32 group, const char* name)
    {
        ScopedDynArray<TagEntry*> all;
        ListGroupTags(group, &all);
        for (TagEntry* e : all) {
            TagHeader h;
            GetTagHeader(e, &h);
            if (!strcmp(h.name, name)) return e;
        }
        return nullptr;
    }
};

}  // namespace

TEST_F(BrowserCommandTest, TheTreeMenuEnablesItsItemsBySelectionAndRunsTheChosenOne)
{
    ArchiveBrowser* b = StartSample();
    b->tagTree->DeselectAllExcept(nullptr);
    gMenu.choose = "Toggle Hidden Groups (cmd-T)";
    b->OpenTreeMenu(Point{200, 200});
    EXPECT_EQ(gMenu.rows, (std::vector<std::string>{"Open (enter) (off)", "Get Info (cmd-I) (off)",
                                                    "Copy To Local (cmd-K) (off)", "Duplicate (cmd-D) (off)",
                                                    "Delete (del) (off)", "Toggle Hidden Groups (cmd-T)"}));
    EXPECT_EQ(b->showHiddenGroups, 1u);

    SelectRows(b, {b->FindRow(kText, FourCC("beta"))});
    gMenu.choose = "Copy To Local (cmd-K)";
    b->OpenTreeMenu(Point{200, 200});
    EXPECT_EQ(gMenu.rows[2], "Copy To Local (cmd-K)");
    EXPECT_TRUE(Exists(Local() + "text/beta"));

    // The archive menu of the active list.
    b->activeList->DeselectAllExcept(nullptr);
    b->activeList->SelectItem(b->FindArchiveItem(b->activeList, FindArchiveByName("base.dat")), 0);
    gMenu.choose = "Default Working Set";
    b->OpenArchiveMenu(b->activeList, Point{50, 50});
    EXPECT_EQ(gMenu.rows, (std::vector<std::string>{"Default Working Set", "Deactivate Selection",
                                                    "Disassemble Archive"}));
    b->inactiveList->DeselectAllExcept(nullptr);
    gMenu.choose = "Default Working Set";
    b->OpenArchiveMenu(b->inactiveList, Point{50, 50});
    EXPECT_EQ(gMenu.rows, (std::vector<std::string>{"Default Working Set", "Activate Selection (off)",
                                                    "Disassemble Archive (off)"}));
}

TEST_F(BrowserCommandTest, DuplicateAsksForTheNameOfOneTagAndNamesSeveralByDefault)
{
    ArchiveBrowser* b = StartSample();
    SelectRows(b, {b->FindRow(kText, FourCC("beta"))});
    Expected().push_back({"Enter Name for Duplicate Tag", "beta copy", nullptr, 1});
    CtrlKey(b, 'D');
    EXPECT_EQ(ByName(kText, "beta copy"), nullptr) << "Cancel duplicates nothing";

    Expected().push_back({"Enter Name for Duplicate Tag", "beta copy", "twin", 0});
    CtrlKey(b, 'D');
    EXPECT_TRUE(Exists(Local() + "text/twin"));
    PollLocalFolder(false);
    TagEntry* twin = ByName(kText, "twin");
    ASSERT_NE(twin, nullptr);
    EXPECT_EQ(ReadFile(Local() + "text/twin").size(), 64u + 2);
    ASSERT_NE(b->FindRow(kText, twin->tag), nullptr) << "the new tag's row comes with the poll";

    // Several rows and a group node: no question, default names, the node skipped.
    b->tagTree->DeselectAllExcept(nullptr);
    b->tagTree->SelectItem(b->FindGroupNode(kScri)->item, 1);
    SelectRows(b, {b->FindRow(kText, FourCC("own_")), b->FindRow(kScri, FourCC("gamm"))});
    b->tagTree->SelectItem(b->FindGroupNode(kScri)->item, 1);
    b->RunTreeMenuCommand(kBrowserDuplicate);
    EXPECT_TRUE(Exists(Local() + "text/own copy"));
    EXPECT_TRUE(Exists(Local() + "scripts/gamma copy"));
}

TEST_F(BrowserCommandTest, DeleteConfirmsAndReportsEachTagThatCannotGo)
{
    ArchiveBrowser* b = StartSample();
    // Only local copies are deleted: the archive-only row is left out of the question.
    SelectRows(b, {b->FindRow(kText, FourCC("beta")), b->FindRow(kText, FourCC("alph"))});
    Expected().push_back({"Confirm Deletion", "Are you sure you want to delete 'alpha'?", nullptr, 1});
    b->DeleteSelected();
    EXPECT_TRUE(Exists(Local() + "text/alpha")) << "Don't Delete";

    Expected().push_back({"Confirm Deletion", "Are you sure you want to delete 'alpha'?", nullptr, 0});
    Window::SetFocus(b->tagTree, FOCUS_PROGRAM);
    Tap(LIBKEY_DELETE);
    Run();
    EXPECT_FALSE(Exists(Local() + "text/alpha"));
    TagRow* alpha = b->FindRow(kText, FourCC("alph"));
    ASSERT_NE(alpha, nullptr) << "the archive copy shows again";
    EXPECT_STREQ(alpha->location, "base.dat");
    EXPECT_EQ(alpha->item->color, kRowColorArchive);

    // Three local tags: one whose file cannot be removed, one in use and one that goes.
    WriteLocal("text", "stuck", "stuck", kText, FourCC("stuc"), Data("s"));
    PollLocalFolder(true);
    SelectEntry(b, "local");
    SelectRows(b, {b->FindRow(kText, FourCC("stuc")), b->FindRow(kText, FourCC("own_")),
                   b->FindRow(kScri, FourCC("mine"))});
    std::filesystem::remove(Local() + "text/stuck");
    std::filesystem::create_directories(Local() + "text/stuck/inside");
    Attach(FindTag(kText, FourCC("own_")));
    Expected().push_back({"Confirm Deletion", "Are you sure you want to delete 3 tags?", nullptr, 0});
    Expected().push_back(
        {"Error", "Couldn't delete 'stuck'. It might be locked, or in use by another program.", nullptr, 0});
    Expected().push_back({"Can't delete tag.", "'own' is still being used by Tavik.", nullptr, 0});
    b->RunTreeMenuCommand(kBrowserDelete);
    EXPECT_TRUE(Exists(Local() + "text/own"));
    EXPECT_FALSE(Exists(Local() + "scripts/mine")) << "the others are still processed";
    EXPECT_EQ(b->FindRow(kScri, FourCC("mine")), nullptr);
    EXPECT_NE(b->FindRow(kText, FourCC("own_")), nullptr);
}

TEST_F(BrowserCommandTest, GetInfoRaisesAnOpenInfoWindowAndOpensTheOthers)
{
    ArchiveBrowser* b = StartSample();
    static std::vector<u32> infoFor;
    infoFor.clear();
    SetBrowserInfoHook([](TagEntry* e) { infoFor.push_back(e->tag); });
    Window* info = new Probe(WF_VISIBLE | WF_TITLEBAR, nullptr, "Info");
    TagEntry* beta = FindTag(kText, FourCC("beta"));
    AttachToTag(beta, kAttachInfo, info);
    b->BringToFront();
    SelectRows(b, {b->FindRow(kText, FourCC("alph")), b->FindRow(kText, FourCC("beta")),
                   b->FindRow(kText, FourCC("own_"))});
    CtrlKey(b, 'I');
    EXPECT_EQ(infoFor, (std::vector<u32>{FourCC("alph")})) << "stops at the open window";
    EXPECT_EQ(Layer0()->GetFirstChild(), info);
    DetachFromTag(beta, kAttachInfo, info);
}

TEST_F(BrowserCommandTest, GetInfoOpensTheInfoWindowWhoseRenameRenamesTheFileAndTheRow)
{
    ArchiveBrowser* b = StartSample();
    SelectRows(b, {b->FindRow(kText, FourCC("own_"))});
    CtrlKey(b, 'I');
    TagEntry* own = FindTag(kText, FourCC("own_"));
    Window* open = static_cast<Window*>(FindTagAttachment(own, kAttachInfo));
    ASSERT_NE(open, nullptr);
    ASSERT_STREQ(open->GetClassName(), "TagInfoWindow");
    TagInfoWindow* info = static_cast<TagInfoWindow*>(open);
    EXPECT_EQ(WindowSystem::GetFocus(), info->GetNameBox());

    info->GetNameBox()->SetText("own renamed");
    PressKey('S', 0, 1);
    PollLocalFolder(false);
    RunSteps(2);
    EXPECT_FALSE(Exists(Local() + "text/own"));
    EXPECT_EQ(ReadFile(Local() + "text/own renamed"),
              Concat(TagHeaderBytes("own renamed", kText, FourCC("own_"), 64, 3), Data("own")));
    TagRow* row = b->FindRow(kText, FourCC("own_"));
    ASSERT_NE(row, nullptr);
    EXPECT_STREQ(row->header.name, "own renamed");
    EXPECT_EQ(row->item->color, kRowColorLocal);

    // A second Get Info raises the same window rather than opening another.
    b->BringToFront();
    CtrlKey(b, 'I');
    EXPECT_EQ(FindTagAttachment(FindTag(kText, FourCC("own_")), kAttachInfo), info);
    EXPECT_EQ(Layer0()->GetFirstChild(), info);
    info->Close();
    RunSteps(1);
}

TEST_F(BrowserCommandTest, CopyToLocalWritesTheArchiveCopiesAndTheRowsTurnOrange)
{
    ArchiveBrowser* b = StartSample();
    SelectRows(b, {b->FindRow(kText, FourCC("beta")), b->FindRow(kScri, FourCC("gamm"))});
    CtrlKey(b, 'K');
    PollLocalFolder(false);
    EXPECT_EQ(ReadFile(Local() + "text/beta").size(), 64u + 2);
    EXPECT_TRUE(Exists(Local() + "scripts/gamma"));
    EXPECT_EQ(b->FindRow(kText, FourCC("beta"))->item->color, kRowColorLocal);
    EXPECT_EQ(b->FindRow(kScri, FourCC("gamm"))->item->color, kRowColorLocal);
}

TEST_F(BrowserCommandTest, DisassembleWritesTheArchivesTagsIntoTheChosenFolder)
{
    ArchiveBrowser* b = StartSample();
    std::string out = root + "out";
    FakeOsDialogAnswer answer;
    answer.paths[0] = out.c_str();
    FakeOsQueueDialogAnswer(answer);
    b->activeList->DeselectAllExcept(nullptr);
    b->activeList->SelectItem(b->FindArchiveItem(b->activeList, FindArchiveByName("base.dat")), 0);
    b->RunArchiveMenuCommand(b->activeList, kBrowserDisassemble);
    ASSERT_NE(FakeOsLastDialog(), nullptr);
    EXPECT_STREQ(FakeOsLastDialog()->title.c_str(), "Choose Destination Folder");
    for (const char* f : {"/text/alpha", "/text/beta", "/scripts/gamma"}) EXPECT_TRUE(Exists(out + f)) << f;
    EXPECT_EQ(ReadFile(out + "/text/alpha").size(), 64u + 2) << "the archive's copy, not the local one";
}
