#include "foundation/PrefStore.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "foundation/DirectoryStack.h"
#include "tests/common/TempFolder.h"

namespace {

class PrefStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetPrefs();
        char pattern[] = "/tmp/tavik-prefs-XXXXXX";
        const char* made = mkdtemp(pattern);
        ASSERT_NE(made, nullptr);
        root = made;
        path = root + "/prefs.txt";
    }
    void TearDown() override
    {
        ResetPrefs();
        RemoveTree(root);
    }
    void Write(const std::string& bytes, const std::string& where = "")
    {
        FILE* f = fopen((where.empty() ? path : where).c_str(), "wb");
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
        ASSERT_EQ(fclose(f), 0);
    }
    std::string Read(const std::string& where = "")
    {
        std::string bytes;
        FILE* f = fopen((where.empty() ? path : where).c_str(), "rb");
        if (!f) return "<missing>";
        char buffer[4096];
        size_t got;
        while ((got = fread(buffer, 1, sizeof(buffer), f)) > 0) bytes.append(buffer, got);
        fclose(f);
        return bytes;
    }
    int Load(const std::string& bytes)
    {
        Write(bytes);
        return PrefStore::Global().Load(path.c_str());
    }
    std::vector<std::string> FolderEntries()
    {
        std::vector<std::string> names;
        DIR* dir = opendir(root.c_str());
        while (struct dirent* e = dir ? readdir(dir) : nullptr)
            if (strcmp(e->d_name, ".") && strcmp(e->d_name, "..")) names.push_back(e->d_name);
        if (dir) closedir(dir);
        std::sort(names.begin(), names.end());
        return names;
    }
    static std::string Str(const char* key)
    {
        String s("<untouched>");
        GetPrefString(key, &s);
        return s.c_str();
    }
    static long long Int(const char* key)
    {
        u32 v = 0;
        return GetPrefInt(key, &v) ? (long long)v : -1;
    }

    std::string root, path;
};

TEST_F(PrefStoreTest, LoadsIntegersAndStringsAndSavesThemInKeyOrder)
{
    EXPECT_EQ(Load("VornPath \".\"\nShowSplash 1\n"), 1);
    EXPECT_EQ(Int("ShowSplash"), 1);
    EXPECT_EQ(Str("VornPath"), ".");
    ASSERT_EQ(PrefStore::Global().Save(path.c_str()), 1);
    EXPECT_EQ(Read(), "ShowSplash 1\nVornPath \".\"\n");
}

TEST_F(PrefStoreTest, SavesExactBytesWithKeysInByteOrder)
{
    SetPrefInt("b", 2);
    SetPrefInt("a", 0);
    SetPrefString("Z", "upper case sorts first");
    SetPrefString("a.b", "");
    SetPrefInt("a b", 7);  // a key with a blank cannot be read back
    SetPrefInt("B", 4294967295u);
    SetPrefInt("Large", 2147483648u);
    SetPrefString("b", "replaces the integer");
    ASSERT_EQ(PrefStore::Global().Save(path.c_str()), 1);
    EXPECT_EQ(Read(),
              "B 4294967295\n"
              "Large 2147483648\n"
              "Z \"upper case sorts first\"\n"
              "a 0\n"
              "a.b \"\"\n"
              "b \"replaces the integer\"\n");
}

TEST_F(PrefStoreTest, IntegersOfTwoToTheThirtyOneAndMoreSurviveASaveAndLoad)
{
    SetPrefInt("A", 2147483648u);
    SetPrefInt("M", 4294967295u);
    SetPrefInt("Z", 5);
    ASSERT_EQ(PrefStore::Global().Save(path.c_str()), 1);
    ResetPrefs();
    EXPECT_EQ(PrefStore::Global().Load(path.c_str()), 1);
    EXPECT_EQ(Int("A"), 2147483648LL);
    EXPECT_EQ(Int("M"), 4294967295LL);
    EXPECT_EQ(Int("Z"), 5);
}

TEST_F(PrefStoreTest, StringsTheReaderWouldRefuseAreLeftOutSoTheFileStillLoads)
{
    SetPrefString("Quote", "say \"hi\"");
    SetPrefString("Newline", "two\nlines");
    SetPrefString("Umlaut", "/home/j\xc3\xbcrgen/vorn");
    SetPrefString("Tab", "a\tb");
    SetPrefInt("Zlast", 9);
    ASSERT_EQ(PrefStore::Global().Save(path.c_str()), 1);
    EXPECT_EQ(Read(), "Tab \"a\tb\"\nUmlaut \"/home/j\xc3\xbcrgen/vorn\"\nZlast 9\n");
    ResetPrefs();
    EXPECT_EQ(PrefStore::Global().Load(path.c_str()), 1);
    EXPECT_EQ(Str("Umlaut"), "/home/j\xc3\xbcrgen/vorn");
    EXPECT_EQ(Str("Tab"), "a\tb");
    EXPECT_EQ(Int("Zlast"), 9);
    EXPECT_EQ(Str("Quote"), "<untouched>");
}

TEST_F(PrefStoreTest, ReadsEveryKindOfLineEnd)
{
    EXPECT_EQ(Load("a 1\r\nb \"x\"\rc 3\nd 4"), 1);
    EXPECT_EQ(Int("a"), 1);
    EXPECT_EQ(Str("b"), "x");
    EXPECT_EQ(Int("c"), 3);
    EXPECT_EQ(Int("d"), 4);
}

TEST_F(PrefStoreTest, AMissingFinalLineEndStillLoadsTheLastValue)
{
    EXPECT_EQ(Load("a 1\nb \"last\""), 1);
    EXPECT_EQ(Str("b"), "last");
    EXPECT_EQ(Load("c 12"), 1);
    EXPECT_EQ(Int("c"), 12);
}

TEST_F(PrefStoreTest, BlankLinesAreSkippedAndTheLinesBehindThemRead)
{
    EXPECT_EQ(Load("a 1\n\n  \n\r\nb 2\n"), 1);
    EXPECT_EQ(Int("a"), 1);
    EXPECT_EQ(Int("b"), 2);
}

TEST_F(PrefStoreTest, AMalformedLineFailsTheLoadButKeepsEveryOtherLine)
{
    struct Case {
        const char* bad;
    } cases[] = {
        {"key\t1"},           // tab instead of the blank
        {"key  1"},           // two blanks
        {"key -5"},           // signed integer
        {"key 12x"},          // trailing text
        {"key \"open"},       // unterminated string
        {"key \"a\"b\""},     // quote inside
        {"key \"ctl\x01\""},  // control byte
        {"key"},              // no blank
        {" indented 1"},      // starts with white space
        {"key 1 "},           // trailing blank
    };
    for (const Case& c : cases) {
        ResetPrefs();
        std::string file = std::string("first 1\n") + c.bad + "\nlast \"kept\"\n";
        EXPECT_EQ(Load(file), 0) << c.bad;
        EXPECT_EQ(Int("first"), 1) << c.bad;
        EXPECT_EQ(Str("last"), "kept") << c.bad;
        EXPECT_EQ(Int("key"), -1) << c.bad;
        EXPECT_EQ(Str("key"), "<untouched>") << c.bad;
    }
}

TEST_F(PrefStoreTest, AKeyWithoutAValueIsPassedOver)
{
    EXPECT_EQ(Load("empty \nb 2\n"), 1);
    EXPECT_EQ(Int("empty"), -1);
    EXPECT_EQ(Int("b"), 2);
}

TEST_F(PrefStoreTest, AZeroByteDoesNotEndTheFile)
{
    EXPECT_EQ(Load(std::string("a 1\nb\0 2\nc 3\n", 14)), 0);
    EXPECT_EQ(Int("a"), 1);
    EXPECT_EQ(Int("c"), 3);
}

TEST_F(PrefStoreTest, DigitsAccumulateModuloTwoToTheThirtyTwo)
{
    EXPECT_EQ(Load("big 4294967296\nbigger 4294967301\n"), 1);
    EXPECT_EQ(Int("big"), 0);
    EXPECT_EQ(Int("bigger"), 5);
}

TEST_F(PrefStoreTest, LaterLinesAndLoadsReplaceValuesAndTheirType)
{
    SetPrefInt("ShowSplash", 1);
    SetPrefString("VornPath", ".");
    EXPECT_EQ(Load("ShowSplash 0\nVornPath 3\nVornPath \"/games\"\nShowSplash \"no\"\n"), 1);
    EXPECT_EQ(Str("VornPath"), "/games");
    EXPECT_EQ(Str("ShowSplash"), "no");
    EXPECT_EQ(Int("ShowSplash"), -1);
}

TEST_F(PrefStoreTest, AMissingFileFailsAndLeavesTheStoreAlone)
{
    SetPrefInt("kept", 1);
    EXPECT_EQ(PrefStore::Global().Load((root + "/missing").c_str()), 0);
    EXPECT_EQ(PrefStore::Global().Load(root.c_str()), 0);
    EXPECT_EQ(Int("kept"), 1);
}

TEST_F(PrefStoreTest, GettersAnswerZeroAndLeaveTheOutputUntouched)
{
    SetPrefInt("number", 5);
    SetPrefString("text", "t");
    u32 value = 77;
    EXPECT_EQ(GetPrefInt("text", &value), 0);
    EXPECT_EQ(GetPrefInt("missing", &value), 0);
    EXPECT_EQ(GetPrefInt("Number", &value), 0);  // keys are case-sensitive
    EXPECT_EQ(value, 77u);
    EXPECT_EQ(GetPrefInt("number", &value), 1);
    EXPECT_EQ(value, 5u);
    String text("before");
    EXPECT_EQ(GetPrefString("number", &text), 0);
    EXPECT_EQ(GetPrefString("missing", &text), 0);
    EXPECT_STREQ(text.c_str(), "before");
    EXPECT_EQ(GetPrefString("text", &text), 1);
    EXPECT_STREQ(text.c_str(), "t");
}

std::vector<std::string> ListOf(const char* key, int* result, std::vector<std::string> start = {})
{
    ScopedDynArray<String> list;
    for (const std::string& s : start) list.Push(String(s.c_str()));
    *result = GetPrefStringList(key, &list);
    std::vector<std::string> out;
    for (const String& s : list) out.push_back(s.c_str());
    return out;
}

TEST_F(PrefStoreTest, StringListsAreCutAfterEverySemicolon)
{
    struct Case {
        const char* text;
        std::vector<std::string> items;
    } cases[] = {
        {"a;b;", {"a", "b"}}, {"a;b", {"a"}}, {";;", {"", ""}}, {"", {}}, {"tail", {}},
    };
    for (const Case& c : cases) {
        SetPrefString("list", c.text);
        int result = -1;
        EXPECT_EQ(ListOf("list", &result), c.items) << c.text;
        EXPECT_EQ(result, c.items.empty() ? 0 : 1) << c.text;
    }
    int result = -1;
    SetPrefString("list", "c;");
    EXPECT_EQ(ListOf("list", &result, {"old"}), (std::vector<std::string>{"old", "c"}));
    SetPrefString("list", "");
    EXPECT_EQ(ListOf("list", &result, {"old"}), (std::vector<std::string>{"old"}));
    EXPECT_EQ(result, 1);
    SetPrefInt("number", 3);
    EXPECT_EQ(ListOf("number", &result, {"old"}), (std::vector<std::string>{"old"}));
    EXPECT_EQ(result, 0);
}

TEST_F(PrefStoreTest, AStoredListReadsBackUnchanged)
{
    ScopedDynArray<String> items;
    items.Push(String("a"));
    items.Push(String(""));
    items.Push(String("b"));
    SetPrefStringList("set", items);
    EXPECT_EQ(Str("set"), "a;;b;");
    int result = 0;
    EXPECT_EQ(ListOf("set", &result), (std::vector<std::string>{"a", "", "b"}));
    ScopedDynArray<String> none;
    SetPrefStringList("set", none);
    EXPECT_EQ(Str("set"), "");
}

TEST_F(PrefStoreTest, VornPathIsNormalisedToAFolder)
{
    EXPECT_STREQ(GetVornPath().c_str(), "");
    SetVornPath(".");
    EXPECT_STREQ(GetVornPath().c_str(), "./");
    SetVornPath("C:\\Games\\Vorn");
    EXPECT_STREQ(GetVornPath().c_str(), "C:/Games/Vorn/");
    EXPECT_EQ(Str("VornPath"), "C:\\Games\\Vorn");
    SetVornPath("/opt/vorn/");
    EXPECT_STREQ(GetVornPath().c_str(), "/opt/vorn/");
    SetPrefInt("VornPath", 1);
    EXPECT_STREQ(GetVornPath().c_str(), "");
}

TEST_F(PrefStoreTest, SavingReplacesTheFileWholeAndLeavesNoTemporaryBehind)
{
    Write("old 1\n");
    chmod(path.c_str(), 0640);
    SetPrefInt("new", 2);
    ASSERT_EQ(PrefStore::Global().Save(path.c_str()), 1);
    EXPECT_EQ(Read(), "new 2\n");
    EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"prefs.txt"}));
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(PrefStoreTest, AFailedSaveSaysSoAndKeepsThePreviousFile)
{
    SetPrefInt("a", 1);
    EXPECT_EQ(PrefStore::Global().Save((root + "/missing/prefs.txt").c_str()), 0);
    // A folder standing at the target cannot be replaced by the file.
    std::string blocked = root + "/blocked";
    ASSERT_EQ(mkdir(blocked.c_str(), 0777), 0);
    EXPECT_EQ(PrefStore::Global().Save(blocked.c_str()), 0);
    EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"blocked"}));

    // A write that the file system refuses (here through a file size limit) leaves the
    // previous file as it was.
    Write("previous 1\n");
    SetPrefString("long", std::string(200, 'x').c_str());
    struct rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit small = old;
    small.rlim_cur = 64;
    void (*previous)(int) = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    int saved = PrefStore::Global().Save(path.c_str());
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, previous);
    EXPECT_EQ(saved, 0);
    EXPECT_EQ(Read(), "previous 1\n");
    EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"blocked", "prefs.txt"}));
}

TEST_F(PrefStoreTest, SavingThroughASymlinkReplacesTheFileItNames)
{
    std::string real = root + "/real.txt";
    Write("x 1\n", real);
    ASSERT_EQ(symlink("real.txt", path.c_str()), 0);
    SetPrefInt("y", 2);
    ASSERT_EQ(PrefStore::Global().Save(path.c_str()), 1);
    struct stat st;
    ASSERT_EQ(lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(Read(real), "y 2\n");
}

TEST_F(PrefStoreTest, LoadPrefsAndSavePrefsUseResPrefsTxtInTheWorkingDirectory)
{
    ASSERT_EQ(mkdir((root + "/res").c_str(), 0777), 0);
    Write("ShowSplash 3\n", root + "/res/prefs.txt");
    ASSERT_EQ(PushDirectory(root.c_str()), 1);
    EXPECT_EQ(LoadPrefs(), 1);
    EXPECT_EQ(Int("ShowSplash"), 3);
    SetPrefInt("UseVSync", 0);
    EXPECT_EQ(SavePrefs(), 1);
    PopDirectory();
    FreeDirectoryStack();
    EXPECT_EQ(Read(root + "/res/prefs.txt"), "ShowSplash 3\nUseVSync 0\n");
}

TEST_F(PrefStoreTest, ResetEmptiesTheStore)
{
    SetPrefInt("a", 1);
    SetPrefString("b", "2");
    EXPECT_EQ(PrefStore::Global().Count(), 2u);
    ResetPrefs();
    EXPECT_EQ(PrefStore::Global().Count(), 0u);
    EXPECT_EQ(Int("a"), -1);
}

}  // namespace

TEST(PrefStoreObject, AStoreDeclaredWithoutAnInitialiserStartsEmpty)
{
    // Storage full of stale bytes, as on a used stack: the store must not take them for
    // entries (and must not free them when it goes).
    alignas(PrefStore) unsigned char raw[sizeof(PrefStore)];
    memset(raw, 0xCD, sizeof raw);
    PrefStore* store = new (raw) PrefStore;
    EXPECT_EQ(store->Count(), 0u);
    store->SetInt("a", 1);
    EXPECT_EQ(store->Count(), 1u);
    store->~PrefStore();
}
