#pragma once
// What "assimp info -r" (Debian's assimp-utils) reports about an object file, so that our
// reader and writer are checked against another program's reading.
#include <cstdio>
#include <cstdlib>
#include <string>

struct Summary {
    long faces = 0;
    long corners = 0;
    float min[3] = {0, 0, 0};
    float max[3] = {0, 0, 0};
    bool ok = false;
};

// What assimp reports: faces over all layers, vertices (one per corner, no joining with -r) and
// the bounding box of the vertices in its own axes (z negated).
inline Summary RunAssimp(const std::string& path)
{
    Summary s;
    std::string cmd = "assimp info '" + path + "' -r 2>/dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return s;
    char line[1024];
    int found = 0;
    while (fgets(line, sizeof line, p)) {
        long v;
        if (sscanf(line, " Vertices: %ld", &v) == 1) {
            s.corners = v;
            found |= 1;
        } else if (sscanf(line, " Faces: %ld", &v) == 1) {
            s.faces = v;
            found |= 2;
        } else if (sscanf(line, " Minimum point (%f %f %f)", &s.min[0], &s.min[1], &s.min[2]) == 3) {
            found |= 4;
        } else if (sscanf(line, " Maximum point (%f %f %f)", &s.max[0], &s.max[1], &s.max[2]) == 3) {
            found |= 8;
        }
    }
    s.ok = pclose(p) == 0 && found == 15;
    return s;
}

inline bool HaveAssimp() { return system("command -v assimp >/dev/null 2>&1") == 0; }
