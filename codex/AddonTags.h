#pragma once
// Which tags an add-on archive carries: the local tags of the groups an add-on may hold, or
// every local detail map with the detail textures its used entries name.
#include "codex/Codex.h"
#include "codex/DetailMap.h"

// Whether a regular add-on may carry tags of the group ('form', 'obpc', 'reco', 'save',
// 'soli', 'soun', 'stli', 'temp', 'text').
bool IsRegularAddonGroup(u32 group);
// Appends every tag with a local copy whose winning header is of such a group, in the order
// ListLocalTags gives them.
void ListRegularAddonTags(DynArray<TagEntry*>* out);

// Sets used[n] for every entry number n that a value of the byte plane or either byte of a
// pair-plane value names. Values of kDetailMapEntries and more name no entry (a map read from
// a file may hold them).
void MarkUsedDetailEntries(const DetailMap& map, bool used[kDetailMapEntries]);

enum : u32 {
    kDtexAddonOk = 0,
    kDtexAddonUnreadableMap = 1,   // problem->map could not be found, opened or read
    kDtexAddonMissingTexture = 2,  // problem->map names problem->texture, which does not exist
};

struct DtexAddonProblem {
    u32 status;
    TagHeader map;  // the winning header of the detail map concerned
    u32 texture;    // the missing detail texture's id
};

// Appends every detail map with a local copy (in the order ListGroupTags gives them), then
// the 'dtex' tag of every id a used entry of them names, each once, in ascending id order
// (entries whose id is kNoTagId add nothing). Only one map is held in memory at a time.
// Answers kDtexAddonOk; on a problem the list is left as it was, the problem is described
// and its status answered. problem may be null.
u32 ListDtexAddonTags(DynArray<TagEntry*>* out, DtexAddonProblem* problem);
