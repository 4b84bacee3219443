#pragma once
// Test-side helpers: a big-endian byte builder independent of the production writers, and
// stdio streams over byte vectors.
#include <cstdio>
#include <cstring>
#include <vector>

#include "foundation/Types.h"

struct BeBuilder {
    std::vector<u8> bytes;

    BeBuilder& U8(u32 v)
    {
        bytes.push_back(u8(v));
        return *this;
    }
    BeBuilder& U16(u32 v) { return U8(v >> 8).U8(v); }
    BeBuilder& U32(u32 v) { return U16(v >> 16).U16(v); }
    BeBuilder& Zero(size_t n)
    {
        bytes.insert(bytes.end(), n, 0);
        return *this;
    }
    BeBuilder& Bytes(const std::vector<u8>& b)
    {
        bytes.insert(bytes.end(), b.begin(), b.end());
        return *this;
    }
    // A zero-padded fixed-size text field.
    BeBuilder& Text(const char* s, size_t size)
    {
        size_t n = strlen(s);
        for (size_t i = 0; i < size; ++i) U8(i < n ? u8(s[i]) : 0);
        return *this;
    }
    size_t Size() const { return bytes.size(); }
    void PatchU32(size_t at, u32 v)
    {
        bytes[at] = u8(v >> 24);
        bytes[at + 1] = u8(v >> 16);
        bytes[at + 2] = u8(v >> 8);
        bytes[at + 3] = u8(v);
    }
};

// A read-write temporary file holding bytes, positioned at its start (null on failure).
inline FILE* StreamOf(const std::vector<u8>& bytes)
{
    FILE* f = tmpfile();
    if (!f) return nullptr;
    if (!bytes.empty() && fwrite(bytes.data(), bytes.size(), 1, f) != 1) {
        fclose(f);
        return nullptr;
    }
    rewind(f);
    return f;
}

// The whole content of a stream.
inline std::vector<u8> ContentOf(FILE* f)
{
    std::vector<u8> out;
    fflush(f);
    fseek(f, 0, SEEK_END);
    long n = ftell(f);
    rewind(f);
    out.resize(size_t(n));
    if (n > 0 && fread(out.data(), size_t(n), 1, f) != 1) out.clear();
    return out;
}
