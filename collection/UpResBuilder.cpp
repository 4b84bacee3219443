#include "collection/UpResBuilder.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

#include "codex/Codex.h"
#include "codex/TagFiles.h"
#include "collection/Collection.h"
#include "collection/HighResDownsample.h"
#include "collection/SequenceScript.h"
#include "foundation/Files.h"
#include "foundation/Log.h"
#include "foundation/StringUtil.h"

namespace {

u32 gRunCounter;
std::string gCategory;

// Nearest integer, halves up.
s32 Round(double x) { return s32(std::floor(x + 0.5)); }

const char* BaseName(const char* path)
{
    const char* slash = strrchr(path, '/');
    return slash ? slash + 1 : path;
}

// The standard assignment of a view, whichever one it shows.
CollectionBitmap* StandardBitmap(const FrameView& v)
{
    return v.IsShowingHighRes() ? v.standardBitmap : v.bitmap;
}
void StandardPoint(const FrameView& v, s32* x, s32* y)
{
    *x = v.IsShowingHighRes() ? v.registrationXAsRead : v.registrationX;
    *y = v.IsShowingHighRes() ? v.registrationYAsRead : v.registrationY;
}

void Step(UpResContext& context)
{
    if (context.progress) context.progress(context.progressContext);
}

}  // namespace

UpResContext::UpResContext(Collection* c, const char* f, u32 align, u32 o, u32 invert)
    : collection(c), folder(f ? f : ""), computedScale(0), targetScale(0), alignIndividually(align), order(o),
      invertAlphas(invert), loaded(0), kept(0), renderingsHeld(0), mostRenderingsHeld(0), progress(nullptr), progressContext(nullptr)
{
    String normal = folder.c_str();
    NormalizeFolderPath(normal);
    folder = normal.c_str();
    for (u32 i = 0; i < c->GetHueChangeCount(); ++i) hueChanges.push_back(*c->GetHueChange(i));
}

std::unique_ptr<FileRecord> LoadHighResBitmap(const char* path, bool invert)
{
    auto record = std::make_unique<FileRecord>(path);
    if (!record->Load()) return nullptr;
    Image& image = record->image;
    if (image.format == kImageRgb) {
        std::string alphaPath = path;
        const char* dot = strrchr(BaseName(path), '.');
        size_t stem = dot && dot != BaseName(path) ? size_t(dot - path) : alphaPath.size();
        alphaPath.insert(stem, ".alpha");
        FileRecord alpha(alphaPath.c_str());
        if (!alpha.Load()) return nullptr;
        const Image& a = alpha.image;
        if (a.width != image.width || a.height != image.height) return nullptr;
        if (a.format != kImageAlpha && a.format != kImageRgb) return nullptr;
        u32 step = a.format == kImageRgb ? 3 : 1;
        std::vector<u8> plane(size_t(a.width) * a.height);
        for (size_t i = 0; i < plane.size(); ++i) plane[i] = a.pixels[i * step];
        if (!image.ConvertTo(kImageRgba)) return nullptr;
        image.SetChannel(3, plane.data());
    } else if (image.format != kImageRgba) {
        // Paletted or grey renderings carry no colour depth worth reducing: refused.
        return nullptr;
    }
    if (invert) image.InvertChannel(3);
    return record;
}

namespace {

// A rendering decoded by the build, counted in the context while it lives.
class HeldRendering {
public:
    explicit HeldRendering(UpResContext& context) : context_(context) {}
    ~HeldRendering() { Free(); }
    HeldRendering(const HeldRendering&) = delete;
    HeldRendering& operator=(const HeldRendering&) = delete;

    bool Load(const std::string& path)
    {
        Free();
        record_ = LoadHighResBitmap(path.c_str(), context_.invertAlphas != 0);
        if (!record_) return false;
        context_.mostRenderingsHeld = std::max(context_.mostRenderingsHeld, ++context_.renderingsHeld);
        return true;
    }
    void Free()
    {
        if (!record_) return;
        record_.reset();
        --context_.renderingsHeld;
    }
    Image& image() { return record_->image; }

private:
    UpResContext& context_;
    std::unique_ptr<FileRecord> record_;
};

bool SameBox(const ImageRect& a, const ImageRect& b)
{
    return a.x0 == b.x0 && a.y0 == b.y0 && a.x1 == b.x1 && a.y1 == b.y1;
}

// Pixels and palettes alike.
bool SameRendering(const Image& a, const Image& b)
{
    if (!Image::Equals(a, b) || a.paletteCount != b.paletteCount) return false;
    if (!a.palette || !b.palette) return a.palette == b.palette || !a.paletteCount;
    return memcmp(a.palette, b.palette, sizeof(Rgb) * a.paletteCount) == 0;
}

// Loads the kept rendering again and crops it as it was cropped when scanned. Answers 0 when
// it cannot be loaded or is no longer what was scanned: its visible box, size or checksum
// differ.
bool LoadAsScanned(HeldRendering& held, const UpResImage& kept)
{
    if (!held.Load(kept.path)) return false;
    Image& image = held.image();
    if (!SameBox(image.GetAlphaBounds(), kept.crop) || !image.Crop(kept.crop)) return false;
    image.UpdateChecksum();
    return image.width == kept.width && image.height == kept.height && image.checksum == kept.checksum;
}

// The index of a kept rendering equal to the cropped image, or the count of kept renderings.
// Checksums pick the candidates; each candidate is loaded again to compare the pixels.
u32 FindKeptRendering(UpResContext& context, const Image& image)
{
    for (size_t i = 0; i < context.images.size(); ++i) {
        const UpResImage& kept = *context.images[i];
        if (kept.checksum != image.checksum || kept.width != image.width || kept.height != image.height) continue;
        HeldRendering again(context);
        if (LoadAsScanned(again, kept) && SameRendering(again.image(), image)) return u32(i);
    }
    return u32(context.images.size());
}

// The instance of one cell, or null after logging why.
UpResInstance* AddUpResInstance(UpResContext& context, const std::string& path, Sequence* sequence, u32 f, u32 v)
{
    const char* log = context.log.c_str();
    HeldRendering held(context);
    bool loaded = held.Load(path);
    Step(context);
    if (!loaded) {
        LogMessage(2, log, "ERROR: could not create UpRes bitmap instance for '%s' (bad format?)\n", path.c_str());
        return nullptr;
    }
    ++context.loaded;
    Image& image = held.image();
    auto instance = std::make_unique<UpResInstance>();
    *instance = UpResInstance{};
    instance->view = &sequence->GetFrameView(f, v);
    instance->frame = f;
    instance->viewIndex = v;
    instance->sequence = sequence;
    instance->boxWidth = image.width;
    instance->boxHeight = image.height;
    ImageRect box = image.GetAlphaBounds();
    if (box.x0 > box.x1 || box.y0 > box.y1) {
        LogMessage(2, log, "WARNING: the rendering '%s' is fully transparent; its cell gets no high-res bitmap.\n",
                   path.c_str());
        return nullptr;
    }
    if (!image.Crop(box)) {
        LogMessage(2, log, "ERROR: could not create UpRes bitmap instance for '%s' (bad format?)\n", path.c_str());
        return nullptr;
    }
    instance->left = u32(box.x0);
    instance->top = u32(box.y0);
    instance->right = u32(box.x1);
    instance->bottom = u32(box.y1);
    image.UpdateChecksum();
    instance->index = FindKeptRendering(context, image);
    if (instance->index == context.images.size()) {
        auto kept = std::make_unique<UpResImage>();
        kept->path = path;
        kept->crop = box;
        kept->width = image.width;
        kept->height = image.height;
        kept->checksum = image.checksum;
        context.images.push_back(std::move(kept));
        ++context.kept;
    }
    instance->image = context.images[instance->index].get();
    context.instances.push_back(std::move(instance));
    return context.instances.back().get();
}

void ScanSequence(UpResContext& context, Sequence* s)
{
    const char* log = context.log.c_str();
    // Only cells that exist are scanned: a file may hold fewer frames or views than it claims.
    const u32 frames = std::min(s->GetFrameCount(), s->frameArray.count);
    u32 u = s->GetUniqueViewCount();
    for (u32 f = 0; f < frames; ++f) u = std::min(u, s->GetFrame(f).views.count);
    std::string folder = context.folder + CleanFolderName(s->name) + "/";
    std::vector<std::string> names = ListSourceFiles(folder.c_str(), 0);
    SequenceScript script{};
    script.alignIndividually = context.alignIndividually;
    ParseScriptFile((folder + "script.txt").c_str(), &script);
    context.sequenceAlign[s] = script.alignIndividually;
    u32 order = script.bitmapOrder ? script.bitmapOrder : context.order;
    if (order != kOrderViewsThenFrames) TransposeNameList(names, u);
    LogMessage(1, log, "scanning sequence '%s'\n", s->name);

    const std::vector<s32>& list = script.frameList;
    const u64 found = names.size();
    if (!list.empty()) {
        if (list.size() != frames) {
            LogMessage(1, log, "ERROR: script.txt in sequence folder '%s' specifies %d frames, expected %d\n", s->name,
                       int(list.size()), int(frames));
            return;
        }
        u64 expected = u64(script.DistinctFrames()) * u;
        if (expected != found) {
            LogMessage(1, log, "ERROR: sequence folder '%s' contains %d bitmaps, expected %d\n", s->name, int(found),
                       int(expected));
            return;
        }
        for (s32 e : list)
            if (e >= 0 && (u64(e) + 1) * u > found) {
                LogMessage(1, log,
                           "ERROR: script.txt in sequence folder '%s' specified a frame index (%d), larger than the "
                           "number of frames found in the folder (%d).\n",
                           s->name, int(e), u ? int(found / u) : 0);
                return;
            }
    } else if (found != u64(frames) * u) {
        LogMessage(1, log, "ERROR: sequence folder '%s' contains %d bitmaps, expected %d\n", s->name, int(found),
                   int(u64(frames) * u));
        return;
    }

    const UpResInstance* first = nullptr;
    bool sizeWarned = false;
    for (u32 f = 0; f < frames; ++f) {
        s64 source = list.empty() ? s64(f) : s64(list[f]);
        if (source < 0) continue;
        for (u32 v = 0; v < u; ++v) {
            const std::string& name = names[size_t(source * u + v)];
            if (name.empty()) continue;
            const CollectionBitmap* standard = StandardBitmap(s->GetFrameView(f, v));
            // The estimate and the alignment measure the rendering against the standard bitmap.
            if (!standard || !standard->width || !standard->height) {
                LogMessage(2, log, "WARNING: sequence '%s' frame %d view %d has no standard bitmap; '%s' is skipped.\n",
                           s->name, int(f), int(v), name.c_str());
                continue;
            }
            UpResInstance* instance = AddUpResInstance(context, name, s, f, v);
            if (!instance) continue;
            if (!first) {
                first = instance;
            } else if (!sizeWarned &&
                       (instance->boxWidth != first->boxWidth || instance->boxHeight != first->boxHeight)) {
                LogMessage(2, log,
                           "ERROR: sequence '%s': not all bitmaps are the same size; Alignment not preserved!\n",
                           s->name);
                sizeWarned = true;
            }
        }
    }
}

}  // namespace

void ScanUpResSequences(UpResContext& context)
{
    for (u32 i = 0; i < context.collection->GetSequenceCount(); ++i)
        ScanSequence(context, context.collection->GetSequence(i));
}

int ComputeGlobalScale(UpResContext& context, double tolerance)
{
    const char* log = context.log.c_str();
    if (context.instances.empty()) {
        LogMessage(1, log, "FATAL: no renderings to compare with the standard bitmaps; nothing to build.\n");
        return 0;
    }
    // Raising the tolerance ends once every finite difference passes; past this only sizes
    // that compare as nothing (NaN) are left.
    const double limit = std::max(tolerance, 0.0) + 1000.0;
    double t = tolerance;
    for (;;) {
        double s = 0;
        bool restart = false;
        for (int pass = 0; pass < 5 && !restart; ++pass) {
            double sum = 0;
            u32 passing = 0;
            for (const auto& instance : context.instances) {
                const CollectionBitmap* b = StandardBitmap(*instance->view);
                double bw = b->width, bh = b->height;
                double cw = double(instance->right) - instance->left + 1, ch = double(instance->bottom) - instance->top + 1;
                double sx = cw / bw, sy = ch / bh;
                bool passes;
                if (pass == 0) {
                    passes = t > std::fabs((bw / bh) / (cw / ch) - 1);
                } else {
                    double dx = std::fabs(sx / s - 1), dy = std::fabs(sy / s - 1);
                    passes = t > std::max(dx, dy);
                    if (pass == 4 && !passes)
                        LogMessage(0, log, "SCALE WARNING: %s(%dx%d) vs %s(%dx%d) - dimensions differ by (%.1lf%%, %.1lf%%)\n",
                                   b->name, int(bw), int(bh), BaseName(instance->image->path.c_str()), int(cw), int(ch),
                                   dx * 100, dy * 100);
                }
                if (passes) {
                    sum += (sx + sy) / 2;
                    ++passing;
                }
            }
            if (!passing) {
                t += 0.1;
                if (!(t <= limit)) {
                    LogMessage(1, log, "FATAL: no bitmaps passed with warn_fraction %.2lf; the scale cannot be computed.\n",
                               t);
                    return 0;
                }
                LogMessage(0, log,
                           "WARNING: no bitmaps passed; warn_fraction too low. raising warn_fraction to %.2lf\n", t);
                restart = true;
                break;
            }
            s = sum / passing;
            LogMessage(0, log, "computed global scale: %.2lf\n", s);
        }
        if (!restart) {
            context.computedScale = s;
            return 1;
        }
    }
}

void DownsampleAll(UpResContext& context)
{
    const char* log = context.log.c_str();
    const double r = context.targetScale / context.computedScale;
    std::vector<const HueChange*> hues;
    for (const HueChange& h : context.hueChanges) hues.push_back(&h);
    u64 pastSeventh = 0;
    for (auto& kept : context.images) {
        HeldRendering held(context);
        if (!LoadAsScanned(held, *kept)) {
            LogMessage(1, log,
                       "ERROR: the rendering '%s' is no longer the one scanned (changed or removed); its cells get no "
                       "high-res bitmap.\n",
                       kept->path.c_str());
            Step(context);
            continue;
        }
        Image& source = held.image();
        // A side reduced to nothing still keeps one pixel.
        u32 w = u32(std::max(1, Round(source.width * r))), h = u32(std::max(1, Round(source.height * r)));
        Image hueIndexed = {}, out = {};
        u64 past = 0;
        bool ok = ConvertToHueIndexed(hueIndexed, source, hues.data(), u32(hues.size()), &past) &&
                  out.Create(w, h, 8, nullptr) && DownsampleIndexed(source, out, hueIndexed);
        pastSeventh += past;
        hueIndexed.Free();
        held.Free();
        if (ok) {
            kept->reduced.MoveFrom(out);
        } else {
            out.Free();
            LogMessage(1, log, "ERROR: the rendering '%s' could not be reduced; its cells get no high-res bitmap.\n",
                       kept->path.c_str());
        }
        Step(context);
    }
    if (pastSeventh || context.hueChanges.size() > kMaxPackedHueChanges)
        LogMessage(1, log,
                   "WARNING: only the first %d of %d hue changes can be stored in high-res bitmaps; %llu pixels of "
                   "later ones keep their own colours.\n",
                   int(kMaxPackedHueChanges), int(context.hueChanges.size()), (unsigned long long)pastSeventh);
    // Cells of refused renderings have nothing to align or assign.
    auto& all = context.instances;
    all.erase(std::remove_if(all.begin(), all.end(),
                             [](const std::unique_ptr<UpResInstance>& in) { return !in->image->reduced.pixels; }),
              all.end());
    for (auto& instance : all) {
        const Image& reduced = instance->image->reduced;
        instance->boxWidth = u32(std::max(0, Round((double(instance->boxWidth) - instance->boxX) * r)));
        instance->boxHeight = u32(std::max(0, Round((double(instance->boxHeight) - instance->boxY) * r)));
        instance->boxX = instance->boxY = 0;
        instance->left = u32(Round(instance->left * r));
        instance->top = u32(Round(instance->top * r));
        instance->right = instance->left + reduced.width;
        instance->bottom = instance->top + reduced.height;
    }
    context.computedScale = context.targetScale;
}

void AlignUpResFrames(UpResContext& context)
{
    const double scale = context.targetScale;
    for (u32 i = 0; i < context.collection->GetSequenceCount(); ++i) {
        Sequence* s = context.collection->GetSequence(i);
        std::vector<UpResInstance*> mine;
        for (auto& instance : context.instances)
            if (instance->sequence == s) mine.push_back(instance.get());
        if (mine.empty()) continue;
        // Instances are made frame by frame, view by view: the first is the earliest cell.
        if (mine.front()->frame != 0 || mine.front()->viewIndex != 0)
            LogMessage(2, context.log.c_str(),
                       "WARNING: frame 0 view 0 of sequence '%s' has no rendering; the sequence is aligned from frame "
                       "%d view %d.\n",
                       s->name, int(mine.front()->frame), int(mine.front()->viewIndex));
        double sumX = 0, sumY = 0;
        for (UpResInstance* in : mine) {
            s32 rx, ry;
            StandardPoint(*in->view, &rx, &ry);
            const CollectionBitmap* b = StandardBitmap(*in->view);
            double x = (double(in->left) + in->right + 1) / 2 + (2.0 * rx - b->width) / 2 * scale;
            double y = (double(in->top) + in->bottom + 1) / 2 + (2.0 * ry - b->height) / 2 * scale;
            in->x = in->finalX = Round(x);
            in->y = in->finalY = Round(y);
            in->relativeX = in->finalX - s32(in->left);
            in->relativeY = in->finalY - s32(in->top);
            sumX += x;
            sumY += y;
        }
        if (context.sequenceAlign[s]) continue;
        // The common point is the mean over the cells that have a rendering.
        s32 cx = Round(sumX / double(mine.size())), cy = Round(sumY / double(mine.size()));
        for (UpResInstance* in : mine) {
            in->finalX = cx;
            in->finalY = cy;
            in->relativeX = cx - s32(in->left);
            in->relativeY = cy - s32(in->top);
        }
    }
}

void WriteUpResBitmaps(UpResContext& context)
{
    context.added.clear();
    for (auto& kept : context.images) {
        Image& image = kept->reduced;
        CollectionBitmap* b = nullptr;
        // A refused rendering was logged when it was reduced.
        if (image.pixels) {
            char name[64] = {};
            strncpy(name, BaseName(kept->path.c_str()), 63);
            b = context.collection->AddBitmap(name, 0, image.pixels, image.width, image.height, 8, nullptr);
            if (!b)
                LogMessage(1, context.log.c_str(), "ERROR: the high-res bitmap '%s' could not be added.\n", name);
            // The collection has its own copy.
            image.Free();
        }
        context.added.push_back(b);
    }
}

void AssignHighResFrameViews(UpResContext& context)
{
    const u32 scale = u32(Round(655360.0 / context.targetScale));
    for (auto& instance : context.instances) {
        CollectionBitmap* b = instance->index < context.added.size() ? context.added[instance->index] : nullptr;
        if (!b) continue;
        FrameView& v = *instance->view;
        if (!(v.flags & kViewHasHighRes)) {
            v.standardBitmap = v.bitmap;
            v.registrationXAsRead = v.registrationX;
            v.registrationYAsRead = v.registrationY;
        }
        v.SetHighResAssignment(b, scale, s16(instance->relativeX), s16(instance->relativeY));
    }
}

int UpRes(const UpResArgs& args)
{
    TagHeader header;
    GetTagHeader(args.entry, &header);
    gCategory = FormatString("UpRes %d (%s)", int(gRunCounter++), header.name).c_str();
    const char* log = gCategory.c_str();
    // The build is written over the local tag: an editor's later save would silently undo it.
    if (GetTagAttachmentCount(args.entry)) {
        LogMessage(1, log, "ERROR: the collection '%s' is open in an editor; close it before building.\n",
                   header.name);
        return 0;
    }
    TagInstance* copy = args.fromArchive ? GetArchiveTagInstance(args.entry) : GetTagInstance(args.entry);
    FILE* stream = copy ? OpenTagInstance(copy, &header) : nullptr;
    Collection* collection = stream ? LoadCollection(stream, &header) : nullptr;
    if (stream) CloseTagReader(args.entry);
    if (!collection) {
        LogMessage(1, log, "ERROR: the collection '%s' could not be read.\n", header.name);
        return 0;
    }
    auto start = std::chrono::steady_clock::now();
    LogMessage(0, log, "****************** Begin UpRes log for '%s' ******************\n", header.name);
    UpResContext context(collection, args.folder, args.alignIndividually, args.order, args.invert ? 1 : 0);
    context.targetScale = args.targetScale;
    context.log = log;
    context.progress = args.progress;
    context.progressContext = args.progressContext;

    ScanUpResSequences(context);
    bool built = false;
    if (ComputeGlobalScale(context, args.tolerance)) {
        if (context.computedScale > context.targetScale) {
            DownsampleAll(context);
            AlignUpResFrames(context);
            WriteUpResBitmaps(context);
            AssignHighResFrameViews(context);
            built = true;
        } else {
            LogMessage(1, log, "FATAL: computed scale (%.2lf) must not be less than the target scale (%.2lf).\n",
                       context.computedScale, context.targetScale);
        }
    }
    LogMessage(0, log, "%d instances, %d unique\n", int(context.loaded), int(context.kept));
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    LogMessage(0, log, "%.2lfs elpased\n", seconds);

    bool written = false;
    if (built) {
        FILE* out = BeginTagWrite(args.entry, &header, nullptr);
        written = out && collection->Write(out, &header);
        if (out) written = FinishTagWrite(args.entry, &header, written);
        if (!written) LogMessage(1, log, "ERROR: the collection '%s' could not be written.\n", header.name);
    }
    delete collection;
    return written ? 1 : 0;
}

const char* LastUpResCategory() { return gCategory.c_str(); }

std::string CreateUpResFolderTree(const char* location, const Collection& collection)
{
    String base = location;
    NormalizeFolderPath(base);
    std::string top = std::string(base.c_str()) + CleanFolderName(collection.name) + "/";
    MakeDirectory(top.c_str());
    if (!IsExistingFolder(top.c_str())) return "";
    for (u32 i = 0; i < collection.GetSequenceCount(); ++i) {
        std::string sub = top + CleanFolderName(collection.GetSequence(i)->name);
        MakeDirectory(sub.c_str());
        if (!IsExistingFolder(sub.c_str())) return "";
    }
    return top;
}
