#include "ui/news/converted_news.h"

#include <memory>

#include "client/client_core.h"
#include "conversion/conversion_settings.h"
#include "conversion/converted_rows.h"
#include "platform/text.h"
#include "store/converted_index_format.h"

namespace brevio::ui {
namespace {

// Only the three groups have converted forms; favourites, subscriptions and stocks list their
// news files.
bool HasConvertedForm(store::FolderKind kind) {
    return kind != store::kFolderFavorite && kind != store::kFolderSubscription &&
           kind != store::kFolderStock;
}

news::ListRow RowOf(const conversion::NewsListRow& converted) {
    news::ListRow row;
    row.newsId = converted.newsId;
    row.itemValue = converted.itemValue;
    row.icon = converted.icon;
    news::ParseLocator(converted.locator, row.kind, row.base);
    row.title = converted.title;
    row.timeText = converted.timeText;
    row.webSite = converted.webSite;
    row.url = converted.url;
    row.fileBase = converted.fileBase;
    return row;
}

// The index record a converted row came from, as far as locating its file needs it.
store::ConvertedRecord RecordOf(const news::ListRow& row) {
    store::ConvertedRecord record;
    record.newsId = row.newsId;
    record.code = static_cast<std::int32_t>(platform::ParseLeadingInt(row.base));
    record.SetFileBase(row.fileBase);
    record.SetTimeText(row.timeText);
    record.SetTitle(row.title);
    return record;
}

}  // namespace

CNewsListView::ConvertedNews ConvertedNewsOf(client::ClientCore& core,
                                             conversion::OutputForm form) {
    auto settings = std::make_shared<const conversion::ConversionSettings>(
        conversion::LoadConversionSettings(core.Settings().programFolder, core.Tables()));
    const reference::ReferenceTables* tables = &core.Tables();
    CNewsListView::ConvertedNews converted;
    converted.rowsFor = [settings, form](
                            store::FolderKind kind,
                            const std::string& base) -> std::optional<std::vector<news::ListRow>> {
        if (!HasConvertedForm(kind)) return std::nullopt;
        const int group = conversion::ListKindOfFolder(kind);
        const auto code = static_cast<std::int32_t>(platform::ParseLeadingInt(base));
        auto rows = conversion::ConvertedRows(
            conversion::GroupIndexBase(settings->convertPath, group, form), kind, code, form);
        if (!rows) return std::nullopt;
        std::vector<news::ListRow> out;
        out.reserve(rows->size());
        for (const conversion::NewsListRow& r : *rows) out.push_back(RowOf(r));
        return out;
    };
    converted.fileOf = [settings, tables, form](const news::ListRow& row) -> std::string {
        return conversion::LocateConvertedFile(
                   *settings, *tables, conversion::ListKindOfFolder(row.kind), RecordOf(row), form)
            .value_or(std::string());
    };
    converted.remove = [settings, tables, form](const news::ListRow& row) {
        const int group = conversion::ListKindOfFolder(row.kind);
        conversion::DeleteConvertedRow(
            *settings, *tables, conversion::GroupIndexBase(settings->convertPath, group, form),
            group, form, row.newsId);
    };
    return converted;
}

}  // namespace brevio::ui
