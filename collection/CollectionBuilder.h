#pragma once
// Building a new collection from a folder of ordinary images: one sub-folder per sequence,
// named "<name>(<views>,<frames>)", holding 8-bit paletted colour images (in the folder or
// its "bitmaps/"), optional 8-bit greyscale alpha images ("<name>.alpha.<ext>" beside them or
// in "alphas/") and an optional "script.txt". Every image is cropped to its visible box,
// identical images are kept once, and registration points keep the given point of the
// uncropped image fixed. The run is logged in its own category, "BuildCollection %d (%s)".
#include <memory>
#include <string>
#include <vector>

#include "collection/SequenceScript.h"
#include "foundation/FileRecord.h"

class Collection;
struct TagEntry;

// One cell, or one loaded image: the unique image (null for none), its index, the point
// (always 0, 0 here), the size before cropping and the inclusive crop box.
struct SourceFrame {
    FileRecord* record;
    u32 index;
    s32 x, y;
    u32 width, height;
    u32 left, top, right, bottom;
};

// One sequence folder.
struct SequenceSource {
    u32 views;
    u32 frames;
    std::string name;
    SequenceScript script;
    std::vector<SourceFrame> cells;  // views x frames, view fastest
};

// A progress step, run after each image: the application draws a frame there.
typedef void (*BuildProgress)(void* context);

// One build.
struct BuildContext {
    std::vector<std::unique_ptr<FileRecord>> images;  // the unique images, in order
    u32 loaded;
    u32 kept;
    SequenceScript defaults;
    std::vector<SequenceSource> sources;
    BuildProgress progress;
    void* progressContext;
};

enum AddSourceResult : u32 {
    kSourceFailed = 0,  // could not be loaded (logged); the sequence is dropped
    kSourceAdded = 1,   // frame describes a unique image, new or shared
    kSourceEmpty = 2,   // no visible pixel (logged); frame stays empty
};
// Loads, crops and keeps the image once: an image equal in size, format, pixels and palette
// to one kept already shares it.
AddSourceResult AddUniqueSourceBitmap(BuildContext& context, const char* log, const char* colourPath,
                                      const char* alphaPath, bool invert, SourceFrame* frame);

// Adds the SequenceSource of folder + sub-folder name, or nothing after logging why.
void ScanSequenceFolder(BuildContext& context, const char* log, const char* folder, const char* subfolder);
// Every sub-folder in natural order; 1 when at least one sequence was accepted.
int ScanSourceFolder(BuildContext& context, const char* log, const char* folder);

// Makes the collection of the context's sources (none written yet); images that cannot be
// imported leave their cells empty (logged). x and y are the registration point. The pixels
// and palettes of the context's images are released as they are imported (their records,
// sizes and paths stay).
void FillBuiltCollection(Collection& collection, BuildContext& context, const char* log, s32 x, s32 y);

enum BuildResult : u32 {
    kBuildWritten = 0,
    kBuildNothingToBuild = 1,  // no sequence accepted
    kBuildCannotCreate = 2,    // the tag could not be created (in use, or the id taken)
    kBuildWriteFailed = 3,
};

struct BuildCollectionArgs {
    u32 tagId;       // kNoTagId: derived from the name
    const char* name;
    const char* folder;
    u32 order;       // kOrderFramesThenViews or kOrderViewsThenFrames
    s32 x, y;        // registration point of the uncropped images
    bool invert;
    BuildProgress progress;
    void* progressContext;
};

// The indexed collection whose local file is the one the name gives, whatever its id; null
// when there is none.
TagEntry* LocalCollectionOfName(const char* name);
// What writing a built collection of this id (kNoTagId: from the name) and name would meet
// now, without building: kBuildCannotCreate when a local collection it would replace is open
// (in use), else kBuildWritten.
BuildResult CheckBuiltCollectionTarget(u32 tagId, const char* name);

// Builds and writes the collection as a local tag. A local collection of the same name or of
// the chosen id is replaced only once the new file stands complete: the id's own file is
// written over by renaming (and then takes the name), another collection in the name's file
// is deleted only after that. A failed write leaves both as they were. One of them in use
// (open in an editor) refuses the build (kBuildCannotCreate).
// *written gets the written tag. Logs under "BuildCollection <n> (<name>)", n counting the
// builds of this process from 0.
BuildResult BuildCollection(const BuildCollectionArgs& args, TagEntry** written);

// The log category of the build that runs (or ran last).
const char* LastBuildCollectionCategory();
