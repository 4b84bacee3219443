#pragma once
// The undo entries of detail editing. Both are pushed as already applied; undo and redo write
// the same bytes into the working grid and its saved copy, then rebuild the touched area.
#include "foundation/DynArray.h"
#include "foundation/UndoHistory.h"
#include "terrain/DetailGrid.h"
#include "terrain/FloodFill.h"

class TerrainModel;

// One brush stroke: the stroke rectangle of one grid before and after.
class BrushStrokeAction : public UndoableAction {
public:
    // Cuts the before-image from the saved grid and the after-image from the working grid over
    // the rectangle {x0, z0, x1, z1} (inclusive), then brings the saved grid up to the working
    // grid there. Check Valid(): the regions are null when the rectangle is empty, outside the
    // grids or memory runs out.
    BrushStrokeAction(TerrainModel* owner, DetailGrid* saved, DetailGrid* working, const s32 rect[4]);
    ~BrushStrokeAction() override;
    bool Valid() const { return before && after; }
    int Do() override;
    void Undo() override;

    TerrainModel* owner;
    DetailGrid* saved;
    DetailGrid* working;
    DetailGrid* before;
    DetailGrid* after;
    s32 rect[4];

private:
    void Apply(const DetailGrid* region);
};

// One flood fill: the changed runs of bytes with the old and the new value.
class FloodFillAction : public UndoableAction {
public:
    // Takes the runs (the caller's array is emptied) and writes the new value into the saved
    // grid's runs.
    FloodFillAction(TerrainModel* owner, DetailGrid* saved, DetailGrid* working, u32 newValue, u32 oldValue,
                    DynArray<FloodFillRun>* runs, const s32 rect[4]);
    ~FloodFillAction() override;
    int Do() override;
    void Undo() override;

    TerrainModel* owner;
    DetailGrid* saved;
    DetailGrid* working;
    u32 newValue;
    u32 oldValue;
    DynArray<FloodFillRun> runs;
    s32 rect[4];

private:
    void Apply(u8 value);
};

// Writes value into every run of the grid (runs past the grid's bytes are skipped).
void WriteFloodFillRuns(DetailGrid* grid, const DynArray<FloodFillRun>& runs, u8 value);
