#include "platform/flash/RuffleFlashControl.h"

#include "platform/flash/RufflePlayerView.h"
#include "formats/swf/SwfMovie.h"

#include <cstdio>
#include <optional>

namespace vorlandite::platform {
namespace {

// When the movie's root timeline stops, read from the movie's file.
std::optional<int64_t> TimelineStopOf(const std::string& path) {
    auto timeline = swf::ReadSwfTimeline(path);
    return timeline ? timeline->StopTimeMs() : std::nullopt;
}

} // namespace

RuffleFlashControl::RuffleFlashControl(std::shared_ptr<RufflePlayerView> view) : view_(std::move(view)) {
    clock_.start();
    lease_ = view_->Acquire([this](const QString& what) { Report(what); });
}

// Only the holder's movie goes with it; an older control's going leaves the view alone.
RuffleFlashControl::~RuffleFlashControl() { view_->Release(lease_); }

bool RuffleFlashControl::HasView() const { return view_->Holds(lease_); }

void RuffleFlashControl::SetMovie(const std::string& path) {
    failed_ = false;
    movie_ = path;
    if (!HasView())
        return;
    if (IsNoMovie(path)) {
        playing_ = false;
        timeline_.Reset(std::nullopt);
        view_->Unload(lease_);
        return;
    }
    // Setting a movie starts it, as the control's default Playing does.
    timeline_.Reset(TimelineStopOf(path));
    playing_ = true;
    movieSetAtMs_ = Now();
    view_->Load(lease_, QString::fromStdString(path));  // may report a failure at once
}

void RuffleFlashControl::SetPlaying(bool playing) {
    if (playing)
        Play();
    else
        Stop();
}

void RuffleFlashControl::Play() {
    if (IsNoMovie(movie_) || !HasView())
        return;
    playing_ = true;
    timeline_.Resume(Now());
    view_->Play(lease_);
}

void RuffleFlashControl::Stop() {
    playing_ = false;
    timeline_.Pause(Now());
    view_->Stop(lease_);
}

bool RuffleFlashControl::IsPlaying() const {
    if (!playing_ || failed_ || !HasView())
        return false;
    if (!timeline_.HasStarted())
        return Now() - movieSetAtMs_ < kStartTimeoutMs;
    return timeline_.TimelineRunning(Now());
}

void RuffleFlashControl::SetBounds(int left, int top, int width, int height) {
    view_->SetGeometry(lease_, left, top, width, height);
}

void RuffleFlashControl::SetVisible(bool visible) { view_->SetVisible(lease_, visible); }

void RuffleFlashControl::SetInputEnabled(bool enabled) { view_->SetInputEnabled(lease_, enabled); }

void RuffleFlashControl::Report(const QString& what) {
    if (what == QLatin1String("started")) {
        timeline_.Started(Now());  // a Stop before this has paused the clock already
        if (FlashDebug())
            std::fprintf(stderr, "flash: first frame %lld ms after the movie was set\n",
                         static_cast<long long>(Now() - movieSetAtMs_));
    } else if (what.startsWith(QLatin1String("failed"))) {
        failed_ = true;
        if (FlashDebug())
            std::fprintf(stderr, "flash: %s\n", qPrintable(what));
    }
}

} // namespace vorlandite::platform
