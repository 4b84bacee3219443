// The hue change pages through the fake backend: the list's context menu and its commands,
// deleting while an editor is open, reordering, and the editor's fields and bar drags.
#include <string>
#include <vector>

#include "BoxScript.h"
#include "collection/HueEditing.h"
#include "collection/ui/ColorBar.h"
#include "collection/ui/X256HueBrowser.h"
#include "collection/ui/X256HueEdit.h"
#include "gui/Button.h"
#include "gui/ComboBox.h"
#include "platform/OsKeys.h"

using boxscript::Answers;
using boxscript::Menu;
using boxscript::Seen;

namespace {

struct ChangeCounter : SignalListener {
    int count = 0;
    void OnChanged() { ++count; }
};

std::vector<std::string> HueNames(const Collection& c)
{
    std::vector<std::string> out;
    for (const HueChange* h : c.hueChanges) out.push_back(h->name);
    return out;
}

class HuePages : public boxscript::BoxFixture {
protected:
    void SetUp() override
    {
        BoxFixture::SetUp();
        for (const char* n : {"Red", "Green", "Blue"}) c.AddHueChange(n);
        c.hueChanges.data[0]->useAs = 2;
        c.hueChanges.data[0]->replacementMode = 3;
        browser = new X256HueBrowser(&c, WF_VISIBLE | WF_ENABLED, nullptr);
        browser->SetFrameXYWH(10, 10, 300, 200);
        browser->changed.Connect<&ChangeCounter::OnChanged>(&counter);
        Run();
    }
    void Select(const std::vector<int>& rows)
    {
        browser->SelectItem(nullptr, 0);
        for (int r : rows) browser->SelectItem(browser->ItemAtRow(u32(r)), 1);
    }
    Collection c;
    X256HueBrowser* browser = nullptr;
    ChangeCounter counter;
};

}  // namespace

TEST_F(HuePages, ContextMenuCommands)
{
    struct Case {
        const char* what;
        std::vector<int> rows;
        const char* choose;
        std::vector<int> answers;
        std::vector<std::string> menu;
        std::vector<std::string> names;
        std::vector<std::string> boxes;
        int changed;
    } cases[] = {
        {"duplicate goes right after its source",
         {0},
         "Duplicate",
         {},
         {"Rename", "Duplicate", "Delete", "New Hue Change"},
         {"Red", "Red copy", "Green", "Blue"},
         {},
         1},
        {"delete two",
         {0, 2},
         "Delete",
         {0},
         {"Rename (off)", "Duplicate (off)", "Delete", "New Hue Change"},
         {"Green"},
         {"Are you sure you want to remove the selected hue changes?"},
         1},
        {"delete one, cancelled",
         {1},
         "Delete",
         {1},
         {"Rename", "Duplicate", "Delete", "New Hue Change"},
         {"Red", "Green", "Blue"},
         {"Are you sure you want to remove the selected hue change?"},
         0},
        {"nothing selected",
         {},
         "Delete",
         {},
         {"Rename (off)", "Duplicate (off)", "Delete (off)", "New Hue Change"},
         {"Red", "Green", "Blue"},
         {},
         0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        while (c.GetHueChangeCount()) c.DeleteHueChange(c.hueChanges.data[0]);
        for (const char* n : {"Red", "Green", "Blue"}) c.AddHueChange(n);
        c.hueChanges.data[0]->useAs = 2;
        browser->Refresh();
        Seen().clear();
        counter.count = 0;
        Select(k.rows);
        for (int a : k.answers) Answers().push_back(a);
        Menu().choose = k.choose;
        browser->ShowContextMenu(Point{100, 100});
        Run();
        EXPECT_EQ(k.menu, Menu().rows);
        EXPECT_EQ(k.names, HueNames(c));
        EXPECT_EQ(k.boxes, Texts());
        EXPECT_EQ(k.changed, counter.count);
    }
    // The duplicate of the first case was equal to its source but for the name.
    HueChange* red = c.hueChanges.data[0];
    Select({0});
    Menu().choose = "Duplicate";
    browser->ShowContextMenu(Point{100, 100});
    Run();
    HueChange* copy = c.hueChanges.data[1];
    EXPECT_STREQ("Red copy", copy->name);
    EXPECT_EQ(0, memcmp(reinterpret_cast<u8*>(red) + 64, reinterpret_cast<u8*>(copy) + 64, 64));
    EXPECT_EQ(copy, browser->GetCurrentItem()->userData);
}

TEST_F(HuePages, AnOpenEditorBlocksDeletingItsHueChange)
{
    browser->OpenHueEdit(browser->ItemAtRow(1));
    Run();
    ASSERT_EQ(1u, browser->GetOpenEditorCount());
    // Activating it again raises the same editor.
    browser->OpenHueEdit(browser->ItemAtRow(1));
    EXPECT_EQ(1u, browser->GetOpenEditorCount());
    Select({0, 1});
    browser->DeleteSelected();
    Run();
    ASSERT_EQ(1u, Seen().size());
    EXPECT_EQ("Error", Seen()[0].title);
    EXPECT_EQ("The hue change \"Green\" is currently open. Please close it before deleting.", Seen()[0].text);
    EXPECT_EQ((std::vector<std::string>{"Red", "Green", "Blue"}), HueNames(c));

    browser->FindEditor(c.hueChanges.data[1])->Close();
    Run();
    EXPECT_EQ(0u, browser->GetOpenEditorCount());
    Answers().push_back(0);
    browser->DeleteSelected();
    Run();
    EXPECT_EQ((std::vector<std::string>{"Blue"}), HueNames(c));
    EXPECT_EQ(1, counter.count);
}

TEST_F(HuePages, RowsDropIntoTheirNewPlace)
{
    browser->OnRowDropped(browser->ItemAtRow(0), 3);
    EXPECT_EQ((std::vector<std::string>{"Green", "Blue", "Red"}), HueNames(c));
    EXPECT_EQ(c.hueChanges.data[2], browser->GetCurrentItem()->userData);
    EXPECT_EQ(1, counter.count);
    browser->OnRowDropped(browser->ItemAtRow(2), 2);  // onto itself
    EXPECT_EQ(1, counter.count);
}

TEST_F(HuePages, NewHueChangeIsRenamedInPlace)
{
    FakeOsEndStep();
    for (const char* p = "Lava"; *p; ++p) FakeOsChar(u8(*p), 0);
    FakeOsEndStep();
    Tap(LIBKEY_ENTER);
    FakeOsEndStep();
    browser->RunCommand(X256HueBrowser::kNew);
    EXPECT_EQ((std::vector<std::string>{"Red", "Green", "Blue", "Lava"}), HueNames(c));
    EXPECT_EQ(0x5556, c.hueChanges.data[3]->hueStart);
    EXPECT_EQ(2, counter.count);
}

TEST_F(HuePages, EditorFieldsStoreWhatIsTyped)
{
    HueChange* h = c.hueChanges.data[0];
    X256HueEdit* e = new X256HueEdit(h);
    Run();
    EXPECT_STREQ("Red", e->GetTitle());
    EXPECT_TRUE(e->replacement->IsChecked());
    EXPECT_TRUE(e->solid->IsChecked());
    int changes = 0;
    struct Counter : SignalListener {
        int* n;
        void On(HueChange*) { ++*n; }
    } count;
    count.n = &changes;
    e->changed.Connect<&Counter::On>(&count);

    struct Case {
        const char* typed;
        u16 stored;
        const char* shown;
    } cases[] = {{"50", 32768, "50"},
                 {"150", 65535, "100"},
                 {"-5", 0, "0"},
                 // Same percent as stored: nothing is stored.
                 {"0", 0, "0"},
                 {"7", 4588, "7"}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.typed);
        Window::SetFocus(e->saturationField, FOCUS_PROGRAM);
        e->saturationField->SelectAll();
        Type(k.typed);
        EXPECT_EQ(k.stored, h->minimumSaturation);
        EXPECT_EQ(k.shown, Text(e->saturationField));
    }

    e->replacement->SetState(BUTTON_NORMAL, 0);
    EXPECT_EQ(0, h->replacementMode);
    e->replacement->SetState(BUTTON_ON, 0);
    EXPECT_EQ(3, h->replacementMode);
    e->reversed->SetState(BUTTON_ON, 0);
    EXPECT_EQ(1, h->flags & 1);

    int before = changes;
    Window::SetFocus(e->nameField, FOCUS_PROGRAM);
    e->nameField->SelectAll();
    Type("Rust");
    EXPECT_STREQ("Rust", h->name);
    EXPECT_STREQ("Rust", e->GetTitle());
    EXPECT_GT(changes, before);
    e->Close();
    Run();
}

// A file may hold values the boxes cannot show (a replacement mode with other bits, a "use as"
// past 2): showing them changes nothing, and each box changes only what it shows.
TEST_F(HuePages, BoxesChangeOnlyWhatTheyShowOfStoredValues)
{
    HueChange* h = c.hueChanges.data[0];
    h->replacementMode = 5;
    h->useAs = 3;
    X256HueEdit* e = new X256HueEdit(h);
    Run();
    EXPECT_TRUE(e->replacement->IsChecked());
    EXPECT_FALSE(e->solid->IsChecked());
    EXPECT_EQ(1u, e->useAs->GetSelectedData());

    e->useAs->selectionChanged.Emit(e->useAs->GetTopItem(), 1);  // the item shown, chosen again
    EXPECT_EQ(3, h->useAs);
    e->reversed->SetState(BUTTON_ON, 0);
    EXPECT_EQ(5, h->replacementMode);
    EXPECT_EQ(3, h->useAs);

    e->solid->SetState(BUTTON_ON, 0);
    EXPECT_EQ(7, h->replacementMode);
    e->solid->SetState(BUTTON_NORMAL, 0);
    EXPECT_EQ(5, h->replacementMode);
    e->replacement->SetState(BUTTON_NORMAL, 0);
    EXPECT_EQ(0, h->replacementMode);
    e->replacement->SetState(BUTTON_ON, 0);
    EXPECT_EQ(1, h->replacementMode);

    e->useAs->selectionChanged.Emit(e->useAs->GetTopItem(), 2);
    EXPECT_EQ(2, h->useAs);
    e->Close();
    Run();
}

TEST_F(HuePages, DraggingTheStartPastTheEndWrapsTheRange)
{
    HueChange* h = c.hueChanges.data[1];
    auto exact = [](u32 degrees) { return u16((degrees * 65536 + 359) / 360); };
    h->hueStart = exact(60);
    h->medianHue = exact(120);
    h->hueEnd = exact(240);
    X256HueEdit* e = new X256HueEdit(h);
    Run();
    Rect bar = e->colorBar->GetContentRect();
    s32 y = (bar.top + bar.bottom) / 2;
    MoveTo(bar.left + 61, y);
    Press();
    Run();
    EXPECT_EQ(u32(kHueMarkerStart), e->colorBar->GetGrabbedMarker());
    MoveTo(bar.left + 300, y);
    Run();
    Release();
    Run();
    EXPECT_EQ(DegreesToHue(300), h->hueStart);
    EXPECT_EQ(exact(120), h->medianHue);
    EXPECT_EQ(u32(kHueMarkerNone), e->colorBar->GetGrabbedMarker());
    String start;
    e->startLabel->GetText(&start);
    EXPECT_EQ(std::string("299") + char(161), start.c_str());

    // The median cannot go into the gap of the wrapped range.
    MoveTo(bar.left + 120, y);
    Press();
    Run();
    MoveTo(bar.left + 270, y);
    Run();
    Release();
    Run();
    EXPECT_EQ(exact(120), h->medianHue);
    e->Close();
    Run();
}
