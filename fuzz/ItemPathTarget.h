#pragma once
// The show's item path as one call, for the item-path fuzzer and for the regression tests that
// replay the inputs it found faults with: the payload read, each item extracted into a scratch
// folder (bounded), decoded with the size hint of a 320 x 240 screen, composed onto the frame the
// way the show composes it, and a GIF item played for a few of its animation frames.
//
// The input is a whole screensaver file when the payload reader takes it; otherwise its first
// four bytes choose how a one-item screensaver is made around the rest (the picture):
//   byte 0  the extension (.jpg .png .tif .gif .bmp .ico .jpeg .tiff by its low three bits)
//   byte 1  the size-and-position mode (-1 .. 6, by its value modulo 8, minus one)
//   byte 2  bit 0: stored compressed; bit 1: a caption; bits 2..4: the image filter
//   byte 3  bit 0: the background is a gradient; the rest are the random seed's low bits
// Nothing may crash, hang, read outside the bytes or allocate from an unchecked size.

#include <cstdint>
#include <span>

namespace vorlandite::fuzz {

inline constexpr int kItemPathWidth = 320;
inline constexpr int kItemPathHeight = 240;

void RunItemPath(std::span<const uint8_t> bytes);

} // namespace vorlandite::fuzz
