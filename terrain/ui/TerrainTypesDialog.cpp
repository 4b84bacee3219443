#include "terrain/ui/TerrainTypesDialog.h"

#include <cstring>

#include "codex/Codex.h"
#include "codex/DtexTag.h"
#include "gui/ListWindow.h"
#include "terrain/DetailMaterials.h"
#include "terrain/ui/ChoiceDialog.h"

namespace {

constexpr s32 kContentWidth = 448;
constexpr s32 kContentHeight = 320;
constexpr u32 kColumnWidth = 224;

}  // namespace

String DtexColumnText(u32 dtex)
{
    TagEntry* tag = dtex == kNoTagId ? nullptr : FindTag(kDtexGroup, dtex);
    if (!tag) return String("<no tag>");
    TagHeader h;
    GetTagHeader(tag, &h);
    return String(h.name, u32(strnlen(h.name, sizeof h.name)));
}

TerrainTypesDialog::TerrainTypesDialog() : rows(new TerrainTypeRow[kTerrainTypes]), rowCount(0)
{
    SetTitle("Automatic Detail Texturing");
    SetContentSize(kContentWidth, kContentHeight);
    list = new ListWindow(LWS_COLUMNS | LWS_HEADER, WF_ENABLED | WF_FOCUSABLE | WF_THINBORDER | WF_DARKPANEL, this);
    list->AddColumn("Terrain Type", "%s", LCT_STRING, sizeof(String), kColumnWidth, 0, 0);
    list->AddColumn("Detail Texture", "%s", LCT_STRING, sizeof(String), kColumnWidth, 0, 0);
    list->itemActivated.Connect<&TerrainTypesDialog::OnRowActivated>(this);
    DialogWindow::SetTabOrder(list);
    Resized();
}

TerrainTypesDialog::~TerrainTypesDialog() { delete[] rows; }

void TerrainTypesDialog::Resized()
{
    DialogWindow::Resized();
    if (list) list->SetFrame(GetContentRect());
}

void TerrainTypesDialog::AddRow(const char* name, u32 defaultDtex, u8 red, u8 green, u8 blue)
{
    if (rowCount >= kTerrainTypes) return;
    TerrainTypeRow& row = rows[rowCount++];
    row.name = name;
    row.entry = {};
    row.entry.dtex = defaultDtex != kNoTagId && FindTag(kDtexGroup, defaultDtex) ? defaultDtex : kNoTagId;
    row.texture = DtexColumnText(row.entry.dtex);
    row.entry.color[0] = red, row.entry.color[1] = green, row.entry.color[2] = blue;
    strncpy(row.entry.name, name, sizeof row.entry.name - 1);
    list->AddItem(nullptr, 0, 0, &row, nullptr);
}

void TerrainTypesDialog::OnRowActivated(ListItem* item)
{
    if (!item || !item->userData) return;
    TerrainTypeRow& row = *static_cast<TerrainTypeRow*>(item->userData);
    const u32 before = row.entry.dtex;
    if (EditDetailTextureAttributes(&row.entry) && row.entry.dtex != before) {
        row.texture = DtexColumnText(row.entry.dtex);
        list->Invalidate(0);
    }
}
