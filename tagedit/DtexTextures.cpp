#include "tagedit/DtexTextures.h"

#include "codex/DtexTag.h"
#include "platform/GLTexture.h"

namespace {

void* MakeTexture(const u8* rgb, u32 width, u32 height)
{
    GLTexture* texture = new GLTexture;
    if (!texture->Create(rgb, GLTEX_RGB, width, height, 1, 1)) {
        texture->Delete();
        delete texture;
        return nullptr;
    }
    return texture;
}

void DestroyTexture(void* texture)
{
    GLTexture* t = static_cast<GLTexture*>(texture);
    t->Delete();
    delete t;
}

}  // namespace

void InstallDtexTextureHooks()
{
    static const DtexTextureHooks hooks = {MakeTexture, DestroyTexture};
    SetDtexTextureHooks(&hooks);
}

void RemoveDtexTextureHooks()
{
    SetDtexTextureHooks(nullptr);
}
