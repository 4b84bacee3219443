// LightWave objects (LWO2 and LWOB): one whole file per input. The reader takes a path, so the
// input is placed in an in-memory file reached through /proc/self/fd.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "model/LwoExport.h"
#include "model/LwoObject.h"
#include "model/ModelImport.h"

static int MemoryFile()
{
    static int fd = memfd_create("fuzz_lwo", 0);
    return fd;
}

// What a successful read promises its users; a broken promise is a crash for the fuzzer.
static void Check(const LwoObject* object)
{
    if (!object->layer) abort();
    for (const LwoLayer* layer = object->layer; layer; layer = layer->next) {
        for (s32 i = 0; i < layer->polygon.count; ++i) {
            const LwoPolygon* pol = &layer->polygon.pol[i];
            if (!pol->surf) abort();
            for (s32 j = 0; j < pol->nverts; ++j) {
                s32 p = pol->v[j].index;
                if (p < 0 || p >= layer->point.count) abort();
            }
        }
        for (s32 i = 0; i < layer->point.count; ++i) {
            const LwoPoint* pt = &layer->point.pt[i];
            for (s32 j = 0; j < pt->npols; ++j)
                if (pt->pol[j] < 0 || pt->pol[j] >= layer->polygon.count) abort();
            for (s32 j = 0; j < pt->nvmaps; ++j)
                if (pt->vm[j].index >= pt->vm[j].vmap->count) abort();
        }
    }
}

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    int fd = MemoryFile();
    if (fd < 0 || ftruncate(fd, 0) != 0) return 0;
    if (size && pwrite(fd, data, size, 0) != ssize_t(size)) return 0;
    char path[64];
    snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
    LwoObject* object = LwoReadObject(path, nullptr, nullptr);
    if (object) {
        Check(object);
        // Whatever imports must export again.
        if (RenderModel* model = BuildRenderModelFromLwo(object)) {
            LwoWriter writer;
            BuildLwoObject(model, &writer);
            DeleteRenderModel(model);
        }
    }
    LwoFreeObject(object);
    return 0;
}
