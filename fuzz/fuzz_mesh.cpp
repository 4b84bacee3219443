// Terrain mesh tag data, version 11.
#include <cstdio>
#include <cstring>

#include "codex/MeshTag.h"

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    FILE* f = fmemopen(const_cast<u8*>(data), size, "rb");
    if (!f) return 0;
    TagHeader header;
    memset(&header, 0, sizeof header);
    header.size = u32(size);
    header.version = 11;
    MeshTagData mesh;
    InitMesh(&mesh);
    ReadMeshTag(&mesh, f, &header);
    FreeMesh(&mesh);
    fclose(f);
    return 0;
}
