// One item as a text file and as a web page: the derived texts, the bytes of both files with
// the built-in and a custom template, file names that could leave their folder, names that
// two items share, and the index records that point at the files.
#include "conversion/news_export.h"

#include <gtest/gtest.h>

#include "conversion/conversion_settings.h"
#include "conversion/output_layout.h"
#include "conversion/templates.h"
#include "conversion_fixture.h"
#include "platform/error_log.h"
#include "platform/text.h"

namespace brevio::conversion {
namespace {

using test_support::ConversionTest;

TEST(NewsExportTexts, SafeTitleReplacesWholeCharactersOnly) {
    EXPECT_EQ(SafeTitle("A/B:C?"), "A-B：C？");
    EXPECT_EQ(SafeTitle(" |a\\b*c\"d<e>f \r\n"), "§a-b×c“d《e》f");
    // Trail bytes 0x7C ('|') and 0x5C ('\') of double-byte characters stay as they are.
    const std::string withTrails = "\x81\x7C\x95\x5C/";
    EXPECT_EQ(SafeTitle(withTrails), std::string("\x81\x7C\x95\x5C") + "-");
}

TEST(NewsExportTexts, FileNamesStayInsideTheirFolderAndWithinTheNameLimit) {
    EXPECT_EQ(FileBaseName("plain title", 7), "plain title");
    EXPECT_EQ(FileBaseName("", 42), "42");
    EXPECT_EQ(FileBaseName(".", 42), "42");
    EXPECT_EQ(FileBaseName("..", 42), "42");
    EXPECT_EQ(FileBaseName("a\x01"
                           "b\x7F"
                           "c\td",
                           1),
              "a_b_c_d");
    // A slash never survives into a name: the safe title replaces it.
    EXPECT_EQ(FileBaseName(SafeTitle("../../etc/passwd"), 1), "..-..-etc-passwd");

    // Two hundred double-byte characters: 400 GBK bytes, 600 in UTF-8. The name is cut at a
    // character boundary so that its UTF-8 form (plus "_<id>" and an extension) fits a name.
    std::string longTitle;
    for (int i = 0; i < 200; ++i) longTitle += "中";
    const std::string name = FileBaseName(longTitle, 1);
    EXPECT_EQ(name.size() % 2, 0u);
    EXPECT_LE(platform::GbkToUtf8(name).size(), kMaxFileBaseUtf8);
    EXPECT_GE(platform::GbkToUtf8(name).size(), kMaxFileBaseUtf8 - 3);
    EXPECT_EQ(name, longTitle.substr(0, name.size()));
    // Short enough for the index field as well.
    EXPECT_LT(name.size(), store::kConvertedFileBaseFieldSize);

    EXPECT_EQ(SafeFolderName("a/../b", "10002"), "a-..-b");
    EXPECT_EQ(SafeFolderName("..", "10002"), "10002");
    EXPECT_EQ(SafeFolderName("", "."), "_");
}

TEST(NewsExportTexts, ReceivedTitlesAreCutFrom203Bytes) {
    EXPECT_EQ(ReceivedSafeTitle(std::string(202, 'a')), std::string(202, 'a'));
    EXPECT_EQ(ReceivedSafeTitle(std::string(203, 'a')), std::string(198, 'a') + "...");
    // "x" and 101 double-byte characters: 198 bytes hold 197 high ones, so byte 198 (a lead
    // byte) becomes a blank.
    std::string title = "x";
    for (int i = 0; i < 101; ++i) title += "中";
    EXPECT_EQ(ReceivedSafeTitle(title), title.substr(0, 197) + " ...");
    // Replacements come first: 101 colons become 202 bytes, one more makes 204.
    EXPECT_EQ(ReceivedSafeTitle(std::string(101, ':')).size(), 202u);
    EXPECT_EQ(ReceivedSafeTitle(std::string(102, ':')).size(), 201u);
}

TEST(NewsExportTexts, DateSiteAndHtmlContent) {
    EXPECT_EQ(DateText(20070315, 93005), "2007-03-15 09:30:05");
    EXPECT_EQ(SiteText(std::string(31, 's')), std::string(31, 's'));
    EXPECT_EQ(SiteText(std::string(32, 's')), std::string(30, 's'));
    const std::string nbsp = "&nbsp;&nbsp;&nbsp;";
    EXPECT_EQ(HtmlContent("x\r\ny"), nbsp + "x<br>" + nbsp + "y");
    EXPECT_EQ(HtmlContent("a\x04k\x05\nb\r"), nbsp + "a<font color=red>k</font>\nb\r");
    EXPECT_EQ(HtmlContent(""), nbsp);
}

TEST(NewsExportTexts, TemplatesAreFilledWithoutTrustingTheirPlaceholders) {
    EXPECT_EQ(FillTemplate("<%s|%s|%s|%s|%s> 100%%", {"a", "b", "c", "d", "e"}),
              "<a|b|c|d|e> 100%");
    // Too few values, other conversions, a lone percent sign at the end: taken literally.
    EXPECT_EQ(FillTemplate("%s %d %n %s %s%", {"one"}), "one %d %n  %");
    // A page longer than the limit is cut.
    EXPECT_EQ(FillTemplate("%s", {std::string(kMaxPageBytes + 10, 'p')}).size(), kMaxPageBytes);
}

class NewsExportTest : public ConversionTest {
  protected:
    ConversionItem Stored(std::int32_t id, const std::string& title, const std::string& content,
                          int kind = kKindPublic, std::int32_t code = 9001) {
        ConversionItem item;
        item.kind = kind;
        item.code = code;
        item.record = Record(id, title);
        item.content = content;
        item.fileTitle = SafeTitle(title);
        return item;
    }
    std::string Folder() const { return settings_.convertPath + "some/folder/"; }
};

TEST_F(NewsExportTest, TextFileHoldsTitleDateSiteAndContent) {
    ConvertedFile f = ConvertToText(settings_, Folder(), Stored(5, "A/B:C?", "x\r\n\x04y\x05"));
    ASSERT_EQ(f.result, 0);
    EXPECT_EQ(f.path, Folder() + "A-B：C？.txt");
    EXPECT_EQ(f.fileBase, "A-B：C？");
    EXPECT_EQ(FileBytes(f.path), "A/B:C?\r\n2026-12-09 08:05:03   北辰证券报\r\nx\r\n\x04y\x05");
}

TEST_F(NewsExportTest, PageFromTheBuiltInTemplate) {
    ConvertedFile f = ConvertToHtml(settings_, Folder(), Stored(5, "Title", "x\r\ny"));
    ASSERT_EQ(f.result, 0);
    EXPECT_EQ(f.path, Folder() + "Title.htm");
    const std::string expected =
        "<html>\n"
        "<meta http-equiv=\"content-type\" content=\"text/html; charset=gb2312\">\n"
        "<head>\n"
        "<title>Title</title>\n"
        "<style type=text/css>\n"
        "td{font-size:14.8px;line-height:150%}\n"
        ".titleA {font-size:14.8px;color:#ff3366;line-height:150%}\n"
        ".info{font-size:9pt;color:#cccccc;line-height:110%}\n"
        ".content {line-height:150%}\n"
        "</style>\n"
        "</head>\n"
        "<body topmargin=0 >\n"
        "<table align=center width=98% ><tr><td class=titleA>Title</td></tr><tr><td "
        "class=info>2026-12-09 08:05:03&nbsp;&nbsp;北辰证券报</td></tr><tr><td>"
        "&nbsp;&nbsp;&nbsp;x<br>&nbsp;&nbsp;&nbsp;y</td></tr></table>\n"
        "</body></html>";
    EXPECT_EQ(FileBytes(f.path), expected);
}

TEST_F(NewsExportTest, PageFromACustomTemplateFile) {
    ASSERT_TRUE(platform::CreateFolders(settings_.templatePath));
    test::WriteFileBytes(TemplateFilePath(settings_.templatePath, "mine"),
                         "[%s][%s][%s][%s][%s] 5%%");
    settings_.templateText = LoadTemplate(settings_.templatePath, "mine");
    ConvertedFile f = ConvertToHtml(settings_, Folder(), Stored(6, "T", "c"));
    ASSERT_EQ(f.result, 0);
    EXPECT_EQ(FileBytes(f.path), "[T][T][2026-12-09 08:05:03][北辰证券报][&nbsp;&nbsp;&nbsp;c] 5%");
    // A template that cannot be read is the built-in one.
    EXPECT_EQ(LoadTemplate(settings_.templatePath, "missing"), BuiltInTemplate());
    EXPECT_EQ(LoadTemplate(settings_.templatePath, "../x"), BuiltInTemplate());
}

TEST_F(NewsExportTest, TextConversionIsRegisteredInTheDayAndGroupIndexes) {
    ConvertedFile f = ConvertToText(settings_, Folder(), Stored(77, "Seventy", "c", kKindTrade, 5));
    ASSERT_EQ(f.result, 0);
    const std::string day = settings_.convertPath + "文本格式/TradeNews/20261209/Index/TradeText";
    EXPECT_EQ(DayIndexBase(settings_.convertPath, kKindTrade, 20261209), day);
    for (const std::string& index : {day, settings_.convertPath + "TradeText"}) {
        std::vector<store::ConvertedRecord> records = Records(index);
        ASSERT_EQ(records.size(), 1u) << index;
        EXPECT_EQ(records[0].newsId, 77);
        EXPECT_EQ(records[0].code, 5);
        EXPECT_EQ(records[0].FileBase(), "Seventy");
        EXPECT_EQ(records[0].TimeText(), "2026-12-09 08:05:03");
    }
    EXPECT_FALSE(platform::PathExists(settings_.convertPath + "TradeHtml.idx"));

    ConvertedFile h =
        ConvertToHtml(settings_, Folder(), Stored(77, "Seventy", "c", kKindRegion, 110));
    ASSERT_EQ(h.result, 0);
    ASSERT_EQ(Records(settings_.convertPath + "RegionHtml").size(), 1u);
    EXPECT_EQ(Records(settings_.convertPath + "RegionHtml")[0].code, 110);
}

TEST_F(NewsExportTest, ItemsSharingANameAreBothKeptAndConvertingAgainReplacesItsOwnFile) {
    ConvertedFile first = ConvertToText(settings_, Folder(), Stored(1, "Same: name", "one"));
    ConvertedFile second = ConvertToText(settings_, Folder(), Stored(2, "Same: name", "two"));
    ASSERT_EQ(first.result, 0);
    ASSERT_EQ(second.result, 0);
    EXPECT_EQ(first.fileBase, "Same： name");
    EXPECT_EQ(second.fileBase, "Same： name_2");
    EXPECT_NE(FileBytes(first.path).find("one"), std::string::npos);
    EXPECT_NE(FileBytes(second.path).find("two"), std::string::npos);
    // Each index record names the file written for its item.
    for (const store::ConvertedRecord& r : Records(settings_.convertPath + "PeopleText")) {
        EXPECT_EQ(r.FileBase(), r.newsId == 1 ? first.fileBase : second.fileBase);
    }

    // The first item converted again after an edit replaces its own file.
    ConvertedFile again = ConvertToText(settings_, Folder(), Stored(1, "Same: name", "edited"));
    EXPECT_EQ(again.path, first.path);
    EXPECT_NE(FileBytes(first.path).find("edited"), std::string::npos);
    EXPECT_EQ(FilesBelow(Folder()).size(), 2u);

    // A file left by someone else is kept too, unless it holds exactly the same bytes.
    test::WriteFileBytes(Folder() + "Foreign.htm", "not ours");
    ConvertedFile page = ConvertToHtml(settings_, Folder(), Stored(3, "Foreign", "c"));
    EXPECT_EQ(page.fileBase, "Foreign_3");
    EXPECT_EQ(FileBytes(Folder() + "Foreign.htm"), "not ours");
    test::WriteFileBytes(Folder() + "Twin.htm",
                         HtmlPage(settings_.templateText, Record(4, "Twin"), "c"));
    EXPECT_EQ(ConvertToHtml(settings_, Folder(), Stored(4, "Twin", "c")).fileBase, "Twin");
}

TEST_F(NewsExportTest, HostileTitlesStayInsideTheirFolder) {
    for (const char* title : {"..", "../../escape", "/abs/path", "a\\..\\b", ".", "\x01\x02"}) {
        ConvertedFile f = ConvertToText(settings_, Folder(), Stored(9, title, "c"));
        ASSERT_EQ(f.result, 0) << title;
        EXPECT_EQ(f.path.rfind(Folder(), 0), 0u) << f.path;
        EXPECT_EQ(f.path.find('/', Folder().size()), std::string::npos) << f.path;
        EXPECT_TRUE(platform::FileExists(f.path)) << f.path;
    }
    EXPECT_FALSE(platform::PathExists(settings_.convertPath + "some/escape.txt"));
    EXPECT_FALSE(platform::PathExists(settings_.convertPath + "escape.txt"));
}

TEST_F(NewsExportTest, WholeFileWritesReplaceAndReportFailures) {
    const std::string path = Home() + "whole.txt";
    EXPECT_EQ(WriteWholeFile(path, "a longer first text"), 19);
    EXPECT_EQ(WriteWholeFile(path, "short"), 5);
    EXPECT_EQ(FileBytes(path), "short");
    EXPECT_EQ(WriteWholeFile(path, ""), 0);
    EXPECT_EQ(platform::FileSize(path), 0);
    const std::string log = platform::FileErrorLogPath();
    EXPECT_EQ(WriteWholeFile(Home() + "no/such/folder/x.txt", "x"), kCannotOpenFile);
    EXPECT_NE(test::ReadFileBytes(log).find("no/such/folder/x.txt"), std::string::npos);

    // A conversion whose file cannot be written registers nothing.
    test::WriteFileBytes(Home() + "blocker", "a file where a folder should be");
    ConversionItem item = Stored(1, "T", "c");
    ConvertedFile f = ConvertToText(settings_, Home() + "blocker/", item);
    EXPECT_EQ(f.result, kCannotOpenFile);
    EXPECT_FALSE(platform::PathExists(settings_.convertPath + "PeopleText.idx"));
}

}  // namespace
}  // namespace brevio::conversion
