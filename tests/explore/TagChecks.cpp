#include "tests/explore/TagChecks.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "codex/TagFiles.h"
#include "codex/TagHeader.h"
#include "tagedit/TagEdit.h"

namespace {

struct Recoding {
    const char* group;
    const char* what;
};

// What a save writes by rule whatever the bytes read held. Every other data byte a save
// without edits changes is a fault.
const Recoding kRecodings[] = {
    {"text", "line ends: LF and CR LF become CR"},
    {"scri", "line ends: LF and CR LF become CR"},
    {"stli", "line ends: LF and CR LF become CR"},
    {"ditl", "line ends: LF and CR LF become CR"},
    {"temp", "line ends: LF and CR LF become CR"},
};

bool IsTextGroup(u32 group)
{
    for (const char* g : {"text", "scri", "stli", "ditl", "temp"})
        if (group == GroupCode(g)) return true;
    return false;
}

std::vector<u8> WithCrLineEnds(const std::vector<u8>& in)
{
    std::vector<u8> out;
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] == '\r' && i + 1 < in.size() && in[i + 1] == '\n') continue;
        out.push_back(in[i] == '\n' ? u8('\r') : in[i]);
    }
    return out;
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
    for (const Recoding& r : kRecodings)
        if (GroupCode(r.group) == group) return r.what;
    return "";
}

bool SameApartFromRecoding(u32 group, const std::vector<u8>& read, const std::vector<u8>& saved, std::string* why)
{
    std::vector<u8> expected = IsTextGroup(group) ? WithCrLineEnds(read) : read;
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
    TagEdit* fresh = CallTagGroupHandler(entry);
    if (!fresh) return "";  // a group without an editor: nothing to reopen
    const int loaded = fresh->Load();
    fresh->Close();
    return loaded ? "" : "the group's editor cannot load it";
}
