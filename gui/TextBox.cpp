// TextBox: construction, the paragraph list, wrapping, layout, positions, reading and
// setting the whole text, numbers and the selection.
#include "gui/TextBox.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "gui/WindowSystem.h"
#include "gui/core/Font.h"
#include "platform/Clipboard.h"

namespace {

// Per style: kind, editable, selectable, word wrap, scrolls, undo, maximum length.
struct StyleRow {
    u32 kind, editable, selectable, wordWrap, scrolls, undo, maxLength;
};
const StyleRow kStyles[7] = {
    {TEXTKIND_MULTILINE, 0, 0, 1, 0, 0, 9999}, {TEXTKIND_MULTILINE, 0, 1, 1, 1, 0, 9999},
    {TEXTKIND_INTEGER, 1, 1, 0, 0, 0, 11},     {TEXTKIND_NUMBER, 1, 1, 0, 0, 0, 8},
    {TEXTKIND_LONGLINE, 1, 1, 0, 0, 0, 9999},  {TEXTKIND_LINE, 1, 1, 0, 0, 1, 255},
    {TEXTKIND_MULTILINE, 1, 1, 1, 1, 1, 9999},
};

constexpr u32 kWrapFlags = 10;
constexpr s32 kUnlimitedWidth = 2147483647;

TextParagraph* NewParagraph()
{
    TextParagraph* p = static_cast<TextParagraph*>(calloc(1, sizeof(TextParagraph)));
    if (!p) {
        fprintf(stderr, "Tavik: out of memory (text paragraph)\n");
        abort();
    }
    p->text.ResizeRaw(1);
    p->text.data[0] = 0;
    return p;
}

void FreeParagraph(TextParagraph* p)
{
    p->text.Free();
    p->lines.Free();
    free(p);
}

}  // namespace

// Defined with the mouse selection loop: a box deleted inside its own loop must not be
// written to after the loop returns.
void TextBoxForgetSelecting(TextBox* box);

TextBox::TextBox(u32 style, Window* parent) : ScrollableWindow(WF_VISIBLE | WF_ENABLED, parent)
{
    const StyleRow& row = kStyles[style < 7 ? style : 0];
    kind = row.kind;
    editable = row.editable;
    selectable = row.selectable;
    wordWrap = row.wordWrap;
    scrolls = row.scrolls;
    undo = row.undo;
    maxLength = row.maxLength;
    wrapWidth = u32(GetContentWidth() > 0 ? GetContentWidth() : 0);
    ResetText();
    if (editable || selectable) AddFlags(WF_FOCUSABLE);
    if (selectable) SetCursor(CURSOR_IBEAM, 0);
    SetSize(128, GetLineHeight());
    Relayout();
}

TextBox::~TextBox()
{
    TextBoxForgetSelecting(this);
    TextParagraph* p = firstParagraph;
    while (p) {
        TextParagraph* next = p->next;
        FreeParagraph(p);
        p = next;
    }
    firstParagraph = lastParagraph = topParagraph = nullptr;
    cursor.paragraph = anchor.paragraph = nullptr;
}

const char* TextBox::GetClassName() const { return "TextBox"; }

// Paragraph list.

void TextBox::ResetText()
{
    TextParagraph* p = firstParagraph;
    while (p) {
        TextParagraph* next = p->next;
        FreeParagraph(p);
        p = next;
    }
    firstParagraph = lastParagraph = NewParagraph();
    paragraphCount = 1;
    lineCount = 0;
    renumberFrom = nullptr;
    renumberAll = 1;
    WrapParagraph(firstParagraph, 0);
    cursor = TextPosition{firstParagraph, 0, 0, 0};
    anchor = cursor;
    topParagraph = firstParagraph;
    topLine = 0;
}

void TextBox::NoteRenumberFrom(TextParagraph* p)
{
    if (renumberAll) return;
    if (!p) {
        renumberAll = 1;
        renumberFrom = nullptr;
        return;
    }
    if (!renumberFrom || p->index < renumberFrom->index) renumberFrom = p;
}

void TextBox::RemoveParagraph(TextParagraph* p)
{
    if (p->previous) p->previous->next = p->next;
    else firstParagraph = p->next;
    if (p->next) p->next->previous = p->previous;
    else lastParagraph = p->previous;
    --paragraphCount;
    lineCount -= p->lines.count;
    if (renumberFrom == p) renumberFrom = nullptr;
    NoteRenumberFrom(p->previous);
    if (topParagraph == p) topParagraph = nullptr;
    FreeParagraph(p);
}

TextParagraph* TextBox::GetParagraph(u32 index) const
{
    if (index >= paragraphCount - 1) return lastParagraph;
    // Walk from the nearest paragraph whose number is known: the first, the last or, when
    // no renumbering is pending, the cursor's.
    TextParagraph* p = firstParagraph;
    u32 at = 0;
    if (paragraphCount - 1 - index < index) {
        p = lastParagraph;
        at = paragraphCount - 1;
    }
    TextParagraph* c = cursor.paragraph;
    if (c && !renumberAll && !renumberFrom) {
        u32 dc = c->index > index ? c->index - index : index - c->index;
        u32 dp = at > index ? at - index : index - at;
        if (dc < dp) {
            p = c;
            at = c->index;
        }
    }
    for (; at < index && p->next; ++at) p = p->next;
    for (; at > index && p->previous; --at) p = p->previous;
    return p;
}

// Wrapping and layout.

void TextBox::WrapParagraph(TextParagraph* p, int propagate)
{
    Font* font = GetFont();
    u32 oldCount = p->lines.count;
    u32 oldEnd = oldCount ? p->lines.data[oldCount - 1].endStyle : 0xFFFFFFFFu;
    u32 style = kFontPlain;
    if (p->previous && p->previous->lines.count)
        style = p->previous->lines.data[p->previous->lines.count - 1].endStyle;
    const char* text = p->Chars();
    u32 length = p->Length();
    s32 width = wordWrap ? s32(wrapWidth > 0x7FFFFFFFu ? 0x7FFFFFFFu : wrapWidth) : kUnlimitedWidth;
    u32 n = 0;
    u32 start = 0;
    for (;;) {
        s32 lineWidth = 0;
        u32 next = length, nextStyle = style;
        int more = font ? MeasureLine(font, text, kWrapFlags, width, start, style, &lineWidth, &next, &nextStyle) : 0;
        if (n >= p->lines.count) p->lines.ResizeRaw(n + 1);
        TextLine& line = p->lines.data[n++];
        line.start = start;
        line.width = u32(lineWidth > 0 ? lineWidth : 0);
        line.xOffset = 0;
        line.startStyle = u16(style);
        line.endStyle = u16(nextStyle);
        if (!more || next <= start || next >= length) {
            line.end = length;
            break;
        }
        line.end = next;
        start = next;
        style = nextStyle;
    }
    // Keep the storage: paragraphs are re-wrapped on every keystroke.
    p->lines.count = n;
    lineCount = lineCount - oldCount + n;
    if (n != oldCount) NoteRenumberFrom(p);
    if (!propagate || oldEnd == p->lines.data[n - 1].endStyle) return;
    // Markup runs on into the following paragraphs until one ends in the style it ended in
    // before.
    for (TextParagraph* q = p->next; q; q = q->next) {
        u32 before = q->lines.count ? q->lines.data[q->lines.count - 1].endStyle : 0xFFFFFFFFu;
        WrapParagraph(q, 0);
        if (q->lines.data[q->lines.count - 1].endStyle == before) break;
    }
}

void TextBox::RewrapParagraphs(TextParagraph* from, TextParagraph* to)
{
    for (TextParagraph* p = from; p; p = p->next) {
        WrapParagraph(p, p == to);
        if (p == to) break;
    }
    if (!batch) Relayout();
}

void TextBox::Relayout()
{
    if (renumberAll || renumberFrom) {
        TextParagraph* p = renumberAll ? firstParagraph : renumberFrom;
        if (p == firstParagraph) {
            p->index = 0;
            p->firstLine = 0;
        }
        for (; p->next; p = p->next) {
            p->next->index = p->index + 1;
            p->next->firstLine = p->firstLine + p->lines.count;
        }
        renumberAll = 0;
        renumberFrom = nullptr;
    }
    Invalidate(0);
    if (kind == TEXTKIND_MULTILINE) {
        s32 lh = GetLineHeight();
        s32 total = 0, page = 0;
        if (scrolls && lh > 0) {
            total = s32(lineCount > 0x7FFFFFFFu ? 0x7FFFFFFFu : lineCount);
            page = (GetContentHeight() - lh / 2) / lh;
            if (page < 0) page = 0;
        }
        SetScrollInfo(SCROLLINFO_VTOTAL | SCROLLINFO_VPAGE, total, 0, page, 0, 0, 0);
    }
    SetTopFromLine(u32(GetVScrollPos() > 0 ? GetVScrollPos() : 0));
}

void TextBox::SetTopFromLine(u32 line)
{
    // From the old top: scrolling and appending move it by a few paragraphs at a time.
    TextParagraph* p = topParagraph ? topParagraph : firstParagraph;
    while (p->previous && p->firstLine > line) p = p->previous;
    while (p->next && p->firstLine + p->lines.count <= line) p = p->next;
    topParagraph = p;
    u32 top = line > p->firstLine ? line - p->firstLine : 0;
    topLine = top < p->lines.count ? top : p->lines.count - 1;
}

void TextBox::VScrolled(s32 line)
{
    SetTopFromLine(u32(line > 0 ? line : 0));
    Invalidate(0);
}

void TextBox::Resized()
{
    ScrollableWindow::Resized();
    if (!firstParagraph) return;
    u32 w = u32(GetContentWidth() > 0 ? GetContentWidth() : 0);
    if (w != wrapWidth) {
        wrapWidth = w;
        if (wordWrap)
            for (TextParagraph* p = firstParagraph; p; p = p->next) WrapParagraph(p, 0);
    }
    UpdatePosition(&cursor);
    UpdatePosition(&anchor);
    if (IsEnabled() && (editable || selectable)) AddFlags(WF_FOCUSABLE);
    Relayout();
}

// Positions.

u32 TextBox::WidthBefore(const TextParagraph* p, const TextLine& line, u32 index) const
{
    Font* font = GetFont();
    if (!font) return 0;
    const char* text = p->Chars();
    u32 i = line.start;
    u32 style = line.startStyle;
    s64 pen = 0;
    while (i < index) {
        u8 c = 0;
        s32 advance = NextCharWithMarkup(font, text, s32(pen), &i, &style, &c, nullptr);
        if (c == 0) break;
        pen += advance;
    }
    if (pen < 0) pen = 0;
    return u32(pen > 0xFFFFFFFF ? 0xFFFFFFFF : pen);
}

u32 TextBox::IndexAtX(const TextParagraph* p, const TextLine& line, s32 x) const
{
    Font* font = GetFont();
    if (!font) return line.start;
    const char* text = p->Chars();
    u32 i = line.start;
    u32 style = line.startStyle;
    s64 pen = 0;
    while (i < line.end) {
        u32 before = i;
        u8 c = 0;
        s32 advance = NextCharWithMarkup(font, text, s32(pen), &i, &style, &c, nullptr);
        if (c == 0) break;
        if (pen + advance >= x) {
            u32 at = s64(x) <= (s64(advance) + 2 * pen) / 2 ? before : i;
            return at < line.end ? at : line.end;
        }
        pen += advance;
    }
    return line.end;
}

void TextBox::UpdatePosition(TextPosition* pos) const
{
    TextParagraph* p = pos->paragraph;
    if (!p) return;
    if (pos->character > p->Length()) pos->character = p->Length();
    u32 line = 0;
    for (u32 i = 0; i < p->lines.count; ++i)
        if (p->lines.data[i].start <= pos->character && pos->character <= p->lines.data[i].end) line = i;
    pos->line = line;
    pos->x = p->lines.count ? WidthBefore(p, p->lines.data[line], pos->character) : 0;
}

void TextBox::SetCursorAt(u32 paragraphIndex, u32 character)
{
    cursor.paragraph = GetParagraph(paragraphIndex);
    cursor.character = character;
    UpdatePosition(&cursor);
}

void TextBox::SetAnchorAt(u32 paragraphIndex, u32 character)
{
    anchor.paragraph = GetParagraph(paragraphIndex);
    anchor.character = character;
    UpdatePosition(&anchor);
}

TextParagraph* TextBox::FindLine(u32 n, u32* lineInParagraph) const
{
    TextParagraph* p = topParagraph ? topParagraph : firstParagraph;
    while (p->previous && p->firstLine > n) p = p->previous;
    while (p->next && p->firstLine + p->lines.count <= n) p = p->next;
    u32 l = n > p->firstLine ? n - p->firstLine : 0;
    if (l >= p->lines.count) l = p->lines.count - 1;
    *lineInParagraph = l;
    return p;
}

s32 TextBox::LineOffset(const TextLine& line) const
{
    s64 w = GetContentWidth();
    if (alignment == 1) return s32((w - s64(line.width)) / 2);
    if (alignment == 2) return s32(w - s64(line.width) - 1);
    return 0;
}

void TextBox::ScrollToCursor()
{
    if (batch || !cursor.paragraph) return;
    s64 line = s64(cursor.paragraph->firstLine) + cursor.line;
    s64 top = GetVScrollPos(), page = GetVPageSize();
    if (line < top) SetVScrollPos(s32(line));
    else if (line > top + page) SetVScrollPos(s32(line - page + 1));
}

void TextBox::EmitIfChanged()
{
    if (!changed) return;
    changed = 0;
    textChanged.Emit();
}

// Whole text.

void TextBox::SetTextInternal(const char* text)
{
    ResetText();
    InsertText(text ? text : "");
    history.Reset();
    cursor = TextPosition{firstParagraph, 0, 0, 0};
    UpdatePosition(&cursor);
    anchor = cursor;
    Relayout();
    SetVScrollPos(0);
    SetTopFromLine(0);
}

void TextBox::SetText(const char* text)
{
    SetTextInternal(text);
    EmitIfChanged();
}

void TextBox::SetTextf(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int n = vsnprintf(nullptr, 0, format, args);
    va_end(args);
    char* buffer = n >= 0 ? static_cast<char*>(malloc(size_t(n) + 1)) : nullptr;
    if (buffer) vsnprintf(buffer, size_t(n) + 1, format, again);
    va_end(again);
    SetText(buffer ? buffer : "");
    free(buffer);
}

void TextBox::SetInt(s32 value) { SetTextf("%d", value); }

void TextBox::SetFloat(double value)
{
    int digits = snprintf(nullptr, 0, "%.0f", value);
    s64 d = s64(maxLength) - digits - 2;
    if (d < 0) {
        SetText("invalid ???");
        return;
    }
    int n = snprintf(nullptr, 0, "%.*f", int(d), value);
    char* buffer = n >= 0 ? static_cast<char*>(malloc(size_t(n) + 1)) : nullptr;
    if (!buffer) {
        SetText("");
        return;
    }
    snprintf(buffer, size_t(n) + 1, "%.*f", int(d), value);
    // Trailing zeros go only from a fraction, and one digit stays after the point.
    if (char* point = strchr(buffer, '.')) {
        size_t len = strlen(buffer);
        while (len > size_t(point - buffer) + 2 && buffer[len - 1] == '0') buffer[--len] = 0;
    }
    SetText(buffer);
    free(buffer);
}

void TextBox::AppendText(const char* text)
{
    cursor.paragraph = lastParagraph;
    cursor.character = lastParagraph->Length();
    UpdatePosition(&cursor);
    anchor = cursor;
    InsertText(text);
    EmitIfChanged();
}

void TextBox::Clear()
{
    ResetText();
    history.Reset();
    Relayout();
    SetVScrollPos(0);
    SetTopFromLine(0);
    EmitIfChanged();
}

u32 TextBox::GetText(String* out) const
{
    u64 chars = 0;
    for (TextParagraph* p = firstParagraph; p; p = p->next) chars += p->Length();
    u64 size = chars + paragraphCount;  // separators and the terminator
    char* buffer = static_cast<char*>(malloc(size_t(size)));
    if (!buffer) {
        out->Clear();
        return 0;
    }
    char* w = buffer;
    for (TextParagraph* p = firstParagraph; p; p = p->next) {
        memcpy(w, p->Chars(), p->Length());
        w += p->Length();
        if (p->next) *w++ = 10;
    }
    *w = 0;
    out->Adopt(buffer);
    return u32(chars);
}

void TextBox::GetSelectedText(String* out) const
{
    TextPosition s, e;
    GetSelection(&s, &e);
    out->Clear();
    if (s.paragraph == e.paragraph) {
        out->Set(s.paragraph->Chars() + s.character, e.character - s.character);
        return;
    }
    out->Set(s.paragraph->Chars() + s.character);
    for (TextParagraph* p = s.paragraph->next; p; p = p->next) {
        out->Append("\r\n");
        if (p == e.paragraph) {
            out->Append(p->Chars(), e.character);
            break;
        }
        out->Append(p->Chars());
    }
}

// Numbers.

int TextBox::GetInt(s32* out) const
{
    if (kind != TEXTKIND_INTEGER) return 0;
    String text;
    GetText(&text);
    const char* t = text.c_str();
    if (!*t || !strcmp(t, "-")) {
        *out = 0;
        return 1;
    }
    if (!((*t >= '0' && *t <= '9') || *t == '-')) return 0;
    errno = 0;
    char* end = nullptr;
    long long v = strtoll(t, &end, 10);
    if (end == t || *end || errno == ERANGE) return 0;
    // long is 64 bits here: the value must fit the field's 32 bits as well.
    if (v < -2147483647LL - 1 || v > 2147483647LL) return 0;
    *out = s32(v);
    return 1;
}

int TextBox::GetFloat(double* out) const
{
    if (kind != TEXTKIND_NUMBER) return 0;
    String text;
    GetText(&text);
    const char* t = text.c_str();
    if (!*t) {
        *out = 0.0;
        return 1;
    }
    if (!((*t >= '0' && *t <= '9') || *t == '-' || *t == '.')) return 0;
    char* end = nullptr;
    double v = strtod(t, &end);
    if (end == t) {
        // What a user has typed on the way to "-0.5" or ".5".
        if (!strcmp(t, "-") || !strcmp(t, ".") || !strcmp(t, "-.")) {
            *out = 0.0;
            return 1;
        }
        return 0;
    }
    if (*end) return 0;
    *out = v;
    return 1;
}

void TextBox::SetMaxLength(u32 n)
{
    if (n == maxLength) return;
    maxLength = n;
    Relayout();
}

void TextBox::SetAlignment(u32 a)
{
    if (a > 2) a = 0;
    if (a == alignment) return;
    alignment = a;
    Relayout();
}

// Selection.

namespace {
bool Before(const TextPosition& a, const TextPosition& b)
{
    if (a.paragraph != b.paragraph) return a.paragraph->index < b.paragraph->index;
    if (a.character != b.character) return a.character < b.character;
    return a.line < b.line;
}
}  // namespace

bool TextBox::HasSelection() const
{
    return cursor.paragraph != anchor.paragraph || cursor.character != anchor.character;
}

void TextBox::GetSelection(TextPosition* start, TextPosition* end) const
{
    if (Before(anchor, cursor)) {
        *start = anchor;
        *end = cursor;
    } else {
        *start = cursor;
        *end = anchor;
    }
}

void TextBox::SelectAll()
{
    cursor = TextPosition{firstParagraph, 0, 0, 0};
    UpdatePosition(&cursor);
    anchor.paragraph = lastParagraph;
    anchor.character = lastParagraph->Length();
    UpdatePosition(&anchor);
    ScrollToCursor();
    Invalidate(0);
}

void TextBox::ClearSelection()
{
    anchor = cursor;
    Invalidate(0);
}

void TextBox::CollapseSelection(int toEnd)
{
    TextPosition s, e;
    GetSelection(&s, &e);
    cursor = anchor = toEnd ? e : s;
    Invalidate(0);
}
