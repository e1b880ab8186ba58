#pragma once
// `vorlandite record --video`: the headless show's screens and sounds encoded into a video file
// with GStreamer. The container follows the file's extension (.webm: VP8 with Vorbis, .mkv: VP8
// with Vorbis in Matroska, .mp4: H.264 with AAC). Frames are pushed as the show runs; the sound
// is mixed in memory from the melodies and enter sounds at their show times and pushed a frame
// behind the pictures (a sound that starts within a frame is only known once the show has got
// there).

#include "base/Result.h"
#include "raster/TBitmap32.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vorlandite::tools {

struct VideoFormat {
    std::string videoEncoder;  // element names
    std::string audioEncoder;
    std::string muxer;
};

// The encoders and muxer for a file name, or why there are none (an unknown extension).
Result<VideoFormat> VideoFormatFor(const std::string& path);
// Every element the format needs, and the converters, are installed; else which is missing and
// the Debian package that brings it.
Status CheckVideoElements(const VideoFormat& format, bool audio);

// Sound files decoded once to 16-bit stereo at kMixRate and mixed on the show's timeline.
class SoundMixer {
public:
    static constexpr int kMixRate = 44100;
    using Decoder = std::function<Result<std::vector<int16_t>>(const std::string& file)>;

    // Decodes with GStreamer unless told otherwise (the tests mix samples of their own).
    explicit SoundMixer(Decoder decode = {});

    // A sound of `source` starts at timeMs from offsetMs into the file, at `volume` from 0
    // (silent) to kFullVolume (as recorded), linear as the players take it; a sound of the same
    // source still playing stops there. A file that cannot be decoded stays silent and is
    // reported once in Warnings().
    static constexpr int kFullVolume = 1000;
    void Start(int source, int64_t timeMs, const std::string& file, int64_t offsetMs, int volume = kFullVolume);
    void Stop(int source, int64_t timeMs);
    // Interleaved stereo samples of frames [first, first + count) on the timeline, sums
    // saturated to 16 bits.
    std::vector<int16_t> Mix(int64_t first, int64_t count) const;
    std::vector<std::string> TakeWarnings() { return std::move(warnings_); }

    static int64_t FrameAt(int64_t timeMs) { return timeMs * kMixRate / 1000; }

private:
    struct Voice {
        std::shared_ptr<const std::vector<int16_t>> samples;
        int64_t start;   // timeline frame of its first sample
        int64_t offset;  // frames skipped at the file's start
        int64_t end;     // timeline frame where it stops
        int source;
        int volume;      // 0 .. kFullVolume
    };
    Decoder decode_;
    // By path, size and time of change: the show reuses a temporary file name for each melody.
    std::map<std::string, std::shared_ptr<const std::vector<int16_t>>> decoded_;
    std::vector<Voice> voices_;
    std::vector<std::string> warnings_;
};

// The pipeline: pictures (BGRx) and, when `audio`, the mixed sound into the file.
class VideoEncoder {
public:
    static Result<std::unique_ptr<VideoEncoder>> Open(const std::string& path, int width, int height, int fps,
                                                      bool audio);
    ~VideoEncoder();
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    // Frame `index` (shown from index / fps s on); the picture must have the encoder's size.
    Status PushFrame(int64_t index, const raster::TBitmap32& screen);
    // Stereo samples that follow those pushed before.
    Status PushSound(const std::vector<int16_t>& samples);
    // Ends the streams and waits for the file to be written; on failure the file is removed.
    Status Finish();

private:
    struct Pipeline;
    explicit VideoEncoder(std::unique_ptr<Pipeline> pipeline);
    Status Failure();  // the error the pipeline posted, if any
    std::unique_ptr<Pipeline> pipeline_;
};

} // namespace vorlandite::tools
