// The collection pages on screen under Xvfb: a bitmap window centres its bitmap, the hue bar
// shows one hue per column with the range's markers in dark grey, and the collection editor
// shows each of its pages, its colour cells and thumbnails in the table's colours.
#include <cstdlib>
#include <filesystem>
#include <string>

#include "../gui/PixelTestSupport.h"
#include "codex/Archive.h"
#include "codex/LocalFolder.h"
#include "collection/HueEditing.h"
#include "collection/ui/BitmapDrawing.h"
#include "collection/ui/BitmapThumbnailCache.h"
#include "collection/ui/BitmapWindow.h"
#include "collection/ui/ColorBar.h"
#include "collection/ui/X256BitmapBrowser.h"
#include "collection/ui/X256ColorTableEdit.h"
#include "collection/ui/X256Edit.h"
#include "collection/ui/X256HueBrowser.h"
#include "collection/ui/X256SequenceBrowser.h"
#include "foundation/PrefStore.h"
#include "gui/GridWindow.h"
#include "gui/TabWindow.h"

using pixeltest::Shot;

namespace {

constexpr int kW = 800, kH = 600;

class CollectionPagesPixels : public pixeltest::SkinnedScreen {
protected:
    CollectionPagesPixels() : SkinnedScreen(kW, kH) {}
    void SetUp() override
    {
        SkinnedScreen::SetUp();
        if (ready) ForgetBitmapScratchTexture();
    }
};

// The same screen with a local folder, where a new collection editor keeps its tag.
class CollectionEditorPixels : public CollectionPagesPixels {
protected:
    void SetUp() override
    {
        CollectionPagesPixels::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        char pattern[] = "/tmp/tavik-x256px-XXXXXX";
        ASSERT_TRUE(mkdtemp(pattern));
        root = std::string(pattern) + "/";
        SetVornPath(root.c_str());
        ASSERT_TRUE(SetLocalFolder((root + "local").c_str()));
    }
    void TearDown() override
    {
        if (ready) {
            WindowSystem::Reset();
            CloseCodex();
        }
        CollectionPagesPixels::TearDown();
        if (!root.empty()) std::filesystem::remove_all(root);
    }
    std::string root;
};

// The centre of a grid item on the screen.
Point ItemCentre(GridWindow* grid, u32 item)
{
    Rect r = grid->ImageRect(item), content = grid->GetContentRect();
    return Point{content.left + (r.left + r.right) / 2, content.top + (r.top + r.bottom) / 2};
}

}  // namespace

TEST_F(CollectionPagesPixels, ABitmapWindowCentresItsBitmap)
{
    Collection c;
    c.colorTable.entries[5] = ColorTableEntry{250, 10, 10};
    std::vector<u8> px(40 * 20 * 2);
    for (size_t i = 0; i < px.size(); i += 2) {
        px[i] = 255;
        px[i + 1] = 5;
    }
    CollectionBitmap* b = c.AddBitmap("red", 0, px.data(), 40, 20, 2, nullptr);
    BitmapWindow* w = new BitmapWindow(&c, b);
    Rect r = w->GetContentRect();
    ASSERT_EQ(250, r.Width());
    ASSERT_EQ(250, r.Height());
    Shot s = pixeltest::RenderShot(kW, kH);
    const int left = r.left + 105, top = r.top + 115;  // (250 - 40) / 2, (250 - 20) / 2
    struct Probe {
        int x, y;
        bool red;
    } probes[] = {{left, top, true},          {left + 39, top + 19, true}, {left - 1, top, false},
                  {left + 40, top + 19, false}, {left, top - 1, false},    {left + 20, top + 20, false}};
    for (const Probe& p : probes) {
        pixeltest::Px c = s.PixelAt(p.x, p.y);
        EXPECT_EQ(p.red, c.r > 200 && c.g < 60 && c.b < 60) << p.x - r.left << "," << p.y - r.top;
    }
    w->Close();
}

TEST_F(CollectionPagesPixels, TheHueBarShowsHuesAndMarkers)
{
    HueChange h = {};
    auto exact = [](u32 degrees) { return u16((degrees * 65536 + 359) / 360); };
    h.hueStart = exact(300);
    h.medianHue = exact(20);
    h.hueEnd = exact(90);
    Window* host = new Window(WF_VISIBLE | WF_ENABLED, nullptr);
    host->SetFrameXYWH(20, 20, 400, 60);
    ColorBar* bar = new ColorBar(host, &h);
    bar->MoveTo(10, 10);
    Shot s = pixeltest::RenderShot(kW, kH);
    Rect r = bar->GetContentRect();
    ASSERT_EQ(360, r.Width());
    const int mid = r.top + 4;  // above the median's bar, below the triangles' tips
    auto px = [&](int x, int y) { return s.PixelAt(r.left + x, y); };
    // Red near 0 degrees, green near 120, blue near 240.
    EXPECT_GT(px(5, mid + 6).r, 200);
    EXPECT_LT(px(5, mid + 6).b, 100);
    EXPECT_GT(px(120, mid + 6).g, 200);
    EXPECT_LT(px(120, mid + 6).r, 60);
    EXPECT_GT(px(240, mid + 6).b, 200);
    EXPECT_LT(px(240, mid + 6).g, 60);
    // Markers: full-height dark lines at start, median and end.
    for (int x : {300, 20, 90}) {
        pixeltest::Px p = px(x, r.top + 10);
        EXPECT_LT(p.r + p.g + p.b, 100) << x;
    }
    // The wrapped range's outline runs along the top from the start to the right end and from
    // the left end to the end marker, not in between.
    auto dark = [](pixeltest::Px p) { return p.r + p.g + p.b < 100; };
    EXPECT_TRUE(dark(px(330, r.top)));
    EXPECT_TRUE(dark(px(50, r.top)));
    EXPECT_FALSE(dark(px(200, r.top)));
    EXPECT_TRUE(dark(px(50, r.bottom - 1)));
    EXPECT_FALSE(dark(px(200, r.bottom - 1)));
    host->Close();
}

TEST_F(CollectionPagesPixels, ThumbnailsShowUseAndNeverGoStale)
{
    Collection c;
    c.colorTable.entries[5] = ColorTableEntry{200, 200, 200};
    c.colorTable.entries[6] = ColorTableEntry{250, 0, 0};
    std::vector<u8> px(8 * 8 * 2);
    for (size_t i = 0; i < px.size(); i += 2) {
        px[i] = 255;
        px[i + 1] = 5;
    }
    CollectionBitmap* used = c.AddBitmap("used", 0, px.data(), 8, 8, 2, nullptr);
    c.AddBitmap("unused", 0, px.data(), 8, 8, 2, nullptr);
    c.AddSequence("s")->GetFrameView(0, 0).bitmap = used;
    X256BitmapBrowser* page = new X256BitmapBrowser(&c, WF_VISIBLE | WF_ENABLED, 0, nullptr);
    page->SetFrameXYWH(20, 20, 500, 400);
    page->ToggleView();
    GridWindow* grid = page->GetGrid();
    auto centre = [&](u32 item) {
        Rect r = grid->ImageRect(item), content = grid->GetContentRect();
        return Point{content.left + (r.left + r.right) / 2, content.top + (r.top + r.bottom) / 2};
    };
    Point a = centre(0), b = centre(1);
    Shot s = pixeltest::RenderShot(kW, kH);
    pixeltest::Px p = s.PixelAt(a.x, a.y), q = s.PixelAt(b.x, b.y);
    // White modulation keeps the colour; grey (0xC0) darkens it to three quarters.
    EXPECT_NEAR(200, p.r, 3);
    EXPECT_NEAR(150, q.r, 3);
    EXPECT_NEAR(q.r, q.b, 3);

    // A pixel edit, a colour-table edit and a hue change each show at the next frame.
    for (size_t i = 1; i < 8 * 8 * 2; i += 2) used->pixels[i] = 6;
    grid->Invalidate(1);
    s = pixeltest::RenderShot(kW, kH);
    p = s.PixelAt(a.x, a.y);
    EXPECT_GT(p.r, 230);
    EXPECT_LT(p.g, 20);
    c.colorTable.entries[6] = ColorTableEntry{0, 250, 0};
    grid->Invalidate(1);
    s = pixeltest::RenderShot(kW, kH);
    p = s.PixelAt(a.x, a.y);
    EXPECT_GT(p.g, 230);
    EXPECT_LT(p.r, 20);
    HueChange* h = c.AddHueChange("blue");
    h->hueStart = 0;
    h->hueEnd = 0xFFFF;
    h->medianHue = 0x5555;
    h->replacementBlue = 0xFF00;
    h->replacementMode = 1;
    grid->Invalidate(1);
    s = pixeltest::RenderShot(kW, kH);
    p = s.PixelAt(a.x, a.y);
    EXPECT_GT(p.b, 200);
    EXPECT_LT(p.g, 60);
    page->Close();
}

// A colour-table edit uploads again only the thumbnails whose pixels use the edited colour; the
// others keep their textures and still show their own colours.
TEST_F(CollectionPagesPixels, AColourEditUploadsOnlyTheThumbnailsThatUseTheColour)
{
    Collection c;
    c.colorTable.entries[5] = ColorTableEntry{200, 200, 200};
    c.colorTable.entries[6] = ColorTableEntry{250, 0, 0};
    std::vector<u8> px(8 * 8 * 2);
    auto fill = [&](u8 index) {
        for (size_t i = 0; i < px.size(); i += 2) {
            px[i] = 255;
            px[i + 1] = index;
        }
    };
    fill(5);
    c.AddBitmap("grey", 0, px.data(), 8, 8, 2, nullptr);
    fill(6);
    c.AddBitmap("red", 0, px.data(), 8, 8, 2, nullptr);
    X256BitmapBrowser* page = new X256BitmapBrowser(&c, WF_VISIBLE | WF_ENABLED, 0, nullptr);
    page->SetFrameXYWH(20, 20, 500, 400);
    page->ToggleView();
    GridWindow* grid = page->GetGrid();
    auto centre = [&](u32 item) {
        Rect r = grid->ImageRect(item), content = grid->GetContentRect();
        return Point{content.left + (r.left + r.right) / 2, content.top + (r.top + r.bottom) / 2};
    };
    Shot s = pixeltest::RenderShot(kW, kH);
    const u64 first = page->GetThumbnails()->GetUploadCount();
    EXPECT_EQ(2u, first);

    // Entry 7 is in neither bitmap: nothing uploads.
    c.colorTable.entries[7] = ColorTableEntry{0, 0, 250};
    grid->Invalidate(1);
    s = pixeltest::RenderShot(kW, kH);
    EXPECT_EQ(first, page->GetThumbnails()->GetUploadCount());

    // Entry 6 is the red bitmap's: only it uploads, and shows the new colour beside the grey.
    c.colorTable.entries[6] = ColorTableEntry{0, 250, 0};
    grid->Invalidate(1);
    s = pixeltest::RenderShot(kW, kH);
    EXPECT_EQ(first + 1, page->GetThumbnails()->GetUploadCount());
    pixeltest::Px grey = s.PixelAt(centre(0).x, centre(0).y), green = s.PixelAt(centre(1).x, centre(1).y);
    EXPECT_NEAR(150, grey.r, 3);
    EXPECT_NEAR(grey.r, grey.g, 3);
    EXPECT_LT(green.r, 20);
    EXPECT_GT(green.g, 150);
    page->Close();
}

TEST_F(CollectionEditorPixels, TheEditorShowsEachPageItsColourCellsAndThumbnailsInTheTablesColours)
{
    X256Edit* ed = new X256Edit(nullptr);
    ASSERT_TRUE(ed->Create(FourCC(".256"), "Probe"));
    ed->Show();
    Collection* c = ed->GetCollection();
    c->colorTable.entries[5] = ColorTableEntry{250, 10, 10};
    c->colorTable.entries[6] = ColorTableEntry{10, 10, 250};
    std::vector<u8> px(16 * 16 * 2);
    for (size_t i = 0; i < px.size(); i += 2) {
        px[i] = 255;
        px[i + 1] = 5;
    }
    CollectionBitmap* red = c->AddBitmap("red", 0, px.data(), 16, 16, 2, nullptr);
    c->AddSequence("s")->GetFrameView(0, 0).bitmap = red;
    c->AddHueChange("Moss");
    X256BitmapBrowser* bitmaps = ed->GetBitmapsPage();
    bitmaps->Refresh();
    ed->GetSequencesPage()->Refresh();
    ed->GetHueChangesPage()->Refresh();
    bitmaps->ToggleView();
    ASSERT_EQ(bitmaps->GetGrid(), bitmaps->GetCurrentView());
    TabWindow* tabs = ed->GetTabs();

    // Each tab shows its own page: no two pages draw the same picture.
    Rect page = bitmaps->GetContentRect();
    ASSERT_GT(page.Width(), 300);
    std::vector<Shot> shots;
    for (u32 i = 0; i < tabs->GetTabCount(); ++i) {
        tabs->SelectTab(i);
        shots.push_back(Render());
        EXPECT_TRUE(tabs->GetPage(i)->IsVisible()) << i;
    }
    for (u32 i = 0; i < shots.size(); ++i)
        for (u32 j = i + 1; j < shots.size(); ++j)
            EXPECT_GT(shots[i].Diff(shots[j], page), 0) << tabs->GetPage(i)->GetTitle() << " and "
                                                                     << tabs->GetPage(j)->GetTitle();

    // "Bitmaps": the used bitmap's thumbnail in entry 5.
    Point thumb = ItemCentre(bitmaps->GetGrid(), 0);
    pixeltest::Px p = shots[0].PixelAt(thumb.x, thumb.y);
    EXPECT_GT(p.r, 230);
    EXPECT_LT(p.b, 30);

    // "Color Table": 22 x 22 cells side by side from the grid's corner, each filled inside the
    // grid's thin cell border.
    tabs->SelectTab(4);
    GridWindow* cells = ed->GetColorTablePage()->GetGrid();
    Rect content = cells->GetContentRect(), five = cells->ImageRect(5), six = cells->ImageRect(6);
    EXPECT_EQ(0, cells->ImageRect(0).left);
    EXPECT_EQ(0, cells->ImageRect(0).top);
    ASSERT_EQ(22, five.Width());
    ASSERT_EQ(22, five.Height());
    ASSERT_EQ(five.right, six.left);
    const Shot& table = shots[4];
    auto at = [&](s32 x, s32 y) { return table.PixelAt(content.left + x, content.top + y); };
    const pixeltest::Px kRed = {250, 10, 10}, kBlue = {10, 10, 250};
    for (s32 inset : {2, 11, 19}) {
        EXPECT_EQ(kRed, at(five.left + inset, five.top + inset)) << inset;
        EXPECT_EQ(kBlue, at(six.left + inset, six.top + inset)) << inset;
    }
    EXPECT_NE(kRed, at(five.left - 3, five.top + 11));

    // A colour edit (what an accepted colour dialog stores) shows on the Bitmaps page and in an
    // open bitmap window drawn over the Color Table page.
    bitmaps->OpenBitmapWindow(red);
    c->colorTable.entries[5] = ColorTableEntry{10, 240, 10};
    ed->GetColorTablePage()->changed.Emit();
    Shot over = Render();
    BitmapWindow* w = bitmaps->FindBitmapWindow(red);
    ASSERT_TRUE(w);
    Rect wr = w->GetContentRect();
    p = over.PixelAt((wr.left + wr.right) / 2, (wr.top + wr.bottom) / 2);
    EXPECT_GT(p.g, 220);
    EXPECT_LT(p.r, 30);
    w->Close();
    tabs->SelectTab(0);
    p = Render().PixelAt(thumb.x, thumb.y);
    EXPECT_GT(p.g, 220);
    EXPECT_LT(p.r, 30);
    EXPECT_TRUE(ed->IsModified());
}
