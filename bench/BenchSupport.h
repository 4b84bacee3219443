#pragma once
// Shared set-up of the headless benchmarks: the window system behind the fake OS backend on a
// 1280 x 1024 screen with fixed frame metrics, so the numbers are the toolkit's own work
// without a display or a driver.
#include "gui/WindowSystem.h"
#include "platform/Os.h"
#include "platform/OsFake.h"

// Opens the fake window and (re)starts the window system on it, empty. Callbacks, the step hook
// and the running state are left to the caller.
inline void StartHeadlessWindowSystem()
{
    OsUseFakeBackend();
    OsInit();
    OsOpenWindow(1280, 1024, 0, 0);
    WindowSystem::Reset();
    WindowSystem::SetMetrics(WindowMetrics{4, 1, 22, 16, 14});
    WindowSystem::Init();
}

// A synthetic font with fixed advances (7, and 4 for a space) in the plain and bold styles,
// made once, installed as the default font: text layout costs without a font file.
#include <cstring>
#include "gui/core/Font.h"
inline void UseSyntheticBenchFont()
{
    static Font* font = nullptr;
    if (!font) {
        font = NewFont();
        font->header[kFontAscent] = 10;
        font->header[kFontLineHeight] = 12;
        font->header[kFontTabWidth] = 4;
        for (u32 s = 0; s < 2; ++s) {
            font->styles[s].header[3] = 1;
            for (u32 c = 0; c < kFontGlyphCount; ++c) memset(font->styles[s].glyphs[c].advances, c == 0 ? 4 : 7, kFontGlyphCount);
        }
    }
    WindowSystem::SetDefaultFont(font);
}

// Words of 2 to 9 letters, the same for every run; lineEnd after about every 70 characters
// ('\0': one long line).
#include <string>
inline std::string BenchProse(size_t bytes, char lineEnd)
{
    std::string s;
    s.reserve(bytes + 16);
    u32 seed = 12345;
    size_t lineStart = 0;
    while (s.size() < bytes) {
        seed = seed * 1103515245u + 12345u;
        u32 len = 2 + (seed >> 16) % 8;
        for (u32 i = 0; i < len; ++i) s += char('a' + (seed >> (i * 3)) % 26);
        if (lineEnd && s.size() - lineStart > 70) {
            s += lineEnd;
            lineStart = s.size();
        } else {
            s += ' ';
        }
    }
    return s;
}
