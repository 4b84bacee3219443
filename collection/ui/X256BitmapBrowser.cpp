#include "collection/ui/X256BitmapBrowser.h"

#include <cstdio>
#include <cstring>

#include "collection/ui/BitmapDragData.h"
#include "collection/ui/BitmapDrawing.h"
#include "collection/ui/BitmapThumbnailCache.h"
#include "collection/ui/BitmapWindow.h"
#include "gui/GridWindow.h"
#include "gui/ListWindow.h"
#include "gui/Menu.h"
#include "gui/MessageBox.h"
#include "gui/TextBox.h"

namespace {

constexpr u32 kUsedColour = 0xFFFFFFFFu;
constexpr u32 kUnusedColour = 0xFFC0C0C0u;
constexpr u32 kTableStyle = LWS_COLUMNS | LWS_MULTISELECT | LWS_DRAGREORDER;  // 74
constexpr s32 kNameWidthReserve = 170;

// Ids of the submenu rows: never command ids.
enum : s32 { kSelectedMenu = 1000, kAllMenu = 1001, kSelectedFormatMenu = 1002, kAllFormatMenu = 1003 };

bool Listed(u32 kind, const CollectionBitmap* b)
{
    return ((b->flags & kBitmapShadow) != 0) == (kind == X256BitmapBrowser::kShadowsPage);
}

void CopyName(char* out, const char* name)
{
    size_t n = strnlen(name, 63);
    memcpy(out, name, n);
    out[n] = 0;
}

}  // namespace

X256BitmapBrowser::X256BitmapBrowser(Collection* c, u32 windowFlags, u32 pageKind, Window* parent)
    : ListGridWindow(windowFlags, parent),
      kind(pageKind),
      countLabel(nullptr),
      collection(c),
      openWindows{},
      rows{},
      table(nullptr),
      grid(nullptr),
      useColours{},
      thumbnails(new BitmapThumbnailCache())
{
    SetTitle("Bitmaps");
    countLabel = CreateLabel(this, nullptr);
    countLabel->SetFrameXYWH(4, 4, 200, 20);
    viewSwitched.Connect<&X256BitmapBrowser::OnViewSwitched>(this);

    table = new ListWindow(kTableStyle, WF_VISIBLE | WF_ENABLED, this);
    table->SetTitle("Bitmaps Table");
    table->AddColumn("Name", "%s", LCT_CHARARRAY, 64, 256, 0, 262);
    table->AddColumn("Bits", "%s", LCT_CHARARRAY, 7, 48, 0, 294);
    table->AddColumn("Format", "%s", LCT_CHARARRAY, 4, 40, 0, 278);
    table->AddColumn("Dimensions", "%s", LCT_CHARARRAY, 37, 128, 0, 262);
    table->contextRequested.Connect<&X256BitmapBrowser::OnTableContext>(this);
    table->itemActivated.Connect<&X256BitmapBrowser::OnRowActivated>(this);
    table->itemMoved.Connect<&X256BitmapBrowser::OnRowDropped>(this);
    table->deleteRequested.Connect<&X256BitmapBrowser::DeleteSelected>(this);

    grid = new GridWindow(GWS_MULTISELECT, WF_VISIBLE | WF_ENABLED, this);
    grid->SetTitle("Bitmaps Grid");
    grid->SetCallbackContext(this);
    grid->SetDrawItemCallback(&X256BitmapBrowser::DrawGridCell);
    grid->SetDragStartCallback(&X256BitmapBrowser::GridDragStart);
    grid->SetActivateCallback(&X256BitmapBrowser::GridActivate);
    grid->SetDeleteCallback(&X256BitmapBrowser::GridDelete);
    grid->contextRequested.Connect<&X256BitmapBrowser::OnContextMenu>(this);

    SetListView(table);
    SetGridView(grid);
    Refresh();
}

X256BitmapBrowser::~X256BitmapBrowser()
{
    // Each window's closed signal would reach back into this page while it goes.
    while (openWindows.count) {
        BitmapWindow* w = openWindows.data[--openWindows.count];
        w->closed.Disconnect(this);
        w->Close();
    }
    openWindows.Free();
    FreeRows();
    rows.Free();
    useColours.Free();
    delete thumbnails;
}

const char* X256BitmapBrowser::GetClassName() const { return "X256BitmapBrowser"; }

void X256BitmapBrowser::Resized()
{
    ListGridWindow::Resized();
    if (!table) return;
    s32 w = table->GetContentRect().Width() - kNameWidthReserve;
    ListColumn* name = table->GetColumn(0);
    if (name && w > 0) table->SetColumn(0, name->title, u32(w), name->flags, name->textFlags);
}

void X256BitmapBrowser::FreeRows()
{
    for (BitmapRow* r : rows) delete r;
    rows.count = 0;
}

void X256BitmapBrowser::Refresh()
{
    u32 n = 0;
    if (collection)
        for (const CollectionBitmap* b : collection->bitmaps) n += Listed(kind, b);
    grid->ClearSelection();
    table->SelectItem(nullptr, 0);
    countLabel->SetTextf("%3d %s%s:", n, kind == kShadowsPage ? "Shadow" : "Bitmap", n == 1 ? "" : "s");
    grid->SetItemCount(n);
    table->ClearItems();
    FreeRows();
    useColours.count = 0;
    u32 i = 0;
    if (collection) {
        for (CollectionBitmap* b : collection->bitmaps) {
            if (!Listed(kind, b)) continue;
            grid->SetItemUserData(i, b);
            BitmapRow* r = new BitmapRow();
            memset(r, 0, sizeof(*r));
            CopyName(r->name, b->name);
            snprintf(r->bits, sizeof(r->bits), "%s bit",
                     b->bytesPerPixel >= 4 ? "32" : (b->flags & kBitmapPartialAlpha) ? "16" : "8");
            snprintf(r->format, sizeof(r->format), "%s", (b->flags & kBitmapSpanRows) ? "RLE" : "RAW");
            snprintf(r->dimensions, sizeof(r->dimensions), "%4d x %d", b->width, b->height);
            r->bitmap = b;
            r->item = table->AddItem(nullptr, 0, 0, r, "");
            rows.Push(r);
            useColours.Push(kUsedColour);
            ++i;
        }
    }
    table->UpdateScrollRange();
    grid->UpdateScrollRange();
    table->Invalidate(0);
    grid->Invalidate(0);
    UpdateUseColours();
    Invalidate(0);
}

void X256BitmapBrowser::RefreshKeepScroll()
{
    s32 tablePos = table->GetVScrollPos(), gridPos = grid->GetVScrollPos();
    Refresh();
    table->SetVScrollPos(tablePos);
    grid->SetVScrollPos(gridPos);
    changed.Emit();
}

void X256BitmapBrowser::UpdateUseColours()
{
    if (collection) collection->MarkUsedBitmaps();
    for (u32 i = 0; i < rows.count; ++i) {
        u32 colour = rows.data[i]->bitmap->used ? kUsedColour : kUnusedColour;
        useColours.data[i] = colour;
        grid->SetItemCaptionColor(i, colour);
        if (rows.data[i]->item) rows.data[i]->item->color = colour;
    }
    table->Invalidate(0);
    grid->Invalidate(0);
    Invalidate(0);
}

u32 X256BitmapBrowser::GetUseColour(u32 row) const { return row < useColours.count ? useColours.data[row] : 0; }

BitmapRow* X256BitmapBrowser::FindRow(const CollectionBitmap* bitmap) const
{
    for (BitmapRow* r : rows)
        if (r->bitmap == bitmap) return r;
    return nullptr;
}


void X256BitmapBrowser::GetSelection(DynArray<CollectionBitmap*>* out) const
{
    if (GetCurrentView() == grid) {
        for (u32 i = 0; i < grid->GetItemCount() && i < rows.count; ++i)
            if (grid->IsItemSelected(i)) out->Push(rows.data[i]->bitmap);
        return;
    }
    for (BitmapRow* r : rows)
        if (r->item && (r->item->flags & LIF_SELECTED)) out->Push(r->bitmap);
}

void X256BitmapBrowser::GetAllBitmaps(DynArray<CollectionBitmap*>* out) const
{
    for (BitmapRow* r : rows) out->Push(r->bitmap);
}

void X256BitmapBrowser::SelectBitmaps(const DynArray<CollectionBitmap*>& bitmaps)
{
    grid->ClearSelection();
    table->SelectItem(nullptr, 0);
    for (u32 i = 0; i < rows.count; ++i) {
        bool want = false;
        for (CollectionBitmap* b : bitmaps) want = want || b == rows.data[i]->bitmap;
        if (!want) continue;
        if (GetCurrentView() == grid)
            grid->Select(s32(i));
        else
            table->SelectItem(rows.data[i]->item, 1);
    }
}

// ---- views ----

void X256BitmapBrowser::OnViewSwitched()
{
    if (GetCurrentView() == grid) {
        grid->ClearSelection();
        for (u32 i = 0; i < rows.count; ++i)
            if (rows.data[i]->item && (rows.data[i]->item->flags & LIF_SELECTED)) grid->Select(s32(i));
        if (grid->GetAnchor() >= 0) grid->ScrollToItem(grid->GetAnchor());
    } else {
        table->SelectItem(nullptr, 0);
        for (u32 i = 0; i < rows.count; ++i)
            if (grid->IsItemSelected(i) && rows.data[i]->item) table->ToggleItemSelection(rows.data[i]->item);
        if (table->GetCurrentItem()) table->EnsureVisible(table->GetCurrentItem());
    }
}

void X256BitmapBrowser::DrawGridCell(void* context, const Rect& image, void* userData)
{
    X256BitmapBrowser* self = static_cast<X256BitmapBrowser*>(context);
    CollectionBitmap* b = static_cast<CollectionBitmap*>(userData);
    if (!self || !b || !self->collection || !b->width || !b->height) return;
    s32 box = image.Width(), w, h;
    FitSizeInBox(b->width, b->height, &w, &h, box);
    u32 colour = kUsedColour;
    for (u32 i = 0; i < self->rows.count; ++i)
        if (self->rows.data[i]->bitmap == b) {
            colour = self->useColours.data[i];
            break;
        }
    self->thumbnails->Draw(*self->collection, *b, image.left + (box - w) / 2, image.top + (box - h) / 2, w, h, colour);
}

void X256BitmapBrowser::GridDragStart(void* context, GridWindow*, s32) { static_cast<X256BitmapBrowser*>(context)->BeginDrag(); }

void X256BitmapBrowser::GridActivate(void* context, void* userData)
{
    static_cast<X256BitmapBrowser*>(context)->OpenBitmapWindow(static_cast<CollectionBitmap*>(userData));
}

void X256BitmapBrowser::GridDelete(void* context) { static_cast<X256BitmapBrowser*>(context)->DeleteSelected(); }

Window::DragDropData* X256BitmapBrowser::MakeDragPayload() const
{
    if (!collection) return nullptr;
    ScopedDynArray<void*> selected;
    grid->GetSelectedUserData(&selected);
    if (!selected.count) return nullptr;
    Collection* c = collection;
    auto make = [c](CollectionBitmap* b, s32 box) {
        BitmapDDData* d = new BitmapDDData((b->flags & kBitmapShadow) ? kDragShadowBitmap : kDragColorBitmap, c, b,
                                           nullptr, nullptr);
        FitSizeInBox(b->width, b->height, &d->width, &d->height, box);
        return d;
    };
    if (selected.count == 1) return make(static_cast<CollectionBitmap*>(selected.data[0]), kDragBoxSingle);
    BitmapGridDDData* several = new BitmapGridDDData(kDragBitmapGrid, collection, 0);
    for (void* p : selected) several->items.Push(make(static_cast<CollectionBitmap*>(p), kDragBoxOther));
    return several;
}

void X256BitmapBrowser::BeginDrag()
{
    Window::DragDropData* payload = MakeDragPayload();
    if (payload && !grid->Window::BeginDrag(payload, &Window::DefaultTracker)) delete payload;
}

// ---- reordering ----

void X256BitmapBrowser::OnRowDropped(ListItem* item, s32 row)
{
    if (!collection || !item || !item->userData || row < 0 || !rows.count) return;
    CollectionBitmap* moved = static_cast<BitmapRow*>(item->userData)->bitmap;
    s32 target;
    if (u32(row) < rows.count)
        target = collection->IndexOfBitmap(rows.data[row]->bitmap);
    else
        target = collection->IndexOfBitmap(rows.data[rows.count - 1]->bitmap) + 1;
    if (target < 0 || collection->MoveBitmap(moved, u32(target)) == 0xFFFFFFFFu) return;
    s32 pos = table->GetVScrollPos();
    Refresh();
    if (BitmapRow* r = FindRow(moved)) table->SelectItem(r->item, 0);
    table->SetVScrollPos(pos);
    changed.Emit();
}

// ---- bitmap windows ----

void X256BitmapBrowser::OnRowActivated(ListItem* item)
{
    if (item && item->userData) OpenBitmapWindow(static_cast<BitmapRow*>(item->userData)->bitmap);
}

BitmapWindow* X256BitmapBrowser::FindBitmapWindow(const CollectionBitmap* bitmap) const
{
    for (BitmapWindow* w : openWindows)
        if (w->GetBitmap() == bitmap) return w;
    return nullptr;
}

void X256BitmapBrowser::OpenBitmapWindow(CollectionBitmap* bitmap)
{
    if (!bitmap || !collection) return;
    if (BitmapWindow* open = FindBitmapWindow(bitmap)) {
        open->BringToFront();
        return;
    }
    BitmapWindow* w = new BitmapWindow(collection, bitmap);
    openWindows.Push(w);
    w->closed.Connect<&X256BitmapBrowser::OnBitmapWindowClosed>(this);
    openWindowsChanged.Emit();
}

void X256BitmapBrowser::OnBitmapWindowClosed(BitmapWindow* window)
{
    for (u32 i = 0; i < openWindows.count; ++i) {
        if (openWindows.data[i] != window) continue;
        openWindows.RemoveRange(i, 1);
        openWindowsChanged.Emit();
        return;
    }
}

int X256BitmapBrowser::CheckNoneOpen(const DynArray<CollectionBitmap*>& list, const char* verb) const
{
    for (CollectionBitmap* b : list) {
        if (!FindBitmapWindow(b)) continue;
        ShowErrorBox("The bitmap \"%s\" is currently open. Please close it before %s.", b->name, verb);
        return 0;
    }
    return 1;
}

// ---- the context menu ----

void X256BitmapBrowser::OnContextMenu(Point screenPoint)
{
    ScopedDynArray<CollectionBitmap*> selected;
    GetSelection(&selected);
    const bool bitmaps = kind == kBitmapsPage;
    const int anySelected = selected.count != 0, anyListed = rows.count != 0;
    Menu* menu = new Menu(0);
    if (selected.count == 1) menu->AddItem("Rename", nullptr, kRename, 1);
    const char* selectedTitle = bitmaps ? (selected.count == 1 ? "Selected Bitmap" : "Selected Bitmaps")
                                        : (selected.count == 1 ? "Selected Shadow" : "Selected Shadows");
    struct Sub {
        const char* title;
        s32 id, formatId;
        int enabled;
        s32 offset;  // 0 for the selected ids, 1 for the all ids
    } subs[2] = {{selectedTitle, kSelectedMenu, kSelectedFormatMenu, anySelected, 0},
                 {bitmaps ? "All Bitmaps" : "All Shadows", kAllMenu, kAllFormatMenu, anyListed, 1}};
    for (const Sub& s : subs) {
        MenuItem* sub = menu->AddItem(s.title, nullptr, s.id, s.enabled);
        menu->AddItem("Export", sub, kExport + s.offset, s.enabled);
        if (bitmaps) {
            menu->AddItem("Export Alpha", sub, kExportAlpha + s.offset, s.enabled);
            menu->AddItem("Export Plate", sub, kExportPlate + s.offset, s.enabled);
            menu->AddItem("Export Alpha Plate", sub, kExportAlphaPlate + s.offset, s.enabled);
        }
        menu->AddItem("Replace", sub, kReplace + s.offset, s.enabled);
        if (bitmaps) {
            menu->AddItem("Replace Alpha", sub, kReplaceAlpha + s.offset, s.enabled);
            menu->AddItem("Replace from Plate", sub, kReplaceFromPlate + s.offset, s.enabled);
            menu->AddItem("Replace Alpha from Plate", sub, kReplaceAlphaFromPlate + s.offset, s.enabled);
            menu->AddItem("Remove Alpha", sub, kRemoveAlpha + s.offset, s.enabled);
            MenuItem* format = menu->AddItem("Format", sub, s.formatId, s.enabled);
            menu->AddItem("Convert to RLE", format, s.offset ? kToRleAll : kToRle, s.enabled);
            menu->AddItem("Convert to RAW", format, s.offset ? kToRawAll : kToRaw, s.enabled);
            menu->AddItem("Crop Transparency", sub, kCrop + s.offset, s.enabled);
            menu->AddItem("Uncrop Transparency", sub, kUncrop + s.offset, s.enabled);
        }
        menu->AddItem("Delete", sub, kDelete + s.offset, s.enabled);
    }
    menu->AddItem(bitmaps ? "Add Bitmap(s) from File(s)" : "Add Shadow(s) from File(s)", nullptr, kAddFromFiles, 1);
    if (bitmaps) menu->AddItem("Add Bitmap(s) from Plate", nullptr, kAddFromPlate, 1);
    s32 id = menu->Popup(screenPoint);
    menu->Close();
    RunCommand(id);
}

void X256BitmapBrowser::RunCommand(s32 id)
{
    if (id < 0 || id > kAddFromPlate) return;
    const bool bitmaps = kind == kBitmapsPage;
    ScopedDynArray<CollectionBitmap*> list;
    // The all ids are the even ones up to 20, then 23, 24, 26 and 28.
    bool all = (id >= kExportAll && id <= kRemoveAlphaAll && id % 2 == 0) || id == kToRleAll || id == kToRawAll ||
               id == kCropAll || id == kUncropAll;
    if (all)
        GetAllBitmaps(&list);
    else
        GetSelection(&list);
    const char* phrase = all ? AllPhrase() : "the selected";
    switch (id) {
    case kRename: RenameSelected(); return;
    case kAddFromFiles:
        if (bitmaps)
            ImportBitmaps();
        else
            ImportShadows();
        return;
    case kAddFromPlate:
        if (bitmaps) ImportPlate();
        return;
    default: break;
    }
    if (!list.count) return;
    // Only Export, Replace and Delete exist on the shadows page.
    if (!bitmaps && !(id == kExport || id == kExportAll || id == kReplace || id == kReplaceAll || id == kDelete ||
                      id == kDeleteAll))
        return;
    switch (id) {
    case kExport:
    case kExportAll: ExportBitmaps(list, false); break;
    case kExportAlpha:
    case kExportAlphaAll: ExportBitmaps(list, true); break;
    case kExportPlate:
    case kExportPlateAll: ExportPlate(list, false); break;
    case kExportAlphaPlate:
    case kExportAlphaPlateAll: ExportPlate(list, true); break;
    case kReplace:
    case kReplaceAll:
        if (bitmaps)
            ReplaceBitmaps(list);
        else
            ReplaceShadows(list);
        break;
    case kReplaceAlpha:
    case kReplaceAlphaAll: ReplaceAlphas(list); break;
    case kReplaceFromPlate:
    case kReplaceFromPlateAll: ReplaceFromPlate(list); break;
    case kReplaceAlphaFromPlate:
    case kReplaceAlphaFromPlateAll: ReplaceAlphaFromPlate(list); break;
    case kRemoveAlpha:
    case kRemoveAlphaAll: RemoveAlpha(list); break;
    case kToRle:
    case kToRleAll: SetSpanCoded(list, true); break;
    case kToRaw:
    case kToRawAll: SetSpanCoded(list, false); break;
    case kCrop:
    case kCropAll: CropBitmaps(list, phrase); break;
    case kUncrop:
    case kUncropAll: UncropBitmaps(list); break;
    case kDelete:
    case kDeleteAll: DeleteBitmaps(list, phrase); break;
    default: break;
    }
}

// ---- rename and delete ----

void X256BitmapBrowser::RenameSelected()
{
    ScopedDynArray<CollectionBitmap*> selected;
    GetSelection(&selected);
    if (selected.count != 1) return;
    CollectionBitmap* b = selected.data[0];
    BitmapRow* r = FindRow(b);
    if (!r) return;
    if (GetCurrentView() == grid) {
        String text(b->name);
        if (ShowInputBox("Enter Bitmap Name", &text, "OK", "Cancel", nullptr) != 0) return;
        b->SetName(text.c_str());
    } else {
        if (table->EditItemInPlace(r->item, 0, nullptr, nullptr) != 1) return;
        // The page may have been rebuilt while the field ran: find the row again.
        r = FindRow(b);
        if (!r) return;
        b->SetName(r->name);
    }
    RefreshKeepScroll();
    if (BitmapRow* again = FindRow(b)) {
        table->SelectItem(again->item, 0);
        grid->ClearSelection();
        for (u32 i = 0; i < rows.count; ++i)
            if (rows.data[i]->item && (rows.data[i]->item->flags & LIF_SELECTED)) grid->Select(s32(i));
    }
}

void X256BitmapBrowser::Rebind(const CollectionBitmap* from, CollectionBitmap* to)
{
    for (BitmapRow* r : rows)
        if (r->bitmap == from) r->bitmap = to;
    for (u32 i = 0; i < grid->GetItemCount(); ++i)
        if (grid->items.data[i].userData == from) grid->SetItemUserData(i, to);
}

void X256BitmapBrowser::DeleteSelected()
{
    ScopedDynArray<CollectionBitmap*> selected;
    GetSelection(&selected);
    if (selected.count) DeleteBitmaps(selected, "the selected");
}

void X256BitmapBrowser::DeleteBitmaps(const DynArray<CollectionBitmap*>& list, const char* phrase)
{
    if (!collection || !list.count) return;
    char question[160];
    snprintf(question, sizeof(question), "Are you sure you want to remove %s %s%s?", phrase, Noun(),
             list.count == 1 ? "" : "s");
    if (ShowMessageBox(nullptr, question, "Delete", "Cancel", nullptr) != 0) return;
    if (!CheckNoneOpen(list, "deleting")) return;
    // One pass over the cells for the whole list, not one per bitmap.
    collection->DeleteListedBitmaps(list.data, list.count);
    RefreshKeepScroll();
}

// ---- pixels and flags ----

void X256BitmapBrowser::SetSpanCoded(const DynArray<CollectionBitmap*>& list, bool on)
{
    bool any = false;
    for (CollectionBitmap* b : list) {
        u16 flags = on ? u16(b->flags | kBitmapSpanRows) : u16(b->flags & ~kBitmapSpanRows);
        any = any || flags != b->flags;
        b->flags = flags;
    }
    if (any) RefreshKeepScroll();
}

void X256BitmapBrowser::RemoveAlpha(const DynArray<CollectionBitmap*>& list)
{
    bool any = false;
    for (CollectionBitmap* b : list) any = b->MakeAlphaBinary() || any;
    if (any) RefreshKeepScroll();
}
