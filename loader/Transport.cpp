// SPDX-License-Identifier: GPL-3.0-or-later
#include "loader/Transport.h"

#include <curl/curl.h>

#include <strings.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>

#include "loader/Charset.h"
#include "loader/CookieFile.h"
#include "platform/core/Deadline.h"
#include "platform/log/Log.h"

namespace pelmor::quillon {

const char* const kUserAgent =
    "Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/131.0.0.0 Safari/537.36";

std::string AcceptLanguage() {
    std::string locale;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) {
            locale = value;
            break;
        }
    }
    locale = locale.substr(0, locale.find_first_of(".@"));
    std::string language = locale.substr(0, locale.find('_'));
    std::string region = locale.find('_') == std::string::npos ? std::string() : locale.substr(locale.find('_') + 1);
    auto letters = [](const std::string& text, std::size_t low, std::size_t high) {
        return text.size() >= low && text.size() <= high &&
               std::all_of(text.begin(), text.end(), [](char c) { return std::isalpha(static_cast<unsigned char>(c)); });
    };
    if (!letters(language, 2, 3) || language == "C") return "en-US,en;q=0.9";
    for (char& c : language) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string out;
    if (letters(region, 2, 2)) {
        for (char& c : region) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        out = language + "-" + region + "," + language + ";q=0.9";
    } else {
        out = language;
    }
    if (language != "en") out += region.empty() || !letters(region, 2, 2) ? ",en;q=0.9" : ",en;q=0.8";
    return out;
}


namespace {

void InitialiseCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Those of `wanted` that this libcurl was built with, as a comma-separated list.
std::string AvailableProtocols(std::initializer_list<const char*> wanted) {
    std::string list;
    const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
    for (const char* name : wanted) {
        for (const char* const* p = info->protocols; p && *p; ++p) {
            if (std::strcmp(*p, name) == 0) {
                if (!list.empty()) list += ',';
                list += name;
            }
        }
    }
    return list;
}

struct Body {
    std::string bytes;
    std::size_t cap = 0;
    bool truncated = false;
};

std::size_t Collect(char* data, std::size_t size, std::size_t count, void* user) {
    auto* body = static_cast<Body*>(user);
    std::size_t length = size * count;
    std::size_t room = body->cap - body->bytes.size();
    if (length > room) {
        body->bytes.append(data, room);
        body->truncated = true;
        return 0;  // ends the transfer
    }
    body->bytes.append(data, length);
    return length;
}

void LogCut(const std::string& where, std::size_t cap) {
    try {
        log::Append(log::File::Helper, log::Kind::Information,
                    "Page cut at " + std::to_string(cap) + " bytes: " + where);
    } catch (const std::exception&) {
        // A log that cannot be written loses the note; the page still loads.
    }
}

// Ends a transfer once the thread's work is given up (its deadline passed or it was
// stopped), whatever libcurl's own time-out says; libcurl calls it at least once a second.
int ProgressCheck(void*, curl_off_t, curl_off_t, curl_off_t, curl_off_t) { return DeadlinePassed() ? 1 : 0; }

// True for a Content-Type of "text/plain" (any case, with or without parameters).
bool IsPlainText(std::string_view contentType) {
    std::string_view type = contentType.substr(0, contentType.find(';'));
    while (!type.empty() && (type.back() == ' ' || type.back() == '\t')) type.remove_suffix(1);
    while (!type.empty() && (type.front() == ' ' || type.front() == '\t')) type.remove_prefix(1);
    return type.size() == 10 && strncasecmp(type.data(), "text/plain", 10) == 0;
}

struct CurlDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct UrlDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

}  // namespace

CookieJar::CookieJar() {
    InitialiseCurl();
    CURLSH* share = curl_share_init();
    if (share) curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    share_ = share;
}

namespace {

// The reasons a user reads beside a page whose check failed.
std::string NoAnswerText(long allowedMs) {
    if (allowedMs <= 0) return "No answer in the time allowed";
    // Tenths of a second: the allowance left for this request, as the user reads it.
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", static_cast<double>(allowedMs) / 1000.0);
    std::string text = seconds;
    if (text.size() > 2 && text.compare(text.size() - 2, 2, ".0") == 0) text.resize(text.size() - 2);
    return "No answer within " + text + (text == "1" ? " second" : " seconds");
}

std::string HttpStatusText(long status) {
    static const std::pair<long, const char*> kReasons[] = {
        {400, "Bad Request"},        {401, "Unauthorized"},          {403, "Forbidden"},
        {404, "Not Found"},          {405, "Method Not Allowed"},    {406, "Not Acceptable"},
        {407, "Proxy Authentication Required"}, {408, "Request Timeout"}, {410, "Gone"},
        {429, "Too Many Requests"},  {451, "Unavailable For Legal Reasons"},
        {500, "Internal Server Error"}, {501, "Not Implemented"},   {502, "Bad Gateway"},
        {503, "Service Unavailable"}, {504, "Gateway Timeout"}};
    std::string text = "The server answered " + std::to_string(status);
    for (const auto& [code, reason] : kReasons)
        if (code == status) return text + " " + reason;
    return text;
}

std::string TransferFailureText(CURLcode rc, CURL* h, int osError) {
    char* hostText = nullptr;
    std::string host;
    CURLU* parts = curl_url();
    char* effective = nullptr;
    if (parts && curl_easy_getinfo(h, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective &&
        curl_url_set(parts, CURLUPART_URL, effective, 0) == CURLUE_OK &&
        curl_url_get(parts, CURLUPART_HOST, &hostText, 0) == CURLUE_OK && hostText)
        host = hostText;
    curl_free(hostText);
    curl_url_cleanup(parts);
    switch (rc) {
        case CURLE_URL_MALFORMAT:
        case CURLE_UNSUPPORTED_PROTOCOL:
            return "Not a web address";
        case CURLE_COULDNT_RESOLVE_HOST:
            return "No server is known by the name " + host;
        case CURLE_COULDNT_CONNECT:
            return "Could not reach " + host + ": " +
                   (osError == ECONNREFUSED ? std::string("connection refused")
                                            : osError ? std::string(std::strerror(osError)) : "no connection");
        default:
            return curl_easy_strerror(rc);
    }
}

}  // namespace

CookieJar::~CookieJar() {
    if (share_) curl_share_cleanup(static_cast<CURLSH*>(share_));
}

FetchResult FetchUrl(const std::string& url, const FetchOptions& options) {
    FetchResult result;
    result.url = url;
    try {
        if (options.offline) {
            result.error = "offline";
            return result;
        }
        auto now = std::chrono::steady_clock::now();
        const auto deadline = std::min(options.deadline, CurrentDeadline());
        if (now >= deadline) {
            result.outcome = FetchOutcome::TimedOut;
            result.error = NoAnswerText(0);
            return result;
        }
        InitialiseCurl();
        std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
        if (!curl) {
            result.error = "cannot start a transfer";
            return result;
        }
        // No other protocol is ever spoken: a page must not reach local services through
        // gopher, dict, telnet and the like, nor files through a redirection.
        static const std::string protocols = AvailableProtocols({"http", "https", "ftp"});

        Body body;
        body.cap = options.maxBytes;
        std::unique_ptr<curl_slist, SlistDeleter> headers;
        auto addHeader = [&](const char* line) {
            curl_slist* grown = curl_slist_append(headers.get(), line);
            if (grown) {
                (void)headers.release();
                headers.reset(grown);
            }
        };
        addHeader("Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8");
        static const std::string language = "Accept-Language: " + AcceptLanguage();
        addHeader(language.c_str());
        if (options.noCache) {
            addHeader("Cache-Control: no-cache");
            addHeader("Pragma: no-cache");
        }
        // libcurl takes whole milliseconds and reads 0 as "no limit", so what is left is
        // rounded up: a deadline less than a millisecond away still limits the transfer.
        long remaining = 0;  // no limit
        if (deadline != std::chrono::steady_clock::time_point::max())
            remaining = std::max(1L, static_cast<long>(std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count()));

        CURL* h = curl.get();
        curl_easy_setopt(h, CURLOPT_URL, url.c_str());
        curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, protocols.c_str());
        curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, protocols.c_str());
        curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(h, CURLOPT_MAXREDIRS, kMaxRedirects);
        curl_easy_setopt(h, CURLOPT_AUTOREFERER, 1L);
        curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "");
        curl_easy_setopt(h, CURLOPT_USERAGENT, kUserAgent);
        curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
        curl_easy_setopt(h, CURLOPT_COOKIEFILE, "");
        if (options.cookies && options.cookies->Handle()) curl_easy_setopt(h, CURLOPT_SHARE, options.cookies->Handle());
        curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
        curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, remaining);
        curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, ProgressCheck);
        curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, Collect);
        curl_easy_setopt(h, CURLOPT_WRITEDATA, &body);
        if (options.noCache) curl_easy_setopt(h, CURLOPT_FRESH_CONNECT, 1L);

        const CurlCookies cookies = LoadCookiesInto(h);
        CURLcode rc = curl_easy_perform(h);
        SaveCookiesFrom(h, cookies);
        char* effective = nullptr;
        if (curl_easy_getinfo(h, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective) result.url = effective;
        curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &result.httpStatus);
        char* contentType = nullptr;
        curl_easy_getinfo(h, CURLINFO_CONTENT_TYPE, &contentType);

        if (rc == CURLE_OPERATION_TIMEDOUT || rc == CURLE_ABORTED_BY_CALLBACK) {
            result.outcome = FetchOutcome::TimedOut;
            result.error = NoAnswerText(remaining);
            return result;
        }
        if (rc != CURLE_OK && !(rc == CURLE_WRITE_ERROR && body.truncated)) {
            long osError = 0;
            curl_easy_getinfo(h, CURLINFO_OS_ERRNO, &osError);
            result.error = TransferFailureText(rc, h, static_cast<int>(osError));
            return result;
        }
        if (result.httpStatus >= 400) {
            result.error = HttpStatusText(result.httpStatus);
            return result;
        }
        if (body.truncated) {
            result.truncated = true;
            LogCut(result.url, body.cap);
        }
        std::string header = contentType ? ContentTypeCharset(contentType) : std::string();
        result.plainText = contentType && IsPlainText(contentType);
        // A plain text has no META tags: what looks like one is part of the text.
        result.charset = DetectCharset(body.bytes, header, options.useMetaCharset && !result.plainText);
        result.text = ToUtf8(body.bytes, result.charset);
        result.outcome = FetchOutcome::Loaded;
    } catch (const std::exception& e) {
        result.outcome = FetchOutcome::Failed;
        result.error = e.what();
    }
    return result;
}

FetchResult ReadLocalFile(const std::string& path, const FetchOptions& options) {
    FetchResult result;
    try {
        result.url = FileUrlFromPath(std::filesystem::absolute(path).string());
        std::error_code ec;
        if (!std::filesystem::is_regular_file(path, ec)) {
            result.notFound = !std::filesystem::exists(path, ec);
            result.error = result.notFound ? "file not found: " + path : "not a file: " + path;
            return result;
        }
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            result.error = "cannot open " + path;
            return result;
        }
        // Room for the file as it is now (plus one byte to notice a file that grew past the
        // cap), never the whole cap: most copies are small.
        std::uintmax_t size = std::filesystem::file_size(path, ec);
        if (ec) size = 0;
        const std::size_t cap = LocalFileCap(options.maxBytes);
        std::string bytes(static_cast<std::size_t>(std::min<std::uintmax_t>(size, cap)) + 1, '\0');
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (in.bad()) {
            result.error = "cannot read " + path;
            return result;
        }
        bytes.resize(static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > cap) {
            bytes.resize(cap);
            result.truncated = true;
            LogCut(path, cap);
        }
        result.charset = DetectCharset(bytes, "", options.useMetaCharset);
        result.text = ToUtf8(bytes, result.charset);
        result.outcome = FetchOutcome::Loaded;
    } catch (const std::exception& e) {
        result.outcome = FetchOutcome::Failed;
        result.error = e.what();
    }
    return result;
}

std::string PathFromFileUrl(const std::string& url) {
    std::unique_ptr<CURLU, UrlDeleter> handle(curl_url());
    if (!handle) return "";
    if (curl_url_set(handle.get(), CURLUPART_URL, url.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK) return "";
    char* scheme = nullptr;
    if (curl_url_get(handle.get(), CURLUPART_SCHEME, &scheme, 0) != CURLUE_OK) return "";
    bool isFile = std::strcmp(scheme, "file") == 0;
    curl_free(scheme);
    if (!isFile) return "";
    char* host = nullptr;
    if (curl_url_get(handle.get(), CURLUPART_HOST, &host, 0) == CURLUE_OK) {
        bool local = host[0] == '\0' || strcasecmp(host, "localhost") == 0;
        curl_free(host);
        if (!local) return "";
    }
    char* path = nullptr;
    if (curl_url_get(handle.get(), CURLUPART_PATH, &path, CURLU_URLDECODE) != CURLUE_OK) return "";
    std::string out = path;
    curl_free(path);
    return out;
}

std::string FileUrlFromPath(const std::string& path) {
    std::string out = "file://";
    static const char* const hex = "0123456789ABCDEF";
    for (unsigned char c : path) {
        bool plain = std::isalnum(c) || std::strchr("/-._~!$&'()*+,;=:@", c) != nullptr;
        if (plain && c != 0) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

}  // namespace pelmor::quillon
