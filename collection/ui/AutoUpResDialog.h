#pragma once
// AutoUpResDialog: the dialog "Build High-Res Collection" that picks a collection, the folder
// of its renderings, the target and object scales, the scale tolerance and the three options;
// its "Create" button makes the folder layout the build reads. Keeps no preferences. As with
// the standard builder, the build runs once the dialog is gone (RunUpResBuild).
#include "collection/UpResBuilder.h"
#include "foundation/String.h"
#include "gui/DialogWindow.h"
#include "gui/TextBox.h"

class CodexGroupBox;

class AutoUpResDialog : public DialogWindow {
public:
    // Lays out the fields with their first values (2.0, 0.05, 1.0); not shown.
    AutoUpResDialog();
    ~AutoUpResDialog() override;
    const char* GetClassName() const override;

    // In order, each failure an "Error" box after which the dialog stays: a collection must
    // be chosen, the folder must exist, the target scale must lie in 0.01..32 ("Invalid
    // scale."), the object scale in 0..32 with target x object at least 0.01 ("Invalid object
    // scale."), the tolerance in 0..32 ("Invalid tolerance."). A collection only in the local
    // folder is refused ("Cannot Up-Res a collection from the local folder."); one with a
    // local copy beside its archive copy is confirmed with "Overwrite Tag?" and then built
    // from the archive copy, its local file replaced only once the new one is written.
    // Accepted, the request holds the build's arguments.
    bool OnOK() override;
    // The "..." button: the folder picker "Choose High-Res Folder", its choice into the field.
    void ChooseFolder();
    // The "Create" button: reads the chosen collection, asks for a location ("Choose High-Res
    // Folder Location") and makes there the collection's folder with one folder per
    // sequence. "You must pick a collection first." without a choice, "The specified
    // collection could not be loaded." when it cannot be read, "The high-res folders could
    // not be created." when a folder cannot be made.
    void CreateUpResFolders();

    // Fields, in this order.
    CodexGroupBox* chooser;  // collections with a winning copy
    TextBox* folderBox;
    Button* createButton;
    Button* browseButton;
    TextBox* targetBox;
    TextBox* toleranceBox;
    TextBox* objectBox;
    CheckBox* alignBox;
    CheckBox* invertBox;
    CheckBox* framesThenViewsBox;
    // What OK accepted; folder backs the request's folder.
    String folder;
    UpResArgs request;
};

// The command "Build High-Res Collection": runs the dialog modally and closes it; after OK
// runs the build.
void OpenUpResDialog();

// Runs an accepted request: a frame is drawn after each rendering (the log page grows
// meanwhile); input that arrives during it is dropped and a quit request waits for its end.
// What went wrong is in the run's log page. Answers 1 when the collection was written.
int RunUpResBuild(const UpResArgs& args);
