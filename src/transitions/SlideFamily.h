#pragma once
// The pieces of the slide effects 1 to 22, apart from their frame loop so that their windows and
// start values can be checked on their own.

#include "raster/TBitmap32.h"
#include "transitions/TFold.h"
#include "transitions/TSlide.h"

#include <array>
#include <span>

namespace vorlandite::transitions {

struct SlidePieces {
    static constexpr int kMaxSlides = 40;
    static constexpr int kMaxBands = 2;
    std::array<TSlide, kMaxSlides> slides;
    std::array<TFold, kMaxBands> bands;
    int slideCount = 0;
    int bandCount = 0;

    std::span<TSlide> ActiveSlides() { return {slides.data(), std::size_t(slideCount)}; }
    std::span<TFold> ActiveBands() { return {bands.data(), std::size_t(bandCount)}; }
};

// Creates the pieces (and for "Door Open" the two bands) of slide effect subIndex (1 to 22) for
// a W x H picture in N steps, in presentation order. Other sub-indexes create nothing.
void BuildSlidePieces(int subIndex, int width, int height, int steps, const raster::TBitmap32* newPicture,
                      const raster::TBitmap32* oldPicture, SlidePieces& pieces);

} // namespace vorlandite::transitions
