#include "platform/profile.h"

#include <gtest/gtest.h>

#include <cstring>

#include "support/temp_home.h"

namespace brevio::platform {
namespace {

class ProfileTest : public test::TempHomeTest {
  protected:
    std::string File() const { return Home() + "p.ini"; }
};

TEST_F(ProfileTest, ReadsLikeTheWindowsProfileFunctions) {
    test::WriteFileBytes(File(),
                         "[Favorite]\r\n"
                         "  FavID1 =  12 \r\n"
                         "FAVNAME1=\"  quoted  \"\r\n"
                         "favname1=second\r\n"
                         "single='x'\r\n"
                         "mismatch=\"x'\r\n"
                         "[ favorite ]\r\n"
                         "other=1\r\n");
    EXPECT_EQ(ProfileGetString(File(), "FAVORITE", "favid1", "d"), "12");
    EXPECT_EQ(ProfileGetString(File(), "favorite", "FavName1", "d"), "  quoted  ");  // first wins
    EXPECT_EQ(ProfileGetString(File(), "Favorite", "single", ""), "x");
    EXPECT_EQ(ProfileGetString(File(), "Favorite", "mismatch", ""), "\"x'");
    // The second section of the same name is never reached.
    EXPECT_EQ(ProfileGetString(File(), "favorite", "other", "none"), "none");
    EXPECT_EQ(ProfileGetInt(File(), "Favorite", "FavID1", -1), 12);
    EXPECT_EQ(ProfileGetInt(File(), "Favorite", "single", -1), 0);
    EXPECT_EQ(ProfileGetInt(File(), "Favorite", "missing", -1), -1);
    EXPECT_EQ(ProfileGetString(File(), "Favorite", "missing", "dflt  "), "dflt");
    EXPECT_EQ(ProfileGetString(Home() + "none.ini", "a", "b", "dflt"), "dflt");
}

TEST_F(ProfileTest, BufferSizeTruncatesValuesAndSections) {
    test::WriteFileBytes(File(), "[s]\nk=abcdef\nk2=xy\n");
    EXPECT_EQ(ProfileGetString(File(), "s", "k", "", 4), "abc");
    EXPECT_EQ(ProfileGetString(File(), "s", "k", "", 1), "");
    // "k=abcdef" + NUL = 9, "k2=xy" + NUL = 6, final NUL 1.
    EXPECT_EQ(ProfileGetSection(File(), "s", 16).size(), 2u);
    EXPECT_EQ(ProfileGetSection(File(), "s", 15).size(), 1u);
}

TEST_F(ProfileTest, LfAndCrLfFilesReadTheSame) {
    test::WriteFileBytes(Home() + "lf.ini", "[a]\nk=v\n[b]\nx=1");
    test::WriteFileBytes(Home() + "crlf.ini", "[a]\r\nk=v\r\n[b]\r\nx=1\r\n");
    for (const char* name : {"lf.ini", "crlf.ini"}) {
        std::string f = Home() + name;
        EXPECT_EQ(ProfileGetString(f, "a", "k", ""), "v") << name;
        EXPECT_EQ(ProfileGetInt(f, "b", "x", 0), 1) << name;
        EXPECT_EQ(ProfileGetSectionNames(f), (std::vector<std::string>{"a", "b"})) << name;
    }
}

TEST_F(ProfileTest, WritesCrLfAndKeepsWhatItDidNotTouch) {
    test::WriteFileBytes(File(), "; comment\n[A]\nKey=old\n\n[B]\nx=1\n");
    ASSERT_TRUE(ProfileWriteString(File(), "a", "key", "new"));
    ASSERT_TRUE(ProfileWriteString(File(), "a", "added", "2"));
    ASSERT_TRUE(ProfileWriteString(File(), "C", "k", "v"));
    EXPECT_EQ(test::ReadFileBytes(File()),
              "; comment\r\n[A]\r\nKey=new\r\nadded=2\r\n\r\n[B]\r\nx=1\r\n[C]\r\nk=v\r\n");
    ASSERT_TRUE(ProfileDeleteKey(File(), "A", "KEY"));
    ASSERT_TRUE(ProfileDeleteSection(File(), "b"));
    EXPECT_FALSE(ProfileHasKey(File(), "A", "Key"));
    EXPECT_TRUE(ProfileHasKey(File(), "A", "added"));
    EXPECT_EQ(ProfileGetSectionNames(File()), (std::vector<std::string>{"A", "C"}));
}

TEST_F(ProfileTest, ChangesByAnotherWriterAreSeen) {
    ProfileWriteString(File(), "s", "k", "1");
    EXPECT_EQ(ProfileGetString(File(), "s", "k", ""), "1");
    // Another program rewrites the file with the same size.
    test::WriteFileBytes(File(), "[s]\r\nk=2\r\n");
    EXPECT_EQ(ProfileGetString(File(), "s", "k", ""), "2");
}

TEST_F(ProfileTest, StructValuesCarryAChecksum) {
    unsigned char data[4] = {0x01, 0xFF, 0x10, 0x00};
    ASSERT_TRUE(ProfileWriteStruct(File(), "s", "t", data, sizeof data));
    EXPECT_EQ(ProfileGetString(File(), "s", "t", ""), "01FF100010");
    unsigned char back[4] = {};
    ASSERT_TRUE(ProfileGetStruct(File(), "s", "t", back, sizeof back));
    EXPECT_EQ(std::memcmp(back, data, 4), 0);
    // Wrong size, bad checksum and bad digits are refused.
    unsigned char small[3];
    EXPECT_FALSE(ProfileGetStruct(File(), "s", "t", small, sizeof small));
    ProfileWriteString(File(), "s", "bad", "01FF100011");
    EXPECT_FALSE(ProfileGetStruct(File(), "s", "bad", back, sizeof back));
    ProfileWriteString(File(), "s", "bad", "01FG100010");
    EXPECT_FALSE(ProfileGetStruct(File(), "s", "bad", back, sizeof back));
}

TEST_F(ProfileTest, WholeSectionRewrite) {
    ProfileWriteString(File(), "Favorite", "FavID0", "1");
    ProfileWriteString(File(), "Favorite", "FavID1", "2");
    ASSERT_TRUE(ProfileWriteSection(File(), "FAVORITE", {"FavID0=7", "FavName0=x"}));
    EXPECT_EQ(ProfileGetSection(File(), "favorite"),
              (std::vector<std::string>{"FavID0=7", "FavName0=x"}));
}

}  // namespace
}  // namespace brevio::platform

namespace brevio::platform {
namespace {

TEST_F(ProfileTest, EditorAppliesManyChangesInOneRewrite) {
    ProfileWriteString(File(), "old", "k", "1");
    ProfileEditor editor(File());
    for (int i = 0; i < 50; ++i) editor.WriteInt(std::to_string(i), "MAXID", i * 10);
    editor.DeleteSection("OLD");
    editor.WriteString("7", "MAXID", "seven");
    // Nothing is written before Commit.
    EXPECT_EQ(ProfileGetSectionNames(File()), (std::vector<std::string>{"old"}));
    ASSERT_TRUE(editor.Commit());
    auto names = ProfileGetSectionNames(File());
    EXPECT_EQ(names.size(), 50u);
    EXPECT_EQ(ProfileGetInt(File(), "49", "maxid", 0), 490);
    EXPECT_EQ(ProfileGetString(File(), "7", "MAXID", ""), "seven");
}

}  // namespace
}  // namespace brevio::platform
