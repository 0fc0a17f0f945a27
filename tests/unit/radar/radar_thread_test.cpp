// The radar thread against real pages over HTTP on 127.0.0.1: passes, files, reports, the
// blog rule, hostile names, stopping, and the radar list shared with the thread.
#include "radar/radar_thread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/fs.h"
#include "platform/text.h"
#include "radar/radar_changes.h"
#include "radar/radar_page.h"
#include "settings/keys.h"
#include "settings/registry_values.h"
#include "support/temp_home.h"
#include "unit/radar/page_server.h"

namespace brevio::radar {
namespace {

using namespace std::string_literals;
using Texts = std::vector<std::string>;

void Sleep(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Reads a file by its GBK path, as the program names it.
std::string ReadFileBytes(const std::string& path) {
    std::string bytes;
    platform::ReadWholeFile(path, bytes);
    return bytes;
}

long long NowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// The main window as the radar thread sees it: records what arrives and handles changes the
// way the desktop client does.
class RecordingWindow : public platform::MainWindowSink {
  public:
    RecordingWindow(RadarTargetList& list, std::string content)
        : list_(list), content_(std::move(content)) {}

    void RadarProgress(std::string_view text) override {
        std::function<void(const std::string&)> hook;
        {
            std::lock_guard lock(mutex_);
            progress_.emplace_back(text);
            hook = onProgress_;
        }
        if (hook) hook(std::string(text));
    }
    void RadarChanged(std::string_view name, std::string_view url, int count) override {
        RadarTarget changed{count, std::string(name), std::string(url)};
        HandleRadarChange(list_, content_, changed);
        std::lock_guard lock(mutex_);
        changes_.push_back(std::move(changed));
    }

    Texts Progress() const {
        std::lock_guard lock(mutex_);
        return progress_;
    }
    std::vector<RadarTarget> Changes() const {
        std::lock_guard lock(mutex_);
        return changes_;
    }
    // Runs on the radar thread for every progress text.
    void OnProgress(std::function<void(const std::string&)> hook) {
        std::lock_guard lock(mutex_);
        onProgress_ = std::move(hook);
    }

  private:
    RadarTargetList& list_;
    const std::string content_;
    mutable std::mutex mutex_;
    Texts progress_;
    std::vector<RadarTarget> changes_;
    std::function<void(const std::string&)> onProgress_;
};

class RadarThreadTest : public test::TempHomeTest {
  protected:
    void SetUp() override {
        ASSERT_GT(server_.Port(), 0);
        ASSERT_TRUE(platform::CreateFolders(content_ + "News/"));
        settings::WriteString(settings::keys::kBlogHost, server_.Url("/blog/"));
    }

    CRadarThread::Options Fast(int passes) const {
        CRadarThread::Options o;
        o.contentFolder = content_;
        o.fetchPauseMs = 1;
        o.passPauseMs = 1;
        o.passes = passes;
        return o;
    }
    // Runs a thread to its end (at most 30 seconds).
    void Run(CRadarThread& thread) {
        ASSERT_TRUE(thread.Start());
        const long long deadline = NowMs() + 30000;
        while (thread.IsRunning() && NowMs() < deadline) Sleep(5);
        EXPECT_FALSE(thread.IsRunning()) << "the passes did not end";
        thread.Stop();
    }
    void RunPasses(int passes) {
        CRadarThread thread(window_, list_, Fast(passes));
        Run(thread);
        EXPECT_EQ(thread.PassesCompleted(), passes);
    }
    std::string File(const std::string& name) const { return content_ + "News/" + name; }
    // A body as the radar stores it.
    static std::string Stored(const std::string& body) { return PageLines(body) + "\n"; }

    std::string content_ = Home() + "content/";
    test::PageServer server_;
    RadarTargetList list_;
    RecordingWindow window_{list_, content_};
};

const std::string kV1 = "<html>\r\n<p>one</p>\r\n<p>end</p>\r\n";
const std::string kV2 = "<html>\r\n<p>one</p>\r\n<p>new line</p>\r\n<p>end</p>\r\n";
const std::string kV3 = "<html>\r\n<p>uno</p>\r\n<p>new line</p>\r\n<p>end</p>\r\n";

TEST_F(RadarThreadTest, FirstSightThenOneNotificationPerChangeAndAGrowingLog) {
    server_.SetReplies("/a", {{200, kV1}, {200, kV2}, {200, kV2}, {200, kV3}});
    list_.Append({0, "行情", server_.Url("/a")});
    RunPasses(3);

    const Texts fetch = {"正在抓取：行情...", "抓取：行情 完毕。\r\n"};
    Texts expected = fetch;
    for (const char* result : {"行情 已经改变。\r\n", "行情 没有改变。\r\n"}) {
        expected.insert(expected.end(), fetch.begin(), fetch.end());
        expected.push_back("比较 行情 是否改变...\r\n");
        expected.push_back(result);
    }
    EXPECT_EQ(window_.Progress(), expected);
    ASSERT_EQ(window_.Changes().size(), 1u);
    EXPECT_EQ(window_.Changes()[0], (RadarTarget{1, "行情", server_.Url("/a")}));
    EXPECT_EQ(list_.At(0)->changeCount, 1);

    // Pages are stored byte for byte, carriage returns kept, with one more line feed.
    EXPECT_EQ(ReadFileBytes(File("行情.html")), kV2 + "\n");
    EXPECT_EQ(ReadFileBytes(File("行情_old.html")), kV2 + "\n");
    // The unchanged page rewrote the change page empty; the log holds the one change.
    EXPECT_EQ(ReadFileBytes(File("行情_change.html")), "");
    EXPECT_EQ(ReadFileBytes(File("行情_changeAll.html")), "<p>new line</p>");

    // The next run finds the next change and numbers it in the log.
    RunPasses(1);
    ASSERT_EQ(window_.Changes().size(), 2u);
    EXPECT_EQ(window_.Changes()[1].changeCount, 2) << "the count of the radar list, plus one";
    EXPECT_EQ(list_.At(0)->changeCount, 2);
    EXPECT_EQ(ReadFileBytes(File("行情_changeAll.html")),
              "<p>new line</p><br/><div>第2次改变</div><br/><p>uno</p>");
    EXPECT_EQ(ReadFileBytes(File("行情_old.html")), kV3 + "\n");
}

TEST_F(RadarThreadTest, EachTargetIsReportedOnItsOwnAndFailuresKeepTheCopies) {
    server_.SetReplies("/p", {{200, kV1}, {404, kV2}, {500, kV2}});
    server_.SetPage("/plain", "a\nb");
    list_.Append({0, "empty", ""});
    list_.Append({0, "plain", server_.Url("/plain").substr(7)});  // "http://" is put in front
    list_.Append({0, "p", server_.Url("/p")});
    list_.Append({0, "closed", "http://127.0.0.1:1/"});
    RunPasses(3);
    const Texts pass1 = {"正在抓取：empty...",     "正在抓取：plain...", "抓取：plain 完毕。\r\n",
                         "正在抓取：p...",         "抓取：p 完毕。\r\n", "正在抓取：closed...",
                         "抓取：closed 失败。\r\n"};
    const Texts texts = window_.Progress();
    ASSERT_GE(texts.size(), pass1.size());
    EXPECT_EQ(Texts(texts.begin(), texts.begin() + pass1.size()), pass1);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "抓取：p 失败。\r\n"), 2) << "404 and 500";
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "plain 没有改变。\r\n"), 2);
    EXPECT_EQ(ReadFileBytes(File("plain_old.html")), "a\nb\n\n");
    EXPECT_EQ(ReadFileBytes(File("p.html")), Stored(kV1));
    EXPECT_EQ(ReadFileBytes(File("p_old.html")), Stored(kV1));
    EXPECT_FALSE(platform::FileExists(File("p_change.html")));
    EXPECT_FALSE(platform::FileExists(File("empty.html")));
    EXPECT_TRUE(window_.Changes().empty());
}

TEST_F(RadarThreadTest, HostileNamesAreFailedFetchesAndTheRadarGoesOn) {
    server_.SetPage("/p", kV1);
    const std::string url = server_.Url("/p");
    const std::string longName(260 - content_.size() - 5 - 15, 'n');  // change log of 260 bytes
    for (const std::string& name : {"../escape"s, "sub/dir"s, "nul\0.html"s, longName, "good"s}) {
        list_.Append({0, name, url});
    }
    RunPasses(2);
    EXPECT_EQ(server_.Hits("/p"), 2) << "only the good target is fetched, once per pass";
    Texts texts = window_.Progress();
    for (const std::string& name : {"../escape"s, "sub/dir"s, "nul\0.html"s, longName}) {
        EXPECT_EQ(std::count(texts.begin(), texts.end(), "抓取：" + name + " 失败。\r\n"), 2);
    }
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "good 没有改变。\r\n"), 1);
    // Nothing was written anywhere but the good target's files.
    for (const std::string& name : platform::ListFolder(Home())) {
        EXPECT_EQ(name.find("escape"), std::string::npos) << name;
    }
    EXPECT_EQ(platform::ListFolder(content_), (std::vector<std::string>{"News"}));
    EXPECT_EQ(platform::ListFolder(content_ + "News/"),
              (std::vector<std::string>{"good.html", "good_change.html", "good_old.html"}));
}

TEST_F(RadarThreadTest, BlogPagesKeepOnlyTheirArticleList) {
    const std::string list = platform::GbkToUtf8("最新文章列表");
    const std::string page = "<html>\n<h1>" + platform::GbkToUtf8("博客") + "</h1>\n" + list +
                             "<li>a</li>\n" + platform::GbkToUtf8("我的文章分类") + "\n</html>\n";
    server_.SetPage("/blog/u1.html", page);
    server_.SetPage("/blog/none.html", "<html>no list</html>\n");
    server_.SetPage("/elsewhere.html", page);
    list_.Append({0, "blog", server_.Url("/blog/u1.html")});
    list_.Append({0, "none", server_.Url("/blog/none.html")});
    list_.Append({0, "elsewhere", server_.Url("/elsewhere.html")});
    RunPasses(1);
    EXPECT_EQ(ReadFileBytes(File("blog.html")), "最新文章列表<li>a</li>\n\n");
    EXPECT_EQ(ReadFileBytes(File("none.html")), "\n");
    EXPECT_EQ(ReadFileBytes(File("elsewhere.html")), page + "\n") << "other hosts: bytes as sent";

    // The blog host is a setting.
    settings::WriteString(settings::keys::kBlogHost, server_.Url("/elsewhere"));
    RunPasses(1);
    EXPECT_EQ(ReadFileBytes(File("blog.html")), page + "\n");
    EXPECT_EQ(ReadFileBytes(File("elsewhere.html")), "最新文章列表<li>a</li>\n\n");
}

TEST_F(RadarThreadTest, AReloadDuringAPassTakesEffectAtTheNextPass) {
    for (const char* path : {"/a", "/b", "/c"}) server_.SetPage(path, kV1);
    list_.Append({0, "a", server_.Url("/a")});
    list_.Append({0, "b", server_.Url("/b")});
    bool reloaded = false;
    window_.OnProgress([&](const std::string& text) {
        if (text == "正在抓取：a..." && !reloaded) {
            reloaded = true;
            list_.Replace({{0, "c", server_.Url("/c")}});
        }
    });
    RunPasses(2);
    EXPECT_EQ(server_.Hits("/a"), 1);
    EXPECT_EQ(server_.Hits("/b"), 1) << "the running pass keeps its targets";
    EXPECT_EQ(server_.Hits("/c"), 1);
}

// ---- Stopping ----

TEST_F(RadarThreadTest, StopEndsThePauseBetweenPassesAtOnce) {
    server_.SetPage("/a", kV1);
    list_.Append({0, "a", server_.Url("/a")});
    CRadarThread::Options options = Fast(0);
    options.passPauseMs = 60000;
    CRadarThread thread(window_, list_, options);
    ASSERT_TRUE(thread.Start(CThreadBase::Priority::kIdle));
    const long long deadline = NowMs() + 30000;
    while (thread.PassesCompleted() < 1 && NowMs() < deadline) Sleep(5);
    ASSERT_EQ(thread.PassesCompleted(), 1);
    const long long start = NowMs();
    thread.Stop();
    EXPECT_LT(NowMs() - start, 1000);
    EXPECT_FALSE(thread.IsRunning());
}

TEST_F(RadarThreadTest, StopCutsAStalledFetchShortAndKeepsTheCopies) {
    const std::string big = kV1 + std::string(100000, 'x') + "\n";
    server_.SetReplies("/a", {{200, kV1}, {200, big, 30000}});
    list_.Append({0, "a", server_.Url("/a")});
    CRadarThread thread(window_, list_, Fast(0));
    ASSERT_TRUE(thread.Start());
    ASSERT_TRUE(server_.WaitForHits("/a", 2, 30000));
    Sleep(200);  // the first half of the page has arrived
    const long long start = NowMs();
    thread.Stop();
    const long long took = NowMs() - start;
    EXPECT_LT(took, 500) << "the transfer watches the run flag";
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_EQ(ReadFileBytes(File("a.html")), Stored(kV1));
    EXPECT_EQ(ReadFileBytes(File("a_old.html")), Stored(kV1));
    EXPECT_TRUE(window_.Changes().empty());
    EXPECT_EQ(window_.Progress().back(), "正在抓取：a...") << "an abandoned page is not reported";
    // No temporary copy was left behind either.
    EXPECT_EQ(platform::ListFolder(content_ + "News/"),
              (std::vector<std::string>{"a.html", "a_old.html"}));
}

TEST_F(RadarThreadTest, StopFromTheNotificationHandlerDoesNotWaitForItself) {
    server_.SetReplies("/a", {{200, kV1}, {200, kV2}});
    list_.Append({0, "a", server_.Url("/a")});
    CRadarThread thread(window_, list_, Fast(0));
    window_.OnProgress([&](const std::string& text) {
        if (text == "a 已经改变。\r\n") thread.Stop();
    });
    ASSERT_TRUE(thread.Start());
    const long long deadline = NowMs() + 30000;
    while (thread.IsRunning() && NowMs() < deadline) Sleep(5);
    EXPECT_FALSE(thread.IsRunning());
    thread.Stop();
    EXPECT_EQ(window_.Changes().size(), 1u);
}

// ---- The radar list shared between the user interface and the thread ----

TEST(RadarListSharing, CopiesDuringReloadsAndCountUpdatesSeeWholeLists) {
    RadarTargetList shared;
    std::atomic<bool> done{false};
    std::atomic<int> torn{0};
    std::thread reader([&] {
        while (!done.load()) {
            RadarTargetList snapshot;
            shared.CopyInto(snapshot);
            const std::size_t n = snapshot.Size();
            if (n != 0 && n != 3) ++torn;
            for (auto pos = snapshot.GetFirst(); const RadarTarget* t = snapshot.GetNext(pos);) {
                if (t->url != "u" + t->name) ++torn;
            }
        }
    });
    for (int i = 0; i < 2000; ++i) {
        if (i % 2 == 0) {
            shared.Replace({{0, "a", "ua"}, {0, "b", "ub"}, {0, "c", "uc"}});
        } else {
            shared.Clear();
        }
        shared.IncrementMatching({0, "b", "ub"});
        shared.ResetChangeCount(1);
        shared.AnyChanged();
    }
    done.store(true);
    reader.join();
    EXPECT_EQ(torn.load(), 0);
}

}  // namespace
}  // namespace brevio::radar
