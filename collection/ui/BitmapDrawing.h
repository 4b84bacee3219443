#pragma once
// Drawing collection bitmaps on screen: every bitmap, of any size, goes through one shared
// 512 x 512 RGBA texture in tiles, each converted into one static staging buffer and uploaded
// with a sub-image update, so a draw allocates no memory and creates no texture. Main thread
// only, in the program's OpenGL context.
#include "collection/BitmapColors.h"

constexpr u32 kBitmapTileSize = 512;

// Mirror flags of DrawCollectionBitmap.
enum : u32 {
    kBitmapMirrorX = 1,
    kBitmapMirrorY = 2,
};

// Draws the bitmap scaled into the rectangle (x, y, width, height in screen pixels), modulated
// by tint (white: the bitmap's own colours; red in the low byte, alpha in the high byte) with
// its alpha, flipped left to right with kBitmapMirrorX and top to bottom with kBitmapMirrorY.
// Texturing is on only during the call. A bitmap without pixels or of zero size draws nothing.
void DrawCollectionBitmap(const Collection& collection, const CollectionBitmap& bitmap, u32 mirror, s32 x, s32 y,
                          s32 width, s32 height, u32 tint = 0xFFFFFFFFu);

// Creates the scratch texture on first use (512 x 512 RGBA, nearest filtering) and binds it.
void BindBitmapScratchTexture();
// Forgets the scratch texture without deleting it: for a new OpenGL context (tests that open
// another window), where the old name means nothing.
void ForgetBitmapScratchTexture();
// The scratch texture's name, 0 before the first draw.
u32 GetBitmapScratchTexture();

// Converts the tile [x0, x1) x [y0, y1) (at most 512 a side) to RGBA and replaces the bound
// scratch texture's top-left part with it.
void UploadBitmapTile(const CollectionBitmap& bitmap, const Rgb* palette, const TrueColorHues& hues, u32 x0, u32 y0,
                      u32 x1, u32 y1);
// One textured quad: the texture's [0, tileWidth / 512] x [0, tileHeight / 512] onto the
// rectangle, texture (0, 0) at (left, top); a rectangle with left > right or top > bottom
// draws the tile flipped.
void DrawTileQuad(u32 tileWidth, u32 tileHeight, s32 left, s32 top, s32 right, s32 bottom);

// Scales (w, h) so that the larger side equals box (integer arithmetic); w and h not both 0.
void FitSizeInBox(s32 w, s32 h, s32* outW, s32* outH, s32 box);
