// Editing a list item's text or one cell in place: the field runs modally over the row and
// its text is stored, parsed into the record or handed to the owner's callback.
#include <string>

#include "ListTestSupport.h"

using namespace wtest;
using namespace ltest;

namespace {

TEST_F(ListTest, EditingATextItemCommitsTheFieldOnEnter)
{
    Make(0);
    AddRows(2);
    ListItem* item = Add("old", nullptr, LIF_TEXT);
    FakeOsEndStep();  // the popup's first step
    for (const char* p = "new"; *p; ++p) FakeOsChar(u8(*p), 0);
    FakeOsEndStep();
    Tap(LIBKEY_ENTER);
    FakeOsEndStep();
    EXPECT_EQ(list->EditItemText(item), 1);
    EXPECT_STREQ(item->text, "new");
    EXPECT_EQ(list->GetEditingItem(), nullptr);
    EXPECT_EQ(list->editingColumn, -1);
}

TEST_F(ListTest, EditingACellStoresTheParsedValueOrAsksTheCallback)
{
    Make(LWS_COLUMNS);
    list->AddColumn("N", "%u", LCT_UINT, 4, 100, 0, 0);
    u32 value = 17;
    ListItem* item = list->AddItem(nullptr, 0, 0, &value, nullptr);
    list->SelectItem(item, 0);
    FakeOsEndStep();
    for (const char* p = "42"; *p; ++p) FakeOsChar(u8(*p), 0);
    FakeOsEndStep();
    Tap(LIBKEY_ENTER);
    FakeOsEndStep();
    EXPECT_EQ(list->EditItemInPlace(item, 0, nullptr, nullptr), 1);
    EXPECT_EQ(value, 42u);
    EXPECT_FALSE(item->flags & LIF_SELECTED);  // deselected for the edit

    static std::string seen;
    auto refuse = [](ListItem*, void*, s32 column, void* context, const char* text) -> int {
        seen = std::string(text) + "@" + std::to_string(column) + (context ? "+" : "-");
        return 0;
    };
    FakeOsEndStep();
    for (const char* p = "7"; *p; ++p) FakeOsChar(u8(*p), 0);
    FakeOsEndStep();
    Tap(LIBKEY_ENTER);
    FakeOsEndStep();
    EXPECT_EQ(list->EditItemInPlace(item, 0, refuse, &value), 0);
    EXPECT_EQ(seen, "7@0+");
    EXPECT_EQ(value, 42u);  // the callback refused: nothing stored by the list
}

TEST_F(ListTest, AClickOutsideEndsTheEditWithWhatTheFieldHolds)
{
    Make(0);
    ListItem* item = Add("keep", nullptr, LIF_TEXT);
    FakeOsEndStep();
    Click(700, 500);
    FakeOsEndStep();
    EXPECT_EQ(list->EditItemText(item), 1);
    EXPECT_STREQ(item->text, "keep");
}

// The list goes away while its field is open (its window closed by a quit, say): the edit ends
// with nothing stored and nothing reads the deleted list, popup or field.
ListWindow* g_doomed;
int ClosingStep()
{
    if (g_doomed) {
        g_doomed->Close();
        g_doomed = nullptr;
    }
    return Step();
}

TEST_F(ListTest, AListDeletedWhileItsFieldIsOpenEndsTheEditQuietly)
{
    Make(0);
    ListItem* item = Add("old", nullptr, LIF_TEXT);
    g_doomed = list;
    WindowSystem::SetStepHook(ClosingStep);
    FakeOsEndStep();
    EXPECT_EQ(list->EditItemText(item), 0);
    WindowSystem::SetStepHook(Step);
    RunSteps(2);
    EXPECT_EQ(WindowSystem::GetModalDepth(), 0u);
    EXPECT_EQ(WindowSystem::FindWindow(nullptr, "TextPopup"), nullptr);
}

}  // namespace
