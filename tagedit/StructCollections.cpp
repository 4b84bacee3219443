#include "tagedit/StructCollections.h"
#include "codex/Codex.h"
#include "codex/CoreTag.h"
#include "codex/TagFiles.h"
#include "collection/Collection.h"
#include "foundation/DynArray.h"

namespace {

struct StructCollectionCache {
    Collection* collection;
    s32 references;
    u32 id;
};

DynArray<StructCollectionCache> gCache = {};

struct CacheAtExit {
    ~CacheAtExit() { gCache.Free(); }
} gCacheAtExit;

s32 FindEntry(u32 id)
{
    for (u32 i = 0; i < gCache.count; ++i)
        if (gCache[i].id == id) return s32(i);
    return -1;
}

}  // namespace

Collection* AcquireCollection(u32 id)
{
    const s32 at = FindEntry(id);
    if (at >= 0) {
        ++gCache[u32(at)].references;
        return gCache[u32(at)].collection;
    }
    TagEntry* entry = FindTag(FourCC(".256"), id);
    if (!entry) return nullptr;
    TagHeader header;
    FILE* f = OpenTag(entry, &header);
    if (!f) return nullptr;
    Collection* c = new Collection;
    if (!c->Read(f, &header, false)) {
        delete c;
        c = nullptr;
    }
    CloseTagReader(entry);
    gCache.Push(StructCollectionCache{c, 1, id});
    return c;
}

bool ReleaseCollection(u32 id)
{
    const s32 at = FindEntry(id);
    if (at < 0) return false;
    StructCollectionCache& e = gCache[u32(at)];
    if (--e.references < 1) {
        delete e.collection;
        gCache.Remove(u32(at));
    }
    return true;
}

bool IsCollectionCached(u32 id)
{
    return FindEntry(id) >= 0;
}

u32 ResolveCoreCollection(u32 coreId)
{
    TagEntry* entry = FindTag(FourCC("core"), coreId);
    if (!entry) return 0xFFFFFFFF;
    TagHeader header;
    FILE* f = OpenTag(entry, &header);
    if (!f) return 0xFFFFFFFF;
    CoreTagData* core = LoadCoreTag(f, &header);
    CloseTagReader(entry);
    if (!core) return 0xFFFFFFFF;
    const u32 id = core->collection;
    delete core;
    return id;
}

u32 CollectionCacheEntryCount()
{
    return gCache.count;
}

s32 CollectionCacheReferences(u32 id)
{
    const s32 at = FindEntry(id);
    return at < 0 ? 0 : gCache[u32(at)].references;
}

void ClearCollectionCache()
{
    for (StructCollectionCache& e : gCache) delete e.collection;
    gCache.Free();
}
