// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/text/Utf16.h"

#include "platform/text/Unicode.h"

namespace pelmor::text {
namespace {

std::string DecodeUtf16(std::string_view bytes, bool bigEndian) {
    std::u32string out;
    out.reserve(bytes.size() / 2);
    auto unit = [&](size_t i) -> char32_t {
        auto lo = static_cast<unsigned char>(bytes[i + (bigEndian ? 1 : 0)]);
        auto hi = static_cast<unsigned char>(bytes[i + (bigEndian ? 0 : 1)]);
        return static_cast<char32_t>(lo | (hi << 8));
    };
    size_t end = bytes.size() & ~static_cast<size_t>(1);
    for (size_t i = 0; i < end; i += 2) {
        char32_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 2 < end) {
            char32_t low = unit(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                out += 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
                continue;
            }
        }
        out += (u >= 0xD800 && u <= 0xDFFF) ? char32_t{0xFFFD} : u;
    }
    return ToUtf8(out);
}

}  // namespace

std::string DecodeUtf16Le(std::string_view bytes) { return DecodeUtf16(bytes, false); }

std::string EncodeUtf16LeWithBom(std::string_view utf8) {
    std::string out = "\xFF\xFE";
    std::u32string text = ToU32(utf8);
    out.reserve(2 + text.size() * 2);
    auto put = [&](char32_t u) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>((u >> 8) & 0xFF);
    };
    for (char32_t c : text) {
        if (c >= 0x10000) {
            c -= 0x10000;
            put(0xD800 + (c >> 10));
            put(0xDC00 + (c & 0x3FF));
        } else {
            put(c);
        }
    }
    return out;
}

std::string DecodeFileText(std::string_view bytes) {
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') return DecodeUtf16(bytes.substr(2), false);
    if (bytes.size() >= 2 && bytes[0] == '\xFE' && bytes[1] == '\xFF') return DecodeUtf16(bytes.substr(2), true);
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") return std::string(bytes.substr(3));
    return std::string(bytes);
}

}  // namespace pelmor::text
