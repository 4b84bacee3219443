// Geometry tag data.
#include <cstdio>
#include <cstring>

#include "codex/Geometry.h"
#include "fuzz/TagDataFuzz.h"
#include "model/LwoExport.h"
#include "model/RenderModel.h"

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    TagHeader header;
    FILE* f = tagfuzz::OpenTagData(data, size, &header);
    if (!f) return 0;
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
