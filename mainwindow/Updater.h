// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// objUpdater: the main window's handle on the checker program. It starts pelmor-updater
// as a child process, hands pages over as copies of what a check reads, and turns the
// checker's answers into the signals PageStartCheck and PageUpdated on the thread that
// owns this object (the window thread).
//
// Each page handed over is held until its answer arrives; the answer's LastCheckDate is
// written to that page before PageUpdated is emitted, even when the page was taken out
// of the tree meanwhile, and so is the check's outcome (Page::Failing, LastFailure). A
// page whose check is still running is not handed over again.
// When the checker dies it is started again; the pages it held are no longer in flight,
// so the schedule hands them over again when they are due.

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "items/Page.h"

class QProcess;

namespace pelmor::mainwindow {

class Updater : public QObject {
    Q_OBJECT
public:
    // The checker program: $PELMOR_UPDATER when set, else pelmor-updater next to this
    // program's executable.
    static QString DefaultProgram();

    explicit Updater(QString program = DefaultProgram(), QObject* parent = nullptr);
    // Ends the process (killed at once when it is still running).
    ~Updater() override;

    // Starts the checker program without waiting for it; pages handed over meanwhile go
    // once it runs. Logs and retries later when it cannot start.
    void StartChecking();
    // Hands a page over. False, sending nothing, for no page, a page still being checked,
    // or after StopChecking.
    bool CheckPage(const std::shared_ptr<Page>& page);
    // Asks the checker to stop; no signal is emitted afterwards.
    void StopChecking();
    // The checker's process id; 0 when it is not running.
    int32_t GetProcessHandle() const;
    // Waits up to msWait for the checker to end by itself, then kills it. True when it
    // ended by itself (or was not running).
    bool EndProcess(int msWait = 1000);
    // Ends the checker without waiting, for callers on the window thread: it has msWait to
    // end by itself, then it is killed. Once the process is gone `ended` runs and the
    // updater deletes itself; the caller gives up its ownership. An updater still waiting
    // when the program quits is deleted with the application, which kills the checker.
    void EndProcessLater(int msWait, std::function<void()> ended);

    bool IsInFlight(const Page& page) const;
    int InFlightCount() const { return static_cast<int>(inFlight_.size()); }
    // Times the checker was started again after it died.
    int Restarts() const { return restarts_; }

signals:
    void PageStartCheck(std::shared_ptr<pelmor::Page> page);
    // The handler may set page to null (the page left the tree meanwhile).
    void PageUpdated(std::shared_ptr<pelmor::Page>& page, bool updated);
    // The checker died and a new one has been started.
    void CheckerRestarted();

private:
    void Launch();
    void ReadEvents();
    void ProcessEnded();
    void Send(const std::string& line);

    QString program_;
    QProcess* process_ = nullptr;
    bool started_ = false;
    bool stopping_ = false;
    bool readScheduled_ = false;  // a turn of reading answers is to follow
    int restarts_ = 0;
    int restartDelay_ = 0;
    qint64 launchedAt_ = 0;
    uint64_t nextId_ = 1;
    std::map<uint64_t, std::shared_ptr<Page>> inFlight_;
    std::vector<std::string> pending_;  // lines sent while the process was starting
};

}  // namespace pelmor::mainwindow
