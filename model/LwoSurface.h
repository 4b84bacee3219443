#pragma once
// Surfaces of a LightWave object with their texture and shader blocks.
//
// Every record is a zero-filled malloc'd block freed by its Free function; strings are malloc'd
// and zero-terminated, or null when empty.
#include "foundation/Types.h"
#include "model/LwoReader.h"

struct LwoTexture;

struct LwoPlugin {
    LwoPlugin* next;
    LwoPlugin* prev;
    char* ord;
    char* name;
    s32 flags;
    s32 dataSize;
    u8* data;
};

struct LwoEParam {  // a value with an envelope
    float val;
    s32 eindex;
};

struct LwoVParam {  // a vector with an envelope
    float val[3];
    s32 eindex;
};

struct LwoTParam {  // a surface value with envelope and textures
    float val;
    s32 eindex;
    LwoTexture* tex;
};

struct LwoCParam {  // the surface colour
    float rgb[3];
    s32 eindex;
    LwoTexture* tex;
};

struct LwoTextureMapping {
    LwoVParam size;
    LwoVParam center;
    LwoVParam rotate;
    LwoVParam falloff;
    s32 falloffType;
    char* refObject;
    s32 coordSys;
};

struct LwoImageMap {
    s32 cindex;
    s32 projection;
    char* vmapName;
    s32 axis;
    s32 wrapw_type;
    s32 wraph_type;
    LwoEParam wrapw;
    LwoEParam wraph;
    float aa_strength;
    s32 aas_flags;
    s32 pblend;
    LwoEParam stck;
    LwoEParam amplitude;
};

struct LwoProcedural {
    s32 axis;
    float value[3];
    char* name;
    s32 dataSize;
    u8* data;
};

struct LwoGradKey {
    float value;
    float rgba[4];
};

struct LwoGradient {
    char* paramName;
    char* itemName;
    float start;
    float end;
    s32 repeat;
    s32 keyCount;
    LwoGradKey* keys;
    s32 ikeyCount;
    u16* ikeys;
};

struct LwoTexture {
    LwoTexture* next;
    LwoTexture* prev;
    char* ord;
    u32 type;  // 'IMAP', 'PROC' or 'GRAD'
    u32 chan;
    LwoEParam opacity;
    s32 opacType;
    s32 enabled;
    s32 negative;
    s32 axis;
    union {
        LwoImageMap imap;
        LwoProcedural proc;
        LwoGradient grad;
    } param;
    LwoTextureMapping tmap;
};

struct LwoRParam {  // reflection and transparency
    LwoTParam val;
    s32 options;
    s32 cindex;
    float seamAngle;
};

struct LwoLine {
    s32 enabled;
    u16 flags;
    LwoEParam size;
};

struct LwoSurface {
    LwoSurface* next;
    LwoSurface* prev;
    char* name;
    char* srcName;
    LwoCParam color;
    LwoTParam luminosity;
    LwoTParam diffuse;
    LwoTParam specularity;
    LwoTParam glossiness;
    LwoRParam reflection;
    LwoRParam transparency;
    LwoTParam eta;
    LwoTParam translucency;
    LwoTParam bump;
    float smooth;  // smoothing angle in radians
    s32 sideflags;
    float alpha;
    s32 alphaMode;
    LwoEParam colorHilite;
    LwoEParam colorFilter;
    LwoEParam addTrans;
    LwoEParam difSharp;
    LwoEParam glow;
    LwoLine line;
    LwoPlugin* shader;
    s32 shaderCount;
};

// A new surface with the defaults (colour 0.78431 each, diffuse 1, glossiness 0.4, eta 1,
// bump 1, sidedness 1) and no name; null when out of memory.
LwoSurface* LwoDefaultSurface();

// Reads a SURF chunk of size bytes (the reader's limit already covers it). Answers the surface,
// or null when a sub-chunk reads past its size, a header is truncated or memory runs out.
LwoSurface* LwoReadSurface(LwoReader* r, s32 size);

// The parts of a BLOK, each answering 1 or 0 (the block's size excludes its type word).
LwoTexture* LwoNewTexture(u32 type);
LwoTexture* LwoReadTexture(LwoReader* r, s32 size, u32 type);
int LwoReadTextureHeader(LwoReader* r, LwoTexture* tex, s32 headerSize);
int LwoReadImageMap(LwoReader* r, s32 size, LwoTexture* tex);
int LwoReadProcedural(LwoReader* r, s32 size, LwoTexture* tex);
int LwoReadGradient(LwoReader* r, s32 size, LwoTexture* tex);
int LwoReadTextureMapping(LwoReader* r, s32 size, LwoTextureMapping* tmap);
LwoPlugin* LwoReadShader(LwoReader* r, s32 size);

// Inserts tex into the surface's list for its channel, ordered by ordinal; answers 0 (leaving
// tex to the caller) for a channel outside COLR LUMI DIFF SPEC GLOS REFL TRAN RIND TRNL BUMP.
int LwoAddTexture(LwoSurface* surf, LwoTexture* tex);
// Byte-wise ordinal order, the shorter string first on a common prefix; null is the empty string.
int LwoCompareTextures(const LwoTexture* a, const LwoTexture* b);
int LwoComparePlugins(const LwoPlugin* a, const LwoPlugin* b);

void LwoFreeSurface(LwoSurface* surf);
void LwoFreeTexture(LwoTexture* tex);
void LwoFreePlugin(LwoPlugin* p);

// Compares two strings that may be null (null equals the empty string); 0 when equal.
int LwoCompareNames(const char* a, const char* b);
