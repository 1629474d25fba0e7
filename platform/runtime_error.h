#pragma once

#include <functional>
#include <string>

namespace platform {

enum class RuntimeErrorKind {
    Overflow,
    SubscriptOutOfRange,
    TypeMismatch,
};

// A value, never thrown: an exception must not cross the event loop.
struct RuntimeError {
    RuntimeErrorKind kind = RuntimeErrorKind::Overflow;
    std::string where;

    [[nodiscard]] int code() const;
    [[nodiscard]] std::string message() const; // Dutch, for the user
};

using RuntimeErrorHandler = std::function<void(const RuntimeError &)>;

// The handler reports the error and ends the program; the default one writes to
// standard error and exits with a failure code. Tests install one that records.
void setRuntimeErrorHandler(RuntimeErrorHandler handler);
void raiseRuntimeError(const RuntimeError &error);

} // namespace platform
