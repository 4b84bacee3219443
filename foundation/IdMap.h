#pragma once
// A hash map from a 32-bit key (a group code or a tag id) to a pointer.
//
// Holders keep an `IdMap*` handle: null until IdMapCreate, null again after IdMapDestroy.
// The map never owns the values. Every operation accepts a null handle and treats it as an
// empty map (lookups answer null or 0, insertions answer 0).
#include "foundation/BlockArena.h"
#include "foundation/DynArray.h"
#include "foundation/Types.h"

struct IdMap;

// Creates an empty map (8 buckets, grown so that there is at most one pair per bucket) into
// *handle: 1, or 0 with *handle null when the heap refuses the memory.
int IdMapCreate(IdMap** handle);
// The same, with the map's tables kept in the arena (which must outlive the map): for big
// maps built in one go. The map itself stays on the heap.
int IdMapCreateIn(IdMap** handle, BlockArena* arena);
// Inserts the pair: 1. A key already present keeps its old value: 0.
int IdMapInsert(IdMap* map, u32 key, void* value);
// The value stored under the key, or null.
void* IdMapFind(IdMap* map, u32 key);
// Removes the key and returns its value; null when the key is absent.
void* IdMapErase(IdMap* map, u32 key);
// The number of pairs.
u32 IdMapCount(IdMap* map);
// Appends every value to the list, in the map's iteration order (which is unspecified:
// callers sort or filter afterwards).
void IdMapValues(IdMap* map, DynArray<void*>* list);
// Frees the map (not the values) and sets *handle to null.
void IdMapDestroy(IdMap** handle);
