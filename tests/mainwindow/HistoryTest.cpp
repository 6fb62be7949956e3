// SPDX-License-Identifier: GPL-3.0-or-later
// A page's history and its watched part in the window, on pages served on 127.0.0.1:
// pointing at an element of a shown page, two versions compared in the History window,
// and the activity log across a restart.

#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QWebEngineView>
#include <QtTest>
#include <optional>

#include "WindowFixture.h"
#include "mainwindow/BrowserWindow.h"
#include "mainwindow/WatchPart.h"
#include "mainwindow/frmHistory.h"
#include "retrieval/InternetHandler.h"
#include "retrieval/Versions.h"
#include "support/HttpServer.h"

using namespace pelmor;
using namespace pelmor::test;
using mainwindow::BrowserDocument;
using mainwindow::BrowserWindow;

namespace {

std::string News(const std::string& news, const std::string& footer) {
    return "<html><head><title>T</title></head><body><h1>Harbour</h1><div><p>" + news + "</p><p>Tides</p></div><p>" +
           footer + "</p></body></html>";
}

std::shared_ptr<Page> AddSavedPage(Window& w, ItemList& parent, const std::string& url) {
    auto page = MakePage(url, "Harbour news", true, true);
    std::filesystem::create_directories(w.settings->CacheFolder());
    page->SetSavedFile(w.settings->CacheFolder() + "/700.html");
    std::string title;
    if (!InternetHandler().SaveURLToCache(page, url, page->SavedFile(), title)) qWarning("cannot save %s", url.c_str());
    parent.AddItem(page);
    return page;
}

std::shared_ptr<Application> Root() {
    auto root = Application::Create();
    root->SetActive(true);
    return root;
}

}  // namespace

class HistoryTest : public QObject {
    Q_OBJECT
public:
    static void initMain() { QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts); }

private slots:
    void pointingAtAnElementMakesThePageWatchOnlyIt() {
        Window w;
        HttpServer server;
        server.Page("/news", News("Ferries run late.", "Contact"));
        auto root = Root();
        auto page = AddSavedPage(w, *root, server.Url("/news"));
        server.Page("/news", News("Ferries run on time.", "Contact"));
        w.Open(root);
        page = w.main->Pages().All().front();
        w.main->Tree()->setCurrentIndex(w.Node(QString::fromStdString(page->Key())));
        w.main->ShowPage(page);
        QVERIFY(QTest::qWaitFor([&] { return !w.main->Showing()->Busy(); }, 40000));
        QCOMPARE(w.main->BrowserWindows().size(), 1);
        auto* browser = static_cast<BrowserWindow*>(w.main->BrowserWindows().front());
        auto* watch = browser->findChild<mainwindow::WatchPart*>();
        QVERIFY(watch);

        QSignalSpy started(watch, &mainwindow::WatchPart::PointingStarted);
        watch->Action()->trigger();
        QVERIFY(started.wait(10000));
        // A press on the first paragraph of the block chooses it; the page sees no click.
        auto where = std::make_shared<QString>();
        browser->RunScript("var r=document.querySelector('div p').getBoundingClientRect();"
                           "JSON.stringify({x:r.left+r.width/2,y:r.top+r.height/2})",
                           [where](const QVariant& value) { *where = value.toString(); });
        QTRY_VERIFY(!where->isEmpty());
        const QJsonObject box = QJsonDocument::fromJson(where->toUtf8()).object();
        const QPoint at(qRound(box["x"].toDouble()), qRound(box["y"].toDouble()));
        QWidget* input = browser->View()->focusProxy() ? browser->View()->focusProxy() : browser->View();
        QTest::mousePress(input, Qt::LeftButton, {}, at);
        QTest::mouseRelease(input, Qt::LeftButton, {}, at);
        QTRY_COMPARE_WITH_TIMEOUT(page->ElementPath(), std::string("DIV(0),P(0)"), 10000);
        QVERIFY(!watch->Pointing());
        QCOMPARE(w.Saved()->ItemAt(0)->IsPage(), true);
        QCOMPARE(std::static_pointer_cast<Page>(w.Saved()->ItemAt(0))->ElementPath(), std::string("DIV(0),P(0)"));
        QVERIFY(w.main->findChild<QLabel*>("lblElementPath")->text().contains("DIV(0),P(0)"));

        // The engine now reads that path: a change elsewhere is no change, one inside is.
        server.Page("/news", News("Ferries run on time.", "Write to us"));
        QVERIFY(!InternetHandler().IsPageUpdated(page));
        server.Page("/news", News("Ferries are cancelled.", "Write to us"));
        QVERIFY(InternetHandler().IsPageUpdated(page));

        // "Watch the whole page" clears it.
        w.main->findChild<QPushButton*>("btnWholePage")->click();
        QCOMPARE(page->ElementPath(), std::string());
        browser->Quit();
    }

    void twoChosenVersionsAreShownMarkedOneAgainstTheOther() {
        Window w;
        HttpServer server;
        server.Page("/news", News("Ferries run late.", "Contact"));
        auto root = Root();
        auto page = AddSavedPage(w, *root, server.Url("/news"));
        // Two versions as the checker keeps them.
        const std::string folder = HistoryFolder(page->SavedFile());
        std::filesystem::create_directories(folder);
        InternetHandler handler;
        for (auto [name, news] : {std::pair{"20261201-080000", "Ferries run on time."},
                                  std::pair{"20261202-080000", "Ferries run on time. Extra boat at noon."}})
            QVERIFY(handler.SaveHTMLToCache(html::Document::Parse(News(news, "Contact"), server.Url("/news")),
                                            folder + "/" + name + ".html", false));
        w.Open(root);

        mainwindow::frmHistory history(page);
        auto* list = history.findChild<QTreeWidget*>("lstVersions");
        QCOMPARE(list->topLevelItemCount(), 2);
        QTRY_VERIFY_WITH_TIMEOUT(!list->topLevelItem(0)->text(1).isEmpty(), 20000);
        QCOMPARE(list->topLevelItem(0)->text(0), QString("02/12/2026 08:00:00"));
        QVERIFY(list->topLevelItem(0)->text(1).toInt() + list->topLevelItem(0)->text(2).toInt() > 0);

        list->topLevelItem(0)->setSelected(true);
        list->topLevelItem(1)->setSelected(true);
        QSignalSpy shown(&history, &mainwindow::frmHistory::VersionShown);
        history.btnShow_Click();
        QVERIFY(shown.wait(20000));
        QCOMPARE(shown.first().first().toBool(), true);
        auto answered = std::make_shared<std::optional<QString>>();
        BrowserDocument(history.LastBrowser()).BodyInnerHTML([answered](const QString& html) { *answered = html; });
        QTRY_VERIFY(answered->has_value());
        const QString body = **answered;
        QVERIFY2(body.contains("background-color", Qt::CaseInsensitive) && body.contains("Extra boat"),
                 qPrintable(body));
        history.LastBrowser()->Quit();
    }

    void theActivityLogComesBackAfterARestart() {
        Window w;
        w.Open(Root());
        for (int i = 0; i < 1003; ++i) w.main->AddLogRow(QString("Row %1").arg(i), "Page", "Added");
        w.main.reset();
        w.Open(nullptr);
        auto* log = w.main->ActivityLog();
        QCOMPARE(log->topLevelItemCount(), 1000);
        QCOMPARE(log->topLevelItem(999)->text(0), QString("Row 1002"));
        QCOMPARE(log->topLevelItem(999)->text(1), QString("Added"));
    }
};

QTEST_MAIN(HistoryTest)
#include "HistoryTest.moc"
