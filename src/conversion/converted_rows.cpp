#include "conversion/converted_rows.h"

#include <algorithm>
#include <array>

#include "conversion/stored_conversion.h"
#include "platform/fs.h"
#include "platform/text.h"
#include "store/converted_index.h"
#include "store/news_file.h"

namespace brevio::conversion {
namespace {

std::string Extension(OutputForm form) {
    return form == OutputForm::kText ? ".txt" : ".htm";
}

}  // namespace

int NewsFileRows(std::string_view contentFolder, int folderKind, std::string_view base,
                 std::vector<NewsListRow>& rows) {
    rows.clear();
    const std::string locator = platform::Format("%d,", folderKind) + std::string(base);
    int rc = store::ListRecords(store::ResolveFolder(contentFolder, folderKind), base,
                                [&](const store::NewsRecord& r) {
                                    if (r.Hidden()) return;
                                    NewsListRow row;
                                    row.newsId = r.newsId;
                                    row.icon = r.isRead == 1 ? kIconRead : kIconUnread;
                                    row.title = r.Title();
                                    row.timeText = store::RecordTimeText(r.date, r.time);
                                    row.webSite = r.WebSite();
                                    row.locator = locator;
                                    row.url = r.Url();
                                    row.itemValue = r.isRead;
                                    rows.push_back(std::move(row));
                                });
    if (rc < 0) return rc;
    std::stable_sort(rows.begin(), rows.end(), [](const NewsListRow& a, const NewsListRow& b) {
        return a.timeText > b.timeText;
    });
    return static_cast<int>(rows.size());
}

std::optional<std::vector<NewsListRow>> ConvertedRows(std::string_view indexBase, int folderKind,
                                                      std::int32_t code, OutputForm form) {
    if (!platform::FileExists(store::IndexPath(indexBase))) return std::nullopt;
    std::vector<NewsListRow> rows;
    const std::string locator = platform::Format("%d,%d", folderKind, code);
    int rc = store::ListConverted(indexBase, code, [&](const store::ConvertedRecord& r) {
        NewsListRow row;
        row.newsId = r.newsId;
        row.icon = form == OutputForm::kText ? kIconText : kIconWeb;
        row.title = r.Title();
        row.timeText = r.TimeText();
        row.webSite = r.WebSite();
        row.locator = locator;
        row.url = r.Url();
        row.itemValue = kConvertedRowValue;
        row.fileBase = r.FileBase();
        rows.push_back(std::move(row));
    });
    if (rc < 0) return std::nullopt;
    return rows;
}

CategoryRows RowsForCategory(const ConversionSettings& settings, std::string_view contentFolder,
                             int folderKind, std::string_view base, OutputForm form) {
    CategoryRows out;
    const int kind = ListKindOfFolder(folderKind);
    const auto code = static_cast<std::int32_t>(platform::ParseLeadingInt(base));
    if (auto converted = ConvertedRows(GroupIndexBase(settings.convertPath, kind, form), folderKind,
                                       code, form)) {
        out.converted = true;
        out.rows = std::move(*converted);
        out.result = static_cast<int>(out.rows.size());
        return out;
    }
    out.result = NewsFileRows(contentFolder, folderKind, base, out.rows);
    return out;
}

std::optional<std::string> LocateConvertedFile(const ConversionSettings& settings,
                                               const reference::ReferenceTables& tables, int kind,
                                               const store::ConvertedRecord& record,
                                               OutputForm form) {
    const std::int32_t date = store::ConvertedDate(record.TimeText());
    // Codes as the reference lists write them: public categories with five digits, trades
    // with at least two, regions as they are.
    const char* pattern = "%05d";
    if (GroupKind(kind) == kKindTrade) pattern = "%02d";
    if (GroupKind(kind) == kKindRegion) pattern = "%d";
    const std::string category =
        CategoryFolderFor(tables, kind, platform::Format(pattern, record.code));
    const std::string name = record.FileBase() + Extension(form);
    for (const std::string& folder : {AutoFolder(settings.convertPath, form, kind, date, category),
                                      ManualFolder(settings.convertPath, form, date, category)}) {
        if (platform::FileExists(folder + name)) return folder + name;
    }
    return std::nullopt;
}

int DeleteConvertedRow(const ConversionSettings& settings, const reference::ReferenceTables& tables,
                       std::string_view indexBase, int kind, OutputForm form, std::int32_t id,
                       std::string* removedFile, bool* marked) {
    if (removedFile) removedFile->clear();
    std::optional<store::ConvertedRecord> found;
    store::ListAllConverted(indexBase, [&](const store::ConvertedRecord& r) {
        if (!found && r.newsId == id) found = r;
    });
    bool done = false;
    int rc = store::MarkConvertedDeleted(indexBase, id, &done);
    if (marked) *marked = done;
    if (rc < 0 || !done || !found) return rc;
    if (std::optional<std::string> file =
            LocateConvertedFile(settings, tables, kind, *found, form)) {
        if (platform::RemoveFile(*file) && removedFile) *removedFile = *file;
    }
    return rc;
}

}  // namespace brevio::conversion
