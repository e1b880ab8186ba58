#pragma once
// A display item of one colour for the CLI tests' payloads: a 4 x 4 PNG stretched over the
// screen, so a recorded frame's colour tells which item is shown.

#include "payload/PayloadWriter.h"
#include "raster/TBitmap32.h"
#include "raster/decoders/PictureWriters.h"

namespace vorlandite::testing {

inline payload::DraftItem<payload::TKelImageInfo> SolidPictureItem(raster::TColor32 colour) {
    raster::TBitmap32 bitmap = raster::TBitmap32::Create(4, 4).value();
    bitmap.Clear(colour);
    payload::DraftItem<payload::TKelImageInfo> item;
    item.record.Ext = ".png";
    item.record.Stretch = 1;
    item.content = payload::Content::FromBytes(WritePngFromBitmap(bitmap, true));
    item.compressed = true;
    return item;
}

} // namespace vorlandite::testing
