#pragma once
// The menu bar: the commands that reach every tool of the program.
#include "foundation/DynArray.h"
#include "gui/Menu.h"
#include "gui/Window.h"

enum : s32 {
    kCmdExit = 10000,
    kCmdAddArchives = 10001,
    kCmdNewCollection = 10002,
    kCmdNewDtexFromFile = 13000,
    kCmdNewDtexFromClipboard = 13001,
    kCmdImportModel = 10003,
    kCmdNewScript = 10004,
    kCmdArchiveBrowser = 10200,
    kCmdLogViewer = 10201,
    kCmdReloadLocalFolder = 10202,
    kCmdReloadPluginsFolder = 10203,
    kCmdChooseVornFolder = 10204,
    kCmdBuildDtexAddon = 10205,
    kCmdBuildRegularAddon = 10206,
    kCmdRecursiveImageConversion = 10208,
    kCmdBuildStandardCollection = 10209,
    kCmdBuildHighResCollection = 10210,
    kCmdWindowMenu = 10300,
    kCmdCloseAllWindows = 10301,
    kCmdFirstListedWindow = 10302,
    kCmdWindowSpy = 11000,
    kCmdAbout = 12000,
};

class RootMenu : public Window {
public:
    RootMenu();
    ~RootMenu() override;
    // Stores the new screen size as "OsWindowSizeX"/"OsWindowSizeY" on the screen-resized
    // event addressed to this window.
    int HandleEvent(Window* target, u32 type, Event* event) override;

    void OnCommand(MenuItem* item);
    void PopulateWindowMenu(MenuItem* item);

    Menu* bar;
    MenuItem* fileMenu;
    MenuItem* toolsMenu;
    MenuItem* windowMenu;
    MenuItem* debugMenu;
    MenuItem* helpMenu;
    DynArray<Window*> windows;  // the windows listed in the Window menu
};

// Creates the menu bar once and installs it; later calls only install it again.
RootMenu* ShowRootMenu();
RootMenu* GetRootMenu();

// The command "Add Archives": several archive files chosen and added to the active set.
void AddArchivesCommand();
// The command "Reload Plugins Folder": the browser closed, every archive not in use unloaded,
// the game folder scanned again and the browser shown (which restores the working set).
void ReloadPluginsFolder();

// The command "Recursive Image Conversion".
void ConvertImagesInFolder();
// Converts one file to the target format (Alpha Only mode: to 8-bit alpha, with ".alpha" in
// its name); the source stays. Answers 1 when a file was written.
int ConvertImageFile(const char* path, u32 targetFormat, u32 alphaOnly);
// The command "New Model From LWO": asks for a LightWave object ("Import Model"), imports it
// as model tags named after the file and opens the new geometry's editor.
void ImportModelCommand();
