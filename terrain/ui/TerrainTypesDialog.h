#pragma once
// TerrainTypesDialog: "Automatic Detail Texturing", the 16 terrain types with the detail
// texture each will get; activating a row edits its entry in "Edit Detail Texture Attributes".
#include "codex/DetailMap.h"
#include "foundation/String.h"
#include "gui/DialogWindow.h"

class ListWindow;
struct ListItem;

// One row: the columns read name and texture through the list's record offsets.
struct TerrainTypeRow {
    String name;     // the terrain type
    String texture;  // the detail texture's tag name, or "<no tag>"
    DetailMapEntry entry;
};

class TerrainTypesDialog : public DialogWindow {
public:
    // Content 448 x 320 with the two-column list; no rows. Not shown.
    TerrainTypesDialog();
    ~TerrainTypesDialog() override;
    const char* GetClassName() const override { return "TerrainTypesDialog"; }
    void Resized() override;

    // A row whose entry names defaultDtex when such a 'dtex' tag exists, else -1, with the
    // colour and the name (cut to 31 characters) as its description.
    void AddRow(const char* name, u32 defaultDtex, u8 red, u8 green, u8 blue);
    // Edits the row's entry; a new tag id shows its tag's name, or "<no tag>".
    void OnRowActivated(ListItem* row);

    ListWindow* list;
    TerrainTypeRow* rows;  // kTerrainTypes of them, in the order added
    u32 rowCount;
};

// The texture column's text for a 'dtex' id.
String DtexColumnText(u32 dtex);
