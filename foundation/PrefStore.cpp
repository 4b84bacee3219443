#include "foundation/PrefStore.h"

#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstring>

#include "foundation/Files.h"
#include "foundation/SaveFile.h"

namespace {

PrefStore gStore = {};

// Far above any real preferences file; a larger one is not read into memory.
constexpr u64 kMaxPrefsFileSize = 64u << 20;

bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }
bool IsSpace(u8 c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// Bytes a quoted string may hold: printable ASCII, tab and every byte of 0x80 and above (folder
// names in UTF-8 or a legacy code page).
bool IsTextByte(u8 c) { return c == '\t' || (c >= 0x20 && c <= 0x7E && c != '"') || c >= 0x80; }

// Parses one line (without its line end) into the store; false when malformed.
bool ParseLine(PrefStore& store, const char* line, size_t n)
{
    size_t keyEnd = 0;
    while (keyEnd < n && !IsSpace(u8(line[keyEnd])) && line[keyEnd] != 0) ++keyEnd;
    if (keyEnd == 0 || keyEnd == n || line[keyEnd] != ' ') return false;
    const char* value = line + keyEnd + 1;
    size_t length = n - keyEnd - 1;
    if (length == 0) return true;  // a key without a value is passed over
    String key(line, u32(keyEnd));

    bool digits = true;
    u32 number = 0;
    for (size_t i = 0; i < length && digits; ++i) {
        if (value[i] < '0' || value[i] > '9')
            digits = false;
        else
            number = number * 10u + u32(value[i] - '0');
    }
    if (digits) {
        store.SetInt(key, number);
        return true;
    }
    if (length < 2 || value[0] != '"' || value[length - 1] != '"') return false;
    for (size_t i = 1; i + 1 < length; ++i)
        if (!IsTextByte(u8(value[i]))) return false;
    String text(value + 1, u32(length - 2));
    store.SetString(key, text);
    return true;
}

}  // namespace

PrefStore& PrefStore::Global()
{
    return gStore;
}

s32 PrefStore::Search(const char* key) const
{
    u32 low = 0, high = items.count;
    while (low < high) {
        u32 mid = low + (high - low) / 2;
        int order = strcmp(items[mid].key.c_str(), key);
        if (order == 0) return s32(mid);
        if (order < 0)
            low = mid + 1;
        else
            high = mid;
    }
    return -s32(low) - 1;
}

PrefStore::Item& PrefStore::Slot(const char* key)
{
    s32 index = Search(key);
    if (index >= 0) return items[u32(index)];
    u32 at = u32(-(index + 1));
    Item* item = items.InsertGap(at, 1);
    new (item) Item();
    item->key.Set(key);
    return *item;
}

const PrefValue* PrefStore::Find(const char* key) const
{
    if (!key) return nullptr;
    s32 index = Search(key);
    return index >= 0 ? &items[u32(index)].value : nullptr;
}

void PrefStore::SetInt(const char* key, u32 value)
{
    if (!key) return;
    Item& item = Slot(key);
    item.value.type = kPrefInt;
    item.value.text.Clear();
    item.value.number = value;
}

void PrefStore::SetString(const char* key, const char* text)
{
    if (!key) return;
    String copy(text);  // text may be the value being replaced
    Item& item = Slot(key);
    item.value.type = kPrefString;
    item.value.text = static_cast<String&&>(copy);
    item.value.number = 0;
}

void PrefStore::Clear()
{
    items.Clear();
}

int PrefStore::Parse(const char* data, size_t n)
{
    if (!data) return 0;
    int ok = 1;
    size_t pos = 0;
    while (pos < n) {
        size_t end = pos;
        while (end < n && !IsLineEnd(data[end])) ++end;
        bool blank = true;
        for (size_t i = pos; i < end && blank; ++i) blank = IsSpace(u8(data[i]));
        if (!blank && !ParseLine(*this, data + pos, end - pos)) ok = 0;
        pos = end;
        if (pos < n && data[pos] == '\r') {
            ++pos;
            if (pos < n && data[pos] == '\n') ++pos;
        } else if (pos < n) {
            ++pos;
        }
    }
    return ok;
}

int PrefStore::Load(const char* path)
{
    if (!path) return 0;
    FILE* f = fopen(path, "rb");
    if (!f) return 0;
    struct stat st;
    if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode) || u64(st.st_size) > kMaxPrefsFileSize) {
        fclose(f);
        return 0;
    }
    // Read to the end rather than trusting the size: the file may change under us.
    size_t capacity = size_t(st.st_size) + 1, used = 0;
    char* data = static_cast<char*>(malloc(capacity));
    bool ok = data != nullptr;
    while (ok) {
        if (used == capacity) {
            if (capacity >= kMaxPrefsFileSize) {
                ok = false;
                break;
            }
            char* grown = static_cast<char*>(realloc(data, capacity * 2));
            if (!grown) {
                ok = false;
                break;
            }
            data = grown;
            capacity *= 2;
        }
        size_t got = fread(data + used, 1, capacity - used, f);
        used += got;
        if (got == 0) {
            ok = !ferror(f);
            break;
        }
    }
    fclose(f);
    int result = ok ? Parse(data, used) : 0;
    free(data);
    return result;
}

bool PrefStore::IsWritableKey(const char* key)
{
    if (!key || !*key) return false;
    for (const u8* p = reinterpret_cast<const u8*>(key); *p; ++p)
        if (IsSpace(*p)) return false;
    return true;
}

bool PrefStore::IsWritableText(const char* text)
{
    for (const u8* p = reinterpret_cast<const u8*>(text); *p; ++p)
        if (!IsTextByte(*p)) return false;
    return true;
}

String PrefStore::Serialize() const
{
    String out;
    char number[16];
    for (const Item& item : items) {
        if (!IsWritableKey(item.key)) continue;
        if (item.value.type == kPrefInt) {
            snprintf(number, sizeof(number), " %u\n", unsigned(item.value.number));
            out.Append(item.key);
            out.Append(number);
        } else {
            if (!IsWritableText(item.value.text)) continue;
            out.Append(item.key);
            out.Append(" \"");
            out.Append(item.value.text);
            out.Append("\"\n");
        }
    }
    return out;
}

int PrefStore::Save(const char* path) const
{
    if (!path || !*path) return 0;
    // Follow a symbolic link so the file it names is replaced, not the link.
    String target(path);
    struct stat st;
    if (lstat(path, &st) == 0 && S_ISLNK(st.st_mode)) {
        char* real = realpath(path, nullptr);
        if (real) target.Adopt(real);
    }
    SaveFile save;
    if (!save.Begin(target)) return 0;
    String bytes = Serialize();
    save.Write(bytes.c_str(), bytes.Length());
    // The store is written at exit, just before the process ends: put the bytes on the disk
    // before the rename makes them the preferences.
    if (fflush(save.Stream()) != 0 || fsync(fileno(save.Stream())) != 0) save.MarkFailed();
    return save.Commit() ? 1 : 0;
}

int GetPrefInt(const char* key, u32* value)
{
    const PrefValue* found = gStore.Find(key);
    if (!found || found->type != kPrefInt) return 0;
    if (value) *value = found->number;
    return 1;
}

int GetPrefString(const char* key, String* text)
{
    const PrefValue* found = gStore.Find(key);
    if (!found || found->type != kPrefString) return 0;
    if (text) text->Set(found->text);
    return 1;
}

void SetPrefInt(const char* key, u32 value)
{
    gStore.SetInt(key, value);
}

void SetPrefString(const char* key, const char* text)
{
    gStore.SetString(key, text);
}

int GetPrefStringList(const char* key, DynArray<String>* list)
{
    const PrefValue* found = gStore.Find(key);
    if (!found || found->type != kPrefString || !list) return 0;
    const char* text = found->text.c_str();
    const char* start = text;
    for (const char* p = text; *p; ++p) {
        if (*p != ';') continue;
        list->Push(String(start, u32(p - start)));
        start = p + 1;
    }
    return list->count != 0;
}

void SetPrefStringList(const char* key, const DynArray<String>& list)
{
    String joined;
    for (const String& item : list) {
        joined.Append(item);
        joined.Append(";");
    }
    gStore.SetString(key, joined);
}

String GetVornPath()
{
    String path;
    GetPrefString("VornPath", &path);
    return ResolveFolderPath(path);
}

void SetVornPath(const char* folder)
{
    gStore.SetString("VornPath", folder);
}

int LoadPrefs()
{
    return gStore.Load(kPrefsPath);
}

int SavePrefs()
{
    return gStore.Save(kPrefsPath);
}

void ResetPrefs()
{
    gStore.Clear();
}
