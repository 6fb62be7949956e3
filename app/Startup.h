// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Main: the program's start. It handles the command-line words and the toolbar
// hand-shake, keeps to one running copy per session, opens the log, creates the
// preferences and the item tree, shows the splash window and, when its timer fires,
// loads, activates and shows the main window.

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

#include "items/Application.h"
#include "preferences/Settings.h"
#include "app/CommandLine.h"
#include "app/ToolbarConnection.h"

namespace pelmor::mainwindow {
class frmMain;
}

namespace pelmor::shell {

class SingleInstance;
class frmSplash;

class Program : public QObject, public ToolbarHost {
    Q_OBJECT
public:
    explicit Program(CommandLine commandLine, QObject* parent = nullptr);
    ~Program() override;

    // Runs the start up to the splash window. Answers the exit code when the program must
    // end at once (profile removal, toolbar start, another copy running), or nullopt when
    // the event loop should run.
    std::optional<int> Main();
    // The splash timer: closes the splash, then loads, activates and shows the main window
    // (or keeps it hidden for "hide"). Every step runs even when one before it failed.
    void SplashTimer();
    // Ends the program as its Exit command does, for a signal that asks it to end: the
    // main window unloads (profile, preferences, checker), then Finished.
    void Terminate(int signalNumber);

    // Answers the question "Do you want Pelmor to save your profile?": true for Yes. By
    // default a message box asks the user.
    void SetKeepProfileQuestion(std::function<bool()> question) { keepProfile_ = std::move(question); }

    bool AppRunning() const override { return appRunning_; }
    bool StartedHidden() const;
    mainwindow::frmMain* MainWindow() const override { return main_.get(); }
    std::shared_ptr<Settings> SharedSettings() const override { return settings_; }
    std::shared_ptr<Application> SharedApplication() const override { return application_; }
    // The toolbar connection on the bus; null when the start did not serve it.
    ToolbarConnection* Connection() const { return connection_.get(); }
    // Without a call for this long, a start only for the toolbar ends (60 s; the
    // environment variable PELMOR_TOOLBAR_IDLE_MS may set another time).
    static int ToolbarIdleMs();
    frmSplash* Splash() const { return splash_.get(); }
    const std::shared_ptr<Settings>& GetSettings() const { return settings_; }
    const std::shared_ptr<Application>& GetApplication() const { return application_; }

signals:
    // The main window has closed: the program ends.
    void Finished();

private:
    // The start for the toolbar only: serve the connection, without a window, until no
    // client has called for a while or a normal start takes the bus name over.
    std::optional<int> ServeToolbarOnly();
    void RestoreRequested();
    void LoadMainWindow();

    CommandLine commandLine_;
    std::function<bool()> keepProfile_;
    std::unique_ptr<SingleInstance> instance_;
    std::unique_ptr<ToolbarConnection> connection_;
    QTimer* idleTimer_ = nullptr;
    std::unique_ptr<frmSplash> splash_;
    std::unique_ptr<mainwindow::frmMain> main_;
    std::shared_ptr<Settings> settings_;
    std::shared_ptr<Application> application_;
    bool appRunning_ = false;
    bool restorePending_ = false;
};

}  // namespace pelmor::shell
