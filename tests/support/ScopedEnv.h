#pragma once
// An environment variable set (or removed) for one scope: what it held before, or that it was
// not set, comes back when the object goes, so no test leaves its settings to the next.

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

namespace vorlandite::testing {

class ScopedEnv {
public:
    // value null: the variable is removed for the scope.
    ScopedEnv(std::string name, const char* value) : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str()))
            old_ = old;
        Set(value);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_.c_str(), old_->c_str(), 1);
        else
            ::unsetenv(name_.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

    // Another value within the same scope (null: removed); the one from before still comes back.
    void Set(const char* value) {
        if (value)
            ::setenv(name_.c_str(), value, 1);
        else
            ::unsetenv(name_.c_str());
    }

private:
    std::string name_;
    std::optional<std::string> old_;
};

} // namespace vorlandite::testing
