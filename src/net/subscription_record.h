// One news category the user can receive: what narrows it (web sites, keywords, key range),
// the id of the last record received for it, its schedule values and its state flags. The
// stored part lives in "Category.dat" (content folder + "Data/"), a profile file with one
// section per category id:
//
//   MAXID        decimal text, default 0
//   WEBSITES     site ids each followed by "|" (empty: all sites), at most 2047 bytes
//   KEYWORDS     keywords each followed by "|", at most 2047 bytes
//   AUTOSEARCH   0 or 1, default 0
//   TIMESTART    4-byte structure value (seconds since 1970, little-endian), not set when 0
//   TIMEEND      as TIMESTART
//   INTERVALMIN  decimal minutes, default 15
//   TIMEUPDATE   as TIMESTART: start of the last successful reception
//   REMAINDAYS   decimal days, default 5
//   KEYRANGE     decimal 0..255, default 0
//
// Region records are keyed "R" + region code (see subscription_lists.h); that key is their
// category id everywhere: section name, CLASSIFY value, key of UserWebsite.tab.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brevio::net {

// The three category groups. Their names ("大众", "行业", "地区" in GBK) travel with
// received items as the reception kind.
enum class Group { kPublic = 0, kTrade = 1, kRegion = 2 };
inline constexpr int kGroupCount = 3;

// GBK name of a group.
std::string GroupName(Group group);
// The group of a GBK group name; nothing for any other text.
std::optional<Group> GroupFromName(std::string_view name);

inline constexpr std::string_view kCategoryFileName = "Category.dat";
// content folder (ending in "/") + "Data/Category.dat".
std::string CategoryFilePath(std::string_view contentFolder);

inline constexpr std::int32_t kDefaultIntervalMinutes = 15;
inline constexpr std::int32_t kDefaultRemainDays = 5;
// Longest WEBSITES and KEYWORDS value; longer lists keep only the entries that fit whole.
inline constexpr std::size_t kMaxListValue = 2047;
// Stored times are 32-bit: seconds since 1970 as an unsigned value (good until 2106).
inline constexpr std::int64_t kMaxStoredTime = 0xFFFFFFFFll;

// Seconds since 1970 now.
std::int64_t NowSeconds();

struct SubscriptionRecord {
    std::string categoryId;    // key: section name, CLASSIFY value
    std::string categoryName;  // shown in dialogs and status texts
    Group group = Group::kPublic;
    std::string websites;  // "id|id|"; empty means all sites
    std::string keywords;  // normalised: "kw|kw|"
    bool autoSearch = false;
    std::int64_t timeStart = 0;  // seconds since 1970; 0 = not set
    std::int64_t timeEnd = 0;
    std::int32_t intervalMinutes = kDefaultIntervalMinutes;
    std::int64_t timeUpdate = 0;
    std::int32_t remainDays = kDefaultRemainDays;
    std::int32_t maxId = 0;  // id of the last record received and accepted
    std::uint8_t keyRange = 0;
    bool busy = false;      // a reception thread works on the record
    bool selected = false;  // chosen by the user; bulk receive commands take only these
    bool changed = false;   // differs from its Category.dat section

    std::string GroupName() const { return net::GroupName(group); }
    bool operator==(const SubscriptionRecord&) const = default;

    // Normalises `text` (NormalizeKeywords), keeps what fits into kMaxListValue bytes and
    // marks the record changed.
    void SetKeywords(std::string_view text);
    // Stores the chosen sites as "id|id|" (empty: all sites) and marks the record changed.
    void SetWebsites(const std::vector<std::string>& siteCodes);
    // The keywords and site ids one by one.
    std::vector<std::string> KeywordList() const;
    std::vector<std::string> WebsiteList() const;

    // Public ids "00000" and "20000" are never taken by the bulk receive commands.
    bool ExcludedFromBulkReceive() const;
    // Public ids above "40000" (byte-wise comparison) get the reduced news request.
    bool UsesReducedRequest() const;
};

// Keyword normalisation: split at every ",", "|" or ";" (and at line breaks, which cannot be
// stored), drop empty pieces and pieces equal to an earlier one ignoring letter case, join
// the rest each followed by "|". Blanks stay part of their piece. Double-byte characters
// are kept whole: their second byte is never taken for a separator or case-folded.
std::string NormalizeKeywords(std::string_view text);

// Case-insensitive comparison for GBK text: ASCII letters fold, double-byte characters
// (both bytes) compare exactly.
bool EqualsNoCaseGbk(std::string_view a, std::string_view b);

// Cuts a "piece|piece|" list to at most `maxBytes` bytes at a "|" so that no piece is cut.
std::string CutAtWholePieces(std::string_view list, std::size_t maxBytes);

// Reads the record's section of `file` (section = record.categoryId). The record is taken
// only when MAXID yields text (a missing key reads as "0"); a MAXID that is present but
// empty is written to the file error log (mentioning "maxid") and the record keeps all its
// values. Times are taken only when present, well-formed and not 0. Returns true when the
// record was taken; a taken record is not changed.
bool LoadRecord(std::string_view file, SubscriptionRecord& record);

// Writes all ten keys of the record's section with one rewrite of the file.
bool SaveRecord(std::string_view file, const SubscriptionRecord& record);

// Writes every record's section with a single rewrite of the file. Records whose id cannot
// name a section (empty, or holding "[", "]" or a line break) are skipped.
bool SaveRecords(std::string_view file, const std::vector<SubscriptionRecord>& records);

// True when `id` can be a section name of Category.dat.
bool IsStorableCategoryId(std::string_view id);

}  // namespace brevio::net
