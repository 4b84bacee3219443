#pragma once
// The geometry viewer: the editor of 'geom' tags. It shows the geometry, textured from the
// collection its 'core' tag names, in an orbiting 3D view with three drag buttons (Pan,
// Rotate, Zoom) and its counts, and exports it as a LightWave object. It never writes its tag.
#include "codex/Geometry.h"
#include "model/RenderModel.h"
#include "tagedit/TagEdit.h"

class View3D;
class ViewTransformButton;

class GeomEdit : public TagEdit {
public:
    explicit GeomEdit(TagEntry* entry);
    // Frees the view, the geometry and the model, in that order.
    ~GeomEdit() override;
    const char* GetClassName() const override { return "GeomEdit"; }
    // The buttons at the content's top right: Pan, Rotate, Zoom.
    void Resized() override;
    // The model in 3D, then "Triangles: %d\nVertices: %d\nMaterials: %d\n" over it.
    void DrawContent() override;
    void DrawBackground() override {}
    // Right press: the context menu. Other presses capture the mouse without changing the
    // view (the buttons drag it).
    void MouseButton(Event* event) override;
    // Reads the geometry, builds its model and view and the three buttons, resets the view
    // and sizes the editor 400 x 400. 0 when the geometry cannot be read.
    int ReadTagData(FILE* stream, TagHeader* header) override;
    // The viewer changes nothing, so there is nothing to save: 0.
    int WriteTagData(FILE* stream, TagHeader* header) override;

    // Looks at the box's centre from 1.5 x its diagonal, angles zero.
    void ResetView();
    // "Reset View" and "Export LWO..." at the screen point.
    void ShowContextMenu(Point screenPoint);
    // Asks for a folder ("Choose a destination folder") and writes the model there under the
    // tag's name; a failure is shown.
    void ExportLwo();

    View3D* view;
    RenderModel* model;
    Geometry* geometry;
    ViewTransformButton* panButton;
    ViewTransformButton* rotateButton;
    ViewTransformButton* zoomButton;
    float diagonal;
    float resetDistance;
};

// The factory registered for 'geom'.
TagEdit* NewGeomEditor(TagEntry* entry);
