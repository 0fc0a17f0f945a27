// The find bar the main window puts into its dialog bar: "搜索:", the keyword box, the category
// box (public categories, trades and regions), the search button and "百度". A thin view over
// net::FindBarForm.
//
// The local search (command 1158, and Enter in the keyword box) scans the titles of the stored
// news off the user-interface thread; SearchStarted tells the news list to remove its rows and
// HitsFound brings the rows, newest first, with the list's status text. When nothing was
// found the bar says so in a message. The web search (1159) shows the search engine's page in
// the content pane and shrinks the list pane so that the page gets the room.
#pragma once

#include <QPointer>
#include <QUrl>
#include <QWidget>
#include <memory>
#include <string>

#include "net/find_bar_form.h"
#include "store/news_search.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSplitter;

namespace brevio::app {
class BrowserView;
}
namespace brevio::client {
class ClientCore;
}
namespace brevio::reference {
class ReferenceTables;
}

namespace brevio::ui {

class FindBar : public QWidget {
    Q_OBJECT
  public:
    // `tables` must outlive the bar and every search it started; `contentFolder` is GBK.
    FindBar(const reference::ReferenceTables& tables, std::string contentFolder,
            QWidget* parent = nullptr);
    explicit FindBar(client::ClientCore& core, QWidget* parent = nullptr);

    // The panes the searches lay out: the splitter whose first widget is the list pane, and
    // the content pane the web search shows its page in. Either may be null.
    void SetPanes(QSplitter* listAndContent, app::BrowserView* content);
    // Refills the category box from the reference tables (after a list update).
    void RefillCategories();

    // The commands: the local search returns store::kSearchNoKeyword (after its message) or 0
    // when the search was started; the web search returns kSearchNoKeyword or 1.
    int SearchLocal();
    int SearchWeb();
    bool Searching() const { return searching_; }
    // The result of the last local search that finished (null before).
    std::shared_ptr<const store::LocalSearchResult> LastResult() const { return last_; }

    QLineEdit* Keyword() const { return keyword_; }
    QComboBox* Categories() const { return categories_; }
    const net::FindBarForm& Form() const { return form_; }

  signals:
    // A local search started: the news list removes all its rows.
    void SearchStarted(const QString& keyword);
    // It finished with hits: the list's rows (newest first) and its status text.
    void HitsFound(const std::shared_ptr<const store::LocalSearchResult>& result);
    // It finished (with or without hits).
    void SearchFinished(int hits);
    // The web search's page was given to the content pane (or, without one, is to be shown).
    void WebSearchOpened(const QUrl& url);

  private:
    void Build();
    void Finish(const net::FindBarForm::Request& request,
                std::shared_ptr<const store::LocalSearchResult> result);
    void SetListPaneHeight(int height);
    int ListPaneHeight() const;

    const reference::ReferenceTables& tables_;
    std::string contentFolder_;
    net::FindBarForm form_;
    QLineEdit* keyword_ = nullptr;
    QComboBox* categories_ = nullptr;
    QPushButton* search_ = nullptr;
    QPushButton* web_ = nullptr;
    QLabel* status_ = nullptr;
    QPointer<QSplitter> panes_;
    QPointer<app::BrowserView> content_;
    bool searching_ = false;
    std::shared_ptr<const store::LocalSearchResult> last_;
};

}  // namespace brevio::ui
