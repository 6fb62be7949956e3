// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/ItemTree.h"

#include <QContextMenuEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

#include "items/Folder.h"
#include "items/Page.h"

namespace pelmor::mainwindow {
namespace {

TreeNode* LinkedNode(const std::any& tag) {
    if (const auto* link = std::any_cast<std::shared_ptr<NodeLink>>(&tag); link && *link) return (*link)->node;
    return nullptr;
}

TreeNode* FindIn(QTreeWidgetItem* node, const QString& key) {
    if (node->type() == TreeNode::kType) {
        auto* treeNode = static_cast<TreeNode*>(node);
        if (treeNode->Key().compare(key, Qt::CaseInsensitive) == 0) return treeNode;
    }
    for (int i = 0; i < node->childCount(); ++i)
        if (TreeNode* found = FindIn(node->child(i), key)) return found;
    return nullptr;
}

}  // namespace

TreeNode* NodeOf(const Item& item) { return LinkedNode(item.Tag()); }
TreeNode* NodeOf(const Application& application) { return LinkedNode(application.Tag()); }

TreeNode::TreeNode(const QString& key, const QString& text)
    : QTreeWidgetItem(kType), key_(key), link_(std::make_shared<NodeLink>()) {
    link_->node = this;
    setText(0, text);
    setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsDragEnabled |
             Qt::ItemIsDropEnabled);
    setCheckState(0, Qt::Unchecked);
}

TreeNode::~TreeNode() { link_->node = nullptr; }

void TreeNode::Link(const std::shared_ptr<Application>& application) {
    root_ = application;
    item_.reset();
    if (application) application->SetTag(link_);
}

void TreeNode::Link(const std::shared_ptr<Item>& item) {
    item_ = item;
    root_.reset();
    if (item) item->SetTag(link_);
}

Folder* TreeNode::AsFolder() const { return item_ && item_->IsFolder() ? static_cast<Folder*>(item_.get()) : nullptr; }

Page* TreeNode::AsPage() const { return item_ && item_->IsPage() ? static_cast<Page*>(item_.get()) : nullptr; }

std::shared_ptr<ItemList> TreeNode::AsList() const {
    if (root_) return root_;
    if (item_ && item_->IsFolder()) return std::static_pointer_cast<Folder>(item_);
    return nullptr;
}

void TreeNode::SetChecked(bool checked) {
    knownChecked = checked;
    setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
}

void TreeNode::SetForeColor(int color) {
    foreColor_ = color;
    setForeground(0, QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF));
}

void TreeNode::SetBold(bool bold) {
    QFont f = treeWidget() ? treeWidget()->font() : font(0);
    f.setBold(bold);
    setFont(0, f);
}

TreeNode* TreeNode::ParentNode() const {
    QTreeWidgetItem* p = parent();
    return p && p->type() == kType ? static_cast<TreeNode*>(p) : nullptr;
}

TreeNode* TreeNode::Child(int index) const {
    QTreeWidgetItem* c = child(index);
    return c && c->type() == kType ? static_cast<TreeNode*>(c) : nullptr;
}

ItemTree::ItemTree(QWidget* parent) : QTreeWidget(parent) {
    setObjectName(QStringLiteral("ctlTree"));
    setColumnCount(1);
    header()->hide();
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::InternalMove);
    setDefaultDropAction(Qt::MoveAction);
    setMouseTracking(true);
    setIconSize(QSize(16, 16));
}

TreeNode* ItemTree::RootNode() const {
    QTreeWidgetItem* top = topLevelItem(0);
    return top && top->type() == TreeNode::kType ? static_cast<TreeNode*>(top) : nullptr;
}

TreeNode* ItemTree::SelectedNode() const {
    QTreeWidgetItem* current = currentItem();
    return current && current->type() == TreeNode::kType ? static_cast<TreeNode*>(current) : nullptr;
}

TreeNode* ItemTree::FindNode(const QString& key) const {
    for (int i = 0; i < topLevelItemCount(); ++i)
        if (TreeNode* found = FindIn(topLevelItem(i), key)) return found;
    return nullptr;
}

QString ItemTree::FullPath(const QTreeWidgetItem* node) {
    QStringList parts;
    for (const QTreeWidgetItem* n = node; n; n = n->parent()) parts.prepend(n->text(0));
    return parts.join(QLatin1Char('\\'));
}

void ItemTree::startDrag(Qt::DropActions) {
    // Only moves are offered, and the dragged node becomes the selected one.
    dragged_ = SelectedNode();
    if (QTreeWidgetItem* current = currentItem()) setCurrentItem(current);
    QTreeWidget::startDrag(Qt::MoveAction);
    dragged_ = nullptr;
}

void ItemTree::dropEvent(QDropEvent* event) {
    TreeNode* dragged = dragged_ ? dragged_ : SelectedNode();
    QTreeWidgetItem* under = itemAt(event->position().toPoint());
    TreeNode* target = under && under->type() == TreeNode::kType ? static_cast<TreeNode*>(under) : nullptr;
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
    // The window moves the node itself; the drag must not remove anything on its own.
    event->setDropAction(Qt::IgnoreAction);
    event->ignore();
    stopAutoScroll();
    setState(NoState);
    viewport()->update();
    if (event->source() == this && dragged && target) emit DropRequested(dragged, target, placement);
}

void ItemTree::mousePressEvent(QMouseEvent* event) {
    QTreeWidget::mousePressEvent(event);
    if (event->button() == Qt::RightButton) {
        QTreeWidgetItem* under = itemAt(event->position().toPoint());
        if (under && under->type() == TreeNode::kType) {
            setCurrentItem(under);
            emit RightClicked(static_cast<TreeNode*>(under), event->globalPosition().toPoint());
        }
    }
}

void ItemTree::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    if (event->reason() == QContextMenuEvent::Keyboard) OpenMenuFromKeyboard();
}

void ItemTree::OpenMenuFromKeyboard() {
    QTreeWidgetItem* current = currentItem();
    if (!current || current->type() != TreeNode::kType) return;
    scrollToItem(current);
    const QRect place = visualItemRect(current);
    emit RightClicked(static_cast<TreeNode*>(current), viewport()->mapToGlobal(place.bottomLeft() + QPoint(place.height(), 0)));
}

void ItemTree::mouseMoveEvent(QMouseEvent* event) {
    viewport()->setCursor(Qt::ArrowCursor);
    QTreeWidget::mouseMoveEvent(event);
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
    QTreeWidget::keyPressEvent(event);
}

}  // namespace pelmor::mainwindow
