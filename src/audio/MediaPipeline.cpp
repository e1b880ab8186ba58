#include "audio/MediaPipeline.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/pbutils/missing-plugins.h>
#include <gst/video/video.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace vorlandite::audio {

namespace {

GstClockTime ClockTime(std::chrono::nanoseconds span) { return GstClockTime(std::max<int64_t>(span.count(), 0)); }

// One step's end, waited for by whoever wants it for at most a while.
struct StepSignal {
    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;
    Status status;

    void Set(Status result) {
        std::lock_guard lock(mutex);
        done = true;
        status = std::move(result);
        cv.notify_all();
    }
    // Empty when the step has not ended within the wait.
    std::optional<Status> WaitFor(std::chrono::nanoseconds wait) {
        std::unique_lock lock(mutex);
        if (!cv.wait_for(lock, wait, [this] { return done; })) return std::nullopt;
        return status;
    }
};

// playbin's GstPlayFlags (not in a public header). No subtitles or visualisations; soft volume
// so that a volume of 0 silences every sink alike.
constexpr guint kPlayFlagVideo = 0x1;
constexpr guint kPlayFlagAudio = 0x2;
// The audio sink brings its own conversion and volume stage (WithVolumeStage): playbin's soft
// volume loses about 4 KB of memory at every preroll (GStreamer 1.22), which a show that opens a
// melody every few minutes for days would feel.
constexpr guint kPlayFlagNativeAudio = 0x20;

int64_t NowNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Takes ownership of a floating element that will not be handed to a bin after all.
void DiscardElement(GstElement* element) {
    if (element) gst_object_unref(gst_object_ref_sink(element));
}

} // namespace

struct MediaPipeline::State {
    GstElement* pipeline = nullptr;
    GstElement* volume = nullptr;  // the volume stage in the audio sink; the pipeline owns it
    PipelineEvents events;
    bool soundDevice = false;
    QSize naturalSize;

    std::mutex errorMutex;
    std::string firstError;
    std::string missingPlugin;

    // Statistics, written by streaming threads. playStart is 0 while not playing.
    std::atomic<int64_t> playStart{0};
    std::atomic<int64_t> firstAudio{-1};
    std::atomic<int64_t> firstVideo{-1};
    std::atomic<int> audioBuffers{0};
    std::atomic<int> videoFrames{0};
    std::atomic<int> audioPeak{0};

    std::atomic<bool> pausedAtStart{false};  // prerolled at the start and not played since

    // Held by a step (preroll, rewind, stop) for as long as it runs: steps follow one another,
    // and the stop never takes the pipeline away under a step that is still running.
    std::mutex stepMutex;

    ~State() { Shutdown(); }

    void Shutdown() {
        std::lock_guard step(stepMutex);
        if (!pipeline) return;
        // Going to NULL joins the streaming threads, so no callback runs after this.
        gst_element_set_state(pipeline, GST_STATE_NULL);
        GstBus* bus = gst_element_get_bus(pipeline);
        gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
        gst_object_unref(bus);
        gst_object_unref(pipeline);
        pipeline = nullptr;
    }

    void ResetStatistics(int64_t start) {
        firstAudio = -1;
        firstVideo = -1;
        audioBuffers = 0;
        videoFrames = 0;
        audioPeak = 0;
        playStart = start;
    }

    void RecordFirst(std::atomic<int64_t>& first) {
        const int64_t start = playStart.load();
        if (start == 0) return;
        int64_t unset = -1;
        first.compare_exchange_strong(unset, NowNanoseconds() - start);
    }

    std::string ErrorText() {
        std::lock_guard lock(errorMutex);
        std::string text = firstError.empty() ? std::string("the pipeline failed") : firstError;
        if (!missingPlugin.empty()) text += " (missing: " + missingPlugin + ")";
        return text;
    }
};

namespace {

using State = MediaPipeline::State;

GstBusSyncReply OnBusMessage(GstBus*, GstMessage* message, gpointer data) {
    auto* state = static_cast<State*>(data);
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_EOS:
        if (state->events.endOfStream) state->events.endOfStream();
        break;
    case GST_MESSAGE_ERROR: {
        GError* error = nullptr;
        gst_message_parse_error(message, &error, nullptr);
        std::string text = error && error->message ? error->message : "unknown error";
        if (error) g_error_free(error);
        {
            std::lock_guard lock(state->errorMutex);
            if (state->firstError.empty()) state->firstError = text;
        }
        if (state->events.error) state->events.error(text);
        break;
    }
    case GST_MESSAGE_ELEMENT:
        if (gst_is_missing_plugin_message(message)) {
            gchar* description = gst_missing_plugin_message_get_description(message);
            std::lock_guard lock(state->errorMutex);
            if (description && state->missingPlugin.empty()) state->missingPlugin = description;
            g_free(description);
        }
        break;
    default:
        break;
    }
    // Nobody pops this bus: everything is handled here, on the thread that posted it. A sync
    // handler that drops a message owns it; each message holds its source, so a message left
    // unreferenced here would keep the whole pipeline alive.
    gst_message_unref(message);
    return GST_BUS_DROP;
}

void OnSilentAudioBuffer(GstElement*, GstBuffer* buffer, GstPad*, gpointer data) {
    auto* state = static_cast<State*>(data);
    state->RecordFirst(state->firstAudio);
    state->audioBuffers.fetch_add(1);
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) return;
    int peak = 0;
    const size_t count = map.size / sizeof(int16_t);
    for (size_t i = 0; i < count; ++i) {
        int16_t sample;
        std::memcpy(&sample, map.data + i * sizeof(int16_t), sizeof sample);
        peak = std::max(peak, std::abs(int(sample)));
    }
    gst_buffer_unmap(buffer, &map);
    int seen = state->audioPeak.load();
    while (peak > seen && !state->audioPeak.compare_exchange_weak(seen, peak)) {
    }
}

// A sink that plays sound nowhere but takes exactly as long as the sound device would, so that
// completions arrive on time on machines without sound (CI, servers). It converts to 16-bit
// samples so that the statistics can tell silence from sound.
GstElement* MakeSilentAudioSink(State* state, bool clockSync) {
    GstElement* bin = gst_bin_new("silent-audio-sink");
    GstElement* convert = gst_element_factory_make("audioconvert", nullptr);
    GstElement* filter = gst_element_factory_make("capsfilter", nullptr);
    GstElement* sink = gst_element_factory_make("fakesink", nullptr);
    if (!convert || !filter || !sink) {
        DiscardElement(convert);
        DiscardElement(filter);
        DiscardElement(sink);
        DiscardElement(bin);
        return nullptr;
    }
    GstCaps* caps = gst_caps_from_string("audio/x-raw,format=S16LE,layout=interleaved");
    g_object_set(filter, "caps", caps, nullptr);
    gst_caps_unref(caps);
    g_object_set(sink, "sync", gboolean(clockSync), "signal-handoffs", TRUE, nullptr);
    g_signal_connect(sink, "handoff", G_CALLBACK(OnSilentAudioBuffer), state);
    gst_bin_add_many(GST_BIN(bin), convert, filter, sink, nullptr);
    gst_element_link_many(convert, filter, sink, nullptr);
    GstPad* pad = gst_element_get_static_pad(convert, "sink");
    gst_element_add_pad(bin, gst_ghost_pad_new("sink", pad));
    gst_object_unref(pad);
    return bin;
}

// The audio output: `sink`, preceded by conversion, resampling and the volume stage; null when
// an element is missing (the sink is then discarded too).
GstElement* WithVolumeStage(GstElement* sink, GstElement** volumeOut) {
    GstElement* bin = gst_bin_new("audio-output");
    GstElement* convert = gst_element_factory_make("audioconvert", nullptr);
    GstElement* resample = gst_element_factory_make("audioresample", nullptr);
    GstElement* volume = gst_element_factory_make("volume", nullptr);
    if (!sink || !convert || !resample || !volume) {
        for (GstElement* element : {sink, convert, resample, volume, bin})
            DiscardElement(element);
        return nullptr;
    }
    gst_bin_add_many(GST_BIN(bin), convert, resample, volume, sink, nullptr);
    gst_element_link_many(convert, resample, volume, sink, nullptr);
    GstPad* pad = gst_element_get_static_pad(convert, "sink");
    gst_element_add_pad(bin, gst_ghost_pad_new("sink", pad));
    gst_object_unref(pad);
    *volumeOut = volume;
    return bin;
}

void DeliverFrame(State* state, GstSample* sample, bool playing) {
    if (playing) {
        state->RecordFirst(state->firstVideo);
        state->videoFrames.fetch_add(1);
    }
    if (!state->events.videoFrame) return;
    GstVideoInfo info;
    GstCaps* caps = gst_sample_get_caps(sample);
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    if (!caps || !buffer || !gst_video_info_from_caps(&info, caps)) return;
    GstVideoFrame frame;
    if (!gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ)) return;
    const int width = GST_VIDEO_FRAME_WIDTH(&frame);
    const int height = GST_VIDEO_FRAME_HEIGHT(&frame);
    const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
    const auto* pixels = static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
    // BGRx in memory is 0xxxRRGGBB as a little-endian word: QImage's RGB32. A copy, so that the
    // buffer goes back to its pool at once whatever the display keeps.
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        std::memcpy(image.scanLine(y), pixels + ptrdiff_t(y) * stride, size_t(width) * 4);
    gst_video_frame_unmap(&frame);
    state->events.videoFrame(std::move(image));
}

GstFlowReturn OnNewSample(GstAppSink* sink, gpointer data) {
    GstSample* sample = gst_app_sink_pull_sample(sink);
    if (!sample) return GST_FLOW_EOS;
    DeliverFrame(static_cast<State*>(data), sample, true);
    gst_sample_unref(sample);
    return GST_FLOW_OK;
}

// The prerolled frame: what a display shows after Open or Rewind, before Play.
GstFlowReturn OnNewPreroll(GstAppSink* sink, gpointer data) {
    GstSample* sample = gst_app_sink_pull_preroll(sink);
    if (!sample) return GST_FLOW_EOS;
    DeliverFrame(static_cast<State*>(data), sample, false);
    gst_sample_unref(sample);
    return GST_FLOW_OK;
}

GstElement* MakeFrameSink(State* state) {
    GstElement* sink = gst_element_factory_make("appsink", "video-frames");
    if (!sink) return nullptr;
    GstCaps* caps = gst_caps_from_string("video/x-raw,format=BGRx");
    g_object_set(sink, "caps", caps, "sync", TRUE, "qos", TRUE, "max-buffers", 2u, "drop", TRUE,
                 "enable-last-sample", FALSE, nullptr);
    gst_caps_unref(caps);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_preroll = OnNewPreroll;
    callbacks.new_sample = OnNewSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, state, nullptr);
    return sink;
}

// Keeps a video's time without decoding to pixels for anyone.
GstElement* MakeClockVideoSink(bool clockSync) {
    GstElement* sink = gst_element_factory_make("fakesink", "video-clock");
    if (sink) g_object_set(sink, "sync", gboolean(clockSync), nullptr);
    return sink;
}

QSize ReadNaturalVideoSize(GstElement* playbin) {
    GstPad* pad = nullptr;
    g_signal_emit_by_name(playbin, "get-video-pad", 0, &pad);
    if (!pad) return {};
    QSize size;
    if (GstCaps* caps = gst_pad_get_current_caps(pad)) {
        GstVideoInfo info;
        if (gst_video_info_from_caps(&info, caps) && info.width > 0 && info.height > 0) {
            // Non-square pixels are shown at their display width, as a player window would.
            int width = info.width;
            if (info.par_n > 0 && info.par_d > 0 && info.par_n != info.par_d)
                width = int(gst_util_uint64_scale_int_round(guint64(info.width), info.par_n, info.par_d));
            size = QSize(width, info.height);
        }
        gst_caps_unref(caps);
    }
    gst_object_unref(pad);
    return size;
}

GstStateChangeReturn WaitForState(GstElement* pipeline, GstStateChangeReturn change, std::chrono::nanoseconds timeout) {
    if (change != GST_STATE_CHANGE_ASYNC) return change;
    return gst_element_get_state(pipeline, nullptr, nullptr, ClockTime(timeout));
}

// Preroll: the first buffers reach the sinks, which proves that demuxer and decoders exist for
// the file without playing any of it. Runs with the step lock held.
Status PrerollStep(State& state, std::chrono::nanoseconds timeout) {
    GstElement* pipeline = state.pipeline;
    if (!pipeline) return MakeError("the file was closed");
    const GstStateChangeReturn change =
        WaitForState(pipeline, gst_element_set_state(pipeline, GST_STATE_PAUSED), timeout);
    if (change == GST_STATE_CHANGE_FAILURE) return MakeError("nothing can play the file: " + state.ErrorText());
    if (change == GST_STATE_CHANGE_ASYNC) return MakeError("the file did not become ready in time");
    state.naturalSize = ReadNaturalVideoSize(pipeline);
    state.pausedAtStart = true;
    return {};
}

Status RewindStep(State& state, std::chrono::nanoseconds timeout) {
    GstElement* pipeline = state.pipeline;
    if (!pipeline) return MakeError("the file was closed");
    state.playStart = 0;
    state.pausedAtStart = false;
    // Paused first, so that the seek leaves the file waiting at its start instead of playing on.
    if (WaitForState(pipeline, gst_element_set_state(pipeline, GST_STATE_PAUSED), timeout) ==
        GST_STATE_CHANGE_FAILURE)
        return MakeError("cannot pause the file: " + state.ErrorText());
    if (!gst_element_seek_simple(pipeline, GST_FORMAT_TIME, GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT),
                                 0))
        return MakeError("the file cannot be rewound");
    const GstStateChangeReturn done = gst_element_get_state(pipeline, nullptr, nullptr, ClockTime(timeout));
    if (done == GST_STATE_CHANGE_FAILURE) return MakeError("cannot rewind the file: " + state.ErrorText());
    if (done == GST_STATE_CHANGE_ASYNC) return MakeError("the file did not rewind in time");
    state.ResetStatistics(0);
    state.pausedAtStart = true;
    return {};
}

// Runs a step on a detached thread that holds the state: a step stuck in a plugin keeps it,
// and its pipeline, for as long as the process lives.
void RunStep(std::shared_ptr<State> state, std::function<Status(State&)> step, MediaPipeline::StepDone done) {
    std::thread([state = std::move(state), step = std::move(step), done = std::move(done)]() mutable {
        Status status;
        {
            std::lock_guard lock(state->stepMutex);
            status = step(*state);
        }
        // The state goes before the report: whoever learns of the end may count live pipelines.
        state.reset();
        if (done) done(std::move(status));
    }).detach();
}

// Runs a step and waits for it up to the timeout; empty when the step has not ended by then
// and is left to its thread.
std::optional<Status> RunStepAndWait(std::shared_ptr<State> state, std::chrono::nanoseconds timeout,
                                     Status (*step)(State&, std::chrono::nanoseconds)) {
    auto signal = std::make_shared<StepSignal>();
    RunStep(std::move(state), [step, timeout](State& s) { return step(s, timeout); },
            [signal](Status status) { signal->Set(std::move(status)); });
    // A little beyond the step's own timeout, so that a step that gives up in time says why.
    return signal->WaitFor(timeout + std::chrono::milliseconds(200));
}

bool ProbeSoundDevice() {
    GstElement* probe = gst_element_factory_make("autoaudiosink", nullptr);
    if (!probe) return false;
    gst_object_ref_sink(probe);
    bool works = gst_element_set_state(probe, GST_STATE_READY) != GST_STATE_CHANGE_FAILURE;
    if (works) {
        // autoaudiosink settles for a fake sink of its own when no device answers; that one
        // is not ours to rely on, so it counts as no device.
        GstIterator* children = gst_bin_iterate_elements(GST_BIN(probe));
        GValue item = G_VALUE_INIT;
        while (gst_iterator_next(children, &item) == GST_ITERATOR_OK) {
            GstElementFactory* factory = gst_element_get_factory(GST_ELEMENT(g_value_get_object(&item)));
            const gchar* name = factory ? gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory)) : "";
            if (g_str_has_prefix(name, "fake")) works = false;
            g_value_reset(&item);
        }
        g_value_unset(&item);
        gst_iterator_free(children);
    }
    gst_element_set_state(probe, GST_STATE_NULL);
    gst_object_unref(probe);
    return works;
}

} // namespace

bool EnsureGStreamer() {
    static const bool initialised = [] {
        GError* error = nullptr;
        const bool ok = gst_init_check(nullptr, nullptr, &error);
        if (error) g_error_free(error);
        return ok;
    }();
    return initialised;
}

bool SoundDeviceWorks() {
    static const bool works = EnsureGStreamer() && ProbeSoundDevice();
    return works;
}

MediaPipeline::MediaPipeline(std::shared_ptr<State> state) : state_(std::move(state)) {}

MediaPipeline::~MediaPipeline() {
    if (!state_) return;
    auto signal = std::make_shared<StepSignal>();
    std::thread([state = std::move(state_), signal]() mutable {
        state->Shutdown();
        state.reset();
        signal->Set({});
    }).detach();
    (void)signal->WaitFor(kStopTimeout);
}

bool MediaPipeline::Dispose(std::unique_ptr<MediaPipeline> pipeline, std::chrono::milliseconds wait) {
    if (!pipeline || !pipeline->state_) return true;
    auto signal = std::make_shared<StepSignal>();
    std::thread([state = std::move(pipeline->state_), signal]() mutable {
        state->Shutdown();
        state.reset();
        signal->Set({});
    }).detach();
    pipeline.reset();
    return signal->WaitFor(wait).has_value();
}

void MediaPipeline::StartPreroll(std::chrono::nanoseconds timeout, StepDone done) {
    RunStep(state_, [timeout](State& state) { return PrerollStep(state, timeout); }, std::move(done));
}

void MediaPipeline::StartRewind(std::chrono::nanoseconds timeout, StepDone done) {
    RunStep(state_, [timeout](State& state) { return RewindStep(state, timeout); }, std::move(done));
}

Result<std::unique_ptr<MediaPipeline>> MediaPipeline::Open(const std::string& path, const PipelineOptions& options,
                                                           PipelineEvents events) {
    auto created = Create(path, options, std::move(events));
    if (!created) return created;
    std::unique_ptr<MediaPipeline> pipeline = std::move(created.value());
    const std::optional<Status> prerolled = RunStepAndWait(pipeline->state_, kPrerollTimeout, PrerollStep);
    if (!prerolled) {
        // Stuck in its step: the stop would wait for that step, so nobody waits for the stop.
        Dispose(std::move(pipeline), std::chrono::milliseconds(0));
        return MakeError("the file did not become ready in time");
    }
    if (!*prerolled) return prerolled->error();
    return pipeline;
}

Result<std::unique_ptr<MediaPipeline>> MediaPipeline::Create(const std::string& path, const PipelineOptions& options,
                                                             PipelineEvents events) {
    if (!EnsureGStreamer()) return MakeError("GStreamer cannot be initialised");
    auto state = std::make_shared<State>();
    state->events = std::move(events);
    state->soundDevice = options.soundDevice;

    GstElement* playbin = gst_element_factory_make("playbin", nullptr);
    if (!playbin) return MakeError("GStreamer's playbin is not installed");
    state->pipeline = GST_ELEMENT(gst_object_ref_sink(playbin));

    GError* uriError = nullptr;
    gchar* uri = gst_filename_to_uri(path.c_str(), &uriError);
    if (!uri) {
        std::string text = uriError && uriError->message ? uriError->message : "bad file name";
        if (uriError) g_error_free(uriError);
        return MakeError("cannot name the file: " + text);
    }

    GstElement* audioSink = WithVolumeStage(options.soundDevice ? gst_element_factory_make("autoaudiosink", nullptr)
                                                                : MakeSilentAudioSink(state.get(), options.clockSync),
                                            &state->volume);
    GstElement* videoSink = options.videoFrames ? MakeFrameSink(state.get()) : MakeClockVideoSink(options.clockSync);
    if (!audioSink || !videoSink) {
        g_free(uri);
        DiscardElement(audioSink);
        DiscardElement(videoSink);
        return MakeError("a GStreamer sink element is not installed");
    }
    g_object_set(playbin, "uri", uri, "audio-sink", audioSink, "video-sink", videoSink, "flags",
                 kPlayFlagVideo | kPlayFlagAudio | kPlayFlagNativeAudio, nullptr);
    g_free(uri);

    GstBus* bus = gst_element_get_bus(playbin);
    gst_bus_set_sync_handler(bus, OnBusMessage, state.get(), nullptr);
    gst_object_unref(bus);

    return std::unique_ptr<MediaPipeline>(new MediaPipeline(std::move(state)));
}

Status MediaPipeline::Play() {
    state_->pausedAtStart = false;
    state_->ResetStatistics(NowNanoseconds());
    if (gst_element_set_state(state_->pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        state_->playStart = 0;
        return MakeError("cannot play the file: " + state_->ErrorText());
    }
    return {};
}

Status MediaPipeline::SeekToStart() {
    if (auto rewound = RunStepAndWait(state_, kPrerollTimeout, RewindStep)) return *rewound;
    return MakeError("the file did not rewind in time");
}

QSize MediaPipeline::NaturalVideoSize() const { return state_->naturalSize; }

std::optional<std::chrono::nanoseconds> MediaPipeline::Duration() const {
    gint64 duration = -1;
    if (!gst_element_query_duration(state_->pipeline, GST_FORMAT_TIME, &duration) || duration <= 0) return {};
    return std::chrono::nanoseconds(duration);
}

std::optional<std::chrono::nanoseconds> MediaPipeline::Position() const {
    gint64 position = -1;
    if (!gst_element_query_position(state_->pipeline, GST_FORMAT_TIME, &position) || position < 0) return {};
    return std::chrono::nanoseconds(position);
}

Result<MediaProbe> ProbeMedia(const std::string& path, bool wantFirstFrame) {
    // Longer than any melody or video a show carries takes to run through unsynced.
    constexpr auto kRunThroughLimit = std::chrono::seconds(60);
    MediaProbe probe;
    {
        PipelineOptions options;
        options.videoFrames = wantFirstFrame;
        struct FirstFrame {
            std::mutex mutex;
            QImage frame;
        };
        auto first = std::make_shared<FirstFrame>();
        PipelineEvents events;
        if (wantFirstFrame) {
            // The prerolled frame arrives before Open returns.
            events.videoFrame = [first](QImage frame) {
                std::lock_guard lock(first->mutex);
                if (first->frame.isNull()) first->frame = std::move(frame);
            };
        }
        auto opened = MediaPipeline::Open(path, options, events);
        if (!opened) return opened.error();
        probe.naturalVideoSize = (*opened)->NaturalVideoSize();
        {
            std::lock_guard lock(first->mutex);
            probe.firstFrame = first->frame;
        }
        if (auto duration = (*opened)->Duration()) {
            probe.duration = *duration;
            return probe;
        }
    }
    PipelineOptions options;
    options.videoFrames = false;
    options.clockSync = false;
    auto ended = std::make_shared<std::atomic<int>>(0);  // 1 at the end, 2 on an error
    PipelineEvents events;
    events.endOfStream = [ended] { ended->store(1); };
    events.error = [ended](const std::string&) { ended->store(2); };
    auto opened = MediaPipeline::Open(path, options, events);
    if (!opened) return opened.error();
    if (Status played = (*opened)->Play(); !played) return played.error();
    const auto deadline = std::chrono::steady_clock::now() + kRunThroughLimit;
    while (ended->load() == 0) {
        if (std::chrono::steady_clock::now() > deadline) return MakeError("the file does not end");
        g_usleep(2000);
    }
    if (ended->load() != 1) return MakeError("the file cannot be played through");
    probe.duration = (*opened)->Position().value_or(std::chrono::nanoseconds(0));
    return probe;
}

void MediaPipeline::SetVolumeOnly(double linear) { g_object_set(state_->volume, "volume", linear, nullptr); }

bool MediaPipeline::PausedAtStart() const { return state_->pausedAtStart.load(); }

Status MediaPipeline::SetVolume(double linear) {
    SetVolumeOnly(linear);
    // Prerolling again at the start sends the prerolled buffer through the new volume.
    if (PausedAtStart()) return SeekToStart();
    return {};
}

double MediaPipeline::Volume() const {
    gdouble volume = 0;
    g_object_get(state_->volume, "volume", &volume, nullptr);
    return volume;
}

bool MediaPipeline::UsesSoundDevice() const { return state_->soundDevice; }

PlaybackStatistics MediaPipeline::Statistics() const {
    PlaybackStatistics stats;
    if (const int64_t audio = state_->firstAudio.load(); audio >= 0) stats.firstAudioBuffer = std::chrono::nanoseconds(audio);
    if (const int64_t video = state_->firstVideo.load(); video >= 0) stats.firstVideoFrame = std::chrono::nanoseconds(video);
    stats.audioBuffers = state_->audioBuffers.load();
    stats.videoFrames = state_->videoFrames.load();
    stats.audioPeak = state_->soundDevice ? -1 : state_->audioPeak.load();
    return stats;
}

} // namespace vorlandite::audio
