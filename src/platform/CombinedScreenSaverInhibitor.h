#pragma once
// Several ways of holding off the desktop's screensaver at once, as one inhibitor: the X server's
// own screensaver and the session's (D-Bus) each need telling, and the host takes one object.

#include "platform/ScreenSaverInhibitor.h"

#include <initializer_list>
#include <vector>

namespace vorlandite::platform {

class CombinedScreenSaverInhibitor final : public ScreenSaverInhibitor {
public:
    // The parts are not owned and must outlive this object; null parts are left out.
    CombinedScreenSaverInhibitor(std::initializer_list<ScreenSaverInhibitor*> parts) {
        for (ScreenSaverInhibitor* part : parts)
            if (part)
                parts_.push_back(part);
    }

    // Each part is idempotent itself, so a repeated call passes through harmlessly.
    void Suspend() override {
        for (ScreenSaverInhibitor* part : parts_)
            part->Suspend();
    }
    // In reverse order, so that what was held off first is let go last.
    void Restore() override {
        for (auto part = parts_.rbegin(); part != parts_.rend(); ++part)
            (*part)->Restore();
    }

private:
    std::vector<ScreenSaverInhibitor*> parts_;
};

} // namespace vorlandite::platform
