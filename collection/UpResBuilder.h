#pragma once
// Giving an existing collection high-resolution bitmaps from folders of renderings: one folder
// per sequence, named after it, with one rendering per cell of the sequence's unique views
// (32-bit RGBA, or 24-bit RGB with a "<name>.alpha.<ext>" image beside it) and an optional
// "script.txt". One global scale between the renderings and the standard bitmaps is
// estimated, the renderings are reduced to the target scale as true-colour bitmaps, their
// registration points aligned with the standard ones, and the views given them as their
// high-resolution assignment. The run is logged under "UpRes %d (%s)".
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "collection/HueChange.h"
#include "foundation/FileRecord.h"

class Collection;
class Sequence;
struct CollectionBitmap;
struct FrameView;
struct TagEntry;

// One unique rendering. Only what finds and checks it again is kept between the scan and
// the reduction, so that a build holds a few decoded renderings at a time, not all of them.
struct UpResImage {
    std::string path;
    ImageRect crop;        // box of the visible pixels in the uncropped rendering
    u32 width, height;     // the cropped size
    u32 checksum;          // of the cropped pixels (Image::UpdateChecksum)
    Image reduced;         // 8 bytes per pixel once reduced; empty before or when refused

    UpResImage() : crop{}, width(0), height(0), checksum(0), reduced{} {}
    ~UpResImage() { reduced.Free(); }
    UpResImage(const UpResImage&) = delete;
    UpResImage& operator=(const UpResImage&) = delete;
};

// One cell with a rendering.
struct UpResInstance {
    FrameView* view;
    Sequence* sequence;
    u32 frame, viewIndex;    // the cell
    UpResImage* image;       // the unique rendering
    u32 index;               // its index among the unique renderings
    s32 boxX, boxY;          // the uncropped box (x, y 0)
    u32 boxWidth, boxHeight;
    u32 left, top, right, bottom;  // crop box, inclusive when made, scaled later
    s32 x, y;                // registration point in the reduced uncropped image
    s32 finalX, finalY;      // the point finally chosen
    s32 relativeX, relativeY;  // that point relative to the crop box
};

struct UpResContext {
    Collection* collection;
    std::string folder;  // ends in '/'
    double computedScale;
    double targetScale;
    u32 alignIndividually;
    u32 order;
    u32 invertAlphas;
    std::vector<std::unique_ptr<UpResImage>> images;  // unique renderings, in order
    u32 loaded;
    u32 kept;
    u32 renderingsHeld;      // renderings decoded and not yet freed
    u32 mostRenderingsHeld;  // the most held at once
    std::vector<HueChange> hueChanges;
    std::string log;
    std::vector<std::unique_ptr<UpResInstance>> instances;
    std::map<const Sequence*, u32> sequenceAlign;
    std::vector<CollectionBitmap*> added;  // the bitmap of each unique rendering, or null
    void (*progress)(void* context);
    void* progressContext;

    UpResContext(Collection* collection, const char* folder, u32 align, u32 order, u32 invert);
};

// The rendering as RGBA (a 24-bit image combined with its alpha image; inverted alphas with
// invert), or null when it cannot be loaded, its alpha image is missing or unfit, or it is
// neither RGB nor RGBA.
std::unique_ptr<FileRecord> LoadHighResBitmap(const char* path, bool invert);

// Makes the instances of every sequence's cells from the folder; problems are logged at level
// 1 or 2 and leave the sequence or the cell without an instance.
void ScanUpResSequences(UpResContext& context);
// Estimates the scale of the renderings against the standard bitmaps. Answers 0 after a FATAL
// line when there is nothing to estimate from.
int ComputeGlobalScale(UpResContext& context, double tolerance);
// Reduces every unique rendering to the target scale, loading them again one at a time, and
// rescales the instances' boxes. A rendering that cannot be loaded again, or is no longer the
// one scanned (other pixels or another visible box), is refused with an ERROR line; its cells
// get no high-res bitmap and leave the alignment.
void DownsampleAll(UpResContext& context);
void AlignUpResFrames(UpResContext& context);
// Appends the reduced renderings as bitmaps, in order (refused ones are left out), and frees
// the context's copies of their pixels.
void WriteUpResBitmaps(UpResContext& context);
// Gives every instance's view its high-resolution assignment: the bitmap WriteUpResBitmaps
// added for its rendering.
void AssignHighResFrameViews(UpResContext& context);

struct UpResArgs {
    TagEntry* entry;
    const char* folder;
    double targetScale;  // target x object scale
    double tolerance;
    u32 alignIndividually;
    u32 order;           // kOrderFramesThenViews or kOrderViewsThenFrames
    bool invert;
    bool fromArchive;    // read the best archive copy even when a local copy exists
    void (*progress)(void* context);
    void* progressContext;
};

// Runs the build in memory and writes the collection as the tag's local file (replacing an
// earlier one only once the new file stands complete). Answers 1 when it was written.
int UpRes(const UpResArgs& args);
// The log category of the run that runs (or ran last).
const char* LastUpResCategory();

// Makes location + the collection's name and, inside, one folder per sequence (names made
// safe with CleanFolderName). Answers the collection's folder with a final '/', or "" when a
// folder could not be made.
std::string CreateUpResFolderTree(const char* location, const Collection& collection);
