#include "net/subscription_lists.h"

#include <gtest/gtest.h>

#include "reference/file_names.h"
#include "reference/user_websites.h"
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

class SubscriptionListsTest : public test::TempHomeTest {
  protected:
    void SetUp() override {
        publicList =
            MakeList({{"10001", "要闻"}, {"10002", "财经"}, {"10001", "重复"}, {"7000", "其他"}});
        trades = MakeList({{"05", "银行"}, {"17", "钢铁"}, {"5", "证券"}});
        regions = MakeList({{"17", "北京"}, {"23", "上海"}});
        WriteFileBytes(
            File(),
            "[10001]\r\nMAXID=50\r\n[10002]\r\nMAXID=60\r\n[05]\r\nMAXID=70\r\n"
            "[17]\r\nMAXID=20\r\n[R17]\r\nMAXID=90\r\nKEYWORDS=x|\r\n[R23]\r\nMAXID=\r\n");
        ASSERT_EQ(lists.Build(publicList, trades, regions, File()), 8);
    }
    std::string File() const { return CategoryFilePath(Home()); }

    reference::RefList publicList, trades, regions;
    SubscriptionLists lists;
};

TEST_F(SubscriptionListsTest, OneRecordPerCategoryLoadedFromItsSection) {
    std::vector<SubscriptionRecord> pub = lists.Records(Group::kPublic);
    ASSERT_EQ(pub.size(), 3u);  // the second "10001" is the same category
    EXPECT_EQ(pub[0].categoryName, "要闻");
    EXPECT_EQ(pub[0].maxId, 50);
    EXPECT_EQ(pub[2].categoryId, "7000");
    EXPECT_EQ(pub[2].intervalMinutes, 15);  // no section: defaults

    // Region records are keyed "R" + code, apart from the trade of the same code.
    std::vector<SubscriptionRecord> reg = lists.Records(Group::kRegion);
    ASSERT_EQ(reg.size(), 2u);
    EXPECT_EQ(reg[0].categoryId, "R17");
    EXPECT_EQ(reg[0].maxId, 90);
    EXPECT_EQ(reg[0].GroupName(), "地区");
    EXPECT_EQ(lists.Get(SubscriptionLists::RefFor(Group::kTrade, "17"))->maxId, 20);
    EXPECT_EQ(lists.FindByKey("R17")->group, Group::kRegion);
    EXPECT_FALSE(lists.FindByKey("R99").has_value());
}

TEST_F(SubscriptionListsTest, MaximaForAcceptance) {
    EXPECT_EQ(lists.RegionMaximum("17"), 90);
    EXPECT_EQ(lists.RegionMaximum("R23"), std::nullopt);  // "RR23" names nothing
    EXPECT_EQ(lists.RegionMaximum("23"), 0);              // empty MAXID kept the default
    EXPECT_EQ(lists.RegionMaximum("17|"), std::nullopt);  // the whole text is the key

    // Only parts that end with "|" count, trimmed at their right end.
    EXPECT_EQ(lists.TradeMaximum("05|17|"), 70);
    EXPECT_EQ(lists.TradeMaximum("17|05"), 20);
    EXPECT_EQ(lists.TradeMaximum("05 |"), 70);
    EXPECT_EQ(lists.TradeMaximum(" 05|"), 0);
    EXPECT_EQ(lists.TradeMaximum("99||"), 0);
    EXPECT_EQ(lists.TradeMaximum("10002|"), 0);  // a public id is not a trade

    EXPECT_EQ(lists.PublicMaximum(), 60);
    ASSERT_TRUE(lists.SetMaxId(SubscriptionLists::RefFor(Group::kPublic, "7000"), 61));
    EXPECT_EQ(lists.PublicMaximum(), 61);
}

TEST_F(SubscriptionListsTest, BusyFlagAdmitsOneReceptionAndEditsLeaveItAlone) {
    RecordRef ref = SubscriptionLists::RefFor(Group::kTrade, "05");
    EXPECT_TRUE(lists.TrySetBusy(ref));
    EXPECT_FALSE(lists.TrySetBusy(ref));
    lists.Update(ref, [](SubscriptionRecord& r) {
        r.busy = false;
        r.categoryId = "06";
        r.SetKeywords("a,b");
    });
    std::optional<SubscriptionRecord> r = lists.Get(ref);
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->busy && r->changed);
    EXPECT_EQ(r->keywords, "a|b|");
    lists.ClearBusy(ref);
    EXPECT_TRUE(lists.TrySetBusy(ref));
    EXPECT_FALSE(lists.TrySetBusy(SubscriptionLists::RefFor(Group::kTrade, "99")));
}

TEST_F(SubscriptionListsTest, RebuildKeepsLiveStateAndLoadsNewCategories) {
    RecordRef ref = SubscriptionLists::RefFor(Group::kPublic, "10001");
    lists.SetMaxId(ref, 77);
    lists.TrySetBusy(ref);
    WriteFileBytes(File(), "[10001]\r\nMAXID=1\r\n[10003]\r\nMAXID=33\r\n");

    reference::RefList updated = MakeList({{"10003", "新"}, {"10001", "要闻改"}});
    EXPECT_EQ(lists.Build(updated, trades, regions, File()), 7);
    std::vector<SubscriptionRecord> pub = lists.Records(Group::kPublic);
    ASSERT_EQ(pub.size(), 2u);
    EXPECT_EQ(pub[0].categoryId, "10003");
    EXPECT_EQ(pub[0].maxId, 33);
    EXPECT_EQ(pub[1].categoryName, "要闻改");
    EXPECT_EQ(pub[1].maxId, 77);  // the unsaved value, not the file's
    EXPECT_TRUE(pub[1].busy && pub[1].changed);
    EXPECT_FALSE(lists.Get(SubscriptionLists::RefFor(Group::kPublic, "10002")));
}

TEST_F(SubscriptionListsTest, SavesWriteChangedRecordsAndClearTheFlag) {
    RecordRef ref = SubscriptionLists::RefFor(Group::kRegion, "17");
    lists.SetMaxId(ref, 91);
    lists.SetTimeUpdate(ref, 1700000000);
    ASSERT_TRUE(lists.SaveIfChanged(ref, File()));
    EXPECT_FALSE(lists.Get(ref)->changed);
    EXPECT_NE(ReadFileBytes(File()).find("[R17]\r\nMAXID=91\r\n"), std::string::npos);

    // An unchanged record is not written again.
    WriteFileBytes(File(), "[R17]\r\nMAXID=5\r\n");
    ASSERT_TRUE(lists.SaveIfChanged(ref, File()));
    EXPECT_EQ(ReadFileBytes(File()), "[R17]\r\nMAXID=5\r\n");

    lists.UpdateGroup(Group::kPublic, [](SubscriptionRecord& r) { r.autoSearch = true; });
    ASSERT_TRUE(lists.SaveAll(File()));
    for (const SubscriptionRecord& r : lists.Records(Group::kPublic)) EXPECT_FALSE(r.changed);

    SubscriptionLists fresh;
    fresh.Build(publicList, trades, regions, File());
    SubscriptionRecord saved = *lists.Get(ref);
    EXPECT_EQ(fresh.Get(ref), saved);
    for (const SubscriptionRecord& r : fresh.Records(Group::kPublic)) EXPECT_TRUE(r.autoSearch);
    EXPECT_EQ(fresh.Get(SubscriptionLists::RefFor(Group::kTrade, "05"))->maxId, 70);
}

TEST_F(SubscriptionListsTest, WebsiteChoiceGoesToRecordsAndUserWebsiteFile) {
    std::string userWebsites = reference::DataPath(Home(), reference::kUserWebsiteFile);
    reference::RefList sites = MakeList({{"3", "a"}, {"17", "b"}, {"40", "c"}});
    RecordRef trade = SubscriptionLists::RefFor(Group::kTrade, "05");
    EXPECT_EQ(lists.ApplyWebsites(trade, {"3", "17"}, false, userWebsites), 1);
    EXPECT_TRUE(lists.Get(trade)->changed);
    EXPECT_EQ(lists.Get(SubscriptionLists::RefFor(Group::kPublic, "10001"))->websites, "");
    EXPECT_EQ(reference::ReadUserWebsites(userWebsites, "05", sites),
              (std::vector<std::string>{"3", "17"}));

    // For the whole public group; category 7000 lives in the "Other" file.
    EXPECT_EQ(lists.ApplyWebsites(trade, {"40"}, true, userWebsites), 3);
    for (const SubscriptionRecord& r : lists.Records(Group::kPublic)) EXPECT_EQ(r.websites, "40|");
    EXPECT_EQ(lists.Get(trade)->websites, "3|17|");
    EXPECT_NE(ReadFileBytes(userWebsites + "Other").find("[7000]\r\nWebsite=40|"),
              std::string::npos);
}

TEST_F(SubscriptionListsTest, SelectionMarksExactlyTheChosenCategories) {
    std::vector<CategoryChoice> choices = {
        {"10001", "要闻"}, {"205", "银行"}, {"100017", "北京"},
        {"9001", "无"},    {"abc", "坏"},   {"5", "负的行业"},
    };
    EXPECT_EQ(lists.ApplySelection(choices), 3);
    auto selected = [&](Group g, const char* code) {
        return lists.Get(SubscriptionLists::RefFor(g, code))->selected;
    };
    EXPECT_TRUE(selected(Group::kPublic, "10001") && selected(Group::kRegion, "17"));
    EXPECT_TRUE(selected(Group::kTrade, "05"));
    EXPECT_FALSE(selected(Group::kTrade, "5"));  // "05" was found first
    EXPECT_FALSE(selected(Group::kTrade, "17") || selected(Group::kPublic, "10002"));

    // A new selection replaces the old one; a code listed without its leading zero is
    // found by its number.
    reference::RefList bare = MakeList({{"5", "证券"}});
    lists.Build(publicList, bare, regions, File());
    EXPECT_EQ(lists.ApplySelection({{"205", "证券"}}), 1);
    EXPECT_TRUE(selected(Group::kTrade, "5"));
    EXPECT_FALSE(selected(Group::kPublic, "10001") || selected(Group::kRegion, "17"));
}

}  // namespace
}  // namespace brevio::net
