// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// "Advanced Properties": a page's first and last day of checking, its display options and
// its two mark colours. The caller fills the controls, shows the dialog modally, and when
// it was not cancelled reads the values back. "OK" hides the dialog; "Cancel" and the
// close box set the cancelled flag and hide it.

#include <QColor>
#include <QDialog>
#include <functional>
#include <string>
#include <string_view>

#include "platform/core/DateTime.h"

class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;

namespace pelmor::shell {

// The colour of an HTML colour text "#RRGGBB" (any letter case); `fallback` for any other text.
QColor ColorFromHtml(std::string_view text, const QColor& fallback);
// "#RRGGBB" in upper-case hex digits.
std::string HtmlFromColor(const QColor& color);

class frmAdvanced : public QDialog {
    Q_OBJECT
public:
    explicit frmAdvanced(QWidget* parent = nullptr);

    // A zero date shows an empty picker, and an empty picker reads back as zero. Dates
    // read back at midnight.
    void SetStartDate(DateTime date);
    DateTime StartDate() const;
    void SetEndDate(DateTime date);
    DateTime EndDate() const;

    QCheckBox* chkDeleteAtEnd() const { return chkDeleteAtEnd_; }
    QCheckBox* chkShowTimeDiff() const { return chkShowTimeDiff_; }
    QCheckBox* chkShowPics() const { return chkShowPics_; }
    QCheckBox* chkShowNumbers() const { return chkShowNumbers_; }
    QCheckBox* chkUseInverse() const { return chkUseInverse_; }

    // The swatches: a text that is not "#RRGGBB" shows the default colour of the swatch.
    void SetInsertColor(std::string_view color);
    std::string InsertColor() const;
    void SetUpdateColor(std::string_view color);
    std::string UpdateColor() const;
    // Opens the colour chooser for a swatch; a chosen colour becomes its background,
    // cancelling keeps the old one. Tests replace the chooser.
    void ChooseColor(QPushButton* swatch);
    void SetColorChooser(std::function<QColor(const QColor& initial)> chooser) { chooser_ = std::move(chooser); }

    // The watched part's element path; "" for the whole page.
    void SetElementPath(std::string_view path);
    std::string ElementPath() const;

    // True after "Cancel" or the close box; false when the dialog loads.
    bool Cancelled() const { return cancelled_; }

    // Why the dates cannot be kept (an end before the start); empty when they can.
    QString DateProblem() const;

protected:
    // OK with an end date before the start date says so and keeps the dialog open.
    void accept() override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static void SetSwatch(QPushButton* swatch, const QColor& color);
    static QColor SwatchColor(const QPushButton* swatch);

    QDateEdit* ctlStartDate_ = nullptr;
    QDateEdit* ctlEndDate_ = nullptr;
    QLabel* lblDateProblem_ = nullptr;
    QCheckBox* chkDeleteAtEnd_ = nullptr;
    QCheckBox* chkShowTimeDiff_ = nullptr;
    QCheckBox* chkShowPics_ = nullptr;
    QCheckBox* chkShowNumbers_ = nullptr;
    QCheckBox* chkUseInverse_ = nullptr;
    QPushButton* lblInsertColor_ = nullptr;
    QPushButton* lblUpdatecolor_ = nullptr;
    QLineEdit* txtElementPath_ = nullptr;
    std::function<QColor(const QColor&)> chooser_;
    bool cancelled_ = false;
    bool typing_ = false;
    QDateEdit* advancedBy_ = nullptr;  // the picker whose last digit filled a section
};

}  // namespace pelmor::shell
