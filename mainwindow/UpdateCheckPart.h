// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The software update check of the main window: the update server is asked on another
// thread while the window goes on, and the answer is handled when it comes. The window
// owns it; it needs no more of the window than a parent for its message boxes.

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>

#include "mainwindow/SoftwareUpdate.h"

class QWidget;

namespace pelmor::mainwindow {

class UpdateCheckPart : public QObject {
    Q_OBJECT
public:
    // `iniFile` names the preferences that hold the server; it is read at every check.
    UpdateCheckPart(std::function<std::string()> iniFile, QWidget* window);
    ~UpdateCheckPart() override;

    // "Check For Software Updates": asks the server, then offers the download, says that
    // there is none, or says that the server could not be asked. Says at once when no
    // server is configured. Nothing new starts while a check runs.
    void CheckNow();
    // The check at start-up: asks quietly and offers the download only when there is a
    // newer version. Without a server nothing is asked.
    void CheckAtStart();
    // True while the server is being asked.
    bool Checking() const { return run_ != nullptr; }
    // The window is closing: a running check's answer is dropped when it comes.
    void Stop();
    // Asks whether to download the new version and opens the installer's address.
    void DownloadSoftware();
    // The version the running program compares with; by default the application's.
    void SetRunningVersion(const ProgramVersion& version) { running_ = version; }

signals:
    // A check has ended with this answer (not after Stop).
    void Answered(pelmor::mainwindow::UpdateAnswer answer);

private:
    struct Run;
    // Starts asking `server`; false when a check runs already.
    bool Ask(const std::string& server, bool fromMenu);
    void Handle(UpdateAnswer answer, const std::string& server, bool fromMenu);

    std::function<std::string()> iniFile_;
    QPointer<QWidget> window_;
    ProgramVersion running_;
    std::shared_ptr<Run> run_;
    bool stopped_ = false;
};

}  // namespace pelmor::mainwindow
