// Layout of the structure editor: the table maths (margins, caption offsets, alignment,
// stretch, ragged rows, common column widths), the tab order, and the sequence pickers'
// collection references. Runs headless through the fake backend.
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
#include "gui/ListWindow.h"
#include "tagedit/Table.h"
#include "tagedit/TagStructEdit.h"
#include "tagedit/XmlDefinitions.h"

using namespace tetest;

namespace {

Window* Box(s32 w, s32 h)
{
    Window* b = new Window(WF_VISIBLE, nullptr);
    b->SetSize(w, h);
    return b;
}

Point At(Window* w)
{
    Rect r = w->GetFrameInParent();
    return Point{r.left, r.top};
}

class LayoutTest : public TagEditFixture {
protected:
    void TearDown() override
    {
        for (Table* t : tables) t->Close();
        TagEditFixture::TearDown();
    }
    Table* Make(const char* caption, u32 stretch = 0, u32 align = 0)
    {
        Table* t = new Table(caption, stretch, align);
        if (tables.empty()) t->SetParent(WindowSystem::GetLayerRoot(0));
        tables.push_back(t);
        return t;
    }
    std::vector<Table*> tables;
};

}  // namespace

TEST_F(LayoutTest, CaptionDecidesMarginsAndWhereCellsStart)
{
    struct Case {
        const char* caption;
        Size content;
        Point first;
    };
    // Cells 30x20 and 50x10 in one row: columns 34 and 54, one row of 21.
    const Case cases[] = {
        {nullptr, {88, 21}, {0, 0}},
        {"", {88 + 48, 21 + 36}, {24, 16}},
        {"Caption", {88 + 48, 21 + 36 + 24}, {24, 40}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption ? c.caption : "(none)");
        Table* t = Make(c.caption);
        t->AddRow();
        Window* a = Box(30, 20);
        t->AddCell(a);
        t->AddCell(Box(50, 10));
        t->ComputeLayout();
        t->PlaceCells();
        EXPECT_EQ(t->GetContentSize().width, c.content.width);
        EXPECT_EQ(t->GetContentSize().height, c.content.height);
        EXPECT_EQ(At(a).x, c.first.x);
        EXPECT_EQ(At(a).y, c.first.y);
        EXPECT_EQ(t->HasCaption(), c.caption != nullptr);
    }
}

TEST_F(LayoutTest, AlignStretchAndRaggedRows)
{
    struct Case {
        u32 align;
        u32 stretch;
        s32 narrowX;      // the 10-wide cell under a 40-wide one
        s32 narrowWidth;  // its width after the layout
    };
    const Case cases[] = {{0, 0, 0, 10}, {1, 0, 34, 10}, {2, 0, 17, 10}, {0, 1, 0, 44}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.align * 10 + c.stretch);
        Table* t = Make(nullptr, c.stretch, c.align);
        t->AddRow();
        t->AddCell(Box(40, 10));
        t->AddCell(Box(20, 30));
        t->AddRow();
        Window* narrow = Box(10, 10);
        t->AddCell(narrow);  // the second row has one cell only
        t->ComputeLayout();
        t->PlaceCells();
        EXPECT_EQ(t->ColumnCount(), 2u);
        EXPECT_EQ(t->ColumnWidth(0), 44u);
        EXPECT_EQ(t->ColumnWidth(1), 24u);
        EXPECT_EQ(t->GetContentSize().height, 31 + 11);
        EXPECT_EQ(At(narrow).x, c.narrowX);
        EXPECT_EQ(At(narrow).y, 31);
        EXPECT_EQ(narrow->GetFrameSize().width, c.narrowWidth);
    }
}

class EditorLayoutTest : public TagEditFixture {
protected:
    void SetUp() override
    {
        TagEditFixture::SetUp();
        FreeXmlDefinitions();
    }
    void TearDown() override
    {
        if (editor) editor->Close();
        Settle();
        TagEditFixture::TearDown();
        EXPECT_EQ(CollectionCacheEntryCount(), 0u);
        ClearCollectionCache();
        StructDefinitions().Clear();
        FreeXmlDefinitions();
    }
    StructEditor* Build(const char* xml)
    {
        EXPECT_TRUE(LoadXmlDefinitionText(xml, "test.xml"));
        StructDefinitions().Clear();
        StructDefinitions().Load();
        CollectStructEditDefinitions();
        editor = new StructEditor(StructDefinitions().Find("rec"));
        editor->SetParent(WindowSystem::GetLayerRoot(0));
        return editor;
    }
    StructEditor* editor = nullptr;
};

TEST_F(EditorLayoutTest, TabOrderVisitsEveryControlOnceRowByRowIntoFrames)
{
    Build(R"(<tavikxmlfile><struct name="rec"><short name="a"/><short name="b"/><short name="c"/>
      <short name="d"/><short name="e" count="2"/></struct>
      <structedit struct="rec" layout="table" alignchildren="true">
        <row><item target="a"/><frame text="F" layout="horizontal"><item target="b"/>
          <frame><item target="c"/><label text="x"/></frame></frame><item target="d"/></row>
        <row><item target="e" index="1"/><item target="e" index="2"/><item target="nothing"/></row>
      </structedit></tavikxmlfile>)");
    ASSERT_TRUE(editor->BuildUI());
    std::vector<Window*> expected;
    for (const char* name : {"a", "b", "c", "d", "e"})
        for (u32 i = 0; i < editor->ListenerCount(); ++i)
            if (editor->ListenerAt(i)->member && editor->ListenerAt(i)->member->name == name &&
                editor->ListenerAt(i)->control)
                expected.push_back(editor->ListenerAt(i)->control);
    ASSERT_EQ(expected.size(), 5u);  // element 2 of a two-element member makes no control
    expected.push_back(editor->ok);
    expected.push_back(editor->cancel);
    // Every control is now a child of the top table, in the ring exactly once.
    Window* top = editor->GetFirstChild();
    std::vector<Window*> ring;
    Window* w = expected[0];
    do {
        ring.push_back(w);
        EXPECT_EQ(w->GetParent(), top);
        w = w->GetTabNext();
    } while (w && w != expected[0] && ring.size() < 20);
    EXPECT_EQ(ring, expected);
    // OK and Cancel sit at the bottom right of the table.
    const Size s = top->GetContentSize();
    EXPECT_EQ(At(editor->ok).x, s.width - 208);
    EXPECT_EQ(At(editor->cancel).x, s.width - 104);
    EXPECT_EQ(At(editor->ok).y, s.height - 32);
}

TEST_F(EditorLayoutTest, SubDialogButtonOpensItsTableAndItsCloseBoxOnlyHidesIt)
{
    Build(R"(<tavikxmlfile><struct name="rec"><short name="a"/></struct>
      <structedit struct="rec"><structedit caption="More"><item target="a"/></structedit>
      <structedit/></structedit></tavikxmlfile>)");
    ASSERT_TRUE(editor->BuildUI());
    ASSERT_EQ(editor->SubDialogCount(), 2u);
    Table* more = editor->SubDialogAt(0);
    EXPECT_STREQ(more->GetTitle(), "More");
    EXPECT_FALSE(more->GetFlags() & WF_VISIBLE);
    EXPECT_FALSE(more->CanClose(0));
}

// Two sequence pickers on one tag member, and one through a 'core' tag: a tag change then
// closing gives back every reference, and a collection another editor holds stays.
TEST_F(EditorLayoutTest, SequencePickersReleaseEachReferenceOnce)
{
    WriteLocalTag("collections", "One", "One", FourCC(".256"), 1, CollectionTagBytes({"Walk", "Attack"}));
    WriteLocalTag("collections", "Two", "Two", FourCC(".256"), 2, CollectionTagBytes({"Fly", "Die"}));
    ByteBuilder core;
    core.U32(2);
    for (int i = 0; i < 190; ++i) core.U16(0);
    WriteLocalTag("collection references", "Core", "Core", FourCC("core"), 77, core.bytes);
    StartDatabase();
    Build(R"(<tavikxmlfile><struct name="rec"><tag name="col" group=".256"/><tag name="core" group="core"/>
      <sequence_index name="s1"/><sequence_index name="s2"/><sequence_index name="s3"/></struct>
      <structedit struct="rec"><item target="col"/><item target="core"/><item target="s1" tag="col"/>
      <item target="s2" tag="col"/><item target="s3" tag="core"/></structedit></tavikxmlfile>)");
    u8* d = editor->GetData()->GetData();
    const u32 one = 1, coreId = 77;
    memcpy(d, &one, 4);
    memcpy(d + 4, &coreId, 4);
    d[8] = 1;  // s1 = 1 ("Attack")
    ASSERT_TRUE(editor->BuildUI());
    EXPECT_EQ(CollectionCacheReferences(1), 2);
    EXPECT_EQ(CollectionCacheReferences(2), 1);  // through the 'core' tag
    MemberChangeListener* s1 = nullptr;
    MemberChangeListener* colListener = nullptr;
    for (u32 i = 0; i < editor->ListenerCount(); ++i) {
        MemberChangeListener* l = editor->ListenerAt(i);
        if (l->member->name == "s1") s1 = l;
        if (l->member->name == "col") colListener = l;
    }
    ASSERT_TRUE(s1 && colListener);
    ComboBox* picker = static_cast<ComboBox*>(s1->control);
    EXPECT_EQ(picker->GetSelectedData(), 1u);

    // Another editor holds collection 2 as well.
    EXPECT_NE(AcquireCollection(2), nullptr);
    editor->OnTagChanged(colListener, 2);
    EXPECT_EQ(CollectionCacheReferences(1), 0);
    EXPECT_FALSE(IsCollectionCached(1));
    EXPECT_EQ(CollectionCacheReferences(2), 4);  // two pickers, the core picker, the other holder
    EXPECT_EQ(editor->ReadSigned(s1->member, 0), -1);
    EXPECT_EQ(picker->GetSelectedData(), 0xFFFFFFFFu);
    editor->Close();
    editor = nullptr;
    Settle();
    EXPECT_EQ(CollectionCacheReferences(2), 1);
    EXPECT_TRUE(ReleaseCollection(2));
}

// Arrays named by tags: rows for the elements whose tag exists, deletion moving the later
// elements down, and the buttons' states.
TEST_F(EditorLayoutTest, ArrayDeleteMovesLaterElementsDownAndButtonsFollowTheCounts)
{
    for (u32 id : {1u, 2u, 3u, 4u})
        WriteLocalTag("text", "T" + std::to_string(id), ("T" + std::to_string(id)).c_str(), FourCC("text"), id,
                      Data("x"));
    StartDatabase();
    Build(R"(<tavikxmlfile><struct name="el"><tag name="t" group="text"/></struct>
      <struct name="rec"><short name="n"/><substruct name="a" struct="el" count="4" runtime_count="n"/>
      <substruct name="fixed" struct="el" count="2"/></struct>
      <structedit struct="rec"><item target="a" text_target="t"/><item target="fixed" text_target="t"/></structedit>
      </tavikxmlfile>)");
    u8* d = editor->GetData()->GetData();
    const u16 four = 4;
    memcpy(d, &four, 2);
    for (u32 i = 0; i < 4; ++i) {
        const u32 id = i + 1;
        memcpy(d + 2 + 4 * i, &id, 4);
    }
    const u32 missing = 99, one = 1;
    memcpy(d + 18, &missing, 4);
    memcpy(d + 22, &one, 4);
    ASSERT_TRUE(editor->BuildUI());
    SubStructArrayEdit* arr = static_cast<SubStructArrayEdit*>(editor->ListenerAt(0)->control);
    SubStructArrayEdit* fixed = static_cast<SubStructArrayEdit*>(editor->ListenerAt(1)->control);
    EXPECT_EQ(arr->GetList()->GetItemCount(), 4u);
    EXPECT_TRUE(arr->GetAddButton()->GetFlags() & WF_VISIBLE);
    EXPECT_FALSE(arr->GetAddButton()->IsEnabled());  // full
    // Without a runtime count "Add" is hidden; a missing tag gives no row, so Duplicate is
    // offered on the two-element array, and then does nothing (it is full).
    EXPECT_FALSE(fixed->GetAddButton()->GetFlags() & WF_VISIBLE);
    EXPECT_EQ(fixed->GetList()->GetItemCount(), 1u);
    fixed->GetList()->SelectItem(fixed->GetList()->GetFirstItem(), 0);
    EXPECT_TRUE(fixed->GetDuplicateButton()->IsEnabled());
    const Bytes before(d, d + editor->GetData()->GetSize());
    fixed->OnDuplicate();
    EXPECT_EQ(Bytes(d, d + editor->GetData()->GetSize()), before);

    // Delete row 1 of 4: elements 2 and 3 move down, the count is 3, element 3 is zeroed.
    ListItem* second = arr->GetList()->GetFirstItem()->next;
    arr->GetList()->SelectItem(second, 0);
    arr->DeleteSelected();
    u16 n;
    memcpy(&n, d, 2);
    EXPECT_EQ(n, 3);
    u32 ids[4];
    memcpy(ids, d + 2, 16);
    EXPECT_EQ(ids[0], 1u);
    EXPECT_EQ(ids[1], 3u);
    EXPECT_EQ(ids[2], 4u);
    EXPECT_EQ(ids[3], 0u);
    EXPECT_EQ(arr->GetList()->GetItemCount(), 3u);
    EXPECT_TRUE(arr->GetAddButton()->IsEnabled());
}
