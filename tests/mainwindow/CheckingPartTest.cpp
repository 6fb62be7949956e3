// SPDX-License-Identifier: GPL-3.0-or-later
// The checking part on its own, with a window that only records what it is asked: a pass
// over many pages gives the window thread back between slices and still takes every page
// once, in order; an answer for a page that left the tree changes nothing.

#include <QIcon>
#include <QTimer>
#include <QtTest>
#include <chrono>
#include <thread>

#include "items/Application.h"
#include "mainwindow/CheckingPart.h"
#include "mainwindow/PageCollection.h"
#include "preferences/Settings.h"
#include "support/TempHome.h"

using namespace pelmor;
using mainwindow::CheckingPart;
using mainwindow::CheckingWindow;

namespace {

class RecordingWindow : public CheckingWindow {
public:
    mainwindow::PageCollection pages;
    QStringList removed;
    QStringList rows;
    int holdsMs = 0;

    const mainwindow::PageCollection& Pages() const override { return pages; }
    bool Holds(const Page& page) const override {
        // A slow tree: every look takes a millisecond.
        std::this_thread::sleep_for(std::chrono::milliseconds(holdsMs));
        return pages.Find(page.Key()).get() == &page;
    }
    void PageMarked(const std::shared_ptr<Page>&, bool) override {}
    void PageHealthChanged(const Page&) override {}
    void LogRow(const QString& text, const QString& action, RowKind, const QString&) override {
        rows << text + "|" + action;
    }
    void StatusText(const QString&) override {}
    void SaveSoon(bool) override {}
    void RemovePage(const std::shared_ptr<Page>& page) override {
        removed << QString::fromStdString(page->Description());
        pages.Remove(page->Key());
    }
    bool UserSeesWindow() const override { return true; }
    void ShowUpdatedTrayIcon() override {}
    QIcon AlertIcon() const override { return {}; }
    DateTime Now() const override { return *DateTime::FromParts({2026, 3, 10, 12, 0, 0}); }
};

}  // namespace

class CheckingPartTest : public QObject {
    Q_OBJECT
private slots:
    void aLongPassGivesTheThreadBackAndTakesEveryPageOnce() {
        test::TempHome home;
        Settings settings;
        settings.LoadPreferences();
        RecordingWindow window;
        window.holdsMs = 1;
        auto root = Application::Create();
        QStringList expected;
        for (int n = 0; n < 60; ++n) {
            auto page = Page::Create();
            page->SetURL("http://p" + std::to_string(n) + ".test/");
            page->SetDescription("P" + std::to_string(n));
            page->SetActive(true);
            page->SetSavedFile(settings.CacheFolder() + "/" + std::to_string(n) + ".html");
            page->SetEndDate(*DateTime::FromParts({2026, 3, 9, 0, 0, 0}));
            page->SetDeleteAtEnd(true);
            root->AddItem(page);
            window.pages.Add(page);
            expected << QString::fromStdString(page->Description());
        }
        CheckingPart part(window, settings);
        part.Timer()->start();
        bool ranDuringPass = false;
        QTimer::singleShot(0, [&] { ranDuringPass = part.Busy(); });
        part.CheckForUpdates();
        QVERIFY(part.Busy());
        QVERIFY(!part.Timer()->isActive());
        part.CheckForUpdates();  // asked again while it runs: dropped
        QTRY_VERIFY(!part.Busy());
        QVERIFY(ranDuringPass);
        QCOMPARE(window.removed, expected);
        QCOMPARE(window.rows.size(), 60);
        QCOMPARE(window.rows.front(), QString("P0|Removed"));
        QVERIFY(part.Timer()->isActive());

        // The answer for a page that has left the tree meanwhile.
        auto gone = Page::Create();
        gone->SetDescription("Gone");
        root->AddItem(gone);
        std::shared_ptr<Page> answered = gone;
        part.objUpdater_PageUpdated(answered, true);
        QVERIFY(!answered);
        QVERIFY(!gone->Updated());
        QCOMPARE(window.rows.size(), 60);
    }
};

QTEST_MAIN(CheckingPartTest)
#include "CheckingPartTest.moc"
