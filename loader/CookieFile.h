// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The program's one cookie jar: a file "cookies.txt" in the data folder, in the cookie-file
// format that libcurl reads and writes (one cookie per line, tab-separated: domain,
// subdomains flag, path, secure flag, expiry in seconds since 1970 or 0 for a session
// cookie, name, value; "#HttpOnly_" before the domain of an HttpOnly cookie). Every load
// of the program reads it: the direct loader, the script-running helper and any browser
// window, so a cookie one of them received is sent by the others.
//
// Several processes share the file. Readers take the file as it is (it is always replaced
// whole); a writer merges its changes into the newest content under an exclusive lock, so
// concurrent changes of different cookies all survive. Nothing here throws.

#include <string>
#include <string_view>
#include <vector>

namespace pelmor::quillon {

struct Cookie {
    std::string domain;  // ".example.com" for a cookie of the domain and its subdomains
    bool includeSubdomains = false;
    std::string path = "/";
    bool secure = false;
    long long expires = 0;  // seconds since 1970; 0 for a session cookie
    std::string name;
    std::string value;
    bool httpOnly = false;

    // Domain, path and name in the form that identifies one cookie.
    std::string Key() const;
};

// One line of the jar for `cookie`.
std::string CookieLine(const Cookie& cookie);
// Reads one line of the jar; false for comments, blank and malformed lines.
bool ParseCookieLine(std::string_view line, Cookie& cookie);

// Path of the program's jar: "cookies.txt" in the data folder of this moment.
std::string CookieJarPath();

// The unexpired cookies of the jar at `path`; none when it is missing or unreadable.
std::vector<Cookie> ReadCookieJar(const std::string& path);

// One change to the jar: a cookie set (or replaced), or a cookie removed.
struct CookieChange {
    bool remove = false;
    Cookie cookie;
};
// Applies the changes, in order, to the jar's newest content and writes it back whole.
// A removal takes away the cookie of that key whatever its value. The jar keeps a
// browser's limits: no cookie over 4 KB, at most 50 per domain and 1,000 in all, the
// oldest going first. False when the jar cannot be written (or locked before the
// thread's deadline).
bool MergeIntoCookieJar(const std::string& path, const std::vector<CookieChange>& changes);

// The direct loader's side: a libcurl handle gets the jar's cookies before a transfer,
// and the cookies the transfer set or removed go back into the jar afterwards.
struct CurlCookies {
    std::string jar;
    std::vector<Cookie> before;
};
CurlCookies LoadCookiesInto(void* curlHandle);
void SaveCookiesFrom(void* curlHandle, const CurlCookies& loaded);

}  // namespace pelmor::quillon
