// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's profile commands, the visual settings applied to it, and the software
// update check against a version file on a local server.

#include <QCheckBox>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTextBrowser>
#include <QToolBar>
#include <QtTest>

#include "AddWait.h"
#include "WindowFixture.h"
#include "mainwindow/ProfilesPart.h"
#include "mainwindow/SoftwareUpdate.h"
#include "mainwindow/UpdateCheckPart.h"
#include "platform/ini/Ini.h"
#include "shell/frmVisualSettings.h"
#include "support/HttpServer.h"

using namespace pelmor;
using namespace pelmor::test;
using namespace pelmor::mainwindow;
namespace fs = std::filesystem;

class ProfilesMenuTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QCoreApplication::setApplicationVersion("2.4.1"); }
    void loadSaveAndDefault();
    void failuresAreShown();
    void bigProfileLoadsWhileTheWindowServes();
    void visualSettingsApplyAtOnce();
    void versionComparison();
    void updateCheckAsksTheConfiguredServer();
    void helpPagesShipWithTheProgram();
};

namespace {

std::shared_ptr<Application> SampleProfile(const fs::path& cache) {
    auto application = Application::Create();
    application->SetActive(true);
    application->SetPeriodTime(1);
    application->SetPeriodUnit(dfDay);
    auto page = MakePage("http://example.com/a", "Page A");
    page->SetSavedFile((cache / "7.html").string());
    application->AddItem(page);
    WriteFile(cache / "7.html", "saved A");
    return application;
}

// Runs a profile command and waits until its work on another thread has ended.
void RunProfileCommand(Window& w, void (frmMain::*command)()) {
    (w.main.get()->*command)();
    QTRY_VERIFY_WITH_TIMEOUT(!w.main->Profiles()->ProfileBusy(), 20000);
    QVERIFY(w.main->isEnabled());
}

// The answer of the quiet check made at start-up; Unknown when none came.
UpdateAnswer StartupAnswer(Window& w) {
    QSignalSpy answered(w.main->UpdateCheck(), &UpdateCheckPart::Answered);
    w.main->UpdateCheck()->CheckAtStart();
    if (!answered.wait(20000)) return UpdateAnswer::Unknown;
    return answered.last().at(0).value<UpdateAnswer>();
}

// Runs the menu's update check and waits until it has been answered.
void MenuCheck(Window& w) {
    QSignalSpy answered(w.main->UpdateCheck(), &UpdateCheckPart::Answered);
    w.main->menuUpdateSoftware_Click();
    QVERIFY(answered.count() > 0 || answered.wait(20000));
}

QString Titles(QMenuBar* bar) {
    QStringList titles;
    for (QAction* action : bar->actions()) titles << action->text();
    return titles.join(',');
}

}  // namespace

void ProfilesMenuTest::loadSaveAndDefault() {
    Window w;
    w.Open(SampleProfile(w.home.Data() / "Files"));
    QCOMPARE(Titles(w.main->menuBar()), QString("&File,&Page,P&rofile,&Options,&Help"));
    QCOMPARE(w.main->Action("menuLoadProfile")->text(), QString("Load"));
    QCOMPARE(w.main->Action("menuDefaultProfile")->text(), QString("Set as default"));
    std::shared_ptr<Application> root = w.main->Root();
    QString chosen;
    bool askedToSave = false;
    w.main->SetProfileFileChooser([&](bool save) {
        askedToSave = save;
        return chosen;
    });

    // A cancelled dialog leaves everything as it was.
    RunProfileCommand(w, &frmMain::menuLoadProfile_Click);
    QVERIFY(!askedToSave);
    QVERIFY(w.Node("http://example.com/a"));

    // Save: the new profile has its own copies; the old profile's copies stay.
    const fs::path saved = w.home.Root() / "Saved.xml";
    chosen = QString::fromStdString(saved.string());
    RunProfileCommand(w, &frmMain::menuSaveProfile_Click);
    QVERIFY(askedToSave);
    QCOMPARE(w.settings->XMLFile(), saved.string());
    QCOMPARE(ReadFile(w.home.Root() / "Saved" / "7.html"), std::string("saved A"));
    QCOMPARE(ReadFile(w.home.Data() / "Files" / "7.html"), std::string("saved A"));
    auto reread = Application::Create();
    reread->LoadItems(saved.string());
    QCOMPARE(std::static_pointer_cast<Page>(reread->ItemAt(0))->SavedFile(),
             (w.home.Root() / "Saved" / "7.html").string());

    // Load of a new name: an empty profile that is checked, every day, in the same tree object.
    chosen = QString::fromStdString((w.home.Root() / "Fresh.xml").string());
    RunProfileCommand(w, &frmMain::menuLoadProfile_Click);
    QCOMPARE(w.main->Root(), root);
    QCOMPARE(root->ItemsCount(), 0);
    QVERIFY(root->Active());
    QCOMPARE(w.main->Model()->rowCount(), 1);
    QVERIFY(!w.Node("http://example.com/a"));
    QVERIFY(fs::is_directory(w.home.Root() / "Fresh"));

    // Back to the saved one, made the default.
    chosen = QString::fromStdString(saved.string());
    RunProfileCommand(w, &frmMain::menuLoadProfile_Click);
    QVERIFY(w.Node("http://example.com/a"));
    w.main->menuDefaultProfile_Click();
    Settings next;
    next.LoadPreferences();
    QCOMPARE(next.XMLFile(), saved.string());
    QCOMPARE(next.CacheFolder(), (w.home.Root() / "Saved").string());
}

void ProfilesMenuTest::failuresAreShown() {
    Window w;
    w.Open(SampleProfile(w.home.Data() / "Files"));
    const std::string xml = w.settings->XMLFile();
    w.main->SetProfileFileChooser([&](bool) { return QString::fromStdString((w.home.Root() / "no/such/P.xml").string()); });
    QString shown;
    CloseNextModal(&shown);
    RunProfileCommand(w, &frmMain::menuSaveProfile_Click);
    QVERIFY2(shown.startsWith("Pelmor|") && shown.contains("does not exist"), qPrintable(shown));
    shown.clear();
    CloseNextModal(&shown);
    RunProfileCommand(w, &frmMain::menuLoadProfile_Click);
    QVERIFY2(shown.contains("does not exist"), qPrintable(shown));
    QCOMPARE(w.settings->XMLFile(), xml);
    QVERIFY(w.Node("http://example.com/a"));
}

void ProfilesMenuTest::bigProfileLoadsWhileTheWindowServes() {
    Window w;
    w.Open(SampleProfile(w.home.Data() / "Files"));
    auto big = Application::Create();
    big->SetActive(true);
    for (int f = 0; f < 20; ++f) {
        auto folder = MakeFolder("F" + std::to_string(f));
        for (int p = 0; p < 250; ++p)
            folder->AddItem(MakePage("http://example.com/" + std::to_string(f) + "/" + std::to_string(p), "P"));
        big->AddItem(folder);
    }
    const fs::path file = w.home.Root() / "Big.xml";
    big->SaveItems(file.string());
    w.main->SetProfileFileChooser([&](bool) { return QString::fromStdString(file.string()); });
    int ticks = 0;
    QTimer tick;
    connect(&tick, &QTimer::timeout, [&] { ++ticks; });
    tick.start(5);

    // The command returns while the file is read on another thread; the old tree stays
    // until the new one is in.
    std::shared_ptr<Application> root = w.main->Root();
    w.main->menuLoadProfile_Click();
    QVERIFY(w.main->Profiles()->ProfileBusy());
    QVERIFY(!w.main->isEnabled());
    // An add meanwhile (from the bus) is refused: its copy would land in the old profile.
    QVERIFY(!AddAndWait(*w.main, root, "http://127.0.0.1:1/x", "", false, 1, dfDay, AddFeedback::Quiet));
    QVERIFY(w.Node("http://example.com/a"));
    QTRY_VERIFY_WITH_TIMEOUT(!w.main->Profiles()->ProfileBusy(), 30000);
    QVERIFY(ticks > 0);
    QVERIFY(w.main->isEnabled());
    QCOMPARE(w.main->Root(), root);
    QCOMPARE(root->ItemsCount(), 20);
    auto last = std::static_pointer_cast<Folder>(root->ItemAt(19));
    QCOMPARE(last->ItemsCount(), 250);
    // The items know the program's one tree as their root.
    QCOMPARE(last->ItemAt(249)->Application(), root);
    QVERIFY(w.Node("F19\\http://example.com/19/249"));
    QVERIFY(!w.Node("http://example.com/a"));
    QCOMPARE(w.settings->XMLFile(), file.string());
}

void ProfilesMenuTest::visualSettingsApplyAtOnce() {
    Window w;
    w.Open(nullptr);
    w.main->ActivateMain();
    w.main->show();
    QVERIFY(w.main->statusBar()->isVisible());
    auto* toolbar = w.main->findChild<QToolBar*>("ctlTool");
    QVERIFY(toolbar->isVisible());
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<shell::frmVisualSettings*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        dialog->SetFontChooser([](const QFont&) { return QFont("Monospace", 15); });
        dialog->btnChangeFont_Click();
        dialog->findChild<QCheckBox*>("chkStatusBar")->click();
        dialog->findChild<QCheckBox*>("chkToolbar")->click();
        dialog->findChild<QPushButton*>("btnOK")->click();
    });
    w.main->Action("menuVisualSettings")->trigger();
    QVERIFY(!w.main->statusBar()->isVisible());
    QVERIFY(!toolbar->isVisible());
    QCOMPARE(w.main->Tree()->font().pointSize(), 15);
    QCOMPARE(ini::Document::Load(w.settings->INIFile()).Find("Preferences", "Toolbar"), std::optional<std::string>("False"));
}

void ProfilesMenuTest::versionComparison() {
    auto v = [](const char* text) { return ParseVersion(text); };
    QCOMPARE(v(" 2.10.3\r\n"), (std::optional<ProgramVersion>{{2, 10, 3}}));
    // Each part counts as a number, major first.
    QVERIFY(*v("2.10.0") > *v("2.9.9"));
    QVERIFY(*v("3.0.0") > *v("2.99.99"));
    QVERIFY(*v("2.4.2") > *v("2.4.1"));
    QVERIFY(!(*v("2.4.1") > *v("2.4.1")));
    QVERIFY(!v("2.4"));
    QVERIFY(!v("two.four.one"));
    QVERIFY(!v(""));
}

void ProfilesMenuTest::updateCheckAsksTheConfiguredServer() {
    HttpServer server;
    Window w;
    w.Open(nullptr);
    // No server set: no request, and the command says so.
    w.main->UpdateCheck()->CheckAtStart();
    QVERIFY(!w.main->UpdateCheck()->Checking());
    QString shown;
    CloseNextModal(&shown);
    w.main->menuUpdateSoftware_Click();
    QVERIFY2(shown.contains("No update server is configured"), qPrintable(shown));
    QCOMPARE(int(server.Requests().size()), 0);

    fs::create_directories(w.home.Config());
    ini::WritePrivateProfileString("Locations", "UpdateServer", server.Url("/pelmor"), w.settings->INIFile());
    server.Page("/pelmor/admin/version.txt", "2.4.1\n", "text/plain");
    QCOMPARE(StartupAnswer(w), UpdateAnswer::Current);
    shown.clear();
    CloseNextModal(&shown);
    MenuCheck(w);
    QCOMPARE(shown, QString("Update Software|There are no updated available."));

    server.Page("/pelmor/admin/version.txt", "2.5.0\n", "text/plain");
    shown.clear();
    CloseNextModal(&shown);  // answers No
    QCOMPARE(StartupAnswer(w), UpdateAnswer::Newer);
    QVERIFY2(shown.startsWith("Software Update|Pelmor has new release available for download.\r\n"), qPrintable(shown));
    shown.clear();
    CloseNextModal(&shown);
    MenuCheck(w);
    QVERIFY2(shown.startsWith("Software Update|Pelmor has new release available for download.\r\n"), qPrintable(shown));
    QVERIFY(shown.contains(QString::fromStdString(server.Url("/pelmor/"))));

    // A server that cannot answer is not taken for "no update".
    server.Page("/pelmor/admin/version.txt", "<html>maintenance</html>");
    shown.clear();
    CloseNextModal(&shown);
    MenuCheck(w);
    QVERIFY2(shown.contains("could not be asked"), qPrintable(shown));
    QVERIFY(server.Hits("/pelmor/admin/version.txt") >= 4);
    const std::string log = ReadFile(w.home.Data() / "Pelmor.log");
    QVERIFY(log.find("UpdateSoftware entered") != std::string::npos);
    QVERIFY(log.find("IsUpdateSoftware entered") != std::string::npos);
    QVERIFY(log.find("DownloadSoftware entered") != std::string::npos);

    // A window that closes while the server is asked drops the answer: no question comes.
    server.Routes().Get("/pelmor/admin/version.txt", [](const httplib::Request&, httplib::Response& response) {
        QThread::msleep(300);
        response.set_content("9.0.0\n", "text/plain");
    });
    QSignalSpy answered(w.main->UpdateCheck(), &UpdateCheckPart::Answered);
    w.main->menuUpdateSoftware_Click();
    QVERIFY(w.main->UpdateCheck()->Checking());
    w.main->close();
    QVERIFY(!w.main->UpdateCheck()->Checking());
    QTest::qWait(600);
    QCOMPARE(answered.count(), 0);
    QVERIFY(!QApplication::activeModalWidget());
}

void ProfilesMenuTest::helpPagesShipWithTheProgram() {
    Window w;
    w.Open(nullptr);
    w.main->Action("menuFAQ")->trigger();
    QTextBrowser* help = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && window->findChild<QTextBrowser*>("ctlHelp"))
            help = window->findChild<QTextBrowser*>("ctlHelp");
    QVERIFY(help);
    QVERIFY(help->toPlainText().contains("Frequently asked questions"));
    // The questions are scrolled into view.
    QVERIFY(help->verticalScrollBar()->value() > 0);
}

QTEST_MAIN(ProfilesMenuTest)
#include "ProfilesMenuTest.moc"
