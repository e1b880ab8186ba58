#pragma once
// Small Flash movies written byte by byte, for the demo's movie, the tests and the fuzzer's
// seeds: a header with a chosen frame rectangle, a background colour, an optional moving
// rectangle, and root frames that may carry a stop action (top-level, inside a function body,
// or inside a sprite's own timeline).

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vorlandite::swf {

struct SwfFrameRecipe {
    bool stop = false;            // a DoAction with a top-level stop
    bool stopInFunction = false;  // a DoAction whose only stop is in a function body
    bool stopInSprite = false;    // a DefineSprite whose own timeline stops
};

struct SwfRecipe {
    int nbits = 15;
    // A solid rectangle (pixels, colour 0xRRGGBB) placed on frame 0 and moved `shapeStepX`
    // pixels to the right on every later frame; none when its width is 0.
    int shapeX = 0, shapeY = 0, shapeWidth = 0, shapeHeight = 0;
    uint32_t shapeColor = 0xFFC000;
    int shapeStepX = 0;
    uint8_t background[3] = {0x20, 0x40, 0x80};
    uint32_t xmin = 0, xmax = 16000, ymin = 0, ymax = 12000;  // twips
    uint16_t rate = 10 << 8;                                   // 8.8 fixed point
    std::vector<SwfFrameRecipe> frames;
    bool compressed = false;
    bool endTag = true;
};

// The bit-packed rectangle: 5 bits of nbits, then the four fields, most significant bit first.
inline std::vector<uint8_t> SwfRectBytes(int nbits, uint32_t xmin, uint32_t xmax, uint32_t ymin, uint32_t ymax) {
    std::vector<bool> bits;
    auto put = [&bits](uint32_t value, int width) {
        for (int bit = width - 1; bit >= 0; --bit)
            bits.push_back((value >> bit) & 1u);
    };
    put(uint32_t(nbits), 5);
    for (uint32_t field : {xmin, xmax, ymin, ymax})
        put(field, nbits);
    std::vector<uint8_t> bytes((bits.size() + 7) / 8, 0);
    for (std::size_t i = 0; i < bits.size(); ++i)
        if (bits[i])
            bytes[i / 8] |= uint8_t(0x80u >> (i % 8));
    return bytes;
}

// Bits most significant first, padded to a byte at the end.
class SwfBitWriter {
public:
    void Put(uint32_t value, int width) {
        for (int bit = width - 1; bit >= 0; --bit)
            bits_.push_back((value >> bit) & 1u);
    }
    void PutSigned(int32_t value, int width) { Put(uint32_t(value) & ((1u << width) - 1u), width); }
    std::vector<uint8_t> Bytes() const {
        std::vector<uint8_t> bytes((bits_.size() + 7) / 8, 0);
        for (std::size_t i = 0; i < bits_.size(); ++i)
            if (bits_[i])
                bytes[i / 8] |= uint8_t(0x80u >> (i % 8));
        return bytes;
    }

private:
    std::vector<bool> bits_;
};

inline void SwfPutU16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}

inline void SwfPutU32(std::vector<uint8_t>& out, uint32_t value) {
    SwfPutU16(out, value & 0xFFFF);
    SwfPutU16(out, value >> 16);
}

// A tag with a short header, or a long one when asked or needed.
inline void SwfPutTag(std::vector<uint8_t>& out, uint16_t code, const std::vector<uint8_t>& body, bool longHeader = false) {
    if (longHeader || body.size() >= 0x3F) {
        SwfPutU16(out, uint32_t(code) << 6 | 0x3F);
        SwfPutU32(out, uint32_t(body.size()));
    } else {
        SwfPutU16(out, uint32_t(code) << 6 | uint32_t(body.size()));
    }
    out.insert(out.end(), body.begin(), body.end());
}

inline std::vector<uint8_t> WriteSwf(const SwfRecipe& recipe) {
    constexpr uint16_t kShowFrame = 1, kSetBackgroundColor = 9, kDoAction = 12, kDefineSprite = 39;
    const std::vector<uint8_t> stopActions{0x07, 0x00};
    // Play, then DefineFunction "f" with no parameters and a body of one stop.
    const std::vector<uint8_t> functionActions{0x06, 0x9B, 0x06, 0x00, 'f', 0x00, 0x00, 0x00, 0x01, 0x00, 0x07, 0x00};

    constexpr uint16_t kDefineShape = 2, kPlaceObject2 = 26;

    std::vector<uint8_t> body = SwfRectBytes(recipe.nbits, recipe.xmin, recipe.xmax, recipe.ymin, recipe.ymax);
    SwfPutU16(body, recipe.rate);
    SwfPutU16(body, uint32_t(recipe.frames.size()));
    SwfPutTag(body, kSetBackgroundColor, {recipe.background[0], recipe.background[1], recipe.background[2]}, true);
    const bool shape = recipe.shapeWidth > 0 && recipe.shapeHeight > 0;
    if (shape) {
        // Shape 1: the rectangle drawn from (0, 0) in twips, one solid fill, no lines.
        const int32_t w = recipe.shapeWidth * 20, h = recipe.shapeHeight * 20;
        std::vector<uint8_t> define;
        SwfPutU16(define, 1);
        const auto bounds = SwfRectBytes(20, 0, uint32_t(w), 0, uint32_t(h));
        define.insert(define.end(), bounds.begin(), bounds.end());
        define.push_back(1);     // one fill style
        define.push_back(0x00);  // solid
        define.push_back(uint8_t(recipe.shapeColor >> 16));
        define.push_back(uint8_t(recipe.shapeColor >> 8));
        define.push_back(uint8_t(recipe.shapeColor));
        define.push_back(0);     // no line styles
        SwfBitWriter records;
        records.Put(1, 4);       // fill bits
        records.Put(0, 4);       // line bits
        records.Put(0, 1);       // style change: move to (0, 0) with fill style 1
        records.Put(0b00101, 5);
        records.Put(1, 5);
        records.PutSigned(0, 1);
        records.PutSigned(0, 1);
        records.Put(1, 1);
        const auto edge = [&records](int32_t dx, int32_t dy) {
            records.Put(0b11, 2);  // straight edge
            records.Put(16 - 2, 4);  // 16-bit deltas: shapes up to 1638 pixels
            records.Put(0, 1);     // vertical or horizontal
            records.Put(dx == 0 ? 1 : 0, 1);
            records.PutSigned(dx == 0 ? dy : dx, 16);
        };
        edge(w, 0);
        edge(0, h);
        edge(-w, 0);
        edge(0, -h);
        records.Put(0, 6);       // end of shape
        const auto packed = records.Bytes();
        define.insert(define.end(), packed.begin(), packed.end());
        SwfPutTag(body, kDefineShape, define);
    }
    int frameIndex = 0;
    for (const SwfFrameRecipe& frame : recipe.frames) {
        if (shape) {
            std::vector<uint8_t> place{uint8_t(frameIndex == 0 ? 0x06 : 0x05)};  // character or move, matrix
            SwfPutU16(place, 1);                                                 // depth
            if (frameIndex == 0)
                SwfPutU16(place, 1);
            SwfBitWriter matrix;
            matrix.Put(0, 1);  // no scale
            matrix.Put(0, 1);  // no rotation
            matrix.Put(24, 5);
            matrix.PutSigned((recipe.shapeX + frameIndex * recipe.shapeStepX) * 20, 24);
            matrix.PutSigned(recipe.shapeY * 20, 24);
            const auto bytes = matrix.Bytes();
            place.insert(place.end(), bytes.begin(), bytes.end());
            SwfPutTag(body, kPlaceObject2, place);
        }
        ++frameIndex;
        if (frame.stopInSprite) {
            std::vector<uint8_t> sprite;
            SwfPutU16(sprite, 1);  // character id
            SwfPutU16(sprite, 1);  // its frame count
            SwfPutTag(sprite, kDoAction, stopActions);
            SwfPutTag(sprite, kShowFrame, {});
            SwfPutTag(sprite, 0, {});
            SwfPutTag(body, kDefineSprite, sprite);
        }
        if (frame.stopInFunction)
            SwfPutTag(body, kDoAction, functionActions);
        if (frame.stop)
            SwfPutTag(body, kDoAction, stopActions);
        SwfPutTag(body, kShowFrame, {});
    }
    if (recipe.endTag)
        SwfPutTag(body, 0, {});

    std::vector<uint8_t> file{uint8_t(recipe.compressed ? 'C' : 'F'), 'W', 'S', 8};
    SwfPutU32(file, uint32_t(8 + body.size()));
    if (!recipe.compressed) {
        file.insert(file.end(), body.begin(), body.end());
        return file;
    }
    uLongf size = compressBound(uLong(body.size()));
    std::vector<uint8_t> packed(size);
    compress(packed.data(), &size, body.data(), uLong(body.size()));
    file.insert(file.end(), packed.begin(), packed.begin() + long(size));
    return file;
}

// Frames frames at rate frames per second, a stop on the last one.
inline std::vector<uint8_t> StoppingSwf(int frames, int rate, uint32_t xmaxTwips = 16000, uint32_t ymaxTwips = 12000) {
    SwfRecipe recipe;
    recipe.xmax = xmaxTwips;
    recipe.ymax = ymaxTwips;
    recipe.rate = uint16_t(rate << 8);
    recipe.frames.resize(std::size_t(frames));
    recipe.frames.back().stop = true;
    return WriteSwf(recipe);
}

// A rectangle crossing a blue stage of width x height pixels once, left to right, in `frames`
// frames at `rate` frames per second, with a stop on the last frame: the demo's movie, and the
// movie the end-to-end test and the benchmark play.
inline constexpr uint32_t kCrossingStageColour = 0x183060;
inline constexpr uint32_t kCrossingRectangleColour = 0xF0A020;
inline SwfRecipe CrossingRectangleRecipe(int width, int height, int frames, int rate) {
    SwfRecipe recipe;
    recipe.xmax = uint32_t(width) * 20;
    recipe.ymax = uint32_t(height) * 20;
    recipe.rate = uint16_t(rate << 8);
    recipe.background[0] = uint8_t(kCrossingStageColour >> 16);
    recipe.background[1] = uint8_t(kCrossingStageColour >> 8);
    recipe.background[2] = uint8_t(kCrossingStageColour);
    recipe.shapeColor = kCrossingRectangleColour;
    recipe.shapeWidth = width / 6 > 4 ? width / 6 : 4;
    recipe.shapeHeight = height / 4 > 4 ? height / 4 : 4;
    recipe.shapeY = (height - recipe.shapeHeight) / 2;
    frames = frames > 2 ? frames : 2;
    recipe.shapeStepX = (width - recipe.shapeWidth) / (frames - 1) > 1 ? (width - recipe.shapeWidth) / (frames - 1) : 1;
    recipe.frames.resize(std::size_t(frames));
    recipe.frames.back().stop = true;
    return recipe;
}

} // namespace vorlandite::swf
