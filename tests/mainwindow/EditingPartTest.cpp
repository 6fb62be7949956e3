// SPDX-License-Identifier: GPL-3.0-or-later
// The editing part without a window: a folder's removal waits for the user's yes and is
// undone whole, and the details panel renames a page in its place or refuses a taken name.

#include <QtTest>
#include <filesystem>

#include "WindowFixture.h"
#include "mainwindow/AddItems.h"
#include "mainwindow/EditingPart.h"

using namespace pelmor;
using namespace pelmor::test;
using mainwindow::EditingPart;
using mainwindow::ItemModel;
namespace fs = std::filesystem;

namespace {

// The part on a model of News (a, b) and Work, with a host that records what it is told.
struct Bench {
    TempHome home;
    Settings settings;
    std::shared_ptr<Application> root = Application::Create();
    ItemModel model{root};
    mainwindow::PageCollection pages;
    std::unique_ptr<EditingPart> part;
    QStringList told;
    bool answer = false;
    int saves = 0;
    QPersistentModelIndex current;

    Bench() {
        settings.LoadPreferences();
        fs::create_directories(settings.CacheFolder());
        auto news = root->AddItem(MakeFolder("News"));
        for (const char* name : {"a", "b"}) {
            auto page = MakePage(std::string("http://") + name + ".example/", name);
            page->SetSavedFile(settings.CacheFolder() + "/" + name + ".html");
            WriteFile(page->SavedFile(), "copy");
            std::static_pointer_cast<Folder>(news)->AddItem(page);
        }
        root->AddItem(MakeFolder("Work"));
        model.Reset();
        EditingPart::Host host;
        host.saveItems = [this] { ++saves; };
        host.logRow = [this](const QString& text, const QString&, const QString& action) { told << text + " " + action; };
        host.status = [this](const QString& text) { told << text; };
        host.confirm = [this](const QString& title, const QString&) {
            told << title;
            return answer;
        };
        host.inform = [this](const QString& title, const QString&) { told << title; };
        host.current = [this] { return QModelIndex(current); };
        host.select = [this](const QModelIndex& index) { current = index; };
        part = std::make_unique<EditingPart>(root, model, settings, pages, std::move(host));
        part->RebuildPages();
    }
    QModelIndex Row(const char* key) const { return model.FindIndex(QString::fromLatin1(key)); }
};

}  // namespace

class EditingPartTest : public QObject {
    Q_OBJECT
private slots:
    void folderRemovalAsksAndIsUndoneWhole();
    void panelRenamesInPlaceOrRefuses();
};

void EditingPartTest::folderRemovalAsksAndIsUndoneWhole() {
    Bench b;
    b.current = b.Row("News\\http://b.example/");
    b.part->RemoveTreeItem(b.Row("News"), true);
    QCOMPARE(b.told, QStringList({"Remove Folder"}));  // "No": nothing removed, nothing said
    QVERIFY(b.Row("News").isValid() && b.root->Items("News"));

    b.told.clear();
    b.answer = true;
    b.part->RemoveTreeItem(b.Row("News"), true);
    QCOMPARE(b.told.last(), QString("News removed"));
    QVERIFY(!b.Row("News").isValid() && !b.root->Items("News"));
    QVERIFY(b.model.IsRoot(b.current));  // the selection went up, not to a neighbour
    QVERIFY(!fs::exists(b.settings.CacheFolder() + "/a.html"));
    QCOMPARE(b.pages.Count(), size_t(0));

    b.part->RestoreRemovedItem();
    QCOMPARE(ChildKeys(b.model.RootIndex()), QStringList({"News", "Work"}));
    QCOMPARE(ChildKeys(b.Row("News")), QStringList({"News\\http://a.example/", "News\\http://b.example/"}));
    QVERIFY(fs::exists(b.settings.CacheFolder() + "/a.html"));
    QCOMPARE(b.pages.Count(), size_t(2));
    QCOMPARE(b.told.last(), QString("News restored"));
    b.part->RestoreRemovedItem();
    QCOMPARE(b.told.last(), QString("Nothing to restore"));
}

void EditingPartTest::panelRenamesInPlaceOrRefuses() {
    Bench b;
    const QModelIndex a = b.Row("News\\http://a.example/");
    QCOMPARE(b.part->PanelRefusal(a, "zzz not valid"), QString(mainwindow::kInvalidURLText));
    QVERIFY(!b.part->PanelRefusal(a, " ").isEmpty());
    QVERIFY(b.part->PanelRefusal(b.model.RootIndex(), "").isEmpty());

    EditingPart::PanelInput input{"http://b.example/", "a", "30", 0, true};
    EditingPart::PanelOutcome outcome = b.part->CommitPanel(a, input);
    QCOMPARE(b.told, QStringList({"Page exists"}));
    QCOMPARE(outcome.first.value_or(""), std::string("http://a.example/"));

    input.first = "http://c.example/";
    outcome = b.part->CommitPanel(a, input);
    QCOMPARE(outcome.first.value_or(""), std::string("http://c.example/"));
    QCOMPARE(ChildKeys(b.Row("News")), QStringList({"News\\http://c.example/", "News\\http://b.example/"}));
    QVERIFY(b.pages.Find("News\\http://c.example/") && !b.pages.Find("News\\http://a.example/"));
    QCOMPARE(b.saves, 1);
}

QTEST_MAIN(EditingPartTest)
#include "EditingPartTest.moc"
