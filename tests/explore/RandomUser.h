#pragma once
// RandomUser: a seeded user who acts on whatever the window system shows. Each action is
// scripted into the fake OS backend as one or more steps (clicks, double clicks, right clicks
// and drags at random points of random visible windows, the wheel, keys, the menu bar, typed
// text); message and input boxes get a random button (and text), native file, folder and
// colour dialogs a random generated path or Cancel. The same seed and the same screen give
// the same actions, so a seed alone replays a run.
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/Types.h"
#include "gui/Window.h"

struct FakeOsDialogRecord;

// xorshift64*: fixed across compilers and standard libraries, unlike std:: distributions.
class ExploreRandom {
public:
    explicit ExploreRandom(u64 seed) : state(seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull) { Next(); }
    u64 Next()
    {
        state ^= state >> 12;
        state ^= state << 25;
        state ^= state >> 27;
        return state * 0x2545F4914F6CDD1Dull;
    }
    // 0..n-1 (0 when n is 0).
    u32 Below(u32 n) { return n ? u32((Next() >> 32) % n) : 0; }
    bool Chance(u32 percent) { return Below(100) < percent; }

private:
    u64 state;
};

class RandomUser {
public:
    explicit RandomUser(u64 seed) : random(seed) {}

    // Files and folders a dialog may be answered with; saves go into saveFolder.
    void AddPickFile(const std::string& path) { pickFiles.push_back(path); }
    void AddPickFolder(const std::string& path) { pickFolders.push_back(path); }
    void SetSaveFolder(const std::string& folder) { saveFolder = folder; }
    // Answers the menu bar (always shown, in layer 1 with the popups), or null.
    void SetMenuBarFinder(Window* (*finder)()) { menuBar = finder; }
    // The windows a run is about (an editor and the windows it opened): while one is shown,
    // most actions go to them rather than to the archive browser or the log. Null: none.
    void SetPreferred(bool (*preferred)(Window*)) { isPreferred = preferred; }

    // Scripts the next action into the fake backend (it ends its own steps) and answers a
    // short description for the trace.
    std::string ScriptAction();
    // Ends the modal loop or popup in front as a user giving up would: Escape, or a click
    // outside a popup menu.
    void ScriptGiveUp(u32 attempt);
    // Answers the message box the modal loop waits on, if any; 1 when it answered. With
    // discard, a "Discard" button is taken where the box has one; otherwise with cancel, the
    // box's last button (Cancel, Don't Quit).
    int AnswerMessageBox(bool cancel, std::string* trace, bool discard = false);
    // The fake backend's responder: queues an answer for the dialog just opened.
    static void RespondToDialog(const FakeOsDialogRecord* dialog, void* self);

    ExploreRandom random;

private:
    Window* PickTopLevel();
    Window* PickInside(Window* top);
    Point PickPoint(Window* w);
    void Respond(const FakeOsDialogRecord* dialog);
    std::string RandomName();

    std::vector<std::string> pickFiles, pickFolders;
    std::string saveFolder;
    std::vector<std::string> answered;  // paths handed to the fake, kept while it may copy them
    u32 saved = 0;
    Window* (*menuBar)() = nullptr;
    bool (*isPreferred)(Window*) = nullptr;
};
