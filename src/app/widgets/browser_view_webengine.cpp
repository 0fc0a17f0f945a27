// The browser view on QtWebEngine.
#include <QCoreApplication>
#include <QPrinter>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineView>

#include "app/widgets/browser_view.h"

namespace brevio::app {
namespace {

class WebEngineBrowserView : public BrowserView {
  public:
    explicit WebEngineBrowserView(QWidget* parent) : BrowserView(parent), view_(new QWebEngineView(this)) {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view_);
        connect(view_, &QWebEngineView::loadFinished, this, &BrowserView::LoadFinished);
    }
    void Open(const QUrl& url) override { view_->load(url); }
    void ShowHtml(const QString& html, const QUrl& base) override { view_->setHtml(html, base); }
    QUrl Url() const override { return view_->url(); }
    void Print(QPrinter* printer, std::function<void(bool)> done) override {
        connect(view_, &QWebEngineView::printFinished, this,
                [done](bool ok) {
                    if (done) done(ok);
                },
                Qt::SingleShotConnection);
        view_->print(printer);
    }

  private:
    QWebEngineView* view_;
};

}  // namespace

BrowserView* BrowserView::Create(QWidget* parent) {
    return new WebEngineBrowserView(parent);
}

void BrowserView::PrepareBeforeApplication() {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

QString BrowserView::EngineName() {
    return QStringLiteral("QtWebEngine");
}

}  // namespace brevio::app
