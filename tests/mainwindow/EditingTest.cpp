// SPDX-License-Identifier: GPL-3.0-or-later
// Adding, removing and editing items in the main window, against a real HTTP server on
// 127.0.0.1 and the real cache folder and profile file.

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QtTest>
#include <filesystem>
#include <functional>

#include "AddWait.h"
#include "WindowFixture.h"
#include "mainwindow/frmAddURL.h"
#include "mainwindow/frmProperties.h"
#include "platform/text/Utf16.h"
#include "retrieval/Versions.h"
#include "shell/frmAdvanced.h"
#include "support/HttpServer.h"

using namespace pelmor;
using namespace pelmor::test;
using mainwindow::AddFeedback;
namespace fs = std::filesystem;

namespace {

const char kPage[] = "<html><head><title>Weather today</title></head><body><p>Sunny</p></body></html>";

// Runs `act` on the next modal dialog of type T once it shows.
template <class T>
void OnNextDialog(std::function<void(T*)> act, int tries = 200) {
    QTimer::singleShot(20, [act, tries] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            act(dialog);
        } else if (tries > 0) {
            OnNextDialog<T>(act, tries - 1);
        }
    });
}

std::set<fs::path> CacheFiles(const Window& w) {
    std::set<fs::path> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(w.settings->CacheFolder(), ec)) files.insert(entry.path());
    return files;
}

std::shared_ptr<Application> TwoFolders(bool workActive = true) {
    auto root = Application::Create();
    root->SetActive(true);
    root->SetPeriodTime(1);
    root->SetPeriodUnit(dfDay);
    root->AddItem(MakeFolder("News"));
    root->AddItem(MakeFolder("Work", workActive));
    return root;
}

std::shared_ptr<ItemList> FolderItem(const Window& w, const char* name) {
    return std::static_pointer_cast<Folder>(w.main->Root()->Items(name));
}

// Answers every message box that shows until `stop` is set, and keeps their titles.
void AnswerBoxes(QMessageBox::StandardButton answer, QStringList* titles, const bool* stop) {
    QTimer::singleShot(10, [=] {
        if (*stop) return;
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            *titles << box->windowTitle();
            box->button(answer)->click();
        }
        AnswerBoxes(answer, titles, stop);
    });
}

std::shared_ptr<Page> PageWithCopy(const Window& w, const std::string& url, const std::string& file) {
    auto page = MakePage(url, url);
    page->SetSavedFile(file.front() == '/' ? file : w.settings->CacheFolder() + "/" + file);
    WriteFile(page->SavedFile(), "copy");
    return page;
}

}  // namespace

class EditingTest : public QObject {
    Q_OBJECT
private slots:
    void addPageThroughDialog();
    void sameAddressTwice();
    void failedAddLeavesNothing();
    void addsRunWhileTheWindowServes();
    void closingDuringAnAddKeepsNothing();
    void pageUnderInactiveFolderIsInactive();
    void addFolderAndRefuseSameName();
    void removeFolderRemovesExactlyItsCopies();
    void editingTheDetailsPanel();
    void advancedOptionsWriteBackAndCancel();
    void removedItemsComeBackWithTheirCopies();
    void invalidAddressesAreRefusedOnce();
    void datesAreCheckedAsTyped();
    void pageTextIsPlain();
};

void EditingTest::addPageThroughDialog() {
    HttpServer server;
    server.Page("/weather", kPage);
    Window w;
    w.Open(TwoFolders());
    w.main->Tree()->setCurrentIndex(w.Node("News"));

    OnNextDialog<mainwindow::frmAddURL>([&](mainwindow::frmAddURL* dialog) {
        // The period comes from the folder: 2 hours.
        QCOMPARE(dialog->txtTimePeriod()->text(), QString("2"));
        QCOMPARE(dialog->lstPeriodUnit()->currentText(), QString("Hours"));
        dialog->txtURL()->setText(QString::fromStdString(server.Url("/weather")));
        dialog->chkTitle()->setChecked(true);
        QVERIFY(!dialog->txtDescription()->isEnabled());
        dialog->findChild<QPushButton*>("btnOK")->click();
    });
    w.main->AskAndAddPage(w.Node("News"));

    // The page comes once its download has ended.
    const std::string url = server.Url("/weather");
    QTRY_VERIFY_WITH_TIMEOUT(FolderItem(w, "News")->Items("News\\" + url), 30000);
    auto page = std::static_pointer_cast<Page>(FolderItem(w, "News")->Items("News\\" + url));
    QTRY_VERIFY(w.main->isEnabled());
    QCOMPARE(page->Description(), std::string("Weather today"));
    QCOMPARE(page->PeriodTime(), int16_t(2));
    QCOMPARE(page->PeriodUnit(), dfHour);
    QVERIFY(page->Active());
    QCOMPARE(page->InsertColor(), std::string("#00FF00"));
    QVERIFY(page->ShowNumbers() && page->ShowPics() && page->ShowTimeDiff() && !page->UseInverse());
    QCOMPARE(page->LastCheckDate(), page->SavedDate());
    QVERIFY(page->EndDate().IsZero());

    // The saved copy is UTF-16 with its BASE tag, inside the cache folder.
    QCOMPARE(fs::path(page->SavedFile()).parent_path(), fs::path(w.settings->CacheFolder()));
    std::string bytes = ReadFile(page->SavedFile());
    QVERIFY(bytes.size() > 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE');
    QVERIFY(QString::fromStdString(text::DecodeFileText(bytes)).contains("Sunny"));

    // In the profile file, in the tree (selected) and in the activity log.
    QVERIFY(std::static_pointer_cast<Folder>(w.Saved()->Items("News"))->Items("News\\" + url));
    Row node = w.main->Tree()->SelectedIndex();
    QVERIFY(node && w.main->Model()->ItemAt(node) == page);
    QCOMPARE(node.data().toString(), QString("Weather today"));
    QVERIFY(w.main->Pages().Find(page->Key()));
    QTreeWidgetItem* row = w.main->ActivityLog()->topLevelItem(w.main->ActivityLog()->topLevelItemCount() - 1);
    QCOMPARE(row->text(0), QString("Weather today"));
    QCOMPARE(row->text(1), QString("Added"));
    QVERIFY(w.main->isEnabled());
}

void EditingTest::sameAddressTwice() {
    HttpServer server;
    server.Page("/a", kPage);
    Window w;
    w.Open(TwoFolders());
    // Typed without its protocol: GetValidURL adds it before the duplicate test.
    std::string typed = "127.0.0.1:" + std::to_string(server.Port()) + "/a";
    auto first = AddAndWait(*w.main, FolderItem(w, "News"), typed, "", false, 1, dfDay, AddFeedback::Quiet);
    QVERIFY(first);
    QCOMPARE(first->URL(), server.Url("/a"));
    QCOMPARE(first->Description(), std::string("127.0.0.1"));
    QCOMPARE(server.Hits("/a"), 1);

    QVERIFY(!AddAndWait(*w.main, FolderItem(w, "News"), typed, "", false, 1, dfDay, AddFeedback::Quiet));
    QCOMPARE(server.Hits("/a"), 1);
    QCOMPARE(w.main->statusBar()->currentMessage(), QString("Page already exists"));

    // The same address elsewhere is another page with a saved copy of its own.
    auto second = AddAndWait(*w.main, FolderItem(w, "Work"), server.Url("/a"), "", false, 1, dfDay);
    QVERIFY(second);
    QVERIFY(second->SavedFile() != first->SavedFile());
    QVERIFY(fs::exists(first->SavedFile()) && fs::exists(second->SavedFile()));
    QCOMPARE(w.main->Pages().Count(), size_t(2));
}

void EditingTest::failedAddLeavesNothing() {
    HttpServer server;
    // A frameset whose second frame cannot be loaded: the first frame's copy was written
    // before the failure and must go again.
    server.Page("/set", "<html><head></head><frameset><frame src=\"/one\"><frame src=\"/missing\"></frameset></html>");
    server.Page("/one", "<html><body>one</body></html>");
    server.Routes().Get("/missing", [](const httplib::Request&, httplib::Response& res) { res.status = 404; });
    Window w;
    w.Open(TwoFolders());
    const auto before = CacheFiles(w);
    const std::string savedBefore = ReadFile(w.settings->XMLFile());

    for (const std::string& url : {server.Url("/set"), std::string("http://127.0.0.1:1/down")}) {
        QVERIFY(!AddAndWait(*w.main, FolderItem(w, "News"), url, "Down", false, 1, dfDay, AddFeedback::Quiet));
        QVERIFY(w.main->statusBar()->currentMessage().startsWith("Unable to add Down.\r\nPlease check the follwing"));
        QCOMPARE(FolderItem(w, "News")->ItemsCount(), 0);
        QCOMPARE(w.Node("News").model()->rowCount(w.Node("News")), 0);
        QCOMPARE(w.main->Pages().Count(), size_t(0));
        QVERIFY(CacheFiles(w) == before);
        QCOMPARE(ReadFile(w.settings->XMLFile()), savedBefore);
        QVERIFY(w.main->isEnabled());
    }
    QVERIFY(server.Hits("/one") >= 1);

    // With messages, the wait window's box says why, and can be answered while the main
    // window is disabled.
    QString shown;
    bool usable = false;
    OnNextDialog<QMessageBox>([&](QMessageBox* box) {
        shown = box->text();
        usable = box->isEnabled() && !w.main->isEnabled();
        box->accept();
    });
    QVERIFY(!AddAndWait(*w.main, FolderItem(w, "News"), "http://127.0.0.1:1/down", "", false, 1, dfDay));
    QVERIFY(shown.startsWith("Unable to add http://127.0.0.1:1/down."));
    QVERIFY(usable);
    QVERIFY(w.main->isEnabled());
}

namespace {

// A page that takes a while to come.
void ServeSlowly(HttpServer& server, const std::string& path, int ms) {
    server.Routes().Get(path, [ms](const httplib::Request&, httplib::Response& response) {
        QThread::msleep(ms);
        response.set_content(kPage, "text/html");
    });
}

}  // namespace

void EditingTest::addsRunWhileTheWindowServes() {
    HttpServer server;
    ServeSlowly(server, "/slow", 600);
    server.Page("/fast", kPage);
    Window w;
    w.Open(TwoFolders());
    w.main->CheckTimer()->start();
    int ticks = 0;
    QTimer tick;
    connect(&tick, &QTimer::timeout, [&] { ++ticks; });
    tick.start(10);

    // Two adds at once: each call returns before its page has come.
    std::vector<std::shared_ptr<Page>> added;
    int ended = 0;
    auto done = [&](const std::shared_ptr<Page>& page) {
        ++ended;
        if (page) added.push_back(page);
    };
    w.main->AddPageToFolder(FolderItem(w, "News"), server.Url("/slow"), "Slow", false, 1, dfDay, AddFeedback::Quiet,
                            done);
    w.main->AddPageToFolder(FolderItem(w, "Work"), server.Url("/fast"), "", true, 1, dfDay, AddFeedback::Quiet, done);
    QCOMPARE(ended, 0);
    QVERIFY(!w.main->isEnabled());
    QVERIFY(!w.main->CheckTimer()->isActive());
    QTRY_COMPARE_WITH_TIMEOUT(ended, 2, 30000);

    // The window thread went on meanwhile; both pages are in, each in its own folder, and
    // the window and the checks are back once the last add ended.
    QVERIFY(ticks > 0);
    QCOMPARE(int(added.size()), 2);
    QCOMPARE(added[0]->Description(), std::string("Weather today"));
    QCOMPARE(added[0]->Parent(), FolderItem(w, "Work"));
    QCOMPARE(added[1]->Description(), std::string("Slow"));
    QCOMPARE(added[1]->Parent(), FolderItem(w, "News"));
    QVERIFY(fs::exists(added[0]->SavedFile()) && fs::exists(added[1]->SavedFile()));
    QCOMPARE(w.Saved()->ItemsCount(), 2);
    QCOMPARE(w.main->Pages().Count(), size_t(2));
    QVERIFY(w.main->isEnabled());
    QVERIFY(w.main->CheckTimer()->isActive());
}

void EditingTest::closingDuringAnAddKeepsNothing() {
    HttpServer server;
    ServeSlowly(server, "/slow", 400);
    Window w;
    w.Open(TwoFolders());
    const auto before = CacheFiles(w);
    const std::string savedBefore = ReadFile(w.settings->XMLFile());
    bool ended = false;
    std::shared_ptr<Page> added;
    w.main->AddPageToFolder(FolderItem(w, "News"), server.Url("/slow"), "Slow", false, 1, dfDay, AddFeedback::Quiet,
                            [&](const std::shared_ptr<Page>& page) {
                                ended = true;
                                added = page;
                            });
    // The add ends with the window, at once; its download goes on by itself and what it
    // saves is removed when it stops.
    w.main->close();
    QVERIFY(ended);
    QVERIFY(!added);
    QVERIFY(QThreadPool::globalInstance()->waitForDone(30000));
    QCOMPARE(server.Hits("/slow"), 1);
    QVERIFY(CacheFiles(w) == before);
    QCOMPARE(ReadFile(w.settings->XMLFile()), savedBefore);
    QCOMPARE(FolderItem(w, "News")->ItemsCount(), 0);
}

void EditingTest::pageUnderInactiveFolderIsInactive() {
    HttpServer server;
    server.Page("/p", kPage);
    Window w;
    w.Open(TwoFolders(false));
    auto page = AddAndWait(*w.main, FolderItem(w, "Work"), server.Url("/p"), "P", false, 3, dfMinute);
    QVERIFY(page);
    QVERIFY(!page->Active());
    QCOMPARE(page->PeriodTime(), int16_t(5));
    QVERIFY(!Checked(w.main->Model()->IndexOf(*page)));
}

void EditingTest::addFolderAndRefuseSameName() {
    Window w;
    w.Open(TwoFolders(false));
    auto sub = w.main->AddSubfolderToFolder(FolderItem(w, "Work"), "Later", "Read later", 2, dfDay);
    QVERIFY(sub);
    QCOMPARE(sub->Key(), std::string("Work\\Later"));
    QVERIFY(!sub->Active());
    QVERIFY(!Checked(w.Node("Work\\Later")));
    QCOMPARE(w.main->Tree()->SelectedIndex(), w.Node("Work\\Later"));
    // Saved at once.
    QVERIFY(std::static_pointer_cast<Folder>(w.Saved()->Items("Work"))->Items("Work\\Later"));

    QString shown;
    CloseNextModal(&shown);
    QVERIFY(!w.main->AddSubfolderToFolder(FolderItem(w, "Work"), "later", "", 1, dfDay));
    QCOMPARE(shown, QString("Folder Exists|Folder already exists"));
    QCOMPARE(FolderItem(w, "Work")->ItemsCount(), 1);
}

void EditingTest::removeFolderRemovesExactlyItsCopies() {
    Window w;
    std::filesystem::create_directories(w.settings->CacheFolder());
    const std::string outside = (w.home.Root() / "notes.html").string();
    auto root = TwoFolders();
    auto news = std::static_pointer_cast<Folder>(root->Items("News"));
    auto a = PageWithCopy(w, "http://a.example/", "1.html");
    for (const char* frame : {"2.html", "3.html"}) {
        a->AddFrame(std::string("http://a.example/") + frame, w.settings->CacheFolder() + "/" + frame);
        WriteFile(w.settings->CacheFolder() + "/" + frame, "frame");
    }
    news->AddItem(a);
    // A hand-edited profile may name a file anywhere: it is never deleted.
    news->AddItem(PageWithCopy(w, "http://evil.example/", outside));
    auto sub = MakeFolder("Sub");
    news->AddItem(sub);
    sub->AddItem(PageWithCopy(w, "http://b.example/", "4.html"));
    root->AddItem(PageWithCopy(w, "http://c.example/", "5.html"));
    w.Open(root);
    w.main->Tree()->setCurrentIndex(w.Node("News\\Sub"));

    // "No" keeps everything, and nothing says it was removed.
    QStringList titles;
    bool stop = false;
    AnswerBoxes(QMessageBox::No, &titles, &stop);
    w.main->RemoveTreeItem(w.Node("News"), true);
    stop = true;
    QCOMPARE(titles, QStringList({"Remove Folder"}));
    QCOMPARE(FolderItem(w, "News")->ItemsCount(), 3);
    QTest::qWait(50);  // the answering chain has ended
    QCOMPARE(w.main->ActivityLog()->topLevelItemCount(), 0);
    QVERIFY(!w.main->statusBar()->currentMessage().contains("removed"));

    titles.clear();
    stop = false;
    AnswerBoxes(QMessageBox::Yes, &titles, &stop);
    w.main->RemoveTreeItem(w.Node("News"), true);
    stop = true;
    // Asked for the folder and again for its non-empty sub-folder.
    QCOMPARE(titles, QStringList({"Remove Folder", "Remove Folder"}));
    QVERIFY(!fs::exists(w.settings->CacheFolder() + "/4.html"));
    for (const char* gone : {"1.html", "2.html", "3.html", "4.html"})
        QVERIFY2(!fs::exists(w.settings->CacheFolder() + "/" + gone), gone);
    QVERIFY(fs::exists(w.settings->CacheFolder() + "/5.html"));
    QCOMPARE(ReadFile(outside), std::string("copy"));
    QVERIFY(!w.main->Root()->Items("News") && !w.Node("News"));
    QVERIFY(!w.Saved()->Items("News"));
    QCOMPARE(w.main->Pages().Count(), size_t(1));
    QCOMPARE(w.main->Tree()->SelectedIndex(), w.main->Tree()->RootIndex());
    QCOMPARE(w.main->statusBar()->currentMessage(), QString("News removed"));

    // The Delete key removes the selected page with its copy.
    w.main->Tree()->setCurrentIndex(w.Node("http://c.example/"));
    QTest::keyClick(w.main->Tree(), Qt::Key_Delete);
    QVERIFY(!w.Node("http://c.example/") && !fs::exists(w.settings->CacheFolder() + "/5.html"));
    QCOMPARE(w.main->Pages().Count(), size_t(0));

    // The activity log keeps its newest rows only.
    for (int i = 0; i < mainwindow::frmMain::kMaxLogRows + 5; ++i)
        w.main->AddLogRow(QString::number(i), "Page", "Checked");
    QTest::qWait(20);
    QCOMPARE(w.main->ActivityLog()->topLevelItemCount(), mainwindow::frmMain::kMaxLogRows);
    QCOMPARE(w.main->ActivityLog()->topLevelItem(mainwindow::frmMain::kMaxLogRows - 1)->text(0),
             QString::number(mainwindow::frmMain::kMaxLogRows + 4));

    // The root stays whatever is asked.
    w.main->RemoveTreeItem(w.main->Tree()->RootIndex(), true);
    QVERIFY(w.main->Tree()->RootIndex().isValid());
}

void EditingTest::editingTheDetailsPanel() {
    Window w;
    auto root = TwoFolders();
    auto news = std::static_pointer_cast<Folder>(root->Items("News"));
    news->AddItem(MakePage("http://a.example/", "A"));
    news->AddItem(MakePage("http://b.example/", "B"));
    w.Open(root);
    auto* url = w.main->findChild<QLineEdit*>("txtURL");
    auto* description = w.main->findChild<QLineEdit*>("txtDescription");
    auto* period = w.main->findChild<QLineEdit*>("txtTimePeriod");
    auto* unit = w.main->findChild<QComboBox*>("lstPeriodUnit");
    QVERIFY(!url->isReadOnly() && !description->isReadOnly() && unit->isEnabled());

    // Onto an address the folder holds already: refused, the old one comes back.
    w.main->Tree()->setCurrentIndex(w.Node("News\\http://a.example/"));
    url->setText("HTTP://B.example/");
    QString shown;
    CloseNextModal(&shown);
    QVERIFY(w.main->SaveShownItem());
    QCOMPARE(shown, QString("Page exists|Page already exists. URL did not change."));
    QCOMPARE(url->text(), QString("http://a.example/"));
    QVERIFY(FolderItem(w, "News")->Items("News\\http://a.example/"));

    // A new address: new key, same place, saved, with the description and the period.
    url->setText("http://c.example/");
    description->setText("C page");
    period->setText("3");
    unit->setCurrentIndex(0);
    QVERIFY(w.main->SaveShownItem());
    QCOMPARE(period->text(), QString("5"));
    auto c = std::static_pointer_cast<Page>(FolderItem(w, "News")->ItemAt(0));
    QCOMPARE(c->Key(), std::string("News\\http://c.example/"));
    QCOMPARE(c->Description(), std::string("C page"));
    QCOMPARE(c->PeriodTime(), int16_t(5));
    Row node = w.Node("News\\http://c.example/");
    QVERIFY(node && node.data().toString() == "C page" && node == w.main->Tree()->SelectedIndex());
    QVERIFY(w.main->Pages().Find("News\\http://c.example/") && !w.main->Pages().Find("News\\http://a.example/"));
    auto saved = std::static_pointer_cast<Folder>(w.Saved()->Items("News"));
    QCOMPARE(saved->ItemAt(0)->Key(), std::string("News\\http://c.example/"));

    // An empty URL is refused and nothing is saved.
    url->setText("");
    CloseNextModal(&shown);
    QVERIFY(!w.main->SaveShownItem());
    QCOMPARE(shown, QString("Pelmor|URL or folder name cannot be empty."));
    url->setText("http://c.example/");

    // A folder renamed takes its pages' keys along; the root's period goes down to all.
    w.main->Tree()->setCurrentIndex(w.Node("News"));
    url->setText("Daily");
    QVERIFY(w.main->SaveShownItem());
    QVERIFY(w.Node("Daily\\http://c.example/") && w.main->Pages().Find("Daily\\http://b.example/"));
    w.main->Tree()->setCurrentIndex(w.main->Tree()->RootIndex());
    period->setText("0.5");
    unit->setCurrentIndex(1);
    QVERIFY(w.main->SaveShownItem());
    auto daily = std::static_pointer_cast<Folder>(w.Saved()->Items("Daily"));
    QCOMPARE(daily->PeriodUnit(), dfHour);
    QCOMPARE(daily->ItemAt(1)->PeriodTime(), int16_t(1));
    QCOMPARE(daily->ItemAt(1)->PeriodUnit(), dfHour);
}

void EditingTest::advancedOptionsWriteBackAndCancel() {
    Window w;
    auto root = TwoFolders();
    auto page = MakePage("http://a.example/", "A");
    page->SetInsertColor("#00FF00");
    page->SetUpdateColor("bogus");
    root->AddItem(page);
    w.Open(root);
    w.main->Tree()->setCurrentIndex(w.Node("http://a.example/"));
    auto shown = std::static_pointer_cast<Page>(w.main->Root()->ItemAt(2));

    OnNextDialog<shell::frmAdvanced>([](shell::frmAdvanced* dialog) {
        QVERIFY(dialog->EndDate().IsZero());
        QCOMPARE(dialog->UpdateColor(), std::string("#FFFF00"));  // an unreadable colour shows the default
        dialog->SetEndDate(*DateTime::Parse("31/12/2030"));
        dialog->chkUseInverse()->setChecked(true);
        dialog->chkShowPics()->setChecked(false);
        dialog->SetColorChooser([](const QColor&) { return QColor(1, 0xAB, 3); });
        dialog->findChild<QPushButton*>("lblInsertColor")->click();
        dialog->findChild<QPushButton*>("btnOK")->click();
    });
    w.main->btnAdvanced_Click();
    auto saved = std::static_pointer_cast<Page>(w.Saved()->ItemAt(2));
    for (const auto& p : {shown, saved}) {
        QCOMPARE(p->EndDate().FormatDate(), std::string("31/12/2030"));
        QVERIFY(p->UseInverse() && !p->ShowPics());
        QCOMPARE(p->InsertColor(), std::string("#01AB03"));
        QCOMPARE(p->UpdateColor(), std::string("#FFFF00"));
    }

    // The close box cancels: nothing changes.
    OnNextDialog<shell::frmAdvanced>([](shell::frmAdvanced* dialog) {
        dialog->SetEndDate(DateTime());
        dialog->chkUseInverse()->setChecked(false);
        dialog->close();
    });
    w.main->btnAdvanced_Click();
    QCOMPARE(shown->EndDate().FormatDate(), std::string("31/12/2030"));
    QVERIFY(shown->UseInverse());
}

void EditingTest::removedItemsComeBackWithTheirCopies() {
    Window w;
    std::filesystem::create_directories(w.settings->CacheFolder());
    const std::string cache = w.settings->CacheFolder();
    auto root = TwoFolders();
    auto news = std::static_pointer_cast<Folder>(root->Items("News"));
    auto a = PageWithCopy(w, "http://a.example/", "1.html");
    a->AddFrame("http://a.example/f", cache + "/2.html");
    WriteFile(cache + "/2.html", "frame");
    const std::string version = HistoryFolder(a->SavedFile()) + "/20261209-141600.html";
    WriteFile(version, "past");
    news->AddItem(a);
    auto sub = MakeFolder("Sub");
    news->AddItem(sub);
    sub->AddItem(PageWithCopy(w, "http://b.example/", "4.html"));
    news->AddItem(PageWithCopy(w, "http://d.example/", "6.html"));
    root->AddItem(PageWithCopy(w, "http://c.example/", "5.html"));
    w.Open(root);
    w.main->show();
    QVERIFY(QTest::qWaitForWindowActive(w.main.get()));

    QStringList titles;
    bool stop = false;
    AnswerBoxes(QMessageBox::Yes, &titles, &stop);
    w.main->RemoveTreeItem(w.Node("News"), true);
    stop = true;
    w.main->Tree()->setCurrentIndex(w.Node("http://c.example/"));
    w.main->Tree()->setFocus();
    QTest::keyClick(w.main->Tree(), Qt::Key_Delete);
    for (const char* gone : {"1.html", "2.html", "4.html", "5.html", "6.html"})
        QVERIFY2(!fs::exists(cache + "/" + gone), gone);
    QVERIFY(!fs::exists(version));
    QVERIFY(!w.Saved()->Items("News"));

    // Ctrl+Z: the page last removed comes back first, with its copy.
    w.main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.main.get()));
    QTest::keyClick(w.main->Tree(), Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(w.Node("http://c.example/") && fs::exists(cache + "/5.html"));
    QCOMPARE(w.main->statusBar()->currentMessage(), QString("http://c.example/ restored"));

    // Then the folder, in its place, with everything in it, its frames' copies too.
    w.main->RestoreRemovedItem();
    QCOMPARE(ChildKeys(w.main->Tree()->RootIndex()), QStringList({"News", "Work", "http://c.example/"}));
    QCOMPARE(ChildKeys(w.Node("News")),
             QStringList({"News\\http://a.example/@|http://a.example/f", "News\\Sub", "News\\http://d.example/"}));
    QVERIFY(w.Node("News\\Sub\\http://b.example/"));
    for (const char* back : {"1.html", "2.html", "4.html", "5.html", "6.html"})
        QVERIFY2(fs::exists(cache + "/" + back), back);
    QCOMPARE(ReadFile(version), std::string("past"));
    auto saved = std::static_pointer_cast<Folder>(w.Saved()->Items("News"));
    QVERIFY(saved && saved->ItemsCount() == 3);
    QCOMPARE(int(std::static_pointer_cast<Page>(saved->ItemAt(0))->FramesCount()), 1);
    QCOMPARE(w.main->Pages().Count(), size_t(4));
    QCOMPARE(w.main->Tree()->SelectedIndex(), w.Node("News"));

    w.main->RestoreRemovedItem();
    QCOMPARE(w.main->statusBar()->currentMessage(), QString("Nothing to restore"));

    // A copy's name taken meanwhile by another page: the restored page gets another one.
    w.main->Tree()->setCurrentIndex(w.Node("http://c.example/"));
    QTest::keyClick(w.main->Tree(), Qt::Key_Delete);
    WriteFile(cache + "/5.html", "another page");
    w.main->RestoreRemovedItem();
    auto c = std::static_pointer_cast<Page>(w.main->Root()->Items("http://c.example/"));
    QVERIFY(c->SavedFile() != cache + "/5.html");
    QCOMPARE(ReadFile(c->SavedFile()), std::string("copy"));
    QCOMPARE(ReadFile(cache + "/5.html"), std::string("another page"));

    // What is still kept when the window goes is deleted, and only that.
    const std::string cFile = c->SavedFile();
    w.main->Tree()->setCurrentIndex(w.Node("http://c.example/"));
    QTest::keyClick(w.main->Tree(), Qt::Key_Delete);
    QVERIFY(fs::exists(cache + "/Removed"));
    w.main->close();
    QVERIFY(!fs::exists(cache + "/Removed") && !fs::exists(cFile));
    QVERIFY(fs::exists(cache + "/1.html") && fs::exists(cache + "/5.html"));
}

void EditingTest::invalidAddressesAreRefusedOnce() {
    Window w;
    auto root = TwoFolders();
    root->AddItem(MakePage("http://a.example/", "A"));
    w.Open(root);
    w.main->resize(900, 700);
    w.main->show();
    QVERIFY(QTest::qWaitForWindowActive(w.main.get()));
    auto* url = w.main->findChild<QLineEdit*>("txtURL");
    auto* tree = w.main->Tree();
    for (const char* typed : {"zzz not valid", ""}) {
        tree->setCurrentIndex(w.Node("http://a.example/"));
        url->setFocus();
        url->setText(typed);
        // One click elsewhere in the tree: one message, and the page stays selected.
        QStringList titles;
        bool stop = false;
        AnswerBoxes(QMessageBox::Ok, &titles, &stop);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(w.Node("Work")).center());
        QTest::qWait(100);
        stop = true;
        QTest::qWait(50);  // the answering chain has ended
        QCOMPARE(titles, QStringList{"Pelmor"});
        QCOMPARE(tree->SelectedIndex(), w.Node("http://a.example/"));
        QVERIFY(w.Saved()->Items("http://a.example/"));
    }
    // A web address without its protocol is taken as the page dialog takes it.
    url->setText("b.example");
    QVERIFY(w.main->SaveShownItem());
    QVERIFY(w.Saved()->Items("http://b.example/"));

    // The page dialog refuses the same text and stays open.
    mainwindow::frmAddURL dialog;
    dialog.show();
    dialog.txtURL()->setText("zzz not valid");
    QString shown;
    CloseNextModal(&shown);
    dialog.findChild<QPushButton*>("btnOK")->click();
    QCOMPARE(shown, QString("|This is not a valid web address."));
    QVERIFY(dialog.isVisible());
}

void EditingTest::datesAreCheckedAsTyped() {
    shell::frmAdvanced dialog;
    dialog.show();
    auto* end = dialog.findChild<QDateEdit*>("ctlEndDate");
    end->setFocus();
    QTest::keyClicks(end, "01/01/2020");
    QCOMPARE(dialog.EndDate().FormatDate(), std::string("01/01/2020"));

    // An end before the start: said at once, and OK keeps the dialog open.
    dialog.SetStartDate(*DateTime::Parse("02/01/2020"));
    QVERIFY(dialog.findChild<QLabel*>("lblDateProblem")->isVisible());
    QString shown;
    CloseNextModal(&shown);
    dialog.findChild<QPushButton*>("btnOK")->click();
    QCOMPARE(shown, QString("Advanced Properties|The end date is before the start date."));
    QVERIFY(dialog.isVisible() && dialog.result() != QDialog::Accepted);
    dialog.SetEndDate(DateTime());
    dialog.findChild<QPushButton*>("btnOK")->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

void EditingTest::pageTextIsPlain() {
    const std::string title = "<b>BOLD</b> <font color=red size=7>";
    mainwindow::frmProperties dialog;
    dialog.SetProperties(true, title, "http://a.example/<i>", DateTime(), 1, dfDay, DateTime());
    for (const char* name : {"lblDescription", "lblURL"}) {
        auto* label = dialog.findChild<QLabel*>(name);
        QCOMPARE(label->textFormat(), Qt::PlainText);
    }
    QCOMPARE(dialog.Field("lblDescription"), QString::fromStdString(title));
}

QTEST_MAIN(EditingTest)
#include "EditingTest.moc"
