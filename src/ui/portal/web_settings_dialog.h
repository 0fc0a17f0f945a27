// The web settings dialog: a portal settings page in a modal browser window whose two watched
// buttons close it once the page they submit has loaded (first button OK, second Cancel); the
// close box closes it on any page. The GUI-free state is client::WebSettingsForm.
//
// The page's button clicks reach C++ through QWebChannel. The channel and the helpers that
// connect and disconnect the watched buttons are installed as a document-ready script in a
// world of their own, so every page the dialog navigates to has them and the portal's own
// scripts cannot see them.
//
// Built only with QtWebEngine; without it the main window shows settings pages in its browser
// view.
#pragma once

#ifdef BREVIO_HAVE_WEBENGINE

#include <QDialog>
#include <QUrl>
#include <optional>
#include <string>
#include <vector>

#include "client/web_settings_form.h"

class QWebChannel;
class QWebEnginePage;
class QWebEngineView;

namespace brevio::ui {

class WebSettingsDialog : public QDialog {
    Q_OBJECT
  public:
    // The kind (0-5) chooses the watched buttons and the size.
    explicit WebSettingsDialog(int kind, QWidget* parent = nullptr);
    ~WebSettingsDialog() override;

    void SetTitle(const QString& title) { setWindowTitle(title); }
    void SetAddress(const QUrl& address) { address_ = address; }
    // Centres the dialog on the desktop, loads the address and runs modally.
    int exec() override;
    void done(int result) override;

    const client::WebSettingsForm& Form() const { return form_; }
    QWebEnginePage* Page() const { return page_; }

    // Called by the page's script (through the channel) when a watched button was clicked.
    void ButtonClicked(const QString& elementId);
    // Called by the page's script once its channel is up (clicks can be reported from then).
    void ChannelReady();

  signals:
    // A page finished loading and its buttons were looked for (connected: both found).
    void PageReady(bool connected);
    // A click on a watched button was recorded.
    void ClickRecorded(const QString& elementId);

  private:
    void PageFinished();
    void ConnectBindings(const std::vector<std::string>& ids);

    client::WebSettingsForm form_;
    QUrl address_;
    QWebEngineView* view_ = nullptr;
    QWebEnginePage* page_ = nullptr;
    QWebChannel* channel_ = nullptr;
    bool closing_ = false;
    // The buttons are connected once the page has finished loading and its channel is up,
    // whichever comes last; a page's results are dropped when another page has started.
    int pageSerial_ = 0;
    bool channelReady_ = false;
    std::optional<std::vector<std::string>> pendingConnect_;
};

}  // namespace brevio::ui

#endif  // BREVIO_HAVE_WEBENGINE
