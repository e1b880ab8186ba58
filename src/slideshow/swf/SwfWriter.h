#pragma once
// Small Flash movies written byte by byte for the tests and the fuzzer's seeds: a header with a
// chosen frame rectangle, a background colour, and root frames that may carry a stop action
// (top-level, inside a function body, or inside a sprite's own timeline).

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vorlandite::testing {

struct SwfFrameRecipe {
    bool stop = false;            // a DoAction with a top-level stop
    bool stopInFunction = false;  // a DoAction whose only stop is in a function body
    bool stopInSprite = false;    // a DefineSprite whose own timeline stops
};

struct SwfRecipe {
    int nbits = 15;
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

    std::vector<uint8_t> body = SwfRectBytes(recipe.nbits, recipe.xmin, recipe.xmax, recipe.ymin, recipe.ymax);
    SwfPutU16(body, recipe.rate);
    SwfPutU16(body, uint32_t(recipe.frames.size()));
    SwfPutTag(body, kSetBackgroundColor, {0x20, 0x40, 0x80}, true);
    for (const SwfFrameRecipe& frame : recipe.frames) {
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

} // namespace vorlandite::testing
