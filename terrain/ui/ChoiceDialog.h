#pragma once
// ChoiceDialog: a list to choose from under a band with a highlight colour and a description,
// used as "Edit Detail Texture Attributes" for one detail material's entry.
#include "codex/DetailMap.h"
#include "gui/DialogWindow.h"

class ColorButton;
class ListWindow;
class TextBox;
struct ListItem;

class ChoiceDialog : public DialogWindow {
public:
    // The list, the labels "Highlight Color:" and "Description:" with their colour button and
    // text box (31 characters) in a 56-pixel band above it; content 384 x 248. Not shown.
    ChoiceDialog();
    ~ChoiceDialog() override;
    const char* GetClassName() const override { return "ChoiceDialog"; }
    void Resized() override;
    void DrawContent() override {}

    // Activating a row accepts the dialog.
    void OnRowActivated(ListItem* row);

    ListWindow* list;
    ColorButton* colorButton;
    TextBox* descriptionBox;
    TextBox* colorLabel;
    TextBox* descriptionLabel;
};

// "Edit Detail Texture Attributes" on the entry: the 'dtex' tags ("<no tag>" first) with the
// entry's tag selected, its colour and description. On OK with a current row the entry takes
// the row's id, the colour and the description. Answers whether the entry's 64 bytes changed.
bool EditDetailTextureAttributes(DetailMapEntry* entry);
