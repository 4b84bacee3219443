#include "foundation/SaveFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

u32 SaveFile::Begin(const char* path)
{
    Abandon();
    if (!path || !*path) return 0;
    target.Set(path);
    temp.Set(path);
    temp.Append(".XXXXXX");
    int fd = mkstemp(temp.Buffer());
    if (fd < 0) {
        temp.Clear();
        return 0;
    }
    // mkstemp makes the file private; give the result the mode the target had or the one a
    // plain fopen would have given it.
    struct stat st;
    mode_t mode;
    if (stat(path, &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    fchmod(fd, mode);
    stream = fdopen(fd, "wb");
    if (!stream) {
        close(fd);
        remove(temp.c_str());
        temp.Clear();
        return 0;
    }
    failed = 0;
    return 1;
}

u32 SaveFile::Write(const void* data, size_t n)
{
    if (!stream) return 0;
    if (n && fwrite(data, 1, n, stream) != n) {
        failed = 1;
        return 0;
    }
    return 1;
}

u32 SaveFile::Restart()
{
    if (!stream) return 0;
    // fseeko writes out what is buffered before the file is cut back to nothing.
    failed = fseeko(stream, 0, SEEK_SET) != 0 || ftruncate(fileno(stream), 0) != 0;
    clearerr(stream);
    return !failed;
}

u32 SaveFile::Commit()
{
    if (!stream) return 0;
    bool ok = !failed && fflush(stream) == 0 && !ferror(stream);
    if (fclose(stream) != 0) ok = false;
    stream = nullptr;
    if (ok && rename(temp.c_str(), target.c_str()) != 0) ok = false;
    if (!ok) remove(temp.c_str());
    temp.Clear();
    failed = 0;
    return ok ? 1 : 0;
}

void SaveFile::Abandon()
{
    if (!stream) return;
    fclose(stream);
    stream = nullptr;
    remove(temp.c_str());
    temp.Clear();
    failed = 0;
}
