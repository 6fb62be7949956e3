// SPDX-License-Identifier: GPL-3.0-or-later
#include "retrieval/InternetHandler.h"

#include <cctype>
#include <filesystem>

#include "loader/LightWebBrowser.h"
#include "loader/Transport.h"
#include "loader/UrlRule.h"
#include "platform/core/Deadline.h"
#include "platform/core/Failure.h"
#include "platform/core/Strings.h"
#include "platform/html/Html.h"
#include "platform/log/Log.h"
#include "preferences/LibraryLog.h"
#include "retrieval/Urls.h"

namespace pelmor {
namespace {

constexpr const char* kSource = "InternetHandler";
constexpr const char* kLoaderSource = "Quillon.LightWebBrowser";
// META refresh redirections followed in a row before the page reached is taken as it is.
constexpr int kMaxRefreshHops = 10;

bool NamesLocalFile(const std::string& text) {
    std::error_code ec;
    return !text.empty() && std::filesystem::exists(text, ec);
}

// The refresh target as written after "url=": blanks around it and one pair of quotes
// around it are not part of the address.
std::string_view RefreshTarget(std::string_view text) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    if (text.size() >= 1 && (text.front() == '\'' || text.front() == '"')) {
        char quote = text.front();
        text.remove_prefix(1);
        std::size_t close = text.find(quote);
        if (close != std::string_view::npos) text = text.substr(0, close);
    }
    return text;
}

// The kind of failure a load that did not succeed stands for.
Fault FaultOf(quillon::LoadStatus status) {
    switch (status) {
        case quillon::LoadStatus::FileNotFound:
            return Fault::FileNotFound;
        case quillon::LoadStatus::PageNotFound:
            return Fault::PageNotLoaded;
        default:
            return Fault::Failed;
    }
}

}  // namespace

InternetHandler::InternetHandler() { tamsin::OpenLibraryLog(); }
InternetHandler::~InternetHandler() = default;

std::string InternetHandler::GetValidURL(const std::string& url) {
    try {
        return tamsin::GuessProtocol(url);
    } catch (const std::exception& error) {
        tamsin::LogFailure(error, kSource, "");
        return "";
    }
}

std::string InternetHandler::GetHostFromURL(const std::string& address) {
    try {
        std::string url = tamsin::GuessProtocol(address);
        std::string host;
        if (!tamsin::HostOf(url, host)) return url;
        return host;
    } catch (const std::exception& error) {
        tamsin::LogFailure(error, kSource, "GetHostFromURL");
        return "";
    }
}

std::string InternetHandler::GetCombinedURL(const std::string& baseURL, const std::string& relativeURL) {
    try {
        return tamsin::CombineUrls(baseURL, relativeURL);
    } catch (const std::exception& error) {
        tamsin::LogFailure(error, kSource, "GetCominedURL");
        return "";
    }
}

int32_t InternetHandler::GetFileNameFromURL(const std::string& url) {
    int32_t sum = 0;
    try {
        return tamsin::FileNumber(url, tamsin::ClockSalt, sum);
    } catch (const std::exception& error) {
        tamsin::LogFailure(error, kSource, "GetFileNameFromURL");
        return sum;
    }
}

std::shared_ptr<html::Document> InternetHandler::LightNavigate(const std::string& url) {
    loadFailure_.clear();
    try {
        // The loader's time allowance covers the whole load: every refresh hop and frame.
        const ScopedDeadline limit(std::chrono::steady_clock::now() +
                                   std::chrono::milliseconds(quillon::kTimeoutMilliseconds));
        return Navigate(url, 0);
    } catch (const std::exception& error) {
        if (loadFailure_.empty()) loadFailure_ = "load failed";
        tamsin::LogFailure(error, kSource, "LightNavigate");
        return nullptr;
    }
}

std::shared_ptr<html::Document> InternetHandler::Navigate(const std::string& url, int hops) {
    std::string u = GetValidURL(url);
    // A local path starts with "/" and is no address without a protocol.
    if (!EqualsNoCase(std::string_view(u).substr(0, 4), "http") && u.find(':') == std::string::npos &&
        !(!u.empty() && u[0] == '/'))
        u = "http://" + u;
    if (EqualsNoCase(u, "about:blank")) return html::Document::Create("about:blank");

    const bool savedCopy = NamesLocalFile(url);
    std::shared_ptr<html::Document> document;
    std::string navigation;  // where the page's script asked to go
    {
        LightWebBrowser browser;
        if (!cookies_) cookies_ = std::make_shared<quillon::CookieJar>();
        browser.SetCookieJar(cookies_);
        browser.SetDownloadFrames(true);
        browser.SetIgnoreProxyCache(true);
        browser.SetResynchronize(true);
        if (!savedCopy) browser.SetExecuteScripts(true);
        quillon::LoadStatus status = browser.navigate(u, u, document);
        if (status == quillon::LoadStatus::Failed) {
            status = browser.navigate(u, u, document);
            if (status != quillon::LoadStatus::Ok) {
                loadFailure_ = browser.LastError();
                throw Failure(FaultOf(status), kLoaderSource, browser.LastError());
            }
        } else if (status != quillon::LoadStatus::Ok) {
            loadFailure_ = browser.LastError().empty() ? "load failed" : browser.LastError();
            log::LogLibraryError(log::File::Helper, Failure(FaultOf(status), kLoaderSource, browser.LastError()),
                                 "LightNavigate");
            return nullptr;
        }
        if (!document) loadFailure_ = browser.LastError().empty() ? "timed out" : browser.LastError();
        navigation = browser.Navigation();
    }
    if (!document) return nullptr;

    // An empty response comes back as exactly this document; only a document with an
    // empty body can be it.
    if (document->body() && !document->body().firstChild()) {
        LightWebBrowser blank;
        std::shared_ptr<html::Document> empty;
        if (blank.LoadString("", u, empty) == quillon::LoadStatus::Ok && empty &&
            EqualsNoCase(document->documentElement().outerHTML(), empty->documentElement().outerHTML())) {
            loadFailure_ = "empty answer";
            return nullptr;
        }
    }

    // A META refresh, else a navigation the page's script made: both by the same rule.
    std::string target = savedCopy ? std::string() : GetRedirectionURL(*document);
    if (target.empty() && !savedCopy) target = navigation;
    if (target.empty() || EqualsNoCase(target, document->URL()) || hops >= kMaxRefreshHops) return document;
    // A refresh is followed only where the page itself may lead: never to a local file or
    // another protocol. The page reached so far is then the page.
    if (!quillon::MayLeadTo(document->URL(), target)) {
        log::LogLibraryError(log::File::Helper,
                             Failure(Fault::PermissionDenied, kSource, quillon::RefusalText(document->URL(), target)),
                             "LightNavigate");
        return document;
    }
    return Navigate(target, hops + 1);
}

std::string InternetHandler::GetRedirectionURL(const html::Document& document) {
    try {
        for (const html::Element& meta : document.getElementsByTagName("META")) {
            if (!EqualsNoCase(meta.httpEquiv(), "Refresh")) continue;
            std::string content(meta.content());
            std::string folded = content;
            for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            std::size_t at = folded.find("url=");
            if (at == std::string::npos) continue;
            return GetCombinedURL(std::string(document.location().href()),
                                  std::string(RefreshTarget(std::string_view(content).substr(at + 4))));
        }
        return "";
    } catch (const std::exception& error) {
        tamsin::LogFailure(error, kSource, "GetRedirectionURL");
        return "";
    }
}

}  // namespace pelmor
