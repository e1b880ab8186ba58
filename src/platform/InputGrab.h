#pragma once
// Holding the keyboard and the pointer for one window of ours, so that nothing typed or clicked
// reaches another program (or the window manager's shortcuts) while a locked show runs. The
// program's own windows still get their input as usual: the password dialog above the show
// keeps working.

#include <cstdint>

namespace vorlandite::platform {

class InputGrab {
public:
    virtual ~InputGrab() = default;
    // Takes (or takes again) both grabs for `window`; true when both are held now. Another
    // program holding a grab makes it fail; the caller tries again later.
    virtual bool Grab(uint64_t window) = 0;
    // Lets both go; nothing held is no error.
    virtual void Release() = 0;
};

} // namespace vorlandite::platform
