#pragma once
// The structure editor's program-wide cache of collections ('.256' tags, read without their
// bitmaps) for its sequence pickers: one entry per collection id with a reference count.
// Every reference taken is released once, by the id it was taken for; a collection is freed
// when its last reference goes. An id whose tag cannot be found takes no entry; one whose tag
// cannot be read keeps an entry with no collection for the rest of the run.
#include "foundation/Types.h"

class Collection;

// Takes a reference to the collection with this '.256' id and answers it (null when none
// could be read; a found but unreadable tag still takes a reference then).
Collection* AcquireCollection(u32 id);
// Answers whether a reference for this id was held (and gives it up).
bool ReleaseCollection(u32 id);
// Whether AcquireCollection(id) took a reference (an entry exists for the id).
bool IsCollectionCached(u32 id);
// The collection id the 'core' tag with this id names, or 0xFFFFFFFF.
u32 ResolveCoreCollection(u32 coreId);
// Number of entries and references (tests).
u32 CollectionCacheEntryCount();
s32 CollectionCacheReferences(u32 id);
// Frees every entry (process exit, tests).
void ClearCollectionCache();
