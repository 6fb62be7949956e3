// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's changes to the item tree: adding pages and folders, removing items
// with their saved copies, committing the details panel, the properties and advanced
// options of a page, and the menu and toolbar commands that lead there.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <algorithm>
#include <filesystem>

#include "items/Folder.h"
#include "items/Page.h"
#include "mainwindow/RemovedItems.h"
#include "mainwindow/frmAddURL.h"
#include "mainwindow/frmMain.h"
#include "mainwindow/frmProperties.h"
#include "mainwindow/frmWait.h"
#include "platform/core/Failure.h"
#include "platform/log/Log.h"
#include "retrieval/InternetHandler.h"
#include "retrieval/Urls.h"
#include "retrieval/Versions.h"
#include "shell/ErrorReport.h"
#include "shell/Pictures.h"
#include "shell/frmAdvanced.h"

namespace pelmor::mainwindow {

using shell::ReportError;

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// Stops the check timer for a change of the tree and starts it again afterwards, when it
// was running before.
class TimerStop {
public:
    explicit TimerStop(QTimer* timer) : timer_(timer), wasActive_(timer && timer->isActive()) {
        if (timer_) timer_->stop();
    }
    ~TimerStop() {
        if (wasActive_) timer_->start();
    }
    TimerStop(const TimerStop&) = delete;
    TimerStop& operator=(const TimerStop&) = delete;

private:
    QTimer* timer_;
    bool wasActive_;
};

// The hourglass pointer while a change is made; the normal one again on every path.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { Restore(); }
    void Restore() {
        if (active_) QApplication::restoreOverrideCursor();
        active_ = false;
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    bool active_ = true;
};

bool ListActive(const ItemList& list) {
    return list.IsApplication() ? static_cast<const Application&>(list).Active()
                                : static_cast<const Folder&>(list).Active();
}

int16_t ListPeriodTime(const ItemList& list) {
    return list.IsApplication() ? static_cast<const Application&>(list).PeriodTime()
                                : static_cast<const Folder&>(list).PeriodTime();
}

dfUnits ListPeriodUnit(const ItemList& list) {
    return list.IsApplication() ? static_cast<const Application&>(list).PeriodUnit()
                                : static_cast<const Folder&>(list).PeriodUnit();
}

TreeNode* ListNode(const ItemList& list) {
    return list.IsApplication() ? NodeOf(static_cast<const Application&>(list))
                                : NodeOf(static_cast<const Folder&>(list));
}

// The key an item named `shortKey` would get in `list`.
std::string CandidateKey(const ItemList& list, const std::string& shortKey) {
    if (list.IsApplication()) return shortKey;
    return static_cast<const Folder&>(list).Key() + "\\" + shortKey;
}

// `text` with every occurrence of `find` (any letter case of ASCII letters) replaced.
std::string ReplaceNoCase(const std::string& text, const std::string& find, const std::string& with) {
    if (find.empty()) return text;
    QString out = Q(text);
    out.replace(Q(find), Q(with), Qt::CaseInsensitive);
    return out.toStdString();
}

bool SameText(const std::string& a, const std::string& b) { return Q(a).compare(Q(b), Qt::CaseInsensitive) == 0; }

void SetPeriodDown(ItemList& list, int16_t periodTime, dfUnits periodUnit) {
    for (const std::shared_ptr<Item>& item : list.Items()) {
        item->SetPeriodTime(periodTime);
        item->SetPeriodUnit(periodUnit);
        if (item->IsFolder()) SetPeriodDown(static_cast<Folder&>(*item), periodTime, periodUnit);
    }
}

void InformationBox(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

}  // namespace

// ---- commands -------------------------------------------------------------------------

void frmMain::BuildEditCommands() {
    // The tree's pop-up menu: "Add Page" (with "URL..."), "Add Folder...", "Remove" before
    // "Active"; "Check Now" and "Properties..." after it.
    QAction* active = Action(QStringLiteral("menuActive"));
    auto* menuAddPage = new QMenu(QStringLiteral("Add Page"), this);
    menuAddPage->setObjectName(QStringLiteral("menuAddPageMenu"));
    menuAddPage->menuAction()->setObjectName(QStringLiteral("menuAddPage"));
    actions_[QStringLiteral("menuAddPage")] = menuAddPage->menuAction();
    menuURLList_->insertMenu(active, menuAddPage);
    auto* menuAddURL = AddAction(menuAddPage, QStringLiteral("menuAddURL"), QStringLiteral("URL..."));
    connect(menuAddURL, &QAction::triggered, this,
            [this] { Command([this] { AskAndAddPage(tree_->SelectedNode()); }); });
    auto* menuAddFolder = new QAction(QStringLiteral("Add Folder..."), this);
    menuAddFolder->setObjectName(QStringLiteral("menuAddFolder"));
    actions_[menuAddFolder->objectName()] = menuAddFolder;
    menuURLList_->insertAction(active, menuAddFolder);
    connect(menuAddFolder, &QAction::triggered, this,
            [this] { Command([this] { AskAndAddFolder(tree_->SelectedNode()); }); });
    auto* menuRemoveItem = new QAction(QStringLiteral("Remove"), this);
    menuRemoveItem->setObjectName(QStringLiteral("menuRemoveItem"));
    actions_[menuRemoveItem->objectName()] = menuRemoveItem;
    menuURLList_->insertAction(active, menuRemoveItem);
    connect(menuRemoveItem, &QAction::triggered, this,
            [this] { Command([this] { RemoveTreeItem(tree_->SelectedNode(), true); }); });
    // "Check Now" is made here for its place; the checking commands connect it.
    AddAction(menuURLList_, QStringLiteral("menuCheck"), QStringLiteral("Check Now"));
    connect(AddAction(menuURLList_, QStringLiteral("menuURLProperties"), QStringLiteral("Properties...")),
            &QAction::triggered, this, [this] { Command([this] { menuProperties_Click(); }); });

    // The "&Page" menu, before "&Help".
    auto* menuPage = new QMenu(QStringLiteral("&Page"), menuBar());
    menuPage->setObjectName(QStringLiteral("menuPage"));
    QMenu* menuHelp = menuBar()->findChild<QMenu*>(QStringLiteral("menuHelp"));
    menuBar()->insertMenu(menuHelp ? menuHelp->menuAction() : nullptr, menuPage);
    AddAction(menuPage, QStringLiteral("menuPageCheck"), QStringLiteral("Check For Update"));
    connect(AddAction(menuPage, QStringLiteral("menuPageAdd"), QStringLiteral("New...")), &QAction::triggered, this,
            [this] { Command([this] { AskAndAddPage(tree_->SelectedNode()); }); });
    QAction* menuPageRemove = AddAction(menuPage, QStringLiteral("menuPageRemove"), QStringLiteral("Delete"));
    connect(menuPageRemove, &QAction::triggered, this,
            [this] { Command([this] { RemoveTreeItem(tree_->SelectedNode(), true); }); });
    QAction* menuPageCopy = AddAction(menuPage, QStringLiteral("menuPageCopy"), QStringLiteral("Copy"));
    connect(menuPageCopy, &QAction::triggered, this, [this] { Command([this] { menuPageCopy_Click(); }); });
    connect(AddAction(menuPage, QStringLiteral("menuProperties"), QStringLiteral("Properties...")), &QAction::triggered,
            this, [this] { Command([this] { menuProperties_Click(); }); });

    // Toolbar buttons by key; each first commits the details panel.
    auto button = [this](const QString& key, const QString& caption, const QString& tip, const QIcon& icon) {
        QAction* action = ctlTool_->addAction(icon, caption);
        action->setData(key);
        action->setObjectName(QStringLiteral("btn") + key);
        action->setToolTip(tip);
        connect(action, &QAction::triggered, this, [this, key] { ctlTool_ButtonClick(key); });
    };
    auto themed = [](const char* name, const QString& fallback) {
        return QIcon::fromTheme(QString::fromLatin1(name), QIcon(shell::TreePicture(fallback)));
    };
    button(QStringLiteral("AddPage"), QStringLiteral("Add Page"), QStringLiteral("Add a web page"),
           themed("document-new", QStringLiteral("Page")));
    button(QStringLiteral("AddFolder"), QStringLiteral("Add Folder"), QStringLiteral("Add a folder"),
           themed("folder-new", QStringLiteral("Folder")));
    button(QStringLiteral("Remove"), QStringLiteral("Remove"), QStringLiteral("Remove the selected item"),
           themed("edit-delete", QStringLiteral("Page")));
    button(QStringLiteral("Check"), QStringLiteral("Check"), QStringLiteral("Check for updates now"),
           themed("view-refresh", QStringLiteral("Page")));

    connect(tree_, &ItemTree::DeletePressed, this, [this] { RemoveTreeItem(tree_->SelectedNode(), true); });

    // Keys of the whole window: a new page, a check of the selected item, and the last
    // removed item back. A box being edited keeps Ctrl+Z for its own text.
    auto key = [this](const QKeySequence& keys, const char* name, std::function<void()> run) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setObjectName(QString::fromLatin1(name));
        connect(shortcut, &QShortcut::activated, this, [this, run] { Command(run); });
    };
    key(QKeySequence::New, "keyNewPage", [this] { AskAndAddPage(tree_->SelectedNode()); });
    key(QKeySequence(Qt::Key_F5), "keyCheck", [this] { CheckItemNow(tree_->SelectedNode()); });
    key(QKeySequence::Undo, "keyRestore", [this] { RestoreRemovedItem(); });

    // The details panel is edited in place; leaving a box commits it.
    btnAdvanced_ = new QPushButton(QStringLiteral("Advanced"), frDetails_);
    btnAdvanced_->setObjectName(QStringLiteral("btnAdvanced"));
    btnAdvanced_->setToolTip(QStringLiteral("Advanced options"));
    connect(btnAdvanced_, &QPushButton::clicked, this, [this] { Command([this] { btnAdvanced_Click(); }); });
    if (auto* grid = qobject_cast<QGridLayout*>(frDetails_->layout()))
        grid->addWidget(btnAdvanced_, 4, 3, Qt::AlignRight);
    for (QWidget* box : {static_cast<QWidget*>(txtURL_), static_cast<QWidget*>(txtDescription_),
                         static_cast<QWidget*>(txtTimePeriod_), static_cast<QWidget*>(lstPeriodUnit_)})
        box->installEventFilter(this);

    // The activity log keeps its newest rows only.
    connect(lstStatus_->model(), &QAbstractItemModel::rowsInserted, this, [this] {
        QTimer::singleShot(0, this, [this] {
            while (lstStatus_->topLevelItemCount() > kMaxLogRows) delete lstStatus_->takeTopLevelItem(0);
        });
    });
}

void frmMain::Command(const std::function<void()>& command) {
    // A menu takes no focus from the details panel: its edits are committed first.
    if (!SaveShownItem()) return;
    command();
}

void frmMain::ctlTool_ButtonClick(const QString& key) {
    try {
        if (!SaveShownItem()) return;
        TreeNode* node = tree_->SelectedNode();
        if (key == QLatin1String("AddPage"))
            AskAndAddPage(node);
        else if (key == QLatin1String("AddFolder"))
            AskAndAddFolder(node);
        else if (key == QLatin1String("Remove"))
            RemoveTreeItem(node, true);
        else if (key == QLatin1String("Check"))
            CheckItemNow(node);
    } catch (...) {
        ReportError("");
    }
}

QTreeWidgetItem* frmMain::AddLogRow(const QString& text, const QString& picture, const QString& action) {
    auto* row = new QTreeWidgetItem(lstStatus_);
    row->setText(0, text);
    row->setIcon(0, shell::TreePicture(picture));
    if (!action.isEmpty()) {
        row->setText(1, action);
        row->setText(2, Q(clock_().FormatGeneral()));
    }
    lstStatus_->scrollToItem(row);
    return row;
}

std::shared_ptr<ItemList> frmMain::FolderOfNode(TreeNode* node) const {
    if (!node) node = tree_->RootNode();
    if (!node) return nullptr;
    if (node->IsRoot()) return node->RootTag();
    if (node->AsFolder()) return std::static_pointer_cast<Folder>(node->ItemTag());
    return node->ItemTag()->Parent();
}

// ---- adding ---------------------------------------------------------------------------

void frmMain::AskAndAddPage(TreeNode* node) {
    try {
        std::shared_ptr<ItemList> folder = FolderOfNode(node);
        if (!folder) return;
        frmAddURL dialog(this);
        dialog.SetPeriod(ListPeriodTime(*folder), ListPeriodUnit(*folder));
        TimerStop timer(mdlTimer_);
        dialog.exec();
        std::string url = dialog.URL();
        if (url.empty()) return;
        AddPageToFolder(folder, url, dialog.Description(), dialog.DetectTitle(), dialog.PeriodTime(),
                        dialog.PeriodUnit());
    } catch (...) {
        ReportError("AskAndAddPage");
    }
}

void frmMain::RemoveSavedCopies(const FrameList& item, const std::string& savedFile) {
    RemoveCacheFile(savedFile);
    for (const std::shared_ptr<Frame>& frame : item.Frames()) {
        RemoveSavedCopies(*frame, frame->SavedFile());
    }
}

bool frmMain::RemoveCacheFile(const std::string& path) {
    if (path.empty()) return true;
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path folder = fs::weakly_canonical(settings_->CacheFolder(), ec);
    fs::path file = ec ? fs::path() : fs::weakly_canonical(fs::absolute(path, ec), ec);
    bool inside = !ec && !folder.empty() && file.parent_path() == folder;
    if (!inside) {
        // A hand-edited or imported profile may name any file: only saved copies go.
        log::WriteLog("Not removed, outside the cache folder: " + path);
        return false;
    }
    InternetHandler handler;
    return handler.RemoveFileFromCache(path);
}

std::shared_ptr<Page> frmMain::AddPageToFolder(const std::shared_ptr<ItemList>& folder, const std::string& strURL,
                                               const std::string& strDescription, bool blDetectTitle, int PeriodTime,
                                               dfUnits PeriodUnit, AddFeedback feedback) {
    lastAddFailure_.clear();
    if (!folder || strURL.empty()) return nullptr;
    const bool quiet = feedback == AddFeedback::Quiet;
    TimerStop timer(mdlTimer_);
    WaitCursor cursor;
    std::unique_ptr<frmWait> wait;
    std::shared_ptr<Page> page;
    bool committed = false;
    // The main window comes back on every path.
    struct Enable {
        QWidget* window;
        ~Enable() { window->setEnabled(true); }
    } enable{this};
    try {
        InternetHandler handler;
        std::string description = strDescription;
        if (description.empty() && !blDetectTitle) description = handler.GetHostFromURL(strURL);
        std::string url = handler.GetValidURL(strURL);
        if (url.empty()) url = strURL;

        if (folder->Items(CandidateKey(*folder, url))) {
            cursor.Restore();
            RefusePage(url, quiet);
            return nullptr;
        }

        std::string fileName = FreeCacheFileName(settings_->CacheFolder(), handler.GetFileNameFromURL(url));
        const QString what = Q(blDetectTitle ? url : description);
        statusBar()->showMessage(QStringLiteral("Adding ") + what);

        wait = std::make_unique<frmWait>(this);
        wait->Animation()->hide();
        wait->SetMessage(QStringLiteral("Currently adding ") + what);
        wait->setWindowTitle(QStringLiteral("Adding web page"));
        wait->setWindowState(Qt::WindowNoState);
        wait->SetQuiet(quiet);
        setEnabled(false);
        // A disabled window disables its child windows too: the wait window (and its
        // message box) must stay usable.
        wait->setEnabled(true);

        page = Page::Create();
        page->SetSavedFile(fileName);
        std::string title;
        bool ok = false;
        wait->DownloadURL(page, url, fileName, title, ok);
        if (!ok) {
            RemoveSavedCopies(*page, fileName);
            setEnabled(true);
            lastAddFailure_ = wait->SaveFailure().empty() ? std::string()
                                                          : "the page was fetched but could not be saved: " +
                                                                wait->SaveFailure();
            wait.reset();
            statusBar()->showMessage(lastAddFailure_.empty() ? frmWait::UnableText(what)
                                                             : QStringLiteral("Unable to add ") + what +
                                                                   QStringLiteral(": ") + Q(lastAddFailure_));
            log::WriteLog("Unable to add " + url + (lastAddFailure_.empty() ? "" : ": " + lastAddFailure_));
            return nullptr;
        }
        wait.reset();
        setEnabled(true);

        if (blDetectTitle) description = title;
        if (description.empty()) description = handler.GetHostFromURL(url);

        page->SetDescription(description);
        page->SetURL(url);
        page->SetPeriodTime(ValidPeriod(PeriodTime, PeriodUnit));
        page->SetPeriodUnit(PeriodUnit);
        page->SetActive(ListActive(*folder));
        SetNewPageDefaults(*page, clock_());

        // The address alone was free; with its frames the page may still match one.
        auto item = folder->AddItem(page);
        if (!item) {
            RemoveSavedCopies(*page, fileName);
            cursor.Restore();
            RefusePage(url, quiet);
            return nullptr;
        }
        page = std::static_pointer_cast<Page>(item);
        statusBar()->showMessage(Q(description) + QStringLiteral(" added"));
        AddLogRow(Q(description), QStringLiteral("Page"), QStringLiteral("Added"));

        TreeNode* parentNode = ListNode(*folder);
        auto* node = new TreeNode(Q(page->Key()), Q(description));
        node->setIcon(0, shell::TreePicture(QStringLiteral("Page")));
        {
            QSignalBlocker block(tree_);
            if (parentNode) parentNode->addChild(node);
            node->Link(item);
            node->SetChecked(parentNode ? parentNode->Checked() : page->Active());
            node->knownChecked = node->Checked();
        }
        colPages_.Add(page);
        try {
            SaveItems();
        } catch (...) {
            // Not in the profile file means not added: the tree goes back as it was.
            colPages_.Remove(page->Key());
            folder->RemoveItem(page->Key());
            delete node;
            throw;
        }
        committed = true;
        if (parentNode) parentNode->setExpanded(true);
        tree_->setCurrentItem(node);
        return page;
    } catch (...) {
        if (page && !committed) RemoveSavedCopies(*page, page->SavedFile());
        lastAddFailure_ = CurrentFailure("Pelmor").Description();
        ReportError("AddPageToFolder");
        return nullptr;
    }
}

void frmMain::RefusePage(const std::string& url, bool quiet) {
    statusBar()->showMessage(QStringLiteral("Page already exists"));
    log::WriteLog("Page already exists: " + url);
    if (!quiet) InformationBox(this, QStringLiteral("Page Exists"), QStringLiteral("Page already exists"));
}

void frmMain::AskAndAddFolder(TreeNode* node) {
    try {
        std::shared_ptr<ItemList> folder = FolderOfNode(node);
        if (!folder) return;
        frmAddFolder dialog(this);
        dialog.SetPeriod(ListPeriodTime(*folder), ListPeriodUnit(*folder));
        TimerStop timer(mdlTimer_);
        dialog.exec();
        std::string name = dialog.Name();
        if (name.empty()) return;
        AddSubfolderToFolder(folder, name, dialog.Description(), dialog.PeriodTime(), dialog.PeriodUnit());
    } catch (...) {
        ReportError("AskAndAddFolder");
    }
}

std::shared_ptr<Folder> frmMain::AddSubfolderToFolder(const std::shared_ptr<ItemList>& parent,
                                                      const std::string& strName, const std::string& strDescription,
                                                      int PeriodTime, dfUnits PeriodUnit, AddFeedback feedback) {
    if (!parent || strName.empty()) return nullptr;
    TimerStop timer(mdlTimer_);
    try {
        if (parent->Items(CandidateKey(*parent, strName))) {
            statusBar()->showMessage(QStringLiteral("Folder already exists"));
            log::WriteLog("Folder already exists: " + strName);
            if (feedback == AddFeedback::Messages)
                InformationBox(this, QStringLiteral("Folder Exists"), QStringLiteral("Folder already exists"));
            return nullptr;
        }
        auto folder = Folder::Create();
        folder->SetDescription(strDescription);
        folder->SetName(strName);
        folder->SetPeriodTime(ValidPeriod(PeriodTime, PeriodUnit));
        folder->SetPeriodUnit(PeriodUnit);
        folder->SetActive(ListActive(*parent));
        auto item = parent->AddItem(folder);
        if (!item) return nullptr;

        TreeNode* parentNode = ListNode(*parent);
        auto* node = new TreeNode(Q(item->Key()), Q(strName));
        node->setIcon(0, shell::TreePicture(QStringLiteral("Folder")));
        {
            QSignalBlocker block(tree_);
            if (parentNode) parentNode->addChild(node);
            node->Link(item);
            node->SetChecked(parentNode ? parentNode->Checked() : folder->Active());
            node->knownChecked = node->Checked();
        }
        // Saved at once: a folder that is only in memory would be lost at the next start.
        try {
            SaveItems();
        } catch (...) {
            parent->RemoveItem(item->Key());
            delete node;
            throw;
        }
        if (parentNode) parentNode->setExpanded(true);
        tree_->setCurrentItem(node);
        statusBar()->showMessage(Q(strName) + QStringLiteral(" added"));
        AddLogRow(Q(strName), QStringLiteral("Folder"), QStringLiteral("Added"));
        return std::static_pointer_cast<Folder>(item);
    } catch (...) {
        ReportError("AddSubfolderToFolder");
        return nullptr;
    }
}

// ---- removing -------------------------------------------------------------------------

void frmMain::RemoveTreeItem(TreeNode* node, bool blSave) {
    if (!node) return;
    // Everything one command removes is restored together.
    const bool outermost = removeDepth_ == 0;
    if (outermost) {
        if (removed_->Empty()) removed_->SetCacheFolder(settings_->CacheFolder());
        removed_->Open();
    }
    ++removeDepth_;
    struct Close {
        frmMain* window;
        bool outermost;
        ~Close() {
            if (--window->removeDepth_ == 0 && outermost) window->removed_->Close();
        }
    } close{this, outermost};
    try {
        WaitCursor cursor;
        TimerStop timer(mdlTimer_);
        const QString text = node->text(0);
        if (node->IsRoot()) return;
        const bool isPage = node->AsPage() != nullptr;
        bool removed = true;
        if (isPage) {
            RemovePageNode(node);
        } else {
            cursor.Restore();
            removed = RemoveFolderNode(node);
        }
        if (blSave) SaveItems();
        // A folder the user chose to keep is not reported as removed.
        if (!removed) return;
        AddLogRow(text, isPage ? QStringLiteral("Page") : QStringLiteral("Folder"), QStringLiteral("Removed"));
        statusBar()->showMessage(text + QStringLiteral(" removed"));
    } catch (...) {
        ReportError("RemoveTreeItem");
    }
}

void frmMain::RemovePageNode(TreeNode* node) {
    auto page = std::static_pointer_cast<Page>(node->ItemTag());
    TakeOut(page);
    DeleteNode(node);
}

void frmMain::KeepOrRemoveCopy(const std::string& path) {
    if (!removed_->Keep(path)) RemoveCacheFile(path);
}

void frmMain::TakeOut(const std::shared_ptr<Item>& item) {
    std::shared_ptr<ItemList> parent = item->Parent();
    if (item->IsPage()) {
        auto page = std::static_pointer_cast<Page>(item);
        // The page's past versions go along, so that no later page of the same copy's
        // name takes them for its own.
        if (!removed_->KeepFolder(HistoryFolder(page->SavedFile()))) RemoveVersions(page->SavedFile());
        KeepOrRemoveCopy(page->SavedFile());
        for (const std::shared_ptr<Frame>& frame : page->Frames()) KeepOrRemoveCopy(frame->SavedFile());
        colPages_.Remove(page->Key());
    }
    if (!parent) return;
    std::optional<std::string> before;
    for (int i = 0; i < parent->ItemsCount(); ++i)
        if (parent->ItemAt(i) == item) {
            if (auto next = parent->ItemAt(i + 1)) before = next->Key();
            break;
        }
    parent->RemoveItem(item->Key());
    removed_->Record({item, parent, before});
}

bool frmMain::RemoveFolderNode(TreeNode* node) {
    auto folder = std::static_pointer_cast<Folder>(node->ItemTag());
    if (folder->ItemsCount() > 0) {
        QMessageBox box(QMessageBox::Information, QStringLiteral("Remove Folder"),
                        QStringLiteral("This folder is not empty. Are you sure you want to remove it?"),
                        QMessageBox::Yes | QMessageBox::No, this);
        if (box.exec() != QMessageBox::Yes) return false;
    }
    while (folder->ItemsCount() > 0) {
        std::shared_ptr<Item> first = folder->ItemAt(0);
        if (TreeNode* child = NodeOf(*first)) {
            RemoveTreeItem(child, false);
        } else {
            TakeOut(first);
        }
        // A sub-folder the user chose to keep stays, and so does this folder.
        if (folder->ItemAt(0) == first) return false;
    }
    TakeOut(folder);
    DeleteNode(node);
    return true;
}

// ---- restoring ------------------------------------------------------------------------

std::shared_ptr<ItemList> frmMain::LiveList(const std::shared_ptr<ItemList>& list) const {
    if (!list || list->IsApplication()) return application_;
    auto folder = std::static_pointer_cast<Folder>(list);
    if (NodeOf(*folder)) return folder;
    // The tree was loaded again since: the folder of the same key, or the root.
    TreeNode* node = tree_->FindNode(Q(folder->Key()));
    std::shared_ptr<ItemList> found = node ? node->AsList() : nullptr;
    return found ? found : application_;
}

void frmMain::RestoreRemovedItem() {
    try {
        std::optional<RemovedItems::Entry> entry = removed_->TakeLast();
        if (!entry || entry->removals.empty()) {
            statusBar()->showMessage(QStringLiteral("Nothing to restore"));
            return;
        }
        TimerStop timer(mdlTimer_);
        std::set<std::string> restored;  // the copies back in place
        std::vector<const RemovedItems::KeptFile*> histories;
        for (const RemovedItems::KeptFile& file : entry->files) {
            std::error_code ec;
            if (std::filesystem::is_directory(file.kept, ec)) {
                histories.push_back(&file);
                continue;
            }
            if (removed_->PutBack(file)) {
                restored.insert(file.original);
                continue;
            }
            // Another page took the name meanwhile: a page's own copy gets a free one.
            for (const RemovedItems::Removal& removal : entry->removals) {
                if (!removal.item->IsPage()) continue;
                auto page = std::static_pointer_cast<Page>(removal.item);
                if (page->SavedFile() != file.original) continue;
                InternetHandler handler;
                RemovedItems::KeptFile moved{
                    FreeCacheFileName(settings_->CacheFolder(), handler.GetFileNameFromURL(page->URL())), file.kept};
                if (removed_->PutBack(moved)) {
                    page->SetSavedFile(moved.original);
                    restored.insert(moved.original);
                }
            }
        }
        // Past versions come back only beside a copy of the same name as before.
        for (const RemovedItems::KeptFile* history : histories) {
            const bool owned = std::any_of(entry->removals.begin(), entry->removals.end(), [&](const auto& removal) {
                return removal.item->IsPage() &&
                       HistoryFolder(static_cast<const Page&>(*removal.item).SavedFile()) == history->original;
            });
            if (owned && removed_->PutBack(*history)) restored.insert(history->original);
        }
        // Newest first: a folder is back before the items that were taken out of it.
        std::shared_ptr<Item> top;
        for (auto removal = entry->removals.rbegin(); removal != entry->removals.rend(); ++removal) {
            std::shared_ptr<ItemList> parent = LiveList(removal->parent);
            std::optional<ItemRef> before;
            if (removal->before && parent->Items(*removal->before)) before = *removal->before;
            std::shared_ptr<Item> added = parent->AddItem(removal->item, before);
            if (!added) {
                // Taken by an item added meanwhile: this one stays removed, copies and all.
                // Only copies that came back are deleted: a name taken meanwhile is
                // another page's copy.
                if (removal->item->IsPage()) {
                    auto page = std::static_pointer_cast<Page>(removal->item);
                    std::vector<std::string> files{page->SavedFile()};
                    for (const std::shared_ptr<Frame>& frame : page->Frames()) files.push_back(frame->SavedFile());
                    for (const std::string& file : files)
                        if (restored.count(file)) RemoveCacheFile(file);
                    if (restored.count(HistoryFolder(page->SavedFile()))) RemoveVersions(page->SavedFile());
                }
                InformationBox(this, QStringLiteral("Item exists"), QStringLiteral("Item already exists"));
                continue;
            }
            if (added->IsFolder()) MovedFolderKeys(std::static_pointer_cast<Folder>(added));
            if (!top) top = added;
            TreeNode* parentNode = ListNode(*parent);
            if (!parentNode) continue;
            LoadItemToTree(parentNode, added);
            TreeNode* node = NodeOf(*added);
            if (!node) continue;
            int position = 0;
            while (position < parent->ItemsCount() && parent->ItemAt(position) != added) ++position;
            QSignalBlocker block(tree_);
            parentNode->takeChild(parentNode->indexOfChild(node));
            parentNode->insertChild(std::min(position, parentNode->childCount()), node);
        }
        SaveItems();
        if (TreeNode* node = top ? NodeOf(*top) : nullptr) {
            const bool page = top->IsPage();
            tree_->setCurrentItem(node);
            AddLogRow(node->text(0), page ? QStringLiteral("Page") : QStringLiteral("Folder"),
                      QStringLiteral("Restored"));
            statusBar()->showMessage(node->text(0) + QStringLiteral(" restored"));
        }
    } catch (...) {
        ReportError("RestoreRemovedItem");
    }
}

void frmMain::DeleteNode(TreeNode* node) {
    if (shownNode_ == node) shownNode_ = nullptr;
    if (tree_->SelectedNode() == node && node->ParentNode()) tree_->setCurrentItem(node->ParentNode());
    delete node;
}

// ---- the details panel ----------------------------------------------------------------

bool frmMain::SaveShownItem() {
    if (savingShown_ || !shownNode_) return true;
    savingShown_ = true;
    struct Clear {
        bool& flag;
        ~Clear() { flag = false; }
    } clear{savingShown_};
    try {
        TreeNode* node = shownNode_;
        const bool root = node->IsRoot();
        Page* page = node->AsPage();
        Folder* folder = node->AsFolder();
        std::string first = txtURL_->text().trimmed().toStdString();
        if (const QString refusal = PanelRefusal(); !refusal.isEmpty()) return RefusePanel(refusal);
        if (page && !SameText(first, page->URL())) {
            // A new address is kept as the page dialog would keep it.
            first = tamsin::WebAddress(first);
            if (!SameText(first, page->URL())) txtURL_->setText(Q(first));
        }

        std::shared_ptr<Item> item = root ? nullptr : node->ItemTag();
        std::shared_ptr<ItemList> parent = item ? item->Parent() : nullptr;
        bool rename = false;
        std::string newKey;
        if (page && !SameText(first, page->URL())) {
            newKey = ReplaceNoCase(page->Key(), page->URL(), first);
            if (parent && parent->Items(newKey)) {
                InformationBox(this, QStringLiteral("Page exists"),
                               QStringLiteral("Page already exists. URL did not change."));
                txtURL_->setText(Q(page->URL()));
            } else {
                rename = true;
            }
        } else if (folder && first != folder->Name()) {
            newKey = ReplaceNoCase(folder->Key(), folder->Name(), first);
            if (parent && parent->Items(newKey) && parent->Items(newKey) != item) {
                InformationBox(this, QStringLiteral("Folder exists"),
                               QStringLiteral("Folder already exists. Folder name did not change."));
                txtURL_->setText(Q(folder->Name()));
            } else {
                rename = true;
            }
        }

        const int unitIndex = lstPeriodUnit_->currentIndex();
        const dfUnits oldUnit = root ? node->RootTag()->PeriodUnit() : item->PeriodUnit();
        const int16_t oldTime = root ? node->RootTag()->PeriodTime() : item->PeriodTime();
        const dfUnits unit = unitIndex >= 0 && unitIndex <= 2 ? static_cast<dfUnits>(unitIndex) : oldUnit;
        const int16_t period = PeriodFromText(txtTimePeriod_->text().toStdString(), unit);
        txtTimePeriod_->setText(QString::number(period));
        const bool periodChanged = period != oldTime || unit != oldUnit;

        bool changed = rename || periodChanged;
        if (root) {
            auto application = node->RootTag();
            application->SetPeriodTime(period);
            application->SetPeriodUnit(unit);
            if (periodChanged) SetPeriodDown(*application, period, unit);
        } else {
            const std::string description = txtDescription_->text().toStdString();
            changed |= description != item->Description() || item->Active() != indicatorActive_;
            item->SetDescription(description);
            item->SetPeriodTime(period);
            item->SetPeriodUnit(unit);
            item->SetActive(indicatorActive_);
            if (folder && periodChanged) SetPeriodDown(*folder, period, unit);
            {
                QSignalBlocker block(tree_);
                if (page) node->setText(0, Q(description));
            }
            if (rename && parent) Rename(node, first);
        }
        if (changed) SaveItems();
        return true;
    } catch (...) {
        ReportError("SaveShownItem");
        return true;
    }
}

bool frmMain::RefusePanel(const QString& message) {
    // One refusal, one message: the focus change and the tree's selection change of a
    // single click both end here.
    if (!panelRefused_) {
        panelRefused_ = true;
        InformationBox(this, QStringLiteral("Pelmor"), message);
        QTimer::singleShot(0, this, [this] { panelRefused_ = false; });
    }
    txtURL_->setFocus();
    return false;
}

QString frmMain::PanelRefusal() const {
    if (!shownNode_ || shownNode_->IsRoot()) return {};
    const std::string text = txtURL_->text().trimmed().toStdString();
    if (text.empty()) return QStringLiteral("URL or folder name cannot be empty.");
    const Page* page = shownNode_->AsPage();
    if (page && !SameText(text, page->URL()) && tamsin::WebAddress(text).empty())
        return QString::fromLatin1(kInvalidURLText);
    return {};
}

void frmMain::Rename(TreeNode* node, const std::string& newName) {
    std::shared_ptr<Item> item = node->ItemTag();
    std::shared_ptr<ItemList> parent = item->Parent();
    // The item goes back where it was: before the item of the node's next sibling.
    std::optional<ItemRef> before;
    if (TreeNode* parentNode = node->ParentNode()) {
        int index = parentNode->indexOfChild(node);
        if (index + 1 < parentNode->childCount())
            if (TreeNode* next = parentNode->Child(index + 1); next && next->ItemTag()) before = next->ItemTag()->Key();
    }
    const std::string oldKey = item->Key();
    std::string oldName;
    auto setName = [&](const std::string& name) {
        if (item->IsPage())
            static_cast<Page&>(*item).SetURL(name);
        else
            static_cast<Folder&>(*item).SetName(name);
    };
    oldName = item->IsPage() ? static_cast<Page&>(*item).URL() : static_cast<Folder&>(*item).Name();
    if (item->IsPage()) colPages_.Remove(oldKey);
    parent->RemoveItem(oldKey);
    setName(newName);
    std::shared_ptr<Item> added = parent->AddItem(item, before);
    if (!added) {
        // Taken after all (a page's key also holds its frames): the old name stays.
        setName(oldName);
        added = parent->AddItem(item, before);
        txtURL_->setText(Q(oldName));
    }
    QSignalBlocker block(tree_);
    added->SetTag(std::any());
    node->Link(added);
    node->SetKey(Q(added->Key()));
    if (added->IsFolder()) {
        node->setText(0, Q(static_cast<Folder&>(*added).Name()));
        MovedFolderKeys(std::static_pointer_cast<Folder>(added));
        colPages_.Clear();
        for (QTreeWidgetItemIterator it(tree_); *it; ++it)
            if ((*it)->type() == TreeNode::kType && static_cast<TreeNode*>(*it)->AsPage())
                colPages_.Add(std::static_pointer_cast<Page>(static_cast<TreeNode*>(*it)->ItemTag()));
    } else {
        colPages_.Add(std::static_pointer_cast<Page>(added));
    }
}

// ---- a page's properties ----------------------------------------------------------------

void frmMain::menuProperties_Click() {
    try {
        TreeNode* node = tree_->SelectedNode();
        Page* page = node ? node->AsPage() : nullptr;
        if (!page) return;
        frmProperties dialog(this);
        dialog.SetProperties(page->Active(), page->Description(), page->URL(), page->SavedDate(), page->PeriodTime(),
                             page->PeriodUnit(), page->LastCheckDate());
        TimerStop timer(mdlTimer_);
        dialog.exec();
    } catch (...) {
        ReportError("");
    }
}

void frmMain::menuPageCopy_Click() {
    TreeNode* node = tree_->SelectedNode();
    if (Page* page = node ? node->AsPage() : nullptr) QGuiApplication::clipboard()->setText(Q(page->URL()));
}

void frmMain::btnAdvanced_Click() {
    try {
        TreeNode* node = tree_->SelectedNode();
        Page* page = node ? node->AsPage() : nullptr;
        if (!page) return;
        shell::frmAdvanced dialog(this);
        dialog.SetStartDate(page->StartDate());
        dialog.SetEndDate(page->EndDate());
        dialog.chkDeleteAtEnd()->setChecked(page->DeleteAtEnd());
        dialog.chkUseInverse()->setChecked(page->UseInverse());
        dialog.chkShowTimeDiff()->setChecked(page->ShowTimeDiff());
        dialog.chkShowPics()->setChecked(page->ShowPics());
        dialog.chkShowNumbers()->setChecked(page->ShowNumbers());
        dialog.SetInsertColor(page->InsertColor());
        dialog.SetUpdateColor(page->UpdateColor());
        dialog.SetElementPath(page->ElementPath());
        TimerStop timer(mdlTimer_);
        dialog.exec();
        if (dialog.Cancelled()) return;
        page->SetStartDate(dialog.StartDate());
        page->SetEndDate(dialog.EndDate());
        page->SetDeleteAtEnd(dialog.chkDeleteAtEnd()->isChecked());
        page->SetUseInverse(dialog.chkUseInverse()->isChecked());
        page->SetShowTimeDiff(dialog.chkShowTimeDiff()->isChecked());
        page->SetShowPics(dialog.chkShowPics()->isChecked());
        page->SetShowNumbers(dialog.chkShowNumbers()->isChecked());
        page->SetInsertColor(dialog.InsertColor());
        page->SetUpdateColor(dialog.UpdateColor());
        page->SetElementPath(dialog.ElementPath());
        SaveItems();
        ShowHistoryDetails(page);
    } catch (...) {
        ReportError("");
    }
}

}  // namespace pelmor::mainwindow
