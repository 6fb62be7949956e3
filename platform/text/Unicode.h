// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Code points, case folding and the Windows-1252 single-byte code page. Texts elsewhere
// are UTF-8 std::strings; the comparison engine works on code points so that "one
// character" means the same thing in lengths, positions and distances.

#include <cstdint>
#include <string>
#include <string_view>

namespace pelmor::text {

// Code points of a UTF-8 text; each byte of an invalid sequence becomes U+FFFD.
std::u32string ToU32(std::string_view utf8);
// UTF-8 form of code points; values that are not code points become U+FFFD.
std::string ToUtf8(std::u32string_view text);
// Number of code points in a UTF-8 text (invalid bytes count one each).
size_t CodePointCount(std::string_view utf8);

// Lower-case form of one code point (simple case mapping); other code points unchanged.
char32_t FoldChar(char32_t c);
// Lower-case form of every code point.
std::u32string FoldU32(std::u32string_view text);

// Code of a character in Windows-1252; 63 ("?") for a character the code page lacks.
uint8_t Windows1252Code(char32_t c);

}  // namespace pelmor::text
