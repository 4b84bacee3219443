#include "model/LwoSurface.h"

#include <cstdlib>
#include <cstring>

#include "model/LwoList.h"

#define ID(s) FourCC(s)

void LwoFreePlugin(LwoPlugin* p)
{
    if (!p) return;
    free(p->ord);
    free(p->name);
    free(p->data);
    free(p);
}

void LwoFreeTexture(LwoTexture* tex)
{
    if (!tex) return;
    free(tex->ord);
    switch (tex->type) {
    case ID("IMAP"):
        free(tex->param.imap.vmapName);
        break;
    case ID("PROC"):
        free(tex->param.proc.name);
        free(tex->param.proc.data);
        break;
    case ID("GRAD"):
        free(tex->param.grad.paramName);
        free(tex->param.grad.itemName);
        free(tex->param.grad.keys);
        free(tex->param.grad.ikeys);
        break;
    }
    free(tex->tmap.refObject);
    free(tex);
}

void LwoFreeSurface(LwoSurface* surf)
{
    if (!surf) return;
    free(surf->name);
    free(surf->srcName);
    LwoListFree(&surf->shader, LwoFreePlugin);
    LwoListFree(&surf->color.tex, LwoFreeTexture);
    LwoListFree(&surf->luminosity.tex, LwoFreeTexture);
    LwoListFree(&surf->diffuse.tex, LwoFreeTexture);
    LwoListFree(&surf->specularity.tex, LwoFreeTexture);
    LwoListFree(&surf->glossiness.tex, LwoFreeTexture);
    LwoListFree(&surf->reflection.val.tex, LwoFreeTexture);
    LwoListFree(&surf->transparency.val.tex, LwoFreeTexture);
    LwoListFree(&surf->eta.tex, LwoFreeTexture);
    LwoListFree(&surf->translucency.tex, LwoFreeTexture);
    LwoListFree(&surf->bump.tex, LwoFreeTexture);
    free(surf);
}

LwoSurface* LwoDefaultSurface()
{
    LwoSurface* surf = static_cast<LwoSurface*>(calloc(1, sizeof(LwoSurface)));
    if (!surf) return nullptr;
    surf->color.rgb[0] = surf->color.rgb[1] = surf->color.rgb[2] = 0.78431f;
    surf->diffuse.val = 1.0f;
    surf->glossiness.val = 0.4f;
    surf->bump.val = 1.0f;
    surf->eta.val = 1.0f;
    surf->sideflags = 1;
    return surf;
}

LwoTexture* LwoNewTexture(u32 type)
{
    LwoTexture* tex = static_cast<LwoTexture*>(calloc(1, sizeof(LwoTexture)));
    if (!tex) return nullptr;
    tex->type = type;
    tex->opacity.val = 1.0f;
    tex->enabled = 1;
    tex->tmap.size.val[0] = tex->tmap.size.val[1] = tex->tmap.size.val[2] = 1.0f;
    return tex;
}


static int CompareOrdinals(const char* a, const char* b)
{
    // Byte-wise, unsigned, the shorter string first on a common prefix.
    return strcmp(a ? a : "", b ? b : "");
}

int LwoCompareTextures(const LwoTexture* a, const LwoTexture* b) { return CompareOrdinals(a->ord, b->ord); }
int LwoComparePlugins(const LwoPlugin* a, const LwoPlugin* b) { return CompareOrdinals(a->ord, b->ord); }

// The ten texture channels, in the order of TextureLists.
static const u32 kChannels[10] = {ID("COLR"), ID("LUMI"), ID("DIFF"), ID("SPEC"), ID("GLOS"),
                                  ID("REFL"), ID("TRAN"), ID("RIND"), ID("TRNL"), ID("BUMP")};

static void TextureLists(LwoSurface* surf, LwoTexture** lists[10])
{
    lists[0] = &surf->color.tex;
    lists[1] = &surf->luminosity.tex;
    lists[2] = &surf->diffuse.tex;
    lists[3] = &surf->specularity.tex;
    lists[4] = &surf->glossiness.tex;
    lists[5] = &surf->reflection.val.tex;
    lists[6] = &surf->transparency.val.tex;
    lists[7] = &surf->eta.tex;
    lists[8] = &surf->translucency.tex;
    lists[9] = &surf->bump.tex;
}

static int ChannelIndex(u32 chan)
{
    for (int i = 0; i < 10; ++i)
        if (kChannels[i] == chan) return i;
    return -1;
}

int LwoAddTexture(LwoSurface* surf, LwoTexture* tex)
{
    int c = ChannelIndex(tex->chan);
    if (c < 0) return 0;
    LwoTexture** lists[10];
    TextureLists(surf, lists);
    LwoListInsert(lists[c], tex, LwoCompareTextures);
    return 1;
}

// Replaces *dst with a new string (freeing the old one, so repeated sub-chunks do not leak).
static void SetString(char** dst, char* s)
{
    free(*dst);
    *dst = s;
}

static void ReadEParam(LwoReader* r, LwoEParam* p)
{
    p->val = LwoReadF4(r);
    p->eindex = LwoReadVX(r);
}

static void ReadVParam(LwoReader* r, LwoVParam* p)
{
    for (int k = 0; k < 3; ++k) p->val[k] = LwoReadF4(r);
    p->eindex = LwoReadVX(r);
}

static void ReadTParam(LwoReader* r, LwoTParam* p)
{
    p->val = LwoReadF4(r);
    p->eindex = LwoReadVX(r);
}

int LwoReadTextureMapping(LwoReader* r, s32 /*size*/, LwoTextureMapping* tmap)
{
    while (LwoRemaining(r) > 0) {
        u32 id;
        s32 sz;
        s64 saved = LwoBeginSubChunk(r, &id, &sz);
        if (saved < 0) return 0;
        switch (id) {
        case ID("SIZE"): ReadVParam(r, &tmap->size); break;
        case ID("CNTR"): ReadVParam(r, &tmap->center); break;
        case ID("ROTA"): ReadVParam(r, &tmap->rotate); break;
        case ID("FALL"):
            tmap->falloffType = LwoReadU2(r);
            ReadVParam(r, &tmap->falloff);
            break;
        case ID("OREF"): SetString(&tmap->refObject, LwoReadS0(r)); break;
        case ID("CSYS"): tmap->coordSys = LwoReadU2(r); break;
        }
        if (!LwoEndSubChunk(r, saved)) return 0;
    }
    return !LwoReadFailed(r);
}

int LwoReadTextureHeader(LwoReader* r, LwoTexture* tex, s32 headerSize)
{
    s64 outer = LwoPushLimit(r, headerSize);
    if (outer < 0) return 0;
    SetString(&tex->ord, LwoReadS0(r));
    while (!LwoReadFailed(r) && LwoRemaining(r) > 0) {
        u32 id;
        s32 sz;
        s64 saved = LwoBeginSubChunk(r, &id, &sz);
        if (saved < 0) break;
        switch (id) {
        case ID("CHAN"): tex->chan = LwoReadU4(r); break;
        case ID("OPAC"):
            tex->opacType = LwoReadU2(r);
            ReadEParam(r, &tex->opacity);
            break;
        case ID("ENAB"): tex->enabled = LwoReadU2(r); break;
        case ID("NEGA"): tex->negative = LwoReadU2(r); break;
        case ID("AXIS"): tex->axis = LwoReadU2(r); break;
        }
        if (!LwoEndSubChunk(r, saved)) break;
    }
    int ok = !LwoReadFailed(r);
    LwoPopLimit(r, outer);
    return ok;
}

int LwoReadImageMap(LwoReader* r, s32 size, LwoTexture* tex)
{
    LwoImageMap* im = &tex->param.imap;
    while (LwoRemaining(r) > 0) {
        u32 id;
        s32 sz;
        s64 saved = LwoBeginSubChunk(r, &id, &sz);
        if (saved < 0) return 0;
        switch (id) {
        case ID("TMAP"):
            if (!LwoReadTextureMapping(r, sz, &tex->tmap)) return 0;
            break;
        case ID("PROJ"): im->projection = LwoReadU2(r); break;
        case ID("VMAP"): SetString(&im->vmapName, LwoReadS0(r)); break;
        case ID("AXIS"): im->axis = LwoReadU2(r); break;
        case ID("IMAG"): im->cindex = LwoReadVX(r); break;
        case ID("WRAP"):
            im->wrapw_type = LwoReadU2(r);
            im->wraph_type = LwoReadU2(r);
            break;
        case ID("WRPW"): ReadEParam(r, &im->wrapw); break;
        case ID("WRPH"): ReadEParam(r, &im->wraph); break;
        case ID("AAST"):
            im->aas_flags = LwoReadU2(r);
            im->aa_strength = LwoReadF4(r);
            break;
        case ID("PIXB"): im->pblend = LwoReadU2(r); break;
        case ID("STCK"): ReadEParam(r, &im->stck); break;
        case ID("TAMP"): ReadEParam(r, &im->amplitude); break;
        }
        if (!LwoEndSubChunk(r, saved)) return 0;
    }
    (void)size;
    return !LwoReadFailed(r);
}

int LwoReadProcedural(LwoReader* r, s32 size, LwoTexture* tex)
{
    LwoProcedural* pr = &tex->param.proc;
    while (LwoRemaining(r) > 0) {
        u32 id;
        s32 sz;
        s64 saved = LwoBeginSubChunk(r, &id, &sz);
        if (saved < 0) return 0;
        switch (id) {
        case ID("TMAP"):
            if (!LwoReadTextureMapping(r, sz, &tex->tmap)) return 0;
            break;
        case ID("AXIS"): pr->axis = LwoReadU2(r); break;
        case ID("VALU"):
            pr->value[0] = LwoReadF4(r);
            if (sz >= 8) pr->value[1] = LwoReadF4(r);
            if (sz >= 12) pr->value[2] = LwoReadF4(r);
            break;
        case ID("FUNC"):
            SetString(&pr->name, LwoReadS0(r));
            free(pr->data);
            pr->data = LwoReadRest(r, &pr->dataSize);
            break;
        }
        if (!LwoEndSubChunk(r, saved)) return 0;
    }
    (void)size;
    return !LwoReadFailed(r);
}

int LwoReadGradient(LwoReader* r, s32 size, LwoTexture* tex)
{
    LwoGradient* gr = &tex->param.grad;
    while (LwoRemaining(r) > 0) {
        u32 id;
        s32 sz;
        s64 saved = LwoBeginSubChunk(r, &id, &sz);
        if (saved < 0) return 0;
        switch (id) {
        case ID("TMAP"):
            if (!LwoReadTextureMapping(r, sz, &tex->tmap)) return 0;
            break;
        case ID("PNAM"): SetString(&gr->paramName, LwoReadS0(r)); break;
        case ID("INAM"): SetString(&gr->itemName, LwoReadS0(r)); break;
        case ID("GRST"): gr->start = LwoReadF4(r); break;
        case ID("GREN"): gr->end = LwoReadF4(r); break;
        case ID("GRPT"): gr->repeat = LwoReadU2(r); break;
        case ID("FKEY"): {
            s32 n = sz / 20;
            free(gr->keys);
            gr->keys = nullptr;
            gr->keyCount = 0;
            if (n > 0) {
                gr->keys = static_cast<LwoGradKey*>(calloc(size_t(n), sizeof(LwoGradKey)));
                if (!gr->keys) {
                    LwoEndSubChunk(r, saved);
                    return 0;
                }
                gr->keyCount = n;
                for (s32 i = 0; i < n; ++i) {
                    gr->keys[i].value = LwoReadF4(r);
                    for (int k = 0; k < 4; ++k) gr->keys[i].rgba[k] = LwoReadF4(r);
                }
            }
            break;
        }
        case ID("IKEY"): {
            s32 n = sz / 2;
            free(gr->ikeys);
            gr->ikeys = nullptr;
            gr->ikeyCount = 0;
            if (n > 0) {
                gr->ikeys = static_cast<u16*>(calloc(size_t(n), sizeof(u16)));
                if (!gr->ikeys) {
                    LwoEndSubChunk(r, saved);
                    return 0;
                }
                gr->ikeyCount = n;
                for (s32 i = 0; i < n; ++i) gr->ikeys[i] = LwoReadU2(r);
            }
            break;
        }
        }
        if (!LwoEndSubChunk(r, saved)) return 0;
    }
    (void)size;
    return !LwoReadFailed(r);
}

LwoTexture* LwoReadTexture(LwoReader* r, s32 size, u32 type)
{
    LwoTexture* tex = LwoNewTexture(type);
    if (!tex) return nullptr;
    s64 outer = LwoPushLimit(r, size);
    if (outer < 0) {
        LwoFreeTexture(tex);
        return nullptr;
    }
    s32 headerSize = LwoReadU2(r);
    int ok = !LwoReadFailed(r) && LwoReadTextureHeader(r, tex, headerSize);
    if (ok) {
        switch (type) {
        case ID("IMAP"): ok = LwoReadImageMap(r, size, tex); break;
        case ID("PROC"): ok = LwoReadProcedural(r, size, tex); break;
        case ID("GRAD"): ok = LwoReadGradient(r, size, tex); break;
        default: ok = LwoSkip(r, LwoRemaining(r)); break;
        }
    }
    LwoPopLimit(r, outer);
    if (!ok || LwoReadFailed(r)) {
        LwoFreeTexture(tex);
        return nullptr;
    }
    return tex;
}

LwoPlugin* LwoReadShader(LwoReader* r, s32 size)
{
    LwoPlugin* shdr = static_cast<LwoPlugin*>(calloc(1, sizeof(LwoPlugin)));
    if (!shdr) return nullptr;
    s64 outer = LwoPushLimit(r, size);
    if (outer < 0) {
        free(shdr);
        return nullptr;
    }
    s32 headerSize = LwoReadU2(r);
    s64 header = LwoReadFailed(r) ? -1 : LwoPushLimit(r, headerSize);
    if (header >= 0) {
        shdr->ord = LwoReadS0(r);
        while (!LwoReadFailed(r) && LwoRemaining(r) > 0) {
            u32 id;
            s32 sz;
            s64 saved = LwoBeginSubChunk(r, &id, &sz);
            if (saved < 0) break;
            if (id == ID("ENAB")) shdr->flags = LwoReadU2(r);
            if (!LwoEndSubChunk(r, saved)) break;
        }
        LwoPopLimit(r, header);
    }
    while (!LwoReadFailed(r) && LwoRemaining(r) > 0) {
        u32 id;
        s32 sz;
        s64 saved = LwoBeginSubChunk(r, &id, &sz);
        if (saved < 0) break;
        if (id == ID("FUNC")) {
            SetString(&shdr->name, LwoReadS0(r));
            free(shdr->data);
            shdr->data = LwoReadRest(r, &shdr->dataSize);
        }
        if (!LwoEndSubChunk(r, saved)) break;
    }
    int ok = !LwoReadFailed(r);
    LwoPopLimit(r, outer);
    if (!ok) {
        LwoFreePlugin(shdr);
        return nullptr;
    }
    return shdr;
}

// The lists of a surface being read: blocks are appended in file order and each list is sorted
// by ordinal once the surface is complete (the order of inserting each block by ordinal, without
// its quadratic cost).
struct SurfaceLists {
    LwoListBuilder<LwoTexture> textures[10];
    LwoListBuilder<LwoPlugin> shaders;

    static LwoListBuilder<LwoTexture> Builder(LwoSurface* surf, int i)
    {
        LwoTexture** lists[10];
        TextureLists(surf, lists);
        return LwoListBuilder<LwoTexture>(lists[i]);
    }
    explicit SurfaceLists(LwoSurface* surf)
        : textures{Builder(surf, 0), Builder(surf, 1), Builder(surf, 2), Builder(surf, 3), Builder(surf, 4),
                   Builder(surf, 5), Builder(surf, 6), Builder(surf, 7), Builder(surf, 8), Builder(surf, 9)},
          shaders(&surf->shader)
    {
    }
    void Sort(LwoSurface* surf)
    {
        LwoTexture** lists[10];
        TextureLists(surf, lists);
        for (LwoTexture** list : lists) LwoListSort(list, LwoCompareTextures);
        LwoListSort(&surf->shader, LwoComparePlugins);
    }
};

// One BLOK sub-chunk of a surface; the limit is the block's end.
static int ReadBlock(LwoReader* r, s32 size, LwoSurface* surf, SurfaceLists* lists)
{
    u32 type = LwoReadU4(r);
    if (LwoReadFailed(r)) return 0;
    switch (type) {
    case ID("IMAP"):
    case ID("PROC"):
    case ID("GRAD"): {
        LwoTexture* tex = LwoReadTexture(r, size - 4, type);
        if (!tex) return 0;
        int c = ChannelIndex(tex->chan);
        if (c >= 0)
            lists->textures[c].Add(tex);
        else
            LwoFreeTexture(tex);
        return 1;
    }
    case ID("SHDR"): {
        LwoPlugin* shdr = LwoReadShader(r, size - 4);
        if (!shdr) return 0;
        lists->shaders.Add(shdr);
        ++surf->shaderCount;
        return 1;
    }
    default:
        return 1;
    }
}

LwoSurface* LwoReadSurface(LwoReader* r, s32 /*size*/)
{
    LwoSurface* surf = LwoDefaultSurface();
    if (!surf) return nullptr;
    surf->name = LwoReadS0(r);
    surf->srcName = LwoReadS0(r);
    SurfaceLists lists(surf);
    while (!LwoReadFailed(r) && LwoRemaining(r) > 0) {
        u32 id;
        s32 sz;
        s64 saved = LwoBeginSubChunk(r, &id, &sz);
        if (saved < 0) break;
        switch (id) {
        case ID("COLR"):
            for (int k = 0; k < 3; ++k) surf->color.rgb[k] = LwoReadF4(r);
            surf->color.eindex = LwoReadVX(r);
            break;
        case ID("LUMI"): ReadTParam(r, &surf->luminosity); break;
        case ID("DIFF"): ReadTParam(r, &surf->diffuse); break;
        case ID("SPEC"): ReadTParam(r, &surf->specularity); break;
        case ID("GLOS"): ReadTParam(r, &surf->glossiness); break;
        case ID("REFL"): ReadTParam(r, &surf->reflection.val); break;
        case ID("RFOP"): surf->reflection.options = LwoReadU2(r); break;
        case ID("RIMG"): surf->reflection.cindex = LwoReadVX(r); break;
        case ID("RSAN"): surf->reflection.seamAngle = LwoReadF4(r); break;
        case ID("TRAN"): ReadTParam(r, &surf->transparency.val); break;
        case ID("TROP"): surf->transparency.options = LwoReadU2(r); break;
        case ID("TIMG"): surf->transparency.cindex = LwoReadVX(r); break;
        case ID("RIND"): ReadTParam(r, &surf->eta); break;
        case ID("TRNL"): ReadTParam(r, &surf->translucency); break;
        case ID("BUMP"): ReadTParam(r, &surf->bump); break;
        case ID("SMAN"): surf->smooth = LwoReadF4(r); break;
        case ID("SIDE"): surf->sideflags = LwoReadU2(r); break;
        case ID("CLRH"): ReadEParam(r, &surf->colorHilite); break;
        case ID("CLRF"): ReadEParam(r, &surf->colorFilter); break;
        case ID("ADTR"): ReadEParam(r, &surf->addTrans); break;
        case ID("SHRP"): ReadEParam(r, &surf->difSharp); break;
        case ID("GVAL"): ReadEParam(r, &surf->glow); break;
        case ID("ALPH"):
            surf->alphaMode = LwoReadU2(r);
            surf->alpha = LwoReadF4(r);
            break;
        case ID("AVAL"): surf->alpha = LwoReadF4(r); break;
        case ID("LINE"):
            surf->line.enabled = 1;
            if (sz >= 2) surf->line.flags = LwoReadU2(r);
            if (sz >= 6) surf->line.size.val = LwoReadF4(r);
            if (sz >= 8) surf->line.size.eindex = LwoReadVX(r);
            break;
        case ID("BLOK"):
            if (!ReadBlock(r, sz, surf, &lists)) {
                LwoEndSubChunk(r, saved);
                LwoFreeSurface(surf);
                return nullptr;
            }
            break;
        }
        if (!LwoEndSubChunk(r, saved)) break;
    }
    if (LwoReadFailed(r)) {
        LwoFreeSurface(surf);
        return nullptr;
    }
    lists.Sort(surf);
    return surf;
}
