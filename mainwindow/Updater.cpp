// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/Updater.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <string>
#include <vector>

#include "platform/core/Failure.h"
#include "platform/log/Log.h"
#include "updater/Protocol.h"

namespace pelmor::mainwindow {

namespace {

using updater::Event;
using updater::Request;

// A checker that lived shorter than this before dying is started again only after a
// growing pause, so a checker that cannot run does not spin.
constexpr qint64 kShortLife = 5000;
constexpr int kFirstPause = 500;
constexpr int kLongestPause = 30000;
// How long one turn of reading answers may hold the thread.
constexpr qint64 kReadTurnMs = 8;

void Log(const std::string& text) {
    try {
        log::WriteLog(text);
    } catch (const std::exception&) {
    }
}

qint64 MonotonicMs() {
    static QElapsedTimer clock = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
    return clock.elapsed();
}

}  // namespace

QString Updater::DefaultProgram() {
    QString fromEnvironment = qEnvironmentVariable("PELMOR_UPDATER");
    if (!fromEnvironment.isEmpty()) return fromEnvironment;
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("pelmor-updater"));
}

Updater::Updater(QString program, QObject* parent) : QObject(parent), program_(std::move(program)) {}

Updater::~Updater() {
    if (!process_) return;
    process_->disconnect(this);
    if (process_->state() != QProcess::NotRunning) {
        process_->kill();
        process_->waitForFinished(3000);
    }
}

void Updater::StartChecking() {
    if (started_ || stopping_) return;
    started_ = true;
    Launch();
}

void Updater::Launch() {
    if (stopping_) return;
    auto* process = new QProcess(this);
    process_ = process;
    process->setProgram(program_);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(process, &QProcess::readyReadStandardOutput, this, [this] {
        if (!readScheduled_) ReadEvents();
    });
    connect(process, &QProcess::finished, this, [this, process] {
        if (process == process_) ProcessEnded();
    });
    // Nothing waits for the start: what is sent meanwhile goes once the process runs.
    connect(process, &QProcess::started, this, [this, process] {
        if (process != process_) return;
        std::vector<std::string> pending = std::move(pending_);
        pending_.clear();
        for (const std::string& line : pending) Send(line);
        if (stopping_) process->closeWriteChannel();
    });
    connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError error) {
        if (process != process_ || error != QProcess::FailedToStart) return;
        Log("Updater could not be started: " + process->errorString().toStdString());
        ProcessEnded();
    });
    launchedAt_ = MonotonicMs();
    process->start(QIODevice::ReadWrite);
    Send(updater::EncodeRequest({Request::Kind::StartChecking, 0, {}}));
}

void Updater::ProcessEnded() {
    if (stopping_ || !process_) return;
    QProcess* dead = process_;
    process_ = nullptr;
    pending_.clear();
    dead->disconnect(this);
    dead->deleteLater();
    if (dead->state() == QProcess::NotRunning && dead->exitStatus() == QProcess::CrashExit)
        Log("Updater died; starting a new one");
    else
        Log("Updater ended unexpectedly; starting a new one");
    // What it held is lost: those pages are due again at the next tick.
    inFlight_.clear();
    bool shortLife = MonotonicMs() - launchedAt_ < kShortLife;
    restartDelay_ = shortLife ? std::clamp(restartDelay_ * 2, kFirstPause, kLongestPause) : 0;
    QTimer::singleShot(restartDelay_, this, [this] {
        if (stopping_ || process_) return;
        ++restarts_;
        Launch();
        if (process_) emit CheckerRestarted();
    });
}

void Updater::Send(const std::string& line) {
    if (process_ && process_->state() == QProcess::Starting) {
        pending_.push_back(line);
        return;
    }
    if (!process_ || process_->state() != QProcess::Running) return;
    process_->write(line.data(), static_cast<qint64>(line.size()));
    process_->write("\n", 1);
}

bool Updater::CheckPage(const std::shared_ptr<Page>& page) {
    if (!page || stopping_ || IsInFlight(*page)) return false;
    if (!process_ || process_->state() == QProcess::NotRunning) return false;
    uint64_t id = nextId_++;
    inFlight_[id] = page;
    Send(updater::EncodeRequest({Request::Kind::CheckPage, id, updater::SnapshotOf(*page)}));
    return true;
}

bool Updater::IsInFlight(const Page& page) const {
    return std::any_of(inFlight_.begin(), inFlight_.end(), [&](const auto& entry) { return entry.second.get() == &page; });
}

void Updater::ReadEvents() {
    readScheduled_ = false;
    QProcess* process = process_;
    QElapsedTimer turn;
    turn.start();
    while (process && process == process_ && !stopping_ && process->canReadLine()) {
        // Answers that came together are handled a few milliseconds at a time, so the
        // window's own events run in between.
        if (turn.elapsed() >= kReadTurnMs) {
            readScheduled_ = true;
            QTimer::singleShot(0, this, [this] {
                if (readScheduled_) ReadEvents();
            });
            return;
        }
        QByteArray line = process->readLine();
        while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
        std::string reason;
        auto event = updater::DecodeEvent(std::string_view(line.constData(), static_cast<size_t>(line.size())), &reason);
        if (!event) {
            log::LogProgramError(
                Failure(Fault::InvalidArgument, "Pelmor", "Checker answer skipped, " + reason + ": " + line.left(200).toStdString()),
                "objUpdater");
            continue;
        }
        auto entry = inFlight_.find(event->id);
        if (entry == inFlight_.end()) continue;  // an answer for a page no longer waited for
        if (event->kind == Event::Kind::PageStartCheck) {
            std::shared_ptr<Page> page = entry->second;
            emit PageStartCheck(page);
            continue;
        }
        std::shared_ptr<Page> page = std::move(entry->second);
        inFlight_.erase(entry);
        page->SetLastCheckDate(event->lastCheckDate);
        page->SetCheckOutcome(event->failure, event->lastCheckDate);
        emit PageUpdated(page, event->updated);
    }
}

void Updater::StopChecking() {
    if (stopping_) return;
    stopping_ = true;
    inFlight_.clear();
    if (!process_) return;
    // A checker still starting is told once it runs (and its input closed then).
    Send(updater::EncodeRequest({Request::Kind::StopChecking, 0, {}}));
    if (process_->state() == QProcess::Running) process_->closeWriteChannel();
}

int32_t Updater::GetProcessHandle() const {
    return process_ ? static_cast<int32_t>(process_->processId()) : 0;
}

void Updater::EndProcessLater(int msWait, std::function<void()> ended) {
    setParent(QCoreApplication::instance());
    auto finish = [this, ended = std::move(ended)] {
        if (ended) ended();
        deleteLater();
    };
    if (!process_ || process_->state() == QProcess::NotRunning) {
        finish();
        return;
    }
    // No restart and no reading once the checker is on its way out.
    process_->disconnect(this);
    connect(process_, &QProcess::finished, this, finish);
    QTimer::singleShot(msWait, this, [this] {
        if (process_ && process_->state() != QProcess::NotRunning) process_->kill();
    });
}

bool Updater::EndProcess(int msWait) {
    if (!process_ || process_->state() == QProcess::NotRunning) return true;
    if (process_->waitForFinished(msWait)) return true;
    process_->kill();
    process_->waitForFinished(3000);
    return false;
}

}  // namespace pelmor::mainwindow
