// One received news item in memory, and the server's text block it is built from.
//
// A text block is a run of "KEY:value" entries. Each key is found by plain substring search
// anywhere in the block; its value starts right after the colon and runs up to (not including)
// the next line feed, so a carriage return before the line feed stays in the value. CONTENT
// runs up to the two-byte end mark 0x80 0x80 instead. A missing key or a missing terminator
// leaves the value empty. Values longer than their kept length are cut without splitting a
// double-byte character.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace brevio::store {

struct NewsItem {
    std::int32_t newsId = 0;
    std::int32_t websiteId = 0;
    std::string title;
    std::string url;
    std::string category;  // category (or trade) code
    std::string timeText;  // "y-m-d h:m:s"; today's "y-m-d" when the block had no TIME entry
    std::string trade;     // trade codes
    std::string region;    // region codes separated by "|"
    std::string content;
    std::string relatedStocks;
    std::string receptionKind;  // the kind of subscription it arrived through (GBK text)
    std::string receivedFor;    // the key of the subscription record whose exchange brought it
};

// Longest values kept from a text block (bytes).
namespace kept {
inline constexpr std::size_t kId = 19;
inline constexpr std::size_t kTitle = 511;
inline constexpr std::size_t kUrl = 511;
inline constexpr std::size_t kCategory = 11;
inline constexpr std::size_t kWebsite = 63;
inline constexpr std::size_t kRegion = 499;
inline constexpr std::size_t kTrade = 499;
inline constexpr std::size_t kTime = 63;
inline constexpr std::size_t kRelatedStocks = 759;
inline constexpr std::size_t kContent = 5999;
}  // namespace kept

// The end mark of CONTENT (and of every text block in a server reply).
inline constexpr std::string_view kBlockEndMark{"\x80\x80", 2};

// The largest text block whose values all fit their kept lengths (8934 bytes of values): the
// ten keys, each value, a CR LF after each of the nine line values, and the end mark.
inline constexpr std::size_t kLargestBlockBytes =
    kept::kId + kept::kTitle + kept::kUrl + kept::kCategory + kept::kWebsite + kept::kRegion +
    kept::kTrade + kept::kTime + kept::kRelatedStocks + kept::kContent +
    std::string_view("ID:TITLE:URL:CATEGORY:WEBSITE:REGION:TRADE:TIME:RELSTOCKS:CONTENT:").size() +
    9 * 2 + kBlockEndMark.size();

// The news ids an item may carry: 1 up to one below the 32-bit limit. An id written beyond
// the 32-bit range is read as that limit, so the limit itself marks a damaged id, as do 0 (no
// digits) and negative ids. Such an item must never be filed or move a last id.
inline constexpr std::int32_t kMaxNewsId = 2147483646;
constexpr bool IsValidNewsId(std::int32_t id) {
    return id > 0 && id <= kMaxNewsId;
}

// Reads a text block into an item (reception kind left empty). The news ID and the website ID
// are the leading decimal digits of their values (0 when none; values beyond the 32-bit range
// stay at its limit; see IsValidNewsId).
NewsItem ParseNewsBlock(std::string_view block);

// The value of one key as the parser reads it (before the cut to its kept length).
std::string_view BlockValue(std::string_view block, std::string_view key);

}  // namespace brevio::store
