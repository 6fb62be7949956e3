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

#include "WindowFixture.h"
#include "mainwindow/SoftwareUpdate.h"
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
    w.main->menuLoadProfile_Click();
    QVERIFY(!askedToSave);
    QVERIFY(w.Node("http://example.com/a"));

    // Save: the new profile has its own copies; the old profile's copies stay.
    const fs::path saved = w.home.Root() / "Saved.xml";
    chosen = QString::fromStdString(saved.string());
    w.main->menuSaveProfile_Click();
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
    w.main->menuLoadProfile_Click();
    QCOMPARE(w.main->Root(), root);
    QCOMPARE(root->ItemsCount(), 0);
    QVERIFY(root->Active());
    QCOMPARE(w.main->Tree()->topLevelItemCount(), 1);
    QVERIFY(!w.Node("http://example.com/a"));
    QVERIFY(fs::is_directory(w.home.Root() / "Fresh"));

    // Back to the saved one, made the default.
    chosen = QString::fromStdString(saved.string());
    w.main->menuLoadProfile_Click();
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
    w.main->menuSaveProfile_Click();
    QVERIFY2(shown.startsWith("Pelmor|") && shown.contains("does not exist"), qPrintable(shown));
    shown.clear();
    CloseNextModal(&shown);
    w.main->menuLoadProfile_Click();
    QVERIFY2(shown.contains("does not exist"), qPrintable(shown));
    QCOMPARE(w.settings->XMLFile(), xml);
    QVERIFY(w.Node("http://example.com/a"));
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
    QVERIFY(!w.main->IsUpdateSoftware());
    QString shown;
    CloseNextModal(&shown);
    w.main->menuUpdateSoftware_Click();
    QVERIFY2(shown.contains("No update server is configured"), qPrintable(shown));
    QCOMPARE(int(server.Requests().size()), 0);

    fs::create_directories(w.home.Config());
    ini::WritePrivateProfileString("Locations", "UpdateServer", server.Url("/pelmor"), w.settings->INIFile());
    server.Page("/pelmor/admin/version.txt", "2.4.1\n", "text/plain");
    QVERIFY(!w.main->IsUpdateSoftware());
    shown.clear();
    CloseNextModal(&shown);
    w.main->menuUpdateSoftware_Click();
    QCOMPARE(shown, QString("Update Software|There are no updated available."));

    server.Page("/pelmor/admin/version.txt", "2.5.0\n", "text/plain");
    QVERIFY(w.main->IsUpdateSoftware());
    shown.clear();
    CloseNextModal(&shown);  // answers No
    w.main->menuUpdateSoftware_Click();
    QVERIFY2(shown.startsWith("Software Update|Pelmor has new release available for download.\r\n"), qPrintable(shown));
    QVERIFY(shown.contains(QString::fromStdString(server.Url("/pelmor/"))));

    // A server that cannot answer is not taken for "no update".
    server.Page("/pelmor/admin/version.txt", "<html>maintenance</html>");
    shown.clear();
    CloseNextModal(&shown);
    w.main->menuUpdateSoftware_Click();
    QVERIFY2(shown.contains("could not be asked"), qPrintable(shown));
    QVERIFY(server.Hits("/pelmor/admin/version.txt") >= 4);
    const std::string log = ReadFile(w.home.Data() / "Pelmor.log");
    QVERIFY(log.find("UpdateSoftware entered") != std::string::npos);
    QVERIFY(log.find("IsUpdateSoftware entered") != std::string::npos);
    QVERIFY(log.find("DownloadSoftware entered") != std::string::npos);
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
