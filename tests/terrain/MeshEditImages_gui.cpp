// The terrain editor's detail images through the fake backend: export and import in each
// file format, the dialogs and messages, blocks that are not uniform, the image's palette
// taken as the highlight table, and files that are refused without changing anything.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "foundation/ActFile.h"
#include "foundation/FileRecord.h"
#include "platform/OsFake.h"
#include "terrain/DetailImages.h"
#include "tests/common/ThirdPartyTools.h"
#include "tests/terrain/MeshEditSupport.h"

namespace {

using mesh_test::MeshEditFixture;
using mesh_test::OpenPopup;

constexpr u32 kSide = 64 * 8;  // the Delta's 64 x 64 vertices as 8 x 8 blocks

std::string FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<u8> GridBytes(const DetailGrid* g) { return std::vector<u8>(g->Bytes(), g->Bytes() + g->ByteCount()); }

// The filter the dialog answer picks for a file name (its extension is appended otherwise).
u32 FilterOf(const std::string& path)
{
    const u32 format = FindFormatByExtension(path.c_str());
    return format == kFileFormatPng ? 1 : format == kFileFormatTiff ? 2 : 0;
}

// Writes an image file of the given pixels (format from the extension); palette of count entries.
void WriteImageFile(const std::string& path, u32 width, u32 height, u32 format, const u8* pixels,
                    const Rgb* palette = nullptr, u32 count = 0)
{
    FileRecord out(path.c_str());
    out.kind = kFileKindImage;
    out.format = FindFormatByExtension(path.c_str());
    ASSERT_TRUE(out.image.Create(width, height, format, pixels));
    if (count) {
        ASSERT_TRUE(out.image.SetPalette(count, palette));
    }
    ASSERT_TRUE(out.Save()) << path;
}

// Unmirrored block coordinates to the image's byte: column c of the file holds 8W - 1 - c.
size_t At(u32 blockX, u32 blockZ, u32 p, u32 r) { return size_t(blockZ * 8 + r) * kSide + (kSide - 1 - (blockX * 8 + p)); }

class MeshEditImagesTest : public MeshEditFixture {
protected:
    void Choose(MeshEdit* e, s32 choice, const std::string& path, int ok = 1)
    {
        FakeOsDialogAnswer answer;
        answer.ok = ok;
        answer.filterIndex = FilterOf(path);
        answer.paths[0] = path.c_str();
        FakeOsQueueDialogAnswer(answer);
        e->RunToolChoice(choice);
    }
    // Random materials in both grids, taken as the editor's own.
    static void Scramble(MeshEdit* e, unsigned seed)
    {
        std::mt19937 random(seed);
        for (DetailGrid* g : {e->model.vertexGrid, e->model.triangleGrid})
            for (u32 i = 0; i < g->ByteCount(); ++i) g->Bytes()[i] = u8(random() % 128);
        e->model.CommitDetailGrids();
    }
    // One stroke, so the undo history has something to lose; the editor counts as unmodified.
    void PaintOnce(MeshEdit* e)
    {
        PlaceBrush(e, 30, 30);
        HoverView(e);
        e->model.brush.material = 9;
        Drag(2);
        ASSERT_EQ(UndoEntries(e), 1u);
        e->SetModified(0);
    }
    std::string Table() const { return root + "res/dtex.act"; }
};

TEST_F(MeshEditImagesTest, EachFormatRoundTripsBothGridsUnchanged)
{
    MeshEdit* e = Open("Eastern Delta");
    ASSERT_TRUE(e);
    Scramble(e, 11);
    const std::vector<u8> vertices = GridBytes(e->model.vertexGrid), triangles = GridBytes(e->model.triangleGrid);
    Rgb highlight[kHighlightColors];
    memcpy(highlight, e->materials.highlight, sizeof highlight);
    const bool identify = HaveThirdPartyTool("identify");

    for (const char* ext : {"bmp", "png", "tiff"}) {
        SCOPED_TRACE(ext);
        const std::string vertexFile = root + "vertex." + ext, triangleFile = root + "triangle." + ext;
        Choose(e, kMeshMenuExportVertex, vertexFile);
        ASSERT_TRUE(FakeOsLastDialog());
        EXPECT_EQ(FakeOsLastDialog()->kind, 0);
        EXPECT_STREQ(FakeOsLastDialog()->title.c_str(), "Export Per-Vertex Details");
        Choose(e, kMeshMenuExportTriangle, triangleFile);
        EXPECT_STREQ(FakeOsLastDialog()->title.c_str(), "Export Per-Triangle Details");

        FileRecord read(vertexFile.c_str());
        ASSERT_TRUE(read.Load());
        EXPECT_EQ(read.image.format, u32(kImageIndexed));
        EXPECT_EQ(read.image.width, kSide);
        EXPECT_EQ(read.image.height, kSide);
        ASSERT_TRUE(read.image.palette);
        EXPECT_EQ(read.image.paletteCount, 256u);
        EXPECT_EQ(0, memcmp(read.image.palette, highlight, sizeof highlight)) << "the palette is the highlight table";
        EXPECT_EQ(read.image.pixels[0], vertices[63]) << "column 0 holds vertex W - 1";
        EXPECT_EQ(read.image.pixels[kSide - 1], vertices[0]);
        if (identify) {
            // Another reader sees an 8-bit paletted picture whose top-left pixel has the colour
            // of the last vertex's material.
            for (const std::string& file : {vertexFile, triangleFile})
                EXPECT_EQ(ToolOutput("identify -format '%wx%h %z %r' '" + file + "' 2>/dev/null"),
                          "512x512 8 PseudoClass sRGB ")
                    << file;
            const Rgb c = highlight[vertices[63]];
            EXPECT_EQ(ToolOutput("identify -format '%[fx:int(255*p{0,0}.r)],%[fx:int(255*p{0,0}.g)],"
                                 "%[fx:int(255*p{0,0}.b)]' '" +
                                 vertexFile + "' 2>/dev/null"),
                      std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b));
        }

        memset(e->model.vertexGrid->Bytes(), 0, vertices.size());
        memset(e->model.triangleGrid->Bytes(), 0, triangles.size());
        e->SetModified(0);
        Choose(e, kMeshMenuImportVertex, vertexFile);
        EXPECT_EQ(FakeOsLastDialog()->kind, 1);
        EXPECT_STREQ(FakeOsLastDialog()->title.c_str(), "Import Per-Vertex Details");
        Choose(e, kMeshMenuImportTriangle, triangleFile);
        EXPECT_STREQ(FakeOsLastDialog()->title.c_str(), "Import Per-Triangle Details");
        EXPECT_EQ(GridBytes(e->model.vertexGrid), vertices);
        EXPECT_EQ(GridBytes(e->model.triangleGrid), triangles);
        EXPECT_EQ(GridBytes(e->model.vertexSaved), vertices) << "the saved copies follow";
        EXPECT_TRUE(e->IsModified());
        EXPECT_EQ(0, memcmp(e->materials.highlight, highlight, sizeof highlight));
    }
    EXPECT_TRUE(tetest::Seen().empty()) << "no partial success, no error";
    EXPECT_EQ(FakeOsUnexpectedDialogCount(), 0u);
    e->SetModified(0);
}

TEST_F(MeshEditImagesTest, TheDialogsProposeTheColourMapsNameAndCancelDoesNothing)
{
    MeshEdit* e = Open("Eastern Delta");
    ASSERT_TRUE(e);
    PaintOnce(e);
    const std::vector<u8> vertices = GridBytes(e->model.vertexGrid);
    const std::string file = root + "cancelled.png";
    const struct {
        s32 choice;
        const char* name;
    } cases[] = {{kMeshMenuExportVertex, "vertex detail"},
                 {kMeshMenuImportVertex, "vertex detail"},
                 {kMeshMenuExportTriangle, "triangle detail"},
                 {kMeshMenuImportTriangle, "triangle detail"}};
    for (const auto& c : cases) {
        Choose(e, c.choice, file, 0);
        ASSERT_TRUE(FakeOsLastDialog());
        EXPECT_EQ(std::string(FakeOsLastDialog()->fileName.c_str()), std::string("Eastern Delta ") + c.name);
    }
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(GridBytes(e->model.vertexGrid), vertices);
    EXPECT_EQ(UndoEntries(e), 1u);
    EXPECT_FALSE(e->IsModified());
    EXPECT_TRUE(tetest::Seen().empty());
}

TEST_F(MeshEditImagesTest, BlocksThatAreNotUniformTakeTheirMostFrequentValueAndSaySo)
{
    MeshEdit* e = Open("Eastern Delta");
    ASSERT_TRUE(e);
    PaintOnce(e);
    const Rgb kept = e->materials.highlight[20];

    // Vertices: (10, 20) half 3 and half 5, (11, 20) all 200; the rest 4.
    std::vector<u8> image(size_t(kSide) * kSide, 4);
    for (u32 r = 0; r < 8; ++r)
        for (u32 p = 0; p < 8; ++p) {
            image[At(10, 20, p, r)] = r < 4 ? 5 : 3;
            image[At(11, 20, p, r)] = 200;
        }
    Rgb palette[16];
    for (u32 i = 0; i < 16; ++i) palette[i] = Rgb{u8(i * 10), u8(i * 5), u8(255 - i)};
    const std::string file = root + "uneven.png";
    WriteImageFile(file, kSide, kSide, kImageIndexed, image.data(), palette, 16);
    Answer(0);
    Choose(e, kMeshMenuImportVertex, file);
    ASSERT_EQ(tetest::Seen().size(), 1u);
    EXPECT_EQ(tetest::Seen()[0].title, "Partial Success");
    EXPECT_EQ(tetest::Seen()[0].text, "The map wasn't 100% perfect, so please carefully check the results.");
    EXPECT_EQ(tetest::Seen()[0].labels, std::vector<std::string>{"OK"});
    EXPECT_EQ(Vertex(e, 10, 20), 3) << "a tie goes to the smaller value";
    EXPECT_EQ(Vertex(e, 11, 20), 127);
    EXPECT_EQ(Vertex(e, 30, 30), 4);
    EXPECT_EQ(UndoEntries(e), 0u) << "an import cannot be undone";
    EXPECT_TRUE(e->IsModified());

    // The file's 16 colours replaced only the first 16 of the table, and the table's file has them.
    EXPECT_EQ(e->materials.highlight[3], palette[3]);
    EXPECT_EQ(e->materials.highlight[20], kept);
    Rgb written[256];
    u32 count = 0;
    ASSERT_EQ(ReadColorTableFile(Table().c_str(), written, &count), 1u);
    EXPECT_EQ(count, 128u);
    EXPECT_EQ(written[15], palette[15]);

    // Triangles: square (4, 5) is odd; one stray pixel in triangle 0's 36, triangle 1 all 200.
    std::fill(image.begin(), image.end(), 1);
    for (u32 r = 0; r < 8; ++r)
        for (u32 p = 0; p < 8; ++p) image[At(4, 5, p, r)] = InTriangleOne(1, p, r) ? 200 : 6;
    image[At(4, 5, 0, 0)] = 9;
    const std::string triangles = root + "uneven.bmp";
    WriteImageFile(triangles, kSide, kSide, kImageIndexed, image.data(), palette, 16);
    Answer(0);
    Choose(e, kMeshMenuImportTriangle, triangles);
    ASSERT_EQ(tetest::Seen().size(), 2u);
    EXPECT_EQ(tetest::Seen()[1].title, "Partial Success");
    const u8* square = e->model.triangleGrid->Bytes() + (5 * 64 + 4) * 2;
    EXPECT_EQ(square[0], 6);
    EXPECT_EQ(square[1], 127);
    EXPECT_EQ(e->model.triangleGrid->Bytes()[0], 1);
    e->SetModified(0);
}

TEST_F(MeshEditImagesTest, AGreyBitmapSetsAGreyHighlightTable)
{
    MeshEdit* e = Open("Eastern Delta");
    ASSERT_TRUE(e);
    std::vector<u8> image(size_t(kSide) * kSide, 2);
    const std::string file = root + "grey.bmp";
    WriteImageFile(file, kSide, kSide, kImageAlpha, image.data());
    Choose(e, kMeshMenuImportVertex, file);
    EXPECT_EQ(Vertex(e, 0, 0), 2);
    EXPECT_EQ(e->materials.highlight[5], (Rgb{5, 5, 5}));
    EXPECT_EQ(e->materials.highlight[200], (Rgb{200, 200, 200}));
    EXPECT_TRUE(tetest::Seen().empty());
    e->SetModified(0);
}

TEST_F(MeshEditImagesTest, RefusedFilesLeaveGridsUndoAndTableAsTheyWere)
{
    MeshEdit* e = Open("Eastern Delta");
    ASSERT_TRUE(e);
    PaintOnce(e);
    const std::vector<u8> vertices = GridBytes(e->model.vertexGrid), triangles = GridBytes(e->model.triangleGrid);
    Rgb highlight[kHighlightColors];
    memcpy(highlight, e->materials.highlight, sizeof highlight);
    const std::string table = FileBytes(Table());

    const std::vector<u8> rgb(size_t(kSide) * kSide * 3, 1), small(16 * 8, 1), right(size_t(kSide) * kSide, 1);
    WriteImageFile(root + "rgb.png", kSide, kSide, kImageRgb, rgb.data());
    WriteImageFile(root + "small.png", 16, 8, kImageIndexed, small.data(), highlight, 256);
    WriteImageFile(root + "tall.tiff", kSide, kSide + 8, kImageAlpha, nullptr);
    // Its header promises the right picture, but the pixels stop short.
    WriteImageFile(root + "cut.png", kSide, kSide, kImageIndexed, right.data(), highlight, 256);
    const std::string whole = FileBytes(root + "cut.png");
    std::ofstream(root + "cut.png", std::ios::binary | std::ios::trunc) << whole.substr(0, whole.size() / 2);

    const struct {
        const char* file;
        s32 choice;
        const char* text;
    } cases[] = {
        {"rgb.png", kMeshMenuImportVertex, "Image must be 8-bit paletted or greyscale."},
        {"rgb.png", kMeshMenuImportTriangle, "Image must be 8-bit paletted or greyscale."},
        {"small.png", kMeshMenuImportVertex, "Image dimensions (16,8) do not match mesh dimensions (512,512)"},
        {"small.png", kMeshMenuImportTriangle, "Image dimensions (16,8) do not match expected dimensions (512,512)"},
        {"tall.tiff", kMeshMenuImportVertex, "Image dimensions (512,520) do not match mesh dimensions (512,512)"},
        {"cut.png", kMeshMenuImportVertex, "Unable to read the file"},
        {"cut.png", kMeshMenuImportTriangle, "Unable to read the file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const size_t seen = tetest::Seen().size();
        Answer(0);
        Choose(e, c.choice, root + c.file);
        ASSERT_EQ(tetest::Seen().size(), seen + 1);
        EXPECT_EQ(tetest::Seen().back().title, "Error");
        EXPECT_EQ(tetest::Seen().back().text, c.text);
        EXPECT_EQ(tetest::Seen().back().labels, std::vector<std::string>{"OK"});
        EXPECT_EQ(GridBytes(e->model.vertexGrid), vertices);
        EXPECT_EQ(GridBytes(e->model.triangleGrid), triangles);
        EXPECT_EQ(UndoEntries(e), 1u);
        EXPECT_EQ(0, memcmp(e->materials.highlight, highlight, sizeof highlight));
        EXPECT_EQ(FileBytes(Table()), table);
        EXPECT_FALSE(e->IsModified());
    }

    // A file that is no image at all: the open dialog says so itself.
    std::ofstream(root + "notes.png") << "not a picture";
    const u32 boxes = FakeOsMessageBoxCount();
    Choose(e, kMeshMenuImportVertex, root + "notes.png");
    EXPECT_EQ(FakeOsMessageBoxCount(), boxes + 1);
    EXPECT_EQ(GridBytes(e->model.vertexGrid), vertices);
    EXPECT_EQ(UndoEntries(e), 1u);
    EXPECT_EQ(FakeOsUnexpectedDialogCount(), 0u);
}

TEST_F(MeshEditImagesTest, ExportsThatCannotBeMadeOrWrittenSayOnlyError)
{
    MeshEdit* e = Open("Eastern Delta");
    ASSERT_TRUE(e);
    Answer(0);
    Choose(e, kMeshMenuExportVertex, root + "no/such/folder/vertex.png");
    ASSERT_EQ(tetest::Seen().size(), 1u);
    EXPECT_EQ(tetest::Seen()[0].title, "Error");
    EXPECT_EQ(tetest::Seen()[0].text, "Unable to write the image");

    // A grid whose image would pass what may be allocated (8W x 8H is reckoned in 64 bits):
    // refused before any pixel is touched. Only the size is claimed; the grids stay small.
    const u32 width = e->model.width, height = e->model.height;
    for (u32 side : {0x20000000u, 0x10000u}) {
        e->model.width = e->model.height = side;
        Answer(0);
        Choose(e, kMeshMenuExportTriangle, root + "huge.png");
        e->model.width = width, e->model.height = height;
        EXPECT_EQ(tetest::Seen().back().title, "Error");
        EXPECT_EQ(tetest::Seen().back().text, "There is not enough memory for the image.");
    }
    EXPECT_EQ(tetest::Seen().size(), 3u);
    EXPECT_FALSE(std::filesystem::exists(root + "huge.png"));
    EXPECT_FALSE(e->IsModified());
}

TEST_F(MeshEditImagesTest, ShiftAtTheLastPressKeepsElementsOfLockedMaterials)
{
    MeshEdit* e = Open("Eastern Delta");
    ASSERT_TRUE(e);
    e->model.vertexGrid->Bytes()[5 * 64 + 5] = 12;
    e->model.CommitDetailGrids();
    e->model.locked[12] = 1;
    const std::vector<u8> zeros(size_t(kSide) * kSide, 0);
    const std::string file = root + "zeros.png";
    WriteImageFile(file, kSide, kSide, kImageIndexed, zeros.data(), e->materials.highlight, 256);

    e->modifiersAtPress = MOD_SHIFT;
    Choose(e, kMeshMenuImportVertex, file);
    EXPECT_EQ(Vertex(e, 5, 5), 12);
    EXPECT_EQ(Vertex(e, 6, 5), 0);
    e->modifiersAtPress = 0;
    Choose(e, kMeshMenuImportVertex, file);
    EXPECT_EQ(Vertex(e, 5, 5), 0);
    e->SetModified(0);
}

TEST_F(MeshEditImagesTest, TheToolMenuReachesTheCommandsOnlyWithADetailMap)
{
    MeshEdit* e = Open("Eastern Delta");
    ASSERT_TRUE(e);
    HoverView(e);
    // The popup ends with its chosen item, as a click on "Export Vertex Detail" ends it.
    mesh_test::BeforeStep() = [] {
        if (Menu* m = OpenPopup())
            for (MenuItem* item = m->FirstItem(); item; item = MenuItem::NextItem(item))
                if (item->GetId() == u32(kMeshMenuExportVertex)) {
                    EXPECT_STREQ(item->GetTitle(), "Export Vertex Detail");
                    WindowSystem::EndModal(m, u64(uintptr_t(item)));
                }
    };
    FakeOsDialogAnswer answer;
    answer.filterIndex = 1;
    const std::string file = root + "menu.png";
    answer.paths[0] = file.c_str();
    FakeOsQueueDialogAnswer(answer);
    Press(1);
    Run();
    Release(1);
    Run();
    RunSteps(2);
    mesh_test::BeforeStep() = nullptr;
    EXPECT_TRUE(std::filesystem::exists(file));
    e->Close();
    Settle();

    Answer(0);  // the dimension warning
    MeshEdit* valley = Open("Valley");
    ASSERT_TRUE(valley);
    const u32 dialogs = FakeOsDialogCount();
    for (s32 choice : {kMeshMenuExportVertex, kMeshMenuImportVertex, kMeshMenuExportTriangle, kMeshMenuImportTriangle})
        valley->RunToolChoice(choice);
    EXPECT_EQ(FakeOsDialogCount(), dialogs);
}

}  // namespace
