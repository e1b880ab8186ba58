#pragma once
// Modal message boxes. The texts are the system's fixed English strings; the caption is the
// application's title.

#include <cstdio>
#include <string>

namespace vorlandite::platform {

enum class MessageIcon { Error, Warning, Information };

class MessageBox {
public:
    virtual ~MessageBox() = default;
    // Blocks until the user closes the box. `caption` and `text` are UTF-8.
    virtual void Show(const std::string& caption, const std::string& text, MessageIcon icon) = 0;
};

// For a program that must open no window of its own (a show inside a screensaver host's
// window): the message goes to stderr.
class StderrMessageBox final : public MessageBox {
public:
    void Show(const std::string& caption, const std::string& text, MessageIcon) override {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    }
};

} // namespace vorlandite::platform
