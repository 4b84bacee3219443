// The collection editor through the fake backend, on a small copy of the sample "Rocks" (two
// palette bitmaps, a true-colour bitmap assigned as the high-res bitmap of one view, a hue
// change and a sequence): its pages, every page's edit saved and read back, the colour-table
// page's dialogs, Ctrl+T with and without edits, the refused colour map, a new collection,
// and closing the editor while page windows are open.
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "collection/ui/BitmapWindow.h"
#include "collection/ui/X256BitmapBrowser.h"
#include "collection/ui/X256ColorTableEdit.h"
#include "collection/ui/X256Edit.h"
#include "collection/ui/X256FlagsEdit.h"
#include "collection/ui/X256HueBrowser.h"
#include "collection/ui/X256HueEdit.h"
#include "collection/ui/X256OptimizeEdit.h"
#include "collection/ui/X256SequenceBrowser.h"
#include "collection/ui/X256SequenceEdit.h"
#include "collection/ui/X256SequenceFrameEdit.h"
#include "collection/ui/X256SequenceFrameView.h"
#include "foundation/ActFile.h"
#include "gui/Button.h"
#include "platform/FileDialogs.h"
#include "gui/GridWindow.h"
#include "gui/ListWindow.h"
#include "gui/Menu.h"
#include "gui/TabWindow.h"
#include "gui/TextBox.h"
#include "platform/OsFake.h"
#include "tests/common/TempFolder.h"
#include "tests/tagedit/TagEditSupport.h"

using namespace tetest;

namespace {

const u32 kGroup = FourCC(".256");
const u32 kRocksId = FourCC("Rock");

// "Boulder 1" and "Boulder 2" shown by the two frames of "Roll"; the first frame's view also
// has "Boulder HD" (true colour) as its high-res assignment at scale 2.5, point (7, 8); the
// standard point is (3, 4). "Spare" is used by nobody.
void BuildRocks(Collection& c, u32 flags = kCollectionMonsters | kCollectionScenery)
{
    strcpy(c.name, "Rocks");
    c.flags = flags;
    ColorTableEntry colors[256];
    for (u32 i = 0; i < 256; ++i) colors[i] = {u8(i), u8(255 - i), u8(i * 7)};
    c.SetColorTable(colors, 256);
    std::vector<u8> px(16 * 16 * 2);
    for (u32 i = 0; i < 16 * 16; ++i) {
        px[i * 2] = 255;
        px[i * 2 + 1] = u8(2 + i % 200);
    }
    CollectionBitmap* a = c.AddBitmap("Boulder 1", 0, px.data(), 16, 16, 2, nullptr);
    px[1] = 77;
    CollectionBitmap* b = c.AddBitmap("Boulder 2", 0, px.data(), 16, 16, 2, nullptr);
    std::vector<u8> tc(32 * 32 * 8, 0);
    for (u32 i = 0; i < 32 * 32; ++i) {
        tc[i * 8] = u8(i);
        tc[i * 8 + 3] = 31;
    }
    CollectionBitmap* hd = c.AddBitmap("Boulder HD", kBitmapTrueColor, tc.data(), 32, 32, 8, nullptr);
    c.AddBitmap("Spare", 0, px.data(), 16, 16, 2, nullptr);
    c.AddHueChange("Mossy");
    Sequence* s = c.AddSequence("Roll");
    s->Resize(1, 2);
    FrameView& v = s->GetFrameView(0, 0);
    v.bitmap = a;
    v.registrationX = 3;
    v.registrationY = 4;
    v.SetHighResAssignment(hd, 0x28000, 7, 8);
    s->GetFrameView(1, 0).bitmap = b;
}

// The tag data; user receives the tag header's user word, where the flags are kept.
Bytes CollectionData(Collection& c, u32* user = nullptr)
{
    FILE* f = tmpfile();
    TagHeader h = {};
    EXPECT_EQ(1, c.Write(f, &h));
    if (user) *user = h.user;
    long end = ftell(f);
    Bytes out(size_t(end > 0 ? end : 0));
    rewind(f);
    EXPECT_EQ(out.size(), fread(out.data(), 1, out.size(), f));
    fclose(f);
    return out;
}

int ReadBytes(const Bytes& data, u32 user, Collection& c);

// The data as our writer writes what it reads: what an editor that changed nothing saves.
Bytes Normalised(const Bytes& data, u32* user)
{
    Collection c;
    EXPECT_EQ(1, ReadBytes(data, *user, c));
    return CollectionData(c, user);
}

// Reads data (a tag's data) into c; 1 or 0.
int ReadBytes(const Bytes& data, u32 user, Collection& c)
{
    FILE* f = tmpfile();
    fwrite(data.data(), 1, data.size(), f);
    TagHeader h = {};
    strcpy(h.name, "Rocks");
    h.size = u32(data.size());
    h.user = user;
    int ok = c.Read(f, &h, true);
    fclose(f);
    return ok;
}

Bytes ReadFileBytes(const std::string& path)
{
    Bytes out;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return out;
    int ch;
    while ((ch = fgetc(f)) != EOF) out.push_back(u8(ch));
    fclose(f);
    return out;
}

// The rows of every popup menu shown (each closed without a choice), then the box answers.
std::vector<std::vector<std::string>>& MenusSeen()
{
    static std::vector<std::vector<std::string>> m;
    return m;
}

int MenuClosingStep()
{
    Window* layer = WindowSystem::GetLayerRoot(1);
    for (Window* w = layer ? layer->GetFirstChild() : nullptr; w; w = w->GetNextSibling()) {
        if (strcmp(w->GetClassName(), "MenuItem") || !WindowSystem::IsOnModalStack(w, 1)) continue;
        MenuItem* menu = static_cast<MenuItem*>(w);
        std::vector<std::string> rows;
        for (MenuItem* i = menu->FirstItem(); i; i = MenuItem::NextItem(i))
            if (!i->IsSeparator()) rows.push_back(i->GetTitle());
        MenusSeen().push_back(rows);
        MenuItem::Activate(menu, nullptr);
        break;
    }
    return AnsweringStep();
}

// The names a bitmap page lists, in row order.
std::vector<std::string> RowNames(const X256BitmapBrowser* page)
{
    std::vector<std::string> out;
    for (const BitmapRow* r : page->GetRows()) out.push_back(r->name);
    return out;
}

// The names of the collection's bitmaps of one page kind, in collection order.
std::vector<std::string> BitmapNames(const Collection& c, bool shadows)
{
    std::vector<std::string> out;
    for (const CollectionBitmap* b : c.bitmaps)
        if (((b->flags & kBitmapShadow) != 0) == shadows) out.push_back(b->name);
    return out;
}

std::string CountLabel(const X256BitmapBrowser* page)
{
    String s;
    page->GetCountLabel()->GetText(&s);
    return s.c_str();
}

class X256EditTest : public TagEditFixture {
protected:
    void SetUp() override
    {
        TagEditFixture::SetUp();
        Register(kGroup, NewCollectionEditor);
    }
    // Writes "Rocks" to the local folder, starts the database and opens the editor.
    X256Edit* OpenRocks(u32 flags = kCollectionMonsters | kCollectionScenery)
    {
        Collection c;
        BuildRocks(c, flags);
        original = Normalised(CollectionData(c, &originalUser), &originalUser);
        WriteLocalTag("collections", "Rocks", "Rocks", kGroup, kRocksId, original, originalUser);
        StartDatabase();
        TagEdit* e = OpenTagEditor(FindTag(kGroup, kRocksId));
        Run();
        return static_cast<X256Edit*>(e);
    }
    // Opens the sequence editor of the collection's first sequence from the Sequences page.
    X256SequenceEdit* OpenFirstSequenceEdit(X256Edit* e)
    {
        X256SequenceBrowser* sequences = e->GetSequencesPage();
        sequences->OpenSequenceEdit(sequences->ItemAtRow(0));
        Run();
        return sequences->FindSequenceEdit(e->GetCollection()->GetSequence(0));
    }
    // Lets the next OpenRocks start from nothing.
    void Restart()
    {
        EXPECT_TRUE(CloseCodex());
        RemoveTree(Local());
        archives.clear();
    }
    std::string RocksPath() const { return Local() + "collections/Rocks"; }
    // The tag data of the local file as saved, and its header's user word.
    Bytes Saved() const
    {
        Bytes all = ReadFileBytes(RocksPath());
        return all.size() < 64 ? Bytes() : Bytes(all.begin() + 64, all.end());
    }
    u32 SavedUser() const
    {
        Bytes all = ReadFileBytes(RocksPath());
        return all.size() < 64 ? 0 : u32(all[52]) << 24 | u32(all[53]) << 16 | u32(all[54]) << 8 | all[55];
    }
    // The original read back, changed by edit and written again.
    Bytes Expected(const std::function<void(Collection&)>& edit, u32* user) const
    {
        Collection c;
        EXPECT_EQ(1, ReadBytes(original, originalUser, c));
        edit(c);
        return CollectionData(c, user);
    }
    static bool Starred(Window* w) { return w->GetTitle() && std::string(w->GetTitle()).back() == '*'; }
    void Save(X256Edit* e)
    {
        Window::SetFocus(e, FOCUS_PROGRAM);
        CtrlS();
        EXPECT_FALSE(e->IsModified());
    }
    void CtrlT() { PressKey('T', 0, 1); }
    static void AnswerColour(int ok, u8 r, u8 g, u8 b)
    {
        FakeOsDialogAnswer a;
        a.ok = ok;
        a.rgb[0] = r;
        a.rgb[1] = g;
        a.rgb[2] = b;
        FakeOsQueueDialogAnswer(a);
    }
    static void AnswerPath(const std::string& path, int ok = 1)
    {
        FakeOsDialogAnswer a;
        a.ok = ok;
        a.paths[0] = path.c_str();
        FakeOsQueueDialogAnswer(a);
    }
    Bytes original;
    u32 originalUser = 0;
};

TEST_F(X256EditTest, OpensWithSevenPagesInTabOrderAtItsSize)
{
    X256Edit* e = OpenRocks();
    ASSERT_TRUE(e);
    EXPECT_STREQ("X256Edit", e->GetClassName());
    const char* titles[] = {"Bitmaps", "Shadows", "Sequences", "Hue Changes", "Color Table", "Flags", "Optimize"};
    TabWindow* tabs = e->GetTabs();
    ASSERT_EQ(7u, tabs->GetTabCount());
    for (u32 i = 0; i < 7; ++i) EXPECT_STREQ(titles[i], tabs->GetPage(i)->GetTitle()) << i;
    EXPECT_STREQ("Tabs", tabs->GetTitle());
    EXPECT_EQ(575, e->GetFrameWidth());
    EXPECT_EQ(360, e->GetFrameHeight());
    Size min;
    e->GetMinimumFrameSize(&min, Size{2000, 2000});
    EXPECT_EQ(446, min.width);
    EXPECT_EQ(195, min.height);
    EXPECT_EQ(e->GetContentBounds().Width(), tabs->GetFrameWidth());
    EXPECT_FALSE(e->IsModified());
    EXPECT_STREQ("Rocks", e->GetTitle());
    // The pages show what was read.
    EXPECT_EQ(1u, e->GetHueChangesPage()->GetItemCount());
    EXPECT_TRUE(e->GetFlagsPage()->GetCheckBox(1)->IsChecked());
    EXPECT_FALSE(e->GetFlagsPage()->GetCheckBox(0)->IsChecked());
    EXPECT_TRUE(e->GetFlagsPage()->GetCheckBox(3)->IsChecked());
    X256BitmapBrowser* bitmaps = e->GetBitmapsPage();
    ASSERT_EQ(tabs->GetPage(0), bitmaps);
    ASSERT_EQ(tabs->GetPage(1), e->GetShadowsPage());
    EXPECT_EQ(u32(X256BitmapBrowser::kBitmapsPage), bitmaps->GetKind());
    EXPECT_EQ(u32(X256BitmapBrowser::kShadowsPage), e->GetShadowsPage()->GetKind());
    EXPECT_EQ((std::vector<std::string>{"Boulder 1", "Boulder 2", "Boulder HD", "Spare"}), RowNames(bitmaps));
    EXPECT_EQ("  4 Bitmaps:", CountLabel(bitmaps));
    EXPECT_EQ("  0 Shadows:", CountLabel(e->GetShadowsPage()));
    // "Boulder HD" is used through its high-res assignment only; "Spare" by nobody.
    EXPECT_EQ(0xFFFFFFFFu, bitmaps->GetUseColour(2));
    EXPECT_EQ(0xFFC0C0C0u, bitmaps->GetUseColour(3));
}

TEST_F(X256EditTest, AnEditOnEachPageMarksTheEditorAndIsWhatSavingChanges)
{
    struct Case {
        const char* page;
        std::function<void(X256Edit*)> act;
        std::function<void(Collection&)> change;
    } cases[] = {
        {"Flags: untick Monsters",
         [this](X256Edit* e) {
             Rect r = e->GetFlagsPage()->GetCheckBox(1)->GetContentRect();
             e->GetTabs()->SelectTab(5);
             Run();
             Click(r.left + 4, (r.top + r.bottom) / 2);
             Run();
         },
         [](Collection& c) { c.flags &= ~u32(kCollectionMonsters); }},
        {"Color Table: colour 9 edited",
         [](X256Edit* e) {
             AnswerColour(1, 10, 20, 30);
             e->GetColorTablePage()->EditColor(9);
         },
         [](Collection& c) { c.colorTable.entries[9] = {10, 20, 30}; }},
        {"Hue Changes: duplicated",
         [](X256Edit* e) {
             X256HueBrowser* hues = e->GetHueChangesPage();
             hues->SelectItem(hues->ItemAtRow(0), 1);
             hues->DuplicateSelected();
         },
         [](Collection& c) {
             HueChange* copy = c.AddHueChange("");
             memcpy(copy, c.GetHueChange(0), sizeof(HueChange));
             strcpy(copy->name, "Mossy copy");
         }},
        {"Bitmaps: Delete on Spare",
         [this](X256Edit* e) {
             X256BitmapBrowser* page = e->GetBitmapsPage();
             page->GetTable()->SelectItem(page->GetRows().data[3]->item, 1);
             Answer(0);
             page->RunCommand(X256BitmapBrowser::kDelete);
         },
         [](Collection& c) { c.DeleteBitmap(c.GetBitmap(3)); }},
        {"Bitmaps: Boulder 2 to RLE",
         [](X256Edit* e) {
             X256BitmapBrowser* page = e->GetBitmapsPage();
             page->GetTable()->SelectItem(page->GetRows().data[1]->item, 1);
             page->RunCommand(X256BitmapBrowser::kToRle);
         },
         [](Collection& c) { c.GetBitmap(1)->flags |= kBitmapSpanRows; }},
        {"Optimize: Delete Unused Bitmaps",
         [this](X256Edit* e) {
             Answer(0);
             e->GetOptimizePage()->OnButton(0);
         },
         [](Collection& c) { c.DeleteBitmap(c.GetBitmap(3)); }},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.page);
        if (&k != cases) Restart();
        X256Edit* e = OpenRocks();
        ASSERT_TRUE(e);
        k.act(e);
        EXPECT_TRUE(e->IsModified());
        EXPECT_TRUE(Starred(e)) << e->GetTitle();
        // Every page that lists bitmaps shows the collection as it now is.
        EXPECT_EQ(BitmapNames(*e->GetCollection(), false), RowNames(e->GetBitmapsPage()));
        EXPECT_EQ(BitmapNames(*e->GetCollection(), true), RowNames(e->GetShadowsPage()));
        Save(e);
        u32 user = 0;
        EXPECT_EQ(Expected(k.change, &user), Saved());
        EXPECT_EQ(user, SavedUser());
        Collection back;
        EXPECT_EQ(1, ReadBytes(Saved(), SavedUser(), back));
        e->Close();
        Settle();
    }
}

TEST_F(X256EditTest, TheKeyboardReachesTheFlagsAndSaves)
{
    X256Edit* e = OpenRocks();
    ASSERT_TRUE(e);
    for (int i = 0; i < 5; ++i) PressKey(LIBKEY_RIGHT, 0, 1);
    EXPECT_EQ(5u, e->GetTabs()->GetCurrentTab());
    EXPECT_EQ(e->GetFlagsPage()->GetCheckBox(0), WindowSystem::GetFocus());
    PressKey(LIBKEY_TAB);
    PressKey(LIBKEY_SPACE);
    EXPECT_FALSE(e->GetFlagsPage()->GetCheckBox(1)->IsChecked());
    PressKey(LIBKEY_LEFT, 0, 1);
    EXPECT_EQ(e->GetColorTablePage()->GetGrid(), WindowSystem::GetFocus());
    PressKey('S', 0, 1);
    EXPECT_FALSE(e->IsModified());
    EXPECT_EQ(originalUser & ~u32(kCollectionMonsters), SavedUser());
}

TEST_F(X256EditTest, UntickingMonstersClearsOnlyItsBit)
{
    Collection c;
    c.flags = kCollectionColorMap | 0x8000 | kCollectionMonsters | kCollectionTextures;
    X256FlagsEdit* page = new X256FlagsEdit(&c, WF_VISIBLE | WF_ENABLED, nullptr);
    page->SetFrameXYWH(10, 10, 300, 200);
    page->Refresh();
    Run();
    int changes = 0;
    struct Counter : SignalListener {
        int* n;
        void On() { ++*n; }
    } counter;
    counter.n = &changes;
    page->changed.Connect<&Counter::On>(&counter);
    Rect r = page->GetCheckBox(1)->GetContentRect();
    Click(r.left + 4, (r.top + r.bottom) / 2);
    Run();
    EXPECT_EQ(kCollectionColorMap | 0x8000u | kCollectionTextures, c.flags);
    EXPECT_EQ(1, changes);
    page->GetCheckBox(5)->SetState(BUTTON_ON, 0);
    EXPECT_EQ(kCollectionColorMap | 0x8000u | kCollectionTextures | kCollectionInterfaces, c.flags);
    page->Close();
    Settle();
}

TEST_F(X256EditTest, ColourEditsLoadsAndRefusals)
{
    X256Edit* e = OpenRocks();
    ASSERT_TRUE(e);
    X256ColorTableEdit* page = e->GetColorTablePage();
    Collection& c = *e->GetCollection();
    const ColorTable before = c.colorTable;
    auto same = [](const ColorTable& a, const ColorTable& b) { return !memcmp(&a, &b, sizeof a); };

    // Cancel: nothing.
    AnswerColour(0, 1, 2, 3);
    Run();
    page->EditColor(4);
    EXPECT_TRUE(same(before, c.colorTable));
    EXPECT_FALSE(e->IsModified());
    EXPECT_EQ(4, FakeOsLastDialog()->kind);
    EXPECT_EQ(before.entries[4].red, FakeOsLastDialog()->rgb[0]);
    EXPECT_EQ(before.entries[4].green, FakeOsLastDialog()->rgb[1]);

    // A bad ".act" (too short): an error box, nothing else.
    const std::string shortAct = root + "short.act";
    ::WriteBytes(shortAct, Bytes(100, 7));
    AnswerPath(shortAct);
    page->LoadColorTable();
    EXPECT_TRUE(same(before, c.colorTable));
    EXPECT_FALSE(e->IsModified());
    EXPECT_STREQ("The color table could not be opened.", FakeOsLastMessageBoxText());

    // A good one: the table is replaced, only the page is redrawn.
    Rgb table[256];
    for (u32 i = 0; i < 256; ++i) table[i] = Rgb{u8(i / 2), 7, u8(255 - i)};
    const std::string act = root + "good.act";
    ASSERT_TRUE(WriteColorTableFile(act.c_str(), table, 256));
    Run();
    Run();
    ASSERT_FALSE(WindowSystem::IsFullRedrawPending());
    AnswerPath(act);
    page->LoadColorTable();
    for (u32 i = 0; i < 256; ++i) EXPECT_EQ(table[i].r, c.colorTable.entries[i].red) << i;
    EXPECT_TRUE(e->IsModified());
    EXPECT_FALSE(WindowSystem::IsFullRedrawPending());
    EXPECT_GT(WindowSystem::GetDirtyRectCount(), 0u);
    EXPECT_EQ("Rocks", std::string(FakeOsLastDialog()->fileName.c_str()));

    // An accepted colour: one entry, the whole screen.
    Run();
    Run();
    const ColorTable loaded = c.colorTable;
    AnswerColour(1, 200, 100, 50);
    page->EditColor(17);
    ColorTable expected = loaded;
    expected.entries[17] = {200, 100, 50};
    EXPECT_TRUE(same(expected, c.colorTable));
    EXPECT_TRUE(WindowSystem::IsFullRedrawPending());

    // Saving it writes the 256 entries.
    const std::string out = root + "out.act";
    AnswerPath(out);
    page->SaveColorTable();
    Rgb written[256];
    u32 count = 0;
    ASSERT_TRUE(ReadColorTableFile(out.c_str(), written, &count));
    for (u32 i = 0; i < 256; ++i) {
        EXPECT_EQ(c.colorTable.entries[i].red, written[i].r) << i;
        EXPECT_EQ(c.colorTable.entries[i].blue, written[i].b) << i;
    }
    EXPECT_EQ(0u, FakeOsUnexpectedDialogCount());
}

TEST_F(X256EditTest, TheColourGridHas256CellsOf22PixelsAndOpensOnEnter)
{
    X256Edit* e = OpenRocks();
    ASSERT_TRUE(e);
    e->GetTabs()->SelectTab(4);
    Run();
    GridWindow* grid = e->GetColorTablePage()->GetGrid();
    ASSERT_EQ(256u, grid->GetItemCount());
    Rect cell = grid->ImageRect(0);
    EXPECT_EQ(22, cell.Width());
    EXPECT_EQ(22, cell.Height());
    EXPECT_EQ(grid, WindowSystem::GetFocus());
    grid->Select(5);
    AnswerColour(1, 1, 2, 3);
    PressKey(LIBKEY_ENTER);
    const ColorTableEntry& got = e->GetCollection()->colorTable.entries[5];
    EXPECT_EQ(1, got.red);
    EXPECT_EQ(3, got.blue);
    EXPECT_TRUE(Starred(e));
}

TEST_F(X256EditTest, AColourMapIsRefusedWithoutAnEditor)
{
    Answer(0);  // "Unsupported"
    Answer(0);  // the opener's failure
    X256Edit* e = OpenRocks(kCollectionColorMap | kCollectionTextures);
    EXPECT_EQ(nullptr, e);
    ASSERT_EQ(2u, Seen().size());
    EXPECT_EQ("Unsupported", Seen()[0].title);
    EXPECT_EQ("The collection is a color map, which is currently not supported for editing.\nUse Grumwell instead.",
              Seen()[0].text);
    EXPECT_EQ(std::vector<std::string>{"Close"}, Seen()[0].labels);
    EXPECT_EQ("The tag could not be loaded.", Seen()[1].text);
    Settle();
    Window* layer = WindowSystem::GetLayerRoot(0);
    for (Window* w = layer->GetFirstChild(); w; w = w->GetNextSibling())
        EXPECT_STRNE("X256Edit", w->GetClassName());
    EXPECT_EQ(original, Saved());
}

TEST_F(X256EditTest, CtrlTSwitchesTheHighResAssignments)
{
    X256Edit* e = OpenRocks();
    ASSERT_TRUE(e);
    Collection& c = *e->GetCollection();
    const FrameView& v = c.GetSequence(0)->GetFrameView(0, 0);
    const FrameView& plain = c.GetSequence(0)->GetFrameView(1, 0);
    struct Step {
        bool highRes;
        const char* bitmap;
        s16 x, y;
        u32 scale;
    } steps[] = {
        {true, "Boulder HD", 7, 8, 0x28000},   // as opened
        {false, "Boulder 1", 3, 4, 0xA0000},   // Ctrl+T
        {true, "Boulder HD", 7, 8, 0x28000},   // Ctrl+T again
    };
    for (u32 i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        if (i) {
            Run();
            Run();
            ASSERT_FALSE(WindowSystem::IsFullRedrawPending());
            // The key flips; the switch itself asks for the whole screen.
            Window::SetFocus(e, FOCUS_PROGRAM);
            CtrlT();
            Run();
            ASSERT_FALSE(WindowSystem::IsFullRedrawPending());
            e->ToggleHighResBitmaps();
            EXPECT_TRUE(WindowSystem::IsFullRedrawPending());
            e->ToggleHighResBitmaps();
        }
        EXPECT_EQ(steps[i].highRes, e->IsHighResShown());
        ASSERT_TRUE(v.bitmap);
        EXPECT_STREQ(steps[i].bitmap, v.bitmap->name);
        EXPECT_EQ(steps[i].x, v.registrationX);
        EXPECT_EQ(steps[i].y, v.registrationY);
        EXPECT_EQ(steps[i].scale, v.activeScale);
        EXPECT_STREQ("Boulder 2", plain.bitmap->name);  // no high-res assignment: untouched
    }
    EXPECT_FALSE(e->IsModified());
}

TEST_F(X256EditTest, CtrlTWithoutSequencesStillFlipsAndRedraws)
{
    Collection empty;
    strcpy(empty.name, "Rocks");
    original = CollectionData(empty);
    WriteLocalTag("collections", "Rocks", "Rocks", kGroup, kRocksId, original);
    StartDatabase();
    X256Edit* e = static_cast<X256Edit*>(OpenTagEditor(FindTag(kGroup, kRocksId)));
    ASSERT_TRUE(e);
    Run();
    Run();
    EXPECT_TRUE(e->IsHighResShown());
    ASSERT_FALSE(WindowSystem::IsFullRedrawPending());
    Window::SetFocus(e, FOCUS_PROGRAM);
    CtrlT();
    EXPECT_FALSE(e->IsHighResShown());
    Run();
    ASSERT_FALSE(WindowSystem::IsFullRedrawPending());
    e->ToggleHighResBitmaps();
    EXPECT_TRUE(e->IsHighResShown());
    EXPECT_TRUE(WindowSystem::IsFullRedrawPending());
}

TEST_F(X256EditTest, SavingKeepsBothAssignmentsWhicheverIsShown)
{
    for (int toggles = 0; toggles < 2; ++toggles) {
        SCOPED_TRACE(toggles);
        if (toggles) Restart();
        X256Edit* e = OpenRocks();
        ASSERT_TRUE(e);
        Window::SetFocus(e, FOCUS_PROGRAM);
        if (toggles) CtrlT();
        e->SetModified(1);
        Save(e);
        EXPECT_EQ(original, Saved());
        EXPECT_EQ(originalUser, SavedUser());
        e->Close();
        Settle();
    }
}

TEST_F(X256EditTest, AnEditToTheShownAssignmentSurvivesTwoSwitchesAndASave)
{
    X256Edit* e = OpenRocks();
    ASSERT_TRUE(e);
    Collection& c = *e->GetCollection();
    FrameView& v = c.GetSequence(0)->GetFrameView(0, 0);
    ASSERT_TRUE(e->IsHighResShown());
    // The high-res point moved and, after a switch, the standard bitmap replaced.
    v.registrationX = 11;
    v.registrationY = -5;
    Window::SetFocus(e, FOCUS_PROGRAM);
    CtrlT();
    v.bitmap = c.GetBitmap(1);
    v.registrationX = 2;
    CtrlT();
    CtrlT();
    EXPECT_STREQ("Boulder 2", v.bitmap->name);
    EXPECT_EQ(2, v.registrationX);
    e->SetModified(1);
    Save(e);
    Collection back;
    ASSERT_EQ(1, ReadBytes(Saved(), SavedUser(), back));
    back.ShowHighResAssignments(true);
    FrameView& b = back.GetSequence(0)->GetFrameView(0, 0);
    EXPECT_STREQ("Boulder HD", b.bitmap->name);
    EXPECT_EQ(11, b.registrationX);
    EXPECT_EQ(-5, b.registrationY);
    back.ShowHighResAssignments(false);
    EXPECT_STREQ("Boulder 2", b.bitmap->name);
    EXPECT_EQ(2, b.registrationX);
    EXPECT_EQ(4, b.registrationY);
}

TEST_F(X256EditTest, ANewCollectionSavesAsAnEmptyCollection)
{
    StartDatabase();
    TagEdit* e = NewTag(kGroup, "Fresh Rocks");
    ASSERT_TRUE(e);
    Run();
    EXPECT_STREQ("X256Edit", e->GetClassName());
    EXPECT_TRUE(e->IsModified());
    Window::SetFocus(e, FOCUS_PROGRAM);
    CtrlS();
    EXPECT_FALSE(e->IsModified());
    Bytes all = ReadFileBytes(Local() + "collections/Fresh Rocks");
    ASSERT_GT(all.size(), 64u);
    Collection back;
    ASSERT_EQ(1, ReadBytes(Bytes(all.begin() + 64, all.end()), 0, back));
    EXPECT_EQ(0u, back.GetBitmapCount());
    EXPECT_EQ(0u, back.GetSequenceCount());
    EXPECT_EQ(0u, back.GetHueChangeCount());
    EXPECT_STREQ("Fresh Rocks", static_cast<X256Edit*>(e)->GetCollection()->name);
}

TEST_F(X256EditTest, AnOpenBitmapWindowOnEitherPageDisablesOptimize)
{
    for (bool shadows : {false, true}) {
        SCOPED_TRACE(shadows ? "Shadows" : "Bitmaps");
        if (shadows) Restart();
        X256Edit* e = OpenRocks();
        ASSERT_TRUE(e);
        Collection* c = e->GetCollection();
        X256BitmapBrowser* page = shadows ? e->GetShadowsPage() : e->GetBitmapsPage();
        if (shadows) {
            c->GetBitmap(3)->flags |= kBitmapShadow;
            e->GetBitmapsPage()->Refresh();
            page->Refresh();
        }
        ASSERT_FALSE(page->GetRows().count == 0);
        CollectionBitmap* shown = page->GetRows().data[page->GetRows().count - 1]->bitmap;
        page->OpenBitmapWindow(shown);
        if (!shadows) page->OpenBitmapWindow(c->GetBitmap(0));
        Run();
        ASSERT_EQ(shadows ? 1u : 2u, page->GetOpenWindowCount());
        EXPECT_FALSE(e->GetOptimizePage()->IsEnabled());
        const u32 bitmapsBefore = c->GetBitmapCount();
        Answer(0);
        e->GetOptimizePage()->OnButton(0);
        ASSERT_FALSE(Seen().empty());
        EXPECT_EQ("Please close all bitmap, sequence and sequence edit windows before performing optimizations.",
                  Seen().back().text);
        EXPECT_EQ(bitmapsBefore, c->GetBitmapCount());
        EXPECT_FALSE(e->IsModified());
        // Closing one of two keeps it disabled; closing the last enables it.
        page->FindBitmapWindow(shown)->Close();
        Settle();
        EXPECT_EQ(!shadows, !e->GetOptimizePage()->IsEnabled());
        if (!shadows) {
            page->FindBitmapWindow(c->GetBitmap(0))->Close();
            Settle();
        }
        EXPECT_EQ(0u, page->GetOpenWindowCount());
        EXPECT_TRUE(e->GetOptimizePage()->IsEnabled());
        e->Close();
        Settle();
    }
}

// Right-clicks as the mouse gives them, on a thumbnail of "Bitmaps" and on a colour cell: each
// opens its page's menu, and a quick second right-click asks for the menu again instead of
// opening the bitmap's window or the colour dialog.
TEST_F(X256EditTest, RightClicksOnTheBitmapAndColourPagesOpenTheirMenusNeverTheItem)
{
    X256Edit* e = OpenRocks();
    ASSERT_TRUE(e);
    WindowSystem::SetStepHook(MenuClosingStep);
    MenusSeen().clear();
    X256BitmapBrowser* bitmaps = e->GetBitmapsPage();
    bitmaps->ToggleView();
    Run();
    GridWindow* grid = bitmaps->GetGrid();
    ASSERT_EQ(grid, bitmaps->GetCurrentView());
    auto centre = [](GridWindow* g, u32 item) {
        Rect r = g->ImageRect(item), content = g->GetContentRect();
        return Point{content.left + (r.left + r.right) / 2, content.top + (r.top + r.bottom) / 2};
    };
    Point thumb = centre(grid, 1);
    const u32 dialogsBefore = FakeOsDialogCount();
    FakeOsSetTime(50.0);
    for (int click = 0; click < 2; ++click) {
        Click(thumb.x, thumb.y, 1);
        Run();
    }
    ASSERT_EQ(2u, MenusSeen().size());
    const std::vector<std::string> bitmapMenu = {"Rename", "Selected Bitmap", "All Bitmaps",
                                                 "Add Bitmap(s) from File(s)", "Add Bitmap(s) from Plate"};
    EXPECT_EQ(bitmapMenu, MenusSeen()[0]);
    EXPECT_EQ(bitmapMenu, MenusSeen()[1]);
    EXPECT_TRUE(grid->IsItemSelected(1));
    EXPECT_EQ(0u, bitmaps->GetOpenWindowCount());

    e->GetTabs()->SelectTab(4);
    Run();
    GridWindow* cells = e->GetColorTablePage()->GetGrid();
    Point cell = centre(cells, 9);
    FakeOsSetTime(60.0);
    for (int click = 0; click < 2; ++click) {
        Click(cell.x, cell.y, 1);
        Run();
    }
    ASSERT_EQ(4u, MenusSeen().size());
    const std::vector<std::string> colourMenu = {"Save Color Table As...", "Load Color Table..."};
    EXPECT_EQ(colourMenu, MenusSeen()[2]);
    EXPECT_EQ(colourMenu, MenusSeen()[3]);
    EXPECT_EQ(dialogsBefore, FakeOsDialogCount());
    EXPECT_FALSE(e->IsModified());
    WindowSystem::SetStepHook(AnsweringStep);
}

TEST_F(X256EditTest, SequenceChangesRecolourTheBitmapPages)
{
    X256Edit* e = OpenRocks();
    ASSERT_TRUE(e);
    X256BitmapBrowser* page = e->GetBitmapsPage();
    ASSERT_EQ(0xFFC0C0C0u, page->GetUseColour(3));
    Collection* c = e->GetCollection();
    c->GetSequence(0)->GetFrameView(1, 0).bitmap = c->GetBitmap(3);
    e->OnSequencesChanged();
    EXPECT_EQ(0xFFFFFFFFu, page->GetUseColour(3));
    EXPECT_EQ(0xFFC0C0C0u, page->GetUseColour(1));
    EXPECT_TRUE(e->IsModified());
}

TEST_F(X256EditTest, ClosingTheEditorClosesThePagesWindowsFirst)
{
    X256Edit* e = OpenRocks();
    ASSERT_TRUE(e);
    X256HueBrowser* hues = e->GetHueChangesPage();
    hues->OpenHueEdit(hues->ItemAtRow(0));
    Run();
    ASSERT_EQ(1u, hues->GetOpenEditorCount());
    ASSERT_TRUE(hues->FindEditor(e->GetCollection()->GetHueChange(0)));
    e->GetBitmapsPage()->OpenBitmapWindow(e->GetCollection()->GetBitmap(0));
    Run();
    ASSERT_EQ(1u, e->GetBitmapsPage()->GetOpenWindowCount());
    Window* layer = WindowSystem::GetLayerRoot(0);
    u32 windowsOpen = 0;
    for (Window* w = layer->GetFirstChild(); w; w = w->GetNextSibling()) ++windowsOpen;
    e->Close();
    Settle();
    Run();
    u32 windowsLeft = 0;
    for (Window* w = layer->GetFirstChild(); w; w = w->GetNextSibling()) {
        EXPECT_STRNE("X256HueEdit", w->GetClassName());
        EXPECT_STRNE("X256Edit", w->GetClassName());
        ++windowsLeft;
    }
    // The editor, its hue editor and the bitmap window are gone.
    EXPECT_EQ(windowsOpen - 3, windowsLeft);
}

// The message box a step finds in either layer, whether or not it has the keyboard focus.
MessageBoxWindow* AnyMessageBox()
{
    for (u32 layer = 0; layer < 2; ++layer) {
        Window* root = WindowSystem::GetLayerRoot(layer);
        for (Window* w = root ? root->GetFirstChild() : nullptr; w; w = w->GetNextSibling())
            if (!strcmp(w->GetClassName(), "MessageBoxWindow") && w->GetState() != WS_CLOSED)
                return static_cast<MessageBoxWindow*>(w);
    }
    return nullptr;
}

// The step hook of the quit test: the first time a box shows, Return is typed as a user would
// (no answer is given to the box directly).
std::vector<std::string>& BoxesTypedInto()
{
    static std::vector<std::string> boxes;
    return boxes;
}

int ReturnTypingStep()
{
    if (MessageBoxWindow* box = AnyMessageBox()) {
        if (BoxesTypedInto().empty() || BoxesTypedInto().back() != std::string(box->GetTitle())) {
            BoxesTypedInto().push_back(box->GetTitle());
            FakeOsKey(LIBKEY_ENTER, LIBACTION_PRESS);
            FakeOsKey(LIBKEY_ENTER, LIBACTION_RELEASE);
            FakeOsEndStep();
        }
    }
    return wtest::Step();
}

TEST_F(X256EditTest, QuittingWithTheFrameEditorOpenTheSaveBoxTakesReturn)
{
    X256Edit* e = OpenRocks();
    ASSERT_TRUE(e);
    X256SequenceBrowser* sequences = e->GetSequencesPage();
    Sequence* roll = e->GetCollection()->GetSequence(0);
    sequences->OpenSequenceEdit(sequences->FindItemByUserData(roll, nullptr));
    Run();
    sequences->OpenFrameEdit(roll, 0, 1);
    Run();
    ASSERT_EQ(1u, sequences->GetOpenEditCount());
    ASSERT_EQ(1u, sequences->GetOpenFrameEditCount());
    // Shift+Right in the frame editor (frame 1) moves the bitmap a pixel: the collection is
    // modified.
    X256SequenceFrameEdit* frames = sequences->GetFrameEdits().data[0];
    Window::SetFocus(frames->GetFrameView(), FOCUS_CLICK);
    const s16 x = roll->GetFrameView(1, 0).registrationX;
    PressKey(LIBKEY_RIGHT, 1);
    ASSERT_EQ(x - 1, roll->GetFrameView(1, 0).registrationX);
    ASSERT_TRUE(e->IsModified());

    WindowSystem::SetCanQuitHook([] { return WindowSystem::CloseAllTopLevelWindows(); });
    WindowSystem::SetStepHook(ReturnTypingStep);
    BoxesTypedInto().clear();
    FakeOsCloseRequest();
    Run();
    RunSteps(6);
    EXPECT_EQ(BoxesTypedInto(), std::vector<std::string>{"Save?"});
    EXPECT_FALSE(AnyMessageBox()) << "the box did not take Return";
    EXPECT_FALSE(WindowSystem::IsRunning());
    // Return is the box's first button, "Save".
    Collection saved;
    ASSERT_EQ(1, ReadBytes(Saved(), SavedUser(), saved));
    EXPECT_EQ(x - 1, saved.GetSequence(0)->GetFrameView(1, 0).registrationX);
    WindowSystem::SetCanQuitHook(nullptr);
}

}  // namespace

namespace {

// A paletted PNG whose two colours are entries 7 and 9 of the Rocks table.
std::string RocksColouredFile(const std::string& folder, const char* name, u32 w, u32 h)
{
    std::string path = folder + "/" + name;
    FileRecord out(path.c_str());
    out.kind = kFileKindImage;
    out.format = FindFormatByExtension(path.c_str());
    std::vector<u8> px(size_t(w) * h, 1);
    Rgb palette[2] = {{7, 248, 49}, {9, 246, 63}};
    EXPECT_TRUE(out.image.Create(w, h, kImageIndexed, px.data()));
    EXPECT_TRUE(out.image.SetPalette(2, palette));
    EXPECT_TRUE(out.Save());
    return path;
}

// The caption the grid draws under item i ("" for none).
std::string Caption(GridWindow* g, u32 i)
{
    const char* text = g->items.data[i].caption;
    return text ? text : "";
}

// Each grid cell's caption against the bitmap its cell shows now.
void ExpectCaptionsName(X256SequenceEdit* edit)
{
    GridWindow* g = edit->GetGrid();
    u32 columns = g->GetColumnCount();
    for (u32 i = 0; i < g->GetItemCount(); ++i) {
        CollectionBitmap* b = i % columns == 0 ? edit->sequence->GetFrame(i / columns).shadowBitmap
                                               : edit->sequence->GetBitmap(i / columns, i % columns - 1);
        EXPECT_EQ(b ? b->name : "<no bitmap>", Caption(g, i)) << "cell " << i;
    }
}

}  // namespace

TEST_F(X256EditTest, BitmapCommandsRenameOrClearTheCellsOfAnOpenSequenceEditor)
{
    TempFolder images;
    struct Case {
        const char* command;
        std::function<void(X256Edit*, X256BitmapBrowser*)> act;
        const char* shown;  // frame 1's cell afterwards
    } cases[] = {
        {"Delete",
         [this](X256Edit*, X256BitmapBrowser* page) {
             page->GetTable()->SelectItem(page->GetRows().data[1]->item, 1);
             Answer(0);
             page->RunCommand(X256BitmapBrowser::kDelete);
         },
         "<no bitmap>"},
        {"Replace",
         [&](X256Edit*, X256BitmapBrowser* page) {
             page->GetTable()->SelectItem(page->GetRows().data[1]->item, 1);
             AnswerPath(RocksColouredFile(images.path, "Pebble.png", 5, 4));
             page->RunCommand(X256BitmapBrowser::kReplace);
         },
         "Pebble"},
        {"Replace from Plate",
         [&](X256Edit*, X256BitmapBrowser* page) {
             page->GetTable()->SelectItem(page->GetRows().data[1]->item, 1);
             std::string plate = images.path + "/one plate.png";
             AnswerPath(plate);
             page->RunCommand(X256BitmapBrowser::kExportPlate);
             AnswerPath(plate);
             page->RunCommand(X256BitmapBrowser::kReplaceFromPlate);
         },
         "Boulder 2"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.command);
        if (&k != cases) Restart();
        X256Edit* e = OpenRocks();
        ASSERT_TRUE(e);
        X256SequenceEdit* edit = OpenFirstSequenceEdit(e);
        ASSERT_TRUE(edit);
        ASSERT_EQ("Boulder 2", Caption(edit->GetGrid(), 3));
        k.act(e, e->GetBitmapsPage());
        Run();  // the redraw that read the freed name
        EXPECT_EQ(k.shown, Caption(edit->GetGrid(), 3));
        ExpectCaptionsName(edit);
        Save(e);
        Collection back;
        ASSERT_EQ(1, ReadBytes(Saved(), SavedUser(), back));
        CollectionBitmap* b = back.GetSequence(0)->GetBitmap(1, 0);
        EXPECT_STREQ(k.shown, b ? b->name : "<no bitmap>");
        edit->Close();
        e->Close();
        Settle();
    }
}

TEST_F(X256EditTest, BitmapsImportedInASequenceEditorAreListedOnTheBitmapsPage)
{
    TempFolder images;
    X256Edit* e = OpenRocks();
    ASSERT_TRUE(e);
    X256SequenceEdit* edit = OpenFirstSequenceEdit(e);
    ASSERT_TRUE(edit);
    FakeOsDialogAnswer a;
    std::string one = RocksColouredFile(images.path, "Roll 1.png", 3, 3);
    std::string two = RocksColouredFile(images.path, "Roll 2.png", 3, 3);
    a.paths[0] = one.c_str();
    a.paths[1] = two.c_str();
    FakeOsQueueDialogAnswer(a);
    edit->ImportBitmaps(true);
    Run();
    ASSERT_EQ(6u, e->GetCollection()->GetBitmapCount());
    EXPECT_EQ(BitmapNames(*e->GetCollection(), false), RowNames(e->GetBitmapsPage()));
    EXPECT_EQ("  6 Bitmaps:", CountLabel(e->GetBitmapsPage()));
    // "All Bitmaps" commands reach them: both are used now, so they are listed white.
    EXPECT_EQ(0xFFFFFFFFu, e->GetBitmapsPage()->GetUseColour(5));
    EXPECT_TRUE(e->IsModified());
    edit->Close();
    Settle();
}

TEST_F(X256EditTest, CtrlTRenamesTheCellsOfAnOpenSequenceEditor)
{
    X256Edit* e = OpenRocks();
    ASSERT_TRUE(e);
    X256SequenceEdit* edit = OpenFirstSequenceEdit(e);
    ASSERT_TRUE(edit);
    EXPECT_EQ("Boulder HD", Caption(edit->GetGrid(), 1));
    Window::SetFocus(e, FOCUS_PROGRAM);
    CtrlT();
    Run();
    EXPECT_EQ("Boulder 1", Caption(edit->GetGrid(), 1));
    ExpectCaptionsName(edit);
    edit->Close();
    Settle();
}
