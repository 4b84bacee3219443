#include "foundation/String.h"

#include <cstdlib>
#include <cstring>

// Sits just in front of the characters. length is kUnknownLength after Buffer() handed out the
// characters for editing; the next call that needs the length measures it once.
struct String::Header {
    u32 length;
    u32 capacity;  // characters that fit, not counting the terminating zero
};

namespace {

const u32 kUnknownLength = 0xFFFFFFFFu;
const size_t kHeaderSize = 2 * sizeof(u32);

char* NewBlock(u32 capacity)
{
    void* block = malloc(kHeaderSize + size_t(capacity) + 1);
    if (!block) abort();
    return static_cast<char*>(block) + kHeaderSize;
}

void FreeBlock(char* chars)
{
    if (chars) free(chars - kHeaderSize);
}

}  // namespace

String::Header* String::Head() const
{
    static_assert(sizeof(Header) == kHeaderSize, "the header is two counts");
    return reinterpret_cast<Header*>(ptr - kHeaderSize);
}

String& String::operator=(String&& other) noexcept
{
    if (this != &other) {
        FreeBlock(ptr);
        ptr = other.ptr;
        other.ptr = nullptr;
    }
    return *this;
}

void String::Set(const char* s)
{
    Set(s, s ? u32(strlen(s)) : 0);
}

void String::Set(const char* s, u32 length)
{
    if (!s || length == 0) {
        Clear();
        return;
    }
    char* copy = NewBlock(length);
    memcpy(copy, s, length);
    copy[length] = 0;
    FreeBlock(ptr);  // after the copy: s may point into the old buffer
    ptr = copy;
    Head()->length = length;
    Head()->capacity = length;
}

void String::Append(const char* s)
{
    if (s) Append(s, u32(strlen(s)));
}

void String::Append(const char* s, u32 length)
{
    if (!s || length == 0) return;
    const u32 old = Length();
    if (u64(old) + length > 0xFFFFFFF0u) abort();
    const u32 total = old + length;
    if (ptr && total <= Head()->capacity) {
        // memmove: s may be this string's own characters.
        memmove(ptr + old, s, length);
    } else {
        u64 capacity = ptr ? u64(Head()->capacity) * 2 : 0;
        if (capacity < total) capacity = total;
        if (capacity > 0xFFFFFFF0u) capacity = 0xFFFFFFF0u;
        char* grown = NewBlock(u32(capacity));
        if (old) memcpy(grown, ptr, old);
        memcpy(grown + old, s, length);
        FreeBlock(ptr);  // after the copy: s may point into the old buffer
        ptr = grown;
        Head()->capacity = u32(capacity);
    }
    ptr[total] = 0;
    Head()->length = total;
}

void String::Reserve(u32 length)
{
    if (length == 0 || (ptr && Head()->capacity >= length)) return;
    const u32 old = Length();
    char* grown = NewBlock(length);
    if (old) memcpy(grown, ptr, old);
    grown[old] = 0;
    FreeBlock(ptr);
    ptr = grown;
    Head()->length = old;
    Head()->capacity = length;
}

void String::Clear()
{
    FreeBlock(ptr);
    ptr = nullptr;
}

void String::Adopt(char* buffer)
{
    if (buffer == ptr) return;
    // The header must sit in the same block, so the text moves into a block of our own.
    Set(buffer);
    free(buffer);
}

char* String::Buffer()
{
    if (ptr) Head()->length = kUnknownLength;
    return ptr;
}

u32 String::Length() const
{
    if (!ptr) return 0;
    Header* head = Head();
    if (head->length == kUnknownLength) head->length = u32(strlen(ptr));
    return head->length;
}

bool String::operator==(const String& o) const
{
    if (ptr && o.ptr && Length() != o.Length()) return false;
    return strcmp(c_str(), o.c_str()) == 0;
}

bool String::operator==(const char* o) const
{
    return strcmp(c_str(), o ? o : "") == 0;
}
