// The text editor at large sizes, each beside its floor: opening a 1 MB 'text' tag against
// setting the same text into a text box of the editor's size, opening a 20,000-line 'stli'
// against setting its joined lines, and Ctrl+S of the 1 MB tag (one 16 ms frame at most).
// Headless through the fake OS backend with a synthetic font; the tags live in a scratch
// game folder under /tmp.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "bench/BenchSupport.h"
#include "codex/Archive.h"
#include "codex/LocalFolder.h"
#include "codex/TagFiles.h"
#include "foundation/Log.h"
#include "foundation/PrefStore.h"
#include "gui/core/Font.h"
#include "tagedit/TextEdit.h"

namespace {

Font* g_font;
std::string g_root;
TagEntry* g_text;
TagEntry* g_list;
std::string g_textShown;  // the 1 MB text as the box holds it
std::string g_listShown;  // the list's joined lines

TagEdit* MakeTextEdit(TagEntry* e)
{
    TextEdit* ed = new TextEdit(e);
    ed->SetSize(640, 480);
    return ed;
}

void WriteLocalTag(const char* folder, const char* name, u32 group, u32 tag, const std::string& data)
{
    std::string dir = g_root + "local/" + folder;
    std::string cmd = "mkdir -p '" + dir + "'";
    if (system(cmd.c_str()) != 0) abort();
    TagHeader h = {};
    h.identifier = 0xFFFF;
    strncpy(h.name, name, 31);
    h.group = group;
    h.tag = tag;
    h.offset = 64;
    h.size = u32(data.size());
    h.version = 1;
    h.game = kTagSignature;
    FILE* f = fopen((dir + "/" + name).c_str(), "wb");
    if (!f || !WriteTagHeaders(&h, 1, f) || fwrite(data.data(), 1, data.size(), f) != data.size()) abort();
    fclose(f);
}

void Setup()
{
    StartHeadlessWindowSystem();
    // Editors keep to the screen when shown: the screen needs its size.
    WindowSystem::OnWindowResize(1280, 1024);
    if (!g_font) {
        g_font = NewFont();
        g_font->header[kFontAscent] = 10;
        g_font->header[kFontLineHeight] = 12;
        g_font->header[kFontTabWidth] = 4;
        for (u32 s = 0; s < 2; ++s) {
            g_font->styles[s].header[3] = 1;
            for (u32 c = 0; c < kFontGlyphCount; ++c) memset(g_font->styles[s].glyphs[c].advances, c == 0 ? 4 : 7, kFontGlyphCount);
        }
    }
    WindowSystem::SetDefaultFont(g_font);
    if (!g_root.empty()) return;
    char pattern[] = "/tmp/tavik-tagedit-bench-XXXXXX";
    if (!mkdtemp(pattern)) abort();
    g_root = std::string(pattern) + "/";
    atexit([] { std::filesystem::remove_all(g_root); });
    SetVornPath(g_root.c_str());
    SetLogSink([](void*, u32, const char*, const char*) {}, nullptr);

    std::string text = BenchProse(1 << 20, '\r');
    WriteLocalTag("text", "Big Text", FourCC("text"), FourCC("bigt"), text);
    g_textShown = text;
    for (char& c : g_textShown)
        if (c == '\r') c = '\n';

    std::string list;
    for (int i = 0; i < 20000; ++i) {
        std::string line = "string number " + std::to_string(i);
        list += line + '\0';
        g_listShown += line + '\n';
    }
    WriteLocalTag("string lists", "Big List", FourCC("stli"), FourCC("bigl"), list);

    if (!SetLocalFolder((g_root + "local").c_str())) abort();
    g_text = FindTag(FourCC("text"), FourCC("bigt"));
    g_list = FindTag(FourCC("stli"), FourCC("bigl"));
    if (!g_text || !g_list) abort();
    SetTagGroupHandler(FourCC("text"), MakeTextEdit);
    SetTagGroupHandler(FourCC("stli"), MakeTextEdit);
}

void CloseEditor(Window* w)
{
    w->Close();
    WindowSystem::ProcessDeferredDeletes();
}

// The floor: the text set into the text box of an editor of the same size.
void BM_SetTextFloor(benchmark::State& state)
{
    Setup();
    const std::string& text = state.range(0) ? g_listShown : g_textShown;
    TextEdit* ed = static_cast<TextEdit*>(MakeTextEdit(nullptr));
    for (auto _ : state) {
        ed->GetTextBox()->SetText(text.c_str());
        benchmark::DoNotOptimize(ed->GetTextBox()->GetLineCount());
    }
    state.SetBytesProcessed(state.iterations() * s64(text.size()));
    CloseEditor(ed);
}
// 0: the 1 MB text; 1: the 20,000 joined lines.
BENCHMARK(BM_SetTextFloor)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_OpenTagEditor(benchmark::State& state)
{
    Setup();
    TagEntry* entry = state.range(0) ? g_list : g_text;
    for (auto _ : state) {
        TagEdit* ed = OpenTagEditor(entry);
        if (!ed) {
            state.SkipWithError("the editor did not open");
            break;
        }
        state.PauseTiming();
        CloseEditor(ed);
        state.ResumeTiming();
    }
}
// 0: the 1 MB 'text' tag; 1: the 20,000-line 'stli' tag.
BENCHMARK(BM_OpenTagEditor)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_SaveLargeText(benchmark::State& state)
{
    Setup();
    TagEdit* ed = OpenTagEditor(g_text);
    if (!ed) {
        state.SkipWithError("the editor did not open");
        return;
    }
    for (auto _ : state) {
        ed->SetModified(1);
        if (!ed->SaveAndReport()) {
            state.SkipWithError("the save failed");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * s64(g_textShown.size()));
    CloseEditor(ed);
}
// Ctrl+S of the 1 MB tag: must fit a 16 ms frame.
BENCHMARK(BM_SaveLargeText)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
