#pragma once
// The window that edits one hue change: its name, its hue range on a ColorBar, the minimum
// saturation in percent, its use as primary or secondary colour, the reversed flag and the
// replacement colour.
#include "collection/HueChange.h"
#include "gui/Window.h"

class CheckBox;
class ColorBar;
class ColorButton;
class ComboBox;
class TextBox;
struct ListItem;

class X256HueEdit : public Window {
public:
    explicit X256HueEdit(HueChange* hueChange);
    ~X256HueEdit() override;
    const char* GetClassName() const override;

    HueChange* GetHueChange() const { return hueChange; }
    // Shows the record in every field and the title.
    void Refresh();

    Signal<HueChange*> changed;
    Signal<HueChange*> nameChanged;
    Signal<X256HueEdit*> closed;

    HueChange* hueChange;
    TextBox* nameField;
    ColorBar* colorBar;
    TextBox* startLabel;
    TextBox* endLabel;
    TextBox* medianLabel;
    TextBox* saturationField;
    ComboBox* useAs;
    CheckBox* reversed;
    CheckBox* replacement;
    CheckBox* solid;
    ColorButton* swatch;

private:
    void OnNameChanged();
    void OnSaturationChanged();
    void OnUseAs(ListItem* item, u32 data);
    void OnReversed();
    void OnReplacement();
    void OnColor(u32* rgba);
    void OnRange(HueChange* h);

    u32 refreshing;  // fields are being filled from the record: their signals are not edits
};
