// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Several nodes of a tree selected at once, in the order the user picked them: a plain
// selection starts anew, Ctrl toggles a node, Shift selects the run of visible nodes
// from the last plain selection (the anchor) to the current node. Space and Enter
// expand or collapse the current node. Selected nodes are painted in the highlight
// colours; the tree's own selection is not used.
//
// Nodes are named by their key, the text in column 0 under role kKeyRole. Node pointers
// handed out stay valid while the nodes are in the tree.

#include <QObject>
#include <QPointer>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

namespace pelmor::mainwindow {

class cTreeViewMultiSelect : public QObject {
    Q_OBJECT
public:
    static constexpr int kKeyRole = Qt::UserRole + 2;

    explicit cTreeViewMultiSelect(QObject* parent = nullptr);
    ~cTreeViewMultiSelect() override;

    // Follows the tree's current node, mouse and keys from now on.
    void Attach(QTreeWidget* tree);
    // Stops following the tree; the selection is kept.
    void Detach();

    int SelectionCount() const { return static_cast<int>(selected_.size()); }
    // The index-th selected node (1-based, in the order of selection); null out of range.
    QTreeWidgetItem* SelectedNode(int index) const;
    // Every selected node, in the order of selection.
    const std::vector<QTreeWidgetItem*>& SelectedNodes() const { return selected_; }
    bool NodeSelected(QTreeWidgetItem* node) const;
    void SetNodeSelected(QTreeWidgetItem* node, bool selected);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SelectedNodeChanged(QTreeWidgetItem* current);
    void Paint(QTreeWidgetItem* node, bool selected);
    void DeselectAll();
    // The nodes a user can see, top to bottom.
    std::vector<QTreeWidgetItem*> VisibleNodes() const;

    QPointer<QTreeWidget> tree_;
    std::vector<QTreeWidgetItem*> selected_;
    QTreeWidgetItem* anchor_ = nullptr;
    QTreeWidgetItem* current_ = nullptr;
    bool inProgress_ = false;
    bool mouseDown_ = false;
    Qt::KeyboardModifiers modifiers_;
};

}  // namespace pelmor::mainwindow
