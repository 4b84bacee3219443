#pragma once
// Fixed-width integer names used throughout the program.
#include <cstddef>
#include <cstdint>

typedef uint8_t u8;
typedef uint16_t u16;
typedef uint32_t u32;
typedef uint64_t u64;
typedef int8_t s8;
typedef int16_t s16;
typedef int32_t s32;
typedef int64_t s64;

// Four-character codes ('vrn2', '.256') held in a u32 with the first character in the
// highest byte, which is also their big-endian byte order in files.
constexpr u32 FourCC(const char (&s)[5])
{
    return (u32(u8(s[0])) << 24) | (u32(u8(s[1])) << 16) | (u32(u8(s[2])) << 8) | u32(u8(s[3]));
}
