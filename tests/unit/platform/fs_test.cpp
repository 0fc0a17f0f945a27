#include "platform/fs.h"

#include <gtest/gtest.h>

#include "platform/paths.h"
#include "platform/text.h"
#include "support/temp_home.h"

namespace brevio::platform {
namespace {

using test::TempHomeTest;

class FsTest : public TempHomeTest {};

TEST_F(FsTest, ChineseFolderNamesAreUtf8OnDiskAndGbkInTheCore) {
    std::string folder = Home() + "文本格式/";  // GBK literal
    ASSERT_TRUE(CreateFolder(folder));
    EXPECT_TRUE(FolderExists(folder));
    // On disk the name is UTF-8.
    EXPECT_TRUE(
        FolderExists(Home() + Utf8ToGbk("\xE6\x96\x87\xE6\x9C\xAC\xE6\xA0\xBC\xE5\xBC\x8F")));
    auto names = ListFolder(Home());
    EXPECT_NE(std::find(names.begin(), names.end(), "文本格式"), names.end());
    std::string raw = test::ReadFileBytes(NativePath(folder + "x"));  // missing: empty
    EXPECT_TRUE(raw.empty());
}

TEST_F(FsTest, AtomicWriteReplacesWholeFileAndLeavesNoTemporary) {
    std::string path = Home() + "a.txt";
    ASSERT_TRUE(WriteFileAtomic(path, "first"));
    ASSERT_TRUE(WriteFileAtomic(path, "second"));
    std::string text;
    ASSERT_TRUE(ReadWholeFile(path, text));
    EXPECT_EQ(text, "second");
    EXPECT_EQ(ListFolder(Home()), (std::vector<std::string>{"a.txt"}));
}

TEST_F(FsTest, AtomicWriteIntoMissingFolderFailsAndReportsTheError) {
    EXPECT_FALSE(WriteFileAtomic(Home() + "no/such/a.txt", "x"));
    EXPECT_EQ(LastError(), ENOENT);
}

TEST_F(FsTest, LineReaderDeliversLongLinesInPieces) {
    std::string path = Home() + "lines.txt";
    std::string longLine(10, 'x');
    test::WriteFileBytes(path, "ab\r\n" + longLine + "\nlast");
    LineReader reader(5);  // at most 4 bytes per piece
    ASSERT_TRUE(reader.Open(path));
    std::vector<std::string> pieces;
    std::string line;
    while (reader.Next(line)) pieces.push_back(line);
    EXPECT_EQ(pieces, (std::vector<std::string>{"ab\r\n", "xxxx", "xxxx", "xx\n", "last"}));
    EXPECT_EQ(StripLineEnd("ab\r\n"), "ab");
}

TEST_F(FsTest, FilePositionedIo) {
    File f;
    ASSERT_TRUE(f.Open(Home() + "b.bin", File::kReadWriteNew));
    ASSERT_TRUE(f.Write("0123456789"));
    ASSERT_TRUE(f.WriteAt(2, "ab", 2));
    char buf[4] = {};
    EXPECT_EQ(f.ReadAt(1, buf, 4), 4);
    EXPECT_EQ(std::string(buf, 4), "1ab4");
    EXPECT_EQ(f.ReadAt(8, buf, 4), 2);
    EXPECT_EQ(f.Size(), 10);
    File missing;
    EXPECT_FALSE(missing.Open(Home() + "none", File::kRead));
    EXPECT_EQ(LastError(), ENOENT);
}

TEST_F(FsTest, FoldersFollowBrevioHome) {
    EXPECT_EQ(ProgramFolder(), Home());
    EXPECT_EQ(DriveCFolder(), Home() + "c/");
    EXPECT_TRUE(FolderExists(Home() + "c/"));
    EXPECT_EQ(RegistryFilePath(), Home() + "Quorvel.reg");
    EXPECT_EQ(WithSlash("a"), "a/");
    EXPECT_EQ(WithSlash("a/"), "a/");
}

}  // namespace
}  // namespace brevio::platform
