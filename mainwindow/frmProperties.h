// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The read-only properties of a page: its description, address, when it was last saved
// and checked, its period and when it is checked next.

#include <QDialog>
#include <string>

#include "items/Item.h"
#include "platform/core/DateTime.h"

class QLabel;

namespace pelmor::mainwindow {

class frmProperties : public QDialog {
    Q_OBJECT
public:
    explicit frmProperties(QWidget* parent = nullptr);

    // Fills the dialog; the caption becomes "Properties of " and the URL.
    void SetProperties(bool Active, const std::string& Description, const std::string& URL, DateTime SavedDate,
                       int PeriodTime, dfUnits PeriodUnit, DateTime LastCheckDate);

    // The shown text of a field by its control name ("lblNextCheck"); empty when unknown.
    QString Field(const char* name) const;

    // LastCheckDate plus one period: minutes as 1/1440 day, hours as 1/24 day, days whole.
    static DateTime NextCheck(DateTime lastCheck, int periodTime, dfUnits periodUnit);

private:
    QLabel* picture_ = nullptr;
};

}  // namespace pelmor::mainwindow
