#pragma once
// Test support for scripts that answer message and input boxes through the fake backend:
// finding the box a modal loop is waiting on, and what it shows.
#include <cstring>
#include <string>
#include <vector>

#include "gui/Button.h"
#include "gui/MessageBox.h"
#include "gui/TextBox.h"
#include "gui/WindowSystem.h"

namespace mbtest {

// What a box showed: its title, its text (or the input line's starting text) and its buttons.
struct SeenBox {
    std::string title;
    std::string text;
    std::vector<std::string> labels;
};

// The message box holding the focus inside a modal loop, or null.
inline MessageBoxWindow* ModalMessageBox()
{
    if (!WindowSystem::GetModalDepth()) return nullptr;
    for (Window* w = WindowSystem::GetFocus(); w; w = w->GetParent())
        if (!strcmp(w->GetClassName(), "MessageBoxWindow")) return static_cast<MessageBoxWindow*>(w);
    return nullptr;
}

inline SeenBox DescribeBox(MessageBoxWindow* box)
{
    SeenBox seen;
    seen.title = box->GetTitle() ? box->GetTitle() : "";
    if (box->GetField()) {
        String s;
        box->GetField()->GetText(&s);
        seen.text = s.c_str();
    }
    for (u32 i = 0; i < box->GetButtonCount(); ++i) seen.labels.push_back(box->GetButton(i)->GetTitle());
    return seen;
}

}  // namespace mbtest
