// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/frmFavorites.h"

#include <QBoxLayout>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QtConcurrent/QtConcurrentRun>
#include <QFutureWatcher>

#include "platform/core/Failure.h"
#include "shell/Pictures.h"

namespace pelmor::mainwindow {
namespace {

// Runs `work` on a pool thread while the window thread keeps handling events.
template <typename T>
T RunAndWait(std::function<T()> work) {
    QFuture<T> future = QtConcurrent::run(std::move(work));
    QFutureWatcher<T> watcher;
    QEventLoop loop;
    QObject::connect(&watcher, &QFutureWatcher<T>::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(future);
    if (!future.isFinished()) loop.exec(QEventLoop::ExcludeUserInputEvents);
    return future.result();
}

struct ReadStore {
    BookmarkNode node;
    QString error;  // empty when read
};

ReadStore Read(const BookmarkStore& store) {
    try {
        return {ReadBookmarkStore(store), {}};
    } catch (...) {
        return {{}, QString::fromStdString(CurrentFailure("Pelmor").Description())};
    }
}

QIcon Picture(const QString& key) {
    if (key == QLatin1String("Favorites"))
        return QIcon::fromTheme(QStringLiteral("bookmarks"), QIcon(shell::TreePicture(QStringLiteral("Main"))));
    return QIcon(shell::TreePicture(key));
}

}  // namespace

frmFavorites::frmFavorites(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmFavorites"));
    setWindowTitle(QStringLiteral("Add From Favorites"));
    resize(460, 480);
    chooser_ = [this] {
        return QFileDialog::getOpenFileName(this, QStringLiteral("Bookmarks file exported by a browser"), QDir::homePath(),
                                            QStringLiteral("Bookmarks (*.html *.htm);;All files (*)"));
    };

    ctlFavorites_ = new QTreeWidget(this);
    ctlFavorites_->setObjectName(QStringLiteral("ctlFavorites"));
    ctlFavorites_->setHeaderHidden(true);
    ctlFavorites_->setSelectionMode(QAbstractItemView::NoSelection);
    ctlFavorites_->setUniformRowHeights(true);
    lblTitle_ = new QLabel(QStringLiteral("Folder to import:"), this);
    lblTitle_->setObjectName(QStringLiteral("lblTitle"));
    lblName_ = new QLabel(this);
    lblName_->setObjectName(QStringLiteral("lblName"));
    lblName_->setTextFormat(Qt::PlainText);
    QFont bold = lblName_->font();
    bold.setBold(true);
    lblName_->setFont(bold);
    auto* hint = new QLabel(QStringLiteral("Ctrl-click or Shift-click to pick several folders and pages."), this);
    hint->setWordWrap(true);
    auto* btnFile = new QPushButton(QStringLiteral("Bookmarks File..."), this);
    btnFile->setObjectName(QStringLiteral("btnBookmarksFile"));
    btnFile->setToolTip(QStringLiteral("Add a bookmarks file that a browser exported"));
    auto* btnImport = new QPushButton(QStringLiteral("Import"), this);
    btnImport->setObjectName(QStringLiteral("btnImport"));
    btnImport->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ctlFavorites_, 1);
    auto* details = new QHBoxLayout();
    details->addWidget(lblTitle_);
    details->addWidget(lblName_, 1);
    layout->addLayout(details);
    layout->addWidget(hint);
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
    root_->setText(0, QStringLiteral("Favorites"));
    root_->setIcon(0, Picture(QStringLiteral("Favorites")));
    root_->setData(0, kPictureRole, QStringLiteral("Favorites"));
    root_->setData(0, cTreeViewMultiSelect::kKeyRole, QStringLiteral("K0"));

    const QString home = BookmarkHome();
    std::vector<ReadStore> read = RunAndWait<std::vector<ReadStore>>([home] {
        std::vector<ReadStore> stores;
        for (const BookmarkStore& store : FindBookmarkStores(home)) stores.push_back(Read(store));
        return stores;
    });
    QStringList errors;
    for (const ReadStore& store : read) {
        if (store.error.isEmpty())
            AddNode(root_, store.node, QStringLiteral("Folder"));
        else
            errors << store.error;
    }
    root_->setExpanded(true);

    selection_ = std::make_unique<cTreeViewMultiSelect>();
    selection_->Attach(ctlFavorites_);
    ctlFavorites_->setCurrentItem(root_);
    ShowDetails(root_);
    if (!errors.isEmpty())
        QMessageBox::warning(parentWidget(), QStringLiteral("Add From Favorites"), errors.join(QLatin1Char('\n')));
}

bool frmFavorites::AddBookmarksFile(const QString& file) {
    BookmarkStore store{BookmarkStore::Kind::Html, QFileInfo(file).fileName(), file};
    ReadStore read = RunAndWait<ReadStore>([store] { return Read(store); });
    if (!read.error.isEmpty()) {
        QMessageBox::warning(this, QStringLiteral("Add From Favorites"), read.error);
        return false;
    }
    AddNode(root_, read.node, QStringLiteral("Folder"));
    QTreeWidgetItem* added = root_->child(root_->childCount() - 1);
    root_->setExpanded(true);
    added->setExpanded(true);
    ctlFavorites_->scrollToItem(added);
    return true;
}

void frmFavorites::ShowDetails(QTreeWidgetItem* node) {
    if (!node) return;
    lblTitle_->setText(PictureOf(node) == QLatin1String("Page") ? QStringLiteral("File to import:")
                                                                : QStringLiteral("Folder to import:"));
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
    QDialog::reject();
}

void frmFavorites::closeEvent(QCloseEvent* event) {
    dropped_ = true;
    QDialog::closeEvent(event);
}

}  // namespace pelmor::mainwindow
