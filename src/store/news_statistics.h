// News statistics: for every entry of a reference list, how many live items its news file
// holds, and the total, with the row and total texts the statistics pages show.
//
// The counts come from the LiveCount field of each index header; no record is read. An index
// that cannot be opened counts 0 and adds nothing to the total; an index shorter than its
// header reads the missing bytes as zero. The files are opened read-only beside any writer,
// so a count taken while an item is being added may be one behind.
//
// Every text is GBK. Nothing here touches a window: the dialog and brevio-cli both format
// their lines with these functions, and the dialog may count on a background thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "reference/ref_list.h"
#include "reference/stock_table.h"

namespace brevio::store {

enum class StatisticsPage { kPublic, kTrade, kStock };

struct StatisticsRow {
    std::string code;
    std::string name;
    std::int32_t count = 0;  // 0 when the index is missing
    bool found = false;      // the index could be opened
};

struct Statistics {
    StatisticsPage page = StatisticsPage::kPublic;
    std::vector<StatisticsRow> rows;  // in reference-list order
    long long total = 0;
};

// The live count of one index file: its 32-bit value at byte 10 of the header. False when the
// file cannot be opened (or the name could leave its folder).
bool IndexLiveCount(std::string_view folder, std::string_view base, std::int32_t& count);

// Counts the public-news categories (news folder), the trades (news folder + "Trade/") or the
// stocks (news folder + "Stock/"). `contentFolder` is the content folder.
Statistics CountPublic(std::string_view contentFolder, const reference::RefList& categories);
Statistics CountTrades(std::string_view contentFolder, const reference::RefList& trades);
Statistics CountStocks(std::string_view contentFolder, const reference::StockTable& stocks);

// The list line of a row and the total line under the list, as the pages show them.
std::string StatisticsRowText(StatisticsPage page, const StatisticsRow& row);
std::string StatisticsTotalText(const Statistics& statistics);

// The page titles: "大众新闻", "行业新闻", "股票新闻"; and the dialog's, "新闻统计".
std::string StatisticsPageTitle(StatisticsPage page);
std::string StatisticsDialogTitle();

}  // namespace brevio::store
