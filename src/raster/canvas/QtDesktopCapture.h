#pragma once
// The desktop snapshot through Qt: a grab of the root window of the primary screen.

#include "raster/DesktopCapture.h"

namespace vorlandite::raster {

class QtDesktopCapture : public DesktopCapture {
public:
    // Needs a running QGuiApplication; fails without a screen.
    Result<TBitmap32> GrabScreen() override;
};

} // namespace vorlandite::raster
