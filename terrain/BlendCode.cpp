#include "terrain/BlendCode.h"

namespace {

u32 Material(u32 v) { return v < kMaxDetailMaterial ? v : kMaxDetailMaterial; }

}  // namespace

BlendCode MakeBlendCode(u32 m, u32 a, u32 b, u32 c)
{
    m = Material(m);
    a = Material(a);
    b = Material(b);
    c = Material(c);
    if (m != 0) return m << 9 | kBlendBasePass | 7;

    u32 v[3] = {a, b, c};
    if (v[0] > v[1]) { u32 t = v[0]; v[0] = v[1]; v[1] = t; }
    if (v[1] > v[2]) { u32 t = v[1]; v[1] = v[2]; v[2] = t; }
    if (v[0] > v[1]) { u32 t = v[0]; v[0] = v[1]; v[1] = t; }
    u32 distinct[3];
    u32 n = 0;
    for (u32 i = 0; i < 3; ++i)
        if (n == 0 || distinct[n - 1] != v[i]) distinct[n++] = v[i];

    if (n == 1) return distinct[0] == 0 ? kBlendBasePass : distinct[0] << 9 | 7;
    BlendCode code = kBlendBasePass;
    for (u32 i = 0; i < n; ++i) {
        const u32 value = distinct[i];
        const u32 mask = (a == value ? 1u : 0u) | (b == value ? 2u : 0u) | (c == value ? 4u : 0u);
        code |= value << (9 + 7 * i) | mask << (3 * i);
    }
    return code;
}
