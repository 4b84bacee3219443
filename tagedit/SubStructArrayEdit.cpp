#include "tagedit/SubStructArrayEdit.h"
#include <cstdio>
#include <cstring>
#include "codex/Codex.h"
#include "codex/TagHeader.h"
#include "collection/Collection.h"
#include "collection/Sequence.h"
#include "gui/Button.h"
#include "gui/ListWindow.h"
#include "tagedit/StructCollections.h"
#include "tagedit/StructData.h"
#include "tagedit/StructDef.h"
#include "tagedit/StructEditor.h"

namespace {

u32 TypeOf(const StructMember* m)
{
    return static_cast<const VornStructMember*>(m)->typeCode;
}

}  // namespace

SubStructArrayEdit::SubStructArrayEdit(StructEditor* editor, StructMember* member, StructMember* runtimeCount,
                                       const char* textMemberName)
    : Window(WF_VISIBLE, nullptr)
{
    owner = editor;
    arrayMember = member;
    runtimeCountMember = runtimeCount;
    elementDefinition = member->nested;
    textMember = elementDefinition ? elementDefinition->FindMember(textMemberName) : nullptr;
    list = new ListWindow(0, 0x113, this);
    addButton = new Button(this, 0);
    addButton->SetTitle("Add");
    addButton->SizeToFit();
    deleteButton = new Button(this, 1);
    deleteButton->SetTitle("Delete");
    deleteButton->SizeToFit();
    duplicateButton = new Button(this, 2);
    duplicateButton->SetTitle("Duplicate");
    duplicateButton->SizeToFit();
    const s32 buttons = addButton->GetFrameSize().width + deleteButton->GetFrameSize().width +
                        duplicateButton->GetFrameSize().width;
    list->SetFrameXYWH(0, 0, buttons + 16, 144);
    SetSize(buttons + 16, addButton->GetFrameSize().height + 152);
    addButton->MoveTo(0, 152);
    deleteButton->MoveTo(addButton->GetFrameSize().width + 8, 152);
    duplicateButton->MoveTo(addButton->GetFrameSize().width + 8 + deleteButton->GetFrameSize().width + 8, 152);
    addButton->clicked.Connect<&SubStructArrayEdit::OnAdd>(this);
    duplicateButton->clicked.Connect<&SubStructArrayEdit::OnDuplicate>(this);
    deleteButton->clicked.Connect<&SubStructArrayEdit::DeleteSelected>(this);
    list->deleteRequested.Connect<&SubStructArrayEdit::DeleteSelected>(this);
    list->itemActivated.Connect<&SubStructArrayEdit::EditElement>(this);
    list->selectionChanged.Connect<&SubStructArrayEdit::OnSelectionChanged>(this);
    Refresh();
}

const char* SubStructArrayEdit::GetClassName() const
{
    return "SubStructArrayEdit";
}

FocusAnswer SubStructArrayEdit::FocusGained(Window*, u32 reason)
{
    return Window::SetFocus(list, reason);
}

u32 SubStructArrayEdit::CountInUse() const
{
    const u32 declared = arrayMember->count;
    if (!runtimeCountMember) return declared;
    const s32 n = owner->ReadSigned(runtimeCountMember, 0);
    return n < 0 ? 0 : u32(n) > declared ? declared : u32(n);
}

u8* SubStructArrayEdit::Element(u32 i) const
{
    return owner->GetElementData(arrayMember, i);
}

void SubStructArrayEdit::Refresh()
{
    list->Clear();
    const u32 count = CountInUse();
    if (textMember && elementDefinition) {
        const u32 type = TypeOf(textMember);
        if (type == kMemberTag) {
            const u32 group = static_cast<const TagMember*>(textMember)->group;
            for (u32 i = 0; i < count; ++i) {
                StructData element(elementDefinition, Element(i));
                TagEntry* tag = FindTag(group, element.GetMemberInt(textMember));
                if (!tag || !TagExists(tag)) continue;
                TagHeader h;
                GetTagHeader(tag, &h);
                list->AddItem(nullptr, 0, LIF_TEXT, reinterpret_cast<void*>(uintptr_t(i)), h.name);
            }
        } else if (type == kMemberSequenceIndex) {
            StructMember* collectionMember = owner->FindMember("collection");
            Collection* c = nullptr;
            u32 held = 0;
            bool holds = false;
            if (collectionMember && TypeOf(collectionMember) == kMemberTag)
                c = owner->LoadReferencedCollection(collectionMember, 0, &held, &holds);
            for (u32 i = 0; i < count; ++i) {
                StructData element(elementDefinition, Element(i));
                const u32 seq = element.GetMemberInt(textMember);
                const Sequence* s = c ? c->GetSequence(seq) : nullptr;
                char name[80];
                if (s)
                    snprintf(name, sizeof name, "%s", s->name);
                else
                    snprintf(name, sizeof name, "Sequence #%u", i + 1);
                list->AddItem(nullptr, 0, LIF_TEXT, reinterpret_cast<void*>(uintptr_t(i)), name);
            }
            // The rows are text now; the reference is not kept past the refill.
            if (holds) owner->ReleaseCollectionReference(held);
        }
    }
    UpdateButtons();
}

void SubStructArrayEdit::UpdateButtons()
{
    const u32 count = CountInUse();
    const u32 declared = arrayMember->count;
    addButton->SetFlags(runtimeCountMember ? addButton->GetFlags() | WF_VISIBLE : addButton->GetFlags() & ~WF_VISIBLE);
    addButton->SetEnabled(runtimeCountMember && count < declared);
    const bool selection = list->GetCurrentItem() != nullptr;
    deleteButton->SetEnabled(selection);
    duplicateButton->SetEnabled(selection && list->GetItemCount() < declared);
}

s32 SubStructArrayEdit::CurrentRowElement() const
{
    ListItem* item = list->GetCurrentItem();
    return item ? s32(uintptr_t(item->userData)) : -1;
}

void SubStructArrayEdit::OnAdd()
{
    AddElement(-1);
}

void SubStructArrayEdit::OnDuplicate()
{
    const s32 row = CurrentRowElement();
    if (row >= 0) AddElement(row);
}

void SubStructArrayEdit::AddElement(s32 source)
{
    const u32 n = CountInUse();
    const u32 declared = arrayMember->count;
    if (n >= declared || !elementDefinition) return;
    if (runtimeCountMember) owner->WriteValue(runtimeCountMember, s32(n + 1), 0);
    const u32 size = elementDefinition->GetSize();
    if (source >= 0 && u32(source) < declared && size) memmove(Element(n), Element(u32(source)), size);
    char title[96];
    snprintf(title, sizeof title, "%s #%u", elementDefinition->GetName(), n + 1);
    if (OpenSubStructEditor(elementDefinition, owner, Element(n), title)) {
        owner->EmitChanged();
        Refresh();
    } else if (runtimeCountMember) {
        owner->WriteValue(runtimeCountMember, s32(n), 0);
    }
}

void SubStructArrayEdit::DeleteSelected()
{
    const s32 row = CurrentRowElement();
    const u32 n = CountInUse();
    if (row < 0 || u32(row) >= n || !elementDefinition) return;
    const u32 size = elementDefinition->GetSize();
    const u32 i = u32(row);
    if (size && i + 1 < n) memmove(Element(i), Element(i + 1), u64(n - i - 1) * size);
    const u32 now = n ? n - 1 : 0;
    if (runtimeCountMember) owner->WriteValue(runtimeCountMember, s32(now), 0);
    if (size && now < arrayMember->count) memset(Element(now), 0, u64(arrayMember->count - now) * size);
    owner->EmitChanged();
    Refresh();
}

void SubStructArrayEdit::EditElement(ListItem* item)
{
    if (!item || !elementDefinition) return;
    const u32 i = u32(uintptr_t(item->userData));
    if (i >= arrayMember->count) return;
    if (OpenSubStructEditor(elementDefinition, owner, Element(i), item->text)) owner->EmitChanged();
}

void SubStructArrayEdit::OnSelectionChanged()
{
    UpdateButtons();
}
