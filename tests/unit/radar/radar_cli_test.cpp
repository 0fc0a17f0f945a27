// brevio-cli radar against the radar pages of the demo portal: the real thread, the real
// change handling, and what it leaves on disk. Output is UTF-8; this file is GBK.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "integration/demo_process.h"
#include "platform/fs.h"
#include "platform/text.h"
#include "settings/app_settings.h"
#include "support/temp_home.h"

namespace brevio::test {
namespace {

const std::string kCli = BREVIO_CLI;

std::vector<std::string> GbkLines(const std::string& utf8) {
    std::vector<std::string> lines;
    std::istringstream in(platform::Utf8ToGbk(utf8));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string Read(const std::string& gbkPath) {
    std::string bytes;
    platform::ReadWholeFile(gbkPath, bytes);
    return bytes;
}

class RadarCliTest : public TempHomeTest {
  protected:
    void SetUp() override { ASSERT_TRUE(server_.Start({})); }

    ProgramRun Cli(std::vector<std::string> args) {
        args.insert(args.begin(), {kCli, "--home", Home(), "radar"});
        return RunProgram(args, 120000);
    }
    std::string Page(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(server_.HttpPort()) + path;
    }
    // The configuration document (written from GBK text as UTF-8) with these radar items.
    void WriteConfig(const std::string& path,
                     const std::vector<std::pair<std::string, std::string>>& items) {
        std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<userConfig><myRadar>\n";
        for (const auto& [title, link] : items) {
            xml += "<item><tltie>" + title + "</tltie><link>" + link + "</link></item>\n";
        }
        xml += "</myRadar></userConfig>\n";
        ASSERT_TRUE(platform::WriteFileAtomic(path, platform::GbkToUtf8(xml)));
    }

    DemoServer server_;
};

TEST_F(RadarCliTest, PassesOverTheDemoPagesLeaveTheDesktopClientsChangeLogs) {
    WriteConfig(Home() + "brevio.xml", {{"行情快报", Page("/radar/1.html")},
                                        {"机构名录", Page("/radar/2.html")},
                                        {"临时公告栏", Page("/radar/3.html")},
                                        {"../逃逸", Page("/radar/2.html")}});
    ProgramRun run = Cli({"--passes", "3", "--fast"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> lines = GbkLines(run.out);
    auto count = [&](const std::string& line) {
        return std::count(lines.begin(), lines.end(), line);
    };
    // Page 1 changes on every fetch, page 2 never, page 3 is away on every second fetch.
    std::vector<std::string> notices;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(notices),
                 [](const std::string& l) { return l.find("变化了") != std::string::npos; });
    EXPECT_EQ(notices, (std::vector<std::string>{"行情快报变化了1次", "行情快报变化了2次",
                                                 "临时公告栏变化了1次"}));
    EXPECT_EQ(count("机构名录 没有改变。"), 2);
    EXPECT_EQ(count("抓取：临时公告栏 失败。"), 1);
    EXPECT_EQ(count("抓取：../逃逸 失败。"), 3);

    const std::string news = settings::LoadAppSettings().contentFolder + "News/";
    const std::string change1 = Read(news + "行情快报_change.html");
    const std::string log1 = Read(news + "行情快报_changeAll.html");
    const std::string header = "<br/><div>第2次改变</div><br/>";
    ASSERT_FALSE(change1.empty());
    ASSERT_GT(log1.size(), header.size() + change1.size());
    EXPECT_EQ(log1.substr(log1.size() - header.size() - change1.size()), header + change1);
    EXPECT_EQ(log1.find("<br/><div>"), log1.size() - header.size() - change1.size())
        << "the first change has no header";
    EXPECT_EQ(Read(news + "机构名录_change.html"), "");
    EXPECT_FALSE(platform::FileExists(news + "机构名录_changeAll.html"));
    EXPECT_EQ(Read(news + "临时公告栏_changeAll.html"), Read(news + "临时公告栏_change.html"));
    EXPECT_EQ(Read(news + "行情快报.html"), Read(news + "行情快报_old.html"));
    for (const std::string& name : platform::ListFolder(Home())) {
        EXPECT_EQ(name.find("逃逸"), std::string::npos) << name;
    }
}

TEST_F(RadarCliTest, ConfigurationFileAndUsage) {
    const std::string other = Home() + "其他.xml";
    WriteConfig(other, {{"页面", Page("/radar/2.html")}});
    ProgramRun run = Cli({"--config", platform::GbkToUtf8(other), "--fast"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(GbkLines(run.out),
              (std::vector<std::string>{"正在抓取：页面...", "抓取：页面 完毕。"}));

    EXPECT_EQ(Cli({"--config", Home() + "missing.xml"}).exitCode, 1);
    EXPECT_EQ(Cli({}).exitCode, 1) << "no brevio.xml in the program folder";
    EXPECT_EQ(Cli({"--passes", "0"}).exitCode, 2);
    EXPECT_EQ(Cli({"--passes"}).exitCode, 2);
    EXPECT_EQ(Cli({"--slow"}).exitCode, 2);
}

}  // namespace
}  // namespace brevio::test
