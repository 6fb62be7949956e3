// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// "Page Details" (frmAddURL) and "Folder Details" (frmAddFolder): the dialogs that ask
// for a new page or folder. OK with an empty first box says what is missing and keeps the
// dialog open; Cancel and the close box empty the boxes, so an empty URL or name after
// the dialog means that it was cancelled.

#include <QDialog>
#include <string>

#include "items/Item.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace pelmor::mainwindow {

class ItemDetailsDialog : public QDialog {
    Q_OBJECT
public:
    QLineEdit* txtDescription() const { return txtDescription_; }
    QLineEdit* txtTimePeriod() const { return txtTimePeriod_; }
    QComboBox* lstPeriodUnit() const { return lstPeriodUnit_; }

    // Fills the period box and the unit list (on loading: "1" and "Days").
    void SetPeriod(int periodTime, dfUnits periodUnit);
    // The period after the period rule, and the unit by the entry's text.
    int16_t PeriodTime() const;
    dfUnits PeriodUnit() const;
    std::string Description() const;

protected:
    ItemDetailsDialog(QWidget* parent, const QString& caption, const QString& firstLabel, const char* firstName,
                      QString missingText);
    QLineEdit* FirstBox() const { return first_; }
    void accept() override;
    void reject() override;

    QLineEdit* first_ = nullptr;
    QLineEdit* txtDescription_ = nullptr;
    QLineEdit* txtTimePeriod_ = nullptr;
    QComboBox* lstPeriodUnit_ = nullptr;
    QString missingText_;
};

class frmAddURL : public ItemDetailsDialog {
    Q_OBJECT
public:
    explicit frmAddURL(QWidget* parent = nullptr);

    QLineEdit* txtURL() const { return first_; }
    QCheckBox* chkTitle() const { return chkTitle_; }
    std::string URL() const;
    bool DetectTitle() const;

protected:
    // Refuses an address that is no web address, as an empty one, keeping the dialog open.
    void accept() override;

private:
    void chkTitle_Click();
    void txtURL_Validate();

    QCheckBox* chkTitle_ = nullptr;
};

class frmAddFolder : public ItemDetailsDialog {
    Q_OBJECT
public:
    explicit frmAddFolder(QWidget* parent = nullptr);

    QLineEdit* txtName() const { return first_; }
    std::string Name() const;
};

}  // namespace pelmor::mainwindow
