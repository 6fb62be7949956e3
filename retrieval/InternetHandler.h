// SPDX-License-Identifier: GPL-3.0-or-later
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
#include <memory>
#include <string>

#include "platform/html/Html.h"

namespace pelmor {

namespace html {
class Document;
class FrameWindow;
}  // namespace html

namespace sorrel {
class EditScriptCollection;
}  // namespace sorrel

namespace quillon {
class CookieJar;
}  // namespace quillon

class Frame;
class FrameList;
class Page;

// The marked body of a page, with the document that owns it (the element handle is valid
// as long as Document lives).
struct MarkedBody {
    std::shared_ptr<html::Document> Document;
    html::Element Body;
    explicit operator bool() const { return Document != nullptr; }
};

// One textual replacement made when a page is saved: every occurrence of Original (any
// letter case) becomes New.
struct FrameReplace {
    std::string Original;
    std::string New;
};

// Path of a new saved copy in `folder`: folder + "/" + N + ".html" for the first N from
// `number` upward whose file does not exist yet, so that a new copy never replaces the
// copy of another page or frame. Throws Failure when no free name is found.
std::string FreeCacheFileName(const std::string& folder, int32_t number);

class InternetHandler {
public:
    InternetHandler();
    ~InternetHandler();
    InternetHandler(const InternetHandler&) = delete;
    InternetHandler& operator=(const InternetHandler&) = delete;

    // `url` with "http://" (or "ftp://") in front when it names no protocol; text with a
    // protocol, local paths and text that is no URL come back unchanged. "" on failure.
    std::string GetValidURL(const std::string& url);
    // Host name of the (validated) URL without a leading "www."; the validated URL whole
    // when it has no host; "" on failure.
    std::string GetHostFromURL(const std::string& url);
    // `relativeURL` resolved against `baseURL`, unsafe characters escaped; an
    // absolute relative part comes back as it is. "" on failure.
    std::string GetCombinedURL(const std::string& baseURL, const std::string& relativeURL);
    // The number that names a saved copy: a position-weighted sum of the URL's character
    // codes salted with the clock (so not a pure function of the URL). 0 for "". On a
    // failure the sum reached so far.
    int32_t GetFileNameFromURL(const std::string& url);

    // The page (or saved copy, by its path) as a document: a typed address gets
    // "http://"; "about:blank" gives an empty document without loading; live pages follow
    // META refresh redirections (at most 10 in a row). None when it cannot be loaded,
    // times out (7.5 seconds cover the whole load, refresh hops and frames included) or
    // comes back empty.
    std::shared_ptr<html::Document> LightNavigate(const std::string& url);

    // Loads the page at `url` and saves it with its frames to `fileName`, recording
    // the frames under `page`; `title` receives the page's title. False when the page
    // or one of its frames cannot be loaded or saved.
    bool SaveURLToCache(const std::shared_ptr<Page>& page, const std::string& url, const std::string& fileName,
                        std::string& title);
    // Why the last SaveURLToCache failed after its page was fetched (the failure's
    // description, which names the cause: a read-only file system, a full disk, a refused
    // permission); "" when it succeeded or the page could not be fetched.
    const std::string& LastSaveFailure() const { return lastSaveFailure_; }
    // Saves a loaded document as a saved copy (UTF-16 with BOM, a BASE tag after <HEAD>).
    // With `saveFrames` each FRAME's document is saved beside it and recorded under
    // `item` (a Page or Frame); without, the FRAME tags point at the copies `item` has
    // recorded already. The old copy is replaced only once the new one is complete: false
    // (and the old copy untouched) when anything fails, and when a file would be written
    // outside the current cache folder (CurrentCacheFolder).
    bool SaveHTMLToCache(const std::shared_ptr<html::Document>& document, const std::string& FileName,
                         bool saveFrames, const std::shared_ptr<FrameList>& item = nullptr, bool reload = false);
    // Records the frames of a document (and their frames) under a page without writing
    // any file. On failure the frames recorded so far stay recorded.
    void SaveFrames(const std::shared_ptr<html::Document>& document, const std::shared_ptr<Page>& page);
    // Deletes a saved copy, also a read-only one; true also when there was none or the
    // system refuses the deletion. False, with the refusal logged, when the path is not a
    // regular file inside the current cache folder (CurrentCacheFolder) once ".." and
    // links are resolved: nothing else is ever deleted.
    bool RemoveFileFromCache(const std::string& fileName);

    // Change check: loads the saved copy and the live page and asks the comparison
    // engine whether they differ (the whole page, or the element its ElementPath names),
    // going into the frames, in order, while nothing has changed. Stamps LastCheckDate of
    // a Page once both were compared; changes nothing else. False when either cannot be
    // loaded, and on failure.
    bool IsPageUpdated(const std::shared_ptr<FrameList>& page);
    // Why the last IsPageUpdated could not compare the page or one of the frames it
    // visited ("HTTP status 404", "timed out", "empty answer", "saved copy cannot be read
    // (...)"); "" when everything it visited was compared.
    const std::string& LastCheckFailure() const { return checkFailure_; }
    // With `keep` on, the next IsPageUpdated keeps the live page's HTML as it was loaded
    // (the comparison masks and stamps the document it compares) for LastLiveHTML.
    void SetKeepLiveHTML(bool keep) { keepLive_ = keep; }
    // The live page's HTML and address of the last IsPageUpdated that kept them; "" when
    // it did not load the live page.
    const std::string& LastLiveHTML() const { return liveHTML_; }
    const std::string& LastLiveURL() const { return liveURL_; }
    // Saves a document as a version of a page: as SaveHTMLToCache with its frames, but the
    // frames' copies go into `frameFolder` (made when the page has frames). False, writing
    // nothing outside the current cache folder, on failure.
    bool SaveVersionToCache(const std::shared_ptr<html::Document>& document, const std::string& FileName,
                            const std::string& frameFolder);
    // The live page's body HTML with its changes against the saved copy painted in; the
    // live page (unmarked) becomes the saved copy. For a Page, SavedDate and LastCheckDate
    // are stamped and Updated cleared. "" when a copy cannot be loaded, and on failure.
    std::string GetRevisedHTML(const std::shared_ptr<FrameList>& page);
    // As GetRevisedHTML, but the changes are painted into `resultHTML`; the engine's text,
    // or "" (also when the item watches one element).
    std::string SetRevisedHTML(const std::shared_ptr<html::Document>& resultHTML,
                               const std::shared_ptr<FrameList>& page);
    // As GetRevisedHTML, but answers the marked body; none when a copy cannot be loaded,
    // when the item watches one element, and on failure.
    MarkedBody GetRevisedBody(const std::shared_ptr<FrameList>& page);
    // As GetRevisedHTML, but answers the engine's list of changes; none on failure.
    std::shared_ptr<sorrel::EditScriptCollection> GetDifferences(const std::shared_ptr<FrameList>& page);
    // Whether GetRevisedHTML shows removed content struck through where it stood (on by
    // default); off, a page that only lost content gets the place of the loss painted.
    bool ShowRemoved() const { return showRemoved_; }
    void SetShowRemoved(bool value) { showRemoved_ = value; }

private:
    std::string lastSaveFailure_;
    // Comparison options remembered per operation: taken from a Page, kept for other items.
    struct Options {
        bool ShowTimeDiff = false;
        bool ShowPics = false;
        bool ShowNumbers = false;
        bool UseInverse = false;
    };
    enum class Revision { Html, Result, Body, Differences };
    struct Revised;

    bool IsFrameUpdated(const std::shared_ptr<Frame>& frame);
    // The shared steps of the four revised-HTML operations.
    bool Revise(const std::shared_ptr<FrameList>& page, Revision kind, const std::shared_ptr<html::Document>& result,
                Revised& out);

    Options checkOptions_;
    // Cookies the loads of this object share: a site that sets one and then refreshes to
    // itself (or serves frames that need it) sees it again.
    std::shared_ptr<quillon::CookieJar> cookies_;
    // Why the last LightNavigate gave no document; why the last check could not compare.
    std::string loadFailure_;
    std::string checkFailure_;
    bool keepLive_ = false;
    std::string liveHTML_;
    std::string liveURL_;
    Options revisedHTMLOptions_;
    Options setRevisedOptions_;
    Options revisedBodyOptions_;
    Options differencesOptions_;
    bool showRemoved_ = true;

    std::shared_ptr<html::Document> Navigate(const std::string& url, int hops);
    std::string GetRedirectionURL(const html::Document& document);
    FrameReplace SaveBaseHref(const html::Document& document);
    static bool IsDocumentAccessible(const html::FrameWindow& window);
    // Frames' copies go beside FileName, or into `frameFolder` when one is given.
    bool SaveDocument(const std::shared_ptr<html::Document>& document, const std::string& FileName, bool saveFrames,
                      const std::shared_ptr<FrameList>& item, bool reload, int depth,
                      const std::string& frameFolder = {});
    void SaveSubFrames(const html::Document& document, const std::shared_ptr<Frame>& frame, int depth);
    // A frame's document: the one the loader put in its window, else loaded by URL (but
    // never a local file for a page from the network). Sets `frameURL`.
    std::shared_ptr<html::Document> FrameDocument(const html::Document& parent, const html::FrameWindow& window,
                                                  std::string_view src, std::string& frameURL);
};

}  // namespace pelmor
