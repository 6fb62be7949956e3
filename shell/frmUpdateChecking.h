// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// "Alert Settings": the popup, the alert sound, the automatic check at start and the
// start with the desktop session. "OK" writes the preferences; "Cancel" changes nothing.

#include <QDialog>
#include <functional>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSoundEffect;

namespace pelmor {
class Settings;
}

namespace pelmor::shell {

class frmUpdateChecking : public QDialog {
    Q_OBJECT
public:
    // Fills the controls from `settings`, which must outlive the dialog.
    explicit frmUpdateChecking(Settings& settings, QWidget* parent = nullptr);
    ~frmUpdateChecking() override;

    // The sound file chooser; answers the chosen file or "" when nothing was chosen. By
    // default a file dialog opened in the application folder.
    void SetSoundFileChooser(std::function<QString(const QString& folder)> chooser) { chooser_ = std::move(chooser); }
    // Plays a sound file without waiting for its end. By default a sound effect.
    void SetSoundPlayer(std::function<void(const QString& file)> player) { player_ = std::move(player); }

    void chkAlertSound_Click();
    void txtSoundFile_Change();
    void btnOpenSoundFile_Click();
    void btnPlaySound_Click();
    void btnOK_Click();

private:
    void Form_Load();
    void EnableSound(bool enabled);
    void PlayFile(const QString& file);

    Settings& settings_;
    std::function<QString(const QString&)> chooser_;
    std::function<void(const QString&)> player_;
    QSoundEffect* sound_ = nullptr;
    QCheckBox* chkAlertPopup_ = nullptr;
    QRadioButton* optAlertDesktop_ = nullptr;
    QRadioButton* optAlertOwn_ = nullptr;
    QCheckBox* chkAlertSound_ = nullptr;
    QRadioButton* optDefaultSound_ = nullptr;
    QRadioButton* optCustomSound_ = nullptr;
    QLineEdit* txtSoundFile_ = nullptr;
    QPushButton* btnOpenSoundFile_ = nullptr;
    QPushButton* btnPlaySound_ = nullptr;
    QCheckBox* chkAutoCheck_ = nullptr;
    QCheckBox* chkWindowsStart_ = nullptr;
};

}  // namespace pelmor::shell
