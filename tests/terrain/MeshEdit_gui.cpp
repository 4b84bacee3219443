// The terrain editor through the fake backend: opening the sample meshes, the bad ones, the
// camera's clock and keys, strokes and fills with their undo entries, the switches, the
// brush radius and the tool menu.
#include <cmath>
#include <string>
#include <vector>

#include "codex/MeshTag.h"
#include "platform/OsKeys.h"
#include "tests/model/TagWriting.h"
#include "tests/terrain/MeshEditSupport.h"

namespace {

using mesh_test::MeshEditFixture;
using mesh_test::OpenPopup;

class MeshEditTest : public MeshEditFixture {};

constexpr const char* kNotLoaded = "The tag could not be loaded.";

TEST_F(MeshEditTest, TheDeltaOpensWithItsDetailMapReadyToPaint)
{
    MeshEdit* e = Open("Eastern Delta");
    ASSERT_TRUE(e);
    EXPECT_STREQ(e->GetClassName(), "MeshEdit");
    EXPECT_STREQ(e->GetTitle(), "Eastern Delta");
    EXPECT_EQ(e->model.Width(), 64u);
    EXPECT_EQ(e->model.chunks.count, 4u);
    EXPECT_EQ(e->model.detailMapLoaded, 1u);
    EXPECT_EQ(e->tool, u32(kMeshDetailTool));
    EXPECT_EQ(e->detailTextures, 1u);
    EXPECT_EQ(e->highlighting, 0u);
    EXPECT_EQ(e->layerEnabled[0], 1u);
    EXPECT_EQ(e->layerEnabled[1], 1u);
    EXPECT_FALSE(e->IsModified());
    EXPECT_FALSE(e->brushList->IsVisible());
    EXPECT_TRUE(e->IsFocused());
    EXPECT_STREQ(e->colorMapName.c_str(), "Eastern Delta");
    // The camera starts where it should; the mesh is never written.
    EXPECT_EQ(e->camera.yaw, 135);
    EXPECT_EQ(e->WriteTagData(nullptr, nullptr), 0);
}

// A local 'mesh' of one chunk over the colour map id, at the version given.
u32 WriteMeshTag(const char* name, u32 colorMap, u16 version)
{
    return WriteNewTag(FourCC("mesh"), name, [colorMap, version](FILE* f, TagHeader* h) {
        MeshHeader m = {};
        m.colorMap = colorMap;
        m.chunkColumns = 1;
        m.chunkRows = 1;
        m.cellsOffset = sizeof(MeshHeader);
        std::vector<MeshCell> cells(32 * 32);
        h->version = version;
        return WriteRecords(&m, 1, kMeshHeaderDescriptor, f) == 1024 &&
               WriteRecords(cells.data(), u32(cells.size()), kMeshCellDescriptor, f) == cells.size() * 12;
    });
}

TEST_F(MeshEditTest, AMeshThatCannotBeReadIsNotOpened)
{
    TagEntry* delta = Named(FourCC(".256"), "Eastern Delta");
    ASSERT_TRUE(delta);
    struct Case {
        const char* name;
        u32 colorMap;
        u16 version;
    } cases[] = {
        {"Wrong Version", delta->tag, 10},
        {"No Colour Map", FourCC("none"), 11},
    };
    for (const Case& c : cases) {
        ASSERT_NE(WriteMeshTag(c.name, c.colorMap, c.version), kNoTagId) << c.name;
        RunSteps(2);
        Answer(0);
        EXPECT_EQ(Open(c.name), nullptr) << c.name;
        Settle();
        ASSERT_FALSE(tetest::Seen().empty()) << c.name;
        EXPECT_EQ(tetest::Seen().back().text, kNotLoaded) << c.name;
        tetest::Seen().clear();
    }
    // The sample's old mesh too.
    Answer(0);
    EXPECT_EQ(Open("Old Valley"), nullptr);
    Settle();
    ASSERT_EQ(tetest::Seen().size(), 1u);
    EXPECT_EQ(tetest::Seen()[0].text, kNotLoaded);
}

TEST_F(MeshEditTest, AFailedReadLeavesNothingHalfBuilt)
{
    TagEntry* delta = Named(FourCC(".256"), "Eastern Delta");
    ASSERT_NE(WriteMeshTag("Orphan", FourCC("none"), 11), kNoTagId);
    RunSteps(2);
    TagEntry* entry = Named(FourCC("mesh"), "Orphan");
    ASSERT_TRUE(entry && delta);
    MeshEdit* e = new MeshEdit(entry);
    EXPECT_EQ(e->Load(), 0);
    EXPECT_EQ(e->model.mesh, nullptr);
    EXPECT_EQ(e->model.chunks.count, 0u);
    EXPECT_EQ(e->model.vertexGrid, nullptr);
    // A second load of a good mesh on the same editor works, and closing frees it all.
    e->entry = Named(FourCC("mesh"), "Eastern Delta");
    EXPECT_EQ(e->Load(), 1);
    EXPECT_EQ(e->model.chunks.count, 4u);
    e->Close();
    Settle();
}

TEST_F(MeshEditTest, TheValleysDetailMapOfOtherSizeIsLeftAlone)
{
    TagEntry* dmap = Named(FourCC("dmap"), "Valley");
    ASSERT_TRUE(dmap);
    char id[5];
    for (int i = 0; i < 4; ++i) id[i] = char(dmap->tag >> (24 - 8 * i));
    id[4] = 0;
    Answer(0);
    MeshEdit* e = Open("Valley");
    ASSERT_TRUE(e);
    ASSERT_EQ(tetest::Seen().size(), 1u);
    EXPECT_EQ(tetest::Seen()[0].title, "dmap tagid conflict detected");
    EXPECT_EQ(tetest::Seen()[0].text,
              std::string("WARNING: A the dmap tag Valley (") + id +
                  ") matches this color map, but its dimensions do not match. If you edit and save the dmap on "
                  "this mesh, it will overwrite the existing file, and the meshes which used that dmap will no "
                  "longer have working detail textures.");
    EXPECT_EQ(tetest::Seen()[0].labels, std::vector<std::string>{"OK"});
    EXPECT_EQ(e->model.detailMapLoaded, 0u);
    EXPECT_EQ(e->tool, u32(kMeshNoTool));
    EXPECT_EQ(e->model.vertexGrid, nullptr);
    // Without a detail map the detail keys do nothing and there is nothing to save.
    PressKey(LIBKEY_TAB);
    EXPECT_FALSE(e->brushList->IsVisible());
    PressKey(LIBKEY_F1 + 1);
    EXPECT_EQ(e->detailTextures, 0u);
    Answer(0);
    CtrlS();
    ASSERT_EQ(tetest::Seen().size(), 2u);
    EXPECT_EQ(tetest::Seen()[1].text, "The save operation could not be completed.");
    EXPECT_FALSE(HasLocalCopy(dmap));
}

TEST_F(MeshEditTest, CameraKeysWaitForTheFirstKeyEventThenTurnAtSixtyStepsASecond)
{
    MeshEdit* e = Open("Eastern Delta");
    ASSERT_TRUE(e);
    // Steps slightly longer than the camera's, so each tick is due exactly one step.
    FakeOsSetStepTime(kMeshStepSeconds * 1.0001);
    WindowSystem::UpdateKeyState('A', 1);
    RunSteps(30);
    EXPECT_EQ(e->camera.yaw, 135);  // held, but no key event yet
    EXPECT_GT(e->model.frameCounter, 20u);
    // The key's own event arms the camera.
    Hold('A');
    Run();
    const u32 start = e->model.frameCounter;
    const float yawAtStart = e->camera.yaw;
    for (int i = 0; i < 400 && e->model.frameCounter - start < 180; ++i) {
        RunSteps(1);
        ASSERT_GE(e->camera.yaw, 0);
        ASSERT_LT(e->camera.yaw, 360);
    }
    ASSERT_EQ(e->model.frameCounter - start, 180u);
    EXPECT_NEAR(e->camera.yaw, yawAtStart, 1e-3);
    Let('A');
    Run();
    const float yaw = e->camera.yaw;
    RunSteps(10);
    EXPECT_EQ(e->camera.yaw, yaw);
}

TEST_F(MeshEditTest, AStallDoesNotBurstTheCamera)
{
    MeshEdit* e = Open("Eastern Delta");
    ASSERT_TRUE(e);
    Hold('D');
    Run();
    const float yaw = e->camera.yaw;
    FakeOsAdvanceTime(5.0);
    RunSteps(1);
    EXPECT_EQ(e->camera.yaw, yaw);  // the clock starts again: no 300 steps at once
    FakeOsAdvanceTime(kMeshStepSeconds * 3.001);
    RunSteps(1);
    EXPECT_NEAR(e->camera.yaw, yaw - 6, 1e-3);
    Let('D');
    Run();
}

TEST_F(MeshEditTest, AStrokeFromPressToReleaseIsOneUndoEntryAndSwallowsKeys)
{
    MeshEdit* e = Open("Eastern Delta");
    ASSERT_TRUE(e);
    HoverView(e);
    ASSERT_EQ(e->mouseInView, 1u);
    e->model.brush.material = 5;
    e->model.brush.radius = 1;
    const u8 before[3] = {Vertex(e, 10, 10), Vertex(e, 20, 10), Vertex(e, 30, 10)};
    std::vector<float> path = {10, 20, 30};
    bool sawStroke = false;
    mesh_test::BeforeStep() = [&]() {
        if (e->buttonHeld && !path.empty()) {
            PlaceBrush(e, path.front(), 10);
            path.erase(path.begin());
        }
        sawStroke = sawStroke || e->IsStrokeActive();
    };
    Press();
    FakeOsEndStep();
    Tap(LIBKEY_F1);  // wireframe, refused mid-stroke
    FakeOsEndStep();
    Tap(LIBKEY_GRAVE_ACCENT);
    FakeOsEndStep();
    FakeOsEndStep();
    Release();
    Run();
    RunSteps(2);
    EXPECT_TRUE(sawStroke);
    EXPECT_FALSE(e->IsStrokeActive());
    EXPECT_EQ(e->buttonHeld, 0u);
    EXPECT_EQ(e->wireframe, 0u);
    EXPECT_EQ(e->overlayShown, 1u);
    EXPECT_EQ(UndoEntries(e), 1u);
    EXPECT_EQ(Vertex(e, 10, 10), 5);
    EXPECT_EQ(Vertex(e, 20, 10), 5);
    EXPECT_EQ(Vertex(e, 30, 10), 5);
    EXPECT_TRUE(e->IsModified());
    // Ctrl+Z takes the whole stroke back; Ctrl+Y brings it again.
    PressKey('Z', 0, 1);
    EXPECT_EQ(Vertex(e, 10, 10), before[0]);
    EXPECT_EQ(Vertex(e, 20, 10), before[1]);
    EXPECT_EQ(Vertex(e, 30, 10), before[2]);
    PressKey('Y', 0, 1);
    EXPECT_EQ(Vertex(e, 20, 10), 5);
    // Keys work again after the stroke.
    PressKey(LIBKEY_F1);
    EXPECT_EQ(e->wireframe, 1u);
    EXPECT_EQ(e->layerEnabled[2], 1u);
    e->SetModified(0);
}

TEST_F(MeshEditTest, AnAltPressFillsOnceAndOffTheMeshNothing)
{
    MeshEdit* e = Open("Eastern Delta");
    ASSERT_TRUE(e);
    HoverView(e);
    e->model.brush.material = 9;
    const u8 before = Vertex(e, 2, 2);
    mesh_test::BeforeStep() = [&]() {
        if (e->buttonHeld) PlaceBrush(e, 2, 2);
    };
    Drag(3, true);
    EXPECT_EQ(UndoEntries(e), 1u);
    EXPECT_EQ(Vertex(e, 2, 2), 9);
    EXPECT_NE(before, 9);
    // Off the mesh (-1) an Alt press fills nothing.
    mesh_test::BeforeStep() = [&]() {
        if (e->buttonHeld) PlaceBrush(e, -1, -1);
    };
    Drag(2, true);
    EXPECT_EQ(UndoEntries(e), 1u);
    e->SetModified(0);
}

TEST_F(MeshEditTest, TheRadiusStaysWithinItsLimits)
{
    MeshEdit* e = Open("Eastern Delta");
    ASSERT_TRUE(e);
    HoverView(e);
    EXPECT_FLOAT_EQ(e->model.brush.radius, 3);
    PressKey(']');
    EXPECT_NEAR(e->model.brush.radius, 3.2f, 1e-5);
    // A few keys a step: the event ring holds 32.
    for (int i = 0; i < 40; ++i) {
        Tap(']');
        if (i % 8 == 7) FakeOsEndStep();
    }
    Run();
    EXPECT_FLOAT_EQ(e->model.brush.radius, 10);
    for (int i = 0; i < 60; ++i) {
        Tap('[');
        if (i % 8 == 7) FakeOsEndStep();
    }
    Run();
    EXPECT_FLOAT_EQ(e->model.brush.radius, 0.2f);
    FakeOsScroll(0, -100);
    Run();
    EXPECT_FLOAT_EQ(e->model.brush.radius, 10);
    FakeOsScroll(0, 100);
    Run();
    EXPECT_FLOAT_EQ(e->model.brush.radius, 0.2f);
    FakeOsScroll(0, -1);
    Run();
    EXPECT_NEAR(e->model.brush.radius, 0.4f, 1e-5);
}

TEST_F(MeshEditTest, SwitchKeysAfterALoad)
{
    MeshEdit* e = Open("Eastern Delta");
    ASSERT_TRUE(e);
    // F3 right after the load turns highlighting on (the data layer is already enabled).
    PressKey(LIBKEY_F1 + 2);
    EXPECT_EQ(e->highlighting, 1u);
    EXPECT_EQ(e->layerEnabled[1], 1u);
    PressKey(LIBKEY_F1 + 2);
    EXPECT_EQ(e->highlighting, 0u);
    EXPECT_EQ(e->layerEnabled[1], 0u);
    struct Row {
        int key;
        u32 MeshEdit::*field;
    } rows[] = {{LIBKEY_GRAVE_ACCENT, &MeshEdit::overlayShown}, {LIBKEY_F1, &MeshEdit::wireframe},
                {LIBKEY_F1 + 1, &MeshEdit::detailTextures}};
    for (const Row& r : rows) {
        const u32 was = e->*r.field;
        PressKey(r.key);
        EXPECT_EQ(e->*r.field, was ^ 1) << r.key;
    }
    PressKey(LIBKEY_F1 + 3);
    EXPECT_EQ(e->model.brushShape, u32(kBrushSquare));
    PressKey(LIBKEY_F1 + 4);
    EXPECT_EQ(e->model.brushMode, u32(kBrushTriangle));
    EXPECT_EQ(e->layerEnabled[3], 1u);
    PressKey(LIBKEY_F1 + 5);
    EXPECT_EQ(e->model.mediaAnimation, 1u);
    for (u32 expected : {1u, 2u, 0u}) {
        PressKey(LIBKEY_F1 + 6);
        EXPECT_EQ(e->highlightMode, expected);
    }
    // Scale keys change the brush material's scale, within 1..256.
    PressKey('=');
    EXPECT_EQ(e->MaterialScale(0), e->materials.items[0].scale);
    const u32 scale = e->MaterialScale(0);
    PressKey('-');
    EXPECT_EQ(e->MaterialScale(0), scale - 1);
    e->SetModified(0);
    // Tab shows the brush list and gives it the keys; the editor still counts as focused.
    PressKey(LIBKEY_TAB);
    EXPECT_TRUE(e->brushList->IsVisible());
    EXPECT_TRUE(e->IsFocused());
    EXPECT_EQ(WindowSystem::GetFocus(), static_cast<Window*>(e->brushList));
    PressKey(LIBKEY_TAB);
    EXPECT_FALSE(e->brushList->IsVisible());
    EXPECT_EQ(WindowSystem::GetFocus(), static_cast<Window*>(e));
}

// What the open tool menu shows: "title=enabled" per item, submenu items after their row.
std::vector<std::string> MenuRows(Menu* menu)
{
    std::vector<std::string> rows;
    for (MenuItem* item = menu->FirstItem(); item; item = MenuItem::NextItem(item)) {
        if (item->IsSeparator()) {
            rows.push_back("-");
            continue;
        }
        rows.push_back(std::string(item->GetTitle()) + "=" + (item->IsEnabled() ? "1" : "0"));
        for (MenuItem* sub = item->FirstItem(); sub; sub = MenuItem::NextItem(sub))
            rows.push_back(std::string("  ") + sub->GetTitle() + "=" + (sub->IsEnabled() ? "1" : "0"));
    }
    return rows;
}

class MeshEditMenuTest : public MeshEditFixture {
protected:
    // Right-clicks the view and dismisses the menu with Esc; answers its rows.
    std::vector<std::string> ShowAndDismiss(MeshEdit* e)
    {
        std::vector<std::string> rows;
        mesh_test::BeforeStep() = [&]() {
            if (Menu* m = OpenPopup()) {
                if (rows.empty()) rows = MenuRows(m);
                menuFrame = m->GetFrameRect();
            }
        };
        Press(1);
        FakeOsEndStep();
        FakeOsEndStep();
        Tap(LIBKEY_ESCAPE);
        FakeOsEndStep();
        Release(1);
        Run();
        RunSteps(2);
        mesh_test::BeforeStep() = nullptr;
        EXPECT_EQ(OpenPopup(), nullptr);
        // The popup lay under the pointer: the view counts the mouse again once it moves.
        HoverView(e);
        // The next click must not count as the second of a double click.
        FakeOsAdvanceTime(2.0);
        return rows;
    }
    Rect menuFrame = {};  // where the last menu shown lay on the screen
};

TEST_F(MeshEditMenuTest, ItemsAreEnabledByDetailMapAndTool)
{
    auto rows = [](const char* detail, const char* withTool) {
        const std::string d = detail, t = withTool;
        return std::vector<std::string>{"Switch Tool=1",
                                        "  No Tool=1",
                                        "  Detail Map Tool=" + d,
                                        "-",
                                        "New Detail Map (From Terrain)=1",
                                        "New Detail Map (Blank)=1",
                                        "Import Vertex Detail=" + d,
                                        "Export Vertex Detail=" + d,
                                        "Import Triangle Detail=" + d,
                                        "Export Triangle Detail=" + d,
                                        "Import Highlight CLUT=" + d,
                                        "-",
                                        "Toggle Info (~)=1",
                                        "Toggle Palette (tab)=" + t,
                                        "Toggle Wireframe (f1)=1",
                                        "Toggle Detail Textures (f2)=" + d,
                                        "Toggle Texture Highlighting (f3)=" + d,
                                        "Toggle Brush Shape (f4)=" + t,
                                        "Toggle Triangle Mode (f5)=" + t,
                                        "Toggle Media Animation (f6)=1",
                                        "Toggle Highlight mode (f7)=" + t};
    };
    MeshEdit* delta = Open("Eastern Delta");
    ASSERT_TRUE(delta);
    HoverView(delta);
    EXPECT_EQ(ShowAndDismiss(delta), rows("1", "1"));
    // No tool: the detail map's items stay, the tool's go grey.
    delta->SetTool(kMeshNoTool);
    EXPECT_EQ(ShowAndDismiss(delta), rows("1", "0"));
    delta->Close();
    Settle();

    Answer(0);  // the dimension warning
    MeshEdit* valley = Open("Valley");
    ASSERT_TRUE(valley);
    HoverView(valley);
    EXPECT_EQ(ShowAndDismiss(valley), rows("0", "0"));
}

// The button's position is already a screen point: a corner of the menu is the pointer,
// wherever the editor lies on the screen.
TEST_F(MeshEditMenuTest, TheMenuOpensAtThePointer)
{
    MeshEdit* e = Open("Eastern Delta");
    ASSERT_TRUE(e);
    for (Point corner : {Point{0, 0}, Point{60, 90}}) {
        SCOPED_TRACE(corner.x);
        e->MoveTo(corner.x, corner.y);
        Settle();
        HoverView(e);
        const Point pointer = WindowSystem::GetMousePos();
        menuFrame = Rect{};
        ASSERT_FALSE(ShowAndDismiss(e).empty());
        // Opened down and right from the pointer, or up from it where it would not fit below.
        EXPECT_EQ(menuFrame.left, pointer.x);
        EXPECT_TRUE(menuFrame.top == pointer.y || menuFrame.bottom == pointer.y)
            << menuFrame.top << ".." << menuFrame.bottom << " for " << pointer.y;
    }
}

TEST_F(MeshEditMenuTest, ADismissedMenuIgnoresTheNextButtonEvent)
{
    MeshEdit* e = Open("Eastern Delta");
    ASSERT_TRUE(e);
    HoverView(e);
    ShowAndDismiss(e);
    EXPECT_EQ(e->ignoreNextButton, 1u);
    mesh_test::BeforeStep() = [&]() {
        if (e->buttonHeld) PlaceBrush(e, 20, 20);
    };
    // The press after the dismissal is not a stroke...
    Press();
    Run();
    EXPECT_EQ(e->buttonHeld, 0u);
    EXPECT_EQ(e->ignoreNextButton, 0u);
    Release();
    Run();
    EXPECT_EQ(UndoEntries(e), 0u);
    FakeOsAdvanceTime(2.0);
    // ...the next one is.
    Drag(2);
    EXPECT_EQ(UndoEntries(e), 1u);
    e->SetModified(0);
}

TEST_F(MeshEditMenuTest, ChoicesRunTheSwitches)
{
    MeshEdit* e = Open("Eastern Delta");
    ASSERT_TRUE(e);
    e->RunToolChoice(kMeshMenuWireframe);
    EXPECT_EQ(e->wireframe, 1u);
    EXPECT_EQ(e->layerEnabled[2], 1u);
    e->RunToolChoice(kMeshMenuInfo);
    EXPECT_EQ(e->overlayShown, 0u);
    e->RunToolChoice(kMeshMenuPalette);
    EXPECT_TRUE(e->brushList->IsVisible());
    // Leaving the tool hides the list and hands the focus back.
    e->RunToolChoice(kMeshMenuNoTool);
    EXPECT_EQ(e->tool, u32(kMeshNoTool));
    EXPECT_FALSE(e->brushList->IsVisible());
    EXPECT_EQ(WindowSystem::GetFocus(), static_cast<Window*>(e));
    e->RunToolChoice(kMeshMenuDetailTool);
    EXPECT_EQ(e->tool, u32(kMeshDetailTool));
}

TEST_F(MeshEditMenuTest, TheMenuIsRefusedMidStroke)
{
    MeshEdit* e = Open("Eastern Delta");
    ASSERT_TRUE(e);
    HoverView(e);
    e->model.brush.material = 4;
    bool menuSeen = false;
    u32 modeDuringStroke = 0;
    mesh_test::BeforeStep() = [&]() {
        if (e->buttonHeld) PlaceBrush(e, 12, 12);
        if (OpenPopup()) {
            menuSeen = true;
            WindowSystem::EndModal(OpenPopup(), u64(-1));
        }
        if (e->IsStrokeActive()) modeDuringStroke = e->model.brushMode;
    };
    Press();
    FakeOsEndStep();
    Press(1);
    FakeOsEndStep();
    Release(1);
    FakeOsEndStep();
    Release();
    Run();
    RunSteps(2);
    EXPECT_FALSE(menuSeen);
    EXPECT_EQ(modeDuringStroke, u32(kBrushVertex));
    EXPECT_EQ(UndoEntries(e), 1u);
    // The undo entry belongs to the vertex grid the stroke painted.
    PressKey('Z', 0, 1);
    EXPECT_NE(Vertex(e, 12, 12), 4);
    EXPECT_EQ(e->ignoreNextButton, 0u);
    e->SetModified(0);
}

}  // namespace
