// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/ProfilesPart.h"

#include <QFileDialog>
#include <QFutureWatcher>
#include <QMessageBox>
#include <QProgressDialog>
#include <QTimer>
#include <QTreeWidgetItem>
#include <QtConcurrent/QtConcurrentRun>
#include <exception>
#include <filesystem>

#include "items/Folder.h"
#include "mainwindow/frmFavorites.h"
#include "platform/core/Failure.h"
#include "platform/log/Log.h"

namespace pelmor::mainwindow {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

int CountPages(const ProfilesPart::ImportNode& node) {
    int count = node.picture == QLatin1String("Page") ? 1 : 0;
    for (const ProfilesPart::ImportNode& child : node.children) count += CountPages(child);
    return count;
}

bool IsFolderPicture(const QString& picture) {
    return picture == QLatin1String("Folder") || picture == QLatin1String("Favorites");
}

void SetRoot(const ItemList& list, const std::shared_ptr<Application>& root) {
    for (const std::shared_ptr<Item>& item : list.Items()) {
        item->SetApplication(root);
        if (item->IsFolder()) SetRoot(static_cast<const Folder&>(*item), root);
    }
}

}  // namespace

// A profile read or save under way: the watcher of its thread's work.
struct ProfilesPart::ProfileRun {
    QFutureWatcherBase* watcher = nullptr;
};

// Where a running import stands: the nodes picked, the steps still to take (each a node
// and the list it goes into, in the order of the bookmarks) and the progress shown.
struct ProfilesPart::ImportRun {
    struct Step {
        std::shared_ptr<ItemList> parent;
        const ImportNode* node;
    };
    std::vector<ImportNode> nodes;
    std::deque<Step> steps;
    int total = 0;
    int started = 0;
    int done = 0;
    bool stopping = false;
    bool adding = false;  // a page add is under way
    std::unique_ptr<QProgressDialog> progress;
};

ProfilesPart::ProfilesPart(std::shared_ptr<Settings> settings, std::shared_ptr<Application> application,
                           ItemAdder& adder, QWidget* window)
    : QObject(window),
      settings_(std::move(settings)),
      application_(std::move(application)),
      adder_(adder),
      window_(window) {}

ProfilesPart::~ProfilesPart() { Stop(); }

void ProfilesPart::Stop() {
    stopped_ = true;
    if (profileRun_) {
        // The thread's work ends by itself; its result is dropped.
        profileRun_->watcher->disconnect(this);
        profileRun_->watcher->deleteLater();
        profileRun_.reset();
    }
    if (import_) {
        import_->steps.clear();
        import_->progress.reset();
        import_.reset();
    }
}

// ---- profiles -------------------------------------------------------------------------

QString ProfilesPart::ChooseFile(bool save) {
    if (chooser_) return chooser_(save);
    QFileDialog dialog(window_,
                       save ? tr("Save xml file to hold the structure") : tr("Load xml file that holds the structure"));
    dialog.setNameFilter(tr("XML Files (*.XML *.xml)"));
    dialog.setDefaultSuffix(QStringLiteral("XML"));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // A name that does not exist yet starts a new profile.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDirectory(Q(std::filesystem::path(settings_->XMLFile()).parent_path().string()));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().constFirst();
}

void ProfilesPart::ShowError(const QString& text) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Pelmor"), text, QMessageBox::Ok, window_);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void ProfilesPart::EndProfileRun() {
    profileRun_->watcher->deleteLater();
    profileRun_.reset();
    emit Hold(false, true);
}

void ProfilesPart::LoadProfile() {
    if (profileRun_ || stopped_) return;
    const QString file = ChooseFile(false);
    if (file.isEmpty()) return;
    log::WriteLog("LoadProfile entered");
    auto* watcher = new QFutureWatcher<Settings::ProfileRead>(this);
    profileRun_ = std::make_unique<ProfileRun>();
    profileRun_->watcher = watcher;
    emit Hold(true, true);
    emit Status(tr("Loading the profile %1...").arg(file));
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        const Settings::ProfileRead read = watcher->result();
        EndProfileRun();
        // A name that cannot be a profile changes nothing.
        if (read.xmlFile.empty()) {
            emit Status(QString());
            ShowError(Q(read.error));
            return;
        }
        settings_->UseProfile(read);
        emit Status(QString());
        if (!read.error.empty()) ShowError(Q(read.error));
        emit ProfileLoaded(read.application);
    });
    const std::string name = file.toStdString();
    watcher->setFuture(QtConcurrent::run([name] {
        try {
            return Settings::ReadProfile(name);
        } catch (const std::exception&) {
            Settings::ProfileRead refused;
            refused.error = CurrentFailure("Settings").Description();
            return refused;
        }
    }));
}

void ProfilesPart::SaveProfile() {
    if (profileRun_ || stopped_) return;
    const QString file = ChooseFile(true);
    if (file.isEmpty()) return;
    log::WriteLog("SaveProfile entered");
    auto* watcher = new QFutureWatcher<std::string>(this);
    profileRun_ = std::make_unique<ProfileRun>();
    profileRun_->watcher = watcher;
    emit Hold(true, true);
    emit Status(tr("Saving the profile %1...").arg(file));
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, file] {
        const std::string error = watcher->result();
        EndProfileRun();
        emit Status(QString());
        if (!error.empty()) {
            log::WriteLog("SaveProfile: " + error);
            ShowError(Q(error));
            return;
        }
        // The copies are in place: the pages are pointed at them and the file written.
        settings_->SaveProfile(*application_, file.toStdString(), true);
        if (!settings_->LastError().empty()) ShowError(Q(settings_->LastError()));
    });
    const std::string from = settings_->CacheFolder();
    const std::string name = file.toStdString();
    watcher->setFuture(QtConcurrent::run([from, name] {
        try {
            Settings::CopyProfileFiles(from, name);
            return std::string();
        } catch (const std::exception&) {
            return CurrentFailure("Settings").Description();
        }
    }));
}

void ProfilesPart::SetDefaultProfile() {
    settings_->SetProfileAsDefault();
    if (!settings_->LastError().empty()) ShowError(Q(settings_->LastError()));
}

void ProfilesPart::TakeTree(const std::shared_ptr<Application>& to, Application& from) {
    while (to->ItemsCount() > 0) to->RemoveItem(to->ItemAt(to->ItemsCount() - 1)->Key());
    to->SetActive(from.Active());
    to->SetPeriodTime(from.PeriodTime());
    to->SetPeriodUnit(from.PeriodUnit());
    for (const std::shared_ptr<Item>& item : from.Items()) to->AddItem(item);
    SetRoot(*to, to);
}

// ---- import ---------------------------------------------------------------------------

ProfilesPart::ImportNode ProfilesPart::ImportNodeOf(const QTreeWidgetItem* node) {
    ImportNode out{frmFavorites::PictureOf(node), node->text(0), frmFavorites::URLOf(node), {}};
    for (int i = 0; i < node->childCount(); ++i) out.children.push_back(ImportNodeOf(node->child(i)));
    return out;
}

void ProfilesPart::ImportFromFavorites(const std::shared_ptr<ItemList>& target) {
    if (!target || import_ || stopped_) return;
    log::WriteLog("ImportFromFavorites entered");
    std::vector<ImportNode> nodes;
    bool picked = false;
    emit Hold(true, false);
    {
        frmFavorites dialog(window_);
        dialog.exec();
        if (cTreeViewMultiSelect* selection = dialog.GetFoldersToImport()) {
            for (const QTreeWidgetItem* node : selection->SelectedNodes()) {
                picked = true;
                // "Favorites" with nothing below it: no bookmarks could be read.
                if (frmFavorites::PictureOf(node) == QLatin1String("Favorites") && node->childCount() == 0) continue;
                nodes.push_back(ImportNodeOf(node));
            }
        }
    }
    if (picked && nodes.empty() && !stopped_) {
        const QString text = tr("No bookmarks could be read: nothing was imported.");
        emit Status(text);
        QMessageBox box(QMessageBox::Information, tr("Add From Favorites"), text, QMessageBox::Ok, window_);
        box.exec();
    }
    // The hold of the dialog passes to the import.
    if (!nodes.empty() && !stopped_) Import(target, std::move(nodes));
    emit Hold(false, false);
    if (!import_) emit ImportFinished();
}

void ProfilesPart::Import(const std::shared_ptr<ItemList>& target, std::vector<ImportNode> nodes) {
    if (!target || import_ || stopped_) return;
    import_ = std::make_unique<ImportRun>();
    ImportRun& run = *import_;
    run.nodes = std::move(nodes);
    for (const ImportNode& node : run.nodes) {
        run.steps.push_back({target, &node});
        run.total += CountPages(node);
    }
    emit Hold(true, false);
    if (run.total > 0) {
        // A window of its own: the main window is disabled while a page downloads, and the
        // button must stay within reach.
        run.progress =
            std::make_unique<QProgressDialog>(tr("Adding 0 of %1").arg(run.total), tr("Cancel"), 0, run.total);
        QProgressDialog& progress = *run.progress;
        progress.setObjectName(QStringLiteral("frmImportProgress"));
        progress.setWindowTitle(tr("Importing from favorites"));
        if (window_) progress.setWindowIcon(window_->windowIcon());
        progress.setMinimumDuration(0);
        progress.setAutoClose(false);
        progress.setAutoReset(false);
        progress.setWindowFlag(Qt::WindowStaysOnTopHint);
        progress.show();
        if (window_)
            progress.move(window_->geometry().center() - progress.rect().center() + QPoint(0, window_->height() / 3));
        connect(&progress, &QProgressDialog::canceled, this, &ProfilesPart::StopImport);
    }
    NextImportStep();
}

void ProfilesPart::StopImport() {
    if (!import_) return;
    import_->stopping = true;
    import_->steps.clear();
    if (!import_->adding) EndImport();
}

void ProfilesPart::NextImportStep() {
    while (import_ && !import_->adding) {
        ImportRun& run = *import_;
        // "Cancel" pressed (or the progress window closed): no further step.
        if (run.progress && run.progress->wasCanceled()) {
            run.stopping = true;
            run.steps.clear();
        }
        if (run.steps.empty()) {
            EndImport();
            return;
        }
        const ImportRun::Step step = run.steps.front();
        run.steps.pop_front();
        const ImportNode& node = *step.node;
        if (IsFolderPicture(node.picture)) {
            std::shared_ptr<Folder> folder =
                adder_.AddSubfolderToFolder(step.parent, node.text.toStdString(), "", 1, dfDay);
            // A folder of that name exists already: its entries are not imported.
            if (!folder || !import_) continue;
            for (auto child = node.children.rbegin(); child != node.children.rend(); ++child)
                import_->steps.push_front({folder, &*child});
            continue;
        }
        if (node.picture != QLatin1String("Page")) continue;
        ++run.started;
        if (run.progress) {
            run.progress->setLabelText(tr("Adding %1 of %2").arg(run.started).arg(run.total));
            run.progress->setValue(run.started - 1);
        }
        run.adding = true;
        ImportRun* current = &run;
        adder_.AddPageToFolder(step.parent, node.url.toStdString(), node.text.toStdString(), false, 1, dfDay,
                               AddFeedback::Messages, [this, current](const std::shared_ptr<Page>&) {
                                   if (import_.get() != current) return;
                                   current->adding = false;
                                   ++current->done;
                                   if (current->progress && !current->stopping)
                                       current->progress->setValue(current->done);
                                   // The next step starts from the event loop, not from
                                   // inside this add.
                                   QTimer::singleShot(0, this, [this, current] {
                                       if (import_.get() == current) NextImportStep();
                                   });
                               });
    }
}

void ProfilesPart::EndImport() {
    std::unique_ptr<ImportRun> run = std::move(import_);
    if (!run) return;
    run->progress.reset();
    emit Status(run->stopping
                    ? tr("Stopped importing from favorites after %1 of %2 pages").arg(run->done).arg(run->total)
                    : tr("Finished importing from favorites"));
    emit Hold(false, false);
    emit ImportFinished();
}

}  // namespace pelmor::mainwindow
