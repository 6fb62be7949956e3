// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/frmHistory.h"

#include <QBoxLayout>
#include <QDir>
#include <QFileInfo>
#include <QFuture>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <QtConcurrent/QtConcurrentRun>
#include <filesystem>

#include "items/Page.h"
#include "mainwindow/BrowserWindow.h"
#include "shell/Pictures.h"

namespace pelmor::mainwindow {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// The copy and the copies of its frames, which a saved-copy window may load.
QStringList CopyFiles(const std::string& file) {
    QStringList files{Q(file)};
    const QFileInfo info(Q(file));
    const QDir frames(info.absolutePath() + QLatin1Char('/') + info.completeBaseName());
    for (const QFileInfo& frame : frames.entryInfoList(QDir::Files)) files << frame.absoluteFilePath();
    return files;
}

// The date a copy was last written, for the saved copy that stands before the oldest version.
std::optional<DateTime> FileDate(const std::string& file) {
    const QDateTime written = QFileInfo(Q(file)).lastModified();
    if (!written.isValid()) return std::nullopt;
    const QDate d = written.date();
    const QTime t = written.time();
    return DateTime::FromParts({d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()});
}

}  // namespace

frmHistory::frmHistory(const std::shared_ptr<Page>& page, QWidget* parent) : QWidget(parent, Qt::Window), page_(page) {
    setObjectName(QStringLiteral("frmHistory"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(shell::AppIcon());
    setWindowTitle(tr("History - %1").arg(Q(page->Description())));
    savedFile_ = page->SavedFile();
    options_.ShowTimeDiff = page->ShowTimeDiff();
    options_.ShowPics = page->ShowPics();
    options_.ShowNumbers = page->ShowNumbers();
    if (!page->InsertColor().empty()) options_.InsertColor = page->InsertColor();
    if (!page->UpdateColor().empty()) options_.UpdateColor = page->UpdateColor();

    auto* layout = new QVBoxLayout(this);
    auto* lblURL = new QLabel(Q(page->URL()), this);
    lblURL->setTextFormat(Qt::PlainText);
    lblURL->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(lblURL);
    lstVersions_ = new QTreeWidget(this);
    lstVersions_->setObjectName(QStringLiteral("lstVersions"));
    lstVersions_->setRootIsDecorated(false);
    lstVersions_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstVersions_->setHeaderLabels({tr("Date"), tr("Inserted"), tr("Updated"), tr("Removed")});
    lstVersions_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int column = 1; column < 4; ++column)
        lstVersions_->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    lstVersions_->setToolTip(tr("Choose a version to see it marked against the one before it, or two to compare them"));
    layout->addWidget(lstVersions_, 1);
    lblStatus_ = new QLabel(this);
    lblStatus_->setObjectName(QStringLiteral("lblStatus"));
    lblStatus_->setTextFormat(Qt::PlainText);
    layout->addWidget(lblStatus_);

    auto* buttons = new QHBoxLayout;
    btnShow_ = new QPushButton(tr("Show"), this);
    btnShow_->setObjectName(QStringLiteral("btnShow"));
    btnShow_->setToolTip(tr("Show the version with its changes marked"));
    btnOpen_ = new QPushButton(tr("Open"), this);
    btnOpen_->setObjectName(QStringLiteral("btnOpen"));
    btnOpen_->setToolTip(tr("Show the version alone"));
    auto* btnClose = new QPushButton(tr("Close"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    buttons->addStretch(1);
    buttons->addWidget(btnShow_);
    buttons->addWidget(btnOpen_);
    buttons->addWidget(btnClose);
    layout->addLayout(buttons);

    connect(btnShow_, &QPushButton::clicked, this, [this] { btnShow_Click(); });
    connect(btnOpen_, &QPushButton::clicked, this, [this] { btnOpen_Click(); });
    connect(btnClose, &QPushButton::clicked, this, &QWidget::close);
    connect(lstVersions_, &QTreeWidget::itemActivated, this, [this] { btnShow_Click(); });
    connect(lstVersions_, &QTreeWidget::itemSelectionChanged, this, [this] {
        const int chosen = static_cast<int>(lstVersions_->selectedItems().size());
        btnShow_->setEnabled(chosen == 1 || chosen == 2);
        btnOpen_->setEnabled(chosen == 1);
    });
    resize(520, 360);
    Refresh();
}

frmHistory::~frmHistory() { *alive_ = false; }

std::string frmHistory::VersionOfRow(int row) const {
    const int index = static_cast<int>(versions_.size()) - 1 - row;
    return index >= 0 && index < static_cast<int>(versions_.size()) ? versions_[index].File : std::string();
}

std::string frmHistory::BaseOfRow(int row) const {
    const int index = static_cast<int>(versions_.size()) - 1 - row;
    if (index < 0 || index >= static_cast<int>(versions_.size())) return {};
    if (index > 0) return versions_[index - 1].File;
    std::optional<DateTime> saved = FileDate(savedFile_);
    return saved && *saved <= versions_[0].Date ? savedFile_ : std::string();
}

void frmHistory::Refresh() {
    const int generation = ++generation_;
    versions_ = ListVersions(savedFile_);
    lstVersions_->clear();
    std::vector<std::pair<std::string, std::string>> pairs;
    for (int row = 0; row < static_cast<int>(versions_.size()); ++row) {
        auto* item = new QTreeWidgetItem(lstVersions_);
        item->setText(0, Q(versions_[versions_.size() - 1 - row].Date.FormatGeneral()));
        item->setToolTip(0, Q(VersionOfRow(row)));
        pairs.emplace_back(BaseOfRow(row), VersionOfRow(row));
    }
    if (lstVersions_->topLevelItemCount() > 0) lstVersions_->setCurrentItem(lstVersions_->topLevelItem(0));
    btnShow_->setEnabled(!versions_.empty());
    btnOpen_->setEnabled(!versions_.empty());
    if (versions_.empty()) {
        lblStatus_->setText(tr("No versions kept yet: a version is kept each time a check finds a change."));
        emit CountsReady();
        return;
    }
    lblStatus_->setText(tr("Counting changes..."));
    const MarkOptions options = options_;
    QtConcurrent::run([pairs, options] {
        std::vector<std::optional<VersionChanges>> counts;
        for (const auto& [base, version] : pairs) {
            VersionChanges changes;
            if (!base.empty() && !MarkVersion(base, version, options, &changes).empty())
                counts.emplace_back(changes);
            else
                counts.emplace_back(std::nullopt);
        }
        return counts;
    }).then(this, [this, generation](const std::vector<std::optional<VersionChanges>>& counts) {
        if (generation != generation_) return;
        for (int row = 0; row < static_cast<int>(counts.size()) && row < lstVersions_->topLevelItemCount(); ++row) {
            QTreeWidgetItem* item = lstVersions_->topLevelItem(row);
            if (!counts[row]) {
                item->setText(1, QStringLiteral("-"));
                continue;
            }
            item->setText(1, QString::number(counts[row]->Inserted));
            item->setText(2, QString::number(counts[row]->Updated));
            item->setText(3, QString::number(counts[row]->Removed));
        }
        lblStatus_->setText(versions_.size() == 1 ? tr("1 version kept")
                                                  : tr("%1 versions kept").arg(versions_.size()));
        emit CountsReady();
    });
}

void frmHistory::btnShow_Click() {
    QList<QTreeWidgetItem*> chosen = lstVersions_->selectedItems();
    if (chosen.isEmpty() && lstVersions_->currentItem()) chosen << lstVersions_->currentItem();
    if (chosen.isEmpty() || chosen.size() > 2) return;
    int first = lstVersions_->indexOfTopLevelItem(chosen[0]);
    if (chosen.size() == 1) {
        ShowVersion(VersionOfRow(first), BaseOfRow(first));
        return;
    }
    // Rows are newest first: the upper row is shown, marked against the lower.
    int second = lstVersions_->indexOfTopLevelItem(chosen[1]);
    if (first > second) std::swap(first, second);
    ShowVersion(VersionOfRow(first), VersionOfRow(second));
}

void frmHistory::btnOpen_Click() {
    QTreeWidgetItem* item = lstVersions_->currentItem();
    if (!item) return;
    ShowVersion(VersionOfRow(lstVersions_->indexOfTopLevelItem(item)), std::string());
}

void frmHistory::ShowVersion(const std::string& shown, const std::string& base) {
    if (shown.empty()) return;
    auto* browser = new BrowserWindow(BrowserWindow::Content::SavedCopy, CopyFiles(shown));
    browser->setObjectName(QStringLiteral("frmBrowserVersion"));
    browser_ = browser;
    const QString title = QFileInfo(Q(shown)).completeBaseName();
    const QString against = base == savedFile_ ? tr("the saved copy") : QFileInfo(Q(base)).completeBaseName();
    browser->SetStatusText(base.empty() ? tr("Version %1").arg(title)
                                        : tr("Version %1 marked against %2").arg(title, against));
    // The window says which version it shows (after the browser's own title handler).
    connect(browser->View()->page(), &QWebEnginePage::titleChanged, browser, [browser, title](const QString& name) {
        browser->setWindowTitle(tr("%1 (version %2) - Pelmor").arg(name, title));
    });
    browser->show();
    if (base.empty()) {
        connect(
            browser, &BrowserWindow::LoadEnded, this, [this] { emit VersionShown(false); }, Qt::SingleShotConnection);
        browser->Navigate(Q(shown));
        return;
    }
    // The marked body is made off the window thread while the version loads; it replaces
    // the loaded body once both are there.
    struct Pending {
        bool loaded = false;
        std::optional<QString> marked;
    };
    auto pending = std::make_shared<Pending>();
    QPointer<BrowserWindow> target(browser);
    auto write = [this, pending, target] {
        if (!target || !pending->loaded || !pending->marked) return;
        if (pending->marked->isEmpty()) {
            target->SetStatusText(tr("The versions could not be compared"));
            return;
        }
        const QString script = QStringLiteral("if(document.body){document.body.innerHTML=%1;}true;")
                                   .arg(BrowserWindow::ScriptString(*pending->marked));
        target->View()->page()->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                                              [this, alive = alive_](const QVariant&) {
                                                  if (*alive) emit VersionShown(true);
                                              });
    };
    connect(
        browser, &BrowserWindow::LoadEnded, this,
        [pending, write] {
            pending->loaded = true;
            write();
        },
        Qt::SingleShotConnection);
    browser->Navigate(Q(shown));
    const MarkOptions options = options_;
    QtConcurrent::run([base, shown, options] {
        return MarkVersion(base, shown, options);
    }).then(this, [pending, write](const std::string& marked) {
        pending->marked = Q(marked);
        write();
    });
}

}  // namespace pelmor::mainwindow
