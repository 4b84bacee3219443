#include "tests/explore/RandomUser.h"

#include <cstring>

#include "gui/GridWindow.h"
#include "gui/ListWindow.h"
#include "gui/MessageBox.h"
#include "gui/WindowSystem.h"
#include "platform/OsFake.h"
#include "platform/OsKeys.h"
#include "tests/gui/MessageBoxSupport.h"

namespace {

void Tap(int key)
{
    FakeOsKey(key, LIBACTION_PRESS);
    FakeOsKey(key, LIBACTION_RELEASE);
}

// The mouse moves to the point in a step of its own: a press goes to the window the mouse
// was last seen over, which a move in the same step has not updated yet.
void MoveTo(Point p)
{
    FakeOsMousePos(p.x, p.y);
    FakeOsEndStep();
}

void Click(Point p, int button)
{
    FakeOsMousePos(p.x, p.y);
    FakeOsMouseButton(button, LIBACTION_PRESS);
    FakeOsMouseButton(button, LIBACTION_RELEASE);
}

bool HasArea(const Rect& r) { return r.right > r.left && r.bottom > r.top; }

void VisibleChildren(Window* parent, std::vector<Window*>* out)
{
    for (Window* w = parent ? parent->GetFirstChild() : nullptr; w; w = w->GetNextSibling())
        if (w->IsVisible() && HasArea(w->GetFrameRect())) out->push_back(w);
}

// Matches "*.png;*.bmp"-style patterns against the path's extension; "*" and "*.*" match all.
bool MatchesPattern(const std::string& path, const char* pattern)
{
    if (!pattern || !*pattern) return true;
    std::string p = pattern;
    size_t start = 0;
    while (start <= p.size()) {
        size_t end = p.find(';', start);
        if (end == std::string::npos) end = p.size();
        std::string one = p.substr(start, end - start);
        while (!one.empty() && one[0] == ' ') one.erase(0, 1);
        if (one == "*" || one == "*.*") return true;
        if (one.size() > 1 && one[0] == '*') {
            std::string ext = one.substr(1);
            if (path.size() >= ext.size() &&
                strcasecmp(path.c_str() + path.size() - ext.size(), ext.c_str()) == 0)
                return true;
        }
        start = end + 1;
    }
    return false;
}

const int kSpecialKeys[] = {LIBKEY_TAB,  LIBKEY_ENTER, LIBKEY_ESCAPE, LIBKEY_DELETE,  LIBKEY_BACKSPACE,
                            LIBKEY_LEFT, LIBKEY_RIGHT, LIBKEY_UP,     LIBKEY_DOWN,    LIBKEY_HOME,
                            LIBKEY_END,  LIBKEY_PAGE_UP, LIBKEY_PAGE_DOWN, LIBKEY_SPACE};
// The shortcuts the windows take with Ctrl: undo, redo and save (the most frequent), close,
// clipboard, select all, and the editors' own letters. Close is no more frequent than the
// rest: closing windows every few dozen actions leaves none open long enough to meet the
// others (a sequence editor while its bitmaps are deleted).
const char kCtrlLetters[] = "ZYSWCVXATDNEIRHGBFOP";

}  // namespace

Window* RandomUser::PickTopLevel()
{
    // Popups and boxes of layer 1 first: a user looks at what just opened.
    std::vector<Window*> front, bar;
    VisibleChildren(WindowSystem::GetLayerRoot(1), &front);
    Window* menu = menuBar ? menuBar() : nullptr;
    for (size_t i = front.size(); i-- > 0;)
        if (front[i] == menu) {
            front.erase(front.begin() + long(i));
            bar.push_back(menu);
        }
    std::vector<Window*> normal;
    VisibleChildren(WindowSystem::GetLayerRoot(0), &normal);
    if (WindowSystem::GetModalDepth()) {
        for (Window* w : front)
            if (WindowSystem::IsOnModalStack(w, 1)) return w;
        for (Window* w : normal)
            if (WindowSystem::IsOnModalStack(w, 1)) {
                // A popup of the modal window is in front of it.
                if (!front.empty() && random.Chance(60)) return front[0];
                return w;
            }
    }
    if (!front.empty() && random.Chance(75)) return front[random.Below(u32(front.size()))];
    Window* root = WindowSystem::GetLayerRoot(-1);
    for (Window* w = root ? root->GetFirstChild() : nullptr; w; w = w->GetNextSibling())
        if (w != WindowSystem::GetLayerRoot(0) && w != WindowSystem::GetLayerRoot(1) && w->IsVisible()) bar.push_back(w);
    const u32 roll = random.Below(100);
    if (!bar.empty() && (roll < 6 || normal.empty())) return bar[random.Below(u32(bar.size()))];
    if (isPreferred && roll < 86) {
        std::vector<Window*> mine;
        for (Window* w : normal)
            if (isPreferred(w)) mine.push_back(w);
        if (!mine.empty()) return roll < 60 ? mine[0] : mine[random.Below(u32(mine.size()))];
    }
    if (normal.empty()) return nullptr;
    if (roll < 85) return normal[0];
    return normal[random.Below(u32(normal.size()))];
}

Window* RandomUser::PickInside(Window* top)
{
    // Every shown descendant counts once: small controls are hit as often as large views.
    std::vector<Window*> all{top};
    for (size_t i = 0; i < all.size(); ++i) VisibleChildren(all[i], &all);
    return all[random.Below(u32(all.size()))];
}

Point RandomUser::PickPoint(Window* w)
{
    Rect r = w->GetFrameRect();
    const Rect screen = WindowSystem::GetScreenRect();
    if (r.left < screen.left) r.left = screen.left;
    if (r.top < screen.top) r.top = screen.top;
    if (r.right > screen.right) r.right = screen.right;
    if (r.bottom > screen.bottom) r.bottom = screen.bottom;
    if (!HasArea(r)) return Point{s32(random.Below(u32(screen.right))), s32(random.Below(u32(screen.bottom)))};
    // Lists and grids show their few rows and cells at the top: half the points go there,
    // so that rows are opened and dragged, not only the empty space below them.
    s32 height = r.Height();
    if ((dynamic_cast<ListWindow*>(w) || dynamic_cast<GridWindow*>(w)) && height > 120 && random.Chance(50)) height = 120;
    return Point{r.left + s32(random.Below(u32(r.Width()))), r.top + s32(random.Below(u32(height)))};
}

std::string RandomUser::RandomName()
{
    static const char* const kWords[] = {"", "a", "Rock", "new tag", "x y z", "0", "65535", "-1", "Boulder 1", "Roll",
                                         "ÄÖ", "................................................................"};
    std::string s = kWords[random.Below(sizeof kWords / sizeof kWords[0])];
    if (random.Chance(30)) s += char('A' + random.Below(26));
    return s;
}

std::string RandomUser::ScriptAction()
{
    Window* top = PickTopLevel();
    Window* target = top ? PickInside(top) : nullptr;
    const Point p = target ? PickPoint(target) : Point{0, 0};
    const char* what = target && target->GetTitle() ? target->GetTitle() : "";
    std::string where = target ? std::string(target->GetClassName()) + " '" + what + "' at " + std::to_string(p.x) +
                                     "," + std::to_string(p.y)
                               : std::string("nowhere");
    std::string trace;
    const u32 kind = random.Below(100);
    if (kind < 58 || kind >= 94) MoveTo(p);  // clicks, drags, the wheel
    if (kind < 28) {
        Click(p, 0);
        trace = "click " + where;
    } else if (kind < 35) {
        Click(p, 0);
        Click(p, 0);
        trace = "double click " + where;
    } else if (kind < 42) {
        Click(p, 1);
        trace = "right click " + where;
    } else if (kind < 52) {
        // A drag: press, a few moves over several steps, release somewhere on the screen.
        const Rect screen = WindowSystem::GetScreenRect();
        FakeOsMousePos(p.x, p.y);
        FakeOsMouseButton(0, LIBACTION_PRESS);
        FakeOsEndStep();
        Point to = random.Chance(50) && top ? PickPoint(top)
                                           : Point{s32(random.Below(u32(screen.right))), s32(random.Below(u32(screen.bottom)))};
        const u32 moves = 1 + random.Below(4);
        for (u32 i = 1; i <= moves; ++i) {
            FakeOsMousePos(p.x + (to.x - p.x) * s32(i) / s32(moves), p.y + (to.y - p.y) * s32(i) / s32(moves));
            FakeOsEndStep();
        }
        FakeOsMouseButton(0, LIBACTION_RELEASE);
        trace = "drag " + where + " to " + std::to_string(to.x) + "," + std::to_string(to.y);
    } else if (kind < 58) {
        FakeOsMousePos(p.x, p.y);
        const double dy = double(s32(random.Below(7)) - 3);
        FakeOsScroll(random.Chance(15) ? dy : 0, random.Chance(15) ? 0 : dy);
        trace = "wheel " + where;
    } else if (kind < 70) {
        // Keys go to the focused window: a click first, now and then, moves the focus.
        if (random.Chance(30) && target) {
            MoveTo(p);
            Click(p, 0);
            FakeOsEndStep();
        }
        const u32 n = 1 + random.Below(4);
        trace = "type";
        for (u32 i = 0; i < n; ++i) {
            const u32 c = random.Chance(60) ? 'a' + random.Below(26) : random.Chance(50) ? '0' + random.Below(10) : ".-, /"[random.Below(5)];
            const int key = c >= 'a' && c <= 'z' ? int(c - 'a' + LIBKEY_A) : c >= '0' && c <= '9' ? int(c - '0' + LIBKEY_0) : 0;
            if (key) FakeOsKey(key, LIBACTION_PRESS);
            FakeOsChar(c, 0);
            if (key) FakeOsKey(key, LIBACTION_RELEASE);
            trace += char(c);
        }
    } else if (kind < 84) {
        const int key = kSpecialKeys[random.Below(sizeof kSpecialKeys / sizeof kSpecialKeys[0])];
        const bool shift = random.Chance(15);
        if (shift) FakeOsKey(LIBKEY_LEFT_SHIFT, LIBACTION_PRESS);
        Tap(key);
        if (shift) FakeOsKey(LIBKEY_LEFT_SHIFT, LIBACTION_RELEASE);
        trace = "key " + std::to_string(key) + (shift ? " with Shift" : "");
    } else if (kind < 94) {
        // Ctrl with Tab or an arrow turns the pages of a tabbed window (a click rarely hits
        // the narrow strip of tabs).
        static const int kPageKeys[] = {LIBKEY_TAB, LIBKEY_LEFT, LIBKEY_RIGHT};
        static const char* const kPageKeyNames[] = {"Tab", "Left", "Right"};
        const bool pages = random.Chance(20);
        const u32 pageKey = pages ? random.Below(3) : 0;
        const char letter = pages ? 0 : kCtrlLetters[random.Chance(50) ? random.Below(3) : random.Below(sizeof kCtrlLetters - 1)];
        const bool shift = random.Chance(10);
        FakeOsKey(LIBKEY_LEFT_CONTROL, LIBACTION_PRESS);
        if (shift) FakeOsKey(LIBKEY_LEFT_SHIFT, LIBACTION_PRESS);
        Tap(pages ? kPageKeys[pageKey] : LIBKEY_A + (letter - 'A'));
        if (shift) FakeOsKey(LIBKEY_LEFT_SHIFT, LIBACTION_RELEASE);
        FakeOsKey(LIBKEY_LEFT_CONTROL, LIBACTION_RELEASE);
        trace = std::string("Ctrl+") + (shift ? "Shift+" : "") + (pages ? kPageKeyNames[pageKey] : std::string(1, letter));
    } else {
        // Alt held over a click: the editors' alternative tools.
        FakeOsKey(LIBKEY_LEFT_ALT, LIBACTION_PRESS);
        Click(p, 0);
        FakeOsKey(LIBKEY_LEFT_ALT, LIBACTION_RELEASE);
        trace = "Alt+click " + where;
    }
    FakeOsEndStep();
    return trace;
}

void RandomUser::ScriptGiveUp(u32 attempt)
{
    std::vector<Window*> front;
    VisibleChildren(WindowSystem::GetLayerRoot(1), &front);
    Window* menu = menuBar ? menuBar() : nullptr;
    for (size_t i = front.size(); i-- > 0;)
        if (front[i] == menu) front.erase(front.begin() + long(i));
    if (attempt % 3 == 2 && (!front.empty() || WindowSystem::GetModalDepth())) {
        // A click on the bare corner of the screen closes a popup menu, and the in-place
        // editing box of a list (a popup in the list's window, which Escape does not end).
        const Point corner{WindowSystem::GetScreenRect().right - 1, WindowSystem::GetScreenRect().bottom - 1};
        MoveTo(corner);
        Click(corner, 0);
    } else if (attempt > 40) {
        // A dialog that ignores Escape: its buttons, from the last (Cancel, Close) backwards.
        Window* top = PickTopLevel();
        Window* button = nullptr;
        std::vector<Window*> all;
        if (top) all.push_back(top);
        for (size_t i = 0; i < all.size(); ++i) VisibleChildren(all[i], &all);
        for (Window* w : all)
            if (!strcmp(w->GetClassName(), "Button")) button = w;
        if (button) {
            const Point at = PickPoint(button);
            MoveTo(at);
            Click(at, 0);
        }
        else Tap(LIBKEY_ENTER);
    } else {
        Tap(LIBKEY_ESCAPE);
    }
    FakeOsEndStep();
}

int RandomUser::AnswerMessageBox(bool cancel, std::string* trace, bool discard)
{
    MessageBoxWindow* box = mbtest::ModalMessageBox();
    if (!box || !box->GetButtonCount()) return 0;
    mbtest::SeenBox seen = mbtest::DescribeBox(box);
    const u32 count = box->GetButtonCount();
    u32 button = cancel ? count - 1 : random.Below(count);
    if (discard)
        for (u32 i = 0; i < count && i < seen.labels.size(); ++i)
            if (seen.labels[i] == "Discard") button = i;
    if (box->GetField() && box->GetField()->IsEditable() && !cancel && random.Chance(70))
        box->GetField()->SetText(RandomName().c_str());
    *trace = "box '" + seen.title + "' (" + seen.text.substr(0, 60) + ") -> " + seen.labels[button];
    box->OnButton(s32(button));
    return 1;
}

void RandomUser::RespondToDialog(const FakeOsDialogRecord* dialog, void* self)
{
    static_cast<RandomUser*>(self)->Respond(dialog);
}

void RandomUser::Respond(const FakeOsDialogRecord* dialog)
{
    FakeOsDialogAnswer answer;
    answer.ok = !random.Chance(25);
    for (u32 i = 0; i < 8; ++i) answer.options[i] = random.Chance(50) ? -1 : s32(random.Below(4));
    for (u32 i = 0; i < 3; ++i) answer.rgb[i] = u8(random.Below(256));
    const u32 filters = dialog->filters.count;
    answer.filterIndex = filters ? random.Below(filters) : 0;
    const char* pattern = filters ? dialog->filters[answer.filterIndex].pattern.c_str() : nullptr;
    answered.clear();
    if (dialog->kind == 0) {
        // A save: a fresh name, with the chosen type's extension when it has one.
        std::string ext;
        if (pattern) {
            std::string p = pattern;
            size_t star = p.find("*.");
            if (star != std::string::npos) ext = p.substr(star + 1, p.find(';', star) - star - 1);
            if (ext == ".*") ext.clear();
        }
        answered.push_back(saveFolder + "/saved" + std::to_string(saved++) + ext);
    } else if (dialog->kind == 3) {
        if (!pickFolders.empty()) answered.push_back(pickFolders[random.Below(u32(pickFolders.size()))]);
    } else if (dialog->kind == 1 || dialog->kind == 2) {
        std::vector<std::string> fitting;
        for (const std::string& f : pickFiles)
            if (MatchesPattern(f, pattern)) fitting.push_back(f);
        if (fitting.empty() || random.Chance(10)) fitting = pickFiles;
        const u32 n = dialog->kind == 2 ? 1 + random.Below(3) : 1;
        for (u32 i = 0; i < n && !fitting.empty(); ++i) answered.push_back(fitting[random.Below(u32(fitting.size()))]);
    }
    if (dialog->kind != 4 && answered.empty()) answer.ok = 0;
    for (size_t i = 0; i < answered.size() && i < 7; ++i) answer.paths[i] = answered[i].c_str();
    FakeOsQueueDialogAnswer(answer);
}
