// A text editor on a real screen (Xvfb): its title bar and its text are drawn, real key
// presses from the X server type into it, and Ctrl+S saves what was typed. Skipped without a
// display or without xdotool.
#include "tests/gui/PixelTestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <string>

#include "codex/Archive.h"
#include "codex/LocalFolder.h"
#include "codex/TagFiles.h"
#include "foundation/Log.h"
#include "foundation/PrefStore.h"
#include "tagedit/TextEdit.h"
#include "tests/codex/CodexFixture.h"
#include "tests/common/TempFolder.h"

using namespace pixeltest;

namespace {

TagEdit* MakeTextEdit(TagEntry* e)
{
    TextEdit* ed = new TextEdit(e);
    ed->SetSize(400, 300);
    return ed;
}

int RealStep()
{
    OsPollEvents();
    WindowSystem::ProcessAndRender();
    return 1;
}

bool Xdotool(const std::string& args)
{
    std::string cmd = "xdotool " + args + " >/dev/null 2>&1";
    return system(cmd.c_str()) == 0;
}

// Runs steps until done() holds or twenty seconds have passed (the emulated build is slow).
template <typename F>
bool StepUntil(F done)
{
    double end = OsGetTime() + 120.0;  // a frame can take seconds under an emulator on a loaded machine
    while (!done() && OsGetTime() < end) {
        RealStep();
        OsSleep(0.01);
    }
    return done();
}

// Pixels inside r brighter than the text box's dark background.
int BrightPixels(const Shot& s, const Rect& r)
{
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) n += s.Brightness(x, y) > 450;
    return n;
}

class TextEditPixels : public SkinnedScreen {
protected:
    void SetUp() override
    {
        SkinnedScreen::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        if (system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "xdotool is not installed";
        SetVornPath((game.path + "/").c_str());
        SetLogSink([](void*, u32, const char*, const char*) {}, nullptr);
        WriteBytes(game / "local/text/Sign",
                   Concat(TagHeaderBytes("Sign", FourCC("text"), FourCC("sign"), 64, 4), Data("MMMM")));
        ASSERT_TRUE(SetLocalFolder((game.path + "/local").c_str()));
        SetTagGroupHandler(FourCC("text"), MakeTextEdit);
        WindowSystem::SetStepHook(RealStep);
    }
    void TearDown() override
    {
        SkinnedScreen::TearDown();
        SetTagGroupHandler(FourCC("text"), nullptr);
        CloseCodex();
        SetLogSink(nullptr, nullptr);
    }
    TempFolder game{"tavik-textpixels"};
};

}  // namespace

TEST_F(TextEditPixels, TheEditorIsDrawnTypedIntoWithRealKeysAndSavedWithCtrlS)
{
    TextEdit* ed = static_cast<TextEdit*>(OpenTagEditor(FindTag(FourCC("text"), FourCC("sign"))));
    ASSERT_NE(ed, nullptr);
    Shot shot = Render();
    Rect frame = ed->GetFrameRect(), content = ed->GetContentRect();
    ASSERT_GT(content.top, frame.top) << "a title bar above the content";

    // The title bar differs from the desktop beside the window and carries its title's text.
    int titleY = (frame.top + content.top) / 2;
    EXPECT_NE(shot.PixelAt(frame.left + 40, titleY), shot.PixelAt(frame.right + 40, titleY));
    Rect titleRow{frame.left, frame.top, frame.right, content.top};
    EXPECT_GT(BrightPixels(shot, titleRow), 10) << "the title text";

    // The first line holds the four glyphs; the line below is empty.
    s32 line = ed->GetTextBox()->GetLineHeight();
    Rect first{content.left, content.top, content.left + 60, content.top + line};
    Rect second{content.left, content.top + line, content.left + 60, content.top + 2 * line};
    int glyphPixels = BrightPixels(shot, first);
    EXPECT_GT(glyphPixels, 20);
    EXPECT_EQ(BrightPixels(shot, second), 0);

    std::string id = std::to_string(OsGetWindowHandle());
    // Sent to the window itself, so that the focus of other windows on the display is left alone.
    ASSERT_TRUE(Xdotool("key --window " + id + " End Return W W"));
    auto typed = [&] {
        String s;
        ed->GetTextBox()->GetText(&s);
        return std::string(s.c_str()) == "MMMM\nWW";
    };
    ASSERT_TRUE(StepUntil(typed));
    EXPECT_STREQ(ed->GetTitle(), "Sign*");
    shot = Render();
    EXPECT_GT(BrightPixels(shot, second), 10) << "the typed line is drawn";

    ASSERT_TRUE(Xdotool("key --window " + id + " ctrl+s"));
    ASSERT_TRUE(StepUntil([&] { return !ed->IsModified(); }));
    EXPECT_STREQ(ed->GetTitle(), "Sign");
    EXPECT_EQ(ReadFile(game / "local/text/Sign"),
              Concat(TagHeaderBytes("Sign", FourCC("text"), FourCC("sign"), 64, 7), Data("MMMM\rWW")));
}
