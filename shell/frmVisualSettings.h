// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// "Visual Settings": the tree font, the status bar, the toolbar, the old version shown
// beside the changes, removed text shown in place and the software update check at start. "OK" writes the
// preferences (the caller then applies them to the main window); "Cancel" changes nothing.

#include <QDialog>
#include <QFont>
#include <functional>
#include <optional>

class QCheckBox;
class QSpinBox;
class QLabel;

namespace pelmor {
class Settings;
struct Font;
}

namespace pelmor::shell {

class frmVisualSettings : public QDialog {
    Q_OBJECT
public:
    // `treeFont` is the tree's current font, shown in the label. `settings` must outlive
    // the dialog.
    frmVisualSettings(Settings& settings, const QFont& treeFont, QWidget* parent = nullptr);

    // The font chooser; answers the chosen font, or nothing when cancelled. By default
    // the font dialog titled "Choose font".
    void SetFontChooser(std::function<std::optional<QFont>(const QFont& current)> chooser) {
        chooser_ = std::move(chooser);
    }

    void btnChangeFont_Click();
    void btnOK_Click();

private:
    void Form_Load(const QFont& treeFont);

    Settings& settings_;
    std::function<std::optional<QFont>(const QFont&)> chooser_;
    QLabel* lblFontName_ = nullptr;
    QCheckBox* chkStatusBar_ = nullptr;
    QCheckBox* chkToolbar_ = nullptr;
    QCheckBox* chkDisplayOld_ = nullptr;
    QCheckBox* chkShowRemoved_ = nullptr;
    QSpinBox* txtKeepVersions_ = nullptr;
    QCheckBox* chkSoftwareUpdate_ = nullptr;
};

// The font a tree font preference describes, starting from `base` for what it leaves open.
QFont FontOf(const pelmor::Font& font, const QFont& base);

}  // namespace pelmor::shell
