#pragma once
// Zero-filled heap objects. A class deriving from CleanHeapObject<T> is allocated with malloc
// and every byte set to zero before its constructor runs, so constructors set only the fields
// whose first value is not zero. Deletion goes through the virtual destructor and returns the
// block with free. Such objects are created only with new.
//
// The fill survives only because the build passes -flifetime-dse=1: otherwise GCC treats the
// bytes written before the constructor as dead and may drop the memset.
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// The empty base of heap objects that are not signal listeners.
struct NilStruct {};

template <typename T>
class CleanHeapObject : public T {
public:
    // A zero-filled block of size bytes. The program has no path for a refused allocation:
    // the process stops with a message rather than constructing into a null block.
    static void* operator new(size_t size)
    {
        void* block = malloc(size ? size : 1);
        if (!block) {
            fprintf(stderr, "Tavik: out of memory (%lu bytes for an object)\n", (unsigned long)size);
            abort();
        }
        memset(block, 0, size);
        return block;
    }
    static void operator delete(void* block) noexcept { free(block); }

    // The class's name as a constant string; subclasses answer their own.
    virtual const char* GetClassName() const { return "Object"; }
    virtual ~CleanHeapObject() {}

protected:
    CleanHeapObject() = default;
};
