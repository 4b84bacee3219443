#include "collection/ui/X256FlagsEdit.h"

#include "gui/Button.h"
#include "gui/TextBox.h"

namespace {

const char* const kFlagLabels[] = {"Textures", "Monsters", "Projectiles", "Scenery", "Atmospheric Effects",
                                   "Interfaces"};
constexpr u32 kFlagCount = sizeof(kFlagLabels) / sizeof(kFlagLabels[0]);

}  // namespace

X256FlagsEdit::X256FlagsEdit(Collection* c, u32 windowFlags, Window* parent)
    : Window(windowFlags, parent), collection(c), boxes{}
{
    label = CreateLabel(this, "Can be used for:");
    label->MoveTo(8, 4);
    s32 y = label->GetLineHeight() + 10;
    Window* order[kFlagCount];
    for (u32 bit = 0; bit < kFlagCount; ++bit) {
        CheckBox* box = new CheckBox(this, bit);
        box->SetTitle(kFlagLabels[bit]);
        box->SizeToFit();
        box->MoveTo(20, y);
        y += box->GetLineHeight() + 2;
        box->clicked.Connect<&X256FlagsEdit::Apply>(this);
        boxes.Push(box);
        order[bit] = box;
    }
    SetTabOrderArray(order, kFlagCount);
}

X256FlagsEdit::~X256FlagsEdit() { boxes.Free(); }

const char* X256FlagsEdit::GetClassName() const { return "X256FlagsEdit"; }

void X256FlagsEdit::Refresh()
{
    const u32 flags = collection ? collection->flags : 0;
    for (u32 bit = 0; bit < boxes.count; ++bit) boxes.data[bit]->SetState((flags >> bit) & 1 ? BUTTON_ON : BUTTON_NORMAL, 1);
}

void X256FlagsEdit::Apply()
{
    if (!collection) return;
    u32 flags = collection->flags;
    for (u32 bit = 0; bit < boxes.count; ++bit) {
        if (boxes.data[bit]->IsChecked())
            flags |= 1u << bit;
        else
            flags &= ~(1u << bit);
    }
    collection->flags = flags;
    changed.Emit();
}
