// The structure editor's member controls: one per "item" of a layout, bound to its member
// through a MemberChangeListener.
#include <tinyxml.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include "codex/Codex.h"
#include "codex/TagHeader.h"
#include "collection/Collection.h"
#include "collection/Sequence.h"
#include "gui/Button.h"
#include "gui/ComboBox.h"
#include "gui/TextBox.h"
#include "tagedit/MemberChangeListener.h"
#include "tagedit/StructCollections.h"
#include "tagedit/StructData.h"
#include "tagedit/StructDef.h"
#include "tagedit/StructEditor.h"
#include "tagedit/StructValues.h"
#include "tagedit/SubStructArrayEdit.h"

namespace {

u32 TypeOf(const StructMember* m)
{
    return static_cast<const VornStructMember*>(m)->typeCode;
}

bool IsCoreTagMember(const StructMember* m)
{
    return TypeOf(m) == kMemberTag && static_cast<const TagMember*>(m)->group == FourCC("core");
}

// A non-negative decimal attribute; `fallback` when absent or not a number.
u32 UnsignedAttribute(const TiXmlElement* e, const char* name, u32 fallback)
{
    const char* a = e->Attribute(name);
    if (!a || !*a) return fallback;
    char* end = nullptr;
    const unsigned long v = strtoul(a, &end, 10);
    return (*end || a[0] == '-') ? fallback : u32(v > 0xFFFFFFFFul ? 0xFFFFFFFFul : v);
}

// What a number or integer field holds once the user has finished typing: a value, not an
// empty field or the "-" or "." of one half typed.
bool HoldsValue(const TextBox* box)
{
    String text;
    box->GetText(&text);
    const char* t = text.c_str();
    if (!*t || !strcmp(t, "-") || !strcmp(t, ".") || !strcmp(t, "-.")) return false;
    s32 i = 0;
    double d = 0;
    return box->GetKind() == TEXTKIND_INTEGER ? box->GetInt(&i) != 0 : box->GetFloat(&d) != 0;
}

// A member's number or integer field. Left without a value it shows the stored value again:
// the text box alone would put 0 there, and the listener would store it.
class MemberField : public TextBox {
public:
    MemberField(u32 style, MemberChangeListener* owner) : TextBox(style, nullptr), listener(owner) {}
    void FocusLost(Window* newFocus, u32 reason) override
    {
        if (!HoldsValue(this)) listener->ShowStoredValue();
        TextBox::FocusLost(newFocus, reason);
    }

private:
    MemberChangeListener* listener;
};

}  // namespace

MemberChangeListener::MemberChangeListener(StructEditor* owner, StructMember* m, u32 i, u32 b)
    : member(m), index(i), bit(b), editor(owner)
{
}

// Text that is no value (yet) changes nothing, and does not mark the tag modified.
void MemberChangeListener::OnIntChanged()
{
    TextBox* box = static_cast<TextBox*>(control);
    s32 v = 0;
    if (showing || !HoldsValue(box) || !box->GetInt(&v)) return;
    editor->EmitChanged();
    editor->WriteValue(member, v, index);
}

void MemberChangeListener::OnNumberChanged()
{
    TextBox* box = static_cast<TextBox*>(control);
    double v = 0;
    if (showing || !HoldsValue(box) || !box->GetFloat(&v)) return;
    editor->EmitChanged();
    editor->WriteValue(member, StoredValueForNumber(member, v), index);
}

void MemberChangeListener::ShowStoredValue()
{
    TextBox* box = static_cast<TextBox*>(control);
    if (!box) return;
    // What is shown is rounded: read back, it could store another value than the one it shows.
    showing = 1;
    if (box->GetKind() == TEXTKIND_INTEGER)
        box->SetInt(editor->ReadSigned(member, index));
    else
        box->SetText(ShownNumberText(ScopedDisplayValue(editor->GetScope(), member, index)).c_str());
    showing = 0;
}

void MemberChangeListener::OnCheckChanged()
{
    editor->EmitChanged();
    u32 value = u32(editor->ReadSigned(member, 0));
    const u32 mask = 1u << (bit & 31);
    if (static_cast<CheckBox*>(control)->IsChecked())
        value |= mask;
    else
        value &= ~mask;
    editor->WriteValue(member, s32(value), 0);
}

void MemberChangeListener::OnComboChanged(ListItem*, u32 data)
{
    editor->EmitChanged();
    editor->WriteValue(member, s32(data), index);
}

void MemberChangeListener::OnTagComboChanged(ListItem*, u32 data)
{
    editor->EmitChanged();
    editor->OnTagChanged(this, data);
}

void MemberChangeListener::OnSubStructButton()
{
    u8* element = editor->GetElementData(member, 0);
    if (!element) return;
    if (OpenSubStructEditor(member->nested, editor, element, control->GetTitle())) editor->EmitChanged();
}

Window* StructEditor::CreateItemWidget(const TiXmlElement* element)
{
    StructMember* member = FindMember(element->Attribute("target"));
    const u32 index = UnsignedAttribute(element, "index", 0);
    const bool hasBit = element->Attribute("bit") != nullptr;
    const u32 bit = UnsignedAttribute(element, "bit", 0);
    MemberChangeListener* listener = new MemberChangeListener(this, member, index, bit);
    listeners.Push(listener);
    if (!member) return nullptr;
    const u32 type = TypeOf(member);
    if (type == kMemberPadding || type == kMemberColor) return nullptr;
    // An element the member does not have gets no control (bit boxes always show element 0).
    if (!(hasBit && (type == kMemberLong || type == kMemberShort || type == kMemberByte)) && index >= member->count &&
        !(type == kMemberSubstruct))
        return nullptr;
    Window* control = nullptr;
    switch (type) {
    case kMemberSubstruct:
        control = CreateSubStructWidget(element, listener);
        break;
    case kMemberTag:
        control = CreateTagCombo(listener);
        break;
    case kMemberLong:
    case kMemberShort:
    case kMemberByte:
        control = hasBit ? CreateBitCheckBox(element, listener) : CreateIntField(listener);
        break;
    case kMemberShortEnum:
    case kMemberByteEnum:
        control = CreateEnumCombo(listener);
        break;
    case kMemberSequenceIndex:
        control = CreateSequenceCombo(element, listener);
        break;
    default:
        control = CreateNumberField(listener);
        break;
    }
    listener->control = control;
    return control;
}

// Integer fields take eleven characters, the whole 32-bit range a shown value is held in.
Window* StructEditor::CreateIntField(MemberChangeListener* listener)
{
    TextBox* box = new MemberField(2, listener);
    box->SetFlags(box->GetFlags() | 0x100);
    box->SetSize(64, box->GetLineHeight() + 4);
    listener->control = box;
    listener->ShowStoredValue();
    box->textChanged.Connect<&MemberChangeListener::OnIntChanged>(listener);
    return box;
}

Window* StructEditor::CreateNumberField(MemberChangeListener* listener)
{
    TextBox* box = new MemberField(3, listener);
    box->SetFlags(box->GetFlags() | 0x100);
    box->SetSize(64, box->GetLineHeight() + 4);
    box->SetMaxLength(NumberFieldLength(listener->member));
    listener->control = box;
    listener->ShowStoredValue();
    box->textChanged.Connect<&MemberChangeListener::OnNumberChanged>(listener);
    return box;
}

Window* StructEditor::CreateBitCheckBox(const TiXmlElement* element, MemberChangeListener* listener)
{
    CheckBox* box = new CheckBox(nullptr, 0);
    const char* text = element->Attribute("text");
    box->SetTitle(text ? text : "");
    box->SizeToFit();
    const u32 value = u32(ReadSigned(listener->member, 0));
    if ((value >> (listener->bit & 31)) & 1) box->SetState(BUTTON_ON, 1);
    box->clicked.Connect<&MemberChangeListener::OnCheckChanged>(listener);
    return box;
}

Window* StructEditor::CreateEnumCombo(MemberChangeListener* listener)
{
    ComboBox* combo = new ComboBox(nullptr, COMBO_EDITABLE);
    const EnumMember* e = static_cast<const EnumMember*>(listener->member);
    for (const EnumItem& item : e->items) combo->AddItem(u32(item.value), item.text.c_str(), 0);
    if (combo->GetTopItem()) combo->SelectItem(combo->GetTopItem());
    combo->SetVisibleRows(16, 1);
    const s32 value = ReadSigned(listener->member, listener->index);
    bool found = false;
    for (const EnumItem& item : e->items) found = found || item.value == value;
    if (found)
        combo->SelectByData(u32(value));
    else if (value == -1)
        combo->SelectByData(0);
    combo->selectionChanged.Connect<&MemberChangeListener::OnComboChanged>(listener);
    return combo;
}

void FillTagCombo(ComboBox* combo, u32 group)
{
    DynArray<TagEntry*> tags = {};
    ListGroupTags(group, &tags);
    for (TagEntry* t : tags) {
        if (!TagExists(t)) continue;
        TagHeader h;
        GetTagHeader(t, &h);
        combo->AddItem(t->tag, h.name, 0);
    }
    tags.Free();
    combo->SortItems();
    combo->SelectItem(combo->AddItem(0xFFFFFFFF, "<no tag>", 1));
    combo->SetVisibleRows(16, 1);
}

Window* StructEditor::CreateTagCombo(MemberChangeListener* listener)
{
    ComboBox* combo = new ComboBox(nullptr, COMBO_EDITABLE);
    FillTagCombo(combo, static_cast<const TagMember*>(listener->member)->group);
    const u8* p = ScopedElementPointer(&scope, listener->member, listener->index);
    u32 raw = 0xFFFFFFFF;
    if (p) memcpy(&raw, p, 4);
    combo->SelectByData(raw);
    combo->selectionChanged.Connect<&MemberChangeListener::OnTagComboChanged>(listener);
    return combo;
}

void FillSequenceCombo(ComboBox* combo, const Collection* collection)
{
    if (collection) {
        for (u32 i = 0; i < collection->GetSequenceCount(); ++i) {
            const Sequence* s = collection->GetSequence(i);
            if (s) combo->AddItem(i, s->name, 0);
        }
        combo->SortItems();
    }
    combo->SelectItem(combo->AddItem(0xFFFFFFFF, "<no sequence>", 1));
    combo->SetVisibleRows(16, 1);
}

Collection* StructEditor::LoadReferencedCollection(const StructMember* member, u32 i, u32* heldId, bool* held)
{
    *held = false;
    if (!member) return nullptr;
    u32 id = u32(ReadSigned(member, i));
    if (IsCoreTagMember(member)) id = ResolveCoreCollection(id);
    Collection* c = AcquireCollection(id);
    // A tag that was found but could not be read holds a reference too: record it so that it
    // is given back.
    if (IsCollectionCached(id)) {
        AddCollectionReference(id);
        *heldId = id;
        *held = true;
    }
    return c;
}

Window* StructEditor::CreateSequenceCombo(const TiXmlElement* element, MemberChangeListener* listener)
{
    listener->tagMember = FindMember(element->Attribute("tag"));
    bool held = false;
    Collection* c = LoadReferencedCollection(listener->tagMember, 0, &listener->heldCollection, &held);
    listener->holdsCollection = held;
    ComboBox* combo = new ComboBox(nullptr, COMBO_EDITABLE);
    FillSequenceCombo(combo, c);
    const s32 value = ReadSigned(listener->member, listener->index);
    // A stored 0xFFFF reads as -1 and picks "<no sequence>".
    combo->SelectByData(u32(value));
    combo->selectionChanged.Connect<&MemberChangeListener::OnComboChanged>(listener);
    return combo;
}

void StructEditor::OnTagChanged(MemberChangeListener* listener, u32 newId)
{
    StructMember* member = listener->member;
    WriteValue(member, s32(newId), listener->index);
    u32 probeId = 0;
    bool probeHeld = false;
    Collection* c = LoadReferencedCollection(member, 0, &probeId, &probeHeld);
    if (!c) {
        if (probeHeld) ReleaseCollectionReference(probeId);
        return;
    }
    for (MemberChangeListener* l : listeners) {
        if (l->tagMember != member || !l->control) continue;
        WriteValue(l->member, -1, l->index);
        ComboBox* combo = static_cast<ComboBox*>(l->control);
        combo->Clear();
        if (l->holdsCollection) ReleaseCollectionReference(l->heldCollection);
        // Each picker holds its own reference to the collection it lists.
        bool held = false;
        Collection* mine = LoadReferencedCollection(member, 0, &l->heldCollection, &held);
        l->holdsCollection = held;
        FillSequenceCombo(combo, mine);
    }
    ReleaseCollectionReference(probeId);
}

Window* StructEditor::CreateSubStructWidget(const TiXmlElement* element, MemberChangeListener* listener)
{
    StructMember* member = listener->member;
    if (!member->nested) return nullptr;
    StructMember* runtimeCount = FindMember(static_cast<VornStructMember*>(member)->runtimeCount);
    if (member->count == 1 && !runtimeCount) {
        Button* button = new Button(nullptr, 0);
        const char* text = element->Attribute("text");
        button->SetTitle(text ? text : "");
        button->SizeToFit();
        button->clicked.Connect<&MemberChangeListener::OnSubStructButton>(listener);
        return button;
    }
    return new SubStructArrayEdit(this, member, runtimeCount, element->Attribute("text_target"));
}
