// The program itself, started as a process in an empty home: the log entries of the start
// in order, the empty profile and the cache folder, and a second start that hands over to
// the running copy and ends at once without writing to the log.

#include <QProcess>
#include <QtTest>

#include "support/TempHome.h"

namespace fs = std::filesystem;

class ProgramTest : public QObject {
    Q_OBJECT
private slots:
    void firstStartBuildsProfileSecondStartHandsOver();
};

namespace {

QProcessEnvironment Environment(const pelmor::test::TempHome& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PELMOR_HOME", QString::fromStdString(home.Root().string()));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    return env;
}

}  // namespace

void ProgramTest::firstStartBuildsProfileSecondStartHandsOver() {
    pelmor::test::TempHome home;
    const fs::path logFile = home.Data() / "Pelmor.log";
    QProcess first;
    first.setProcessEnvironment(Environment(home));
    first.start(PELMOR_BINARY, QStringList());
    QVERIFY(first.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(pelmor::test::ReadFile(logFile).find("After frmMain activated") != std::string::npos,
                             20000);
    QTRY_VERIFY_WITH_TIMEOUT(pelmor::test::ReadFile(logFile).find("After frmMain activated\r\nInformation:\r\nTime: ") !=
                                 std::string::npos,
                             5000);

    const std::string log = pelmor::test::ReadFile(logFile);
    size_t at = 0;
    for (const char* text : {"Started logging - ", "Main entered", "Settings object created",
                             "Application object created", "Splash timer fired", "ShowMain entered",
                             "Before frmMain loaded", "After frmMain loaded, before activated", "ActivateMain entered",
                             "Preferences loaded", "Before tree loaded", "LoadTree entered", "After tree loaded",
                             "After frmMain activated", "ShowMain entered"}) {
        size_t found = log.find(text, at);
        QVERIFY2(found != std::string::npos, text);
        at = found + 1;
    }
    QVERIFY(fs::exists(home.Data() / "Files.XML"));
    QVERIFY(pelmor::test::ReadFile(home.Data() / "Files.XML").find("Active=\"True\"") != std::string::npos);
    QVERIFY(fs::is_directory(home.Data() / "Files"));

    QProcess second;
    second.setProcessEnvironment(Environment(home));
    second.start(PELMOR_BINARY, QStringList());
    QVERIFY(second.waitForFinished(15000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(pelmor::test::ReadFile(logFile).find("Started logging - ", 13), std::string::npos);
    QCOMPARE(first.state(), QProcess::Running);

    first.kill();
    first.waitForFinished(5000);
}

QTEST_GUILESS_MAIN(ProgramTest)
#include "ProgramTest.moc"
