// The list window through the real window system behind the fake OS backend: the tree and
// its rows, selection by mouse and keys, column values, sorting, type-ahead and drag reorder.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "ListTestSupport.h"
#include "foundation/StringUtil.h"
#include "gui/ListWindow.h"

using namespace wtest;
using namespace ltest;

namespace {

// ---- tree and rows ----

TEST_F(ListTest, RowCountsFollowInsertExpandCollapseAndRemove)
{
    Make(LWS_TREE);
    ListItem* a = Add("a", nullptr, LIF_EXPANDABLE);
    Add("b");
    EXPECT_EQ(list->GetItemCount(), 2u);
    ListItem* a1 = Add("a1", a, LIF_EXPANDABLE);
    Add("a2", a);
    Add("a1x", a1);
    Add("a1y", a1);
    EXPECT_EQ(list->GetItemCount(), 2u);  // children of a collapsed item add no rows
    list->ExpandItem(a1);                 // inside a collapsed parent: counted on a1 only
    EXPECT_EQ(a1->visibleRows, 2u);
    EXPECT_EQ(list->GetItemCount(), 2u);
    list->ExpandItem(a);  // its two children plus a1's two rows
    EXPECT_EQ(a->visibleRows, 4u);
    EXPECT_EQ(list->GetItemCount(), 6u);
    EXPECT_EQ(Rows(), "a,a1,a1x,a1y,a2,b");
    Add("a1z", a1);  // under an expanded chain: every ancestor grows
    EXPECT_EQ(list->GetItemCount(), 7u);
    list->CollapseItem(a1);
    EXPECT_EQ(list->GetItemCount(), 4u);
    EXPECT_EQ(Rows(), "a,a1,a2,b");
    list->ExpandItem(a1);
    list->DeleteItem(a1);  // its row and its three
    EXPECT_EQ(list->GetItemCount(), 3u);
    EXPECT_EQ(Rows(), "a,a2,b");
    EXPECT_EQ(list->GetVTotal(), 3);
    list->DeleteChildren(a);
    EXPECT_EQ(list->GetItemCount(), 2u);
    EXPECT_EQ(a->childCount, 0u);
}

TEST_F(ListTest, AnItemWithoutTheExpandableFlagDoesNotExpand)
{
    Make(LWS_TREE);
    ListItem* a = Add("a");
    Add("a1", a);
    list->ExpandItem(a);
    EXPECT_EQ(list->GetItemCount(), 1u);
    ListItem* first = Add("first", nullptr, LIF_INSERTFIRST | LIF_EXPANDABLE | LIF_EXPANDED);
    EXPECT_EQ(list->GetFirstItem(), first);
    EXPECT_TRUE(first->flags & LIF_EXPANDED);
    EXPECT_EQ(list->GetTopRow(), first);
}

TEST_F(ListTest, RowOrderIndexAndLookupAgreeOverANestedTree)
{
    Make(LWS_TREE);
    std::vector<ListItem*> all;
    for (int i = 0; i < 4; ++i) {
        ListItem* p = Add(("p" + std::to_string(i)).c_str(), nullptr, LIF_EXPANDABLE);
        for (int j = 0; j < 3; ++j) {
            ListItem* c = Add(("c" + std::to_string(j)).c_str(), p, LIF_EXPANDABLE);
            Add("g", c);
            if (j != 1) list->ExpandItem(c);
        }
        if (i != 2) list->ExpandItem(p);
    }
    list->UpdateScrollRange();
    u32 rows = list->GetItemCount();
    EXPECT_EQ(rows, 3u * (1 + 3 + 2) + 1);
    u32 index = 0;
    ListItem* prev = nullptr;
    for (ListItem* it = list->GetFirstItem(); it; it = ListWindow::NextRow(it), ++index) {
        EXPECT_EQ(list->RowIndex(it), index);
        EXPECT_EQ(list->ItemAtRow(index), it);
        EXPECT_EQ(ListWindow::PrevRow(it), prev);
        prev = it;
    }
    EXPECT_EQ(index, rows);
    EXPECT_EQ(list->LastRow(), prev);
    EXPECT_EQ(list->ItemAtRow(rows), nullptr);
}

TEST_F(ListTest, RemovingAnItemLetsGoOfItsWholeSubtree)
{
    Make(LWS_TREE | LWS_MULTISELECT, 60);  // three rows on a page
    ListItem* a = Add("a", nullptr, LIF_EXPANDABLE);
    std::vector<ListItem*> kids;
    for (int i = 0; i < 6; ++i) kids.push_back(Add(("k" + std::to_string(i)).c_str(), a));
    ListItem* b = Add("b");
    list->ExpandItem(a);
    list->UpdateScrollRange();
    list->SetVScrollPos(3);
    EXPECT_EQ(list->GetTopRow(), kids[2]);
    list->SelectItem(b, 0);
    list->SelectItem(kids[3], 1);
    list->SelectItem(kids[4], 1);  // the focus item
    list->editingItem = kids[5];
    list->DeleteItem(a);
    EXPECT_EQ(Selected(), "b");
    EXPECT_EQ(list->GetCurrentItem(), b);
    EXPECT_EQ(list->GetEditingItem(), nullptr);
    EXPECT_EQ(list->GetTopRow(), b);
    EXPECT_EQ(list->GetItemCount(), 1u);
    list->DeleteItem(b);
    EXPECT_EQ(list->GetTopRow(), nullptr);
    EXPECT_EQ(list->GetCurrentItem(), nullptr);
    EXPECT_EQ(list->GetSelectedCount(), 0u);
}

TEST_F(ListTest, DeletingSelectedRowsOneByOneKeepsTheRestSelectedInOrder)
{
    Make(LWS_MULTISELECT, 100);
    std::vector<ListItem*> r = AddRows(10);
    list->SelectItem(r[7], 0);
    list->SelectRange(r[2], r[7]);
    list->DeleteItemNoUpdate(r[3]);
    list->DeleteItemNoUpdate(r[5]);
    list->UpdateScrollRange();
    EXPECT_EQ(list->GetSelectedCount(), 4u);
    EXPECT_EQ(Selected(), "r2,r4,r6,r7");
    EXPECT_EQ(list->GetCurrentItem(), r[7]);
    list->DeleteItem(r[7]);  // the focus item: the first remaining selected item takes over
    EXPECT_EQ(list->GetCurrentItem(), r[2]);
    EXPECT_EQ(Rows(), "r0,r1,r2,r4,r6,r8,r9");
    list->ClearItems();
    EXPECT_EQ(list->GetSelectedCount(), 0u);
    EXPECT_EQ(list->GetItemCount(), 0u);
}

TEST_F(ListTest, ScrollingMovesTheTopRowAndEnsureVisibleCentresFarItems)
{
    Make(0, 100);  // five rows
    std::vector<ListItem*> r = AddRows(40);
    EXPECT_EQ(list->GetVPageSize(), 5);
    list->SetVScrollPos(7);
    EXPECT_EQ(list->GetTopRow(), r[7]);
    list->SetVScrollPos(2);
    EXPECT_EQ(list->GetTopRow(), r[2]);
    list->EnsureVisible(r[7]);  // one row below the page: scrolls by one
    EXPECT_EQ(list->GetVScrollPos(), 3);
    list->EnsureVisible(r[30]);  // far: centred
    EXPECT_EQ(list->GetVScrollPos(), 28);
    EXPECT_EQ(list->GetTopRow(), r[28]);
    EXPECT_EQ(list->ItemAtPoint(RowPoint(2)), r[30]);
    list->SetVScrollPos(1000);
    EXPECT_EQ(list->GetVScrollPos(), 35);
    EXPECT_EQ(list->GetTopRow(), r[35]);
}

TEST_F(ListTest, EnsureVisibleOpensEveryAncestorOfAVeryDeepItem)
{
    Make(LWS_TREE, 100);
    ListItem* top = Add("top", nullptr, LIF_EXPANDABLE);
    ListItem* p = top;
    for (int depth = 0; depth < 300; ++depth) p = Add("level", p, LIF_EXPANDABLE);
    ListItem* deep = Add("deep", p);
    list->UpdateScrollRange();
    EXPECT_EQ(list->GetItemCount(), 1u);
    list->EnsureVisible(deep);
    EXPECT_EQ(list->GetItemCount(), 302u);
    EXPECT_EQ(list->RowIndex(deep), 301u);
    EXPECT_EQ(list->ItemAtPoint(RowPoint(int(list->RowIndex(deep)) - list->GetVScrollPos())), deep);
}

TEST_F(ListTest, TheHeaderStyleShortensThePageEvenWithoutColumns)
{
    Make(LWS_HEADER, 100);
    AddRows(10);
    EXPECT_EQ(list->GetVPageSize(), 4);
    Rect c = list->GetContentRect();
    EXPECT_EQ(list->ItemAtPoint(Point{c.left + 5, c.top + 5}), list->GetFirstItem());  // no header row drawn
    EXPECT_EQ(list->ItemAtPoint(Point{c.left + 5, c.top - 5}), nullptr);
}

// ---- selection ----

TEST_F(ListTest, ClicksSelectAndShiftOrCtrlExtendInAMultipleSelectionList)
{
    Make(LWS_MULTISELECT);
    AddRows(6);
    ClickRow(1);
    EXPECT_EQ(Selected(), "r1");
    WithKey(LIBKEY_LEFT_SHIFT);
    ClickRow(4);
    Up(LIBKEY_LEFT_SHIFT);
    Run();
    EXPECT_EQ(Selected(), "r4,r3,r2,r1");  // from the clicked row towards the focus
    EXPECT_STREQ(list->GetCurrentItem()->text, "r4");
    WithKey(LIBKEY_LEFT_CONTROL);
    ClickRow(2);  // toggled off
    ClickRow(0);  // toggled on
    Up(LIBKEY_LEFT_CONTROL);
    Run();
    EXPECT_EQ(Selected(), "r4,r3,r1,r0");
    EXPECT_STREQ(list->GetCurrentItem()->text, "r0");
    ClickRow(3, 1);  // a right press on a selected row keeps the selection
    EXPECT_EQ(Selected(), "r4,r3,r1,r0");
    EXPECT_EQ(contexts, 1);
    ClickRow(5);
    EXPECT_EQ(Selected(), "r5");
    ClickRow(9);  // empty space
    EXPECT_EQ(Selected(), "");
    EXPECT_EQ(list->GetCurrentItem(), nullptr);
}

TEST_F(ListTest, KeepSelectionAndDisabledItemsRefuseToClear)
{
    Make(LWS_KEEPSELECTION);
    std::vector<ListItem*> r = AddRows(3);
    ListItem* off = Add("off", nullptr, LIF_DISABLED);
    EXPECT_EQ(off->color, 0xFF808080u);
    ClickRow(1);
    ClickRow(3);  // disabled
    EXPECT_EQ(Selected(), "r1");
    ClickRow(8);
    EXPECT_EQ(Selected(), "r1");
    list->SelectItem(nullptr, 0);
    EXPECT_EQ(Selected(), "r1");
    int before = changes;
    list->SelectItem(r[1], 0);  // already the only selected focus item
    EXPECT_EQ(changes, before);
}

TEST_F(ListTest, SingleSelectionIgnoresShiftAndCtrl)
{
    Make(0);
    AddRows(4);
    ClickRow(0);
    WithKey(LIBKEY_LEFT_SHIFT);
    ClickRow(2);
    Up(LIBKEY_LEFT_SHIFT);
    Run();
    EXPECT_EQ(Selected(), "r2");
    list->SelectItem(list->ItemAtRow(3), 1);
    EXPECT_EQ(Selected(), "r3");
}

TEST_F(ListTest, ArrowHomeEndAndPageKeysMoveTheSelection)
{
    Make(LWS_MULTISELECT, 100);
    std::vector<ListItem*> r = AddRows(20);
    Tap(LIBKEY_DOWN);  // no focus: the top row
    Run();
    EXPECT_EQ(Selected(), "r0");
    Tap(LIBKEY_DOWN);
    Tap(LIBKEY_DOWN);
    Run();
    EXPECT_EQ(Selected(), "r2");
    Tap(LIBKEY_PAGE_DOWN);
    Run();
    EXPECT_EQ(Selected(), "r7");
    EXPECT_EQ(list->GetVScrollPos(), 5);  // more than one row away: centred
    Tap(LIBKEY_END);
    Run();
    EXPECT_EQ(Selected(), "r19");
    EXPECT_EQ(list->GetVScrollPos(), 15);
    WithKey(LIBKEY_LEFT_SHIFT);
    Tap(LIBKEY_HOME);  // adds the first row without clearing
    Up(LIBKEY_LEFT_SHIFT);
    Run();
    EXPECT_EQ(Selected(), "r19,r0");
    EXPECT_EQ(list->GetVScrollPos(), 0);
    Tap(LIBKEY_UP);
    Run();
    EXPECT_EQ(Selected(), "r0");
}

TEST_F(ListTest, CtrlASelectsEveryRowAlsoAboveTheView)
{
    Make(LWS_MULTISELECT, 100);
    AddRows(12);
    list->SetVScrollPos(6);
    Tap(LIBKEY_A);  // without Ctrl: consumed, nothing selected
    Run();
    EXPECT_EQ(list->GetSelectedCount(), 0u);
    WithKey(LIBKEY_LEFT_CONTROL);
    Tap(LIBKEY_A);
    Up(LIBKEY_LEFT_CONTROL);
    Run();
    EXPECT_EQ(list->GetSelectedCount(), 12u);
    EXPECT_TRUE(list->GetFirstItem()->flags & LIF_SELECTED);
}

TEST_F(ListTest, EnterActivatesDeleteRequestsAndLeftRightCollapseAndExpand)
{
    Make(LWS_TREE | LWS_MULTISELECT);
    ListItem* a = Add("a", nullptr, LIF_EXPANDABLE);
    Add("a1", a);
    ListItem* b = Add("b");
    list->SelectItem(a, 0);
    list->SelectItem(b, 1);
    Tap(LIBKEY_RIGHT);
    Run();
    EXPECT_EQ(list->GetItemCount(), 3u);
    Tap(LIBKEY_LEFT);
    Run();
    EXPECT_EQ(list->GetItemCount(), 2u);
    Tap(LIBKEY_ENTER);  // a expands (it is expandable), b is activated
    Run();
    EXPECT_EQ(list->GetItemCount(), 3u);
    EXPECT_EQ(activated, std::vector<std::string>{"b"});
    Tap(LIBKEY_DELETE);
    Run();
    EXPECT_EQ(deletes, 1);
    list->SelectItem(nullptr, 0);
    Tap(LIBKEY_BACKSPACE);
    Run();
    EXPECT_EQ(deletes, 1);
}

TEST_F(ListTest, DoubleClickAndHoverSelectionActivate)
{
    Make(LWS_HOVERSELECT);
    AddRows(3);
    Point p = RowPoint(2);
    MoveTo(p.x, p.y);
    Run();
    EXPECT_EQ(Selected(), "r2");
    ClickRow(1);
    EXPECT_EQ(activated, std::vector<std::string>{"r1"});
}

TEST_F(ListTest, OnlyALeftDoubleClickActivatesAndADoubleRightClickAsksForTheMenuTwice)
{
    Make(0);
    AddRows(3);
    FakeOsSetTime(5.0);
    ClickRow(2, 1);
    ClickRow(2, 1);
    EXPECT_TRUE(activated.empty());
    EXPECT_EQ(2, contexts);
    EXPECT_EQ(Selected(), "r2");
    FakeOsSetTime(6.0);
    ClickRow(1);
    ClickRow(1);
    EXPECT_EQ(activated, std::vector<std::string>{"r1"});
}

// An owner that rebuilds the list whenever the selection changes (a combo box refilled by its
// listener): the click that changed the selection must not go on with the freed row.
TEST_F(ListTest, ARowFreedByTheSelectionSlotOfItsOwnClickIsLeftAlone)
{
    struct Rebuilder : has_slots<void> {
        ListWindow* list = nullptr;
        int rebuilds = 0;
        void Changed()
        {
            if (rebuilds >= 3) return;
            ++rebuilds;
            list->ClearItems();
            for (const char* text : {"n0", "n1", "n2"}) list->AddItem(nullptr, 0, 0, nullptr, text);
        }
    };
    struct Case {
        const char* name;
        u32 style;
        bool shift;
        int row;  // apart, so the second case's click is no double click
    } cases[] = {{"hover click", LWS_HOVERSELECT, false, 1}, {"shift click", LWS_MULTISELECT, true, 2}};
    for (const Case& k : cases) {
        Make(k.style);
        AddRows(3);
        list->SelectItem(list->GetFirstItem(), 0);
        activated.clear();
        Rebuilder rebuilder;
        rebuilder.list = list;
        list->selectionChanged.Connect<&Rebuilder::Changed>(&rebuilder);
        Point p = RowPoint(k.row);
        MoveTo(p.x, p.y);
        if (k.shift) WithKey(LIBKEY_LEFT_SHIFT);
        Press();
        Release();
        if (k.shift) Up(LIBKEY_LEFT_SHIFT);
        Run();
        EXPECT_GE(rebuilder.rebuilds, 1) << k.name;
        EXPECT_EQ(Rows(), "n0,n1,n2") << k.name;
        for (const std::string& a : activated) EXPECT_EQ(a.substr(0, 1), "n") << k.name;
        list->Close();
        RunSteps(1);
    }
}

// ---- column values ----

struct Record {
    u32 code;
    char name[8];
    const char* label;
    String title;
    u16 count;
    u64 big;
    double weight;
    u32 fixed;
};

class ColumnTest : public ListTest {
protected:
    void Columns()
    {
        list->AddColumn("Code", "%s", LCT_FOURCC, 4, 40, 0, 0);
        list->AddColumn("Name", "%s", LCT_CHARARRAY, 8, 60, 0, 0);
        list->AddColumn("Label", "<%s>", LCT_STRINGPTR, sizeof(const char*), 60, 0, 0);
        list->AddColumn("Title", "%s", LCT_STRING, sizeof(String), 60, 0, 0);
        list->AddColumn("Count", "%u", LCT_UINT, 2, 30, 0, 0);
        list->AddColumn("Big", "%llu", LCT_UINT, 8, 30, LCF_HIDDEN, 0);
        list->AddColumn("Weight", "%.2f", LCT_FLOAT, 8, 30, 0, 0);
        list->AddColumn("Fixed", "%.3f", LCT_FIXED, 4, 30, 0, 0);
    }
};

// The records here are packed as the columns describe them.
#pragma pack(push, 1)
struct Packed {
    u32 code;
    char name[8];
    const char* label;
    String title;
    u16 count;
    u64 big;
    double weight;
    u32 fixed;
};
#pragma pack(pop)

// The list calls a String column's members in place, so the String must sit at an aligned
// address even inside a packed record: 4 bytes into an 8-aligned block, the record's pointer
// and String land on aligned addresses in both builds (offsets 12 and 20, or 12 and 16).
struct alignas(8) PackedHolder {
    u32 lead;
    Packed record;
};
static_assert((offsetof(PackedHolder, record) + offsetof(Packed, title)) % alignof(String) == 0 &&
                  (offsetof(PackedHolder, record) + offsetof(Packed, label)) % alignof(const char*) == 0,
              "aligned String and pointer");

TEST_F(ColumnTest, ColumnsTakeConsecutiveOffsetsAndHiddenOnesNoWidth)
{
    Make(LWS_COLUMNS);
    Columns();
    EXPECT_EQ(list->GetColumn(1)->recordOffset, offsetof(Packed, name));
    EXPECT_EQ(list->GetColumn(4)->recordOffset, offsetof(Packed, count));
    EXPECT_EQ(list->GetColumn(7)->recordOffset, offsetof(Packed, fixed));
    EXPECT_EQ(list->GetColumn(5)->sortPriority, 0xFFFFFFFFu);
    EXPECT_EQ(list->GetColumn(6)->x, list->GetColumn(5)->x);
    EXPECT_EQ(list->GetColumn(6)->x, 40u + 60 + 60 + 60 + 30);
}

TEST_F(ColumnTest, FormattingEveryTypeStaysInsideValueAndBuffer)
{
    Make(LWS_COLUMNS);
    Columns();
    PackedHolder holder;
    Packed& p = holder.record;
    memset(static_cast<void*>(&p), 0, sizeof p);
    p.code = 0x62697466;  // "bitf"
    memcpy(p.name, "ABCDEFGH", 8);  // full: no terminator
    p.label = "lab";
    new (&p.title) String("tit");
    p.count = 65535;
    p.big = 0x123456789ull;
    p.weight = 2.5;
    p.fixed = 0x18000;  // 1.5
    char out[512];
    const u8* rec = reinterpret_cast<const u8*>(&p);
    std::vector<std::string> want = {"bitf", "ABCDEFGH", "<lab>", "tit", "65535", "4886718345", "2.50", "1.500"};
    for (u32 i = 0; i < 8; ++i) {
        const ListColumn* c = list->GetColumn(i);
        ListWindow::FormatColumnValue(c, rec + c->recordOffset, out, sizeof out);
        EXPECT_EQ(std::string(out), want[i]) << "column " << i;
    }
    p.label = nullptr;
    ListWindow::FormatColumnValue(list->GetColumn(2), rec + offsetof(Packed, label), out, sizeof out);
    EXPECT_STREQ(out, "<>");
    // A 600-character text is cut to the buffer and terminated.
    std::string longText(600, 'x');
    p.title.Set(longText.c_str());
    memset(out, '#', sizeof out);
    char small[16];
    ListWindow::FormatColumnValue(list->GetColumn(3), rec + offsetof(Packed, title), out, sizeof out);
    EXPECT_EQ(strlen(out), 511u);
    ListWindow::FormatColumnValue(list->GetColumn(3), rec + offsetof(Packed, title), small, sizeof small);
    EXPECT_EQ(std::string(small), std::string(15, 'x'));
    p.title.~String();
}

TEST_F(ColumnTest, ParsingStoresEachTypeWithinItsSize)
{
    Make(LWS_COLUMNS);
    Columns();
    PackedHolder holder;
    Packed& p = holder.record;
    memset(static_cast<void*>(&p), 0, sizeof p);
    u8* rec = reinterpret_cast<u8*>(&p);
    auto parse = [&](u32 col, const char* text) {
        const ListColumn* c = list->GetColumn(col);
        ListWindow::ParseCellValue(c, rec + c->recordOffset, text);
    };
    parse(0, "ab");
    EXPECT_EQ(p.code, 0x61620000u);
    parse(1, "12345678");  // fills the array, no terminator
    EXPECT_EQ(std::string(p.name, 8), "12345678");
    parse(1, "hi");
    EXPECT_STREQ(p.name, "hi");
    parse(3, "new");
    EXPECT_STREQ(p.title.c_str(), "new");
    parse(4, "123abc");
    EXPECT_EQ(p.count, 123);
    parse(4, "99999999");  // beyond two bytes: the largest value it holds
    EXPECT_EQ(p.count, 65535);
    parse(4, "x");
    EXPECT_EQ(p.count, 0);
    parse(6, "-3.25");
    EXPECT_EQ(double(p.weight), -3.25);  // copied out: packed fields are not aligned
    parse(7, "2.75");
    EXPECT_EQ(u32(p.fixed), 0x2C000u);
    parse(2, "ignored");
    EXPECT_EQ(p.label, nullptr);
    EXPECT_EQ(ListWindow::GetColumnEditLength(list->GetColumn(0)), 4u);
    EXPECT_EQ(ListWindow::GetColumnEditLength(list->GetColumn(1)), 8u);
    EXPECT_EQ(ListWindow::GetColumnEditLength(list->GetColumn(2)), 0u);
    EXPECT_EQ(ListWindow::GetColumnEditLength(list->GetColumn(4)), 11u);
    p.title.~String();
}

// ---- sorting ----

struct SortCase {
    u32 type, size;
    std::vector<std::string> values;  // given in this order, as the column shows them
    std::string ascending;            // the rows' values after an ascending sort
};

TEST_F(ListTest, SortingByOneColumnOrdersEveryValueType)
{
    // Each case: one column of the type; the rows hold the values in the given order.
    std::vector<SortCase> cases = {
        {LCT_FOURCC, 4, {"zulu", "alfa", "ALFA", "mike"}, "ALFA,alfa,mike,zulu"},
        {LCT_CHARARRAY, 4, {"b10x", "b2xx", "a"}, "a,b2xx,b10x"},
        {LCT_UINT, 4, {"4000000000", "1", "3000000000", "0"}, "0,1,3000000000,4000000000"},
        {LCT_UINT, 8, {"9000000000", "8", "5000000000"}, "8,5000000000,9000000000"},
        {LCT_UINT, 1, {"200", "7", "255"}, "7,200,255"},
        {LCT_FLOAT, 8, {"2.5", "-1.25", "0.5"}, "-1.25,0.50,2.50"},
        {LCT_FLOAT, 4, {"2.5", "-1.25", "0.5"}, "-1.25,0.50,2.50"},
        {LCT_FIXED, 4, {"40000", "1.5", "30000"}, "1.500,30000.000,40000.000"},
    };
    for (const SortCase& sc : cases) {
        Make(LWS_COLUMNS | LWS_HEADER);
        const char* fmt = sc.type == LCT_FLOAT ? "%.2f" : sc.type == LCT_FIXED ? "%.3f" :
                          sc.type == LCT_UINT ? (sc.size == 8 ? "%llu" : "%u") : "%s";
        list->AddColumn("V", fmt, sc.type, sc.size, 100, 0, 0);
        ListColumn* c = list->GetColumn(0);
        std::vector<std::vector<u8>> records(sc.values.size(), std::vector<u8>(16, 0));
        for (size_t i = 0; i < sc.values.size(); ++i) {
            ListWindow::ParseCellValue(c, records[i].data(), sc.values[i].c_str());
            list->AddItem(nullptr, 0, 0, records[i].data(), nullptr);
        }
        list->Sort();
        std::string got;
        char out[64];
        for (ListItem* it = list->GetFirstItem(); it; it = it->next) {
            ListWindow::FormatColumnValue(c, it->userData, out, sizeof out);
            got += (got.empty() ? "" : ",") + std::string(out);
        }
        EXPECT_EQ(got, sc.ascending) << "type " << sc.type << " size " << sc.size;
        list->HeaderClick(10);  // the first key again: only the direction turns
        std::string back;
        for (ListItem* it = list->LastRow(); it; it = it->previous) {
            ListWindow::FormatColumnValue(c, it->userData, out, sizeof out);
            back += (back.empty() ? "" : ",") + std::string(out);
        }
        EXPECT_EQ(back, sc.ascending) << "descending, type " << sc.type;
        list->Close();
    }
}

struct Pair {
    char group[4];
    u32 rank;
};

TEST_F(ListTest, SortingBySeveralColumnsFollowsPrioritiesAndHeaderClicks)
{
    Make(LWS_COLUMNS | LWS_HEADER);
    list->AddColumn("Group", "%s", LCT_CHARARRAY, 4, 100, 0, 0);
    list->AddColumn("Rank", "%u", LCT_UINT, 4, 100, 0, 0);
    Pair rows[] = {{"b", 2}, {"a", 2}, {"b", 1}, {"a", 1}, {"a", 2}};
    for (Pair& r : rows) list->AddItem(nullptr, 0, 0, &r, nullptr);
    auto order = [&]() {
        std::string s;
        for (ListItem* it = list->GetFirstItem(); it; it = it->next) {
            const Pair* p = static_cast<const Pair*>(it->userData);
            s += std::string(p->group) + std::to_string(p->rank) + "#" + std::to_string(p - rows) + " ";
        }
        return s;
    };
    list->Sort();  // group, then rank; equal rows keep their order
    EXPECT_EQ(order(), "a1#3 a2#1 a2#4 b1#2 b2#0 ");
    list->HeaderClick(150);  // rank becomes the first key, descending
    EXPECT_EQ(list->GetColumn(1)->sortPriority, 0u);
    EXPECT_EQ(list->GetColumn(0)->sortPriority, 1u);
    EXPECT_EQ(order(), "a2#1 a2#4 b2#0 a1#3 b1#2 ");
    list->HeaderClick(150);  // already first: only the direction turns
    EXPECT_EQ(order(), "a1#3 b1#2 a2#1 a2#4 b2#0 ");
    list->HeaderClick(250);  // beside every column: nothing
    EXPECT_EQ(order(), "a1#3 b1#2 a2#1 a2#4 b2#0 ");
    // Through a real press in the header row.
    Rect c = list->GetContentRect();
    Click(c.left + 20, c.top + 5);
    Run();
    EXPECT_EQ(list->GetColumn(0)->sortPriority, 0u);
    EXPECT_TRUE(list->GetColumn(0)->flags & LCF_DESCENDING);
    EXPECT_EQ(order(), "b1#2 b2#0 a1#3 a2#1 a2#4 ");
}

TEST_F(ListTest, PrioritiesStayDistinctWhenAMiddleKeyIsClicked)
{
    Make(LWS_COLUMNS | LWS_HEADER);
    for (int i = 0; i < 4; ++i) list->AddColumn("c", "%u", LCT_UINT, 1, 50, 0, 0);
    list->HeaderClick(75);  // column 1
    list->HeaderClick(125);  // column 2
    std::vector<u32> got;
    for (u32 i = 0; i < 4; ++i) got.push_back(list->GetColumn(i)->sortPriority);
    EXPECT_EQ(got, (std::vector<u32>{2, 1, 0, 3}));
}

TEST_F(ListTest, TextItemsSortNaturallyAndCollapsedBranchesSortWhenExpanded)
{
    Make(LWS_TREE);
    ListItem* open = Add("open", nullptr, LIF_EXPANDABLE | LIF_EXPANDED | LIF_TEXT);
    ListItem* closed = Add("closed", nullptr, LIF_EXPANDABLE | LIF_TEXT);
    for (const char* t : {"x10", "x9", "X1"}) {
        Add(t, open, LIF_TEXT);
        Add(t, closed, LIF_TEXT);
    }
    list->Sort();
    EXPECT_EQ(Rows(), "closed,open,X1,x9,x10");
    EXPECT_TRUE(closed->flags & LIF_SORTPENDING);
    EXPECT_STREQ(closed->firstChild->text, "x10");  // not sorted yet
    list->ExpandItem(closed);
    EXPECT_FALSE(closed->flags & LIF_SORTPENDING);
    EXPECT_EQ(Rows(), "closed,X1,x9,x10,open,X1,x9,x10");
}

// ---- type-ahead ----

TEST_F(ListTest, TypeAheadNarrowsByPrefixAndRepeatedLettersStepThroughMatches)
{
    Make(0, 100);
    for (const char* t : {"apple", "banana", "berry", "blue", "cherry", "beet"}) Add(t);
    auto type = [&](const char* chars) {
        for (const char* p = chars; *p; ++p) FakeOsChar(u8(*p), 0);
        Run();
    };
    type("b");
    EXPECT_EQ(Selected(), "banana");
    type("e");
    EXPECT_EQ(Selected(), "berry");
    EXPECT_STREQ(list->GetTypeAheadText(), "be");
    FakeOsAdvanceTime(0.6);
    RunSteps(1);
    EXPECT_STREQ(list->GetTypeAheadText(), "");
    type("b");  // the focus item starts with it: stays
    EXPECT_EQ(Selected(), "berry");
    type("b");  // twice: the next item starting with it
    EXPECT_EQ(Selected(), "blue");
    type("b");
    EXPECT_EQ(Selected(), "beet");
    type("b");  // wraps to the top
    EXPECT_EQ(Selected(), "banana");
    FakeOsAdvanceTime(0.6);
    RunSteps(1);
    type("zz");  // nothing matches: the selection stays
    EXPECT_EQ(Selected(), "banana");
}

TEST_F(ListTest, TypeAheadStartsAfreshWhenTheNextLetterComesLateEvenBeforeTheNextTick)
{
    // A slow program takes a late letter in the same step as its own tick, before it.
    Make(0, 100);
    for (const char* t : {"banana", "cherry", "sounds", "forest"}) Add(t);
    FakeOsChar('s', 0);
    Run();
    EXPECT_EQ(Selected(), "sounds");
    FakeOsAdvanceTime(0.6);
    FakeOsChar('f', 0);
    Run();
    EXPECT_EQ(Selected(), "forest");
    EXPECT_STREQ(list->GetTypeAheadText(), "f");
    FakeOsChar('o', 0);
    Run();
    EXPECT_STREQ(list->GetTypeAheadText(), "fo") << "letters in quick succession still make one word";
}

TEST_F(ListTest, TypeAheadScrollsTheFoundRowIntoView)
{
    Make(0, 60);
    AddRows(30);
    Add("target");
    list->TypeAheadFind("TAR");
    EXPECT_EQ(Selected(), "target");
    EXPECT_EQ(list->GetTopRow(), list->ItemAtRow(28));
}

// ---- drag reorder ----

TEST_F(ListTest, DraggingARowReportsTheDropRowAndBelowTheLastRowTheRowAfterIt)
{
    Make(LWS_DRAGREORDER, 200);
    std::vector<ListItem*> r = AddRows(4);
    Point p = RowPoint(0);
    MoveTo(p.x, p.y);
    Press();
    FakeOsEndStep();
    MoveTo(p.x, p.y + 2);  // within the threshold
    FakeOsEndStep();
    MoveTo(p.x, p.y + 4);  // starts the drag
    FakeOsEndStep();
    Rect c = list->GetContentRect();
    MoveTo(p.x, c.top + 2 * kRow + kRow / 2 + 2);  // lower half of row 2: before row 3
    Run();
    EXPECT_EQ(list->GetDropRow(), 3);
    MoveTo(p.x, c.top + 2 * kRow + 3);  // upper part of row 2
    Run();
    EXPECT_EQ(list->GetDropRow(), 2);
    MoveTo(p.x, c.top + 150);  // far below the last row
    Run();
    EXPECT_EQ(list->GetDropRow(), 4);
    Release();
    Run();
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].first, r[0]);
    EXPECT_EQ(moves[0].second, 4);
    EXPECT_EQ(list->GetDropRow(), -1);  // cleared with the payload
}

TEST_F(ListTest, ARowDroppedOnAnotherListIsRefused)
{
    Make(LWS_DRAGREORDER, 100);
    AddRows(3);
    ListWindow* other = new ListWindow(LWS_DRAGREORDER, WF_VISIBLE | WF_ENABLED, nullptr);
    other->rowHeight = kRow;
    other->SetFrameXYWH(400, 0, 200, 200);
    other->AddItem(nullptr, 0, 0, nullptr, "o");
    ListWindow::ListItemDDData data(list, list->GetFirstItem(), 0, 10);
    Point inOther = {other->GetContentRect().left + 5, other->GetContentRect().top + 5};
    EXPECT_EQ(other->DragDrop(inOther, 1, &data), 0);
    Window::DragDropData foreign(0);
    EXPECT_EQ(list->DragDrop(RowPoint(1), 1, &foreign), 0);
    EXPECT_EQ(list->DragDrop(RowPoint(1), 1, &data), 1);
    EXPECT_EQ(moves.size(), 0u);
}

TEST_F(ListTest, ARowRemovedDuringItsDragIsNotReported)
{
    Make(LWS_DRAGREORDER, 200);
    std::vector<ListItem*> r = AddRows(3);
    ListWindow::ListItemDDData* data = new ListWindow::ListItemDDData(list, r[1], 0, 10);
    list->DeleteItem(r[1]);
    EXPECT_EQ(data->item, nullptr);
    EXPECT_EQ(list->DragDrop(RowPoint(0), 0, data), 1);
    EXPECT_EQ(moves.size(), 0u);
    delete data;
    EXPECT_EQ(list->GetDropRow(), -1);
}

}  // namespace
