#include "foundation/Sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

namespace {

std::vector<u32> RandomValues(std::mt19937& rng, u32 n, u32 range)
{
    std::vector<u32> v(n);
    for (u32& x : v) x = range ? u32(rng() % range) : u32(rng());
    return v;
}

}  // namespace

TEST(QuickSortU32, SortsAscendingForManySizesAndValueRanges)
{
    std::mt19937 rng(1234);
    for (u32 n = 0; n < 200; ++n) {
        for (u32 range : {0u, 3u, 1000u}) {
            std::vector<u32> v = RandomValues(rng, n, range);
            std::vector<u32> expected = v;
            std::sort(expected.begin(), expected.end());
            u32 seed = n;
            QuickSortU32(seed, v.data(), s32(n));
            ASSERT_EQ(v, expected) << "n=" << n << " range=" << range;
        }
    }
    // Large values must not be compared as signed.
    std::vector<u32> v = {0x80000000u, 1, 0xFFFFFFFFu, 0, 0x7FFFFFFFu, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    std::vector<u32> expected = v;
    std::sort(expected.begin(), expected.end());
    u32 seed = 0;
    QuickSortU32(seed, v.data(), s32(v.size()));
    EXPECT_EQ(v, expected);
}

TEST(QuickSortU32, LeavesTheSeedAloneBelow16ValuesAndAdvancesItFrom16)
{
    std::vector<u32> v(15);
    for (u32 i = 0; i < 15; ++i) v[i] = 15 - i;
    u32 seed = 77;
    QuickSortU32(seed, v.data(), 15);
    EXPECT_EQ(seed, 77u);
    EXPECT_TRUE(std::is_sorted(v.begin(), v.end()));

    // Ascending 0..15 with seed 0: the pivot index is 1013904223 mod 16 = 15, the maximum, so
    // one partition splits off the last value and both parts are short runs.
    std::vector<u32> w(16);
    FillIota(w.data(), 16);
    seed = 0;
    QuickSortU32(seed, w.data(), 16);
    EXPECT_EQ(seed, 1013904223u);

    std::vector<u32> r(16);
    for (u32 i = 0; i < 16; ++i) r[i] = 100 - i;
    seed = 5;
    QuickSortU32(seed, r.data(), 16);
    EXPECT_NE(seed, 5u);
    EXPECT_TRUE(std::is_sorted(r.begin(), r.end()));
}

TEST(QuickSortU32, EndsWhenThePivotIsTheMinimumStandingFirst)
{
    // Find a seed whose first pivot index is 0; with the minimum there the first partition
    // splits off nothing and the run is sorted again with the next pivot.
    u32 start = 0;
    while ((start * 1664525u + 1013904223u) % 20u != 0) ++start;
    std::vector<u32> v(20);
    for (u32 i = 0; i < 20; ++i) v[i] = i == 0 ? 0 : 50 - i;
    u32 seed = start;
    QuickSortU32(seed, v.data(), 20);
    EXPECT_TRUE(std::is_sorted(v.begin(), v.end()));
    u32 once = start * 1664525u + 1013904223u;
    EXPECT_NE(seed, once);  // more than one partition step
}

TEST(QuickSortU32, IsDeterministicForAGivenSeed)
{
    std::mt19937 rng(99);
    std::vector<u32> v = RandomValues(rng, 500, 50);
    std::vector<u32> w = v;
    u32 s1 = 500, s2 = 500;
    QuickSortU32(s1, v.data(), 500);
    QuickSortU32(s2, w.data(), 500);
    EXPECT_EQ(s1, s2);
    EXPECT_EQ(v, w);
}

TEST(SelectionSortU32, SortsShortRuns)
{
    std::mt19937 rng(5);
    for (u32 n = 0; n < 20; ++n) {
        std::vector<u32> v = RandomValues(rng, n, 4);
        std::vector<u32> expected = v;
        std::sort(expected.begin(), expected.end());
        SelectionSortU32(v.data(), s32(n));
        EXPECT_EQ(v, expected);
    }
}

TEST(FillIota, FillsTheStartingPermutation)
{
    u32 v[5] = {9, 9, 9, 9, 9};
    FillIota(v, 4);
    EXPECT_EQ(v[0], 0u);
    EXPECT_EQ(v[3], 3u);
    EXPECT_EQ(v[4], 9u);
}

TEST(CompareU32Diff, OrdersKeysAsUnsignedEvenFarApart)
{
    u32 a = 0, b = 0x80000001u, c = 7;
    EXPECT_LT(CompareU32Diff(nullptr, &a, &b), 0);
    EXPECT_GT(CompareU32Diff(nullptr, &b, &a), 0);
    EXPECT_EQ(CompareU32Diff(nullptr, &c, &c), 0);
    EXPECT_LT(CompareU32Diff(nullptr, &a, &c), 0);
}

namespace {

// Records of 12 bytes: the key, a tag that tells equal keys apart, and padding.
struct Record {
    u32 key;
    u32 tag;
    u32 pad;
};

// Checks that the sort only hands the comparator whole elements inside its array.
struct BoundsContext {
    const char* base;
    size_t count;
    size_t width;
    bool outside;
    u32 calls;
};

bool Inside(const BoundsContext& c, const void* p)
{
    const char* q = static_cast<const char*>(p);
    return q >= c.base && q < c.base + c.count * c.width && size_t(q - c.base) % c.width == 0;
}

int CompareRecordKeys(void* context, const void* a, const void* b)
{
    BoundsContext* c = static_cast<BoundsContext*>(context);
    ++c->calls;
    if (!Inside(*c, a) || !Inside(*c, b)) {
        c->outside = true;
        return 0;
    }
    return CompareU32Diff(nullptr, a, b);
}

int CompareBytes(void* context, const void* a, const void* b)
{
    BoundsContext* c = static_cast<BoundsContext*>(context);
    if (!Inside(*c, a) || !Inside(*c, b)) c->outside = true;
    return int(*static_cast<const u8*>(a)) - int(*static_cast<const u8*>(b));
}

int CompareRandomly(void* context, const void* a, const void* b)
{
    BoundsContext* c = static_cast<BoundsContext*>(context);
    if (!Inside(*c, a) || !Inside(*c, b)) c->outside = true;
    ++c->calls;
    return int(c->calls * 2654435761u >> 30) - 1;  // -1, 0, 1 or 2, with no consistent order
}

bool SameRecords(std::vector<Record> a, std::vector<Record> b)
{
    auto byTag = [](const Record& x, const Record& y) { return x.tag < y.tag; };
    std::sort(a.begin(), a.end(), byTag);
    std::sort(b.begin(), b.end(), byTag);
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].key != b[i].key || a[i].tag != b[i].tag) return false;
    return true;
}

}  // namespace

TEST(SortWithContext, SortsManyRandomArraysIncludingDuplicatesAndShortRuns)
{
    std::mt19937 rng(42);
    std::vector<u32> sizes;
    for (u32 n = 0; n <= 40; ++n) sizes.push_back(n);
    for (u32 n : {63u, 64u, 65u, 257u, 1000u, 4099u}) sizes.push_back(n);
    for (u32 n : sizes) {
        for (u32 range : {1u, 2u, 5u, 0u}) {
            for (int round = 0; round < 8; ++round) {
                std::vector<Record> v(n);
                for (u32 i = 0; i < n; ++i) v[i] = {range ? u32(rng() % range) : u32(rng()), i, 0xABCDu};
                std::vector<Record> original = v;
                BoundsContext c = {reinterpret_cast<const char*>(v.data()), n, sizeof(Record), false, 0};
                SortWithContext(v.data(), n, sizeof(Record), &c, CompareRecordKeys);
                ASSERT_FALSE(c.outside) << "n=" << n;
                for (u32 i = 1; i < n; ++i) ASSERT_LE(v[i - 1].key, v[i].key) << "n=" << n << " range=" << range;
                ASSERT_TRUE(SameRecords(v, original)) << "n=" << n;
            }
        }
    }
}

TEST(SortWithContext, SortsPresortedReversedAndOrganPipeArrays)
{
    for (u32 n : {8u, 9u, 10u, 100u, 1025u}) {
        std::vector<std::vector<u32>> inputs(3, std::vector<u32>(n));
        for (u32 i = 0; i < n; ++i) {
            inputs[0][i] = i;
            inputs[1][i] = n - i;
            inputs[2][i] = i < n / 2 ? i : n - i;
        }
        for (std::vector<u32>& v : inputs) {
            std::vector<u32> expected = v;
            std::sort(expected.begin(), expected.end());
            SortWithContext(v.data(), n, sizeof(u32), nullptr, CompareU32Diff);
            EXPECT_EQ(v, expected) << "n=" << n;
        }
    }
}

TEST(SortWithContext, SortsOneByteElementsAndIgnoresEmptyInput)
{
    u8 bytes[] = {9, 3, 7, 1, 1, 8, 0, 255, 4, 2, 6};
    BoundsContext c = {reinterpret_cast<const char*>(bytes), sizeof bytes, 1, false, 0};
    SortWithContext(bytes, sizeof bytes, 1, &c, CompareBytes);
    EXPECT_FALSE(c.outside);
    EXPECT_TRUE(std::is_sorted(bytes, bytes + sizeof bytes));

    u32 one[2] = {5, 1};
    SortWithContext(one, 1, sizeof(u32), nullptr, CompareU32Diff);
    SortWithContext(one, 2, 0, nullptr, CompareU32Diff);
    EXPECT_EQ(one[0], 5u);
    EXPECT_EQ(one[1], 1u);
}

TEST(SortWithContext, PassesItsContextToTheComparator)
{
    struct Descending {
        static int Compare(void* context, const void* a, const void* b)
        {
            return *static_cast<int*>(context) * CompareU32Diff(nullptr, a, b);
        }
    };
    u32 v[12] = {4, 8, 1, 9, 3, 3, 12, 0, 7, 6, 5, 2};
    int sign = -1;
    SortWithContext(v, 12, sizeof(u32), &sign, Descending::Compare);
    EXPECT_TRUE(std::is_sorted(v, v + 12, [](u32 a, u32 b) { return a > b; }));
}

TEST(SortWithContext, StaysInsideTheArrayAndEndsWithAnInconsistentComparator)
{
    for (u32 n : {9u, 17u, 100u, 2000u}) {
        std::vector<Record> v(n);
        for (u32 i = 0; i < n; ++i) v[i] = {i, i, 0};
        std::vector<Record> original = v;
        BoundsContext c = {reinterpret_cast<const char*>(v.data()), n, sizeof(Record), false, 0};
        SortWithContext(v.data(), n, sizeof(Record), &c, CompareRandomly);
        EXPECT_FALSE(c.outside);
        EXPECT_TRUE(SameRecords(v, original));
    }
}

TEST(SelectionSortWithContext, MovesTheFirstOfEqualMaximaToTheEnd)
{
    // Keys 2,1,2,1 (tags 0..3): the first 2 (tag 0) is the maximum and swaps with the last
    // place, giving 1(3) 1(1) 2(2) 2(0); then the first 1 (tag 3) swaps behind tag 1.
    Record v[4] = {{2, 0, 0}, {1, 1, 0}, {2, 2, 0}, {1, 3, 0}};
    BoundsContext c = {reinterpret_cast<const char*>(v), 4, sizeof(Record), false, 0};
    SelectionSortWithContext(&v[0], &v[3], sizeof(Record), CompareRecordKeys, &c);
    const u32 tags[4] = {1, 3, 2, 0};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(v[i].tag, tags[i]) << i;
    EXPECT_FALSE(c.outside);
}

namespace {

struct ValueNode {
    LinkedListNode links;
    int value;
};

int CompareValueNodes(void* context, const void* a, const void* b)
{
    ++*static_cast<int*>(context);
    return static_cast<const ValueNode*>(a)->value - static_cast<const ValueNode*>(b)->value;
}

void BuildList(LinkedList& list, std::vector<ValueNode>& nodes)
{
    list = {nullptr, nullptr, 0};
    for (ValueNode& node : nodes) {
        node.links.previous = list.last;
        node.links.next = nullptr;
        if (list.last) list.last->next = &node.links;
        else list.first = &node.links;
        list.last = &node.links;
        ++list.count;
    }
}

std::vector<int> Forward(const LinkedList& list)
{
    std::vector<int> out;
    for (LinkedListNode* n = list.first; n; n = n->next) out.push_back(reinterpret_cast<ValueNode*>(n)->value);
    return out;
}

std::vector<int> Backward(const LinkedList& list)
{
    std::vector<int> out;
    for (LinkedListNode* n = list.last; n; n = n->previous) out.push_back(reinterpret_cast<ValueNode*>(n)->value);
    std::reverse(out.begin(), out.end());
    return out;
}

}  // namespace

TEST(SortLinkedList, RelinksTheNodesInOrderBothWays)
{
    std::mt19937 rng(7);
    for (u32 n : {1u, 2u, 8u, 9u, 30u, 200u}) {
        std::vector<ValueNode> nodes(n);
        for (ValueNode& node : nodes) node.value = int(rng() % 50);
        LinkedList list;
        BuildList(list, nodes);
        int calls = 0;
        SortLinkedList(&list, &calls, CompareValueNodes);
        std::vector<int> expected;
        for (ValueNode& node : nodes) expected.push_back(node.value);
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(Forward(list), expected) << n;
        EXPECT_EQ(Backward(list), expected) << n;
        EXPECT_EQ(list.count, n);
        EXPECT_EQ(list.first->previous, nullptr);
        EXPECT_EQ(list.last->next, nullptr);
        if (n > 1) {
            EXPECT_GT(calls, 0);
        }
    }
}

TEST(SortLinkedList, LeavesAnEmptyListAlone)
{
    LinkedList list = {nullptr, nullptr, 0};
    int calls = 0;
    SortLinkedList(&list, &calls, CompareValueNodes);
    EXPECT_EQ(list.first, nullptr);
    EXPECT_EQ(list.last, nullptr);
    EXPECT_EQ(list.count, 0u);
    EXPECT_EQ(calls, 0);
}

TEST(SortLinkedList, SortsOnlyTheNodesReallyLinkedWhenTheCountIsTooLarge)
{
    std::vector<ValueNode> nodes(3);
    nodes[0].value = 3;
    nodes[1].value = 1;
    nodes[2].value = 2;
    LinkedList list;
    BuildList(list, nodes);
    list.count = 10;
    int calls = 0;
    SortLinkedList(&list, &calls, CompareValueNodes);
    EXPECT_EQ(Forward(list), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(Backward(list), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(list.count, 3u);
}
