// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolbar/Client.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <sys/types.h>

namespace pelmor::toolbar {
namespace {

const QString kService = QStringLiteral("org.pelmor.Pelmor");
const QString kConnectionPath = QStringLiteral("/ToolbarConnection");
const QString kConnectionInterface = QStringLiteral("org.pelmor.Pelmor.ToolbarConnection");
const QString kApplicationInterface = QStringLiteral("org.pelmor.Pelmor.Application");
const QString kNotRunning = QStringLiteral("Pelmor is not running");

// Whether the process has ended: gone, or a zombie that nobody has reaped yet.
bool HasEnded(qint64 pid) {
    if (pid <= 0) return false;
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) return true;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return true;
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    const char state = close >= 0 && close + 2 < line.size() ? line.at(close + 2) : '?';
    return state == 'Z' || state == 'X';
}

// Downloading a page may take the loader's time-out for the page and each of its frames.
constexpr int kAddTimeoutMs = 180000;

}  // namespace

Client::Client(QDBusConnection connection) : connection_(std::move(connection)) {
    qDBusRegisterMetaType<QList<QVariantMap>>();
}

Outcome Client::Call(const QString& path, const QString& interface, const QString& method,
                     const QVariantList& args, QList<QVariant>* results, int timeoutMs) {
    if (!connection_.isConnected())
        return {Outcome::NotRunning, QStringLiteral("No D-Bus session bus: %1").arg(kNotRunning)};
    QDBusMessage call = QDBusMessage::createMethodCall(kService, path, interface, method);
    call.setArguments(args);
    // A client's question must not start the program as a side effect.
    call.setAutoStartService(false);
    QDBusMessage reply = connection_.call(call, QDBus::Block, timeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage) {
        if (results) *results = reply.arguments();
        return {};
    }
    const QString name = reply.errorName();
    if (name == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
        name == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner") ||
        name == QLatin1String("org.pelmor.Pelmor.Error.NotRunning"))
        return {Outcome::NotRunning, kNotRunning};
    return {Outcome::Failed, reply.errorMessage().isEmpty() ? name : reply.errorMessage()};
}

Outcome Client::Running() {
    QList<QVariant> results;
    Outcome outcome = Call(kConnectionPath, kConnectionInterface, QStringLiteral("IsAppRunning"), {}, &results);
    if (!outcome.ok()) return outcome;
    if (results.value(0).toBool()) return {};
    return {Outcome::NotRunning, kNotRunning + QStringLiteral(" (only its toolbar connection is served)")};
}

Outcome Client::Open() {
    const QString token = qEnvironmentVariable("XDG_ACTIVATION_TOKEN");
    return Call(kConnectionPath, kConnectionInterface, QStringLiteral("OpenAppWithToken"), {token});
}

Outcome Client::Check(const QString& key) {
    return Call(kConnectionPath, kConnectionInterface, QStringLiteral("Check"), {key});
}

Outcome Client::Start(int timeoutMs) {
    QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/pelmor");
    if (!QFileInfo(program).isExecutable()) program = QStandardPaths::findExecutable(QStringLiteral("pelmor"));
    qint64 pid = 0;
    if (program.isEmpty() || !QProcess::startDetached(program, {}, QString(), &pid))
        return {Outcome::Failed, QStringLiteral("Pelmor could not be started")};
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (Running().ok()) return {};
        // A program that has ended will never answer: say so at once.
        if (HasEnded(pid)) {
            if (Running().ok()) return {};
            return {Outcome::Failed, QStringLiteral("Pelmor ended right after it was started")};
        }
        QThread::msleep(100);
    }
    return {Outcome::Failed, QStringLiteral("Pelmor did not start within %1 seconds").arg(timeoutMs / 1000)};
}

Outcome Client::List(QList<QVariantMap>& items) {
    QList<QVariant> results;
    Outcome outcome = Call(kConnectionPath, kConnectionInterface, QStringLiteral("GetApplication"), {}, &results);
    if (!outcome.ok()) return outcome;
    const QString path = results.value(0).value<QDBusObjectPath>().path();
    if (path.isEmpty() || path == QLatin1String("/")) return {Outcome::NotRunning, kNotRunning};
    outcome = Call(path, kApplicationInterface, QStringLiteral("ListItems"), {}, &results);
    if (!outcome.ok()) return outcome;
    items.clear();
    qdbus_cast<QList<QVariantMap>>(results.value(0)).swap(items);
    return {};
}

Outcome Client::Add(const QString& url, const QString& folderKey, const QString& description, QString& key) {
    QList<QVariant> results;
    Outcome outcome = Call(kConnectionPath, kConnectionInterface, QStringLiteral("GetApplication"), {}, &results);
    if (!outcome.ok()) return outcome;
    const QString path = results.value(0).value<QDBusObjectPath>().path();
    if (path.isEmpty() || path == QLatin1String("/")) return {Outcome::NotRunning, kNotRunning};
    outcome = Call(path, kApplicationInterface, QStringLiteral("AddPage"), {folderKey, url, description}, &results,
                   kAddTimeoutMs);
    if (outcome.ok()) key = results.value(0).toString();
    return outcome;
}

Outcome Client::Reload() {
    return Call(kConnectionPath, kConnectionInterface, QStringLiteral("UpdatePage"),
                {QVariant::fromValue(QDBusObjectPath(QStringLiteral("/")))});
}

}  // namespace pelmor::toolbar
