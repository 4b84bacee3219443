#include "collection/ui/X256HueEdit.h"

#include <cstdlib>
#include <cstring>

#include "collection/HueEditing.h"
#include "collection/ui/ColorBar.h"
#include "foundation/String.h"
#include "gui/Button.h"
#include "gui/ColorButton.h"
#include "gui/ComboBox.h"
#include "gui/TextBox.h"
#include "gui/WindowSystem.h"

namespace {

constexpr u32 kDegreeSign = 161;  // the font's degree sign

TextBox* ValueLabel(Window* parent, s32 x, s32 y)
{
    TextBox* t = CreateLabel(parent, "0");
    t->AddFlags(WF_THINBORDER);
    t->SetAlignment(2);
    t->SetFrameXYWH(x, y - 2, 32, t->GetFrameHeight());
    return t;
}

CheckBox* Check(Window* parent, u32 id, const char* label, s32 x, s32 y)
{
    CheckBox* c = new CheckBox(parent, id);
    c->SetTitle(label);
    c->SizeToFit();
    c->SetFrameXYWH(x, y, c->GetFrameWidth(), c->GetFrameHeight());
    return c;
}

void ShowDegrees(TextBox* t, u16 value)
{
    t->SetTextf("%u%c", HueToDegrees(value), char(kDegreeSign));
}

}  // namespace

X256HueEdit::X256HueEdit(HueChange* h)
    : Window(0x15AE, nullptr), hueChange(h), refreshing(0)
{
    TextBox* nameLabel = CreateLabel(this, "Name:");
    const s32 L = nameLabel->GetFrameHeight();
    const s32 S = L + 2;
    nameLabel->SetFrameXYWH(12, 6, nameLabel->GetFrameWidth(), L);
    nameField = new TextBox(5, this);
    nameField->AddFlags(WF_DARKPANEL);
    nameField->SetMaxLength(63);
    nameField->SetFrameXYWH(nameLabel->GetFrameWidth() + 20, 6, 317, nameField->GetFrameHeight());

    TextBox* rangeLabel = CreateLabel(this, "Affected Hue Range:");
    rangeLabel->SetFrameXYWH(12, L + 8, rangeLabel->GetFrameWidth(), L);
    TextBox* satLabel = CreateLabel(this, "Min % Saturation:");
    satLabel->SetFrameXYWH(238, L + 8, satLabel->GetFrameWidth(), L);
    saturationField = new TextBox(2, this);
    saturationField->AddFlags(WF_DARKPANEL);
    saturationField->SetMaxLength(3);
    saturationField->SetAlignment(2);
    saturationField->SetFrameXYWH(352, L + 8, 26, saturationField->GetFrameHeight());

    colorBar = new ColorBar(this, h);
    colorBar->SetFrameXYWH(11, 2 * S + 7, colorBar->GetFrameWidth(), colorBar->GetFrameHeight());
    const s32 Y = 2 * S + 7 + colorBar->GetFrameHeight() + 4;

    CreateLabel(this, "Start Hue:")->MoveTo(12, Y);
    startLabel = ValueLabel(this, 102, Y);
    TextBox* useLabel = CreateLabel(this, "Use As:");
    useLabel->MoveTo(185, Y);
    useAs = new ComboBox(this, 0);
    useAs->AddItem(0, "None", 0);
    useAs->AddItem(1, "Primary Color", 0);
    useAs->AddItem(2, "Secondary Color", 0);
    useAs->SetVisibleRows(3, 0);
    useAs->MoveTo(185 + useLabel->GetFrameWidth() + 4, Y);
    useAs->SetWidth(143);

    CreateLabel(this, "Median Hue:")->MoveTo(12, Y + S);
    medianLabel = ValueLabel(this, 102, Y + S);
    reversed = Check(this, 0, "Reversed Hue Change", 185, Y + S + 2);

    CreateLabel(this, "End Hue:")->MoveTo(12, Y + 2 * S);
    endLabel = ValueLabel(this, 102, Y + 2 * S);
    replacement = Check(this, 1, "Replacement Color:", 185, Y + 2 * S + 2);
    swatch = new ColorButton(this);
    Rect r = replacement->GetFrameInParent();
    swatch->SetFrameXYWH(r.right + 8, Y + 2 * S - 1, 42, 20);
    solid = Check(this, 2, "Replace with Solid Color", 185, Y + 3 * S + 2);

    SetContentSize(392, Y + 4 * S + 7);
    SetTabOrder(nameField, saturationField, useAs, reversed, replacement, nullptr);
    swatch->SetColor(u32(h->replacementRed >> 8) | u32(h->replacementGreen >> 8) << 8 |
                     u32(h->replacementBlue >> 8) << 16 | 0xFF000000u);

    nameField->textChanged.Connect<&X256HueEdit::OnNameChanged>(this);
    saturationField->textChanged.Connect<&X256HueEdit::OnSaturationChanged>(this);
    useAs->selectionChanged.Connect<&X256HueEdit::OnUseAs>(this);
    reversed->clicked.Connect<&X256HueEdit::OnReversed>(this);
    replacement->clicked.Connect<&X256HueEdit::OnReplacement>(this);
    solid->clicked.Connect<&X256HueEdit::OnReplacement>(this);
    swatch->colorChanged.Connect<&X256HueEdit::OnColor>(this);
    colorBar->changed.Connect<&X256HueEdit::OnRange>(this);

    Refresh();
    CenterInParent();
    SetVisible(1);
}

X256HueEdit::~X256HueEdit()
{
    closed.Emit(this);
}

const char* X256HueEdit::GetClassName() const { return "X256HueEdit"; }

// A stored value past 2 shows as the item its low bits name; only a different item replaces it.
static u32 ShownUseAs(u16 useAs) { return (useAs & 1) ? 1 : (useAs & 2) ? 2 : 0; }

void X256HueEdit::Refresh()
{
    refreshing = 1;
    SetTitle(hueChange->name);
    nameField->SetText(hueChange->name);
    ShowDegrees(startLabel, hueChange->hueStart);
    ShowDegrees(medianLabel, hueChange->medianHue);
    ShowDegrees(endLabel, hueChange->hueEnd);
    saturationField->SetTextf("%u", SaturationPercent(hueChange->minimumSaturation));
    useAs->SelectByData(ShownUseAs(hueChange->useAs));
    reversed->SetState(hueChange->flags & 1, 1);
    replacement->SetState(hueChange->replacementMode ? 1 : 0, 1);
    solid->SetState((hueChange->replacementMode & 2) ? 1 : 0, 1);
    refreshing = 0;
}

void X256HueEdit::OnNameChanged()
{
    if (refreshing) return;
    String text;
    nameField->GetText(&text);
    if (strncmp(text.c_str(), hueChange->name, 63) == 0) return;
    memset(hueChange->name, 0, sizeof(hueChange->name));
    strncpy(hueChange->name, text.c_str(), 63);
    SetTitle(hueChange->name);
    changed.Emit(hueChange);
    nameChanged.Emit(hueChange);
}

void X256HueEdit::OnSaturationChanged()
{
    if (refreshing) return;
    String text;
    saturationField->GetText(&text);
    char* end = nullptr;
    long p = strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end) return;
    if (p < -100000) p = -100000;
    if (p > 100000) p = 100000;
    u16 value = SaturationFromPercent(s32(p));
    u32 percent = SaturationPercent(value);
    if (percent != SaturationPercent(hueChange->minimumSaturation)) {
        hueChange->minimumSaturation = value;
        changed.Emit(hueChange);
        WindowSystem::InvalidateAll();
    }
    if (p != long(percent)) {
        refreshing = 1;
        saturationField->SetTextf("%u", percent);
        refreshing = 0;
    }
}

void X256HueEdit::OnUseAs(ListItem*, u32 data)
{
    if (refreshing) return;
    u16 value = data == 1 || data == 2 ? u16(data) : 0;
    if (value == ShownUseAs(hueChange->useAs)) return;
    hueChange->useAs = value;
    changed.Emit(hueChange);
}

void X256HueEdit::OnReversed()
{
    if (refreshing) return;
    u16 flags = reversed->IsChecked() ? u16(hueChange->flags | 1) : u16(hueChange->flags & ~1);
    WindowSystem::InvalidateAll();
    if (flags == hueChange->flags) return;
    hueChange->flags = flags;
    changed.Emit(hueChange);
}

// Each box changes only what it shows of the stored mode (any value shows as on, bit 1 as
// solid): other bits a file holds stay until the replacement is turned off. The solid box keeps
// its state while the replacement is off, for when it is turned on again.
void X256HueEdit::OnReplacement()
{
    if (refreshing) return;
    u8 mode = hueChange->replacementMode;
    if (replacement->IsChecked() != (mode != 0)) {
        mode = replacement->IsChecked() ? u8(solid->IsChecked() ? 3 : 1) : 0;
    } else if (mode && solid->IsChecked() != ((mode & 2) != 0)) {
        mode = solid->IsChecked() ? u8(mode | 2) : u8(mode & ~2);
    }
    refreshing = 1;
    replacement->SetState(mode ? 1 : 0, 1);  // a mode of 2 alone is off once its solid bit goes
    refreshing = 0;
    WindowSystem::InvalidateAll();
    if (mode == hueChange->replacementMode) return;
    hueChange->replacementMode = mode;
    changed.Emit(hueChange);
}

void X256HueEdit::OnColor(u32* rgba)
{
    hueChange->replacementRed = u16((*rgba & 0xFF) << 8);
    hueChange->replacementGreen = u16(((*rgba >> 8) & 0xFF) << 8);
    hueChange->replacementBlue = u16(((*rgba >> 16) & 0xFF) << 8);
    WindowSystem::InvalidateAll();
    changed.Emit(hueChange);
}

void X256HueEdit::OnRange(HueChange*)
{
    Refresh();
    changed.Emit(hueChange);
}
