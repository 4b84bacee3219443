// Prints what this program's LightWave reader sees in an object file, for scripts that check an
// exported object: "points N", "polygons N", "triangles N", "surfaces A,B,..." (in TAGS order)
// and "box x0 y0 z0 x1 y1 z1" of the first layer. Exits with 1 when the file cannot be read.
#include <cstdio>

#include "model/LwoObject.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: lwo_info <object file>\n");
        return 2;
    }
    u32 failId = 0;
    s32 failPos = -1;
    LwoObject* object = LwoReadObject(argv[1], &failId, &failPos);
    if (!object) {
        fprintf(stderr, "lwo_info: cannot read %s (stopped at %d)\n", argv[1], failPos);
        return 1;
    }
    const LwoLayer* layer = object->layer;
    s32 triangles = 0;
    for (s32 i = 0; i < layer->polygon.count; ++i) triangles += layer->polygon.pol[i].nverts == 3;
    printf("points %d\npolygons %d\ntriangles %d\nsurfaces ", layer->point.count, layer->polygon.count, triangles);
    for (s32 i = 0; i < object->taglist.count; ++i)
        printf("%s%s", i ? "," : "", object->taglist.tag[i] ? object->taglist.tag[i] : "");
    printf("\nbox %g %g %g %g %g %g\n", double(layer->bbox[0]), double(layer->bbox[1]), double(layer->bbox[2]),
           double(layer->bbox[3]), double(layer->bbox[4]), double(layer->bbox[5]));
    LwoFreeObject(object);
    return 0;
}
