// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's profile commands, the settings dialogs, the software update check and
// the support windows.

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFutureWatcher>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QtConcurrent/QtConcurrentRun>
#include <cmath>
#include <filesystem>

#include "mainwindow/SoftwareUpdate.h"
#include "mainwindow/SupportWindows.h"
#include "mainwindow/frmMain.h"
#include "platform/ini/Ini.h"
#include "platform/log/Log.h"
#include "shell/Background.h"
#include "shell/ErrorReport.h"
#include "shell/Pictures.h"
#include "shell/frmUpdateChecking.h"
#include "shell/frmVisualSettings.h"

namespace pelmor::mainwindow {

using shell::ReportError;

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// Stops the check timer for a command and starts it again afterwards when it ran before.
class TimerHold {
public:
    explicit TimerHold(QTimer* timer) : timer_(timer), wasActive_(timer->isActive()) { timer_->stop(); }
    ~TimerHold() {
        if (wasActive_) timer_->start();
    }
    TimerHold(const TimerHold&) = delete;
    TimerHold& operator=(const TimerHold&) = delete;

private:
    QTimer* timer_;
    bool wasActive_;
};

ProgramVersion RunningVersion() {
    std::optional<ProgramVersion> version = ParseVersion(QCoreApplication::applicationVersion().toStdString());
    return version.value_or(ProgramVersion{});
}

// Asks the update server off the window thread while the window keeps handling events.
UpdateAnswer AskUpdateServer(const std::string& server, const ProgramVersion& running) {
    UpdateAnswer answer{};
    shell::RunAndWait([&] { answer = CheckServerVersion(server, running); });
    return answer;
}

// An envelope, with a star for the recommendation or a red dot for the bug report.
QIcon MailIcon(bool bug) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(40, 60, 110), 1.5));
    painter.setBrush(QColor(250, 250, 245));
    painter.drawRect(QRectF(3.5, 8.5, 25, 17));
    painter.drawPolyline(QPolygonF({QPointF(3.5, 8.5), QPointF(16, 18), QPointF(28.5, 8.5)}));
    painter.setPen(Qt::NoPen);
    if (bug) {
        painter.setBrush(QColor(200, 30, 30));
        painter.drawEllipse(QPointF(25, 23), 6, 6);
    } else {
        painter.setBrush(QColor(240, 180, 20));
        QPolygonF star;
        for (int i = 0; i < 10; ++i) {
            double radius = i % 2 ? 2.6 : 6.5;
            double angle = -M_PI / 2 + i * M_PI / 5;
            star << QPointF(25 + radius * std::cos(angle), 23 + radius * std::sin(angle));
        }
        painter.drawPolygon(star);
    }
    return QIcon(pixmap);
}

}  // namespace

void frmMain::BuildProfileCommands() {
    auto command = [this](QMenu* menu, const QString& name, const QString& caption) {
        QAction* action = Action(name);
        return action ? action : AddAction(menu, name, caption);
    };
    auto menuNamed = [this](const QString& name, const QString& caption) {
        if (auto* menu = menuBar()->findChild<QMenu*>(name)) return menu;
        auto* menu = new QMenu(caption, this);
        menu->setObjectName(name);
        QMenu* menuHelp = menuBar()->findChild<QMenu*>(QStringLiteral("menuHelp"));
        menuBar()->insertMenu(menuHelp ? menuHelp->menuAction() : nullptr, menu);
        return menu;
    };

    // Import from the bookmarks: first in "&File", under "Add Page" in the tree's menu
    // (beside "URL...") and on the toolbar.
    QMenu* menuFile = menuNamed(QStringLiteral("menuFile"), QStringLiteral("&File"));
    QAction* importFavorites = Action(QStringLiteral("menuImportFavorites"));
    if (!importFavorites) {
        importFavorites = new QAction(QStringLiteral("Import Pages From Favorites..."), this);
        importFavorites->setObjectName(QStringLiteral("menuImportFavorites"));
        actions_[importFavorites->objectName()] = importFavorites;
        menuFile->insertAction(menuFile->actions().value(0), importFavorites);
        menuFile->insertSeparator(menuFile->actions().value(1));
    }
    connect(importFavorites, &QAction::triggered, this, [this] { Command([this] { menuImportFavorites_Click(); }); });
    QMenu* menuAddPage = menuURLList_->findChild<QMenu*>(QStringLiteral("menuAddPageMenu"));
    if (!menuAddPage) menuAddPage = findChild<QMenu*>(QStringLiteral("menuAddPageMenu"));
    connect(command(menuAddPage ? menuAddPage : menuURLList_, QStringLiteral("menuAddFavorites"),
                    QStringLiteral("Favorites...")),
            &QAction::triggered, this, [this] { Command([this] { menuAddFavorites_Click(); }); });

    QMenu* menuProfile = menuNamed(QStringLiteral("menuProfile"), QStringLiteral("P&rofile"));
    connect(command(menuProfile, QStringLiteral("menuLoadProfile"), QStringLiteral("Load")), &QAction::triggered, this,
            [this] { menuLoadProfile_Click(); });
    connect(command(menuProfile, QStringLiteral("menuSaveProfile"), QStringLiteral("Save")), &QAction::triggered, this,
            [this] { menuSaveProfile_Click(); });
    connect(command(menuProfile, QStringLiteral("menuDefaultProfile"), QStringLiteral("Set as default")),
            &QAction::triggered, this, [this] { menuDefaultProfile_Click(); });

    QMenu* menuOptions = menuNamed(QStringLiteral("menuOptions"), QStringLiteral("&Options"));
    connect(command(menuOptions, QStringLiteral("menuUpdateChecking"), QStringLiteral("Alert Settings...")),
            &QAction::triggered, this, [this] { menuUpdateChecking_Click(); });
    connect(command(menuOptions, QStringLiteral("menuVisualSettings"), QStringLiteral("Visual Settings...")),
            &QAction::triggered, this, [this] { menuVisualSettings_Click(); });

    QMenu* menuHelp = menuNamed(QStringLiteral("menuHelp"), QStringLiteral("&Help"));
    connect(command(menuHelp, QStringLiteral("menuContents"), QStringLiteral("Contents...")), &QAction::triggered, this,
            [this] { ShowHelp(this, QString()); });
    connect(command(menuHelp, QStringLiteral("menuFAQ"), QStringLiteral("FAQ")), &QAction::triggered, this,
            [this] { ShowHelp(this, QStringLiteral("faq")); });
    menuHelp->addSeparator();
    connect(command(menuHelp, QStringLiteral("menuAbout"), QStringLiteral("About...")), &QAction::triggered, this,
            [this] { ShowAbout(this); });
    connect(command(menuHelp, QStringLiteral("menuUpdateSoftware"), QStringLiteral("Check For Software Updates")),
            &QAction::triggered, this, [this] { menuUpdateSoftware_Click(); });

    auto button = [this](const char* key, const QIcon& icon, const QString& tip) {
        for (QAction* action : ctlTool_->actions())
            if (action->data().toString() == QLatin1String(key)) return action;
        QAction* action = ctlTool_->addAction(icon, QString::fromLatin1(key));
        action->setData(QString::fromLatin1(key));
        action->setObjectName(QStringLiteral("btn") + QString::fromLatin1(key));
        action->setToolTip(tip);
        return action;
    };
    connect(button("Favorites",
                   QIcon::fromTheme(QStringLiteral("bookmarks"), QIcon(shell::TreePicture(QStringLiteral("Folder")))),
                   QStringLiteral("Import pages from your browser's bookmarks")),
            &QAction::triggered, this, [this] { Command([this] { menuAddFavorites_Click(); }); });
    connect(button("TellFriend", MailIcon(false), QStringLiteral("Recommend Pelmor to a friend")), &QAction::triggered,
            this, [this] { OpenMail(this, TellFriendMail()); });
    connect(button("SendMail", MailIcon(true), QStringLiteral("Report a bug")), &QAction::triggered, this, [this] {
        std::string to;
        try {
            to = ini::Document::Load(settings_->INIFile()).Find("Locations", "SupportMail").value_or("");
        } catch (...) {
        }
        OpenMail(this, BugReportMail(Q(to)));
    });
}

// ---- profiles -------------------------------------------------------------------------

QString frmMain::ChooseProfileFile(bool save) {
    if (profileChooser_) return profileChooser_(save);
    QFileDialog dialog(this, save ? QStringLiteral("Save xml file to hold the structure")
                                  : QStringLiteral("Load xml file that holds the structure"));
    dialog.setNameFilter(QStringLiteral("XML Files (*.XML *.xml)"));
    dialog.setDefaultSuffix(QStringLiteral("XML"));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // A name that does not exist yet starts a new profile.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDirectory(QString::fromStdString(std::filesystem::path(settings_->XMLFile()).parent_path().string()));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().constFirst();
}

void frmMain::menuLoadProfile_Click() {
    try {
        QString file = ChooseProfileFile(false);
        if (file.isEmpty()) return;
        TimerHold hold(mdlTimer_);
        // The tree object stays the one the rest of the program holds: the new profile is
        // read into it by LoadTree.
        std::shared_ptr<Application> loaded = application_;
        settings_->LoadProfile(loaded, file.toStdString());
        if (!settings_->LastError().empty())
            QMessageBox::critical(this, QStringLiteral("Pelmor"), Q(settings_->LastError()));
        if (settings_->XMLFile() == std::filesystem::absolute(file.toStdString()).lexically_normal().string())
            LoadTree();
    } catch (...) {
        ReportError("");
    }
}

void frmMain::menuSaveProfile_Click() {
    try {
        QString file = ChooseProfileFile(true);
        if (file.isEmpty()) return;
        settings_->SaveProfile(*application_, file.toStdString());
        if (!settings_->LastError().empty())
            QMessageBox::critical(this, QStringLiteral("Pelmor"), Q(settings_->LastError()));
    } catch (...) {
        ReportError("");
    }
}

void frmMain::menuDefaultProfile_Click() {
    try {
        settings_->SetProfileAsDefault();
        if (!settings_->LastError().empty())
            QMessageBox::critical(this, QStringLiteral("Pelmor"), Q(settings_->LastError()));
    } catch (...) {
        ReportError("");
    }
}

// ---- settings -------------------------------------------------------------------------

void frmMain::menuUpdateChecking_Click() {
    try {
        shell::frmUpdateChecking dialog(*settings_, this);
        dialog.exec();
    } catch (...) {
        ReportError("");
    }
}

void frmMain::menuVisualSettings_Click() {
    try {
        shell::frmVisualSettings dialog(*settings_, tree_->font(), this);
        if (dialog.exec() != QDialog::Accepted) return;
        statusBar()->setVisible(settings_->StatusBar());
        ctlTool_->setVisible(settings_->Toolbar() && !ctlTool_->actions().isEmpty());
        ApplyTreeFont();
        ArrangeControls();
    } catch (...) {
        ReportError("");
    }
}

// ---- software update ------------------------------------------------------------------

bool frmMain::IsUpdateSoftware() {
    try {
        log::WriteLog("IsUpdateSoftware entered");
        std::string server = UpdateServer(settings_->INIFile());
        if (server.empty()) return false;
        ProgramVersion running = RunningVersion();
        return AskUpdateServer(server, running) == UpdateAnswer::Newer;
    } catch (...) {
        return false;
    }
}

void frmMain::StartupSoftwareCheck() {
    log::WriteLog("IsUpdateSoftware entered");
    std::string server = UpdateServer(settings_->INIFile());
    // Without a server there is nobody to ask: no request is made.
    if (server.empty()) return;
    ProgramVersion running = RunningVersion();
    // The start goes on meanwhile; the question comes when the answer is in.
    auto* watcher = new QFutureWatcher<UpdateAnswer>(this);
    connect(watcher, &QFutureWatcher<UpdateAnswer>::finished, this, [this, watcher] {
        watcher->deleteLater();
        if (!unloaded_ && watcher->result() == UpdateAnswer::Newer) DownloadSoftware();
    });
    watcher->setFuture(QtConcurrent::run([server, running] { return CheckServerVersion(server, running); }));
}

void frmMain::menuUpdateSoftware_Click() {
    try {
        log::WriteLog("UpdateSoftware entered");
        std::string server = UpdateServer(settings_->INIFile());
        if (server.empty()) {
            QMessageBox::information(this, QStringLiteral("Update Software"),
                                     QStringLiteral("No update server is configured. Its address goes into "
                                                    "Pelmor.ini, section \"Locations\", key \"UpdateServer\"."));
            return;
        }
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ProgramVersion running = RunningVersion();
        UpdateAnswer answer = AskUpdateServer(server, running);
        QApplication::restoreOverrideCursor();
        if (answer == UpdateAnswer::Newer) {
            DownloadSoftware();
        } else if (answer == UpdateAnswer::Current) {
            QMessageBox::information(this, QStringLiteral("Update Software"),
                                     QStringLiteral("There are no updated available."));
        } else {
            // Saying "no update" when the server could not be asked would mislead.
            QMessageBox::warning(this, QStringLiteral("Update Software"),
                                 QStringLiteral("The update server could not be asked for the newest version:\n") +
                                     Q(VersionFileURL(server)));
        }
    } catch (...) {
        QApplication::restoreOverrideCursor();
        ReportError("");
    }
}

void frmMain::DownloadSoftware() {
    try {
        log::WriteLog("DownloadSoftware entered");
        std::string server = UpdateServer(settings_->INIFile());
        if (server.empty()) return;
        QMessageBox box(QMessageBox::Information, QStringLiteral("Software Update"),
                        QStringLiteral("Pelmor has new release available for download.\r\nDownload site: ") + Q(server),
                        QMessageBox::Yes | QMessageBox::No, this);
        if (box.exec() == QMessageBox::Yes) QDesktopServices::openUrl(QUrl(Q(InstallerURL(server))));
    } catch (...) {
        ReportError("");
    }
}

}  // namespace pelmor::mainwindow
