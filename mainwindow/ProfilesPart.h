// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The main window's profiles and its import from the browser's bookmarks. Profile files
// are read, and saved copies copied, on another thread; an import adds its folders and
// pages one after the other as each add ends, with its progress shown and a way to stop
// it. The window owns the part; the part reaches the tree only through an ItemAdder and
// the items themselves, and tells the window what to show by its signals.

#include <QObject>
#include <QPointer>
#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "items/Application.h"
#include "mainwindow/AddItems.h"
#include "preferences/Settings.h"

class QProgressDialog;
class QTreeWidgetItem;
class QWidget;

namespace pelmor::mainwindow {

class ProfilesPart : public QObject {
    Q_OBJECT
public:
    // A node of the bookmarks picked for import: its picture key ("Favorites", "Folder"
    // or "Page"), its text and, for a page, its address.
    struct ImportNode {
        QString picture;
        QString text;
        QString url;
        std::vector<ImportNode> children;
    };

    ProfilesPart(std::shared_ptr<Settings> settings, std::shared_ptr<Application> application, ItemAdder& adder,
                 QWidget* window);
    ~ProfilesPart() override;

    // The file chooser of the profile commands: answers the chosen file, or "" when
    // cancelled. By default a file dialog.
    void SetFileChooser(std::function<QString(bool save)> chooser) { chooser_ = std::move(chooser); }

    // "Load": the chosen profile file (a new name starts an empty profile) is read on
    // another thread; then it is the current profile and ProfileLoaded hands its tree to
    // the window. A file that cannot be read is named in a message box.
    void LoadProfile();
    // "Save": the saved copies are copied beside the chosen file on another thread, then
    // the tree is written there and that file is the current profile.
    void SaveProfile();
    // "Set as default".
    void SetDefaultProfile();
    // True while a profile is read or saved.
    bool ProfileBusy() const { return profileRun_ != nullptr; }

    // "Add From Favorites" for `target` (a folder or the root), then the import of what
    // was picked. Nothing while an import runs.
    void ImportFromFavorites(const std::shared_ptr<ItemList>& target);
    // Imports the nodes into `target`: each folder is added with its entries, each page
    // is downloaded and added once the one before it has ended. Folders of a name that
    // exists already are skipped with what they hold.
    void Import(const std::shared_ptr<ItemList>& target, std::vector<ImportNode> nodes);
    bool Importing() const { return import_ != nullptr; }
    // Stops the import once the page being added has ended.
    void StopImport();
    // A node of the bookmarks dialog with everything below it.
    static ImportNode ImportNodeOf(const QTreeWidgetItem* node);

    // Makes `to` hold the tree of `from` (its items and the root's own values), the items
    // pointing at `to` as their root: the program keeps its one tree object when a profile
    // read into another one is shown.
    static void TakeTree(const std::shared_ptr<Application>& to, Application& from);

    // The window is closing: running work ends without touching the window again.
    void Stop();

signals:
    // Text for the status bar.
    void Status(const QString& text);
    // Work has started (`on`) or ended during which the checks wait, and the window too
    // when `disableWindow`.
    void Hold(bool on, bool disableWindow);
    // A profile was read and made current: the window shows `application`'s items.
    void ProfileLoaded(const std::shared_ptr<pelmor::Application>& application);
    // An import has ended (finished, stopped or with nothing to import).
    void ImportFinished();

private:
    struct ProfileRun;
    struct ImportRun;
    QString ChooseFile(bool save);
    void ShowError(const QString& text);
    void EndProfileRun();
    // Takes the next steps of the import until a page add is under way or all is done.
    void NextImportStep();
    void EndImport();

    std::shared_ptr<Settings> settings_;
    std::shared_ptr<Application> application_;
    ItemAdder& adder_;
    QPointer<QWidget> window_;
    std::function<QString(bool)> chooser_;
    std::unique_ptr<ProfileRun> profileRun_;
    std::unique_ptr<ImportRun> import_;
    bool stopped_ = false;
};

}  // namespace pelmor::mainwindow
