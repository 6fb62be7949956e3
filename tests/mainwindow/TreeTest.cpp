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
using mainwindow::TreeNode;

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
    TreeNode* root = w.main->Tree()->RootNode();
    QVERIFY(root);
    QCOMPARE(root->Key(), QString("Main"));
    QCOMPARE(root->text(0), QString("URL List"));
    QVERIFY(SamePicture(root->icon(0), "Main"));
    QVERIFY(root->Checked());
    QCOMPARE(ChildKeys(root), QStringList({"News", "Work", QString::fromStdString(kD)}));

    TreeNode* news = w.Node("News");
    QCOMPARE(news->text(0), QString("News"));
    QVERIFY(SamePicture(news->icon(0), "Folder"));
    QCOMPARE(ChildKeys(news),
             QStringList({QString::fromStdString("News\\" + kA), QString::fromStdString("News\\" + kB), "News\\Deep"}));
    TreeNode* b = w.Node(QString::fromStdString("news\\" + kB));  // keys match in any letter case
    QVERIFY(b);
    QCOMPARE(b->text(0), QString("Page B"));
    QVERIFY(!b->Checked());
    QVERIFY(SamePicture(b->icon(0), "Page"));
    TreeNode* c = w.Node(QString::fromStdString("News\\Deep\\" + kC + "@|http://c.example/frame"));
    QVERIFY(c);
    QVERIFY(SamePicture(c->icon(0), "Element"));

    // Node and item know each other, and every page is in the page collection, in order.
    QCOMPARE(mainwindow::NodeOf(*news->ItemTag()), news);
    QCOMPARE(mainwindow::NodeOf(*root->RootTag()), root);
    QCOMPARE(w.main->Pages().Count(), size_t(4));
    QCOMPARE(w.main->Pages().All().front()->Description(), std::string("Page A"));
    QVERIFY(w.main->Pages().Find("NEWS\\" + kA));
    QVERIFY(root->isExpanded());
    QCOMPARE(w.main->Tree()->SelectedNode(), root);
}

void TreeTest::redMarksFollowUpdatedPages() {
    Window w;
    auto profile = SampleProfile();
    std::static_pointer_cast<Folder>(profile->Items("News"))->Items("News\\" + kB)->IsPage();
    std::static_pointer_cast<Page>(std::static_pointer_cast<Folder>(profile->Items("News"))->Items("News\\" + kB))
        ->SetUpdated(true);
    w.settings->TreeFont().Bold = true;
    w.Open(profile);

    TreeNode* root = w.main->Tree()->RootNode();
    TreeNode* news = w.Node("News");
    TreeNode* a = w.Node(QString::fromStdString("News\\" + kA));
    TreeNode* b = w.Node(QString::fromStdString("News\\" + kB));
    TreeNode* d = w.Node(QString::fromStdString(kD));
    for (TreeNode* marked : {root, news, a, b}) {
        QCOMPARE(marked->ForeColor(), 255);
        QVERIFY(marked->Bold());
        QCOMPARE(marked->foreground(0).color(), QColor(255, 0, 0));
    }
    // A page that is not updated is built plain, whatever the tree font says.
    QCOMPARE(d->ForeColor(), 0);
    QVERIFY(!d->Bold());
    QCOMPARE(w.Node("Work")->ForeColor(), 0);

    // Clearing one page leaves the folder red while its sibling is still red.
    w.main->MarkParentsUpdate(a, false);
    QCOMPARE(a->ForeColor(), 0);
    QVERIFY(a->Bold());  // the tree font's bold
    QCOMPARE(news->ForeColor(), 255);
    QCOMPARE(root->ForeColor(), 255);

    w.main->MarkParentsUpdate(b, false);
    QCOMPARE(news->ForeColor(), 0);
    QCOMPARE(root->ForeColor(), 0);

    // Marking a page deep down paints every folder above it.
    TreeNode* c = w.main->Tree()->FindNode(QString::fromStdString("News\\Deep\\" + kC + "@|http://c.example/frame"));
    w.main->MarkParentsUpdate(c, true);
    QCOMPARE(w.Node("News\\Deep")->ForeColor(), 255);
    QCOMPARE(news->ForeColor(), 255);
    QCOMPARE(root->ForeColor(), 255);
    QCOMPARE(d->ForeColor(), 0);
    w.main->MarkParentsUpdate(nullptr, true);  // nothing happens
}

void TreeTest::loadTreeKeepsExpandedFolders() {
    Window w;
    auto profile = SampleProfile();
    w.Open(profile);
    w.Node("News")->setExpanded(true);
    w.Node("News\\Deep")->setExpanded(true);
    w.Node("Work")->setExpanded(true);
    w.main->Tree()->RootNode()->setExpanded(false);

    // "Work" is renamed on disk: its key changes, so it comes back collapsed.
    auto renamed = SampleProfile();
    renamed->RemoveItem("Work");
    renamed->AddItem(MakeFolder("Jobs"), std::optional<ItemRef>(std::string(kD)));
    renamed->SaveItems(w.settings->XMLFile());
    w.main->LoadTree();

    QVERIFY(w.Node("News")->isExpanded());
    QVERIFY(w.Node("News\\Deep")->isExpanded());
    QVERIFY(!w.Node("Jobs")->isExpanded());
    QVERIFY(w.main->Tree()->RootNode()->isExpanded());
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
    TreeNode* root = w.main->Tree()->RootNode();
    QVERIFY(root->Checked());
    QCOMPARE(root->childCount(), 0);
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
    TreeNode* news = w.Node("News");
    // The user unticks the folder: everything below goes off, on screen and on disk.
    news->setCheckState(0, Qt::Unchecked);
    auto saved = w.Saved();
    auto savedNews = std::static_pointer_cast<Folder>(saved->Items("News"));
    QVERIFY(!savedNews->Active());
    QVERIFY(!savedNews->Items("News\\" + kA)->Active());
    auto savedDeep = std::static_pointer_cast<Folder>(savedNews->Items("News\\Deep"));
    QVERIFY(!savedDeep->Active());
    QVERIFY(!savedDeep->ItemAt(0)->Active());
    QVERIFY(saved->Items(kD)->Active());  // outside the branch
    for (QTreeWidgetItemIterator it(news); *it && (*it == news || (*it)->parent() != news->parent()); ++it)
        QCOMPARE((*it)->checkState(0), Qt::Unchecked);

    // Ticking it again switches the whole branch back on, including the page that was off.
    news->setCheckState(0, Qt::Checked);
    saved = w.Saved();
    savedNews = std::static_pointer_cast<Folder>(saved->Items("News"));
    QVERIFY(savedNews->Active());
    QVERIFY(savedNews->Items("News\\" + kB)->Active());
    QVERIFY(w.Node(QString::fromStdString("News\\" + kB))->Checked());

    // The root switches the whole profile.
    w.main->DeactivateItem(w.main->Tree()->RootNode(), true);
    saved = w.Saved();
    QVERIFY(!saved->Active());
    QVERIFY(!saved->Items(kD)->Active());
    QVERIFY(!w.Node("Work")->Checked());
}

void TreeTest::dropPlacesBeforeOnAndAfter() {
    Window w;
    w.Open(SampleProfile());
    w.Node("News")->setExpanded(true);
    auto* tree = w.main->Tree();
    const QString d = QString::fromStdString(kD);

    // Before: D goes in front of News at the root.
    w.main->DropNode(w.Node(d), w.Node("News"), DropPlacement::Before);
    QCOMPARE(ChildKeys(tree->RootNode()), QStringList({d, "News", "Work"}));
    QCOMPARE(ModelKeys(*w.Saved()), QStringList({d, "News", "Work"}));

    // On an empty folder: D becomes its first item, with the folder's key in front.
    w.main->DropNode(w.Node(d), w.Node("Work"), DropPlacement::On);
    QCOMPARE(ChildKeys(w.Node("Work")), QStringList({"Work\\" + d}));
    QCOMPARE(ModelKeys(*std::static_pointer_cast<Folder>(w.Saved()->Items("Work"))), QStringList({"Work\\" + d}));
    QCOMPARE(tree->SelectedNode(), w.Node("Work\\" + d));

    // On an expanded folder with items: first item.
    w.main->DropNode(w.Node("Work\\" + d), w.Node("News"), DropPlacement::On);
    QCOMPARE(ChildKeys(w.Node("News")).first(), "News\\" + d);

    // On a page: after it.
    const QString a = QString::fromStdString("News\\" + kA);
    w.main->DropNode(w.Node("News\\" + d), w.Node(a), DropPlacement::On);
    QCOMPARE(ChildKeys(w.Node("News")).mid(0, 2), QStringList({a, "News\\" + d}));

    // On a collapsed folder with items: inside it too, as its first item.
    w.main->DropNode(w.Node("News\\" + d), w.Node("News"), DropPlacement::Before);
    w.Node("News")->setExpanded(false);
    w.main->DropNode(w.Node(d), w.Node("News"), DropPlacement::On);
    QCOMPARE(ChildKeys(tree->RootNode()), QStringList({"News", "Work"}));
    QCOMPARE(ChildKeys(w.Node("News")).first(), "News\\" + d);

    // After: the page goes behind the target.
    w.main->DropNode(w.Node("News\\" + d), w.Node("Work"), DropPlacement::After);
    QCOMPARE(ChildKeys(tree->RootNode()), QStringList({"News", "Work", d}));
    QCOMPARE(ModelKeys(*w.Saved()), QStringList({"News", "Work", d}));
    QCOMPARE(w.main->Pages().Count(), size_t(4));
    QVERIFY(w.main->Pages().Find(kD));
}

void TreeTest::droppedFolderTakesItsItemsAlong() {
    Window w;
    w.Open(SampleProfile());
    w.Node("News")->setExpanded(true);
    w.Node("News\\Deep")->setExpanded(true);
    const QString cKey = QString::fromStdString(kC + "@|http://c.example/frame");

    w.main->DropNode(w.Node("News\\Deep"), w.Node("Work"), DropPlacement::On);
    TreeNode* deep = w.Node("Work\\Deep");
    QVERIFY(deep);
    QVERIFY(deep->isExpanded());
    // The items inside carry the new folder key, in memory, in the tree and on disk.
    TreeNode* c = w.Node("Work\\Deep\\" + cKey);
    QVERIFY(c);
    QCOMPARE(QString::fromStdString(c->ItemTag()->Key()), "Work\\Deep\\" + cKey);
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
    w.Node("News")->setExpanded(true);
    const std::string before = w.main->Tree()->RootNode()->text(0).toStdString();
    const QStringList rootKeys = ChildKeys(w.main->Tree()->RootNode());
    const QString file = QString::fromStdString(ReadFile(w.settings->XMLFile()));

    // Into its own branch, onto itself, the root itself, and before or after the root.
    w.main->DropNode(w.Node("News"), w.Node(QString::fromStdString("News\\" + kA)), DropPlacement::On);
    w.main->DropNode(w.Node("News"), w.Node("News\\Deep"), DropPlacement::Before);
    w.main->DropNode(w.Node("News"), w.Node("News"), DropPlacement::On);
    w.main->DropNode(w.main->Tree()->RootNode(), w.Node("Work"), DropPlacement::On);
    w.main->DropNode(w.Node("Work"), w.main->Tree()->RootNode(), DropPlacement::Before);
    w.main->DropNode(w.Node("Work"), w.main->Tree()->RootNode(), DropPlacement::After);
    w.main->DropNode(nullptr, w.Node("Work"), DropPlacement::On);
    w.main->DropNode(w.Node("Work"), nullptr, DropPlacement::On);
    // Dropped on the folder's own first item: it is there already.
    w.main->DropNode(w.Node(QString::fromStdString("News\\" + kA)), w.Node("News"), DropPlacement::On);
    QCOMPARE(ChildKeys(w.main->Tree()->RootNode()), rootKeys);
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
    w.Node("Work")->setExpanded(true);
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
    QCOMPARE(w.Node("News")->ForeColor(), 255);
    w.main->DropNode(w.Node(QString::fromStdString("News\\" + kA)), w.Node("Work"), DropPlacement::On);
    QCOMPARE(w.Node("News")->ForeColor(), 0);
    QCOMPARE(w.Node("Work")->ForeColor(), 255);
    QCOMPARE(w.main->Tree()->RootNode()->ForeColor(), 255);
}

void TreeTest::showItemPerKind() {
    Window w;
    w.Open(SampleProfile());
    auto* m = w.main.get();
    auto label = [m](const char* name) { return m->findChild<QLabel*>(name); };
    auto box = [m](const char* name) { return m->findChild<QLineEdit*>(name); };
    auto* units = m->findChild<QComboBox*>("lstPeriodUnit");

    m->Tree()->setCurrentItem(w.Node(QString::fromStdString("News\\" + kA)));
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

    m->Tree()->setCurrentItem(w.Node(QString::fromStdString("News\\" + kB)));
    QVERIFY(label("lblStatusON")->isHidden());
    QVERIFY(!label("lblStatusOff")->isHidden());
    QVERIFY(m->findChild<QToolButton*>("ctlActive")->isHidden());
    QVERIFY(!m->findChild<QToolButton*>("ctlInactive")->isHidden());
    QVERIFY(!m->Action("menuActive")->isChecked());

    m->Tree()->setCurrentItem(w.Node("News"));
    QCOMPARE(label("lblDetails")->text(), QString("Folder Details"));
    QCOMPARE(label("lblURL")->text(), QString("Folder Name:"));
    QCOMPARE(box("txtURL")->text(), QString("News"));
    QCOMPARE(box("txtDescription")->text(), QString("News pages"));
    QCOMPARE(box("txtTimePeriod")->text(), QString("2"));
    QCOMPARE(units->currentText(), QString("Hours"));

    m->Tree()->setCurrentItem(m->Tree()->RootNode());
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
    TreeNode* deep = w.Node("News\\Deep");
    m->Tree()->setCurrentItem(deep);

    m->findChild<QToolButton*>("ctlActive")->click();
    QVERIFY(!deep->Checked());
    QVERIFY(m->findChild<QToolButton*>("ctlActive")->isHidden());
    QVERIFY(!m->findChild<QLabel*>("lblStatusOff")->isHidden());
    auto savedDeep = std::static_pointer_cast<Folder>(
        std::static_pointer_cast<Folder>(w.Saved()->Items("News"))->Items("News\\Deep"));
    QVERIFY(!savedDeep->Active());
    QVERIFY(!savedDeep->ItemAt(0)->Active());

    m->findChild<QToolButton*>("ctlInactive")->click();
    QVERIFY(deep->Checked());
    QVERIFY(std::static_pointer_cast<Folder>(w.Saved()->Items("News"))->Items("News\\Deep")->Active());

    // The menu command toggles the same way and shows the item again.
    m->Action("menuActive")->trigger();
    QVERIFY(!deep->Checked());
    QVERIFY(!m->Action("menuActive")->isChecked());
    QVERIFY(!m->findChild<QLabel*>("lblStatusOff")->isHidden());
    QVERIFY(m->TreeMenu()->actions().contains(m->Action("menuActive")));
}

void TreeTest::rightClickSelectsNodeAndOpensMenu() {
    Window w;
    w.Open(SampleProfile());
    w.main->show();
    auto* tree = w.main->Tree();
    TreeNode* work = w.Node("Work");
    QSignalSpy clicked(tree, &mainwindow::ItemTree::RightClicked);
    QTest::mouseClick(tree->viewport(), Qt::RightButton, Qt::NoModifier, tree->visualItemRect(work).center());
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(tree->SelectedNode(), work);
    QTRY_VERIFY(w.main->TreeMenu()->isVisible());
    QCOMPARE(w.main->findChild<QLabel*>("lblDetails")->text(), QString("Folder Details"));
    w.main->TreeMenu()->close();

    // Shift+F10 opens the same menu for the selected node from the keyboard.
    tree->setCurrentItem(w.Node("News"));
    tree->setFocus();
    QTest::keyClick(tree, Qt::Key_F10, Qt::ShiftModifier);
    QCOMPARE(clicked.count(), 2);
    QCOMPARE(clicked.last().at(0).value<TreeNode*>(), w.Node("News"));
    QTRY_VERIFY(w.main->TreeMenu()->isVisible());
    w.main->TreeMenu()->close();
}

QTEST_MAIN(TreeTest)
#include "TreeTest.moc"
