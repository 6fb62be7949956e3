// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/frmWait.h"

#include <QCloseEvent>
#include <QFutureWatcher>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>
#include <cstdio>
#include <exception>

#include "items/Page.h"
#include "mainwindow/PlainText.h"
#include "retrieval/InternetHandler.h"
#include "shell/Pictures.h"

namespace pelmor::mainwindow {
namespace {

constexpr int kLabelHeight = 60;
// A very long address is elided in the middle rather than making the window huge.
constexpr int kMaxWidth = 640;

// Removes the saved copy of a page and those of its frames at every depth.
void RemoveWritten(InternetHandler& handler, const FrameList& item, const std::string& savedFile) {
    if (!savedFile.empty()) handler.RemoveFileFromCache(savedFile);
    for (const std::shared_ptr<Frame>& frame : item.Frames()) RemoveWritten(handler, *frame, frame->SavedFile());
}

// What a download's thread hands back.
struct Fetched {
    bool saved = false;
    std::string title;
    std::string saveFailure;
};

}  // namespace

frmWait::frmWait(QWidget* owner) : QWidget(owner, Qt::Dialog) {
    setObjectName(QStringLiteral("frmWait"));
    setWindowTitle(tr("Pelmor - Processing"));
    setWindowIcon(shell::AppIcon());
    setWindowModality(Qt::NonModal);
    lblMessage_ = new QLabel(this);
    lblMessage_->setObjectName(QStringLiteral("lblMessage"));
    lblMessage_->setAlignment(Qt::AlignCenter);
    lblMessage_->setTextFormat(Qt::PlainText);
    lblMessage_->setMinimumHeight(kLabelHeight);
    ctlAnimation_ = new QProgressBar(this);
    ctlAnimation_->setObjectName(QStringLiteral("ctlAnimation"));
    ctlAnimation_->setRange(0, 0);
    ctlAnimation_->setTextVisible(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->addWidget(lblMessage_);
    layout->addWidget(ctlAnimation_);
    resize(kWidth, kHeight);
}

void frmWait::SetMessage(const QString& text) {
    QFontMetrics metrics(lblMessage_->font());
    QString shown = metrics.elidedText(text, Qt::ElideMiddle, kMaxWidth - 16);
    lblMessage_->setText(shown);
    lblMessage_->setToolTip(PlainToolTip(text));
    int width = std::clamp(metrics.horizontalAdvance(shown) + 32, kWidth, kMaxWidth);
    resize(width, kHeight);
}

QString frmWait::UnableText(const QString& what) {
    return tr("Unable to add %1.\r\nPlease check the follwing: \r\n1. Internet connection may be closed.\r\n2. Site "
              "may be down.")
        .arg(what);
}

QString frmWait::SaveFailureText(const QString& what, const QString& why) {
    return tr("Unable to add %1: the page was fetched but could not be saved.\r\n%2").arg(what, why);
}

// A download under way: the flag that tells its thread the result is no longer wanted,
// the callback and the watcher that reports its end.
struct frmWait::Run {
    std::shared_ptr<std::atomic<bool>> cancelled = std::make_shared<std::atomic<bool>>(false);
    Downloaded done;
    QFutureWatcher<Fetched>* watcher = nullptr;
};

frmWait::~frmWait() {
    if (run_) {
        run_->cancelled->store(true);
        run_.reset();
    }
}

void frmWait::DownloadURL(const std::shared_ptr<Page>& page, const std::string& url, const std::string& fileName,
                          Downloaded done) {
    Cancel();
    saveFailure_.clear();
    show();
    raise();
    auto run = std::make_shared<Run>();
    run->done = std::move(done);
    run->watcher = new QFutureWatcher<Fetched>(this);
    run_ = run;
    connect(run->watcher, &QFutureWatcherBase::finished, this, [this, run, url] {
        run->watcher->deleteLater();
        if (run_ != run) return;  // cancelled meanwhile: its callback has been called
        const Fetched fetched = run->watcher->result();
        Finished(fetched.saved, fetched.title, fetched.saveFailure, url);
    });
    std::shared_ptr<std::atomic<bool>> cancelled = run->cancelled;
    run->watcher->setFuture(QtConcurrent::run([page, url, fileName, cancelled] {
        Fetched fetched;
        try {
            InternetHandler handler;
            fetched.saved = handler.SaveURLToCache(page, url, fileName, fetched.title);
            fetched.saveFailure = handler.LastSaveFailure();
            // Nobody takes the page any more: what was saved for it goes again.
            if (cancelled->load()) RemoveWritten(handler, *page, fileName);
        } catch (const std::exception& e) {
            fetched.saved = false;
            fetched.saveFailure = e.what();
        }
        return fetched;
    }));
}

void frmWait::Cancel() {
    if (!run_) return;
    std::shared_ptr<Run> run = std::move(run_);
    run->cancelled->store(true);
    if (run->done) run->done(Outcome::Cancelled, {});
}

void frmWait::Finished(bool saved, const std::string& title, const std::string& saveFailure, const std::string& url) {
    std::shared_ptr<Run> run = std::move(run_);
    saveFailure_ = saveFailure;
    if (!saved) {
        // The page came, but its copy could not be written: that is the failure to name.
        if (!saveFailure.empty())
            std::fprintf(stderr, "pelmor: %s was fetched but could not be saved: %s\n", url.c_str(),
                         saveFailure.c_str());
        if (!quiet_) {
            QMessageBox box(QMessageBox::Warning, QString(),
                            saveFailure.empty()
                                ? UnableText(QString::fromStdString(url))
                                : SaveFailureText(QString::fromStdString(url), QString::fromStdString(saveFailure)),
                            QMessageBox::Ok, this);
            box.setTextFormat(Qt::PlainText);
            box.exec();
        }
    }
    if (run->done) run->done(saved ? Outcome::Saved : Outcome::Failed, title);
}

void frmWait::closeEvent(QCloseEvent* event) { event->ignore(); }

}  // namespace pelmor::mainwindow
