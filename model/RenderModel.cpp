#include "model/RenderModel.h"

#include <cfloat>
#include <cstdlib>
#include <cstring>
#include <new>

#include "codex/CoreTag.h"
#include "codex/TagFiles.h"
#include "collection/Collection.h"

namespace {

constexpr u32 kCollectionGroup = FourCC(".256");
constexpr u32 kCoreGroup = FourCC("core");

// The collection the geometry's 'core' tag names, read with its bitmaps; null when either
// tag is missing or unreadable.
Collection* LoadGeomCollection(const Geometry* geom)
{
    TagEntry* coreEntry = FindTag(kCoreGroup, geom->header.value1);
    if (!coreEntry) return nullptr;
    TagHeader header;
    FILE* stream = OpenTag(coreEntry, &header);
    CoreTagData* core = stream ? LoadCoreTag(stream, &header) : nullptr;
    CloseTagReader(coreEntry);
    if (!core) return nullptr;
    u32 collectionId = core->collection;
    delete core;

    TagEntry* entry = FindTag(kCollectionGroup, collectionId);
    if (!entry) return nullptr;
    stream = OpenTag(entry, &header);
    Collection* collection = stream ? LoadCollection(stream, &header) : nullptr;
    CloseTagReader(entry);
    return collection;
}

void ComputeBox(RenderModel* model)
{
    if (!model->vertices.count) {
        memset(model->box, 0, sizeof model->box);
        return;
    }
    for (int a = 0; a < 3; ++a) {
        model->box[a] = FLT_MAX;
        model->box[3 + a] = -FLT_MAX;
    }
    for (const RenderVertex& v : model->vertices)
        for (int a = 0; a < 3; ++a) {
            if (v.position[a] < model->box[a]) model->box[a] = v.position[a];
            if (v.position[a] > model->box[3 + a]) model->box[3 + a] = v.position[a];
        }
}

}  // namespace

void InitRenderMaterials(DynArray<RenderMaterial>* array, u32 first, u32 n)
{
    for (u32 i = first; i < first + n && i < array->count; ++i) {
        RenderMaterial* m = &array->data[i];
        memset(static_cast<void*>(m), 0, sizeof *m);
        new (m) RenderMaterial();
    }
}

void FreeRenderMaterials(DynArray<RenderMaterial>* array, u32 first, u32 n)
{
    for (u32 i = first; i < first + n && i < array->count; ++i) {
        RenderMaterial& m = array->data[i];
        m.surfaceName.Clear();
        m.textureFileName.Clear();
        m.image.Free();
        m.alphaImage.Free();
    }
}

RenderMaterial* AddRenderMaterial(RenderModel* model)
{
    u32 index = model->materials.count;
    model->materials.ResizeRaw(index + 1);
    InitRenderMaterials(&model->materials, index, 1);
    return &model->materials.data[index];
}

RenderModel* NewRenderModel()
{
    RenderModel* model = new RenderModel;
    memset(static_cast<void*>(model), 0, sizeof *model);
    return model;
}

void FreeRenderModel(RenderModel* model)
{
    if (!model) return;
    FreeRenderMaterials(&model->materials, 0, model->materials.count);
    model->materials.Free();
    model->vertices.Free();
    model->triangles.Free();
}

void DeleteRenderModel(RenderModel* model)
{
    FreeRenderModel(model);
    delete model;
}

Geometry* LoadGeometry(FILE* stream, const TagHeader* header)
{
    Geometry* geom = new Geometry;
    InitGeom(geom);
    if (!stream || !ReadGeomTag(geom, stream, header)) {
        FreeGeom(geom);
        delete geom;
        return nullptr;
    }
    return geom;
}

RenderModel* BuildRenderModelFromGeom(const Geometry* geom)
{
    RenderModel* model = NewRenderModel();
    const u32 vertexCount = geom->vertices.count;
    model->vertices.ResizeRaw(vertexCount);
    for (u32 i = 0; i < vertexCount; ++i) {
        const s16* s = geom->vertices.data[i].v;
        RenderVertex& v = model->vertices.data[i];
        memset(&v, 0, sizeof v);
        v.position[0] = -float(s[0]) / 512.0f;
        v.position[1] = float(s[2]) / 512.0f;
        v.position[2] = float(s[1]) / 512.0f;
    }
    ComputeBox(model);
    const s16* p = geom->header.point;
    model->pivot[0] = -float(p[0]) / 512.0f;
    model->pivot[1] = float(p[2]) / 512.0f;
    model->pivot[2] = float(p[1]) / 512.0f;

    model->triangles.ResizeRaw(geom->triangles.count);
    u32 kept = 0;
    for (const GeomTriangle& g : geom->triangles) {
        bool inside = true;
        for (const GeomCorner& c : g.corner)
            if (c.vertex >= vertexCount) inside = false;
        // A triangle naming a vertex that is not there cannot be drawn or exported.
        if (!inside) continue;
        RenderTriangle& t = model->triangles.data[kept++];
        memset(&t, 0, sizeof t);
        t.model = model;
        t.color = 0xFFFFFFFFu;
        t.material = s16(g.surface);
        if (g.flags & 1) t.color = (t.color & 0x00FFFFFFu) | (u32(g.transparency / 257) << 24);
        for (int k = 0; k < 3; ++k) {
            t.corner[k].vertex = g.corner[k].vertex;
            t.corner[k].u = float(g.corner[k].t1) / 65535.0f;
            t.corner[k].v = float(g.corner[k].t2) / 65535.0f;
        }
    }
    model->triangles.SetExact(kept);

    Collection* collection = LoadGeomCollection(geom);
    for (const GeomSurface& surface : geom->surfaces) {
        RenderMaterial* m = AddRenderMaterial(model);
        if (!collection) continue;
        Sequence* sequence = collection->GetSequence(surface.value);
        if (!sequence) continue;
        m->surfaceName = sequence->name;
        if (!sequence->GetFrameCount() || !sequence->GetViewCount() || !sequence->frameArray.count ||
            !sequence->GetFrame(0).views.count)
            continue;
        // The pointer is what the collection keeps right; an index read from the file that
        // named no bitmap left it null.
        CollectionBitmap* bitmap = sequence->GetFrameView(0, 0).bitmap;
        s32 index = bitmap ? collection->IndexOfBitmap(bitmap) : -1;
        if (index < 0 || index >= 0xFFFF) continue;
        MakeCollectionTexture(collection, u32(index), m);
        m->textureFileName = bitmap->name;
    }
    delete collection;
    return model;
}

void MakeCollectionTexture(const Collection* collection, u32 bitmapIndex, RenderMaterial* material)
{
    if (!collection || bitmapIndex == 0xFFFFFFFFu) return;
    const CollectionBitmap* bitmap = collection->GetBitmap(bitmapIndex);
    if (!bitmap || bitmap->bytesPerPixel != 2 || !bitmap->pixels) return;
    Image temp;
    temp.Init();
    if (!temp.Create(bitmap->width, bitmap->height, kImageAlphaIndex, bitmap->pixels)) return;
    Rgb palette[256];
    for (u32 i = 0; i < 256; ++i) {
        const ColorTableEntry& e = collection->colorTable.entries[i];
        palette[i] = {e.red, e.green, e.blue};
    }
    temp.SetPalette(256, palette);
    material->alphaImage.CopyFrom(temp, kImageAlpha);
    if (material->image.CopyFrom(temp, kImageIndexed)) material->imageLoaded = 1;
    temp.Free();
}

u8* RenderMaterialRgba(const RenderMaterial& material, u32* width, u32* height)
{
    const Image& image = material.image;
    if (!material.imageLoaded || !image.pixels || !image.width || !image.height) return nullptr;
    Image copy;
    copy.Init();
    if (!copy.CopyFrom(image, image.format)) return nullptr;
    // A picture read from a file whose palette is the grey ramp is kept as one byte of grey.
    if (copy.format == kImageAlpha && copy.paletteCount) copy.format = kImageIndexed;
    if (!copy.ConvertTo(kImageRgba)) {
        copy.Free();
        return nullptr;
    }
    const Image& alpha = material.alphaImage;
    if (alpha.pixels && alpha.format == kImageAlpha && alpha.width == copy.width && alpha.height == copy.height)
        copy.SetChannel(3, alpha.pixels);
    *width = copy.width;
    *height = copy.height;
    u8* pixels = copy.pixels;
    copy.pixels = nullptr;
    copy.Free();
    return pixels;
}
