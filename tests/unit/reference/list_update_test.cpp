// The reference-list refresh without a server: reply records, the writers, the last-update
// values, the update dialog's form and the order and bookkeeping of the refreshes.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

#include "platform/error_log.h"
#include "platform/fs.h"
#include "platform/host.h"
#include "platform/profile.h"
#include "reference/file_names.h"
#include "reference/list_update.h"
#include "reference/reference_tables.h"
#include "reference/tab_files.h"
#include "support/temp_home.h"

namespace brevio::reference {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

const std::string kEnd = "\x80\x80";

std::string StockRecord(const std::string& id, const std::string& name, const std::string& alias,
                        const std::string& trade) {
    return "ID:" + id + "\nNAME:" + name + "\nALIAS:" + alias + "\nTRADE:" + trade + "\n" + kEnd;
}

// ---- Records ------------------------------------------------------------------------------

TEST(ReplyRecords, SplitAtRunsOfTheEndByte) {
    auto r = SplitRecords("A:1\n\x80\x80\x80" "B:2\n\x80\x80\r\n");
    ASSERT_TRUE(r.has_value());
    ASSERT_EQ(r->size(), 2u);
    EXPECT_EQ((*r)[0], "A:1\n");
    EXPECT_EQ((*r)[1], "B:2\n");
    EXPECT_TRUE(SplitRecords("")->empty());
    EXPECT_EQ(SplitRecords("C:3\n")->size(), 1u);  // the last record needs no end mark
    EXPECT_FALSE(SplitRecords(std::string("A:1\n\0\n", 6)).has_value());
}

TEST(ReplyRecords, ValueRunsToTheLineFeedAndAKeyWithoutOneIsAbsent) {
    EXPECT_EQ(RecordValue("ID:1\nNAME:x y\r\n", "NAME:"), "x y");
    EXPECT_EQ(RecordValue("xxNAME:first\nNAME:second\n", "NAME:"), "first");
    EXPECT_EQ(RecordValue("ID:1\nNAME:open", "NAME:"), std::nullopt);
    EXPECT_EQ(RecordValue("ID:1\n", "ALIAS:"), std::nullopt);
    EXPECT_EQ(RecordValue("ALIAS:\n", "ALIAS:"), "");
}

// ---- Writers ------------------------------------------------------------------------------

class ListWriterTest : public test::TempHomeTest {
  protected:
    std::string Data() const { return Home() + "content/Data/"; }
    std::string Conversion() const { return Home() + "conv/"; }
    void SetUp() override { std::filesystem::create_directories(Data()); }
};

TEST_F(ListWriterTest, StockLinesAndTheProcedureCallsInTheirOrders) {
    struct Call {
        std::string code, name, trade, aliases;
        bool operator==(const Call&) const = default;
    };
    std::vector<Call> calls;
    StockNameSink sink = [&](std::string_view c, std::string_view n, std::string_view t,
                             std::string_view a) {
        calls.push_back({std::string(c), std::string(n), std::string(t), std::string(a)});
    };
    const std::string body = StockRecord("600101", "华岳银行", "HYYH,华岳", "01") +
                             "ID:600102\nALIAS:X\nTRADE:02\n" + kEnd +  // no NAME
                             StockRecord("600103", "空别名", "", "03");
    const std::string target = Data() + "stocktbl.tab";
    EXPECT_EQ(WriteStockTable(target, body, Conversion(), sink), 3);
    const std::string expected =
        "600101\t华岳银行\t\"HYYH,华岳\"\t\"01\"\r\n600103\t空别名\t\"\"\t\"03\"\r\n";
    EXPECT_EQ(ReadFileBytes(target), expected);
    EXPECT_EQ(calls, (std::vector<Call>{{"600101", "华岳银行", "01", "HYYH,华岳"},
                                        {"600103", "空别名", "03", ""}}));
    // The copy in the conversion folder, and no temporary left behind.
    EXPECT_EQ(ReadFileBytes(platform::NativePath(ConversionDataFolder(Conversion()) + "stocktbl.tab")),
              expected);
    EXPECT_FALSE(platform::PathExists(Data() + "stocktbl.~ab"));
    // What the table loader makes of it: the empty alias is empty again.
    StockTable table;
    ASSERT_EQ(LoadStockTable(target, table), 2);
    EXPECT_EQ(table[1].aliases, "");
    EXPECT_EQ(table[0].aliasList, (std::vector<std::string>{"HYYH", "华岳"}));
}

TEST_F(ListWriterTest, StockValuesAreBoundedAndLineBreakingTextIsMadeSafe) {
    const std::string target = Data() + "stocktbl.tab";
    const std::string longName = "一二三四五六七";  // 14 bytes
    const std::string body = StockRecord("12345678", "too long code", "", "01") +
                             StockRecord("600200", longName, "a\"b", "0\t1");
    EXPECT_EQ(WriteStockTable(target, body, "", {}), 2);
    EXPECT_EQ(ReadFileBytes(target), "600200\t一二三四五\t\"a\"\"b\"\t\"0 1\"\r\n");
}

TEST_F(ListWriterTest, UnwritableTemporaryGivesMinus13AndLeavesTheTarget) {
    const std::string target = Data() + "stocktbl.tab";
    WriteFileBytes(target, "old\tstock\t\"\"\t\"\"\r\n");
    std::filesystem::create_directories(Data() + "stocktbl.~ab");  // in the temporary's way
    int calls = 0;
    EXPECT_EQ(WriteStockTable(target, StockRecord("1", "n", "", "t"), "",
                              [&](auto, auto, auto, auto) { ++calls; }),
              kTempFileFailed);
    EXPECT_EQ(ReadFileBytes(target), "old\tstock\t\"\"\t\"\"\r\n");
    const std::string log = ReadFileBytes(platform::NativePath(platform::FileErrorLogPath()));
    EXPECT_NE(log.find("stocktbl.~ab"), std::string::npos);
    EXPECT_EQ(WriteStockTable(target, std::string("ID:1\n\0", 6), "", {}), kBodySplitFailed);
}

TEST_F(ListWriterTest, RecordsWithoutAnyLineLeaveTheTableAsItWas) {
    const std::string target = Data() + "stocktbl.tab";
    WriteFileBytes(target, "keep\r\n");
    EXPECT_EQ(WriteStockTable(target, "ID:1\nALIAS:x\n" + kEnd, "", {}), 1);
    EXPECT_EQ(ReadFileBytes(target), "keep\r\n");
}

TEST_F(ListWriterTest, SiteTableUsesItsOwnTemporaryName) {
    EXPECT_EQ(StockTempPath("/d/Data/stocktbl.tab"), "/d/Data/stocktbl.~ab");
    EXPECT_EQ(SiteTempPath("/d/Data/WebsiteNews.tab"), "/d/Data/WebsiteNews~ab");
    const std::string target = Data() + "WebsiteNews.tab";
    std::filesystem::create_directories(Data() + "WebsiteNews~ab");
    EXPECT_EQ(WriteSiteTable(target, "WEBSITEID:1\nCATID:10001\n" + kEnd, ""), kTempFileFailed);
    std::filesystem::remove(Data() + "WebsiteNews~ab");
    const std::string body = "WEBSITEID:1\nCATID:10001\n" + kEnd + "CATID:10002\n" + kEnd +
                             "WEBSITEID:2\r\nCATID:09001\r\n" + kEnd;
    EXPECT_EQ(WriteSiteTable(target, body, Conversion()), 3);
    EXPECT_EQ(ReadFileBytes(target), "1\t10001\r\n2\t09001\r\n");
    EXPECT_TRUE(platform::FileExists(ConversionDataFolder(Conversion()) + "WebsiteNews.tab"));
}

TEST_F(ListWriterTest, CodeListKeepsTheUsersSelection) {
    const std::string target = Data() + "Trade.tab";
    WriteFileBytes(target, "01\t银行\tT\r\n02\t证券\tF\r\n");
    const std::string body = "ID:01\nNAME:银行业\n" + kEnd + "ID:03\nNAME:保险\n" + kEnd +
                             "ID:02\nNAME:证券\n" + kEnd + "ID:04\n" + kEnd;
    EXPECT_EQ(WriteCodeList(target, body, true), 4);
    EXPECT_EQ(ReadFileBytes(target), "01\t银行业\tT\r\n03\t保险\tF\r\n02\t证券\tF\r\n");
    const std::string sites = Data() + "websites.tab";
    EXPECT_EQ(WriteCodeList(sites, "ID:1\nNAME:华岳财经网\n" + kEnd, false), 1);
    EXPECT_EQ(ReadFileBytes(sites), "1\t华岳财经网\r\n");
}

// ---- Last-update values -----------------------------------------------------------------

class LastUpdateTest : public test::TempHomeTest {
  protected:
    std::string Ini() const { return Home() + "Pemlo.ini"; }
};

TEST_F(LastUpdateTest, MissingOrDamagedValueIsTheThirteenthOfAugust2001) {
    const std::int64_t d = DefaultLastUpdate();
    time_t t = static_cast<time_t>(d);
    tm local{};
    localtime_r(&t, &local);
    EXPECT_EQ(local.tm_year, 101);
    EXPECT_EQ(local.tm_mon, 7);
    EXPECT_EQ(local.tm_mday, 13);
    EXPECT_EQ(local.tm_hour + local.tm_min + local.tm_sec, 0);
    EXPECT_EQ(ReadLastUpdate(Ini(), "Trade_LastUpdate"), d);
    platform::ProfileWriteString(Ini(), "UPDATELIST", "Trade_LastUpdate", "C008773BC3");  // sum off
    EXPECT_EQ(ReadLastUpdate(Ini(), "Trade_LastUpdate"), d);
}

TEST_F(LastUpdateTest, StoredAsStructureBytesWithChecksum) {
    ASSERT_TRUE(WriteLastUpdate(Ini(), "Trade_LastUpdate", 0x3B7708C0));
    EXPECT_EQ(platform::ProfileGetString(Ini(), "UPDATELIST", "Trade_LastUpdate", ""),
              "C008773B7A");
    EXPECT_EQ(ReadLastUpdate(Ini(), "Trade_LastUpdate"), 0x3B7708C0);
    EXPECT_EQ(LastUpdateKey(ListType::kCategorySites, "Region"), "CATWEBSITES_Region_LASTUPDATE");
    EXPECT_EQ(LastUpdateKey(ListType::kKind), LastUpdateKey(ListType::kClassify));
}

// ---- The update dialog's form -------------------------------------------------------------

// An exchange that waits until the test lets it answer.
class Gate {
  public:
    void Open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        cv_.notify_all();
    }
    void Wait() {
        std::unique_lock lock(mutex_);
        cv_.wait(lock, [&] { return open_; });
    }

  private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool open_ = false;
};

ListExchange Answer(int code, std::string reply) {
    return [code, reply](const UpdateRequest&) { return ListReply{code, reply}; };
}

TEST(UpdateDialog, Status200EndsWithOkAndKeepsTheBody) {
    UpdateRequest request{"行业列表", "trade"};
    request.lastUpdate = 5;
    UpdateDialogForm form(request, Answer(0, "200,OK\r\nID:01\nNAME:x\n"));
    EXPECT_EQ(form.Title(), "正在更新行业列表...");
    EXPECT_EQ(form.RunToEnd(), DialogResult::kOk);
    EXPECT_EQ(request.body, "ID:01\nNAME:x\n");
    EXPECT_GT(request.lastUpdate, 5);
    EXPECT_EQ(form.StatusText(), "正在更新行业列表...");
    EXPECT_TRUE(form.TakeMessages().empty());
    EXPECT_FALSE(form.AnimationPlaying());
}

TEST(UpdateDialog, NothingNewOtherStatusAndExchangeErrorsEndWithCancel) {
    UpdateRequest request{"股票列表", "stock"};
    UpdateDialogForm nothing(request, Answer(0, "201,no\r\n"));
    EXPECT_EQ(nothing.RunToEnd(), DialogResult::kCancel);
    EXPECT_EQ(nothing.StatusText(), "暂无更新!");
    EXPECT_TRUE(nothing.TakeMessages().empty());

    UpdateDialogForm refused(request, Answer(0, "404,未知的列表类型\r\nID:1\n"));
    EXPECT_EQ(refused.RunToEnd(), DialogResult::kCancel);
    EXPECT_EQ(refused.StatusText(), "404,未知的列表类型");
    auto shown = refused.TakeMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "404,未知的列表类型");
    EXPECT_EQ(shown[0].title, "Brevio提示");

    UpdateDialogForm offline(request, Answer(-4, ""));
    EXPECT_EQ(offline.RunToEnd(), DialogResult::kCancel);
    shown = offline.TakeMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "无法与服务器建立连接.请检测网络设置!");
    EXPECT_TRUE(request.body.empty());
}

TEST(UpdateDialog, StopDuringTheExchangeEndsWithCancelAfterTheWorker) {
    UpdateRequest request{"行业列表", "trade"};
    Gate gate;
    std::atomic<bool> answered{false};
    UpdateDialogForm form(request, [&](const UpdateRequest&) {
        gate.Wait();
        answered = true;
        return ListReply{0, "200,OK\r\nID:01\nNAME:x\n"};
    });
    std::atomic<int> posts{0};
    ASSERT_TRUE(form.Open([&] { ++posts; }));
    EXPECT_TRUE(form.AnimationPlaying());
    const int first = form.AnimationFrame();
    form.NextFrame();
    EXPECT_EQ(form.AnimationFrame(), (first + 1) % UpdateDialogForm::kAnimationFrames);
    EXPECT_TRUE(form.StopEnabled());
    form.StopPressed();
    EXPECT_EQ(form.GetState(), UpdateDialogForm::State::kStopped);
    EXPECT_FALSE(form.StopEnabled());
    EXPECT_EQ(form.StatusText(), "用户终止更新!");
    EXPECT_FALSE(form.Result().has_value());  // still waiting for the worker
    EXPECT_FALSE(form.CloseRequested());
    EXPECT_EQ(form.StatusText(), "用户终止!");
    gate.Open();
    form.Destroy();
    EXPECT_TRUE(answered);
    EXPECT_EQ(posts.load(), 1);
    form.OnWorkerFinished();
    EXPECT_EQ(form.Result(), DialogResult::kCancel);
    EXPECT_TRUE(request.body.empty());  // the reply is discarded
    EXPECT_FALSE(form.AnimationPlaying());
    EXPECT_TRUE(form.CloseRequested());  // finished: the window closes
}

// ---- The refreshes ------------------------------------------------------------------------

class RecordingWindow : public platform::MainWindowSink {
  public:
    void RefreshNavigation(int code) override { codes.push_back(code); }
    std::vector<int> codes;
};

class ListUpdaterTest : public test::TempHomeTest {
  protected:
    void SetUp() override { std::filesystem::create_directories(Content() + "Data"); }
    std::string Content() const { return Home() + "content/"; }
    std::string Data() const { return Content() + "Data/"; }
    std::string Ini() const { return Home() + "Pemlo.ini"; }

    // Answers by type from `replies` and records every request.
    ListUpdater Make(std::map<std::string, std::string> replies) {
        ListUpdateContext c;
        c.contentFolder = Content();
        c.pemloIni = Ini();
        c.exchange = [this, replies](const UpdateRequest& r) {
            requests_.push_back(r);
            auto it = replies.find(r.cat.empty() ? r.type : r.type + ":" + r.cat);
            return ListReply{0, it == replies.end() ? "201,none\r\n" : it->second};
        };
        c.tables = &tables_;
        c.window = &window_;
        tables_.LoadAll(Content());
        return ListUpdater(std::move(c));
    }

    std::vector<UpdateRequest> requests_;
    ReferenceTables tables_;
    RecordingWindow window_;
};

TEST_F(ListUpdaterTest, PublicCategoriesTakeTwoExchangesAndStoreTheTimeAfterTheSecond) {
    auto updater = Make({{"Kind", "200,OK\r\nID:10\nNAME:宏观\n" + kEnd},
                         {"Classify", "200,OK\r\nID:10001\nNAME:国内\n" + kEnd}});
    EXPECT_EQ(updater.PressButton(RefreshList::kPublicCategories).text, "大众类别更新完毕!");
    ASSERT_EQ(requests_.size(), 2u);
    EXPECT_EQ(requests_[0].type, "Kind");
    EXPECT_EQ(requests_[0].label, "新闻大类");
    EXPECT_EQ(requests_[1].type, "Classify");
    EXPECT_EQ(requests_[0].lastUpdate, DefaultLastUpdate());
    EXPECT_EQ(requests_[1].lastUpdate, DefaultLastUpdate());
    EXPECT_NE(ReadLastUpdate(Ini(), "Classify_LastUpdate"), DefaultLastUpdate());
    EXPECT_EQ(ReadFileBytes(Data() + "NewsKind.tab"), "10\t宏观\tF\r\n");
    EXPECT_EQ(tables_.PublicCategories()->NameOf("10001"), "国内");  // reloaded
    EXPECT_EQ(window_.codes, std::vector<int>{10});
}

TEST_F(ListUpdaterTest, KindAloneDoesNotStoreTheTime) {
    auto updater = Make({{"Kind", "200,OK\r\nID:10\nNAME:宏观\n" + kEnd}});
    EXPECT_EQ(updater.UpdateList(RefreshList::kPublicCategories), 1);
    EXPECT_EQ(ReadLastUpdate(Ini(), "Classify_LastUpdate"), DefaultLastUpdate());
}

TEST_F(ListUpdaterTest, NothingNewLeavesTheLastUpdateValueAndTheFile) {
    WriteLastUpdate(Ini(), "Trade_LastUpdate", 1000000000);
    WriteFileBytes(Data() + "Trade.tab", "01\t银行\tT\r\n");
    auto updater = Make({});
    EXPECT_EQ(updater.PressButton(RefreshList::kTrades).text, "行业类别更新完毕!");
    EXPECT_EQ(requests_.at(0).lastUpdate, 1000000000);
    EXPECT_EQ(ReadLastUpdate(Ini(), "Trade_LastUpdate"), 1000000000);
    EXPECT_EQ(ReadFileBytes(Data() + "Trade.tab"), "01\t银行\tT\r\n");
    EXPECT_TRUE(window_.codes.empty());
    ASSERT_EQ(updater.Exchanges().size(), 1u);
    EXPECT_EQ(updater.Exchanges()[0].status, "暂无更新!");
}

TEST_F(ListUpdaterTest, StockRefreshCountsEveryRecordAndStoresTheTime) {
    auto updater = Make({{"stock", "200,OK\r\n" + StockRecord("600101", "华岳银行", "", "01") +
                                       StockRecord("600102", "", "", "01")}});
    EXPECT_EQ(updater.UpdateList(RefreshList::kStocks), 2);
    EXPECT_NE(ReadLastUpdate(Ini(), "Stocks_LastUpdate"), DefaultLastUpdate());
    EXPECT_EQ(ReadFileBytes(Data() + "stocktbl.tab"), "600101\t华岳银行\t\"\"\t\"01\"\r\n");
}

TEST_F(ListUpdaterTest, StoppedRefreshStoresNothing) {
    WriteFileBytes(Data() + "Region.tab", "110\t北京\tF\r\n");
    ListUpdateContext c;
    c.contentFolder = Content();
    c.pemloIni = Ini();
    Gate gate;
    std::atomic<bool> asked{false};
    c.exchange = [&](const UpdateRequest&) {
        asked = true;
        gate.Wait();
        return ListReply{0, "200,OK\r\nID:120\nNAME:天津\n" + kEnd};
    };
    // The stop button is pressed once the exchange is under way; the answer comes after.
    c.runDialog = HeadlessDialogRunner([&] {
        if (!asked) return false;
        gate.Open();
        return true;
    });
    ListUpdater updater(std::move(c));
    EXPECT_EQ(updater.UpdateList(RefreshList::kRegions), 0);
    EXPECT_EQ(ReadFileBytes(Data() + "Region.tab"), "110\t北京\tF\r\n");
    EXPECT_EQ(ReadLastUpdate(Ini(), "Region_LastUpdate"), DefaultLastUpdate());
    EXPECT_EQ(updater.Exchanges().at(0).status, "用户终止更新!");
}

TEST_F(ListUpdaterTest, AutomaticRefreshRunsTheSwitchedListsInItsOrder) {
    for (const char* key : {"AutoUpdateClassify", "AutoUpdateRegion", "AutoUpdateTrade",
                            "AutoUpdateWebsites", "AutoUpdateStock"}) {
        platform::ProfileWriteString(Ini(), "UPDATELIST", key, "1");
    }
    auto updater = Make({{"region", "200,OK\r\nID:110\nNAME:北京\n" + kEnd},
                         {"trade", "200,OK\r\nID:01\nNAME:银行\n" + kEnd}});
    updater.AutoRefresh();
    std::vector<std::string> asked;
    for (const UpdateRequest& r : requests_) asked.push_back(r.cat.empty() ? r.type : r.cat);
    EXPECT_EQ(asked, (std::vector<std::string>{"Kind", "Classify", "region", "trade", "websites",
                                               "classify", "trade", "Region", "stock"}));
    for (const UpdateRequest& r : requests_) EXPECT_TRUE(r.catId.empty());
    EXPECT_EQ(window_.codes, (std::vector<int>{11, 12}));
    EXPECT_EQ(updater.Exchanges().size(), 9u);

    platform::ProfileWriteString(Ini(), "UPDATELIST", "AutoUpdateWebsites", "0");
    platform::ProfileWriteString(Ini(), "UPDATELIST", "AutoUpdateClassify", "yes");
    requests_.clear();
    updater.AutoRefresh();
    EXPECT_EQ(requests_.size(), 3u);  // region, trade, stock
}

}  // namespace
}  // namespace brevio::reference
