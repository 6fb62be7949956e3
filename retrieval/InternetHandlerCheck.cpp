// SPDX-License-Identifier: GPL-3.0-or-later
// The change check of a page and the revised (marked) HTML shown to the user.

#include <cctype>

#include "compare/Compare.h"
#include "items/Frame.h"
#include "items/Page.h"
#include "platform/core/DateTime.h"
#include "platform/core/Failure.h"
#include "platform/core/Strings.h"
#include "platform/log/Log.h"
#include "retrieval/InternetHandler.h"
#include "preferences/LibraryLog.h"

namespace pelmor {
namespace {

constexpr const char* kSource = "InternetHandler";
constexpr const char* kInsertColor = "#00FF00";
constexpr const char* kUpdateColor = "#FFFF00";

// The fields pages and frames share.
struct ItemFields {
    const std::string& url;
    const std::string& savedFile;
    const std::string& elementPath;
};

ItemFields FieldsOf(const FrameList& item) {
    if (auto* page = dynamic_cast<const Page*>(&item)) return {page->URL(), page->SavedFile(), page->ElementPath()};
    if (auto* frame = dynamic_cast<const Frame*>(&item))
        return {frame->URL(), frame->SavedFile(), frame->ElementPath()};
    throw Failure(Fault::WrongType, kSource, "The item is neither a page nor a frame");
}

// Whether `path` names an element of the document's body that is there, rather than
// breaking off at the deepest element it reaches.
bool PathFindsElement(const html::Document& document, const std::string& path) {
    sorrel::Compare engine;
    html::Node found = engine.FindElementByPath(document.body(), path);
    if (!found || found.AsElement().IsBody()) return false;
    std::string wanted;
    for (char c : path)
        if (!std::isspace(static_cast<unsigned char>(c))) wanted += c;
    return EqualsNoCase(engine.GetElementPath(found), wanted);
}

std::string MissingElementText(const std::string& path) { return "the watched element is gone (" + path + ")"; }

}  // namespace

struct InternetHandler::Revised {
    std::string text;
    MarkedBody body;
    std::shared_ptr<sorrel::EditScriptCollection> changes;
};

bool InternetHandler::IsPageUpdated(const std::shared_ptr<FrameList>& item) {
    checkFailure_.clear();
    liveHTML_.clear();
    liveURL_.clear();
    try {
        if (!item) return false;
        ItemFields fields = FieldsOf(*item);
        bool updated = false;
        {
            std::shared_ptr<html::Document> saved = LightNavigate(fields.savedFile);
            if (!saved) {
                checkFailure_ = "saved copy cannot be read (" + loadFailure_ + ")";
                return false;
            }
            std::shared_ptr<html::Document> live = LightNavigate(fields.url);
            if (!live) {
                checkFailure_ = loadFailure_;
                return false;
            }
            if (keepLive_) {
                liveHTML_ = live->documentElement().outerHTML();
                liveURL_ = std::string(live->URL());
            }
            // A watched element that is no longer there is no change: the check fails.
            if (!fields.elementPath.empty() && !PathFindsElement(*live, fields.elementPath)) {
                checkFailure_ = MissingElementText(fields.elementPath);
                return false;
            }
            sorrel::Compare engine;
            auto* page = dynamic_cast<Page*>(item.get());
            if (page) {
                checkOptions_.ShowTimeDiff = page->ShowTimeDiff();
                checkOptions_.ShowPics = page->ShowPics();
                checkOptions_.ShowNumbers = page->ShowNumbers();
            }
            engine.SetShowTimeDiff(checkOptions_.ShowTimeDiff);
            engine.SetShowPics(checkOptions_.ShowPics);
            engine.SetShowNumbers(checkOptions_.ShowNumbers);
            updated = fields.elementPath.empty() ? engine.IsChange(saved, live)
                                                 : engine.IsElementChange(saved, live, fields.elementPath);
            if (page) page->SetLastCheckDate(DateTime::Now());
        }
        for (const std::shared_ptr<Frame>& frame : item->Frames()) {
            if (updated) break;
            updated = IsFrameUpdated(frame);
        }
        return updated;
    } catch (const std::exception& error) {
        if (checkFailure_.empty()) checkFailure_ = "check broke off";
        tamsin::LogFailure(error, kSource, "IsPageUpdated");
        return false;
    }
}

bool InternetHandler::IsFrameUpdated(const std::shared_ptr<Frame>& item) {
    try {
        bool updated = false;
        {
            // The first frame that cannot be compared names the check's failure.
            auto failed = [&](const std::string& why) {
                if (checkFailure_.empty()) checkFailure_ = "frame " + item->URL() + ": " + why;
                return false;
            };
            std::shared_ptr<html::Document> saved = LightNavigate(item->SavedFile());
            if (!saved) return failed("saved copy cannot be read (" + loadFailure_ + ")");
            std::shared_ptr<html::Document> live = LightNavigate(item->URL());
            if (!live) return failed(loadFailure_);
            if (!item->ElementPath().empty() && !PathFindsElement(*live, item->ElementPath()))
                return failed(MissingElementText(item->ElementPath()));
            sorrel::Compare engine;
            updated = item->ElementPath().empty() ? engine.IsChange(saved, live)
                                                    : engine.IsElementChange(saved, live, item->ElementPath());
        }
        for (const std::shared_ptr<Frame>& frame : item->Frames()) {
            if (updated) break;
            updated = IsFrameUpdated(frame);
        }
        return updated;
    } catch (const std::exception& error) {
        tamsin::LogFailure(error, kSource, "");
        return false;
    }
}

bool InternetHandler::Revise(const std::shared_ptr<FrameList>& item, Revision kind,
                             const std::shared_ptr<html::Document>& result, Revised& out) {
    if (!item) throw Failure(Fault::Missing, kSource, "No page given");
    ItemFields fields = FieldsOf(*item);
    std::shared_ptr<html::Document> saved = LightNavigate(fields.savedFile);
    if (!saved) return false;
    std::shared_ptr<html::Document> live = LightNavigate(fields.url);
    if (!live) return false;
    // The live page becomes the saved copy before the engine marks it; frames keep the
    // copies already recorded.
    SaveHTMLToCache(live, fields.savedFile, false, item, false);

    std::string insertColor = kInsertColor;
    std::string updateColor = kUpdateColor;
    Options& options = kind == Revision::Html     ? revisedHTMLOptions_
                       : kind == Revision::Result ? setRevisedOptions_
                       : kind == Revision::Body   ? revisedBodyOptions_
                                                  : differencesOptions_;
    auto* page = dynamic_cast<Page*>(item.get());
    if (page) {
        options.ShowTimeDiff = page->ShowTimeDiff();
        options.ShowPics = page->ShowPics();
        if (kind != Revision::Differences) options.ShowNumbers = page->ShowNumbers();
        if (kind == Revision::Html) {
            options.UseInverse = page->UseInverse();
            insertColor = page->InsertColor();
            updateColor = page->UpdateColor();
        }
    }
    {
        sorrel::Compare engine;
        engine.SetShowTimeDiff(options.ShowTimeDiff);
        engine.SetShowPics(options.ShowPics);
        if (kind != Revision::Differences) engine.SetShowNumbers(options.ShowNumbers);
        if (kind == Revision::Html) {
            engine.SetUseInverse(options.UseInverse);
            engine.SetShowRemoved(showRemoved_);
        }
        const bool whole = fields.elementPath.empty();
        switch (kind) {
            case Revision::Html:
                out.text = whole ? engine.GetMarkedHTML(live, saved, insertColor, updateColor)
                                 : engine.GetMarkedElement(live, saved, fields.elementPath, insertColor, updateColor);
                break;
            case Revision::Result:
                if (whole) out.text = engine.SetMarkedHTML(result, live, saved);
                break;
            case Revision::Body:
                if (whole) {
                    html::Element body = engine.GetMarkedBody(live, saved);
                    if (body) out.body = MarkedBody{live, body};
                }
                break;
            case Revision::Differences:
                engine.GetMarkedHTML(live, saved, "", "");
                out.changes = engine.GetChanges();
                break;
        }
    }
    if (page) {
        page->SetSavedDate(DateTime::Now());
        page->SetLastCheckDate(DateTime::Now());
        page->SetUpdated(false);
    }
    return true;
}

std::string InternetHandler::GetRevisedHTML(const std::shared_ptr<FrameList>& page) {
    try {
        Revised out;
        return Revise(page, Revision::Html, nullptr, out) ? out.text : std::string();
    } catch (const std::exception& error) {
        tamsin::LogFailure(error, kSource, "");
        return "";
    }
}

std::string InternetHandler::SetRevisedHTML(const std::shared_ptr<html::Document>& resultHTML,
                                            const std::shared_ptr<FrameList>& page) {
    try {
        Revised out;
        return Revise(page, Revision::Result, resultHTML, out) ? out.text : std::string();
    } catch (const std::exception& error) {
        tamsin::LogFailure(error, kSource, "");
        return "";
    }
}

MarkedBody InternetHandler::GetRevisedBody(const std::shared_ptr<FrameList>& page) {
    try {
        Revised out;
        return Revise(page, Revision::Body, nullptr, out) ? out.body : MarkedBody{};
    } catch (const std::exception& error) {
        tamsin::LogFailure(error, kSource, "");
        return {};
    }
}

std::shared_ptr<sorrel::EditScriptCollection> InternetHandler::GetDifferences(const std::shared_ptr<FrameList>& page) {
    try {
        Revised out;
        return Revise(page, Revision::Differences, nullptr, out) ? out.changes : nullptr;
    } catch (const std::exception& error) {
        tamsin::LogFailure(error, kSource, "");
        return nullptr;
    }
}

}  // namespace pelmor
