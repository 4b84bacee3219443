#pragma once
// A file the user picked: its path, what it is (detected from its first bytes), and for
// images their pixels, loaded and saved as BMP, PNG or TIFF.
//
// Every operation answers 1 on success and 0 on failure and reports nothing; callers show
// the messages. Open, Sniff, Load and Save leave the stream as they found it: a record that
// was not open in the needed mode before the call is closed again afterwards.
//
// Saving never writes the target directly: Open for writing creates a temporary file beside
// it, and Close renames it over the target only when every write succeeded.
#include <cstdio>
#include "foundation/Files.h"
#include "foundation/Image.h"
#include "foundation/SaveFile.h"
#include "foundation/String.h"
#include "foundation/Types.h"

enum FileKind : u32 {
    kFileKindAny = 0,
    kFileKindTag = 1,
    kFileKindArchive = 2,
    kFileKindSound = 3,
    kFileKindModel = 4,
    kFileKindImage = 5,
};

enum FileFormat : u32 {
    kFileFormatUnknown = 0,
    kFileFormatTag = 1,
    kFileFormatArchive = 2,
    kFileFormatWav = 3,
    kFileFormatLwo = 4,
    kFileFormatBmp = 5,
    kFileFormatPng = 6,
    kFileFormatTiff = 7,
};

enum FileOpenMode : u32 {
    kFileClosed = 0,
    kFileOpenRead = 1,
    kFileOpenWrite = 2,
};

// Bytes a record keeps of a recognised tag or archive header (in the form its recogniser
// stores).
constexpr u32 kFileRecordHeaderBytes = 256;

// Bytes sniffing reads from the start of a file.
constexpr u32 kSniffBytes = 128;

// Recognises a tag file or archive from the first bytes of a file: head holds the first
// min(file size, 128) bytes, zero-filled to 128. On success the recogniser stores the
// header (at most kFileRecordHeaderBytes bytes) in headerOut and answers 1. The tag
// database installs these at start-up; without them such files are not recognised.
typedef u32 (*FileHeaderRecognizer)(const u8* head, u32 fileSize, void* headerOut);
void SetFileHeaderRecognizers(FileHeaderRecognizer tagHeader, FileHeaderRecognizer archiveHeader);

class FileRecord {
public:
    String path;
    u32 kind;    // FileKind: preset by the caller (0 = any) or set by detection
    u32 format;  // FileFormat: preset, detected, or set by the caller before saving
    FileInfo info;
    union {
        Image image;                            // kind image
        alignas(8) u8 header[kFileRecordHeaderBytes];  // kind tag or archive
    };
    u32 openMode;  // FileOpenMode
    FILE* stream;  // present while open
    u32 sniffed;
    u32 loaded;
    u32 pixelOffset;  // BMP: file position of the first pixel row
    u32 bottomUp;     // BMP: rows stored bottom-up

    FileRecord();
    explicit FileRecord(const char* path);
    // Frees the image buffers of an image record; abandons an unfinished save.
    ~FileRecord();
    FileRecord(const FileRecord&) = delete;
    FileRecord& operator=(const FileRecord&) = delete;

    // Mode 1 opens for reading, mode 2 starts a save (temporary file). A stream already open
    // in that mode is only rewound; one open in the other mode is closed first. info is
    // filled from the stream. Answers 0 (record closed) when anything fails.
    u32 Open(u32 mode);
    // Closes the stream. A save is committed (renamed over the target) unless a write
    // failed; answers 0 when a save did not reach the target.
    u32 Close();
    // Detects kind and format from the first 128 bytes; 1 when recognised. A record already
    // sniffed answers 1 at once.
    u32 Sniff();
    // Opens, sniffs and, for an image, reads its pixels; loaded becomes the result. Any other
    // kind answers 0.
    u32 Load();
    // Reads the pixels by format (BMP, PNG, TIFF). An indexed result whose palette is empty
    // or the grey ramp becomes format 6406 (palette kept).
    u32 ReadImage();
    // Writes the image in the record's format (BMP, PNG or TIFF) through a temporary file;
    // any other format answers 0. A failed save leaves an existing target untouched.
    u32 Save();

    // Write support for the codecs: marks the open save as failed.
    void MarkWriteFailed() { save.MarkFailed(); }
    // Read support for the codecs: takes the size and format a header announces. Pixels read
    // before (of this file or of another the record named) are dropped and the record counts
    // as not loaded, so that the size never describes more than the pixel buffer holds. The
    // palette is kept.
    void SetImageShape(u32 width, u32 height, u32 format);

private:
    void CloseNoCommit();
    SaveFile save;
};

// Palette entries the file of an indexed image must carry: the image's palette count, raised
// so that every index its pixels use has an entry (entries past the palette are black), or
// 256 for an image without a palette, which is written with the grey ramp. Other readers
// refuse a file whose pixels point past its palette.
u32 IndexedEntriesToWrite(const Image& image);

// One row of the table that ties file extensions to formats.
struct FileType {
    const char* extension;
    u32 format;
    u32 kind;
};

// The six rows: ".unknown", ".lwo", ".wav", ".bmp", ".png", ".tiff".
extern const FileType FileTypeTable[6];

// The row of the format; the ".unknown" row when none matches.
const FileType& FindFileTypeByFormat(u32 format);
// The format whose extension equals the text after the path's last '.' (or the whole text
// when there is none or it ends the path), compared case-insensitively with and without the
// row's dot; 0 when none.
u32 FindFormatByExtension(const char* path);
