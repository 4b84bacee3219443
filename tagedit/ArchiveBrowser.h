#pragma once
// The archive browser: the program's window onto the tag database. On the left the loaded
// archives in an active and an inactive list (the active list also offers the pseudo-entries
// "combined", "foundation" and "local"); on the right a tree of the tags of the selected
// entries, one node per tag group and one row per tag with its header fields and where its
// winning copy lies. The active set is remembered across runs as the working set
// ("CodexWorkingSet"). There is one browser at a time; it follows the tag database through
// its listener.
//
// Rows never outlive what they show: the database's events update or remove them, an archive
// about to close takes its rows and list item along, and commands that run a modal loop
// collect the tags they work on by group and id first and look each one up again before use.
#include "codex/Codex.h"
#include "codex/TagHeader.h"
#include "foundation/DynArray.h"
#include "foundation/IdMap.h"
#include "foundation/String.h"
#include "gui/ListWindow.h"
#include "gui/Menu.h"
#include "gui/SplitterWindow.h"
#include "gui/Window.h"

class ArchiveBrowser;
struct TagRow;

// Pseudo-entries of the active list (their item's user data).
constexpr intptr_t kBrowserLocal = -2;
constexpr intptr_t kBrowserCombined = -3;
constexpr intptr_t kBrowserFoundation = -4;

// Item ids of the tree's group nodes and tag rows.
constexpr u32 kGroupNodeItemId = 61453;
constexpr u32 kTagRowItemId = 61454;

// Row colours (RGBA, red in the lowest byte).
constexpr u32 kRowColorLocal = 0xFF0090FFu;
constexpr u32 kRowColorArchive = 0xFFFFFFFFu;
// Red, green and blue halved, alpha kept: disabled rows and groups without an editor.
constexpr u32 DarkenColor(u32 c) { return (c & 0xFF000000u) | ((c >> 1) & 0x007F7F7Fu); }

// Ids of the archive menu and the tree menu.
enum : s32 {
    kBrowserDefaultWorkingSet = 1,
    kBrowserMoveSelection = 2,
    kBrowserDisassemble = 3,
    kBrowserOpen = 10,
    kBrowserGetInfo = 11,
    kBrowserCopyToLocal = 12,
    kBrowserDuplicate = 13,
    kBrowserDelete = 14,
    kBrowserToggleHidden = 15,
};

struct TagGroupNode {
    u32 group;
    String label;  // the group's plural name
    ListItem* item;
    IdMap* rows;  // tag id -> TagRow
    u32 sortPending;
};

// The first two fields are the record the tree's columns read.
struct TagRow {
    TagHeader header;   // the winning copy's
    char location[64];  // where the winning copy lies
    TagEntry* entry;
    TagGroupNode* node;
    ListItem* item;
    u32 disabled;
    // The colour-map value read from a large collection, kept while its winning copy is the
    // one it was read from.
    u32 probed;
    u32 probedUser;
    TagInstance* probedCopy;
    u32 probedOffset;
    u32 probedSize;
};

// What activating (or "Open") a row does with its tag; the default is OpenTagEditor. Tests
// may replace it; null restores the default.
typedef void (*BrowserOpenHook)(TagEntry* entry);
void SetBrowserOpenHook(BrowserOpenHook hook);
// What "Get Info" does with one tag that has no info window open yet; the default is
// OpenTagInfoWindow. Tests may replace it; null restores the default.
typedef void (*BrowserInfoHook)(TagEntry* entry);
void SetBrowserInfoHook(BrowserInfoHook hook);

class ArchiveBrowser : public Window {
public:
    ArchiveBrowser();
    ~ArchiveBrowser() override;

    const char* GetClassName() const override { return "ArchiveBrowser"; }
    void GetMinimumFrameSize(Size* out, Size contentSize) override;
    void Closing() override;
    void Resized() override;
    void Tick() override;
    // Ctrl+D duplicate, Ctrl+I info, Ctrl+K copy to local, Ctrl+O open, Ctrl+T hidden groups.
    int KeyEvent(Event* event) override;

    // Which tags the tree lists: a winning copy, and (unless hidden groups are shown) a group
    // with an editor or 'dmap'.
    bool IsTagShown(TagEntry* entry) const;
    // Recomputes the row's disabled flag from its header (see the .cpp for the rules).
    void UpdateRowDisabled(TagRow* row);

    // Rows. AddTagRow answers whether a new row was made.
    bool AddTagRow(TagEntry* entry);
    void AddTagRows(const DynArray<TagEntry*>& entries);
    void DeleteTagRow(TagRow* row);
    void RemoveTag(TagEntry* entry);
    void KeepOnlyTags(const DynArray<TagEntry*>& entries);
    void PruneHiddenRows();
    TagRow* FindRow(u32 group, u32 tag) const;
    TagGroupNode* FindGroupNode(u32 group) const;
    u32 GetRowCount() const;
    // Drops every row, node and list item (before the tag database goes away).
    void ForgetTags();

    void RebuildTagTree();
    void FillArchiveLists(Archive* select);
    void ApplyArchiveLists();
    void RestoreWorkingSet();
    void UseDefaultWorkingSet();
    void AddArchives(const DynArray<String>& paths);
    void RefreshArchiveLists();
    void MoveSelectedArchives(ListWindow* from);

    // Commands on the selected rows.
    void OpenSelected();
    void GetInfo();
    void CopySelectedToLocal();
    void DuplicateSelected();
    void DeleteSelected();
    void ToggleHiddenGroups();
    void DisassembleSelectedArchive(ListWindow* from);

    // The menus: built, popped up at the point and run. The Run* functions do what a chosen
    // item does (also for tests).
    void OpenArchiveMenu(ListWindow* list, Point screenPoint);
    void RunArchiveMenuCommand(ListWindow* list, s32 id);
    void OpenTreeMenu(Point screenPoint);
    void RunTreeMenuCommand(s32 id);

    void OnCodexEvent(Archive* archive, TagEntry* entry, u32 event);

    // Selected real archives of a list, in selection order.
    void SelectedArchives(ListWindow* list, DynArray<Archive*>* out);
    // Selected tag rows as (group, id) pairs, in selection order.
    void SelectedTagKeys(DynArray<u64>* out);
    ListItem* FindArchiveItem(ListWindow* list, const void* userData) const;

    IdMap* groupNodes;
    SplitterWindow* outerSplitter;
    SplitterWindow* listsSplitter;
    ListWindow* tagTree;
    ListWindow* activeList;
    ListWindow* inactiveList;
    u32 showHiddenGroups;
    u32 adding;
    u32 rebuildPending;  // an archive closed: the tree is filled again at the next tick
    DynArray<TagEntry*> keepSet;  // sorted while pruning
    DynArray<TagGroupNode*> sortPending;

private:
    void OnSelectionChanged();
    void OnItemActivated(ListItem* item);
    void OnActiveContext(Point p);
    void OnInactiveContext(Point p);
    void OnTreeContext(Point p);
    void OnDeleteRequested();
    void OnTagChanged(TagEntry* entry);
    void OnArchiveClosing(Archive* archive);
    void RefreshRow(TagRow* row);
    void SetRowColor(TagRow* row);
    void RelabelNode(TagGroupNode* node);
    void DeleteGroupNode(TagGroupNode* node);
    void SortPendingNodes();
    void ConnectSelection(bool on);
    void FitListsSplitter();
    void AddPseudoEntries();
    void CollectSelectedTags(DynArray<TagEntry*>* out);
};

// The one browser, or null.
ArchiveBrowser* GetArchiveBrowser();
// Creates the browser when there is none, forces a poll of the local folder, un-collapses it,
// brings it to the front and focuses it.
ArchiveBrowser* ShowArchiveBrowser();
// Closes the browser (its rows and list items are dropped at once) and forgets it.
void CloseArchiveBrowser();
// Registers or removes the browser's tag-database listener.
void EnableArchiveBrowserListener(bool on);
// Adds the archives at the paths to the active set through the browser (none: nothing).
void AddArchives(const DynArray<String>& paths);
