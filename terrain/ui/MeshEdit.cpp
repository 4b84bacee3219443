#include "terrain/ui/MeshEdit.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#include "codex/DetailMap.h"
#include "codex/MediaRecord.h"
#include "codex/MeshTag.h"
#include "codex/TagFiles.h"
#include "collection/Collection.h"
#include "foundation/StringUtil.h"
#include "gui/ListWindow.h"
#include "gui/MessageBox.h"
#include "gui/WindowSystem.h"
#include "platform/Os.h"
#include "platform/OsKeys.h"
#include "terrain/ChunkTexels.h"
#include "terrain/ui/ChunkTexture.h"

namespace {

constexpr u32 kMeshGroup = FourCC("mesh");
constexpr u32 kColorMapGroup = FourCC(".256");
constexpr u32 kMediaGroup = FourCC("medi");
constexpr u32 kDmapGroup = FourCC("dmap");
constexpr u32 kDtexGroup = FourCC("dtex");
constexpr s32 kBrushListWidth = 192;
constexpr float kMinRadius = 0.2f, kMaxRadius = 10.0f;

float ClampRadius(float r) { return r < kMinRadius ? kMinRadius : (r > kMaxRadius ? kMaxRadius : r); }

// A tag id as its four characters.
void IdText(u32 id, char out[5])
{
    for (int i = 0; i < 4; ++i) out[i] = char(id >> (24 - 8 * i));
    out[4] = 0;
}

}  // namespace

MeshTagData* LoadMeshTagData(FILE* stream, const TagHeader* header)
{
    MeshTagData* mesh = new MeshTagData;
    InitMesh(mesh);
    if (!ReadMeshTag(mesh, stream, header)) {
        FreeMesh(mesh);
        delete mesh;
        return nullptr;
    }
    return mesh;
}

MediaRecord* LoadMediaRecord(FILE* stream, const TagHeader* header)
{
    // The record must lie inside the tag's data, not just somewhere in the archive after it.
    if (!stream || !header || header->size < kMediaRecordDescriptor[0]) return nullptr;
    MediaRecord* record = new MediaRecord;
    if (!ReadMediaRecord(record, stream, 1)) {
        delete record;
        return nullptr;
    }
    return record;
}

MeshEdit::MeshEdit(TagEntry* entry) : TagEdit(entry)
{
    camera.Reset();
    overlayShown = 1;
    materials.LoadHighlightTable();
    materialName = "<none>";
    model.modifiedHook = &MeshEdit::ModifiedHook;
    model.hookOwner = this;
    if (WindowSystem::IsGLEnabled()) model.releaseChunk = ReleaseChunkTexture;

    AddFlags(WF_FOCUSABLE);
    SetCodexListener(&MeshEdit::CodexCallbackThunk, this, true);

    brushList = new ListWindow(0, WF_ENABLED | WF_TITLEBAR | WF_DARKPANEL, this);
    brushList->SetTitle("Brush List");
    brushList->SetSize(kBrushListWidth, 200);
    brushList->itemActivated.Connect<&MeshEdit::OnMaterialActivated>(this);
    brushList->deleteRequested.Connect<&MeshEdit::ClearMaterialTexture>(this);
    brushList->selectionChanged.Connect<&MeshEdit::OnMaterialSelected>(this);
    model.brush.radius = 3;
    model.brush.material = 0;
    model.brush.x = model.brush.z = -1;
    model.brush.lastX = model.brush.lastZ = -1;

    SetFrame(Rect{64, 64, 736, 536});
    layerEnabled[0] = 1;
    clock.Start(OsGetTime());
}

MeshEdit::~MeshEdit()
{
    SetCodexListener(&MeshEdit::CodexCallbackThunk, this, false);
    // The materials release their textures; the model frees the grids, the mesh and the
    // chunks (their textures through the releaser).
}

void MeshEdit::ModifiedHook(void* owner) { static_cast<MeshEdit*>(owner)->SetModified(1); }

void MeshEdit::CodexCallbackThunk(void* context, Archive*, TagEntry* entry, u32 event)
{
    static_cast<MeshEdit*>(context)->OnCodexEvent(entry, event);
}

void MeshEdit::OnCodexEvent(TagEntry* tag, u32 event)
{
    // Only detail textures matter to the terrain; the materials follow them.
    if (tag && tag->group != kDtexGroup) return;
    const u32 id = tag ? tag->tag : kNoTagId;
    bool changed = false;
    for (u32 i = 0; i < kMaterialCount; ++i) {
        const DetailMaterial& m = materials.items[i];
        if (event == kCodexActiveSetChanged) {
            if (m.entry.dtex == kNoTagId) continue;
            const bool exists = FindTag(kDtexGroup, m.entry.dtex) != nullptr;
            if (!m.texture && exists) RefreshMaterial(i, false);
            else if (m.texture && !exists) RefreshMaterial(i, true);
            else continue;
            changed = true;
        } else if (m.entry.dtex == id && id != kNoTagId) {
            RefreshMaterial(i, event == kCodexLocalTagRemoved);
            changed = true;
        }
    }
    if (changed) Invalidate(0);
}

int MeshEdit::WriteTagData(FILE*, TagHeader*) { return 0; }

int MeshEdit::Save() { return SaveDetailMap(); }

int MeshEdit::SaveDetailMap()
{
    if (!model.vertexGrid || !model.triangleGrid) return 0;
    TagHeader header = {};
    strncpy(header.name, colorMapName.c_str(), sizeof header.name - 1);
    TagEntry* entry = FindTag(kDmapGroup, colorMapId);
    if (entry) {
        // Another program's flags and user bits on the tag are not ours to clear.
        TagHeader existing;
        GetTagHeader(entry, &existing);
        header.flags = existing.flags;
        header.user = existing.user;
    } else {
        TagHeader created;
        entry = CreateTag(kDmapGroup, colorMapId, header.name, &created, false);
        if (!entry) return 0;
    }
    DetailMap dmap;
    InitDmap(&dmap);
    if (!SetDmapSize(&dmap, model.Width(), model.Height())) {
        FreeDmap(&dmap);
        return 0;
    }
    materials.FillEntries(&dmap);
    memcpy(dmap.bytePlane, model.vertexGrid->Bytes(), size_t(dmap.width) * dmap.height);
    memcpy(dmap.pairPlane, model.triangleGrid->Bytes(), size_t(dmap.width) * dmap.height * 2);
    int ok = 0;
    if (FILE* stream = BeginTagWrite(entry, &header, nullptr)) {
        const int written = WriteDmapTag(&dmap, stream, &header);
        ok = FinishTagWrite(entry, &header, written != 0) && written;
    }
    FreeDmap(&dmap);
    return ok;
}

void MeshEdit::DropMesh()
{
    model.Load(nullptr, nullptr, 0, nullptr, nullptr);
    texturesMade = 0;
    texelMap.reset();
    texelTable.reset();
    texelTried.clear();
    texelScratch.clear();
}

void MeshEdit::MakeChunkTexture(u32 chunkIndex)
{
    if (!texelMap || !texelTable || chunkIndex >= model.chunks.count || chunkIndex >= texelTried.size() ||
        texelTried[chunkIndex])
        return;
    texelTried[chunkIndex] = 1;
    const ShadingTable* table = reinterpret_cast<const ShadingTable*>(texelTable.get());
    texelScratch.resize(size_t(kChunkTexelsBordered) * kChunkTexelsBordered * 3);
    if (texelSize == kChunkTexelsBordered)
        BuildChunkTexels257(texelScratch.data(), texelMap.get(), table, model.chunksAcross, model.chunksDown,
                            chunkIndex);
    else
        BuildChunkTexels256(texelScratch.data(), texelMap.get(), table, chunkIndex);
    UploadChunkTexture(nullptr, &model.chunks.data[chunkIndex], texelScratch.data(), texelSize);
}

int MeshEdit::ReadTagData(FILE* stream, TagHeader* h)
{
    MeshTagData* mesh = LoadMeshTagData(stream, h);
    if (!mesh) return 0;
    const u32 mapId = mesh->header.colorMap, mediaId = mesh->header.media;

    TagEntry* mapEntry = FindTag(kColorMapGroup, mapId);
    TagHeader mapHeader;
    std::unique_ptr<Collection> map;
    if (mapEntry) {
        if (FILE* f = OpenTag(mapEntry, &mapHeader)) map.reset(LoadCollection(f, &mapHeader));
        CloseTagReader(mapEntry);
    }
    if (!map) {
        FreeMesh(mesh);
        delete mesh;
        return 0;
    }
    colorMapId = mapId;
    colorMapName = mapHeader.name;
    LoadMediaWaves(mediaId);

    const bool gl = WindowSystem::IsGLEnabled();
    DropMesh();
    // The chunks' colour textures are made as they first come into view: a large mesh opens
    // without building and uploading every chunk's texels.
    if (!model.Load(mesh, nullptr, 0, nullptr, nullptr)) {
        DropMesh();
        return 0;
    }
    if (gl) {
        texelTable.reset(new (std::nothrow) u8[sizeof(ShadingTable)]());
        if (!texelTable) {
            DropMesh();
            return 0;
        }
        BuildShadingTable(reinterpret_cast<ShadingTable*>(texelTable.get()), map->GetColorTable(), model.mesh->header);
        texelMap = std::move(map);
        texelSize = ChunkTextureSize();
        texelTried.assign(model.chunks.count, 0);
    }
    texturesMade = gl ? 1 : 0;
    LoadDetailMapTag(mapId);
    SetTitle(h->name);
    return 1;
}

void MeshEdit::LoadMediaWaves(u32 mediaId)
{
    std::unique_ptr<MediaRecord> record;
    if (TagEntry* entry = FindTag(kMediaGroup, mediaId)) {
        TagHeader h;
        if (FILE* f = OpenTag(entry, &h)) record.reset(LoadMediaRecord(f, &h));
        CloseTagReader(entry);
    }
    model.LoadMediaWaves(record.get());
}

void MeshEdit::LoadDetailMapTag(u32 mapId)
{
    TagEntry* entry = FindTag(kDmapGroup, mapId);
    if (!entry) return;
    TagHeader h;
    GetTagHeader(entry, &h);
    DetailMap* dmap = nullptr;
    if (FILE* f = OpenTag(entry, &h)) dmap = LoadDetailMap(f, &h);
    CloseTagReader(entry);
    char id[5];
    IdText(entry->tag, id);
    if (!dmap) {
        // Said now, so that a new detail map saved later does not replace it unseen.
        String text = FormatString(
            "The dmap tag %.31s (%s) of this color map could not be read. If you make a new detail map and save "
            "it, it will replace that tag.",
            h.name, id);
        ShowMessageBox("Error", text.c_str(), "OK", nullptr);
        return;
    }
    if (dmap->width != model.Width() || dmap->height != model.Height()) {
        String text = FormatString(
            "WARNING: A the dmap tag %s (%s) matches this color map, but its dimensions do not match. If you edit "
            "and save the dmap on this mesh, it will overwrite the existing file, and the meshes which used that "
            "dmap will no longer have working detail textures.",
            h.name, id);
        ShowMessageBox("dmap tagid conflict detected", text.c_str(), "OK", nullptr);
    } else if (model.LoadDetailPlanes(dmap->bytePlane, dmap->pairPlane)) {
        materials.TakeEntries(*dmap);
        DetailMapTaken();
        RebuildBrushList();
        model.modified = 0;
        SetModified(0);
    }
    FreeDmap(dmap);
    delete dmap;
}

void MeshEdit::DetailMapTaken()
{
    model.detailMapLoaded = 1;
    tool = kMeshDetailTool;
    detailTextures = 1;
    highlighting = 0;
    layerEnabled[1] = 1;
}

u32 MeshEdit::MaterialScale(u32 material) const { return materials.items[material % kMaterialCount].scale; }

void MeshEdit::SetMaterialScale(u32 material, s64 scale)
{
    if (materials.SetScale(material % kMaterialCount, scale)) SetModified(1);
}

s32 MeshEdit::ViewWidth() const
{
    s32 w = content.Width();
    if (brushList && brushList->IsVisible()) w -= brushList->GetFrameWidth();
    return w;
}

void MeshEdit::Tick()
{
    Point p = WindowSystem::GetMousePos();
    ScreenToContent(&p, 1);
    const bool moved = p.x != mouse[0] || p.y != mouse[1];
    const bool overView =
        IsHovered() && p.x >= 0 && p.x <= ViewWidth() && p.y >= 0 && p.y <= content.Height();
    bool changed = false;
    if (overView) {
        if (moved) {
            mouse[0] = p.x, mouse[1] = p.y;
            mouseInView = 1;
            changed = true;
        }
    } else if (mouseInView) {
        mouseInView = 0;
        changed = true;
    }
    if (changed) redrawRequest = 1;

    if (!IsFocused()) return;
    if (tool == kMeshDetailTool && buttonHeld) {
        const DetailBrush& b = model.brush;
        if (modifiersAtPress & MOD_ALT) {
            // One fill per press; a position off the mesh fills nothing.
            if (model.IsOnMesh(b.x, b.z)) {
                const int filled = model.brushMode == kBrushTriangle ? model.FloodFillTriangles(b.x, b.z)
                                                                     : model.FloodFillVertices(b.x, b.z);
                if (filled) Invalidate(0);
            }
            buttonHeld = 0;
        } else {
            if (mouseInView && !model.strokeActive) model.BeginBrushStroke((modifiersAtPress & MOD_SHIFT) != 0);
            if (model.strokeActive && brushMoved) {
                brushMoved = 0;
                if (model.IsOnMesh(b.x, b.z)) {
                    const u32 painted = model.brushMode == kBrushTriangle
                                            ? model.PaintTriangles(b.x, b.z, b.radius)
                                            : model.PaintVertices(b.x, b.z, b.radius);
                    if (painted) SetModified(1);
                }
                Invalidate(0);
            }
        }
    }
    if (!buttonHeld && model.strokeActive) {
        model.EndBrushStroke();
        Invalidate(0);
    }
    AdvanceStepClock();
}

void MeshEdit::Resized()
{
    if (brushList) {
        const s32 w = brushList->GetFrameWidth() ? brushList->GetFrameWidth() : kBrushListWidth;
        brushList->SetFrame(Rect{content.Width() - w, 0, content.Width(), content.Height()});
    }
    TagEdit::Resized();
}

int MeshEdit::KeyEvent(Event* event)
{
    if (model.strokeActive || buttonHeld || event->Action() == LIBACTION_RELEASE) return 1;
    cameraKeysSeen = 1;
    const u32 key = event->Key(), mods = event->KeyModifiers();
    const bool ctrl = (mods & MOD_CTRL) != 0, shift = (mods & MOD_SHIFT) != 0;
    const bool detail = tool == kMeshDetailTool;
    if (ctrl && (key == 'Y' || key == 'Z')) {
        if (key == 'Y' ? model.Redo() : model.Undo()) {
            SetModified(1);
            Invalidate(0);
        }
        return 1;
    }
    if (!ctrl) {
        switch (key) {
        case '`': RunToolChoice(kMeshMenuInfo); break;
        case KEY_F1: RunToolChoice(kMeshMenuWireframe); break;
        case KEY_F1 + 1: RunToolChoice(kMeshMenuDetailTextures); break;
        case KEY_F1 + 5: RunToolChoice(kMeshMenuMediaAnimation); break;
        case KEY_F1 + 6: highlightMode = (highlightMode + 1) % 3; break;
        default:
            if (!detail) break;
            switch (key) {
            case '-': SetMaterialScale(model.brush.material, s64(MaterialScale(model.brush.material)) - 1); break;
            case '=': SetMaterialScale(model.brush.material, s64(MaterialScale(model.brush.material)) + 1); break;
            case '[': model.brush.radius -= 0.2f; break;
            case ']': model.brush.radius += 0.2f; break;
            case KEY_F1 + 2:
                highlighting ^= 1;
                layerEnabled[1] = highlighting;
                if (shift)
                    for (u32 i = 0; i < kMaterialCount; ++i) {
                        materials.items[i].highlighted = highlighting;
                        UpdateMaterialItem(i);
                    }
                break;
            case KEY_F1 + 3: model.brushShape ^= 1; break;
            case KEY_F1 + 4: RunToolChoice(kMeshMenuTriangleMode); break;
            case KEY_TAB: TogglePalette(-1); break;
            }
        }
    }
    model.brush.radius = ClampRadius(model.brush.radius);
    layerEnabled[2] = wireframe;
    Invalidate(0);
    return TagEdit::KeyEvent(event);
}

void MeshEdit::MouseWheel(Event* event)
{
    model.brush.radius = ClampRadius(model.brush.radius - float(event->WheelNew() - event->WheelOld()) * 0.2f);
    Invalidate(0);
}

void MeshEdit::MouseButton(Event* event)
{
    brushMoved = 1;
    if (IsRightButton(event)) {
        // A menu choice mid-stroke would change the grid pair or tool under the open stroke.
        if (model.strokeActive || buttonHeld) return;
        if (event->Pressed() && !ShowToolMenu(event)) ignoreNextButton = 1;
        return;
    }
    if (ignoreNextButton) {
        ignoreNextButton = 0;
        return;
    }
    redrawRequest = 1;
    if (event->Pressed()) {
        if (WindowSystem::IsOnModalStack(this, 0)) return;
        modifiersAtPress = event->MouseModifiers();
        buttonHeld = 1;
        WindowWatch watch(this);
        WindowSystem::RunModal(this, MODAL_KEYS_TO_WINDOW | MODAL_MOUSE_TO_WINDOW | MODAL_END_ON_QUIT, nullptr);
        if (!watch.IsAlive()) return;
        // A loop ended by a quit request or a closing window leaves no button held.
        buttonHeld = 0;
        Tick();
    } else {
        // The release ends the capture even when a fill already let go of the button.
        buttonHeld = 0;
        if (WindowSystem::IsOnModalStack(this, 1)) WindowSystem::EndModal(this, 1);
    }
}

FocusAnswer MeshEdit::FocusGained(Window*, u32 reason)
{
    Invalidate(0);
    return reason == FOCUS_CLICK ? FOCUS_SWALLOW : FOCUS_TAKEN;
}

int MeshEdit::HandleEvent(Window* target, u32 type, Event* event)
{
    if (brushList && target == brushList && (type == EVENT_BUTTON || type == EVENT_DOUBLECLICK)) {
        const u32 mods = event->MouseModifiers();
        const bool shift = (mods & MOD_SHIFT) != 0, ctrl = (mods & MOD_CTRL) != 0;
        if (type == EVENT_DOUBLECLICK && (shift || ctrl)) return 1;
        if (type == EVENT_BUTTON && event->Pressed() && (shift || ctrl)) {
            ListItem* before = brushList->GetCurrentItem();
            brushList->HandleEvent(target, type, event);
            if (ListItem* row = brushList->GetCurrentItem()) {
                if (shift) ToggleMaterialLock(row);
                else ToggleMaterialHighlight(row);
            }
            if (before) brushList->SelectItem(before, 0);
            return 1;
        }
    }
    return TagEdit::HandleEvent(target, type, event);
}

void MeshEdit::SetTool(u32 t)
{
    if (tool == kMeshDetailTool && t != kMeshDetailTool) {
        if (!(model.detailMapLoaded && brushList && !brushList->IsVisible())) {
            TogglePalette(0);
        }
    }
    tool = t;
    Invalidate(0);
}

void MeshEdit::TogglePalette(int mode)
{
    if (model.detailMapLoaded && tool == kMeshDetailTool && brushList) {
        const bool hidden = !brushList->IsVisible();
        if (mode == 1 || (mode == -1 && hidden)) {
            SetFocusKeeper(brushList);
            RemoveFlags(WF_FOCUSABLE);
            Resized();
            brushList->SetVisible(1);
            brushList->AddFlags(WF_FOCUSABLE);
            Window::SetFocus(brushList, FOCUS_PROGRAM);
            Invalidate(0);
            return;
        }
        if (mode == 0 && hidden) return;
    }
    if (brushList) {
        brushList->SetVisible(0);
        brushList->RemoveFlags(WF_FOCUSABLE);
    }
    SetFocusKeeper(nullptr);
    AddFlags(WF_FOCUSABLE);
    Window::SetFocus(this, FOCUS_PROGRAM);
    Invalidate(0);
}

TagEdit* NewMeshEditor(TagEntry* entry) { return new MeshEdit(entry); }
