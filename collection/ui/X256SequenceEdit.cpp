#include "collection/ui/X256SequenceEdit.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <strings.h>

#include "collection/SequenceEditing.h"
#include "collection/ui/BitmapDragData.h"
#include "collection/ui/BitmapThumbnailCache.h"
#include "collection/ui/BitmapDrawing.h"
#include "collection/ui/ImageFileDialogs.h"
#include "collection/ui/PlateFiles.h"
#include "foundation/String.h"
#include "gui/Button.h"
#include "gui/ComboBox.h"
#include "gui/GridWindow.h"
#include "gui/Menu.h"
#include "gui/MessageBox.h"
#include "gui/Skin.h"
#include "gui/TextBox.h"
#include "gui/WindowSystem.h"
#include "platform/FileDialogs.h"

static_assert(u32(kCellShadowBitmap) == u32(kDragShadowBitmap) && u32(kCellColorBitmap) == u32(kDragColorBitmap),
              "grid cells take the drag kinds of the bitmap pages");

namespace {

constexpr s32 kTopStrip = 112;
constexpr const char* kNoBitmap = "<no bitmap>";

// Owns the records a multi-file dialog hands out.
struct FileList {
    ScopedDynArray<FileRecord*> files;
    ~FileList() { files.DeleteAll(); }
};

TextBox* Label(Window* parent, const char* text, s32 x, s32 y, s32 width, s32 height)
{
    TextBox* t = CreateLabel(parent, text);
    t->SetFrameXYWH(x, y, width, height);
    return t;
}

TextBox* NumberField(Window* parent, TextBox* label, s32 y)
{
    TextBox* t = new TextBox(2, parent);
    t->AddFlags(WF_DARKPANEL);
    t->SetMaxLength(6);
    Rect r = label->GetFrameInParent();
    t->SetFrameXYWH(r.right + 2, y, 32, t->GetFrameHeight());
    return t;
}

TextBox* SoundField(Window* parent, TextBox* label, s32 y)
{
    TextBox* t = new TextBox(5, parent);
    t->AddFlags(WF_DARKPANEL);
    t->SetMaxLength(4);
    Rect r = label->GetFrameInParent();
    t->SetFrameXYWH(r.right + 2, y, 32, t->GetFrameHeight());
    return t;
}

CheckBox* Check(Window* parent, const char* label, s32 x, s32 y)
{
    CheckBox* c = new CheckBox(parent, 0);
    c->SetTitle(label);
    c->SizeToFit();
    c->SetFrameXYWH(x, y, c->GetFrameWidth(), c->GetFrameHeight());
    return c;
}

s32 RightOf(Window* w, s32 gap) { return w->GetFrameInParent().right + gap; }

bool EndsWithNoCase(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && strcasecmp(text.c_str() + text.size() - end.size(), end.c_str()) == 0;
}

}  // namespace

X256SequenceEdit::X256SequenceEdit(Collection* c, Sequence* s)
    : Window(0x1D6E, nullptr),
      collection(c),
      sequence(s),
      grid(nullptr),
      updating(0),
      cells{},
      filling(0),
      thumbnails(new BitmapThumbnailCache())
{
    SetTitle(s->name);
    const s32 L = GetLineHeight();
    const s32 R = L + 4;
    s32 y = 6;
    TextBox* l = Label(this, "Frames:", 12, y, 56, L);
    framesField = NumberField(this, l, y);
    l = Label(this, "Views:", RightOf(framesField, 12), y, 50, L);
    viewsField = NumberField(this, l, y);
    l = Label(this, "Ticks per Frame:", RightOf(viewsField, 12), y, 112, L);
    ticksField = NumberField(this, l, y);
    l = Label(this, "Key Frame:", RightOf(ticksField, 12), y, 84, L);
    keyFrameField = NumberField(this, l, y);

    y = R + 6;
    l = Label(this, "Transfer Period:", 12, y, 108, L);
    transferField = NumberField(this, l, y);
    l = Label(this, "Mode:", RightOf(transferField, 34), y, 48, L);
    modeSelector = new ComboBox(this, 0);
    for (u32 i = 0; i < 6; ++i) modeSelector->AddItem(kSequenceModeItems[i].value, kSequenceModeItems[i].label, 0);
    modeSelector->SetVisibleRows(6, 0);
    modeSelector->MoveTo(RightOf(l, 2), y);
    modeSelector->SetWidth(118);
    l = Label(this, "Loop Frame:", RightOf(modeSelector, 12), y, 84, L);
    loopFrameField = NumberField(this, l, y);

    y = 2 * R + 6;
    l = Label(this, "First Sound Tag:", 12, y, 108, L);
    firstSoundField = SoundField(this, l, y);
    l = Label(this, "Key Sound Tag:", RightOf(firstSoundField, 38), y, 108, L);
    keySoundField = SoundField(this, l, y);
    l = Label(this, "Last Sound Tag:", RightOf(keySoundField, 13), y, 105, L);
    lastSoundField = SoundField(this, l, y);

    y = 3 * R + 6;
    useMirroring = Check(this, "Use Mirroring", 12, y);
    horzMirror = Check(this, "Horz. Mirror", RightOf(useMirroring, 32), y);
    shadowIsLight = Check(this, "Shadow Is Light", RightOf(horzMirror, 32), y);
    noRotation = Check(this, "No Rotation", 12, 4 * R + 6);
    vertMirror = Check(this, "Vert. Mirror", horzMirror->GetFrameInParent().left, 4 * R + 6);

    grid = new GridWindow(GWS_MULTISELECT, WF_VISIBLE | WF_ENABLED, this);
    grid->SetTitle("Views");
    grid->SetRowNumbers(1, 1);
    grid->SetUserData(s);
    grid->SetCallbackContext(this);
    grid->SetDrawItemCallback(&X256SequenceEdit::DrawGridCell);
    grid->SetDragStartCallback(&X256SequenceEdit::GridDragStart);
    grid->SetDropCallback(&X256SequenceEdit::GridDrop);
    grid->SetActivateCallback(&X256SequenceEdit::GridActivate);
    grid->SetDeleteCallback(&X256SequenceEdit::GridDelete);
    grid->contextRequested.Connect<&X256SequenceEdit::OnGridContext>(this);
    grid->selectionChanged.Connect<&X256SequenceEdit::OnGridSelection>(this);

    framesField->focusLost.Connect<&X256SequenceEdit::OnFramesFocusLost>(this);
    viewsField->focusLost.Connect<&X256SequenceEdit::OnViewsFocusLost>(this);
    ticksField->textChanged.Connect<&X256SequenceEdit::OnTicksChanged>(this);
    keyFrameField->textChanged.Connect<&X256SequenceEdit::OnKeyFrameChanged>(this);
    transferField->textChanged.Connect<&X256SequenceEdit::OnTransferChanged>(this);
    loopFrameField->textChanged.Connect<&X256SequenceEdit::OnLoopFrameChanged>(this);
    firstSoundField->textChanged.Connect<&X256SequenceEdit::OnFirstSoundChanged>(this);
    keySoundField->textChanged.Connect<&X256SequenceEdit::OnKeySoundChanged>(this);
    lastSoundField->textChanged.Connect<&X256SequenceEdit::OnLastSoundChanged>(this);
    modeSelector->selectionChanged.Connect<&X256SequenceEdit::OnMode>(this);
    useMirroring->clicked.Connect<&X256SequenceEdit::OnSequenceFlags>(this);
    noRotation->clicked.Connect<&X256SequenceEdit::OnSequenceFlags>(this);
    horzMirror->clicked.Connect<&X256SequenceEdit::OnHorzMirror>(this);
    vertMirror->clicked.Connect<&X256SequenceEdit::OnVertMirror>(this);
    shadowIsLight->clicked.Connect<&X256SequenceEdit::OnShadowIsLight>(this);

    SetTabOrder(grid, framesField, viewsField, ticksField, keyFrameField, transferField, modeSelector, loopFrameField,
                firstSoundField, keySoundField, lastSoundField, useMirroring, noRotation, horzMirror, vertMirror,
                shadowIsLight, nullptr);
    FillFields();
    Refresh();
    Window::SetFocus(grid, FOCUS_PROGRAM);
    SetSize(800, 600);
    ConstrainToScreen();
    CenterInParent();
    SetVisible(1);
}

X256SequenceEdit::~X256SequenceEdit()
{
    closed.Emit(this);
    cells.Free();
    delete thumbnails;
}

const char* X256SequenceEdit::GetClassName() const { return "X256SequenceEdit"; }

void X256SequenceEdit::GetMinimumFrameSize(Size* out, Size) { *out = Size{520, 404}; }

void X256SequenceEdit::Resized()
{
    Window::Resized();
    if (grid) grid->SetFrameXYWH(0, kTopStrip, GetContentWidth(), GetContentHeight() - kTopStrip);
}

void X256SequenceEdit::DrawBackground()
{
    Window::DrawBackground();
    Skin* skin = WindowSystem::GetSkin();
    if (!skin) return;
    BeginDraw(1, 0);
    Rect strip{0, 0, GetContentWidth(), kTopStrip};
    skin->DrawBackground(strip);
    skin->DrawFrame(strip, 8);
    EndDraw();
}

void X256SequenceEdit::FillFields()
{
    filling = 1;
    framesField->SetInt(sequence->frames);
    viewsField->SetInt(sequence->views);
    ticksField->SetInt(sequence->ticksPerFrame);
    keyFrameField->SetInt(sequence->keyFrame);
    transferField->SetInt(sequence->transferPeriod);
    loopFrameField->SetInt(sequence->loopFrame);
    char tag[5];
    SoundTagToText(sequence->firstSound, tag);
    firstSoundField->SetText(tag);
    SoundTagToText(sequence->keySound, tag);
    keySoundField->SetText(tag);
    SoundTagToText(sequence->lastSound, tag);
    lastSoundField->SetText(tag);
    modeSelector->SelectByData(kSequenceModeItems[SequenceModeItemIndex(sequence->mode)].value);
    useMirroring->SetState((sequence->flags & kSequenceMirroring) ? 1 : 0, 1);
    noRotation->SetState((sequence->flags & kSequenceNoRotation) ? 1 : 0, 1);
    filling = 0;
}

namespace {

// The grid's sizes: frames and unique views the cells can really show (a file may hold fewer
// frame records or views than its counts claim, or none).
void GridSize(Sequence& s, u32* F, u32* U)
{
    *F = s.frames < s.frameArray.count ? s.frames : s.frameArray.count;
    u32 u = s.GetUniqueViewCount();
    *U = u < s.views ? u : s.views;
    for (u32 f = 0; f < *F; ++f)
        if (s.GetFrame(f).views.count < *U) *U = s.GetFrame(f).views.count;
}

}  // namespace

void X256SequenceEdit::Refresh()
{
    // Selected cells are kept by place, since the column count may change.
    u32 oldColumns = grid->GetColumnCount();
    ScopedDynArray<u32> selected;
    grid->GetSelectedIndices(&selected);
    ScopedDynArray<BitmapGridCell> keep;
    if (oldColumns)
        for (u32 i : selected) keep.Push(BitmapGridCell{s32(i % oldColumns), s32(i / oldColumns)});

    SetTitle(sequence->name);
    u32 F, U;
    GridSize(*sequence, &F, &U);
    u32 columns = U + 1;
    cells.ResizeRaw(F * columns);
    grid->ClearSelection();
    grid->SetItemCount(F * columns);
    grid->SetColumnCount(columns);
    char title[16];
    for (u32 c = 0; c < columns; ++c) {
        SequenceColumnTitle(*sequence, c, title, sizeof(title));
        grid->SetColumnTitle(c, title);
    }
    for (u32 f = 0; f < F; ++f) {
        SequenceFrame& frame = sequence->GetFrame(f);
        for (u32 c = 0; c < columns; ++c) {
            u32 i = f * columns + c;
            SequenceCell& cell = cells.data[i];
            cell.item = i;
            cell.shadow = c == 0 ? &frame.shadow : nullptr;
            cell.view = c == 0 ? nullptr : &frame.views.data[c - 1];
            grid->SetItemUserData(i, &cell);
            UpdateCaption(f, c);
        }
    }
    for (const BitmapGridCell& cell : keep)
        if (cell.column >= 0 && u32(cell.column) < columns && cell.row >= 0 && u32(cell.row) < F)
            grid->Select(s32(u32(cell.row) * columns + u32(cell.column)));
    grid->UpdateScrollRange();
    grid->Invalidate(0);
    Invalidate(0);
}

void X256SequenceEdit::RedrawCells()
{
    u32 columns = grid->GetColumnCount();
    for (u32 i = 0; columns && i < cells.count; ++i) UpdateCaption(i / columns, i % columns);
    grid->Invalidate(0);
}

void X256SequenceEdit::UpdateCaption(u32 frame, u32 column)
{
    u32 columns = grid->GetColumnCount();
    CollectionBitmap* b = SequenceCellBitmap(*sequence, frame, column);
    grid->SetItemCaption(frame * columns + column, b ? b->name : kNoBitmap);
}

void X256SequenceEdit::SetSizeFieldsEnabled(int on)
{
    framesField->SetEnabled(on);
    viewsField->SetEnabled(on);
    Invalidate(0);
}

bool X256SequenceEdit::AreSizeFieldsEnabled() const { return framesField->IsEnabled() && viewsField->IsEnabled(); }

void X256SequenceEdit::Edited() { changed.Emit(sequence); }

// ---- fields ----

void X256SequenceEdit::OnFramesFocusLost(int) { ApplyFrames(); }

void X256SequenceEdit::OnViewsFocusLost(int) { ApplyViews(); }

namespace {

// Applies a typed count to the sequence: below 1 becomes 1 (the field shows it); a size the
// format cannot store is refused with an error box and the field shows the count again.
bool ApplyCount(Collection& c, Sequence& s, TextBox* field, bool views)
{
    String text;
    field->GetText(&text);
    s64 typed;
    if (!ParseFieldInteger(text.c_str(), &typed)) return false;
    u64 n = TypedCount(typed);
    if (s64(n) != typed) field->SetInt(s32(n));
    u64 V = views ? n : s.views, F = views ? s.frames : n;
    if (V == s.views && F == s.frames) return false;
    char message[256];
    if (ResizeSequence(c, s, V, F, message, sizeof(message))) {
        ShowErrorBox("%s", message);
        field->SetInt(views ? s.views : s.frames);
        return false;
    }
    return true;
}

}  // namespace

void X256SequenceEdit::ApplyFrames()
{
    if (filling || !ApplyCount(*collection, *sequence, framesField, false)) return;
    Refresh();
    Edited();
}

void X256SequenceEdit::ApplyViews()
{
    if (filling || !ApplyCount(*collection, *sequence, viewsField, true)) return;
    Refresh();
    grid->Invalidate(0);
    Edited();
}

void X256SequenceEdit::ApplyNumber(TextBox* field, u16* value)
{
    if (filling) return;
    String text;
    field->GetText(&text);
    s64 v;
    if (!ParseFieldInteger(text.c_str(), &v) || u16(v) == *value) return;
    *value = u16(v);
    Edited();
}

void X256SequenceEdit::ApplySound(TextBox* field, u32* value)
{
    if (filling) return;
    String text;
    field->GetText(&text);
    u32 tag = SoundTagFromText(text.c_str());
    if (tag == *value) return;
    *value = tag;
    Edited();
}

void X256SequenceEdit::OnMode(ListItem*, u32 data)
{
    if (filling || u16(data) == sequence->mode) return;
    sequence->mode = u16(data);
    Edited();
}

void X256SequenceEdit::OnSequenceFlags()
{
    if (filling) return;
    u32 f = sequence->flags & ~(kSequenceMirroring | kSequenceNoRotation);
    if (useMirroring->IsChecked()) f |= kSequenceMirroring;
    if (noRotation->IsChecked()) f |= kSequenceNoRotation;
    if (f == sequence->flags) return;
    sequence->flags = f;
    Refresh();
    Edited();
}

void X256SequenceEdit::ApplyCellFlag(CheckBox* box)
{
    if (updating || filling) return;
    const bool on = box->IsChecked();
    const u32 viewBit = box == horzMirror ? u32(kViewMirrorX) : box == vertMirror ? u32(kViewMirrorY) : 0u;
    ScopedDynArray<void*> selected;
    grid->GetSelectedUserData(&selected);
    for (void* p : selected) {
        SequenceCell* cell = static_cast<SequenceCell*>(p);
        if (cell->view && viewBit) {
            cell->view->flags = on ? (cell->view->flags | viewBit) : (cell->view->flags & ~viewBit);
        } else if (cell->shadow && box == shadowIsLight) {
            cell->shadow->flags = on ? (cell->shadow->flags | 1u) : (cell->shadow->flags & ~1u);
        }
    }
    Edited();
    grid->Invalidate(0);
}

void X256SequenceEdit::OnGridSelection()
{
    updating = 1;
    bool h = false, v = false, light = false;
    ScopedDynArray<void*> selected;
    grid->GetSelectedUserData(&selected);
    for (void* p : selected) {
        SequenceCell* cell = static_cast<SequenceCell*>(p);
        if (cell->view) {
            h = h || (cell->view->flags & kViewMirrorX);
            v = v || (cell->view->flags & kViewMirrorY);
        } else if (cell->shadow) {
            light = light || (cell->shadow->flags & 1);
        }
    }
    horzMirror->SetState(h ? 1 : 0, 1);
    vertMirror->SetState(v ? 1 : 0, 1);
    shadowIsLight->SetState(light ? 1 : 0, 1);
    updating = 0;
}

// ---- the grid ----

void X256SequenceEdit::DrawGridCell(void* context, const Rect& image, void* userData)
{
    X256SequenceEdit* self = static_cast<X256SequenceEdit*>(context);
    SequenceCell* cell = static_cast<SequenceCell*>(userData);
    // A closed editor waits for deletion while its sequence may already be gone.
    if (!self || !cell || self->GetState() == WS_CLOSED) return;
    u32 columns = self->grid->GetColumnCount();
    CollectionBitmap* b = SequenceCellBitmap(*self->sequence, cell->item / columns, cell->item % columns);
    if (!b || !b->width || !b->height) return;
    u32 mirror = 0;
    if (cell->view) {
        mirror = cell->view->flags & (kViewMirrorX | kViewMirrorY);
    } else if (cell->shadow) {
        mirror = (cell->shadow->flags >> 1) & 3;
    }
    s32 box = image.Width(), w, h;
    FitSizeInBox(b->width, b->height, &w, &h, box);
    self->thumbnails->Draw(*self->collection, *b, image.left + (box - w) / 2, image.top + (image.Height() - h) / 2, w, h,
                           0xFFFFFFFFu, mirror);
}

void X256SequenceEdit::GridDragStart(void* context, GridWindow* grid, s32 item)
{
    X256SequenceEdit* self = static_cast<X256SequenceEdit*>(context);
    Window::DragDropData* payload = self->MakeDragPayload(item);
    if (payload && !grid->BeginDrag(payload, nullptr)) delete payload;
}

int X256SequenceEdit::GridDrop(void* context, GridWindow*, Window::DragDropData* data, u32 phase, s32 item)
{
    return static_cast<X256SequenceEdit*>(context)->OnDrop(data, phase != 0, item);
}

void X256SequenceEdit::GridActivate(void* context, void* userData)
{
    SequenceCell* cell = static_cast<SequenceCell*>(userData);
    if (cell) static_cast<X256SequenceEdit*>(context)->OnCellActivated(cell->item);
}

void X256SequenceEdit::GridDelete(void* context) { static_cast<X256SequenceEdit*>(context)->ClearSelectedCells(); }

void X256SequenceEdit::ClearSelectedCells()
{
    u32 columns = grid->GetColumnCount();
    ScopedDynArray<u32> selected;
    grid->GetSelectedIndices(&selected);
    bool any = false;
    for (u32 i : selected) {
        if (!ClearSequenceCell(*sequence, i / columns, i % columns)) continue;
        UpdateCaption(i / columns, i % columns);
        any = true;
    }
    if (!any) return;
    grid->Invalidate(0);
    Edited();
}

void X256SequenceEdit::OnCellActivated(u32 item)
{
    u32 columns = grid->GetColumnCount();
    if (!columns || item >= cells.count || item % columns == 0) return;
    openFrameEdit.Emit(sequence, item % columns - 1, item / columns);
}

Window::DragDropData* X256SequenceEdit::MakeDragPayload(s32 startItem) const
{
    u32 columns = grid->GetColumnCount();
    ScopedDynArray<u32> selected;
    grid->GetSelectedIndices(&selected);
    ScopedDynArray<BitmapDDData*> items;
    ScopedDynArray<BitmapGridCell> places;
    for (u32 i : selected) {
        if (i >= cells.count) continue;
        const SequenceCell& cell = cells.data[i];
        CollectionBitmap* b = SequenceCellBitmap(*sequence, i / columns, i % columns);
        if (!b) continue;
        BitmapDDData* d = cell.view ? new BitmapDDData(kDragColorBitmap, collection, b, cell.view, nullptr)
                                    : new BitmapDDData(kDragShadowBitmap, collection, b, nullptr, cell.shadow);
        FitSizeInBox(b->width ? b->width : 1, b->height ? b->height : 1, &d->width, &d->height, kDragBoxOther);
        items.Push(d);
        places.Push(BitmapGridCell{s32(i % columns), s32(i / columns)});
    }
    if (!items.count) return nullptr;
    if (items.count == 1 && selected.count == 1) {
        BitmapDDData* one = items.data[0];
        items.count = 0;
        return one;
    }
    BitmapGridDDData* many = new BitmapGridDDData(kDragBitmapGrid, collection, 1);
    u32 start = startItem >= 0 ? u32(startItem) : selected.data[0];
    many->origin = BitmapGridCell{s32(start % columns), s32(start / columns)};
    for (u32 i = 0; i < items.count; ++i) {
        many->items.Push(items.data[i]);
        many->cells.Push(places.data[i]);
    }
    items.count = 0;
    return many;
}

int X256SequenceEdit::OnDrop(Window::DragDropData* data, bool testOnly, s32 item)
{
    if (!data || item < 0) return 0;
    switch (data->typeId) {
    case kDragBitmapGrid: return DropBitmaps(static_cast<BitmapGridDDData*>(data), testOnly, item);
    case kDragShadowBitmap:
    case kDragColorBitmap: return DropBitmap(static_cast<BitmapDDData*>(data), testOnly, item);
    default: return 0;
    }
}

namespace {

SequenceDropItem DropItemOf(const BitmapDDData* d, BitmapGridCell place)
{
    return SequenceDropItem{d->typeId, d->collection, d->bitmap, d->sourceView, d->sourceShadow, place.column,
                            place.row};
}

}  // namespace

int X256SequenceEdit::DropBitmap(BitmapDDData* data, bool testOnly, s32 item)
{
    SequenceDropItem one = DropItemOf(data, BitmapGridCell{0, 0});
    ScopedDynArray<SequenceCellPlace> places;
    if (!PlanSequenceDrop(*collection, *sequence, &one, 1, false, 0, 0, u64(item), &places)) return 0;
    if (testOnly) return 1;
    ApplySequenceDrop(*collection, *sequence, &one, 1, places.data);
    UpdateCaption(places.data[0].frame, places.data[0].column);
    grid->Invalidate(0);
    Edited();
    return 1;
}

int X256SequenceEdit::DropBitmaps(BitmapGridDDData* data, bool testOnly, s32 item)
{
    ScopedDynArray<SequenceDropItem> items;
    for (u32 i = 0; i < data->items.count; ++i) {
        BitmapGridCell place = i < data->cells.count ? data->cells.data[i] : BitmapGridCell{0, 0};
        items.Push(DropItemOf(data->items.data[i], place));
    }
    ScopedDynArray<SequenceCellPlace> places;
    if (!PlanSequenceDrop(*collection, *sequence, items.data, items.count, data->fromSequence != 0,
                          data->origin.column, data->origin.row, u64(item), &places))
        return 0;
    if (testOnly) return 1;
    ApplySequenceDrop(*collection, *sequence, items.data, items.count, places.data);
    for (const SequenceCellPlace& p : places) UpdateCaption(p.frame, p.column);
    grid->Invalidate(0);
    Edited();
    return 1;
}

// ---- menu, imports and exports ----

void X256SequenceEdit::ShowContextMenu(Point screenPoint)
{
    Menu* menu = new Menu(0);
    MenuItem* import = menu->AddItem("Bitmap Import", nullptr, -1, 1);
    menu->AddItem("Assign views, then frames", import, kImportViewsFirst, 1);
    menu->AddItem("Assign frames, then views", import, kImportFramesFirst, 1);
    menu->AddItem("From Plate", import, kImportPlate, 1);
    MenuItem* alpha = menu->AddItem("Alpha Import", nullptr, -1, 1);
    menu->AddItem("Assign views, then frames", alpha, kImportAlphasViewsFirst, 1);
    menu->AddItem("Assign frames, then views", alpha, kImportAlphasFramesFirst, 1);
    menu->AddItem("From Plate", alpha, kImportAlphaPlate, 1);
    MenuItem* exports = menu->AddItem("Export", nullptr, -1, 1);
    menu->AddItem("Bitmaps", exports, kExportBitmaps, 1);
    menu->AddItem("Bitmap Plate", exports, kExportPlate, 1);
    menu->AddItem("Alphas", exports, kExportAlphas, 1);
    menu->AddItem("Alpha Plate", exports, kExportAlphaPlate, 1);
    s32 id = menu->Popup(screenPoint);
    menu->Close();
    RunCommand(id);
}

void X256SequenceEdit::RunCommand(s32 id)
{
    switch (id) {
    case kImportViewsFirst: ImportBitmaps(true); break;
    case kImportFramesFirst: ImportBitmaps(false); break;
    case kImportPlate: ImportPlate(); break;
    case kImportAlphasViewsFirst: ImportAlphas(true); break;
    case kImportAlphasFramesFirst: ImportAlphas(false); break;
    case kImportAlphaPlate: ImportAlphaPlate(); break;
    case kExportBitmaps: ExportBitmaps(false); break;
    case kExportPlate: ExportPlate(false); break;
    case kExportAlphas: ExportBitmaps(true); break;
    case kExportAlphaPlate: ExportPlate(true); break;
    default: break;
    }
}

void X256SequenceEdit::CollectViewBitmaps(DynArray<CollectionBitmap*>* out) const
{
    u32 F, U;
    GridSize(*sequence, &F, &U);
    for (u32 f = 0; f < F; ++f)
        for (u32 v = 0; v < U; ++v) out->Push(sequence->GetBitmap(f, v));
}

bool X256SequenceEdit::EveryViewHasBitmap() const
{
    ScopedDynArray<CollectionBitmap*> list;
    CollectViewBitmaps(&list);
    for (CollectionBitmap* b : list)
        if (!b) return false;
    return true;
}

namespace {

bool CountMatches(u32 files, u32 expected)
{
    if (files == expected) return true;
    char text[128];
    snprintf(text, sizeof(text), "%d bitmaps were seleced, expected %d", files, expected);
    ShowMessageBox("Error", text, "OK", nullptr);
    return false;
}

}  // namespace

void X256SequenceEdit::ImportBitmaps(bool viewsFastest)
{
    u32 F, U;
    GridSize(*sequence, &F, &U);
    FileList chosen;
    if (!OpenMultipleImagesDialog("Import Bitmaps", &chosen.files)) return;
    if (!CountMatches(chosen.files.count, U * F)) return;
    for (FileRecord* file : chosen.files)
        if (!CheckPalettedImageFile(*file)) return;
    ScopedDynArray<CollectionBitmap*> imported;
    for (FileRecord* file : chosen.files) {
        CollectionBitmap* b = ImportBitmapFile(*collection, *file, nullptr);
        if (!b) break;
        imported.Push(b);
    }
    if (imported.count < chosen.files.count) {
        // What was imported stays in the collection, unassigned: the pages must show it.
        if (imported.count) bitmapsChanged.Emit();
        return;
    }
    for (u32 k = 0; k < imported.count; ++k) {
        u32 frame, view;
        if (!ImportTargetCell(k, U, F, viewsFastest, &frame, &view)) continue;
        FrameView& fv = sequence->GetFrameView(frame, view);
        fv.bitmap = imported.data[k];
        s32 index = collection->IndexOfBitmap(fv.bitmap);
        fv.bitmapIndex = index < 0 || index >= s32(kNoIndex) ? kNoIndex : u16(index);
        if (fv.flags & kViewHasHighRes) fv.KeepShownAssignment();
        UpdateCaption(frame, view + 1);
    }
    grid->Invalidate(0);
    bitmapsChanged.Emit();
    Edited();
}

void X256SequenceEdit::ImportAlphas(bool viewsFastest)
{
    if (!EveryViewHasBitmap()) {
        ShowErrorBox("In order to replace alphas, every bitmap must be assigned.");
        return;
    }
    u32 F, U;
    GridSize(*sequence, &F, &U);
    FileList chosen;
    if (!OpenMultipleImagesDialog("Import Replacement Alphas", &chosen.files)) return;
    if (!CountMatches(chosen.files.count, U * F)) return;
    for (FileRecord* file : chosen.files)
        if (!CheckGreyscaleImageFile(*file)) return;
    u32 applied = 0;
    for (u32 k = 0; k < chosen.files.count; ++k) {
        u32 frame, view;
        if (!ImportTargetCell(k, U, F, viewsFastest, &frame, &view)) break;
        CollectionBitmap* b = sequence->GetBitmap(frame, view);
        if (!b || !ApplyAlphaMaskFile(*collection, *b, *chosen.files.data[k])) break;
        ++applied;
    }
    if (!applied) return;
    grid->Invalidate(0);
    bitmapsChanged.Emit();
    Edited();
}

void X256SequenceEdit::ImportPlate()
{
    u32 F, U;
    GridSize(*sequence, &F, &U);
    FileRecord file;
    file.path = String(sequence->name);
    file.path.Append(" plate");
    if (!OpenFileDialog("Import Plate", &file, kFileKindImage, nullptr)) return;
    if (!CheckPalettedImageFile(file)) return;
    ScopedDynArray<CollectionBitmap*> list;
    if (!ImportColorPlate(*collection, file, &list)) return;
    if (list.count != U * F || U * F == 0) {
        // The plate's bitmaps stay in the collection, unassigned.
        bitmapsChanged.Emit();
        ShowErrorBox("Invalid number of images in plate. It must contain exactly %d images.", U * F);
        return;
    }
    for (u32 k = 0; k < list.count; ++k) {
        FrameView& fv = sequence->GetFrameView(k / U, k % U);
        fv.bitmap = list.data[k];
        s32 index = fv.bitmap ? collection->IndexOfBitmap(fv.bitmap) : -1;
        fv.bitmapIndex = index < 0 || index >= s32(kNoIndex) ? kNoIndex : u16(index);
        if (fv.flags & kViewHasHighRes) fv.KeepShownAssignment();
        UpdateCaption(k / U, k % U + 1);
    }
    grid->Invalidate(0);
    bitmapsChanged.Emit();
    Edited();
}

void X256SequenceEdit::ImportAlphaPlate()
{
    if (!EveryViewHasBitmap()) {
        ShowErrorBox("In order to replace alphas, every bitmap must be assigned.");
        return;
    }
    ScopedDynArray<CollectionBitmap*> list;
    CollectViewBitmaps(&list);
    FileRecord file;
    file.path = String(sequence->name);
    file.path.Append(" alpha plate");
    if (!OpenFileDialog("Import Alpha Plate", &file, kFileKindImage, nullptr)) return;
    if (!CheckPalettedImageFile(file)) return;
    if (!::ImportAlphaPlate(*collection, file, list)) return;
    grid->Invalidate(0);
    bitmapsChanged.Emit();
    Edited();
}

void X256SequenceEdit::ExportBitmaps(bool alpha)
{
    String folder;
    u32 format = kFileFormatPng;
    if (!ChooseFolderDialog("Choose a destination folder", &folder, &format, kFileKindImage, nullptr)) return;
    const std::string extension = FindFileTypeByFormat(format).extension;
    std::string base = folder.c_str();
    if (base.empty() || base.back() != '/') base += '/';
    u32 F, U;
    GridSize(*sequence, &F, &U);
    for (u32 f = 0; f < F; ++f)
        for (u32 v = 0; v < U; ++v) {
            CollectionBitmap* b = sequence->GetBitmap(f, v);
            if (!b) continue;
            char name[64];
            SequenceExportName(f, v, alpha, name, sizeof(name));
            std::string path = base + name;
            if (!EndsWithNoCase(path, extension)) path += extension;
            FileRecord file(path.c_str());
            file.kind = kFileKindImage;
            file.format = format;
            // One failure is reported once, not once per bitmap left.
            if (!ExportBitmapFile(*collection, *b, file, alpha)) return;
        }
}

void X256SequenceEdit::ExportPlate(bool alpha)
{
    u32 F, U;
    GridSize(*sequence, &F, &U);
    ScopedDynArray<CollectionBitmap*> list;
    CollectViewBitmaps(&list);
    FileRecord file;
    file.path = String(sequence->name);
    file.path.Append(alpha ? " alpha plate" : " plate");
    if (!SaveFileDialog(alpha ? "Export Alpha Plate" : "Export Plate", &file, kFileKindImage, nullptr)) return;
    ExportColorPlateFile(*collection, list, file, alpha, U);
}
