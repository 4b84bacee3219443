#include "terrain/MeshOverlay.h"

#include <cstdio>

#include "terrain/TerrainModel.h"

namespace {

const char* OnOff(u32 on) { return on ? "ON" : "OFF"; }

}  // namespace

void CountChunkClasses(const TerrainModel& model, u32 counts[3])
{
    counts[0] = counts[1] = counts[2] = 0;
    for (u32 k = 0; k < model.chunks.count; ++k) {
        const s32 c = model.chunks.data[k].classification;
        if (c >= 0 && c <= 2) ++counts[c];
    }
}

String FormatMeshOverlay(const MeshOverlayInfo& info)
{
    static const char* const kModes[3] = {"Texture Index", "Reflectivity", "Terrain Type"};
    const double total = (32.0 * info.chunksAcross - 1) * (32.0 * info.chunksDown - 1);
    const double percent = total > 0 ? info.rendered * 100.0 / total : 0.0;
    char text[2048];
    int n = snprintf(text, sizeof text,
                     "Mesh Dimensions: %d x %d\nMesh Chunks: %d invisible, %d partial, %d full\n"
                     "Mesh Cells: %d rendered (%.1f%%)\nWireframe: %s\nMedia Animation: %s\n",
                     int(info.chunksAcross), int(info.chunksDown), int(info.chunkClasses[0]), int(info.chunkClasses[1]),
                     int(info.chunkClasses[2]), int(info.rendered), percent, OnOff(info.wireframe),
                     OnOff(info.mediaAnimation));
    if (info.tool == 1 && n > 0 && size_t(n) < sizeof text)
        snprintf(text + n, sizeof text - size_t(n),
                 "Detail Textures: %s\nHighlighting: %s\nHighlight Mode: %s\nBrush Shape: %s\nBrush Mode: %s\n"
                 "Brush Radius: %.1f\nBrush Material: %s\nBrush Scale: %d px/cell (%.1f:1)\n"
                 "Brush Position: {%.2f, %.2f}\n",
                 OnOff(info.detailTextures), OnOff(info.highlighting), kModes[info.highlightMode % 3],
                 info.brushShape ? "Square" : "Round", info.brushMode ? "Triangle" : "Vertex", info.radius,
                 info.materialName ? info.materialName : "<none>", int(info.materialScale),
                 info.materialScale / 8.0, info.brushX, info.brushZ);
    return String(text);
}
