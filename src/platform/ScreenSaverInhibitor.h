#pragma once
// Keeps the desktop's own screensaver from starting while the show runs: a second saver
// blanking the screen over ours would hide it, and its own lock would fight our exit rules.

namespace vorlandite::platform {

class ScreenSaverInhibitor {
public:
    virtual ~ScreenSaverInhibitor() = default;
    // Both are idempotent: a second Suspend or a Restore without a Suspend does nothing.
    virtual void Suspend() = 0;
    virtual void Restore() = 0;
};

// For platforms (and tests) without a desktop screensaver to hold off.
class NoScreenSaverInhibitor final : public ScreenSaverInhibitor {
public:
    void Suspend() override {}
    void Restore() override {}
};

} // namespace vorlandite::platform
