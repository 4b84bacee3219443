#pragma once
// Small test-only definitions: XML text parsed into a private registry, and the log lines a
// load writes.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <string>
#include <vector>

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
