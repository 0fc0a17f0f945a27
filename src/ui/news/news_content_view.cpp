#include "ui/news/news_content_view.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QUrl>
#include <memory>

#include "app/widgets/browser_view.h"
#include "app/widgets/text.h"
#include "news/content_page.h"

namespace brevio::ui {

CNewsContentView::CNewsContentView(app::BrowserView* browser, QObject* parent)
    : QObject(parent), browser_(browser), pagePath_(news::ContentPagePath()) {}

bool CNewsContentView::ShowNews(std::string_view title, std::string_view timeText,
                                std::string_view webSite, std::string_view content) {
    news::PageItem item{std::string(title), std::string(timeText), std::string(webSite),
                        std::string(content)};
    if (news::RenderToFile(item, pagePath_) != news::kPageWritten) return false;
    ShowPageFile();
    return true;
}

bool CNewsContentView::ShowEmpty() {
    return ShowNews({}, {}, {}, {});
}

void CNewsContentView::ShowPageFile() {
    if (browser_) browser_->Open(QUrl::fromLocalFile(app::QPath(pagePath_)));
    emit PageShown();
}

void CNewsContentView::PrintNews(QWidget* dialogParent) {
    if (!browser_) return;
    auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    QPrintDialog dialog(printer.get(), dialogParent);
    if (dialog.exec() != QDialog::Accepted) return;
    // The printer lives until the browser has finished with it.
    browser_->Print(printer.get(), [printer](bool) {});
}

}  // namespace brevio::ui
