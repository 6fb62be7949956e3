// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Startup.h"

#include <string>

#include <QApplication>
#include <QDBusConnection>
#include <QGuiApplication>
#include <QMessageBox>
#include <QTimer>

#include "mainwindow/frmMain.h"
#include "platform/log/Log.h"
#include "shell/ErrorReport.h"
#include "app/ProfileRemoval.h"
#include "app/SingleInstance.h"
#include "app/ToolbarHandshake.h"
#include "app/frmSplash.h"

namespace pelmor::shell {
namespace {

bool AskKeepProfile() {
    return QMessageBox::question(nullptr, QCoreApplication::translate("Program", "Delete Profile"),
                                 QCoreApplication::translate("Program", "Do you want Pelmor to save your profile?"),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

template <typename F>
void Step(F&& f) {
    try {
        f();
    } catch (...) {
    }
}

}  // namespace

Program::Program(CommandLine commandLine, QObject* parent)
    : QObject(parent), commandLine_(std::move(commandLine)), keepProfile_(AskKeepProfile) {}

Program::~Program() = default;

bool Program::StartedHidden() const { return main_ && main_->StartedHidden(); }

std::optional<int> Program::Main() {
    if (commandLine_.AsksProfileRemoval()) {
        if (!keepProfile_()) RemoveProfile();
        return 0;
    }

    if (TakeToolbarRunning()) return ServeToolbarOnly();

    // A forced start takes the bus name too when it is free, so that later starts find it.
    instance_ = std::make_unique<SingleInstance>();
    SingleInstance::Claim claim = appRunning_ ? SingleInstance::Claim::HeldByOther : instance_->ClaimName();
    if (claim == SingleInstance::Claim::HeldByOther && !commandLine_.IsForce()) {
        instance_->AskOwnerToRestore();
        instance_.reset();
        return 0;
    }
    const bool busMissing = claim == SingleInstance::Claim::NoBus;
    connect(instance_.get(), &SingleInstance::RestoreRequested, this, &Program::RestoreRequested);
    if (claim == SingleInstance::Claim::Owned) {
        connection_ = std::make_unique<ToolbarConnection>(*this);
        connection_->Register(QDBusConnection::sessionBus(), false);
    }

    try {
        log::StartLog();
    } catch (...) {
        ReportError("Main");
    }
    log::WriteLog("Main entered");
    if (busMissing) log::WriteLog("No D-Bus session bus: another running copy cannot be found");
    appRunning_ = true;
    settings_ = std::make_shared<Settings>();
    log::WriteLog("Settings object created");
    application_ = Application::Create();
    log::WriteLog("Application object created");

    splash_ = std::make_unique<frmSplash>();
    connect(splash_.get(), &frmSplash::TimerFired, this, &Program::SplashTimer);
    splash_->Start();
    return std::nullopt;
}

int Program::ToolbarIdleMs() {
    bool ok = false;
    int ms = qEnvironmentVariableIntValue("PELMOR_TOOLBAR_IDLE_MS", &ok);
    return ok && ms > 0 ? ms : 60000;
}

std::optional<int> Program::ServeToolbarOnly() {
    instance_ = std::make_unique<SingleInstance>();
    // Another copy serves the toolbar already (or there is no bus): nothing to do here.
    if (instance_->ClaimName(true) != SingleInstance::Claim::Owned) {
        instance_.reset();
        return 0;
    }
    connection_ = std::make_unique<ToolbarConnection>(*this);
    connection_->Register(QDBusConnection::sessionBus(), true);
    idleTimer_ = new QTimer(this);
    idleTimer_->setSingleShot(true);
    idleTimer_->setInterval(ToolbarIdleMs());
    connect(connection_.get(), &ToolbarConnection::Used, idleTimer_, qOverload<>(&QTimer::start));
    connect(idleTimer_, &QTimer::timeout, this, &Program::Finished);
    connect(instance_.get(), &SingleInstance::NameLost, this, &Program::Finished);
    idleTimer_->start();
    return std::nullopt;
}

void Program::LoadMainWindow() {
    if (main_) return;
    main_ = std::make_unique<mainwindow::frmMain>(settings_, application_);
    connect(main_.get(), &mainwindow::frmMain::Unloaded, this, &Program::Finished, Qt::QueuedConnection);
}

void Program::Terminate(int signalNumber) {
    log::WriteLog("Signal " + std::to_string(signalNumber) + " received: ending");
    if (main_)
        main_->close();  // unloads; its Unloaded signal finishes the program
    else
        emit Finished();
}

void Program::SplashTimer() {
    const bool hide = commandLine_.IsHide();
    Step([&] {
        if (splash_) splash_->close();
        log::WriteLog("Splash timer fired");
    });
    if (!hide)
        Step([&] {
            LoadMainWindow();
            if (main_) main_->ShowMain();
        });
    Step([&] {
        log::WriteLog("Before frmMain loaded");
        LoadMainWindow();
        log::WriteLog("After frmMain loaded, before activated");
    });
    // A main window that could not be made leaves nothing to activate or show.
    Step([&] {
        if (main_) main_->ActivateMain();
        log::WriteLog("After frmMain activated");
    });
    if (!hide) Step([&] {
            if (main_) main_->ShowMain();
        });
    if (hide)
        Step([&] {
            if (!main_) return;
            if (main_->TrayIcon()) {
                main_->hide();
                main_->SetStartedHidden(true);
            } else {
                // Without a notification area a hidden window could not be brought back:
                // it waits minimised on the task bar instead. The window is minimised once
                // it is on the screen: a compositor ignores the request for a window it
                // has not mapped yet.
                main_->ShowMain();
                QTimer::singleShot(0, main_.get(), [window = main_.get()] { window->showMinimized(); });
                if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
                    log::WriteLog("Started hidden without a tray: the window was asked to minimise; on Wayland "
                                  "the desktop decides whether it does, and Pelmor cannot tell");
            }
        });
    splash_.reset();
    // From here the window serves the bus: calls that waited for it are answered.
    if (connection_) connection_->ServeWaitingCalls();
    if (restorePending_) {
        restorePending_ = false;
        RestoreRequested();
    }
}

void Program::RestoreRequested() {
    if (!main_ || splash_) {
        restorePending_ = true;
        return;
    }
    main_->menuRestoreTray_Click();
}

}  // namespace pelmor::shell
