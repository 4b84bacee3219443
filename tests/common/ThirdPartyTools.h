#pragma once
// Asking the third-party tools installed on the machine (ImageMagick and others) about the
// files a test wrote.
#include <cstdio>
#include <cstdlib>
#include <string>

// Whether the command is on the PATH.
inline bool HaveThirdPartyTool(const char* name)
{
    return system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

// What the command prints on its standard output ("" when it cannot be run).
inline std::string ToolOutput(const std::string& command)
{
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return out;
    char buffer[256];
    while (fgets(buffer, sizeof(buffer), p)) out += buffer;
    pclose(p);
    return out;
}
