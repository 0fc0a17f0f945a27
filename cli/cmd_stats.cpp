// brevio-cli stats public|trade|stock: the lines of the news statistics pages.
#include <string>

#include "commands.h"
#include "reference/file_names.h"
#include "reference/tab_files.h"
#include "settings/app_settings.h"
#include "store/news_statistics.h"

namespace brevio::cli {
namespace {

using namespace brevio::reference;
using store::Statistics;

// Loads the reference list of the page from the content folder and counts; false when the
// list's file cannot be opened (the page then lists nothing).
bool Count(const std::string& page, const std::string& contentFolder, Statistics& out) {
    if (page == "stock") {
        StockTable stocks;
        bool opened =
            LoadStockTable(DataPath(contentFolder, kStockTableFile), stocks) != kTableOpenFailed;
        out = store::CountStocks(contentFolder, stocks);
        return opened;
    }
    bool trade = page == "trade";
    RefList list;
    bool opened = LoadRefList(DataPath(contentFolder, trade ? kTradeFile : kNewsClassifyFile), true,
                              list) != kTableOpenFailed;
    out = trade ? store::CountTrades(contentFolder, list) : store::CountPublic(contentFolder, list);
    return opened;
}

int StatsCommand(const Args& args) {
    if (args.size() != 1) return Usage("stats");
    const std::string& page = args[0];
    if (page != "public" && page != "trade" && page != "stock") {
        ErrorLine("unknown page " + ToGbk(page));
        return Usage("stats");
    }
    std::string contentFolder = settings::LoadAppSettings().contentFolder;
    Statistics s;
    if (!Count(page, contentFolder, s)) ErrorLine("cannot open the reference list; it is empty");
    for (const store::StatisticsRow& row : s.rows)
        PrintLineGbk(store::StatisticsRowText(s.page, row));
    PrintLineGbk(store::StatisticsTotalText(s));
    return kExitOk;
}

}  // namespace

BREVIO_COMMAND("stats",
               "  stats public|trade|stock   the news statistics page: one line per category,\n"
               "                             trade or stock with its live items, then the total",
               StatsCommand);

}  // namespace brevio::cli
