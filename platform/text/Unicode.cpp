// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/text/Unicode.h"

#include <cwctype>
#include <locale.h>

#include "platform/core/Strings.h"

namespace pelmor::text {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

locale_t FoldLocale() {
    static locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    return locale;
}

}  // namespace

std::u32string ToU32(std::string_view utf8) {
    std::u32string out;
    out.reserve(utf8.size());
    for (size_t pos = 0; pos < utf8.size();) {
        unsigned char c = static_cast<unsigned char>(utf8[pos]);
        if (c < 0x80) {
            out += c;
            ++pos;
            continue;
        }
        char32_t cp;
        size_t len = DecodeUtf8(utf8, pos, cp);
        if (len == 0) {
            out += kReplacement;
            ++pos;
        } else {
            out += cp;
            pos += len;
        }
    }
    return out;
}

std::string ToUtf8(std::u32string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t cp : text) {
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacement;
        EncodeUtf8(cp, out);
    }
    return out;
}

size_t CodePointCount(std::string_view utf8) {
    size_t count = 0;
    for (size_t pos = 0; pos < utf8.size(); ++count) {
        unsigned char c = static_cast<unsigned char>(utf8[pos]);
        if (c < 0x80) {
            ++pos;
            continue;
        }
        char32_t cp;
        size_t len = DecodeUtf8(utf8, pos, cp);
        pos += len == 0 ? 1 : len;
    }
    return count;
}

char32_t FoldChar(char32_t c) {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    locale_t locale = FoldLocale();
    if (locale == static_cast<locale_t>(0)) return c;
    return static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), locale));
}

std::u32string FoldU32(std::u32string_view text) {
    std::u32string out(text);
    for (char32_t& c : out) c = FoldChar(c);
    return out;
}

uint8_t Windows1252Code(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<uint8_t>(c);
    // The 0x80-0x9F row holds typographic characters; five of its codes are unassigned.
    static constexpr char16_t kRow80[32] = {
        0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};
    for (int i = 0; i < 32; ++i)
        if (kRow80[i] != 0 && kRow80[i] == c) return static_cast<uint8_t>(0x80 + i);
    return '?';
}

}  // namespace pelmor::text
