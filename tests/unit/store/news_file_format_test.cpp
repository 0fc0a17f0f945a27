#include "store/news_file_format.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace brevio::store {
namespace {

TEST(NewsFileFormatTest, RecordBytesSurviveDecodeAndEncodeExactly) {
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        std::string bytes(kRecordSize, '\0');
        for (char& c : bytes) c = static_cast<char>(rng());
        NewsRecord r = DecodeRecord(std::span<const char, kRecordSize>(bytes.data(), kRecordSize));
        std::string back(kRecordSize, 'x');
        EncodeRecord(r, std::span<char, kRecordSize>(back.data(), kRecordSize));
        ASSERT_EQ(back, bytes) << "round " << round;
    }
}

TEST(NewsFileFormatTest, IntegersAreLittleEndianAtTheirOffsets) {
    NewsRecord r;
    r.newsId = -2;
    r.offset = 0xF0000001u;
    r.length = 0x01020304;
    std::string b(kRecordSize, '\0');
    EncodeRecord(r, std::span<char, kRecordSize>(b.data(), kRecordSize));
    EXPECT_EQ(b.substr(record_offset::kNewsId, 4), std::string("\xFE\xFF\xFF\xFF", 4));
    EXPECT_EQ(b.substr(record_offset::kOffset, 4), std::string("\x01\x00\x00\xF0", 4));
    EXPECT_EQ(b.substr(record_offset::kLength, 4), std::string("\x04\x03\x02\x01", 4));
    NewsRecord d = DecodeRecord(std::span<const char, kRecordSize>(b.data(), kRecordSize));
    EXPECT_EQ(d.newsId, -2);
    EXPECT_EQ(d.offset, 0xF0000001u);

    IndexHeader h;
    h.cutoffDate = 20070315;  // 0x01323FAB
    char hb[kIndexHeaderSize];
    EncodeHeader(h, hb);
    EXPECT_EQ(std::string(hb + 18, 4), "\xAB\x3F\x32\x01");
    EXPECT_EQ(DecodeHeader(hb).cutoffDate, 20070315);
}

TEST(NewsFileFormatTest, TimeTextIsZeroPaddedWithSeparators) {
    EXPECT_EQ(RecordTimeText(20070315, 93005), "2007-03-15 09:30:05");
    EXPECT_EQ(RecordTimeText(0, 0), "0000-00-00 00:00:00");
    EXPECT_EQ(RecordTimeText(20071231, 235959), "2007-12-31 23:59:59");
}

}  // namespace
}  // namespace brevio::store
