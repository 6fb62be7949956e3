#pragma once

// Page retrieval for the rest of the program: URL utilities, loading a page through the
// headless loader (following META refresh redirections), the page cache of saved copies,
// and the change check of a page against its saved copy.
//
// An InternetHandler is created for one operation (or a few) and released. Every public
// operation catches its own failures, appends an error record to "PelmorHelper.log" and
// returns the neutral result given with it; nothing is thrown to the caller. Text
// comparisons ignore letter case. Not thread-safe: use one object per thread.

#include <cstdint>
#include <string>

namespace pelmor {

class InternetHandler {
public:
    InternetHandler();
    ~InternetHandler();
    InternetHandler(const InternetHandler&) = delete;
    InternetHandler& operator=(const InternetHandler&) = delete;

    // Always false: operations block the calling thread until they end.
    bool Busy() const { return false; }

    // `strURL` with "http://" (or "ftp://") in front when it names no protocol; text with a
    // protocol, local paths and text that is no URL come back unchanged. "" on failure.
    std::string GetValidURL(const std::string& strURL);
    // Host name of the (validated) URL without a leading "www."; the validated URL whole
    // when it has no host; "" on failure.
    std::string GetHostFromURL(const std::string& strURL);
    // `strRelativeURL` resolved against `strBaseURL`, unsafe characters escaped; an
    // absolute relative part comes back as it is. "" on failure.
    std::string GetCombinedURL(const std::string& strBaseURL, const std::string& strRelativeURL);
    // The number that names a saved copy: a position-weighted sum of the URL's character
    // codes salted with the clock (so not a pure function of the URL). 0 for "". On a
    // failure the sum reached so far.
    int32_t GetFileNameFromURL(const std::string& strURL);
};

}  // namespace pelmor
