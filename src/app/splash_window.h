// CSplashWnd: the start-up window with its status line.
#pragma once

#include <QWidget>

namespace brevio::app {

class SplashWindow : public QWidget {
    Q_OBJECT
  public:
    explicit SplashWindow(QWidget* parent = nullptr);
    // The status line: at most 47 bytes of text, padded with blanks to 47 characters.
    void SetStatus(const QString& text);
    QString Status() const { return status_; }
    // Closes itself 100 ms after the event loop runs (or at the first key or click).
    void CloseWhenLoopRuns();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    QString status_;
};

// The status line's text: padded with blanks to 47 characters.
QString SplashStatusLine(const QString& text);

}  // namespace brevio::app
