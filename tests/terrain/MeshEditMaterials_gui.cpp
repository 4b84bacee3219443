// The terrain editor's detail materials through the fake backend: the detail map loaded into
// materials and saved back, failed saves, the brush list's rows, the material dialogs, new
// detail maps, the highlight colour table and tag database events.
#include <signal.h>
#include <sys/resource.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "codex/DetailMap.h"
#include "codex/DtexTag.h"
#include "codex/TagFiles.h"
#include "foundation/ActFile.h"
#include "gui/ColorButton.h"
#include "gui/TextBox.h"
#include "platform/OsFake.h"
#include "platform/OsKeys.h"
#include "terrain/ui/ChoiceDialog.h"
#include "terrain/ui/TerrainTypesDialog.h"
#include "tests/terrain/MeshEditSupport.h"

namespace {

using mesh_test::MeshEditFixture;
using mesh_test::ModalDialog;

constexpr u32 kDmap = FourCC("dmap");

std::string RowText(MeshEdit* e, u32 i)
{
    ListItem* row = e->MaterialRow(i);
    return row && row->text ? row->text : "<missing row>";
}

std::string FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The detail map as the tag database now reads it; null when it cannot be read.
std::unique_ptr<DetailMap, void (*)(DetailMap*)> ReadBack(TagEntry* entry, TagHeader* header)
{
    DetailMap* map = nullptr;
    if (FILE* f = OpenTag(entry, header)) map = LoadDetailMap(f, header);
    CloseTagReader(entry);
    return {map, [](DetailMap* m) {
                if (m) FreeDmap(m);
                delete m;
            }};
}

class MeshEditMaterialsTest : public MeshEditFixture {
protected:
    TagEntry* DeltaDmap() { return Named(kDmap, "Eastern Delta"); }
    // Rewrites the Delta's detail map as a local tag changed by change.
    template <typename Change>
    void RewriteDeltaDmap(u8 flags, u32 user, Change change)
    {
        TagEntry* entry = DeltaDmap();
        ASSERT_TRUE(entry);
        TagHeader h;
        auto map = ReadBack(entry, &h);
        ASSERT_TRUE(map);
        change(map.get());
        h.flags = flags;
        h.user = user;
        FILE* f = BeginTagWrite(entry, &h, nullptr);
        ASSERT_TRUE(f);
        const int ok = WriteDmapTag(map.get(), f, &h);
        ASSERT_TRUE(FinishTagWrite(entry, &h, ok != 0));
        RunSteps(2);
    }
    // Runs act on the first step that shows a dialog of type T.
    template <typename T>
    void OnDialog(std::function<void(T*)> act)
    {
        auto done = std::make_shared<bool>(false);
        mesh_test::BeforeStep() = [act, done] {
            if (*done) return;
            if (T* d = ModalDialog<T>()) {
                *done = true;
                act(d);
            }
        };
    }
};

TEST_F(MeshEditMaterialsTest, TheDetailMapLoadsIntoMaterialsRowsAndTheTable)
{
    MeshEdit* e = Open("Eastern Delta");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->brushList->GetItemCount(), 128u);
    EXPECT_EQ(e->MaterialScale(1), 128u);
    EXPECT_EQ(e->MaterialScale(2), 64u);
    EXPECT_EQ(e->materials.items[1].entry.dtex, FourCC("gras"));
    ASSERT_TRUE(e->materials.items[1].texture);
    EXPECT_FLOAT_EQ(e->materials.items[1].uRepeat, 128.0f / 32);
    EXPECT_EQ(e->materials.highlight[1], (Rgb{0x20, 0xFF, 0x1A}));
    EXPECT_EQ(RowText(e, 0), " 000 ~ <no tag>");
    EXPECT_EQ(RowText(e, 1), " 001 ~ |iMeadow|p (Grass)");
    EXPECT_EQ(e->materialName, " 000 ~ <no tag>") << "the first row is the brush's";
    EXPECT_FALSE(e->IsModified());
}

TEST_F(MeshEditMaterialsTest, ASavedDetailMapReadsBackEqualAndKeepsItsHeadersFlagsAndUser)
{
    RewriteDeltaDmap(0x21, 0x00C0FFEE, [](DetailMap* m) {
        m->entries[3].scale = 255;
        m->entries[3].dtex = FourCC("sand");
        strcpy(m->entries[3].name, "Dunes");
        m->entries[4].color[0] = 9;
    });
    MeshEdit* e = Open("Eastern Delta");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->MaterialScale(3), 256u);
    EXPECT_EQ(RowText(e, 3), " 003 ~ |iDunes|p (Sand)");
    PlaceBrush(e, 10, 10);
    e->model.brush.material = 5;
    HoverView(e);
    Drag(2);
    e->model.brushMode = kBrushTriangle;
    PlaceBrush(e, 20, 20);
    Drag(2);
    ASSERT_TRUE(e->IsModified());
    CtrlS();
    Settle();
    EXPECT_FALSE(e->IsModified());
    EXPECT_TRUE(tetest::Seen().empty());

    TagEntry* entry = DeltaDmap();
    TagHeader h;
    auto map = ReadBack(entry, &h);
    ASSERT_TRUE(map);
    EXPECT_EQ(h.version, 2);
    EXPECT_EQ(h.flags, 0x21);
    EXPECT_EQ(h.user, 0x00C0FFEEu);
    EXPECT_STREQ(h.name, "Eastern Delta");
    ASSERT_EQ(map->width, 64u);
    EXPECT_EQ(memcmp(map->bytePlane, e->model.vertexGrid->Bytes(), 64 * 64), 0);
    EXPECT_EQ(memcmp(map->pairPlane, e->model.triangleGrid->Bytes(), 64 * 64 * 2), 0);
    EXPECT_EQ(map->bytePlane[10 * 64 + 10], 5);
    EXPECT_EQ(map->entries[3].scale, 255);
    EXPECT_EQ(map->entries[3].dtex, FourCC("sand"));
    EXPECT_STREQ(map->entries[3].name, "Dunes");
    EXPECT_EQ(map->entries[4].color[0], 9);
    for (u32 i = 0; i < 128; ++i) {
        EXPECT_EQ(map->entries[i].scale, e->MaterialScale(i) - 1) << i;
        EXPECT_EQ(map->entries[i].color[1], e->materials.highlight[i].g) << i;
    }
}

TEST_F(MeshEditMaterialsTest, AFailedWriteReportsAndLeavesTheEarlierFileByteForByte)
{
    MeshEdit* e = Open("Eastern Delta");
    ASSERT_TRUE(e);
    CtrlS();  // a first local copy
    Settle();
    TagEntry* entry = DeltaDmap();
    ASSERT_TRUE(entry && entry->local_copy);
    std::string path;
    for (auto& f : std::filesystem::recursive_directory_iterator(Local()))
        if (f.is_regular_file()) path = f.path().string();
    ASSERT_FALSE(path.empty());
    const std::string before = FileBytes(path);
    ASSERT_GT(before.size(), 6000u);
    PlaceBrush(e, 30, 30);
    e->model.brush.material = 9;
    HoverView(e);
    Drag(2);

    // Files may not grow past 4 KB: the write of the planes fails part-way.
    rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    Answer(0);
    CtrlS();
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, SIG_DFL);
    ASSERT_EQ(tetest::Seen().size(), 1u);
    EXPECT_EQ(tetest::Seen()[0].text, "The save operation could not be completed.");
    EXPECT_TRUE(e->IsModified());
    EXPECT_EQ(FileBytes(path), before);
    u32 files = 0;
    for (auto& f : std::filesystem::recursive_directory_iterator(Local())) files += f.is_regular_file();
    EXPECT_EQ(files, 1u) << "no partial file beside it";
}

// A stroke painted through the window's own input: Tab shows the brush list, Down picks the
// material, the left button is pressed over the view, moved and released, and Ctrl+S saves.
// Picking needs OpenGL, so a step hook stands in for it: the mouse over the view puts the brush
// on row 12, one cell to the right for every 4 pixels right of where the stroke starts.
TEST_F(MeshEditMaterialsTest, AStrokeSavedWithCtrlSChangesTheDetailMapOnDiskOnlyWhereItPainted)
{
    TagHeader was, h;
    auto original = ReadBack(DeltaDmap(), &was);
    ASSERT_TRUE(original);
    ASSERT_EQ(original->width, 64u);
    MeshEdit* e = Open("Eastern Delta");
    ASSERT_TRUE(e);
    PressKey(LIBKEY_TAB);
    ASSERT_TRUE(e->brushList->IsVisible());
    for (int i = 0; i < 3; ++i) PressKey(LIBKEY_DOWN);
    ASSERT_EQ(e->model.brush.material, 3u) << "material 3 is used nowhere in the sample";
    ASSERT_FALSE(e->IsModified());

    const Point start = ViewCentre(e);
    mesh_test::BeforeStep() = [e, start] {
        if (!e->mouseInView) return;
        const float x = 10 + float(WindowSystem::GetMousePos().x - start.x) / 4;
        if (x != e->model.brush.x || e->model.brush.z != 12) PlaceBrush(e, x, 12);
    };
    HoverView(e);
    MoveTo(start.x, start.y);
    Run();
    Press();
    FakeOsEndStep();
    for (int dx = 4; dx <= 24; dx += 4) {
        MoveTo(start.x + dx, start.y);
        FakeOsEndStep();
        FakeOsEndStep();
    }
    Release();
    Run();
    RunSteps(2);
    mesh_test::BeforeStep() = nullptr;
    EXPECT_FALSE(e->IsStrokeActive());
    EXPECT_EQ(UndoEntries(e), 1u) << "one stroke, one undo entry";
    ASSERT_TRUE(e->IsModified());
    CtrlS();
    Settle();
    EXPECT_TRUE(tetest::Seen().empty());
    EXPECT_FALSE(e->IsModified());

    TagEntry* entry = DeltaDmap();
    ASSERT_TRUE(entry && entry->local_copy);
    auto saved = ReadBack(entry, &h);
    ASSERT_TRUE(saved);
    ASSERT_EQ(saved->width, 64u);
    ASSERT_EQ(saved->height, 64u);
    EXPECT_STREQ(h.name, was.name);
    EXPECT_EQ(h.flags, was.flags);
    EXPECT_EQ(h.user, was.user);
    EXPECT_EQ(memcmp(saved->entries, original->entries, sizeof saved->entries), 0) << "entries as they were";
    EXPECT_EQ(memcmp(saved->pairPlane, original->pairPlane, 64 * 64 * 2), 0) << "a vertex stroke leaves triangles";
    EXPECT_EQ(memcmp(saved->bytePlane, e->model.vertexGrid->Bytes(), 64 * 64), 0);
    // The brush went from (10, 12) to (16, 12) with radius 3: every point it covered now holds
    // 3, and no point farther away changed.
    const float radius = e->model.brush.radius;
    u32 changed = 0;
    for (u32 z = 0; z < 64; ++z)
        for (u32 x = 0; x < 64; ++x) {
            const u8 before = original->bytePlane[z * 64 + x], after = saved->bytePlane[z * 64 + x];
            const float dx = x < 10 ? 10.0f - x : (x > 16 ? float(x) - 16 : 0), dz = float(z) - 12;
            const float distance = std::sqrt(dx * dx + dz * dz);
            if (distance <= radius - 0.5f) {
                EXPECT_EQ(after, 3) << x << "," << z;
            }
            if (before == after) continue;
            ++changed;
            EXPECT_EQ(after, 3) << x << "," << z;
            EXPECT_LE(distance, radius) << "painted at " << x << "," << z << " outside the stroke";
        }
    EXPECT_GE(changed, 7u * 5);
}

// The detail map of a mesh opened from the archive has no local copy yet: when its local
// folder cannot be made, the save says so, the editor stays modified and nothing is written.
TEST_F(MeshEditMaterialsTest, ASaveWhoseLocalFolderCannotBeMadeReportsAndWritesNothing)
{
    TagHeader h;
    auto original = ReadBack(DeltaDmap(), &h);
    ASSERT_TRUE(original);
    MeshEdit* e = Open("Eastern Delta");
    ASSERT_TRUE(e);
    PlaceBrush(e, 30, 30);
    e->model.brush.material = 9;
    HoverView(e);
    Drag(2);
    ASSERT_TRUE(e->IsModified());
    // A file where the group's folder would go (the tests run as root, so permissions would not
    // stop the write).
    const std::string blocker = Local() + "detail maps";
    std::filesystem::create_directories(Local());
    std::ofstream(blocker, std::ios::binary) << "in the way";
    Answer(0);
    CtrlS();
    Settle();
    ASSERT_EQ(tetest::Seen().size(), 1u);
    EXPECT_EQ(tetest::Seen()[0].title, "Error");
    EXPECT_EQ(tetest::Seen()[0].text, "The save operation could not be completed.");
    EXPECT_TRUE(e->IsModified());
    EXPECT_EQ(FileBytes(blocker), "in the way");
    u32 files = 0;
    for (auto& f : std::filesystem::recursive_directory_iterator(Local())) files += f.is_regular_file();
    EXPECT_EQ(files, 1u) << "nothing written beside the blocking file";
    TagEntry* entry = DeltaDmap();
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->local_copy, nullptr);
    auto map = ReadBack(entry, &h);
    ASSERT_TRUE(map);
    EXPECT_EQ(memcmp(map->bytePlane, original->bytePlane, 64 * 64), 0) << "the archive's copy is still the one read";
    EXPECT_EQ(Vertex(e, 30, 30), 9) << "the painting stays in the editor";

    // With the folder free again the same editor saves.
    std::filesystem::remove(blocker);
    CtrlS();
    Settle();
    EXPECT_FALSE(e->IsModified());
    map = ReadBack(DeltaDmap(), &h);
    ASSERT_TRUE(map);
    EXPECT_EQ(map->bytePlane[30 * 64 + 30], 9);
}

TEST_F(MeshEditMaterialsTest, AnUnreadableDetailMapIsReportedAndANewOneMayReplaceIt)
{
    TagEntry* entry = DeltaDmap();
    ASSERT_TRUE(entry);
    TagHeader h;
    GetTagHeader(entry, &h);
    FILE* f = BeginTagWrite(entry, &h, nullptr);
    ASSERT_TRUE(f);
    h.version = 7;  // no reader knows it
    fwrite("junk", 1, 4, f);
    ASSERT_TRUE(FinishTagWrite(entry, &h, true));
    RunSteps(2);
    Answer(0);
    MeshEdit* e = Open("Eastern Delta");
    ASSERT_TRUE(e);
    ASSERT_EQ(tetest::Seen().size(), 1u);
    EXPECT_EQ(tetest::Seen()[0].title, "Error");
    EXPECT_NE(tetest::Seen()[0].text.find("could not be read"), std::string::npos) << tetest::Seen()[0].text;
    EXPECT_EQ(e->model.detailMapLoaded, 0u);
    EXPECT_EQ(e->tool, u32(kMeshNoTool));
}

TEST_F(MeshEditMaterialsTest, RowsShowTextureDescriptionMissingTagAndNoTagWithColourAndLock)
{
    MeshEdit* e = Open("Eastern Delta");
    ASSERT_TRUE(e);
    DetailMaterial& m = e->materials.items[6];
    m.entry.dtex = FourCC("ston");
    e->RefreshMaterial(6, false);
    EXPECT_EQ(RowText(e, 6), " 006 ~ Stone");
    m.entry.dtex = FourCC("snow");
    e->RefreshMaterial(6, false);
    EXPECT_EQ(RowText(e, 6), " 006 ~ 'snow' <not found>");
    EXPECT_EQ(m.texture, nullptr);
    e->RefreshMaterial(1, true);
    EXPECT_EQ(RowText(e, 1), " 001 ~ 'gras' <not found>") << "a released texture shows as missing";
    EXPECT_EQ(e->materials.items[1].texture, nullptr);

    ListItem* row = e->MaterialRow(1);
    e->ToggleMaterialHighlight(row);
    EXPECT_EQ(row->color, 0xFF1AFF20u);
    e->ToggleMaterialLock(row);
    EXPECT_EQ(row->icon, 24u);
    EXPECT_EQ(e->model.locked[1], 1u);
    e->ToggleMaterialHighlight(row);
    EXPECT_EQ(row->color, 0xFFFFFFFFu);
    // Shift+F3 highlights every material; rebuilding the list clears locks and highlights.
    PressKey(LIBKEY_F1 + 2, 1);
    EXPECT_EQ(e->highlighting, 1u);
    EXPECT_EQ(e->materials.items[77].highlighted, 1u);
    e->RebuildBrushList();
    EXPECT_EQ(e->materials.items[77].highlighted, 0u);
    EXPECT_EQ(e->model.locked[1], 0u);
    EXPECT_EQ(e->MaterialRow(1)->icon, 0u);
}

TEST_F(MeshEditMaterialsTest, MaterialZeroEditsOnlyItsColourThroughTheChooser)
{
    MeshEdit* e = Open("Eastern Delta");
    ASSERT_TRUE(e);
    FakeOsDialogAnswer pick;
    pick.rgb[0] = 1, pick.rgb[1] = 2, pick.rgb[2] = 3;
    FakeOsQueueDialogAnswer(pick);
    Answer(0);
    e->OnMaterialActivated(e->MaterialRow(0));
    ASSERT_EQ(tetest::Seen().size(), 1u);
    EXPECT_EQ(tetest::Seen()[0].title, "Message");
    EXPECT_EQ(tetest::Seen()[0].text, "Index 0 is reserved, but you can edit the highlight color.");
    EXPECT_EQ(e->materials.highlight[0], (Rgb{1, 2, 3}));
    EXPECT_EQ(e->materials.items[0].entry.dtex, kNoTagId);
    EXPECT_TRUE(e->IsModified());

    // A cancelled chooser changes nothing.
    e->SetModified(0);
    FakeOsDialogAnswer cancel;
    cancel.ok = 0;
    FakeOsQueueDialogAnswer(cancel);
    Answer(0);
    e->OnMaterialActivated(e->MaterialRow(0));
    EXPECT_EQ(e->materials.highlight[0], (Rgb{1, 2, 3}));
    EXPECT_FALSE(e->IsModified());
    EXPECT_EQ(FakeOsUnexpectedDialogCount(), 0u);
}

TEST_F(MeshEditMaterialsTest, TheAttributesDialogSetsTagColourAndDescriptionOrChangesNothing)
{
    MeshEdit* e = Open("Eastern Delta");
    ASSERT_TRUE(e);
    // Cancel: nothing changes.
    OnDialog<ChoiceDialog>([](ChoiceDialog* d) {
        d->descriptionBox->SetText("ignored");
        d->OnButton(1);
    });
    e->OnMaterialActivated(e->MaterialRow(1));
    EXPECT_STREQ(e->materials.items[1].entry.name, "Meadow");
    EXPECT_FALSE(e->IsModified());

    // OK on "<no tag>" with a new colour and description.
    std::string title;
    u32 rows = 0;
    std::string selected;
    OnDialog<ChoiceDialog>([&](ChoiceDialog* d) {
        title = d->GetTitle();
        rows = d->list->GetItemCount();
        selected = d->list->GetCurrentItem()->text;
        d->list->SelectItem(d->list->GetFirstItem(), 0);
        d->colorButton->SetColor(0xFF030201u);
        d->descriptionBox->SetText("Bare");
        d->OnButton(0);
    });
    e->OnMaterialActivated(e->MaterialRow(1));
    EXPECT_EQ(title, "Edit Detail Texture Attributes");
    EXPECT_EQ(selected, "Grass");
    EXPECT_GE(rows, 6u);
    const DetailMaterial& m = e->materials.items[1];
    EXPECT_EQ(m.entry.dtex, kNoTagId);
    EXPECT_STREQ(m.entry.name, "Bare");
    EXPECT_EQ(e->materials.highlight[1], (Rgb{1, 2, 3}));
    EXPECT_EQ(RowText(e, 1), " 001 ~ <no tag>");
    EXPECT_EQ(e->model.brush.material, 1u);
    EXPECT_EQ(e->materialName, " 001 ~ <no tag>");
    EXPECT_TRUE(e->IsModified());

    // Delete in the list clears the current row's texture.
    e->materials.items[2].entry.dtex = FourCC("dirt");
    e->brushList->SelectItem(e->MaterialRow(2), 0);
    e->ClearMaterialTexture();
    EXPECT_EQ(e->materials.items[2].entry.dtex, kNoTagId);
}

TEST_F(MeshEditMaterialsTest, AutomaticDetailTexturingFillsFromTerrainTypesOrLeavesAllWhenCancelled)
{
    MeshEdit* e = Open("Eastern Delta");
    ASSERT_TRUE(e);
    PlaceBrush(e, 10, 10);
    e->model.brush.material = 5;
    HoverView(e);
    Drag(2);
    ASSERT_EQ(UndoEntries(e), 1u);
    const std::vector<u8> before(e->model.vertexGrid->Bytes(), e->model.vertexGrid->Bytes() + 64 * 64);

    std::vector<std::string> textures;
    OnDialog<TerrainTypesDialog>([&](TerrainTypesDialog* d) {
        for (u32 t = 0; t < d->rowCount; ++t) textures.push_back(d->rows[t].texture.c_str());
        d->OnButton(1);
    });
    EXPECT_EQ(e->NewDetailMapFromTerrain(), 0);
    ASSERT_EQ(textures.size(), 16u);
    EXPECT_EQ(textures[0], "Water");
    EXPECT_EQ(textures[6], "Grass");
    EXPECT_EQ(textures[10], "<no tag>") << "the sample game has no 'snow'";
    EXPECT_EQ(textures[12], "<no tag>");
    EXPECT_EQ(UndoEntries(e), 1u);
    EXPECT_EQ(std::vector<u8>(e->model.vertexGrid->Bytes(), e->model.vertexGrid->Bytes() + 64 * 64), before);
    EXPECT_STREQ(e->materials.items[1].entry.name, "Meadow");

    OnDialog<TerrainTypesDialog>([](TerrainTypesDialog* d) { d->OnButton(0); });
    EXPECT_EQ(e->NewDetailMapFromTerrain(), 1);
    EXPECT_EQ(UndoEntries(e), 0u) << "a new map clears the undo history";
    EXPECT_EQ(Vertex(e, 0, 0), 7) << "grass is type 6";
    EXPECT_EQ(Vertex(e, 30, 35), 8) << "desert is type 7";
    EXPECT_EQ(Vertex(e, 50, 50), 2) << "the lake is type 1";
    EXPECT_EQ(e->model.triangleGrid->Bytes()[100], 0);
    EXPECT_EQ(e->model.vertexSaved->Bytes()[0], 7);
    EXPECT_EQ(e->materials.items[7].entry.dtex, FourCC("gras"));
    EXPECT_STREQ(e->materials.items[7].entry.name, "grass");
    EXPECT_EQ(e->materials.items[11].entry.dtex, kNoTagId);
    EXPECT_EQ(e->materials.highlight[8], (Rgb{0xFF, 0xFF, 0x80}));
    EXPECT_EQ(RowText(e, 7), " 007 ~ |igrass|p (Grass)");
    EXPECT_EQ(e->detailTextures, 1u);
    EXPECT_TRUE(e->IsModified());
}

TEST_F(MeshEditMaterialsTest, ABlankMapClearsUndoAndReloadsTheTableFromItsFile)
{
    MeshEdit* e = Open("Eastern Delta");
    ASSERT_TRUE(e);
    PlaceBrush(e, 10, 10);
    HoverView(e);
    e->model.brush.material = 5;
    Drag(2);
    ASSERT_EQ(UndoEntries(e), 1u);
    EXPECT_EQ(e->materials.highlight[1], (Rgb{0x20, 0xFF, 0x1A})) << "the loaded map's colour";
    e->RunToolChoice(kMeshMenuNewBlank);
    EXPECT_EQ(UndoEntries(e), 0u);
    EXPECT_EQ(Vertex(e, 10, 10), 0);
    EXPECT_EQ(e->materials.highlight[1], (Rgb{0xDD, 0x00, 0xE6})) << "the file's colour";
    EXPECT_EQ(e->MaterialScale(2), 64u) << "entries and scales stay";
    EXPECT_EQ(e->tool, u32(kMeshDetailTool));
}

TEST_F(MeshEditMaterialsTest, TheHighlightTableIsSetFromAFileOrLeftAloneWhenTheImportFails)
{
    MeshEdit* e = Open("Eastern Delta");
    ASSERT_TRUE(e);
    const std::string table = root + "res/dtex.act";
    const std::string defaults = FileBytes(table);
    ASSERT_EQ(defaults.size(), 768u) << "written with 256 colours when missing";

    // A short file: refused, nothing changes.
    const std::string shortFile = root + "short.act";
    std::ofstream(shortFile, std::ios::binary) << std::string(90, '\x05');
    FakeOsDialogAnswer answer;
    answer.paths[0] = shortFile.c_str();
    FakeOsQueueDialogAnswer(answer);
    const u32 boxes = FakeOsMessageBoxCount();
    const Rgb kept = e->materials.highlight[40];
    e->RunToolChoice(kMeshMenuImportHighlight);
    EXPECT_EQ(e->materials.highlight[40], kept);
    EXPECT_EQ(FileBytes(table), defaults);
    EXPECT_FALSE(e->IsModified());
    EXPECT_EQ(FakeOsMessageBoxCount(), boxes + 1);
    EXPECT_STREQ(FakeOsLastMessageBoxText(), "The color table could not be opened.");

    // A table of 4 colours: those four change, the rest keep theirs; the file has 128.
    Rgb four[4] = {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {4, 4, 4}};
    const std::string good = root + "four.act";
    ASSERT_EQ(WriteColorTableFile(good.c_str(), four, 4), 1u);
    answer.paths[0] = good.c_str();
    FakeOsQueueDialogAnswer(answer);
    e->RunToolChoice(kMeshMenuImportHighlight);
    EXPECT_EQ(e->materials.highlight[3], (Rgb{4, 4, 4}));
    EXPECT_EQ(e->materials.highlight[40], kept);
    Rgb read[256];
    u32 count = 0;
    ASSERT_EQ(ReadColorTableFile(table.c_str(), read, &count), 1u);
    EXPECT_EQ(count, 128u);
    EXPECT_EQ(read[2], (Rgb{3, 3, 3}));
    EXPECT_TRUE(e->IsModified());
    EXPECT_EQ(FakeOsUnexpectedDialogCount(), 0u);
}

TEST_F(MeshEditMaterialsTest, DetailTextureEventsRefreshOrReleaseTheMaterialsThatUseThem)
{
    MeshEdit* e = Open("Eastern Delta");
    ASSERT_TRUE(e);
    // Event 3: new pixels of another size give new repeats.
    DtexTag* grass = e->materials.items[1].texture;
    ASSERT_TRUE(grass);
    std::vector<u8> rgb(64 * 16 * 3, 100);
    ASSERT_EQ(grass->SetPixels(rgb.data(), 64, 16), 1);
    EXPECT_FLOAT_EQ(e->materials.items[1].uRepeat, 128.0f / 64);
    EXPECT_FLOAT_EQ(e->materials.items[1].vRepeat, 128.0f / 16);

    // Event 4: a local texture deleted is released and shows as missing.
    DtexTag* made = DtexManager().CreateNew(kDtexGroup, "Speck", kNoTagId);
    ASSERT_TRUE(made);
    ASSERT_EQ(made->Save(), 1);
    TagEntry* speck = made->entry;
    ResourceRelease(made);
    Settle();
    e->materials.items[9].entry.dtex = speck->tag;
    e->RefreshMaterial(9, false);
    ASSERT_TRUE(e->materials.items[9].texture);
    e->materials.ReleaseTexture(9);  // the resource keeps a tag from being deleted
    ASSERT_TRUE(DeleteLocalTag(speck));
    Settle();
    EXPECT_EQ(e->materials.items[9].texture, nullptr);
    char id[5];
    DtexIdText(e->materials.items[9].entry.dtex, id);
    EXPECT_EQ(RowText(e, 9), std::string(" 009 ~ '") + id + "' <not found>");

    // Event 5: a material whose tag exists again is refreshed; one whose tag is gone released.
    e->materials.items[10].entry.dtex = FourCC("ston");
    e->materials.items[1].texture = nullptr;  // as if it had never loaded
    ResourceRelease(grass);
    e->OnCodexEvent(nullptr, kCodexActiveSetChanged);
    EXPECT_TRUE(e->materials.items[10].texture);
    EXPECT_EQ(RowText(e, 10), " 010 ~ Stone");
    EXPECT_TRUE(e->materials.items[1].texture);
}

}  // namespace
