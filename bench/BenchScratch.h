#pragma once
// The benchmark program's scratch folder under the temporary folder: made on first use and
// removed, with everything written into it, when the program exits. Aborts when it cannot be
// made (a benchmark without its files measures nothing).
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

inline const std::string& BenchScratchFolder()
{
    static std::string folder;
    if (folder.empty()) {
        char pattern[] = "/tmp/tavik-bench-XXXXXX";
        if (!mkdtemp(pattern)) abort();
        folder = pattern;
        // Registered after the name is made, so it runs before the name is destroyed.
        atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        });
    }
    return folder;
}
