#include "slideshow/controller/SlideshowController.h"

#include "audio/EnterSound.h"
#include "audio/MelodyPlayback.h"
#include "payload/TempFiles.h"
#include "slideshow/Placement.h"

#include <algorithm>
#include <climits>

namespace vorlandite::slideshow {

namespace {

// The header's count may claim more items than the table holds (a damaged payload); the order
// must never choose an item that is not there.
ItemOrderSettings OrderSettingsOf(const payload::Payload& payload) {
    const auto& header = payload.header;
    return ItemOrderSettings{std::min(header.ImageCount, int(payload.images.size())), header.DisplayOrder,
                             header.FirstItemAtStart};
}

}  // namespace

SlideshowController::SlideshowController(ShowEnvironment environment, ShowContent content)
    : env_(environment), content_(std::move(content)), order_(environment.random, OrderSettingsOf(content_.payload)) {
    content_.payload.header.ImageCount = order_.Settings().ImageCount;
    env_.slideTimer.SetOnTimeout([this] { TimerTimer(); });
    if (env_.videoPlayer)
        env_.videoPlayer->SetNotifyHandler([this](audio::IMediaPlayer::NotifyValue value) { MPlayNotify(value); });
    if (env_.flashTimer)
        env_.flashTimer->SetOnTimeout([this] { FlashTimerTimer(); });
    flashAvailable_ = env_.flash != nullptr;
}

SlideshowController::~SlideshowController() {
    *alive_ = false;
    if (env_.videoPlayer)
        env_.videoPlayer->SetNotifyHandler({});
    env_.slideTimer.Stop();
    env_.slideTimer.SetOnTimeout({});
    if (env_.flashTimer) {
        env_.flashTimer->Stop();
        env_.flashTimer->SetOnTimeout({});
    }
}

bool SlideshowController::TransitionInProgress() const {
    // The worker may have ended while its completion still waits on the owner's thread; until
    // that has run, the transition counts as running so that nothing overlaps it.
    return env_.engine.TransitionRunning.load() || env_.engine.HasPendingCompletion();
}

int SlideshowController::DisplayTimeMs(int index) const {
    const auto& header = content_.payload.header;
    int64_t ms = int64_t(header.Seconds) * 1000;
    if (index >= 0 && index < int(content_.payload.images.size()) && content_.payload.images[index].Duration > 0)
        ms = int64_t(content_.payload.images[index].Duration) * 1000;
    // A hand-edited setting must not wrap into a short or negative interval.
    return int(std::clamp<int64_t>(ms, 0, INT_MAX));
}

bool SlideshowController::IsFlashItem(int index) const {
    return index >= 0 && index < int(content_.payload.images.size()) &&
           payload::KindOfExtension(content_.payload.images[index].Ext) == payload::ItemKind::Flash;
}

void SlideshowController::EnableSlideTimer() { env_.slideTimer.Start(slideIntervalMs_); }

void SlideshowController::DisableSlideTimer() { env_.slideTimer.Stop(); }

void SlideshowController::ApplyChoice(const ItemChoice& choice) {
    if (choice.emptyEffectList)
        content_.payload.strings.EffectList.clear();
}

void SlideshowController::ChooseNextCounter() { ApplyChoice(order_.ChooseNextCounter()); }

Status SlideshowController::Start() {
    auto& header = content_.payload.header;
    BackgroundSources sources{env_.desktop, content_.screensaverPath, content_.tempFolder};
    uint32_t windowColour = 0;
    auto built = BuildBackground(header, env_.display.Width(), env_.display.Height(), env_.random, sources,
                                 windowColour);
    if (!built)
        return MakeError(built.message());
    background_ = std::move(built).value();

    MakeStartupFlashControl();

    GifAnimationOptions gifOptions;
    gifOptions.backgroundColour = header.BackgroundColor;
    gif_ = std::make_unique<GifAnimation>(env_.gifTimer, gifOptions);
    gif_->SetFrameShownHandler([this](int frameIndex, const raster::Rect& changed) {
        (gifSurface_ ? *gifSurface_ : static_cast<IShowSurface&>(env_.display)).Repaint(changed);
        if (env_.events)
            env_.events->GifFrame(currentPictureIndex_, frameIndex, changed);
    });

    if (env_.melody)
        env_.melody->Start();  // it knows Mute and ShuffleMelody itself

    ApplyChoice(order_.ChooseFirstItem());
    desktopStart_ = header.DesktopStart;
    showWithoutTransition_ = true;
    LoadImage(order_.ItemCounter(), desktopStart_);
    // On the desktop the first tick shows the chosen item itself; otherwise it shows the next.
    if (!desktopStart_)
        ChooseNextCounter();

    if (header.ImageCount <= 0 || videoPlaying_) {
        DisableSlideTimer();
    } else if (desktopStart_) {
        slideIntervalMs_ = 1;
        EnableSlideTimer();
    } else {
        slideIntervalMs_ = DisplayTimeMs(currentItemIndex_);
        EnableSlideTimer();
        // A single still picture stays; a single Flash movie is loaded again after its time.
        if (header.ImageCount == 1 && !IsFlashItem(0))
            DisableSlideTimer();
    }
    desktopStart_ = false;
    return {};
}

void SlideshowController::TimerTimer() {
    if (closed_)
        return;
    if (env_.engine.TransitionAbort.load()) {
        FinishScreenSaver(true);
        return;
    }
    DisableSlideTimer();
    if (gif_)
        gif_->StopGif();
    if (flashShown_) {
        CloseAndStopFlash();
        RepaintScreens();
    }
    LoadImage(order_.ItemCounter(), false);
    ChooseNextCounter();
    slideIntervalMs_ = DisplayTimeMs(currentItemIndex_);
    const int count = content_.payload.header.ImageCount;
    if (!(count < 2 || videoPlaying_ || TransitionInProgress()))
        EnableSlideTimer();
    if (count == 1 && IsFlashItem(0))
        EnableSlideTimer();
}

FrameContext SlideshowController::CurrentFrameContext() {
    return FrameContext{content_.payload.header,
                        content_.payload.images,
                        content_.payload.masks,
                        background_->bitmap,
                        content_.logo,
                        env_.display.Width(),
                        env_.display.Height(),
                        content_.screensaverPath,
                        content_.tempFolder,
                        env_.random};
}

void SlideshowController::LoadImage(int index, bool desktopStart) {
    if (!background_ || closed_)
        return;
    RebuildBackground(content_.payload.header, env_.random, *background_);
    // Only the desktop start shows the background frame itself; a picture item composes a frame
    // of its own, so at full size the copy would be made for nothing.
    raster::TBitmap32 frame;
    if (desktopStart) {
        auto made = BackgroundFrame(background_->bitmap, env_.display.Width(), env_.display.Height());
        if (!made)
            return;
        frame = std::move(made).value();
    }
    try {
        // A broken item is skipped without a word: the screen keeps the previous picture and the
        // next tick brings the next item.
        (void)LoadItem(index, desktopStart, frame);
    } catch (...) {
    }
}

// The part common to every kind, then the kind's own load.
Status SlideshowController::LoadItem(int index, bool desktopStart, raster::TBitmap32& frame) {
    auto& header = content_.payload.header;
    const bool indexValid = index >= 0 && index < int(content_.payload.images.size());
    const bool isGif = indexValid && payload::KindOfExtension(content_.payload.images[index].Ext) == payload::ItemKind::Gif;
    if (isGif) {
        auto backdrop = ComposeGifBackdrop(CurrentFrameContext(), index);
        if (!backdrop)
            return MakeError(backdrop.message());
        gifBackdrop_ = std::move(backdrop).value();
    }

    if (desktopStart && env_.desktop) {
        raster::CaptureDesktop(frame, *env_.desktop);
        env_.display.PictureBitmap() = frame;
    }
    if (index < 0)
        return {};
    if (!indexValid)
        return MakeError("no such item");

    flashShown_ = false;
    if (gif_)
        gif_->StopGif();
    const payload::TKelImageInfo& item = content_.payload.images[index];
    const payload::ItemKind kind = payload::KindOfExtension(item.Ext);
    // Without a Flash runtime or a video player such items are passed over like an item that
    // cannot be shown.
    if (kind == payload::ItemKind::Flash && !flashAvailable_)
        return MakeError("no Flash runtime");
    if (kind == payload::ItemKind::Video && !env_.videoPlayer)
        return MakeError("no video player");

    // A file of the same name left by an earlier item must not stand in for one that could not
    // be extracted: a failed extraction removes it, and the item is passed over.
    auto extracted = payload::ExtractedFile::Extract(
        content_.screensaverPath, payload::TempFilePath(content_.tempFolder, payload::kItemFile, item.Ext),
        payload::TableItem(header, item));
    if (!extracted)
        return extracted.error();
    // Each kind's load takes the file and keeps it as long as its item needs it.
    payload::ExtractedFile itemFile = std::move(extracted).value();
    const int mode = EffectiveStretch(item.Stretch, header.Stretch);
    Status loaded;
    switch (kind) {
    case payload::ItemKind::Flash:
        loaded = LoadFlash(index, mode, std::move(itemFile), frame);
        break;
    case payload::ItemKind::Video:
        loaded = LoadVideo(index, mode, std::move(itemFile), frame);
        break;
    default:
        return LoadPicture(index, mode, desktopStart, std::move(itemFile), frame);
    }
    if (loaded)
        showWithoutTransition_ = false;  // a video or movie that failed leaves it for the next item
    return loaded;
}

void SlideshowController::RestartTimer() {
    if (closed_)
        return;
    if (env_.events)
        env_.events->TransitionEnded(transitionItem_);
    EnableSlideTimer();
    if (env_.engine.TransitionAbort.load())
        FinishScreenSaver(true);
    else if (gif_)
        gif_->AnimateGif();
}

void SlideshowController::Suspend() {
    suspended_ = true;
    DisableSlideTimer();
}

void SlideshowController::Resume() {
    EnableSlideTimer();
    suspended_ = false;
}

void SlideshowController::StopMedia() {
    try {
        if (gif_)
            gif_->StopGif();
        StopVideo();
        if (env_.melody)
            env_.melody->Finish();
        if (env_.enterSound)
            env_.enterSound->Finish();
    } catch (...) {
        // The show goes on with whatever still plays.
    }
}

void SlideshowController::FinishScreenSaver(bool exit) {
    if (closed_ || closeRequested_)
        return;
    auto& engine = env_.engine;
    if (exit && !TransitionInProgress()) {
        Suspend();
        if (env_.password && !env_.password->VerifyPassword())
            exit = false;
        Resume();
        if (!exit) {
            // A refused password ends the pending finish too; left set, it would ask again at
            // every tick and never let the next item in.
            engine.TransitionAbort = false;
            engine.SkipFinalFrame = false;
        }
    }
    if (!exit)
        return;
    StopMedia();
    if (TransitionInProgress()) {
        // The worker stops at its next frame; RestartTimer comes back here.
        engine.TransitionAbort = true;
        engine.SkipFinalFrame = true;
        return;
    }
    closeRequested_ = true;
    env_.display.RequestClose();
}

void SlideshowController::FormClose() {
    if (closed_)
        return;
    closed_ = true;
    env_.engine.TransitionAbort = true;
    DisableSlideTimer();
    payload::RemoveLeftover(payload::TempFilePath(content_.tempFolder, payload::kDataFile));
    if (env_.melody)
        env_.melody->RemoveLeftoverFile();
    if (gif_)
        gif_->StopGif();
    gifSurface_ = nullptr;
    // The window takes its Flash control with it.
    CloseAndStopFlash();
    flashControl_.reset();
    background_.reset();
    gifBackdrop_ = raster::TBitmap32();
    decodedPicture_ = raster::TBitmap32();
    itemMask_.reset();
    content_.payload.images.clear();
    content_.payload.header.ImageCount = 0;
    if (env_.events)
        env_.events->Ended();
}

}  // namespace vorlandite::slideshow
