// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ToolbarConnection.h"

#include <QDBusMetaType>

#include "mainwindow/frmMain.h"
#include "shell/Activation.h"
#include "app/BusLimits.h"
#include "app/BusObjects.h"
#include "platform/core/Failure.h"
#include "shell/ErrorReport.h"

namespace pelmor::shell {

ToolbarConnection::ToolbarConnection(ToolbarHost& host, QObject* parent) : QObject(parent), host_(host) {
    qDBusRegisterMetaType<QList<QVariantMap>>();
}

ToolbarConnection::~ToolbarConnection() = default;

bool ToolbarConnection::Register(QDBusConnection connection, bool toolbarOnly) {
    if (!connection.registerObject(QString::fromLatin1(kConnectionPath), this,
                                   QDBusConnection::ExportScriptableSlots))
        return false;
    if (toolbarOnly) return true;
    settings_ = std::make_unique<SettingsObject>(host_);
    application_ = std::make_unique<ApplicationObject>(host_);
    connect(settings_.get(), &SettingsObject::Used, this, &ToolbarConnection::Used);
    connect(application_.get(), &ApplicationObject::Used, this, &ToolbarConnection::Used);
    const auto exports = QDBusConnection::ExportScriptableSlots | QDBusConnection::ExportAllProperties |
                         QDBusConnection::ExportScriptableSignals;
    return connection.registerObject(QString::fromLatin1(kSettingsPath), settings_.get(), exports) &&
           connection.registerObject(QString::fromLatin1(kApplicationPath), application_.get(), exports);
}

bool ToolbarConnection::IsAppRunning() {
    emit Used();
    // True only once the window can serve what a client asks next.
    return host_.AppRunning() && serving_;
}

QDBusObjectPath ToolbarConnection::GetSettings() { return ObjectPath(settings_ != nullptr, kSettingsPath); }

QDBusObjectPath ToolbarConnection::GetApplication() { return ObjectPath(application_ != nullptr, kApplicationPath); }

QDBusObjectPath ToolbarConnection::ObjectPath(bool registered, const char* path) {
    emit Used();
    if (!registered || !host_.AppRunning()) return QDBusObjectPath(QString::fromLatin1(kNonePath));
    // While the window starts, the answer waits for it (within the caller's time-out).
    if (!serving_ && calledFromDBus()) {
        setDelayedReply(true);
        waiting_.push_back({message(), QString::fromLatin1(path)});
        return QDBusObjectPath(QString::fromLatin1(kNonePath));
    }
    return QDBusObjectPath(QString::fromLatin1(serving_ ? path : kNonePath));
}

void ToolbarConnection::ServeWaitingCalls() {
    serving_ = true;
    for (const auto& [call, path] : waiting_)
        QDBusConnection::sessionBus().send(call.createReply(QVariant::fromValue(QDBusObjectPath(path))));
    waiting_.clear();
    if (application_) application_->ServeWaitingCalls();
}

mainwindow::frmMain* ToolbarConnection::WindowOrError() {
    mainwindow::frmMain* window = host_.MainWindow();
    if (!window && calledFromDBus())
        sendErrorReply(QString::fromLatin1(kErrorNotRunning), QStringLiteral("Pelmor's main window is not running"));
    return window;
}

// A failure of the window's own procedure goes back to the client as a failed call.
template <typename F>
void ToolbarConnection::PassFailures(F&& f) {
    QuietErrors quiet;
    try {
        f();
        if (quiet.Reported() && calledFromDBus())
            sendErrorReply(QString::fromLatin1(kErrorFailed), QString::fromStdString(quiet.Description()));
    } catch (const Failure& failure) {
        sendErrorReply(QString::fromLatin1(kErrorFailed), QString::fromStdString(failure.Description()));
    } catch (const std::exception& e) {
        sendErrorReply(QString::fromLatin1(kErrorFailed), QString::fromLocal8Bit(e.what()));
    }
}

void ToolbarConnection::UpdatePage(const QDBusObjectPath&) {
    emit Used();
    if (mainwindow::frmMain* window = WindowOrError()) PassFailures([&] { window->LoadTree(); });
}

void ToolbarConnection::OpenApp() {
    emit Used();
    if (mainwindow::frmMain* window = WindowOrError()) PassFailures([&] { window->menuRestoreTray_Click(); });
}

void ToolbarConnection::AddPage(const QString&, const QString&) {
    emit Used();
    // Toolbars call this after saving the profile themselves: only the reload matters,
    // and a failure of it is not the toolbar's concern.
    QuietErrors quiet;
    try {
        if (mainwindow::frmMain* window = host_.MainWindow()) window->LoadTree();
    } catch (const std::exception&) {
        // LoadTree has reported its own failure to the log.
    }
}

}  // namespace pelmor::shell

namespace pelmor::shell {

void ToolbarConnection::OpenAppWithToken(const QString& activationToken) {
    emit Used();
    if (!host_.MainWindow()) {
        WindowOrError();
        return;
    }
    UseActivationToken(activationToken);
    OpenApp();
}

void ToolbarConnection::Check(const QString& key) {
    emit Used();
    if (auto refused = TooLong(QStringLiteral("The key"), key, kMaxKeyBytes)) {
        sendErrorReply(QString::fromLatin1(kErrorFailed), *refused);
        return;
    }
    mainwindow::frmMain* window = WindowOrError();
    if (!window) return;
    bool known = true;
    PassFailures([&] { known = window->CheckKeyNow(key.toStdString()); });
    if (!known)
        sendErrorReply(QString::fromLatin1(kErrorUnknownItem),
                       QStringLiteral("No page or folder has the key ") + Quoted(key));
}

}  // namespace pelmor::shell
