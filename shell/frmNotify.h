// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The change popup: a small frameless window that slides up from the bottom right corner
// of the work area, tells which page changed, stays a while and slides away, without ever
// taking the focus. One popup at a time: a message for a visible popup is dropped, so
// callers queue their messages until Closed() fires.

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <memory>

class QLabel;
class QTimer;

namespace pelmor {
class Page;
}

namespace pelmor::shell {

// A picture for the popup: an icon is placed in twips, a bitmap in pixels with one colour
// transparent; an empty picture draws nothing.
struct NotifyPicture {
    QIcon icon;
    QImage bitmap;
};

// A colour given with red in the low byte, then green, then blue.
QColor ColourFromRgbValue(quint32 value);

class frmNotify : public QWidget {
    Q_OBJECT
public:
    enum State { Idle = 0, SlidingIn = 1, Shown = 2, SlidingOut = 3 };
    static constexpr double kWidthTwips = 3660;
    static constexpr double kHeightTwips = 1800;
    static constexpr int kStepPixels = 4;

    // True where the windowing system lets a program place its windows (X11); elsewhere
    // (Wayland) the popup is an ordinary small window that does not slide.
    static bool CanPlaceWindows();
    // The popup, created on first use; it releases itself when it closes.
    static frmNotify* Instance();
    // True while a popup is on the screen.
    static bool IsShowing();

    explicit frmNotify(QWidget* parent = nullptr);
    ~frmNotify() override;

    // Shows `sMsg`, plays `sSound` (when not empty) without waiting, and slides in; a click
    // on the text asks to view `page`. Does nothing while the popup is already visible.
    void ShowMessage(const QString& sMsg, const NotifyPicture& img, int ImageX, int ImageY, quint32 BgColour1,
                     quint32 BgColour2, quint32 ImgTransColour, int msShowTime, int msHangTime, int msHideTime,
                     bool bPlacement, const QString& sSound, const std::shared_ptr<Page>& page);

    // One tick of the popup's timer.
    void Timer1_Timer();
    State CurrentState() const { return state_; }
    // Height of the popup in pixels.
    int CurrentHeight() const { return height_; }
    int FullHeight() const;
    QTimer* Timer1() const { return timer_; }
    QLabel* Label1() const { return label_; }
    QLabel* Picture1() const { return closeMark_; }
    const std::shared_ptr<Page>& ShownPage() const { return page_; }

signals:
    // The text was clicked: the page is to be shown.
    void ViewRequested(std::shared_ptr<pelmor::Page> page);
    // The popup has closed, whichever way; the next message may follow.
    void Closed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Place();
    void CloseNow();

    std::shared_ptr<Page> page_;
    int showInterval_ = 20;
    int hangTime_ = 5000;
    int hideInterval_ = 20;
    State state_ = Idle;
    bool closed_ = false;
    int height_ = 0;
    int bottom_ = 0;
    int left_ = 0;
    QColor top_;
    QColor bottomColour_;
    NotifyPicture picture_;
    QPoint pictureAt_;
    QColor transparent_;
    QTimer* timer_ = nullptr;
    QLabel* label_ = nullptr;
    QLabel* closeMark_ = nullptr;
};

// Plays a sound file without waiting for it to end. A file that cannot be played is
// ignored; the default DingDong.Wav, when missing from its folder, is taken from beside
// the program.
void PlaySoundFile(const QString& file);

// True when the desktop's tray speaks the StatusNotifierItem protocol (its watcher is on
// the session bus): such trays send single clicks only.
bool TrayIsStatusNotifier();

}  // namespace pelmor::shell
