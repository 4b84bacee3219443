#pragma once
// The program's configuration: one process-wide map from a key (compared byte by byte, so
// case-sensitive) to an unsigned integer or a string, loaded from "res/prefs.txt" at start-up
// and written back at exit.
//
// The file holds one preference a line, in key order: the key, one blank, then the value:
// unsigned decimal digits, or a string between double quotes (no escapes). Lines end with LF
// when written; LF, CR LF and a lone CR are read.
#include <cstddef>
#include "foundation/DynArray.h"
#include "foundation/String.h"
#include "foundation/Types.h"

// The path LoadPrefs and SavePrefs use, relative to the working directory.
constexpr const char* kPrefsPath = "res/prefs.txt";

enum : u32 { kPrefInt = 0, kPrefString = 1 };

struct PrefValue {
    u32 type;     // kPrefInt or kPrefString
    String text;  // strings only
    u32 number;   // integers only
};

class PrefStore {
public:
    struct Item {
        String key;
        PrefValue value;
    };

    // The process-wide store every Get/SetPref function uses.
    static PrefStore& Global();

    // The value of key, or null.
    const PrefValue* Find(const char* key) const;
    // Setting a key replaces its value and type.
    void SetInt(const char* key, u32 value);
    void SetString(const char* key, const char* text);
    // Every key in byte order.
    u32 Count() const { return items.count; }
    const Item& At(u32 i) const { return items[i]; }
    // Empties the store (between tests, and at exit).
    void Clear();

    // Reads preference lines from n bytes into the store; values replace those already set.
    // Blank lines are skipped and a last line without a line end is read. A malformed line
    // (key without its one blank, a value neither digits nor a quoted string of accepted
    // bytes) is left out and makes the result 0; every good line, also behind it, is loaded.
    int Parse(const char* data, size_t n);
    // Parse of a whole file: 0 when it cannot be read (or is over 64 MiB) or a line is
    // malformed.
    int Load(const char* path);
    // Writes every key in key order through a temporary file in the same folder renamed over
    // path, so a failed save leaves the previous file whole. Integers are written unsigned.
    // A key or string the reader would not take back (an empty key, a key with white space,
    // a string with a double quote or a control byte other than tab) is left out of the file
    // rather than making it unreadable. Returns 0 when any write, the close or the
    // rename fails.
    int Save(const char* path) const;
    // The file bytes Save writes.
    String Serialize() const;

    // Whether a key or a string value can be written so that Parse reads it back.
    static bool IsWritableKey(const char* key);
    static bool IsWritableText(const char* text);

    // An empty store. Constant, so the process-wide store is ready before any other
    // start-up code runs.
    constexpr PrefStore() : items{nullptr, 0, 0} {}
    ~PrefStore() { Clear(); }
    PrefStore(const PrefStore&) = delete;
    PrefStore& operator=(const PrefStore&) = delete;

    DynArray<Item> items;  // sorted by strcmp of the keys
private:
    // Index of key, or -(insertion point) - 1.
    s32 Search(const char* key) const;
    Item& Slot(const char* key);
};

// 1 and the value when key holds an integer; 0 and *value untouched when it is missing or a
// string.
int GetPrefInt(const char* key, u32* value);
// 1 and the text when key holds a string; 0 and *text untouched otherwise.
int GetPrefString(const char* key, String* text);
void SetPrefInt(const char* key, u32 value);
void SetPrefString(const char* key, const char* text);
// 0 when key holds no string. Otherwise appends every item of the text to list (which is not
// cleared first): each piece a ';' ends is one item, empty pieces included, and text behind
// the last ';' is no item. Answers whether the list is non-empty afterwards.
int GetPrefStringList(const char* key, DynArray<String>* list);
// Stores the items joined with a ';' after each (an empty list stores the empty string). An
// item holding ';' reads back as several items.
void SetPrefStringList(const char* key, const DynArray<String>& list);
// The "VornPath" preference (the game folder) ending in '/' (ResolveFolderPath: as given
// when that folder exists, else normalised); "" when it is not set or empty.
String GetVornPath();
void SetVornPath(const char* folder);
// Reads kPrefsPath into the process-wide store (PrefStore::Load).
int LoadPrefs();
// Writes the process-wide store to kPrefsPath (PrefStore::Save).
int SavePrefs();
// Empties the process-wide store.
void ResetPrefs();
