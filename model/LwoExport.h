#pragma once
// Writing a render model as a LightWave LWO2 object with one PNG picture per material.
#include "foundation/DynArray.h"
#include "foundation/Types.h"
#include "model/RenderModel.h"

// One open IFF chunk of the object being assembled. Offsets point into the buffer (which
// grows); a chunk has a 4-byte size field, a sub-chunk a 2-byte one.
struct LwoChunk {
    u32 id;
    s32 size;     // bytes written into the chunk so far, its own header excluded
    s64 size4At;  // offset of the 4-byte size field, or -1
    s64 size2At;  // offset of the 2-byte size field, or -1
    LwoChunk* enclosing;
};

// The object in memory: the bytes and the innermost open chunk. Every value is big-endian and
// every byte written is counted in the open chunk and all chunks around it.
struct LwoWriter {
    DynArray<u8> bytes;
    LwoChunk* current;
    u32 failed;  // memory ran out or a chunk outgrew its size field

    LwoWriter();
    ~LwoWriter();
    LwoWriter(const LwoWriter&) = delete;
    LwoWriter& operator=(const LwoWriter&) = delete;

    void Write(const void* data, u32 n);
    void U1(u32 v);
    void U2(u32 v);
    void U4(u32 v);
    void F4(float v);
    // A point, polygon or clip index: 2 bytes below 0xFF00, else 4 bytes with 0xFF on top.
    // An index above 0xFFFFFF has no form: nothing is written and the writer fails.
    void VX(u32 v);
    // Opens a chunk (sub = false) or a sub-chunk inside the current one.
    void Open(LwoChunk* chunk, u32 id, bool sub);
    // Pads an odd chunk with one zero byte, fills in its size and returns to the enclosing one.
    void Close();
};

// Writes the string with its zero and, when that makes an odd count, one more zero (S0).
void LwoWriteString(LwoWriter* writer, const char* string);

// The file names the export gives the material pictures: the texture file name made safe to
// sit in the destination folder ('/', '\' and ".." replaced, never empty), with ".png"
// appended unless it contains ".png", and made different for pictures that differ.
void LwoExportPictureNames(const RenderModel* model, DynArray<String>* names);

// The surface names the export writes: one per material, never empty and all different; one
// more ("Default") for triangles whose material is outside the materials, when there are any.
void LwoExportSurfaceNames(const RenderModel* model, DynArray<String>* names, bool* extraSurface);

// Assembles the whole object in memory. Answers 0 when it cannot be expressed (more
// surfaces, clips, points or triangles than an LWO2 index can name) or memory runs out.
int BuildLwoObject(const RenderModel* model, LwoWriter* writer);

// Creates the folder, writes every material's picture as a PNG beside the object (a material
// without a picture writes none), then the object named name (".lwo" appended unless it
// contains ".lwo") through a temporary file. Answers 1 when the object file was written
// completely, else 0 (an earlier file of that name is then left as it was).
int ExportModelToLwo(const RenderModel* model, const char* folder, const char* name);
