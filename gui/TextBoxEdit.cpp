// TextBox editing: validation, insertion and deletion, the numeric check, the undoable forms
// with their TextBoxAction, and the clipboard.
#include <cstring>

#include "gui/TextBox.h"
#include "gui/WindowSystem.h"
#include "platform/Clipboard.h"

// Validation.

int TextBox::ValidateInput(const char* text) const
{
    if (kind == TEXTKIND_MULTILINE) return 1;
    u64 length = 0;
    for (const char* c = text; *c; ++c, ++length) {
        u8 ch = u8(*c);
        if (ch == 13 || ch == 10 || ch == 9) return 0;
        if (kind == TEXTKIND_INTEGER && !(ch >= '0' && ch <= '9') && !(ch == '-' && c == text)) return 0;
        if (kind == TEXTKIND_NUMBER && !strchr("01234567890-.", ch)) return 0;
    }
    // The selection goes before the text comes in, so it does not count against the limit.
    u64 current = firstParagraph->Length();
    if (HasSelection()) {
        TextPosition s, e;
        GetSelection(&s, &e);
        if (s.paragraph == e.paragraph) current -= e.character - s.character;
    }
    return current + length <= maxLength;
}

// Numeric state.

void TextBox::SaveNumericState()
{
    if (restoring || (kind != TEXTKIND_INTEGER && kind != TEXTKIND_NUMBER)) return;
    GetText(&savedText);
    savedCursor[0] = cursor.paragraph->index;
    savedCursor[1] = cursor.character;
    savedAnchor[0] = anchor.paragraph->index;
    savedAnchor[1] = anchor.character;
}

int TextBox::CheckNumericInput()
{
    restored = 0;
    if (restoring || (kind != TEXTKIND_INTEGER && kind != TEXTKIND_NUMBER)) return 1;
    s32 i = 0;
    double d = 0.0;
    if (kind == TEXTKIND_INTEGER ? GetInt(&i) : GetFloat(&d)) return 1;
    WindowSystem::Beep();
    // The text goes back to what it was: that is no change to report.
    u32 wasChanged = changed;
    restoring = 1;
    String text(savedText);
    SetTextInternal(text);
    SetCursorAt(savedCursor[0], savedCursor[1]);
    SetAnchorAt(savedAnchor[0], savedAnchor[1]);
    restoring = 0;
    changed = wasChanged;
    restored = 1;
    ScrollToCursor();
    Invalidate(0);
    return 0;
}

// Plain editing.

void TextBox::InsertRun(const char* text, u32 length)
{
    if (!length) return;
    TextParagraph* p = cursor.paragraph;
    char* gap = p->text.InsertGap(cursor.character, length);
    memcpy(gap, text, length);
    cursor.character += length;
    anchor = cursor;
}

int TextBox::InsertText(const char* text)
{
    if (!text) text = "";
    restored = 0;
    // Checked before anything changes: a refused text leaves the selection in place.
    if (!ValidateInput(text)) {
        WindowSystem::Beep();
        return 0;
    }
    u32 outer = batch;
    batch = 1;
    SaveNumericState();
    DeleteSelection();
    const char* run = text;
    for (const char* c = text;; ++c) {
        if (*c && *c != 13 && *c != 10) continue;
        InsertRun(run, u32(c - run));
        if (!*c) break;
        if (*c == 13 && c[1] == 10) ++c;
        SplitParagraph();
        run = c + 1;
    }
    batch = outer;
    if (batch) return 1;
    WrapParagraph(cursor.paragraph, 1);
    Relayout();
    UpdatePosition(&cursor);
    anchor = cursor;
    ScrollToCursor();
    if (!CheckNumericInput()) return 0;
    changed = 1;
    return 1;
}

void TextBox::SplitParagraph()
{
    TextParagraph* p = cursor.paragraph;
    u32 at = cursor.character;
    u32 rest = p->Length() - at;
    TextParagraph* q = static_cast<TextParagraph*>(calloc(1, sizeof(TextParagraph)));
    if (!q) {
        fprintf(stderr, "Tavik: out of memory (text paragraph)\n");
        abort();
    }
    q->text.ResizeRaw(rest + 1);
    memcpy(q->text.data, p->text.data + at, rest + 1);
    p->text.ResizeRaw(at + 1);
    p->text.data[at] = 0;
    q->previous = p;
    q->next = p->next;
    if (p->next) p->next->previous = q;
    else lastParagraph = q;
    p->next = q;
    ++paragraphCount;
    q->index = p->index + 1;
    q->firstLine = p->firstLine + p->lines.count;
    NoteRenumberFrom(p);
    WrapParagraph(p, 0);
    WrapParagraph(q, 1);
    cursor = TextPosition{q, 0, 0, 0};
    anchor = cursor;
    if (!batch) {
        Relayout();
        ScrollToCursor();
        changed = 1;
    }
}

void TextBox::JoinText(TextParagraph* into, u32 at, const TextParagraph* from, u32 fromCharacter)
{
    u32 tail = from->Length() - fromCharacter;
    into->text.ResizeRaw(at + tail + 1);
    memcpy(into->text.data + at, from->text.data + fromCharacter, tail + 1);
}

void TextBox::FinishDeletion(TextParagraph* p)
{
    anchor = cursor;
    WrapParagraph(p, 1);
    if (batch) return;
    Relayout();
    UpdatePosition(&cursor);
    anchor = cursor;
    ScrollToCursor();
    if (CheckNumericInput()) changed = 1;
}

void TextBox::DeleteSelection()
{
    if (!HasSelection()) return;
    if (!batch) SaveNumericState();
    TextPosition s, e;
    GetSelection(&s, &e);
    TextParagraph* p = s.paragraph;
    if (p == e.paragraph) {
        p->text.RemoveRange(s.character, e.character - s.character);
    } else {
        TextParagraph* end = e.paragraph;
        JoinText(p, s.character, end, e.character);
        while (p->next != end) RemoveParagraph(p->next);
        RemoveParagraph(end);
    }
    cursor = TextPosition{p, 0, s.character, 0};
    FinishDeletion(p);
}

s32 TextBox::DeleteCharBackward()
{
    if (HasSelection()) {
        DeleteSelection();
        return -1;
    }
    TextParagraph* p = cursor.paragraph;
    s32 answer;
    if (!batch) SaveNumericState();
    if (cursor.character > 0) {
        answer = u8(p->text.data[cursor.character - 1]);
        p->text.RemoveRange(cursor.character - 1, 1);
        --cursor.character;
    } else if (p->previous) {
        TextParagraph* prev = p->previous;
        u32 at = prev->Length();
        JoinText(prev, at, p, 0);
        RemoveParagraph(p);
        p = prev;
        cursor = TextPosition{p, 0, at, 0};
        answer = 10;
    } else {
        return -1;
    }
    FinishDeletion(p);
    return answer;
}

s32 TextBox::DeleteCharForward()
{
    if (HasSelection()) {
        DeleteSelection();
        return -1;
    }
    TextParagraph* p = cursor.paragraph;
    s32 answer;
    if (!batch) SaveNumericState();
    if (cursor.character < p->Length()) {
        answer = u8(p->text.data[cursor.character]);
        p->text.RemoveRange(cursor.character, 1);
    } else if (p->next) {
        TextParagraph* next = p->next;
        JoinText(p, p->Length(), next, 0);
        RemoveParagraph(next);
        answer = 10;
    } else {
        return -1;
    }
    FinishDeletion(p);
    return answer;
}

// Undoable editing.

void TextBox::TypeChar(u8 c)
{
    if (!editable) return;
    // A character the font's set cannot show arrives as 0: refuse it like any other
    // invalid input instead of letting it replace the selection with nothing.
    if (c == 0) {
        WindowSystem::Beep();
        return;
    }
    if (undo) {
        history.Push(new TextBoxAction(this, TextBoxAction::TYPED, c, nullptr), 0);
    } else {
        char s[2] = {char(c), 0};
        InsertText(s);
    }
}

void TextBox::InsertTextUndoable(const char* text)
{
    if (!editable) return;
    if (undo) history.Push(new TextBoxAction(this, TextBoxAction::INSERTED, 0, text), 0);
    else InsertText(text);
}

void TextBox::Backspace()
{
    if (!editable) return;
    if (HasSelection()) DeleteSelectionUndoable();
    else if (undo) history.Push(new TextBoxAction(this, TextBoxAction::DELETED_BACKWARD, 0, nullptr), 0);
    else DeleteCharBackward();
}

void TextBox::DeleteForward()
{
    if (!editable) return;
    if (HasSelection()) DeleteSelectionUndoable();
    else if (undo) history.Push(new TextBoxAction(this, TextBoxAction::DELETED_FORWARD, 0, nullptr), 0);
    else DeleteCharForward();
}

void TextBox::DeleteSelectionUndoable()
{
    if (!editable) return;
    if (undo) history.Push(new TextBoxAction(this, TextBoxAction::DELETED_SELECTION, 0, nullptr), 0);
    else DeleteSelection();
    EmitIfChanged();
}

// Clipboard.

void TextBox::Copy()
{
    // An empty selection leaves the clipboard as it is.
    if (!HasSelection()) return;
    String text;
    GetSelectedText(&text);
    ClipboardSetText(text.c_str());
}

void TextBox::Cut()
{
    Copy();
    if (editable) DeleteSelectionUndoable();
}

void TextBox::Paste()
{
    if (!editable) return;
    String text;
    if (ClipboardGetText(&text)) InsertTextUndoable(text.c_str());
    EmitIfChanged();
}

// TextBoxAction.

namespace {
void StoreSelection(const TextBox* box, u32* out)
{
    const TextPosition& c = box->GetCursor();
    const TextPosition& a = box->GetAnchor();
    out[0] = c.paragraph->index;
    out[1] = c.character;
    out[2] = a.paragraph->index;
    out[3] = a.character;
}

void RestoreSelection(TextBox* box, const u32* in)
{
    box->SetCursorAt(in[0], in[1]);
    box->SetAnchorAt(in[2], in[3]);
    box->ScrollToCursor();
    box->Invalidate(0);
}
}  // namespace

TextBoxAction::TextBoxAction(TextBox* b, u8 k, u8 c, const char* text)
    : box(b), kind(k), character(c), deletedOne(0), applied(0)
{
    StoreSelection(box, before);
    memcpy(after, before, sizeof(after));
    if (k == INSERTED) inserted.Set(text ? text : "");
}

TextBoxAction::~TextBoxAction() {}

int TextBoxAction::Do()
{
    RestoreSelection(box, before);
    switch (kind) {
    case TYPED:
    case INSERTED: {
        if (!applied) box->GetSelectedText(&removed);
        TextPosition s, e;
        box->GetSelection(&s, &e);
        u32 start[2] = {s.paragraph->index, s.character};
        int ok;
        if (kind == TYPED) {
            char text[2] = {char(character), 0};
            ok = box->InsertText(text);
        } else {
            ok = box->InsertText(inserted.c_str());
        }
        // Refused or undone by the numeric check: the text is as it was, nothing to record.
        if (!ok) return 0;
        applied = 1;
        if (kind == INSERTED) {
            after[0] = start[0];
            after[1] = start[1];
            after[2] = box->GetAnchor().paragraph->index;
            after[3] = box->GetAnchor().character;
            return 1;
        }
        break;
    }
    case DELETED_BACKWARD:
    case DELETED_FORWARD: {
        s32 c = kind == DELETED_BACKWARD ? box->DeleteCharBackward() : box->DeleteCharForward();
        if (c < 0 || box->restored) return 0;
        character = u8(c);
        deletedOne = 1;
        break;
    }
    case DELETED_SELECTION:
        if (!box->HasSelection()) return 0;
        if (!applied) box->GetSelectedText(&removed);
        box->DeleteSelection();
        if (box->restored) return 0;
        applied = 1;
        break;
    default:
        return 0;
    }
    StoreSelection(box, after);
    return 1;
}

void TextBoxAction::Undo()
{
    RestoreSelection(box, after);
    switch (kind) {
    case TYPED:
        box->DeleteCharBackward();
        if (!removed.IsEmpty()) box->InsertText(removed.c_str());
        break;
    case INSERTED:
        box->DeleteSelection();
        if (!removed.IsEmpty()) box->InsertText(removed.c_str());
        break;
    case DELETED_BACKWARD:
    case DELETED_FORWARD:
        if (deletedOne) {
            char text[2] = {char(character), 0};
            box->InsertText(text);
        }
        break;
    case DELETED_SELECTION:
        box->InsertText(removed.c_str());
        break;
    }
    RestoreSelection(box, before);
}
