// SPDX-License-Identifier: GPL-3.0-or-later
#include "loader/Charset.h"

#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "platform/text/Utf16.h"

namespace pelmor::quillon {
namespace {

constexpr std::size_t kMetaScanBytes = 4096;
constexpr char kReplacement[] = "\xEF\xBF\xBD";
constexpr const char* kReplacementEncoding = "REPLACEMENT";

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

// The encodings browsers decode, each with its labels, as the WHATWG Encoding Standard
// lists them, and the iconv name that decodes it. Legacy labels name the superset that
// browsers actually use: "gb2312" reads as GB18030, "euc-kr" and "ks_c_5601-1987" as
// windows-949, "shift_jis" as windows-31j, "iso-8859-1" and "us-ascii" as windows-1252.
struct Encoding {
    const char* iconvName;
    std::vector<std::string_view> labels;
};

const std::vector<Encoding>& Encodings() {
    static const std::vector<Encoding> table = {
        {"UTF-8", {"unicode-1-1-utf-8", "unicode11utf8", "unicode20utf8", "utf-8", "utf8", "x-unicode20utf8"}},
        {"IBM866", {"866", "cp866", "csibm866", "ibm866"}},
        {"ISO-8859-2", {"csisolatin2", "iso-8859-2", "iso-ir-101", "iso8859-2", "iso88592", "iso_8859-2",
                        "iso_8859-2:1987", "l2", "latin2"}},
        {"ISO-8859-3", {"csisolatin3", "iso-8859-3", "iso-ir-109", "iso8859-3", "iso88593", "iso_8859-3",
                        "iso_8859-3:1988", "l3", "latin3"}},
        {"ISO-8859-4", {"csisolatin4", "iso-8859-4", "iso-ir-110", "iso8859-4", "iso88594", "iso_8859-4",
                        "iso_8859-4:1988", "l4", "latin4"}},
        {"ISO-8859-5", {"csisolatincyrillic", "cyrillic", "iso-8859-5", "iso-ir-144", "iso8859-5", "iso88595",
                        "iso_8859-5", "iso_8859-5:1988"}},
        {"ISO-8859-6", {"arabic", "asmo-708", "csiso88596e", "csiso88596i", "csisolatinarabic", "ecma-114",
                        "iso-8859-6", "iso-8859-6-e", "iso-8859-6-i", "iso-ir-127", "iso8859-6", "iso88596",
                        "iso_8859-6", "iso_8859-6:1987"}},
        {"ISO-8859-7", {"csisolatingreek", "ecma-118", "elot_928", "greek", "greek8", "iso-8859-7", "iso-ir-126",
                        "iso8859-7", "iso88597", "iso_8859-7", "iso_8859-7:1987", "sun_eu_greek"}},
        {"ISO-8859-8", {"csiso88598e", "csisolatinhebrew", "hebrew", "iso-8859-8", "iso-8859-8-e", "iso-ir-138",
                        "iso8859-8", "iso88598", "iso_8859-8", "iso_8859-8:1988", "visual", "csiso88598i",
                        "iso-8859-8-i", "logical"}},
        {"ISO-8859-10", {"csisolatin6", "iso-8859-10", "iso-ir-157", "iso8859-10", "iso885910", "l6", "latin6"}},
        {"ISO-8859-13", {"iso-8859-13", "iso8859-13", "iso885913"}},
        {"ISO-8859-14", {"iso-8859-14", "iso8859-14", "iso885914"}},
        {"ISO-8859-15", {"csisolatin9", "iso-8859-15", "iso8859-15", "iso885915", "iso_8859-15", "l9"}},
        {"ISO-8859-16", {"iso-8859-16"}},
        {"KOI8-R", {"cskoi8r", "koi", "koi8", "koi8-r", "koi8_r"}},
        {"KOI8-U", {"koi8-ru", "koi8-u"}},
        {"MACINTOSH", {"csmacintosh", "mac", "macintosh", "x-mac-roman"}},
        {"CP874", {"dos-874", "iso-8859-11", "iso8859-11", "iso885911", "tis-620", "windows-874"}},
        {"WINDOWS-1250", {"cp1250", "windows-1250", "x-cp1250"}},
        {"WINDOWS-1251", {"cp1251", "windows-1251", "x-cp1251"}},
        {"WINDOWS-1252", {"ansi_x3.4-1968", "ascii", "cp1252", "cp819", "csisolatin1", "ibm819", "iso-8859-1",
                          "iso-ir-100", "iso8859-1", "iso88591", "iso_8859-1", "iso_8859-1:1987", "l1", "latin1",
                          "us-ascii", "windows-1252", "x-cp1252", "x-user-defined"}},
        {"WINDOWS-1253", {"cp1253", "windows-1253", "x-cp1253"}},
        {"WINDOWS-1254", {"cp1254", "csisolatin5", "iso-8859-9", "iso-ir-148", "iso8859-9", "iso88599",
                          "iso_8859-9", "iso_8859-9:1989", "l5", "latin5", "windows-1254", "x-cp1254"}},
        {"WINDOWS-1255", {"cp1255", "windows-1255", "x-cp1255"}},
        {"WINDOWS-1256", {"cp1256", "windows-1256", "x-cp1256"}},
        {"WINDOWS-1257", {"cp1257", "windows-1257", "x-cp1257"}},
        {"WINDOWS-1258", {"cp1258", "windows-1258", "x-cp1258"}},
        {"MAC-CYRILLIC", {"x-mac-cyrillic", "x-mac-ukrainian"}},
        {"GB18030", {"chinese", "csgb2312", "csiso58gb231280", "gb2312", "gb_2312", "gb_2312-80", "gbk",
                     "iso-ir-58", "x-gbk", "gb18030"}},
        {"BIG5-HKSCS", {"big5", "big5-hkscs", "cn-big5", "csbig5", "x-x-big5"}},
        {"EUC-JP-MS", {"cseucpkdfmtjapanese", "euc-jp", "x-euc-jp"}},
        {"ISO-2022-JP", {"csiso2022jp", "iso-2022-jp"}},
        {"CP932", {"csshiftjis", "ms932", "ms_kanji", "shift-jis", "shift_jis", "sjis", "windows-31j", "x-sjis"}},
        {"CP949", {"cseuckr", "csksc56011987", "euc-kr", "iso-ir-149", "korean", "ks_c_5601-1987",
                   "ks_c_5601-1989", "ksc5601", "ksc_5601", "windows-949"}},
        // Encodings that let a page smuggle markup past filters: the page reads as one
        // replacement character.
        {kReplacementEncoding, {"csiso2022kr", "hz-gb-2312", "iso-2022-cn", "iso-2022-cn-ext", "iso-2022-kr",
                                "replacement"}},
        {"UTF-16BE", {"unicodefffe", "utf-16be"}},
        {"UTF-16LE", {"csunicode", "iso-10646-ucs-2", "ucs-2", "unicode", "unicodefeff", "utf-16", "utf-16le"}},
    };
    return table;
}

// An iconv name for a charset label, or "" for a label browsers do not know.
std::string NormaliseLabel(std::string_view label, bool fromMeta) {
    std::string name = Lower(Trim(label));
    if (name.empty()) return "";
    for (const Encoding& encoding : Encodings()) {
        if (std::find(encoding.labels.begin(), encoding.labels.end(), name) == encoding.labels.end()) continue;
        std::string found = encoding.iconvName;
        // A declaration readable as ASCII cannot be right about UTF-16.
        if (fromMeta && found.rfind("UTF-16", 0) == 0) return "UTF-8";
        return found;
    }
    return "";
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
    if (charset == kReplacementEncoding) return bytes.empty() ? std::string() : std::string(kReplacement);

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
