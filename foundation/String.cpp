#include "foundation/String.h"

#include <cstdlib>
#include <cstring>

String& String::operator=(String&& other) noexcept
{
    if (this != &other) {
        free(ptr);
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
    char* copy = static_cast<char*>(malloc(size_t(length) + 1));
    if (!copy) abort();
    memcpy(copy, s, length);
    copy[length] = 0;
    free(ptr);  // after the copy: s may point into the old buffer
    ptr = copy;
}

void String::Append(const char* s)
{
    if (s) Append(s, u32(strlen(s)));
}

void String::Append(const char* s, u32 length)
{
    if (!s || length == 0) return;
    size_t old = ptr ? strlen(ptr) : 0;
    char* grown = static_cast<char*>(malloc(old + length + 1));
    if (!grown) abort();
    if (old) memcpy(grown, ptr, old);
    memcpy(grown + old, s, length);
    grown[old + length] = 0;
    free(ptr);
    ptr = grown;
}

void String::Clear()
{
    free(ptr);
    ptr = nullptr;
}

void String::Adopt(char* buffer)
{
    if (buffer == ptr) return;
    free(ptr);
    ptr = buffer;
}

u32 String::Length() const
{
    return ptr ? u32(strlen(ptr)) : 0;
}

bool String::operator==(const String& o) const
{
    return strcmp(c_str(), o.c_str()) == 0;
}

bool String::operator==(const char* o) const
{
    return strcmp(c_str(), o ? o : "") == 0;
}
