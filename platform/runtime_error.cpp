// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/runtime_error.h"

#include "platform/fatal_message.h"

#include <cstdlib>
#include <utility>

namespace platform {

namespace {

RuntimeErrorHandler &installedHandler()
{
    static RuntimeErrorHandler handler;
    return handler;
}

} // namespace

int RuntimeError::code() const
{
    switch (kind) {
    case RuntimeErrorKind::SubscriptOutOfRange:
        return 9;
    }
    return 0;
}

std::string RuntimeError::message() const
{
    std::string text = "Fout " + std::to_string(code()) + ": ";
    switch (kind) {
    case RuntimeErrorKind::SubscriptOutOfRange:
        text += "index buiten het bereik van de tabel";
        break;
    }
    if (!where.empty())
        text += " (" + where + ")";
    text += ". Het programma wordt beëindigd.";
    return text;
}

void setRuntimeErrorHandler(RuntimeErrorHandler handler)
{
    installedHandler() = std::move(handler);
}

void raiseRuntimeError(const RuntimeError &error)
{
    if (const auto &handler = installedHandler()) {
        handler(error);
        return;
    }
    showFatalMessage(error.message() + "\n");
    std::exit(EXIT_FAILURE);
}

} // namespace platform
