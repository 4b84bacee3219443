#pragma once
// Test support for the terrain editor: the tag-editor fixture over a copy of the sample game's
// archives (so saves never touch the build's own folder), the terrain editor registered for
// 'mesh', and a step hook that can move the brush before each step (picking needs OpenGL,
// which the fake backend has not).
#include <filesystem>
#include <functional>

#include "codex/Archive.h"
#include "gui/ListWindow.h"
#include "gui/Menu.h"
#include "terrain/ui/MeshEdit.h"
#include "tests/tagedit/TagEditSupport.h"
#include "tests/common/TestDirs.h"

namespace mesh_test {

inline std::function<void()>& BeforeStep()
{
    static std::function<void()> f;
    return f;
}

inline int HookedStep()
{
    if (BeforeStep()) BeforeStep()();
    return tetest::AnsweringStep();
}

class MeshEditFixture : public tetest::TagEditFixture {
protected:
    void SetUp() override
    {
        TagEditFixture::SetUp();
        BeforeStep() = nullptr;
        WindowSystem::SetStepHook(HookedStep);
        FakeOsSetStepBudget(4000, wtest::OnBudgetExhausted);
        namespace fs = std::filesystem;
        for (const char* folder : {"tags", "plugins"}) {
            const fs::path from = fs::path(TestBinaryDir()) / folder;
            ASSERT_TRUE(fs::exists(from)) << "the build writes the sample game (tavik_sample_game)";
            fs::create_directories(root + folder);
            for (const auto& file : fs::directory_iterator(from)) {
                const std::string to = root + folder + "/" + file.path().filename().string();
                fs::copy_file(file.path(), to);
                archives.push_back(to);
            }
        }
        // The editors' highlight colour table lives in the test's folder, not the build's.
        fs::create_directories(root + "res");
        SetHighlightTablePath((root + "res/dtex.act").c_str());
        Register(FourCC("mesh"), NewMeshEditor);
        StartDatabase();
    }
    void TearDown() override
    {
        BeforeStep() = nullptr;
        TagEditFixture::TearDown();
        SetHighlightTablePath(nullptr);
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
    MeshEdit* Open(const char* name)
    {
        TagEntry* entry = Named(FourCC("mesh"), name);
        EXPECT_TRUE(entry) << name;
        TagEdit* editor = entry ? OpenTagEditor(entry) : nullptr;
        RunSteps(2);
        return dynamic_cast<MeshEdit*>(editor);
    }
    // The centre of the editor's view (left of the brush list), in screen coordinates.
    Point ViewCentre(MeshEdit* e)
    {
        const Rect r = e->GetContentRect();
        return Point{r.left + 100, (r.top + r.bottom) / 2};
    }
    // Puts the mouse over the view so the editor counts it in view.
    void HoverView(MeshEdit* e)
    {
        const Point p = ViewCentre(e);
        MoveTo(p.x, p.y);
        Run();
        MoveTo(p.x + 1, p.y);
        Run();
    }
    // Moves the brush (mesh cells) as the view's picking would.
    static void PlaceBrush(MeshEdit* e, float x, float z)
    {
        e->model.brush.x = x, e->model.brush.z = z;
        e->brushMoved = 1;
    }
    // Press, heldSteps steps with the button down, release (Alt held throughout when asked),
    // then two steps so the stroke ends.
    void Drag(int heldSteps, bool alt = false)
    {
        if (alt) Hold(LIBKEY_LEFT_ALT);
        Press();
        for (int i = 0; i < heldSteps; ++i) FakeOsEndStep();
        Release();
        if (alt) Let(LIBKEY_LEFT_ALT);
        Run();
        RunSteps(2);
    }
    static u32 UndoEntries(MeshEdit* e) { return e->model.history.count - 1; }
    static u8 Vertex(MeshEdit* e, u32 x, u32 z) { return e->model.vertexGrid->Bytes()[size_t(z) * e->model.width + x]; }
};

// The dialog of type T inside a modal loop, or null.
template <typename T>
T* ModalDialog()
{
    if (!WindowSystem::GetModalDepth()) return nullptr;
    for (Window* w = WindowSystem::GetFocus(); w; w = w->GetParent())
        if (T* d = dynamic_cast<T*>(w)) return d->IsVisible() ? d : nullptr;
    return nullptr;
}

// The open popup menu, or null.
inline Menu* OpenPopup()
{
    Window* layer = WindowSystem::GetLayerRoot(1);
    for (Window* w = layer ? layer->GetFirstChild() : nullptr; w; w = w->GetNextSibling())
        if (Menu* m = dynamic_cast<Menu*>(w))
            if (!m->isMenuBar && m->IsVisible() && m->GetState() != WS_CLOSED) return m;
    return nullptr;
}

}  // namespace mesh_test
