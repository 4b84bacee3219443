// The terrain editor's detail materials: the brush list, the material dialogs, new detail
// maps and the highlight colour table.
#include <cstring>

#include "codex/Codex.h"
#include "foundation/ActFile.h"
#include "gui/ListWindow.h"
#include "gui/MessageBox.h"
#include "platform/FileDialogs.h"
#include "platform/OsDialogs.h"
#include "terrain/ui/ChoiceDialog.h"
#include "terrain/ui/MeshEdit.h"
#include "terrain/ui/TerrainTypesDialog.h"
#include "gui/WindowSystem.h"

namespace {

constexpr u32 kLockIcon = 24;

void* MaterialData(u32 i) { return reinterpret_cast<void*>(uintptr_t(i)); }

void SetRowText(ListItem* row, const String& text)
{
    if (!row) return;
    char* copy = strdup(text.c_str());
    if (!copy) return;
    free(row->text);
    row->text = copy;
}

}  // namespace

s32 MeshEdit::RowMaterial(const ListItem* row)
{
    if (!row) return -1;
    const uintptr_t i = reinterpret_cast<uintptr_t>(row->userData);
    return i < kMaterialCount ? s32(i) : -1;
}

ListItem* MeshEdit::MaterialRow(u32 i) const
{
    return brushList ? brushList->FindItemByUserData(MaterialData(i), nullptr) : nullptr;
}

void MeshEdit::UpdateMaterialItem(u32 i)
{
    ListItem* row = MaterialRow(i);
    if (!row) return;
    row->color = materials.RowColor(i);
    if (model.locked[i]) {
        row->icon = kLockIcon;
        row->flags |= LIF_ICON;
    } else {
        row->icon = 0;
        row->flags &= ~LIF_ICON;
    }
}

void MeshEdit::RefreshMaterial(u32 i, bool release)
{
    if (i >= kMaterialCount) return;
    UpdateMaterialItem(i);
    materials.AcquireTexture(i, release ? kNoTagId : materials.items[i].entry.dtex);
    ListItem* row = MaterialRow(i);
    SetRowText(row, materials.RowText(i));
    if (brushList) brushList->Invalidate(0);
    if (i == model.brush.material && row) materialName = row->text;
}

void MeshEdit::RebuildBrushList()
{
    if (!brushList) return;
    brushList->Clear();
    for (u32 i = 0; i < kMaterialCount; ++i) {
        model.locked[i] = 0;
        materials.items[i].highlighted = 0;
        materials.AcquireTexture(i, materials.items[i].entry.dtex);
        brushList->AddItem(nullptr, 0, 0, MaterialData(i), materials.RowText(i).c_str());
    }
    if (ListItem* first = brushList->GetFirstItem()) brushList->SelectItem(first, 0);
    brushList->UpdateScrollRange();
    OnMaterialSelected();
}

void MeshEdit::ToggleMaterialLock(ListItem* row)
{
    const s32 i = RowMaterial(row);
    if (i < 0) return;
    model.locked[i] ^= 1;
    UpdateMaterialItem(u32(i));
    brushList->Invalidate(0);
}

void MeshEdit::ToggleMaterialHighlight(ListItem* row)
{
    const s32 i = RowMaterial(row);
    if (i < 0) return;
    materials.items[i].highlighted ^= 1;
    UpdateMaterialItem(u32(i));
    brushList->Invalidate(0);
    Invalidate(0);
}

void MeshEdit::OnMaterialSelected()
{
    ListItem* row = brushList ? brushList->GetCurrentItem() : nullptr;
    const s32 i = RowMaterial(row);
    if (i >= 0) model.brush.material = u32(i);
    materialName = row && row->text ? row->text : "<none>";
    Invalidate(0);
}

void MeshEdit::OnMaterialActivated(ListItem* row)
{
    const s32 i = RowMaterial(row);
    if (i < 0) return;
    if (i == 0) {
        ShowMessageBox("Message", "Index 0 is reserved, but you can edit the highlight color.", "OK", nullptr);
        EditMaterial(0, true);
    } else {
        EditMaterial(u32(i), false);
    }
    model.brush.material = u32(i);
    if (ListItem* current = MaterialRow(u32(i))) materialName = current->text;
    Invalidate(0);
}

void MeshEdit::EditMaterial(u32 i, bool colorOnly)
{
    if (i >= kMaterialCount) return;
    DetailMapEntry& entry = materials.items[i].entry;
    const Rgb c = materials.highlight[i];
    entry.color[0] = c.r, entry.color[1] = c.g, entry.color[2] = c.b;
    bool changed;
    if (colorOnly) {
        u8 rgb[3] = {c.r, c.g, c.b};
        changed = PickColor(rgb) != 0;
        if (changed) memcpy(entry.color, rgb, 3);
    } else {
        changed = EditDetailTextureAttributes(&entry);
    }
    if (!changed) return;
    materials.highlight[i] = Rgb{entry.color[0], entry.color[1], entry.color[2]};
    SetModified(1);
    RefreshMaterial(i, false);
}

void MeshEdit::ClearMaterialTexture()
{
    const s32 i = RowMaterial(brushList ? brushList->GetCurrentItem() : nullptr);
    if (i < 0) return;
    materials.items[i].entry.dtex = kNoTagId;
    RefreshMaterial(u32(i), false);
    SetModified(1);
    Invalidate(0);
}

int MeshEdit::NewDetailMapBlank()
{
    if (!model.CreateDetailGrids()) return 0;
    model.detailMapLoaded = 1;
    materials.ReloadHighlightTable();
    model.history.Reset();
    RebuildBrushList();
    SetModified(1);
    model.RebuildRegion(0, model.Width(), 0, model.Height());
    Invalidate(0);
    return 1;
}

int MeshEdit::NewDetailMapFromTerrain()
{
    TerrainTypesDialog* dialog = new TerrainTypesDialog();
    for (const TerrainType& t : kTerrainTypeTable) dialog->AddRow(t.name, t.defaultDtex, t.color.r, t.color.g, t.color.b);
    dialog->CenterInParent();
    dialog->SetVisible(1);
    Window::SetFocus(dialog->list, FOCUS_PROGRAM);
    if (ListItem* first = dialog->list->GetFirstItem()) dialog->list->SelectItem(first, 0);
    WindowWatch watch(dialog);
    WindowWatch self(this);
    const u64 pressed = WindowSystem::RunModal(dialog, MODAL_KEYS_TO_WINDOW | MODAL_DIM, nullptr);
    if (!watch.IsAlive() || !self.IsAlive()) return 0;
    if (pressed != 1 || !NewDetailMapBlank()) {
        dialog->Close();
        return 0;
    }
    materials.items[0].entry.dtex = kNoTagId;
    for (u32 t = 0; t < kTerrainTypes && t < dialog->rowCount; ++t) {
        const DetailMapEntry& e = dialog->rows[t].entry;
        materials.items[t + 1].entry = e;
        materials.highlight[t + 1] = Rgb{e.color[0], e.color[1], e.color[2]};
    }
    dialog->Close();
    FillVerticesFromTerrainTypes(&model);
    detailTextures = 1;
    RebuildBrushList();
    model.RebuildRegion(0, model.Width(), 0, model.Height());
    SetModified(1);
    Invalidate(0);
    return 1;
}

void MeshEdit::SetHighlightTable(const Rgb* table, u32 count)
{
    materials.TakeColors(table, count);
    materials.WriteHighlightTable();
    for (u32 i = 0; i < kMaterialCount; ++i) RefreshMaterial(i, false);
    SetModified(1);
    Invalidate(0);
}

void MeshEdit::ImportHighlightTable()
{
    // Read apart, so a short table or a failed read leaves every colour of ours in place.
    Rgb read[kHighlightColors];
    u32 count = 0;
    if (!ImportColorTableDialog(nullptr, read, &count)) return;
    if (count > kHighlightColors) count = kHighlightColors;
    SetHighlightTable(read, count);
}
