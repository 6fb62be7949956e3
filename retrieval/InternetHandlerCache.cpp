// SPDX-License-Identifier: GPL-3.0-or-later
// The page cache: saved copies of pages and their frames.

#include <cctype>
#include <cstdint>
#include <filesystem>

#include "items/Frame.h"
#include "items/Page.h"
#include "loader/LightWebBrowser.h"
#include "loader/Transport.h"
#include "loader/UrlRule.h"
#include "platform/core/Failure.h"
#include "platform/core/Files.h"
#include "platform/core/Folders.h"
#include "platform/core/Strings.h"
#include "platform/html/Html.h"
#include "platform/log/Log.h"
#include "platform/text/Utf16.h"
#include "preferences/CacheFolder.h"
#include "retrieval/InternetHandler.h"
#include "preferences/LibraryLog.h"

namespace pelmor {
namespace {

constexpr const char* kSource = "InternetHandler";
// Frames inside frames are saved this many levels deep at most; deeper framesets (or
// frames that contain each other) fail the save instead of recursing without end.
constexpr int kMaxFrameDepth = 8;

std::string FoldAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// `text` with every occurrence of `find` (ignoring the case of ASCII letters) replaced by
// `with`. An empty `find` changes nothing.
std::string ReplaceNoCase(const std::string& text, std::string_view find, std::string_view with) {
    if (find.empty()) return text;
    const std::string foldedText = FoldAscii(text);
    const std::string foldedFind = FoldAscii(find);
    std::string out;
    out.reserve(text.size());
    std::size_t from = 0;
    for (std::size_t at = foldedText.find(foldedFind); at != std::string::npos;
         at = foldedText.find(foldedFind, from)) {
        out.append(text, from, at - from);
        out.append(with);
        from = at + find.size();
    }
    out.append(text, from, std::string::npos);
    return out;
}

std::string FolderOf(const std::string& path) { return std::filesystem::path(path).parent_path().string(); }

// The FRAME element's outer HTML with its src pointing at `target`; the element itself is
// left as it was.
std::string WithSource(html::Element frame, std::string_view target) {
    std::string original(frame.src());
    bool had = frame.hasAttribute("src");
    frame.setAttribute("src", target);
    std::string rewritten = frame.outerHTML();
    if (had)
        frame.setAttribute("src", original);
    else
        frame.removeAttribute("src");
    return rewritten;
}

}  // namespace

std::string FreeCacheFileName(const std::string& folder, int32_t number) {
    constexpr int kTries = 100000;
    int64_t n = number;
    for (int i = 0; i < kTries; ++i, ++n) {
        if (n > INT32_MAX) n = 0;
        std::string path = folder + "/" + std::to_string(n) + ".html";
        std::error_code ec;
        if (!std::filesystem::exists(path, ec) && !ec) return path;
    }
    throw Failure(Fault::FileAccess, kSource, "No free file name in " + folder);
}

bool InternetHandler::IsDocumentAccessible(const html::FrameWindow& window) {
    try {
        return window && window.accessible() && window.document() != nullptr;
    } catch (const std::exception&) {
        return false;
    }
}

std::shared_ptr<html::Document> InternetHandler::FrameDocument(const html::Document& parent,
                                                               const html::FrameWindow& window, std::string_view src,
                                                               std::string& frameURL) {
    const std::string parentURL(parent.URL());
    if (IsDocumentAccessible(window)) {
        std::shared_ptr<html::Document> document = window.document();
        frameURL = GetCombinedURL(parentURL, std::string(document->URL()));
        return document;
    }
    // A frame without a source, or a blank one, holds an empty document: resolving it
    // would load the frameset itself again (or fail for want of a web address).
    std::string_view source = src;
    while (!source.empty() && std::isspace(static_cast<unsigned char>(source.front()))) source.remove_prefix(1);
    while (!source.empty() && std::isspace(static_cast<unsigned char>(source.back()))) source.remove_suffix(1);
    if (source.empty() || EqualsNoCase(source, "about:blank")) {
        frameURL = "about:blank";
        return html::Document::Create("about:blank");
    }
    frameURL = GetCombinedURL(parentURL, std::string(src));
    // A page from the network never makes us read a local file, nor speak another protocol.
    if (!quillon::MayLeadTo(parentURL, frameURL)) {
        log::LogLibraryError(log::File::Helper,
                             Failure(Fault::PermissionDenied, kSource, quillon::RefusalText(parentURL, frameURL)),
                             "FrameDocument");
        return nullptr;
    }
    return Navigate(frameURL, 0);
}

bool InternetHandler::SaveURLToCache(const std::shared_ptr<Page>& page, const std::string& url,
                                     const std::string& fileName, std::string& pageTitle) {
    lastSaveFailure_.clear();
    bool fetched = false;
    try {
        std::shared_ptr<html::Document> document = Navigate(url, 0);
        if (!document) return false;
        fetched = true;
        pageTitle = document->title();
        return SaveDocument(document, fileName, true, page, false, 0);
    } catch (const std::exception& error) {
        if (fetched) lastSaveFailure_ = FailureOf(error, kSource).Description();
        tamsin::LogFailure(error, kSource, "SaveURLToCache");
        return false;
    }
}

bool InternetHandler::SaveHTMLToCache(const std::shared_ptr<html::Document>& document, const std::string& FileName,
                                      bool saveFrames, const std::shared_ptr<FrameList>& item, bool reload) {
    try {
        return SaveDocument(document, FileName, saveFrames, item, reload, 0);
    } catch (const std::exception& error) {
        tamsin::LogFailure(error, kSource, "SaveHTMLToCache");
        return false;
    }
}

bool InternetHandler::SaveVersionToCache(const std::shared_ptr<html::Document>& document, const std::string& FileName,
                                         const std::string& frameFolder) {
    try {
        return SaveDocument(document, FileName, true, nullptr, false, 0, frameFolder);
    } catch (const std::exception& error) {
        tamsin::LogFailure(error, kSource, "SaveVersionToCache");
        return false;
    }
}

bool InternetHandler::SaveDocument(const std::shared_ptr<html::Document>& markup, const std::string& FileName,
                                   bool saveFrames, const std::shared_ptr<FrameList>& list, bool reload, int depth,
                                   const std::string& frameFolder) {
    if (!markup) throw Failure(Fault::Missing, kSource, "No document given");
    if (depth > kMaxFrameDepth) throw Failure(Fault::InvalidArgument, kSource, "Frames nested too deep");
    const std::string documentURL(markup->URL());
    html::ElementList frameElements = markup->getElementsByTagName("Frame");
    html::FrameCollection windows = markup->frames();
    std::vector<FrameReplace> replacements;
    const std::string framesFolder = frameFolder.empty() ? FolderOf(FileName) : frameFolder;
    if (saveFrames && frameElements.length() > 0 && !frameFolder.empty() &&
        LiesInside(FileName, CurrentCacheFolder()))
        EnsureFolder(frameFolder);

    for (std::size_t i = 0; i < frameElements.length(); ++i) {
        html::Element element = frameElements.item(i);
        FrameReplace replace;
        replace.Original = element.outerHTML();
        if (saveFrames) {
            std::string frameURL;
            std::shared_ptr<html::Document> frameDocument =
                FrameDocument(*markup, windows.item(i), element.src(), frameURL);
            if (!frameDocument) return false;
            // A frame saved for the first time gets a file of its own, never another copy's.
            std::string frameFile = FreeCacheFileName(framesFolder, GetFileNameFromURL(frameURL));
            std::shared_ptr<Frame> frameItem;
            if (list) frameItem = list->AddFrame(frameURL, frameFile);
            if (!SaveDocument(frameDocument, frameFile, true, frameItem, reload, depth + 1)) return false;
            replace.New = WithSource(element, quillon::FileUrlFromPath(frameFile));
        } else {
            if (!list) throw Failure(Fault::Missing, kSource, "No item to take the saved frames from");
            const auto& savedFrames = list->Frames();
            if (i >= savedFrames.size())
                throw Failure(Fault::OutOfRange, kSource, "The page holds more frames than were saved for it");
            replace.New = WithSource(element, quillon::FileUrlFromPath(savedFrames[i]->SavedFile()));
        }
        if (!replace.New.empty()) replacements.push_back(std::move(replace));
    }

    std::string text;
    if (reload) {
        std::shared_ptr<html::Document> fresh = Navigate(documentURL, 0);
        if (fresh) text = fresh->documentElement().outerHTML();
    }
    if (text.empty()) text = markup->documentElement().outerHTML();

    FrameReplace head = SaveBaseHref(*markup);
    text = ReplaceNoCase(text, head.Original, head.New);
    for (const FrameReplace& replace : replacements) text = ReplaceNoCase(text, replace.Original, replace.New);

    // Whatever path a profile names, a saved copy is only ever written inside the current
    // cache folder: a profile must not make the program overwrite another file.
    const std::string cacheFolder = CurrentCacheFolder();
    if (!LiesInside(FileName, cacheFolder))
        throw Failure(Fault::FileAccess, kSource,
                      "Refused to write " + FileName + ": saved copies are written only inside " + cacheFolder);
    WriteFileAtomically(FileName, text::EncodeUtf16LeWithBom(text));
    return true;
}

FrameReplace InternetHandler::SaveBaseHref(const html::Document& document) {
    FrameReplace replace;
    try {
        std::string base(document.getElementsByTagName("BASE").item(0).href());
        if (base.empty()) base = std::string(document.URL());
        replace.Original = document.getElementsByTagName("HEAD").item(0).outerHTML();
        replace.New = ReplaceNoCase(replace.Original, "<HEAD>", "<HEAD><BASE href=" + base + ">");
    } catch (const std::exception& error) {
        tamsin::LogFailure(error, kSource, "SaveBaseHref");
    }
    return replace;
}

void InternetHandler::SaveFrames(const std::shared_ptr<html::Document>& markup, const std::shared_ptr<Page>& target) {
    try {
        if (!markup || !target) throw Failure(Fault::Missing, kSource, "No document or no page given");
        html::ElementList frameElements = markup->getElementsByTagName("FRAME");
        html::FrameCollection windows = markup->frames();
        for (std::size_t i = 0; i < frameElements.length(); ++i) {
            std::string frameURL;
            std::shared_ptr<html::Document> frameDocument =
                FrameDocument(*markup, windows.item(i), frameElements.item(i).src(), frameURL);
            std::string frameFile =
                FolderOf(target->SavedFile()) + "/" + std::to_string(GetFileNameFromURL(frameURL)) + ".html";
            std::shared_ptr<Frame> frame = target->AddFrame(frameURL, frameFile);
            if (frameDocument) SaveSubFrames(*frameDocument, frame, 1);
        }
    } catch (const std::exception& error) {
        tamsin::LogFailure(error, kSource, "SaveFrames");
    }
}

void InternetHandler::SaveSubFrames(const html::Document& document, const std::shared_ptr<Frame>& target, int depth) {
    if (depth > kMaxFrameDepth) throw Failure(Fault::InvalidArgument, kSource, "Frames nested too deep");
    html::FrameCollection windows = document.frames();
    for (std::size_t i = 0; i < windows.length(); ++i) {
        html::FrameWindow window = windows.item(i);
        std::string frameURL;
        std::shared_ptr<html::Document> frameDocument =
            FrameDocument(document, window, window.frameElement().src(), frameURL);
        std::string frameFile =
            FolderOf(target->SavedFile()) + "/" + std::to_string(GetFileNameFromURL(frameURL)) + ".html";
        std::shared_ptr<Frame> frame = target->AddFrame(frameURL, frameFile);
        if (frameDocument) SaveSubFrames(*frameDocument, frame, depth + 1);
    }
}

bool InternetHandler::RemoveFileFromCache(const std::string& fileName) {
    try {
        // Whatever a profile names, only regular files inside the current cache folder
        // are ever deleted; anything else is refused and logged.
        RemoveFileInside(fileName, CurrentCacheFolder());
        return true;
    } catch (const std::exception& error) {
        const auto* failure = dynamic_cast<const Failure*>(&error);
        if (failure && failure->Kind() == Fault::PermissionDenied) return true;
        tamsin::LogFailure(error, kSource, "RemoveFileFromCache");
        return false;
    }
}

}  // namespace pelmor
