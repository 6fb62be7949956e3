// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/frmFavorites.h"

#include <QBoxLayout>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFutureWatcher>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QtConcurrent/QtConcurrentRun>
#include <exception>

#include "platform/core/Failure.h"
#include "shell/Pictures.h"

namespace pelmor::mainwindow {
namespace {

QIcon Picture(const QString& key) {
    if (key == QLatin1String("Favorites"))
        return QIcon::fromTheme(QStringLiteral("bookmarks"), QIcon(shell::TreePicture(QStringLiteral("Main"))));
    return QIcon(shell::TreePicture(key));
}

}  // namespace

// A reading under way: the flag that stops it and the watcher that reports its end.
struct frmFavorites::ReadingRun {
    std::shared_ptr<std::atomic<bool>> cancelled = std::make_shared<std::atomic<bool>>(false);
    QFutureWatcher<std::vector<ReadStore>>* watcher = nullptr;
};

frmFavorites::frmFavorites(QWidget* parent, std::chrono::milliseconds readTimeLimit)
    : QDialog(parent), timeLimit_(readTimeLimit) {
    setObjectName(QStringLiteral("frmFavorites"));
    setWindowTitle(tr("Add From Favorites"));
    resize(460, 480);
    chooser_ = [this] {
        return QFileDialog::getOpenFileName(this, tr("Bookmarks file exported by a browser"), QDir::homePath(),
                                            tr("Bookmarks (*.html *.htm);;All files (*)"));
    };

    ctlFavorites_ = new QTreeWidget(this);
    ctlFavorites_->setObjectName(QStringLiteral("ctlFavorites"));
    ctlFavorites_->setHeaderHidden(true);
    ctlFavorites_->setSelectionMode(QAbstractItemView::NoSelection);
    ctlFavorites_->setUniformRowHeights(true);
    lblTitle_ = new QLabel(tr("Folder to import:"), this);
    lblTitle_->setObjectName(QStringLiteral("lblTitle"));
    lblName_ = new QLabel(this);
    lblName_->setObjectName(QStringLiteral("lblName"));
    lblName_->setTextFormat(Qt::PlainText);
    QFont bold = lblName_->font();
    bold.setBold(true);
    lblName_->setFont(bold);
    auto* hint = new QLabel(tr("Ctrl-click or Shift-click to pick several folders and pages."), this);
    hint->setWordWrap(true);
    auto* btnFile = new QPushButton(tr("Bookmarks File..."), this);
    btnFile->setObjectName(QStringLiteral("btnBookmarksFile"));
    btnFile->setToolTip(tr("Add a bookmarks file that a browser exported"));
    auto* btnImport = new QPushButton(tr("Import"), this);
    btnImport->setObjectName(QStringLiteral("btnImport"));
    btnImport->setDefault(true);
    btnImport_ = btnImport;
    btnFile_ = btnFile;
    // While bookmarks are read: what is going on, and a way to stop it.
    lblReading_ = new QLabel(this);
    lblReading_->setObjectName(QStringLiteral("lblReading"));
    lblReading_->setTextFormat(Qt::PlainText);
    ctlReading_ = new QProgressBar(this);
    ctlReading_->setObjectName(QStringLiteral("ctlReading"));
    ctlReading_->setRange(0, 0);
    ctlReading_->setTextVisible(false);
    ctlReading_->setMaximumHeight(lblReading_->sizeHint().height());
    btnStopReading_ = new QPushButton(tr("Stop"), this);
    btnStopReading_->setObjectName(QStringLiteral("btnStopReading"));
    btnStopReading_->setToolTip(tr("Stop reading the bookmarks"));
    connect(btnStopReading_, &QPushButton::clicked, this, [this] { StopReading(); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ctlFavorites_, 1);
    auto* details = new QHBoxLayout();
    details->addWidget(lblTitle_);
    details->addWidget(lblName_, 1);
    layout->addLayout(details);
    layout->addWidget(hint);
    auto* reading = new QHBoxLayout();
    reading->addWidget(lblReading_);
    reading->addWidget(ctlReading_, 1);
    reading->addWidget(btnStopReading_);
    layout->addLayout(reading);
    lblReading_->hide();
    ctlReading_->hide();
    btnStopReading_->hide();
    auto* buttons = new QHBoxLayout();
    buttons->addWidget(btnFile);
    buttons->addStretch(1);
    buttons->addWidget(btnImport);
    layout->addLayout(buttons);

    connect(btnImport, &QPushButton::clicked, this, [this] { btnImport_Click(); });
    connect(btnFile, &QPushButton::clicked, this, [this] {
        QString file = chooser_();
        if (!file.isEmpty()) AddBookmarksFile(file);
    });
    connect(ctlFavorites_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { ShowDetails(current); });
    Form_Load();
}

frmFavorites::~frmFavorites() {
    // A reading still running ends by itself soon; nothing of it is waited for.
    if (reading_) reading_->cancelled->store(true);
    if (selection_) selection_->Detach();
}

QString frmFavorites::PictureOf(const QTreeWidgetItem* node) {
    return node ? node->data(0, kPictureRole).toString() : QString();
}

QString frmFavorites::URLOf(const QTreeWidgetItem* node) { return node ? node->data(0, kURLRole).toString() : QString(); }

void frmFavorites::AddNode(QTreeWidgetItem* parent, const BookmarkNode& node, const QString& picture) {
    auto* item = new QTreeWidgetItem(parent);
    item->setText(0, node.Title);
    item->setIcon(0, Picture(picture));
    item->setData(0, kPictureRole, picture);
    item->setData(0, cTreeViewMultiSelect::kKeyRole, QStringLiteral("K%1").arg(++nextKey_));
    if (!node.Folder) item->setData(0, kURLRole, node.URL);
    for (const BookmarkNode& child : node.Children)
        AddNode(item, child, child.Folder ? QStringLiteral("Folder") : QStringLiteral("Page"));
}

void frmFavorites::Form_Load() {
    root_ = new QTreeWidgetItem(ctlFavorites_);
    root_->setText(0, tr("Favorites"));
    root_->setIcon(0, Picture(QStringLiteral("Favorites")));
    root_->setData(0, kPictureRole, QStringLiteral("Favorites"));
    root_->setData(0, cTreeViewMultiSelect::kKeyRole, QStringLiteral("K0"));

    root_->setExpanded(true);
    selection_ = std::make_unique<cTreeViewMultiSelect>();
    selection_->Attach(ctlFavorites_);
    ctlFavorites_->setCurrentItem(root_);
    ShowDetails(root_);

    const QString home = BookmarkHome();
    StartReading([home] { return FindBookmarkStores(home); }, false);
}

bool frmFavorites::AddBookmarksFile(const QString& file) {
    if (reading_) return false;
    BookmarkStore store{BookmarkStore::Kind::Html, QFileInfo(file).fileName(), file};
    StartReading([store] { return std::vector<BookmarkStore>{store}; }, true);
    return true;
}

void frmFavorites::StartReading(std::function<std::vector<BookmarkStore>()> find, bool expandAdded) {
    reading_ = std::make_unique<ReadingRun>();
    const ReadLimits limits = ReadLimits::For(timeLimit_, reading_->cancelled);
    reading_->watcher = new QFutureWatcher<std::vector<ReadStore>>(this);
    connect(reading_->watcher, &QFutureWatcherBase::finished, this, [this, expandAdded] { ReadingDone(expandAdded); });
    reading_->watcher->setFuture(QtConcurrent::run([find = std::move(find), limits] {
        std::vector<ReadStore> read;
        try {
            for (const BookmarkStore& store : find()) {
                try {
                    read.push_back({ReadBookmarkStore(store, limits), {}});
                } catch (const std::exception&) {
                    read.push_back({{}, QString::fromStdString(CurrentFailure("Pelmor").Description())});
                }
            }
        } catch (const std::exception&) {
            read.push_back({{}, QString::fromStdString(CurrentFailure("Pelmor").Description())});
        }
        return read;
    }));
    lblReading_->setText(tr("Reading bookmarks..."));
    for (QWidget* w : {static_cast<QWidget*>(lblReading_), static_cast<QWidget*>(ctlReading_),
                       static_cast<QWidget*>(btnStopReading_)})
        w->show();
    btnImport_->setEnabled(false);
    btnFile_->setEnabled(false);
}

void frmFavorites::StopReading() {
    if (!reading_) return;
    reading_->cancelled->store(true);
    lblReading_->setText(tr("Stopping..."));
    btnStopReading_->setEnabled(false);
}

void frmFavorites::ReadingDone(bool expandAdded) {
    std::unique_ptr<ReadingRun> done = std::move(reading_);
    done->watcher->deleteLater();
    const bool stopped = done->cancelled->load();
    QStringList errors;
    for (const ReadStore& store : done->watcher->result()) {
        if (!store.error.isEmpty()) {
            errors << store.error;
            continue;
        }
        AddNode(root_, store.node, QStringLiteral("Folder"));
        if (!expandAdded) continue;
        QTreeWidgetItem* added = root_->child(root_->childCount() - 1);
        added->setExpanded(true);
        ctlFavorites_->scrollToItem(added);
    }
    root_->setExpanded(true);
    ctlReading_->hide();
    btnStopReading_->hide();
    btnStopReading_->setEnabled(true);
    lblReading_->setText(stopped ? tr("Reading stopped.") : QString());
    lblReading_->setVisible(stopped);
    btnImport_->setEnabled(true);
    btnFile_->setEnabled(true);
    // The user who stopped the reading knows why it ended.
    if (!errors.isEmpty() && !stopped) {
        QMessageBox box(QMessageBox::Warning, tr("Add From Favorites"), errors.join(QLatin1Char('\n')), QMessageBox::Ok,
                        this);
        box.setTextFormat(Qt::PlainText);
        box.exec();
    }
    emit ReadingFinished(errors);
}

void frmFavorites::ShowDetails(QTreeWidgetItem* node) {
    if (!node) return;
    lblTitle_->setText(PictureOf(node) == QLatin1String("Page") ? tr("File to import:") : tr("Folder to import:"));
    lblName_->setText(node->text(0));
}

void frmFavorites::btnImport_Click() {
    dropped_ = false;
    hide();
    setResult(QDialog::Accepted);
    done(QDialog::Accepted);
}

void frmFavorites::reject() {
    // Closed without "Import": nothing is to be imported.
    dropped_ = true;
    StopReading();
    QDialog::reject();
}

void frmFavorites::closeEvent(QCloseEvent* event) {
    dropped_ = true;
    StopReading();
    QDialog::closeEvent(event);
}

}  // namespace pelmor::mainwindow
