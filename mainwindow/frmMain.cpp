// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <utility>

#include "items/Folder.h"
#include "items/Page.h"
#include "mainwindow/ActivityLogFile.h"
#include "mainwindow/CheckHealth.h"
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

// The margin around the window's controls, in twips.
constexpr double kOuterMargin = 120;
// The row of the details panel that takes its spare height: the last failure, which wraps.
constexpr int kFailureRow = 6;

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

frmMain::frmMain(std::shared_ptr<Settings> settings, std::shared_ptr<Application> application, QWidget* parent)
    : QMainWindow(parent), settings_(std::move(settings)), application_(std::move(application)) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Pelmor"));
    setWindowIcon(shell::AppIcon());
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
        } catch (const std::exception&) {
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
        } catch (const std::exception& error) {
            log::WriteLog(std::string("The profile could not be written as the window went: ") + error.what());
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

void frmMain::BuildTree() {
    model_ = new ItemModel(application_, this);
    model_->SetActiveHandler([this](const QModelIndex& index, bool checked) { ctlTree_NodeCheck(index, checked); });
    tree_ = new ItemTree(splitter_);
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
}

void frmMain::BuildControls() {
    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("client"));
    setCentralWidget(client_);
    auto* clientLayout = new QHBoxLayout(client_);
    clientLayout->setContentsMargins(ToPixels(kOuterMargin), ToPixels(kOuterMargin), ToPixels(kOuterMargin), 0);

    // The tree on the left and the details panel above the activity log on the right.
    splitter_ = new QSplitter(Qt::Horizontal, client_);
    splitter_->setObjectName(QStringLiteral("ctlSplitter"));
    splitter_->setChildrenCollapsible(false);
    clientLayout->addWidget(splitter_);

    BuildTree();
    splitter_->addWidget(tree_);

    auto* right = new QWidget(splitter_);
    right->setObjectName(QStringLiteral("ctlPanels"));
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    splitter_->addWidget(right);

    ctlDetails_ = new QWidget(right);
    ctlDetails_->setObjectName(QStringLiteral("ctlDetails"));
    auto* detailsLayout = new QVBoxLayout(ctlDetails_);
    detailsLayout->setContentsMargins(0, 0, 0, 0);
    lblDetails_ = new QLabel(tr("General Details"), ctlDetails_);
    lblDetails_->setObjectName(QStringLiteral("lblDetails"));
    QFont titleFont = lblDetails_->font();
    titleFont.setBold(true);
    lblDetails_->setFont(titleFont);
    auto* frame = new QFrame(ctlDetails_);
    frame->setObjectName(QStringLiteral("frDetails"));
    frame->setFrameShape(QFrame::StyledPanel);
    frDetails_ = frame;
    detailsLayout->addWidget(lblDetails_);
    detailsLayout->addWidget(frDetails_, 1);

    auto makeLabel = [frame](const char* name, const QString& text) {
        auto* label = new QLabel(text, frame);
        label->setObjectName(QString::fromLatin1(name));
        return label;
    };
    lblURL_ = makeLabel("lblURL", tr("URL:"));
    txtURL_ = new QLineEdit(frame);
    txtURL_->setObjectName(QStringLiteral("txtURL"));
    lblURL_->setBuddy(txtURL_);
    lblDescription_ = makeLabel("lblDescription", tr("Description:"));
    txtDescription_ = new QLineEdit(frame);
    txtDescription_->setObjectName(QStringLiteral("txtDescription"));
    lblDescription_->setBuddy(txtDescription_);
    lblCheckEvery_ = makeLabel("lblCheckEvery", tr("Check Every"));
    txtTimePeriod_ = new QLineEdit(frame);
    txtTimePeriod_->setObjectName(QStringLiteral("txtTimePeriod"));
    // Room for five digits, the most a period can have.
    txtTimePeriod_->setMaximumWidth(txtTimePeriod_->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 16);
    lblCheckEvery_->setBuddy(txtTimePeriod_);
    lstPeriodUnit_ = new QComboBox(frame);
    lstPeriodUnit_->setObjectName(QStringLiteral("lstPeriodUnit"));
    lstPeriodUnit_->addItems({tr("Minutes"), tr("Hours"), tr("Days")});

    lblStatusON_ = makeLabel("lblStatusON", tr("ON"));
    lblStatusOff_ = makeLabel("lblStatusOff", tr("OFF"));
    QFont statusFont = lblStatusON_->font();
    statusFont.setBold(true);
    lblStatusON_->setFont(statusFont);
    lblStatusON_->setStyleSheet(QStringLiteral("color: #108020"));
    lblStatusOff_->setFont(statusFont);
    lblStatusOff_->setStyleSheet(QStringLiteral("color: #707070"));
    auto makeLamp = [this, frame](const char* name, bool on, void (frmMain::*click)()) {
        auto* lamp = new QToolButton(frame);
        lamp->setObjectName(QString::fromLatin1(name));
        lamp->setIcon(shell::LampIcon(on));
        lamp->setToolTip(tr("Active indicator"));
        lamp->setAutoRaise(true);
        connect(lamp, &QToolButton::clicked, this, [this, click] { (this->*click)(); });
        return lamp;
    };
    ctlActive_ = makeLamp("ctlActive", true, &frmMain::ctlActive_Click);
    ctlInactive_ = makeLamp("ctlInactive", false, &frmMain::ctlInactive_Click);

    // Rows: the address or name, the description, the period, the ON/OFF state with
    // "Advanced" beside it, the watched element, the last failure; the commands at the foot
    // (added with their commands) sit below the stretching row.
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
    grid->addLayout(status, 4, 0, 1, 3);
    lblLastFailure_ = makeLabel("lblLastFailure", QString());
    lblLastFailure_->setWordWrap(true);
    lblLastFailure_->setTextFormat(Qt::PlainText);
    lblLastFailure_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblLastFailure_->setStyleSheet(QStringLiteral("color: #A04000"));
    lblLastFailure_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblLastFailure_->setVisible(false);
    grid->addWidget(lblLastFailure_, kFailureRow, 0, 1, 4);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(kFailureRow, 1);

    ctlLog_ = new QWidget(right);
    ctlLog_->setObjectName(QStringLiteral("ctlLog"));
    auto* logLayout = new QVBoxLayout(ctlLog_);
    logLayout->setContentsMargins(0, 0, 0, 0);
    auto* logTitle = new QLabel(tr("Activity Log"), ctlLog_);
    logTitle->setObjectName(QStringLiteral("lblActivityLog"));
    logTitle->setFont(titleFont);
    lstStatus_ = new QTreeWidget(ctlLog_);
    lstStatus_->setObjectName(QStringLiteral("lstStatus"));
    lstStatus_->setRootIsDecorated(false);
    lstStatus_->setColumnCount(3);
    lstStatus_->setHeaderLabels({tr("Page"), tr("Recent Action"), tr("Last Updated")});
    lstStatus_->headerItem()->setData(0, Qt::UserRole, QStringLiteral("Page"));
    lstStatus_->headerItem()->setData(1, Qt::UserRole, QStringLiteral("Status"));
    lstStatus_->headerItem()->setData(2, Qt::UserRole, QStringLiteral("Time"));
    // The last column takes what is left; FitLogColumns sizes the others to the panel.
    lstStatus_->header()->setStretchLastSection(true);
    lstStatus_->header()->setMinimumSectionSize(40);
    lstStatus_->installEventFilter(this);
    logLayout->addWidget(logTitle);
    logLayout->addWidget(lstStatus_, 1);

    rightLayout->addWidget(ctlDetails_);
    rightLayout->addWidget(ctlLog_, 1);

    // The tree takes what the window gains or loses; the panels keep the width the user
    // gave them until the tree is down to its least readable width.
    splitter_->setStretchFactor(0, 1);
    splitter_->setStretchFactor(1, 0);
    // A strut, not a minimum width: the panels' controls may need more (a longer language).
    rightLayout->addStrut(ToPixels(kMinPanelWidth));
    connect(splitter_, &QSplitter::splitterMoved, this, [this] { KeepSplitterPosition(); });

    ctlTool_ = addToolBar(tr("Toolbar"));
    ctlTool_->setObjectName(QStringLiteral("ctlTool"));
    ctlTool_->setMovable(false);
    ctlTool_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    // Buttons join the toolbar with their commands; an empty toolbar stays hidden.
    ctlTool_->setVisible(false);

    ShowStatusIndicator(false);
    ArrangeControls();
    splitter_->setSizes({ToPixels(kFirstStartWidth) - ToPixels(kDefaultPanelWidth), ToPixels(kDefaultPanelWidth)});
}

int frmMain::ReadableTreeWidth() const {
    // A folder's page two levels down with a name of about a dozen characters, beside its
    // check box and picture.
    const int indicator = tree_->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, tree_);
    const int picture = tree_->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, tree_);
    return 3 * tree_->indentation() + indicator + picture + 16 +
           tree_->fontMetrics().horizontalAdvance(QStringLiteral("New Folder (10)"));
}

void frmMain::BuildMenus() {
    QMenu* menuFile = menuBar()->addMenu(tr("&File"));
    menuFile->setObjectName(QStringLiteral("menuFile"));
    connect(AddAction(menuFile, QStringLiteral("menuMinimize"), tr("Minimize To Tray")), &QAction::triggered, this,
            [this] { menuMinimize_Click(); });
    menuFile->addSeparator();
    connect(AddAction(menuFile, QStringLiteral("menuExit"), tr("Exit")), &QAction::triggered, this,
            [this] { close(); });

    QMenu* menuHelp = menuBar()->addMenu(tr("&Help"));
    menuHelp->setObjectName(QStringLiteral("menuHelp"));

    menuURLList_ = new QMenu(tr("URL List"), this);
    menuURLList_->setObjectName(QStringLiteral("menuURLList"));
    QAction* active = AddAction(menuURLList_, QStringLiteral("menuActive"), tr("Active"));
    active->setCheckable(true);
    connect(active, &QAction::triggered, this, [this] { menuActive_Click(); });
}

void frmMain::BuildTray() {
    menuSystray_ = new QMenu(tr("&SysTray"), this);
    menuSystray_->setObjectName(QStringLiteral("menuSystray"));
    connect(AddAction(menuSystray_, QStringLiteral("menuRestoreTray"), tr("&Restore")), &QAction::triggered, this,
            [this] { menuRestoreTray_Click(); });
    // Tray "&Exit" posts the close, so the menu has closed before the window goes.
    connect(AddAction(menuSystray_, QStringLiteral("menuExitTray"), tr("&Exit")), &QAction::triggered, this,
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
    } catch (const std::exception&) {
        Failure failure = CurrentFailure("Pelmor");
        QMessageBox::critical(this, QStringLiteral("Pelmor"), tr("ActivateMain: ") + Q(failure.Description()));
    }
}

void frmMain::ShowMain() {
    try {
        log::WriteLog("ShowMain entered");
    } catch (const std::exception&) {
    }
    resizing_ = true;
    // Each step on its own: a bad stored value must not keep the window from showing.
    auto step = [](auto&& f) {
        try {
            f();
        } catch (const std::exception&) {
        }
    };
    // Before the preferences are loaded the placement is all zero: the window keeps its own.
    const bool placed = !settings_->INIFile().empty();
    QSize wanted;
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
            wanted = kept.size();
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
    // The least size is exact only once the controls are shown (the style sizes them then):
    // a window kept larger than it wanted by an earlier guess of it comes down to it.
    if (wanted.isValid() && windowState() == Qt::WindowNoState) {
        const QSize fitting = wanted.expandedTo(minimumSize()).boundedTo(size());
        if (fitting != size()) resize(fitting);
    }
    step([&] { RestoreSplitterPosition(); });
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
    } catch (const std::exception&) {
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
    } catch (const std::exception&) {
        ReportError("");
    }
}

void frmMain::menuMinimize_Click() {
    setWindowState(windowState() | Qt::WindowMinimized);
    // Without a tray icon a hidden window could not be brought back: it stays minimised.
    if (trayIcon_) hide();
}

// ---- layout ---------------------------------------------------------------------------

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
        ArrangeControls();
        // A window system without a window manager lets the window be made smaller than
        // its least size: it springs back.
        if (WindowStateNumber() == 0 && (width() < minimumWidth() || height() < minimumHeight()))
            resize(size().expandedTo(minimumSize()));
        int state = WindowStateNumber();
        settings_->SetFormWindowState(static_cast<int16_t>(state));
        if (state == 0) {
            settings_->SetFormTop(static_cast<float>(ToTwips(y())));
            settings_->SetFormLeft(static_cast<float>(ToTwips(x())));
            settings_->SetFormHeight(static_cast<float>(ToTwips(height())));
            settings_->SetFormWidth(static_cast<float>(ToTwips(width())));
            if (isVisible()) splitterTwips_ = ToTwips(splitter_->sizes().value(0));
        }
        // Before the preferences are loaded there is nothing to keep: saving then would
        // overwrite the user's preferences with empty values.
        if (!settings_->INIFile().empty()) placementTimer_->start();
        resizing_ = false;
    } catch (const std::exception&) {
        resizing_ = false;
        ReportError("");
    }
}

void frmMain::SavePlacement() {
    try {
        settings_->SavePreferences();
        if (splitterTwips_ > 0) WriteSplitterPosition(settings_->INIFile(), splitterTwips_);
    } catch (const std::exception&) {
        ReportError("");
    }
}

void frmMain::ArrangeControls() {
    // The splitter tells the window's layout of its children's needs only through a posted
    // event: it is told now, so that the least size below is exact.
    splitter_->updateGeometry();
    ApplyLeastSize();
    FitLogColumns();
}

void frmMain::ApplyLeastSize() {
    // The tree's least width follows its font.
    if (const int tree = std::max(ToPixels(kMinTreeWidth), ReadableTreeWidth()); tree != tree_->minimumWidth())
        tree_->setMinimumWidth(tree);
    // Never smaller than kMinWidth x kMinHeight twips, nor than the controls need to be
    // read whole (their needs change with the font, the language and the bars shown).
    QSize least = MinimumPixels();
    if (const QLayout* windowLayout = layout()) least = least.expandedTo(windowLayout->totalMinimumSize());
    if (minimumSize() != least) setMinimumSize(least);
}

bool frmMain::MoveSplitter(double treeWidth) {
    const QList<int> sizes = splitter_->sizes();
    const int total = sizes.value(0) + sizes.value(1);
    const int tree = ToPixels(std::clamp(treeWidth, 0.0, 1e7));
    if (tree < tree_->minimumWidth() || total - tree < splitter_->widget(1)->minimumSizeHint().width()) return false;
    splitter_->setSizes({tree, total - tree});
    KeepSplitterPosition();
    return true;
}

double frmMain::SplitterPosition() const { return ToTwips(splitter_->sizes().value(0)); }

void frmMain::KeepSplitterPosition() {
    if (WindowStateNumber() != 0) return;
    splitterTwips_ = SplitterPosition();
    if (!settings_->INIFile().empty()) placementTimer_->start();
}

void frmMain::RestoreSplitterPosition() {
    const QList<int> sizes = splitter_->sizes();
    const int total = sizes.value(0) + sizes.value(1);
    // The position this window kept last, or else the one in the preferences file.
    const double stored = splitterTwips_ > 0             ? splitterTwips_
                          : settings_->INIFile().empty() ? 0
                                                         : ReadSplitterPosition(settings_->INIFile());
    // Without a stored position the panels open at their usual width.
    int tree = stored > 0 ? ToPixels(stored) : total - ToPixels(kDefaultPanelWidth);
    // A position the window cannot hold (a smaller screen) comes as near as it can.
    tree = std::clamp(tree, tree_->minimumWidth(),
                      std::max(tree_->minimumWidth(), total - splitter_->widget(1)->minimumSizeHint().width()));
    splitter_->setSizes({tree, total - tree});
    if (stored > 0) splitterTwips_ = stored;
}

void frmMain::FitLogColumns() {
    // The time of a row is read whole, even in the bold of an "Updated" row; the page's
    // name gives way (it is elided, and the row's page is also in the tree).
    QFont bold = lstStatus_->font();
    bold.setBold(true);
    const QFontMetrics boldMetrics(bold);
    const int padding = 2 * lstStatus_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, lstStatus_) + 12;
    const int timeWidth = boldMetrics.horizontalAdvance(QStringLiteral("00/00/0000 00:00:00")) + padding;
    const int actionWidth = std::max(lstStatus_->fontMetrics().horizontalAdvance(lstStatus_->headerItem()->text(1)),
                                     boldMetrics.horizontalAdvance(tr("Updated"))) +
                            padding;
    QHeaderView* header = lstStatus_->header();
    header->resizeSection(1, actionWidth);
    header->resizeSection(0, std::max(header->minimumSectionSize(),
                                      lstStatus_->viewport()->width() - actionWidth - timeWidth));
}

// ---- window events --------------------------------------------------------------------

bool frmMain::event(QEvent* event) {
    const bool handled = QMainWindow::event(event);
    // The controls' needs changed (a text, a font, a control shown): the least size follows.
    if (event->type() == QEvent::LayoutRequest) {
        ApplyLeastSize();
        FitLogColumns();
    }
    return handled;
}

void frmMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void frmMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) Form_Resize();
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lstStatus_) {
        if (event->type() == QEvent::Resize) FitLogColumns();
    } else if (watched == txtURL_ || watched == txtDescription_ || watched == txtTimePeriod_ ||
               watched == lstPeriodUnit_) {
        if (event->type() == QEvent::FocusOut &&
            static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason && isEnabled())
            SaveShownItem();
        else if (event->type() == QEvent::FocusIn && watched == txtDescription_)
            QTimer::singleShot(0, txtDescription_, [this] { txtDescription_->selectAll(); });
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
    } catch (const std::exception&) {
        ReportError("");
    }
    emit Unloaded();
}

}  // namespace pelmor::mainwindow
