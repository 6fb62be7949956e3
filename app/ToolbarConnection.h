// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The connection through which a browser toolbar (or pelmor-toolbar) reaches the running
// program over the D-Bus session bus: object /ToolbarConnection of the bus name
// org.pelmor.Pelmor. It asks whether the program runs, hands out the program's own
// preferences and item tree as the bus objects /Settings and /Application, makes the main
// window reload its tree and brings the window up. Calls arrive on the window thread
// between window events, one at a time.
//
// Object paths that stand for "no object" are "/": the bus's object path type has no
// empty value.

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QObject>
#include <memory>
#include <utility>
#include <vector>

namespace pelmor {
class Application;
class Settings;
}  // namespace pelmor

namespace pelmor::mainwindow {
class frmMain;
}

namespace pelmor::shell {

inline constexpr char kConnectionPath[] = "/ToolbarConnection";
inline constexpr char kConnectionInterface[] = "org.pelmor.Pelmor.ToolbarConnection";
inline constexpr char kSettingsPath[] = "/Settings";
inline constexpr char kSettingsInterface[] = "org.pelmor.Pelmor.Settings";
inline constexpr char kApplicationPath[] = "/Application";
inline constexpr char kApplicationInterface[] = "org.pelmor.Pelmor.Application";
inline constexpr char kNonePath[] = "/";

// Names of the errors the bus objects answer with.
inline constexpr char kErrorNotRunning[] = "org.pelmor.Pelmor.Error.NotRunning";
inline constexpr char kErrorUnknownItem[] = "org.pelmor.Pelmor.Error.UnknownItem";
inline constexpr char kErrorInvalidArgument[] = "org.pelmor.Pelmor.Error.InvalidArgument";
inline constexpr char kErrorExists[] = "org.pelmor.Pelmor.Error.AlreadyExists";
inline constexpr char kErrorBusy[] = "org.pelmor.Pelmor.Error.Busy";
inline constexpr char kErrorFailed[] = "org.pelmor.Pelmor.Error.Failed";

// What the connection reads of the program: its state as the start left it.
class ToolbarHost {
public:
    virtual ~ToolbarHost() = default;
    virtual bool AppRunning() const = 0;
    // Null when the program was started only for the toolbar.
    virtual std::shared_ptr<Settings> SharedSettings() const = 0;
    virtual std::shared_ptr<Application> SharedApplication() const = 0;
    // Null until the splash timer has loaded the main window.
    virtual mainwindow::frmMain* MainWindow() const = 0;
};

class SettingsObject;
class ApplicationObject;

class ToolbarConnection : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.pelmor.Pelmor.ToolbarConnection")
public:
    explicit ToolbarConnection(ToolbarHost& host, QObject* parent = nullptr);
    ~ToolbarConnection() override;

    // Puts /ToolbarConnection on the connection and, unless `toolbarOnly`, the /Settings
    // and /Application objects. False when a path is taken already.
    bool Register(QDBusConnection connection, bool toolbarOnly);

    ApplicationObject* ApplicationOnBus() const { return application_.get(); }
    // The main window can serve now: IsAppRunning answers true, and calls that waited for
    // the window are answered.
    void ServeWaitingCalls();

public slots:
    // The six operations, in interface order.
    Q_SCRIPTABLE bool IsAppRunning();
    Q_SCRIPTABLE QDBusObjectPath GetSettings();
    Q_SCRIPTABLE QDBusObjectPath GetApplication();
    Q_SCRIPTABLE void UpdatePage(const QDBusObjectPath& oPage);
    Q_SCRIPTABLE void OpenApp();
    Q_SCRIPTABLE void AddPage(const QString& strURL, const QString& strDescription);
    // OpenApp with the caller's activation token ("" for none), which lets the window
    // come up where the desktop asks for proof that the user wanted it (Wayland).
    Q_SCRIPTABLE void OpenAppWithToken(const QString& activationToken);
    // Checks now, due or not: every active page for "", else the page of that key
    // (active or not) or the active pages below the folder of that key.
    Q_SCRIPTABLE void Check(const QString& key);

signals:
    // A client called one of the objects: the toolbar-only start counts its idle time
    // from here.
    void Used();

private:
    mainwindow::frmMain* WindowOrError();
    // The path of a registered object, "/" when there is none; while the window starts the
    // answer waits for it.
    QDBusObjectPath ObjectPath(bool registered, const char* path);
    template <typename F>
    void PassFailures(F&& f);

    ToolbarHost& host_;
    std::unique_ptr<SettingsObject> settings_;
    std::unique_ptr<ApplicationObject> application_;
    bool registered_ = false;
    bool serving_ = false;
    std::vector<std::pair<QDBusMessage, QString>> waiting_;
};

}  // namespace pelmor::shell
