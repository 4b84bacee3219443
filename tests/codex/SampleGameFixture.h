#pragma once
// A test fixture over the sample game folder the build writes beside the program: its
// archives opened, the default set active and its local folder in use.
#include "CodexFixture.h"
#include "tests/common/TestDirs.h"

class SampleGameTest : public CodexTest {
protected:
    void SetUp() override
    {
        CodexTest::SetUp();
        game = std::string(TestBinaryDir()) + "/";
        ASSERT_TRUE(Exists(game + "tags/Foundation")) << "the build writes the sample game (tavik_sample_game)";
        OpenArchivesInFolder((game + "tags").c_str());
        OpenArchivesInFolder((game + "plugins").c_str());
        ActivateDefaultArchives();
        ASSERT_TRUE(SetLocalFolder((game + "local").c_str()));
    }
    TagEntry* Named(u32 group, const char* name)
    {
        ScopedDynArray<TagEntry*> list;
        ListGroupTags(group, &list);
        for (TagEntry* e : list) {
            TagHeader h;
            GetTagHeader(e, &h);
            if (strcmp(h.name, name) == 0) return e;
        }
        return nullptr;
    }
    std::string game;
};
