// Plate files through the fake backend: the two refusal messages and the failed exports, each
// naming the file, with nothing changed.
#include <cstdlib>
#include <string>

#include "../common/TempFolder.h"
#include "BoxScript.h"
#include "collection/ui/PlateFiles.h"

using boxscript::Seen;

namespace {

class PlateFiles : public boxscript::BoxFixture {
protected:
    TempFolder dir;
};

}  // namespace

TEST_F(PlateFiles, RefusedPlatesNameTheFileAndChangeNothing)
{
    Collection c;
    CollectionBitmap* b = c.AddBitmap("b", 0, nullptr, 4, 4, 2, nullptr);
    ScopedDynArray<CollectionBitmap*> list;
    list.Push(b);
    std::string plate = dir / "sheet one.png";
    FileRecord out(plate.c_str());
    out.format = kFileFormatPng;
    ASSERT_EQ(1, ExportColorPlateFile(c, list, out, true, 0));
    std::string notPlate = dir / "photo.png";
    FileRecord photo(notPlate.c_str());
    photo.format = kFileFormatPng;
    photo.kind = kFileKindImage;
    ASSERT_TRUE(photo.image.Create(8, 8, kImageIndexed, nullptr));
    ASSERT_TRUE(photo.Save());

    FileRecord wrongPlate(notPlate.c_str());
    ASSERT_TRUE(wrongPlate.Load());
    EXPECT_EQ(0, ImportColorPlate(c, wrongPlate, nullptr));
    EXPECT_EQ(0, ImportAlphaPlate(c, wrongPlate, list));
    // The alpha plate of b does not fit a list of two.
    ScopedDynArray<CollectionBitmap*> two;
    two.Push(b);
    two.Push(b);
    FileRecord sheet(plate.c_str());
    ASSERT_TRUE(sheet.Load());
    EXPECT_EQ(0, ImportAlphaPlate(c, sheet, two));
    EXPECT_EQ(1u, c.GetBitmapCount());
    EXPECT_EQ((std::vector<std::string>{
                  "'photo.png': The color plate is not of the correct format or is not compatible with the existing "
                  "color table.",
                  "'photo.png': The alpha plate is not of the correct format or the image dimensions do not match.",
                  "'sheet one.png': The alpha plate is not of the correct format or the image dimensions do not "
                  "match."}),
              Texts());
    FileRecord again(plate.c_str());
    ASSERT_TRUE(again.Load());
    EXPECT_EQ(1, ImportAlphaPlate(c, again, list));
    EXPECT_EQ(3u, Seen().size());
}

TEST_F(PlateFiles, FailedPlateExportsSaySo)
{
    Collection c;
    ScopedDynArray<CollectionBitmap*> list;
    list.Push(c.AddBitmap("b", 0, nullptr, 4, 4, 2, nullptr));
    std::string missing = dir / "gone/plate.png";
    FileRecord out(missing.c_str());
    out.format = kFileFormatPng;
    EXPECT_EQ(0, ExportColorPlateFile(c, list, out, false, 0));

    // A bitmap as large as a record allows makes a plate past the largest image; its pixels are
    // never read because the plate cannot be made.
    CollectionBitmap huge;
    huge.width = huge.height = 32767;
    huge.bytesPerPixel = 2;
    huge.pixels = static_cast<u8*>(malloc(2));
    ScopedDynArray<CollectionBitmap*> big;
    big.Push(&huge);
    FileRecord large((dir / "large.png").c_str());
    large.format = kFileFormatPng;
    EXPECT_EQ(0, ExportColorPlateFile(c, big, large, false, 0));
    EXPECT_EQ((std::vector<std::string>{"'plate.png': The image could not be saved.",
                                        "'large.png': The plate is too large to be made."}),
              Texts());
}
