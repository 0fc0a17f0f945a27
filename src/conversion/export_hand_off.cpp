#include "conversion/export_hand_off.h"

#include "conversion/transfer_record.h"
#include "platform/text.h"
#include "reference/ref_list.h"
#include "store/news_file.h"

namespace brevio::conversion {

ExportHandOff::ExportHandOff(Options options)
    : options_(std::move(options)),
      settings_(ReadExportSettings()),
      database_({ReadDataSource(), options_.window, options_.reconnectPauseMs}),
      transfer_({options_.programFolder, options_.window, options_.portWriteTimeoutMs,
                 options_.portIdleWaitMs}) {
    transfer_.ApplySettings(settings_);
}

ExportHandOff::~ExportHandOff() {
    Stop();
}

void ExportHandOff::ApplySettings(const ExportSettings& settings) {
    {
        std::lock_guard lock(mutex_);
        settings_ = settings;
    }
    transfer_.ApplySettings(settings);
    database_.SetDataSource(ReadDataSource());
}

void ExportHandOff::ReloadSettings() {
    ApplySettings(ReadExportSettings());
}

ExportSettings ExportHandOff::Settings() const {
    std::lock_guard lock(mutex_);
    return settings_;
}

void ExportHandOff::OnFiled(const store::NewsItem& item) {
    const ExportSettings s = Settings();
    // While the special conversion is on, received items go nowhere else.
    if (s.specialAuto) {
        transfer_.TransferItem(item);
        return;
    }
    if (!s.convertAuto || !options_.receptionStarted || !options_.receptionStarted()) return;
    if (s.convertFormat == kFormatDatabase) database_.SaveNewsRow(item);
}

void ExportHandOff::Start() {
    transfer_.Start();
}

std::size_t ExportHandOff::Stop() {
    if (stopped_) return 0;
    stopped_ = true;
    std::size_t left = transfer_.Stop(options_.drainMs);
    database_.Connection().Disconnect();
    return left;
}

int SaveItemByHand(DatabaseExport& database, const store::NewsItem& item) {
    TransferRecordBytes record;
    if (!EncodeTransferRecord(item, record)) return kDbError;
    return database.SaveNewsRow(DecodeTransferRecord(record));
}

StoredConversion SaveStoredItems(DatabaseExport& database, const reference::RefList& websites,
                                 std::string_view contentFolder, int folderKind,
                                 std::string_view base, const std::vector<std::int32_t>& ids) {
    StoredConversion done;
    const std::string folder = store::ResolveFolder(std::string(contentFolder), folderKind);
    const std::vector<std::optional<StoredItem>> items = ReadStoredItems(folder, base, ids);
    for (std::size_t i = 0; i < ids.size(); ++i) {
        if (!items[i]) {
            done.missing.push_back(ids[i]);
            continue;
        }
        const store::NewsItem item = ItemFromStore(folderKind, std::string(base), items[i]->record,
                                                   items[i]->content, websites);
        if (SaveItemByHand(database, item) == kDbOk) ++done.converted;
    }
    return done;
}

store::NewsItem ItemFromStore(int folderKind, const std::string& base,
                              const store::NewsRecord& record, const std::string& content,
                              const reference::RefList& websites) {
    store::NewsItem item;
    item.newsId = record.newsId;
    item.title = record.Title();
    item.url = record.Url();
    item.timeText = store::RecordTimeText(record.date, record.time);
    item.content = content;
    const std::string site = record.WebSite();
    for (const reference::RefEntry& e : websites) {
        if (!site.empty() && e.name == site) {
            item.websiteId = static_cast<std::int32_t>(platform::ParseLeadingInt(e.code));
            break;
        }
    }
    switch (folderKind) {
        case store::kFolderTrade: item.trade = base; break;
        case store::kFolderRegion: item.region = base; break;
        case store::kFolderStock: item.relatedStocks = base; break;
        case store::kFolderFavorite:
        case store::kFolderSubscription: break;
        default: item.category = base; break;
    }
    return item;
}

}  // namespace brevio::conversion
