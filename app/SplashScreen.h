#pragma once
// The splash shown at start-up, which also serves as the About box.
#include "gui/Window.h"
#include "platform/GLTexture.h"

class TavikSplashScreen : public Window {
public:
    TavikSplashScreen();
    ~TavikSplashScreen() override;

    // Starts showing: mode 0 splash (fade 1 s after 1.5 s), 1 About box (held 120 s).
    void Start(u32 mode);
    // Sets the mode, times, look and size of Start and shows the window, centred, without
    // running it modally.
    void Prepare(u32 mode);

    void Tick() override;
    void DrawContent() override;
    void MouseButton(Event* event) override;

    u32 mode;
    GLTexture texture;
    float startTime;
    float fadeDuration;
    float holdDuration;
    u32 fading;
    u32 imageWidth;
    u32 imageHeight;
};

// The About box's credits in the font's style markup: a title line with the program's name and
// build (its processor), one line per contributor with their role, and a closing line.
const char* AboutCreditsText();

// The splash, modal until it has faded.
void ShowSplashScreen();
// The About box, modal until clicked or its time is up.
void ShowAboutBox();
