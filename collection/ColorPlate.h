#pragma once
// A plate: one 8-bit paletted image holding many bitmaps (their indices, or their alphas) in a
// grid of cells with separator lines, so a set of bitmaps can be edited in a paint program and
// brought back in one file.
//
// Image format: value 1 draws lines and markers, 0 is background, anything else is content.
// Row 0 is all 0 but (1, 0) = 1; row 1, column 1, the last row and the last column (from row
// 1) are all 1. Rows of cells start at y = 2, each closed by a separator row of 1 (column 0
// is 1 only on separator rows). A cell starting at x0 has a vertical line in column x0 - 1;
// its bitmap sits at (x0 + 1, top + 1) with one marker pixel of 1 diagonally past its
// bottom-right corner. A slot without a bitmap has its line but no marker.
#include "collection/Collection.h"
#include "foundation/DynArray.h"
#include "foundation/FileRecord.h"
#include "foundation/Image.h"

struct PlateCell {
    u32 x0, y0, x1, y1;  // after a layout: the slot; after a parse: the bitmap, x0 = x1 when empty
};

struct PlateRow {
    u32 top, bottom;  // bottom is the separator row
};

struct PlateSize {
    u32 width, height;
};

// Plate widths beyond this end the width search.
constexpr u32 kPlateMaxSearchWidth = 32768;

class ColorPlate {
public:
    Image image;  // 6400
    DynArray<PlateCell> cells;
    DynArray<PlateRow> rows;

    ColorPlate();
    ~ColorPlate();
    ColorPlate(const ColorPlate&) = delete;
    ColorPlate& operator=(const ColorPlate&) = delete;

    // Lays out and renders the bitmaps (null entries, and true-colour bitmaps, which a plate
    // cannot hold, are empty slots). perRow > 0 puts that many slots in each row; 0 chooses
    // the width whose plate is closest to square. Answers 0 when the image cannot be
    // allocated (too large or no memory).
    int Build(const Collection& collection, const DynArray<CollectionBitmap*>& bitmaps, u32 perRow, bool alpha);
    // Fills cells (one slot per entry) and rows, breaking rows every perRow slots, or with
    // perRow 0 before a slot that would pass widthLimit. Answers the image size.
    PlateSize Layout(const DynArray<CollectionBitmap*>& bitmaps, u32 widthLimit, u32 perRow);
    // Draws the laid-out plate into image. 0 when the image cannot be allocated.
    int Render(const Collection& collection, const DynArray<CollectionBitmap*>& bitmaps, PlateSize size, bool alpha);

    // 1 when image (format 6400) is a plate: CheckFrame, FindRows, then the cells of every row.
    int Parse();
    int CheckFrame() const;
    int FindRows();
    // The cell of region [x0, x1) x [top, bottom): the largest x and y of the pixels of value 1
    // in it are the marker; without one the cell is empty.
    PlateCell FindCells(u32 x0, u32 x1, u32 top, u32 bottom) const;

    // One new bitmap per non-empty cell (values 0 and 1 transparent, others {255, v};
    // span-coded when some value was 0), named "<base> #<k>" with k the cell number (four
    // digits), appended to list when given; an empty cell appends null. Answers 0 when a
    // bitmap cannot be made; the bitmaps made by this call are then removed again.
    int CutBitmaps(const char* baseName, Collection& collection, DynArray<CollectionBitmap*>* list);
    // When there are as many cells as bitmaps and each cell has its bitmap's size (an empty
    // cell for a null or true-colour entry), each cell's values become its bitmap's alphas and
    // its partial-alpha flag follows them. Answers 0 with no alpha changed otherwise.
    int ReadAlpha(const DynArray<CollectionBitmap*>& bitmaps);

    // The width search: the first width tried for the largest (bitmap width + 5) m, and the
    // next member of the series 2^k, 3 x 2^(k-1), 2^(k+1), ...
    static u32 FirstSearchWidth(u32 m);
    static u32 NextSearchWidth(u32 width);
};

// Lays out and saves the plate to the record's path and format. Answers 1, 0 when the save
// fails (an existing file is left untouched) or kPlateTooLarge when the image cannot be made.
constexpr int kPlateTooLarge = -1;
int ExportColorPlate(const Collection& collection, const DynArray<CollectionBitmap*>& bitmaps, FileRecord& file,
                     bool alpha, u32 perRow);

// The image part of ImportColorPlate: parses the image (6400, or grey-ramp 6406) as a plate,
// merges its palette into the table (taken whole for a fresh table), stores the table and cuts
// the bitmaps. Answers 0 with the collection unchanged when the image is not a plate, its
// colours do not fit or a bitmap cannot be made.
int ImportColorPlateImage(Collection& collection, Image& image, const char* baseName,
                          DynArray<CollectionBitmap*>* list);
// The image part of ImportAlphaPlate: parse and ReadAlpha. 0 with no alpha changed on failure.
int ImportAlphaPlateImage(Image& image, const DynArray<CollectionBitmap*>& bitmaps);
