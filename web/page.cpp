// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/page.h"

#include <emscripten/emscripten.h>

namespace {

// clang-format off
EM_JS(void, page_show_view, (const char *view, const char *title, const char *firstFocus), {
    Module['page'].showView(UTF8ToString(view), UTF8ToString(title), UTF8ToString(firstFocus));
});
EM_JS(void, page_set_text, (const char *control, const char *text), {
    Module['page'].setText(UTF8ToString(control), UTF8ToString(text));
});
EM_JS(void, page_set_visible, (const char *control, int visible), {
    Module['page'].setVisible(UTF8ToString(control), visible !== 0);
});
EM_JS(int, page_is_visible, (const char *control), {
    return Module['page'].isVisible(UTF8ToString(control)) ? 1 : 0;
});
EM_JS(void, page_show_input_error, (const char *message, const char *field), {
    Module['page'].showInputError(UTF8ToString(message), UTF8ToString(field));
});
EM_JS(void, page_show_runtime_error, (const char *message), {
    Module['page'].showRuntimeError(UTF8ToString(message));
});
// clang-format on

} // namespace

namespace web::page {

void showView(const std::string &view, const std::string &title, const std::string &firstFocus)
{
    page_show_view(view.c_str(), title.c_str(), firstFocus.c_str());
}

void setText(const std::string &control, const std::string &text)
{
    page_set_text(control.c_str(), text.c_str());
}

void setVisible(const std::string &control, bool visible)
{
    page_set_visible(control.c_str(), visible ? 1 : 0);
}

bool isVisible(const std::string &control)
{
    return page_is_visible(control.c_str()) != 0;
}

void showInputError(const std::string &message, const std::string &field)
{
    page_show_input_error(message.c_str(), field.c_str());
}

void showRuntimeError(const std::string &message)
{
    page_show_runtime_error(message.c_str());
}

} // namespace web::page
