// Conversion of stored news by hand: the news list's convert command for the selected items
// and the news edit dialog ("新闻编辑"), which converts one item after the user edited it.
//
// Items converted by hand go to P 文本格式/<date>/<category>/ and P 网页格式/<date>/<category>/
// (the item's date, the name of its code in the reference list of its kind), by
// ConvertFormat: 0 text, 1 web page, 2 text then web page. The database form (3) is not
// written here.
//
// Threads: a conversion of many items is long work; front ends run it off the user-interface
// thread. Everything here may run on any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/conversion_settings.h"
#include "conversion/news_export.h"
#include "reference/reference_tables.h"
#include "store/form_message.h"
#include "store/news_file_format.h"

namespace brevio::conversion {

class DatabaseExport;

// The folder name of a code: its name in the list of the kind (made a safe folder name), or
// the code itself when the list has no such entry.
std::string CategoryFolderFor(const reference::ReferenceTables& tables, int kind,
                              std::string_view code);

// The records and contents of `ids` read from one news file in one pass, each as a lookup by
// ID finds it (ReadItem); nothing for an ID the file does not hold (or whose record is
// damaged). The pair is opened as the store's readers open it, so a compaction never mixes
// an old index with a new content file.
struct StoredItem {
    store::NewsRecord record;
    std::string content;
};
std::vector<std::optional<StoredItem>> ReadStoredItems(std::string_view folder,
                                                       std::string_view base,
                                                       const std::vector<std::int32_t>& ids);

// Converts one item read from the news file (folder kind, base name) by `format`; the files
// written, in order (none for the database form).
std::vector<ConvertedFile> ConvertStoredItem(const ConversionSettings& settings,
                                             const reference::ReferenceTables& tables,
                                             int folderKind, std::string_view base,
                                             const store::NewsRecord& record,
                                             std::string_view content, int format);

// The convert command of the news list over the selected items of one news file: the items
// are read in one pass and converted under one hold of the output lock, their registrations
// made at the end with one pass over each index.
struct StoredConversion {
    int converted = 0;                  // items whose files were all written
    std::vector<ConvertedFile> files;   // every file written, in order
    std::vector<std::int32_t> missing;  // ids that could not be read from the news file
};
StoredConversion ConvertStoredItems(const ConversionSettings& settings,
                                    const reference::ReferenceTables& tables,
                                    std::string_view contentFolder, int folderKind,
                                    std::string_view base, const std::vector<std::int32_t>& ids,
                                    int format);
// "共有%d条新闻转换成功!".
std::string ConvertedCountText(int converted);

// The news edit dialog: the fields it shows (from the stored item), and its two buttons.
class NewsEditForm {
  public:
    static constexpr int kResource = 213;
    static std::string Title();            // "新闻编辑"
    static std::string SaveAsTitle();      // "编辑新闻另存为"
    static std::string SaveAsFilter();     // "Text Files (*.txt)|*.txt||"
    static std::string SaveAsExtension();  // ".txt"

    NewsEditForm(int folderKind, std::string base, const store::NewsRecord& record,
                 std::string content);

    // The fields; the dialog edits them.
    std::string title;
    std::string content;
    std::string site;
    std::int32_t date = 0;  // yyyymmdd
    std::int32_t time = 0;  // hhmmss

    struct Outcome {
        store::FormMessage message;
        bool close = false;
        std::vector<ConvertedFile> files;
    };
    // "转换": an empty title gives "新闻标题不能为空!" and writes nothing; otherwise the item
    // as edited is converted like a list item, "转换新闻成功!", and the dialog closes. The
    // database form saves the row through `database`; when there is none or the row could not
    // be saved, "新闻保存到数据库失败!" and the dialog stays open.
    Outcome Convert(const ConversionSettings& settings, const reference::ReferenceTables& tables,
                    int format, DatabaseExport* database = nullptr) const;
    // "另存为...": writes the content to the chosen file (WriteWholeFile's result).
    int SaveAs(std::string_view path) const;

    // The record the item converts as (the edited title cut like a stored title).
    store::NewsRecord EditedRecord() const;

  private:
    int folderKind_;
    std::string base_;
    store::NewsRecord record_;
};

}  // namespace brevio::conversion
