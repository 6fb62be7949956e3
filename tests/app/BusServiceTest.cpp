// SPDX-License-Identifier: GPL-3.0-or-later
// The real program on a private session bus, as scripts and the browser button meet it:
// "pelmor-toolbar open" and "add" right after it; a huge argument refused at once without
// holding up the next call; a signal for an added page; and a home on a read-only file
// system, whose failures name that cause.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QProcess>
#include <QtTest>

#include "support/HttpServer.h"
#include "support/TempHome.h"

namespace fs = std::filesystem;

class BusServiceTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void openThenAddAnnouncesThePage();
    void hugeArgumentIsRefusedAtOnce();
    void readOnlyFilesNameTheCause();

private:
    QDBusMessage Call(const QString& path, const QString& interface, const QString& method, const QVariantList& args,
                      int timeoutMs = 30000);
    int Toolbar(const QStringList& args, QByteArray* errors = nullptr);
    // Waits until the program answers that it runs with its window; false after 30 s.
    bool Serving();
    void StopProgram();

    pelmor::test::TempHome home_;
    pelmor::test::HttpServer site_;
    QProcess daemon_;
    QProcessEnvironment env_;
    QString address_;
};

class SignalCatcher : public QObject {
    Q_OBJECT
public:
    QStringList keys;
public slots:
    void Caught(const QString& key) { keys << key; }
};

namespace {

const char kBus[] = "bus-service-test";
const QString kService = "org.pelmor.Pelmor";
const QString kApplication = "org.pelmor.Pelmor.Application";

// Whether a process may mount a read-only file system in a user and mount namespace of
// its own (containers may forbid it).
bool CanMountReadOnly() {
    QProcess probe;
    probe.start("unshare", {"-rm", "sh", "-c", "mount -t tmpfs -o ro none /mnt"});
    return probe.waitForFinished(10000) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0;
}

}  // namespace

void BusServiceTest::initTestCase() {
    site_.Page("/page.html", "<html><head><title>Watched</title></head><body><p>Hello</p></body></html>");
    pelmor::test::WriteFile(home_.Root() / "bus.conf", R"(<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/><allow own="*"/>
  </policy>
</busconfig>)");
    daemon_.start("dbus-daemon", {"--config-file=" + QString::fromStdString((home_.Root() / "bus.conf").string()),
                                  "--nofork", "--print-address=1"});
    QVERIFY(daemon_.waitForStarted());
    QByteArray address;
    while (!address.endsWith('\n') && daemon_.waitForReadyRead(10000)) address += daemon_.readAllStandardOutput();
    address_ = QString::fromUtf8(address.trimmed());
    QVERIFY(QDBusConnection::connectToBus(address_, kBus).isConnected());

    env_ = QProcessEnvironment::systemEnvironment();
    env_.insert("PELMOR_HOME", QString::fromStdString(home_.Root().string()));
    env_.insert("QT_QPA_PLATFORM", "offscreen");
    env_.insert("DBUS_SESSION_BUS_ADDRESS", address_);
    env_.remove("DISPLAY");
}

void BusServiceTest::cleanupTestCase() {
    StopProgram();
    QDBusConnection::disconnectFromBus(kBus);
    daemon_.kill();
    daemon_.waitForFinished(5000);
}

QDBusMessage BusServiceTest::Call(const QString& path, const QString& interface, const QString& method,
                                  const QVariantList& args, int timeoutMs) {
    QDBusMessage call = QDBusMessage::createMethodCall(kService, path, interface, method);
    call.setArguments(args);
    return QDBusConnection(kBus).call(call, QDBus::Block, timeoutMs);
}

int BusServiceTest::Toolbar(const QStringList& args, QByteArray* errors) {
    QProcess toolbar;
    toolbar.setProcessEnvironment(env_);
    toolbar.start(PELMOR_TOOLBAR, args);
    if (!toolbar.waitForFinished(120000)) return -1;
    if (errors) *errors = toolbar.readAllStandardError();
    return toolbar.exitStatus() == QProcess::NormalExit ? toolbar.exitCode() : -1;
}

bool BusServiceTest::Serving() {
    QDeadlineTimer deadline(30000);
    while (!deadline.hasExpired()) {
        QDBusMessage reply = Call("/ToolbarConnection", "org.pelmor.Pelmor.ToolbarConnection", "IsAppRunning", {});
        if (reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toBool()) return true;
        QTest::qWait(100);
    }
    return false;
}

void BusServiceTest::StopProgram() {
    QDBusMessage pid = QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                      "org.freedesktop.DBus", "GetConnectionUnixProcessID");
    pid.setArguments({kService});
    QDBusMessage reply = QDBusConnection(kBus).call(pid);
    if (reply.type() != QDBusMessage::ReplyMessage) return;
    const pid_t program = pid_t(reply.arguments().value(0).toUInt());
    ::kill(program, SIGTERM);
    QTRY_VERIFY_WITH_TIMEOUT(::kill(program, 0) != 0, 20000);
}

void BusServiceTest::openThenAddAnnouncesThePage() {
    SignalCatcher added;
    QVERIFY(QDBusConnection(kBus).connect(kService, "/Application", kApplication, "ItemAdded", &added,
                                          SLOT(Caught(QString))));

    // "open" starts Pelmor and returns once it serves; "add" right after it works.
    QByteArray errors;
    QCOMPARE(Toolbar({"open"}, &errors), 0);
    const QString url = QString::fromStdString(site_.Url("/page.html"));
    QCOMPARE(Toolbar({"add", url}, &errors), 0);
    QVERIFY2(errors.isEmpty(), errors.constData());  // no stray warnings either
    QTRY_COMPARE_WITH_TIMEOUT(added.keys, QStringList{url}, 10000);
}

void BusServiceTest::hugeArgumentIsRefusedAtOnce() {
    const QString huge(10 * 1024 * 1024, QChar('x'));
    QDBusMessage refused = Call("/Application", kApplication, "AddFolder", {QString(), huge, QString()});
    QCOMPARE(refused.errorName(), QString("org.pelmor.Pelmor.Error.InvalidArgument"));
    QVERIFY2(refused.errorMessage().size() < 200, qPrintable(refused.errorMessage().left(300)));
    // The next call is served at once.
    QDBusMessage next = Call("/ToolbarConnection", "org.pelmor.Pelmor.ToolbarConnection", "IsAppRunning", {}, 1000);
    QVERIFY2(next.type() == QDBusMessage::ReplyMessage, qPrintable(next.errorMessage()));
    QCOMPARE(next.arguments().value(0).toBool(), true);
    QVERIFY(!fs::exists(home_.Data() / "Files.XML") ||
            fs::file_size(home_.Data() / "Files.XML") < 64 * 1024);
}

void BusServiceTest::readOnlyFilesNameTheCause() {
    if (!CanMountReadOnly()) QSKIP("no user and mount namespaces here");
    StopProgram();
    // The cache folder on a read-only file system: the page is fetched, but its copy
    // cannot be written, and the caller is told so.
    fs::create_directories(home_.Data() / "Files");
    const QString cache = QString::fromStdString((home_.Data() / "Files").string());
    QProcess program;
    program.setProcessEnvironment(env_);
    program.start("unshare", {"-rm", "sh", "-c", "mount -t tmpfs -o ro none \"$1\" && exec \"$2\"", "sh", cache,
                              PELMOR_BINARY});
    QVERIFY(program.waitForStarted());
    QVERIFY(Serving());
    QDBusMessage add =
        Call("/Application", kApplication, "AddPage",
             {QString(), QString::fromStdString(site_.Url("/page.html")) + "?again", QString()}, 120000);
    QCOMPARE(add.errorName(), QString("org.pelmor.Pelmor.Error.Failed"));
    QVERIFY2(add.errorMessage().contains("could not be saved") && add.errorMessage().contains("Read-only file system"),
             qPrintable(add.errorMessage()));
    StopProgram();
    program.waitForFinished(10000);
    QVERIFY(program.readAllStandardError().contains("Read-only file system"));

    // The whole home read-only: the start's own failures say why on standard error.
    pelmor::test::TempHome readOnly;
    QProcessEnvironment env = env_;
    env.insert("PELMOR_HOME", QString::fromStdString(readOnly.Root().string()));
    env.remove("DBUS_SESSION_BUS_ADDRESS");
    QProcess start;
    start.setProcessEnvironment(env);
    start.start("unshare", {"-rm", "sh", "-c", "mount -t tmpfs -o ro none \"$1\" && exec timeout -s KILL 8 \"$2\"",
                            "sh", QString::fromStdString(readOnly.Root().string()), PELMOR_BINARY});
    QVERIFY(start.waitForFinished(20000));
    const QByteArray errors = start.readAllStandardError();
    QVERIFY2(errors.contains("Read-only file system"), errors.constData());
    QVERIFY2(!errors.contains("No such file or directory"), errors.constData());
}

QTEST_GUILESS_MAIN(BusServiceTest)
#include "BusServiceTest.moc"
