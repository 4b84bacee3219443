#pragma once
// Shared scaffolding of the tag database tests: a fresh temporary game folder per test, a
// capturing log sink, a listener that records events, and byte builders for tag files and
// archives written field by field (independently of the production writers).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "../common/ByteBuilder.h"
#include "../common/FileBytes.h"
#include "codex/Archive.h"
#include "codex/Codex.h"
#include "codex/LocalFolder.h"
#include "codex/TagFiles.h"
#include "foundation/Log.h"
#include "foundation/PrefStore.h"

typedef std::vector<u8> Bytes;

inline Bytes TagHeaderBytes(const char* name, u32 group, u32 tag, u32 offset, u32 size, u32 user = 0,
                            u32 version = 1, u32 game = FourCC("vrn2"))
{
    ByteBuilder b;
    b.U16(0xFFFF).U8(0).U8(0).Text(name, 32).U32(group).U32(tag).U32(offset).U32(size).U32(user);
    b.U16(version).U8(0xFF).U8(0xFF).U32(game);
    return b.bytes;
}

inline Bytes OldTagHeaderBytes(const char* name, u32 group, u32 tag, u32 offset, u32 size, u32 version = 1)
{
    ByteBuilder b;
    b.Text(name, 32).U32(group).U32(tag).U32(version).U16(7).U16(7).U32(offset).U32(size).U32(9);
    b.U32(FourCC("vorn"));
    return b.bytes;
}

inline Bytes Concat(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline Bytes Data(const char* text) { return Bytes(text, text + strlen(text)); }

// Writes the file, making its folders first.
inline void WriteBytes(const std::string& path, const Bytes& bytes)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    WriteFile(path, bytes);
}

inline bool Exists(const std::string& path) { return std::filesystem::exists(path); }

// One tag of a test archive.
struct TestTag {
    u32 group;
    u32 tag;
    std::string name;
    Bytes data;
};

// A current-form archive: header, a mesh record per 'mesh' tag, the directory in the given
// order and the data back to back.
inline Bytes ArchiveBytes(u32 kind, u32 priority, const char* name, const std::vector<TestTag>& tags,
                          const char* url = "")
{
    u32 meshes = 0;
    for (const TestTag& t : tags)
        if (t.group == FourCC("mesh")) ++meshes;
    const u32 directory = 128 + 112 * meshes;
    u32 data = directory + 64 * u32(tags.size());
    const u32 dataStart = data;
    ByteBuilder dir, body, mesh;
    for (const TestTag& t : tags) {
        if (t.group == FourCC("mesh")) mesh.U32(t.tag).Zeros(12).Text(t.name.c_str(), 32).Text(t.name.c_str(), 64);
        dir.Bytes(TagHeaderBytes(t.name.c_str(), t.group, t.tag, data, u32(t.data.size())));
        body.Bytes(t.data);
        data += u32(t.data.size());
    }
    ByteBuilder b;
    b.U16(kind).U16(priority).Text(name, 32).Text(url, 64).U16(meshes).U16(u32(tags.size()));
    b.U32(0).U32(0).U32(data).U32(0).U32(dataStart).U32(FourCC("dng2"));
    b.Bytes(mesh.bytes).Bytes(dir.bytes).Bytes(body.bytes);
    return b.bytes;
}

struct LogLine {
    u32 level;
    std::string category;
    std::string text;
};

struct CodexEventRecord {
    u32 event;
    Archive* archive;
    TagEntry* entry;
};

class CodexTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/tavik-codex-XXXXXX";
        ASSERT_TRUE(mkdtemp(pattern));
        root = pattern;
        root += "/";
        SetVornPath(root.c_str());
        SetLogSink(&CodexTest::Capture, this);
        SetCodexListener(&CodexTest::Record, this, true);
    }
    void TearDown() override
    {
        for (TagEntry* e : attached) DetachFromTag(e, kAttachEditor, this);
        EXPECT_TRUE(CloseCodex());
        SetCodexListener(&CodexTest::Record, this, false);
        SetLogSink(nullptr, nullptr);
        std::filesystem::remove_all(root);
    }

    static void Capture(void* context, u32 level, const char* category, const char* text)
    {
        static_cast<CodexTest*>(context)->logs.push_back({level, category, text});
    }
    static void Record(void* context, Archive* archive, TagEntry* entry, u32 event)
    {
        static_cast<CodexTest*>(context)->events.push_back({event, archive, entry});
    }

    std::string Local() const { return root + "local/"; }
    std::string Plugins() const { return root + "plugins/"; }
    std::string Tags() const { return root + "tags/"; }

    // A local tag file in the group's folder (the folder name as given).
    void WriteLocal(const std::string& folder, const std::string& file, const char* name, u32 group, u32 tag,
                    const Bytes& data, u32 user = 0, u32 version = 1)
    {
        WriteBytes(Local() + folder + "/" + file,
                   Concat(TagHeaderBytes(name, group, tag, 64, u32(data.size()), user, version), data));
    }

    Archive* OpenTestArchive(const std::string& path, u32 kind, u32 priority, const std::vector<TestTag>& tags)
    {
        WriteBytes(path, ArchiveBytes(kind, priority, "test", tags));
        return OpenArchive(path.c_str());
    }

    // Keeps a tag in use until the test ends.
    void Attach(TagEntry* e)
    {
        AttachToTag(e, kAttachEditor, this);
        attached.push_back(e);
    }

    std::vector<u32> EventCodes() const
    {
        std::vector<u32> out;
        for (const CodexEventRecord& r : events) out.push_back(r.event);
        return out;
    }

    bool Logged(const char* part) const
    {
        for (const LogLine& l : logs)
            if (l.text.find(part) != std::string::npos) return true;
        return false;
    }

    // The bytes a tag's winning copy holds.
    static Bytes TagData(TagEntry* e)
    {
        TagHeader h;
        FILE* f = OpenTag(e, &h);
        Bytes out(h.size);
        if (!f) return Bytes{0xEE};
        if (h.size && fread(out.data(), 1, h.size, f) != h.size) out = Bytes{0xEE};
        CloseTagReader(e);
        return out;
    }

    std::string root;
    std::vector<LogLine> logs;
    std::vector<CodexEventRecord> events;
    std::vector<TagEntry*> attached;
};

