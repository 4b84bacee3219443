// The sound viewer through the fake backend: the rows it lists, the tags it refuses, its
// exports and its refusal to save. Runs headless.
#include "TagEditSupport.h"

#include <filesystem>
#include <set>

#include "gui/Button.h"
#include "gui/ListWindow.h"
#include "platform/OsFake.h"
#include "tagedit/SoundEdit.h"
#include "tools/SoundTagWriter.h"

using namespace tetest;

namespace {

sound_writer::Permutation Perm(const char* name, u16 channels, u32 rate, u32 frames)
{
    sound_writer::Permutation p;
    p.name = name;
    p.channels = channels;
    p.rateHz = rate;
    p.samples = sound_writer::Tone(channels, rate ? rate : 8000, frames, 440);
    return p;
}

Bytes TagData(const std::vector<sound_writer::Permutation>& perms)
{
    const std::string s = sound_writer::SoundTagData(perms);
    return Bytes(s.begin(), s.end());
}

class SoundEditTest : public TagEditFixture {
protected:
    void SetUp() override
    {
        TagEditFixture::SetUp();
        Register(kSoundGroup, [](TagEntry* e) -> TagEdit* { return new SoundEdit(e); });
    }
    SoundEdit* OpenSound(const std::vector<sound_writer::Permutation>& perms)
    {
        WriteLocalTag("sounds", "Noises", "Noises", kSoundGroup, FourCC("nois"), TagData(perms));
        StartDatabase();
        return static_cast<SoundEdit*>(OpenTagEditor(FindTag(kSoundGroup, FourCC("nois"))));
    }
    void AnswerFolder(const std::string& folder)
    {
        FakeOsDialogAnswer a;
        a.paths[0] = folder.c_str();
        FakeOsQueueDialogAnswer(a);
    }
    std::set<std::string> Files(const std::string& folder)
    {
        std::set<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(folder)) out.insert(e.path().filename().string());
        return out;
    }
};

}  // namespace

TEST_F(SoundEditTest, EachPermutationIsARowWithItsDurationDepthChannelsAndRate)
{
    std::vector<sound_writer::Permutation> perms = {Perm("Rain", 2, 44100, 44100 * 3 / 2), Perm("Tick", 1, 22050, 64),
                                                    Perm("Nothing", 1, 11025, 0), Perm("Unset", 1, 0, 64),
                                                    Perm("Drone", 1, 1024, 3600 * 1024)};
    SoundEdit* ed = OpenSound(perms);
    ASSERT_NE(ed, nullptr);
    EXPECT_STREQ(ed->GetClassName(), "SoundEdit");
    EXPECT_EQ(ed->GetFrameWidth(), 544);
    EXPECT_EQ(ed->GetFrameHeight(), 256);
    struct Row { const char* name; const char* duration; s32 bits; const char* channels; s32 rate; } expected[] = {
        {"Rain", "00:01", 16, "2 (stereo)", 44100},
        {"Tick", "00:00", 16, "1 (mono)", 22050},
        {"Nothing", "00:00", 16, "1 (mono)", 11025},
        {"Unset", "00:00", 16, "1 (mono)", 0},
        {"Drone", "01:00:00", 16, "1 (mono)", 1024},
    };
    ASSERT_EQ(ed->rows.count, 5u);
    ASSERT_EQ(ed->GetList()->GetItemCount(), 5u);
    ListItem* item = ed->GetList()->GetFirstItem();
    for (u32 i = 0; i < 5; ++i, item = item->next) {
        const SoundEdit::Row* r = static_cast<const SoundEdit::Row*>(item->userData);
        EXPECT_STREQ(r->name, expected[i].name);
        EXPECT_STREQ(r->duration, expected[i].duration) << expected[i].name;
        EXPECT_EQ(r->bitDepth, expected[i].bits);
        EXPECT_STREQ(r->channels, expected[i].channels);
        EXPECT_EQ(r->sampleRate, expected[i].rate);
        char text[64];
        ListWindow::FormatColumnValue(ed->GetList()->GetColumn(4), &r->sampleRate, text, sizeof text);
        EXPECT_EQ(std::string(text), std::to_string(expected[i].rate) + " Hz");
    }
    const char* titles[] = {"Name", "Duration", "Bit Depth", "Channels", "Sample Rate"};
    for (u32 c = 0; c < 5; ++c) EXPECT_STREQ(ed->GetList()->GetColumn(c)->title, titles[c]);
    const Rect content = ed->GetContentRect(), selected = ed->exportSelected->GetFrameRect();
    EXPECT_EQ(selected.left - content.left, 8);
    EXPECT_EQ(selected.top - content.top, content.Height() - 40);
    EXPECT_EQ(ed->exportAll->GetFrameRect().left, selected.right + 8);
    EXPECT_EQ(ed->exportAll->GetFrameRect().top, selected.top);
    EXPECT_EQ(ed->GetList()->GetFrameHeight(), ed->GetContentSize().height - 48);
}

TEST_F(SoundEditTest, TagsBreakingTheRecordRulesDoNotOpen)
{
    std::vector<sound_writer::Permutation> perms = {Perm("Bell", 2, 44100, 128)};
    perms[0].flags = 0;
    Answer(0);
    EXPECT_EQ(OpenSound(perms), nullptr);
    ASSERT_EQ(Seen().size(), 1u);
    EXPECT_EQ(Seen()[0].text, "The tag could not be loaded.");
}

TEST_F(SoundEditTest, ExportAllWritesEveryPermutationAndSelectedOnlyWhenSomethingIsSelected)
{
    SoundEdit* ed = OpenSound({Perm("Rain", 2, 44100, 640), Perm("Wind/Gust", 1, 22050, 128),
                               Perm("Nothing", 1, 11025, 0)});
    ASSERT_NE(ed, nullptr);
    const std::string all = root + "all", some = root + "some";
    std::filesystem::create_directories(all);
    std::filesystem::create_directories(some);

    AnswerFolder(all);
    ed->exportAll->SetState(1, 0);
    EXPECT_EQ(Files(all), (std::set<std::string>{"Rain.wav", "Wind_Gust.wav"}));
    EXPECT_TRUE(Seen().empty());

    const u32 dialogs = FakeOsDialogCount();
    ed->exportSelected->SetState(1, 0);
    EXPECT_EQ(FakeOsDialogCount(), dialogs) << "nothing selected: no folder is asked";

    ed->GetList()->SelectItem(ed->GetList()->GetFirstItem()->next, 0);
    AnswerFolder(some);
    ed->exportSelected->SetState(1, 0);
    EXPECT_EQ(Files(some), (std::set<std::string>{"Wind_Gust.wav"}));
    const Bytes wav = ReadFile(some + "/Wind_Gust.wav");
    ASSERT_GE(wav.size(), 44u);
    u32 rate;
    memcpy(&rate, &wav[24], 4);
    EXPECT_EQ(rate, 22050u);

    // A folder that is gone: each file not written is named.
    AnswerFolder(root + "gone");
    Answer(0);
    ed->exportAll->SetState(1, 0);
    ASSERT_EQ(Seen().size(), 1u);
    EXPECT_EQ(Seen()[0].title, "Error");
    EXPECT_EQ(Seen()[0].text, "The file could not be written. Rain.wav, Wind_Gust.wav");
}

TEST_F(SoundEditTest, SavingIsRefusedAndLeavesTheTagFileAlone)
{
    SoundEdit* ed = OpenSound({Perm("Rain", 1, 22050, 64)});
    ASSERT_NE(ed, nullptr);
    const std::string path = Local() + "sounds/Noises";
    const Bytes before = ReadFile(path);
    Answer(0);
    CtrlS();
    ASSERT_EQ(Seen().size(), 1u);
    EXPECT_EQ(Seen()[0].text, "The save operation could not be completed.");
    EXPECT_EQ(ReadFile(path), before);
    EXPECT_EQ(Files(Local() + "sounds"), (std::set<std::string>{"Noises"})) << "no temporary file is left";
}
