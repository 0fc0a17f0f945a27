#include "conversion/stored_conversion.h"

#include <unordered_map>

#include "conversion/export_hand_off.h"
#include "platform/fs.h"
#include "platform/text.h"
#include "store/news_file.h"
#include "store/news_file_lock.h"
#include "store/news_file_replace.h"

namespace brevio::conversion {
namespace {

std::int32_t CodeNumber(std::string_view code) {
    return static_cast<std::int32_t>(platform::ParseLeadingInt(code));
}

// Opens the index and the content file of a news file as one pair, as the store's readers do:
// under the shared pair lock, after a replacement that a crash interrupted was completed.
bool OpenPair(const std::string& basePath, platform::File& idx, platform::File& dat) {
    for (int attempt = 0;; ++attempt) {
        {
            store::NewsFilePairLock pair(basePath, store::NewsFilePairLock::kShared);
            const bool marker =
                platform::FileExists(basePath + std::string(store::kCommitMarkerExt));
            if (!marker || attempt == 2) {
                return idx.Open(store::IndexPath(basePath), platform::File::kRead) &&
                       dat.Open(store::ContentPath(basePath), platform::File::kRead);
            }
        }
        store::NewsFileWriteLock lock(basePath);
        store::FinishInterruptedReplacement(basePath);
    }
}

}  // namespace

std::vector<std::optional<StoredItem>> ReadStoredItems(std::string_view folder,
                                                       std::string_view base,
                                                       const std::vector<std::int32_t>& ids) {
    std::vector<std::optional<StoredItem>> out(ids.size());
    if (!store::IsSafeFolder(folder) || !store::IsSafeBaseName(base)) return out;
    platform::File idx;
    platform::File dat;
    if (!OpenPair(store::BasePath(folder, base), idx, dat)) return out;

    // Where each wanted ID is: the first chunk holding it decides, and within that chunk the
    // record nearest its end (as a lookup by ID finds it).
    struct Found {
        std::int64_t chunk = -1;
        store::NewsRecord record;
    };
    std::unordered_map<std::int32_t, Found> found;
    for (std::int32_t id : ids) found.emplace(id, Found{});
    std::vector<char> chunk(store::kIndexChunkSize);
    std::int64_t position = store::kIndexHeaderSize;
    for (std::int64_t k = 0;; ++k) {
        long long n = idx.ReadAt(position, chunk.data(), chunk.size());
        if (n < 0) break;
        const std::size_t whole = static_cast<std::size_t>(n) / store::kRecordSize;
        for (std::size_t i = 0; i < whole; ++i) {
            const char* at = chunk.data() + i * store::kRecordSize;
            auto it = found.find(store::GetInt32(at + store::record_offset::kNewsId));
            if (it == found.end() || (it->second.chunk >= 0 && it->second.chunk != k)) continue;
            it->second.chunk = k;
            it->second.record = store::DecodeRecord(
                std::span<const char, store::kRecordSize>(at, store::kRecordSize));
        }
        if (static_cast<std::size_t>(n) < chunk.size()) break;
        position += n;
    }
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const Found& f = found[ids[i]];
        if (f.chunk < 0) continue;
        const std::int32_t length = f.record.length;
        if (length > static_cast<std::int32_t>(store::kContentMax)) continue;  // a damaged record
        StoredItem item{f.record, {}};
        if (length > 0) {
            item.content.resize(static_cast<std::size_t>(length));
            long long n = dat.ReadAt(f.record.offset, item.content.data(), item.content.size());
            item.content.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
        }
        out[i] = std::move(item);
    }
    return out;
}

std::string CategoryFolderFor(const reference::ReferenceTables& tables, int kind,
                              std::string_view code) {
    std::optional<std::string> name = tables.NameByKind(GroupKind(kind), code);
    return SafeFolderName(name ? *name : std::string(code), code);
}

namespace {

// The conversion of one stored item by format, through `run`.
std::vector<ConvertedFile> ConvertOne(StoredConversionRun& run, const ConversionSettings& settings,
                                      const reference::ReferenceTables& tables, int folderKind,
                                      std::string_view base, const store::NewsRecord& record,
                                      std::string_view content, int format) {
    std::vector<ConvertedFile> files;
    if (format != kFormatText && format != kFormatHtml && format != kFormatTextAndHtml) {
        return files;
    }
    ConversionItem item;
    item.kind = ListKindOfFolder(folderKind);
    item.code = CodeNumber(base);
    item.record = record;
    item.content = std::string(content);
    item.fileTitle = SafeTitle(record.Title());
    const std::string category = CategoryFolderFor(tables, item.kind, base);
    if (format != kFormatHtml) {
        files.push_back(run.Text(
            ManualFolder(settings.convertPath, OutputForm::kText, record.date, category), item));
    }
    if (format != kFormatText) {
        files.push_back(run.Html(
            ManualFolder(settings.convertPath, OutputForm::kHtml, record.date, category), item));
    }
    return files;
}

}  // namespace

std::vector<ConvertedFile> ConvertStoredItem(const ConversionSettings& settings,
                                             const reference::ReferenceTables& tables,
                                             int folderKind, std::string_view base,
                                             const store::NewsRecord& record,
                                             std::string_view content, int format) {
    StoredConversionRun run(settings);
    return ConvertOne(run, settings, tables, folderKind, base, record, content, format);
}

StoredConversion ConvertStoredItems(const ConversionSettings& settings,
                                    const reference::ReferenceTables& tables,
                                    std::string_view contentFolder, int folderKind,
                                    std::string_view base, const std::vector<std::int32_t>& ids,
                                    int format) {
    StoredConversion out;
    std::vector<std::optional<StoredItem>> items =
        ReadStoredItems(store::ResolveFolder(contentFolder, folderKind), base, ids);
    StoredConversionRun run(settings);
    for (std::size_t i = 0; i < ids.size(); ++i) {
        if (!items[i]) {
            out.missing.push_back(ids[i]);
            continue;
        }
        std::vector<ConvertedFile> files = ConvertOne(run, settings, tables, folderKind, base,
                                                      items[i]->record, items[i]->content, format);
        bool ok = !files.empty();
        for (ConvertedFile& f : files) {
            ok = ok && f.result == 0;
            out.files.push_back(std::move(f));
        }
        if (ok) ++out.converted;
    }
    run.Finish();
    return out;
}

std::string ConvertedCountText(int converted) {
    return platform::Format("共有%d条新闻转换成功!", converted);
}

// --- NewsEditForm ------------------------------------------------------------------------

std::string NewsEditForm::Title() {
    return "新闻编辑";
}
std::string NewsEditForm::SaveAsTitle() {
    return "编辑新闻另存为";
}
std::string NewsEditForm::SaveAsFilter() {
    return "Text Files (*.txt)|*.txt||";
}
std::string NewsEditForm::SaveAsExtension() {
    return ".txt";
}

NewsEditForm::NewsEditForm(int folderKind, std::string base, const store::NewsRecord& record,
                           std::string contentText)
    : title(record.Title()),
      content(std::move(contentText)),
      site(record.WebSite()),
      date(record.date),
      time(record.time),
      folderKind_(folderKind),
      base_(std::move(base)),
      record_(record) {}

store::NewsRecord NewsEditForm::EditedRecord() const {
    store::NewsRecord r = record_;
    std::string_view t = platform::Trim(title);
    if (t.size() > store::kTitleMax) {
        r.SetTitle(platform::ShortenTitle(t, store::kTitleCutKeep));
    } else {
        r.SetTitle(t);
    }
    r.SetWebSite(site);
    r.date = date;
    r.time = time;
    return r;
}

NewsEditForm::Outcome NewsEditForm::Convert(const ConversionSettings& settings,
                                            const reference::ReferenceTables& tables,
                                            int format, DatabaseExport* database) const {
    Outcome out;
    if (platform::Trim(title).empty()) {
        out.message = {"新闻标题不能为空!", store::ProgramMessageTitle(),
                       platform::MessageBoxSink::kWarning};
        return out;
    }
    if (format == kFormatDatabase) {
        const store::NewsItem item =
            ItemFromStore(folderKind_, base_, EditedRecord(), content, *tables.Websites());
        if (!database || SaveItemByHand(*database, item) != kDbOk) {
            out.message = {"新闻保存到数据库失败!", store::ProgramMessageTitle(),
                           platform::MessageBoxSink::kWarning};
            return out;
        }
    } else {
        out.files = ConvertStoredItem(settings, tables, folderKind_, base_, EditedRecord(),
                                      content, format);
    }
    out.message = {"转换新闻成功!", store::ProgramMessageTitle(),
                   platform::MessageBoxSink::kInformation};
    out.close = true;
    return out;
}

int NewsEditForm::SaveAs(std::string_view path) const {
    return WriteWholeFile(path, content);
}

}  // namespace brevio::conversion
