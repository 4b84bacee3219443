#include "codex/MeshTag.h"

#include <cstdlib>
#include <cstring>

#include "codex/TagData.h"

void InitMesh(MeshTagData* mesh)
{
    memset(mesh, 0, sizeof *mesh);
}

void FreeMesh(MeshTagData* mesh)
{
    free(mesh->cells);
    mesh->cells = nullptr;
}

void FixMeshCellFlags(MeshCell* cells, u32 columns, u32 rows)
{
    const u16 bothMedia = kCellMedia0 | kCellMedia1;
    for (u32 y = 1; y < rows; ++y)
        for (u32 x = 1; x < columns; ++x) {
            MeshCell& c = cells[size_t(y) * columns + x];
            const MeshCell& left = cells[size_t(y) * columns + x - 1];
            const MeshCell& up = cells[size_t(y - 1) * columns + x];
            const MeshCell& upLeft = cells[size_t(y - 1) * columns + x - 1];
            c.flags &= u16(~0x200);
            if ((c.flags & bothMedia) == bothMedia && (left.flags & bothMedia) == bothMedia &&
                (up.flags & bothMedia) == bothMedia && (upLeft.flags & bothMedia) == bothMedia)
                c.flags |= kCellMediaWave;
            c.flags &= u16(~0x4000);
        }
}

int ReadMeshTag(MeshTagData* mesh, FILE* stream, const TagHeader* header)
{
    FreeMesh(mesh);
    if (header->version != 11) return 0;
    MeshHeader& h = mesh->header;
    if (!TagDataHolds(header, 0, sizeof h) || !SeekTagData(stream, header, 0) ||
        !ReadRecords(&h, 1, kMeshHeaderDescriptor, stream))
        return 0;
    if (h.chunkColumns <= 0 || h.chunkRows <= 0) return 0;
    u32 columns = u32(h.chunkColumns) * 32, rows = u32(h.chunkRows) * 32;
    u64 cellCount = u64(columns) * rows;
    u64 start = u64(h.cellsBase) + h.cellsOffset;
    if (!TagDataHolds(header, start, cellCount * sizeof(MeshCell)) || !SeekTagData(stream, header, start)) return 0;
    mesh->cells = static_cast<MeshCell*>(malloc(size_t(cellCount * sizeof(MeshCell))));
    if (!mesh->cells) return 0;
    if (!ReadRecords(mesh->cells, u32(cellCount), kMeshCellDescriptor, stream)) {
        FreeMesh(mesh);
        return 0;
    }
    mesh->columns = columns;
    mesh->rows = rows;
    FixMeshCellFlags(mesh->cells, columns, rows);
    return 1;
}
