// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/frmNotify.h"

#include <QBitmap>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSoundEffect>
#include <QTimer>

#include "items/Page.h"
#include "shell/Twips.h"

namespace pelmor::shell {
namespace {

QPointer<frmNotify>& TheInstance() {
    static QPointer<frmNotify> instance;
    return instance;
}

QPixmap CloseMark() {
    QPixmap pixmap(16, 14);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(90, 90, 110), 1));
    p.setBrush(QColor(250, 250, 255));
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, 13), 2, 2);
    p.setPen(QPen(QColor(60, 60, 80), 1.6));
    p.drawLine(QPointF(5, 4), QPointF(11, 10));
    p.drawLine(QPointF(11, 4), QPointF(5, 10));
    return pixmap;
}

}  // namespace

QColor ColourFromRgbValue(quint32 value) { return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF); }

frmNotify* frmNotify::Instance() {
    QPointer<frmNotify>& instance = TheInstance();
    if (!instance) instance = new frmNotify();
    return instance;
}

bool frmNotify::IsShowing() {
    const QPointer<frmNotify>& instance = TheInstance();
    return instance && instance->isVisible();
}

frmNotify::frmNotify(QWidget* parent)
    : QWidget(parent, CanPlaceWindows() ? Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                                              Qt::WindowDoesNotAcceptFocus
                                        : Qt::Window | Qt::WindowDoesNotAcceptFocus) {
    setObjectName(QStringLiteral("frmNotify"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(tr("Pelmor alert"));
    const int width = ToPixels(kWidthTwips);
    const int full = FullHeight();
    setFixedWidth(width);

    label_ = new QLabel(this);
    label_->setObjectName(QStringLiteral("Label1"));
    label_->setTextFormat(Qt::PlainText);
    label_->setGeometry(4, 50, width - 7, full - 44);
    label_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label_->setAttribute(Qt::WA_TranslucentBackground);
    label_->setWordWrap(false);
    label_->setCursor(Qt::PointingHandCursor);
    label_->installEventFilter(this);

    closeMark_ = new QLabel(this);
    closeMark_->setObjectName(QStringLiteral("Picture1"));
    closeMark_->setPixmap(CloseMark());
    closeMark_->setGeometry(width - 16 - 4, 4, 16, 14);
    closeMark_->setCursor(Qt::PointingHandCursor);
    closeMark_->installEventFilter(this);

    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("Timer1"));
    connect(timer_, &QTimer::timeout, this, &frmNotify::Timer1_Timer);
    if (!TheInstance()) TheInstance() = this;
}

frmNotify::~frmNotify() = default;

int frmNotify::FullHeight() const { return ToPixels(kHeightTwips); }

void frmNotify::ShowMessage(const QString& sMsg, const NotifyPicture& img, int ImageX, int ImageY, quint32 BgColour1,
                            quint32 BgColour2, quint32 ImgTransColour, int msShowTime, int msHangTime,
                            int msHideTime, bool bPlacement, const QString& sSound,
                            const std::shared_ptr<Page>& page) {
    // A message for a visible popup is dropped whole: the popup keeps the page it shows.
    if (isVisible()) return;
    page_ = page;
    top_ = ColourFromRgbValue(BgColour1);
    bottomColour_ = ColourFromRgbValue(BgColour2);
    transparent_ = ColourFromRgbValue(ImgTransColour);
    picture_ = img;
    if (!img.bitmap.isNull())
        pictureAt_ = QPoint(ImageX, ImageY);
    else
        pictureAt_ = QPoint(ToPixels(ImageX), ToPixels(ImageY));

    // Lines too long for the popup are shortened rather than cut off.
    QStringList lines = sMsg.split(QLatin1Char('\n'));
    for (QString& line : lines) {
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        line = label_->fontMetrics().elidedText(line, Qt::ElideRight, label_->width());
    }
    label_->setText(lines.join(QLatin1Char('\n')));
    showInterval_ = msShowTime;
    hangTime_ = msHangTime;
    hideInterval_ = msHideTime;
    if (!sSound.isEmpty()) PlaySoundFile(sSound);

    Q_UNUSED(bPlacement);  // only the bottom right corner is ever asked for
    if (!CanPlaceWindows()) {
        // The compositor places the window and would only stretch a sliding one: it
        // shows whole at once and stays its hang time.
        height_ = FullHeight();
        setFixedHeight(height_);
        show();
        state_ = Shown;
        timer_->setInterval(hangTime_);
        timer_->start();
        return;
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect work = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    left_ = work.right() + 1 - width();
    bottom_ = work.bottom() + 1;
    height_ = 0;
    Place();
    show();
    state_ = SlidingIn;
    timer_->setInterval(showInterval_);
    timer_->start();
}

bool frmNotify::CanPlaceWindows() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void frmNotify::Place() {
    // A window cannot be 0 pixels high; at 0 it is hidden below the work area's edge.
    setGeometry(left_, bottom_ - height_, width(), std::max(height_, 1));
}

void frmNotify::Timer1_Timer() {
    switch (state_) {
        case SlidingIn:
            if (height_ + kStepPixels >= FullHeight()) {
                height_ = FullHeight();
                Place();
                timer_->stop();
                timer_->setInterval(hangTime_);
                state_ = Shown;
                timer_->start();
            } else {
                height_ += kStepPixels;
                Place();
            }
            break;
        case Shown:
            timer_->stop();
            timer_->setInterval(hideInterval_);
            state_ = SlidingOut;
            timer_->start();
            break;
        case SlidingOut:
            if (height_ - kStepPixels <= 0) {
                height_ = 0;
                state_ = Idle;
                timer_->stop();
                close();
            } else {
                height_ -= kStepPixels;
                Place();
            }
            break;
        default:
            break;
    }
}

void frmNotify::CloseNow() {
    timer_->stop();
    state_ = Idle;
    close();
}

void frmNotify::closeEvent(QCloseEvent* event) {
    // The next message makes a new popup.
    if (TheInstance() == this) TheInstance() = nullptr;
    QWidget::closeEvent(event);
    if (!closed_) {
        closed_ = true;
        emit Closed();
    }
}

void frmNotify::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QLinearGradient gradient(0, 0, 0, FullHeight());
    gradient.setColorAt(0, top_);
    gradient.setColorAt(1, bottomColour_);
    p.fillRect(QRect(0, 0, width(), std::max(height(), FullHeight())), gradient);
    p.setPen(QColor(120, 140, 180));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    if (!picture_.bitmap.isNull()) {
        QPixmap bitmap = QPixmap::fromImage(picture_.bitmap);
        bitmap.setMask(QBitmap::fromImage(picture_.bitmap.createMaskFromColor(transparent_.rgb(), Qt::MaskInColor)));
        p.drawPixmap(pictureAt_, bitmap);
    } else if (!picture_.icon.isNull()) {
        p.drawPixmap(pictureAt_, picture_.icon.pixmap(32, 32));
    }
}

bool frmNotify::eventFilter(QObject* watched, QEvent* event) {
    // The press decides: the popup closes on a press anywhere else, so a release on the
    // text would never come.
    if (event->type() == QEvent::MouseButtonPress) {
        if (watched == label_) {
            std::shared_ptr<Page> page = page_;
            CloseNow();
            emit ViewRequested(page);
            return true;
        }
        if (watched == closeMark_) {
            CloseNow();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmNotify::mousePressEvent(QMouseEvent*) {
    timer_->stop();
    if (QWidget::mouseGrabber() == this) releaseMouse();
    CloseNow();
}

void frmNotify::mouseReleaseEvent(QMouseEvent*) {
    timer_->stop();
    if (QWidget::mouseGrabber() == this) releaseMouse();
    CloseNow();
}

void frmNotify::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        CloseNow();
        return;
    }
    QWidget::keyPressEvent(event);
}

void PlaySoundFile(const QString& file) {
    QString path = file;
    if (!QFileInfo::exists(path) && QFileInfo(path).fileName().compare(QLatin1String("DingDong.Wav"), Qt::CaseInsensitive) == 0) {
        // Beside the program in the build tree; under share/pelmor once installed.
        path = QCoreApplication::applicationDirPath() + QStringLiteral("/DingDong.Wav");
        if (!QFileInfo::exists(path))
            path = QCoreApplication::applicationDirPath() + QStringLiteral("/../share/pelmor/DingDong.Wav");
    }
    if (!QFileInfo::exists(path)) return;
    // One player for the program: a new sound replaces one still playing.
    static QPointer<QSoundEffect> effect;
    if (!effect) effect = new QSoundEffect(QCoreApplication::instance());
    effect->setSource(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
    effect->play();
}

bool TrayIsStatusNotifier() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()) return false;
    return bus.interface()->isServiceRegistered(QStringLiteral("org.kde.StatusNotifierWatcher")).value();
}

}  // namespace pelmor::shell
