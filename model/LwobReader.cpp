#include "model/LwobReader.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "model/LwoList.h"
#include "model/LwoPostPass.h"

#define ID(s) FourCC(s)

// The lists of the object being read, appended to in constant time.
struct LwobState {
    LwoObject* object;
    LwoListBuilder<LwoEnvelope> envs;
    LwoListBuilder<LwoClip> clips;
    LwoListBuilder<LwoSurface> surfs;

    explicit LwobState(LwoObject* o) : object(o), envs(&o->env), clips(&o->clip), surfs(&o->surf) {}
};

int LwobReadPolygons(LwoReader* r, s32 size, LwoPolygonList* polygons, s32 pointOffset)
{
    if (size == 0) return 1;
    u8* block = LwoReadBytes(r, size);
    if (!block) return 0;

    s64 npols = 0, nverts = 0;
    LwoBuffer b = LwoMakeBuffer(block, size);
    while (LwoBufferLeft(&b) > 0 && !b.failed) {
        int nv = LwoGetU2(&b);
        for (int j = 0; j < nv && !b.failed; ++j) LwoGetU2(&b);
        s16 surf = LwoGetI2(&b);
        if (surf < 0) LwoGetU2(&b);
        ++npols;
        nverts += nv;
    }
    if (b.failed || nverts > 0x7FFFFFFF || npols > 0x7FFFFFFF ||
        !LwoAllocPolygons(polygons, s32(npols), s32(nverts))) {
        free(block);
        LwoFreePolygons(polygons);
        return 0;
    }

    b = LwoMakeBuffer(block, size);
    LwoPolygon* pp = polygons->pol + polygons->offset;
    LwoPolygonVertex* pv = polygons->corners + polygons->voffset;
    for (s64 i = 0; i < npols; ++i, ++pp) {
        pp->nverts = LwoGetU2(&b);
        pp->type = ID("FACE");
        pp->v = pv;
        for (s32 j = 0; j < pp->nverts; ++j, ++pv) pv->index = s32(s64(LwoGetU2(&b)) + pointOffset);
        s32 surf = LwoGetI2(&b);
        if (surf < 0) {
            surf = -surf;
            LwoGetU2(&b);  // detail polygon count: they follow as ordinary records
        }
        pp->surfIndex = surf - 1;
    }
    free(block);
    return 1;
}

LwoTexture* LwobReadTexture(char* typeName)
{
    const char* name = typeName ? typeName : "";
    bool imageMap = strstr(name, "Image Map") != nullptr;
    LwoTexture* tex = LwoNewTexture(imageMap ? ID("IMAP") : ID("PROC"));
    if (!tex) {
        free(typeName);
        return nullptr;
    }
    if (imageMap) {
        static const char* const projections[] = {"Planar", "Cylindrical", "Spherical", "Cubic", "Front"};
        for (int i = 0; i < 5; ++i)
            if (strstr(name, projections[i])) {
                tex->param.imap.projection = i;
                break;
            }
        tex->param.imap.aa_strength = 1.0f;
        tex->param.imap.amplitude.val = 1.0f;
        free(typeName);
    } else {
        tex->param.proc.name = typeName;
    }
    return tex;
}

static s32 AddClip(char* name, LwoListBuilder<LwoClip>* clips, s32* nclips)
{
    LwoClip* clip = LwoNewClip();
    if (!clip) {
        free(name);
        return 0;
    }
    char* seq = name ? strstr(name, "(sequence)") : nullptr;
    if (seq) {
        // Cut at the character before the marker (the blank in front of it), never before the
        // start of the name.
        if (seq > name) --seq;
        *seq = 0;
        clip->type = ID("ISEQ");
        clip->source.seq.prefix = name;
        clip->source.seq.digits = 3;
    } else {
        clip->type = ID("STIL");
        clip->source.still.name = name;
    }
    ++*nclips;
    clip->index = *nclips;
    clips->Add(clip);
    return clip->index;
}

s32 LwobAddClip(char* name, LwoClip** clips, s32* nclips)
{
    LwoListBuilder<LwoClip> builder(clips);
    return AddClip(name, &builder, nclips);
}

static s32 AddTextureVelocity(const float centre[3], const float velocity[3],
                              LwoListBuilder<LwoEnvelope>* envelopes, s32* nenvelopes)
{
    LwoEnvelope* env[3] = {nullptr, nullptr, nullptr};
    for (int i = 0; i < 3; ++i) {
        env[i] = static_cast<LwoEnvelope*>(calloc(1, sizeof(LwoEnvelope)));
        LwoKey* k0 = static_cast<LwoKey*>(calloc(1, sizeof(LwoKey)));
        LwoKey* k1 = static_cast<LwoKey*>(calloc(1, sizeof(LwoKey)));
        char* name = LwoDuplicateString("Position.X");
        if (!env[i] || !k0 || !k1 || !name) {
            free(k0);
            free(k1);
            free(name);
            for (int j = 0; j <= i; ++j) LwoFreeEnvelope(env[j]);
            return 0;
        }
        name[9] = char('X' + i);
        env[i]->index = *nenvelopes + i + 1;
        env[i]->type = 0x0301 + i;
        env[i]->name = name;
        env[i]->behavior[0] = env[i]->behavior[1] = 5;
        k0->shape = k1->shape = ID("LINE");
        k0->time = 0.0f;
        k0->value = centre[i];
        k1->time = 1.0f;
        k1->value = centre[i] + velocity[i] * 30.0f;
        LwoListAdd(&env[i]->key, k0);
        LwoListAdd(&env[i]->key, k1);
        env[i]->nkeys = 2;
    }
    for (int i = 0; i < 3; ++i) envelopes->Add(env[i]);
    *nenvelopes += 3;
    return *nenvelopes - 2;
}

s32 LwobAddTextureVelocity(const float centre[3], const float velocity[3], LwoEnvelope** envelopes,
                           s32* nenvelopes)
{
    LwoListBuilder<LwoEnvelope> builder(envelopes);
    return AddTextureVelocity(centre, velocity, &builder, nenvelopes);
}

// The whole sub-chunk as a terminated string (null when empty).
static char* ReadName(LwoReader* r, s32 size)
{
    u8* bytes = LwoReadBytes(r, size);  // zero-terminated after its size bytes
    if (bytes && !bytes[0]) {
        free(bytes);
        return nullptr;
    }
    return reinterpret_cast<char*>(bytes);
}

static float ReadI2Fraction(LwoReader* r) { return float(LwoReadI2(r)) / 256.0f; }

// The LWOB texture sub-chunks, the LWO2 channel of each, and the surface's list for it.
static const u32 kTextureIds[7] = {ID("CTEX"), ID("DTEX"), ID("STEX"), ID("RTEX"),
                                   ID("TTEX"), ID("LTEX"), ID("BTEX")};
static const u32 kTextureChannels[7] = {ID("COLR"), ID("DIFF"), ID("SPEC"), ID("REFL"),
                                        ID("TRAN"), ID("LUMI"), ID("BUMP")};

static LwoTexture** TextureList(LwoSurface* surf, int i)
{
    switch (i) {
    case 0: return &surf->color.tex;
    case 1: return &surf->diffuse.tex;
    case 2: return &surf->specularity.tex;
    case 3: return &surf->reflection.val.tex;
    case 4: return &surf->transparency.val.tex;
    case 5: return &surf->luminosity.tex;
    default: return &surf->bump.tex;
    }
}

static int TextureIndex(u32 id)
{
    for (int i = 0; i < 7; ++i)
        if (kTextureIds[i] == id) return i;
    return -1;
}

// Applies one texture sub-chunk to the current texture; sub-chunks that do not fit its kind are
// skipped. Answers 0 when out of memory.
static int ReadTextureSubChunk(LwoReader* r, u32 id, s32 sz, LwoTexture* tex, LwobState* st)
{
    LwoObject* object = st->object;
    bool imap = tex->type == ID("IMAP");
    bool proc = tex->type == ID("PROC");
    switch (id) {
    case ID("TFLG"): {
        u16 flags = LwoReadU2(r);
        s32 axis = tex->axis;
        if (flags & 4)
            axis = 2;
        else if (flags & 2)
            axis = 1;
        else if (flags & 1)
            axis = 0;
        tex->axis = axis;
        if (imap) tex->param.imap.axis = axis;
        if (proc) tex->param.proc.axis = axis;
        if (flags & 8) tex->tmap.coordSys = 1;
        if (flags & 16) tex->negative = 1;
        if (imap && (flags & 32)) tex->param.imap.pblend = 1;
        if (imap && (flags & 64)) {
            tex->param.imap.aa_strength = 1.0f;
            tex->param.imap.aas_flags = 1;
        }
        break;
    }
    case ID("TSIZ"):
        for (int k = 0; k < 3; ++k) tex->tmap.size.val[k] = LwoReadF4(r);
        break;
    case ID("TCTR"):
        for (int k = 0; k < 3; ++k) tex->tmap.center.val[k] = LwoReadF4(r);
        break;
    case ID("TFAL"):
        for (int k = 0; k < 3; ++k) tex->tmap.falloff.val[k] = LwoReadF4(r);
        break;
    case ID("TVEL"): {
        float v[3];
        for (int k = 0; k < 3; ++k) v[k] = LwoReadF4(r);
        if (LwoReadFailed(r)) break;
        s32 index = AddTextureVelocity(tex->tmap.center.val, v, &st->envs, &object->nenvs);
        if (!index) return 0;
        tex->tmap.center.eindex = index;
        break;
    }
    case ID("TCLR"):
        if (proc)
            for (int k = 0; k < 3; ++k) tex->param.proc.value[k] = float(LwoReadU1(r)) / 255.0f;
        break;
    case ID("TVAL"):
        if (proc) tex->param.proc.value[0] = ReadI2Fraction(r);
        break;
    case ID("TAMP"):
        if (imap) tex->param.imap.amplitude.val = LwoReadF4(r);
        break;
    case ID("TFP0"):
        if (imap) tex->param.imap.wrapw.val = LwoReadF4(r);
        break;
    case ID("TFP1"):
        if (imap) tex->param.imap.wraph.val = LwoReadF4(r);
        break;
    case ID("TAAS"):
        if (imap) {
            tex->param.imap.aa_strength = LwoReadF4(r);
            tex->param.imap.aas_flags = 1;
        }
        break;
    case ID("TOPC"): tex->opacity.val = LwoReadF4(r); break;
    case ID("TIMG"):
        if (imap) {
            char* name = LwoReadS0(r);
            if (LwoReadFailed(r)) break;
            s32 index = AddClip(name, &st->clips, &object->nclips);
            if (!index) return 0;
            tex->param.imap.cindex = index;
        }
        break;
    case ID("TREF"): {
        free(tex->tmap.refObject);
        tex->tmap.refObject = ReadName(r, sz);
        break;
    }
    }
    return 1;
}

static bool IsTextureSubChunk(u32 id)
{
    switch (id) {
    case ID("TFLG"): case ID("TSIZ"): case ID("TCTR"): case ID("TFAL"): case ID("TVEL"):
    case ID("TCLR"): case ID("TVAL"): case ID("TAMP"): case ID("TFP0"): case ID("TFP1"):
    case ID("TAAS"): case ID("TOPC"): case ID("TIMG"): case ID("TREF"):
        return true;
    default:
        return false;
    }
}

static LwoSurface* ReadSurface(LwoReader* r, LwobState* st)
{
    LwoObject* object = st->object;
    LwoSurface* surf = LwoDefaultSurface();
    if (!surf) return nullptr;
    LwoListBuilder<LwoTexture> textures[7] = {
        LwoListBuilder<LwoTexture>(TextureList(surf, 0)), LwoListBuilder<LwoTexture>(TextureList(surf, 1)),
        LwoListBuilder<LwoTexture>(TextureList(surf, 2)), LwoListBuilder<LwoTexture>(TextureList(surf, 3)),
        LwoListBuilder<LwoTexture>(TextureList(surf, 4)), LwoListBuilder<LwoTexture>(TextureList(surf, 5)),
        LwoListBuilder<LwoTexture>(TextureList(surf, 6))};
    LwoListBuilder<LwoPlugin> shaders(&surf->shader);
    surf->name = LwoReadS0(r);
    LwoTexture* tex = nullptr;   // the texture the T... sub-chunks describe
    LwoPlugin* shdr = nullptr;   // the shader SDAT describes
    bool ok = !LwoReadFailed(r);
    while (ok && LwoRemaining(r) > 0) {
        u32 id;
        s32 sz;
        s64 saved = LwoBeginSubChunk(r, &id, &sz);
        if (saved < 0) {
            ok = false;
            break;
        }
        int channel = TextureIndex(id);
        if (channel >= 0) {
            LwoTexture* t = LwobReadTexture(ReadName(r, sz));
            if (!t) {
                ok = false;
            } else {
                t->chan = kTextureChannels[channel];
                textures[channel].Add(t);
                tex = t;
            }
        } else if (IsTextureSubChunk(id)) {
            // Texture values before any texture have nothing to describe and are skipped.
            if (tex && !ReadTextureSubChunk(r, id, sz, tex, st)) ok = false;
        } else {
            switch (id) {
            case ID("COLR"):
                for (int k = 0; k < 3; ++k) surf->color.rgb[k] = float(LwoReadU1(r)) / 255.0f;
                break;
            case ID("FLAG"): {
                u16 flags = LwoReadU2(r);
                if (flags & 4) surf->smooth = 1.56207f;
                if (flags & 8) surf->colorHilite.val = 1.0f;
                if (flags & 16) surf->colorFilter.val = 1.0f;
                if (flags & 128) surf->difSharp.val = 0.5f;
                if (flags & 256) surf->sideflags = 3;
                if (flags & 512) surf->addTrans.val = 1.0f;
                break;
            }
            case ID("LUMI"): surf->luminosity.val = ReadI2Fraction(r); break;
            case ID("VLUM"): surf->luminosity.val = LwoReadF4(r); break;
            case ID("DIFF"): surf->diffuse.val = ReadI2Fraction(r); break;
            case ID("VDIF"): surf->diffuse.val = LwoReadF4(r); break;
            case ID("SPEC"): surf->specularity.val = ReadI2Fraction(r); break;
            case ID("VSPC"): surf->specularity.val = LwoReadF4(r); break;
            case ID("GLOS"): {
                u16 g = LwoReadU2(r);
                // ln 0 has no value: a glossiness of 0 is the nearest meaningful one.
                surf->glossiness.val = g > 0 ? float(log(double(g)) / 20.7944) : 0.0f;
                break;
            }
            case ID("REFL"): surf->reflection.val.val = ReadI2Fraction(r); break;
            case ID("RFLT"): surf->reflection.options = LwoReadU2(r); break;
            case ID("RIMG"): {
                char* name = LwoReadS0(r);
                if (LwoReadFailed(r)) break;
                s32 index = AddClip(name, &st->clips, &object->nclips);
                if (!index) {
                    ok = false;
                    break;
                }
                surf->reflection.cindex = index;
                surf->reflection.options = 3;
                break;
            }
            case ID("RSAN"): surf->reflection.seamAngle = LwoReadF4(r); break;
            case ID("TRAN"): surf->transparency.val.val = ReadI2Fraction(r); break;
            case ID("RIND"): surf->eta.val = LwoReadF4(r); break;
            case ID("SMAN"): surf->smooth = LwoReadF4(r); break;
            case ID("SHDR"): {
                LwoPlugin* p = static_cast<LwoPlugin*>(calloc(1, sizeof(LwoPlugin)));
                if (!p) {
                    ok = false;
                    break;
                }
                p->name = ReadName(r, sz);
                shaders.Add(p);
                ++surf->shaderCount;
                shdr = p;
                break;
            }
            case ID("SDAT"):
                // Data before any shader has nothing to describe and is skipped.
                if (shdr) {
                    free(shdr->data);
                    shdr->data = LwoReadBytes(r, sz);
                    shdr->dataSize = shdr->data ? sz : 0;
                }
                break;
            }
        }
        if (!ok) {
            LwoEndSubChunk(r, saved);
            break;
        }
        ok = LwoEndSubChunk(r, saved);
    }
    if (!ok || LwoReadFailed(r)) {
        LwoFreeSurface(surf);
        return nullptr;
    }
    return surf;
}

LwoSurface* LwobReadSurface(LwoReader* r, s32 /*size*/, LwoObject* object)
{
    LwobState st(object);
    return ReadSurface(r, &st);
}

static int ReadChunk(LwoReader* r, void* context, u32 id, s32 size)
{
    LwobState* st = static_cast<LwobState*>(context);
    LwoObject* object = st->object;
    LwoLayer* layer = object->layer;
    switch (id) {
    case ID("PNTS"): return LwoReadPoints(r, size, &layer->point);
    case ID("POLS"): return LwobReadPolygons(r, size, &layer->polygon, layer->point.offset);
    case ID("SRFS"): return LwoReadTags(r, size, &object->taglist);
    case ID("SURF"): {
        LwoSurface* surf = ReadSurface(r, st);
        if (!surf) return 0;
        st->surfs.Add(surf);
        ++object->nsurfs;
        return 1;
    }
    default: return 1;
    }
}

LwoObject* LwobReadObject(const char* path, u32* failId, s32* failPos)
{
    LwoReader reader;
    LwoReader* r = &reader;
    if (!path || !LwoOpenReader(r, path)) return nullptr;

    LwoSetReadCount(r, 0);
    u32 id = LwoReadU4(r);
    u32 formSize = LwoReadU4(r);
    u32 type = LwoReadU4(r);
    if (LwoGetReadCount(r) != 12) {
        LwoCloseReader(r);
        return nullptr;
    }
    if (id != ID("FORM") || type != ID("LWOB")) {
        LwoCloseReader(r);
        if (failPos) *failPos = 12;
        return nullptr;
    }

    LwoObject* object = LwoNewObject();
    u32 chunkId = 0;
    bool ok = false;
    if (object) {
        LwobState state(object);
        ok = LwoReadChunks(r, formSize, &state, ReadChunk, &chunkId);
    }
    s64 position = r->pos;
    LwoCloseReader(r);

    if (ok) {
        object->nlayers = 1;
        LwoLayer* layer = object->layer;
        LwoGetBoundingBox(&layer->point, layer->bbox);
        ok = LwoCheckPolygonPoints(&layer->point, &layer->polygon);
        if (ok) {
            LwoGetPolygonNormals(&layer->point, &layer->polygon);
            ok = LwoGetPointPolygons(&layer->point, &layer->polygon) &&
                 LwoResolvePolygonSurfaces(&layer->polygon, &object->taglist, &object->surf, &object->nsurfs);
        }
        if (ok) LwoGetVertexNormals(&layer->point, &layer->polygon);
    }
    if (!ok) {
        if (failId) *failId = chunkId;
        if (failPos) *failPos = s32(position > 0x7FFFFFFF ? 0x7FFFFFFF : position);
        LwoFreeObject(object);
        return nullptr;
    }
    return object;
}
