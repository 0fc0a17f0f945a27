// The browser view on QtWebEngine.
#include <QCoreApplication>
#include <QPrinter>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineView>

#include "app/widgets/browser_view.h"

namespace brevio::app {
namespace {

// The engine (a whole Chromium) is made when the first page is shown, not with the window:
// a client that starts and waits costs neither its start-up time nor its memory.
class WebEngineBrowserView : public BrowserView {
  public:
    explicit WebEngineBrowserView(QWidget* parent) : BrowserView(parent) {
        layout_ = new QVBoxLayout(this);
        layout_->setContentsMargins(0, 0, 0, 0);
    }
    void Open(const QUrl& url) override { View()->load(url); }
    void ShowHtml(const QString& html, const QUrl& base) override { View()->setHtml(html, base); }
    QUrl Url() const override { return view_ ? view_->url() : QUrl(); }
    void Print(QPrinter* printer, std::function<void(bool)> done) override {
        connect(View(), &QWebEngineView::printFinished, this,
                [done](bool ok) {
                    if (done) done(ok);
                },
                Qt::SingleShotConnection);
        view_->print(printer);
    }

  private:
    QWebEngineView* View() {
        if (!view_) {
            view_ = new QWebEngineView(this);
            layout_->addWidget(view_);
            connect(view_, &QWebEngineView::loadFinished, this, &BrowserView::LoadFinished);
        }
        return view_;
    }

    QVBoxLayout* layout_ = nullptr;
    QWebEngineView* view_ = nullptr;
};

}  // namespace

BrowserView* BrowserView::Create(QWidget* parent) {
    return new WebEngineBrowserView(parent);
}

void BrowserView::PrepareBeforeApplication() {
    // Pages are composed in software. News pages need no GPU, and the OpenGL context the engine
    // would otherwise have made at start-up (on X11 through GLX, with the driver's shader
    // compiler) costs the idle client over 50 MB. QT_XCB_GL_INTEGRATION set by the user wins.
    if (qEnvironmentVariableIsEmpty("QT_XCB_GL_INTEGRATION")) {
        qputenv("QT_XCB_GL_INTEGRATION", "none");
    }
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
}

QString BrowserView::EngineName() {
    return QStringLiteral("QtWebEngine");
}

}  // namespace brevio::app
