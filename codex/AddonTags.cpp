#include "codex/AddonTags.h"

#include "codex/TagFiles.h"
#include "foundation/Sort.h"

namespace {

constexpr u32 kDmap = FourCC("dmap");
constexpr u32 kDtex = FourCC("dtex");

constexpr u32 kRegularAddonGroups[] = {FourCC("form"), FourCC("obpc"), FourCC("reco"), FourCC("save"), FourCC("soli"),
                                       FourCC("soun"), FourCC("stli"), FourCC("temp"), FourCC("text")};

// Reads the map and adds the ids its used entries name; kDtexAddonOk or the problem's status.
u32 CollectMapTextures(TagEntry* listed, DynArray<u32>* ids, DtexAddonProblem* problem)
{
    GetTagHeader(listed, &problem->map);
    TagEntry* entry = FindTag(kDmap, problem->map.tag);
    TagHeader h;
    FILE* stream = entry ? OpenTag(entry, &h) : nullptr;
    // Only which entries the planes use matters here: the planes are not expanded.
    DetailMap* map = new DetailMap;
    InitDmap(map);
    bool used[kDetailMapEntries] = {};
    bool ok = stream && ReadDmapUsage(map, stream, &h, used);
    if (stream) CloseTagReader(entry);
    if (!ok) {
        delete map;
        return kDtexAddonUnreadableMap;
    }
    u32 status = kDtexAddonOk;
    for (u32 n = 0; n < kDetailMapEntries && status == kDtexAddonOk; ++n) {
        u32 id = map->entries[n].dtex;
        if (!used[n] || id == kNoTagId) continue;
        if (!FindTag(kDtex, id)) {
            problem->texture = id;
            status = kDtexAddonMissingTexture;
        } else {
            ids->Push(id);
        }
    }
    FreeDmap(map);
    delete map;
    return status;
}

}  // namespace

bool IsRegularAddonGroup(u32 group)
{
    for (u32 g : kRegularAddonGroups)
        if (g == group) return true;
    return false;
}

void ListRegularAddonTags(DynArray<TagEntry*>* out)
{
    ScopedDynArray<TagEntry*> local;
    ListLocalTags(&local);
    for (TagEntry* entry : local) {
        TagInstance* winner = GetTagInstance(entry);
        if (winner && IsRegularAddonGroup(winner->header.group)) out->Push(entry);
    }
}

void MarkUsedDetailEntries(const DetailMap& map, bool used[kDetailMapEntries])
{
    const u64 points = u64(map.width) * map.height;
    if (map.bytePlane)
        for (u64 i = 0; i < points; ++i)
            if (map.bytePlane[i] < kDetailMapEntries) used[map.bytePlane[i]] = true;
    if (map.pairPlane)
        for (u64 i = 0; i < points * 2; ++i)
            if (map.pairPlane[i] < kDetailMapEntries) used[map.pairPlane[i]] = true;
}

u32 ListDtexAddonTags(DynArray<TagEntry*>* out, DtexAddonProblem* problem)
{
    DtexAddonProblem scratch;
    if (!problem) problem = &scratch;
    *problem = DtexAddonProblem{};

    ScopedDynArray<TagEntry*> listed;
    ListGroupTags(kDmap, &listed);
    ScopedDynArray<TagEntry*> maps;
    ScopedDynArray<u32> ids;
    for (TagEntry* entry : listed) {
        if (!HasLocalCopy(entry)) continue;
        problem->status = CollectMapTextures(entry, &ids, problem);
        if (problem->status != kDtexAddonOk) return problem->status;
        maps.Push(entry);
    }
    problem->map = TagHeader{};

    if (ids.count) {
        u32 seed = 0;
        QuickSortU32(seed, ids.data, s32(ids.count));
    }
    for (TagEntry* entry : maps) out->Push(entry);
    for (u32 i = 0; i < ids.count; ++i)
        if (i == 0 || ids[i] != ids[i - 1]) out->Push(FindTag(kDtex, ids[i]));
    return kDtexAddonOk;
}
