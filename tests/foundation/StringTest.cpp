#include "foundation/String.h"

#include "foundation/DynArray.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

namespace {

// How a String is brought to a state, and what it must then answer.
struct EmptyCase {
    const char* what;
    void (*make)(String* s);
    bool empty;
    bool nullBuffer;
    const char* text;
};

const EmptyCase kEmptyCases[] = {
    {"default", [](String*) {}, true, true, ""},
    {"set null", [](String* s) { s->Set(nullptr); }, true, true, ""},
    {"set empty", [](String* s) { s->Set(""); }, true, true, ""},
    {"set zero length", [](String* s) { s->Set("abc", 0); }, true, true, ""},
    {"append empty to empty", [](String* s) { s->Append(""); }, true, true, ""},
    {"append null", [](String* s) { s->Append(nullptr); }, true, true, ""},
    {"set then clear", [](String* s) { s->Set("x"); s->Clear(); }, true, true, ""},
    {"adopt empty buffer", [](String* s) { s->Adopt(strdup("")); }, true, true, ""},
    {"reserve only", [](String* s) { s->Reserve(64); }, true, false, ""},
    {"edited to nothing", [](String* s) { s->Set("ab"); s->Buffer()[0] = 0; }, true, false, ""},
    {"set prefix", [](String* s) { s->Set("hello", 3); }, false, false, "hel"},
    {"adopt", [](String* s) { s->Adopt(strdup("owned")); }, false, false, "owned"},
};

TEST(String, EmptyNullAndSetStatesAnswerConsistently)
{
    for (const EmptyCase& c : kEmptyCases) {
        SCOPED_TRACE(c.what);
        String s;
        c.make(&s);
        EXPECT_EQ(c.empty, s.IsEmpty());
        EXPECT_EQ(c.nullBuffer, s.Buffer() == nullptr);
        ASSERT_NE(nullptr, s.c_str());
        EXPECT_STREQ(c.text, s.c_str());
        EXPECT_EQ(strlen(c.text), s.Length());
        EXPECT_TRUE(s == c.text);
        EXPECT_TRUE(s == String(c.text));
    }
}

TEST(String, AppendingManyPiecesGivesTheConcatenation)
{
    // Pieces of every length up to past several capacity doublings, including self-appends.
    String s;
    std::string expected;
    for (u32 i = 0; i < 3000; ++i) {
        if (i % 97 == 5 && !s.IsEmpty()) {
            const u32 tail = s.Length() < 200 ? s.Length() / 2 : 100;
            const std::string copy = expected.substr(expected.size() - tail);
            s.Append(s.c_str() + s.Length() - tail);  // points into the string being grown
            expected += copy;
        } else {
            std::string piece(i % 13, char('a' + i % 26));
            s.Append(piece.c_str(), u32(piece.size()));
            expected += piece;
        }
        if (i % 500 == 0) {
            ASSERT_EQ(expected.size(), s.Length());
            ASSERT_EQ(expected, s.c_str());
        }
    }
    EXPECT_EQ(expected.size(), s.Length());
    EXPECT_EQ(expected, s.c_str());
    String whole;
    whole.Append(s.c_str(), 4);
    whole.Append(s);  // the whole string as a const char*
    EXPECT_EQ(expected.substr(0, 4) + expected, whole.c_str());
}

TEST(String, SetAndAppendMayReadFromTheStringItself)
{
    String s("abcdef");
    s.Set(s.c_str() + 2);
    EXPECT_STREQ("cdef", s.c_str());
    s.Set(s.c_str(), 2);
    EXPECT_STREQ("cd", s.c_str());
    s.Reserve(100);  // room to append without moving: the source overlaps the target
    s.Append(s.c_str());
    s.Append(s.c_str() + 1, 2);
    EXPECT_STREQ("cdcddc", s.c_str());
    EXPECT_EQ(6u, s.Length());
}

TEST(String, InPlaceEditsThatShortenAreMeasuredAgain)
{
    String path("/a/b/file.txt");
    path.Reserve(64);
    EXPECT_EQ(13u, path.Length());
    char* slash = strrchr(path.Buffer(), '/');
    slash[1] = 0;
    EXPECT_EQ(5u, path.Length());
    path.Append("other");
    EXPECT_STREQ("/a/b/other", path.c_str());
    EXPECT_EQ(10u, path.Length());
    EXPECT_TRUE(path == String("/a/b/other"));
    EXPECT_FALSE(path == String("/a/b/othe"));
}

TEST(String, CopiesAndMovesOwnSeparateBuffers)
{
    String a("one");
    a.Append(" two");
    String b(a);
    b.Append(" three");
    EXPECT_STREQ("one two", a.c_str());
    EXPECT_STREQ("one two three", b.c_str());
    String c(static_cast<String&&>(b));
    EXPECT_TRUE(b.IsEmpty());
    EXPECT_STREQ("one two three", c.c_str());
    a = c;
    a = static_cast<String&&>(a);  // self-move keeps the text
    c.Clear();
    EXPECT_STREQ("one two three", a.c_str());
    String& same = a;
    a = same;
    EXPECT_STREQ("one two three", a.c_str());
}

TEST(String, LivesInDynArraysAndZeroFilledStorageByByteMoves)
{
    DynArray<String> list = {};
    std::string expected[300];
    for (u32 i = 0; i < 300; ++i) {
        String s;
        for (u32 k = 0; k <= i % 7; ++k) s.Append("xy");
        s.Append(std::to_string(i).c_str());
        expected[i] = s.c_str();
        if (i % 3 == 0)
            list.Insert(0, s);  // shifts every element by a byte move
        else
            list.Push(s);
    }
    list.Remove(10, 20);
    u32 found = 0;
    for (const String& s : list) {
        for (const std::string& e : expected)
            if (e == s.c_str()) ++found;
        String grown(s);
        grown.Append("!");
        EXPECT_EQ(s.Length() + 1, grown.Length());
    }
    EXPECT_EQ(280u, found);
    list.Clear();

    // All-zero bytes are an empty String; a String byte-copied out of its place stays whole.
    alignas(String) unsigned char raw[2][sizeof(String)] = {};
    String* zero = reinterpret_cast<String*>(raw[0]);
    EXPECT_TRUE(zero->IsEmpty());
    zero->Append("built");
    zero->Append(" in place");
    memcpy(raw[1], raw[0], sizeof(String));
    String* moved = reinterpret_cast<String*>(raw[1]);
    EXPECT_STREQ("built in place", moved->c_str());
    moved->Append("!");
    EXPECT_STREQ("built in place!", moved->c_str());
    moved->~String();
}

}  // namespace
