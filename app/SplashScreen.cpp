#include "app/SplashScreen.h"

#include <GL/gl.h>

#include "foundation/FileRecord.h"
#include "gui/Text.h"
#include "gui/WindowSystem.h"
#include "platform/Os.h"

namespace {

TavikSplashScreen* gSplash;

constexpr s32 kCreditsWidth = 384;

#if defined(__x86_64__)
#define TAVIK_BUILD_TEXT "x86-64"
#elif defined(__i386__)
#define TAVIK_BUILD_TEXT "i386"
#else
#define TAVIK_BUILD_TEXT "unknown processor"
#endif

const char* const kCredits =
    "|b" TAVIK_PROGRAM_NAME_TEXT "|p, " TAVIK_BUILD_TEXT " build\n"
    "An editor for the tags of Vorn.\n\n"
    "Window system, skin and fonts: the Tavik developers\n"
    "Tag database and editors: the Tavik developers\n"
    "Collections, terrain and models: the Tavik developers\n\n"
    "|bThanks to everyone who makes and shares add-ons.|p";

}  // namespace

const char* AboutCreditsText() { return kCredits; }

TavikSplashScreen::TavikSplashScreen() : Window(WF_POPUP, nullptr)
{
    FileRecord image("res/tavik.bmp");
    if (image.Load() && (image.image.format == 6407 || image.image.ConvertTo(6407))) {
        texture.Create(image.image.pixels, 6407, image.image.width, image.image.height, 0, 0);
        imageWidth = image.image.width;
        imageHeight = image.image.height;
    }
}

TavikSplashScreen::~TavikSplashScreen()
{
    texture.Delete();
    if (gSplash == this) gSplash = nullptr;
}

void TavikSplashScreen::Start(u32 m)
{
    Prepare(m);
    WindowSystem::RunModal(this, MODAL_KEYS_TO_WINDOW | MODAL_DIM, nullptr);
}

void TavikSplashScreen::Prepare(u32 m)
{
    mode = m;
    fadeDuration = 1.0f;
    holdDuration = m ? 120.0f : 1.5f;
    fading = 0;
    startTime = float(OsGetTime());
    if (m) {
        SetFlags(300);
        SetTitle("About Tavik");
        SetContentSize(s32(imageWidth) + kCreditsWidth, s32(imageHeight));
    } else {
        SetFlags(WF_RECENTER);
        SetTitle("");
        SetContentSize(s32(imageWidth), s32(imageHeight));
    }
    CenterInParent();
    SetVisible(1);
}

void TavikSplashScreen::Tick()
{
    if (!WindowSystem::IsOnModalStack(this, 0)) return;
    float elapsed = float(OsGetTime()) - startTime;
    if (!fading) {
        if (elapsed < holdDuration) return;
        startTime = float(OsGetTime());
        fading = 1;
        elapsed = 0;
    }
    Invalidate(0);
    if (elapsed >= fadeDuration) {
        SetVisible(0);
        WindowSystem::EndModal(this, 0);
    }
}

void TavikSplashScreen::DrawContent()
{
    BeginDraw(1, 0);
    float alpha = 1.0f;
    if (fading) {
        float t = fadeDuration > 0 ? (float(OsGetTime()) - startTime) / fadeDuration : 1.0f;
        t = t < 0 ? 0 : t > 1 ? 1 : t;
        alpha = 1.0f - (3.0f - 2.0f * t) * t * t;
    }
    s32 w = content.Width() - (mode ? kCreditsWidth : 0);
    if (texture.id) {
        glEnable(GL_TEXTURE_2D);
        glColor4f(1, 1, 1, alpha);
        texture.Bind();
        texture.Draw(0, 0, 0, float(w), float(content.Height()), 0, 0, 0, 0);
        glDisable(GL_TEXTURE_2D);
    }
    if (mode) {
        Rect text = {w + 12, 12, content.Width() - 12, content.Height() - 12};
        glColor4f(1, 1, 1, 1);
        // One line per contributor, wrapped where a line is longer than the column.
        ::DrawText(WindowSystem::GetDefaultFont(), AboutCreditsText(), 0, kTextWordWrap, &text);
    }
    EndDraw();
}

void TavikSplashScreen::MouseButton(Event* event)
{
    if (mode == 1 && event->Pressed()) {
        SetVisible(0);
        WindowSystem::EndModal(this, 0);
    }
}

static TavikSplashScreen* GetSplash()
{
    if (!gSplash) gSplash = new TavikSplashScreen();
    return gSplash;
}

void ShowSplashScreen()
{
    GetSplash()->Start(0);
}

void ShowAboutBox()
{
    GetSplash()->Start(1);
}
