#include <gtest/gtest.h>

#include "foundation/DynArray.h"
#include "foundation/String.h"

TEST(DynArray, AllZeroArrayIsEmptyAndFreeIsHarmless)
{
    DynArray<u32> a = {};
    EXPECT_EQ(a.count, 0u);
    a.Free();
    EXPECT_EQ(a.data, nullptr);
    EXPECT_EQ(a.capacity, 0u);
}

TEST(DynArray, ResizeFollowsThePowerOfTwoCapacityRule)
{
    struct Case { u32 count, resizeTo, capacity; } cases[] = {
        {0, 3, 4}, {0, 4, 4}, {0, 5, 8}, {5, 4, 4}, {3, 6, 8}, {10, 9, 16}, {10, 5, 8}, {10, 0, 0},
    };
    for (const Case& c : cases) {
        DynArray<u32> a = {};
        a.ResizeRaw(c.count);
        a.ResizeRaw(c.resizeTo);
        EXPECT_EQ(a.count, c.resizeTo);
        EXPECT_EQ(a.capacity, c.capacity) << c.count << " -> " << c.resizeTo;
        if (c.capacity == 0) {
            EXPECT_EQ(a.data, nullptr);
        }
        a.Free();
    }
}

TEST(DynArray, GrowingWithinCapacityKeepsTheStorage)
{
    DynArray<u32> a = {};
    a.ResizeRaw(3);
    a.ResizeRaw(8);
    u32* before = a.data;
    a.ResizeRaw(6);  // below the count, but 6 still needs a capacity of 8
    EXPECT_EQ(a.capacity, 8u);
    a.ResizeRaw(7);
    EXPECT_EQ(a.data, before);
    a.Free();
}

TEST(DynArray, ReserveGrowsOnlyTheCapacityAndLaterGrowthWithinItAllocatesNothing)
{
    DynArray<u32> a = {};
    a.Reserve(3);
    EXPECT_EQ(a.count, 0u);
    EXPECT_EQ(a.capacity, 3u);
    u32* storage = a.data;
    for (u32 i = 0; i < 3; ++i) a.Push(i * 7);
    EXPECT_EQ(a.data, storage);
    a.Reserve(2);  // never shrinks
    EXPECT_EQ(a.capacity, 3u);
    a.Reserve(5);  // grows exactly, keeping the elements
    EXPECT_EQ(a.capacity, 5u);
    ASSERT_EQ(a.count, 3u);
    EXPECT_EQ(a[2], 14u);
    a.Push(1);
    a.Push(2);
    a.Push(3);  // past the reserve: the power-of-two rule again
    EXPECT_EQ(a.capacity, 8u);
    EXPECT_EQ(a[0] + a[1] + a[5], 7u + 3u);
    a.Free();
}

TEST(DynArray, SetExactInsertGapAndRemoveRangeMoveBytes)
{
    DynArray<u32> a = {};
    for (u32 i = 0; i < 5; ++i) a.Push(i);
    u32* gap = a.InsertGap(2, 2);
    gap[0] = 100;
    gap[1] = 101;
    u32 expect1[] = {0, 1, 100, 101, 2, 3, 4};
    ASSERT_EQ(a.count, 7u);
    for (u32 i = 0; i < 7; ++i) EXPECT_EQ(a[i], expect1[i]);
    a.RemoveRange(1, 3);
    u32 expect2[] = {0, 2, 3, 4};
    ASSERT_EQ(a.count, 4u);
    for (u32 i = 0; i < 4; ++i) EXPECT_EQ(a[i], expect2[i]);
    a.SetExact(4);
    EXPECT_EQ(a.capacity, 4u);
    a.SetExact(0);
    EXPECT_EQ(a.data, nullptr);
}

TEST(DynArray, TypedOperationsConstructCopyAndDestroyStrings)
{
    DynArray<String> a = {};
    a.Resize(3);
    EXPECT_TRUE(a[2].IsEmpty());
    a.ResizeFill(5, String("x"));
    EXPECT_STREQ(a[4].c_str(), "x");
    a[0] = "first";
    a.Insert(0, String("zero"));  // moves the strings by bytes
    EXPECT_STREQ(a[1].c_str(), "first");
    a.ResizeFill(8, a[1]);  // fill from inside the array that reallocates
    EXPECT_STREQ(a[7].c_str(), "first");

    DynArray<String> b = {};
    b.Assign(a);
    b.Assign(b);
    EXPECT_EQ(b.count, 8u);
    EXPECT_EQ(b.capacity, 8u);
    EXPECT_STREQ(b[0].c_str(), "zero");
    EXPECT_NE(b[0].c_str(), a[0].c_str());
    a.Clear();
    b.Clear();
}

TEST(DynArray, DeleteAllDestroysOwnedObjects)
{
    static int destroyed = 0;
    struct Owned { ~Owned() { ++destroyed; } };
    DynArray<Owned*> a = {};
    a.Push(new Owned);
    a.Push(nullptr);
    a.Push(new Owned);
    a.DeleteAll();
    EXPECT_EQ(destroyed, 2);
    EXPECT_EQ(a.count, 0u);
}
