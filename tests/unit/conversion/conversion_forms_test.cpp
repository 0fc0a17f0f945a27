// The conversion dialogs without windows: the settings dialog, the template manager with its
// preview, the news edit dialog and the choice of the categories that convert.
#include <gtest/gtest.h>

#include "conversion/output_layout.h"
#include "conversion/settings_forms.h"
#include "conversion/stored_conversion.h"
#include "conversion/templates.h"
#include "conversion_fixture.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "settings/registry_values.h"

namespace brevio::conversion {
namespace {

using test_support::ConversionTest;

class ConversionFormsTest : public ConversionTest {
  protected:
    platform::Registry& Reg() { return platform::Registry::Default(); }
    ConversionSettings Load() { return LoadConversionSettings(Home(), tables_); }
};

TEST_F(ConversionFormsTest, SettingsDialogShowsTheRegistryAndTheCopy) {
    Reg().SetString(keys::kTemplateName, "one|two|three");
    Reg().SetString(keys::kSelectTemplate, "two");
    Reg().SetDword(keys::kConvertTemplate, 1);
    Reg().SetDword(keys::kConvertFormat, 2);
    Reg().SetDword(keys::kIsTranTrade, 1);
    Reg().SetDword(keys::kConvertAuto, 1);
    ConversionSettings s = Load();
    // The day counts come from the registry as they are: a stored 0 shows as 0.
    Reg().SetDword(keys::kRegionData, 0);
    ConversionSettingsForm form(s);
    EXPECT_EQ(form.path, Home());
    EXPECT_EQ(form.customNames, (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(form.customSelected, 1);
    EXPECT_TRUE(form.customTemplate);
    EXPECT_TRUE(form.automatic);
    EXPECT_EQ(form.format, 2);
    EXPECT_EQ(form.regionDays, 0);
    EXPECT_EQ(form.peopleDays, 7);
    EXPECT_EQ(form.FixedNames(), (std::vector<std::string>{"Ostra模板"}));
    EXPECT_EQ(ConversionSettingsForm::FormatNames().size(), 3u);
    EXPECT_TRUE(form.CustomizeEnabled(kKindTrade));
    EXPECT_FALSE(form.CustomizeEnabled(kKindPublic));
    EXPECT_FALSE(form.DataSourceEnabled());
    form.format = kFormatDatabase;
    EXPECT_TRUE(form.DataSourceEnabled());
}

TEST_F(ConversionFormsTest, SettingsOkChecksInOrderThenStoresEverything) {
    ConversionSettingsForm form(Load());
    form.customTemplate = true;
    form.customSelected = -1;
    form.peopleDays = 0;
    form.format = kFormatHtml;
    int notified = 0;
    auto notify = [&](int code) { notified = code; };
    std::optional<store::FormMessage> refusal = form.Ok(notify);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->text, "请选择一个HTML模板!");

    form.customTemplate = false;
    refusal = form.Ok(notify);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->text, "保留的天数不能为 0 。");
    EXPECT_EQ(notified, 0);
    EXPECT_EQ(settings::ReadInt(keys::kConvertFormat, -1), 0);  // nothing stored yet

    form.peopleDays = 5;
    form.people = true;
    form.automatic = true;
    form.ChangePath(Home() + "conv");
    EXPECT_FALSE(form.Ok(notify));
    EXPECT_EQ(notified, 13);
    EXPECT_EQ(settings::ReadInt(keys::kIsTranPeople, -1), 1);
    EXPECT_EQ(settings::ReadInt(keys::kConvertFormat, -1), 1);
    EXPECT_EQ(settings::ReadInt(keys::kConvertAuto, -1), 1);
    EXPECT_EQ(settings::ReadInt(keys::kConvertTemplate, -1), 0);
    EXPECT_EQ(settings::ReadInt(keys::kPeopleData, -1), 5);
    EXPECT_EQ(settings::ReadString(keys::kSelectTemplate, ""), "Ostra模板");
    EXPECT_EQ(settings::ReadString(keys::kConvertPath, ""), Home() + "conv/");
    ConversionSettings reloaded = Load();
    EXPECT_EQ(reloaded.convertPath, Home() + "conv/");
    EXPECT_EQ(reloaded.convertFormat, kFormatHtml);
    EXPECT_EQ(reloaded.peopleData, 5);
}

TEST_F(ConversionFormsTest, ChangingThePathCopiesTheInstalledTables) {
    const std::string install = Home() + "install/";
    test::WriteFileBytes(install + "YpData/stocks.tab", "new");
    test::WriteFileBytes(install + "YpData/sites.tab", "sites");
    Reg().SetString(keys::kInstallDir, install);
    ConversionSettingsForm form(Load());
    const std::string target = Home() + "target/";
    test::WriteFileBytes(target + "文本格式/Data/stocks.tab", "old");
    form.ChangePath(Home() + "target");
    EXPECT_EQ(form.path, target);
    const std::string data = target + TextFolderName() + "/Data/";
    EXPECT_EQ(FileBytes(data + "stocks.tab"), "new");
    EXPECT_EQ(FileBytes(data + "sites.tab"), "sites");

    // Choosing the installation folder itself copies nothing.
    form.ChangePath(install);
    EXPECT_EQ(form.path, install);
    EXPECT_FALSE(platform::PathExists(install + TextFolderName()));
}

TEST_F(ConversionFormsTest, TemplateManagerAddsDeletesRenamesAndPreviews) {
    test::WriteFileBytes(Home() + "pick/Fancy.txt", "<b>%s</b>%s|%s|%s|%s");
    TemplateManagerForm form(Home());
    EXPECT_EQ(form.AddDialogFolder(), Home() + "Content/Template/");
    EXPECT_FALSE(form.Add(Home() + "pick/Fancy.txt"));
    EXPECT_EQ(form.Names(), (std::vector<std::string>{"Fancy"}));
    EXPECT_EQ(FileBytes(Home() + "Template/Fancy.txt"), "<b>%s</b>%s|%s|%s|%s");
    EXPECT_EQ(settings::ReadString(keys::kTemplateName, ""), "Fancy");

    std::optional<store::FormMessage> m = form.Add(Home() + "elsewhere/Fancy.txt");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->text, "已经包含有相同名字的模板了!");
    m = form.Add(Home() + "pick/Missing.txt");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->text, "读取文件失败!");
    test::WriteFileBytes(Home() + "pick/Plain.txt", "%s");
    EXPECT_FALSE(form.Add(Home() + "pick/Plain.txt"));
    EXPECT_EQ(settings::ReadString(keys::kTemplateName, ""), "Fancy|Plain");

    EXPECT_EQ(form.Delete(-1)->text, "请选择要删除的模板!");
    EXPECT_EQ(form.CheckRename(5)->text, "请选择一个要重命名的模板!");
    EXPECT_EQ(form.Preview(-1, nullptr)->text, "请选择一个要预览的模板!");

    EXPECT_FALSE(form.Rename(0, " Grand "));
    EXPECT_EQ(form.Names()[0], "Grand");
    EXPECT_TRUE(platform::FileExists(Home() + "Template/Grand.txt"));
    EXPECT_FALSE(platform::FileExists(Home() + "Template/Fancy.txt"));
    EXPECT_EQ(form.Rename(0, "Plain")->text, "已经包含有相同名字的模板了!");
    EXPECT_TRUE(form.Rename(0, "../up"));
    EXPECT_TRUE(form.Rename(0, "a|b"));
    EXPECT_EQ(settings::ReadString(keys::kTemplateName, ""), "Grand|Plain");

    // The preview fills the template with the samples.
    platform::ProfileWriteString(HtmlSamplesFile(Home()), "TEMPLATE", "OSTRA_TITLE", "T");
    platform::ProfileWriteString(HtmlSamplesFile(Home()), "TEMPLATE", "OSTRA_TIME", "2007-3-15");
    platform::ProfileWriteString(HtmlSamplesFile(Home()), "TEMPLATE", "OSTRA_WEBSITE", "W");
    platform::ProfileWriteString(HtmlSamplesFile(Home()), "TEMPLATE", "OSTRA_CONTENT",
                                 "a\x04k\x05z");
    std::string page;
    EXPECT_FALSE(form.Preview(0, &page));
    EXPECT_EQ(page, platform::DriveCFolder() + "content.html");
    EXPECT_EQ(FileBytes(page), "<b>T</b>T|2007-3-15|W|a<font color=red>k</font>z");

    EXPECT_FALSE(form.Delete(0));
    EXPECT_FALSE(platform::FileExists(Home() + "Template/Grand.txt"));
    EXPECT_EQ(settings::ReadString(keys::kTemplateName, ""), "Plain");
    EXPECT_EQ(TemplateManagerForm(Home()).Names(), (std::vector<std::string>{"Plain"}));
}

TEST(TemplatePreview, SampleLineBreaksBecomeBreaks) {
    HtmlSamples s{"time", "site", "title", "x\r\ny"};
    EXPECT_EQ(PreviewPage("%s/%s/%s/%s/%s", s), "title/title/time/site/x<br>y");
}

class NewsEditFormTest : public ConversionFormsTest {
  protected:
    void SetUp() override {
        ConversionFormsTest::SetUp();
        settings_.convertPath = Home() + "out/";
    }
};

TEST_F(NewsEditFormTest, EmptyTitleWritesNothing) {
    NewsEditForm form(store::kFolderPublic, "09001", Record(3, "Stored title"), "content");
    EXPECT_EQ(form.title, "Stored title");
    EXPECT_EQ(form.site, "北辰证券报");
    form.title = "   ";
    NewsEditForm::Outcome out = form.Convert(settings_, tables_, kFormatTextAndHtml);
    EXPECT_EQ(out.message.text, "新闻标题不能为空!");
    EXPECT_FALSE(out.close);
    EXPECT_TRUE(out.files.empty());
    EXPECT_FALSE(platform::PathExists(settings_.convertPath));
}

TEST_F(NewsEditFormTest, ConvertsTheEditedItemLikeAListItem) {
    NewsEditForm form(store::kFolderPublic, "09001", Record(3, "Stored title"), "content");
    form.title = "Edited: title";
    form.site = "Other site";
    form.date = 20070315;
    form.time = 93005;
    form.content = "new content";
    NewsEditForm::Outcome out = form.Convert(settings_, tables_, kFormatTextAndHtml);
    EXPECT_EQ(out.message.text, "转换新闻成功!");
    EXPECT_EQ(out.message.icon, platform::MessageBoxSink::kInformation);
    EXPECT_TRUE(out.close);
    ASSERT_EQ(out.files.size(), 2u);
    EXPECT_EQ(out.files[0].path,
              settings_.convertPath + "文本格式/20070315/今日要闻/Edited： title.txt");
    EXPECT_EQ(out.files[1].path,
              settings_.convertPath + "网页格式/20070315/今日要闻/Edited： title.htm");
    EXPECT_EQ(FileBytes(out.files[0].path),
              "Edited: title\r\n2007-03-15 09:30:05   Other site\r\nnew content");
    std::vector<store::ConvertedRecord> day =
        Records(settings_.convertPath + "文本格式/PeopleNews/20070315/Index/PeopleText");
    ASSERT_EQ(day.size(), 1u);
    EXPECT_EQ(day[0].code, 9001);

    EXPECT_EQ(form.SaveAs(Home() + "saved.txt"), 11);
    EXPECT_EQ(FileBytes(Home() + "saved.txt"), "new content");
}

TEST_F(ConversionFormsTest, CategoryChoiceTicksShownEntriesAndWritesTheWholeList) {
    std::vector<ConversionEntry> people = {
        {"09001", "今日要闻", 'F'}, {"10001", "国内经济", 'F'}, {"10002", "国际经济", 'T'}};
    reference::RefList majors = test_support::MakeList({{"09", "要闻"}, {"10", "经济"}});
    ConversionCategoryForm form(Home(), kKindPublic, people, majors);
    EXPECT_EQ(ConversionCategoryForm::Resource(kKindPublic), 212);
    EXPECT_EQ(ConversionCategoryForm::Title(kKindPublic), "定制转换类别");
    EXPECT_EQ(form.ShownCount(), 0u);
    form.ShowMajor("10");
    ASSERT_EQ(form.ShownCount(), 2u);
    EXPECT_EQ(form.Shown(0).code, "10001");
    form.TickAll();
    form.ShowMajor("09");
    form.SetTicked(0, true);
    form.SetTicked(0, false);
    EXPECT_TRUE(form.Ok());
    const std::string file = ConversionFlagsFile(Home(), kKindPublic);
    EXPECT_EQ(platform::ProfileGetString(file, "09001", "IsSelect", ""), "F");
    EXPECT_EQ(platform::ProfileGetString(file, "10001", "IsSelect", ""), "T");
    EXPECT_EQ(platform::ProfileGetString(file, "10002", "IsSelect", ""), "T");

    ConversionCategoryForm trades(Home(), kKindTrade, {{"01", "银行", 'T'}, {"05", "钢铁", 'T'}});
    EXPECT_EQ(ConversionCategoryForm::Title(kKindTrade), "定制新闻类别");
    EXPECT_EQ(trades.ShownCount(), 2u);
    trades.ClearAll();
    EXPECT_TRUE(trades.Ok());
    EXPECT_EQ(
        platform::ProfileGetString(ConversionFlagsFile(Home(), kKindTrade), "05", "IsSelect", ""),
        "F");

    ConversionCategoryForm empty(Home(), kKindRegion, {});
    EXPECT_FALSE(empty.Ok());
    EXPECT_FALSE(platform::PathExists(ConversionFlagsFile(Home(), kKindRegion)));
}

}  // namespace
}  // namespace brevio::conversion
