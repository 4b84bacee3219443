#pragma once
// Test support for the tag editors: a headless window system with the synthetic text-box font
// behind the fake OS backend, a fresh game folder with a watched local folder per test, and a
// step hook that answers message and input boxes from a script, recording each box's title,
// text and buttons before it is answered.
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "codex/Archive.h"
#include "codex/Codex.h"
#include "codex/LocalFolder.h"
#include "codex/TagFiles.h"
#include "codex/TagGroups.h"
#include "foundation/Log.h"
#include "foundation/PrefStore.h"
#include "gui/MessageBox.h"
#include "tagedit/TagEdit.h"
#include "tests/codex/CodexFixture.h"
#include "tests/common/TempFolder.h"
#include "tests/gui/MessageBoxSupport.h"
#include "tests/gui/TextBoxSupport.h"

namespace tetest {

using mbtest::SeenBox;

// How to answer the next box: the button index, and for an input box the text typed first.
struct BoxAnswer {
    int button;
    std::string input;
};

inline std::deque<BoxAnswer>& Answers()
{
    static std::deque<BoxAnswer> a;
    return a;
}

inline std::vector<SeenBox>& Seen()
{
    static std::vector<SeenBox> s;
    return s;
}

// The step hook: a box on the modal stack is recorded and answered from the script; a box
// without an answer fails the test and is ended with its last button.
inline int AnsweringStep()
{
    if (MessageBoxWindow* box = mbtest::ModalMessageBox()) {
        SeenBox seen = mbtest::DescribeBox(box);
        Seen().push_back(seen);
        BoxAnswer answer{s32(box->GetButtonCount()) - 1, ""};
        if (Answers().empty()) {
            ADD_FAILURE() << "unexpected box: " << seen.title << " / " << seen.text;
        } else {
            answer = Answers().front();
            Answers().pop_front();
        }
        if (box->GetField() && box->GetField()->IsEditable()) box->GetField()->SetText(answer.input.c_str());
        box->OnButton(answer.button);
    }
    return wtest::Step();
}

inline std::string Str(const Bytes& b) { return std::string(b.begin(), b.end()); }

class TagEditFixture : public tbtest::TextBoxFixture {
protected:
    void SetUp() override
    {
        TextBoxFixture::SetUp();
        WindowSystem::SetStepHook(AnsweringStep);
        Answers().clear();
        Seen().clear();
        archives.clear();
        registered.clear();
        char pattern[] = "/tmp/tavik-tagedit-XXXXXX";
        ASSERT_TRUE(mkdtemp(pattern));
        root = pattern;
        root += "/";
        SetVornPath(root.c_str());
        SetLogSink(&TagEditFixture::Quiet, nullptr);
    }
    void TearDown() override
    {
        // Windows first: editors let go of their tags before the database closes.
        TextBoxFixture::TearDown();
        EXPECT_TRUE(CloseCodex());
        for (u32 g : registered) SetTagGroupHandler(g, nullptr);
        SetLogSink(nullptr, nullptr);
        RemoveTree(root);
        EXPECT_TRUE(Answers().empty()) << "boxes expected but never shown";
    }
    static void Quiet(void*, u32, const char*, const char*) {}

    std::string Local() const { return root + "local/"; }
    // Starts the database on the game folder: the archives written so far, then the local folder.
    void StartDatabase()
    {
        std::string tags = root + "tags";
        for (const std::string& path : archives) ASSERT_NE(OpenArchive(path.c_str()), nullptr) << path;
        ASSERT_TRUE(SetLocalFolder((root + "local").c_str()));
        ActivateDefaultArchives();
    }
    void AddArchive(const std::vector<TestTag>& tags)
    {
        std::string path = root + "tags/a" + std::to_string(archives.size()) + ".arc";
        WriteBytes(path, ArchiveBytes(2, 0, "test", tags));
        archives.push_back(path);
    }
    void WriteLocalTag(const std::string& folder, const std::string& file, const char* name, u32 group, u32 tag,
                       const Bytes& data, u32 user = 0, u32 version = 1)
    {
        WriteBytes(Local() + folder + "/" + file,
                   Concat(TagHeaderBytes(name, group, tag, 64, u32(data.size()), user, version), data));
    }
    void Register(u32 group, TagEditorFactory factory)
    {
        SetTagGroupHandler(group, factory);
        registered.push_back(group);
    }
    void Answer(int button, const std::string& input = "") { Answers().push_back(BoxAnswer{button, input}); }
    // Ctrl+S through the OS layer, delivered to the focused window.
    void CtrlS() { PressKey('S', 0, 1); }
    // Runs steps so that closed windows are deleted.
    void Settle() { RunSteps(2); }

    std::string root;
    std::vector<std::string> archives;
    std::vector<u32> registered;
};

}  // namespace tetest
