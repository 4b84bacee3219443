// Message boxes through the fake backend: the layout (button widths, the text's width limit
// and wrapping, the input line), which button each key and click ends a box with, the input
// box's text, the error box's bound and the quit question. Runs headless.
#include <cstring>
#include <string>
#include <vector>

#include "TextBoxSupport.h"
#include "gui/MessageBox.h"
#include "gui/Skin.h"
#include "platform/FileDialogs.h"

using namespace wtest;

namespace {

// Buttons 20 px high (skin caps 10 + 12 by 20); with the test font a line is 14 px and every
// character 6 px wide.
void InstallTestSkin()
{
    TexturePack* pack = NewTexturePack();
    AddPackImage(pack, 6, 10, 20, nullptr);
    AddPackImage(pack, 8, 12, 20, nullptr);
    InstallSkinPack(pack);
}

struct Seen {
    std::string className, title, fieldText;
    int hasField = -1, editable = -1;
    std::vector<std::string> labels;
    u32 modalFlags = 0;
};

// What the box on top of the modal stack looked like at the first step of its loop.
Seen g_seen;
int g_inspected;

int InspectingStep()
{
    if (!g_inspected && WindowSystem::GetModalDepth()) {
        g_inspected = 1;
        Window* w = WindowSystem::GetFocus();
        while (w && strcmp(w->GetClassName(), "MessageBoxWindow")) w = w->GetParent();
        if (w) {
            MessageBoxWindow* box = static_cast<MessageBoxWindow*>(w);
            g_seen.className = box->GetClassName();
            g_seen.title = box->GetTitle() ? box->GetTitle() : "";
            g_seen.hasField = box->GetField() != nullptr;
            if (box->GetField()) {
                String s;
                box->GetField()->GetText(&s);
                g_seen.fieldText = s.c_str();
                g_seen.editable = box->GetField()->IsEditable();
            }
            for (u32 i = 0; i < box->GetButtonCount(); ++i) g_seen.labels.push_back(box->GetButton(i)->GetTitle());
            g_seen.modalFlags = WindowSystem::IsOnModalStack(box, 1) ? 1 : 0;
        }
    }
    return Step();
}

class MessageBoxTest : public tbtest::TextBoxFixture {
protected:
    void SetUp() override
    {
        TextBoxFixture::SetUp();
        InstallTestSkin();
        g_seen = Seen();
        g_inspected = 0;
        WindowSystem::SetStepHook(InspectingStep);
    }
    void TearDown() override
    {
        TextBoxFixture::TearDown();
        InstallSkinPack(nullptr);
    }
    // A box built as ShowMessageBox builds it, for its geometry; closed again and deleted.
    std::vector<Point> ButtonCentres(const char* text, String* bound, std::vector<const char*> labels)
    {
        MessageBoxWindow* box = new MessageBoxWindow("t", text, bound, labels.data(), u32(labels.size()));
        std::vector<Point> out;
        for (u32 i = 0; i < box->GetButtonCount(); ++i) {
            Rect r = box->GetButton(i)->GetContentRect();
            out.push_back(Point{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
        }
        box->Close();
        Step();
        return out;
    }
    static Rect InContent(Window* box, Window* w)
    {
        Rect r = w->GetFrameRect();
        Point o = box->GetContentOrigin();
        return Rect{r.left - o.x, r.top - o.y, r.right - o.x, r.bottom - o.y};
    }
    void Script() { FakeOsEndStep(); }
};

}  // namespace

TEST_F(MessageBoxTest, AShortMessageGetsTheMinimumButtonAndMargins)
{
    const char* labels[] = {"OK"};
    MessageBoxWindow* box = new MessageBoxWindow("Title", "Hello", nullptr, labels, 1);
    EXPECT_STREQ(box->GetClassName(), "MessageBoxWindow");
    EXPECT_EQ(box->GetFlags(), 0x402AFu);
    EXPECT_EQ(box->GetParent(), Layer1());
    EXPECT_STREQ(box->GetTitle(), "Title");
    // W = max(text 30, button 96) = 96; the field is one line; buttons at 14 + 24 + 32.
    EXPECT_EQ(box->GetContentWidth(), 96 + 64);
    EXPECT_EQ(box->GetContentHeight(), 70 + 20 + 32);
    EXPECT_TRUE(SameRect(InContent(box, box->GetField()), Rect{32, 32, 128, 46}));
    EXPECT_FALSE(box->GetField()->IsEditable());
    EXPECT_TRUE(SameRect(InContent(box, box->GetButton(0)), Rect{32, 70, 128, 90}));
    EXPECT_EQ(box->GetButton(0)->GetId(), 0u);
    EXPECT_EQ(WindowSystem::GetFocus(), box->GetButton(0));
    // Centred on the 800 x 600 screen.
    Rect f = box->GetFrameRect();
    EXPECT_EQ(f.left, (800 - f.Width()) / 2);
    EXPECT_EQ(f.top, (600 - f.Height()) / 2);
    box->Close();
}

TEST_F(MessageBoxTest, ButtonsAreSizedFromTheirLabelsAndCentredAsARow)
{
    // 30 characters make a 180 px label: 212 px buttons, wider than any text limit.
    std::string longLabel(30, 'a');
    const char* labels[] = {"Yes", longLabel.c_str(), "No"};
    MessageBoxWindow* box = new MessageBoxWindow("t", "x", nullptr, labels, 3);
    s32 total = 96 + 24 + 212 + 24 + 96;
    EXPECT_EQ(box->GetContentWidth(), total + 64);
    s32 x = 32;
    s32 widths[] = {96, 212, 96};
    for (u32 i = 0; i < 3; ++i) {
        Rect r = InContent(box, box->GetButton(i));
        EXPECT_EQ(r.left, x) << i;
        EXPECT_EQ(r.Width(), widths[i]) << i;
        EXPECT_EQ(r.Height(), 20) << i;
        EXPECT_STREQ(box->GetButton(i)->GetTitle(), labels[i]);
        x += widths[i] + 24;
    }
    // Tab order follows the buttons and comes round again.
    EXPECT_EQ(box->GetButton(0)->GetTabNext(), box->GetButton(1));
    EXPECT_EQ(box->GetButton(1)->GetTabNext(), box->GetButton(2));
    EXPECT_EQ(box->GetButton(2)->GetTabNext(), box->GetButton(0));
    box->Close();
}

TEST_F(MessageBoxTest, ALongTextWrapsAt512PixelsOrAtTheButtonRowWhenThatIsWider)
{
    // Twenty 9-character words: 8 words (474 px) fit 512, so 3 lines there.
    std::string text;
    for (int i = 0; i < 20; ++i) text += (i ? " " : "") + std::string(9, 'x');
    const char* ok[] = {"OK"};
    MessageBoxWindow* box = new MessageBoxWindow("t", text.c_str(), nullptr, ok, 1);
    EXPECT_EQ(box->GetContentWidth(), 512 + 64);
    EXPECT_TRUE(SameRect(InContent(box, box->GetField()), Rect{32, 32, 32 + 512, 32 + 3 * 14}));
    EXPECT_EQ(box->GetField()->GetLineCount(), 3u);  // the label wraps where the box was measured
    EXPECT_EQ(InContent(box, box->GetButton(0)).top, 3 * 14 + 24 + 32);
    box->Close();

    // Four 212 px buttons make a row of 920 px: the text wraps there (15 words a line).
    std::string l(30, 'b');
    const char* wide[] = {l.c_str(), l.c_str(), l.c_str(), l.c_str()};
    box = new MessageBoxWindow("t", text.c_str(), nullptr, wide, 4);
    EXPECT_EQ(box->GetContentWidth(), 920 + 64);
    EXPECT_EQ(box->GetField()->GetFrameHeight(), 2 * 14);
    EXPECT_EQ(box->GetField()->GetLineCount(), 2u);
    box->Close();
}

TEST_F(MessageBoxTest, ATextTallerThanTheScreenScrollsInsideABoxThatFits)
{
    std::string text;
    for (int i = 0; i < 100; ++i) text += "line\n";
    const char* ok[] = {"OK"};
    MessageBoxWindow* box = new MessageBoxWindow("t", text.c_str(), nullptr, ok, 1);
    Rect f = box->GetFrameRect();
    EXPECT_GE(f.top, 0);
    EXPECT_LE(f.bottom, 600);
    Rect b = box->GetButton(0)->GetFrameRect();
    EXPECT_LE(b.bottom, 600);
    TextBox* field = box->GetField();
    EXPECT_GT(field->GetLineCount() * u32(tbtest::kLine), u32(field->GetContentHeight()));
    EXPECT_FALSE(field->IsEditable());
    // It scrolls: the last line can be brought into view.
    field->SetVScrollPos(50);
    EXPECT_EQ(field->GetVScrollPos(), 50);
    box->Close();

    // A text past a text box's usual 9,999 characters is shown whole.
    std::string huge;
    while (huge.size() < 12000) huge += "word ";
    box = new MessageBoxWindow("t", huge.c_str(), nullptr, ok, 1);
    String shown;
    box->GetField()->GetText(&shown);
    EXPECT_EQ(shown.Length(), u32(huge.size()));
    box->Close();

    // A text that fits keeps the plain label.
    box = new MessageBoxWindow("t", "line\nline", nullptr, ok, 1);
    EXPECT_EQ(box->GetField()->GetTopLine(), 0u);
    EXPECT_EQ(box->GetField()->GetFrameHeight(), 2 * 14);
    box->Close();
}

TEST_F(MessageBoxTest, FiveLabelsShowFourButtonsAndNoLabelsShowOK)
{
    const char* five[] = {"a", "b", "c", "d", "e"};
    MessageBoxWindow* box = new MessageBoxWindow("t", "x", nullptr, five, 5);
    EXPECT_EQ(box->GetButtonCount(), 4u);
    EXPECT_STREQ(box->GetButton(3)->GetTitle(), "d");
    box->Close();

    box = new MessageBoxWindow("t", "x", nullptr, nullptr, 0);
    ASSERT_EQ(box->GetButtonCount(), 1u);
    EXPECT_STREQ(box->GetButton(0)->GetTitle(), "OK");
    box->Close();

    // The variadic form reads no further than four labels.
    Tap(LIBKEY_ENTER);
    Script();
    EXPECT_EQ(ShowMessageBox("t", "x", "a", "b", "c", "d", "e", nullptr), 0);
    EXPECT_EQ(g_seen.labels, (std::vector<std::string>{"a", "b", "c", "d"}));

    g_inspected = 0;
    g_seen = Seen();
    Tap(LIBKEY_ENTER);
    Script();
    EXPECT_EQ(ShowMessageBox("t", "x", nullptr), 0);
    EXPECT_EQ(g_seen.labels, (std::vector<std::string>{"OK"}));
}

TEST_F(MessageBoxTest, WithoutTextTheButtonsSitBelowTheTopMargin)
{
    const char* labels[] = {"Quit", "Don't Quit"};
    MessageBoxWindow* box = new MessageBoxWindow("t", nullptr, nullptr, labels, 2);
    EXPECT_EQ(box->GetField(), nullptr);
    EXPECT_EQ(box->GetContentHeight(), 32 + 20 + 32);
    EXPECT_EQ(InContent(box, box->GetButton(0)).top, 32);
    box->Close();
}

TEST_F(MessageBoxTest, KeysAndClicksEndTheBoxWithTheButtonIndex)
{
    // Enter on the focused first button.
    Tap(LIBKEY_ENTER);
    Script();
    EXPECT_EQ(ShowMessageBox("t", "x", "A", "B", "C", nullptr), 0);
    EXPECT_EQ(g_seen.modalFlags, 1u);

    // Tab moves along the row; Space presses the focused button.
    Tap(LIBKEY_TAB);
    Tap(LIBKEY_TAB);
    Script();
    FakeOsKey(' ', LIBACTION_PRESS);
    FakeOsKey(' ', LIBACTION_RELEASE);
    Script();
    EXPECT_EQ(ShowMessageBox("t", "x", "A", "B", "C", nullptr), 2);

    // A click on the middle button.
    std::vector<Point> c = ButtonCentres("x", nullptr, {"A", "B", "C"});
    Click(c[1].x, c[1].y);
    Script();
    EXPECT_EQ(ShowMessageBox("t", "x", "A", "B", "C", nullptr), 1);
    RunSteps(2);
    EXPECT_EQ(Layer1()->GetChildCount(), 0u);  // each box is gone after its call
}

TEST_F(MessageBoxTest, EscapeAndAQuitRequestDoNotEndABox)
{
    Tap(LIBKEY_TAB);
    Script();
    Tap(LIBKEY_ESCAPE);
    Script();
    FakeOsCloseRequest();
    Script();
    Tap(LIBKEY_ENTER);
    Script();
    EXPECT_EQ(ShowMessageBox("t", "x", "A", "B", nullptr), 1);
    EXPECT_TRUE(WindowSystem::IsRunning());
}

TEST_F(MessageBoxTest, TheInputBoxReturnsTheTypedTextWithTheIndex)
{
    String text("abc");
    // The starting text is selected, so typing replaces it; Enter presses and releases OK.
    for (const char* ch = "xy"; *ch; ++ch) FakeOsChar(u8(*ch), 0);
    Script();
    Tap(LIBKEY_ENTER);
    Script();
    EXPECT_EQ(ShowInputBox("Name", &text, "OK", "Cancel", nullptr), 0);
    EXPECT_STREQ(text.c_str(), "xy");
    EXPECT_EQ(g_seen.editable, 1);
    EXPECT_EQ(g_seen.fieldText, "abc");

    // Cancel copies the field's text too; the caller tells them apart by the index.
    std::vector<Point> c = ButtonCentres(nullptr, &text, {"OK", "Cancel"});
    FakeOsChar('z', 0);
    Script();
    Click(c[1].x, c[1].y);
    Script();
    EXPECT_EQ(ShowInputBox("Name", &text, "OK", "Cancel", nullptr), 1);
    EXPECT_STREQ(text.c_str(), "z");
}

TEST_F(MessageBoxTest, TheInputLineIsLaidOutAsASingleBorderedLine)
{
    String text(std::string(200, 'q').c_str());  // 1200 px: wider than the text limit
    const char* labels[] = {"OK", "Cancel"};
    MessageBoxWindow* box = new MessageBoxWindow("t", nullptr, &text, labels, 2);
    TextBox* field = box->GetField();
    ASSERT_NE(field, nullptr);
    EXPECT_TRUE(field->IsEditable());
    EXPECT_TRUE(field->TestFlags(WF_DARKPANEL | WF_THINBORDER) == (WF_DARKPANEL | WF_THINBORDER));
    EXPECT_EQ(WindowSystem::GetFocus(), field);
    EXPECT_TRUE(field->HasSelection());
    // One line plus the thin border, however long the text.
    EXPECT_TRUE(SameRect(InContent(box, field), Rect{32, 32, 32 + 512, 32 + 16}));
    EXPECT_EQ(InContent(box, box->GetButton(0)).top, 16 + 24 + 32);
    EXPECT_EQ(field->GetTabNext(), box->GetButton(0));
    EXPECT_EQ(box->GetButton(1)->GetTabNext(), field);
    String back;
    field->GetText(&back);
    EXPECT_STREQ(back.c_str(), text.c_str());  // a text past the line's usual 255 is kept
    box->Close();

    // A short text: the minimum input width or the button row, whichever is wider.
    String small("ab");
    const char* one[] = {"OK"};
    box = new MessageBoxWindow("t", nullptr, &small, one, 1);
    EXPECT_EQ(box->GetContentWidth(), 128 + 64);
    box->Close();
}

TEST_F(MessageBoxTest, AnEnterReleaseWithoutItsPressDoesNotEndTheInputBox)
{
    String text("keep");
    std::vector<Point> c = ButtonCentres(nullptr, &text, {"OK", "Cancel"});
    Key(LIBKEY_ENTER, LIBACTION_RELEASE);
    Script();
    Click(c[1].x, c[1].y);
    Script();
    EXPECT_EQ(ShowInputBox("t", &text, "OK", "Cancel", nullptr), 1);
    EXPECT_STREQ(text.c_str(), "keep");
}

TEST_F(MessageBoxTest, ErrorTextsAreBoundedAt1024Bytes)
{
    String s = FormatErrorText("Cannot open %s (%d).", "a.bmp", 5);
    EXPECT_STREQ(s.c_str(), "Cannot open a.bmp (5).");

    std::string exact(kErrorBoxLimit, 'e');
    s = FormatErrorText("%s", exact.c_str());
    EXPECT_EQ(s.Length(), kErrorBoxLimit);
    EXPECT_EQ(std::string(s.c_str()), exact);

    std::string huge(5000, 'h');
    s = FormatErrorText("%s", huge.c_str());
    EXPECT_EQ(s.Length(), kErrorBoxLimit);
    EXPECT_EQ(std::string(s.c_str()).substr(kErrorBoxLimit - 3), "...");

    Tap(LIBKEY_ENTER);
    Script();
    ShowErrorBox("%s", huge.c_str());
    EXPECT_EQ(g_seen.title, "Error");
    EXPECT_EQ(g_seen.labels, (std::vector<std::string>{"OK"}));
    EXPECT_EQ(g_seen.fieldText.size(), size_t(kErrorBoxLimit));
}

TEST_F(MessageBoxTest, TheQuitQuestionOffersQuitAndDontQuit)
{
    Tap(LIBKEY_TAB);
    Tap(LIBKEY_ENTER);
    Script();
    EXPECT_EQ(ShowQuitQuestion(), 1);
    EXPECT_EQ(g_seen.title, "Really Quit Tavik?");
    EXPECT_EQ(g_seen.hasField, 0);
    EXPECT_EQ(g_seen.labels, (std::vector<std::string>{"Quit", "Don't Quit"}));

    g_inspected = 0;
    Tap(LIBKEY_ENTER);
    Script();
    EXPECT_EQ(ShowQuitQuestion(), 0);
}

TEST_F(MessageBoxTest, TheFileDialogErrorHookShowsAnErrorBox)
{
    SetDialogErrorHook(ShowDialogErrorBox);
    Tap(LIBKEY_ENTER);
    Script();
    ShowDialogErrorBox("Error", "100% sure");
    SetDialogErrorHook(nullptr);
    EXPECT_EQ(g_seen.title, "Error");
    EXPECT_EQ(g_seen.fieldText, "100% sure");
    EXPECT_EQ(g_seen.labels, (std::vector<std::string>{"OK"}));
    EXPECT_EQ(FakeOsMessageBoxCount(), 0u);
}

// The clicked button closes the box, and the loop deletes it before it returns: the box must
// not be touched again (run under valgrind, a read of the freed box shows here).
TEST_F(MessageBoxTest, ABoxDeletedByItsOwnLoopIsNotClosedAgain)
{
    Tap(LIBKEY_ENTER);
    Script();
    EXPECT_EQ(ShowMessageBox("Gone Soon", "x", "OK", nullptr), 0);
    RunSteps(2);
    EXPECT_EQ(WindowSystem::FindWindow("Gone Soon", nullptr), nullptr);
    EXPECT_EQ(WindowSystem::GetModalDepth(), 0u);
}
