// The bitmap browser through the fake backend: rows and count label, the context menu's rows
// and commands, the open-bitmap refusals, replacing by order and by name, exports, plates,
// shadows, reordering and drag payloads.
#include <sys/stat.h>

#include <deque>
#include <string>
#include <vector>

#include "../common/TempFolder.h"
#include "BoxScript.h"
#include "collection/BitmapFileNames.h"
#include "collection/ui/BitmapDragData.h"
#include "collection/ui/BitmapWindow.h"
#include "collection/ui/PlateFiles.h"
#include "collection/ui/X256BitmapBrowser.h"
#include "foundation/PrefStore.h"
#include "gui/GridWindow.h"
#include "gui/ListWindow.h"
#include "platform/FileDialogs.h"
#include "platform/OsKeys.h"

using boxscript::Answers;
using boxscript::Seen;

namespace {

// The popup's rows as "Title", "Submenu/Title" ("(off)" appended when disabled), and the id
// to choose (-2: close the menu without a choice).
struct PageMenu {
    s32 choose = -2;
    bool armed = false;
    std::vector<std::string> rows;
    std::deque<std::string> inputs;  // typed into the next input boxes
};

PageMenu& Script()
{
    static PageMenu m;
    return m;
}

void ListRows(MenuItem* menu, const std::string& prefix, MenuItem** pick)
{
    for (MenuItem* i = menu->FirstItem(); i; i = MenuItem::NextItem(i)) {
        if (i->IsSeparator()) continue;
        std::string row = prefix + i->GetTitle();
        Script().rows.push_back(row + (i->IsEnabled() ? "" : " (off)"));
        if (i->HasItems())
            ListRows(i, row + "/", pick);
        else if (s32(i->GetId()) == Script().choose)
            *pick = i;
    }
}

int PageStep()
{
    Window* layer = WindowSystem::GetLayerRoot(1);
    for (Window* w = layer ? layer->GetFirstChild() : nullptr; w && Script().armed; w = w->GetNextSibling()) {
        if (strcmp(w->GetClassName(), "MenuItem") || !WindowSystem::IsOnModalStack(w, 1)) continue;
        MenuItem* menu = static_cast<MenuItem*>(w);
        MenuItem* pick = nullptr;
        Script().rows.clear();
        ListRows(menu, "", &pick);
        Script().armed = false;
        MenuItem::Activate(pick ? pick->parentMenu : menu, pick);
        break;
    }
    Window* f = WindowSystem::GetModalDepth() ? WindowSystem::GetFocus() : nullptr;
    while (f && strcmp(f->GetClassName(), "MessageBoxWindow")) f = f->GetParent();
    if (f && !Script().inputs.empty()) {
        MessageBoxWindow* box = static_cast<MessageBoxWindow*>(f);
        if (box->boundText && box->GetField()) {
            box->GetField()->SetText(Script().inputs.front().c_str());
            Script().inputs.pop_front();
        }
    }
    return boxscript::AnsweringStep();
}

struct Counter : SignalListener {
    int changed = 0, windows = 0;
    void OnChanged() { ++changed; }
    void OnWindows() { ++windows; }
};

std::vector<std::string> Names(const Collection& c)
{
    std::vector<std::string> out;
    for (const CollectionBitmap* b : c.bitmaps) out.push_back(b->name);
    return out;
}

std::vector<u8> Solid(u32 w, u32 h, u8 alpha, u8 index)
{
    std::vector<u8> px(size_t(w) * h * 2);
    for (size_t i = 0; i < px.size(); i += 2) {
        px[i] = alpha;
        px[i + 1] = index;
    }
    return px;
}

class BitmapBrowser : public boxscript::BoxFixture {
protected:
    void SetUp() override
    {
        BoxFixture::SetUp();
        WindowSystem::SetStepHook(PageStep);
        Script() = PageMenu();
        Fill();
        page = Make(X256BitmapBrowser::kBitmapsPage);
    }
    // Rock (used by a view, a transparent first column), Sand (partial alpha, span rows), the shadow
    // Shade (a frame's shadow) and the true-colour Glow.
    void Fill()
    {
        for (u32 i = 0; i < 256; ++i) c.colorTable.entries[i] = ColorTableEntry{u8(i), u8(255 - i), u8(i / 2)};
        std::vector<u8> rock = Solid(4, 3, 255, 7);
        for (u32 y = 0; y < 3; ++y) rock[y * 8] = rock[y * 8 + 1] = 0;  // a transparent first column
        c.AddBitmap("Rock", 0, rock.data(), 4, 3, 2, nullptr);
        std::vector<u8> sand = Solid(2, 2, 128, 9);
        c.AddBitmap("Sand", kBitmapPartialAlpha | kBitmapSpanRows, sand.data(), 2, 2, 2, nullptr);
        std::vector<u8> shade = Solid(3, 3, 255, 40);
        c.AddBitmap("Shade", kBitmapShadow, shade.data(), 3, 3, 2, nullptr);
        std::vector<u8> glow(5 * 5 * 8, 0xFF);
        c.AddBitmap("Glow", kBitmapTrueColor, glow.data(), 5, 5, 8, nullptr);
        Sequence* s = c.AddSequence("Walk");
        s->GetFrameView(0, 0).bitmap = c.bitmaps.data[0];
        s->GetFrame(0).shadowBitmap = c.bitmaps.data[2];
    }
    // A fresh collection for the next case of a table, nothing seen or counted yet.
    void Restart()
    {
        c.Free();
        Fill();
        page->Refresh();
        Seen().clear();
        counter.changed = 0;
    }
    void TearDown() override
    {
        ResetPrefs();
        BoxFixture::TearDown();
    }
    X256BitmapBrowser* Make(u32 kind)
    {
        X256BitmapBrowser* p = new X256BitmapBrowser(&c, WF_VISIBLE | WF_ENABLED, kind, nullptr);
        p->SetFrameXYWH(10, 10, 600, 400);
        p->changed.Connect<&Counter::OnChanged>(&counter);
        p->openWindowsChanged.Connect<&Counter::OnWindows>(&counter);
        Run();
        return p;
    }
    void SelectRows(X256BitmapBrowser* p, const std::vector<int>& rowsToSelect)
    {
        ListWindow* t = p->GetTable();
        t->SelectItem(nullptr, 0);
        for (int r : rowsToSelect) t->SelectItem(p->GetRows().data[r]->item, 1);
    }
    // Opens the context menu and chooses id; answers the menu's rows.
    std::vector<std::string> Choose(X256BitmapBrowser* p, s32 id, std::vector<int> answers = {},
                                    std::vector<std::string> inputs = {})
    {
        for (int a : answers) Answers().push_back(a);
        for (const std::string& i : inputs) Script().inputs.push_back(i);
        Script().choose = id;
        Script().armed = true;
        p->OnContextMenu(Point{200, 200});
        Run();
        return Script().rows;
    }
    std::string Label(X256BitmapBrowser* p) const
    {
        String s;
        p->GetCountLabel()->GetText(&s);
        return s.c_str();
    }
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
    // A paletted PNG whose colours are table entries 7 and 9.
    std::string Paletted(const char* name, u32 w, u32 h)
    {
        Rgb palette[2] = {{7, 248, 3}, {9, 246, 4}};
        std::vector<u8> px(size_t(w) * h, 0);
        px[0] = 1;
        return Write(name, w, h, kImageIndexed, px.data(), palette, 2);
    }
    std::string Grey(const char* name, u32 w, u32 h, u8 value)
    {
        std::vector<u8> px(size_t(w) * h, value);
        px[0] = 0;
        return Write(name, w, h, kImageAlpha, px.data());
    }
    // The dialog's answer; the filter is the first path's format (a folder keeps BMP).
    static void Answer(const std::vector<std::string>& paths, s32 option0 = -1, s32 option1 = -1)
    {
        static std::deque<std::string> keep;
        FakeOsDialogAnswer a;
        a.ok = 1;
        const std::string& first = paths.empty() ? std::string() : paths[0];
        a.filterIndex = first.size() > 4 && first.substr(first.size() - 4) == ".png" ? 1 : 0;
        for (size_t i = 0; i < paths.size() && i < 7; ++i) {
            keep.push_back(paths[i]);
            a.paths[i] = keep.back().c_str();
        }
        a.options[0] = option0;
        a.options[1] = option1;
        FakeOsQueueDialogAnswer(a);
    }
    Collection c;
    X256BitmapBrowser* page = nullptr;
    Counter counter;
    TempFolder dir;
};

bool Exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

}  // namespace

TEST_F(BitmapBrowser, RowsCountLabelAndUseColours)
{
    EXPECT_STREQ("X256BitmapBrowser", page->GetClassName());
    EXPECT_STREQ("Bitmaps", page->GetTitle());
    EXPECT_STREQ("Bitmaps Table", page->GetTable()->GetTitle());
    EXPECT_STREQ("Bitmaps Grid", page->GetGrid()->GetTitle());
    EXPECT_EQ(page->GetTable(), page->GetCurrentView());
    EXPECT_STREQ("Grid", page->GetToggleButton()->GetTitle());
    EXPECT_EQ("  3 Bitmaps:", Label(page));
    struct Row {
        const char *name, *bits, *format, *dims;
        u32 colour;
    } expect[] = {{"Rock", "8 bit", "RAW", "   4 x 3", 0xFFFFFFFFu},
                  {"Sand", "16 bit", "RLE", "   2 x 2", 0xFFC0C0C0u},
                  {"Glow", "32 bit", "RAW", "   5 x 5", 0xFFC0C0C0u}};
    ASSERT_EQ(3u, page->GetRows().count);
    ASSERT_EQ(3u, page->GetGrid()->GetItemCount());
    for (u32 i = 0; i < 3; ++i) {
        const BitmapRow* r = page->GetRows().data[i];
        EXPECT_STREQ(expect[i].name, r->name);
        EXPECT_STREQ(expect[i].bits, r->bits);
        EXPECT_STREQ(expect[i].format, r->format);
        EXPECT_STREQ(expect[i].dims, r->dimensions);
        EXPECT_EQ(expect[i].colour, r->item->color);
        EXPECT_EQ(expect[i].colour, page->GetUseColour(i));
        EXPECT_EQ(r->bitmap, page->GetGrid()->items.data[i].userData);
    }
    // The name column takes the table's width less 170.
    EXPECT_EQ(u32(page->GetTable()->GetContentRect().Width() - 170), page->GetTable()->GetColumn(0)->width);

    X256BitmapBrowser* shadows = Make(X256BitmapBrowser::kShadowsPage);
    EXPECT_EQ("  1 Shadow:", Label(shadows));
    ASSERT_EQ(1u, shadows->GetRows().count);
    EXPECT_STREQ("Shade", shadows->GetRows().data[0]->name);
    EXPECT_EQ(0xFFFFFFFFu, shadows->GetUseColour(0));
    shadows->Close();

    Collection empty;
    X256BitmapBrowser* none = new X256BitmapBrowser(&empty, WF_VISIBLE | WF_ENABLED, 1, nullptr);
    EXPECT_EQ("  0 Shadows:", Label(none));
    none->Close();
    // A bitmap a view starts using turns white at the next colour update.
    c.sequences.data[0]->GetFrameView(0, 0).bitmap = c.bitmaps.data[1];
    page->UpdateUseColours();
    EXPECT_EQ(0xFFC0C0C0u, page->GetUseColour(0));
    EXPECT_EQ(0xFFFFFFFFu, page->GetUseColour(1));
}

TEST_F(BitmapBrowser, ContextMenuRowsFollowTheSelectionAndThePage)
{
    const std::vector<std::string> allBitmaps = {
        "All Bitmaps", "All Bitmaps/Export", "All Bitmaps/Export Alpha", "All Bitmaps/Export Plate",
        "All Bitmaps/Export Alpha Plate", "All Bitmaps/Replace", "All Bitmaps/Replace Alpha",
        "All Bitmaps/Replace from Plate", "All Bitmaps/Replace Alpha from Plate", "All Bitmaps/Remove Alpha",
        "All Bitmaps/Format", "All Bitmaps/Format/Convert to RLE", "All Bitmaps/Format/Convert to RAW",
        "All Bitmaps/Crop Transparency", "All Bitmaps/Uncrop Transparency", "All Bitmaps/Delete"};
    auto off = [](std::vector<std::string> rows) {
        for (std::string& r : rows) r += " (off)";
        return rows;
    };
    auto renamed = [](std::vector<std::string> rows, const std::string& from, const std::string& to) {
        for (std::string& r : rows) r = to + r.substr(from.size());
        return rows;
    };
    auto join = [](std::initializer_list<std::vector<std::string>> parts) {
        std::vector<std::string> out;
        for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
        return out;
    };
    const std::vector<std::string> adds = {"Add Bitmap(s) from File(s)", "Add Bitmap(s) from Plate"};
    // One selected: Rename and the singular submenu.
    SelectRows(page, {1});
    EXPECT_EQ(join({{"Rename"}, renamed(allBitmaps, "All Bitmaps", "Selected Bitmap"), allBitmaps, adds}),
              Choose(page, -2));
    SelectRows(page, {0, 2});
    EXPECT_EQ(join({renamed(allBitmaps, "All Bitmaps", "Selected Bitmaps"), allBitmaps, adds}), Choose(page, -2));
    SelectRows(page, {});
    EXPECT_EQ(join({off(renamed(allBitmaps, "All Bitmaps", "Selected Bitmaps")), allBitmaps, adds}),
              Choose(page, -2));

    // The shadows page: Export, Replace and Delete only; an empty page has its all menu off.
    X256BitmapBrowser* shadows = Make(X256BitmapBrowser::kShadowsPage);
    SelectRows(shadows, {0});
    EXPECT_EQ((std::vector<std::string>{"Rename", "Selected Shadow", "Selected Shadow/Export", "Selected Shadow/Replace",
                                        "Selected Shadow/Delete", "All Shadows", "All Shadows/Export",
                                        "All Shadows/Replace", "All Shadows/Delete", "Add Shadow(s) from File(s)"}),
              Choose(shadows, -2));
    shadows->Close();
    Collection empty;
    X256BitmapBrowser* none = new X256BitmapBrowser(&empty, WF_VISIBLE | WF_ENABLED, 0, nullptr);
    EXPECT_EQ(join({off(renamed(allBitmaps, "All Bitmaps", "Selected Bitmaps")), off(allBitmaps), adds}),
              Choose(none, -2));
    none->Close();
    EXPECT_EQ(0, counter.changed);
}

TEST_F(BitmapBrowser, ContextMenuCommands)
{
    struct Case {
        const char* what;
        std::vector<int> rows;
        s32 id;
        std::vector<int> answers;
        std::vector<std::string> inputs;
        std::vector<std::string> names;
        std::vector<std::string> boxes;
        int changed;
    } cases[] = {
        {"delete two", {0, 2}, X256BitmapBrowser::kDelete, {0}, {}, {"Sand", "Shade"},
         {"Are you sure you want to remove the selected bitmaps?"}, 1},
        {"delete cancelled", {1}, X256BitmapBrowser::kDelete, {1}, {}, {"Rock", "Sand", "Shade", "Glow"},
         {"Are you sure you want to remove the selected bitmap?"}, 0},
        {"delete all", {}, X256BitmapBrowser::kDeleteAll, {0}, {}, {"Shade"},
         {"Are you sure you want to remove all bitmaps?"}, 1},
        {"crop the selected", {0, 1}, X256BitmapBrowser::kCrop, {0, 0}, {}, {"Rock", "Sand", "Shade", "Glow"},
         {"Are you sure you want to crop the selected bitmaps?", "1 bitmap was cropped (3 pixels removed)."}, 1},
        {"crop cancelled", {0}, X256BitmapBrowser::kCrop, {1}, {}, {"Rock", "Sand", "Shade", "Glow"},
         {"Are you sure you want to crop the selected bitmap?"}, 0},
        {"uncrop cancelled", {0}, X256BitmapBrowser::kUncrop, {1}, {"8"}, {"Rock", "Sand", "Shade", "Glow"}, {"8"}, 0},
        {"uncrop 0", {0}, X256BitmapBrowser::kUncrop, {0}, {"0"}, {"Rock", "Sand", "Shade", "Glow"},
         {"0", "Invalid size for uncropping."}, 0},
        {"uncrop 4097", {0}, X256BitmapBrowser::kUncrop, {0}, {"4097"}, {"Rock", "Sand", "Shade", "Glow"},
         {"4097", "Invalid size for uncropping."}, 0},
        {"uncrop letters", {0}, X256BitmapBrowser::kUncrop, {0}, {"big"}, {"Rock", "Sand", "Shade", "Glow"},
         {"big", "Invalid size for uncropping."}, 0},
        {"uncrop 8", {0, 1}, X256BitmapBrowser::kUncrop, {0}, {"8"}, {"Rock", "Sand", "Shade", "Glow"}, {"8"}, 1},
        {"to RAW", {1}, X256BitmapBrowser::kToRaw, {}, {}, {"Rock", "Sand", "Shade", "Glow"}, {}, 1},
        {"to RAW again changes nothing", {0}, X256BitmapBrowser::kToRaw, {}, {}, {"Rock", "Sand", "Shade", "Glow"},
         {}, 0},
        {"all to RLE", {}, X256BitmapBrowser::kToRleAll, {}, {}, {"Rock", "Sand", "Shade", "Glow"}, {}, 1},
        {"remove alpha", {}, X256BitmapBrowser::kRemoveAlphaAll, {}, {}, {"Rock", "Sand", "Shade", "Glow"}, {}, 1},
        {"nothing chosen", {0}, -2, {}, {}, {"Rock", "Sand", "Shade", "Glow"}, {}, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        Restart();
        SelectRows(page, k.rows);
        Choose(page, k.id, k.answers, k.inputs);
        EXPECT_EQ(k.names, Names(c));
        EXPECT_EQ(k.boxes, Texts());
        EXPECT_EQ(k.changed, counter.changed);
        if (!strcmp(k.what, "crop the selected")) {
            EXPECT_EQ(3, c.bitmaps.data[0]->width);
            EXPECT_EQ("   3 x 3", std::string(page->GetRows().data[0]->dimensions));
            EXPECT_EQ("", Seen().back().title);
            EXPECT_EQ((std::vector<std::string>{"Crop", "Cancel"}), Seen().front().labels);
        }
        if (!strcmp(k.what, "uncrop 8")) {
            EXPECT_EQ(8, c.bitmaps.data[0]->width);
            EXPECT_EQ(8, c.bitmaps.data[1]->height);
            EXPECT_EQ("Enter Uncropped Size (pixels)", Seen().front().title);
            EXPECT_EQ((std::vector<std::string>{"Uncrop", "Cancel"}), Seen().front().labels);
        }
        if (!strcmp(k.what, "to RAW")) {
            EXPECT_EQ(0, c.bitmaps.data[1]->flags & kBitmapSpanRows);
        }
        if (!strcmp(k.what, "all to RLE")) {
            EXPECT_TRUE(c.bitmaps.data[0]->flags & kBitmapSpanRows);
            EXPECT_FALSE(c.bitmaps.data[2]->flags & kBitmapSpanRows);  // a shadow: not listed here
        }
        if (!strcmp(k.what, "remove alpha")) {
            EXPECT_EQ(0, c.bitmaps.data[1]->flags & kBitmapPartialAlpha);
            EXPECT_EQ(255, c.bitmaps.data[1]->pixels[0]);
            EXPECT_EQ("8 bit", std::string(page->GetRows().data[1]->bits));
        }
    }
}

TEST_F(BitmapBrowser, AnOpenBitmapWindowBlocksEveryCommandThatFreesOrReshapesIt)
{
    CollectionBitmap* rock = c.bitmaps.data[0];
    page->OpenBitmapWindow(rock);
    Run();
    ASSERT_EQ(1u, page->GetOpenWindowCount());
    EXPECT_EQ(1, counter.windows);
    // Activating it again raises the same window.
    page->OpenBitmapWindow(rock);
    EXPECT_EQ(1u, page->GetOpenWindowCount());
    const std::string refusal = "The bitmap \"Rock\" is currently open. Please close it before ";
    struct Case {
        s32 id;
        std::vector<int> answers;
        std::vector<std::string> inputs;
        std::vector<std::string> boxes;
    } cases[] = {
        {X256BitmapBrowser::kDelete, {0}, {}, {"Are you sure you want to remove the selected bitmaps?", refusal + "deleting."}},
        {X256BitmapBrowser::kCrop, {0}, {}, {"Are you sure you want to crop the selected bitmaps?", refusal + "cropping."}},
        {X256BitmapBrowser::kUncrop, {0}, {"16"}, {"16", refusal + "cropping."}},
        {X256BitmapBrowser::kReplace, {}, {}, {refusal + "replacing."}},
        {X256BitmapBrowser::kReplaceAlpha, {}, {}, {refusal + "replacing."}},
        {X256BitmapBrowser::kReplaceFromPlate, {}, {}, {refusal + "replacing."}},
    };
    u32 dialogs = FakeOsDialogCount();
    for (const Case& k : cases) {
        SCOPED_TRACE(k.id);
        Seen().clear();
        SelectRows(page, {1, 0});
        Choose(page, k.id, k.answers, k.inputs);
        EXPECT_EQ(k.boxes, Texts());
        EXPECT_EQ("Error", Seen().back().title);
    }
    EXPECT_EQ(dialogs, FakeOsDialogCount());  // no file dialog was opened
    EXPECT_EQ((std::vector<std::string>{"Rock", "Sand", "Shade", "Glow"}), Names(c));
    EXPECT_EQ(4, rock->width);
    EXPECT_EQ(0, counter.changed);

    // Closing the window lets the delete through.
    page->FindBitmapWindow(rock)->Close();
    Run();
    EXPECT_EQ(0u, page->GetOpenWindowCount());
    EXPECT_EQ(2, counter.windows);
    SelectRows(page, {0});
    Choose(page, X256BitmapBrowser::kDelete, {0});
    EXPECT_EQ((std::vector<std::string>{"Sand", "Shade", "Glow"}), Names(c));
    EXPECT_EQ(nullptr, c.sequences.data[0]->GetBitmap(0, 0));
}

// The page stands for its editor (which has a close box): a double click on a row opens the
// bitmap's window with the keyboard, and the release of the second click, over the row, does
// not take it back, so Ctrl+W closes the bitmap window and leaves the page.
TEST_F(BitmapBrowser, CtrlWInAWindowOpenedByADoubleClickClosesOnlyThatWindow)
{
    page->AddFlags(WF_CLOSEBOX);
    ListWindow* t = page->GetTable();
    Rect cell;
    ASSERT_TRUE(t->GetCellRect(page->GetRows().data[0]->item, 0, &cell, -1));
    Rect content = t->GetContentRect();
    MoveTo(content.left + cell.left + 4, content.top + (cell.top + cell.bottom) / 2);
    Press();
    Release();
    Run();
    FakeOsAdvanceTime(0.05);
    Press();
    Release();
    Run();
    BitmapWindow* w = page->FindBitmapWindow(c.bitmaps.data[0]);
    ASSERT_TRUE(w);
    EXPECT_EQ(WindowSystem::GetFocus(), w);
    Key(LIBKEY_LEFT_CONTROL);
    Tap(LIBKEY_A + ('W' - 'A'));
    Key(LIBKEY_LEFT_CONTROL, LIBACTION_RELEASE);
    Run();
    RunSteps(2);
    EXPECT_EQ(0u, page->GetOpenWindowCount());
    EXPECT_NE(WS_CLOSED, page->GetState());
}

TEST_F(BitmapBrowser, TheWindowsCloseWithThePage)
{
    page->OpenBitmapWindow(c.bitmaps.data[0]);
    page->OpenBitmapWindow(c.bitmaps.data[1]);
    Run();
    ASSERT_EQ(2u, page->GetOpenWindowCount());
    BitmapWindow* w = page->FindBitmapWindow(c.bitmaps.data[1]);
    EXPECT_STREQ("Sand", w->GetTitle());
    page->Close();
    page = nullptr;
    Run();
    u32 left = 0;
    for (Window* t = WindowSystem::GetLayerRoot(0)->GetFirstChild(); t; t = t->GetNextSibling())
        left += t->GetState() != WS_CLOSED && !strcmp(t->GetTitle(), "Sand");
    EXPECT_EQ(0u, left);
}

TEST_F(BitmapBrowser, ReplacingMatchesFilesByOrderOrByName)
{
    std::string a = Paletted("first.png", 6, 2), b = Paletted("second.png", 3, 7);
    std::string rockFile = Paletted("Rock.png", 9, 9), sandFile = Paletted("Sand.png", 2, 5);
    struct Case {
        const char* what;
        s32 id;
        std::vector<int> rows;
        std::vector<std::string> files;
        s32 mode;
        std::vector<std::string> names;
        std::vector<std::pair<int, int>> sizes;  // of Rock and Sand afterwards (by list position)
        std::vector<std::string> boxes;
    } cases[] = {
        {"by order", X256BitmapBrowser::kReplace, {0, 1}, {a, b}, 0, {"first", "second", "Shade", "Glow"},
         {{6, 2}, {3, 7}}, {}},
        {"by order, one file short", X256BitmapBrowser::kReplace, {0, 1}, {a}, 0, {"Rock", "Sand", "Shade", "Glow"},
         {{4, 3}, {2, 2}}, {"1 bitmaps were selected, expected at least 2"}},
        {"by name, files in the other order", X256BitmapBrowser::kReplace, {0, 1}, {sandFile, rockFile}, 1,
         {"Rock", "Sand", "Shade", "Glow"}, {{9, 9}, {2, 5}}, {}},
        {"by name, a name unmatched", X256BitmapBrowser::kReplace, {0, 1}, {rockFile, a}, 1,
         {"Rock", "Sand", "Shade", "Glow"}, {{4, 3}, {2, 2}},
         {"The following bitmaps were not matched by name: Sand."}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        Restart();
        SelectRows(page, k.rows);
        Answer(k.files, k.mode);
        Choose(page, k.id);
        EXPECT_EQ(k.names, Names(c));
        EXPECT_EQ(k.sizes[0].first, c.bitmaps.data[0]->width);
        EXPECT_EQ(k.sizes[0].second, c.bitmaps.data[0]->height);
        EXPECT_EQ(k.sizes[1].first, c.bitmaps.data[1]->width);
        EXPECT_EQ(k.sizes[1].second, c.bitmaps.data[1]->height);
        EXPECT_EQ(k.boxes, Texts());
        EXPECT_EQ(k.boxes.empty() ? 1 : 0, counter.changed);
        EXPECT_STREQ("Import replacement bitmaps", FakeOsLastDialog()->title.c_str());
    }
    // The replaced bitmap keeps its place in the views.
    EXPECT_EQ(c.bitmaps.data[0], c.sequences.data[0]->GetBitmap(0, 0));
    EXPECT_EQ(0u, FakeOsUnexpectedDialogCount());
}

TEST_F(BitmapBrowser, ReplacingAlphasExpectsTheAlphaSuffixAndListsUnmatchedNames)
{
    SelectRows(page, {0});
    Answer({Grey("Rock alpha.png", 4, 3, 90)}, 1);
    Choose(page, X256BitmapBrowser::kReplaceAlpha);
    EXPECT_STREQ("Import replacement alpha", FakeOsLastDialog()->title.c_str());
    EXPECT_EQ((std::vector<std::string>{}), Texts());
    CollectionBitmap* rock = c.bitmaps.data[0];
    EXPECT_EQ(0, rock->pixels[0]);
    EXPECT_EQ(90, rock->pixels[2]);
    EXPECT_TRUE(rock->flags & kBitmapPartialAlpha);
    EXPECT_EQ(1, counter.changed);

    // 25 bitmaps, none matched: 20 names, then the rest counted.
    std::vector<const char*> names;
    std::vector<std::string> owned;
    for (int i = 0; i < 25; ++i) owned.push_back("b" + std::to_string(i));
    for (const std::string& n : owned) names.push_back(n.c_str());
    String text;
    UnmatchedNamesText(names.data(), u32(names.size()), &text);
    EXPECT_STREQ("The following bitmaps were not matched by name: b0, b1, b2, b3, b4, b5, b6, b7, b8, b9, b10, b11, "
                 "b12, b13, b14, b15, b16, b17, b18, b19.(5 more)",
                 text.c_str());
    UnmatchedNamesText(names.data(), 2, &text);
    EXPECT_STREQ("The following bitmaps were not matched by name: b0, b1.", text.c_str());
}

TEST_F(BitmapBrowser, ExportsByNumberingAndByNameIntoTheChosenFolder)
{
    // By numbering: three bitmaps, PNG (filter 1), "Mode:" By Numbering.
    SelectRows(page, {});
    c.bitmaps.data[3]->flags &= ~kBitmapTrueColor;  // true colour cannot go to 8-bit files
    c.bitmaps.data[3]->bytesPerPixel = 2;
    Answer({dir.path}, 1, 0);
    Choose(page, X256BitmapBrowser::kExportAll);
    EXPECT_STREQ("Choose a destination folder", FakeOsLastDialog()->title.c_str());
    for (const char* f : {"bitmap #0000.png", "bitmap #0001.png", "bitmap #0002.png"})
        EXPECT_TRUE(Exists(dir / f)) << f;
    u32 mode = 9;
    ASSERT_TRUE(GetPrefInt("BitmapImportMappingMode", &mode));
    EXPECT_EQ(0u, mode);

    // By name, alphas, BMP: " alpha" and the extension appended; unsafe names cleaned.
    strcpy(c.bitmaps.data[0]->name, "../up");
    strcpy(c.bitmaps.data[1]->name, "a/b");
    page->Refresh();
    SelectRows(page, {0, 1});
    Answer({dir.path}, 0, 1);
    Choose(page, X256BitmapBrowser::kExportAlpha);
    EXPECT_TRUE(Exists(dir / "_._up alpha.bmp"));
    EXPECT_TRUE(Exists(dir / "a_b alpha.bmp"));
    EXPECT_FALSE(Exists(dir.path + "/../up alpha.bmp"));
    ASSERT_TRUE(GetPrefInt("BitmapImportMappingMode", &mode));
    EXPECT_EQ(1u, mode);

    // Two names that become one file name refuse the export.
    strcpy(c.bitmaps.data[1]->name, "a\\b");
    strcpy(c.bitmaps.data[0]->name, "a/b");
    page->Refresh();
    SelectRows(page, {0, 1});
    Seen().clear();
    Answer({dir.path}, 2, 1);
    Choose(page, X256BitmapBrowser::kExport);
    EXPECT_EQ((std::vector<std::string>{"Export by name is not possible because two or more of the selected bitmaps "
                                        "share the same name. Running the auto-rename function may be useful."}),
              Texts());
    EXPECT_FALSE(Exists(dir / "a_b.tiff"));
    // The mode was offered as remembered.
    EXPECT_EQ(1u, FakeOsLastDialog()->options.data[1].defaultIndex);

    // One bitmap: the save dialog proposes its name.
    SelectRows(page, {2});
    std::string one = dir / "single.png";
    Answer({one});
    Choose(page, X256BitmapBrowser::kExport);
    EXPECT_STREQ("Export Bitmap", FakeOsLastDialog()->title.c_str());
    EXPECT_STREQ("Glow", FakeOsLastDialog()->fileName.c_str());
    EXPECT_TRUE(Exists(one)) << ::testing::PrintToString(Texts());
    EXPECT_EQ(0, counter.changed);
}

TEST_F(BitmapBrowser, PlatesExportAndReplaceOnlyWithTheRightCellCount)
{
    strcpy(c.name, "Rocks");
    SelectRows(page, {0, 1});
    std::string plate = dir / "pair plate.png";
    Answer({plate});
    Choose(page, X256BitmapBrowser::kExportPlate);
    EXPECT_STREQ("Export Plate", FakeOsLastDialog()->title.c_str());
    EXPECT_STREQ("Rocks plate", FakeOsLastDialog()->fileName.c_str());
    ASSERT_TRUE(Exists(plate)) << ::testing::PrintToString(Texts());

    // Three selected, two cells: refused, nothing added or lost.
    SelectRows(page, {0, 1, 2});
    Answer({plate});
    Choose(page, X256BitmapBrowser::kReplaceFromPlate);
    EXPECT_EQ((std::vector<std::string>{"Number of images in plate (2) does not match the expected value of 3."}),
              Texts());
    EXPECT_EQ((std::vector<std::string>{"Rock", "Sand", "Shade", "Glow"}), Names(c));

    // Two selected in the other order: each takes its cell, names and places kept.
    Seen().clear();
    counter.changed = 0;
    SelectRows(page, {2, 1});
    Answer({plate});
    Choose(page, X256BitmapBrowser::kReplaceFromPlate);
    EXPECT_EQ((std::vector<std::string>{}), Texts());
    EXPECT_EQ((std::vector<std::string>{"Rock", "Sand", "Shade", "Glow"}), Names(c));
    EXPECT_EQ(4, c.bitmaps.data[1]->width);  // Sand has Rock's cell
    EXPECT_EQ(2, c.bitmaps.data[3]->width);  // Glow has Sand's cell
    EXPECT_EQ(2, c.bitmaps.data[3]->bytesPerPixel);
    EXPECT_EQ(1, counter.changed);

    // A plate with an empty cell (a true-colour bitmap's slot) is refused and its bitmaps go
    // again.
    std::vector<u8> clear(2 * 2 * 8, 0xFF);
    c.AddBitmap("Clear", kBitmapTrueColor, clear.data(), 2, 2, 8, nullptr);
    page->Refresh();
    SelectRows(page, {0, 3});
    std::string gap = dir / "gap plate.png";
    Answer({gap});
    Choose(page, X256BitmapBrowser::kExportPlate);
    ASSERT_TRUE(Exists(gap));
    Seen().clear();
    counter.changed = 0;
    SelectRows(page, {0, 1});
    Answer({gap});
    Choose(page, X256BitmapBrowser::kReplaceFromPlate);
    EXPECT_EQ((std::vector<std::string>{
                  "The replace could not be performed because a bitmap in the plate contains no pixels."}),
              Texts());
    EXPECT_EQ((std::vector<std::string>{"Rock", "Sand", "Shade", "Glow", "Clear"}), Names(c));
    EXPECT_EQ(0, counter.changed);
    c.DeleteBitmap(c.bitmaps.data[4]);
    page->Refresh();

    // Adding from the plate appends its cells.
    Answer({plate});
    Choose(page, X256BitmapBrowser::kAddFromPlate);
    EXPECT_EQ(6u, c.GetBitmapCount());
    EXPECT_STREQ("pair plate #0000", c.bitmaps.data[4]->name);
    EXPECT_EQ("  5 Bitmaps:", Label(page));
}

TEST_F(BitmapBrowser, ShadowsComeFromGreyscaleImages)
{
    X256BitmapBrowser* shadows = Make(X256BitmapBrowser::kShadowsPage);
    std::string dark = Grey("Dark.png", 3, 2, 77);
    Answer({dark, Paletted("colour.png", 2, 2)});
    Choose(shadows, X256BitmapBrowser::kAddFromFiles);
    EXPECT_STREQ("Import Shadows", FakeOsLastDialog()->title.c_str());
    EXPECT_EQ((std::vector<std::string>{"'colour.png': The image is not 8-bit greyscale."}), Texts());
    EXPECT_EQ(4u, c.GetBitmapCount());

    Seen().clear();
    Answer({dark});
    Choose(shadows, X256BitmapBrowser::kAddFromFiles);
    ASSERT_EQ(5u, c.GetBitmapCount());
    CollectionBitmap* s = c.bitmaps.data[4];
    EXPECT_STREQ("Dark", s->name);
    EXPECT_EQ(kBitmapShadow, s->flags);
    EXPECT_EQ(2, s->bytesPerPixel);
    EXPECT_EQ((std::vector<u8>{0, 0, 255, 77}), std::vector<u8>(s->pixels, s->pixels + 4));
    EXPECT_EQ("  2 Shadows:", Label(shadows));

    // Replacing the frame's shadow keeps the frame pointing at it.
    SelectRows(shadows, {0});
    Answer({dark}, 0);
    Choose(shadows, X256BitmapBrowser::kReplace);
    EXPECT_STREQ("Import replacement shadow", FakeOsLastDialog()->title.c_str());
    CollectionBitmap* replaced = c.bitmaps.data[2];
    EXPECT_STREQ("Dark", replaced->name);
    EXPECT_EQ(replaced, c.sequences.data[0]->GetFrame(0).shadowBitmap);
    shadows->Close();
}

TEST_F(BitmapBrowser, RowsReorderByDragAndRenameInPlaceOrByBox)
{
    ListWindow* t = page->GetTable();
    // Glow (row 2) dropped on row 0 goes first; Rock dropped past the last row goes after the
    // last listed bitmap (the shadow is not listed).
    page->OnRowDropped(page->GetRows().data[2]->item, 0);
    EXPECT_EQ((std::vector<std::string>{"Glow", "Rock", "Sand", "Shade"}), Names(c));
    EXPECT_STREQ("Glow", static_cast<BitmapRow*>(t->GetCurrentItem()->userData)->name);
    page->OnRowDropped(page->GetRows().data[1]->item, 3);
    EXPECT_EQ((std::vector<std::string>{"Glow", "Sand", "Rock", "Shade"}), Names(c));
    EXPECT_EQ(2, counter.changed);
    // A drop where it already is changes nothing.
    page->OnRowDropped(page->GetRows().data[0]->item, 0);
    EXPECT_EQ(2, counter.changed);

    // In the table, the name is edited in place.
    SelectRows(page, {0});
    FakeOsEndStep();  // the field's first step
    for (const char* p = "Flare"; *p; ++p) FakeOsChar(u8(*p), 0);
    FakeOsEndStep();
    Tap(LIBKEY_ENTER);
    FakeOsEndStep();
    page->RenameSelected();
    EXPECT_STREQ("Flare", c.bitmaps.data[0]->name);
    EXPECT_STREQ("Flare", page->GetRows().data[0]->name);
    EXPECT_EQ(page->GetRows().data[0]->item, t->GetCurrentItem());
    EXPECT_EQ(3, counter.changed);
    counter.changed = 2;

    // In the grid, rename asks with a box.
    page->ToggleView();
    Run();
    page->GetGrid()->ClearSelection();
    page->GetGrid()->Select(1);
    Choose(page, X256BitmapBrowser::kRename, {0}, {"Dune"});
    EXPECT_EQ("Enter Bitmap Name", Seen().back().title);
    EXPECT_STREQ("Dune", c.bitmaps.data[1]->name);
    EXPECT_STREQ("Dune", page->GetRows().data[1]->name);
    EXPECT_EQ(3, counter.changed);
    // Cancel keeps the name.
    page->GetGrid()->Select(1);
    Choose(page, X256BitmapBrowser::kRename, {1}, {"Other"});
    EXPECT_STREQ("Dune", c.bitmaps.data[1]->name);
    // Back in the table, the grid's selection carries over.
    page->GetGrid()->ClearSelection();
    page->GetGrid()->Select(2);
    page->ToggleView();
    Run();
    ScopedDynArray<CollectionBitmap*> selected;
    page->GetSelection(&selected);
    ASSERT_EQ(1u, selected.count);
    EXPECT_EQ(c.bitmaps.data[2], selected.data[0]);
}

TEST_F(BitmapBrowser, DragsCarryOneLargeImageOrSeveralSmallOnes)
{
    page->ToggleView();
    GridWindow* g = page->GetGrid();
    g->ClearSelection();
    EXPECT_EQ(nullptr, page->MakeDragPayload());
    g->Select(0);  // Rock, 4 x 3
    Window::DragDropData* one = page->MakeDragPayload();
    ASSERT_NE(nullptr, one);
    EXPECT_EQ(u32(kDragColorBitmap), one->typeId);
    BitmapDDData* d = static_cast<BitmapDDData*>(one);
    EXPECT_EQ(c.bitmaps.data[0], d->bitmap);
    EXPECT_EQ(96, d->width);
    EXPECT_EQ(72, d->height);
    delete one;
    g->Select(2);  // Glow, 5 x 5
    Window::DragDropData* several = page->MakeDragPayload();
    ASSERT_EQ(u32(kDragBitmapGrid), several->typeId);
    BitmapGridDDData* grid = static_cast<BitmapGridDDData*>(several);
    ASSERT_EQ(2u, grid->items.count);
    EXPECT_EQ(48, grid->items.data[0]->width);
    EXPECT_EQ(36, grid->items.data[0]->height);
    EXPECT_EQ(48, grid->items.data[1]->height);
    EXPECT_EQ(0u, grid->fromSequence);
    delete several;

    X256BitmapBrowser* shadows = Make(X256BitmapBrowser::kShadowsPage);
    shadows->ToggleView();
    shadows->GetGrid()->Select(0);
    Window::DragDropData* shadow = shadows->MakeDragPayload();
    EXPECT_EQ(u32(kDragShadowBitmap), shadow->typeId);
    delete shadow;
    shadows->Close();
}

namespace {

// While a replacement asks its question, every grid cell must still show a bitmap of the
// collection: the box redraws the page under it.
struct GridWatch {
    const Collection* collection = nullptr;
    const X256BitmapBrowser* page = nullptr;
    u32 boxes = 0, stale = 0;
};

GridWatch& Watch()
{
    static GridWatch w;
    return w;
}

int WatchingStep()
{
    GridWatch& w = Watch();
    if (w.page && mbtest::ModalMessageBox()) {
        ++w.boxes;
        const GridWindow* g = w.page->GetGrid();
        for (u32 i = 0; i < g->GetItemCount(); ++i)
            if (w.collection->IndexOfBitmap(static_cast<CollectionBitmap*>(g->items.data[i].userData)) < 0) ++w.stale;
        for (const BitmapRow* r : w.page->GetRows())
            if (w.collection->IndexOfBitmap(r->bitmap) < 0) ++w.stale;
    }
    return PageStep();
}

}  // namespace

TEST_F(BitmapBrowser, AReplacementThatAsksAQuestionLeavesNoFreedBitmapInTheGrid)
{
    page->ToggleView();
    ASSERT_EQ(page->GetGrid(), page->GetCurrentView());
    // The second file's colours are not in the table: it asks whether to replace the table.
    Rgb foreign[2] = {{200, 10, 10}, {201, 11, 12}};
    std::vector<u8> px(6, 1);
    std::string odd = Write("Odd.png", 3, 2, kImageIndexed, px.data(), foreign, 2);
    for (int answer : {1, 0}) {
        SCOPED_TRACE(answer ? "Cancel" : "Replace");
        Restart();
        page->ToggleView();
        page->ToggleView();
        ScopedDynArray<CollectionBitmap*> list;
        list.Push(c.bitmaps.data[0]);
        list.Push(c.bitmaps.data[1]);
        FileRecord first(Paletted("First.png", 2, 2).c_str()), second(odd.c_str());
        ScopedDynArray<FileRecord*> files;
        files.Push(&first);
        files.Push(&second);
        Watch() = GridWatch{&c, page, 0, 0};
        WindowSystem::SetStepHook(WatchingStep);
        Answers().push_back(answer);
        page->MatchReplacements(files, 0, list, "", X256BitmapBrowser::kReplaceColour);
        Run();
        WindowSystem::SetStepHook(PageStep);
        EXPECT_EQ(1u, Watch().boxes);
        EXPECT_EQ(0u, Watch().stale);
        Watch() = GridWatch{};
        EXPECT_STREQ("First", c.bitmaps.data[0]->name);
        EXPECT_STREQ(answer ? "Sand" : "Odd", c.bitmaps.data[1]->name);
        std::vector<std::string> rows;
        for (const BitmapRow* r : page->GetRows()) rows.push_back(r->name);
        EXPECT_EQ((std::vector<std::string>{"First", answer ? "Sand" : "Odd", "Glow"}), rows);
    }
}

TEST_F(BitmapBrowser, AShadowImageTooLargeForABitmapSaysSo)
{
    X256BitmapBrowser* shadows = Make(X256BitmapBrowser::kShadowsPage);
    std::string wide = Grey("Wide.png", 65536, 1, 9);
    std::string dark = Grey("Dark.png", 3, 2, 77);
    Answer({wide});
    Choose(shadows, X256BitmapBrowser::kAddFromFiles);
    EXPECT_EQ((std::vector<std::string>{"'Wide.png': The image is too large for a bitmap."}), Texts());
    EXPECT_EQ(4u, c.GetBitmapCount());
    // Replacing with it leaves the shadow as it was.
    Seen().clear();
    SelectRows(shadows, {0});
    Answer({wide}, 0);
    Choose(shadows, X256BitmapBrowser::kReplace);
    EXPECT_EQ((std::vector<std::string>{"'Wide.png': The image is too large for a bitmap."}), Texts());
    EXPECT_STREQ("Shade", c.bitmaps.data[2]->name);
    EXPECT_EQ(3u, c.bitmaps.data[2]->width);
    shadows->Close();
}
