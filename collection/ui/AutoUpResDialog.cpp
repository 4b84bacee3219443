#include "collection/ui/AutoUpResDialog.h"

#include <memory>

#include "codex/Codex.h"
#include "codex/TagFiles.h"
#include "collection/Collection.h"
#include "collection/SequenceScript.h"
#include "gui/MessageBox.h"
#include "gui/WindowSystem.h"
#include "platform/FileDialogs.h"
#include "tagedit/CodexGroupBox.h"

namespace {

constexpr u32 kCollectionGroup = FourCC(".256");
constexpr s32 kLabelWidth = 128;
constexpr s32 kFieldLeft = 152;
constexpr s32 kNumberWidth = 64;
constexpr s32 kButtonWidth = 64;
constexpr s32 kMinChooserWidth = 360;
constexpr s32 kMaxChooserWidth = 512;
constexpr double kMaxScale = 32.0;
constexpr double kMinScale = 0.01;

void Label(Window* parent, const char* text, s32 x, s32 y, s32 h)
{
    CreateLabel(parent, text)->SetFrameXYWH(x, y, kLabelWidth, h);
}

TextBox* Field(Window* parent, u32 style, s32 x, s32 y, s32 width, s32 h)
{
    TextBox* t = new TextBox(style, parent);
    t->AddFlags(WF_THINBORDER | WF_DARKPANEL);
    t->SetFrameXYWH(x, y, width, h);
    return t;
}

Button* PushButton(Window* parent, u32 id, const char* label, s32 x, s32 y, s32 h)
{
    Button* b = new Button(parent, id);
    b->SetTitle(label);
    b->SetFrameXYWH(x, y, kButtonWidth, h);
    return b;
}

CheckBox* Check(Window* parent, u32 id, const char* label, s32 x, s32 y)
{
    CheckBox* c = new CheckBox(parent, id);
    c->SetTitle(label);
    c->SizeToFit();
    c->MoveTo(x, y);
    return c;
}

bool Error(const char* text)
{
    ShowMessageBox("Error", text, "OK", nullptr);
    return false;
}

// A number box's value within [low, high]; false for anything else.
bool ReadNumber(TextBox* box, double low, double high, double* out)
{
    double value = 0;
    if (!box->GetFloat(&value) || !(value >= low && value <= high)) return false;
    *out = value;
    return true;
}

void DrawBuildProgress(void*) { WindowSystem::RunStepHook(); }

}  // namespace

AutoUpResDialog::AutoUpResDialog()
{
    SetTitle("Build High-Res Collection");
    request = {};
    const Rect content = GetContentRect();
    const s32 left = content.left;
    const s32 top = content.top;
    chooser = new CodexGroupBox(kCollectionGroup, this, 0);
    chooser->SetVisibleRows(12, 1);
    const s32 h = chooser->GetFrameHeight();
    s32 W = chooser->GetFrameWidth();
    W = W < kMinChooserWidth ? kMinChooserWidth : W > kMaxChooserWidth ? kMaxChooserWidth : W;
    chooser->SetWidth(W);
    chooser->MoveTo(left + kFieldLeft, top + 12);

    Label(this, "Original Collection:", left + 12, top + 12, h);
    Label(this, "High-Res Folder:", left + 12, top + h + 24, h);
    Label(this, "Target Scale:", left + 12, top + 2 * h + 36, h);
    Label(this, "Scale Tolerance:", left + 292, top + 2 * h + 36, h);
    Label(this, "Object Scale:", left + 12, top + 3 * h + 48, h);

    folderBox = Field(this, TEXTBOX_LONGLINE, left + kFieldLeft, top + h + 24, W - kFieldLeft, h);
    createButton = PushButton(this, 2, "Create", left + W + 8, top + h + 24, h);
    browseButton = PushButton(this, 3, "...", left + W + 16 + kButtonWidth, top + h + 24, h);

    targetBox = Field(this, TEXTBOX_NUMBER, left + kFieldLeft, top + 2 * h + 36, kNumberWidth, h);
    toleranceBox = Field(this, TEXTBOX_NUMBER, left + 432, top + 2 * h + 36, kNumberWidth, h);
    objectBox = Field(this, TEXTBOX_NUMBER, left + kFieldLeft, top + 3 * h + 48, kNumberWidth, h);
    for (TextBox* b : {targetBox, toleranceBox, objectBox}) b->SetMaxLength(8);
    targetBox->SetFloat(2.0);
    toleranceBox->SetFloat(0.05);
    objectBox->SetFloat(1.0);

    alignBox = Check(this, 4, "Align Bitmaps Individually", left + 292, top + 3 * h + 50);
    invertBox = Check(this, 5, "Invert Alphas", left + kFieldLeft, top + 4 * h + 60);
    framesThenViewsBox =
        Check(this, 6, "Frames Then Views Ordering", left + kFieldLeft + invertBox->GetFrameWidth() + 24, top + 4 * h + 60);

    SetContentSize(W + kFieldLeft, 5 * h + 66);
    ::SetTabOrder(chooser, folderBox, browseButton, targetBox, toleranceBox, objectBox, alignBox, invertBox,
                  framesThenViewsBox, nullptr);
    DialogWindow::SetTabOrder(framesThenViewsBox);
    createButton->clicked.Connect<&AutoUpResDialog::CreateUpResFolders>(this);
    browseButton->clicked.Connect<&AutoUpResDialog::ChooseFolder>(this);
}

AutoUpResDialog::~AutoUpResDialog() = default;

const char* AutoUpResDialog::GetClassName() const { return "AutoUpResDialog"; }

void AutoUpResDialog::ChooseFolder()
{
    String chosen;
    folderBox->GetText(&chosen);
    if (!ChooseFolderDialog("Choose High-Res Folder", &chosen, nullptr, kFileKindAny, nullptr)) return;
    folderBox->SetText(chosen.c_str());
}

void AutoUpResDialog::CreateUpResFolders()
{
    TagEntry* entry = chooser->GetSelectedTag();
    if (!entry) {
        Error("You must pick a collection first.");
        return;
    }
    TagHeader header;
    FILE* stream = OpenTag(entry, &header);
    std::unique_ptr<Collection> collection(stream ? LoadCollection(stream, &header) : nullptr);
    if (stream) CloseTagReader(entry);
    if (!collection) {
        Error("The specified collection could not be loaded.");
        return;
    }
    String location;
    if (!ChooseFolderDialog("Choose High-Res Folder Location", &location, nullptr, kFileKindAny, nullptr)) return;
    if (CreateUpResFolderTree(location.c_str(), *collection).empty()) Error("The high-res folders could not be created.");
}

bool AutoUpResDialog::OnOK()
{
    TagEntry* entry = chooser->GetSelectedTag();
    if (!entry) return Error("You must choose a collection.");
    // The build is written as the local tag: an open editor's later save would undo it.
    if (GetTagAttachmentCount(entry)) return Error("The collection is open in an editor. Please close it first.");
    folderBox->GetText(&folder);
    if (folder.IsEmpty() || !IsExistingFolder(folder.c_str())) return Error("Specified folder not found.");
    double target = 0, object = 0, tolerance = 0;
    if (!ReadNumber(targetBox, kMinScale, kMaxScale, &target)) return Error("Invalid scale.");
    if (!ReadNumber(objectBox, 0, kMaxScale, &object)) return Error("Invalid object scale.");
    if (!ReadNumber(toleranceBox, 0, kMaxScale, &tolerance)) return Error("Invalid tolerance.");
    // An object scale of 0 (or nearly) would ask for images of no size at an endless scale.
    if (target * object < kMinScale) return Error("Invalid object scale.");

    bool fromArchive = false;
    if (HasLocalCopy(entry)) {
        if (!GetArchiveTagInstance(entry)) return Error("Cannot Up-Res a collection from the local folder.");
        if (ShowMessageBox("Overwrite Tag?",
                           "The specified collection already exists in the local folder. Do you want to replace it?",
                           "Overwrite", "Don't Overwrite", nullptr) != 0)
            return false;
        fromArchive = true;
    }
    request = {};
    request.entry = entry;
    request.folder = folder.c_str();
    request.targetScale = target * object;
    request.tolerance = tolerance;
    request.alignIndividually = alignBox->IsChecked() ? 1 : 0;
    request.order = framesThenViewsBox->IsChecked() ? kOrderFramesThenViews : kOrderViewsThenFrames;
    request.invert = invertBox->IsChecked();
    request.fromArchive = fromArchive;
    return true;
}

int RunUpResBuild(const UpResArgs& args)
{
    UpResArgs run = args;
    run.progress = DrawBuildProgress;
    run.progressContext = nullptr;
    WindowSystem::BeginBusy();
    const int written = UpRes(run);
    if (WindowSystem::EndBusy()) WindowSystem::RequestQuit();
    return written;
}

void OpenUpResDialog()
{
    AutoUpResDialog* dialog = new AutoUpResDialog();
    dialog->CenterInParent();
    dialog->SetVisible(1);
    Window::SetFocus(dialog->chooser, FOCUS_PROGRAM);
    WindowWatch watch(dialog);
    const u64 pressed = WindowSystem::RunModal(dialog, MODAL_KEYS_TO_WINDOW | MODAL_DIM, nullptr);
    if (!watch.IsAlive()) return;
    UpResArgs args = dialog->request;
    String folder = dialog->folder;
    args.folder = folder.c_str();
    dialog->Close();
    if (pressed == 1) RunUpResBuild(args);
}
