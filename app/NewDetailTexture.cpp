#include "app/NewDetailTexture.h"

#include <cstring>

#include "codex/TagHeader.h"
#include "gui/MessageBox.h"
#include "tagedit/DtexEdit.h"

void NewDetailTextureCommand(bool fromClipboard)
{
    String name;
    if (ShowInputBox("Enter Name for Detail Texture", &name, "Create Detail Texture", "Cancel", nullptr) != 0) return;
    if (name.IsEmpty()) {
        ShowMessageBox("Not Created", "You must specify a name to create a detail texture tag.", "OK", nullptr);
        return;
    }
    TagEdit* editor = NewTag(FourCC("dtex"), name.c_str());
    // Another editor may have been registered for the group: only the detail-texture editor
    // knows how to take a picture in.
    if (!editor || strcmp(editor->GetClassName(), "DtexEdit") != 0) return;
    DtexEdit* dtex = static_cast<DtexEdit*>(editor);
    if (!(fromClipboard ? dtex->Paste() : dtex->Import())) {
        ShowMessageBox("Failed", "Detail texture could not be created.", "OK", nullptr);
        // The tag was never saved: nothing to ask about.
        dtex->SetModified(0);
        dtex->Close();
        return;
    }
    dtex->SaveAndReport();
}
