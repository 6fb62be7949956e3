// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A main window with its checker, on a profile of its own in a private home, for the
// checking tests. The checker program is chosen through PELMOR_UPDATER.

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include <QApplication>
#include <QTreeWidget>

#include "items/Application.h"
#include "mainwindow/frmMain.h"
#include "preferences/Settings.h"
#include "tests/mainwindow/TreeRows.h"
#include "tests/support/TempHome.h"
#include "tests/updater/Spin.h"

namespace pelmor::test {

inline void EnsureApplication() {
    static int argc = 1;
    static char name[] = "test_updater_window";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(argc, argv);
}

struct CheckingWindow {
    TempHome home;
    std::shared_ptr<Settings> settings;
    std::unique_ptr<mainwindow::frmMain> main;

    explicit CheckingWindow(const std::string& checker) {
        EnsureApplication();
        qputenv("PELMOR_UPDATER", QByteArray::fromStdString(checker));
        settings = std::make_shared<Settings>();
        settings->LoadPreferences();
    }
    ~CheckingWindow() {
        if (main) main->close();
        main.reset();
        qunsetenv("PELMOR_UPDATER");
    }

    // Saves `profile` as the profile file, then opens the window on it as the program does.
    void Open(const std::shared_ptr<Application>& profile, mainwindow::Clock clock = DateTime::Now) {
        std::filesystem::create_directories(std::filesystem::path(settings->XMLFile()).parent_path());
        profile->SaveItems(settings->XMLFile());
        main = std::make_unique<mainwindow::frmMain>(settings, Application::Create());
        main->SetClock(std::move(clock));
        main->ActivateMain();
    }

    Row Node(const std::string& key) const { return main->Tree()->FindIndex(QString::fromStdString(key)); }
    std::shared_ptr<Page> PageOf(const std::string& key) const { return main->Pages().Find(key); }

    // Waits until every page handed over has been answered.
    bool WaitIdle() {
        return SpinUntil([&] { return main->objUpdater() && main->objUpdater()->InFlightCount() == 0; });
    }

    // The activity log as "description|action" texts, oldest first.
    std::vector<std::string> Rows() const {
        std::vector<std::string> rows;
        auto* list = main->ActivityLog();
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            auto* row = list->topLevelItem(i);
            rows.push_back((row->text(0) + "|" + row->text(1)).toStdString());
        }
        return rows;
    }

    // The profile file as written, once a pending write has happened.
    std::shared_ptr<Application> Saved() const {
        if (main) SpinUntil([&] { return !main->ItemsSavePending(); });
        auto application = Application::Create();
        application->LoadItems(settings->XMLFile());
        return application;
    }
};

}  // namespace pelmor::test
