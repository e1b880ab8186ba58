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
inline raster::TRect InkBounds(const raster::TBitmap32& b, raster::TColor32 background, const raster::TRect& area) {
    raster::TRect ink{area.Right, area.Bottom, area.Left, area.Top};
    for (int y = std::max(area.Top, 0); y < std::min(area.Bottom, b.Height()); ++y)
        for (int x = std::max(area.Left, 0); x < std::min(area.Right, b.Width()); ++x)
            if (b.Pixel(x, y) != background) {
                ink.Left = std::min(ink.Left, x);
                ink.Top = std::min(ink.Top, y);
                ink.Right = std::max(ink.Right, x + 1);
                ink.Bottom = std::max(ink.Bottom, y + 1);
            }
    return ink;
}

inline raster::TRect InkBounds(const raster::TBitmap32& b, raster::TColor32 background) {
    return InkBounds(b, background, b.BoundsRect());
}

} // namespace vorlandite::testing
