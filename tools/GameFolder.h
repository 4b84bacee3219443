#pragma once
// For the host tools that read a game folder as the program does (tags, plugins, then the
// local folder, whose copies win) and look a tag up by its name.
#include <cstdio>
#include <cstring>
#include <string>

#include "codex/Archive.h"
#include "codex/Codex.h"
#include "codex/LocalFolder.h"

// Opens the folder's archives and sets its local folder; false, with a line naming the tool,
// when there is no local folder.
inline bool OpenGameFolder(const char* tool, const char* folder)
{
    const std::string game = std::string(folder) + "/";
    OpenArchivesInFolder((game + "tags").c_str());
    OpenArchivesInFolder((game + "plugins").c_str());
    ActivateDefaultArchives();
    if (SetLocalFolder((game + "local").c_str())) return true;
    fprintf(stderr, "%s: no local folder in %s\n", tool, folder);
    return false;
}

// The winning copy of the group's tag of that name; null when there is none.
inline TagEntry* FindTagNamed(u32 group, const char* name)
{
    ScopedDynArray<TagEntry*> list;
    ListGroupTags(group, &list);
    for (TagEntry* e : list) {
        TagHeader h;
        GetTagHeader(e, &h);
        if (!strcmp(h.name, name)) return e;
    }
    return nullptr;
}
