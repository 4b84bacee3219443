// Placements and dialog fields through the preference store.
#include "gui/WindowPlacement.h"

#include <cstdarg>
#include <cstdio>
#include <strings.h>

#include "foundation/PrefStore.h"
#include "foundation/StringUtil.h"
#include "gui/Button.h"
#include "gui/TextBox.h"
#include "gui/WindowSystem.h"

void SaveWindowPlacement(Window* window, const char* key)
{
    if (!window || !key) return;
    WindowPlacement p = window->GetPlacement();
    char text[80];
    snprintf(text, sizeof text, "%d %d %d %d %d", int(p.state), int(p.frame.left), int(p.frame.top),
             int(p.frame.right), int(p.frame.bottom));
    SetPrefString(key, text);
}

int RestoreWindowPlacement(Window* window, const char* key, int keepOnScreen)
{
    if (!window || !key) return 0;
    String text;
    if (!GetPrefString(key, &text)) return 0;
    int state = 0, left = 0, top = 0, right = 0, bottom = 0;
    if (sscanf(text.c_str(), "%d %d %d %d %d", &state, &left, &top, &right, &bottom) != 5) return 0;
    // 64-bit so that values near the int limits cannot wrap while being moved.
    s64 l = left, t = top, r = right, b = bottom;
    if (keepOnScreen) {
        Size screen = WindowSystem::GetScreenSize();
        if (r > screen.width) {
            l -= r - screen.width;
            r = screen.width;
        }
        if (b > screen.height) {
            t -= b - screen.height;
            b = screen.height;
        }
        if (l < 0) {
            r -= l;
            l = 0;
        }
        if (t < 0) {
            b -= t;
            t = 0;
        }
    }
    auto clamp = [](s64 v) { return s32(v > 0x7FFFFFFF ? 0x7FFFFFFF : v < -0x7FFFFFFF ? -0x7FFFFFFF : v); };
    WindowPlacement p;
    p.state = u32(state);
    p.frame = Rect{clamp(l), clamp(t), clamp(r), clamp(b)};
    window->RestorePlacement(p);
    return 1;
}

void SyncWidgetPref(const char* key, Window* widget, int save)
{
    if (!key || !widget) return;
    const char* name = widget->GetClassName();
    if (!name) return;
    if (!strcasecmp(name, "CheckBox")) {
        Button* box = static_cast<Button*>(widget);
        if (save) {
            SetPrefInt(key, box->GetButtonState());
        } else {
            u32 value = 0;
            if (GetPrefInt(key, &value) && value < 4) box->SetState(value, 1);
        }
    } else if (!strcasecmp(name, "TextBox")) {
        TextBox* box = static_cast<TextBox*>(widget);
        String text;
        if (save) {
            box->GetText(&text);
            SetPrefString(key, text.c_str());
        } else if (GetPrefString(key, &text)) {
            box->SetText(text.c_str());
        }
    }
}

void SyncWidgetPrefs(const char* prefix, int save, ...)
{
    va_list args;
    va_start(args, save);
    for (;;) {
        const char* name = va_arg(args, const char*);
        if (!name) break;
        Window* widget = va_arg(args, Window*);
        String key = FormatString("%s.%s", prefix ? prefix : "", name);
        SyncWidgetPref(key.c_str(), widget, save);
    }
    va_end(args);
}
