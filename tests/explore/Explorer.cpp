#include "tests/explore/Explorer.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "app/AddonCommands.h"
#include "app/RootMenu.h"
#include "app/Shell.h"
#include "app/TagEditors.h"
#include "codex/Archive.h"
#include "codex/FileRecognizers.h"
#include "codex/LocalFolder.h"
#include "codex/TagGroups.h"
#include "collection/ui/AutoCollectionDialog.h"
#include "collection/ui/AutoUpResDialog.h"
#include "collection/ui/X256Edit.h"
#include "collection/ui/X256HueBrowser.h"
#include "collection/ui/X256SequenceBrowser.h"
#include "gui/TabWindow.h"
#include "foundation/Log.h"
#include "foundation/PrefStore.h"
#include "gui/Button.h"
#include "gui/MessageBox.h"
#include "gui/TextBox.h"
#include "gui/MessageLogWindow.h"
#include "gui/WindowSystem.h"
#include "gui/core/Charmap.h"
#include "platform/FileDialogs.h"
#include "platform/Os.h"
#include "platform/OsFake.h"
#include "platform/OsKeys.h"
#include "tagedit/ArchiveBrowser.h"
#include "tagedit/TagEdit.h"
#include "tagedit/TagInfoWindow.h"
#include "tagedit/TagStructEdit.h"
#include "tagedit/XmlDefinitions.h"
#include "terrain/DetailMaterials.h"
#include "terrain/ui/MeshEdit.h"
#include "tests/common/TestDirs.h"
#include "tests/explore/EdgeTags.h"
#include "tests/explore/OffscreenGL.h"
#include "tests/gui/MessageBoxSupport.h"

namespace fs = std::filesystem;

namespace {

Explorer* g_explorer;

// The shell windows a run can start from, besides the editors.
const char* const kShellTargets[] = {"browser", "taginfo", "logviewer", "builders", "addons", "menus"};

// Groups whose editors only show the tag: they have no save.
bool IsViewer(u32 group)
{
    for (const char* g : {"geom", "soun"})
        if (group == GroupCode(g)) return true;
    return false;
}

// Groups whose editors have undo: undoing back to the start must give back the opening bytes.
bool HasUndo(u32 group)
{
    for (const char* g : {"mesh", "text", "scri", "stli", "ditl", "temp"})
        if (group == GroupCode(g)) return true;
    return false;
}

// Saving a terrain saves its detail map, never the mesh: a terrain editor without one (the
// map of the colour map's id is missing or of other dimensions) has nothing to save and
// refuses the save.
bool HasNothingToSave(TagEdit* editor)
{
    MeshEdit* mesh = dynamic_cast<MeshEdit*>(editor);
    return mesh && !mesh->model.vertexGrid;
}

std::string GroupText(u32 group)
{
    char code[5] = {char(group >> 24), char(group >> 16), char(group >> 8), char(group), 0};
    return code;
}

std::string TagName(TagEntry* entry)
{
    TagHeader h;
    GetTagHeader(entry, &h);
    return GroupText(entry->group) + " '" + h.name + "'";
}

bool IsShellTarget(const std::string& t)
{
    for (const char* s : kShellTargets)
        if (t == s) return true;
    return false;
}

void QuietLog(void*, u32, const char*, const char*) {}

// The open editor of the tag, or null.
TagEdit* OpenEditorOf(TagEntry* entry)
{
    void* object = FindTagAttachment(entry, kAttachEditor);
    return static_cast<TagEdit*>(object);
}

// Whether a popup (menu, list) or box is shown in layer 1.
bool PopupShown()
{
    Window* layer = WindowSystem::GetLayerRoot(1);
    Window* bar = GetRootMenu() ? GetRootMenu()->bar : nullptr;
    for (Window* w = layer ? layer->GetFirstChild() : nullptr; w; w = w->GetNextSibling())
        if (w->IsVisible() && w != bar) return true;
    return false;
}

// The window of the innermost modal loop, searched through every shown window, or null.
Window* ModalTopWindow(Window* root)
{
    for (Window* w = root ? root->GetFirstChild() : nullptr; w; w = w->GetNextSibling()) {
        if (WindowSystem::IsOnModalStack(w, 1)) return w;
        if (Window* inner = ModalTopWindow(w)) return inner;
    }
    return nullptr;
}

std::string FrontDescription()
{
    std::string out = WindowSystem::GetModalDepth() ? "modal" : "";
    if (Window* m = WindowSystem::GetModalDepth() ? ModalTopWindow(WindowSystem::GetLayerRoot(-1)) : nullptr)
        out += std::string(" (loop of ") + m->GetClassName() + " '" + (m->GetTitle() ? m->GetTitle() : "") + "'" +
               (m->IsVisible() ? "" : ", hidden") + ")";
    if (Window* c = WindowSystem::GetCaptureWindow()) out += std::string(" capture by ") + c->GetClassName();
    for (int layer = 1; layer >= 0; --layer) {
        Window* root = WindowSystem::GetLayerRoot(layer);
        for (Window* w = root ? root->GetFirstChild() : nullptr; w; w = w->GetNextSibling())
            if (w->IsVisible() && !(GetRootMenu() && w == GetRootMenu()->bar)) {
                out += std::string(" ") + w->GetClassName() + " '" + (w->GetTitle() ? w->GetTitle() : "") + "'";
                return out;
            }
    }
    return out;
}

}  // namespace

Explorer::Explorer(const ExploreOptions& options) : options(options), user(options.seed) {}

Explorer::~Explorer()
{
    if (started) StopShell();
    if (!root.empty()) {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
}

std::vector<std::string> Explorer::Targets()
{
    if (chdir(TestBinaryDir()) == 0) {
        LoadXmlDefinitions("res");
        RegisterStructEditors();
        RegisterTagEditors();
    }
    std::vector<std::string> out;
    const TagGroup* table = GetTagGroupTable();
    for (u32 i = 0; i < kTagGroupCount; ++i)
        if (table[i].editor_factory) out.push_back(GroupText(table[i].code));
    for (const char* s : kShellTargets) out.push_back(s);
    return out;
}

std::string Explorer::ReplayLine() const
{
    return "explore --editor '" + options.target + "' --seed " + std::to_string(options.seed) + " --actions " +
           std::to_string(options.actions) + (options.roundTrips ? " --round-trips" : "");
}

void Explorer::PrintTrace(FILE* out) const
{
    fprintf(out, "explore: the last %zu actions of %s:\n", trace.size(), ReplayLine().c_str());
    for (const std::string& t : trace) fprintf(out, "    %s\n", t.c_str());
    fflush(out);
}

void Explorer::Note(const std::string& what)
{
    const std::string line = std::to_string(actionsRun) + ": " + what;
    if (options.verbose) fprintf(stderr, "%s\n", line.c_str());
    trace.push_back(line);
    if (trace.size() > 40) trace.pop_front();
}

void Explorer::Fail(const std::string& what)
{
    ++failures;
    fprintf(stderr, "explore: FAULT after %u actions: %s\n", actionsRun, what.c_str());
    PrintTrace(stderr);
}

bool Explorer::SetUpGame()
{
    char pattern[] = "/tmp/tavik-explore-XXXXXX";
    if (!mkdtemp(pattern)) return false;
    root = pattern;
    game = root + "/game/";
    const fs::path build = TestBinaryDir();
    std::error_code ec;
    fs::create_directories(game, ec);
    for (const char* folder : {"tags", "plugins", "local", "import", "models", "builder"}) {
        if (!fs::exists(build / folder)) {
            if (!strcmp(folder, "tags")) {
                fprintf(stderr, "explore: no sample game in %s (the build writes it: tavik_sample_game)\n",
                        build.string().c_str());
                return false;
            }
            continue;
        }
        fs::copy(build / folder, game + folder, fs::copy_options::recursive, ec);
        if (ec) return false;
    }
    fs::create_directories(root + "/out", ec);
    fs::create_directories(root + "/res", ec);
    user.SetSaveFolder(root + "/out");
    // Dialogs pick from the game's own files and folders: images, models, builder sources,
    // archives, and what earlier saves wrote.
    for (const char* folder : {"import", "models", "builder", "plugins"}) {
        if (!fs::exists(game + folder)) continue;
        user.AddPickFolder(game + folder);
        for (auto it = fs::recursive_directory_iterator(game + folder, ec); !ec && it != fs::recursive_directory_iterator();
             it.increment(ec)) {
            if (it->is_directory()) user.AddPickFolder(it->path().string());
            else user.AddPickFile(it->path().string());
        }
    }
    user.AddPickFolder(root + "/out");
    user.AddPickFile(root + "/out/missing.png");
    return true;
}

void Explorer::StartShell()
{
    OsUseFakeBackend();
    OsInit();
    OsOpenWindow(1024, 768, 0, 0);
    FakeOsSetStepBudget(0, nullptr);
    FakeOsSetDialogResponder(&RandomUser::RespondToDialog, &user);
    user.SetMenuBarFinder([]() -> Window* { return GetRootMenu() ? GetRootMenu()->bar : nullptr; });
    WindowSystem::Reset();
    WindowSystem::SetMetrics(WindowMetrics{4, 1, 22, 16, 14});
    WindowSystem::SetDefaultFont(font);
    WindowSystem::SetDirtyRectMode(1);
    WindowSystem::SetStepHook(&Explorer::StepHook);
    WindowSystem::SetCanQuitHook(ConfirmQuit);
    WindowSystem::Init();
    WindowSystem::InstallCallbacks();
    WindowSystem::SetRunning(1);
    InstallLogWindowSink();
    SetDialogErrorHook(ShowDialogErrorBox);
    ShowRootMenu();
    StartCodex();
    started = true;
}

void Explorer::StopShell()
{
    forceCancel = true;
    SetDialogErrorHook(nullptr);
    SetLogSink(&QuietLog, nullptr);
    DiscardPendingLogMessages();
    WindowSystem::DestroyRootWindow();
    CloseCodex();
    WindowSystem::Reset();
    WindowSystem::SetDefaultFont(nullptr);
    OsResetState();
    SetLogSink(nullptr, nullptr);
    started = false;
}

int Explorer::StepHook() { return g_explorer ? g_explorer->Step() : 0; }

int Explorer::Step()
{
    std::string what;
    if (mbtest::ModalMessageBox()) {
        MessageBoxWindow* box = mbtest::ModalMessageBox();
        const bool saveQuestion = box->GetTitle() && !strcmp(box->GetTitle(), "Save?");
        if (user.AnswerMessageBox(forceCancel || actionsLeft == 0, &what, forceDiscard)) {
            ++boxesAnswered;
            Note(what);
            if (saveQuestion) saveBoxes.push_back(what.substr(what.rfind("-> ") + 3));
        }
    } else if (FakeOsPendingSteps() == 0) {
        // The round trip's last step is done: check it before the next action adds its own.
        if (probe) FinishProbe();
        const bool inModal = WindowSystem::GetModalDepth() != 0 || WindowSystem::GetCaptureWindow();
        const bool popupOpen = PopupShown();
        if (actionsLeft && !forceCancel) {
            --actionsLeft;
            ++actionsRun;
            giveUps = 0;
            ReopenExplored(inModal || popupOpen);
            if (!options.roundTrips || inModal || popupOpen || probe || !user.random.Chance(6) || !StartProbe())
                Note(user.ScriptAction());
            // Now and then every window is drawn again, as when another program's window
            // passed over them: a window showing what was freed elsewhere reads it then, not
            // only when an event of its own redraws it.
            if (user.random.Chance(10)) WindowSystem::InvalidateAll();
        } else if (inModal || popupOpen) {
            if (++giveUps > 400) {
                Fail("a modal loop or popup that Escape, clicks outside and its own buttons cannot end");
                fflush(stderr);
                _exit(3);
            }
            user.ScriptGiveUp(giveUps);
            Note("give up " + std::to_string(giveUps) + " on " + FrontDescription());
        } else {
            FakeOsEndStep();
        }
    }
    OsPollEvents();
    PollLocalFolder(false);
    WindowSystem::ProcessAndRender();
    if (FakeOsPendingSteps() == 0) CheckSaves();
    return 1;
}

void Explorer::ReopenExplored(bool busy)
{
    // A closed editor leaves the rest of its tag's actions to the archive browser: now and
    // then the user opens it again, as one at work on that tag would.
    if (busy || !explored.first || !user.random.Chance(4)) return;
    TagEntry* entry = FindTag(explored.first, explored.second);
    if (!entry || OpenEditorOf(entry)) return;
    Note("open again " + TagName(entry));
    // Undo starts over in the new editor: undoing goes back to what the tag holds now.
    reopening = SnapshotTags();
    OpenTagEditor(entry);
}

namespace {

// The tag data the editor would save now, or false for an editor without a data writer.
bool EditorBytes(TagEdit* editor, std::vector<u8>* out)
{
    TagEntry* entry = editor->GetEntry();
    if (!entry) return false;
    TagHeader header;
    GetTagHeader(entry, &header);
    header.offset = 0;  // an archived copy's offset is its place in the archive
    FILE* f = tmpfile();
    if (!f) return false;
    const bool ok = editor->WriteTagData(f, &header) != 0;
    const long size = ftell(f);
    out->assign(size > 0 ? size_t(size) : 0, 0);
    rewind(f);
    const bool read = out->empty() || fread(out->data(), 1, out->size(), f) == out->size();
    fclose(f);
    return ok && read;
}

std::map<TagEdit*, std::vector<u8>> OpenEditorBytes()
{
    std::map<TagEdit*, std::vector<u8>> out;
    for (Window* w = WindowSystem::GetLayerRoot(0)->GetFirstChild(); w; w = w->GetNextSibling())
        if (TagEdit* e = dynamic_cast<TagEdit*>(w)) {
            std::vector<u8> bytes;
            if (EditorBytes(e, &bytes)) out[e] = std::move(bytes);
        }
    return out;
}

// Whether w (which may have been freed: it is only compared) is shown below root.
bool IsShownWindow(Window* root, Window* w)
{
    for (Window* c = root ? root->GetFirstChild() : nullptr; c; c = c->GetNextSibling())
        if (c->IsVisible() && (c == w || IsShownWindow(c, w))) return true;
    return false;
}

// The check boxes and editable text boxes shown in the window.
void ProbeableBoxes(Window* w, std::vector<Window*>* out)
{
    for (Window* c = w->GetFirstChild(); c; c = c->GetNextSibling()) {
        if (!c->IsVisible()) continue;
        const Rect r = c->GetFrameRect();
        if (r.right - r.left < 4 || r.bottom - r.top < 4) continue;
        if (dynamic_cast<CheckBox*>(c)) out->push_back(c);
        else if (TextBox* t = dynamic_cast<TextBox*>(c)) {
            if (t->IsEditable()) out->push_back(c);
        } else ProbeableBoxes(c, out);
    }
}

std::string BoxText(Window* box)
{
    String text;
    if (TextBox* t = dynamic_cast<TextBox*>(box)) t->GetText(&text);
    return text.c_str();
}

}  // namespace

bool Explorer::StartProbe()
{
    // The boxes of the window in front that is not the archive browser or the log.
    Window* front = nullptr;
    for (Window* w = WindowSystem::GetLayerRoot(0)->GetFirstChild(); w && !front; w = w->GetNextSibling())
        if (w->IsVisible() && !dynamic_cast<ArchiveBrowser*>(w) && !dynamic_cast<MessageLogWindow*>(w)) front = w;
    if (!front) return false;
    std::vector<Window*> boxes;
    ProbeableBoxes(front, &boxes);
    if (boxes.empty()) return false;
    std::unique_ptr<Probe> p(new Probe);
    p->box = boxes[user.random.Below(u32(boxes.size()))];
    // The box takes the focus first (as by Tab): a field that stores its text when it loses
    // the focus does so now, before the round trip, not inside it.
    // What the last action started (a colour dialog a click opened) ends before, too.
    Window::SetFocus(p->box, FOCUS_PROGRAM);
    for (int i = 0; i < 3; ++i) {
        OsPollEvents();
        WindowSystem::ProcessAndRender();
    }
    if (WindowSystem::GetModalDepth() || !IsShownWindow(WindowSystem::GetLayerRoot(0), p->box)) return false;
    p->before = OpenEditorBytes();
    if (p->before.empty()) return false;
    CheckBox* check = dynamic_cast<CheckBox*>(p->box);
    const Rect r = p->box->GetFrameRect();
    // A check box takes clicks on its label too; its box is at the left.
    const s32 x = check ? r.left + 6 : (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
    const std::string where = std::string(front->GetClassName()) + " '" + (front->GetTitle() ? front->GetTitle() : "") +
                              "' " + p->box->GetClassName() + " '" + (p->box->GetTitle() ? p->box->GetTitle() : "") +
                              "' at " + std::to_string(x) + "," + std::to_string(y);
    // The point must reach the box: another window (a popup, a sibling) may cover it.
    u32 part = 0;
    Window* hit = WindowSystem::FindWindowAt(WindowSystem::GetLayerRoot(-1)->GetFirstChild(), Point{x, y}, &part);
    if (hit != p->box) return false;
    p->checked = check && check->IsChecked();
    p->text = BoxText(p->box);
    p->boxesAnswered = boxesAnswered;
    p->dialogs = FakeOsDialogCount();
    // The mouse moves there in a step of its own: a press goes to the window the mouse was
    // last seen over, which a move in the same step has not updated yet.
    FakeOsMousePos(x, y);
    FakeOsEndStep();
    if (check) {
        for (int i = 0; i < 2; ++i) {
            FakeOsMouseButton(0, LIBACTION_PRESS);
            FakeOsMouseButton(0, LIBACTION_RELEASE);
            FakeOsEndStep();
        }
        p->what = "clicked twice: " + where;
    } else {
        // The box has the focus already: no click, whose press would start the box's
        // selection loop, inside which the next actions would run before the check.
        FakeOsKey(LIBKEY_END, LIBACTION_PRESS);
        FakeOsKey(LIBKEY_END, LIBACTION_RELEASE);
        FakeOsEndStep();
        const u32 n = 1 + user.random.Below(3);
        std::string typed;
        for (u32 i = 0; i < n; ++i) {
            const char c = user.random.Chance(50) ? char('0' + user.random.Below(10)) : char('a' + user.random.Below(26));
            typed += c;
            FakeOsChar(u32(u8(c)), 0);
            FakeOsEndStep();
        }
        for (u32 i = 0; i < n; ++i) {
            FakeOsKey(LIBKEY_BACKSPACE, LIBACTION_PRESS);
            FakeOsKey(LIBKEY_BACKSPACE, LIBACTION_RELEASE);
            FakeOsEndStep();
        }
        p->what = "typed '" + typed + "' and erased it: " + where;
    }
    ++probesRun;
    Note("probe: " + p->what);
    probe = std::move(p);
    return true;
}

void Explorer::FinishProbe()
{
    std::unique_ptr<Probe> p = std::move(probe);
    // Only a clean round trip counts: no box or native dialog asked anything (a colour button
    // that had the focus opens its dialog on a key of the round trip, and the answer is an
    // edit of its own), the box is still shown and shows
    // what it showed before (a field that rewrites its own text on an edit does not come back).
    if (boxesAnswered != p->boxesAnswered || FakeOsDialogCount() != p->dialogs || WindowSystem::GetModalDepth() ||
        PopupShown())
        return;
    if (!IsShownWindow(WindowSystem::GetLayerRoot(0), p->box)) return;
    CheckBox* check = dynamic_cast<CheckBox*>(p->box);
    if (check ? check->IsChecked() != p->checked : BoxText(p->box) != p->text) return;
    const std::map<TagEdit*, std::vector<u8>> after = OpenEditorBytes();
    // An editor that closed or opened meanwhile: not the round trip of one box.
    if (after.size() != p->before.size()) return;
    for (const auto& b : p->before) {
        auto a = after.find(b.first);
        if (a == after.end()) continue;
        std::string why;
        if (!SameApartFromRecoding(0, b.second, a->second, &why))
            Fail("a box " + p->what + " changed the data of " + TagName(b.first->GetEntry()) + ": " + why);
    }
}

void Explorer::RunScripted()
{
    while (FakeOsPendingSteps()) Step();
    Step();
}

void Explorer::RunActions(u32 count)
{
    actionsLeft = count;
    while (actionsLeft) {
        Step();
        if (!WindowSystem::IsRunning()) {
            // The user quit: the program would end here. Start it again on the same folder.
            Note("quit; starting again");
            Reopen();
        }
    }
    SettleModals();
}

void Explorer::Reopen()
{
    WindowSystem::SetRunning(1);
    if (!GetRootMenu()) {
        // The closed menu window's bar stays in layer 1 until the program ends.
        Window* layer = WindowSystem::GetLayerRoot(1);
        for (Window* w = layer->GetFirstChild(); w; w = w->GetNextSibling())
            if (!strcmp(w->GetClassName(), "Menu")) w->Close();
        WindowSystem::ProcessDeferredDeletes();
        ShowRootMenu();
    }
    ShowArchiveBrowser();
}

void Explorer::SettleModals()
{
    const u32 left = actionsLeft;
    actionsLeft = 0;
    for (u32 i = 0; i < 3 || FakeOsPendingSteps(); ++i) Step();
    // Popups left open outside a modal loop.
    for (u32 i = 0; i < 20 && PopupShown(); ++i) Step();
    actionsLeft = left;
}

void Explorer::CheckSaves()
{
    if (!watch) return;
    for (const std::string& path : watch->Changed()) {
        // The database learns of the file at its next poll.
        PollLocalFolder(true);
        const std::string problem = CheckSavedFile(path);
        Note("saved " + path.substr(game.size()) + (problem.empty() ? "" : ": " + problem));
        if (!problem.empty()) Fail("the saved file " + path + ": " + problem);
    }
}

std::map<TagKey, std::vector<u8>> Explorer::SnapshotTags()
{
    std::map<TagKey, std::vector<u8>> out;
    ScopedDynArray<TagEntry*> all;
    ListAllTags(&all);
    for (TagEntry* e : all) {
        std::vector<u8> bytes;
        if (ReadTagDataBytes(e, &bytes)) out[TagKey(e->group, e->tag)] = std::move(bytes);
    }
    return out;
}

void Explorer::CheckUnchangedSave(TagKey key, const std::map<TagKey, std::vector<u8>>& before, const char* what)
{
    TagEntry* entry = FindTag(key.first, key.second);
    TagEdit* editor = entry ? OpenEditorOf(entry) : nullptr;
    if (!editor || IsViewer(entry->group)) return;
    watch->Changed();
    if (HasNothingToSave(editor)) {
        if (editor->Save()) Fail(std::string(what) + ": " + TagName(entry) + " saved with nothing to save");
        if (!watch->Changed().empty()) Fail(std::string(what) + ": a refused save of " + TagName(entry) + " wrote a file");
        return;
    }
    if (!editor->Save()) {
        Fail(std::string(what) + ": the save of " + TagName(entry) + " failed");
        return;
    }
    for (const std::string& path : watch->Changed()) {
        PollLocalFolder(true);
        const std::string problem = CheckSavedFile(path);
        if (!problem.empty()) Fail("the saved file " + path + ": " + problem);
        u32 group = 0, tag = 0;
        std::vector<u8> saved;
        if (!ReadTagFileData(path, &group, &tag, &saved)) continue;
        TagEntry* written = FindTag(group, tag);
        auto found = before.find(TagKey(group, tag));
        if (!written || found == before.end()) continue;  // a tag the save made
        std::string why;
        if (!SameApartFromRecoding(group, found->second, saved, &why))
            Fail(std::string(what) + ": " + TagName(written) + " saved by the editor of " + TagName(entry) +
                 " changed: " + why);
    }
}

void Explorer::OpenSideWindows(TagEdit* editor)
{
    // A collection's sequence and hue change editors are windows of their own, opened from a
    // row of a page: random clicks seldom open one before the rows are deleted. Half the runs
    // start with some of them open and the editor back on its Bitmaps page, so that deleting,
    // replacing and converting bitmaps happens while other windows show them.
    X256Edit* collection = dynamic_cast<X256Edit*>(editor);
    if (!collection || !user.random.Chance(50)) return;
    auto openRows = [&](ListWindow* page, auto open) {
        for (ListItem* item = page->GetFirstItem(); item; item = item->next)
            if (user.random.Chance(40)) {
                Note(std::string("open a row of ") + page->GetClassName());
                open(item);
            }
    };
    openRows(collection->GetSequencesPage(), [&](ListItem* i) { collection->GetSequencesPage()->OpenSequenceEdit(i); });
    openRows(collection->GetHueChangesPage(), [&](ListItem* i) { collection->GetHueChangesPage()->OpenHueEdit(i); });
    RunScripted();
    if (user.random.Chance(50)) {
        collection->BringToFront();
        collection->GetTabs()->SelectTab(0);
    }
    RunScripted();
}

void Explorer::ExploreTag(TagKey key, u32 actions)
{
    TagEntry* entry = FindTag(key.first, key.second);
    if (!entry) {
        Note("gone: " + GroupText(key.first) + " " + std::to_string(key.second));
        return;
    }
    const std::string name = TagName(entry);
    // The actions on the tag before may have opened and edited this one: its checks start
    // from a fresh editor on the bytes as saved.
    if (TagEdit* left = OpenEditorOf(entry)) {
        Note("close the editor left open on " + name);
        left->SetModified(0);
        left->Close();
        WindowSystem::ProcessDeferredDeletes();
        RunScripted();
    }
    Note("open " + name);
    const std::map<TagKey, std::vector<u8>> opening = SnapshotTags();
    bool startedEmpty = false;
    TagEdit* editor = OpenTagEditor(entry);
    RunScripted();
    if (!editor || !OpenEditorOf(entry)) {
        Note("not opened: " + name);
    } else {
        // Walking the focus through every field without typing edits nothing (in a text
        // editor Tab is a character).
        for (u32 i = 0; i < (HasUndo(entry->group) ? 0u : 12u); ++i) {
            FakeOsKey(LIBKEY_TAB, LIBACTION_PRESS);
            FakeOsKey(LIBKEY_TAB, LIBACTION_RELEASE);
            FakeOsEndStep();
        }
        RunScripted();
        startedEmpty = HasNothingToSave(editor);
        CheckUnchangedSave(key, opening, "opened, tabbed through and saved without edits");
        if (TagEdit* open = OpenEditorOf(entry)) OpenSideWindows(open);
    }
    explored = key;
    reopening.clear();
    RunActions(actions);
    explored = TagKey(0, 0);
    if (HasUndo(key.first)) CheckUndo(key, reopening.empty() ? opening : reopening, startedEmpty);
    CloseEverything(true);
}

void Explorer::CheckUndo(TagKey key, const std::map<TagKey, std::vector<u8>>& opening, bool startedEmpty)
{
    TagEntry* entry = FindTag(key.first, key.second);
    TagEdit* editor = entry ? OpenEditorOf(entry) : nullptr;
    if (!editor) return;
    // Rounds of Ctrl+Z until the data stops changing (a long run makes thousands of steps);
    // an editor without a data writer (the terrain's saves its detail map) gets ten rounds.
    std::vector<u8> last;
    bool hasBytes = EditorBytes(editor, &last);
    for (u32 round = 0; round < (hasBytes ? 40u : 10u); ++round) {
        editor->BringToFront();
        Window::SetFocus(editor, FOCUS_PROGRAM);
        for (u32 i = 0; i < 200; ++i) {
            FakeOsKey(LIBKEY_LEFT_CONTROL, LIBACTION_PRESS);
            FakeOsKey(LIBKEY_Z, LIBACTION_PRESS);
            FakeOsKey(LIBKEY_Z, LIBACTION_RELEASE);
            FakeOsKey(LIBKEY_LEFT_CONTROL, LIBACTION_RELEASE);
            FakeOsEndStep();
        }
        forceCancel = true;
        RunScripted();
        forceCancel = false;
        entry = FindTag(key.first, key.second);
        if (!entry || OpenEditorOf(entry) != editor) return;
        std::vector<u8> now;
        if (hasBytes && EditorBytes(editor, &now) && now == last) break;
        last.swap(now);
    }
    // A terrain opened without a fitting detail map that has one now made it new: undo does
    // not take that back, and its save replaces the other map of that id (the editor warned
    // when it opened). The save is still checked; the bytes are not compared.
    static const std::map<TagKey, std::vector<u8>> kNothing;
    CheckUnchangedSave(key, startedEmpty && !HasNothingToSave(editor) ? kNothing : opening,
                       "undone back to the start and saved");
}

int Explorer::CloseAllWindows()
{
    // As Window > Close All Windows: every window but the menu bar's own, front to back, each
    // asked; a refusal stops.
    // Closing one window may close others (an editor's own windows): look again each time.
    for (u32 guard = 0; guard < 10000; ++guard) {
        Window* next = nullptr;
        for (Window* w = WindowSystem::GetLayerRoot(0)->GetFirstChild(); w && !next; w = w->GetNextSibling())
            if (w != GetRootMenu() && w->GetState() != WS_CLOSED) next = w;
        if (!next) return 1;
        if (!next->CanClose(0)) return 0;
        next->Close();
        WindowSystem::ProcessDeferredDeletes();
    }
    return 0;
}

void Explorer::CloseEverything(bool randomAnswers)
{
    // As Close All Windows: each window asked in turn, boxes answered at random; a window kept
    // open by Cancel is asked again with every box cancelled... and then closed for good.
    std::vector<TagEdit*> modified;
    for (Window* w = WindowSystem::GetLayerRoot(0)->GetFirstChild(); w; w = w->GetNextSibling())
        if (TagEdit* e = dynamic_cast<TagEdit*>(w))
            if (e->IsModified()) modified.push_back(e);
    saveBoxes.clear();
    forceCancel = !randomAnswers;
    actionsLeft = 0;
    const int closedAll = CloseAllWindows();
    forceCancel = false;
    SettleModals();
    const bool cancelled = std::find(saveBoxes.begin(), saveBoxes.end(), "Cancel") != saveBoxes.end();
    if (!modified.empty() && saveBoxes.empty())
        Fail("closing every window with " + std::to_string(modified.size()) + " modified editors asked nothing");
    if (cancelled && closedAll) Fail("Cancel in a \"Save?\" box did not stop closing every window");
    // Whatever is left goes without saving: editors forget their changes, and the windows
    // that ask by themselves (a tag info window with a changed name) hear Discard.
    for (Window* w = WindowSystem::GetLayerRoot(0)->GetFirstChild(); w; w = w->GetNextSibling())
        if (TagEdit* e = dynamic_cast<TagEdit*>(w)) e->SetModified(0);
    forceCancel = forceDiscard = true;
    const int closedLeft = CloseAllWindows();
    forceCancel = forceDiscard = false;
    SettleModals();
    for (int i = 0; i < 3; ++i) Step();
    if (!closedLeft) Fail("a window refused to close with its changes discarded: " + FrontDescription());
    if (CountTagAttachments() != 0) {
        std::string left;
        ScopedDynArray<TagEntry*> all;
        ListAllTags(&all);
        for (TagEntry* e : all)
            for (u32 i = 0; i < GetTagAttachmentCount(e); ++i) {
                u32 key = 0;
                void* object = nullptr;
                GetTagAttachment(e, i, &key, &object);
                left += " " + TagName(e) + " (" + GroupText(key) + ")";
            }
        Fail(std::to_string(CountTagAttachments()) + " attachments to tags are left after every window closed:" + left);
    }
    Reopen();
    Step();
}

void Explorer::ExploreShellWindow(u32 actions)
{
    const std::string& t = options.target;
    ScopedDynArray<TagEntry*> all;
    ListAllTags(&all);
    if (t == "browser" || t == "menus") {
        ShowArchiveBrowser();
    } else if (t == "taginfo") {
        for (u32 i = 0; i < all.count && i < 4; ++i) OpenTagInfoWindow(all[user.random.Below(all.count)]);
    } else if (t == "logviewer") {
        LogMessage(0, "Explore", "a message for the log window");
        ShowLogWindow();
    }
    RunScripted();
    const u32 rounds = t == "builders" || t == "addons" ? 4 : 1;
    for (u32 r = 0; r < rounds; ++r) {
        // The builders' and add-ons' dialogs run their own modal loops: part of the round's
        // actions go to them from inside.
        actionsLeft = actions / rounds / 2;
        if (t == "builders") {
            Note("Build Standard Collection / Build High-Res Collection");
            if (r % 2 == 0) OpenBuildCollectionDialog();
            else OpenUpResDialog();
        } else if (t == "addons") {
            Note("Build Regular Add-on / Build Dtex Add-on");
            if (r % 2 == 0) BuildRegularAddon();
            else BuildDtexAddon();
        }
        RunActions(actionsLeft ? actionsLeft : actions / rounds / 2);
        CloseEverything(true);
    }
}

void Explorer::CheckQuit()
{
    // Open a few editors, edit them at random, then quit through the window's close request.
    ScopedDynArray<TagEntry*> all;
    ListAllTags(&all);
    for (u32 i = 0; i < 3 && all.count; ++i) OpenTagEditor(all[user.random.Below(all.count)]);
    RunScripted();
    RunActions(30);
    std::vector<std::pair<TagKey, std::vector<u8>>> modified;
    for (Window* w = WindowSystem::GetLayerRoot(0)->GetFirstChild(); w; w = w->GetNextSibling())
        if (TagEdit* e = dynamic_cast<TagEdit*>(w))
            if (e->IsModified() && e->GetEntry()) {
                std::vector<u8> bytes;
                ReadTagDataBytes(e->GetEntry(), &bytes);
                modified.emplace_back(TagKey(e->GetEntry()->group, e->GetEntry()->tag), bytes);
            }
    saveBoxes.clear();
    watch->Changed();
    Note("quit with " + std::to_string(modified.size()) + " modified editors");
    FakeOsCloseRequest();
    FakeOsEndStep();
    RunScripted();
    SettleModals();
    const bool quit = !WindowSystem::IsRunning();
    const bool cancelled = std::find(saveBoxes.begin(), saveBoxes.end(), "Cancel") != saveBoxes.end();
    if (quit && cancelled) Fail("the program quit although a \"Save?\" box was answered Cancel");
    if (quit && !modified.empty() && saveBoxes.empty()) Fail("the program quit with modified editors without asking");
    if (quit) {
        for (auto& m : modified) {
            TagEntry* e = FindTag(m.first.first, m.first.second);
            if (e && OpenEditorOf(e)) Fail("the program quit with the editor of " + TagName(e) + " still open");
        }
        TagEntry* only = modified.size() == 1 ? FindTag(modified[0].first.first, modified[0].first.second) : nullptr;
        if (only && std::find(saveBoxes.begin(), saveBoxes.end(), "Discard") != saveBoxes.end() &&
            std::find(saveBoxes.begin(), saveBoxes.end(), "Save") == saveBoxes.end()) {
            std::vector<u8> after;
            ReadTagDataBytes(only, &after);
            if (after != modified[0].second) Fail("Discard on quitting changed " + TagName(only));
        }
        return;
    }
    CloseEverything(false);
}

int Explorer::Run()
{
    g_explorer = this;
    fprintf(stderr, "explore: %s\n", ReplayLine().c_str());
    if (chdir(TestBinaryDir()) != 0 || !SetUpGame()) {
        fprintf(stderr, "explore: the game folder could not be set up\n");
        return 1;
    }
    if (!MakeOffscreenGLContext()) fprintf(stderr, "explore: no OpenGL context; textures are not made\n");
    ResetPrefs();
    RegisterPreferenceDefaults();
    SetVornPath(game.c_str());
    SetHighlightTablePath((root + "/res/dtex.act").c_str());
    font = ReadFontFile("res/dravell.tavikfont");
    LoadCharmap("charmap");
    InstallCodexFileRecognizers();
    LoadXmlDefinitions("res");
    RegisterStructEditors();
    RegisterTagEditors();
    StartShell();
    watch.reset(new LocalFolderWatch(game + "local"));
    std::vector<TagEntry*> edges = WriteEdgeTags();
    PollLocalFolder(true);
    RememberStartingTags();
    watch->Changed();
    RunScripted();

    const std::string& t = options.target;
    if (IsShellTarget(t)) {
        ExploreShellWindow(options.actions);
    } else {
        const u32 group = t.size() == 4 ? GroupCode(t.c_str()) : 0;
        const TagGroup* row = GetTagGroup(group);
        if (!row || !row->editor_factory) {
            fprintf(stderr, "explore: no editor or shell window '%s'\n", t.c_str());
            return 1;
        }
        user.SetPreferred([](Window* w) {
            return !dynamic_cast<ArchiveBrowser*>(w) && !dynamic_cast<MessageLogWindow*>(w);
        });
        ScopedDynArray<TagEntry*> tags;
        ListGroupTags(group, &tags);
        std::vector<TagKey> list;
        for (TagEntry* e : tags) list.emplace_back(e->group, e->tag);
        for (TagEntry* e : edges)
            if (e->group == group && std::find(list.begin(), list.end(), TagKey(e->group, e->tag)) == list.end())
                list.emplace_back(e->group, e->tag);
        const u32 per = std::max<u32>(1, options.actions / std::max<u32>(1, u32(list.size())));
        for (TagKey key : list) ExploreTag(key, per);
    }
    CheckQuit();
    fprintf(stderr, "explore: %u actions, %u round trips through one box, %u faults: %s\n", actionsRun, probesRun,
            failures, ReplayLine().c_str());
    StopShell();
    FreeFont(font);
    font = nullptr;
    SetHighlightTablePath(nullptr);
    FreeFileKindTable();
    DestroyOffscreenGLContext();
    g_explorer = nullptr;
    return int(failures);
}
