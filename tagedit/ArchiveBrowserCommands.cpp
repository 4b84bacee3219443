// The archive browser's commands: the archive menu, the tree menu, the Ctrl shortcuts and
// what activating a row does.
//
// A command that can run a modal loop (a message box, an editor's load failure) collects its
// tags by group and id first and looks each one up again before it touches it: a loop runs
// the main loop's step, whose poll may remove rows and free entries meanwhile.
#include <cstring>

#include "codex/Archive.h"
#include "codex/TagFiles.h"
#include "foundation/Log.h"
#include "foundation/StringUtil.h"
#include "gui/MessageBox.h"
#include "gui/WindowSystem.h"
#include "platform/FileDialogs.h"
#include "tagedit/ArchiveBrowser.h"
#include "tagedit/TagEdit.h"
#include "tagedit/TagInfoWindow.h"

namespace {

BrowserOpenHook gOpenHook;
BrowserInfoHook gInfoHook;

u64 TagKey(u32 group, u32 tag) { return u64(group) << 32 | tag; }
u32 KeyGroup(u64 key) { return u32(key >> 32); }
u32 KeyTag(u64 key) { return u32(key); }

bool IsTagRowItem(const ListItem* item) { return item && item->icon == kTagRowItemId && item->userData; }

void OpenTag(TagEntry* entry)
{
    if (gOpenHook) gOpenHook(entry);
    else OpenTagEditor(entry);
}

}  // namespace

void SetBrowserOpenHook(BrowserOpenHook hook) { gOpenHook = hook; }
void SetBrowserInfoHook(BrowserInfoHook hook) { gInfoHook = hook; }

void ArchiveBrowser::SelectedTagKeys(DynArray<u64>* out)
{
    ScopedDynArray<ListItem*> items;
    tagTree->GetSelection(&items, nullptr);
    for (ListItem* item : items)
        if (IsTagRowItem(item)) {
            const TagRow* row = static_cast<const TagRow*>(item->userData);
            out->Push(TagKey(row->entry->group, row->entry->tag));
        }
}

void ArchiveBrowser::OnItemActivated(ListItem* item)
{
    if (!IsTagRowItem(item)) return;
    TagRow* row = static_cast<TagRow*>(item->userData);
    if (!row->disabled) OpenTag(row->entry);
}

void ArchiveBrowser::OpenSelected()
{
    ScopedDynArray<u64> keys;
    SelectedTagKeys(&keys);
    for (u64 k : keys) {
        if (GetArchiveBrowser() != this) return;
        TagRow* row = FindRow(KeyGroup(k), KeyTag(k));
        if (row && !row->disabled) OpenTag(row->entry);
    }
}

void ArchiveBrowser::GetInfo()
{
    ScopedDynArray<u64> keys;
    SelectedTagKeys(&keys);
    for (u64 k : keys) {
        if (GetArchiveBrowser() != this) return;
        TagEntry* entry = FindTag(KeyGroup(k), KeyTag(k));
        if (!entry) continue;
        if (void* open = FindTagAttachment(entry, kAttachInfo)) {
            Window* w = static_cast<Window*>(open);
            w->SetCollapsed(0);
            w->BringToFront();
            Window::SetFocus(w, FOCUS_PROGRAM);
            return;
        }
        if (gInfoHook) gInfoHook(entry);
        else OpenTagInfoWindow(entry);
    }
}

void ArchiveBrowser::CopySelectedToLocal()
{
    ScopedDynArray<u64> keys;
    SelectedTagKeys(&keys);
    for (u64 k : keys) {
        TagEntry* entry = FindTag(KeyGroup(k), KeyTag(k));
        if (!entry || HasLocalCopy(entry)) continue;
        if (!ExtractTagToLocal(entry)) {
            TagHeader h;
            GetTagHeader(entry, &h);
            LogMessage(1, "Codex", "couldn't copy '%s' to the local folder", h.name);
        }
    }
}

void ArchiveBrowser::DuplicateSelected()
{
    ScopedDynArray<ListItem*> items;
    tagTree->GetSelection(&items, nullptr);
    if (items.count == 1) {
        if (!IsTagRowItem(items[0])) return;
        const TagRow* row = static_cast<const TagRow*>(items[0]->userData);
        u32 group = row->entry->group, tag = row->entry->tag;
        String name = FormatString("%s copy", row->header.name);
        if (ShowInputBox("Enter Name for Duplicate Tag", &name, "OK", "Cancel", nullptr) != 0) return;
        TagEntry* entry = FindTag(group, tag);
        if (entry && !DuplicateTag(entry, name.c_str()))
            LogMessage(1, "Codex", "couldn't duplicate the tag as '%s'", name.c_str());
        return;
    }
    ScopedDynArray<u64> keys;
    SelectedTagKeys(&keys);
    for (u64 k : keys)
        if (TagEntry* entry = FindTag(KeyGroup(k), KeyTag(k))) {
            if (!DuplicateTag(entry, nullptr)) LogMessage(1, "Codex", "couldn't duplicate a tag");
        }
}

void ArchiveBrowser::DeleteSelected()
{
    struct Doomed {
        u64 key;
        char name[32];
    };
    ScopedDynArray<u64> keys;
    SelectedTagKeys(&keys);
    ScopedDynArray<Doomed> doomed;
    for (u64 k : keys) {
        TagEntry* entry = FindTag(KeyGroup(k), KeyTag(k));
        if (!entry || !HasLocalCopy(entry)) continue;
        Doomed d = {k, {}};
        TagHeader h;
        GetTagHeader(entry, &h);
        StrLCpy(d.name, h.name, sizeof d.name);
        doomed.Push(d);
    }
    if (!doomed.count) return;
    String question = doomed.count == 1
                          ? FormatString("Are you sure you want to delete '%s'?", doomed[0].name)
                          : FormatString("Are you sure you want to delete %u tags?", doomed.count);
    if (ShowMessageBox("Confirm Deletion", question.c_str(), "Delete", "Don't Delete", nullptr) != 0) return;
    for (const Doomed& d : doomed) {
        TagEntry* entry = FindTagEntry(KeyGroup(d.key), KeyTag(d.key));
        if (!entry || !HasLocalCopy(entry)) continue;  // gone meanwhile
        if (GetTagAttachmentCount(entry)) {
            String text = FormatString("'%s' is still being used by Tavik.", d.name);
            ShowMessageBox("Can't delete tag.", text.c_str(), "OK", nullptr);
        } else if (!DeleteLocalTag(entry)) {
            String text = FormatString("Couldn't delete '%s'. It might be locked, or in use by another program.", d.name);
            ShowMessageBox("Error", text.c_str(), "OK", nullptr);
        }
    }
}

void ArchiveBrowser::ToggleHiddenGroups()
{
    showHiddenGroups = !showHiddenGroups;
    RebuildTagTree();
}

void ArchiveBrowser::DisassembleSelectedArchive(ListWindow* from)
{
    ScopedDynArray<Archive*> archives;
    SelectedArchives(from, &archives);
    if (archives.count != 1) return;
    String path = archives[0]->path;
    String folder;
    if (!ChooseFolderDialog("Choose Destination Folder", &folder, nullptr, kFileKindAny, nullptr)) return;
    // Looked up again: the archive may have been unloaded while the dialog was open.
    Archive* archive = FindArchiveByPath(path.c_str());
    if (!archive) return;
    u32 written = 0;
    u32 failed = ExtractArchiveTags(archive, folder.c_str(), &written);
    if (failed) ShowErrorBox("%u of the archive's tags could not be written to '%s'.", failed, folder.c_str());
}

// ---- menus ----

void ArchiveBrowser::OnActiveContext(Point p) { OpenArchiveMenu(activeList, p); }
void ArchiveBrowser::OnInactiveContext(Point p) { OpenArchiveMenu(inactiveList, p); }
void ArchiveBrowser::OnTreeContext(Point p) { OpenTreeMenu(p); }
void ArchiveBrowser::OnDeleteRequested() { DeleteSelected(); }

void ArchiveBrowser::OpenArchiveMenu(ListWindow* list, Point screenPoint)
{
    ScopedDynArray<Archive*> archives;
    SelectedArchives(list, &archives);
    Menu* menu = new Menu(0);
    menu->AddItem("Default Working Set", nullptr, kBrowserDefaultWorkingSet, 1);
    menu->AddItem(list == activeList ? "Deactivate Selection" : "Activate Selection", nullptr, kBrowserMoveSelection,
                  archives.count >= 1);
    menu->AddItem("Disassemble Archive", nullptr, kBrowserDisassemble, archives.count == 1);
    s32 id = menu->Popup(screenPoint);
    menu->Close();
    if (id >= 0 && GetArchiveBrowser() == this) RunArchiveMenuCommand(list, id);
}

void ArchiveBrowser::RunArchiveMenuCommand(ListWindow* list, s32 id)
{
    switch (id) {
    case kBrowserDefaultWorkingSet: UseDefaultWorkingSet(); break;
    case kBrowserMoveSelection: MoveSelectedArchives(list); break;
    case kBrowserDisassemble: DisassembleSelectedArchive(list); break;
    default: break;
    }
}

void ArchiveBrowser::OpenTreeMenu(Point screenPoint)
{
    ScopedDynArray<u64> keys;
    SelectedTagKeys(&keys);
    int any = keys.count >= 1;
    Menu* menu = new Menu(0);
    menu->AddItem("Open (enter)", nullptr, kBrowserOpen, any);
    menu->AddItem("Get Info (cmd-I)", nullptr, kBrowserGetInfo, any);
    menu->AddItem("Copy To Local (cmd-K)", nullptr, kBrowserCopyToLocal, any);
    menu->AddItem("Duplicate (cmd-D)", nullptr, kBrowserDuplicate, any);
    menu->AddItem("Delete (del)", nullptr, kBrowserDelete, any);
    menu->AddSeparator(nullptr);
    menu->AddItem("Toggle Hidden Groups (cmd-T)", nullptr, kBrowserToggleHidden, 1);
    s32 id = menu->Popup(screenPoint);
    menu->Close();
    if (id >= 0 && GetArchiveBrowser() == this) RunTreeMenuCommand(id);
}

void ArchiveBrowser::RunTreeMenuCommand(s32 id)
{
    switch (id) {
    case kBrowserOpen: OpenSelected(); break;
    case kBrowserGetInfo: GetInfo(); break;
    case kBrowserCopyToLocal: CopySelectedToLocal(); break;
    case kBrowserDuplicate: DuplicateSelected(); break;
    case kBrowserDelete: DeleteSelected(); break;
    case kBrowserToggleHidden: ToggleHiddenGroups(); break;
    default: break;
    }
}
