#include "net/filing_progress.h"

#include <gtest/gtest.h>

#include "platform/fs.h"
#include "platform/profile.h"
#include "store/intake.h"
#include "store/news_item.h"
#include "support/temp_home.h"

namespace brevio::net {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

reference::RefList MakeList(std::initializer_list<std::pair<const char*, const char*>> rows) {
    reference::RefList list;
    for (const auto& [code, name] : rows) list.push_back({code, name, 'F'});
    return list;
}

store::NewsItem Filed(std::int32_t id, std::string_view kind, std::string_view key) {
    store::NewsItem item;
    item.newsId = id;
    item.receptionKind = std::string(kind);
    item.receivedFor = std::string(key);
    return item;
}

class FilingProgressTest : public test::TempHomeTest {
  protected:
    void SetUp() override {
        content_ = Home();
        ASSERT_TRUE(platform::CreateFolders(content_ + "Data/"));
        WriteFileBytes(CategoryFilePath(content_), "[10001]\r\nMAXID=50\r\n[05]\r\nMAXID=70\r\n");
        Build(lists_);
    }
    void Build(SubscriptionLists& lists) {
        ASSERT_EQ(lists.Build(MakeList({{"10001", "要闻"}, {"10002", "财经"}}),
                              MakeList({{"05", "银行"}}), MakeList({{"17", "北京"}}),
                              CategoryFilePath(content_)),
                  4);
    }
    std::int32_t MaxId(SubscriptionLists& lists, Group g, const char* key) {
        return lists.Get({g, key})->maxId;
    }
    std::string Journal() const { return ReadFileBytes(content_ + "Data/Filed.log"); }

    std::string content_;
    SubscriptionLists lists_;
};

TEST_F(FilingProgressTest, OnlyWholeValidLinesCount) {
    const std::string text = FormatFiledEntry({{Group::kTrade, "05"}, 81}) +
                             "0\t10001\t60\r\n"   // valid
                             "3\t10001\t99\r\n"   // no such group
                             "0\t10001\t0\r\n"    // not a news id
                             "0\t\t61\r\n"        // no key
                             "0\t10001\t12a\r\n"  // not a number
                             "0\t10001\t99999999999\r\n"
                             "2\tR17\t75";  // cut short by a crash
    std::vector<FiledEntry> entries = ParseFiledJournal(text);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].ref, (RecordRef{Group::kTrade, "05"}));
    EXPECT_EQ(entries[0].newsId, 81);
    EXPECT_EQ(entries[1].ref, (RecordRef{Group::kPublic, "10001"}));
    EXPECT_EQ(entries[1].newsId, 60);
}

TEST_F(FilingProgressTest, FiledItemsMoveTheLastIdAndSurviveAKill) {
    {
        FilingProgress progress(lists_, content_);
        progress.OnFiled(Filed(51, store::PublicGroup(), "10001"));
        progress.OnFiled(Filed(53, store::PublicGroup(), "10001"));
        progress.OnFiled(Filed(52, store::PublicGroup(), "10001"));  // never moves it back
        progress.OnFiled(Filed(71, store::TradeGroup(), "05"));
        progress.OnFiled(Filed(99, store::PublicGroup(), ""));       // handed in by hand
        progress.OnFiled(Filed(99, store::PublicGroup(), "99999"));  // no such record
        EXPECT_EQ(MaxId(lists_, Group::kPublic, "10001"), 53);
        EXPECT_EQ(MaxId(lists_, Group::kTrade, "05"), 71);
        // Killed here: the records were never saved, the journal holds what was filed.
    }
    EXPECT_NE(ReadFileBytes(CategoryFilePath(content_)).find("MAXID=50"), std::string::npos);

    SubscriptionLists next;
    Build(next);
    EXPECT_EQ(MaxId(next, Group::kPublic, "10001"), 50);
    FilingProgress recovered(next, content_);
    EXPECT_EQ(recovered.Recover(), 2);
    EXPECT_EQ(MaxId(next, Group::kPublic, "10001"), 53);
    EXPECT_EQ(MaxId(next, Group::kTrade, "05"), 71);
    EXPECT_EQ(Journal(), "");
    // Saved: a third run starts from there without a journal.
    SubscriptionLists third;
    Build(third);
    EXPECT_EQ(MaxId(third, Group::kPublic, "10001"), 53);
}

TEST_F(FilingProgressTest, AJournalNeverLowersALastIdAndALargeOneIsCheckpointed) {
    WriteFileBytes(content_ + "Data/Filed.log", "0\t10001\t40\r\n");
    FilingProgress progress(lists_, content_);
    EXPECT_EQ(progress.Recover(), 0);
    EXPECT_EQ(MaxId(lists_, Group::kPublic, "10001"), 50);

    const long long line = static_cast<long long>(FormatFiledEntry({{Group::kPublic, "10001"}, 100000}).size());
    const int items = static_cast<int>(kFilingJournalCheckpointBytes / line) + 10;
    for (int i = 0; i < items; ++i) {
        progress.OnFiled(Filed(100000 + i, store::PublicGroup(), "10001"));
    }
    // A checkpoint saved the records and emptied the journal on the way.
    EXPECT_LT(static_cast<long long>(Journal().size()), kFilingJournalCheckpointBytes);
    EXPECT_EQ(ReadFileBytes(CategoryFilePath(content_)).find("MAXID=50"), std::string::npos);
    ASSERT_TRUE(progress.Checkpoint());
    EXPECT_EQ(Journal(), "");
    SubscriptionLists next;
    Build(next);
    EXPECT_EQ(MaxId(next, Group::kPublic, "10001"), 100000 + items - 1);
}

}  // namespace
}  // namespace brevio::net
