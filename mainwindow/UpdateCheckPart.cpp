// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/UpdateCheckPart.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFutureWatcher>
#include <QMessageBox>
#include <QUrl>
#include <QtConcurrent/QtConcurrentRun>

#include "platform/log/Log.h"

namespace pelmor::mainwindow {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

ProgramVersion ApplicationVersion() {
    std::optional<ProgramVersion> version = ParseVersion(QCoreApplication::applicationVersion().toStdString());
    return version.value_or(ProgramVersion{});
}

}  // namespace

// A check under way: the watcher that reports the server's answer.
struct UpdateCheckPart::Run {
    QFutureWatcher<UpdateAnswer>* watcher = nullptr;
    bool fromMenu = false;  // the hourglass shows while it runs
};

UpdateCheckPart::UpdateCheckPart(std::function<std::string()> iniFile, QWidget* window)
    : QObject(window), iniFile_(std::move(iniFile)), window_(window), running_(ApplicationVersion()) {}

UpdateCheckPart::~UpdateCheckPart() { Stop(); }

void UpdateCheckPart::Stop() {
    stopped_ = true;
    if (!run_) return;
    // The request ends by itself within the loader's time limit; nobody waits for it.
    run_->watcher->disconnect(this);
    run_->watcher->deleteLater();
    if (run_->fromMenu) QApplication::restoreOverrideCursor();
    run_.reset();
}

bool UpdateCheckPart::Ask(const std::string& server, bool fromMenu) {
    if (run_ || stopped_) return false;
    if (fromMenu) log::WriteLog("IsUpdateSoftware entered");
    auto run = std::make_shared<Run>();
    run->watcher = new QFutureWatcher<UpdateAnswer>(this);
    run->fromMenu = fromMenu;
    run_ = run;
    if (fromMenu) QApplication::setOverrideCursor(Qt::WaitCursor);
    connect(run->watcher, &QFutureWatcherBase::finished, this, [this, run, server, fromMenu] {
        run->watcher->deleteLater();
        if (run_ != run) return;
        run_.reset();
        if (fromMenu) QApplication::restoreOverrideCursor();
        Handle(run->watcher->result(), server, fromMenu);
    });
    const ProgramVersion running = running_;
    run->watcher->setFuture(QtConcurrent::run([server, running] { return CheckServerVersion(server, running); }));
    return true;
}

void UpdateCheckPart::CheckAtStart() {
    log::WriteLog("IsUpdateSoftware entered");
    const std::string server = UpdateServer(iniFile_());
    // Without a server there is nobody to ask: no request is made.
    if (!server.empty()) Ask(server, false);
}

void UpdateCheckPart::CheckNow() {
    log::WriteLog("UpdateSoftware entered");
    const std::string server = UpdateServer(iniFile_());
    if (server.empty()) {
        QMessageBox::information(window_, tr("Update Software"),
                                 tr("No update server is configured. Its address goes into "
                                    "Pelmor.ini, section \"Locations\", key \"UpdateServer\"."));
        return;
    }
    Ask(server, true);
}

void UpdateCheckPart::Handle(UpdateAnswer answer, const std::string& server, bool fromMenu) {
    emit Answered(answer);
    if (answer == UpdateAnswer::Newer) {
        DownloadSoftware();
    } else if (!fromMenu) {
        return;
    } else if (answer == UpdateAnswer::Current) {
        QMessageBox::information(window_, tr("Update Software"), tr("There are no updated available."));
    } else {
        // Saying "no update" when the server could not be asked would mislead.
        QMessageBox::warning(
            window_, tr("Update Software"),
            tr("The update server could not be asked for the newest version:\n") + Q(VersionFileURL(server)));
    }
}

void UpdateCheckPart::DownloadSoftware() {
    log::WriteLog("DownloadSoftware entered");
    const std::string server = UpdateServer(iniFile_());
    if (server.empty()) return;
    QMessageBox box(QMessageBox::Information, tr("Software Update"),
                    tr("Pelmor has new release available for download.\r\nDownload site: ") + Q(server),
                    QMessageBox::Yes | QMessageBox::No, window_);
    box.setTextFormat(Qt::PlainText);
    if (box.exec() == QMessageBox::Yes) QDesktopServices::openUrl(QUrl(Q(InstallerURL(server))));
}

}  // namespace pelmor::mainwindow
