#pragma once
// The per-triangle code that tells the textured painter how detail materials blend.
//
// Bits 0-2, 3-5, 6-8: corner masks of material slots 1, 2 and 3 (bit 0, 1, 2 of a mask set
// when the triangle's first, second, third corner carries that slot's material); bits 9-15,
// 16-22, 23-29: the materials of slots 1, 2, 3; bit 30: lay a plain white base pass first.
#include "foundation/Types.h"

typedef u32 BlendCode;

constexpr BlendCode kBlendBasePass = 0x40000000;
constexpr u32 kMaxDetailMaterial = 127;

// The code of a triangle with triangle material m and corner materials a, b, c (in the order
// the painter sends the corners). A non-zero m covers the whole triangle. Values above 127
// (files may hold them) count as 127 so they never spill into the next field.
BlendCode MakeBlendCode(u32 m, u32 a, u32 b, u32 c);
