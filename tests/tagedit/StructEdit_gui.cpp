// The structure editor through the fake backend: a tag opened from its definition, edited
// through its controls and saved; nested editors and their Cancel; the "Save?" question after
// nested and array changes; sub-struct arrays; tab order; the collection cache's references.
// Runs headless.
#include <functional>

#include "StructDefSupport.h"
#include "TagEditSupport.h"
#include "collection/Collection.h"
#include "collection/Sequence.h"
#include "gui/ComboBox.h"
#include "tagedit/MemberChangeListener.h"
#include "tagedit/StructCollections.h"
#include "tagedit/StructData.h"
#include "tagedit/StructDef.h"
#include "tagedit/StructEditor.h"
#include "tagedit/SubStructArrayEdit.h"
#include "tagedit/Table.h"
#include "tagedit/TagStructEdit.h"
#include "tagedit/XmlDefinitions.h"
#include "tests/common/TestDirs.h"

using namespace tetest;

namespace {

// 'unit' records of this test: 2 + 2 + 1 + 2 + 4 + 4 + 2 + 16 = 33 bytes.
const char* kDefinitions = R"(<tavikxmlfile>
<struct name="point">
  <short name="x" lower_bound="base"/><short name="y"/><tag name="who" group="text"/>
</struct>
<struct name="bare"><byte name="b"/></struct>
<struct name="unit">
  <short name="base"/><short_world name="height"/><byte name="flags"/>
  <short_enum name="kind"><member text="Zero" value="0"/><member text="Two" value="2"/></short_enum>
  <tag name="text" group="text"/>
  <substruct name="one" struct="point"/>
  <short name="used"/>
  <substruct name="points" struct="point" count="2" runtime_count="used"/>
  <substruct name="plain" struct="bare"/>
</struct>
<structedit struct="point" caption="Point">
  <item target="x"/><item target="y"/><item target="base"/>
</structedit>
<structedit struct="unit" caption="Unit">
  <frame text="Values" layout="table">
    <row><label text="Base"/><item target="base"/><label text="Height"/><item target="height"/></row>
    <row><item target="flags" bit="1" text="Flying"/><item target="kind"/></row>
  </frame>
  <frame layout="horizontal">
    <item target="text"/><item target="one" text="One..."/><item target="plain" text="Plain..."/>
    <item target="padding_none"/><item target="height" index="1"/>
  </frame>
  <item target="points" text_target="who"/>
  <structedit caption="More"><item target="flags"/></structedit>
</structedit>
<struct name="proj">
  <long name="count"/><long_time name="delay"/><long_world name="reach"/><fixed name="speed"/>
  <fixed_fraction name="share"/><short_world name="lift" lower_bound="count"/>
</struct>
<structedit struct="proj" caption="Projectile">
  <item target="count"/><item target="delay"/><item target="reach"/><item target="speed"/>
  <item target="share"/><item target="lift"/>
</structedit>
</tavikxmlfile>)";

constexpr u32 kUnitSize = 2 + 2 + 1 + 2 + 4 + 8 + 2 + 16 + 1;

// Actions run, one a step, while a nested editor or sub-dialog is the top modal window.
std::deque<std::function<void()>>& ModalActions()
{
    static std::deque<std::function<void()>> a;
    return a;
}

int ScriptedStep()
{
    if (!ModalActions().empty()) {
        auto action = ModalActions().front();
        ModalActions().pop_front();
        action();
    }
    return AnsweringStep();
}

StructEditor* TopNestedEditor()
{
    Window* layer = WindowSystem::GetLayerRoot(1);
    StructEditor* found = nullptr;
    for (Window* w = layer ? layer->GetFirstChild() : nullptr; w; w = w->GetNextSibling())
        if (!strcmp(w->GetClassName(), "StructEditor") && w->GetState() != WS_CLOSED) found = static_cast<StructEditor*>(w);
    return found;
}

class StructEditTest : public TagEditFixture {
protected:
    void SetUp() override
    {
        TagEditFixture::SetUp();
        WindowSystem::SetStepHook(ScriptedStep);
        ModalActions().clear();
        FreeXmlDefinitions();
        ASSERT_TRUE(LoadXmlDefinitionText(kDefinitions, "test.xml"));
        RegisterStructEditors();
        registered.push_back(FourCC("unit"));
        registered.push_back(FourCC("proj"));
    }
    void TearDown() override
    {
        TagEditFixture::TearDown();
        EXPECT_EQ(CollectionCacheEntryCount(), 0u);
        ClearCollectionCache();
        StructDefinitions().Clear();
        FreeXmlDefinitions();
    }
    Bytes UnitBytes()
    {
        ByteBuilder b;
        b.U16(10).U16(1024).U8(2).U16(0xFFFF).U32(0xFFFFFFFF);  // base, height, flags, kind -1, no text
        b.U16(5).U16(6).U32(FourCC("Welc"));                   // one
        b.U16(3);                                               // used: more than the 2 declared
        b.U16(7).U16(8).U32(FourCC("Welc")).U16(9).U16(10).U32(FourCC("none"));
        b.U8(0x11);
        return b.bytes;
    }
    TagStructEdit* OpenUnit(const Bytes& data)
    {
        WriteLocalTag(Folder(FourCC("text")), "Welcome", "Welcome", FourCC("text"), FourCC("Welc"), Data("hi"));
        WriteLocalTag(Folder(FourCC("unit")), "Archer", "Archer", FourCC("unit"), FourCC("arch"), data);
        StartDatabase();
        TagEntry* e = FindTag(FourCC("unit"), FourCC("arch"));
        if (!e) return nullptr;
        return static_cast<TagStructEdit*>(OpenTagEditor(e));
    }
    static std::string Folder(u32 group)
    {
        std::string f = GetTagGroupName(group);
        for (char& c : f) c = char(tolower(c));
        return f;
    }
    static MemberChangeListener* ListenerFor(StructEditor* ed, const char* member, u32 index = 0)
    {
        for (u32 i = 0; i < ed->ListenerCount(); ++i) {
            MemberChangeListener* l = ed->ListenerAt(i);
            if (l->member && l->member->name == member && l->index == index) return l;
        }
        return nullptr;
    }
    static std::string Text(Window* w)
    {
        String s;
        static_cast<TextBox*>(w)->GetText(&s);
        return s.c_str();
    }
    Bytes SavedBytes(u32 group, const char* file) const
    {
        Bytes bytes = ReadFile(Local() + Folder(group) + "/" + file);
        return bytes.size() > 64 ? Bytes(bytes.begin() + 64, bytes.end()) : Bytes();
    }
    Bytes SavedData() const
    {
        Bytes file = ReadFile(Local() + Folder(FourCC("unit")) + "/Archer");
        return file.size() > 64 ? Bytes(file.begin() + 64, file.end()) : Bytes();
    }
};

}  // namespace

TEST_F(StructEditTest, ControlsShowTheRecordAndTypingStoresAndSavesOnlyThoseBytes)
{
    TagStructEdit* ed = OpenUnit(UnitBytes());
    ASSERT_NE(ed, nullptr);
    StructEditor* se = ed->GetEditor();
    EXPECT_EQ(Text(ListenerFor(se, "base")->control), "10");
    double shown = 0;
    EXPECT_TRUE(static_cast<TextBox*>(ListenerFor(se, "height")->control)->GetFloat(&shown));
    EXPECT_EQ(shown, 2.0);  // 1024 / 512
    EXPECT_TRUE(static_cast<CheckBox*>(ListenerFor(se, "flags")->control)->IsChecked());
    // A stored -1 that no item carries shows the item of value 0; no text tag shows "<no tag>".
    EXPECT_EQ(static_cast<ComboBox*>(ListenerFor(se, "kind")->control)->GetSelectedData(), 0u);
    EXPECT_EQ(static_cast<ComboBox*>(ListenerFor(se, "text")->control)->GetSelectedData(), 0xFFFFFFFFu);
    // An element the member does not have, and a member that does not exist, make no control.
    EXPECT_EQ(ListenerFor(se, "height", 1)->control, nullptr);
    EXPECT_FALSE(ed->IsModified());

    Window::SetFocus(ListenerFor(se, "height")->control, FOCUS_PROGRAM);
    static_cast<TextBox*>(ListenerFor(se, "height")->control)->SelectAll();
    Type("2.5");
    EXPECT_TRUE(ed->IsModified());
    CtrlS();
    Settle();
    EXPECT_FALSE(ed->IsModified());
    Bytes expected = UnitBytes();
    expected[2] = 0x05;  // 2.5 x 512 = 1280
    expected[3] = 0x00;
    EXPECT_EQ(SavedData(), expected);

    // A click on the bit box clears bit 1 of element 0 only.
    static_cast<CheckBox*>(ListenerFor(se, "flags")->control)->SetState(BUTTON_NORMAL, 0);
    EXPECT_EQ(se->GetData()->GetData()[4], 0);
}

TEST_F(StructEditTest, DataOfAnotherSizeDoesNotOpen)
{
    Bytes data = UnitBytes();
    data.pop_back();
    Answer(0);
    EXPECT_EQ(OpenUnit(data), nullptr);
    ASSERT_EQ(Seen().size(), 1u);
    EXPECT_EQ(Seen()[0].text, "The tag could not be loaded.");
}

TEST_F(StructEditTest, OkSavesAndCancelClosesWithoutAsking)
{
    TagStructEdit* ed = OpenUnit(UnitBytes());
    ASSERT_NE(ed, nullptr);
    ed->GetEditor()->ok->SetState(BUTTON_ON, 0);
    Settle();
    EXPECT_EQ(SavedData(), UnitBytes());  // OK always saves

    TagEntry* e = FindTag(FourCC("unit"), FourCC("arch"));
    ed = static_cast<TagStructEdit*>(OpenTagEditor(e));
    ASSERT_NE(ed, nullptr);
    Window::SetFocus(ListenerFor(ed->GetEditor(), "base")->control, FOCUS_PROGRAM);
    Type("9");
    EXPECT_TRUE(ed->IsModified());
    ed->GetEditor()->cancel->SetState(BUTTON_ON, 0);
    Settle();
    EXPECT_TRUE(Seen().empty());
    EXPECT_EQ(SavedData(), UnitBytes());
}

TEST_F(StructEditTest, NestedCancelRestoresEveryByteAndNestedOkMarksTheTagModified)
{
    TagStructEdit* ed = OpenUnit(UnitBytes());
    ASSERT_NE(ed, nullptr);
    StructEditor* se = ed->GetEditor();
    Button* one = static_cast<Button*>(ListenerFor(se, "one")->control);
    const Bytes before(se->GetData()->GetData(), se->GetData()->GetData() + kUnitSize);

    // Cancel after several edits, one of them to the enclosing record's "base".
    ModalActions().push_back([&] {
        StructEditor* nested = TopNestedEditor();
        ASSERT_NE(nested, nullptr);
        EXPECT_EQ(Text(ListenerFor(nested, "x")->control), "15");  // 5 + base 10
        static_cast<TextBox*>(ListenerFor(nested, "x")->control)->SetText("40");
        static_cast<TextBox*>(ListenerFor(nested, "y")->control)->SetText("-2");
        nested->cancel->SetState(BUTTON_ON, 0);
    });
    one->SetState(BUTTON_ON, 0);
    Settle();
    EXPECT_EQ(Bytes(se->GetData()->GetData(), se->GetData()->GetData() + kUnitSize), before);
    EXPECT_FALSE(ed->IsModified());

    ModalActions().push_back([&] {
        StructEditor* nested = TopNestedEditor();
        ASSERT_NE(nested, nullptr);
        static_cast<TextBox*>(ListenerFor(nested, "y")->control)->SetText("44");
        nested->ok->SetState(BUTTON_ON, 0);
    });
    one->SetState(BUTTON_ON, 0);
    Settle();
    EXPECT_EQ(se->GetData()->GetData()[13], 44);
    EXPECT_TRUE(ed->IsModified());
    // Closing asks; Cancel keeps the editor, Save writes the change.
    Answer(2);
    EXPECT_FALSE(ed->TryClose(0));
    Answer(0);
    ed->TryClose(0);
    Settle();
    ASSERT_EQ(Seen().size(), 2u);
    EXPECT_EQ(Seen()[0].title, "Save?");
    EXPECT_EQ(SavedData()[14], 44);  // big-endian on disk
}

TEST_F(StructEditTest, NestedEditorWithoutLayoutIsNotOpened)
{
    TagStructEdit* ed = OpenUnit(UnitBytes());
    ASSERT_NE(ed, nullptr);
    Button* plain = static_cast<Button*>(ListenerFor(ed->GetEditor(), "plain")->control);
    plain->SetState(BUTTON_ON, 0);  // would hang the test in a modal loop without a way out
    Settle();
    EXPECT_EQ(TopNestedEditor(), nullptr);
    EXPECT_FALSE(ed->IsModified());
}

TEST_F(StructEditTest, ArrayRowsAddDeleteAndCancelKeepInsideTheArrayAndMarkModified)
{
    TagStructEdit* ed = OpenUnit(UnitBytes());
    ASSERT_NE(ed, nullptr);
    StructEditor* se = ed->GetEditor();
    SubStructArrayEdit* arr = static_cast<SubStructArrayEdit*>(ListenerFor(se, "points")->control);
    ASSERT_STREQ(arr->GetClassName(), "SubStructArrayEdit");
    // "used" 3 is clamped to the 2 declared; the element naming no tag gets no row.
    EXPECT_EQ(arr->CountInUse(), 2u);
    EXPECT_EQ(arr->GetList()->GetItemCount(), 1u);
    EXPECT_FALSE(arr->GetAddButton()->IsEnabled());
    arr->AddElement(0);  // full: nothing happens, nothing outside the array is written
    EXPECT_EQ(se->GetData()->GetData()[kUnitSize - 1], 0x11);

    // Delete row 0: element 1 moves down, the count becomes 1 and element 1 is zeroed.
    arr->GetList()->SelectItem(arr->GetList()->GetFirstItem(), 0);
    arr->DeleteSelected();
    u8* p = se->GetData()->GetData() + 19;  // "used", then the two elements (memory order)
    EXPECT_EQ(p[0] | p[1] << 8, 1);
    EXPECT_EQ(p[2] | p[3] << 8, 9);
    EXPECT_EQ(std::vector<u8>(p + 10, p + 18), std::vector<u8>(8, 0));
    EXPECT_TRUE(ed->IsModified());
    EXPECT_TRUE(arr->GetAddButton()->IsEnabled());

    // Add, then Cancel in the new element's dialog: the count goes back.
    ModalActions().push_back([] { TopNestedEditor()->cancel->SetState(BUTTON_ON, 0); });
    arr->OnAdd();
    Settle();
    EXPECT_EQ(p[0] | p[1] << 8, 1);
    ed->SetModified(0);
}

// The shipped 'core' layout on a tag whose collection does not exist: "<no tag>" is shown and
// the stored id survives a save.
TEST_F(StructEditTest, CoreNamingNoCollectionKeepsItsIdOnSave)
{
    StructDefinitions().Clear();
    LoadXmlDefinitions((std::string(TestSourceDir()) + "/res").c_str());
    RegisterStructEditors();
    registered.push_back(FourCC("core"));
    ByteBuilder b;
    b.U32(FourCC("Gone"));
    for (int i = 0; i < 166; ++i) b.U16(1000 + i);
    for (int i = 0; i < 48; ++i) b.U8(0);
    WriteLocalTag(Folder(FourCC("core")), "Lost", "Lost", FourCC("core"), FourCC("lost"), b.bytes);
    StartDatabase();
    TagStructEdit* ed = static_cast<TagStructEdit*>(OpenTagEditor(FindTag(FourCC("core"), FourCC("lost"))));
    ASSERT_NE(ed, nullptr);
    EXPECT_EQ(static_cast<ComboBox*>(ListenerFor(ed->GetEditor(), "collection")->control)->GetSelectedData(),
              0xFFFFFFFFu);
    EXPECT_EQ(Text(ListenerFor(ed->GetEditor(), "values", 7)->control), "1007");
    ed->GetEditor()->ok->SetState(BUTTON_ON, 0);
    Settle();
    Bytes file = ReadFile(Local() + Folder(FourCC("core")) + "/Lost");
    ASSERT_EQ(file.size(), 64u + 384u);
    EXPECT_EQ(Bytes(file.begin() + 64, file.end()), b.bytes);
}

// 32-bit members and a lower bound carry values far past eight characters: each field shows
// the whole value, and text that is no value never replaces what is stored.
TEST_F(StructEditTest, NumberFieldsShowTheirTypesWholeRangeAndNeverStoreTextThatIsNoValue)
{
    ByteBuilder b;
    b.U32(600000000).U32(600000000).U32(0x80000000).U32(0x7FFFFFFF).U16(0xFFFF).U16(0);
    const Bytes data = b.bytes;
    WriteLocalTag(Folder(FourCC("proj")), "Bolt", "Bolt", FourCC("proj"), FourCC("bolt"), data);
    StartDatabase();
    TagStructEdit* ed = static_cast<TagStructEdit*>(OpenTagEditor(FindTag(FourCC("proj"), FourCC("bolt"))));
    ASSERT_NE(ed, nullptr);
    StructEditor* se = ed->GetEditor();
    auto record = [se] { return Bytes(se->GetData()->GetData(), se->GetData()->GetData() + 20); };
    const Bytes stored = record();
    struct Field {
        const char* member;
        const char* shown;
    } fields[] = {
        {"count", "600000000"}, {"delay", "20000000.0"}, {"reach", "-4194304.0"},
        {"speed", "32768.0"},   {"share", "1.0"},    {"lift", "1171875.0"},
    };
    for (const Field& f : fields) EXPECT_EQ(Text(ListenerFor(se, f.member)->control), f.shown) << f.member;
    EXPECT_FALSE(ed->IsModified());

    // Through every field and out again, and a field emptied or left at "-": nothing changes.
    Window* last = ListenerFor(se, "lift")->control;
    const char* visit = nullptr;
    for (const char* typed : {visit, "", "-", "."}) {
        for (const Field& f : fields) {
            SCOPED_TRACE(std::string(f.member) + " typed '" + (typed ? typed : "(nothing)") + "'");
            TextBox* box = static_cast<TextBox*>(ListenerFor(se, f.member)->control);
            Window::SetFocus(box, FOCUS_TAB);
            if (typed) {
                box->SelectAll();
                PressKey(LIBKEY_BACKSPACE);
                Type(typed);
            }
            Window::SetFocus(box == last ? ListenerFor(se, "count")->control : last, FOCUS_TAB);
            EXPECT_EQ(Text(box), f.shown);
            EXPECT_EQ(record(), stored);
            EXPECT_FALSE(ed->IsModified());
        }
    }

    // The longest value of a field can be typed and is stored.
    TextBox* reach = static_cast<TextBox*>(ListenerFor(se, "reach")->control);
    Window::SetFocus(reach, FOCUS_TAB);
    reach->SelectAll();
    Type("-4194303.998");
    EXPECT_EQ(Text(reach), "-4194303.998");
    EXPECT_EQ(se->ReadSigned(ListenerFor(se, "reach")->member, 0), -2147483647);
    EXPECT_TRUE(ed->IsModified());
    CtrlS();
    Bytes saved = data;
    saved[8] = 0x80;
    saved[11] = 0x01;
    EXPECT_EQ(SavedBytes(FourCC("proj"), "Bolt"), saved);
}
