// SPDX-License-Identifier: GPL-3.0-or-later
// "Alert Settings" and "Visual Settings": what they show, their rules while open, and
// what "OK" and "Cancel" leave in the preferences and the autostart folder.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "platform/ini/Ini.h"
#include "preferences/Settings.h"
#include "shell/Autostart.h"
#include "shell/frmAdvanced.h"
#include "shell/frmError.h"
#include "shell/frmUpdateChecking.h"
#include "shell/frmVisualSettings.h"
#include "support/LongerTexts.h"
#include "support/TempHome.h"

using namespace pelmor;
using namespace pelmor::test;
using shell::frmUpdateChecking;
using shell::frmVisualSettings;

class SettingsDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void soundRules();
    void autostartEntryFollowsTheCheckBox();
    void cancelStoresNothing();
    void visualSettingsFontAndChecks();
    void dialogsShowLongerTextsWhole();
};

namespace {

template <typename T>
T* Control(QWidget& dialog, const char* name) {
    T* control = dialog.findChild<T*>(QString::fromLatin1(name));
    if (!control) qFatal("no control %s", name);
    return control;
}

std::string IniValue(const Settings& settings, const char* section, const char* key) {
    return ini::Document::Load(settings.INIFile()).Find(section, key).value_or("(missing)");
}

}  // namespace

void SettingsDialogsTest::soundRules() {
    TempHome home;
    Settings settings;
    settings.LoadPreferences();
    QStringList plays;
    {
        frmUpdateChecking dialog(settings);
        dialog.SetSoundPlayer([&](const QString& file) { plays << file; });
        auto* sound = Control<QCheckBox>(dialog, "chkAlertSound");
        auto* defaultSound = Control<QRadioButton>(dialog, "optSoundFile0");
        auto* customSound = Control<QRadioButton>(dialog, "optSoundFile1");
        auto* file = Control<QLineEdit>(dialog, "txtSoundFile");
        // Sound off by default: its controls are off too.
        QVERIFY(!sound->isChecked());
        QVERIFY(!defaultSound->isEnabled() && !file->isEnabled());
        QVERIFY(!Control<QPushButton>(dialog, "btnPlaySound")->isEnabled());
        sound->click();
        QVERIFY(defaultSound->isEnabled() && customSound->isEnabled() && file->isEnabled());
        QVERIFY(Control<QPushButton>(dialog, "btnOpenSoundFile")->isEnabled());

        // Typing a file picks the custom sound, emptying the box the default one.
        QTest::keyClicks(file, "/tmp/bell.wav");
        QVERIFY(customSound->isChecked());
        Control<QPushButton>(dialog, "btnPlaySound")->click();
        file->clear();
        QVERIFY(defaultSound->isChecked());
        Control<QPushButton>(dialog, "btnPlaySound")->click();
        QCOMPARE(plays, QStringList({"/tmp/bell.wav", QString::fromStdString(settings.DefaultSoundFile())}));

        // The chooser: a file picks the custom sound, nothing chosen the default one.
        dialog.SetSoundFileChooser([](const QString&) { return QString("/sounds/gong.wav"); });
        dialog.btnOpenSoundFile_Click();
        QVERIFY(customSound->isChecked());
        QCOMPARE(file->text(), QString("/sounds/gong.wav"));
        // Desktop notifications by default; Pelmor's own popup when chosen.
        QVERIFY(Control<QRadioButton>(dialog, "optAlertDesktop")->isChecked());
        Control<QRadioButton>(dialog, "optAlertOwn")->click();
        Control<QPushButton>(dialog, "btnOK")->click();
    }
    QCOMPARE(IniValue(settings, "Preferences", "AlertDesktop"), std::string("False"));
    QVERIFY(settings.AlertSound());
    QVERIFY(!settings.DefaultSound());
    QCOMPARE(settings.SoundFile(), std::string("/sounds/gong.wav"));
    QCOMPARE(IniValue(settings, "Preferences", "SoundFile"), std::string("/sounds/gong.wav"));

    {
        frmUpdateChecking dialog(settings);
        QVERIFY(Control<QRadioButton>(dialog, "optSoundFile1")->isChecked());
        QVERIFY(Control<QRadioButton>(dialog, "optAlertOwn")->isChecked());
        QCOMPARE(Control<QLineEdit>(dialog, "txtSoundFile")->text(), QString("/sounds/gong.wav"));
        dialog.SetSoundFileChooser([](const QString&) { return QString(); });
        dialog.btnOpenSoundFile_Click();
        QVERIFY(Control<QRadioButton>(dialog, "optSoundFile0")->isChecked());
        // Off, then on again with the default sound.
        Control<QCheckBox>(dialog, "chkAlertSound")->click();
        Control<QPushButton>(dialog, "btnOK")->click();
    }
    QVERIFY(!settings.AlertSound());
    QCOMPARE(settings.SoundFile(), std::string());
    QVERIFY(settings.DefaultSound());
    {
        frmUpdateChecking dialog(settings);
        Control<QCheckBox>(dialog, "chkAlertSound")->click();
        QVERIFY(Control<QRadioButton>(dialog, "optSoundFile0")->isChecked());
        Control<QPushButton>(dialog, "btnOK")->click();
    }
    QVERIFY(settings.AlertSound());
    QCOMPARE(settings.SoundFile(), settings.DefaultSoundFile());
}

void SettingsDialogsTest::autostartEntryFollowsTheCheckBox() {
    TempHome home;
    Settings settings;
    settings.LoadPreferences();
    const std::filesystem::path entry = home.Root() / "autostart" / "pelmor.desktop";
    {
        frmUpdateChecking dialog(settings);
        QVERIFY(!Control<QCheckBox>(dialog, "chkWindowsStart")->isChecked());
        Control<QCheckBox>(dialog, "chkWindowsStart")->click();
        Control<QPushButton>(dialog, "btnOK")->click();
    }
    QVERIFY(settings.WindowsStart());
    const QString text = QString::fromStdString(ReadFile(entry));
    const QString program = QCoreApplication::applicationFilePath();
    QVERIFY2(text.contains("\nExec=" + program + " hide\n"), qPrintable(text));
    QVERIFY(text.startsWith("[Desktop Entry]\n"));
    QCOMPARE(IniValue(settings, "Preferences", "WindowsStart"), std::string("True"));

    // An entry deleted by hand shows as cleared; ticking makes it again.
    std::filesystem::remove(entry);
    {
        frmUpdateChecking dialog(settings);
        QVERIFY(!Control<QCheckBox>(dialog, "chkWindowsStart")->isChecked());
        QVERIFY(!settings.WindowsStart());
        Control<QCheckBox>(dialog, "chkWindowsStart")->click();
        Control<QPushButton>(dialog, "btnOK")->click();
    }
    QVERIFY(std::filesystem::exists(entry));
    {
        frmUpdateChecking dialog(settings);
        QVERIFY(Control<QCheckBox>(dialog, "chkWindowsStart")->isChecked());
        Control<QCheckBox>(dialog, "chkWindowsStart")->click();
        Control<QPushButton>(dialog, "btnOK")->click();
    }
    QVERIFY(!std::filesystem::exists(entry));
    QVERIFY(!settings.WindowsStart());

    // A program path with blanks and reserved characters stays one argument.
    QCOMPARE(QString::fromStdString(shell::StartupShortcutText("/opt/my apps/$pel\"mor")).section('\n', 4, 4),
             QString("Exec=\"/opt/my apps/\\\\$pel\\\\\"mor\" hide"));
}

void SettingsDialogsTest::cancelStoresNothing() {
    TempHome home;
    Settings settings;
    settings.LoadPreferences();
    {
        frmUpdateChecking dialog(settings);
        Control<QCheckBox>(dialog, "chkAlertPopup")->click();
        Control<QCheckBox>(dialog, "chkAutoCheck")->click();
        Control<QCheckBox>(dialog, "chkWindowsStart")->click();
        Control<QCheckBox>(dialog, "chkAlertSound")->click();
        Control<QPushButton>(dialog, "btnCancel")->click();
    }
    {
        frmVisualSettings dialog(settings, QFont("Serif", 12));
        Control<QCheckBox>(dialog, "chkToolbar")->click();
        Control<QPushButton>(dialog, "btnCancel")->click();
    }
    QVERIFY(settings.AlertPopup());
    QVERIFY(!settings.AutoCheck() && !settings.AlertSound() && !settings.WindowsStart());
    QVERIFY(settings.Toolbar());
    QVERIFY(!std::filesystem::exists(home.Config() / "Pelmor.ini"));
    QVERIFY(!std::filesystem::exists(home.Root() / "autostart"));
}

void SettingsDialogsTest::visualSettingsFontAndChecks() {
    TempHome home;
    Settings settings;
    settings.LoadPreferences();
    settings.SetDisplayOld(true);
    QFont tree("Serif", 11);
    frmVisualSettings dialog(settings, tree);
    auto* label = Control<QLabel>(dialog, "lblFontName");
    QCOMPARE(label->text(), tree.family());
    QCOMPARE(label->font().pointSize(), 11);
    QVERIFY(Control<QCheckBox>(dialog, "chkDisplayOld")->isChecked());
    QVERIFY(Control<QCheckBox>(dialog, "chkSoftwareUpdate")->isChecked());
    QVERIFY(Control<QCheckBox>(dialog, "chkShowRemoved")->isChecked());

    // Cancelling the chooser changes nothing.
    dialog.SetFontChooser([](const QFont&) { return std::nullopt; });
    dialog.btnChangeFont_Click();
    QCOMPARE(label->font().pointSize(), 11);
    QFont presetSeen;
    dialog.SetFontChooser([&](const QFont& current) -> std::optional<QFont> {
        presetSeen = current;
        QFont chosen("Monospace", 14);
        chosen.setBold(true);
        chosen.setStrikeOut(true);
        return chosen;
    });
    dialog.btnChangeFont_Click();
    QCOMPARE(presetSeen.pointSize(), 11);
    QCOMPARE(label->font().pointSize(), 14);
    QCOMPARE(label->text(), label->font().family());
    Control<QCheckBox>(dialog, "chkStatusBar")->click();
    Control<QCheckBox>(dialog, "chkSoftwareUpdate")->click();
    Control<QCheckBox>(dialog, "chkShowRemoved")->click();
    Control<QPushButton>(dialog, "btnOK")->click();

    QCOMPARE(settings.TreeFont().Size, 14.0);
    QVERIFY(settings.TreeFont().Bold && settings.TreeFont().Strikethrough && !settings.TreeFont().Italic);
    QVERIFY(!settings.StatusBar() && !settings.SoftwareUpdate() && settings.Toolbar() && settings.DisplayOld());
    QVERIFY(!settings.ShowRemoved());
    Settings reread;
    reread.LoadPreferences();
    QCOMPARE(reread.TreeFont(), settings.TreeFont());
    QVERIFY(!reread.StatusBar());
}

void SettingsDialogsTest::dialogsShowLongerTextsWhole() {
    TempHome home;
    Settings settings;
    settings.LoadPreferences();
    LongerTexts longer;
    frmUpdateChecking alerts(settings);
    frmVisualSettings visual(settings, QFont("Serif", 12));
    shell::frmAdvanced advanced;
    shell::frmError error;
    error.SetDetails("Number: 53\r\nDescription: File not found");
    error.cmdDetails_Click();
    for (QDialog* dialog : std::initializer_list<QDialog*>{&alerts, &visual, &advanced, &error}) {
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        const QStringList cut = CutOffTexts(dialog);
        QVERIFY2(cut.isEmpty(), qPrintable(dialog->objectName() + ": " + cut.join(", ")));
        dialog->close();
    }
    QVERIFY(alerts.findChild<QCheckBox*>("chkAlertPopup")->text().size() > 50);
}

QTEST_MAIN(SettingsDialogsTest)
#include "SettingsDialogsTest.moc"
