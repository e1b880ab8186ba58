#pragma once
// Errors as values: decoders, parsers and file operations return a Result or a Status with a
// short message; the show turns a failed item into "skip it", the CLI prints the message.

#include <string>
#include <utility>
#include <variant>

namespace vorlandite {

// What a caller may have to tell apart without reading the message.
enum class ErrorKind {
    Failed,      // broken, missing, refused: the usual
    OverBudget,  // a picture larger than the screen's budget: the show names it on stderr
};

struct Error {
    std::string message;
    ErrorKind kind = ErrorKind::Failed;
};

inline Error MakeError(std::string message, ErrorKind kind = ErrorKind::Failed) {
    return Error{std::move(message), kind};
}

template <class T>
class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::move(value)) {}
    Result(Error error) : state_(std::move(error)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(state_); }
    const T& value() const& { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

    const Error& error() const { return std::get<1>(state_); }
    const std::string& message() const { return error().message; }

private:
    std::variant<T, Error> state_;
};

class [[nodiscard]] Status {
public:
    Status() = default;
    Status(Error error) : error_(std::move(error)), failed_(true) {}
    static Status Ok() { return {}; }

    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }
    const Error& error() const { return error_; }
    const std::string& message() const { return error_.message; }

private:
    Error error_;
    bool failed_ = false;
};

} // namespace vorlandite
