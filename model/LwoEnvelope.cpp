#include "model/LwoEnvelope.h"

#include <cstdlib>

#include "model/LwoList.h"

#define ID(s) FourCC(s)

int LwoCompareKeys(const LwoKey* a, const LwoKey* b)
{
    return a->time > b->time ? 1 : a->time < b->time ? -1 : 0;
}

static void FreeKey(LwoKey* key) { free(key); }

void LwoFreeEnvelope(LwoEnvelope* env)
{
    if (!env) return;
    free(env->name);
    LwoListFree(&env->key, FreeKey);
    LwoListFree(&env->cfilter, LwoFreePlugin);
    free(env);
}

LwoEnvelope* LwoReadEnvelope(LwoReader* r, s32 /*size*/)
{
    LwoEnvelope* env = static_cast<LwoEnvelope*>(calloc(1, sizeof(LwoEnvelope)));
    if (!env) return nullptr;
    env->index = LwoReadVX(r);
    LwoKey* last = nullptr;  // the key created last, which a SPAN describes
    bool ok = !LwoReadFailed(r);
    // Keys are kept in file order while reading and sorted by time once at the end, which is
    // the order inserting each one by time gives, without its quadratic cost.
    LwoListBuilder<LwoKey> keys(&env->key);
    LwoListBuilder<LwoPlugin> filters(&env->cfilter);
    while (ok && LwoRemaining(r) > 0) {
        u32 id;
        s32 sz;
        s64 saved = LwoBeginSubChunk(r, &id, &sz);
        if (saved < 0) {
            ok = false;
            break;
        }
        switch (id) {
        case ID("TYPE"): env->type = LwoReadU2(r); break;
        case ID("PRE "): env->behavior[0] = LwoReadU2(r); break;
        case ID("POST"): env->behavior[1] = LwoReadU2(r); break;
        case ID("NAME"):
            free(env->name);
            env->name = LwoReadS0(r);
            break;
        case ID("KEY "): {
            LwoKey* key = static_cast<LwoKey*>(calloc(1, sizeof(LwoKey)));
            if (!key) {
                ok = false;
                break;
            }
            key->time = LwoReadF4(r);
            key->value = LwoReadF4(r);
            keys.Add(key);
            ++env->nkeys;
            last = key;
            break;
        }
        case ID("SPAN"): {
            if (!last) {
                ok = false;
                break;
            }
            last->shape = LwoReadU4(r);
            s32 n = (sz - 4) / 4;
            if (n > 4) n = 4;
            if (n < 0) n = 0;
            float f[4] = {0, 0, 0, 0};  // missing values are zero
            for (s32 i = 0; i < n; ++i) f[i] = LwoReadF4(r);
            switch (last->shape) {
            case ID("TCB "):
                last->tension = f[0];
                last->continuity = f[1];
                last->bias = f[2];
                break;
            case ID("BEZ2"):
            case ID("BEZI"):
            case ID("HERM"):
                for (s32 i = 0; i < n; ++i) last->param[i] = f[i];
                break;
            }
            break;
        }
        case ID("CHAN"): {
            LwoPlugin* p = static_cast<LwoPlugin*>(calloc(1, sizeof(LwoPlugin)));
            if (!p) {
                ok = false;
                break;
            }
            p->name = LwoReadS0(r);
            p->flags = LwoReadU2(r);
            p->data = LwoReadRest(r, &p->dataSize);
            filters.Add(p);
            ++env->ncfilters;
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
        LwoFreeEnvelope(env);
        return nullptr;
    }
    LwoListSort(&env->key, LwoCompareKeys);
    return env;
}
