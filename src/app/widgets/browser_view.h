// The browser view: where the main window shows a news page, a portal page or a radar change
// page, behind one small interface. The engine is QtWebEngine where the build has it and
// QTextBrowser otherwise (CMake option BREVIO_WEBENGINE); callers never know which.
#pragma once

#include <QUrl>
#include <functional>
#include <QWidget>

class QPrinter;

namespace brevio::app {

class BrowserView : public QWidget {
    Q_OBJECT
  public:
    // A view of the engine this build has.
    static BrowserView* Create(QWidget* parent = nullptr);
    // "QtWebEngine" or "QTextBrowser".
    static QString EngineName();
    // What the engine needs before the QApplication is made (pages composed in software, no
    // OpenGL context at start-up).
    static void PrepareBeforeApplication();

    using QWidget::QWidget;
    // Shows an address (http, https or file).
    virtual void Open(const QUrl& url) = 0;
    // Shows a local file (a GBK path of the core is converted with QPath first).
    void OpenFile(const QString& path) { Open(QUrl::fromLocalFile(path)); }
    // Shows HTML text (its relative links resolve against `base`).
    virtual void ShowHtml(const QString& html, const QUrl& base = QUrl()) = 0;
    virtual QUrl Url() const = 0;
    // Prints the page shown; `done` is called with the outcome when printing has finished.
    virtual void Print(QPrinter* printer, std::function<void(bool)> done) = 0;

  signals:
    // A page (or a failed attempt) finished loading.
    void LoadFinished(bool ok);
};

}  // namespace brevio::app
