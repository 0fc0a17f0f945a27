#include "ui/portal/web_settings_dialog.h"

#ifdef BREVIO_HAVE_WEBENGINE

#include <QFile>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>
#include <QScreen>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>

namespace brevio::ui {
namespace {

// The world the dialog's scripts run in, apart from the page's own.
constexpr quint32 kWorld = QWebEngineScript::ApplicationWorld;

// The object the page's script calls; registered on the channel as "brevioSink".
class ClickSink : public QObject {
    Q_OBJECT
  public:
    explicit ClickSink(WebSettingsDialog* dialog) : QObject(dialog), dialog_(dialog) {}
    Q_INVOKABLE void clicked(const QString& elementId) { dialog_->ButtonClicked(elementId); }
    Q_INVOKABLE void ready() { dialog_->ChannelReady(); }

  private:
    WebSettingsDialog* dialog_;
};

// Sets up the channel and defines the helpers the dialog calls after each page:
//   brevioConnect(ids)     adds a click listener to each element by id, in order, stopping at
//                          the first the page lacks; returns the listeners' handles;
//   brevioDisconnect(hs)   removes the listeners by handle;
//   brevioNoScroll()       turns the page's scroll bars off;
//   brevioListenerCount()  the listeners still connected (what the dialog's release left).
// The page tells the dialog when its channel is up; the dialog connects the buttons only then,
// so a click always has a channel to be reported through.
constexpr char kBridgeScript[] = R"JS(
(function () {
  if (window.brevioConnect) return;
  var sink = null, listeners = {}, next = 0;
  function report(id) { if (sink) sink.clicked(id); }
  new QWebChannel(qt.webChannelTransport, function (channel) {
    sink = channel.objects.brevioSink;
    sink.ready();
  });
  window.brevioConnect = function (ids) {
    var handles = [];
    for (var i = 0; i < ids.length; ++i) {
      var element = document.getElementById(ids[i]);
      if (!element) break;
      var listener = (function (id) { return function () { report(id); }; })(ids[i]);
      element.addEventListener('click', listener);
      listeners[next] = { id: ids[i], listener: listener };
      handles.push(next++);
    }
    return handles;
  };
  window.brevioDisconnect = function (handles) {
    handles.forEach(function (h) {
      var l = listeners[h];
      if (!l) return;
      var element = document.getElementById(l.id);
      if (element) element.removeEventListener('click', l.listener);
      delete listeners[h];
    });
  };
  window.brevioListenerCount = function () { return Object.keys(listeners).length; };
  window.brevioNoScroll = function () {
    if (!document.body) return;
    document.body.setAttribute('scroll', 'no');
    document.body.style.overflow = 'hidden';
  };
})();
)JS";

QString ChannelScript() {
    QFile file(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
    if (!file.open(QIODevice::ReadOnly)) return QString();
    return QString::fromUtf8(file.readAll());
}

QString JsonList(const std::vector<std::string>& ids) {
    QJsonArray array;
    for (const std::string& id : ids) array.append(QString::fromStdString(id));
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

}  // namespace

WebSettingsDialog::WebSettingsDialog(int kind, QWidget* parent) : QDialog(parent), form_(kind) {
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    const client::SettingsDialogLayout& layout = form_.Layout();
    setFixedSize(layout.dialogWidth, layout.dialogHeight);

    view_ = new QWebEngineView(this);
    view_->setGeometry(0, 0, layout.browserWidth, layout.browserHeight);
    page_ = new QWebEnginePage(view_);
    view_->setPage(page_);

    channel_ = new QWebChannel(this);
    channel_->registerObject(QStringLiteral("brevioSink"), new ClickSink(this));
    page_->setWebChannel(channel_, kWorld);

    QWebEngineScript bridge;
    bridge.setName(QStringLiteral("brevio-settings-bridge"));
    bridge.setInjectionPoint(QWebEngineScript::DocumentReady);
    bridge.setWorldId(kWorld);
    bridge.setRunsOnSubFrames(false);
    bridge.setSourceCode(ChannelScript() + QString::fromUtf8(kBridgeScript));
    page_->scripts().insert(bridge);

    connect(page_, &QWebEnginePage::loadStarted, this, [this] {
        ++pageSerial_;
        channelReady_ = false;
        pendingConnect_.reset();
    });
    connect(page_, &QWebEnginePage::loadFinished, this, [this] { PageFinished(); });
}

WebSettingsDialog::~WebSettingsDialog() {
    // The page goes before the channel it reports to.
    delete view_;
}

int WebSettingsDialog::exec() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    closing_ = false;
    page_->load(address_);
    return QDialog::exec();
}

void WebSettingsDialog::done(int result) {
    closing_ = true;
    const std::vector<client::WebSettingsForm::Binding> connected = form_.Release();
    if (!connected.empty()) {
        QJsonArray handles;
        for (const auto& b : connected) handles.append(b.cookie);
        page_->runJavaScript(
            QStringLiteral("window.brevioDisconnect && brevioDisconnect(%1)")
                .arg(QString::fromUtf8(QJsonDocument(handles).toJson(QJsonDocument::Compact))),
            kWorld);
    }
    QDialog::done(result);
}

void WebSettingsDialog::ButtonClicked(const QString& elementId) {
    if (closing_) return;
    form_.ButtonClicked(elementId.toStdString());
    if (form_.ClickedButton()) emit ClickRecorded(elementId);
}

void WebSettingsDialog::ChannelReady() {
    channelReady_ = true;
    if (closing_ || !pendingConnect_) return;
    const std::vector<std::string> ids = std::move(*pendingConnect_);
    pendingConnect_.reset();
    ConnectBindings(ids);
}

void WebSettingsDialog::PageFinished() {
    if (closing_) return;
    page_->runJavaScript(QStringLiteral("window.brevioNoScroll && brevioNoScroll()"), kWorld);
    const client::WebSettingsForm::PageStep step = form_.PageFinished();
    switch (step.close) {
        case client::WebSettingsForm::Close::kOk:
            accept();
            return;
        case client::WebSettingsForm::Close::kCancel:
            reject();
            return;
        case client::WebSettingsForm::Close::kNone:
            break;
    }
    if (channelReady_) {
        ConnectBindings(step.connect);
    } else {
        pendingConnect_ = step.connect;
    }
}

void WebSettingsDialog::ConnectBindings(const std::vector<std::string>& ids) {
    QPointer<WebSettingsDialog> self(this);
    const int serial = pageSerial_;
    page_->runJavaScript(
        QStringLiteral("window.brevioConnect ? brevioConnect(%1) : []").arg(JsonList(ids)),
        kWorld, [self, serial](const QVariant& value) {
            if (!self || self->closing_ || serial != self->pageSerial_) return;
            std::vector<int> cookies;
            for (const QVariant& v : value.toList()) cookies.push_back(v.toInt());
            self->form_.BindingsConnected(cookies);
            emit self->PageReady(self->form_.Connected());
        });
}

}  // namespace brevio::ui

#include "web_settings_dialog.moc"

#endif  // BREVIO_HAVE_WEBENGINE
