// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <utility>

#include "items/Folder.h"
#include "items/Page.h"
#include "mainwindow/CheckHealth.h"
#include "mainwindow/ActivityLogFile.h"
#include "mainwindow/Placement.h"
#include "mainwindow/PlainText.h"
#include "mainwindow/ProfilesPart.h"
#include "platform/core/Failure.h"
#include "platform/core/Folders.h"
#include "platform/log/Log.h"
#include "shell/ErrorReport.h"
#include "shell/Pictures.h"
#include "shell/Twips.h"
#include "shell/frmNotify.h"

namespace pelmor::mainwindow {

using shell::ReportError;
using shell::ToPixels;
using shell::ToTwips;

namespace {

// Gaps of the layout, in twips.
constexpr double kTreeGap = 100;
constexpr double kLogGap = 75;
constexpr double kBottomMargin = 500;
constexpr double kFrameInset = 70;
constexpr double kLogTitle = 300;

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

frmMain::frmMain(std::shared_ptr<Settings> settings, std::shared_ptr<Application> application, QWidget* parent)
    : QMainWindow(parent), settings_(std::move(settings)), application_(std::move(application)) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Pelmor"));
    setWindowIcon(shell::AppIcon());
    treeBox_ = {120, 120, 3000, 5000};
    detailsBox_ = {3220, 120, 5400, 3150};
    logBox_ = {3220, 3345, 5400, 2400};
    // Resizing sends a stream of events; the placement is written once it settles, so a
    // drag does not write (and flush) the preferences file for every step.
    placementTimer_ = new QTimer(this);
    placementTimer_->setSingleShot(true);
    placementTimer_->setInterval(kPlacementSaveDelayMs);
    connect(placementTimer_, &QTimer::timeout, this, [this] { SavePlacement(); });
    itemsSaveTimer_ = new QTimer(this);
    itemsSaveTimer_->setSingleShot(true);
    itemsSaveTimer_->setInterval(kItemsSaveDelayMs);
    connect(itemsSaveTimer_, &QTimer::timeout, this, [this] {
        try {
            SaveItems();
        } catch (...) {
            ReportError("SaveItems");
        }
    });
    BuildControls();
    BuildEditingPart();
    BuildMenus();
    BuildEditCommands();
    BuildTray();
    BuildCheckCommands();
    BuildShowCommands();
    BuildProfileCommands();
    BuildHistoryCommands();
    activityLog_ = new ActivityLogFile(lstStatus_, ActivityLogFile::DefaultPath(), this);
    shell::SetStatusTextSink([this](const QString& text) { statusBar()->showMessage(text); });
}

frmMain::~frmMain() {
    // Changes still waiting for their write are not lost when the window goes without
    // unloading first.
    if (itemsSaveTimer_->isActive()) {
        try {
            SaveItems();
        } catch (...) {
        }
    }
    activityLog_->Flush();
    shell::SetStatusTextSink({});
    ShellTrayDelete();
}

QAction* frmMain::AddAction(QMenu* menu, const QString& name, const QString& caption) {
    auto* action = new QAction(caption, this);
    action->setObjectName(name);
    menu->addAction(action);
    actions_[name] = action;
    return action;
}

QAction* frmMain::Action(const QString& name) const {
    auto it = actions_.find(name);
    return it == actions_.end() ? nullptr : it->second;
}

void frmMain::SetActionVisible(const char* name, bool visible) {
    if (QAction* action = Action(QString::fromLatin1(name))) action->setVisible(visible);
}

void frmMain::SetToolButtonEnabled(const char* key, bool enabled) {
    for (QAction* action : ctlTool_->actions())
        if (action->data().toString() == QLatin1String(key)) action->setEnabled(enabled);
}

void frmMain::BuildControls() {
    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("client"));
    client_->setMouseTracking(true);
    client_->installEventFilter(this);
    setCentralWidget(client_);

    model_ = new ItemModel(application_, this);
    model_->SetActiveHandler([this](const QModelIndex& index, bool checked) { ctlTree_NodeCheck(index, checked); });
    tree_ = new ItemTree(client_);
    tree_->setModel(model_);
    connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current, const QModelIndex& previous) {
                // The refused panel's row selected again: the panel keeps what was typed.
                if (revertingSelection_) return;
                // The panel holds an address or name it refuses: its item stays selected.
                if (const QString refusal = shown_.isValid() && previous == shown_ && current != previous
                                                ? PanelRefusal()
                                                : QString();
                    !refusal.isEmpty()) {
                    RefusePanel(refusal);
                    QTimer::singleShot(0, this, [this] {
                        if (!shown_.isValid()) return;
                        revertingSelection_ = true;
                        tree_->setCurrentIndex(shown_);
                        revertingSelection_ = false;
                    });
                    return;
                }
                ShowItem(current);
            });
    connect(tree_, &ItemTree::DropRequested, this, &frmMain::DropNode);
    connect(tree_, &ItemTree::RightClicked, this, [this](const QModelIndex& index, const QPoint& at) {
        // The "Active" tick shows the row's state as it is now.
        if (QAction* active = Action(QStringLiteral("menuActive")); active && index.isValid())
            active->setChecked(index.data(Qt::CheckStateRole).toInt() == Qt::Checked);
        menuURLList_->popup(at);
    });

    ctlDetails_ = new QWidget(client_);
    ctlDetails_->setObjectName(QStringLiteral("ctlDetails"));
    lblDetails_ = new QLabel(QStringLiteral("General Details"), ctlDetails_);
    lblDetails_->setObjectName(QStringLiteral("lblDetails"));
    QFont titleFont = lblDetails_->font();
    titleFont.setBold(true);
    lblDetails_->setFont(titleFont);
    auto* frame = new QFrame(ctlDetails_);
    frame->setObjectName(QStringLiteral("frDetails"));
    frame->setFrameShape(QFrame::StyledPanel);
    frDetails_ = frame;

    auto makeLabel = [frame](const char* name, const QString& text) {
        auto* label = new QLabel(text, frame);
        label->setObjectName(QString::fromLatin1(name));
        return label;
    };
    lblURL_ = makeLabel("lblURL", QStringLiteral("URL:"));
    txtURL_ = new QLineEdit(frame);
    txtURL_->setObjectName(QStringLiteral("txtURL"));
    lblDescription_ = makeLabel("lblDescription", QStringLiteral("Description:"));
    txtDescription_ = new QLineEdit(frame);
    txtDescription_->setObjectName(QStringLiteral("txtDescription"));
    lblCheckEvery_ = makeLabel("lblCheckEvery", QStringLiteral("Check Every"));
    txtTimePeriod_ = new QLineEdit(frame);
    txtTimePeriod_->setObjectName(QStringLiteral("txtTimePeriod"));
    txtTimePeriod_->setMaximumWidth(70);
    lstPeriodUnit_ = new QComboBox(frame);
    lstPeriodUnit_->setObjectName(QStringLiteral("lstPeriodUnit"));
    lstPeriodUnit_->addItems({QStringLiteral("Minutes"), QStringLiteral("Hours"), QStringLiteral("Days")});

    lblStatusON_ = makeLabel("lblStatusON", QStringLiteral("ON"));
    lblStatusOff_ = makeLabel("lblStatusOff", QStringLiteral("OFF"));
    QFont statusFont = lblStatusON_->font();
    statusFont.setBold(true);
    lblStatusON_->setFont(statusFont);
    lblStatusON_->setStyleSheet(QStringLiteral("color: #108020"));
    lblStatusOff_->setFont(statusFont);
    lblStatusOff_->setStyleSheet(QStringLiteral("color: #707070"));
    ctlActive_ = new QToolButton(frame);
    ctlActive_->setObjectName(QStringLiteral("ctlActive"));
    ctlActive_->setIcon(shell::LampIcon(true));
    ctlActive_->setToolTip(QStringLiteral("Active indicator"));
    ctlActive_->setAutoRaise(true);
    connect(ctlActive_, &QToolButton::clicked, this, [this] { ctlActive_Click(); });
    ctlInactive_ = new QToolButton(frame);
    ctlInactive_->setObjectName(QStringLiteral("ctlInactive"));
    ctlInactive_->setIcon(shell::LampIcon(false));
    ctlInactive_->setToolTip(QStringLiteral("Active indicator"));
    ctlInactive_->setAutoRaise(true);
    connect(ctlInactive_, &QToolButton::clicked, this, [this] { ctlInactive_Click(); });

    auto* grid = new QGridLayout(frame);
    grid->addWidget(lblURL_, 0, 0);
    grid->addWidget(txtURL_, 0, 1, 1, 3);
    grid->addWidget(lblDescription_, 1, 0);
    grid->addWidget(txtDescription_, 1, 1, 1, 3);
    grid->addWidget(lblCheckEvery_, 2, 0);
    grid->addWidget(txtTimePeriod_, 2, 1);
    grid->addWidget(lstPeriodUnit_, 2, 2);
    auto* status = new QHBoxLayout();
    status->addWidget(ctlActive_);
    status->addWidget(ctlInactive_);
    status->addWidget(lblStatusON_);
    status->addWidget(lblStatusOff_);
    status->addStretch(1);
    grid->addLayout(status, 3, 0, 1, 4);
    lblLastFailure_ = makeLabel("lblLastFailure", QString());
    lblLastFailure_->setWordWrap(true);
    lblLastFailure_->setTextFormat(Qt::PlainText);
    lblLastFailure_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblLastFailure_->setStyleSheet(QStringLiteral("color: #A04000"));
    lblLastFailure_->setVisible(false);
    grid->addWidget(lblLastFailure_, 4, 0, 1, 4);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(5, 1);

    ctlLog_ = new QWidget(client_);
    ctlLog_->setObjectName(QStringLiteral("ctlLog"));
    auto* logTitle = new QLabel(QStringLiteral("Activity Log"), ctlLog_);
    logTitle->setObjectName(QStringLiteral("lblActivityLog"));
    logTitle->setFont(titleFont);
    logTitle->setGeometry(0, 0, 200, 18);
    lstStatus_ = new QTreeWidget(ctlLog_);
    lstStatus_->setObjectName(QStringLiteral("lstStatus"));
    lstStatus_->setRootIsDecorated(false);
    lstStatus_->setColumnCount(3);
    lstStatus_->setHeaderLabels(
        {QStringLiteral("Page"), QStringLiteral("Recent Action"), QStringLiteral("Last Updated")});
    lstStatus_->headerItem()->setData(0, Qt::UserRole, QStringLiteral("Page"));
    lstStatus_->headerItem()->setData(1, Qt::UserRole, QStringLiteral("Status"));
    lstStatus_->headerItem()->setData(2, Qt::UserRole, QStringLiteral("Time"));
    // The last column takes what is left; FitLogColumns sizes the others to the panel.
    lstStatus_->header()->setStretchLastSection(true);
    lstStatus_->header()->setMinimumSectionSize(40);

    for (QWidget* w : {static_cast<QWidget*>(ctlDetails_), frDetails_, static_cast<QWidget*>(ctlLog_)}) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }

    ctlTool_ = addToolBar(QStringLiteral("Toolbar"));
    ctlTool_->setObjectName(QStringLiteral("ctlTool"));
    ctlTool_->setMovable(false);
    ctlTool_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    // Buttons join the toolbar with their commands; an empty toolbar stays hidden.
    ctlTool_->setVisible(false);

    ShowStatusIndicator(false);
    PlaceControls();
}

void frmMain::BuildMenus() {
    QMenu* menuFile = menuBar()->addMenu(QStringLiteral("&File"));
    menuFile->setObjectName(QStringLiteral("menuFile"));
    connect(AddAction(menuFile, QStringLiteral("menuMinimize"), QStringLiteral("Minimize To Tray")),
            &QAction::triggered, this, [this] { menuMinimize_Click(); });
    menuFile->addSeparator();
    connect(AddAction(menuFile, QStringLiteral("menuExit"), QStringLiteral("Exit")), &QAction::triggered, this,
            [this] { close(); });

    QMenu* menuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    menuHelp->setObjectName(QStringLiteral("menuHelp"));

    menuURLList_ = new QMenu(QStringLiteral("URL List"), this);
    menuURLList_->setObjectName(QStringLiteral("menuURLList"));
    QAction* active = AddAction(menuURLList_, QStringLiteral("menuActive"), QStringLiteral("Active"));
    active->setCheckable(true);
    connect(active, &QAction::triggered, this, [this] { menuActive_Click(); });
}

void frmMain::BuildTray() {
    menuSystray_ = new QMenu(QStringLiteral("&SysTray"), this);
    menuSystray_->setObjectName(QStringLiteral("menuSystray"));
    connect(AddAction(menuSystray_, QStringLiteral("menuRestoreTray"), QStringLiteral("&Restore")), &QAction::triggered,
            this, [this] { menuRestoreTray_Click(); });
    // Tray "&Exit" posts the close, so the menu has closed before the window goes.
    connect(AddAction(menuSystray_, QStringLiteral("menuExitTray"), QStringLiteral("&Exit")), &QAction::triggered, this,
            [this] { QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection); });
}

// ---- start-up -------------------------------------------------------------------------

void frmMain::ActivateMain() {
    try {
        log::WriteLog("ActivateMain entered");
        settings_->LoadPreferences();
        log::WriteLog("Preferences loaded");
        // Copies kept for undoing removals by a session that ended without deleting them.
        editing_->Removed().SetCacheFolder(settings_->CacheFolder());
        editing_->Removed().Purge();
        if (!startedHidden_) {
            if (ShellTrayAdd())
                log::WriteLog("Tray icon added");
            else
                log::WriteLog("No system tray on this desktop: Pelmor runs without a tray icon");
        }
        if (settings_->SoftwareUpdate()) StartupSoftwareCheck();
        mdlTimer_->start();
        statusBar()->setVisible(settings_->StatusBar());
        ctlTool_->setVisible(settings_->Toolbar() && !ctlTool_->actions().isEmpty());
        log::WriteLog("Before tree loaded");
        LoadTree();
        log::WriteLog("After tree loaded");
        // Keys go to the tree first: arrows walk it and the menu key opens its item menu.
        tree_->setFocus();
        StartUpdater();
        if (settings_->AutoCheck()) CheckAllNow();
    } catch (...) {
        Failure failure = CurrentFailure("Pelmor");
        QMessageBox::critical(this, QStringLiteral("Pelmor"),
                              QStringLiteral("ActivateMain: ") + Q(failure.Description()));
    }
}

void frmMain::ShowMain() {
    try {
        log::WriteLog("ShowMain entered");
    } catch (...) {
    }
    resizing_ = true;
    // Each step on its own: a bad stored value must not keep the window from showing.
    auto step = [](auto&& f) {
        try {
            f();
        } catch (...) {
        }
    };
    // Before the preferences are loaded the placement is all zero: the window keeps its own.
    const bool placed = !settings_->INIFile().empty();
    if (placed)
        step([&] {
            // The stored size may be below the minimum (the defaults are): the window opens
            // at the minimum then. Whatever the file says, the window opens on a screen
            // that exists and no larger than it.
            auto pixels = [](float twips) { return ToPixels(std::clamp(static_cast<double>(twips), -1e7, 1e7)); };
            QSize size = this->size();
            if (settings_->FormWidth() > 0 && settings_->FormHeight() > 0) {
                QSize least = MinimumPixels();
                size = QSize(std::max(pixels(settings_->FormWidth()), least.width()),
                             std::max(pixels(settings_->FormHeight()), least.height()));
                // A first start (the placement never stored) opens large enough to read the
                // tree and both panels, within the screen.
                if (settings_->FormWidth() == kDefaultFormWidth && settings_->FormHeight() == kDefaultFormHeight)
                    size = size.expandedTo(QSize(ToPixels(kFirstStartWidth), ToPixels(kFirstStartHeight)));
            }
            QRect kept = KeptOnScreens(QRect(QPoint(pixels(settings_->FormLeft()), pixels(settings_->FormTop())), size),
                                       AvailableScreens());
            move(kept.topLeft());
            resize(kept.size());
        });
    if (placed)
        step([&] {
            switch (settings_->FormWindowState()) {
                case 2:
                    setWindowState(Qt::WindowMaximized);
                    break;
                default:
                    setWindowState(Qt::WindowNoState);
                    break;
            }
        });
    show();
    // Once shown, the window frame counts too: it stays on the screen as well.
    if (placed && windowState() == Qt::WindowNoState)
        step([&] {
            QRect frame = frameGeometry();
            QRect kept = KeptOnScreens(frame, AvailableScreens());
            if (kept == frame) return;
            QSize margins = frame.size() - size();
            move(kept.topLeft());
            resize(kept.size() - margins);
        });
    raise();
    activateWindow();
    ArrangeControls();
    resizing_ = false;
}

// ---- the tree -------------------------------------------------------------------------

namespace {
// Calls `visit` for every row below `parent`, depth first.
void ForEachRow(const QAbstractItemModel& model, const QModelIndex& parent,
                const std::function<void(const QModelIndex&)>& visit) {
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex child = model.index(row, 0, parent);
        visit(child);
        ForEachRow(model, child, visit);
    }
}
}  // namespace

void frmMain::LoadTree() {
    try {
        log::WriteLog("LoadTree entered");
        setEnabled(false);
        ExpandedKeys_.clear();
        ForEachRow(*model_, QModelIndex(), [this](const QModelIndex& index) {
            std::shared_ptr<Item> item = model_->ItemAt(index);
            if (item && item->IsFolder() && tree_->isExpanded(index))
                ExpandedKeys_.insert(QString::fromStdString(item->Key()).toCaseFolded());
        });
        shown_ = QPersistentModelIndex();

        const std::string& xmlFile = settings_->XMLFile();
        std::error_code ec;
        if (!std::filesystem::exists(xmlFile, ec)) {
            application_->SetActive(true);
            application_->SetPeriodTime(1);
            application_->SetPeriodUnit(dfDay);
            EnsureFolder(std::filesystem::path(xmlFile).parent_path().string());
            SaveItems();
        }
        if (!std::filesystem::is_directory(settings_->CacheFolder(), ec)) EnsureFolder(settings_->CacheFolder());
        try {
            // A profile the profiles part read on another thread is taken as it is.
            if (std::shared_ptr<Application> loaded = std::exchange(preloaded_, nullptr))
                ProfilesPart::TakeTree(application_, *loaded);
            else
                application_->LoadItems(xmlFile);
        } catch (const Failure&) {
            // The rows must not show items the application no longer holds.
            model_->Reset();
            editing_->RebuildPages();
            throw;
        }
        model_->Reset();
        editing_->RebuildPages();
        for (const auto& page : colPages_.All())
            if (page->Updated()) MarkParentsUpdate(*page, true);

        ApplyTreeFont();
        RestoreCheckHealth();
        const QModelIndex root = model_->RootIndex();
        ForEachRow(*model_, root, [this](const QModelIndex& index) {
            if (WasExpanded(index)) tree_->setExpanded(index, true);
        });
        tree_->setCurrentIndex(root);
        tree_->setExpanded(root, true);
        setEnabled(true);
    } catch (const std::exception&) {
        setEnabled(true);
        ReportError("LoadTree");
    }
}

void frmMain::ApplyTreeFont() {
    const Font& f = settings_->TreeFont();
    QFont font = tree_->font();
    if (!f.Name.empty()) font.setFamily(Q(f.Name));
    if (f.Size > 0) font.setPointSizeF(f.Size);
    font.setBold(f.Bold);
    font.setItalic(f.Italic);
    font.setStrikeOut(f.Strikethrough);
    font.setUnderline(f.Underline);
    tree_->setFont(font);
    // Rows carry their own bold flag on top of the tree's font.
    model_->SetFont(font);
}

bool frmMain::WasExpanded(const QModelIndex& index) const {
    std::shared_ptr<Item> item = model_->ItemAt(index);
    return item && ExpandedKeys_.count(QString::fromStdString(item->Key()).toCaseFolded()) > 0;
}

void frmMain::MarkParentsUpdate(const QModelIndex& index, bool update) { editing_->Mark(index, update); }

void frmMain::MarkParentsUpdate(const Item& item, bool update) { MarkParentsUpdate(model_->IndexOf(item), update); }

void frmMain::ItemEdited(const std::shared_ptr<Item>& item) {
    if (!item) return;
    editing_->RebuildPages();
    const QModelIndex index = model_->IndexOf(*item);
    model_->ItemChanged(index, true);
    if (item->IsPage() && static_cast<const Page&>(*item).Updated() != model_->Marked(index))
        MarkParentsUpdate(index, !model_->Marked(index));
    if (index.isValid() && index == shown_) ShowItem(index);
}

void frmMain::ItemTakenOut(const Item& item) {
    DeleteNode(item);
    editing_->RebuildPages();
}

void frmMain::SaveItems() {
    itemsSaveTimer_->stop();
    log::WriteLog("SaveItems entered");
    application_->SaveItems(settings_->XMLFile());
    emit ItemsSaved();
}

bool frmMain::ItemsSavePending() const { return itemsSaveTimer_->isActive(); }

void frmMain::SaveItemsSoon(SaveUrgency urgency) {
    const int delay = urgency == SaveUrgency::Soon ? kItemsSaveDelayMs : kRoutineSaveDelayMs;
    // A pending write is only ever brought forward, never put off.
    if (itemsSaveTimer_->isActive() && itemsSaveTimer_->remainingTime() <= delay) return;
    itemsSaveTimer_->start(delay);
}

void frmMain::ActivateItem(const QModelIndex& index, bool save) { editing_->SwitchItem(index, true, save); }

void frmMain::DeactivateItem(const QModelIndex& index, bool save) { editing_->SwitchItem(index, false, save); }

void frmMain::ctlTree_NodeCheck(const QModelIndex& index, bool checked) {
    if (checked)
        ActivateItem(index, true);
    else
        DeactivateItem(index, true);
    if (index == tree_->currentIndex()) ShowItem(index);
}

void frmMain::DropNode(const QModelIndex& dragged, const QModelIndex& target, DropPlacement placement) {
    editing_->DropNode(dragged, target, placement);
}

// ---- details panel --------------------------------------------------------------------

void frmMain::ShowStatusIndicator(bool active) {
    indicatorActive_ = active;
    lblStatusON_->setVisible(active);
    ctlActive_->setVisible(active);
    lblStatusOff_->setVisible(!active);
    ctlInactive_->setVisible(!active);
}

void frmMain::ShowItem(const QModelIndex& index) {
    try {
        log::WriteLog("ShowItem entered");
        shown_ = index;
        if (!index.isValid()) return;
        const std::shared_ptr<Item> item = model_->ItemAt(index);
        const bool root = model_->IsRoot(index);
        const Page* page = item && item->IsPage() ? static_cast<const Page*>(item.get()) : nullptr;
        const Folder* folder = item && item->IsFolder() ? static_cast<const Folder*>(item.get()) : nullptr;
        const bool active = root ? application_->Active() : item->Active();
        Action(QStringLiteral("menuActive"))->setChecked(active);
        lblDetails_->setText(page ? tr("Page Details") : folder ? tr("Folder Details") : tr("General Details"));
        lblURL_->setText(page ? tr("URL:") : folder ? tr("Folder Name:") : tr("Main:"));
        for (QWidget* w : {static_cast<QWidget*>(lblURL_), static_cast<QWidget*>(txtURL_),
                           static_cast<QWidget*>(lblDescription_), static_cast<QWidget*>(txtDescription_)})
            w->setVisible(!root);
        txtURL_->setText(page ? Q(page->URL()) : folder ? Q(folder->Name()) : QString());
        txtDescription_->setText(root ? QString() : Q(item->Description()));
        // Long texts show their beginning.
        txtURL_->setCursorPosition(0);
        txtDescription_->setCursorPosition(0);
        const int periodTime = root ? application_->PeriodTime() : item->PeriodTime();
        const int periodUnit = root ? application_->PeriodUnit() : item->PeriodUnit();
        txtTimePeriod_->setText(QString::number(periodTime));
        lstPeriodUnit_->setCurrentIndex(periodUnit >= 0 && periodUnit <= 2 ? periodUnit : -1);

        for (const char* name : {"menuShow", "menuPageRemove", "menuActive"}) SetActionVisible(name, true);
        if (btnAdvanced_) btnAdvanced_->setVisible(page != nullptr);
        if (auto* btnShow = findChild<QWidget*>(QStringLiteral("btnShow"))) btnShow->setVisible(true);
        for (const char* name : {"menuProperties", "menuURLProperties", "menuPageCopy"})
            SetActionVisible(name, page != nullptr);
        for (const char* name : {"menuPageAdd", "menuAddPage", "menuAddFolder"}) SetActionVisible(name, !page);
        SetToolButtonEnabled("Remove", !root);
        for (const char* key : {"AddPage", "AddFolder", "Favorites"}) SetToolButtonEnabled(key, !page);

        ShowStatusIndicator(active);
        ShowLastFailure(page);
        ShowHistoryDetails(page);
    } catch (const std::exception&) {
        ReportError("ShowCurrentItem");
    }
}

void frmMain::ShowLastFailure(const Page* page) {
    if (!page || page->LastFailure().empty()) {
        lblLastFailure_->clear();
        lblLastFailure_->setVisible(false);
        return;
    }
    QString when = QString::fromStdString(page->LastFailureDate().FormatGeneral());
    QString why = QString::fromStdString(page->LastFailure());
    lblLastFailure_->setText(page->Failing() ? tr("Last check failed (%1): %2").arg(when, why)
                                             : tr("Last failure (%1): %2").arg(when, why));
    lblLastFailure_->setVisible(true);
}

void frmMain::ShowFolderHealth(const Item& item) { model_->HealthChanged(model_->IndexOf(item)); }

void frmMain::ShowCheckHealth(const Page& page) { model_->HealthChanged(model_->IndexOf(page)); }

void frmMain::ctlActive_Click() {
    const QModelIndex index = tree_->currentIndex();
    if (!index.isValid()) return;
    ShowStatusIndicator(false);
    DeactivateItem(index, true);
    Action(QStringLiteral("menuActive"))->setChecked(false);
}

void frmMain::ctlInactive_Click() {
    const QModelIndex index = tree_->currentIndex();
    if (!index.isValid()) return;
    ShowStatusIndicator(true);
    ActivateItem(index, true);
    Action(QStringLiteral("menuActive"))->setChecked(true);
}

void frmMain::menuActive_Click() {
    const QModelIndex index = tree_->currentIndex();
    if (!index.isValid()) return;
    // The action has already flipped its check mark: it shows the new state.
    if (!Action(QStringLiteral("menuActive"))->isChecked())
        DeactivateItem(index, true);
    else
        ActivateItem(index, true);
    ShowItem(index);
}

// ---- tray -----------------------------------------------------------------------------

bool frmMain::ShellTrayAdd() {
    try {
        if (trayIcon_) return true;
        if (!QSystemTrayIcon::isSystemTrayAvailable()) return false;
        trayIcon_ = new QSystemTrayIcon(windowIcon(), this);
        trayIcon_->setObjectName(QStringLiteral("trayIcon%1").arg(kTrayId));
        trayIcon_->setToolTip(QStringLiteral("Pelmor"));
        trayIcon_->setContextMenu(menuSystray_);
        connect(trayIcon_, &QSystemTrayIcon::activated, this, &frmMain::ctlTray_Activated);
        trayIcon_->show();
        return true;
    } catch (...) {
        ReportError("");
        return false;
    }
}

void frmMain::ctlTray_Activated(QSystemTrayIcon::ActivationReason reason) {
    // Trays of the StatusNotifierItem kind report a single click only, never a double one.
    if (reason == QSystemTrayIcon::DoubleClick ||
        (reason == QSystemTrayIcon::Trigger && shell::TrayIsStatusNotifier())) {
        menuRestoreTray_Click();
    } else if (reason == QSystemTrayIcon::Context && isVisible()) {
        // The tray shows its menu itself; the window comes to the front behind it.
        raise();
        activateWindow();
    }
}

void frmMain::ShellTrayModifyTip(const QIcon& newIcon) {
    if (trayIcon_) trayIcon_->setIcon(newIcon);
}

void frmMain::ShellTrayDelete() {
    if (!trayIcon_) return;
    trayIcon_->hide();
    delete trayIcon_;
    trayIcon_ = nullptr;
}

void frmMain::RefreshTrayIcon() {
    const auto& pages = colPages_.All();
    if (std::none_of(pages.begin(), pages.end(), [](const auto& page) { return page->Updated(); }))
        ShellTrayModifyTip(windowIcon());
}

void frmMain::menuRestoreTray_Click() {
    try {
        if (startedHidden_) {
            ShowMain();
            startedHidden_ = false;
        }
        setWindowState(windowState() & ~Qt::WindowMinimized);
        show();
        raise();
        activateWindow();
    } catch (...) {
        ReportError("");
    }
}

void frmMain::menuMinimize_Click() {
    setWindowState(windowState() | Qt::WindowMinimized);
    // Without a tray icon a hidden window could not be brought back: it stays minimised.
    if (trayIcon_) hide();
}

// ---- layout ---------------------------------------------------------------------------

double frmMain::ScaleWidth() const { return ToTwips(client_->width()); }

double frmMain::ScaleHeight() const {
    // The status bar counts as part of the client area, as the bottom margin expects.
    int statusHeight = statusBar()->isVisibleTo(this) ? statusBar()->height() : 0;
    return ToTwips(client_->height() + statusHeight);
}

double frmMain::GetDistance(const TwipRect& control) const { return ScaleHeight() - (control.Top + control.Height); }

QSize frmMain::MinimumPixels() {
    return QSize(static_cast<int>(std::ceil(kMinWidth / shell::TwipsPerPixel() - 1e-9)),
                 static_cast<int>(std::ceil(kMinHeight / shell::TwipsPerPixel() - 1e-9)));
}

int frmMain::WindowStateNumber() const {
    if (isMinimized()) return 1;
    if (isMaximized() || isFullScreen()) return 2;
    return 0;
}

void frmMain::Form_Resize() {
    try {
        log::WriteLog("FormResize entered");
        if (isMinimized()) {
            if (trayIcon_) hide();
            resizing_ = false;
            return;
        }
        if (resizing_) return;
        resizing_ = true;
        if (WindowStateNumber() == 0) {
            QSize least = MinimumPixels();
            if (width() < least.width() || height() < least.height())
                resize(std::max(width(), least.width()), std::max(height(), least.height()));
        }
        ArrangeControls();
        int state = WindowStateNumber();
        settings_->SetFormWindowState(static_cast<int16_t>(state));
        if (state == 0) {
            settings_->SetFormTop(static_cast<float>(ToTwips(y())));
            settings_->SetFormLeft(static_cast<float>(ToTwips(x())));
            settings_->SetFormHeight(static_cast<float>(ToTwips(height())));
            settings_->SetFormWidth(static_cast<float>(ToTwips(width())));
        }
        // Before the preferences are loaded there is nothing to keep: saving then would
        // overwrite the user's preferences with empty values.
        if (!settings_->INIFile().empty()) placementTimer_->start();
        resizing_ = false;
    } catch (...) {
        resizing_ = false;
        ReportError("");
    }
}

void frmMain::SavePlacement() {
    try {
        settings_->SavePreferences();
    } catch (...) {
        ReportError("");
    }
}

void frmMain::ArrangeControls() {
    double scaleWidth = ScaleWidth();
    double scaleHeight = ScaleHeight();
    detailsBox_.Left = scaleWidth - detailsBox_.Width - kRightMargin;
    logBox_.Left = scaleWidth - logBox_.Width - kRightMargin;
    logBox_.Top = detailsBox_.Bottom() + kLogGap;
    logBox_.Height = std::max(0.0, scaleHeight - kBottomMargin - logBox_.Top);
    treeBox_.Width = std::max(0.0, detailsBox_.Left - kTreeGap - treeBox_.Left);
    treeBox_.Height = std::max(0.0, scaleHeight - kBottomMargin - treeBox_.Top);
    PlaceControls();
}

bool frmMain::MoveSplitter(double x) {
    double scaleWidth = ScaleWidth();
    if (x < treeBox_.Left + kMinTreeWidth || scaleWidth - kRightMargin - x < kMinPanelWidth) return false;
    treeBox_.Width = x - treeBox_.Left;
    detailsBox_.Left = logBox_.Left = x + kTreeGap;
    detailsBox_.Width = logBox_.Width = scaleWidth - kRightMargin - x;
    PlaceControls();
    return true;
}

void frmMain::PlaceControls() {
    auto place = [](QWidget* w, const TwipRect& r) {
        w->setGeometry(ToPixels(r.Left), ToPixels(r.Top), ToPixels(r.Width), ToPixels(r.Height));
    };
    place(tree_, treeBox_);
    place(ctlDetails_, detailsBox_);
    place(ctlLog_, logBox_);
    int titleHeight = ToPixels(kLogTitle);
    lblDetails_->setGeometry(0, 0, ToPixels(detailsBox_.Width), titleHeight);
    frDetails_->setGeometry(0, titleHeight, ToPixels(detailsBox_.Width - kFrameInset),
                            ToPixels(detailsBox_.Height) - titleHeight);
    lstStatus_->setGeometry(0, titleHeight, ToPixels(logBox_.Width - kFrameInset),
                            ToPixels(logBox_.Height - kLogTitle));
    FitLogColumns();
}

void frmMain::FitLogColumns() {
    // The time of a row is read whole, even in the bold of an "Updated" row; the page's
    // name gives way (it is elided, and the row's page is also in the tree).
    QFont bold = lstStatus_->font();
    bold.setBold(true);
    const QFontMetrics boldMetrics(bold);
    const int padding = 2 * lstStatus_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, lstStatus_) + 12;
    const int timeWidth = boldMetrics.horizontalAdvance(QStringLiteral("00/00/0000 00:00:00")) + padding;
    const int actionWidth =
        std::max(lstStatus_->fontMetrics().horizontalAdvance(QStringLiteral("Recent Action")),
                 boldMetrics.horizontalAdvance(QStringLiteral("Updated"))) + padding;
    QHeaderView* header = lstStatus_->header();
    header->resizeSection(1, actionWidth);
    header->resizeSection(0, std::max(header->minimumSectionSize(),
                                      lstStatus_->viewport()->width() - actionWidth - timeWidth));
}

// ---- window events --------------------------------------------------------------------

void frmMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void frmMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) Form_Resize();
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == client_) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        switch (event->type()) {
            case QEvent::MouseButtonPress: {
                double x = ToTwips(mouse->position().toPoint().x());
                if (mouse->button() == Qt::LeftButton && x >= treeBox_.Right() && x <= detailsBox_.Left) {
                    splitterDragging_ = true;
                    client_->setCursor(Qt::SizeHorCursor);
                }
                break;
            }
            case QEvent::MouseMove: {
                double x = ToTwips(mouse->position().toPoint().x());
                if (splitterDragging_)
                    MoveSplitter(x);
                else  // the pointer shows where the splitter can be taken
                    client_->setCursor(x >= treeBox_.Right() && x <= detailsBox_.Left ? Qt::SizeHorCursor
                                                                                     : Qt::ArrowCursor);
                break;
            }
            case QEvent::MouseButtonRelease:
                splitterDragging_ = false;
                client_->setCursor(Qt::ArrowCursor);
                break;
            default:
                break;
        }
    } else if (watched == txtURL_ || watched == txtDescription_ || watched == txtTimePeriod_ ||
               watched == lstPeriodUnit_) {
        if (event->type() == QEvent::FocusOut &&
            static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason && isEnabled())
            SaveShownItem();
        else if (event->type() == QEvent::FocusIn && watched == txtDescription_)
            QTimer::singleShot(0, txtDescription_, [this] { txtDescription_->selectAll(); });
    } else if (event->type() == QEvent::MouseMove && !splitterDragging_) {
        if (auto* widget = qobject_cast<QWidget*>(watched)) widget->setCursor(Qt::ArrowCursor);
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

void frmMain::Form_Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    try {
        log::WriteLog("FormUnload entered");
        if (placementTimer_->isActive()) {
            placementTimer_->stop();
            SavePlacement();
        }
        StopUpdater();
        if (itemsSaveTimer_->isActive()) SaveItems();
        activityLog_->Flush();
        ShellTrayDelete();
        // Removed items can no longer be restored: their kept copies go.
        editing_->Removed().Purge();
        // A popup still on screen would outlive the window it belongs to.
        if (shell::frmNotify::IsShowing()) shell::frmNotify::Instance()->close();
        log::WriteLog("Tray icon removed");
    } catch (...) {
        ReportError("");
    }
    emit Unloaded();
}

}  // namespace pelmor::mainwindow
