#include "news/news_rows.h"

#include <algorithm>
#include <cstdlib>
#include <numeric>

#include "platform/fs.h"
#include "platform/text.h"

namespace brevio::news {
namespace {

const std::string& TextOf(const ListRow& row, int column) {
    switch (column) {
        case kColumnTitle:
            return row.title;
        case kColumnTime:
            return row.timeText;
        case kColumnWebSite:
            return row.webSite;
        default:
            return row.url;
    }
}

// Byte-wise comparison of GBK texts (as unsigned bytes, which std::string's compare is).
template <class Key>
std::vector<std::size_t> SortedOrder(std::size_t count, bool ascending, Key key) {
    std::vector<std::size_t> order(count);
    std::iota(order.begin(), order.end(), std::size_t{0});
    if (ascending) {
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return key(a) < key(b); });
    } else {
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return key(b) < key(a); });
    }
    return order;
}

}  // namespace

const ColumnInfo& ColumnAt(int column) {
    static const ColumnInfo kColumns[kColumnCount] = {
        {"x", 18}, {"新闻标题", 280}, {"新闻时间", 140}, {"来自网站", 80}, {"类别", 0}, {"url", 0},
    };
    return kColumns[std::clamp(column, 0, kColumnCount - 1)];
}

std::string Locator(store::FolderKind kind, std::string_view base) {
    return std::to_string(kind) + "," + std::string(base);
}

bool ParseLocator(std::string_view text, store::FolderKind& kind, std::string& base) {
    const std::size_t comma = text.find(',');
    if (comma == std::string_view::npos || comma == 0) return false;
    std::string_view number = text.substr(0, comma);
    std::size_t digits = number[0] == '-' ? 1 : 0;
    if (digits == number.size()) return false;
    for (std::size_t i = digits; i < number.size(); ++i) {
        if (number[i] < '0' || number[i] > '9') return false;
    }
    const long long value = platform::ParseLeadingInt(number);
    if (value < INT32_MIN || value > INT32_MAX) return false;
    kind = static_cast<store::FolderKind>(value);
    base = std::string(text.substr(comma + 1));
    return true;
}

std::string CellText(const ListRow& row, int column) {
    switch (column) {
        case kColumnId:
            return std::to_string(row.newsId);
        case kColumnLocator:
            return Locator(row.kind, row.base);
        case kColumnTitle:
        case kColumnTime:
        case kColumnWebSite:
        case kColumnUrl:
            return TextOf(row, column);
        default:
            return {};
    }
}

bool UsualTime(std::int32_t date, std::int32_t time) {
    return date >= 0 && date <= 99999999 && time >= 0 && time <= 999999;
}

std::string TimeText(std::int32_t date, std::int32_t time) {
    if (!UsualTime(date, time)) return store::RecordTimeText(date, time);
    // "%08d %06d" with the separators in place, written directly.
    char text[] = "0000-00-00 00:00:00";
    const auto put = [&](int at, int digits, std::int32_t value) {
        for (int i = digits - 1; i >= 0; --i) {
            text[at + i] = static_cast<char>('0' + value % 10);
            value /= 10;
        }
    };
    put(0, 4, date / 10000);
    put(5, 2, date / 100 % 100);
    put(8, 2, date % 100);
    put(11, 2, time / 10000);
    put(14, 2, time / 100 % 100);
    put(17, 2, time % 100);
    return std::string(text, sizeof text - 1);
}

std::int64_t TimeKey(std::int32_t date, std::int32_t time) {
    if (!UsualTime(date, time)) return -1;
    return static_cast<std::int64_t>(date) * 1000000 + time;
}

ListRow RowOfRecord(store::FolderKind kind, std::string_view base,
                    const store::NewsRecord& record) {
    ListRow row;
    row.newsId = record.newsId;
    row.itemValue = record.isRead;
    row.icon = record.isRead == 1 ? kIconRead : kIconUnread;
    row.kind = kind;
    row.base = std::string(base);
    row.title = record.Title();
    row.timeText = TimeText(record.date, record.time);
    row.timeKey = TimeKey(record.date, record.time);
    row.webSite = record.WebSite();
    row.url = record.Url();
    return row;
}

namespace {

// The row of a record's raw bytes: only the fields the list shows are decoded.
ListRow RowOfRaw(store::FolderKind kind, std::string_view base,
                 std::span<const char, store::kRecordSize> raw) {
    namespace at = store::record_offset;
    const char* r = raw.data();
    ListRow row;
    row.newsId = store::GetInt32(r + at::kNewsId);
    const auto isRead = static_cast<std::uint8_t>(r[at::kIsRead]);
    row.itemValue = isRead;
    row.icon = isRead == 1 ? kIconRead : kIconUnread;
    row.kind = kind;
    row.base = std::string(base);
    row.title = platform::FieldText(r + at::kTitle, store::kTitleFieldSize);
    const std::int32_t date = store::GetInt32(r + at::kDate);
    const std::int32_t time = store::GetInt32(r + at::kTime);
    row.timeText = TimeText(date, time);
    row.timeKey = TimeKey(date, time);
    row.webSite = platform::FieldText(r + at::kWebSite, store::kWebSiteFieldSize);
    row.url = platform::FieldText(r + at::kUrl, store::kUrlFieldSize);
    return row;
}

}  // namespace

int ReadNewsFileRows(std::string_view contentFolder, store::FolderKind kind, std::string_view base,
                     std::vector<ListRow>& rows) {
    const std::string folder = store::ResolveFolder(contentFolder, kind);
    if (!store::IsSafeFolder(folder) || !store::IsSafeBaseName(base)) return store::kCannotOpen;
    const std::string basePath = store::BasePath(folder, base);
    std::vector<ListRow> read;
    const long long indexSize = platform::FileSize(store::IndexPath(basePath));
    if (indexSize > 0) read.reserve(static_cast<std::size_t>(indexSize) / store::kRecordSize);
    const int rc = store::ScanRecords(basePath, [&](std::span<const char, store::kRecordSize> raw) {
        if (raw[store::record_offset::kHideMark] == '\0') {
            read.push_back(RowOfRaw(kind, base, raw));
        }
    });
    if (rc < 0) return rc;
    SortRows(read, kColumnTime, false);
    const int count = static_cast<int>(read.size());
    rows = std::move(read);
    return count;
}

std::vector<std::size_t> SortRows(std::vector<ListRow>& rows, int column, bool ascending) {
    std::vector<std::size_t> order;
    const bool keyed =
        column == kColumnTime &&
        std::all_of(rows.begin(), rows.end(), [](const ListRow& r) { return r.timeKey >= 0; });
    if (keyed) {
        order = SortedOrder(rows.size(), ascending, [&](std::size_t i) { return rows[i].timeKey; });
    } else if (column == kColumnId) {
        order =
            SortedOrder(rows.size(), ascending, [&](std::size_t i) { return rows[i].itemValue; });
    } else if (column == kColumnLocator) {
        std::vector<std::string> keys;
        keys.reserve(rows.size());
        for (const ListRow& row : rows) keys.push_back(Locator(row.kind, row.base));
        order = SortedOrder(rows.size(), ascending,
                            [&](std::size_t i) -> const std::string& { return keys[i]; });
    } else {
        order = SortedOrder(rows.size(), ascending, [&](std::size_t i) -> const std::string& {
            return TextOf(rows[i], column);
        });
    }
    std::vector<ListRow> sorted;
    sorted.reserve(rows.size());
    for (std::size_t from : order) sorted.push_back(std::move(rows[from]));
    rows = std::move(sorted);
    return order;
}

bool SortState::Click(int column) {
    ascending_ = column == column_ ? !ascending_ : true;
    column_ = column;
    return ascending_;
}

bool SetRowRead(ListRow& row, bool read) {
    if (row.Converted()) return false;
    if (read ? row.ShownRead() : row.ShownUnread()) return false;
    row.itemValue = read ? 1 : 0;
    row.icon = read ? kIconRead : kIconUnread;
    return true;
}

bool CommandStates::Enabled(int command) const {
    switch (command) {
        case kCommandDelete:
            return delete_;
        case kCommandSave:
            return save;
        case kCommandPrint:
            return print;
        case kCommandAddToFavorites:
            return addToFavorites;
        case kCommandMarkRead:
            return markRead;
        case kCommandMarkUnread:
            return markUnread;
        case kCommandMarkAllRead:
            return markAllRead;
        case kCommandMarkAllUnread:
            return markAllUnread;
        default:
            return false;
    }
}

CommandStates SelectionCommandStates(const std::vector<ListRow>& rows,
                                     const std::vector<std::size_t>& selected) {
    CommandStates s;
    bool any = false;
    for (std::size_t i : selected) {
        if (i >= rows.size()) continue;
        any = true;
        s.markRead = s.markRead || rows[i].ShownUnread();
        s.markUnread = s.markUnread || rows[i].ShownRead();
        if (s.markRead && s.markUnread) break;
    }
    s.delete_ = s.save = s.print = s.addToFavorites = any;
    return s;
}

CommandStates CommandStatesFor(const std::vector<ListRow>& rows,
                               const std::vector<std::size_t>& selected) {
    CommandStates s = SelectionCommandStates(rows, selected);
    for (const ListRow& row : rows) {
        s.markAllRead = s.markAllRead || row.ShownUnread();
        s.markAllUnread = s.markAllUnread || row.ShownRead();
        if (s.markAllRead && s.markAllUnread) break;
    }
    return s;
}

}  // namespace brevio::news
