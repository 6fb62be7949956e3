// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/WatchPart.h"

#include <QAction>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QToolBar>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

#include "mainwindow/BrowserWindow.h"

namespace pelmor::mainwindow {
namespace {

// Installs the outline that follows the pointer and holds back the page's reactions to
// clicks. Answers true.
const char kStartScript[] = R"JS((function(){
  var s = window.pelmorPointing;
  if (s) return true;
  var box = document.createElement('div');
  box.style.cssText = 'position:fixed;pointer-events:none;z-index:2147483647;display:none;' +
    'border:2px solid #D02020;background:rgba(208,32,32,0.12);box-sizing:border-box;';
  document.documentElement.appendChild(box);
  // The marks painted into a shown page are no part of the page: their element is.
  var mark = /^\s*background-color\s*:[^;]*;?\s*$/i;
  var owner = function(el) {
    var made = function(el) {  // painted or put back by the marking, labelled or not
      if (el.nodeName !== 'SPAN' && el.nodeName !== 'DEL') return false;
      if (el.hasAttribute('pelmormark')) return true;
      return el.nodeName === 'SPAN' && el.attributes.length === 1 && mark.test(el.getAttribute('style') || '');
    };
    while (el && el !== document.body && made(el)) el = el.parentNode;
    return el;
  };
  var over = function(e) {
    var el = owner(e.target);
    if (!el || !el.getBoundingClientRect || el === document.body || el === document.documentElement) {
      box.style.display = 'none';
      return;
    }
    var r = el.getBoundingClientRect();
    box.style.left = r.left + 'px'; box.style.top = r.top + 'px';
    box.style.width = r.width + 'px'; box.style.height = r.height + 'px';
    box.style.display = 'block';
  };
  var block = function(e) { e.preventDefault(); e.stopPropagation(); };
  var kinds = ['click', 'mousedown', 'mouseup', 'auxclick', 'dblclick', 'submit'];
  document.addEventListener('mouseover', over, true);
  kinds.forEach(function(k) { document.addEventListener(k, block, true); });
  window.pelmorPointing = {
    owner: owner,
    stop: function() {
      document.removeEventListener('mouseover', over, true);
      if (box.parentNode) box.parentNode.removeChild(box);
      // Clicks already on their way are still held back for a moment.
      setTimeout(function() { kinds.forEach(function(k) { document.removeEventListener(k, block, true); }); }, 400);
      window.pelmorPointing = null;
    }
  };
  return true;
})())JS";

// Ends pointing; with a point, answers the path of the element there ("" for none).
const char kChooseScript[] = R"JS((function(x, y){
  var s = window.pelmorPointing;
  var el = x < 0 ? null : document.elementFromPoint(x, y);
  if (s) {
    if (el) el = s.owner(el);
    s.stop();
  }
  var body = document.body;
  if (!el || !body || el === body || !body.contains(el)) return '';
  var parts = [];
  for (var node = el; node && node !== body; node = node.parentNode) {
    var name = node.nodeName.toUpperCase(), index = -1;
    for (var c = node.parentNode.firstChild; c; c = c.nextSibling) {
      if (c.nodeName.toUpperCase() === name) index++;
      if (c === node) break;
    }
    parts.unshift(name + '(' + index + ')');
  }
  return parts.join(',');
}))JS";

}  // namespace

WatchPart::WatchPart(BrowserWindow* browser) : QObject(browser), browser_(browser) {
    setObjectName(QStringLiteral("WatchPart"));
    action_ = new QAction(tr("Watch only a part..."), this);
    action_->setObjectName(QStringLiteral("menuWatchPart"));
    action_->setToolTip(tr("Point at the part of the page to watch, and click it"));
    action_->setCheckable(true);
    action_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    if (auto* bar = browser->findChild<QToolBar*>(QStringLiteral("ctlNavigation"))) bar->addAction(action_);
    connect(action_, &QAction::triggered, this, [this](bool on) { on ? Start() : Cancel(); });
}

void WatchPart::RunScript(const QString& script, std::function<void(const QVariant&)> done) {
    if (!browser_) return;
    QPointer<WatchPart> self(this);
    browser_->View()->page()->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                                            [self, done](const QVariant& value) {
                                                if (self && done) done(value);
                                            });
}

void WatchPart::Watch(QObject* target) {
    if (!target) return;
    target->removeEventFilter(this);
    target->installEventFilter(this);
}

void WatchPart::Start() {
    if (!browser_) return;
    pointing_ = true;
    action_->setChecked(true);
    // The view hands its input to a child that exists once a page is shown.
    Watch(browser_->View());
    Watch(browser_->View()->focusProxy());
    for (QObject* child : browser_->View()->children())
        if (child->isWidgetType()) Watch(child);
    browser_->SetStatusText(tr("Point at the part to watch and click it (Escape cancels)"));
    RunScript(QString::fromLatin1(kStartScript), [this](const QVariant&) { emit PointingStarted(); });
}

void WatchPart::Cancel() {
    if (!pointing_) return;
    pointing_ = false;
    action_->setChecked(false);
    if (browser_) browser_->SetStatusText(QString());
    RunScript(QString::fromLatin1(kChooseScript) + QStringLiteral("(-1,-1)"));
}

void WatchPart::ChooseAt(const QPoint& viewPoint) {
    if (!pointing_ || !browser_) return;
    pointing_ = false;
    action_->setChecked(false);
    browser_->SetStatusText(QString());
    const double zoom = browser_->View()->zoomFactor() > 0 ? browser_->View()->zoomFactor() : 1.0;
    const QString call = QStringLiteral("(%1,%2)").arg(viewPoint.x() / zoom).arg(viewPoint.y() / zoom);
    RunScript(QString::fromLatin1(kChooseScript) + call,
              [this](const QVariant& path) { emit Chosen(path.toString()); });
}

bool WatchPart::eventFilter(QObject* watched, QEvent* event) {
    // The press chooses; it and its release never reach the page.
    if (pointing_ && event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) return false;
        QPoint at = mouse->position().toPoint();
        if (auto* widget = qobject_cast<QWidget*>(watched); widget && browser_ && widget != browser_->View())
            at = widget->mapTo(browser_->View(), at);
        releasePending_ = true;
        ChooseAt(at);
        return true;
    }
    if (releasePending_ && event->type() == QEvent::MouseButtonRelease) {
        releasePending_ = false;
        return true;
    }
    if (pointing_ && event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        Cancel();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace pelmor::mainwindow
