// Definitions from XML: member types and packing, the byte-order descriptor, the registry's
// lookups, and the definitions refused at load.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <string>
#include <vector>

#include "../common/FileBytes.h"
#include "../common/TempFolder.h"
#include "StructDefSupport.h"
#include "tagedit/StructDef.h"
#include "tagedit/XmlDefinitions.h"

namespace {

std::vector<u16> Descriptor(const StructDef* def)
{
    DynArray<u16> words = {};
    def->BuildByteOrderDescriptor(&words);
    std::vector<u16> out(words.begin(), words.end());
    words.Free();
    return out;
}

const StructMember* MemberAt(const StructDef* def, u32 index)
{
    const StructMember* m = def->FirstMember();
    while (m && index--) m = m->next;
    return m;
}

}  // namespace

TEST(StructDef, NestedRecordGivesThePackedSizeAndDescriptor)
{
    StructDefList list;
    LoadDefinitions(list,
                    "<struct name='pair'><long name='a'/><byte name='b'/></struct>"
                    "<struct name='rec'><short name='s'/><substruct name='p' struct='pair' count='2'/>"
                    "<padding count='3'/></struct>");
    StructDef* rec = list.Find("rec");
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(rec->GetSize(), 15u);
    EXPECT_EQ(Descriptor(rec), (std::vector<u16>{15, 1, 1, 2, 32, 5, 1, 2, 1, 0, 3, 4}));
    EXPECT_EQ(rec->FindMember("p")->offset, 2u);
    EXPECT_EQ(rec->FindMember("p")->elementWidth, 5u);
    EXPECT_EQ(rec->FindMember("p")->nested, list.Find("pair"));
    EXPECT_EQ(MemberAt(rec, 2)->offset, 12u);
}

TEST(StructDef, EveryMemberTypeHasItsWidthClassAndByteOrderType)
{
    struct Case {
        const char* element;
        s32 code;
        u32 width;
        u32 count;
        u16 boType;
        const char* cls;
    };
    const Case cases[] = {
        {"<padding count='3'/>", 0, 1, 3, 4, "plain"},
        {"<tag group='unit'/>", 2, 4, 1, 2, "tag"},
        {"<long/>", 3, 4, 1, 2, "plain"},
        {"<long_time/>", 4, 4, 1, 2, "plain"},
        {"<long_world/>", 5, 4, 1, 2, "plain"},
        {"<fixed/>", 7, 4, 1, 2, "plain"},
        {"<short count='4'/>", 8, 2, 4, 1, "plain"},
        {"<short_time/>", 9, 2, 1, 1, "plain"},
        {"<short_world/>", 10, 2, 1, 1, "plain"},
        {"<short_enum/>", 11, 2, 1, 1, "enum"},
        {"<sequence_index/>", 12, 2, 1, 1, "plain"},
        {"<fixed_fraction/>", 13, 2, 1, 1, "plain"},
        {"<short_fixed/>", 14, 2, 1, 1, "plain"},
        {"<angular_velocity/>", 15, 2, 1, 1, "plain"},
        {"<angle/>", 16, 2, 1, 1, "plain"},
        {"<byte/>", 17, 1, 1, 0, "plain"},
        {"<byte_enum/>", 18, 1, 1, 0, "enum"},
        {"<short_fixed_fraction/>", 19, 1, 1, 0, "plain"},
        {"<color count='2'/>", 20, 2, 4, 1, "plain"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.element);
        StructDefList list;
        LoadDefinitions(list, std::string("<struct name='x'>") + c.element + "</struct>");
        ASSERT_EQ(list.Count(), 1u);
        const StructMember* m = list.First()->FirstMember();
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(static_cast<const VornStructMember*>(m)->typeCode, u32(c.code));
        EXPECT_EQ(m->elementWidth, c.width);
        EXPECT_EQ(m->count, c.count);
        EXPECT_EQ(m->byteOrderType, c.boType);
        EXPECT_EQ(list.First()->GetSize(), c.width * c.count);
        EXPECT_EQ(dynamic_cast<const TagMember*>(m) != nullptr, std::string(c.cls) == "tag");
        EXPECT_EQ(dynamic_cast<const EnumMember*>(m) != nullptr, std::string(c.cls) == "enum");
    }
}

TEST(StructDef, UnknownAndMiscasedElementsTakeNoBytesAndCountZeroKeepsAnOffset)
{
    StructDefList list;
    LoadDefinitions(list,
                    "<struct name='x'><byte name='a'/><Short name='b'/><word name='c'/>"
                    "<long name='d' count='0'/><short name='e'/><byte name='f' count='0'/></struct>");
    StructDef* def = list.First();
    ASSERT_NE(def, nullptr);
    EXPECT_EQ(def->MemberCount(), 4u);
    EXPECT_EQ(def->FindMember("b"), nullptr);
    EXPECT_EQ(def->GetSize(), 3u);
    EXPECT_EQ(def->FindMember("d")->offset, 1u);
    EXPECT_EQ(def->FindMember("e")->offset, 1u);
    EXPECT_EQ(def->FindMember("f")->offset, 3u);
    // Members of no bytes put no pair into the descriptor: a trailing one would otherwise be
    // read as the next pair of a record that nests this one.
    EXPECT_EQ(Descriptor(def), (std::vector<u16>{3, 1, 0, 1, 1}));
    EXPECT_TRUE(ValidateByteOrderDescriptor(Descriptor(def).data(), u32(Descriptor(def).size())));
}

TEST(StructDef, EmptyDefinitionHasSizeZeroAndOneWord)
{
    StructDefList list;
    LoadDefinitions(list, "<struct name='empty'/><struct><long/></struct>");
    ASSERT_EQ(list.Count(), 1u);  // the unnamed one is skipped
    EXPECT_EQ(list.First()->GetSize(), 0u);
    EXPECT_EQ(LookupMemberType("Long"), -1);
    EXPECT_EQ(LookupMemberType("color"), 20);
    EXPECT_EQ(Descriptor(list.First()), (std::vector<u16>{0}));
}

TEST(StructDef, LookupsAreExactAndTheFirstOfTwoEqualNamesWins)
{
    StructDefList list;
    LoadDefinitions(list,
                    "<struct name='unit'><long name='hp'/></struct>"
                    "<struct name='unit'><short name='hp'/></struct>"
                    "<struct name='units'><byte name='hp'/><byte/></struct>");
    EXPECT_EQ(list.Count(), 3u);
    EXPECT_EQ(list.Find("unit")->GetSize(), 4u);
    EXPECT_EQ(list.Find("units")->GetSize(), 2u);
    EXPECT_EQ(list.Find("Unit"), nullptr);
    EXPECT_EQ(list.Find("uni"), nullptr);
    EXPECT_EQ(list.Find(nullptr), nullptr);
    StructDef* units = list.Find("units");
    EXPECT_EQ(units->FindMember("HP"), nullptr);
    EXPECT_EQ(units->FindMember(nullptr), nullptr);
    EXPECT_EQ(units->FindMember(""), nullptr);  // the unnamed member is not found by ""
    EXPECT_TRUE(units->HasMember(units->FindMember("hp")));
    EXPECT_FALSE(units->HasMember(list.Find("unit")->FindMember("hp")));
    list.Clear();
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_EQ(list.Find("unit"), nullptr);
}

TEST(StructDef, TagGroupsAndEnumItemsAreParsed)
{
    StructDefList list;
    LoadDefinitions(list,
                    "<struct name='x'><tag name='t' group='unit'/><tag name='bad' group='uni'/>"
                    "<short_enum name='e'><member text='None' value='-1'/><member text='One' value='1'/>"
                    "<member value='7'/><member text='Lost' value='9'/></short_enum></struct>");
    StructDef* def = list.First();
    EXPECT_EQ(static_cast<TagMember*>(def->FindMember("t"))->group, 0x756E6974u);
    EXPECT_EQ(static_cast<TagMember*>(def->FindMember("bad"))->group, 0xFFFFFFFFu);
    const EnumMember* e = static_cast<EnumMember*>(def->FindMember("e"));
    ASSERT_EQ(e->items.count, 3u);  // the item without text ends the list and stays
    EXPECT_STREQ(e->items[0].text, "None");
    EXPECT_EQ(e->items[0].value, -1);
    EXPECT_EQ(e->items[1].value, 1);
    EXPECT_STREQ(e->items[2].text, "");
    EXPECT_EQ(e->items[2].value, 7);
}

// Definitions the converter could not carry, or that would wrap sizes, are refused whole and
// logged with the file, the struct and the member.
TEST(StructDef, UnusableDefinitionsAreRefusedAndLogged)
{
    std::string manyMembers;
    for (int i = 0; i < 4095; ++i) manyMembers += "<byte/>";
    std::string deep = "<struct name='d0'><byte/></struct>";
    for (int i = 1; i <= 16; ++i)
        deep += "<struct name='d" + std::to_string(i) + "'><substruct name='m' struct='d" + std::to_string(i - 1) +
                "'/></struct>";
    struct Case {
        std::string body;
        const char* refused;  // struct name
        const char* member;   // named in the message
    };
    const Case cases[] = {
        {"<struct name='neg'><long name='n' count='-1'/></struct>", "neg", "n"},
        {"<struct name='word'><long name='w' count='many'/></struct>", "word", "w"},
        {"<struct name='tail'><long name='t' count='3x'/></struct>", "tail", "t"},
        {"<struct name='wide'><byte name='c' count='65536'/></struct>", "wide", "c"},
        {"<struct name='big'><long name='a' count='8192'/></struct>", "big", "a"},
        {"<struct name='big2'><byte name='a' count='32767'/><byte name='b'/></struct>", "big2", "b"},
        {"<struct name='nosub'><substruct name='s' struct='later'/></struct><struct name='later'/>", "nosub", "s"},
        {"<struct name='noattr'><substruct name='s'/></struct>", "noattr", "s"},
        {"<struct name='words'>" + manyMembers + "<byte name='last'/></struct>", "words", "last"},
        {deep, "d16", "m"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.refused);
        StructDefList list;
        LogCapture log;
        LoadDefinitions(list, c.body, "odd.xml");
        EXPECT_EQ(list.Find(c.refused), nullptr);
        ASSERT_EQ(log.lines.size(), 1u);
        const std::string& line = log.lines[0];
        EXPECT_NE(line.find("odd.xml"), std::string::npos) << line;
        EXPECT_NE(line.find(std::string("\"") + c.refused + "\""), std::string::npos) << line;
        EXPECT_NE(line.find(std::string("\"") + c.member + "\""), std::string::npos) << line;
    }
    // The limits themselves are accepted.
    StructDefList list;
    LoadDefinitions(list, "<struct name='edge'><byte count='32767'/></struct><struct name='spaced'><byte count=' 2 '/></struct>" + deep.substr(0, deep.rfind("<struct name='d16'")));
    EXPECT_EQ(list.Find("edge")->GetSize(), 32767u);
    EXPECT_EQ(list.Find("spaced")->GetSize(), 2u);
    EXPECT_NE(list.Find("d15"), nullptr);
}

TEST(XmlDefinitions, FolderLoadKeepsDefinitionFilesAndIgnoresTheRest)
{
    TempFolder dir;
    WriteFile(dir / "a.xml",
              std::string("<tavikxmlfile><struct name='unit'><long/></struct>"
                          "<structedit struct='unit' caption='Unit'/><structedit struct='Unit'/></tavikxmlfile>"));
    WriteFile(dir / "broken.xml", std::string("<tavikxmlfile><struct name='x'>"));
    WriteFile(dir / "other.xml", std::string("<something><struct name='y'/></something>"));
    WriteFile(dir / "prefs.txt", std::string("VornPath \".\"\n"));
    LoadXmlDefinitions(dir.path.c_str());
    ASSERT_EQ(XmlDefinitionCount(), 1u);
    EXPECT_NE(std::string(XmlDefinitionAt(0)->Path()).find("a.xml"), std::string::npos);
    EXPECT_EQ(XmlDefinitionAt(1), nullptr);
    CollectStructEditDefinitions();
    const TiXmlElement* edit = FindStructEditDefinition("unit");
    ASSERT_NE(edit, nullptr);
    EXPECT_STREQ(edit->Attribute("caption"), "Unit");
    EXPECT_EQ(FindStructEditDefinition("UNIT"), nullptr);
    EXPECT_EQ(FindStructEditDefinition(nullptr), nullptr);
    StructDefList list;
    for (u32 i = 0; i < XmlDefinitionCount(); ++i) list.LoadRoot(XmlDefinitionAt(i)->Element(), XmlDefinitionAt(i)->Path());
    EXPECT_EQ(list.Count(), 1u);

    LoadXmlDefinitions((dir.path + "/missing").c_str());  // a reload starts over
    EXPECT_EQ(XmlDefinitionCount(), 0u);
    CollectStructEditDefinitions();
    EXPECT_EQ(FindStructEditDefinition("unit"), nullptr);
}
