// CTaskbarNotifier: the sliding pop-up of the radar's notices. It slides out of the side of
// the screen where the taskbar is, stays, and slides back; a click on its text opens the
// notice's link in the default web browser. Notices that arrive while one is shown wait in a
// queue (client::NoticeQueue) and follow one after the other, so a pass with many changes
// never opens many windows, and no notice is shown empty or twice.
#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include "client/notice_queue.h"

namespace brevio::app {

class TaskbarNotifier : public QWidget {
    Q_OBJECT
  public:
    struct Timing {
        int appearMs = 500;
        int stayMs = 3000;
        int hideMs = 500;
    };
    explicit TaskbarNotifier(QWidget* parent = nullptr);

    void SetTiming(Timing timing) { timing_ = timing; }
    // Queues a notice (GBK text and link); shows it at once when nothing is shown.
    void Notify(const QString& text, const QString& link);

    enum class State { kHidden, kAppearing, kShown, kHiding };
    State CurrentState() const { return state_; }
    QString Text() const { return text_; }
    QString Link() const { return link_; }
    std::size_t Waiting() const { return queue_.Size(); }

  signals:
    void LinkClicked(const QString& link);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    void ShowNext();
    void Step();
    QRect TextRect() const;
    // Where the window rests fully out, and the edge it slides from.
    QRect OutGeometry() const;
    QPoint HiddenOffset() const;

    Timing timing_;
    client::NoticeQueue queue_;
    State state_ = State::kHidden;
    QString text_;
    QString link_;
    bool hover_ = false;
    int progress_ = 0;  // pixels out
    QElapsedTimer slide_;
    QTimer stepTimer_;
    QTimer stayTimer_;
};

}  // namespace brevio::app
