// The real backend without any display: nothing crashes, the dialogs answer cancel, the
// clipboard is unavailable and the reason is logged.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/Clipboard.h"
#include "platform/Os.h"
#include "platform/OsDialogs.h"

namespace {
std::string g_logText;
void Log(const char* text) { g_logText += std::string(text) + "\n"; }
}  // namespace

TEST(NoDisplay, DialogsAnswerCancelAndTheFailureIsLogged)
{
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    OsUseRealBackend();
    OsSetLogHook(Log);
    EXPECT_FALSE(OsInit());
    EXPECT_FALSE(OsOpenWindow(640, 480, 0, 0));

    String path("/tmp/a.bmp");
    u32 index = 0;
    EXPECT_FALSE(OsSaveFileDialog("Save Image As", nullptr, &index, &path, nullptr));
    EXPECT_STREQ(path.c_str(), "/tmp/a.bmp");
    String folder("/tmp/");
    EXPECT_FALSE(OsChooseFolderDialog(nullptr, &folder, nullptr));
    u8 rgb[3] = {1, 2, 3};
    EXPECT_FALSE(PickColor(rgb));
    EXPECT_EQ(rgb[0], 1);
    EXPECT_NE(g_logText.find("GTK"), std::string::npos) << g_logText;
    EXPECT_NE(g_logText.find("Save Image As"), std::string::npos) << g_logText;
    EXPECT_FALSE(OsIsNativeDialogActive());

    EXPECT_FALSE(ClipboardSetText("x"));
    String text;
    EXPECT_FALSE(ClipboardGetText(&text));
    const u8 px[3] = {};
    EXPECT_FALSE(ClipboardSetImage(px, 1, 1));
    OsBeep();
    OsMessageBox("Error", "The window could not be opened.");  // goes to standard error
    EXPECT_EQ(SetCursorShape(CURSOR_IBEAM), CURSOR_ARROW);
    OsPollEvents();
    OsSwapBuffers();
    EXPECT_EQ(OsGetWindowHandle(), 0ul);
    OsResetState();
}
