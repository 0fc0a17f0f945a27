// brevio-cli show: a stored item rendered as the content pane shows it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>

#include "news/content_page.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "settings/app_settings.h"
#include "settings/keys.h"
#include "settings/registry_values.h"
#include "store/news_file.h"
#include "support/temp_home.h"
#include "unit/store/store_fixture.h"

namespace brevio::news {
namespace {

struct CliRun {
    int exitCode = -1;
    std::string out;
};

CliRun Cli(const std::string& args) {
    CliRun run;
    const std::string command = std::string(BREVIO_CLI) + " " + args + " 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return run;
    char buf[512];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) run.out.append(buf, n);
    const int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

class ShowCommandTest : public test::TempHomeTest {
  protected:
    void SetUp() override {
        settings::AppSettings s = settings::LoadAppSettings();
        ASSERT_TRUE(settings::CreateDataFolders(s));
        folder_ = store::ResolveFolder(s.contentFolder, store::kFolderTrade);
    }
    std::string folder_;
};

TEST_F(ShowCommandTest, AStoredItemIsRenderedWithItsRecordsTextsIntoTheContentPage) {
    settings::WriteInt(settings::keys::kTitleFontColor, 0x00123456);
    store::NewsItem item =
        store::test_support::MakeItem(12, "2007-3-15 9:30:5", "甲 乙\r\n丙", "沪指收涨");
    ASSERT_GT(store::AppendItem(folder_, "0101", item, "新浪财经"), 0);

    CliRun run = Cli("show trade 0101 12");
    ASSERT_EQ(run.exitCode, 0);
    const std::string path = platform::DriveCFolder() + "content.html";
    EXPECT_EQ(run.out, platform::GbkToUtf8(path) + "\n");
    const std::string page = test::ReadFileBytes(path);
    EXPECT_NE(page.find("<title>沪指收涨</title>\r\n"), std::string::npos);
    EXPECT_NE(page.find("color:#563412;"), std::string::npos);
    EXPECT_NE(page.find("<td class=infoA>2007-03-15 09:30:05&nbsp;&nbsp;新浪财经</td>"),
              std::string::npos);
    EXPECT_NE(page.find("<td class=contentA>&nbsp;&nbsp;&nbsp;甲&nbsp;乙<br>&nbsp;&nbsp;&nbsp;丙"
                        "</td>"),
              std::string::npos);
}

TEST_F(ShowCommandTest, AnEmptyContentShowsTheSubstituteAndTheEmptyPageHasNoTexts) {
    ASSERT_GT(
        store::AppendItem(folder_, "0101", store::test_support::MakeItem(5, "2007-1-1", "x"), ""),
        0);
    // An item stored without content.
    store::NewsRecord record =
        store::BuildRecord(store::test_support::MakeItem(6, "2007-1-2", ""), "");
    ASSERT_EQ(store::AppendRecord(store::BasePath(folder_, "0101"), record, ""), 0);
    ASSERT_EQ(Cli("show trade 0101 6").exitCode, 0);
    const std::string page = test::ReadFileBytes(ContentPagePath());
    EXPECT_NE(page.find(ConvertContent(UnreadableContentText())), std::string::npos);

    ASSERT_EQ(Cli("show --empty").exitCode, 0);
    EXPECT_NE(test::ReadFileBytes(ContentPagePath())
                  .find("<td class=titleA></td></tr><tr><td class=infoA>&nbsp;&nbsp;</td>"),
              std::string::npos);
}

TEST_F(ShowCommandTest, MissingItemsFailAndBadArgumentsAreUsageErrors) {
    ASSERT_GT(
        store::AppendItem(folder_, "0101", store::test_support::MakeItem(5, "2007-1-1", "x"), ""),
        0);
    EXPECT_EQ(Cli("show trade 0101 99").exitCode, 1);
    EXPECT_EQ(Cli("show trade 0202 5").exitCode, 1);
    EXPECT_EQ(Cli("show nowhere 0101 5").exitCode, 2);
    EXPECT_EQ(Cli("show trade 0101 x5").exitCode, 2);
    EXPECT_EQ(Cli("show trade 0101").exitCode, 2);
}

}  // namespace
}  // namespace brevio::news
