#pragma once
// The linked undo history of the text boxes and the terrain editor.
//
// A history is a doubly linked list of actions that starts with a NullAction sentinel and
// keeps a current position: everything up to and including `current` is applied, everything
// after it is the redo tail. The history owns every action pushed into it and deletes it when
// it is dropped from the redo tail, erased, reset away or when the history is destroyed.
#include "foundation/Types.h"

// One undoable edit. Subclasses are ordinary heap objects (no zero fill): set every field.
class UndoableAction {
public:
    UndoableAction() : prev(nullptr), next(nullptr) {}
    UndoableAction(const UndoableAction&) = delete;
    UndoableAction& operator=(const UndoableAction&) = delete;

    // Applies or re-applies the edit; answers non-zero on success.
    virtual int Do() = 0;
    // Reverts the edit.
    virtual void Undo() = 0;
    virtual ~UndoableAction() {}

    UndoableAction* prev;
    UndoableAction* next;
};

// The sentinel at the head of every history: doing it succeeds and changes nothing.
class NullAction : public UndoableAction {
public:
    int Do() override { return 1; }
    void Undo() override {}
};

class UndoHistory {
public:
    // A history holding one new NullAction, which is also current.
    UndoHistory();
    // Deletes every action, the sentinel included.
    ~UndoHistory();
    UndoHistory(const UndoHistory&) = delete;
    UndoHistory& operator=(const UndoHistory&) = delete;

    // Takes ownership of the action. Unless alreadyApplied, runs its Do first; when that
    // answers 0 the action is deleted, the history is left as it was and 0 is returned.
    // Otherwise the redo tail is deleted, the action is appended and becomes current: 1.
    // A null action answers 0.
    int Push(UndoableAction* action, int alreadyApplied);
    // Reverts the current action and steps back: 1; 0 when there is nothing to undo (current
    // is the sentinel, or none after Reset).
    int Undo();
    // Steps forward to the next action and re-applies it (its answer is not used): 1; 0 when
    // there is nothing to redo (no next action, or none current after Reset).
    int Redo();
    // Deletes every action after the sentinel. Afterwards there is no current action, so
    // Undo and Redo answer 0 until the next Push.
    void Reset();
    // Unlinks the run of actions from `from` to `to` (both included, `from` first), deletes
    // them in order and lowers the count. When the current action lies in the run, the action
    // before the run becomes current. Answers 0 and changes nothing when the run is not a
    // forward run of this history's actions or would include the sentinel.
    int EraseRange(UndoableAction* from, UndoableAction* to);

    UndoableAction* first;    // the sentinel
    UndoableAction* last;     // the newest action
    u32 count;                // actions in the list, sentinel included
    UndoableAction* current;  // last applied action; null after Reset
    u32 limit;                // 0xFFFFFFFF: not bounded

private:
    // Creates the sentinel when the list has none; answers whether one exists.
    int EnsureSentinel();
    // Deletes every action after `after` and makes it the last.
    void DeleteAfter(UndoableAction* after);
};
