#include "tagedit/SoundEdit.h"

#include <cstring>

#include "foundation/StringUtil.h"
#include "gui/Button.h"
#include "gui/ListWindow.h"
#include "gui/core/Font.h"
#include "gui/MessageBox.h"
#include "platform/FileDialogs.h"

namespace {

constexpr u32 kListStyle = LWS_COLUMNS | LWS_MULTISELECT | LWS_HEADER;
constexpr u32 kCellText = kTextShadow | kTextVCenter;
constexpr s32 kButtonStrip = 48;

String ChannelsText(u32 channels)
{
    if (channels == 1) return String("1 (mono)");
    if (channels == 2) return String("2 (stereo)");
    return FormatString("%u", channels);
}

}  // namespace

SoundEdit::SoundEdit(TagEntry* tag) : TagEdit(tag)
{
    list = new ListWindow(kListStyle, WF_VISIBLE | WF_ENABLED, this);
    list->AddColumn("Name", "%s", LCT_CHARARRAY, 32, 128, 0, kCellText);
    list->AddColumn("Duration", "%s", LCT_CHARARRAY, 32, 96, 0, kCellText);
    list->AddColumn("Bit Depth", "%d", LCT_UINT, 4, 96, 0, kCellText);
    list->AddColumn("Channels", "%s", LCT_CHARARRAY, 32, 96, 0, kCellText);
    list->AddColumn("Sample Rate", "%d Hz", LCT_UINT, 4, 96, 0, kCellText);
    exportSelected = new Button(this, 0);
    exportSelected->SetTitle("Export Selected");
    exportSelected->SizeToFit();
    exportSelected->SetVisible(1);
    exportSelected->clicked.Connect<&SoundEdit::ExportSelected>(this);
    exportAll = new Button(this, 1);
    exportAll->SetTitle("Export All");
    exportAll->SizeToFit();
    exportAll->SetVisible(1);
    exportAll->clicked.Connect<&SoundEdit::ExportAll>(this);
}

SoundEdit::~SoundEdit()
{
    // The list's items point into the rows: they go first.
    if (list) list->ClearItems();
    rows.Free();
    sound.Free();
}

const char* SoundEdit::GetClassName() const { return "SoundEdit"; }

void SoundEdit::Resized()
{
    TagEdit::Resized();
    const Size c = GetContentSize();
    if (list) list->SetFrameXYWH(0, 0, c.width, c.height > kButtonStrip ? c.height - kButtonStrip : 0);
    if (exportSelected) exportSelected->MoveTo(8, c.height - 40);
    if (exportAll && exportSelected) exportAll->MoveTo(8 + exportSelected->GetFrameWidth() + 8, c.height - 40);
}

int SoundEdit::WriteTagData(FILE*, TagHeader*) { return 0; }

int SoundEdit::Save() { return 0; }

int SoundEdit::ReadTagData(FILE* stream, TagHeader* h)
{
    if (list) list->ClearItems();
    rows.Free();
    sound.Free();
    return sound.Read(stream, h);
}

void SoundEdit::Show()
{
    list->ClearItems();
    rows.SetExact(sound.records.count);
    for (u32 i = 0; i < sound.records.count; ++i) {
        const SoundRecord& r = sound.records[i];
        Row& row = rows[i];
        memset(&row, 0, sizeof row);
        StrLCpy(row.name, i < sound.names.count ? sound.names[i].name : "", sizeof row.name);
        StrLCpy(row.duration, SoundData::DurationText(SoundData::GetLength(r)).c_str(), sizeof row.duration);
        row.bitDepth = r.bitsPerSample;
        StrLCpy(row.channels, ChannelsText(r.channels).c_str(), sizeof row.channels);
        row.sampleRate = s32(SoundRate(r));
        row.permutation = i;
    }
    for (u32 i = 0; i < rows.count; ++i) list->AddItem(nullptr, 0, 0, &rows[i], rows[i].name);
    list->UpdateScrollRange();
    SetSize(544, 256);
    TagEdit::Show();
}

void SoundEdit::ExportAll() { Export(nullptr, sound.records.count); }

void SoundEdit::ExportSelected()
{
    ScopedDynArray<void*> selected;
    list->GetSelection(nullptr, &selected);
    if (!selected.count) return;
    ScopedDynArray<u32> permutations;
    for (void* data : selected) permutations.Push(static_cast<Row*>(data)->permutation);
    Export(permutations.data, permutations.count);
}

void SoundEdit::Export(const u32* permutations, u32 count)
{
    String folder;
    if (!ChooseFolderDialog(nullptr, &folder, nullptr, kFileKindSound, nullptr)) return;
    ScopedDynArray<String> failed;
    if (!sound.ExportPermutations(folder.c_str(), permutations, count, &failed)) return;
    String text("The file could not be written.");
    for (u32 i = 0; i < failed.count; ++i) {
        text.Append(i ? ", " : " ");
        text.Append(failed[i].c_str());
    }
    ShowErrorBox("%s", text.c_str());
}
