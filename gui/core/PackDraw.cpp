// The pack draw queue and the geometry of one command's quads.
#include "foundation/Sort.h"
#include "gui/core/TexturePack.h"

namespace {

PackDrawCommand g_queue[kPackDrawQueueSize];
u32 g_queueCount = 0;
const PackDrawRenderer* g_renderer = nullptr;

s16 Clamp16(s32 v) { return s16(v < -32768 ? -32768 : v > 32767 ? 32767 : v); }

// Corner numbers: 0 top-left, 1 top-right, 2 bottom-right, 3 bottom-left.
void CornerOrder(u32 flags, int order[4])
{
    static const int kPlain[4] = {0, 1, 2, 3};
    static const int kTurned[4] = {3, 0, 1, 2};
    const int* base = (flags & kDrawTurn) ? kTurned : kPlain;
    for (int i = 0; i < 4; ++i) order[i] = base[i];
    if (flags & kDrawMirrorX) {
        int t = order[0];
        order[0] = order[1];
        order[1] = t;
        t = order[3];
        order[3] = order[2];
        order[2] = t;
    }
    if (flags & kDrawMirrorY) {
        int t = order[0];
        order[0] = order[3];
        order[3] = t;
        t = order[1];
        order[1] = order[2];
        order[2] = t;
    }
}

struct QuadSource {
    const PackImage* image;
    float pageWidth, pageHeight;
    s32 sourceX, sourceY;  // in page pixels
    bool rotated;
};

// One quad showing the part [0, partWidth) x [0, partHeight) of the upright image (relative
// to the command's source corner) over the destination rectangle.
void EmitQuad(const QuadSource& src, u32 flags, s32 x, s32 y, s32 w, s32 h, s32 partWidth, s32 partHeight,
              void (*emit)(void*, const PackQuad&), void* context)
{
    // Upright image corners, then to page pixels (a rotated image is stored transposed).
    s32 u[4] = {0, partWidth, partWidth, 0};
    s32 v[4] = {0, 0, partHeight, partHeight};
    float s[4], t[4];
    for (int i = 0; i < 4; ++i) {
        s32 px = src.rotated ? v[i] : u[i];
        s32 py = src.rotated ? u[i] : v[i];
        s[i] = float(src.image->x + src.sourceX + px) / src.pageWidth;
        t[i] = float(src.image->y + src.sourceY + py) / src.pageHeight;
    }
    int order[4];
    CornerOrder(flags, order);
    PackQuad quad;
    const s32 vx[4] = {x, x + w, x + w, x};
    const s32 vy[4] = {y, y, y + h, y + h};
    for (int i = 0; i < 4; ++i) {
        quad.x[i] = vx[i];
        quad.y[i] = vy[i];
        quad.s[i] = s[order[i]];
        quad.t[i] = t[order[i]];
    }
    emit(context, quad);
}

}  // namespace

const PackDrawRenderer* SetPackDrawRenderer(const PackDrawRenderer* renderer)
{
    const PackDrawRenderer* previous = g_renderer;
    g_renderer = renderer;
    return previous;
}

void DrawPackImage(TexturePack* pack, PackImage* image, s32 x, s32 y, s32 width, s32 height, u32 flags)
{
    if (!pack || !image) return;
    // Callers flush after every widget part; one that forgets still gets its drawing.
    if (g_queueCount == kPackDrawQueueSize) FlushPackDraws(0);
    PackDrawCommand& c = g_queue[g_queueCount++];
    c.sourceX = 0;
    c.sourceY = 0;
    bool rotated = (image->packFlags & kPackRotated) != 0;
    c.sourceWidth = s16(rotated ? image->height : image->width);
    c.sourceHeight = s16(rotated ? image->width : image->height);
    c.x = Clamp16(x);
    c.y = Clamp16(y);
    c.width = Clamp16(width);
    c.height = Clamp16(height);
    c.pack = pack;
    c.image = image;
    c.flags = flags;
}

int ComparePackDrawCommands(void*, const void* a, const void* b)
{
    const PackDrawCommand* x = static_cast<const PackDrawCommand*>(a);
    const PackDrawCommand* y = static_cast<const PackDrawCommand*>(b);
    if (x->pack != y->pack) return x->pack < y->pack ? -1 : 1;
    if (x->image->page != y->image->page) return x->image->page < y->image->page ? -1 : 1;
    return 0;
}

void FlushPackDraws(int sort)
{
    if (g_queueCount == 0) return;
    const PackDrawRenderer* r = g_renderer;
    if (r) {
        if (r->begin) r->begin(r->context);
        if (sort) SortWithContext(g_queue, g_queueCount, sizeof(PackDrawCommand), nullptr, ComparePackDrawCommands);
        const TexturePack* boundPack = nullptr;
        u32 boundPage = 0;
        for (u32 i = 0; i < g_queueCount; ++i) {
            const PackDrawCommand& c = g_queue[i];
            if (c.pack != boundPack || c.image->page != boundPage || i == 0) {
                boundPack = c.pack;
                boundPage = c.image->page;
                if (r->bind) r->bind(r->context, c.pack, c.image->page);
            }
            if (r->quad) DrawPackImageQuads(c, r->quad, r->context);
        }
        if (r->end) r->end(r->context);
    }
    g_queueCount = 0;
}

u32 PackDrawQueueCount() { return g_queueCount; }

const PackDrawCommand* PackDrawQueueCommands() { return g_queue; }

void DrawPackImageQuads(const PackDrawCommand& c, void (*emit)(void*, const PackQuad&), void* context)
{
    if (!c.pack || !c.image || !emit) return;
    const PackImage* image = c.image;
    if (image->page >= c.pack->pages.count) return;
    const PackPage& page = c.pack->pages[image->page];
    if (page.width == 0 || page.height == 0) return;
    QuadSource src = {image, float(page.width), float(page.height), c.sourceX, c.sourceY,
                      (image->packFlags & kPackRotated) != 0};
    // The source part in upright image pixels.
    s32 partWidth = src.rotated ? c.sourceHeight : c.sourceWidth;
    s32 partHeight = src.rotated ? c.sourceWidth : c.sourceHeight;
    if (partWidth <= 0 || partHeight <= 0 || c.width <= 0 || c.height <= 0) return;
    u32 flags = c.flags;
    if (flags & kDrawStretch) {
        EmitQuad(src, flags, c.x, c.y, c.width, c.height, partWidth, partHeight, emit, context);
        return;
    }
    // A turned image covers its height across and its width down.
    bool turned = (flags & kDrawTurn) != 0;
    s32 tileWidth = turned ? partHeight : partWidth;
    s32 tileHeight = turned ? partWidth : partHeight;
    for (s32 ty = 0; ty < c.height; ty += tileHeight) {
        s32 h = c.height - ty < tileHeight ? c.height - ty : tileHeight;
        for (s32 tx = 0; tx < c.width; tx += tileWidth) {
            s32 w = c.width - tx < tileWidth ? c.width - tx : tileWidth;
            EmitQuad(src, flags, c.x + tx, c.y + ty, w, h, turned ? h : w, turned ? w : h, emit, context);
        }
    }
}
