#include "tagedit/DmapEdit.h"

#include "codex/DetailMap.h"
#include "foundation/StringUtil.h"

DmapEdit::DmapEdit(TagEntry* tag) : TagEdit(tag)
{
    box = new TextBox(TEXTBOX_VIEW, this);
    box->SetTitle("DmapEdit Text");
    SetSize(500, 500);
    box->FillParent();
}

DmapEdit::~DmapEdit() {}

const char* DmapEdit::GetClassName() const { return "DmapEdit"; }

void DmapEdit::Resized()
{
    if (box) box->FillParent();
    TagEdit::Resized();
}

int DmapEdit::ReadTagData(FILE* stream, TagHeader* h)
{
    DetailMap* map = LoadDetailMap(stream, h);
    if (!map) return 0;
    String text;
    for (const DetailMapEntry& e : map->entries) {
        if (e.dtex == kNoTagId) continue;
        char id[5];
        TagCodeToText(e.dtex, id);
        const char* name = "<not found>";
        TagHeader dtex;
        if (TagEntry* found = FindTag(FourCC("dtex"), e.dtex)) {
            GetTagHeader(found, &dtex);
            dtex.name[31] = 0;
            name = dtex.name;
        }
        text.Append(FormatString("%s - %s\n", id, name).c_str());
    }
    FreeDmap(map);
    delete map;
    box->SetText(text.c_str());
    return 1;
}

int DmapEdit::Save() { return 1; }

void DmapEdit::Show()
{
    TagEdit::Show();
    Window::SetFocus(box, FOCUS_PROGRAM);
}
