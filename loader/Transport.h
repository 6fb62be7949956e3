// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Fetching the bytes of one page, over the network through libcurl or from a local file,
// and turning them into UTF-8 text. Used by the loader; never throws.

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

namespace pelmor::quillon {

// A page is cut after this many bytes (after decompression); the cut is logged.
inline constexpr std::size_t kMaxBodyBytes = 20u * 1024u * 1024u;
// A local file (a saved copy) is cut after this many bytes: a page read up to `maxBytes`
// and saved as UTF-16 takes at most two bytes for each byte read, plus the byte-order mark
// and what saving adds (the BASE tag, frame sources pointing at their copies).
constexpr std::size_t LocalFileCap(std::size_t maxBytes) { return 2 * maxBytes + 2 + 65536; }
// Redirections followed for one fetch before it fails.
inline constexpr long kMaxRedirects = 20;
// The user agent sent with every request: that of a current desktop browser on Linux,
// since some sites refuse agents they do not know.
extern const char* const kUserAgent;
// The Accept-Language a browser would send for the user's locale (LC_ALL, LC_MESSAGES or
// LANG): "de-DE,de;q=0.9,en;q=0.8" for "de_DE.UTF-8"; "en-US,en;q=0.9" for none or C/POSIX.
std::string AcceptLanguage();

// Cookies kept across the fetches of one load (the page, its redirections and refreshes,
// its frames). Fetches that share a jar send back what earlier ones were given. Use from
// one thread at a time.
class CookieJar {
public:
    CookieJar();
    ~CookieJar();
    CookieJar(const CookieJar&) = delete;
    CookieJar& operator=(const CookieJar&) = delete;
    void* Handle() const { return share_; }  // the libcurl share handle

private:
    void* share_ = nullptr;
};

struct FetchOptions {
    // Send "Cache-Control: no-cache" and "Pragma: no-cache", so caches on the way revalidate.
    bool noCache = false;
    // Let a META charset declaration choose the encoding (after a BOM and the HTTP header).
    bool useMetaCharset = true;
    // Never touch the network; network URLs fail at once.
    bool offline = false;
    // The whole fetch, redirections included, ends by this time.
    std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();
    // Cap for a page from the network; local files get LocalFileCap(maxBytes).
    std::size_t maxBytes = kMaxBodyBytes;
    // Cookies to send and to keep; none kept beyond the fetch's own redirections when null.
    CookieJar* cookies = nullptr;
};

enum class FetchOutcome { Loaded, TimedOut, Failed };

struct FetchResult {
    FetchOutcome outcome = FetchOutcome::Failed;
    std::string url;      // where the page came from, after redirections
    std::string text;     // the page as UTF-8
    std::string charset;  // the encoding the bytes were read in
    long httpStatus = 0;  // 0 for files
    bool truncated = false;
    bool plainText = false;  // served as text/plain: one text, not HTML
    bool notFound = false;  // a missing local file
    std::string error;      // why it failed, for logs
};

// Fetches an http, https or ftp URL (any other protocol fails): redirections followed (at
// most kMaxRedirects, and only to http, https or ftp), gzip/deflate/brotli bodies decoded, TLS certificates
// and host names verified, cookies kept for the chain. An HTTP status of 400 or more is a
// failure (an error page never stands in for the page). Never throws.
FetchResult FetchUrl(const std::string& url, const FetchOptions& options);

// Reads a local file (a path, not a URL) as a page: the BOM decides first, so saved copies
// in UTF-16 read back whole. A missing file fails with notFound set. Never throws.
FetchResult ReadLocalFile(const std::string& path, const FetchOptions& options);

// The local path a file: URL names ("file:///tmp/a%20b.html" gives "/tmp/a b.html"); ""
// when `url` is not a file: URL of this machine.
std::string PathFromFileUrl(const std::string& url);
// The file: URL of an absolute local path, with unsafe characters escaped.
std::string FileUrlFromPath(const std::string& path);

}  // namespace pelmor::quillon
