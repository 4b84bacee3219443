#include "collection/SequenceScript.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>

#include "foundation/Files.h"
#include "foundation/StringUtil.h"

u32 SequenceScript::DistinctFrames() const
{
    std::set<s32> seen;
    for (s32 e : frameList)
        if (e >= 0) seen.insert(e);
    return u32(seen.size());
}

bool ParseBoolCollection(const char* text)
{
    static const char* const kTrue[] = {"1", "T", "True", "Y", "Yes"};
    for (const char* t : kTrue)
        if (StrICmp(text, t) == 0) return true;
    return false;
}

namespace {

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Parses the frame list from p up to the next ')' or end; answers where it stopped.
size_t ParseFrameList(const char* text, size_t p, size_t length, std::vector<s32>& list)
{
    for (; p < length && text[p] != ')'; ++p) {
        if (text[p] == '~') {
            list.push_back(-1);
        } else if (text[p] >= '0' && text[p] <= '9') {
            s64 n = 0;
            while (p < length && text[p] >= '0' && text[p] <= '9') {
                n = std::min<s64>(n * 10 + (text[p] - '0'), 0x7FFFFFFF);
                ++p;
            }
            --p;
            list.push_back(n == 0 ? -1 : s32(n - 1));
        }
    }
    return p;
}

}  // namespace

void ParseScriptText(const char* text, size_t length, SequenceScript* script)
{
    size_t p = 0;
    while (p < length) {
        while (p < length && (IsBlank(text[p]) || IsLineEnd(text[p]))) ++p;
        if (p >= length) break;
        if (text[p] == '(') {
            p = ParseFrameList(text, p + 1, length, script->frameList);
            // The rest of the line after the ')' is not part of any key.
            while (p < length && !IsLineEnd(text[p])) ++p;
            continue;
        }
        size_t end = p;
        while (end < length && !IsLineEnd(text[end])) ++end;
        std::string line(text + p, end - p);
        p = end;
        size_t blank = line.find_first_of(" \t");
        if (blank == std::string::npos) continue;
        std::string key = line.substr(0, blank), value = line.substr(blank + 1);
        if (StrICmp(key.c_str(), "BitmapOrder") == 0) {
            if (StrICmp(value.c_str(), "ViewsThenFrames") == 0) script->bitmapOrder = kOrderViewsThenFrames;
            else if (StrICmp(value.c_str(), "FramesThenViews") == 0) script->bitmapOrder = kOrderFramesThenViews;
        } else if (StrICmp(key.c_str(), "AlignIndividually") == 0) {
            script->alignIndividually = ParseBoolCollection(value.c_str()) ? 1 : 0;
        }
    }
}

void ParseScriptFile(const char* path, SequenceScript* script)
{
    FILE* f = fopen(path, "rb");
    if (!f) return;
    std::string text;
    char buffer[4096];
    size_t n;
    // A script is a few lines; anything past a megabyte is not one.
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0 && text.size() < (1u << 20)) text.append(buffer, n);
    fclose(f);
    ParseScriptText(text.data(), text.size(), script);
}

namespace {

// A decimal number as "%d" reads it (spaces, a sign, digits), but saturated at the limits of
// s32 instead of overflowing, which the two builds did differently. Null when there are no
// digits; else the first character after them.
const char* ReadBoundedInt(const char* p, s32* out)
{
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    if (*p < '0' || *p > '9') return nullptr;
    const s64 limit = negative ? s64(1) << 31 : (s64(1) << 31) - 1;
    s64 v = 0;
    for (; *p >= '0' && *p <= '9'; ++p) v = v > limit ? v : v * 10 + (*p - '0');
    if (v > limit) v = limit;
    *out = s32(negative ? -v : v);
    return p;
}

}  // namespace

int ParseFolderDimensions(const char* folderName, std::string* name, s32* views, s32* frames)
{
    *name = folderName;
    *views = *frames = 0;
    const char* open = strrchr(folderName, '(');
    s32 v = 0, f = 0;
    const char* p = open ? ReadBoundedInt(open + 1, &v) : nullptr;
    if (!p || *p != ',' || !ReadBoundedInt(p + 1, &f)) return 0;
    name->assign(folderName, size_t(open - folderName));
    *views = v;
    *frames = f;
    return 1;
}

void TransposeNameList(std::vector<std::string>& names, u32 views)
{
    if (views == 0) return;
    size_t n = names.size(), g = n / views;
    std::vector<std::string> out(n);
    for (size_t v = 0; v < views; ++v)
        for (size_t k = 0; k < g; ++k) out[k * views + v] = std::move(names[v * g + k]);
    names.swap(out);
}

bool IsAlphaImageName(const char* name)
{
    const char* dot = strrchr(name, '.');
    size_t stem = dot && dot != name ? size_t(dot - name) : strlen(name);
    return stem > 6 && StrNICmp(name + stem - 6, ".alpha", 6) == 0;
}

namespace {

struct FileList {
    int alphas;
    std::vector<std::string> paths;
};

int CollectSourceFile(const FileInfo*, const char* folder, const char* name, void* context)
{
    FileList* list = static_cast<FileList*>(context);
    if (strcmp(name, "script.txt") == 0) return 1;
    bool alpha = IsAlphaImageName(name);
    if ((list->alphas == 0 && alpha) || (list->alphas == 1 && !alpha)) return 1;
    list->paths.push_back(std::string(folder) + name);
    return 1;
}

}  // namespace

std::vector<std::string> ListSourceFiles(const char* folder, int alphas)
{
    FileList list{alphas, {}};
    ScanFolder(folder, 0, CollectSourceFile, nullptr, &list);
    std::sort(list.paths.begin(), list.paths.end(), [](const std::string& a, const std::string& b) {
        return NaturalCompare(a.c_str(), b.c_str()) < 0;
    });
    return list.paths;
}

bool IsExistingFolder(const char* path)
{
    FileInfo info;
    return path && *path && StatPath(&info, path) && (info.flags & kFileDirectory);
}

std::string CleanFolderName(const char* name)
{
    std::string out = name ? name : "";
    for (char& c : out)
        if (c == '/' || c == '\\') c = '_';
    if (out.find_first_not_of('.') == std::string::npos) out = "_";
    return out;
}
