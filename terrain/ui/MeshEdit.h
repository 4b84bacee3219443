#pragma once
// The terrain editor: the editor of 'mesh' tags. It opens a mesh read-only and draws it in
// chunks through a fly camera that moves 60 steps a second while keys are held, with an
// information overlay, and edits the mesh's detail map (the 'dmap' sharing the colour map's
// tag id) with brushes, flood fills and undo. Saving saves the detail map, never the mesh.
//
// The data (mesh, chunks, grids, brush, stroke, undo history, media wave, frustum) lives in
// the headless TerrainModel the editor owns; the window adds the camera, the switches, the
// input handling, the tool menu and the drawing.
#include <memory>
#include <vector>

#include "foundation/String.h"
#include "tagedit/TagEdit.h"
#include "terrain/DetailMaterials.h"
#include "terrain/MeshCamera.h"
#include "terrain/TerrainModel.h"
#include "terrain/ui/ChunkBatches.h"

class ListWindow;
struct MediaRecord;
struct ListItem;

// Tools.
enum : u32 { kMeshNoTool = 0, kMeshDetailTool = 1 };
// Choices of the tool menu.
enum : s32 {
    kMeshMenuNoTool = 0,
    kMeshMenuDetailTool = 1,
    kMeshMenuNewBlank = 2,
    kMeshMenuNewFromTerrain = 3,
    kMeshMenuExportVertex = 4,
    kMeshMenuImportVertex = 5,
    kMeshMenuExportTriangle = 6,
    kMeshMenuImportTriangle = 7,
    kMeshMenuImportHighlight = 8,
    kMeshMenuInfo = 9,
    kMeshMenuPalette = 10,
    kMeshMenuWireframe = 11,
    kMeshMenuDetailTextures = 12,
    kMeshMenuHighlighting = 13,
    kMeshMenuBrushShape = 14,
    kMeshMenuTriangleMode = 15,
    kMeshMenuMediaAnimation = 16,
    kMeshMenuHighlightMode = 17,
    kMeshMenuSwitchTool = 100,  // the submenu's own row
};

class MeshEdit : public TagEdit {
public:
    // Camera defaults, the overlay on, the brush list made and hidden, frame (64, 64)-(736,
    // 536), the step clock started; listens to the tag database.
    explicit MeshEdit(TagEntry* entry);
    // Stops listening; frees the grids, the mesh and the chunks with their textures.
    ~MeshEdit() override;
    const char* GetClassName() const override { return "MeshEdit"; }
    // Shift- and Ctrl-clicks in the brush list lock or highlight a material.
    int HandleEvent(Window* target, u32 type, Event* event) override;
    // The mouse over the view, the brush stroke or fill of a held button, the camera steps.
    void Tick() override;
    // Docks the brush list at the content's right edge.
    void Resized() override;
    // The terrain, the brush outline and the overlay (MeshEditView.cpp).
    void DrawContent() override;
    void DrawBackground() override {}
    // The switches; swallowed while a stroke is active. Ctrl+S goes on to TagEdit.
    int KeyEvent(Event* event) override;
    // Right: the tool menu (refused during a stroke). Others: a press captures the mouse in
    // a modal loop until the release, painting as it moves.
    void MouseButton(Event* event) override;
    // The brush radius by 0.2 a notch, within 0.2 to 10.
    void MouseWheel(Event* event) override;
    // The click that focuses the editor does not paint.
    FocusAnswer FocusGained(Window* oldFocus, u32 reason) override;
    // The mesh is never written: 0.
    int WriteTagData(FILE* stream, TagHeader* header) override;
    // Saves the detail map; 0 without one or when it cannot be written.
    int Save() override;
    // The mesh (version 11), its colour map, media wave and detail map, then the chunks.
    // 0, with nothing of the mesh kept, when the mesh or its colour map cannot be read.
    int ReadTagData(FILE* stream, TagHeader* header) override;

    // 0 no tool, 1 the detail-map tool; leaving tool 1 hides the brush list.
    void SetTool(u32 tool);
    // 1 show, 0 hide, -1 toggle the brush list (shown only with a detail map and tool 1).
    void TogglePalette(int mode);
    // The popup at the event's position; answers whether an item was chosen.
    bool ShowToolMenu(Event* event);
    // What a menu choice does (the keys share the switches).
    void RunToolChoice(s32 choice);

    // Camera and view (MeshEditView.cpp).
    void SetupProjection();
    void ApplyCameraRotation();
    bool MoveCameraByKeys();
    void StepFrame();
    // Runs the steps the step clock has due.
    void AdvanceStepClock();
    // The overlay's text for the current state.
    String OverlayText() const;

    // The 'dmap' with the colour map's id: a size that does not fit shows the warning and
    // leaves the editor without detail tools; one that exists but cannot be read is shown
    // as an error (a detail map saved later replaces it). The undo history is kept.
    void LoadDetailMapTag(u32 colorMapId);
    // Writes the 'dmap' (version 2) with the colour map's id and name, creating the tag when
    // it does not exist; an existing tag keeps its flags and user. 0 without grids or when
    // the tag cannot be created or written (an earlier file then stays as it was).
    int SaveDetailMap();

    // Detail materials and the brush list (MeshEditMaterials.cpp).
    // Material i's texture from its entry's id (none when releasing), its row's text,
    // colour and icon; the brush material's name follows.
    void RefreshMaterial(u32 i, bool release);
    // One row per material; every lock and highlight cleared; textures re-acquired.
    void RebuildBrushList();
    // Row colour (highlighted) and lock icon 24 of material i.
    void UpdateMaterialItem(u32 i);
    void ToggleMaterialLock(ListItem* row);
    void ToggleMaterialHighlight(ListItem* row);
    void OnMaterialSelected();
    void OnMaterialActivated(ListItem* row);
    // Material 0 (colour only) through the colour chooser, any other through "Edit Detail
    // Texture Attributes"; a confirmed change marks the editor modified.
    void EditMaterial(u32 i, bool colorOnly);
    void ClearMaterialTexture();
    // A zeroed detail map with the current materials; clears the undo history. Always 1.
    int NewDetailMapBlank();
    // "Automatic Detail Texturing": materials 1..16 from the terrain types, every vertex
    // from its record's terrain type. 0 (nothing changed) when cancelled.
    int NewDetailMapFromTerrain();
    // Takes the colours, writes "res/dtex.act" (128 colours), refreshes every material.
    void SetHighlightTable(const Rgb* table, u32 count = kHighlightColors);
    // "Import Highlight CLUT": a colour table file into the highlight table.
    void ImportHighlightTable();

    // Detail images (MeshEditImages.cpp): the grids as 8W x 8H images of 8 x 8 blocks in the
    // highlight colours, through the file dialogs. An import takes each block's most
    // frequent value, clears the undo history, takes the image's palette as the highlight
    // table and says when a block was not uniform; a refused file changes nothing.
    void ExportVertexDetail();
    void ImportVertexDetail();
    void ExportTriangleDetail();
    void ImportTriangleDetail();

    // The material of a brush-list row (its user data), or -1.
    static s32 RowMaterial(const ListItem* row);
    ListItem* MaterialRow(u32 i) const;
    // The 'medi' record with the id, or the defaults.
    void LoadMediaWaves(u32 mediaId);
    // Switches that follow a loaded or new detail map.
    void DetailMapTaken();
    void OnCodexEvent(TagEntry* tag, u32 event);
    // The brush material's scale (texels per cell).
    u32 MaterialScale(u32 material) const;
    // Clamped to 1..256 with the texture repeats; a change marks the editor modified.
    void SetMaterialScale(u32 material, s64 scale);
    bool IsStrokeActive() const { return model.strokeActive != 0; }

    TerrainModel model;
    DetailMaterials materials;
    ListWindow* brushList;
    String colorMapName;
    u32 colorMapId;
    String materialName;  // the brush material's row text, "<none>" without a row

    MeshCamera camera;
    MeshStepClock clock;
    u32 renderedSquares;
    ChunkBatches batches;  // the textured layer's arrays

    // Switches.
    u32 overlayShown;
    u32 wireframe;
    u32 detailTextures;
    u32 highlighting;
    u32 highlightMode;  // 0 "Texture Index", 1 "Reflectivity", 2 "Terrain Type"
    u32 layerEnabled[4];  // textured, data colouring, wireframe, triangle centres

    u32 tool;
    u32 redrawRequest;
    u32 cameraKeysSeen;
    s32 mouse[2];       // content coordinates
    u32 buttonHeld;
    u32 mouseInView;
    u32 brushMoved;
    u32 modifiersAtPress;
    u32 ignoreNextButton;  // a dismissed tool menu: the release that follows is not a stroke
    u32 texturesMade;      // the chunks get colour textures (only with OpenGL)
    u32 stepRedraws;       // redraws the camera steps asked for (an idle editor asks none)
    u32 dmapUnreadable;    // a 'dmap' of this colour map exists but could not be read

    // Gives the chunk its colour texture at its first draw, from the colour map kept since the
    // load; a chunk whose texture could not be made is drawn without one and not tried again.
    void MakeChunkTexture(u32 chunkIndex);

private:
    static void ModifiedHook(void* owner);
    static void CodexCallbackThunk(void* context, Archive* archive, TagEntry* entry, u32 event);
    // Drops the mesh and everything built from it (a load that failed part-way).
    void DropMesh();
    void ExportDetailImage(bool triangles);
    // The colour map and shading of the loaded mesh, kept for the chunk textures still to be
    // made, and which chunks were tried.
    std::unique_ptr<Collection> texelMap;
    std::unique_ptr<u8[]> texelTable;
    std::vector<u8> texelScratch, texelTried;
    u32 texelSize = 0;
    void ImportDetailImage(bool triangles);
    // Pixels of the content the view may use (the brush list's width is not).
    s32 ViewWidth() const;
public:
    // Every chunk that culling did not drop, through each enabled layer in order.
    void DrawChunks();

private:
    void DrawBrushOutline();
    void DrawOverlay();
};

// The factory registered for 'mesh'.
TagEdit* NewMeshEditor(TagEntry* entry);
// Reads the 'mesh' data (version 11); null on failure.
MeshTagData* LoadMeshTagData(FILE* stream, const TagHeader* header);
// Reads one 'medi' record; null on failure.
MediaRecord* LoadMediaRecord(FILE* stream, const TagHeader* header);
