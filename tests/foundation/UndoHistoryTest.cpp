#include <gtest/gtest.h>

#include <string>

#include "foundation/UndoHistory.h"

namespace {

// Records every Do, Undo and destruction as "+name", "-name" and "~name" in one log, so a
// test can check exactly which calls the history made and in what order.
struct Log {
    std::string text;
    void Add(char op, const char* name)
    {
        if (!text.empty()) text += ' ';
        text += op;
        text += name;
    }
    std::string Take()
    {
        std::string t = text;
        text.clear();
        return t;
    }
};

class TestAction : public UndoableAction {
public:
    TestAction(Log* log, const char* name, int answer = 1) : log(log), name(name), answer(answer) {}
    int Do() override
    {
        log->Add('+', name);
        return answer;
    }
    void Undo() override { log->Add('-', name); }
    ~TestAction() override { log->Add('~', name); }

    Log* log;
    const char* name;
    int answer;
};

// Checks that the links run first..last both ways, start with the sentinel and match count.
void ExpectConsistent(const UndoHistory& h)
{
    ASSERT_NE(h.first, nullptr);
    EXPECT_EQ(h.first->prev, nullptr);
    u32 n = 0;
    const UndoableAction* prev = nullptr;
    for (const UndoableAction* a = h.first; a; a = a->next) {
        EXPECT_EQ(a->prev, prev);
        prev = a;
        ++n;
    }
    EXPECT_EQ(prev, h.last);
    EXPECT_EQ(n, h.count);
    if (h.current) {
        bool found = false;
        for (const UndoableAction* a = h.first; a; a = a->next) found |= a == h.current;
        EXPECT_TRUE(found) << "current is not in the list";
    }
}

}  // namespace

TEST(UndoHistory, NewHistoryHasOnlyTheSentinelAndNothingToUndoOrRedo)
{
    UndoHistory h;
    EXPECT_EQ(h.count, 1u);
    EXPECT_EQ(h.current, h.first);
    EXPECT_EQ(h.first, h.last);
    EXPECT_EQ(h.limit, 0xFFFFFFFFu);
    EXPECT_EQ(h.Undo(), 0);
    EXPECT_EQ(h.Redo(), 0);
    ExpectConsistent(h);
}

TEST(UndoHistory, PushRunsDoUnlessAlreadyApplied)
{
    Log log;
    UndoHistory h;
    EXPECT_EQ(h.Push(new TestAction(&log, "A"), 0), 1);
    EXPECT_EQ(log.Take(), "+A");
    EXPECT_EQ(h.Push(new TestAction(&log, "B"), 1), 1);
    EXPECT_EQ(log.Take(), "");
    EXPECT_EQ(h.count, 3u);
    ExpectConsistent(h);
}

TEST(UndoHistory, UndoAndRedoWalkTheHistoryCallingUndoAndDo)
{
    Log log;
    UndoHistory h;
    h.Push(new TestAction(&log, "A"), 0);
    h.Push(new TestAction(&log, "B"), 0);
    log.Take();

    EXPECT_EQ(h.Undo(), 1);
    EXPECT_EQ(h.Undo(), 1);
    EXPECT_EQ(h.Undo(), 0);
    EXPECT_EQ(log.Take(), "-B -A");
    EXPECT_EQ(h.current, h.first);

    EXPECT_EQ(h.Redo(), 1);
    EXPECT_EQ(h.Redo(), 1);
    EXPECT_EQ(h.Redo(), 0);
    EXPECT_EQ(log.Take(), "+A +B");
    EXPECT_EQ(h.current, h.last);
    ExpectConsistent(h);
}

TEST(UndoHistory, PushAfterUndoDropsTheRedoTail)
{
    Log log;
    UndoHistory h;
    h.Push(new TestAction(&log, "E1"), 0);
    h.Push(new TestAction(&log, "E2"), 0);
    h.Undo();
    h.Push(new TestAction(&log, "E3"), 0);
    EXPECT_EQ(log.Take(), "+E1 +E2 -E2 +E3 ~E2");
    EXPECT_EQ(h.Redo(), 0);
    EXPECT_EQ(h.Undo(), 1);
    EXPECT_EQ(h.Undo(), 1);
    EXPECT_EQ(h.Undo(), 0);
    EXPECT_EQ(log.Take(), "-E3 -E1");
    EXPECT_EQ(h.count, 3u);
    ExpectConsistent(h);
}

TEST(UndoHistory, PushAfterUndoingEverythingReplacesTheWholeHistory)
{
    Log log;
    UndoHistory h;
    h.Push(new TestAction(&log, "A"), 0);
    h.Push(new TestAction(&log, "B"), 0);
    h.Undo();
    h.Undo();
    log.Take();
    h.Push(new TestAction(&log, "C"), 1);
    EXPECT_EQ(log.Take(), "~A ~B");
    EXPECT_EQ(h.count, 2u);
    EXPECT_EQ(h.first->next, h.current);
    ExpectConsistent(h);
}

TEST(UndoHistory, FailedDoDeletesTheActionAndKeepsTheHistory)
{
    Log log;
    UndoHistory h;
    h.Push(new TestAction(&log, "A"), 0);
    h.Push(new TestAction(&log, "B"), 0);
    h.Undo();  // B stays as the redo tail
    log.Take();
    UndoableAction* current = h.current;

    EXPECT_EQ(h.Push(new TestAction(&log, "F", 0), 0), 0);
    EXPECT_EQ(log.Take(), "+F ~F");
    EXPECT_EQ(h.current, current);
    EXPECT_EQ(h.count, 3u);
    EXPECT_EQ(h.Redo(), 1);  // the redo tail survived
    EXPECT_EQ(log.Take(), "+B");
    ExpectConsistent(h);
}

TEST(UndoHistory, PushOfNullAnswersZero)
{
    UndoHistory h;
    EXPECT_EQ(h.Push(nullptr, 0), 0);
    EXPECT_EQ(h.Push(nullptr, 1), 0);
    EXPECT_EQ(h.count, 1u);
}

TEST(UndoHistory, ResetDeletesEverythingButTheSentinelAndLeavesNothingCurrent)
{
    Log log;
    UndoHistory h;
    h.Push(new TestAction(&log, "A"), 0);
    h.Push(new TestAction(&log, "B"), 0);
    h.Undo();
    log.Take();

    h.Reset();
    EXPECT_EQ(log.Take(), "~A ~B");
    EXPECT_EQ(h.current, nullptr);
    EXPECT_EQ(h.count, 1u);
    EXPECT_EQ(h.first, h.last);
    EXPECT_EQ(h.Undo(), 0);
    EXPECT_EQ(h.Redo(), 0);
    EXPECT_EQ(log.Take(), "");
    ExpectConsistent(h);

    h.Push(new TestAction(&log, "C"), 0);
    EXPECT_EQ(h.count, 2u);
    EXPECT_EQ(h.Undo(), 1);
    EXPECT_EQ(h.Undo(), 0);
    EXPECT_EQ(h.Redo(), 1);
    EXPECT_EQ(log.Take(), "+C -C +C");
    ExpectConsistent(h);
}

TEST(UndoHistory, DestructorDeletesEveryActionOnce)
{
    Log log;
    {
        UndoHistory h;
        h.Push(new TestAction(&log, "A"), 0);
        h.Push(new TestAction(&log, "B"), 0);
        h.Undo();
        log.Take();
    }
    EXPECT_EQ(log.Take(), "~A ~B");
}

TEST(UndoHistory, ManyActionsAreKeptWithoutBound)
{
    Log log;
    UndoHistory h;
    const u32 n = 5000;
    for (u32 i = 0; i < n; ++i) h.Push(new TestAction(&log, "x"), 1);
    EXPECT_EQ(h.count, n + 1);
    u32 undone = 0;
    while (h.Undo()) ++undone;
    EXPECT_EQ(undone, n);
    ExpectConsistent(h);
}

namespace {

// A history of the sentinel and actions named A..E, all applied; `undos` of them undone.
struct Fixture {
    Log log;
    UndoHistory h;
    UndoableAction* a[5];
    explicit Fixture(int undos)
    {
        static const char* names[5] = {"A", "B", "C", "D", "E"};
        for (int i = 0; i < 5; ++i) {
            a[i] = new TestAction(&log, names[i]);
            h.Push(a[i], 1);
        }
        for (int i = 0; i < undos; ++i) h.Undo();
        log.Take();
    }
};

}  // namespace

TEST(UndoHistory, EraseRangeDeletesTheRunInOrderAndRelinks)
{
    Fixture f(0);
    EXPECT_EQ(f.h.EraseRange(f.a[1], f.a[3]), 1);
    EXPECT_EQ(f.log.Take(), "~B ~C ~D");
    EXPECT_EQ(f.h.count, 3u);
    EXPECT_EQ(f.a[0]->next, f.a[4]);
    EXPECT_EQ(f.a[4]->prev, f.a[0]);
    EXPECT_EQ(f.h.current, f.a[4]);
    ExpectConsistent(f.h);
    EXPECT_EQ(f.h.Undo(), 1);
    EXPECT_EQ(f.h.Undo(), 1);
    EXPECT_EQ(f.h.Undo(), 0);
    EXPECT_EQ(f.log.Take(), "-E -A");
}

TEST(UndoHistory, EraseRangeHoldingCurrentMovesCurrentBeforeTheRun)
{
    // Current C (D and E undone); erase B..D: A becomes current and E stays redoable.
    Fixture f(2);
    ASSERT_EQ(f.h.current, f.a[2]);
    EXPECT_EQ(f.h.EraseRange(f.a[1], f.a[3]), 1);
    EXPECT_EQ(f.h.current, f.a[0]);
    ExpectConsistent(f.h);
    EXPECT_EQ(f.h.Redo(), 1);
    EXPECT_EQ(f.h.Redo(), 0);
    EXPECT_EQ(f.h.Undo(), 1);
    EXPECT_EQ(f.h.Undo(), 1);
    EXPECT_EQ(f.h.Undo(), 0);
    EXPECT_EQ(f.log.Take(), "~B ~C ~D +E -E -A");
}

TEST(UndoHistory, EraseRangeOfTheNewestActionsMovesLastAndCurrent)
{
    Fixture f(0);
    EXPECT_EQ(f.h.EraseRange(f.a[3], f.a[4]), 1);
    EXPECT_EQ(f.h.last, f.a[2]);
    EXPECT_EQ(f.h.current, f.a[2]);
    ExpectConsistent(f.h);
    EXPECT_EQ(f.h.Redo(), 0);
    f.h.Push(new TestAction(&f.log, "F"), 1);
    EXPECT_EQ(f.h.count, 5u);
    ExpectConsistent(f.h);
}

TEST(UndoHistory, EraseRangeOfEverythingLeavesTheSentinelCurrent)
{
    Fixture f(1);
    EXPECT_EQ(f.h.EraseRange(f.a[0], f.a[4]), 1);
    EXPECT_EQ(f.h.count, 1u);
    EXPECT_EQ(f.h.current, f.h.first);
    EXPECT_EQ(f.h.last, f.h.first);
    EXPECT_EQ(f.h.Undo(), 0);
    EXPECT_EQ(f.h.Redo(), 0);
    ExpectConsistent(f.h);
}

TEST(UndoHistory, EraseRangeOfOneActionBeforeCurrentKeepsCurrent)
{
    Fixture f(1);
    EXPECT_EQ(f.h.EraseRange(f.a[1], f.a[1]), 1);
    EXPECT_EQ(f.log.Take(), "~B");
    EXPECT_EQ(f.h.current, f.a[3]);
    EXPECT_EQ(f.h.count, 5u);
    ExpectConsistent(f.h);
    EXPECT_EQ(f.h.Redo(), 1);
    EXPECT_EQ(f.log.Take(), "+E");
}

TEST(UndoHistory, EraseRangeRefusesRunsThatAreNotForwardRunsOfThisHistory)
{
    Fixture f(0);
    Fixture other(0);
    EXPECT_EQ(f.h.EraseRange(f.a[3], f.a[1]), 0);           // backwards
    EXPECT_EQ(f.h.EraseRange(f.h.first, f.a[1]), 0);        // includes the sentinel
    EXPECT_EQ(f.h.EraseRange(other.a[0], other.a[1]), 0);   // another history's actions
    EXPECT_EQ(f.h.EraseRange(f.a[0], other.a[1]), 0);       // ends outside
    EXPECT_EQ(f.h.EraseRange(nullptr, f.a[1]), 0);
    EXPECT_EQ(f.h.EraseRange(f.a[1], nullptr), 0);
    EXPECT_EQ(f.log.Take(), "");
    EXPECT_EQ(f.h.count, 6u);
    ExpectConsistent(f.h);
    ExpectConsistent(other.h);
}
