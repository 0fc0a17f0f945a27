// Automatic conversion of received items: when it acts, which codes an item converts under,
// where the files go, what the indexes record, and the recent-news page.
#include "conversion/auto_converter.h"

#include <gtest/gtest.h>

#include "conversion/output_layout.h"
#include "conversion_fixture.h"
#include "net/subscription_selection.h"
#include "platform/registry.h"

namespace brevio::conversion {
namespace {

using test_support::ConversionTest;

class AutoConverterTest : public ConversionTest {
  protected:
    void SetUp() override {
        ConversionTest::SetUp();
        net::WriteSelection(
            net::VantoryFilePath(Home()),
            {{"9001", "a"}, {"201", "b"}, {"205", "c"}, {"100110", "d"}, {"100440", "e"}});
        SaveConversionFlags(Home(), kKindTrade, {{"01", "银行", 'F'}, {"05", "钢铁", 'T'}});
        SaveConversionFlags(Home(), kKindRegion, {{"110", "北京", 'T'}, {"440", "广东", 'F'}});
        Reg().SetString(keys::kConvertPath, Out());
        Reg().SetDword(keys::kConvertAuto, 1);
    }
    platform::Registry& Reg() { return platform::Registry::Default(); }
    std::string Out() const { return Home() + "out/"; }

    store::NewsItem Received(std::int32_t id, const std::string& title = "Auto: item") {
        store::NewsItem item = Item(id, title);
        item.category = "09001";
        item.trade = "01|05|";
        item.region = " 110 |440||";
        return item;
    }

    bool started_ = true;
    AutoConverter Converter() {
        return AutoConverter(tables_, Home(), [this] { return started_; });
    }
};

TEST_F(AutoConverterTest, TargetsArePublicCodesAndTradesAndRegionsFlaggedT) {
    ConversionSettings s = LoadConversionSettings(Home(), tables_);
    store::NewsItem item = Received(1);
    // 77777 is no public category, nor is the trade code an item received for a trade
    // carries as its category; 10002's name holds a slash.
    item.category = " 09001 | 77777 |05|10002";
    EXPECT_EQ(AutoTargets(s, tables_, item),
              (std::vector<AutoTarget>{{kKindPublic, "09001", "今日要闻"},
                                       {kKindPublic, "10002", "a-..-b"},
                                       {kKindTrade, "05", "钢铁"},
                                       {kKindRegion, "110", "北京"}}));
    item.category.clear();
    item.trade = "01|";
    item.region.clear();
    EXPECT_TRUE(AutoTargets(s, tables_, item).empty());
}

TEST_F(AutoConverterTest, TextFormatWritesGroupDateCategoryFoldersAndBothIndexes) {
    AutoConverter conv = Converter();
    conv.OnFiled(Received(41));
    EXPECT_EQ(conv.ConvertedItems(), 1);
    EXPECT_EQ(conv.WrittenFiles(), 3);
    EXPECT_EQ(
        FilesBelow(Out() + "文本格式/"),
        (std::vector<std::string>{
            "PeopleNews/20261209/Index/PeopleText.idx",
            "PeopleNews/20261209/今日要闻/Auto： item.txt",
            "RegionNews/20261209/Index/RegionText.idx", "RegionNews/20261209/北京/Auto： item.txt",
            "TradeNews/20261209/Index/TradeText.idx", "TradeNews/20261209/钢铁/Auto： item.txt"}));
    EXPECT_FALSE(platform::PathExists(Out() + "网页格式"));
    EXPECT_EQ(FileBytes(Out() + "文本格式/TradeNews/20261209/钢铁/Auto： item.txt"),
              "Auto: item\r\n2026-12-09 08:05:03   北辰证券报\r\ncontent of 41");
    for (const char* index : {"PeopleText", "文本格式/PeopleNews/20261209/Index/PeopleText"}) {
        std::vector<store::ConvertedRecord> r = Records(Out() + index);
        ASSERT_EQ(r.size(), 1u) << index;
        EXPECT_EQ(r[0].newsId, 41);
        EXPECT_EQ(r[0].code, 9001);
        EXPECT_EQ(r[0].FileBase(), "Auto： item");
        EXPECT_EQ(r[0].TimeText(), "2026-12-9 8:5:3");  // as it came
        EXPECT_EQ(r[0].WebSite(), "北辰证券报");
    }
    EXPECT_EQ(Records(Out() + "TradeText").at(0).code, 5);
    EXPECT_EQ(Records(Out() + "RegionText").at(0).code, 110);
}

TEST_F(AutoConverterTest, HtmlAndBothFormats) {
    Reg().SetDword(keys::kConvertFormat, kFormatHtml);
    AutoConverter conv = Converter();
    conv.OnFiled(Received(42));
    EXPECT_FALSE(platform::PathExists(Out() + "文本格式"));
    EXPECT_TRUE(
        platform::FileExists(Out() + "网页格式/PeopleNews/20261209/今日要闻/Auto： item.htm"));
    EXPECT_EQ(Records(Out() + "PeopleHtml").size(), 1u);
    EXPECT_EQ(Records(Out() + "TradeHtml").size(), 1u);
    EXPECT_FALSE(platform::PathExists(Out() + "PeopleText.idx"));

    Reg().SetDword(keys::kConvertFormat, kFormatTextAndHtml);
    conv.ReloadSettings();
    conv.OnFiled(Received(43, "Second"));
    EXPECT_TRUE(platform::FileExists(Out() + "文本格式/RegionNews/20261209/北京/Second.txt"));
    EXPECT_TRUE(platform::FileExists(Out() + "网页格式/RegionNews/20261209/北京/Second.htm"));
    EXPECT_EQ(Records(Out() + "RegionHtml").size(), 2u);
    EXPECT_EQ(Records(Out() + "RegionText").size(), 1u);
    EXPECT_EQ(conv.WrittenFiles(), 3 + 6);
}

TEST_F(AutoConverterTest, NothingIsConvertedUnlessSwitchedOnAfterAReception) {
    struct Case {
        const char* key;
        std::uint32_t value;
    };
    for (Case c : {Case{keys::kConvertAuto, 0}, Case{keys::kEspeTransAuto, 1},
                   Case{keys::kConvertFormat, kFormatDatabase}}) {
        Reg().SetDword(c.key, c.value);
        AutoConverter conv = Converter();
        EXPECT_FALSE(conv.Enabled()) << c.key;
        conv.OnFiled(Received(50));
        EXPECT_FALSE(platform::PathExists(Out())) << c.key;
        Reg().SetDword(keys::kConvertAuto, 1);
        Reg().SetDword(keys::kEspeTransAuto, 0);
        Reg().SetDword(keys::kConvertFormat, kFormatText);
    }
    started_ = false;
    AutoConverter conv = Converter();
    conv.OnFiled(Received(51));
    EXPECT_FALSE(platform::PathExists(Out()));
    started_ = true;
    EXPECT_TRUE(conv.Enabled());
    conv.OnFiled(Received(51));
    EXPECT_TRUE(platform::PathExists(Out() + "PeopleText.idx"));
}

TEST_F(AutoConverterTest, LongAndSharedTitlesKeepEveryFile) {
    AutoConverter conv = Converter();
    conv.OnFiled(Received(60, "Same"));
    conv.OnFiled(Received(61, "Same"));
    const std::string folder = Out() + "文本格式/PeopleNews/20261209/今日要闻/";
    EXPECT_TRUE(platform::FileExists(folder + "Same.txt"));
    EXPECT_TRUE(platform::FileExists(folder + "Same_61.txt"));
    std::vector<store::ConvertedRecord> r = Records(Out() + "PeopleText");
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[1].FileBase(), "Same_61");

    conv.OnFiled(Received(62, std::string(250, 'L')));
    EXPECT_TRUE(platform::FileExists(folder + std::string(198, 'L') + "....txt"));
    // The index keeps the title by its own rule.
    EXPECT_EQ(Records(Out() + "PeopleText").back().Title(), std::string(36, 'L') + "...");
}

TEST_F(AutoConverterTest, RecentNewsPageFollowsTheConversions) {
    Reg().SetDword(keys::kRecentNewsNum, 2);
    Reg().SetString(keys::kTitleFilePath, Home() + "recent/");
    Reg().SetDword(keys::kTitleLinkPoint, 1);
    Reg().SetDword(keys::kAutoTrans, 1);
    Reg().SetString(keys::kHtmlTitle,
                    "<a href=*LinkPoint1*>*Title1*</a>\r\n<a href=*LinkPoint2*>*Title2*</a>");
    AutoConverter conv = Converter();
    conv.OnFiled(Received(70, "First"));
    const std::string page = Home() + "recent/IndexAuto.html";
    EXPECT_EQ(FileBytes(page), "<a href=http://news.example.cn/70>First</a><br><a href= > </a>");
    store::NewsItem later = Received(71, "Later");
    later.timeText = "2026-12-9 9:0:0";
    conv.OnFiled(later);
    EXPECT_EQ(FileBytes(page),
              "<a href=http://news.example.cn/71>Later</a><br><a href=http://news.example.cn/70>"
              "First</a>");
    ASSERT_EQ(conv.Recent().Items().size(), 2u);
    EXPECT_EQ(conv.Recent().Items()[0].timeText, "2026-12-09 09:00:00");
}

}  // namespace
}  // namespace brevio::conversion
