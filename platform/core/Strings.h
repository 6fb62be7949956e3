// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Text helpers shared by all modules. Texts are UTF-8 std::strings throughout.

#include <string>
#include <string_view>

namespace pelmor {

// Decodes one UTF-8 sequence at text[pos] (pos < size); returns its length, or 0 when it is
// not a valid, shortest-form encoding of a code point.
size_t DecodeUtf8(std::string_view text, size_t pos, char32_t& cp);
// Appends the UTF-8 form of one code point.
void EncodeUtf8(char32_t cp, std::string& out);

// Lower-case form for comparisons without regard to letter case: every letter of the
// Unicode tables the C library knows is folded; bytes that are not valid UTF-8 stay as
// they are. Never fails.
std::string FoldCase(std::string_view text);
// True when both texts are equal without regard to letter case.
bool EqualsNoCase(std::string_view a, std::string_view b);
// True when `needle` occurs in `haystack` without regard to letter case; an empty needle
// is always found.
bool ContainsNoCase(std::string_view haystack, std::string_view needle);

// Text parsed as a decimal integer (optional sign, surrounding blanks allowed); false when
// it is not one or does not fit in a long long.
bool ParseInteger(std::string_view text, long long& value);
// Text parsed as a decimal number with optional fraction and exponent, "." as the decimal
// point whatever the locale; false when it is not one.
bool ParseNumber(std::string_view text, double& value);
// Shortest decimal text that reads back as the same float ("8.25", "5670", "0.1").
std::string FormatNumber(double value);

}  // namespace pelmor
