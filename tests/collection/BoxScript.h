#pragma once
// Scripted answers to the collection's message boxes through the fake backend: each box that
// opens is recorded (title, text, labels) and ended with the next scripted button index.
#include <deque>
#include <string>
#include <vector>

#include "../gui/MessageBoxSupport.h"
#include "../gui/TextBoxSupport.h"
#include "gui/Menu.h"
#include "gui/MessageBox.h"

namespace boxscript {

using mbtest::SeenBox;

inline std::vector<SeenBox>& Seen()
{
    static std::vector<SeenBox> seen;
    return seen;
}

inline std::deque<int>& Answers()
{
    static std::deque<int> answers;
    return answers;
}

// The step hook: ends the box on top with the next answer (0 when none is scripted).
inline int AnsweringStep()
{
    if (MessageBoxWindow* box = mbtest::ModalMessageBox()) {
        Seen().push_back(mbtest::DescribeBox(box));
        int answer = 0;
        if (!Answers().empty()) {
            answer = Answers().front();
            Answers().pop_front();
        }
        box->OnButton(answer);
    }
    return wtest::Step();
}

// The popup menu a step finds on top: its rows ("title", or "title (off)" when disabled), and
// the row to choose (the menu is closed without a choice when none matches).
struct MenuScript {
    const char* choose = nullptr;
    std::vector<std::string> rows;
};

inline MenuScript& Menu()
{
    static MenuScript menu;
    return menu;
}

// The step hook for pages with context menus: chooses the scripted row, then answers boxes.
inline int MenuChoosingStep()
{
    Window* layer = WindowSystem::GetLayerRoot(1);
    for (Window* w = layer ? layer->GetFirstChild() : nullptr; w; w = w->GetNextSibling()) {
        if (strcmp(w->GetClassName(), "MenuItem") || !WindowSystem::IsOnModalStack(w, 1) || !Menu().choose) continue;
        MenuItem* menu = static_cast<MenuItem*>(w);
        MenuItem* pick = nullptr;
        Menu().rows.clear();
        for (MenuItem* i = menu->FirstItem(); i; i = MenuItem::NextItem(i)) {
            if (i->IsSeparator()) continue;
            Menu().rows.push_back(std::string(i->GetTitle()) + (i->IsEnabled() ? "" : " (off)"));
            if (!strcmp(i->GetTitle(), Menu().choose)) pick = i;
        }
        Menu().choose = nullptr;
        MenuItem::Activate(menu, pick);
        break;
    }
    return AnsweringStep();
}

class BoxFixture : public tbtest::TextBoxFixture {
protected:
    void SetUp() override
    {
        TextBoxFixture::SetUp();
        Seen().clear();
        Answers().clear();
        Menu() = MenuScript();
        WindowSystem::SetStepHook(MenuChoosingStep);
    }
    // The texts of the boxes shown so far, in order.
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> out;
        for (const SeenBox& s : Seen()) out.push_back(s.text);
        return out;
    }
};

}  // namespace boxscript
