#include "tests/explore/TagChecks.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>

#include "codex/MeshTag.h"
#include "codex/TagFiles.h"
#include "codex/TagHeader.h"
#include "collection/Collection.h"
#include "tagedit/StructDef.h"
#include "tagedit/TagEdit.h"

namespace {

std::string GroupText(u32 group)
{
    const char code[5] = {char(group >> 24), char(group >> 16), char(group >> 8), char(group), 0};
    return code;
}

u32 LoadBig32(const std::vector<u8>& b, size_t at)
{
    return u32(b[at]) << 24 | u32(b[at + 1]) << 16 | u32(b[at + 2]) << 8 | u32(b[at + 3]);
}

// LF and CR LF become CR.
void WithCrLineEnds(std::vector<u8>* bytes)
{
    std::vector<u8> out;
    const std::vector<u8>& in = *bytes;
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] == '\r' && i + 1 < in.size() && in[i + 1] == '\n') continue;
        out.push_back(in[i] == '\n' ? u8('\r') : in[i]);
    }
    bytes->swap(out);
}

// A string list is read as its non-empty strings (NUL, CR and LF all separate them) and
// written one string per line, each ending with CR: empty strings go.
void AsStringList(std::vector<u8>* bytes)
{
    std::vector<u8> out;
    const std::vector<u8>& in = *bytes;
    for (size_t i = 0; i < in.size();) {
        auto separator = [](u8 c) { return c == 0 || c == '\r' || c == '\n'; };
        if (separator(in[i])) {
            ++i;
            continue;
        }
        while (i < in.size() && !separator(in[i])) out.push_back(in[i++]);
        out.push_back('\r');
    }
    bytes->swap(out);
}

// A collection's FrameView records without a high-resolution assignment (flag bit 5) carry
// nothing in their high-res bitmap index, scale and registration point: reading sets them to
// zero, while a view made new in memory (as the builders make them) holds index 0xFFFF there.
void WithUnusedHighResZero(std::vector<u8>* bytes)
{
    std::vector<u8>& b = *bytes;
    const size_t kHeader = 320, kViewsRef = 112, kDataStart = 248, kRecord = 64;
    if (b.size() < kHeader) return;
    const u32 count = LoadBig32(b, kViewsRef), offset = LoadBig32(b, kViewsRef + 4);
    const size_t start = size_t(LoadBig32(b, kDataStart)) + offset;
    for (u32 i = 0; i < count; ++i) {
        const size_t at = start + size_t(i) * kRecord;
        if (at + kRecord > b.size()) return;
        if (LoadBig32(b, at) & 32) continue;
        memset(&b[at + 30], 0, 10);  // index (2), scale (4), registration x and y (2 + 2)
    }
}

// A detail texture's 16-byte record repeats the image's width and height; the code stream's
// own header decides them on reading, so a record that disagrees is written to match.
void WithRecordSizeFromStream(std::vector<u8>* bytes)
{
    std::vector<u8>& b = *bytes;
    if (b.size() < 24) return;
    // The stream's first word is little-endian: width in bits 31-20, height in bits 19-8.
    const u32 word = u32(b[20]) | u32(b[21]) << 8 | u32(b[22]) << 16 | u32(b[23]) << 24;
    const u32 sides[2] = {word >> 20, (word >> 8) & 0xFFF};
    for (u32 i = 0; i < 2; ++i)
        for (u32 k = 0; k < 4; ++k) b[i * 4 + k] = u8(sides[i] >> (24 - 8 * k));
}

struct Recoding {
    const char* group;
    const char* what;
    void (*apply)(std::vector<u8>*);
};

// What a save writes by rule whatever the bytes read held. Every other data byte a save
// without edits changes is a fault.
const Recoding kRecodings[] = {
    {"text", "line ends: LF and CR LF become CR", WithCrLineEnds},
    {"scri", "line ends: LF and CR LF become CR", WithCrLineEnds},
    {"stli", "the non-empty strings, each ending with CR", AsStringList},
    {"ditl", "line ends: LF and CR LF become CR", WithCrLineEnds},
    {"temp", "the non-empty strings, each ending with CR", AsStringList},
    {".256", "the high-res index, scale and registration point of views without a high-res assignment become 0",
     WithUnusedHighResZero},
    {"dtex", "the record's width and height become the code stream's", WithRecordSizeFromStream},
};

const Recoding* FindRecoding(u32 group)
{
    for (const Recoding& r : kRecodings)
        if (GroupCode(r.group) == group) return &r;
    return nullptr;
}

}  // namespace

bool ReadTagDataBytes(TagEntry* entry, std::vector<u8>* out)
{
    TagHeader header;
    FILE* f = OpenTag(entry, &header);
    if (!f) return false;
    out->assign(header.size, 0);
    const bool ok = header.size == 0 || fread(out->data(), 1, header.size, f) == header.size;
    CloseTagReader(entry);
    return ok;
}

bool ReadTagFileData(const std::string& path, u32* group, u32* tag, std::vector<u8>* out)
{
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return false;
    u8 raw[kTagHeaderSize];
    TagHeader header;
    bool ok = fread(raw, 1, sizeof raw, f) == sizeof raw;
    if (ok) {
        TagHeadersFromDisk(&header, raw, 1);
        ok = header.game == kTagSignature && header.offset == kTagHeaderSize;
    }
    if (ok) {
        out->assign(header.size, 0);
        ok = header.size == 0 || fread(out->data(), 1, header.size, f) == header.size;
        u8 extra;
        ok = ok && fread(&extra, 1, 1, f) == 0;  // nothing behind the data
        *group = header.group;
        *tag = header.tag;
    }
    fclose(f);
    return ok;
}

const char* DescribeRecoding(u32 group)
{
    const Recoding* r = FindRecoding(group);
    return r ? r->what : "";
}

bool SameApartFromRecoding(u32 group, const std::vector<u8>& read, const std::vector<u8>& saved, std::string* why)
{
    std::vector<u8> expected = read;
    if (const Recoding* r = FindRecoding(group)) r->apply(&expected);
    if (expected == saved) return true;
    size_t i = 0;
    while (i < expected.size() && i < saved.size() && expected[i] == saved[i]) ++i;
    char text[160];
    snprintf(text, sizeof text, "%zu data bytes read, %zu saved; first difference at byte %zu (%d -> %d)",
             expected.size(), saved.size(), i, i < expected.size() ? expected[i] : -1, i < saved.size() ? saved[i] : -1);
    *why = text;
    return false;
}

std::vector<std::string> LocalFolderWatch::Changed()
{
    namespace fs = std::filesystem;
    std::vector<std::string> out;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        const std::string path = it->path().string();
        // Temporary files of a save in progress are not tags yet.
        if (path.find("/.") != std::string::npos) continue;
        struct stat st;
        if (stat(path.c_str(), &st) != 0) continue;
        const std::pair<u64, s64> now{u64(st.st_size), s64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
        auto found = seen.find(path);
        if (found != seen.end() && found->second == now) continue;
        seen[path] = now;
        out.push_back(path);
    }
    return out;
}

namespace {

// Group and a hash of the data bytes of every tag the run began with.
std::set<std::pair<u32, size_t>> g_startingData;

size_t HashBytes(const std::vector<u8>& bytes)
{
    return std::hash<std::string>()(std::string(bytes.begin(), bytes.end()));
}

}  // namespace

void RememberStartingTags()
{
    g_startingData.clear();
    ScopedDynArray<TagEntry*> all;
    ListAllTags(&all);
    for (TagEntry* e : all) {
        std::vector<u8> bytes;
        if (ReadTagDataBytes(e, &bytes)) g_startingData.emplace(e->group, HashBytes(bytes));
    }
}

std::string RefusedByDesign(TagEntry* entry)
{
    TagHeader header;
    FILE* f = OpenTag(entry, &header);
    if (!f) return "";
    std::string why;
    if (entry->group == GroupCode(".256")) {
        std::unique_ptr<Collection> c(LoadCollection(f, &header));
        if (c && (c->flags & kCollectionColorMap)) why = "a colour map, which the collection editor does not edit";
    } else if (entry->group == GroupCode("mesh")) {
        MeshTagData mesh;
        InitMesh(&mesh);
        if (header.version != 11) {
            why = "a terrain of version " + std::to_string(header.version) + ", which the terrain editor does not read";
        } else if (ReadMeshTag(&mesh, f, &header)) {
            TagEntry* map = FindTag(GroupCode(".256"), mesh.header.colorMap);
            TagHeader mapHeader;
            FILE* m = map ? OpenTag(map, &mapHeader) : nullptr;
            std::unique_ptr<Collection> c(m ? LoadCollection(m, &mapHeader) : nullptr);
            if (map) CloseTagReader(map);
            if (!c) why = "a terrain whose colour map is missing or unreadable";
        }
        FreeMesh(&mesh);
    } else if (const StructDef* def = StructDefinitions().Find(GroupText(entry->group).c_str())) {
        if (header.size != def->GetSize())
            why = "of " + std::to_string(header.size) + " bytes where its structure has " +
                  std::to_string(def->GetSize());
    }
    CloseTagReader(entry);
    return why;
}

std::string CheckSavedFile(const std::string& path)
{
    u32 group = 0, tag = 0;
    std::vector<u8> data;
    if (!ReadTagFileData(path, &group, &tag, &data)) return "not a whole tag file";
    TagEntry* entry = FindTag(group, tag);
    if (!entry) return "its tag is not indexed";
    if (!HasLocalCopy(entry)) return "its tag has no local copy";
    std::vector<u8> read;
    if (!ReadTagDataBytes(entry, &read)) return "the tag reader cannot read it";
    // A tag its editor refuses to open by design (a copy or rename of such a tag keeps it so)
    // is checked by the tag reader alone.
    if (!RefusedByDesign(entry).empty()) return "";
    TagEdit* fresh = CallTagGroupHandler(entry);
    if (!fresh) return "";  // a group without an editor: nothing to reopen
    const int loaded = fresh->Load();
    fresh->Close();
    if (loaded) return "";
    // The same bytes as a tag the run began with (a Duplicate, a rename): the save changed
    // nothing the editor reads, and the editor refuses the original as well (a damaged sample).
    if (g_startingData.count({group, HashBytes(data)})) return "";
    return "the group's editor cannot load it";
}
