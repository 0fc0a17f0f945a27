// The rows the news list shows, without a window: the rows of a news file, and the rows of
// converted news (the records of one code in a converted-news index), which share the view
// and are told apart by their item value 29.
//
// A category shown in its converted form lists the converted-news index of its group and
// form (P <G>Text or P <G>Html) when that index exists; a category without one lists its
// news file as usual.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/conversion_settings.h"
#include "conversion/output_layout.h"
#include "reference/reference_tables.h"
#include "store/converted_index_format.h"

namespace brevio::conversion {

// Item values and icons of the rows.
inline constexpr std::int32_t kConvertedRowValue = 29;
inline constexpr int kIconRead = 0;
inline constexpr int kIconUnread = 1;
inline constexpr int kIconWeb = 2;
inline constexpr int kIconText = 3;

struct NewsListRow {
    std::int32_t newsId = 0;
    int icon = kIconUnread;
    std::string title;
    std::string timeText;
    std::string webSite;
    std::string locator;  // news rows "%d,%s" (folder kind, base); converted rows "%d,%d"
    std::string url;
    std::int32_t itemValue = 0;  // IsRead for news rows, kConvertedRowValue for converted ones
    std::string fileBase;        // converted rows: the converted file's base name
    bool Converted() const { return itemValue == kConvertedRowValue; }
};

// The rows of a news file as the list loads them: records with a HideMark left out, newest
// first by time text. Returns the count, or the ListRecords failure (-10: no index).
int NewsFileRows(std::string_view contentFolder, int folderKind, std::string_view base,
                 std::vector<NewsListRow>& rows);

// The present records of `code` in a converted-news index, in file order, with the locator
// "<folderKind>,<code>"; nothing when the index does not exist.
std::optional<std::vector<NewsListRow>> ConvertedRows(std::string_view indexBase, int folderKind,
                                                      std::int32_t code, OutputForm form);

// The rows of a category: `converted` tells which kind they are.
struct CategoryRows {
    bool converted = false;
    int result = 0;  // the count, or the news file's failure
    std::vector<NewsListRow> rows;
};
CategoryRows RowsForCategory(const ConversionSettings& settings, std::string_view contentFolder,
                             int folderKind, std::string_view base, OutputForm form);

// Where the converted file of a record is: the folder of items converted on arrival first,
// then the folder of items converted by hand (the record's date and its code's category
// name). Nothing when neither holds it.
std::optional<std::string> LocateConvertedFile(const ConversionSettings& settings,
                                               const reference::ReferenceTables& tables, int kind,
                                               const store::ConvertedRecord& record,
                                               OutputForm form);

// "删除新闻" on a converted row: FindConvertedFile and MarkConvertedDeleted on the index,
// then the converted file is deleted when it can be found. Returns the MarkConvertedDeleted
// result; `removedFile` gets the deleted file's path (empty when none), `marked` whether a
// record was marked.
int DeleteConvertedRow(const ConversionSettings& settings, const reference::ReferenceTables& tables,
                       std::string_view indexBase, int kind, OutputForm form, std::int32_t id,
                       std::string* removedFile = nullptr, bool* marked = nullptr);

}  // namespace brevio::conversion
