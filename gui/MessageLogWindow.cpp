// The log window and LogText, the sink behind LogMessage.
#include "gui/MessageLogWindow.h"

#include <cstdio>

#include "foundation/DynArray.h"
#include "foundation/Log.h"
#include "foundation/String.h"
#include "foundation/StringUtil.h"
#include "gui/ListWindow.h"
#include "gui/SplitterWindow.h"
#include "gui/TextBox.h"
#include "gui/WindowSystem.h"

namespace {

constexpr u32 kLogWindowFlags = WF_ENABLED | WF_TITLEBAR | WF_SHADOW | WF_THICKFRAME | WF_RESIZABLE | WF_DARKPANEL |
                                WF_CLOSEBOX | WF_ZOOMBOX | WF_COLLAPSEBOX;
constexpr u32 kPaneMinimum = 128;

MessageLogWindow* gLogWindow;

// A message that came while there was no window system to show it in.
struct PendingMessage {
    u32 level;
    String category;
    String text;
};
DynArray<PendingMessage> gPending;

void LogWindowSink(void*, u32 level, const char* category, const char* text) { LogText(level, category, text); }

const char* OrEmpty(const char* s) { return s ? s : ""; }

// Makes the log window when there is none and records the messages kept until then, in the
// order they came. Null without a window system.
MessageLogWindow* EnsureLogWindow()
{
    // One closed by the quit sequence is deleted between events: what comes meanwhile goes to
    // a new window rather than with the old one.
    if (gLogWindow && gLogWindow->GetState() != WS_CLOSED) return gLogWindow;
    if (!WindowSystem::GetLayerRoot(0)) return nullptr;
    gLogWindow = new MessageLogWindow();
    // Taken out first: recording them goes through LogText again.
    DynArray<PendingMessage> kept = gPending;
    gPending = DynArray<PendingMessage>{nullptr, 0, 0};
    for (u32 i = 0; i < kept.count; ++i) LogText(kept.data[i].level, kept.data[i].category, kept.data[i].text);
    kept.Clear();
    kept.Free();
    return gLogWindow;
}

void ShowAndRaise(MessageLogWindow* w)
{
    w->SetVisible(1);
    if (w->GetState() == WS_COLLAPSED) w->SetCollapsed(0);
    w->BringToFront();
}

}  // namespace

// The window itself takes no keyboard and the splitter between it and its list and page is not
// focusable either, so nothing would lead a click on the title to them: the window remembers the
// way down as a focus change would, without taking the keyboard from where it is.
static void RememberFocus(Window* top, Window* w)
{
    for (Window* c = w; c && c != top && c->parent; c = c->parent) c->parent->focusChild = c;
}

MessageLogWindow::MessageLogWindow() : Window(kLogWindowFlags, WindowSystem::GetLayerRoot(0))
{
    splitter = new SplitterWindow(WF_VISIBLE | WF_ENABLED, this);
    splitter->SetOrientation(0, 0);
    list = new ListWindow(0, WF_VISIBLE | WF_ENABLED, splitter);
    splitter->SetPane(0, list, kPaneMinimum);
    splitter->SetPane(1, nullptr, kPaneMinimum);
    list->selectionChanged.Connect<&MessageLogWindow::OnCategorySelected>(this);
    RememberFocus(this, list);
    SetTitle("Log Viewer");
    SetFrameXYWH(32, 32, 600, 256);
}

MessageLogWindow::~MessageLogWindow()
{
    if (gLogWindow == this) gLogWindow = nullptr;
    // The list is deleted with the tree after this body: it must not call back into a window
    // that is half gone.
    list->selectionChanged.Disconnect(this);
    for (ListItem* item = list->GetFirstItem(); item; item = item->next) {
        LogCategory* c = static_cast<LogCategory*>(item->userData);
        item->userData = nullptr;
        if (!c) continue;
        // A page in the tree goes with it; a detached one is only reachable from here.
        if (c->page && !c->page->GetParent()) delete c->page;
        delete c;
    }
    shownPage = nullptr;
}

int MessageLogWindow::CanClose(u32 reason)
{
    if (reason) {
        SetVisible(0);
        return 0;
    }
    return Window::CanClose(reason);
}

void MessageLogWindow::Resized()
{
    Window::Resized();
    if (splitter) splitter->FillParent();
}

LogCategory* MessageLogWindow::FindCategory(const char* name) const
{
    name = OrEmpty(name);
    for (ListItem* item = list->GetFirstItem(); item; item = item->next)
        if (item->userData && StrICmp(OrEmpty(item->text), name) == 0) return static_cast<LogCategory*>(item->userData);
    return nullptr;
}

void MessageLogWindow::AppendToCategory(const char* name, const char* text)
{
    name = OrEmpty(name);
    LogCategory* c = FindCategory(name);
    if (c) {
        // The row is selected with the page, so that the list never names another page than
        // the one shown (a click on a selected row selects nothing new and could not switch).
        if (c->page != shownPage) {
            list->DeselectAllExcept(nullptr);
            list->SelectItem(c->item, 0);
            if (c->page != shownPage) ShowCategory(c);
        }
    } else {
        c = new LogCategory();
        // Not hidden here: hiding the front child would hand the keyboard focus on. It
        // becomes the shown pane below at once.
        c->page = new TextBox(TEXTBOX_VIEW, this);
        c->item = list->AddItem(nullptr, 0, LIF_TEXT, c, name);
        if (!c->item) {
            delete c->page;
            delete c;
            return;
        }
        list->Sort();
        list->DeselectAllExcept(nullptr);
        list->SelectItem(c->item, 0);
        list->EnsureVisible(c->item);
        if (c->page != shownPage) ShowCategory(c);
    }
    c->page->AppendText(OrEmpty(text));
}

void MessageLogWindow::ShowCategory(LogCategory* c)
{
    if (!c || !c->page || c->page == shownPage) return;
    // The keyboard focus follows only when it is in this window already: a message must not
    // take it from whatever the user is typing into.
    Window* focus = WindowSystem::GetFocus();
    bool focusHere = focus && Contains(focus);
    // The old page is detached before it is hidden: hiding a window in the tree may hand
    // the focus to a sibling.
    TextBox* old = shownPage;
    splitter->SetPane(1, c->page, kPaneMinimum);
    if (old && old->GetParent() == splitter) old->SetParent(nullptr);
    if (old) old->SetVisible(0);
    shownPage = c->page;
    shownPage->SetVisible(1);
    if (focusHere && IsVisible())
        Window::SetFocus(shownPage, FOCUS_PROGRAM);
    else
        RememberFocus(this, shownPage);
    splitter->FillParent();
    splitter->Layout();
}

void MessageLogWindow::OnCategorySelected()
{
    ListItem* item = list->GetCurrentItem();
    if (!item || !item->userData) return;
    ShowCategory(static_cast<LogCategory*>(item->userData));
}

void MessageLogWindow::SelectCategory(const char* name)
{
    name = OrEmpty(name);
    for (ListItem* item = list->GetFirstItem(); item; item = item->next) {
        if (!item->userData || StrICmp(OrEmpty(item->text), name) != 0) continue;
        list->DeselectAllExcept(nullptr);
        list->SelectItem(item, 0);
        list->EnsureVisible(item);
        return;
    }
}

void LogText(u32 level, const char* category, const char* text)
{
    category = OrEmpty(category);
    text = OrEmpty(text);
    MessageLogWindow* w = EnsureLogWindow();
    if (!w) {
        PendingMessage m = {level, String(category), String(text)};
        gPending.Push(m);
        // Kept for the window, but a start-up that never gets that far still shows it.
        if (level >= 1) fprintf(stderr, "[%s] %s", category, text);
        return;
    }
    w->AppendToCategory(category, text);
    if (level >= 1) {
        ShowAndRaise(w);
        w->SelectCategory(category);
    }
}

void ShowLogWindow()
{
    MessageLogWindow* w = EnsureLogWindow();
    if (w) ShowAndRaise(w);
}

MessageLogWindow* GetLogWindow() { return gLogWindow; }

void InstallLogWindowSink() { SetLogSink(LogWindowSink, nullptr); }

u32 DiscardPendingLogMessages()
{
    u32 n = gPending.count;
    gPending.Clear();
    gPending.Free();
    return n;
}
