#pragma once
// TextEdit: the editor of the text groups. 'ditl', 'scri' and 'text' hold the bytes of one
// text (no header, no terminator); 'stli' and 'temp' hold strings separated by NUL, CR or LF
// bytes. Both are shown as lines in one editable text box and written with CR line ends.
#include "foundation/DynArray.h"
#include "gui/TextBox.h"
#include "tagedit/TagEdit.h"

class TextEdit : public TagEdit {
public:
    explicit TextEdit(TagEntry* entry);
    ~TextEdit() override;
    const char* GetClassName() const override;
    void Resized() override;
    // The largest text a tag may hold; a header naming more is refused before anything is read.
    static constexpr u32 kMaxTextSize = 16u << 20;

    // Reads header->size bytes (0 when the stream holds fewer or more than kMaxTextSize). Text groups show the bytes up
    // to the first NUL; whatever follows it is kept unseen and written back unchanged after a
    // NUL, so a save never cuts the tag. String lists show one non-empty string per line.
    int ReadTagData(FILE* stream, TagHeader* header) override;
    // The lines joined by CR (a string list ends every string with a CR), then a kept tail.
    // An empty text writes nothing and succeeds; 0 when a write fails.
    int WriteTagData(FILE* stream, TagHeader* header) override;
    // Focuses the text box after the base has shown the editor.
    void Show() override;

    TextBox* GetTextBox() const { return box; }
    // Whether the group is read and written as a string list.
    static bool IsStringListGroup(u32 group);

    // Fields, in this order.
    TextBox* box;
    DynArray<u8> tail;  // the bytes from a text's first NUL on (that NUL included); empty without
};
