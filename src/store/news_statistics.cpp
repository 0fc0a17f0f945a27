#include "store/news_statistics.h"

#include <array>
#include <cstdarg>
#include <cstdio>

#include "platform/fs.h"
#include "store/news_file.h"
#include "store/news_file_format.h"

namespace brevio::store {
namespace {

std::string Format(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::va_list again;
    va_copy(again, args);
    int n = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string out(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
    if (n > 0) std::vsnprintf(out.data(), out.size() + 1, format, again);
    va_end(again);
    return out;
}

StatisticsRow CountRow(const std::string& folder, const std::string& code, const std::string& name,
                       long long& total) {
    StatisticsRow row{code, name, 0, false};
    if (IndexLiveCount(folder, code, row.count)) {
        row.found = true;
        total += row.count;
    }
    return row;
}

Statistics CountList(StatisticsPage page, const std::string& folder,
                     const reference::RefList& list) {
    Statistics s;
    s.page = page;
    s.rows.reserve(list.size());
    for (const reference::RefEntry& e : list)
        s.rows.push_back(CountRow(folder, e.code, e.name, s.total));
    return s;
}

}  // namespace

bool IndexLiveCount(std::string_view folder, std::string_view base, std::int32_t& count) {
    count = 0;
    if (!IsSafeBaseName(base) || !IsSafeFolder(folder)) return false;
    platform::File index;
    if (!index.Open(IndexPath(BasePath(folder, base)), platform::File::kRead)) return false;
    std::array<char, kIndexHeaderSize> header{};
    if (index.ReadAt(0, header.data(), header.size()) < 0) header.fill(0);
    count = GetInt32(header.data() + header_offset::kLiveCount);
    return true;
}

Statistics CountPublic(std::string_view contentFolder, const reference::RefList& categories) {
    return CountList(StatisticsPage::kPublic, ResolveFolder(contentFolder, kFolderPublic),
                     categories);
}

Statistics CountTrades(std::string_view contentFolder, const reference::RefList& trades) {
    return CountList(StatisticsPage::kTrade, ResolveFolder(contentFolder, kFolderTrade), trades);
}

Statistics CountStocks(std::string_view contentFolder, const reference::StockTable& stocks) {
    Statistics s;
    s.page = StatisticsPage::kStock;
    s.rows.reserve(stocks.size());
    std::string folder = ResolveFolder(contentFolder, kFolderStock);
    for (const reference::StockEntry& e : stocks) {
        s.rows.push_back(CountRow(folder, e.code, e.name, s.total));
    }
    return s;
}

std::string StatisticsRowText(StatisticsPage page, const StatisticsRow& row) {
    switch (page) {
        case StatisticsPage::kTrade:
            return Format("%12s - %5d", row.name.c_str(), static_cast<int>(row.count));
        case StatisticsPage::kStock:
            return Format("%8s(%6s) —— %8d", row.name.c_str(), row.code.c_str(),
                          static_cast<int>(row.count));
        case StatisticsPage::kPublic:
        default:
            return Format("%12s —— %8d", row.name.c_str(), static_cast<int>(row.count));
    }
}

std::string StatisticsTotalText(const Statistics& s) {
    switch (s.page) {
        case StatisticsPage::kTrade:
            return Format("共有%4lld条新闻", s.total);
        case StatisticsPage::kStock:
            return Format("现有%d支股票,共搜索到%4lld条相关信息", static_cast<int>(s.rows.size()),
                          s.total);
        case StatisticsPage::kPublic:
        default:
            return Format("共有%6lld条新闻", s.total);
    }
}

std::string StatisticsPageTitle(StatisticsPage page) {
    switch (page) {
        case StatisticsPage::kTrade:
            return "行业新闻";
        case StatisticsPage::kStock:
            return "股票新闻";
        case StatisticsPage::kPublic:
        default:
            return "大众新闻";
    }
}

std::string StatisticsDialogTitle() {
    return "新闻统计";
}

}  // namespace brevio::store
