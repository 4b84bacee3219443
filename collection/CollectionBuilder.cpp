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
#include <unistd.h>

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

namespace {

// Loads the colour image and, when alphaPath names one, its alpha image, and checks them as a
// pair; false after logging why at level 1.
bool LoadSourcePair(const char* log, const char* colourPath, const char* alphaPath, FileRecord& colour,
                    FileRecord& alpha)
{
    if (!colour.Load()) {
        LogMessage(1, log, "ERROR: the color bitmap file '%s' could not be loaded.\n", colourPath);
        return false;
    }
    const Image& c = colour.image;
    if (c.format != kImageIndexed) {
        LogMessage(1, log, "ERROR: the color bitmap file '%s' was not 8-bit color indexed.\n", colourPath);
        return false;
    }
    if (!alphaPath || !*alphaPath) return true;
    if (!alpha.Load()) {
        LogMessage(1, log, "ERROR: the alpha bitmap file '%s' could not be loaded.\n", alphaPath);
        return false;
    }
    if (alpha.image.format != kImageAlpha) {
        LogMessage(1, log, "ERROR: the alpha bitmap file '%s' was not 8-bit grayscale.\n", alphaPath);
        return false;
    }
    if (alpha.image.width != c.width || alpha.image.height != c.height) {
        LogMessage(1, log,
                   "ERROR: the alpha bitmap file '%s' had different dimensions than its color counterpart, "
                   "'%s'.\n",
                   alphaPath, colourPath);
        return false;
    }
    return true;
}

// The record that keeps the combined pixels of box, its buffer not cleared: every byte is
// written by CombineSource. Null when the memory is not there.
std::unique_ptr<FileRecord> NewSourceRecord(const char* colourPath, const FileRecord& colour, const ImageRect& box)
{
    auto out = std::make_unique<FileRecord>(colourPath);
    out->kind = kFileKindImage;
    out->format = colour.format;
    Image& o = out->image;
    const u32 w = u32(box.x1 - box.x0) + 1, h = u32(box.y1 - box.y0) + 1;
    const u64 bytes = Image::ByteSizeFor(w, h, kImageAlphaIndex);
    if (bytes == kBadImageSize || !o.SetPalette(colour.image.paletteCount, colour.image.palette)) return nullptr;
    o.pixels = static_cast<u8*>(malloc(bytes ? size_t(bytes) : 1));
    if (!o.pixels) return nullptr;
    o.width = w;
    o.height = h;
    o.format = kImageAlphaIndex;
    o.checksum = 0;
    return out;
}

// Interleaves {alpha, index} of box into out's pixels; without an alpha plane every pixel is
// opaque. Inverting turns a into 255 - a.
void CombineSource(const Image& colour, const u8* alphaPlane, bool invert, const ImageRect& box, u8* __restrict out)
{
    const u64 stride = colour.width;
    const u32 w = u32(box.x1 - box.x0) + 1;
    const u8 flip = invert ? 255 : 0;
    for (s32 y = box.y0; y <= box.y1; ++y) {
        const u64 first = u64(y) * stride + u64(box.x0);
        const u8* __restrict c = colour.pixels + first;
        if (alphaPlane) {
            const u8* __restrict a = alphaPlane + first;
            for (u32 x = 0; x < w; ++x) {
                out[2 * x] = u8(a[x] ^ flip);
                out[2 * x + 1] = c[x];
            }
        } else {
            const u8 opaque = u8(255 ^ flip);
            for (u32 x = 0; x < w; ++x) {
                out[2 * x] = opaque;
                out[2 * x + 1] = c[x];
            }
        }
        out += 2 * u64(w);
    }
}

// The inclusive box of the visible pixels of a width x height plane (those unlike hidden);
// false when there is none. A row is searched from both ends only as far as its first
// visible pixel, so an image mostly covered costs little more than its margins.
bool VisibleBox(const u8* plane, u32 width, u32 height, u8 hidden, ImageRect* box)
{
    bool any = false;
    for (u32 y = 0; y < height; ++y) {
        const u8* row = plane + u64(y) * width;
        u32 left = 0;
        while (left < width && row[left] == hidden) ++left;
        if (left == width) continue;
        u32 right = width - 1;
        while (row[right] == hidden) --right;
        if (!any) {
            *box = {s32(left), s32(y), s32(right), s32(y)};
            any = true;
            continue;
        }
        if (s32(left) < box->x0) box->x0 = s32(left);
        if (s32(right) > box->x1) box->x1 = s32(right);
        box->y1 = s32(y);
    }
    return any;
}

}  // namespace

AddSourceResult AddUniqueSourceBitmap(BuildContext& context, const char* log, const char* colourPath,
                                      const char* alphaPath, bool invert, SourceFrame* frame)
{
    *frame = SourceFrame{};
    // The box is found on the alpha plane and only its pixels are combined: the uncropped
    // {alpha, index} image is never made.
    FileRecord colour(colourPath);
    FileRecord alpha(alphaPath ? alphaPath : "");
    bool loaded = LoadSourcePair(log, colourPath, alphaPath, colour, alpha);
    if (context.progress) context.progress(context.progressContext);
    if (!loaded) return kSourceFailed;
    const Image& c = colour.image;
    const u8* plane = alpha.image.pixels;
    ++context.loaded;
    frame->width = c.width;
    frame->height = c.height;
    ImageRect box = {};
    const u8 hidden = invert ? 255 : 0;
    bool visible;
    if (plane) visible = VisibleBox(plane, c.width, c.height, hidden, &box);
    else {
        // Without an alpha image every pixel is opaque, so nothing is left once inverted.
        visible = !invert && c.width && c.height;
        box = {0, 0, s32(c.width) - 1, s32(c.height) - 1};
    }
    if (!visible) {
        LogMessage(1, log, "WARNING: the bitmap file '%s' is fully transparent; its cells stay empty.\n",
                   colourPath);
        return kSourceEmpty;
    }
    std::unique_ptr<FileRecord> record = NewSourceRecord(colourPath, colour, box);
    if (!record) {
        LogMessage(1, log, "ERROR: the color bitmap file '%s' could not be loaded.\n", colourPath);
        return kSourceFailed;
    }
    Image& image = record->image;
    CombineSource(c, plane, invert, box, image.pixels);
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

void FillBuiltCollection(Collection& collection, BuildContext& context, const char* log, s32 x, s32 y)
{
    std::vector<CollectionBitmap*> bitmaps(context.images.size());
    for (size_t i = 0; i < context.images.size(); ++i) {
        char name[64];
        Image& image = context.images[i]->image;
        BitmapNameFromPath(context.images[i]->path.c_str(), name);
        bitmaps[i] = collection.ImportImage(image, name, nullptr, false);
        if (!bitmaps[i]) LogMessage(1, log, "ERROR: The bitmap '%s' could not be added (palette mismiatch?)\n", name);
        // Released at once, the buffer serves the next bitmap's pixels: a build of many
        // images then touches fresh memory for about one copy of them rather than two.
        image.Free();
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
    TagEntry* e = LocalCollectionOfName(name);
    if (!e || (tagId != kNoTagId && e->tag != tagId) || GetTagAttachmentCount(e)) return nullptr;
    return e;
}

// The indexed tag whose local file bears the name but holds another id, or null.
TagEntry* OtherTagInFileOfName(u32 id, const char* name)
{
    TagHeader h = {};
    h.group = kCollectionGroup;
    SetTagName(h, name);
    FILE* f = nullptr;
    if (!OpenLocalTagFile(&h, nullptr, &f)) return nullptr;
    fclose(f);
    if (h.group == kCollectionGroup && h.tag == id) return nullptr;
    TagEntry* e = FindTagEntry(h.group, h.tag);
    return e && HasLocalCopy(e) ? e : nullptr;
}

// A file name beside the name's file that no file has yet, for a new collection that may
// take the name only once the tag holding it is gone.
String InterimFileName(const char* name)
{
    TagHeader h = {};
    h.group = kCollectionGroup;
    SetTagName(h, name);
    for (int n = 0;; ++n) {
        String candidate = n ? FormatString("%s.building%d", h.name, n) : FormatString("%s.building", h.name);
        if (access(GetLocalTagPath(h, candidate.c_str()).c_str(), F_OK) != 0) return candidate;
    }
}

// Writes the collection through the entry's write steps (under fileName, or the local
// copy's own file name when null). An entry made only for this write goes again on failure.
bool WriteCollectionTag(Collection& collection, TagEntry* entry, TagHeader* header, const char* fileName)
{
    FILE* stream = BeginTagWrite(entry, header, fileName);
    bool ok = stream && collection.Write(stream, header);
    if (stream) ok = FinishTagWrite(entry, header, ok);
    if (!ok && GetTagInstanceCount(entry) == 0) DeleteTagEntryIfUnused(entry);
    return ok;
}

// The chosen id is a local collection in another file, or the name's file holds another
// collection: both are replaced, but only once the new one stands complete. It is written
// over the id's own file (or under an interim name), then the name's holder is deleted and
// the file takes the name.
BuildResult ReplaceLocalCollections(Collection& collection, const BuildCollectionArgs& args, u32 id,
                                    TagEntry* sameId, TagEntry* nameHolder, TagEntry** written)
{
    // A tag open somewhere is never taken away from under its editor.
    if ((sameId && GetTagAttachmentCount(sameId)) || (nameHolder && GetTagAttachmentCount(nameHolder)))
        return kBuildCannotCreate;
    TagHeader header;
    TagEntry* entry = sameId;
    String interim;
    if (entry && HasLocalCopy(entry)) {
        GetTagHeader(entry, &header);
    } else {
        entry = GetOrCreateTagEntry(kCollectionGroup, id);
        if (!entry) return kBuildCannotCreate;
        header = TagHeader{};
        header.group = kCollectionGroup;
        header.tag = id;
        header.version = 1;
        interim = InterimFileName(args.name);
    }
    SetTagName(header, args.name);
    if (!WriteCollectionTag(collection, entry, &header, interim.Length() ? interim.c_str() : nullptr))
        return kBuildWriteFailed;
    if (nameHolder && !DeleteLocalTag(nameHolder))
        LogMessage(1, LastBuildCollectionCategory(),
                   "WARNING: the collection in the local file '%s' could not be deleted; the new one keeps its "
                   "own file name.\n",
                   args.name);
    // The new file takes the name now that it is free; should that fail it stays whole under
    // the name it was written with.
    TagEntry* named = ChangeTagInfo(entry, kNoTagId, args.name);
    if (written) *written = named ? named : FindTag(kCollectionGroup, id);
    return kBuildWritten;
}

BuildResult WriteBuiltCollection(Collection& collection, const BuildCollectionArgs& args, TagEntry** written)
{
    TagHeader header;
    if (TagEntry* entry = TagInFileOfName(args.tagId, args.name)) {
        GetTagHeader(entry, &header);
        SetTagName(header, args.name);
        if (!WriteCollectionTag(collection, entry, &header, nullptr)) return kBuildWriteFailed;
        if (written) *written = entry;
        return kBuildWritten;
    }
    TagHeader wanted = {};
    wanted.group = kCollectionGroup;
    SetTagName(wanted, args.name);
    if (args.tagId == kNoTagId) AssignTagIdFromName(wanted);
    else wanted.tag = args.tagId;
    TagEntry* sameId = FindTag(kCollectionGroup, wanted.tag);
    TagEntry* nameHolder = OtherTagInFileOfName(wanted.tag, args.name);
    if ((sameId && HasLocalCopy(sameId)) || nameHolder)
        return ReplaceLocalCollections(collection, args, wanted.tag, sameId, nameHolder, written);
    // Nothing local stands in the way, so creating deletes nothing.
    TagEntry* entry = CreateTag(kCollectionGroup, args.tagId, args.name, &header, true);
    if (!entry) return kBuildCannotCreate;
    if (!WriteCollectionTag(collection, entry, &header, nullptr)) return kBuildWriteFailed;
    if (written) *written = entry;
    return kBuildWritten;
}

}  // namespace

TagEntry* LocalCollectionOfName(const char* name)
{
    TagHeader h = {};
    h.group = kCollectionGroup;
    SetTagName(h, name);
    String path = GetLocalTagPath(h, nullptr);
    FILE* f = nullptr;
    if (!OpenLocalTagFile(&h, nullptr, &f)) return nullptr;
    fclose(f);
    if (h.group != kCollectionGroup) return nullptr;
    TagEntry* e = FindTagEntry(kCollectionGroup, h.tag);
    if (!e || !HasLocalCopy(e)) return nullptr;
    const char* fileName = strrchr(path.c_str(), '/');
    fileName = fileName ? fileName + 1 : path.c_str();
    return strcmp(e->local_copy->file_name.c_str(), fileName) == 0 ? e : nullptr;
}

BuildResult CheckBuiltCollectionTarget(u32 tagId, const char* name)
{
    // The same choices WriteBuiltCollection makes, without writing.
    if (TagInFileOfName(tagId, name)) return kBuildWritten;
    TagHeader wanted = {};
    wanted.group = kCollectionGroup;
    SetTagName(wanted, name);
    if (tagId == kNoTagId) AssignTagIdFromName(wanted);
    else wanted.tag = tagId;
    TagEntry* sameId = FindTag(kCollectionGroup, wanted.tag);
    TagEntry* nameHolder = OtherTagInFileOfName(wanted.tag, name);
    if ((sameId && HasLocalCopy(sameId)) || nameHolder) {
        if ((sameId && GetTagAttachmentCount(sameId)) || (nameHolder && GetTagAttachmentCount(nameHolder)))
            return kBuildCannotCreate;
    }
    return kBuildWritten;
}

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
