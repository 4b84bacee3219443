#include "CodexFixture.h"

#include <algorithm>

#include <unistd.h>

namespace {

const u32 kMesh = FourCC("mesh");
const u32 kText = FourCC("text");
const u32 kSoun = FourCC("soun");

class ArchiveTest : public CodexTest {};

TEST_F(ArchiveTest, BuildingAnAddonWritesHeaderMeshRecordSortedDirectoryAndData)
{
    WriteLocal("text", "Zed", "Zed", kText, FourCC("Zed "), Data("zz"), 5, 3);
    WriteLocal("meshes", "Hill", "Hill", kMesh, FourCC("Hill"), Data("mesh!"));
    WriteLocal("text", "Alpha", "Alpha", kText, FourCC("Alph"), Data("abc"));
    ASSERT_TRUE(SetLocalFolder(Local().c_str()));
    ScopedDynArray<TagEntry*> tags;
    ListLocalTags(&tags);
    ASSERT_EQ(3u, tags.count);

    ASSERT_TRUE(BuildArchive(tags, 6, "My Addon", "http://example.org/addon", 100));

    // 'mesh' sorts before 'text'; within 'text' by name.
    ByteBuilder expected;
    expected.U16(6).U16(100).Text("My Addon", 32).Text("http://example.org/addon", 64).U16(1).U16(3);
    expected.U32(0).U32(0).U32(442).U32(0).U32(432).U32(FourCC("dng2"));
    expected.U32(FourCC("Hill")).Zeros(12).Text("Hill", 32).Text("Hill", 64);
    ASSERT_EQ(240u, expected.Size());
    expected.Bytes(TagHeaderBytes("Hill", kMesh, FourCC("Hill"), 432, 5));
    expected.Bytes(TagHeaderBytes("Alpha", kText, FourCC("Alph"), 437, 3));
    expected.Bytes(TagHeaderBytes("Zed", kText, FourCC("Zed "), 440, 2, 5, 3));
    expected.Bytes(Data("mesh!")).Bytes(Data("abc")).Bytes(Data("zz"));
    EXPECT_EQ(expected.bytes, ReadFile(Plugins() + "My Addon"));

    // The new archive is indexed but not active.
    Archive* built = FindArchiveByPath((Plugins() + "My Addon").c_str());
    ASSERT_TRUE(built);
    EXPECT_FALSE(IsArchiveActive(built));
    EXPECT_EQ(kCodexArchiveOpened, events.back().event);
}

// An old-layout local tag is upgraded in memory only; its directory entry is that header as it
// stands, signature included, never a mix of the upgraded fields and the current signature.
TEST_F(ArchiveTest, AnOldLayoutLocalTagGoesIntoTheDirectoryAsItsUpgradedHeaderStands)
{
    WriteBytes(Local() + "text/Old Note", Concat(OldTagHeaderBytes("Old Note", kText, FourCC("oldn"), 64, 4, 3), Data("note")));
    ASSERT_TRUE(SetLocalFolder(Local().c_str()));
    ScopedDynArray<TagEntry*> tags;
    ListLocalTags(&tags);
    ASSERT_EQ(1u, tags.count);

    ASSERT_TRUE(BuildArchive(tags, 6, "Old", "", 0));

    ByteBuilder entry;
    entry.U16(0).U8(0).U8(0).Text("Old Note", 32).U32(kText).U32(FourCC("oldn")).U32(192).U32(4).U32(0);
    entry.U16(3).U8(0).U8(0).U32(FourCC("vorn"));
    const Bytes file = ReadFile(Plugins() + "Old");
    ASSERT_EQ(196u, file.size());
    EXPECT_EQ(entry.bytes, Bytes(file.begin() + 128, file.begin() + 192));
    EXPECT_EQ(Data("note"), Bytes(file.begin() + 192, file.end()));
    // The local file itself is not touched by the build.
    EXPECT_EQ(Concat(OldTagHeaderBytes("Old Note", kText, FourCC("oldn"), 64, 4, 3), Data("note")),
              ReadFile(Local() + "text/Old Note"));
}

TEST_F(ArchiveTest, LoadingReadsHeaderMeshRecordsAndDirectoryWithLayerFromKind)
{
    std::vector<TestTag> tags = {{kMesh, FourCC("m001"), "Valley", Data("vvvv")},
                                 {kText, FourCC("t001"), "Note", Data("hello")}};
    const std::string path = Tags() + "foundation";
    WriteBytes(path, ArchiveBytes(3, 7, "Foundation", tags, "url"));
    Archive* a = LoadArchive(path.c_str());
    ASSERT_TRUE(a);
    EXPECT_EQ(3, a->header.kind);
    EXPECT_EQ(7, a->header.priority);
    EXPECT_STREQ("Foundation", a->header.name);
    EXPECT_STREQ("url", a->header.url);
    EXPECT_EQ(128u + 112u, a->header.data_start);  // the directory's offset after loading
    ASSERT_EQ(1u, a->mesh_records.count);
    EXPECT_EQ(FourCC("m001"), a->mesh_records[0].tag);
    EXPECT_STREQ("Valley", a->mesh_records[0].name_again);
    ASSERT_EQ(2u, a->instances.count);
    EXPECT_EQ(0u, TagInstanceLayer(&a->instances[0]));
    EXPECT_EQ(a, a->instances[0].archive);
    EXPECT_EQ(128u + 112u + 128u + 4u, a->instances[1].header.offset);
    EXPECT_EQ(5u, a->instances[1].header.size);
    EXPECT_STREQ("foundation", a->file_name);
    FreeArchive(a);

    const struct { u32 kind; int layer; } kinds[] = {{1, 2}, {2, 1}, {3, 0}, {5, 2}, {6, 2}, {0, -1}, {4, -1}, {7, -1}, {0xFFFF, -1}};
    for (auto k : kinds) {
        WriteBytes(path, ArchiveBytes(k.kind, 1, "k", tags));
        Archive* b = LoadArchive(path.c_str());
        EXPECT_EQ(k.layer >= 0, b != nullptr) << "kind " << k.kind;
        if (b) {
            EXPECT_EQ(u32(k.layer), TagInstanceLayer(&b->instances[0])) << "kind " << k.kind;
        }
        FreeArchive(b);
    }
}

TEST_F(ArchiveTest, OldArchivesLoadWithUpgradedHeadersAndAreRefusedWhenTheirSizeDisagrees)
{
    // 48-byte header, data, then the directory of old headers at the end.
    ByteBuilder b;
    b.U16(1).U16(1).Text("Old Times", 32).U32(99).U32(48 + 6).U16(2).U16(0);
    b.Bytes(Data("abcdef"));
    b.Bytes(OldTagHeaderBytes("First", kText, FourCC("frst"), 48, 2, 4));
    b.Bytes(OldTagHeaderBytes("Second", kSoun, FourCC("scnd"), 50, 4));
    const std::string path = Plugins() + "old";
    WriteBytes(path, b.bytes);
    Archive* a = OpenArchive(path.c_str());
    ASSERT_TRUE(a);
    EXPECT_EQ(1, a->header.kind);
    EXPECT_EQ(FourCC("vorn"), a->header.signature);
    ASSERT_EQ(2u, a->instances.count);
    const TagHeader& h = a->instances[0].header;
    EXPECT_STREQ("First", h.name);
    EXPECT_EQ(kText, h.group);
    EXPECT_EQ(FourCC("frst"), h.tag);
    EXPECT_EQ(48u, h.offset);
    EXPECT_EQ(2u, h.size);
    EXPECT_EQ(4, h.version);
    EXPECT_EQ(0u, h.user);
    EXPECT_EQ(2u, TagInstanceLayer(&a->instances[1]));
    std::vector<TagEntry*> none;
    ScopedDynArray<Archive*> set;
    set.Push(a);
    SetActiveArchives(set);
    EXPECT_EQ(Data("cdef"), TagData(FindTag(kSoun, FourCC("scnd"))));

    // One byte more and the directory no longer ends the file.
    ByteBuilder bad = b;
    bad.U8(0);
    WriteBytes(Plugins() + "old2", bad.bytes);
    EXPECT_FALSE(LoadArchive((Plugins() + "old2").c_str()));
}

TEST_F(ArchiveTest, DamagedArchivesAreRefusedWithoutReadingOutsideTheFile)
{
    std::vector<TestTag> tags = {{kText, FourCC("t001"), "Note", Data("hello")}};
    const Bytes good = ArchiveBytes(6, 1, "x", tags);
    struct Case {
        const char* what;
        Bytes bytes;
    };
    std::vector<Case> cases;
    cases.push_back({"empty", {}});
    cases.push_back({"short of the old header", Bytes(good.begin(), good.begin() + 40)});
    cases.push_back({"size field differs", ByteBuilder{good}.PutU32At(112, u32(good.size()) + 1).bytes});
    cases.push_back({"signature differs", ByteBuilder{good}.PutU32At(124, FourCC("dng3")).bytes});
    {
        Bytes b = good;  // tag count 2 but room for one entry and its data only
        b[103] = 2;
        cases.push_back({"directory past the end", ByteBuilder{b}.PutU32At(112, u32(b.size())).bytes});
    }
    {
        Bytes b = good;  // mesh records claimed that are not there
        b[100] = 0xFF;
        b[101] = 0xFF;
        cases.push_back({"mesh records past the end", b});
    }
    cases.push_back({"entry offset past the end", ByteBuilder{good}.PutU32At(128 + 44, 0xFFFFFFF0u).bytes});
    cases.push_back({"entry size past the end", ByteBuilder{good}.PutU32At(128 + 48, 6).bytes});
    cases.push_back({"offset plus size wraps", ByteBuilder{good}.PutU32At(128 + 44, 0x10).PutU32At(128 + 48, 0xFFFFFFF8u).bytes});
    for (const Case& c : cases) {
        WriteBytes(Tags() + "bad", c.bytes);
        EXPECT_FALSE(LoadArchive((Tags() + "bad").c_str())) << c.what;
    }
    WriteBytes(Tags() + "good", good);
    Archive* a = LoadArchive((Tags() + "good").c_str());
    EXPECT_TRUE(a);
    FreeArchive(a);
    EXPECT_FALSE(LoadArchive((Tags() + "missing").c_str()));
}

TEST_F(ArchiveTest, OpeningTwiceGivesTheSameArchiveAndClosingAnnouncesFirst)
{
    Archive* a = OpenTestArchive(Tags() + "a", 3, 0, {{kText, FourCC("t001"), "Note", Data("x")}});
    ASSERT_TRUE(a);
    EXPECT_EQ(a, OpenArchive((Tags() + "a").c_str()));
    EXPECT_EQ(1u, GetArchiveCount());
    ASSERT_EQ(1u, events.size());
    EXPECT_EQ(kCodexArchiveOpened, events[0].event);
    EXPECT_EQ(a, events[0].archive);

    TagEntry* e = FindTagEntry(kText, FourCC("t001"));
    ASSERT_TRUE(e);
    Attach(e);
    events.clear();
    EXPECT_FALSE(UnloadArchive(a));  // in use: refused, but announced
    ASSERT_EQ(1u, events.size());
    EXPECT_EQ(kCodexArchiveClosing, events[0].event);
    EXPECT_EQ(1u, GetArchiveCount());
    DetachFromTag(e, kAttachEditor, this);
    attached.clear();
    EXPECT_TRUE(UnloadArchive(a));
    EXPECT_EQ(0u, GetArchiveCount());
    EXPECT_FALSE(FindTagEntry(kText, FourCC("t001")));
}

TEST_F(ArchiveTest, EmptyTagsArchiveAndExtract)
{
    WriteLocal("text", "Empty", "Empty", kText, FourCC("Empt"), {});
    ASSERT_TRUE(SetLocalFolder(Local().c_str()));
    ScopedDynArray<TagEntry*> tags;
    ListLocalTags(&tags);
    ASSERT_TRUE(BuildArchive(tags, 6, "empty", "", 100));
    Archive* a = FindArchiveByName("empty");
    ASSERT_TRUE(a);
    ASSERT_EQ(1u, a->instances.count);
    EXPECT_EQ(0u, a->instances[0].header.size);
    EXPECT_EQ(128u + 64u, a->instances[0].header.offset);

    u32 written = 0;
    EXPECT_EQ(0u, ExtractArchiveTags(a, (root + "out").c_str(), &written));
    EXPECT_EQ(1u, written);
    EXPECT_EQ(TagHeaderBytes("Empty", kText, FourCC("Empt"), 64, 0), ReadFile(root + "out/text/Empty"));
}

TEST_F(ArchiveTest, RebuildingAnAddonFromItsOwnPreviousVersionWorks)
{
    Archive* a = OpenTestArchive(Plugins() + "addon", 6, 100,
                                 {{kText, FourCC("t001"), "One", Data("first")}, {kText, FourCC("t002"), "Two", Data("second")}});
    ASSERT_TRUE(a);
    ActivateDefaultArchives();
    ScopedDynArray<TagEntry*> tags;
    ListArchiveTags(a, &tags);
    ASSERT_EQ(2u, tags.count);
    ASSERT_TRUE(BuildArchive(tags, 6, "addon", "u", 100));
    Archive* b = FindArchiveByName("addon");
    ASSERT_TRUE(b);
    EXPECT_EQ(1u, GetArchiveCount());
    ScopedDynArray<Archive*> set;
    set.Push(b);
    SetActiveArchives(set);
    EXPECT_EQ(Data("first"), TagData(FindTag(kText, FourCC("t001"))));
    EXPECT_EQ(Data("second"), TagData(FindTag(kText, FourCC("t002"))));
}

TEST_F(ArchiveTest, AnAddonInUseIsNotOverwrittenByABuild)
{
    Archive* a = OpenTestArchive(Plugins() + "addon", 6, 100, {{kText, FourCC("t001"), "One", Data("first")}});
    ASSERT_TRUE(a);
    ActivateDefaultArchives();
    const Bytes before = ReadFile(Plugins() + "addon");
    ScopedDynArray<TagEntry*> tags;
    ListArchiveTags(a, &tags);
    Attach(tags[0]);
    EXPECT_FALSE(BuildArchive(tags, 6, "addon", "u", 5));
    EXPECT_EQ(before, ReadFile(Plugins() + "addon"));
    EXPECT_EQ(a, FindArchiveByName("addon"));
    // No temporary file is left behind.
    EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(Plugins()), {}));
}

TEST_F(ArchiveTest, BuildRefusesCountsPastTheFormatAndTagsWithoutACopy)
{
    Archive* a = OpenTestArchive(Tags() + "a", 3, 0, {{kText, FourCC("t001"), "One", Data("1")}});
    ASSERT_TRUE(a);
    ActivateDefaultArchives();
    TagEntry* e = FindTag(kText, FourCC("t001"));
    ScopedDynArray<TagEntry*> many;
    for (u32 i = 0; i < 65536; ++i) many.Push(e);
    EXPECT_FALSE(BuildArchive(many, 6, "big", "", 1));
    EXPECT_FALSE(Exists(Plugins() + "big"));

    SetActiveArchives(ScopedDynArray<Archive*>());
    ScopedDynArray<TagEntry*> one;
    one.Push(e);
    EXPECT_FALSE(BuildArchive(one, 6, "none", "", 1));  // no winning copy
    EXPECT_FALSE(Exists(Plugins() + "none"));
}

TEST_F(ArchiveTest, AddonNamesAreCleanedIntoThePluginsFolder)
{
    Archive* a = OpenTestArchive(Tags() + "a", 3, 0, {{kText, FourCC("t001"), "One", Data("1")}});
    ActivateDefaultArchives();
    ScopedDynArray<TagEntry*> tags;
    ListArchiveTags(a, &tags);
    struct { const char* name; const char* file; } cases[] = {
        {"../escape", ".._escape"}, {"..", "_"}, {"", "_"}, {"a/b\\c", "a_b_c"}, {"Plain Name", "Plain Name"}};
    for (auto c : cases) {
        ASSERT_TRUE(BuildArchive(tags, 6, c.name, "", 1)) << c.name;
        EXPECT_TRUE(Exists(Plugins() + c.file)) << c.name;
        EXPECT_STREQ(c.file, CleanArchiveFileName(c.name).c_str());
    }
    EXPECT_FALSE(Exists(root + "escape"));
}

TEST_F(ArchiveTest, ExtractingKeepsNamesInsideTheFolderAndReportsFailures)
{
    Archive* a = OpenTestArchive(Tags() + "a", 3, 0,
                                 {{kText, FourCC("t001"), "../../escape", Data("1")},
                                  {kText, FourCC("t002"), "..", Data("2")},
                                  {kText, FourCC("t003"), "Other", Data("3")},
                                  {FourCC("a/.."), FourCC("t004"), "odd group", Data("4")}});
    ASSERT_TRUE(a);
    const std::string out = root + "out/";
    // A file of another tag under one of the names is not overwritten.
    WriteBytes(out + "text/Other", Concat(TagHeaderBytes("Other", kText, FourCC("zzzz"), 64, 1), Data("z")));
    u32 written = 0;
    EXPECT_EQ(1u, ExtractArchiveTags(a, out.c_str(), &written));
    EXPECT_EQ(3u, written);
    EXPECT_TRUE(Logged("text/Other")) << (logs.empty() ? "" : logs[0].text);
    EXPECT_EQ(Concat(TagHeaderBytes("Other", kText, FourCC("zzzz"), 64, 1), Data("z")), ReadFile(out + "text/Other"));
    for (auto& p : std::filesystem::recursive_directory_iterator(root)) {
        std::string s = p.path().string();
        EXPECT_TRUE(s.rfind(out, 0) == 0 || s.rfind(Tags(), 0) == 0 || s + "/" == out || s + "/" == Tags()) << s;
    }
    EXPECT_EQ(Concat(TagHeaderBytes("..", kText, FourCC("t002"), 64, 1), Data("2")), ReadFile(out + "text/_"));
}

TEST_F(ArchiveTest, CloseCodexRefusesWhileATagIsInUse)
{
    Archive* a = OpenTestArchive(Tags() + "a", 3, 0, {{kText, FourCC("t001"), "One", Data("1")}});
    ASSERT_TRUE(a);
    TagEntry* e = FindTagEntry(kText, FourCC("t001"));
    AttachToTag(e, kAttachInfo, this);
    EXPECT_FALSE(CloseCodex());
    EXPECT_EQ(a, GetArchive(0));
    DetachFromTag(e, kAttachInfo, this);
}

TEST_F(ArchiveTest, ListenersStayRegisteredWhenTheDatabaseIsClosedAndStartedAgain)
{
    ASSERT_TRUE(OpenTestArchive(Tags() + "a", 3, 0, {{kText, FourCC("t001"), "One", Data("1")}}));
    ASSERT_TRUE(CloseCodex());
    events.clear();
    // Started again on another game folder: the listener still hears about it.
    ASSERT_TRUE(OpenTestArchive(Plugins() + "b", 6, 0, {{kText, FourCC("t002"), "Two", Data("2")}}));
    ASSERT_TRUE(SetLocalFolder(Local().c_str()));
    WriteLocal("text", "Three", "Three", kText, FourCC("t003"), Data("3"));
    PollLocalFolder(true);
    std::vector<u32> codes = EventCodes();
    EXPECT_NE(std::find(codes.begin(), codes.end(), u32(kCodexArchiveOpened)), codes.end());
    EXPECT_NE(std::find(codes.begin(), codes.end(), u32(kCodexNewLocalTag)), codes.end());
}

TEST_F(ArchiveTest, ReadArchiveHeaderAcceptsTheFirstBytesOfBothForms)
{
    const Bytes current = ArchiveBytes(2, 9, "Hdr", {});
    ArchiveHeader h;
    ASSERT_TRUE(ReadArchiveHeader(&h, current.data(), u32(current.size()), current.size()));
    EXPECT_EQ(2, h.kind);
    EXPECT_EQ(128u, h.data_start);
    EXPECT_FALSE(ReadArchiveHeader(&h, current.data(), u32(current.size()), current.size() + 1));
    ByteBuilder old;
    old.U16(1).U16(1).Text("O", 32).U32(0).U32(48).U16(1).U16(0);
    EXPECT_TRUE(ReadArchiveHeader(&h, old.bytes.data(), 48, 48 + 64));
    EXPECT_EQ(1, h.kind);
    EXPECT_EQ(48u, h.data_start);
    EXPECT_FALSE(ReadArchiveHeader(&h, old.bytes.data(), 48, 48 + 63));
    EXPECT_FALSE(ReadArchiveHeader(&h, old.bytes.data(), 47, 48 + 64));
}

TEST_F(ArchiveTest, ArchivesPastTwoGigabytesLoadAndReadInBothBuilds)
{
    // A sparse file: header and directory at the start, the tag's data 3 GiB in.
    const u64 dataAt = 0xC0000000ull;
    const std::string path = Tags() + "huge";
    ByteBuilder b;
    b.U16(3).U16(0).Text("Huge", 32).Text("", 64).U16(0).U16(1);
    b.U32(0).U32(0).U32(u32(dataAt + 4)).U32(0).U32(192).U32(FourCC("dng2"));
    b.Bytes(TagHeaderBytes("Far", kText, FourCC("far "), u32(dataAt), 4));
    WriteBytes(path, b.bytes);
    FILE* f = fopen(path.c_str(), "r+b");
    ASSERT_TRUE(f);
    if (fseeko(f, off_t(dataAt), SEEK_SET) != 0 || fwrite("far!", 1, 4, f) != 4) {
        fclose(f);
        GTEST_SKIP() << "no room for a sparse 3 GiB file here";
    }
    fclose(f);
    Archive* a = OpenArchive(path.c_str());
    ASSERT_TRUE(a);
    ActivateDefaultArchives();
    EXPECT_EQ(Data("far!"), TagData(FindTag(kText, FourCC("far "))));
}

TEST_F(ArchiveTest, ACopyIsBoundedByTheArchivesRealSizeWhenTheFileShrank)
{
    Archive* a = OpenTestArchive(Tags() + "a", 3, 0, {{kText, FourCC("t001"), "One", Data("0123456789")}});
    ASSERT_TRUE(a);
    ActivateDefaultArchives();
    ASSERT_TRUE(SetLocalFolder(Local().c_str()));
    ASSERT_EQ(0, truncate((Tags() + "a").c_str(), 128 + 64 + 5));
    TagEntry* e = FindTag(kText, FourCC("t001"));
    TagHeader h;
    EXPECT_FALSE(OpenTag(e, &h));
    EXPECT_FALSE(ExtractTagToLocal(e));
    EXPECT_FALSE(Exists(Local() + "text/One"));
    EXPECT_FALSE(DuplicateTag(e, nullptr));
    EXPECT_EQ(1u, ExtractArchiveTags(a, (root + "out").c_str()));
}

TEST_F(ArchiveTest, AFailedBuildLeavesNoFileBehind)
{
    WriteLocal("text", "Here", "Here", kText, FourCC("here"), Data("1"));
    WriteLocal("text", "Gone", "Gone", kText, FourCC("gone"), Data("2"));
    ASSERT_TRUE(SetLocalFolder(Local().c_str()));
    ScopedDynArray<TagEntry*> tags;
    ListLocalTags(&tags);
    remove((Local() + "text/Gone").c_str());  // by another program, not yet noticed
    EXPECT_FALSE(BuildArchive(tags, 6, "broken", "", 1));
    EXPECT_FALSE(Exists(Plugins() + "broken"));
    EXPECT_EQ(0, std::distance(std::filesystem::directory_iterator(Plugins()), {}));
}

// Listeners that look at, or reorder, the loaded list while an archive is being closed.
struct ClosingWatcher {
    std::vector<std::string> seen;  // at each event 7: the names of every loaded archive
    bool reorder = false;
    static void Call(void* context, Archive*, TagEntry*, u32 event)
    {
        ClosingWatcher* w = static_cast<ClosingWatcher*>(context);
        if (event != kCodexArchiveClosing) return;
        std::string names;
        for (u32 i = 0; i < GetArchiveCount(); ++i) names += std::string(GetArchiveName(GetArchive(i))) + " ";
        w->seen.push_back(names);
        if (w->reorder) {
            ScopedDynArray<Archive*> none;
            SetActiveArchives(none);  // sorts the loaded list by name
        }
    }
};

TEST_F(ArchiveTest, UnloadingAllNeverShowsListenersAnArchiveAlreadyClosed)
{
    ASSERT_TRUE(OpenTestArchive(Tags() + "a", 3, 0, {{kText, FourCC("t001"), "One", Data("1")}}));
    ASSERT_TRUE(OpenTestArchive(Tags() + "b", 2, 0, {{kText, FourCC("t002"), "Two", Data("2")}}));
    ClosingWatcher watcher;
    SetCodexListener(&ClosingWatcher::Call, &watcher, true);
    EXPECT_TRUE(UnloadAllArchives());
    SetCodexListener(&ClosingWatcher::Call, &watcher, false);
    ASSERT_EQ(2u, watcher.seen.size());
    EXPECT_EQ("a b ", watcher.seen[0]);
    EXPECT_EQ("b ", watcher.seen[1]);
    EXPECT_EQ(0u, GetArchiveCount());
}

TEST_F(ArchiveTest, UnloadingRemovesTheClosedArchiveEvenWhenAListenerReordersTheList)
{
    Archive* b = OpenTestArchive(Tags() + "b", 3, 0, {{kText, FourCC("t002"), "Two", Data("2")}});
    Archive* a = OpenTestArchive(Tags() + "a", 3, 0, {{kText, FourCC("t001"), "One", Data("1")}});
    ASSERT_TRUE(a && b);
    ASSERT_EQ(a, GetArchive(1));
    ClosingWatcher watcher;
    watcher.reorder = true;
    SetCodexListener(&ClosingWatcher::Call, &watcher, true);
    EXPECT_TRUE(UnloadArchive(a));
    SetCodexListener(&ClosingWatcher::Call, &watcher, false);
    ASSERT_EQ(1u, GetArchiveCount());
    EXPECT_EQ(b, GetArchive(0));
    EXPECT_EQ(b, FindArchiveByName("b"));
    EXPECT_TRUE(FindTagEntry(kText, FourCC("t002")));
    EXPECT_FALSE(FindTagEntry(kText, FourCC("t001")));
}

}  // namespace
