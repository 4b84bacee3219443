#include "CodexFixture.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace {

const u32 kScen = FourCC("scen");
const u32 kText = FourCC("text");
const u32 kQuik = FourCC("quik");

class LocalFolderTest : public CodexTest {
protected:
    // Writes a new tag through the two-step protocol.
    TagEntry* Save(u32 group, const char* name, const Bytes& data, u32 tag = kNoTagId)
    {
        TagHeader h;
        TagEntry* e = CreateTag(group, tag, name, &h, false);
        if (!e) return nullptr;
        FILE* f = BeginTagWrite(e, &h, nullptr);
        if (!f) return nullptr;
        bool ok = data.empty() || fwrite(data.data(), 1, data.size(), f) == data.size();
        return FinishTagWrite(e, &h, ok) ? e : nullptr;
    }
    size_t FilesIn(const std::string& folder)
    {
        if (!Exists(folder)) return 0;
        return size_t(std::distance(std::filesystem::directory_iterator(folder), {}));
    }
};

TEST_F(LocalFolderTest, SavingANewTagWritesItsFileInTheGroupFolder)
{
    ASSERT_TRUE(SetLocalFolder(Local().c_str()));
    TagEntry* e = Save(kScen, "Big Rock", Data("rockdata"));
    ASSERT_TRUE(e);
    EXPECT_EQ(Concat(TagHeaderBytes("Big Rock", kScen, FourCC("BiRo"), 64, 8), Data("rockdata")),
              ReadFile(Local() + "scenery/Big Rock"));
    EXPECT_TRUE(HasLocalCopy(e));
    EXPECT_EQ(e, FindTag(kScen, FourCC("BiRo")));
    EXPECT_TRUE(LocalTagFileExists(kScen, "Big Rock"));
    events.clear();
    PollLocalFolder(false);  // the write marked the folder dirty; the watch sees the file
    ASSERT_EQ(1u, events.size());
    EXPECT_EQ(kCodexNewLocalTag, events[0].event);
    EXPECT_EQ(e, events[0].entry);
    EXPECT_EQ(1u, FilesIn(Local() + "scenery"));
}

TEST_F(LocalFolderTest, AFailedSaveKeepsThePreviousFileAndLocalCopy)
{
    ASSERT_TRUE(SetLocalFolder(Local().c_str()));
    TagEntry* e = Save(kScen, "Wall", Data("good"));
    ASSERT_TRUE(e);
    const Bytes before = ReadFile(Local() + "scenery/Wall");
    TagHeader h;
    GetTagHeader(e, &h);
    FILE* f = BeginTagWrite(e, &h, nullptr);
    ASSERT_TRUE(f);
    fwrite("partial", 1, 7, f);
    EXPECT_FALSE(FinishTagWrite(e, &h, false));
    EXPECT_EQ(before, ReadFile(Local() + "scenery/Wall"));
    EXPECT_TRUE(HasLocalCopy(e));
    EXPECT_EQ(Data("good"), TagData(e));
    EXPECT_EQ(1u, FilesIn(Local() + "scenery"));  // no temporary file left
}

TEST_F(LocalFolderTest, ScanningIndexesOldHeadersPlaceholdersAndSkipsWrongGroupsAndDuplicates)
{
    WriteLocal("scenery", "Current", "Current", kScen, FourCC("cur "), Data("1"));
    WriteBytes(Local() + "scenery/Ancient", Concat(OldTagHeaderBytes("Ancient", kScen, FourCC("anc "), 64, 2, 3), Data("22")));
    WriteLocal("scenery", "X", "zaf made this!", kScen, FourCC("plac"), Data("3"));
    WriteLocal("scenery", "Stray", "Stray", kText, FourCC("stry"), Data("4"));
    WriteLocal("scenery", "Twin", "Twin", kScen, FourCC("cur "), Data("5"));
    WriteBytes(Local() + "scenery/notatag", Data("just some text that is long enough to be read as a header......"));
    ASSERT_TRUE(SetLocalFolder(Local().c_str()));

    ScopedDynArray<TagEntry*> locals;
    ListLocalTags(&locals);
    EXPECT_EQ(3u, locals.count);
    TagEntry* ancient = FindTag(kScen, FourCC("anc "));
    ASSERT_TRUE(ancient);
    TagHeader h;
    GetTagHeader(ancient, &h);
    EXPECT_EQ(64u, h.offset);
    EXPECT_EQ(2u, h.size);
    EXPECT_EQ(3, h.version);
    EXPECT_EQ(Data("22"), TagData(ancient));
    GetTagHeader(FindTag(kScen, FourCC("plac")), &h);
    EXPECT_STREQ("X", h.name);
    EXPECT_FALSE(FindTag(kText, FourCC("stry")));
    EXPECT_TRUE(Logged("'Stray', a 'Text' file, was found in the 'Scenery' folder."));
    // 'Current' comes before 'Twin' in name order and keeps the id.
    EXPECT_TRUE(Logged("duplicate tagids detected: in the 'Scenery' folder, 'Twin' and 'Current' have the same tagids."));
    EXPECT_EQ(Data("1"), TagData(FindTag(kScen, FourCC("cur "))));
}

// A named pipe or other special file in a group folder is never opened: a pipe without a
// writer would hold indexing forever.
TEST_F(LocalFolderTest, IndexingPassesOverPipesWithoutWaitingForThem)
{
    WriteLocal("scenery", "Rock", "Rock", kScen, FourCC("rock"), Data("1"));
    std::filesystem::create_directories(Local() + "text");
    ASSERT_EQ(0, mkfifo((Local() + "scenery/Pipe").c_str(), 0644));
    ASSERT_EQ(0, mkfifo((Local() + "text/Pipe").c_str(), 0644));
    ASSERT_TRUE(SetLocalFolder(Local().c_str()));
    ScopedDynArray<TagEntry*> locals;
    ListLocalTags(&locals);
    EXPECT_EQ(1u, locals.count);
    EXPECT_EQ(Data("1"), TagData(FindTag(kScen, FourCC("rock"))));
    // Found again by a later poll, after the snapshot was taken.
    ASSERT_EQ(0, mkfifo((Local() + "scenery/Later").c_str(), 0644));
    PollLocalFolder(true);
    EXPECT_TRUE(FindTag(kScen, FourCC("rock")));
}

TEST_F(LocalFolderTest, FilesWrittenByAnotherProgramAreNoticedAtTheNextPoll)
{
    Archive* a = OpenTestArchive(Tags() + "base", 3, 0, {{kScen, FourCC("held"), "Held", Data("archive")}});
    ActivateDefaultArchives();
    ASSERT_TRUE(SetLocalFolder(Local().c_str()));
    events.clear();
    WriteLocal("scenery", "Fresh", "Fresh", kScen, FourCC("frsh"), Data("new"));
    WriteLocal("scenery", "Held", "Held", kScen, FourCC("held"), Data("local"));
    PollLocalFolder(true);
    ASSERT_EQ(2u, events.size());
    EXPECT_EQ(kCodexNewLocalTag, events[0].event);  // 'Fresh' before 'Held'
    EXPECT_EQ(kCodexLocalCopyChanged, events[1].event);
    EXPECT_EQ(Data("local"), TagData(FindTag(kScen, FourCC("held"))));

    // Changed in place by another program.
    WriteLocal("scenery", "Held", "Held", kScen, FourCC("held"), Data("local 2"));
    events.clear();
    PollLocalFolder(true);
    ASSERT_EQ(1u, events.size());
    EXPECT_EQ(kCodexLocalCopyChanged, events[0].event);
    EXPECT_EQ(Data("local 2"), TagData(FindTag(kScen, FourCC("held"))));

    // Removed: the archive copy wins again (event 2); the other tag goes away (event 4).
    remove((Local() + "scenery/Held").c_str());
    remove((Local() + "scenery/Fresh").c_str());
    events.clear();
    PollLocalFolder(true);
    ASSERT_EQ(2u, events.size());
    EXPECT_EQ(kCodexLocalTagRemoved, events[0].event);
    EXPECT_EQ(kCodexLocalCopyChanged, events[1].event);
    EXPECT_EQ(Data("archive"), TagData(FindTag(kScen, FourCC("held"))));
    EXPECT_FALSE(FindTagEntry(kScen, FourCC("frsh")));
    EXPECT_TRUE(a);
}

TEST_F(LocalFolderTest, ALocalFileThatNowHoldsAnotherTagIsNotReadAsTheOldOneAndMovesAtThePoll)
{
    WriteLocal("text", "Note", "Note", kText, FourCC("old "), Data("old"));
    ASSERT_TRUE(SetLocalFolder(Local().c_str()));
    TagEntry* old = FindTag(kText, FourCC("old "));
    ASSERT_TRUE(old);
    // Another program puts a different tag under the same file name; no poll yet.
    WriteLocal("text", "Note", "Note", kText, FourCC("new "), Data("the new tag"));
    TagHeader h;
    EXPECT_FALSE(OpenTag(old, &h));
    ASSERT_TRUE(old->local_copy);
    EXPECT_EQ(FourCC("old "), old->local_copy->header.tag);
    EXPECT_TRUE(IsCodexDirty());

    PollLocalFolder(false);
    EXPECT_FALSE(FindTagEntry(kText, FourCC("old ")));
    TagEntry* moved = FindTag(kText, FourCC("new "));
    ASSERT_TRUE(moved);
    EXPECT_EQ(Data("the new tag"), TagData(moved));
}

TEST_F(LocalFolderTest, RemovingAnUnindexedDuplicateKeepsTheIndexedCopy)
{
    WriteLocal("scenery", "A", "A", kScen, FourCC("same"), Data("a"));
    WriteLocal("scenery", "B", "B", kScen, FourCC("same"), Data("b"));
    ASSERT_TRUE(SetLocalFolder(Local().c_str()));
    remove((Local() + "scenery/B").c_str());
    PollLocalFolder(true);
    EXPECT_EQ(Data("a"), TagData(FindTag(kScen, FourCC("same"))));
}

TEST_F(LocalFolderTest, DuplicatesGetCopyNamesNewIdsAndTheSourceUserAndVersion)
{
    WriteLocal("scenery", "Wall", "Wall", kScen, FourCC("Wall"), Data("bricks"), 0x100, 7);
    WriteLocal("scenery", "Empty", "Empty", kScen, FourCC("Empt"), {});
    ASSERT_TRUE(SetLocalFolder(Local().c_str()));
    TagEntry* wall = FindTag(kScen, FourCC("Wall"));
    TagEntry* one = DuplicateTag(wall, nullptr);
    ASSERT_TRUE(one);
    TagEntry* two = DuplicateTag(wall, nullptr);
    ASSERT_TRUE(two);
    TagHeader h;
    GetTagHeader(one, &h);
    EXPECT_STREQ("Wall copy", h.name);
    EXPECT_EQ(0x100u, h.user);
    EXPECT_EQ(7, h.version);
    EXPECT_NE(FourCC("Wall"), one->tag);
    GetTagHeader(two, &h);
    EXPECT_STREQ("Wall copy 1", h.name);
    EXPECT_EQ(Data("bricks"), ReadFile(Local() + "scenery/Wall copy 1").size() == 70 ? Data("bricks") : Bytes{});
    EXPECT_TRUE(Logged("failed because 'A file with the same name already exists'"));

    TagEntry* empty = DuplicateTag(FindTag(kScen, FourCC("Empt")), "Nothing");
    ASSERT_TRUE(empty);
    EXPECT_EQ(64u, ReadFile(Local() + "scenery/Nothing").size());
}

TEST_F(LocalFolderTest, CreateTagRefusesAnExistingIdUnlessOverwriting)
{
    ASSERT_TRUE(SetLocalFolder(Local().c_str()));
    ASSERT_TRUE(Save(kScen, "Tree", Data("t"), FourCC("tree")));
    TagHeader h;
    EXPECT_FALSE(CreateTag(kScen, FourCC("tree"), "Other", &h, false));
    EXPECT_TRUE(Logged("CreateTag(name='Other', tagid='tree', type='Scenery', allow_overwrite='False') failed "
                       "because 'A file with the same tagid already exists'."));
    TagEntry* again = CreateTag(kScen, FourCC("tree"), "Other", &h, true);
    ASSERT_TRUE(again);
    EXPECT_FALSE(Exists(Local() + "scenery/Tree"));
    // A tag in use cannot be overwritten.
    ASSERT_TRUE(Save(kScen, "Bush", Data("b"), FourCC("bush")));
    Attach(FindTag(kScen, FourCC("bush")));
    EXPECT_FALSE(CreateTag(kScen, FourCC("bush"), "Bush", &h, true));
    EXPECT_TRUE(Logged("'An existing file could not be overwritten'"));
}

TEST_F(LocalFolderTest, ExtractingAnArchiveCopyWritesTheLocalFileEvenWhenEmpty)
{
    OpenTestArchive(Tags() + "base", 3, 0,
                    {{kScen, FourCC("rock"), "Rock", Data("stone")}, {kScen, FourCC("none"), "None", {}}});
    ActivateDefaultArchives();
    ASSERT_TRUE(SetLocalFolder(Local().c_str()));
    TagEntry* rock = FindTag(kScen, FourCC("rock"));
    ASSERT_TRUE(ExtractTagToLocal(rock));
    EXPECT_TRUE(HasLocalCopy(rock));
    EXPECT_EQ(Concat(TagHeaderBytes("Rock", kScen, FourCC("rock"), 64, 5), Data("stone")),
              ReadFile(Local() + "scenery/Rock"));
    EXPECT_FALSE(ExtractTagToLocal(rock));  // already local
    TagEntry* none = FindTag(kScen, FourCC("none"));
    ASSERT_TRUE(ExtractTagToLocal(none));
    EXPECT_EQ(TagHeaderBytes("None", kScen, FourCC("none"), 64, 0), ReadFile(Local() + "scenery/None"));
}

// Archive headers carry names as their authors wrote them; the local file takes the cleaned
// name while its header keeps the name as it was.
TEST_F(LocalFolderTest, ANewLocalFileIsNamedAfterTheCleanedTagName)
{
    struct Case {
        u32 tag;
        const char* name;
        const char* file;
    } cases[] = {
        {FourCC("cln1"), "Colon: Dots..", "Colon_ Dots"},
        {FourCC("cln2"), "a\\b|c\"d<e>f*g?h/i", "a_b_c_d_e_f_g_h_i"},
        {FourCC("cln3"), "Trail. . ", "Trail"},
        {FourCC("cln4"), "Ends in sign?", "Ends in sign_"},
        {FourCC("cln5"), "...", "_"},
        {FourCC("cln6"), "Plain", "Plain"},
    };
    std::vector<TestTag> tags;
    for (const Case& c : cases) tags.push_back({kScen, c.tag, c.name, Data("d")});
    OpenTestArchive(Tags() + "base", 3, 0, tags);
    ActivateDefaultArchives();
    ASSERT_TRUE(SetLocalFolder(Local().c_str()));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TagEntry* e = FindTag(kScen, c.tag);
        ASSERT_TRUE(ExtractTagToLocal(e));
        EXPECT_EQ(Concat(TagHeaderBytes(c.name, kScen, c.tag, 64, 1), Data("d")), ReadFile(Local() + "scenery/" + c.file));
        ASSERT_TRUE(HasLocalCopy(e));
        EXPECT_EQ(c.file, std::string(e->local_copy->file_name.c_str()));
        EXPECT_TRUE(LocalTagFileExists(kScen, c.name));
    }
    EXPECT_EQ(std::size(cases), FilesIn(Local() + "scenery"));
    // The watch finds each file as the copy the write registered.
    PollLocalFolder(true);
    for (const Case& c : cases) {
        TagEntry* e = FindTag(kScen, c.tag);
        ASSERT_TRUE(HasLocalCopy(e)) << c.name;
        EXPECT_EQ(c.file, std::string(e->local_copy->file_name.c_str()));
    }
    EXPECT_FALSE(Logged("duplicate tagids"));
}

TEST_F(LocalFolderTest, ExtractingDoesNotReplaceTheFileOfAnotherTag)
{
    OpenTestArchive(Tags() + "base", 3, 0, {{kScen, FourCC("rock"), "Rock", Data("stone")}});
    ActivateDefaultArchives();
    WriteLocal("scenery", "Rock", "Rock", kScen, FourCC("othr"), Data("mine"));
    ASSERT_TRUE(SetLocalFolder(Local().c_str()));
    TagEntry* rock = FindTag(kScen, FourCC("rock"));
    ASSERT_TRUE(ExtractTagToLocal(rock));  // beside it, under a free name
    EXPECT_EQ("Rock 2", std::string(rock->local_copy->file_name.c_str()));
    EXPECT_EQ(Data("mine"), TagData(FindTag(kScen, FourCC("othr"))));
    EXPECT_EQ(Data("stone"), TagData(rock));
}

// Tags of different ids may share a name (two archives each bring a 'Grass'). Saving one
// whose name another tag's local file already holds writes its own file beside that one:
// the header, not the file name, names the tag. A writer that asks for a file name by
// itself is still refused another tag's file.
TEST_F(LocalFolderTest, SavingATagWhoseNameAnotherTagsFileHoldsWritesAFileBesideIt)
{
    OpenTestArchive(Tags() + "base", 3, 0,
                    {{kScen, FourCC("gra1"), "Grass", Data("first")}, {kScen, FourCC("gra2"), "Grass", Data("second")},
                     {kScen, FourCC("gra3"), "Grass", Data("third")}, {kScen, FourCC("gra4"), "Grass", Data("fourth")}});
    ActivateDefaultArchives();
    ASSERT_TRUE(SetLocalFolder(Local().c_str()));
    const char* const files[] = {"Grass", "Grass 2", "Grass 3"};
    const char* const data[] = {"FIRST", "SECOND", "THIRD"};
    const u32 ids[] = {FourCC("gra1"), FourCC("gra2"), FourCC("gra3")};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(files[i]);
        TagEntry* e = FindTag(kScen, ids[i]);
        TagHeader h;
        GetTagHeader(e, &h);
        FILE* f = BeginTagWrite(e, &h, nullptr);
        ASSERT_TRUE(f);
        fputs(data[i], f);
        ASSERT_TRUE(FinishTagWrite(e, &h, true));
        ASSERT_TRUE(HasLocalCopy(e));
        EXPECT_EQ(files[i], std::string(e->local_copy->file_name.c_str()));
        EXPECT_EQ(Concat(TagHeaderBytes("Grass", kScen, ids[i], 64, u32(strlen(data[i]))), Data(data[i])),
                  ReadFile(Local() + "scenery/" + files[i]));
    }
    // The watch indexes each file as the copy of its own tag; saving again keeps its file.
    PollLocalFolder(true);
    for (int i = 0; i < 3; ++i) {
        TagEntry* e = FindTag(kScen, ids[i]);
        ASSERT_TRUE(HasLocalCopy(e));
        EXPECT_EQ(files[i], std::string(e->local_copy->file_name.c_str()));
        EXPECT_EQ(Data(data[i]), TagData(e));
    }
    TagEntry* second = FindTag(kScen, ids[1]);
    TagHeader h;
    GetTagHeader(second, &h);
    ASSERT_TRUE(BeginTagWrite(second, &h, nullptr));
    ASSERT_TRUE(FinishTagWrite(second, &h, true));
    EXPECT_EQ(3u, FilesIn(Local() + "scenery"));
    EXPECT_FALSE(Logged("duplicate tagids"));

    TagEntry* fourth = FindTag(kScen, FourCC("gra4"));
    ASSERT_TRUE(fourth);
    GetTagHeader(fourth, &h);
    EXPECT_FALSE(BeginTagWrite(fourth, &h, "Grass"));
    EXPECT_EQ(Data("FIRST"), TagData(FindTag(kScen, ids[0])));
}

TEST_F(LocalFolderTest, RenamingNeverReplacesAnExistingFile)
{
    WriteLocal("scenery", "Wall", "Wall", kScen, FourCC("wall"), Data("w"));
    WriteLocal("scenery", "Gate", "Gate", kScen, FourCC("gate"), Data("g"));
    ASSERT_TRUE(SetLocalFolder(Local().c_str()));
    TagEntry* wall = FindTag(kScen, FourCC("wall"));
    EXPECT_FALSE(ChangeTagInfo(wall, kNoTagId, "Gate"));
    EXPECT_TRUE(Logged("ChangeTagInfo: rename("));
    EXPECT_EQ(Data("g"), TagData(FindTag(kScen, FourCC("gate"))));
    EXPECT_EQ(Data("w"), TagData(FindTag(kScen, FourCC("wall"))));

    TagEntry* renamed = ChangeTagInfo(wall, kNoTagId, "Big Wall");
    ASSERT_EQ(wall, renamed);
    EXPECT_FALSE(Exists(Local() + "scenery/Wall"));
    EXPECT_EQ(Concat(TagHeaderBytes("Big Wall", kScen, FourCC("wall"), 64, 1), Data("w")),
              ReadFile(Local() + "scenery/Big Wall"));
    TagHeader h;
    GetTagHeader(renamed, &h);
    EXPECT_STREQ("Big Wall", h.name);
    ScopedDynArray<TagEntry*> locals;
    ListLocalTags(&locals);
    EXPECT_EQ(2u, locals.count);
}

TEST_F(LocalFolderTest, ANewIdMovesTheTagAndMayNotTakeAnIndexedOne)
{
    OpenTestArchive(Tags() + "base", 3, 0, {{kScen, FourCC("arch"), "Arch", Data("a")}});  // inactive
    WriteLocal("scenery", "Wall", "Wall", kScen, FourCC("wall"), Data("w"));
    ASSERT_TRUE(SetLocalFolder(Local().c_str()));
    TagEntry* wall = FindTag(kScen, FourCC("wall"));
    EXPECT_FALSE(ChangeTagInfo(wall, FourCC("arch"), nullptr));
    EXPECT_EQ(Data("w"), TagData(FindTag(kScen, FourCC("wall"))));

    TagEntry* moved = ChangeTagInfo(wall, FourCC("wal2"), "Wall Two");
    ASSERT_TRUE(moved);
    EXPECT_EQ(FourCC("wal2"), moved->tag);
    EXPECT_FALSE(FindTag(kScen, FourCC("wall")));
    EXPECT_EQ(Data("w"), TagData(moved));
    ScopedDynArray<TagEntry*> locals;
    ListLocalTags(&locals);
    EXPECT_EQ(1u, locals.count);
}

TEST_F(LocalFolderTest, ChangingATagWithoutLocalCopyWorksOnADuplicate)
{
    OpenTestArchive(Tags() + "base", 3, 0, {{kScen, FourCC("arch"), "Arch", Data("a")}});
    ActivateDefaultArchives();
    ASSERT_TRUE(SetLocalFolder(Local().c_str()));
    TagEntry* changed = ChangeTagInfo(FindTag(kScen, FourCC("arch")), kNoTagId, "Renamed Arch");
    ASSERT_TRUE(changed);
    EXPECT_NE(FourCC("arch"), changed->tag);
    EXPECT_TRUE(Exists(Local() + "scenery/Renamed Arch"));
    EXPECT_FALSE(HasLocalCopy(FindTag(kScen, FourCC("arch"))));
}

// Renaming a tag that only an archive holds writes exactly one local file, under the new name,
// or nothing at all when the change is refused.
TEST_F(LocalFolderTest, ChangingAnArchiveOnlyTagWritesOneFileUnderTheNewNameOrNothing)
{
    OpenTestArchive(Tags() + "base", 3, 0,
                    {{kScen, FourCC("clif"), "Cliffs", Data("rocky")},
                     {kScen, FourCC("blff"), "Bluff", Data("steep")},
                     {kScen, FourCC("ridg"), "Ridge", Data("r")}});
    ActivateDefaultArchives();
    WriteLocal("scenery", "Gate", "Gate", kScen, FourCC("gate"), Data("g"));
    ASSERT_TRUE(SetLocalFolder(Local().c_str()));
    auto localFiles = [this] {
        std::vector<std::string> out;
        for (auto& f : std::filesystem::recursive_directory_iterator(Local()))
            if (f.is_regular_file()) out.push_back(f.path().string().substr(Local().size()));
        std::sort(out.begin(), out.end());
        return out;
    };
    TagEntry* cliffs = FindTag(kScen, FourCC("clif"));
    TagEntry* bluff = FindTag(kScen, FourCC("blff"));
    ASSERT_TRUE(cliffs && bluff);

    // Refusals: the name of another tag's file, an id another tag holds.
    struct Refusal {
        const char* what;
        u32 id;
        const char* name;
    } refusals[] = {
        {"name of another local file", FourCC("clif"), "Gate"},
        {"id of a local tag", FourCC("gate"), "Crags"},
        {"id of an archive-only tag", FourCC("ridg"), "Crags"},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.what);
        EXPECT_FALSE(ChangeTagInfo(cliffs, r.id, r.name));
        EXPECT_EQ(std::vector<std::string>{"scenery/Gate"}, localFiles());
        EXPECT_FALSE(HasLocalCopy(cliffs));
        EXPECT_EQ(Data("g"), TagData(FindTag(kScen, FourCC("gate"))));
    }

    // Its own id (what the info window passes when only the name changed): the archived tag
    // gets a local copy under the new name.
    EXPECT_EQ(cliffs, ChangeTagInfo(cliffs, FourCC("clif"), "Crags"));
    EXPECT_EQ(Concat(TagHeaderBytes("Crags", kScen, FourCC("clif"), 64, 5), Data("rocky")),
              ReadFile(Local() + "scenery/Crags"));
    EXPECT_EQ((std::vector<std::string>{"scenery/Crags", "scenery/Gate"}), localFiles());
    TagHeader h;
    GetTagHeader(cliffs, &h);
    EXPECT_STREQ("Crags", h.name);
    EXPECT_TRUE(HasLocalCopy(cliffs));

    // A new id: a new tag under the new name and id; the archived one stays as it was.
    TagEntry* moved = ChangeTagInfo(bluff, FourCC("blf2"), "High Bluff");
    ASSERT_TRUE(moved);
    EXPECT_EQ(FourCC("blf2"), moved->tag);
    EXPECT_EQ(Concat(TagHeaderBytes("High Bluff", kScen, FourCC("blf2"), 64, 5), Data("steep")),
              ReadFile(Local() + "scenery/High Bluff"));
    EXPECT_EQ((std::vector<std::string>{"scenery/Crags", "scenery/Gate", "scenery/High Bluff"}), localFiles());
    EXPECT_FALSE(HasLocalCopy(bluff));
    GetTagHeader(bluff, &h);
    EXPECT_STREQ("Bluff", h.name);
}

TEST_F(LocalFolderTest, DeletingIsRefusedInUseAndOtherwiseRemovesFileAndCopy)
{
    ASSERT_TRUE(SetLocalFolder(Local().c_str()));
    TagEntry* e = Save(kScen, "Gone", Data("g"));
    ASSERT_TRUE(e);
    AttachToTag(e, kAttachEditor, this);
    EXPECT_FALSE(DeleteLocalTag(e));
    EXPECT_TRUE(Exists(Local() + "scenery/Gone"));
    DetachFromTag(e, kAttachEditor, this);
    events.clear();
    EXPECT_TRUE(DeleteLocalTag(e));  // never polled since the save
    EXPECT_FALSE(Exists(Local() + "scenery/Gone"));
    EXPECT_FALSE(FindTagEntry(kScen, FourCC("Gone")));
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(kCodexLocalTagRemoved, events[0].event);
}

TEST_F(LocalFolderTest, GroupFoldersResolveCaseInsensitivelyAndNestedNamesMakeParents)
{
    WriteLocal("Scenery", "Old", "Old", kScen, FourCC("old "), Data("o"));
    ASSERT_TRUE(SetLocalFolder(Local().c_str()));
    EXPECT_TRUE(FindTag(kScen, FourCC("old ")));
    ASSERT_TRUE(Save(kScen, "New", Data("n")));
    EXPECT_TRUE(Exists(Local() + "Scenery/New"));
    EXPECT_FALSE(Exists(Local() + "scenery"));
    EXPECT_STREQ((Local() + "Scenery").c_str(), GetGroupFolderPath(Local().c_str(), kScen).c_str());

    TagEntry* song = Save(kQuik, "Song", Data("mp3"));
    ASSERT_TRUE(song);
    EXPECT_TRUE(Exists(Local() + "quicktime/mp3/Song"));
    events.clear();
    PollLocalFolder(true);
    // Both saves are seen, the nested folder's too.
    ASSERT_EQ(2u, events.size());
    EXPECT_EQ(song, events[1].entry);
}

TEST_F(LocalFolderTest, TemporaryFilesOfAWriteInProgressAreIgnored)
{
    ASSERT_TRUE(SetLocalFolder(Local().c_str()));
    TagHeader h;
    TagEntry* e = CreateTag(kScen, kNoTagId, "Slow", &h, false);
    FILE* f = BeginTagWrite(e, &h, nullptr);
    ASSERT_TRUE(f);
    fwrite("abc", 1, 3, f);
    fflush(f);
    events.clear();
    PollLocalFolder(true);
    EXPECT_TRUE(events.empty());
    EXPECT_FALSE(HasLocalCopy(e));
    EXPECT_TRUE(FinishTagWrite(e, &h, true));
    EXPECT_EQ(Data("abc"), TagData(e));
}

// A save killed partway leaves its temporary file; the next indexing removes such files, and
// nothing else: not a write still going on, not a file that only looks similar.
TEST_F(LocalFolderTest, IndexingRemovesStaleTemporaryFilesOfUnfinishedWritesOnly)
{
    WriteLocal("scenery", "Kept", "Kept", kScen, FourCC("kept"), Data("k"));
    const Bytes partial = Concat(TagHeaderBytes("Lost", kScen, FourCC("lost"), 64, 0), Data("half"));
    const std::vector<std::string> stale = {"scenery/~tavik-write-a1B2c3", "quicktime/mp3/~tavik-write-ZZZZZZ"};
    const std::vector<std::string> others = {"scenery/~tavik-write-notes.txt", "scenery/~tavik-write-",
                                             "scenery/tavik-write-abcdef", "scenery/x~tavik-write-abcdef"};
    for (const std::string& f : stale) WriteBytes(Local() + f, partial);
    for (const std::string& f : others) WriteBytes(Local() + f, partial);
    std::filesystem::create_directories(Local() + "text/~tavik-write-folder");
    WriteBytes(root + "~tavik-write-abcdef", partial);  // outside the local folder

    ASSERT_TRUE(SetLocalFolder(Local().c_str()));
    for (const std::string& f : stale) EXPECT_FALSE(Exists(Local() + f)) << f;
    for (const std::string& f : others) EXPECT_EQ(partial, ReadFile(Local() + f)) << f;
    EXPECT_TRUE(std::filesystem::is_directory(Local() + "text/~tavik-write-folder"));
    EXPECT_TRUE(Exists(root + "~tavik-write-abcdef"));
    EXPECT_EQ(Data("k"), TagData(FindTag(kScen, FourCC("kept"))));

    // A write in progress keeps its temporary file through another indexing.
    TagHeader h;
    TagEntry* e = CreateTag(kScen, kNoTagId, "Slow", &h, false);
    FILE* f = BeginTagWrite(e, &h, nullptr);
    ASSERT_TRUE(f);
    fwrite("abc", 1, 3, f);
    fflush(f);
    ASSERT_TRUE(SetLocalFolder(Local().c_str()));
    EXPECT_TRUE(FinishTagWrite(e, &h, true));
    EXPECT_EQ(Data("abc"), TagData(e));
}

TEST_F(LocalFolderTest, ReadLocalTagHeaderTakesTheSizeFromTheFile)
{
    const Bytes bytes = Concat(TagHeaderBytes("T", kText, FourCC("tttt"), 999, 12345), Data("four"));
    FILE* f = StreamOf(bytes);
    TagHeader h;
    ASSERT_TRUE(ReadLocalTagHeader("T", f, nullptr, &h));
    EXPECT_EQ(4u, h.size);
    EXPECT_EQ(64u, h.offset);
    char data[4];
    EXPECT_EQ(4u, fread(data, 1, 4, f));
    fclose(f);
    FILE* shortFile = StreamOf(Bytes(bytes.begin(), bytes.begin() + 63));
    EXPECT_FALSE(ReadLocalTagHeader("T", shortFile, nullptr, &h));
    fclose(shortFile);
}

TEST_F(LocalFolderTest, ChangingTheFolderIsRefusedWhileALocalTagIsInUse)
{
    WriteLocal("text", "Open", "Open", kText, FourCC("open"), Data("1"));
    WriteLocal("text", "Closed", "Closed", kText, FourCC("clsd"), Data("2"));
    ASSERT_TRUE(SetLocalFolder(Local().c_str()));
    Attach(FindTag(kText, FourCC("open")));
    EXPECT_FALSE(SetLocalFolder((root + "elsewhere").c_str()));
    EXPECT_TRUE(FindTag(kText, FourCC("clsd")));
    EXPECT_STREQ(Local().c_str(), GetLocalFolder());
}

TEST_F(LocalFolderTest, AListenerMayAskForAPollOrAnotherFolderDuringAPoll)
{
    ASSERT_TRUE(SetLocalFolder(Local().c_str()));
    static std::string other;
    static int refused;
    other = root + "other";
    refused = 0;
    auto nested = [](void*, Archive*, TagEntry*, u32) {
        PollLocalFolder(true);
        if (!SetLocalFolder(other.c_str())) ++refused;
    };
    SetCodexListener(nested, nullptr, true);
    WriteLocal("text", "One", "One", kText, FourCC("one "), Data("1"));
    WriteLocal("text", "Two", "Two", kText, FourCC("two "), Data("2"));
    PollLocalFolder(true);
    SetCodexListener(nested, nullptr, false);
    EXPECT_EQ(2, refused);
    EXPECT_TRUE(FindTag(kText, FourCC("one ")));
    EXPECT_TRUE(FindTag(kText, FourCC("two ")));
    EXPECT_STREQ(Local().c_str(), GetLocalFolder());
}

TEST_F(LocalFolderTest, ChangingTheFolderTellsListenersOfEveryDroppedLocalCopy)
{
    OpenTestArchive(Tags() + "base", 3, 0, {{kText, FourCC("held"), "Held", Data("archive")}});
    ActivateDefaultArchives();
    WriteLocal("text", "Only", "Only", kText, FourCC("only"), Data("1"));
    WriteLocal("text", "Held", "Held", kText, FourCC("held"), Data("2"));
    ASSERT_TRUE(SetLocalFolder(Local().c_str()));
    TagEntry* only = FindTag(kText, FourCC("only"));
    TagEntry* held = FindTag(kText, FourCC("held"));
    ASSERT_TRUE(only && held);
    events.clear();
    ASSERT_TRUE(SetLocalFolder((root + "elsewhere").c_str()));
    // A listener that keeps entries (the browser) hears of each before it could go away.
    std::vector<std::pair<u32, TagEntry*>> heard;
    for (const CodexEventRecord& r : events) heard.push_back({r.event, r.entry});
    EXPECT_EQ(2u, heard.size());
    EXPECT_NE(heard.end(), std::find(heard.begin(), heard.end(), std::make_pair(u32(kCodexLocalTagRemoved), only)));
    EXPECT_NE(heard.end(), std::find(heard.begin(), heard.end(), std::make_pair(u32(kCodexLocalCopyChanged), held)));
    EXPECT_FALSE(FindTagEntry(kText, FourCC("only")));
    EXPECT_EQ(Data("archive"), TagData(FindTag(kText, FourCC("held"))));
}

}  // namespace
