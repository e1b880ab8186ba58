#pragma once
// Modal message boxes. The texts are the system's fixed English strings; the caption is the
// application's title.

#include <string>

namespace vorlandite::platform {

enum class MessageIcon { Error, Warning, Information };

class MessageBox {
public:
    virtual ~MessageBox() = default;
    // Blocks until the user closes the box. `caption` and `text` are UTF-8.
    virtual void Show(const std::string& caption, const std::string& text, MessageIcon icon) = 0;
};

} // namespace vorlandite::platform
