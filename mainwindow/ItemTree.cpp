// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/ItemTree.h"

#include <QContextMenuEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

namespace pelmor::mainwindow {

ItemTree::ItemTree(QWidget* parent) : QTreeView(parent) {
    setObjectName(QStringLiteral("ctlTree"));
    header()->hide();
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::InternalMove);
    setDefaultDropAction(Qt::MoveAction);
    setIconSize(QSize(16, 16));
    setUniformRowHeights(true);
}

QModelIndex ItemTree::RootIndex() const { return Model() ? Model()->RootIndex() : QModelIndex(); }

QModelIndex ItemTree::SelectedIndex() const { return currentIndex(); }

QModelIndex ItemTree::FindIndex(const QString& key) const { return Model() ? Model()->FindIndex(key) : QModelIndex(); }

void ItemTree::startDrag(Qt::DropActions) {
    // Only moves are offered, and the dragged row is the selected one.
    dragged_ = currentIndex();
    QTreeView::startDrag(Qt::MoveAction);
    dragged_ = QPersistentModelIndex();
}

void ItemTree::dropEvent(QDropEvent* event) {
    const QModelIndex dragged = dragged_.isValid() ? QModelIndex(dragged_) : currentIndex();
    const QModelIndex target = indexAt(event->position().toPoint());
    DropPlacement placement = DropPlacement::On;
    switch (dropIndicatorPosition()) {
        case QAbstractItemView::AboveItem:
            placement = DropPlacement::Before;
            break;
        case QAbstractItemView::BelowItem:
            placement = DropPlacement::After;
            break;
        default:
            break;
    }
    // The window moves the row itself; the drag must not remove anything on its own.
    event->setDropAction(Qt::IgnoreAction);
    event->ignore();
    stopAutoScroll();
    setState(NoState);
    viewport()->update();
    if (event->source() == this && dragged.isValid() && target.isValid())
        emit DropRequested(dragged, target, placement);
}

void ItemTree::mousePressEvent(QMouseEvent* event) {
    QTreeView::mousePressEvent(event);
    if (event->button() == Qt::RightButton) {
        const QModelIndex under = indexAt(event->position().toPoint());
        if (under.isValid()) {
            setCurrentIndex(under);
            emit RightClicked(under, event->globalPosition().toPoint());
        }
    }
}

void ItemTree::mouseMoveEvent(QMouseEvent* event) {
    viewport()->setCursor(Qt::ArrowCursor);
    QTreeView::mouseMoveEvent(event);
}

void ItemTree::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    if (event->reason() == QContextMenuEvent::Keyboard) OpenMenuFromKeyboard();
}

void ItemTree::OpenMenuFromKeyboard() {
    const QModelIndex current = currentIndex();
    if (!current.isValid()) return;
    scrollTo(current);
    const QRect place = visualRect(current);
    emit RightClicked(current, viewport()->mapToGlobal(place.bottomLeft() + QPoint(place.height(), 0)));
}

void ItemTree::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        emit DeletePressed();
        return;
    }
    // The menu key arrives as a context menu event; Shift+F10 does not on every
    // window system.
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        OpenMenuFromKeyboard();
        return;
    }
    QTreeView::keyPressEvent(event);
}

}  // namespace pelmor::mainwindow
