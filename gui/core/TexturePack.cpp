#include "gui/core/TexturePack.h"

#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace {

PackTextureDeleter g_textureDeleter = nullptr;

u16 Le16(const u8* p) { return u16(p[0] | (p[1] << 8)); }
u32 Le32(const u8* p) { return u32(p[0]) | (u32(p[1]) << 8) | (u32(p[2]) << 16) | (u32(p[3]) << 24); }
void PutLe16(u8* p, u32 v)
{
    p[0] = u8(v);
    p[1] = u8(v >> 8);
}
void PutLe32(u8* p, u32 v)
{
    PutLe16(p, v);
    PutLe16(p + 2, v >> 16);
}

// Bytes from the stream's position to its end, or ~0 when the stream cannot tell.
u64 RemainingBytes(FILE* file)
{
    struct stat st;
    long pos = ftell(file);
    if (pos < 0 || fstat(fileno(file), &st) != 0 || !S_ISREG(st.st_mode)) {
        // Memory streams have no descriptor: measure by seeking.
        if (pos < 0 || fseek(file, 0, SEEK_END) != 0) return ~u64(0);
        long end = ftell(file);
        if (fseek(file, pos, SEEK_SET) != 0 || end < pos) return ~u64(0);
        return u64(end - pos);
    }
    return u64(st.st_size) > u64(pos) ? u64(st.st_size) - u64(pos) : 0;
}

void ListAppend(LinkedList* list, LinkedListNode* node)
{
    node->next = nullptr;
    node->previous = list->last;
    if (list->last)
        list->last->next = node;
    else
        list->first = node;
    list->last = node;
    list->count++;
}

void FreePackNode(PackImage* image)
{
    free(image->pixels);
    free(image);
}

}  // namespace

TexturePack* NewTexturePack()
{
    return static_cast<TexturePack*>(calloc(1, sizeof(TexturePack)));
}

void SetPackTextureDeleter(PackTextureDeleter deleter) { g_textureDeleter = deleter; }

void DeletePackTexture(u32 texture)
{
    if (texture && g_textureDeleter) g_textureDeleter(texture);
}

void FreeTexturePack(TexturePack* pack)
{
    if (!pack) return;
    for (PackPage& page : pack->pages) {
        free(page.pixels);
        DeletePackTexture(page.texture);
    }
    FreePackImageList(&pack->images);
    pack->pages.Free();
    free(pack);
}

u64 LoadTexturePack(TexturePack* pack, const char* path)
{
    if (!pack || !path) return 0;
    FILE* file = fopen(path, "rb");
    if (!file) return 0;
    u64 read = ReadPackImages(pack, file);
    fclose(file);
    return read;
}

u64 ReadPackImage(PackImage* image, FILE* file, u64 limit)
{
    if (!image || !file) return 0;
    if (limit == ~u64(0)) limit = RemainingBytes(file);
    u8 header[kPackImageHeaderBytes];
    if (limit < sizeof(header) || fread(header, 1, sizeof(header), file) != sizeof(header)) return 0;
    u32 width = Le16(header + 12);
    u32 height = Le16(header + 14);
    if (width == 0 || height == 0 || width > kMaxPackPageSize || height > kMaxPackPageSize) return 0;
    u64 bytes = u64(width) * height * 4;
    if (bytes > limit - sizeof(header)) return 0;
    u8* pixels = static_cast<u8*>(malloc(size_t(bytes)));
    if (!pixels) return 0;
    if (fread(pixels, 1, size_t(bytes), file) != bytes) {
        free(pixels);
        return 0;
    }
    image->width = u16(width);
    image->height = u16(height);
    image->id = Le32(header + 24);
    image->pixels = pixels;
    return sizeof(header) + bytes;
}

u64 ReadPackImages(TexturePack* pack, FILE* file)
{
    if (!pack || !file) return 0;
    u64 limit = RemainingBytes(file);
    u8 countBytes[4];
    if (limit < 4 || fread(countBytes, 1, 4, file) != 4) return 0;
    u32 count = Le32(countBytes);
    u64 total = 4;
    LinkedListNode* lastBefore = pack->images.last;
    for (u32 i = 0; i < count; ++i) {
        PackImage* image = static_cast<PackImage*>(calloc(1, sizeof(PackImage)));
        if (!image) break;
        ListAppend(&pack->images, image);
        u64 read = ReadPackImage(image, file, limit == ~u64(0) ? limit : limit - total);
        if (!read) {
            PackImage* first = static_cast<PackImage*>(lastBefore ? lastBefore->next : pack->images.first);
            RemovePackImageRange(&pack->images, first, nullptr);
            return 0;
        }
        total += read;
    }
    if (pack->images.count < count) {  // out of memory part way
        PackImage* first = static_cast<PackImage*>(lastBefore ? lastBefore->next : pack->images.first);
        RemovePackImageRange(&pack->images, first, nullptr);
        return 0;
    }
    return total;
}

u64 WritePackImages(const TexturePack* pack, FILE* file)
{
    if (!pack || !file) return 0;
    u8 countBytes[4];
    PutLe32(countBytes, pack->images.count);
    if (fwrite(countBytes, 1, 4, file) != 4) return 0;
    u64 total = 4;
    for (LinkedListNode* node = pack->images.first; node; node = node->next) {
        const PackImage* image = static_cast<const PackImage*>(node);
        if (!image->pixels) return 0;
        u8 header[kPackImageHeaderBytes] = {};
        PutLe16(header + 12, image->width);
        PutLe16(header + 14, image->height);
        PutLe32(header + 24, image->id);
        size_t bytes = size_t(image->width) * image->height * 4;
        if (fwrite(header, 1, sizeof(header), file) != sizeof(header)) return 0;
        if (fwrite(image->pixels, 1, bytes, file) != bytes) return 0;
        total += sizeof(header) + bytes;
    }
    return total;
}

PackImage* AddPackImage(TexturePack* pack, u32 id, u32 width, u32 height, const u8* rgba)
{
    if (!pack || width == 0 || height == 0 || width > kMaxPackPageSize || height > kMaxPackPageSize) return nullptr;
    PackImage* image = static_cast<PackImage*>(calloc(1, sizeof(PackImage)));
    size_t bytes = size_t(width) * height * 4;
    u8* pixels = static_cast<u8*>(malloc(bytes));
    if (!image || !pixels) {
        free(image);
        free(pixels);
        return nullptr;
    }
    if (rgba)
        memcpy(pixels, rgba, bytes);
    else
        memset(pixels, 0, bytes);
    image->width = u16(width);
    image->height = u16(height);
    image->id = id;
    image->pixels = pixels;
    ListAppend(&pack->images, image);
    return image;
}

PackImage* FindPackImage(const TexturePack* pack, u32 id)
{
    if (!pack) return nullptr;
    for (LinkedListNode* node = pack->images.first; node; node = node->next)
        if (static_cast<PackImage*>(node)->id == id) return static_cast<PackImage*>(node);
    return nullptr;
}

void GetPackImageSize(const PackImage* image, s32* width, s32* height)
{
    if (width) *width = image ? image->width : 0;
    if (height) *height = image ? image->height : 0;
}

void FreePackPixels(TexturePack* pack)
{
    if (!pack) return;
    for (LinkedListNode* node = pack->images.first; node; node = node->next) {
        PackImage* image = static_cast<PackImage*>(node);
        free(image->pixels);
        image->pixels = nullptr;
    }
}

void RemovePackImageRange(LinkedList* list, PackImage* first, PackImage* last)
{
    if (!list || !first) return;
    LinkedListNode* before = first->previous;
    LinkedListNode* node = first;
    LinkedListNode* after = nullptr;
    while (node) {
        LinkedListNode* next = node->next;
        bool end = node == last;
        FreePackNode(static_cast<PackImage*>(node));
        if (list->count) list->count--;
        if (end) {
            after = next;
            break;
        }
        node = next;
    }
    if (before)
        before->next = after;
    else
        list->first = after;
    if (after)
        after->previous = before;
    else
        list->last = before;
}

void FreePackImageList(LinkedList* list)
{
    if (!list) return;
    RemovePackImageRange(list, static_cast<PackImage*>(list->first), nullptr);
    list->first = list->last = nullptr;
    list->count = 0;
}
