#pragma once
// The in-memory LightWave object read from LWO2 and LWOB files.
//
// Records are zero-filled malloc'd blocks; layers, surfaces, clips and envelopes are linked
// lists (model/LwoList.h); points, polygons and corners are arrays with counts. After a
// successful read every polygon has a surface, every corner names an existing point, every VMAP
// entry an existing point and every VMAD entry an existing polygon.
#include "model/LwoClip.h"
#include "model/LwoEnvelope.h"
#include "model/LwoReader.h"
#include "model/LwoSurface.h"

struct LwoVMap {
    LwoVMap* next;
    LwoVMap* prev;
    char* name;
    u32 type;  // 'TXUV', 'WGHT', 'RGB '...
    s32 dim;
    s32 count;
    s32 perpoly;  // 1 for VMAD
    s32* vindex;  // point indices, from the layer's first point
    s32* pindex;  // polygon indices (VMAD only), from the layer's first polygon
    float** val;  // count pointers into one block of count * dim floats; null when dim is 0
};

struct LwoVMapRef {
    LwoVMap* vmap;
    s32 index;
};

struct LwoPoint {
    float pos[3];
    s32 npols;
    s32* pol;  // one polygon index per corner that uses the point
    s32 nvmaps;
    LwoVMapRef* vm;
};

struct LwoPolygonVertex {
    s32 index;  // point index
    float norm[3];
    s32 nvmaps;
    LwoVMapRef* vm;  // per-polygon (VMAD) maps only
};

struct LwoPolygon {
    LwoSurface* surf;
    s32 surfIndex;  // TAGS index of the surface while reading
    s32 part;
    s32 smoothgrp;
    s32 flags;  // the high 6 bits of the corner-count word
    u32 type;   // 'FACE', 'PTCH', 'CURV'...
    float norm[3];
    s32 nverts;  // at most 1023
    LwoPolygonVertex* v;
};

struct LwoPointList {
    s32 count;
    s32 offset;  // first index added by the latest PNTS chunk
    LwoPoint* pt;
};

struct LwoPolygonList {
    s32 count;
    s32 offset;  // first index added by the latest POLS chunk
    s32 vcount;
    s32 voffset;
    LwoPolygon* pol;
    LwoPolygonVertex* corners;  // every corner of the layer; each polygon points into it
};

struct LwoLayer {
    LwoLayer* next;
    LwoLayer* prev;
    char* name;
    s32 index;
    s32 parent;
    s32 flags;
    float pivot[3];
    float bbox[6];  // minimum x, y, z, then maximum x, y, z
    LwoPointList point;
    LwoPolygonList polygon;
    s32 nvmaps;
    LwoVMap* vmap;
};

struct LwoTagList {
    s32 count;
    s32 offset;  // first index added by the latest TAGS chunk
    char** tag;  // null for an empty string
};

struct LwoObject {
    LwoLayer* layer;  // at least one
    LwoEnvelope* env;
    LwoClip* clip;
    LwoSurface* surf;
    LwoTagList taglist;
    s32 nlayers;
    s32 nenvs;
    s32 nclips;
    s32 nsurfs;
};

// Reads an LWO2 or LWOB file. Answers a new object, or null when the file cannot be opened, is
// not a LightWave object, or is damaged (a chunk or sub-chunk crossing its enclosing chunk or the
// file's end, an index outside its points, polygons or tags, a failed allocation). On failure
// *failId (when not null) receives the id of the last chunk header read and *failPos the stream
// position, except when the file could not be opened or its FORM header not read.
LwoObject* LwoReadObject(const char* path, u32* failId, s32* failPos);
// Frees the object and everything it owns; null is allowed.
void LwoFreeObject(LwoObject* object);

// The LWOB reader LwoReadObject hands old files to; the same contract.
LwoObject* LwobReadObject(const char* path, u32* failId, s32* failPos);

// A new object with one empty layer and layer count 0; null when out of memory.
LwoObject* LwoNewObject();

// Reads the chunks of a FORM after its 12-byte header: each chunk is handed to readChunk (with the
// caller's state) with the reader's limit set to its end and its size rounded up to even, and its
// unread rest is skipped. Answers 1 when the form ended cleanly; 0 when a chunk crosses the
// file's end, a reader fails or a header is short. *lastId is the last chunk id read.
typedef int (*LwoChunkReader)(LwoReader* r, void* state, u32 id, s32 size);
int LwoReadChunks(LwoReader* r, u32 formSize, void* state, LwoChunkReader readChunk, u32* lastId);

// Chunk readers: each receives the chunk's size rounded up to even, answers 1 or 0.
int LwoReadPoints(LwoReader* r, s32 size, LwoPointList* points);
int LwoReadPolygons(LwoReader* r, s32 size, LwoPolygonList* polygons, s32 pointOffset);
int LwoReadTags(LwoReader* r, s32 size, LwoTagList* tags);
int LwoReadPolygonTags(LwoReader* r, s32 size, LwoTagList* tags, LwoPolygonList* polygons);
LwoVMap* LwoReadVMap(LwoReader* r, s32 size, int perpoly);
// Grows the polygon and corner arrays by zeroed entries and re-points every polygon's corners.
int LwoAllocPolygons(LwoPolygonList* list, s32 npols, s32 nverts);

void LwoFreeLayer(LwoLayer* layer);
void LwoFreePoints(LwoPointList* points);
void LwoFreePolygons(LwoPolygonList* polygons);
void LwoFreeTags(LwoTagList* tags);
void LwoFreeVMap(LwoVMap* vmap);
