// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The headless page loader: turns an address or HTML text into a parsed HTML document
// without any window. One object serves one load (a second call replaces the document).
//
// Loading blocks the calling thread until the page (and, when wanted, its frames) has
// arrived, at most 7.5 seconds after navigate() started (or until an earlier deadline the
// calling thread set, see platform/core/Deadline.h); a page that takes longer comes back
// as a successful call without a document. Nothing is thrown: every operation
// answers a LoadStatus.
//
// What the options mean here. With ExecuteScripts set, an http or https page whose HTML,
// or that of one of its frames, can run script is loaded again by the script-running
// helper (loader/RenderClient.h) and comes back as its scripts left it, NOSCRIPT content
// dropped (when no helper can run it, the load fails rather than answer the page without
// its scripts); a page without script anywhere, and every load without ExecuteScripts, takes
// the direct road and runs nothing. Plug-ins, applets, sounds and videos are never run.
// On the direct road images are never fetched, since nothing reads their data; the helper
// fetches them only with DownloadImages. Frames are fetched when DownloadFrames is set:
// same-origin frame documents are loaded into the document's `frames` collection, at most
// 4 levels deep and 32 per load; a frame of another origin stays unloaded and
// inaccessible, as in any browser; a page from the network never makes the loader read a
// local file, and a local file only reads the files beside it (loader/UrlRule.h: such
// frames stay inaccessible too). The direct road fetches FRAMEs only and leaves IFRAMEs
// inaccessible; the helper, which loads IFRAMEs for the page's scripts anyway, hands back
// the same-origin ones readable too. IgnoreProxyCache and Resynchronize
// send no-cache request headers; ForceOffline refuses network addresses;
// SuppressMETACharset ignores META charset declarations.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace pelmor::html {
class Document;
}
namespace pelmor::quillon {
class CookieJar;
}

namespace pelmor {

namespace quillon {
// What a load answers.
enum class LoadStatus {
    Ok,            // loaded, or timed out without a document
    Failed,        // anything else
    FileNotFound,  // a local file that does not exist
    PageNotFound,  // a web page that did not load
};
// Time allowed for one navigate(), frames included.
inline constexpr int kTimeoutMilliseconds = 7500;
}  // namespace quillon

class LightWebBrowser {
public:
    LightWebBrowser();
    ~LightWebBrowser();
    LightWebBrowser(const LightWebBrowser&) = delete;
    LightWebBrowser& operator=(const LightWebBrowser&) = delete;

    // Loads a URL. Schemes ftp, http, https and file load as URLs, gopher fails; anything
    // else (no scheme at all included) is read as a local file name. A non-empty
    // `baseURL` is applied with ApplyBaseURL. On success the document comes back in
    // `out`; after the time-out the result is Ok and `out` is
    // empty; a failure answers its status and no document.
    quillon::LoadStatus navigate(const std::string& url, const std::string& baseURL,
                                 std::shared_ptr<html::Document>& out);
    // Parses HTML text (UTF-8) into a document at "about:blank"; base as for navigate.
    quillon::LoadStatus LoadString(const std::string& htmlText, const std::string& baseURL,
                                   std::shared_ptr<html::Document>& out);

    // Gives the document a base: a new BASE element with href `base` goes last into the
    // first HEAD, unless that HEAD has a BASE already, whose href is then set when empty
    // (a non-empty href stays). Without a HEAD the same holds for the whole document, the
    // new BASE going before its second element. Failed when that is not possible.
    static quillon::LoadStatus ApplyBaseURL(html::Document& document, std::string_view base);

    // Cookies for the loads of this object: the page, its redirections and its frames
    // send back what earlier answers set. Without a jar each navigate() keeps its own.
    void SetCookieJar(std::shared_ptr<quillon::CookieJar> jar) { cookies_ = std::move(jar); }

    // Why the last navigate() failed or timed out, for logs; "" after a success. A page that
    // holds script but could not be run with it fails with "Scripts could not be run: "
    // and the reason.
    const std::string& LastError() const { return lastError_; }
    // Where the page of the last navigate() asked to go by itself, with a script or a
    // refresh the script-running helper did not follow; "" for nowhere. The caller judges
    // it by its own refresh rule.
    const std::string& Navigation() const { return navigation_; }

    // Scheme number of a URL: 1 ftp, 2 gopher, 3 http, 4 https, 5 file, 6 news, 7 mailto,
    // 9 javascript, 10 vbscript, 11 res; -1 when it has none or none of those.
    static int SchemeNumber(std::string_view url);

    void SetDownloadImages(bool value) { downloadImages_ = value; }
    void SetForceOffline(bool value) { forceOffline_ = value; }
    void SetDownloadFrames(bool value) { downloadFrames_ = value; }
    void SetSuppressMETACharset(bool value) { suppressMETACharset_ = value; }
    void SetExecuteScripts(bool value) { executeScripts_ = value; }
    void SetIgnoreProxyCache(bool value) { ignoreProxyCache_ = value; }
    void SetResynchronize(bool value) { resynchronize_ = value; }

private:
    // Applies a non-empty base to the held document and hands it out; on failure the
    // document is dropped and the failure answered.
    quillon::LoadStatus HandOut(const std::string& base, std::shared_ptr<html::Document>& out);

    std::shared_ptr<html::Document> document_;
    std::string lastError_;
    std::string navigation_;
    std::shared_ptr<quillon::CookieJar> cookies_;

    bool downloadImages_ = false;
    bool forceOffline_ = false;
    bool downloadFrames_ = true;
    bool suppressMETACharset_ = false;
    bool executeScripts_ = false;
    bool ignoreProxyCache_ = false;
    bool resynchronize_ = false;
};

}  // namespace pelmor
