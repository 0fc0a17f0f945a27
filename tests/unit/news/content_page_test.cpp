#include "news/content_page.h"

#include <gtest/gtest.h>

#include "platform/paths.h"
#include "settings/keys.h"
#include "settings/registry_values.h"
#include "support/temp_home.h"

namespace brevio::news {
namespace {

namespace keys = settings::keys;
using test::ReadFileBytes;

class ContentPageTest : public test::TempHomeTest {
  protected:
    static std::string Page(const PageItem& item) { return RenderPage(item, PageSettings{}); }
    // The one table line of a rendered page.
    static std::string TableLine(const std::string& page) {
        const std::size_t start = page.find("<table");
        return page.substr(start, page.find('\n', start) - start);
    }
};

TEST_F(ContentPageTest, ColoursAreTheValueWithItsBytesReversedCutToSevenCharacters) {
    EXPECT_EQ(ColorText(255), "#FF0000");
    EXPECT_EQ(ColorText(0xFFFFFF), "#FFFFFF");
    EXPECT_EQ(ColorText(0x00123456), "#563412");
    EXPECT_EQ(ColorText(0), "#000000");
    EXPECT_EQ(ColorText(0x00E40000), "#0000E4");
    // A high byte lands in the two digits that are cut off.
    EXPECT_EQ(ColorText(0x7F123456), "#563412");
    EXPECT_EQ(ColorText(-1), "#FFFFFF");
}

TEST_F(ContentPageTest, ContentGetsBlanksLineBreaksIndentsAndKeywordMarksConvertedInOrder) {
    EXPECT_EQ(ConvertContent("a b\r\nc"), "&nbsp;&nbsp;&nbsp;a&nbsp;b<br>&nbsp;&nbsp;&nbsp;c");
    EXPECT_EQ(ConvertContent(""), "&nbsp;&nbsp;&nbsp;");
    EXPECT_EQ(ConvertContent("买入\x04股票\x05后"),
              "&nbsp;&nbsp;&nbsp;买入<font color=red>股票</font>后");
    // The marks become markup only after the blanks were replaced: the blank inside the font
    // element stays a blank.
    EXPECT_EQ(ConvertContent("\x04"
                             "a b"
                             "\x05"),
              "&nbsp;&nbsp;&nbsp;<font color=red>a&nbsp;b</font>");
    // Lone line feeds and carriage returns stay; two line ends give two breaks.
    EXPECT_EQ(ConvertContent("x\ny\r\r\n\r\nz"),
              "&nbsp;&nbsp;&nbsp;x\ny\r<br>&nbsp;&nbsp;&nbsp;<br>&nbsp;&nbsp;&nbsp;z");
    // Markup sent by the server is left alone.
    EXPECT_EQ(ConvertContent("<b>粗</b>"), "&nbsp;&nbsp;&nbsp;<b>粗</b>");
}

TEST_F(ContentPageTest, ThePageFileEqualsTheTemplateFilledInWithCrLfLineEnds) {
    settings::WriteInt(keys::kContentBgColor, 0x00123456);
    settings::WriteInt(keys::kTitleFontColor, 255);
    settings::WriteInt(keys::kContentFontColor, 0x00E40000);
    settings::WriteInt(keys::kTitleFontSize, 18);
    settings::WriteInt(keys::kContentFontSize, 12);
    const std::string path = Home() + "page.html";
    PageItem item{"沪指 <b>收涨</b>", "2007-03-15 09:30:05", "新浪财经", "第一段 a\r\n第二段"};
    ASSERT_EQ(RenderToFile(item, path), kPageWritten);

    const std::string expected =
        "<html>\r\n"
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">\r\n"
        "<head>\r\n"
        "<title>沪指 <b>收涨</b></title>\r\n"
        "<style type=text/css>\r\n"
        ".contentA{font-size:12px;line-height:150%;color:#0000E4}\r\n"
        ".titleA {font-size:18px;color:#FF0000;line-height:130%}\r\n"
        ".infoA{font-size:9pt;color:#cccccc;line-height:110%}\r\n"
        "\r\n"
        "</style>\r\n"
        "</head>\r\n"
        "<body topmargin=0 bgcolor=#563412 >\r\n"
        "<table align=center width=98% ><tr><td class=titleA>沪指 <b>收涨</b></td></tr>"
        "<tr><td class=infoA>2007-03-15 09:30:05&nbsp;&nbsp;新浪财经</td></tr>"
        "<tr><td class=contentA>&nbsp;&nbsp;&nbsp;第一段&nbsp;a<br>&nbsp;&nbsp;&nbsp;第二段"
        "</td></tr></table>\r\n"
        "</body></html>";
    EXPECT_EQ(ReadFileBytes(path), expected);
}

TEST_F(ContentPageTest, TheEmptyPageHasTheDefaultColoursAndOnlyTheIndent) {
    const std::string path = ContentPagePath();
    EXPECT_EQ(path, platform::DriveCFolder() + "content.html");
    ASSERT_EQ(RenderToFile(PageItem{}, path), kPageWritten);
    const std::string page = ReadFileBytes(path);
    EXPECT_NE(page.find("<title></title>\r\n"), std::string::npos);
    EXPECT_NE(page.find(".contentA{font-size:14px;line-height:150%;color:#000000}\r\n"),
              std::string::npos);
    EXPECT_NE(page.find(".titleA {font-size:14px;color:#FF0000;line-height:130%}\r\n"),
              std::string::npos);
    EXPECT_NE(page.find("<body topmargin=0 bgcolor=#FFFFFF >\r\n"), std::string::npos);
    EXPECT_NE(page.find("<td class=titleA></td></tr><tr><td class=infoA>&nbsp;&nbsp;</td></tr>"
                        "<tr><td class=contentA>&nbsp;&nbsp;&nbsp;</td>"),
              std::string::npos);
    // The defaults were written on first reading.
    EXPECT_EQ(settings::ReadInt(keys::kContentBgColor, 0), 0xFFFFFF);
    EXPECT_EQ(settings::ReadInt(keys::kTitleFontColor, 0), 255);
}

TEST_F(ContentPageTest, PlaceholderTextInTheItemIsReplacedOnlyByLaterPlaceholders) {
    // The item's texts go in as title, content, time, web site: each text may hold the
    // placeholders of those after it (replaced) and of those before it (left as they are).
    PageItem item;
    item.title = "T<%%BGCOLOR%%>|<%%OSTRANEWSTITLE%%>|<%%OSTRANEWSCONTENT%%>";
    item.content = "C<%%OSTRANEWSTIME%%>";
    item.timeText = "9:30<%%OSTRANEWSWEBSITE%%>";
    item.webSite = "W<%%OSTRANEWSCONTENT%%>";
    EXPECT_EQ(TableLine(Page(item)),
              "<table align=center width=98% ><tr><td class=titleA>"
              "T<%%BGCOLOR%%>|<%%OSTRANEWSTITLE%%>|&nbsp;&nbsp;&nbsp;C9:30W<%%OSTRANEWSCONTENT%%>"
              "</td></tr><tr><td class=infoA>"
              "9:30W<%%OSTRANEWSCONTENT%%>&nbsp;&nbsp;W<%%OSTRANEWSCONTENT%%></td></tr>"
              "<tr><td class=contentA>&nbsp;&nbsp;&nbsp;C9:30W<%%OSTRANEWSCONTENT%%></td></tr>"
              "</table>");
    // Sizes and colours went in before any text.
    item = PageItem{"<%%TITLEFONTSIZE%%><%%CONTENTFONTCOLOR%%>", "", "", ""};
    EXPECT_NE(TableLine(Page(item))
                  .find("<td class=titleA><%%TITLEFONTSIZE%%>"
                        "<%%CONTENTFONTCOLOR%%></td>"),
              std::string::npos);
}

TEST_F(ContentPageTest, LineFeedsInsideTheTextsAlsoBecomeCrLfAndAMissingFolderIsRefused) {
    PageItem item;
    item.title = "一\n二";
    const std::string path = Home() + "page.html";
    ASSERT_EQ(RenderToFile(item, path), kPageWritten);
    EXPECT_NE(ReadFileBytes(path).find("<title>一\r\n二</title>\r\n"), std::string::npos);

    // A page that cannot be created leaves the previous page where it is.
    const std::string before = ReadFileBytes(path);
    EXPECT_EQ(RenderToFile(item, Home() + "no/such/folder/page.html"), kPageCannotOpen);
    EXPECT_EQ(ReadFileBytes(path), before);
}

TEST_F(ContentPageTest, AContentThatCannotBeReadIsReplacedByTheSubstituteText) {
    EXPECT_EQ(DisplayedContent(12, "正文"), "正文");
    EXPECT_EQ(DisplayedContent(0, ""), UnreadableContentText());
    EXPECT_EQ(DisplayedContent(-1, "x"), UnreadableContentText());
    EXPECT_EQ(UnreadableContentText(),
              "<font color=red>不能得到这条新闻的内容!双击新闻标题可进入原网站浏览。</font>");
}

}  // namespace
}  // namespace brevio::news
