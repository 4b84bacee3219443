#include "foundation/Files.h"

#include <malloc.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/DirectoryStack.h"
#include "tests/common/FileBytes.h"
#include "tests/common/TempFolder.h"

namespace {

std::string CurrentDirectory()
{
    char* cwd = getcwd(nullptr, 0);
    std::string result = cwd ? cwd : "";
    free(cwd);
    return result;
}

TEST(FileStatus, DescribesFilesFoldersAndMissingPaths)
{
    TempFolder tmp;
    WriteFile(tmp / "five", "12345");
    FileInfo info;
    ASSERT_EQ(StatPath(&info, (tmp / "five").c_str()), 1);
    EXPECT_EQ(info.size, 5u);
    EXPECT_EQ(info.flags, kFileReadable | kFileWritable);
    EXPECT_GT(info.modifyTime, 0);

    ASSERT_EQ(StatPath(&info, tmp.path.c_str()), 1);
    EXPECT_TRUE(info.flags & kFileDirectory);

    memset(&info, 0xAB, sizeof(info));
    EXPECT_EQ(StatPath(&info, (tmp / "missing").c_str()), 0);
    FileInfo zero;
    memset(&zero, 0, sizeof(zero));
    EXPECT_EQ(memcmp(&info, &zero, sizeof(info)), 0);
    EXPECT_EQ(StatPath(&info, ""), 0);
}

TEST(FileStatus, OfAStreamTellsHowItWasOpenedAndItsSizeButNoTimes)
{
    TempFolder tmp;
    WriteFile(tmp / "f", "abc");
    struct Case {
        const char* mode;
        u32 flags;
    } cases[] = {{"rb", kFileReadable}, {"ab", kFileWritable}, {"r+b", kFileReadable | kFileWritable}};
    for (const Case& c : cases) {
        FILE* f = fopen((tmp / "f").c_str(), c.mode);
        ASSERT_NE(f, nullptr);
        FileInfo info;
        EXPECT_EQ(StatFile(&info, f), 1);
        EXPECT_EQ(info.flags, c.flags) << c.mode;
        EXPECT_EQ(info.size, 3u);
        EXPECT_EQ(info.modifyTime, 0);
        fclose(f);
    }
}

TEST(FileStatus, IsDirectoryAnswersByMode)
{
    TempFolder tmp;
    WriteFile(tmp / "file", "x");
    std::string dir = tmp.path;
    std::string file = tmp / "file";
    std::string missing = tmp / "nothing";
    std::string backslashed = dir + "\\";
    struct Case {
        std::string path;
        int mode;
        int expected;
    } cases[] = {
        {dir, 1, 1},     {dir + "/", 1, 1}, {backslashed, 1, 1}, {dir, 0, 0},      {dir, 2, 1},
        {file, 1, 0},    {file, 0, 1},      {file, 2, 1},        {missing, 2, 0},  {missing, 1, 0},
        {"", 2, 0},      {"/", 1, 1},
    };
    for (const Case& c : cases) EXPECT_EQ(IsDirectory(c.path.c_str(), c.mode), c.expected) << c.path << " " << c.mode;
    EXPECT_EQ(IsDirectory(nullptr, 2), 0);
}

TEST(FileStatus, MakeDirectoryCreatesOneLevelAndAcceptsAnExistingFolder)
{
    TempFolder tmp;
    EXPECT_EQ(MakeDirectory((tmp / "new").c_str()), 1);
    EXPECT_EQ(IsDirectory((tmp / "new").c_str(), 1), 1);
    EXPECT_EQ(MakeDirectory((tmp / "new").c_str()), 1);
    EXPECT_EQ(MakeDirectory((tmp / "a/b").c_str()), 0);
    WriteFile(tmp / "file", "x");
    EXPECT_EQ(MakeDirectory((tmp / "file").c_str()), 0);
    EXPECT_EQ(MakeDirectory(""), 0);
}

TEST(DirectorySearch, ListsEveryEntryOnceAndRefusesMissingFolders)
{
    TempFolder tmp;
    WriteFile(tmp / "one", "1");
    WriteFile(tmp / "two", "2");
    for (std::string folder : {tmp.path, tmp.path + "/"}) {
        DirectoryListing* listing = OpenDirectory(folder.c_str());
        ASSERT_NE(listing, nullptr);
        std::vector<std::string> names;
        while (const char* name = ReadDirectory(listing)) names.push_back(name);
        EXPECT_EQ(ReadDirectory(listing), nullptr);
        CloseDirectory(listing);
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{".", "..", "one", "two"}));
    }
    EXPECT_EQ(OpenDirectory(nullptr), nullptr);
    EXPECT_EQ(OpenDirectory(""), nullptr);
    EXPECT_EQ(OpenDirectory((tmp / "missing").c_str()), nullptr);
    CloseDirectory(nullptr);
}

// As lstat answers: a link to a folder is not one, and neither is a link to nothing.
TEST(DirectorySearch, TellsFoldersFromFilesAndLinksAsLstatDoes)
{
    TempFolder tmp;
    WriteFile(tmp / "file", "1");
    ASSERT_EQ(MakeDirectory((tmp / "folder").c_str()), 1);
    ASSERT_EQ(symlink((tmp / "folder").c_str(), (tmp / "link-to-folder").c_str()), 0);
    ASSERT_EQ(symlink((tmp / "missing").c_str(), (tmp / "dangling").c_str()), 0);
    DirectoryListing* listing = OpenDirectory(tmp.path.c_str());
    ASSERT_NE(listing, nullptr);
    std::vector<std::string> folders;
    while (const char* name = ReadDirectory(listing)) {
        struct stat st;
        ASSERT_EQ(lstat((tmp / name).c_str(), &st), 0) << name;
        EXPECT_EQ(ListedEntryIsFolder(listing), S_ISDIR(st.st_mode) ? 1 : 0) << name;
        if (ListedEntryIsFolder(listing)) folders.push_back(name);
    }
    EXPECT_EQ(ListedEntryIsFolder(listing), 0);  // past the end
    CloseDirectory(listing);
    std::sort(folders.begin(), folders.end());
    EXPECT_EQ(folders, (std::vector<std::string>{".", "..", "folder"}));
    EXPECT_EQ(ListedEntryIsFolder(nullptr), 0);
}

TEST(Paths, NormalizeFolderPathConvertsSeparatorsAndReservedCharacters)
{
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"a\\b*c", "a/b_c/"}, {"a/b/", "a/b/"}, {"x?<>|y", "x____y/"}, {"dir\\", "dir/"}, {"", ""}, {"/", "/"},
    };
    for (const Case& c : cases) {
        char buffer[64];
        strcpy(buffer, c.in);
        EXPECT_EQ(NormalizeFolderPath(buffer, sizeof(buffer)), 1);
        EXPECT_STREQ(buffer, c.out) << c.in;
        String s(c.in);
        NormalizeFolderPath(s);
        EXPECT_STREQ(s.c_str(), c.out) << c.in;
    }
}

TEST(Paths, NormalizeFolderPathRefusesABufferWithoutRoomForTheSlash)
{
    char buffer[4] = "abc";
    EXPECT_EQ(NormalizeFolderPath(buffer, sizeof(buffer)), 0);
    EXPECT_STREQ(buffer, "abc");
    char fits[5] = "ab\\";
    EXPECT_EQ(NormalizeFolderPath(fits, sizeof(fits)), 1);
    EXPECT_STREQ(fits, "ab/");
}

TEST(Paths, BaseNameTakesTheNamePart)
{
    struct Case {
        const char* path;
        int strip;
        const char* name;
    } cases[] = {
        {"C:file.txt", 1, "file"},        {"C:file.txt", 0, "file.txt"}, {"dir/sub\\file.tar.gz", 1, "file.tar"},
        {"dir/sub/file.tar.gz", 0, "file.tar.gz"}, {"dir/.hidden", 1, ""}, {"dir/", 0, ""},
        {"plain", 1, "plain"},            {"dir.v2/name", 1, "name"},
    };
    for (const Case& c : cases) EXPECT_STREQ(BaseName(c.path, c.strip), c.name) << c.path;
    std::string longName = "dir/" + std::string(5000, 'n');
    EXPECT_STREQ(BaseName(longName.c_str(), 0), "");
}

TEST(Paths, SplitPathPartsCutsFolderNameAndExtension)
{
    struct Case {
        const char* path;
        const char* folder;
        const char* name;
        const char* extension;
    } cases[] = {
        {"dir/sub/file.tar.gz", "dir/sub/", "file.tar", ".gz"},
        {"file", "", "file", ""},
        {"dir/", "dir/", "", ""},
        {"dir.v2\\file", "dir.v2\\", "file", ""},
        {".gitignore", "", "", ".gitignore"},
        {"", "", "", ""},
    };
    for (const Case& c : cases) {
        char folder[260], name[260], extension[260];
        strcpy(folder, "junk");
        EXPECT_EQ(SplitPathParts(c.path, folder, name, extension, sizeof(folder)), 1);
        EXPECT_STREQ(folder, c.folder) << c.path;
        EXPECT_STREQ(name, c.name) << c.path;
        EXPECT_STREQ(extension, c.extension) << c.path;
    }
    char only[16];
    EXPECT_EQ(SplitPathParts("a/b.c", nullptr, only, nullptr, sizeof(only)), 1);
    EXPECT_STREQ(only, "b");
}

TEST(Paths, SplitPathPartsFailsWhenAPartDoesNotFit)
{
    std::string path = std::string(300, 'd') + "/file.txt";
    char folder[260], name[260], extension[260];
    EXPECT_EQ(SplitPathParts(path.c_str(), folder, name, extension, sizeof(folder)), 0);
    EXPECT_STREQ(folder, "");
    EXPECT_STREQ(name, "");
    EXPECT_STREQ(extension, "");
    // Without the folder asked for, the rest fits.
    EXPECT_EQ(SplitPathParts(path.c_str(), nullptr, name, extension, sizeof(name)), 1);
    EXPECT_STREQ(name, "file");
}

TEST(Paths, SplitPathLeavesStringsOfEmptyPartsAsTheyWere)
{
    String folder("old folder"), name("old name"), extension("old ext");
    SplitPath("file", &folder, &name, &extension);
    EXPECT_STREQ(folder.c_str(), "old folder");
    EXPECT_STREQ(name.c_str(), "file");
    EXPECT_STREQ(extension.c_str(), "old ext");
    SplitPath("a/b/c.d", &folder, &name, &extension);
    EXPECT_STREQ(folder.c_str(), "a/b/");
    EXPECT_STREQ(name.c_str(), "c");
    EXPECT_STREQ(extension.c_str(), ".d");
}

TEST(Paths, SplitPathExGivesFolderAndFileOrStemAndExtension)
{
    String first, second;
    SplitPathEx("a/b/c.d", 0, &first, &second);
    EXPECT_STREQ(first.c_str(), "a/b/");
    EXPECT_STREQ(second.c_str(), "c.d");
    SplitPathEx("a.x/b/c.d", 1, &first, &second);
    EXPECT_STREQ(first.c_str(), "a.x/b/c");
    EXPECT_STREQ(second.c_str(), ".d");
    String stem("keep"), ext("keep");
    SplitPathEx("a.x/noext", 1, &stem, &ext);
    EXPECT_STREQ(stem.c_str(), "a.x/noext");
    EXPECT_STREQ(ext.c_str(), "keep");
    // The output may be the path itself.
    String path("dir/file.png");
    SplitPathEx(path, 1, &path, nullptr);
    EXPECT_STREQ(path.c_str(), "dir/file");
}

TEST(Paths, StripExtensionLooksOnlyAtTheNamePart)
{
    struct Case {
        const char* text;
        const char* extension;
        const char* result;
    } cases[] = {
        {"image.PNG", "png", "image"},        {"image.PNG", ".png", "image"}, {"image.PNG", "bmp", "image.PNG"},
        {"a.b.c", nullptr, "a.b"},            {"dir.v2/file", nullptr, "dir.v2/file"},
        {"dir.v2\\file", nullptr, "dir.v2\\file"}, {"dir.png/file", "png", "dir.png/file"},
        {"noext", nullptr, "noext"},          {"trailing.", nullptr, "trailing"},
    };
    for (const Case& c : cases) {
        char buffer[64];
        strcpy(buffer, c.text);
        StripExtension(buffer, c.extension);
        EXPECT_STREQ(buffer, c.result) << c.text;
        String s(c.text);
        EXPECT_EQ(StripExtension(s, c.extension), strcmp(c.text, c.result) != 0);
        EXPECT_STREQ(s.c_str(), c.result);
    }
}

TEST(Paths, AppendIfMissingAppendsOnlyWhenTheSuffixIsNowhere)
{
    String a("res/prefs");
    AppendIfMissing(a, ".txt");
    EXPECT_STREQ(a.c_str(), "res/prefs.txt");
    AppendIfMissing(a, ".txt");
    EXPECT_STREQ(a.c_str(), "res/prefs.txt");
    String b("x.txt.bak");
    AppendIfMissing(b, ".txt");
    EXPECT_STREQ(b.c_str(), "x.txt.bak");
}

TEST(WholeFiles, ReadWholeFileAppendsAZeroAndFailsOnFoldersAndMissingFiles)
{
    TempFolder tmp;
    WriteFile(tmp / "text", "hello\nworld");
    char* data = ReadWholeFile((tmp / "text").c_str());
    ASSERT_NE(data, nullptr);
    EXPECT_STREQ(data, "hello\nworld");
    free(data);

    WriteFile(tmp / "empty", "");
    data = ReadWholeFile((tmp / "empty").c_str());
    ASSERT_NE(data, nullptr);
    EXPECT_STREQ(data, "");
    free(data);

    std::string big(200000, 'q');
    big[123456] = 'Z';
    WriteFile(tmp / "big", big);
    data = ReadWholeFile((tmp / "big").c_str());
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(strlen(data), big.size());
    EXPECT_EQ(data[123456], 'Z');
    free(data);

    EXPECT_EQ(ReadWholeFile((tmp / "missing").c_str()), nullptr);
    EXPECT_EQ(ReadWholeFile(tmp.path.c_str()), nullptr);
}

TEST(WholeFiles, ReadWholeFileTakesAboutTheFileSizeInMemory)
{
    // Twice the file's size would put files of more than half the address space out of reach
    // in the 32-bit build.
    TempFolder tmp;
    const size_t size = 3 << 20;
    WriteFile(tmp / "large", std::string(size, 'x'));
    char* data = ReadWholeFile((tmp / "large").c_str());
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(strlen(data), size);
    EXPECT_LT(malloc_usable_size(data), size + size / 4);
    free(data);
}

TEST(WholeFiles, ReopenFileClosesTheOldStream)
{
    TempFolder tmp;
    WriteFile(tmp / "a", "A");
    FILE* stream = nullptr;
    EXPECT_EQ(ReopenFile(&stream, (tmp / "a").c_str(), "rb"), 1);
    EXPECT_EQ(fgetc(stream), 'A');
    EXPECT_EQ(ReopenFile(&stream, (tmp / "b").c_str(), "wb"), 1);
    EXPECT_EQ(IsDirectory((tmp / "b").c_str(), 0), 1);
    EXPECT_EQ(ReopenFile(&stream, (tmp / "missing/x").c_str(), "rb"), 0);
    EXPECT_EQ(stream, nullptr);
}

std::vector<u8> Encode(const std::vector<u8>& bytes)
{
    FILE* f = tmpfile();
    EXPECT_NE(f, nullptr);
    u64 wrote = WriteRLE(f, bytes.data(), u32(bytes.size()));
    std::vector<u8> code(size_t(ftell(f)));
    EXPECT_EQ(wrote, code.size());
    rewind(f);
    EXPECT_EQ(fread(code.data(), 1, code.size(), f), code.size());
    fclose(f);
    return code;
}

// Decodes code into n bytes between two guard bytes and checks the guards.
u64 Decode(const std::vector<u8>& code, u32 n, std::vector<u8>* out)
{
    FILE* f = tmpfile();
    EXPECT_NE(f, nullptr);
    fwrite(code.data(), 1, code.size(), f);
    rewind(f);
    std::vector<u8> buffer(size_t(n) + 2, 0xEE);
    u64 read = ReadRLE(&f, buffer.data() + 1, n);
    fclose(f);
    EXPECT_EQ(buffer.front(), 0xEE);
    EXPECT_EQ(buffer.back(), 0xEE) << "wrote past the output";
    out->assign(buffer.begin() + 1, buffer.end() - 1);
    return read;
}

TEST(RunLengthCoding, WritesGoldenPairsOfValueAndRunLengthMinusOne)
{
    struct Case {
        std::vector<u8> bytes;
        std::vector<u8> code;
    } cases[] = {
        {std::vector<u8>(300, 7), {7, 255, 7, 43}},
        {{1, 2, 2, 3}, {1, 0, 2, 1, 3, 0}},
        {std::vector<u8>(256, 0), {0, 255}},
        {std::vector<u8>(257, 9), {9, 255, 9, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Encode(c.bytes), c.code);
        std::vector<u8> back;
        EXPECT_EQ(Decode(c.code, u32(c.bytes.size()), &back), c.code.size());
        EXPECT_EQ(back, c.bytes);
    }
}

TEST(RunLengthCoding, RoundTripsMixedData)
{
    std::vector<u8> bytes;
    u32 seed = 12345;
    while (bytes.size() < 5000) {
        seed = seed * 1664525u + 1013904223u;
        size_t run = (seed >> 8) % 600 + 1;
        bytes.insert(bytes.end(), run, u8(seed >> 24));
    }
    std::vector<u8> back;
    std::vector<u8> code = Encode(bytes);
    EXPECT_EQ(Decode(code, u32(bytes.size()), &back), code.size());
    EXPECT_EQ(back, bytes);
}

TEST(RunLengthCoding, RefusesRunsPastTheLengthAndShortCodeWithoutOverrun)
{
    std::vector<u8> back;
    // Runs add up to 10 + 256 bytes for an output of 12.
    EXPECT_EQ(Decode({1, 9, 2, 255}, 12, &back), 0u);
    EXPECT_EQ(back, (std::vector<u8>{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2}));
    EXPECT_EQ(Decode({5, 1}, 4, &back), 0u);   // ends after 2 of 4 bytes
    EXPECT_EQ(Decode({5}, 1, &back), 0u);      // half a pair

    EXPECT_EQ(WriteRLE(static_cast<FILE*>(nullptr), back.data(), 1), 0u);
    FILE* f = tmpfile();
    u8 byte = 1;
    EXPECT_EQ(WriteRLE(f, &byte, 0), 0u);
    EXPECT_EQ(ReadRLE(f, &byte, 0), 0u);
    fclose(f);
}

TEST(RunLengthCoding, ReadingStopsRightAfterTheCodeAndScanningFindsTheSameValues)
{
    // Two planes back to back, then a marker: each read must leave the stream at the next.
    std::vector<u8> first;
    for (u32 i = 0; i < 70000; ++i) first.push_back(u8((i / 3) % 5 + 10 * (i % 7 == 0)));
    std::vector<u8> second(1000, 200);
    std::vector<u8> code1 = Encode(first), code2 = Encode(second);
    FILE* f = tmpfile();
    ASSERT_NE(f, nullptr);
    fwrite(code1.data(), 1, code1.size(), f);
    fwrite(code2.data(), 1, code2.size(), f);
    fputc(0x5A, f);
    for (int scan = 0; scan < 2; ++scan) {
        rewind(f);
        std::vector<u8> a(first.size()), b(second.size());
        bool present[256] = {};
        if (scan) {
            EXPECT_EQ(ScanRLE(f, u32(first.size()), present), code1.size());
            EXPECT_EQ(ScanRLE(f, u32(second.size()), present), code2.size());
            for (u32 v = 0; v < 256; ++v) {
                bool expected = std::find(first.begin(), first.end(), u8(v)) != first.end() || v == 200;
                EXPECT_EQ(present[v], expected) << v;
            }
        } else {
            EXPECT_EQ(ReadRLE(f, a.data(), u32(a.size())), code1.size());
            EXPECT_EQ(ReadRLE(f, b.data(), u32(b.size())), code2.size());
            EXPECT_EQ(a, first);
            EXPECT_EQ(b, second);
        }
        EXPECT_EQ(fgetc(f), 0x5A) << (scan ? "scan" : "read");
    }
    // Runs past the length and short code fail for the scan too.
    rewind(f);
    bool present[256] = {};
    EXPECT_EQ(ScanRLE(f, u32(first.size() + second.size() + 5), present), 0u);
    EXPECT_EQ(ScanRLE(f, 0, present), 0u);
    fclose(f);
}

TEST(RunLengthCoding, WriteFailsWhenTheStreamRefuses)
{
    FILE* f = fopen("/dev/full", "wb");
    if (!f) GTEST_SKIP() << "no /dev/full";
    setvbuf(f, nullptr, _IONBF, 0);
    std::vector<u8> bytes(1000, 3);
    EXPECT_EQ(WriteRLE(f, bytes.data(), u32(bytes.size())), 0u);
    fclose(f);
}

TEST(SwapMemoryTest, ExchangesBlocksLongerThanItsBuffer)
{
    std::vector<u8> a(1000), b(1000);
    for (size_t i = 0; i < a.size(); ++i) {
        a[i] = u8(i);
        b[i] = u8(255 - i);
    }
    std::vector<u8> a0 = a, b0 = b;
    SwapMemory(a.data(), b.data(), a.size());
    EXPECT_EQ(a, b0);
    EXPECT_EQ(b, a0);
}

struct ScanLog {
    std::vector<std::string> files;
    std::vector<std::string> folders;
    std::vector<std::string> folderArgs;
    int stopAfter = -1;  // stop when this many callbacks ran
    int calls = 0;
};

int LogFile(const FileInfo* info, const char* folder, const char* name, void* context)
{
    ScanLog* log = static_cast<ScanLog*>(context);
    EXPECT_FALSE(info->flags & kFileDirectory);
    log->files.push_back(std::string(folder) + name);
    log->folderArgs.push_back(folder);
    return ++log->calls != log->stopAfter;
}

int LogFolder(const FileInfo* info, const char* folder, const char* name, void* context)
{
    ScanLog* log = static_cast<ScanLog*>(context);
    EXPECT_TRUE(info->flags & kFileDirectory);
    log->folders.push_back(std::string(folder) + name);
    log->folderArgs.push_back(folder);
    return ++log->calls != log->stopAfter;
}

TEST(Scanning, SkipsSystemClutterAndPassesTheNormalisedFolder)
{
    TempFolder tmp;
    for (const char* name : {"Thumbs.DB", "Desktop.INI", ".DS_Store", "keep.txt"}) WriteFile(tmp / name, "x");
    ASSERT_EQ(mkdir((tmp / "sub").c_str(), 0777), 0);
    ScanLog log;
    EXPECT_EQ(ScanFolder(tmp.path.c_str(), 0, LogFile, LogFolder, &log), 1);
    EXPECT_EQ(log.files, (std::vector<std::string>{tmp / "keep.txt"}));
    EXPECT_EQ(log.folders, (std::vector<std::string>{tmp / "sub"}));
    for (const std::string& folder : log.folderArgs) EXPECT_EQ(folder, tmp.path + "/");
}

TEST(Scanning, RecursesIntoEachFolderAndAllowsNullCallbacks)
{
    TempFolder tmp;
    ASSERT_EQ(mkdir((tmp / "a").c_str(), 0777), 0);
    ASSERT_EQ(mkdir((tmp / "a/b").c_str(), 0777), 0);
    WriteFile(tmp / "top", "1");
    WriteFile(tmp / "a/mid", "2");
    WriteFile(tmp / "a/b/deep", "3");
    ScanLog log;
    EXPECT_EQ(ScanFolder(tmp.path.c_str(), 1, LogFile, nullptr, &log), 1);
    std::sort(log.files.begin(), log.files.end());
    EXPECT_EQ(log.files, (std::vector<std::string>{tmp / "a/b/deep", tmp / "a/mid", tmp / "top"}));

    ScanLog flat;
    EXPECT_EQ(ScanFolder(tmp.path.c_str(), 0, LogFile, LogFolder, &flat), 1);
    EXPECT_EQ(flat.files, (std::vector<std::string>{tmp / "top"}));
    EXPECT_EQ(flat.folders, (std::vector<std::string>{tmp / "a"}));
}

TEST(Scanning, ACallbackAnsweringZeroStopsTheWholeScan)
{
    TempFolder tmp;
    ASSERT_EQ(mkdir((tmp / "a").c_str(), 0777), 0);
    for (const char* name : {"a/1", "a/2", "a/3", "x", "y"}) WriteFile(tmp / name, "x");
    for (int stop = 1; stop <= 6; ++stop) {
        ScanLog log;
        log.stopAfter = stop;
        EXPECT_EQ(ScanFolder(tmp.path.c_str(), 1, LogFile, LogFolder, &log), 0) << stop;
        EXPECT_EQ(log.calls, stop);
    }
    ScanLog all;
    all.stopAfter = 7;
    EXPECT_EQ(ScanFolder(tmp.path.c_str(), 1, LogFile, LogFolder, &all), 1);
    EXPECT_EQ(all.calls, 6);
}

TEST(Scanning, DoesNotFollowASymlinkBackUpTheTree)
{
    TempFolder tmp;
    ASSERT_EQ(mkdir((tmp / "a").c_str(), 0777), 0);
    WriteFile(tmp / "a/file", "x");
    ASSERT_EQ(symlink(tmp.path.c_str(), (tmp / "a/loop").c_str()), 0);
    ASSERT_EQ(symlink("nowhere", (tmp / "a/broken").c_str()), 0);
    ScanLog log;
    EXPECT_EQ(ScanFolder(tmp.path.c_str(), 1, LogFile, LogFolder, &log), 1);
    EXPECT_EQ(log.files, (std::vector<std::string>{tmp / "a/file"}));
    std::sort(log.folders.begin(), log.folders.end());
    EXPECT_EQ(log.folders, (std::vector<std::string>{tmp / "a", tmp / "a/loop"}));
}

TEST(Scanning, FoldersWhoseNamesHoldReservedCharactersAreListed)
{
    TempFolder tmp;
    std::string odd = tmp / "what?*<x>|y";
    ASSERT_EQ(mkdir(odd.c_str(), 0777), 0);
    ASSERT_EQ(mkdir((odd + "/back\\slash").c_str(), 0777), 0);
    WriteFile(odd + "/back\\slash/inner", "x");
    EXPECT_EQ(IsDirectory(odd.c_str(), 1), 1);
    ScanLog log;
    EXPECT_EQ(ScanFolder(odd.c_str(), 1, LogFile, nullptr, &log), 1);
    EXPECT_EQ(log.files, (std::vector<std::string>{odd + "/back\\slash/inner"}));
    ScanLog top;
    EXPECT_EQ(ScanFolder(tmp.path.c_str(), 1, LogFile, nullptr, &top), 1);
    EXPECT_EQ(top.files, log.files);
}

TEST(Paths, ResolveFolderPathKeepsExistingNamesAndNormalisesOthers)
{
    TempFolder tmp;
    std::string odd = tmp / "a?b";
    ASSERT_EQ(mkdir(odd.c_str(), 0777), 0);
    EXPECT_STREQ(ResolveFolderPath(odd.c_str()).c_str(), (odd + "/").c_str());
    EXPECT_STREQ(ResolveFolderPath((odd + "/").c_str()).c_str(), (odd + "/").c_str());
    EXPECT_STREQ(ResolveFolderPath("C:\\no\\such?").c_str(), "C:/no/such_/");
    EXPECT_STREQ(ResolveFolderPath("").c_str(), "");
}

TEST(Scanning, AFolderThatCannotBeListedIsEmpty)
{
    TempFolder tmp;
    ScanLog log;
    EXPECT_EQ(ScanFolder((tmp / "missing").c_str(), 1, LogFile, LogFolder, &log), 1);
    EXPECT_EQ(ScanFolder("", 1, LogFile, LogFolder, &log), 1);
    EXPECT_EQ(log.calls, 0);
}

class DirectoryStackTest : public ::testing::Test {
protected:
    void SetUp() override { start = CurrentDirectory(); }
    void TearDown() override
    {
        FreeDirectoryStack();
        EXPECT_EQ(chdir(start.c_str()), 0);
    }
    std::string start;
};

TEST_F(DirectoryStackTest, PopReturnsToTheDirectoryBeforeThePushAndStaysThere)
{
    TempFolder tmp;
    EXPECT_EQ(PushDirectory(tmp.path.c_str()), 1);
    EXPECT_EQ(CurrentDirectory(), tmp.path);
    EXPECT_EQ(DirectoryStackDepth(), 2u);
    EXPECT_EQ(PopDirectory(), 1);
    EXPECT_EQ(CurrentDirectory(), start);
    EXPECT_EQ(PopDirectory(), 1);
    EXPECT_EQ(CurrentDirectory(), start);
    EXPECT_EQ(DirectoryStackDepth(), 1u);
}

TEST_F(DirectoryStackTest, RelativePushesPopBackToTheRightFolders)
{
    TempFolder tmp;
    ASSERT_EQ(mkdir((tmp / "a").c_str(), 0777), 0);
    ASSERT_EQ(mkdir((tmp / "a/a").c_str(), 0777), 0);
    ASSERT_EQ(chdir(tmp.path.c_str()), 0);
    EXPECT_EQ(PushDirectory("a"), 1);
    EXPECT_EQ(PushDirectory("a"), 1);
    EXPECT_EQ(CurrentDirectory(), tmp / "a/a");
    EXPECT_EQ(PopDirectory(), 1);
    EXPECT_EQ(CurrentDirectory(), tmp / "a");
    EXPECT_EQ(PopDirectory(), 1);
    EXPECT_EQ(CurrentDirectory(), tmp.path);
}

TEST_F(DirectoryStackTest, AFailedPushIsStillPushedAndPopped)
{
    TempFolder tmp;
    EXPECT_EQ(PushDirectory(tmp.path.c_str()), 1);
    EXPECT_EQ(PushDirectory((tmp / "missing").c_str()), 0);
    EXPECT_EQ(CurrentDirectory(), tmp.path);
    EXPECT_EQ(DirectoryStackDepth(), 3u);
    EXPECT_EQ(PopDirectory(), 1);
    EXPECT_EQ(CurrentDirectory(), tmp.path);
    EXPECT_EQ(PopDirectory(), 1);
    EXPECT_EQ(CurrentDirectory(), start);
    EXPECT_EQ(PushCurrentDirectory(), 1);
    EXPECT_EQ(DirectoryStackDepth(), 2u);
}

TEST_F(DirectoryStackTest, PopOnAnEmptyStackDoesNothing)
{
    EXPECT_EQ(PopDirectory(), 0);
    EXPECT_EQ(CurrentDirectory(), start);
}

}  // namespace
