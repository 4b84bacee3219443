#include "foundation/FolderWatch.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/common/FileBytes.h"
#include "tests/common/TempFolder.h"

namespace {

// Overwrites the file's bytes in place: same size, same inode, the folder untouched.
void RewriteInPlace(const std::string& path, const std::string& bytes)
{
    int fd = open(path.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0) << path;
    ASSERT_EQ(pwrite(fd, bytes.data(), bytes.size(), 0), ssize_t(bytes.size()));
    ASSERT_EQ(close(fd), 0);
}

void SleepMs(int ms)
{
    struct timespec t = {ms / 1000, long(ms % 1000) * 1000000L};
    nanosleep(&t, nullptr);
}

struct Report {
    u32 code;
    std::string name;  // empty for the folder codes
    bool operator==(const Report& o) const { return code == o.code && name == o.name; }
};

std::ostream& operator<<(std::ostream& os, const Report& r)
{
    return os << "{" << r.code << ", \"" << r.name << "\"}";
}

struct Recorder {
    std::vector<Report> reports;
    std::vector<FolderWatch*> watches;  // which watch each report came from
    u32 nextMark = 100;
    bool markAdditions = false;
};

void Record(DynArray<FolderWatch*>*, u32 code, void* context, FolderWatch* watch, FolderWatchEntry* entry)
{
    Recorder* r = static_cast<Recorder*>(context);
    if (entry) {
        EXPECT_EQ(std::string(entry->folder.c_str()), std::string(watch->folder.c_str()) + "/");
        if (r->markAdditions && (code == kWatchFileAdded || code == kWatchFolderAdded)) entry->mark = r->nextMark++;
    }
    r->reports.push_back(Report{code, entry ? entry->name.c_str() : ""});
    r->watches.push_back(watch);
}

class FolderWatchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/tavik-watch-XXXXXX";
        const char* made = mkdtemp(pattern);
        ASSERT_NE(made, nullptr);
        root = made;
        folder = root + "/local";
        ASSERT_EQ(mkdir(folder.c_str(), 0777), 0);
    }
    void TearDown() override
    {
        FreeFolderWatches(&watches);
        SetFolderWatchNotifications(1);
        EXPECT_EQ(FolderWatchNotificationsOpen(), 0);
        RemoveTree(root);
    }
    std::string In(const std::string& name) const { return folder + "/" + name; }
    std::vector<Report> Poll()
    {
        recorder.reports.clear();
        recorder.watches.clear();
        PollFolderWatches(&watches, Record, &recorder);
        return recorder.reports;
    }
    // Whether the watcher has a change notification; without one every poll rescans, and
    // tests that expect a quiet poll cannot hold.
    bool Notified() const { return FolderWatchNotificationsOpen() != 0; }

    std::string root, folder;
    DynArray<FolderWatch*> watches = {};
    Recorder recorder;
};

typedef std::vector<Report> Reports;

TEST_F(FolderWatchTest, AWatchWithoutSnapshotReportsEveryEntryAddedInNaturalOrder)
{
    for (const char* name : {"file10", "file2", "B", "a"}) WriteFile(In(name), "x");
    ASSERT_EQ(mkdir(In("dir3").c_str(), 0777), 0);
    WriteFile(In("Thumbs.db"), "skipped");
    AddFolderWatch(&watches, folder.c_str(), nullptr, 1);
    EXPECT_EQ(Poll(), (Reports{{kWatchRescanAppeared, ""},
                               {kWatchFileAdded, "a"},
                               {kWatchFileAdded, "B"},
                               {kWatchFolderAdded, "dir3"},
                               {kWatchFileAdded, "file2"},
                               {kWatchFileAdded, "file10"}}));
    if (!Notified()) GTEST_SKIP() << "inotify is not available here: every poll rescans";
    EXPECT_EQ(Poll(), Reports{});
}

TEST_F(FolderWatchTest, ASnapshotWatchReportsOnlyWhatChangedSinceIt)
{
    WriteFile(In("kept"), "x");
    FolderWatch* watch = AddFolderWatch(&watches, folder.c_str(), this, 0);
    EXPECT_EQ(watch->owner, this);
    EXPECT_EQ(watch->existed, 1u);
    ASSERT_EQ(watch->entries.count, 1u);
    EXPECT_STREQ(watch->entries[0]->folder.c_str(), (folder + "/").c_str());
    if (Notified()) {
        EXPECT_EQ(Poll(), Reports{});
    }
    WriteFile(In("new"), "y");
    EXPECT_EQ(Poll(), (Reports{{kWatchRescanChanged, ""}, {kWatchFileAdded, "new"}}));
}

TEST_F(FolderWatchTest, ReportsRemovalsThenChangesThenAdditionsEachInNaturalOrder)
{
    for (const char* name : {"r10", "r2", "c10", "c2", "same"}) WriteFile(In(name), "old");
    ASSERT_EQ(mkdir(In("rdir").c_str(), 0777), 0);
    ASSERT_EQ(mkdir(In("cdir").c_str(), 0777), 0);
    AddFolderWatch(&watches, folder.c_str(), nullptr, 0);
    SleepMs(20);

    ASSERT_EQ(unlink(In("r10").c_str()), 0);
    ASSERT_EQ(unlink(In("r2").c_str()), 0);
    ASSERT_EQ(rmdir(In("rdir").c_str()), 0);
    WriteFile(In("c10"), "newer");
    WriteFile(In("c2"), "newer");
    WriteFile(In("cdir/inside"), "changes the folder's time");
    WriteFile(In("a20"), "x");
    WriteFile(In("a3"), "x");
    ASSERT_EQ(mkdir(In("adir").c_str(), 0777), 0);

    EXPECT_EQ(Poll(), (Reports{{kWatchRescanChanged, ""},
                               {kWatchFolderRemoved, "rdir"},
                               {kWatchFileRemoved, "r2"},
                               {kWatchFileRemoved, "r10"},
                               {kWatchFolderChanged, "cdir"},
                               {kWatchFileChanged, "c2"},
                               {kWatchFileChanged, "c10"},
                               {kWatchFolderAdded, "adir"},
                               {kWatchFileAdded, "a3"},
                               {kWatchFileAdded, "a20"}}));
}

TEST_F(FolderWatchTest, ASameSizeRewriteWithinOneSecondIsSeen)
{
    WriteFile(In("other"), "1234");
    WriteFile(In("tag"), "aaaa");
    AddFolderWatch(&watches, folder.c_str(), nullptr, 0);
    FileInfo before;
    ASSERT_EQ(StatPath(&before, folder.c_str()), 1);
    SleepMs(20);
    RewriteInPlace(In("tag"), "bbbb");
    FileInfo after;
    ASSERT_EQ(StatPath(&after, folder.c_str()), 1);
    // The folder's own status says nothing about a rewrite in place.
    EXPECT_EQ(after.modifyTime, before.modifyTime);
    EXPECT_EQ(after.modifyNanos, before.modifyNanos);
    EXPECT_EQ(Poll(), (Reports{{kWatchRescanChanged, ""}, {kWatchFileChanged, "tag"}}));
}

TEST_F(FolderWatchTest, KeptEntriesCarryTheirMarkOver)
{
    recorder.markAdditions = true;
    WriteFile(In("one"), "1");
    WriteFile(In("two"), "2");
    FolderWatch* watch = AddFolderWatch(&watches, folder.c_str(), nullptr, 1);
    Poll();
    ASSERT_EQ(watch->entries.count, 2u);
    EXPECT_EQ(watch->entries[0]->mark, 100u);
    EXPECT_EQ(watch->entries[1]->mark, 101u);
    SleepMs(20);
    WriteFile(In("two"), "22");
    WriteFile(In("three"), "3");
    EXPECT_EQ(Poll(), (Reports{{kWatchRescanChanged, ""}, {kWatchFileChanged, "two"}, {kWatchFileAdded, "three"}}));
    ASSERT_EQ(watch->entries.count, 3u);
    EXPECT_STREQ(watch->entries[0]->name.c_str(), "one");
    EXPECT_EQ(watch->entries[0]->mark, 100u);
    EXPECT_EQ(watch->entries[1]->mark, 102u);
    EXPECT_EQ(watch->entries[2]->mark, 101u);
}

TEST_F(FolderWatchTest, NamesThatOnlyNaturalOrderCallsEqualAreTrackedApart)
{
    WriteFile(In("file7"), "x");
    WriteFile(In("Tag"), "x");
    AddFolderWatch(&watches, folder.c_str(), nullptr, 0);
    WriteFile(In("file007"), "y");
    WriteFile(In("tag"), "y");
    Reports got = Poll();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0], (Report{kWatchRescanChanged, ""}));
    std::vector<std::string> added = {got[1].name, got[2].name};
    std::sort(added.begin(), added.end());
    EXPECT_EQ(added, (std::vector<std::string>{"file007", "tag"}));
    EXPECT_EQ(got[1].code, kWatchFileAdded);
    EXPECT_EQ(got[2].code, kWatchFileAdded);

    ASSERT_EQ(unlink(In("file7").c_str()), 0);
    EXPECT_EQ(Poll(), (Reports{{kWatchRescanChanged, ""}, {kWatchFileRemoved, "file7"}}));
}

TEST_F(FolderWatchTest, AFolderThatDisappearsReportsRemovalsThenGoneAndReturnsAsAppeared)
{
    WriteFile(In("b"), "x");
    WriteFile(In("a"), "x");
    ASSERT_EQ(mkdir(In("sub").c_str(), 0777), 0);
    AddFolderWatch(&watches, folder.c_str(), nullptr, 0);
    RemoveTree(folder);
    EXPECT_EQ(Poll(), (Reports{{kWatchFileRemoved, "a"},
                               {kWatchFileRemoved, "b"},
                               {kWatchFolderRemoved, "sub"},
                               {kWatchFolderGone, ""}}));
    EXPECT_EQ(watches[0]->existed, 0u);
    EXPECT_EQ(watches[0]->entries.count, 0u);
    EXPECT_EQ(Poll(), Reports{});
    EXPECT_EQ(Poll(), Reports{});

    ASSERT_EQ(mkdir(folder.c_str(), 0777), 0);
    WriteFile(In("c"), "x");
    EXPECT_EQ(Poll(), (Reports{{kWatchRescanAppeared, ""}, {kWatchFileAdded, "c"}}));
    // Watched again: a rewrite in place of the returned folder is seen.
    SleepMs(20);
    RewriteInPlace(In("c"), "y");
    EXPECT_EQ(Poll(), (Reports{{kWatchRescanChanged, ""}, {kWatchFileChanged, "c"}}));
}

TEST_F(FolderWatchTest, AFolderReplacedBetweenPollsIsWatchedAgain)
{
    WriteFile(In("kept"), "same");
    WriteFile(In("gone"), "x");
    AddFolderWatch(&watches, folder.c_str(), nullptr, 0);
    ASSERT_EQ(rename(folder.c_str(), (root + "/moved").c_str()), 0);
    ASSERT_EQ(mkdir(folder.c_str(), 0777), 0);
    WriteFile(In("kept"), "same");
    Reports got = Poll();
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got[0], (Report{kWatchRescanChanged, ""}));
    EXPECT_NE(std::find(got.begin(), got.end(), Report{kWatchFileRemoved, "gone"}), got.end());

    // The notification follows the new folder, not the one moved away.
    WriteFile(root + "/moved/noise", "x");
    if (Notified()) {
        EXPECT_EQ(Poll(), Reports{});
    }
    SleepMs(20);
    RewriteInPlace(In("kept"), "SAME");
    EXPECT_EQ(Poll(), (Reports{{kWatchRescanChanged, ""}, {kWatchFileChanged, "kept"}}));
}

TEST_F(FolderWatchTest, AMissingFolderIsQuietUntilItAppears)
{
    std::string later = root + "/later";
    FolderWatch* watch = AddFolderWatch(&watches, later.c_str(), nullptr, 0);
    EXPECT_EQ(watch->existed, 0u);
    EXPECT_EQ(Poll(), Reports{});
    ASSERT_EQ(mkdir(later.c_str(), 0777), 0);
    WriteFile(later + "/x", "1");
    EXPECT_EQ(Poll(), (Reports{{kWatchRescanAppeared, ""}, {kWatchFileAdded, "x"}}));
    // A file standing where the folder should be is no folder.
    RemoveTree(later);
    WriteFile(later, "not a folder");
    EXPECT_EQ(Poll(), (Reports{{kWatchFileRemoved, "x"}, {kWatchFolderGone, ""}}));
    EXPECT_EQ(Poll(), Reports{});
}

TEST_F(FolderWatchTest, WatchesShareOneDescriptorAndPollInListOrder)
{
    std::string second = root + "/second";
    ASSERT_EQ(mkdir(second.c_str(), 0777), 0);
    FolderWatch* a = AddFolderWatch(&watches, folder.c_str(), nullptr, 0);
    FolderWatch* b = AddFolderWatch(&watches, second.c_str(), nullptr, 0);
    FolderWatch* again = AddFolderWatch(&watches, folder.c_str(), nullptr, 0);
    if (!Notified()) GTEST_SKIP() << "inotify is not available here";
    WriteFile(second + "/s", "1");
    WriteFile(In("f"), "1");
    EXPECT_EQ(Poll(), (Reports{{kWatchRescanChanged, ""},
                               {kWatchFileAdded, "f"},
                               {kWatchRescanChanged, ""},
                               {kWatchFileAdded, "s"},
                               {kWatchRescanChanged, ""},
                               {kWatchFileAdded, "f"}}));
    EXPECT_EQ(recorder.watches, (std::vector<FolderWatch*>{a, a, b, b, again, again}));

    // Dropping one of two watches of a folder leaves the other one notified.
    delete again;
    watches.count = 2;
    SleepMs(20);
    RewriteInPlace(In("f"), "2");
    EXPECT_EQ(Poll(), (Reports{{kWatchRescanChanged, ""}, {kWatchFileChanged, "f"}}));
}

TEST_F(FolderWatchTest, AnOverflowedQueueMarksEveryWatchChanged)
{
    std::string busy = root + "/busy";
    ASSERT_EQ(mkdir(busy.c_str(), 0777), 0);
    WriteFile(In("quiet"), "aaaa");
    AddFolderWatch(&watches, folder.c_str(), nullptr, 0);
    AddFolderWatch(&watches, busy.c_str(), nullptr, 0);
    if (!Notified()) GTEST_SKIP() << "inotify is not available here";
    Poll();
    int limit = 16384;
    if (FILE* f = fopen("/proc/sys/fs/inotify/max_queued_events", "r")) {
        if (fscanf(f, "%d", &limit) != 1) limit = 16384;
        fclose(f);
    }
    if (limit > 200000) GTEST_SKIP() << "event queue too long to fill quickly";
    // Writes to two files in turn: equal events in a row would be merged into one.
    int fds[2] = {open((busy + "/noise1").c_str(), O_CREAT | O_WRONLY, 0644),
                  open((busy + "/noise2").c_str(), O_CREAT | O_WRONLY, 0644)};
    ASSERT_GE(fds[0], 0);
    ASSERT_GE(fds[1], 0);
    for (int i = 0; i < limit + 10; ++i) ASSERT_EQ(write(fds[i & 1], "x", 1), 1);
    ASSERT_EQ(close(fds[0]), 0);
    ASSERT_EQ(close(fds[1]), 0);
    // Its event is lost behind the overflow; only the overflow tells the watch.
    SleepMs(20);
    RewriteInPlace(In("quiet"), "bbbb");
    Reports got = Poll();
    ASSERT_GE(got.size(), 2u);
    EXPECT_EQ(got[0], (Report{kWatchRescanChanged, ""}));
    EXPECT_EQ(got[1], (Report{kWatchFileChanged, "quiet"}));
}

TEST_F(FolderWatchTest, FreeingTheLastWatchClosesTheDescriptor)
{
    AddFolderWatch(&watches, folder.c_str(), nullptr, 0);
    AddFolderWatch(&watches, folder.c_str(), nullptr, 1);
    Poll();
    FreeFolderWatches(&watches);
    EXPECT_EQ(watches.count, 0u);
    EXPECT_EQ(watches.data, nullptr);
    EXPECT_EQ(FolderWatchNotificationsOpen(), 0);
}

TEST_F(FolderWatchTest, WithoutNotificationsEveryPollRescansAndStillSeesEveryChange)
{
    SetFolderWatchNotifications(0);
    WriteFile(In("tag"), "aaaa");
    WriteFile(In("gone"), "x");
    AddFolderWatch(&watches, folder.c_str(), nullptr, 0);
    EXPECT_EQ(FolderWatchNotificationsOpen(), 0);
    EXPECT_EQ(Poll(), (Reports{{kWatchRescanChanged, ""}}));
    SleepMs(20);
    RewriteInPlace(In("tag"), "bbbb");
    ASSERT_EQ(unlink(In("gone").c_str()), 0);
    WriteFile(In("new"), "x");
    EXPECT_EQ(Poll(), (Reports{{kWatchRescanChanged, ""},
                               {kWatchFileRemoved, "gone"},
                               {kWatchFileChanged, "tag"},
                               {kWatchFileAdded, "new"}}));
    RemoveTree(folder);
    EXPECT_EQ(Poll(), (Reports{{kWatchFileRemoved, "new"}, {kWatchFileRemoved, "tag"}, {kWatchFolderGone, ""}}));
    EXPECT_EQ(Poll(), Reports{});
}

// The heads a listing reads: every reported file that holds them, while its report lasts.
void RecordHead(DynArray<FolderWatch*>* watches, u32 code, void* context, FolderWatch* watch, FolderWatchEntry* entry)
{
    Record(watches, code, context, watch, entry);
    if (!entry) return;
    Recorder* r = static_cast<Recorder*>(context);
    r->reports.back().name += entry->head ? "=" + std::string(reinterpret_cast<char*>(entry->head), entry->headSize) : "";
}

TEST_F(FolderWatchTest, AListingReadsTheHeadsOfTheFilesItReportsAddedOrChanged)
{
    SetFolderWatchNotifications(0);  // every poll lists the folder
    WriteFile(In("long"), "abcdefgh");
    WriteFile(In("short"), "abc");
    WriteFile(In("kept"), "12345");
    ASSERT_EQ(mkdir(In("dir").c_str(), 0777), 0);
    ASSERT_EQ(mkfifo(In("pipe").c_str(), 0644), 0);
    FolderWatch* watch = AddFolderWatch(&watches, folder.c_str(), nullptr, 1);
    watch->headBytes = 4;
    recorder.reports.clear();
    PollFolderWatches(&watches, RecordHead, &recorder);
    EXPECT_EQ(recorder.reports, (Reports{{kWatchRescanAppeared, ""},
                                         {kWatchFolderAdded, "dir"},
                                         {kWatchFileAdded, "kept=1234"},
                                         {kWatchFileAdded, "long=abcd"},
                                         {kWatchFileAdded, "pipe"},
                                         {kWatchFileAdded, "short"}}));
    SleepMs(20);
    RewriteInPlace(In("long"), "ABCDEFGH");
    WriteFile(In("short"), "abcdef");
    WriteFile(In("new"), "wxyz");
    recorder.reports.clear();
    PollFolderWatches(&watches, RecordHead, &recorder);
    EXPECT_EQ(recorder.reports, (Reports{{kWatchRescanChanged, ""},
                                         {kWatchFileChanged, "long=ABCD"},
                                         {kWatchFileChanged, "short=abcd"},
                                         {kWatchFileAdded, "new=wxyz"}}));
    for (const FolderWatchEntry* entry : watch->entries) EXPECT_EQ(entry->head, nullptr) << entry->name.c_str();
}

// A notified watch looks only at the entries its notification named; beside it, a watch of the
// same folder without a notification lists the whole folder at every poll. Both give the same
// reports for each kind of change, and the same snapshot after it.
TEST_F(FolderWatchTest, ANotifiedPollReportsWhatARescanOfTheWholeFolderReports)
{
    for (int i = 0; i < 40; ++i) WriteFile(In("tag" + std::to_string(i)), "old");
    ASSERT_EQ(mkdir(In("sub").c_str(), 0777), 0);
    ASSERT_EQ(mkdir(In("quiet").c_str(), 0777), 0);
    AddFolderWatch(&watches, folder.c_str(), nullptr, 0);
    if (!Notified()) GTEST_SKIP() << "inotify is not available here";
    SetFolderWatchNotifications(0);
    AddFolderWatch(&watches, folder.c_str(), nullptr, 0);
    Poll();
    auto split = [&](size_t which) {
        Reports got;
        for (size_t i = 0; i < recorder.reports.size(); ++i)
            if (recorder.watches[i] == watches[u32(which)]) got.push_back(recorder.reports[i]);
        return got;
    };
    auto names = [](const FolderWatch* w) {
        std::vector<std::string> out;
        for (const FolderWatchEntry* e : w->entries) out.push_back(e->name.c_str());
        return out;
    };
    const struct {
        const char* what;
        std::function<void()> change;
    } steps[] = {
        {"a save through a temporary file renamed over the tag",
         [&] {
             WriteFile(In("~tavik-tmp"), "saved bytes");
             ASSERT_EQ(rename(In("~tavik-tmp").c_str(), In("tag7").c_str()), 0);
         }},
        {"a rewrite in place", [&] { RewriteInPlace(In("tag12"), "new"); }},
        {"an added file and a removed one",
         [&] {
             WriteFile(In("tag100"), "x");
             ASSERT_EQ(unlink(In("tag3").c_str()), 0);
         }},
        {"a file renamed", [&] { ASSERT_EQ(rename(In("tag20").c_str(), In("renamed").c_str()), 0); }},
        {"a file made and removed between polls",
         [&] {
             WriteFile(In("brief"), "x");
             ASSERT_EQ(unlink(In("brief").c_str()), 0);
         }},
        {"a save beside a change inside a sub-folder",
         [&] {
             WriteFile(In("sub/inner"), "x");
             WriteFile(In("tag30"), "newer");
         }},
        {"a new sub-folder and a removed one",
         [&] {
             ASSERT_EQ(mkdir(In("made").c_str(), 0777), 0);
             ASSERT_EQ(rmdir(In("quiet").c_str()), 0);
         }},
        {"a mode change", [&] { ASSERT_EQ(chmod(In("tag5").c_str(), 0444), 0); }},
        {"a skipped name", [&] { WriteFile(In("Thumbs.db"), "x"); }},
    };
    for (const auto& step : steps) {
        SleepMs(20);
        step.change();
        Poll();
        const Reports notified = split(0), rescanned = split(1);
        EXPECT_FALSE(rescanned.empty()) << step.what;
        EXPECT_EQ(notified, rescanned) << step.what;
        EXPECT_EQ(names(watches[0]), names(watches[1])) << step.what;
    }
}

TEST(WatchEntryOrder, BreaksNaturalOrderTiesByBytes)
{
    FolderWatchEntry a = {}, b = {};
    struct Case {
        const char* a;
        const char* b;
        int sign;
    } cases[] = {{"a2", "a10", -1}, {"file7", "file007", 1}, {"Tag", "tag", -1}, {"x", "x", 0}, {"B", "a", 1}};
    for (const Case& c : cases) {
        a.name.Set(c.a);
        b.name.Set(c.b);
        FolderWatchEntry* pa = &a;
        FolderWatchEntry* pb = &b;
        int order = CompareWatchEntries(nullptr, &pa, &pb);
        EXPECT_EQ((order > 0) - (order < 0), c.sign) << c.a << " " << c.b;
        int reverse = CompareWatchEntries(nullptr, &pb, &pa);
        EXPECT_EQ((reverse > 0) - (reverse < 0), -c.sign);
    }
}

}  // namespace
