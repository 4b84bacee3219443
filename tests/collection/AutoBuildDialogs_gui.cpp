// The dialogs "Build Standard Collection" and "Build High-Res Collection" through the fake
// backend: their checks in order, the "Overwrite Tag?" answers, the kept settings, "Create",
// and what the user sees while a build runs (frames drawn, the log growing, input ignored, a
// quit kept for the end). Runs headless; the builds themselves are tested in
// CollectionBuilderTest and UpResBuilderTest.
#include <functional>

#include "collection/Collection.h"
#include "collection/ui/AutoCollectionDialog.h"
#include "collection/ui/AutoUpResDialog.h"
#include "collection/ui/X256Edit.h"
#include "foundation/StringUtil.h"
#include "platform/OsFake.h"
#include "tagedit/CodexGroupBox.h"
#include "tests/collection/BuildSourceFolder.h"
#include "tests/common/FileBytes.h"
#include "tests/tagedit/TagEditSupport.h"

using namespace tetest;

namespace {

constexpr u32 kColl = FourCC(".256");

// What to do with the builder dialog on top of the modal stack, one action per step.
using DialogAction = std::function<void(DialogWindow*)>;

std::deque<DialogAction>& DialogActions()
{
    static std::deque<DialogAction> a;
    return a;
}

// Called on steps that run while a build is busy.
std::function<void()>& BusyStep()
{
    static std::function<void()> f;
    return f;
}

DialogWindow* TopBuilderDialog()
{
    Window* layer = WindowSystem::GetLayerRoot(1);
    for (Window* w = layer ? layer->GetFirstChild() : nullptr; w; w = w->GetNextSibling()) {
        const char* c = w->GetClassName();
        if ((!strcmp(c, "AutoCollectionDialog") || !strcmp(c, "AutoUpResDialog")) && w->GetState() != WS_CLOSED &&
            WindowSystem::IsOnModalStack(w, 1))
            return static_cast<DialogWindow*>(w);
    }
    return nullptr;
}

int DialogStep()
{
    // Steps run inside an action (a native dialog's, a message box's) belong to it.
    static bool acting;
    if (WindowSystem::IsBusy() && BusyStep()) BusyStep()();
    DialogWindow* d = acting ? nullptr : TopBuilderDialog();
    if (d) {
        acting = true;
        if (DialogActions().empty()) {
            ADD_FAILURE() << "unexpected builder dialog";
            d->OnButton(1);
        } else {
            DialogAction a = DialogActions().front();
            DialogActions().pop_front();
            a(d);
        }
        acting = false;
    }
    return AnsweringStep();
}

std::string FieldText(TextBox* box)
{
    String s;
    box->GetText(&s);
    return s.c_str();
}

struct BuildLogLine {
    std::string category, text;
    u32 level;
};

std::vector<BuildLogLine>& Lines()
{
    static std::vector<BuildLogLine> l;
    return l;
}

int gQuitAsked;
bool gQuitAskedDuringBuild;
int CountQuit()
{
    ++gQuitAsked;
    gQuitAskedDuringBuild = WindowSystem::IsBusy();
    return 0;
}

// The bytes of a written collection (data only), and its header's user field in *user.
Bytes CollectionBytes(Collection& c, u32* user = nullptr)
{
    FILE* f = tmpfile();
    TagHeader h = {};
    Bytes out;
    if (f && c.Write(f, &h)) {
        out.resize(size_t(ftell(f)));
        rewind(f);
        if (fread(out.data(), 1, out.size(), f) != out.size()) out.clear();
    }
    if (f) fclose(f);
    EXPECT_FALSE(out.empty()) << "collection not written";
    if (user) *user = h.user;
    return out;
}

class BuilderDialogTest : public TagEditFixture {
protected:
    void SetUp() override
    {
        TagEditFixture::SetUp();
        WindowSystem::SetStepHook(DialogStep);
        DialogActions().clear();
        BusyStep() = nullptr;
        Lines().clear();
        gQuitAsked = 0;
        SetLogSink([](void*, u32 level, const char* category, const char* text) {
            Lines().push_back(BuildLogLine{category, text, level});
        }, nullptr);
        Register(kColl, NewCollectionEditor);
        source = root + "source/";
    }
    void TearDown() override
    {
        EXPECT_TRUE(DialogActions().empty()) << "a builder dialog expected but never shown";
        BusyStep() = nullptr;
        WindowSystem::SetCanQuitHook(nullptr);
        TagEditFixture::TearDown();
    }

    // walk(2,1): two images of 8 x 8 whose alpha images show a box at (1, 2).
    void WriteSource(const std::string& folder)
    {
        for (u32 k = 0; k < 2; ++k) {
            SourceImage s;
            s.boxX = 1;
            s.boxY = 2;
            s.boxW = 4;
            s.boxH = 3;
            s.ink = u8(5 + k);
            ASSERT_TRUE(WriteIndexedImage(folder + FormatString("walk(2,1)/w%u.bmp", k).c_str(), s));
            ASSERT_TRUE(WriteAlphaImage(folder + FormatString("walk(2,1)/w%u.alpha.png", k).c_str(), s, 255,
                                        kFileFormatPng));
        }
    }
    // Fills the standard dialog's fields (the folder only when given).
    static DialogAction Fill(const std::string& name, const std::string& folder, const std::string& x = "0",
                             const std::string& y = "0", const std::string& id = "", bool ok = true)
    {
        return [=](DialogWindow* w) {
            AutoCollectionDialog* d = static_cast<AutoCollectionDialog*>(w);
            d->nameBox->SetText(name.c_str());
            d->folderBox->SetText(folder.c_str());
            d->xBox->SetText(x.c_str());
            d->yBox->SetText(y.c_str());
            d->tagIdBox->SetText(id.c_str());
            d->OnButton(ok ? 0 : 1);
        };
    }
    static DialogAction Cancel()
    {
        return [](DialogWindow* d) { d->OnButton(1); };
    }
    std::vector<std::string> BoxTexts() const
    {
        std::vector<std::string> out;
        for (const SeenBox& b : Seen()) out.push_back(b.title + ": " + b.text);
        return out;
    }
    static bool Logged(const std::string& text)
    {
        for (const BuildLogLine& l : Lines())
            if (l.text == text) return true;
        return false;
    }
    Window* FrontEditor()
    {
        for (Window* w = WindowSystem::GetLayerRoot(0)->GetFirstChild(); w; w = w->GetNextSibling())
            if (!strcmp(w->GetClassName(), "X256Edit") && w->GetState() != WS_CLOSED) return w;
        return nullptr;
    }
    std::unique_ptr<Collection> ReadLocal(TagEntry* e)
    {
        TagHeader h;
        FILE* f = OpenTag(e, &h);
        std::unique_ptr<Collection> c(f ? LoadCollection(f, &h) : nullptr);
        if (f) CloseTagReader(e);
        return c;
    }
    // A local collection "Rocks" (id 'Rock') with one sequence "walk" of one bitmap.
    void WriteLocalRocks()
    {
        Collection c;
        strcpy(c.name, "Rocks");
        std::vector<u8> px(4 * 4 * 2, 255);
        CollectionBitmap* b = c.AddBitmap("old", 0, px.data(), 4, 4, 2, nullptr);
        Sequence* s = c.AddSequence("old");
        s->Resize(1, 1);
        s->GetFrameView(0, 0).bitmap = b;
        u32 user = 0;
        Bytes data = CollectionBytes(c, &user);
        WriteLocalTag("collections", "Rocks", "Rocks", kColl, FourCC("Rock"), data, user);
        PollLocalFolder(true);
    }

    std::string source;
};

// The standard dialog over a started database and the source folder walk(2,1).
class StandardDialogTest : public BuilderDialogTest {
protected:
    void SetUp() override
    {
        BuilderDialogTest::SetUp();
        StartDatabase();
        WriteSource(source);
    }
};

}  // namespace

TEST_F(StandardDialogTest, OkChecksEachFieldInOrderAndStaysOpen)
{
    // Each row: the fields typed, then the message OK shows.
    struct Row {
        const char* name;
        std::string folder;
        const char* x;
        const char* y;
        const char* message;
    } rows[] = {
        {"", root + "missing/", "0", "0", "Specified folder not found."},
        {"Walker", "", "0", "0", "Specified folder not found."},
        {"", source, "0", "0", "The name field is invalid."},
        {"Walker", source, "4097", "0", "The Reg Point X value is invalid."},
        {"Walker", source, "-4097", "9000", "The Reg Point X value is invalid."},
        {"Walker", source, "-4096", "4097", "The Reg Point Y value is invalid."},
        {"Walker", source, "4096", "-4097", "The Reg Point Y value is invalid."},
    };
    std::vector<std::string> expected;
    for (const Row& r : rows) {
        DialogActions().push_back(Fill(r.name, r.folder, r.x, r.y));
        Answer(0);
        expected.push_back(std::string("Error: ") + r.message);
    }
    DialogActions().push_back(Cancel());
    OpenBuildCollectionDialog();
    EXPECT_EQ(BoxTexts(), expected);
    EXPECT_EQ(FindTag(kColl, kNoTagId), nullptr);
    EXPECT_FALSE(LocalTagFileExists(kColl, "Walker"));
    EXPECT_EQ(TopBuilderDialog(), nullptr);
}

TEST_F(StandardDialogTest, OkBuildsOpensTheEditorAndKeepsTheFieldsForNextTime)
{
    DialogActions().push_back([this](DialogWindow* w) {
        AutoCollectionDialog* d = static_cast<AutoCollectionDialog*>(w);
        EXPECT_EQ(d->GetTitle(), std::string("Build Standard Collection"));
        d->nameBox->SetText("Walker");
        d->tagIdBox->SetText("Wa");
        d->folderBox->SetText(source.c_str());
        d->xBox->SetText("40");
        d->yBox->SetText("-60");
        d->invertBox->SetState(0, 1);
        d->framesThenViewsBox->SetState(1, 1);
        d->OnButton(0);
    });
    OpenBuildCollectionDialog();
    Settle();
    EXPECT_TRUE(Seen().empty());
    TagEntry* e = FindTag(kColl, FourCC("Wa  "));
    ASSERT_NE(e, nullptr);
    EXPECT_TRUE(HasLocalCopy(e));
    X256Edit* editor = static_cast<X256Edit*>(FrontEditor());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->collection->GetBitmapCount(), 2u);
    std::unique_ptr<Collection> c = ReadLocal(e);
    ASSERT_TRUE(c);
    ASSERT_EQ(c->GetSequenceCount(), 1u);
    EXPECT_STREQ(c->GetSequence(0)->name, "walk");
    // The visible box starts at (1, 2), so the point (40, -60) of the whole image is (39, -62).
    EXPECT_EQ(c->GetSequence(0)->GetFrameView(0, 1).registrationXAsRead, 39);
    EXPECT_EQ(c->GetSequence(0)->GetFrameView(0, 1).registrationYAsRead, -62);
    EXPECT_TRUE(Logged("****************** Begin BuildCollection log for 'Walker' ******************\n"));

    // The next dialog comes back with what was accepted.
    DialogActions().push_back([this](DialogWindow* w) {
        AutoCollectionDialog* d = static_cast<AutoCollectionDialog*>(w);
        EXPECT_EQ(FieldText(d->nameBox), "Walker");
        EXPECT_EQ(FieldText(d->tagIdBox), "Wa");
        EXPECT_EQ(FieldText(d->folderBox), source);
        EXPECT_EQ(FieldText(d->xBox), "40");
        EXPECT_EQ(FieldText(d->yBox), "-60");
        EXPECT_FALSE(d->invertBox->IsChecked());
        EXPECT_TRUE(d->framesThenViewsBox->IsChecked());
        d->OnButton(1);
    });
    OpenBuildCollectionDialog();
    String kept;
    EXPECT_TRUE(GetPrefString("AutoCollectionDialog.Name", &kept));
    EXPECT_STREQ(kept.c_str(), "Walker");
}

TEST_F(StandardDialogTest, OverwriteQuestionsByIdAndByName)
{
    WriteLocalRocks();
    const std::string byId =
        "Overwrite Tag?: Another collection with the same tagid exists in the local folder. Do you want to replace it?";
    const std::string byName =
        "Overwrite Tag?: Another collection with the same name already exists in the local folder. Do you want to "
        "replace it?";
    const Bytes before = ReadFile(Local() + "collections/Rocks");

    // Same id, "Don't Overwrite": the dialog stays and nothing changes.
    DialogActions().push_back(Fill("Other", source, "0", "0", "Rock"));
    Answer(1);
    // Same name, "Don't Overwrite".
    DialogActions().push_back(Fill("Rocks", source));
    Answer(1);
    DialogActions().push_back(Cancel());
    OpenBuildCollectionDialog();
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{byId, byName}));
    EXPECT_EQ(ReadFile(Local() + "collections/Rocks"), before);

    // Same name, "Overwrite", but the folder holds nothing to build: the build fails and the
    // old collection is still there.
    Seen().clear();
    const std::string empty = root + "empty/";
    std::filesystem::create_directories(empty);
    DialogActions().push_back(Fill("Rocks", empty));
    Answer(0);
    Answer(0);
    OpenBuildCollectionDialog();
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{byName, "Error: Failed to create the new collection."}));
    EXPECT_EQ(ReadFile(Local() + "collections/Rocks"), before);

    // Same id under another name, "Overwrite": the new one takes the id, the old file goes.
    Seen().clear();
    DialogActions().push_back(Fill("Other", source, "0", "0", "Rock"));
    Answer(0);
    OpenBuildCollectionDialog();
    Settle();
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{byId}));
    TagEntry* e = FindTag(kColl, FourCC("Rock"));
    ASSERT_NE(e, nullptr);
    TagHeader h;
    GetTagHeader(e, &h);
    EXPECT_STREQ(h.name, "Other");
    EXPECT_FALSE(std::filesystem::exists(Local() + "collections/Rocks"));
    ASSERT_NE(FrontEditor(), nullptr);

    // While that collection is open, "Overwrite" cannot replace it.
    Seen().clear();
    DialogActions().push_back(Fill("Third", source, "0", "0", "Rock"));
    Answer(0);
    Answer(0);
    DialogActions().push_back(Cancel());
    OpenBuildCollectionDialog();
    EXPECT_EQ(BoxTexts(),
              (std::vector<std::string>{byId, "Error: The existing collection in the local folder could not be deleted."}));
}

TEST_F(StandardDialogTest, ABuildDrawsFramesIgnoresInputAndKeepsAQuitForItsEnd)
{
    for (u32 k = 0; k < 6; ++k) {
        SourceImage s;
        s.ink = u8(3 + k);
        ASSERT_TRUE(WriteIndexedImage(source + FormatString("run(3,2)/r%u.png", k).c_str(), s, kFileFormatPng));
    }
    WindowSystem::SetCanQuitHook(CountQuit);
    // What the user clicks and types during the build would land here.
    wtest::Probe* behind = new wtest::Probe(WF_VISIBLE | WF_FOCUSABLE, nullptr, "behind");
    behind->SetFrameXYWH(0, 0, 1024, 768);
    Window::SetFocus(behind, FOCUS_PROGRAM);
    wtest::Log().clear();
    u32 busySteps = 0;
    size_t linesAtFirstStep = 0;
    BusyStep() = [&] {
        if (busySteps++ == 0) {
            linesAtFirstStep = Lines().size();
            // Enter (OK again), Escape and a click where the dialog was, and a close request.
            FakeOsKey(LIBKEY_ENTER, LIBACTION_PRESS);
            FakeOsKey(LIBKEY_ENTER, LIBACTION_RELEASE);
            FakeOsKey(LIBKEY_ESCAPE, LIBACTION_PRESS);
            FakeOsKey(LIBKEY_ESCAPE, LIBACTION_RELEASE);
            FakeOsMousePos(200, 200);
            FakeOsMouseButton(0, LIBACTION_PRESS);
            FakeOsMouseButton(0, LIBACTION_RELEASE);
            FakeOsCloseRequest();
            FakeOsEndStep();
        }
    };
    const u32 polls = FakeOsPollCount();
    DialogActions().push_back(Fill("Walker", source));
    OpenBuildCollectionDialog();
    // One frame per image, at least.
    EXPECT_GE(busySteps, 8u);
    EXPECT_GE(FakeOsPollCount() - polls, 8u);
    // The first frame already found the build's first lines.
    EXPECT_GE(linesAtFirstStep, 1u);
    EXPECT_EQ(Lines()[0].text, "****************** Begin BuildCollection log for 'Walker' ******************\n");
    // The queued keys and click started nothing; the quit was asked once the build was done.
    EXPECT_EQ(FakeOsPendingSteps(), 0u);
    std::vector<std::string> input;
    for (const std::string& e : wtest::Log())
        for (const char* kind : {"behind:key", "behind:char", "behind:press", "behind:release"})
            if (e.rfind(kind, 0) == 0) input.push_back(e);
    EXPECT_EQ(input, std::vector<std::string>{});
    EXPECT_EQ(gQuitAsked, 1);
    EXPECT_FALSE(gQuitAskedDuringBuild);
    EXPECT_FALSE(WindowSystem::IsBusy());
    u32 builds = 0;
    for (const BuildLogLine& l : Lines()) builds += l.text.rfind("****************** Begin", 0) == 0;
    EXPECT_EQ(builds, 1u);
    EXPECT_TRUE(LocalTagFileExists(kColl, "Walker"));
    ASSERT_NE(FrontEditor(), nullptr);
    EXPECT_EQ(TopBuilderDialog(), nullptr);
}

namespace {

// A collection in an archive: sequence "walk" of 1 view and 2 frames, 8 x 8 bitmaps.
Bytes ArchiveCollection(const char* name)
{
    Collection c;
    strcpy(c.name, name);
    Sequence* s = c.AddSequence("walk");
    s->Resize(1, 2);
    std::vector<u8> px(8 * 8 * 2);
    for (size_t i = 0; i < px.size(); i += 2) {
        px[i] = 255;
        px[i + 1] = 5;
    }
    for (u32 f = 0; f < 2; ++f) {
        px[1] = u8(10 + f);
        FrameView& v = s->GetFrameView(f, 0);
        v.bitmap = c.AddBitmap(FormatString("std%u", f).c_str(), 0, px.data(), 8, 8, 2, nullptr);
        v.registrationX = 4;
        v.registrationY = 6;
    }
    return CollectionBytes(c);
}

bool WriteRendering(const std::string& path, u8 green)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    FileRecord f(path.c_str());
    f.kind = kFileKindImage;
    f.format = kFileFormatPng;
    std::vector<u8> px(32 * 32 * 4, 0);
    for (size_t i = 0; i < px.size(); i += 4) {
        px[i] = 200;
        px[i + 1] = green;
        px[i + 3] = 255;
    }
    return f.image.Create(32, 32, kImageRgba, px.data()) && f.Save();
}

}  // namespace

// The high-res dialog over a started database whose archive holds "Rocks", with renderings of
// its sequence "walk" 4x the size of its bitmaps.
class UpResDialogTest : public BuilderDialogTest {
protected:
    void SetUp() override
    {
        BuilderDialogTest::SetUp();
        AddArchive({{kColl, FourCC("Rock"), "Rocks", ArchiveCollection("Rocks")}});
        StartDatabase();
        renders = root + "renders/";
        ASSERT_TRUE(WriteRendering(renders + "walk/a.png", 40));
        ASSERT_TRUE(WriteRendering(renders + "walk/b.png", 90));
    }
    static void Choose(AutoUpResDialog* d, const char* name)
    {
        for (ListItem* i = d->chooser->list->GetFirstItem(); i; i = i->next)
            if (!strcmp(i->text, name)) d->chooser->SelectItem(i);
    }
    // Fills the dialog (an empty collection name chooses none) and presses OK.
    static DialogAction Fill(const char* collection, const std::string& folder, const char* target = "2.0",
                             const char* object = "1.0", const char* tolerance = "0.05")
    {
        return [=](DialogWindow* w) {
            AutoUpResDialog* d = static_cast<AutoUpResDialog*>(w);
            if (*collection) Choose(d, collection);
            d->folderBox->SetText(folder.c_str());
            d->targetBox->SetText(target);
            d->objectBox->SetText(object);
            d->toleranceBox->SetText(tolerance);
            d->OnButton(0);
        };
    }
    // The high-res scale of the local copy's first frame view, 0 without one.
    u32 LocalHighResScale()
    {
        TagEntry* e = FindTag(kColl, FourCC("Rock"));
        if (!e || !HasLocalCopy(e)) return 0;
        std::unique_ptr<Collection> c = ReadLocal(e);
        return c ? c->GetSequence(0)->GetFrameView(0, 0).highResScale : 0;
    }
    std::string renders;
};

TEST_F(UpResDialogTest, OkChecksEachFieldInOrderAndStaysOpen)
{
    struct Row {
        const char* collection;
        std::string folder;
        const char* target;
        const char* object;
        const char* tolerance;
        const char* message;
    } rows[] = {
        {"", renders, "2.0", "1.0", "0.05", "You must choose a collection."},
        {"Rocks", root + "missing/", "2.0", "1.0", "0.05", "Specified folder not found."},
        {"Rocks", renders, "0.009", "1.0", "0.05", "Invalid scale."},
        {"Rocks", renders, "33", "40", "40", "Invalid scale."},
        {"Rocks", renders, "2.0", "32.5", "40", "Invalid object scale."},
        {"Rocks", renders, "2.0", "1.0", "32.5", "Invalid tolerance."},
        // An object scale of 0 passes 0..32 but would ask for an endless enlargement.
        {"Rocks", renders, "2.0", "0", "0.05", "Invalid object scale."},
        {"Rocks", renders, "0.5", "0.01", "0.05", "Invalid object scale."},
    };
    std::vector<std::string> expected;
    for (const Row& r : rows) {
        DialogActions().push_back(Fill(r.collection, r.folder, r.target, r.object, r.tolerance));
        Answer(0);
        expected.push_back(std::string("Error: ") + r.message);
    }
    DialogActions().push_back(Cancel());
    OpenUpResDialog();
    EXPECT_EQ(BoxTexts(), expected);
    EXPECT_EQ(LocalHighResScale(), 0u);
}

TEST_F(UpResDialogTest, OkBuildsFromTheArchiveCopyAndAsksBeforeReplacingTheLocalOne)
{
    DialogActions().push_back([](DialogWindow* w) {
        AutoUpResDialog* d = static_cast<AutoUpResDialog*>(w);
        EXPECT_EQ(d->GetTitle(), std::string("Build High-Res Collection"));
        EXPECT_EQ(FieldText(d->targetBox), "2.0");
        EXPECT_EQ(FieldText(d->toleranceBox), "0.05");
        EXPECT_EQ(FieldText(d->objectBox), "1.0");
        w->OnButton(1);
    });
    OpenUpResDialog();

    // Renderings 4x the bitmaps at target 2: scale 5.0.
    u32 busySteps = 0;
    BusyStep() = [&] { ++busySteps; };
    DialogActions().push_back(Fill("Rocks", renders));
    OpenUpResDialog();
    Settle();
    EXPECT_TRUE(Seen().empty());
    EXPECT_EQ(LocalHighResScale(), 0x50000u);
    EXPECT_GE(busySteps, 2u);

    // Now with a local copy: "Don't Overwrite" stays, "Overwrite" builds from the archive's
    // copy again (target 4 x object 0.5: scale 5.0 again, not applied twice).
    const std::string question =
        "Overwrite Tag?: The specified collection already exists in the local folder. Do you want to replace it?";
    DialogActions().push_back(Fill("Rocks", renders, "4.0", "0.5"));
    Answer(1);
    DialogActions().push_back(Fill("Rocks", renders, "4.0", "0.5"));
    Answer(0);
    OpenUpResDialog();
    Settle();
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{question, question}));
    EXPECT_EQ(LocalHighResScale(), 0x50000u);
    TagEntry* e = FindTag(kColl, FourCC("Rock"));
    std::unique_ptr<Collection> c = ReadLocal(e);
    ASSERT_TRUE(c);
    // Two standard bitmaps and the two new ones: the first run's bitmaps went with its file.
    EXPECT_EQ(c->GetBitmapCount(), 4u);
}

TEST_F(UpResDialogTest, ACollectionOnlyInTheLocalFolderIsRefused)
{
    Collection c;
    strcpy(c.name, "Pebbles");
    u32 user = 0;
    Bytes data = CollectionBytes(c, &user);
    WriteLocalTag("collections", "Pebbles", "Pebbles", kColl, FourCC("Pebb"), data, user);
    PollLocalFolder(true);
    DialogActions().push_back(Fill("Pebbles", renders));
    Answer(0);
    DialogActions().push_back(Cancel());
    OpenUpResDialog();
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Error: Cannot Up-Res a collection from the local folder."}));
}

TEST_F(UpResDialogTest, CreateMakesAFolderPerSequenceInTheChosenPlace)
{
    const std::string place = root + "place/";
    std::filesystem::create_directories(place);
    DialogActions().push_back([&](DialogWindow* w) {
        AutoUpResDialog* d = static_cast<AutoUpResDialog*>(w);
        Answer(0);
        d->CreateUpResFolders();  // nothing chosen
        Choose(d, "Rocks");
        FakeOsDialogAnswer cancel;
        cancel.ok = 0;
        FakeOsQueueDialogAnswer(cancel);
        d->CreateUpResFolders();
        EXPECT_STREQ(FakeOsLastDialog()->title.c_str(), "Choose High-Res Folder Location");
        EXPECT_FALSE(std::filesystem::exists(place + "Rocks"));
        FakeOsDialogAnswer chosen;
        chosen.paths[0] = place.c_str();
        FakeOsQueueDialogAnswer(chosen);
        d->CreateUpResFolders();
        d->OnButton(1);
    });
    OpenUpResDialog();
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Error: You must pick a collection first."}));
    EXPECT_TRUE(std::filesystem::is_directory(place + "Rocks/walk"));
}

TEST_F(StandardDialogTest, OneLocalTagHoldingBothTheIdAndTheNameIsAskedAboutOnce)
{
    WriteLocalRocks();
    DialogActions().push_back(Fill("Rocks", source, "0", "0", "Rock"));
    Answer(0);
    OpenBuildCollectionDialog();
    Settle();
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Overwrite Tag?: Another collection with the same tagid exists in "
                                                    "the local folder. Do you want to replace it?"}));
    TagEntry* e = FindTag(kColl, FourCC("Rock"));
    ASSERT_NE(e, nullptr);
    std::unique_ptr<Collection> c = ReadLocal(e);
    ASSERT_TRUE(c);
    EXPECT_STREQ(c->GetSequence(0)->name, "walk");
}

TEST_F(StandardDialogTest, ACollectionOpenUnderTheNameIsRefusedBeforeTheBuildRuns)
{
    WriteLocalRocks();
    TagEntry* e = FindTag(kColl, FourCC("Rock"));
    ASSERT_NE(e, nullptr);
    int editor = 0;
    ASSERT_TRUE(AttachToTag(e, kAttachEditor, &editor));
    const Bytes before = ReadFile(Local() + "collections/Rocks");
    DialogActions().push_back(Fill("Rocks", source));
    Answer(0);
    Answer(0);
    DialogActions().push_back(Cancel());
    OpenBuildCollectionDialog();
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{
                              "Overwrite Tag?: Another collection with the same name already exists in the local "
                              "folder. Do you want to replace it?",
                              "Error: Could not create the collection tag 'Rocks'; it may already exist."}));
    EXPECT_FALSE(Logged("****************** Begin BuildCollection log for 'Rocks' ******************\n"));
    EXPECT_EQ(ReadFile(Local() + "collections/Rocks"), before);
    DetachFromTag(e, kAttachEditor, &editor);
}

TEST_F(UpResDialogTest, ACollectionOpenInAnEditorIsRefused)
{
    TagEntry* e = FindTag(kColl, FourCC("Rock"));
    ASSERT_NE(e, nullptr);
    int editor = 0;
    ASSERT_TRUE(AttachToTag(e, kAttachEditor, &editor));
    DialogActions().push_back(Fill("Rocks", renders));
    Answer(0);
    DialogActions().push_back(Cancel());
    OpenUpResDialog();
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Error: The collection is open in an editor. Please close it first."}));
    EXPECT_EQ(LocalHighResScale(), 0u);
    DetachFromTag(e, kAttachEditor, &editor);
}
