// SPDX-License-Identifier: GPL-3.0-or-later
// Showing a page with its changes marked, in real browser windows on pages served on
// 127.0.0.1: the body and frame writes, frames of other sites, frames sent back to their
// stored address, a page that does not load in time, ShowFolder and the saved copy.

#include <QMessageBox>
#include <QStatusBar>
#include <QWebEngineView>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

#include "WindowFixture.h"
#include "mainwindow/BrowserWindow.h"
#include "mainwindow/ChangesBar.h"
#include "mainwindow/ShowChanges.h"
#include "mainwindow/ShowingPart.h"
#include "retrieval/InternetHandler.h"
#include "support/HttpServer.h"

using namespace pelmor;
using namespace pelmor::test;
using mainwindow::BrowserDocument;
using mainwindow::BrowserWindow;

namespace {

std::string Body(const std::string& text) { return "<html><head><title>T</title></head><body>" + text + "</body></html>"; }

// A page saved to the cache as when it was added, then put into `parent`.
std::shared_ptr<Page> SavedPage(Window& w, ItemList& parent, const std::string& url, const std::string& description,
                                bool updated = true, bool active = true) {
    static int number = 500;
    auto page = MakePage(url, description, active, updated);
    page->SetInsertColor("#00FF00");
    page->SetUpdateColor("#FFFF00");
    std::filesystem::create_directories(w.settings->CacheFolder());
    std::string file = w.settings->CacheFolder() + "/" + std::to_string(++number) + ".html";
    std::string title;
    InternetHandler handler;
    if (!handler.SaveURLToCache(page, url, file, title)) qWarning("cannot save %s", url.c_str());
    page->SetSavedFile(file);
    parent.AddItem(page);
    return page;
}

std::shared_ptr<Application> Root() {
    auto root = Application::Create();
    root->SetActive(true);
    root->SetPeriodTime(1);
    root->SetPeriodUnit(dfDay);
    return root;
}

// Waits until the window's load ended.
bool Loaded(BrowserWindow* browser) {
    return QTest::qWaitFor([&] { return browser->ReadyState() == BrowserWindow::kReadyComplete; }, 20000);
}

// The answer of a script run on a document, once it came (an invalid value after 10 s).
QVariant Evaluate(const BrowserDocument& document, const QString& body) {
    auto answer = std::make_shared<std::optional<QVariant>>();
    document.Evaluate(body, [answer](const QVariant& value) { *answer = value; });
    return QTest::qWaitFor([&] { return answer->has_value(); }, 10000) ? **answer : QVariant();
}

QVariant Run(BrowserWindow* browser, const QString& script) {
    auto answer = std::make_shared<std::optional<QVariant>>();
    browser->RunScript(script, [answer](const QVariant& value) { *answer = value; });
    return QTest::qWaitFor([&] { return answer->has_value(); }, 10000) ? **answer : QVariant();
}

bool Written(const BrowserDocument& document, const std::string& html) {
    auto written = std::make_shared<std::optional<bool>>();
    mainwindow::WriteRevisedBody(document, html, [written](bool ok) { *written = ok; });
    return QTest::qWaitFor([&] { return written->has_value(); }, 10000) && **written;
}

QString BodyOf(const BrowserDocument& document) {
    return Evaluate(document, "return d.body?d.body.innerHTML:'';").toString();
}

// Waits until the displays asked for have ended (their messages closed).
bool ShowsEnded(const Window& w, int ms = 40000) {
    return QTest::qWaitFor([&] { return !w.main->Showing()->Busy(); }, ms);
}

QStringList BrowserUrls(const mainwindow::frmMain& main) {
    QStringList urls;
    for (QWidget* w : main.BrowserWindows())
        urls << static_cast<BrowserWindow*>(w)->View()->url().toString();
    urls.sort();
    return urls;
}

}  // namespace

class ShowTest : public QObject {
    Q_OBJECT
public:
    static void initMain() { QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts); }

private slots:
    void writingTheBodyKeepsTheTextAsItIsAndLeavesFramesets() {
        HttpServer server;
        server.Page("/plain", Body("<p>old</p><script>document.body.setAttribute('data-ran','1')</script>"));
        server.Page("/set", "<html><frameset cols='50%,50%'><frame src='/plain'><frame src='/plain'></frameset></html>");
        auto* browser = new BrowserWindow();
        browser->Navigate(QString::fromStdString(server.Url("/plain")));
        QVERIFY(Loaded(browser));
        BrowserDocument document(browser);
        // Quotes, backslashes, a closing script tag and text that would end a naive
        // script: all of it must arrive as text.
        const std::string tricky = "<p id=\"x\">a 'b' \\ \"c\" </script>'); document.title='hacked'; ('</p>";
        QVERIFY(Written(document, tricky));
        QCOMPARE(Run(browser, "document.getElementById('x').textContent").toString(),
                 QString::fromUtf8("a 'b' \\ \"c\" '); document.title='hacked'; ('"));
        QVERIFY(Run(browser, "document.title").toString() != "hacked");
        QVERIFY(!Written(document, ""));

        browser->Navigate(QString::fromStdString(server.Url("/set")));
        QVERIFY(Loaded(browser));
        QCOMPARE(Evaluate(document, "return f.length;").toInt(), 2);
        QVERIFY(Written(document, "<p>never</p>"));
        QVERIFY(!BodyOf(document).contains("never"));
        browser->Quit();
    }

    void framesOfTheSameSiteAreMarkedOthersLeftAndMovedFramesSentBack() {
        Window w;
        HttpServer server;
        HttpServer other;  // another port: another site
        server.Page("/left", Body("<p>Left side.</p>"));
        server.Page("/moved", Body("<p>Somewhere else.</p>"));
        other.Page("/right", Body("<p>Right side.</p>"));
        const std::string frameset = "<html><head><title>F</title></head><frameset cols='50%,50%'><frame src='" +
                                     server.Url("/left") + "'><frame src='" + other.Url("/right") +
                                     "'></frameset></html>";
        server.Page("/set", frameset);
        auto root = Root();
        SavedPage(w, *root, server.Url("/set"), "Frames");
        QCOMPARE(root->ItemAt(0)->IsFolder(), false);
        server.Page("/left", Body("<p>Left side.</p><p>Fresh news on the left.</p>"));
        other.Page("/right", Body("<p>Right side.</p><p>Fresh news on the right.</p>"));
        // The frameset now points its first frame elsewhere; the stored address wins.
        std::string movedSet = frameset;
        movedSet.replace(movedSet.find("/left"), 5, "/moved");
        server.Page("/set", movedSet);
        w.Open(root);

        auto page = w.main->Pages().All().front();
        w.main->ShowPage(page);
        QVERIFY(ShowsEnded(w));
        auto windows = w.main->BrowserWindows();
        QCOMPARE(windows.size(), 1);
        auto* browser = static_cast<BrowserWindow*>(windows.front());
        BrowserDocument document(browser);
        QCOMPARE(Evaluate(document.FrameDocument(0), "return String(d.URL);").toString(),
                 QString::fromStdString(server.Url("/left")));
        const QString left = BodyOf(document.FrameDocument(0));
        QVERIFY2(left.contains("background-color: #00FF00", Qt::CaseInsensitive), qPrintable(left));
        QVERIFY(left.contains("Fresh news on the left."));
        QVERIFY(!Evaluate(document, "return f[1].contentWindow.document!=null;").toBool());
        // The other site's frame was neither marked nor taken as its new saved copy.
        QVERIFY(ReadFile(page->FrameAt(1)->SavedFile()).find("Fresh") == std::string::npos);
        QVERIFY(ReadFile(page->FrameAt(0)->SavedFile()).size() > 0);
        QVERIFY(!page->Updated());
        QCOMPARE(ForeColor(w.Node(QString::fromStdString(page->Key()))), 0);
        auto* log = w.main->ActivityLog();
        QCOMPARE(log->topLevelItem(log->topLevelItemCount() - 1)->text(1), QString("Displayed"));
        QVERIFY(w.main->isEnabled());
        browser->Quit();
    }

    void aPageThatDoesNotLoadInTimeStaysRed() {
        Window w;
        HttpServer server;
        std::atomic<bool> slow = false;
        server.Routes().Get("/slow", [&](const httplib::Request&, httplib::Response& response) {
            if (slow) std::this_thread::sleep_for(std::chrono::milliseconds(2500));
            response.set_content(Body(slow ? "<p>late</p>" : "<p>early</p>"), "text/html");
        });
        auto root = Root();
        auto page = SavedPage(w, *root, server.Url("/slow"), "Slow page");
        const std::string savedBefore = ReadFile(page->SavedFile());
        slow = true;
        w.Open(root);
        w.main->SetShowLimits(800, 800);
        auto shown = w.main->Pages().All().front();
        QString box;
        CloseNextModal(&box);
        w.main->ShowPage(shown);
        QVERIFY(ShowsEnded(w));
        QCOMPARE(box, QString("Open failed|Unable to open new web page:\nSlow page.\nPlease check the follwing: \n"
                              "1. Internet connection may be closed.\n2. Site may be down."));
        QCOMPARE(w.main->statusBar()->currentMessage(), QString("Failed to display changed in Slow page"));
        QVERIFY(shown->Updated());
        QCOMPARE(ForeColor(w.Node(QString::fromStdString(shown->Key()))), 255);
        QCOMPARE(ReadFile(shown->SavedFile()), savedBefore);
        QVERIFY(w.main->isEnabled());
        QVERIFY(w.main->CheckTimer()->isActive());
        QTRY_VERIFY(w.main->BrowserWindows().isEmpty());
        std::this_thread::sleep_for(std::chrono::milliseconds(2000));  // let the server answer before it goes
    }

    void aCloseOfEitherWindowDuringADisplayEndsItAndLeavesThePageAsItWas() {
        for (bool closeMain : {false, true}) {
            Window w;
            HttpServer server;
            std::atomic<bool> slow = false;
            server.Routes().Get("/slow", [&](const httplib::Request&, httplib::Response& response) {
                if (slow) std::this_thread::sleep_for(std::chrono::milliseconds(2000));
                response.set_content(Body(slow ? "<p>late</p>" : "<p>early</p>"), "text/html");
            });
            auto root = Root();
            auto page = SavedPage(w, *root, server.Url("/slow"), "Slow page");
            const std::string savedBefore = ReadFile(page->SavedFile());
            slow = true;
            w.Open(root);
            w.main->CheckTimer()->start();
            auto shown = w.main->Pages().All().front();
            QSignalSpy finished(w.main->Showing(), &mainwindow::ShowingPart::Finished);
            w.main->ShowPage(shown);
            QVERIFY(!w.main->isEnabled());
            QVERIFY(!w.main->CheckTimer()->isActive());
            QCOMPARE(w.main->BrowserWindows().size(), 1);
            if (closeMain)
                w.main->close();
            else
                w.main->BrowserWindows().front()->close();
            QTRY_COMPARE(finished.size(), 1);
            QCOMPARE(finished.front().at(1).toBool(), false);
            QVERIFY(!w.main->Showing()->Busy());
            QVERIFY(!QApplication::activeModalWidget());
            QVERIFY(shown->Updated());
            QCOMPARE(ReadFile(shown->SavedFile()), savedBefore);
            QVERIFY(w.main->isEnabled());
            QCOMPARE(w.main->CheckTimer()->isActive(), !closeMain);
            QTRY_VERIFY(w.main->BrowserWindows().isEmpty());
            std::this_thread::sleep_for(std::chrono::milliseconds(2100));  // the server answers before it goes
        }
    }

    void anAbandonedRevisionPutsTheSavedCopyBack() {
        Window w;
        HttpServer server;
        server.Page("/p", Body("<p>old</p>"));
        auto root = Root();
        auto page = SavedPage(w, *root, server.Url("/p"), "P");
        const std::string savedBefore = ReadFile(page->SavedFile());
        server.Page("/p", Body("<p>new</p>"));
        // Abandoned at once, and after the marked HTML was made: both leave the copy whole.
        for (int waitMs : {0, 3000}) {
            mainwindow::SavedCopyBackup backup;
            QObject context;
            bool answered = false;
            auto revision = mainwindow::Revision::Start(page, true, &context, backup,
                                                        [&](const mainwindow::RevisedItem&) { answered = true; });
            if (waitMs) QThreadPool::globalInstance()->waitForDone(waitMs);
            revision->Abandon();
            QThreadPool::globalInstance()->waitForDone();
            QTest::qWait(50);
            QVERIFY(!answered);
            QCOMPARE(ReadFile(page->SavedFile()), savedBefore);
        }
    }

    void aDisplayThatFailsAfterMarkingKeepsThePageRedAndItsSavedCopy() {
        Window w;
        HttpServer server;
        server.Page("/p", Body("<p>old</p>"));
        auto root = Root();
        auto page = SavedPage(w, *root, server.Url("/p"), "Emptied page");
        const std::string savedBefore = ReadFile(page->SavedFile());
        // The live page comes back with an empty body: with removed text hidden there is
        // nothing to write.
        server.Page("/p", "<html><head><title>T</title></head><body></body></html>");
        w.settings->SetShowRemoved(false);
        w.Open(root);
        auto shown = w.main->Pages().All().front();
        QString box;
        CloseNextModal(&box, 1000);
        w.main->ShowPage(shown);
        QVERIFY(ShowsEnded(w));
        QCOMPARE(box, QString("Open failed|Unable to display changes in web page:\nEmptied page.\nPlease check the "
                              "follwing: \n1. Internet connection may be closed.\n2. Site may be down."));
        QCOMPARE(w.main->statusBar()->currentMessage(), QString("Failed to display changed in Emptied page"));
        QVERIFY(shown->Updated());
        QCOMPARE(ForeColor(w.Node(QString::fromStdString(shown->Key()))), 255);
        QCOMPARE(ReadFile(shown->SavedFile()), savedBefore);
        QVERIFY(w.main->isEnabled());
    }

    void showFolderOpensTheUpdatedActivePagesOnly() {
        Window w;
        HttpServer server;
        for (const char* path : {"/a", "/b", "/c", "/d"}) server.Page(path, Body("<p>one</p>"));
        auto root = Root();
        SavedPage(w, *root, server.Url("/a"), "A");
        auto off = MakeFolder("Off", false);
        root->AddItem(off);
        SavedPage(w, *off, server.Url("/b"), "B");
        auto on = MakeFolder("On");
        root->AddItem(on);
        SavedPage(w, *on, server.Url("/c"), "C", false);
        SavedPage(w, *on, server.Url("/d"), "D");
        w.Open(root);
        w.main->ShowFolder(*w.main->Root());
        QVERIFY(ShowsEnded(w));
        QCOMPARE(BrowserUrls(*w.main), QStringList({QString::fromStdString(server.Url("/a")),
                                                    QString::fromStdString(server.Url("/d"))}));
        for (QWidget* browser : w.main->BrowserWindows()) static_cast<BrowserWindow*>(browser)->Quit();
    }

    void theBarCountsTheMarksAndStepsThroughThem() {
        Window w;
        HttpServer server;
        server.Page("/p", Body("<p>Open Monday to Friday</p><p>Nothing changes here</p><p>This paragraph goes</p>"));
        auto root = Root();
        SavedPage(w, *root, server.Url("/p"), "Bar");
        server.Page("/p", Body("<p>Open Monday to Saturday</p><h2>A new heading</h2><p>Nothing changes here</p>"));
        w.settings->SetShowRemoved(true);
        w.Open(root);
        w.main->ShowPage(w.main->Pages().All().front());
        QVERIFY(ShowsEnded(w));
        QCOMPARE(w.main->BrowserWindows().size(), 1);
        auto* browser = static_cast<BrowserWindow*>(w.main->BrowserWindows().front());
        auto* bar = browser->findChild<mainwindow::ChangesBar*>("ctlChanges");
        QVERIFY(bar);
        QTRY_COMPARE(bar->CountsText(), QString("1 inserted, 1 updated, 2 removed"));
        QSignalSpy stepped(bar, &mainwindow::ChangesBar::Stepped);
        bar->PreviousChange();
        QTRY_COMPARE(stepped.size(), 1);
        QCOMPARE(stepped.at(0), (QList<QVariant>{4, 4}));
        bar->NextChange();
        QTRY_COMPARE(stepped.size(), 2);
        QCOMPARE(stepped.at(1), (QList<QVariant>{1, 4}));
        browser->Quit();
    }

    void theSavedCopyFollowsNoRefresh() {
        TempHome home;
        const auto first = home.Root() / "first.html", second = home.Root() / "second.html";
        WriteFile(first, "<html><head><title>First</title><meta http-equiv='refresh' content='0; url=second.html'>"
                         "</head><body>first</body></html>");
        WriteFile(second, "<html><head><title>Second</title></head><body>second</body></html>");
        auto* browser = new BrowserWindow(BrowserWindow::Content::SavedCopy,
                                          {QString::fromStdString(first.string()), QString::fromStdString(second.string())});
        browser->Navigate(QString::fromStdString(first.string()));
        QVERIFY(Loaded(browser));
        QTest::qWait(1500);
        QCOMPARE(browser->View()->url(), QUrl::fromLocalFile(QString::fromStdString(first.string())));
        QCOMPARE(browser->windowTitle(), QString("First - Pelmor"));
        browser->Quit();
    }

    void theSavedCopyRunsNoScriptAndLoadsNothingFromTheNetwork() {
        Window w;
        HttpServer server;
        server.Page("/pixel.png", "x", "image/png");
        // Live pages are saved as their scripts left them; this script acts only when it
        // runs again in the saved copy.
        server.Page("/p", "<html><head><title>Old</title><script>if (location.protocol == 'file:') "
                          "document.title = 'ran'</script></head><body>"
                          "<img src='" + server.Url("/pixel.png") + "'><p>old</p></body></html>");
        auto root = Root();
        SavedPage(w, *root, server.Url("/p"), "P");
        server.Page("/p", Body("<p>new</p>"));
        const int pixelHits = server.Hits("/pixel.png");
        w.settings->SetDisplayOld(true);
        w.Open(root);
        w.main->ShowPage(w.main->Pages().All().front());
        QVERIFY(ShowsEnded(w));
        auto windows = w.main->BrowserWindows();
        QCOMPARE(windows.size(), 2);
        auto* old = static_cast<BrowserWindow*>(windows.front());
        QVERIFY(Loaded(old));
        QTRY_COMPARE(old->windowTitle(), QString("Old - Pelmor"));
        QCOMPARE(server.Hits("/pixel.png"), pixelHits);
        for (QWidget* browser : windows) static_cast<BrowserWindow*>(browser)->Quit();
    }

    void aConsentGivenInTheWindowIsSentByTheChecks() {
        TempHome home;
        HttpServer server;
        server.Routes().set_keep_alive_max_count(1);
        server.Page("/consent", Body("<script>document.cookie = 'consent=given; path=/; max-age=3600'</script>"));
        server.Page("/check", Body("<p>checked</p>"));
        auto* browser = new BrowserWindow();
        browser->Navigate(QString::fromStdString(server.Url("/consent")));
        QVERIFY(Loaded(browser));
        QVERIFY(QTest::qWaitFor(
            [&] { return ReadFile(home.Data() / "cookies.txt").find("consent") != std::string::npos; }, 5000));
        QVERIFY(InternetHandler().LightNavigate(server.Url("/check")));
        QVERIFY(server.LastHeader("/check", "Cookie").find("consent=given") != std::string::npos);
        browser->Quit();
    }
};

QTEST_MAIN(ShowTest)
#include "ShowTest.moc"
