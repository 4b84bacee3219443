#pragma once
// Texture packs: the numbered RGBA images of "res/texturepack", the guillotine rectangle
// packer that places them (and the font glyphs) on texture pages, and the queue of draw
// commands that draws them a page at a time.
//
// Everything here works without OpenGL. Making page textures and drawing them belong to the
// GL side (gui/PackTextures.h), which installs itself as the queue's renderer and as the
// deleter of page textures; without it, textures stay 0 and a flush only empties the queue.
#include <cstdio>
#include "foundation/DynArray.h"
#include "foundation/Sort.h"
#include "foundation/Types.h"

// packFlags of a packer node.
enum : u16 {
    kPackPacked = 1,     // placed on a page
    kPackMayRotate = 2,  // the packer may store it transposed
    kPackRotated = 4,    // stored transposed (it occupies height columns and width rows)
};

// What the packer places. The node links come first so that lists of nodes sort with
// SortLinkedList.
struct PackNode : LinkedListNode {
    u16 x, y;  // place on its page
    u16 width, height;
    u16 packFlags;
    u16 page;    // index into the owner's pages
    u8* pixels;  // owned; null once the pixels went to a page
};

struct PackImage : PackNode {
    u32 id;
};

struct PackPage {
    u32 width, height;
    u32 texture;  // OpenGL name, 0 when none
    u8* pixels;   // owned while the page is being filled
};

// The image list is a LinkedList of PackImage nodes.
struct TexturePack {
    DynArray<PackPage> pages;
    LinkedList images;
};

// The largest page a user-interface pack uses; an image larger than this in either direction
// can never be placed, so a file holding one is refused.
constexpr u32 kMaxPackPageSize = 1024;
// Bytes of an image record's header.
constexpr u32 kPackImageHeaderBytes = 28;

// An empty pack, null when out of memory.
TexturePack* NewTexturePack();
// Frees every image (and its pixels), the pages (their textures through the installed
// deleter) and the pack. Null does nothing.
void FreeTexturePack(TexturePack* pack);

// Appends the images of the file at path. Bytes read, 0 when the file cannot be opened or
// read (the pack then holds what it held before).
u64 LoadTexturePack(TexturePack* pack, const char* path);
// Reads a u32 count and that many image records from the stream's position and appends
// them. Bytes read; 0 on any failure, in which case the images this call appended are freed
// again. Refuses images of width or height 0 or above kMaxPackPageSize and records whose
// pixels reach past the end of the file.
u64 ReadPackImages(TexturePack* pack, FILE* file);
// Reads one image record into a zeroed image; the pixels go to a new buffer. Bytes read,
// 0 on failure (nothing left allocated). limit bounds the record's size in bytes (the rest
// of the file); it is read from the stream when ~0.
u64 ReadPackImage(PackImage* image, FILE* file, u64 limit = ~u64(0));
// Writes the pack's images (those that still have pixels) in file order. Bytes written, 0
// when a write fails or an image has no pixels.
u64 WritePackImages(const TexturePack* pack, FILE* file);
// Appends a new image with a copy of the pixels (width x height RGBA, rows from the top).
// Null when out of memory or the size is 0 or too large.
PackImage* AddPackImage(TexturePack* pack, u32 id, u32 width, u32 height, const u8* rgba);

// The first image with the id, or null.
PackImage* FindPackImage(const TexturePack* pack, u32 id);
// Each out parameter is optional; a null image answers 0 x 0.
void GetPackImageSize(const PackImage* image, s32* width, s32* height);
// Frees the CPU pixels of every image (after packing).
void FreePackPixels(TexturePack* pack);
// Unlinks the run of images from first to last (inclusive, following next links), frees them
// and their pixels and lowers the count. A null first does nothing; a null last means to the
// end of the list.
void RemovePackImageRange(LinkedList* list, PackImage* first, PackImage* last);
// Frees every image of the list.
void FreePackImageList(LinkedList* list);

// The generic packer.
struct PackCallbacks {
    // Copies the node's pixels onto the page being filled and records its page index.
    void (*blit)(void* context, PackNode* node);
    // Chooses the size of the next page for the given area.
    void (*pageSize)(void* context, u64 area, u32* width, u32* height);
    // Starts a page; 0 stops the packer.
    int (*newPage)(void* context, u32 width, u32 height);
    // Ends the page being filled.
    void (*finishPage)(void* context);
};

// Places every node of the list (a LinkedList of PackNodes) on as few pages as it can, first
// fit into a guillotine free list, wider and larger nodes first. The list ends as the nodes
// left unplaced followed by the placed ones in page order. Nodes may be left unplaced when a
// new page fails or when a node does not fit on the largest page the size callback gives
// (two attempts in a row giving the same page size without placing anything end the packer).
// Answers the number of nodes placed.
u32 PackRects(const PackCallbacks& callbacks, void* context, LinkedList* list);
// Packer order: wider first; equal widths, larger area first.
int CompareAtlasRects(void* context, const void* a, const void* b);
// A power-of-two page of at least area x 16 / 15 pixels, nearly square (width >= height),
// each side cut to its maximum and at least 128.
void ChooseAtlasPageSize(u64 area, u32 maxWidth, u32 maxHeight, u32* width, u32* height);

// Draw flags.
enum : u32 {
    kDrawStretch = 1,
    kDrawTurn = 2,      // a quarter turn: the top-left vertex takes the image's bottom-left corner
    kDrawMirrorX = 4,   // mirror left-right
    kDrawMirrorY = 8,   // mirror top-bottom
};

struct PackDrawCommand {
    s16 sourceX, sourceY;
    s16 sourceWidth, sourceHeight;  // the image's size as stored in its page
    s16 x, y, width, height;        // destination
    TexturePack* pack;
    PackImage* image;
    u32 flags;
};

constexpr u32 kPackDrawQueueSize = 64;

// One quad for the renderer: vertices top-left, top-right, bottom-right, bottom-left of the
// destination with their texture coordinates.
struct PackQuad {
    s32 x[4], y[4];
    float s[4], t[4];
};

// Where a flush goes. begin and end bracket a flush; bind is called when the command's page
// differs from the previous one.
struct PackDrawRenderer {
    void (*begin)(void* context);
    void (*bind)(void* context, const TexturePack* pack, u32 page);
    void (*quad)(void* context, const PackQuad& quad);
    void (*end)(void* context);
    void* context;
};

// Installs the renderer (null: flushes only empty the queue) and answers the previous one.
const PackDrawRenderer* SetPackDrawRenderer(const PackDrawRenderer* renderer);
// Deletes a page texture (installed by the GL side; null: textures are forgotten).
typedef void (*PackTextureDeleter)(u32 texture);
void SetPackTextureDeleter(PackTextureDeleter deleter);
void DeletePackTexture(u32 texture);

// Queues one command for the image; a full queue is flushed (unsorted) first. Nothing is
// queued for a null pack or image.
void DrawPackImage(TexturePack* pack, PackImage* image, s32 x, s32 y, s32 width, s32 height, u32 flags);
// Draws the queued commands (sorted by pack and page when asked) and empties the queue.
void FlushPackDraws(int sort);
// The queue as it is (for tests).
u32 PackDrawQueueCount();
const PackDrawCommand* PackDrawQueueCommands();
// Orders commands by pack address, then by page.
int ComparePackDrawCommands(void* context, const void* a, const void* b);
// Calls emit for every quad the command draws: one stretched quad, or tiles of the source
// size from the destination's top-left, the last column and row cut to the destination.
void DrawPackImageQuads(const PackDrawCommand& command, void (*emit)(void* context, const PackQuad& quad),
                        void* context);
