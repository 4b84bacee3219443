// Text built from many pieces: a preferences file of 10,000 and 40,000 entries parsed and
// written back, and a plain String built from short appends. Building must stay linear: the
// 4x larger case should cost about 4x (at most about 5x), and 40,000 entries well under a
// second.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "foundation/PrefStore.h"
#include "foundation/String.h"

namespace {

// The bytes of a preferences file with n entries in key order, half integers, half strings.
String PrefsFile(u32 n)
{
    String text;
    char line[96];
    for (u32 i = 0; i < n; ++i) {
        if (i % 2)
            snprintf(line, sizeof line, "key%08u %u\n", i, i * 7u);
        else
            snprintf(line, sizeof line, "key%08u \"value number %u of the file\"\n", i, i);
        text.Append(line);
    }
    return text;
}

void BM_PrefsParseAndSerialize(benchmark::State& state)
{
    const u32 n = u32(state.range(0));
    const String file = PrefsFile(n);
    for (auto _ : state) {
        PrefStore store;
        store.Parse(file.c_str(), file.Length());
        String out = store.Serialize();
        benchmark::DoNotOptimize(out.c_str());
        if (out.Length() != file.Length()) state.SkipWithError("the file did not round-trip");
    }
    state.SetItemsProcessed(state.iterations() * n);
    state.SetBytesProcessed(state.iterations() * file.Length());
}
BENCHMARK(BM_PrefsParseAndSerialize)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);

void BM_StringAppendPieces(benchmark::State& state)
{
    const u32 n = u32(state.range(0));
    for (auto _ : state) {
        String s;
        for (u32 i = 0; i < n; ++i) s.Append("piece ", 6);
        benchmark::DoNotOptimize(s.c_str());
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_StringAppendPieces)->Arg(100000)->Arg(400000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
