#pragma once
// Scratch folders for tests: a fresh folder under /tmp, removed with everything in it.
#include <ftw.h>
#include <stdlib.h>

#include <cstdio>
#include <string>

// Removes the folder and everything below it without following links. A missing folder or an
// empty path is no error; the walk stops at the first entry that cannot be removed.
inline void RemoveTree(const std::string& path)
{
    if (path.empty()) return;
    nftw(
        path.c_str(), [](const char* p, const struct stat*, int, struct FTW*) { return remove(p) == 0 ? 0 : -1; }, 16,
        FTW_DEPTH | FTW_PHYS);
}

// Makes /tmp/<prefix>-XXXXXX on construction and removes it with its contents on destruction.
// path is empty when the folder could not be made.
class TempFolder {
public:
    explicit TempFolder(const char* prefix = "tavik-test")
    {
        std::string pattern = std::string("/tmp/") + prefix + "-XXXXXX";
        if (mkdtemp(&pattern[0])) path = pattern;
    }
    ~TempFolder() { RemoveTree(path); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // A name inside the folder.
    std::string operator/(const std::string& name) const { return path + "/" + name; }

    std::string path;
};
