// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/ShowingPart.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QRandomGenerator>
#include <QTimer>
#include <QVariantList>
#include <algorithm>
#include <functional>
#include <vector>

#include "mainwindow/BrowserWindow.h"
#include "mainwindow/ChangesBar.h"
#include "mainwindow/Schedule.h"
#include "mainwindow/ShowChanges.h"
#include "platform/core/Strings.h"
#include "platform/log/Log.h"
#include "preferences/Settings.h"
#include "retrieval/InternetHandler.h"
#include "shell/ErrorReport.h"

namespace pelmor::mainwindow {
namespace {

// How long a script in the browser may take to answer.
constexpr int kScriptLimitMs = 10000;

QString Q(const std::string& text) { return QString::fromStdString(text); }

QString OpenFailedText(const QString& first, const QString& description) {
    return QCoreApplication::translate(
               "ShowingPart",
               "%1\n%2.\nPlease check the follwing: \n1. Internet connection may be closed.\n2. Site may be down.")
        .arg(first, description);
}

bool IsLoading(const QVariant& readyState) {
    return readyState.toString().compare(QLatin1String("loading"), Qt::CaseInsensitive) == 0;
}

}  // namespace

// One display of one page, from the first step to its end. It deletes itself (through
// ShowingPart::RunEnded) once it ended and its message, if any, was closed.
class ShowRun : public QObject {
public:
    ShowRun(ShowingPart& part, std::shared_ptr<Page> page)
        : QObject(&part),
          part_(part),
          window_(part.window_),
          page_(std::move(page)),
          description_(Q(page_->Description())) {
        limit_.setSingleShot(true);
        connect(&limit_, &QTimer::timeout, this, [this] {
            if (auto expired = std::exchange(onLimit_, {})) Guarded(expired);
        });
        nonce_ = QString::number(QRandomGenerator::global()->generate64(), 36);
    }

    ~ShowRun() override {
        for (const auto& revision : revisions_) revision->Abandon();
        // Torn down in the middle (the program ends): the saved copies go back, and the
        // browser that was never shown goes.
        if (ended_) return;
        backup_.Restore();
        if (browser_) {
            browser_->disconnect(this);
            browser_->Quit();
        }
    }

    const std::shared_ptr<Page>& ShownPage() const { return page_; }

    void Start() {
        window_.ShowBegins();
        Guarded([this] { Open(); });
    }

    // Ends the display without a message; a message already on screen is closed.
    // Ends the display without showing the page: the browser goes, the saved copies are put
    // back and the window works again.
    void End() {
        ended_ = true;
        Disarm();
        Abandon();
        if (browser_) {
            browser_->disconnect(this);
            browser_->Quit();
        }
        backup_.Restore();
        window_.ShowEnds();
    }

    void Cancel(const QString& status) {
        if (ended_) {
            if (box_) box_->close();
            return;
        }
        End();
        if (!status.isEmpty()) {
            window_.StatusText(status);
            log::WriteLog(status.toStdString());
        }
        part_.RunEnded(page_, false);
    }

private:
    using Answer = std::function<void(const QVariant&)>;

    // Runs one step of the display from the event loop. Whatever it throws is reported
    // there and ends the display, which gives the window back.
    void Guarded(const std::function<void()>& step) {
        try {
            step();
        } catch (...) {
            shell::ReportError("");
            Cancel(QCoreApplication::translate("ShowingPart", "Failed to display changed in %1").arg(description_));
        }
    }

    void Open() {
        const QString status = QCoreApplication::translate("ShowingPart", "Displaying updates in %1").arg(description_);
        window_.StatusText(status);
        log::WriteLog(status.toStdString());

        if (part_.settings_.DisplayOld()) {
            auto* old = new BrowserWindow(BrowserWindow::Content::SavedCopy, SavedCopyFiles(*page_));
            old->setObjectName(QStringLiteral("frmBrowserOld"));
            part_.KeepBrowser(old);
            old->show();
            old->Navigate(Q(page_->SavedFile()));
        }

        browser_ = new BrowserWindow();
        part_.KeepBrowser(browser_);
        connect(browser_, &QObject::destroyed, this, [this] {
            Cancel(QCoreApplication::translate("ShowingPart", "Failed to display changed in %1").arg(description_));
        });
        connect(browser_, &BrowserWindow::ScriptMessage, this, &ShowRun::Message);
        connect(
            browser_, &BrowserWindow::LoadEnded, this, [this] { Guarded([this] { Loaded(); }); },
            Qt::SingleShotConnection);
        Arm(part_.browserMs_, [this] {
            Fail(QCoreApplication::translate("ShowingPart", "Unable to open new web page:"),
                 QCoreApplication::translate("ShowingPart", "Failed to display changed in %1").arg(description_));
        });
        browser_->Navigate(Q(page_->URL()));
    }

    void Arm(int ms, std::function<void()> onLimit) {
        onLimit_ = std::move(onLimit);
        limit_.start(std::max(ms, 0));
    }

    void Disarm() {
        limit_.stop();
        onLimit_ = {};
    }

    // Runs a script on `document`; a script that does not answer in time fails the display.
    void Ask(const BrowserDocument& document, const QString& body, Answer next) {
        Arm(kScriptLimitMs, [this] { FailDisplay(); });
        QPointer<ShowRun> self(this);
        document.Evaluate(body, [self, next = std::move(next)](const QVariant& value) {
            if (!self || self->ended_) return;
            self->Disarm();
            self->Guarded([&] { next(value); });
        });
    }

    // Goes on with `next` once the frame script that logs `token` has run, or after `ms`.
    void AwaitFrame(const QString& token, int ms, std::function<void()> next) {
        token_ = token;
        Arm(ms, [this, next = std::move(next)] {
            token_.clear();
            next();
        });
    }

    void Message(const QString& text) {
        if (token_.isEmpty() || text != token_) return;
        limit_.stop();
        if (auto next = std::exchange(onLimit_, {})) Guarded(next);
    }

    QString NextToken() { return QStringLiteral("pelmor-frame-%1-%2").arg(nonce_).arg(++tokens_); }

    void Loaded() {
        Disarm();
        document_ = BrowserDocument(browser_);
        Ask(document_, QStringLiteral("return String(d.readyState);"), [this](const QVariant& state) {
            if (IsLoading(state)) {
                Fail(QCoreApplication::translate("ShowingPart", "Unable to open new web page:"),
                     QCoreApplication::translate("ShowingPart", "Failed to open web page: %1").arg(description_));
                return;
            }
            browser_->SetStatusText(QCoreApplication::translate("ShowingPart", "Marking changes to HTML"));
            log::WriteLog(browser_->StatusText().toStdString());
            Revise(page_, [this](const RevisedItem& revised) {
                revised_ = revised;
                browser_->Stop();
                WriteRevisedBody(document_, revised.html, [this](bool written) {
                    if (!written) {
                        FailDisplay();
                        return;
                    }
                    ShowFrames(document_, page_, [this](bool shown) { shown ? Succeed() : FailDisplay(); });
                });
            });
        });
    }

    void Revise(const std::shared_ptr<FrameList>& item, std::function<void(const RevisedItem&)> next) {
        revisions_.push_back(Revision::Start(item, part_.settings_.ShowRemoved(), this, backup_,
                                             [this, next = std::move(next)](const RevisedItem& revised) {
                                                 if (!ended_) Guarded([&] { next(revised); });
                                             }));
    }

    // Marks each FRAME of `document` with the revised HTML of the item's frame at the same
    // position; `done` gets false when a frame is still loading after its limit.
    void ShowFrames(const BrowserDocument& document, const std::shared_ptr<FrameList>& item,
                    std::function<void(bool)> done) {
        Ask(document, QStringLiteral("return f.length;"), [this, document, item, done](const QVariant& count) {
            // Frames the item has no record of (the page gained frames since it was saved)
            // are left as loaded.
            const int known = std::min(count.toInt(), static_cast<int>(item->FramesCount()));
            FrameStep(document, item, 0, known, done);
        });
    }

    void FrameStep(const BrowserDocument& document, const std::shared_ptr<FrameList>& item, int index, int known,
                   std::function<void(bool)> done) {
        if (index >= known) {
            done(true);
            return;
        }
        auto started = std::make_shared<QElapsedTimer>();
        started->start();
        auto remaining = [this, started] { return part_.frameMs_ - static_cast<int>(started->elapsed()); };
        std::shared_ptr<Frame> frame = item->FrameAt(index);
        auto next = [this, document, item, index, known, done] { FrameStep(document, item, index + 1, known, done); };
        auto mark = [this, document, frame, index, remaining, next, done] {
            MarkFrame(document, frame, index, remaining, next, done);
        };
        Ask(document, QStringLiteral("return [String(d.URL), f[%1].getAttribute('src')||''];").arg(index),
            [this, document, frame, index, remaining, mark](const QVariant& answer) {
                const QVariantList parts = answer.toList();
                if (parts.size() != 2) {
                    FailDisplay();
                    return;
                }
                const std::string current = InternetHandler().GetCombinedURL(parts[0].toString().toStdString(),
                                                                             parts[1].toString().toStdString());
                if (EqualsNoCase(frame->URL(), current)) {
                    mark();
                    return;
                }
                // The frame shows another address than the one stored: it goes back to the
                // stored one first.
                const QString token = NextToken();
                Ask(document,
                    QStringLiteral("var e=f[%1];e.addEventListener('load',function(){console.log(%2);},{once:true});"
                                   "e.src=%3;return true;")
                        .arg(index)
                        .arg(BrowserWindow::ScriptString(token), BrowserWindow::ScriptString(Q(frame->URL()))),
                    [this, token, remaining, mark](const QVariant&) { AwaitFrame(token, remaining(), mark); });
            });
    }

    void MarkFrame(const BrowserDocument& document, const std::shared_ptr<Frame>& frame, int index,
                   const std::function<int()>& remaining, const std::function<void()>& next,
                   const std::function<void(bool)>& done) {
        const QString token = NextToken();
        // null for a frame of another site (reading its document raises an error).
        const QString state = QStringLiteral(
                                  "var e=f[%1];var w;try{w=e.contentWindow.document;}catch(x){return null;}"
                                  "if(!w)return null;var s=String(w.readyState);")
                                  .arg(index);
        const BrowserDocument frameDocument = document.FrameDocument(index);
        auto markLoaded = [this, frameDocument, frame, next, done] {
            Revise(frame, [this, frameDocument, frame, next, done](const RevisedItem& revised) {
                WriteRevisedBody(frameDocument, revised.html, [this, frameDocument, frame, next, done](bool) {
                    // A frame whose own frames cannot be shown ends the walk; what was
                    // marked so far stays.
                    ShowFrames(frameDocument, frame, [next, done](bool shown) { shown ? next() : done(true); });
                });
            });
        };
        Ask(document,
            state +
                QStringLiteral("if(s.toLowerCase()=='loading')e.addEventListener('load',function(){console.log(%1);},"
                               "{once:true});return s;")
                    .arg(BrowserWindow::ScriptString(token)),
            [this, document, state, token, remaining, markLoaded, next, done](const QVariant& answer) {
                if (answer.isNull()) {
                    next();  // left as the browser loaded it
                } else if (!IsLoading(answer)) {
                    markLoaded();
                } else {
                    AwaitFrame(token, remaining(), [this, document, state, markLoaded, done] {
                        Ask(document, state + QStringLiteral("return s;"), [markLoaded, done](const QVariant& now) {
                            if (IsLoading(now))
                                done(false);
                            else
                                markLoaded();
                        });
                    });
                }
            });
    }

    void Succeed() {
        ended_ = true;
        Disarm();
        revisions_.clear();
        browser_->disconnect(this);
        browser_->SetStatusText(QString());
        AddChangesBar(browser_, Q(page_->InsertColor()), Q(page_->UpdateColor()));
        browser_->ShowMaximized();
        window_.BrowserShown(browser_, page_);
        window_.ShowEnds();
        ApplyRevision(*page_, revised_);
        window_.StatusText(QString());
        log::WriteLog(page_->Description() + " showed");
        window_.PageShown(page_);
        part_.RunEnded(page_, true);
    }

    void FailDisplay() {
        Fail(QCoreApplication::translate("ShowingPart", "Unable to display changes in web page:"),
             QCoreApplication::translate("ShowingPart", "Failed to display changed in %1").arg(description_));
    }

    // Ends the display with the message titled "Open failed"; the page stays as it was.
    void Fail(const QString& first, const QString& status) {
        if (ended_) return;
        // The page stays marked: its saved copies go back to what they were, so the
        // changes are still there to be shown next time.
        End();
        window_.StatusText(status);
        log::WriteLog(status.toStdString());
        box_ = new QMessageBox(QMessageBox::Information, QCoreApplication::translate("ShowingPart", "Open failed"),
                               OpenFailedText(first, description_), QMessageBox::Ok, window_.MessageParent());
        box_->setTextFormat(Qt::PlainText);
        box_->setAttribute(Qt::WA_DeleteOnClose);
        connect(box_, &QDialog::finished, this, [this] { part_.RunEnded(page_, false); });
        box_->open();
    }

    void Abandon() {
        for (const auto& revision : revisions_) revision->Abandon();
        revisions_.clear();
    }

    ShowingPart& part_;
    ShowingWindow& window_;
    std::shared_ptr<Page> page_;
    QString description_;
    QPointer<BrowserWindow> browser_;
    BrowserDocument document_;
    SavedCopyBackup backup_;
    RevisedItem revised_;
    std::vector<std::shared_ptr<Revision>> revisions_;
    QTimer limit_;
    std::function<void()> onLimit_;
    QString nonce_;
    QString token_;
    int tokens_ = 0;
    bool ended_ = false;
    QPointer<QMessageBox> box_;
};

ShowingPart::ShowingPart(ShowingWindow& window, Settings& settings, QObject* parent)
    : QObject(parent), window_(window), settings_(settings) {}

ShowingPart::~ShowingPart() {
    waiting_.clear();
    delete run_;
}

void ShowingPart::ShowPage(const std::shared_ptr<Page>& page) {
    if (!page) return;
    if (run_ && run_->ShownPage() == page) return;
    if (std::find(waiting_.begin(), waiting_.end(), page) != waiting_.end()) return;
    waiting_.push_back(page);
    StartNext();
}

void ShowingPart::ShowFolder(const ItemList& folder) {
    // The pages a folder check would take, as far as they are updated.
    for (const auto& page : FolderCheckPages(folder))
        if (page->Updated()) ShowPage(page);
}

void ShowingPart::Cancel() {
    waiting_.clear();
    if (run_) run_->Cancel(QString());
}

QList<QWidget*> ShowingPart::BrowserWindows() const {
    QList<QWidget*> open;
    for (const auto& browser : browsers_)
        if (browser) open << browser.data();
    return open;
}

void ShowingPart::KeepBrowser(QWidget* browser) {
    browsers_.removeIf([](const QPointer<QWidget>& kept) { return kept.isNull(); });
    browsers_ << browser;
}

void ShowingPart::StartNext() {
    if (run_ || waiting_.empty()) return;
    std::shared_ptr<Page> page = std::move(waiting_.front());
    waiting_.pop_front();
    run_ = new ShowRun(*this, page);
    run_->Start();
}

void ShowingPart::RunEnded(const std::shared_ptr<Page>& page, bool shown) {
    if (run_) run_->deleteLater();
    run_ = nullptr;
    emit Finished(page, shown);
    // The next page starts from the event loop, outside the ended display's handlers.
    QTimer::singleShot(0, this, [this] { StartNext(); });
}

}  // namespace pelmor::mainwindow
