#include "news/save_text.h"

#include <gtest/gtest.h>

#include "platform/error_log.h"
#include "platform/text.h"
#include "support/temp_home.h"

namespace brevio::news {
namespace {

using test::ReadFileBytes;

class SaveTextTest : public test::TempHomeTest {};

TEST_F(SaveTextTest, TheTextHoldsTitleTimeWebSiteAndContent) {
    EXPECT_EQ(SavedText("标题", "2007-03-15 09:30:05", "新浪", "正文\r\n第二行"),
              "标题\r\n时间:2007-03-15 09:30:05   来自:新浪\r\n正文\r\n第二行");
    EXPECT_EQ(SavedText("", "", "", ""), "\r\n时间:   来自:\r\n");
}

TEST_F(SaveTextTest, ATitleWithACharacterAFileNameCannotHoldSavesUnderTheNewsId) {
    EXPECT_EQ(ProposedSaveName("今日要闻", 12345, ""), "今日要闻.txt");
    EXPECT_EQ(ProposedSaveName("谁在买入?", 12345, ""), "12345.txt");
    for (char c : std::string("\\/:*?<>|\"")) {
        EXPECT_EQ(ProposedSaveName(std::string("a") + c + "b", 7, ""), "7.txt") << c;
    }
    // Names the file system reserves.
    EXPECT_EQ(ProposedSaveName("", 8, ""), "8.txt");
    EXPECT_EQ(ProposedSaveName("..", 9, ""), "9.txt");
    // Other punctuation is fine.
    EXPECT_EQ(ProposedSaveName("A股 (2007) 10%", 1, ""), "A股 (2007) 10%.txt");
}

TEST_F(SaveTextTest, TheProposedNameGoesIntoTheLastSaveFolder) {
    EXPECT_EQ(ProposedSaveName("要闻", 1, "/home/u/新闻"), "/home/u/新闻/要闻.txt");
    EXPECT_EQ(ProposedSaveName("要闻", 1, "/home/u/新闻/"), "/home/u/新闻/要闻.txt");
    EXPECT_EQ(ProposedSaveName("a:b", 1, "/tmp"), "/tmp/1.txt");
    EXPECT_EQ(FolderOfSavedFile("/home/u/新闻/要闻.txt"), "/home/u/新闻");
    EXPECT_EQ(FolderOfSavedFile("/a.txt"), "");
    EXPECT_EQ(FolderOfSavedFile("a.txt"), "");

    EXPECT_EQ(ReadLastSavePath(), "");
    StoreLastSavePath("/home/u/新闻");
    EXPECT_EQ(ReadLastSavePath(), "/home/u/新闻");
}

TEST_F(SaveTextTest, ALongTitleIsCutToAFileNameTheFileSystemTakesWithoutSplittingACharacter) {
    std::string title;
    for (int i = 0; i < 100; ++i) title += "股";  // 200 bytes of GBK, 300 of UTF-8
    title += "a";
    const std::string name = ProposedSaveName(title, 1, "");
    const std::string utf8 = platform::GbkToUtf8(name);
    EXPECT_LE(utf8.size(), kFileNameMaxBytes);
    EXPECT_GT(utf8.size(), kFileNameMaxBytes - 3);  // no more cut than a character needs
    ASSERT_EQ(name.substr(name.size() - 4), ".txt");
    const std::string stem = name.substr(0, name.size() - 4);
    EXPECT_EQ(stem.size() % 2, 0u);
    EXPECT_EQ(title.compare(0, stem.size(), stem), 0);
}

TEST_F(SaveTextTest, WritingReplacesTheFileAndAFailureGoesToTheErrorLog) {
    const std::string path = Home() + "saved.txt";
    ASSERT_TRUE(WriteSavedText(path, "an older and longer text"));
    ASSERT_TRUE(WriteSavedText(path, "标题\r\n"));
    EXPECT_EQ(ReadFileBytes(path), "标题\r\n");

    const std::string bad = Home() + "missing/saved.txt";
    EXPECT_FALSE(WriteSavedText(bad, "x"));
    const std::string log = ReadFileBytes(platform::FileErrorLogPath());
    EXPECT_NE(log.find("Fail to Write " + bad + "\r\nError ID:2 "), std::string::npos) << log;
}

}  // namespace
}  // namespace brevio::news
