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

#include "items/Folder.h"
#include "items/Page.h"
#include "mainwindow/ActivityLogFile.h"
#include "mainwindow/CheckHealth.h"
#include "mainwindow/Placement.h"
#include "mainwindow/PlainText.h"
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

constexpr int kRed = 255;
// The margin around the window's controls, in twips.
constexpr double kOuterMargin = 120;
// The row of the details panel that takes its spare height: the last failure, which wraps.
constexpr int kFailureRow = 6;

QString Q(const std::string& text) { return QString::fromStdString(text); }

bool AnyFrameHasElementPath(const FrameList& frames) {
    for (int i = 1; i <= frames.FramesCount(); ++i)
        if (HasElementPath(*frames.Frames(i))) return true;
    return false;
}

}  // namespace

bool HasElementPath(const Frame& frame) { return !frame.ElementPath().empty() || AnyFrameHasElementPath(frame); }

bool HasElementPath(const Page& page) { return !page.ElementPath().empty() || AnyFrameHasElementPath(page); }

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
        } catch (...) {
            ReportError("SaveItems");
        }
    });
    removed_ = std::make_unique<RemovedItems>(settings_->CacheFolder());
    BuildControls();
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

void frmMain::BuildTree() {
    tree_ = new ItemTree(splitter_);
    connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current, QTreeWidgetItem* previous) {
        // The panel holds an address or name it refuses: its item stays selected.
        if (const QString refusal =
                shownNode_ && previous == shownNode_ && current != previous ? PanelRefusal() : QString();
            !refusal.isEmpty()) {
            RefusePanel(refusal);
            QTimer::singleShot(0, this, [this] {
                if (!shownNode_) return;
                QSignalBlocker block(tree_);
                tree_->setCurrentItem(shownNode_);
            });
            return;
        }
        ShowItem(current && current->type() == TreeNode::kType ? static_cast<TreeNode*>(current) : nullptr);
    });
    connect(tree_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) { ctlTree_NodeCheck(item); });
    connect(tree_, &ItemTree::DropRequested, this, &frmMain::DropNode);
    connect(tree_, &ItemTree::RightClicked, this, [this](TreeNode* node, const QPoint& at) {
        // The "Active" tick shows the node's state as it is now.
        if (QAction* active = Action(QStringLiteral("menuActive")); active && node) active->setChecked(node->Checked());
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
        removed_->SetCacheFolder(settings_->CacheFolder());
        removed_->Purge();
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

void frmMain::LoadTree() {
    try {
        log::WriteLog("LoadTree entered");
        setEnabled(false);
        ExpandedKeys_.clear();
        for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
            if ((*it)->type() != TreeNode::kType) continue;
            auto* node = static_cast<TreeNode*>(*it);
            if (node->isExpanded() && node->AsFolder()) ExpandedKeys_.insert(node->Key().toCaseFolded());
        }
        shownNode_ = nullptr;
        {
            QSignalBlocker block(tree_);
            tree_->clear();
        }
        tree_->setRootIsDecorated(true);
        tree_->setUniformRowHeights(true);

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
        application_->LoadItems(xmlFile);

        colPages_.Clear();
        auto* root = new TreeNode(QStringLiteral("Main"), QStringLiteral("URL List"));
        root->setIcon(0, shell::TreePicture(QStringLiteral("Main")));
        {
            QSignalBlocker block(tree_);
            tree_->addTopLevelItem(root);
            root->Link(application_);
            root->SetChecked(application_->Active());
        }
        for (int i = 1; i <= application_->ItemsCount(); ++i) LoadItemToTree(root, application_->Items(i));

        ApplyTreeFont();
        RestoreCheckHealth();
        tree_->setCurrentItem(root);
        root->setExpanded(true);
        setEnabled(true);
    } catch (...) {
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
    // Nodes carry their own bold flag on top of the tree's font.
    QSignalBlocker block(tree_);
    for (QTreeWidgetItemIterator it(tree_); *it; ++it)
        if ((*it)->type() == TreeNode::kType) {
            auto* node = static_cast<TreeNode*>(*it);
            node->SetBold(node->Bold());
        }
}

void frmMain::LoadItemToTree(TreeNode* parentNode, const std::shared_ptr<Item>& item) {
    try {
        log::WriteLog("LoadItemToTree entered");
        if (!parentNode || !item) return;
        QSignalBlocker block(tree_);
        if (item->IsFolder()) {
            auto folder = std::static_pointer_cast<Folder>(item);
            auto* node = new TreeNode(Q(folder->Key()), Q(folder->Name()));
            node->setIcon(0, shell::TreePicture(QStringLiteral("Folder")));
            parentNode->addChild(node);
            node->Link(item);
            node->SetForeColor(0);
            node->SetBold(false);
            for (int i = 1; i <= folder->ItemsCount(); ++i) LoadItemToTree(node, folder->Items(i));
            if (WasExpanded(node)) node->setExpanded(true);
            node->SetChecked(folder->Active());
        } else {
            auto page = std::static_pointer_cast<Page>(item);
            auto* node = new TreeNode(Q(page->Key()), Q(page->Description()));
            node->setIcon(
                0, shell::TreePicture(HasElementPath(*page) ? QStringLiteral("Element") : QStringLiteral("Page")));
            parentNode->addChild(node);
            node->Link(item);
            colPages_.Add(page);
            if (page->Updated()) {
                MarkParentsUpdate(node, true);
            } else {
                node->SetForeColor(0);
                node->SetBold(false);
            }
            node->SetChecked(page->Active());
        }
    } catch (...) {
        ReportError("LoadItemToTree");
    }
}

bool frmMain::WasExpanded(const TreeNode* node) const {
    return node && ExpandedKeys_.count(node->Key().toCaseFolded()) > 0;
}

void frmMain::MarkParentsUpdate(TreeNode* node, bool blUpdate) {
    if (!node) return;
    QSignalBlocker block(tree_);
    if (blUpdate) {
        node->SetForeColor(kRed);
        node->SetBold(true);
    } else {
        node->SetForeColor(0);
        node->SetBold(settings_->TreeFont().Bold);
    }
    TreeNode* parent = node->ParentNode();
    if (!parent) return;
    if (blUpdate) {
        MarkParentsUpdate(parent, true);
        return;
    }
    for (int i = 0; i < parent->childCount(); ++i) {
        TreeNode* sibling = parent->Child(i);
        if (sibling && sibling->ForeColor() == kRed) return;
    }
    MarkParentsUpdate(parent, false);
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

void frmMain::SetActiveDown(TreeNode* node, bool active) {
    if (!node) return;
    std::shared_ptr<ItemList> list = node->AsList();
    if (node->IsRoot())
        node->RootTag()->SetActive(active);
    else
        node->ItemTag()->SetActive(active);
    node->SetChecked(active);
    if (!list) return;
    // Walks the model, not the tree: every item below changes, and its node follows.
    std::vector<std::shared_ptr<ItemList>> pending{list};
    while (!pending.empty()) {
        auto current = pending.back();
        pending.pop_back();
        for (int i = 1; i <= current->ItemsCount(); ++i) {
            auto child = current->Items(i);
            child->SetActive(active);
            if (TreeNode* childNode = NodeOf(*child)) childNode->SetChecked(active);
            if (child->IsFolder()) pending.push_back(std::static_pointer_cast<Folder>(child));
        }
    }
}

void frmMain::ActivateItem(TreeNode* node, bool blSave) { SwitchItem(node, true, blSave); }

void frmMain::DeactivateItem(TreeNode* node, bool blSave) { SwitchItem(node, false, blSave); }

void frmMain::SwitchItem(TreeNode* node, bool active, bool blSave) {
    // The check boxes change under the handler's feet: it must not take them for clicks.
    checkingNodes_ = true;
    try {
        SetActiveDown(node, active);
        checkingNodes_ = false;
        if (blSave) SaveItems();
    } catch (...) {
        checkingNodes_ = false;
        ReportError("");
    }
}

void frmMain::ctlTree_NodeCheck(QTreeWidgetItem* item) {
    if (checkingNodes_ || !item || item->type() != TreeNode::kType) return;
    auto* node = static_cast<TreeNode*>(item);
    bool checked = node->Checked();
    if (checked == node->knownChecked) return;  // a change of text, colour or font
    node->knownChecked = checked;
    if (checked)
        ActivateItem(node, true);
    else
        DeactivateItem(node, true);
    if (node == tree_->SelectedNode()) ShowItem(node);
}

// ---- drag and drop --------------------------------------------------------------------

void frmMain::DropNode(TreeNode* dragged, TreeNode* target, DropPlacement placement) {
    try {
        if (!dragged || !target || dragged->IsRoot()) return;
        // Refuses a drop onto the dragged node itself and anywhere below it.
        QString draggedPath = ItemTree::FullPath(dragged);
        QString targetPath = ItemTree::FullPath(target);
        if (targetPath.compare(draggedPath, Qt::CaseInsensitive) == 0 ||
            targetPath.startsWith(draggedPath + QLatin1Char('\\'), Qt::CaseInsensitive))
            return;

        std::shared_ptr<Item> item = dragged->ItemTag();
        std::shared_ptr<ItemList> oldParent = item->Parent();
        if (!oldParent) return;

        // Dropped onto a folder, collapsed or not, the item goes inside it.
        if (placement == DropPlacement::On && target->AsPage()) placement = DropPlacement::After;
        if (placement != DropPlacement::On && target->IsRoot()) return;

        TreeNode* newParentNode = placement == DropPlacement::On ? target : target->ParentNode();
        std::shared_ptr<ItemList> newParent = newParentNode ? newParentNode->AsList() : nullptr;
        if (!newParent) return;
        std::optional<ItemRef> before;
        std::optional<ItemRef> after;
        if (placement == DropPlacement::Before) {
            before = target->ItemTag()->Key();
        } else if (placement == DropPlacement::After) {
            after = target->ItemTag()->Key();
        } else if (newParent->ItemsCount() > 0) {
            std::shared_ptr<Item> first = newParent->Items(1);
            if (first == item) return;
            before = first->Key();
        }

        std::string newKey = newParent->IsApplication()
                                 ? item->ShortKey()
                                 : std::static_pointer_cast<Folder>(newParent)->Key() + "\\" + item->ShortKey();
        auto refuse = [this] {
            QMessageBox::information(this, QStringLiteral("Item exists"), QStringLiteral("Item already exists"));
        };
        if (newParent != oldParent && newParent->Items(newKey)) {
            refuse();
            return;
        }

        // Where the item was, so that a refused insertion can put it back.
        std::optional<ItemRef> oldFollower;
        for (int i = 1; i <= oldParent->ItemsCount(); ++i)
            if (oldParent->Items(i) == item) {
                if (auto next = oldParent->Items(i + 1)) oldFollower = next->Key();
                break;
            }
        oldParent->RemoveItem(item->Key());
        std::shared_ptr<Item> added;
        try {
            added = newParent->AddItem(item, before, after);
        } catch (...) {
            oldParent->AddItem(item, oldFollower);
            throw;
        }
        if (!added) {
            oldParent->AddItem(item, oldFollower);
            refuse();
            return;
        }

        // The same move in the tree, keeping the expanded folders of the moved branch open.
        std::vector<QTreeWidgetItem*> expanded;
        for (QTreeWidgetItemIterator it(dragged); *it; ++it) {
            if (*it != dragged && !ItemTree::FullPath(*it).startsWith(draggedPath, Qt::CaseInsensitive)) break;
            if ((*it)->isExpanded()) expanded.push_back(*it);
        }
        TreeNode* oldParentNode = dragged->ParentNode();
        {
            QSignalBlocker block(tree_);
            oldParentNode->removeChild(dragged);
            int index = 0;
            if (placement == DropPlacement::Before) index = newParentNode->indexOfChild(target);
            if (placement == DropPlacement::After) index = newParentNode->indexOfChild(target) + 1;
            newParentNode->insertChild(index, dragged);
            for (QTreeWidgetItem* node : expanded) node->setExpanded(true);
            added->SetTag(std::any());
            dragged->Link(added);
            dragged->SetKey(Q(added->Key()));
            if (added->IsFolder()) MovedFolderKeys(std::static_pointer_cast<Folder>(added));
        }
        // The red mark follows the moved branch: its new folders turn red, and the old
        // folder turns plain when nothing red is left in it.
        if (dragged->ForeColor() == kRed) MarkParentsUpdate(dragged, true);
        bool oldStillRed = false;
        for (int i = 0; i < oldParentNode->childCount(); ++i)
            if (oldParentNode->Child(i)->ForeColor() == kRed) oldStillRed = true;
        if (oldParentNode->ForeColor() == kRed && !oldStillRed) MarkParentsUpdate(oldParentNode, false);

        colPages_.Clear();
        for (QTreeWidgetItemIterator it(tree_); *it; ++it)
            if ((*it)->type() == TreeNode::kType && static_cast<TreeNode*>(*it)->AsPage())
                colPages_.Add(std::static_pointer_cast<Page>(static_cast<TreeNode*>(*it)->ItemTag()));
        tree_->setCurrentItem(dragged);
        SaveItems();
    } catch (...) {
        ReportError("");
    }
}

void frmMain::MovedFolderKeys(const std::shared_ptr<Folder>& folder) {
    // Keys of the items below a folder start with the folder's key; after a move they are
    // given again by adding the items anew, in their order.
    std::vector<std::shared_ptr<Item>> children;
    for (int i = 1; i <= folder->ItemsCount(); ++i) children.push_back(folder->Items(i));
    while (folder->ItemsCount() > 0) folder->RemoveItem(1);
    for (const auto& child : children) {
        if (!folder->AddItem(child))
            throw Failure(err::kInvalidProcedureCall, "Pelmor", "Cannot give a new key to " + child->Key());
        if (TreeNode* node = NodeOf(*child)) node->SetKey(Q(child->Key()));
        if (child->IsFolder()) MovedFolderKeys(std::static_pointer_cast<Folder>(child));
    }
}

// ---- details panel --------------------------------------------------------------------

void frmMain::ShowStatusIndicator(bool active) {
    indicatorActive_ = active;
    lblStatusON_->setVisible(active);
    ctlActive_->setVisible(active);
    lblStatusOff_->setVisible(!active);
    ctlInactive_->setVisible(!active);
}

void frmMain::ShowItem(TreeNode* node) {
    try {
        log::WriteLog("ShowItem entered");
        shownNode_ = node;
        if (!node) return;
        Action(QStringLiteral("menuActive"))->setChecked(node->Checked());
        const Page* page = node->AsPage();
        const Folder* folder = node->AsFolder();
        const bool root = node->IsRoot();
        lblDetails_->setText(page ? tr("Page Details") : folder ? tr("Folder Details") : tr("General Details"));
        lblURL_->setText(page ? tr("URL:") : folder ? tr("Folder Name:") : tr("Main:"));
        for (QWidget* w : {static_cast<QWidget*>(lblURL_), static_cast<QWidget*>(txtURL_),
                           static_cast<QWidget*>(lblDescription_), static_cast<QWidget*>(txtDescription_)})
            w->setVisible(!root);
        txtURL_->setText(page ? Q(page->URL()) : folder ? Q(folder->Name()) : QString());
        txtDescription_->setText(root ? QString() : Q(node->ItemTag()->Description()));
        // Long texts show their beginning.
        txtURL_->setCursorPosition(0);
        txtDescription_->setCursorPosition(0);
        int periodTime = root ? node->RootTag()->PeriodTime() : node->ItemTag()->PeriodTime();
        int periodUnit = root ? node->RootTag()->PeriodUnit() : node->ItemTag()->PeriodUnit();
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

        ShowStatusIndicator(root ? node->RootTag()->Active() : node->ItemTag()->Active());
        ShowLastFailure(page);
        ShowHistoryDetails(page);
    } catch (...) {
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

void frmMain::RestoreCheckHealth() {
    failingOnRecord_.clear();
    if (LoadCheckHealth(CheckHealthFile(settings_->XMLFile()), colPages_) == 0) return;
    for (const auto& page : colPages_.All()) {
        if (page->LastFailure().empty()) continue;
        if (page->Failing()) failingOnRecord_.insert(page->Key());
        TreeNode* node = NodeOf(*page);
        ShowCheckHealth(node, *page);
        ShowFolderHealth(node);
    }
}

void frmMain::KeepCheckHealth(const Page& page) {
    const bool onRecord = failingOnRecord_.count(page.Key()) > 0;
    // Only a failure, or the recovery of a page on record as failing, changes the file.
    if (!page.Failing() && !onRecord) return;
    if (page.Failing())
        failingOnRecord_.insert(page.Key());
    else
        failingOnRecord_.erase(page.Key());
    if (!SaveCheckHealth(CheckHealthFile(settings_->XMLFile()), colPages_.All()))
        log::WriteLog("The check outcomes could not be written beside the profile");
}

namespace {
// True when a page at or below the node failed its last check.
bool FailingBelow(const TreeNode* node) {
    if (const Page* page = node->AsPage()) return page->Failing();
    for (int i = 0; i < node->childCount(); ++i)
        if (const TreeNode* child = node->Child(i); child && FailingBelow(child)) return true;
    return false;
}
}  // namespace

void frmMain::ShowFolderHealth(TreeNode* node) {
    if (!node) return;
    QSignalBlocker block(tree_);
    for (TreeNode* folder = node->ParentNode(); folder; folder = folder->ParentNode()) {
        if (FailingBelow(folder)) {
            folder->setIcon(0, style()->standardIcon(QStyle::SP_MessageBoxWarning));
            folder->setToolTip(0, QStringLiteral("A page in here could not be checked"));
        } else {
            folder->setIcon(0, shell::TreePicture(folder->IsRoot() ? QStringLiteral("Main") : QStringLiteral("Folder")));
            folder->setToolTip(0, QString());
        }
    }
}

void frmMain::ShowCheckHealth(TreeNode* node, const Page& page) {
    if (!node) return;
    QSignalBlocker block(tree_);
    if (page.Failing()) {
        node->setIcon(0, style()->standardIcon(QStyle::SP_MessageBoxWarning));
        node->setToolTip(0,
                         PlainToolTip(QStringLiteral("Check failed: ") + QString::fromStdString(page.LastFailure())));
    } else {
        node->setIcon(0, shell::TreePicture(HasElementPath(page) ? QStringLiteral("Element") : QStringLiteral("Page")));
        node->setToolTip(0, QString());
    }
}

void frmMain::ctlActive_Click() {
    TreeNode* node = tree_->SelectedNode();
    if (!node) return;
    ShowStatusIndicator(false);
    DeactivateItem(node, true);
    Action(QStringLiteral("menuActive"))->setChecked(false);
}

void frmMain::ctlInactive_Click() {
    TreeNode* node = tree_->SelectedNode();
    if (!node) return;
    ShowStatusIndicator(true);
    ActivateItem(node, true);
    Action(QStringLiteral("menuActive"))->setChecked(true);
}

void frmMain::menuActive_Click() {
    TreeNode* node = tree_->SelectedNode();
    if (!node) return;
    // The action has already flipped its check mark: it shows the new state.
    if (!Action(QStringLiteral("menuActive"))->isChecked())
        DeactivateItem(node, true);
    else
        ActivateItem(node, true);
    ShowItem(node);
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
        removed_->Purge();
        // A popup still on screen would outlive the window it belongs to.
        if (shell::frmNotify::IsShowing()) shell::frmNotify::Instance()->close();
        log::WriteLog("Tray icon removed");
    } catch (...) {
        ReportError("");
    }
    emit Unloaded();
}

}  // namespace pelmor::mainwindow
