// The text box as a window, headless through the fake OS: typing, keys and cursor movement,
// Shift selection, mouse selection and drag scrolling, the caret blink, focus handling of
// numeric fields, labels and the in-place popup.
#include <string>

#include "TextBoxSupport.h"
#include "platform/Clipboard.h"

using namespace tbtest;

namespace {

using TextBoxWidget = TextBoxFixture;

struct EnterRecorder : public has_slots<> {
    std::string log;
    void OnEnter(s32 pressed) { log += pressed ? "1" : "0"; }
};

TEST_F(TextBoxWidget, TypedCharactersGoToTheFocusedBox)
{
    TextBox* b = MakeFocused(TEXTBOX_LINE);
    Type("hi there");
    EXPECT_EQ(Text(b), "hi there");
    EXPECT_EQ(Pos(b->GetCursor()), "0:8");
    // Typing over a selection replaces it; undo brings it back.
    PressKey(LIBKEY_LEFT, 1);
    PressKey(LIBKEY_LEFT, 1);
    Type("X");
    EXPECT_EQ(Text(b), "hi theX");
    PressKey('Z', 0, 1);
    EXPECT_EQ(Text(b), "hi there");
    EXPECT_EQ(Selected(b), "re");
    PressKey('Y', 0, 1);
    EXPECT_EQ(Text(b), "hi theX");
}

TEST_F(TextBoxWidget, ATypedCharacterTheFontCannotShowBeepsAndKeepsTheSelection)
{
    TextBox* b = MakeFocused(TEXTBOX_LINE);
    b->SetText("keep");
    b->SelectAll();
    u32 beeps = FakeOsBeepCount();
    FakeOsChar(0xA6, 0);  // the broken bar: not in the character set
    Run();
    EXPECT_EQ(FakeOsBeepCount(), beeps + 1);
    EXPECT_EQ(Text(b), "keep");
    EXPECT_EQ(Selected(b), "keep");
    FakeOsChar(0xA7, 0);  // the section sign is, as character 164
    Run();
    EXPECT_EQ(Text(b), "\xA4");
}

TEST_F(TextBoxWidget, ShiftRightExtendsAndRightWithoutShiftCollapsesToTheEndAndMovesOnce)
{
    TextBox* b = MakeFocused(TEXTBOX_LINE);
    b->SetText("abcdef");
    PressKey(LIBKEY_RIGHT, 1);
    EXPECT_EQ(Selected(b), "a");
    PressKey(LIBKEY_RIGHT, 1);
    EXPECT_EQ(Selected(b), "ab");
    PressKey(LIBKEY_RIGHT);
    EXPECT_FALSE(b->HasSelection());
    EXPECT_EQ(Pos(b->GetCursor()), "0:3");
    PressKey(LIBKEY_LEFT, 1);
    PressKey(LIBKEY_LEFT);
    EXPECT_FALSE(b->HasSelection());
    EXPECT_EQ(Pos(b->GetCursor()), "0:1");
    PressKey(LIBKEY_END, 1);
    EXPECT_EQ(Selected(b), "bcdef");
    PressKey(LIBKEY_HOME);
    EXPECT_EQ(Pos(b->GetCursor()), "0:0");
    EXPECT_EQ(Pos(b->GetAnchor()), "0:0");
}

TEST_F(TextBoxWidget, UpAndDownInASingleLineFieldGoToTheStartAndEnd)
{
    TextBox* b = MakeFocused(TEXTBOX_INTEGER);
    b->SetText("12345");
    b->SetCursorAt(0, 2);
    b->SetAnchorAt(0, 2);
    PressKey(LIBKEY_UP);
    EXPECT_EQ(Pos(b->GetCursor()), "0:0");
    PressKey(LIBKEY_DOWN);
    EXPECT_EQ(Pos(b->GetCursor()), "0:5");
}

TEST_F(TextBoxWidget, LineMovesCrossParagraphsAndKeepTheColumn)
{
    TextBox* b = MakeFocused(TEXTBOX_EDITOR, 300, 10 * kLine);
    b->SetText("abcdef\nab\nabcdefgh");
    b->SetCursorAt(0, 5);
    b->SetAnchorAt(0, 5);
    PressKey(LIBKEY_RIGHT);  // 0:6, remembered x 36
    PressKey(LIBKEY_DOWN);
    EXPECT_EQ(Pos(b->GetCursor()), "1:2");
    PressKey(LIBKEY_DOWN);
    EXPECT_EQ(Pos(b->GetCursor()), "2:6");
    PressKey(LIBKEY_DOWN);  // last line: stays
    EXPECT_EQ(Pos(b->GetCursor()), "2:6");
    PressKey(LIBKEY_UP, 1);
    PressKey(LIBKEY_UP, 1);
    EXPECT_EQ(Selected(b), "\r\nab\r\nabcdef");
    // Left at a paragraph start goes to the end of the paragraph before.
    b->SetCursorAt(2, 0);
    b->SetAnchorAt(2, 0);
    PressKey(LIBKEY_LEFT);
    EXPECT_EQ(Pos(b->GetCursor()), "1:2");
    PressKey(LIBKEY_RIGHT);
    EXPECT_EQ(Pos(b->GetCursor()), "2:0");
}

TEST_F(TextBoxWidget, LeftAndRightCrossWrappedLineEnds)
{
    // 60 px: "aaaa bbbb " on line 0, "cccc" on line 1.
    TextBox* b = MakeFocused(TEXTBOX_EDITOR, 60, 5 * kLine);
    b->SetText("aaaa bbbb cccc");
    b->SetCursorAt(0, 11);
    b->SetAnchorAt(0, 11);
    EXPECT_EQ(b->GetCursor().line, 1u);
    PressKey(LIBKEY_LEFT);
    EXPECT_EQ(b->GetCursor().line, 1u);
    EXPECT_EQ(b->GetCursor().character, 10u);
    PressKey(LIBKEY_LEFT);  // start of a wrapped line: to the end of the line above
    EXPECT_EQ(b->GetCursor().line, 0u);
    EXPECT_EQ(b->GetCursor().character, 10u);
    PressKey(LIBKEY_RIGHT);  // end of a line: to the start of the next
    EXPECT_EQ(b->GetCursor().line, 1u);
    EXPECT_EQ(b->GetCursor().character, 10u);
    PressKey(LIBKEY_END);
    EXPECT_EQ(b->GetCursor().character, 14u);
    PressKey(LIBKEY_UP);
    PressKey(LIBKEY_HOME);
    EXPECT_EQ(Pos(b->GetCursor()), "0:0");
}

TEST_F(TextBoxWidget, PageKeysMoveAPageLessOneLineAndScrollTheCursorIntoView)
{
    // Five visible lines: page = (70 - 7) / 14 = 4.
    TextBox* b = MakeFocused(TEXTBOX_EDITOR, 300, 5 * kLine);
    std::string text;
    for (int i = 0; i < 20; ++i) text += "line " + std::to_string(i) + "\n";
    b->SetText(text.c_str());
    EXPECT_EQ(b->GetVPageSize(), 4);
    EXPECT_EQ(b->GetVTotal(), 21);
    PressKey(LIBKEY_PAGE_DOWN);
    EXPECT_EQ(Pos(b->GetCursor()), "3:0");
    EXPECT_EQ(b->GetVScrollPos(), 0);
    PressKey(LIBKEY_PAGE_DOWN);
    EXPECT_EQ(Pos(b->GetCursor()), "6:0");
    EXPECT_EQ(b->GetVScrollPos(), 3);
    EXPECT_EQ(b->GetTopParagraph()->index, 3u);
    PressKey(LIBKEY_PAGE_UP);
    PressKey(LIBKEY_PAGE_UP);
    PressKey(LIBKEY_PAGE_UP);
    EXPECT_EQ(Pos(b->GetCursor()), "0:0");
    EXPECT_EQ(b->GetVScrollPos(), 0);
}

TEST_F(TextBoxWidget, EditingKeysTypeDeleteAndSplit)
{
    TextBox* b = MakeFocused(TEXTBOX_EDITOR, 300, 5 * kLine);
    Type("abc");
    PressKey(LIBKEY_ENTER);
    Type("d");
    PressKey(LIBKEY_TAB);
    EXPECT_EQ(Text(b), "abc\nd\t");
    PressKey(LIBKEY_BACKSPACE);
    PressKey(LIBKEY_HOME);
    PressKey(LIBKEY_BACKSPACE);
    EXPECT_EQ(Text(b), "abcd");
    PressKey(LIBKEY_DELETE);
    EXPECT_EQ(Text(b), "abc");
    PressKey('Z', 0, 1);
    PressKey('Z', 0, 1);
    EXPECT_EQ(Text(b), "abc\nd");
}

TEST_F(TextBoxWidget, EnterInASingleLineFieldReportsPressAndRelease)
{
    TextBox* b = MakeFocused(TEXTBOX_LINE);
    EnterRecorder rec;
    b->enterPressed.Connect<&EnterRecorder::OnEnter>(&rec);
    Type("x");
    PressKey(LIBKEY_ENTER);
    EXPECT_EQ(rec.log, "10");
    EXPECT_EQ(Text(b), "x");
    // Tab is refused in a single-line field.
    u32 beeps = FakeOsBeepCount();
    PressKey(LIBKEY_TAB);
    EXPECT_EQ(FakeOsBeepCount(), beeps + 1);
    EXPECT_EQ(Text(b), "x");
}

TEST_F(TextBoxWidget, ClipboardKeysCopyCutPasteAndSelectAll)
{
    TextBox* b = MakeFocused(TEXTBOX_LINE);
    b->SetText("copy me");
    PressKey('A', 0, 1);
    PressKey('C', 0, 1);
    EXPECT_STREQ(FakeOsClipboardText8(), "copy me");
    PressKey(LIBKEY_END);
    PressKey('V', 0, 1);
    EXPECT_EQ(Text(b), "copy mecopy me");
    PressKey(LIBKEY_LEFT, 1);
    PressKey('X', 0, 1);
    EXPECT_EQ(Text(b), "copy mecopy m");
    EXPECT_STREQ(FakeOsClipboardText8(), "e");
}

TEST_F(TextBoxWidget, KeysReachNoDisabledBox)
{
    TextBox* b = MakeFocused(TEXTBOX_LINE);
    b->SetText("abc");
    b->SetEnabled(0);
    Type("x");
    PressKey(LIBKEY_BACKSPACE);
    EXPECT_EQ(Text(b), "abc");
    EXPECT_EQ(static_cast<Window*>(b)->cursor, u32(CURSOR_ARROW));
    EXPECT_FALSE(b->TestFlags(WF_FOCUSABLE));
    b->SetEnabled(1);
    EXPECT_EQ(static_cast<Window*>(b)->cursor, u32(CURSOR_IBEAM));
    EXPECT_TRUE(b->TestFlags(WF_FOCUSABLE));
}

TEST_F(TextBoxWidget, AClickPlacesTheCursorAndADragSelects)
{
    TextBox* b = Make(TEXTBOX_LINE);
    b->SetText("abcdefghij");
    // Character boundaries every 6 px; x 100 + 20 lies nearer 18 (index 3) than 24.
    Click(kX + 20, kY + 5);
    Run();
    EXPECT_EQ(Pos(b->GetCursor()), "0:3");
    EXPECT_FALSE(b->HasSelection());
    EXPECT_TRUE(b->IsFocused());
    EXPECT_EQ(WindowSystem::GetModalDepth(), 0u);
    RunSteps(1);  // the step that finishes the ended loop
    MoveTo(kX + 7, kY + 5);
    Press();
    FakeOsEndStep();
    MoveTo(kX + 40, kY + 5);
    FakeOsEndStep();
    Release();
    Run();
    EXPECT_EQ(Selected(b), "bcdefg");
    EXPECT_EQ(WindowSystem::GetModalDepth(), 0u);
    RunSteps(1);
    // Shift+click extends the selection to the clicked character.
    Hold(LIBKEY_LEFT_SHIFT);
    Click(kX + 55, kY + 5);
    Let(LIBKEY_LEFT_SHIFT);
    Run();
    EXPECT_EQ(Selected(b), "bcdefghi");
    RunSteps(1);
    // A right click changes nothing.
    Click(kX + 2, kY + 5, 1);
    Run();
    EXPECT_EQ(Selected(b), "bcdefghi");
}

TEST_F(TextBoxWidget, DraggingBelowTheBoxScrollsInStepsThirtyTimesASecond)
{
    // Five lines shown, page 4; the pointer 2 px below the box is on line top + 5, so each
    // drag step scrolls by 2.
    TextBox* b = Make(TEXTBOX_VIEW, 300, 5 * kLine);
    std::string text;
    for (int i = 0; i < 100; ++i) text += "row " + std::to_string(i) + "\n";
    b->SetText(text.c_str());
    FakeOsSetTime(10.0);
    FakeOsSetStepTime(0.01);
    MoveTo(kX + 3, kY + 3);
    Press();
    FakeOsEndStep();
    MoveTo(kX + 3, kY + 5 * kLine + 2);
    FakeOsEndStep();
    // Half a second below the box: drags every fourth step of 10 ms (1/30 s apart at least).
    for (int i = 0; i < 50; ++i) FakeOsEndStep();
    Release();
    Run();
    EXPECT_EQ(WindowSystem::GetModalDepth(), 0u);
    s32 pos = b->GetVScrollPos();
    EXPECT_GE(pos, 2 * 12);
    EXPECT_LE(pos, 2 * 13);
    EXPECT_EQ(Pos(b->GetAnchor()), "0:0");
    EXPECT_EQ(b->GetCursor().paragraph->index, u32(pos + 3));
    RunSteps(1);
    // Dragging above the box scrolls back up.
    MoveTo(kX + 3, kY + 3);
    Press();
    FakeOsEndStep();
    MoveTo(kX + 3, kY - 2);
    FakeOsEndStep();
    for (int i = 0; i < 20; ++i) FakeOsEndStep();
    Release();
    Run();
    EXPECT_EQ(b->GetVScrollPos(), pos - 5);
    // Inside the box nothing scrolls, however long the button is held.
    RunSteps(1);
    s32 before = b->GetVScrollPos();
    MoveTo(kX + 3, kY + 20);
    Press();
    for (int i = 0; i < 50; ++i) FakeOsEndStep();
    Release();
    Run();
    EXPECT_EQ(b->GetVScrollPos(), before);
    FakeOsSetStepTime(0.0);
}

TEST_F(TextBoxWidget, ScrollingSetsTheTopParagraphAndLine)
{
    // 60 px wide: each "aaaa bbbb cccc" paragraph takes two lines.
    TextBox* b = Make(TEXTBOX_EDITOR, 60, 5 * kLine);
    std::string text;
    for (int i = 0; i < 10; ++i) text += "aaaa bbbb cccc\n";
    b->SetText(text.c_str());
    EXPECT_EQ(b->GetVTotal(), 21);
    struct Case {
        s32 pos;
        u32 paragraph, line;
    };
    const Case cases[] = {{0, 0, 0}, {1, 0, 1}, {2, 1, 0}, {3, 1, 1}, {16, 8, 0}, {17, 8, 1}, {5, 2, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pos);
        b->SetVScrollPos(c.pos);
        ASSERT_EQ(b->GetVScrollPos(), c.pos);
        EXPECT_EQ(b->GetTopParagraph()->index, c.paragraph);
        EXPECT_EQ(b->GetTopLine(), c.line);
    }
    // A click on the first shown line lands in the top paragraph's second line.
    Click(kX + 2, kY + 3);
    Run();
    EXPECT_EQ(Pos(b->GetCursor()), "2:10");
    EXPECT_EQ(b->GetCursor().line, 1u);
}

TEST_F(TextBoxWidget, AlignedLinesAreClickedAtTheirDrawnPlace)
{
    TextBox* b = Make(TEXTBOX_LINE, 100);
    b->SetText("abcd");  // 24 px
    b->SetAlignment(2);  // right: starts at 100 - 24 - 1 = 75
    EXPECT_EQ(b->LineOffset(b->GetFirstParagraph()->lines[0]), 75);
    Click(kX + 75 + 13, kY + 3);
    Run();
    EXPECT_EQ(Pos(b->GetCursor()), "0:2");
    RunSteps(1);
    b->SetAlignment(1);  // centre: 38
    EXPECT_EQ(b->LineOffset(b->GetFirstParagraph()->lines[0]), 38);
    Click(kX + 10, kY + 3);  // left of the text: its start
    Run();
    EXPECT_EQ(Pos(b->GetCursor()), "0:0");
}

TEST_F(TextBoxWidget, FocusByClickKeepsTheCursorWhereClicked)
{
    TextBox* other = MakeFocused(TEXTBOX_LINE);
    other->MoveTo(kX, kY + 50);
    TextBox* b = Make(TEXTBOX_LINE);
    b->SetText("abcdef");
    Click(kX + 13, kY + 3);
    Run();
    EXPECT_TRUE(b->IsFocused());
    EXPECT_FALSE(b->HasSelection());
    EXPECT_EQ(Pos(b->GetCursor()), "0:2");
}

TEST_F(TextBoxWidget, TheCaretShowsAfterAMoveThenBlinksEveryHalfSecond)
{
    TextBox* b = MakeFocused(TEXTBOX_LINE);
    FakeOsSetTime(100.0);
    PressKey(LIBKEY_END);
    RunSteps(1);
    EXPECT_TRUE(b->IsCursorShown());
    FakeOsSetTime(100.6);  // 201 half-seconds: odd, shown
    RunSteps(1);
    EXPECT_TRUE(b->IsCursorShown());
    FakeOsSetTime(101.1);  // 202: even, hidden
    RunSteps(1);
    EXPECT_FALSE(b->IsCursorShown());
    Type("a");
    RunSteps(1);
    EXPECT_TRUE(b->IsCursorShown());
    // Only a focused, editable box shows it.
    TextBox* view = MakeFocused(TEXTBOX_VIEW, 300, 50);
    RunSteps(1);
    EXPECT_FALSE(view->IsCursorShown());
    EXPECT_FALSE(b->IsCursorShown());
}

TEST_F(TextBoxWidget, LeavingANumericFieldByTabFixesAnEmptyOrUnreadableValue)
{
    TextBox* a = Make(TEXTBOX_INTEGER);
    TextBox* n = Make(TEXTBOX_NUMBER);
    TextBox* kept = Make(TEXTBOX_NUMBER);
    kept->SetText("2.5");
    SetTabOrder(a, n, kept, nullptr);
    EXPECT_TRUE(a->IsFocused());
    PressKey(LIBKEY_TAB);
    EXPECT_EQ(Text(a), "0");
    EXPECT_TRUE(n->IsFocused());
    Type("-");
    PressKey(LIBKEY_TAB);
    EXPECT_EQ(Text(n), "-");  // "-" reads as 0 and stays
    EXPECT_TRUE(kept->IsFocused());
    // Focus by Tab selects everything.
    EXPECT_EQ(Selected(kept), "2.5");
    PressKey(LIBKEY_TAB);
    EXPECT_EQ(Text(kept), "2.5");
    EXPECT_EQ(Pos(kept->GetCursor()), "0:0");
    EXPECT_FALSE(kept->HasSelection());
}

TEST_F(TextBoxWidget, ALabelIsOneLineHighWhateverItsText)
{
    TextBox* l = CreateLabel(Layer0(), "two\nlines");
    EXPECT_EQ(l->GetFrameHeight(), kLine);
    EXPECT_EQ(l->GetFrameWidth(), 5 * 6);
    EXPECT_EQ(l->GetKind(), u32(TEXTKIND_MULTILINE));
    EXPECT_FALSE(l->IsEditable());
    TextBox* empty = CreateLabel(Layer0(), nullptr);
    EXPECT_EQ(Text(empty), "");
}

TEST_F(TextBoxWidget, ThePopupEditsInPlaceUntilEnterAndHandsTheBoxBack)
{
    wtest::Probe* owner = new wtest::Probe(WF_VISIBLE | WF_FOCUSABLE, Layer0(), "owner");
    owner->SetFrameXYWH(50, 50, 400, 300);
    TextBox* box = new TextBox(TEXTBOX_LINE, nullptr);
    box->SetParent(nullptr);
    box->SetText("old");
    // Scripted before the modal loop starts: typing replaces the selected text.
    FakeOsEndStep();
    for (const char* c = "new"; *c; ++c) FakeOsChar(u8(*c), 0);
    FakeOsEndStep();
    Key(LIBKEY_ENTER, LIBACTION_PRESS);
    FakeOsEndStep();
    TextPopup(owner, Rect{100, 120, 200, 134}, box);
    EXPECT_EQ(Text(box), "new");
    EXPECT_EQ(box->GetParent(), nullptr);
    EXPECT_FALSE(box->IsFocused());
    EXPECT_TRUE(owner->IsFocused());
    EXPECT_EQ(WindowSystem::GetModalDepth(), 0u);
    while (FakeOsPendingSteps()) wtest::Step();
    wtest::Step();
    EXPECT_EQ(owner->GetChildCount(), 0u);
    box->SetParent(Layer0());
    box->Close();
}

TEST_F(TextBoxWidget, AClickOutsideThePopupEndsItAndReachesTheWindowUnderThePointer)
{
    wtest::Probe* owner = new wtest::Probe(WF_VISIBLE, Layer0(), "owner");
    owner->SetFrameXYWH(50, 50, 400, 300);
    TextBox* box = new TextBox(TEXTBOX_LINE, nullptr);
    box->SetParent(nullptr);
    box->SetText("value");
    FakeOsEndStep();
    MoveTo(300, 300);
    Press();
    Release();
    FakeOsEndStep();
    TextPopup(owner, Rect{100, 120, 200, 134}, box);
    EXPECT_EQ(Text(box), "value");
    EXPECT_EQ(box->GetParent(), nullptr);
    RunSteps(3);
    EXPECT_TRUE(wtest::LogHas("owner:press 300,300 b0"));
    box->SetParent(Layer0());
    box->Close();
}

void CloseOther(wtest::Probe* p) { p->other->Close(); }

TEST_F(TextBoxWidget, AWindowClosedWhileTwoOfItsBoxesRunTheirSelectionLoopsIsLeftByBoth)
{
    // One quick step after a press: the release, a press and release on a second box and a
    // click on the window's own close button (a dialog's Cancel). The second box's loop runs
    // inside the first box's, and the window goes while both handlers are on the stack.
    wtest::Probe* window = new wtest::Probe(WF_VISIBLE, Layer0(), "window");
    window->SetFrameXYWH(50, 50, 400, 300);
    window->SetId(5);
    TextBox* first = new TextBox(TEXTBOX_LINE, window);
    first->SetFrameXYWH(10, 10, 200, kLine);  // {60,60,260,74}
    first->SetText("first");
    TextBox* second = new TextBox(TEXTBOX_LINE, window);
    second->SetFrameXYWH(10, 40, 200, kLine);  // {60,90,260,104}
    second->SetText("second");
    wtest::Probe* cancel = new wtest::Probe(WF_VISIBLE, window, "cancel");
    cancel->SetFrameXYWH(300, 200, 60, 20);  // {350,250,410,270}
    cancel->other = window;
    cancel->onPress = CloseOther;
    MoveTo(70, 65);
    Press();
    FakeOsEndStep();
    Release();
    Click(70, 95);
    Click(360, 260);
    FakeOsEndStep();
    RunSteps(6);
    EXPECT_EQ(wtest::Destroyed(), (std::vector<int>{5, 0}));  // the window, then its button
    EXPECT_EQ(WindowSystem::GetModalDepth(), 0u);
    EXPECT_FALSE(wtest::BudgetFailed());
}

}  // namespace
