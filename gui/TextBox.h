#pragma once
// TextBox: the one text widget, from static labels and numeric fields to scrolling text
// views and editable multi-line texts. The text is 8-bit in the font's character set and may
// hold the font's style markup; it is kept as a linked list of paragraphs (one per line
// break), each split into wrapped lines that remember the style in force at their start.
//
// Editing works at the cursor; the selection is the text between the anchor and the cursor.
// Every insertion is validated against the box's kind and maximum length first: a refused
// one beeps and changes nothing. A numeric box whose text no longer parses after an edit
// beeps and gets its text, cursor and anchor back. Boxes with undo record their edits as
// TextBoxActions in their own history.
#include "foundation/DynArray.h"
#include "foundation/Signal.h"
#include "foundation/String.h"
#include "foundation/UndoHistory.h"
#include "gui/ScrollableWindow.h"

// TextBox styles (the constructor argument).
enum : u32 {
    TEXTBOX_LABEL = 0,
    TEXTBOX_VIEW = 1,
    TEXTBOX_INTEGER = 2,
    TEXTBOX_NUMBER = 3,
    TEXTBOX_LONGLINE = 4,
    TEXTBOX_LINE = 5,
    TEXTBOX_EDITOR = 6,
};

// TextBox kinds.
enum : u32 {
    TEXTKIND_INTEGER = 0,
    TEXTKIND_NUMBER = 1,
    TEXTKIND_LINE = 2,
    TEXTKIND_MULTILINE = 3,
    TEXTKIND_LONGLINE = 4,
};

// One wrapped line of a paragraph. Widths are 32-bit: a long unwrapped line may pass 65535
// pixels.
struct TextLine {
    u32 start;  // index of its first character in the paragraph
    u32 end;    // index after its last character
    u32 width;  // pixels
    u16 xOffset;
    u16 startStyle;  // FontStyle in force at the line start
    u16 endStyle;    // FontStyle in force after it
};

struct TextParagraph {
    TextParagraph* previous;
    TextParagraph* next;
    u32 firstLine;  // number of its first wrapped line in the whole text
    u32 index;      // 0-based paragraph number
    DynArray<char> text;  // the characters and one terminating zero (counted)
    DynArray<TextLine> lines;

    u32 Length() const { return text.count ? text.count - 1 : 0; }
    const char* Chars() const { return text.count ? text.data : ""; }
};

// A place in the text: the paragraph, the wrapped line in it, the character index in the
// paragraph and the x (pixels from the line start) of that character.
struct TextPosition {
    TextParagraph* paragraph;
    u32 line;
    u32 character;
    u32 x;
};

class TextBox;

// One undoable edit of a text box (kinds 0 typed character, 1 inserted text, 2 deleted
// backward, 3 deleted forward, 4 deleted selection). Selections are stored as paragraph
// indices and character indices so that they survive the paragraphs being rebuilt.
class TextBoxAction : public UndoableAction {
public:
    enum : u8 { TYPED = 0, INSERTED = 1, DELETED_BACKWARD = 2, DELETED_FORWARD = 3, DELETED_SELECTION = 4 };
    // Records the box's current selection as the selection before the edit; text is copied
    // for kind 1 (null counts as "").
    TextBoxAction(TextBox* box, u8 kind, u8 character, const char* text);
    int Do() override;
    void Undo() override;
    ~TextBoxAction() override;

    u32 before[4];  // cursor paragraph, cursor character, anchor paragraph, anchor character
    u32 after[4];
    TextBox* box;
    u8 kind;
    u8 character;
    u8 deletedOne;
    u8 applied;  // the removed text was taken at the first application
    String inserted;
    String removed;
};

class TextBox : public ScrollableWindow {
public:
    // style 0-6 (TEXTBOX_*); out-of-range styles act as a static label.
    TextBox(u32 style, Window* parent);
    ~TextBox() override;
    const char* GetClassName() const override;

    // Window and ScrollableWindow operations.
    void Tick() override;
    void Resized() override;
    void DrawContent() override;
    int KeyEvent(Event* event) override;
    void CharEvent(Event* event) override;
    void MouseButton(Event* event) override;
    void FocusLost(Window* newFocus, u32 reason) override;
    FocusAnswer FocusGained(Window* oldFocus, u32 reason) override;
    void FlagsChanged(u32 changed) override;
    void VScrolled(s32 line) override;

    // Replaces the whole text (validated as an insertion, even when not editable); cursor and
    // anchor at the start, scrolled to the top, undo history reset. Emits textChanged.
    void SetText(const char* text);
    // Formats without a length limit and sets the result.
    void SetTextf(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void SetInt(s32 value);
    // Prints the value with as many decimals as the maximum length allows (trailing zeros of
    // the fraction dropped, one digit kept after the point). When not even the integer part
    // fits, the text "invalid ???" is set, which a number box refuses (it is left empty).
    void SetFloat(double value);
    // Inserts the text at the end of the text, whatever the cursor. Emits textChanged.
    void AppendText(const char* text);
    // One empty paragraph, cursor and anchor at the start, history reset; emits textChanged
    // only when a change was pending.
    void Clear();
    // The paragraphs joined by line feeds; answers the characters without the separators.
    u32 GetText(String* out) const;
    // The selection with paragraphs joined by CR LF.
    void GetSelectedText(String* out) const;
    // 1 and the value when an integer box holds a whole base-10 number that fits 32 bits
    // ("" and "-" read as 0); 0 otherwise and for other kinds.
    int GetInt(s32* out) const;
    // 1 and the value when a number box holds a number ("", "-", "." and "-." read as 0);
    // 0 otherwise and for other kinds.
    int GetFloat(double* out) const;
    void SetMaxLength(u32 n);
    bool IsEditable() const { return editable != 0; }
    // 0 left, 1 centre, 2 right.
    void SetAlignment(u32 a);

    // Plain editing at the cursor (no undo, no check of editable).
    // Answers 0 when validation refused the text (after a beep; nothing changed).
    int InsertText(const char* text);
    void DeleteSelection();
    // The deleted character (10 for a joined paragraph) or -1.
    s32 DeleteCharBackward();
    s32 DeleteCharForward();
    void SplitParagraph();

    // Undoable editing: nothing unless editable; recorded when the box has undo.
    void TypeChar(u8 c);
    void InsertTextUndoable(const char* text);
    void Backspace();
    void DeleteForward();
    void DeleteSelectionUndoable();

    // Clipboard.
    void Copy();
    void Cut();
    void Paste();

    // Selection.
    void SelectAll();
    void ClearSelection();
    void CollapseSelection(int toEnd);
    bool HasSelection() const;
    // Start and end of the selection in text order.
    void GetSelection(TextPosition* start, TextPosition* end) const;

    // Moves the cursor by characters within its line and by wrapped lines; with useShift and
    // Shift held a selectable box extends the selection. 16777216 characters either way go
    // to the end or start of the line. Answers whether the cursor moved.
    int MoveCursor(s32 characters, s32 lines, int useShift);
    void Undo() { history.Undo(); EmitIfChanged(); }
    void Redo() { history.Redo(); EmitIfChanged(); }

    // Queries (also for tests).
    u32 GetKind() const { return kind; }
    u32 GetLineCount() const { return lineCount; }
    u32 GetParagraphCount() const { return paragraphCount; }
    TextParagraph* GetFirstParagraph() const { return firstParagraph; }
    TextParagraph* GetParagraph(u32 index) const;
    const TextPosition& GetCursor() const { return cursor; }
    const TextPosition& GetAnchor() const { return anchor; }
    UndoHistory& GetHistory() { return history; }
    bool IsCursorShown() const { return cursorShown != 0; }
    TextParagraph* GetTopParagraph() const { return topParagraph; }
    u32 GetTopLine() const { return topLine; }
    u32 GetWrapWidth() const { return wrapWidth; }

    // Positions and layout (used by TextBoxAction and by tests). Paragraph indices past the
    // end mean the last paragraph; characters are clamped to the paragraph.
    void SetCursorAt(u32 paragraphIndex, u32 character);
    void SetAnchorAt(u32 paragraphIndex, u32 character);
    void ScrollToCursor();
    void EmitIfChanged();
    void DragSelection();
    // The paragraph holding global line n and the line within it.
    TextParagraph* FindLine(u32 n, u32* lineInParagraph) const;
    s32 LineOffset(const TextLine& line) const;

    // Fields, in this order.
    UndoHistory history;
    u32 maxLength;
    u32 wrapWidth;
    u32 alignment;
    u32 wordWrap;
    u32 editable;
    u32 selectable;
    u32 undo;
    u32 scrolls;
    u32 kind;
    u32 cursorShown;
    double lastCursorMove;
    u32 lineCount;
    TextPosition cursor;
    TextPosition anchor;
    TextParagraph* firstParagraph;
    TextParagraph* lastParagraph;
    u32 paragraphCount;
    TextParagraph* topParagraph;
    u32 topLine;
    u32 changed;
    u32 batch;
    u32 mouseSelecting;
    u32 anchorFixed;
    double lastDragScroll;
    u32 restoring;
    u32 savedCursor[2];
    u32 savedAnchor[2];
    String savedText;
    Signal<> textChanged;
    Signal<s32> enterPressed;

    // Layout internals.
    void WrapParagraph(TextParagraph* p, int propagate);
    void RewrapParagraphs(TextParagraph* from, TextParagraph* to);
    void Relayout();
    void UpdatePosition(TextPosition* pos) const;
    // Width of the paragraph text [line start, index) in the line's start style.
    u32 WidthBefore(const TextParagraph* p, const TextLine& line, u32 index) const;
    // Character index in the line nearest to x (pixels from the line start).
    u32 IndexAtX(const TextParagraph* p, const TextLine& line, s32 x) const;

private:
    friend class TextBoxAction;
    int ValidateInput(const char* text) const;
    void SaveNumericState();
    int CheckNumericInput();
    void ResetText();
    void SetTextInternal(const char* text);
    void InsertRun(const char* text, u32 length);
    void RemoveParagraph(TextParagraph* p);
    // Replaces into's text from at on with from's text from fromCharacter on (terminator too).
    void JoinText(TextParagraph* into, u32 at, const TextParagraph* from, u32 fromCharacter);
    // After a deletion in p: collapse the selection to the cursor, rewrap and, outside a batch,
    // lay out, scroll to the cursor and check a numeric field.
    void FinishDeletion(TextParagraph* p);
    void SetTopFromLine(u32 line);
    void NoteRenumberFrom(TextParagraph* p);
    int MoveLines(s32 lines);

    TextParagraph* renumberFrom;  // earliest paragraph whose followers' numbers may be stale
    u32 renumberAll;              // every paragraph's numbers may be stale
    u32 restored;                 // the last numeric check restored the saved text
};

// A style-0 box under parent; with a text, the text is set and the frame is sized to the
// text's width by one line height.
TextBox* CreateLabel(Window* parent, const char* text);

// Edits box in place over rect (screen coordinates) in a popup under owner: the box moves
// into the popup with its text selected until Enter or a click outside ends it; the box is
// then detached (no parent) for the caller to read and close. Answers 1 then; 0 when the
// owner was deleted while the popup ran, taking the popup and the box with it (the caller
// must not touch either again), or when owner or box is null.
int TextPopup(Window* owner, const Rect& rect, TextBox* box);
