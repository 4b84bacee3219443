#pragma once
// Test-side writer of big-endian bytes, independent of the production record code, for golden
// files built field by field.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/Types.h"

class ByteBuilder {
public:
    ByteBuilder& U8(u32 v) { bytes.push_back(u8(v)); return *this; }
    ByteBuilder& U16(u32 v) { return U8(v >> 8).U8(v); }
    ByteBuilder& U32(u32 v) { return U16(v >> 16).U16(v); }
    ByteBuilder& LE16(u32 v) { return U8(v).U8(v >> 8); }
    ByteBuilder& LE32(u32 v) { return LE16(v).LE16(v >> 16); }
    ByteBuilder& Zeros(size_t n) { bytes.insert(bytes.end(), n, 0); return *this; }
    ByteBuilder& Fill(size_t n, u8 v) { bytes.insert(bytes.end(), n, v); return *this; }
    // A fixed-size text field: the text, then zero bytes up to size.
    ByteBuilder& Text(const char* s, size_t size)
    {
        size_t n = strlen(s);
        for (size_t i = 0; i < size; ++i) U8(i < n ? u8(s[i]) : 0);
        return *this;
    }
    ByteBuilder& Bytes(const std::vector<u8>& b) { bytes.insert(bytes.end(), b.begin(), b.end()); return *this; }
    // Pads with zeros up to an absolute size.
    ByteBuilder& PadTo(size_t size) { if (bytes.size() < size) Zeros(size - bytes.size()); return *this; }
    // Overwrites a big-endian u32 at an offset.
    ByteBuilder& PutU32At(size_t at, u32 v)
    {
        for (int i = 0; i < 4; ++i) bytes[at + i] = u8(v >> (24 - 8 * i));
        return *this;
    }
    size_t Size() const { return bytes.size(); }

    std::vector<u8> bytes;
};

// A temporary stdio stream holding bytes, rewound to the start.
inline FILE* StreamOf(const std::vector<u8>& bytes)
{
    FILE* f = tmpfile();
    if (f && !bytes.empty()) fwrite(bytes.data(), bytes.size(), 1, f);
    if (f) rewind(f);
    return f;
}

// Everything a stream holds.
inline std::vector<u8> ContentsOf(FILE* f)
{
    fflush(f);
    long end = (fseek(f, 0, SEEK_END), ftell(f));
    std::vector<u8> out(end > 0 ? size_t(end) : 0);
    rewind(f);
    if (!out.empty() && fread(out.data(), out.size(), 1, f) != 1) out.clear();
    return out;
}

// Bytes to read through a stdio stream, closed with the scope.
struct ReadStream {
    FILE* f;
    explicit ReadStream(const std::vector<u8>& bytes) : f(StreamOf(bytes)) {}
    ~ReadStream()
    {
        if (f) fclose(f);
    }
    ReadStream(const ReadStream&) = delete;
    ReadStream& operator=(const ReadStream&) = delete;
};

// A stream that collects what is written, closed with the scope.
struct WriteStream {
    FILE* f = tmpfile();
    WriteStream() = default;
    ~WriteStream()
    {
        if (f) fclose(f);
    }
    WriteStream(const WriteStream&) = delete;
    WriteStream& operator=(const WriteStream&) = delete;
    std::vector<u8> Take() { return ContentsOf(f); }
};
