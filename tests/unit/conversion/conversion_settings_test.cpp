// The conversion settings load with its replacement rules, the conversion category lists from
// "Vantory.ini" and their flags files, and the stock-terminal folder check.
#include "conversion/conversion_settings.h"

#include <gtest/gtest.h>

#include "conversion/output_layout.h"
#include "conversion/templates.h"
#include "conversion_fixture.h"
#include "net/subscription_selection.h"
#include "platform/profile.h"
#include "platform/registry.h"

namespace brevio::conversion {
namespace {

using test_support::ConversionTest;

class ConversionSettingsTest : public ConversionTest {
  protected:
    platform::Registry& Reg() { return platform::Registry::Default(); }
    ConversionSettings Load() { return LoadConversionSettings(Home(), tables_); }
};

TEST_F(ConversionSettingsTest, DefaultsAreCreatedOnFirstLoad) {
    ConversionSettings s = Load();
    EXPECT_EQ(s.convertPath, Home());
    EXPECT_EQ(s.templatePath, Home() + "Template/");
    EXPECT_EQ(s.convertAuto, 0);
    EXPECT_EQ(s.convertFormat, kFormatText);
    EXPECT_EQ(s.peopleData, 7);
    EXPECT_EQ(s.templateName, FixedTemplateName());
    EXPECT_EQ(s.templateText, BuiltInTemplate());
    for (const char* key : {keys::kConvertPath, keys::kIsTranPeople, keys::kConvertAuto,
                            keys::kConvertFormat, keys::kTemplateName, keys::kPeopleData,
                            keys::kEspeTransAuto, keys::kRecentNewsNum, keys::kInstallDir}) {
        EXPECT_TRUE(Reg().Get(key).has_value()) << key;
    }
    EXPECT_EQ(*Reg().GetString(keys::kConvertPath), Home());
}

TEST_F(ConversionSettingsTest, ReplacementRulesForShortFoldersAndZeroDays) {
    Reg().SetString(keys::kConvertPath, "C:");
    Reg().SetString(keys::kTemplatePath, "T");
    Reg().SetDword(keys::kPeopleData, 0);
    Reg().SetDword(keys::kTradeData, 3);
    ConversionSettings s = Load();
    EXPECT_EQ(s.convertPath, Home());
    EXPECT_EQ(*Reg().GetString(keys::kConvertPath), Home());
    EXPECT_EQ(s.templatePath, Home() + "Template/");
    EXPECT_EQ(*Reg().GetString(keys::kTemplatePath), Home() + "Template/");
    EXPECT_EQ(s.peopleData, 7);
    EXPECT_EQ(s.tradeData, 3);
    EXPECT_EQ(s.KeepDays(kKindTrade), 3);

    // A conversion path without its trailing "/" gets one in memory only.
    Reg().SetString(keys::kConvertPath, Home() + "conv");
    EXPECT_EQ(Load().convertPath, Home() + "conv/");
    EXPECT_EQ(*Reg().GetString(keys::kConvertPath), Home() + "conv");
}

TEST_F(ConversionSettingsTest, TheChosenTemplateIsLoaded) {
    ASSERT_TRUE(platform::CreateFolders(Home() + "Template/"));
    test::WriteFileBytes(Home() + "Template/mine.txt", "custom %s");
    // A GBK file name: written through the platform layer, which names it in UTF-8.
    ASSERT_TRUE(platform::WriteFileAtomic(
        TemplateFilePath(Home() + "Template/", FixedTemplateName()), "fixed %s"));
    Reg().SetString(keys::kSelectTemplate, "mine");
    EXPECT_EQ(Load().templateText, "fixed %s");  // ConvertTemplate 0: the fixed template
    Reg().SetDword(keys::kConvertTemplate, 1);
    ConversionSettings s = Load();
    EXPECT_EQ(s.templateName, "mine");
    EXPECT_EQ(s.templateText, "custom %s");
    Reg().SetString(keys::kSelectTemplate, "gone");
    EXPECT_EQ(Load().templateText, BuiltInTemplate());
    Reg().SetString(keys::kTemplateName, "a||b|");
    EXPECT_EQ(Load().TemplateNameList(), (std::vector<std::string>{"a", "b"}));
}

TEST(ConversionCategoryIds, DecodeByRange) {
    using Id = ConversionCategoryId;
    EXPECT_EQ(DecodeConversionCategoryId("10001"), (Id{kKindPublic, "10001"}));
    EXPECT_EQ(DecodeConversionCategoryId("9001"), (Id{kKindPublic, "09001"}));
    EXPECT_EQ(DecodeConversionCategoryId("205"), (Id{kKindTrade, "05"}));
    EXPECT_EQ(DecodeConversionCategoryId("232"), (Id{kKindTrade, "32"}));
    EXPECT_EQ(DecodeConversionCategoryId("100012"), (Id{kKindRegion, "12"}));
    EXPECT_FALSE(DecodeConversionCategoryId("1000"));
    EXPECT_FALSE(DecodeConversionCategoryId("100000"));
    EXPECT_FALSE(DecodeConversionCategoryId("150"));
    EXPECT_FALSE(DecodeConversionCategoryId("x"));
}

TEST_F(ConversionSettingsTest, CategoryListsComeFromTheSelectionWithTheirFlags) {
    net::WriteSelection(net::VantoryFilePath(Home()), {{"9001", "A"},
                                                       {"205", "B"},
                                                       {"201", "C"},
                                                       {"100110", "D"},
                                                       {"100999", "unknown region"},
                                                       {"10001", "E"}});
    ConversionCategoryLists none = LoadConversionCategories(Home(), tables_);
    ASSERT_EQ(none.people.size(), 2u);
    EXPECT_EQ(none.people[0], (ConversionEntry{"09001", "今日要闻", 'F'}));
    EXPECT_EQ(none.people[1].code, "10001");
    ASSERT_EQ(none.trade.size(), 2u);
    EXPECT_EQ(none.trade[0].code, "05");
    EXPECT_EQ(none.trade[1].code, "01");
    ASSERT_EQ(none.region.size(), 1u);  // 999 is in no list
    EXPECT_EQ(none.region[0].name, "北京");

    std::vector<ConversionEntry> trade = none.trade;
    trade[0].flag = 'T';
    ASSERT_TRUE(SaveConversionFlags(Home(), kKindTrade, trade));
    EXPECT_EQ(ConversionFlagsFile(Home(), kKindTrade), Home() + "Content/Data/TradeConvert.ini");
    EXPECT_EQ(platform::ProfileGetString(ConversionFlagsFile(Home(), kKindTrade), "05",
                                         "CategoryName", ""),
              "钢铁");
    ConversionCategoryLists lists = LoadConversionCategories(Home(), tables_);
    EXPECT_TRUE(lists.Find(kKindTrade, "05")->Converted());
    EXPECT_FALSE(lists.Find(kKindTrade, "01")->Converted());
    EXPECT_EQ(lists.Find(kKindTrade, "99"), nullptr);
    EXPECT_EQ(Load().categories.trade, lists.trade);
}

TEST_F(ConversionSettingsTest, StockTerminalFolderCheck) {
    StockTerminalCheck off = CheckStockTerminalFolder(false, "");
    EXPECT_FALSE(off.transferOn);
    EXPECT_FALSE(off.message);

    StockTerminalCheck empty = CheckStockTerminalFolder(true, "");
    EXPECT_FALSE(empty.transferOn);
    ASSERT_TRUE(empty.message);
    EXPECT_EQ(empty.message->text, StockTerminalFolderMessage());
    EXPECT_EQ(empty.message->title, "Brevio提示");
    EXPECT_EQ(empty.message->icon, platform::MessageBoxSink::kWarning);

    StockTerminalCheck on = CheckStockTerminalFolder(true, Home() + "F10");
    EXPECT_TRUE(on.transferOn);
    EXPECT_EQ(on.folder, Home() + "F10/");
    for (const char* sub : {"NR/", "NR/Region/", "NR/Trade/", "NR/XGXX/"}) {
        EXPECT_TRUE(platform::FolderExists(on.folder + sub)) << sub;
    }
}

}  // namespace
}  // namespace brevio::conversion
