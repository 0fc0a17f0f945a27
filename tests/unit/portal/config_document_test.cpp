// Loading the sections of the user configuration document.
#include "portal/config_document.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fs.h"
#include "platform/text.h"
#include "radar/radar_target.h"
#include "support/temp_home.h"

namespace brevio::portal {
namespace {

using Items = std::vector<PortalItem>;

// An item element (GBK here, like every literal of this file; written out as UTF-8).
std::string Item(const std::string& title, const std::string& link,
                 const std::string& element = "item") {
    return "<" + element + "><tltie>" + title + "</tltie><link>" + link + "</link></" + element +
           ">";
}

class ConfigDocument : public test::TempHomeTest {
  protected:
    // Writes a document given in GBK as UTF-8 and returns its path.
    std::string Write(const std::string& xml) {
        const std::string path = Home() + "用户配置.xml";  // a GBK path, converted on access
        EXPECT_TRUE(platform::WriteFileAtomic(path, platform::GbkToUtf8(xml)));
        return path;
    }
    Items Read(const std::string& xml, Section section, int expectedResult = kConfigOk) {
        Items items;
        EXPECT_EQ(ReadSectionItems(Write(xml), section, items), expectedResult);
        return items;
    }
};

TEST_F(ConfigDocument, EverySectionIsFoundByItsPath) {
    const std::string xml =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<anything userid=\"demo\">\n"
        "  <myRadar>" +
        Item("雷达", "http://r/") +
        "</myRadar>\n"
        "  <myNews>" +
        Item("新闻", "http://n/") +
        "</myNews>\n"
        "  <myStock>" +
        Item("股票", "http://s/") +
        "</myStock>\n"
        "  <informationRelease>" +
        Item("发布", "http://i/") +
        "</informationRelease>\n"
        "  <MyFavorites>\n"
        "    <MyWeb>" +
        Item("网站", "http://w/") +
        "</MyWeb>\n"
        "    <MyEmail>" +
        Item("邮件", "http://e/") +
        "</MyEmail>\n"
        "    <MyBlog>" +
        Item("博客", "http://b/") +
        "</MyBlog>\n"
        "  </MyFavorites>\n</anything>\n";
    const std::string path = Write(xml);
    const std::vector<std::pair<Section, PortalItem>> expected = {
        {Section::kRadar, {"雷达", "http://r/"}},
        {Section::kMyNews, {"新闻", "http://n/"}},
        {Section::kMyStock, {"股票", "http://s/"}},
        {Section::kInformationRelease, {"发布", "http://i/"}},
        {Section::kMyWeb, {"网站", "http://w/"}},
        {Section::kMyBlog, {"博客", "http://b/"}},
        {Section::kMyEmail, {"邮件", "http://e/"}},
    };
    for (const auto& [section, item] : expected) {
        PortalList list;
        EXPECT_EQ(LoadSection(path, section, list), kConfigOk);
        EXPECT_EQ(list.Items(), Items{item}) << static_cast<int>(section);
    }
    EXPECT_EQ(std::size(kAllSections), expected.size());
}

TEST_F(ConfigDocument, FirstElementOfEachNameAtEveryLevelAndNothingDeeper) {
    const std::string xml = "<r><myNews>" + Item("一", "http://1/") + "</myNews><myNews>" +
                            Item("二", "http://2/") + "</myNews><MyFavorites><MyWeb>" +
                            Item("网一", "http://w1/") +
                            "</MyWeb></MyFavorites><MyFavorites>"
                            "<MyBlog>" +
                            Item("博", "http://b/") +
                            "</MyBlog></MyFavorites>"
                            "<MyEmail>" +
                            Item("邮", "http://e/") +
                            "</MyEmail>"
                            "<outer><myStock>" +
                            Item("股", "http://s/") + "</myStock></outer></r>";
    EXPECT_EQ(Read(xml, Section::kMyNews), (Items{{"一", "http://1/"}}));
    EXPECT_EQ(Read(xml, Section::kMyWeb), (Items{{"网一", "http://w1/"}}));
    // The second MyFavorites is never looked at; MyEmail belongs inside MyFavorites; a
    // section one level deeper is not found.
    EXPECT_EQ(Read(xml, Section::kMyBlog, kConfigSectionMissing), Items{});
    EXPECT_EQ(Read(xml, Section::kMyEmail, kConfigSectionMissing), Items{});
    EXPECT_EQ(Read(xml, Section::kMyStock, kConfigSectionMissing), Items{});
    // The root itself is never taken for a section, whatever its name.
    EXPECT_EQ(
        Read("<myRadar>" + Item("a", "b") + "</myRadar>", Section::kRadar, kConfigSectionMissing),
        Items{});
}

TEST_F(ConfigDocument, ItemsOfAnyNameWithEmptyPartsSkipped) {
    const std::string xml =
        "<r><myNews>" + Item("普通", "http://a/") + Item("别名", "http://b/", "entry") +
        "<item><tltie>无链接</tltie></item>"
        "<item><link>http://no-title/</link></item>"
        "<item><tltie></tltie><link>http://empty-title/</link></item>"
        "<item><tltie>空链接</tltie><link/></item>"
        "<item><tltie><b>markup</b></tltie><link>http://markup/</link></item>"
        "<!-- a comment is no item -->"
        "<item><link>http://c/</link><tltie>倒序</tltie><tltie>second</tltie><link>x</link></item>"
        "</myNews></r>";
    EXPECT_EQ(Read(xml, Section::kMyNews),
              (Items{{"普通", "http://a/"}, {"别名", "http://b/"}, {"倒序", "http://c/"}}));
}

TEST_F(ConfigDocument, TitlesStayAsTheyAreLinksAreTrimmed) {
    const std::string xml =
        "<r><myRadar>"
        "<item><tltie>  两边有空格 </tltie><link> \t\r\n http://a/ \n</link></item>"
        "<item><tltie>只有空格的链接</tltie><link>&#32;&#32;</link></item>"
        "<item><tltie>只有空白</tltie><link>   </link></item>"
        "<item><tltie>实体 &amp; &lt;</tltie><link><![CDATA[ http://x/?a=1&b=2 ]]></link></item>"
        "</myRadar></r>";
    EXPECT_EQ(Read(xml, Section::kRadar), (Items{{"  两边有空格 ", "http://a/"},
                                                 {"只有空格的链接", ""},
                                                 {"实体 & <", "http://x/?a=1&b=2"}}));
}

TEST_F(ConfigDocument, FailedLoadsEmptyTheListWithTheirReason) {
    PortalList list;
    list.Append({"old", "http://old/"});
    EXPECT_EQ(LoadSection(Home() + "missing.xml", Section::kMyNews, list), kConfigUnreadable);
    EXPECT_EQ(list.Size(), 0u);

    list.Append({"old", "http://old/"});
    EXPECT_EQ(LoadSection(Write("<r><myNews>" + Item("a", "b")), Section::kMyNews, list),
              kConfigUnreadable)
        << "not well-formed";
    EXPECT_EQ(list.Size(), 0u);
    EXPECT_EQ(LoadSection(Write(""), Section::kMyNews, list), kConfigUnreadable);

    list.Append({"old", "http://old/"});
    EXPECT_EQ(LoadSection(Write("<r/>"), Section::kMyNews, list), kConfigSectionMissing);
    EXPECT_EQ(list.Size(), 0u);
}

TEST_F(ConfigDocument, RadarTargetsStartWithNoChanges) {
    radar::RadarTargetList targets;
    targets.Append({4, "old", "http://old/"});
    const std::string path =
        Write("<root><myRadar>" + Item("行情 ", " http://a/") + Item("行情 ", "http://a/") +
              Item("其他", "b.example/x") + "</myRadar></root>");
    EXPECT_EQ(LoadRadarSection(path, targets), kConfigOk);
    EXPECT_EQ(targets.Targets(), (std::vector<radar::RadarTarget>{{0, "行情 ", "http://a/"},
                                                                  {0, "行情 ", "http://a/"},
                                                                  {0, "其他", "b.example/x"}}));
    // A reload starts every count at 0 again.
    targets.IncrementMatching({0, "其他", "b.example/x"});
    EXPECT_TRUE(targets.AnyChanged());
    EXPECT_EQ(LoadRadarSection(path, targets), kConfigOk);
    EXPECT_FALSE(targets.AnyChanged());
    EXPECT_EQ(LoadRadarSection(Home() + "nothing.xml", targets), kConfigUnreadable);
    EXPECT_EQ(targets.Size(), 0u);
}

}  // namespace
}  // namespace brevio::portal
