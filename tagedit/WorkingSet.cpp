#include "tagedit/WorkingSet.h"

#include <cstring>

#include "foundation/Log.h"
#include "foundation/PrefStore.h"

namespace {

// A name the string list cannot carry: ';' would split it on reading, and the preference
// file leaves out a whole string with '"' or a control byte, losing every other name too.
bool CanListName(const char* name)
{
    if (!name || !*name) return false;
    if (strchr(name, ';') || !PrefStore::IsWritableText(name)) return false;
    for (const char* p = name; *p; ++p)
        if (u8(*p) < 0x20) return false;
    return true;
}

}  // namespace

void SaveWorkingSet(const char* key, const DynArray<Archive*>& archives)
{
    ScopedDynArray<String> names;
    for (Archive* a : archives) {
        const char* name = GetArchiveName(a);
        if (CanListName(name)) names.Push(String(name));
        else LogMessage(1, "Codex", "archive '%s' left out of the working set: its name cannot be stored", name);
    }
    SetPrefStringList(key, names);
}

bool LoadWorkingSet(const char* key, DynArray<Archive*>* archives)
{
    ScopedDynArray<String> names;
    if (!GetPrefStringList(key, &names)) return false;
    for (const String& n : names)
        if (Archive* a = FindArchiveByName(n.c_str())) archives->Push(a);
    return true;
}
