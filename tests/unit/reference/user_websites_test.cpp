#include "reference/user_websites.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/fs.h"
#include "support/temp_home.h"

namespace brevio::reference {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

class UserWebsitesTest : public test::TempHomeTest {
  protected:
    void SetUp() override {
        for (const char* code : {"1", "7", "12", "12345"}) websites.push_back({code, "site", 'F'});
    }
    std::string Path() const { return Home() + "UserWebsite.tab"; }
    RefList websites;
};

TEST_F(UserWebsitesTest, CategoriesAbove6999UseTheOtherFile) {
    ASSERT_TRUE(WriteUserWebsites(Path(), "06999", {"7", "12"}));
    ASSERT_TRUE(WriteUserWebsites(Path(), "7000", {"1"}));
    EXPECT_EQ(UserWebsiteFileFor(Path(), "7000"), Path() + "Other");
    EXPECT_NE(ReadFileBytes(Path()).find("[06999]\r\nWebsite=7|12|\r\n"), std::string::npos);
    EXPECT_NE(ReadFileBytes(Path() + "Other").find("[7000]\r\nWebsite=1|"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(Path()).find("7000"), std::string::npos);

    EXPECT_EQ(ReadUserWebsites(Path(), "06999", websites), (std::vector<std::string>{"7", "12"}));
    EXPECT_EQ(ReadUserWebsites(Path(), "7000", websites), (std::vector<std::string>{"1"}));
    EXPECT_TRUE(ReadUserWebsites(Path(), "05001", websites).empty());
}

TEST_F(UserWebsitesTest, UnknownSitesAreSkippedAndTheKeyIgnoresCase) {
    WriteFileBytes(Path(), "[05001]\r\nwebsite=7|99|| 12 |1\r\n");
    EXPECT_EQ(ReadUserWebsites(Path(), "05001", websites),
              (std::vector<std::string>{"7", "12", "1"}));
}

TEST_F(UserWebsitesTest, OverlongListsKeepWholeCodesOnly) {
    std::vector<std::string> many(900, "12345");  // 5400 bytes in stored form
    ASSERT_TRUE(WriteUserWebsites(Path(), "05001", many));
    std::vector<std::string> back = ReadUserWebsites(Path(), "05001", websites);
    EXPECT_EQ(back.size(), kUserWebsiteValueMax / 6);
    EXPECT_EQ(back.back(), "12345");

    // A value cut by the read limit inside a code must not turn into a shorter site code:
    // 853 times "12345|" is 5118 bytes, so the cut leaves "1" of the next code.
    std::string value;
    for (int i = 0; i < 900; ++i) value += "12345|";
    WriteFileBytes(Path(), "[05001]\r\nWebsite=" + value + "\r\n");
    back = ReadUserWebsites(Path(), "05001", websites);
    EXPECT_EQ(back.size(), 853u);
    EXPECT_EQ(std::count(back.begin(), back.end(), "1"), 0);
}

}  // namespace
}  // namespace brevio::reference
