#pragma once
// The data of a version-2 detail map written by the program's own writer, for tests that
// need detail-map tags.
#include <cstdio>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "codex/DetailMap.h"

// A width x height map whose entries name the given (entry, texture id) pairs (every other
// entry names none); the byte plane holds points and the pair plane pairs, repeated to fill.
inline std::vector<u8> DmapBytes(const std::vector<std::pair<u32, u32>>& entries, std::vector<u8> points = {0},
                                 std::vector<u8> pairs = {0}, u32 width = 2, u32 height = 2)
{
    DetailMap map;
    InitDmap(&map);
    EXPECT_EQ(SetDmapSize(&map, width, height), 1);
    for (DetailMapEntry& e : map.entries) e.dtex = kNoTagId;
    for (auto& [index, id] : entries) map.entries[index].dtex = id;
    for (u32 i = 0; i < width * height; ++i) map.bytePlane[i] = points[i % points.size()];
    for (u32 i = 0; i < width * height * 2; ++i) map.pairPlane[i] = pairs[i % pairs.size()];
    FILE* f = tmpfile();
    TagHeader h = {};
    EXPECT_EQ(WriteDmapTag(&map, f, &h), 1);
    FreeDmap(&map);
    std::vector<u8> out(size_t(ftello(f)));
    rewind(f);
    EXPECT_EQ(fread(out.data(), 1, out.size(), f), out.size());
    fclose(f);
    return out;
}
