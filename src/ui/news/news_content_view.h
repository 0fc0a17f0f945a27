// CNewsContentView: the content pane. One news item rendered through the page template into
// the content page file, which the browser view then shows; printing through the print dialog.
// The view keeps no item of its own: the content page file always holds the last page.
#pragma once

#include <QObject>
#include <QString>
#include <string>
#include <string_view>

namespace brevio::app {
class BrowserView;
}

namespace brevio::ui {

class CNewsContentView : public QObject {
    Q_OBJECT
  public:
    // `browser` is the main window's browser view (the content pane), not owned.
    explicit CNewsContentView(app::BrowserView* browser, QObject* parent = nullptr);

    app::BrowserView* Browser() const { return browser_; }
    // The content page file (GBK path of the core).
    const std::string& PagePath() const { return pagePath_; }

    // Renders one item (GBK texts, any may be empty) and shows it. False when the page file
    // could not be written: the previous page then stays on screen.
    bool ShowNews(std::string_view title, std::string_view timeText, std::string_view webSite,
                  std::string_view content);
    // Four empty texts: the empty page in the reader's colours.
    bool ShowEmpty();
    // Shows the page file as it was written (by a rendering done elsewhere).
    void ShowPageFile();

    // The browser prints the page shown, after the print dialog.
    void PrintNews(QWidget* dialogParent);

  signals:
    // The page file was written and the browser told to show it.
    void PageShown();

  private:
    app::BrowserView* browser_;
    std::string pagePath_;
};

}  // namespace brevio::ui
