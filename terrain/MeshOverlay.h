#pragma once
// The information text the terrain view shows over its picture.
#include "foundation/String.h"
#include "foundation/Types.h"

class TerrainModel;

struct MeshOverlayInfo {
    u32 chunksAcross, chunksDown;
    u32 chunkClasses[3];  // invisible, partial, full
    u32 rendered;         // squares drawn this frame
    u32 wireframe, mediaAnimation, detailTextures, highlighting;
    u32 highlightMode;    // 0 "Texture Index", 1 "Reflectivity", 2 "Terrain Type"
    u32 tool;             // 1: the detail-map lines follow
    u32 brushShape, brushMode;
    float radius;
    const char* materialName;
    u32 materialScale;
    float brushX, brushZ;
};

// The chunk counts by class, from the last culling.
void CountChunkClasses(const TerrainModel& model, u32 counts[3]);
// The overlay's lines (at most 2047 characters). Switches print "ON" or "OFF"; the
// percentage is of the (32 across - 1) x (32 down - 1) squares the mesh shows.
String FormatMeshOverlay(const MeshOverlayInfo& info);
