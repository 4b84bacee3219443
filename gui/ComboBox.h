#pragma once
// ComboBox: a one-line field with an arrow button that drops down a list of text items, each
// with a u32 of user data. The field is an editable text box (typing opens the list and
// selects the closest item) or a static label. While the list is down the combo box grows
// over its surroundings (upwards when that shows more of it) and runs as a modal loop: a
// click outside, Enter, Esc, Tab, activating a row or quitting the application ends it.
#include "gui/Button.h"
#include "gui/ListWindow.h"
#include "gui/TextBox.h"

// ComboBox options.
enum : u32 { COMBO_EDITABLE = 1 };

class ComboBox : public Window {
public:
    // The arrow button: draws the skin's drop-down arrow and passes the focus to the combo box.
    class DropdownButton : public Button {
    public:
        explicit DropdownButton(Window* parent);
        const char* GetClassName() const override { return "Button"; }
        void GetMinimumFrameSize(Size* out, Size contentSize) override;
        void DrawContent() override;
        FocusAnswer FocusGained(Window* oldFocus, u32 reason) override;
    };

    ComboBox(Window* parent, u32 options);
    ~ComboBox() override;

    const char* GetClassName() const override;
    // Keys for the combo box or its field go through HandleKey first; a click on the label of
    // a fixed combo box focuses the combo box.
    int HandleEvent(Window* target, u32 type, Event* event) override;
    void Resized() override;
    void DrawContent() override;
    // While open, a press outside the frame closes the list and is posted again.
    void MouseButton(Event* event) override;
    // A quick second click outside closes the list as a click does.
    void DoubleClick(Event* event) override;
    void FocusLost(Window* newFocus, u32 reason) override;
    FocusAnswer FocusGained(Window* oldFocus, u32 reason) override;
    void FlagsChanged(u32 changed) override;

    // A text item with the data, last or (atFront) first; answers it, or null when the heap
    // refuses.
    ListItem* AddItem(u32 data, const char* text, int atFront);
    // Removes every item and empties the field.
    void Clear();
    void SortItems();
    // Makes item current and shows its text in the field, without emitting selectionChanged.
    // Null changes nothing.
    void SelectItem(ListItem* item);
    // The first item with the data; nothing when there is none.
    void SelectByData(u32 data);
    // The current item's data, 0 without one.
    u32 GetSelectedData() const;
    ListItem* GetTopItem() const;
    bool IsExpanded() const { return expanded != 0; }
    // Width of the whole combo box; the height is one line.
    void SetWidth(s32 width);
    // The drop-down shows rows rows (0 counts as 1), fewer when there are fewer items; with
    // fitWidth the combo box becomes as wide as its widest item text + 18.
    void SetVisibleRows(u32 rows, int fitWidth);
    // Opens the list and, unless already inside its loop, runs it until it closes.
    void Expand(int byTyping);
    // Closes the list, puts the combo box back in place and selects the current item.
    void Collapse();
    // Handles Enter, Tab, Esc, Up and Down; answers whether the key was taken.
    int HandleKey(Event* event);

    void OnTextChanged();
    void OnFieldFocusLost(int reason);
    void OnButtonClicked(s32 id);
    void OnListSelectionChanged();
    void OnListActivated(ListItem* item);

    Signal<ListItem*, u32> selectionChanged;
    u32 comboOptions;
    u32 updating;
    u32 openedByTyping;
    u32 listChanged;
    u32 expanded;
    Point savedPosition;
    TextBox* field;
    DropdownButton* arrowButton;
    ListWindow* list;

private:
    bool IsEditable() const { return (comboOptions & COMBO_EDITABLE) != 0; }
    s32 FieldHeight();
    // Field and arrow at y, the list at listY.
    void Layout(s32 fieldY, s32 listY);
};
