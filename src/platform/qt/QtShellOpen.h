#pragma once

#include "platform/ShellOpen.h"

namespace vorlandite::platform {

// The desktop's default action for an address (xdg-open through Qt). The address is passed as
// one argument, never through a shell.
class QtShellOpen final : public IShellOpen {
public:
    void Open(const std::string& address) override;
};

} // namespace vorlandite::platform
