// ListWindow: column values (formatting, comparing, parsing) and sorting the tree.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "foundation/ByteOrder.h"
#include "foundation/Sort.h"
#include "foundation/StringUtil.h"
#include "gui/ListWindow.h"

static u64 ReadUnsigned(const void* p, u32 size) { return LoadHostUnsigned(p, size); }

static void WriteUnsigned(void* p, u32 size, u64 v)
{
    switch (size) {
    case 1: *static_cast<u8*>(p) = u8(v); break;
    case 2: {
        u16 x = u16(v);
        memcpy(p, &x, 2);
        break;
    }
    case 4: {
        u32 x = u32(v);
        memcpy(p, &x, 4);
        break;
    }
    case 8: memcpy(p, &v, 8); break;
    }
}

static u64 MaxForSize(u32 size) { return size >= 8 ? ~u64(0) : (u64(1) << (size * 8)) - 1; }

static double ReadReal(const void* p, u32 size)
{
    if (size == 4) {
        float f;
        memcpy(&f, p, 4);
        return f;
    }
    if (size == 8) {
        double d;
        memcpy(&d, p, 8);
        return d;
    }
    return 0.0;
}

// The text of a char array, string pointer or string object value; a full char array's text
// is copied into holder so that it gets a terminator inside its own bounds.
static const char* ValueText(const ListColumn* c, const void* value, String* holder)
{
    switch (c->type) {
    case LCT_CHARARRAY: {
        const char* a = static_cast<const char*>(value);
        u32 n = 0;
        while (n < c->size && a[n]) ++n;
        // Sorting compares many values: one terminated inside its array needs no copy.
        if (n < c->size) return a;
        holder->Set(a, n);
        return holder->c_str();
    }
    case LCT_STRINGPTR: {
        const char* s;
        memcpy(&s, value, sizeof s);
        return s ? s : "";
    }
    case LCT_STRING: return static_cast<const String*>(value)->c_str();
    }
    return "";
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
void ListWindow::FormatColumnValue(const ListColumn* c, const void* value, char* out, u32 size)
{
    if (!out || !size) return;
    out[0] = 0;
    if (!c || !value || !c->format) return;
    String holder;
    switch (c->type) {
    case LCT_FOURCC: {
        u32 v = u32(ReadUnsigned(value, c->size));
        char code[5] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v), 0};
        snprintf(out, size, c->format, code);
        break;
    }
    case LCT_CHARARRAY:
    case LCT_STRINGPTR:
    case LCT_STRING: snprintf(out, size, c->format, ValueText(c, value, &holder)); break;
    case LCT_UINT:
        if (c->size == 8) snprintf(out, size, c->format, (unsigned long long)ReadUnsigned(value, 8));
        else snprintf(out, size, c->format, u32(ReadUnsigned(value, c->size)));
        break;
    case LCT_FLOAT: snprintf(out, size, c->format, ReadReal(value, c->size)); break;
    case LCT_FIXED: snprintf(out, size, c->format, double(ReadUnsigned(value, c->size)) / 65536.0); break;
    }
}
#pragma GCC diagnostic pop

u32 ListWindow::GetColumnEditLength(const ListColumn* c)
{
    if (!c) return 0;
    switch (c->type) {
    case LCT_FOURCC: return 4;
    case LCT_CHARARRAY: return c->size;
    case LCT_STRING: return 256;
    case LCT_UINT: return 11;
    case LCT_FLOAT:
    case LCT_FIXED: return 16;
    }
    return 0;
}

void ListWindow::ParseCellValue(const ListColumn* c, void* value, const char* text)
{
    if (!c || !value) return;
    if (!text) text = "";
    switch (c->type) {
    case LCT_FOURCC: {
        u32 code = 0;
        bool ended = false;
        for (int i = 0; i < 4; ++i) {
            u8 b = ended ? 0 : u8(text[i]);
            if (!b) ended = true;
            code = (code << 8) | b;
        }
        WriteUnsigned(value, c->size, code);
        break;
    }
    case LCT_CHARARRAY: strncpy(static_cast<char*>(value), text, c->size); break;
    case LCT_STRING: static_cast<String*>(value)->Set(text); break;
    case LCT_UINT: {
        // Leading digits; a number beyond the field's range stores the largest value it holds.
        u64 v = 0, limit = MaxForSize(c->size);
        for (const char* p = text; *p >= '0' && *p <= '9'; ++p) {
            u64 d = u64(*p - '0');
            v = v > (limit - d) / 10 ? limit : v * 10 + d;
        }
        WriteUnsigned(value, c->size, v);
        break;
    }
    case LCT_FLOAT: {
        double d = strtod(text, nullptr);
        if (c->size == 4) {
            float f = float(d);
            memcpy(value, &f, 4);
        } else if (c->size == 8) {
            memcpy(value, &d, 8);
        }
        break;
    }
    case LCT_FIXED: {
        if (c->size > 4) break;
        double d = std::trunc(strtod(text, nullptr) * 65536.0);
        double limit = double(MaxForSize(c->size));
        if (!(d > 0)) d = 0;  // also NaN
        if (d > limit) d = limit;
        WriteUnsigned(value, c->size, u64(d));
        break;
    }
    }
}

static int Sign3(u64 a, u64 b) { return a < b ? -1 : a > b ? 1 : 0; }

int ListWindow::CompareColumnValues(const void* recordA, const void* recordB, u32 index)
{
    if (index >= columns.count || !recordA || !recordB) return 0;
    const ListColumn* c = &columns.data[index];
    const void* a = static_cast<const u8*>(recordA) + c->recordOffset;
    const void* b = static_cast<const u8*>(recordB) + c->recordOffset;
    switch (c->type) {
    case LCT_FOURCC:
    case LCT_UINT:
    case LCT_FIXED: return Sign3(ReadUnsigned(a, c->size), ReadUnsigned(b, c->size));
    case LCT_CHARARRAY:
    case LCT_STRINGPTR:
    case LCT_STRING: {
        String ha, hb;
        return NaturalCompare(ValueText(c, a, &ha), ValueText(c, b, &hb));
    }
    case LCT_FLOAT: {
        double x = ReadReal(a, c->size), y = ReadReal(b, c->size);
        return x < y ? -1 : x > y ? 1 : 0;
    }
    }
    return 0;
}

int ListWindow::CompareItems(ListWindow* list, ListItem* a, ListItem* b)
{
    if ((a->flags & LIF_TEXT) && (b->flags & LIF_TEXT)) return NaturalCompare(a->text, b->text);
    // Rows without a record have no cells to compare: they order by their texts.
    if (!a->userData || !b->userData || !list->columns.count) return NaturalCompare(a->text, b->text);
    u32 n = list->columns.count;
    for (u32 p = 0; p < n; ++p)
        for (u32 i = 0; i < n; ++i) {
            const ListColumn& c = list->columns.data[i];
            if (c.sortPriority != p) continue;
            int r = list->CompareColumnValues(a->userData, b->userData, i);
            if (r) return (c.flags & LCF_DESCENDING) ? -r : r;
        }
    return 0;
}

namespace {

// A row as the sort sees it: its first key taken out of its record once, so that most
// comparisons need neither the column table nor the record.
struct SortEntry {
    ListItem* item;
    u32 index;
    bool keyed;        // compared by its cells (it has a record and is not a text row)
    u64 number;        // the first key of a number column
    const char* text;  // the first key of a text column; null: compare the cells
};

struct SortPlan {
    ListWindow* list;
    const DynArray<u32>* keys;  // the columns in the order CompareItems tries them
    const ListColumn* first;
    bool firstNumber, firstText;
};

bool IsNumberColumn(u32 type) { return type == LCT_FOURCC || type == LCT_UINT || type == LCT_FIXED; }
bool IsTextColumn(u32 type) { return type == LCT_CHARARRAY || type == LCT_STRINGPTR || type == LCT_STRING; }

// Two keyed rows are what CompareItems compares by cells: the same answer for every pair, so
// the same order. Ties fall back to the old order, so equal rows keep their places and the
// sort is stable.
int CompareEntries(void* context, const void* a, const void* b)
{
    const SortPlan& plan = *static_cast<const SortPlan*>(context);
    const SortEntry& x = *static_cast<const SortEntry*>(a);
    const SortEntry& y = *static_cast<const SortEntry*>(b);
    int r = 0;
    if (x.keyed && y.keyed) {
        u32 from = 0;
        if (plan.firstNumber) {
            r = Sign3(x.number, y.number);
            from = 1;
        } else if (plan.firstText && x.text && y.text) {
            r = NaturalCompare(x.text, y.text);
            from = 1;
        }
        if (r && (plan.first->flags & LCF_DESCENDING)) r = -r;
        for (u32 k = from; !r && k < plan.keys->count; ++k) {
            const u32 column = plan.keys->data[k];
            r = plan.list->CompareColumnValues(x.item->userData, y.item->userData, column);
            if (r && (plan.list->GetColumn(column)->flags & LCF_DESCENDING)) r = -r;
        }
    } else {
        r = ListWindow::CompareItems(plan.list, x.item, y.item);
    }
    if (r) return r;
    return x.index < y.index ? -1 : x.index > y.index ? 1 : 0;
}

}  // namespace

void ListWindow::SortLevel(ListItem* item)
{
    item->flags &= ~LIF_SORTPENDING;
    if (item->childCount < 2) return;
    ScopedDynArray<SortEntry> entries;
    entries.ResizeRaw(item->childCount);
    if (entries.count < item->childCount) return;  // the heap refused: stays unsorted
    // The columns in the order CompareItems tries them.
    const u32 n = columns.count;
    ScopedDynArray<u32> keys;
    for (u32 p = 0; p < n; ++p)
        for (u32 i = 0; i < n; ++i)
            if (columns.data[i].sortPriority == p) keys.Push(i);
    const ListColumn* first = keys.count ? &columns.data[keys[0]] : nullptr;
    const bool firstNumber = first && IsNumberColumn(first->type);
    const bool firstText = first && IsTextColumn(first->type);
    u32 count = 0;
    String unused;
    for (ListItem* c = item->firstChild; c && count < entries.count; c = c->next) {
        SortEntry& e = entries.data[count];
        e = SortEntry{c, count, c->userData && !(c->flags & LIF_TEXT) && n != 0, 0, nullptr};
        ++count;
        if (!e.keyed || !first) continue;
        const void* value = static_cast<const u8*>(c->userData) + first->recordOffset;
        if (firstNumber) e.number = ReadUnsigned(value, first->size);
        // A full char array needs a copy to be terminated: it is compared from its record.
        if (firstText) {
            const char* t = ValueText(first, value, &unused);
            e.text = t == unused.c_str() ? nullptr : t;
        }
    }
    SortPlan plan{this, &keys, first, firstNumber, firstText};
    SortWithContext(entries.data, count, sizeof(SortEntry), &plan, CompareEntries);
    ListItem* prev = nullptr;
    for (u32 i = 0; i < count; ++i) {
        ListItem* c = entries.data[i].item;
        c->previous = prev;
        c->next = nullptr;
        if (prev) prev->next = c;
        else item->firstChild = c;
        prev = c;
    }
    item->lastChild = prev;
}

void ListWindow::SortChildren(ListItem* item)
{
    if (!item || !item->firstChild) return;
    if (item->flags & LIF_EXPANDED) SortLevel(item);
    else item->flags |= LIF_SORTPENDING;
    for (ListItem* c = item->firstChild; c; c = c->next) SortChildren(c);
}

void ListWindow::Sort()
{
    SortChildren(&root);
    topRow = root.firstChild;
    for (s32 i = GetVScrollPos(); i > 0 && topRow; --i) {
        ListItem* n = NextRow(topRow);
        if (!n) break;
        topRow = n;
    }
    UpdateScrollRange();
    Invalidate(0);
}

void ListWindow::HeaderClick(s32 x)
{
    s32 left = s32(headerX);
    u32 clicked = columns.count;
    for (u32 i = 0; i < columns.count; ++i) {
        const ListColumn& c = columns.data[i];
        if (!c.type || (c.flags & LCF_HIDDEN)) continue;
        if (x >= left && x < left + s32(c.width)) {
            clicked = i;
            break;
        }
        left += s32(c.width);
    }
    if (clicked == columns.count) return;
    ListColumn& c = columns.data[clicked];
    c.flags ^= LCF_DESCENDING;
    if (c.sortPriority != 0) {
        // The keys that came before the clicked one move down one place; those after it keep
        // theirs, so the priorities stay distinct.
        u32 old = c.sortPriority;
        for (u32 i = 0; i < columns.count; ++i) {
            ListColumn& o = columns.data[i];
            if (i != clicked && !(o.flags & LCF_HIDDEN) && o.sortPriority < old) ++o.sortPriority;
        }
        c.sortPriority = 0;
    }
    Sort();
}
