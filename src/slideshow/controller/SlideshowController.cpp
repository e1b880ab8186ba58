#include "slideshow/controller/SlideshowController.h"

#include "audio/EnterSound.h"
#include "audio/MelodyPlayback.h"
#include "payload/ItemExtraction.h"
#include "payload/PayloadLayout.h"
#include "payload/TempFiles.h"
#include "slideshow/DisplayPanelPlacement.h"
#include "slideshow/LogoOverlay.h"
#include "slideshow/Placement.h"
#include "formats/swf/SwfMovie.h"
#include "transitions/EffectSettings.h"

#include <algorithm>
#include <climits>
#include <filesystem>

namespace vorlandite::slideshow {

namespace {

void RemoveQuietly(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}

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

    // A payload that carries a Flash control wants one ready before anything is shown. When it
    // cannot be made, the runtime is registered and one more try made; after a second failure
    // the runtime is not usable, and the show runs without Flash items.
    if (header.FlashPlayerSize > 0 && env_.Flash) {
        auto control = env_.Flash->CreateFlashControl();
        if (!control && env_.RegisterFlash && env_.RegisterFlash())
            control = env_.Flash->CreateFlashControl();
        if (control) {
            flashControl_ = std::move(control).value();
            flashControl_->SetBounds(0, 0, env_.Display.Width(), env_.Display.Height());
            flashControl_->SetVisible(false);
        } else {
            flashAvailable_ = false;
        }
    }

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

    const std::string itemFile = payload::TempFilePath(content_.TempFolder, payload::kItemFile, item.Ext);
    // A file of the same name left by an earlier item must not stand in for one that could not
    // be extracted: the item is passed over.
    if (Status extracted = payload::ExtractItem(content_.ScreensaverPath, itemFile, item.StoredSize > 0,
                                                payload::ItemPosition(header, item), item.StoredSize, item.Size);
        !extracted) {
        RemoveQuietly(itemFile);
        return extracted;
    }
    const int mode = EffectiveStretch(item.Stretch, header.Stretch);
    if (kind == payload::ItemKind::Flash) {
        Status loaded = LoadFlash(index, mode, itemFile, frame);
        if (loaded)
            showWithoutTransition_ = false;
        return loaded;
    }
    if (kind == payload::ItemKind::Video) {
        Status loaded = LoadVideo(index, mode, itemFile, frame);
        if (loaded)
            showWithoutTransition_ = false;  // a video that failed leaves it for the next item
        return loaded;
    }

    TItemShownEvent shown;
    shown.index = index;
    shown.kind = kind;
    shown.placementMode = mode;
    IShowSurface* target = &env_.Display;
    if (desktopStart) {
        // This call only puts the desktop on screen; the next one loads the item itself.
        shown.mode = TShowMode::Desktop;
    } else {
        decodedPicture_ = raster::TBitmap32();
        itemMask_.reset();
        auto composed = ComposePictureFrame(FrameContext(), index, itemFile);
        if (!composed) {
            // Nothing of a broken item is kept, not even its file in the temporary folder.
            RemoveQuietly(itemFile);
            return MakeError(composed.message());
        }
        frame = std::move(composed->Frame);
        decodedPicture_ = std::move(composed->Picture);
        itemMask_ = std::move(composed->Mask);
        placementRect_ = composed->Placement;
        currentPictureIndex_ = index;
        currentItemIndex_ = index;
        target = &ChooseTarget();
        gifSurface_ = target;
        if (composed->IsGif && gif_ && composed->Gif) {
            if (gif_->LoadGif(composed->Gif)) {
                gif_->SetStage(TGifStage{&gifBackdrop_, placementRect_, &target->PictureBitmap(),
                                         uint32_t(item.ImageFilter), itemMask_ ? &*itemMask_ : nullptr});
            }
        }
        shown.rect = placementRect_;
        shown.monitor = target == &env_.Display ? 0 : 1;
    }

    if (env_.EnterSound &&
        audio::ShouldPlayEnterSound(payload::KindOfExtension(item.Ext), item.EnterSoundIndex, header.Mute, false))
        (void)env_.EnterSound->LoadEnterSound(item.EnterSoundIndex);

    if (showWithoutTransition_ || desktopStart) {
        // Every monitor shows the frame at once, whichever of them the item went to.
        env_.Display.ShowFrameNow(frame);
        if (IShowSurface* second = env_.Display.SecondMonitor()) {
            second->ShowFrameNow(frame);
            second->PictureBitmap() = frame;
        }
        if (shown.mode != TShowMode::Desktop)
            shown.mode = TShowMode::AtOnce;
        if (env_.Events)
            env_.Events->ItemShown(shown);
        if (gif_)
            gif_->AnimateGif();
    } else {
        const bool ownEffects = item.ItemEffectSpeed != -1;
        const std::string& effectSet = ownEffects ? item.Effect : content_.Payload.Strings.EffectList;
        const int speed = ownEffects ? item.ItemEffectSpeed : header.EffectSpeed;
        shown.effect = transitions::RandomEffect(effectSet, env_.Random);
        shown.steps = transitions::StepsForSpeed(env_.Display.Width(), speed);
        transitionItem_ = index;
        transitions::TTransThread* thread = env_.Engine.StartTransition(target->Presenter(), frame, shown.effect,
                                                                        shown.steps, kShowFramePeriodMs);
        shown.mode = thread ? TShowMode::Transition : TShowMode::AtOnce;
        if (env_.Events)
            env_.Events->ItemShown(shown);
        if (thread) {
            thread->SetCompletionHandler([this, alive = alive_] {
                if (*alive)
                    RestartTimer();
            });
        } else if (gif_) {
            gif_->AnimateGif();
        }
    }
    // The target's bitmap holds the new frame from now on, so that a repaint during or after the
    // transition does not bring the old picture back. It takes the frame only once the frame has
    // been handed over (the transition keeps its own copy): nothing on this thread repaints in
    // between, and the frame need not be copied once more.
    if (!desktopStart)
        target->PictureBitmap() = std::move(frame);
    RemoveQuietly(itemFile);
    showWithoutTransition_ = false;
    return {};
}

Status TSlideshowController::ShowPanelBackdrop(raster::TBitmap32& frame) {
    // The background (or the desktop the show starts on) with the logo and no caption goes on
    // every monitor at once, without a transition; the movie then plays over it.
    if (frame.Empty()) {
        auto made = BackgroundFrame(background_->Bitmap, env_.Display.Width(), env_.Display.Height());
        if (!made)
            return MakeError(made.message());
        frame = std::move(made).value();
    }
    DrawLogo(content_.Logo, LogoPosition(content_.Payload.Header), frame);
    if (IShowSurface* second = env_.Display.SecondMonitor()) {
        second->PictureBitmap() = frame;
        second->ShowFrameNow(frame);
    }
    env_.Display.PictureBitmap() = frame;
    env_.Display.ShowFrameNow(frame);
    return {};
}

void TSlideshowController::RepaintScreens() {
    env_.Display.Repaint(raster::TRect{0, 0, env_.Display.Width(), env_.Display.Height()});
    if (IShowSurface* second = env_.Display.SecondMonitor())
        second->Repaint(raster::TRect{0, 0, second->Width(), second->Height()});
}

Status TSlideshowController::LoadFlash(int index, int mode, const std::string& itemFile, raster::TBitmap32& frame) {
    auto& header = content_.Payload.Header;
    if (Status shown = ShowPanelBackdrop(frame); !shown)
        return shown;

    if (flashControl_) {
        flashControl_->Stop();
        flashControl_.reset();
    }
    auto created = env_.Flash->CreateFlashControl();
    if (!created)
        return MakeError(created.message());
    flashControl_ = std::move(created).value();
    flashControl_->SetBounds(0, 0, env_.Display.Width(), env_.Display.Height());
    flashControl_->SetVisible(true);
    flashControl_->SetMovie(itemFile);
    // Loading a movie runs events; the show may have been closed meanwhile (and its control
    // dropped with it).
    if (closed_ || !flashControl_)
        return MakeError("the show closed while the movie was loading");
    flashControl_->SetInputEnabled(!header.ExitMouseMove);

    auto rect = swf::ReadMovieRect(flashControl_->Movie());
    if (!rect) {
        // A movie that cannot be placed is not shown; left loaded, it would play on unseen (and
        // be heard) until the next Flash item, since nothing else stops it.
        flashControl_->Stop();
        flashControl_->SetVisible(false);
        flashControl_->SetMovie(platform::kNoMovie);
        return MakeError(rect.message());
    }
    const int width = swf::MovieWidth(*rect);
    const int height = swf::MovieHeight(*rect);
    const raster::TRect panel =
        DisplayPanelRect(mode, raster::TRect{0, 0, width, height}, env_.Display.Width(), env_.Display.Height(),
                         env_.Random);
    env_.Display.PlaceVideoPanel(panel);
    flashControl_->SetBounds(0, 0, panel.Right - panel.Left, panel.Bottom - panel.Top);
    env_.Display.ShowVideoPanel(true);
    flashShown_ = true;

    payload::TKelImageInfo& item = content_.Payload.Images[std::size_t(index)];
    if (item.Duration != -2 && env_.FlashTimer)
        env_.FlashTimer->Start(kFlashPollMs);
    if (item.Duration < 0)
        item.Duration = kFlashDurationSeconds;

    PanelItemShown(index, payload::ItemKind::Flash, mode, panel);
    flashControl_->Play();
    return {};
}

void TSlideshowController::FlashTimerTimer() {
    if (closed_ || !flashShown_ || !flashControl_ || flashControl_->IsPlaying())
        return;
    // The next item comes at once; while the password is asked the show stands still, and
    // Resume brings it.
    slideIntervalMs_ = 1;
    if (!suspended_)
        EnableSlideTimer();
    RepaintScreens();
}

void TSlideshowController::CloseAndStopFlash() {
    if (flashControl_) {
        flashControl_->Stop();
        flashControl_->SetPlaying(false);
        flashControl_->SetVisible(false);
        env_.Display.ShowVideoPanel(false);
        flashControl_->SetMovie(platform::kNoMovie);
    }
    flashShown_ = false;
    if (env_.FlashTimer)
        env_.FlashTimer->Stop();
}

Status TSlideshowController::LoadVideo(int index, int mode, const std::string& itemFile, raster::TBitmap32& frame) {
    const auto& header = content_.Payload.Header;
    if (Status shown = ShowPanelBackdrop(frame); !shown)
        return shown;

    audio::IMediaPlayer& player = *env_.VideoPlayer;
    player.SetNotify(false);
    player.SetDisplay(nullptr);
    player.Close();
    player.SetFileName(itemFile);
    if (Status opened = player.Open(); !opened) {
        RemoveQuietly(itemFile);
        return opened;
    }
    // A player that prerolls in the background knows the video's size only later; the panel
    // waits for it, and the play with it (a preroll that fails completes the play as Failure).
    const bool ready = player.Ready();
    raster::TRect panel{};
    if (ready)
        panel = PlaceVideoPanel(mode);
    if (header.MuteVideo)
        (void)player.SetVolume(0);
    player.SetNotify(true);
    if (Status played = player.Play(); !played) {
        player.SetNotify(false);
        player.Close();
        RemoveQuietly(itemFile);
        return played;
    }
    if (ready)
        env_.Display.ShowVideoPanel(true);

    // The video holds the show until its end; its file stays until then.
    DisableSlideTimer();
    videoPlaying_ = true;
    if (ready) {
        PanelItemShown(index, payload::ItemKind::Video, mode, panel);
    } else {
        player.SetReadyHandler([this, index, mode] {
            if (closed_ || !videoPlaying_)
                return;
            const raster::TRect placed = PlaceVideoPanel(mode);
            env_.Display.ShowVideoPanel(true);
            PanelItemShown(index, payload::ItemKind::Video, mode, placed);
        });
    }
    return {};
}

// The panel in the video's own proportions, per the item's size-and-position mode, and the
// player's frames into it.
raster::TRect TSlideshowController::PlaceVideoPanel(int mode) {
    audio::IMediaPlayer& player = *env_.VideoPlayer;
    const QRect natural = player.NaturalDisplayRect();
    const raster::TRect panel = DisplayPanelRect(mode, raster::TRect{0, 0, natural.width(), natural.height()},
                                                 env_.Display.Width(), env_.Display.Height(), env_.Random);
    env_.Display.PlaceVideoPanel(panel);
    player.SetDisplay(env_.Display.VideoPanel());
    player.SetDisplayRect(QRect());  // the panel's whole area: the video is scaled to it
    return panel;
}

void TSlideshowController::MPlayNotify(audio::IMediaPlayer::NotifyValue value) {
    using Value = audio::IMediaPlayer::NotifyValue;
    if (closed_ || !env_.VideoPlayer)
        return;
    // A video that breaks off with an error is over as well: waiting for an end that never
    // comes would hold the show on it until the user leaves.
    const bool ended = value == Value::Successful;
    if (!ended && !(value == Value::Failure && videoPlaying_))
        return;
    try {
        audio::IMediaPlayer& player = *env_.VideoPlayer;
        player.SetNotify(false);
        if (!videoPlaying_) {
            player.Close();
            return;
        }
        if (ended && env_.Events)
            env_.Events->VideoEnded(currentItemIndex_);
        if (ended && content_.Payload.Header.ImageCount == 1) {
            // A single video loops. One that cannot start again (its rewind gave up, the
            // player's watchdog closed it) is over like a failed one: no completion would come.
            Status again = player.Rewind();
            if (again) {
                player.SetNotify(true);
                again = player.Play();
            }
            if (again)
                return;
            player.SetNotify(false);
        }
        // No taskbar step: hiding the desktop's taskbar while the player closes answers a repaint
        // flaw of another platform; on X11 it would be a no-op.
        const std::string file = player.FileName();
        player.Close();
        env_.Display.ShowVideoPanel(false);
        RemoveQuietly(file);
        videoPlaying_ = false;
        slideIntervalMs_ = 1;  // the next item comes at once
        EnableSlideTimer();
    } catch (...) {
    }
}

void TSlideshowController::StopVideo() {
    if (!env_.VideoPlayer)
        return;
    audio::IMediaPlayer& player = *env_.VideoPlayer;
    player.SetNotify(false);
    player.Close();
    if (!player.FileName().empty())
        RemoveQuietly(player.FileName());
    // A stopped video no longer holds the show: should the finish not complete, the slide timer
    // must not wait for its end.
    if (videoPlaying_) {
        env_.Display.ShowVideoPanel(false);
        videoPlaying_ = false;
    }
}

IShowSurface& TSlideshowController::ChooseTarget() {
    IShowSurface* second = env_.Display.SecondMonitor();
    usePrimaryMonitor_ = second ? !usePrimaryMonitor_ : true;
    return usePrimaryMonitor_ ? static_cast<IShowSurface&>(env_.Display) : *second;
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
    RemoveQuietly(payload::TempFilePath(content_.TempFolder, payload::kDataFile));
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

void TSlideshowController::PanelItemShown(int index, payload::ItemKind kind, int mode, const raster::TRect& panel) {
    currentPictureIndex_ = -1;  // no still picture on screen: F2 has nothing to take
    currentItemIndex_ = index;
    desktopStart_ = false;
    if (env_.Events) {
        TItemShownEvent shown;
        shown.index = index;
        shown.kind = kind;
        shown.mode = TShowMode::AtOnce;
        shown.placementMode = mode;
        shown.rect = panel;
        env_.Events->ItemShown(shown);
    }
}

}  // namespace vorlandite::slideshow
