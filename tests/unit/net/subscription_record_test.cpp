#include "net/subscription_record.h"

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include "platform/paths.h"
#include "support/temp_home.h"

namespace brevio::net {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

class CategoryFileTest : public test::TempHomeTest {
  protected:
    std::string File() const { return CategoryFilePath(Home()); }
    static SubscriptionRecord Named(const std::string& id) {
        SubscriptionRecord r;
        r.categoryId = id;
        return r;
    }
};

TEST_F(CategoryFileTest, SavedRecordReadsBackWithAllTenKeys) {
    SubscriptionRecord r = Named("10001");
    r.maxId = 123456;
    r.SetWebsites({"3", "17"});
    r.SetKeywords(" lead;股票,Bank");  // the leading blank must survive the profile's trimming
    r.autoSearch = true;
    r.timeStart = 1700000000;
    r.timeEnd = 1700003600;
    r.intervalMinutes = 30;
    r.timeUpdate = 0x80000001;  // beyond the signed 32-bit range
    r.remainDays = 9;
    r.keyRange = 200;
    ASSERT_TRUE(SaveRecord(File(), r));

    std::string text = ReadFileBytes(File());
    // Times are 4 little-endian bytes in hex plus the checksum byte.
    for (const char* line : {"[10001]\r\nMAXID=123456\r\nWEBSITES=3|17|\r\n", "AUTOSEARCH=1\r\n",
                             "TIMESTART=00F15365A9\r\n", "TIMEUPDATE=0100008081\r\n",
                             "INTERVALMIN=30\r\n", "REMAINDAYS=9\r\n", "KEYRANGE=200\r\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line;
    }
    SubscriptionRecord back = Named("10001");
    ASSERT_TRUE(LoadRecord(File(), back));
    r.changed = false;
    EXPECT_EQ(back, r);
    EXPECT_EQ(back.keywords, " lead|股票|Bank|");
}

TEST_F(CategoryFileTest, MissingValuesGiveDefaultsAndTimesStayUnlessSet) {
    SubscriptionRecord r = Named("05");
    r.maxId = r.intervalMinutes = r.remainDays = 1;
    r.keywords = "old|";
    r.timeStart = r.timeEnd = r.timeUpdate = 1234;
    ASSERT_TRUE(LoadRecord(File(), r));  // no file at all
    SubscriptionRecord expected = Named("05");
    expected.timeStart = expected.timeEnd = expected.timeUpdate = 1234;
    EXPECT_EQ(r, expected);

    // A zero time, a damaged one (checksum) and a missing one leave the time alone; KEYRANGE
    // is cut into its byte; INTERVALMIN may be stored as 0.
    WriteFileBytes(File(),
                   "[05]\r\nmaxid=7\r\nTIMESTART=0000000000\r\nTIMEEND=00F15365AA\r\n"
                   "INTERVALMIN=0\r\nKEYRANGE=999\r\n");
    ASSERT_TRUE(LoadRecord(File(), r));
    expected.maxId = 7;
    expected.intervalMinutes = 0;
    expected.keyRange = 255;
    EXPECT_EQ(r, expected);
}

TEST_F(CategoryFileTest, EmptyMaxIdKeepsTheRecordAndIsLogged) {
    WriteFileBytes(File(), "[10001]\r\nMAXID=  \r\nINTERVALMIN=99\r\nKEYWORDS=x|\r\n");
    SubscriptionRecord r = Named("10001");
    r.maxId = 42;
    r.intervalMinutes = 33;
    r.keywords = "mine|";
    SubscriptionRecord before = r;
    EXPECT_FALSE(LoadRecord(File(), r));
    EXPECT_EQ(r, before);
    std::string log = ReadFileBytes(platform::DriveCFolder() + "Tidewell/WError4.log");
    EXPECT_NE(log.find("[10001] maxid"), std::string::npos) << log;
}

TEST_F(CategoryFileTest, OverlongListsKeepWholeEntriesAndLineBreaksAddNoKeys) {
    std::string many;
    for (int i = 0; i < 300; ++i) many += "keyword" + std::to_string(i) + "|";
    WriteFileBytes(File(), "[1]\r\nKEYWORDS=" + many + "\r\nWEBSITES=" + many + "\r\n");
    SubscriptionRecord r = Named("1");
    ASSERT_TRUE(LoadRecord(File(), r));
    ASSERT_LE(r.keywords.size(), kMaxListValue);
    EXPECT_GT(r.keywords.size(), kMaxListValue - 12);
    EXPECT_EQ(r.keywords.back(), '|');
    EXPECT_EQ(many.compare(0, r.keywords.size(), r.keywords), 0);
    EXPECT_EQ(r.websites, r.keywords);

    // 亅 ends in the byte "|": a cut must not take it for the end of a keyword.
    std::string gbk;
    for (int i = 0; i < 700; ++i) gbk += "亅" + std::to_string(i) + ",";
    r.SetKeywords(gbk);
    ASSERT_LE(r.keywords.size(), kMaxListValue);
    for (const std::string& k : r.KeywordList()) ASSERT_EQ(k.rfind("亅", 0), 0u) << k;

    r.maxId = 5;
    r.keywords = "a|\r\nMAXID=999|";
    r.websites = "1|\nREMAINDAYS=1|";
    ASSERT_TRUE(SaveRecord(File(), r));
    SubscriptionRecord back = Named("1");
    ASSERT_TRUE(LoadRecord(File(), back));
    EXPECT_EQ(back.maxId, 5);
    EXPECT_EQ(back.remainDays, 5);
    EXPECT_EQ(back.keywords, "a|MAXID=999|");
}

// Counts the writes that land on `name` in `folder` (renames onto it or closes after writing).
template <typename Action>
int CountRewrites(const std::string& folder, const std::string& name, Action action) {
    int fd = inotify_init1(IN_NONBLOCK);
    if (fd < 0 || inotify_add_watch(fd, folder.c_str(), IN_MOVED_TO | IN_CLOSE_WRITE) < 0)
        return -1;
    action();
    int count = 0;
    alignas(inotify_event) char buf[65536];
    for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) {
        for (char* p = buf; p < buf + n;) {
            auto* e = reinterpret_cast<inotify_event*>(p);
            if (e->len > 0 && name == e->name) ++count;
            p += sizeof(inotify_event) + e->len;
        }
    }
    close(fd);
    return count;
}

TEST_F(CategoryFileTest, SavingThousandsOfRecordsRewritesTheFileOnce) {
    WriteFileBytes(File(), "[foreign]\r\nkeep=1\r\n[00007]\r\nMAXID=1\r\nEXTRA=x\r\n");
    std::vector<SubscriptionRecord> records;
    for (int i = 0; i < 3000; ++i) {
        records.push_back(Named(std::to_string(10000 + i)));
        records.back().maxId = i;
    }
    records.push_back(Named("00007"));
    records.back().maxId = 8;
    records.push_back(Named("bad]id"));  // cannot be a section name
    EXPECT_EQ(CountRewrites(Home() + "Data", "Category.dat",
                            [&] { ASSERT_TRUE(SaveRecords(File(), records)); }),
              1);

    for (int i : {0, 2999}) {
        SubscriptionRecord back = Named(std::to_string(10000 + i));
        ASSERT_TRUE(LoadRecord(File(), back));
        EXPECT_EQ(back.maxId, i);
    }
    std::string text = ReadFileBytes(File());
    EXPECT_NE(text.find("[foreign]\r\nkeep=1\r\n"), std::string::npos);
    EXPECT_NE(text.find("[00007]\r\nMAXID=8\r\nEXTRA=x\r\n"), std::string::npos);
    EXPECT_EQ(text.find("bad"), std::string::npos);
}

TEST(KeywordNormalisation, SplitsDropsEmptiesAndCaseDuplicates) {
    EXPECT_EQ(NormalizeKeywords("a,,A;b|"), "a|b|");
    EXPECT_EQ(NormalizeKeywords("stock; Bank,stock|bank"), "stock| Bank|bank|");
    EXPECT_EQ(NormalizeKeywords(",;||"), "");
    EXPECT_EQ(NormalizeKeywords("Stock,STOCK,stock "), "Stock|stock |");
    EXPECT_EQ(NormalizeKeywords("one\r\ntwo\nONE"), "one|two|");
    // 丄 and 乤 differ only in a second byte that looks like "A" / "a": two keywords. The
    // second byte of 亅 is "|": it does not split the keyword.
    EXPECT_EQ(NormalizeKeywords("丄,乤"), "丄|乤|");
    EXPECT_EQ(NormalizeKeywords("亅,x"), "亅|x|");
    EXPECT_EQ(NormalizeKeywords("股票,股票;银行"), "股票|银行|");
}

}  // namespace
}  // namespace brevio::net
