#include "collection/CollectionBuilder.h"

#include <cstring>

#include "codex/Codex.h"
#include "codex/LocalFolder.h"
#include "codex/TagFiles.h"
#include "collection/Collection.h"
#include "collection/ImageImport.h"
#include "foundation/Files.h"
#include "foundation/Log.h"
#include "foundation/StringUtil.h"
#include <algorithm>
#include <chrono>

namespace {

constexpr u32 kCollectionGroup = FourCC(".256");

u32 gBuildCounter;
std::string gCategory;

bool SamePalette(const Image& a, const Image& b)
{
    if (a.paletteCount != b.paletteCount) return false;
    if (!a.paletteCount) return true;
    return memcmp(a.palette, b.palette, a.paletteCount * sizeof(Rgb)) == 0;
}

}  // namespace

std::unique_ptr<FileRecord> LoadSourceBitmap(const char* log, const char* colourPath, const char* alphaPath,
                                             bool invert)
{
    FileRecord colour(colourPath);
    if (!colour.Load()) {
        LogMessage(1, log, "ERROR: the color bitmap file '%s' could not be loaded.\n", colourPath);
        return nullptr;
    }
    const Image& c = colour.image;
    if (c.format != kImageIndexed) {
        LogMessage(1, log, "ERROR: the color bitmap file '%s' was not 8-bit color indexed.\n", colourPath);
        return nullptr;
    }
    FileRecord alpha(alphaPath ? alphaPath : "");
    bool withAlpha = alphaPath && *alphaPath;
    if (withAlpha) {
        if (!alpha.Load()) {
            LogMessage(1, log, "ERROR: the alpha bitmap file '%s' could not be loaded.\n", alphaPath);
            return nullptr;
        }
        if (alpha.image.format != kImageAlpha) {
            LogMessage(1, log, "ERROR: the alpha bitmap file '%s' was not 8-bit grayscale.\n", alphaPath);
            return nullptr;
        }
        if (alpha.image.width != c.width || alpha.image.height != c.height) {
            LogMessage(1, log,
                       "ERROR: the alpha bitmap file '%s' had different dimensions than its color counterpart, "
                       "'%s'.\n",
                       alphaPath, colourPath);
            return nullptr;
        }
    }
    auto out = std::make_unique<FileRecord>(colourPath);
    out->kind = kFileKindImage;
    out->format = colour.format;
    Image& o = out->image;
    if (!o.Create(c.width, c.height, kImageAlphaIndex, nullptr) || !o.SetPalette(c.paletteCount, c.palette)) {
        LogMessage(1, log, "ERROR: the color bitmap file '%s' could not be loaded.\n", colourPath);
        return nullptr;
    }
    u64 n = u64(c.width) * c.height;
    for (u64 i = 0; i < n; ++i) {
        u8 a = withAlpha ? alpha.image.pixels[i] : 255;
        o.pixels[2 * i] = invert ? u8(255 - a) : a;
        o.pixels[2 * i + 1] = c.pixels[i];
    }
    return out;
}

AddSourceResult AddUniqueSourceBitmap(BuildContext& context, const char* log, const char* colourPath,
                                      const char* alphaPath, bool invert, SourceFrame* frame)
{
    *frame = SourceFrame{};
    std::unique_ptr<FileRecord> record = LoadSourceBitmap(log, colourPath, alphaPath, invert);
    if (context.progress) context.progress(context.progressContext);
    if (!record) return kSourceFailed;
    ++context.loaded;
    Image& image = record->image;
    frame->width = image.width;
    frame->height = image.height;
    ImageRect box = image.GetAlphaBounds();
    // No visible pixel gives an inverted box: such an image has nothing to show.
    if (box.x0 > box.x1 || box.y0 > box.y1) {
        LogMessage(1, log, "WARNING: the bitmap file '%s' is fully transparent; its cells stay empty.\n",
                   colourPath);
        return kSourceEmpty;
    }
    image.Crop(box);
    frame->left = u32(box.x0);
    frame->top = u32(box.y0);
    frame->right = u32(box.x1);
    frame->bottom = u32(box.y1);
    image.UpdateChecksum();
    for (size_t i = 0; i < context.images.size(); ++i) {
        const Image& kept = context.images[i]->image;
        // Equal pixels over another palette are other colours: they need their own bitmap.
        if (Image::Equals(kept, image) && SamePalette(kept, image)) {
            frame->record = context.images[i].get();
            frame->index = u32(i);
            return kSourceAdded;
        }
    }
    frame->record = record.get();
    frame->index = u32(context.images.size());
    context.images.push_back(std::move(record));
    ++context.kept;
    return kSourceAdded;
}

void ScanSequenceFolder(BuildContext& context, const char* log, const char* folder, const char* subfolder)
{
    SequenceSource source;
    source.script = context.defaults;
    String path = FormatString("%s%s", folder, subfolder);
    NormalizeFolderPath(path);
    std::string base = path.c_str();

    s32 views = 0, frames = 0;
    ParseFolderDimensions(subfolder, &source.name, &views, &frames);
    ParseScriptFile((base + "script.txt").c_str(), &source.script);
    // The product bounds the cells of one sequence; a stored sequence numbers them in 16 bits.
    if (views <= 0 || frames <= 0 || views > 65535 || frames > 65535 || u64(views) * u64(frames) > kMaxSequenceCells) {
        LogMessage(1, log,
                   "ERROR: the sequence folder '%s' had invalid dimensions, no dimensions in script.txt and no "
                   "dimensions in the name.",
                   subfolder);
        return;
    }
    source.views = u32(views);
    source.frames = u32(frames);
    const char* name = source.name.c_str();

    std::string colourFolder = base + "bitmaps/";
    if (!IsExistingFolder(colourFolder.c_str())) colourFolder = base;
    LogMessage(0, log, "scanning sequence folder '%s'\n", name);

    std::vector<std::string> colours = ListSourceFiles(colourFolder.c_str(), 0);
    std::vector<std::string> alphas = ListSourceFiles(colourFolder.c_str(), 1);
    if (alphas.empty()) alphas = ListSourceFiles((base + "alphas/").c_str(), 2);
    if (!alphas.empty() && alphas.size() != colours.size()) {
        LogMessage(1, log, "ERROR: found %d alphas for sequence '%s', expected %d\n", int(alphas.size()), name,
                   int(colours.size()));
        return;
    }
    const std::vector<s32>& list = source.script.frameList;
    if (!list.empty()) {
        if (list.size() != source.frames) {
            LogMessage(1, log, "ERROR: script.txt in sequence folder '%s' specifies %d frames, expected %d\n", name,
                       int(list.size()), int(source.frames));
            return;
        }
        u64 expected = u64(source.script.DistinctFrames()) * source.views;
        if (expected > colours.size()) {
            LogMessage(1, log, "ERROR: sequence folder '%s' contains %d bitmaps, expected %d\n", name,
                       int(colours.size()), int(expected));
            return;
        }
        if (expected < colours.size())
            LogMessage(1, log,
                       "WARNING: sequence folder '%s' contains %d bitmaps, expected %d. Some bitmaps will not be "
                       "used.\n",
                       name, int(colours.size()), int(expected));
    }
    if (source.script.bitmapOrder == kOrderFramesThenViews) {
        TransposeNameList(colours, source.views);
        if (!alphas.empty()) TransposeNameList(alphas, source.views);
    }

    std::vector<SourceFrame> images(colours.size());
    for (size_t k = 0; k < colours.size(); ++k) {
        // A name the transposition left empty has no image.
        if (colours[k].empty()) continue;
        const char* alpha = alphas.empty() ? "" : alphas[k].c_str();
        if (AddUniqueSourceBitmap(context, log, colours[k].c_str(), alpha, source.script.invertAlphas != 0,
                                  &images[k]) == kSourceFailed)
            return;
    }

    source.cells.assign(size_t(source.views) * source.frames, SourceFrame{});
    u32 withoutSource = 0;
    for (u32 f = 0; f < source.frames; ++f) {
        s64 sourceFrame = list.empty() ? s64(f) : s64(list[f]);
        if (sourceFrame < 0) continue;
        for (u32 v = 0; v < source.views; ++v) {
            u64 k = u64(sourceFrame) * source.views + v;
            if (k < images.size() && images[k].record) source.cells[size_t(f) * source.views + v] = images[k];
            else if (k >= images.size() || colours[k].empty()) ++withoutSource;
        }
    }
    if (withoutSource)
        LogMessage(1, log, "WARNING: sequence folder '%s' leaves %d cells without a source bitmap; they stay empty.\n",
                   name, int(withoutSource));
    context.sources.push_back(std::move(source));
}

namespace {

int CollectSubfolder(const FileInfo*, const char*, const char* name, void* context)
{
    static_cast<std::vector<std::string>*>(context)->push_back(name);
    return 1;
}

}  // namespace

int ScanSourceFolder(BuildContext& context, const char* log, const char* folder)
{
    std::vector<std::string> subfolders;
    ScanFolder(folder, 0, nullptr, CollectSubfolder, &subfolders);
    std::sort(subfolders.begin(), subfolders.end(), [](const std::string& a, const std::string& b) {
        return NaturalCompare(a.c_str(), b.c_str()) < 0;
    });
    String base = folder;
    NormalizeFolderPath(base);
    for (const std::string& s : subfolders) ScanSequenceFolder(context, log, base.c_str(), s.c_str());
    return context.sources.empty() ? 0 : 1;
}

void FillBuiltCollection(Collection& collection, const BuildContext& context, const char* log, s32 x, s32 y)
{
    std::vector<CollectionBitmap*> bitmaps(context.images.size());
    for (size_t i = 0; i < context.images.size(); ++i) {
        char name[64];
        BitmapNameFromPath(context.images[i]->path.c_str(), name);
        bitmaps[i] = collection.ImportImage(context.images[i]->image, name, nullptr, false);
        if (!bitmaps[i]) LogMessage(1, log, "ERROR: The bitmap '%s' could not be added (palette mismiatch?)\n", name);
    }
    for (const SequenceSource& source : context.sources) {
        Sequence* sequence = collection.AddSequence(source.name.c_str());
        if (!sequence) continue;
        sequence->Resize(source.views, source.frames);
        for (u32 f = 0; f < source.frames; ++f)
            for (u32 v = 0; v < source.views; ++v) {
                const SourceFrame& s = source.cells[size_t(f) * source.views + v];
                FrameView& view = sequence->GetFrameView(f, v);
                view.bitmap = s.record ? bitmaps[s.index] : nullptr;
                view.registrationX = s16(s.x - s32(s.left) + x);
                view.registrationY = s16(s.y - s32(s.top) + y);
            }
    }
}

namespace {

// The local collection the new one may replace in place (its file renamed over when the new
// one stands complete): the tag in the local file of that name, when no other id was asked
// for and nothing uses it.
TagEntry* TagInFileOfName(u32 tagId, const char* name)
{
    TagHeader h = {};
    h.group = kCollectionGroup;
    SetTagName(h, name);
    String path = GetLocalTagPath(h, nullptr);
    FILE* f = nullptr;
    if (!OpenLocalTagFile(&h, nullptr, &f)) return nullptr;
    fclose(f);
    if (h.group != kCollectionGroup || (tagId != kNoTagId && h.tag != tagId)) return nullptr;
    TagEntry* e = FindTagEntry(kCollectionGroup, h.tag);
    if (!e || !HasLocalCopy(e) || GetTagAttachmentCount(e)) return nullptr;
    const char* fileName = strrchr(path.c_str(), '/');
    fileName = fileName ? fileName + 1 : path.c_str();
    return strcmp(e->local_copy->file_name.c_str(), fileName) == 0 ? e : nullptr;
}

BuildResult WriteBuiltCollection(Collection& collection, const BuildCollectionArgs& args, TagEntry** written)
{
    TagHeader header;
    TagEntry* entry = TagInFileOfName(args.tagId, args.name);
    if (entry) {
        GetTagHeader(entry, &header);
        SetTagName(header, args.name);
    } else {
        entry = CreateTag(kCollectionGroup, args.tagId, args.name, &header, true);
        if (!entry) return kBuildCannotCreate;
    }
    FILE* stream = BeginTagWrite(entry, &header, nullptr);
    bool ok = stream && collection.Write(stream, &header);
    if (stream) ok = FinishTagWrite(entry, &header, ok);
    if (ok && written) *written = entry;
    // An entry made only for this write goes again; one with copies stays as it was.
    if (!ok && GetTagInstanceCount(entry) == 0) DeleteTagEntryIfUnused(entry);
    return ok ? kBuildWritten : kBuildWriteFailed;
}

}  // namespace

BuildResult BuildCollection(const BuildCollectionArgs& args, TagEntry** written)
{
    if (written) *written = nullptr;
    auto start = std::chrono::steady_clock::now();
    gCategory = FormatString("BuildCollection %d (%s)", int(gBuildCounter++), args.name).c_str();
    const char* log = gCategory.c_str();
    LogMessage(0, log, "****************** Begin BuildCollection log for '%s' ******************\n", args.name);

    BuildContext context{};
    context.defaults.invertAlphas = args.invert ? 1 : 0;
    context.defaults.bitmapOrder = args.order;
    context.progress = args.progress;
    context.progressContext = args.progressContext;
    BuildResult result = kBuildNothingToBuild;
    if (ScanSourceFolder(context, log, args.folder)) {
        Collection collection;
        FillBuiltCollection(collection, context, log, args.x, args.y);
        LogMessage(0, log, "Writing collection data to disk...");
        result = WriteBuiltCollection(collection, args, written);
        LogMessage(0, log, "%s\n", result == kBuildWritten ? "ok." : "failed!");
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    LogMessage(0, log, "%.2lfs elpased\n", seconds);
    return result;
}

const char* LastBuildCollectionCategory() { return gCategory.c_str(); }
