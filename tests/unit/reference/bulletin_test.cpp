#include "reference/bulletin.h"

#include <gtest/gtest.h>

#include "platform/fs.h"
#include "support/temp_home.h"

namespace brevio::reference {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

class BulletinTest : public test::TempHomeTest {
  protected:
    std::string Path() const { return Home() + "Bullient.tab"; }
};

TEST_F(BulletinTest, WritesFiveQuotedLinesWithoutTabs) {
    Bulletin b{"系统公告", "2024-6-1 8:00:00", "40005", 0, "请\t升级\t到新版"};
    ASSERT_EQ(WriteBulletin(Path(), b, 1), 0);
    EXPECT_EQ(ReadFileBytes(Path()),
              "\"系统公告\"\r\n\"2024-6-1 8:00:00\"\r\n\"40005\"\r\n\"1\"\r\n\"请升级到新版\"\r\n");
    Bulletin back;
    ASSERT_EQ(ReadBulletin(Path(), back), 0);
    EXPECT_EQ(back, (Bulletin{"系统公告", "2024-6-1 8:00:00", "40005", 1, "请升级到新版"}));
}

TEST_F(BulletinTest, QuotesAndLineBreaksSurvive) {
    Bulletin b{"标题 \"新\"", "t", "40005", 1, "第一段\r\n\r\n\"第二段\"\r\n"};
    ASSERT_EQ(WriteBulletin(Path(), b, 1), 0);
    Bulletin back;
    ASSERT_EQ(ReadBulletin(Path(), back), 0);
    EXPECT_EQ(back.title, b.title);
    EXPECT_EQ(back.content, "第一段\r\n\r\n\"第二段\"\r\n");

    // Lines after the fifth continue the content.
    WriteFileBytes(Path(), "\"t\"\r\n\"\"\r\n\"\"\r\n\"0\"\r\n\"a\r\nb\"\nc\r\n");
    ASSERT_EQ(ReadBulletin(Path(), back), 0);
    EXPECT_EQ(back.content, "a\r\nb\r\nc");
    EXPECT_EQ(back.time, "");
}

TEST_F(BulletinTest, EmptyTitleMeansNoBulletin) {
    WriteFileBytes(Path(), "\"\"\r\n\"t\"\r\n\"40005\"\r\n\"1\"\r\n\"x\"\r\n");
    Bulletin back;
    ASSERT_EQ(ReadBulletin(Path(), back), 0);
    EXPECT_TRUE(back.Empty());
    EXPECT_EQ(back.showAtStart, 0);

    WriteFileBytes(Path(), "\"t\"\r\n");  // too short: the rest stays empty
    ASSERT_EQ(ReadBulletin(Path(), back), 0);
    EXPECT_EQ(back, (Bulletin{"t", "", "", 0, ""}));
}

TEST_F(BulletinTest, OverlongValuesAreCutOnCharacterBoundaries) {
    std::string title = "a" + std::string(600, '\xB0');  // 'a' then 300 double-byte characters
    Bulletin b{title, std::string(100, 't'), std::string(30, 'c'), 1, std::string(7000, 'x')};
    ASSERT_EQ(WriteBulletin(Path(), b, 1), 0);
    Bulletin back;
    ASSERT_EQ(ReadBulletin(Path(), back), 0);
    EXPECT_EQ(back.title, title.substr(0, 511));  // 'a' + 255 characters
    EXPECT_EQ(back.time.size(), kBulletinTimeMax);
    EXPECT_EQ(back.category.size(), kBulletinCategoryMax);
    EXPECT_EQ(back.content.size(), kBulletinContentMax);
}

TEST_F(BulletinTest, SetFlagRewritesOnlyTheFlagLine) {
    const std::string before =
        "\"t\"\r\n\"time\"\r\n\"40005\"\r\n\"1\"\r\n\"x \"\"y\"\"\"\r\n\"z\"\r\n";
    WriteFileBytes(Path(), before);
    ASSERT_EQ(SetBulletinFlag(Path(), 0), 0);
    std::string after = ReadFileBytes(Path());
    EXPECT_EQ(after, "\"t\"\r\n\"time\"\r\n\"40005\"\r\n\"0\"\r\n\"x \"\"y\"\"\"\r\n\"z\"\r\n");
    Bulletin back;
    ASSERT_EQ(ReadBulletin(Path(), back), 0);
    EXPECT_EQ(back.showAtStart, 0);
    EXPECT_EQ(back.content, "x \"y\"\r\nz");

    WriteFileBytes(Path(), "\"t\"\r\n");
    ASSERT_EQ(SetBulletinFlag(Path(), 1), 0);
    ASSERT_EQ(ReadBulletin(Path(), back), 0);
    EXPECT_EQ(back.showAtStart, 1);
}

TEST_F(BulletinTest, MissingFile) {
    Bulletin back{"old", "", "", 1, ""};
    EXPECT_EQ(ReadBulletin(Path(), back), kBulletinMissing);
    EXPECT_EQ(back, Bulletin{});
    EXPECT_EQ(SetBulletinFlag(Path(), 1), kBulletinMissing);
    EXPECT_FALSE(platform::FileExists(Path()));
    EXPECT_EQ(WriteBulletin(Home() + "no/such/Bullient.tab", back, 1), kBulletinWriteFailed);
}

}  // namespace
}  // namespace brevio::reference
