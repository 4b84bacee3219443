#pragma once
// Small terrain meshes built in memory for the terrain tests.
#include <cstdlib>
#include <cstring>
#include <functional>

#include "codex/MeshTag.h"
#include "terrain/TerrainModel.h"

// A mesh of across x down chunks whose vertex (x, z) gets height(x, z) (1/512 units) and no flags.
inline MeshTagData* MakeMesh(u32 across, u32 down, const std::function<s16(u32, u32)>& height)
{
    MeshTagData* mesh = new MeshTagData;
    InitMesh(mesh);
    mesh->header.chunkColumns = s16(across);
    mesh->header.chunkRows = s16(down);
    mesh->columns = across * 32;
    mesh->rows = down * 32;
    mesh->cells = static_cast<MeshCell*>(calloc(size_t(mesh->columns) * mesh->rows, sizeof(MeshCell)));
    for (u32 z = 0; z < mesh->rows; ++z)
        for (u32 x = 0; x < mesh->columns; ++x) mesh->cells[size_t(z) * mesh->columns + x].height = height(x, z);
    return mesh;
}

inline MeshTagData* MakeFlatMesh(u32 across, u32 down)
{
    return MakeMesh(across, down, [](u32, u32) { return s16(0); });
}

// A model loaded from a mesh without textures, with empty detail grids loaded.
inline void LoadModel(TerrainModel& model, MeshTagData* mesh, bool withDetail = true)
{
    model.Load(mesh, nullptr, 0, nullptr, nullptr);
    if (withDetail) {
        model.CreateDetailGrids();
        model.detailMapLoaded = 1;
    }
}

inline u8& VertexAt(TerrainModel& m, u32 x, u32 z) { return m.vertexGrid->Bytes()[size_t(z) * m.width + x]; }
inline u8& TriangleAt(TerrainModel& m, u32 x, u32 z, u32 t)
{
    return m.triangleGrid->Bytes()[(size_t(z) * m.width + x) * 2 + t];
}
