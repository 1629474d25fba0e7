// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// What the C++ side asks of the page's script (tarvelin.js). Controls are
// named "<view>-<control>", such as "frm_werk-txt_string"; text is UTF-8.
namespace web::page {

// Shows one view (hiding the other), sets the tab's title and gives the
// view's first control the focus.
void showView(const std::string &view, const std::string &title, const std::string &firstFocus);
void setText(const std::string &control, const std::string &text);
void setVisible(const std::string &control, bool visible);
[[nodiscard]] bool isVisible(const std::string &control);
// A bad entry: the message in the page's dialog; once it is closed the field
// has the focus again, its text kept and selected.
void showInputError(const std::string &message, const std::string &field);
// A run-time error: the message, then the page ends as "Einde" does.
void showRuntimeError(const std::string &message);

} // namespace web::page
