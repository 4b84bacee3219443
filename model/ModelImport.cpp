#include "model/ModelImport.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "codex/CoreTag.h"
#include "codex/Geometry.h"
#include "codex/LocalFolder.h"
#include "codex/ModelTag.h"
#include "codex/TagFiles.h"
#include "collection/Collection.h"
#include "foundation/DirectoryStack.h"
#include "foundation/FileRecord.h"
#include "foundation/Log.h"
#include "foundation/SaveFile.h"

const char* const kModelImportCategory = "Model Import";

namespace {

constexpr u32 kGeomGroup = FourCC("geom");
constexpr u32 kCollectionGroup = FourCC(".256");
constexpr u32 kCoreGroup = FourCC("core");
constexpr u32 kModeGroup = FourCC("mode");
constexpr u32 kModelGroups[4] = {kGeomGroup, kCollectionGroup, kCoreGroup, kModeGroup};

// The colour channel's first texture when it is an image map, else null.
const LwoTexture* ColorImageMap(const LwoSurface* surface)
{
    const LwoTexture* t = surface->color.tex;
    return t && t->type == FourCC("IMAP") ? t : nullptr;
}

bool IsUvMap(const LwoVMap* map, const char* name)
{
    return map && map->type == FourCC("TXUV") && map->dim >= 2 && map->val &&
           LwoCompareNames(map->name, name) == 0;
}

// The texture coordinate a corner takes from the UV map name: its own per-polygon UVs when it
// has any, else its point's.
bool FindCornerUv(const LwoLayer* layer, const LwoPolygonVertex& corner, const char* name, float* u, float* v)
{
    bool hasOwnUvs = false;
    for (s32 i = 0; i < corner.nvmaps; ++i) {
        const LwoVMap* map = corner.vm[i].vmap;
        if (map && map->type == FourCC("TXUV") && map->dim >= 2) hasOwnUvs = true;
    }
    const LwoVMapRef* refs = corner.vm;
    s32 count = corner.nvmaps;
    if (!hasOwnUvs) {
        const LwoPoint& point = layer->point.pt[corner.index];
        refs = point.vm;
        count = point.nvmaps;
    }
    for (s32 i = 0; i < count; ++i) {
        const LwoVMap* map = refs[i].vmap;
        if (!IsUvMap(map, name) || refs[i].index < 0 || refs[i].index >= map->count) continue;
        const float* value = map->val[refs[i].index];
        *u = value[0];
        *v = 1.0f - value[1];
        return true;
    }
    return false;
}

// The clip's file name after its first ':' and then after its last '/' (or '\').
String ClipFileName(const LwoClip* clip)
{
    if (!clip || clip->type != FourCC("STIL") || !clip->source.still.name) return String();
    const char* name = clip->source.still.name;
    if (const char* colon = strchr(name, ':')) name = colon + 1;
    for (const char* p = name; *p; ++p)
        if (*p == '/' || *p == '\\') name = p + 1;
    return String(name);
}

void LoadMaterialPicture(const LwoObject* object, const LwoTexture* texture, RenderMaterial* material)
{
    if (!texture) return;
    material->textureFileName = ClipFileName(LwoFindClip(object->clip, texture->param.imap.cindex));
    if (material->textureFileName.IsEmpty()) return;
    FileRecord record(material->textureFileName.c_str());
    if (!record.Sniff() || record.kind != kFileKindImage || !record.Load()) return;
    material->image.MoveFrom(record.image);
    material->imageLoaded = 1;
}

bool IsPaletted(const Image& image)
{
    return image.format == kImageIndexed || (image.format == kImageAlpha && image.paletteCount);
}

// Every whole unit square the stored box covers, as (column, row, 2).
int AddCoveredCells(Model* mode, const GeometryHeader& h)
{
    s32 c0 = s32(std::floor(h.boxMin[0] / 512.0)), c1 = s32(std::ceil(h.boxMax[0] / 512.0));
    s32 r0 = s32(std::floor(h.boxMin[1] / 512.0)), r1 = s32(std::ceil(h.boxMax[1] / 512.0));
    for (s32 row = r0; row < r1; ++row)
        for (s32 column = c0; column < c1; ++column)
            if (!AddModelCell(mode, u16(column), u16(row), 2)) return 0;
    return 1;
}

bool FillGeometry(Geometry* geom, const RenderModel* model, u32 coreId)
{
    const char* reason = nullptr;
    if (model->vertices.count > kGeomMaxCount) reason = "vertices";
    else if (model->triangles.count > kGeomMaxCount) reason = "triangles";
    else if (model->materials.count > kGeomMaxCount) reason = "surfaces";
    if (reason) {
        LogMessage(2, kModelImportCategory, "The model has too many %s for a geometry (at most %u).\n", reason,
                   kGeomMaxCount);
        return false;
    }
    const float* box = model->box;
    if (!SetGeomHeader(geom, 0, coreId, box, box + 3, model->pivot)) {
        LogMessage(2, kModelImportCategory,
                   "The model's bounds or pivot lie outside what a geometry can store (-64 to 64).\n");
        return false;
    }
    ResizeGeomSurfaces(geom, model->materials.count);
    for (u32 i = 0; i < model->materials.count; ++i)
        SetGeomSurface(geom, i, model->materials.data[i].surfaceName.c_str(), u16(i));
    ResizeGeomVertices(geom, model->vertices.count);
    for (u32 i = 0; i < model->vertices.count; ++i) {
        const float* p = model->vertices.data[i].position;
        if (!SetGeomVertex(geom, i, p[0], p[1], p[2])) {
            LogMessage(2, kModelImportCategory,
                       "Vertex %u (%g, %g, %g) lies outside what a geometry can store (-64 to 64).\n", i,
                       double(p[0]), double(p[1]), double(p[2]));
            return false;
        }
    }
    ResizeGeomTrianglesZeroed(geom, model->triangles.count);
    for (u32 i = 0; i < model->triangles.count; ++i) {
        const RenderTriangle& t = model->triangles.data[i];
        for (u32 c = 0; c < 3; ++c)
            SetGeomCorner(geom, i, c, u16(t.corner[c].vertex), t.corner[c].u, t.corner[c].v);
        SetGeomTriangle(geom, i, 0, u16(t.material), float(t.color >> 24) / 255.0f);
    }
    return true;
}

bool FillCollection(Collection* collection, const RenderModel* model)
{
    // The colour table comes from the first material that has a picture; a later picture
    // with other colours would show wrong, so it is reported.
    const RenderMaterial* source = nullptr;
    for (const RenderMaterial& m : model->materials) {
        if (!m.imageLoaded || !m.image.palette) continue;
        if (!source) {
            source = &m;
            ColorTableEntry entries[256];
            for (u32 i = 0; i < 256; ++i) entries[i] = {m.image.palette[i].r, m.image.palette[i].g, m.image.palette[i].b};
            collection->SetColorTable(entries, m.image.paletteCount);
        } else if (m.image.paletteCount != source->image.paletteCount ||
                   memcmp(m.image.palette, source->image.palette, sizeof(Rgb) * m.image.paletteCount) != 0) {
            LogMessage(2, kModelImportCategory,
                       "Texture '%s' has other colours than '%s'; it takes the colours of '%s'.\n",
                       m.textureFileName.c_str(), source->textureFileName.c_str(),
                       source->textureFileName.c_str());
        }
    }
    for (u32 i = 0; i < model->materials.count; ++i) {
        const RenderMaterial& m = model->materials.data[i];
        const Image& image = m.image;
        u32 w = m.imageLoaded && image.pixels ? image.width : 0;
        u32 h = m.imageLoaded && image.pixels ? image.height : 0;
        u8* pixels = nullptr;
        if (w && h) {
            pixels = static_cast<u8*>(malloc(size_t(u64(w) * h * 2)));
            if (!pixels) return false;
            for (u64 p = 0; p < u64(w) * h; ++p) {
                pixels[p * 2] = 255;
                pixels[p * 2 + 1] = image.pixels[p];
            }
        }
        CollectionBitmap* bitmap = collection->AddBitmap(m.textureFileName.c_str(), 0, pixels, w, h, 2, nullptr);
        free(pixels);
        if (!bitmap) return false;
        Sequence* sequence = collection->AddSequence(m.surfaceName.c_str());
        if (!sequence) return false;
        sequence->Resize(1, 1);
        sequence->GetFrameView(0, 0).bitmap = bitmap;
    }
    return true;
}

bool FillModel(Model* mode, const Geometry* geom, u32 geomId, u32 vertexCount)
{
    SetModelGeometry(mode, geomId, 0);
    if (!AddCoveredCells(mode, geom->header) || !ResizeModelIdList(mode, vertexCount) || !ResizeModelRecords(mode, 1))
        return false;
    SetModelRecord(mode, 0);
    return true;
}

// Whether a local tag file of that name in the group would stop the tag from being created:
// one that holds a tag in use (or one the database does not know and so cannot remove).
bool LocalNameBlocked(u32 group, const char* name)
{
    TagHeader h = {};
    h.group = group;
    SetTagName(h, name);
    String path = GetLocalTagPath(h, nullptr);
    FILE* stream = fopen(path.c_str(), "rb");
    if (!stream) return false;
    TagHeader other;
    bool isTag = ReadTagHeadersAnyVersion(&other, 1, stream) && IsTagHeaderSignature(other);
    fclose(stream);
    if (!isTag) return false;
    TagEntry* holder = FindTagEntry(other.group, other.tag);
    return !holder || holder->attachments.count || TagWriteStream(holder) || !holder->local_copy;
}

// The bytes of the local tag file that CreateTag, allowed to overwrite, deletes to make room
// for a new tag of the same name. An import failing after that puts them back, so a failed
// re-import never loses the model it was replacing.
struct ReplacedTagFile {
    String path;
    std::vector<char> bytes;
    bool kept = false;

    void Keep(u32 group, const char* name)
    {
        TagHeader h = {};
        h.group = group;
        SetTagName(h, name);
        path = GetLocalTagPath(h, nullptr);
        FILE* stream = fopen(path.c_str(), "rb");
        if (!stream) return;
        TagHeader other;
        bool isTag = ReadTagHeadersAnyVersion(&other, 1, stream) && IsTagHeaderSignature(other);
        if (isTag && fseek(stream, 0, SEEK_SET) == 0) {
            char block[65536];
            size_t n;
            while ((n = fread(block, 1, sizeof block, stream)) > 0) bytes.insert(bytes.end(), block, block + n);
            kept = !ferror(stream);
        }
        fclose(stream);
    }

    // Answers whether the file holds its old bytes again.
    bool Restore() const
    {
        if (!kept) return true;
        SaveFile save;
        return save.Begin(path.c_str()) && save.Write(bytes.data(), bytes.size()) && save.Commit();
    }
};

template <typename Writer>
bool WriteModelTag(TagEntry* entry, TagHeader* header, u16 version, Writer write)
{
    FILE* stream = BeginTagWrite(entry, header, nullptr);
    if (!stream) return false;
    bool ok = write(stream, header);
    header->version = version;
    return FinishTagWrite(entry, header, ok);
}

}  // namespace

RenderModel* BuildRenderModelFromLwo(const LwoObject* object)
{
    const LwoLayer* layer = object ? object->layer : nullptr;
    if (!layer) return nullptr;
    const LwoPolygonList& polygons = layer->polygon;
    for (s32 i = 0; i < polygons.count; ++i)
        if (polygons.pol[i].nverts != 3) return nullptr;

    RenderModel* model = NewRenderModel();
    const float* b = layer->bbox;
    const float box[6] = {-b[0], b[1], b[2], -b[3], b[4], b[5]};
    memcpy(model->box, box, sizeof box);
    model->pivot[0] = -layer->pivot[0];
    model->pivot[1] = layer->pivot[1];
    model->pivot[2] = layer->pivot[2];
    model->vertices.ResizeRaw(u32(layer->point.count));
    for (s32 i = 0; i < layer->point.count; ++i) {
        RenderVertex& v = model->vertices.data[i];
        memset(&v, 0, sizeof v);
        const float* p = layer->point.pt[i].pos;
        v.position[0] = -p[0];
        v.position[1] = p[1];
        v.position[2] = p[2];
    }

    DynArray<const LwoSurface*> met = {};
    model->triangles.ResizeRaw(u32(polygons.count));
    for (s32 i = 0; i < polygons.count; ++i) {
        const LwoPolygon& polygon = polygons.pol[i];
        const LwoSurface* surface = polygon.surf;
        const LwoTexture* texture = surface ? ColorImageMap(surface) : nullptr;
        bool uvMapped = texture && texture->param.imap.projection == 5;

        u32 material = 0;
        while (material < met.count && met.data[material] != surface) ++material;
        if (material == met.count) {
            met.Push(surface);
            LoadMaterialPicture(object, texture, AddRenderMaterial(model));
        }

        RenderTriangle& t = model->triangles.data[i];
        memset(&t, 0, sizeof t);
        t.model = model;
        t.material = s32(material);
        t.color = 0xFFFFFFFFu;
        t.normal[0] = -polygon.norm[0];
        t.normal[1] = polygon.norm[1];
        t.normal[2] = polygon.norm[2];
        for (int k = 0; k < 3; ++k) {
            const LwoPolygonVertex& corner = polygon.v[2 - k];
            RenderCorner& c = t.corner[k];
            c.vertex = corner.index;
            c.normal[0] = -corner.norm[0];
            c.normal[1] = corner.norm[1];
            c.normal[2] = corner.norm[2];
            if (uvMapped) FindCornerUv(layer, corner, texture->param.imap.vmapName, &c.u, &c.v);
        }
    }
    met.Free();
    return model;
}

TagEntry* ConvertImportToModelTags(RenderModel* model, const char* name)
{
    // Nothing is created or overwritten until every tag is known to be possible.
    for (u32 group : kModelGroups)
        if (LocalNameBlocked(group, name)) {
            char code[5];
            TagCodeToText(group, code);
            LogMessage(2, kModelImportCategory, "The tag '%s' of group '%s' is in use and cannot be replaced.\n",
                       name, code);
            return nullptr;
        }
    Geometry geom;
    InitGeom(&geom);
    if (!FillGeometry(&geom, model, 0)) {
        FreeGeom(&geom);
        return nullptr;
    }

    ReplacedTagFile replaced[4];
    for (u32 i = 0; i < 4; ++i) replaced[i].Keep(kModelGroups[i], name);

    TagEntry* entries[4] = {};
    TagHeader headers[4];
    bool created = true;
    for (u32 i = 0; i < 4 && created; ++i) {
        entries[i] = CreateTag(kModelGroups[i], kNoTagId, name, &headers[i], true);
        created = entries[i] != nullptr;
    }
    bool written[4] = {};
    bool ok = created;
    Collection collection;
    Model mode;
    InitModel(&mode);
    if (ok) {
        ok = FillCollection(&collection, model) &&
             (written[1] = WriteModelTag(entries[1], &headers[1], 4, [&](FILE* f, TagHeader* h) {
                  return collection.Write(f, h) != 0;
              }));
    }
    if (ok) {
        CoreTagData core = {};
        core.collection = entries[1]->tag;
        core.values[0] = 1;
        for (u32 i = 2; i < 165; ++i) core.values[i] = 0xFFFF;
        core.values[165] = 0;
        ok = written[2] = WriteModelTag(entries[2], &headers[2], 1, [&](FILE* f, TagHeader*) {
            return WriteCoreTag(&core, f) != 0;
        });
    }
    if (ok) {
        geom.header.value1 = entries[2]->tag;
        ok = written[0] = WriteModelTag(entries[0], &headers[0], 1, [&](FILE* f, TagHeader* h) {
            return WriteGeomTag(&geom, f, h) != 0;
        });
    }
    if (ok) {
        ok = FillModel(&mode, &geom, entries[0]->tag, geom.vertices.count) &&
             (written[3] = WriteModelTag(entries[3], &headers[3], 4, [&](FILE* f, TagHeader* h) {
                  return WriteModelTag(&mode, f, h) != 0;
              }));
    }
    FreeModel(&mode);
    FreeGeom(&geom);
    collection.Free();
    if (ok) return entries[0];
    // Only what this call made goes again.
    for (u32 i = 0; i < 4; ++i) {
        if (!entries[i]) continue;
        if (written[i]) DeleteLocalTag(entries[i]);
        else DeleteTagEntryIfUnused(entries[i]);
    }
    bool restored = false;
    for (const ReplacedTagFile& file : replaced) {
        if (!file.kept) continue;
        restored = true;
        if (!file.Restore())
            LogMessage(2, kModelImportCategory, "The replaced tag file '%s' could not be written back.\n",
                       file.path.c_str());
    }
    if (restored) PollLocalFolder(true);
    return nullptr;
}

TagEntry* ImportModel(const char* path, const char* folder, const char* name)
{
    LogMessage(0, kModelImportCategory, "Beginning import of '%s' ...\n", name);
    LwoObject* object = LwoReadObject(path, nullptr, nullptr);
    if (!object) {
        LogMessage(0, kModelImportCategory, "Import Failed.\n\n");
        return nullptr;
    }
    PushDirectory(folder);
    RenderModel* model = BuildRenderModelFromLwo(object);
    PopDirectory();
    LwoFreeObject(object);
    if (!model) {
        LogMessage(0, kModelImportCategory, "Import Failed.\n\n");
        return nullptr;
    }
    bool texturesOk = true;
    for (const RenderMaterial& m : model->materials) {
        if (m.textureFileName.IsEmpty()) continue;
        if (!m.imageLoaded) {
            LogMessage(2, kModelImportCategory, "Texture '%s' could not be loaded.\n", m.textureFileName.c_str());
        } else if (!IsPaletted(m.image)) {
            LogMessage(2, kModelImportCategory, "Texture '%s' was not 8-bit paletted.\n", m.textureFileName.c_str());
            texturesOk = false;
        }
    }
    TagEntry* entry = nullptr;
    if (texturesOk) {
        entry = ConvertImportToModelTags(model, name);
        if (!entry)
            LogMessage(2, kModelImportCategory,
                       "LWO -> Model conversion failed. If the target model is already open in Tavik or another "
                       "app, please close it first.\n");
    }
    DeleteRenderModel(model);
    LogMessage(0, kModelImportCategory, entry ? "Import Successful.\n\n" : "Import Failed.\n\n");
    return entry;
}
