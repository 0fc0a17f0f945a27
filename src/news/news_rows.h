// The rows of the news list without a window: what each row carries, the columns, how rows
// are read from a news file, sorted by a header click and marked read or unread, and which
// commands the selection enables.
//
// Every row carries what finds its record again in its news file (news ID, folder kind and
// base name), so the list's actions work on the news files directly. Rows of converted news
// (item value kConvertedRowValue) share the list; their actions belong to the conversion.
//
// Texts are GBK; the list sorts them by plain byte-wise comparison.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/news_file.h"
#include "store/news_file_format.h"

namespace brevio::news {

// Images of the list's icon strip.
enum ListIcon { kIconRead = 0, kIconUnread = 1, kIconWeb = 2, kIconText = 3 };

// The item value of a row of converted news.
inline constexpr std::int32_t kConvertedRowValue = 29;

// The columns, in their order.
enum Column {
    kColumnId = 0,  // news ID; the icon shows the read state
    kColumnTitle = 1,
    kColumnTime = 2,  // "yyyy-mm-dd hh:mm:ss"
    kColumnWebSite = 3,
    kColumnLocator = 4,  // "%d,%s": folder kind and base name (hidden)
    kColumnUrl = 5,      // (hidden)
    kColumnCount = 6,
};

struct ColumnInfo {
    const char* header;  // GBK
    int width;           // pixels; 0 = hidden
};
const ColumnInfo& ColumnAt(int column);

struct ListRow {
    std::int32_t newsId = 0;
    std::int32_t itemValue = 0;  // the record's IsRead, or kConvertedRowValue
    int icon = kIconUnread;
    store::FolderKind kind = store::kFolderPublic;
    std::string base;  // base name of the news file (converted rows: the code)
    std::string title;
    std::string timeText;
    std::string webSite;
    std::string url;
    std::string fileBase;  // converted rows: base name of the converted file
    // Date and time as one number (yyyymmddhhmmss) when both are in their usual range, whose
    // order is then the order of the time text; -1 otherwise.
    std::int64_t timeKey = -1;

    bool Converted() const { return itemValue == kConvertedRowValue; }
    bool ShownRead() const { return icon == kIconRead; }
    bool ShownUnread() const { return icon == kIconUnread; }
    // Drawn in the read colour (every row whose item value is not 0).
    bool InReadColor() const { return itemValue != 0; }
};

// The locator text of column 4 and its reading. ParseLocator reads "%d,%s": a number, a comma
// and the rest as the base name; false when there is no number or no comma.
std::string Locator(store::FolderKind kind, std::string_view base);
bool ParseLocator(std::string_view text, store::FolderKind& kind, std::string& base);

// The text of a column of a row.
std::string CellText(const ListRow& row, int column);

// The row of a news record (the list's AddRecord): icon unread unless IsRead is 1, item value
// = IsRead, time text from Date and Time.
ListRow RowOfRecord(store::FolderKind kind, std::string_view base, const store::NewsRecord& record);

// The time text of the list, "yyyy-mm-dd hh:mm:ss" (store::RecordTimeText), and its sort key.
std::string TimeText(std::int32_t date, std::int32_t time);
std::int64_t TimeKey(std::int32_t date, std::int32_t time);

// The rows of a news file as the list loads them: every record ListRecords delivers except
// those with a HideMark, newest first by time text. Returns the number of rows, or the
// ListRecords failure (store::kCannotOpen when the index is missing).
int ReadNewsFileRows(std::string_view contentFolder, store::FolderKind kind, std::string_view base,
                     std::vector<ListRow>& rows);

// Sorting: by the text of the column (column 0 by item value), stably. Returns the order
// applied: order[newPosition] = oldPosition. The time column compares the time keys when every
// row has one (the same order as the texts, found faster).
std::vector<std::size_t> SortRows(std::vector<ListRow>& rows, int column, bool ascending);

// The header-click rule: ascending when the column differs from the last one sorted by,
// otherwise the direction flips. A load counts as sorting by the time column, descending.
class SortState {
  public:
    // The direction a click on `column` sorts in; remembers it.
    bool Click(int column);
    void Set(int column, bool ascending) {
        column_ = column;
        ascending_ = ascending;
    }
    int Column() const { return column_; }
    bool Ascending() const { return ascending_; }

  private:
    int column_ = -1;
    bool ascending_ = true;
};

// Marks a row read (true) or unread (false) in the list: nothing happens when its icon already
// shows that state (and for converted rows, whose icons show their form). Returns true when
// the row changed, which is when the caller writes the flag into the record.
bool SetRowRead(ListRow& row, bool read);

// The list's commands and when each is enabled.
enum Command {
    kCommandDelete = 32790,
    kCommandSave = 32791,
    kCommandPrint = 32792,
    kCommandAddToFavorites = 32796,
    kCommandMarkRead = 32819,
    kCommandMarkUnread = 32820,
    kCommandMarkAllRead = 32821,
    kCommandMarkAllUnread = 32824,
};

struct CommandStates {
    bool delete_ = false, save = false, print = false, addToFavorites = false;
    bool markRead = false, markUnread = false;
    bool markAllRead = false, markAllUnread = false;
    bool Enabled(int command) const;
};

// The four selection commands need a selected row; mark read a selected unread row, mark
// unread a selected read one; mark all read some unread row, mark all unread some read one.
CommandStates SelectionCommandStates(const std::vector<ListRow>& rows,
                                     const std::vector<std::size_t>& selected);
CommandStates CommandStatesFor(const std::vector<ListRow>& rows,
                               const std::vector<std::size_t>& selected);

}  // namespace brevio::news
