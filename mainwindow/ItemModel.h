// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The item tree as a Qt model: one row per item of the root and of every folder, in list
// order, under a single top row for the root ("URL List"). Column 0 only, with a check box
// (the item's Active flag), a picture, red and bold for pages found updated and the folders
// above them, and a warning picture and tip for pages whose last check failed.
//
// The model keeps its own mirror of the tree (one Row per item, holding the item): an
// index's internal pointer is its Row, and a map from item to Row finds the row of an item.
// The items know nothing of the model. Whoever changes the items tells the model right
// after (ItemAdded, ItemRemoved, ItemMoved, ItemChanged, ...); it then emits the row
// signals, so views keep their selection and expanded folders. Reset rebuilds everything
// (a profile was loaded).

#include <QAbstractItemModel>
#include <QFont>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "items/Application.h"
#include "items/Page.h"
#include "mainwindow/Schedule.h"

namespace pelmor::mainwindow {

// True when the page, or any of its frames at any depth, watches one element only.
bool HasElementPath(const Page& page);
bool HasElementPath(const Frame& frame);

class ItemModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Role {
        KeyRole = Qt::UserRole + 1,  // the item's key; "Main" for the root
        MarkedRole,                  // bool: painted red (an updated page or a folder above one)
    };
    static constexpr const char* kMimeType = "application/x-pelmor-item-key";

    explicit ItemModel(std::shared_ptr<Application> application, QObject* parent = nullptr);
    ~ItemModel() override;

    // Rebuilds every row from the application: nothing marked, nothing expanded.
    void Reset();

    QModelIndex RootIndex() const;
    // The row of an item; invalid when the model has no row for it.
    QModelIndex IndexOf(const Item& item) const;
    // The row of a key, in any letter case ("Main" is the root); invalid when none.
    QModelIndex FindIndex(const QString& key) const;
    // The item of a row; null for the root and for an invalid index.
    std::shared_ptr<Item> ItemAt(const QModelIndex& index) const;
    bool IsRoot(const QModelIndex& index) const;
    // The list of the root or of a folder row; null for a page row or an invalid index.
    std::shared_ptr<ItemList> ListAt(const QModelIndex& index) const;
    // The page of a row; null for anything else.
    std::shared_ptr<Page> PageAt(const QModelIndex& index) const;
    // Every page, in tree order.
    std::vector<std::shared_ptr<Page>> Pages() const;

    // Row changes, told right after the items changed. ItemAdded inserts the row of an item
    // (and everything below it) where its list now holds it; ItemRemoved drops the row of an
    // item already taken out of its list; ItemMoved moves the row of an item now in another
    // place (its list or position); they do nothing for an item without a row.
    void ItemAdded(const std::shared_ptr<Item>& item);
    void ItemRemoved(const Item& item);
    void ItemMoved(const std::shared_ptr<Item>& item);
    // The row's text, picture, check box or tip may have changed (with `below`, every row
    // under it too).
    void ItemChanged(const QModelIndex& index, bool below = false);
    // A page's check outcome changed: its row and every folder row above it.
    void HealthChanged(const QModelIndex& index);

    // Paints a row red and bold (or plain, bold as `plainBold` says) and carries the mark up:
    // every folder above a red row is red, and a folder turns plain once no row in it is red.
    void Mark(const QModelIndex& index, bool marked, bool plainBold);
    bool Marked(const QModelIndex& index) const;
    // The font rows are painted in (the bold flag is the row's own).
    void SetFont(const QFont& font);

    // Called when the user ticks or unticks a check box; the model changes nothing itself.
    void SetActiveHandler(std::function<void(const QModelIndex&, bool)> handler) { activeHandler_ = std::move(handler); }

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    Qt::DropActions supportedDropActions() const override;
    Qt::DropActions supportedDragActions() const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;

private:
    struct Row;
    Row* RowOf(const QModelIndex& index) const;
    QModelIndex IndexOfRow(const Row* row) const;
    int RowNumber(const Row* row) const;
    Row* RowOfList(const ItemList& list) const;
    // Builds the rows of `item` and everything below it under `parent`.
    std::unique_ptr<Row> Build(const std::shared_ptr<Item>& item, Row* parent);
    void Forget(const Row& row);
    void ChangedBelow(const Row& row);
    bool FailingBelow(const Row& row) const;
    void SetMark(Row& row, bool marked, bool plainBold);

    std::shared_ptr<Application> application_;
    std::unique_ptr<Row> root_;
    std::unordered_map<const Item*, Row*> rows_;
    QFont font_;
    std::function<void(const QModelIndex&, bool)> activeHandler_;
};

}  // namespace pelmor::mainwindow
