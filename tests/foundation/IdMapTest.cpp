#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <vector>

#include "foundation/IdMap.h"

namespace {

void* V(uintptr_t n)
{
    return reinterpret_cast<void*>(n);
}

// Owns a map for one test.
struct Map {
    IdMap* map = nullptr;
    Map() { EXPECT_EQ(IdMapCreate(&map), 1); }
    explicit Map(BlockArena* arena) { EXPECT_EQ(IdMapCreateIn(&map, arena), 1); }
    ~Map() { IdMapDestroy(&map); }
};

std::vector<void*> Values(IdMap* map)
{
    ScopedDynArray<void*> list;
    IdMapValues(map, &list);
    std::vector<void*> v(list.begin(), list.end());
    std::sort(v.begin(), v.end());
    return v;
}

}  // namespace

TEST(IdMap, NewMapIsEmpty)
{
    Map m;
    ASSERT_NE(m.map, nullptr);
    EXPECT_EQ(IdMapCount(m.map), 0u);
    EXPECT_EQ(IdMapFind(m.map, 0), nullptr);
    EXPECT_EQ(IdMapErase(m.map, 0), nullptr);
    EXPECT_TRUE(Values(m.map).empty());
}

TEST(IdMap, InsertFindAndEraseOneKey)
{
    Map m;
    u32 key = FourCC(".256");
    EXPECT_EQ(IdMapInsert(m.map, key, V(1)), 1);
    EXPECT_EQ(IdMapCount(m.map), 1u);
    EXPECT_EQ(IdMapFind(m.map, key), V(1));
    EXPECT_EQ(IdMapFind(m.map, key + 1), nullptr);
    EXPECT_EQ(IdMapErase(m.map, key), V(1));
    EXPECT_EQ(IdMapFind(m.map, key), nullptr);
    EXPECT_EQ(IdMapCount(m.map), 0u);
}

TEST(IdMap, InsertOfAPresentKeyKeepsTheOldValue)
{
    Map m;
    EXPECT_EQ(IdMapInsert(m.map, 7, V(1)), 1);
    EXPECT_EQ(IdMapInsert(m.map, 7, V(2)), 0);
    EXPECT_EQ(IdMapFind(m.map, 7), V(1));
    EXPECT_EQ(IdMapCount(m.map), 1u);
}

TEST(IdMap, EraseOfAnAbsentKeyAnswersNullAndChangesNothing)
{
    Map m;
    IdMapInsert(m.map, 1, V(10));
    EXPECT_EQ(IdMapErase(m.map, 2), nullptr);
    EXPECT_EQ(IdMapErase(m.map, 0xFFFFFFFFu), nullptr);
    EXPECT_EQ(IdMapCount(m.map), 1u);
    EXPECT_EQ(IdMapFind(m.map, 1), V(10));
}

TEST(IdMap, NullValuesAndExtremeKeysAreStored)
{
    Map m;
    EXPECT_EQ(IdMapInsert(m.map, 0, nullptr), 1);
    EXPECT_EQ(IdMapInsert(m.map, 0xFFFFFFFFu, V(3)), 1);
    EXPECT_EQ(IdMapCount(m.map), 2u);
    EXPECT_EQ(IdMapInsert(m.map, 0, V(4)), 0);  // present, though its value is null
    EXPECT_EQ(IdMapFind(m.map, 0xFFFFFFFFu), V(3));
}

TEST(IdMap, NullHandleActsAsAnEmptyMap)
{
    IdMap* none = nullptr;
    EXPECT_EQ(IdMapInsert(none, 1, V(1)), 0);
    EXPECT_EQ(IdMapFind(none, 1), nullptr);
    EXPECT_EQ(IdMapErase(none, 1), nullptr);
    EXPECT_EQ(IdMapCount(none), 0u);
    EXPECT_TRUE(Values(none).empty());
    IdMapDestroy(&none);
    EXPECT_EQ(none, nullptr);
}

TEST(IdMap, DestroyClearsTheHandle)
{
    IdMap* map = nullptr;
    ASSERT_EQ(IdMapCreate(&map), 1);
    IdMapInsert(map, 1, V(1));
    IdMapDestroy(&map);
    EXPECT_EQ(map, nullptr);
}

TEST(IdMap, ValuesAppendToTheListBehindWhatItHolds)
{
    Map m;
    for (uintptr_t k = 1; k <= 3; ++k) IdMapInsert(m.map, u32(k), V(k * 100));
    ScopedDynArray<void*> list;
    list.Push(V(1));
    IdMapValues(m.map, &list);
    ASSERT_EQ(list.count, 4u);
    EXPECT_EQ(list[0], V(1));
    std::vector<void*> rest(list.begin() + 1, list.end());
    std::sort(rest.begin(), rest.end());
    EXPECT_EQ(rest, (std::vector<void*>{V(100), V(200), V(300)}));
}

// Key sets that stress the hash: tag ids counting up, group codes that differ in one letter,
// keys that differ only in their high bits or only by multiples of a large power of two
// (which a hash keeping only some bits would send to one bucket), and random keys.
TEST(IdMap, ManyKeysSurviveGrowthAndEraseAgainstAReferenceMap)
{
    std::vector<std::vector<u32>> sets;
    std::vector<u32> s;
    for (u32 i = 0; i < 3000; ++i) s.push_back(i);
    sets.push_back(s);
    s.clear();
    for (char a = 'a'; a <= 'z'; ++a)
        for (char b = 'a'; b <= 'z'; ++b) {
            const char code[5] = {a, b, 'x', 'y', 0};
            s.push_back(FourCC(code));
        }
    sets.push_back(s);
    s.clear();
    for (u32 i = 0; i < 2048; ++i) s.push_back(i << 21);
    sets.push_back(s);
    s.clear();
    for (u32 i = 0; i < 2048; ++i) s.push_back(i * 0x10000u + 5);
    sets.push_back(s);
    s.clear();
    std::mt19937 rng(12345);
    for (u32 i = 0; i < 5000; ++i) s.push_back(rng());
    sets.push_back(s);

    // The same on the heap and with the tables in a block arena, which must end up empty.
    BlockArena arena = {};
    for (size_t run = 0; run < 2 * sets.size(); ++run) {
    const size_t set = run % sets.size();
    BlockArena* in = run < sets.size() ? nullptr : &arena;
    {
        SCOPED_TRACE(set);
        SCOPED_TRACE(in ? "arena" : "heap");
        Map m(in);
        std::map<u32, uintptr_t> ref;
        uintptr_t next = 1;
        for (u32 k : sets[set]) {
            bool fresh = ref.emplace(k, next).second;
            EXPECT_EQ(IdMapInsert(m.map, k, V(next)), fresh ? 1 : 0);
            ++next;
        }
        ASSERT_EQ(IdMapCount(m.map), ref.size());
        for (auto& kv : ref) ASSERT_EQ(IdMapFind(m.map, kv.first), V(kv.second));

        // Erase every other key (the packed storage moves pairs around), then check the rest.
        bool odd = false;
        for (auto it = ref.begin(); it != ref.end();) {
            odd = !odd;
            if (odd) {
                ASSERT_EQ(IdMapErase(m.map, it->first), V(it->second));
                it = ref.erase(it);
            } else {
                ++it;
            }
        }
        ASSERT_EQ(IdMapCount(m.map), ref.size());
        std::vector<void*> expected;
        for (auto& kv : ref) {
            ASSERT_EQ(IdMapFind(m.map, kv.first), V(kv.second));
            expected.push_back(V(kv.second));
        }
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(Values(m.map), expected);

        // Erase the rest in the reverse order and refill: the map must come back empty and
        // then work as new.
        for (auto it = ref.rbegin(); it != ref.rend(); ++it) ASSERT_EQ(IdMapErase(m.map, it->first), V(it->second));
        EXPECT_EQ(IdMapCount(m.map), 0u);
        for (u32 k : sets[set]) ASSERT_EQ(IdMapFind(m.map, k), nullptr);
        for (u32 k : sets[set]) IdMapInsert(m.map, k, V(1));
        for (u32 k : sets[set]) ASSERT_EQ(IdMapFind(m.map, k), V(1));
    }
    EXPECT_EQ(arena.inUse, 0u);
    EXPECT_EQ(arena.mapped, 0u);
    }
}

TEST(IdMap, InterleavedInsertsAndErasesMatchAReferenceMap)
{
    Map m;
    std::map<u32, uintptr_t> ref;
    std::mt19937 rng(99);
    for (int step = 0; step < 40000; ++step) {
        u32 key = rng() % 512;  // a small key range makes hits, misses and re-inserts common
        uintptr_t value = uintptr_t(step) + 1;
        switch (rng() % 3) {
        case 0:
        case 1: {
            bool fresh = ref.emplace(key, value).second;
            ASSERT_EQ(IdMapInsert(m.map, key, V(value)), fresh ? 1 : 0);
            break;
        }
        default: {
            auto it = ref.find(key);
            void* expected = it == ref.end() ? nullptr : V(it->second);
            ASSERT_EQ(IdMapErase(m.map, key), expected);
            if (it != ref.end()) ref.erase(it);
            break;
        }
        }
        ASSERT_EQ(IdMapCount(m.map), ref.size());
    }
    for (u32 k = 0; k < 512; ++k) {
        auto it = ref.find(k);
        ASSERT_EQ(IdMapFind(m.map, k), it == ref.end() ? nullptr : V(it->second));
    }
}
