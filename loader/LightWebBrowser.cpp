// SPDX-License-Identifier: GPL-3.0-or-later
#include "loader/LightWebBrowser.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <vector>

#include "loader/RenderClient.h"
#include "loader/Transport.h"
#include "loader/UrlRule.h"
#include "platform/core/Deadline.h"
#include "platform/html/Html.h"
#include "platform/log/Log.h"

namespace pelmor {
namespace {

using quillon::FetchOptions;
using quillon::FetchOutcome;
using quillon::FetchResult;

// Frames inside frames are loaded this many levels deep at most, and this many per load.
constexpr int kMaxFrameDepth = 4;
constexpr int kMaxFrames = 32;

struct UrlDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// `relative` resolved against `base`; "" when they do not make a URL.
std::string Resolve(std::string_view base, std::string_view relative) {
    std::unique_ptr<CURLU, UrlDeleter> handle(curl_url());
    if (!handle) return "";
    std::string baseText(base), relativeText(relative);
    if (curl_url_set(handle.get(), CURLUPART_URL, baseText.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK) return "";
    if (curl_url_set(handle.get(), CURLUPART_URL, relativeText.c_str(), CURLU_NON_SUPPORT_SCHEME | CURLU_URLENCODE) !=
        CURLUE_OK)
        return "";
    char* text = nullptr;
    if (curl_url_get(handle.get(), CURLUPART_URL, &text, 0) != CURLUE_OK || !text) return "";
    std::string out = text;
    curl_free(text);
    return out;
}

// Scheme, host and port of a URL in lower case ("http://example.com:80"); every file: URL
// shares the origin "file:"; "" when the URL has none.
std::string OriginOf(std::string_view url) {
    std::unique_ptr<CURLU, UrlDeleter> handle(curl_url());
    if (!handle) return "";
    std::string text(url);
    if (curl_url_set(handle.get(), CURLUPART_URL, text.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK) return "";
    auto part = [&](CURLUPart which, unsigned flags) {
        char* value = nullptr;
        std::string out;
        if (curl_url_get(handle.get(), which, &value, flags) == CURLUE_OK && value) out = value;
        curl_free(value);
        return Lower(out);
    };
    std::string scheme = part(CURLUPART_SCHEME, 0);
    if (scheme == "file") return "file:";
    return scheme + "://" + part(CURLUPART_HOST, 0) + ":" + part(CURLUPART_PORT, CURLU_DEFAULT_PORT);
}

// The address relative frame sources resolve against: the first BASE element's href
// when it makes a URL, else the document's own URL.
std::string BaseOf(const html::Document& document) {
    std::string url(document.URL());
    html::ElementList bases = document.getElementsByTagName("BASE");
    for (const html::Element& base : bases) {
        if (base.href().empty()) continue;
        std::string resolved = Resolve(url, base.href());
        if (!resolved.empty()) return resolved;
        break;
    }
    return url;
}

// Notes in the helper log that only the beginning of a page was read.
void LogNodeCap(const std::string& url) {
    try {
        log::Append(log::File::Helper, log::Kind::Information,
                    "Page cut at " + std::to_string(html::Document::MaxNodes()) + " nodes: " + url);
    } catch (const std::exception&) {
        // A log that cannot be written loses the note; the page is still checked.
    }
}

// A plain-text page as browsers show it: the whole text in one PRE, nothing parsed.
std::shared_ptr<html::Document> PlainTextDocument(std::string_view text, const std::string& url) {
    std::string escaped = "<html><head></head><body><pre>\n";  // the parser drops this first line feed
    escaped.reserve(text.size() + 64);
    for (char c : text) {
        switch (c) {
            case '&': escaped += "&amp;"; break;
            case '<': escaped += "&lt;"; break;
            case '>': escaped += "&gt;"; break;
            case '\0': escaped += "\xEF\xBF\xBD"; break;
            default: escaped += c;
        }
    }
    escaped += "</pre></body></html>";
    return html::Document::Parse(escaped, url);
}

FetchResult FetchAny(const std::string& url, const FetchOptions& options) {
    int scheme = LightWebBrowser::SchemeNumber(url);
    if (scheme >= 1 && scheme <= 4) {
        if (!quillon::IsWebUrl(url)) {
            FetchResult refused;
            refused.url = url;
            refused.error = "Not a web address";
            return refused;
        }
        return quillon::FetchUrl(url, options);
    }
    if (scheme == 5) {
        std::string path = quillon::PathFromFileUrl(url);
        if (path.empty()) {
            FetchResult failed;
            failed.url = url;
            failed.error = "not a local file: " + url;
            return failed;
        }
        return quillon::ReadLocalFile(path, options);
    }
    return quillon::ReadLocalFile(url, options);
}

}  // namespace

LightWebBrowser::LightWebBrowser() = default;
LightWebBrowser::~LightWebBrowser() = default;

int LightWebBrowser::SchemeNumber(std::string_view url) {
    std::size_t colon = url.find(':');
    if (colon == std::string_view::npos || colon == 0) return -1;
    std::string scheme = Lower(url.substr(0, colon));
    if (!std::all_of(scheme.begin(), scheme.end(), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
        }))
        return -1;
    static const char* const names[] = {"ftp",   "gopher",     "http",     "https", "file", "news",
                                        "mailto", "socks",      "javascript", "vbscript", "res"};
    for (int i = 0; i < 11; ++i)
        if (scheme == names[i]) return i + 1;
    return -1;
}

namespace {

// What one load's frames share: the fetch options, how many frames were loaded so far,
// the addresses of the frames being loaded (to stop a frame that holds its parent), and,
// when scripts are to run, whether a frame document holds script.
struct FrameLoad {
    explicit FrameLoad(const FetchOptions& fetchOptions) : options(fetchOptions) {}
    const FetchOptions& options;
    bool scripts = false;      // scripts run: NOSCRIPT content is no part of a frame
    bool detect = false;       // loading stops at a frame that holds script
    bool scriptFound = false;  // it did
    int loaded = 0;
    std::vector<std::string> chain;
};

// Loads the same-origin FRAMEs of `document` into its frame windows, depth first; other
// frames stay unloaded and inaccessible. IFRAMEs are not fetched: nothing saves or
// compares those of a page, and a page full of slow widgets would spend its time budget on
// them. When scripts run, loading stops at the first frame document that holds script
// (the whole page then goes to the script-running helper). False when the deadline passed
// meanwhile.
bool LoadFrames(html::Document& document, int depth, FrameLoad& load) {
    html::FrameCollection frames = document.frames();
    if (frames.length() == 0) return true;
    const std::string origin = OriginOf(document.URL());
    const std::string base = BaseOf(document);
    for (std::size_t i = 0; i < frames.length(); ++i) {
        html::FrameWindow window = frames.item(i);
        if (window.frameElement().nodeName() == "IFRAME") {
            window.SetAccessible(false);
            continue;
        }
        std::string url = Resolve(base, window.frameElement().src());
        bool allowed = !url.empty() && !origin.empty() && OriginOf(url) == origin &&
                       quillon::MayLeadTo(document.URL(), url) && depth < kMaxFrameDepth &&
                       load.loaded < kMaxFrames &&
                       std::none_of(load.chain.begin(), load.chain.end(), [&](const std::string& c) { return c == url; });
        if (!allowed) {
            window.SetAccessible(false);
            continue;
        }
        ++load.loaded;
        FetchResult result = FetchAny(url, load.options);
        if (result.outcome == FetchOutcome::TimedOut) return false;
        if (result.outcome != FetchOutcome::Loaded || OriginOf(result.url) != origin) {
            // A frame that did not load (or was redirected away) cannot be read.
            window.SetAccessible(false);
            continue;
        }
        std::shared_ptr<html::Document> child = result.plainText ? PlainTextDocument(result.text, result.url)
                                                                 : html::Document::Parse(result.text, result.url);
        if (child->NodeCapReached()) LogNodeCap(result.url);
        if (DeadlinePassed()) return false;  // the parse may have stopped short
        if (load.detect && !result.plainText && quillon::CanRunScript(*child)) {
            load.scriptFound = true;
            return true;
        }
        if (load.scripts) quillon::DropNoscriptContent(*child);
        load.chain.push_back(url);
        bool inTime = LoadFrames(*child, depth + 1, load);
        load.chain.pop_back();
        if (!inTime) return false;
        window.SetDocument(std::move(child));
        if (load.scriptFound) return true;
    }
    return true;
}

}  // namespace

quillon::LoadStatus LightWebBrowser::navigate(const std::string& url, const std::string& baseURL,
                                              std::shared_ptr<html::Document>& out) {
    out.reset();
    try {
        document_.reset();
        lastError_.clear();
        navigation_.clear();
        // One deadline for the page, its frames and their parsing; an earlier one set by
        // the caller (a whole load with its refresh hops, a check) still holds.
        const ScopedDeadline limit(std::chrono::steady_clock::now() +
                                   std::chrono::milliseconds(quillon::kTimeoutMilliseconds));
        FetchOptions options;
        options.noCache = ignoreProxyCache_ || resynchronize_;
        options.useMetaCharset = !suppressMETACharset_;
        options.offline = forceOffline_;
        options.deadline = CurrentDeadline();
        std::shared_ptr<quillon::CookieJar> cookies = cookies_ ? cookies_ : std::make_shared<quillon::CookieJar>();
        options.cookies = cookies.get();

        const int scheme = SchemeNumber(url);
        FetchResult result = FetchAny(url, options);
        if (result.outcome != FetchOutcome::Loaded) lastError_ = result.error.empty() ? url : result.error;
        if (result.outcome == FetchOutcome::TimedOut) return quillon::LoadStatus::Ok;
        if (result.outcome != FetchOutcome::Loaded) {
            if (scheme >= 1 && scheme <= 4) return quillon::LoadStatus::PageNotFound;
            return result.notFound ? quillon::LoadStatus::FileNotFound : quillon::LoadStatus::Failed;
        }
        document_ = result.plainText ? PlainTextDocument(result.text, result.url)
                                     : html::Document::Parse(result.text, result.url);
        if (document_->NodeCapReached()) LogNodeCap(result.url);
        if (DeadlinePassed()) {
            lastError_ = "timed out reading " + result.url;
            document_.reset();
            return quillon::LoadStatus::Ok;
        }
        const bool scripted = executeScripts_ && (scheme == 3 || scheme == 4) && !result.plainText;
        auto loadFrames = [&](bool detectScript, bool& scriptFound) {
            FrameLoad load(options);
            load.scripts = scripted;
            load.detect = detectScript;
            load.chain.push_back(result.url);
            bool inTime = LoadFrames(*document_, 0, load);
            scriptFound = load.scriptFound;
            if (!inTime) {
                lastError_ = "timed out loading the frames of " + result.url;
                document_.reset();
            }
            return inTime;
        };
        bool framesLoaded = false;
        if (scripted) {
            // A page with scripts, in itself or in a frame, is loaded again by the
            // script-running helper; one without gives the same document either way and
            // keeps the quick direct road.
            bool script = quillon::CanRunScript(*document_);
            if (!script && downloadFrames_) {
                if (!loadFrames(true, script)) return quillon::LoadStatus::Ok;
                framesLoaded = !script;
            }
            if (script) {
                // A page that runs script is only ever read with its scripts run: without
                // them it would differ from every copy made with them.
                std::shared_ptr<html::Document> rendered;
                // The helper runs the page as fetched (decoded and cut as read here), at its
                // final address.
                quillon::RenderOptions render{downloadImages_, downloadFrames_, options.noCache, result.text};
                quillon::RenderResult rendering;
                quillon::RenderStatus status =
                    quillon::LoadRendered(result.url, render, options.deadline, rendered, rendering);
                navigation_ = rendering.navigation;
                lastError_ = rendering.error;
                switch (status) {
                    case quillon::RenderStatus::Loaded:
                        document_ = std::move(rendered);
                        return HandOut(baseURL, out);
                    case quillon::RenderStatus::TimedOut:
                        document_.reset();
                        return quillon::LoadStatus::Ok;
                    case quillon::RenderStatus::Failed:
                        document_.reset();
                        return quillon::LoadStatus::PageNotFound;
                    case quillon::RenderStatus::Unavailable:
                        lastError_ = "Scripts could not be run: " + rendering.error;
                        document_.reset();
                        return quillon::LoadStatus::PageNotFound;
                }
            }
            quillon::DropNoscriptContent(*document_);
        }
        if (downloadFrames_ && !framesLoaded) {
            bool ignored = false;
            if (!loadFrames(false, ignored)) return quillon::LoadStatus::Ok;
        }
        return HandOut(baseURL, out);
    } catch (const std::exception& error) {
        lastError_ = error.what();
        document_.reset();
        return quillon::LoadStatus::Failed;
    }
}

quillon::LoadStatus LightWebBrowser::HandOut(const std::string& base, std::shared_ptr<html::Document>& out) {
    if (!base.empty()) {
        quillon::LoadStatus status = ApplyBaseURL(*document_, base);
        if (status != quillon::LoadStatus::Ok) {
            document_.reset();
            return status;
        }
    }
    out = std::move(document_);
    return quillon::LoadStatus::Ok;
}

quillon::LoadStatus LightWebBrowser::LoadString(const std::string& htmlText, const std::string& baseURL,
                                                std::shared_ptr<html::Document>& out) {
    out.reset();
    try {
        document_ = html::Document::Parse(htmlText, "about:blank");
        return HandOut(baseURL, out);
    } catch (const std::exception&) {
        document_.reset();
        return quillon::LoadStatus::Failed;
    }
}

quillon::LoadStatus LightWebBrowser::ApplyBaseURL(html::Document& document, std::string_view base) {
    try {
        html::Element fresh = document.createElement("BASE");
        if (!fresh || !fresh.setAttribute("href", base)) return quillon::LoadStatus::Failed;
        html::ElementList heads = document.getElementsByTagName("HEAD");
        html::ElementList bases =
            heads.length() > 0 ? heads.item(0).getElementsByTagName("BASE") : document.getElementsByTagName("BASE");
        if (bases.length() > 0) {
            html::Element first = bases.item(0);
            if (first.href().empty() && !first.setAttribute("href", base)) return quillon::LoadStatus::Failed;
            return quillon::LoadStatus::Ok;
        }
        if (heads.length() > 0)
            return heads.item(0).appendChild(fresh) ? quillon::LoadStatus::Ok : quillon::LoadStatus::Failed;
        html::Element second = document.getElementsByTagName("*").item(1);
        if (!second) return quillon::LoadStatus::Failed;
        return second.parentNode().insertBefore(fresh, second) ? quillon::LoadStatus::Ok : quillon::LoadStatus::Failed;
    } catch (const std::exception&) {
        return quillon::LoadStatus::Failed;
    }
}

}  // namespace pelmor
