#pragma once
// Writing a file without risking the previous good copy: the bytes go to a temporary file in
// the target's folder, and only a save whose every write and close succeeded is renamed over
// the target. A failed or abandoned save removes the temporary file and leaves the target as
// it was.
#include <cstdio>
#include "foundation/String.h"
#include "foundation/Types.h"

class SaveFile {
public:
    SaveFile() : stream(nullptr), failed(0) {}
    ~SaveFile() { Abandon(); }
    SaveFile(const SaveFile&) = delete;
    SaveFile& operator=(const SaveFile&) = delete;

    // Creates the temporary file beside path (binary, positioned at 0). Answers 0 when it
    // cannot be created; an earlier unfinished save of this object is abandoned first.
    u32 Begin(const char* path);
    // The open temporary stream, or null.
    FILE* Stream() const { return stream; }
    // Writes n bytes; a short write marks the save failed. Answers 1 when all were written.
    u32 Write(const void* data, size_t n);
    // Marks the save failed so that Commit discards it.
    void MarkFailed() { failed = 1; }
    // Starts the open save over: the temporary file is emptied and earlier failures are
    // forgotten. Answers 0 (the save then counts as failed) when the file cannot be emptied.
    u32 Restart();
    // Flushes and closes the stream and, when nothing failed, renames the temporary file over
    // the target (the new file keeps the target's permissions, or gets the usual ones for a
    // new file). Answers 1 only when the target now holds the new bytes.
    u32 Commit();
    // Closes and removes the temporary file (nothing when no save is open).
    void Abandon();

private:
    FILE* stream;
    u32 failed;
    String target;
    String temp;
};
