// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The main window: the item tree with check boxes on the left, the details panel of the
// selected item and the activity log on the right, menus, toolbar, status bar and the
// tray icon. Every change the user makes is saved to the profile file at once.

#include <QMainWindow>
#include <QPersistentModelIndex>
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
#include "mainwindow/CheckingPart.h"
#include "mainwindow/EditingPart.h"
#include "mainwindow/ItemTree.h"
#include "mainwindow/PageCollection.h"
#include "mainwindow/RemovedItems.h"
#include "mainwindow/Schedule.h"
#include "mainwindow/ShowingPart.h"
#include "mainwindow/Updater.h"
#include "mainwindow/frmWait.h"
#include "preferences/Settings.h"

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
class ProfilesPart;
class UpdateCheckPart;

class frmMain : public QMainWindow, public ItemAdder, private CheckingWindow, private ShowingWindow {
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
    // Reads the profile file into the tree (a model reset), creating an empty profile and
    // the cache folder when missing and keeping expanded folders expanded.
    void LoadTree();
    // True when the row's key was expanded when LoadTree last started.
    bool WasExpanded(const QModelIndex& index) const;
    // Paints a row red and bold (or plain) and carries the mark up to its ancestors: a
    // folder stays red while any child is red. Nothing for an invalid row or an item
    // without a row.
    void MarkParentsUpdate(const QModelIndex& index, bool update);
    void MarkParentsUpdate(const Item& item, bool update);
    // Fills the details panel for the item of a row (nothing shown for an invalid one).
    void ShowItem(const QModelIndex& index);
    // The page's last check failure in the details panel (hidden when it never failed).
    void ShowLastFailure(const Page* page);
    // A page whose last check failed shows a warning icon and the reason as its tip.
    void ShowCheckHealth(const Page& page);
    // Every folder above the item shows the warning while a page below it is failing.
    void ShowFolderHealth(const Item& item);
    // The item's row shows it as it is now (and rows below it, and the details panel when
    // it shows the item): after a change made outside the window, such as a bus call.
    void ItemEdited(const std::shared_ptr<Item>& item);
    // The item was taken out of its list outside the window: its row and pages go.
    void ItemTakenOut(const Item& item);
    // Puts back the check outcomes kept beside the profile and shows them (LoadTree).
    void RestoreCheckHealth() { checking_->RestoreCheckHealth(); }
    // Switch checking on or off for an item and everything below it.
    void ActivateItem(const QModelIndex& index, bool save);
    void DeactivateItem(const QModelIndex& index, bool save);
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
    // Moves the dragged row's item relative to the target row, in the items, in the tree
    // and in the profile file.
    void DropNode(const QModelIndex& dragged, const QModelIndex& target, DropPlacement placement);

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
    // The "Page Details" dialog for the folder of a row (a page's own folder; the root
    // for an invalid row), then AddPageToFolder.
    void AskAndAddPage(const QModelIndex& index);
    void AddPageToFolder(const std::shared_ptr<ItemList>& folder, const std::string& url,
                         const std::string& description, bool detectTitle, int periodTime, dfUnits periodUnit,
                         AddFeedback feedback = AddFeedback::Messages, PageAdded done = {}) override;
    // The "Folder Details" dialog, then AddSubfolderToFolder.
    void AskAndAddFolder(const QModelIndex& index);
    std::shared_ptr<Folder> AddSubfolderToFolder(const std::shared_ptr<ItemList>& folder, const std::string& name,
                                                 const std::string& description, int periodTime, dfUnits periodUnit,
                                                 AddFeedback feedback = AddFeedback::Messages) override;
    // Removes the item of a row (never the root) with the saved copies of its pages and
    // their first-level frames; a folder that is not empty is removed only when the user
    // agrees. Saves the profile when `save`.
    void RemoveTreeItem(const QModelIndex& index, bool save);
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

    // Checking (frmMainChecking.cpp), done by the checking part. One pass of the check
    // timer over every page.
    void CheckForUpdates() { checking_->CheckForUpdates(); }
    // Hands the page to the checker when it is due now; removes it past its last day
    // when it is to be deleted then.
    void CheckPageIfDue(const std::shared_ptr<Page>& page) { checking_->CheckPageIfDue(page); }
    void UpdatePage(const std::shared_ptr<Page>& page) { checking_->UpdatePage(page); }
    // Manual checks: a page whatever its state, a folder's active pages, every active page.
    void CheckItemNow(const QModelIndex& index);
    void CheckFolderNow(const ItemList& folder) { checking_->CheckFolderNow(folder); }
    void CheckAllNow() { checking_->CheckAllNow(); }
    // The manual check of the item with that key ("" for every active page); false, and
    // nothing checked, when no page or folder has the key.
    bool CheckKeyNow(const std::string& key);
    // Tells the user of the changed page: a desktop notification, or the change popup
    // queued behind any popup still on screen.
    void ShowUpdateNotification(const std::shared_ptr<Page>& page) { checking_->ShowUpdateNotification(page); }
    // True when a change is to be told: alerts are on and the window is not the active one.
    bool AlertWanted() const { return checking_->AlertWanted(); }
    // The alerts made so far; null before the first.
    shell::ChangeAlerts* Alerts() const { return checking_->Alerts(); }
    // The popup's text was clicked.
    void ShowNotifiedPage(std::shared_ptr<Page> page) { ShowPage(page); }
    // Showing changes (frmMainShow.cpp), done by the showing part. Opens the live page in a
    // new browser window with its changes marked, now or after the display in progress;
    // on success the page counts as seen.
    void ShowPage(const std::shared_ptr<Page>& page) { showing_->ShowPage(page); }
    // Shows every updated active page below the folder (or root), skipping inactive folders.
    void ShowFolder(const ItemList& folder) { showing_->ShowFolder(folder); }
    // "Show" on a row: a page is shown, a folder or the root shows its updated pages.
    void ShowNode(const QModelIndex& index);
    // How long a display waits for the browser and for each frame (15 s and 10 s).
    void SetShowLimits(int browserMs, int frameMs) { showing_->SetLimits(browserMs, frameMs); }
    // The browser windows opened by displays, oldest first; closed ones drop out.
    QList<QWidget*> BrowserWindows() const { return showing_->BrowserWindows(); }
    CheckingPart* Checking() const { return checking_.get(); }
    ShowingPart* Showing() const { return showing_.get(); }

    // The check timer (20 s) and the checker; the checker is null before ActivateMain
    // and after the window was unloaded.
    QTimer* CheckTimer() const { return mdlTimer_; }
    // True while changes to the tree wait for their write to the profile file.
    bool ItemsSavePending() const;
    Updater* objUpdater() const { return checking_->objUpdater(); }
    // The schedule's "now"; DateTime::Now unless a test sets another clock.
    void SetClock(Clock clock) { clock_ = std::move(clock); }

    // Profiles, import from bookmarks, the settings dialogs, the software update check and
    // the support windows (frmMainProfiles.cpp, frmMainImport.cpp); the work is done by
    // the profiles part and the update check part.
    void menuLoadProfile_Click();
    void menuSaveProfile_Click();
    void menuDefaultProfile_Click();
    void menuUpdateChecking_Click();
    void menuVisualSettings_Click();
    void menuUpdateSoftware_Click();
    // Import from the browser's bookmarks: into the root, into the selected node, or into
    // a folder node (nothing for a page node or no node).
    void menuImportFavorites_Click();
    void menuAddFavorites_Click();
    void ImportFromFavorites(const QModelIndex& target);
    // The profile commands' file chooser: answers the chosen file, or "" when cancelled.
    // By default a file dialog.
    void SetProfileFileChooser(std::function<QString(bool save)> chooser);
    ProfilesPart* Profiles() const { return profiles_; }
    UpdateCheckPart* UpdateCheck() const { return updateCheck_; }

    // The program was started hidden (command line "hide"); Restore shows it properly.
    bool StartedHidden() const { return startedHidden_; }
    void SetStartedHidden(bool hidden) { startedHidden_ = hidden; }

    // What tests and the start-up look at.
    ItemTree* Tree() const { return tree_; }
    ItemModel* Model() const { return model_; }
    EditingPart* Editing() const { return editing_; }
    const PageCollection& Pages() const override { return colPages_; }
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
    // The user ticked or unticked a row's check box.
    void ctlTree_NodeCheck(const QModelIndex& index, bool checked);
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
    void StartupSoftwareCheck();
    void BuildCheckCommands();
    void BuildShowCommands();
    // "History..." on a page, and the watched part of a page (frmMainHistory.cpp).
    void BuildHistoryCommands();
    // The history command and the watched element of the item shown in the details panel.
    void ShowHistoryDetails(const Page* page);
    // What the checking and showing parts ask of the window (frmMainChecking.cpp,
    // frmMainShow.cpp).
    bool Holds(const Page& page) const override;
    void PageMarked(const std::shared_ptr<Page>& page, bool updated) override;
    void PageHealthChanged(const Page& page) override;
    void LogRow(const QString& text, const QString& action, RowKind kind, const QString& tip) override;
    void StatusText(const QString& text) override;
    void SaveSoon(bool urgent) override;
    void RemovePage(const std::shared_ptr<Page>& page) override;
    bool UserSeesWindow() const override;
    void ShowUpdatedTrayIcon() override;
    QIcon AlertIcon() const override;
    DateTime Now() const override { return clock_(); }
    void ShowBegins() override;
    void ShowEnds() override;
    void PageShown(const std::shared_ptr<Page>& page) override;
    void BrowserShown(BrowserWindow* browser, const std::shared_ptr<Page>& page) override;
    QWidget* MessageParent() override { return this; }
    void StartUpdater() { checking_->StartUpdater(); }
    void StopUpdater() { checking_->StopUpdater(); }
    void BuildEditCommands();
    // The editing part, lent what it needs of the window.
    void BuildEditingPart();
    // Makes a row the current one, opening the folders above it and scrolling it into view.
    void SelectRow(const QModelIndex& index);
    void Command(const std::function<void()>& command);
    std::shared_ptr<ItemList> FolderOfNode(const QModelIndex& index) const;
    void RefusePage(const std::string& url, bool quiet);
    // An add whose download runs: what it was asked for.
    struct NewPage {
        std::shared_ptr<ItemList> folder;
        std::string url;
        std::string description;
        bool detectTitle = false;
        int periodTime = 0;
        dfUnits periodUnit = dfDay;
        bool quiet = false;
    };
    // While any add downloads, or a part works (a profile read, an import): the check
    // timer stopped, the window disabled. Counted: the last release ends it.
    void HoldForWork(bool disableWindow = true);
    void ReleaseForWork(bool disableWindow = true);
    // The end of an add's download: the page goes into the folder, the tree and the
    // profile file (null when it cannot), or what was saved for it goes again.
    std::shared_ptr<Page> AddFetchedPage(const NewPage& request, std::shared_ptr<Page> page, const std::string& title);
    void DropFetchedPage(const NewPage& request, const std::shared_ptr<Page>& page, const QString& what,
                         frmWait::Outcome outcome, const std::string& saveFailure);
    // Drops the row of an item taken out of its list; the selection moves to its folder.
    void DeleteNode(const Item& item);
    // Says why the details panel cannot be committed (once per user action), puts the
    // focus back in the URL box and answers false.
    bool RefusePanel(const QString& message);
    // Why the details panel would refuse its URL or name box now; empty when it would not.
    QString PanelRefusal() const;

    std::shared_ptr<Settings> settings_;
    std::string lastAddFailure_;
    std::shared_ptr<Application> application_;
    PageCollection colPages_;
    std::set<QString> ExpandedKeys_;
    bool resizing_ = false;
    bool startedHidden_ = false;
    bool unloaded_ = false;
    QPersistentModelIndex shown_;
    bool revertingSelection_ = false;

    // The tree's width in twips to store; 0 until known.
    double splitterTwips_ = 0;

    QWidget* client_ = nullptr;
    ItemModel* model_ = nullptr;
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
    std::unique_ptr<CheckingPart> checking_;
    std::unique_ptr<ShowingPart> showing_;
    // The checking part's timer.
    QTimer* mdlTimer_ = nullptr;
    QTimer* placementTimer_ = nullptr;
    QTimer* itemsSaveTimer_ = nullptr;
    Clock clock_ = DateTime::Now;
    ProfilesPart* profiles_ = nullptr;
    UpdateCheckPart* updateCheck_ = nullptr;
    // A profile the profiles part has read, for the next LoadTree to show.
    std::shared_ptr<Application> preloaded_;
    int worksRunning_ = 0;
    bool workTimerWasActive_ = false;
    int disabledForWork_ = 0;
    EditingPart* editing_ = nullptr;
    ActivityLogFile* activityLog_ = nullptr;
};

}  // namespace pelmor::mainwindow
