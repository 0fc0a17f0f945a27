#include "app/taskbar_notifier.h"

#include <QApplication>
#include <QDesktopServices>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QUrl>

#include "app/app_fonts.h"
#include "app/widgets/text.h"

namespace brevio::app {
namespace {

constexpr int kWidth = 220;
constexpr int kHeight = 120;
constexpr int kTickMs = 15;  // the slide is drawn at this pace, placed by the time passed

}  // namespace

TaskbarNotifier::TaskbarNotifier(QWidget* parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setFixedSize(kWidth, kHeight);
    setMouseTracking(true);
    setAttribute(Qt::WA_ShowWithoutActivating);
    connect(&stepTimer_, &QTimer::timeout, this, &TaskbarNotifier::Step);
    stayTimer_.setSingleShot(true);
    connect(&stayTimer_, &QTimer::timeout, this, [this] {
        state_ = State::kHiding;
        slide_.start();
        stepTimer_.start(kTickMs);
    });
}

void TaskbarNotifier::Notify(const QString& text, const QString& link) {
    queue_.Push({G(text), G(link)});
    if (state_ == State::kHidden) ShowNext();
}

void TaskbarNotifier::ShowNext() {
    std::optional<client::Notice> next = queue_.Pop();
    if (!next) {
        state_ = State::kHidden;
        hide();
        return;
    }
    text_ = Q(next->text);
    link_ = Q(next->link);
    progress_ = 0;
    state_ = State::kAppearing;
    setGeometry(OutGeometry().translated(HiddenOffset()));
    show();
    slide_.start();
    stepTimer_.start(kTickMs);
    update();
}

void TaskbarNotifier::Step() {
    // One pixel per (slide time / height), as far as the time passed says.
    const qint64 elapsed = slide_.elapsed();
    if (state_ == State::kAppearing) {
        progress_ = timing_.appearMs <= 0
                        ? kHeight
                        : static_cast<int>(std::min<qint64>(kHeight, elapsed * kHeight / timing_.appearMs));
        if (progress_ >= kHeight) {
            stepTimer_.stop();
            state_ = State::kShown;
            stayTimer_.start(timing_.stayMs);
        }
    } else if (state_ == State::kHiding) {
        progress_ = timing_.hideMs <= 0
                        ? 0
                        : static_cast<int>(std::max<qint64>(0, kHeight - elapsed * kHeight / timing_.hideMs));
        if (progress_ <= 0) {
            stepTimer_.stop();
            ShowNext();  // the next waiting notice, or hidden
            return;
        }
    }
    const QPoint offset = HiddenOffset() * (kHeight - progress_) / kHeight;
    move(OutGeometry().topLeft() + offset);
}

QRect TaskbarNotifier::OutGeometry() const {
    QScreen* screen = QApplication::primaryScreen();
    const QRect work = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
    const QRect full = screen ? screen->geometry() : work;
    // The taskbar's side: where the work area leaves part of the screen.
    if (work.top() > full.top()) return QRect(work.right() - kWidth, work.top(), kWidth, kHeight);
    if (work.left() > full.left()) return QRect(work.left(), work.bottom() - kHeight, kWidth, kHeight);
    if (work.right() < full.right()) {
        return QRect(work.right() - kWidth, work.bottom() - kHeight, kWidth, kHeight);
    }
    return QRect(work.right() - kWidth, work.bottom() - kHeight, kWidth, kHeight);
}

QPoint TaskbarNotifier::HiddenOffset() const {
    QScreen* screen = QApplication::primaryScreen();
    const QRect work = screen ? screen->availableGeometry() : QRect();
    const QRect full = screen ? screen->geometry() : work;
    if (work.top() > full.top()) return QPoint(0, -kHeight);
    if (work.left() > full.left()) return QPoint(-kWidth, 0);
    if (work.right() < full.right()) return QPoint(kWidth, 0);
    return QPoint(0, kHeight);
}

QRect TaskbarNotifier::TextRect() const {
    return QRect(QPoint(10, 40), QPoint(width() - 10, height() - 25));
}

void TaskbarNotifier::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QLinearGradient skin(0, 0, 0, height());
    skin.setColorAt(0, QColor(0xdd, 0xe8, 0xf6));
    skin.setColorAt(1, QColor(0xa9, 0xc4, 0xe8));
    p.fillRect(rect(), skin);
    p.setPen(QColor(0x1f, 0x4e, 0x8c));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    QFont title = UiFont(13);
    title.setBold(true);
    p.setFont(title);
    p.drawText(QRect(10, 8, width() - 20, 24), Qt::AlignLeft | Qt::AlignVCenter,
               QString::fromUtf8("信息雷达"));
    QFont font = UiFont(12);
    font.setUnderline(hover_);
    p.setFont(font);
    p.setPen(hover_ ? QColor(0, 0, 200) : Qt::black);
    p.drawText(TextRect(), Qt::AlignCenter | Qt::TextWordWrap, text_);
}

void TaskbarNotifier::mouseMoveEvent(QMouseEvent* event) {
    const bool over = TextRect().contains(event->position().toPoint());
    if (over != hover_) {
        hover_ = over;
        setCursor(over ? Qt::PointingHandCursor : Qt::ArrowCursor);
        update();
    }
}

void TaskbarNotifier::leaveEvent(QEvent*) {
    if (hover_) {
        hover_ = false;
        update();
    }
}

void TaskbarNotifier::mousePressEvent(QMouseEvent* event) {
    if (!TextRect().contains(event->position().toPoint()) || link_.isEmpty()) return;
    emit LinkClicked(link_);
    QDesktopServices::openUrl(QUrl::fromUserInput(link_));
}

}  // namespace brevio::app
