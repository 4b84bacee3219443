#include "app/Shell.h"

#include <GL/gl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "tagedit/DtexTextures.h"
#include "app/RootMenu.h"
#include "app/SplashScreen.h"
#include "app/TagEditors.h"
#include "codex/Archive.h"
#include "codex/FileRecognizers.h"
#include "codex/LocalFolder.h"
#include "foundation/DirectoryStack.h"
#include "foundation/FileRecord.h"
#include "foundation/Files.h"
#include "foundation/Log.h"
#include "foundation/PrefStore.h"
#include "foundation/StringUtil.h"
#include "gui/MessageBox.h"
#include "gui/MessageLogWindow.h"
#include "gui/Skin.h"
#include "gui/Text.h"
#include "gui/WindowSystem.h"
#include "gui/core/Charmap.h"
#include "gui/core/Font.h"
#include "tagedit/TagStructEdit.h"
#include "tagedit/XmlDefinitions.h"
#include "platform/Clipboard.h"
#include "platform/FileDialogs.h"
#include "platform/GLTexture.h"
#include "platform/Os.h"
#include "tagedit/ArchiveBrowser.h"

namespace {

u32 gSwapBehaviour = 1;
Font* gFont;
Skin* gSkin;

u16* CharmapToUtf16(const char* text) { return FontCharsToUtf16(nullptr, text); }
char* CharmapFromUtf16(const u16* text) { return Utf16ToFontChars(nullptr, text); }

void LogOsFailure(const char* text) { LogMessage(0, "Platform", "%s", text); }

// Native dialogs take the input away from the window system and may browse anywhere: the
// working directory, which the resource paths hang off, is put back afterwards.
void NativeDialogActive(int active)
{
    if (active) PushCurrentDirectory();
    WindowSystem::SetNativeDialogActive(active);
    if (!active) PopDirectory();
}

void SetWindowIconFromFile(const char* path)
{
    FileRecord icon(path);
    if (!icon.Load()) return;
    if (icon.image.format != 6408 && !icon.image.ConvertTo(6408)) return;
    OsSetWindowIcon(icon.image.pixels, int(icon.image.width), int(icon.image.height));
}

void SetWorkingFolderToProgram()
{
    String folder;
    if (OsGetExecutableFolder(&folder) && chdir(folder.c_str()) != 0)
        fprintf(stderr, "Tavik: cannot enter the program's folder %s\n", folder.c_str());
}

}  // namespace

void RegisterPreferenceDefaults()
{
    SetPrefString("VornPath", ".");
    SetPrefInt("ShowSplash", 1);
    SetPrefInt("UseVSync", 0);
    SetPrefInt("UseFullscreen", 0);
}

void ShowStartSplash()
{
    u32 splash = 0;
    if (GetPrefInt("ShowSplash", &splash) && splash >= 1) {
        ShowSplashScreen();
        if (splash == 1) SetPrefInt("ShowSplash", 0);
    }
}

void GetStartWindowSize(int* width, int* height)
{
    u32 x = 0, y = 0;
    if (GetPrefInt("OsWindowSizeX", &x) && GetPrefInt("OsWindowSizeY", &y)) {
        *width = int(x < 640 ? 640 : x > 16384 ? 16384 : x);
        *height = int(y < 480 ? 480 : y > 16384 ? 16384 : y);
    } else {
        *width = 1024;
        *height = 768;
    }
}

u32 DetectSwapBehaviour()
{
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_SCISSOR_TEST);
    glDrawBuffer(GL_BACK);
    glReadBuffer(GL_BACK);
    u32 now = u32(time(nullptr));
    glViewport(0, 0, 1, 1);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 1, 0, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    u8 reference[4] = {0, 0, 0, 0};
    for (u32 n = 1; n <= 3; ++n) {
        glColor4ub(u8(now), u8(now >> 8), u8(now >> 16), 255);
        glBegin(GL_QUADS);
        glVertex2f(0, 0);
        glVertex2f(1, 0);
        glVertex2f(1, 1);
        glVertex2f(0, 1);
        glEnd();
        if (n == 1) glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, reference);
        OsSwapBuffers();
        u8 after[4] = {0, 0, 0, 0};
        glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, after);
        if (!memcmp(after, reference, 4)) return n;
    }
    return 3;
}

void CopyFrontToBackBuffer()
{
    int w = 0, h = 0;
    OsGetWindowSize(&w, &h);
    // The copy is a pixel rectangle drawn through the fragment pipeline: whatever a 3D view or
    // the 2D drawing left switched on (depth test, blending, texturing) must not touch it.
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_VIEWPORT_BIT);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glReadBuffer(GL_FRONT);
    glDrawBuffer(GL_BACK);
    glViewport(0, 0, w, h);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, w, 0, h, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glRasterPos2i(0, 0);
    glCopyPixels(0, 0, w, h, GL_COLOR);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
    glReadBuffer(GL_BACK);
    glEnable(GL_SCISSOR_TEST);
}

void SwapAndKeepBackBuffer()
{
    OsSwapBuffers();
    if (gSwapBehaviour >= 2) CopyFrontToBackBuffer();
}

int MainLoopStep()
{
    OsPollEvents();
    PollLocalFolder(false);
    if (WindowSystem::ProcessAndRender())
        SwapAndKeepBackBuffer();
    else
        OsSleep(0.001);
    return 1;
}

int ConfirmQuit()
{
    if (ShowQuitQuestion() != 0) return 0;
    // The windows are asked front to back and each one that agrees is closed at once: the
    // menu bar's own window goes last, so that a refusal leaves the menu bar working.
    if (RootMenu* menu = GetRootMenu()) menu->SendToBack();
    return WindowSystem::CloseAllTopLevelWindows();
}

void RefreshCallback()
{
    WindowSystem::InvalidateAll();
    if (WindowSystem::IsNativeDialogActive() && WindowSystem::RenderFrame()) SwapAndKeepBackBuffer();
}

void GetGameFolder(char* out, u32 size)
{
    String path = GetVornPath();
    if (path.IsEmpty()) path = ".";
    // A relative game folder hangs off the program's folder; the watches must not follow the
    // working directory when dialogs push and pop it.
    String absolute;
    if (path.c_str()[0] != '/') {
        char cwd[4096];
        if (getcwd(cwd, sizeof cwd)) {
            absolute = cwd;
            absolute.Append("/");
        }
    }
    absolute.Append(path.c_str());
    NormalizeFolderPath(absolute);
    StrLCpy(out, absolute.c_str(), size);
}

void RescanGameFolder()
{
    char game[4096];
    GetGameFolder(game, sizeof game);
    String tags = FormatString("%stags", game), plugins = FormatString("%splugins", game);
    OpenArchivesInFolder(tags.c_str());
    OpenArchivesInFolder(plugins.c_str());
}

void StartCodex()
{
    // The browser goes first: none of its rows may point at an entry the close frees, and
    // no event per dropped local tag need reach it.
    CloseArchiveBrowser();
    CloseCodex();
    EnableArchiveBrowserListener(true);
    RescanGameFolder();
    char game[4096];
    GetGameFolder(game, sizeof game);
    String local = FormatString("%slocal", game);
    SetLocalFolder(local.c_str());
    ActivateDefaultArchives();
    ShowArchiveBrowser();
}

int TavikMain(int, char**)
{
    SetWorkingFolderToProgram();
    RegisterPreferenceDefaults();
    LoadPrefs();

    u32 vsync = 1, fullScreen = 0;
    GetPrefInt("UseVSync", &vsync);
    GetPrefInt("UseFullscreen", &fullScreen);
    int width, height;
    GetStartWindowSize(&width, &height);
    if (!OsInit() || !OsOpenWindow(width, height, int(fullScreen), int(vsync))) {
        fprintf(stderr, "Tavik: the OpenGL window could not be opened (is a display there?); quitting.\n");
        OsTerminate();
        return 1;
    }
    InitGL();
    InstallDtexTextureHooks();
    OsSetWindowTitle("Tavik");
    SetWindowIconFromFile("res/icon.png");
    int areaX, areaY, areaWidth, areaHeight;
    if (OsGetWorkArea(&areaX, &areaY, &areaWidth, &areaHeight) && !(width < areaWidth && height < areaHeight))
        OsMaximizeWindow();

    gSwapBehaviour = DetectSwapBehaviour();
    glEnable(GL_DEPTH_TEST);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    gFont = LoadFont("res/dravell.tavikfont");
    if (!gFont) {
        OsMessageBox("Error", "The 'res' folder could not be found (improper installation?); quitting.");
        OsTerminate();
        return 1;
    }
    LoadCharmap("charmap");
    ClipboardSetCharmap(CharmapToUtf16, CharmapFromUtf16);
    OsSetLogHook(LogOsFailure);
    OsSetNameCompare(NaturalCompare);
    InstallCodexFileRecognizers();

    WindowSystem::SetDefaultFont(gFont);
    gSkin = new Skin("res/texturepack");
    WindowSystem::SetSkin(gSkin);
    WindowSystem::SetDirtyRectMode(1);
    WindowSystem::SetStepHook(MainLoopStep);
    WindowSystem::SetCanQuitHook(ConfirmQuit);
    WindowSystem::SetPresentHook(SwapAndKeepBackBuffer);
    WindowSystem::EnableGL(1);
    WindowSystem::Init();
    WindowSystem::InstallCallbacks();
    OsSetNativeDialogHook(NativeDialogActive);
    OsSetWindowRefreshCallback(RefreshCallback);
    InstallLogWindowSink();
    SetDialogErrorHook(ShowDialogErrorBox);

    ShowRootMenu();
    // The structure editor first: the built-in editors replace it for their groups.
    LoadXmlDefinitions("res");
    RegisterStructEditors();
    RegisterTagEditors();
    StartCodex();
    WindowSystem::SetNativeDialogActive(0);

    ShowStartSplash();

    WindowSystem::RunMainLoop();

    SetDialogErrorHook(nullptr);
    // From here on there is no log window to show messages: what the teardown logs (closing
    // the tag database) goes to standard error instead of being kept for a window never made.
    SetLogSink(nullptr, nullptr);
    DiscardPendingLogMessages();
    WindowSystem::DestroyRootWindow();
    FreeFont(gFont);
    gFont = nullptr;
    WindowSystem::SetDefaultFont(nullptr);
    WindowSystem::SetSkin(nullptr);
    delete gSkin;
    gSkin = nullptr;
    CloseCodex();
    // Every detail texture went with its editors and the tag database.
    RemoveDtexTextureHooks();
    FreeFileKindTable();
    OsTerminate();
    if (!SavePrefs()) fprintf(stderr, "Tavik: the preferences could not be saved to %s\n", kPrefsPath);
    return 0;
}
