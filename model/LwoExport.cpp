#include "model/LwoExport.h"

#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "foundation/FileRecord.h"
#include "foundation/Files.h"
#include "foundation/SaveFile.h"
#include "foundation/StringUtil.h"

namespace {

// The platform runtime's linear congruential generator, so that every export colours its
// surfaces the same way on every build.
class SurfaceColors {
public:
    explicit SurfaceColors(u32 seed) : state(seed) {}
    u32 Next()
    {
        state = state * 214013u + 2531011u;
        return (state >> 16) & 0x7FFF;
    }

private:
    u32 state;
};

// A name made safe as one file name in the destination folder.
String SafeFileName(const char* name, const char* fallback)
{
    String out(name);
    if (char* p = out.Buffer()) {
        for (char* c = p; *c; ++c)
            if (*c == '/' || *c == '\\') *c = '_';
        for (char* dots = strstr(p, ".."); dots; dots = strstr(dots, "..")) dots[0] = dots[1] = '_';
    }
    if (out.IsEmpty()) out = fallback;
    return out;
}

// The names given so far, compared as StrICmp does. Each name also remembers the number its
// numbered forms last reached, so that a thousand copies of one name are each placed at once
// instead of trying every number from 2 again.
class NameSet {
public:
    static std::string Key(const char* name)
    {
        std::string key(name);
        for (char& c : key)
            if (c >= 'A' && c <= 'Z') c = char(c + ('a' - 'A'));
        return key;
    }
    bool Has(const char* name) const { return taken.count(Key(name)) != 0; }
    void Add(const char* name) { taken.emplace(Key(name), 0); }

    // name, or name with " 2", " 3"... inserted before suffix, whichever is not yet taken;
    // the answer is taken from then on. A number skipped here was taken when it was tried,
    // and names are never given back, so each name's search goes on from where it stopped.
    String Unique(const String& name, const char* suffix)
    {
        std::string key = Key(name.c_str());
        auto found = taken.find(key);
        if (found == taken.end()) {
            taken.emplace(std::move(key), 0);
            return name;
        }
        size_t cut = name.Length();
        if (suffix)
            if (const char* at = strstr(name.c_str(), suffix)) cut = size_t(at - name.c_str());
        String head(name.c_str(), u32(cut));
        String tail(name.c_str() + cut);
        for (u32 n = found->second < 2 ? 2 : found->second + 1;; ++n) {
            String candidate = FormatString("%s %u%s", head.c_str(), n, tail.c_str());
            std::string candidateKey = Key(candidate.c_str());
            if (taken.count(candidateKey)) continue;
            found->second = n;
            taken.emplace(std::move(candidateKey), 0);
            return candidate;
        }
    }

private:
    std::unordered_map<std::string, u32> taken;  // name key -> last number tried for it
};

}  // namespace

LwoWriter::LwoWriter() : bytes(), current(nullptr), failed(0)
{
}

LwoWriter::~LwoWriter()
{
    bytes.Free();
}

void LwoWriter::Write(const void* data, u32 n)
{
    if (failed || !n) return;
    u64 at = bytes.count;
    if (at + n > 0x7FFFFFF0u) {
        failed = 1;
        return;
    }
    bytes.ResizeRaw(u32(at + n));
    if (!bytes.data) {
        failed = 1;
        return;
    }
    memcpy(bytes.data + at, data, n);
    for (LwoChunk* c = current; c; c = c->enclosing) c->size += s32(n);
}

void LwoWriter::U1(u32 v)
{
    u8 b = u8(v);
    Write(&b, 1);
}

void LwoWriter::U2(u32 v)
{
    u8 b[2] = {u8(v >> 8), u8(v)};
    Write(b, 2);
}

void LwoWriter::U4(u32 v)
{
    u8 b[4] = {u8(v >> 24), u8(v >> 16), u8(v >> 8), u8(v)};
    Write(b, 4);
}

void LwoWriter::F4(float v)
{
    u32 bits;
    memcpy(&bits, &v, 4);
    U4(bits);
}

void LwoWriter::VX(u32 v)
{
    if (v < 0xFF00) U2(v);
    else if (v <= 0xFFFFFFu) U4(v | 0xFF000000u);
    else failed = 1;  // the long form keeps 24 bits: writing it would lose the top byte
}

void LwoWriter::Open(LwoChunk* chunk, u32 id, bool sub)
{
    U4(id);
    chunk->id = id;
    chunk->size = 0;
    chunk->size4At = sub ? -1 : s64(bytes.count);
    chunk->size2At = sub ? s64(bytes.count) : -1;
    if (sub) U2(0xFFFF);
    else U4(0xFFFFFFFFu);
    chunk->enclosing = current;
    current = chunk;
}

void LwoWriter::Close()
{
    LwoChunk* chunk = current;
    if (!chunk) return;
    if (chunk->size & 1) U1(0);
    if (!failed) {
        u32 size = u32(chunk->size);
        if (chunk->size4At >= 0) {
            u8* p = bytes.data + chunk->size4At;
            p[0] = u8(size >> 24), p[1] = u8(size >> 16), p[2] = u8(size >> 8), p[3] = u8(size);
        } else if (size > 0xFFFF) {
            failed = 1;
        } else {
            u8* p = bytes.data + chunk->size2At;
            p[0] = u8(size >> 8), p[1] = u8(size);
        }
    }
    current = chunk->enclosing;
}

void LwoWriteString(LwoWriter* writer, const char* string)
{
    if (!string) string = "";
    u32 n = u32(strlen(string)) + 1;
    writer->Write(string, n);
    if (n & 1) writer->U1(0);
}

void LwoExportPictureNames(const RenderModel* model, DynArray<String>* names)
{
    names->Resize(model->materials.count);
    NameSet taken;
    // The materials that gave each file name, so a picture finds an equal one of its name
    // among those only.
    std::unordered_map<std::string, std::vector<u32>> byName;
    for (u32 m = 0; m < model->materials.count; ++m) {
        const RenderMaterial& material = model->materials.data[m];
        String name = SafeFileName(material.textureFileName.c_str(), "Texture");
        if (!strstr(name.c_str(), ".png")) name.Append(".png");
        // A picture equal to an earlier one of the same name may share its file.
        bool shared = false;
        auto same = byName.find(NameSet::Key(name.c_str()));
        if (same != byName.end())
            for (u32 earlier : same->second)
                if (Image::Equals(model->materials.data[earlier].image, material.image)) {
                    shared = true;
                    break;
                }
        names->data[m] = shared ? name : taken.Unique(name, ".png");
        byName[NameSet::Key(names->data[m].c_str())].push_back(m);
    }
}

void LwoExportSurfaceNames(const RenderModel* model, DynArray<String>* names, bool* extraSurface)
{
    const u32 count = model->materials.count;
    *extraSurface = false;
    for (const RenderTriangle& t : model->triangles)
        if (t.material < 0 || u32(t.material) >= count) *extraSurface = true;
    names->Resize(count + (*extraSurface ? 1 : 0));
    NameSet taken;
    for (u32 m = 0; m < count; ++m) {
        String name(model->materials.data[m].surfaceName.c_str());
        if (name.IsEmpty()) name = "Surface";
        names->data[m] = taken.Unique(name, nullptr);
    }
    if (*extraSurface) names->data[count] = taken.Unique(String("Default"), nullptr);
}

int BuildLwoObject(const RenderModel* model, LwoWriter* w)
{
    DynArray<String> surfaces = {};
    DynArray<String> pictures = {};
    bool extra = false;
    LwoExportSurfaceNames(model, &surfaces, &extra);
    LwoExportPictureNames(model, &pictures);
    const u32 materialCount = model->materials.count;
    const u32 extraSurface = materialCount;
    // PTAG tags are two-byte indices and clip numbers are VX.
    if (surfaces.count > 0xFFFF || materialCount + 1 >= 0xFF000000u) {
        surfaces.Clear(), surfaces.Free(), pictures.Clear(), pictures.Free();
        return 0;
    }
    SurfaceColors colors(0);

    LwoChunk form, chunk, sub, block;
    w->Open(&form, FourCC("FORM"), false);
    w->U4(FourCC("LWO2"));

    w->Open(&chunk, FourCC("TAGS"), false);
    for (const String& s : surfaces) LwoWriteString(w, s.c_str());
    w->Close();

    w->Open(&chunk, FourCC("LAYR"), false);
    w->U2(0);
    w->U2(0);
    w->F4(-model->pivot[0]);
    w->F4(model->pivot[1]);
    w->F4(model->pivot[2]);
    LwoWriteString(w, "");
    w->Close();

    w->Open(&chunk, FourCC("PNTS"), false);
    for (const RenderVertex& v : model->vertices) {
        w->F4(-v.position[0]);
        w->F4(v.position[1]);
        w->F4(v.position[2]);
    }
    w->Close();

    w->Open(&chunk, FourCC("POLS"), false);
    w->U4(FourCC("FACE"));
    for (const RenderTriangle& t : model->triangles) {
        w->U2(3);
        for (const RenderCorner& c : t.corner) w->VX(u32(c.vertex));
    }
    w->Close();

    w->Open(&chunk, FourCC("PTAG"), false);
    w->U4(FourCC("SURF"));
    for (u32 i = 0; i < model->triangles.count; ++i) {
        s32 m = model->triangles.data[i].material;
        w->VX(i);
        w->U2(m < 0 || u32(m) >= materialCount ? extraSurface : u32(m));
    }
    w->Close();

    // The triangles of each material in order, found in one pass (counting sort) instead of
    // one pass over every triangle per material.
    std::vector<u32> firstOf(size_t(materialCount) + 1, 0), byMaterial;
    for (const RenderTriangle& t : model->triangles)
        if (t.material >= 0 && u32(t.material) < materialCount) ++firstOf[size_t(t.material) + 1];
    for (u32 m = 0; m < materialCount; ++m) firstOf[m + 1] += firstOf[m];
    byMaterial.resize(firstOf[materialCount]);
    {
        std::vector<u32> next(firstOf.begin(), firstOf.end() - 1);
        for (u32 i = 0; i < model->triangles.count; ++i) {
            const s32 m = model->triangles.data[i].material;
            if (m >= 0 && u32(m) < materialCount) byMaterial[next[size_t(m)]++] = i;
        }
    }

    for (u32 m = 0; m < materialCount; ++m) {
        w->Open(&chunk, FourCC("VMAD"), false);
        w->U4(FourCC("TXUV"));
        w->U2(2);
        LwoWriteString(w, surfaces.data[m].c_str());
        for (u32 k = firstOf[m]; k < firstOf[m + 1]; ++k) {
            const u32 i = byMaterial[k];
            const RenderTriangle& t = model->triangles.data[i];
            for (const RenderCorner& c : t.corner) {
                w->VX(u32(c.vertex));
                w->VX(i);
                w->F4(c.u);
                w->F4(1.0f - c.v);
            }
        }
        w->Close();
    }

    for (u32 m = 0; m < materialCount; ++m) {
        w->Open(&chunk, FourCC("CLIP"), false);
        w->U4(m + 1);
        w->Open(&sub, FourCC("STIL"), true);
        LwoWriteString(w, pictures.data[m].c_str());
        w->Close();
        w->Close();
    }

    for (u32 m = 0; m < surfaces.count; ++m) {
        w->Open(&chunk, FourCC("SURF"), false);
        LwoWriteString(w, surfaces.data[m].c_str());
        LwoWriteString(w, "");
        w->Open(&sub, FourCC("COLR"), true);
        for (int c = 0; c < 3; ++c) w->F4(float(colors.Next()) / 32768.0f);
        w->U2(0);
        w->Close();
        w->Open(&sub, FourCC("SIDE"), true);
        w->U2(3);
        w->Close();
        if (m < materialCount) {
            w->Open(&block, FourCC("BLOK"), true);
            w->Open(&sub, FourCC("IMAP"), true);
            LwoWriteString(w, "");
            LwoChunk field;
            w->Open(&field, FourCC("CHAN"), true);
            w->U4(FourCC("COLR"));
            w->Close();
            w->Open(&field, FourCC("ENAB"), true);
            w->U2(1);
            w->Close();
            w->Open(&field, FourCC("NEGA"), true);
            w->U2(0);
            w->Close();
            w->Close();
            w->Open(&sub, FourCC("PROJ"), true);
            w->U2(5);
            w->Close();
            w->Open(&sub, FourCC("IMAG"), true);
            w->VX(m + 1);
            w->Close();
            w->Open(&sub, FourCC("VMAP"), true);
            LwoWriteString(w, surfaces.data[m].c_str());
            w->Close();
            w->Close();
        }
        w->Close();
    }
    w->Close();

    surfaces.Clear();
    surfaces.Free();
    pictures.Clear();
    pictures.Free();
    return !w->failed;
}

int ExportModelToLwo(const RenderModel* model, const char* folder, const char* name)
{
    MakeDirectory(folder);
    String root = ResolveFolderPath(folder);

    DynArray<String> pictures = {};
    LwoExportPictureNames(model, &pictures);
    for (u32 m = 0; m < model->materials.count; ++m) {
        const RenderMaterial& material = model->materials.data[m];
        if (!material.imageLoaded || !material.image.pixels) continue;
        String path(root);
        path.Append(pictures.data[m].c_str());
        FileRecord record(path.c_str());
        record.kind = kFileKindImage;
        record.format = kFileFormatPng;
        // Lent, not copied: the record must not free the material's picture.
        record.image = material.image;
        record.Save();
        record.image.Init();
    }
    pictures.Clear();
    pictures.Free();

    LwoWriter writer;
    if (!BuildLwoObject(model, &writer)) return 0;
    String path(root);
    path.Append(SafeFileName(name, "Model").c_str());
    if (!strstr(path.c_str() + root.Length(), ".lwo")) path.Append(".lwo");
    SaveFile save;
    if (!save.Begin(path.c_str())) return 0;
    save.Write(writer.bytes.data, writer.bytes.count);
    return save.Commit() ? 1 : 0;
}
