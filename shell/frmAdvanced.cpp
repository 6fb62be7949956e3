// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/frmAdvanced.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QColorDialog>
#include <QCoreApplication>
#include <QDateEdit>
#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "shell/DialogButtons.h"
#include "shell/Pictures.h"

namespace pelmor::shell {
namespace {

// The earliest date of the pickers stands for "no date" and is shown empty.
const QDate kNoDate(1899, 12, 30);
const QColor kInsertDefault(0x00, 0xFF, 0x00);
const QColor kUpdateDefault(0xFF, 0xFF, 0x00);

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

QDateEdit* MakeDatePicker(QWidget* parent, const char* name, const QString& tip) {
    auto* picker = new QDateEdit(parent);
    picker->setObjectName(QString::fromLatin1(name));
    picker->setToolTip(tip);
    picker->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    picker->setCalendarPopup(true);
    picker->setMinimumDate(kNoDate);
    picker->setSpecialValueText(QStringLiteral(" "));
    return picker;
}

void SetPicker(QDateEdit* picker, DateTime date) {
    if (date.IsZero()) {
        picker->setDate(kNoDate);
        return;
    }
    DateTime::Parts p = date.Split();
    QDate day(p.year, p.month, p.day);
    picker->setDate(day.isValid() && day > kNoDate ? day : kNoDate);
}

DateTime ReadPicker(const QDateEdit* picker) {
    QDate day = picker->date();
    if (!day.isValid() || day <= kNoDate) return DateTime();
    DateTime::Parts p;
    p.year = day.year();
    p.month = day.month();
    p.day = day.day();
    return DateTime::FromParts(p).value_or(DateTime());
}

}  // namespace

QColor ColorFromHtml(std::string_view text, const QColor& fallback) {
    if (text.size() != 7 || text[0] != '#') return fallback;
    int v[6];
    for (int i = 0; i < 6; ++i)
        if ((v[i] = HexDigit(text[i + 1])) < 0) return fallback;
    return QColor(v[0] * 16 + v[1], v[2] * 16 + v[3], v[4] * 16 + v[5]);
}

std::string HtmlFromColor(const QColor& color) {
    return QStringLiteral("#%1%2%3")
        .arg(color.red(), 2, 16, QLatin1Char('0'))
        .arg(color.green(), 2, 16, QLatin1Char('0'))
        .arg(color.blue(), 2, 16, QLatin1Char('0'))
        .toUpper()
        .toStdString();
}

frmAdvanced::frmAdvanced(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAdvanced"));
    setWindowTitle(tr("Advanced Properties"));
    setWindowIcon(AppIcon());

    ctlStartDate_ = MakeDatePicker(this, "ctlStartDate", tr("Start checking date"));
    ctlEndDate_ = MakeDatePicker(this, "ctlEndDate", tr("End checking date"));
    auto dateRow = [this](QDateEdit* picker, const char* clearName) {
        auto* row = new QHBoxLayout();
        row->addWidget(picker, 1);
        auto* clear = new QToolButton(this);
        clear->setObjectName(QString::fromLatin1(clearName));
        clear->setText(tr("Clear"));
        clear->setToolTip(tr("No date"));
        connect(clear, &QToolButton::clicked, picker, [picker] { picker->setDate(kNoDate); });
        row->addWidget(clear);
        // An empty picker opens its calendar on today's month, not on the earliest date.
        picker->calendarWidget()->installEventFilter(this);
        // A date typed into an empty picker is taken as typed.
        picker->installEventFilter(this);
        connect(picker, &QDateEdit::dateChanged, this, [this] {
            const QString problem = DateProblem();
            lblDateProblem_->setText(problem);
            lblDateProblem_->setVisible(!problem.isEmpty());
        });
        return row;
    };
    auto* dates = new QFormLayout();
    dates->addRow(tr("Start date:"), dateRow(ctlStartDate_, "btnClearStartDate"));
    lblDateProblem_ = new QLabel(this);
    lblDateProblem_->setObjectName(QStringLiteral("lblDateProblem"));
    lblDateProblem_->setStyleSheet(QStringLiteral("color: #B00000"));
    lblDateProblem_->setVisible(false);
    dates->addRow(tr("End date:"), dateRow(ctlEndDate_, "btnClearEndDate"));
    dates->addRow(QString(), lblDateProblem_);

    auto check = [this](const char* name, const QString& caption) {
        auto* box = new QCheckBox(caption, this);
        box->setObjectName(QString::fromLatin1(name));
        return box;
    };
    chkDeleteAtEnd_ = check("chkDeleteAtEnd", tr("Delete when finished"));
    chkShowTimeDiff_ = check("chkShowTimeDiff", tr("Display changes in date/time elements"));
    chkShowPics_ = check("chkShowPics", tr("Display changes in pictures"));
    chkShowNumbers_ = check("chkShowNumbers", tr("Display changes in numbers"));
    chkUseInverse_ = check("chkUseInverse", tr("Use inverse colors to display updates"));

    auto swatch = [this](const char* name) {
        auto* button = new QPushButton(this);
        button->setObjectName(QString::fromLatin1(name));
        button->setFixedSize(48, 22);
        button->setToolTip(tr("Click to choose a colour"));
        connect(button, &QPushButton::clicked, this, [this, button] { ChooseColor(button); });
        return button;
    };
    lblInsertColor_ = swatch("lblInsertColor");
    lblUpdatecolor_ = swatch("lblUpdatecolor");
    SetSwatch(lblInsertColor_, kInsertDefault);
    SetSwatch(lblUpdatecolor_, kUpdateDefault);
    auto* colors = new QFormLayout();
    colors->addRow(tr("Color used for insert"), lblInsertColor_);
    colors->addRow(tr("Color used for update"), lblUpdatecolor_);

    // The part of the page watched, as an element path; empty for the whole page.
    txtElementPath_ = new QLineEdit(this);
    txtElementPath_->setObjectName(QStringLiteral("txtElementPath"));
    txtElementPath_->setPlaceholderText(tr("the whole page"));
    txtElementPath_->setToolTip(tr("The part of the page watched, chosen with \"Watch only a part...\" in the page"));
    auto* btnWholePage = new QPushButton(tr("Watch the whole page"), this);
    btnWholePage->setObjectName(QStringLiteral("btnWholePage"));
    connect(btnWholePage, &QPushButton::clicked, txtElementPath_, &QLineEdit::clear);
    auto* watched = new QHBoxLayout();
    watched->addWidget(txtElementPath_, 1);
    watched->addWidget(btnWholePage);
    colors->addRow(tr("Watched part"), watched);

    QHBoxLayout* buttons = shell::OkCancelRow(this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(dates);
    for (QCheckBox* box : {chkDeleteAtEnd_, chkShowTimeDiff_, chkShowPics_, chkShowNumbers_, chkUseInverse_})
        layout->addWidget(box);
    layout->addLayout(colors);
    layout->addStretch(1);
    layout->addLayout(buttons);
    SetStartDate(DateTime());
    SetEndDate(DateTime());
}

void frmAdvanced::SetStartDate(DateTime date) { SetPicker(ctlStartDate_, date); }
DateTime frmAdvanced::StartDate() const { return ReadPicker(ctlStartDate_); }
void frmAdvanced::SetEndDate(DateTime date) { SetPicker(ctlEndDate_, date); }
DateTime frmAdvanced::EndDate() const { return ReadPicker(ctlEndDate_); }

void frmAdvanced::SetSwatch(QPushButton* swatch, const QColor& color) {
    swatch->setProperty("swatchColor", color);
    swatch->setStyleSheet(QStringLiteral("background-color: %1; border: 1px solid #606060;").arg(color.name()));
}

QColor frmAdvanced::SwatchColor(const QPushButton* swatch) { return swatch->property("swatchColor").value<QColor>(); }

void frmAdvanced::SetInsertColor(std::string_view color) {
    SetSwatch(lblInsertColor_, ColorFromHtml(color, kInsertDefault));
}
std::string frmAdvanced::InsertColor() const { return HtmlFromColor(SwatchColor(lblInsertColor_)); }
void frmAdvanced::SetUpdateColor(std::string_view color) {
    SetSwatch(lblUpdatecolor_, ColorFromHtml(color, kUpdateDefault));
}
std::string frmAdvanced::UpdateColor() const { return HtmlFromColor(SwatchColor(lblUpdatecolor_)); }

void frmAdvanced::ChooseColor(QPushButton* swatch) {
    QColor initial = SwatchColor(swatch);
    QColor chosen = chooser_ ? chooser_(initial) : QColorDialog::getColor(initial, this, tr("Choose a colour"));
    if (chosen.isValid()) SetSwatch(swatch, chosen);
}

QString frmAdvanced::DateProblem() const {
    const DateTime start = StartDate();
    const DateTime end = EndDate();
    if (!start.IsZero() && !end.IsZero() && end < start) return tr("The end date is before the start date.");
    return {};
}

void frmAdvanced::accept() {
    if (const QString problem = DateProblem(); !problem.isEmpty()) {
        QMessageBox box(QMessageBox::Information, windowTitle(), problem, QMessageBox::Ok, this);
        box.exec();
        ctlEndDate_->setFocus();
        return;
    }
    QDialog::accept();
}

void frmAdvanced::SetElementPath(std::string_view path) {
    txtElementPath_->setText(QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size())));
}

std::string frmAdvanced::ElementPath() const { return txtElementPath_->text().trimmed().toStdString(); }

void frmAdvanced::reject() {
    cancelled_ = true;
    QDialog::reject();
}

bool frmAdvanced::eventFilter(QObject* watched, QEvent* event) {
    auto* picker = qobject_cast<QDateEdit*>(watched);
    if (event->type() == QEvent::KeyPress && picker && !typing_) {
        const QString typed = static_cast<QKeyEvent*>(event)->text();
        const bool digit = typed.size() == 1 && typed[0].isDigit();
        const bool separator =
            typed == QLatin1String("/") || typed == QLatin1String(".") || typed == QLatin1String("-");
        if (digit && picker->date() <= kNoDate) {
            // An empty picker shows no sections to type into: it starts from today with
            // the day selected, so a date typed lands day, month, year.
            picker->setDate(QDate::currentDate());
            picker->setSelectedSection(QDateTimeEdit::DaySection);
        }
        if (digit) {
            // A full section moves on by itself; the separator typed after it must not
            // move on a second time.
            const int section = picker->currentSectionIndex();
            typing_ = true;
            QCoreApplication::sendEvent(picker, event);
            typing_ = false;
            advancedBy_ = picker->currentSectionIndex() != section ? picker : nullptr;
            return true;
        }
        if (separator && advancedBy_ == picker) {
            advancedBy_ = nullptr;
            return true;
        }
        advancedBy_ = nullptr;
    }
    if (event->type() == QEvent::Show)
        for (QDateEdit* picker : {ctlStartDate_, ctlEndDate_})
            if (watched == picker->calendarWidget() && picker->date() <= kNoDate) {
                QDate today = QDate::currentDate();
                picker->calendarWidget()->setCurrentPage(today.year(), today.month());
            }
    return QDialog::eventFilter(watched, event);
}

}  // namespace pelmor::shell
