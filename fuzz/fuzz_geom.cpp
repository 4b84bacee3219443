// Geometry tag data.
#include <cstdio>
#include <cstring>

#include "codex/Geometry.h"
#include "model/LwoExport.h"
#include "model/RenderModel.h"

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    FILE* f = fmemopen(const_cast<u8*>(data), size, "rb");
    if (!f) return 0;
    TagHeader header;
    memset(&header, 0, sizeof header);
    header.size = u32(size);
    Geometry geom;
    InitGeom(&geom);
    if (ReadGeomTag(&geom, f, &header)) {
        // Whatever reads must be writable again.
        FILE* out = tmpfile();
        if (out) {
            TagHeader outHeader = header;
            WriteGeomTag(&geom, out, &outHeader);
            fclose(out);
        }
        // And drawable and exportable as a render model.
        RenderModel* model = BuildRenderModelFromGeom(&geom);
        LwoWriter writer;
        BuildLwoObject(model, &writer);
        DeleteRenderModel(model);
    }
    FreeGeom(&geom);
    fclose(f);
    return 0;
}
