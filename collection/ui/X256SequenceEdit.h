#pragma once
// The window that edits one sequence of a collection: its numbers, sound tags and flags, and a
// grid of its cells (one row per frame: the frame's shadow, then one column per unique view).
// Bitmaps come by drag and drop from the bitmap pages or other cells, by importing image files
// or plates, and go out as files or plates. Activating a view cell asks for its frame editor.
#include "collection/Collection.h"
#include "gui/Window.h"

class BitmapThumbnailCache;
class CheckBox;
class ComboBox;
class GridWindow;
class TextBox;
struct BitmapDDData;
struct BitmapGridDDData;
struct ListItem;

// The record behind one grid item: the frame's shadow record (shadow column only) or the view
// (view columns only), and the item's index.
struct SequenceCell {
    ShadowRecord* shadow;
    FrameView* view;
    u32 item;
};

class X256SequenceEdit : public Window {
public:
    // Context menu ids.
    enum : s32 {
        kImportViewsFirst = 0,
        kImportFramesFirst = 1,
        kImportPlate = 2,
        kImportAlphasViewsFirst = 3,
        kImportAlphasFramesFirst = 4,
        kImportAlphaPlate = 5,
        kExportBitmaps = 6,
        kExportPlate = 7,
        kExportAlphas = 8,
        kExportAlphaPlate = 9,
    };

    // Top level, 800 x 600, centred; neither pointer is owned.
    X256SequenceEdit(Collection* collection, Sequence* sequence);
    // Emits closed with itself first.
    ~X256SequenceEdit() override;
    const char* GetClassName() const override;
    void GetMinimumFrameSize(Size* out, Size contentSize) override;
    void Resized() override;
    void DrawBackground() override;

    Sequence* GetSequence() const { return sequence; }
    // Rebuilds the grid and the fields from the sequence, keeping the selected cells that
    // still exist.
    void Refresh();
    // Redraws the cells (the sequence changed elsewhere).
    void RedrawCells();
    // Enables or disables the Frames and Views fields.
    void SetSizeFieldsEnabled(int on);
    bool AreSizeFieldsEnabled() const;

    // The fields' handlers (public for tests that type into the fields).
    void ApplyFrames();
    void ApplyViews();

    // Clears the selected cells' bitmaps (Delete and Backspace in the grid).
    void ClearSelectedCells();
    // A view cell asks for its frame editor; the shadow column does nothing.
    void OnCellActivated(u32 item);
    // The payload dragging the selected cells from startItem gives (null when no selected
    // cell has a bitmap); the caller owns it until a drag accepts it.
    Window::DragDropData* MakeDragPayload(s32 startItem) const;
    // A drop on grid item `item`; with testOnly nothing changes. 1 accepted, 0 refused.
    int OnDrop(Window::DragDropData* data, bool testOnly, s32 item);
    int DropBitmap(BitmapDDData* data, bool testOnly, s32 item);
    int DropBitmaps(BitmapGridDDData* data, bool testOnly, s32 item);

    void ShowContextMenu(Point screenPoint);
    void RunCommand(s32 id);
    void ImportBitmaps(bool viewsFastest);
    void ImportAlphas(bool viewsFastest);
    void ImportPlate();
    void ImportAlphaPlate();
    void ExportBitmaps(bool alpha);
    void ExportPlate(bool alpha);

    GridWindow* GetGrid() const { return grid; }
    const DynArray<SequenceCell>& GetCells() const { return cells; }

    Signal<Sequence*> changed;
    Signal<> bitmapsChanged;
    Signal<X256SequenceEdit*> closed;
    Signal<Sequence*, u32, u32> openFrameEdit;  // sequence, view, frame

    Collection* collection;
    Sequence* sequence;
    GridWindow* grid;
    TextBox* framesField;
    TextBox* viewsField;
    TextBox* ticksField;
    TextBox* keyFrameField;
    TextBox* transferField;
    ComboBox* modeSelector;
    TextBox* loopFrameField;
    TextBox* firstSoundField;
    TextBox* keySoundField;
    TextBox* lastSoundField;
    CheckBox* useMirroring;
    CheckBox* noRotation;
    u32 updating;
    CheckBox* horzMirror;
    CheckBox* vertMirror;
    CheckBox* shadowIsLight;
    DynArray<SequenceCell> cells;

private:
    void FillFields();
    void UpdateCaption(u32 frame, u32 column);
    void Edited();
    // Every unique view's bitmap of every frame, frame by frame (null where none).
    void CollectViewBitmaps(DynArray<CollectionBitmap*>* out) const;
    bool EveryViewHasBitmap() const;
    void OnFramesFocusLost(int reason);
    void OnViewsFocusLost(int reason);
    // Each field stores only its own value: a value a field cannot show as stored (an id of 0
    // shows empty) must not be rewritten by an edit of another field.
    void ApplyNumber(TextBox* field, u16* value);
    void ApplySound(TextBox* field, u32* value);
    void OnTicksChanged() { ApplyNumber(ticksField, &sequence->ticksPerFrame); }
    void OnKeyFrameChanged() { ApplyNumber(keyFrameField, &sequence->keyFrame); }
    void OnTransferChanged() { ApplyNumber(transferField, &sequence->transferPeriod); }
    void OnLoopFrameChanged() { ApplyNumber(loopFrameField, &sequence->loopFrame); }
    void OnFirstSoundChanged() { ApplySound(firstSoundField, &sequence->firstSound); }
    void OnKeySoundChanged() { ApplySound(keySoundField, &sequence->keySound); }
    void OnLastSoundChanged() { ApplySound(lastSoundField, &sequence->lastSound); }
    void OnMode(ListItem* item, u32 data);
    void OnSequenceFlags();
    // A cell box sets or clears its one bit in every selected cell of its kind.
    void ApplyCellFlag(CheckBox* box);
    void OnHorzMirror() { ApplyCellFlag(horzMirror); }
    void OnVertMirror() { ApplyCellFlag(vertMirror); }
    void OnShadowIsLight() { ApplyCellFlag(shadowIsLight); }
    void OnGridSelection();
    void OnGridContext(Point p) { ShowContextMenu(p); }

    static void DrawGridCell(void* context, const Rect& image, void* userData);
    static void GridDragStart(void* context, GridWindow* grid, s32 item);
    static int GridDrop(void* context, GridWindow* grid, Window::DragDropData* data, u32 phase, s32 item);
    static void GridActivate(void* context, void* userData);
    static void GridDelete(void* context);

    u32 filling;  // the fields are being filled from the sequence: their signals are no edits
    // The cells' pictures, uploaded once and drawn from their textures while the grid scrolls.
    BitmapThumbnailCache* thumbnails;
};
