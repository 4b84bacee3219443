#pragma once
// The growable array that holds every list of the program.
//
// An all-zero DynArray is a valid empty array: holders create it by zero-filling (inside a
// CleanHeapObject) or with DynArray<T> a = {}. The storage comes from malloc/realloc and is
// released only by Free(). Generic operations move elements as raw bytes and never construct
// or destroy them, so element types must survive a byte move (the program's String does;
// std::string does not). Typed operations (DestroyRange, Resize, ResizeFill, Assign,
// DeleteAll) construct and destroy around the generic ones.
//
// Capacity is 0 or a power of two after Resize and exactly the count after SetExact. Growth
// that the heap refuses aborts the program with a message: an array never ends up with a
// null data pointer and a non-zero count.
#include <new>
#include <type_traits>
#include "foundation/Types.h"

struct DynArrayBase {
    void* data;
    u32 count;
    u32 capacity;

    // Sets the count to n. Storage changes only when n is above the capacity or below the
    // count: the new capacity is then n rounded up to a power of two.
    void Resize(u32 elementSize, u32 n);
    // count = capacity = n; n = 0 frees the storage.
    void SetExact(u32 elementSize, u32 n);
    // Makes the capacity at least n (exactly n when it grows), keeping the count and the
    // elements, so that growing to n later allocates nothing.
    void Reserve(u32 elementSize, u32 n);
    // Grows by n, moves elements from index on up by n and returns the gap's first byte
    // (its bytes are left as they were).
    void* InsertGap(u32 elementSize, u32 index, u32 n);
    // Moves the elements behind the run [index, index + n) down over it and shrinks by n.
    void RemoveRange(u32 elementSize, u32 index, u32 n);
    // Frees the storage; count and capacity become 0.
    void Free();
};

// The power-of-two capacity Resize chooses for n elements (0 stays 0).
u32 DynArrayCapacityFor(u32 n);

template <typename T>
struct DynArray {
    T* data;
    u32 count;
    u32 capacity;

    DynArrayBase& Base() { return *reinterpret_cast<DynArrayBase*>(this); }

    T& operator[](u32 i) { return data[i]; }
    const T& operator[](u32 i) const { return data[i]; }
    T* begin() { return data; }
    T* end() { return data + count; }
    const T* begin() const { return data; }
    const T* end() const { return data + count; }
    bool empty() const { return count == 0; }

    // Generic, byte-moving operations: they leave new elements' bytes as they were.
    void ResizeRaw(u32 n) { Base().Resize(sizeof(T), n); }
    void SetExact(u32 n) { Base().SetExact(sizeof(T), n); }
    void Reserve(u32 n) { Base().Reserve(sizeof(T), n); }
    T* InsertGap(u32 index, u32 n) { return static_cast<T*>(Base().InsertGap(sizeof(T), index, n)); }
    void RemoveRange(u32 index, u32 n) { Base().RemoveRange(sizeof(T), index, n); }
    void Free() { Base().Free(); }

    // Typed operations.
    // Destroys n elements from index; the count is not changed.
    void DestroyRange(u32 index, u32 n)
    {
        if (!std::is_trivially_destructible<T>::value)
            for (u32 i = 0; i < n; ++i) data[index + i].~T();
    }
    // Destroys elements past n, resizes and value-initialises every new element.
    void Resize(u32 n)
    {
        if (n == count) return;
        u32 old = count;
        if (n < old) DestroyRange(n, old - n);
        ResizeRaw(n);
        for (u32 i = old; i < n; ++i) new (&data[i]) T();
    }
    // As Resize, but every new element is a copy of fill.
    void ResizeFill(u32 n, const T& fill)
    {
        if (n == count) return;
        u32 old = count;
        if (n < old) DestroyRange(n, old - n);
        T copy(fill);  // fill may live inside this array's storage
        ResizeRaw(n);
        for (u32 i = old; i < n; ++i) new (&data[i]) T(copy);
    }
    // Replaces the contents with copies of src's elements (capacity: the count's power of two).
    void Assign(const DynArray<T>& src)
    {
        if (&src == this) return;
        Clear();
        ResizeRaw(src.count);
        for (u32 i = 0; i < count; ++i) new (&data[i]) T(src.data[i]);
    }
    // Appends a copy of value and returns the new element.
    T& Push(const T& value)
    {
        T copy(value);
        u32 i = count;
        ResizeRaw(count + 1);
        new (&data[i]) T(static_cast<T&&>(copy));
        return data[i];
    }
    // Inserts a copy of value at index.
    T& Insert(u32 index, const T& value)
    {
        T copy(value);
        T* slot = InsertGap(index, 1);
        new (slot) T(static_cast<T&&>(copy));
        return *slot;
    }
    // Destroys and removes n elements from index.
    void Remove(u32 index, u32 n = 1)
    {
        DestroyRange(index, n);
        RemoveRange(index, n);
    }
    // Destroys every element and frees the storage.
    void Clear()
    {
        DestroyRange(0, count);
        Free();
    }
    // Index of the first element equal to value, or -1.
    s32 IndexOf(const T& value) const
    {
        for (u32 i = 0; i < count; ++i)
            if (data[i] == value) return s32(i);
        return -1;
    }
    // For arrays of pointers to owned objects: deletes every non-null object in index order,
    // then frees the storage.
    void DeleteAll()
    {
        for (u32 i = 0; i < count; ++i) delete data[i];
        Free();
    }
};

static_assert(sizeof(DynArray<int>) == sizeof(DynArrayBase), "DynArray layout");

// Owns a DynArray for a scope (for locals that are not members of a zero-filled object).
template <typename T>
struct ScopedDynArray : DynArray<T> {
    ScopedDynArray() : DynArray<T>{nullptr, 0, 0} {}
    ~ScopedDynArray() { this->Clear(); }
    ScopedDynArray(const ScopedDynArray&) = delete;
    ScopedDynArray& operator=(const ScopedDynArray&) = delete;
};
