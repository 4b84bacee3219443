#include "terrain/ui/ChoiceDialog.h"

#include <cstring>

#include "codex/Codex.h"
#include "codex/DtexTag.h"
#include "foundation/DynArray.h"
#include "gui/ColorButton.h"
#include "gui/ListWindow.h"
#include "gui/Skin.h"
#include "gui/TextBox.h"
#include "gui/WindowSystem.h"

namespace {

constexpr s32 kContentWidth = 384;
constexpr s32 kContentHeight = 248;
constexpr s32 kBand = 56;
constexpr s32 kGap = 32;
constexpr s32 kDescriptionWidth = 250;

// Row values live in the row's user data: the 'dtex' id, kNoTagId for "<no tag>".
void* IdData(u32 id) { return reinterpret_cast<void*>(uintptr_t(id)); }
u32 DataId(const ListItem* row) { return u32(reinterpret_cast<uintptr_t>(row->userData)); }

}  // namespace

ChoiceDialog::ChoiceDialog()
{
    SetContentSize(kContentWidth, kContentHeight);
    colorLabel = CreateLabel(this, "Highlight Color:");
    descriptionLabel = CreateLabel(this, "Description:");
    colorButton = new ColorButton(this);
    descriptionBox = new TextBox(TEXTBOX_LINE, this);
    descriptionBox->AddFlags(WF_THINBORDER | WF_DARKPANEL);
    descriptionBox->SetMaxLength(31);
    list = new ListWindow(0, WF_ENABLED | WF_FOCUSABLE | WF_THINBORDER | WF_DARKPANEL, this);
    list->itemActivated.Connect<&ChoiceDialog::OnRowActivated>(this);
    ::SetTabOrder(colorButton, descriptionBox, list, nullptr);
    DialogWindow::SetTabOrder(list);
    Resized();
}

ChoiceDialog::~ChoiceDialog() = default;

void ChoiceDialog::Resized()
{
    DialogWindow::Resized();
    if (!list) return;
    const Rect c = GetContentRect();
    const s32 line = GetLineHeight() + 2 * Skin::GetThinBorderWidth();
    const s32 colorWidth = GetTextWidth(0, "Highlight Color:", 0) + 4;
    const s32 descriptionWidth = GetTextWidth(0, "Description:", 0) + 4;
    colorLabel->SetFrameXYWH(c.left + 16, c.top + 16 - line / 2, colorWidth, line);
    colorButton->SetFrameXYWH(c.left + 16 + colorWidth + kGap, c.top + 16 - 10, 42, 20);
    descriptionLabel->SetFrameXYWH(c.left + 16, c.top + 40 - line / 2 + 4, descriptionWidth, line);
    descriptionBox->SetFrameXYWH(c.left + 16 + descriptionWidth + kGap, c.top + 40 - line / 2 + 4,
                                 kDescriptionWidth, line);
    list->SetFrame(Rect{c.left, c.top + kBand, c.right, c.bottom});
}

void ChoiceDialog::OnRowActivated(ListItem*) { OnButton(0); }

bool EditDetailTextureAttributes(DetailMapEntry* entry)
{
    const DetailMapEntry before = *entry;
    ChoiceDialog* dialog = new ChoiceDialog();
    dialog->SetTitle("Edit Detail Texture Attributes");
    dialog->colorButton->SetColor(0xFF000000u | u32(entry->color[2]) << 16 | u32(entry->color[1]) << 8 |
                                  entry->color[0]);
    char description[sizeof entry->name] = {};
    memcpy(description, entry->name, sizeof description - 1);
    dialog->descriptionBox->SetText(description);

    ListWindow* list = dialog->list;
    ListItem* selected = list->AddItem(nullptr, 0, LIF_TEXT | LIF_INSERTFIRST, IdData(kNoTagId), "<no tag>");
    ScopedDynArray<TagEntry*> tags;
    ListGroupTags(kDtexGroup, &tags);
    for (TagEntry* tag : tags) {
        TagHeader h;
        GetTagHeader(tag, &h);
        char name[sizeof h.name + 1] = {};
        memcpy(name, h.name, sizeof h.name);
        ListItem* row = list->AddItem(nullptr, 0, LIF_TEXT, IdData(tag->tag), name);
        if (tag->tag == entry->dtex) selected = row;
    }
    list->Sort();
    list->SelectItem(selected, 0);
    list->EnsureVisible(selected);

    dialog->CenterInParent();
    dialog->SetVisible(1);
    Window::SetFocus(list, FOCUS_PROGRAM);
    WindowWatch watch(dialog);
    const u64 pressed = WindowSystem::RunModal(dialog, MODAL_KEYS_TO_WINDOW | MODAL_DIM, nullptr);
    if (!watch.IsAlive()) return false;
    const ListItem* row = list->GetCurrentItem();
    if (pressed == 1 && row) {
        entry->dtex = DataId(row);
        const u32 c = dialog->colorButton->GetColor();
        entry->color[0] = u8(c), entry->color[1] = u8(c >> 8), entry->color[2] = u8(c >> 16);
        String text;
        dialog->descriptionBox->GetText(&text);
        memset(entry->name, 0, sizeof entry->name);
        strncpy(entry->name, text.c_str(), sizeof entry->name - 1);
    }
    dialog->Close();
    return memcmp(&before, entry, sizeof before) != 0;
}
