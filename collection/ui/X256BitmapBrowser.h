#pragma once
// The collection editor's "Bitmaps" page and, as a second instance, its "Shadows" page: the
// bitmaps of one kind as a table ("Name", "Bits", "Format", "Dimensions") and as a thumbnail
// grid, with a context menu carrying every bitmap command (rename, export, replace, remove
// alpha, format, crop, uncrop, delete, add). Activating a bitmap opens its BitmapWindow; a
// bitmap whose window is open cannot be deleted, cropped or replaced.
#include "collection/Collection.h"
#include "foundation/DynArray.h"
#include "gui/ListGridWindow.h"

class BitmapThumbnailCache;
class BitmapWindow;
class FileRecord;
class GridWindow;
class ListWindow;
class TextBox;
struct ListItem;

// One table row: the four column values, the table item and the bitmap it shows.
struct BitmapRow {
    char name[64];
    char bits[7];
    char format[4];
    char dimensions[37];
    ListItem* item;
    CollectionBitmap* bitmap;
};

class X256BitmapBrowser : public ListGridWindow {
public:
    enum : u32 { kBitmapsPage = 0, kShadowsPage = 1 };

    // Context menu ids (the first of a pair acts on the selection, the second on every bitmap).
    enum : s32 {
        kRename = 0,
        kExport = 1, kExportAll = 2,
        kExportPlate = 3, kExportPlateAll = 4,
        kExportAlphaPlate = 5, kExportAlphaPlateAll = 6,
        kExportAlpha = 7, kExportAlphaAll = 8,
        kReplace = 9, kReplaceAll = 10,
        kReplaceAlpha = 11, kReplaceAlphaAll = 12,
        kReplaceFromPlate = 13, kReplaceFromPlateAll = 14,
        kReplaceAlphaFromPlate = 15, kReplaceAlphaFromPlateAll = 16,
        kDelete = 17, kDeleteAll = 18,
        kRemoveAlpha = 19, kRemoveAlphaAll = 20,
        kToRle = 21, kToRaw = 22, kToRleAll = 23, kToRawAll = 24,
        kCrop = 25, kCropAll = 26,
        kUncrop = 27, kUncropAll = 28,
        kAddFromFiles = 29,
        kAddFromPlate = 30,
    };

    // kind: kBitmapsPage lists the bitmaps without the shadow flag, kShadowsPage those with it.
    // The collection is not owned and may be null (an empty page).
    X256BitmapBrowser(Collection* collection, u32 windowFlags, u32 kind, Window* parent);
    ~X256BitmapBrowser() override;
    const char* GetClassName() const override;
    void Resized() override;

    // Rebuilds the rows, the grid and the count label from the collection.
    void Refresh();
    // Refresh keeping both views' scroll positions, then emits changed.
    void RefreshKeepScroll();
    // Thumbnails and rows of bitmaps some view or frame shadow uses in white, the others grey.
    void UpdateUseColours();
    u32 GetOpenWindowCount() const { return openWindows.count; }

    u32 GetKind() const { return kind; }
    Collection* GetCollection() const { return collection; }
    ListWindow* GetTable() const { return table; }
    GridWindow* GetGrid() const { return grid; }
    TextBox* GetCountLabel() const { return countLabel; }
    const DynArray<BitmapRow*>& GetRows() const { return rows; }
    // The use colour of the row (0xFFFFFFFF white, 0xFFC0C0C0 grey).
    u32 GetUseColour(u32 row) const;
    BitmapRow* FindRow(const CollectionBitmap* bitmap) const;
    // The selected bitmaps of the current view (grid: grid order; table: row order).
    void GetSelection(DynArray<CollectionBitmap*>* out) const;
    // Every listed bitmap in row order.
    void GetAllBitmaps(DynArray<CollectionBitmap*>* out) const;
    // Selects exactly these bitmaps in the current view.
    void SelectBitmaps(const DynArray<CollectionBitmap*>& bitmaps);

    // The context menu at the screen point; the chosen id runs after the menu closed.
    void OnContextMenu(Point screenPoint);
    // Runs a context-menu id (-1 and unknown ids do nothing).
    void RunCommand(s32 id);

    // The commands. Each that changed the collection refreshes keeping the scroll and emits
    // changed; a refused or cancelled one changes nothing.
    void RenameSelected();
    void DeleteSelected();
    void DeleteBitmaps(const DynArray<CollectionBitmap*>& list, const char* phrase);
    void SetSpanCoded(const DynArray<CollectionBitmap*>& list, bool on);
    void RemoveAlpha(const DynArray<CollectionBitmap*>& list);
    void CropBitmaps(const DynArray<CollectionBitmap*>& list, const char* phrase);
    void UncropBitmaps(const DynArray<CollectionBitmap*>& list);
    void ImportBitmaps();
    void ImportShadows();
    void ImportPlate();
    void ReplaceBitmaps(const DynArray<CollectionBitmap*>& list);
    void ReplaceShadows(const DynArray<CollectionBitmap*>& list);
    void ReplaceAlphas(const DynArray<CollectionBitmap*>& list);
    void ReplaceFromPlate(const DynArray<CollectionBitmap*>& list);
    void ReplaceAlphaFromPlate(const DynArray<CollectionBitmap*>& list);
    void ExportBitmaps(const DynArray<CollectionBitmap*>& list, bool alpha);
    void ExportPlate(const DynArray<CollectionBitmap*>& list, bool alpha);

    // Kinds of replacement MatchReplacements runs.
    enum ReplaceStep : u32 { kReplaceColour = 0, kReplaceShadow = 1, kReplaceAlphaMask = 2 };
    // Pairs the files with the bitmaps by order (mode 0) or by base name (1; each bitmap's name
    // followed by suffix), checks every matched file and runs the step for each pair. Refusals
    // are shown; answers the number of bitmaps replaced.
    u32 MatchReplacements(const DynArray<FileRecord*>& files, u32 mode, const DynArray<CollectionBitmap*>& list,
                          const char* suffix, ReplaceStep step);
    // Adds a shadow made from the 8-bit greyscale image file (loaded and checked), or puts it
    // in place of replace. Answers the new bitmap or null.
    CollectionBitmap* AddShadowFromImage(CollectionBitmap* replace, FileRecord& file);

    // Bitmap windows.
    void OpenBitmapWindow(CollectionBitmap* bitmap);
    BitmapWindow* FindBitmapWindow(const CollectionBitmap* bitmap) const;
    // 1 when no bitmap of the list has an open window; else shows "The bitmap \"%s\" is
    // currently open. Please close it before %s." for the first one and answers 0.
    int CheckNoneOpen(const DynArray<CollectionBitmap*>& list, const char* verb) const;

    // The table's row drag: moves the dragged row's bitmap before the target row's bitmap (or
    // after the last row's).
    void OnRowDropped(ListItem* item, s32 row);
    // Starts a drag of the grid's selected bitmaps (one: 96-pixel image, several: 48-pixel
    // images in a BitmapGridDDData).
    void BeginDrag();
    // The payload BeginDrag hands the window system (null without a selection); the caller
    // owns it until a drag accepts it.
    Window::DragDropData* MakeDragPayload() const;
    // The grid's thumbnails (how many are kept and uploaded).
    const BitmapThumbnailCache* GetThumbnails() const { return thumbnails; }

    Signal<> changed;
    Signal<> openWindowsChanged;

private:
    void OnViewSwitched();
    void OnRowActivated(ListItem* item);
    void OnBitmapWindowClosed(BitmapWindow* window);
    void OnTableContext(Point p) { OnContextMenu(p); }
    const char* Noun() const { return kind == kShadowsPage ? "shadow" : "bitmap"; }
    const char* AllPhrase() const { return rows.count == 1 ? "the only" : "all"; }
    void FreeRows();
    // Points the rows and grid cells that show `from` at `to`, which took its place: a later
    // question's box redraws the page before the lists are rebuilt.
    void Rebind(const CollectionBitmap* from, CollectionBitmap* to);
    // The open-bitmap check, the replacement dialog titled "Import replacement <what>[s]" and
    // MatchReplacements.
    void ReplaceFromFiles(const DynArray<CollectionBitmap*>& list, const char* what, const char* suffix,
                          ReplaceStep step);

    static void DrawGridCell(void* context, const Rect& image, void* userData);
    static void GridDragStart(void* context, GridWindow* grid, s32 item);
    static void GridActivate(void* context, void* userData);
    static void GridDelete(void* context);

    u32 kind;
    TextBox* countLabel;
    Collection* collection;
    DynArray<BitmapWindow*> openWindows;
    DynArray<BitmapRow*> rows;
    ListWindow* table;
    GridWindow* grid;
    DynArray<u32> useColours;  // per row
    BitmapThumbnailCache* thumbnails;
};
