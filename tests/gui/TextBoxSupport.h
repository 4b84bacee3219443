#pragma once
// Test support for text boxes: a synthetic font (every character 6 px, 'W' 20 px, line height
// 12, so a box line is 14 px) installed as the default font of a headless window system.
#include <cstring>
#include <string>

#include "gui/TextBox.h"
#include "gui/core/Font.h"
#include "WindowTestSupport.h"

namespace tbtest {

inline Font* MakeFont()
{
    Font* f = NewFont();
    f->header[kFontAscent] = 10;
    f->header[kFontLineHeight] = 12;
    f->header[kFontTabWidth] = 4;
    for (u32 s = 0; s < kFontStyleCount; ++s) {
        f->styles[s].header[3] = (s <= 1) ? 1 : 0;
        for (u32 c = 0; c < kFontGlyphCount; ++c) {
            Glyph& g = f->styles[s].glyphs[c];
            s8 advance = c == 'W' - 32 ? 20 : 6;
            memset(g.advances, advance, sizeof(g.advances));
            g.width = 4;
            g.height = 8;
            g.xOffset = 1;
            g.yOffset = -8;
        }
    }
    return f;
}

constexpr s32 kLine = 14;  // the box's line height
constexpr s32 kX = 100, kY = 100;

class TextBoxFixture : public wtest::WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        font = MakeFont();
        WindowSystem::SetDefaultFont(font);
    }
    void TearDown() override
    {
        WindowFixture::TearDown();
        FreeFont(font);
    }
    // A box at (100, 100) of the given size (content = frame: no skin, no borders).
    TextBox* Make(u32 style, s32 w = 300, s32 h = kLine)
    {
        TextBox* b = new TextBox(style, nullptr);
        b->SetFrameXYWH(kX, kY, w, h);
        return b;
    }
    TextBox* MakeFocused(u32 style, s32 w = 300, s32 h = kLine)
    {
        TextBox* b = Make(style, w, h);
        Window::SetFocus(b, FOCUS_PROGRAM);
        return b;
    }
    static std::string Text(const TextBox* b)
    {
        String s;
        b->GetText(&s);
        return s.c_str();
    }
    static std::string Selected(const TextBox* b)
    {
        String s;
        b->GetSelectedText(&s);
        return s.c_str();
    }
    // Types the characters through the OS layer's character callback.
    void Type(const char* text)
    {
        for (const char* c = text; *c; ++c) FakeOsChar(u8(*c), 0);
        Run();
    }
    void Hold(int libKey) { Key(libKey, LIBACTION_PRESS); }
    void Let(int libKey) { Key(libKey, LIBACTION_RELEASE); }
    // Taps the key (with Shift or Ctrl held around it when asked) and runs the step.
    void PressKey(int libKey, int shift = 0, int ctrl = 0)
    {
        if (shift) Hold(LIBKEY_LEFT_SHIFT);
        if (ctrl) Hold(LIBKEY_LEFT_CONTROL);
        Tap(libKey);
        if (ctrl) Let(LIBKEY_LEFT_CONTROL);
        if (shift) Let(LIBKEY_LEFT_SHIFT);
        Run();
    }
    // Cursor and anchor as "paragraph:character".
    static std::string Pos(const TextPosition& p)
    {
        return std::to_string(p.paragraph->index) + ":" + std::to_string(p.character);
    }

    Font* font = nullptr;
};

}  // namespace tbtest
