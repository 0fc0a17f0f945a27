#include "store/news_item.h"

#include <limits>

#include "platform/clock.h"
#include "platform/text.h"
#include "store/news_file_format.h"

namespace brevio::store {

// A content kept from a text block fits the news file's content buffer.
static_assert(kept::kContent == kContentMax);
static_assert(kMaxNewsId < std::numeric_limits<std::int32_t>::max());

namespace {

constexpr std::string_view kContentKey = "CONTENT:";

std::string Kept(std::string_view block, std::string_view key, std::size_t maxBytes) {
    return std::string(platform::DbcsPrefix(BlockValue(block, key), maxBytes));
}

std::int32_t DecimalValue(std::string_view block, std::string_view key, std::size_t maxBytes) {
    long long v = platform::ParseLeadingInt(platform::DbcsPrefix(BlockValue(block, key), maxBytes));
    if (v > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (v < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}

}  // namespace

std::string_view BlockValue(std::string_view block, std::string_view key) {
    std::size_t at = block.find(key);
    if (at == std::string_view::npos) return {};
    std::size_t start = at + key.size();
    std::string_view terminator = key == kContentKey ? kBlockEndMark : std::string_view("\n");
    std::size_t end = block.find(terminator, start);
    if (end == std::string_view::npos) return {};
    return block.substr(start, end - start);
}

NewsItem ParseNewsBlock(std::string_view block) {
    NewsItem item;
    item.newsId = DecimalValue(block, "ID:", kept::kId);
    item.title = Kept(block, "TITLE:", kept::kTitle);
    item.url = Kept(block, "URL:", kept::kUrl);
    item.category = Kept(block, "CATEGORY:", kept::kCategory);
    item.websiteId = DecimalValue(block, "WEBSITE:", kept::kWebsite);
    item.region = Kept(block, "REGION:", kept::kRegion);
    item.trade = Kept(block, "TRADE:", kept::kTrade);
    if (block.find("TIME:") == std::string_view::npos) {
        platform::LocalTime now = platform::Now();
        item.timeText = platform::Format("%d-%d-%d", now.year, now.month, now.day);
    } else {
        item.timeText = Kept(block, "TIME:", kept::kTime);
    }
    item.relatedStocks = Kept(block, "RELSTOCKS:", kept::kRelatedStocks);
    item.content = Kept(block, kContentKey, kept::kContent);
    return item;
}

}  // namespace brevio::store
