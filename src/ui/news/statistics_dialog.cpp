#include "ui/news/statistics_dialog.h"

#include <QDialogButtonBox>
#include <QFont>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/widgets/background.h"
#include "app/widgets/text.h"
#include "client/client_core.h"

namespace brevio::ui {

using app::Q;
using store::Statistics;
using store::StatisticsPage;

namespace {

// Counts one page from the tables published now; runs on any thread.
Statistics Count(StatisticsPage page, const reference::Snapshot& tables,
                 const std::string& contentFolder) {
    static const reference::RefList kNoList;
    switch (page) {
        case StatisticsPage::kTrade:
            return store::CountTrades(contentFolder, tables.trades ? *tables.trades : kNoList);
        case StatisticsPage::kStock:
            return store::CountStocks(contentFolder,
                                      tables.stocks ? *tables.stocks : reference::StockTable{});
        case StatisticsPage::kPublic:
        default:
            return store::CountPublic(contentFolder,
                                      tables.publicCategories ? *tables.publicCategories : kNoList);
    }
}

}  // namespace

StatisticsPageView::StatisticsPageView(StatisticsPage page,
                                       const reference::ReferenceTables& tables,
                                       std::string contentFolder, QWidget* parent)
    : QWidget(parent), page_(page), tables_(tables), contentFolder_(std::move(contentFolder)) {
    list_ = new QListWidget(this);
    list_->setObjectName("list");
    list_->setSortingEnabled(false);
    list_->setUniformItemSizes(true);
    // The rows are padded with blanks, so they line up only in a fixed-width font.
    list_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    list_->setStyleSheet("QListWidget::item { height: 16px; }");
    total_ = new QLabel(this);
    total_->setObjectName("total");
    refresh_ = new QPushButton(QString::fromUtf8("刷新"), this);
    refresh_->setObjectName("refresh");
    connect(refresh_, &QPushButton::clicked, this, [this] { Refresh(); });

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(total_, 1);
    bottom->addWidget(refresh_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addLayout(bottom);
    Refresh();
}

void StatisticsPageView::Refresh() {
    if (counting_) return;
    counting_ = true;
    refresh_->setEnabled(false);
    const StatisticsPage page = page_;
    reference::Snapshot tables = tables_.Current();
    std::string folder = contentFolder_;
    app::RunInBackground<Statistics>(
        this, [page, tables, folder] { return Count(page, tables, folder); },
        [this](Statistics statistics) { Show(statistics); });
}

void StatisticsPageView::Show(const Statistics& statistics) {
    list_->clear();
    QStringList rows;
    rows.reserve(static_cast<int>(statistics.rows.size()));
    for (const store::StatisticsRow& row : statistics.rows) {
        rows.push_back(Q(store::StatisticsRowText(statistics.page, row)));
    }
    list_->addItems(rows);
    total_->setText(Q(store::StatisticsTotalText(statistics)));
    counting_ = false;
    refresh_->setEnabled(true);
}

NewsStatisticsDialog::NewsStatisticsDialog(const reference::ReferenceTables& tables,
                                           std::string contentFolder, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(Q(store::StatisticsDialogTitle()));
    auto* tabs = new QTabWidget(this);
    tabs->setObjectName("pages");
    const StatisticsPage order[] = {StatisticsPage::kPublic, StatisticsPage::kTrade,
                                    StatisticsPage::kStock};
    for (StatisticsPage page : order) {
        auto* view = new StatisticsPageView(page, tables, contentFolder, tabs);
        pages_[static_cast<int>(page)] = view;
        tabs->addTab(view, Q(store::StatisticsPageTitle(page)));
    }
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QString::fromUtf8("确  定"), QDialogButtonBox::AcceptRole)
        ->setObjectName("ok");
    buttons->addButton(QString::fromUtf8("关  闭"), QDialogButtonBox::RejectRole)
        ->setObjectName("close");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs, 1);
    layout->addWidget(buttons);
    resize(420, 460);
}

StatisticsPageView* NewsStatisticsDialog::Page(StatisticsPage page) const {
    return pages_[static_cast<int>(page)];
}

void ShowNewsStatistics(QWidget* parent, client::ClientCore& core) {
    NewsStatisticsDialog dialog(core.Tables(), core.Settings().contentFolder, parent);
    dialog.exec();
}

}  // namespace brevio::ui
