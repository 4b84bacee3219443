// The text box's text model through its interface, headless: styles, paragraphs and
// wrapping, validation of every kind, the numeric check and restore, numbers, undo of the
// five action kinds and the clipboard through the fake.
#include <string>
#include <vector>

#include "TextBoxSupport.h"
#include "platform/Clipboard.h"

using namespace tbtest;

namespace {

using TextBoxModel = TextBoxFixture;

struct ChangeCounter : public has_slots<> {
    int count = 0;
    void OnChanged() { ++count; }
};

TEST_F(TextBoxModel, EachStyleSetsItsKindFlagsAndMaximumLength)
{
    struct Row {
        u32 style, kind, editable, selectable, wrap, scrolls, undo, maxLength;
    };
    const Row rows[] = {
        {0, TEXTKIND_MULTILINE, 0, 0, 1, 0, 0, 9999}, {1, TEXTKIND_MULTILINE, 0, 1, 1, 1, 0, 9999},
        {2, TEXTKIND_INTEGER, 1, 1, 0, 0, 0, 11},     {3, TEXTKIND_NUMBER, 1, 1, 0, 0, 0, 8},
        {4, TEXTKIND_LONGLINE, 1, 1, 0, 0, 0, 9999},  {5, TEXTKIND_LINE, 1, 1, 0, 0, 1, 255},
        {6, TEXTKIND_MULTILINE, 1, 1, 1, 1, 1, 9999},
    };
    for (const Row& r : rows) {
        TextBox* b = new TextBox(r.style, nullptr);
        SCOPED_TRACE(r.style);
        EXPECT_EQ(b->kind, r.kind);
        EXPECT_EQ(b->editable, r.editable);
        EXPECT_EQ(b->selectable, r.selectable);
        EXPECT_EQ(b->wordWrap, r.wrap);
        EXPECT_EQ(b->scrolls, r.scrolls);
        EXPECT_EQ(b->undo, r.undo);
        EXPECT_EQ(b->maxLength, r.maxLength);
        EXPECT_EQ(b->GetFrameWidth(), 128);
        EXPECT_EQ(b->GetFrameHeight(), kLine);
        EXPECT_EQ(b->TestFlags(WF_FOCUSABLE) != 0, r.editable || r.selectable);
        EXPECT_EQ(static_cast<Window*>(b)->cursor, r.selectable ? u32(CURSOR_IBEAM) : u32(CURSOR_ARROW));
        EXPECT_EQ(b->GetParagraphCount(), 1u);
        EXPECT_EQ(b->GetLineCount(), 1u);
        b->Close();
    }
}

TEST_F(TextBoxModel, LineBreaksOfEveryKindMakeParagraphsAndGetTextJoinsThemWithLineFeeds)
{
    TextBox* b = Make(TEXTBOX_EDITOR, 300, 100);
    b->SetText("one\r\ntwo\rthree\nfour");
    EXPECT_EQ(b->GetParagraphCount(), 4u);
    String s;
    EXPECT_EQ(b->GetText(&s), 15u);
    EXPECT_STREQ(s.c_str(), "one\ntwo\nthree\nfour");
    EXPECT_EQ(Pos(b->GetCursor()), "0:0");
    EXPECT_EQ(Pos(b->GetAnchor()), "0:0");
    b->SelectAll();
    EXPECT_EQ(Selected(b), "one\r\ntwo\r\nthree\r\nfour");
    // Paragraph numbers and first lines follow the list.
    u32 i = 0;
    for (TextParagraph* p = b->GetFirstParagraph(); p; p = p->next, ++i) {
        EXPECT_EQ(p->index, i);
        EXPECT_EQ(p->firstLine, i);
    }
}

TEST_F(TextBoxModel, WordWrapSplitsAtSpacesAndRewrapsWhenTheWidthChanges)
{
    // 60 px hold ten characters of 6 px.
    TextBox* b = Make(TEXTBOX_EDITOR, 60, 100);
    b->SetText("aaaa bbbb cccc dddd");
    TextParagraph* p = b->GetFirstParagraph();
    ASSERT_EQ(p->lines.count, 2u);
    EXPECT_EQ(p->lines[0].start, 0u);
    EXPECT_EQ(p->lines[0].end, 10u);
    EXPECT_EQ(p->lines[0].width, 54u);
    EXPECT_EQ(p->lines[1].start, 10u);
    EXPECT_EQ(p->lines[1].end, 19u);
    EXPECT_EQ(b->GetLineCount(), 2u);
    b->SetSize(30, 100);
    EXPECT_EQ(b->GetWrapWidth(), 30u);
    EXPECT_EQ(b->GetFirstParagraph()->lines.count, 4u);
    EXPECT_EQ(b->GetLineCount(), 4u);
    b->SetSize(300, 100);
    EXPECT_EQ(b->GetLineCount(), 1u);
}

TEST_F(TextBoxModel, SingleLineKindsDoNotWrap)
{
    TextBox* b = Make(TEXTBOX_LONGLINE, 30);
    b->SetText("aaaa bbbb cccc dddd");
    EXPECT_EQ(b->GetLineCount(), 1u);
    EXPECT_EQ(b->GetFirstParagraph()->lines[0].width, 19u * 6);
}

TEST_F(TextBoxModel, LineWidthsPast65535PixelsStayExact)
{
    TextBox* b = Make(TEXTBOX_LONGLINE, 300);
    std::string ws(9999, 'W');
    b->SetText(ws.c_str());
    EXPECT_EQ(Text(b), ws);
    EXPECT_EQ(b->GetFirstParagraph()->lines[0].width, 9999u * 20);
    b->MoveCursor(16777216, 0, 0);
    EXPECT_EQ(b->GetCursor().x, 9999u * 20);
}

TEST_F(TextBoxModel, StyleMarkupRunsOnIntoTheFollowingParagraphs)
{
    TextBox* b = Make(TEXTBOX_EDITOR, 300, 100);
    b->SetText("plain\nmore\nlast");
    EXPECT_EQ(b->GetParagraph(2)->lines[0].startStyle, kFontPlain);
    // Bold switched on in the first paragraph reaches every paragraph after it.
    b->SetCursorAt(0, 0);
    b->SetAnchorAt(0, 0);
    b->InsertText("|b");
    EXPECT_EQ(b->GetParagraph(1)->lines[0].startStyle, kFontBold);
    EXPECT_EQ(b->GetParagraph(2)->lines[0].startStyle, kFontBold);
    b->DeleteCharBackward();
    EXPECT_EQ(b->GetParagraph(2)->lines[0].startStyle, kFontPlain);
}

struct ValidationCase {
    u32 style;
    const char* before;
    const char* insert;
    const char* after;  // the text afterwards
    u32 beeps;
};

TEST_F(TextBoxModel, EachKindValidatesInsertedText)
{
    const ValidationCase cases[] = {
        {TEXTBOX_INTEGER, "", "123", "123", 0},
        {TEXTBOX_INTEGER, "", "-12", "-12", 0},
        {TEXTBOX_INTEGER, "12", "a", "12", 1},
        {TEXTBOX_INTEGER, "", "1-2", "", 1},
        {TEXTBOX_INTEGER, "", "1.5", "", 1},
        {TEXTBOX_INTEGER, "", "-", "-", 0},
        // A minus after digits passes validation but not the numeric check.
        {TEXTBOX_INTEGER, "12", "-", "12", 1},
        {TEXTBOX_INTEGER, "1234567890", "12", "1234567890", 1},
        {TEXTBOX_NUMBER, "", "-1.5", "-1.5", 0},
        {TEXTBOX_NUMBER, "", "1e5", "", 1},
        {TEXTBOX_NUMBER, "1.5", ".", "1.5", 1},
        {TEXTBOX_NUMBER, "", ".", ".", 0},
        {TEXTBOX_NUMBER, "1234567", "89", "1234567", 1},
        {TEXTBOX_LINE, "ab", "c\td", "ab", 1},
        {TEXTBOX_LINE, "ab", "c\nd", "ab", 1},
        {TEXTBOX_LINE, "ab", "c\rd", "ab", 1},
        {TEXTBOX_LINE, "ab", "cd|b", "abcd|b", 0},
        {TEXTBOX_LONGLINE, "", "x\ny", "", 1},
        {TEXTBOX_EDITOR, "ab", "c\td\ne", "abc\td\ne", 0},
    };
    for (const ValidationCase& c : cases) {
        SCOPED_TRACE(std::string(c.before) + " + " + c.insert);
        TextBox* b = Make(c.style);
        b->SetText(c.before);
        b->MoveCursor(16777216, 0, 0);
        u32 beeps = FakeOsBeepCount();
        b->InsertText(c.insert);
        EXPECT_EQ(Text(b), c.after);
        EXPECT_EQ(FakeOsBeepCount() - beeps, c.beeps);
        b->Close();
    }
}

TEST_F(TextBoxModel, TheMaximumLengthCountsTheFirstParagraphWithoutTheSelection)
{
    TextBox* b = Make(TEXTBOX_LINE);
    b->SetMaxLength(5);
    b->SetText("abcde");
    b->InsertText("f");
    EXPECT_EQ(Text(b), "abcde");
    // Replacing two selected characters by two is within the limit.
    b->SetCursorAt(0, 1);
    b->SetAnchorAt(0, 3);
    EXPECT_TRUE(b->InsertText("XY"));
    EXPECT_EQ(Text(b), "aXYde");
    // A multi-line box takes anything whatever its maximum length.
    TextBox* m = Make(TEXTBOX_EDITOR);
    m->SetMaxLength(3);
    m->SetText("abcdef");
    EXPECT_EQ(Text(m), "abcdef");
}

TEST_F(TextBoxModel, ARefusedInsertionKeepsTheSelection)
{
    TextBox* b = Make(TEXTBOX_INTEGER);
    b->SetText("123");
    b->SelectAll();
    u32 beeps = FakeOsBeepCount();
    EXPECT_FALSE(b->InsertText("x"));
    EXPECT_EQ(FakeOsBeepCount(), beeps + 1);
    EXPECT_EQ(Text(b), "123");
    EXPECT_EQ(Selected(b), "123");
    // An over-long text as well.
    TextBox* l = Make(TEXTBOX_LINE);
    l->SetMaxLength(4);
    l->SetText("abcd");
    l->SetCursorAt(0, 1);
    l->SetAnchorAt(0, 2);
    EXPECT_FALSE(l->InsertText("xyz"));
    EXPECT_EQ(Text(l), "abcd");
    EXPECT_EQ(Selected(l), "b");
}

TEST_F(TextBoxModel, AnUnmappableTypedCharacterBeepsAndKeepsTheSelection)
{
    TextBox* b = Make(TEXTBOX_LINE);
    b->SetText("hello");
    b->SelectAll();
    u32 beeps = FakeOsBeepCount();
    b->TypeChar(0);
    EXPECT_EQ(FakeOsBeepCount(), beeps + 1);
    EXPECT_EQ(Text(b), "hello");
    EXPECT_EQ(Selected(b), "hello");
    EXPECT_FALSE(b->GetHistory().Undo());
}

TEST_F(TextBoxModel, ANumericEditThatDoesNotParseIsRestoredWithItsCursorAndABeep)
{
    TextBox* b = Make(TEXTBOX_INTEGER);
    b->SetText("12");
    b->SetCursorAt(0, 1);
    b->SetAnchorAt(0, 1);
    u32 beeps = FakeOsBeepCount();
    b->TypeChar('-');
    EXPECT_EQ(Text(b), "12");
    EXPECT_EQ(FakeOsBeepCount(), beeps + 1);
    EXPECT_EQ(Pos(b->GetCursor()), "0:1");
    EXPECT_EQ(Pos(b->GetAnchor()), "0:1");
    // A minus typed into an empty field stays and reads as 0.
    b->SetText("");
    b->TypeChar('-');
    EXPECT_EQ(Text(b), "-");
    s32 v = 7;
    EXPECT_TRUE(b->GetInt(&v));
    EXPECT_EQ(v, 0);
}

TEST_F(TextBoxModel, PastingIntoANumericFieldIsCheckedLikeTyping)
{
    TextBox* b = Make(TEXTBOX_INTEGER);
    b->SetInt(-42);
    EXPECT_EQ(Text(b), "-42");
    b->MoveCursor(16777216, 0, 0);
    FakeOsClipboardPutText8("7");
    b->Paste();
    EXPECT_EQ(Text(b), "-427");
    u32 beeps = FakeOsBeepCount();
    FakeOsClipboardPutText8("-1");  // valid characters, but no number after the digits
    b->Paste();
    EXPECT_EQ(Text(b), "-427");
    EXPECT_EQ(Pos(b->GetCursor()), "0:4");
    EXPECT_EQ(FakeOsBeepCount(), beeps + 1);
}

TEST_F(TextBoxModel, GetIntAcceptsOnlyWholeNumbersThatFitThirtyTwoBits)
{
    struct Case {
        const char* text;
        int ok;
        s32 value;
    };
    const Case cases[] = {
        {"", 1, 0},           {"-", 1, 0},          {"42", 1, 42},
        {"-2147483648", 1, -2147483647 - 1},         {"2147483647", 1, 2147483647},
        {"2147483648", 0, 0}, {"99999999999", 0, 0}, {"-2147483649", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TextBox* b = Make(TEXTBOX_INTEGER);
        b->SetText(c.text);
        s32 v = 0;
        if (c.ok) {
            EXPECT_EQ(Text(b), c.text);
            EXPECT_TRUE(b->GetInt(&v));
            EXPECT_EQ(v, c.value);
        } else {
            // The check refuses the text: the field goes back to empty.
            EXPECT_EQ(Text(b), "");
        }
        b->Close();
    }
    TextBox* line = Make(TEXTBOX_LINE);
    line->SetText("5");
    s32 v;
    EXPECT_FALSE(line->GetInt(&v));
}

TEST_F(TextBoxModel, GetFloatReadsPartialNumbersAUserIsTyping)
{
    struct Case {
        const char* text;
        double value;
    };
    const Case cases[] = {{"", 0.0}, {"-", 0.0}, {".", 0.0}, {"-.", 0.0}, {"-.5", -0.5}, {"12.25", 12.25}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TextBox* b = Make(TEXTBOX_NUMBER);
        b->SetText(c.text);
        EXPECT_EQ(Text(b), c.text);
        double v = 1.0;
        EXPECT_TRUE(b->GetFloat(&v));
        EXPECT_EQ(v, c.value);
        b->Close();
    }
    TextBox* b = Make(TEXTBOX_NUMBER);
    b->SetText("1.2.3");
    EXPECT_EQ(Text(b), "");
    b->SetText("--1");
    EXPECT_EQ(Text(b), "");
}

TEST_F(TextBoxModel, SetFloatUsesTheDecimalsTheMaximumLengthLeaves)
{
    TextBox* b = Make(TEXTBOX_NUMBER);
    b->SetFloat(12.5);
    EXPECT_EQ(Text(b), "12.5");
    b->SetFloat(3.0);
    EXPECT_EQ(Text(b), "3.0");
    b->SetFloat(-0.125);
    EXPECT_EQ(Text(b), "-0.125");
    b->SetFloat(1.0 / 3.0);
    EXPECT_EQ(Text(b), "0.33333");
    // No point: integer zeros stay.
    b->SetMaxLength(5);
    b->SetFloat(120.0);
    EXPECT_EQ(Text(b), "120");
}

TEST_F(TextBoxModel, LongFormattedTextsAreNotCutOrOverflowed)
{
    TextBox* b = Make(TEXTBOX_NUMBER);
    b->SetMaxLength(300);
    b->SetFloat(1e100);
    double v = 0;
    EXPECT_TRUE(b->GetFloat(&v));
    EXPECT_EQ(v, 1e100);
    EXPECT_EQ(Text(b).size(), 103u);  // 101 digits, the point and one zero
    TextBox* e = Make(TEXTBOX_EDITOR);
    std::string longText(3000, 'x');
    e->SetTextf("%s|%d", longText.c_str(), 7);
    EXPECT_EQ(Text(e), longText + "|7");
}

TEST_F(TextBoxModel, AppendTextGoesToTheEndWhereverTheCursorIs)
{
    TextBox* b = Make(TEXTBOX_VIEW, 300, 100);
    ChangeCounter counter;
    b->textChanged.Connect<&ChangeCounter::OnChanged>(&counter);
    b->SetText("first\nsecond");
    EXPECT_EQ(counter.count, 1);
    b->SetCursorAt(0, 2);
    b->SetAnchorAt(0, 2);
    b->AppendText(" line\nthird");
    EXPECT_EQ(Text(b), "first\nsecond line\nthird");
    EXPECT_EQ(counter.count, 2);
    EXPECT_EQ(b->GetParagraphCount(), 3u);
    EXPECT_EQ(b->GetParagraph(2)->index, 2u);
    EXPECT_EQ(b->GetParagraph(2)->firstLine, 2u);
    // Clear reports only a pending change.
    b->Clear();
    EXPECT_EQ(counter.count, 2);
    EXPECT_EQ(Text(b), "");
}

TEST_F(TextBoxModel, DeletionJoinsParagraphsAndAnswersTheCharacter)
{
    TextBox* b = Make(TEXTBOX_EDITOR, 300, 100);
    b->SetText("ab\ncd");
    b->SetCursorAt(1, 0);
    b->SetAnchorAt(1, 0);
    EXPECT_EQ(b->DeleteCharBackward(), 10);
    EXPECT_EQ(Text(b), "abcd");
    EXPECT_EQ(Pos(b->GetCursor()), "0:2");
    EXPECT_EQ(b->DeleteCharForward(), 'c');
    EXPECT_EQ(b->DeleteCharBackward(), 'b');
    EXPECT_EQ(Text(b), "ad");
    b->SetCursorAt(0, 0);
    b->SetAnchorAt(0, 0);
    EXPECT_EQ(b->DeleteCharBackward(), -1);
    b->SetCursorAt(0, 2);
    b->SetAnchorAt(0, 2);
    EXPECT_EQ(b->DeleteCharForward(), -1);
    EXPECT_EQ(b->GetParagraphCount(), 1u);
    EXPECT_EQ(b->GetLineCount(), 1u);
}

TEST_F(TextBoxModel, DeletingASelectionAcrossParagraphsKeepsBothEnds)
{
    TextBox* b = Make(TEXTBOX_EDITOR, 300, 100);
    b->SetText("one\ntwo\nthree\nfour");
    b->SetCursorAt(3, 2);
    b->SetAnchorAt(0, 1);
    b->DeleteSelection();
    EXPECT_EQ(Text(b), "our");
    EXPECT_EQ(b->GetParagraphCount(), 1u);
    EXPECT_EQ(b->GetLineCount(), 1u);
    EXPECT_EQ(Pos(b->GetCursor()), "0:1");
}

// Undo and redo of each kind, with the text and selection after each step.
struct UndoCase {
    const char* name;
    u32 style;
    const char* text;
    u32 cursor[2], anchor[2];
    void (*edit)(TextBox*);
    const char* edited;
};

TEST_F(TextBoxModel, EachUndoKindRestoresTextAndSelectionAndRedoReappliesIt)
{
    const UndoCase cases[] = {
        {"typed over a selection", TEXTBOX_LINE, "hello", {0, 4}, {0, 1}, [](TextBox* b) { b->TypeChar('a'); },
         "hao"},
        {"typed line break", TEXTBOX_EDITOR, "hello", {0, 2}, {0, 2}, [](TextBox* b) { b->TypeChar(10); },
         "he\nllo"},
        {"inserted text", TEXTBOX_EDITOR, "one\ntwo", {1, 1}, {0, 2},
         [](TextBox* b) { b->InsertTextUndoable("X\r\nY"); }, "onX\nYwo"},
        {"backspace", TEXTBOX_LINE, "hello", {0, 3}, {0, 3}, [](TextBox* b) { b->Backspace(); }, "helo"},
        {"backspace joining", TEXTBOX_EDITOR, "ab\ncd", {1, 0}, {1, 0}, [](TextBox* b) { b->Backspace(); }, "abcd"},
        {"delete forward", TEXTBOX_LINE, "hello", {0, 0}, {0, 0}, [](TextBox* b) { b->DeleteForward(); }, "ello"},
        {"delete forward joining", TEXTBOX_EDITOR, "ab\ncd", {0, 2}, {0, 2}, [](TextBox* b) { b->DeleteForward(); },
         "abcd"},
        {"backspace on a selection", TEXTBOX_EDITOR, "one\ntwo\nthree", {2, 2}, {0, 1},
         [](TextBox* b) { b->Backspace(); }, "oree"},
        {"cut", TEXTBOX_LINE, "hello", {0, 1}, {0, 3}, [](TextBox* b) { b->Cut(); }, "hlo"},
    };
    for (const UndoCase& c : cases) {
        SCOPED_TRACE(c.name);
        TextBox* b = Make(c.style, 300, 100);
        b->SetText(c.text);
        b->SetCursorAt(c.cursor[0], c.cursor[1]);
        b->SetAnchorAt(c.anchor[0], c.anchor[1]);
        std::string selection = Selected(b);
        c.edit(b);
        EXPECT_EQ(Text(b), c.edited);
        std::string cursorAfter = Pos(b->GetCursor());
        ASSERT_TRUE(b->GetHistory().Undo());
        EXPECT_EQ(Text(b), c.text);
        EXPECT_EQ(Pos(b->GetCursor()), std::to_string(c.cursor[0]) + ":" + std::to_string(c.cursor[1]));
        EXPECT_EQ(Pos(b->GetAnchor()), std::to_string(c.anchor[0]) + ":" + std::to_string(c.anchor[1]));
        EXPECT_EQ(Selected(b), selection);
        ASSERT_TRUE(b->GetHistory().Redo());
        EXPECT_EQ(Text(b), c.edited);
        EXPECT_EQ(Pos(b->GetCursor()), cursorAfter);
        // And once more round.
        ASSERT_TRUE(b->GetHistory().Undo());
        EXPECT_EQ(Text(b), c.text);
        b->Close();
    }
}

TEST_F(TextBoxModel, UndoableEditsDoNothingInABoxThatIsNotEditableAndNothingIsRecordedWithoutUndo)
{
    TextBox* view = Make(TEXTBOX_VIEW, 300, 100);
    view->SetText("text");
    view->SelectAll();
    view->TypeChar('x');
    view->Backspace();
    view->DeleteForward();
    view->InsertTextUndoable("y");
    view->DeleteSelectionUndoable();
    EXPECT_EQ(Text(view), "text");
    TextBox* field = Make(TEXTBOX_LONGLINE);
    field->TypeChar('a');
    EXPECT_EQ(Text(field), "a");
    EXPECT_FALSE(field->GetHistory().Undo());
}

TEST_F(TextBoxModel, SetTextAndAFailedEditLeaveNothingToUndo)
{
    TextBox* b = Make(TEXTBOX_LINE);
    b->TypeChar('a');
    b->SetText("new");
    EXPECT_FALSE(b->GetHistory().Undo());
    EXPECT_EQ(Text(b), "new");
    b->MoveCursor(16777216, 0, 0);
    b->TypeChar(9);  // refused
    EXPECT_FALSE(b->GetHistory().Undo());
    b->Backspace();
    b->SetCursorAt(0, 0);
    b->SetAnchorAt(0, 0);
    b->Backspace();  // nothing before the cursor: no step
    EXPECT_TRUE(b->GetHistory().Undo());
    EXPECT_EQ(Text(b), "new");
    EXPECT_FALSE(b->GetHistory().Undo());
}

TEST_F(TextBoxModel, ClipboardCopyCutAndPasteGoThroughTheHostClipboard)
{
    TextBox* b = Make(TEXTBOX_EDITOR, 300, 100);
    b->SetText("alpha\nbeta");
    b->SetCursorAt(1, 2);
    b->SetAnchorAt(0, 3);
    b->Copy();
    EXPECT_STREQ(FakeOsClipboardText8(), "ha\r\nbe");
    b->Cut();
    EXPECT_EQ(Text(b), "alpta");
    b->SetCursorAt(0, 5);
    b->SetAnchorAt(0, 5);
    b->Paste();
    EXPECT_EQ(Text(b), "alptaha\nbe");
    EXPECT_EQ(b->GetParagraphCount(), 2u);
    // Text from another program, with lone line breaks.
    FakeOsClipboardPutText8("x\ry");
    b->SelectAll();
    b->Paste();
    EXPECT_EQ(Text(b), "x\ny");
    EXPECT_TRUE(b->GetHistory().Undo());
    EXPECT_EQ(Text(b), "alptaha\nbe");
    // A single-line box refuses a pasted line break with a beep.
    TextBox* line = Make(TEXTBOX_LINE);
    line->SetText("keep");
    line->SelectAll();
    u32 beeps = FakeOsBeepCount();
    line->Paste();
    EXPECT_EQ(Text(line), "keep");
    EXPECT_EQ(Selected(line), "keep");
    EXPECT_EQ(FakeOsBeepCount(), beeps + 1);
    // An empty selection leaves the clipboard alone; a busy clipboard changes nothing.
    line->ClearSelection();
    line->Copy();
    EXPECT_STREQ(FakeOsClipboardText8(), "x\ry");
    FakeOsClipboardSetBusy(1);
    line->Paste();
    EXPECT_EQ(Text(line), "keep");
    FakeOsClipboardSetBusy(0);
}

TEST_F(TextBoxModel, TheChangedSignalFollowsEditsAndIsNotSentForARestore)
{
    TextBox* b = Make(TEXTBOX_INTEGER);
    ChangeCounter counter;
    b->textChanged.Connect<&ChangeCounter::OnChanged>(&counter);
    b->SetText("5");
    EXPECT_EQ(counter.count, 1);
    b->TypeChar('x');  // refused
    b->EmitIfChanged();
    EXPECT_EQ(counter.count, 1);
    b->MoveCursor(16777216, 0, 0);
    b->TypeChar('-');  // restored
    b->EmitIfChanged();
    EXPECT_EQ(counter.count, 1);
    b->TypeChar('3');
    b->EmitIfChanged();
    EXPECT_EQ(counter.count, 2);
    EXPECT_EQ(Text(b), "53");
}

}  // namespace

namespace {

// The paragraph list, the line numbering and both positions agree with each other.
::testing::AssertionResult Consistent(TextBox* b)
{
    u32 index = 0, lines = 0;
    TextParagraph* prev = nullptr;
    bool cursorFound = false, anchorFound = false;
    for (TextParagraph* p = b->GetFirstParagraph(); p; prev = p, p = p->next, ++index) {
        if (p->previous != prev) return ::testing::AssertionFailure() << "back link of " << index;
        if (p->index != index) return ::testing::AssertionFailure() << "index " << p->index << " at " << index;
        if (p->firstLine != lines) return ::testing::AssertionFailure() << "first line of " << index;
        if (!p->text.count || p->text.data[p->text.count - 1] != 0 || strlen(p->text.data) != p->Length())
            return ::testing::AssertionFailure() << "text of " << index;
        if (!p->lines.count || p->lines[0].start != 0 || p->lines[p->lines.count - 1].end != p->Length())
            return ::testing::AssertionFailure() << "lines of " << index;
        for (u32 i = 1; i < p->lines.count; ++i)
            if (p->lines[i].start != p->lines[i - 1].end || p->lines[i].start >= p->lines[i].end)
                return ::testing::AssertionFailure() << "line " << i << " of " << index;
        lines += p->lines.count;
        cursorFound |= b->GetCursor().paragraph == p;
        anchorFound |= b->GetAnchor().paragraph == p;
    }
    if (index != b->GetParagraphCount()) return ::testing::AssertionFailure() << "paragraph count";
    if (lines != b->GetLineCount()) return ::testing::AssertionFailure() << "line count " << b->GetLineCount();
    if (!cursorFound || !anchorFound) return ::testing::AssertionFailure() << "position outside the text";
    if (b->GetCursor().character > b->GetCursor().paragraph->Length()) return ::testing::AssertionFailure() << "cursor";
    if (b->GetAnchor().character > b->GetAnchor().paragraph->Length()) return ::testing::AssertionFailure() << "anchor";
    if (b->GetCursor().line >= b->GetCursor().paragraph->lines.count) return ::testing::AssertionFailure() << "line";
    return ::testing::AssertionSuccess();
}

TEST_F(TextBoxModel, RandomEditsKeepTheModelConsistentAndUndoRetracesEveryText)
{
    TextBox* b = Make(TEXTBOX_EDITOR, 60, 5 * kLine);
    b->SetText("start with\nsome text|b here");
    std::vector<std::string> states = {Text(b)};
    size_t at = 0;
    u32 seed = 99;
    auto rnd = [&](u32 n) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % n;
    };
    const char* pieces[] = {"x", " ", "ab cd", "\n", "one\r\ntwo", "|b", "|p", "long words wrapping around"};
    FakeOsClipboardPutText8("clip\nboard");
    for (int step = 0; step < 3000; ++step) {
        UndoableAction* current = b->GetHistory().current;
        u32 op = rnd(12);
        bool undoable = true;
        switch (op) {
        case 0:
        case 1: b->TypeChar(u8("abc \n|"[rnd(6)])); break;
        case 2: b->InsertTextUndoable(pieces[rnd(8)]); break;
        case 3: b->Backspace(); break;
        case 4: b->DeleteForward(); break;
        case 5: b->Cut(); break;
        case 6: b->Paste(); break;
        case 7:
            undoable = false;
            if (b->GetHistory().Undo()) {
                ASSERT_GT(at, 0u);
                --at;
                ASSERT_EQ(Text(b), states[at]) << "undo at step " << step;
            }
            break;
        case 8:
            undoable = false;
            if (b->GetHistory().Redo()) {
                ++at;
                ASSERT_LT(at, states.size());
                ASSERT_EQ(Text(b), states[at]) << "redo at step " << step;
            }
            break;
        case 9: {
            undoable = false;
            u32 p = rnd(b->GetParagraphCount());
            b->SetCursorAt(p, rnd(b->GetParagraph(p)->Length() + 1));
            if (rnd(2)) {
                u32 q = rnd(b->GetParagraphCount());
                b->SetAnchorAt(q, rnd(b->GetParagraph(q)->Length() + 1));
            } else {
                b->ClearSelection();
            }
            break;
        }
        case 10:
            undoable = false;
            b->MoveCursor(s32(rnd(5)) - 2, s32(rnd(3)) - 1, 0);
            break;
        default:
            undoable = false;
            b->SetSize(30 + s32(rnd(100)), 5 * kLine);
            break;
        }
        ASSERT_TRUE(Consistent(b)) << "step " << step << " op " << op;
        if (undoable && b->GetHistory().current != current) {
            states.resize(at + 1);
            states.push_back(Text(b));
            ++at;
        } else if (undoable) {
            ASSERT_EQ(Text(b), states[at]) << "an edit that recorded nothing changed the text, step " << step;
        }
    }
    while (b->GetHistory().Undo()) ASSERT_TRUE(Consistent(b));
    EXPECT_EQ(Text(b), states[0]);
}

}  // namespace
