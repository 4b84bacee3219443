#pragma once
// The "Log Viewer": one window for the whole run that collects what the program logs, a page
// per category (the tag database, each batch run, the model import), with the category list
// on the left. It is the sink of LogMessage once InstallLogWindowSink ran. A user's close
// only hides it; the window is deleted with the window tree.
#include "foundation/CleanHeapObject.h"
#include "foundation/Types.h"
#include "gui/Window.h"

class ListWindow;
class SplitterWindow;
class TextBox;
struct ListItem;

// One category: its row in the category list and its page (a read-only, selectable,
// scrolling text view). The log window owns both; a page not shown is a detached window.
struct LogCategory : public CleanHeapObject<NilStruct> {
    ListItem* item;
    TextBox* page;
};

class MessageLogWindow : public Window {
public:
    // Hidden, in the normal layer, titled "Log Viewer", 600 x 256 at (32, 32).
    MessageLogWindow();
    // Deletes the categories and the pages not shown (the shown page goes with the tree).
    ~MessageLogWindow() override;

    const char* GetClassName() const override { return "MessageLogWindow"; }
    // A close asked for by the user (reason non-zero) hides the window and is refused; the
    // quit sequence's close (reason 0) is decided as for any window.
    int CanClose(u32 reason) override;
    // The splitter fills the window.
    void Resized() override;

    // Appends text to the category's page (names compare without regard to case), making
    // the category, its row and its page first when there is none; the page becomes the
    // page shown. The window's visibility does not change.
    void AppendToCategory(const char* name, const char* text);
    // Makes the category's page the splitter's second pane, shown and focused.
    void ShowCategory(LogCategory* category);
    // Selects the first row of that name (without regard to case), alone; nothing when there
    // is none.
    void SelectCategory(const char* name);
    // Shows the category of the list's current row; nothing without one.
    void OnCategorySelected();

    // The category of that name (without regard to case), or null.
    LogCategory* FindCategory(const char* name) const;
    ListWindow* GetCategoryList() const { return list; }
    SplitterWindow* GetSplitter() const { return splitter; }
    TextBox* GetShownPage() const { return shownPage; }

    // Fields, in this order.
    SplitterWindow* splitter;
    ListWindow* list;
    TextBox* shownPage;
};

// Records text on the category's page of the log window, which is made when there is none.
// Level 0 only records; level 1 and above also shows the window, brings it to the front and
// selects the category's row. A null category counts as "", a null text as "". Before the
// window system exists (or after it was torn down) the message is kept, levels 1 and above
// also written to stderr, and it is recorded when the log window is first made.
void LogText(u32 level, const char* category, const char* text);
// Makes the log window when there is none (recording the kept messages), shows it and brings
// it to the front. Nothing when the window system does not exist.
void ShowLogWindow();
// The log window, or null when none was made yet.
MessageLogWindow* GetLogWindow();
// Makes LogText the sink of LogMessage (foundation/Log.h).
void InstallLogWindowSink();
// Drops the messages kept for a log window not yet made; answers how many there were.
u32 DiscardPendingLogMessages();
