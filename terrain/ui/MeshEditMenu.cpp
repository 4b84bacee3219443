// The terrain editor's tool menu and the switches it shares with the keys.
#include "gui/Button.h"
#include "gui/Menu.h"
#include "gui/WindowSystem.h"
#include "terrain/ui/MeshEdit.h"

bool MeshEdit::ShowToolMenu(Event* event)
{
    const int detail = model.detailMapLoaded ? 1 : 0;
    const int withTool = tool != kMeshNoTool ? 1 : 0;
    Menu* menu = new Menu(0);
    MenuItem* switchTool = menu->AddItem("Switch Tool", nullptr, kMeshMenuSwitchTool, 1);
    menu->AddItem("No Tool", switchTool, kMeshMenuNoTool, 1);
    menu->AddItem("Detail Map Tool", switchTool, kMeshMenuDetailTool, detail);
    menu->AddSeparator(nullptr);
    menu->AddItem("New Detail Map (From Terrain)", nullptr, kMeshMenuNewFromTerrain, 1);
    menu->AddItem("New Detail Map (Blank)", nullptr, kMeshMenuNewBlank, 1);
    menu->AddItem("Import Vertex Detail", nullptr, kMeshMenuImportVertex, detail);
    menu->AddItem("Export Vertex Detail", nullptr, kMeshMenuExportVertex, detail);
    menu->AddItem("Import Triangle Detail", nullptr, kMeshMenuImportTriangle, detail);
    menu->AddItem("Export Triangle Detail", nullptr, kMeshMenuExportTriangle, detail);
    menu->AddItem("Import Highlight CLUT", nullptr, kMeshMenuImportHighlight, detail);
    menu->AddSeparator(nullptr);
    menu->AddItem("Toggle Info (~)", nullptr, kMeshMenuInfo, 1);
    menu->AddItem("Toggle Palette (tab)", nullptr, kMeshMenuPalette, withTool);
    menu->AddItem("Toggle Wireframe (f1)", nullptr, kMeshMenuWireframe, 1);
    menu->AddItem("Toggle Detail Textures (f2)", nullptr, kMeshMenuDetailTextures, detail);
    menu->AddItem("Toggle Texture Highlighting (f3)", nullptr, kMeshMenuHighlighting, detail);
    menu->AddItem("Toggle Brush Shape (f4)", nullptr, kMeshMenuBrushShape, withTool);
    menu->AddItem("Toggle Triangle Mode (f5)", nullptr, kMeshMenuTriangleMode, withTool);
    menu->AddItem("Toggle Media Animation (f6)", nullptr, kMeshMenuMediaAnimation, 1);
    menu->AddItem("Toggle Highlight mode (f7)", nullptr, kMeshMenuHighlightMode, withTool);

    // A button event's position is already a screen point.
    WindowWatch watch(this);
    const s32 choice = menu->Popup(event->Pos());
    menu->Close();
    if (!watch.IsAlive()) return choice >= 0;
    if (choice < 0 || choice == kMeshMenuSwitchTool) return false;
    RunToolChoice(choice);
    return true;
}

void MeshEdit::RunToolChoice(s32 choice)
{
    u32 newTool = tool;
    switch (choice) {
    case kMeshMenuNoTool: newTool = kMeshNoTool; break;
    case kMeshMenuDetailTool:
        if (model.detailMapLoaded) newTool = kMeshDetailTool;
        break;
    case kMeshMenuNewBlank:
        if (NewDetailMapBlank()) newTool = kMeshDetailTool;
        break;
    case kMeshMenuNewFromTerrain:
        if (NewDetailMapFromTerrain()) newTool = kMeshDetailTool;
        break;
    case kMeshMenuExportVertex:
        if (model.detailMapLoaded) ExportVertexDetail();
        break;
    case kMeshMenuImportVertex:
        if (model.detailMapLoaded) ImportVertexDetail();
        break;
    case kMeshMenuExportTriangle:
        if (model.detailMapLoaded) ExportTriangleDetail();
        break;
    case kMeshMenuImportTriangle:
        if (model.detailMapLoaded) ImportTriangleDetail();
        break;
    case kMeshMenuImportHighlight:
        if (model.detailMapLoaded) ImportHighlightTable();
        break;
    case kMeshMenuInfo: overlayShown ^= 1; break;
    case kMeshMenuPalette:
        if (tool == kMeshDetailTool) TogglePalette(-1);
        break;
    case kMeshMenuWireframe:
        wireframe ^= 1;
        layerEnabled[2] = wireframe;
        break;
    case kMeshMenuDetailTextures:
        if (model.detailMapLoaded) detailTextures ^= 1;
        break;
    case kMeshMenuHighlighting:
        if (model.detailMapLoaded) {
            highlighting ^= 1;
            layerEnabled[1] = highlighting;
        }
        break;
    case kMeshMenuBrushShape: model.brushShape ^= 1; break;
    case kMeshMenuTriangleMode:
        model.brushMode ^= 1;
        layerEnabled[3] = model.brushMode;
        break;
    case kMeshMenuMediaAnimation: model.mediaAnimation ^= 1; break;
    case kMeshMenuHighlightMode: highlightMode = (highlightMode + 1) % 3; break;
    default: break;
    }
    if (newTool != tool) SetTool(newTool);
    Invalidate(0);
}
