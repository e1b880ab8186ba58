#pragma once

#include "platform/MessageBox.h"

namespace vorlandite::platform {

// QMessageBox without an owner window. The text also goes to stderr, so a failure is seen when
// no one is at the display (a screensaver daemon, a headless run).
class QtMessageBox final : public MessageBox {
public:
    void Show(const std::string& caption, const std::string& text, MessageIcon icon) override;
};

} // namespace vorlandite::platform
