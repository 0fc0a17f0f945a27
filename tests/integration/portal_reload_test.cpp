// The portal sections against the demo portal: the start-up download and load, the settings
// pages as the client addresses them, the reload of one section after its list changed on the
// portal, and reloads whose download fails (unknown user, stopped server).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client/main_window_logic.h"
#include "client/portal_sections.h"
#include "integration/demo_process.h"
#include "platform/fs.h"
#include "platform/http.h"
#include "platform/text.h"
#include "radar/radar_target.h"
#include "support/temp_home.h"

namespace brevio::client {
namespace {

using portal::PortalItem;
using portal::Section;
using Items = std::vector<PortalItem>;

constexpr const char* kUser = "demo";
constexpr const char* kPassword = "demo123";

class PortalReloadTest : public test::TempHomeTest {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server_.Start({}));
        portal_ = "http://127.0.0.1:" + std::to_string(server_.HttpPort());
        document_ = Home() + "brevio.xml";
        const ConfigDownload download = DownloadConfiguration(portal_, kUser, document_);
        ASSERT_TRUE(download.ok) << download.error;
        EXPECT_TRUE(download.message.empty());
        sections_.LoadAll(document_);
    }

    // Presses a settings page's first button: deletes the entries at `remove` and adds one.
    void ChangeOnPortal(SettingsPage page, const std::vector<int>& remove, const std::string& title,
                        const std::string& link) {
        const SettingsPageInfo& info = PageInfo(page);
        std::string body = std::string(SettingsDialogLayoutFor(info.dialogKind).okButton) + "=ok";
        for (int index : remove) body += "&del=" + std::to_string(index);
        body += "&title=" + title + "&link=" + link;
        platform::HttpResult r =
            platform::HttpPostForm(SettingsPageAddress(page, portal_, kUser, kPassword), body);
        ASSERT_TRUE(r.Ok()) << r.error;
    }

    std::vector<Items> Snapshot() const {
        std::vector<Items> all;
        for (Section section : portal::kAllSections) all.push_back(sections_.Items(section));
        return all;
    }

    test::DemoServer server_;
    std::string portal_;
    std::string document_;
    radar::RadarTargetList radar_;
    PortalSections sections_{radar_};
};

TEST_F(PortalReloadTest, StartUpLoadsThePortalsLists) {
    for (Section section : portal::kAllSections) {
        EXPECT_FALSE(sections_.Items(section).empty()) << static_cast<int>(section);
    }
    // Titles arrive in GBK, links with the portal's own address.
    EXPECT_EQ(sections_.Items(Section::kMyNews)[0],
              (PortalItem{"今日要闻", portal_ + "/page/news-today.html"}));
    EXPECT_EQ(radar_.At(0)->name, "行情快报");
    EXPECT_EQ(radar_.At(0)->url, portal_ + "/radar/1.html");
}

TEST_F(PortalReloadTest, SettingsPagesAreServedWithTheirButtons) {
    for (SettingsPage page : kAllSettingsPages) {
        const platform::HttpResult r =
            platform::HttpGet(SettingsPageAddress(page, portal_, kUser, kPassword));
        ASSERT_TRUE(r.Ok()) << static_cast<int>(page) << " " << r.error;
        const std::string html = platform::Utf8ToGbk(r.body);
        const SettingsDialogLayout layout = SettingsDialogLayoutFor(PageInfo(page).dialogKind);
        EXPECT_NE(html.find(SettingsPageCaption(page)), std::string::npos);
        EXPECT_NE(html.find("id=\"" + std::string(layout.okButton) + "\""), std::string::npos)
            << layout.okButton;
        EXPECT_NE(html.find("id=\"" + std::string(layout.cancelButton) + "\""), std::string::npos)
            << layout.cancelButton;
    }
}

TEST_F(PortalReloadTest, ReloadLoadsOnlyItsSection) {
    const Items stockBefore = sections_.Items(Section::kMyStock);
    const std::string added = portal_ + "/page/added.html";
    ChangeOnPortal(SettingsPage::kMyNews, {0}, "Added", added);
    ChangeOnPortal(SettingsPage::kMyStock, {0, 1}, "Stock", added);

    const SectionReload news =
        sections_.Reload(PageInfo(SettingsPage::kMyNews).reloadIndex, portal_, kUser, document_);
    EXPECT_EQ(news.result, kReloadOk) << news.error;
    EXPECT_EQ(news.load.section, Section::kMyNews);
    EXPECT_EQ(news.load.items, 3u);
    const Items newsAfter = sections_.Items(Section::kMyNews);
    ASSERT_EQ(newsAfter.size(), 3u);
    EXPECT_EQ(newsAfter[0].title, "股市要闻");
    EXPECT_EQ(newsAfter[2], (PortalItem{"Added", added}));
    // The stock list changed on the portal too, but only my news was reloaded.
    EXPECT_EQ(sections_.Items(Section::kMyStock), stockBefore);
    EXPECT_EQ(radar_.Size(), 3u);

    const SectionReload stock = sections_.Reload(Section::kMyStock, portal_, kUser, document_);
    EXPECT_EQ(stock.result, kReloadOk);
    EXPECT_EQ(sections_.Items(Section::kMyStock),
              (Items{stockBefore[2], PortalItem{"Stock", added}}));
}

TEST_F(PortalReloadTest, RadarReloadStartsTheCountsAgain) {
    radar_.IncrementMatching(*radar_.At(1));
    ChangeOnPortal(SettingsPage::kRadar, {2}, "Radar", portal_ + "/radar/2.html");
    const SectionReload reload = sections_.Reload(0, portal_, kUser, document_);
    EXPECT_EQ(reload.result, kReloadOk);
    ASSERT_EQ(radar_.Size(), 3u);
    EXPECT_EQ(radar_.At(1)->changeCount, 0);
    EXPECT_EQ(radar_.At(2)->name, "Radar");
}

TEST_F(PortalReloadTest, UnknownUserKeepsListsAndDocument) {
    ChangeOnPortal(SettingsPage::kMyWeb, {0}, "Web", portal_ + "/site/2.html");
    const std::vector<Items> before = Snapshot();
    const std::string bytes = test::ReadFileBytes(document_);

    const SectionReload reload = sections_.Reload(Section::kMyWeb, portal_, "nobody", document_);
    EXPECT_EQ(reload.result, kReloadDownloadFailed);
    EXPECT_EQ(reload.message, "加载用户配置信息失败!");
    EXPECT_EQ(Snapshot(), before);
    EXPECT_EQ(test::ReadFileBytes(document_), bytes);
}

TEST_F(PortalReloadTest, StoppedServerKeepsListsAndDocument) {
    const std::vector<Items> before = Snapshot();
    const std::string bytes = test::ReadFileBytes(document_);
    server_.Stop();

    for (int index = 0; index <= 5; ++index) {
        const SectionReload reload = sections_.Reload(index, portal_, kUser, document_);
        EXPECT_EQ(reload.result, kReloadDownloadFailed) << index;
        EXPECT_EQ(reload.message, ConfigurationFailedText());
    }
    EXPECT_EQ(Snapshot(), before);
    EXPECT_EQ(test::ReadFileBytes(document_), bytes);
    // The start-up download fails the same way and leaves the document alone.
    const ConfigDownload download = DownloadConfiguration(portal_, kUser, document_);
    EXPECT_FALSE(download.ok);
    EXPECT_EQ(download.message, ConfigurationFailedText());
    EXPECT_EQ(test::ReadFileBytes(document_), bytes);
}

}  // namespace
}  // namespace brevio::client
