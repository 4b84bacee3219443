#include "tagedit/TextEdit.h"

#include <cstdlib>
#include <cstring>

#include "foundation/Files.h"

namespace {

// The bytes left in the stream from its position, or -1 when that cannot be told.
s64 BytesLeft(FILE* stream)
{
    off_t at = ftello(stream);
    if (at < 0 || fseeko(stream, 0, SEEK_END) != 0) return -1;
    off_t end = ftello(stream);
    if (fseeko(stream, at, SEEK_SET) != 0 || end < at) return -1;
    return s64(end - at);
}

bool IsSeparator(char c) { return c == 0 || c == '\r' || c == '\n'; }

}  // namespace

TextEdit::TextEdit(TagEntry* tag) : TagEdit(tag)
{
    box = new TextBox(TEXTBOX_EDITOR, this);
    box->SetTitle("TextEdit Text");
    box->FillParent();
    box->textChanged.Connect<&TagEdit::OnContentChanged>(this);
}

TextEdit::~TextEdit() { tail.Free(); }

const char* TextEdit::GetClassName() const { return "TextEdit"; }

void TextEdit::Resized()
{
    if (box) box->FillParent();
    TagEdit::Resized();
}

bool TextEdit::IsStringListGroup(u32 group) { return group == FourCC("stli") || group == FourCC("temp"); }

int TextEdit::ReadTagData(FILE* stream, TagHeader* h)
{
    // The size comes from the file: it is believed only as far as the stream really reaches, and
    // never past the text limit, which also keeps size + 2 inside a 32-bit size_t below.
    if (h->size > kMaxTextSize) return 0;
    s64 left = BytesLeft(stream);
    if (left < 0 || u64(h->size) > u64(left)) return 0;
    const u32 size = h->size;
    char* bytes = static_cast<char*>(malloc(size_t(size) + 1));
    if (!bytes) return 0;
    if (size && fread(bytes, 1, size, stream) != size) {
        free(bytes);
        return 0;
    }
    bytes[size] = 0;
    tail.Free();

    if (!IsStringListGroup(h->group)) {
        const char* nul = static_cast<const char*>(memchr(bytes, 0, size));
        if (nul) {
            u32 at = u32(nul - bytes);
            tail.ResizeRaw(size - at);
            memcpy(tail.data, nul, size - at);
        }
        box->SetText(bytes);
        free(bytes);
        return 1;
    }

    // One pass into one joined text, so a long list is set at once instead of line by line.
    char* text = static_cast<char*>(malloc(size_t(size) + 2));
    if (!text) {
        free(bytes);
        return 0;
    }
    u32 out = 0;
    for (u32 i = 0; i < size;) {
        if (IsSeparator(bytes[i])) {
            ++i;
            continue;
        }
        while (i < size && !IsSeparator(bytes[i])) text[out++] = bytes[i++];
        text[out++] = '\n';
    }
    text[out] = 0;
    box->SetText(text);
    free(text);
    free(bytes);
    return 1;
}

int TextEdit::WriteTagData(FILE* stream, TagHeader* h)
{
    String text;
    box->GetText(&text);
    // Every string of a list ends with its line break, the last one too.
    if (IsStringListGroup(h->group) && !text.IsEmpty() && text.c_str()[text.Length() - 1] != '\n') text.Append("\n");
    u32 length = text.Length();
    if (char* c = text.Buffer())
        for (char* end = c + length; c < end; ++c)
            if (*c == '\n') *c = '\r';
    if (length && fwrite(text.c_str(), 1, length, stream) != length) return 0;
    if (tail.count && fwrite(tail.data, 1, tail.count, stream) != tail.count) return 0;
    return 1;
}

void TextEdit::Show()
{
    TagEdit::Show();
    Window::SetFocus(box, FOCUS_PROGRAM);
}
