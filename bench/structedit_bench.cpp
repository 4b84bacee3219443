// The structure editor's costs beside their floors: loading and registering 300 generated
// definition files beside TinyXML's own LoadFile of the same files; building a dialog of 1,000
// items beside creating 1,000 bare text boxes, and one keystroke stored and redrawn; refilling
// a sub-struct array of 1,000 elements beside filling a list with the same rows. Headless
// through the fake OS backend.
#include <benchmark/benchmark.h>
#include <tinyxml.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/BenchSupport.h"
#include "foundation/String.h"
#include "gui/ListWindow.h"
#include "gui/TextBox.h"
#include "gui/WindowSystem.h"
#include "gui/core/Font.h"
#include "tagedit/MemberChangeListener.h"
#include "tagedit/StructDef.h"
#include "tagedit/StructEditor.h"
#include "tagedit/SubStructArrayEdit.h"
#include "tagedit/TagStructEdit.h"
#include "tagedit/XmlDefinitions.h"

namespace {

void Setup()
{
    StartHeadlessWindowSystem();
    UseSyntheticBenchFont();
}

std::string g_folder;

// 300 files, each one struct of 12 members and its layout.
const std::string& DefinitionFolder()
{
    if (!g_folder.empty()) return g_folder;
    char pattern[] = "/tmp/tavik-structbench-XXXXXX";
    g_folder = mkdtemp(pattern);
    for (int i = 0; i < 300; ++i) {
        std::string xml = "<tavikxmlfile><struct name=\"s" + std::to_string(i) + "\">";
        std::string layout = "<structedit struct=\"s" + std::to_string(i) + "\" caption=\"S\"><frame text=\"F\">";
        for (int m = 0; m < 12; ++m) {
            xml += "<short_world name=\"m" + std::to_string(m) + "\" count=\"2\"/>";
            layout += "<item target=\"m" + std::to_string(m) + "\"/>";
        }
        xml += "</struct>" + layout + "</frame></structedit></tavikxmlfile>\n";
        FILE* f = fopen((g_folder + "/d" + std::to_string(i) + ".xml").c_str(), "wb");
        fwrite(xml.data(), 1, xml.size(), f);
        fclose(f);
    }
    return g_folder;
}

void BM_TinyXmlLoadFiles(benchmark::State& state)
{
    const std::string& folder = DefinitionFolder();
    for (auto _ : state) {
        for (int i = 0; i < 300; ++i) {
            TiXmlDocument doc((folder + "/d" + std::to_string(i) + ".xml").c_str());
            benchmark::DoNotOptimize(doc.LoadFile());
        }
    }
}
BENCHMARK(BM_TinyXmlLoadFiles)->Unit(benchmark::kMillisecond);

void BM_LoadAndRegisterDefinitions(benchmark::State& state)
{
    const std::string& folder = DefinitionFolder();
    for (auto _ : state) {
        LoadXmlDefinitions(folder.c_str());
        RegisterStructEditors();
    }
    if (StructDefinitions().Count() != 300) state.SkipWithError("not every definition loaded");
    StructDefinitions().Clear();
    FreeXmlDefinitions();
}
BENCHMARK(BM_LoadAndRegisterDefinitions)->Unit(benchmark::kMillisecond);

void LoadText(const std::string& xml)
{
    FreeXmlDefinitions();
    LoadXmlDefinitionText(xml.c_str(), "bench.xml");
    StructDefinitions().Clear();
    StructDefinitions().Load();
    CollectStructEditDefinitions();
}

void LoadThousandItems()
{
    std::string xml = "<tavikxmlfile><struct name=\"rec\"><short name=\"v\" count=\"1000\"/></struct>"
                      "<structedit struct=\"rec\" layout=\"table\">";
    for (int r = 0; r < 100; ++r) {
        xml += "<row>";
        for (int c = 0; c < 10; ++c) xml += "<item target=\"v\" index=\"" + std::to_string(r * 10 + c) + "\"/>";
        xml += "</row>";
    }
    LoadText(xml + "</structedit></tavikxmlfile>");
}

void BM_BareTextBoxes1000(benchmark::State& state)
{
    Setup();
    for (auto _ : state) {
        Window* parent = new Window(WF_VISIBLE, WindowSystem::GetLayerRoot(0));
        for (int i = 0; i < 1000; ++i) {
            TextBox* box = new TextBox(2, parent);
            box->SetSize(64, 16);
            box->SetInt(i);
            box->MoveTo((i % 10) * 68, (i / 10) * 17);
        }
        parent->Close();
        WindowSystem::ProcessDeferredDeletes();
    }
}
BENCHMARK(BM_BareTextBoxes1000)->Unit(benchmark::kMillisecond);

void BM_BuildUI1000Items(benchmark::State& state)
{
    Setup();
    LoadThousandItems();
    for (auto _ : state) {
        StructEditor* editor = new StructEditor(StructDefinitions().Find("rec"));
        editor->SetParent(WindowSystem::GetLayerRoot(0));
        if (!editor->BuildUI()) state.SkipWithError("no layout");
        editor->Close();
        WindowSystem::ProcessDeferredDeletes();
    }
    StructDefinitions().Clear();
    FreeXmlDefinitions();
}
BENCHMARK(BM_BuildUI1000Items)->Unit(benchmark::kMillisecond);

// One keystroke into a field of the 1,000-item dialog: stored into the record and the frame
// drawn.
void BM_KeystrokeStoredAndDrawn(benchmark::State& state)
{
    Setup();
    LoadThousandItems();
    StructEditor* editor = new StructEditor(StructDefinitions().Find("rec"));
    editor->SetParent(WindowSystem::GetLayerRoot(0));
    editor->SetFlags(editor->GetFlags() | WF_VISIBLE);
    editor->BuildUI();
    TextBox* box = static_cast<TextBox*>(editor->ListenerAt(500)->control);
    Window::SetFocus(box, FOCUS_PROGRAM);
    u32 n = 0;
    for (auto _ : state) {
        box->TypeChar(u8('0' + n++ % 10));
        String text;
        if (box->GetText(&text) > 5) box->SetText("1");
        WindowSystem::RenderFrame();
    }
    editor->Close();
    WindowSystem::ProcessDeferredDeletes();
    StructDefinitions().Clear();
    FreeXmlDefinitions();
}
BENCHMARK(BM_KeystrokeStoredAndDrawn)->Unit(benchmark::kMicrosecond);

void BM_ListWindowRows1000(benchmark::State& state)
{
    Setup();
    ListWindow* list = new ListWindow(0, 0x113, WindowSystem::GetLayerRoot(0));
    list->SetSize(200, 144);
    for (auto _ : state) {
        list->Clear();
        for (u32 i = 0; i < 1000; ++i) {
            char name[32];
            snprintf(name, sizeof name, "Sequence #%u", i + 1);
            list->AddItem(nullptr, 0, LIF_TEXT, reinterpret_cast<void*>(uintptr_t(i)), name);
        }
    }
    list->Close();
    WindowSystem::ProcessDeferredDeletes();
}
BENCHMARK(BM_ListWindowRows1000)->Unit(benchmark::kMillisecond);

void BM_SubStructArrayRefresh1000(benchmark::State& state)
{
    Setup();
    LoadText("<tavikxmlfile><struct name=\"el\"><sequence_index name=\"seq\"/></struct>"
             "<struct name=\"rec\"><substruct name=\"arr\" struct=\"el\" count=\"1000\"/></struct>"
             "<structedit struct=\"rec\"><item target=\"arr\" text_target=\"seq\"/></structedit></tavikxmlfile>");
    StructEditor* editor = new StructEditor(StructDefinitions().Find("rec"));
    editor->SetParent(WindowSystem::GetLayerRoot(0));
    editor->BuildUI();
    SubStructArrayEdit* arr = static_cast<SubStructArrayEdit*>(editor->ListenerAt(0)->control);
    for (auto _ : state) arr->Refresh();
    if (arr->GetList()->GetItemCount() != 1000) state.SkipWithError("rows missing");
    editor->Close();
    WindowSystem::ProcessDeferredDeletes();
    StructDefinitions().Clear();
    FreeXmlDefinitions();
}
BENCHMARK(BM_SubStructArrayRefresh1000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
