// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/ShowChanges.h"

#include <QtConcurrent/QtConcurrentRun>
#include <filesystem>

#include "platform/core/Failure.h"
#include "platform/core/Files.h"
#include "platform/core/Strings.h"
#include "platform/log/Log.h"
#include "retrieval/InternetHandler.h"

namespace pelmor::mainwindow {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

void CopyFramesInto(const FrameList& from, FrameList& to) {
    for (const auto& frame : FramesOf(from)) {
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
    for (const auto& frame : FramesOf(item)) {
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
        } catch (const std::exception&) {
            log::LogProgramError(CurrentFailure("Pelmor"), "Restoring a saved copy");
        }
    }
    copies_.clear();
}

std::shared_ptr<Revision> Revision::Start(const std::shared_ptr<FrameList>& item, bool showRemoved, QObject* context,
                                          SavedCopyBackup& backup, std::function<void(const RevisedItem&)> done) {
    auto revision = std::make_shared<Revision>();
    if (!item) return revision;
    std::shared_ptr<FrameList> copy = CopyForRevision(*item);
    std::string savedFile = SavedFileOf(*item);
    QtConcurrent::run([revision, copy, savedFile, showRemoved] {
        Outcome outcome;
        outcome.file = savedFile;
        try {
            std::error_code ec;
            if (std::filesystem::is_regular_file(savedFile, ec)) outcome.old = ReadWholeFile(savedFile);
        } catch (const std::exception&) {
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
        revision->Finished(std::move(outcome));
    }).then(context, [revision, &backup, done = std::move(done)] {
        std::optional<Outcome> outcome = revision->Claim();
        if (!outcome) return;
        // What the copy held before is what a failed display puts back.
        if (outcome->oldKnown) backup.Keep(outcome->file, std::move(outcome->old));
        if (done) done(outcome->revised);
    });
    return revision;
}

void Revision::Finished(Outcome outcome) {
    std::lock_guard lock(mutex_);
    finished_ = true;
    if (abandoned_) {
        SavedCopyBackup backup;
        if (outcome.oldKnown) backup.Keep(outcome.file, std::move(outcome.old));
        backup.Restore();
        return;
    }
    outcome_ = std::move(outcome);
}

std::optional<Revision::Outcome> Revision::Claim() {
    std::lock_guard lock(mutex_);
    if (abandoned_ || !finished_) return std::nullopt;
    claimed_ = true;
    return std::move(outcome_);
}

void Revision::Abandon() {
    std::lock_guard lock(mutex_);
    // Once claimed, the display's own backup answers for the copy.
    if (claimed_ || abandoned_) return;
    abandoned_ = true;
    if (!finished_) return;  // the pool thread puts the copy back when it ends
    SavedCopyBackup backup;
    if (outcome_.oldKnown) backup.Keep(outcome_.file, std::move(outcome_.old));
    backup.Restore();
}

void ApplyRevision(Page& page, const RevisedItem& revised) {
    if (!revised.stamped) return;
    page.SetSavedDate(revised.savedDate);
    page.SetLastCheckDate(revised.lastCheckDate);
    page.SetUpdated(false);
}

void WriteRevisedBody(const BrowserDocument& document, const std::string& html, std::function<void(bool)> done) {
    if (html.empty()) {
        done(false);
        return;
    }
    document.Evaluate(QStringLiteral("if(f.length>0)return true;if(!d.body)return false;d.body.innerHTML=%1;return true;")
                          .arg(BrowserWindow::ScriptString(Q(html))),
                      [done = std::move(done)](const QVariant& value) { done(value.toBool()); });
}

QStringList SavedCopyFiles(const Page& page) {
    QStringList files{Q(page.SavedFile())};
    AddFrameFiles(page, files);
    return files;
}

}  // namespace pelmor::mainwindow
