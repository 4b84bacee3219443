#pragma once
// Animation envelopes (ENVL chunks) of a LightWave object.
#include "model/LwoSurface.h"

struct LwoKey {
    LwoKey* next;
    LwoKey* prev;
    float value;
    float time;
    u32 shape;  // the SPAN id: 'TCB ', 'HERM', 'BEZI', 'BEZ2', 'LINE', 'STEP'...
    float tension;
    float continuity;
    float bias;
    float param[4];
};

struct LwoEnvelope {
    LwoEnvelope* next;
    LwoEnvelope* prev;
    s32 index;
    s32 type;
    char* name;
    LwoKey* key;  // ordered by time; equal times keep file order
    s32 nkeys;
    s32 behavior[2];  // pre and post
    LwoPlugin* cfilter;
    s32 ncfilters;
};

// Reads an ENVL chunk of size bytes; null when a sub-chunk crosses its size or the chunk's end,
// or a SPAN comes before any KEY.
LwoEnvelope* LwoReadEnvelope(LwoReader* r, s32 size);
int LwoCompareKeys(const LwoKey* a, const LwoKey* b);
void LwoFreeEnvelope(LwoEnvelope* env);
