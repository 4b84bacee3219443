#include "collection/ui/X256OptimizeEdit.h"

#include <cinttypes>
#include <cstdio>

#include "collection/CollectionOptimize.h"
#include "gui/Button.h"
#include "gui/MessageBox.h"

namespace {

const char* const kLabels[] = {"Delete Unused Bitmaps", "Merge Identical Bitmaps", "Crop All Bitmaps",
                               "Auto Rename Bitmaps", "Get Runtime Size"};

typedef u32 (*Operation)(Collection&);
const Operation kOperations[] = {&X256OptimizeEdit::DeleteUnusedBitmaps, &X256OptimizeEdit::MergeIdenticalBitmaps,
                                 &X256OptimizeEdit::CropAllBitmaps, &X256OptimizeEdit::AutoRenameBitmaps,
                                 &X256OptimizeEdit::GetRuntimeSize};

const char* WasWere(u64 n)
{
    return n == 1 ? " was" : "s were";
}

void Report(const char* title, const char* text)
{
    ShowMessageBox(title, text, "OK", nullptr);
}

}  // namespace

X256OptimizeEdit::X256OptimizeEdit(Collection* c, u32 flags, Window* parent)
    : Window(flags, parent), collection(c), buttons{}, enabled(1)
{
    Window* order[5];
    s32 y = 12;
    for (u32 id = 0; id < 5; ++id) {
        Button* b = new Button(this, id);
        b->SetTitle(kLabels[id]);
        b->SizeToFit();
        b->SetFrameXYWH(12, y, 200, b->GetFrameHeight());
        b->clickedWithId.Connect<&X256OptimizeEdit::OnButton>(this);
        y += b->GetFrameHeight() + 6;
        buttons.Push(b);
        order[id] = b;
    }
    SetTabOrderArray(order, 5);
}

X256OptimizeEdit::~X256OptimizeEdit()
{
    buttons.Free();
}

const char* X256OptimizeEdit::GetClassName() const { return "X256OptimizeEdit"; }

void X256OptimizeEdit::OnButton(s32 id)
{
    if (!enabled) {
        Report("", "Please close all bitmap, sequence and sequence edit windows before performing optimizations.");
        return;
    }
    if (id < 0 || id >= 5 || !collection) return;
    if (kOperations[id](*collection)) changed.Emit();
}

u32 X256OptimizeEdit::DeleteUnusedBitmaps(Collection& collection)
{
    u32 n = ::DeleteUnusedBitmaps(collection);
    char text[128];
    snprintf(text, sizeof(text), "%u unused bitmap%s removed.", n, WasWere(n));
    Report("", text);
    return n ? 1 : 0;
}

u32 X256OptimizeEdit::MergeIdenticalBitmaps(Collection& collection)
{
    u32 n = ::MergeIdenticalBitmaps(collection);
    char text[128];
    snprintf(text, sizeof(text), "%u bitmap%s deleted after merging.", n, WasWere(n));
    Report("", text);
    return n;
}

u32 X256OptimizeEdit::CropAllBitmaps(Collection& collection)
{
    CropAllResult r = ::CropAllBitmaps(collection);
    char text[384];
    int len = snprintf(text, 256, "%u bitmap%s cropped (%" PRIu64 " pixels removed).", r.cropped, WasWere(r.cropped),
                       r.pixelsRemoved);
    if (r.removed && len > 0 && len < 256)
        len += snprintf(text + len, size_t(256 - len),
                        "\n Additionally, %u bitmap%s removed due to being completely transparent.", r.removed,
                        WasWere(r.removed));
    // A bitmap left as it was for want of memory is named by count rather than passed over
    // in silence.
    if (r.outOfMemory && len > 0 && len < int(sizeof(text)))
        snprintf(text + len, sizeof(text) - size_t(len), "\n %u bitmap%s not cropped: out of memory.", r.outOfMemory,
                 WasWere(r.outOfMemory));
    Report("", text);
    return r.cropped || r.removed ? 1 : 0;
}

u32 X256OptimizeEdit::AutoRenameBitmaps(Collection& collection)
{
    u32 n = ::AutoRenameBitmaps(collection);
    if (n) {
        char text[64];
        snprintf(text, sizeof(text), "%u Bitmaps Renamed.", n);
        Report("Rename operation", text);
    }
    return n;
}

u32 X256OptimizeEdit::GetRuntimeSize(Collection& collection)
{
    RuntimeSize r = ::GetRuntimeSize(collection);
    const double mb = 1048576.0;
    char text[512];
    snprintf(text, sizeof(text),
             "Approximate texture cache consumption, by format:\n16 bit po2 => %.2lf MB\n16 bit npo2 => %.2lf MB\n32 "
             "bit po2 => %.2lf MB\n32 bit npo2 => %.2lf MB\n",
             double(r.powerOfTwoPixels) * 2 / mb, double(r.exactPixels) * 2 / mb, double(r.powerOfTwoPixels) * 4 / mb,
             double(r.exactPixels) * 4 / mb);
    Report("Information", text);
    return 0;
}
