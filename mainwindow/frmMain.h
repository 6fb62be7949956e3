// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The main window: the item tree with check boxes on the left, the details panel of the
// selected item and the activity log on the right, menus, toolbar, status bar and the
// tray icon. Every change the user makes is saved to the profile file at once.

#include <QMainWindow>
#include <QPointer>
#include <QSystemTrayIcon>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "items/Application.h"
#include "mainwindow/AddItems.h"
#include "mainwindow/ItemTree.h"
#include "mainwindow/PageCollection.h"
#include "mainwindow/RemovedItems.h"
#include "mainwindow/Schedule.h"
#include "mainwindow/Updater.h"
#include "retrieval/Settings.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSplitter;
class QTimer;
class QToolBar;
class QToolButton;
class QTreeWidgetItem;
class QTreeWidget;

namespace pelmor::shell {
class ChangeAlerts;
}

namespace pelmor::mainwindow {

class ActivityLogFile;
class BrowserWindow;

// True when the page, or any of its frames at any depth, watches one element only.
bool HasElementPath(const Page& page);
bool HasElementPath(const Frame& frame);

class frmMain : public QMainWindow, public ItemAdder {
    Q_OBJECT
public:
    static constexpr double kMinWidth = 8000;
    static constexpr double kMinHeight = 7000;
    // The least widths of the tree and of the panels beside it; the tree's grows with its
    // font to keep a name readable.
    static constexpr double kMinTreeWidth = 2000;
    static constexpr double kMinPanelWidth = 5055;
    // The panels' width when no splitter position is stored.
    static constexpr double kDefaultPanelWidth = 5400;
    static constexpr int kTrayId = 999;
    // The stored size before the window was ever placed, and the size of a first start.
    static constexpr double kDefaultFormWidth = 9120;
    static constexpr double kDefaultFormHeight = 5670;
    static constexpr double kFirstStartWidth = 14400;
    static constexpr double kFirstStartHeight = 10200;

    frmMain(std::shared_ptr<Settings> settings, std::shared_ptr<Application> application, QWidget* parent = nullptr);
    ~frmMain() override;

    // Start-up: preferences, tray icon, bars and the tree, logging every step. A failure
    // ends it with a message "ActivateMain: " and the description.
    void ActivateMain();
    // Places the window as the preferences say and shows it.
    void ShowMain();
    // Rebuilds the tree from the profile file, creating an empty profile and the cache
    // folder when missing and keeping expanded folders expanded.
    void LoadTree();
    // Adds one item (and everything below it) under a node.
    void LoadItemToTree(TreeNode* parentNode, const std::shared_ptr<Item>& item);
    // True when the node's key was expanded when LoadTree last started.
    bool WasExpanded(const TreeNode* node) const;
    // Paints a node red and bold (or plain) and carries the mark up to its ancestors: a
    // folder stays red while any child is red.
    void MarkParentsUpdate(TreeNode* node, bool blUpdate);
    // Fills the details panel for the item of a node.
    void ShowItem(TreeNode* node);
    // The page's last check failure in the details panel (hidden when it never failed).
    void ShowLastFailure(const Page* page);
    // A page whose last check failed shows a warning icon and the reason as its tip.
    void ShowCheckHealth(TreeNode* node, const Page& page);
    // Every folder above the node shows the warning while a page below it is failing.
    void ShowFolderHealth(TreeNode* node);
    // Puts back the check outcomes kept beside the profile and shows them (LoadTree).
    void RestoreCheckHealth();
    // Writes the check outcomes beside the profile when the page's check changed them.
    void KeepCheckHealth(const Page& page);
    // Switch checking on or off for an item and everything below it.
    void ActivateItem(TreeNode* node, bool blSave);
    void DeactivateItem(TreeNode* node, bool blSave);
    // Writes the tree to the profile file (and drops a pending SaveItemsSoon, which it
    // covers).
    void SaveItems();
    // Why the last add of a page failed ("" when it did not, or for no known reason): a
    // page that was fetched but could not be saved says why it could not be saved.
    const std::string& LastAddFailure() const { return lastAddFailure_; }
    // Writes the tree to the profile file later, once for every change in the meantime,
    // and at the latest when the window unloads. A change the user would miss (a page
    // turned red, an edit) is written within kItemsSaveDelayMs; a routine one, such as
    // the check time of a page found unchanged while more checks are running, within
    // kRoutineSaveDelayMs. A pass of checks thus writes the file once or twice, and a
    // crash in the middle loses no more than a few check times (those pages are simply
    // checked again).
    enum class SaveUrgency { Routine, Soon };
    void SaveItemsSoon(SaveUrgency urgency = SaveUrgency::Soon);
    static constexpr int kItemsSaveDelayMs = 1000;
    static constexpr int kRoutineSaveDelayMs = 30000;
    // Moves the dragged node relative to the target node, in the model, in the tree and
    // in the profile file.
    void DropNode(TreeNode* dragged, TreeNode* target, DropPlacement placement);

    // The tray icon: added with the program's icon and the tip "Pelmor"; false where the
    // desktop has no tray (the program runs on without it).
    bool ShellTrayAdd();
    void ShellTrayModifyTip(const QIcon& newIcon);
    void ShellTrayDelete();
    // Mouse gestures on the tray icon: a double click restores the window.
    void ctlTray_Activated(QSystemTrayIcon::ActivationReason reason);
    // Puts the program's own icon back when no page is marked updated any more.
    void RefreshTrayIcon();

    // Keeps the window no smaller than ArrangeControls allows and stores the placement in
    // the preferences (position, size and the splitter only in the normal state). A
    // minimised window is hidden: it lives in the tray.
    void Form_Resize();
    // Writes the preferences with the window's placement and the splitter's position;
    // pending after a resize or a splitter move until it settles, and at the latest when
    // the window unloads.
    void SavePlacement();
    static constexpr int kPlacementSaveDelayMs = 250;
    // Sets the window's least size (kMinWidth x kMinHeight twips, or what the controls need
    // with the font and language in use) and fits the activity log's columns.
    void ArrangeControls();
    // Makes the tree `treeWidth` twips wide; false, changing nothing, when the tree or the
    // panels would be narrower than their least widths.
    bool MoveSplitter(double treeWidth);
    // The tree's width in twips.
    double SplitterPosition() const;

    // Commands.
    void menuRestoreTray_Click();
    void menuMinimize_Click();
    void menuActive_Click();
    void ctlActive_Click();
    void ctlInactive_Click();

    // Adding, removing and editing items (frmMainEditing.cpp).
    // The "Page Details" dialog for the folder of `node` (a page's own folder; the root
    // when there is no node), then AddPageToFolder.
    void AskAndAddPage(TreeNode* node);
    std::shared_ptr<Page> AddPageToFolder(const std::shared_ptr<ItemList>& folder, const std::string& strURL,
                                          const std::string& strDescription, bool blDetectTitle, int PeriodTime,
                                          dfUnits PeriodUnit, AddFeedback feedback = AddFeedback::Messages) override;
    // The "Folder Details" dialog, then AddSubfolderToFolder.
    void AskAndAddFolder(TreeNode* node);
    std::shared_ptr<Folder> AddSubfolderToFolder(const std::shared_ptr<ItemList>& folder, const std::string& strName,
                                                 const std::string& strDescription, int PeriodTime,
                                                 dfUnits PeriodUnit,
                                                 AddFeedback feedback = AddFeedback::Messages) override;
    // Removes the item of a node (never the root) with the saved copies of its pages and
    // their first-level frames; a folder that is not empty is removed only when the user
    // agrees. Saves the profile when `blSave`.
    void RemoveTreeItem(TreeNode* node, bool blSave);
    // Puts the items of the last removal back where they were, with their saved copies
    // (Ctrl+Z); says "Nothing to restore" when nothing was removed in this session.
    void RestoreRemovedItem();
    // Commits the details panel to the shown item; false (nothing saved) when the URL or
    // name box is empty.
    bool SaveShownItem();
    // Toolbar buttons by key ("AddPage", "AddFolder", "Remove", "Check").
    void ctlTool_ButtonClick(const QString& key);
    void menuProperties_Click();
    void menuPageCopy_Click();
    // The History window of the selected page (none for a folder or no selection).
    void menuHistory_Click();
    // Gives a browser window showing the page "Watch only a part..."; the chosen path
    // becomes the page's element path.
    void AttachWatchPart(BrowserWindow* browser, const std::shared_ptr<Page>& page);
    // Makes the page watch the element of `path` ("" for the whole page) and saves it.
    void SetWatchedPart(const std::shared_ptr<Page>& page, const std::string& path);
    void btnAdvanced_Click();
    // A row of the activity log: text, picture key and, when given, the action and now.
    QTreeWidgetItem* AddLogRow(const QString& text, const QString& picture, const QString& action);
    static constexpr int kMaxLogRows = 1000;

    // Checking (frmMainChecking.cpp). One pass of the check timer over every page.
    void CheckForUpdates();
    // Hands the page to the checker when it is due now; removes it past its last day
    // when it is to be deleted then.
    void CheckPageIfDue(const std::shared_ptr<Page>& page);
    void UpdatePage(const std::shared_ptr<Page>& oPage);
    // Manual checks: a page whatever its state, a folder's active pages, every active page.
    void CheckItemNow(TreeNode* node);
    void CheckFolderNow(const ItemList& folder);
    void CheckAllNow();
    // The manual check of the item with that key ("" for every active page); false, and
    // nothing checked, when no page or folder has the key.
    bool CheckKeyNow(const std::string& key);
    void objUpdater_PageStartCheck(const std::shared_ptr<Page>& oPage);
    void objUpdater_PageUpdated(std::shared_ptr<Page>& oPage, bool blUpdated);
    // Tells the user of the changed page: a desktop notification, or the change popup
    // queued behind any popup still on screen.
    void ShowUpdateNotification(const std::shared_ptr<Page>& page);
    // True when a change is to be told: alerts are on and the window is not the active one.
    bool AlertWanted() const;
    // The alerts made so far; null before the first.
    shell::ChangeAlerts* Alerts() const { return alerts_; }
    // The popup's text was clicked.
    void ShowNotifiedPage(std::shared_ptr<Page> page) { ShowPage(page); }
    // Showing changes (frmMainShow.cpp). Opens the live page in a new browser window with
    // its changes marked; on success the page counts as seen.
    void ShowPage(const std::shared_ptr<Page>& oPage);
    // Shows every updated active page below the folder (or root), skipping inactive folders.
    void ShowFolder(const ItemList& folder);
    // "Show" on a node: a page is shown, a folder or the root shows its updated pages.
    void ShowNode(TreeNode* node);
    // How long a display waits for the browser and for each frame (15 s and 10 s).
    void SetShowLimits(int browserMs, int frameMs) {
        browserWaitMs_ = browserMs;
        frameWaitMs_ = frameMs;
    }
    // The browser windows opened by displays, oldest first; closed ones drop out.
    QList<QWidget*> BrowserWindows() const;

    // The check timer (20 s) and the checker; the checker is null before ActivateMain
    // and after the window was unloaded.
    QTimer* CheckTimer() const { return mdlTimer_; }
    // True while changes to the tree wait for their write to the profile file.
    bool ItemsSavePending() const;
    Updater* objUpdater() const { return objUpdater_.get(); }
    // The schedule's "now"; DateTime::Now unless a test sets another clock.
    void SetClock(Clock clock) { clock_ = std::move(clock); }

    // Profiles, import from bookmarks, the settings dialogs, the software update check and
    // the support windows (frmMainProfiles.cpp).
    void menuLoadProfile_Click();
    void menuSaveProfile_Click();
    void menuDefaultProfile_Click();
    void menuUpdateChecking_Click();
    void menuVisualSettings_Click();
    void menuUpdateSoftware_Click();
    // True when the update server offers a newer version; false on every failure.
    bool IsUpdateSoftware();
    // Asks whether to download the new version and opens the installer's address.
    void DownloadSoftware();
    // Import from the browser's bookmarks (frmMainImport.cpp): into the root, into the
    // selected node, or into a folder node (nothing for a page node or no node).
    void menuImportFavorites_Click();
    void menuAddFavorites_Click();
    void ImportFromFavorites(TreeNode* targetNode);
    // Adds a folder node of the bookmarks with everything below it, or a page node, to
    // `parentItem` (the root when null).
    void ImportFavoritesNode(const std::shared_ptr<ItemList>& parentItem, QTreeWidgetItem* favoritesNode);
    // The profile commands' file chooser: answers the chosen file, or "" when cancelled.
    // By default a file dialog.
    void SetProfileFileChooser(std::function<QString(bool save)> chooser) { profileChooser_ = std::move(chooser); }

    // The program was started hidden (command line "hide"); Restore shows it properly.
    bool StartedHidden() const { return startedHidden_; }
    void SetStartedHidden(bool hidden) { startedHidden_ = hidden; }

    // What tests and the start-up look at.
    ItemTree* Tree() const { return tree_; }
    const PageCollection& Pages() const { return colPages_; }
    Settings& Preferences() const { return *settings_; }
    const std::shared_ptr<Application>& Root() const { return application_; }
    QMenu* TrayMenu() const { return menuSystray_; }
    QMenu* TreeMenu() const { return menuURLList_; }
    QSystemTrayIcon* TrayIcon() const { return trayIcon_; }
    QTreeWidget* ActivityLog() const { return lstStatus_; }
    QAction* Action(const QString& name) const;

signals:
    // The window has been asked to close and has removed its tray icon.
    void Unloaded();
    // The tree has been written to the profile file.
    void ItemsSaved();
    // A check found the page (by its key) updated.
    void PageFoundUpdated(const QString& key);

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    // The item tree and its signals.
    void BuildTree();
    // The least width at which the tree shows a name two folders down.
    int ReadableTreeWidth() const;
    void BuildMenus();
    void BuildTray();
    QAction* AddAction(QMenu* menu, const QString& name, const QString& caption);
    void SetActionVisible(const char* name, bool visible);
    void SetToolButtonEnabled(const char* key, bool enabled);
    void ShowStatusIndicator(bool active);
    void ApplyTreeFont();
    void ctlTree_NodeCheck(QTreeWidgetItem* item);
    void SetActiveDown(TreeNode* node, bool active);
    void SwitchItem(TreeNode* node, bool active, bool blSave);
    void MovedFolderKeys(const std::shared_ptr<Folder>& folder);
    // Sets the window's least size from the controls' needs as the layouts know them.
    void ApplyLeastSize();
    // Remembers the splitter's position for the preferences (normal state only).
    void KeepSplitterPosition();
    // Moves the splitter where the preferences say, or gives the panels their usual width.
    void RestoreSplitterPosition();
    // Sizes the activity log's columns so that its times show whole at the panel's width.
    void FitLogColumns();
    int WindowStateNumber() const;
    // kMinWidth x kMinHeight twips in whole pixels, rounded up.
    static QSize MinimumPixels();
    void Form_Unload();
    void BuildProfileCommands();
    QString ChooseProfileFile(bool save);
    void StartupSoftwareCheck();
    struct ImportRun;
    void BuildCheckCommands();
    void BuildShowCommands();
    // "History..." on a page, and the watched part of a page (frmMainHistory.cpp).
    void BuildHistoryCommands();
    // The history command and the watched element of the item shown in the details panel.
    void ShowHistoryDetails(const Page* page);
    // Ends a display: the wait window goes, the window is enabled and the timer started
    // (once the outermost display ends, when one was started from inside another).
    void EndShow();
    void StartUpdater();
    void StopUpdater();
    void BuildEditCommands();
    void Command(const std::function<void()>& command);
    std::shared_ptr<ItemList> FolderOfNode(TreeNode* node) const;
    void RefusePage(const std::string& url, bool quiet);
    // Deletes a saved copy, but only one inside the cache folder; false otherwise.
    bool RemoveCacheFile(const std::string& path);
    // The saved copy and the copies of all frames below, of a page that was never added.
    void RemoveSavedCopies(const FrameList& item, const std::string& savedFile);
    void RemovePageNode(TreeNode* node);
    // Takes an item out of its parent (a page with its saved copies) and keeps it for
    // RestoreRemovedItem.
    void TakeOut(const std::shared_ptr<Item>& item);
    void KeepOrRemoveCopy(const std::string& path);
    // The list a removed item goes back to: its old parent while that is in the tree.
    std::shared_ptr<ItemList> LiveList(const std::shared_ptr<ItemList>& list) const;
    bool RemoveFolderNode(TreeNode* node);
    void DeleteNode(TreeNode* node);
    void Rename(TreeNode* node, const std::string& newName);
    // Says why the details panel cannot be committed (once per user action), puts the
    // focus back in the URL box and answers false.
    bool RefusePanel(const QString& message);
    // Why the details panel would refuse its URL or name box now; empty when it would not.
    QString PanelRefusal() const;
    // Takes a page past its last day out of the model, the tree and the cache.
    void RemovePageAtEnd(const std::shared_ptr<Page>& page);

    std::shared_ptr<Settings> settings_;
    std::string lastAddFailure_;
    std::shared_ptr<Application> application_;
    PageCollection colPages_;
    std::set<QString> ExpandedKeys_;
    bool resizing_ = false;
    bool startedHidden_ = false;
    bool checkingNodes_ = false;
    bool unloaded_ = false;
    TreeNode* shownNode_ = nullptr;

    // The tree's width in twips to store; 0 until known.
    double splitterTwips_ = 0;

    QWidget* client_ = nullptr;
    QSplitter* splitter_ = nullptr;
    ItemTree* tree_ = nullptr;
    QWidget* ctlDetails_ = nullptr;
    QWidget* frDetails_ = nullptr;
    QLabel* lblDetails_ = nullptr;
    QLabel* lblURL_ = nullptr;
    QLineEdit* txtURL_ = nullptr;
    QLabel* lblDescription_ = nullptr;
    QLineEdit* txtDescription_ = nullptr;
    QLabel* lblCheckEvery_ = nullptr;
    QLineEdit* txtTimePeriod_ = nullptr;
    QComboBox* lstPeriodUnit_ = nullptr;
    QLabel* lblStatusON_ = nullptr;
    QLabel* lblStatusOff_ = nullptr;
    QLabel* lblLastFailure_ = nullptr;
    QLabel* lblElementPath_ = nullptr;
    QPushButton* btnWholePage_ = nullptr;
    QPushButton* btnHistory_ = nullptr;
    QToolButton* ctlActive_ = nullptr;
    QToolButton* ctlInactive_ = nullptr;
    QPushButton* btnAdvanced_ = nullptr;
    bool indicatorActive_ = false;
    bool savingShown_ = false;
    bool panelRefused_ = false;
    QWidget* ctlLog_ = nullptr;
    QTreeWidget* lstStatus_ = nullptr;
    QToolBar* ctlTool_ = nullptr;
    QMenu* menuURLList_ = nullptr;
    QMenu* menuSystray_ = nullptr;
    QSystemTrayIcon* trayIcon_ = nullptr;
    std::map<QString, QAction*> actions_;
    QTimer* mdlTimer_ = nullptr;
    QTimer* placementTimer_ = nullptr;
    QTimer* itemsSaveTimer_ = nullptr;
    std::unique_ptr<Updater> objUpdater_;
    Clock clock_ = DateTime::Now;
    bool checkPassRunning_ = false;
    int showDepth_ = 0;
    int browserWaitMs_ = 15000;
    int frameWaitMs_ = 10000;
    QList<QPointer<QWidget>> browsers_;
    std::function<QString(bool)> profileChooser_;
    ImportRun* importRun_ = nullptr;
    std::unique_ptr<RemovedItems> removed_;
    int removeDepth_ = 0;
    shell::ChangeAlerts* alerts_ = nullptr;
    // Keys of the pages that the file beside the profile says are failing.
    std::set<std::string> failingOnRecord_;
    ActivityLogFile* activityLog_ = nullptr;
};

}  // namespace pelmor::mainwindow
