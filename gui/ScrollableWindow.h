#pragma once
// ScrollableWindow: a window with a vertical and a horizontal scroll bar in its frame, right of
// and below the content. Each bar exists while its page size is not 0, so the content shrinks
// and grows as bars come and go. Totals, positions and pages are in the subclass's own units
// (rows, lines, pixels); the subclass learns of position changes through VScrolled and
// HScrolled and draws its content from GetVScrollPos / GetHScrollPos.
#include "gui/Window.h"

// ScrollPart: what lies under a point of the bars.
enum : u32 {
    SCROLL_NONE = 0,
    SCROLL_VTHUMB = 1,
    SCROLL_UP = 2,
    SCROLL_DOWN = 3,
    SCROLL_PAGEUP = 4,
    SCROLL_PAGEDOWN = 5,
    SCROLL_HTHUMB = 6,
    SCROLL_LEFT = 7,
    SCROLL_RIGHT = 8,
    SCROLL_PAGELEFT = 9,
    SCROLL_PAGERIGHT = 10,
    SCROLL_CORNER = 11,
};

// SetScrollInfo mask bits: which of the six values are given.
enum : u32 {
    SCROLLINFO_VTOTAL = 1,
    SCROLLINFO_VPOS = 2,
    SCROLLINFO_VPAGE = 4,
    SCROLLINFO_HTOTAL = 8,
    SCROLLINFO_HPOS = 16,
    SCROLLINFO_HPAGE = 32,
};

class ScrollableWindow : public Window {
public:
    // No bars (every range 0), line step 1, no corner box.
    ScrollableWindow(u32 flags, Window* parent);
    ~ScrollableWindow() override;

    const char* GetClassName() const override;
    // The Window content less one bar width at the right while the vertical page is not 0
    // and at the bottom while the horizontal page is not 0.
    void FrameToContent(const Rect& frame, Rect* content) override;
    // Repeats arrow and page steps while a bar press lasts.
    void Tick() override;
    void DrawFrame() override;
    void FrameMouseButton(Event* event) override;
    void FrameDoubleClick(Event* event) override;
    // Scrolls by the wheel's travel: horizontally with the horizontal-wheel modifier.
    void MouseWheel(Event* event) override;
    void FrameMouseWheel(Event* event) override;

    // Told after a position changed, before new totals and pages are stored.
    virtual void HScrolled(s32 position);
    virtual void VScrolled(s32 position);
    // A click on the corner box (only with SetCornerBox(1) and both bars shown).
    virtual void CornerClicked();

    s32 GetVTotal() const { return vTotal; }
    s32 GetVScrollPos() const { return vPos; }
    s32 GetVPageSize() const { return vPage; }
    s32 GetHTotal() const { return hTotal; }
    s32 GetHScrollPos() const { return hPos; }
    s32 GetHPageSize() const { return hPage; }
    void SetLineStep(u32 n) { lineStep = n; }
    u32 GetLineStep() const { return lineStep; }
    void SetCornerBox(int on);

    // Sets the values whose SCROLLINFO_ bit is in mask; a negative page counts as 0. Every
    // position ends in [0, max(total - page, 0)].
    void SetScrollInfo(u32 mask, s32 vTotal, s32 vPos, s32 vPage, s32 hTotal, s32 hPos, s32 hPage);
    // Pages from the rectangle's size (never negative), positions from its top-left.
    void SetViewRect(const Rect& view);
    void SetVScrollPos(s32 position);
    void SetHScrollPos(s32 position);
    void ScrollVBy(s32 delta);
    void ScrollHBy(s32 delta);
    // The ScrollPart under a screen point.
    u32 HitTestScrollBars(Point screenPoint);
    // The thumbs in frame-relative coordinates; empty when the bar has no thumb.
    Rect GetVThumbRect();
    Rect GetHThumbRect();
    bool IsTracking() const { return tracking != 0; }

    s32 vTotal, vPos, vPage;
    s32 hTotal, hPos, hPage;
    Rect vThumb;
    Rect hThumb;
    u32 lineStep;
    double lastRepeat;
    u32 tracking;
    u32 upPressed, downPressed;
    u32 leftPressed, rightPressed;
    u32 cornerBox;
    u32 vThumbShown, hThumbShown;

private:
    static void ScrollBarTracker(Window* w, Point start, Point current, u32 phase);
    void ScrollBarPress(Event* event);
    void Apply(s64 vt, s64 vp, s64 vpg, s64 ht, s64 hp, s64 hpg, bool alwaysStore);
    void UpdateThumbs();
    Rect ContentInFrame() const;
};
