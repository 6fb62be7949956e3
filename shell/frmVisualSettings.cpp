// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/frmVisualSettings.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFontDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <exception>

#include "platform/core/Failure.h"
#include "platform/log/Log.h"
#include "preferences/Settings.h"
#include "shell/DialogButtons.h"
#include "shell/ErrorReport.h"

namespace pelmor::shell {
namespace {

std::optional<QFont> ChooseFont(QWidget* parent, const QFont& current) {
    bool ok = false;
    QFont font =
        QFontDialog::getFont(&ok, current, parent, QCoreApplication::translate("frmVisualSettings", "Choose font"));
    if (!ok) return std::nullopt;
    return font;
}

}  // namespace

QFont FontOf(const Font& font, const QFont& base) {
    QFont result = base;
    if (!font.Name.empty()) result.setFamily(QString::fromStdString(font.Name));
    if (font.Size > 0) result.setPointSizeF(font.Size);
    result.setBold(font.Bold);
    result.setItalic(font.Italic);
    result.setUnderline(font.Underline);
    result.setStrikeOut(font.Strikethrough);
    return result;
}

frmVisualSettings::frmVisualSettings(Settings& settings, const QFont& treeFont, QWidget* parent)
    : QDialog(parent), settings_(settings) {
    setObjectName(QStringLiteral("frmVisualSettings"));
    setWindowTitle(tr("Visual Settings"));
    chooser_ = [this](const QFont& current) { return ChooseFont(this, current); };

    auto* layout = new QVBoxLayout(this);
    auto* fontGroup = new QGroupBox(tr("Web page tree font"), this);
    auto* fontRow = new QHBoxLayout(fontGroup);
    lblFontName_ = new QLabel(fontGroup);
    lblFontName_->setObjectName(QStringLiteral("lblFontName"));
    lblFontName_->setMinimumWidth(200);
    auto* btnChangeFont = new QPushButton(tr("Change"), fontGroup);
    btnChangeFont->setObjectName(QStringLiteral("btnChangeFont"));
    fontRow->addWidget(lblFontName_, 1);
    fontRow->addWidget(btnChangeFont);
    layout->addWidget(fontGroup);

    auto* visual = new QGroupBox(tr("Visual settings"), this);
    auto* visualLayout = new QVBoxLayout(visual);
    auto check = [visual, visualLayout](const char* name, const QString& caption) {
        auto* box = new QCheckBox(caption, visual);
        box->setObjectName(QString::fromLatin1(name));
        visualLayout->addWidget(box);
        return box;
    };
    chkStatusBar_ = check("chkStatusBar", tr("Show status bar"));
    chkToolbar_ = check("chkToolbar", tr("Show toolbar"));
    chkDisplayOld_ = check("chkDisplayOld", tr("Display old version of page while showing differences"));
    chkShowRemoved_ = check("chkShowRemoved", tr("Show removed text"));
    chkShowRemoved_->setToolTip(tr("Show removed content struck through in red where it stood"));
    auto* keepRow = new QHBoxLayout;
    auto* lblKeepVersions = new QLabel(tr("Keep versions"), visual);
    txtKeepVersions_ = new QSpinBox(visual);
    txtKeepVersions_->setObjectName(QStringLiteral("txtKeepVersions"));
    txtKeepVersions_->setRange(0, kMaxKeepVersions);
    txtKeepVersions_->setToolTip(tr("Past versions kept of each page (0: none)"));
    lblKeepVersions->setBuddy(txtKeepVersions_);
    keepRow->addWidget(lblKeepVersions);
    keepRow->addWidget(txtKeepVersions_);
    keepRow->addStretch(1);
    visualLayout->addLayout(keepRow);
    chkSoftwareUpdate_ = check("chkSoftwareUpdate", tr("Check for software updates as appplication starts"));
    layout->addWidget(visual);

    layout->addLayout(OkCancelRow(this, true, [this] { btnOK_Click(); }));

    connect(btnChangeFont, &QPushButton::clicked, this, [this] { btnChangeFont_Click(); });
    Form_Load(treeFont);
}

void frmVisualSettings::Form_Load(const QFont& treeFont) {
    try {
        lblFontName_->setFont(treeFont);
        lblFontName_->setText(treeFont.family());
        chkSoftwareUpdate_->setChecked(settings_.SoftwareUpdate());
        chkStatusBar_->setChecked(settings_.StatusBar());
        chkToolbar_->setChecked(settings_.Toolbar());
        chkDisplayOld_->setChecked(settings_.DisplayOld());
        chkShowRemoved_->setChecked(settings_.ShowRemoved());
        txtKeepVersions_->setValue(settings_.KeepVersions());
    } catch (const std::exception&) {
        log::LogProgramError(CurrentFailure("Pelmor"), "frmVisualSettings");
    }
}

void frmVisualSettings::btnChangeFont_Click() {
    try {
        std::optional<QFont> chosen = chooser_(lblFontName_->font());
        if (!chosen) return;
        QFont font = lblFontName_->font();
        font.setFamily(chosen->family());
        font.setPointSizeF(chosen->pointSizeF());
        font.setBold(chosen->bold());
        font.setItalic(chosen->italic());
        font.setUnderline(chosen->underline());
        font.setStrikeOut(chosen->strikeOut());
        lblFontName_->setFont(font);
        lblFontName_->setText(font.family());
    } catch (const std::exception&) {
        ReportError("");
    }
}

void frmVisualSettings::btnOK_Click() {
    try {
        const QFont font = lblFontName_->font();
        Font& treeFont = settings_.TreeFont();
        treeFont.Name = font.family().toStdString();
        treeFont.Size = font.pointSizeF();
        treeFont.Bold = font.bold();
        treeFont.Underline = font.underline();
        treeFont.Italic = font.italic();
        treeFont.Strikethrough = font.strikeOut();
        settings_.SetSoftwareUpdate(chkSoftwareUpdate_->isChecked());
        settings_.SetStatusBar(chkStatusBar_->isChecked());
        settings_.SetToolbar(chkToolbar_->isChecked());
        settings_.SetDisplayOld(chkDisplayOld_->isChecked());
        settings_.SetShowRemoved(chkShowRemoved_->isChecked());
        settings_.SetKeepVersions(txtKeepVersions_->value());
        settings_.SavePreferences();
        if (!settings_.LastError().empty())
            QMessageBox::warning(
                this, tr("Visual Settings"),
                tr("The settings apply now but could not be saved:\n") + QString::fromStdString(settings_.LastError()));
        accept();
    } catch (const std::exception&) {
        Failure failure = CurrentFailure("Pelmor");
        log::LogProgramError(failure, "frmVisualSettings");
        QMessageBox::warning(this, tr("Visual Settings"), QString::fromStdString(failure.Description()));
    }
}

}  // namespace pelmor::shell
