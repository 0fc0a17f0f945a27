// Byte layouts of a news file: the 32-byte index header and the 512-byte index record
// (NEWSRECORDINDEX) that follow it in "<base>.idx", and the constants the news-file operations
// share. Every integer is 32-bit little-endian without padding; encoding and decoding go field
// by field at the offsets below, so the layout never depends on the compiler's struct layout.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace brevio::store {

// Sizes of the index file and of the reads over it.
inline constexpr std::size_t kIndexHeaderSize = 32;
inline constexpr std::size_t kRecordSize = 512;
inline constexpr std::size_t kRecordsPerChunk = 20;
inline constexpr std::size_t kIndexChunkSize = kRecordsPerChunk * kRecordSize;  // 10240

// The content buffer of the readers: a stored content holds at most kContentMax bytes so that
// it fits kContentBufferSize bytes with its terminator.
inline constexpr std::size_t kContentBufferSize = 6000;
inline constexpr std::size_t kContentMax = kContentBufferSize - 1;

// Index header fields.
namespace header_offset {
inline constexpr std::size_t kTag = 0;  // 6 bytes, "Ostra" NUL
inline constexpr std::size_t kFlagA = 8;
inline constexpr std::size_t kFlagB = 9;
inline constexpr std::size_t kLiveCount = 10;
inline constexpr std::size_t kDeletedCount = 14;
inline constexpr std::size_t kCutoffDate = 18;
}  // namespace header_offset
inline constexpr std::size_t kIndexTagSize = 6;
inline constexpr std::string_view kIndexTag{"Ostra\0", kIndexTagSize};

struct IndexHeader {
    std::array<char, kIndexTagSize> tag{'O', 's', 't', 'r', 'a', '\0'};
    std::uint8_t flagA = 1;         // byte 8, always 1, read by nobody
    std::uint8_t flagB = 1;         // byte 9, always 1, read by nobody
    std::int32_t liveCount = 0;     // records not marked deleted
    std::int32_t deletedCount = 0;  // records marked deleted since the last compaction
    std::int32_t cutoffDate = 0;    // yyyymmdd of the last day-based compaction, 0 when never
};

// Index record fields.
namespace record_offset {
inline constexpr std::size_t kIsDeleted = 0;
inline constexpr std::size_t kNewsId = 1;
inline constexpr std::size_t kTitle = 5;
inline constexpr std::size_t kUrl = 207;
inline constexpr std::size_t kWebSite = 432;
inline constexpr std::size_t kDate = 464;
inline constexpr std::size_t kTime = 468;
inline constexpr std::size_t kOffset = 472;
inline constexpr std::size_t kLength = 476;
inline constexpr std::size_t kIsRead = 480;
inline constexpr std::size_t kHideMark = 481;
}  // namespace record_offset
inline constexpr std::size_t kTitleFieldSize = 202;
inline constexpr std::size_t kUrlFieldSize = 225;
inline constexpr std::size_t kWebSiteFieldSize = 32;
inline constexpr std::size_t kHideMarkFieldSize = 31;

// Longest texts the fields keep (their NUL excluded).
inline constexpr std::size_t kTitleMax = kTitleFieldSize - 1;      // 201
inline constexpr std::size_t kUrlMax = kUrlFieldSize - 1;          // 224
inline constexpr std::size_t kWebSiteMax = kWebSiteFieldSize - 1;  // 31
// A longer title keeps this many bytes before its "...", a web-site name of kWebSiteFieldSize
// bytes or more its first kWebSiteCutKeep bytes.
inline constexpr std::size_t kTitleCutKeep = 198;
inline constexpr std::size_t kWebSiteCutKeep = 30;

// One index record. The text fields are kept as their raw bytes so that a record copied from
// one news file to another keeps every byte of its source; the setters cut a text without
// splitting a double-byte character and zero the rest of the field.
struct NewsRecord {
    std::uint8_t isDeleted = 0;  // 0 present, 1 deleted
    std::int32_t newsId = 0;
    std::array<char, kTitleFieldSize> title{};
    std::array<char, kUrlFieldSize> url{};
    std::array<char, kWebSiteFieldSize> webSite{};
    std::int32_t date = 0;                            // yyyymmdd
    std::int32_t time = 0;                            // hhmmss
    std::uint32_t offset = 0;                         // position of the content in the content file
    std::int32_t length = 0;                          // content bytes
    std::uint8_t isRead = 0;                          // 0 unread, 1 read
    std::array<char, kHideMarkFieldSize> hideMark{};  // non-empty text: left out of the news list

    bool Deleted() const { return isDeleted == 1; }
    bool Hidden() const { return hideMark[0] != '\0'; }

    std::string Title() const;
    std::string Url() const;
    std::string WebSite() const;
    std::string HideMark() const;
    void SetTitle(std::string_view text);
    void SetUrl(std::string_view text);
    void SetWebSite(std::string_view text);
    void SetHideMark(std::string_view text);
};

// Little-endian 32-bit integers inside a byte buffer.
void PutInt32(char* at, std::int32_t value);
std::int32_t GetInt32(const char* at);

void EncodeHeader(const IndexHeader& header, std::span<char, kIndexHeaderSize> out);
IndexHeader DecodeHeader(std::span<const char, kIndexHeaderSize> in);

void EncodeRecord(const NewsRecord& record, std::span<char, kRecordSize> out);
NewsRecord DecodeRecord(std::span<const char, kRecordSize> in);

// The time text of a record as the news list shows it: "yyyy-mm-dd hh:mm:ss", made from
// "%08d %06d" of Date and Time with the separators inserted (20070315, 93005 give
// "2007-03-15 09:30:05").
std::string RecordTimeText(std::int32_t date, std::int32_t time);

}  // namespace brevio::store
