#include "net/subscription_record.h"

#include <cerrno>
#include <climits>
#include <ctime>

#include "platform/error_log.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "reference/file_names.h"

namespace brevio::net {

namespace {

constexpr const char* kKeyMaxId = "MAXID";
constexpr const char* kKeyWebsites = "WEBSITES";
constexpr const char* kKeyKeywords = "KEYWORDS";
constexpr const char* kKeyAutoSearch = "AUTOSEARCH";
constexpr const char* kKeyTimeStart = "TIMESTART";
constexpr const char* kKeyTimeEnd = "TIMEEND";
constexpr const char* kKeyInterval = "INTERVALMIN";
constexpr const char* kKeyTimeUpdate = "TIMEUPDATE";
constexpr const char* kKeyRemainDays = "REMAINDAYS";
constexpr const char* kKeyKeyRange = "KEYRANGE";

constexpr std::size_t kMaxIdBuffer = 32;
// Lists are read whole and then cut at a separator, so a cut never leaves half an entry.
constexpr std::size_t kListReadBuffer = 65536;

const char* const kGroupNames[kGroupCount] = {"大众", "行业", "地区"};

bool IsLeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

unsigned char FoldAscii(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

bool IsKeywordSeparator(char c) {
    return c == ',' || c == '|' || c == ';' || c == '\r' || c == '\n';
}

// Splits GBK text at single-byte separators; the second byte of a double-byte character is
// never taken for one. Empty pieces are dropped.
template <typename IsSeparator>
std::vector<std::string> SplitGbk(std::string_view text, IsSeparator isSeparator) {
    std::vector<std::string> pieces;
    std::string piece;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (IsLeadByte(c) && i + 1 < text.size()) {
            piece += text[i];
            piece += text[++i];
        } else if (isSeparator(text[i])) {
            if (!piece.empty()) pieces.push_back(std::move(piece));
            piece.clear();
        } else {
            piece += text[i];
        }
    }
    if (!piece.empty()) pieces.push_back(std::move(piece));
    return pieces;
}

std::int32_t ClampToInt32(long long v) {
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<std::int32_t>(v);
}

// A time is taken only when its structure value is present, well-formed and not 0.
void LoadTime(std::string_view file, std::string_view section, const char* key,
              std::int64_t& target) {
    unsigned char bytes[4];
    if (!platform::ProfileGetStruct(file, section, key, bytes, sizeof bytes)) return;
    std::uint32_t v = std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 |
                      std::uint32_t(bytes[2]) << 16 | std::uint32_t(bytes[3]) << 24;
    if (v != 0) target = v;
}

void WriteTime(platform::ProfileEditor& editor, std::string_view section, const char* key,
               std::int64_t t) {
    // Times that do not fit the stored form are written as "not set".
    std::uint32_t v = (t > 0 && t <= kMaxStoredTime) ? static_cast<std::uint32_t>(t) : 0;
    unsigned char bytes[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                              static_cast<unsigned char>(v >> 16),
                              static_cast<unsigned char>(v >> 24)};
    editor.WriteStruct(section, key, bytes, sizeof bytes);
}

void AddRecord(platform::ProfileEditor& editor, const SubscriptionRecord& r) {
    const std::string& s = r.categoryId;
    editor.WriteInt(s, kKeyMaxId, r.maxId);
    editor.WriteString(s, kKeyWebsites,
                       platform::StorableProfileValue(CutAtWholePieces(r.websites, kMaxListValue)));
    editor.WriteString(s, kKeyKeywords,
                       platform::StorableProfileValue(CutAtWholePieces(r.keywords, kMaxListValue)));
    editor.WriteInt(s, kKeyAutoSearch, r.autoSearch ? 1 : 0);
    WriteTime(editor, s, kKeyTimeStart, r.timeStart);
    WriteTime(editor, s, kKeyTimeEnd, r.timeEnd);
    editor.WriteInt(s, kKeyInterval, r.intervalMinutes);
    WriteTime(editor, s, kKeyTimeUpdate, r.timeUpdate);
    editor.WriteInt(s, kKeyRemainDays, r.remainDays);
    editor.WriteInt(s, kKeyKeyRange, r.keyRange);
}

std::vector<std::string> SplitList(std::string_view list) {
    return SplitGbk(list, [](char c) { return c == '|'; });
}

}  // namespace

std::string GroupName(Group group) {
    return kGroupNames[static_cast<int>(group)];
}

std::optional<Group> GroupFromName(std::string_view name) {
    for (int i = 0; i < kGroupCount; ++i) {
        if (name == kGroupNames[i]) return static_cast<Group>(i);
    }
    return std::nullopt;
}

std::string CategoryFilePath(std::string_view contentFolder) {
    return reference::DataPath(contentFolder, kCategoryFileName);
}

std::int64_t NowSeconds() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

bool EqualsNoCaseGbk(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (IsLeadByte(x) && i + 1 < a.size()) {
            // A double-byte character: both bytes must match exactly.
            if (x != y || a[i + 1] != b[i + 1]) return false;
            ++i;
            continue;
        }
        if (FoldAscii(x) != FoldAscii(y)) return false;
    }
    return true;
}

std::string NormalizeKeywords(std::string_view text) {
    std::vector<std::string> kept;
    for (std::string& piece : SplitGbk(text, IsKeywordSeparator)) {
        bool seen = false;
        for (const std::string& k : kept) {
            if (EqualsNoCaseGbk(k, piece)) {
                seen = true;
                break;
            }
        }
        if (!seen) kept.push_back(std::move(piece));
    }
    std::string out;
    for (const std::string& k : kept) out += k + "|";
    return out;
}

std::string CutAtWholePieces(std::string_view list, std::size_t maxBytes) {
    if (list.size() <= maxBytes) return std::string(list);
    // Walk character by character so a "|" that is the second byte of a double-byte
    // character is not taken for a separator.
    std::size_t lastEnd = 0;
    for (std::size_t i = 0; i < maxBytes; ++i) {
        unsigned char c = static_cast<unsigned char>(list[i]);
        if (IsLeadByte(c)) {
            ++i;
        } else if (c == '|') {
            lastEnd = i + 1;
        }
    }
    return std::string(list.substr(0, lastEnd));
}

void SubscriptionRecord::SetKeywords(std::string_view text) {
    keywords = CutAtWholePieces(NormalizeKeywords(text), kMaxListValue);
    changed = true;
}

void SubscriptionRecord::SetWebsites(const std::vector<std::string>& siteCodes) {
    std::string list;
    for (const std::string& code : siteCodes) {
        std::string_view c = platform::Trim(code);
        if (c.empty() || c.find_first_of("|\r\n") != std::string_view::npos) continue;
        list += c;
        list += '|';
    }
    websites = CutAtWholePieces(list, kMaxListValue);
    changed = true;
}

std::vector<std::string> SubscriptionRecord::KeywordList() const {
    return SplitList(keywords);
}

std::vector<std::string> SubscriptionRecord::WebsiteList() const {
    return SplitList(websites);
}

bool SubscriptionRecord::ExcludedFromBulkReceive() const {
    return group == Group::kPublic && (categoryId == "00000" || categoryId == "20000");
}

bool SubscriptionRecord::UsesReducedRequest() const {
    return group == Group::kPublic && categoryId > std::string_view("40000");
}

bool IsStorableCategoryId(std::string_view id) {
    if (platform::Trim(id).empty()) return false;
    return id.find_first_of("[]\r\n") == std::string_view::npos;
}

bool LoadRecord(std::string_view file, SubscriptionRecord& r) {
    const std::string& s = r.categoryId;
    std::string maxId = platform::ProfileGetString(file, s, kKeyMaxId, "0", kMaxIdBuffer);
    if (maxId.empty()) {
        // The key is there but holds nothing: the section cannot be trusted.
        platform::LogFileError(std::string(file) + " [" + s + "] maxid is empty", ENODATA);
        return false;
    }
    r.maxId = ClampToInt32(platform::ParseLeadingInt(maxId));
    r.websites = CutAtWholePieces(
        platform::ProfileGetString(file, s, kKeyWebsites, "", kListReadBuffer), kMaxListValue);
    r.keywords = CutAtWholePieces(
        platform::ProfileGetString(file, s, kKeyKeywords, "", kListReadBuffer), kMaxListValue);
    r.autoSearch = platform::ProfileGetInt(file, s, kKeyAutoSearch, 0) != 0;
    LoadTime(file, s, kKeyTimeStart, r.timeStart);
    LoadTime(file, s, kKeyTimeEnd, r.timeEnd);
    r.intervalMinutes = platform::ProfileGetInt(file, s, kKeyInterval, kDefaultIntervalMinutes);
    LoadTime(file, s, kKeyTimeUpdate, r.timeUpdate);
    r.remainDays = platform::ProfileGetInt(file, s, kKeyRemainDays, kDefaultRemainDays);
    int keyRange = platform::ProfileGetInt(file, s, kKeyKeyRange, 0);
    r.keyRange = static_cast<std::uint8_t>(keyRange < 0 ? 0 : keyRange > 255 ? 255 : keyRange);
    r.changed = false;
    return true;
}

bool SaveRecord(std::string_view file, const SubscriptionRecord& record) {
    return SaveRecords(file, {record});
}

bool SaveRecords(std::string_view file, const std::vector<SubscriptionRecord>& records) {
    platform::ProfileEditor editor{std::string(file)};
    for (const SubscriptionRecord& r : records) {
        if (IsStorableCategoryId(r.categoryId)) AddRecord(editor, r);
    }
    return editor.Commit();
}

}  // namespace brevio::net
