// The playlist editor: the load and save rules of the stored list (the gap, empty entries,
// values past the end), the buttons' enabling and the moves, adding through the dialog's answer,
// the preview player, and the file filter.

#include "support/TempDir.h"

#include "audio/CustomPlaylist.h"
#include "audio/IMediaPlayer.h"
#include "platform/FileRegistry.h"
#include "ui/PlaylistWindow.h"
#include "support/QtApplication.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>

#include <filesystem>
#include <map>
#include <memory>
#include <optional>

namespace vorlandite::ui {
namespace {

const std::string kTitle = "Editor Test";

class RecordingPlayer final : public audio::IMediaPlayer {
public:
    const std::string& FileName() const override { return fileName_; }
    void SetFileName(std::string path) override { fileName_ = std::move(path); }
    Status Open() override {
        log.push_back("open " + fileName_);
        open_ = true;
        return {};
    }
    Status Play() override {
        log.push_back("play");
        return {};
    }
    void Close() override {
        log.push_back("close");
        open_ = false;
    }
    Status Rewind() override { return {}; }
    bool IsOpen() const override { return open_; }
    bool Notify() const override { return true; }
    void SetNotify(bool) override {}
    void SetNotifyHandler(NotifyHandler) override {}
    void SetDisplay(audio::VideoFrameConsumer*) override {}
    void SetDisplayRect(const QRect&) override {}
    QRect NaturalDisplayRect() const override { return {}; }
    Status SetVolume(int) override { return {}; }

    std::vector<std::string> log;

private:
    std::string fileName_;
    bool open_ = false;
};

class RecordingMessages final : public platform::MessageBox {
public:
    void Show(const std::string& caption, const std::string& text, platform::MessageIcon) override {
        shown.push_back(caption + ": " + text);
    }
    std::vector<std::string> shown;
};

class PlaylistWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        vorlandite::testing::EnsureQtApplication<QApplication>();
    }
    PlaylistWindowTest() : registry(dir.File("user.reg")), window(registry, player, messages) {
        window.SetTitle(kTitle);
    }

    void Store(const std::map<int, std::string>& values) {
        auto key = registry.OpenKey(audio::PlaylistKeyPath(kTitle), true).value();
        for (const auto& [index, path] : values)
            key->WriteString(audio::PlaylistValueName(index), path);
        ASSERT_TRUE(key->Close());
    }
    std::map<std::string, std::string> Stored() {
        std::map<std::string, std::string> values;
        auto key = registry.OpenKey(audio::PlaylistKeyPath(kTitle), true).value();
        for (const std::string& name : key->ValueNames())
            values[name] = key->ReadString(name).value();
        return values;
    }
    void Add(QStringList files) {
        window.ChooseFiles = [files] { return files; };
        window.btnMelodyAddClick();
    }
    QPushButton* Button(const char* name) { return window.findChild<QPushButton*>(QString::fromLatin1(name)); }
    bool SixEnabled() {
        int enabled = 0;
        for (const char* n : {"btnMelodyDelete", "btnMelodyDelAll", "btnMelodyUp", "btnMelodyDown", "btnPlay", "btnStop"})
            enabled += Button(n)->isEnabled();
        EXPECT_TRUE(enabled == 0 || enabled == 6);
        return enabled == 6;
    }

    vorlandite::testing::TempDir dir;
    platform::FileRegistry registry;
    RecordingPlayer player;
    RecordingMessages messages;
    TPlaylistWindow window;
};

TEST_F(PlaylistWindowTest, LoadStopsAtTheGapAndSkipsEmptyEntries) {
    Store({{0, "/music/a.mid"}, {1, ""}, {2, "/music/b.wav"}, {4, "/music/unreachable.mp3"}});
    window.LoadCustomPlayList();
    EXPECT_EQ(window.Entries(), (QStringList{"/music/a.mid", "/music/b.wav"}));
    EXPECT_EQ(window.CurrentRow(), 0);
    EXPECT_TRUE(SixEnabled());
    // The show reads the same store without the editor: the empty entry stays, and ends the music.
    EXPECT_EQ(audio::LoadCustomPlayListNoWindow(registry, kTitle),
              (std::vector<std::string>{"/music/a.mid", "", "/music/b.wav"}));

    // Saved back, the empty entry is gone and the list is two long.
    window.SaveCustomPlayList();
    auto stored = Stored();
    EXPECT_EQ(stored["item0"], "/music/a.mid");
    EXPECT_EQ(stored["item1"], "/music/b.wav");
    EXPECT_EQ(stored.count("item2"), 0u);
    EXPECT_EQ(stored["item4"], "/music/unreachable.mp3") << "past the gap, left in place";
}

TEST_F(PlaylistWindowTest, SavingFewerRowsDeletesOnlyTheValueAtN) {
    Store({{0, "/a"}, {1, "/b"}, {2, "/c"}, {3, "/d"}, {4, "/e"}});
    Add({"/x/one.mp3", "/x/two.mp3", "/x/three.mp3"});
    window.SaveCustomPlayList();
    auto stored = Stored();
    EXPECT_EQ(stored, (std::map<std::string, std::string>{
                          {"item0", "/x/one.mp3"}, {"item1", "/x/two.mp3"}, {"item2", "/x/three.mp3"}, {"item4", "/e"}}));
    window.LoadCustomPlayList();
    EXPECT_EQ(window.Entries().size(), 3);
}

TEST_F(PlaylistWindowTest, SavingAnEmptyListDeletesItem0Only) {
    Store({{0, "/a"}, {2, "/c"}});
    window.LoadCustomPlayList();
    window.btnMelodyDelAllClick();
    EXPECT_FALSE(SixEnabled());
    window.SaveCustomPlayList();
    EXPECT_EQ(Stored(), (std::map<std::string, std::string>{{"item2", "/c"}}));
}

TEST_F(PlaylistWindowTest, AFailedSaveIsShownAndTheStoredListStays) {
    Store({{0, "/a"}, {1, "/b"}});
    window.LoadCustomPlayList();
    window.btnMelodyDelAllClick();
    Add({"/x/new.mp3"});
    const std::string lock = dir.File("user.reg.lock");
    std::filesystem::remove(lock);
    std::filesystem::create_directory(lock);  // no lock can be taken: the store cannot be written
    window.SaveCustomPlayList();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(messages.shown[0].starts_with(kTitle + ": Your playlist could not be saved")) << messages.shown[0];
    EXPECT_NE(messages.shown[0].find(lock), std::string::npos) << messages.shown[0];
    std::filesystem::remove(lock);
    EXPECT_EQ(Stored(), (std::map<std::string, std::string>{{"item0", "/a"}, {"item1", "/b"}}));
}

TEST_F(PlaylistWindowTest, AddingKeepsDuplicatesAndRemembersTheFolder) {
    window.LoadCustomPlayList();
    EXPECT_FALSE(SixEnabled());
    Add({"/songs/a.wav", "/songs/a.wav"});
    EXPECT_EQ(window.Entries(), (QStringList{"/songs/a.wav", "/songs/a.wav"}));
    EXPECT_EQ(window.InitialDir(), QStringLiteral("/songs/"));
    EXPECT_TRUE(SixEnabled());
    Add({});  // cancelled
    EXPECT_EQ(window.Entries().size(), 2);
    EXPECT_EQ(window.InitialDir(), QStringLiteral("/songs/"));
}

TEST_F(PlaylistWindowTest, RemoveSelectsTheNextOrTheNewLastRow) {
    Add({"/a", "/b", "/c"});
    window.List()->setCurrentRow(2);
    window.btnMelodyDeleteClick();
    EXPECT_EQ(window.Entries(), (QStringList{"/a", "/b"}));
    EXPECT_EQ(window.CurrentRow(), 1);
    window.List()->setCurrentRow(0);
    window.btnMelodyDeleteClick();
    EXPECT_EQ(window.Entries(), (QStringList{"/b"}));
    EXPECT_EQ(window.CurrentRow(), 0);
    window.btnMelodyDeleteClick();
    EXPECT_TRUE(window.Entries().isEmpty());
    EXPECT_FALSE(SixEnabled());
}

TEST_F(PlaylistWindowTest, UpAndDownMoveTheSelectedRowWithinTheList) {
    Add({"/a", "/b", "/c"});
    window.List()->setCurrentRow(0);
    window.btnMelodyUpClick();
    EXPECT_EQ(window.Entries(), (QStringList{"/a", "/b", "/c"}));
    window.btnMelodyDownClick();
    EXPECT_EQ(window.Entries(), (QStringList{"/b", "/a", "/c"}));
    EXPECT_EQ(window.CurrentRow(), 1);
    window.btnMelodyDownClick();
    EXPECT_EQ(window.CurrentRow(), 2);
    window.btnMelodyDownClick();
    EXPECT_EQ(window.Entries(), (QStringList{"/b", "/c", "/a"}));
    window.btnMelodyUpClick();
    EXPECT_EQ(window.Entries(), (QStringList{"/b", "/a", "/c"}));
    EXPECT_EQ(window.CurrentRow(), 1);
}

TEST_F(PlaylistWindowTest, PlayReportsAMissingFileAndPreviewsAnExistingOne) {
    const std::string song = dir.File("song.wav");
    vorlandite::testing::WriteFileBytes(song, {1, 2, 3});
    Add({QString::fromStdString(dir.File("gone.wav")), QString::fromStdString(song)});
    window.List()->setCurrentRow(0);
    window.btnPlayClick();
    EXPECT_EQ(messages.shown, std::vector<std::string>{kTitle + ": Specified file does not exist."});
    EXPECT_TRUE(player.log.empty());
    window.List()->setCurrentRow(1);
    window.btnPlayClick();
    EXPECT_EQ(player.log, (std::vector<std::string>{"close", "open " + song, "play"}));
    window.accept();  // closing the editor leaves the preview playing
    EXPECT_TRUE(player.IsOpen());
    window.btnStopClick();
    EXPECT_FALSE(player.IsOpen());
}

TEST(MelodyFilter, DescriptionsShowAsWrittenAndPatternsMatch) {
    const QStringList filters = MelodyNameFilters();
    ASSERT_EQ(filters.size(), 5);
    EXPECT_EQ(filters[0], QStringLiteral("Audio Files (*.mid;*.mp3;*wma;*.wav) (*.wav *.mid *.mp3 *wma)"));
    EXPECT_EQ(filters[4], QStringLiteral("Windows Media Audio (*wma) (*wma)"));
    const QStringList audio = MelodyFilterPatterns()[0];
    auto matches = [&](const QString& name) {
        for (const QString& pattern : audio)
            if (QRegularExpression(QRegularExpression::wildcardToRegularExpression(pattern)).match(name).hasMatch())
                return true;
        return false;
    };
    EXPECT_TRUE(matches(QStringLiteral("tune.mid")));
    EXPECT_TRUE(matches(QStringLiteral("song.wma")));
    EXPECT_TRUE(matches(QStringLiteral("swma")) ) << "*wma has no dot";
    EXPECT_FALSE(matches(QStringLiteral("picture.png")));
}

} // namespace
} // namespace vorlandite::ui
