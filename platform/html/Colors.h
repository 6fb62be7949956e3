// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Colour texts of pages and of callers: "#RRGGBB", "#RGB", "RRGGBB" without the "#",
// "rgb(r, g, b)" and the CSS colour names.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pelmor::html::detail {

// 0xRRGGBB of a colour text; nothing for "transparent", empty or unreadable texts.
std::optional<uint32_t> ParseColor(std::string_view text);

// Valid CSS text for a colour text: "#RRGGBB" for numeric forms, the lower-case name for
// names; empty when the text is not a colour.
std::string CssColor(std::string_view text);

// 0xRRGGBB turned into the number form of colour queries: red in the low byte.
inline long ColorNumber(uint32_t rgb) {
    return long(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
}

}  // namespace pelmor::html::detail
