#pragma once
// The lossless codec of detail textures: a predictor chosen from three variants,
// zigzag-mapped residuals and Rice codes with a parameter per 8 x 8 block and channel.
//
// In memory a code stream is an array of u32 words in host order; in a tag file it is a
// little-endian u32 byte length L followed by L / 4 little-endian words. Widths and heights
// are 1..4095 (12-bit header fields).
#include <cstdio>
#include "foundation/Types.h"

constexpr u32 kDtexMaxSide = 4095;

// Bit stream state. Bits run through the words from bit 31 down to bit 0. A value of n bits
// with r bits left in the current word goes most significant bit first when n < r; when
// n >= r its low r bits close the current word and its high n - r bits open the next one.
struct DtexBitStream {
    u32* words;
    u32 wordCount;   // words available (reading) or written so far (writing)
    u32 pending;     // the word being filled (writing)
    u32 bitsLeft;    // bits left in the current word, 1..32
    u32 index;       // index of the current word
    bool overrun;    // a read went past wordCount
};

void BitWriterInit(DtexBitStream* s, u32* words, u32 capacityWords);
void BitWriterPut(DtexBitStream* s, u32 value, u32 n);
// Writes the partial word (low bits zero) and one whole zero word; returns the words used.
u32 BitWriterFinish(DtexBitStream* s);
void BitReaderInit(DtexBitStream* s, const u32* words, u32 wordCount);
u32 BitReaderGet(DtexBitStream* s, u32 n);

// Rice code of a residual byte with parameter k (0-6); k = 7 writes nothing.
void RiceEncode(DtexBitStream* s, u32 value, u32 k);
// Reads one residual; answers 0 for k = 7. A quotient that cannot belong to a byte value
// marks the stream overrun.
u32 RiceDecode(DtexBitStream* s, u32 k);

// Residual images of width x height x 3 bytes from RGB pixels, one routine per predictor
// variant: the base channel is red (0), green (1) or blue (2).
void PredictForward0(const u8* rgb, u8* residuals, u32 width, u32 height);
void PredictForward1(const u8* rgb, u8* residuals, u32 width, u32 height);
void PredictForward2(const u8* rgb, u8* residuals, u32 width, u32 height);
// The RGB pixels back from a residual image of the same variant.
void PredictInverse0(const u8* residuals, u8* rgb, u32 width, u32 height);
void PredictInverse1(const u8* residuals, u8* rgb, u32 width, u32 height);
void PredictInverse2(const u8* residuals, u8* rgb, u32 width, u32 height);

// Chooses k for the three channels of every block of one block row (params: 3 per block,
// blocks left to right) and answers the row's cost in residual bits.
u64 ChooseBlockRiceParams(u8* params, u32 blockRow, u32 width, u32 height, const u8* residuals);

// Compresses RGB pixels. Answers a malloc'd stream and its byte length L, or null when a side
// is 0 or above kDtexMaxSide.
u32* CompressImage(const u8* rgb, u32 width, u32 height, u32* byteLength);
// Decodes a stream of byteLength bytes. Answers malloc'd RGB pixels, or null for a stream
// that is malformed (length not a multiple of 4, predictor 3, zero sides, data running past
// the stream's end).
u8* DecompressImage(u32* width, u32* height, const u32* words, u32 byteLength);

// Writes L (little-endian) and the stream; answers L + 4, or 0 when a side is out of range or
// a write fails.
u32 WriteCompressedImage(const u8* rgb, u32 width, u32 height, FILE* f);
// Reads L and the stream and decodes it into malloc'd pixels. maxBytes bounds L + 4 (the
// bytes the tag really holds from here). Answers L + 4, or 0 on any failure.
u32 ReadCompressedImage(u8** rgb, u32* width, u32* height, FILE* f, u64 maxBytes);
