#pragma once
// Test support for the list window: a fixture with a list behind the fake OS backend that
// records the list's signals, and helpers that click rows and read the selection as text.
#include <string>
#include <utility>
#include <vector>

#include "WindowTestSupport.h"
#include "gui/ListWindow.h"

namespace ltest {

using namespace wtest;

constexpr s32 kRow = 20;

class ListTest : public WindowFixture {
protected:
    ListWindow* list = nullptr;
    int changes = 0;
    std::vector<std::string> activated;
    std::vector<std::pair<ListItem*, s32>> moves;
    int deletes = 0;
    int contexts = 0;

    struct Listener : has_slots<void> {
        ListTest* t;
        void Changed() { ++t->changes; }
        void Activated(ListItem* i) { t->activated.push_back(i->text ? i->text : "?"); }
        void Moved(ListItem* i, s32 row) { t->moves.push_back({i, row}); }
        void Delete() { ++t->deletes; }
        void Context(Point) { ++t->contexts; }
    } listener;

    void Make(u32 style, s32 height = 200)
    {
        FakeOsSetTime(10.0);
        list = new ListWindow(style, WF_VISIBLE | WF_ENABLED, nullptr);
        list->rowHeight = kRow;
        list->indent = kRow;
        list->SetFrameXYWH(0, 0, 300, height);
        listener.t = this;
        list->selectionChanged.Connect<&Listener::Changed>(&listener);
        list->itemActivated.Connect<&Listener::Activated>(&listener);
        list->itemMoved.Connect<&Listener::Moved>(&listener);
        list->deleteRequested.Connect<&Listener::Delete>(&listener);
        list->contextRequested.Connect<&Listener::Context>(&listener);
        Window::SetFocus(list, FOCUS_PROGRAM);
    }
    ListItem* Add(const char* text, ListItem* parent = nullptr, u32 flags = 0, void* data = nullptr)
    {
        return list->AddItem(parent, 0, flags, data, text);
    }
    // Flat list "r0".."r{n-1}".
    std::vector<ListItem*> AddRows(int n)
    {
        std::vector<ListItem*> v;
        for (int i = 0; i < n; ++i) v.push_back(Add(("r" + std::to_string(i)).c_str()));
        return v;
    }
    Point RowPoint(int row)
    {
        Rect c = list->GetContentRect();
        s32 header = (list->style & LWS_HEADER) && list->GetColumnCount() ? kRow : 0;
        return Point{c.left + 40, c.top + header + row * kRow + kRow / 2};
    }
    void ClickRow(int row, int button = 0)
    {
        Point p = RowPoint(row);
        Click(p.x, p.y, button);
        Run();
    }
    void WithKey(int libKey) { Key(libKey, LIBACTION_PRESS); }
    void Up(int libKey) { Key(libKey, LIBACTION_RELEASE); }
    std::string Selected()
    {
        std::string s;
        DynArray<ListItem*> items = {};
        list->GetSelection(&items, nullptr);
        for (u32 i = 0; i < items.count; ++i) {
            if (!s.empty()) s += ",";
            s += items.data[i]->text ? items.data[i]->text : "?";
        }
        items.Free();
        return s;
    }
    std::string Rows()
    {
        std::string s;
        for (ListItem* it = list->GetFirstItem(); it; it = ListWindow::NextRow(it)) {
            if (!s.empty()) s += ",";
            s += it->text ? it->text : "?";
        }
        return s;
    }
};

}  // namespace ltest
