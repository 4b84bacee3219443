// The detail-texture editor through the fake backend: the shared resource and its events,
// import and export through the file dialogs, the clipboard, mean-centring from the
// right-button menu and the shifted preview. Runs headless.
#include <algorithm>

#include "TagEditSupport.h"

#include "codex/DtexImage.h"
#include "codex/DtexTag.h"
#include "foundation/FileRecord.h"
#include "gui/Menu.h"
#include "platform/Clipboard.h"
#include "platform/OsFake.h"
#include "tagedit/DtexEdit.h"

using namespace tetest;

namespace {

std::vector<u8> Pattern(u32 w, u32 h, u32 seed)
{
    std::vector<u8> px(size_t(w) * h * 3);
    for (size_t i = 0; i < px.size(); ++i) px[i] = u8(i * seed + i / 7);
    return px;
}

// Writes an RGB image file in the format its extension names.
void WriteImage(const std::string& path, u32 w, u32 h, u32 seed)
{
    FileRecord r(path.c_str());
    r.kind = kFileKindImage;
    r.format = path.size() > 4 && path.compare(path.size() - 4, 4, ".bmp") == 0   ? kFileFormatBmp
               : path.size() > 4 && path.compare(path.size() - 4, 4, ".tif") == 0 ? kFileFormatTiff
                                                                                   : kFileFormatPng;
    std::vector<u8> px = Pattern(w, h, seed);
    ASSERT_TRUE(r.image.Create(w, h, kImageRgb, px.data()));
    ASSERT_TRUE(r.Save());
}

std::vector<u8> ReadImage(const std::string& path, u32* w, u32* h)
{
    FileRecord r(path.c_str());
    if (!r.Load() || r.image.format != kImageRgb) return {};
    *w = r.image.width;
    *h = r.image.height;
    return std::vector<u8>(r.image.pixels, r.image.pixels + size_t(*w) * *h * 3);
}

std::vector<u8> Pixels(const DtexTag* d)
{
    return std::vector<u8>(d->pixels, d->pixels + size_t(d->width) * d->height * 3);
}

// The file's path as the dialog's answer, with the filter of its extension (the save dialog
// gives a name the chosen filter's extension).
void AnswerPath(const std::string& path, u32 filter = 0)
{
    FakeOsDialogAnswer a;
    a.filterIndex = filter;
    a.paths[0] = path.c_str();
    FakeOsQueueDialogAnswer(a);
}

struct EventSeen {
    u32 event;
    TagEntry* entry;
};

class DtexEditTest : public TagEditFixture {
protected:
    void SetUp() override
    {
        TagEditFixture::SetUp();
        Register(kDtexGroup, [](TagEntry* e) -> TagEdit* { return new DtexEdit(e); });
        SetCodexListener(&DtexEditTest::Record, this, true);
    }
    void TearDown() override
    {
        SetCodexListener(&DtexEditTest::Record, this, false);
        TagEditFixture::TearDown();
    }
    static void Record(void* context, Archive*, TagEntry* entry, u32 event)
    {
        static_cast<DtexEditTest*>(context)->events.push_back({event, entry});
    }
    // A saved local 'dtex' tag of w x h pattern pixels, the database started on it.
    TagEntry* MakeTag(const char* name, u32 w, u32 h)
    {
        StartDatabase();
        DtexTag* d = DtexManager().CreateNew(kDtexGroup, name, kNoTagId);
        EXPECT_NE(d, nullptr);
        std::vector<u8> px = Pattern(w, h, 3);
        EXPECT_TRUE(d->SetPixels(px.data(), w, h));
        EXPECT_TRUE(d->Save());
        TagEntry* e = d->entry;
        ResourceRelease(d);
        return e;
    }
    DtexEdit* Open(TagEntry* e) { return static_cast<DtexEdit*>(OpenTagEditor(e)); }
    void Ctrl(int letter) { PressKey(letter, 0, 1); }
    // Right-clicks the editor's content and picks the menu's item with the keyboard (the first
    // Down highlights the first item).
    void MenuChoice(DtexEdit* ed, int item)
    {
        Point p = {4, 4};
        ed->ContentToScreen(&p, 1);
        FakeOsAdvanceTime(2);  // not a double click with the previous choice
        MoveTo(p.x, p.y);
        FakeOsEndStep();
        Press(1);
        FakeOsEndStep();
        Release(1);
        FakeOsEndStep();
        for (int i = 0; i <= item; ++i) {
            Tap(LIBKEY_DOWN);
            FakeOsEndStep();
        }
        Tap(LIBKEY_ENTER);
        Run();
        Settle();
    }
    std::string File(const char* name) { return root + name; }
    std::vector<EventSeen> events;
};

}  // namespace

TEST_F(DtexEditTest, AChangeShowsInEveryHolderAndDiscardRevertsThemAll)
{
    TagEntry* e = MakeTag("Grass", 16, 8);
    DtexEdit* ed = Open(e);
    ASSERT_NE(ed, nullptr);
    EXPECT_STREQ(ed->GetClassName(), "DtexEdit");
    DtexTag* terrain = DtexManager().Acquire(e);  // the terrain's hold on the same texture
    ASSERT_EQ(terrain, ed->GetResource());
    const std::vector<u8> stored = Pixels(terrain);

    events.clear();
    ed->MeanCenter(false);
    EXPECT_NE(Pixels(terrain), stored);
    EXPECT_TRUE(ed->IsModified());
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().event, kCodexContentChanged);
    EXPECT_EQ(events.back().entry, e);

    events.clear();
    Answer(1);  // "Discard"
    EXPECT_EQ(ed->TryClose(1), 1);
    Settle();
    EXPECT_EQ(Pixels(terrain), stored) << "the terrain shows the stored texture again";
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().event, kCodexContentChanged);
    EXPECT_EQ(terrain->referenceCount, 1u) << "the editor let go";
    ResourceRelease(terrain);
}

// Discard reloads the stored texture for the other holders; when the stored file no longer
// decodes, they keep the texture they were showing instead of one without pixels.
TEST_F(DtexEditTest, DiscardOfATagThatNoLongerDecodesLeavesTheOtherHoldersTheirTexture)
{
    TagEntry* e = MakeTag("Silt", 16, 8);
    DtexEdit* ed = Open(e);
    ASSERT_NE(ed, nullptr);
    DtexTag* terrain = DtexManager().Acquire(e);
    ASSERT_EQ(terrain, ed->GetResource());
    ed->MeanCenter(false);
    const std::vector<u8> shown = Pixels(terrain);

    const std::string path = Local() + "detail textures/Silt";
    Bytes bytes = ReadFile(path);
    ASSERT_GT(bytes.size(), 64u + 40u);
    bytes.resize(bytes.size() - 40);
    WriteBytes(path, bytes);
    PollLocalFolder(true);

    Answer(1);  // "Discard"
    EXPECT_EQ(ed->TryClose(1), 1);
    Settle();
    EXPECT_EQ(terrain->width, 16u);
    EXPECT_EQ(terrain->height, 8u);
    if (terrain->pixels) EXPECT_EQ(Pixels(terrain), shown);
    else ADD_FAILURE() << "the terrain's texture lost its pixels";
    EXPECT_EQ(terrain->referenceCount, 1u);
    ResourceRelease(terrain);
}

// The button's position is already a screen point: the menu's corner is the pointer, wherever
// the editor lies on the screen.
Rect gMenuFrame;
int MenuFrameStep()
{
    Window* layer = WindowSystem::GetLayerRoot(1);
    for (Window* w = layer ? layer->GetFirstChild() : nullptr; w; w = w->GetNextSibling())
        if (Menu* m = dynamic_cast<Menu*>(w))
            if (!m->isMenuBar && m->IsVisible()) gMenuFrame = m->GetFrameRect();
    return AnsweringStep();
}

TEST_F(DtexEditTest, TheMenuOpensAtThePointer)
{
    TagEntry* e = MakeTag("Peat", 16, 16);
    DtexEdit* ed = Open(e);
    ASSERT_NE(ed, nullptr);
    WindowSystem::SetStepHook(MenuFrameStep);
    for (Point corner : {Point{0, 0}, Point{70, 120}}) {
        SCOPED_TRACE(corner.x);
        ed->MoveTo(corner.x, corner.y);
        Settle();
        Point p = {6, 5};
        ed->ContentToScreen(&p, 1);
        gMenuFrame = Rect{};
        FakeOsAdvanceTime(2);
        MoveTo(p.x, p.y);
        FakeOsEndStep();
        Press(1);
        FakeOsEndStep();
        Release(1);
        FakeOsEndStep();
        Tap(LIBKEY_ESCAPE);
        Run();
        Settle();
        EXPECT_EQ(gMenuFrame.left, p.x);
        EXPECT_EQ(gMenuFrame.top, p.y);
    }
    WindowSystem::SetStepHook(AnsweringStep);
}

TEST_F(DtexEditTest, ImportTakesPowerOfTwoSidesTheCodecCanStore)
{
    struct Case {
        const char* file;
        u32 w, h;
        const char* error;  // null: imported
    } cases[] = {
        {"wide.png", 256, 128, nullptr},
        {"odd.png", 250, 256, "The texture must have dimensions that are powers of two."},
        {"huge.png", 4096, 16, "The texture must be at most 2048 pixels wide and high."},
        {"tiff.tif", 32, 64, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TagEntry* e = MakeTag("Sand", 16, 16);
        DtexEdit* ed = Open(e);
        ASSERT_NE(ed, nullptr);
        const std::vector<u8> before = Pixels(ed->GetResource());
        WriteImage(File(c.file), c.w, c.h, 5);
        AnswerPath(File(c.file));
        if (c.error) Answer(0);
        Ctrl('I');
        EXPECT_STREQ(FakeOsLastDialog()->title.c_str(), "Import Detail Texture");
        DtexTag* d = ed->GetResource();
        if (c.error) {
            ASSERT_EQ(Seen().size(), 1u);
            EXPECT_EQ(Seen()[0].title, "Error");
            EXPECT_EQ(Seen()[0].text, c.error);
            EXPECT_EQ(Pixels(d), before) << "the texture is kept";
            EXPECT_FALSE(ed->IsModified());
        } else {
            EXPECT_TRUE(Seen().empty());
            EXPECT_EQ(d->width, c.w);
            EXPECT_EQ(d->height, c.h);
            EXPECT_EQ(Pixels(d), Pattern(c.w, c.h, 5));
            EXPECT_TRUE(ed->IsModified());
            Size s = ed->GetContentSize();
            // A texture narrower than the title bar's boxes and name leaves the window that wide.
            const s32 titleBar = ed->TitleBarMinimumWidth() - (ed->GetFrameRect().Width() - s.width);
            EXPECT_EQ(s.width, std::max(s32(c.w > 512 ? 512 : c.w), titleBar));
            EXPECT_EQ(s.height, s32(c.h));
        }
        Answer(1);
        if (ed->IsModified()) ed->TryClose(1);
        else Answers().clear();
        TearDown();
        SetUp();
    }
}

TEST_F(DtexEditTest, ExportWritesEachImageFormatAndAFailedExportKeepsTheFile)
{
    TagEntry* e = MakeTag("Moss", 32, 16);
    DtexEdit* ed = Open(e);
    ASSERT_NE(ed, nullptr);
    const struct { const char* name; u32 filter; } formats[] = {{"moss.bmp", 0}, {"moss.png", 1}, {"moss.tiff", 2}};
    for (const auto& f : formats) {
        AnswerPath(File(f.name), f.filter);
        Ctrl('E');
        EXPECT_STREQ(FakeOsLastDialog()->title.c_str(), "Export Detail Texture");
        EXPECT_STREQ(FakeOsLastDialog()->fileName.c_str(), "Moss");
        u32 w = 0, h = 0;
        EXPECT_EQ(ReadImage(File(f.name), &w, &h), Pattern(32, 16, 3)) << f.name;
        EXPECT_EQ(w, 32u);
        EXPECT_EQ(h, 16u);
    }
    EXPECT_TRUE(Seen().empty());

    // A folder stands where the file would go: the file cannot be put there.
    WriteBytes(File("taken.png/precious"), Data("precious"));
    AnswerPath(File("taken.png"), 1);
    Answer(0);
    Ctrl('E');
    ASSERT_EQ(Seen().size(), 1u);
    EXPECT_EQ(Seen()[0].text, "The file could not be written.");
    EXPECT_EQ(Str(ReadFile(File("taken.png/precious"))), "precious");
    EXPECT_FALSE(ed->IsModified());
}

TEST_F(DtexEditTest, ClipboardCopiesCutsAndPastes)
{
    TagEntry* e = MakeTag("Dirt", 16, 16);
    DtexEdit* ed = Open(e);
    ASSERT_NE(ed, nullptr);
    const std::vector<u8> stored = Pixels(ed->GetResource());

    const u32 beeps = FakeOsBeepCount();
    Ctrl('V');
    EXPECT_EQ(FakeOsBeepCount(), beeps + 1) << "an empty clipboard beeps";
    EXPECT_FALSE(ed->IsModified());

    Ctrl('X');
    EXPECT_EQ(Pixels(ed->GetResource()), stored) << "Ctrl+X copies and cuts nothing";
    EXPECT_FALSE(ed->IsModified());
    u8* got = nullptr;
    u32 w = 0, h = 0;
    ASSERT_TRUE(ClipboardGetImage(&got, &w, &h));
    EXPECT_EQ(std::vector<u8>(got, got + size_t(w) * h * 3), stored);
    free(got);

    std::vector<u8> odd = Pattern(24, 16, 9);
    ASSERT_TRUE(ClipboardSetImage(odd.data(), 24, 16));
    Answer(0);
    Ctrl('V');
    ASSERT_EQ(Seen().size(), 1u);
    EXPECT_EQ(Seen()[0].text, "The texture must have dimensions that are powers of two.");
    EXPECT_EQ(Pixels(ed->GetResource()), stored);

    std::vector<u8> picture = Pattern(64, 32, 11);
    ASSERT_TRUE(ClipboardSetImage(picture.data(), 64, 32));
    Ctrl('V');
    EXPECT_EQ(Pixels(ed->GetResource()), picture);
    EXPECT_TRUE(ed->IsModified());
    Answer(1);
    ed->TryClose(1);
}

TEST_F(DtexEditTest, TheRightButtonMenuMeanCentresAndSaves)
{
    TagEntry* e = MakeTag("Clay", 16, 16);
    DtexEdit* ed = Open(e);
    ASSERT_NE(ed, nullptr);
    std::vector<u8> expected = Pixels(ed->GetResource());
    MeanCenterPixels(expected.data(), 16, 16, false);
    MenuChoice(ed, DtexEdit::kMeanCenterRgb);
    EXPECT_EQ(Pixels(ed->GetResource()), expected);
    EXPECT_TRUE(ed->IsModified());

    MeanCenterPixels(expected.data(), 16, 16, true);
    MenuChoice(ed, DtexEdit::kMeanCenterLuma);
    EXPECT_EQ(Pixels(ed->GetResource()), expected);

    MenuChoice(ed, DtexEdit::kSave);
    EXPECT_FALSE(ed->IsModified());
    ed->TryClose(1);
    Settle();
    DtexTag* again = DtexManager().Acquire(e);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(Pixels(again), expected) << "saved through the resource";
    ResourceRelease(again);
}

TEST_F(DtexEditTest, OpeningWithShiftPreviewsTheTilingWithoutTouchingThePixels)
{
    TagEntry* e = MakeTag("Gravel", 32, 16);
    DtexTag* terrain = DtexManager().Acquire(e);
    const std::vector<u8> stored = Pixels(terrain);
    Hold(LIBKEY_LEFT_SHIFT);
    Run();
    DtexEdit* ed = Open(e);
    Let(LIBKEY_LEFT_SHIFT);
    Run();
    ASSERT_NE(ed, nullptr);
    EXPECT_TRUE(ed->IsPreviewShifted());
    EXPECT_FALSE(ed->IsModified());
    EXPECT_EQ(Pixels(terrain), stored) << "the terrain does not see the preview";
    ed->TryClose(1);
    Settle();
    EXPECT_EQ(Pixels(terrain), stored);

    DtexEdit* plain = Open(e);
    ASSERT_NE(plain, nullptr);
    EXPECT_FALSE(plain->IsPreviewShifted());
    ResourceRelease(terrain);
}
