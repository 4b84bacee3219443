// The text editor through the fake backend: how each group's bytes are shown and written back,
// the bytes after an embedded NUL, and typing marks the editor modified. Runs headless.
#include <unistd.h>

#include "TagEditSupport.h"

#include "tagedit/TextEdit.h"

using namespace tetest;

namespace {

TagEdit* MakeTextEdit(TagEntry* e) { return new TextEdit(e); }

class TextEditTest : public TagEditFixture {
protected:
    void SetUp() override
    {
        TagEditFixture::SetUp();
        for (u32 g : {FourCC("ditl"), FourCC("scri"), FourCC("stli"), FourCC("temp"), FourCC("text")})
            Register(g, MakeTextEdit);
    }
    static std::string Shown(TextEdit* ed)
    {
        String s;
        ed->GetTextBox()->GetText(&s);
        return s.c_str();
    }
};

}  // namespace

TEST_F(TextEditTest, EachGroupShowsItsLinesAndWritesThemWithCRLineEnds)
{
    struct Case {
        const char* what;
        u32 group;
        std::string stored;
        std::string shown;
        std::string written;
    } cases[] = {
        {"CR LF", FourCC("text"), "one\r\ntwo\r\n", "one\ntwo\n", "one\rtwo\r"},
        {"LF", FourCC("scri"), "one\ntwo", "one\ntwo", "one\rtwo"},
        {"CR", FourCC("ditl"), "one\rtwo\r", "one\ntwo\n", "one\rtwo\r"},
        {"string list with NULs", FourCC("stli"), std::string("a\0\0b\0", 5), "a\nb\n", "a\rb\r"},
        {"template with every separator", FourCC("temp"), "\r\nx\r\r\n\ny\n", "x\ny\n", "x\ry\r"},
        {"empty text", FourCC("text"), "", "", ""},
        {"empty string list", FourCC("stli"), std::string("\0\r\n", 3), "", ""},
        {"text with a NUL keeps what follows", FourCC("text"), std::string("head\r\0tail\0end", 14), "head\n",
         std::string("head\r\0tail\0end", 14)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        u32 group = c.group;
        std::string folder = GetTagGroupName(group);
        for (char& ch : folder) ch = char(tolower(ch));
        WriteLocalTag(folder, "T", "T", group, FourCC("tttt"), Bytes(c.stored.begin(), c.stored.end()));
        StartDatabase();
        TagEntry* e = FindTag(group, FourCC("tttt"));
        ASSERT_NE(e, nullptr);
        TextEdit* ed = static_cast<TextEdit*>(OpenTagEditor(e));
        ASSERT_NE(ed, nullptr);
        EXPECT_STREQ(ed->GetClassName(), "TextEdit");
        EXPECT_EQ(Shown(ed), c.shown);
        EXPECT_FALSE(ed->IsModified()) << "setting the loaded text is no change";
        ed->SetModified(1);
        CtrlS();
        EXPECT_FALSE(ed->IsModified());
        Bytes file = ReadFile(Local() + folder + "/T");
        ASSERT_GE(file.size(), 64u);
        EXPECT_EQ(Str(Bytes(file.begin() + 64, file.end())), c.written);
        TearDown();
        SetUp();
    }
}

TEST_F(TextEditTest, TypingMarksModifiedAndAnEditBeforeTheNulKeepsTheBytesAfterIt)
{
    Bytes data = {'a', 'b', 'c', 0, 'd', 'e', 'f'};
    WriteLocalTag("text", "Mixed", "Mixed", FourCC("text"), FourCC("mixd"), data);
    StartDatabase();
    TextEdit* ed = static_cast<TextEdit*>(OpenTagEditor(FindTag(FourCC("text"), FourCC("mixd"))));
    ASSERT_NE(ed, nullptr);
    EXPECT_EQ(WindowSystem::GetFocus(), ed->GetTextBox());
    ed->GetTextBox()->SetCursorAt(0, 3);
    ed->GetTextBox()->SetAnchorAt(0, 3);
    Type("X");
    EXPECT_TRUE(ed->IsModified());
    EXPECT_STREQ(ed->GetTitle(), "Mixed*");
    CtrlS();
    Bytes file = ReadFile(Local() + "text/Mixed");
    EXPECT_EQ(Bytes(file.begin() + 64, file.end()), (Bytes{'a', 'b', 'c', 'X', 0, 'd', 'e', 'f'}));
}

// The size in a header is believed only as far as a text can sensibly be: a size near 4 GB once
// wrapped the 32-bit build's buffer size to 0 or 1 bytes before the read. The files are sparse,
// so they cost no disk; every case must be refused before anything is allocated for it.
TEST_F(TextEditTest, AHeaderSizePastTheTextLimitIsRefusedBeforeAnyRead)
{
    struct Case {
        const char* what;
        const char* folder;
        u32 group;
        u64 size;
    } cases[] = {
        {"text one byte past the limit", "text", FourCC("text"), u64(TextEdit::kMaxTextSize) + 1},
        {"text of 0xFFFFFFFF bytes", "text", FourCC("text"), 0xFFFFFFFFull},
        {"string list of 0xFFFFFFFE bytes", "string lists", FourCC("stli"), 0xFFFFFFFEull},
        {"string list of 0xFFFFFFFF bytes", "string lists", FourCC("stli"), 0xFFFFFFFFull},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string path = Local() + c.folder + "/Huge";
        WriteLocalTag(c.folder, "Huge", "Huge", c.group, FourCC("huge"), Bytes{});
        ASSERT_EQ(truncate(path.c_str(), off_t(64 + c.size)), 0);
        StartDatabase();
        TagEntry* e = FindTag(c.group, FourCC("huge"));
        ASSERT_NE(e, nullptr);
        Answer(0);
        EXPECT_EQ(OpenTagEditor(e), nullptr);
        ASSERT_EQ(Seen().size(), 1u);
        EXPECT_EQ(Seen()[0].text, "The tag could not be loaded.");
        Settle();
        EXPECT_EQ(GetTagAttachmentCount(e), 0u);
        TearDown();
        SetUp();
    }
}

TEST_F(TextEditTest, ATextOfExactlyTheLimitStillOpens)
{
    WriteLocalTag("text", "Big", "Big", FourCC("text"), FourCC("big "), Bytes{'a', 'b'});
    std::string path = Local() + "text/Big";
    ASSERT_EQ(truncate(path.c_str(), off_t(64 + u64(TextEdit::kMaxTextSize))), 0);
    StartDatabase();
    TextEdit* ed = static_cast<TextEdit*>(OpenTagEditor(FindTag(FourCC("text"), FourCC("big "))));
    ASSERT_NE(ed, nullptr);
    EXPECT_EQ(Shown(ed), "ab") << "the zero bytes after the text are its unseen tail";
    EXPECT_EQ(ed->tail.count, TextEdit::kMaxTextSize - 2);
}
