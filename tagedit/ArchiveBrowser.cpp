// The archive browser: construction, window operations, the archive lists, working sets and
// the tag database's events. Rows and the tree are in ArchiveBrowserTree.cpp, the menus and
// commands in ArchiveBrowserCommands.cpp.
#include "tagedit/ArchiveBrowser.h"

#include <cstdint>
#include <initializer_list>

#include "codex/Archive.h"
#include "codex/LocalFolder.h"
#include "gui/WindowPlacement.h"
#include "gui/WindowSystem.h"
#include "platform/OsKeys.h"
#include "tagedit/WorkingSet.h"

namespace {

ArchiveBrowser* gBrowser;

constexpr u32 kBrowserWindowFlags = 0x196F;
constexpr u32 kPaneMinimum = 128;
constexpr const char* kPlacementKey = "ArchiveBrowserPlacement";
constexpr const char* kWorkingSetKey = "CodexWorkingSet";

void BrowserListener(void*, Archive* archive, TagEntry* entry, u32 event)
{
    if (gBrowser) gBrowser->OnCodexEvent(archive, entry, event);
}

bool IsPseudo(const void* userData)
{
    intptr_t v = reinterpret_cast<intptr_t>(userData);
    return v >= -4 && v <= -1;
}

}  // namespace

ArchiveBrowser::ArchiveBrowser() : Window(kBrowserWindowFlags & ~WF_VISIBLE, nullptr)
{
    SetTitle("Archive Browser");
    IdMapCreate(&groupNodes);

    outerSplitter = new SplitterWindow(WF_VISIBLE | WF_ENABLED, this);
    outerSplitter->SetOrientation(0, 0);
    listsSplitter = new SplitterWindow(WF_VISIBLE | WF_ENABLED, outerSplitter);
    listsSplitter->SetOrientation(1, 0);
    tagTree = new ListWindow(LWS_TREE | LWS_COLUMNS | LWS_MULTISELECT | LWS_HEADER, WF_VISIBLE | WF_ENABLED,
                             outerSplitter);
    tagTree->SetTitle("Tag Tree");
    activeList = new ListWindow(LWS_MULTISELECT, WF_VISIBLE | WF_ENABLED, listsSplitter);
    activeList->SetTitle("Active Archives List");
    inactiveList = new ListWindow(LWS_MULTISELECT, WF_VISIBLE | WF_ENABLED, listsSplitter);
    inactiveList->SetTitle("Inactive Archives List");
    outerSplitter->SetPane(0, listsSplitter, kPaneMinimum);
    outerSplitter->SetPane(1, tagTree, kPaneMinimum);
    outerSplitter->SetSplitPos(196);
    listsSplitter->SetPane(0, activeList, kPaneMinimum);
    listsSplitter->SetPane(1, inactiveList, kPaneMinimum);
    listsSplitter->SetSplitPos(384);

    const u32 text = 262;
    tagTree->AddColumn("Identifier", "%d", LCT_UINT, 2, 96, LCF_HIDDEN, text);
    tagTree->AddColumn("Flags", "%d", LCT_UINT, 1, 96, LCF_HIDDEN, text);
    tagTree->AddColumn("Type", "%d", LCT_UINT, 1, 96, LCF_HIDDEN, text);
    tagTree->AddColumn("Name", "%s", LCT_CHARARRAY, 32, 256, 0, text);
    tagTree->AddColumn("Group", "%s", LCT_FOURCC, 4, 64, LCF_HIDDEN, text);
    tagTree->AddColumn("Tag", "%s", LCT_FOURCC, 4, 64, 0, text);
    tagTree->AddColumn("Offset", "%d", LCT_UINT, 4, 96, LCF_HIDDEN, text);
    tagTree->AddColumn("Size", "%d", LCT_UINT, 4, 96, 0, text);
    tagTree->AddColumn("User", "0x%x", LCT_UINT, 4, 64, 0, text);
    tagTree->AddColumn("Vers.", "%d", LCT_UINT, 2, 48, 0, text);
    tagTree->AddColumn("Foundation Index", "%d", LCT_UINT, 1, 96, LCF_HIDDEN, text);
    tagTree->AddColumn("Owner Index", "%d", LCT_UINT, 1, 96, LCF_HIDDEN, text);
    tagTree->AddColumn("Game", "%s", LCT_FOURCC, 4, 64, 0, text);
    tagTree->AddColumn("Location", "%s", LCT_CHARARRAY, 64, 256, 0, text);

    MoveTo(32, 32);
    outerSplitter->FillParent();
    SetTabOrder(activeList, inactiveList, tagTree, nullptr);
    Window::SetFocus(tagTree, FOCUS_PROGRAM);

    tagTree->itemActivated.Connect<&ArchiveBrowser::OnItemActivated>(this);
    tagTree->deleteRequested.Connect<&ArchiveBrowser::OnDeleteRequested>(this);
    tagTree->contextRequested.Connect<&ArchiveBrowser::OnTreeContext>(this);
    activeList->contextRequested.Connect<&ArchiveBrowser::OnActiveContext>(this);
    inactiveList->contextRequested.Connect<&ArchiveBrowser::OnInactiveContext>(this);
    ConnectSelection(true);

    RestoreWorkingSet();
    if (!RestoreWindowPlacement(this, kPlacementKey, 1)) {
        SetContentSize(0, 512);
        CenterInParent();
    }
    SetVisible(1);
}

ArchiveBrowser::~ArchiveBrowser()
{
    if (gBrowser == this) gBrowser = nullptr;
    ForgetTags();
    IdMapDestroy(&groupNodes);
    keepSet.Free();
    sortPending.Free();
}

void ArchiveBrowser::GetMinimumFrameSize(Size* out, Size contentSize)
{
    Window::GetMinimumFrameSize(out, contentSize);
    out->width += 448;
    out->height += 256;
}

void ArchiveBrowser::Closing()
{
    SaveWindowPlacement(this, kPlacementKey);
    Window::Closing();
}

void ArchiveBrowser::Resized()
{
    Window::Resized();
    if (!outerSplitter) return;
    outerSplitter->FillParent();
    FitListsSplitter();
}

void ArchiveBrowser::FitListsSplitter()
{
    listsSplitter->SetSplitPos(s32(activeList->GetContentHeight()));
}

int ArchiveBrowser::KeyEvent(Event* event)
{
    if (event->Action() != 1 || !(event->KeyModifiers() & MOD_CTRL_A)) return 0;
    switch (event->Key()) {
    case 'D': DuplicateSelected(); return 1;
    case 'I': GetInfo(); return 1;
    case 'K': CopySelectedToLocal(); return 1;
    case 'O': OpenSelected(); return 1;
    case 'T': ToggleHiddenGroups(); return 1;
    }
    return 0;
}

void ArchiveBrowser::ConnectSelection(bool on)
{
    if (on) {
        if (!activeList->selectionChanged.IsConnected(this))
            activeList->selectionChanged.Connect<&ArchiveBrowser::OnSelectionChanged>(this);
    } else {
        activeList->selectionChanged.Disconnect(this);
    }
}

void ArchiveBrowser::OnSelectionChanged() { RebuildTagTree(); }

// ---- archive lists ----

ListItem* ArchiveBrowser::FindArchiveItem(ListWindow* list, const void* userData) const
{
    for (ListItem* i = list->GetFirstItem(); i; i = i->next)
        if (i->userData == userData) return i;
    return nullptr;
}

void ArchiveBrowser::SelectedArchives(ListWindow* list, DynArray<Archive*>* out)
{
    ScopedDynArray<void*> data;
    list->GetSelection(nullptr, &data);
    for (void* d : data)
        if (d && !IsPseudo(d)) out->Push(static_cast<Archive*>(d));
}

void ArchiveBrowser::AddPseudoEntries()
{
    // Each goes first, so the last inserted stands at the top.
    activeList->InsertItem(nullptr, 0, LIF_TEXT | LIF_INSERTFIRST, reinterpret_cast<void*>(kBrowserLocal), "local");
    activeList->InsertItem(nullptr, 0, LIF_TEXT | LIF_INSERTFIRST, reinterpret_cast<void*>(kBrowserFoundation),
                           "foundation");
    activeList->InsertItem(nullptr, 0, LIF_TEXT | LIF_INSERTFIRST, reinterpret_cast<void*>(kBrowserCombined),
                           "combined");
}

void ArchiveBrowser::FillArchiveLists(Archive* select)
{
    activeList->ClearItems();
    inactiveList->ClearItems();
    for (u32 i = 0; i < GetArchiveCount(); ++i) {
        Archive* a = GetArchive(i);
        ListWindow* list = IsArchiveActive(a) ? activeList : inactiveList;
        list->InsertItem(nullptr, 0, LIF_TEXT, a, GetArchiveName(a));
    }
    AddPseudoEntries();
    ListItem* item = select ? FindArchiveItem(activeList, select) : nullptr;
    if (!item && select && (item = FindArchiveItem(inactiveList, select)) != nullptr) {
        inactiveList->SelectItem(item, 0);
        item = nullptr;
    }
    if (!item) item = FindArchiveItem(activeList, reinterpret_cast<void*>(kBrowserCombined));
    activeList->SelectItem(item, 0);
    inactiveList->Sort();
    activeList->UpdateScrollRange();
    inactiveList->UpdateScrollRange();
    FitListsSplitter();
}

void ArchiveBrowser::ApplyArchiveLists()
{
    ScopedDynArray<Archive*> set;
    for (ListItem* i = activeList->GetFirstItem(); i; i = i->next)
        if (i->userData && !IsPseudo(i->userData)) set.Push(static_cast<Archive*>(i->userData));
    SetActiveArchives(set);
    ScopedDynArray<Archive*> active;
    ListActiveArchives(&active);
    SaveWorkingSet(kWorkingSetKey, active);
    RebuildTagTree();
    FitListsSplitter();
}

void ArchiveBrowser::RestoreWorkingSet()
{
    ConnectSelection(false);
    ScopedDynArray<Archive*> found;
    if (LoadWorkingSet(kWorkingSetKey, &found)) SetActiveArchives(found);
    else ActivateDefaultArchives();
    FillArchiveLists(nullptr);
    ApplyArchiveLists();
    ConnectSelection(true);
}

void ArchiveBrowser::UseDefaultWorkingSet()
{
    ConnectSelection(false);
    ActivateDefaultArchives();
    FillArchiveLists(nullptr);
    ApplyArchiveLists();
    ConnectSelection(true);
}

void ArchiveBrowser::AddArchives(const DynArray<String>& paths)
{
    ConnectSelection(false);
    adding = 1;
    ScopedDynArray<Archive*> set;
    ListActiveArchives(&set);
    for (const String& p : paths)
        if (Archive* a = OpenArchive(p.c_str())) set.Push(a);
    SetActiveArchives(set);
    FillArchiveLists(nullptr);
    ApplyArchiveLists();
    adding = 0;
    ConnectSelection(true);
}

void ArchiveBrowser::RefreshArchiveLists()
{
    // The entry the user looks at stays selected when it is still there.
    ListItem* current = activeList->GetCurrentItem();
    void* keep = current ? current->userData : nullptr;
    ConnectSelection(false);
    FillArchiveLists(nullptr);
    if (keep) {
        ListItem* again = FindArchiveItem(activeList, keep);
        if (again) activeList->SelectItem(again, 0);
    }
    ConnectSelection(true);
    RebuildTagTree();
}

void ArchiveBrowser::MoveSelectedArchives(ListWindow* from)
{
    if (from != activeList && from != inactiveList) return;
    ScopedDynArray<Archive*> moving;
    SelectedArchives(from, &moving);
    if (!moving.count) return;
    ScopedDynArray<void*> keptSelection;
    activeList->GetSelection(nullptr, &keptSelection);

    ScopedDynArray<Archive*> set;
    for (ListItem* i = activeList->GetFirstItem(); i; i = i->next)
        if (i->userData && !IsPseudo(i->userData)) {
            bool moved = false;
            for (Archive* a : moving) moved |= a == i->userData;
            if (!moved) set.Push(static_cast<Archive*>(i->userData));
        }
    if (from == inactiveList)
        for (Archive* a : moving) set.Push(a);

    ConnectSelection(false);
    SetActiveArchives(set);
    FillArchiveLists(nullptr);
    // The active list keeps what was selected there and gains the arrivals; the inactive list
    // selects what arrived in it.
    activeList->DeselectAllExcept(nullptr);
    for (void* d : keptSelection)
        if (ListItem* i = FindArchiveItem(activeList, d)) activeList->SelectItem(i, 1);
    ListWindow* to = from == activeList ? inactiveList : activeList;
    for (Archive* a : moving)
        if (ListItem* i = FindArchiveItem(to, a)) to->SelectItem(i, 1);
    if (!activeList->GetCurrentItem())
        activeList->SelectItem(FindArchiveItem(activeList, reinterpret_cast<void*>(kBrowserCombined)), 0);
    inactiveList->Sort();
    ApplyArchiveLists();
    ConnectSelection(true);
}

// ---- events ----

void ArchiveBrowser::OnCodexEvent(Archive* archive, TagEntry* entry, u32 event)
{
    switch (event) {
    case kCodexNewLocalTag:
    case kCodexLocalCopyChanged:
        if (entry) OnTagChanged(entry);
        break;
    case kCodexLocalTagRemoved:
        if (entry) {
            RemoveTag(entry);
            tagTree->UpdateScrollRange();
            tagTree->Invalidate(0);
        }
        break;
    case kCodexArchiveOpened:
        if (archive && !adding) RefreshArchiveLists();
        break;
    case kCodexArchiveClosing:
        if (archive) OnArchiveClosing(archive);
        break;
    default: break;
    }
}

void ArchiveBrowser::OnArchiveClosing(Archive* archive)
{
    // The copies go after this call and with them perhaps their entries: nothing may point
    // at them any more. The tree is filled again at the next tick, from what is left.
    for (const TagInstance& copy : archive->instances)
        if (copy.entry) RemoveTag(copy.entry);
    for (ListWindow* list : {activeList, inactiveList})
        if (ListItem* item = FindArchiveItem(list, archive)) list->DeleteItem(item);
    if (!activeList->GetCurrentItem()) {
        ConnectSelection(false);
        activeList->SelectItem(FindArchiveItem(activeList, reinterpret_cast<void*>(kBrowserCombined)), 0);
        ConnectSelection(true);
    }
    rebuildPending = 1;
}

void ArchiveBrowser::Tick()
{
    Window::Tick();
    if (rebuildPending) {
        rebuildPending = 0;
        RebuildTagTree();
    }
    SortPendingNodes();
}

// ---- the one browser ----

ArchiveBrowser* GetArchiveBrowser() { return gBrowser; }

ArchiveBrowser* ShowArchiveBrowser()
{
    if (!gBrowser) {
        if (!WindowSystem::GetLayerRoot(0)) return nullptr;
        gBrowser = new ArchiveBrowser();
    }
    ArchiveBrowser* browser = gBrowser;
    PollLocalFolder(true);
    if (gBrowser != browser) return gBrowser;
    browser->SetCollapsed(0);
    browser->BringToFront();
    Window::SetFocus(browser, FOCUS_PROGRAM);
    return browser;
}

void CloseArchiveBrowser()
{
    ArchiveBrowser* browser = gBrowser;
    if (!browser) return;
    gBrowser = nullptr;
    // The window is deleted later; its rows and list items must not outlive the entries and
    // archives they point at meanwhile.
    browser->Close();
    browser->ForgetTags();
}

void EnableArchiveBrowserListener(bool on) { SetCodexListener(&BrowserListener, nullptr, on); }

void AddArchives(const DynArray<String>& paths)
{
    if (gBrowser) gBrowser->AddArchives(paths);
}
