#include "app/RootMenu.h"

#include "app/AddonCommands.h"
#include "app/NewDetailTexture.h"
#include "app/Shell.h"
#include "app/SplashScreen.h"
#include "codex/Archive.h"
#include "codex/Codex.h"
#include "codex/LocalFolder.h"
#include "collection/ui/AutoCollectionDialog.h"
#include "collection/ui/AutoUpResDialog.h"
#include "foundation/PrefStore.h"
#include "gui/MessageBox.h"
#include "gui/MessageLogWindow.h"
#include "gui/WindowSystem.h"
#include "gui/WindowView.h"
#include "model/ModelImport.h"
#include "platform/FileDialogs.h"
#include "tagedit/TagEdit.h"
#include "tagedit/ArchiveBrowser.h"

namespace {

RootMenu* gRootMenu;

// The Window menu's item ids stop short of the next command range.
constexpr u32 kMaxListedWindows = 98;

// The list is taken when the Window menu opens; a window may have closed (and been deleted)
// since, or be closed by another one's close question. Only the pointer is compared, so a
// stale one is never touched.
Window* LiveListedWindow(Window* listed)
{
    Window* layer = WindowSystem::GetLayerRoot(0);
    for (Window* w = layer ? layer->GetFirstChild() : nullptr; w; w = w->GetNextSibling())
        if (w == listed) return w->GetState() == WS_CLOSED ? nullptr : w;
    return nullptr;
}

}  // namespace

RootMenu::RootMenu() : Window(0, nullptr)
{
    SetTitle("TavikRootMenu");
    bar = new Menu(1);
    fileMenu = bar->AddItem("File", nullptr, 0, 1);
    toolsMenu = bar->AddItem("Tools", nullptr, 0, 1);
    windowMenu = bar->AddItem("Window", nullptr, kCmdWindowMenu, 1);
    debugMenu = bar->AddItem("Debug", nullptr, 0, 1);
    helpMenu = bar->AddItem("Help", nullptr, 0, 1);

    bar->AddItem("Add Archives", fileMenu, kCmdAddArchives, 1);
    bar->AddItem("New Collection", fileMenu, kCmdNewCollection, 1);
    bar->AddItem("New Detail Texture From Image File", fileMenu, kCmdNewDtexFromFile, 1);
    bar->AddItem("New Detail Texture From Clipboard", fileMenu, kCmdNewDtexFromClipboard, 1);
    bar->AddItem("New Model From LWO", fileMenu, kCmdImportModel, 1);
    bar->AddItem("New Script", fileMenu, kCmdNewScript, 1);
    bar->AddSeparator(fileMenu);
    bar->AddItem("Exit", fileMenu, kCmdExit, 1);

    bar->AddItem("Reload Local Folder", toolsMenu, kCmdReloadLocalFolder, 1);
    bar->AddItem("Reload Plugins Folder", toolsMenu, kCmdReloadPluginsFolder, 1);
    bar->AddItem("Choose Vorn Folder", toolsMenu, kCmdChooseVornFolder, 1);
    bar->AddItem("Archive Browser", toolsMenu, kCmdArchiveBrowser, 1);
    bar->AddItem("Log Viewer", toolsMenu, kCmdLogViewer, 1);
    bar->AddSeparator(toolsMenu);
    bar->AddItem("Build Dtex Add-on", toolsMenu, kCmdBuildDtexAddon, 1);
    bar->AddItem("Build Regular Add-on", toolsMenu, kCmdBuildRegularAddon, 1);
    bar->AddItem("Recursive Image Conversion", toolsMenu, kCmdRecursiveImageConversion, 1);
    bar->AddItem("Build Standard Collection", toolsMenu, kCmdBuildStandardCollection, 1);
    bar->AddItem("Build High-Res Collection", toolsMenu, kCmdBuildHighResCollection, 1);

    bar->AddItem("Close All Windows", windowMenu, kCmdCloseAllWindows, 1);
    bar->AddItem("Window Spy", debugMenu, kCmdWindowSpy, 1);
    bar->AddItem("About Tavik...", helpMenu, kCmdAbout, 1);

    bar->itemChosen.Connect<&RootMenu::OnCommand>(this);
    bar->itemOpening.Connect<&RootMenu::PopulateWindowMenu>(this);
}

RootMenu::~RootMenu()
{
    windows.Free();
    if (gRootMenu == this) gRootMenu = nullptr;
}

int RootMenu::HandleEvent(Window* target, u32 type, Event* event)
{
    if (type == EVENT_SCREENRESIZED && target == this) {
        SetPrefInt("OsWindowSizeX", event->data[0]);
        SetPrefInt("OsWindowSizeY", event->data[1]);
    }
    return Window::HandleEvent(target, type, event);
}

// The log tells what went wrong when no tag results.
void ImportModelCommand()
{
    FileRecord record;
    if (!OpenFileDialog("Import Model", &record, kFileKindModel, nullptr)) return;
    String folder, name, extension;
    SplitPath(record.path.c_str(), &folder, &name, &extension);
    if (TagEntry* entry = ImportModel(record.path.c_str(), folder.c_str(), name.c_str())) OpenTagEditor(entry);
}

static void ChooseVornFolder()
{
    if (CountTagAttachments() >= 1) {
        ShowMessageBox("Error", "Please close all open tags first.", "OK", nullptr);
        return;
    }
    char game[4096];
    GetGameFolder(game, sizeof game);
    String folder(game);
    if (!ChooseFolderDialog("Select your Vorn folder", &folder, nullptr, kFileKindAny, nullptr)) return;
    SetVornPath(folder.c_str());
    StartCodex();
}

void AddArchivesCommand()
{
    ScopedDynArray<FileRecord*> records;
    if (!OpenMultipleFilesDialog("Select Archives", nullptr, &records, kFileKindArchive, nullptr)) return;
    ScopedDynArray<String> paths;
    for (FileRecord* r : records) paths.Push(String(r->path.c_str()));
    records.DeleteAll();
    if (!GetArchiveBrowser()) ShowArchiveBrowser();
    AddArchives(paths);
}

void ReloadPluginsFolder()
{
    CloseArchiveBrowser();
    UnloadAllArchives();
    RescanGameFolder();
    ShowArchiveBrowser();
}

void RootMenu::OnCommand(MenuItem* item)
{
    if (!item) return;
    s32 id = s32(item->GetId());
    switch (id) {
    case kCmdExit: WindowSystem::RequestQuit(); return;
    case kCmdNewDtexFromFile: NewDetailTextureCommand(false); return;
    case kCmdNewDtexFromClipboard: NewDetailTextureCommand(true); return;
    case kCmdImportModel: ImportModelCommand(); return;
    case kCmdNewCollection: NewTagDialog(FourCC(".256")); return;
    case kCmdNewScript: NewTagDialog(FourCC("scri")); return;
    case kCmdReloadLocalFolder: PollLocalFolder(true); return;
    case kCmdAddArchives: AddArchivesCommand(); return;
    case kCmdReloadPluginsFolder: ReloadPluginsFolder(); return;
    case kCmdArchiveBrowser: ShowArchiveBrowser(); return;
    case kCmdChooseVornFolder: ChooseVornFolder(); return;
    case kCmdLogViewer: ShowLogWindow(); return;
    case kCmdBuildDtexAddon: BuildDtexAddon(); return;
    case kCmdBuildRegularAddon: BuildRegularAddon(); return;
    case kCmdRecursiveImageConversion: ConvertImagesInFolder(); return;
    case kCmdBuildStandardCollection: OpenBuildCollectionDialog(); return;
    case kCmdBuildHighResCollection: OpenUpResDialog(); return;
    case kCmdCloseAllWindows:
        for (u32 i = 0; i < windows.count; ++i) {
            Window* w = LiveListedWindow(windows[i]);
            if (w && w->TestFlags(WF_CLOSEBOX) && !w->TryClose(1)) break;
        }
        return;
    case kCmdWindowSpy: ShowWindowSpy(); return;
    case kCmdAbout: ShowAboutBox(); return;
    default: break;
    }
    if (id >= kCmdFirstListedWindow && u32(id - kCmdFirstListedWindow) < windows.count) {
        Window* w = LiveListedWindow(windows[u32(id - kCmdFirstListedWindow)]);
        if (!w) return;
        w->BringToFront();
        Window::SetFocus(w, FOCUS_PROGRAM);
    }
}

void RootMenu::PopulateWindowMenu(MenuItem* item)
{
    if (!item || item != windowMenu) return;
    while (MenuItem* child = windowMenu->FirstItem()) delete child;
    bar->AddItem("Close All Windows", windowMenu, kCmdCloseAllWindows, 1);
    windows.ResizeRaw(0);
    Window* layer = WindowSystem::GetLayerRoot(0);
    for (Window* w = layer ? layer->GetFirstChild() : nullptr; w && windows.count < kMaxListedWindows;
         w = w->GetNextSibling()) {
        if (!w->IsVisible() || w == this) continue;
        const char* title = w->GetTitle();
        bar->AddItem(title && *title ? title : "(untitled)", windowMenu, s32(kCmdFirstListedWindow + windows.count), 1);
        windows.Push(w);
    }
}

RootMenu* ShowRootMenu()
{
    if (!gRootMenu) gRootMenu = new RootMenu();
    WindowSystem::SetMenuBar(gRootMenu->bar);
    return gRootMenu;
}

RootMenu* GetRootMenu() { return gRootMenu; }
