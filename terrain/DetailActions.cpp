#include "terrain/DetailActions.h"

#include <cstring>

#include "terrain/TerrainModel.h"

BrushStrokeAction::BrushStrokeAction(TerrainModel* owner_, DetailGrid* saved_, DetailGrid* working_,
                                     const s32 r[4])
    : owner(owner_), saved(saved_), working(working_), before(nullptr), after(nullptr)
{
    memcpy(rect, r, sizeof(rect));
    if (r[2] < r[0] || r[3] < r[1]) return;
    const u32 w = u32(s64(r[2]) - r[0] + 1), h = u32(s64(r[3]) - r[1] + 1);
    before = CreateGridRegion(saved, r[0], r[1], w, h);
    after = CreateGridRegion(working, r[0], r[1], w, h);
    if (after) CopyRegionToGrid(after, saved);
}

BrushStrokeAction::~BrushStrokeAction()
{
    FreeDetailGrid(before);
    FreeDetailGrid(after);
}

void BrushStrokeAction::Apply(const DetailGrid* region)
{
    if (!region) return;
    CopyRegionToGrid(region, saved);
    CopyRegionToGrid(region, working);
    owner->RebuildDetailRegion(rect[0], rect[2], rect[1], rect[3]);
    owner->MarkModified();
}

int BrushStrokeAction::Do()
{
    Apply(after);
    return 1;
}

void BrushStrokeAction::Undo() { Apply(before); }

void WriteFloodFillRuns(DetailGrid* grid, const DynArray<FloodFillRun>& runs, u8 value)
{
    const u64 size = grid->ByteCount();
    u8* bytes = grid->Bytes();
    for (const FloodFillRun& run : runs)
        if (u64(run.offset) + run.length <= size) memset(bytes + run.offset, value, run.length);
}

FloodFillAction::FloodFillAction(TerrainModel* owner_, DetailGrid* saved_, DetailGrid* working_, u32 newValue_,
                                 u32 oldValue_, DynArray<FloodFillRun>* runs_, const s32 r[4])
    : owner(owner_), saved(saved_), working(working_), newValue(newValue_), oldValue(oldValue_), runs(*runs_)
{
    *runs_ = DynArray<FloodFillRun>{nullptr, 0, 0};
    memcpy(rect, r, sizeof(rect));
    WriteFloodFillRuns(saved, runs, u8(newValue));
}

FloodFillAction::~FloodFillAction() { runs.Free(); }

void FloodFillAction::Apply(u8 value)
{
    WriteFloodFillRuns(saved, runs, value);
    WriteFloodFillRuns(working, runs, value);
    owner->RebuildDetailRegion(rect[0], rect[2], rect[1], rect[3]);
    owner->MarkModified();
}

int FloodFillAction::Do()
{
    Apply(u8(newValue));
    return 1;
}

void FloodFillAction::Undo() { Apply(u8(oldValue)); }
