// The portal sections loaded from configuration documents written here, and reloads whose
// download fails (the portal's port is closed). Reloads against a running portal are in the
// integration tests.
#include "client/portal_sections.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/fs.h"
#include "platform/text.h"
#include "radar/radar_target.h"
#include "support/temp_home.h"

namespace brevio::client {
namespace {

using portal::PortalItem;
using portal::Section;
using Items = std::vector<PortalItem>;

std::string Item(const std::string& title, const std::string& link) {
    return "<item><tltie>" + title + "</tltie><link>" + link + "</link></item>";
}

// A document (GBK here, written as UTF-8) with `n` items in every section, titles carrying
// the section's tag and `version`.
std::string Document(int n, const std::string& version) {
    auto items = [&](const std::string& tag) {
        std::string xml;
        for (int i = 0; i < n; ++i) {
            const std::string id = tag + std::to_string(i) + version;
            xml += Item("标题" + id, " http://x/" + id + " ");
        }
        return xml;
    };
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<tree>"
           "<myRadar>" +
           items("r") +
           "</myRadar>"
           "<myNews>" +
           items("n") +
           "</myNews>"
           "<myStock>" +
           items("s") +
           "</myStock>"
           "<informationRelease>" +
           items("i") +
           "</informationRelease>"
           "<MyFavorites><MyWeb>" +
           items("w") + "</MyWeb><MyEmail>" + items("e") + "</MyEmail><MyBlog>" + items("b") +
           "</MyBlog></MyFavorites></tree>\n";
}

// A loopback port that nothing listens on: bound, then closed again.
int ClosedPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
        port = ntohs(addr.sin_port);
    }
    close(fd);
    return port;
}

class PortalSectionsTest : public test::TempHomeTest {
  protected:
    std::string Write(const std::string& gbkXml, const std::string& name = "brevio.xml") {
        const std::string path = Home() + name;
        EXPECT_TRUE(platform::WriteFileAtomic(path, platform::GbkToUtf8(gbkXml)));
        return path;
    }
    // Every section's items, in the order of portal::kAllSections.
    std::vector<Items> Snapshot() const {
        std::vector<Items> all;
        for (Section section : portal::kAllSections) all.push_back(sections_.Items(section));
        return all;
    }

    radar::RadarTargetList radar_;
    PortalSections sections_{radar_};
};

TEST_F(PortalSectionsTest, StartUpLoadsEverySectionInItsOrder) {
    const std::vector<SectionLoad> loads = sections_.LoadAll(Write(Document(2, "")));
    const std::vector<Section> order = {Section::kRadar,   Section::kMyWeb,
                                        Section::kMyEmail, Section::kMyBlog,
                                        Section::kMyStock, Section::kInformationRelease,
                                        Section::kMyNews};
    ASSERT_EQ(loads.size(), order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(loads[i].section, order[i]) << i;
        EXPECT_EQ(loads[i].result, portal::kConfigOk) << i;
        EXPECT_EQ(loads[i].items, 2u) << i;
    }
    EXPECT_EQ(sections_.Items(Section::kMyNews),
              (Items{{"标题n0", "http://x/n0"}, {"标题n1", "http://x/n1"}}));
    EXPECT_EQ(sections_.Items(Section::kMyEmail)[1], (PortalItem{"标题e1", "http://x/e1"}));
    EXPECT_EQ(sections_.Items(Section::kInformationRelease)[0].title, "标题i0");
    ASSERT_EQ(radar_.Size(), 2u);
    EXPECT_EQ(radar_.At(0)->name, "标题r0");
    EXPECT_EQ(radar_.At(0)->url, "http://x/r0");
    // Side-bar positions, the radar's included.
    EXPECT_EQ(sections_.List(Section::kRadar), nullptr);
    EXPECT_EQ(sections_.ItemAt(Section::kRadar, 1), (PortalItem{"标题r1", "http://x/r1"}));
    EXPECT_FALSE(sections_.ItemAt(Section::kRadar, 2).has_value());
    EXPECT_FALSE(sections_.ItemAt(Section::kMyStock, 2).has_value());
}

TEST_F(PortalSectionsTest, MissingSectionEmptiesOnlyItsList) {
    sections_.LoadAll(Write(Document(2, "")));
    const std::string withoutStock =
        "<tree><myRadar>" + Item("雷达", "http://r/") + "</myRadar><myNews>" +
        Item("新闻", "http://n/") +
        "</myNews><MyFavorites><MyWeb/></MyFavorites><informationRelease/></tree>";
    const std::vector<SectionLoad> loads = sections_.LoadAll(Write(withoutStock, "b.xml"));
    for (const SectionLoad& load : loads) {
        switch (load.section) {
            case Section::kRadar:
            case Section::kMyNews:
                EXPECT_EQ(load.result, portal::kConfigOk);
                EXPECT_EQ(load.items, 1u);
                break;
            case Section::kMyWeb:
            case Section::kInformationRelease:
                EXPECT_EQ(load.result, portal::kConfigOk);
                EXPECT_EQ(load.items, 0u);
                break;
            default:
                EXPECT_EQ(load.result, portal::kConfigSectionMissing)
                    << static_cast<int>(load.section);
                EXPECT_EQ(load.items, 0u);
        }
    }
    EXPECT_TRUE(sections_.Items(Section::kMyStock).empty());
    EXPECT_EQ(sections_.Items(Section::kMyNews), (Items{{"新闻", "http://n/"}}));
}

TEST_F(PortalSectionsTest, UnreadableDocumentEmptiesEveryList) {
    sections_.LoadAll(Write(Document(2, "")));
    const std::string broken = Write("<tree><myNews>", "broken.xml");
    for (const SectionLoad& load : sections_.LoadAll(broken)) {
        EXPECT_EQ(load.result, portal::kConfigUnreadable);
        EXPECT_EQ(load.items, 0u);
    }
    for (const Items& items : Snapshot()) EXPECT_TRUE(items.empty());

    sections_.LoadAll(Write(Document(1, "")));
    EXPECT_EQ(sections_.Load(Section::kMyWeb, Home() + "missing.xml").result,
              portal::kConfigUnreadable);
    EXPECT_TRUE(sections_.Items(Section::kMyWeb).empty());
    EXPECT_EQ(sections_.Items(Section::kMyBlog).size(), 1u);
}

TEST_F(PortalSectionsTest, LoadingOneSectionLeavesTheOthers) {
    sections_.LoadAll(Write(Document(1, "a")));
    radar_.IncrementMatching(*radar_.At(0));
    const std::string newer = Write(Document(2, "b"), "newer.xml");

    const SectionLoad load = sections_.Load(Section::kMyStock, newer);
    EXPECT_EQ(load.section, Section::kMyStock);
    EXPECT_EQ(load.items, 2u);
    EXPECT_EQ(sections_.Items(Section::kMyStock)[1].title, "标题s1b");
    EXPECT_EQ(sections_.Items(Section::kMyNews), (Items{{"标题n0a", "http://x/n0a"}}));
    EXPECT_EQ(radar_.At(0)->changeCount, 1);

    // The radar section starts every change count at 0 again.
    EXPECT_EQ(sections_.Load(Section::kRadar, newer).items, 2u);
    EXPECT_EQ(radar_.At(0)->changeCount, 0);
    EXPECT_EQ(radar_.At(0)->name, "标题r0b");
    EXPECT_EQ(sections_.Items(Section::kMyWeb), (Items{{"标题w0a", "http://x/w0a"}}));
}

TEST_F(PortalSectionsTest, FailedDownloadKeepsListsAndDocument) {
    const std::string path = Write(Document(2, ""));
    sections_.LoadAll(path);
    const std::vector<Items> before = Snapshot();
    const std::string bytes = test::ReadFileBytes(path);
    const std::string portal = "http://127.0.0.1:" + std::to_string(ClosedPort());

    for (int index = 0; index <= 5; ++index) {
        const SectionReload reload = sections_.Reload(index, portal, "demo", path);
        EXPECT_EQ(reload.result, kReloadDownloadFailed) << index;
        EXPECT_EQ(reload.message, "加载用户配置信息失败!");
        EXPECT_FALSE(reload.error.empty());
        EXPECT_EQ(reload.load.items, 2u);
    }
    EXPECT_EQ(Snapshot(), before);
    EXPECT_EQ(test::ReadFileBytes(path), bytes);
}

TEST_F(PortalSectionsTest, FailedStartUpDownloadLeavesNoDocument) {
    const std::string path = Home() + "brevio.xml";
    const ConfigDownload download =
        DownloadConfiguration("127.0.0.1:" + std::to_string(ClosedPort()), "demo", path);
    EXPECT_FALSE(download.ok);
    EXPECT_EQ(download.message, "加载用户配置信息失败!");
    // Neither the document nor a temporary of a half download is left.
    for (const std::string& name : platform::ListFolder(Home())) {
        EXPECT_NE(name.rfind("brevio.xml", 0), 0u) << name;
    }
}

TEST_F(PortalSectionsTest, ReloadIndexWithoutSectionDownloadsNothing) {
    const std::string path = Write(Document(1, ""));
    sections_.LoadAll(path);
    const std::vector<Items> before = Snapshot();
    for (int index : {-1, 6, 13}) {
        const SectionReload reload = sections_.Reload(index, "http://127.0.0.1:1", "demo", path);
        EXPECT_EQ(reload.result, kReloadNoSection) << index;
        EXPECT_TRUE(reload.message.empty());
    }
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(PortalSectionsTest, ReadersSeeWholeListsWhileLoadsRun) {
    // The user-interface thread reads while another thread loads one document and then the
    // other: every read is one of the two lists, never a mixture or a partial list.
    const std::string small = Write(Document(3, "x"), "small.xml");
    const std::string large = Write(Document(40, "y"), "large.xml");
    sections_.LoadAll(small);
    const Items smallNews = sections_.Items(Section::kMyNews);
    sections_.LoadAll(large);
    const Items largeNews = sections_.Items(Section::kMyNews);

    std::atomic<bool> done{false};
    std::thread loader([&] {
        for (int i = 0; i < 60; ++i) sections_.Load(Section::kMyNews, i % 2 ? large : small);
        done = true;
    });
    int reads = 0, mixed = 0;
    while (!done || reads == 0) {
        const Items items = sections_.Items(Section::kMyNews);
        if (items != smallNews && items != largeNews) ++mixed;
        ++reads;
    }
    loader.join();
    EXPECT_EQ(mixed, 0) << "of " << reads << " reads";
}

}  // namespace
}  // namespace brevio::client
