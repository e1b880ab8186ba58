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
    const auto& header = payload.Header;
    return ItemOrderSettings{std::min(header.ImageCount, int(payload.Images.size())), header.DisplayOrder,
                             header.FirstItemAtStart};
}

}  // namespace

TSlideshowController::TSlideshowController(TShowEnvironment environment, TShowContent content)
    : env_(environment), content_(std::move(content)), order_(environment.Random, OrderSettingsOf(content_.Payload)) {
    content_.Payload.Header.ImageCount = order_.Settings().ImageCount;
    env_.SlideTimer.SetOnTimeout([this] { TimerTimer(); });
    if (env_.VideoPlayer)
        env_.VideoPlayer->SetNotifyHandler([this](audio::IMediaPlayer::NotifyValue value) { MPlayNotify(value); });
    if (env_.FlashTimer)
        env_.FlashTimer->SetOnTimeout([this] { FlashTimerTimer(); });
    flashAvailable_ = env_.Flash != nullptr;
}

TSlideshowController::~TSlideshowController() {
    *alive_ = false;
    if (env_.VideoPlayer)
        env_.VideoPlayer->SetNotifyHandler({});
    env_.SlideTimer.Stop();
    env_.SlideTimer.SetOnTimeout({});
    if (env_.FlashTimer) {
        env_.FlashTimer->Stop();
        env_.FlashTimer->SetOnTimeout({});
    }
}

bool TSlideshowController::TransitionInProgress() const {
    // The worker may have ended while its completion still waits on the owner's thread; until
    // that has run, the transition counts as running so that nothing overlaps it.
    return env_.Engine.TransitionRunning.load() || env_.Engine.HasPendingCompletion();
}

int TSlideshowController::DisplayTimeMs(int index) const {
    const auto& header = content_.Payload.Header;
    int64_t ms = int64_t(header.Seconds) * 1000;
    if (index >= 0 && index < int(content_.Payload.Images.size()) && content_.Payload.Images[index].Duration > 0)
        ms = int64_t(content_.Payload.Images[index].Duration) * 1000;
    // A hand-edited setting must not wrap into a short or negative interval.
    return int(std::clamp<int64_t>(ms, 0, INT_MAX));
}

bool TSlideshowController::IsFlashItem(int index) const {
    return index >= 0 && index < int(content_.Payload.Images.size()) &&
           payload::KindOfExtension(content_.Payload.Images[index].Ext) == payload::ItemKind::Flash;
}

void TSlideshowController::EnableSlideTimer() { env_.SlideTimer.Start(slideIntervalMs_); }

void TSlideshowController::DisableSlideTimer() { env_.SlideTimer.Stop(); }

void TSlideshowController::ApplyChoice(const ItemChoice& choice) {
    if (choice.emptyEffectList)
        content_.Payload.Strings.EffectList.clear();
}

void TSlideshowController::ChooseNextCounter() { ApplyChoice(order_.ChooseNextCounter()); }

Status TSlideshowController::Start() {
    auto& header = content_.Payload.Header;
    TBackgroundSources sources{env_.Desktop, content_.ScreensaverPath, content_.TempFolder};
    uint32_t windowColour = 0;
    auto built = BuildBackground(header, env_.Display.Width(), env_.Display.Height(), env_.Random, sources,
                                 windowColour);
    if (!built)
        return MakeError(built.message());
    background_ = std::move(built).value();

    MakeStartupFlashControl();

    TGifAnimationOptions gifOptions;
    gifOptions.backgroundColour = header.BackgroundColor;
    gif_ = std::make_unique<TGifAnimation>(env_.GifTimer, gifOptions);
    gif_->SetFrameShownHandler([this](int frameIndex, const raster::TRect& changed) {
        (gifSurface_ ? *gifSurface_ : static_cast<IShowSurface&>(env_.Display)).Repaint(changed);
        if (env_.Events)
            env_.Events->GifFrame(currentPictureIndex_, frameIndex, changed);
    });

    if (env_.Melody)
        env_.Melody->Start();  // it knows Mute and ShuffleMelody itself

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

void TSlideshowController::TimerTimer() {
    if (closed_)
        return;
    if (env_.Engine.TransitionAbort.load()) {
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
    const int count = content_.Payload.Header.ImageCount;
    if (!(count < 2 || videoPlaying_ || TransitionInProgress()))
        EnableSlideTimer();
    if (count == 1 && IsFlashItem(0))
        EnableSlideTimer();
}

TFrameContext TSlideshowController::FrameContext() {
    return TFrameContext{content_.Payload.Header,
                         content_.Payload.Images,
                         content_.Payload.Masks,
                         background_->Bitmap,
                         content_.Logo,
                         env_.Display.Width(),
                         env_.Display.Height(),
                         content_.ScreensaverPath,
                         content_.TempFolder,
                         env_.Random};
}

void TSlideshowController::LoadImage(int index, bool desktopStart) {
    if (!background_ || closed_)
        return;
    RebuildBackground(content_.Payload.Header, env_.Random, *background_);
    // Only the desktop start shows the background frame itself; a picture item composes a frame
    // of its own, so at full size the copy would be made for nothing.
    raster::TBitmap32 frame;
    if (desktopStart) {
        auto made = BackgroundFrame(background_->Bitmap, env_.Display.Width(), env_.Display.Height());
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
Status TSlideshowController::LoadItem(int index, bool desktopStart, raster::TBitmap32& frame) {
    auto& header = content_.Payload.Header;
    const bool indexValid = index >= 0 && index < int(content_.Payload.Images.size());
    const bool isGif = indexValid && payload::KindOfExtension(content_.Payload.Images[index].Ext) == payload::ItemKind::Gif;
    if (isGif) {
        auto backdrop = ComposeGifBackdrop(FrameContext(), index);
        if (!backdrop)
            return MakeError(backdrop.message());
        gifBackdrop_ = std::move(backdrop).value();
    }

    if (desktopStart && env_.Desktop) {
        raster::CaptureDesktop(frame, *env_.Desktop);
        env_.Display.PictureBitmap() = frame;
    }
    if (index < 0)
        return {};
    if (!indexValid)
        return MakeError("no such item");

    flashShown_ = false;
    if (gif_)
        gif_->StopGif();
    const payload::TKelImageInfo& item = content_.Payload.Images[index];
    const payload::ItemKind kind = payload::KindOfExtension(item.Ext);
    // Without a Flash runtime or a video player such items are passed over like an item that
    // cannot be shown.
    if (kind == payload::ItemKind::Flash && !flashAvailable_)
        return MakeError("no Flash runtime");
    if (kind == payload::ItemKind::Video && !env_.VideoPlayer)
        return MakeError("no video player");

    // A file of the same name left by an earlier item must not stand in for one that could not
    // be extracted: a failed extraction removes it, and the item is passed over.
    auto extracted = payload::TExtractedFile::Extract(
        content_.ScreensaverPath, payload::TempFilePath(content_.TempFolder, payload::kItemFile, item.Ext),
        payload::TableItem(header, item));
    if (!extracted)
        return extracted.error();
    // Each kind's load takes the file and keeps it as long as its item needs it.
    payload::TExtractedFile itemFile = std::move(extracted).value();
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

void TSlideshowController::RestartTimer() {
    if (closed_)
        return;
    if (env_.Events)
        env_.Events->TransitionEnded(transitionItem_);
    EnableSlideTimer();
    if (env_.Engine.TransitionAbort.load())
        FinishScreenSaver(true);
    else if (gif_)
        gif_->AnimateGif();
}

void TSlideshowController::Suspend() {
    suspended_ = true;
    DisableSlideTimer();
}

void TSlideshowController::Resume() {
    EnableSlideTimer();
    suspended_ = false;
}

void TSlideshowController::StopMedia() {
    try {
        if (gif_)
            gif_->StopGif();
        StopVideo();
        if (env_.Melody)
            env_.Melody->Finish();
        if (env_.EnterSound)
            env_.EnterSound->Finish();
    } catch (...) {
        // The show goes on with whatever still plays.
    }
}

void TSlideshowController::FinishScreenSaver(bool exit) {
    if (closed_ || closeRequested_)
        return;
    auto& engine = env_.Engine;
    if (exit && !TransitionInProgress()) {
        Suspend();
        if (env_.Password && !env_.Password->VerifyPassword())
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
    env_.Display.RequestClose();
}

void TSlideshowController::FormClose() {
    if (closed_)
        return;
    closed_ = true;
    env_.Engine.TransitionAbort = true;
    DisableSlideTimer();
    payload::RemoveLeftover(payload::TempFilePath(content_.TempFolder, payload::kDataFile));
    if (env_.Melody)
        env_.Melody->RemoveLeftoverFile();
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
    content_.Payload.Images.clear();
    content_.Payload.Header.ImageCount = 0;
    if (env_.Events)
        env_.Events->Ended();
}

}  // namespace vorlandite::slideshow
