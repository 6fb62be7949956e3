// SPDX-License-Identifier: GPL-3.0-or-later
#include "retrieval/Urls.h"

#include <curl/curl.h>

#include <cctype>
#include <chrono>
#include <cmath>
#include <ctime>
#include <limits>
#include <memory>

#include "loader/Transport.h"
#include "platform/core/Failure.h"
#include "platform/core/Strings.h"
#include "platform/text/Unicode.h"

namespace pelmor::tamsin {
namespace {

struct UrlDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlDeleter>;

UrlHandle NewUrl() {
    UrlHandle handle(curl_url());
    if (!handle) throw Failure(Fault::OutOfMemory, "Urls", "Out of memory");
    return handle;
}

std::string GetPart(CURLU* handle, CURLUPart part) {
    char* text = nullptr;
    if (curl_url_get(handle, part, &text, 0) != CURLUE_OK || !text) return "";
    std::string out = text;
    curl_free(text);
    return out;
}

// Length of a leading "scheme:", or 0 when the text starts with none. "host:8080" is a
// host and a port, not a scheme.
std::size_t SchemeLength(std::string_view url) {
    if (url.empty() || !std::isalpha(static_cast<unsigned char>(url[0]))) return 0;
    std::size_t i = 1;
    while (i < url.size() && (std::isalnum(static_cast<unsigned char>(url[i])) || url[i] == '+' || url[i] == '-' ||
                              url[i] == '.'))
        ++i;
    if (i >= url.size() || url[i] != ':') return 0;
    std::size_t digits = i + 1;
    while (digits < url.size() && std::isdigit(static_cast<unsigned char>(url[digits]))) ++digits;
    if (digits > i + 1 && (digits == url.size() || url[digits] == '/' || url[digits] == '?' || url[digits] == '#'))
        return 0;
    return i + 1;
}

bool NeedsEscaping(std::string_view url) {
    for (unsigned char c : url)
        if (c <= 0x20 || c >= 0x7F) return true;
    return false;
}

// The URL without its fragment (and without its query when `dropQuery`).
std::string_view Stem(std::string_view url, bool dropQuery) {
    std::size_t cut = url.find('#');
    if (cut != std::string_view::npos) url = url.substr(0, cut);
    if (dropQuery) {
        cut = url.find('?');
        if (cut != std::string_view::npos) url = url.substr(0, cut);
    }
    return url;
}

}  // namespace

std::string GuessProtocol(std::string_view url) {
    std::string text(url);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
    std::size_t lead = 0;
    while (lead < text.size() && std::isspace(static_cast<unsigned char>(text[lead]))) ++lead;
    std::string_view trimmed = std::string_view(text).substr(lead);
    if (trimmed.empty() || trimmed[0] == '/' || SchemeLength(trimmed) != 0) return std::string(url);
    UrlHandle handle = NewUrl();
    std::string candidate(trimmed);
    if (curl_url_set(handle.get(), CURLUPART_URL, candidate.c_str(), CURLU_GUESS_SCHEME | CURLU_NON_SUPPORT_SCHEME) !=
        CURLUE_OK)
        return std::string(url);
    std::string guessed = GetPart(handle.get(), CURLUPART_URL);
    return guessed.empty() ? std::string(url) : guessed;
}

std::string WebAddress(std::string_view text) {
    std::size_t first = 0, last = text.size();
    while (first < last && std::isspace(static_cast<unsigned char>(text[first]))) ++first;
    while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1]))) --last;
    text = text.substr(first, last - first);
    for (unsigned char c : text)
        if (c <= 0x20 || c == 0x7F) return "";
    if (text.empty() || text[0] == '/') return "";
    std::string guessed = GuessProtocol(text);
    UrlHandle handle = NewUrl();
    if (curl_url_set(handle.get(), CURLUPART_URL, guessed.c_str(), CURLU_NON_SUPPORT_SCHEME | CURLU_URLENCODE) !=
        CURLUE_OK)
        return "";
    const std::string scheme = GetPart(handle.get(), CURLUPART_SCHEME);
    if (!EqualsNoCase(scheme, "http") && !EqualsNoCase(scheme, "https") && !EqualsNoCase(scheme, "ftp")) return "";
    if (GetPart(handle.get(), CURLUPART_HOST).empty()) return "";
    return guessed;
}

bool HostOf(std::string_view url, std::string& host) {
    UrlHandle handle = NewUrl();
    std::string text(url);
    if (curl_url_set(handle.get(), CURLUPART_URL, text.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK) return false;
    host = GetPart(handle.get(), CURLUPART_HOST);
    if (host.empty()) return false;
    if (host.size() >= 4 && EqualsNoCase(std::string_view(host).substr(0, 4), "www.")) host.erase(0, 4);
    return true;
}

std::string CombineUrls(std::string_view base, std::string_view relative) {
    std::string baseText(base);
    if (!baseText.empty() && baseText[0] == '/') baseText = quillon::FileUrlFromPath(baseText);
    std::string rel(relative);

    if (SchemeLength(rel) != 0) {
        if (!NeedsEscaping(rel)) return rel;
        UrlHandle handle = NewUrl();
        if (curl_url_set(handle.get(), CURLUPART_URL, rel.c_str(), CURLU_NON_SUPPORT_SCHEME | CURLU_URLENCODE) !=
            CURLUE_OK)
            return rel;
        return GetPart(handle.get(), CURLUPART_URL);
    }

    UrlHandle handle = NewUrl();
    if (curl_url_set(handle.get(), CURLUPART_URL, baseText.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK)
        throw Failure(Fault::Failed, "GetCombinedURL", "the base URL cannot be read: " + std::string(base));
    std::string normalBase = GetPart(handle.get(), CURLUPART_URL);
    // A relative part that only replaces the fragment or the query keeps the base's file.
    if (rel.empty()) return std::string(Stem(normalBase, false));
    if (rel[0] == '#') return std::string(Stem(normalBase, false)) + rel;
    if (rel[0] == '?') {
        std::string joined = std::string(Stem(normalBase, true)) + rel;
        if (curl_url_set(handle.get(), CURLUPART_URL, joined.c_str(), CURLU_NON_SUPPORT_SCHEME | CURLU_URLENCODE) !=
            CURLUE_OK)
            throw Failure(Fault::Failed, "GetCombinedURL", "cannot combine " + joined);
        return GetPart(handle.get(), CURLUPART_URL);
    }
    if (curl_url_set(handle.get(), CURLUPART_URL, rel.c_str(), CURLU_NON_SUPPORT_SCHEME | CURLU_URLENCODE) !=
        CURLUE_OK)
        throw Failure(Fault::Failed, "GetCombinedURL", "cannot combine " + rel + " with " + std::string(base));
    return GetPart(handle.get(), CURLUPART_URL);
}

int32_t FileNumber(std::string_view url, const std::function<int()>& salt, int32_t& sum) {
    constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
    constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
    auto fits = [&](int64_t value) { return value >= kMin && value <= kMax; };
    sum = 0;
    std::u32string characters = text::ToU32(url);
    for (std::size_t index = 0; index < characters.size(); ++index) {
        const int64_t position = static_cast<int64_t>(index) + 1;
        const int64_t code = text::Windows1252Code(characters[index]);
        for (;;) {
            int64_t product = code * position;
            bool overflow = !fits(product);
            int64_t first = overflow ? 0 : sum + product;
            overflow = overflow || !fits(first);
            int64_t second = overflow ? 0 : first + salt();
            overflow = overflow || !fits(second);
            if (!overflow) {
                sum = static_cast<int32_t>(second);
                break;
            }
            // Reducing cannot help once the sum is already below the modulus.
            if (sum > -100000 && sum < 100000)
                throw Failure(Fault::Overflow, "GetFileNameFromURL", "The file number of the address overflows");
            sum %= 100000;
        }
    }
    return sum;
}

int ClockSalt() {
    auto now = std::chrono::system_clock::now();
    std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    auto fraction = std::chrono::duration<double>(now - std::chrono::system_clock::from_time_t(seconds)).count();
    double sinceMidnight = local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + fraction;
    long rounded = std::lrint(sinceMidnight);  // the default rounding mode rounds ties to even
    return static_cast<int>(rounded % 100);
}

}  // namespace pelmor::tamsin
