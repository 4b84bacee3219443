#pragma once
// Whole files as bytes for tests: read back what a save wrote, or write an input file.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "foundation/Types.h"

// Everything the file holds; empty when it cannot be opened.
inline std::vector<u8> ReadFile(const std::string& path)
{
    std::vector<u8> out;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return out;
    int c;
    while ((c = fgetc(f)) != EOF) out.push_back(u8(c));
    fclose(f);
    return out;
}

// Makes the file hold exactly these bytes; fails the test when it cannot be written.
inline void WriteFile(const std::string& path, const void* data, size_t size)
{
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    bool written = size == 0 || fwrite(data, 1, size, f) == size;
    ASSERT_EQ(fclose(f), 0) << path;
    ASSERT_TRUE(written) << path;
}
inline void WriteFile(const std::string& path, const std::vector<u8>& bytes)
{
    WriteFile(path, bytes.data(), bytes.size());
}
inline void WriteFile(const std::string& path, const std::string& bytes)
{
    WriteFile(path, bytes.data(), bytes.size());
}
