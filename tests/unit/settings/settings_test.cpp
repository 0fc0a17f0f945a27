#include <gtest/gtest.h>

#include <random>

#include "platform/fs.h"
#include "platform/registry.h"
#include "settings/app_settings.h"
#include "settings/history_cleanup.h"
#include "settings/keys.h"
#include "settings/password.h"
#include "settings/registry_values.h"
#include "support/temp_home.h"

namespace brevio::settings {
namespace {

class SettingsTest : public test::TempHomeTest {
  protected:
    platform::Registry& Reg() { return platform::Registry::Default(); }
};

TEST_F(SettingsTest, FirstStartWritesEveryLoadedDefault) {
    AppSettings s = LoadAppSettings();
    auto values = Reg().All();
    for (const char* name :
         {"ContentPath", "AutoLogin", "ProxyMode", "ProxyPort", "ProxyAuth", "ServerPort",
          "FavMaxID", "SearchThreads", "SocketInterval", "DiskInterval", "TransPath", "IsTransNews",
          "IsAutoMark", "MarkSeconds"}) {
        EXPECT_TRUE(values.count(name)) << name;
    }
    EXPECT_EQ(Reg().GetString("ContentPath"), Home() + "CONTENT/");
    EXPECT_EQ(Reg().GetString("TransPath"), Home() + "CONTENT/F10/");
    EXPECT_EQ(Reg().GetDword("IsAutoMark"), 1u);
    EXPECT_EQ(Reg().GetDword("SearchThreads"), 0u);
    EXPECT_EQ(s.contentFolder, Home() + "CONTENT/");
    EXPECT_EQ(s.newsFolder, Home() + "CONTENT/News/");
    EXPECT_EQ(s.serverHost, keys::kBuiltInServerHost);
    EXPECT_EQ(s.serverPort, 5001);
    EXPECT_EQ(s.searchThreads, 3);
    EXPECT_EQ(s.socketInterval, 10);
    EXPECT_EQ(s.diskInterval, 10);
    EXPECT_EQ(s.isAutoMark, 1);
    EXPECT_FALSE(s.autoLogin);
}

TEST_F(SettingsTest, ReplacementRulesOfEndpointAndLimits) {
    Reg().SetString("ServerHost", "ab");
    Reg().SetDword("ServerPort", static_cast<std::uint32_t>(-5));
    Reg().SetDword("SearchThreads", 0);
    Reg().SetDword("SocketInterval", static_cast<std::uint32_t>(-1));
    Reg().SetDword("DiskInterval", 250);
    AppSettings s = LoadAppSettings();
    EXPECT_EQ(s.serverHost, keys::kBuiltInServerHost);
    EXPECT_EQ(s.serverPort, 5001);
    EXPECT_EQ(s.searchThreads, 3);
    EXPECT_EQ(s.socketInterval, 10);
    EXPECT_EQ(s.diskInterval, 250);

    Reg().SetString("ServerHost", "abc");
    Reg().SetDword("ServerPort", 6000);
    Reg().SetDword("SearchThreads", 5);
    s = LoadAppSettings();
    EXPECT_EQ(s.serverHost, "abc");
    EXPECT_EQ(s.serverPort, 6000);
    EXPECT_EQ(s.searchThreads, 5);
}

TEST_F(SettingsTest, ContentFolderIsKeptOnlyWithItsDataFolder) {
    std::string other = Home() + "elsewhere";
    Reg().SetString("ContentPath", other);
    EXPECT_EQ(LoadAppSettings().contentFolder, Home() + "CONTENT/");
    EXPECT_EQ(Reg().GetString("ContentPath"), Home() + "CONTENT/");

    ASSERT_TRUE(platform::CreateFolders(other + "/Data/"));
    Reg().SetString("ContentPath", other);  // without the trailing separator
    AppSettings s = LoadAppSettings();
    EXPECT_EQ(s.contentFolder, other + "/");
    // A short TransPath is replaced below the content folder in use.
    EXPECT_EQ(s.transPath, Home() + "CONTENT/F10/");  // written on the first load, kept
    Reg().SetString("TransPath", "x");
    EXPECT_EQ(LoadAppSettings().transPath, other + "/F10/");
}

TEST_F(SettingsTest, DataFoldersAreCreatedUnderTheContentFolder) {
    AppSettings s = LoadAppSettings();
    ASSERT_TRUE(CreateDataFolders(s));
    for (const char* sub : {"News/", "Favorite/", "News/Stock/", "News/Trade/", "News/Region/"}) {
        EXPECT_TRUE(platform::FolderExists(s.contentFolder + sub)) << sub;
    }
    // Only one level is created for the content folder itself.
    s.contentFolder = Home() + "a/b/";
    EXPECT_FALSE(CreateDataFolders(s));
    EXPECT_FALSE(platform::FolderExists(Home() + "a/"));
}

TEST_F(SettingsTest, ReadWithDefaultWritesTheDefaultOnce) {
    EXPECT_EQ(ReadInt("ReadColor", 0x66), 0x66);
    EXPECT_EQ(Reg().GetDword("ReadColor"), 0x66u);
    WriteInt("ReadColor", 7);
    EXPECT_EQ(ReadInt("ReadColor", 0x66), 7);
    EXPECT_EQ(ReadString("Skin", "def"), "def");
    WriteString("Skin", std::string(6000, 'x'));
    EXPECT_EQ(ReadString("Skin", "").size(), kMaxStringValue);
}

TEST_F(SettingsTest, StoredPasswordIsUnscrambledOnLoad) {
    WriteString("PemloPasswd", ScramblePassword("secret"));
    EXPECT_EQ(LoadAppSettings().password, "secret");
    WriteString("PemloPasswd", "abc");  // odd length
    EXPECT_EQ(LoadAppSettings().password, "");
}

TEST(Password, ScrambleRoundTripsAnyBytesUpTo63) {
    EXPECT_EQ(ScramblePassword("a"), "5b");  // 'a' 0x61 ^ 0x3A = 0x5B
    std::mt19937 rng(5);
    for (int i = 0; i < 2000; ++i) {
        std::string plain(rng() % 64, '\0');
        for (char& c : plain) c = static_cast<char>(1 + rng() % 255);  // no NUL in a C string
        std::string scrambled = ScramblePassword(plain);
        ASSERT_EQ(scrambled.size(), 2 * plain.size());
        for (char c : scrambled) ASSERT_TRUE(std::isxdigit(c) && !std::isupper(c));
        ASSERT_EQ(UnscramblePassword(scrambled), plain);
    }
}

TEST(Password, UnscrambleOfDamagedText) {
    EXPECT_EQ(UnscramblePassword("5b5"), "");      // odd length
    EXPECT_EQ(UnscramblePassword("5bzz5b"), "a");  // stops at an unreadable pair
    EXPECT_EQ(UnscramblePassword("5g"), std::string(1, static_cast<char>(0x05 ^ 0x3A)));
    EXPECT_EQ(UnscramblePassword("5b3a5b"), "a");  // a decoded NUL ends the text
    EXPECT_EQ(UnscramblePassword(std::string(400, '5')).size(), 127u);  // 128-byte buffer
}

TEST_F(SettingsTest, HistoryCleanupRunsOncePerDayOnItsTrigger) {
    int runs = 0;
    auto count = [&] { ++runs; };
    // WhenCleanup 0: the exit trigger does nothing.
    EXPECT_FALSE(RunHistoryCleanupTrigger(kCleanupAtExit, 20261208, count));
    EXPECT_TRUE(RunHistoryCleanupTrigger(kCleanupAtStart, 20261208, count));
    EXPECT_EQ(Reg().GetDword("HandleHistroyTime"), 20261208u);
    EXPECT_FALSE(RunHistoryCleanupTrigger(kCleanupAtStart, 20261208, count));
    EXPECT_FALSE(RunHistoryCleanupTrigger(kCleanupByHand, 20261208, count));
    EXPECT_TRUE(RunHistoryCleanupTrigger(kCleanupByHand, 20261209, count));
    WriteInt("WhenCleanup", 1);
    EXPECT_FALSE(RunHistoryCleanupTrigger(kCleanupAtStart, 20261210, count));
    EXPECT_TRUE(RunHistoryCleanupTrigger(kCleanupAtExit, 20261210, count));
    EXPECT_EQ(runs, 3);
}

}  // namespace
}  // namespace brevio::settings
