// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/frmUpdateChecking.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSoundEffect>
#include <QStyle>
#include <QUrl>
#include <exception>

#include "platform/core/Failure.h"
#include "platform/log/Log.h"
#include "preferences/Settings.h"
#include "shell/Autostart.h"
#include "shell/DialogButtons.h"

namespace pelmor::shell {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

QString ChooseSoundFile(QWidget* parent, const QString& folder) {
    return QFileDialog::getOpenFileName(
        parent, QCoreApplication::translate("frmUpdateChecking", "Choose the alert sound"), folder,
        QCoreApplication::translate("frmUpdateChecking", "Sounds (*.wav *.WAV);;All files (*)"));
}

QGroupBox* Group(const QString& title, QWidget* parent) {
    auto* box = new QGroupBox(title, parent);
    new QVBoxLayout(box);
    return box;
}

}  // namespace

frmUpdateChecking::frmUpdateChecking(Settings& settings, QWidget* parent) : QDialog(parent), settings_(settings) {
    setObjectName(QStringLiteral("frmUpdateChecking"));
    setWindowTitle(tr("Alert Settings"));
    chooser_ = [this](const QString& folder) { return ChooseSoundFile(this, folder); };
    player_ = [this](const QString& file) { PlayFile(file); };

    auto* layout = new QVBoxLayout(this);
    QGroupBox* popup = Group(tr("Pop-up Alerts"), this);
    chkAlertPopup_ = new QCheckBox(tr("Display a popup alert when an update is found"), popup);
    chkAlertPopup_->setObjectName(QStringLiteral("chkAlertPopup"));
    popup->layout()->addWidget(chkAlertPopup_);
    // Where no notification server runs, Pelmor's popup is shown whatever is chosen here.
    optAlertDesktop_ = new QRadioButton(tr("Use the desktop's notifications"), popup);
    optAlertDesktop_->setObjectName(QStringLiteral("optAlertDesktop"));
    optAlertOwn_ = new QRadioButton(tr("Use Pelmor's own popup"), popup);
    optAlertOwn_->setObjectName(QStringLiteral("optAlertOwn"));
    auto* alertKind = new QButtonGroup(this);
    alertKind->addButton(optAlertDesktop_);
    alertKind->addButton(optAlertOwn_);
    popup->layout()->addWidget(optAlertDesktop_);
    popup->layout()->addWidget(optAlertOwn_);
    connect(chkAlertPopup_, &QCheckBox::toggled, this, [this](bool on) {
        optAlertDesktop_->setEnabled(on);
        optAlertOwn_->setEnabled(on);
    });
    layout->addWidget(popup);

    QGroupBox* sound = Group(tr("Alert Sound"), this);
    chkAlertSound_ = new QCheckBox(tr("Play a sound when an updated page is found"), sound);
    chkAlertSound_->setObjectName(QStringLiteral("chkAlertSound"));
    optDefaultSound_ = new QRadioButton(tr("Default sound"), sound);
    optDefaultSound_->setObjectName(QStringLiteral("optSoundFile0"));
    optCustomSound_ = new QRadioButton(tr("Custom sound"), sound);
    optCustomSound_->setObjectName(QStringLiteral("optSoundFile1"));
    auto* options = new QButtonGroup(this);
    options->addButton(optDefaultSound_, 0);
    options->addButton(optCustomSound_, 1);
    txtSoundFile_ = new QLineEdit(sound);
    txtSoundFile_->setObjectName(QStringLiteral("txtSoundFile"));
    txtSoundFile_->setMinimumWidth(260);
    btnOpenSoundFile_ = new QPushButton(QStringLiteral("..."), sound);
    btnOpenSoundFile_->setObjectName(QStringLiteral("btnOpenSoundFile"));
    btnOpenSoundFile_->setToolTip(tr("Choose a sound file"));
    btnOpenSoundFile_->setMaximumWidth(32);
    btnPlaySound_ = new QPushButton(sound);
    btnPlaySound_->setObjectName(QStringLiteral("btnPlaySound"));
    btnPlaySound_->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    btnPlaySound_->setToolTip(tr("Play the sound"));
    sound->layout()->addWidget(chkAlertSound_);
    sound->layout()->addWidget(optDefaultSound_);
    auto* custom = new QHBoxLayout();
    custom->addWidget(optCustomSound_);
    custom->addWidget(txtSoundFile_, 1);
    custom->addWidget(btnOpenSoundFile_);
    custom->addWidget(btnPlaySound_);
    static_cast<QVBoxLayout*>(sound->layout())->addLayout(custom);
    layout->addWidget(sound);

    QGroupBox* autoCheck = Group(tr("Automatic Check"), this);
    chkAutoCheck_ = new QCheckBox(tr("Automatically check all web pages when application starts"), autoCheck);
    chkAutoCheck_->setObjectName(QStringLiteral("chkAutoCheck"));
    autoCheck->layout()->addWidget(chkAutoCheck_);
    layout->addWidget(autoCheck);

    QGroupBox* start = Group(tr("Window Start"), this);
    chkWindowsStart_ = new QCheckBox(tr("Run when windows starts"), start);
    chkWindowsStart_->setObjectName(QStringLiteral("chkWindowsStart"));
    start->layout()->addWidget(chkWindowsStart_);
    layout->addWidget(start);

    layout->addLayout(OkCancelRow(this, true, [this] { btnOK_Click(); }));

    connect(chkAlertSound_, &QCheckBox::clicked, this, [this] { chkAlertSound_Click(); });
    connect(txtSoundFile_, &QLineEdit::textChanged, this, [this] { txtSoundFile_Change(); });
    connect(btnOpenSoundFile_, &QPushButton::clicked, this, [this] { btnOpenSoundFile_Click(); });
    connect(btnPlaySound_, &QPushButton::clicked, this, [this] { btnPlaySound_Click(); });
    Form_Load();
}

frmUpdateChecking::~frmUpdateChecking() = default;

void frmUpdateChecking::Form_Load() {
    try {
        chkAlertPopup_->setChecked(settings_.AlertPopup());
        (settings_.AlertDesktop() ? optAlertDesktop_ : optAlertOwn_)->setChecked(true);
        optAlertDesktop_->setEnabled(settings_.AlertPopup());
        optAlertOwn_->setEnabled(settings_.AlertPopup());
        chkAutoCheck_->setChecked(settings_.AutoCheck());
        // The entry may have been made or deleted outside the program: the file decides.
        settings_.SetWindowsStart(StartupShortcutExists());
        chkWindowsStart_->setChecked(settings_.WindowsStart());
        chkAlertSound_->setChecked(settings_.AlertSound());
        EnableSound(settings_.AlertSound());
        if (settings_.DefaultSound()) {
            optDefaultSound_->setChecked(true);
        } else {
            QSignalBlocker block(txtSoundFile_);
            optCustomSound_->setChecked(true);
            txtSoundFile_->setText(Q(settings_.SoundFile()));
        }
    } catch (const std::exception&) {
        log::LogProgramError(CurrentFailure("Pelmor"), "frmUpdateChecking");
    }
}

void frmUpdateChecking::EnableSound(bool enabled) {
    for (QWidget* control : {static_cast<QWidget*>(optDefaultSound_), static_cast<QWidget*>(optCustomSound_),
                             static_cast<QWidget*>(txtSoundFile_), static_cast<QWidget*>(btnOpenSoundFile_),
                             static_cast<QWidget*>(btnPlaySound_)})
        control->setEnabled(enabled);
}

void frmUpdateChecking::chkAlertSound_Click() { EnableSound(chkAlertSound_->isChecked()); }

void frmUpdateChecking::txtSoundFile_Change() {
    if (txtSoundFile_->text().isEmpty())
        optDefaultSound_->setChecked(true);
    else
        optCustomSound_->setChecked(true);
}

void frmUpdateChecking::btnOpenSoundFile_Click() {
    try {
        QString chosen = chooser_(Q(settings_.AppPath()));
        txtSoundFile_->setText(chosen);
        if (chosen.isEmpty())
            optDefaultSound_->setChecked(true);
        else
            optCustomSound_->setChecked(true);
    } catch (const std::exception&) {
        QMessageBox::warning(this, tr("Alert Settings"),
                             QString::fromStdString(CurrentFailure("Pelmor").Description()));
    }
}

void frmUpdateChecking::btnPlaySound_Click() {
    QString file = optDefaultSound_->isChecked() ? Q(settings_.DefaultSoundFile()) : txtSoundFile_->text();
    if (!file.isEmpty()) player_(file);
}

void frmUpdateChecking::PlayFile(const QString& file) {
    if (!sound_) sound_ = new QSoundEffect(this);
    sound_->stop();
    sound_->setSource(QUrl::fromLocalFile(file));
    sound_->play();
}

void frmUpdateChecking::btnOK_Click() {
    try {
        settings_.SetAlertPopup(chkAlertPopup_->isChecked());
        settings_.SetAlertDesktop(optAlertDesktop_->isChecked());
        settings_.SetAutoCheck(chkAutoCheck_->isChecked());
        if (chkWindowsStart_->isChecked()) {
            if (!settings_.WindowsStart()) CreateStartupShortcut();
            settings_.SetWindowsStart(true);
        } else {
            if (settings_.WindowsStart()) DeleteStartupShortcut();
            settings_.SetWindowsStart(false);
        }
        if (chkAlertSound_->isChecked()) {
            settings_.SetAlertSound(true);
            if (optDefaultSound_->isChecked()) {
                settings_.SetDefaultSound(true);
                settings_.SetSoundFile(settings_.DefaultSoundFile());
            } else {
                settings_.SetDefaultSound(false);
                settings_.SetSoundFile(txtSoundFile_->text().toStdString());
            }
        } else {
            settings_.SetAlertSound(false);
            settings_.SetSoundFile("");
            settings_.SetDefaultSound(true);
        }
        settings_.SavePreferences();
        if (!settings_.LastError().empty())
            QMessageBox::warning(this, tr("Alert Settings"),
                                 tr("The settings apply now but could not be saved:\n") + Q(settings_.LastError()));
        accept();
    } catch (const std::exception&) {
        // The handler stops here; the dialog stays open so nothing the user chose is lost.
        Failure failure = CurrentFailure("Pelmor");
        log::LogProgramError(failure, "frmUpdateChecking");
        QMessageBox::warning(this, tr("Alert Settings"), Q(failure.Description()));
    }
}

}  // namespace pelmor::shell
