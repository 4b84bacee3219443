// The high-res build of 300 renderings of 1024 x 1024, timed, for the builds that have no
// Google Benchmark (i386, run through the emulator). Prints the time of the build, the peak
// resident size of the process and a hash of the written collection, so that two builds can
// be compared for their output too.
//
//   upres_timing [folder]   renderings in folder (written there when missing; reused when
//                           present), else in a fresh folder under /tmp
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>

#include "bench/UpResScene.h"
#include "codex/TagHeader.h"

namespace {

// FNV-1a over the collection as written.
u64 CollectionHash(Collection& c)
{
    FILE* f = tmpfile();
    if (!f) return 0;
    TagHeader h = {};
    if (!c.Write(f, &h)) {
        fclose(f);
        return 0;
    }
    rewind(f);
    u64 hash = 1469598103934665603ull;
    int ch;
    while ((ch = fgetc(f)) != EOF) hash = (hash ^ u8(ch)) * 1099511628211ull;
    fclose(f);
    return hash;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string folder;
    if (argc > 1) {
        folder = argv[1];
        if (folder.empty() || folder.back() != '/') folder += '/';
    } else {
        char pattern[] = "/tmp/tavik-upres-XXXXXX";
        if (!mkdtemp(pattern)) return 1;
        folder = std::string(pattern) + "/";
    }
    if (!WriteUpResRenderings(folder)) {
        fprintf(stderr, "upres_timing: the renderings could not be written to %s\n", folder.c_str());
        return 1;
    }
    auto start = std::chrono::steady_clock::now();
    Collection c;
    if (!BuildUpResScene(folder, c)) {
        fprintf(stderr, "upres_timing: the build found no scale\n");
        return 1;
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    printf("%u renderings %ux%u: %u bitmaps, %.1f s, peak %.0f MB resident, collection hash %016llx\n", kUpResFrames,
           kUpResSide, kUpResSide, c.GetBitmapCount(), seconds, double(usage.ru_maxrss) / 1024.0,
           (unsigned long long)CollectionHash(c));
    return 0;
}
