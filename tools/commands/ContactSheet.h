#pragma once
// A contact sheet: small copies of several screens in a grid, each labelled, as one picture, so
// that a recorded show can be looked at on a machine without a display.

#include "base/Result.h"
#include "raster/TBitmap32.h"

#include <string>
#include <vector>

namespace vorlandite::tools {

class ContactSheet {
public:
    // Each cell is thumbWidth pixels wide, its height following the screens' aspect ratio.
    explicit ContactSheet(int thumbWidth = 320, int columns = 4);

    // A scaled-down copy of the screen is kept (the screen itself may change afterwards).
    void Add(const raster::TBitmap32& screen, const std::string& label);
    int Count() const { return int(cells_.size()); }

    // The grid, labels under the cells. Fails when there is nothing to show.
    Result<raster::TBitmap32> Compose() const;

private:
    struct Cell {
        raster::TBitmap32 thumb;
        std::string label;
    };
    int thumbWidth_;
    int columns_;
    std::vector<Cell> cells_;
};

} // namespace vorlandite::tools
