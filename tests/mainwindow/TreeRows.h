// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Reading the main window's tree rows in tests.

#include <QFont>
#include <QModelIndex>
#include <QStringList>

#include "mainwindow/ItemModel.h"

namespace pelmor::test {

// A row of the tree that reads as a condition: true when the row exists.
struct Row : QModelIndex {
    Row(const QModelIndex& index = {}) : QModelIndex(index) {}
    explicit operator bool() const { return isValid(); }
};

// The keys of a row's children, in order.
inline QStringList ChildKeys(const QModelIndex& row) {
    QStringList keys;
    for (int i = 0; i < row.model()->rowCount(row); ++i)
        keys << row.model()->index(i, 0, row).data(mainwindow::ItemModel::KeyRole).toString();
    return keys;
}

// What a row shows: its check box, its red mark (as a colour, 255 for red) and its bold flag.
inline bool Checked(const QModelIndex& row) { return row.data(Qt::CheckStateRole).toInt() == Qt::Checked; }
inline int ForeColor(const QModelIndex& row) { return row.data(mainwindow::ItemModel::MarkedRole).toBool() ? 255 : 0; }
inline bool Bold(const QModelIndex& row) { return row.data(Qt::FontRole).value<QFont>().bold(); }

}  // namespace pelmor::test
