#pragma once
// AddonPopup: the dialog "Build Add-on plugin" that asks for an add-on's name, address and
// load priority, with a help text about the priority.
#include "gui/DialogWindow.h"
#include "gui/TextBox.h"

class AddonPopup : public DialogWindow {
public:
    // Lays out the four rows with their first contents; not shown.
    AddonPopup();
    ~AddonPopup() override;

    // Fields, in this order.
    TextBox* nameBox;      // at most 31 characters
    TextBox* urlBox;       // at most 63 characters
    TextBox* priorityBox;  // an integer
    TextBox* helpBox;      // read-only
};

// The add-on's fields as typed in the dialog.
struct AddonFields {
    String name;
    String url;
    u32 priority;
};

// Shows the dialog centred and modal and closes it afterwards. True only when OK was pressed
// and every field is valid: a non-empty name and URL and a priority from 2 to 32767. Invalid
// fields are named in an "Error" box ("The following fields are invalid: ..."); Cancel
// answers false without a message.
bool AskAddonFields(AddonFields* out);
