// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/cTreeViewMultiSelect.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPalette>
#include <QTreeWidget>
#include <algorithm>

namespace pelmor::mainwindow {
namespace {

QString KeyOf(const QTreeWidgetItem* node) { return node->data(0, cTreeViewMultiSelect::kKeyRole).toString(); }

}  // namespace

cTreeViewMultiSelect::cTreeViewMultiSelect(QObject* parent) : QObject(parent) {}

cTreeViewMultiSelect::~cTreeViewMultiSelect() { Detach(); }

void cTreeViewMultiSelect::Attach(QTreeWidget* tree) {
    Detach();
    tree_ = tree;
    if (!tree_) return;
    connect(tree_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { SelectedNodeChanged(current); });
    tree_->installEventFilter(this);
    tree_->viewport()->installEventFilter(this);
}

void cTreeViewMultiSelect::Detach() {
    if (!tree_) return;
    disconnect(tree_, nullptr, this, nullptr);
    tree_->removeEventFilter(this);
    tree_->viewport()->removeEventFilter(this);
    tree_ = nullptr;
}

QTreeWidgetItem* cTreeViewMultiSelect::SelectedNode(int index) const {
    if (index < 1 || index > SelectionCount()) return nullptr;
    return selected_[static_cast<size_t>(index - 1)];
}

bool cTreeViewMultiSelect::NodeSelected(QTreeWidgetItem* node) const {
    if (!node || std::find(selected_.begin(), selected_.end(), node) == selected_.end()) return false;
    return node->background(0).color() == QApplication::palette().color(QPalette::Highlight);
}

void cTreeViewMultiSelect::SetNodeSelected(QTreeWidgetItem* node, bool selected) {
    if (!node) return;
    auto it = std::find_if(selected_.begin(), selected_.end(),
                           [&](QTreeWidgetItem* held) { return KeyOf(held) == KeyOf(node); });
    if (selected && it == selected_.end()) selected_.push_back(node);
    if (!selected && it != selected_.end()) selected_.erase(it);
    Paint(node, selected);
}

void cTreeViewMultiSelect::Paint(QTreeWidgetItem* node, bool selected) {
    const QPalette palette = QApplication::palette();
    node->setBackground(0, palette.color(selected ? QPalette::Highlight : QPalette::Base));
    node->setForeground(0, palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
}

void cTreeViewMultiSelect::DeselectAll() {
    for (QTreeWidgetItem* node : selected_) Paint(node, false);
    selected_.clear();
}

std::vector<QTreeWidgetItem*> cTreeViewMultiSelect::VisibleNodes() const {
    std::vector<QTreeWidgetItem*> nodes;
    if (!tree_) return nodes;
    std::vector<QTreeWidgetItem*> pending;
    for (int i = tree_->topLevelItemCount() - 1; i >= 0; --i) pending.push_back(tree_->topLevelItem(i));
    while (!pending.empty()) {
        QTreeWidgetItem* node = pending.back();
        pending.pop_back();
        nodes.push_back(node);
        if (node->isExpanded() && node->childCount() > 0)
            for (int i = node->childCount() - 1; i >= 0; --i) pending.push_back(node->child(i));
    }
    return nodes;
}

void cTreeViewMultiSelect::SelectedNodeChanged(QTreeWidgetItem* current) {
    // A change made by a mouse press must not be toggled again when the button is released.
    inProgress_ = mouseDown_;
    current_ = current;
    const Qt::KeyboardModifiers modifiers = modifiers_;
    // A key's modifiers count for the change it makes, not for later ones.
    if (!mouseDown_) modifiers_ = {};
    if (!current_) return;
    if (modifiers & Qt::ControlModifier) {
        SetNodeSelected(current_, !NodeSelected(current_));
    } else if ((modifiers & Qt::ShiftModifier) && anchor_) {
        std::vector<QTreeWidgetItem*> run;
        bool inRun = false;
        for (QTreeWidgetItem* node : VisibleNodes()) {
            bool end = KeyOf(node) == KeyOf(anchor_) || KeyOf(node) == KeyOf(current_);
            if (!inRun && end) {
                inRun = true;
                run.push_back(node);
                if (KeyOf(anchor_) == KeyOf(current_)) break;
                continue;
            }
            if (inRun) {
                run.push_back(node);
                if (end) break;
            }
        }
        DeselectAll();
        for (QTreeWidgetItem* node : run) SetNodeSelected(node, true);
    } else {
        DeselectAll();
        anchor_ = current_;
        SetNodeSelected(current_, true);
    }
}

bool cTreeViewMultiSelect::eventFilter(QObject* watched, QEvent* event) {
    if (!tree_) return false;
    if (watched == tree_->viewport()) {
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
            modifiers_ = static_cast<QMouseEvent*>(event)->modifiers();
            mouseDown_ = true;
        } else if (event->type() == QEvent::MouseButtonRelease) {
            // Ctrl-clicking the node that is current already changes no current node: the
            // click itself toggles it.
            const bool ctrl = static_cast<QMouseEvent*>(event)->modifiers() & Qt::ControlModifier;
            if (ctrl && !inProgress_ && current_ && current_ == tree_->currentItem())
                SetNodeSelected(current_, !NodeSelected(current_));
            inProgress_ = false;
            mouseDown_ = false;
            modifiers_ = {};
        }
    } else if (watched == tree_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Space || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (QTreeWidgetItem* node = tree_->currentItem()) node->setExpanded(!node->isExpanded());
            return true;
        }
        modifiers_ = key->modifiers();
    } else if (watched == tree_ && event->type() == QEvent::KeyRelease) {
        modifiers_ = {};
    }
    return false;
}

}  // namespace pelmor::mainwindow
