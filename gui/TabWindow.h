#pragma once
// TabWindow: every child window is a page whose title is its tab's text. One page is shown at a
// time, in the area below the row of tabs; a click on a tab or Ctrl+Left / Ctrl+Right (also
// Ctrl+Tab / Ctrl+Shift+Tab) switches pages.
#include "foundation/DynArray.h"
#include "gui/Window.h"

struct TabEntry {
    Rect tab;   // content coordinates
    Rect text;  // the title's place in the tab
    Window* page;
};

constexpr u32 kNoTab = 0xFFFFFFFFu;

class TabWindow : public Window {
public:
    TabWindow(u32 flags, Window* parent);
    ~TabWindow() override;

    const char* GetClassName() const override;
    // Ctrl+Left / Ctrl+Shift+Tab and Ctrl+Right / Ctrl+Tab, before the page sees them.
    int HandleEvent(Window* target, u32 type, Event* event) override;
    // Fits the current page again and gives it the focus.
    void Resized() override;
    // Keeps the tabs in step with page titles set after the page was added.
    void Tick() override;
    void DrawContent() override;
    void MouseButton(Event* event) override;
    void ChildAdded(Window* child) override;
    void ChildRemoved(Window* child) override;

    // Shows page index and focuses it; an index past the last tab is ignored.
    void SelectTab(u32 index);
    // The tab under a content point (the current tab first), or -1.
    s32 TabAtPoint(Point contentPoint) const;
    u32 GetTabCount() const { return tabs.count; }
    u32 GetCurrentTab() const { return current; }
    Window* GetPage(u32 index) const { return index < tabs.count ? tabs.data[index].page : nullptr; }
    const TabEntry* GetTab(u32 index) const { return index < tabs.count ? &tabs.data[index] : nullptr; }
    // Lays the tabs out from their titles; answers whether a tab moved or changed size.
    bool LayoutTabs();
    // The content area below the tabs, in content coordinates.
    Rect GetPageArea() const;

    DynArray<TabEntry> tabs;
    u32 current;

private:
    void FitPage(Window* page);
};
