#include "model/LwoClip.h"

#include <cstdlib>

#include "model/LwoList.h"

#define ID(s) FourCC(s)

LwoClip* LwoNewClip()
{
    LwoClip* clip = static_cast<LwoClip*>(calloc(1, sizeof(LwoClip)));
    if (!clip) return nullptr;
    clip->contrast.val = 1.0f;
    clip->brightness.val = 1.0f;
    clip->saturation.val = 1.0f;
    clip->gamma.val = 1.0f;
    return clip;
}

void LwoFreeClip(LwoClip* clip)
{
    if (!clip) return;
    switch (clip->type) {
    case ID("STIL"): free(clip->source.still.name); break;
    case ID("ISEQ"):
        free(clip->source.seq.prefix);
        free(clip->source.seq.suffix);
        break;
    case ID("ANIM"):
        free(clip->source.anim.name);
        free(clip->source.anim.server);
        free(clip->source.anim.data);
        break;
    case ID("XREF"): free(clip->source.xref.string); break;
    case ID("STCC"): free(clip->source.cycle.name); break;
    }
    LwoListFree(&clip->ifilter, LwoFreePlugin);
    LwoListFree(&clip->pfilter, LwoFreePlugin);
    free(clip);
}

LwoClip* LwoFindClip(LwoClip* clips, s32 index)
{
    for (LwoClip* c = clips; c; c = c->next)
        if (c->index == index) return c;
    return nullptr;
}

static void ReadEParam(LwoReader* r, LwoEParam* p)
{
    p->val = LwoReadF4(r);
    p->eindex = LwoReadVX(r);
}

// The source sub-chunk; its id becomes the clip's type (an unknown one reads nothing).
static void ReadSource(LwoReader* r, u32 id, LwoClip* clip)
{
    switch (id) {
    case ID("STIL"): clip->source.still.name = LwoReadS0(r); break;
    case ID("ISEQ"):
        clip->source.seq.digits = LwoReadU1(r);
        clip->source.seq.flags = LwoReadU1(r);
        clip->source.seq.offset = LwoReadI2(r);
        clip->source.seq.start = LwoReadI2(r);
        clip->source.seq.end = LwoReadI2(r);
        clip->source.seq.prefix = LwoReadS0(r);
        clip->source.seq.suffix = LwoReadS0(r);
        break;
    case ID("ANIM"):
        clip->source.anim.name = LwoReadS0(r);
        clip->source.anim.server = LwoReadS0(r);
        clip->source.anim.data = LwoReadRest(r, &clip->source.anim.dataSize);
        break;
    case ID("XREF"):
        clip->source.xref.index = LwoReadI4(r);
        clip->source.xref.string = LwoReadS0(r);
        break;
    case ID("STCC"):
        clip->source.cycle.lo = LwoReadI2(r);
        clip->source.cycle.hi = LwoReadI2(r);
        clip->source.cycle.name = LwoReadS0(r);
        break;
    default:
        return;
    }
    clip->type = id;
}

// A filter plugin: S0 name, U2 flags, the rest of the sub-chunk as data.
static LwoPlugin* ReadFilter(LwoReader* r)
{
    LwoPlugin* p = static_cast<LwoPlugin*>(calloc(1, sizeof(LwoPlugin)));
    if (!p) return nullptr;
    p->name = LwoReadS0(r);
    p->flags = LwoReadU2(r);
    p->data = LwoReadRest(r, &p->dataSize);
    if (LwoReadFailed(r)) {
        LwoFreePlugin(p);
        return nullptr;
    }
    return p;
}

LwoClip* LwoReadClip(LwoReader* r, s32 /*size*/)
{
    LwoClip* clip = LwoNewClip();
    if (!clip) return nullptr;
    clip->index = s32(LwoReadU4(r));
    bool first = true;
    bool ok = !LwoReadFailed(r);
    LwoListBuilder<LwoPlugin> ifilters(&clip->ifilter), pfilters(&clip->pfilter);
    while (ok && LwoRemaining(r) > 0) {
        u32 id;
        s32 sz;
        s64 saved = LwoBeginSubChunk(r, &id, &sz);
        if (saved < 0) {
            ok = false;
            break;
        }
        if (first) {
            ReadSource(r, id, clip);
            first = false;
        } else {
            switch (id) {
            case ID("TIME"):
                clip->startTime = LwoReadF4(r);
                clip->duration = LwoReadF4(r);
                clip->frameRate = LwoReadF4(r);
                break;
            case ID("CONT"): ReadEParam(r, &clip->contrast); break;
            case ID("BRIT"): ReadEParam(r, &clip->brightness); break;
            case ID("SATR"): ReadEParam(r, &clip->saturation); break;
            case ID("HUE "): ReadEParam(r, &clip->hue); break;
            case ID("GAMM"): ReadEParam(r, &clip->gamma); break;
            case ID("NEGA"): clip->negative = LwoReadU2(r); break;
            case ID("IFLT"):
            case ID("PFLT"): {
                LwoPlugin* p = ReadFilter(r);
                if (!p) break;
                if (id == ID("IFLT")) {
                    ifilters.Add(p);
                    ++clip->nifilters;
                } else {
                    pfilters.Add(p);
                    ++clip->npfilters;
                }
                break;
            }
            }
        }
        ok = LwoEndSubChunk(r, saved);
    }
    if (!ok || LwoReadFailed(r)) {
        LwoFreeClip(clip);
        return nullptr;
    }
    return clip;
}
