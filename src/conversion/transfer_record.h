// The transfer record of the special conversion (USB files and the hand transfer's temporary
// file) and the serial record text sent over the port.
//
// Transfer record, 8868 bytes; integers 32-bit little-endian, texts GBK, NUL-terminated and
// zero-padded to their field:
//   offset  size  field
//        0     4  news ID
//        4     4  web-site ID
//        8   512  title
//      520   512  URL
//     1032    12  category code
//     1044    64  time text
//     1108   500  trade
//     1608   500  region
//     2108  6000  abstract (the item's content)
//     8108   760  related stocks
// An item with a text that does not fit its field together with its NUL is not transferred.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "store/news_item.h"

namespace brevio::conversion {

inline constexpr std::size_t kTransferRecordSize = 8868;
using TransferRecordBytes = std::array<char, kTransferRecordSize>;

namespace transfer_offset {
inline constexpr std::size_t kNewsId = 0;
inline constexpr std::size_t kWebsiteId = 4;
}  // namespace transfer_offset

// One text field of the record and the member of the news item it carries.
struct TransferTextField {
    std::size_t offset;
    std::size_t size;
    std::string store::NewsItem::*member;
};
// The text fields in record order.
std::span<const TransferTextField> TransferTextFields();

// True when every text of the item fits its field with the terminating NUL.
bool FitsTransferRecord(const store::NewsItem& item);

// Encodes the item; false (and `out` untouched) when a text does not fit.
bool EncodeTransferRecord(const store::NewsItem& item, std::span<char, kTransferRecordSize> out);
// Decodes a record (texts end at their NUL; a field without one gives all but its last byte).
store::NewsItem DecodeTransferRecord(std::span<const char, kTransferRecordSize> in);

// The serial record:
//   2NID<id>NWEBSITE<site>NABSTRACT<content>NCATEGORY<category>NREGION<region>
//   NRELASTOCKS<related stocks>NTIME<time>NTITLE<title>NTRADE<trade>NURL<url>NENDN
// (one line here for reading; nothing separates the parts but the letters). Field texts go
// as they are, without escaping and without a terminator after the final "NENDN".
std::string SerialRecordText(const store::NewsItem& item);

}  // namespace brevio::conversion
