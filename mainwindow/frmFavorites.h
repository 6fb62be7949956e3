// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// "Add From Favorites": the user's browser bookmarks as one tree under "Favorites" (one
// folder per browser profile found, and one per bookmarks file the user adds), from which
// folders and pages are picked, several at once, for import.

#include <QDialog>
#include <functional>
#include <memory>

#include "mainwindow/Bookmarks.h"
#include "mainwindow/cTreeViewMultiSelect.h"

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace pelmor::mainwindow {

class frmFavorites : public QDialog {
    Q_OBJECT
public:
    // Roles of the data a node keeps: its picture key ("Favorites", "Folder" or "Page")
    // and, for a page, its address.
    static constexpr int kPictureRole = Qt::UserRole;
    static constexpr int kURLRole = Qt::UserRole + 1;

    // Reads the stores found under BookmarkHome() (on another thread, the window thread
    // waiting) and builds the tree with "Favorites" selected.
    explicit frmFavorites(QWidget* parent = nullptr);
    ~frmFavorites() override;

    // The nodes picked, or null when the dialog was closed without "Import".
    cTreeViewMultiSelect* GetFoldersToImport() const { return dropped_ ? nullptr : selection_.get(); }
    QTreeWidget* Tree() const { return ctlFavorites_; }
    // Adds a bookmarks HTML file as a folder under "Favorites"; false (with a message box)
    // when it cannot be read.
    bool AddBookmarksFile(const QString& file);
    // The chooser of "Bookmarks File..."; answers "" when nothing was chosen.
    void SetFileChooser(std::function<QString()> chooser) { chooser_ = std::move(chooser); }

    static QString PictureOf(const QTreeWidgetItem* node);
    static QString URLOf(const QTreeWidgetItem* node);

protected:
    void closeEvent(QCloseEvent* event) override;

public slots:
    void reject() override;

private:
    void Form_Load();
    void AddNode(QTreeWidgetItem* parent, const BookmarkNode& node, const QString& picture);
    void ShowDetails(QTreeWidgetItem* node);
    void btnImport_Click();

    QTreeWidget* ctlFavorites_ = nullptr;
    QLabel* lblTitle_ = nullptr;
    QLabel* lblName_ = nullptr;
    QTreeWidgetItem* root_ = nullptr;
    std::unique_ptr<cTreeViewMultiSelect> selection_;
    std::function<QString()> chooser_;
    bool dropped_ = false;
    int nextKey_ = 0;
};

}  // namespace pelmor::mainwindow
