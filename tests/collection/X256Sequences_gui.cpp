// The sequence browser, sequence editor and frame editor through the fake backend: the list's
// commands and refusals, the editor's fields, grid, drops, imports and exports, and the frame
// editor's keys, drags, title and playing clock.
#include <sys/stat.h>

#include <deque>
#include <string>
#include <vector>

#include "../common/TempFolder.h"
#include "BoxScript.h"
#include "collection/ui/BitmapDragData.h"
#include "collection/ui/X256SequenceBrowser.h"
#include "collection/ui/X256SequenceEdit.h"
#include "collection/ui/X256SequenceFrameEdit.h"
#include "collection/ui/X256SequenceFrameView.h"
#include "gui/Button.h"
#include "gui/ComboBox.h"
#include "gui/GridWindow.h"
#include "platform/FileDialogs.h"
#include "platform/OsFake.h"
#include "platform/OsKeys.h"

using boxscript::Answers;
using boxscript::Seen;

namespace {

struct Counter : SignalListener {
    int changed = 0, windows = 0, bitmaps = 0;
    void OnChanged() { ++changed; }
    void OnWindows() { ++windows; }
    void OnBitmaps() { ++bitmaps; }
};

std::vector<u8> Solid(u32 w, u32 h, u8 index)
{
    std::vector<u8> px(size_t(w) * h * 2);
    for (size_t i = 0; i < px.size(); i += 2) {
        px[i] = 255;
        px[i + 1] = index;
    }
    return px;
}

std::string Degrees(u32 d) { return std::to_string(d) + char(161); }

// A user's choice in a selector: the item selected and the selector's signal.
void Choose(ComboBox* box, u32 data)
{
    box->SelectByData(data);
    box->selectionChanged.Emit(nullptr, data);
}

class Sequences : public boxscript::BoxFixture {
protected:
    void SetUp() override
    {
        BoxFixture::SetUp();
        for (u32 i = 0; i < 256; ++i) c.colorTable.entries[i] = ColorTableEntry{u8(i), u8(255 - i), u8(i / 2)};
        for (u32 i = 0; i < 8; ++i) {
            std::vector<u8> px = Solid(4 + i, 3, u8(10 + i));
            colour.push_back(c.AddBitmap(("b" + std::to_string(i)).c_str(), 0, px.data(), 4 + i, 3, 2, nullptr));
        }
        for (u32 i = 0; i < 4; ++i) {
            std::vector<u8> px = Solid(2, 2, 40);
            shadow.push_back(c.AddBitmap(("s" + std::to_string(i)).c_str(), kBitmapShadow, px.data(), 2, 2, 2, nullptr));
        }
        roll = c.AddSequence("Roll");
        roll->Resize(2, 5);
        for (u32 f = 0; f < 5; ++f)
            for (u32 v = 0; v < 2; ++v) {
                FrameView& fv = roll->GetFrameView(f, v);
                fv.bitmap = colour[(f * 2 + v) % 8];
                fv.registrationX = s16(10 * f + v);
                fv.registrationY = 2;
            }
        walk = c.AddSequence("Walk");
        walk->Resize(8, 1);
        walk->SetFlags(walk->GetFlags() | kSequenceMirroring);
        browser = new X256SequenceBrowser(&c, WF_VISIBLE | WF_ENABLED, nullptr);
        browser->SetFrameXYWH(10, 10, 300, 200);
        browser->changed.Connect<&Counter::OnChanged>(&counter);
        browser->openWindowsChanged.Connect<&Counter::OnWindows>(&counter);
        browser->bitmapsChanged.Connect<&Counter::OnBitmaps>(&counter);
        Run();
    }
    void SelectRow(int row)
    {
        browser->SelectItem(nullptr, 0);
        browser->SelectItem(browser->ItemAtRow(u32(row)), 1);
    }
    X256SequenceEdit* OpenEdit(Sequence* s)
    {
        browser->OpenSequenceEdit(browser->FindItemByUserData(s, nullptr));
        Run();
        return browser->FindSequenceEdit(s);
    }
    X256SequenceFrameEdit* OpenFrame(Sequence* s, u32 view, u32 frame)
    {
        browser->OpenFrameEdit(s, view, frame);
        Run();
        X256SequenceFrameEdit* e = browser->GetFrameEdits().data[browser->GetOpenFrameEditCount() - 1];
        Window::SetFocus(e->GetFrameView(), FOCUS_PROGRAM);
        return e;
    }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> out;
        for (const Sequence* s : c.sequences) out.push_back(s->name);
        return out;
    }
    std::vector<std::string> Titles(X256SequenceEdit* e) const
    {
        std::vector<std::string> out;
        GridWindow* g = e->GetGrid();
        for (u32 i = 0; i < g->GetColumnCount(); ++i) out.push_back(g->titles.data[i].c_str());
        return out;
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
    std::string Paletted(const char* name, u32 w, u32 h)
    {
        Rgb palette[2] = {{7, 248, 3}, {9, 246, 4}};
        std::vector<u8> px(size_t(w) * h, 1);
        return Write(name, w, h, kImageIndexed, px.data(), palette, 2);
    }
    static void Answer(const std::vector<std::string>& paths)
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
        FakeOsQueueDialogAnswer(a);
    }

    Collection c;
    std::vector<CollectionBitmap*> colour, shadow;
    Sequence* roll = nullptr;
    Sequence* walk = nullptr;
    X256SequenceBrowser* browser = nullptr;
    Counter counter;
    TempFolder dir;
};

}  // namespace

// ---- the browser ----

TEST_F(Sequences, DuplicateIsPlacedAfterItsSourceWithItsOwnCellsAndSharedBitmaps)
{
    SelectRow(0);
    browser->RunCommand(X256SequenceBrowser::kDuplicate);
    Run();
    EXPECT_EQ(Names(), (std::vector<std::string>{"Roll", "Roll copy", "Walk"}));
    EXPECT_EQ(counter.changed, 1);
    Sequence* copy = c.GetSequence(1);
    EXPECT_EQ(c.GetBitmapCount(), 12u);
    EXPECT_EQ(copy->GetBitmap(3, 1), roll->GetBitmap(3, 1));
    copy->GetFrameView(3, 1).registrationX = 999;
    copy->GetFrameView(3, 1).bitmap = nullptr;
    EXPECT_EQ(roll->GetFrameView(3, 1).registrationX, 31);
    EXPECT_EQ(roll->GetBitmap(3, 1), colour[7]);
    EXPECT_EQ(browser->GetCurrentItem()->userData, copy);
}

TEST_F(Sequences, DeleteIsRefusedWhileAnEditorShowsTheSequenceThenAsks)
{
    for (int which = 0; which < 2; ++which) {
        SCOPED_TRACE(which == 0 ? "sequence editor" : "frame editor");
        Window* editor = which == 0 ? static_cast<Window*>(OpenEdit(roll)) : static_cast<Window*>(OpenFrame(roll, 0, 0));
        ASSERT_NE(editor, nullptr);
        Seen().clear();
        SelectRow(0);
        browser->DeleteSelected();
        Run();
        ASSERT_EQ(Seen().size(), 1u);
        EXPECT_EQ(Seen()[0].title, "Error");
        EXPECT_EQ(Seen()[0].text, "The sequence \"Roll\" is currently open. Please close it before deleting.");
        EXPECT_EQ(c.GetSequenceCount(), 2u);
        editor->Close();
        Run();
    }
    EXPECT_EQ(browser->GetOpenEditCount() + browser->GetOpenFrameEditCount(), 0u);
    Seen().clear();
    Answers().push_back(1);  // Cancel
    SelectRow(0);
    browser->DeleteSelected();
    Run();
    EXPECT_EQ(c.GetSequenceCount(), 2u);
    Answers().push_back(0);  // Delete
    browser->SelectItem(browser->ItemAtRow(1), 1);
    browser->DeleteSelected();
    Run();
    ASSERT_EQ(Seen().size(), 2u);
    EXPECT_EQ(Seen()[0].title, "Confirm Delete");
    EXPECT_EQ(Seen()[0].text, "Are you sure you want to remove the selected sequence?");
    EXPECT_EQ(Seen()[1].text, "Are you sure you want to remove the selected sequences?");
    EXPECT_EQ(Seen()[1].labels, (std::vector<std::string>{"Delete", "Cancel"}));
    EXPECT_EQ(c.GetSequenceCount(), 0u);
}

TEST_F(Sequences, FramesAndViewsAreLockedWhileAFrameEditorShowsTheSequence)
{
    X256SequenceEdit* e = OpenEdit(roll);
    ASSERT_NE(e, nullptr);
    EXPECT_TRUE(e->AreSizeFieldsEnabled());
    X256SequenceFrameEdit* f = OpenFrame(roll, 1, 2);
    EXPECT_FALSE(e->AreSizeFieldsEnabled());
    browser->OpenFrameEdit(roll, 1, 2);  // the same one: brought to the front
    Run();
    EXPECT_EQ(browser->GetOpenFrameEditCount(), 1u);
    f->SwitchSequence(walk);
    Run();
    EXPECT_TRUE(e->AreSizeFieldsEnabled());
    EXPECT_EQ(f->GetSequence(), walk);
    EXPECT_EQ(f->GetFrame(), 0u) << "lowered to the new sequence's last frame";
    f->SwitchSequence(roll);
    EXPECT_FALSE(e->AreSizeFieldsEnabled());
    f->Close();
    Run();
    EXPECT_TRUE(e->AreSizeFieldsEnabled());
    OpenEdit(roll);
    EXPECT_EQ(browser->GetOpenEditCount(), 1u) << "activating an open sequence brings its editor forward";
}

// ---- the sequence editor ----

TEST_F(Sequences, ViewColumnsFollowMirroring)
{
    X256SequenceEdit* e = OpenEdit(walk);
    EXPECT_EQ(Titles(e), (std::vector<std::string>{"Shadow", Degrees(0), Degrees(45), Degrees(90), Degrees(135),
                                                   Degrees(180)}));
    e->useMirroring->SetState(0, 0);
    Run();
    EXPECT_EQ(walk->GetFlags() & kSequenceMirroring, 0u);
    EXPECT_EQ(Titles(e).size(), 9u);
    EXPECT_EQ(Titles(e)[8], Degrees(315));
    EXPECT_EQ(e->GetGrid()->GetItemCount(), 9u);
}

TEST_F(Sequences, FieldsStoreWhatIsTyped)
{
    roll->mode = 3;  // not offered: shows "None"
    X256SequenceEdit* e = OpenEdit(roll);
    EXPECT_EQ(e->modeSelector->GetSelectedData(), 0u);
    counter.changed = 0;

    e->framesField->SetText("0");
    e->ApplyFrames();
    EXPECT_EQ(roll->GetFrameCount(), 1u);
    EXPECT_EQ(Text(e->framesField), "1");
    EXPECT_EQ(e->GetGrid()->GetItemCount(), 3u);

    struct Case { const char* typed; u32 expect; } sounds[] = {{"ab", 0x61622020u}, {"wxyz", 0x7778797Au}, {"", 0xFFFFFFFFu}};
    for (const Case& k : sounds) {
        e->firstSoundField->SetText(k.typed);
        EXPECT_EQ(roll->firstSound, k.expect) << k.typed;
    }
    e->ticksField->SetText("70000");
    EXPECT_EQ(roll->ticksPerFrame, u16(70000));
    Choose(e->modeSelector, 6);
    EXPECT_EQ(roll->mode, 6);
    EXPECT_GE(counter.changed, 6);

    // A size the collection cannot store is refused and the field shows the count again.
    e->viewsField->SetText("70000");
    e->ApplyViews();
    Run();
    EXPECT_EQ(roll->GetViewCount(), 2u);
    EXPECT_EQ(Text(e->viewsField), "2");
    ASSERT_EQ(Seen().size(), 1u);
}

TEST_F(Sequences, DropsArePlacedOrRefusedWhole)
{
    X256SequenceEdit* e = OpenEdit(roll);  // 2 views x 5 frames: columns 0..2
    auto one = [&](u32 kind, CollectionBitmap* b) { return new BitmapDDData(kind, &c, b, nullptr, nullptr); };
    auto page = [&](u32 kind, const std::vector<CollectionBitmap*>& list) {
        BitmapGridDDData* g = new BitmapGridDDData(kDragBitmapGrid, &c, 0);
        for (CollectionBitmap* b : list) {
            g->items.Push(new BitmapDDData(kind, &c, b, nullptr, nullptr));
            g->cells.Push(BitmapGridCell{0, 0});
        }
        return g;
    };
    auto item = [](u32 row, u32 column) { return s32(row * 3 + column); };
    struct Case {
        const char* what;
        Window::DragDropData* payload;
        s32 target;
        std::vector<std::pair<u32, u32>> cells;  // (frame, column) that get the payload's bitmaps
    } cases[] = {
        {"a colour bitmap on a view", one(kDragColorBitmap, colour[5]), item(1, 2), {{1, 2}}},
        {"a shadow on the shadow column", one(kDragShadowBitmap, shadow[1]), item(4, 0), {{4, 0}}},
        {"a shadow on a view", one(kDragShadowBitmap, shadow[1]), item(1, 1), {}},
        {"a colour bitmap on the shadow column", one(kDragColorBitmap, colour[1]), item(1, 0), {}},
        {"three colour bitmaps on frame 2 view 0", page(kDragColorBitmap, {colour[5], colour[6], colour[7]}),
         item(2, 1), {{2, 1}, {2, 2}, {3, 1}}},
        {"four shadows on row 3 of 5", page(kDragShadowBitmap, {shadow[0], shadow[1], shadow[2], shadow[3]}),
         item(3, 0), {}},
        {"colour bitmaps past the last frame", page(kDragColorBitmap, {colour[5], colour[6], colour[7]}),
         item(4, 2), {}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        std::vector<CollectionBitmap*> before;
        for (u32 f = 0; f < 5; ++f) {
            before.push_back(roll->GetFrame(f).shadowBitmap);
            for (u32 v = 0; v < 2; ++v) before.push_back(roll->GetBitmap(f, v));
        }
        EXPECT_EQ(e->OnDrop(k.payload, true, k.target), k.cells.empty() ? 0 : 1);
        EXPECT_EQ(e->OnDrop(k.payload, false, k.target), k.cells.empty() ? 0 : 1);
        std::vector<CollectionBitmap*> expect = before;
        std::vector<CollectionBitmap*> dropped;
        if (k.payload->typeId == kDragBitmapGrid) {
            for (BitmapDDData* d : static_cast<BitmapGridDDData*>(k.payload)->items) dropped.push_back(d->bitmap);
        } else {
            dropped.push_back(static_cast<BitmapDDData*>(k.payload)->bitmap);
        }
        for (size_t i = 0; i < k.cells.size(); ++i) expect[k.cells[i].first * 3 + k.cells[i].second] = dropped[i];
        std::vector<CollectionBitmap*> after;
        for (u32 f = 0; f < 5; ++f) {
            after.push_back(roll->GetFrame(f).shadowBitmap);
            for (u32 v = 0; v < 2; ++v) after.push_back(roll->GetBitmap(f, v));
        }
        EXPECT_EQ(after, expect);
        delete k.payload;
    }
    EXPECT_EQ(roll->GetFrame(4).shadow.bitmapIndex, u16(c.IndexOfBitmap(shadow[1])));
    EXPECT_STREQ(e->GetGrid()->items.data[item(1, 2)].caption, "b5");
}

TEST_F(Sequences, CellsDraggedWithinTheGridKeepTheirPlacementAndPoints)
{
    X256SequenceEdit* e = OpenEdit(roll);
    GridWindow* g = e->GetGrid();
    // Frame 0 views 0 and 1 (items 1, 2), dragged from item 1 and dropped on frame 1 view 0.
    g->Select(1);
    g->Select(2);
    Window::DragDropData* payload = e->MakeDragPayload(1);
    ASSERT_NE(payload, nullptr);
    ASSERT_EQ(payload->typeId, u32(kDragBitmapGrid));
    EXPECT_EQ(e->OnDrop(payload, false, 4), 1);
    EXPECT_EQ(roll->GetBitmap(1, 0), colour[0]);
    EXPECT_EQ(roll->GetBitmap(1, 1), colour[1]);
    EXPECT_EQ(roll->GetFrameView(1, 1).registrationX, 1);
    // The same pair dropped on view 1 would put its second cell past the last view.
    CollectionBitmap* kept = roll->GetBitmap(2, 1);
    EXPECT_EQ(e->OnDrop(payload, false, 2 * 3 + 2), 0);
    EXPECT_EQ(roll->GetBitmap(2, 1), kept);
    delete payload;

    // Delete clears the selected cells.
    g->ClearSelection();
    g->Select(4);
    g->Select(3);
    e->ClearSelectedCells();
    EXPECT_EQ(roll->GetBitmap(1, 0), nullptr);
    EXPECT_EQ(roll->GetFrameView(1, 0).bitmapIndex, kNoIndex);
    EXPECT_STREQ(g->items.data[4].caption, "<no bitmap>");
}

TEST_F(Sequences, ImportsCheckTheFileCountAndTheAssignments)
{
    roll->Resize(4, 2);  // 8 cells
    roll->GetFrameView(1, 3).bitmap = nullptr;
    X256SequenceEdit* e = OpenEdit(roll);
    std::vector<std::string> files;
    for (int i = 0; i < 8; ++i) files.push_back(Paletted(("f" + std::to_string(i) + ".png").c_str(), 3, 2));
    Answer(std::vector<std::string>(files.begin(), files.begin() + 7));
    e->RunCommand(X256SequenceEdit::kImportViewsFirst);
    Run();
    ASSERT_EQ(Seen().size(), 1u);
    EXPECT_EQ(Seen()[0].title, "Error");
    EXPECT_EQ(Seen()[0].text, "7 bitmaps were seleced, expected 8");

    Seen().clear();
    e->RunCommand(X256SequenceEdit::kImportAlphasViewsFirst);
    Run();
    ASSERT_EQ(Seen().size(), 1u);
    EXPECT_EQ(Seen()[0].text, "In order to replace alphas, every bitmap must be assigned.");

    // Seven files fit the dialog's answer: import with frames first into a 4 x 2 sequence
    // made of 7 + 1 cells is refused, so shrink to 7 views x 1 frame.
    Seen().clear();
    roll->Resize(7, 1);
    e->Refresh();
    u32 before = c.GetBitmapCount();
    Answer(std::vector<std::string>(files.begin(), files.begin() + 7));
    e->RunCommand(X256SequenceEdit::kImportFramesFirst);
    Run();
    EXPECT_TRUE(Seen().empty());
    ASSERT_EQ(c.GetBitmapCount(), before + 7);
    for (u32 v = 0; v < 7; ++v) {
        EXPECT_EQ(roll->GetBitmap(0, v), c.GetBitmap(before + v)) << v;
        EXPECT_EQ(roll->GetFrameView(0, v).bitmapIndex, before + v) << v;
    }
    EXPECT_EQ(counter.bitmaps, 1);
}

TEST_F(Sequences, ExportsAreNamedByFrameAndView)
{
    X256SequenceEdit* e = OpenEdit(roll);
    roll->GetFrameView(0, 1).bitmap = nullptr;
    Answer({dir.path});
    e->RunCommand(X256SequenceEdit::kExportBitmaps);
    Run();
    struct stat st;
    EXPECT_EQ(stat((dir / "Frame #00, view #00.bmp").c_str(), &st), 0);
    EXPECT_NE(stat((dir / "Frame #00, view #01.bmp").c_str(), &st), 0) << "a view without a bitmap writes nothing";
    EXPECT_EQ(stat((dir / "Frame #04, view #01.bmp").c_str(), &st), 0);
    Answer({dir.path});
    e->RunCommand(X256SequenceEdit::kExportAlphas);
    Run();
    EXPECT_EQ(stat((dir / "Frame #02, view #01 alpha.bmp").c_str(), &st), 0);
}

TEST_F(Sequences, APlateMadeFromTheSequenceComesBackIntoItsCells)
{
    X256SequenceEdit* e = OpenEdit(roll);
    std::string plate = dir / "Roll plate.png";
    Answer({plate});
    e->RunCommand(X256SequenceEdit::kExportPlate);
    Run();
    ASSERT_TRUE(Seen().empty()) << Seen()[0].text;
    u32 before = c.GetBitmapCount();
    Answer({plate});
    e->RunCommand(X256SequenceEdit::kImportPlate);
    Run();
    ASSERT_TRUE(Seen().empty()) << Seen()[0].text;
    ASSERT_EQ(c.GetBitmapCount(), before + 10);
    for (u32 f = 0; f < 5; ++f)
        for (u32 v = 0; v < 2; ++v) {
            CollectionBitmap* now = roll->GetBitmap(f, v);
            EXPECT_EQ(now, c.GetBitmap(before + f * 2 + v)) << f << "." << v;
            CollectionBitmap* was = colour[(f * 2 + v) % 8];
            ASSERT_NE(now, nullptr);
            EXPECT_EQ(now->width, was->width);
            EXPECT_EQ(now->pixels[1], was->pixels[1]);
        }
    // A plate of another cell count is refused and leaves the cells alone.
    roll->Resize(3, 5);
    e->Refresh();
    CollectionBitmap* kept = roll->GetBitmap(0, 0);
    Answer({plate});
    e->RunCommand(X256SequenceEdit::kImportPlate);
    Run();
    ASSERT_EQ(Seen().size(), 1u);
    EXPECT_EQ(Seen()[0].text, "Invalid number of images in plate. It must contain exactly 15 images.");
    EXPECT_EQ(roll->GetBitmap(0, 0), kept);
}

// ---- the frame editor ----

TEST_F(Sequences, ArrowKeysStepThroughFramesAndViewsWrapping)
{
    X256SequenceFrameEdit* f = OpenFrame(roll, 0, 0);
    EXPECT_EQ(std::string(f->GetTitle()), "Roll (Frame 0 @ " + Degrees(0) + ")");
    Tap(LIBKEY_UP);
    Run();
    EXPECT_EQ(f->GetFrame(), 4u);
    Tap(LIBKEY_DOWN);
    Run();
    EXPECT_EQ(f->GetFrame(), 0u);
    Tap(LIBKEY_RIGHT);
    Run();
    EXPECT_EQ(f->GetView(), 1u);
    EXPECT_EQ(std::string(f->GetTitle()), "Roll (Frame 0 @ " + Degrees(180) + ")");
    Tap(LIBKEY_RIGHT);
    Run();
    EXPECT_EQ(f->GetView(), 0u);
    EXPECT_EQ(f->GetPreviousStep().view, 1u);
}

TEST_F(Sequences, ShiftArrowsMoveTheBitmapAgainstItsRegistrationPoint)
{
    X256SequenceFrameEdit* f = OpenFrame(roll, 1, 2);
    X256SequenceFrameView* v = f->GetFrameView();
    FrameGeometry g0 = v->GetGeometry();
    ASSERT_TRUE(g0.hasBitmap);
    Key(LIBKEY_LEFT_SHIFT);
    Tap(LIBKEY_LEFT);
    Key(LIBKEY_LEFT_SHIFT, LIBACTION_RELEASE);
    Run();
    FrameGeometry g1 = v->GetGeometry();
    EXPECT_EQ(roll->GetFrameView(2, 1).registrationX, 22);
    EXPECT_EQ(g1.regX, g0.regX) << "the registration point stays on screen";
    EXPECT_EQ(g1.originX, g0.originX - 1) << "the bitmap moves left";
    EXPECT_EQ(roll->GetFrameView(2, 0).registrationX, 20);
    EXPECT_EQ(roll->GetFrameView(1, 1).registrationX, 11);

    Key(LIBKEY_LEFT_SHIFT);
    Key(LIBKEY_LEFT_ALT);
    Tap(LIBKEY_LEFT);
    Key(LIBKEY_LEFT_ALT, LIBACTION_RELEASE);
    Key(LIBKEY_LEFT_SHIFT, LIBACTION_RELEASE);
    Run();
    EXPECT_EQ(roll->GetFrameView(2, 1).registrationX, 23);
    EXPECT_EQ(roll->GetFrameView(2, 0).registrationX, 21) << "Shift+Alt moves every view of the frame";
    EXPECT_EQ(roll->GetFrameView(1, 1).registrationX, 11);

    // At 200% one step moves the bitmap two screen pixels.
    Choose(f->zoomSelector, 200);
    Run();
    g0 = v->GetGeometry();
    Key(LIBKEY_LEFT_SHIFT);
    Tap(LIBKEY_RIGHT);
    Key(LIBKEY_LEFT_SHIFT, LIBACTION_RELEASE);
    Run();
    EXPECT_EQ(v->GetGeometry().originX, g0.originX + 2);

    roll->GetFrameView(2, 1).registrationX = 32767;
    Key(LIBKEY_LEFT_SHIFT);
    Tap(LIBKEY_LEFT);
    Key(LIBKEY_LEFT_SHIFT, LIBACTION_RELEASE);
    Run();
    EXPECT_EQ(roll->GetFrameView(2, 1).registrationX, 32767);
    EXPECT_GE(counter.changed, 4);
}

TEST_F(Sequences, BoxEdgesDraggedAcrossEachOtherSwapRoles)
{
    roll->selectionHalfWidth = 4 * 65536;
    X256SequenceFrameEdit* f = OpenFrame(roll, 0, 0);
    X256SequenceFrameView* v = f->GetFrameView();
    FrameGeometry g = v->GetGeometry();
    Rect content = v->GetContentRect();
    s32 y = content.top + (g.boxTop + g.boxBottom) / 2;
    MoveTo(content.left + g.boxLeft, y);
    Press();
    Run();
    EXPECT_EQ(v->GetDragMode(), u32(kDragLeftEdge));
    MoveTo(content.left + g.boxLeft + 20, y);
    Run();
    EXPECT_EQ(v->GetDragMode(), u32(kDragRightEdge));
    EXPECT_EQ(roll->selectionHalfWidth, 6 * 65536);
    Release();
    Run();
    EXPECT_EQ(v->GetDragMode(), u32(kDragNone));
}

TEST_F(Sequences, BoxEdgesFollowThePointerOnAHighResView)
{
    // Frame 0, view 0 also has a bitmap of twice the pixels (scale 5.0), shown now: the box,
    // kept in standard pixels, is drawn twice as large, and its edges must still follow the
    // pointer as they do on a standard view.
    roll->selectionHalfWidth = 4 * 65536;
    roll->selectionTop = 6 * 65536;
    roll->selectionBottom = 0;
    roll->GetFrameView(0, 0).SetHighResAssignment(colour[7], kStandardScale / 2, 20, 4);
    c.ShowHighResAssignments(true);
    ASSERT_EQ(roll->GetFrameView(0, 0).activeScale, kStandardScale / 2);
    X256SequenceFrameEdit* f = OpenFrame(roll, 0, 0);
    X256SequenceFrameView* v = f->GetFrameView();
    Rect content = v->GetContentRect();
    struct Case { u32 mode; s32 dx, dy; s32 halfWidth, top, bottom; } cases[] = {
        {kDragLeftEdge, -10, 0, 6 * 65536 + 32768, 6 * 65536, 0},
        {kDragRightEdge, 6, 0, 8 * 65536, 6 * 65536, 0},
        {kDragTopEdge, 0, -8, 8 * 65536, 10 * 65536, 0},
        {kDragBottomEdge, 0, 4, 8 * 65536, 10 * 65536, -2 * 65536},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.mode);
        FrameGeometry g = v->GetGeometry();
        Point at = k.mode == kDragLeftEdge    ? Point{g.boxLeft, (g.boxTop + g.boxBottom) / 2}
                   : k.mode == kDragRightEdge ? Point{g.boxRight, (g.boxTop + g.boxBottom) / 2}
                   : k.mode == kDragTopEdge   ? Point{(g.boxLeft + g.boxRight) / 2, g.boxTop}
                                              : Point{(g.boxLeft + g.boxRight) / 2, g.boxBottom};
        MoveTo(content.left + at.x, content.top + at.y);
        Press();
        Run();
        ASSERT_EQ(v->GetDragMode(), k.mode);
        MoveTo(content.left + at.x + k.dx, content.top + at.y + k.dy);
        Run();
        Release();
        Run();
        EXPECT_EQ(roll->selectionHalfWidth, k.halfWidth);
        EXPECT_EQ(roll->selectionTop, k.top);
        EXPECT_EQ(roll->selectionBottom, k.bottom);
        FrameGeometry after = v->GetGeometry();
        s32 edge = k.mode == kDragLeftEdge    ? after.boxLeft - g.boxLeft
                   : k.mode == kDragRightEdge ? after.boxRight - g.boxRight
                   : k.mode == kDragTopEdge   ? after.boxTop - g.boxTop
                                              : after.boxBottom - g.boxBottom;
        // As on a standard view, the box stays centred on the registration point: a side
        // edge moves half the pointer's way (the other side the other half), top and bottom
        // all of it.
        EXPECT_NEAR(edge, k.dx / 2 + k.dy, 1) << "the edge follows the pointer at the view's scale";
    }
}

TEST_F(Sequences, PlayingStepsByTicksPerFrame)
{
    struct Case { u16 ticks; std::vector<u32> frames; } cases[] = {
        {2, {0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 0}},
        {0, {0, 1, 2, 3, 4, 0, 1}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.ticks);
        roll->ticksPerFrame = k.ticks;
        X256SequenceFrameEdit* f = OpenFrame(roll, 0, 0);
        FakeOsSetTime(100.0);
        f->ToggleAnimate();
        EXPECT_EQ(std::string(f->animateButton->GetTitle()), "Stop");
        EXPECT_FALSE(f->GetFrameView()->IsEnabled());
        std::vector<u32> seen;
        for (size_t i = 0; i < k.frames.size(); ++i) {
            FakeOsSetTime(100.0 + (double(i) + 0.5) / 30.0);
            RunSteps(1);
            seen.push_back(f->GetFrame());
        }
        EXPECT_EQ(seen, k.frames);
        f->ToggleAnimate();
        EXPECT_EQ(std::string(f->animateButton->GetTitle()), "Animate");
        EXPECT_TRUE(f->GetFrameView()->IsEnabled());
        f->Close();
        Run();
    }
}

TEST_F(Sequences, EmptySequencesOpenWithoutCellsOrSteps)
{
    Sequence* empty = c.AddSequence("Empty");
    empty->ResizeFrames(0);
    empty->frames = 0;
    browser->Refresh();
    X256SequenceEdit* e = OpenEdit(empty);
    EXPECT_EQ(e->GetGrid()->GetItemCount(), 0u);
    Answer({dir.path});
    e->RunCommand(X256SequenceEdit::kExportBitmaps);
    Run();
    X256SequenceFrameEdit* f = OpenFrame(empty, 3, 7);
    EXPECT_EQ(f->GetFrame(), 0u);
    Tap(LIBKEY_UP);
    Tap(LIBKEY_RIGHT);
    Run();
    EXPECT_EQ(f->GetFrame(), 0u);
    EXPECT_FALSE(f->GetFrameView()->GetGeometry().hasBitmap);
}

TEST_F(Sequences, ResizesKeepTheScrollSoStepsKeepTheRegistrationPointInPlace)
{
    // Frames 2 and 3 of view 0 differ in width and registration point: a step keeps the
    // registration point where it is on screen unless the view had been scrolled away from
    // the middle, which centres the bitmap instead.
    X256SequenceFrameEdit* f = OpenFrame(roll, 0, 2);
    X256SequenceFrameView* v = f->GetFrameView();
    auto middle = [v] {
        return Point{(v->GetHTotal() - v->GetContentWidth()) / 2, (v->GetVTotal() - v->GetContentHeight()) / 2};
    };
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        f->SetSize(f->GetFrameWidth() + 100, f->GetFrameHeight() + 60);
        Run();
        EXPECT_EQ(v->GetHScrollPos(), middle().x) << "a resize of an unscrolled view keeps it in the middle";
        EXPECT_EQ(v->GetVScrollPos(), middle().y);
        FrameGeometry g = v->GetGeometry();
        EXPECT_EQ(g.originX, (v->GetContentWidth() - g.width) / 2);
        Point reg = v->GetRegistrationPoint();
        Tap(LIBKEY_DOWN);
        Run();
        EXPECT_EQ(v->GetRegistrationPoint().x, reg.x) << "the step after a resize keeps the registration point";
        EXPECT_EQ(v->GetRegistrationPoint().y, reg.y);
        Tap(LIBKEY_UP);
        Run();
    }

    // A scrolled view keeps the place of its bars through a resize, without drifting.
    v->SetHScrollPos(v->GetHScrollPos() + 40);
    double fraction = double(v->GetHScrollPos()) / v->GetHTotal();
    for (int i = 0; i < 2; ++i) {
        f->SetSize(f->GetFrameWidth() + 80 - 160 * i, f->GetFrameHeight());
        Run();
        EXPECT_NEAR(double(v->GetHScrollPos()) / v->GetHTotal(), fraction, 0.001);
    }
}

TEST_F(Sequences, EachCellBoxChangesOnlyItsOwnBitInEverySelectedCell)
{
    X256SequenceEdit* e = OpenEdit(roll);
    GridWindow* g = e->GetGrid();
    // Frame 0's two view cells and its shadow; the first gets a horizontal mirror alone.
    g->ClearSelection();
    g->Select(1);
    e->horzMirror->SetState(1, 0);
    EXPECT_EQ(kViewMirrorX, roll->GetFrameView(0, 0).flags & (kViewMirrorX | kViewMirrorY));
    // Adding the second cell shows Horz. Mirror set (one of them has it); Vert. Mirror then
    // gives both a vertical mirror and leaves the second without a horizontal one.
    g->Select(2);
    ASSERT_TRUE(e->horzMirror->IsChecked());
    e->vertMirror->SetState(1, 0);
    EXPECT_EQ(kViewMirrorX | kViewMirrorY, roll->GetFrameView(0, 0).flags & (kViewMirrorX | kViewMirrorY));
    EXPECT_EQ(kViewMirrorY, roll->GetFrameView(0, 1).flags & (kViewMirrorX | kViewMirrorY));
    // The shadow box leaves the views' bits alone, and the mirror boxes the shadow's.
    roll->GetFrame(0).shadow.flags = 4;
    g->Select(0);
    e->shadowIsLight->SetState(1, 0);
    EXPECT_EQ(5u, roll->GetFrame(0).shadow.flags);
    EXPECT_EQ(kViewMirrorY, roll->GetFrameView(0, 1).flags & (kViewMirrorX | kViewMirrorY));
    e->Close();
    Run();
}

TEST_F(Sequences, EditingOneFieldLeavesTheOthersAsStored)
{
    // Values a field cannot show as typed: an id of 0 shows empty, which would read back as -1;
    // an id with a zero byte inside shows cut short.
    roll->firstSound = 0;
    roll->keySound = 0x41004243u;
    roll->lastSound = 0xFFFFFFFFu;
    roll->ticksPerFrame = 7;
    X256SequenceEdit* e = OpenEdit(roll);
    struct Case {
        TextBox* field;
        const char* typed;
        u32* edited;
        u32 expect;
    } cases[] = {
        {e->keySoundField, "ab", &roll->keySound, 0x61622020u},
        {e->lastSoundField, "wxyz", &roll->lastSound, 0x7778797Au},
        {e->firstSoundField, "q", &roll->firstSound, 0x71202020u},
    };
    u32 stored[3] = {roll->firstSound, roll->keySound, roll->lastSound};
    u32* values[3] = {&roll->firstSound, &roll->keySound, &roll->lastSound};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.typed);
        k.field->SetText(k.typed);
        for (u32 i = 0; i < 3; ++i) {
            if (values[i] == k.edited) stored[i] = k.expect;
            EXPECT_EQ(stored[i], *values[i]) << i;
        }
    }
    // A number typed leaves the sound ids alone too.
    roll->firstSound = 0;
    e->ticksField->SetText("9");
    EXPECT_EQ(9, roll->ticksPerFrame);
    EXPECT_EQ(0u, roll->firstSound);
    e->Close();
    Run();
}
