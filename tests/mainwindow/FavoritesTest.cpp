// SPDX-License-Identifier: GPL-3.0-or-later
// The bookmark stores read into the "Add From Favorites" tree, and its multi-selection.

#include <sqlite3.h>

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

#include "FavoritesWait.h"
#include "mainwindow/frmFavorites.h"
#include "support/TempHome.h"

using namespace pelmor;
using namespace pelmor::test;
using mainwindow::cTreeViewMultiSelect;
using mainwindow::frmFavorites;

class FavoritesTest : public QObject {
    Q_OBJECT
private slots:
    void storesBecomeFoldersUnderFavorites();
    void unreadableStoresAreReportedAndSkipped();
    void plainCtrlAndShiftSelection();
    void closingWithoutImportGivesNothing();
    void endlessQueryEndsWithClearErrorOrStop();
};

namespace {

void Exec(sqlite3* db, const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        QString text = QString::fromUtf8(error);
        sqlite3_free(error);
        QFAIL(qPrintable(text));
    }
}

// A places database with Firefox's tables and its built-in folders, in write-ahead mode
// as Firefox keeps it, with one bookmark still in the log.
void MakeFirefoxProfile(const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open((folder / "places.sqlite").c_str(), &db), SQLITE_OK);
    Exec(db,
         "PRAGMA journal_mode=WAL;"
         "CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR, rev_host LONGVARCHAR,"
         " visit_count INTEGER DEFAULT 0, hidden INTEGER DEFAULT 0 NOT NULL, typed INTEGER DEFAULT 0 NOT NULL,"
         " frecency INTEGER DEFAULT -1 NOT NULL, last_visit_date INTEGER, guid TEXT, foreign_count INTEGER DEFAULT 0"
         " NOT NULL, url_hash INTEGER DEFAULT 0 NOT NULL, description TEXT, preview_image_url TEXT, origin_id"
         " INTEGER);"
         "CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER DEFAULT NULL, parent INTEGER,"
         " position INTEGER, title LONGVARCHAR, keyword_id INTEGER, folder_type TEXT, dateAdded INTEGER,"
         " lastModified INTEGER, guid TEXT, syncStatus INTEGER NOT NULL DEFAULT 0, syncChangeCounter INTEGER NOT"
         " NULL DEFAULT 1);"
         "INSERT INTO moz_places (id, url, title) VALUES (1, 'https://news.example/', 'News'),"
         " (2, 'http://shop.example/offers', 'Offers page'), (3, 'place:sort=8&maxResults=10', NULL),"
         " (4, 'javascript:void(0)', NULL), (5, 'https://tagged.example/', NULL);"
         "INSERT INTO moz_bookmarks (id, type, fk, parent, position, title, guid) VALUES"
         " (1, 2, NULL, 0, 0, '', 'root________'),"
         " (2, 2, NULL, 1, 0, 'menu', 'menu________'),"
         " (3, 2, NULL, 1, 1, 'toolbar', 'toolbar_____'),"
         " (4, 2, NULL, 1, 2, 'tags', 'tags________'),"
         " (5, 2, NULL, 1, 3, 'unfiled', 'unfiled_____'),"
         " (10, 2, NULL, 2, 1, 'Shopping', 'aaaaaaaaaaaa'),"
         " (11, 1, 2, 10, 0, NULL, 'bbbbbbbbbbbb'),"
         " (12, 1, 1, 2, 0, 'Daily news', 'cccccccccccc'),"
         " (13, 3, NULL, 2, 2, NULL, 'dddddddddddd'),"
         " (14, 1, 3, 3, 0, 'Most visited', 'eeeeeeeeeeee'),"
         " (15, 1, 4, 3, 1, 'Bookmarklet', 'ffffffffffff'),"
         " (16, 2, NULL, 4, 0, 'sometag', 'gggggggggggg'),"
         " (17, 1, 5, 16, 0, NULL, 'hhhhhhhhhhhh');");
    // Keep the write-ahead log: the last change lives only there while Firefox runs.
    Exec(db, "PRAGMA wal_autocheckpoint=0;");
    Exec(db, "INSERT INTO moz_places (id, url, title) VALUES (6, 'https://late.example/', 'Late');"
             "INSERT INTO moz_bookmarks (id, type, fk, parent, position, title, guid) VALUES"
             " (18, 1, 6, 5, 0, 'Added late', 'iiiiiiiiiiii');");
    std::filesystem::copy_file(folder / "places.sqlite-wal", folder / "wal-copy");
    std::filesystem::copy_file(folder / "places.sqlite", folder / "db-copy");
    sqlite3_close(db);
    // Closing folds the log into the database; put the pair back as a running Firefox
    // leaves it.
    std::filesystem::rename(folder / "db-copy", folder / "places.sqlite");
    std::filesystem::rename(folder / "wal-copy", folder / "places.sqlite-wal");
}

const char* kChromium = R"({
  "roots": {
    "bookmark_bar": {"type": "folder", "name": "Bookmarks bar", "children": [
      {"type": "url", "name": "Weather", "url": "https://weather.example/"},
      {"type": "folder", "name": "Work", "children": [
        {"type": "folder", "name": "Deep", "children": [
          {"type": "url", "name": "Tickets", "url": "https://tickets.example/open"}]},
        {"type": "url", "name": "", "url": "ftp://files.example/"}]}]},
    "other": {"type": "folder", "name": "Other bookmarks", "children": [
      {"type": "url", "name": "Local", "url": "file:///etc/passwd"}]},
    "synced": {"type": "folder", "name": "Mobile bookmarks", "children": []}
  },
  "version": 1
})";

const char* kExported = R"(<!DOCTYPE NETSCAPE-Bookmark-file-1>
<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=UTF-8">
<TITLE>Bookmarks</TITLE>
<H1>Bookmarks</H1>
<DL><p>
    <DT><H3 ADD_DATE="1">Recipes &amp; more</H3>
    <DL><p>
        <DT><A HREF="https://cook.example/?a=1&amp;b=2" ADD_DATE="2">Soup &#8211; hot</A>
        <DT><H3>Empty</H3>
        <DL><p>
        </DL><p>
    </DL><p>
    <DT><A HREF='http://top.example/'>Top <b>site</b></A>
</DL><p>
)";

QStringList Shape(QTreeWidgetItem* node, const QString& indent = QString()) {
    QStringList lines{indent + node->text(0) + " [" + frmFavorites::PictureOf(node) + "]" +
                      (frmFavorites::URLOf(node).isEmpty() ? QString() : " " + frmFavorites::URLOf(node))};
    for (int i = 0; i < node->childCount(); ++i) lines += Shape(node->child(i), indent + "  ");
    return lines;
}

QTreeWidgetItem* Find(QTreeWidget* tree, const QString& text) {
    auto found = tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.first();
}

void Click(QTreeWidget* tree, QTreeWidgetItem* node, Qt::KeyboardModifiers modifiers = {}) {
    tree->scrollToItem(node);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, modifiers, tree->visualItemRect(node).center());
}

QStringList Picked(const cTreeViewMultiSelect* selection) {
    QStringList texts;
    for (int i = 1; i <= selection->SelectionCount(); ++i) {
        QTreeWidgetItem* node = selection->SelectedNode(i);
        if (!selection->NodeSelected(node)) texts << "(unpainted)";
        texts << node->text(0);
    }
    return texts;
}

}  // namespace

void FavoritesTest::storesBecomeFoldersUnderFavorites() {
    TempHome home;
    MakeFirefoxProfile(home.Root() / ".mozilla/firefox/x1y2z3.default-release");
    WriteFile(home.Root() / ".config/chromium/Default/Bookmarks", kChromium);
    WriteFile(home.Root() / "exported.html", kExported);

    frmFavorites dialog;
    QVERIFY(dialog.Reading());
    QVERIFY(WaitForReading(dialog));
    QVERIFY(dialog.AddBookmarksFile(QString::fromStdString((home.Root() / "exported.html").string())));
    QVERIFY(WaitForReading(dialog));
    const QStringList expected{
        "Favorites [Favorites]",
        "  Firefox (default-release) [Folder]",
        "    Bookmarks Menu [Folder]",
        "      Daily news [Page] https://news.example/",
        "      Shopping [Folder]",
        "        Offers page [Page] http://shop.example/offers",
        "    Bookmarks Toolbar [Folder]",
        "    Other Bookmarks [Folder]",
        "      Added late [Page] https://late.example/",
        "  Chromium (Default) [Folder]",
        "    Bookmarks bar [Folder]",
        "      Weather [Page] https://weather.example/",
        "      Work [Folder]",
        "        Deep [Folder]",
        "          Tickets [Page] https://tickets.example/open",
        "        ftp://files.example/ [Page] ftp://files.example/",
        "    Other bookmarks [Folder]",
        "    Mobile bookmarks [Folder]",
        "  exported.html [Folder]",
        "    Recipes & more [Folder]",
        "      Soup \u2013 hot [Page] https://cook.example/?a=1&b=2",
        "      Empty [Folder]",
        "    Top site [Page] http://top.example/",
    };
    QCOMPARE(Shape(dialog.Tree()->topLevelItem(0)), expected);

    // "Favorites" is picked from the start, so "Import" at once takes everything.
    QCOMPARE(dialog.Tree()->currentItem(), dialog.Tree()->topLevelItem(0));
    QCOMPARE(Picked(dialog.GetFoldersToImport()), QStringList{"Favorites"});
    QCOMPARE(dialog.findChild<QLabel*>("lblTitle")->text(), QString("Folder to import:"));
    dialog.Tree()->setCurrentItem(Find(dialog.Tree(), "Weather"));
    QCOMPARE(dialog.findChild<QLabel*>("lblTitle")->text(), QString("File to import:"));
    QCOMPARE(dialog.findChild<QLabel*>("lblName")->text(), QString("Weather"));
    // The browser's own files are never changed.
    QVERIFY(std::filesystem::exists(home.Root() / ".mozilla/firefox/x1y2z3.default-release/places.sqlite-wal"));
}

void FavoritesTest::unreadableStoresAreReportedAndSkipped() {
    TempHome home;
    WriteFile(home.Root() / ".config/google-chrome/Default/Bookmarks", "{ not json");
    WriteFile(home.Root() / ".mozilla/firefox/a.broken/places.sqlite", "not a database at all, just text");
    WriteFile(home.Root() / "plain.html", "<p>no links here</p>");
    QStringList messages;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            messages << box->text();
            box->close();
        }
    });
    closer.start(20);
    frmFavorites dialog;
    QVERIFY(WaitForReading(dialog));
    QCOMPARE(dialog.Tree()->topLevelItem(0)->childCount(), 0);
    for (const char* file : {"plain.html", "missing.html"}) {
        QVERIFY(dialog.AddBookmarksFile(QString::fromStdString((home.Root() / file).string())));
        QVERIFY(WaitForReading(dialog));
    }
    QCOMPARE(dialog.Tree()->topLevelItem(0)->childCount(), 0);
    QTRY_COMPARE(messages.size(), 3);
    QVERIFY(messages[0].contains("holds no Chromium bookmarks"));
    QVERIFY(messages[0].contains("holds no Firefox bookmarks"));
    QVERIFY(messages[1].contains("holds no bookmarks"));
}

void FavoritesTest::plainCtrlAndShiftSelection() {
    TempHome home;
    WriteFile(home.Root() / ".config/chromium/Default/Bookmarks", kChromium);
    frmFavorites dialog;
    QVERIFY(WaitForReading(dialog));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTreeWidget* tree = dialog.Tree();
    cTreeViewMultiSelect* selection = dialog.GetFoldersToImport();
    QTreeWidgetItem* store = Find(tree, "Chromium (Default)");
    QTreeWidgetItem* bar = Find(tree, "Bookmarks bar");
    store->setExpanded(true);
    bar->setExpanded(true);
    // "Work" stays collapsed: its pages lie between in the model but are not shown.
    Click(tree, Find(tree, "Mobile bookmarks"));
    QCOMPARE(Picked(selection), QStringList{"Mobile bookmarks"});
    Click(tree, Find(tree, "Weather"), Qt::ShiftModifier);
    QCOMPARE(Picked(selection), QStringList({"Weather", "Work", "Other bookmarks", "Mobile bookmarks"}));
    QVERIFY(!selection->NodeSelected(Find(tree, "Tickets")));
    QVERIFY(!selection->NodeSelected(Find(tree, "Chromium (Default)")));

    // Ctrl takes one away and adds others, in the order picked; Ctrl on the current node
    // itself toggles it too.
    Click(tree, Find(tree, "Work"), Qt::ControlModifier);
    Click(tree, Find(tree, "Bookmarks bar"), Qt::ControlModifier);
    QCOMPARE(Picked(selection), QStringList({"Weather", "Other bookmarks", "Mobile bookmarks", "Bookmarks bar"}));
    Click(tree, Find(tree, "Bookmarks bar"), Qt::ControlModifier);
    QCOMPARE(Picked(selection), QStringList({"Weather", "Other bookmarks", "Mobile bookmarks"}));
    QCOMPARE(Find(tree, "Work")->background(0).color(), QApplication::palette().color(QPalette::Base));

    // A plain click starts anew; Shift upwards from the new anchor.
    Click(tree, Find(tree, "Other bookmarks"));
    Click(tree, Find(tree, "Work"), Qt::ShiftModifier);
    QCOMPARE(Picked(selection), QStringList({"Work", "Other bookmarks"}));

    // Space opens and closes the current folder without changing the selection.
    tree->setFocus();
    QVERIFY(!Find(tree, "Work")->isExpanded());
    QTest::keyClick(tree, Qt::Key_Space);
    QVERIFY(Find(tree, "Work")->isExpanded());
    QTest::keyClick(tree, Qt::Key_Return);
    QVERIFY(!Find(tree, "Work")->isExpanded());
    QCOMPARE(Picked(selection), QStringList({"Work", "Other bookmarks"}));
}

void FavoritesTest::closingWithoutImportGivesNothing() {
    TempHome home;
    {
        frmFavorites dialog;
        QTimer::singleShot(0, &dialog, [&] { dialog.close(); });
        dialog.exec();
        QVERIFY(!dialog.GetFoldersToImport());
    }
    frmFavorites dialog;
    QVERIFY(WaitForReading(dialog));
    QTimer::singleShot(0, &dialog, [&] { dialog.findChild<QPushButton*>("btnImport")->click(); });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QVERIFY(dialog.GetFoldersToImport());
    QCOMPARE(dialog.GetFoldersToImport()->SelectionCount(), 1);
}

void FavoritesTest::endlessQueryEndsWithClearErrorOrStop() {
    // A places file whose bookmarks are a view over itself that never yields a row.
    TempHome home;
    const std::filesystem::path profile = home.Root() / ".mozilla/firefox/x.default";
    std::filesystem::create_directories(profile);
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open((profile / "places.sqlite").c_str(), &db), SQLITE_OK);
    Exec(db,
         "CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url TEXT, title TEXT);"
         "CREATE VIEW moz_bookmarks AS WITH RECURSIVE r(id) AS (SELECT 1 UNION ALL SELECT id + 1 FROM r)"
         " SELECT id, 2 AS type, NULL AS fk, id - 1 AS parent, 0 AS position, 'x' AS title, 'g' AS guid"
         " FROM r WHERE id < 0;");
    sqlite3_close(db);

    QStringList messages;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            messages << box->text();
            box->close();
        }
    });
    closer.start(20);
    {
        // The window thread runs on while the reading spins, until the time limit ends it.
        int ticks = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(10);
        frmFavorites dialog(nullptr, std::chrono::milliseconds(700));
        QVERIFY(WaitForReading(dialog));
        QVERIFY2(ticks > 20, qPrintable(QString::number(ticks)));
        QTRY_COMPARE(messages.size(), 1);
        QVERIFY2(messages[0].contains("took longer than 1 seconds and was stopped"), qPrintable(messages[0]));
        QCOMPARE(dialog.Tree()->topLevelItem(0)->childCount(), 0);
        QVERIFY(dialog.findChild<QPushButton*>("btnImport")->isEnabled());
    }
    // "Stop" ends it at once, and says so without a message.
    frmFavorites dialog(nullptr, std::chrono::seconds(60));
    QElapsedTimer clock;
    clock.start();
    dialog.findChild<QPushButton*>("btnStopReading")->click();
    QVERIFY(WaitForReading(dialog));
    QVERIFY(clock.elapsed() < 5000);
    QCOMPARE(dialog.findChild<QLabel*>("lblReading")->text(), QString("Reading stopped."));
    QTest::qWait(100);
    QCOMPARE(messages.size(), 1);
}

QTEST_MAIN(FavoritesTest)
#include "FavoritesTest.moc"
