// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// "Add From Favorites": the user's browser bookmarks as one tree under "Favorites" (one
// folder per browser profile found, and one per bookmarks file the user adds), from which
// folders and pages are picked, several at once, for import.

#include <QDialog>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "mainwindow/Bookmarks.h"
#include "mainwindow/cTreeViewMultiSelect.h"

class QLabel;
class QProgressBar;
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

    // Shows "Favorites" selected at once and starts reading the stores found under
    // BookmarkHome() on another thread; each store read becomes a folder under it.
    // Stores that cannot be read (within the time limit) are named in a message box.
    explicit frmFavorites(QWidget* parent = nullptr,
                          std::chrono::milliseconds readTimeLimit = ReadLimits::kDefaultTime);
    ~frmFavorites() override;

    // The nodes picked, or null when the dialog was closed without "Import".
    cTreeViewMultiSelect* GetFoldersToImport() const { return dropped_ ? nullptr : selection_.get(); }
    QTreeWidget* Tree() const { return ctlFavorites_; }
    // Starts reading a bookmarks HTML file to add as a folder under "Favorites" (a
    // message box when it cannot be read); false, starting nothing, while a reading runs.
    bool AddBookmarksFile(const QString& file);
    // True while bookmarks are being read; ReadingFinished follows, however it ends.
    bool Reading() const { return reading_ != nullptr; }
    // Stops the running reading ("Stop", closing the dialog); its stores count as unread.
    void StopReading();
    // How long one reading may take (ReadLimits::kDefaultTime); for the next reading.
    void SetReadTimeLimit(std::chrono::milliseconds limit) { timeLimit_ = limit; }
    // The chooser of "Bookmarks File..."; answers "" when nothing was chosen.
    void SetFileChooser(std::function<QString()> chooser) { chooser_ = std::move(chooser); }

    static QString PictureOf(const QTreeWidgetItem* node);
    static QString URLOf(const QTreeWidgetItem* node);

signals:
    // A reading ended; `errors` says why each store that was not added could not be read.
    void ReadingFinished(const QStringList& errors);

protected:
    void closeEvent(QCloseEvent* event) override;

public slots:
    void reject() override;

private:
    struct ReadStore {
        BookmarkNode node;
        QString error;  // empty when read
    };
    struct ReadingRun;
    void Form_Load();
    // Reads the stores that `find` gives off the window thread, then adds them.
    void StartReading(std::function<std::vector<BookmarkStore>()> find, bool expandAdded);
    void ReadingDone(bool expandAdded);
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
    QLabel* lblReading_ = nullptr;
    QProgressBar* ctlReading_ = nullptr;
    QPushButton* btnStopReading_ = nullptr;
    QPushButton* btnImport_ = nullptr;
    QPushButton* btnFile_ = nullptr;
    std::unique_ptr<ReadingRun> reading_;
    std::chrono::milliseconds timeLimit_ = ReadLimits::kDefaultTime;
};

}  // namespace pelmor::mainwindow
