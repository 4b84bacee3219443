// The archive browser on screen, with the program's skin and font under a display: a tag with
// a local copy is drawn orange, a row that does not open is greyed, and a group without an
// editor has a darker node. Probed inside each row's name cell, found from the tree's own
// geometry.
#include <gtest/gtest.h>

#include <filesystem>

#include "codex/Archive.h"
#include "codex/LocalFolder.h"
#include "codex/TagGroups.h"
#include "foundation/PrefStore.h"
#include "tagedit/ArchiveBrowser.h"
#include "tests/codex/CodexFixture.h"
#include "tests/gui/PixelTestSupport.h"

namespace {

using pixeltest::Px;

const u32 kText = FourCC("text"), kMesh = FourCC("mesh"), kSoun = FourCC("soun");

class ArchiveBrowserPixels : public pixeltest::SkinnedScreen {
protected:
    ArchiveBrowserPixels() : SkinnedScreen(1024, 768) {}
    void SetUp() override
    {
        SkinnedScreen::SetUp();
        if (!ready) return;
        ResetPrefs();
        char pattern[] = "/tmp/tavik-browser-pixels-XXXXXX";
        ASSERT_TRUE(mkdtemp(pattern));
        root = std::string(pattern) + "/";
        SetVornPath(root.c_str());
        for (u32 g : {kText, kMesh}) SetTagGroupHandler(g, [](TagEntry*) -> TagEdit* { return nullptr; });
        EnableArchiveBrowserListener(true);
    }
    void TearDown() override
    {
        if (ready) {
            CloseArchiveBrowser();
            WindowSystem::ProcessDeferredDeletes();
            EXPECT_TRUE(CloseCodex());
            EnableArchiveBrowserListener(false);
            for (u32 g : {kText, kMesh}) SetTagGroupHandler(g, nullptr);
            ResetPrefs();
            std::filesystem::remove_all(root);
        }
        SkinnedScreen::TearDown();
    }

    // The brightest pixel (largest channel sum) of the item's text cell, on screen.
    Px Brightest(ArchiveBrowser* b, ListItem* item, s32 column)
    {
        Rect r;
        EXPECT_TRUE(b->tagTree->GetCellRect(item, column, &r, -1));
        b->tagTree->ContentToScreenRects(&r, 1);
        r.right = std::min(r.right, r.left + 120);
        Px best = {0, 0, 0};
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) {
                Px p = shot.PixelAt(x, y);
                if (p.r + p.g + p.b > best.r + best.g + best.b) best = p;
            }
        return best;
    }

    std::string root;
    pixeltest::Shot shot;
};

TEST_F(ArchiveBrowserPixels, LocalRowsAreOrangeDisabledRowsGreyAndGroupsWithoutAnEditorDarker)
{
    WriteBytes(root + "tags/base.dat",
               ArchiveBytes(2, 0, "base",
                            {{kText, FourCC("arch"), "Archive Text", Data("a")},
                             {kMesh, FourCC("mold"), "Old Mesh", Data("m")},
                             {kSoun, FourCC("nois"), "Noise", Data("n")}}));
    WriteBytes(root + "local/text/Local Text",
               Concat(TagHeaderBytes("Local Text", kText, FourCC("locl"), 64, 1), Data("l")));
    OpenArchivesInFolder((root + "tags").c_str());
    ASSERT_TRUE(SetLocalFolder((root + "local").c_str()));
    ActivateDefaultArchives();
    ArchiveBrowser* b = ShowArchiveBrowser();
    ASSERT_NE(b, nullptr);
    b->ToggleHiddenGroups();
    for (ListItem* n = b->tagTree->GetFirstItem(); n; n = n->next) b->tagTree->ExpandItem(n);
    b->tagTree->UpdateScrollRange();
    b->tagTree->DeselectAllExcept(nullptr);
    shot = Render();

    TagRow* local = b->FindRow(kText, FourCC("locl"));
    TagRow* archive = b->FindRow(kText, FourCC("arch"));
    TagRow* oldMesh = b->FindRow(kMesh, FourCC("mold"));
    ASSERT_TRUE(local && archive && oldMesh);
    ASSERT_TRUE(oldMesh->disabled);

    Px orange = Brightest(b, local->item, 3);
    EXPECT_GT(orange.r, 200) << orange.r << " " << orange.g << " " << orange.b;
    EXPECT_LT(orange.g, orange.r - 60);
    EXPECT_LT(orange.b, 60);
    Px white = Brightest(b, archive->item, 3);
    EXPECT_GT(white.r, 200);
    EXPECT_GT(white.g, 200);
    EXPECT_GT(white.b, 200);
    Px grey = Brightest(b, oldMesh->item, 3);
    EXPECT_LT(grey.r, 150) << "greyed";
    EXPECT_GT(grey.r, 60) << "but drawn";
    EXPECT_LT(std::abs(grey.r - grey.g), 20);

    Px darkNode = Brightest(b, b->FindGroupNode(kSoun)->item, 0);
    Px node = Brightest(b, b->FindGroupNode(kText)->item, 0);
    EXPECT_GT(node.r + node.g + node.b, 600);
    EXPECT_LT(darkNode.r + darkNode.g + darkNode.b, 450);
    EXPECT_GT(darkNode.r + darkNode.g + darkNode.b, 150);
}

}  // namespace
