// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's profile commands, the settings dialogs, the software update check and
// the support windows.

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <cmath>
#include <exception>

#include "mainwindow/ProfilesPart.h"
#include "mainwindow/SupportWindows.h"
#include "mainwindow/UpdateCheckPart.h"
#include "mainwindow/frmMain.h"
#include "platform/ini/Ini.h"
#include "platform/log/Log.h"
#include "shell/ErrorReport.h"
#include "shell/Pictures.h"
#include "shell/frmUpdateChecking.h"
#include "shell/frmVisualSettings.h"

namespace pelmor::mainwindow {

using shell::ReportError;

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

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
    profiles_ = new ProfilesPart(settings_, application_, *this, this);
    connect(profiles_, &ProfilesPart::Status, this, [this](const QString& text) { statusBar()->showMessage(text); });
    connect(profiles_, &ProfilesPart::Hold, this,
            [this](bool on, bool disableWindow) { on ? HoldForWork(disableWindow) : ReleaseForWork(disableWindow); });
    connect(profiles_, &ProfilesPart::ProfileLoaded, this, [this](const std::shared_ptr<Application>& loaded) {
        preloaded_ = loaded;
        LoadTree();
    });
    updateCheck_ = new UpdateCheckPart([settings = settings_] { return settings->INIFile(); }, this);
    // Work still running when the window closes ends without it.
    connect(this, &frmMain::Unloaded, profiles_, &ProfilesPart::Stop);
    connect(this, &frmMain::Unloaded, updateCheck_, &UpdateCheckPart::Stop);

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
    QMenu* menuFile = menuNamed(QStringLiteral("menuFile"), tr("&File"));
    QAction* importFavorites = Action(QStringLiteral("menuImportFavorites"));
    if (!importFavorites) {
        importFavorites = new QAction(tr("Import Pages From Favorites..."), this);
        importFavorites->setObjectName(QStringLiteral("menuImportFavorites"));
        actions_[importFavorites->objectName()] = importFavorites;
        menuFile->insertAction(menuFile->actions().value(0), importFavorites);
        menuFile->insertSeparator(menuFile->actions().value(1));
    }
    connect(importFavorites, &QAction::triggered, this, [this] { Command([this] { menuImportFavorites_Click(); }); });
    QMenu* menuAddPage = menuURLList_->findChild<QMenu*>(QStringLiteral("menuAddPageMenu"));
    if (!menuAddPage) menuAddPage = findChild<QMenu*>(QStringLiteral("menuAddPageMenu"));
    connect(command(menuAddPage ? menuAddPage : menuURLList_, QStringLiteral("menuAddFavorites"), tr("Favorites...")),
            &QAction::triggered, this, [this] { Command([this] { menuAddFavorites_Click(); }); });

    QMenu* menuProfile = menuNamed(QStringLiteral("menuProfile"), tr("P&rofile"));
    connect(command(menuProfile, QStringLiteral("menuLoadProfile"), tr("Load")), &QAction::triggered, this,
            [this] { menuLoadProfile_Click(); });
    connect(command(menuProfile, QStringLiteral("menuSaveProfile"), tr("Save")), &QAction::triggered, this,
            [this] { menuSaveProfile_Click(); });
    connect(command(menuProfile, QStringLiteral("menuDefaultProfile"), tr("Set as default")), &QAction::triggered, this,
            [this] { menuDefaultProfile_Click(); });

    QMenu* menuOptions = menuNamed(QStringLiteral("menuOptions"), tr("&Options"));
    connect(command(menuOptions, QStringLiteral("menuUpdateChecking"), tr("Alert Settings...")), &QAction::triggered,
            this, [this] { menuUpdateChecking_Click(); });
    connect(command(menuOptions, QStringLiteral("menuVisualSettings"), tr("Visual Settings...")), &QAction::triggered,
            this, [this] { menuVisualSettings_Click(); });

    QMenu* menuHelp = menuNamed(QStringLiteral("menuHelp"), tr("&Help"));
    connect(command(menuHelp, QStringLiteral("menuContents"), tr("Contents...")), &QAction::triggered, this,
            [this] { ShowHelp(this, QString()); });
    connect(command(menuHelp, QStringLiteral("menuFAQ"), tr("FAQ")), &QAction::triggered, this,
            [this] { ShowHelp(this, QStringLiteral("faq")); });
    menuHelp->addSeparator();
    connect(command(menuHelp, QStringLiteral("menuAbout"), tr("About...")), &QAction::triggered, this,
            [this] { ShowAbout(this); });
    connect(command(menuHelp, QStringLiteral("menuUpdateSoftware"), tr("Check For Software Updates")),
            &QAction::triggered, this, [this] { menuUpdateSoftware_Click(); });

    auto button = [this](const char* key, const QString& caption, const QIcon& icon, const QString& tip) {
        for (QAction* action : ctlTool_->actions())
            if (action->data().toString() == QLatin1String(key)) return action;
        QAction* action = ctlTool_->addAction(icon, caption);
        action->setData(QString::fromLatin1(key));
        action->setObjectName(QStringLiteral("btn") + QString::fromLatin1(key));
        action->setToolTip(tip);
        return action;
    };
    connect(button("Favorites", tr("Favorites"),
                   QIcon::fromTheme(QStringLiteral("bookmarks"), QIcon(shell::TreePicture(QStringLiteral("Folder")))),
                   tr("Import pages from your browser's bookmarks")),
            &QAction::triggered, this, [this] { Command([this] { menuAddFavorites_Click(); }); });
    connect(button("TellFriend", tr("TellFriend"), MailIcon(false), tr("Recommend Pelmor to a friend")),
            &QAction::triggered, this, [this] { OpenMail(this, TellFriendMail()); });
    connect(button("SendMail", tr("SendMail"), MailIcon(true), tr("Report a bug")), &QAction::triggered, this, [this] {
        std::string to;
        try {
            to = ini::Document::Load(settings_->INIFile()).Find("Locations", "SupportMail").value_or("");
        } catch (const std::exception&) {
            // Without a readable support address the mail goes to nobody in particular.
        }
        OpenMail(this, BugReportMail(Q(to)));
    });
}

// ---- profiles -------------------------------------------------------------------------

void frmMain::menuLoadProfile_Click() { profiles_->LoadProfile(); }

void frmMain::menuSaveProfile_Click() { profiles_->SaveProfile(); }

void frmMain::menuDefaultProfile_Click() { profiles_->SetDefaultProfile(); }

void frmMain::SetProfileFileChooser(std::function<QString(bool save)> chooser) {
    profiles_->SetFileChooser(std::move(chooser));
}

// ---- settings -------------------------------------------------------------------------

void frmMain::menuUpdateChecking_Click() {
    try {
        shell::frmUpdateChecking dialog(*settings_, this);
        dialog.exec();
    } catch (const std::exception&) {
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
    } catch (const std::exception&) {
        ReportError("");
    }
}

// ---- software update ------------------------------------------------------------------

void frmMain::StartupSoftwareCheck() { updateCheck_->CheckAtStart(); }

void frmMain::menuUpdateSoftware_Click() { updateCheck_->CheckNow(); }

}  // namespace pelmor::mainwindow
