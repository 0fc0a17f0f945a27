// The converted-news index: header and record bytes, the title and web-site rules, the
// registrations, marking, purges and listing, and damaged or foreign files.
#include "store/converted_index.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fs.h"
#include "store/news_file.h"
#include "support/temp_home.h"

namespace brevio::store {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

std::string Int32Bytes(std::int32_t v) {
    char b[4];
    PutInt32(b, v);
    return std::string(b, 4);
}

// A text field as it must stand in a record: the text, then zeros up to the field's size.
std::string Field(const std::string& text, std::size_t size) {
    std::string f = text;
    f.resize(size, '\0');
    return f;
}

NewsRecord Stored(std::int32_t id, const std::string& title, std::int32_t date = 20070315,
                  std::int32_t time = 93005) {
    NewsRecord r;
    r.newsId = id;
    r.SetTitle(title);
    r.SetUrl("http://news.example.cn/" + std::to_string(id));
    r.SetWebSite("SiteName");
    r.date = date;
    r.time = time;
    return r;
}

NewsItem Received(std::int32_t id, const std::string& time) {
    NewsItem item;
    item.newsId = id;
    item.title = "  Received " + std::to_string(id) + "  ";
    item.url = "http://r.example.cn/" + std::to_string(id);
    item.timeText = time;
    return item;
}

class ConvertedIndexTest : public test::TempHomeTest {
  protected:
    std::string Base() const { return Home() + "PeopleText"; }
    std::string Bytes() const { return ReadFileBytes(IndexPath(Base())); }
    ConvertedHeader Header() const {
        ConvertedHeader h;
        EXPECT_EQ(ReadConvertedHeader(Base(), h), 0);
        return h;
    }
    std::vector<ConvertedRecord> All() const {
        std::vector<ConvertedRecord> out;
        ScanConverted(Base(), [&](const ConvertedRecord& r) { out.push_back(r); });
        return out;
    }
    std::vector<std::int32_t> PresentIds(std::int32_t code) const {
        std::vector<std::int32_t> ids;
        ListConverted(Base(), code, [&](const ConvertedRecord& r) { ids.push_back(r.newsId); });
        return ids;
    }
};

TEST_F(ConvertedIndexTest, FirstRegistrationWritesTheHeaderAndARecordByteForByte) {
    ASSERT_EQ(RegisterStored(Base(), "File Base", 9001, Stored(12345, "  Title  ")), 0);
    const std::string b = Bytes();
    ASSERT_EQ(b.size(), kConvertedHeaderSize + kConvertedRecordSize);

    std::string header("Ostra\0\0\0\x01\x01", 10);
    header += Int32Bytes(1) + Int32Bytes(0) + std::string(10, '\0');
    EXPECT_EQ(b.substr(0, kConvertedHeaderSize), header);

    std::string record(1, '\0');
    record += Int32Bytes(12345) + Int32Bytes(9001);
    record += Field("Title", 202);
    record += Field("File Base", 228);
    record += Field("http://news.example.cn/12345", 225);
    record += Field("SiteName", 32);
    record += Field("2007-03-15 09:30:05", 52);
    ASSERT_EQ(record.size(), kConvertedRecordSize);
    EXPECT_EQ(b.substr(kConvertedHeaderSize), record);
}

TEST_F(ConvertedIndexTest, TitleRuleCutsAbove40BytesWithoutSplittingACharacter) {
    const std::string forty(40, 'a');
    EXPECT_EQ(ConvertedTitle(forty), forty);
    EXPECT_EQ(ConvertedTitle("  " + forty + " \t"), forty);
    EXPECT_EQ(ConvertedTitle(forty + "b"), std::string(36, 'a') + "...");
    // "x" and twenty double-byte characters (41 bytes): the first 36 bytes end in a lead
    // byte, so an odd number of them are high and the 36th becomes a blank.
    std::string chinese = "x";
    for (int i = 0; i < 20; ++i) chinese += "\xD6\xD0";
    EXPECT_EQ(ConvertedTitle(chinese), chinese.substr(0, 35) + " ...");
    // An even count keeps the 36th byte.
    std::string even = "xy";
    for (int i = 0; i < 20; ++i) even += "\xD6\xD0";
    EXPECT_EQ(ConvertedTitle(even), even.substr(0, 36) + "...");

    NewsRecord r = Stored(1, forty + "b");
    ASSERT_EQ(RegisterStored(Base(), "f", 1, r), 0);
    EXPECT_EQ(All().at(0).Title(), std::string(36, 'a') + "...");
}

TEST_F(ConvertedIndexTest, WebSiteRuleKeeps31BytesAndCuts32To30) {
    EXPECT_EQ(ConvertedWebSite(std::string(31, 's')), std::string(31, 's'));
    EXPECT_EQ(ConvertedWebSite(std::string(32, 's')), std::string(30, 's'));
    NewsItem item = Received(5, "2007-3-1 8:0:0");
    ASSERT_EQ(RegisterItem(Base(), "f", 3, item, std::string(32, 'w')), 0);
    ASSERT_EQ(RegisterItem(Base(), "f", 3, item, std::string(31, 'w')), 0);
    std::vector<ConvertedRecord> all = All();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].WebSite(), std::string(30, 'w'));
    EXPECT_EQ(all[1].WebSite(), std::string(31, 'w'));
}

TEST_F(ConvertedIndexTest, RegisteringTheSameStoredItemTwiceReplacesItsRecord) {
    ASSERT_EQ(RegisterStored(Base(), "first", 10, Stored(7, "Seven")), 0);
    ASSERT_EQ(RegisterStored(Base(), "other", 10, Stored(8, "Eight")), 0);
    ASSERT_EQ(RegisterStored(Base(), "second", 11, Stored(7, "Seven again")), 0);
    std::vector<ConvertedRecord> all = All();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].newsId, 7);
    EXPECT_EQ(all[0].FileBase(), "second");
    EXPECT_EQ(all[0].code, 11);
    EXPECT_EQ(all[0].Title(), "Seven again");
    EXPECT_EQ(Header().liveCount, 2);
    EXPECT_EQ(FindConvertedFile(Base(), 7), "second");

    // A deleted record registered again is present again and leaves DeletedCount.
    ASSERT_EQ(MarkConvertedDeleted(Base(), 8), 0);
    EXPECT_EQ(Header().deletedCount, 1);
    ASSERT_EQ(RegisterStored(Base(), "back", 10, Stored(8, "Eight")), 0);
    EXPECT_EQ(Header(), (ConvertedHeader{2, 0}));
    EXPECT_EQ(PresentIds(10), (std::vector<std::int32_t>{8}));
}

TEST_F(ConvertedIndexTest, ReceivedItemsAlwaysAppendWithTheirOwnUrlAndTimeText) {
    NewsItem item = Received(30, "2007-3-1 8:5:0");
    item.url = "http://long.example.cn/" + std::string(400, 'u');
    ASSERT_EQ(RegisterItem(Base(), "a", 5, item, "Site"), 0);
    item.timeText = std::string(60, '9');
    ASSERT_EQ(RegisterItem(Base(), "b", 6, item, "Site"), 0);
    std::vector<ConvertedRecord> all = All();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(Header().liveCount, 2);
    EXPECT_EQ(all[0].Title(), "Received 30");
    EXPECT_EQ(all[0].TimeText(), "2007-3-1 8:5:0");
    EXPECT_EQ(all[0].Url(), item.url.substr(0, 224));
    EXPECT_EQ(all[1].TimeText(), std::string(51, '9'));
    // The fields after the cut ones are untouched by them.
    EXPECT_EQ(all[1].WebSite(), "Site");
}

TEST_F(ConvertedIndexTest, MarkingDeletesTheFirstPresentRecordAndCountsOnce) {
    for (int code : {1, 2}) {
        ASSERT_EQ(
            RegisterItem(Base(), "f" + std::to_string(code), code, Received(9, "2007-1-1"), ""), 0);
    }
    ASSERT_EQ(RegisterItem(Base(), "g", 1, Received(10, "2007-1-1"), ""), 0);
    bool marked = false;
    ASSERT_EQ(MarkConvertedDeleted(Base(), 9, &marked), 0);
    EXPECT_TRUE(marked);
    EXPECT_EQ(FindConvertedFile(Base(), 9), "f2");
    ASSERT_EQ(MarkConvertedDeleted(Base(), 9, &marked), 0);
    EXPECT_TRUE(marked);
    EXPECT_EQ(FindConvertedFile(Base(), 9), "");
    EXPECT_EQ(Header(), (ConvertedHeader{3, 2}));

    // An ID without a present record writes nothing.
    const std::string before = Bytes();
    ASSERT_EQ(MarkConvertedDeleted(Base(), 9, &marked), 0);
    EXPECT_FALSE(marked);
    EXPECT_EQ(Bytes(), before);
    EXPECT_EQ(MarkConvertedDeleted(Home() + "Missing", 9), kFailed);
}

TEST_F(ConvertedIndexTest, PurgeDeletedKeepsTheOthersInOrder) {
    for (int id = 1; id <= 5; ++id) ASSERT_EQ(RegisterStored(Base(), "f", 4, Stored(id, "T")), 0);
    // Nothing marked: the index is left exactly as it is.
    const std::string before = Bytes();
    ASSERT_EQ(PurgeDeleted(Base()), 0);
    EXPECT_EQ(Bytes(), before);

    ASSERT_EQ(MarkConvertedDeleted(Base(), 2), 0);
    ASSERT_EQ(MarkConvertedDeleted(Base(), 4), 0);
    ASSERT_EQ(PurgeDeleted(Base()), 0);
    EXPECT_EQ(PresentIds(4), (std::vector<std::int32_t>{1, 3, 5}));
    EXPECT_EQ(All().size(), 3u);
    EXPECT_EQ(Header(), (ConvertedHeader{3, 0}));
    EXPECT_FALSE(platform::FileExists(ConvertedPurgePath(Base())));
}

TEST_F(ConvertedIndexTest, PurgeOlderReadsShortYearsAndKeepsRecentDeletedRecords) {
    ASSERT_EQ(RegisterItem(Base(), "old", 1, Received(1, "07-2-28 23:59:59"), ""), 0);
    ASSERT_EQ(RegisterItem(Base(), "new", 1, Received(2, "2007-03-01 00:00:00"), ""), 0);
    ASSERT_EQ(RegisterItem(Base(), "gone", 1, Received(3, "2007-3-2"), ""), 0);
    ASSERT_EQ(RegisterItem(Base(), "bad", 1, Received(4, "no date"), ""), 0);
    ASSERT_EQ(MarkConvertedDeleted(Base(), 3), 0);
    int dropped = -1;
    ASSERT_EQ(PurgeOlder(Base(), 20070301, &dropped), 0);
    EXPECT_EQ(dropped, 2);
    std::vector<ConvertedRecord> all = All();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].newsId, 2);
    EXPECT_EQ(all[1].newsId, 3);
    EXPECT_TRUE(all[1].Deleted());
    // The kept deleted record is still counted, so a later PurgeDeleted drops it.
    EXPECT_EQ(Header(), (ConvertedHeader{2, 1}));
    ASSERT_EQ(PurgeDeleted(Base()), 0);
    EXPECT_EQ(All().size(), 1u);
    EXPECT_EQ(Header(), (ConvertedHeader{1, 0}));

    EXPECT_EQ(ConvertedDate("07-2-28"), 20070228);
    EXPECT_EQ(ConvertedDate("2007-03-01 00:00:00"), 20070301);
    EXPECT_EQ(ConvertedDate(" 2026-12-9 8:5:3"), 20261209);
    EXPECT_EQ(ConvertedDate("20070301"), 20070000);  // "%4d" takes four digits only
    EXPECT_EQ(ConvertedDate(""), 0);
}

TEST_F(ConvertedIndexTest, ListingGivesThePresentRecordsOfOneCodeInFileOrder) {
    EXPECT_EQ(ListConverted(Base(), 1, [](const ConvertedRecord&) {}), kCannotOpen);
    ASSERT_EQ(RegisterStored(Base(), "a", 1, Stored(30, "A")), 0);
    ASSERT_EQ(RegisterStored(Base(), "b", 2, Stored(10, "B")), 0);
    ASSERT_EQ(RegisterStored(Base(), "c", 1, Stored(20, "C")), 0);
    ASSERT_EQ(RegisterStored(Base(), "d", 1, Stored(40, "D")), 0);
    ASSERT_EQ(MarkConvertedDeleted(Base(), 20), 0);
    EXPECT_EQ(PresentIds(1), (std::vector<std::int32_t>{30, 40}));
    EXPECT_EQ(PresentIds(2), (std::vector<std::int32_t>{10}));
    EXPECT_TRUE(PresentIds(3).empty());
}

TEST_F(ConvertedIndexTest, ManyRecordsCrossTheReadChunks) {
    for (int id = 1; id <= 120; ++id) {
        ASSERT_EQ(
            RegisterItem(Base(), "f" + std::to_string(id), id % 3, Received(id, "2007-1-1"), ""),
            0);
    }
    // Registering a stored item finds its record in the third chunk.
    ASSERT_EQ(RegisterStored(Base(), "replaced", 9, Stored(117, "X")), 0);
    EXPECT_EQ(All().size(), 120u);
    EXPECT_EQ(FindConvertedFile(Base(), 117), "replaced");
    EXPECT_EQ(PresentIds(9), (std::vector<std::int32_t>{117}));
    EXPECT_EQ(PresentIds(1).size(), 40u);  // 1, 4, ..., 118
    EXPECT_EQ(PresentIds(0).size(), 39u);  // 3, 6, ..., 120 without 117
}

TEST_F(ConvertedIndexTest, ABatchRegistersExactlyAsOneCallPerItem) {
    // The same start in two indexes: three records, one of them marked deleted.
    const std::string one = Home() + "One";
    const std::string batch = Home() + "Batch";
    for (const std::string& base : {one, batch}) {
        for (int id : {1, 2, 3}) ASSERT_EQ(RegisterStored(base, "old", 1, Stored(id, "Old")), 0);
        ASSERT_EQ(MarkConvertedDeleted(base, 2), 0);
    }
    // Replacements (of a present and of a deleted record), new items, an ID twice.
    const std::vector<StoredRegistration> regs = {
        {"a", 5, Stored(3, "Three")},      {"b", 5, Stored(2, "Two")},  {"c", 6, Stored(9, "Nine")},
        {"d", 6, Stored(9, "Nine again")}, {"e", 7, Stored(10, "Ten")}, {"f", 5, Stored(1, "One")}};
    for (const StoredRegistration& r : regs) {
        ASSERT_EQ(RegisterStored(one, r.fileBase, r.code, r.record), 0);
    }
    ASSERT_EQ(RegisterStoredBatch(batch, regs), 0);
    EXPECT_EQ(ReadFileBytes(IndexPath(batch)), ReadFileBytes(IndexPath(one)));
    ConvertedHeader h;
    ASSERT_EQ(ReadConvertedHeader(batch, h), 0);
    EXPECT_EQ(h, (ConvertedHeader{5, 0}));
    EXPECT_EQ(RegisterStoredBatch(batch, {}), 0);
    EXPECT_EQ(RegisterStoredBatch(Home() + "../x", regs), kCannotOpen);
}

TEST_F(ConvertedIndexTest, AFileOwnedByAnItemIsRecognised) {
    ASSERT_EQ(RegisterStored(Base(), "name", 5, Stored(50, "T")), 0);
    EXPECT_TRUE(ConvertedFileBelongsTo(Base(), "name", 5, 50));
    EXPECT_FALSE(ConvertedFileBelongsTo(Base(), "name", 5, 51));
    EXPECT_FALSE(ConvertedFileBelongsTo(Base(), "name", 6, 50));
    EXPECT_FALSE(ConvertedFileBelongsTo(Base(), "other", 5, 50));
    ASSERT_EQ(MarkConvertedDeleted(Base(), 50), 0);
    EXPECT_FALSE(ConvertedFileBelongsTo(Base(), "name", 5, 50));
    EXPECT_FALSE(ConvertedFileBelongsTo(Home() + "Missing", "name", 5, 50));
}

TEST_F(ConvertedIndexTest, DamagedForeignAndHostileIndexesAreHandledSafely) {
    // A record cut short by a crash is ignored and overwritten by the next append.
    ASSERT_EQ(RegisterStored(Base(), "a", 1, Stored(1, "A")), 0);
    WriteFileBytes(IndexPath(Base()), Bytes() + std::string(100, '\x01'));
    EXPECT_EQ(All().size(), 1u);
    ASSERT_EQ(RegisterStored(Base(), "b", 1, Stored(2, "B")), 0);
    EXPECT_EQ(Bytes().size(), kConvertedHeaderSize + 2 * kConvertedRecordSize);
    EXPECT_EQ(PresentIds(1), (std::vector<std::int32_t>{1, 2}));

    // A file of another kind is never written over.
    const std::string foreign = Home() + "Foreign";
    WriteFileBytes(IndexPath(foreign), std::string(200, 'z'));
    EXPECT_EQ(RegisterStored(foreign, "x", 1, Stored(1, "A")), kFailed);
    EXPECT_EQ(PurgeDeleted(foreign), kFailed);
    EXPECT_EQ(ReadFileBytes(IndexPath(foreign)), std::string(200, 'z'));

    // A header cut short (no records yet) is written afresh.
    const std::string cut = Home() + "Cut";
    WriteFileBytes(IndexPath(cut), "Ost");
    ASSERT_EQ(RegisterItem(cut, "x", 1, Received(1, "2007-1-1"), ""), 0);
    EXPECT_EQ(ReadFileBytes(IndexPath(cut)).size(), kConvertedHeaderSize + kConvertedRecordSize);

    // Index paths that leave their folder are refused before anything is opened.
    for (std::string bad : {Home() + "../PeopleText", Home() + "sub/../x", Home() + ".."}) {
        EXPECT_EQ(RegisterStored(bad, "x", 1, Stored(1, "A")), kCannotOpen) << bad;
        EXPECT_EQ(PurgeOlder(bad, 20070101), kCannotOpen) << bad;
    }
    EXPECT_EQ(RegisterStored(Home() + "no/such/folder/Index", "x", 1, Stored(1, "A")), kCannotOpen);
}

}  // namespace
}  // namespace brevio::store
