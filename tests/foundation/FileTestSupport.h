#pragma once
// Helpers of the file-format tests: whole files as bytes, third-party tools run through the
// shell, and a fixture that gives every test a fresh temporary folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/Types.h"
#include "tests/common/FileBytes.h"
#include "tests/common/TempFolder.h"

using Bytes = std::vector<u8>;

// Standard output and error of a shell command.
inline std::string Capture(const std::string& cmd)
{
    std::string out;
    FILE* p = popen((cmd + " 2>&1").c_str(), "r");
    if (!p) return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), p)) > 0) out.append(buf, n);
    pclose(p);
    return out;
}

// Whether the command succeeded; its output is dropped.
inline bool RunQuiet(const std::string& cmd)
{
    return system((cmd + " >/dev/null 2>&1").c_str()) == 0;
}

inline bool HaveTool(const char* name)
{
    return RunQuiet(std::string("command -v ") + name);
}

// Each test gets a new folder under /tmp, removed with everything in it afterwards.
class TempFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/tavik-files-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
    }
    void TearDown() override
    {
        RemoveTree(dir);
    }
    std::string Path(const char* name) const { return dir + "/" + name; }

    std::string dir;
};
