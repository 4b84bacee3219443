#include "tagedit/StructValues.h"
#include <cmath>
#include <initializer_list>
#include <cstdio>
#include <cstring>
#include "foundation/ByteOrder.h"
#include "tagedit/StructData.h"
#include "tagedit/StructDef.h"

namespace {

// Longest chain of lower bounds followed; longer chains in a definition file are cut here.
constexpr u32 kMaxLowerBoundChain = 32;

u32 ReadRaw(const u8* p, u32 width, bool sign)
{
    if (width != 1 && width != 2 && width != 4) return 0;
    return sign ? u32(LoadHostSigned(p, width)) : u32(LoadHostUnsigned(p, width));
}

const StructMember* LowerBoundOf(const StructScope* scope, const StructMember* member)
{
    const VornStructMember* vm = static_cast<const VornStructMember*>(member);
    return vm->lowerBound.IsEmpty() ? nullptr : FindScopedMember(scope, vm->lowerBound);
}

// The element plus the chain of lower bounds, in 32-bit wrap-around arithmetic. The chain
// ends at a member already counted, or at `stop` (the member a bound is being read for, so
// that storing and reading back agree inside a cycle).
u32 ReadWithBounds(const StructScope* scope, const StructMember* member, u32 i, bool sign,
                   const StructMember* stop = nullptr)
{
    const StructMember* seen[kMaxLowerBoundChain + 1];
    u32 seenCount = 0;
    if (stop) seen[seenCount++] = stop;
    u32 sum = 0;
    if (!ScopedElementPointer(scope, member, i)) return 0;
    const u32 width = member->elementWidth;
    if (width != 1 && width != 2 && width != 4) return 0;
    while (member && seenCount <= kMaxLowerBoundChain) {
        for (u32 k = 0; k < seenCount; ++k)
            if (seen[k] == member) return sum;
        seen[seenCount++] = member;
        const u8* p = ScopedElementPointer(scope, member, i);
        if (p) sum += ReadRaw(p, member->elementWidth, sign);
        member = LowerBoundOf(scope, member);
        i = 0;
    }
    return sum;
}

}  // namespace

StructMember* FindScopedMember(const StructScope* scope, const char* name)
{
    if (!name || !*name) return nullptr;
    for (; scope; scope = scope->parent)
        if (StructMember* m = scope->data->GetDefinition()->FindMember(name)) return m;
    return nullptr;
}

StructData* FindHoldingRecord(const StructScope* scope, const StructMember* member)
{
    if (!member) return nullptr;
    for (; scope; scope = scope->parent)
        if (scope->data->GetDefinition()->HasMember(member)) return scope->data;
    return nullptr;
}

u8* ScopedElementPointer(const StructScope* scope, const StructMember* member, u32 i)
{
    StructData* record = FindHoldingRecord(scope, member);
    if (!record || i >= member->count) return nullptr;
    return record->GetMemberPointer(member) + u64(i) * member->elementWidth;
}

s32 ReadScopedSigned(const StructScope* scope, const StructMember* member, u32 i)
{
    return s32(ReadWithBounds(scope, member, i, true));
}

u32 ReadScopedUnsigned(const StructScope* scope, const StructMember* member, u32 i)
{
    return ReadWithBounds(scope, member, i, false);
}

void WriteScopedValue(const StructScope* scope, const StructMember* member, s32 value, u32 i)
{
    u8* p = ScopedElementPointer(scope, member, i);
    if (!p) return;
    const StructMember* bound = LowerBoundOf(scope, member);
    const u32 stored = u32(value) - (bound ? ReadWithBounds(scope, bound, 0, true, member) : 0);
    switch (member->elementWidth) {
    case 1:
        *p = u8(stored);
        break;
    case 2: {
        const u16 v = u16(stored);
        memcpy(p, &v, 2);
        break;
    }
    case 4:
        memcpy(p, &stored, 4);
        break;
    default:
        break;
    }
}

bool IsUnsignedFraction(const StructMember* member)
{
    const u32 code = static_cast<const VornStructMember*>(member)->typeCode;
    return code == kMemberFixedFraction || code == kMemberShortFixedFraction;
}

double GetMemberScale(const StructMember* member)
{
    switch (static_cast<const VornStructMember*>(member)->typeCode) {
    case kMemberLongTime:
    case kMemberShortTime:
        return 1.0 / 30.0;
    case kMemberLongWorld:
    case kMemberShortWorld:
        return 0.001953125;
    case kMemberFixed:
    case kMemberFixedFraction:
        return 1.0 / 65536.0;
    case kMemberShortFixed:
    case kMemberShortFixedFraction:
        return 1.0 / 256.0;
    case kMemberAngularVelocity:
        return 0.164794921875;
    case kMemberAngle:
        return 0.0054931640625;
    default:
        return 1.0;
    }
}

float RoundForDisplay(const StructMember* member, float value)
{
    const u32 code = static_cast<const VornStructMember*>(member)->typeCode;
    const int d = (code == kMemberAngularVelocity || code == kMemberAngle) ? 0 : 3;
    const float up = d ? 10000.0f : 10.0f;
    const float down = d ? 1000.0f : 1.0f;
    const float shifted = value * up + (value >= 0 ? 5.0f : -5.0f);
    return std::trunc(shifted / 10.0f) / down;
}

float ScopedDisplayValue(const StructScope* scope, const StructMember* member, u32 i)
{
    const double raw = IsUnsignedFraction(member) ? double(ReadScopedUnsigned(scope, member, i))
                                                  : double(ReadScopedSigned(scope, member, i));
    return RoundForDisplay(member, float(GetMemberScale(member) * raw));
}

s32 StoredValueForNumber(const StructMember* member, double number)
{
    const double v = number / GetMemberScale(member) + 0.5;
    s64 n;
    if (!(v > -2147483648.0))  // NaN lands here too
        n = -2147483647LL - 1;
    else if (v >= 2147483647.0)
        n = 2147483647;
    else
        n = s64(std::floor(v));
    const bool fraction = IsUnsignedFraction(member);
    s64 lo = fraction ? 0 : -128, hi = fraction ? 255 : 127;
    if (member->elementWidth == 2) {
        lo = fraction ? 0 : -32768;
        hi = fraction ? 65535 : 32767;
    }
    if (member->elementWidth == 1 || member->elementWidth == 2) n = n < lo ? lo : n > hi ? hi : n;
    return s32(n);
}

String ShownNumberText(float shown)
{
    // A float holds about seven significant digits: decimals past them are rounding noise
    // (1171875 shown from a large value comes back as 1171875.125).
    int digits = 1;
    for (double whole = std::fabs(std::trunc(double(shown))); whole >= 10.0; whole /= 10.0) ++digits;
    const int decimals = digits >= 7 ? 0 : (7 - digits < 3 ? 7 - digits : 3);
    char text[64];
    snprintf(text, sizeof text - 2, "%.*f", decimals, double(shown));
    if (char* point = strchr(text, '.')) {
        size_t length = strlen(text);
        while (length > size_t(point - text) + 2 && text[length - 1] == '0') text[--length] = 0;
    } else {
        strcat(text, ".0");
    }
    return String(text);
}

u32 NumberFieldLength(const StructMember* member)
{
    const bool fraction = IsUnsignedFraction(member);
    u32 width = member->elementWidth;
    if (!static_cast<const VornStructMember*>(member)->lowerBound.IsEmpty() || width > 4 || width == 0) width = 4;
    const u32 bits = width * 8;
    const double lo = fraction ? 0.0 : -std::ldexp(1.0, int(bits) - 1);
    const double hi = fraction ? std::ldexp(1.0, int(bits)) - 1.0 : std::ldexp(1.0, int(bits) - 1) - 1.0;
    u32 longest = 0;
    for (double raw : {lo, hi}) {
        char text[64];
        // Untrimmed: a user may type all three decimals.
        const int n = snprintf(text, sizeof text, "%.3f", std::fabs(GetMemberScale(member) * raw) + 1.0);
        const u32 length = u32(n > 0 ? n : 0) + (raw < 0 ? 1u : 0u);
        if (length > longest) longest = length;
    }
    return longest;
}
