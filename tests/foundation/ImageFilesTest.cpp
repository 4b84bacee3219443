#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <zlib.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/BmpFile.h"
#include "foundation/DynArray.h"
#include "foundation/FileRecord.h"
#include "tests/foundation/FileTestSupport.h"

namespace {

void Put16(Bytes& b, size_t at, u16 v)
{
    b[at] = u8(v);
    b[at + 1] = u8(v >> 8);
}

void Put32(Bytes& b, size_t at, u32 v)
{
    for (int i = 0; i < 4; ++i) b[at + i] = u8(v >> (8 * i));
}

// A minimal BMP built byte by byte so every header field can be forged.
Bytes MakeBmp(s32 w, s32 h, u16 bits, u32 compression = 0, u32 used = 0, u32 palEntries = 0)
{
    u32 aw = u32(w < 0 ? -w : w), ah = u32(h < 0 ? -h : h);
    u64 row = ((u64(aw) * bits / 8) + 3) & ~u64(3);
    if (aw > 4096 || ah > 4096) row = 0, ah = 0;  // forged sizes carry no pixels
    Bytes b(54 + palEntries * 4 + row * ah, 0);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, u32(b.size()));
    Put32(b, 10, 54 + palEntries * 4);
    Put32(b, 14, 40);
    Put32(b, 18, u32(w));
    Put32(b, 22, u32(h));
    Put16(b, 26, 1);
    Put16(b, 28, bits);
    Put32(b, 30, compression);
    Put32(b, 46, used);
    return b;
}

// Raw RGBA bytes of a file as ImageMagick decodes it.
Bytes MagickRgba(const std::string& path)
{
    std::string out = path + ".rgba";
    if (!RunQuiet("convert '" + path + "' -depth 8 rgba:'" + out + "'")) return Bytes();
    return ReadFile(out);
}

// The image expanded to RGBA the way another program shows it: grey values as r = g = b.
Bytes AsRgba(const Image& src)
{
    Image img = {};
    Bytes out;
    if (src.format == kImageAlpha) {
        u64 n = u64(src.width) * src.height;
        for (u64 i = 0; i < n; ++i) out.insert(out.end(), {src.pixels[i], src.pixels[i], src.pixels[i], 255});
        return out;
    }
    if (!img.CopyFrom(src, kImageRgba)) return out;
    out.assign(img.pixels, img.pixels + u64(img.width) * img.height * 4);
    img.Free();
    return out;
}

// Gradient test picture in the given format; indexed images get a 16-entry colour palette.
void MakePicture(Image& img, u32 w, u32 h, u32 format)
{
    ASSERT_TRUE(img.Create(w, h, format, nullptr));
    s32 bpp = Image::BytesPerPixel(format);
    for (u32 y = 0; y < h; ++y)
        for (u32 x = 0; x < w; ++x)
            for (s32 c = 0; c < bpp; ++c) {
                u8 v = u8(x * 7 + y * 13 + c * 50);
                if (format == kImageIndexed) v &= 15;
                if (format == kImageRgba && c == 3) v = u8(x * 30 + 5);
                img.pixels[(u64(y) * w + x) * bpp + c] = v;
            }
    if (format == kImageIndexed) {
        Rgb pal[16];
        for (int i = 0; i < 16; ++i) pal[i] = {u8(i * 16), u8(255 - i * 9), u8(i * 5 + 3)};
        ASSERT_TRUE(img.SetPalette(16, pal));
    }
}

u32 HeadStub(const u8* head, u32 fileSize, void* out)
{
    // Stands in for the tag database: signature "vrn2" at 60 and size at 48 (big-endian).
    u32 size = u32(head[48]) << 24 | u32(head[49]) << 16 | u32(head[50]) << 8 | head[51];
    if (memcmp(head + 60, "vrn2", 4) || size + 64 != fileSize) return 0;
    memcpy(out, head, 64);
    return 1;
}

u32 ArchiveStub(const u8* head, u32, void* out)
{
    if (memcmp(head, "ARCH", 4)) return 0;
    memcpy(out, head, 128);
    return 1;
}

class ImageFiles : public TempFolderTest {
protected:
    void SetUp() override
    {
        TempFolderTest::SetUp();
        magick = HaveTool("convert") && HaveTool("identify");
    }
    void TearDown() override
    {
        SetFileHeaderRecognizers(nullptr, nullptr);
        TempFolderTest::TearDown();
    }

    // Loads a file into a fresh record; answers the result.
    u32 Load(const std::string& path, FileRecord& rec)
    {
        rec.path.Set(path.c_str());
        return rec.Load();
    }

    // Has ImageMagick convert src.pam with the options into "PREFIX:name" (the prefix picks
    // the writer); answers the written file's path, or "" when convert failed.
    std::string Convert(const char* options, const char* prefixedName) const
    {
        const char* colon = strchr(prefixedName, ':');
        std::string path = Path(colon + 1);
        std::string prefix(prefixedName, size_t(colon - prefixedName) + 1);
        bool ok = RunQuiet("convert '" + Path("src.pam") + "' " + options + " " + prefix + "'" + path + "'");
        return ok ? path : std::string();
    }

    u32 SaveImage(const std::string& path, u32 fileFormat, const Image& img)
    {
        FileRecord rec(path.c_str());
        rec.kind = kFileKindImage;
        rec.format = fileFormat;
        EXPECT_TRUE(rec.image.CopyFrom(img, img.format));
        return rec.Save();
    }

    bool magick = false;
};

}  // namespace

TEST_F(ImageFiles, EveryWrittenFormatLoadsBackUnchanged)
{
    struct Case { u32 file; u32 image; u32 loadsAs; } cases[] = {
        {kFileFormatBmp, kImageIndexed, kImageIndexed}, {kFileFormatBmp, kImageAlpha, kImageAlpha},
        {kFileFormatBmp, kImageRgb, kImageRgb},         {kFileFormatBmp, kImageRgba, kImageRgba},
        {kFileFormatPng, kImageIndexed, kImageIndexed}, {kFileFormatPng, kImageAlpha, kImageAlpha},
        {kFileFormatPng, kImageRgb, kImageRgb},         {kFileFormatPng, kImageRgba, kImageRgba},
        {kFileFormatTiff, kImageIndexed, kImageIndexed}, {kFileFormatTiff, kImageAlpha, kImageAlpha},
        {kFileFormatTiff, kImageRgb, kImageRgb},         {kFileFormatTiff, kImageRgba, kImageRgba},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "file format " << c.file << ", image " << c.image);
        std::string path = Path(("rt" + std::to_string(n++) + FindFileTypeByFormat(c.file).extension).c_str());
        Image img = {};
        MakePicture(img, 37, 11, c.image);
        ASSERT_TRUE(SaveImage(path, c.file, img));
        FileRecord rec;
        ASSERT_TRUE(Load(path, rec));
        EXPECT_EQ(rec.kind, u32(kFileKindImage));
        EXPECT_EQ(rec.format, c.file);
        EXPECT_EQ(rec.openMode, 0u) << "a closed record is closed again after loading";
        EXPECT_EQ(rec.image.format, c.loadsAs);
        EXPECT_TRUE(Image::Equals(rec.image, img));
        if (c.image == kImageIndexed) {
            ASSERT_NE(rec.image.palette, nullptr);
            EXPECT_EQ(memcmp(rec.image.palette, img.palette, 16 * sizeof(Rgb)), 0);
        }
        if (magick) {
            Bytes theirs = MagickRgba(path);
            Bytes ours = AsRgba(img);
            EXPECT_TRUE(theirs == ours) << "ImageMagick reads other pixels from " << path;
        }
        img.Free();
    }
}

TEST_F(ImageFiles, FilesWrittenByImageMagickLoadWithTheSamePixels)
{
    if (!magick) GTEST_SKIP() << "ImageMagick is not installed";
    // An RGBA source with varied alpha, as a PAM file.
    Image src = {};
    MakePicture(src, 23, 9, kImageRgba);
    Bytes pam;
    std::string head = "P7\nWIDTH 23\nHEIGHT 9\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    pam.assign(head.begin(), head.end());
    pam.insert(pam.end(), src.pixels, src.pixels + 23 * 9 * 4);
    WriteFile(Path("src.pam"), pam);
    src.Free();
    struct Case { const char* options; const char* name; u32 format; } cases[] = {
        {"-alpha off", "BMP3:b24.bmp", kImageRgb},
        {"-alpha off -type Palette -compress none", "BMP3:b8.bmp", kImageIndexed},
        {"-alpha off -colorspace gray -type Palette -compress none", "BMP3:g8.bmp", 0},  // grey palette, not a ramp
        {"-alpha off", "PNG24:p24.png", kImageRgb},
        {"", "PNG32:p32.png", kImageRgba},
        {"-alpha off -type Palette", "PNG8:p8.png", kImageIndexed},
        {"-alpha off -colorspace gray", "PNG:g.png", kImageAlpha},
        {"-alpha off -interlace PNG", "PNG24:interlaced.png", kImageRgb},
        {"-alpha off -compress none", "TIFF:t.tif", kImageRgb},
        {"-alpha off -compress lzw", "TIFF:lzw.tif", kImageRgb},
        {"-compress zip -define tiff:alpha=unassociated", "TIFF:rgba.tif", kImageRgba},
        {"-alpha off -type Palette", "TIFF:pal.tif", kImageIndexed},
        {"-alpha off -colorspace gray -compress zip", "TIFF:grey.tif", kImageAlpha},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = Convert(c.options, c.name);
        ASSERT_FALSE(path.empty());
        FileRecord rec;
        ASSERT_TRUE(Load(path, rec));
        if (c.format) {
            EXPECT_EQ(rec.image.format, c.format);
        }
        EXPECT_EQ(rec.image.width, 23u);
        EXPECT_EQ(rec.image.height, 9u);
        EXPECT_TRUE(AsRgba(rec.image) == MagickRgba(path));
    }
}

TEST_F(ImageFiles, FilesOutsideTheAcceptedSetAreRefusedCleanly)
{
    if (!magick) GTEST_SKIP() << "ImageMagick is not installed";
    std::string head = "P7\nWIDTH 5\nHEIGHT 4\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    Bytes pam(head.begin(), head.end());
    for (int i = 0; i < 20; ++i) pam.insert(pam.end(), {u8(i * 9), u8(200 - i), u8(i * 3), u8(i * 12)});
    WriteFile(Path("src.pam"), pam);
    struct Case { const char* options; const char* name; } cases[] = {
        {"-alpha off -depth 16", "PNG48:deep.png"},
        {"-colorspace gray -define png:color-type=4", "PNG:greyalpha.png"},
        {"-alpha off -colors 16 -type Palette -define png:bit-depth=4", "PNG:four.png"},
        {"-alpha off -type Palette -compress RLE", "BMP3:rle.bmp"},
        {"-alpha off -define bmp:subtype=RGB565", "BMP:565.bmp"},
        {"-colorspace gray -define tiff:alpha=unassociated", "TIFF:greyalpha.tif"},
        {"-alpha off -interlace plane", "TIFF:planar.tif"},
        {"-alpha off -define tiff:tile-geometry=16x16", "TIFF:tiled.tif"},
        {"-alpha off -depth 16", "TIFF:deep.tif"},
        {"-alpha off -type Grayscale -define quantum:polarity=min-is-white", "TIFF:miniswhite.tif"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = Convert(c.options, c.name);
        ASSERT_FALSE(path.empty());
        FileRecord rec;
        EXPECT_FALSE(Load(path, rec));
        EXPECT_EQ(rec.loaded, 0u);
        EXPECT_EQ(rec.openMode, 0u);
        EXPECT_EQ(rec.image.pixels, nullptr);
    }
}

TEST_F(ImageFiles, TiffRgbaCarriesUnassociatedAlphaForOtherTools)
{
    if (!HaveTool("tiffinfo")) GTEST_SKIP() << "tiffinfo is not installed";
    Image img = {};
    MakePicture(img, 8, 8, kImageRgba);
    ASSERT_TRUE(SaveImage(Path("a.tiff"), kFileFormatTiff, img));
    img.Free();
    std::string info = Capture("tiffinfo '" + Path("a.tiff") + "'");
    EXPECT_NE(info.find("unassoc-alpha"), std::string::npos) << info;
    EXPECT_NE(info.find("Deflate"), std::string::npos) << info;
    EXPECT_EQ(info.find("Error"), std::string::npos) << info;
}

TEST_F(ImageFiles, BmpHeaderLimitsAreEnforced)
{
    struct Case { const char* what; Bytes file; bool loads; } cases[] = {
        {"width 32767", MakeBmp(32767, 1, 24), false},  // accepted header but too short a file
        {"width 32768", MakeBmp(32768, 1, 24), false},
        {"height -32768", MakeBmp(1, -32768, 24), false},
        {"height 0", MakeBmp(1, 0, 24), false},
        {"16 bits", MakeBmp(2, 2, 16), false},
        {"compression 1", MakeBmp(2, 2, 8, 1, 0, 256), false},
        {"24 bits with colours", MakeBmp(2, 2, 24, 0, 2), false},
        {"8 bits, 300 colours", MakeBmp(2, 2, 8, 0, 300, 0), false},
        {"plain 24 bits", MakeBmp(3, 2, 24), true},
        {"plain 32 bits top-down", MakeBmp(3, -2, 32), true},
        {"8 bits, 2 colours", MakeBmp(3, 2, 8, 0, 2, 2), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(Path("h.bmp"), c.file);
        FileRecord rec;
        EXPECT_EQ(Load(Path("h.bmp"), rec), c.loads ? 1u : 0u);
    }
}

TEST_F(ImageFiles, TopDownBmpLoadsWithItsFirstRowFirst)
{
    Bytes b = MakeBmp(1, -2, 24);
    b[54] = 1, b[55] = 2, b[56] = 3;  // first stored row: b g r
    b[58] = 4, b[59] = 5, b[60] = 6;
    WriteFile(Path("td.bmp"), b);
    FileRecord rec;
    ASSERT_TRUE(Load(Path("td.bmp"), rec));
    const u8 expect[6] = {3, 2, 1, 6, 5, 4};
    EXPECT_EQ(memcmp(rec.image.pixels, expect, 6), 0);
    EXPECT_EQ(rec.bottomUp, 0u);
}

TEST_F(ImageFiles, EightBitBmpWithAGreyRampLoadsAsAlpha)
{
    Bytes b = MakeBmp(2, 1, 8, 0, 4, 4);
    for (int i = 0; i < 4; ++i) b[54 + i * 4] = b[55 + i * 4] = b[56 + i * 4] = u8(i);
    b[70] = 3, b[71] = 1;
    WriteFile(Path("g.bmp"), b);
    FileRecord rec;
    ASSERT_TRUE(Load(Path("g.bmp"), rec));
    EXPECT_EQ(rec.image.format, u32(kImageAlpha));
    EXPECT_EQ(rec.image.paletteCount, 4u) << "the palette stays attached";
    EXPECT_EQ(rec.image.pixels[0], 3);
    EXPECT_EQ(rec.image.pixels[1], 1);
}

TEST_F(ImageFiles, OneWide24BitBmpIsPaddedAndItsSizeFieldIsTheFileSize)
{
    Image img = {};
    u8 px[6] = {10, 20, 30, 40, 50, 60};
    ASSERT_TRUE(img.Create(1, 2, kImageRgb, px));
    ASSERT_TRUE(SaveImage(Path("w1.bmp"), kFileFormatBmp, img));
    img.Free();
    Bytes b = ReadFile(Path("w1.bmp"));
    ASSERT_EQ(b.size(), 54u + 8u);
    EXPECT_EQ(b[2] | b[3] << 8 | b[4] << 16 | b[5] << 24, 62);
    // Bottom row first, blue first, one zero pad byte.
    const u8 rows[8] = {60, 50, 40, 0, 30, 20, 10, 0};
    EXPECT_EQ(memcmp(b.data() + 54, rows, 8), 0);
}

TEST_F(ImageFiles, GreyBmpWithAShortPaletteSurvivesSaveAndReload)
{
    // A grey image keeps the short palette it was loaded with; the file written for it must
    // still say where its rows start.
    Image img = {};
    MakePicture(img, 9, 4, kImageAlpha);
    Rgb ramp[16];
    for (int i = 0; i < 16; ++i) ramp[i] = {u8(i), u8(i), u8(i)};
    ASSERT_TRUE(img.SetPalette(16, ramp));
    ASSERT_TRUE(SaveImage(Path("short.bmp"), kFileFormatBmp, img));
    FileRecord rec;
    ASSERT_TRUE(Load(Path("short.bmp"), rec));
    EXPECT_TRUE(Image::Equals(rec.image, img));
    img.Free();
}

TEST_F(ImageFiles, BmpPixelOffsetFromTheFileHeaderIsHonoured)
{
    Bytes b = MakeBmp(1, 1, 24);
    b.insert(b.begin() + 54, {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE});  // gap
    Put32(b, 10, 62);
    b[62] = 7, b[63] = 8, b[64] = 9;
    WriteFile(Path("gap.bmp"), b);
    FileRecord rec;
    ASSERT_TRUE(Load(Path("gap.bmp"), rec));
    EXPECT_EQ(rec.image.pixels[0], 9);
    EXPECT_EQ(rec.image.pixels[2], 7);
}

TEST_F(ImageFiles, BmpWriterNeverLeavesTheImageSwapped)
{
    FileRecord rec;
    rec.kind = kFileKindImage;
    MakePicture(rec.image, 700, 700, kImageRgb);
    Image before = {};
    ASSERT_TRUE(before.CopyFrom(rec.image, kImageRgb));
    rec.stream = fopen("/dev/full", "wb");
    ASSERT_NE(rec.stream, nullptr);
    EXPECT_FALSE(WriteBmp(rec));
    fclose(rec.stream);
    rec.stream = nullptr;
    EXPECT_TRUE(Image::Equals(rec.image, before));
    before.Free();
}

TEST_F(ImageFiles, FailedSavesLeaveThePreviousFileAndNoTemporaryFiles)
{
    std::string target = Path("keep.png");
    WriteFile(target, Bytes{'o', 'l', 'd'});
    Image img = {};
    MakePicture(img, 400, 400, kImageRgba);

    // A format the writer does not offer.
    img.format = kImageAlphaIndex;
    img.width = 400 * 2;
    EXPECT_FALSE(SaveImage(target, kFileFormatPng, img));
    img.format = kImageRgba;
    img.width = 400;

    // A disk that fills up in the middle of the write.
    for (u32 fmt : {kFileFormatPng, kFileFormatBmp, kFileFormatTiff}) {
        SCOPED_TRACE(fmt);
        struct rlimit old;
        getrlimit(RLIMIT_FSIZE, &old);
        struct rlimit small = old;
        small.rlim_cur = 2000;
        void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &small);
        u32 ok = SaveImage(target, fmt, img);
        setrlimit(RLIMIT_FSIZE, &old);
        signal(SIGXFSZ, oldHandler);
        EXPECT_FALSE(ok);
        EXPECT_TRUE(ReadFile(target) == (Bytes{'o', 'l', 'd'}));
    }
    img.Free();
    std::string listing = Capture("ls -A '" + dir + "'");
    EXPECT_EQ(listing, "keep.png\n");
}

TEST_F(ImageFiles, ASaveStartedAgainOnAnOpenRecordForgetsTheEarlierFailure)
{
    FileRecord rec(Path("again.bmp").c_str());
    rec.kind = kFileKindImage;
    rec.format = kFileFormatBmp;
    ASSERT_TRUE(rec.image.Create(2, 2, kImageAlphaIndex, nullptr));  // not a BMP format
    ASSERT_TRUE(rec.Open(kFileOpenWrite));
    EXPECT_FALSE(rec.Save());
    ASSERT_TRUE(rec.image.ConvertTo(kImageRgba));
    EXPECT_TRUE(rec.Save());
    EXPECT_TRUE(rec.Close()) << "the second attempt reaches the file";
    FileRecord back;
    ASSERT_TRUE(Load(Path("again.bmp"), back));
    EXPECT_EQ(back.image.width, 2u);
    EXPECT_EQ(back.image.format, u32(kImageRgba));
}

TEST_F(ImageFiles, SaveReplacesTheTargetAndKeepsItsPermissions)
{
    std::string target = Path("perm.bmp");
    WriteFile(target, Bytes{'x'});
    chmod(target.c_str(), 0640);
    Image img = {};
    MakePicture(img, 4, 4, kImageRgb);
    ASSERT_TRUE(SaveImage(target, kFileFormatBmp, img));
    img.Free();
    struct stat st;
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_GT(st.st_size, 54);
}

TEST_F(ImageFiles, ForgedHugeHeadersAreRefusedWithoutAllocating)
{
    // A PNG whose IHDR claims 60000 x 60000 RGBA with a valid CRC, followed by nothing.
    Bytes png = {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    u8 ihdr[13] = {0, 0, 0xEA, 0x60, 0, 0, 0xEA, 0x60, 8, 6, 0, 0, 0};
    png.insert(png.end(), ihdr, ihdr + 13);
    u32 crc = u32(crc32(crc32(0, nullptr, 0), png.data() + 12, 17));
    png.insert(png.end(), {u8(crc >> 24), u8(crc >> 16), u8(crc >> 8), u8(crc)});
    WriteFile(Path("huge.png"), png);
    FileRecord rec;
    EXPECT_FALSE(Load(Path("huge.png"), rec));
    EXPECT_EQ(rec.image.pixels, nullptr);

    // A 32767 x 32767 BMP header on a tiny file.
    WriteFile(Path("huge.bmp"), MakeBmp(32767, 32767, 32));
    FileRecord bmp;
    EXPECT_FALSE(Load(Path("huge.bmp"), bmp));
    EXPECT_EQ(bmp.image.pixels, nullptr);
}

TEST_F(ImageFiles, TruncatedFilesFailToLoad)
{
    Image img = {};
    MakePicture(img, 64, 64, kImageRgb);
    for (u32 fmt : {kFileFormatBmp, kFileFormatPng, kFileFormatTiff}) {
        SCOPED_TRACE(fmt);
        std::string path = Path("t") + FindFileTypeByFormat(fmt).extension;
        ASSERT_TRUE(SaveImage(path, fmt, img));
        Bytes b = ReadFile(path);
        for (size_t cut : {b.size() - 1, b.size() / 2, size_t(60), size_t(9)}) {
            b.resize(cut);
            WriteFile(path, b);
            FileRecord rec;
            EXPECT_FALSE(Load(path, rec)) << "cut at " << cut;
        }
    }
    img.Free();
}

TEST_F(ImageFiles, SniffDetectsKindsInOrderAndHonoursPresets)
{
    SetFileHeaderRecognizers(HeadStub, ArchiveStub);
    Bytes tag(64 + 10, 0);
    tag[51] = 10;
    memcpy(tag.data() + 60, "vrn2", 4);
    WriteFile(Path("a.tag"), tag);
    Bytes arch(200, 0);
    memcpy(arch.data(), "ARCH", 4);
    WriteFile(Path("a.arc"), arch);
    Bytes lwo(20, 0), lwob(20, 0), wav(20, 0), tiffish(20, 0);
    memcpy(lwo.data() + 8, "LWO2", 4);
    memcpy(lwob.data() + 8, "LWOB", 4);  // the older layout the model reader converts
    memcpy(wav.data() + 8, "WAVE", 4);
    memcpy(tiffish.data(), "II\x2b\x01", 4);  // byte order mark without the magic 42
    WriteFile(Path("a.lwo"), lwo);
    WriteFile(Path("old.lwo"), lwob);
    WriteFile(Path("a.wav"), wav);
    WriteFile(Path("a.tif"), tiffish);
    WriteFile(Path("empty"), Bytes());
    Image img = {};
    MakePicture(img, 3, 3, kImageRgb);
    ASSERT_TRUE(SaveImage(Path("a.bmp"), kFileFormatBmp, img));
    img.Free();

    struct Case { const char* name; u32 presetKind, presetFormat; u32 ok, kind, format; } cases[] = {
        {"a.tag", 0, 0, 1, kFileKindTag, kFileFormatTag},
        {"a.tag", kFileKindImage, 0, 0, 0, 0},
        {"a.arc", 0, 0, 1, kFileKindArchive, kFileFormatArchive},
        {"a.arc", 0, kFileFormatTag, 0, 0, 0},
        {"a.lwo", 0, 0, 1, kFileKindModel, kFileFormatLwo},
        {"old.lwo", kFileKindModel, 0, 1, kFileKindModel, kFileFormatLwo},
        {"a.wav", 0, 0, 1, kFileKindSound, kFileFormatWav},
        {"a.wav", kFileKindModel, 0, 0, 0, 0},
        {"a.tif", 0, 0, 0, 0, 0},
        {"empty", 0, 0, 0, 0, 0},
        {"a.bmp", 0, kFileFormatPng, 1, kFileKindImage, kFileFormatBmp},
        {"a.bmp", kFileKindSound, 0, 0, kFileKindSound, kFileFormatBmp},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << " kind " << c.presetKind << " format " << c.presetFormat);
        FileRecord rec(Path(c.name).c_str());
        rec.kind = c.presetKind;
        rec.format = c.presetFormat;
        EXPECT_EQ(rec.Sniff(), c.ok);
        EXPECT_EQ(rec.openMode, 0u);
        if (c.ok || c.kind) {
            EXPECT_EQ(rec.kind, c.kind);
            EXPECT_EQ(rec.format, c.format);
        }
    }
    FileRecord tagRec(Path("a.tag").c_str());
    ASSERT_TRUE(tagRec.Sniff());
    EXPECT_EQ(memcmp(tagRec.header + 60, "vrn2", 4), 0);
    EXPECT_FALSE(tagRec.Load()) << "only images load";

    SetFileHeaderRecognizers(nullptr, nullptr);
    FileRecord unknown(Path("a.tag").c_str());
    EXPECT_FALSE(unknown.Sniff());
}

TEST_F(ImageFiles, ARecordPointedAtAnotherFileDropsThePixelsOfTheFirst)
{
    Image small = {}, large = {};
    MakePicture(small, 2, 2, kImageRgb);
    MakePicture(large, 64, 48, kImageRgba);
    struct Case { const char* name; u32 format; } cases[] = {
        {"next.bmp", kFileFormatBmp}, {"next.png", kFileFormatPng}, {"next.tif", kFileFormatTiff}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(SaveImage(Path("first.bmp"), kFileFormatBmp, small));
        ASSERT_TRUE(SaveImage(Path(c.name), c.format, large));
        FileRecord rec;
        ASSERT_TRUE(Load(Path("first.bmp"), rec));
        // What the open dialog does with a record it is given: a new path, detected afresh.
        rec.path.Set(Path(c.name).c_str());
        rec.kind = kFileKindImage;
        rec.format = kFileFormatUnknown;
        rec.sniffed = 0;
        ASSERT_TRUE(rec.Sniff());
        EXPECT_EQ(rec.loaded, 0u) << "the pixels held belong to the first file";
        ASSERT_TRUE(rec.Load());
        EXPECT_TRUE(Image::Equals(rec.image, large));
    }
    small.Free();
    large.Free();
}

TEST_F(ImageFiles, BmpPresetAsPngStillLoadsAsBmp)
{
    Image img = {};
    MakePicture(img, 5, 5, kImageRgba);
    ASSERT_TRUE(SaveImage(Path("x.png"), kFileFormatBmp, img));
    FileRecord rec(Path("x.png").c_str());
    rec.format = kFileFormatPng;
    ASSERT_TRUE(rec.Load());
    EXPECT_EQ(rec.format, u32(kFileFormatBmp));
    EXPECT_TRUE(Image::Equals(rec.image, img));
    img.Free();
}

TEST_F(ImageFiles, OpenRecordStaysOpenAcrossLoad)
{
    Image img = {};
    MakePicture(img, 5, 5, kImageRgb);
    ASSERT_TRUE(SaveImage(Path("o.png"), kFileFormatPng, img));
    img.Free();
    FileRecord rec(Path("o.png").c_str());
    ASSERT_TRUE(rec.Open(kFileOpenRead));
    EXPECT_GT(rec.info.size, 0u);
    ASSERT_TRUE(rec.Load());
    EXPECT_EQ(rec.openMode, u32(kFileOpenRead));
    EXPECT_NE(rec.stream, nullptr);
    EXPECT_TRUE(rec.Close());
    FileRecord missing(Path("nope.png").c_str());
    EXPECT_FALSE(missing.Open(kFileOpenRead));
    EXPECT_EQ(missing.openMode, 0u);
}

TEST(FileTypes, ExtensionsMapToFormats)
{
    struct Case { const char* path; u32 format; } cases[] = {
        {"picture.TIFF", kFileFormatTiff}, {"png", kFileFormatPng},      {"archive.tif", 0},
        {"a/b.c/d.Bmp", kFileFormatBmp},  {".wav", kFileFormatWav},     {"model.lwo", kFileFormatLwo},
        {"noext", 0},                      {"trailing.", 0},             {"x.unknown", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(FindFormatByExtension(c.path), c.format) << c.path;
    EXPECT_STREQ(FindFileTypeByFormat(kFileFormatPng).extension, ".png");
    EXPECT_EQ(FindFileTypeByFormat(kFileFormatPng).kind, u32(kFileKindImage));
    EXPECT_STREQ(FindFileTypeByFormat(99).extension, ".unknown");
}

TEST_F(ImageFiles, RecordsInArraysAreConstructedAndDestroyed)
{
    Image img = {};
    MakePicture(img, 6, 6, kImageRgb);
    ASSERT_TRUE(SaveImage(Path("arr.png"), kFileFormatPng, img));
    img.Free();
    DynArray<FileRecord> records = {};
    records.Resize(3);
    for (FileRecord& r : records) {
        EXPECT_EQ(r.kind, 0u);
        EXPECT_TRUE(r.path.IsEmpty());
        r.path.Set(Path("arr.png").c_str());
        EXPECT_TRUE(r.Load());
    }
    records.Resize(1);  // the dropped records free their pixels (checked by the sanitizer build)
    EXPECT_EQ(records[0].image.width, 6u);
    records.Clear();

    DynArray<FileRecord*> owned = {};
    owned.Push(new FileRecord(Path("arr.png").c_str()));
    ASSERT_TRUE(owned[0]->Load());
    owned.DeleteAll();
}

TEST_F(ImageFiles, IndexedFilesCoverEveryIndexEvenPastTheImagesPalette)
{
    Image img = {};
    u8 idx[4] = {0, 1, 5, 1};
    ASSERT_TRUE(img.Create(2, 2, kImageIndexed, idx));
    Rgb pal[2] = {{200, 0, 0}, {0, 200, 0}};
    ASSERT_TRUE(img.SetPalette(2, pal));
    struct Case { const char* name; u32 format; } cases[] = {{"idx.png", kFileFormatPng}, {"idx.bmp", kFileFormatBmp}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(SaveImage(Path(c.name), c.format, img));
        FileRecord rec;
        ASSERT_TRUE(Load(Path(c.name), rec));
        EXPECT_EQ(rec.image.paletteCount, 6u);
        EXPECT_TRUE(AsRgba(rec.image) == AsRgba(img)) << "index 5 reads as black both ways";
        if (magick) {
            EXPECT_TRUE(MagickRgba(Path(c.name)) == AsRgba(img)) << "other readers accept the file";
        }
    }
    img.Free();
}
