// SPDX-License-Identifier: GPL-3.0-or-later
#include "loader/UrlRule.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "loader/Transport.h"

namespace pelmor::quillon {
namespace {

namespace fs = std::filesystem;

// Longest piece of an address a log line quotes.
constexpr std::size_t kQuotedLength = 300;

// Scheme of a URL in lower case; "" when the text starts with none.
std::string SchemeOf(std::string_view url) {
    std::size_t colon = url.find(':');
    if (colon == std::string_view::npos || colon == 0) return "";
    std::string scheme;
    for (char c : url.substr(0, colon)) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') return "";
        scheme += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return std::isalpha(static_cast<unsigned char>(scheme[0])) ? scheme : "";
}

// The local path a file: URL or an absolute path names; "" for anything else.
std::string LocalPath(std::string_view url) {
    if (!url.empty() && url.front() == '/') return std::string(url);
    if (SchemeOf(url) != "file") return "";
    return PathFromFileUrl(std::string(url));
}

std::string Quoted(std::string_view text) {
    if (text.size() <= kQuotedLength) return std::string(text);
    return std::string(text.substr(0, kQuotedLength)) + "...";
}

}  // namespace

bool IsWebUrl(std::string_view url) {
    std::string scheme = SchemeOf(url);
    return scheme == "http" || scheme == "https" || scheme == "ftp";
}

bool MayLeadTo(std::string_view fromUrl, std::string_view toUrl) {
    if (IsWebUrl(toUrl)) return true;
    // An empty page loads nothing at all.
    if (toUrl.size() == 11 && SchemeOf(toUrl) == "about" && toUrl.substr(6) == "blank") return true;
    const std::string target = LocalPath(toUrl);
    const std::string from = LocalPath(fromUrl);
    if (target.empty() || from.empty()) return false;
    std::error_code ec;
    fs::path folder = fs::weakly_canonical(fs::path(from).parent_path(), ec);
    if (ec || folder.empty()) return false;
    fs::path resolved = fs::weakly_canonical(fs::path(target), ec);
    if (ec) return false;
    auto [end, at] = std::mismatch(folder.begin(), folder.end(), resolved.begin(), resolved.end());
    return end == folder.end() && at != resolved.end();
}

std::string RefusalText(std::string_view fromUrl, std::string_view toUrl) {
    return Quoted(toUrl) + " refused from " + Quoted(fromUrl) +
           ": only http, https and ftp addresses are loaded, and local files only from a local file beside them";
}

}  // namespace pelmor::quillon
