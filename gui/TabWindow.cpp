// TabWindow: tabs from the children's titles, page switching by mouse and keys.
#include "gui/TabWindow.h"

#include "gui/Skin.h"
#include "gui/WindowSystem.h"
#include "platform/OsKeys.h"

namespace {
constexpr u32 kTabTextFlags = 0x106;

bool SameRect(const Rect& a, const Rect& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

bool InsideInclusive(const Rect& r, Point p) { return p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom; }
}  // namespace

TabWindow::TabWindow(u32 f, Window* p) : Window(f, p), tabs{nullptr, 0, 0}, current(kNoTab) {}

TabWindow::~TabWindow() { tabs.Free(); }

const char* TabWindow::GetClassName() const { return "TabWindow"; }

bool TabWindow::LayoutTabs()
{
    bool changed = false;
    s32 x = 8;
    for (u32 i = 0; i < tabs.count; ++i) {
        TabEntry& t = tabs.data[i];
        Rect tab = {0, 0, 0, 0}, text = {0, 0, 0, 0};
        Skin::GetTabRect(GetTextWidth(0, t.page->GetTitle(), kTabTextFlags), &tab, &text);
        tab.left += x;
        tab.right += x;
        text.left += x;
        text.right += x;
        if (!SameRect(tab, t.tab) || !SameRect(text, t.text)) changed = true;
        t.tab = tab;
        t.text = text;
        x += tab.Width() - Skin::GetTabSpacing();
    }
    return changed;
}

Rect TabWindow::GetPageArea() const
{
    Rect r = GetContentBounds();
    if (tabs.count) r.top = tabs.data[0].tab.bottom + 4;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

void TabWindow::FitPage(Window* page)
{
    Rect area = GetPageArea();
    Rect now = page->GetFrameInParent();
    if (!SameRect(now, area)) page->SetFrame(area);
}

void TabWindow::ChildAdded(Window* child)
{
    Window::ChildAdded(child);
    TabEntry e = {{0, 0, 0, 0}, {0, 0, 0, 0}, child};
    tabs.Push(e);
    LayoutTabs();
    child->SetVisible(0);
    FitPage(child);
    if (current == kNoTab) SelectTab(0);
    Invalidate(0);
}

void TabWindow::ChildRemoved(Window* child)
{
    Window::ChildRemoved(child);
    u32 i = 0;
    while (i < tabs.count && tabs.data[i].page != child) ++i;
    if (i == tabs.count) return;
    tabs.RemoveRange(i, 1);
    if (current != kNoTab) {
        if (i == current) {
            // The tab before the removed one, or the one that took its place when it was first.
            current = kNoTab;
            u32 next = i ? i - 1 : 0;
            LayoutTabs();
            if (next < tabs.count) SelectTab(next);
        } else if (i < current) {
            --current;  // the same page stays current
        }
    }
    LayoutTabs();
    Invalidate(0);
}

void TabWindow::SelectTab(u32 index)
{
    if (index >= tabs.count) return;
    if (current < tabs.count) tabs.data[current].page->SetVisible(0);
    Window* page = tabs.data[index].page;
    FitPage(page);
    page->SetVisible(1);
    Window::SetFocus(page, FOCUS_PROGRAM);
    if (index != current) {
        current = index;
        Invalidate(0);
    }
}

s32 TabWindow::TabAtPoint(Point p) const
{
    if (current < tabs.count && InsideInclusive(tabs.data[current].tab, p)) return s32(current);
    for (u32 i = 0; i < tabs.count; ++i)
        if (i != current && InsideInclusive(tabs.data[i].tab, p)) return s32(i);
    return -1;
}

void TabWindow::MouseButton(Event* event)
{
    if (!event->Pressed()) return;
    Point p = event->Pos();
    ScreenToContent(&p, 1);
    s32 i = TabAtPoint(p);
    if (i >= 0) SelectTab(u32(i));
}

int TabWindow::HandleEvent(Window* target, u32 type, Event* event)
{
    if (type == EVENT_KEY && event->Action() && (event->KeyModifiers() & MOD_CTRL_A) && tabs.count) {
        u32 key = event->Key();
        bool shift = (event->KeyModifiers() & MOD_SHIFT) != 0;
        int step = 0;
        if (key == KEY_LEFT || (key == KEY_TAB && shift))
            step = -1;
        else if (key == KEY_RIGHT || key == KEY_TAB)
            step = 1;
        if (step) {
            u32 n = tabs.count;
            u32 from = current < n ? current : 0;
            SelectTab(step > 0 ? (from + 1) % n : (from + n - 1) % n);
            return 1;
        }
    }
    return Window::HandleEvent(target, type, event);
}

void TabWindow::Resized()
{
    Window::Resized();
    SelectTab(current);
}

void TabWindow::Tick()
{
    Window::Tick();
    if (LayoutTabs()) Invalidate(0);
    if (current < tabs.count) FitPage(tabs.data[current].page);
}

void TabWindow::DrawContent()
{
    Skin* skin = WindowSystem::GetSkin();
    if (!skin || current >= tabs.count) return;
    BeginDraw(1, 0);
    for (u32 i = tabs.count; i-- > 0;) {
        if (i == current) continue;
        skin->DrawTab(tabs.data[i].tab, 0);
        Skin::SetTextColor(0);
        DrawText(tabs.data[i].text, 0, tabs.data[i].page->GetTitle(), kTabTextFlags);
    }
    const TabEntry& c = tabs.data[current];
    skin->DrawTab(c.tab, 1);
    Skin::SetTextColor(0);
    DrawText(c.text, 0, c.page->GetTitle(), kTabTextFlags);
    skin->DrawFrame(Rect{0, c.tab.bottom, GetContentWidth(), GetContentHeight()}, 2);
    EndDraw();
}
