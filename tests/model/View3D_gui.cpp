// The 3D view's camera driven through its drag buttons (fake platform), and what it draws
// (real OpenGL under Xvfb).
#include <GL/gl.h>

#include <cmath>
#include <cstring>
#include <set>

#include "model/ui/View3D.h"
#include "model/ui/ViewTransformButton.h"
#include "tests/gui/PixelTestSupport.h"
#include "tests/gui/WindowTestSupport.h"

namespace {

constexpr float kTurn = 6.2831853f;

class ViewDrag : public wtest::WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        owner = new Window(WF_VISIBLE | WF_PANEL, Layer0());
        owner->SetFrame(Rect{100, 100, 500, 500});
        view = new View3D(owner);
        view->SetDistance(100);
        const struct {
            ViewTransformButton::Operation op;
            u32 icon;
        } buttons[3] = {{&View3D::Pan, 28}, {&View3D::Rotate, 35}, {&View3D::Zoom, 78}};
        for (int i = 0; i < 3; ++i) {
            button[i] = new ViewTransformButton(owner, u32(i), owner, view, buttons[i].op, buttons[i].icon,
                                                buttons[i].icon + 2, buttons[i].icon + 1);
            button[i]->SetFrame(Rect{400 - 45 + 15 * i, 0, 400 - 30 + 15 * i, 15});
        }
        wtest::Step();
    }
    void TearDown() override
    {
        delete view;
        WindowFixture::TearDown();
    }

    // Presses the button, moves the mouse by each motion in turn (relative mode reports the
    // motion from the screen's centre, 400 x 300) and releases it.
    void Drag(int which, std::initializer_list<Point> motions)
    {
        Rect r = button[which]->content;
        MoveTo((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        Press();
        Run();
        EXPECT_EQ(u32(BUTTON_PRESSED), button[which]->buttonState);
        for (Point m : motions) {
            MoveTo(400 + m.x, 300 + m.y);
            Run();
        }
        Release();
        Run();
        EXPECT_EQ(u32(BUTTON_NORMAL), button[which]->buttonState);
    }

    Window* owner = nullptr;
    View3D* view = nullptr;
    ViewTransformButton* button[3] = {};
};

TEST_F(ViewDrag, ThirtyTwoPixelsOfZoomDoubleOrHalveTheDistanceAndVerticalMotionDoesNothing)
{
    Drag(2, {{16, 0}, {16, 0}});
    EXPECT_FLOAT_EQ(200.0f, view->distance);
    EXPECT_FLOAT_EQ(200.0f, view->baseDistance);
    EXPECT_GE(view->farPlane, 65535.0f);
    Drag(2, {{-32, 0}, {0, 0}});
    EXPECT_FLOAT_EQ(100.0f, view->distance);
    Drag(2, {{0, 40}, {0, -90}});
    EXPECT_FLOAT_EQ(100.0f, view->distance);
}

TEST_F(ViewDrag, TwoHundredFiftySixPixelsRotateOnceAroundAndPanFollowsTheCameraAxes)
{
    Drag(1, {{100, 0}, {156, 64}});
    EXPECT_NEAR(kTurn, view->angles[0], 1e-4);
    EXPECT_NEAR(kTurn / 4, view->angles[1], 1e-4);
    EXPECT_EQ(0.0f, view->angles[2]);
    // The axes come from the last frame; with no rotation right is x and up is y.
    view->SetAngles(0, 0, 0);
    view->right[0] = 1, view->right[1] = 0, view->right[2] = 0;
    view->up[0] = 0, view->up[1] = 1, view->up[2] = 0;
    Drag(0, {{128, 0}, {0, 64}});
    EXPECT_FLOAT_EQ(1.0f, view->target[0]);
    EXPECT_FLOAT_EQ(0.5f, view->target[1]);
    EXPECT_FLOAT_EQ(0.5f, view->baseTarget[1]);
}

// A 2 x 2 square at z = 0 facing the camera, textured with a picture of four colours.
RenderModel* TexturedSquare()
{
    RenderModel* m = NewRenderModel();
    const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    for (const auto& c : corners) {
        RenderVertex v = {};
        v.position[0] = c[0], v.position[1] = c[1];
        m->vertices.Push(v);
    }
    const u32 tris[2][3] = {{0, 1, 2}, {0, 2, 3}};
    for (const auto& tri : tris) {
        RenderTriangle t = {};
        t.model = m;
        t.color = 0xFFFFFFFFu;
        for (int k = 0; k < 3; ++k) {
            t.corner[k].vertex = s32(tri[k]);
            t.corner[k].u = (corners[tri[k]][0] + 1) / 2;
            t.corner[k].v = (1 - corners[tri[k]][1]) / 2;
        }
        m->triangles.Push(t);
    }
    RenderMaterial* mat = AddRenderMaterial(m);
    // Quadrants of 8 x 8 texels, so that filtering leaves their middles pure.
    u8 px[16 * 16];
    for (u32 y = 0; y < 16; ++y)
        for (u32 x = 0; x < 16; ++x) px[y * 16 + x] = u8((y / 8) * 2 + x / 8);
    mat->image.Create(16, 16, kImageIndexed, px);
    const Rgb palette[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};
    mat->image.SetPalette(4, palette);
    mat->imageLoaded = 1;
    return m;
}

class ViewWindow : public Window {
public:
    ViewWindow(Window* parent) : Window(WF_VISIBLE, parent), view(this) {}
    void DrawContent() override
    {
        BeginDraw(1, 1);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        view.Draw();
        EndDraw();
    }
    View3D view;
};

class ViewPixels : public pixeltest::SkinnedScreen {
protected:
    // A view window of the size at the screen's top left showing the model from the distance.
    ViewWindow* Show(RenderModel* model, s32 size, float distance)
    {
        ViewWindow* w = new ViewWindow(WindowSystem::GetLayerRoot(0));
        w->SetFrame(Rect{0, 0, size, size});
        w->view.AddModel(model);
        w->view.SetDistance(distance);
        return w;
    }
    static void Close(ViewWindow* w, RenderModel* model)
    {
        w->Close();
        WindowSystem::ProcessDeferredDeletes();
        DeleteRenderModel(model);
    }
};

TEST_F(ViewPixels, TheTextureShowsItsFourColoursFacingTheCamera)
{
    RenderModel* model = TexturedSquare();
    ViewWindow* w = Show(model, 200, 3);
    pixeltest::Shot shot = Render();
    std::set<u32> seen;
    for (int y : {60, 140})
        for (int x : {60, 140}) seen.insert(shot.At(x, y));
    EXPECT_EQ((std::set<u32>{0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF}), seen);
    EXPECT_EQ(0u, shot.At(5, 5));  // outside the square: the clear colour
    EXPECT_NE(0u, w->view.GetMaterialTexture(model, 0));
    Close(w, model);
}

TEST_F(ViewPixels, ChangesToTheTrianglesOrVerticesBetweenFramesShowInTheNextFrame)
{
    // The view keeps its draw order and arrays from frame to frame while nothing changes.
    RenderModel* model = TexturedSquare();
    ViewWindow* w = Show(model, 200, 3);
    EXPECT_EQ(0xFF0000u, Render().At(140, 140));
    Render();
    for (RenderTriangle& t : model->triangles) {
        t.material = -1;
        t.color = 0xFF00FF00u;  // opaque green
    }
    pixeltest::Shot green = Render();
    EXPECT_EQ(0x00FF00u, green.At(60, 60));
    EXPECT_EQ(0x00FF00u, green.At(140, 140));
    model->triangles.data[1].color = 0xFFFF0000u;  // one half turns blue, the other stays green
    pixeltest::Shot halves = Render();
    EXPECT_EQ(0xFF0000u, halves.At(140, 60));
    EXPECT_EQ(0x00FF00u, halves.At(60, 140));
    for (RenderVertex& v : model->vertices) v.position[0] *= 0.25f, v.position[1] *= 0.25f;
    pixeltest::Shot small = Render();
    EXPECT_EQ(0u, small.At(60, 60)) << "the square shrank from there";
    EXPECT_EQ(0x00FF00u, small.At(95, 105));
    Close(w, model);
}

TEST_F(ViewPixels, ACameraMoveBetweenFramesShowsInTheNextFrameAndEveryFrameLeavesTheProjectionsFilled)
{
    // The view projects the vertices again only when the camera or the vertices change.
    RenderModel* model = TexturedSquare();
    for (RenderTriangle& t : model->triangles) {
        t.material = -1;
        t.color = 0xFF00FF00u;  // opaque green
    }
    ViewWindow* w = Show(model, 200, 3);
    Render();
    pixeltest::Shot still = Render();
    EXPECT_EQ(0x00FF00u, still.At(60, 60));
    EXPECT_EQ(0x00FF00u, still.At(140, 100));
    const RenderVertex corner = model->vertices.data[0];
    const float depth = model->triangles.data[0].sortDepth;

    // Written over between frames: the next frame fills them in again.
    model->vertices.data[0].projected[0] = -1;
    model->vertices.data[0].projected[2] = -1;
    model->triangles.data[0].sortDepth = -1;
    Render();
    EXPECT_EQ(0, std::memcmp(&corner, &model->vertices.data[0], sizeof corner));
    EXPECT_EQ(depth, model->triangles.data[0].sortDepth);

    w->view.SetDistance(12);  // four times as far: a quarter of the size
    pixeltest::Shot far = Render();
    EXPECT_EQ(0u, far.At(60, 60)) << "the square shrank from there";
    EXPECT_EQ(0x00FF00u, far.At(100, 100));
    EXPECT_NE(corner.projected[0], model->vertices.data[0].projected[0]);
    EXPECT_NE(depth, model->triangles.data[0].sortDepth);

    w->view.SetDistance(3);
    w->view.SetTarget(0.75f, 0, 0);  // the square moves sideways by three eighths of its width
    pixeltest::Shot moved = Render();
    EXPECT_EQ((std::set<u32>{0u, 0x00FF00u}), (std::set<u32>{moved.At(60, 100), moved.At(140, 100)}))
        << "one side of the square left its place";
    EXPECT_EQ(0x00FF00u, moved.At(100, 100));
    Close(w, model);
}

TEST_F(ViewPixels, AnEmptyModelOrASinglePointGivesFiniteMatricesAtDistanceZero)
{
    RenderModel* model = NewRenderModel();
    ViewWindow* w = Show(model, 100, 0);
    Render();
    for (double v : w->view.modelView) EXPECT_TRUE(std::isfinite(v));
    for (double v : w->view.projection) EXPECT_TRUE(std::isfinite(v));
    EXPECT_EQ(0.0f, w->view.distance);
    Close(w, model);
}

}  // namespace
