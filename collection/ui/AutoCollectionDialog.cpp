#include "collection/ui/AutoCollectionDialog.h"

#include <cstring>

#include "codex/Codex.h"
#include "codex/LocalFolder.h"
#include "codex/TagGroups.h"
#include "collection/SequenceScript.h"
#include "foundation/StringUtil.h"
#include "gui/MessageBox.h"
#include "gui/WindowPlacement.h"
#include "gui/WindowSystem.h"
#include "platform/FileDialogs.h"
#include "tagedit/TagEdit.h"

namespace {

constexpr u32 kCollectionGroup = FourCC(".256");
constexpr s32 kContentWidth = 480;
constexpr s32 kRowStep = 30;
constexpr s32 kFirstRow = 12;
constexpr s32 kRegLimit = 4096;

CheckBox* Check(Window* parent, u32 id, const char* label)
{
    CheckBox* c = new CheckBox(parent, id);
    c->SetTitle(label);
    c->SizeToFit();
    return c;
}

TextBox* Field(Window* parent, u32 style, s32 x, s32 y, s32 width, s32 height)
{
    TextBox* t = new TextBox(style, parent);
    t->AddFlags(WF_THINBORDER | WF_DARKPANEL);
    t->SetFrameXYWH(x, y, width, height);
    return t;
}

// A label left of x, at the row's top.
s32 Label(Window* parent, const char* text, s32 x, s32 y, s32 height)
{
    TextBox* label = CreateLabel(parent, text);
    label->SetFrameXYWH(x, y, label->GetFrameWidth(), height);
    return x + label->GetFrameWidth() + 4;
}

bool AskOverwrite(const char* text)
{
    return ShowMessageBox("Overwrite Tag?", text, "Overwrite", "Don't Overwrite", nullptr) == 0;
}

void DrawBuildProgress(void*) { WindowSystem::RunStepHook(); }

}  // namespace

u32 TagIdFromField(const char* text)
{
    if (!text || !*text) return kNoTagId;
    const size_t length = strlen(text);
    u32 id = 0;
    for (size_t i = 0; i < 4; ++i) id = id << 8 | (i < length ? u8(text[i]) : u8(' '));
    return id;
}

AutoCollectionDialog::AutoCollectionDialog()
{
    SetTitle("Build Standard Collection");
    request = {};
    const s32 h = GetLineHeight() + 2 * 2;
    const Rect content = GetContentRect();
    const s32 left = content.left + 12;
    s32 y = content.top + kFirstRow;

    s32 x = Label(this, "Name:", left, y, h);
    const s32 fieldLeft = x + 16;
    nameBox = Field(this, TEXTBOX_LINE, fieldLeft, y, 220, h);
    nameBox->SetMaxLength(31);
    x = Label(this, "Tagid (opt.):", fieldLeft + 232, y, h);
    tagIdBox = Field(this, TEXTBOX_LINE, x, y, 48, h);
    tagIdBox->SetMaxLength(4);

    y += kRowStep;
    Label(this, "Folder:", left, y, h);
    browseButton = new Button(this, 2);
    browseButton->SetTitle("...");
    browseButton->SetFrameXYWH(content.left + kContentWidth - 12 - 64, y, 64, 18);
    folderBox = Field(this, TEXTBOX_LONGLINE, fieldLeft, y, content.left + kContentWidth - 12 - 64 - 8 - fieldLeft, h);

    y += kRowStep;
    x = Label(this, "Regpoint", left, y, h);
    x = Label(this, "X:", fieldLeft, y, h);
    xBox = Field(this, TEXTBOX_INTEGER, x, y, 48, h);
    x = Label(this, "Y:", x + 60, y, h);
    yBox = Field(this, TEXTBOX_INTEGER, x, y, 48, h);
    xBox->SetInt(0);
    yBox->SetInt(0);

    y += kRowStep;
    invertBox = Check(this, 3, "Invert Alphas");
    invertBox->MoveTo(fieldLeft, y);
    framesThenViewsBox = Check(this, 4, "Frames Then Views Ordering");
    framesThenViewsBox->MoveTo(fieldLeft + invertBox->GetFrameWidth() + 24, y);

    SetContentSize(kContentWidth, y - content.top + invertBox->GetFrameHeight() + 8);
    ::SetTabOrder(nameBox, tagIdBox, folderBox, browseButton, xBox, yBox, invertBox, framesThenViewsBox, nullptr);
    DialogWindow::SetTabOrder(framesThenViewsBox);
    browseButton->clicked.Connect<&AutoCollectionDialog::ChooseFolder>(this);
    SaveOrLoadSettings(false);
}

AutoCollectionDialog::~AutoCollectionDialog() = default;

const char* AutoCollectionDialog::GetClassName() const { return "AutoCollectionDialog"; }

void AutoCollectionDialog::SaveOrLoadSettings(bool save)
{
    SyncWidgetPrefs("AutoCollectionDialog", save ? 1 : 0, "Name", nameBox, "Path", folderBox, "Tagid", tagIdBox,
                    "RegX", xBox, "RegY", yBox, "InvertAlphas", invertBox, "FramesThenViews", framesThenViewsBox,
                    static_cast<const char*>(nullptr));
}

void AutoCollectionDialog::ChooseFolder()
{
    String chosen;
    folderBox->GetText(&chosen);
    if (!ChooseFolderDialog("Choose Collection Folder", &chosen, nullptr, kFileKindAny, nullptr)) return;
    folderBox->SetText(chosen.c_str());
}

bool AutoCollectionDialog::OnOK()
{
    auto error = [](const char* text) {
        ShowMessageBox("Error", text, "OK", nullptr);
        return false;
    };
    folderBox->GetText(&folder);
    nameBox->GetText(&name);
    if (folder.IsEmpty() || !IsExistingFolder(folder.c_str())) return error("Specified folder not found.");
    if (name.IsEmpty()) return error("The name field is invalid.");
    s32 x = 0, y = 0;
    if (!xBox->GetInt(&x) || x < -kRegLimit || x > kRegLimit) return error("The Reg Point X value is invalid.");
    if (!yBox->GetInt(&y) || y < -kRegLimit || y > kRegLimit) return error("The Reg Point Y value is invalid.");
    SaveOrLoadSettings(true);

    String idText;
    tagIdBox->GetText(&idText);
    const u32 tagId = TagIdFromField(idText.c_str());
    TagEntry* asked = nullptr;  // the local collection the user already agreed to replace
    if (tagId != kNoTagId) {
        TagEntry* existing = FindTagEntry(kCollectionGroup, tagId);
        if (existing && HasLocalCopy(existing)) {
            if (!AskOverwrite("Another collection with the same tagid exists in the local folder. Do you want to "
                              "replace it?"))
                return false;
            // The old file goes only when the new one is written; one held open could not go then.
            if (GetTagAttachmentCount(existing))
                return error("The existing collection in the local folder could not be deleted.");
            asked = existing;
        } else if (existing) {
            // Only an archive holds that id: the local folder cannot take it over.
            ShowMessageBox("Error",
                           FormatString("Could not create the collection tag '%s'; it may already exist.", name.c_str())
                               .c_str(),
                           "OK", nullptr);
            return false;
        }
    }
    // One local tag may hold both the id and the name: it is asked about once.
    if (LocalTagFileExists(kCollectionGroup, name.c_str()) && (!asked || LocalCollectionOfName(name.c_str()) != asked) &&
        !AskOverwrite("Another collection with the same name already exists in the local folder. Do you want to "
                      "replace it?"))
        return false;
    // Refused now, not after a build that could not be written.
    if (CheckBuiltCollectionTarget(tagId, name.c_str()) == kBuildCannotCreate) {
        ShowMessageBox("Error",
                       FormatString("Could not create the collection tag '%s'; it may already exist.", name.c_str())
                           .c_str(),
                       "OK", nullptr);
        return false;
    }

    request = {};
    request.tagId = tagId;
    request.name = name.c_str();
    request.folder = folder.c_str();
    request.order = framesThenViewsBox->IsChecked() ? kOrderFramesThenViews : kOrderViewsThenFrames;
    request.x = x;
    request.y = y;
    request.invert = invertBox->IsChecked();
    return true;
}

TagEntry* RunCollectionBuild(const BuildCollectionArgs& args)
{
    BuildCollectionArgs run = args;
    run.progress = DrawBuildProgress;
    run.progressContext = nullptr;
    TagEntry* written = nullptr;
    WindowSystem::BeginBusy();
    const BuildResult result = BuildCollection(run, &written);
    const int quit = WindowSystem::EndBusy();
    if (result == kBuildCannotCreate) {
        ShowMessageBox("Error",
                       FormatString("Could not create the collection tag '%s'; it may already exist.", args.name).c_str(),
                       "OK", nullptr);
    } else if (result != kBuildWritten) {
        ShowMessageBox("Error", "Failed to create the new collection.", "OK", nullptr);
    } else {
        OpenTagEditor(written);
    }
    if (quit) WindowSystem::RequestQuit();
    return result == kBuildWritten ? written : nullptr;
}

void OpenBuildCollectionDialog()
{
    AutoCollectionDialog* dialog = new AutoCollectionDialog();
    dialog->CenterInParent();
    dialog->SetVisible(1);
    Window::SetFocus(dialog->nameBox, FOCUS_PROGRAM);
    WindowWatch watch(dialog);
    const u64 pressed = WindowSystem::RunModal(dialog, MODAL_KEYS_TO_WINDOW | MODAL_DIM, nullptr);
    if (!watch.IsAlive()) return;
    BuildCollectionArgs args = dialog->request;
    String name = dialog->name, folder = dialog->folder;
    args.name = name.c_str();
    args.folder = folder.c_str();
    dialog->Close();
    if (pressed == 1) RunCollectionBuild(args);
}
