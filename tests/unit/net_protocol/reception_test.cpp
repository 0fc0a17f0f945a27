// News reception against scripted loopback servers: the client core wired as in the program
// (settings, tables, records, store writer, scheduler), the server answering byte by byte.
// Covers records cut over chunk borders, the last-id bookkeeping, the nothing-new and error
// replies, a refused connection, stopping in the middle, the busy flag and the thread limit,
// and the replies that must fail: broken off, too slow, endless records, ids out of range.
#include "net/reception.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <mutex>
#include <thread>

#include "client/client_core.h"
#include "platform/fs.h"
#include "platform/host.h"
#include "platform/profile.h"
#include "settings/keys.h"
#include "settings/registry_values.h"
#include "store/news_file.h"
#include "support/temp_home.h"
#include "unit/net_protocol/loopback.h"

namespace brevio::net {
namespace {

namespace keys = settings::keys;
using test::LoopbackServer;
using test::ReadUntil;
using test::WriteAll;

const std::string kEnd = "\x80\x80";

std::string Record(int id, const std::string& title, const std::string& content,
                   const std::string& category = "10001", const std::string& extra = "") {
    return "ID:" + std::to_string(id) + "\nTITLE:" + title + "\nCATEGORY:" + category +
           "\nWEBSITE:3\nTIME:2026-12-8 9:30:05\nURL:http://news.example.cn/" + std::to_string(id) +
           ".html\n" + extra + "CONTENT:" + content + kEnd;
}

void SleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Collects the status texts of pane 0. It schedules nothing: reception schedules itself.
class RecordingWindow : public client::ClientObserver {
  public:
    void StatusText(int pane, std::string_view text) override {
        if (pane != 0) return;
        std::lock_guard lock(mutex_);
        texts_.emplace_back(text);
    }
    void ReceptionFinished(int) override { ++finished; }
    void RadarNotice(const radar::ChangeNotice&) override { ++radarNotices; }
    void RadarProgress(std::string_view) override { ++radarProgress; }
    std::atomic<int> radarNotices{0};
    std::atomic<int> radarProgress{0};
    std::atomic<int> finished{0};
    bool Saw(const std::string& text) const {
        std::lock_guard lock(mutex_);
        return std::find(texts_.begin(), texts_.end(), text) != texts_.end();
    }
    std::string All() const {
        std::lock_guard lock(mutex_);
        std::string all;
        for (const auto& t : texts_) all += t + " | ";
        return all;
    }
  private:
    mutable std::mutex mutex_;
    std::vector<std::string> texts_;
};

class ReceptionTest : public brevio::test::TempHomeTest {
  protected:
    ReceptionTest() {
        content_ = Home() + "CONTENT/";
        platform::CreateFolders(content_ + "Data");
        brevio::test::WriteFileBytes(content_ + "Data/NewsClassify.tab",
                                     "10001\t国内经济\tF\r\n10004\t货币政策\tF\r\n"
                                     "11001\t股市要闻\tF\r\n11004\t基金动态\tF\r\n");
        brevio::test::WriteFileBytes(content_ + "Data/websites.tab", "3\t华岳财经网\r\n");
        brevio::test::WriteFileBytes(content_ + "Data/Trade.tab", "05\t钢铁\tF\r\n");
        settings::WriteString(keys::kContentPath, content_);
        settings::WriteInt(keys::kDiskInterval, 1);
        settings::WriteInt(keys::kSocketInterval, 1);
    }
    ~ReceptionTest() override {
        core_.reset();
    }

    // Builds the client core talking to a loopback server on `port`.
    client::ClientCore& Core(int port, int threads = 3) {
        settings::WriteInt(keys::kServerPort, port);
        settings::WriteInt(keys::kSearchThreads, threads);
        client::StartOptions options;
        options.logIn = false;
        options.loadConfiguration = false;
        client::StartResult result;
        core_ = client::ClientCore::Start(options, window_, result);
        EXPECT_TRUE(result.Ok()) << result.message;
        return *core_;
    }

    static RecordRef Public(const std::string& id) { return {Group::kPublic, id}; }

    std::vector<std::int32_t> FiledIds(const std::string& base) {
        std::vector<std::int32_t> ids;
        store::ListRecords(store::ResolveFolder(content_, store::kFolderPublic), base,
                           [&](const store::NewsRecord& r) { ids.push_back(r.newsId); });
        return ids;
    }

    std::string StoredValue(const std::string& section, const std::string& key) {
        return platform::ProfileGetString(content_ + "Data/Category.dat", section, key, "", 64);
    }

    RecordingWindow window_;
    std::string content_;
    std::unique_ptr<client::ClientCore> core_;
};

// A server that reads the request, then writes the pieces with a pause between them.
LoopbackServer::Handler Answer(std::vector<std::string> pieces, int pauseMs = 20) {
    return [pieces = std::move(pieces), pauseMs](int fd) {
        ReadUntil(fd, "\r\n\r\n");
        for (const auto& p : pieces) {
            WriteAll(fd, p);
            SleepMs(pauseMs);
        }
    };
}

TEST_F(ReceptionTest, RecordsCutAcrossChunksAreFiledWholeAndOnce) {
    const std::string r1 = Record(110, "央行下调存款准备金率", "正文一");
    const std::string r2 = Record(120, "股市成交量放大", "正文二，较长的内容");
    const std::string r3 = Record(115, "基金发行回暖", "正文三");
    const std::string all = "200,OK\r\n" + r1 + r2 + r3 + "ID:130\nTITLE:半截";
    // Cut inside the status line, between the two terminator bytes of r1 and inside r2.
    const std::size_t cut1 = 4, cut2 = 8 + r1.size() - 1, cut3 = 8 + r1.size() + 20;
    LoopbackServer server(Answer({all.substr(0, cut1), all.substr(cut1, cut2 - cut1),
                                  all.substr(cut2, cut3 - cut2), all.substr(cut3)}));
    client::ClientCore& core = Core(server.Port());
    ASSERT_TRUE(core.Lists().SetMaxId(Public("10001"), 100));

    EXPECT_EQ(core.Reception().RunExchange(Public("10001")), 3) << window_.All();
    ASSERT_TRUE(core.WaitUntilWritten(10000));
    EXPECT_EQ(FiledIds("10001"), (std::vector<std::int32_t>{110, 120, 115}));

    store::NewsRecord record;
    std::string content;
    const int length = store::ReadItem(store::ResolveFolder(content_, store::kFolderPublic),
                                       "10001", 120, record, content);
    EXPECT_EQ(length, static_cast<int>(content.size()));
    EXPECT_EQ(content, "正文二，较长的内容");
    EXPECT_STREQ(record.webSite.data(), "华岳财经网");

    // The highest filed id counts, not the last one received.
    EXPECT_EQ(core.Lists().Get(Public("10001"))->maxId, 120);
    EXPECT_TRUE(window_.Saw("开始接收国内经济..."));
    EXPECT_TRUE(window_.Saw("正在接收第 3 条国内经济..."));
    EXPECT_TRUE(window_.Saw("本次共收到3条国内经济!"));
    EXPECT_NE(core.Lists().Get(Public("10001"))->timeUpdate, 0);
}

TEST_F(ReceptionTest, RecordsTheStoreRefusesNeitherCountNorMoveTheLastId) {
    // Record 90 is a steel-trade item and the steel trade has received up to 100 already, so
    // the store refuses it as a duplicate; it comes last in the reply.
    LoopbackServer server(Answer({"200,OK\r\n" + Record(130, "甲", "a", "10004") +
                                  Record(90, "乙", "b", "10004", "TRADE:05|\n")}));
    client::ClientCore& core = Core(server.Port());
    ASSERT_TRUE(core.Lists().SetMaxId({Group::kTrade, "05"}, 100));
    ASSERT_TRUE(core.Lists().SetMaxId(Public("10004"), 100));
    EXPECT_EQ(core.Reception().RunExchange(Public("10004")), 1);
    EXPECT_TRUE(window_.Saw("本次共收到1条货币政策!")) << window_.All();
    // The last id follows the filed items.
    ASSERT_TRUE(core.WaitUntilWritten(10000));
    EXPECT_EQ(FiledIds("10004"), (std::vector<std::int32_t>{130}));
    ASSERT_TRUE(core.Progress().Checkpoint());
    EXPECT_EQ(StoredValue("10004", "MAXID"), "130");
}

TEST_F(ReceptionTest, NothingNewAndServerErrorsFileNothing) {
    std::atomic<int> calls{0};
    LoopbackServer server([&](int fd) {
        ReadUntil(fd, "\r\n\r\n");
        WriteAll(fd, calls++ == 0 ? "201,没有新的新闻\r\n" : "500,服务器内部错误\r\n");
    });
    client::ClientCore& core = Core(server.Port());
    EXPECT_EQ(core.Reception().RunExchange(Public("11001")), 0);
    EXPECT_TRUE(window_.Saw("股市要闻 暂无新的新闻")) << window_.All();
    EXPECT_EQ(core.Lists().Get(Public("11001"))->timeUpdate, 0);

    EXPECT_EQ(core.Reception().RunExchange(Public("11001")), reception::kServerError);
    EXPECT_TRUE(window_.Saw("500,服务器内部错误\r\n")) << window_.All();
    EXPECT_EQ(core.Lists().Get(Public("11001"))->maxId, 0);
    EXPECT_FALSE(core.Lists().Get(Public("11001"))->busy);
    EXPECT_TRUE(FiledIds("11001").empty());
}

TEST_F(ReceptionTest, RefusedConnectionSaysSo) {
    int port = test::FreePort();
    client::ClientCore& core = Core(port);
    EXPECT_EQ(core.Reception().RunExchange(Public("10001")), result::kCannotConnect);
    EXPECT_TRUE(window_.Saw("正在与服务器建立连接...")) << window_.All();
    EXPECT_TRUE(window_.Saw("与服务器连接出错!")) << window_.All();
    EXPECT_FALSE(core.Lists().Get(Public("10001"))->busy);
    EXPECT_EQ(core.Reception().RunExchange(Public("99999")), reception::kNoRecord);
}

TEST_F(ReceptionTest, StopEndsAStalledReceptionAndKeepsWhatArrived) {
    std::atomic<bool> done{false};
    LoopbackServer server([&done](int fd) {
        ReadUntil(fd, "\r\n\r\n");
        WriteAll(fd, "200,OK\r\n" + Record(201, "先到的新闻", "x"));
        // Then the server falls silent until the test ends (ten seconds at most).
        for (int i = 0; i < 200 && !done; ++i) SleepMs(50);
    });
    client::ClientCore& core = Core(server.Port());
    auto& reception = core.Reception();
    reception.ReceiveCategory(Public("10001"));
    for (int i = 0; i < 200 && !window_.Saw("正在接收第 1 条国内经济..."); ++i) SleepMs(10);
    auto start = std::chrono::steady_clock::now();
    reception.StopAll();
    ASSERT_TRUE(reception.WaitIdle(5000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_TRUE(window_.Saw("用户终止接收!"));
    EXPECT_TRUE(window_.Saw("国内经济已停止接收!")) << window_.All();
    ASSERT_EQ(reception.Results().size(), 1u);
    EXPECT_EQ(reception.Results()[0].result, 1);
    EXPECT_FALSE(core.Lists().Get(Public("10001"))->busy);
    ASSERT_TRUE(core.WaitUntilWritten(10000));
    EXPECT_EQ(FiledIds("10001"), (std::vector<std::int32_t>{201}));
    EXPECT_EQ(core.Lists().Get(Public("10001"))->maxId, 201);
    // Kept in the filing journal as soon as it was filed, in the records at the checkpoint.
    EXPECT_EQ(brevio::test::ReadFileBytes(core.Progress().JournalPath()), "0\t10001\t201\r\n");
    ASSERT_TRUE(core.Progress().Checkpoint());
    EXPECT_EQ(StoredValue("10001", "MAXID"), "201");
    done = true;
}

TEST_F(ReceptionTest, AStatusLineInPiecesIsReadOnceWhole) {
    std::atomic<int> calls{0};
    LoopbackServer server([&](int fd) {
        switch (calls++) {
            case 0:
                Answer({"2", "00,OK\r\n" + Record(410, "分两段到的状态行", "x")}, 100)(fd);
                break;
            case 1:
                Answer({"20", "1,没有新的新闻\r\n"}, 100)(fd);
                break;
            default:  // no line end before the close
                Answer({"201,没有新的新闻"})(fd);
        }
    });
    client::ClientCore& core = Core(server.Port());
    EXPECT_EQ(core.Reception().RunExchange(Public("10001")), 1) << window_.All();
    EXPECT_TRUE(window_.Saw("本次共收到1条国内经济!"));
    EXPECT_EQ(core.Reception().RunExchange(Public("10004")), 0) << window_.All();
    EXPECT_TRUE(window_.Saw("货币政策 暂无新的新闻"));
    EXPECT_EQ(core.Reception().RunExchange(Public("11001")), 0) << window_.All();
    EXPECT_TRUE(window_.Saw("股市要闻 暂无新的新闻"));
    ASSERT_TRUE(core.WaitUntilWritten(10000));
    EXPECT_EQ(FiledIds("10001"), (std::vector<std::int32_t>{410}));
}

TEST_F(ReceptionTest, AReplyThatBreaksOffFailsAndKeepsTheRecordsBeforeTheBreak) {
    std::atomic<int> calls{0};
    LoopbackServer server([&](int fd) {
        ReadUntil(fd, "\r\n\r\n");
        const int n = calls++;
        // A whole record, then (the first time) part of the next one; then a reset.
        std::string reply = "200,OK\r\n" + Record(301 + 10 * n, "完整的新闻", "正文");
        if (n == 0) reply += "ID:302\nTITLE:半截的新";
        WriteAll(fd, reply);
        SleepMs(200);
        test::CloseWithReset(fd);
    });
    client::ClientCore& core = Core(server.Port());
    EXPECT_EQ(core.Reception().RunExchange(Public("10001")), result::kNetworkKernel);
    EXPECT_TRUE(window_.Saw("与服务器传输数据出错!")) << window_.All();
    EXPECT_FALSE(window_.Saw("本次共收到1条国内经济!")) << window_.All();
    EXPECT_FALSE(core.Lists().Get(Public("10001"))->busy);
    // A reset right after a whole record is no end of the reply either.
    EXPECT_EQ(core.Reception().RunExchange(Public("10001")), result::kNetworkKernel);
    ASSERT_TRUE(core.WaitUntilWritten(10000));
    EXPECT_EQ(FiledIds("10001"), (std::vector<std::int32_t>{301, 311}));
}

TEST_F(ReceptionTest, ATricklingServerIsCutOffAtTheExchangeTimeLimit) {
    settings::WriteInt(keys::kExchangeTimeout, 1);
    LoopbackServer server([&](int fd) {
        ReadUntil(fd, "\r\n\r\n");
        WriteAll(fd, "200,OK\r\n" + Record(501, "先到的新闻", "x"));
        // Then the next record a byte every 100 ms: no read waits long, the whole takes 15 s.
        test::Trickle(fd, Record(502, "慢慢来的新闻", std::string(100, 'y')), 1, 100, server);
    });
    client::ClientCore& core = Core(server.Port());
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(core.Reception().RunExchange(Public("10001")), result::kNetworkKernel);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_TRUE(window_.Saw("国内经济接收超过1秒,已中止!")) << window_.All();
    EXPECT_FALSE(core.Lists().Get(Public("10001"))->busy);
    ASSERT_TRUE(core.WaitUntilWritten(10000));
    EXPECT_EQ(FiledIds("10001"), (std::vector<std::int32_t>{501}));
}

TEST_F(ReceptionTest, ARecordWithoutEndIsRefusedBeforeItFillsMemory) {
    std::atomic<bool> done{false};
    LoopbackServer server([&](int fd) {
        ReadUntil(fd, "\r\n\r\n");
        WriteAll(fd, "200,OK\r\n" + Record(601, "正常的新闻", "x") + "ID:602\nCONTENT:");
        // A content that never ends: up to 4 MB while the client reads, then the server
        // holds the connection (five seconds at most).
        const std::string block(64 * 1024, 'z');
        for (int i = 0; i < 64 && WriteAll(fd, block); ++i) {
        }
        for (int i = 0; i < 100 && !done; ++i) SleepMs(50);
    });
    client::ClientCore& core = Core(server.Port());
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(core.Reception().RunExchange(Public("10001")), result::kNetworkKernel);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    done = true;
    EXPECT_TRUE(window_.Saw("国内经济的新闻记录超过65536字节,已中止接收!")) << window_.All();
    EXPECT_FALSE(core.Lists().Get(Public("10001"))->busy);
    ASSERT_TRUE(core.WaitUntilWritten(10000));
    EXPECT_EQ(FiledIds("10001"), (std::vector<std::int32_t>{601}));
}

TEST_F(ReceptionTest, RecordsWithoutAValidIdAreRefusedAndLeaveTheLastIdAlone) {
    // Record(0, ...) with its id text replaced.
    auto withId = [](const std::string& id) {
        return "ID:" + id + Record(0, "编号不对的新闻", "x").substr(std::string("ID:0").size());
    };
    std::atomic<int> calls{0};
    LoopbackServer server([&](int fd) {
        ReadUntil(fd, "\r\n\r\n");
        std::string reply = "200,OK\r\n";
        if (calls++ == 0) {
            // Beyond 32 bits (read as the 32-bit limit), the limit itself, none, negative.
            for (const char* id : {"99999999999", "2147483647", "0", "-7", "abc"})
                reply += withId(id);
        } else {
            reply += Record(150, "编号正常的新闻", "y");
        }
        WriteAll(fd, reply);
    });
    client::ClientCore& core = Core(server.Port());
    ASSERT_TRUE(core.Lists().SetMaxId(Public("10001"), 100));
    EXPECT_EQ(core.Reception().RunExchange(Public("10001")), 0) << window_.All();
    EXPECT_TRUE(window_.Saw("本次共收到0条国内经济!"));
    ASSERT_TRUE(core.WaitUntilWritten(10000));
    EXPECT_EQ(core.Lists().Get(Public("10001"))->maxId, 100);
    EXPECT_TRUE(FiledIds("10001").empty());

    // The category goes on receiving from where it was.
    EXPECT_EQ(core.Reception().RunExchange(Public("10001")), 1) << window_.All();
    ASSERT_TRUE(core.WaitUntilWritten(10000));
    EXPECT_EQ(core.Lists().Get(Public("10001"))->maxId, 150);
    EXPECT_EQ(FiledIds("10001"), (std::vector<std::int32_t>{150}));
}

TEST_F(ReceptionTest, ACategoryIsNeverReceivedTwiceAtOnce) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    LoopbackServer server([released](int fd) {
        ReadUntil(fd, "\r\n\r\n");
        released.wait_for(std::chrono::seconds(10));
        WriteAll(fd, "201,没有新的新闻\r\n");
    });
    client::ClientCore& core = Core(server.Port());
    auto first = std::async(std::launch::async,
                            [&] { return core.Reception().RunExchange(Public("10001")); });
    for (int i = 0; i < 300 && server.Accepted() == 0; ++i) SleepMs(10);
    EXPECT_EQ(core.Reception().RunExchange(Public("10001")), reception::kBusy);
    EXPECT_TRUE(window_.Saw("国内经济正在搜索!"));
    release.set_value();
    EXPECT_EQ(first.get(), 0);
    EXPECT_EQ(server.Accepted(), 1);
}

TEST_F(ReceptionTest, SchedulerKeepsToTheThreadLimitAndQueuesEachJobOnce) {
    LoopbackServer server([](int fd) {
        ReadUntil(fd, "\r\n\r\n");
        SleepMs(150);
        WriteAll(fd, "201,没有新的新闻\r\n");
    });
    client::ClientCore& core = Core(server.Port(), 2);
    auto& reception = core.Reception();
    reception.StopEvent().Reset();
    for (const char* id : {"10001", "10004", "11001", "11004", "11001", "11004"})
        reception.Schedule(Public(id));
    // Two threads started at once; the jobs already queued were not queued again.
    EXPECT_EQ(reception.Running(), 2);
    EXPECT_EQ(reception.Queued(), 2u);
    // Each finished thread schedules the next job, so the queue drains without a new call.
    ASSERT_TRUE(reception.WaitIdle(20000));
    EXPECT_EQ(reception.Queued(), 0u);
    auto results = reception.Results();
    ASSERT_EQ(results.size(), 4u);
    std::vector<std::string> ids;
    for (const auto& r : results) {
        EXPECT_EQ(r.result, 0);
        ids.push_back(r.job.categoryId);
    }
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (std::vector<std::string>{"10001", "10004", "11001", "11004"}));
    EXPECT_EQ(server.Accepted(), 4);
}

TEST_F(ReceptionTest, ARaisedThreadLimitTakesQueuedJobsAtOnceAndALowerOneHoldsBack) {
    // The k-th exchange takes 200 + 200 k ms; the client's count of running threads is noted
    // when the fourth one connects.
    std::atomic<int> accepted{0};
    std::atomic<int> runningAtFourth{-1};
    client::ClientCore* running = nullptr;
    LoopbackServer server([&](int fd) {
        const int k = accepted++;
        if (k == 3) runningAtFourth = running->Reception().Running();
        ReadUntil(fd, "\r\n\r\n");
        SleepMs(200 + 200 * std::min(k, 2));
        WriteAll(fd, "201,没有新的新闻\r\n");
    });
    client::ClientCore& core = Core(server.Port(), 1);
    running = &core;
    auto& reception = core.Reception();
    reception.StopEvent().Reset();
    for (const char* id : {"10001", "10004", "11001", "11004"}) reception.Schedule(Public(id));
    EXPECT_EQ(reception.Running(), 1);
    EXPECT_EQ(reception.Queued(), 3u);
    // The options' tuning while the first exchange runs: two more threads start now.
    core.ApplyTuning(3, 1, 0);
    EXPECT_EQ(reception.ThreadLimit(), 3);
    EXPECT_EQ(reception.SocketInterval(), 1);
    EXPECT_EQ(reception.Running(), 3);
    EXPECT_EQ(reception.Queued(), 1u);
    // Lowered to one: the fourth job waits until the three running exchanges have ended (with
    // three allowed it would start beside the two still running when the first ends).
    core.ApplyTuning(1, 0, 0);
    EXPECT_EQ(reception.SocketInterval(), 1);  // 0 keeps the value
    ASSERT_TRUE(reception.WaitIdle(20000));
    EXPECT_EQ(reception.Results().size(), 4u);
    EXPECT_EQ(server.Accepted(), 4);
    EXPECT_GE(runningAtFourth.load(), 1);
    EXPECT_LE(runningAtFourth.load(), 2);  // the fourth, and at most the last one ending
}

TEST_F(ReceptionTest, QueuedJobsRunToTheEndWithoutAFrontEndWhateverTheThreadLimit) {
    for (int threads : {1, 3}) {
        std::atomic<int> calls{0};
        LoopbackServer server([&](int fd) {
            ReadUntil(fd, "\r\n\r\n");
            WriteAll(fd, "200,OK\r\n" + Record(1000 + calls++, "新闻", "x"));
        });
        client::ClientCore& core = Core(server.Port(), threads);
        for (const char* id : {"10001", "10004", "11001", "11004"}) {
            core.Reception().ReceiveCategory(Public(id));
        }
        ASSERT_TRUE(core.Reception().WaitIdle(20000));
        EXPECT_EQ(core.Reception().Results().size(), 4u) << "threads " << threads;
        EXPECT_EQ(core.Reception().Queued(), 0u);
        EXPECT_EQ(calls.load(), 4);
        core_.reset();
    }
}

TEST_F(ReceptionTest, ThreadsAreReapedAsTheyEndOverAThousandExchanges) {
    LoopbackServer server([](int fd) {
        ReadUntil(fd, "\r\n\r\n");
        WriteAll(fd, "201,没有新的新闻\r\n");
    });
    client::ClientCore& core = Core(server.Port(), 3);
    std::size_t most = 0;
    while (window_.finished.load() < 1000) {
        for (const char* id : {"10001", "10004", "11001", "11004"}) {
            core.Reception().ReceiveCategory(Public(id));
        }
        most = std::max(most, core.Reception().ThreadCount());
        SleepMs(1);
    }
    ASSERT_TRUE(core.Reception().WaitIdle(20000));
    // Running threads plus those that just ended and wait to be joined: never more than
    // twice the limit, however many exchanges ran.
    EXPECT_LE(most, 6u);
    EXPECT_EQ(core.Reception().ThreadCount(), 0u);
}

// Start, reception, radar passes and stop together: the threads of a whole client on one
// loopback peer that answers news requests and serves a watched page that changes.
TEST_F(ReceptionTest, StartReceptionRadarAndStopTogether) {
    std::atomic<int> pages{0}, news{0};
    LoopbackServer server([&](int fd) {
        std::string request = ReadUntil(fd, "\r\n\r\n");
        if (request.rfind("GET ", 0) == 0) {
            const std::string body =
                "<html><body>\n<p>第" + std::to_string(pages++) + "版</p>\n</body></html>\n";
            WriteAll(fd, "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                             std::to_string(body.size()) + "\r\n\r\n" + body);
        } else {
            WriteAll(fd, "200,OK\r\n" + Record(2000 + news++, "新闻", "x"));
        }
    });
    const std::string page = "http://127.0.0.1:" + std::to_string(server.Port()) + "/page.html";
    brevio::test::WriteFileBytes(
        Home() + "brevio.xml",
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<c><myRadar><item><tltie>watched</tltie><link>" +
            page + "</link></item></myRadar></c>\n");
    settings::WriteInt(keys::kServerPort, server.Port());
    client::StartOptions options;
    options.logIn = false;
    options.loadConfiguration = false;
    options.startRadar = true;
    options.radarOptions.fetchPauseMs = 1;
    options.radarOptions.passPauseMs = 20;
    // The idle priority of a real client's radar would starve on a busy test machine.
    options.radarPriority = radar::CThreadBase::Priority::kNormal;
    client::StartResult result;
    core_ = client::ClientCore::Start(options, window_, result);
    ASSERT_TRUE(core_) << result.message;
    ASSERT_EQ(core_->RadarList().Size(), 1u);
    for (int round = 0; round < 5; ++round) {
        for (const char* id : {"10001", "10004", "11001", "11004"}) {
            core_->Reception().ReceiveCategory(Public(id));
        }
        SleepMs(50);
    }
    for (int i = 0; i < 1000 && window_.radarNotices.load() < 2; ++i) SleepMs(20);
    core_->Stop();
    EXPECT_GE(window_.radarNotices.load(), 2);
    EXPECT_GT(news.load(), 0);
    EXPECT_EQ(core_->ItemsWaiting(), 0u);
    EXPECT_FALSE(core_->ReceptionRunning());
}

}  // namespace
}  // namespace brevio::net
