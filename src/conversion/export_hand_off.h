// What the store writer thread hands every item to once it is filed, besides the text and
// web-page conversion (AutoConverter, formats 0 to 2): the special conversion (serial port or
// USB folder) while pxEspeTransAuto is 1, otherwise, when automatic conversion is on, a
// reception was started in this run and ConvertFormat is 3, the database conversion. The
// client core owns one of these for its whole run, starts the transfer loop with it and stops
// it at exit.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "conversion/db_export.h"
#include "conversion/export_settings.h"
#include "conversion/special_transfer.h"
#include "conversion/stored_conversion.h"
#include "store/news_file_format.h"
#include "store/news_item.h"

namespace brevio::platform {
class MainWindowSink;
}
namespace brevio::reference {
class RefList;
}

namespace brevio::conversion {

class ExportHandOff {
  public:
    struct Options {
        std::string programFolder;  // ends in "/"
        platform::MainWindowSink* window = nullptr;
        // True once a receive command was given in this run (automatic conversion waits for
        // it); empty: never.
        std::function<bool()> receptionStarted;
        // Bound on sending the serial records still queued at Stop.
        int drainMs = 30000;
        int reconnectPauseMs = 30000;
        int portIdleWaitMs = 3000;
        int portWriteTimeoutMs = TransferPort::kDefaultWriteTimeoutMs;
    };

    // Reads the settings and the data source from the registry.
    explicit ExportHandOff(Options options);
    ~ExportHandOff();
    ExportHandOff(const ExportHandOff&) = delete;
    ExportHandOff& operator=(const ExportHandOff&) = delete;

    // Replaces the in-memory settings (the settings dialogs' OK) and reads the data source
    // again.
    void ApplySettings(const ExportSettings& settings);
    void ReloadSettings();
    ExportSettings Settings() const;

    // Store writer thread, after filing.
    void OnFiled(const store::NewsItem& item);

    // The transfer loop: started with the client, stopped at exit after the queued serial
    // records were sent (bounded by drainMs). Stop returns the records left unsent.
    void Start();
    std::size_t Stop();

    DatabaseExport& Database() { return database_; }
    SpecialTransfer& Transfer() { return transfer_; }

  private:
    Options options_;
    mutable std::mutex mutex_;
    ExportSettings settings_;
    DatabaseExport database_;
    SpecialTransfer transfer_;
    bool stopped_ = false;
};

// Converting one stored item by hand in the database format: the item's transfer record is
// built and its fields are saved with SaveNewsRow. kDbError when the item does not fit the
// transfer record or the row could not be saved.
int SaveItemByHand(DatabaseExport& database, const store::NewsItem& item);

// The database form of the news list's convert command over the selected items of one news
// file (read in one pass): each item is saved with SaveItemByHand; `converted` counts the rows
// saved, `missing` the ids the file does not hold. No files are written.
StoredConversion SaveStoredItems(DatabaseExport& database, const reference::RefList& websites,
                                 std::string_view contentFolder, int folderKind,
                                 std::string_view base, const std::vector<std::int32_t>& ids);

// A stored item as the conversion sees it: from its index record and content, the news file
// it was found in (folder kind and base name: the category code of a public news file, the
// trade or region code, the stock code) and the web-site list (the site whose name the record
// holds gives the web-site ID).
store::NewsItem ItemFromStore(int folderKind, const std::string& base,
                              const store::NewsRecord& record, const std::string& content,
                              const reference::RefList& websites);

}  // namespace brevio::conversion
