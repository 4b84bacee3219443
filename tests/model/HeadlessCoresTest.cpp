// The cores of the tag database, collections, models and terrain build without a display:
// none of their files includes the platform, the widgets, OpenGL or a windowing toolkit, and
// they reach files through foundation's file layer rather than the system's calls. The UI
// parts (the ui/ folders) are not cores.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "foundation/Types.h"
#include "tests/common/TestDirs.h"

namespace {

// The banned include of a line, or "" when it includes nothing banned. The tag database keeps
// its own low-level file code (temporary files synced and renamed, sizes past 4 GB), so only
// the other cores are held to foundation's file layer.
std::string BannedInclude(const std::string& line, bool fileCallsToo)
{
    static const char* const kDisplay[] = {"\"platform/", "\"gui/", "<GL/", "<GLFW/", "<gtk/", "<X11/"};
    static const char* const kFileCalls[] = {"<sys/stat.h>", "<dirent.h>"};
    const size_t at = line.find("#include");
    if (at == std::string::npos || line.find_first_not_of(" \t") != at) return "";
    for (const char* banned : kDisplay)
        if (line.find(banned, at) != std::string::npos) return banned;
    if (fileCallsToo)
        for (const char* banned : kFileCalls)
            if (line.find(banned, at) != std::string::npos) return banned;
    return "";
}

}  // namespace

TEST(HeadlessCores, NoCoreFileIncludesThePlatformGLOrTheSystemsFileCalls)
{
    namespace fs = std::filesystem;
    std::vector<std::string> found;
    u32 files = 0;
    for (const char* core : {"codex", "collection", "model", "terrain"}) {
        const fs::path folder = fs::path(TestSourceDir()) / core;
        ASSERT_TRUE(fs::is_directory(folder)) << folder;
        for (const auto& entry : fs::directory_iterator(folder)) {
            const std::string ext = entry.path().extension().string();
            if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp")) continue;
            ++files;
            std::ifstream in(entry.path());
            std::string line;
            for (u32 n = 1; std::getline(in, line); ++n) {
                const std::string banned = BannedInclude(line, std::string(core) != "codex");
                if (!banned.empty())
                    found.push_back(std::string(core) + "/" + entry.path().filename().string() + ":" +
                                    std::to_string(n) + " " + banned);
            }
        }
    }
    EXPECT_GT(files, 40u);
    EXPECT_EQ(found, std::vector<std::string>{});
}
