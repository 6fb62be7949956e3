// SPDX-License-Identifier: GPL-3.0-or-later
// Import from bookmarks through the main window: folders and pages added with a daily
// check, each page downloaded once from a local server, and an import that is stopped or
// closed early.

#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QStatusBar>
#include <QtTest>
#include <functional>

#include "FavoritesWait.h"
#include "WindowFixture.h"
#include "mainwindow/ProfilesPart.h"
#include "mainwindow/frmFavorites.h"
#include "support/HttpServer.h"

using namespace pelmor;
using namespace pelmor::test;
using namespace pelmor::mainwindow;
namespace fs = std::filesystem;

class ImportTest : public QObject {
    Q_OBJECT
private slots:
    void importsFoldersAndPagesOnce();
    void stoppedImportKeepsWhatWasAdded();
    void closingTheDialogImportsNothing();
    void nothingReadImportsNothing();
    void importTakesOnePageAtATime();
};

namespace {

std::string Exported(const HttpServer& server) {
    return "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n"
           "<DT><H3>News</H3>\n<DL><p>\n"
           "  <DT><A HREF=\"" + server.Url("/a") + "\">Page A</A>\n"
           "  <DT><H3>Sport</H3>\n  <DL><p>\n    <DT><A HREF=\"" + server.Url("/b") + "\">Page B</A>\n  </DL><p>\n"
           "</DL><p>\n"
           "<DT><A HREF=\"" + server.Url("/c") + "\">Page C</A>\n"
           "<DT><A HREF=\"" + server.Url("/d") + "\">Page D</A>\n"
           "</DL>\n";
}

void ServePages(HttpServer& server, bool withB = true) {
    for (const char* path : {"/a", "/b", "/c", "/d"})
        if (withB || std::string(path) != "/b")
            server.Page(path, std::string("<html><head><title>T") + path + "</title></head><body><p>Body " +
                                  path + "</p></body></html>");
}

// Runs `work` on the dialog once it is shown modally.
void OnFavoritesDialog(std::function<void(frmFavorites&)> work, int tries = 200) {
    QTimer::singleShot(20, [work, tries] {
        auto* dialog = qobject_cast<frmFavorites*>(QApplication::activeModalWidget());
        if (!dialog) {
            if (tries > 0) OnFavoritesDialog(work, tries - 1);
            return;
        }
        work(*dialog);
    });
}

// Closes every message box that comes up while it lives, keeping their texts.
struct MessageCloser {
    QStringList texts;
    QTimer timer;
    MessageCloser() {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                texts << box->windowTitle() + "|" + box->text();
                box->close();
            }
        });
        timer.start(20);
    }
};

void ImportFile(frmFavorites& dialog, const fs::path& file) {
    QVERIFY(WaitForReading(dialog));
    QVERIFY(dialog.AddBookmarksFile(QString::fromStdString(file.string())));
    QVERIFY(WaitForReading(dialog));
    QTreeWidget* tree = dialog.Tree();
    QTreeWidgetItem* root = tree->topLevelItem(0);
    tree->setCurrentItem(root->child(root->childCount() - 1));
    dialog.findChild<QPushButton*>("btnImport")->click();
}

// Imports into the root through the dialog and waits until the import has ended.
void ImportAndWait(Window& w) {
    QSignalSpy finished(w.main->Profiles(), &ProfilesPart::ImportFinished);
    w.main->ImportFromFavorites(w.main->Tree()->RootIndex());
    QVERIFY(finished.count() > 0 || finished.wait(60000));
}

}  // namespace

void ImportTest::importsFoldersAndPagesOnce() {
    HttpServer server;
    ServePages(server);
    Window w;
    w.Open(nullptr);
    WriteFile(w.home.Root() / "bookmarks.html", Exported(server));
    OnFavoritesDialog([&](frmFavorites& dialog) { ImportFile(dialog, w.home.Root() / "bookmarks.html"); });
    ImportAndWait(w);

    for (const char* path : {"/a", "/b", "/c", "/d"}) QCOMPARE(server.Hits(path), 1);
    QCOMPARE(w.main->statusBar()->currentMessage(), QString("Finished importing from favorites"));
    std::shared_ptr<Application> saved = w.Saved();
    QCOMPARE(saved->ItemsCount(), 1);
    auto file = std::dynamic_pointer_cast<Folder>(saved->ItemAt(0));
    QVERIFY(file);
    QCOMPARE(file->Name(), std::string("bookmarks.html"));
    QCOMPARE(file->ItemsCount(), 3);
    auto news = std::dynamic_pointer_cast<Folder>(file->ItemAt(0));
    QVERIFY(news);
    QCOMPARE(news->Name(), std::string("News"));
    QCOMPARE(int(news->PeriodTime()), 1);
    QCOMPARE(news->PeriodUnit(), dfDay);
    auto sport = std::dynamic_pointer_cast<Folder>(news->ItemAt(1));
    QVERIFY(sport);
    auto pageB = std::dynamic_pointer_cast<Page>(sport->ItemAt(0));
    QVERIFY(pageB);
    QCOMPARE(pageB->URL(), server.Url("/b"));
    QCOMPARE(pageB->Description(), std::string("Page B"));
    QCOMPARE(int(pageB->PeriodTime()), 1);
    QCOMPARE(pageB->PeriodUnit(), dfDay);
    QVERIFY(fs::exists(pageB->SavedFile()));
    // The tree shows them too.
    QVERIFY(w.Node(QString::fromStdString(pageB->Key())));

    // The same folder again is refused: its pages are not downloaded a second time.
    MessageCloser closer;
    OnFavoritesDialog([&](frmFavorites& dialog) { ImportFile(dialog, w.home.Root() / "bookmarks.html"); });
    ImportAndWait(w);
    QCOMPARE(closer.texts, QStringList{"Folder Exists|Folder already exists"});
    QCOMPARE(server.Hits("/a"), 1);
}

void ImportTest::stoppedImportKeepsWhatWasAdded() {
    HttpServer server;
    ServePages(server, false);
    // While the second page downloads, the user presses "Cancel".
    server.Routes().Get("/b", [](const httplib::Request&, httplib::Response& response) {
        QMetaObject::invokeMethod(
            qApp,
            [] {
                for (QWidget* window : QApplication::topLevelWidgets())
                    if (auto* progress = qobject_cast<QProgressDialog*>(window);
                        progress && progress->objectName() == "frmImportProgress") {
                        QCOMPARE(progress->labelText(), QString("Adding 2 of 4"));
                        progress->cancel();
                    }
            },
            Qt::QueuedConnection);
        QThread::msleep(200);
        response.set_content("<html><body><p>B</p></body></html>", "text/html");
    });
    Window w;
    w.Open(nullptr);
    WriteFile(w.home.Root() / "bookmarks.html", Exported(server));
    OnFavoritesDialog([&](frmFavorites& dialog) { ImportFile(dialog, w.home.Root() / "bookmarks.html"); });
    ImportAndWait(w);

    QCOMPARE(server.Hits("/a"), 1);
    QCOMPARE(server.Hits("/c"), 0);
    QCOMPARE(server.Hits("/d"), 0);
    QCOMPARE(w.main->statusBar()->currentMessage(),
             QString("Stopped importing from favorites after 2 of 4 pages"));
    std::shared_ptr<Application> saved = w.Saved();
    auto news = std::dynamic_pointer_cast<Folder>(std::dynamic_pointer_cast<Folder>(saved->ItemAt(0))->ItemAt(0));
    QCOMPARE(news->ItemsCount(), 2);
    QVERIFY(w.main->isEnabled());
}

void ImportTest::closingTheDialogImportsNothing() {
    HttpServer server;
    ServePages(server);
    Window w;
    w.Open(nullptr);
    w.main->CheckTimer()->start();
    WriteFile(w.home.Root() / "bookmarks.html", Exported(server));
    OnFavoritesDialog([&](frmFavorites& dialog) {
        QVERIFY(WaitForReading(dialog));
        QVERIFY(dialog.AddBookmarksFile(QString::fromStdString((w.home.Root() / "bookmarks.html").string())));
        dialog.close();
    });
    ImportAndWait(w);
    QCOMPARE(int(server.Requests().size()), 0);
    QCOMPARE(w.Saved()->ItemsCount(), 0);
    QVERIFY(w.main->CheckTimer()->isActive());
}

void ImportTest::nothingReadImportsNothing() {
    Window w;
    w.Open(nullptr);
    // No browser profile in the home: "Favorites" stays empty, and "Import" at once adds
    // no empty folder but says why nothing came.
    MessageCloser closer;
    OnFavoritesDialog([&](frmFavorites& dialog) {
        QVERIFY(WaitForReading(dialog));
        QCOMPARE(dialog.Tree()->topLevelItem(0)->childCount(), 0);
        dialog.findChild<QPushButton*>("btnImport")->click();
    });
    ImportAndWait(w);
    QCOMPARE(closer.texts, QStringList{"Add From Favorites|No bookmarks could be read: nothing was imported."});
    QCOMPARE(w.main->Root()->ItemsCount(), 0);
    QCOMPARE(w.Saved()->ItemsCount(), 0);
}

namespace {

// Adds folders at once and holds every page add until the test ends it.
struct HeldAdder : mainwindow::ItemAdder {
    std::shared_ptr<Application> root = Application::Create();
    QStringList calls;
    std::vector<PageAdded> pending;
    void AddPageToFolder(const std::shared_ptr<ItemList>& folder, const std::string& url, const std::string&, bool, int,
                         dfUnits, AddFeedback, PageAdded done) override {
        calls << QString::fromStdString(
            (folder->IsApplication() ? "" : std::static_pointer_cast<Folder>(folder)->Key() + "\\") + url);
        pending.push_back(std::move(done));
    }
    std::shared_ptr<Folder> AddSubfolderToFolder(const std::shared_ptr<ItemList>& folder, const std::string& name,
                                                 const std::string&, int, dfUnits, AddFeedback) override {
        auto added = Folder::Create();
        added->SetName(name);
        calls << QString::fromStdString(name);
        return std::static_pointer_cast<Folder>(folder->AddItem(added));
    }
};

ProfilesPart::ImportNode Node(const char* picture, const char* text,
                              std::vector<ProfilesPart::ImportNode> children = {}) {
    return {picture, text, picture == std::string("Page") ? QString("http://x/") + text : QString(),
            std::move(children)};
}

}  // namespace

void ImportTest::importTakesOnePageAtATime() {
    QWidget window;
    HeldAdder adder;
    adder.root->AddItem(MakeFolder("Old"));
    ProfilesPart part(std::make_shared<Settings>(), adder.root, adder, &window);
    QSignalSpy finished(&part, &ProfilesPart::ImportFinished);
    part.Import(adder.root, {Node("Folder", "News", {Node("Page", "a"), Node("Folder", "Sport", {Node("Page", "b")})}),
                             Node("Folder", "Old", {Node("Page", "skipped")}), Node("Page", "c"), Node("Page", "d")});
    // Folders come at once, in order; the next page waits until the one before has ended.
    QCOMPARE(adder.calls, (QStringList{"News", "News\\http://x/a"}));
    adder.pending.back()(nullptr);  // a page that fails does not stop the import
    QTRY_COMPARE(adder.calls.size(), 4);
    QCOMPARE(adder.calls.mid(2), (QStringList{"Sport", "News\\Sport\\http://x/b"}));
    // "Old" exists: what it holds is not imported. Stopping waits for the page under way.
    adder.pending.back()(nullptr);
    QTRY_COMPARE(adder.calls.size(), 6);
    QCOMPARE(adder.calls.mid(4), (QStringList{"Old", "http://x/c"}));
    part.StopImport();
    QVERIFY(part.Importing());
    adder.pending.back()(nullptr);
    QTRY_VERIFY(!part.Importing());
    QCOMPARE(finished.count(), 1);
    QCOMPARE(adder.calls.size(), 6);
}

QTEST_MAIN(ImportTest)
#include "ImportTest.moc"
