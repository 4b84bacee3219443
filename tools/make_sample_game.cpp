// Writes a small game folder for trying the program and for tests: "tags" with a foundation
// archive (kind 3) and an expansion (kind 2), "plugins" with an add-on (kind 6) and an
// archive in the old form, "import" with image files to import into a collection, "builder"
// with the collection builders' source folder and renderings of "Rocks", and "local"
// with single tag files, among them the odd ones the tag database must cope with (an old
// 'vorn' header, a placeholder name, a file in another group's folder and a second file with
// an existing tag id) and tags for the add-on commands (every group a regular add-on carries,
// two detail maps sharing a texture).
//
// Every tag is written with the program's own writers through the tag database, and the
// archives with its archive builder. Usage: make_sample_game <game folder>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "codex/Archive.h"
#include "codex/Codex.h"
#include "codex/CoreTag.h"
#include "codex/DetailMap.h"
#include "codex/DtexCodec.h"
#include "codex/Geometry.h"
#include "codex/LocalFolder.h"
#include "codex/MediaRecord.h"
#include "codex/MeshTag.h"
#include "codex/ModelTag.h"
#include "codex/TagFiles.h"
#include "collection/Collection.h"
#include "foundation/ByteOrder.h"
#include "foundation/Log.h"
#include "foundation/PrefStore.h"
#include "model/LwoExport.h"
#include "model/RenderModel.h"
#include "tools/SampleBuilderSources.h"
#include "tools/SampleHighRes.h"
#include "tools/SampleRocks.h"
#include "tools/SoundTagWriter.h"

namespace fs = std::filesystem;

namespace {

bool gFailed = false;

void Fail(const char* what)
{
    fprintf(stderr, "make_sample_game: %s\n", what);
    gFailed = true;
}

// Writes one tag as a local file of the current local folder: the writer gets the stream
// and the header (data at header->offset) and answers success.
template <typename Writer>
TagEntry* WriteTag(u32 group, u32 tag, const char* name, Writer writer)
{
    TagHeader header;
    TagEntry* entry = CreateTag(group, tag, name, &header, true);
    if (!entry) {
        Fail(name);
        return nullptr;
    }
    FILE* f = BeginTagWrite(entry, &header, nullptr);
    bool ok = f && writer(f, &header);
    if (!f || !FinishTagWrite(entry, &header, ok)) {
        Fail(name);
        return nullptr;
    }
    return entry;
}

TagEntry* WriteBytesTag(u32 group, u32 tag, const char* name, const std::string& bytes)
{
    return WriteTag(group, tag, name, [&](FILE* f, TagHeader*) {
        return bytes.empty() || fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    });
}

// Text with CR line ends, as the text editor writes it.
std::string Text(const char* s)
{
    std::string out(s);
    for (char& c : out)
        if (c == '\n') c = '\r';
    return out;
}

// The colour table of "Rocks", shared with the image files to import.
ColorTableEntry RocksColor(u32 i)
{
    return {u8(i), u8(255 - i), u8((i * 7) & 255)};
}

u32 MakeCollection(const char* name, u32 extraFlags = 0, bool withTumble = false)
{
    TagEntry* e = WriteTag(FourCC(".256"), kNoTagId, name, [extraFlags, withTumble](FILE* f, TagHeader* header) {
        Collection c;
        c.flags |= extraFlags;
        ColorTableEntry colors[256];
        for (u32 i = 0; i < 256; ++i) colors[i] = RocksColor(i);
        c.SetColorTable(colors, 256);
        u8 pixels[2][16 * 16 * 2];
        for (u32 b = 0; b < 2; ++b)
            for (u32 i = 0; i < 16 * 16; ++i) {
                pixels[b][i * 2] = (i % 16 + i / 16) % 5 ? 255 : 0;  // alpha
                pixels[b][i * 2 + 1] = u8(2 + (i + b * 40) % 200);   // colour index
            }
        CollectionBitmap* first = c.AddBitmap("Boulder 1", 0, pixels[0], 16, 16, 2, nullptr);
        CollectionBitmap* second = c.AddBitmap("Boulder 2", 0, pixels[1], 16, 16, 2, nullptr);
        if (!first || !second) return false;
        c.AddHueChange("Mossy");
        Sequence* s = c.AddSequence("Roll");
        if (!s) return false;
        s->Resize(1, 2);
        s->GetFrameView(0, 0).bitmap = first;
        s->GetFrameView(1, 0).bitmap = second;
        if (!samplerocks::AddImageBitmaps(c, s)) return false;
        if (!samplerocks::AddOptimizeSamples(c, s)) return false;
        if (withTumble && !samplerocks::AddTumble(c)) return false;
        return c.Write(f, header) != 0;
    });
    return e ? e->tag : 0;
}

u32 MakeDtex(const char* name, u32 seed, u32 id = kNoTagId)
{
    TagEntry* e = WriteTag(FourCC("dtex"), id, name, [seed](FILE* f, TagHeader*) {
        const u32 w = 32, h = 32;
        std::vector<u8> rgb(w * h * 3);
        for (u32 y = 0; y < h; ++y)
            for (u32 x = 0; x < w; ++x) {
                u8* p = &rgb[(y * w + x) * 3];
                p[0] = u8(seed * 40 + x * 3);
                p[1] = u8(120 + ((x ^ y) & 15) * 4);
                p[2] = u8(seed * 20 + y * 2);
            }
        u32 record[4] = {w, h, 0, 0};
        return WriteElements(record, 4, kBoU32, f) == 16 && WriteCompressedImage(rgb.data(), w, h, f) != 0;
    });
    return e ? e->tag : 0;
}

// A dtex tag whose 16-byte record may disagree with its code stream (recordW/H 0: agree).
void MakeSmallDtex(const char* name, u32 w, u32 h, u32 recordW = 0, u32 recordH = 0)
{
    WriteTag(FourCC("dtex"), kNoTagId, name, [=](FILE* f, TagHeader*) {
        std::vector<u8> rgb(size_t(w) * h * 3);
        for (u32 y = 0; y < h; ++y)
            for (u32 x = 0; x < w; ++x) {
                u8* p = &rgb[(size_t(y) * w + x) * 3];
                p[0] = u8(90 + x * 5);
                p[1] = u8(70 + y * 7);
                p[2] = u8(((x / 4) ^ (y / 4)) & 1 ? 60 : 110);
            }
        u32 record[4] = {recordW ? recordW : w, recordH ? recordH : h, 0, 0};
        return WriteElements(record, 4, kBoU32, f) == 16 && WriteCompressedImage(rgb.data(), w, h, f) != 0;
    });
}

sound_writer::Permutation SoundPermutation(const char* name, u16 channels, u32 rate, double seconds, double pitch)
{
    sound_writer::Permutation p;
    p.name = name;
    p.channels = channels;
    p.rateHz = rate;
    p.samples = sound_writer::Tone(channels, rate ? rate : 8000, u32(seconds * (rate ? rate : 8000)), pitch);
    return p;
}

// Sound tags: a usable one with mono and stereo permutations, an empty permutation and a name
// that is no file name as it stands; one with a rate of 0; and a damaged one (a stereo
// permutation not flagged as holding data), which the viewer refuses.
void MakeSoundTags(bool local)
{
    if (!local) {
        WriteBytesTag(FourCC("soun"), kNoTagId, "Forest",
                      sound_writer::SoundTagData({SoundPermutation("Birds", 1, 22050, 1.5, 1800),
                                                  SoundPermutation("Wind", 2, 44100, 1.0, 180),
                                                  SoundPermutation("Silence", 1, 22050, 0, 0),
                                                  SoundPermutation("Creak/../Door", 1, 11025, 0.5, 300)}));
        return;
    }
    WriteBytesTag(FourCC("soun"), kNoTagId, "Unset Rate",
                  sound_writer::SoundTagData({SoundPermutation("No Rate", 1, 0, 0.25, 440)}));
    std::vector<sound_writer::Permutation> damaged = {SoundPermutation("Ding", 2, 44100, 0.25, 880)};
    damaged[0].flags = 0;
    WriteBytesTag(FourCC("soun"), kNoTagId, "Damaged Bell", sound_writer::SoundTagData(damaged));
}

// A version 11 mesh header over the colour map and 'medi' tag; cells follow the header.
MeshHeader SampleMeshHeader(u32 colorMap, u32 media, s16 columns, s16 rows, const char* name)
{
    MeshHeader h = {};
    h.colorMap = colorMap;
    h.media = media;
    h.chunkColumns = columns;
    h.chunkRows = rows;
    h.cellsOffset = sizeof(MeshHeader);
    h.shadeMidpoint = 0x8000;
    strncpy(h.name516, name, sizeof(h.name516) - 1);
    return h;
}

bool WriteMesh(FILE* f, TagHeader* header, const MeshHeader& h, const std::vector<MeshCell>& cells)
{
    header->version = 11;
    return WriteRecords(&h, 1, kMeshHeaderDescriptor, f) == 1024 &&
           WriteRecords(cells.data(), u32(cells.size()), kMeshCellDescriptor, f) == cells.size() * 12;
}

// Tags the archive browser shows greyed and will not open: a mesh of the format before
// version 11 and a colour-map collection.
void MakeUnopenableTags()
{
    WriteTag(FourCC("mesh"), kNoTagId, "Old Valley", [](FILE* f, TagHeader* header) {
        const bool ok = WriteMesh(f, header, SampleMeshHeader(0, 0, 1, 1, "Old Valley"), std::vector<MeshCell>(32 * 32));
        header->version = 10;
        return ok;
    });
    MakeCollection("Valley Colour Map", kCollectionColorMap);
}

// A collection whose views have high-resolution assignments.
void MakeHighResCollection()
{
    WriteTag(FourCC(".256"), kNoTagId, "Cliffs", [](FILE* f, TagHeader* header) {
        Collection c;
        return samplehighres::BuildCliffs(c) && c.Write(f, header) != 0;
    });
}

void MakeFoundationTags()
{
    WriteBytesTag(FourCC("text"), FourCC("Welc"), "Welcome", Text("Welcome to the sample game.\nFoundation text.\n"));
    WriteBytesTag(FourCC("stli"), FourCC("UnNa"), "Unit Names", Text("Archer\nKnight\nSlinger\n"));
    WriteBytesTag(FourCC("scri"), kNoTagId, "Opening Script", Text("wait 10\nshow Welcome\n"));
    WriteBytesTag(FourCC("ditl"), FourCC("Gate"), "Gate Dialog", Text("Who goes there?\nA friend of the keep.\n"));

    const u32 collection = MakeCollection("Rocks", 0, true);
    WriteTag(FourCC("core"), kNoTagId, "Rock Core", [collection](FILE* f, TagHeader*) {
        CoreTagData core = {};
        core.collection = collection;
        for (u32 i = 0; i < 166; ++i) core.values[i] = u16(i);
        return WriteCoreTag(&core, f) != 0;
    });

    TagEntry* media = WriteTag(FourCC("medi"), kNoTagId, "Water", [](FILE* f, TagHeader*) {
        MediaRecord m = {};
        m.waveAmplitude[0] = 256;
        m.waveAmplitude[2] = 128;
        m.waveFrequency[0] = 3;
        m.waveFrequency[2] = 5;
        return WriteRecords(&m, 1, kMediaRecordDescriptor, f) == 256;
    });

    MakeSoundTags(false);
    const u32 grass = MakeDtex("Grass", 1);
    const u32 sand = MakeDtex("Sand", 2);

    // The mesh names its detail map by the collection's id.
    WriteTag(FourCC("dmap"), collection, "Valley", [grass, sand](FILE* f, TagHeader* header) {
        DetailMap map;
        InitDmap(&map);
        bool ok = SetDmapSize(&map, 33, 33) != 0;
        if (ok) {
            for (u32 i = 0; i < kDetailMapEntries; ++i) map.entries[i].dtex = kNoTagId;
            map.entries[0].dtex = grass;
            strcpy(map.entries[0].name, "Grass");
            map.entries[1].dtex = sand;
            map.entries[1].scale = 1;
            strcpy(map.entries[1].name, "Sand");
            for (u32 i = 0; i < 33 * 33; ++i) map.bytePlane[i] = (i / 33) > 16 ? 1 : 0;
            for (u32 i = 0; i < 33 * 33 * 2; ++i) map.pairPlane[i] = (i / 66) > 16 ? 1 : 0;
            ok = WriteDmapTag(&map, f, header) != 0;
        }
        FreeDmap(&map);
        return ok;
    });

    const u32 mediaId = media ? media->tag : 0;
    WriteTag(FourCC("mesh"), kNoTagId, "Valley", [collection, mediaId](FILE* f, TagHeader* header) {
        const MeshHeader h = SampleMeshHeader(collection, mediaId, 1, 1, "Valley");
        std::vector<MeshCell> cells(32 * 32);
        for (u32 y = 0; y < 32; ++y)
            for (u32 x = 0; x < 32; ++x) {
                MeshCell& c = cells[y * 32 + x];
                c = {};
                c.height = s16(512.0 * 4.0 * std::sin(x * 0.3) * std::cos(y * 0.2));
                if (x > 24 && y > 24) {
                    c.flags = kCellMedia0 | kCellMedia1;
                    c.mediaHeight = 512;
                }
            }
        return WriteMesh(f, header, h, cells);
    });

    TagEntry* geom = WriteTag(FourCC("geom"), kNoTagId, "Pyramid", [](FILE* f, TagHeader* header) {
        Geometry g;
        InitGeom(&g);
        const float lo[3] = {-1, 0, -1}, hi[3] = {1, 1.5f, 1}, point[3] = {0, 1.5f, 0};
        SetGeomHeader(&g, 0, 0, lo, hi, point);
        ResizeGeomSurfaces(&g, 1);
        SetGeomSurface(&g, 0, "Stone", 0);
        const float v[5][3] = {{-1, 0, -1}, {1, 0, -1}, {1, 0, 1}, {-1, 0, 1}, {0, 1.5f, 0}};
        ResizeGeomVertices(&g, 5);
        for (u32 i = 0; i < 5; ++i) SetGeomVertex(&g, i, v[i][0], v[i][1], v[i][2]);
        const u16 tris[6][3] = {{0, 1, 4}, {1, 2, 4}, {2, 3, 4}, {3, 0, 4}, {0, 2, 1}, {0, 3, 2}};
        ResizeGeomTrianglesZeroed(&g, 6);
        for (u32 t = 0; t < 6; ++t) {
            for (u32 c = 0; c < 3; ++c) SetGeomCorner(&g, t, c, tris[t][c], c == 1 ? 1.0f : 0.0f, c == 2 ? 1.0f : 0.0f);
            SetGeomTriangle(&g, t, 0, 0, 1.0f);
        }
        const bool ok = WriteGeomTag(&g, f, header) != 0;
        FreeGeom(&g);
        return ok;
    });

    const u32 geomId = geom ? geom->tag : 0;
    WriteTag(FourCC("mode"), kNoTagId, "Pyramid", [geomId, collection](FILE* f, TagHeader* header) {
        Model m;
        InitModel(&m);
        SetModelGeometry(&m, geomId, collection);
        ResizeModelIdList(&m, 1);
        SetModelIdListEntry(&m, 0, collection);
        const bool ok = WriteModelTag(&m, f, header) != 0;
        FreeModel(&m);
        return ok;
    });
}

// A textured model: the geometry "Lantern" whose 'core' names the collection "Lantern Skins"
// with one sequence per surface, and, outside the tags, the LightWave object "Tent.lwo" with its
// 8-bit paletted picture beside it in the folder "models", for the model import.
// 'core' tags the structure editor must cope with: one naming a collection that does not
// exist (the editor shows "<no tag>" and keeps the id on save), one of the wrong size (it does
// not open).
void MakeOddCoreTags()
{
    WriteTag(FourCC("core"), kNoTagId, "Lost Core", [](FILE* f, TagHeader*) {
        CoreTagData core = {};
        core.collection = FourCC("Gone");
        for (u32 i = 0; i < 166; ++i) core.values[i] = u16(1000 + i);
        return WriteCoreTag(&core, f) != 0;
    });
    WriteBytesTag(FourCC("core"), kNoTagId, "Short Core", std::string(100, '\x01'));
}

void MakeSampleModels(const fs::path& game)
{
    u8 glass[16 * 16 * 2], frame[8 * 8 * 2];
    for (u32 i = 0; i < 16 * 16; ++i) {
        glass[i * 2] = (i / 16 + i % 16) % 7 ? 255 : 136;
        glass[i * 2 + 1] = u8(40 + (i % 16) * 4);
    }
    for (u32 i = 0; i < 8 * 8; ++i) {
        frame[i * 2] = 255;
        frame[i * 2 + 1] = u8(200 + (i / 8 + i % 8) % 3);
    }
    TagEntry* skins = WriteTag(FourCC(".256"), kNoTagId, "Lantern Skins", [&](FILE* f, TagHeader* header) {
        Collection c;
        ColorTableEntry colors[256];
        for (u32 i = 0; i < 256; ++i) colors[i] = {u8(255 - i / 2), u8(180 + i / 4), u8(i / 3)};
        c.SetColorTable(colors, 256);
        CollectionBitmap* a = c.AddBitmap("Lantern Glass", 0, glass, 16, 16, 2, nullptr);
        CollectionBitmap* b = c.AddBitmap("Lantern Frame", 0, frame, 8, 8, 2, nullptr);
        Sequence* sa = c.AddSequence("Glass");
        Sequence* sb = c.AddSequence("Frame");
        if (!a || !b || !sa || !sb) return false;
        sa->GetFrameView(0, 0).bitmap = a;
        sb->GetFrameView(0, 0).bitmap = b;
        return c.Write(f, header) != 0;
    });
    const u32 skinsId = skins ? skins->tag : 0;
    TagEntry* core = WriteTag(FourCC("core"), kNoTagId, "Lantern Core", [skinsId](FILE* f, TagHeader*) {
        CoreTagData record = {};
        record.collection = skinsId;
        return WriteCoreTag(&record, f) != 0;
    });
    const u32 coreId = core ? core->tag : 0;
    WriteTag(FourCC("geom"), kNoTagId, "Lantern", [coreId](FILE* f, TagHeader* header) {
        Geometry g;
        InitGeom(&g);
        const float lo[3] = {-1, 0, -1}, hi[3] = {1, 2, 1}, point[3] = {0, 0, 0};
        SetGeomHeader(&g, 0, coreId, lo, hi, point);
        ResizeGeomSurfaces(&g, 2);
        SetGeomSurface(&g, 0, "Glass", 0);
        SetGeomSurface(&g, 1, "Frame", 1);
        // A box: four glass sides and a frame top and bottom.
        const float v[8][3] = {{-1, 0, -1}, {1, 0, -1}, {1, 0, 1}, {-1, 0, 1},
                               {-1, 2, -1}, {1, 2, -1}, {1, 2, 1}, {-1, 2, 1}};
        ResizeGeomVertices(&g, 8);
        for (u32 i = 0; i < 8; ++i) SetGeomVertex(&g, i, v[i][0], v[i][1], v[i][2]);
        const u16 quads[6][4] = {{0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}, {4, 5, 6, 7}, {3, 2, 1, 0}};
        ResizeGeomTrianglesZeroed(&g, 12);
        const float uv[4][2] = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};
        for (u32 q = 0; q < 6; ++q)
            for (u32 half = 0; half < 2; ++half) {
                const u32 t = q * 2 + half;
                const u32 pick[2][3] = {{0, 1, 2}, {0, 2, 3}};
                for (u32 c = 0; c < 3; ++c) {
                    u32 k = pick[half][c];
                    SetGeomCorner(&g, t, c, quads[q][k], uv[k][0], uv[k][1]);
                }
                SetGeomTriangle(&g, t, 0, q < 4 ? 0 : 1, 1.0f);
            }
        const bool ok = WriteGeomTag(&g, f, header) != 0;
        FreeGeom(&g);
        return ok;
    });

    // The object to import: a tent of four triangles with one paletted picture.
    RenderModel* tent = NewRenderModel();
    const float points[5][3] = {{-1, 0, -1}, {1, 0, -1}, {1, 0, 1}, {-1, 0, 1}, {0, 1.5f, 0}};
    for (const auto& p : points) {
        RenderVertex v = {};
        memcpy(v.position, p, sizeof p);
        tent->vertices.Push(v);
    }
    for (u32 t = 0; t < 4; ++t) {
        RenderTriangle tri = {};
        tri.model = tent;
        tri.color = 0xFFFFFFFFu;
        const u32 corners[3] = {t, (t + 1) % 4, 4};
        const float uv[3][2] = {{0, 1}, {1, 1}, {0.5f, 0}};
        for (u32 c = 0; c < 3; ++c) {
            tri.corner[c].vertex = s32(corners[c]);
            tri.corner[c].u = uv[c][0];
            tri.corner[c].v = uv[c][1];
        }
        tent->triangles.Push(tri);
    }
    const float box[6] = {-1, 0, -1, 1, 1.5f, 1};
    memcpy(tent->box, box, sizeof box);
    RenderMaterial* canvas = AddRenderMaterial(tent);
    canvas->surfaceName = "Canvas";
    canvas->textureFileName = "tent.png";
    u8 pixels[32 * 32];
    // Colour 0 is left out: a collection shows it as transparent.
    for (u32 i = 0; i < 32 * 32; ++i) pixels[i] = u8(1 + ((i / 32) / 4 + (i % 32) / 4) % 4);
    canvas->image.Create(32, 32, kImageIndexed, pixels);
    const Rgb palette[5] = {{0, 0, 0}, {200, 180, 120}, {170, 60, 40}, {90, 120, 60}, {240, 230, 210}};
    canvas->image.SetPalette(5, palette);
    canvas->imageLoaded = 1;
    if (!ExportModelToLwo(tent, (game / "models").string().c_str(), "Tent")) Fail("Tent.lwo");
    DeleteRenderModel(tent);
}

// A terrain of 2 x 2 chunks for the terrain editor: a colour map with a 256 x 256 index and
// shade bitmap per chunk (the last chunk's pair left out, so it draws black), a lake of media
// vertices that move with the wave of its own 'medi' tag, and a matching 64 x 64 detail map.
// Local tags for the add-on commands: one of each group a regular add-on carries that the
// local folder lacks so far, and two detail maps that share a texture (one also uses an
// entry that names no texture, and one names a texture no point uses).
void MakeAddonSampleTags()
{
    WriteBytesTag(FourCC("form"), kNoTagId, "Wedge Formation", std::string("\0\3wedge", 7));
    WriteBytesTag(FourCC("obpc"), kNoTagId, "Observer Defaults", std::string(32, '\x10'));
    WriteBytesTag(FourCC("reco"), kNoTagId, "First Battle", std::string("recorded moves"));
    WriteBytesTag(FourCC("save"), kNoTagId, "Before the Ford", std::string("saved state"));
    WriteBytesTag(FourCC("soli"), kNoTagId, "Camp Sounds", std::string(12, '\x02'));
    WriteBytesTag(FourCC("stli"), kNoTagId, "Camp Names", Text("Ford Camp\nHill Camp\n"));

    const u32 moss = MakeDtex("Moss", 4);
    const u32 clay = MakeDtex("Clay", 5);
    struct MapSpec {
        const char* name;
        u32 id;
        u32 textures[3];  // entries 1, 2 and 3
    } maps[] = {{"Hill Pass", FourCC("HiPa"), {moss, kNoTagId, clay}}, {"Quiet Vale", FourCC("QuVa"), {clay, moss, clay}}};
    for (const MapSpec& spec : maps)
        WriteTag(FourCC("dmap"), spec.id, spec.name, [&spec](FILE* f, TagHeader* header) {
            DetailMap map;
            InitDmap(&map);
            bool ok = SetDmapSize(&map, 16, 16) != 0;
            if (ok) {
                for (u32 i = 0; i < kDetailMapEntries; ++i) map.entries[i].dtex = kNoTagId;
                for (u32 i = 0; i < 3; ++i) map.entries[1 + i].dtex = spec.textures[i];
                // Entries 1 and 2 are used; entry 3 is named but never used.
                for (u32 i = 0; i < 16 * 16; ++i) map.bytePlane[i] = i % 16 < 8 ? 1 : 2;
                for (u32 i = 0; i < 16 * 16 * 2; ++i) map.pairPlane[i] = 2;
                ok = WriteDmapTag(&map, f, header) != 0;
            }
            FreeDmap(&map);
            return ok;
        });
}

void MakeDeltaTerrain()
{
    const u32 side = 256;
    TagEntry* map = WriteTag(FourCC(".256"), kNoTagId, "Eastern Delta", [side](FILE* f, TagHeader* header) {
        Collection c;
        c.flags = kCollectionColorMap;
        ColorTableEntry colors[256];
        for (u32 i = 0; i < 256; ++i) colors[i] = {u8(40 + i * 3 / 4), u8(90 + i / 2), u8(30 + (i * 5) % 120)};
        c.SetColorTable(colors, 256);
        std::vector<u8> index(side * side * 2), shade(side * side * 2);
        for (u32 chunk = 0; chunk < 3; ++chunk) {
            for (u32 v = 0; v < side; ++v)
                for (u32 u = 0; u < side; ++u) {
                    u8* i = &index[(v * side + u) * 2];
                    u8* s = &shade[(v * side + u) * 2];
                    i[0] = s[0] = 255;
                    i[1] = u8((u / 8 + v / 8 + chunk * 60) & 255);
                    s[1] = u8(64 + (u ^ v) % 128);
                }
            char name[32];
            snprintf(name, sizeof name, "Chunk %u Colour", chunk);
            if (!c.AddBitmap(name, 0, index.data(), side, side, 2, nullptr)) return false;
            snprintf(name, sizeof name, "Chunk %u Shade", chunk);
            if (!c.AddBitmap(name, 0, shade.data(), side, side, 2, nullptr)) return false;
        }
        return c.Write(f, header) != 0;
    });
    const u32 colorMap = map ? map->tag : 0;

    TagEntry* media = WriteTag(FourCC("medi"), kNoTagId, "Delta Water", [](FILE* f, TagHeader*) {
        MediaRecord m = {};
        m.waveAmplitude[0] = 51;    // x: 0.1 cells
        m.waveAmplitude[1] = 77;    // z: 0.15 cells
        m.waveAmplitude[2] = 128;   // y: 0.25 cells
        m.waveFrequency[0] = 3000;
        m.waveFrequency[1] = 2000;
        m.waveFrequency[2] = 4000;
        return WriteRecords(&m, 1, kMediaRecordDescriptor, f) == 256;
    });
    const u32 mediaId = media ? media->tag : 0;

    // The detail textures "Automatic Detail Texturing" proposes for the terrain types (snow is
    // left out, so one type shows "<no tag>").
    const u32 grass = MakeDtex("Grass", 6, FourCC("gras"));
    MakeDtex("Water", 1, FourCC("wate"));
    MakeDtex("Stone", 2, FourCC("ston"));
    MakeDtex("Sand", 7, FourCC("sand"));
    MakeDtex("Dirt", 8, FourCC("dirt"));

    const u32 w = 64, h = 64;
    WriteTag(FourCC("dmap"), colorMap, "Eastern Delta", [w, h, grass](FILE* f, TagHeader* header) {
        DetailMap dmap;
        InitDmap(&dmap);
        bool ok = SetDmapSize(&dmap, w, h) != 0;
        if (ok) {
            for (u32 i = 0; i < kDetailMapEntries; ++i) dmap.entries[i].dtex = kNoTagId;
            dmap.entries[1].dtex = grass;
            dmap.entries[1].color[0] = 0x20, dmap.entries[1].color[1] = 0xFF, dmap.entries[1].color[2] = 0x1A;
            dmap.entries[1].scale = 127;
            strcpy(dmap.entries[1].name, "Meadow");
            dmap.entries[2].scale = 63;
            strcpy(dmap.entries[2].name, "Shore");
            for (u32 z = 0; z < h; ++z)
                for (u32 x = 0; x < w; ++x) {
                    dmap.bytePlane[z * w + x] = x + z < 60 ? 1 : 2;
                    dmap.pairPlane[(z * w + x) * 2] = z > 48 && x < 16 ? 2 : 0;
                    dmap.pairPlane[(z * w + x) * 2 + 1] = 0;
                }
            ok = WriteDmapTag(&dmap, f, header) != 0;
        }
        FreeDmap(&dmap);
        return ok;
    });

    WriteTag(FourCC("mesh"), kNoTagId, "Eastern Delta", [colorMap, mediaId, w, h](FILE* f, TagHeader* header) {
        MeshHeader mh = SampleMeshHeader(colorMap, mediaId, 2, 2, "Eastern Delta");
        mh.shadingDark = 96;
        mh.shadingLight = 64;
        mh.shadingBlend[0] = mh.shadingBlend[1] = mh.shadingBlend[2] = 0xFFFF;
        std::vector<MeshCell> cells(w * h);
        for (u32 z = 0; z < h; ++z)
            for (u32 x = 0; x < w; ++x) {
                MeshCell& c = cells[z * w + x];
                c = {};
                c.height = s16(512.0 * (6.0 - 0.15 * (x + z)) + 512.0 * std::sin(x * 0.4) * std::cos(z * 0.3));
                // Terrain types: grass up the slope, desert below it, human-depth water in the lake.
                const u16 type = x >= 40 && z >= 40 ? 1 : (x + z < 60 ? 6 : 7);
                c.flags = u16(type << 4 | type);
                // The lake in the far corner: media on both triangles, moving with the wave.
                if (x >= 40 && z >= 40) {
                    c.flags |= kCellMedia0 | kCellMedia1 | kCellMediaWave;
                    c.mediaHeight = -512;
                }
            }
        return WriteMesh(f, header, mh, cells);
    });
}

// Builds an archive from the local tags of the staging folder and moves it to target.
void BuildStaged(const fs::path& game, const fs::path& target, u32 kind, const char* name, u32 priority)
{
    DynArray<TagEntry*> tags = {};
    ListLocalTags(&tags);
    const bool built = BuildArchive(tags, kind, name, "http://example.org/vorn-sample", priority);
    tags.Free();
    if (!built) {
        Fail(name);
        return;
    }
    const fs::path path = game / "plugins" / CleanArchiveFileName(name).c_str();
    UnloadArchive(FindArchiveByPath(path.string().c_str()));
    if (path != target) {
        std::error_code ec;
        fs::create_directories(target.parent_path(), ec);
        fs::rename(path, target, ec);
        if (ec) Fail("moving an archive");
    }
}

// The old archive form: a 48-byte header, the data, then old-layout headers at the end.
void WriteOldArchive(const fs::path& path)
{
    struct Item {
        const char* name;
        u32 tag;
        std::string data;
    } items[] = {{"Classic Note", FourCC("ClNo"), Text("Written in the old days.\n")},
                 {"Classic Names", FourCC("ClNa"), Text("Squire\nHerald\n")}};
    FILE* f = fopen(path.string().c_str(), "wb");
    if (!f) return Fail("old archive");
    u32 offset = kOldArchiveHeaderSize;
    std::vector<OldTagHeader> headers;
    for (const Item& item : items) {
        OldTagHeader h = {};
        strncpy(h.name, item.name, 31);
        h.group = item.tag == FourCC("ClNa") ? FourCC("stli") : FourCC("text");
        h.tag = item.tag;
        h.version = 1;
        h.offset = offset;
        h.size = u32(item.data.size());
        h.signature = kOldTagSignature;
        headers.push_back(h);
        offset += h.size;
    }
    OldArchiveHeader header = {};
    header.one0 = header.one1 = 1;
    strcpy(header.name, "Classic");
    header.directory_offset = offset;
    header.tag_count = u16(headers.size());
    bool ok = WriteRecords(&header, 1, kOldArchiveHeaderDescriptor, f) == kOldArchiveHeaderSize;
    for (const Item& item : items) ok = ok && fwrite(item.data.data(), 1, item.data.size(), f) == item.data.size();
    ok = ok && WriteRecords(headers.data(), u32(headers.size()), kOldTagHeaderDescriptor, f) == 64 * headers.size();
    if (fclose(f) != 0 || !ok) Fail("old archive");
}

// A local file with a header written as given (bypassing the tag database's cleaning).
void WriteRawLocalFile(const fs::path& path, const TagHeader& header, const std::string& data, bool oldLayout)
{
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    FILE* f = fopen(path.string().c_str(), "wb");
    if (!f) return Fail("local file");
    bool ok;
    if (oldLayout) {
        OldTagHeader old = {};
        memcpy(old.name, header.name, 31);
        old.group = header.group;
        old.tag = header.tag;
        old.version = header.version;
        old.offset = kTagHeaderSize;
        old.size = u32(data.size());
        old.signature = kOldTagSignature;
        ok = WriteRecords(&old, 1, kOldTagHeaderDescriptor, f) == 64;
    } else {
        TagHeader h = header;
        h.size = u32(data.size());
        ok = WriteTagHeaders(&h, 1, f) == 64;
    }
    ok = ok && (data.empty() || fwrite(data.data(), 1, data.size(), f) == data.size());
    if (fclose(f) != 0 || !ok) Fail("local file");
}

TagHeader LocalHeader(u32 group, u32 tag, const char* name)
{
    TagHeader h = {};
    h.identifier = 0xFFFF;
    strncpy(h.name, name, 31);
    h.group = group;
    h.tag = tag;
    h.offset = kTagHeaderSize;
    h.version = 1;
    h.foundation_index = h.owner_index = 0xFF;
    h.game = kTagSignature;
    return h;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: make_sample_game <game folder>\n");
        return 2;
    }
    const fs::path game = fs::absolute(argv[1]);
    const fs::path staging = game / ".sample-staging";
    std::error_code ec;
    for (const char* sub : {"tags", "plugins", "local", "models", "import", "builder", ".sample-staging"}) fs::remove_all(game / sub, ec);
    fs::create_directories(game / "tags", ec);
    fs::create_directories(game / "plugins", ec);
    SetVornPath((game.string() + "/").c_str());

    SetLocalFolder((staging / "foundation").string().c_str());
    MakeFoundationTags();
    MakeSampleModels(game);
    BuildStaged(game, game / "tags" / "Foundation", 3, "Foundation", 0);

    SetLocalFolder((staging / "expansion").string().c_str());
    WriteBytesTag(FourCC("text"), FourCC("Welc"), "Welcome", Text("Welcome to the expansion.\n"));
    WriteBytesTag(FourCC("text"), kNoTagId, "Expansion Notes", Text("New lands to the east.\n"));
    MakeDtex("Snow", 3);
    MakeDeltaTerrain();
    MakeHighResCollection();
    MakeUnopenableTags();
    BuildStaged(game, game / "tags" / "Expansion", 2, "Expansion", 0);

    SetLocalFolder((staging / "addon").string().c_str());
    WriteBytesTag(FourCC("stli"), FourCC("UnNa"), "Unit Names", Text("Archer\nKnight\nSlinger\nBerserker\n"));
    WriteBytesTag(FourCC("text"), kNoTagId, "Addon Note", Text("This add-on adds a berserker.\n"));
    BuildStaged(game, game / "plugins" / "Sample Addon", 6, "Sample Addon", 100);

    WriteOldArchive(game / "plugins" / "Classic");

    // Image files to import, in the colours of "Rocks".
    ColorTableEntry rocks[256];
    for (u32 i = 0; i < 256; ++i) rocks[i] = RocksColor(i);
    if (!samplerocks::WriteImportFolder(game / "import", rocks)) Fail("the import folder");
    // What the collection builders start from.
    if (!samplebuilder::WriteStandardSource(game / "builder" / "Walker", rocks)) Fail("the builder's source folder");
    if (!samplebuilder::WriteRocksRenderings(game / "builder" / "Rocks")) Fail("the renderings of Rocks");

    // The local folder: ordinary tags written by the tag database, then the odd files.
    SetLocalFolder((game / "local").string().c_str());
    WriteBytesTag(FourCC("text"), FourCC("LoNo"), "Local Note", Text("A note kept in the local folder.\n"));
    WriteBytesTag(FourCC("text"), FourCC("Welc"), "Welcome", Text("Welcome, edited locally.\n"));
    WriteBytesTag(FourCC("temp"), kNoTagId, "Unit Template", Text("name\nhealth\nspeed\n"));
    MakeSoundTags(true);
    MakeSmallDtex("Pebbles", 33, 17);
    MakeSmallDtex("Speck", 8, 8);
    MakeSmallDtex("Mismatched", 32, 16, 64, 64);
    MakeOddCoreTags();
    MakeAddonSampleTags();
    const fs::path text = game / "local" / "text";
    WriteRawLocalFile(text / "Old Note", LocalHeader(FourCC("text"), FourCC("OlNo"), "Old Note"),
                      Text("Saved with the old header.\n"), true);
    WriteRawLocalFile(text / "Placeholder Note", LocalHeader(FourCC("text"), FourCC("PlNo"), "zaf made this"),
                      Text("Named by its file.\n"), false);
    WriteRawLocalFile(text / "Stray Scenery", LocalHeader(FourCC("scen"), FourCC("StSc"), "Stray Scenery"),
                      std::string(16, '\0'), false);
    WriteRawLocalFile(text / "Second Local Note", LocalHeader(FourCC("text"), FourCC("LoNo"), "Second Local Note"),
                      Text("Same id as Local Note.\n"), false);

    if (!CloseCodex()) Fail("closing the tag database");
    fs::remove_all(staging, ec);
    return gFailed ? 1 : 0;
}
