#pragma once
// Small test-only definitions: XML text parsed into a private registry, and the log lines a
// load writes.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "codex/TagHeader.h"
#include "collection/Collection.h"
#include "foundation/Log.h"
#include "tagedit/StructDef.h"

// Parses "<tavikxmlfile>...</tavikxmlfile>" around `body` into `list`.
inline void LoadDefinitions(StructDefList& list, const std::string& body, const char* source = "test.xml")
{
    TiXmlDocument doc;
    doc.Parse(("<tavikxmlfile>" + body + "</tavikxmlfile>").c_str());
    ASSERT_FALSE(doc.Error()) << doc.ErrorDesc() << "\n" << body;
    list.LoadRoot(doc.FirstChildElement("tavikxmlfile"), source);
}

// Collects log lines while it lives.
class LogCapture {
public:
    LogCapture() { previous = SetLogSink(Sink, this, &previousContext); }
    ~LogCapture() { SetLogSink(previous, previousContext); }
    std::vector<std::string> lines;

private:
    static void Sink(void* context, u32, const char*, const char* text)
    {
        static_cast<LogCapture*>(context)->lines.push_back(text);
    }
    LogSink previous;
    void* previousContext = nullptr;
};

// The stored bytes of a collection tag with a grey colour table and the named sequences.
inline std::vector<u8> CollectionTagBytes(std::initializer_list<const char*> sequences)
{
    Collection c;
    ColorTableEntry colors[256] = {};
    c.SetColorTable(colors, 256);
    for (const char* name : sequences) c.AddSequence(name);
    FILE* f = tmpfile();
    TagHeader h = {};
    EXPECT_TRUE(c.Write(f, &h));
    std::vector<u8> b(size_t(ftell(f)));
    rewind(f);
    EXPECT_EQ(fread(b.data(), 1, b.size(), f), b.size());
    fclose(f);
    return b;
}
