#include "tagedit/TagEdit.h"

#include "codex/TagFiles.h"
#include "foundation/StringUtil.h"
#include "gui/MessageBox.h"
#include "gui/WindowSystem.h"

namespace {

constexpr u32 kTagEditFlags = WF_ENABLED | WF_TITLEBAR | WF_SHADOW | WF_THICKFRAME | WF_RESIZABLE | WF_DARKPANEL |
                              WF_CLOSEBOX | WF_ZOOMBOX | WF_COLLAPSEBOX;
static_assert(kTagEditFlags == 0x1D6E, "editor window flags");

// The save question's text is kept to what fits a box line comfortably.
constexpr u32 kSaveQuestionLimit = 255;

}  // namespace

TagEdit::TagEdit(TagEntry* tag) : Window(kTagEditFlags, nullptr)
{
    modified = 0;
    entry = tag;
    attached = 0;
}

TagEdit::~TagEdit()
{
    // Torn down without Close (the whole window tree at exit): let go of the tag all the same.
    if (attached) {
        attached = 0;
        DetachFromTag(entry, kAttachEditor, this);
    }
}

const char* TagEdit::GetClassName() const { return "TagEdit"; }

int TagEdit::CanClose(u32 reason)
{
    if (modified) {
        String text = FormatString("Do you wish to save your changes to '%.31s'?", header.name);
        if (text.Length() > kSaveQuestionLimit) text.Set(text.c_str(), kSaveQuestionLimit);
        switch (ShowMessageBox("Save?", text.c_str(), "Save", "Discard", "Cancel", nullptr)) {
        case 0:
            if (!SaveAndReport()) return 0;
            break;
        case 1:
            if (!DiscardChanges()) return 0;
            break;
        default:
            return 0;
        }
    }
    return Window::CanClose(reason);
}

void TagEdit::Closing()
{
    if (attached) {
        attached = 0;
        DetachFromTag(entry, kAttachEditor, this);
    }
    Window::Closing();
}

int TagEdit::KeyEvent(Event* event)
{
    if (event->Action() == 1 && event->Key() == 'S' && (event->KeyModifiers() & MOD_CTRL_A)) {
        SaveAndReport();
        return 1;
    }
    return Window::KeyEvent(event);
}

int TagEdit::WriteTagData(FILE*, TagHeader*) { return 0; }

int TagEdit::Save()
{
    FILE* stream = BeginTagWrite(entry, &header, nullptr);
    if (!stream) return 0;
    int written = WriteTagData(stream, &header);
    // The file may still fail to be put in place after good writes; that is a failed save.
    bool finished = FinishTagWrite(entry, &header, written != 0);
    return written && finished ? 1 : 0;
}

int TagEdit::ReadTagData(FILE*, TagHeader*) { return 0; }

int TagEdit::Load()
{
    FILE* stream = OpenTag(entry, &header);
    if (!stream) return 0;
    int read = ReadTagData(stream, &header);
    CloseTagReader(entry);
    return read;
}

int TagEdit::Create(u32 group, const char* name)
{
    entry = CreateTag(group, kNoTagId, name, &header, false);
    return entry ? 1 : 0;
}

int TagEdit::DiscardChanges() { return 1; }

void TagEdit::Show()
{
    if (!attached && entry) {
        AttachToTag(entry, kAttachEditor, this);
        attached = 1;
    }
    Point at = WindowSystem::NextCascadePosition();
    MoveTo(at.x, at.y);
    ConstrainToScreen();
    SetVisible(1);
    BringToFront();
    Window::SetFocus(this, FOCUS_PROGRAM);
}

bool TagEdit::SaveAndReport()
{
    if (!Save()) {
        ShowMessageBox("Error", "The save operation could not be completed.", "OK", nullptr);
        return false;
    }
    SetModified(0);
    return true;
}

void TagEdit::SetModified(u32 flag)
{
    modified = flag ? 1 : 0;
    SetTitleF(modified ? "%.31s*" : "%.31s", header.name);
}

void TagEdit::OnContentChanged() { SetModified(1); }

// Opening and creating -----------------------------------------------------------------------

TagEdit* CallTagGroupHandler(TagEntry* entry)
{
    if (!entry) return nullptr;
    const TagGroup* row = GetTagGroup(entry->group);
    if (!row || !row->editor_factory) return nullptr;
    return row->editor_factory(entry);
}

TagEdit* OpenTagEditor(TagEntry* entry)
{
    if (!entry) return nullptr;
    for (u32 i = 0;; ++i) {
        u32 key;
        void* object;
        if (!GetTagAttachment(entry, i, &key, &object)) break;
        if (key != kAttachEditor) continue;
        TagEdit* open = static_cast<TagEdit*>(object);
        open->BringToFront();
        Window::SetFocus(open, FOCUS_PROGRAM);
        return open;
    }
    TagEdit* editor = CallTagGroupHandler(entry);
    if (!editor) return nullptr;
    if (!editor->Load()) {
        ShowMessageBox("Error", "The tag could not be loaded.", "OK", nullptr);
        editor->Close();
        return nullptr;
    }
    editor->SetModified(0);
    editor->Show();
    return editor;
}

TagEdit* NewTag(u32 group, const char* name)
{
    const TagGroup* row = GetTagGroup(group);
    if (!row || !row->editor_factory) return nullptr;
    TagEdit* editor = row->editor_factory(nullptr);
    if (!editor) return nullptr;
    if (!editor->Create(group, name)) {
        String text = FormatString("The tag file '%s' could not be created; It may already exist.", name ? name : "");
        ShowMessageBox("Error", text.c_str(), "OK", nullptr);
        editor->Close();
        return nullptr;
    }
    editor->Show();
    editor->SetModified(1);
    return editor;
}

TagEdit* NewTagDialog(u32 group)
{
    const TagGroup* row = GetTagGroup(group);
    if (!row) return nullptr;
    String title = FormatString("Enter Name for %s", row->singular_name);
    String create = FormatString("Create %s", row->singular_name);
    String name;
    if (ShowInputBox(title.c_str(), &name, create.c_str(), "Cancel", nullptr) != 0) return nullptr;
    if (name.IsEmpty()) {
        ShowMessageBox("Not Created", "You must specify a name.", "OK", nullptr);
        return nullptr;
    }
    return NewTag(group, name.c_str());
}
