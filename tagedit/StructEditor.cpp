#include "tagedit/StructEditor.h"
#include <tinyxml.h>
#include <cstring>
#include "foundation/Log.h"
#include "gui/Button.h"
#include "gui/TextBox.h"
#include "gui/WindowSystem.h"
#include "tagedit/MemberChangeListener.h"
#include "tagedit/StructCollections.h"
#include "tagedit/StructData.h"
#include "tagedit/StructDef.h"
#include "tagedit/Table.h"
#include "tagedit/XmlDefinitions.h"

namespace {

bool AttributeIs(const TiXmlElement* e, const char* name, const char* value)
{
    const char* a = e->Attribute(name);
    return a && strcmp(a, value) == 0;
}

// Both buttons and the gaps around them: OK at w - 208, Cancel at w - 104, each 96 wide.
constexpr s32 kMinButtonRowWidth = 216;

s32 LookupLayoutElement(const char* name)
{
    if (!name) return -1;
    if (!strcmp(name, "label")) return 0;
    if (!strcmp(name, "item")) return 1;
    if (!strcmp(name, "structedit")) return 2;
    return -1;
}

}  // namespace

StructEditor::StructEditor(StructDef* def) : Window(0, nullptr)
{
    definition = def;
    data = new StructData(def);
    scope = {data, nullptr};
}

StructEditor::StructEditor(StructDef* def, StructEditor* parent, u8* element) : Window(0, nullptr)
{
    definition = def;
    data = new StructData(def, element);
    parentEditor = parent;
    scope = {data, parent ? parent->GetScope() : nullptr};
    SaveBackup();
    BuildUI();
}

StructEditor::~StructEditor()
{
    for (u32 id : collectionIds) ReleaseCollection(id);
    collectionIds.Free();
    delete data;
    delete backup;
    listeners.DeleteAll();
    subDialogs.Free();
}

const char* StructEditor::GetClassName() const
{
    return "StructEditor";
}

StructEditor* StructEditor::GetTopEditor()
{
    StructEditor* e = this;
    while (e->parentEditor) e = e->parentEditor;
    return e;
}

void StructEditor::ReleaseCollectionReference(u32 id)
{
    const s32 at = collectionIds.IndexOf(id);
    if (at < 0) return;
    collectionIds.Remove(u32(at));
    ReleaseCollection(id);
}

void StructEditor::SaveBackup()
{
    if (!backup) backup = new StructData(definition);
    if (data->GetSize()) memcpy(backup->GetData(), data->GetData(), data->GetSize());
}

StructMember* StructEditor::FindMember(const char* name) const
{
    return FindScopedMember(&scope, name);
}

s32 StructEditor::ReadSigned(const StructMember* member, u32 i) const
{
    return ReadScopedSigned(&scope, member, i);
}

u32 StructEditor::ReadUnsigned(const StructMember* member, u32 i) const
{
    return ReadScopedUnsigned(&scope, member, i);
}

void StructEditor::WriteValue(const StructMember* member, s32 value, u32 i)
{
    WriteScopedValue(&scope, member, value, i);
}

u8* StructEditor::GetElementData(const StructMember* member, u32 i) const
{
    if (!member || !member->nested) return nullptr;
    return ScopedElementPointer(&scope, member, i);
}

int StructEditor::BuildUI()
{
    const TiXmlElement* layout = FindStructEditDefinition(definition->GetName());
    if (!layout) return 0;
    Table* table = CreateStructEditTable(layout);
    AddOkCancel(table);
    Window::SetFocus(ok, FOCUS_PROGRAM);
    ok->clicked.Connect<&StructEditor::OnOk>(this);
    cancel->clicked.Connect<&StructEditor::OnCancel>(this);
    table->SetParent(this);
    table->MoveTo(0, 0);
    const Size s = table->GetContentSize();
    SetContentSize(s.width, s.height);
    return 1;
}

void StructEditor::AddOkCancel(Table* table)
{
    const Size before = table->GetContentSize();
    // A layout narrower than the two buttons would put OK left of the dialog, out of reach.
    table->SetContentSize(before.width < kMinButtonRowWidth ? kMinButtonRowWidth : before.width, before.height + 32);
    ok = new Button(table, 2);
    ok->SetTitle("OK");
    ok->SizeToFit();
    ok->SetWidth(96);
    cancel = new Button(table, 1);
    cancel->SetTitle("Cancel");
    cancel->SizeToFit();
    cancel->SetWidth(96);
    const Size s = table->GetContentSize();
    ok->MoveTo(s.width - 208, s.height - 32);
    cancel->MoveTo(s.width - 104, s.height - 32);
    // OK and Cancel close the tab ring after the layout's controls.
    Window* first = table->firstFocusable;
    if (table->lastFocusable) Window::LinkTabOrder(table->lastFocusable, ok);
    Window::LinkTabOrder(ok, cancel);
    Window::LinkTabOrder(cancel, first ? first : ok);
    table->ok = ok;
    table->cancel = cancel;
}

Table* StructEditor::CreateStructEditTable(const TiXmlElement* element)
{
    Table* table = CreateTable(element);
    const char* caption = element->Attribute("caption");
    table->SetTitle(caption ? caption : "");
    table->ComputeLayout();
    table->PlaceCells();
    Table::BuildTabOrder(table, table, &table->firstFocusable, &table->lastFocusable);
    return table;
}

Table* StructEditor::CreateTable(const TiXmlElement* element)
{
    const char* layout = element->Attribute("layout");
    u32 align = 0;
    if (AttributeIs(element, "align", "right"))
        align = 1;
    else if (AttributeIs(element, "align", "center"))
        align = 2;
    Table* table = new Table(element->Attribute("text"), AttributeIs(element, "stretch", "true"), align);
    if (layout && !strcmp(layout, "horizontal")) {
        table->AddRow();
        for (const TiXmlElement* c = element->FirstChildElement(); c; c = c->NextSiblingElement())
            AddLayoutChild(c, table);
    } else if (layout && !strcmp(layout, "table")) {
        // The first child is a row whatever its name; then every "row" sibling.
        for (const TiXmlElement* row = element->FirstChildElement(); row;
             row = row->NextSiblingElement("row")) {
            table->AddRow();
            for (const TiXmlElement* c = row->FirstChildElement(); c; c = c->NextSiblingElement()) {
                if (!strcmp(c->Value(), "frame")) {
                    Table* sub = CreateTable(c);
                    const char* text = c->Attribute("text");
                    sub->SetTitle(text ? text : "");
                    table->AddSubTable(sub);
                } else if (Window* w = CreateLayoutElement(c)) {
                    table->AddCell(w);
                }
            }
        }
    } else {
        DynArray<Table*> frames = {};
        for (const TiXmlElement* c = element->FirstChildElement(); c; c = c->NextSiblingElement()) {
            table->AddRow();
            if (Table* sub = AddLayoutChild(c, table)) frames.Push(sub);
        }
        if (AttributeIs(element, "alignchildren", "true")) {
            u32 columns = 0;
            for (Table* t : frames)
                if (t->ColumnCount() > columns) columns = t->ColumnCount();
            for (u32 i = 0; i < columns; ++i) {
                u32 widest = 0;
                for (Table* t : frames)
                    if (i < t->ColumnCount() && t->ColumnWidth(i) > widest) widest = t->ColumnWidth(i);
                for (Table* t : frames)
                    if (i < t->ColumnCount()) t->SetColumnWidth(i, widest);
            }
        }
        frames.Free();
    }
    return table;
}

Table* StructEditor::AddLayoutChild(const TiXmlElement* element, Table* table)
{
    if (!strcmp(element->Value(), "frame")) {
        Table* sub = CreateTable(element);
        const char* text = element->Attribute("text");
        sub->SetTitle(text ? text : "");
        table->AddSubTable(sub);
        return sub;
    }
    if (Window* w = CreateLayoutElement(element)) table->AddCell(w);
    return nullptr;
}

Window* StructEditor::CreateLayoutElement(const TiXmlElement* element)
{
    switch (LookupLayoutElement(element->Value())) {
    case 0:
        return CreateLabelCell(element);
    case 1:
        return CreateItemWidget(element);
    case 2:
        return CreateSubDialogButton(CreateStructEditTable(element));
    default:
        return nullptr;
    }
}

Window* StructEditor::CreateLabelCell(const TiXmlElement* element)
{
    TextBox* label = CreateLabel(nullptr, nullptr);
    const char* text = element->Attribute("text");
    label->SetText(text ? text : "");
    Window* root = WindowSystem::GetLayerRoot(0);
    const s32 width = root ? root->GetTextWidth(0, text ? text : "", 0x106) : 0;
    label->SetSize(width + 1, 21);
    return label;
}

Window* StructEditor::CreateSubDialogButton(Table* table)
{
    Button* button = new Button(nullptr, subDialogs.count);
    button->SetTitle(table->GetTitle());
    button->SizeToFit();
    button->clickedWithId.Connect<&StructEditor::ShowSubDialog>(this);
    table->SetFlags((table->GetFlags() | 0x4AC) & ~WF_VISIBLE);
    subDialogs.Push(table);
    table->SetParent(this);
    return button;
}

void StructEditor::ShowSubDialog(s32 index)
{
    if (index < 0 || u32(index) >= subDialogs.count) return;
    Table* table = subDialogs[u32(index)];
    table->SetParent(WindowSystem::GetLayerRoot(0));
    table->CenterInParent();
    table->SetFlags(table->GetFlags() | WF_VISIBLE);
    WindowSystem::RunModal(table, 5, nullptr);
    table->SetFlags(table->GetFlags() & ~WF_VISIBLE);
    table->SetParent(this);
}

void StructEditor::OnOk()
{
    if (!parentEditor) return;
    if (WindowSystem::IsOnModalStack(this, 0)) WindowSystem::EndModal(this, 1);
    changed.Emit();
    TryClose(0);
}

void StructEditor::OnCancel()
{
    if (backup && data->GetSize()) memcpy(data->GetData(), backup->GetData(), data->GetSize());
    if (!parentEditor) return;
    if (WindowSystem::IsOnModalStack(this, 0)) WindowSystem::EndModal(this, 0);
    TryClose(0);
}

int OpenSubStructEditor(StructDef* def, StructEditor* parent, u8* element, const char* title)
{
    if (!def || !parent || !element) return 0;
    StructEditor* editor = new StructEditor(def, parent, element);
    if (!editor->IsBuilt()) {
        LogMessage(1, "Codex", "The struct \"%s\" has no structedit layout; it cannot be opened.", def->GetName());
        editor->SetParent(WindowSystem::GetLayerRoot(1));
        editor->Close();
        return 0;
    }
    editor->SetParent(WindowSystem::GetLayerRoot(1));
    editor->CenterInParent();
    editor->SetTitle(title ? title : "");
    editor->SetFlags(editor->GetFlags() | 0x402AF);
    // The content size was set before the frame flags: keep it.
    const Size s = editor->GetFirstChild() ? editor->GetFirstChild()->GetContentSize() : Size{0, 0};
    editor->SetContentSize(s.width, s.height);
    editor->CenterInParent();
    const u64 result = WindowSystem::RunModal(editor, 4, nullptr);
    return result == 1 ? 1 : 0;
}
