#include "reference/tab_files.h"

#include <gtest/gtest.h>

#include <random>

#include "reference/bulletin.h"
#include "support/temp_home.h"

namespace brevio::reference {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

TEST(TabLineTest, TabRunsAndEdgeTabsMakeNoEmptyFields) {
    EXPECT_EQ(SplitTabLine("a\t\tb"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(SplitTabLine("\ta\tb\t\t"), (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(SplitTabLine("\t\t\t").empty());
    EXPECT_TRUE(SplitTabLine("").empty());
}

TEST(TabLineTest, QuotesAndTrailingBlanks) {
    EXPECT_EQ(UnquoteField("\"\""), "\"");
    EXPECT_EQ(UnquoteField("x\"\"y"), "x\"y");
    EXPECT_EQ(UnquoteField("\"x\""), "x");
    EXPECT_EQ(UnquoteField("a\"b"), "ab");
    EXPECT_EQ(UnquoteField("\"\"\""), "\"");
    EXPECT_EQ(UnquoteField("\"name  \"  "), "name");
    EXPECT_EQ(UnquoteField("  lead"), "  lead");
    // Blanks are trimmed after unquoting, so a quoted blank field reads as empty.
    EXPECT_EQ(SplitTabLine("a\t\" \"\tb"), (std::vector<std::string>{"a", "", "b"}));
}

// A value of quote marks only: QuoteField writes each doubled inside the enclosing pair, and
// the reading side must not take the enclosing marks for the halves of a pair (a lone quote
// mark used to come back as two).
TEST(TabLineTest, QuoteOnlyValuesReadBackFromTheQuotedForm) {
    EXPECT_EQ(QuoteField("\""), "\"\"\"\"");
    for (const std::string value : {"\"", "\"\"", "\"\"\"\"\""}) {
        EXPECT_EQ(UnquoteQuotedValue(QuoteField(value)), value) << value.size() << " quote marks";
    }
    EXPECT_EQ(UnquoteQuotedValue("\"\""), "");
    // Not the quoted form of anything: the general field rule applies.
    EXPECT_EQ(UnquoteQuotedValue("\"\"\"\"x"), "\"\"x");
}

class TabFileTest : public test::TempHomeTest {
  protected:
    std::string Path(const std::string& name) const { return Home() + name; }
};

TEST_F(TabFileTest, BulletinOfQuoteMarksReadsBack) {
    const Bulletin b{"\"", "\"\"", "40005", 1, "\"\"\""};
    ASSERT_EQ(WriteBulletin(Path("bulletin.txt"), b, 1), 0);
    Bulletin back;
    ASSERT_EQ(ReadBulletin(Path("bulletin.txt"), back), 0);
    EXPECT_EQ(back, b);
}

TEST_F(TabFileTest, RefListFlagsAndShortLines) {
    WriteFileBytes(Path("c.tab"),
                   "10001\t要闻\r\n10002\t财经\tT\r\n10003\t股票\tYes\r\n10004\r\n"
                   "\r\n\t\t\r\n10001\t重复\tF\n");
    RefList list;
    ASSERT_EQ(LoadRefList(Path("c.tab"), true, list), 5);
    EXPECT_EQ(list[0], (RefEntry{"10001", "要闻", 'F'}));
    EXPECT_EQ(list[1].flag, 'T');
    EXPECT_EQ(list[2].flag, 'Y');
    EXPECT_EQ(list[3], (RefEntry{"10004", "", 'F'}));
    // Duplicates stay; lookups take the first.
    EXPECT_EQ(list.NameOf("10001"), "要闻");
    EXPECT_EQ(list.Find("10001", 1), 4);
    EXPECT_EQ(list.FindCodeByName("股票"), "10003");
    EXPECT_FALSE(list.FindCodeByName("无").has_value());
    EXPECT_TRUE(list.SetFlag("10001", true));
    EXPECT_EQ(list[0].flag, 'T');
    EXPECT_EQ(list[4].flag, 'F');
    EXPECT_FALSE(list.SetFlag("99999", true));

    // Without flags the third field is ignored.
    ASSERT_EQ(LoadRefList(Path("c.tab"), false, list), 5);
    EXPECT_EQ(list[1].flag, 'F');
}

TEST_F(TabFileTest, MissingFilesEmptyTheTarget) {
    RefList list;
    list.push_back({"1", "x", 'F'});
    SiteCategoryList sites{{"10001", "7", '1'}};
    StockTable stocks(1);
    EXPECT_EQ(LoadRefList(Path("none.tab"), true, list), kTableOpenFailed);
    EXPECT_EQ(LoadSiteCategoryList(Path("none.tab"), sites), kTableOpenFailed);
    EXPECT_EQ(LoadStockTable(Path("stocktbl.tab"), stocks), kTableOpenFailed);
    EXPECT_TRUE(list.empty());
    EXPECT_TRUE(sites.empty());
    EXPECT_TRUE(stocks.empty());
}

TEST_F(TabFileTest, LongLinesArriveInPieces) {
    std::string exact(2047, 'e');  // fills the buffer; its CR LF comes as an empty piece
    std::string longCode(2100, 'c');
    WriteFileBytes(Path("l.tab"), exact + "\r\n" + longCode + "\tname\tT\r\nlast\tz\r\n");
    RefList list;
    ASSERT_EQ(LoadRefList(Path("l.tab"), true, list), 4);
    EXPECT_EQ(list[0].code, exact);
    EXPECT_EQ(list[1].code, std::string(2047, 'c'));
    EXPECT_EQ(list[1].name, "");
    EXPECT_EQ(list[2], (RefEntry{std::string(53, 'c'), "name", 'T'}));
    EXPECT_EQ(list[3].code, "last");
}

TEST_F(TabFileTest, SiteTableAndStockTable) {
    WriteFileBytes(Path("s.tab"), "7\t10001\r\n8\t10001\r\n7\t10002\r\n9\t10001\r\n");
    SiteCategoryList sites;
    ASSERT_EQ(LoadSiteCategoryList(Path("s.tab"), sites), 4);
    EXPECT_EQ(sites[0], (SiteCategoryPair{"10001", "7", '1'}));
    EXPECT_EQ(AllSitesForCategory(sites, "10001"), (std::vector<std::string>{"7", "8", "9"}));
    std::string site;
    EXPECT_EQ(SitesForCategory(sites, "10002", 0, site), 2);
    EXPECT_EQ(site, "7");
    EXPECT_EQ(SitesForCategory(sites, "10002", 3, site), -1);
    EXPECT_EQ(SitesForCategory(sites, "10001", -1, site), -1);

    WriteFileBytes(Path("stocktbl.tab"),
                   " 600000 \t 浦发银行 \t\" 浦发, PF,,\"\t\"银行\"\r\n000001\t平安\t\"\"\t\"\"\r\n"
                   "000002\r\n");
    StockTable stocks;
    ASSERT_EQ(LoadStockTable(Path("stocktbl.tab"), stocks), 3);
    EXPECT_EQ(stocks[0].code, "600000");
    EXPECT_EQ(stocks[0].name, "浦发银行");
    EXPECT_EQ(stocks[0].aliases, "浦发, PF,,");
    EXPECT_EQ(stocks[0].aliasList, (std::vector<std::string>{"浦发", "PF"}));
    EXPECT_EQ(stocks[0].trade, "银行");
    // The empty alias and trade, written as two quote marks, stay empty.
    EXPECT_EQ(stocks[1].aliases, "");
    EXPECT_TRUE(stocks[1].aliasList.empty());
    EXPECT_EQ(stocks[1].trade, "");
    EXPECT_EQ(stocks[2].name, "");
}

TEST_F(TabFileTest, StockTableIsWrittenInItsQuotedForm) {
    StockTable stocks(3);
    stocks[0] = {"600000", "浦发银行", "浦发,PF", {}, "银行", ','};
    stocks[1] = {"000001", "平安", "", {}, "", ','};
    stocks[2] = {"000002", "", "x", {}, "y", ','};  // no name: not written
    ASSERT_EQ(SaveStockTable(Path("stocktbl.tab"), stocks), 2);
    EXPECT_EQ(ReadFileBytes(Path("stocktbl.tab")),
              "600000\t浦发银行\t\"浦发,PF\"\t\"银行\"\r\n000001\t平安\t\"\"\t\"\"\r\n");

    EXPECT_EQ(SaveStockTable(Path("no/such/stocktbl.tab"), stocks), kTableWriteFailed);
}

// Values holding quotes, tabs and line breaks must not shift or split the columns.
TEST_F(TabFileTest, WritersKeepAwkwardValuesInTheirColumns) {
    RefList list;
    list.push_back({"1", "say \"hi\"", 'T'});
    list.push_back({"2", "tab\there\r\nnext", 'F'});
    list.push_back({"3", "\"", 'T'});
    list.push_back({"", "no code", 'T'});
    list.push_back({"4", "", 'F'});
    ASSERT_EQ(SaveRefList(Path("r.tab"), list, true), 4);
    RefList back;
    ASSERT_EQ(LoadRefList(Path("r.tab"), true, back), 4);
    EXPECT_EQ(back[0], list[0]);
    EXPECT_EQ(back[1], (RefEntry{"2", "tab here  next", 'F'}));
    EXPECT_EQ(back[2], list[2]);
    EXPECT_EQ(back[3], list[4]);

    SiteCategoryList sites{{"10001", "7", '1'}, {"10002", "", '1'}, {"1\t0", "8", '1'}};
    ASSERT_EQ(SaveSiteCategoryList(Path("ws.tab"), sites), 2);
    EXPECT_EQ(ReadFileBytes(Path("ws.tab")), "7\t10001\r\n8\t1 0\r\n");
}

std::string RandomText(std::mt19937& rng, std::size_t maxLen, bool lineSafe) {
    std::uniform_int_distribution<std::size_t> len(0, maxLen);
    std::uniform_int_distribution<int> kind(0, 9);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> high(0x80, 0xFE);
    std::string s(len(rng), ' ');
    for (char& c : s) {
        switch (kind(rng)) {
            case 0:
                c = '"';
                break;
            case 1:
                c = lineSafe ? 'q' : '\t';
                break;
            case 2:
                c = static_cast<char>(high(rng));
                break;
            case 3:
                c = lineSafe ? 'n' : static_cast<char>(byte(rng));
                break;
            case 4:
                c = ' ';
                break;
            default:
                c = static_cast<char>('0' + kind(rng));
                break;
        }
    }
    return s;
}

// Random bytes through every loader: nothing may crash or overrun, and every field obeys the
// line rules whatever the input.
TEST_F(TabFileTest, RandomInputKeepsTheLineRules) {
    std::mt19937 rng(20240611);
    std::uniform_int_distribution<int> longLine(0, 19);
    for (int round = 0; round < 40; ++round) {
        std::string text;
        for (int line = 0; line < 100; ++line) {
            text += RandomText(rng, longLine(rng) == 0 ? 6000 : 80, false);
            text += (line % 3 == 0) ? "\r\n" : "\n";
        }
        WriteFileBytes(Path("fuzz.tab"), text);
        RefList list;
        SiteCategoryList sites;
        StockTable stocks;
        ASSERT_GE(LoadRefList(Path("fuzz.tab"), true, list), 0);
        ASSERT_GE(LoadSiteCategoryList(Path("fuzz.tab"), sites), 0);
        ASSERT_GE(LoadStockTable(Path("fuzz.tab"), stocks), 0);
        for (const RefEntry& e : list) {
            for (const std::string* f : {&e.code, &e.name}) {
                EXPECT_LE(f->size(), kTabLineBuffer - 1);
                EXPECT_EQ(f->find_first_of("\t\n"), std::string::npos);
                if (!f->empty()) {
                    EXPECT_NE(f->back(), ' ');
                }
            }
        }
        for (const StockEntry& s : stocks) {
            for (const std::string& a : s.aliasList) EXPECT_FALSE(a.empty());
        }
        Bulletin b;
        ASSERT_EQ(ReadBulletin(Path("fuzz.tab"), b), 0);
        EXPECT_LE(b.title.size(), kBulletinTitleMax);
        EXPECT_LE(b.time.size(), kBulletinTimeMax);
        EXPECT_LE(b.category.size(), kBulletinCategoryMax);
        EXPECT_LE(b.content.size(), kBulletinContentMax);
        EXPECT_TRUE(b.showAtStart == 0 || b.showAtStart == 1);
    }
}

// Whatever the text of the entries, a list written and read again is the same list.
TEST_F(TabFileTest, RandomListsSurviveSaveAndLoad) {
    std::mt19937 rng(7);
    for (int round = 0; round < 30; ++round) {
        RefList list;
        StockTable stocks;
        for (int i = 0; i < 100; ++i) {
            std::string code = "c" + RandomText(rng, 10, true) + "c";
            std::string name = "n" + RandomText(rng, 40, true) + "n";
            list.push_back({code, name, i % 2 ? 'T' : 'F'});
            std::string aliases = "a" + RandomText(rng, 30, true) + "a";
            StockEntry s{code, name, aliases, {}, "t" + RandomText(rng, 20, true) + "t", ','};
            SplitAliases(s);
            stocks.push_back(s);
        }
        RefList listBack;
        ASSERT_EQ(SaveRefList(Path("r.tab"), list, true), 100);
        ASSERT_EQ(LoadRefList(Path("r.tab"), true, listBack), 100);
        EXPECT_EQ(listBack, list);
        StockTable stocksBack;
        ASSERT_EQ(SaveStockTable(Path("s.tab"), stocks), 100);
        ASSERT_EQ(LoadStockTable(Path("s.tab"), stocksBack), 100);
        EXPECT_EQ(stocksBack, stocks);
    }
}

}  // namespace
}  // namespace brevio::reference
