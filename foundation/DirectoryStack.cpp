#include "foundation/DirectoryStack.h"

#include <errno.h>
#include <unistd.h>
#include <cstdlib>

#include "foundation/DynArray.h"
#include "foundation/String.h"

namespace {

struct DirectoryStack {
    DynArray<String> entries;
    ~DirectoryStack() { entries.Clear(); }
};

DirectoryStack gStack = {};

// The current directory, whatever its length; empty when it cannot be read (it was removed).
String CurrentDirectory()
{
    String result;
    char* cwd = getcwd(nullptr, 0);
    if (cwd) result.Adopt(cwd);
    return result;
}

int ChangeTo(const String& folder)
{
    return !folder.IsEmpty() && chdir(folder.c_str()) == 0;
}

}  // namespace

int PushDirectory(const char* folder)
{
    if (gStack.entries.count == 0) gStack.entries.Push(CurrentDirectory());
    // Entries are kept as absolute paths: a relative folder would mean another place once a
    // later push has changed the working directory.
    int changed = folder && *folder && chdir(folder) == 0;
    gStack.entries.Push(CurrentDirectory());
    return changed;
}

int PushCurrentDirectory()
{
    String current = CurrentDirectory();
    return PushDirectory(current);
}

int PopDirectory()
{
    DynArray<String>& entries = gStack.entries;
    if (entries.count == 0) return 0;
    if (entries.count > 1) entries.Remove(entries.count - 1);
    return ChangeTo(entries[entries.count - 1]);
}

unsigned DirectoryStackDepth()
{
    return gStack.entries.count;
}

void FreeDirectoryStack()
{
    gStack.entries.Clear();
}
