#include "app/splash_window.h"

#include <QApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include "app/app_fonts.h"

namespace brevio::app {
namespace {

constexpr int kWidth = 420;
constexpr int kHeight = 260;
constexpr int kStatusChars = 47;
constexpr int kInset = 5;
constexpr int kBottom = 10;
constexpr int kFontPixels = 12;
constexpr int kCloseDelayMs = 100;

}  // namespace

QString SplashStatusLine(const QString& text) {
    return text.leftJustified(kStatusChars, QLatin1Char(' '));
}

SplashWindow::SplashWindow(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setFixedSize(kWidth, kHeight);
    if (QScreen* screen = QApplication::primaryScreen()) {
        move(screen->geometry().center() - rect().center());
    }
}

void SplashWindow::SetStatus(const QString& text) {
    status_ = SplashStatusLine(text);
    repaint();
}

void SplashWindow::CloseWhenLoopRuns() {
    QTimer::singleShot(kCloseDelayMs, this, &QWidget::close);
}

void SplashWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QLinearGradient sky(0, 0, 0, kHeight);
    sky.setColorAt(0, QColor(0x1f, 0x4e, 0x8c));
    sky.setColorAt(1, QColor(0x6f, 0xa8, 0xdc));
    p.fillRect(rect(), sky);
    p.setPen(Qt::white);
    QFont title = UiFont(30);
    title.setBold(true);
    p.setFont(title);
    p.drawText(QRect(0, 40, kWidth, 60), Qt::AlignCenter, QStringLiteral("Brevio"));
    p.setFont(UiFont(16));
    p.drawText(QRect(0, 100, kWidth, 40), Qt::AlignCenter, QString::fromUtf8("中文资讯客户端"));

    // The status line: black on white, single line, bottom-aligned.
    QFont font = SongtiFont(kFontPixels);
    p.setFont(font);
    const int lineHeight = QFontMetrics(font).height();
    QRect line(kInset, kHeight - kBottom - lineHeight, kWidth - 2 * kInset, lineHeight);
    p.fillRect(line, Qt::white);
    p.setPen(Qt::black);
    p.drawText(line, Qt::AlignLeft | Qt::AlignBottom | Qt::TextSingleLine, status_);
}

void SplashWindow::keyPressEvent(QKeyEvent*) {
    close();
}

void SplashWindow::mousePressEvent(QMouseEvent*) {
    close();
}

}  // namespace brevio::app
