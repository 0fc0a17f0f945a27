#include "store/folder_list.h"

#include <gtest/gtest.h>

#include "platform/registry.h"
#include "support/temp_home.h"

namespace brevio::store {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

class FolderListTest : public test::TempHomeTest {
  protected:
    std::string File() const { return Home() + "Pemlo2.ini"; }
    void Write(const std::string& section) {
        WriteFileBytes(File(), "[Other]\r\nx=1\r\n[Favorite]\r\n" + section);
    }
};

TEST_F(FolderListTest, SaveReplacesTheSectionAndLoadReadsItBack) {
    FolderList list = {{12, "股票", {"银行", " b ", "c"}},
                       {3, "no keywords", {}},
                       {7, " padded", {"x"}},
                       {8, "three", {"k"}}};
    ASSERT_TRUE(SaveFolders(File(), list));
    std::string text = ReadFileBytes(File());
    EXPECT_NE(text.find("[Favorite]\r\nCount=4\r\nFavID0=12\r\nFavName0=股票\r\n"
                        "Keywords0=银行, b ,c\r\nFavID1=3\r\nFavName1=no keywords\r\nFavID2=7\r\n"),
              std::string::npos);
    EXPECT_EQ(text.find("Keywords1"), std::string::npos);  // no keywords, no key
    EXPECT_EQ(LoadFolders(File()), list);

    // Saving a shorter list removes the keys of the dropped entries; other sections stay.
    WriteFileBytes(File(), "[Other]\r\nx=1\r\n" + text);
    ASSERT_TRUE(SaveFolders(File(), {list[1]}));
    EXPECT_EQ(ReadFileBytes(File()),
              "[Other]\r\nx=1\r\n[Favorite]\r\nCount=1\r\nFavID0=3\r\nFavName0=no keywords\r\n");
}

TEST_F(FolderListTest, MissingOrNonPositiveCountGivesAnEmptyList) {
    EXPECT_TRUE(LoadFolders(File()).empty());  // no file
    for (const char* count : {"", "Count=0\r\n", "Count=-3\r\n", "Count=abc\r\n"}) {
        Write(std::string(count) + "FavID0=1\r\nFavName0=a\r\n");
        EXPECT_TRUE(LoadFolders(File()).empty()) << count;
    }
}

TEST_F(FolderListTest, ValuesAreCutAsTheReadingBuffersDoButNeverMidCharacterOrKeyword) {
    std::string ascii(70, 'n');
    std::string chinese;
    for (int i = 0; i < 31; ++i) chinese += "股";  // 62 bytes
    std::string keywords;
    for (int i = 0; i < 30; ++i) keywords += "keyword" + std::to_string(10 + i) + ",";
    ASSERT_GT(keywords.size(), 253u);
    // "Count" keeps 9 characters, an ID 7: a Count that large reads only the keys there are.
    Write("Count=12345678901\r\nFavID0=123456789\r\nFavName0=" + ascii + "\r\nFavID1=2\r\n" +
          "FavName1=" + chinese + "\r\nKeywords1=" + keywords + "\r\n");
    FolderList list = LoadFolders(File());
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].id, 1234567);
    EXPECT_EQ(list[0].name, std::string(61, 'n'));
    EXPECT_EQ(list[1].name.size(), 60u);  // 30 whole characters of the 61 bytes
    // 253 bytes end inside "keyword35": it is dropped, not kept as "key".
    ASSERT_EQ(list[1].keywords.size(), 25u);
    EXPECT_EQ(list[1].keywords.front(), "keyword10");
    EXPECT_EQ(list[1].keywords.back(), "keyword34");
}

TEST_F(FolderListTest, KeywordTextIsTrimmedAtItsEndsAndSplitAtCommas) {
    EXPECT_EQ(SplitFolderKeywords(" a, b ,,c "), (std::vector<std::string>{"a", " b ", "c"}));
    EXPECT_EQ(SplitFolderKeywords(" , ,"), std::vector<std::string>{" "});
    Write("Count=2\r\nFavID0=1\r\nKeywords0= a, b ,,c \r\nFavID1=0\r\nFavName1=no id\r\n");
    FolderList list = LoadFolders(File());
    ASSERT_EQ(list.size(), 1u);  // an entry without a usable ID is left out
    EXPECT_EQ(list[0].keywords, (std::vector<std::string>{"a", " b ", "c"}));
    EXPECT_EQ(list[0].name, "");
}

TEST_F(FolderListTest, NextIdSkipsIdsInUseAndStoresTheCounter) {
    auto favMaxId = [] { return platform::Registry::Default().GetDword("FavMaxID"); };
    FolderList favourites = {{8, "a", {}}, {9, "b", {}}};
    FolderList subscriptions = {{11, "s", {}}};
    EXPECT_EQ(NextFolderId({}, {}), 1);  // FavMaxID missing: 0
    platform::Registry::Default().SetDword("FavMaxID", 7);
    EXPECT_EQ(NextFolderId(favourites, {}), 10);
    EXPECT_EQ(favMaxId(), 10u);
    EXPECT_EQ(NextFolderId(favourites, subscriptions), 12);
    EXPECT_EQ(favMaxId(), 12u);

    platform::Registry::Default().SetDword("FavMaxID", 9999998);
    FolderList full = {{9999999, "last", {}}};
    EXPECT_EQ(NextFolderId(full, {}), -1);
    EXPECT_EQ(favMaxId(), 9999998u);
}

TEST(FolderNames, DuplicateNamesIgnoreLetterCaseOnly) {
    FolderList list = {{1, "My News", {}}, {2, "丄", {}}};
    EXPECT_TRUE(HasFolderNamed(list, " my NEWS "));
    EXPECT_FALSE(HasFolderNamed(list, "My News 2"));
    EXPECT_TRUE(HasFolderNamed(list, "丄"));
    EXPECT_FALSE(HasFolderNamed(list, "乤"));  // differs from 丄 only in a letter-like byte
}

}  // namespace
}  // namespace brevio::store
