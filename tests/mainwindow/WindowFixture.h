// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A main window on a profile of its own, in a private home.

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>
#include <memory>
#include <string>

#include "items/Application.h"
#include "mainwindow/frmMain.h"
#include "preferences/Settings.h"
#include "support/TempHome.h"
#include "TreeRows.h"

namespace pelmor::test {

inline std::shared_ptr<Page> MakePage(const std::string& url, const std::string& description, bool active = true,
                                      bool updated = false) {
    auto page = Page::Create();
    page->SetURL(url);
    page->SetDescription(description);
    page->SetActive(active);
    page->SetUpdated(updated);
    page->SetPeriodTime(30);
    page->SetPeriodUnit(dfMinute);
    return page;
}

inline std::shared_ptr<Folder> MakeFolder(const std::string& name, bool active = true) {
    auto folder = Folder::Create();
    folder->SetName(name);
    folder->SetDescription(name + " pages");
    folder->SetActive(active);
    folder->SetPeriodTime(2);
    folder->SetPeriodUnit(dfHour);
    return folder;
}

struct Window {
    TempHome home;
    std::shared_ptr<Settings> settings = std::make_shared<Settings>();
    std::unique_ptr<mainwindow::frmMain> main;

    Window() { settings->LoadPreferences(); }

    // Saves `profile` as the profile file, then builds the window and its tree on it.
    void Open(const std::shared_ptr<Application>& profile) {
        std::filesystem::create_directories(std::filesystem::path(settings->XMLFile()).parent_path());
        if (profile) profile->SaveItems(settings->XMLFile());
        main = std::make_unique<mainwindow::frmMain>(settings, Application::Create());
        main->LoadTree();
    }

    // The tree's row of a key (any letter case); invalid when none.
    Row Node(const QString& key) const { return main->Tree()->FindIndex(key); }

    // The profile as it is on disk now.
    std::shared_ptr<Application> Saved() const {
        auto application = Application::Create();
        application->LoadItems(settings->XMLFile());
        return application;
    }
};

// Closes the next modal dialog as soon as it shows and keeps its text.
inline void CloseNextModal(QString* text, int tries = 100) {
    QTimer::singleShot(20, [text, tries] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            if (tries > 0) CloseNextModal(text, tries - 1);
            return;
        }
        if (auto* box = qobject_cast<QMessageBox*>(modal)) *text = box->windowTitle() + "|" + box->text();
        modal->close();
    });
}

}  // namespace pelmor::test
