// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/ChangesBar.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QVariantList>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

#include "mainwindow/BrowserWindow.h"

namespace pelmor::mainwindow {
namespace {

constexpr const char* kDefaultInsert = "#00FF00";
constexpr const char* kDefaultUpdate = "#FFFF00";
constexpr const char* kRemoval = "#FF0000";

// Counts the shown marks of each kind: [inserted, updated, removed].
const char* kCountScript =
    "(function(){var c={insert:0,update:0,remove:0};"
    "var m=document.querySelectorAll('[pelmormark]');"
    "for(var i=0;i<m.length;i++){var k=m[i].getAttribute('pelmormark');if(k in c)c[k]++;}"
    "return [c.insert,c.update,c.remove];})()";

// Scrolls to the next (or previous) mark that takes room on the page, outlines it for a
// moment, and answers [its 1-based number, the number of marks].
const char* kStepScript =
    "(function(d){var m=Array.prototype.filter.call(document.querySelectorAll('[pelmormark]'),"
    "function(e){return e.getClientRects().length>0;});"
    "if(!m.length)return [0,0];"
    "var i=typeof window.pelmorStep==='number'?window.pelmorStep+d:(d>0?0:m.length-1);"
    "i=((i%m.length)+m.length)%m.length;window.pelmorStep=i;var e=m[i];"
    "e.scrollIntoView({block:'center',inline:'nearest'});"
    "var o=e.style.outline;e.style.outline='2px solid #0060FF';"
    "setTimeout(function(){e.style.outline=o;},1500);"
    "return [i+1,m.length];})(%1)";

// One entry of the legend: a small sample of how a kind of mark looks, and its name.
QLabel* Sample(QWidget* parent, const QString& name, const QString& style, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setStyleSheet(style);
    label->setContentsMargins(4, 0, 4, 0);
    return label;
}

}  // namespace

ChangesBar::ChangesBar(BrowserWindow* window, const QString& insertColour, const QString& updateColour)
    : QToolBar(tr("Changes"), window), window_(window) {
    setObjectName(QStringLiteral("ctlChanges"));
    setMovable(false);
    setFloatable(false);

    lblChanges_ = new QLabel(this);
    lblChanges_->setObjectName(QStringLiteral("lblChanges"));
    lblChanges_->setContentsMargins(4, 0, 12, 0);
    addWidget(lblChanges_);

    auto* legend = new QWidget(this);
    legend->setObjectName(QStringLiteral("ctlLegend"));
    auto* row = new QHBoxLayout(legend);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    const QString insert = insertColour.isEmpty() ? QLatin1String(kDefaultInsert) : insertColour;
    const QString update = updateColour.isEmpty() ? QLatin1String(kDefaultUpdate) : updateColour;
    const QString painted = QStringLiteral("background-color: %1; color: black;");
    row->addWidget(Sample(legend, QStringLiteral("lblLegendInserted"), painted.arg(insert), tr("Inserted")));
    row->addWidget(Sample(legend, QStringLiteral("lblLegendUpdated"), painted.arg(update), tr("Updated")));
    auto* removed = Sample(legend, QStringLiteral("lblLegendRemoved"), QStringLiteral("color: %1;").arg(kRemoval),
                           tr("Removed"));
    QFont struck = removed->font();
    struck.setStrikeOut(true);
    removed->setFont(struck);
    row->addWidget(removed);
    addWidget(legend);
    addSeparator();

    menuPreviousChange_ = addAction(tr("Previous change"), this, [this] { PreviousChange(); });
    menuPreviousChange_->setObjectName(QStringLiteral("menuPreviousChange"));
    menuPreviousChange_->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3));
    menuPreviousChange_->setToolTip(tr("Go to the previous change (Shift+F3)"));
    menuNextChange_ = addAction(tr("Next change"), this, [this] { NextChange(); });
    menuNextChange_->setObjectName(QStringLiteral("menuNextChange"));
    menuNextChange_->setShortcut(QKeySequence(Qt::Key_F3));
    menuNextChange_->setToolTip(tr("Go to the next change (F3)"));
    for (QAction* action : {menuPreviousChange_, menuNextChange_}) action->setShortcutContext(Qt::WindowShortcut);

    lblPlace_ = new QLabel(this);
    lblPlace_->setObjectName(QStringLiteral("lblPlace"));
    lblPlace_->setContentsMargins(8, 0, 4, 0);
    addWidget(lblPlace_);
    SetCounts(0, 0, 0);
}

void ChangesBar::SetCounts(int inserted, int updated, int removed) {
    lblChanges_->setText(tr("%1 inserted, %2 updated, %3 removed").arg(inserted).arg(updated).arg(removed));
    const bool any = inserted + updated + removed > 0;
    menuPreviousChange_->setEnabled(any);
    menuNextChange_->setEnabled(any);
}

QString ChangesBar::CountsText() const { return lblChanges_->text(); }

void ChangesBar::Refresh() {
    if (!window_ || !window_->View()) return;
    QPointer<ChangesBar> self(this);
    window_->View()->page()->runJavaScript(QString::fromLatin1(kCountScript), QWebEngineScript::ApplicationWorld,
                                           [self](const QVariant& value) {
                                               if (!self) return;
                                               const QVariantList counts = value.toList();
                                               if (counts.size() == 3)
                                                   self->SetCounts(counts[0].toInt(), counts[1].toInt(),
                                                                   counts[2].toInt());
                                               emit self->Counted();
                                           });
}

void ChangesBar::Step(int direction) {
    if (!window_ || !window_->View()) return;
    QPointer<ChangesBar> self(this);
    window_->View()->page()->runJavaScript(
        QString::fromLatin1(kStepScript).arg(direction), QWebEngineScript::ApplicationWorld,
        [self](const QVariant& value) {
            if (!self) return;
            const QVariantList place = value.toList();
            const int index = place.size() == 2 ? place[0].toInt() : 0;
            const int total = place.size() == 2 ? place[1].toInt() : 0;
            self->lblPlace_->setText(total > 0 ? tr("Change %1 of %2").arg(index).arg(total) : QString());
            emit self->Stepped(index, total);
        });
}

ChangesBar* AddChangesBar(BrowserWindow* window, const QString& insertColour, const QString& updateColour) {
    auto* bar = new ChangesBar(window, insertColour, updateColour);
    window->addToolBarBreak();
    window->addToolBar(bar);
    bar->Refresh();
    return bar;
}

}  // namespace pelmor::mainwindow
