// The browser view on QTextBrowser, for machines without QtWebEngine: local pages are read
// from their files, remote ones fetched with QNetworkAccessManager and shown as rich text.
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPrinter>
#include <QStringDecoder>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "app/widgets/browser_view.h"

namespace brevio::app {
namespace {

// A page's bytes as text: UTF-8 when they are valid UTF-8, else GB18030 (GBK pages).
QString DecodePage(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) return text;
    QStringDecoder gbk("GB18030");
    return gbk.isValid() ? QString(gbk.decode(bytes)) : QString::fromLatin1(bytes);
}

class TextBrowserView : public BrowserView {
  public:
    explicit TextBrowserView(QWidget* parent) : BrowserView(parent), view_(new QTextBrowser(this)) {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view_);
        view_->setOpenLinks(false);
        connect(view_, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) { Open(url); });
    }
    void Open(const QUrl& url) override {
        url_ = url;
        if (url.isLocalFile()) {
            QFile file(url.toLocalFile());
            const bool ok = file.open(QIODevice::ReadOnly);
            view_->setHtml(ok ? DecodePage(file.readAll()) : QString());
            emit LoadFinished(ok);
            return;
        }
        QNetworkReply* reply = network_.get(QNetworkRequest(url));
        connect(reply, &QNetworkReply::finished, this, [this, reply] {
            reply->deleteLater();
            const bool ok = reply->error() == QNetworkReply::NoError;
            view_->setHtml(ok ? DecodePage(reply->readAll()) : QString());
            emit LoadFinished(ok);
        });
    }
    void ShowHtml(const QString& html, const QUrl& base) override {
        url_ = base;
        view_->document()->setBaseUrl(base);
        view_->setHtml(html);
        emit LoadFinished(true);
    }
    QUrl Url() const override { return url_; }
    void Print(QPrinter* printer, std::function<void(bool)> done) override {
        view_->print(printer);
        if (done) done(true);
    }

  private:
    QTextBrowser* view_;
    QNetworkAccessManager network_;
    QUrl url_;
};

}  // namespace

BrowserView* BrowserView::Create(QWidget* parent) {
    return new TextBrowserView(parent);
}

void BrowserView::PrepareBeforeApplication() {}

QString BrowserView::EngineName() {
    return QStringLiteral("QTextBrowser");
}

}  // namespace brevio::app
