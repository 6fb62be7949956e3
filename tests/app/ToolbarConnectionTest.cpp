// SPDX-License-Identifier: GPL-3.0-or-later
// The toolbar connection of a running program, called over the session bus from a
// connection of its own (as another process would) and by the real pelmor-toolbar: the
// six operations, the bus objects' changes reaching the window's tree, the profile file
// and the cache, clean failures for bad arguments, and the native-messaging host.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

#include "mainwindow/frmMain.h"
#include "app/Startup.h"
#include "support/HttpServer.h"
#include "support/TempHome.h"

using namespace pelmor;
using namespace pelmor::shell;
namespace fs = std::filesystem;

namespace {

const char kClient[] = "toolbar-client";

// Calls the program on its own bus connection while the program's loop keeps running.
QDBusMessage Call(const QString& path, const QString& interface, const QString& method,
                  const QVariantList& args = {}) {
    QDBusMessage call = QDBusMessage::createMethodCall("org.pelmor.Pelmor", path, interface, method);
    call.setArguments(args);
    QDBusPendingCall pending = QDBusConnection(kClient).asyncCall(call, 60000);
    QDBusPendingCallWatcher watcher(pending);
    QEventLoop loop;
    QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
    if (!pending.isFinished()) loop.exec();
    return pending.reply();
}

QDBusMessage Connection(const QString& method, const QVariantList& args = {}) {
    return Call("/ToolbarConnection", "org.pelmor.Pelmor.ToolbarConnection", method, args);
}
QDBusMessage App(const QString& method, const QVariantList& args = {}) {
    return Call("/Application", "org.pelmor.Pelmor.Application", method, args);
}

QList<QVariantMap> Items() { return qdbus_cast<QList<QVariantMap>>(App("ListItems").arguments().value(0)); }

// Runs pelmor-toolbar while this process goes on serving the bus.
struct Run {
    int code = -1;
    QString out;
    QString err;
};
Run Toolbar(const QStringList& args, const QByteArray& input = {}) {
    QProcess process;
    process.start(PELMOR_TOOLBAR, args);
    if (!input.isEmpty()) process.write(input);
    process.closeWriteChannel();
    QDeadlineTimer deadline(60000);
    while (process.state() != QProcess::NotRunning && !deadline.hasExpired()) QTest::qWait(20);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QByteArray Framed(const QByteArray& json) {
    const quint32 length = json.size();
    return QByteArray(reinterpret_cast<const char*>(&length), 4) + json;
}

}  // namespace

class ToolbarConnectionTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        qDBusRegisterMetaType<QList<QVariantMap>>();
        QVERIFY(QDBusConnection::connectToBus(QDBusConnection::SessionBus, kClient).isConnected());
    }
    void cleanupTestCase() { QDBusConnection::disconnectFromBus(kClient); }
    void operationsOfTheRunningProgram();
    void changesThroughTheApplicationObject();
};

void ToolbarConnectionTest::operationsOfTheRunningProgram() {
    test::TempHome home;
    Program program(CommandLine("hide"));
    QCOMPARE(program.Main(), std::nullopt);

    // The six operations, in their order.
    QString xml = Call("/ToolbarConnection", "org.freedesktop.DBus.Introspectable", "Introspect")
                      .arguments()
                      .value(0)
                      .toString();
    qsizetype at = 0;
    for (const char* name : {"IsAppRunning", "GetSettings", "GetApplication", "UpdatePage", "OpenApp", "AddPage"}) {
        qsizetype found = xml.indexOf(QStringLiteral("<method name=\"%1\"").arg(name), at);
        QVERIFY2(found > at, name);
        at = found;
    }

    // Before the splash timer the window cannot serve yet, and there is none to restore.
    QCOMPARE(Connection("IsAppRunning").arguments().value(0).toBool(), false);
    QCOMPARE(Connection("OpenApp").errorName(), QString("org.pelmor.Pelmor.Error.NotRunning"));

    program.SplashTimer();
    auto* window = program.MainWindow();
    // Hidden in the tray, as a start with "hide" leaves it where the desktop has one.
    window->hide();
    window->SetStartedHidden(true);

    QCOMPARE(Connection("GetSettings").arguments().value(0).value<QDBusObjectPath>().path(), QString("/Settings"));
    QDBusMessage xmlFile = Call("/Settings", "org.freedesktop.DBus.Properties", "Get",
                                {"org.pelmor.Pelmor.Settings", "XMLFile"});
    QCOMPARE(xmlFile.arguments().value(0).value<QDBusVariant>().variant().toString(),
             QString::fromStdString((home.Data() / "Files.XML").string()));
    QCOMPARE(Connection("GetApplication").arguments().value(0).value<QDBusObjectPath>().path(),
             QString("/Application"));

    // A profile changed behind the window shows after UpdatePage or AddPage; AddPage itself
    // adds nothing.
    test::WriteFile(home.Data() / "Files.XML",
                    "<ROOT Active=\"True\" PeriodTime=\"1\" PeriodUnit=\"2\"><Folder Name=\"Work\" Active=\"True\" "
                    "PeriodTime=\"1\" PeriodUnit=\"2\"/></ROOT>");
    QVERIFY(Connection("AddPage", {"http://127.0.0.1:9/new", "New"}).type() == QDBusMessage::ReplyMessage);
    QCOMPARE(Items().size(), 1);
    QCOMPARE(window->Tree()->RootIndex().model()->rowCount(window->Tree()->RootIndex()), 1);
    test::WriteFile(home.Data() / "Files.XML", "<ROOT Active=\"True\" PeriodTime=\"1\" PeriodUnit=\"2\"/>");
    QVERIFY(Connection("UpdatePage", {QVariant::fromValue(QDBusObjectPath("/"))}).type() ==
            QDBusMessage::ReplyMessage);
    QCOMPARE(window->Tree()->RootIndex().model()->rowCount(window->Tree()->RootIndex()), 0);

    // OpenApp while hidden shows the window in its normal state.
    QVERIFY(Connection("OpenApp").type() == QDBusMessage::ReplyMessage);
    QVERIFY(window->isVisible());
    QVERIFY(!(window->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)));
    QVERIFY(!program.StartedHidden());

    Run running = Toolbar({"running"});
    QCOMPARE(running.code, 0);
    QCOMPARE(running.out.trimmed(), QString("Pelmor is running"));
}

void ToolbarConnectionTest::changesThroughTheApplicationObject() {
    test::TempHome home;
    test::HttpServer server;
    server.Page("/news", "<html><head><title>Morning News</title></head><body><p>Today</p></body></html>");
    Program program(CommandLine("force"));
    QCOMPARE(program.Main(), std::nullopt);
    program.SplashTimer();
    auto* window = program.MainWindow();
    const fs::path profile = home.Data() / "Files.XML";

    QDBusMessage folder = App("AddFolder", {"", "News", "daily"});
    QCOMPARE(folder.arguments().value(0).toString(), QString("News"));
    QVERIFY(test::ReadFile(profile).find("Name=\"News\"") != std::string::npos);

    // The command-line client adds a page served here: window, profile and cache.
    const QString url = QString::fromStdString(server.Url("/news"));
    Run added = Toolbar({"add", url, "--folder", "news"});
    QCOMPARE(added.code, 0);
    const QString key = "News\\" + url;
    QCOMPARE(added.out.trimmed(), "Added " + key);
    QVERIFY(window->Pages().Find(key.toStdString()));
    QVERIFY(test::ReadFile(profile).find(url.toStdString()) != std::string::npos);
    QList<QVariantMap> items = Items();
    QCOMPARE(items.size(), 2);
    QCOMPARE(items[1].value("Description").toString(), QString("Morning News"));
    QCOMPARE(items[1].value("ParentKey").toString(), QString("News"));
    const fs::path saved = items[1].value("SavedFile").toString().toStdString();
    QVERIFY(fs::exists(saved));
    QVERIFY(saved.string().starts_with((home.Data() / "Files").string()));

    // Bad arguments fail with a message and change nothing.
    const std::string before = test::ReadFile(profile);
    Run unknown = Toolbar({"add", url, "--folder", "Sport"});
    QCOMPARE(unknown.code, 1);
    QVERIFY(unknown.err.contains("No folder has the key Sport"));
    QCOMPARE(Toolbar({"add", url, "--folder", "News"}).code, 1);  // already there
    QCOMPARE(App("AddPage", {"", "javascript:alert(1)", ""}).errorName(),
             QString("org.pelmor.Pelmor.Error.InvalidArgument"));
    QCOMPARE(App("AddFolder", {"News", "a\\b", ""}).errorName(), QString("org.pelmor.Pelmor.Error.InvalidArgument"));
    QDBusMessage badColour =
        App("SetPageProperties", {key, QVariantMap{{"Description", "Renamed"}, {"InsertColor", "green"}}});
    QCOMPARE(badColour.errorName(), QString("org.pelmor.Pelmor.Error.InvalidArgument"));
    QCOMPARE(test::ReadFile(profile), before);
    QCOMPARE(server.Hits("/news"), 1);

    // The bus changes rows in the window; it never rebuilds the tree.
    QSignalSpy resets(window->Model(), &QAbstractItemModel::modelReset);
    QSignalSpy removals(window->Model(), &QAbstractItemModel::rowsRemoved);
    QDBusMessage changed = App("SetPageProperties", {key, QVariantMap{{"Description", "Renamed"},
                                                                      {"PeriodTime", 2},
                                                                      {"PeriodUnit", 0},
                                                                      {"UpdateColor", "#00aaff"},
                                                                      {"EndDate", "31/12/2030"}}});
    QVERIFY2(changed.type() == QDBusMessage::ReplyMessage, qPrintable(changed.errorMessage()));
    items = Items();
    QCOMPARE(items[1].value("Description").toString(), QString("Renamed"));
    QCOMPARE(items[1].value("PeriodTime").toInt(), 5);  // at least 5 minutes
    QCOMPARE(items[1].value("UpdateColor").toString(), QString("#00AAFF"));
    QCOMPARE(items[1].value("EndDate").toString(), QString("31/12/2030"));
    QVERIFY(test::ReadFile(profile).find("Renamed") != std::string::npos);
    QCOMPARE(window->Model()->FindIndex(key).data().toString(), QString("Renamed"));

    // The native-messaging host lists the folders for the browser's button.
    Run native = Toolbar({"--native-messaging"}, Framed(R"({"command":"folders"})"));
    QCOMPARE(native.code, 0);
    QByteArray answer = native.out.toUtf8();
    QVERIFY(answer.size() > 4);
    quint32 length = 0;
    memcpy(&length, answer.constData(), 4);
    QCOMPARE(qsizetype(length), answer.size() - 4);
    QJsonObject folders = QJsonDocument::fromJson(answer.mid(4)).object();
    QCOMPARE(folders.value("ok").toBool(), true);
    QCOMPARE(folders.value("folders").toArray().size(), 2);
    QCOMPARE(folders.value("folders").toArray()[1].toObject().value("key").toString(), QString("News"));

    // Removing the folder takes the page and its saved copy along.
    QVERIFY(App("RemoveItem", {"news"}).type() == QDBusMessage::ReplyMessage);
    QVERIFY(!fs::exists(saved));
    QVERIFY(Items().isEmpty());
    QCOMPARE(window->Model()->rowCount(window->Tree()->RootIndex()), 0);
    QCOMPARE(removals.count(), 1);
    QCOMPARE(resets.count(), 0);
    QCOMPARE(App("RemoveItem", {"news"}).errorName(), QString("org.pelmor.Pelmor.Error.UnknownItem"));
}

QTEST_MAIN(ToolbarConnectionTest)
#include "ToolbarConnectionTest.moc"
