// SPDX-License-Identifier: GPL-3.0-or-later
// pelmor-screenshot FILE.png: builds a small sample profile in the current data folder
// (meant for a throw-away PELMOR_HOME), opens the main window on it and saves a picture
// of the window. Used by scripts/screenshot for the README.

#include <QApplication>
#include <QTimer>
#include <QTreeWidget>

#include "items/Application.h"
#include "mainwindow/frmMain.h"
#include "platform/core/DateTime.h"
#include "platform/core/Folders.h"
#include "platform/log/Log.h"
#include "preferences/Settings.h"

namespace {

std::shared_ptr<pelmor::Page> MakePage(const std::string& url, const std::string& description, bool updated,
                                       bool active = true) {
    auto page = pelmor::Page::Create();
    page->SetURL(url);
    page->SetDescription(description);
    page->SetUpdated(updated);
    page->SetActive(active);
    page->SetPeriodTime(updated ? 6 : 1);
    page->SetPeriodUnit(updated ? pelmor::dfHour : pelmor::dfDay);
    page->SetInsertColor("#00FF00");
    page->SetUpdateColor("#FFFF00");
    return page;
}

std::shared_ptr<pelmor::Folder> MakeFolder(const std::string& name) {
    auto folder = pelmor::Folder::Create();
    folder->SetName(name);
    folder->SetActive(true);
    folder->SetPeriodTime(1);
    folder->SetPeriodUnit(pelmor::dfDay);
    return folder;
}

void WriteSampleProfile(const std::string& file) {
    auto root = pelmor::Application::Create();
    root->SetActive(true);
    root->SetPeriodTime(1);
    root->SetPeriodUnit(pelmor::dfDay);
    auto news = MakeFolder("News");
    root->AddItem(news);
    news->AddItem(MakePage("https://news.example.org/", "Example News front page", true));
    news->AddItem(MakePage("https://weather.example.org/today", "Weather today", false));
    auto work = MakeFolder("Work");
    root->AddItem(work);
    auto releases = MakePage("https://project.example.com/releases", "Project releases", false);
    releases->SetElementPath("TABLE(0),TBODY(0),TR(1)");
    work->AddItem(releases);
    work->AddItem(MakePage("https://jobs.example.com/openings", "Job openings", false, false));
    root->AddItem(MakePage("https://shop.example.net/offers", "Shop offers", false));
    root->SaveItems(file);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        qWarning("usage: pelmor-screenshot FILE.png");
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);

    auto settings = std::make_shared<pelmor::Settings>();
    settings->LoadPreferences();
    pelmor::EnsureFolder(pelmor::DataFolder());
    WriteSampleProfile(settings->XMLFile());
    settings->SetFormWidth(10800);
    settings->SetFormHeight(7800);
    settings->SetFormTop(300);
    settings->SetFormLeft(300);
    settings->SavePreferences();

    pelmor::log::StartLog();
    pelmor::mainwindow::frmMain window(settings, pelmor::Application::Create());
    window.ActivateMain();
    window.ShowMain();
    auto* tree = window.Tree();
    tree->expandAll();
    if (const QModelIndex news = tree->model()->index(0, 0, tree->RootIndex()); news.isValid())
        tree->setCurrentIndex(tree->model()->index(0, 0, news));
    auto* log = window.ActivityLog();
    auto addRow = [log](const char* page, const char* action, const char* time, bool updated) {
        auto* row =
            new QTreeWidgetItem(log, {QString::fromUtf8(page), QString::fromUtf8(action), QString::fromUtf8(time)});
        if (updated)
            for (int column = 0; column < 3; ++column) {
                row->setForeground(column, QColor(255, 0, 0));
                QFont font = row->font(column);
                font.setBold(true);
                row->setFont(column, font);
            }
    };
    addRow("Weather today", "Checked", "08/12/2026 09:40", false);
    addRow("Example News front page", "Updated", "08/12/2026 09:41", true);

    int exitCode = 1;
    QTimer::singleShot(1500, &app, [&] {
        exitCode = window.grab().save(output) ? 0 : 1;
        app.quit();
    });
    app.exec();
    return exitCode;
}
