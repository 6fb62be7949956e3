// SPDX-License-Identifier: GPL-3.0-or-later
#include "loader/CookieFile.h"

#include <curl/curl.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <ctime>
#include <map>

#include "platform/core/Deadline.h"
#include "platform/core/Files.h"
#include "platform/core/Folders.h"

namespace pelmor::quillon {
namespace {

constexpr std::string_view kHttpOnlyPrefix = "#HttpOnly_";

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool Expired(const Cookie& cookie, long long now) { return cookie.expires != 0 && cookie.expires <= now; }

// The jar keeps what a browser keeps: a cookie of more than kMaxCookieBytes (name and
// value) is refused, and past kMaxCookiesPerDomain cookies of one domain, or kMaxCookies
// in all, the oldest go first.
constexpr std::size_t kMaxCookieBytes = 4096;
constexpr std::size_t kMaxCookiesPerDomain = 50;
constexpr std::size_t kMaxCookies = 1000;

std::string DomainOf(const Cookie& cookie) {
    std::string_view domain = cookie.domain;
    if (!domain.empty() && domain[0] == '.') domain.remove_prefix(1);
    return Lower(domain);
}

// Drops the oldest cookies (the jar lists them oldest first) past the limits.
void Trim(std::vector<Cookie>& cookies) {
    std::map<std::string, std::size_t> perDomain;
    for (const Cookie& cookie : cookies) ++perDomain[DomainOf(cookie)];
    std::size_t total = cookies.size();
    std::vector<Cookie> kept;
    kept.reserve(std::min(total, kMaxCookies));
    for (Cookie& cookie : cookies) {
        std::size_t& left = perDomain[DomainOf(cookie)];
        if (left > kMaxCookiesPerDomain || total > kMaxCookies) {
            --left;
            --total;
            continue;
        }
        kept.push_back(std::move(cookie));
    }
    cookies.swap(kept);
}

std::vector<Cookie> ParseJar(std::string_view text) {
    std::vector<Cookie> cookies;
    const long long now = static_cast<long long>(std::time(nullptr));
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        Cookie cookie;
        if (ParseCookieLine(text.substr(at, end - at), cookie) && !Expired(cookie, now))
            cookies.push_back(std::move(cookie));
        at = end + 1;
    }
    return cookies;
}

std::string ReadJarText(const std::string& path) {
    try {
        return ReadWholeFile(path);
    } catch (const std::exception&) {
        return "";
    }
}

// Holds an exclusive lock on "<jar>.lock" for its lifetime; locked() is false when the
// lock file cannot be made, or the lock not had before the thread's deadline.
class JarLock {
public:
    explicit JarLock(const std::string& jar) {
        fd_ = ::open((jar + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0) return;
        while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            if ((errno != EWOULDBLOCK && errno != EINTR) || DeadlinePassed()) {
                ::close(fd_);
                fd_ = -1;
                return;
            }
            ::usleep(2000);
        }
    }
    ~JarLock() {
        if (fd_ >= 0) ::close(fd_);  // closing releases the lock
    }
    JarLock(const JarLock&) = delete;
    JarLock& operator=(const JarLock&) = delete;
    bool locked() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

}  // namespace

std::string Cookie::Key() const { return Lower(domain) + '\t' + path + '\t' + name; }

std::string CookieLine(const Cookie& cookie) {
    std::string line;
    if (cookie.httpOnly) line += kHttpOnlyPrefix;
    line += cookie.domain;
    line += cookie.includeSubdomains ? "\tTRUE\t" : "\tFALSE\t";
    line += cookie.path.empty() ? "/" : cookie.path;
    line += cookie.secure ? "\tTRUE\t" : "\tFALSE\t";
    line += std::to_string(cookie.expires);
    line += '\t';
    line += cookie.name;
    line += '\t';
    line += cookie.value;
    return line;
}

bool ParseCookieLine(std::string_view line, Cookie& cookie) {
    cookie = Cookie();
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.substr(0, kHttpOnlyPrefix.size()) == kHttpOnlyPrefix) {
        cookie.httpOnly = true;
        line.remove_prefix(kHttpOnlyPrefix.size());
    } else if (line.empty() || line[0] == '#') {
        return false;
    }
    std::vector<std::string_view> fields;
    std::size_t at = 0;
    while (fields.size() < 6) {
        std::size_t tab = line.find('\t', at);
        if (tab == std::string_view::npos) return false;
        fields.push_back(line.substr(at, tab - at));
        at = tab + 1;
    }
    fields.push_back(line.substr(at));  // the value may hold anything but a line end
    if (fields[0].empty() || fields[5].empty()) return false;
    cookie.domain = std::string(fields[0]);
    cookie.includeSubdomains = fields[1] == "TRUE";
    cookie.path = fields[2].empty() ? "/" : std::string(fields[2]);
    cookie.secure = fields[3] == "TRUE";
    auto [end, error] = std::from_chars(fields[4].data(), fields[4].data() + fields[4].size(), cookie.expires);
    if (error != std::errc() || end != fields[4].data() + fields[4].size()) return false;
    cookie.name = std::string(fields[5]);
    cookie.value = std::string(fields[6]);
    return true;
}

std::string CookieJarPath() { return DataFolder() + "/cookies.txt"; }

std::vector<Cookie> ReadCookieJar(const std::string& path) { return ParseJar(ReadJarText(path)); }

bool MergeIntoCookieJar(const std::string& path, const std::vector<CookieChange>& changes) {
    if (changes.empty()) return true;
    try {
        std::string folder = path.substr(0, path.find_last_of('/'));
        if (!folder.empty() && !EnsureFolder(folder)) return false;
        JarLock lock(path);
        if (!lock.locked()) return false;
        // Keep the jar's order: cookies in the order they first arrived.
        std::vector<Cookie> cookies = ReadCookieJar(path);
        for (const CookieChange& change : changes) {
            const std::string key = change.cookie.Key();
            auto same = std::find_if(cookies.begin(), cookies.end(), [&](const Cookie& c) { return c.Key() == key; });
            if (change.remove) {
                if (same != cookies.end()) cookies.erase(same);
            } else if (change.cookie.name.size() + change.cookie.value.size() > kMaxCookieBytes) {
                continue;
            } else if (same != cookies.end()) {
                *same = change.cookie;
            } else {
                cookies.push_back(change.cookie);
            }
        }
        Trim(cookies);
        const long long now = static_cast<long long>(std::time(nullptr));
        std::string text = "# Pelmor cookie jar: the cookies of every page load of the program.\n";
        for (const Cookie& cookie : cookies) {
            // A line end inside a field would split the cookie; such a cookie is dropped.
            std::string line = CookieLine(cookie);
            if (Expired(cookie, now) || line.find_first_of("\r\n") != std::string::npos) continue;
            text += line;
            text += '\n';
        }
        // A new jar is readable by its owner only: it may hold log-in sessions.
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        if (fd >= 0) ::close(fd);
        WriteFileAtomically(path, text);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

CurlCookies LoadCookiesInto(void* curlHandle) {
    CurlCookies loaded;
    try {
        loaded.jar = CookieJarPath();
        loaded.before = ReadCookieJar(loaded.jar);
        for (const Cookie& cookie : loaded.before)
            curl_easy_setopt(static_cast<CURL*>(curlHandle), CURLOPT_COOKIELIST, CookieLine(cookie).c_str());
    } catch (const std::exception&) {
        loaded.before.clear();
    }
    return loaded;
}

void SaveCookiesFrom(void* curlHandle, const CurlCookies& loaded) {
    if (loaded.jar.empty()) return;
    try {
        curl_slist* list = nullptr;
        if (curl_easy_getinfo(static_cast<CURL*>(curlHandle), CURLINFO_COOKIELIST, &list) != CURLE_OK) return;
        std::map<std::string, Cookie> after;
        for (curl_slist* item = list; item; item = item->next) {
            Cookie cookie;
            if (item->data && ParseCookieLine(item->data, cookie)) after[cookie.Key()] = std::move(cookie);
        }
        curl_slist_free_all(list);
        std::map<std::string, std::string> before;
        for (const Cookie& cookie : loaded.before) before[cookie.Key()] = CookieLine(cookie);
        std::vector<CookieChange> changes;
        for (const auto& [key, cookie] : after) {
            auto it = before.find(key);
            if (it == before.end() || it->second != CookieLine(cookie)) changes.push_back({false, cookie});
        }
        for (const Cookie& cookie : loaded.before)
            if (!after.count(cookie.Key())) changes.push_back({true, cookie});
        MergeIntoCookieJar(loaded.jar, changes);
    } catch (const std::exception&) {
        // Cookies that cannot be kept are lost; the page itself loaded.
    }
}

}  // namespace pelmor::quillon
