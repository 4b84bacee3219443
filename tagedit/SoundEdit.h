#pragma once
// SoundEdit: the viewer of sound tags ('soun'). It lists each permutation with its name,
// duration, bit depth, channels and sample rate, and exports all or the selected ones as WAV
// files into a chosen folder. It never writes the tag.
#include "codex/SoundData.h"
#include "foundation/DynArray.h"
#include "tagedit/TagEdit.h"

class Button;
class ListWindow;

class SoundEdit : public TagEdit {
public:
    // One list row: the columns' record, then the permutation it shows.
    struct Row {
        char name[32];
        char duration[32];
        s32 bitDepth;
        char channels[32];
        s32 sampleRate;
        u32 permutation;
    };

    explicit SoundEdit(TagEntry* entry);
    ~SoundEdit() override;
    const char* GetClassName() const override;
    // The list above, the buttons in the bottom 48 pixels.
    void Resized() override;
    // The viewer writes nothing: every save fails and leaves the tag's files as they were.
    int WriteTagData(FILE* stream, TagHeader* header) override;
    int Save() override;
    // Reads the tag into the SoundData; 0 for a tag breaking its rules.
    int ReadTagData(FILE* stream, TagHeader* header) override;
    // Fills the list, sizes the frame to 544 x 256 and shows the editor.
    void Show() override;

    // Ask for a folder and write "<folder>/<name>.wav" for every permutation, or for the
    // selected ones (nothing selected: nothing is asked). Files that could not be written are
    // named in one message.
    void ExportAll();
    void ExportSelected();

    ListWindow* GetList() const { return list; }
    const SoundData& GetSound() const { return sound; }

    // Fields, in this order.
    SoundData sound;
    DynArray<Row> rows;
    ListWindow* list;
    Button* exportSelected;
    Button* exportAll;

private:
    void Export(const u32* permutations, u32 count);
};
