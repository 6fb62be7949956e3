// SPDX-License-Identifier: GPL-3.0-or-later
// Main: command-line words, the toolbar hand-shake, the single-instance rule over a
// private session bus, the start sequence and its log, and the log size rule.

#include <QDBusConnection>
#include <QtTest>

#include "mainwindow/frmMain.h"
#include "platform/ini/Ini.h"
#include "platform/log/Log.h"
#include "shell/ErrorReport.h"
#include "app/SingleInstance.h"
#include "app/Startup.h"
#include "app/ToolbarHandshake.h"
#include "app/frmSplash.h"
#include "support/TempHome.h"

using namespace pelmor;
using namespace pelmor::shell;
namespace fs = std::filesystem;

namespace {

std::string ProgramLog() { return test::ReadFile(log::PathOf(log::File::Program)); }

// The texts of the information entries, in order, without their time lines.
QStringList LogTexts() {
    QStringList texts;
    for (const QString& entry : QString::fromStdString(ProgramLog()).split("Information:", Qt::SkipEmptyParts)) {
        QStringList lines = entry.trimmed().split("\r\n");
        QString text = lines.last().trimmed();
        if (text.startsWith("Started logging - ")) text = "Started logging - ";
        texts << text;
    }
    return texts;
}

// Another running copy: it holds the bus name on a connection of its own.
struct OtherCopy {
    QString name;
    QDBusConnection connection;
    SingleInstance instance{connection};
    int restores = 0;
    explicit OtherCopy(const QString& connectionName = "other-copy")
        : name(connectionName), connection(QDBusConnection::connectToBus(QDBusConnection::SessionBus, name)) {
        QObject::connect(&instance, &SingleInstance::RestoreRequested, [this] { ++restores; });
    }
    ~OtherCopy() { QDBusConnection::disconnectFromBus(name); }
};

}  // namespace

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void commandLineWords();
    void profileRemovalAnsweredNoDeletesProfile();
    void profileRemovalAnsweredYesKeepsEverything();
    void toolbarStartIsSilentAndResetsSetting();
    void secondStartRestoresRunningCopyWithoutLog();
    void forceStartsBesideRunningCopy();
    void forcedCopyTakesFreeName();
    void startSequenceLogsInOrder();
    void hideWithoutTrayWaitsMinimisedUntilRestore();
    void logSizeRuleAtStart();
    void unwritableLogNeverStopsTheStart();
};

void StartupTest::commandLineWords() {
    QCOMPARE(CommandLine::FromArguments({"pelmor", "a", "b"}).Text(), std::string("a b"));
    QVERIFY(CommandLine("/x confirmdelprofileNOW").AsksProfileRemoval());
    QVERIFY(!CommandLine("ConfirmDel Profile").AsksProfileRemoval());
    QVERIFY(CommandLine("FORCE").IsForce());
    QVERIFY(!CommandLine("force hide").IsForce());
    QVERIFY(CommandLine("hide").IsHide());
    QVERIFY(!CommandLine("Hide").IsHide());
    QVERIFY(!CommandLine("hide ").IsHide());
}

void StartupTest::profileRemovalAnsweredNoDeletesProfile() {
    test::TempHome home;
    test::WriteFile(home.Config() / "Pelmor.ini", "[Preferences]\n");
    test::WriteFile(home.Data() / "Files" / "1.html", "x");
    test::WriteFile(home.Data() / "Files" / "2.html", "y");
    test::WriteFile(home.Data() / "Files.XML", "<ROOT/>");
    test::WriteFile(home.Data() / "keep.txt", "k");
    bool asked = false;
    Program program(CommandLine("ConfirmDelProfile"));
    program.SetKeepProfileQuestion([&] {
        asked = true;
        return false;
    });
    QCOMPARE(program.Main(), std::optional<int>(0));
    QVERIFY(asked);
    QVERIFY(!fs::exists(home.Config() / "Pelmor.ini"));
    QVERIFY(!fs::exists(home.Data() / "Files"));
    QVERIFY(!fs::exists(home.Data() / "Files.XML"));
    QVERIFY(fs::exists(home.Data() / "keep.txt"));
    QVERIFY(!program.MainWindow());
    QVERIFY(!program.Splash());
    QVERIFY(!fs::exists(log::PathOf(log::File::Program)));

    // A second removal finds nothing to delete and does not complain.
    Program again(CommandLine("confirmdelprofile"));
    again.SetKeepProfileQuestion([] { return false; });
    QCOMPARE(again.Main(), std::optional<int>(0));
}

void StartupTest::profileRemovalAnsweredYesKeepsEverything() {
    test::TempHome home;
    test::WriteFile(home.Config() / "Pelmor.ini", "[Preferences]\n");
    test::WriteFile(home.Data() / "Files" / "1.html", "x");
    test::WriteFile(home.Data() / "Files.XML", "<ROOT/>");
    Program program(CommandLine("x ConfirmDelProfile y"));
    program.SetKeepProfileQuestion([] { return true; });
    QCOMPARE(program.Main(), std::optional<int>(0));
    QVERIFY(fs::exists(home.Config() / "Pelmor.ini"));
    QVERIFY(fs::exists(home.Data() / "Files" / "1.html"));
    QVERIFY(fs::exists(home.Data() / "Files.XML"));
    QVERIFY(!program.Splash());
}

void StartupTest::toolbarStartIsSilentAndResetsSetting() {
    test::TempHome home;
    test::WriteFile(home.Config() / "registry.ini", "; toolbar\n[Toolbar]\nRunning=true\n");
    Program program(CommandLine(""));
    // It serves the toolbar connection, and nothing else.
    QCOMPARE(program.Main(), std::nullopt);
    QVERIFY(program.Connection());
    QVERIFY(!program.Splash());
    QVERIFY(!program.AppRunning());
    QVERIFY(!program.SharedApplication());
    QCOMPARE(test::ReadFile(home.Config() / "registry.ini"), std::string("; toolbar\n[Toolbar]\nRunning=False\n"));
    QVERIFY(!fs::exists(log::PathOf(log::File::Program)));

    // A normal start takes the bus name over; the toolbar-only copy then ends.
    QSignalSpy finished(&program, &Program::Finished);
    OtherCopy normal("normal-start");
    QCOMPARE(normal.instance.ClaimName(), SingleInstance::Claim::Owned);
    QTRY_COMPARE(finished.count(), 1);

    // Missing, the setting reads "False" and is written as such; the start goes on.
    fs::remove(home.Config() / "registry.ini");
    QVERIFY(!TakeToolbarRunning());
    QCOMPARE(ini::GetPrivateProfileString("Toolbar", "Running", "", RegistryFile(), 100), std::string("False"));
}

void StartupTest::secondStartRestoresRunningCopyWithoutLog() {
    test::TempHome home;
    OtherCopy other;
    QCOMPARE(other.instance.ClaimName(), SingleInstance::Claim::Owned);
    Program program(CommandLine(""));
    QCOMPARE(program.Main(), std::optional<int>(0));
    QCOMPARE(other.restores, 1);
    QVERIFY(!program.Splash());
    QVERIFY(!program.AppRunning());
    QVERIFY(!fs::exists(log::PathOf(log::File::Program)));

    // "Hide" is not the exact word "force": still a second copy.
    Program hidden(CommandLine("Hide"));
    QCOMPARE(hidden.Main(), std::optional<int>(0));
    QCOMPARE(other.restores, 2);
}

void StartupTest::forceStartsBesideRunningCopy() {
    test::TempHome home;
    OtherCopy other;
    QCOMPARE(other.instance.ClaimName(), SingleInstance::Claim::Owned);
    Program program(CommandLine("FORCE"));
    QCOMPARE(program.Main(), std::nullopt);
    QCOMPARE(other.restores, 0);
    QVERIFY(program.AppRunning());
    QVERIFY(program.Splash()->isVisible());
    QVERIFY(LogTexts().contains("Main entered"));
}

void StartupTest::forcedCopyTakesFreeName() {
    test::TempHome home;
    Program forced(CommandLine("force"));
    QCOMPARE(forced.Main(), std::nullopt);
    // The next start finds the forced copy and hands over to it.
    OtherCopy next;
    QCOMPARE(next.instance.ClaimName(), SingleInstance::Claim::HeldByOther);
}

void StartupTest::startSequenceLogsInOrder() {
    test::TempHome home;
    Program program(CommandLine("Hide"));
    QCOMPARE(program.Main(), std::nullopt);
    QVERIFY(program.Splash()->isVisible());
    QCOMPARE(program.Splash()->Timer1().interval(), 2000);
    QVERIFY(program.Splash()->Timer1().isSingleShot());
    QVERIFY(program.Splash()->Timer1().isActive());
    QVERIFY(!program.MainWindow());

    // While this copy runs, a second start finds it and asks it to restore its window.
    OtherCopy second;
    QCOMPARE(second.instance.ClaimName(), SingleInstance::Claim::HeldByOther);
    QVERIFY(second.instance.AskOwnerToRestore());

    program.SplashTimer();
    QVERIFY(!program.Splash());
    auto* window = program.MainWindow();
    QVERIFY(window);
    QVERIFY(window->isVisible());  // "Hide" is not "hide"
    QCOMPARE(window->windowTitle(), QString("Pelmor"));

    QStringList texts = LogTexts();
    texts.removeAll("FormResize entered");
    texts.removeAll("ShowItem entered");
    texts.removeAll("LoadItemToTree entered");
    QStringList expected = {"Started logging - ",
                            "Main entered",
                            "Settings object created",
                            "Application object created",
                            "Splash timer fired",
                            "ShowMain entered",
                            "Before frmMain loaded",
                            "After frmMain loaded, before activated",
                            "ActivateMain entered",
                            "Preferences loaded",
                            "No system tray on this desktop: Pelmor runs without a tray icon",
                            "IsUpdateSoftware entered",
                            "Before tree loaded",
                            "LoadTree entered",
                            "SaveItems entered",
                            "After tree loaded",
                            "Updater created",
                            "Updater started",
                            "After frmMain activated",
                            "ShowMain entered"};
    QCOMPARE(texts, expected);
    QVERIFY(fs::exists(home.Data() / "Files.XML"));
    QVERIFY(fs::is_directory(home.Data() / "Files"));
    QCOMPARE(window->Tree()->RootIndex().data().toString(), QString("URL List"));
}

void StartupTest::hideWithoutTrayWaitsMinimisedUntilRestore() {
    // No tray here: a hidden window could never come back, so it waits minimised on the
    // task bar instead.
    test::TempHome home;
    Program program(CommandLine("hide"));
    QCOMPARE(program.Main(), std::nullopt);
    program.SplashTimer();
    auto* window = program.MainWindow();
    QVERIFY(window);
    QVERIFY(!window->TrayIcon());
    QVERIFY(window->isVisible());
    QTRY_VERIFY(window->isMinimized());  // once it is on the screen

    // A second start restores it.
    OtherCopy second;
    QVERIFY(second.instance.AskOwnerToRestore());
    QTRY_VERIFY(!window->isMinimized());
    QVERIFY(window->isVisible());
}

void StartupTest::logSizeRuleAtStart() {
    {
        test::TempHome home;
        test::WriteFile(home.Data() / "Pelmor.log", std::string(1000001, 'x'));
        Program program(CommandLine("force"));
        QCOMPARE(program.Main(), std::nullopt);
        QVERIFY(ProgramLog().rfind("Information:Started logging - ", 0) == 0);
    }
    {
        test::TempHome home;
        test::WriteFile(home.Data() / "Pelmor.log", std::string(1000000, 'x'));
        Program program(CommandLine("force"));
        QCOMPARE(program.Main(), std::nullopt);
        std::string log = ProgramLog();
        QCOMPARE(log.substr(0, 1000000), std::string(1000000, 'x'));
        QVERIFY(log.find("Information:Started logging - ", 1000000) == 1000000);
    }
}

void StartupTest::unwritableLogNeverStopsTheStart() {
    test::TempHome home;
    fs::create_directories(home.Data() / "Pelmor.log");  // a folder where the log should be
    test::WriteFile(home.Data() / "Files.XML",
                    "<ROOT Active=\"True\"><Page URL=\"http://a.test/\" Description=\"A\"/></ROOT>");
    int errors = 0;
    SetErrorDialogHook([&](const QString&) { ++errors; });
    Program program(CommandLine("hide"));
    QCOMPARE(program.Main(), std::nullopt);
    QCOMPARE(errors, 1);  // the log that cannot be opened is reported once
    program.SplashTimer();
    auto* window = program.MainWindow();
    QVERIFY(window);
    QCOMPARE(window->Tree()->RootIndex().model()->rowCount(window->Tree()->RootIndex()), 1);
    // Saving goes on without the log.
    fs::remove(home.Data() / "Files.XML");
    window->SaveItems();
    QVERIFY(test::ReadFile(home.Data() / "Files.XML").find("http://a.test/") != std::string::npos);
    SetErrorDialogHook({});
}

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
