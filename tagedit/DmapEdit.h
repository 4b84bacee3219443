#pragma once
// DmapEdit: a read-only view of a detail map ('dmap'): one line per entry that names a detail
// texture, with the texture's id and name. Saving writes nothing.
#include "gui/TextBox.h"
#include "tagedit/TagEdit.h"

class DmapEdit : public TagEdit {
public:
    // 500 x 500, the view filling the content.
    explicit DmapEdit(TagEntry* entry);
    ~DmapEdit() override;
    const char* GetClassName() const override;
    void Resized() override;
    // Lists "<id> - <name>" for every entry whose detail texture is not -1 ("<not found>" for
    // an id no 'dtex' tag has). 0 when the detail map cannot be read.
    int ReadTagData(FILE* stream, TagHeader* header) override;
    // The tag is never written: answers 1 without touching it.
    int Save() override;
    void Show() override;

    TextBox* GetTextBox() const { return box; }

    // Fields, in this order.
    TextBox* box;
};
