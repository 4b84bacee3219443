// The archive browser's place in the shell, through the fake backend: start-up shows it,
// "Reload Plugins Folder" keeps the user's working set, "Add Archives" goes through the file
// dialog, and a restart of the tag database on another game folder keeps the browser informed.
#include "tests/tagedit/BrowserTestSupport.h"

#include "app/RootMenu.h"
#include "app/Shell.h"
#include "codex/Archive.h"
#include "codex/FileRecognizers.h"

using namespace btest;

namespace {

const u32 kText = FourCC("text");

class BrowserShellTest : public BrowserFixture {
protected:
    void SetUp() override
    {
        BrowserFixture::SetUp();
        EnableArchiveBrowserListener(false);  // the shell registers it
    }

    MenuItem* Item(MenuItem* menu, const char* title)
    {
        for (MenuItem* i = menu->FirstItem(); i; i = MenuItem::NextItem(i))
            if (!strcmp(i->GetTitle(), title)) return i;
        ADD_FAILURE() << "no item " << title;
        return nullptr;
    }
};

}  // namespace

TEST_F(BrowserShellTest, ReloadPluginsFolderKeepsTheUsersSetAndTheArchivesInUse)
{
    WriteArchive(Tags() + "base.dat", 2, {{kText, FourCC("base"), "base", Data("b")}});
    WriteArchive(Plugins() + "extra.dat", 6, {{kText, FourCC("extr"), "extra", Data("e")}});
    StartCodex();
    ArchiveBrowser* b = GetArchiveBrowser();
    ASSERT_NE(b, nullptr) << "shown by the start";
    Archive* base = FindArchiveByName("base.dat");
    ASSERT_NE(b->FindRow(kText, FourCC("extr")), nullptr);

    // The user deactivates the add-on; a tag of base.dat is open; a new file appears.
    b->activeList->DeselectAllExcept(nullptr);
    b->activeList->SelectItem(b->FindArchiveItem(b->activeList, FindArchiveByName("extra.dat")), 0);
    b->MoveSelectedArchives(b->activeList);
    Attach(FindTag(kText, FourCC("base")));
    WriteArchive(Plugins() + "fresh.dat", 1, {{kText, FourCC("frsh"), "fresh", Data("f")}});

    RootMenu* menu = ShowRootMenu();
    menu->OnCommand(Item(menu->toolsMenu, "Reload Plugins Folder"));
    RunSteps(1);
    b = GetArchiveBrowser();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(FindArchiveByName("base.dat"), base) << "in use: kept loaded";
    EXPECT_TRUE(IsArchiveActive(base));
    EXPECT_FALSE(IsArchiveActive(FindArchiveByName("extra.dat"))) << "the user's set, not the default";
    EXPECT_EQ(ListTexts(b->inactiveList), (std::vector<std::string>{"extra.dat", "fresh.dat"}));
    EXPECT_EQ(b->FindRow(kText, FourCC("extr")), nullptr);

    // Tools > "Archive Browser" brings back the same browser.
    menu->OnCommand(Item(menu->toolsMenu, "Archive Browser"));
    EXPECT_EQ(GetArchiveBrowser(), b);
    EXPECT_EQ(Item(menu->toolsMenu, "Archive Browser")->GetId(), u32(kCmdArchiveBrowser));
}

TEST_F(BrowserShellTest, AddArchivesTakesTheChosenFilesIntoTheActiveSet)
{
    WriteArchive(Tags() + "base.dat", 2, {{kText, FourCC("base"), "base", Data("b")}});
    WriteArchive(root + "elsewhere/more.dat", 1, {{kText, FourCC("more"), "more", Data("m")}});
    StartCodex();
    InstallCodexFileRecognizers();
    std::string path = root + "elsewhere/more.dat";
    FakeOsDialogAnswer answer;
    answer.paths[0] = path.c_str();
    FakeOsQueueDialogAnswer(answer);
    RootMenu* menu = ShowRootMenu();
    MenuItem* add = Item(menu->fileMenu, "Add Archives");
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add->GetId(), u32(kCmdAddArchives));
    menu->OnCommand(add);
    ASSERT_NE(FakeOsLastDialog(), nullptr);
    EXPECT_STREQ(FakeOsLastDialog()->title.c_str(), "Select Archives");
    EXPECT_EQ(FakeOsLastDialog()->kind, 2);
    Archive* more = FindArchiveByName("more.dat");
    ASSERT_NE(more, nullptr);
    EXPECT_TRUE(IsArchiveActive(more));
    EXPECT_NE(GetArchiveBrowser()->FindRow(kText, FourCC("more")), nullptr);
    EXPECT_EQ(WorkingSetPref(), "base.dat;more.dat;");
}

TEST_F(BrowserShellTest, AfterAnotherGameFolderTheBrowserStillFollowsTheDatabase)
{
    WriteArchive(Tags() + "base.dat", 2, {{kText, FourCC("base"), "base", Data("b")}});
    StartCodex();
    ArchiveBrowser* first = GetArchiveBrowser();
    ASSERT_NE(first, nullptr);
    // As "Choose Vorn Folder" does once a folder is chosen.
    std::string other = root + "other/";
    WriteArchive(other + "tags/second.dat", 2, {{kText, FourCC("scnd"), "second", Data("s")}});
    SetVornPath(other.c_str());
    StartCodex();
    RunSteps(1);
    ArchiveBrowser* b = GetArchiveBrowser();
    ASSERT_NE(b, nullptr);
    // The stored set names no archive of this folder: all of them start inactive.
    EXPECT_EQ(ListTexts(b->activeList), (std::vector<std::string>{"combined", "foundation", "local"}));
    EXPECT_EQ(ListTexts(b->inactiveList), (std::vector<std::string>{"second.dat"}));
    EXPECT_EQ(b->FindRow(kText, FourCC("base")), nullptr);
    WriteBytes(other + "local/text/saved", Concat(TagHeaderBytes("saved", kText, FourCC("save"), 64, 1), Data("x")));
    PollLocalFolder(true);
    TagRow* saved = b->FindRow(kText, FourCC("save"));
    ASSERT_NE(saved, nullptr);
    EXPECT_EQ(saved->item->color, kRowColorLocal);
}
