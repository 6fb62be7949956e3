// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The headless page loader: turns an address or HTML text into a parsed HTML document
// without any window. One object serves one load (a second call replaces the document).
//
// Loading blocks the calling thread until the page (and, when wanted, its frames) has
// arrived, at most 7.5 seconds after navigate() started (or until an earlier deadline the
// calling thread set, see platform/core/Deadline.h); a page that takes longer comes back
// as a successful call without a document. Nothing is thrown: every operation
// answers a status code (0 for success, a negative HRESULT-style code for a failure).
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
// SuppressMETACharset ignores META charset declarations. The remaining options only
// change the download-control value.

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
// Status codes answered by the loader.
inline constexpr long kOk = 0;
inline constexpr long kFail = static_cast<int32_t>(0x80004005u);             // E_FAIL
inline constexpr long kFileNotFound = static_cast<int32_t>(0x80070002u);     // a missing local file
inline constexpr long kResourceNotFound = static_cast<int32_t>(0x800C0005u); // a web page that did not load
// Download-control flags, one per option.
inline constexpr uint32_t DLCTL_DLIMAGES = 0x10;
inline constexpr uint32_t DLCTL_VIDEOS = 0x20;
inline constexpr uint32_t DLCTL_BGSOUNDS = 0x40;
inline constexpr uint32_t DLCTL_NO_SCRIPTS = 0x80;
inline constexpr uint32_t DLCTL_NO_JAVA = 0x100;
inline constexpr uint32_t DLCTL_NO_RUNACTIVEXCTLS = 0x200;
inline constexpr uint32_t DLCTL_NO_DLACTIVEXCTLS = 0x400;
inline constexpr uint32_t DLCTL_DOWNLOADONLY = 0x800;
inline constexpr uint32_t DLCTL_NO_FRAMEDOWNLOAD = 0x1000;
inline constexpr uint32_t DLCTL_RESYNCHRONIZE = 0x2000;
inline constexpr uint32_t DLCTL_PRAGMA_NO_CACHE = 0x4000;
inline constexpr uint32_t DLCTL_NO_METACHARSET = 0x10000;
inline constexpr uint32_t DLCTL_FORCEOFFLINE = 0x10000000;
inline constexpr uint32_t DLCTL_SILENT = 0x40000000;
inline constexpr uint32_t DLCTL_OFFLINEIFNOTCONNECTED = 0x80000000;
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
    // `bstrBaseURL` is applied with ApplyBaseURL. On success the document comes back in
    // `ppHTMLDocument`; after the time-out the result is kOk and `ppHTMLDocument` is
    // empty; a failure answers its status and no document.
    long navigate(const std::string& bstrURL, const std::string& bstrBaseURL,
                  std::shared_ptr<html::Document>& ppHTMLDocument);
    // Parses HTML text (UTF-8) into a document at "about:blank"; base as for navigate.
    long LoadString(const std::string& bstrHTML, const std::string& bstrBaseURL,
                    std::shared_ptr<html::Document>& ppHTMLDocument);

    // Gives the document a base: a new BASE element with href `base` goes last into the
    // first HEAD, unless that HEAD has a BASE already, whose href is then set when empty
    // (a non-empty href stays). Without a HEAD the same holds for the whole document, the
    // new BASE going before its second element. kFail when that is not possible.
    static long ApplyBaseURL(html::Document& document, std::string_view base);

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

    // The download-control value: the OR of the flags of the options as set now.
    uint32_t DownloadControl() const;

    // Scheme number of a URL: 1 ftp, 2 gopher, 3 http, 4 https, 5 file, 6 news, 7 mailto,
    // 9 javascript, 10 vbscript, 11 res; -1 when it has none or none of those.
    static int SchemeNumber(std::string_view url);

    bool BackgroundSounds() const { return backgroundSounds_; }
    void SetBackgroundSounds(bool value) { backgroundSounds_ = value; }
    bool DownloadImages() const { return downloadImages_; }
    void SetDownloadImages(bool value) { downloadImages_ = value; }
    bool DownloadOnly() const { return downloadOnly_; }
    void SetDownloadOnly(bool value) { downloadOnly_ = value; }
    bool ForceOffline() const { return forceOffline_; }
    void SetForceOffline(bool value) { forceOffline_ = value; }
    bool DownloadActiveX() const { return downloadActiveX_; }
    void SetDownloadActiveX(bool value) { downloadActiveX_ = value; }
    bool DownloadFrames() const { return downloadFrames_; }
    void SetDownloadFrames(bool value) { downloadFrames_ = value; }
    bool ExecuteJavaApplets() const { return executeJavaApplets_; }
    void SetExecuteJavaApplets(bool value) { executeJavaApplets_ = value; }
    bool SuppressMETACharset() const { return suppressMETACharset_; }
    void SetSuppressMETACharset(bool value) { suppressMETACharset_ = value; }
    bool RunActiveX() const { return runActiveX_; }
    void SetRunActiveX(bool value) { runActiveX_ = value; }
    bool ExecuteScripts() const { return executeScripts_; }
    void SetExecuteScripts(bool value) { executeScripts_ = value; }
    bool OfflineIfNotConnected() const { return offlineIfNotConnected_; }
    void SetOfflineIfNotConnected(bool value) { offlineIfNotConnected_ = value; }
    bool IgnoreProxyCache() const { return ignoreProxyCache_; }
    void SetIgnoreProxyCache(bool value) { ignoreProxyCache_ = value; }
    bool Resynchronize() const { return resynchronize_; }
    void SetResynchronize(bool value) { resynchronize_ = value; }
    bool Silent() const { return silent_; }
    void SetSilent(bool value) { silent_ = value; }
    bool PlayVideos() const { return playVideos_; }
    void SetPlayVideos(bool value) { playVideos_ = value; }

private:
    // Applies a non-empty base to the held document and hands it out; on failure the
    // document is dropped and the failure answered.
    long HandOut(const std::string& base, std::shared_ptr<html::Document>& out);

    std::shared_ptr<html::Document> document_;
    std::string lastError_;
    std::string navigation_;
    std::shared_ptr<quillon::CookieJar> cookies_;

    bool backgroundSounds_ = false;
    bool downloadImages_ = false;
    bool downloadOnly_ = true;
    bool forceOffline_ = false;
    bool downloadActiveX_ = false;
    bool downloadFrames_ = true;
    bool executeJavaApplets_ = false;
    bool suppressMETACharset_ = false;
    bool runActiveX_ = false;
    bool executeScripts_ = false;
    bool offlineIfNotConnected_ = false;
    bool ignoreProxyCache_ = false;
    bool resynchronize_ = false;
    bool silent_ = true;
    bool playVideos_ = false;
};

}  // namespace pelmor
