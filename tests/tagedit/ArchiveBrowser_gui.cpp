// The archive browser through the fake backend: what each list entry shows and where each
// row's winning copy lies, the columns, the tag database's events, disabled rows, hidden
// groups and working sets.
#include "BrowserTestSupport.h"

#include <algorithm>
#include <set>

#include "codex/Archive.h"
#include "tagedit/WorkingSet.h"

using namespace btest;

namespace {

const u32 kText = FourCC("text"), kScri = FourCC("scri"), kSoun = FourCC("soun");

class ArchiveBrowserTest : public BrowserFixture {
protected:
    // A foundation archive, a base archive overriding one of its tags, an add-on, an archive
    // of a kind that is not active by default, and one local copy.
    ArchiveBrowser* StartSample()
    {
        WriteArchive(Tags() + "found.dat", 3,
                     {{kText, FourCC("alph"), "alpha", Data("a0")},
                      {kText, FourCC("beta"), "beta", Data("b0")},
                      {kSoun, FourCC("nois"), "noise", Data("n")}});
        WriteArchive(Tags() + "base.dat", 2,
                     {{kText, FourCC("beta"), "beta", Data("b1")}, {kScri, FourCC("gamm"), "gamma", Data("g")}});
        WriteArchive(Plugins() + "extra.dat", 6, {{kText, FourCC("delt"), "delta", Data("d")}});
        WriteArchive(Plugins() + "old.dat", 1, {{kText, FourCC("omeg"), "omega", Data("o")}});
        WriteLocal("text", "alpha", "alpha", kText, FourCC("alph"), Data("local"));
        return Start();
    }
};

std::set<std::string> AsSet(const std::vector<std::string>& v) { return std::set<std::string>(v.begin(), v.end()); }

}  // namespace

TEST_F(ArchiveBrowserTest, EachEntryListsItsTagsWithWhereTheWinningCopyLies)
{
    ArchiveBrowser* b = StartSample();
    EXPECT_STREQ(b->GetTitle(), "Archive Browser");
    EXPECT_STREQ(b->GetClassName(), "ArchiveBrowser");
    EXPECT_EQ(ListTexts(b->activeList),
              (std::vector<std::string>{"combined", "foundation", "local", "found.dat", "base.dat", "extra.dat"}));
    EXPECT_EQ(ListTexts(b->inactiveList), (std::vector<std::string>{"old.dat"}));

    struct Case {
        const char* entry;
        std::set<std::string> rows;
    } cases[] = {
        {"combined", {"alpha@local folder", "beta@base.dat", "gamma@base.dat", "delta@extra.dat"}},
        {"foundation", {"alpha@local folder", "beta@base.dat"}},
        {"local", {"alpha@local folder"}},
        {"found.dat", {"alpha@local folder", "beta@base.dat"}},
        {"base.dat", {"beta@base.dat", "gamma@base.dat"}},
        {"extra.dat", {"delta@extra.dat"}},
    };
    for (const Case& c : cases) {
        SelectEntry(b, c.entry);
        EXPECT_EQ(AsSet(Rows(b)), c.rows) << c.entry;
    }

    SelectEntry(b, "combined");
    // Groups by plural name, rows by name; each node counts its rows.
    std::vector<std::string> nodes;
    for (ListItem* n = b->tagTree->GetFirstItem(); n; n = n->next) nodes.push_back(n->text);
    EXPECT_EQ(nodes, (std::vector<std::string>{"Scripts (1)", "Text (3)"}));
    EXPECT_EQ(Rows(b), (std::vector<std::string>{"gamma@base.dat", "alpha@local folder", "beta@base.dat",
                                                  "delta@extra.dat"}));
    TagRow* alpha = b->FindRow(kText, FourCC("alph"));
    ASSERT_NE(alpha, nullptr);
    EXPECT_EQ(alpha->item->color, kRowColorLocal);
    EXPECT_EQ(b->FindRow(kText, FourCC("beta"))->item->color, kRowColorArchive);
    EXPECT_EQ(alpha->header.size, 5u);
}

TEST_F(ArchiveBrowserTest, TheTreeHasFourteenColumnsOverTheRowRecord)
{
    ArchiveBrowser* b = StartSample();
    struct Col {
        const char* title;
        u32 type, size, width, offset;
        bool hidden;
    } cols[] = {
        {"Identifier", LCT_UINT, 2, 96, 0, true},   {"Flags", LCT_UINT, 1, 96, 2, true},
        {"Type", LCT_UINT, 1, 96, 3, true},         {"Name", LCT_CHARARRAY, 32, 256, 4, false},
        {"Group", LCT_FOURCC, 4, 64, 36, true},     {"Tag", LCT_FOURCC, 4, 64, 40, false},
        {"Offset", LCT_UINT, 4, 96, 44, true},      {"Size", LCT_UINT, 4, 96, 48, false},
        {"User", LCT_UINT, 4, 64, 52, false},       {"Vers.", LCT_UINT, 2, 48, 56, false},
        {"Foundation Index", LCT_UINT, 1, 96, 58, true}, {"Owner Index", LCT_UINT, 1, 96, 59, true},
        {"Game", LCT_FOURCC, 4, 64, 60, false},     {"Location", LCT_CHARARRAY, 64, 256, 64, false},
    };
    ASSERT_EQ(b->tagTree->GetColumnCount(), 14u);
    for (u32 i = 0; i < 14; ++i) {
        const ListColumn* c = b->tagTree->GetColumn(i);
        EXPECT_STREQ(c->title, cols[i].title);
        EXPECT_EQ(c->type, cols[i].type) << cols[i].title;
        EXPECT_EQ(c->size, cols[i].size) << cols[i].title;
        EXPECT_EQ(c->width, cols[i].width) << cols[i].title;
        EXPECT_EQ(c->recordOffset, cols[i].offset) << cols[i].title;
        EXPECT_EQ((c->flags & LCF_HIDDEN) != 0, cols[i].hidden) << cols[i].title;
        EXPECT_EQ(c->textFlags, 262u);
    }
    // The cells read the row's own record.
    TagRow* beta = b->FindRow(kText, FourCC("beta"));
    char text[80];
    ListWindow::FormatColumnValue(b->tagTree->GetColumn(13), reinterpret_cast<u8*>(beta) + 64, text, sizeof text);
    EXPECT_STREQ(text, "base.dat");
    ListWindow::FormatColumnValue(b->tagTree->GetColumn(5), reinterpret_cast<u8*>(beta) + 40, text, sizeof text);
    EXPECT_STREQ(text, "beta");
}

TEST_F(ArchiveBrowserTest, EventsUpdateRowsWithoutRebuildingTheTree)
{
    ArchiveBrowser* b = StartSample();
    SelectEntry(b, "base.dat");
    ASSERT_EQ(AsSet(Rows(b)), (std::set<std::string>{"beta@base.dat", "gamma@base.dat"}));

    // A tag of another archive saved locally gets its row whatever is selected (a rebuild
    // would drop it again), orange.
    WriteLocal("text", "delta", "delta", kText, FourCC("delt"), Data("edited"));
    WriteLocal("text", "aardvark", "aardvark", kText, FourCC("aard"), Data("new"));
    PollLocalFolder(true);
    RunSteps(1);
    TagRow* delta = b->FindRow(kText, FourCC("delt"));
    ASSERT_NE(delta, nullptr) << "event 1 adds the row";
    EXPECT_EQ(delta->item->color, kRowColorLocal);
    EXPECT_STREQ(delta->location, "local folder");
    ASSERT_NE(b->FindRow(kText, FourCC("aard")), nullptr);
    b->tagTree->ExpandItem(b->FindGroupNode(kText)->item);
    EXPECT_EQ(b->FindGroupNode(kText)->item->firstChild, b->FindRow(kText, FourCC("aard"))->item)
        << "the node's children are sorted after the poll";
    EXPECT_STREQ(b->FindGroupNode(kText)->item->text, "Text (3)");

    // A local copy of an archive tag: the same row refreshed (event 1), then the copy deleted
    // and the row back to the archive's copy (event 2).
    TagRow* beta = b->FindRow(kText, FourCC("beta"));
    WriteLocal("text", "beta", "beta", kText, FourCC("beta"), Data("local beta"));
    PollLocalFolder(true);
    EXPECT_EQ(b->FindRow(kText, FourCC("beta")), beta);
    EXPECT_EQ(beta->item->color, kRowColorLocal);
    EXPECT_EQ(beta->header.size, 10u);
    ASSERT_TRUE(DeleteLocalTag(FindTag(kText, FourCC("beta"))));
    EXPECT_EQ(b->FindRow(kText, FourCC("beta")), beta);
    EXPECT_EQ(beta->item->color, kRowColorArchive);
    EXPECT_STREQ(beta->location, "base.dat");

    // A tag only in the local folder goes with its file (event 4), and its group node with
    // its last row.
    WriteLocal("scripts", "solo", "solo", kScri, FourCC("solo"), Data("s"));
    PollLocalFolder(true);
    SelectEntry(b, "local");
    ASSERT_NE(b->FindRow(kScri, FourCC("solo")), nullptr);
    ASSERT_TRUE(DeleteLocalTag(FindTag(kScri, FourCC("solo"))));
    EXPECT_EQ(b->FindRow(kScri, FourCC("solo")), nullptr);
    EXPECT_EQ(b->FindGroupNode(kScri), nullptr) << "an emptied node goes";

    // A new archive appears in the inactive list (event 6).
    WriteArchive(Plugins() + "new.dat", 1, {{kText, FourCC("news"), "news", Data("n")}});
    ASSERT_NE(OpenArchive((Plugins() + "new.dat").c_str()), nullptr);
    EXPECT_EQ(AsSet(ListTexts(b->inactiveList)), (std::set<std::string>{"old.dat", "new.dat"}));
    EXPECT_EQ(ListTexts(b->activeList)[2], "local") << "the selection is kept";
    EXPECT_STREQ(b->activeList->GetCurrentItem()->text, "local");
}

TEST_F(ArchiveBrowserTest, AnArchiveClosingTakesItsRowsAndItemAlong)
{
    ArchiveBrowser* b = StartSample();
    Archive* extra = FindArchiveByName("extra.dat");
    ASSERT_NE(b->FindRow(kText, FourCC("delt")), nullptr);
    ASSERT_TRUE(UnloadArchive(extra));
    EXPECT_EQ(b->FindRow(kText, FourCC("delt")), nullptr);
    EXPECT_EQ(b->FindArchiveItem(b->activeList, extra), nullptr);
    RunSteps(1);
    EXPECT_EQ(AsSet(Rows(b)), (std::set<std::string>{"alpha@local folder", "beta@base.dat", "gamma@base.dat"}));
}

namespace {

// A collection's data: 8 bytes whose second word is the flags, padded to size.
Bytes CollectionData(u32 flags, u32 size)
{
    Bytes d(size, 0);
    d[4] = u8(flags >> 24);
    d[5] = u8(flags >> 16);
    d[6] = u8(flags >> 8);
    d[7] = u8(flags);
    return d;
}

}  // namespace

TEST_F(ArchiveBrowserTest, DisabledRowsAreGreyedAndDoNotOpen)
{
    const u32 kMesh = FourCC("mesh"), k256 = FourCC(".256");
    WriteLocal("meshes", "old", "old", kMesh, FourCC("mold"), Data("m"), 0, 10);
    WriteLocal("meshes", "new", "new", kMesh, FourCC("mnew"), Data("m"), 0, 11);
    WriteLocal("collections", "map", "map", k256, FourCC("cmap"), Data("c"), 0x100);
    WriteLocal("collections", "plain", "plain", k256, FourCC("cpla"), Data("c"), 0x4);
    WriteLocal("collections", "small", "small", k256, FourCC("csma"), CollectionData(0x100, 64));
    WriteArchive(Tags() + "big.dat", 2,
                 {{k256, FourCC("cbig"), "bigmap", CollectionData(0x100, 0x120000)},
                  {k256, FourCC("cbok"), "bigok", CollectionData(0x1, 0x120000)}});
    ArchiveBrowser* b = Start();

    struct Case {
        const char* what;
        u32 group, tag;
        bool disabled;
        u32 user;
    } cases[] = {
        {"mesh version 10", kMesh, FourCC("mold"), true, 0},
        {"mesh version 11", kMesh, FourCC("mnew"), false, 0},
        {"colour map by its header", k256, FourCC("cmap"), true, 0x100},
        {"other user bits", k256, FourCC("cpla"), false, 0x4},
        {"small collection: data not read", k256, FourCC("csma"), false, 0},
        {"large colour map by its data", k256, FourCC("cbig"), true, 0x100},
        {"large collection without the bit", k256, FourCC("cbok"), false, 0x1},
    };
    for (const Case& c : cases) {
        TagRow* row = b->FindRow(c.group, c.tag);
        ASSERT_NE(row, nullptr) << c.what;
        EXPECT_EQ(row->disabled != 0, c.disabled) << c.what;
        EXPECT_EQ(row->header.user, c.user) << c.what << ": the User column";
        u32 base = HasLocalCopy(row->entry) ? kRowColorLocal : kRowColorArchive;
        EXPECT_EQ(row->item->color, c.disabled ? DarkenColor(base) : base) << c.what;
        opened.clear();
        b->tagTree->ActivateItem(row->item);
        EXPECT_EQ(opened.size(), c.disabled ? 0u : 1u) << c.what;
    }
    // Ctrl+O opens the enabled rows of a selection only.
    SelectRows(b, {b->FindRow(kMesh, FourCC("mold")), b->FindRow(kMesh, FourCC("mnew"))});
    opened.clear();
    Window::SetFocus(b->tagTree, FOCUS_PROGRAM);
    Key(LIBKEY_LEFT_CONTROL);
    Tap('O');
    Key(LIBKEY_LEFT_CONTROL, LIBACTION_RELEASE);
    Run();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0]->tag, FourCC("mnew"));
}

TEST_F(ArchiveBrowserTest, ALargeCollectionIsReadOnceAndKeepsItsFlagWhenItCannotBeRead)
{
    const u32 k256 = FourCC(".256");
    WriteArchive(Tags() + "big.dat", 2, {{k256, FourCC("cbig"), "bigmap", CollectionData(0x100, 0x120000)}});
    ArchiveBrowser* b = Start();
    TagRow* row = b->FindRow(k256, FourCC("cbig"));
    ASSERT_NE(row, nullptr);
    ASSERT_TRUE(row->disabled);
    // With the archive file gone, a refresh uses what was read; a changed copy that cannot be
    // read leaves the flag as it was.
    std::filesystem::remove(Tags() + "big.dat");
    b->RebuildTagTree();
    row = b->FindRow(k256, FourCC("cbig"));
    ASSERT_NE(row, nullptr);
    EXPECT_TRUE(row->disabled);
    EXPECT_EQ(row->header.user, 0x100u);
    row->probed = 0;
    b->UpdateRowDisabled(row);
    EXPECT_TRUE(row->disabled);
}

TEST_F(ArchiveBrowserTest, HiddenGroupsShowUnderDarkerNodesWithCtrlT)
{
    ArchiveBrowser* b = StartSample();
    EXPECT_EQ(b->FindGroupNode(kSoun), nullptr);
    Window::SetFocus(b->tagTree, FOCUS_PROGRAM);
    Key(LIBKEY_LEFT_CONTROL);
    Tap('T');
    Key(LIBKEY_LEFT_CONTROL, LIBACTION_RELEASE);
    Run();
    TagGroupNode* sounds = b->FindGroupNode(kSoun);
    ASSERT_NE(sounds, nullptr);
    EXPECT_STREQ(sounds->item->text, "Sounds (1)");
    EXPECT_EQ(sounds->item->color, DarkenColor(0xFFFFFFFFu));
    EXPECT_EQ(b->FindGroupNode(kText)->item->color, 0xFFFFFFFFu);
    TagRow* noise = b->FindRow(kSoun, FourCC("nois"));
    ASSERT_NE(noise, nullptr);
    EXPECT_TRUE(noise->disabled) << "no editor opens it";
    b->ToggleHiddenGroups();
    EXPECT_EQ(b->FindGroupNode(kSoun), nullptr);
}

TEST_F(ArchiveBrowserTest, WorkingSets)
{
    struct Case {
        const char* what;
        const char* stored;  // null: none
        std::vector<std::string> active;
    } cases[] = {
        {"none stored: the default set", nullptr, {"a2.dat", "a3.dat", "a6.dat"}},
        {"a stored set", "a1.dat;a3.dat;", {"a3.dat", "a1.dat"}},
        {"naming no loaded archive", "gone.dat;", {}},
    };
    for (const Case& c : cases) {
        ResetPrefs();
        SetVornPath(root.c_str());
        if (c.stored) SetPrefString("CodexWorkingSet", c.stored);
        for (u32 k : {1u, 2u, 3u, 6u})
            WriteArchive(Tags() + "a" + std::to_string(k) + ".dat", k,
                         {{kText, FourCC("t000") + k, ("t" + std::to_string(k)).c_str(), Data("x")}});
        ArchiveBrowser* b = Start();
        std::vector<std::string> active = ListTexts(b->activeList);
        active.erase(active.begin(), active.begin() + 3);
        EXPECT_EQ(AsSet(active), AsSet(c.active)) << c.what;
        for (Archive* a : {FindArchiveByName("a1.dat"), FindArchiveByName("a2.dat")})
            EXPECT_EQ(IsArchiveActive(a), std::find(c.active.begin(), c.active.end(), GetArchiveName(a)) !=
                                              c.active.end())
                << c.what;
        CloseArchiveBrowser();
        RunSteps(1);
        ASSERT_TRUE(CloseCodex());
    }
}

TEST_F(ArchiveBrowserTest, ArchivesMoveBetweenTheListsAndTheSetIsSaved)
{
    ArchiveBrowser* b = StartSample();
    EXPECT_EQ(WorkingSetPref(), "found.dat;base.dat;extra.dat;");

    b->activeList->DeselectAllExcept(nullptr);
    b->activeList->SelectItem(b->FindArchiveItem(b->activeList, FindArchiveByName("extra.dat")), 0);
    b->MoveSelectedArchives(b->activeList);
    EXPECT_FALSE(IsArchiveActive(FindArchiveByName("extra.dat")));
    EXPECT_EQ(WorkingSetPref(), "found.dat;base.dat;");
    EXPECT_STREQ(b->activeList->GetCurrentItem()->text, "combined");
    EXPECT_EQ(b->FindRow(kText, FourCC("delt")), nullptr);
    EXPECT_EQ(AsSet(ListTexts(b->inactiveList)), (std::set<std::string>{"extra.dat", "old.dat"}));
    EXPECT_EQ(ListTexts(b->inactiveList)[0], "extra.dat") << "sorted";

    b->inactiveList->DeselectAllExcept(nullptr);
    b->inactiveList->SelectItem(b->FindArchiveItem(b->inactiveList, FindArchiveByName("old.dat")), 0);
    b->RunArchiveMenuCommand(b->inactiveList, kBrowserMoveSelection);
    EXPECT_TRUE(IsArchiveActive(FindArchiveByName("old.dat")));
    EXPECT_EQ(WorkingSetPref(), "found.dat;base.dat;old.dat;");
    EXPECT_NE(b->FindRow(kText, FourCC("omeg")), nullptr);
    ListItem* oldItem = b->FindArchiveItem(b->activeList, FindArchiveByName("old.dat"));
    ASSERT_NE(oldItem, nullptr);
    EXPECT_TRUE(oldItem->flags & LIF_SELECTED) << "the arrival is selected";

    b->RunArchiveMenuCommand(b->activeList, kBrowserDefaultWorkingSet);
    EXPECT_EQ(WorkingSetPref(), "found.dat;base.dat;extra.dat;");
    EXPECT_FALSE(IsArchiveActive(FindArchiveByName("old.dat")));
}

TEST_F(ArchiveBrowserTest, AddArchivesActivatesWhatOpensAndSkipsTheRest)
{
    ArchiveBrowser* b = StartSample();
    WriteArchive(root + "elsewhere/more.dat", 1, {{kText, FourCC("more"), "more", Data("m")}});
    WriteBytes(root + "elsewhere/notes.txt", Data("not an archive"));
    ScopedDynArray<String> paths;
    paths.Push(String((root + "elsewhere/notes.txt").c_str()));
    paths.Push(String((root + "elsewhere/more.dat").c_str()));
    AddArchives(paths);
    EXPECT_EQ(WorkingSetPref(), "found.dat;base.dat;extra.dat;more.dat;");
    EXPECT_EQ(ListTexts(b->activeList).back(), "more.dat");
    EXPECT_NE(b->FindRow(kText, FourCC("more")), nullptr);
    EXPECT_EQ(b->adding, 0u);
    EXPECT_EQ(GetArchiveCount(), 5u);
}

TEST_F(ArchiveBrowserTest, WorkingSetNamesThePreferenceFileCannotCarryAreLeftOut)
{
    const char* names[] = {"good.dat", "semi;colon.dat", "quote\".dat", "tab\tname.dat", "fine two.dat"};
    for (const char* n : names) WriteArchive(Tags() + n, 2, {{kText, FourCC("tt00"), "t", Data("x")}});
    ArchiveBrowser* b = Start();
    (void)b;
    // Through the file's own text form, as a restart reads it.
    String saved = PrefStore::Global().Serialize();
    ResetPrefs();
    ASSERT_TRUE(PrefStore::Global().Parse(saved.c_str(), saved.Length()));
    ScopedDynArray<Archive*> back;
    ASSERT_TRUE(LoadWorkingSet("CodexWorkingSet", &back));
    std::set<std::string> got;
    for (Archive* a : back) got.insert(GetArchiveName(a));
    EXPECT_EQ(got, (std::set<std::string>{"good.dat", "fine two.dat"}));
    EXPECT_EQ(std::count_if(logs.begin(), logs.end(),
                            [](const std::string& l) { return l.find("left out of the working set") != l.npos; }),
              3);
}
