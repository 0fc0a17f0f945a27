// The stock names for stock-analysis terminals: after the stock table is reloaded, its names
// and the trade list are written to the folder "name/" under the terminal transfer folder.
#pragma once

#include <string>
#include <string_view>

#include "reference/ref_list.h"
#include "reference/stock_table.h"

namespace brevio::reference {

inline constexpr std::string_view kStockNameFolder = "name/";
inline constexpr std::string_view kTradeNamesFile = "trade.txt";

struct StockExportResult {
    bool folderReady = false;  // "name/" exists (nothing is written otherwise)
    bool tradesWritten = false;
    int stocksWritten = 0;
    int failed = 0;  // files that could not be written, and stock codes unfit for a file name
};

// Writes under `transferFolder` (ends in "/"):
//   name/trade.txt    one line "code,name" CR LF per trade
//   name/<code>.txt   per stock: its name CR LF, its trade text CR LF
// A file that cannot be created is logged in the file error log and skipped. A stock code that
// is not a plain file name (empty, ".", "..", or holding "/", "\" or a control byte) is
// skipped, so no file is written outside the folder.
StockExportResult ExportStockNames(std::string_view transferFolder, const RefList& trades,
                                   const StockTable& stocks);

class ReferenceTables;
// The same with the trade list and the stock table currently published in `tables`.
StockExportResult ExportStockNames(std::string_view transferFolder, const ReferenceTables& tables);

// True when `code` can serve as the base name of a file inside the export folder.
bool IsSafeFileBaseName(std::string_view code);

}  // namespace brevio::reference
