// What the structure editor draws, by probes at computed places under Xvfb: the caption's
// group frame, the OK and Cancel buttons at the bottom right, and a sub-dialog shown over
// the screen.
#include "../gui/PixelTestSupport.h"

#include "gui/Button.h"
#include "tagedit/StructDef.h"
#include "tagedit/StructEditor.h"
#include "tagedit/Table.h"
#include "tagedit/XmlDefinitions.h"

using namespace pixeltest;

namespace {

class StructEditorPixels : public SkinnedScreen {
protected:
    void TearDown() override
    {
        StructDefinitions().Clear();
        FreeXmlDefinitions();
        SkinnedScreen::TearDown();
    }
};

Rect Inset(Rect r, int d)
{
    return Rect{r.left + d, r.top + d, r.right - d, r.bottom - d};
}

}  // namespace

TEST_F(StructEditorPixels, CaptionFrameButtonsAndSubDialog)
{
    ASSERT_TRUE(LoadXmlDefinitionText(R"(<tavikxmlfile><struct name="rec"><short name="a"/><short name="b"/></struct>
      <structedit struct="rec" text="Values"><label text="Alpha"/><item target="a"/>
      <structedit caption="More"><item target="b"/></structedit></structedit></tavikxmlfile>)",
                                      "pixels.xml"));
    StructDefinitions().Load();
    CollectStructEditDefinitions();
    const Shot empty = Render();

    StructEditor* editor = new StructEditor(StructDefinitions().Find("rec"));
    ASSERT_TRUE(editor->BuildUI());
    editor->SetParent(WindowSystem::GetLayerRoot(0));
    editor->SetFlags(editor->GetFlags() | WF_VISIBLE);
    editor->MoveTo(40, 30);
    Table* table = static_cast<Table*>(editor->GetFirstChild());
    const Rect c = table->GetContentRect();
    const Shot shot = Render();

    // OK and Cancel: 96 wide, at (w - 208, h - 32) and (w - 104, h - 32) of the table.
    const int w = c.Width(), h = c.Height();
    const Rect okRect = {c.left + w - 208, c.top + h - 32, c.left + w - 208 + 96, c.top + h - 10};
    const Rect cancelRect = {c.left + w - 104, c.top + h - 32, c.left + w - 104 + 96, c.top + h - 10};
    EXPECT_GT(shot.Diff(empty, Inset(okRect, 6)), 50);
    EXPECT_GT(shot.Diff(empty, Inset(cancelRect, 6)), 50);
    EXPECT_EQ(editor->ok->GetFrameRect().left, okRect.left);
    EXPECT_GE(okRect.left, c.left + 8);  // a narrow layout is widened so that OK stays inside
    EXPECT_EQ(editor->cancel->GetFrameRect().left, cancelRect.left);
    EXPECT_EQ(editor->ok->GetFrameRect().top, okRect.top);

    // The group frame: its left edge runs 4 inside the content, from below the caption line
    // down to 32 above the bottom; the area between frame and cells stays as it was.
    int frameHits = 0;
    for (int y = c.top + 40; y < c.bottom - 40; y += 4)
        for (int x = c.left + 2; x <= c.left + 8; ++x)
            if (shot.At(x, y) != empty.At(x, y)) {
                ++frameHits;
                break;
            }
    EXPECT_GT(frameHits, 3);
    // Outside the editor nothing changed.
    EXPECT_EQ(shot.Diff(empty, Rect{0, 0, 30, 480}), 0);

    // The sub-dialog, shown over the screen as its button shows it, draws its field.
    Table* more = editor->SubDialogAt(0);
    more->SetParent(WindowSystem::GetLayerRoot(0));
    more->SetFlags(more->GetFlags() | WF_VISIBLE);
    more->MoveTo(400, 300);
    const Shot withSub = Render();
    EXPECT_GT(withSub.Diff(shot, more->GetContentRect()), 20);
    EXPECT_EQ(withSub.Diff(shot, Rect{0, 0, 30, 480}), 0);
    more->SetFlags(more->GetFlags() & ~WF_VISIBLE);
    more->SetParent(editor);
    editor->Close();
}
