// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The error dialog: a heading, a hint, and the error record behind a "Details >>>" button.
// It opens collapsed; the button toggles the record in and out, the dialog growing and
// shrinking with it.

#include <QDialog>

class QLabel;
class QPushButton;

namespace pelmor::shell {

class frmError : public QDialog {
    Q_OBJECT
public:
    explicit frmError(QWidget* parent = nullptr);

    // Puts the error record into the details label.
    void SetDetails(const QString& record);
    QString Details() const;
    // True while the details are shown.
    bool IsExpanded() const;

    // The details button: shows the record when it is hidden, hides it otherwise.
    void cmdDetails_Click();

    QPushButton* DetailsButton() const { return cmdDetails_; }

private:
    void ShowDetails(bool shown);

    QLabel* lblDetails_;
    QPushButton* cmdDetails_;
};

}  // namespace pelmor::shell
