#include "tagedit/TagStructEdit.h"
#include <cstring>
#include "codex/TagGroups.h"
#include "gui/Button.h"
#include "tagedit/StructData.h"
#include "tagedit/StructDef.h"
#include "tagedit/StructEditor.h"
#include "tagedit/XmlDefinitions.h"

TagStructEdit::TagStructEdit(TagEntry* tag) : TagEdit(tag)
{
    editor = nullptr;
}

void TagStructEdit::Resized()
{
    TagEdit::Resized();
    if (editor) editor->FillParent();
}

int TagStructEdit::ReadTagData(FILE* stream, TagHeader* h)
{
    const u32 g = h->group;
    const char name[5] = {char(g >> 24), char(g >> 16), char(g >> 8), char(g), 0};
    StructDef* def = StructDefinitions().Find(name);
    if (!def || editor) return 0;
    editor = new StructEditor(def);
    editor->changed.Connect<&TagEdit::OnContentChanged>(this);
    editor->SetParent(this);
    if (h->size != def->GetSize()) return 0;
    if (editor->GetData()->Read(stream) != def->GetSize()) return 0;
    if (!editor->BuildUI()) return 0;
    editor->ok->clicked.Connect<&TagStructEdit::OnEditorOk>(this);
    editor->cancel->clicked.Connect<&TagStructEdit::OnEditorCancel>(this);
    editor->SetFlags(editor->GetFlags() | WF_VISIBLE);
    const Size s = editor->GetFrameSize();
    SetFlags((GetFlags() & ~0x8260u) | 0x14A4u);
    SetContentSize(s.width, s.height);
    editor->MoveTo(0, 0);
    return 1;
}

int TagStructEdit::WriteTagData(FILE* stream, TagHeader*)
{
    if (!editor) return 0;
    return editor->GetData()->Write(stream) == editor->GetData()->GetSize() ? 1 : 0;
}

void TagStructEdit::Show()
{
    TagEdit::Show();
}

void TagStructEdit::OnEditorOk()
{
    SetModified(1);
    if (SaveAndReport()) TryClose(0);
}

void TagStructEdit::OnEditorCancel()
{
    SetModified(0);
    TryClose(0);
}

TagEdit* CreateTagStructEdit(TagEntry* entry)
{
    return new TagStructEdit(entry);
}

void RegisterStructEditors()
{
    StructDefList& registry = StructDefinitions();
    registry.Clear();
    registry.Load();
    CollectStructEditDefinitions();
    for (StructDef* def = registry.First(); def; def = def->GetNext()) {
        const char* n = def->GetName();
        if (strlen(n) != 4) continue;
        const u32 code = u32(u8(n[0])) << 24 | u32(u8(n[1])) << 16 | u32(u8(n[2])) << 8 | u32(u8(n[3]));
        if (GetTagGroup(code)) SetTagGroupHandler(code, CreateTagStructEdit);
    }
}
