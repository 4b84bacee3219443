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
        Rgb palette[3] = {{0, 0, 0}, {7, 248, 3}, {9, 246, 4}};
        std::vector<u8> px(size_t(w) * h, 1);
        px[0] = 2;
        return Write(name, w, h, kImageIndexed, px.data(), palette, 3);
    }
    std::string Grey(const char* name, u32 w, u32 h, u8 value)
    {
        std::vector<u8> px(size_t(w) * h, value);
        px[0] = 0;
        return Write(name, w, h, kImageAlpha, px.data());
    }
    static void Answer(const std::vector<std::string>& paths, s32 option0 = -1, s32 option1 = -1, int ok = 1,
                       u32 filter = 0)
    {
        static std::deque<std::string> keep;
        FakeOsDialogAnswer a;
        a.ok = ok;
        a.filterIndex = filter;
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
        c.Free();
        Fill();
        page->Refresh();
        Seen().clear();
        counter.changed = 0;
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
