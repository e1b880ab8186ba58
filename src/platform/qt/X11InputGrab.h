#pragma once
// Keyboard and pointer grabs on the toolkit's own X connection. They must be made by the
// connection the program's windows live on: a grab "owned" by another connection would take
// every event away from our own windows, the password dialog's included.

#include "platform/InputGrab.h"

namespace vorlandite::platform {

class X11InputGrab final : public InputGrab {
public:
    ~X11InputGrab() override;
    // False without an X11 application object (then Grab always fails).
    static bool Available();
    bool Grab(uint64_t window) override;
    void Release() override;

private:
    bool keyboard_ = false;
    bool pointer_ = false;
};

} // namespace vorlandite::platform
