// SPDX-License-Identifier: GPL-3.0-or-later
// The start for the toolbar, with the real program on a private session bus that knows
// the build tree's D-Bus service file: a client's call starts Pelmor, which after the
// hand-shake serves the connection without a window, ends on its own when idle, and
// gives way to a later normal start.

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QProcess>
#include <QtTest>
#include <csignal>

#include "support/TempHome.h"

namespace fs = std::filesystem;

class ToolbarStartTest : public QObject {
    Q_OBJECT
private slots:
    void toolbarOnlyStartServesEndsAndGivesWay();
};

namespace {

const char kBus[] = "toolbar-start-bus";

QDBusMessage Call(const QString& method) {
    QDBusMessage call = QDBusMessage::createMethodCall("org.pelmor.Pelmor", "/ToolbarConnection",
                                                       "org.pelmor.Pelmor.ToolbarConnection", method);
    return QDBusConnection(kBus).call(call, QDBus::Block, 30000);
}

bool Alive(uint pid) { return pid && ::kill(pid_t(pid), 0) == 0; }

uint OwnerPid() { return QDBusConnection(kBus).interface()->servicePid("org.pelmor.Pelmor").value(); }

}  // namespace

void ToolbarStartTest::toolbarOnlyStartServesEndsAndGivesWay() {
    pelmor::test::TempHome home;
    const fs::path registry = home.Config() / "registry.ini";
    pelmor::test::WriteFile(registry, "[Toolbar]\nRunning=True\n");
    pelmor::test::WriteFile(home.Root() / "bus.conf", R"(<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <servicedir>)" PELMOR_SERVICES R"(</servicedir>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/><allow own="*"/>
  </policy>
</busconfig>)");

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PELMOR_HOME", QString::fromStdString(home.Root().string()));
    env.insert("PELMOR_TOOLBAR_IDLE_MS", "1500");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess daemon;
    daemon.setProcessEnvironment(env);
    daemon.start("dbus-daemon", {"--config-file=" + QString::fromStdString((home.Root() / "bus.conf").string()),
                                 "--nofork", "--print-address=1"});
    QVERIFY(daemon.waitForStarted());
    QByteArray address;
    while (!address.endsWith('\n') && daemon.waitForReadyRead(10000)) address += daemon.readAllStandardOutput();
    address = address.trimmed();
    QVERIFY(!address.isEmpty());
    QVERIFY(QDBusConnection::connectToBus(QString::fromUtf8(address), kBus).isConnected());

    // The call starts the program through the service file; it serves without a window.
    QDBusMessage running = Call("IsAppRunning");
    QVERIFY2(running.type() == QDBusMessage::ReplyMessage, qPrintable(running.errorMessage()));
    QCOMPARE(running.arguments().value(0).toBool(), false);
    QCOMPARE(Call("GetSettings").arguments().value(0).value<QDBusObjectPath>().path(), QString("/"));
    QCOMPARE(Call("GetApplication").arguments().value(0).value<QDBusObjectPath>().path(), QString("/"));
    QCOMPARE(Call("OpenApp").errorName(), QString("org.pelmor.Pelmor.Error.NotRunning"));
    QCOMPARE(pelmor::test::ReadFile(registry), std::string("[Toolbar]\nRunning=False\n"));
    QVERIFY(!fs::exists(home.Data() / "Pelmor.log"));
    const uint toolbarOnly = OwnerPid();
    QVERIFY(Alive(toolbarOnly));

    // A normal start takes over as the real program; the toolbar-only copy ends.
    QProcess program;
    env.insert("DBUS_SESSION_BUS_ADDRESS", QString::fromUtf8(address));
    program.setProcessEnvironment(env);
    program.start(PELMOR_BINARY, QStringList());
    QVERIFY(program.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(Call("IsAppRunning").arguments().value(0).toBool(), 20000);
    QCOMPARE(OwnerPid(), uint(program.processId()));
    QTRY_VERIFY_WITH_TIMEOUT(!Alive(toolbarOnly), 10000);
    program.kill();
    program.waitForFinished(5000);

    // Started for the toolbar again, it ends on its own once no client calls.
    pelmor::test::WriteFile(registry, "[Toolbar]\nRunning=True\n");
    QCOMPARE(Call("IsAppRunning").arguments().value(0).toBool(), false);
    const uint idle = OwnerPid();
    QVERIFY(Alive(idle));
    QTRY_VERIFY_WITH_TIMEOUT(!Alive(idle), 15000);

    QDBusConnection::disconnectFromBus(kBus);
    daemon.kill();
    daemon.waitForFinished(5000);
}

QTEST_GUILESS_MAIN(ToolbarStartTest)
#include "ToolbarStartTest.moc"
