#pragma once
// Display items the show tests put into their payloads: a picture of one colour, a file no
// decoder takes, and a two-frame animated GIF.

#include "OverlayTestSupport.h"
#include "payload/PayloadWriter.h"
#include "raster/decoders/PictureWriters.h"

#include <cstdint>

namespace vorlandite::testing {

// 4 x 4 pixels of `colour` as a PNG (stored compressed), stretched over the window (size mode
// 1), so the whole frame shows the colour. `duration`: the item's own display time in seconds
// (0: the global one).
inline payload::DraftItem<payload::TKelImageInfo> SolidPictureItem(raster::TColor32 colour, int duration = 0) {
    payload::DraftItem<payload::TKelImageInfo> item;
    item.record.Ext = ".png";
    item.record.Stretch = 1;
    item.record.Duration = duration;
    item.content = payload::Content::FromBytes(WritePngFromBitmap(SolidBitmap(4, 4, colour), true));
    item.compressed = true;
    return item;
}

// A picture suffix over bytes that are no picture.
inline payload::DraftItem<payload::TKelImageInfo> BrokenPictureItem() {
    payload::DraftItem<payload::TKelImageInfo> item;
    item.record.Ext = ".png";
    item.record.Stretch = 1;
    item.content = payload::Content::FromBytes({'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'});
    return item;
}

// Two 4 x 4 frames, `first` then `second`, `delayCs` hundredths of a second each, looping.
inline payload::DraftItem<payload::TKelImageInfo> TwoFrameGifItem(raster::TColor32 first, raster::TColor32 second,
                                                                   int delayCs) {
    GifRecipe recipe;
    recipe.width = 4;
    recipe.height = 4;
    recipe.globalPalette = {first, second};
    recipe.netscapeLoop = true;
    for (uint8_t index : {uint8_t(0), uint8_t(1)}) {
        GifFrameRecipe frame;
        frame.width = 4;
        frame.height = 4;
        frame.indexes.assign(16, index);
        frame.delayCs = delayCs;
        recipe.frames.push_back(frame);
    }
    payload::DraftItem<payload::TKelImageInfo> item;
    item.record.Ext = ".gif";
    item.record.Stretch = 1;
    item.content = payload::Content::FromBytes(WriteGif(recipe));
    return item;
}

} // namespace vorlandite::testing
