// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The view of the item tree: check boxes, pictures, single selection, and drag and drop of
// rows inside the tree. The view moves nothing itself: a drop, a right click, the menu key
// and the Delete key are handed to the window as requests.

#include <QPersistentModelIndex>
#include <QTreeView>

#include "mainwindow/ItemModel.h"

namespace pelmor::mainwindow {

// Where a dropped row goes relative to the target row.
enum class DropPlacement {
    Before,  // the tree reports an insertion before the target
    On,      // dropped onto the target
    After,   // dropped below the target
};

class ItemTree : public QTreeView {
    Q_OBJECT
public:
    explicit ItemTree(QWidget* parent = nullptr);

    ItemModel* Model() const { return qobject_cast<ItemModel*>(model()); }
    // The root's row, the current row, and the row of a key (any letter case); invalid
    // when there is none.
    QModelIndex RootIndex() const;
    QModelIndex SelectedIndex() const;
    QModelIndex FindIndex(const QString& key) const;

signals:
    void DropRequested(const QModelIndex& dragged, const QModelIndex& target, DropPlacement placement);
    void RightClicked(const QModelIndex& index, const QPoint& globalPos);
    void DeletePressed();

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dropEvent(QDropEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // The menu key and Shift+F10 open the item menu for the current row, beside it; a
    // right click has already opened it on the press.
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // The item menu for the current row, beside it.
    void OpenMenuFromKeyboard();

    QPersistentModelIndex dragged_;
};

}  // namespace pelmor::mainwindow
