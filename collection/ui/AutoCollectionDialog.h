#pragma once
// AutoCollectionDialog: the dialog "Build Standard Collection" that asks for the new
// collection's name, optional tag id, source folder, registration point and the two source
// options, kept in the preferences under "AutoCollectionDialog.<field>". Its OK checks the
// fields and settles the questions about collections it would replace; the build itself runs
// once the dialog is gone (RunCollectionBuild), so the log page it fills stays in view.
#include "collection/CollectionBuilder.h"
#include "foundation/String.h"
#include "gui/DialogWindow.h"
#include "gui/TextBox.h"

struct TagEntry;

class AutoCollectionDialog : public DialogWindow {
public:
    // Lays out the fields and loads the settings; not shown.
    AutoCollectionDialog();
    ~AutoCollectionDialog() override;
    const char* GetClassName() const override;

    // In order, each failure an "Error" box after which the dialog stays: the folder must
    // exist, the name must not be empty, X and Y must be integers from -4096 to 4096. Then the
    // settings are saved and a local collection the build would replace (same tag id, or same
    // file name) is confirmed with "Overwrite Tag?"; "Don't Overwrite" keeps the dialog open.
    // Nothing is deleted here: the builder replaces the old file only once the new one is
    // written. Accepted, the request holds the build's arguments.
    bool OnOK() override;
    // The "..." button: the folder picker "Choose Collection Folder", its choice into the field.
    void ChooseFolder();
    void SaveOrLoadSettings(bool save);

    // Fields, in this order.
    TextBox* nameBox;    // at most 31 characters
    TextBox* tagIdBox;   // at most 4 characters; empty derives the id from the name
    TextBox* folderBox;
    Button* browseButton;
    TextBox* xBox;
    TextBox* yBox;
    CheckBox* invertBox;
    CheckBox* framesThenViewsBox;
    // What OK accepted; the strings back the request's pointers.
    String name;
    String folder;
    BuildCollectionArgs request;
};

// The tag id typed in a tag id field: four characters, the first in the high byte (shorter
// text padded with blanks); kNoTagId for an empty field.
u32 TagIdFromField(const char* text);

// The command "Build Standard Collection": runs the dialog modally and closes it; after OK
// builds the collection and opens it in its editor.
void OpenBuildCollectionDialog();

// Builds an accepted request. The build draws a frame after each image (the log page grows
// meanwhile); input that arrives during it is dropped and a quit request waits for its end.
// A failure shows "Error" "Failed to create the new collection." (or, when the tag could not
// be made, "Could not create the collection tag '<name>'; it may already exist."); success
// opens the new collection's editor. Answers the written tag, or null.
TagEntry* RunCollectionBuild(const BuildCollectionArgs& args);
