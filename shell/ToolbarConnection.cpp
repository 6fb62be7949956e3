#include "shell/ToolbarConnection.h"

#include <QDBusMetaType>

#include "mainwindow/frmMain.h"
#include "shell/Activation.h"
#include "shell/BusObjects.h"
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
    const auto exports = QDBusConnection::ExportScriptableSlots | QDBusConnection::ExportAllProperties;
    return connection.registerObject(QString::fromLatin1(kSettingsPath), settings_.get(), exports) &&
           connection.registerObject(QString::fromLatin1(kApplicationPath), application_.get(), exports);
}

bool ToolbarConnection::IsAppRunning() {
    emit Used();
    return host_.AppRunning();
}

QDBusObjectPath ToolbarConnection::GetSettings() {
    emit Used();
    try {
        if (settings_ && host_.SharedSettings()) return QDBusObjectPath(QString::fromLatin1(kSettingsPath));
    } catch (...) {
        ReportError("");
    }
    return QDBusObjectPath(QString::fromLatin1(kNonePath));
}

QDBusObjectPath ToolbarConnection::GetApplication() {
    emit Used();
    try {
        if (application_ && host_.SharedApplication())
            return QDBusObjectPath(QString::fromLatin1(kApplicationPath));
    } catch (...) {
        ReportError("");
    }
    return QDBusObjectPath(QString::fromLatin1(kNonePath));
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
    try {
        f();
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
    try {
        if (mainwindow::frmMain* window = host_.MainWindow()) window->LoadTree();
    } catch (...) {
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
    mainwindow::frmMain* window = WindowOrError();
    if (!window) return;
    if (!window->CheckKeyNow(key.toStdString()))
        sendErrorReply(QString::fromLatin1(kErrorUnknownItem), QStringLiteral("No page or folder has the key ") + key);
}

}  // namespace pelmor::shell
