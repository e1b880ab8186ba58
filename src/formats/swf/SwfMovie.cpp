#include "formats/swf/SwfMovie.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>
#include <vector>

namespace vorlandite::swf {

namespace {

constexpr std::size_t kFileHeaderSize = 8;
constexpr std::size_t kRectSize = std::tuple_size_v<MovieRect>;
// A movie's body is inflated into memory; the stored length is only a claim, so a damaged or
// hostile file cannot make us allocate more than this.
constexpr std::size_t kMaxBodySize = 64u << 20;

constexpr uint16_t kTagEnd = 0;
constexpr uint16_t kTagShowFrame = 1;
constexpr uint16_t kTagDoAction = 12;

constexpr uint8_t kActionEnd = 0x00;
constexpr uint8_t kActionStop = 0x07;
// Actions whose record is followed by a body of code (a function, a with-block): a stop inside
// such a body runs only when called, so it does not stop the frame.
constexpr uint8_t kActionDefineFunction2 = 0x8E;
constexpr uint8_t kActionWith = 0x94;
constexpr uint8_t kActionDefineFunction = 0x9B;

bool IsCompressed(std::span<const uint8_t> file) {
    return file.size() >= 3 && file[0] == 'C' && file[1] == 'W' && file[2] == 'S';
}
bool IsPlain(std::span<const uint8_t> file) {
    return file.size() >= 3 && file[0] == 'F' && file[1] == 'W' && file[2] == 'S';
}

uint32_t ReadU32(std::span<const uint8_t> bytes, std::size_t at) {
    return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
           uint32_t(bytes[at + 3]) << 24;
}
uint16_t ReadU16(std::span<const uint8_t> bytes, std::size_t at) {
    return uint16_t(bytes[at] | bytes[at + 1] << 8);
}

// Inflates the zlib stream after the file header, at most `limit` bytes; a stream that breaks
// off gives what came out before the break. The output grows as it fills, so a file that only
// claims a large size costs nothing.
std::vector<uint8_t> InflateBody(std::span<const uint8_t> file, std::size_t limit) {
    constexpr std::size_t kChunk = 64u << 10;
    std::vector<uint8_t> out;
    if (file.size() <= kFileHeaderSize || limit == 0)
        return out;
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return out;
    stream.next_in = const_cast<Bytef*>(file.data() + kFileHeaderSize);
    stream.avail_in = uInt(std::min<std::size_t>(file.size() - kFileHeaderSize, UINT32_MAX));
    int status = Z_OK;
    std::size_t produced = 0;
    while (status == Z_OK && produced < limit) {
        const std::size_t room = std::min(kChunk, limit - produced);
        out.resize(produced + room);
        stream.next_out = out.data() + produced;
        stream.avail_out = uInt(room);
        status = inflate(&stream, Z_NO_FLUSH);
        produced += room - stream.avail_out;
        if (status == Z_BUF_ERROR || (status == Z_OK && stream.avail_out == room && stream.avail_in == 0))
            break;  // no progress: the input has run out
    }
    out.resize(produced);
    inflateEnd(&stream);
    return out;
}

// The movie without its 8-byte file header: the rectangle, rate, count and tags.
std::vector<uint8_t> MovieBody(std::span<const uint8_t> file) {
    if (IsCompressed(file)) {
        const std::size_t claimed = file.size() >= kFileHeaderSize ? ReadU32(file, 4) : 0;
        const std::size_t limit = claimed > kFileHeaderSize ? claimed - kFileHeaderSize : 0;
        return InflateBody(file, std::min(limit, kMaxBodySize));
    }
    if (file.size() <= kFileHeaderSize)
        return {};
    return std::vector<uint8_t>(file.begin() + kFileHeaderSize, file.end());
}

// Fields of `width` bits, most significant bit first, from bit `start` of the bytes.
uint32_t BitField(std::span<const uint8_t> bytes, int start, int width) {
    uint32_t value = 0;
    for (int bit = start; bit < start + width; ++bit) {
        const std::size_t byte = std::size_t(bit) / 8;
        const uint32_t set = byte < bytes.size() ? (bytes[byte] >> (7 - bit % 8)) & 1u : 0u;
        value = value << 1 | set;
    }
    return value;
}

int Nbits(const MovieRect& rect) { return rect[0] >> 3; }

std::optional<MovieRect> RectFromBody(std::span<const uint8_t> body) {
    if (body.size() < kRectSize)
        return std::nullopt;
    MovieRect rect{};
    std::copy_n(body.begin(), kRectSize, rect.begin());
    return rect;
}

// True when one DoAction's top-level actions include a stop.
bool ActionsStop(std::span<const uint8_t> actions) {
    std::size_t at = 0;
    while (at < actions.size()) {
        const uint8_t code = actions[at++];
        if (code == kActionEnd)
            return false;
        if (code == kActionStop)
            return true;
        if (code < 0x80)
            continue;
        if (actions.size() - at < 2)
            return false;
        const std::size_t length = ReadU16(actions, at);
        at += 2;
        if (actions.size() - at < length)
            return false;
        std::size_t body = 0;
        if ((code == kActionDefineFunction || code == kActionDefineFunction2) && length >= 2)
            body = ReadU16(actions, at + length - 2);
        else if (code == kActionWith && length >= 2)
            body = ReadU16(actions, at);
        at += length;
        if (actions.size() - at < body)
            return false;
        at += body;
    }
    return false;
}

Result<std::vector<uint8_t>> ReadWholeFile(const std::string& path, std::size_t limit) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return MakeError("cannot open the movie");
    // Sized by what the file holds: a buffer of the limit (64 MiB for a timeline) would be
    // allocated and cleared for every movie, however small.
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    in.seekg(0, std::ios::beg);
    if (size < 0 || !in)
        return MakeError("cannot read the movie");
    std::vector<uint8_t> bytes(std::min<std::size_t>(std::size_t(size), limit));
    in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()));
    bytes.resize(std::size_t(in.gcount()));
    return bytes;
}

}  // namespace

Result<MovieRect> MovieRectOf(std::span<const uint8_t> file) {
    // A compressed header's 17 bytes may come out of fewer stored ones.
    if (IsCompressed(file)) {
        auto rect = RectFromBody(InflateBody(file, kRectSize));
        if (!rect)
            return MakeError("the movie's compressed header cannot be read");
        return *rect;
    }
    if (file.size() < kFileHeaderSize + kRectSize)
        return MakeError("the movie's header is too short");
    return *RectFromBody(file.subspan(kFileHeaderSize));
}

Result<MovieRect> ReadMovieRect(const std::string& path) {
    // A compressed header may need more than 17 stored bytes; a few hundred always suffice for
    // the first 17 inflated ones.
    auto bytes = ReadWholeFile(path, 512);
    if (!bytes)
        return MakeError(bytes.message());
    return MovieRectOf(*bytes);
}

int MovieWidth(const MovieRect& rect) {
    const int n = Nbits(rect);
    return int(BitField(rect, 5 + n, n) / 20);
}

int MovieHeight(const MovieRect& rect) {
    const int n = Nbits(rect);
    return int(BitField(rect, 5 + 3 * n, n) / 20);
}

int64_t SwfTimeline::FrameTimeMs(int frame) const {
    const double rate = frameRate > 0 ? frameRate : 1.0;
    return int64_t(std::llround(double(frame) * 1000.0 / rate));
}

std::optional<int64_t> SwfTimeline::StopTimeMs() const {
    if (!firstStopFrame)
        return std::nullopt;
    return FrameTimeMs(*firstStopFrame);
}

Result<SwfTimeline> ParseSwfTimeline(std::span<const uint8_t> file) {
    if (!IsPlain(file) && !IsCompressed(file))
        return MakeError("not a Flash movie");
    const std::vector<uint8_t> body = MovieBody(file);
    auto rect = RectFromBody(body);
    if (!rect)
        return MakeError("the movie's header is too short");
    SwfTimeline timeline;
    timeline.width = MovieWidth(*rect);
    timeline.height = MovieHeight(*rect);
    const std::size_t rectBytes = std::size_t(5 + 4 * Nbits(*rect) + 7) / 8;
    std::size_t at = rectBytes;
    if (body.size() < at + 4)
        return MakeError("the movie's header is too short");
    timeline.frameRate = ReadU16(body, at) / 256.0;
    timeline.declaredFrames = ReadU16(body, at + 2);
    at += 4;

    const std::span<const uint8_t> tags(body);
    std::optional<int> stopInFrame;
    while (tags.size() - at >= 2) {
        const uint16_t header = ReadU16(tags, at);
        at += 2;
        const uint16_t code = header >> 6;
        std::size_t length = header & 0x3F;
        if (length == 0x3F) {
            if (tags.size() - at < 4)
                break;
            length = ReadU32(tags, at);
            at += 4;
        }
        if (tags.size() - at < length)
            break;  // a tag cut off: the timeline ends before it
        if (code == kTagEnd)
            break;
        if (code == kTagShowFrame) {
            if (stopInFrame && !timeline.firstStopFrame)
                timeline.firstStopFrame = stopInFrame;
            ++timeline.frames;
        } else if (code == kTagDoAction && !stopInFrame && ActionsStop(tags.subspan(at, length))) {
            stopInFrame = timeline.frames;
        }
        at += length;
    }
    return timeline;
}

Result<SwfTimeline> ReadSwfTimeline(const std::string& path) {
    auto bytes = ReadWholeFile(path, kMaxBodySize);
    if (!bytes)
        return MakeError(bytes.message());
    return ParseSwfTimeline(*bytes);
}

} // namespace vorlandite::swf
