// SPDX-License-Identifier: GPL-3.0-or-later
// The item tree of the main window: building it from a profile, the red marks, expanded
// folders, switching checking on and off, drag and drop, and the details panel.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStatusBar>
#include <QToolButton>
#include <QtTest>
#include <filesystem>

#include "WindowFixture.h"
#include "items/Frame.h"
#include "shell/ErrorReport.h"
#include "shell/Pictures.h"

using namespace pelmor;
using namespace pelmor::test;
using mainwindow::DropPlacement;

namespace {

const std::string kA = "http://a.example/";
const std::string kB = "http://b.example/";
const std::string kC = "http://c.example/";
const std::string kD = "http://d.example/";

// Root: News (A updated, B inactive, Deep (C, watching one element of a frame)), Work
// (empty), page D.
std::shared_ptr<Application> SampleProfile() {
    auto root = Application::Create();
    root->SetActive(true);
    root->SetPeriodTime(1);
    root->SetPeriodUnit(dfDay);
    auto news = MakeFolder("News");
    root->AddItem(news);
    news->AddItem(MakePage(kA, "Page A", true, true));
    news->AddItem(MakePage(kB, "Page B", false));
    auto deep = MakeFolder("Deep");
    news->AddItem(deep);
    auto c = MakePage(kC, "Page C");
    c->AddFrame("http://c.example/frame", "2.html")->SetElementPath("DIV(0)");
    deep->AddItem(c);
    root->AddItem(MakeFolder("Work"));
    root->AddItem(MakePage(kD, "Page D"));
    return root;
}

bool SamePicture(const QIcon& icon, const char* key) {
    return icon.pixmap(16, 16).toImage() == shell::TreePicture(QString::fromLatin1(key)).toImage();
}

QStringList ModelKeys(const ItemList& list) {
    QStringList keys;
    for (const std::shared_ptr<Item>& item : list.Items()) keys << QString::fromStdString(item->Key());
    return keys;
}

}  // namespace

class TreeTest : public QObject {
    Q_OBJECT
private slots:
    void buildsNodesFromProfile();
    void redMarksFollowUpdatedPages();
    void loadTreeKeepsExpandedFolders();
    void missingProfileIsCreatedEmpty();
    void unreadableProfileIsReportedAndKept();
    void checkBoxSwitchesWholeBranchAndSaves();
    void dropPlacesBeforeOnAndAfter();
    void droppedFolderTakesItsItemsAlong();
    void dropRefusals();
    void dropIntoFolderHoldingSameKeyIsRefused();
    void droppedRedPageLeavesOldFolderPlain();
    void showItemPerKind();
    void indicatorButtonsSwitchAndSave();
    void rightClickSelectsNodeAndOpensMenu();
};

void TreeTest::buildsNodesFromProfile() {
    Window w;
    w.Open(SampleProfile());
    Row root = w.main->Tree()->RootIndex();
    QVERIFY(root);
    QCOMPARE(root.data(mainwindow::ItemModel::KeyRole).toString(), QString("Main"));
    QCOMPARE(root.data().toString(), QString("URL List"));
    QVERIFY(SamePicture(root.data(Qt::DecorationRole).value<QIcon>(), "Main"));
    QVERIFY(Checked(root));
    QCOMPARE(ChildKeys(root), QStringList({"News", "Work", QString::fromStdString(kD)}));

    Row news = w.Node("News");
    QCOMPARE(news.data().toString(), QString("News"));
    QVERIFY(SamePicture(news.data(Qt::DecorationRole).value<QIcon>(), "Folder"));
    QCOMPARE(ChildKeys(news),
             QStringList({QString::fromStdString("News\\" + kA), QString::fromStdString("News\\" + kB), "News\\Deep"}));
    Row b = w.Node(QString::fromStdString("news\\" + kB));  // keys match in any letter case
    QVERIFY(b);
    QCOMPARE(b.data().toString(), QString("Page B"));
    QVERIFY(!Checked(b));
    QVERIFY(SamePicture(b.data(Qt::DecorationRole).value<QIcon>(), "Page"));
    Row c = w.Node(QString::fromStdString("News\\Deep\\" + kC + "@|http://c.example/frame"));
    QVERIFY(c);
    QVERIFY(SamePicture(c.data(Qt::DecorationRole).value<QIcon>(), "Element"));

    // Row and item find each other, and every page is in the page collection, in order.
    QCOMPARE(w.main->Model()->IndexOf(*w.main->Model()->ItemAt(news)), news);
    QVERIFY(w.main->Model()->IsRoot(root) && !w.main->Model()->ItemAt(root));
    QCOMPARE(w.main->Pages().Count(), size_t(4));
    QCOMPARE(w.main->Pages().All().front()->Description(), std::string("Page A"));
    QVERIFY(w.main->Pages().Find("NEWS\\" + kA));
    QVERIFY(w.main->Tree()->isExpanded(root));
    QCOMPARE(w.main->Tree()->SelectedIndex(), root);
}

void TreeTest::redMarksFollowUpdatedPages() {
    Window w;
    auto profile = SampleProfile();
    std::static_pointer_cast<Folder>(profile->Items("News"))->Items("News\\" + kB)->IsPage();
    std::static_pointer_cast<Page>(std::static_pointer_cast<Folder>(profile->Items("News"))->Items("News\\" + kB))
        ->SetUpdated(true);
    w.settings->TreeFont().Bold = true;
    w.Open(profile);

    Row root = w.main->Tree()->RootIndex();
    Row news = w.Node("News");
    Row a = w.Node(QString::fromStdString("News\\" + kA));
    Row b = w.Node(QString::fromStdString("News\\" + kB));
    Row d = w.Node(QString::fromStdString(kD));
    for (const Row& marked : {root, news, a, b}) {
        QCOMPARE(ForeColor(marked), 255);
        QVERIFY(Bold(marked));
        QCOMPARE(marked.data(Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
    }
    // A page that is not updated is built plain, whatever the tree font says.
    QCOMPARE(ForeColor(d), 0);
    QVERIFY(!Bold(d));
    QCOMPARE(ForeColor(w.Node("Work")), 0);

    // Clearing one page leaves the folder red while its sibling is still red.
    w.main->MarkParentsUpdate(a, false);
    QCOMPARE(ForeColor(a), 0);
    QVERIFY(Bold(a));  // the tree font's bold
    QCOMPARE(ForeColor(news), 255);
    QCOMPARE(ForeColor(root), 255);

    w.main->MarkParentsUpdate(b, false);
    QCOMPARE(ForeColor(news), 0);
    QCOMPARE(ForeColor(root), 0);

    // Marking a page deep down paints every folder above it.
    Row c = w.main->Tree()->FindIndex(QString::fromStdString("News\\Deep\\" + kC + "@|http://c.example/frame"));
    w.main->MarkParentsUpdate(c, true);
    QCOMPARE(ForeColor(w.Node("News\\Deep")), 255);
    QCOMPARE(ForeColor(news), 255);
    QCOMPARE(ForeColor(root), 255);
    QCOMPARE(ForeColor(d), 0);
    w.main->MarkParentsUpdate(QModelIndex(), true);  // nothing happens
}

void TreeTest::loadTreeKeepsExpandedFolders() {
    Window w;
    auto profile = SampleProfile();
    w.Open(profile);
    w.main->Tree()->setExpanded(w.Node("News"), true);
    w.main->Tree()->setExpanded(w.Node("News\\Deep"), true);
    w.main->Tree()->setExpanded(w.Node("Work"), true);
    w.main->Tree()->setExpanded(w.main->Tree()->RootIndex(), false);

    // "Work" is renamed on disk: its key changes, so it comes back collapsed.
    auto renamed = SampleProfile();
    renamed->RemoveItem("Work");
    renamed->AddItem(MakeFolder("Jobs"), std::optional<ItemRef>(std::string(kD)));
    renamed->SaveItems(w.settings->XMLFile());
    w.main->LoadTree();

    QVERIFY(w.main->Tree()->isExpanded(w.Node("News")));
    QVERIFY(w.main->Tree()->isExpanded(w.Node("News\\Deep")));
    QVERIFY(!w.main->Tree()->isExpanded(w.Node("Jobs")));
    QVERIFY(w.main->Tree()->isExpanded(w.main->Tree()->RootIndex()));
    QVERIFY(w.main->isEnabled());
    QCOMPARE(w.main->Pages().Count(), size_t(4));
}

void TreeTest::missingProfileIsCreatedEmpty() {
    Window w;
    QVERIFY(!std::filesystem::exists(w.settings->XMLFile()));
    w.Open(nullptr);
    QVERIFY(std::filesystem::exists(w.settings->XMLFile()));
    QVERIFY(std::filesystem::is_directory(w.settings->CacheFolder()));
    auto saved = w.Saved();
    QVERIFY(saved->Active());
    QCOMPARE(saved->PeriodTime(), int16_t(1));
    QCOMPARE(saved->PeriodUnit(), dfDay);
    QCOMPARE(saved->ItemsCount(), 0);
    Row root = w.main->Tree()->RootIndex();
    QVERIFY(Checked(root));
    QCOMPARE(root.model()->rowCount(root), 0);
}

void TreeTest::unreadableProfileIsReportedAndKept() {
    Window w;
    std::filesystem::create_directories(std::filesystem::path(w.settings->XMLFile()).parent_path());
    const std::string broken = "<ROOT Active=\"True\"><Folder Name=\"News\"";
    WriteFile(w.settings->XMLFile(), broken);
    QString shown;
    shell::SetErrorDialogHook([&](const QString& record) { shown = record; });
    w.Open(nullptr);
    shell::SetErrorDialogHook({});
    QVERIFY(shown.endsWith("\r\nLoadTree"));
    QVERIFY(w.main->isEnabled());
    QCOMPARE(w.main->statusBar()->currentMessage(), QString("Error occured"));
    // The file is left for the user to mend: nothing was written over it.
    QCOMPARE(ReadFile(w.settings->XMLFile()), broken);
}

void TreeTest::checkBoxSwitchesWholeBranchAndSaves() {
    Window w;
    w.Open(SampleProfile());
    Row news = w.Node("News");
    // The user unticks the folder: everything below goes off, on screen and on disk.
    w.main->Model()->setData(news, Qt::Unchecked, Qt::CheckStateRole);
    auto saved = w.Saved();
    auto savedNews = std::static_pointer_cast<Folder>(saved->Items("News"));
    QVERIFY(!savedNews->Active());
    QVERIFY(!savedNews->Items("News\\" + kA)->Active());
    auto savedDeep = std::static_pointer_cast<Folder>(savedNews->Items("News\\Deep"));
    QVERIFY(!savedDeep->Active());
    QVERIFY(!savedDeep->ItemAt(0)->Active());
    QVERIFY(saved->Items(kD)->Active());  // outside the branch
    const QModelIndex deep = w.Node("News\\Deep");
    for (const QModelIndex& row : {QModelIndex(news), news.model()->index(0, 0, news), deep, deep.model()->index(0, 0, deep)})
        QVERIFY(!Checked(row));

    // Ticking it again switches the whole branch back on, including the page that was off.
    w.main->Model()->setData(news, Qt::Checked, Qt::CheckStateRole);
    saved = w.Saved();
    savedNews = std::static_pointer_cast<Folder>(saved->Items("News"));
    QVERIFY(savedNews->Active());
    QVERIFY(savedNews->Items("News\\" + kB)->Active());
    QVERIFY(Checked(w.Node(QString::fromStdString("News\\" + kB))));

    // The root switches the whole profile.
    w.main->DeactivateItem(w.main->Tree()->RootIndex(), true);
    saved = w.Saved();
    QVERIFY(!saved->Active());
    QVERIFY(!saved->Items(kD)->Active());
    QVERIFY(!Checked(w.Node("Work")));
}

void TreeTest::dropPlacesBeforeOnAndAfter() {
    Window w;
    w.Open(SampleProfile());
    w.main->Tree()->setExpanded(w.Node("News"), true);
    auto* tree = w.main->Tree();
    const QString d = QString::fromStdString(kD);

    // Before: D goes in front of News at the root.
    w.main->DropNode(w.Node(d), w.Node("News"), DropPlacement::Before);
    QCOMPARE(ChildKeys(tree->RootIndex()), QStringList({d, "News", "Work"}));
    QCOMPARE(ModelKeys(*w.Saved()), QStringList({d, "News", "Work"}));

    // On an empty folder: D becomes its first item, with the folder's key in front.
    w.main->DropNode(w.Node(d), w.Node("Work"), DropPlacement::On);
    QCOMPARE(ChildKeys(w.Node("Work")), QStringList({"Work\\" + d}));
    QCOMPARE(ModelKeys(*std::static_pointer_cast<Folder>(w.Saved()->Items("Work"))), QStringList({"Work\\" + d}));
    QCOMPARE(tree->SelectedIndex(), w.Node("Work\\" + d));

    // On an expanded folder with items: first item.
    w.main->DropNode(w.Node("Work\\" + d), w.Node("News"), DropPlacement::On);
    QCOMPARE(ChildKeys(w.Node("News")).first(), "News\\" + d);

    // On a page: after it.
    const QString a = QString::fromStdString("News\\" + kA);
    w.main->DropNode(w.Node("News\\" + d), w.Node(a), DropPlacement::On);
    QCOMPARE(ChildKeys(w.Node("News")).mid(0, 2), QStringList({a, "News\\" + d}));

    // On a collapsed folder with items: inside it too, as its first item.
    w.main->DropNode(w.Node("News\\" + d), w.Node("News"), DropPlacement::Before);
    w.main->Tree()->setExpanded(w.Node("News"), false);
    w.main->DropNode(w.Node(d), w.Node("News"), DropPlacement::On);
    QCOMPARE(ChildKeys(tree->RootIndex()), QStringList({"News", "Work"}));
    QCOMPARE(ChildKeys(w.Node("News")).first(), "News\\" + d);

    // After: the page goes behind the target.
    w.main->DropNode(w.Node("News\\" + d), w.Node("Work"), DropPlacement::After);
    QCOMPARE(ChildKeys(tree->RootIndex()), QStringList({"News", "Work", d}));
    QCOMPARE(ModelKeys(*w.Saved()), QStringList({"News", "Work", d}));
    QCOMPARE(w.main->Pages().Count(), size_t(4));
    QVERIFY(w.main->Pages().Find(kD));
}

void TreeTest::droppedFolderTakesItsItemsAlong() {
    Window w;
    w.Open(SampleProfile());
    w.main->Tree()->setExpanded(w.Node("News"), true);
    w.main->Tree()->setExpanded(w.Node("News\\Deep"), true);
    const QString cKey = QString::fromStdString(kC + "@|http://c.example/frame");

    w.main->DropNode(w.Node("News\\Deep"), w.Node("Work"), DropPlacement::On);
    Row deep = w.Node("Work\\Deep");
    QVERIFY(deep);
    QVERIFY(w.main->Tree()->isExpanded(deep));
    // The items inside carry the new folder key, in memory, in the tree and on disk.
    Row c = w.Node("Work\\Deep\\" + cKey);
    QVERIFY(c);
    QCOMPARE(QString::fromStdString(w.main->Model()->ItemAt(c)->Key()), "Work\\Deep\\" + cKey);
    QVERIFY(!w.Node("News\\Deep\\" + cKey));
    QVERIFY(w.main->Pages().Find(("Work\\Deep\\" + cKey).toStdString()));
    auto savedDeep = std::static_pointer_cast<Folder>(
        std::static_pointer_cast<Folder>(w.Saved()->Items("Work"))->Items("Work\\Deep"));
    QCOMPARE(ModelKeys(*savedDeep), QStringList({"Work\\Deep\\" + cKey}));
}

void TreeTest::dropRefusals() {
    Window w;
    auto profile = SampleProfile();
    profile->AddItem(MakeFolder("News2"));
    w.Open(profile);
    w.main->Tree()->setExpanded(w.Node("News"), true);
    const std::string before = w.main->Tree()->RootIndex().data().toString().toStdString();
    const QStringList rootKeys = ChildKeys(w.main->Tree()->RootIndex());
    const QString file = QString::fromStdString(ReadFile(w.settings->XMLFile()));

    // Into its own branch, onto itself, the root itself, and before or after the root.
    w.main->DropNode(w.Node("News"), w.Node(QString::fromStdString("News\\" + kA)), DropPlacement::On);
    w.main->DropNode(w.Node("News"), w.Node("News\\Deep"), DropPlacement::Before);
    w.main->DropNode(w.Node("News"), w.Node("News"), DropPlacement::On);
    w.main->DropNode(w.main->Tree()->RootIndex(), w.Node("Work"), DropPlacement::On);
    w.main->DropNode(w.Node("Work"), w.main->Tree()->RootIndex(), DropPlacement::Before);
    w.main->DropNode(w.Node("Work"), w.main->Tree()->RootIndex(), DropPlacement::After);
    w.main->DropNode(QModelIndex(), w.Node("Work"), DropPlacement::On);
    w.main->DropNode(w.Node("Work"), QModelIndex(), DropPlacement::On);
    // Dropped on the folder's own first item: it is there already.
    w.main->DropNode(w.Node(QString::fromStdString("News\\" + kA)), w.Node("News"), DropPlacement::On);
    QCOMPARE(ChildKeys(w.main->Tree()->RootIndex()), rootKeys);
    QCOMPARE(ChildKeys(w.Node("News")).first(), QString::fromStdString("News\\" + kA));
    QCOMPARE(QString::fromStdString(ReadFile(w.settings->XMLFile())), file);

    // A folder whose name merely starts with the dragged folder's name is a fine target.
    w.main->DropNode(w.Node("News"), w.Node("News2"), DropPlacement::On);
    QVERIFY(w.Node("News2\\News"));
    QVERIFY(w.Node(QString::fromStdString("News2\\News\\" + kA)));
}

void TreeTest::dropIntoFolderHoldingSameKeyIsRefused() {
    Window w;
    auto profile = SampleProfile();
    auto work = std::static_pointer_cast<Folder>(profile->Items("Work"));
    work->AddItem(MakeFolder("Deep"));
    w.Open(profile);
    w.main->Tree()->setExpanded(w.Node("Work"), true);
    const QString file = QString::fromStdString(ReadFile(w.settings->XMLFile()));

    QString shown;
    CloseNextModal(&shown);
    w.main->DropNode(w.Node("News\\Deep"), w.Node("Work"), DropPlacement::On);
    QCOMPARE(shown, QString("Item exists|Item already exists"));
    // Nothing moved and nothing was lost.
    QVERIFY(w.Node("News\\Deep"));
    QCOMPARE(ChildKeys(w.Node("Work")), QStringList({"Work\\Deep"}));
    QCOMPARE(ModelKeys(*std::static_pointer_cast<Folder>(w.main->Root()->Items("News"))),
             QStringList({QString::fromStdString("News\\" + kA), QString::fromStdString("News\\" + kB), "News\\Deep"}));
    QCOMPARE(QString::fromStdString(ReadFile(w.settings->XMLFile())), file);
}

void TreeTest::droppedRedPageLeavesOldFolderPlain() {
    Window w;
    w.Open(SampleProfile());
    QCOMPARE(ForeColor(w.Node("News")), 255);
    w.main->DropNode(w.Node(QString::fromStdString("News\\" + kA)), w.Node("Work"), DropPlacement::On);
    QCOMPARE(ForeColor(w.Node("News")), 0);
    QCOMPARE(ForeColor(w.Node("Work")), 255);
    QCOMPARE(ForeColor(w.main->Tree()->RootIndex()), 255);
}

void TreeTest::showItemPerKind() {
    Window w;
    w.Open(SampleProfile());
    auto* m = w.main.get();
    auto label = [m](const char* name) { return m->findChild<QLabel*>(name); };
    auto box = [m](const char* name) { return m->findChild<QLineEdit*>(name); };
    auto* units = m->findChild<QComboBox*>("lstPeriodUnit");

    m->Tree()->setCurrentIndex(w.Node(QString::fromStdString("News\\" + kA)));
    QCOMPARE(label("lblDetails")->text(), QString("Page Details"));
    QCOMPARE(label("lblURL")->text(), QString("URL:"));
    QCOMPARE(box("txtURL")->text(), QString::fromStdString(kA));
    QCOMPARE(box("txtDescription")->text(), QString("Page A"));
    QVERIFY(!box("txtURL")->isHidden());
    QCOMPARE(box("txtTimePeriod")->text(), QString("30"));
    QCOMPARE(units->currentText(), QString("Minutes"));
    QVERIFY(!label("lblStatusON")->isHidden());
    QVERIFY(label("lblStatusOff")->isHidden());
    QVERIFY(m->Action("menuActive")->isChecked());

    m->Tree()->setCurrentIndex(w.Node(QString::fromStdString("News\\" + kB)));
    QVERIFY(label("lblStatusON")->isHidden());
    QVERIFY(!label("lblStatusOff")->isHidden());
    QVERIFY(m->findChild<QToolButton*>("ctlActive")->isHidden());
    QVERIFY(!m->findChild<QToolButton*>("ctlInactive")->isHidden());
    QVERIFY(!m->Action("menuActive")->isChecked());

    m->Tree()->setCurrentIndex(w.Node("News"));
    QCOMPARE(label("lblDetails")->text(), QString("Folder Details"));
    QCOMPARE(label("lblURL")->text(), QString("Folder Name:"));
    QCOMPARE(box("txtURL")->text(), QString("News"));
    QCOMPARE(box("txtDescription")->text(), QString("News pages"));
    QCOMPARE(box("txtTimePeriod")->text(), QString("2"));
    QCOMPARE(units->currentText(), QString("Hours"));

    m->Tree()->setCurrentIndex(m->Tree()->RootIndex());
    QCOMPARE(label("lblDetails")->text(), QString("General Details"));
    QCOMPARE(label("lblURL")->text(), QString("Main:"));
    QVERIFY(box("txtURL")->isHidden());
    QVERIFY(box("txtDescription")->isHidden());
    QVERIFY(label("lblDescription")->isHidden());
    QCOMPARE(box("txtTimePeriod")->text(), QString("1"));
    QCOMPARE(units->currentText(), QString("Days"));
    QVERIFY(!label("lblCheckEvery")->isHidden());
}

void TreeTest::indicatorButtonsSwitchAndSave() {
    Window w;
    w.Open(SampleProfile());
    auto* m = w.main.get();
    Row deep = w.Node("News\\Deep");
    m->Tree()->setCurrentIndex(deep);

    m->findChild<QToolButton*>("ctlActive")->click();
    QVERIFY(!Checked(deep));
    QVERIFY(m->findChild<QToolButton*>("ctlActive")->isHidden());
    QVERIFY(!m->findChild<QLabel*>("lblStatusOff")->isHidden());
    auto savedDeep = std::static_pointer_cast<Folder>(
        std::static_pointer_cast<Folder>(w.Saved()->Items("News"))->Items("News\\Deep"));
    QVERIFY(!savedDeep->Active());
    QVERIFY(!savedDeep->ItemAt(0)->Active());

    m->findChild<QToolButton*>("ctlInactive")->click();
    QVERIFY(Checked(deep));
    QVERIFY(std::static_pointer_cast<Folder>(w.Saved()->Items("News"))->Items("News\\Deep")->Active());

    // The menu command toggles the same way and shows the item again.
    m->Action("menuActive")->trigger();
    QVERIFY(!Checked(deep));
    QVERIFY(!m->Action("menuActive")->isChecked());
    QVERIFY(!m->findChild<QLabel*>("lblStatusOff")->isHidden());
    QVERIFY(m->TreeMenu()->actions().contains(m->Action("menuActive")));
}

void TreeTest::rightClickSelectsNodeAndOpensMenu() {
    Window w;
    w.Open(SampleProfile());
    w.main->show();
    auto* tree = w.main->Tree();
    Row work = w.Node("Work");
    QSignalSpy clicked(tree, &mainwindow::ItemTree::RightClicked);
    QTest::mouseClick(tree->viewport(), Qt::RightButton, Qt::NoModifier, tree->visualRect(work).center());
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(tree->SelectedIndex(), work);
    QTRY_VERIFY(w.main->TreeMenu()->isVisible());
    QCOMPARE(w.main->findChild<QLabel*>("lblDetails")->text(), QString("Folder Details"));
    w.main->TreeMenu()->close();

    // Shift+F10 opens the same menu for the selected node from the keyboard.
    tree->setCurrentIndex(w.Node("News"));
    tree->setFocus();
    QTest::keyClick(tree, Qt::Key_F10, Qt::ShiftModifier);
    QCOMPARE(clicked.count(), 2);
    QCOMPARE(clicked.last().at(0).value<QModelIndex>(), w.Node("News"));
    QTRY_VERIFY(w.main->TreeMenu()->isVisible());
    w.main->TreeMenu()->close();
}

QTEST_MAIN(TreeTest)
#include "TreeTest.moc"
