#include "app/AddonPopup.h"

#include "foundation/StringUtil.h"
#include "gui/MessageBox.h"
#include "gui/Skin.h"
#include "gui/WindowSystem.h"

namespace {

constexpr s32 kLabelLeft = 4;
constexpr s32 kLabelWidth = 64;
constexpr s32 kFieldLeft = 72;
constexpr s32 kFieldRightGap = 4;
constexpr s32 kContentWidth = 448;
constexpr s32 kHelpRows = 8;
constexpr s32 kMinPriority = 2;
constexpr s32 kMaxPriority = 32767;

const char kHelpText[] =
    "The priority field of an add-on plugin defines its load ordering compared to other add-ons.\n\n"
    "An add-on with a high priority will load after (and so override) an add-on with a low priority.\n\n"
    "If you are not explicitly trying to override or not override some other add-on, you should not "
    "change this number from the default value of 100.";

}  // namespace

AddonPopup::AddonPopup()
{
    SetTitle("Build Add-on plugin");
    const s32 row = GetLineHeight() + 2 * Skin::GetThinBorderWidth();
    SetContentSize(kContentWidth, 11 * row + 20);
    const Rect content = GetContentRect();
    const s32 fieldWidth = kContentWidth - kFieldLeft - kFieldRightGap;

    const char* labels[] = {"Name:", "URL:", "Priority:", "Help:"};
    TextBox* fields[4] = {
        new TextBox(TEXTBOX_LINE, this),
        new TextBox(TEXTBOX_LINE, this),
        new TextBox(TEXTBOX_INTEGER, this),
        new TextBox(TEXTBOX_VIEW, this),
    };
    for (s32 i = 0; i < 4; ++i) {
        const s32 top = content.top + i * row + 4 * (i + 1);
        TextBox* label = CreateLabel(this, labels[i]);
        label->SetFrameXYWH(content.left + kLabelLeft, top, kLabelWidth, row);
        fields[i]->AddFlags(WF_THINBORDER | WF_DARKPANEL);
        fields[i]->SetFrameXYWH(content.left + kFieldLeft, top, fieldWidth, i == 3 ? kHelpRows * row : row);
    }
    nameBox = fields[0];
    urlBox = fields[1];
    priorityBox = fields[2];
    helpBox = fields[3];
    nameBox->SetMaxLength(31);
    nameBox->SetText("<addon name>");
    urlBox->SetMaxLength(63);
    urlBox->SetText("<addon url>");
    priorityBox->SetInt(100);
    helpBox->SetText(kHelpText);

    ::SetTabOrder(nameBox, urlBox, priorityBox, nullptr);
    DialogWindow::SetTabOrder(priorityBox);
}

AddonPopup::~AddonPopup() = default;

bool AskAddonFields(AddonFields* out)
{
    AddonPopup* popup = new AddonPopup();
    popup->CenterInParent();
    popup->SetVisible(1);
    Window::SetFocus(popup->nameBox, FOCUS_PROGRAM);
    WindowWatch watch(popup);
    const u64 pressed = WindowSystem::RunModal(popup, MODAL_KEYS_TO_WINDOW | MODAL_DIM, nullptr);
    if (!watch.IsAlive()) return false;

    String invalid;
    if (pressed == 1) {
        popup->nameBox->GetText(&out->name);
        popup->urlBox->GetText(&out->url);
        s32 priority = 0;
        if (out->name.IsEmpty()) invalid.Append(" name");
        if (out->url.IsEmpty()) invalid.Append(" url");
        if (!popup->priorityBox->GetInt(&priority) || priority < kMinPriority || priority > kMaxPriority)
            invalid.Append(" version");
        out->priority = u32(priority);
    }
    popup->Close();
    if (pressed != 1) return false;
    if (!invalid.IsEmpty()) {
        String text = FormatString("The following fields are invalid: %s", invalid.c_str());
        ShowMessageBox("Error", text.c_str(), "OK", nullptr);
        return false;
    }
    return true;
}
