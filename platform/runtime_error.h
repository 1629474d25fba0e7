// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>

namespace platform {

// Overflow saturates and bad input is answered by the window, so a table
// subscript out of range is the one run-time error left.
enum class RuntimeErrorKind {
    SubscriptOutOfRange,
};

// A value, never thrown: an exception must not cross the event loop.
struct RuntimeError {
    RuntimeErrorKind kind = RuntimeErrorKind::SubscriptOutOfRange;
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
