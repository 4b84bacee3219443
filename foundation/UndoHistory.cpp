#include "foundation/UndoHistory.h"

#include <new>

UndoHistory::UndoHistory() : first(nullptr), last(nullptr), count(0), current(nullptr), limit(0xFFFFFFFFu)
{
    EnsureSentinel();
    current = first;
}

UndoHistory::~UndoHistory()
{
    UndoableAction* a = first;
    while (a) {
        UndoableAction* next = a->next;
        delete a;
        a = next;
    }
    first = last = current = nullptr;
    count = 0;
}

int UndoHistory::EnsureSentinel()
{
    if (first) return 1;
    // The history has no failure path of its own; a refused sentinel only makes every
    // later push fail instead of crashing the owner.
    first = new (std::nothrow) NullAction;
    if (!first) return 0;
    last = first;
    count = 1;
    return 1;
}

void UndoHistory::DeleteAfter(UndoableAction* after)
{
    UndoableAction* a = after->next;
    after->next = nullptr;
    last = after;
    while (a) {
        UndoableAction* next = a->next;
        delete a;
        --count;
        a = next;
    }
}

int UndoHistory::Push(UndoableAction* action, int alreadyApplied)
{
    if (!action) return 0;
    if (!alreadyApplied && !action->Do()) {
        delete action;
        return 0;
    }
    if (!EnsureSentinel()) {
        delete action;
        return 0;
    }
    // After Reset nothing is current and only the sentinel is left, so the new action simply
    // follows the last one.
    UndoableAction* at = current ? current : last;
    DeleteAfter(at);
    action->prev = at;
    action->next = nullptr;
    at->next = action;
    last = action;
    current = action;
    ++count;
    return 1;
}

int UndoHistory::Undo()
{
    if (!current || current == first) return 0;
    current->Undo();
    current = current->prev;
    return 1;
}

int UndoHistory::Redo()
{
    if (!current || !current->next) return 0;
    current = current->next;
    current->Do();
    return 1;
}

void UndoHistory::Reset()
{
    if (first) DeleteAfter(first);
    current = nullptr;
}

int UndoHistory::EraseRange(UndoableAction* from, UndoableAction* to)
{
    if (!from || !to || !first || from == first) return 0;
    // Both ends must belong to this list with `to` at or after `from`; erasing a run that
    // does not would unlink foreign actions and leave this list's links dangling.
    UndoableAction* a = first->next;
    while (a && a != from) a = a->next;
    if (!a) return 0;
    u32 n = 1;
    int holdsCurrent = a == current;
    while (a != to) {
        a = a->next;
        if (!a) return 0;
        ++n;
        if (a == current) holdsCurrent = 1;
    }

    UndoableAction* before = from->prev;
    UndoableAction* after = to->next;
    before->next = after;
    if (after)
        after->prev = before;
    else
        last = before;
    // The erased actions can no longer be undone; what they applied stays applied, so the
    // newest applied action left is the one before the run.
    if (holdsCurrent) current = before;
    count -= n;

    to->next = nullptr;
    a = from;
    while (a) {
        UndoableAction* next = a->next;
        delete a;
        a = next;
    }
    return 1;
}
