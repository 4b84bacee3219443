// Archive files: the header of either form, mesh records and the directory, then indexing,
// activation and reading every tag's data as the editors would.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "codex/Archive.h"
#include "codex/Codex.h"
#include "codex/TagFiles.h"

namespace {

std::string& ScratchPath()
{
    static std::string path;
    if (path.empty()) {
        char pattern[] = "/tmp/tavik-fuzz-archive-XXXXXX";
        int fd = mkstemp(pattern);
        if (fd < 0) abort();
        close(fd);
        path = pattern;
        atexit([] { remove(ScratchPath().c_str()); });
    }
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    const std::string& path = ScratchPath();
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return 0;
    if (size) fwrite(data, 1, size, f);
    fclose(f);

    Archive* archive = OpenArchive(path.c_str());
    if (!archive) return 0;
    for (const TagInstance& instance : archive->instances)
        if (u64(instance.header.offset) + instance.header.size > size) abort();
    ActivateDefaultArchives();
    DynArray<Archive*> all = {};
    all.Push(archive);
    SetActiveArchives(all);
    all.Free();
    DynArray<TagEntry*> tags = {};
    ListArchiveTags(archive, &tags);
    for (TagEntry* entry : tags) {
        TagHeader h;
        FILE* in = OpenTag(entry, &h);
        if (!in) continue;
        char buffer[256];
        u32 n = h.size < sizeof buffer ? h.size : u32(sizeof buffer);
        if (n && fread(buffer, 1, n, in) != n) abort();
        CloseTagReader(entry);
    }
    tags.Free();
    if (!CloseCodex()) abort();
    return 0;
}
