#include "foundation/StringUtil.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Key of a single non-digit byte: lower-cased letter, otherwise the byte as a signed value.
int CharKey(char c)
{
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return int(s8(c));
}

// Compares the digit runs [a, aEnd) and [b, bEnd) by numeric value without limiting their
// length: leading zeros are dropped, then the longer run is the larger, then the digits decide.
int CompareDigitRuns(const char* a, const char* aEnd, const char* b, const char* bEnd)
{
    while (a < aEnd && *a == '0') ++a;
    while (b < bEnd && *b == '0') ++b;
    if (aEnd - a != bEnd - b) return (aEnd - a) < (bEnd - b) ? -1 : 1;
    for (; a < aEnd; ++a, ++b)
        if (*a != *b) return *a < *b ? -1 : 1;
    return 0;
}

}  // namespace

int NaturalCompare(const char* a, const char* b)
{
    if (a == b) return 0;
    if (!a) return -1;
    if (!b) return 1;
    // The bytes both names share compare equal whatever they are: skip them, back to the start
    // of a number they end inside of (names listed together often differ only at the end).
    size_t same = 0;
    while (a[same] == b[same] && a[same]) ++same;
    if (a[same] == b[same]) return 0;
    while (same && IsDigit(a[same - 1])) --same;
    a += same;
    b += same;
    while (*a && *b) {
        bool aDigits = IsDigit(*a);
        bool bDigits = IsDigit(*b);
        if (aDigits && bDigits) {
            const char* aEnd = a;
            while (IsDigit(*aEnd)) ++aEnd;
            const char* bEnd = b;
            while (IsDigit(*bEnd)) ++bEnd;
            int c = CompareDigitRuns(a, aEnd, b, bEnd);
            if (c) return c;
            a = aEnd;
            b = bEnd;
            continue;
        }
        // A number sorts after every single character.
        if (aDigits) return 1;
        if (bDigits) return -1;
        int ka = CharKey(*a), kb = CharKey(*b);
        if (ka != kb) return ka < kb ? -1 : 1;
        ++a;
        ++b;
    }
    if (!*a) return *b ? -1 : 0;
    return 1;
}

char* ToLowerInPlace(char* s)
{
    if (!s) return s;
    for (char* p = s; *p; ++p) *p = char(tolower(u8(*p)));
    return s;
}

int StrNICmp(const char* a, const char* b, size_t n)
{
    int diff = 0;
    for (size_t i = 0; i < n; ++i) {
        int ca = toupper(u8(a[i]));
        int cb = toupper(u8(b[i]));
        // Unsigned bytes keep the sign right when one side is 128..255.
        diff = ca - cb;
        if (diff != 0 || a[i] == 0) break;
    }
    return diff;
}

int StrICmp(const char* a, const char* b)
{
    for (;; ++a, ++b) {
        int ca = u8(*a), cb = u8(*b);
        if (ca >= 'A' && ca <= 'Z') ca += 'a' - 'A';
        if (cb >= 'A' && cb <= 'Z') cb += 'a' - 'A';
        if (ca != cb || ca == 0) return ca - cb;
    }
}

size_t StrLCpy(char* dest, const char* src, size_t size)
{
    if (!src) src = "";
    size_t length = strlen(src);
    if (size != 0) {
        size_t n = length < size - 1 ? length : size - 1;
        memmove(dest, src, n);
        dest[n] = 0;
    }
    return length;
}

void* MemDup(const void* bytes, size_t n)
{
    void* copy = malloc(n ? n : 1);
    if (copy && n) memcpy(copy, bytes, n);
    return copy;
}

bool Contains(const char* text, const char* part)
{
    if (!part || !*part) return true;
    if (!text) return false;
    size_t textLength = strlen(text), partLength = strlen(part);
    if (partLength > textLength) return false;
    for (size_t i = textLength - partLength + 1; i-- > 0;)
        if (memcmp(text + i, part, partLength) == 0) return true;
    return false;
}

String FormatStringV(const char* format, va_list args)
{
    char buffer[kFormatStringLimit + 1];
    int n = vsnprintf(buffer, sizeof buffer, format, args);
    if (n < 0) buffer[0] = 0;
    return String(buffer);
}

String FormatString(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    String result = FormatStringV(format, args);
    va_end(args);
    return result;
}
