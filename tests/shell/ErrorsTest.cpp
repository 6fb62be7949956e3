// SPDX-License-Identifier: GPL-3.0-or-later
// Reporting failures: the error dialog, the status text and the log record.

#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "platform/log/Log.h"
#include "shell/ErrorReport.h"
#include "shell/frmError.h"
#include "support/TempHome.h"

using namespace pelmor;
using namespace pelmor::shell;

class ErrorsTest : public QObject {
    Q_OBJECT
private slots:
    void detailsButtonExpandsAndCollapses();
    void reportShowsDialogSetsStatusAndLogs();
    void treeControlFailureIsNotShown();
    void reportInsideCatchUsesFailureInFlight();
};

void ErrorsTest::detailsButtonExpandsAndCollapses() {
    frmError dialog;
    dialog.SetDetails("\r\nTime: 01/02/2026 10:00:00\r\nNumber: 53\r\nSource: Pelmor\r\nDescription: gone");
    QCOMPARE(dialog.windowTitle(), QString("Pelmor - Error"));
    QCOMPARE(dialog.Details(), QString("Time: 01/02/2026 10:00:00\nNumber: 53\nSource: Pelmor\nDescription: gone"));
    QCOMPARE(dialog.DetailsButton()->text(), QString("Details >>>"));
    QVERIFY(!dialog.IsExpanded());
    const QSize collapsed = dialog.size();
    const auto* details = dialog.findChild<QLabel*>("lblDetails");

    dialog.DetailsButton()->click();
    QCOMPARE(dialog.DetailsButton()->text(), QString("Details <<<"));
    QVERIFY(dialog.height() >= collapsed.height() + details->height());
    QCOMPARE(dialog.width(), collapsed.width());
    QVERIFY(dialog.IsExpanded());

    dialog.DetailsButton()->click();
    QCOMPARE(dialog.DetailsButton()->text(), QString("Details >>>"));
    QCOMPARE(dialog.size(), collapsed);
}

void ErrorsTest::reportShowsDialogSetsStatusAndLogs() {
    test::TempHome home;
    QString shown;
    QString status;
    SetErrorDialogHook([&](const QString& record) { shown = record; });
    SetStatusTextSink([&](const QString& text) { status = text; });
    ReportError(Failure(Fault::FileNotFound, "Pelmor", "File not found"), "LoadTree");
    QVERIFY(shown.contains("\r\nNumber: 53\r\nSource: Pelmor\r\nDescription: File not found\r\nLoadTree"));
    QCOMPARE(status, QString("Error occured"));
    std::string logged = test::ReadFile(log::PathOf(log::File::Program));
    QVERIFY(logged.rfind("Error:\r\r\nTime: ", 0) == 0);
    QVERIFY(logged.find("\r\nDescription: File not found\r\nLoadTree\n") != std::string::npos);
    SetErrorDialogHook({});
    SetStatusTextSink({});
}

void ErrorsTest::treeControlFailureIsNotShown() {
    test::TempHome home;
    bool shown = false;
    QString status;
    SetErrorDialogHook([&](const QString&) { shown = true; });
    SetStatusTextSink([&](const QString& text) { status = text; });
    ReportError(Failure(Fault::KeyNotFound, "VBALvbalTREEVIEW6.cTreeView", "Element not found"), "");
    QVERIFY(!shown);
    QCOMPARE(status, QString("Error occured"));
    QVERIFY(test::ReadFile(log::PathOf(log::File::Program)).find("Element not found") != std::string::npos);
    SetErrorDialogHook({});
    SetStatusTextSink({});
}

void ErrorsTest::reportInsideCatchUsesFailureInFlight() {
    test::TempHome home;
    QString shown;
    SetErrorDialogHook([&](const QString& record) { shown = record; });
    try {
        throw Failure(Fault::Missing, "frmMain", "Object not set");
    } catch (...) {
        ReportError("");
    }
    QVERIFY(shown.contains("Number: 91\r\nSource: frmMain\r\nDescription: Object not set"));
    QVERIFY(shown.endsWith("Object not set"));  // no parameter line for an empty text
    SetErrorDialogHook({});
}

QTEST_MAIN(ErrorsTest)
#include "ErrorsTest.moc"
