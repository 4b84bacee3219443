// Terrain mesh tag data, version 11.
#include <cstdio>
#include <cstring>

#include "codex/MeshTag.h"
#include "fuzz/TagDataFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    TagHeader header;
    FILE* f = tagfuzz::OpenTagData(data, size, &header);
    if (!f) return 0;
    header.version = 11;
    MeshTagData mesh;
    InitMesh(&mesh);
    ReadMeshTag(&mesh, f, &header);
    FreeMesh(&mesh);
    fclose(f);
    return 0;
}
