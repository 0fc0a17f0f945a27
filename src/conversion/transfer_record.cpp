#include "conversion/transfer_record.h"

#include <cstring>

#include "platform/text.h"
#include "store/news_file_format.h"

namespace brevio::conversion {
namespace {

using store::NewsItem;

constexpr TransferTextField kTextFields[] = {
    {8, 512, &NewsItem::title},          {520, 512, &NewsItem::url},
    {1032, 12, &NewsItem::category},     {1044, 64, &NewsItem::timeText},
    {1108, 500, &NewsItem::trade},       {1608, 500, &NewsItem::region},
    {2108, 6000, &NewsItem::content},    {8108, 760, &NewsItem::relatedStocks},
};

static_assert(kTextFields[7].offset + kTextFields[7].size == kTransferRecordSize);

}  // namespace

std::span<const TransferTextField> TransferTextFields() {
    return kTextFields;
}

bool FitsTransferRecord(const NewsItem& item) {
    for (const TransferTextField& f : kTextFields) {
        if ((item.*f.member).size() >= f.size) return false;
    }
    return true;
}

bool EncodeTransferRecord(const NewsItem& item, std::span<char, kTransferRecordSize> out) {
    if (!FitsTransferRecord(item)) return false;
    std::memset(out.data(), 0, out.size());
    store::PutInt32(out.data() + transfer_offset::kNewsId, item.newsId);
    store::PutInt32(out.data() + transfer_offset::kWebsiteId, item.websiteId);
    for (const TransferTextField& f : kTextFields) {
        const std::string& text = item.*f.member;
        std::memcpy(out.data() + f.offset, text.data(), text.size());
    }
    return true;
}

NewsItem DecodeTransferRecord(std::span<const char, kTransferRecordSize> in) {
    NewsItem item;
    item.newsId = store::GetInt32(in.data() + transfer_offset::kNewsId);
    item.websiteId = store::GetInt32(in.data() + transfer_offset::kWebsiteId);
    for (const TransferTextField& f : kTextFields) {
        // A field without its terminator (a damaged record) gives its first size - 1 bytes,
        // so that a decoded item always fits a record again.
        item.*f.member = platform::FieldText(in.data() + f.offset, f.size - 1);
    }
    return item;
}

std::string SerialRecordText(const NewsItem& item) {
    std::string s;
    s.reserve(96 + item.content.size() + item.title.size() + item.url.size() +
              item.trade.size() + item.region.size() + item.relatedStocks.size());
    s += '2';
    s += "NID" + std::to_string(item.newsId);
    s += "NWEBSITE" + std::to_string(item.websiteId);
    s += "NABSTRACT" + item.content;
    s += "NCATEGORY" + item.category;
    s += "NREGION" + item.region;
    s += "NRELASTOCKS" + item.relatedStocks;
    s += "NTIME" + item.timeText;
    s += "NTITLE" + item.title;
    s += "NTRADE" + item.trade;
    s += "NURL" + item.url;
    s += "NENDN";
    return s;
}

}  // namespace brevio::conversion
