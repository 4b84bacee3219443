#include "CodexFixture.h"

namespace {

const u32 kText = FourCC("text");
const u32 kScen = FourCC("scen");

class CodexIndexTest : public CodexTest {
protected:
    Archive* Make(const char* file, u32 kind, u32 priority, const char* data, u32 tag = FourCC("Rock"))
    {
        return OpenTestArchive(Tags() + file, kind, priority, {{kText, tag, "Rock", Data(data)}});
    }
    void Activate(std::initializer_list<Archive*> list)
    {
        ScopedDynArray<Archive*> set;
        for (Archive* a : list) set.Push(a);
        SetActiveArchives(set);
    }
    Bytes Winner(u32 tag = FourCC("Rock")) { return TagData(FindTag(kText, tag)); }
};

TEST_F(CodexIndexTest, HigherLayerWinsAndDeactivatingItBringsTheLowerCopyBack)
{
    Archive* foundation = Make("foundation", 3, 0, "base");
    Archive* addon = Make("addon", 6, 100, "addon");
    Activate({foundation, addon});
    EXPECT_EQ(Data("addon"), Winner());
    EXPECT_STREQ("addon", GetTagSourceName(FindTag(kText, FourCC("Rock"))));
    Activate({foundation});
    EXPECT_EQ(Data("base"), Winner());
}

TEST_F(CodexIndexTest, OnEqualLayersPriorityThenTheGreaterFileNameWins)
{
    Archive* a = Make("alpha", 6, 100, "alpha");
    Archive* b = Make("beta", 6, 100, "beta");
    Archive* c = Make("gamma", 6, 50, "gamma");
    Activate({a, b, c});
    EXPECT_EQ(Data("beta"), Winner());
    Activate({a, c});
    EXPECT_EQ(Data("alpha"), Winner());
}

TEST_F(CodexIndexTest, KindOneArchivesArePrioritisedInLoadOrderWhateverTheListOrder)
{
    Archive* first = Make("zz-first", 1, 0, "first");
    Archive* second = Make("aa-second", 1, 0, "second");
    Activate({second, first, second});
    EXPECT_EQ(0, first->header.priority);
    EXPECT_EQ(1, second->header.priority);
    EXPECT_EQ(Data("second"), Winner());
    Activate({first, second});
    EXPECT_EQ(Data("second"), Winner());
    EXPECT_EQ(0, first->header.priority);
}

TEST_F(CodexIndexTest, TheLocalCopyWinsOutright)
{
    Archive* a = Make("foundation", 3, 0, "base");
    Activate({a});
    WriteLocal("text", "Rock", "Rock", kText, FourCC("Rock"), Data("local"));
    ASSERT_TRUE(SetLocalFolder(Local().c_str()));
    EXPECT_EQ(Data("local"), Winner());
    EXPECT_STREQ("local folder", GetTagSourceName(FindTag(kText, FourCC("Rock"))));
    Activate({});
    EXPECT_EQ(Data("local"), Winner());
}

TEST_F(CodexIndexTest, ATagOnlyInInactiveArchivesIsNotFoundAndGivesThePlaceholderHeader)
{
    Make("foundation", 3, 0, "base");
    EXPECT_FALSE(FindTag(kText, FourCC("Rock")));
    TagEntry* e = FindTagEntry(kText, FourCC("Rock"));
    ASSERT_TRUE(e);
    TagHeader h;
    memset(&h, 0x55, sizeof h);
    GetTagHeader(e, &h);
    EXPECT_STREQ("~codex_placeholder~", h.name);
    EXPECT_EQ(kText, h.group);
    EXPECT_EQ(FourCC("Rock"), h.tag);
    EXPECT_EQ(0u, h.size);
    EXPECT_FALSE(FindTag(kText, kNoTagId));
    ScopedDynArray<TagEntry*> all;
    ListAllTags(&all);
    EXPECT_EQ(0u, all.count);
    ListFoundationTags(&all);
    EXPECT_EQ(0u, all.count);
}

TEST_F(CodexIndexTest, ActivationOrdersTheArchiveListAndSendsEventFive)
{
    Archive* addon = Make("addon", 6, 100, "x");
    Archive* old = Make("old", 1, 0, "x");
    Archive* middle = Make("middle", 2, 0, "x");
    Archive* base = Make("base", 3, 0, "x");
    events.clear();
    ActivateDefaultArchives();
    ASSERT_EQ(1u, events.size());
    EXPECT_EQ(kCodexActiveSetChanged, events[0].event);
    EXPECT_FALSE(events[0].archive);
    EXPECT_FALSE(IsArchiveActive(old));
    ScopedDynArray<Archive*> active;
    ListActiveArchives(&active);
    ASSERT_EQ(3u, active.count);
    EXPECT_EQ(base, active[0]);
    EXPECT_EQ(middle, active[1]);
    EXPECT_EQ(addon, active[2]);
    // The loaded list: active kinds 3 and 2 first, then add-ons and inactive archives by name.
    EXPECT_EQ(base, GetArchive(0));
    EXPECT_EQ(middle, GetArchive(1));
    EXPECT_EQ(addon, GetArchive(2));
    EXPECT_EQ(old, GetArchive(3));
    EXPECT_FALSE(GetArchive(4));
}

TEST_F(CodexIndexTest, TagIdsComeFromTheFirstWordsOfTheName)
{
    struct { const char* name; const char* id; } cases[] = {
        {"Dragon", "Drag"}, {"Red Dragon", "ReDr"}, {"The Red Dragon", "ThRD"}, {"A B", "A B "},
        {"", "    "}, {"(x)-y;z w", "x yz"}, {"a:b c", "a_c "}, {"Go", "Go  "}};
    for (auto c : cases) {
        TagHeader h = {};
        h.group = kScen;
        SetTagName(h, c.name);
        AssignTagIdFromName(h);
        char text[5];
        TagCodeToText(h.tag, text);
        EXPECT_STREQ(c.id, text) << c.name;
    }
}

TEST_F(CodexIndexTest, TagIdsSkipEveryIndexedTagAndNeverBecomeMinusOne)
{
    WriteLocal("scenery", "a", "a", kScen, FourCC("ReDr"), Data("1"));
    WriteLocal("scenery", "b", "b", kScen, FourCC("ReDs"), Data("2"));
    ASSERT_TRUE(SetLocalFolder(Local().c_str()));
    // ReDt only lives in an inactive archive: still taken.
    OpenTestArchive(Tags() + "x", 3, 0, {{kScen, FourCC("ReDt"), "x", Data("3")}});
    TagHeader h = {};
    h.group = kScen;
    SetTagName(h, "Red Dragon");
    AssignTagIdFromName(h);
    EXPECT_EQ(FourCC("ReDu"), h.tag);

    // Two new tags of one name, neither saved yet, get two entries.
    TagHeader first, second;
    TagEntry* one = CreateTag(kScen, kNoTagId, "Red Dragon", &first, false);
    TagEntry* two = CreateTag(kScen, kNoTagId, "Red Dragon", &second, false);
    ASSERT_TRUE(one && two);
    EXPECT_NE(one, two);
    EXPECT_EQ(FourCC("ReDu"), first.tag);
    EXPECT_EQ(FourCC("ReDv"), second.tag);

    TagHeader top = {};
    top.group = kScen;
    SetTagName(top, "\xff\xff\xff\xff");
    AssignTagIdFromName(top);
    EXPECT_NE(kNoTagId, top.tag);
}

TEST_F(CodexIndexTest, AttachmentsAreKeptOnceAndTheLastDetachOfACopylessTagRemovesIt)
{
    TagEntry* e = GetOrCreateTagEntry(kScen, FourCC("new "));
    int editor = 0, info = 0;
    EXPECT_EQ(1u, AttachToTag(e, kAttachEditor, &editor));
    EXPECT_EQ(1u, AttachToTag(e, kAttachEditor, &editor));
    EXPECT_EQ(2u, AttachToTag(e, kAttachInfo, &info));
    EXPECT_EQ(&info, FindTagAttachment(e, kAttachInfo));
    EXPECT_FALSE(FindTagAttachment(e, kAttachResource));
    u32 key = 0;
    void* object = nullptr;
    EXPECT_TRUE(GetTagAttachment(e, 1, &key, &object));
    EXPECT_EQ(kAttachInfo, key);
    EXPECT_FALSE(GetTagAttachment(e, 2, &key, &object));
    EXPECT_EQ(1u, DetachFromTag(e, kAttachEditor, &editor));
    EXPECT_EQ(e, FindTagEntry(kScen, FourCC("new ")));
    EXPECT_EQ(0u, DetachFromTag(e, kAttachInfo, &info));
    EXPECT_FALSE(FindTagEntry(kScen, FourCC("new ")));
}

TEST_F(CodexIndexTest, AttachedTagsCountOnlyWhenTheyExist)
{
    Archive* a = Make("foundation", 3, 0, "x");
    TagEntry* e = FindTagEntry(kText, FourCC("Rock"));
    Attach(e);
    EXPECT_EQ(0u, CountTagAttachments());
    Activate({a});
    EXPECT_EQ(1u, CountTagAttachments());
    EXPECT_FALSE(RemoveAllLocalInstances() == false);  // no local copies at all
}

TEST_F(CodexIndexTest, ListenersAreRegisteredOnceAndCalledInOrder)
{
    static std::vector<int> order;
    order.clear();
    auto first = [](void*, Archive*, TagEntry*, u32 event) { order.push_back(int(event) * 10 + 1); };
    auto second = [](void*, Archive*, TagEntry*, u32 event) { order.push_back(int(event) * 10 + 2); };
    SetCodexListener(first, nullptr, true);
    SetCodexListener(second, nullptr, true);
    SetCodexListener(first, nullptr, true);
    NotifyCodexListeners(kCodexContentChanged, nullptr, nullptr);
    EXPECT_EQ((std::vector<int>{31, 32}), order);
    SetCodexListener(first, nullptr, false);
    NotifyCodexListeners(kCodexContentChanged, nullptr, nullptr);
    EXPECT_EQ((std::vector<int>{31, 32, 32}), order);
    SetCodexListener(second, nullptr, false);
}

TEST_F(CodexIndexTest, ListsAppendAndSortByGroupNameAndId)
{
    Archive* a = OpenTestArchive(Tags() + "a", 3, 0,
                                 {{kText, FourCC("t002"), "Beta", Data("1")},
                                  {kScen, FourCC("s001"), "Zulu", Data("2")},
                                  {kText, FourCC("t001"), "Beta", Data("3")},
                                  {kText, FourCC("t003"), "Alpha", Data("4")}});
    Activate({a});
    ScopedDynArray<TagEntry*> list;
    ListGroupTags(kText, &list);
    ASSERT_EQ(3u, list.count);
    SortTagList(&list);
    EXPECT_EQ(FourCC("t003"), list[0]->tag);
    EXPECT_EQ(FourCC("t001"), list[1]->tag);
    EXPECT_EQ(FourCC("t002"), list[2]->tag);
    ScopedDynArray<TagEntry*> all;
    ListAllTags(&all);
    SortTagList(&all);
    ASSERT_EQ(4u, all.count);
    EXPECT_EQ(kScen, all[0]->group);  // 'scen' < 'text'
    ScopedDynArray<TagEntry*> inArchive;
    ListArchiveTags(a, &inArchive);
    ASSERT_EQ(4u, inArchive.count);
    EXPECT_EQ(FourCC("t002"), inArchive[0]->tag);
    ScopedDynArray<TagEntry*> foundation;
    ListFoundationTags(&foundation);
    EXPECT_EQ(4u, foundation.count);
}

TEST_F(CodexIndexTest, AListenerRemovedDuringAnEventIsNotCalledAgain)
{
    static std::vector<int> calls;
    calls.clear();
    static CodexCallback second = [](void*, Archive*, TagEntry*, u32) { calls.push_back(2); };
    auto first = [](void*, Archive*, TagEntry*, u32) {
        calls.push_back(1);
        SetCodexListener(second, nullptr, false);
    };
    SetCodexListener(first, nullptr, true);
    SetCodexListener(second, nullptr, true);
    NotifyCodexListeners(kCodexContentChanged, nullptr, nullptr);
    EXPECT_EQ((std::vector<int>{1}), calls);
    SetCodexListener(first, nullptr, false);
}

}  // namespace
