#include "model/LwoObject.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "model/LwoList.h"
#include "model/LwoPostPass.h"

static constexpr u32 ID_FORM = FourCC("FORM");
static constexpr u32 ID_LWO2 = FourCC("LWO2");
static constexpr u32 ID_LWOB = FourCC("LWOB");
static constexpr u32 ID_LAYR = FourCC("LAYR");
static constexpr u32 ID_PNTS = FourCC("PNTS");
static constexpr u32 ID_POLS = FourCC("POLS");
static constexpr u32 ID_TAGS = FourCC("TAGS");
static constexpr u32 ID_PTAG = FourCC("PTAG");
static constexpr u32 ID_BBOX = FourCC("BBOX");
static constexpr u32 ID_VMAP = FourCC("VMAP");
static constexpr u32 ID_VMAD = FourCC("VMAD");
static constexpr u32 ID_ENVL = FourCC("ENVL");
static constexpr u32 ID_CLIP = FourCC("CLIP");
static constexpr u32 ID_SURF = FourCC("SURF");
static constexpr u32 ID_PART = FourCC("PART");
static constexpr u32 ID_SMGP = FourCC("SMGP");

// Arrays are bounded far below this by the file's size; the cap keeps every count an s32.
static constexpr s64 kMaxCount = 0x7FFFFFFF;

void LwoFreeVMap(LwoVMap* vmap)
{
    if (!vmap) return;
    free(vmap->name);
    free(vmap->vindex);
    free(vmap->pindex);
    if (vmap->val) {
        free(vmap->val[0]);
        free(vmap->val);
    }
    free(vmap);
}

void LwoFreePoints(LwoPointList* points)
{
    if (points->pt)
        for (s32 i = 0; i < points->count; ++i) {
            free(points->pt[i].pol);
            free(points->pt[i].vm);
        }
    free(points->pt);
    memset(points, 0, sizeof *points);
}

void LwoFreePolygons(LwoPolygonList* polygons)
{
    if (polygons->corners)
        for (s32 i = 0; i < polygons->vcount; ++i) free(polygons->corners[i].vm);
    free(polygons->corners);
    free(polygons->pol);
    memset(polygons, 0, sizeof *polygons);
}

void LwoFreeTags(LwoTagList* tags)
{
    if (tags->tag)
        for (s32 i = 0; i < tags->count; ++i) free(tags->tag[i]);
    free(tags->tag);
    memset(tags, 0, sizeof *tags);
}

void LwoFreeLayer(LwoLayer* layer)
{
    if (!layer) return;
    free(layer->name);
    LwoFreePoints(&layer->point);
    LwoFreePolygons(&layer->polygon);
    LwoListFree(&layer->vmap, LwoFreeVMap);
    free(layer);
}

void LwoFreeObject(LwoObject* object)
{
    if (!object) return;
    LwoListFree(&object->layer, LwoFreeLayer);
    LwoListFree(&object->env, LwoFreeEnvelope);
    LwoListFree(&object->clip, LwoFreeClip);
    LwoListFree(&object->surf, LwoFreeSurface);
    LwoFreeTags(&object->taglist);
    free(object);
}

LwoObject* LwoNewObject()
{
    LwoObject* object = static_cast<LwoObject*>(calloc(1, sizeof(LwoObject)));
    if (!object) return nullptr;
    LwoLayer* layer = static_cast<LwoLayer*>(calloc(1, sizeof(LwoLayer)));
    if (!layer) {
        free(object);
        return nullptr;
    }
    object->layer = layer;
    return object;
}

int LwoReadPoints(LwoReader* r, s32 size, LwoPointList* points)
{
    if (size == 1) return 1;
    if (size < 0) return 0;
    s64 n = size / 12;
    if (n == 0) return 1;
    if (s64(points->count) + n > kMaxCount) return 0;
    s64 total = points->count + n;
    u64 bytes = u64(total) * sizeof(LwoPoint);
    if (bytes != size_t(bytes)) return 0;
    LwoPoint* pt = static_cast<LwoPoint*>(realloc(points->pt, size_t(bytes)));
    if (!pt) return 0;
    points->pt = pt;
    points->offset = points->count;
    memset(pt + points->offset, 0, size_t(n) * sizeof(LwoPoint));
    points->count = s32(total);

    u8* block = LwoReadBytes(r, s32(n * 12));
    if (!block) return 0;
    LwoBuffer b = LwoMakeBuffer(block, n * 12);
    for (s64 i = 0; i < n; ++i)
        for (int k = 0; k < 3; ++k) pt[points->offset + i].pos[k] = LwoGetF4(&b);
    free(block);
    return 1;
}

int LwoAllocPolygons(LwoPolygonList* list, s32 npols, s32 nverts)
{
    if (npols < 0 || nverts < 0) return 0;
    s64 pcount = s64(list->count) + npols;
    s64 vcount = s64(list->vcount) + nverts;
    if (pcount > kMaxCount || vcount > kMaxCount) return 0;
    u64 pbytes = u64(pcount) * sizeof(LwoPolygon);
    u64 vbytes = u64(vcount) * sizeof(LwoPolygonVertex);
    if (pbytes != size_t(pbytes) || vbytes != size_t(vbytes)) return 0;

    // The first chunk of a layer (nearly always the only one) takes zeroed memory from calloc,
    // which for a large block is fresh pages the kernel zeroes as they are first written: a
    // memset would touch every page twice.
    LwoPolygon* pol = list->pol ? static_cast<LwoPolygon*>(realloc(list->pol, size_t(pbytes ? pbytes : 1)))
                                : static_cast<LwoPolygon*>(calloc(size_t(pbytes ? pbytes : 1), 1));
    if (!pol) return 0;
    if (list->pol) memset(pol + list->count, 0, size_t(npols) * sizeof(LwoPolygon));
    list->pol = pol;
    list->offset = list->count;
    list->count = s32(pcount);

    LwoPolygonVertex* v =
        list->corners ? static_cast<LwoPolygonVertex*>(realloc(list->corners, size_t(vbytes ? vbytes : 1)))
                      : static_cast<LwoPolygonVertex*>(calloc(size_t(vbytes ? vbytes : 1), 1));
    if (!v) return 0;
    if (list->corners) memset(v + list->vcount, 0, size_t(nverts) * sizeof(LwoPolygonVertex));
    list->corners = v;
    list->voffset = list->vcount;
    list->vcount = s32(vcount);

    // The corner array may have moved: point every polygon at its run again.
    LwoPolygonVertex* run = v;
    for (s32 i = 0; i < list->offset; ++i) {
        pol[i].v = run;
        run += pol[i].nverts;
    }
    if (npols > 0) pol[list->offset].v = v + list->voffset;
    return 1;
}

int LwoReadPolygons(LwoReader* r, s32 size, LwoPolygonList* polygons, s32 pointOffset)
{
    if (size == 0) return 1;
    if (size < 4) return 0;
    LwoSetReadCount(r, 0);
    u32 type = LwoReadU4(r);
    u8* block = LwoReadBytes(r, size - 4);
    if (!block || LwoGetReadCount(r) != size) {
        free(block);
        LwoFreePolygons(polygons);
        return 0;
    }

    // First pass: count polygons and corners; every record must end inside the chunk.
    s64 npols = 0, nverts = 0;
    LwoBuffer b = LwoMakeBuffer(block, size - 4);
    while (LwoBufferLeft(&b) > 0 && !b.failed) {
        int nv = LwoGetU2(&b) & 0x03FF;
        for (int j = 0; j < nv; ++j) LwoGetVX(&b);
        ++npols;
        nverts += nv;
    }
    if (b.failed || !LwoAllocPolygons(polygons, s32(npols), s32(nverts))) {
        free(block);
        LwoFreePolygons(polygons);
        return 0;
    }

    b = LwoMakeBuffer(block, size - 4);
    LwoPolygon* pp = polygons->pol + polygons->offset;
    LwoPolygonVertex* pv = polygons->corners + polygons->voffset;
    for (s64 i = 0; i < npols; ++i, ++pp) {
        u16 word = LwoGetU2(&b);
        pp->nverts = word & 0x03FF;
        pp->flags = word & 0xFC00;
        pp->type = type;
        pp->v = pv;
        for (s32 j = 0; j < pp->nverts; ++j, ++pv) pv->index = s32(s64(LwoGetVX(&b)) + pointOffset);
    }
    free(block);
    return 1;
}

int LwoReadTags(LwoReader* r, s32 size, LwoTagList* tags)
{
    if (size == 0) return 1;
    if (size < 0) return 0;
    u8* block = LwoReadBytes(r, size);
    if (!block) return 0;

    // Count the strings; each must end inside the chunk.
    s64 n = 0;
    for (s64 at = 0; at < size;) {
        const void* z = memchr(block + at, 0, size_t(size - at));
        if (!z) {
            free(block);
            return 0;
        }
        s64 len = static_cast<const u8*>(z) - (block + at) + 1;
        at += len + (len & 1);
        ++n;
    }
    if (s64(tags->count) + n > kMaxCount) {
        free(block);
        return 0;
    }
    s64 total = tags->count + n;
    char** tag = static_cast<char**>(realloc(tags->tag, size_t(total ? total : 1) * sizeof(char*)));
    if (!tag) {
        free(block);
        return 0;
    }
    tags->tag = tag;
    memset(tag + tags->count, 0, size_t(n) * sizeof(char*));
    tags->offset = tags->count;
    tags->count = s32(total);

    LwoBuffer b = LwoMakeBuffer(block, size);
    for (s64 i = 0; i < n; ++i) {
        tag[tags->offset + i] = LwoGetS0(&b);
        if (b.failed) {
            free(block);
            return 0;
        }
    }
    free(block);
    return 1;
}

int LwoReadPolygonTags(LwoReader* r, s32 size, LwoTagList* tags, LwoPolygonList* polygons)
{
    LwoSetReadCount(r, 0);
    u32 type = LwoReadU4(r);
    if (LwoReadFailed(r)) return 0;
    if (type != ID_SURF && type != ID_PART && type != ID_SMGP) return LwoSkip(r, LwoRemaining(r));

    // One read for the whole chunk: the pairs are millions in a large object.
    s64 n = std::min(s64(size) - LwoGetReadCount(r), LwoRemaining(r));
    if (n <= 0) return LwoGetReadCount(r) <= size;
    u8* block = LwoReadBytes(r, s32(n));
    if (!block) return 0;
    LwoBuffer b = LwoMakeBuffer(block, n);
    int ok = 1;
    while (LwoBufferLeft(&b) > 0) {
        s64 i = s64(LwoGetVX(&b)) + polygons->offset;
        s64 j = s64(LwoGetVX(&b)) + tags->offset;
        // The polygon must exist now; the tag index is checked when surfaces are resolved.
        if (b.failed || i >= polygons->count || j > kMaxCount) {
            ok = 0;
            break;
        }
        LwoPolygon* pol = &polygons->pol[i];
        if (type == ID_SURF)
            pol->surfIndex = s32(j);
        else if (type == ID_PART)
            pol->part = s32(j);
        else
            pol->smoothgrp = s32(j);
    }
    free(block);
    return ok;
}

LwoVMap* LwoReadVMap(LwoReader* r, s32 size, int perpoly)
{
    LwoSetReadCount(r, 0);
    u8* block = LwoReadBytes(r, size);
    if (!block) return nullptr;
    LwoVMap* vmap = static_cast<LwoVMap*>(calloc(1, sizeof(LwoVMap)));
    if (!vmap) {
        free(block);
        return nullptr;
    }
    vmap->perpoly = perpoly;
    LwoBuffer b = LwoMakeBuffer(block, size);
    vmap->type = LwoGetU4(&b);
    vmap->dim = LwoGetU2(&b);
    vmap->name = LwoGetS0(&b);
    const u8* entries = b.pos;

    s64 count = 0;
    while (LwoBufferLeft(&b) > 0 && !b.failed) {
        LwoGetVX(&b);
        if (perpoly) LwoGetVX(&b);
        for (s32 k = 0; k < vmap->dim; ++k) LwoGetF4(&b);
        if (!b.failed) ++count;
    }
    if (b.failed) {
        free(block);
        LwoFreeVMap(vmap);
        return nullptr;
    }

    // Each entry takes at least 2 bytes of the chunk, so these sizes are bounded by it.
    vmap->count = s32(count);
    if (count) {
        vmap->vindex = static_cast<s32*>(calloc(size_t(count), sizeof(s32)));
        if (perpoly) vmap->pindex = static_cast<s32*>(calloc(size_t(count), sizeof(s32)));
        bool ok = vmap->vindex && (!perpoly || vmap->pindex);
        if (ok && vmap->dim) {
            vmap->val = static_cast<float**>(calloc(size_t(count), sizeof(float*)));
            float* f = vmap->val ? static_cast<float*>(calloc(size_t(count) * size_t(vmap->dim), sizeof(float)))
                                 : nullptr;
            if (f)
                for (s64 i = 0; i < count; ++i) vmap->val[i] = f + i * vmap->dim;
            else
                ok = false;
        }
        if (!ok) {
            free(block);
            LwoFreeVMap(vmap);
            return nullptr;
        }
    }

    b = LwoMakeBuffer(entries, block + size - entries);
    for (s64 i = 0; i < count; ++i) {
        vmap->vindex[i] = LwoGetVX(&b);
        if (perpoly) vmap->pindex[i] = LwoGetVX(&b);
        for (s32 k = 0; k < vmap->dim; ++k) vmap->val[i][k] = LwoGetF4(&b);
    }
    free(block);
    return vmap;
}

static int ReadLayer(LwoReader* r, s32 size, LwoLayer* layer)
{
    LwoSetReadCount(r, 0);
    layer->index = LwoReadU2(r);
    layer->flags = LwoReadU2(r);
    for (int k = 0; k < 3; ++k) layer->pivot[k] = LwoReadF4(r);
    layer->name = LwoReadS0(r);
    s32 rlen = LwoGetReadCount(r);
    if (rlen < 0 || rlen > size) return 0;
    if (size - rlen >= 2) layer->parent = LwoReadU2(r);
    return !LwoReadFailed(r);
}

static int ReadBoundingBox(LwoReader* r, s32 size, LwoLayer* layer)
{
    LwoSetReadCount(r, 0);
    for (int k = 0; k < 6; ++k) layer->bbox[k] = LwoReadF4(r);
    s32 rlen = LwoGetReadCount(r);
    return rlen >= 0 && rlen <= size;
}

// Where the chunks of an LWO2 object go: the current layer and the ends of the lists being
// built, so that appending stays constant-time however many chunks a file holds.
struct ChunkState {
    LwoObject* object;
    LwoLayer* layer;
    LwoListBuilder<LwoLayer> layers;
    LwoListBuilder<LwoVMap> vmaps;
    LwoListBuilder<LwoEnvelope> envs;
    LwoListBuilder<LwoClip> clips;
    LwoListBuilder<LwoSurface> surfs;

    explicit ChunkState(LwoObject* o)
        : object(o), layer(o->layer), layers(&o->layer), vmaps(&o->layer->vmap), envs(&o->env),
          clips(&o->clip), surfs(&o->surf)
    {
    }
};

// Reads one chunk into the object; the reader's limit is the chunk's end.
static int ReadChunk(LwoReader* r, void* context, u32 id, s32 size)
{
    ChunkState* st = static_cast<ChunkState*>(context);
    LwoObject* object = st->object;
    switch (id) {
    case ID_LAYR:
        if (object->nlayers > 0) {
            LwoLayer* next = static_cast<LwoLayer*>(calloc(1, sizeof(LwoLayer)));
            if (!next) return 0;
            st->layers.Add(next);
            st->layer = next;
            st->vmaps = LwoListBuilder<LwoVMap>(&next->vmap);
        }
        ++object->nlayers;
        return ReadLayer(r, size, st->layer);
    case ID_PNTS:
        return LwoReadPoints(r, size, &st->layer->point);
    case ID_POLS:
        return LwoReadPolygons(r, size, &st->layer->polygon, st->layer->point.offset);
    case ID_TAGS:
        return LwoReadTags(r, size, &object->taglist);
    case ID_PTAG:
        return LwoReadPolygonTags(r, size, &object->taglist, &st->layer->polygon);
    case ID_BBOX:
        return ReadBoundingBox(r, size, st->layer);
    case ID_VMAP:
    case ID_VMAD: {
        LwoVMap* vmap = LwoReadVMap(r, size, id == ID_VMAD);
        if (!vmap) return 0;
        st->vmaps.Add(vmap);
        ++st->layer->nvmaps;
        return 1;
    }
    case ID_ENVL: {
        LwoEnvelope* env = LwoReadEnvelope(r, size);
        if (!env) return 0;
        st->envs.Add(env);
        ++object->nenvs;
        return 1;
    }
    case ID_CLIP: {
        LwoClip* clip = LwoReadClip(r, size);
        if (!clip) return 0;
        st->clips.Add(clip);
        ++object->nclips;
        return 1;
    }
    case ID_SURF: {
        LwoSurface* surf = LwoReadSurface(r, size);
        if (!surf) return 0;
        st->surfs.Add(surf);
        ++object->nsurfs;
        return 1;
    }
    default:
        return 1;
    }
}

static int PostPass(LwoObject* object, LwoSurfaceIndex* index)
{
    for (LwoLayer* layer = object->layer; layer; layer = layer->next) {
        LwoGetBoundingBox(&layer->point, layer->bbox);
        if (!LwoCheckPolygonPoints(&layer->point, &layer->polygon)) return 0;
        LwoGetPolygonNormals(&layer->point, &layer->polygon);
        if (!LwoGetPointPolygons(&layer->point, &layer->polygon)) return 0;
        if (!LwoResolvePolygonSurfaces(&layer->polygon, &object->taglist, &object->surf, &object->nsurfs,
                                       index))
            return 0;
        LwoGetVertexNormals(&layer->point, &layer->polygon);
        if (!LwoGetPointVMaps(&layer->point, layer->vmap)) return 0;
        if (!LwoGetPolygonVMaps(&layer->polygon, layer->vmap)) return 0;
    }
    return 1;
}

int LwoReadChunks(LwoReader* r, u32 formSize, void* state, LwoChunkReader readChunk, u32* lastId)
{
    LwoSetReadCount(r, 0);
    u32 chunkId = LwoReadU4(r);
    u32 chunkSize = LwoReadU4(r);
    *lastId = chunkId;
    if (LwoGetReadCount(r) != 8) return 0;
    for (;;) {
        // The chunk must lie inside the file; a final chunk may lack its pad byte.
        s64 raw = chunkSize, left = LwoRemaining(r);
        s64 rounded = raw + (raw & 1);
        if (raw > left || raw > 0x7FFFFFF0) return 0;
        if (rounded > left) rounded = raw;
        s64 saved = LwoPushLimit(r, rounded);
        int ok = readChunk(r, state, chunkId, s32(rounded)) && !LwoReadFailed(r) &&
                 LwoSkip(r, LwoRemaining(r));
        LwoPopLimit(r, saved);
        if (!ok) return 0;

        if (s64(formSize) <= r->pos - 8) return 1;
        LwoSetReadCount(r, 0);
        chunkId = LwoReadU4(r);
        chunkSize = LwoReadU4(r);
        *lastId = chunkId;
        if (LwoGetReadCount(r) != 8) return 0;
    }
}

LwoObject* LwoReadObject(const char* path, u32* failId, s32* failPos)
{
    LwoReader reader;
    LwoReader* r = &reader;
    if (!path || !LwoOpenReader(r, path)) return nullptr;

    LwoSetReadCount(r, 0);
    u32 id = LwoReadU4(r);
    u32 formSize = LwoReadU4(r);
    u32 type = LwoReadU4(r);
    if (LwoGetReadCount(r) != 12) {
        LwoCloseReader(r);
        return nullptr;
    }
    if (id != ID_FORM || (type != ID_LWO2 && type != ID_LWOB)) {
        LwoCloseReader(r);
        if (failPos) *failPos = 12;
        return nullptr;
    }
    if (type == ID_LWOB) {
        LwoCloseReader(r);
        return LwobReadObject(path, failId, failPos);
    }

    LwoObject* object = LwoNewObject();
    u32 chunkId = 0;
    bool ok = false;
    if (object) {
        ChunkState state(object);
        ok = LwoReadChunks(r, formSize, &state, ReadChunk, &chunkId);
    }
    s64 position = r->pos;
    LwoCloseReader(r);

    if (ok) {
        if (object->nlayers == 0) object->nlayers = 1;
        LwoSurfaceIndex* index = LwoNewSurfaceIndex();
        ok = index && PostPass(object, index);
        LwoFreeSurfaceIndex(index);
    }
    if (!ok) {
        if (failId) *failId = chunkId;
        if (failPos) *failPos = s32(position > 0x7FFFFFFF ? 0x7FFFFFFF : position);
        LwoFreeObject(object);
        return nullptr;
    }
    return object;
}
