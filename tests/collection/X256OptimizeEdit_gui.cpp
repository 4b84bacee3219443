// The optimise page through the fake backend: each button clicked on a small collection, with
// the report box it shows, what is left of the collection and whether the editor is told.
#include <string>
#include <vector>

#include "BoxScript.h"
#include "collection/ui/X256OptimizeEdit.h"
#include "gui/Button.h"

using boxscript::Seen;

namespace {

struct ChangeCounter : SignalListener {
    int count = 0;
    void OnChanged() { ++count; }
};

enum Kind { kEmpty, kMixed, kSized };

// kMixed: "A" and "B" (identical 4 x 4, opaque) shown by the two frames of "walk"; unused
// "loose" (3 x 3, only the centre visible) and "blank" (2 x 2, transparent).
void Build(Collection& c, Kind kind)
{
    if (kind == kSized) {
        c.AddBitmap("wide", 0, nullptr, 100, 50, 2, nullptr);
        return;
    }
    if (kind == kEmpty) return;
    std::vector<u8> opaque(4 * 4 * 2, 255);
    CollectionBitmap* a = c.AddBitmap("A", 0, opaque.data(), 4, 4, 2, nullptr);
    CollectionBitmap* b = c.AddBitmap("B", 0, opaque.data(), 4, 4, 2, nullptr);
    std::vector<u8> centre(3 * 3 * 2, 0);
    centre[4 * 2] = 255;
    centre[4 * 2 + 1] = 9;
    c.AddBitmap("loose", 0, centre.data(), 3, 3, 2, nullptr);
    c.AddBitmap("blank", 0, nullptr, 2, 2, 2, nullptr);
    Sequence* s = c.AddSequence("walk");
    s->Resize(1, 2);
    s->GetFrameView(0, 0).bitmap = a;
    s->GetFrameView(1, 0).bitmap = b;
}

std::vector<std::string> Names(const Collection& c)
{
    std::vector<std::string> out;
    for (const CollectionBitmap* b : c.bitmaps) out.push_back(b->name);
    return out;
}

class OptimizePage : public boxscript::BoxFixture {};

}  // namespace

TEST_F(OptimizePage, EachButtonRunsItsOperationAndReportsIt)
{
    const std::vector<std::string> all = {"A", "B", "loose", "blank"};
    struct Case {
        Kind kind;
        u32 button;
        bool enabled;
        const char* title;  // null: no box
        const char* text;
        std::vector<std::string> names;
        int changed;
    } cases[] = {
        {kMixed, 0, true, "", "2 unused bitmaps were removed.", {"A", "B"}, 1},
        {kMixed, 1, true, "", "1 bitmap was deleted after merging.", {"A", "loose", "blank"}, 1},
        {kMixed, 2, true, "",
         "2 bitmaps were cropped (12 pixels removed).\n Additionally, 1 bitmap was removed due to being completely "
         "transparent.",
         {"A", "B", "loose"}, 1},
        {kMixed, 3, true, "Rename operation", "2 Bitmaps Renamed.", {"walk 00", "walk 01", "loose", "blank"}, 1},
        {kMixed, 1, false, "",
         "Please close all bitmap, sequence and sequence edit windows before performing optimizations.", all, 0},
        {kSized, 4, true, "Information",
         "Approximate texture cache consumption, by format:\n16 bit po2 => 0.02 MB\n16 bit npo2 => 0.01 MB\n32 bit "
         "po2 => 0.03 MB\n32 bit npo2 => 0.02 MB\n",
         {"wide"}, 0},
        {kEmpty, 0, true, "", "0 unused bitmaps were removed.", {}, 0},
        {kEmpty, 1, true, "", "0 bitmaps were deleted after merging.", {}, 0},
        {kEmpty, 2, true, "", "0 bitmaps were cropped (0 pixels removed).", {}, 0},
        {kEmpty, 3, true, nullptr, nullptr, {}, 0},
        {kEmpty, 4, true, "Information",
         "Approximate texture cache consumption, by format:\n16 bit po2 => 0.00 MB\n16 bit npo2 => 0.00 MB\n32 bit "
         "po2 => 0.00 MB\n32 bit npo2 => 0.00 MB\n",
         {}, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE("button " + std::to_string(k.button) + " kind " + std::to_string(k.kind));
        Seen().clear();
        Collection c;
        Build(c, k.kind);
        Window* host = new Window(wtest::kFramed, nullptr);
        host->SetFrameXYWH(20, 20, 300, 240);
        X256OptimizeEdit* page = new X256OptimizeEdit(&c, WF_VISIBLE | WF_ENABLED, host);
        page->SetFrame(host->GetContentBounds());
        page->SetEnabled(k.enabled);
        ChangeCounter counter;
        page->changed.Connect<&ChangeCounter::OnChanged>(&counter);
        Run();
        Rect r = page->GetButton(k.button)->GetContentRect();
        Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        Run();
        if (k.title) {
            ASSERT_EQ(1u, Seen().size());
            EXPECT_EQ(k.title, Seen()[0].title);
            EXPECT_EQ(k.text, Seen()[0].text);
            EXPECT_EQ(std::vector<std::string>{"OK"}, Seen()[0].labels);
        } else {
            EXPECT_TRUE(Seen().empty());
        }
        EXPECT_EQ(k.names, Names(c));
        EXPECT_EQ(k.changed, counter.count);
        host->Close();
        Run();
    }
}

TEST_F(OptimizePage, ButtonsStackInTheirOrderTwoHundredWide)
{
    Collection c;
    X256OptimizeEdit* page = new X256OptimizeEdit(&c, WF_VISIBLE | WF_ENABLED, nullptr);
    page->SetFrameXYWH(0, 0, 300, 300);
    const char* labels[] = {"Delete Unused Bitmaps", "Merge Identical Bitmaps", "Crop All Bitmaps",
                            "Auto Rename Bitmaps", "Get Runtime Size"};
    s32 y = 12;
    for (u32 id = 0; id < 5; ++id) {
        Button* b = page->GetButton(id);
        EXPECT_STREQ(labels[id], b->GetTitle());
        Rect f = b->GetFrameInParent();
        EXPECT_EQ(12, f.left);
        EXPECT_EQ(y, f.top);
        EXPECT_EQ(200, f.Width());
        y = f.bottom + 6;
    }
    EXPECT_EQ(nullptr, page->GetButton(5));
}
