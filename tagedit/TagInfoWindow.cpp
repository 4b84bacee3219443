#include "tagedit/TagInfoWindow.h"

#include <cstring>

#include "codex/TagFiles.h"
#include "foundation/StringUtil.h"
#include "gui/MessageBox.h"
#include "gui/WindowSystem.h"

namespace {

constexpr u32 kInfoFlags = WF_VISIBLE | WF_ENABLED | WF_TITLEBAR | WF_SHADOW | WF_THICKFRAME | WF_PANEL | WF_DARKPANEL |
                           WF_CLOSEBOX | WF_COLLAPSEBOX;
constexpr s32 kContentWidth = 400;
constexpr s32 kLabelWidth = 90;
constexpr s32 kMargin = 4;
constexpr s32 kLabelGap = 12;

// The first four characters as a big-endian code (missing ones count as 0).
u32 CodeOfText(const char* text)
{
    u32 code = 0;
    size_t n = strlen(text);
    for (u32 i = 0; i < 4; ++i) code = (code << 8) | u8(i < n ? text[i] : 0);
    return code;
}

void Refuse(const char* text) { ShowMessageBox("Error", text, "OK", nullptr); }

}  // namespace

TagInfoWindow::TagInfoWindow(TagEntry* entry) : Window(kInfoFlags, nullptr)
{
    tag = nullptr;
    SetTag(entry);
    SetContentWidth(kContentWidth);
    nameBox = AddRow(0, "Tag Name:", 32, 1);
    subgroupBox = AddRow(1, "Tag Subgroup:", 4, 1);
    TextBox* groupBox = AddRow(2, "Tag Group:", 4, 0);
    sizeBox = AddRow(3, "Tag Size:", 255, 0);
    locationBox = AddRow(4, "Tag Location:", 255, 0);
    TagHeader header;
    memset(&header, 0, sizeof header);
    GetTagHeader(tag, &header);
    char code[5];
    TagCodeToText(header.group, code);
    groupBox->SetText(code);
    ShowHeader();
    nameBox->textChanged.Connect<&TagInfoWindow::UpdateTitle>(this);
    subgroupBox->textChanged.Connect<&TagInfoWindow::UpdateTitle>(this);
    s32 line = GetLineHeight();
    SetContentHeight(5 * line + 24);
    Point at = WindowSystem::NextCascadePosition();
    MoveTo(at.x, at.y);
    ConstrainToScreen();
    UpdateTitle();
    SetTabOrder(nameBox, subgroupBox, nullptr);
}

TagInfoWindow::~TagInfoWindow() { SetTag(nullptr); }

const char* TagInfoWindow::GetClassName() const { return "TagInfoWindow"; }

TextBox* TagInfoWindow::AddRow(u32 row, const char* text, u32 maxLength, int editable)
{
    s32 line = GetLineHeight();
    s32 y = kMargin + s32(row) * (line + 4);
    TextBox* label = CreateLabel(this, text);
    label->SetAlignment(2);
    label->SetFrameXYWH(kMargin, y, kLabelWidth, line);
    TextBox* box = new TextBox(TEXTBOX_LINE, this);
    box->SetMaxLength(maxLength);
    box->AddFlags(WF_DARKPANEL);
    box->SetFrameXYWH(kMargin + kLabelWidth + kLabelGap, y, kContentWidth - (kMargin + kLabelWidth + kLabelGap), line);
    if (!editable) box->SetEnabled(0);
    return box;
}

// The boxes take the header as stored: the tag database may have cleaned and cut the name.
void TagInfoWindow::ShowHeader()
{
    TagHeader header;
    memset(&header, 0, sizeof header);
    GetTagHeader(tag, &header);
    char name[33] = {};
    memcpy(name, header.name, 31);
    char id[5];
    TagCodeToText(header.tag, id);
    nameBox->SetText(name);
    subgroupBox->SetText(id);
    // A change of an archive-only tag gives it a local copy, which then supplies it.
    sizeBox->SetTextf("%d", s32(header.size));
    locationBox->SetText(GetTagSourceName(tag));
}

void TagInfoWindow::SetTag(TagEntry* entry)
{
    if (entry == tag) return;
    TagEntry* previous = tag;
    tag = entry;
    // Attach first: detaching may delete an entry left without copies or attachments.
    if (entry) AttachToTag(entry, kAttachInfo, this);
    if (previous) DetachFromTag(previous, kAttachInfo, this);
}

int TagInfoWindow::IsEdited(const TagHeader& header) const
{
    String name, id;
    nameBox->GetText(&name);
    subgroupBox->GetText(&id);
    if (!name.IsEmpty() && strncmp(name.c_str(), header.name, 32) != 0) return 1;
    if (!id.IsEmpty() && CodeOfText(id.c_str()) != header.tag) return 1;
    return 0;
}

void TagInfoWindow::UpdateTitle()
{
    if (!nameBox || !subgroupBox) return;
    TagHeader header;
    memset(&header, 0, sizeof header);
    GetTagHeader(tag, &header);
    String name;
    nameBox->GetText(&name);
    SetTitleF(IsEdited(header) ? "Tag Info: %s*" : "Tag Info: %s", name.c_str());
}

int TagInfoWindow::Apply()
{
    if (!tag) return 0;
    TagHeader header;
    GetTagHeader(tag, &header);
    if (GetTagAttachmentCount(tag) > 1) {
        String text = FormatString("Tag information for '%.31s' could not be updated because the tag is still in use.",
                                   header.name);
        Refuse(text.c_str());
        return 0;
    }
    String name, id;
    nameBox->GetText(&name);
    subgroupBox->GetText(&id);
    if (id.Length() != 4) {
        Refuse("The subgroup id must be exactly 4 characters long.");
        return 0;
    }
    if (name.IsEmpty()) {
        Refuse("The name field must not be empty.");
        return 0;
    }
    u32 newId = CodeOfText(id.c_str());
    if (newId != tag->tag && HasLocalCopy(FindTagEntry(tag->group, newId))) {
        Refuse("A tag with the specified group and subgroup combination already exists in the local folder.");
        return 0;
    }
    TagEntry* changed = ChangeTagInfo(tag, newId, name.c_str());
    if (!changed) {
        Refuse("The tag information could not be changed because of an error.");
        return 0;
    }
    SetTag(changed);
    ShowHeader();
    UpdateTitle();
    return 1;
}

int TagInfoWindow::CanClose(u32 reason)
{
    TagHeader header;
    memset(&header, 0, sizeof header);
    GetTagHeader(tag, &header);
    if (tag && IsEdited(header)) {
        switch (ShowMessageBox("Save?", "Do you wish to save your changes to the tag?", "Save", "Discard", "Cancel",
                               nullptr)) {
        case 0:
            if (!Apply()) return 0;
            break;
        case 1: break;
        default: return 0;
        }
    }
    return Window::CanClose(reason);
}

void TagInfoWindow::Closing()
{
    SetTag(nullptr);
    Window::Closing();
}

int TagInfoWindow::KeyEvent(Event* event)
{
    if (event->Action() == 1 && event->Key() == 'S' && (event->KeyModifiers() & MOD_CTRL_A)) {
        Apply();
        return 1;
    }
    return Window::KeyEvent(event);
}

TagInfoWindow* OpenTagInfoWindow(TagEntry* tag)
{
    if (!tag) return nullptr;
    if (TagInfoWindow* open = static_cast<TagInfoWindow*>(FindTagAttachment(tag, kAttachInfo))) {
        open->BringToFront();
        Window::SetFocus(open->GetNameBox(), FOCUS_PROGRAM);
        return open;
    }
    return new TagInfoWindow(tag);
}
