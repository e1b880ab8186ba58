// Video frames from the player to a display: scaled into the display rectangle, over the
// panel's background colour, and gone when the player closes.

#include "audio/MediaFixtures.h"
#include "audio/MediaPlayer.h"
#include "audio/MusicTestSupport.h"
#include "audio/VideoPanel.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QPalette>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace vorlandite::audio {
namespace {

using namespace std::chrono_literals;

using testing::WaitUntil;

// A headless consumer, as a recorder would be.
struct FrameRecorder : VideoFrameConsumer {
    void PresentVideoFrame(const QImage& frame, const QRect& target) override {
        ++frames;
        last = frame;
        lastTarget = target;
    }
    void ClearVideoFrame() override { ++clears; }
    int frames = 0;
    int clears = 0;
    QImage last;
    QRect lastTarget;
};

bool IsBlue(QRgb pixel) { return qBlue(pixel) > 180 && qRed(pixel) < 70 && qGreen(pixel) < 70; }

class VideoDisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto made = testing::MakeMediaFile(testing::MediaKind::Avi, dir_.Path().string(), 400ms);
        if (!made) GTEST_SKIP() << made.message();
        video_ = made.value();
    }
    vorlandite::testing::TempDir dir_;
    testing::MediaFile video_;
};

TEST_F(VideoDisplayTest, FramesReachTheDisplayWithItsRectangleUntilClose) {
    MediaPlayer player(MediaPlayer::AudioOutput::Silent, MediaPlayer::VideoOutput::Frames);
    FrameRecorder recorder;
    player.SetFileName(video_.path);
    ASSERT_TRUE(player.Open());
    // Attached after Open, as the item loading does: the prerolled frame shows at once.
    player.SetDisplay(&recorder);
    EXPECT_EQ(recorder.frames, 1);
    const QRect rect(10, 5, 150, 100);
    player.SetDisplayRect(rect);
    ASSERT_TRUE(player.Play());
    ASSERT_TRUE(WaitUntil([&] { return recorder.frames >= 4; }, 5s));
    EXPECT_EQ(recorder.lastTarget, rect);
    EXPECT_EQ(recorder.last.size(), QSize(testing::kVideoWidth, testing::kVideoHeight));
    EXPECT_TRUE(IsBlue(recorder.last.pixel(40, 30)));

    player.Close();
    EXPECT_GE(recorder.clears, 1);
    const int framesAtClose = recorder.frames;
    WaitUntil([] { return false; }, 300ms);
    EXPECT_EQ(recorder.frames, framesAtClose) << "no frame of the closed file arrives late";
}

TEST_F(VideoDisplayTest, WithoutVideoOutputTheVideoKeepsItsTimeButShowsNothing) {
    MediaPlayer player(MediaPlayer::AudioOutput::Silent, MediaPlayer::VideoOutput::None);
    FrameRecorder recorder;
    player.SetDisplay(&recorder);
    player.SetFileName(video_.path);
    ASSERT_TRUE(player.Open());
    EXPECT_EQ(player.NaturalDisplayRect().size(), QSize(testing::kVideoWidth, testing::kVideoHeight));
    bool done = false;
    QObject::connect(&player, &MediaPlayer::OnNotify, [&](auto value) {
        done = value == MediaPlayer::NotifyValue::Successful;
    });
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(player.Play());
    ASSERT_TRUE(WaitUntil([&] { return done; }, 10s));
    EXPECT_GE(std::chrono::steady_clock::now() - start, video_.duration * 3 / 4);
    EXPECT_EQ(recorder.frames, 0);
}

TEST_F(VideoDisplayTest, PanelPaintsTheVideoScaledIntoTheRectangleOverItsColour) {
    VideoPanel panel;
    QPalette palette = panel.palette();
    palette.setColor(QPalette::Window, Qt::red);
    panel.setPalette(palette);
    panel.resize(200, 120);

    MediaPlayer player(MediaPlayer::AudioOutput::Silent, MediaPlayer::VideoOutput::Frames);
    player.SetFileName(video_.path);
    ASSERT_TRUE(player.Open());
    player.SetDisplay(&panel);
    player.SetDisplayRect(QRect(50, 20, 120, 80));  // larger than the video: scaled up
    ASSERT_FALSE(panel.CurrentFrame().isNull());

    const QImage shot = panel.grab().toImage();
    EXPECT_TRUE(IsBlue(shot.pixel(55, 25)));
    EXPECT_TRUE(IsBlue(shot.pixel(165, 95)));
    EXPECT_EQ(QColor(shot.pixel(45, 60)), QColor(Qt::red));
    EXPECT_EQ(QColor(shot.pixel(175, 60)), QColor(Qt::red));
    EXPECT_EQ(QColor(shot.pixel(100, 105)), QColor(Qt::red));

    player.Close();
    EXPECT_TRUE(panel.CurrentFrame().isNull());
    EXPECT_EQ(QColor(panel.grab().toImage().pixel(100, 60)), QColor(Qt::red));
}

TEST_F(VideoDisplayTest, DestroyedPanelIsDetached) {
    MediaPlayer player(MediaPlayer::AudioOutput::Silent, MediaPlayer::VideoOutput::Frames);
    auto panel = std::make_unique<VideoPanel>();
    player.SetDisplay(panel.get());
    panel.reset();
    EXPECT_EQ(player.Display(), nullptr);
    player.SetFileName(video_.path);
    ASSERT_TRUE(player.Open());
    ASSERT_TRUE(player.Play());
    WaitUntil([] { return false; }, 200ms);  // frames arrive with no display to crash into
    player.Close();
}

} // namespace
} // namespace vorlandite::audio
