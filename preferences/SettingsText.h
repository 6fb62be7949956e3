// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Value texts of the preferences file (internal to the library).

#include <string>
#include <string_view>

namespace pelmor::settings_text {

inline constexpr const char* kINIFileName = "Pelmor.ini";

// "True" or "False".
std::string Boolean(bool value);
// The text itself, in double quotes when reading would otherwise lose surrounding blanks
// or quotes.
std::string Text(std::string_view value);
// A decimal with up to four places and no trailing zeros ("8.25", "10", "9.1235").
std::string FontSize(double size);

}  // namespace pelmor::settings_text
