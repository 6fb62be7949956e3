// SPDX-License-Identifier: GPL-3.0-or-later
// The tree's model on its own: rows follow the items as they are added, removed and moved,
// and the red mark travels up to the root and back.

#include <QAbstractItemModelTester>
#include <QtTest>

#include "TreeRows.h"
#include "items/Folder.h"
#include "items/Page.h"
#include "mainwindow/ItemModel.h"

using namespace pelmor;
using namespace pelmor::test;
using mainwindow::ItemModel;

namespace {

std::shared_ptr<Page> NewPage(const std::string& url) {
    auto page = Page::Create();
    page->SetURL(url);
    page->SetDescription(url);
    return page;
}

std::shared_ptr<Folder> NewFolder(const std::string& name) {
    auto folder = Folder::Create();
    folder->SetName(name);
    return folder;
}

}  // namespace

class ItemModelTest : public QObject {
    Q_OBJECT
private slots:
    void rowsFollowAddsRemovalsAndMoves();
    void marksTravelUpAndBack();
};

void ItemModelTest::rowsFollowAddsRemovalsAndMoves() {
    auto root = Application::Create();
    auto news = std::static_pointer_cast<Folder>(root->AddItem(NewFolder("News")));
    auto work = std::static_pointer_cast<Folder>(root->AddItem(NewFolder("Work")));
    auto a = news->AddItem(NewPage("a"));
    auto b = news->AddItem(NewPage("b"));
    ItemModel model(root);
    model.Reset();
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy moved(&model, &QAbstractItemModel::rowsMoved);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    const QModelIndex newsRow = model.IndexOf(*news);

    // A page added between two others gets its row there.
    auto c = news->AddItem(NewPage("c"), ItemRef(std::string("News\\b")));
    model.ItemAdded(c);
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted[0][0].value<QModelIndex>(), newsRow);
    QCOMPARE(inserted[0][1].toInt(), 1);
    QCOMPARE(ChildKeys(newsRow), QStringList({"News\\a", "News\\c", "News\\b"}));

    // Down and up inside one folder, then into another folder.
    news->RemoveItem("News\\a");
    news->AddItem(a);
    model.ItemMoved(a);
    QCOMPARE(ChildKeys(newsRow), QStringList({"News\\c", "News\\b", "News\\a"}));
    news->RemoveItem("News\\a");
    news->AddItem(a, ItemRef(0));
    model.ItemMoved(a);
    QCOMPARE(ChildKeys(newsRow), QStringList({"News\\a", "News\\c", "News\\b"}));
    news->RemoveItem("News\\b");
    work->AddItem(b);
    model.ItemMoved(b);
    QCOMPARE(moved.count(), 3);
    QCOMPARE(ChildKeys(model.IndexOf(*work)), QStringList({"Work\\b"}));
    QCOMPARE(model.ItemAt(model.FindIndex("work\\B")), b);

    // A folder taken out takes the rows below it along.
    root->RemoveItem("Work");
    model.ItemRemoved(*work);
    QCOMPARE(removed.count(), 1);
    QVERIFY(!model.IndexOf(*b).isValid());
    QCOMPARE(ChildKeys(model.RootIndex()), QStringList({"News"}));
    QCOMPARE(resets.count(), 0);
    QCOMPARE(model.Pages().size(), size_t(2));
}

void ItemModelTest::marksTravelUpAndBack() {
    auto root = Application::Create();
    auto news = std::static_pointer_cast<Folder>(root->AddItem(NewFolder("News")));
    auto deep = std::static_pointer_cast<Folder>(news->AddItem(NewFolder("Deep")));
    auto a = deep->AddItem(NewPage("a"));
    auto b = news->AddItem(NewPage("b"));
    auto other = root->AddItem(NewFolder("Other"));
    ItemModel model(root);
    model.Reset();
    const QModelIndex aRow = model.IndexOf(*a), bRow = model.IndexOf(*b);
    const QModelIndex newsRow = model.IndexOf(*news), deepRow = model.IndexOf(*deep);

    model.Mark(aRow, true, false);
    model.Mark(bRow, true, false);
    for (const QModelIndex& row : {aRow, deepRow, newsRow, model.RootIndex()}) {
        QCOMPARE(ForeColor(row), 255);
        QVERIFY(Bold(row));
    }
    QCOMPARE(ForeColor(model.IndexOf(*other)), 0);

    // News stays red while b is; once b is plain too, everything up to the root is.
    model.Mark(aRow, false, true);
    QCOMPARE(ForeColor(deepRow), 0);
    QVERIFY(Bold(deepRow));  // plain, in the bold the caller asked for
    QCOMPARE(ForeColor(newsRow), 255);
    model.Mark(bRow, false, false);
    QCOMPARE(ForeColor(newsRow), 0);
    QCOMPARE(ForeColor(model.RootIndex()), 0);
    QVERIFY(!Bold(model.RootIndex()));
}

QTEST_MAIN(ItemModelTest)
#include "ItemModelTest.moc"
