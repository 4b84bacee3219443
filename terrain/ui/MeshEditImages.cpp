// The terrain editor's detail images: the per-vertex and per-triangle grids written to and
// read from 8-bit image files through the file dialogs, with the messages the user sees.
// The block layout and the vote are terrain/DetailImages.
#include "foundation/FileRecord.h"
#include "gui/MessageBox.h"
#include "platform/FileDialogs.h"
#include "terrain/DetailImages.h"
#include "terrain/ui/MeshEdit.h"

namespace {

constexpr u64 kBlockSide = 8;

struct ImageCommand {
    const char* exportTitle;
    const char* importTitle;
    const char* nameSuffix;
    const char* sizeMessage;
};

const ImageCommand kVertexCommand = {"Export Per-Vertex Details", "Import Per-Vertex Details", " vertex detail",
                                     "Image dimensions (%lld,%lld) do not match mesh dimensions (%lld,%lld)"};
const ImageCommand kTriangleCommand = {"Export Per-Triangle Details", "Import Per-Triangle Details",
                                       " triangle detail",
                                       "Image dimensions (%lld,%lld) do not match expected dimensions (%lld,%lld)"};

void ShowError(const char* text) { ShowMessageBox("Error", text, "OK", nullptr); }

}  // namespace

void MeshEdit::ExportVertexDetail() { ExportDetailImage(false); }
void MeshEdit::ImportVertexDetail() { ImportDetailImage(false); }
void MeshEdit::ExportTriangleDetail() { ExportDetailImage(true); }
void MeshEdit::ImportTriangleDetail() { ImportDetailImage(true); }

void MeshEdit::ExportDetailImage(bool triangles)
{
    if (!model.detailMapLoaded || !model.vertexGrid || !model.triangleGrid) return;
    const ImageCommand& command = triangles ? kTriangleCommand : kVertexCommand;
    FileRecord record;
    record.path = colorMapName;
    record.path.Append(command.nameSuffix);
    if (!SaveFileDialog(command.exportTitle, &record, kFileKindImage, nullptr)) return;

    // The image's own buffer takes the blocks, so the picture is held once; its size is
    // checked in 64 bits before anything is allocated.
    const u64 width = u64(model.Width()) * kBlockSide, height = u64(model.Height()) * kBlockSide;
    if (width > 0xFFFFFFFFu || height > 0xFFFFFFFFu || !record.image.Create(u32(width), u32(height), kImageIndexed, nullptr) ||
        !record.image.SetPalette(kHighlightColors, materials.highlight)) {
        ShowError("There is not enough memory for the image.");
        return;
    }
    if (triangles) WriteTriangleDetailImage(model, record.image.pixels);
    else WriteVertexDetailImage(model, record.image.pixels);
    if (!record.Save()) ShowError("Unable to write the image");
}

void MeshEdit::ImportDetailImage(bool triangles)
{
    if (!model.detailMapLoaded || !model.vertexGrid || !model.triangleGrid) return;
    const ImageCommand& command = triangles ? kTriangleCommand : kVertexCommand;
    FileRecord record;
    record.path = colorMapName;
    record.path.Append(command.nameSuffix);
    // The dialog reads the header and shows a file it cannot read itself.
    if (!OpenFileDialog(command.importTitle, &record, kFileKindImage, nullptr)) return;
    if (record.kind != kFileKindImage) {
        ShowError("Unable to read the file");
        return;
    }
    const u64 width = u64(model.Width()) * kBlockSide, height = u64(model.Height()) * kBlockSide;
    if (record.image.width != width || record.image.height != height) {
        ShowErrorBox(command.sizeMessage, (long long)record.image.width, (long long)record.image.height,
                     (long long)width, (long long)height);
        return;
    }
    auto oneByte = [](u32 format) { return format == kImageIndexed || format == kImageAlpha; };
    if (!oneByte(record.image.format)) {
        ShowError("Image must be 8-bit paletted or greyscale.");
        return;
    }
    // The pixels must be what the header promised: the vote reads 8W x 8H bytes.
    if (!record.Load() || !record.image.pixels || !oneByte(record.image.format) || record.image.width != width ||
        record.image.height != height) {
        ShowError("Unable to read the file");
        return;
    }

    model.history.Reset();
    const bool shift = (modifiersAtPress & MOD_SHIFT) != 0;
    const int perfect = triangles ? ImportTriangleDetailImage(&model, record.image.pixels, shift)
                                  : ImportVertexDetailImage(&model, record.image.pixels, shift);
    // A palette shorter than 256 entries replaces only as many colours as it has.
    if (record.image.palette && record.image.paletteCount)
        SetHighlightTable(record.image.palette, record.image.paletteCount);
    model.CommitDetailGrids();
    SetModified(1);
    Invalidate(0);
    if (!perfect)
        ShowMessageBox("Partial Success", "The map wasn't 100% perfect, so please carefully check the results.", "OK",
                       nullptr);
}
