#pragma once
// Test support for the archive browser: a headless window system with a test font and skin,
// a fresh game folder per test (archives in "tags" and "plugins", tag files in "local"), a
// stand-in editor factory for the groups that should count as editable, and a step hook that
// answers each message box after checking its title and text.
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "codex/TagGroups.h"
#include "foundation/PrefStore.h"
#include "gui/MessageBox.h"
#include "gui/Skin.h"
#include "gui/core/TexturePack.h"
#include "platform/FileDialogs.h"
#include "tagedit/ArchiveBrowser.h"
#include "tests/codex/CodexFixture.h"
#include "tests/gui/MessageBoxSupport.h"
#include "tests/gui/TextBoxSupport.h"

namespace btest {

using namespace wtest;

// One expected box: its title and text, what to type into an input box (null keeps the
// text), and the button to press.
struct ExpectedBox {
    std::string title;
    std::string text;
    const char* typed;
    int button;
};

using mbtest::SeenBox;

inline std::deque<ExpectedBox>& Expected()
{
    static std::deque<ExpectedBox> q;
    return q;
}
inline std::vector<SeenBox>& Seen()
{
    static std::vector<SeenBox> s;
    return s;
}

// Answers the box on top (one per step) with the next expected answer; an unexpected box is
// a failure and is ended with its last button.
inline int AnsweringStep()
{
    if (MessageBoxWindow* box = mbtest::ModalMessageBox()) {
        SeenBox seen = mbtest::DescribeBox(box);
        Seen().push_back(seen);
        if (Expected().empty()) {
            ADD_FAILURE() << "unexpected box \"" << seen.title << "\": " << seen.text;
            box->OnButton(s32(box->GetButtonCount()) - 1);
        } else {
            ExpectedBox e = Expected().front();
            Expected().pop_front();
            EXPECT_EQ(seen.title, e.title);
            EXPECT_EQ(seen.text, e.text);
            if (e.typed && box->GetField()) box->GetField()->SetText(e.typed);
            box->OnButton(e.button);
        }
    }
    return Step();
}

inline TagEditorFactory StandInFactory()
{
    return [](TagEntry*) -> TagEdit* { return nullptr; };
}

class BrowserFixture : public tbtest::TextBoxFixture {
protected:
    void SetUp() override
    {
        TextBoxFixture::SetUp();
        TexturePack* pack = NewTexturePack();
        AddPackImage(pack, 6, 10, 20, nullptr);
        AddPackImage(pack, 8, 12, 20, nullptr);
        InstallSkinPack(pack);
        FakeOsSetStepBudget(4000, OnBudgetExhausted);
        WindowSystem::SetStepHook(AnsweringStep);
        Expected().clear();
        Seen().clear();
        opened.clear();
        ResetPrefs();
        char pattern[] = "/tmp/tavik-browser-XXXXXX";
        ASSERT_TRUE(mkdtemp(pattern));
        root = std::string(pattern) + "/";
        SetVornPath(root.c_str());
        for (u32 g : {FourCC("text"), FourCC("scri"), FourCC("mesh"), FourCC(".256")}) SetTagGroupHandler(g, StandInFactory());
        logs.clear();
        SetLogSink([](void*, u32, const char*, const char* text) { Current()->logs.push_back(text); }, nullptr);
        Current() = this;
        SetBrowserOpenHook([](TagEntry* e) { Current()->opened.push_back(e); });
        EnableArchiveBrowserListener(true);
    }
    void TearDown() override
    {
        CloseArchiveBrowser();
        RunSteps(1);
        for (TagEntry* e : attached) DetachFromTag(e, kAttachEditor, this);
        EXPECT_TRUE(CloseCodex());
        EnableArchiveBrowserListener(false);
        SetBrowserOpenHook(nullptr);
        SetBrowserInfoHook(nullptr);
        for (const TagGroup* g = GetTagGroupTable(); g < GetTagGroupTable() + kTagGroupCount; ++g)
            SetTagGroupHandler(g->code, nullptr);
        EXPECT_TRUE(Expected().empty()) << Expected().size() << " expected boxes never came";
        InstallSkinPack(nullptr);
        SetLogSink(nullptr, nullptr);
        ResetPrefs();
        TextBoxFixture::TearDown();
        std::filesystem::remove_all(root);
    }

    static BrowserFixture*& Current()
    {
        static BrowserFixture* current;
        return current;
    }

    std::string Local() const { return root + "local/"; }
    std::string Tags() const { return root + "tags/"; }
    std::string Plugins() const { return root + "plugins/"; }

    void WriteLocal(const std::string& folder, const std::string& file, const char* name, u32 group, u32 tag,
                    const Bytes& data, u32 user = 0, u32 version = 1)
    {
        WriteBytes(Local() + folder + "/" + file,
                   Concat(TagHeaderBytes(name, group, tag, 64, u32(data.size()), user, version), data));
    }
    void WriteArchive(const std::string& path, u32 kind, const std::vector<TestTag>& tags)
    {
        WriteBytes(path, ArchiveBytes(kind, 0, "test", tags));
    }

    // Scans the game folder as the shell does and shows the browser.
    ArchiveBrowser* Start()
    {
        OpenArchivesInFolder((root + "tags").c_str());
        OpenArchivesInFolder((root + "plugins").c_str());
        EXPECT_TRUE(SetLocalFolder((root + "local").c_str()));
        ActivateDefaultArchives();
        ArchiveBrowser* b = ShowArchiveBrowser();
        EXPECT_NE(b, nullptr);
        return b;
    }

    void Attach(TagEntry* e)
    {
        AttachToTag(e, kAttachEditor, this);
        attached.push_back(e);
    }

    static std::vector<std::string> ListTexts(ListWindow* list)
    {
        std::vector<std::string> out;
        for (ListItem* i = list->GetFirstItem(); i; i = i->next) out.push_back(i->text ? i->text : "");
        return out;
    }

    // Selects the active-list entry with that text alone.
    static void SelectEntry(ArchiveBrowser* b, const char* text)
    {
        for (ListItem* i = b->activeList->GetFirstItem(); i; i = i->next)
            if (i->text && !strcmp(i->text, text)) {
                b->activeList->SelectItem(i, 0);
                return;
            }
        ADD_FAILURE() << "no active entry " << text;
    }

    // "name@location" for every row, group by group in tree order (each node opened, as the
    // user would to see them).
    static std::vector<std::string> Rows(ArchiveBrowser* b)
    {
        std::vector<std::string> out;
        for (ListItem* n = b->tagTree->GetFirstItem(); n; n = n->next) b->tagTree->ExpandItem(n);
        for (ListItem* n = b->tagTree->GetFirstItem(); n; n = n->next)
            for (ListItem* r = n->firstChild; r; r = r->next) {
                const TagRow* row = static_cast<const TagRow*>(r->userData);
                out.push_back(std::string(row->header.name) + "@" + row->location);
            }
        return out;
    }

    static void SelectRows(ArchiveBrowser* b, std::vector<TagRow*> rows)
    {
        b->tagTree->DeselectAllExcept(nullptr);
        for (TagRow* r : rows) {
            ASSERT_NE(r, nullptr);
            b->tagTree->EnsureVisible(r->item);
            b->tagTree->SelectItem(r->item, 1);
        }
    }

    static std::string WorkingSetPref()
    {
        String s;
        return GetPrefString("CodexWorkingSet", &s) ? s.c_str() : "<none>";
    }

    std::string root;
    std::vector<TagEntry*> attached;
    std::vector<TagEntry*> opened;
    std::vector<std::string> logs;
};

}  // namespace btest
