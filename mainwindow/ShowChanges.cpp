// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/ShowChanges.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>
#include <filesystem>

#include "platform/core/Failure.h"
#include "platform/core/Files.h"
#include "platform/core/Strings.h"
#include "platform/log/Log.h"
#include "retrieval/InternetHandler.h"
#include "shell/ErrorReport.h"

namespace pelmor::mainwindow {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

void CopyFramesInto(const FrameList& from, FrameList& to) {
    for (const std::shared_ptr<Frame>& frame : from.Frames()) {
        auto slot = to.AddFrame(frame->URL(), frame->SavedFile());
        slot->SetElementPath(frame->ElementPath());
        CopyFramesInto(*frame, *slot);
    }
}

// A detached copy with everything GetRevisedHTML reads, so that the pool thread never
// touches an object the window thread uses.
std::shared_ptr<FrameList> CopyForRevision(const FrameList& item) {
    std::shared_ptr<FrameList> copy;
    if (auto* page = dynamic_cast<const Page*>(&item)) {
        auto p = Page::Create();
        p->SetURL(page->URL());
        p->SetSavedFile(page->SavedFile());
        p->SetElementPath(page->ElementPath());
        p->SetShowTimeDiff(page->ShowTimeDiff());
        p->SetShowPics(page->ShowPics());
        p->SetShowNumbers(page->ShowNumbers());
        p->SetUseInverse(page->UseInverse());
        p->SetInsertColor(page->InsertColor());
        p->SetUpdateColor(page->UpdateColor());
        // Cleared by GetRevisedHTML once it stamped the copy.
        p->SetUpdated(true);
        copy = p;
    } else {
        auto& frame = static_cast<const Frame&>(item);
        auto f = std::make_shared<Frame>(frame.URL(), frame.SavedFile());
        f->SetElementPath(frame.ElementPath());
        copy = f;
    }
    CopyFramesInto(item, *copy);
    return copy;
}

const std::string& SavedFileOf(const FrameList& item) {
    if (auto* page = dynamic_cast<const Page*>(&item)) return page->SavedFile();
    return static_cast<const Frame&>(item).SavedFile();
}

void AddFrameFiles(const FrameList& item, QStringList& files) {
    for (const std::shared_ptr<Frame>& frame : item.Frames()) {
        files << Q(frame->SavedFile());
        AddFrameFiles(*frame, files);
    }
}

}  // namespace

void SavedCopyBackup::Keep(const std::string& file, std::optional<std::string> content) {
    if (!file.empty()) copies_.emplace_back(file, std::move(content));
}

void SavedCopyBackup::Restore() {
    for (auto it = copies_.rbegin(); it != copies_.rend(); ++it) {
        try {
            if (it->second) {
                WriteFileAtomically(it->first, *it->second);
            } else {
                std::error_code ec;
                std::filesystem::remove(it->first, ec);
            }
        } catch (...) {
            try {
                log::LogProgramError(CurrentFailure("Pelmor"), "Restoring a saved copy");
            } catch (...) {
            }
        }
    }
    copies_.clear();
}

RevisedItem ReviseOffWindowThread(const std::shared_ptr<FrameList>& item, SavedCopyBackup& backup, bool showRemoved) {
    if (!item) return {};
    std::shared_ptr<FrameList> copy = CopyForRevision(*item);
    std::string savedFile = SavedFileOf(*item);
    struct Outcome {
        RevisedItem revised;
        bool oldKnown = true;  // false when the old copy could not be read
        std::optional<std::string> old;
    };
    auto work = [copy, savedFile, showRemoved]() {
        Outcome outcome;
        try {
            std::error_code ec;
            if (std::filesystem::is_regular_file(savedFile, ec)) outcome.old = ReadWholeFile(savedFile);
        } catch (...) {
            outcome.oldKnown = false;
        }
        InternetHandler handler;
        handler.SetShowRemoved(showRemoved);
        outcome.revised.html = handler.GetRevisedHTML(copy);
        if (auto* page = dynamic_cast<Page*>(copy.get()); page && !page->Updated()) {
            outcome.revised.stamped = true;
            outcome.revised.savedDate = page->SavedDate();
            outcome.revised.lastCheckDate = page->LastCheckDate();
        }
        return outcome;
    };
    QFuture<Outcome> future = QtConcurrent::run(work);
    if (!future.isFinished()) {
        QEventLoop loop;
        QFutureWatcher<Outcome> watcher;
        QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
        watcher.setFuture(future);
        if (!future.isFinished()) loop.exec();
    }
    Outcome outcome = future.result();
    // What the copy held before is what a failed display puts back.
    if (outcome.oldKnown) backup.Keep(savedFile, std::move(outcome.old));
    return outcome.revised;
}

void ApplyRevision(Page& page, const RevisedItem& revised) {
    if (!revised.stamped) return;
    page.SetSavedDate(revised.savedDate);
    page.SetLastCheckDate(revised.lastCheckDate);
    page.SetUpdated(false);
}

bool WriteRevisedBody(const BrowserDocument& document, const std::string& html) {
    if (html.empty()) return false;
    if (document.FramesCount() > 0) return true;
    return document.SetBodyInnerHTML(Q(html));
}

bool FrameDocumentAccessible(const BrowserDocument& document, int index) {
    return document.FrameDocumentAccessible(index);
}

bool ShowRevisedFrames(const BrowserDocument& document, const std::shared_ptr<FrameList>& item,
                       SavedCopyBackup& backup, int frameLimitMs, bool showRemoved) {
    try {
        if (!document.IsValid() || !item) return false;
        InternetHandler handler;
        const int count = document.FramesCount();
        // Frames the item has no record of (the page gained frames since it was saved)
        // are left as loaded.
        const int known = std::min<int>(count, item->FramesCount());
        for (int i = 0; i < known; ++i) {
            std::shared_ptr<Frame> frame = item->FrameAt(i);
            QElapsedTimer limit;
            limit.start();
            auto withinLimit = [&] { return limit.elapsed() < frameLimitMs; };

            const std::string current =
                handler.GetCombinedURL(document.URL().toStdString(), document.FrameSource(i).toStdString());
            if (!EqualsNoCase(frame->URL(), current)) {
                document.SetFrameSource(i, Q(frame->URL()));
                while (withinLimit() && document.IsValid() && !document.FrameReplaced(i)) PumpEvents(20);
            }
            if (!FrameDocumentAccessible(document, i)) continue;
            BrowserDocument frameDocument = document.FrameDocument(i);
            while (withinLimit() && frameDocument.readyState().compare(QLatin1String("loading"), Qt::CaseInsensitive) == 0)
                PumpEvents(20);
            if (frameDocument.readyState().compare(QLatin1String("loading"), Qt::CaseInsensitive) == 0) return false;
            WriteRevisedBody(frameDocument, ReviseOffWindowThread(frame, backup, showRemoved).html);
            if (!ShowRevisedFrames(frameDocument, frame, backup, frameLimitMs, showRemoved)) break;
        }
        return true;
    } catch (...) {
        shell::ReportError("");
        return false;
    }
}

QStringList SavedCopyFiles(const Page& page) {
    QStringList files{Q(page.SavedFile())};
    AddFrameFiles(page, files);
    return files;
}

void PumpEvents(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace pelmor::mainwindow
