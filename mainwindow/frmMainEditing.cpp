// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's changes to the item tree: adding pages and folders, removing items
// with their saved copies, committing the details panel, the properties and advanced
// options of a page, and the menu and toolbar commands that lead there.

#include <QAction>
#include <QApplication>
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
#include <optional>

#include "items/Folder.h"
#include "items/Page.h"
#include "mainwindow/ProfilesPart.h"
#include "mainwindow/RemovedItems.h"
#include "mainwindow/frmAddURL.h"
#include "mainwindow/frmMain.h"
#include "mainwindow/frmWait.h"
#include "platform/core/Failure.h"
#include "platform/log/Log.h"
#include "retrieval/InternetHandler.h"
#include "retrieval/Urls.h"
#include "retrieval/Versions.h"
#include "shell/ErrorReport.h"
#include "shell/Pictures.h"

namespace pelmor::mainwindow {

using shell::ReportError;

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

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

// The key an item named `shortKey` would get in `list`.
std::string CandidateKey(const ItemList& list, const std::string& shortKey) {
    if (list.IsApplication()) return shortKey;
    return static_cast<const Folder&>(list).Key() + "\\" + shortKey;
}

// True when the list is the root or a folder that is still in the root's tree.
bool InTree(const ItemList& list, const Application& root) {
    if (list.IsApplication()) return &list == &root;
    const auto& folder = static_cast<const Folder&>(list);
    std::shared_ptr<ItemList> parent = folder.Parent();
    return parent && parent->Items(folder.Key()).get() == &folder && InTree(*parent, root);
}

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
    auto* menuAddPage = new QMenu(tr("Add Page"), this);
    menuAddPage->setObjectName(QStringLiteral("menuAddPageMenu"));
    menuAddPage->menuAction()->setObjectName(QStringLiteral("menuAddPage"));
    actions_[QStringLiteral("menuAddPage")] = menuAddPage->menuAction();
    menuURLList_->insertMenu(active, menuAddPage);
    auto* menuAddURL = AddAction(menuAddPage, QStringLiteral("menuAddURL"), tr("URL..."));
    connect(menuAddURL, &QAction::triggered, this,
            [this] { Command([this] { AskAndAddPage(tree_->currentIndex()); }); });
    auto* menuAddFolder = new QAction(tr("Add Folder..."), this);
    menuAddFolder->setObjectName(QStringLiteral("menuAddFolder"));
    actions_[menuAddFolder->objectName()] = menuAddFolder;
    menuURLList_->insertAction(active, menuAddFolder);
    connect(menuAddFolder, &QAction::triggered, this,
            [this] { Command([this] { AskAndAddFolder(tree_->currentIndex()); }); });
    auto* menuRemoveItem = new QAction(tr("Remove"), this);
    menuRemoveItem->setObjectName(QStringLiteral("menuRemoveItem"));
    actions_[menuRemoveItem->objectName()] = menuRemoveItem;
    menuURLList_->insertAction(active, menuRemoveItem);
    connect(menuRemoveItem, &QAction::triggered, this,
            [this] { Command([this] { RemoveTreeItem(tree_->currentIndex(), true); }); });
    // "Check Now" is made here for its place; the checking commands connect it.
    AddAction(menuURLList_, QStringLiteral("menuCheck"), tr("Check Now"));
    connect(AddAction(menuURLList_, QStringLiteral("menuURLProperties"), tr("Properties...")),
            &QAction::triggered, this, [this] { Command([this] { menuProperties_Click(); }); });

    // The "&Page" menu, before "&Help".
    auto* menuPage = new QMenu(tr("&Page"), menuBar());
    menuPage->setObjectName(QStringLiteral("menuPage"));
    QMenu* menuHelp = menuBar()->findChild<QMenu*>(QStringLiteral("menuHelp"));
    menuBar()->insertMenu(menuHelp ? menuHelp->menuAction() : nullptr, menuPage);
    AddAction(menuPage, QStringLiteral("menuPageCheck"), tr("Check For Update"));
    connect(AddAction(menuPage, QStringLiteral("menuPageAdd"), tr("New...")), &QAction::triggered, this,
            [this] { Command([this] { AskAndAddPage(tree_->currentIndex()); }); });
    QAction* menuPageRemove = AddAction(menuPage, QStringLiteral("menuPageRemove"), tr("Delete"));
    connect(menuPageRemove, &QAction::triggered, this,
            [this] { Command([this] { RemoveTreeItem(tree_->currentIndex(), true); }); });
    QAction* menuPageCopy = AddAction(menuPage, QStringLiteral("menuPageCopy"), tr("Copy"));
    connect(menuPageCopy, &QAction::triggered, this, [this] { Command([this] { menuPageCopy_Click(); }); });
    connect(AddAction(menuPage, QStringLiteral("menuProperties"), tr("Properties...")), &QAction::triggered,
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
    button(QStringLiteral("AddPage"), tr("Add Page"), tr("Add a web page"),
           themed("document-new", QStringLiteral("Page")));
    button(QStringLiteral("AddFolder"), tr("Add Folder"), tr("Add a folder"),
           themed("folder-new", QStringLiteral("Folder")));
    button(QStringLiteral("Remove"), tr("Remove"), tr("Remove the selected item"),
           themed("edit-delete", QStringLiteral("Page")));
    button(QStringLiteral("Check"), tr("Check"), tr("Check for updates now"),
           themed("view-refresh", QStringLiteral("Page")));

    connect(tree_, &ItemTree::DeletePressed, this, [this] { RemoveTreeItem(tree_->currentIndex(), true); });

    // Keys of the whole window: a new page, a check of the selected item, and the last
    // removed item back. A box being edited keeps Ctrl+Z for its own text.
    auto key = [this](const QKeySequence& keys, const char* name, std::function<void()> run) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setObjectName(QString::fromLatin1(name));
        connect(shortcut, &QShortcut::activated, this, [this, run] { Command(run); });
    };
    key(QKeySequence::New, "keyNewPage", [this] { AskAndAddPage(tree_->currentIndex()); });
    key(QKeySequence(Qt::Key_F5), "keyCheck", [this] { CheckItemNow(tree_->currentIndex()); });
    key(QKeySequence::Undo, "keyRestore", [this] { RestoreRemovedItem(); });

    // The details panel is edited in place; leaving a box commits it.
    btnAdvanced_ = new QPushButton(tr("Advanced"), frDetails_);
    btnAdvanced_->setObjectName(QStringLiteral("btnAdvanced"));
    btnAdvanced_->setToolTip(tr("Advanced options"));
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
        const QModelIndex index = tree_->currentIndex();
        if (key == QLatin1String("AddPage"))
            AskAndAddPage(index);
        else if (key == QLatin1String("AddFolder"))
            AskAndAddFolder(index);
        else if (key == QLatin1String("Remove"))
            RemoveTreeItem(index, true);
        else if (key == QLatin1String("Check"))
            CheckItemNow(index);
    } catch (const std::exception&) {
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

std::shared_ptr<ItemList> frmMain::FolderOfNode(const QModelIndex& index) const {
    if (!index.isValid()) return application_;
    if (std::shared_ptr<ItemList> list = model_->ListAt(index)) return list;
    std::shared_ptr<Item> item = model_->ItemAt(index);
    return item ? item->Parent() : nullptr;
}

// ---- adding ---------------------------------------------------------------------------

void frmMain::AskAndAddPage(const QModelIndex& index) {
    try {
        std::shared_ptr<ItemList> folder = FolderOfNode(index);
        if (!folder) return;
        frmAddURL dialog(this);
        dialog.SetPeriod(ListPeriodTime(*folder), ListPeriodUnit(*folder));
        {
            TimerStop timer(mdlTimer_);
            dialog.exec();
        }
        std::string url = dialog.URL();
        if (url.empty()) return;
        // The add holds the check timer itself until its download has ended.
        AddPageToFolder(folder, url, dialog.Description(), dialog.DetectTitle(), dialog.PeriodTime(),
                        dialog.PeriodUnit());
    } catch (const std::exception&) {
        ReportError("AskAndAddPage");
    }
}

void frmMain::AddPageToFolder(const std::shared_ptr<ItemList>& folder, const std::string& typedURL,
                              const std::string& typedDescription, bool detectTitle, int periodTime, dfUnits periodUnit,
                              AddFeedback feedback, PageAdded done) {
    auto answer = [&done](const std::shared_ptr<Page>& page) {
        if (done) done(page);
    };
    lastAddFailure_.clear();
    if (!folder || typedURL.empty() || unloaded_) return answer(nullptr);
    const bool quiet = feedback == AddFeedback::Quiet;
    // While a profile is read or saved the cache folder may change under the add.
    if (profiles_ && profiles_->ProfileBusy()) {
        lastAddFailure_ = "the profile is being loaded or saved";
        statusBar()->showMessage(tr("Pelmor is busy with the profile; try again"));
        return answer(nullptr);
    }
    try {
        InternetHandler handler;
        std::string description = typedDescription;
        if (description.empty() && !detectTitle) description = handler.GetHostFromURL(typedURL);
        std::string url = handler.GetValidURL(typedURL);
        if (url.empty()) url = typedURL;

        if (folder->Items(CandidateKey(*folder, url))) {
            RefusePage(url, quiet);
            return answer(nullptr);
        }

        std::string fileName = FreeCacheFileName(settings_->CacheFolder(), handler.GetFileNameFromURL(url));
        const QString what = Q(detectTitle ? url : description);
        statusBar()->showMessage(tr("Adding %1").arg(what));

        auto* wait = new frmWait(this);
        wait->Animation()->hide();
        wait->SetMessage(tr("Currently adding %1").arg(what));
        wait->setWindowTitle(tr("Adding web page"));
        wait->setWindowState(Qt::WindowNoState);
        wait->SetQuiet(quiet);
        // The window closing ends the add: nothing of it is kept.
        connect(this, &frmMain::Unloaded, wait, &frmWait::Cancel);
        HoldForWork();
        // A disabled window disables its child windows too: the wait window (and its
        // message box) must stay usable.
        wait->setEnabled(true);

        auto page = Page::Create();
        page->SetSavedFile(fileName);
        NewPage request{folder, url, description, detectTitle, periodTime, periodUnit, quiet};
        wait->DownloadURL(page, url, fileName,
                          [this, wait, page, request, what, done](frmWait::Outcome outcome, const std::string& title) {
                              wait->hide();
                              wait->deleteLater();
                              ReleaseForWork();
                              // Nobody may sit in front of the screen for a quiet add.
                              std::optional<shell::QuietErrors> quietErrors;
                              if (request.quiet) quietErrors.emplace();
                              std::shared_ptr<Page> added;
                              if (outcome == frmWait::Outcome::Saved)
                                  added = AddFetchedPage(request, page, title);
                              else
                                  DropFetchedPage(request, page, what, outcome, wait->SaveFailure());
                              if (done) done(added);
                          });
    } catch (const std::exception&) {
        lastAddFailure_ = CurrentFailure("Pelmor").Description();
        ReportError("AddPageToFolder");
        answer(nullptr);
    }
}

void frmMain::HoldForWork(bool disableWindow) {
    if (worksRunning_++ == 0) {
        workTimerWasActive_ = mdlTimer_->isActive();
        mdlTimer_->stop();
    }
    if (disableWindow && disabledForWork_++ == 0) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        setEnabled(false);
    }
}

void frmMain::ReleaseForWork(bool disableWindow) {
    if (disableWindow && --disabledForWork_ == 0) {
        QApplication::restoreOverrideCursor();
        setEnabled(true);
    }
    if (--worksRunning_ == 0 && workTimerWasActive_ && !unloaded_) mdlTimer_->start();
}

void frmMain::DropFetchedPage(const NewPage& request, const std::shared_ptr<Page>& page, const QString& what,
                              frmWait::Outcome outcome, const std::string& saveFailure) {
    // A cancelled download removes its copies itself once it stops.
    if (outcome == frmWait::Outcome::Cancelled) {
        lastAddFailure_ = "the main window was closed";
        log::WriteLog("Not added, the window was closed: " + request.url);
        return;
    }
    editing_->RemoveSavedCopies(*page, page->SavedFile());
    lastAddFailure_ =
        saveFailure.empty() ? std::string() : "the page was fetched but could not be saved: " + saveFailure;
    statusBar()->showMessage(lastAddFailure_.empty() ? frmWait::UnableText(what)
                                                     : tr("Unable to add %1: %2").arg(what, Q(lastAddFailure_)));
    log::WriteLog("Unable to add " + request.url + (lastAddFailure_.empty() ? "" : ": " + lastAddFailure_));
}

std::shared_ptr<Page> frmMain::AddFetchedPage(const NewPage& request, std::shared_ptr<Page> page,
                                              const std::string& title) {
    lastAddFailure_.clear();
    const std::string& url = request.url;
    const std::string fileName = page->SavedFile();
    const std::shared_ptr<ItemList>& folder = request.folder;
    bool committed = false;
    try {
        // The folder may have gone while the page was fetched.
        if (unloaded_ || !InTree(*folder, *application_)) {
            editing_->RemoveSavedCopies(*page, fileName);
            lastAddFailure_ = "the folder was removed meanwhile";
            statusBar()->showMessage(frmWait::UnableText(Q(url)));
            log::WriteLog("Unable to add " + url + ": " + lastAddFailure_);
            return nullptr;
        }
        std::string description = request.description;
        if (request.detectTitle) description = title;
        if (description.empty()) description = InternetHandler().GetHostFromURL(url);

        page->SetDescription(description);
        page->SetURL(url);
        page->SetPeriodTime(ValidPeriod(request.periodTime, request.periodUnit));
        page->SetPeriodUnit(request.periodUnit);
        page->SetActive(ListActive(*folder));
        SetNewPageDefaults(*page, clock_());

        // The address alone was free; with its frames the page may still match one, and
        // another add may have taken the address meanwhile.
        auto item = folder->AddItem(page);
        if (!item) {
            editing_->RemoveSavedCopies(*page, fileName);
            RefusePage(url, request.quiet);
            return nullptr;
        }
        page = std::static_pointer_cast<Page>(item);
        statusBar()->showMessage(tr("%1 added").arg(Q(description)));
        AddLogRow(Q(description), QStringLiteral("Page"), QStringLiteral("Added"));

        model_->ItemAdded(item);
        colPages_.Add(page);
        try {
            SaveItems();
        } catch (...) {
            // Not in the profile file means not added: the tree goes back as it was.
            colPages_.Remove(page->Key());
            folder->RemoveItem(page->Key());
            model_->ItemRemoved(*item);
            throw;
        }
        committed = true;
        SelectRow(model_->IndexOf(*item));
        return page;
    } catch (const std::exception&) {
        if (!committed) editing_->RemoveSavedCopies(*page, fileName);
        lastAddFailure_ = CurrentFailure("Pelmor").Description();
        ReportError("AddPageToFolder");
        return nullptr;
    }
}

void frmMain::RefusePage(const std::string& url, bool quiet) {
    statusBar()->showMessage(tr("Page already exists"));
    log::WriteLog("Page already exists: " + url);
    if (!quiet) InformationBox(this, tr("Page Exists"), tr("Page already exists"));
}

void frmMain::AskAndAddFolder(const QModelIndex& index) {
    try {
        std::shared_ptr<ItemList> folder = FolderOfNode(index);
        if (!folder) return;
        frmAddFolder dialog(this);
        dialog.SetPeriod(ListPeriodTime(*folder), ListPeriodUnit(*folder));
        TimerStop timer(mdlTimer_);
        dialog.exec();
        std::string name = dialog.Name();
        if (name.empty()) return;
        AddSubfolderToFolder(folder, name, dialog.Description(), dialog.PeriodTime(), dialog.PeriodUnit());
    } catch (const std::exception&) {
        ReportError("AskAndAddFolder");
    }
}

std::shared_ptr<Folder> frmMain::AddSubfolderToFolder(const std::shared_ptr<ItemList>& parent,
                                                      const std::string& name, const std::string& description,
                                                      int periodTime, dfUnits periodUnit, AddFeedback feedback) {
    if (!parent || name.empty()) return nullptr;
    TimerStop timer(mdlTimer_);
    try {
        if (parent->Items(CandidateKey(*parent, name))) {
            statusBar()->showMessage(tr("Folder already exists"));
            log::WriteLog("Folder already exists: " + name);
            if (feedback == AddFeedback::Messages)
                InformationBox(this, tr("Folder Exists"), tr("Folder already exists"));
            return nullptr;
        }
        auto folder = Folder::Create();
        folder->SetDescription(description);
        folder->SetName(name);
        folder->SetPeriodTime(ValidPeriod(periodTime, periodUnit));
        folder->SetPeriodUnit(periodUnit);
        folder->SetActive(ListActive(*parent));
        auto item = parent->AddItem(folder);
        if (!item) return nullptr;

        model_->ItemAdded(item);
        // Saved at once: a folder that is only in memory would be lost at the next start.
        try {
            SaveItems();
        } catch (const std::exception&) {
            parent->RemoveItem(item->Key());
            model_->ItemRemoved(*item);
            throw;
        }
        SelectRow(model_->IndexOf(*item));
        statusBar()->showMessage(tr("%1 added").arg(Q(name)));
        AddLogRow(Q(name), QStringLiteral("Folder"), tr("Added"));
        return std::static_pointer_cast<Folder>(item);
    } catch (const std::exception&) {
        ReportError("AddSubfolderToFolder");
        return nullptr;
    }
}

// ---- the editing part ------------------------------------------------------------------

void frmMain::BuildEditingPart() {
    EditingPart::Host host;
    host.saveItems = [this] { SaveItems(); };
    host.logRow = [this](const QString& text, const QString& picture, const QString& action) {
        AddLogRow(text, picture, action);
    };
    host.status = [this](const QString& text) { statusBar()->showMessage(text); };
    host.confirm = [this](const QString& title, const QString& text) {
        QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Yes | QMessageBox::No, this);
        box.setTextFormat(Qt::PlainText);
        return box.exec() == QMessageBox::Yes;
    };
    host.inform = [this](const QString& title, const QString& text) { InformationBox(this, title, text); };
    host.current = [this] { return tree_->currentIndex(); };
    host.select = [this](const QModelIndex& index) { SelectRow(index); };
    host.checkTimer = [this] { return mdlTimer_; };
    host.dialogParent = this;
    editing_ = new EditingPart(application_, *model_, *settings_, colPages_, std::move(host), this);
    connect(editing_, &EditingPart::PageOptionsChanged, this,
            [this](const std::shared_ptr<Page>& page) { ShowHistoryDetails(page.get()); });
}

void frmMain::SelectRow(const QModelIndex& index) {
    // A row added, moved or put back into a collapsed folder is shown, not hidden.
    for (QModelIndex above = index.parent(); above.isValid(); above = above.parent()) tree_->expand(above);
    tree_->setCurrentIndex(index);
    tree_->scrollTo(index);
}

void frmMain::RemoveTreeItem(const QModelIndex& index, bool save) { editing_->RemoveTreeItem(index, save); }

void frmMain::RestoreRemovedItem() { editing_->RestoreRemovedItem(); }

void frmMain::DeleteNode(const Item& item) { editing_->DropRow(item); }

void frmMain::menuProperties_Click() { editing_->ShowProperties(tree_->currentIndex()); }

void frmMain::menuPageCopy_Click() { editing_->CopyURL(tree_->currentIndex()); }

void frmMain::btnAdvanced_Click() { editing_->ShowAdvanced(tree_->currentIndex()); }

// ---- the details panel ----------------------------------------------------------------

bool frmMain::SaveShownItem() {
    if (savingShown_ || !shown_.isValid()) return true;
    savingShown_ = true;
    struct Clear {
        bool& flag;
        ~Clear() { flag = false; }
    } clear{savingShown_};
    try {
        if (const QString refusal = PanelRefusal(); !refusal.isEmpty()) return RefusePanel(refusal);
        EditingPart::PanelInput input;
        input.first = txtURL_->text().trimmed().toStdString();
        input.description = txtDescription_->text().toStdString();
        input.periodText = txtTimePeriod_->text();
        input.unitIndex = lstPeriodUnit_->currentIndex();
        input.active = indicatorActive_;
        const EditingPart::PanelOutcome outcome = editing_->CommitPanel(shown_, input);
        if (outcome.first) txtURL_->setText(Q(*outcome.first));
        txtTimePeriod_->setText(QString::number(outcome.period));
        return true;
    } catch (const std::exception&) {
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

QString frmMain::PanelRefusal() const { return editing_->PanelRefusal(shown_, txtURL_->text()); }

}  // namespace pelmor::mainwindow
