// The transfer record's byte layout, the fit rule and the serial record text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "conversion/transfer_record.h"
#include "store/news_file_format.h"

namespace brevio::conversion {
namespace {

store::NewsItem DistinctItem() {
    store::NewsItem item;
    item.newsId = 0x01020304;
    item.websiteId = 17;
    item.title = "标题 'one'";
    item.url = "http://x/1.html";
    item.category = "10001";
    item.timeText = "2024-3-5 9:8:7";
    item.trade = "05|06|";
    item.region = "110|";
    item.content = "第一段\r\n第二段";
    item.relatedStocks = "600101|";
    return item;
}

std::string TextAt(const TransferRecordBytes& r, std::size_t offset, std::size_t size) {
    return std::string(r.data() + offset, strnlen(r.data() + offset, size));
}

TEST(TransferRecord, FieldsSitAtTheirOffsetsAndTheRestIsZero) {
    TransferRecordBytes r;
    r.fill('\x55');
    ASSERT_TRUE(EncodeTransferRecord(DistinctItem(), r));
    EXPECT_EQ(std::string(r.data(), 4), std::string("\x04\x03\x02\x01", 4));
    EXPECT_EQ(store::GetInt32(r.data() + 4), 17);
    const store::NewsItem item = DistinctItem();
    EXPECT_EQ(TextAt(r, 8, 512), item.title);
    EXPECT_EQ(TextAt(r, 520, 512), item.url);
    EXPECT_EQ(TextAt(r, 1032, 12), item.category);
    EXPECT_EQ(TextAt(r, 1044, 64), item.timeText);
    EXPECT_EQ(TextAt(r, 1108, 500), item.trade);
    EXPECT_EQ(TextAt(r, 1608, 500), item.region);
    EXPECT_EQ(TextAt(r, 2108, 6000), item.content);
    EXPECT_EQ(TextAt(r, 8108, 760), item.relatedStocks);
    // Every byte after a text up to the end of its field is zero.
    for (const TransferTextField& f : TransferTextFields()) {
        const std::size_t used = (item.*f.member).size();
        for (std::size_t i = f.offset + used; i < f.offset + f.size; ++i) {
            ASSERT_EQ(r[i], '\0') << "field at " << f.offset << ", byte " << i;
        }
    }
}

TEST(TransferRecord, DecodeGivesBackWhatWasEncoded) {
    TransferRecordBytes r;
    ASSERT_TRUE(EncodeTransferRecord(DistinctItem(), r));
    const store::NewsItem back = DecodeTransferRecord(r);
    const store::NewsItem item = DistinctItem();
    EXPECT_EQ(back.newsId, item.newsId);
    EXPECT_EQ(back.websiteId, item.websiteId);
    for (const TransferTextField& f : TransferTextFields()) EXPECT_EQ(back.*f.member, item.*f.member);
}

TEST(TransferRecord, DecodeNeverReadsPastAFieldWithoutTerminator) {
    TransferRecordBytes r;
    r.fill('A');
    const store::NewsItem back = DecodeTransferRecord(r);
    EXPECT_EQ(back.category, std::string(11, 'A'));
    EXPECT_EQ(back.title, std::string(511, 'A'));
}

TEST(TransferRecord, ATextMustFitItsFieldWithItsTerminator) {
    for (const TransferTextField& f : TransferTextFields()) {
        store::NewsItem item;
        item.*f.member = std::string(f.size - 1, 'x');
        EXPECT_TRUE(FitsTransferRecord(item)) << "field at " << f.offset;
        item.*f.member = std::string(f.size, 'x');
        EXPECT_FALSE(FitsTransferRecord(item)) << "field at " << f.offset;
        TransferRecordBytes r;
        r.fill('\x33');
        EXPECT_FALSE(EncodeTransferRecord(item, r));
        EXPECT_EQ(r[0], '\x33');  // untouched
    }
}

TEST(SerialRecord, ItemWithIdSevenSiteThreeAndContentAbc) {
    store::NewsItem item;
    item.newsId = 7;
    item.websiteId = 3;
    item.content = "abc";
    EXPECT_EQ(SerialRecordText(item),
              "2NID7NWEBSITE3NABSTRACTabcNCATEGORYNREGIONNRELASTOCKSNTIMENTITLENTRADENURLNENDN");
}

TEST(SerialRecord, FieldsFollowInTheirOrderAsTheyAre) {
    const store::NewsItem item = DistinctItem();
    EXPECT_EQ(SerialRecordText(item),
              "2NID16909060NWEBSITE17NABSTRACT" + item.content + "NCATEGORY10001NREGION110|" +
                  "NRELASTOCKS600101|NTIME2024-3-5 9:8:7NTITLE" + item.title +
                  "NTRADE05|06|NURLhttp://x/1.htmlNENDN");
}

}  // namespace
}  // namespace brevio::conversion
