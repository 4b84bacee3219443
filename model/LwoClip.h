#pragma once
// Image clips (CLIP chunks) of a LightWave object.
#include "model/LwoSurface.h"

struct LwoClipStill {
    char* name;
};

struct LwoClipSeq {
    char* prefix;
    char* suffix;
    s32 digits;
    s32 flags;
    s32 offset;
    s32 start;
    s32 end;
};

struct LwoClipAnim {
    char* name;
    char* server;
    s32 dataSize;
    u8* data;
};

struct LwoClipXref {
    char* string;
    s32 index;
};

struct LwoClipCycle {
    char* name;
    s32 lo;
    s32 hi;
};

struct LwoClip {
    LwoClip* next;
    LwoClip* prev;
    s32 index;
    u32 type;  // 'STIL', 'ISEQ', 'ANIM', 'XREF' or 'STCC'; 0 for an unknown source
    union {
        LwoClipStill still;
        LwoClipSeq seq;
        LwoClipAnim anim;
        LwoClipXref xref;
        LwoClipCycle cycle;
    } source;
    float startTime;
    float duration;
    float frameRate;
    LwoEParam contrast;
    LwoEParam brightness;
    LwoEParam saturation;
    LwoEParam hue;
    LwoEParam gamma;
    s32 negative;
    LwoPlugin* ifilter;
    s32 nifilters;
    LwoPlugin* pfilter;
    s32 npfilters;
};

// A new clip with the defaults (contrast, brightness, saturation and gamma 1); null when out of
// memory.
LwoClip* LwoNewClip();
// Reads a CLIP chunk of size bytes; null when a sub-chunk crosses its size or the chunk's end.
LwoClip* LwoReadClip(LwoReader* r, s32 size);
// The first clip with that index, or null.
LwoClip* LwoFindClip(LwoClip* clips, s32 index);
void LwoFreeClip(LwoClip* clip);
