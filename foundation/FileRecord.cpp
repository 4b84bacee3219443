#include "foundation/FileRecord.h"

#include <strings.h>

#include <cstdlib>
#include <cstring>

#include "foundation/BmpFile.h"
#include "foundation/PngFile.h"
#include "foundation/TiffFile.h"

namespace {

FileHeaderRecognizer gTagRecognizer = nullptr;
FileHeaderRecognizer gArchiveRecognizer = nullptr;

bool IsGreyRamp(const Image& img)
{
    if (!img.palette || !img.paletteCount) return true;
    for (u32 i = 0; i < img.paletteCount; ++i)
        if (img.palette[i] != Rgb{u8(i), u8(i), u8(i)}) return false;
    return true;
}

}  // namespace

const FileType FileTypeTable[6] = {
    {".unknown", kFileFormatUnknown, kFileKindAny}, {".lwo", kFileFormatLwo, kFileKindModel},
    {".wav", kFileFormatWav, kFileKindSound},       {".bmp", kFileFormatBmp, kFileKindImage},
    {".png", kFileFormatPng, kFileKindImage},       {".tiff", kFileFormatTiff, kFileKindImage},
};

void SetFileHeaderRecognizers(FileHeaderRecognizer tagHeader, FileHeaderRecognizer archiveHeader)
{
    gTagRecognizer = tagHeader;
    gArchiveRecognizer = archiveHeader;
}

FileRecord::FileRecord()
    : kind(0), format(0), info(), header(), openMode(0), stream(nullptr), sniffed(0), loaded(0), pixelOffset(0),
      bottomUp(0)
{
}

FileRecord::FileRecord(const char* p) : FileRecord()
{
    path.Set(p);
}

FileRecord::~FileRecord()
{
    CloseNoCommit();
    if (kind == kFileKindImage) image.Free();
    path.Clear();
}

void FileRecord::CloseNoCommit()
{
    if (openMode == kFileOpenWrite) save.Abandon();
    else if (stream) fclose(stream);
    stream = nullptr;
    openMode = kFileClosed;
}

u32 FileRecord::Close()
{
    u32 ok = 1;
    if (openMode == kFileOpenWrite) ok = save.Commit();
    else if (stream) ok = fclose(stream) == 0;
    stream = nullptr;
    openMode = kFileClosed;
    return ok;
}

u32 FileRecord::Open(u32 mode)
{
    if (mode != kFileOpenRead && mode != kFileOpenWrite) return 0;
    if (openMode == mode && stream) {
        // A save started again keeps neither the tail nor the failures of the earlier attempt.
        bool ok = mode == kFileOpenWrite ? save.Restart() != 0 : fseeko(stream, 0, SEEK_SET) == 0;
        if (!ok) CloseNoCommit();
        return ok;
    }
    if (openMode) Close();
    if (mode == kFileOpenRead) {
        stream = fopen(path.c_str(), "rb");
    } else {
        stream = save.Begin(path.c_str()) ? save.Stream() : nullptr;
    }
    if (!stream) return 0;
    openMode = mode;
    if (!StatFile(&info, stream) || fseeko(stream, 0, SEEK_SET) != 0) {
        CloseNoCommit();
        return 0;
    }
    return 1;
}

u32 FileRecord::Sniff()
{
    if (sniffed) return 1;
    bool wasOpen = openMode == kFileOpenRead;
    if (!Open(kFileOpenRead)) return 0;
    u8 head[kSniffBytes] = {};
    u32 n = info.size < kSniffBytes ? info.size : kSniffBytes;
    u32 result = 0;
    bool readOk = n && fread(head, 1, n, stream) == n && fseeko(stream, 0, SEEK_SET) == 0;
    auto allowed = [&](u32 k, u32 f) { return (kind == 0 || kind == k) && (format == 0 || format == f); };
    if (!readOk) {
        result = 0;
    } else if ((head[0] == 'I' && head[1] == 'I' && head[2] == 42 && head[3] == 0) ||
               (head[0] == 'M' && head[1] == 'M' && head[2] == 0 && head[3] == 42)) {
        result = allowed(kFileKindImage, kFileFormatTiff) && ReadTiffHeader(*this);
    } else if (head[0] == 0x89 && head[1] == 'P' && head[2] == 'N' && head[3] == 'G') {
        result = allowed(kFileKindImage, kFileFormatPng) && ReadPngHeader(*this);
    } else if (head[0] == 'B' && head[1] == 'M') {
        format = kFileFormatBmp;
        result = allowed(kFileKindImage, kFileFormatBmp) && ReadBmpHeader(*this);
    } else if (!memcmp(head + 8, "LWO2", 4) || !memcmp(head + 8, "LWOB", 4)) {
        // The model reader takes the older LightWave layout too.
        if (allowed(kFileKindModel, kFileFormatLwo)) {
            kind = format = kFileKindModel;
            result = 1;
        }
    } else if (!memcmp(head + 8, "WAVE", 4)) {
        if (allowed(kFileKindSound, kFileFormatWav)) {
            kind = format = kFileKindSound;
            result = 1;
        }
    } else {
        alignas(8) u8 found[kFileRecordHeaderBytes] = {};
        if (gTagRecognizer && gTagRecognizer(head, info.size, found)) {
            if (allowed(kFileKindTag, kFileFormatTag)) {
                kind = format = kFileKindTag;
                memcpy(header, found, sizeof(header));
                result = 1;
            }
        } else if (gArchiveRecognizer && gArchiveRecognizer(head, info.size, found)) {
            if (allowed(kFileKindArchive, kFileFormatArchive)) {
                kind = format = kFileKindArchive;
                memcpy(header, found, sizeof(header));
                result = 1;
            }
        }
    }
    sniffed = result;
    if (!wasOpen) Close();
    else if (stream) fseeko(stream, 0, SEEK_SET);
    return result;
}

void FileRecord::SetImageShape(u32 width, u32 height, u32 format)
{
    free(image.pixels);
    image.pixels = nullptr;
    image.width = width;
    image.height = height;
    image.format = format;
    image.checksum = 0;
    loaded = 0;
}

u32 FileRecord::ReadImage()
{
    if (!stream || openMode != kFileOpenRead) return 0;
    u32 ok = 0;
    switch (format) {
    case kFileFormatBmp:
        ok = fseeko(stream, 0, SEEK_SET) == 0 && ReadBmpHeader(*this) && ReadBmpPixels(*this);
        break;
    case kFileFormatPng:
        ok = fseeko(stream, 0, SEEK_SET) == 0 && ReadPngImage(*this);
        break;
    case kFileFormatTiff:
        ok = fseeko(stream, 0, SEEK_SET) == 0 && ReadTiffImage(*this);
        break;
    default:
        return 0;
    }
    if (ok && image.format == kImageIndexed && IsGreyRamp(image)) image.format = kImageAlpha;
    return ok;
}

u32 FileRecord::Load()
{
    if (loaded) return 1;
    bool wasOpen = openMode == kFileOpenRead;
    if (!Open(kFileOpenRead)) return 0;
    u32 ok = Sniff() && kind == kFileKindImage && ReadImage();
    loaded = ok;
    if (!wasOpen) Close();
    return ok;
}

u32 FileRecord::Save()
{
    if (format != kFileFormatBmp && format != kFileFormatPng && format != kFileFormatTiff) return 0;
    if (kind != kFileKindImage) return 0;
    bool wasOpen = openMode == kFileOpenWrite;
    if (!Open(kFileOpenWrite)) return 0;
    u32 ok = 0;
    if (format == kFileFormatBmp) ok = WriteBmp(*this);
    else if (format == kFileFormatPng) ok = WritePng(*this);
    else ok = WriteTiff(*this);
    if (!ok) save.MarkFailed();
    if (!wasOpen) ok = Close() && ok;
    return ok;
}

u32 IndexedEntriesToWrite(const Image& image)
{
    if (!image.palette || !image.paletteCount) return 256;
    u32 entries = image.paletteCount;
    u64 n = u64(image.width) * image.height;
    if (image.pixels)
        for (u64 i = 0; i < n && entries < 256; ++i)
            if (image.pixels[i] >= entries) entries = image.pixels[i] + 1u;
    return entries;
}

const FileType& FindFileTypeByFormat(u32 format)
{
    for (const FileType& t : FileTypeTable)
        if (t.format == format) return t;
    return FileTypeTable[0];
}

u32 FindFormatByExtension(const char* path)
{
    if (!path) return 0;
    const char* dot = strrchr(path, '.');
    const char* ext = (dot && dot[1]) ? dot + 1 : path;
    for (const FileType& t : FileTypeTable)
        if (!strcasecmp(ext, t.extension) || !strcasecmp(ext, t.extension + 1)) return t.format;
    return 0;
}
