#include "model/ui/GeomEdit.h"

#include <GL/gl.h>

#include <cmath>

#include "foundation/FileRecord.h"
#include "foundation/StringUtil.h"
#include "gui/Menu.h"
#include "gui/MessageBox.h"
#include "gui/Skin.h"
#include "gui/WindowSystem.h"
#include "gui/core/Font.h"
#include "model/LwoExport.h"
#include "model/ui/View3D.h"
#include "model/ui/ViewTransformButton.h"
#include "platform/FileDialogs.h"

namespace {

enum : s32 { kChoiceResetView = 0, kChoiceExportLwo = 1 };

// A button's edge: its icon is 15 pixels square.
constexpr s32 kButtonSize = 15;

}  // namespace

GeomEdit::GeomEdit(TagEntry* entry) : TagEdit(entry)
{
    // No child takes the keys, so the editor itself must for Ctrl+S to reach it.
    AddFlags(WF_FOCUSABLE);
}

GeomEdit::~GeomEdit()
{
    delete view;
    view = nullptr;
    if (geometry) FreeGeom(geometry);
    delete geometry;
    geometry = nullptr;
    DeleteRenderModel(model);
    model = nullptr;
}

void GeomEdit::Resized()
{
    s32 width = content.Width();
    ViewTransformButton* buttons[3] = {panButton, rotateButton, zoomButton};
    for (int i = 0; i < 3; ++i)
        if (buttons[i]) {
            s32 x = width - kButtonSize * (3 - i);
            buttons[i]->SetFrame(Rect{x, 0, x + kButtonSize, kButtonSize});
        }
    TagEdit::Resized();
}

void GeomEdit::DrawContent()
{
    if (!view || !model) return;
    BeginDraw(1, 1);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    view->Draw();
    EndDraw();

    BeginDraw(1, 0);
    String text = FormatString("Triangles: %d\nVertices: %d\nMaterials: %d\n", int(model->triangles.count),
                               int(model->vertices.count), int(model->materials.count));
    Skin::SetTextColor(0);
    DrawText(Rect{0, 0, content.Width(), content.Height()}, 0, text.c_str(), kTextMultiLine | kTextShadow);
    EndDraw();
}

void GeomEdit::MouseButton(Event* event)
{
    if (!event->Pressed()) return;
    if (IsRightButton(event)) {
        ShowContextMenu(Point{event->X(), event->Y()});
        return;
    }
    if (event->MouseModifiers() & (MOD_SHIFT | MOD_CTRL)) {
        Invalidate(0);
        return;
    }
    BeginTracking(DefaultTracker);
}

int GeomEdit::ReadTagData(FILE* stream, TagHeader* h)
{
    geometry = LoadGeometry(stream, h);
    if (!geometry) return 0;
    model = BuildRenderModelFromGeom(geometry);
    view = new View3D(this);
    view->AddModel(model);
    panButton = new ViewTransformButton(this, 0, this, view, &View3D::Pan, 28, 30, 29);
    panButton->SetTitle("Pan");
    rotateButton = new ViewTransformButton(this, 1, this, view, &View3D::Rotate, 35, 37, 36);
    rotateButton->SetTitle("Rotate");
    zoomButton = new ViewTransformButton(this, 2, this, view, &View3D::Zoom, 78, 80, 79);
    zoomButton->SetTitle("Zoom");
    ResetView();
    SetSize(400, 400);
    Resized();
    return 1;
}

int GeomEdit::WriteTagData(FILE*, TagHeader*)
{
    return 0;
}

void GeomEdit::ResetView()
{
    if (!view || !model) return;
    const float* b = model->box;
    float d[3] = {b[3] - b[0], b[4] - b[1], b[5] - b[2]};
    diagonal = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (!std::isfinite(diagonal)) diagonal = 0;
    resetDistance = 1.5f * diagonal;
    view->SetAngles(0, 0, 0);
    view->SetDistance(resetDistance);
    view->SetTarget((b[0] + b[3]) / 2, (b[1] + b[4]) / 2, (b[2] + b[5]) / 2);
    Invalidate(0);
}

void GeomEdit::ShowContextMenu(Point screenPoint)
{
    Menu* menu = new Menu(0);
    menu->AddItem("Reset View", nullptr, kChoiceResetView, 1);
    menu->AddItem("Export LWO...", nullptr, kChoiceExportLwo, 1);
    WindowWatch watch(this);
    s32 choice = menu->Popup(screenPoint);
    menu->Close();
    if (!watch.IsAlive()) return;
    if (choice == kChoiceResetView) ResetView();
    else if (choice == kChoiceExportLwo) ExportLwo();
}

void GeomEdit::ExportLwo()
{
    String folder;
    if (!ChooseFolderDialog("Choose a destination folder", &folder, nullptr, kFileKindModel, nullptr)) return;
    if (!model || !ExportModelToLwo(model, folder.c_str(), header.name))
        ShowErrorBox("The LightWave object '%s.lwo' could not be written to '%s'.", header.name, folder.c_str());
}

TagEdit* NewGeomEditor(TagEntry* entry)
{
    return new GeomEdit(entry);
}
