#pragma once
// The 128 detail materials of a terrain's detail map: which detail texture each names, its
// description, its scale in texels per cell and its highlight colour; the highlight colour
// table kept in "res/dtex.act"; the terrain types that "Automatic Detail Texturing" starts
// from. Headless: the brush list and the dialogs are the editor's.
//
// Locks are not kept here: the painting of TerrainModel reads them from TerrainModel::locked.
#include "codex/DetailMap.h"
#include "foundation/Rgb.h"
#include "foundation/String.h"

class DtexTag;
class TerrainModel;

constexpr u32 kMaterialCount = kDetailMapEntries;
constexpr u32 kHighlightColors = 256;
constexpr u32 kTerrainTypes = 16;
constexpr u32 kDefaultMaterialScale = 128;

// The colour table file the editor reads at start and writes whenever the table is set:
// "res/dtex.act" beside the program unless set otherwise (tests keep theirs apart). Editors
// made after the call use the new path.
void SetHighlightTablePath(const char* path);
const char* HighlightTablePath();

struct DetailMaterial {
    float uRepeat, vRepeat;  // detail-texture repeats per cell: scale / texture width and height
    u32 highlighted;         // "Texture Index" highlighting draws it
    u32 scale;               // texels per cell, 1..256
    DetailMapEntry entry;    // the 'dtex' id (-1 none), colour and description as saved
    DtexTag* texture;        // the acquired detail texture, or null
};

struct TerrainType {
    const char* name;
    u32 defaultDtex;  // kNoTagId for none
    Rgb color;        // also the "Terrain Type" highlight colour
};
extern const TerrainType kTerrainTypeTable[kTerrainTypes];

// The built-in table: eight colours repeated 32 times.
void DefaultHighlightTable(Rgb table[kHighlightColors]);

class DetailMaterials {
public:
    // Every material: scale 128, no texture, id -1; the table zeroed.
    DetailMaterials();
    // Releases every texture.
    ~DetailMaterials();
    DetailMaterials(const DetailMaterials&) = delete;
    DetailMaterials& operator=(const DetailMaterials&) = delete;

    // --- The highlight table ---

    // Start-up: reads the file. A file that does not exist gets the defaults written (256
    // entries); one that exists but cannot be read or is short is logged ("Terrain") and left
    // alone, the defaults used in memory. Answers whether the file was read.
    int LoadHighlightTable();
    // Re-reads the file; when that fails the table stays as it is. Answers whether it was read.
    int ReloadHighlightTable();
    // Writes the first 128 colours. Answers 0 (logged) when the file cannot be written.
    int WriteHighlightTable() const;
    // Takes count colours (at most 256) into the table; the rest keep theirs.
    void TakeColors(const Rgb* colors, u32 count);

    // --- The detail map's entries ---

    // Entry, scale (stored byte + 1) and highlight colour of every material from the map.
    void TakeEntries(const DetailMap& map);
    // The map's entries from the materials: scale byte = scale - 1, colour = the table's.
    void FillEntries(DetailMap* map) const;

    // --- Textures ---

    // Acquires the 'dtex' resource with the id (kNoTagId: none) for material i and releases
    // the one it held; makes sure its texture exists and re-applies the scale. Answers the
    // resource or null.
    DtexTag* AcquireTexture(u32 i, u32 dtex);
    void ReleaseTexture(u32 i);
    // Clamps to 1..256, stores, recomputes the repeats; answers whether the scale changed.
    bool SetScale(u32 i, s64 scale);

    // The brush-list text " %.3d ~ ..." of material i: "|i<description>|p (<tag name>)" or
    // the tag name alone with a texture, "'<id>' <not found>" for an id naming no tag that
    // could be loaded, "<no tag>" for -1.
    String RowText(u32 i) const;
    // The row's colour: the highlight colour with alpha 255 when highlighted, else white
    // (RGBA packed with red in the lowest byte).
    u32 RowColor(u32 i) const;

    DetailMaterial items[kMaterialCount];
    Rgb highlight[kHighlightColors];
    String tablePath;  // HighlightTablePath() at construction
};

// The text of a 'dtex' id as four characters ("<no tag>" handling is the caller's).
void DtexIdText(u32 id, char out[5]);
// Fills the per-vertex grid of a loaded model from the terrain types: vertex (x, z) gets 1 +
// bits 4-7 of grid record (x, z)'s flags. The per-triangle grid is zeroed; both saved copies
// take the working grids. Answers 0 without grids.
int FillVerticesFromTerrainTypes(TerrainModel* model);
