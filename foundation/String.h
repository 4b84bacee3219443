#pragma once
// The program's string: null for the empty string, else one pointer to zero-terminated
// characters with a small header (length and capacity) in front of them in the same malloc'd
// block. All-zero bytes are a valid empty String and a String may be moved by a byte copy, so
// Strings live in DynArrays and zero-filled heap objects without construction. Appending grows
// the capacity geometrically, so a text built from n pieces costs O(total length).
#include "foundation/Types.h"

class String {
public:
    String() : ptr(nullptr) {}
    String(const char* s) : ptr(nullptr) { Set(s); }
    String(const char* s, u32 length) : ptr(nullptr) { Set(s, length); }
    String(const String& other) : ptr(nullptr) { Set(other.ptr); }
    String(String&& other) noexcept : ptr(other.ptr) { other.ptr = nullptr; }
    ~String() { Clear(); }

    String& operator=(const String& other)
    {
        if (this != &other) Set(other.ptr);
        return *this;
    }
    String& operator=(String&& other) noexcept;
    String& operator=(const char* s)
    {
        Set(s);
        return *this;
    }

    // Copies s (null or "" make the string empty). s may point into this string.
    void Set(const char* s);
    // Copies the first length bytes of s and terminates them.
    void Set(const char* s, u32 length);
    // Appends s (amortised O(length of s)). s may point into this string.
    void Append(const char* s);
    void Append(const char* s, u32 length);
    // Frees the buffer; the string becomes empty.
    void Clear();
    // Takes ownership of a malloc'd, zero-terminated buffer (which may be freed at once: only
    // the text is kept).
    void Adopt(char* buffer);
    // Makes room for length characters without changing the text, so a known number of
    // appends never reallocates.
    void Reserve(u32 length);

    // Never null: the empty string answers "".
    const char* c_str() const { return ptr ? ptr : ""; }
    operator const char*() const { return c_str(); }
    // The buffer for in-place edits (null when empty). Edits may shorten the text by writing a
    // zero; the length is measured again at the next call that needs it.
    char* Buffer();
    u32 Length() const;
    bool IsEmpty() const { return !ptr || !*ptr; }

    bool operator==(const String& o) const;
    bool operator==(const char* o) const;
    bool operator!=(const String& o) const { return !(*this == o); }
    bool operator!=(const char* o) const { return !(*this == o); }

private:
    struct Header;
    Header* Head() const;

    char* ptr;
};

static_assert(sizeof(String) == sizeof(char*), "String is one pointer");
