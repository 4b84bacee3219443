#pragma once
// The invariants the exploration checks on tag files: every file a save wrote is a whole tag
// file the tag reader reads and the group's editor loads again; a tag opened and saved
// without edits keeps its data bytes, apart from the re-coding listed in kRecodings.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "codex/Codex.h"
#include "foundation/Types.h"

// A group code from its four characters at run time.
inline u32 GroupCode(const char* s)
{
    return u32(u8(s[0])) << 24 | u32(u8(s[1])) << 16 | u32(u8(s[2])) << 8 | u32(u8(s[3]));
}

// A tag's data bytes as its winning copy holds them; false when it cannot be read.
bool ReadTagDataBytes(TagEntry* entry, std::vector<u8>* out);
// The data bytes of a tag file (behind its 64-byte header) and its group and id; false when
// the file is no whole tag file (short, bad signature, size past the end).
bool ReadTagFileData(const std::string& path, u32* group, u32* tag, std::vector<u8>* out);

// Data bytes a save re-codes by rule rather than by an edit: the differences allowed between
// the bytes read and the bytes a save without edits writes. Empty for a group that must keep
// every byte.
const char* DescribeRecoding(u32 group);
// Whether saved may differ from read as the group's re-coding allows.
bool SameApartFromRecoding(u32 group, const std::vector<u8>& read, const std::vector<u8>& saved, std::string* why);

// Watches the local folder: each call answers the tag files written since the last one.
class LocalFolderWatch {
public:
    explicit LocalFolderWatch(const std::string& folder) : folder(folder) {}
    std::vector<std::string> Changed();

private:
    std::string folder;
    std::map<std::string, std::pair<u64, s64>> seen;  // path -> size, modification time (ns)
};

// Why the group's editor refuses to open the tag by design, or "": a colour map (the
// collection editor does not edit them), a terrain of a version other than 11 or whose colour
// map is missing or unreadable, a structure tag of another size than its structure.
std::string RefusedByDesign(TagEntry* entry);

// Remembers the data of every tag indexed now (the run's start): a saved file with the same
// group and data as one of them is a copy, which its editor may refuse as it refuses the
// original (the sample game holds damaged tags on purpose).
void RememberStartingTags();

// Checks one written file: the reader reads it, an entry of its group and id is indexed,
// and a new editor of the group loads it unless it refuses the tag by design or the file
// copies a starting tag's data. Answers "" or what failed.
std::string CheckSavedFile(const std::string& path);
