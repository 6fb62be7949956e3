#include "loader/Charset.h"

#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <vector>

#include "platform/text/Utf16.h"

namespace pelmor::quillon {
namespace {

constexpr std::size_t kMetaScanBytes = 4096;
constexpr char kReplacement[] = "\xEF\xBF\xBD";

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string_view Trim(std::string_view text) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '"' || c == '\''; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

bool IsValidUtf8(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int extra;
        unsigned min;
        unsigned cp;
        if ((c & 0xE0) == 0xC0) {
            extra = 1, min = 0x80, cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2, min = 0x800, cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3, min = 0x10000, cp = c & 0x07;
        } else {
            return false;
        }
        if (end - p <= extra) return false;
        for (int i = 1; i <= extra; ++i) {
            if ((p[i] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (p[i] & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        p += extra + 1;
    }
    return true;
}

// The byte-order mark's encoding and length, or "" and 0.
std::pair<std::string, std::size_t> Bom(std::string_view bytes) {
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") return {"UTF-8", 3};
    if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xFE") return {"UTF-16LE", 2};
    if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFE\xFF") return {"UTF-16BE", 2};
    return {"", 0};
}

// An iconv name for a charset label, or "" when the label names nothing iconv can read.
std::string NormaliseLabel(std::string_view label, bool fromMeta) {
    std::string name = Lower(Trim(label));
    if (name.empty()) return "";
    if (name == "utf-8" || name == "utf8" || name == "unicode-1-1-utf-8") return "UTF-8";
    if (name == "iso-8859-1" || name == "iso8859-1" || name == "iso_8859-1" || name == "latin1" || name == "l1" ||
        name == "us-ascii" || name == "ascii" || name == "windows-1252" || name == "cp1252" ||
        name == "x-cp1252" || name == "x-user-defined")
        return "WINDOWS-1252";
    if (name == "utf-16" || name == "utf-16le" || name == "unicode" || name == "ucs-2" || name == "utf-16be") {
        // A declaration readable as ASCII cannot be right about UTF-16.
        if (fromMeta) return "UTF-8";
        return name == "utf-16be" ? "UTF-16BE" : "UTF-16LE";
    }
    std::string upper = name;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    iconv_t probe = iconv_open("UTF-8", upper.c_str());
    if (probe == reinterpret_cast<iconv_t>(-1)) return "";
    iconv_close(probe);
    return upper;
}

// Attributes of one tag, names lower-cased; values keep their case.
std::vector<std::pair<std::string, std::string>> TagAttributes(std::string_view tag) {
    std::vector<std::pair<std::string, std::string>> attributes;
    std::size_t i = 0;
    auto space = [&](std::size_t k) { return k < tag.size() && std::isspace(static_cast<unsigned char>(tag[k])); };
    while (i < tag.size()) {
        while (space(i) || (i < tag.size() && tag[i] == '/')) ++i;
        std::size_t start = i;
        while (i < tag.size() && !space(i) && tag[i] != '=' && tag[i] != '/') ++i;
        std::string name = Lower(tag.substr(start, i - start));
        while (space(i)) ++i;
        std::string value;
        if (i < tag.size() && tag[i] == '=') {
            ++i;
            while (space(i)) ++i;
            if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) {
                char quote = tag[i++];
                std::size_t close = tag.find(quote, i);
                if (close == std::string_view::npos) close = tag.size();
                value = std::string(tag.substr(i, close - i));
                i = close + 1;
            } else {
                std::size_t vstart = i;
                while (i < tag.size() && !space(i)) ++i;
                value = std::string(tag.substr(vstart, i - vstart));
            }
        }
        if (!name.empty()) attributes.emplace_back(std::move(name), std::move(value));
        if (start == i) ++i;
    }
    return attributes;
}

}  // namespace

std::string ContentTypeCharset(std::string_view contentType) {
    std::string lower = Lower(contentType);
    std::size_t at = lower.find("charset");
    while (at != std::string::npos) {
        std::size_t k = at + 7;
        while (k < lower.size() && std::isspace(static_cast<unsigned char>(lower[k]))) ++k;
        if (k < lower.size() && lower[k] == '=') {
            ++k;
            std::size_t end = k;
            while (end < lower.size() && lower[end] != ';' && lower[end] != ',') ++end;
            return std::string(Trim(contentType.substr(k, end - k)));
        }
        at = lower.find("charset", at + 7);
    }
    return "";
}

std::string MetaCharset(std::string_view bytes) {
    std::string_view head = bytes.substr(0, std::min(bytes.size(), kMetaScanBytes));
    std::string lower = Lower(head);
    std::size_t at = lower.find("<meta");
    while (at != std::string::npos) {
        std::size_t close = lower.find('>', at);
        if (close == std::string::npos) close = lower.size();
        std::size_t start = at + 5;
        if (start < lower.size() && (std::isspace(static_cast<unsigned char>(lower[start])) || lower[start] == '/')) {
            auto attributes = TagAttributes(head.substr(start, close - start));
            std::string httpEquiv, content;
            for (const auto& [name, value] : attributes) {
                if (name == "charset") return std::string(Trim(value));
                if (name == "http-equiv") httpEquiv = Lower(Trim(value));
                if (name == "content") content = value;
            }
            if (httpEquiv == "content-type") {
                std::string charset = ContentTypeCharset(content);
                if (!charset.empty()) return charset;
            }
        }
        at = lower.find("<meta", close);
    }
    return "";
}

std::string DetectCharset(std::string_view bytes, std::string_view headerCharset, bool useMeta) {
    if (auto [bom, length] = Bom(bytes); length != 0) return bom;
    std::string charset = NormaliseLabel(headerCharset, false);
    if (!charset.empty()) return charset;
    if (useMeta) {
        charset = NormaliseLabel(MetaCharset(bytes), true);
        if (!charset.empty()) return charset;
    }
    return IsValidUtf8(bytes) ? "UTF-8" : "WINDOWS-1252";
}

std::string ToUtf8(std::string_view bytes, const std::string& charset) {
    auto [bom, bomLength] = Bom(bytes);
    if (bomLength != 0 && bom == charset) bytes.remove_prefix(bomLength);
    if (charset == "UTF-8" && IsValidUtf8(bytes)) return std::string(bytes);
    if (charset == "UTF-16LE") return text::DecodeUtf16Le(bytes);  // saved copies: the common case

    iconv_t cd = iconv_open("UTF-8", charset.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) cd = iconv_open("UTF-8", "WINDOWS-1252");
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(bytes);
    const std::size_t unit = charset.rfind("UTF-16", 0) == 0 ? 2 : (charset.rfind("UTF-32", 0) == 0 ? 4 : 1);

    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2 + 16);
    char buffer[16384];
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        std::size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (rc != static_cast<std::size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        out += kReplacement;
        if (errno == EILSEQ) {
            std::size_t skip = std::min(unit, inLeft);
            in += skip;
            inLeft -= skip;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        } else {
            break;  // an incomplete sequence at the end
        }
    }
    iconv_close(cd);
    return out;
}

std::string DecodePage(std::string_view bytes, std::string_view headerCharset, bool useMeta) {
    return ToUtf8(bytes, DetectCharset(bytes, headerCharset, useMeta));
}

}  // namespace pelmor::quillon
