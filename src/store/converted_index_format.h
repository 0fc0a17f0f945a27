// Byte layouts of a converted-news index: the 28-byte header and the 748-byte record that
// follow it in "<base>.idx". The index belongs to the news-file family (same tag, same first
// header fields) but its records point at a converted text or web-page file instead of at a
// content file. Integers are 32-bit little-endian without padding; encoding and decoding go
// field by field at the offsets below.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace brevio::store {

inline constexpr std::size_t kConvertedHeaderSize = 28;
inline constexpr std::size_t kConvertedRecordSize = 748;
inline constexpr std::size_t kConvertedRecordsPerChunk = 50;
inline constexpr std::size_t kConvertedChunkSize =
    kConvertedRecordsPerChunk * kConvertedRecordSize;  // 37400

namespace converted_header_offset {
inline constexpr std::size_t kTag = 0;  // 6 bytes, "Ostra" NUL
inline constexpr std::size_t kFlagA = 8;
inline constexpr std::size_t kFlagB = 9;
inline constexpr std::size_t kLiveCount = 10;
inline constexpr std::size_t kDeletedCount = 14;
}  // namespace converted_header_offset

struct ConvertedHeader {
    std::int32_t liveCount = 0;     // records appended since the last purge, minus those purged
    std::int32_t deletedCount = 0;  // records marked deleted since the last purge
    bool operator==(const ConvertedHeader&) const = default;
};

namespace converted_offset {
inline constexpr std::size_t kIsDeleted = 0;
inline constexpr std::size_t kNewsId = 1;
inline constexpr std::size_t kCode = 5;
inline constexpr std::size_t kTitle = 9;
inline constexpr std::size_t kFileBase = 211;
inline constexpr std::size_t kUrl = 439;
inline constexpr std::size_t kWebSite = 664;
inline constexpr std::size_t kTimeText = 696;
}  // namespace converted_offset

inline constexpr std::size_t kConvertedTitleFieldSize = 202;
inline constexpr std::size_t kConvertedFileBaseFieldSize = 228;
inline constexpr std::size_t kConvertedUrlFieldSize = 225;
inline constexpr std::size_t kConvertedWebSiteFieldSize = 32;
inline constexpr std::size_t kConvertedTimeFieldSize = 52;

// The title rule of the index: a trimmed title longer than kConvertedTitleMax bytes keeps its
// first kConvertedTitleCutKeep bytes (the last one turned into a blank when an odd number of
// them are above 0xA0) and gets "...".
inline constexpr std::size_t kConvertedTitleMax = 40;
inline constexpr std::size_t kConvertedTitleCutKeep = 36;

// One record. Text fields keep their raw bytes; the setters cut a text to its field without
// splitting a double-byte character and zero the rest.
struct ConvertedRecord {
    std::uint8_t isDeleted = 0;  // 0 present, 1 deleted
    std::int32_t newsId = 0;
    std::int32_t code = 0;  // category, trade or region the item was converted under
    std::array<char, kConvertedTitleFieldSize> title{};
    std::array<char, kConvertedFileBaseFieldSize> fileBase{};  // converted file, no extension
    std::array<char, kConvertedUrlFieldSize> url{};
    std::array<char, kConvertedWebSiteFieldSize> webSite{};
    std::array<char, kConvertedTimeFieldSize> timeText{};  // "yyyy-mm-dd hh:mm:ss"

    bool Deleted() const { return isDeleted == 1; }
    std::string Title() const;
    std::string FileBase() const;
    std::string Url() const;
    std::string WebSite() const;
    std::string TimeText() const;
    void SetTitle(std::string_view text);
    void SetFileBase(std::string_view text);
    void SetUrl(std::string_view text);
    void SetWebSite(std::string_view text);
    void SetTimeText(std::string_view text);
};

void EncodeConvertedHeader(const ConvertedHeader& header,
                           std::span<char, kConvertedHeaderSize> out);
ConvertedHeader DecodeConvertedHeader(std::span<const char, kConvertedHeaderSize> in);
// True when the bytes start with the family's tag ("Ostra" NUL).
bool HasConvertedTag(std::span<const char, kConvertedHeaderSize> in);

void EncodeConvertedRecord(const ConvertedRecord& record,
                           std::span<char, kConvertedRecordSize> out);
ConvertedRecord DecodeConvertedRecord(std::span<const char, kConvertedRecordSize> in);

// The title as the index keeps it (trimmed, then the title rule above).
std::string ConvertedTitle(std::string_view title);
// A web-site name of 32 bytes or more keeps its first 30 bytes (never half a character).
std::string ConvertedWebSite(std::string_view name);

// The date (yyyymmdd) of a record's time text read as "%4d-%2d-%2d" (a year below 100 counts
// as 2000 + year); 0 when no date can be read.
std::int32_t ConvertedDate(std::string_view timeText);

}  // namespace brevio::store
