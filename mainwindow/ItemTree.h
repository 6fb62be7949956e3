// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The item tree control: one node per item with a check box, a picture, a fore colour
// and a bold flag, keyed by the item's key, and drag and drop of nodes inside the tree.
//
// A node's tag is the item it shows (the root node's tag is the Application); the item's
// Tag holds a NodeLink back to the node. The link is cleared when the node is destroyed,
// so an item never points at a dead node.

#include <QColor>
#include <QString>
#include <QTreeWidget>
#include <memory>

#include "items/Application.h"

namespace pelmor::mainwindow {

class TreeNode;

// What an item's Tag holds: the node that shows it, or null once the node is gone.
struct NodeLink {
    TreeNode* node = nullptr;
};

// The node showing an item (through its Tag); null when it has none.
TreeNode* NodeOf(const Item& item);
TreeNode* NodeOf(const Application& application);

// Where a dropped node goes relative to the target node.
enum class DropPlacement {
    Before,  // the tree reports an insertion before the target
    On,      // dropped onto the target
    After,   // dropped below the target
};

class TreeNode : public QTreeWidgetItem {
public:
    static constexpr int kType = QTreeWidgetItem::UserType + 1;

    TreeNode(const QString& key, const QString& text);
    ~TreeNode() override;

    const QString& Key() const { return key_; }
    void SetKey(const QString& key) { key_ = key; }

    // The item shown; exactly one of the two is set.
    const std::shared_ptr<Application>& RootTag() const { return root_; }
    const std::shared_ptr<Item>& ItemTag() const { return item_; }
    // Links node and item both ways.
    void Link(const std::shared_ptr<Application>& application);
    void Link(const std::shared_ptr<Item>& item);

    bool IsRoot() const { return root_ != nullptr; }
    Folder* AsFolder() const;
    Page* AsPage() const;
    // The item list of the root or of a folder; null for a page.
    std::shared_ptr<ItemList> AsList() const;

    bool Checked() const { return checkState(0) == Qt::Checked; }
    void SetChecked(bool checked);
    // Fore colour as 0xBBGGRR: 255 is pure red.
    int ForeColor() const { return foreColor_; }
    void SetForeColor(int color);
    bool Bold() const { return font(0).bold(); }
    void SetBold(bool bold);

    TreeNode* ParentNode() const;
    TreeNode* Child(int index) const;
    // The check state last seen by the tree's change handler.
    bool knownChecked = false;

private:
    QString key_;
    std::shared_ptr<Application> root_;
    std::shared_ptr<Item> item_;
    std::shared_ptr<NodeLink> link_;
    int foreColor_ = 0;
};

class ItemTree : public QTreeWidget {
    Q_OBJECT
public:
    explicit ItemTree(QWidget* parent = nullptr);

    TreeNode* RootNode() const;
    TreeNode* SelectedNode() const;
    // The node under a key (any letter case); null when none.
    TreeNode* FindNode(const QString& key) const;
    // The texts from the root down to the node, joined by "\".
    static QString FullPath(const QTreeWidgetItem* node);

signals:
    void DropRequested(TreeNode* dragged, TreeNode* target, DropPlacement placement);
    void RightClicked(TreeNode* node, const QPoint& globalPos);
    void DeletePressed();

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dropEvent(QDropEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // The menu key and Shift+F10 open the item menu for the current node, beside it; a
    // right click has already opened it on the press.
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // The item menu for the current node, beside it.
    void OpenMenuFromKeyboard();

    TreeNode* dragged_ = nullptr;
};

}  // namespace pelmor::mainwindow
