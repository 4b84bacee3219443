// The tag info window through the fake backend: its rows, the refusals of Apply in their
// order, a rename and a re-id on disk, the stored name shown after a change, the closing
// question and the attachment that lasts as long as the window. Runs headless.
#include "TagEditSupport.h"

#include <map>

#include "tagedit/TagInfoWindow.h"

using namespace tetest;

namespace {

constexpr u32 kText = FourCC("text");

class TagInfoTest : public TagEditFixture {
protected:
    void SetUp() override
    {
        TagEditFixture::SetUp();
        WriteLocalTag("text", "Info Tag", "Info Tag", kText, FourCC("info"), Data("x"), 4, 3);
        WriteLocalTag("text", "Other", "Other", kText, FourCC("locl"), Data("o"));
        AddArchive({{kText, FourCC("arch"), "Archived", Data("a")}, {kText, FourCC("info"), "Info Tag", Data("old")}});
        StartDatabase();
        entry = FindTag(kText, FourCC("info"));
        ASSERT_NE(entry, nullptr);
        window = new TagInfoWindow(entry);
    }
    // Every file below the game folder with its bytes.
    std::map<std::string, Bytes> Disk()
    {
        std::map<std::string, Bytes> out;
        for (auto& f : std::filesystem::recursive_directory_iterator(root))
            if (f.is_regular_file()) out[f.path().string()] = ReadFile(f.path().string());
        return out;
    }
    void Fill(const char* name, const char* id)
    {
        window->GetNameBox()->SetText(name);
        window->GetSubgroupBox()->SetText(id);
    }
    static std::string Text(TextBox* box)
    {
        String s;
        box->GetText(&s);
        return s.c_str();
    }

    TagEntry* entry = nullptr;
    TagInfoWindow* window = nullptr;
};

}  // namespace

TEST_F(TagInfoTest, TheRowsShowTheTagAndTheWindowHoldsItsAttachment)
{
    EXPECT_STREQ(window->GetClassName(), "TagInfoWindow");
    EXPECT_STREQ(window->GetTitle(), "Tag Info: Info Tag");
    EXPECT_EQ(Text(window->GetNameBox()), "Info Tag");
    EXPECT_EQ(Text(window->GetSubgroupBox()), "info");
    std::vector<std::string> texts;
    for (Window* w = window->GetLastChild(); w; w = w->GetPrevSibling())
        texts.push_back(Text(static_cast<TextBox*>(w)));
    EXPECT_EQ(texts, (std::vector<std::string>{"Tag Name:", "Info Tag", "Tag Subgroup:", "info", "Tag Group:", "text",
                                               "Tag Size:", "1", "Tag Location:", "local folder"}));
    EXPECT_EQ(WindowSystem::GetFocus(), window->GetNameBox());
    EXPECT_EQ(FindTagAttachment(entry, kAttachInfo), window);
    EXPECT_EQ(OpenTagInfoWindow(entry), window) << "a second request raises the open window";

    window->GetSubgroupBox()->SetText("inf");
    EXPECT_STREQ(window->GetTitle(), "Tag Info: Info Tag*");
    window->GetSubgroupBox()->SetText("");
    EXPECT_STREQ(window->GetTitle(), "Tag Info: Info Tag") << "an empty box counts as unchanged";

    window->Close();
    EXPECT_EQ(GetTagAttachmentCount(entry), 0u) << "the attachment ends with the window";
}

TEST_F(TagInfoTest, ApplyRefusesInOrderAndLeavesTheFilesAsTheyWere)
{
    int editor = 0;
    struct Case {
        const char* what;
        bool inUse;
        const char* name;
        const char* id;
        const char* message;
    } cases[] = {
        {"an open editor", true, "", "ab", "Tag information for 'Info Tag' could not be updated because the tag is still in use."},
        {"three-character subgroup before the empty name", false, "", "abc",
         "The subgroup id must be exactly 4 characters long."},
        {"empty name", false, "", "abcd", "The name field must not be empty."},
        {"id of a local copy", false, "Fine", "locl",
         "A tag with the specified group and subgroup combination already exists in the local folder."},
        {"id held only by an archive copy", false, "Fine", "arch",
         "The tag information could not be changed because of an error."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::map<std::string, Bytes> before = Disk();
        if (c.inUse) AttachToTag(entry, kAttachEditor, &editor);
        Fill(c.name, c.id);
        Seen().clear();
        Answer(0);
        EXPECT_EQ(window->Apply(), 0);
        ASSERT_EQ(Seen().size(), 1u);
        EXPECT_EQ(Seen()[0].title, "Error");
        EXPECT_EQ(Seen()[0].text, c.message);
        EXPECT_EQ(Disk(), before);
        EXPECT_EQ(window->GetTag(), entry);
        if (c.inUse) DetachFromTag(entry, kAttachEditor, &editor);
    }
}

TEST_F(TagInfoTest, ARenameAndAReIdHappenOnDiskAndTheWindowFollowsTheTag)
{
    Fill("Renamed", "newi");
    EXPECT_STREQ(window->GetTitle(), "Tag Info: Renamed*");
    CtrlS();
    TagEntry* changed = FindTag(kText, FourCC("newi"));
    ASSERT_NE(changed, nullptr);
    EXPECT_EQ(window->GetTag(), changed);
    EXPECT_EQ(FindTagAttachment(changed, kAttachInfo), window);
    EXPECT_FALSE(Exists(Local() + "text/Info Tag"));
    EXPECT_EQ(ReadFile(Local() + "text/Renamed"),
              Concat(TagHeaderBytes("Renamed", kText, FourCC("newi"), 64, 1, 4, 3), Data("x")));
    EXPECT_STREQ(window->GetTitle(), "Tag Info: Renamed");
    // The archive copy of the old id wins again for it.
    TagEntry* old = FindTag(kText, FourCC("info"));
    ASSERT_NE(old, nullptr);
    EXPECT_FALSE(HasLocalCopy(old));
    EXPECT_EQ(GetTagAttachmentCount(old), 0u);
}

// The archive browser's Ctrl+I on a tag no local file holds: the subgroup box keeps its id.
TEST_F(TagInfoTest, RenamingAnArchiveOnlyTagWritesItsOneLocalFileUnderTheNewName)
{
    window->Close();
    TagEntry* archived = FindTag(kText, FourCC("arch"));
    ASSERT_NE(archived, nullptr);
    ASSERT_FALSE(HasLocalCopy(archived));
    std::map<std::string, Bytes> before = Disk();
    window = new TagInfoWindow(archived);
    Fill("Crags", "arch");
    Seen().clear();
    CtrlS();
    EXPECT_TRUE(Seen().empty()) << (Seen().empty() ? "" : Seen()[0].text);
    EXPECT_EQ(window->GetTag(), archived);
    EXPECT_TRUE(HasLocalCopy(archived));
    EXPECT_STREQ(window->GetTitle(), "Tag Info: Crags");
    std::map<std::string, Bytes> after = Disk();
    before[Local() + "text/Crags"] = Concat(TagHeaderBytes("Crags", kText, FourCC("arch"), 64, 1), Data("a"));
    EXPECT_EQ(after, before) << "one new file, nothing else";
    std::vector<std::string> texts;
    for (Window* w = window->GetLastChild(); w; w = w->GetPrevSibling())
        texts.push_back(Text(static_cast<TextBox*>(w)));
    EXPECT_EQ(texts.back(), "local folder");

    // Another name again renames that one file.
    Fill("Crags Two", "arch");
    CtrlS();
    EXPECT_TRUE(Seen().empty());
    EXPECT_FALSE(Exists(Local() + "text/Crags"));
    EXPECT_TRUE(Exists(Local() + "text/Crags Two"));
    EXPECT_EQ(Disk().size(), before.size());
}

TEST_F(TagInfoTest, AfterApplyTheStoredNameIsShownAndClosingAsksNothing)
{
    Fill("A:b/cccccccccccccccccccccccccccx", "info");  // 32 characters, two not allowed
    EXPECT_EQ(window->Apply(), 1);
    EXPECT_EQ(Text(window->GetNameBox()), "A_b_ccccccccccccccccccccccccccc");
    EXPECT_STREQ(window->GetTitle(), "Tag Info: A_b_ccccccccccccccccccccccccccc");
    EXPECT_TRUE(Exists(Local() + "text/A_b_ccccccccccccccccccccccccccc"));
    EXPECT_EQ(window->TryClose(1), 1);
    EXPECT_TRUE(Seen().empty());
}

TEST_F(TagInfoTest, ClosingWithChangesAsksAndSaveDiscardOrCancelDecide)
{
    struct Case {
        const char* what;
        int button;
        int closes;
        const char* file;
    } cases[] = {{"Save", 0, 1, "Closing Name"}, {"Discard", 1, 1, "Info Tag"}, {"Cancel", 2, 0, "Info Tag"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fill("Closing Name", "info");
        Answer(c.button);
        EXPECT_EQ(window->TryClose(1), c.closes);
        ASSERT_EQ(Seen().size(), 1u);
        EXPECT_EQ(Seen()[0].title, "Save?");
        EXPECT_EQ(Seen()[0].text, "Do you wish to save your changes to the tag?");
        EXPECT_EQ(Seen()[0].labels, (std::vector<std::string>{"Save", "Discard", "Cancel"}));
        EXPECT_TRUE(Exists(Local() + "text/" + c.file));
        TagEntry* tag = FindTag(kText, FourCC("info"));
        EXPECT_EQ(GetTagAttachmentCount(tag), c.closes ? 0u : 1u);
        TearDown();
        SetUp();
    }
}
