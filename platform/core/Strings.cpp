// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/Strings.h"

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cstdlib>
#include <cwctype>
#include <locale.h>

namespace pelmor {
namespace {

locale_t FoldLocale() {
    static locale_t locale = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
        return l;
    }();
    return locale;
}

}  // namespace

// Decodes one UTF-8 sequence at text[pos]; returns its length, or 0 when it is not a
// valid, shortest-form encoding of a code point.
size_t DecodeUtf8(std::string_view text, size_t pos, char32_t& cp) {
    unsigned char c = static_cast<unsigned char>(text[pos]);
    size_t len;
    char32_t min;
    if (c < 0x80) {
        cp = c;
        return 1;
    } else if ((c & 0xE0) == 0xC0) {
        cp = c & 0x1F;
        len = 2;
        min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        cp = c & 0x0F;
        len = 3;
        min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        cp = c & 0x07;
        len = 4;
        min = 0x10000;
    } else {
        return 0;
    }
    if (pos + len > text.size()) return 0;
    for (size_t i = 1; i < len; ++i) {
        unsigned char cc = static_cast<unsigned char>(text[pos + i]);
        if ((cc & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (cc & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

void EncodeUtf8(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string FoldCase(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    locale_t locale = FoldLocale();
    for (size_t pos = 0; pos < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[pos]);
        if (c < 0x80) {
            out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : static_cast<char>(c);
            ++pos;
            continue;
        }
        char32_t cp;
        size_t len = DecodeUtf8(text, pos, cp);
        if (len == 0) {
            out += static_cast<char>(c);
            ++pos;
            continue;
        }
        if (locale != static_cast<locale_t>(0)) cp = static_cast<char32_t>(towlower_l(static_cast<wint_t>(cp), locale));
        EncodeUtf8(cp, out);
        pos += len;
    }
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() == b.size()) {
        bool ascii = true;
        size_t i = 0;
        for (; i < a.size(); ++i) {
            unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
            if (x >= 0x80 || y >= 0x80) {
                ascii = false;
                break;
            }
            if (x != y && (x | 0x20) != (y | 0x20)) return false;
            if (x != y && !((x | 0x20) >= 'a' && (x | 0x20) <= 'z')) return false;
        }
        if (ascii) return true;
    }
    return FoldCase(a) == FoldCase(b);
}

bool ContainsNoCase(std::string_view haystack, std::string_view needle) {
    return FoldCase(haystack).find(FoldCase(needle)) != std::string::npos;
}

bool ParseInteger(std::string_view text, long long& value) {
    size_t b = text.find_first_not_of(" \t");
    if (b == std::string_view::npos) return false;
    size_t e = text.find_last_not_of(" \t");
    text = text.substr(b, e - b + 1);
    if (!text.empty() && text[0] == '+') text.remove_prefix(1);
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && ptr == text.data() + text.size();
}

bool ParseNumber(std::string_view text, double& value) {
    size_t b = text.find_first_not_of(" \t");
    if (b == std::string_view::npos) return false;
    size_t e = text.find_last_not_of(" \t");
    text = text.substr(b, e - b + 1);
    if (!text.empty() && text[0] == '+') text.remove_prefix(1);
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    return ec == std::errc() && ptr == text.data() + text.size();
}

std::string FormatNumber(double value) {
    char buf[64];
    float f = static_cast<float>(value);
    auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, f, std::chars_format::fixed);
    if (ec != std::errc()) return "0";
    return std::string(buf, ptr);
}

}  // namespace pelmor
