// The database export against a real PostgreSQL through psqlODBC. The test makes its own
// cluster in a temporary folder (initdb and pg_ctl as the postgres user), defines the two
// procedures as functions returning void (psqlODBC turns "{CALL f(...)}" into
// "SELECT * FROM f(...)") and points an ODBC data source at it.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <mutex>

#include "conversion/db_connection.h"
#include "conversion/db_export.h"
#include "conversion/db_source_form.h"
#include "conversion/export_hand_off.h"
#include "conversion/stored_conversion.h"
#include "integration/export_peers.h"
#include "platform/host.h"
#include "platform/text.h"
#include "reference/reference_tables.h"
#include "reference/list_update.h"
#include "settings/registry_values.h"
#include "store/intake.h"
#include "store/news_file.h"
#include "support/temp_home.h"

namespace brevio::conversion {
namespace {

constexpr const char* kDataSource = "BrevioTest";

const char* kSchema = R"(
create table news (id integer, url text, title text, time text, website integer,
                   category text, region text, trade text, content text, stocks text);
create function spSaveClientNews(integer, text, text, text, integer, text, text, text, text, text)
  returns void language sql as
  'insert into news values ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10)';
create table stocks (seq serial, code text, name text, trade text, aliases text);
create function spUpdateStockNameID(text, text, text, text) returns void language sql as
  'insert into stocks (code, name, trade, aliases) values ($1, $2, $3, $4)';
)";

// One server for the whole program: a cluster takes seconds to make.
class Postgres : public ::testing::Environment {
  public:
    void SetUp() override {
        if (test::PostgresServer::BinFolder().empty()) {
            skip_ = "PostgreSQL is not installed (initdb, pg_ctl, psql)";
            return;
        }
        if (test::PostgresServer::OdbcDriver().empty()) {
            skip_ = "psqlODBC (odbc-postgresql) is not installed";
            return;
        }
        server_ = std::make_unique<test::PostgresServer>();
        std::string error;
        if (!server_->Start(error) || !server_->Sql(kSchema, nullptr, &error) ||
            !server_->DefineDataSource(kDataSource, error)) {
            failure_ = error;
        }
    }
    void TearDown() override { server_.reset(); }

    static test::PostgresServer& Server() { return *server_; }
    static std::string skip_, failure_;
    static std::unique_ptr<test::PostgresServer> server_;
};
std::string Postgres::skip_, Postgres::failure_;
std::unique_ptr<test::PostgresServer> Postgres::server_;
const auto* const kPostgres = ::testing::AddGlobalTestEnvironment(new Postgres);

class Window : public platform::MainWindowSink {
  public:
    void StatusText(int pane, std::string_view text) override {
        std::lock_guard lock(mutex_);
        status.emplace_back(pane, std::string(text));
    }
    void Message(std::string_view text, std::string_view, int) override {
        std::lock_guard lock(mutex_);
        messages.emplace_back(text);
    }
    std::vector<std::string> Messages() {
        std::lock_guard lock(mutex_);
        return messages;
    }
    std::vector<std::pair<int, std::string>> status;
    std::vector<std::string> messages;

  private:
    std::mutex mutex_;
};

class DatabaseExportTest : public test::TempHomeTest {
  protected:
    void SetUp() override {
        if (!Postgres::skip_.empty()) GTEST_SKIP() << Postgres::skip_;
        ASSERT_TRUE(Postgres::failure_.empty()) << Postgres::failure_;
        std::string error;
        ASSERT_TRUE(Server().Restart(error)) << error;
        ASSERT_TRUE(Server().Sql("delete from news; delete from stocks;", nullptr, &error)) << error;
        StoreDataSource({kDataSource, "postgres", ""});
        settings::WriteInt(keys::kConvertAuto, 1);
        settings::WriteInt(keys::kConvertFormat, kFormatDatabase);
    }
    static test::PostgresServer& Server() { return Postgres::Server(); }

    // Rows of a query, each row's fields joined by tabs, converted to GBK.
    std::vector<std::string> Rows(const std::string& sql) {
        std::string out, error;
        EXPECT_TRUE(Server().Sql(sql, &out, &error)) << error;
        std::vector<std::string> rows;
        for (std::string& line : platform::Split(platform::Utf8ToGbk(out), '\n')) {
            if (!line.empty()) rows.push_back(line);
        }
        return rows;
    }

    Window window_;
};

// A news intake filing into the test's content folder and handing filed items on, with the
// writer thread running, as the client core wires it.
struct Reception {
    Reception(const std::string& home, ExportHandOff& handOff) {
        store::NewsIntake::Options o;
        o.contentFolder = home + "content/";
        std::filesystem::create_directories(o.contentFolder + "News");
        o.diskIntervalMs = 1;
        o.afterFiling = [&handOff](const store::NewsItem& item) { handOff.OnFiled(item); };
        intake = std::make_unique<store::NewsIntake>(o, tables, limits);
        intake->StartWriter();
    }
    ~Reception() { intake->DrainAndStop(); }
    void Accept(int id, const std::string& title, const std::string& content) {
        const std::string block = "ID:" + std::to_string(id) + "\nTITLE:" + title +
                                  "\nURL:http://x/" + std::to_string(id) +
                                  "\nCATEGORY:10001\nWEBSITE:3\nREGION:110|\nTRADE:05|\n"
                                  "TIME:2024-3-5 9:8:7\nRELSTOCKS:600101|\nCONTENT:" +
                                  content + "\x80\x80";
        ASSERT_EQ(intake->AcceptRecord(block, store::PublicGroup()), id);
    }
    reference::ReferenceTables tables;
    store::NoAcceptanceLimits limits;
    std::unique_ptr<store::NewsIntake> intake;
};

std::unique_ptr<ExportHandOff> HandOff(const std::string& home, Window& window) {
    ExportHandOff::Options o;
    o.programFolder = home;
    o.window = &window;
    o.receptionStarted = [] { return true; };
    o.reconnectPauseMs = 0;
    return std::make_unique<ExportHandOff>(std::move(o));
}

TEST_F(DatabaseExportTest, ReceivedItemsArriveAsRowsWithTheirQuotes) {
    auto handOff = HandOff(Home(), window_);
    {
        Reception reception(Home(), *handOff);
        reception.Accept(12, "Tom's '季报' 发布", "第一行\r\n它说:'好' \\ 结束");
        // A GBK character whose second byte is a backslash, right before a quote.
        reception.Accept(13, std::string("\x95\x5c'", 3) + "end", "x");
        ASSERT_TRUE(reception.intake->WaitUntilDrained(20000));
        EXPECT_EQ(reception.intake->WrittenCount(), 2);
    }
    EXPECT_EQ(handOff->Database().FailedCount(), 0);
    EXPECT_EQ(handOff->Database().SavedCount(), 2);
    const auto rows = Rows("select id, url, title, time, website, category, region, trade, "
                           "content, stocks from news order by id");
    ASSERT_EQ(rows.size(), 3u);  // the content's line break splits the first row in two
    EXPECT_EQ(rows[0], "12\thttp://x/12\tTom's '季报' 发布\t2024-3-5 9:8:7\t3\t10001\t110|\t05|\t第一行\r");
    EXPECT_EQ(rows[1], "它说:'好' \\ 结束\t600101|");
    EXPECT_EQ(rows[2], "13\thttp://x/13\t" + std::string("\x95\x5c'") +
                           "end\t2024-3-5 9:8:7\t3\t10001\t110|\t05|\tx\t600101|");
}

TEST_F(DatabaseExportTest, StockRefreshCallsTheProcedureWithCodeNameTradeAliases) {
    DatabaseExport database({ReadDataSource(), &window_, 0});
    const std::string body =
        "ID:600101\nNAME:华岳银行\nALIAS:HYYH,华岳\nTRADE:01\n\x80\x80"
        "ID:600102\nALIAS:nameless\nTRADE:02\n\x80\x80"
        "ID:600103\nNAME:O'Neil\nALIAS:\nTRADE:03\n\x80\x80";
    std::filesystem::create_directories(Home() + "Data");
    const int written = reference::WriteStockTable(
        Home() + "Data/stocktbl.tab", body, "",
        [&](std::string_view code, std::string_view name, std::string_view trade,
            std::string_view aliases) { database.UpdateStockName(code, name, trade, aliases); });
    EXPECT_EQ(written, 3);
    EXPECT_EQ(Rows("select code, name, trade, aliases from stocks order by seq"),
              (std::vector<std::string>{"600101\t华岳银行\t01\tHYYH,华岳", "600103\tO'Neil\t03\t"}));
}

TEST_F(DatabaseExportTest, TestOfTheDataSourceReportsBothWays) {
    EXPECT_TRUE(DataSourceForm::IsSuccess(DataSourceForm().Test()));
    StoreDataSource({"NoSuchSource", "postgres", ""});
    EXPECT_EQ(DataSourceForm().Test(), DataSourceForm::FailureMessage());
}

TEST_F(DatabaseExportTest, ConnectionRunsStatementsAndReadsValues) {
    DbConnection c;
    ASSERT_EQ(c.Connect(kDataSource, "postgres", ""), kDbOk);
    EXPECT_TRUE(c.Connected());
    std::string value;
    EXPECT_EQ(c.QueryValue("select '  七 '", value), kDbOk);
    EXPECT_EQ(value, "七");
    EXPECT_EQ(c.QueryValue("select null", value), kDbOk);
    EXPECT_EQ(value, "");
    EXPECT_EQ(c.Execute("insert into stocks (code) values ('x')"), kDbOk);
    EXPECT_EQ(c.Commit(), kDbOk);
    EXPECT_EQ(c.QueryValue("select count(*) from stocks", value), kDbOk);
    EXPECT_EQ(value, "1");
    EXPECT_EQ(c.DeleteAll("stocks"), kDbOk);
    EXPECT_EQ(c.QueryValue("select count(*) from stocks", value), kDbOk);
    EXPECT_EQ(value, "0");
    EXPECT_EQ(c.Execute("select * from no_such_table"), kDbError);
    EXPECT_FALSE(c.LastFailureLostConnection());  // refused, not lost
    c.Disconnect();
    EXPECT_FALSE(c.Connected());
}

TEST_F(DatabaseExportTest, ItemConvertedByHandBecomesARow) {
    DatabaseExport database({ReadDataSource(), &window_, 0});
    store::NewsItem item;
    item.newsId = 77;
    item.title = "手工";
    EXPECT_EQ(SaveItemByHand(database, item), kDbOk);
    item.category = "123456789012";  // does not fit the transfer record
    EXPECT_EQ(SaveItemByHand(database, item), kDbError);
    EXPECT_EQ(Rows("select id, title from news"), std::vector<std::string>{"77\t手工"});
}

TEST_F(DatabaseExportTest, StoredItemsAndAnEditedItemGoToTheDatabaseByHand) {
    DatabaseExport database({ReadDataSource(), &window_, 0});
    const std::string content = Home() + "CONTENT/";
    const std::string folder = store::ResolveFolder(content, store::kFolderPublic);
    std::filesystem::create_directories(folder);
    for (int id : {41, 42}) {
        store::NewsItem item;
        item.newsId = id;
        item.title = "存档" + std::to_string(id);
        item.timeText = "2024-3-5 9:8:7";
        item.content = "正文";
        ASSERT_GE(store::AppendItem(folder, "10001", item, ""), 0);
    }
    reference::RefList websites;
    const StoredConversion done =
        SaveStoredItems(database, websites, content, store::kFolderPublic, "10001", {41, 42, 43});
    EXPECT_EQ(done.converted, 2);
    EXPECT_EQ(done.missing, std::vector<std::int32_t>{43});
    EXPECT_TRUE(done.files.empty());

    // The edit dialog's database form saves the edited title; without a database it says so.
    store::NewsRecord record;
    std::string text;
    ASSERT_GE(store::ReadItem(folder, "10001", 41, record, text), 0);
    NewsEditForm form(store::kFolderPublic, "10001", record, text);
    form.title = "改过的";
    reference::ReferenceTables tables;
    ConversionSettings settings;
    EXPECT_FALSE(form.Convert(settings, tables, kFormatDatabase, nullptr).close);
    EXPECT_EQ(form.Convert(settings, tables, kFormatDatabase, nullptr).message.text,
              "新闻保存到数据库失败!");
    const NewsEditForm::Outcome out = form.Convert(settings, tables, kFormatDatabase, &database);
    EXPECT_TRUE(out.close);
    EXPECT_EQ(out.message.text, "转换新闻成功!");
    EXPECT_EQ(Rows("select id, title, category from news order by title"),
              (std::vector<std::string>{"41\t存档41\t10001", "42\t存档42\t10001",
                                        "41\t改过的\t10001"}));
}

TEST_F(DatabaseExportTest, RestartedServerIsReconnectedWithoutLosingAnItem) {
    auto handOff = HandOff(Home(), window_);
    Reception reception(Home(), *handOff);
    reception.Accept(1, "a", "a");
    ASSERT_TRUE(reception.intake->WaitUntilDrained(20000));
    ASSERT_TRUE(Server().Stop());
    std::string error;
    ASSERT_TRUE(Server().Restart(error)) << error;
    reception.Accept(2, "b", "b");
    ASSERT_TRUE(reception.intake->WaitUntilDrained(20000));
    EXPECT_EQ(Rows("select id from news order by id"), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(handOff->Database().FailedCount(), 0);
    EXPECT_TRUE(window_.Messages().empty());
}

TEST_F(DatabaseExportTest, KilledServerLosesNoFiledNewsAndIsReported) {
    auto handOff = HandOff(Home(), window_);
    Reception reception(Home(), *handOff);
    for (int id = 1; id <= 3; ++id) reception.Accept(id, "t", "c");
    ASSERT_TRUE(reception.intake->WaitUntilDrained(20000));
    ASSERT_TRUE(Server().Kill());
    for (int id = 4; id <= 7; ++id) reception.Accept(id, "t", "c");
    ASSERT_TRUE(reception.intake->WaitUntilDrained(20000));

    // Every item is in its news file; the four the database missed are counted and reported.
    int filed = store::ListRecords(Home() + "content/News/", "10001",
                                   [](const store::NewsRecord&) {});
    EXPECT_EQ(filed, 7);
    EXPECT_EQ(reception.intake->WrittenCount(), 7);
    EXPECT_EQ(handOff->Database().FailedCount(), 4);
    EXPECT_EQ(window_.Messages(), std::vector<std::string>{DatabaseExport::FailureMessage()});
    EXPECT_EQ(window_.status.back(), std::make_pair(0, DatabaseExport::NotSavedText(4)));

    // Back again: the next item reconnects.
    std::string error;
    ASSERT_TRUE(Server().Restart(error)) << error;
    reception.Accept(8, "t", "c");
    ASSERT_TRUE(reception.intake->WaitUntilDrained(20000));
    EXPECT_EQ(Rows("select id from news order by id"),
              (std::vector<std::string>{"1", "2", "3", "8"}));
    EXPECT_EQ(handOff->Database().FailedCount(), 4);
}

}  // namespace
}  // namespace brevio::conversion
