#pragma once
// What the overlay tests share: a QGuiApplication for fonts, a screensaver file written from a
// draft into a scratch folder (which also serves as the temporary folder), and pixel helpers.

#include "payload/ByteSource.h"
#include "payload/ContainerReader.h"
#include "raster/TBitmap32.h"
#include "support/RandomPayload.h"
#include "support/TempDir.h"
#include "support/QtApplication.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace vorlandite::testing {

inline void EnsureGuiApplication() {
    vorlandite::testing::EnsureQtApplication<QGuiApplication>();
}

// A screensaver file made from the draft, and the payload as the engine reads it back.
struct ShowFile {
    TempDir dir;
    std::string path;
    std::string tempFolder;  // ends with '/', like TempFolder()
    payload::Payload payload;

    explicit ShowFile(const payload::PayloadDraft& draft) {
        path = dir.File("show.scr");
        tempFolder = dir.Path().string() + "/";
        WriteFileBytes(path, BuildScreensaverBytes(draft));
        auto source = payload::FileSource::Open(path);
        EXPECT_TRUE(source.ok());
        auto read = payload::ReadWholePayload(**source);
        EXPECT_TRUE(read.ok()) << (read.ok() ? "" : read.message());
        if (read)
            payload = std::move(read).value();
    }
};

inline raster::TBitmap32 SolidBitmap(int w, int h, raster::TColor32 colour) {
    raster::TBitmap32 b = raster::TBitmap32::Create(w, h).value();
    b.Clear(colour);
    return b;
}

// Bounding box of the pixels that differ from the background colour; empty when none do.
inline raster::Rect InkBounds(const raster::TBitmap32& b, raster::TColor32 background, const raster::Rect& area) {
    raster::Rect ink{area.right, area.bottom, area.left, area.top};
    for (int y = std::max(area.top, 0); y < std::min(area.bottom, b.Height()); ++y)
        for (int x = std::max(area.left, 0); x < std::min(area.right, b.Width()); ++x)
            if (b.Pixel(x, y) != background) {
                ink.left = std::min(ink.left, x);
                ink.top = std::min(ink.top, y);
                ink.right = std::max(ink.right, x + 1);
                ink.bottom = std::max(ink.bottom, y + 1);
            }
    return ink;
}

inline raster::Rect InkBounds(const raster::TBitmap32& b, raster::TColor32 background) {
    return InkBounds(b, background, b.BoundsRect());
}

} // namespace vorlandite::testing
