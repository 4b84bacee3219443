// Member values as shown and stored: scales, rounding, clamping, lower bounds (also through
// enclosing records and in cycles), element indexes and scoped name lookup.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "StructDefSupport.h"
#include "tagedit/StructData.h"
#include "tagedit/StructDef.h"
#include "tagedit/StructValues.h"

namespace {

class Values : public ::testing::Test {
protected:
    void SetUp() override
    {
        LoadDefinitions(list,
                        "<struct name='x'>"
                        "<short_world name='sw'/><angle name='an'/><long_time name='lt'/>"
                        "<fixed_fraction name='ff'/><byte name='b'/><short name='arr' count='4'/>"
                        "<short name='base'/><short name='above' lower_bound='base'/>"
                        "<short_fixed_fraction name='sff'/><angular_velocity name='av'/><fixed name='fx'/>"
                        "<short name='c1' lower_bound='c2'/><short name='c2' lower_bound='c1'/>"
                        "<short name='self' lower_bound='self'/><byte name='neg'/><long name='l'/>"
                        "<short name='missing' lower_bound='nothing'/></struct>");
        record = new StructData(list.First());
        scope = {record, nullptr};
    }
    void TearDown() override { delete record; }
    StructMember* M(const char* name) { return FindScopedMember(&scope, name); }

    StructDefList list;
    StructData* record = nullptr;
    StructScope scope = {};
};

}  // namespace

TEST_F(Values, StoredElementsShowScaledAndRounded)
{
    struct Case {
        const char* member;
        s32 stored;
        float shown;
    };
    const Case cases[] = {
        {"sw", 1024, 2.0f},     {"sw", -1, -0.002f},     {"an", 16384, 90.0f},    {"an", -16384, -90.0f},
        {"lt", 45, 1.5f},       {"ff", 0xFFFF, 1.0f},    {"ff", 0x8000, 0.5f},    {"sff", 0xFF, 0.996f},
        {"av", 3, 0.0f},        {"av", 7, 1.0f},         {"fx", 0x18000, 1.5f},   {"fx", -0x8000, -0.5f},
        {"b", 200, -56.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.member) + " " + std::to_string(c.stored));
        WriteScopedValue(&scope, M(c.member), c.stored, 0);
        EXPECT_FLOAT_EQ(ScopedDisplayValue(&scope, M(c.member), 0), c.shown);
    }
}

TEST_F(Values, TypedNumbersAreStoredRoundedAndClampedToTheElement)
{
    struct Case {
        const char* member;
        double typed;
        s32 stored;
        u32 rawUnsigned;  // the element as stored
    };
    const Case cases[] = {
        {"sw", 2.5, 1280, 1280},        {"sw", 100, 32767, 32767},     {"sw", -100, -32768, 0x8000},
        {"ff", -0.5, 0, 0},             {"ff", 2.0, 65535, 0xFFFF},     {"an", 90, 16384, 16384},
        {"lt", 1.5, 45, 45},            {"sff", 0.5, 128, 128},         {"b", 1000, 127, 127},
        {"l", 1e12, 2147483647, 0x7FFFFFFF}, {"l", -1e12, s32(0x80000000), 0x80000000u},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.member) + " " + std::to_string(c.typed));
        const s32 v = StoredValueForNumber(M(c.member), c.typed);
        EXPECT_EQ(v, c.stored);
        WriteScopedValue(&scope, M(c.member), v, 0);
        EXPECT_EQ(record->GetMemberInt(M(c.member)), c.rawUnsigned);
    }
}

TEST_F(Values, IntegersKeepOnlyTheLowBytesAndSignExtend)
{
    WriteScopedValue(&scope, M("b"), 300, 0);
    EXPECT_EQ(record->GetMemberInt(M("b")), 44u);
    WriteScopedValue(&scope, M("neg"), -1, 0);
    EXPECT_EQ(ReadScopedSigned(&scope, M("neg"), 0), -1);
    EXPECT_EQ(ReadScopedUnsigned(&scope, M("neg"), 0), 255u);
}

TEST(RoundForDisplay, HalvesRoundAwayFromZero)
{
    StructDefList list;
    LoadDefinitions(list, "<struct name='x'><short_world name='w'/><angle name='a'/></struct>");
    const StructMember* w = list.First()->FindMember("w");
    const StructMember* a = list.First()->FindMember("a");
    EXPECT_FLOAT_EQ(RoundForDisplay(w, 1.2344f), 1.234f);
    EXPECT_FLOAT_EQ(RoundForDisplay(w, 1.2346f), 1.235f);
    EXPECT_FLOAT_EQ(RoundForDisplay(w, -1.2346f), -1.235f);
    EXPECT_FLOAT_EQ(RoundForDisplay(w, 0.0f), 0.0f);
    EXPECT_FLOAT_EQ(RoundForDisplay(a, 89.5f), 90.0f);
    EXPECT_FLOAT_EQ(RoundForDisplay(a, -89.5f), -90.0f);
    EXPECT_FLOAT_EQ(RoundForDisplay(a, 89.4f), 89.0f);
}

TEST_F(Values, ElementIndexesStayInsideTheMember)
{
    WriteScopedValue(&scope, M("arr"), 77, 2);
    EXPECT_EQ(ReadScopedSigned(&scope, M("arr"), 2), 77);
    EXPECT_EQ(ReadScopedSigned(&scope, M("arr"), 0), 0);
    u16 raw[4];
    memcpy(raw, record->GetMemberPointer(M("arr")), 8);
    EXPECT_EQ(raw[2], 77);
    // Element 4 would be the next member.
    WriteScopedValue(&scope, M("arr"), 99, 4);
    EXPECT_EQ(ReadScopedSigned(&scope, M("base"), 0), 0);
    EXPECT_EQ(ReadScopedSigned(&scope, M("arr"), 4), 0);
    EXPECT_EQ(ScopedElementPointer(&scope, M("arr"), 4), nullptr);
}

TEST_F(Values, LowerBoundIsAddedForDisplayAndTakenOffWhenStored)
{
    WriteScopedValue(&scope, M("base"), 10, 0);
    WriteScopedValue(&scope, M("above"), 15, 0);
    EXPECT_EQ(record->GetMemberInt(M("above")), 5u);
    EXPECT_EQ(ReadScopedSigned(&scope, M("above"), 0), 15);
    WriteScopedValue(&scope, M("missing"), 4, 0);  // a bound naming no member counts as 0
    EXPECT_EQ(ReadScopedSigned(&scope, M("missing"), 0), 4);
}

TEST_F(Values, LowerBoundCyclesEndInsteadOfRecursing)
{
    WriteScopedValue(&scope, M("self"), 3, 0);
    EXPECT_EQ(ReadScopedSigned(&scope, M("self"), 0), 3);  // its own bound counts once
    memset(record->GetMemberPointer(M("c1")), 0, 4);
    u16 one = 1, two = 2;
    memcpy(record->GetMemberPointer(M("c1")), &one, 2);
    memcpy(record->GetMemberPointer(M("c2")), &two, 2);
    EXPECT_EQ(ReadScopedSigned(&scope, M("c1"), 0), 3);
    EXPECT_EQ(ReadScopedSigned(&scope, M("c2"), 0), 3);
    WriteScopedValue(&scope, M("c1"), 10, 0);
    EXPECT_EQ(ReadScopedSigned(&scope, M("c1"), 0), 10);
}

TEST(ScopedValues, NamesAndBoundsResolveThroughEnclosingRecords)
{
    StructDefList list;
    LoadDefinitions(list,
                    "<struct name='elem'><short name='v' lower_bound='base'/><short name='own'/>"
                    "<short name='loop' lower_bound='outer_loop'/></struct>"
                    "<struct name='outer'><short name='base'/><short name='own'/>"
                    "<short name='outer_loop' lower_bound='loop'/>"
                    "<substruct name='items' struct='elem' count='2'/></struct>");
    StructDef* outer = list.Find("outer");
    StructDef* elem = list.Find("elem");
    StructData parent(outer);
    StructScope top = {&parent, nullptr};
    StructData child(elem, parent.GetMemberPointer(outer->FindMember("items")) + elem->GetSize());
    StructScope inner = {&child, &top};

    EXPECT_EQ(FindScopedMember(&inner, "own"), elem->FindMember("own"));  // the innermost wins
    EXPECT_EQ(FindScopedMember(&inner, "base"), outer->FindMember("base"));
    EXPECT_EQ(FindScopedMember(&top, "v"), nullptr);
    EXPECT_EQ(FindHoldingRecord(&inner, outer->FindMember("own")), &parent);

    WriteScopedValue(&inner, FindScopedMember(&inner, "base"), 100, 0);
    WriteScopedValue(&inner, elem->FindMember("v"), 130, 0);
    EXPECT_EQ(child.GetMemberInt(elem->FindMember("v")), 30u);
    EXPECT_EQ(ReadScopedSigned(&inner, elem->FindMember("v"), 0), 130);
    // A member of the enclosing record is stored there, not in the element.
    EXPECT_EQ(parent.GetMemberInt(outer->FindMember("base")), 100u);

    // A cycle that runs through the enclosing record ends too.
    WriteScopedValue(&inner, elem->FindMember("loop"), 1, 0);
    (void)ReadScopedSigned(&inner, elem->FindMember("loop"), 0);
    (void)ReadScopedUnsigned(&inner, elem->FindMember("loop"), 0);
}

TEST(ShownNumberText, ThreeDecimalsAtMostAndNoDigitsPastAFloats)
{
    const struct {
        float shown;
        const char* text;
    } cases[] = {
        {2.0f, "2.0"},          {-0.002f, "-0.002"},           {1.5f, "1.5"},
        {0.996f, "0.996"},      {90.0f, "90.0"},               {1171875.125f, "1171875.0"},
        {20000000.0f, "20000000.0"}, {-4194304.0f, "-4194304.0"}, {12345.678f, "12345.68"},
    };
    for (const auto& c : cases) EXPECT_STREQ(ShownNumberText(c.shown).c_str(), c.text) << c.text;
}

// Every value an element can hold, and the same typed with three decimals, fits its field.
TEST_F(Values, NumberFieldsTakeTheirElementsWholeRange)
{
    LoadDefinitions(list, "<struct name='y'><long_world name='lw'/><short_world name='bounded' lower_bound='lw'/>"
                          "</struct>");
    StructData wide(list.Find("y"));
    StructScope wideScope = {&wide, nullptr};
    struct Case {
        StructMember* member;
        const StructScope* scope;
    } cases[] = {{M("sw"), &scope}, {M("an"), &scope}, {M("lt"), &scope}, {M("ff"), &scope}, {M("sff"), &scope},
                 {M("av"), &scope}, {M("fx"), &scope}, {FindScopedMember(&wideScope, "lw"), &wideScope},
                 {FindScopedMember(&wideScope, "bounded"), &wideScope}};
    for (const Case& c : cases) {
        ASSERT_NE(c.member, nullptr);
        SCOPED_TRACE(c.member->name.c_str());
        const u32 length = NumberFieldLength(c.member);
        for (s32 stored : {s32(0x80000000), s32(0x7FFFFFFF), -1, 0}) {
            if (c.member->name == "bounded") WriteScopedValue(c.scope, FindScopedMember(c.scope, "lw"), stored, 0);
            WriteScopedValue(c.scope, c.member, stored, 0);
            const float shown = ScopedDisplayValue(c.scope, c.member, 0);
            EXPECT_LE(strlen(ShownNumberText(shown).c_str()), length) << shown;
            char typed[64];
            snprintf(typed, sizeof typed, "%.3f", double(shown));
            EXPECT_LE(strlen(typed), length) << typed;
        }
    }
}
