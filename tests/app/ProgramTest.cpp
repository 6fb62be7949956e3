// SPDX-License-Identifier: GPL-3.0-or-later
// The program itself, started as a process in an empty home on a virtual X display (Qt's
// offscreen platform where Xvfb is missing): the log entries of the start in order, the
// empty profile and the cache folder, the window on screen, and a second start that hands
// over to the running copy and ends at once without writing to the log; SIGTERM ends the
// first copy in order.

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

// An Xvfb server of its own on a free display number, ended with the test.
class VirtualDisplay {
public:
    bool Start() {
        if (QStandardPaths::findExecutable("Xvfb").isEmpty()) return false;
        server_.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x900x24", "-nolisten", "tcp"});
        if (!server_.waitForStarted(5000)) return false;
        QByteArray number;
        while (!number.endsWith('\n') && server_.waitForReadyRead(10000)) number += server_.readAllStandardOutput();
        name_ = ":" + QString::fromLatin1(number.trimmed());
        return name_.size() > 1;
    }
    ~VirtualDisplay() {
        server_.kill();
        server_.waitForFinished(5000);
    }
    const QString& Name() const { return name_; }

private:
    QProcess server_;
    QString name_;
};

QProcessEnvironment Environment(const pelmor::test::TempHome& home, const QString& display) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PELMOR_HOME", QString::fromStdString(home.Root().string()));
    if (display.isEmpty()) {
        env.insert("QT_QPA_PLATFORM", "offscreen");
    } else {
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("DISPLAY", display);
    }
    return env;
}

QByteArray WindowInfo(const QString& display, const QStringList& arguments) {
    QProcess info;
    info.start("xwininfo", QStringList{"-display", display} + arguments);
    return info.waitForFinished(5000) ? info.readAllStandardOutput() : QByteArray();
}

// True when the program's top-level window titled "Pelmor" is mapped on the display.
bool WindowShown(const QString& display) {
    for (const QByteArray& line : WindowInfo(display, {"-root", "-tree"}).split('\n')) {
        if (!line.contains("\"Pelmor\": (\"pelmor\"")) continue;
        QByteArray id = line.trimmed().split(' ').value(0);
        if (WindowInfo(display, {"-id", QString::fromLatin1(id)}).contains("IsViewable")) return true;
    }
    return false;
}

}  // namespace

void ProgramTest::firstStartBuildsProfileSecondStartHandsOver() {
    pelmor::test::TempHome home;
    VirtualDisplay x;
    const QString display = x.Start() ? x.Name() : QString();
    const fs::path logFile = home.Data() / "Pelmor.log";
    QProcess first;
    first.setProcessEnvironment(Environment(home, display));
    first.start(PELMOR_BINARY, QStringList());
    QVERIFY(first.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(pelmor::test::ReadFile(logFile).find("After frmMain activated") != std::string::npos,
                             20000);
    QTRY_VERIFY_WITH_TIMEOUT(
        pelmor::test::ReadFile(logFile).find("After frmMain activated\r\nInformation:\r\nTime: ") != std::string::npos,
        5000);

    const std::string log = pelmor::test::ReadFile(logFile);
    size_t at = 0;
    for (const char* text :
         {"Started logging - ", "Main entered", "Settings object created", "Application object created",
          "Splash timer fired", "ShowMain entered", "Before frmMain loaded", "After frmMain loaded, before activated",
          "ActivateMain entered", "Preferences loaded", "Before tree loaded", "LoadTree entered", "After tree loaded",
          "After frmMain activated", "ShowMain entered"}) {
        size_t found = log.find(text, at);
        QVERIFY2(found != std::string::npos, text);
        at = found + 1;
    }
    QVERIFY(fs::exists(home.Data() / "Files.XML"));
    QVERIFY(pelmor::test::ReadFile(home.Data() / "Files.XML").find("Active=\"True\"") != std::string::npos);
    QVERIFY(fs::is_directory(home.Data() / "Files"));
    if (!display.isEmpty() && !QStandardPaths::findExecutable("xwininfo").isEmpty())
        QTRY_VERIFY_WITH_TIMEOUT(WindowShown(display), 10000);

    QProcess second;
    second.setProcessEnvironment(Environment(home, display));
    second.start(PELMOR_BINARY, QStringList());
    QVERIFY(second.waitForFinished(15000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(pelmor::test::ReadFile(logFile).find("Started logging - ", 13), std::string::npos);
    QCOMPARE(first.state(), QProcess::Running);

    // Log-out's SIGTERM ends it the way Exit does: unloaded, with its checker, and exit 0.
    first.terminate();
    QVERIFY(first.waitForFinished(15000));
    QCOMPARE(first.exitStatus(), QProcess::NormalExit);
    QCOMPARE(first.exitCode(), 0);
    QVERIFY(pelmor::test::ReadFile(logFile).find("FormUnload entered") != std::string::npos);
}

QTEST_GUILESS_MAIN(ProgramTest)
#include "ProgramTest.moc"
