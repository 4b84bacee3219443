#pragma once
// The detail-texture editor on the real screen under Xvfb: a local folder of its own, the
// editors' texture hooks, and a pixel of an editor's content as drawn.
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "codex/Archive.h"
#include "codex/LocalFolder.h"
#include "foundation/PrefStore.h"
#include "tagedit/DtexEdit.h"
#include "tagedit/DtexTextures.h"
#include "tests/gui/PixelTestSupport.h"

class DtexEditPixels : public pixeltest::SkinnedScreen {
protected:
    void SetUp() override
    {
        SkinnedScreen::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        InstallDtexTextureHooks();
        char pattern[] = "/tmp/tavik-dtexpx-XXXXXX";
        ASSERT_TRUE(mkdtemp(pattern));
        root = std::string(pattern) + "/";
        SetVornPath(root.c_str());
        ASSERT_TRUE(SetLocalFolder((root + "local").c_str()));
    }
    void TearDown() override
    {
        if (ready) {
            WindowSystem::Reset();  // the editors let go of their textures first
            CloseCodex();
            RemoveDtexTextureHooks();
        }
        SkinnedScreen::TearDown();
        if (!root.empty()) std::filesystem::remove_all(root);
    }
    DtexEdit* NewEditor(const char* name)
    {
        DtexEdit* ed = new DtexEdit(nullptr);
        EXPECT_TRUE(ed->Create(kDtexGroup, name));
        ed->Show();
        return ed;
    }
    // A pixel of the editor's content, as drawn.
    pixeltest::Px At(DtexEdit* ed, const pixeltest::Shot& shot, s32 x, s32 y)
    {
        Point p = {x, y};
        ed->ContentToScreen(&p, 1);
        return shot.PixelAt(p.x, p.y);
    }
    std::string root;
};
