#include "reference/stock_export.h"

#include "platform/error_log.h"
#include "platform/fs.h"
#include "reference/reference_tables.h"

namespace brevio::reference {
namespace {

bool WriteNameFile(const std::string& path, const std::string& text) {
    platform::File file;
    if (!file.Open(path, platform::File::kCreate) || !file.Write(text)) {
        platform::LogFileError("Write " + path, platform::LastError());
        return false;
    }
    return true;
}

}  // namespace

bool IsSafeFileBaseName(std::string_view code) {
    if (code.empty() || code == "." || code == "..") return false;
    for (char c : code) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || c == '/' || c == '\\') return false;
    }
    return true;
}

StockExportResult ExportStockNames(std::string_view transferFolder, const RefList& trades,
                                   const StockTable& stocks) {
    StockExportResult result;
    std::string folder(transferFolder);
    if (!folder.empty() && folder.back() != '/') folder += '/';
    folder += kStockNameFolder;
    if (!platform::CreateFolders(folder)) {
        platform::LogFileError("Create folder " + folder, platform::LastError());
        return result;
    }
    result.folderReady = true;

    std::string tradeText;
    for (const RefEntry& t : trades) {
        tradeText += t.code;
        tradeText += ',';
        tradeText += t.name;
        tradeText += "\r\n";
    }
    result.tradesWritten = WriteNameFile(folder + std::string(kTradeNamesFile), tradeText);
    if (!result.tradesWritten) ++result.failed;

    for (const StockEntry& s : stocks) {
        if (!IsSafeFileBaseName(s.code)) {
            ++result.failed;
            continue;
        }
        std::string text = s.name + "\r\n" + s.trade + "\r\n";
        if (WriteNameFile(folder + s.code + ".txt", text)) {
            ++result.stocksWritten;
        } else {
            ++result.failed;
        }
    }
    return result;
}

StockExportResult ExportStockNames(std::string_view transferFolder, const ReferenceTables& tables) {
    Snapshot now = tables.Current();
    return ExportStockNames(transferFolder, *now.trades, *now.stocks);
}

}  // namespace brevio::reference
