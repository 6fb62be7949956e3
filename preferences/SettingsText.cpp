// SPDX-License-Identifier: GPL-3.0-or-later
#include "preferences/SettingsText.h"

#include <charconv>

namespace pelmor::settings_text {

std::string Boolean(bool value) { return value ? "True" : "False"; }

std::string Text(std::string_view value) {
    if (value.empty()) return std::string();
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    bool quoted = value.size() >= 2 && value.front() == value.back() && (value.front() == '"' || value.front() == '\'');
    if (blank(value.front()) || blank(value.back()) || quoted) return "\"" + std::string(value) + "\"";
    return std::string(value);
}

std::string FontSize(double size) {
    char buffer[400];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, size, std::chars_format::fixed, 4);
    if (ec != std::errc()) return "0";
    std::string text(buffer, end);
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    if (text == "-0") text = "0";
    return text;
}

}  // namespace pelmor::settings_text
