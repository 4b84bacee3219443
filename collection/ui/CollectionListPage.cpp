#include "collection/ui/CollectionListPage.h"

#include <cstdio>

#include "gui/Menu.h"
#include "gui/MessageBox.h"

CollectionListPage::CollectionListPage(const char* kind_, const char* newLabel_, u32 windowFlags, Window* parent)
    : ListWindow(LWS_MULTISELECT | LWS_DRAGREORDER, windowFlags, parent), kind(kind_), newLabel(newLabel_)
{
    contextRequested.Connect<&CollectionListPage::ShowContextMenu>(this);
}

void CollectionListPage::ShowContextMenu(Point screenPoint)
{
    u32 selected = GetSelectedCount();
    Menu* menu = new Menu(0);
    menu->AddItem("Rename", nullptr, kRename, selected == 1);
    menu->AddItem("Duplicate", nullptr, kDuplicate, selected == 1);
    menu->AddItem("Delete", nullptr, kDelete, selected >= 1);
    menu->AddSeparator(nullptr);
    menu->AddItem(newLabel, nullptr, kNew, 1);
    s32 id = menu->Popup(screenPoint);
    menu->Close();
    RunCommand(id);
}

void CollectionListPage::RunCommand(s32 id)
{
    switch (id) {
    case kRename: RenameSelected(); break;
    case kDuplicate: DuplicateSelected(); break;
    case kDelete: DeleteSelected(); break;
    case kNew: NewRecord(); break;
    default: break;
    }
}

void CollectionListPage::RebuildKeepingScroll()
{
    s32 pos = GetVScrollPos();
    Refresh();
    SetVScrollPos(pos);
}

void CollectionListPage::SelectRecord(const void* record)
{
    ListItem* item = FindItemByUserData(const_cast<void*>(record), nullptr);
    if (!item) return;
    SelectItem(item, 0);
    EnsureVisible(item);
}

bool CollectionListPage::ConfirmDeleteSelection(DynArray<void*>* records, const char* questionTitle)
{
    ScopedDynArray<ListItem*> items;
    GetSelection(&items, records);
    if (!records->count) return false;
    for (void* p : *records) {
        if (!IsRecordOpen(p)) continue;
        char text[256];
        snprintf(text, sizeof(text), "The %s \"%s\" is currently open. Please close it before deleting.", kind,
                 RecordName(p));
        ShowMessageBox("Error", text, "OK", nullptr);
        return false;
    }
    char question[128];
    snprintf(question, sizeof(question), "Are you sure you want to remove the selected %s%s?", kind,
             records->count == 1 ? "" : "s");
    return ShowMessageBox(questionTitle, question, "Delete", "Cancel", nullptr) == 0;
}
