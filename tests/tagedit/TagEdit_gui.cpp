// The editor framework through the fake backend: opening the winning copy, the modified mark,
// saving with Ctrl+S into the local folder, the closing and quit questions, failed loads and
// saves, new tags and the group combo box. Runs headless.
#include "TagEditSupport.h"

#include "tagedit/CodexGroupBox.h"

using namespace tetest;

namespace {

constexpr u32 kText = FourCC("text");

// An editor of raw bytes. writeMode: 0 writes the bytes, 1 writes half of them and then
// reports a failed write, 2 does not override WriteTagData at all (the base answers).
class BytesEdit : public TagEdit {
public:
    // Focusable: it has no child to take the keys.
    explicit BytesEdit(TagEntry* e) noexcept : TagEdit(e) { AddFlags(WF_FOCUSABLE); }
    int ReadTagData(FILE* f, TagHeader* h) override
    {
        bytes.assign(h->size, 0);
        return h->size == 0 || fread(bytes.data(), 1, h->size, f) == h->size;
    }
    int WriteTagData(FILE* f, TagHeader* h) override
    {
        if (writeMode == 2) return TagEdit::WriteTagData(f, h);
        size_t n = writeMode == 1 ? bytes.size() / 2 : bytes.size();
        if (n && fwrite(bytes.data(), 1, n, f) != n) return 0;
        return writeMode == 0;
    }
    void Edit(const std::string& s)
    {
        bytes.assign(s.begin(), s.end());
        SetModified(1);
    }
    Bytes bytes;
    int writeMode = 0;
};

TagEdit* MakeBytesEdit(TagEntry* e) { return new BytesEdit(e); }
TagEdit* MakeNothing(TagEntry*) { return nullptr; }

BytesEdit* Open(TagEntry* e) { return static_cast<BytesEdit*>(OpenTagEditor(e)); }

class TagEditTest : public TagEditFixture {
protected:
    void SetUp() override
    {
        TagEditFixture::SetUp();
        Register(kText, MakeBytesEdit);
    }
    std::string TextFile(const std::string& name) { return Local() + "text/" + name; }
    // The open editor windows of the normal layer.
    u32 OpenEditors()
    {
        u32 n = 0;
        for (Window* w = Layer0()->GetFirstChild(); w; w = w->GetNextSibling())
            if (!strcmp(w->GetClassName(), "TagEdit") && w->GetState() != WS_CLOSED) ++n;
        return n;
    }
};

}  // namespace

TEST_F(TagEditTest, TheWinningCopyOpensAndCtrlSWritesItAsTheLocalCopy)
{
    struct Case {
        const char* what;
        bool local;
    } cases[] = {{"archive copy", false}, {"local copy", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.local) WriteLocalTag("text", "Greeting", "Greeting", kText, FourCC("grtg"), Data("hello"), 0x55, 7);
        else AddArchive({{kText, FourCC("grtg"), "Greeting", Data("hello")}});
        StartDatabase();
        TagEntry* e = FindTag(kText, FourCC("grtg"));
        ASSERT_NE(e, nullptr);

        BytesEdit* ed = Open(e);
        ASSERT_NE(ed, nullptr);
        EXPECT_EQ(Str(ed->bytes), "hello");
        EXPECT_STREQ(ed->GetTitle(), "Greeting");
        EXPECT_FALSE(ed->IsModified());
        EXPECT_TRUE(ed->IsVisible());
        EXPECT_EQ(FindTagAttachment(e, kAttachEditor), ed);
        EXPECT_EQ(Layer0()->GetFirstChild(), ed);

        ed->Edit("good bye");
        EXPECT_STREQ(ed->GetTitle(), "Greeting*");
        CtrlS();
        EXPECT_STREQ(ed->GetTitle(), "Greeting");
        EXPECT_FALSE(ed->IsModified());

        Bytes file = ReadFile(TextFile("Greeting"));
        u32 user = c.local ? 0x55 : 0, version = c.local ? 7 : 1;
        EXPECT_EQ(file, Concat(TagHeaderBytes("Greeting", kText, FourCC("grtg"), 64, 8, user, version), Data("good bye")));
        ASSERT_TRUE(HasLocalCopy(e));
        EXPECT_EQ(GetTagInstance(e), e->local_copy);
        EXPECT_TRUE(Seen().empty());
        TearDown();
        SetUp();
    }
}

TEST_F(TagEditTest, OpeningAnOpenTagRaisesTheFirstEditor)
{
    AddArchive({{kText, FourCC("aaaa"), "A", Data("a")}, {kText, FourCC("bbbb"), "B", Data("b")}});
    StartDatabase();
    TagEdit* a = OpenTagEditor(FindTag(kText, FourCC("aaaa")));
    TagEdit* b = OpenTagEditor(FindTag(kText, FourCC("bbbb")));
    ASSERT_TRUE(a && b);
    EXPECT_EQ(Layer0()->GetFirstChild(), b);
    EXPECT_EQ(OpenTagEditor(FindTag(kText, FourCC("aaaa"))), a);
    EXPECT_EQ(Layer0()->GetFirstChild(), a);
    EXPECT_EQ(OpenEditors(), 2u);
}

TEST_F(TagEditTest, ClosingWithChangesAsksAndSaveDiscardOrCancelDecide)
{
    struct Case {
        const char* what;
        int button;
        bool closed;
        const char* onDisk;
    } cases[] = {
        {"Save", 0, true, "changed"},
        {"Discard", 1, true, "old"},
        {"Cancel", 2, false, "old"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteLocalTag("text", "Note", "Note", kText, FourCC("note"), Data("old"));
        StartDatabase();
        TagEntry* e = FindTag(kText, FourCC("note"));
        BytesEdit* ed = Open(e);
        ASSERT_NE(ed, nullptr);
        ed->Edit("changed");
        Answer(c.button);
        EXPECT_EQ(ed->TryClose(1), c.closed ? 1 : 0);
        ASSERT_EQ(Seen().size(), 1u);
        EXPECT_EQ(Seen()[0].title, "Save?");
        EXPECT_EQ(Seen()[0].text, "Do you wish to save your changes to 'Note'?");
        EXPECT_EQ(Seen()[0].labels, (std::vector<std::string>{"Save", "Discard", "Cancel"}));
        Settle();
        EXPECT_EQ(OpenEditors(), c.closed ? 0u : 1u);
        if (!c.closed) {
            EXPECT_TRUE(ed->IsModified());
            EXPECT_STREQ(ed->GetTitle(), "Note*");
        }
        EXPECT_EQ(FindTagAttachment(FindTag(kText, FourCC("note")), kAttachEditor), c.closed ? nullptr : ed);
        Bytes data = ReadFile(TextFile("Note"));
        EXPECT_EQ(Str(Bytes(data.begin() + 64, data.end())), c.onDisk);
        TearDown();
        SetUp();
    }
}

TEST_F(TagEditTest, AQuitAsksTheModifiedEditorAndCancelStopsIt)
{
    WindowSystem::SetCanQuitHook([] { return WindowSystem::CloseAllTopLevelWindows(); });
    AddArchive({{kText, FourCC("note"), "Note", Data("x")}});
    StartDatabase();
    BytesEdit* ed = Open(FindTag(kText, FourCC("note")));
    ASSERT_NE(ed, nullptr);
    ed->Edit("y");
    Answer(2);
    FakeOsCloseRequest();
    Run();
    RunSteps(3);
    ASSERT_EQ(Seen().size(), 1u);
    EXPECT_EQ(Seen()[0].title, "Save?");
    EXPECT_TRUE(WindowSystem::IsRunning());
    EXPECT_EQ(OpenEditors(), 1u);
    EXPECT_TRUE(ed->IsModified());
    EXPECT_FALSE(Exists(TextFile("Note"))) << "a cancelled quit saves nothing";

    Answer(1);
    FakeOsCloseRequest();
    Run();
    RunSteps(3);
    EXPECT_FALSE(WindowSystem::IsRunning());
    WindowSystem::SetCanQuitHook(nullptr);
}

TEST_F(TagEditTest, AFailedSaveReportsStaysModifiedAndLeavesTheEarlierFile)
{
    struct Case {
        const char* what;
        int writeMode;
    } cases[] = {{"write error after some bytes", 1}, {"editor without WriteTagData", 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteLocalTag("text", "Keep", "Keep", kText, FourCC("keep"), Data("precious bytes"), 3, 2);
        StartDatabase();
        Bytes before = ReadFile(TextFile("Keep"));
        TagEntry* e = FindTag(kText, FourCC("keep"));
        TagInstance* copy = e->local_copy;
        BytesEdit* ed = Open(e);
        ASSERT_NE(ed, nullptr);
        ed->writeMode = c.writeMode;
        ed->Edit("replacement that must not land");
        Answer(0);
        CtrlS();
        ASSERT_EQ(Seen().size(), 1u);
        EXPECT_EQ(Seen()[0].title, "Error");
        EXPECT_EQ(Seen()[0].text, "The save operation could not be completed.");
        EXPECT_EQ(Seen()[0].labels, std::vector<std::string>{"OK"});
        EXPECT_TRUE(ed->IsModified());
        EXPECT_STREQ(ed->GetTitle(), "Keep*");
        EXPECT_EQ(ReadFile(TextFile("Keep")), before);
        EXPECT_EQ(e->local_copy, copy);
        PollLocalFolder(true);
        EXPECT_EQ(std::filesystem::directory_iterator(Local() + "text") != std::filesystem::directory_iterator(), true);
        u32 files = 0;
        for (auto& f : std::filesystem::directory_iterator(Local() + "text")) files += f.is_regular_file();
        EXPECT_EQ(files, 1u) << "no partial file left beside it";
        ed->SetModified(0);
        TearDown();
        SetUp();
    }
}

TEST_F(TagEditTest, ATagWhoseFileWentAfterIndexingReportsAndTheEditorCloses)
{
    WriteLocalTag("text", "Gone", "Gone", kText, FourCC("gone"), Data("soon gone"));
    StartDatabase();
    TagEntry* e = FindTag(kText, FourCC("gone"));
    ASSERT_NE(e, nullptr);
    std::filesystem::remove(TextFile("Gone"));
    Answer(0);
    EXPECT_EQ(OpenTagEditor(e), nullptr);
    ASSERT_EQ(Seen().size(), 1u);
    EXPECT_EQ(Seen()[0].title, "Error");
    EXPECT_EQ(Seen()[0].text, "The tag could not be loaded.");
    Settle();
    EXPECT_EQ(OpenEditors(), 0u);
    // The editor never attached, so closing it left the entry alone (still indexed until a poll).
    EXPECT_EQ(FindTagEntry(kText, FourCC("gone")), e);
    EXPECT_EQ(GetTagAttachmentCount(e), 0u);
}

TEST_F(TagEditTest, GroupsWithoutAFactoryOpenNothing)
{
    AddArchive({{FourCC("soun"), FourCC("boom"), "Boom", Data("b")}, {kText, FourCC("none"), "None", Data("n")}});
    StartDatabase();
    EXPECT_EQ(OpenTagEditor(FindTag(FourCC("soun"), FourCC("boom"))), nullptr);
    Register(kText, MakeNothing);
    EXPECT_EQ(OpenTagEditor(FindTag(kText, FourCC("none"))), nullptr);
    EXPECT_EQ(CallTagGroupHandler(nullptr), nullptr);
    EXPECT_EQ(NewTag(FourCC("zzzz"), "x"), nullptr);
    EXPECT_TRUE(Seen().empty());
}

TEST_F(TagEditTest, NewTagDialogCreatesAModifiedEditorWhoseFileTheFirstSaveWrites)
{
    StartDatabase();
    Answer(0, "Fresh Words");
    TagEdit* made = NewTagDialog(kText);
    ASSERT_NE(made, nullptr);
    BytesEdit* ed = static_cast<BytesEdit*>(made);
    ASSERT_EQ(Seen().size(), 1u);
    EXPECT_EQ(Seen()[0].title, "Enter Name for Text");
    EXPECT_EQ(Seen()[0].labels, (std::vector<std::string>{"Create Text", "Cancel"}));
    EXPECT_STREQ(ed->GetTitle(), "Fresh Words*");
    EXPECT_TRUE(ed->IsVisible());
    EXPECT_EQ(FindTagAttachment(ed->GetEntry(), kAttachEditor), ed);
    EXPECT_FALSE(Exists(TextFile("Fresh Words"))) << "nothing is written before the first save";

    ed->Edit("first");
    CtrlS();
    EXPECT_STREQ(ed->GetTitle(), "Fresh Words");
    Bytes file = ReadFile(TextFile("Fresh Words"));
    ASSERT_EQ(file.size(), 69u);
    EXPECT_EQ(Str(Bytes(file.begin() + 64, file.end())), "first");
    EXPECT_TRUE(HasLocalCopy(ed->GetEntry()));
}

TEST_F(TagEditTest, NewTagDialogRefusesAnEmptyNameAnExistingOneAndACancel)
{
    WriteLocalTag("text", "Taken", "Taken", kText, FourCC("take"), Data("t"));
    StartDatabase();

    Answer(0, "");
    Answer(0);
    EXPECT_EQ(NewTagDialog(kText), nullptr);
    ASSERT_EQ(Seen().size(), 2u);
    EXPECT_EQ(Seen()[1].title, "Not Created");
    EXPECT_EQ(Seen()[1].text, "You must specify a name.");

    Seen().clear();
    Answer(0, "Taken");
    Answer(0);
    EXPECT_EQ(NewTagDialog(kText), nullptr);
    ASSERT_EQ(Seen().size(), 2u);
    EXPECT_EQ(Seen()[1].title, "Error");
    EXPECT_EQ(Seen()[1].text, "The tag file 'Taken' could not be created; It may already exist.");
    Settle();
    EXPECT_EQ(OpenEditors(), 0u) << "the refused editor closed without ever attaching";

    Seen().clear();
    Answer(1, "Whatever");
    EXPECT_EQ(NewTagDialog(kText), nullptr);
    EXPECT_EQ(Seen().size(), 1u);
    EXPECT_EQ(FindTagEntry(kText, FourCC("what")), nullptr);
    EXPECT_EQ(NewTagDialog(FourCC("zzzz")), nullptr) << "a group outside the table asks nothing";
}

TEST_F(TagEditTest, CodexGroupBoxListsOnlyWinningCopiesSortedAndGroupMinusOneStaysEmpty)
{
    AddArchive({{kText, FourCC("zulu"), "Zulu", Data("z")},
                {kText, FourCC("alfa"), "alfa", Data("a")},
                {FourCC("scri"), FourCC("othr"), "Other group", Data("o")}});
    WriteLocalTag("text", "Mike", "Mike", kText, FourCC("mike"), Data("m"));
    StartDatabase();
    TagHeader unsaved;
    ASSERT_NE(CreateTag(kText, kNoTagId, "Beta unsaved", &unsaved, false), nullptr);

    CodexGroupBox* box = new CodexGroupBox(kText, nullptr, 0);
    std::vector<std::string> names;
    for (ListItem* i = box->list->GetFirstItem(); i; i = i->next) names.push_back(i->text);
    EXPECT_EQ(names, (std::vector<std::string>{"alfa", "Mike", "Zulu"}));
    EXPECT_EQ(box->GetSelectedTag(), nullptr);
    box->SelectItem(box->list->GetFirstItem());
    EXPECT_EQ(box->GetSelectedTag(), FindTag(kText, FourCC("alfa")));

    box->Populate(kNoTagId);
    EXPECT_EQ(box->list->GetFirstItem(), nullptr);
    EXPECT_EQ(box->GetSelectedTag(), nullptr);
    CodexGroupBox* none = new CodexGroupBox(kNoTagId, nullptr, 0);
    EXPECT_EQ(none->list->GetFirstItem(), nullptr);
}
