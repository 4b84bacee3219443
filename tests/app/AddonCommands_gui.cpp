// The add-on commands and the new detail texture commands through the fake backend: the
// dialog "Build Add-on plugin" answered from a script, the files written into "plugins", and
// every message the commands show. Runs headless.
#include "tests/codex/DmapBytes.h"
#include "tests/tagedit/TagEditSupport.h"

#include "app/AddonCommands.h"
#include "app/AddonPopup.h"
#include "app/NewDetailTexture.h"
#include "app/RootMenu.h"
#include "foundation/FileRecord.h"
#include "gui/Skin.h"
#include "platform/Clipboard.h"
#include "platform/OsFake.h"
#include "tagedit/DtexEdit.h"

using namespace tetest;

namespace {

constexpr u32 kDmap = FourCC("dmap");
constexpr u32 kDtex = FourCC("dtex");
constexpr u32 kText = FourCC("text");

// How the next "Build Add-on plugin" dialog is answered.
struct PopupAnswer {
    bool ok;
    std::string name, url, priority;
};

// What the dialog showed before it was answered.
struct SeenPopup {
    std::string name, url, priority, help;
    s32 width = 0, height = 0;
};

std::deque<PopupAnswer>& PopupAnswers()
{
    static std::deque<PopupAnswer> a;
    return a;
}

std::vector<SeenPopup>& PopupsSeen()
{
    static std::vector<SeenPopup> s;
    return s;
}

std::string Text(TextBox* box)
{
    String s;
    box->GetText(&s);
    return s.c_str();
}

AddonPopup* OpenPopup()
{
    Window* layer = WindowSystem::GetLayerRoot(1);
    for (Window* w = layer ? layer->GetFirstChild() : nullptr; w; w = w->GetNextSibling())
        if (!strcmp(w->GetTitle(), "Build Add-on plugin") && w->GetState() != WS_CLOSED &&
            WindowSystem::IsOnModalStack(w, 1))
            return static_cast<AddonPopup*>(w);
    return nullptr;
}

int PopupStep()
{
    if (AddonPopup* popup = OpenPopup()) {
        SeenPopup seen{Text(popup->nameBox), Text(popup->urlBox), Text(popup->priorityBox), Text(popup->helpBox),
                       popup->GetContentSize().width, popup->GetContentSize().height};
        PopupsSeen().push_back(seen);
        PopupAnswer answer{false, "", "", ""};
        if (PopupAnswers().empty()) {
            ADD_FAILURE() << "unexpected add-on dialog";
        } else {
            answer = PopupAnswers().front();
            PopupAnswers().pop_front();
        }
        popup->nameBox->SetText(answer.name.c_str());
        popup->urlBox->SetText(answer.url.c_str());
        popup->priorityBox->SetText(answer.priority.c_str());
        popup->OnButton(answer.ok ? 0 : 1);
    }
    return AnsweringStep();
}

u32 BigU16(const Bytes& b, size_t at) { return u32(b[at]) << 8 | b[at + 1]; }
u32 BigU32(const Bytes& b, size_t at) { return BigU16(b, at) << 16 | BigU16(b, at + 2); }
std::string CString(const Bytes& b, size_t at, size_t n)
{
    std::string s(reinterpret_cast<const char*>(b.data() + at), n);
    return s.substr(0, s.find('\0'));
}

class AddonTest : public TagEditFixture {
protected:
    void SetUp() override
    {
        TagEditFixture::SetUp();
        WindowSystem::SetStepHook(PopupStep);
        PopupAnswers().clear();
        PopupsSeen().clear();
    }
    void TearDown() override
    {
        EXPECT_TRUE(PopupAnswers().empty()) << "an add-on dialog expected but never shown";
        TagEditFixture::TearDown();
    }
    std::string Plugins() const { return root + "plugins/"; }
    void Popup(bool ok, const std::string& name, const std::string& url = "http://vorn.example/",
               const std::string& priority = "100")
    {
        PopupAnswers().push_back(PopupAnswer{ok, name, url, priority});
    }
    std::vector<std::string> Titles() const
    {
        std::vector<std::string> out;
        for (const SeenBox& b : Seen()) out.push_back(b.title);
        return out;
    }
    bool PluginsEmpty() const
    {
        return !std::filesystem::exists(Plugins()) || std::filesystem::is_empty(Plugins());
    }
};

const char kBuildFailed[] =
    "The addon could not be created. Possible reasons include:\n"
    "\xA5 Tags from the destination file are open in Tavik.\n"
    "\xA5 The destination file is open in another program.\n"
    "\xA5 Some tags from the local folder were corrupt or unreadable.";

}  // namespace

TEST_F(AddonTest, TheDialogAsksForNameUrlAndPriorityWithItsHelp)
{
    Popup(false, "");
    AddonFields fields;
    EXPECT_FALSE(AskAddonFields(&fields));
    ASSERT_EQ(PopupsSeen().size(), 1u);
    const SeenPopup& p = PopupsSeen()[0];
    EXPECT_EQ(p.name, "<addon name>");
    EXPECT_EQ(p.url, "<addon url>");
    EXPECT_EQ(p.priority, "100");
    EXPECT_EQ(p.help.find("The priority field of an add-on plugin defines its load ordering"), 0u);
    EXPECT_NE(p.help.find("from the default value of 100."), std::string::npos);
    const s32 row = Layer0()->GetLineHeight() + 2 * Skin::GetThinBorderWidth();
    EXPECT_EQ(p.width, 448);
    EXPECT_EQ(p.height, 11 * row + 20);
    EXPECT_TRUE(Seen().empty()) << "Cancel shows no message";

    AddonPopup* popup = new AddonPopup();
    EXPECT_EQ(popup->nameBox->GetTabNext(), popup->urlBox);
    EXPECT_EQ(popup->urlBox->GetTabNext(), popup->priorityBox);
    EXPECT_EQ(popup->priorityBox->GetTabNext(), popup->GetOKButton());
    EXPECT_EQ(popup->GetCancelButton()->GetTabNext(), popup->nameBox);
    EXPECT_FALSE(popup->helpBox->IsEditable());
    popup->nameBox->SetText(std::string(40, 'n').c_str());
    EXPECT_EQ(Text(popup->nameBox).size(), 0u) << "a name past 31 characters is refused";
    popup->Close();
}

TEST_F(AddonTest, InvalidFieldsAreNamedTogetherInOneMessage)
{
    struct Case {
        const char* name;
        const char* url;
        const char* priority;
        const char* invalid;  // null: accepted
    } cases[] = {
        {"Pack", "u", "100", nullptr},
        {"Pack", "u", "2", nullptr},
        {"Pack", "u", "32767", nullptr},
        {"", "u", "100", " name"},
        {"Pack", "", "100", " url"},
        {"Pack", "u", "1", " version"},
        {"Pack", "u", "40000", " version"},
        {"Pack", "u", "", " version"},
        {"Pack", "u", "-5", " version"},
        {"", "", "0", " name url version"},
    };
    for (const Case& c : cases) {
        Seen().clear();
        Popup(true, c.name, c.url, c.priority);
        if (c.invalid) Answer(0);
        AddonFields fields;
        EXPECT_EQ(AskAddonFields(&fields), c.invalid == nullptr) << c.name << "/" << c.url << "/" << c.priority;
        if (c.invalid) {
            ASSERT_EQ(Seen().size(), 1u);
            EXPECT_EQ(Seen()[0].title, "Error");
            EXPECT_EQ(Seen()[0].text, std::string("The following fields are invalid: ") + c.invalid);
            EXPECT_EQ(Seen()[0].labels, std::vector<std::string>{"OK"});
        } else {
            EXPECT_TRUE(Seen().empty());
            EXPECT_EQ(fields.name, String(c.name));
            EXPECT_EQ(fields.priority, u32(atoi(c.priority)));
        }
        Settle();
        EXPECT_EQ(OpenPopup(), nullptr);
    }
}

TEST_F(AddonTest, ARegularAddonHoldsTheLocalTagsOfTheAddonGroups)
{
    WriteLocalTag("text", "Note", "Note", kText, FourCC("note"), Data("note text"));
    WriteLocalTag("sounds", "Bell", "Bell", FourCC("soun"), FourCC("bell"), Data("ding"));
    WriteLocalTag("scripts", "Plan", "Plan", FourCC("scri"), FourCC("plan"), Data("not carried"));
    StartDatabase();

    // Cancelled: nothing is written.
    Popup(false, "Mine");
    BuildRegularAddon();
    EXPECT_TRUE(PluginsEmpty());

    Popup(true, "Mine", "http://vorn.example/mine", "150");
    Answer(0);
    BuildRegularAddon();
    ASSERT_EQ(Seen().size(), 1u);
    EXPECT_EQ(Seen()[0].title, "Success");
    EXPECT_EQ(Seen()[0].text, "The addon has been written to the plugins folder as 'Mine'");

    Bytes b = ReadFile(Plugins() + "Mine");
    ASSERT_GE(b.size(), 128u + 2 * 64u);
    EXPECT_EQ(BigU16(b, 0), 6u) << "kind";
    EXPECT_EQ(BigU16(b, 2), 150u) << "priority";
    EXPECT_EQ(CString(b, 4, 32), "Mine");
    EXPECT_EQ(CString(b, 36, 64), "http://vorn.example/mine");
    EXPECT_EQ(BigU16(b, 100), 0u) << "meshes";
    EXPECT_EQ(BigU16(b, 102), 2u) << "tags";
    EXPECT_EQ(BigU32(b, 112), b.size()) << "file size";
    EXPECT_EQ(BigU32(b, 120), 128u + 2 * 64u) << "data start";
    EXPECT_EQ(BigU32(b, 124), FourCC("dng2"));
    // The directory sorted by group: 'soun' before 'text'.
    EXPECT_EQ(BigU32(b, 128 + 36), FourCC("soun"));
    EXPECT_EQ(BigU32(b, 128 + 64 + 36), FourCC("text"));

    Archive* archive = FindArchiveByName("Mine");
    ASSERT_NE(archive, nullptr) << "opened after the build";
    ScopedDynArray<TagEntry*> inside;
    ListArchiveTags(archive, &inside);
    EXPECT_EQ(inside.count, 2u);
}

TEST_F(AddonTest, TheSuccessMessageNamesTheFileWritten)
{
    WriteLocalTag("text", "Note", "Note", kText, FourCC("note"), Data("n"));
    StartDatabase();
    Popup(true, "Rivers/Lakes");
    Answer(0);
    BuildRegularAddon();
    ASSERT_EQ(Seen().size(), 1u);
    EXPECT_EQ(Seen()[0].text, "The addon has been written to the plugins folder as 'Rivers_Lakes'");
    EXPECT_TRUE(Exists(Plugins() + "Rivers_Lakes"));
    EXPECT_EQ(CString(ReadFile(Plugins() + "Rivers_Lakes"), 4, 32), "Rivers/Lakes") << "the header keeps the name";
}

TEST_F(AddonTest, AFailedBuildListsTheReasonsAndKeepsTheEarlierAddon)
{
    WriteLocalTag("text", "Note", "Note", kText, FourCC("note"), Data("n"));
    StartDatabase();
    Popup(true, "Mine");
    Answer(0);
    BuildRegularAddon();
    Bytes before = ReadFile(Plugins() + "Mine");
    ASSERT_FALSE(before.empty());

    // A tag of the earlier add-on is open: it can be neither unloaded nor replaced.
    WriteLocalTag("text", "Other", "Other", kText, FourCC("othr"), Data("o"));
    PollLocalFolder(true);
    Archive* earlier = FindArchiveByName("Mine");
    ASSERT_NE(earlier, nullptr);
    ActivateDefaultArchives();
    ScopedDynArray<TagEntry*> inside;
    ListArchiveTags(earlier, &inside);
    ASSERT_EQ(inside.count, 1u);
    int holder = 0;
    AttachToTag(inside[0], kAttachEditor, &holder);

    Seen().clear();
    Popup(true, "Mine");
    Answer(0);
    BuildRegularAddon();
    ASSERT_EQ(Seen().size(), 1u);
    EXPECT_EQ(Seen()[0].title, "Error");
    EXPECT_EQ(Seen()[0].text, kBuildFailed);
    EXPECT_EQ(ReadFile(Plugins() + "Mine"), before);
    DetachFromTag(inside[0], kAttachEditor, &holder);
}

TEST_F(AddonTest, NothingToPackIsSaidBeforeTheDialog)
{
    WriteLocalTag("scripts", "Plan", "Plan", FourCC("scri"), FourCC("plan"), Data("p"));
    StartDatabase();
    Answer(0);
    BuildRegularAddon();
    Answer(0);
    BuildDtexAddon();
    ASSERT_EQ(Seen().size(), 2u);
    EXPECT_EQ(Seen()[0].title, "Message");
    EXPECT_EQ(Seen()[0].text, "No addon-allowed files were found in the local folder - Nothing to do!");
    EXPECT_EQ(Seen()[1].title, "Message");
    EXPECT_EQ(Seen()[1].text, "No dmaps detected in the local folder - nothing to do!");
    EXPECT_TRUE(PopupsSeen().empty());
    EXPECT_TRUE(PluginsEmpty());
}

TEST_F(AddonTest, ADtexAddonHoldsTheMapsAndEachUsedTextureOnce)
{
    WriteLocalTag("detail maps", "Hills", "Hills", kDmap, FourCC("hill"),
                  DmapBytes({{0, FourCC("rock")}, {5, kNoTagId}}, {0, 5}), 0, 2);
    WriteLocalTag("detail maps", "Vale", "Vale", kDmap, FourCC("vale"), DmapBytes({{1, FourCC("rock")}}, {1}), 0, 2);
    WriteLocalTag("detail textures", "Rock", "Rock", kDtex, FourCC("rock"), Data("rock pixels"));
    WriteLocalTag("detail textures", "Unused", "Unused", kDtex, FourCC("unus"), Data("unused"));
    StartDatabase();
    Popup(true, "Terrain");
    Answer(0);
    BuildDtexAddon();
    ASSERT_EQ(Titles(), std::vector<std::string>{"Success"});
    Bytes b = ReadFile(Plugins() + "Terrain");
    ASSERT_GE(b.size(), 128u + 3 * 64u);
    EXPECT_EQ(BigU16(b, 102), 3u);
    EXPECT_EQ(BigU32(b, 128 + 36), kDmap);
    EXPECT_EQ(BigU32(b, 128 + 64 + 36), kDmap);
    EXPECT_EQ(BigU32(b, 128 + 128 + 36), kDtex);
    EXPECT_EQ(BigU32(b, 128 + 128 + 40), FourCC("rock"));
}

TEST_F(AddonTest, AnUnreadableMapOrAMissingTextureAbortsBeforeTheDialog)
{
    struct Case {
        const char* what;
        Bytes data;
        u32 version;
        const char* text;
    } cases[] = {
        {"unreadable", DmapBytes({{0, FourCC("rock")}}), 9, "The detail map 'Hills' ('hill') could not be read. Aborting."},
        {"missing", DmapBytes({{0, FourCC("gone")}}), 2,
         "The detail map 'Hills' (hill) referenced a detail texture ('gone') which could not be found. Aborting."},
    };
    for (const Case& c : cases) {
        CloseCodex();
        RemoveTree(Local());
        Seen().clear();
        WriteLocalTag("detail maps", "Hills", "Hills", kDmap, FourCC("hill"), c.data, 0, c.version);
        StartDatabase();
        Answer(0);
        BuildDtexAddon();
        ASSERT_EQ(Seen().size(), 1u) << c.what;
        EXPECT_EQ(Seen()[0].title, "Error") << c.what;
        EXPECT_EQ(Seen()[0].text, c.text) << c.what;
        EXPECT_EQ(Seen()[0].labels, std::vector<std::string>{"Ok"}) << c.what;
        EXPECT_TRUE(PopupsSeen().empty()) << c.what;
        EXPECT_TRUE(PluginsEmpty()) << c.what;
    }
}

namespace {

class NewDtexTest : public AddonTest {
protected:
    void SetUp() override
    {
        AddonTest::SetUp();
        Register(kDtex, [](TagEntry* e) -> TagEdit* { return new DtexEdit(e); });
        StartDatabase();
    }
    std::string TagFile(const char* name) const { return Local() + "detail textures/" + name; }
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> out;
        for (const SeenBox& b : Seen()) out.push_back(b.title + ": " + b.text);
        return out;
    }
    u32 OpenEditors() const
    {
        u32 n = 0;
        for (Window* w = WindowSystem::GetLayerRoot(0)->GetFirstChild(); w; w = w->GetNextSibling())
            if (!strcmp(w->GetClassName(), "DtexEdit") && w->GetState() != WS_CLOSED) ++n;
        return n;
    }
};

std::vector<u8> Picture(u32 w, u32 h)
{
    std::vector<u8> px(size_t(w) * h * 3);
    for (size_t i = 0; i < px.size(); ++i) px[i] = u8(i * 7);
    return px;
}

}  // namespace

TEST_F(NewDtexTest, AnEmptyNameCreatesNothing)
{
    Answer(0, "");
    Answer(0);
    NewDetailTextureCommand(false);
    ASSERT_EQ(Seen().size(), 2u);
    EXPECT_EQ(Seen()[0].title, "Enter Name for Detail Texture");
    EXPECT_EQ(Seen()[0].labels, (std::vector<std::string>{"Create Detail Texture", "Cancel"}));
    EXPECT_EQ(Seen()[1].title, "Not Created");
    EXPECT_EQ(Seen()[1].text, "You must specify a name to create a detail texture tag.");
    EXPECT_EQ(OpenEditors(), 0u);

    Seen().clear();
    Answer(1, "Ignored");
    NewDetailTextureCommand(true);
    EXPECT_EQ(Seen().size(), 1u) << "Cancel: nothing more";
    EXPECT_EQ(OpenEditors(), 0u);
}

TEST_F(NewDtexTest, AFailedImportClosesTheEditorWithoutAQuestionAndWritesNothing)
{
    FakeOsDialogAnswer cancel;
    cancel.ok = 0;
    FakeOsQueueDialogAnswer(cancel);
    Answer(0, "Moss");
    Answer(0);
    NewDetailTextureCommand(false);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Enter Name for Detail Texture: ",
                                                 "Failed: Detail texture could not be created."}));
    Settle();
    EXPECT_EQ(OpenEditors(), 0u);
    EXPECT_FALSE(Exists(TagFile("Moss")));

    // An empty clipboard fails the same way (after a beep).
    Seen().clear();
    FakeOsClipboardPutText8("no picture");
    Answer(0, "Moss");
    Answer(0);
    NewDetailTextureCommand(true);
    EXPECT_EQ(Texts().back(), "Failed: Detail texture could not be created.");
    Settle();
    EXPECT_EQ(OpenEditors(), 0u);
    EXPECT_FALSE(Exists(TagFile("Moss")));
}

TEST_F(NewDtexTest, ThePictureIsSavedAtOnce)
{
    std::string image = root + "moss.png";
    {
        FileRecord r(image.c_str());
        r.kind = kFileKindImage;
        r.format = kFileFormatPng;
        std::vector<u8> px = Picture(32, 16);
        ASSERT_TRUE(r.image.Create(32, 16, kImageRgb, px.data()));
        ASSERT_TRUE(r.Save());
    }
    FakeOsDialogAnswer file;
    file.paths[0] = image.c_str();
    FakeOsQueueDialogAnswer(file);
    Answer(0, "Moss");
    NewDetailTextureCommand(false);
    EXPECT_STREQ(FakeOsLastDialog()->title.c_str(), "Import Detail Texture");
    ASSERT_TRUE(Exists(TagFile("Moss")));
    ASSERT_EQ(OpenEditors(), 1u);

    std::vector<u8> px = Picture(64, 32);
    ASSERT_TRUE(ClipboardSetImage(px.data(), 64, 32));
    Answer(0, "Lichen");
    NewDetailTextureCommand(true);
    ASSERT_TRUE(Exists(TagFile("Lichen")));
    ASSERT_EQ(OpenEditors(), 2u);
    for (Window* w = WindowSystem::GetLayerRoot(0)->GetFirstChild(); w; w = w->GetNextSibling())
        if (!strcmp(w->GetClassName(), "DtexEdit")) {
            DtexEdit* editor = static_cast<DtexEdit*>(w);
            EXPECT_FALSE(editor->IsModified());
            EXPECT_TRUE(HasLocalCopy(editor->GetEntry()));
        }
    Bytes stored = ReadFile(TagFile("Lichen"));
    ASSERT_GT(stored.size(), 64u);
    EXPECT_EQ(BigU32(stored, 48), 0u + u32(stored.size()) - 64) << "the header's data size";
}
