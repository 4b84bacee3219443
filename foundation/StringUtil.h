#pragma once
// Routines on zero-terminated byte strings: the natural order of displayed names, bounded
// copies, case-insensitive comparisons and printf-style formatting into a String.
#include <cstdarg>
#include <cstddef>
#include <cstdlib>
#include "foundation/String.h"
#include "foundation/Types.h"

// Orders two names for display; returns -1, 0 or 1. Letters compare without case
// ('A'..'Z' fold to lower case), every other byte by its value taken as a signed byte (so
// bytes 128..255 come before ASCII), and a run of decimal digits compares by its numeric
// value and after every single character ("a2" < "a10", "file007" equals "file7"). Runs of
// any length compare by their exact value, so numbers beyond 32 bits keep their order.
// The same pointer compares equal; a null a is smaller, a null b larger.
int NaturalCompare(const char* a, const char* b);

// Converts every byte of s with the runtime's tolower and returns s (null stays null).
char* ToLowerInPlace(char* s);

// Compares at most n bytes after toupper on both sides; stops after the first difference,
// after a's terminating byte or after n bytes. Returns the difference of the last compared
// pair as unsigned bytes (upper-cased a minus upper-cased b): negative, zero or positive.
// n = 0 returns 0.
int StrNICmp(const char* a, const char* b, size_t n);

// Case-insensitive comparison folding only 'A'..'Z' to lower case; negative, zero or
// positive like strcmp.
int StrICmp(const char* a, const char* b);

// Copies at most size - 1 bytes of src and terminates dest when size is not 0. Returns the
// full length of src, so a result >= size means the copy was cut. Size 0 writes nothing.
// A null src copies as "".
size_t StrLCpy(char* dest, const char* src, size_t size);

// A malloc'd copy of n bytes (free it with free). Never null for n = 0 unless the heap
// refuses; null when the heap refuses.
void* MemDup(const void* bytes, size_t n);

// Frees the block the variable holds, if any, and sets the variable to null.
template <typename T>
inline void FreeAndNull(T*& pointer)
{
    free(const_cast<void*>(static_cast<const void*>(pointer)));
    pointer = nullptr;
}

// Whether part occurs anywhere in text. An empty or null part is always contained; a null
// text contains only the empty part.
bool Contains(const char* text, const char* part);

// The longest text FormatString produces; longer results are cut to this many bytes.
constexpr u32 kFormatStringLimit = 4095;

// printf-style formatting into a new String through a 4096-byte buffer: a result of 4096
// characters or more is cut after 4095 bytes; a format the runtime rejects gives "".
String FormatString(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The same with an argument list (for wrappers such as log functions).
String FormatStringV(const char* format, va_list args) __attribute__((format(printf, 1, 0)));
