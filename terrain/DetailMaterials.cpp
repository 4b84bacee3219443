#include "terrain/DetailMaterials.h"

#include <cstring>

#include "codex/Codex.h"
#include "codex/DtexTag.h"
#include "foundation/ActFile.h"
#include "foundation/Files.h"
#include "foundation/Log.h"
#include "foundation/StringUtil.h"
#include "terrain/TerrainModel.h"

namespace {

constexpr Rgb kDefaultColors[8] = {{0xFF, 0x08, 0x33}, {0xDD, 0x00, 0xE6}, {0x2A, 0x0C, 0xFF}, {0x00, 0x7B, 0xFF},
                                   {0x00, 0xF6, 0xCC}, {0x20, 0xFF, 0x1A}, {0xD4, 0xF2, 0x00}, {0xFF, 0x78, 0x00}};

bool FileExists(const char* path)
{
    FileInfo info;
    return StatPath(&info, path) != 0;
}

String& TablePathSetting()
{
    static String path("res/dtex.act");
    return path;
}

}  // namespace

void SetHighlightTablePath(const char* path) { TablePathSetting() = path ? path : "res/dtex.act"; }
const char* HighlightTablePath() { return TablePathSetting().c_str(); }

const TerrainType kTerrainTypeTable[kTerrainTypes] = {
    {"dwarf depth media", FourCC("wate"), {0x20, 0x20, 0xFF}},
    {"human depth media", FourCC("wate"), {0x20, 0x20, 0xBA}},
    {"giant depth media", FourCC("wate"), {0x20, 0x20, 0x90}},
    {"deeper than giant depth media", FourCC("wate"), {0x20, 0x20, 0x66}},
    {"sloped", FourCC("ston"), {0xC0, 0x80, 0x80}},
    {"steep", FourCC("ston"), {0xFF, 0x30, 0x30}},
    {"grass", FourCC("gras"), {0xFF, 0xFF, 0xFF}},
    {"desert", FourCC("sand"), {0xFF, 0xFF, 0x80}},
    {"rocky", FourCC("dirt"), {0x90, 0x90, 0x90}},
    {"marsh", FourCC("gras"), {0xC0, 0xA0, 0x80}},
    {"snow", FourCC("snow"), {0xCF, 0xCF, 0xCF}},
    {"forest", FourCC("gras"), {0x90, 0xB8, 0x90}},
    {"grumwell special", kNoTagId, {0xFF, 0xFF, 0xFF}},
    {"unused", kNoTagId, {0xFF, 0xFF, 0xFF}},
    {"walking impassible", kNoTagId, {0x20, 0x90, 0x20}},
    {"flying impassible", kNoTagId, {0x20, 0xFF, 0x20}},
};

void DefaultHighlightTable(Rgb table[kHighlightColors])
{
    for (u32 i = 0; i < kHighlightColors; ++i) table[i] = kDefaultColors[i % 8];
}

void DtexIdText(u32 id, char out[5])
{
    for (int i = 0; i < 4; ++i) out[i] = char(id >> (24 - 8 * i));
    out[4] = 0;
}

DetailMaterials::DetailMaterials() : items{}, highlight{}, tablePath(HighlightTablePath())
{
    for (DetailMaterial& m : items) {
        m.scale = kDefaultMaterialScale;
        m.entry.dtex = kNoTagId;
    }
}

DetailMaterials::~DetailMaterials()
{
    for (u32 i = 0; i < kMaterialCount; ++i) ReleaseTexture(i);
}

int DetailMaterials::LoadHighlightTable()
{
    if (ReadColorTableFile(tablePath.c_str(), highlight, nullptr)) return 1;
    DefaultHighlightTable(highlight);
    // A user's own table that we cannot read is theirs to mend; only a missing one is made.
    if (FileExists(tablePath.c_str())) {
        LogMessage(1, "Terrain", "the highlight colour table '%s' could not be read; using the default colours",
                   tablePath.c_str());
        return 0;
    }
    if (!WriteColorTableFile(tablePath.c_str(), highlight, kHighlightColors))
        LogMessage(1, "Terrain", "the highlight colour table '%s' could not be written", tablePath.c_str());
    return 0;
}

int DetailMaterials::ReloadHighlightTable()
{
    Rgb read[kHighlightColors];
    if (!ReadColorTableFile(tablePath.c_str(), read, nullptr)) return 0;
    memcpy(highlight, read, sizeof highlight);
    return 1;
}

int DetailMaterials::WriteHighlightTable() const
{
    if (WriteColorTableFile(tablePath.c_str(), highlight, kMaterialCount)) return 1;
    LogMessage(1, "Terrain", "the highlight colour table '%s' could not be written", tablePath.c_str());
    return 0;
}

void DetailMaterials::TakeColors(const Rgb* colors, u32 count)
{
    if (!colors) return;
    if (count > kHighlightColors) count = kHighlightColors;
    if (colors != highlight) memmove(highlight, colors, count * sizeof(Rgb));
}

void DetailMaterials::TakeEntries(const DetailMap& map)
{
    for (u32 i = 0; i < kMaterialCount; ++i) {
        DetailMaterial& m = items[i];
        m.entry = map.entries[i];
        m.entry.name[sizeof m.entry.name - 1] = 0;
        m.scale = u32(map.entries[i].scale) + 1;
        highlight[i] = Rgb{m.entry.color[0], m.entry.color[1], m.entry.color[2]};
    }
}

void DetailMaterials::FillEntries(DetailMap* map) const
{
    for (u32 i = 0; i < kMaterialCount; ++i) {
        DetailMapEntry e = items[i].entry;
        e.scale = u8(items[i].scale - 1);
        e.color[0] = highlight[i].r, e.color[1] = highlight[i].g, e.color[2] = highlight[i].b;
        memset(e.reserved, 0, sizeof e.reserved);
        map->entries[i] = e;
    }
}

void DetailMaterials::ReleaseTexture(u32 i)
{
    DetailMaterial& m = items[i];
    if (!m.texture) return;
    DtexTag* old = m.texture;
    m.texture = nullptr;
    m.uRepeat = m.vRepeat = 0;
    ResourceRelease(old);
}

DtexTag* DetailMaterials::AcquireTexture(u32 i, u32 dtex)
{
    if (i >= kMaterialCount) return nullptr;
    DetailMaterial& m = items[i];
    // Acquire before releasing, so a texture that stays does not reload.
    DtexTag* texture = dtex == kNoTagId ? nullptr : DtexManager().AcquireById(kDtexGroup, dtex);
    ReleaseTexture(i);
    m.texture = texture;
    if (texture) {
        texture->GetTexture();
        SetScale(i, m.scale);
    }
    return texture;
}

bool DetailMaterials::SetScale(u32 i, s64 scale)
{
    if (i >= kMaterialCount) return false;
    if (scale < 1) scale = 1;
    if (scale > 256) scale = 256;
    DetailMaterial& m = items[i];
    const bool changed = m.scale != u32(scale);
    m.scale = u32(scale);
    if (m.texture && m.texture->width && m.texture->height) {
        m.uRepeat = float(m.scale) / float(m.texture->width);
        m.vRepeat = float(m.scale) / float(m.texture->height);
    }
    return changed;
}

String DetailMaterials::RowText(u32 i) const
{
    const DetailMaterial& m = items[i % kMaterialCount];
    if (m.texture) {
        TagHeader h;
        GetTagHeader(m.texture->entry, &h);
        char name[sizeof h.name + 1] = {};
        memcpy(name, h.name, sizeof h.name);
        char description[sizeof m.entry.name + 1] = {};
        memcpy(description, m.entry.name, sizeof m.entry.name - 1);
        if (description[0]) return FormatString(" %.3d ~ |i%s|p (%s)", int(i), description, name);
        return FormatString(" %.3d ~ %s", int(i), name);
    }
    if (m.entry.dtex == kNoTagId) return FormatString(" %.3d ~ <no tag>", int(i));
    char id[5];
    DtexIdText(m.entry.dtex, id);
    return FormatString(" %.3d ~ '%s' <not found>", int(i), id);
}

u32 DetailMaterials::RowColor(u32 i) const
{
    i %= kMaterialCount;
    if (!items[i].highlighted) return 0xFFFFFFFFu;
    const Rgb c = highlight[i];
    return 0xFF000000u | u32(c.b) << 16 | u32(c.g) << 8 | c.r;
}

int FillVerticesFromTerrainTypes(TerrainModel* model)
{
    if (!model || !model->vertexGrid || !model->triangleGrid || !model->mesh) return 0;
    const u32 w = model->width, h = model->height;
    u8* vertices = model->vertexGrid->Bytes();
    for (u32 z = 0; z < h; ++z)
        for (u32 x = 0; x < w; ++x) {
            const u16 flags = model->mesh->cells[size_t(z) * w + x].flags;
            vertices[size_t(z) * w + x] = u8(1 + ((flags >> 4) & 15));
        }
    memset(model->triangleGrid->Bytes(), 0, size_t(w) * h * 2);
    memcpy(model->vertexSaved->Bytes(), vertices, size_t(w) * h);
    memset(model->triangleSaved->Bytes(), 0, size_t(w) * h * 2);
    return 1;
}
