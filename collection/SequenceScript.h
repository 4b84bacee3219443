#pragma once
// What both collection builders read from a folder of source images: the sequence folder's
// name with its dimensions, the optional "script.txt" that picks and orders the frames, and
// the natural-order lists of colour and alpha images.
#include <string>
#include <vector>

#include "foundation/Types.h"

// SequenceScript::bitmapOrder values (also the builders' order argument).
enum : u32 {
    kOrderNone = 0,
    kOrderFramesThenViews = 1,
    kOrderViewsThenFrames = 2,
};

// The largest number of cells (views x frames) a sequence may have: the stored collection
// numbers its views in 16 bits.
constexpr u64 kMaxSequenceCells = 65535;

struct SequenceScript {
    u32 invertAlphas;
    u32 alignIndividually;
    u32 views;
    u32 frames;
    u32 bitmapOrder;               // kOrder*
    std::vector<s32> frameList;    // 0-based source frames, -1 blank

    // Distinct non-blank entries of the frame list.
    u32 DistinctFrames() const;
};

// True for "1", "T", "True", "Y" and "Yes" in any case.
bool ParseBoolCollection(const char* text);

// Reads the script file into script: frame-list lines append to frameList; "BitmapOrder"
// sets bitmapOrder, "AlignIndividually" alignIndividually. A missing file changes nothing.
// Digit runs too long for a frame number are taken as the largest one (they then lie past
// every image).
void ParseScriptFile(const char* path, SequenceScript* script);
// The same grammar over text already in memory.
void ParseScriptText(const char* text, size_t length, SequenceScript* script);

// 1 when the text after the folder name's last '(' reads "(%d,%d)": name becomes the text
// before that '(' and views and frames the two numbers. Otherwise 0, name the whole folder
// name and views and frames 0.
int ParseFolderDimensions(const char* folderName, std::string* name, s32* views, s32* frames);

// Reorders a frames-then-views list (all frames of view 0, then of view 1, ...) into cell
// order (views vary fastest): with n names and g = n / views, position v x g + k moves to
// k x views + v; the last n - views x g positions become empty names.
void TransposeNameList(std::vector<std::string>& names, u32 views);

// True for a file name whose name without its extension ends in ".alpha" after at least one
// character (walk01.alpha.bmp).
bool IsAlphaImageName(const char* name);

// The files of folder (ending in '/') as folder + name, in natural name order: with
// alphas 0 every file but "script.txt" and the alpha images, with alphas 1 only the alpha
// images, with alphas 2 every file but "script.txt".
std::vector<std::string> ListSourceFiles(const char* folder, int alphas);

// True when path names an existing folder.
bool IsExistingFolder(const char* path);

// A folder name made from a collection or sequence name that stays inside its parent: '/'
// and '\' become '_', and a name of only dots (or an empty one) becomes "_".
std::string CleanFolderName(const char* name);
