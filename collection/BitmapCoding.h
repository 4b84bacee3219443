#pragma once
// The stored record of one collection bitmap: a 52-byte CollectionBitmapHeader, an optional
// row-offset table and the pixels as raw rows, span-coded rows or the true-colour run coding.
#include <cstdio>

#include "collection/CollectionBitmap.h"
#include "collection/CollectionRecords.h"
#include "foundation/DynArray.h"

// Writes the header, the reserved table and the pixels at the stream position. Answers the
// record's byte count, or 0 when a write or seek fails, a side is above 32767 or the record
// would not fit 32 bits.
u64 WriteBitmap(FILE* stream, const CollectionBitmap& bitmap);

// Reads a record of `size` bytes at the stream position. Every length inside the record is
// checked against `size`; malformed records, pixel types other than 0 and 1, pixel size
// shifts above 2 and bitmaps over kMaxBitmapPixels answer null, as does a failed read.
// table supplies the colours for records whose alpha follows brightness. The bitmap's name
// is empty.
CollectionBitmap* ReadBitmap(FILE* stream, u32 size, const ColorTableRecord& table);

// Fills header for the bitmap, writes it and skips the row-offset table. The byte count, or 0.
u64 WriteBitmapHeader(FILE* stream, CollectionBitmapHeader& header, const CollectionBitmap& bitmap);
// The pixel writers: the pixel data's byte count, or 0 when the write fails.
u64 WriteBitmapPixelsRaw(FILE* stream, const CollectionBitmap& bitmap);
u64 WriteBitmapSpanRows(FILE* stream, const CollectionBitmap& bitmap);
u64 WriteTrueColorBitmap(FILE* stream, const CollectionBitmap& bitmap);

// Appends the span coding of one row of a 2-byte-per-pixel bitmap to out.
void EncodeBitmapSpanRow(const CollectionBitmap& bitmap, u32 row, DynArray<u8>& out);
// Appends the run coding of count 8-byte pixels, and its closing zero byte, to out.
void EncodeTrueColorBitmap(const u8* pixels, u64 count, DynArray<u8>& out);

// Decodes the indexed pixel data (raw or span rows, as the header says) of a record into
// out, width x height {alpha, index} pixels. header.flags must already be masked. A pixel is
// read as {transparency, index} exactly when flag 16 is set, else as one index byte, from
// slots depth / 8 bytes apart in raw rows (rows depth / 8 x width bytes) and 1 << shift bytes
// apart in span rows; every read stays inside the data. Answers
// false when the data is shorter than the rows need or a row's spans are malformed (out of
// order, past the width, or not adding up to its pixel count).
bool DecodeIndexedBitmap(const CollectionBitmapHeader& header, const ColorTableRecord& table, const u8* data,
                         u64 size, u8* out);
// Decodes count true-colour pixels (8 bytes each) into out. Answers false when the stream
// ends early or a run passes the last pixel.
bool DecodeTrueColorBitmap(u8* out, const u8* data, u64 size, u64 count);
