#pragma once
// Member values as the structure editor shows and stores them, without any window: a record
// and the records enclosing it form a scope in which member names are looked up, element
// values are read and written (with the "lower_bound" member added for display), and shown
// numbers are scaled and rounded.
#include "foundation/String.h"
#include "foundation/Types.h"

class StructData;
class StructMember;

// A record and the chain of records that enclose it, innermost first. Nested editors edit
// one element of a parent's "substruct" member; names are looked up from the inside out.
struct StructScope {
    StructData* data;
    const StructScope* parent;
};

// The first member of that name in the scope's definition, then in each enclosing one; null
// for a null or empty name.
StructMember* FindScopedMember(const StructScope* scope, const char* name);
// The nearest record of the scope whose definition holds the member object, or null.
StructData* FindHoldingRecord(const StructScope* scope, const StructMember* member);
// The address of element i inside the record that holds the member, or null when no record
// holds it or i is not below the member's count.
u8* ScopedElementPointer(const StructScope* scope, const StructMember* member, u32 i);

// Element i of a 1-, 2- or 4-byte member, sign-extended, plus the value of its
// "lower_bound" member (element 0, with that member's own lower bound, and so on). A lower
// bound naming no member counts as 0; a chain of lower bounds that comes back to a member
// already counted stops there. 0 for other widths and for elements outside the member.
s32 ReadScopedSigned(const StructScope* scope, const StructMember* member, u32 i);
// The same with zero extension throughout.
u32 ReadScopedUnsigned(const StructScope* scope, const StructMember* member, u32 i);
// Stores value minus the lower bound's signed value into element i, keeping the low 1, 2 or
// 4 bytes; other widths and elements outside the member store nothing.
void WriteScopedValue(const StructScope* scope, const StructMember* member, s32 value, u32 i);

// What one stored unit of the member shows as (1 for plain integers).
double GetMemberScale(const StructMember* member);
// Rounds a shown value in single precision: whole units for "angle" and
// "angular_velocity", three decimals otherwise, halves away from zero.
float RoundForDisplay(const StructMember* member, float value);
// The value shown for element i: scale x the element (read unsigned for the two fraction
// types), rounded for display.
float ScopedDisplayValue(const StructScope* scope, const StructMember* member, u32 i);
// The stored integer for a typed number: number / scale rounded to the nearest integer,
// clamped to 32 bits and then to the element's range (unsigned for the two fraction types).
s32 StoredValueForNumber(const StructMember* member, double number);
// The text of a shown value: at most three decimals and no more digits than a float holds
// (seven), trailing zeros of the fraction dropped with one digit kept after the point ("2.0",
// "-0.002", "1171875.0").
String ShownNumberText(float shown);
// Characters a number field of the member needs to show or take any value of its element
// with three decimals. A member with a lower bound shows a sum held in 32 bits, so its field
// takes the 32-bit range whatever its width.
u32 NumberFieldLength(const StructMember* member);
// Whether the member's values are read unsigned for display.
bool IsUnsignedFraction(const StructMember* member);
