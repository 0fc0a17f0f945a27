// "新闻统计": the news statistics dialog with its pages for public, trade and stock news. Each
// page lists the live items of every category, trade or stock with the total under the list;
// the counting runs off the user-interface thread and "刷新" counts again.
#pragma once

#include <QDialog>
#include <QWidget>
#include <string>

#include "reference/reference_tables.h"
#include "store/news_statistics.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace brevio::client {
class ClientCore;
}

namespace brevio::ui {

class StatisticsPageView : public QWidget {
  public:
    StatisticsPageView(store::StatisticsPage page, const reference::ReferenceTables& tables,
                       std::string contentFolder, QWidget* parent = nullptr);

    // Counts again (off the user-interface thread); the list and total follow when done.
    void Refresh();
    bool Counting() const { return counting_; }

    QListWidget* List() const { return list_; }
    QLabel* Total() const { return total_; }

  private:
    void Show(const store::Statistics& statistics);

    store::StatisticsPage page_;
    const reference::ReferenceTables& tables_;
    std::string contentFolder_;
    bool counting_ = false;
    QListWidget* list_ = nullptr;
    QLabel* total_ = nullptr;
    QPushButton* refresh_ = nullptr;
};

class NewsStatisticsDialog : public QDialog {
  public:
    NewsStatisticsDialog(const reference::ReferenceTables& tables, std::string contentFolder,
                         QWidget* parent = nullptr);
    StatisticsPageView* Page(store::StatisticsPage page) const;

  private:
    StatisticsPageView* pages_[3] = {};
};

// Command 32809 "新闻统计": the dialog over the running client's tables and content folder.
void ShowNewsStatistics(QWidget* parent, client::ClientCore& core);

}  // namespace brevio::ui
