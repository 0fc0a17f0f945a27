// The database format of the conversion: each received item becomes a row of the user's
// database through its procedure spSaveClientNews, and a stock-list refresh keeps the
// database's stock names current through spUpdateStockNameID. The database, its tables and
// the procedures' bodies are the user's own; only the calls are fixed here.
//
// Every text placed between single quotes has its single quotes doubled, so that no value
// can end its literal early. A statement longer than 10239 bytes is not executed.
#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "conversion/db_connection.h"
#include "store/news_item.h"

namespace brevio::platform {
class MainWindowSink;
}

namespace brevio::conversion {

inline constexpr std::size_t kMaxStatementBytes = 10239;

// The data source of the database conversion: pxDataResource, pxDataUserName,
// pxDataPassWord (the password is stored as plain text).
struct DataSource {
    std::string name;
    std::string user;
    std::string password;
    bool Empty() const { return name.empty(); }
    bool operator==(const DataSource&) const = default;
};
DataSource ReadDataSource();
void StoreDataSource(const DataSource& source);

// A text with every single quote doubled.
std::string QuoteSqlText(std::string_view text);

// {CALL spSaveClientNews(id,'url','title','time',website,'category','region','trade',
// 'content','related stocks')}; nothing when the statement would exceed kMaxStatementBytes.
std::optional<std::string> SaveNewsStatement(const store::NewsItem& item);

// {CALL spUpdateStockNameID('code','name','trade','aliases')} (the aliases come last here,
// while the stock table file has them before the trade).
std::optional<std::string> UpdateStockStatement(std::string_view code, std::string_view name,
                                                std::string_view trade, std::string_view aliases);

// The shared connection of the running client, with what the database conversion adds to a
// bare connection: it connects with the stored data source before its first statement,
// reconnects once when a statement finds the connection gone (a restarted or unreachable
// database server), and counts the items that could not be saved so that the front end can
// say so. After a failed connect it waits a while before it tries again, so that a database
// that is down does not hold up the store writer for every item.
class DatabaseExport {
  public:
    struct Options {
        DataSource source;
        // Status texts and the message of a failure streak; may be null.
        platform::MainWindowSink* window = nullptr;
        int reconnectPauseMs = 30000;
    };

    explicit DatabaseExport(Options options);
    DatabaseExport(const DatabaseExport&) = delete;
    DatabaseExport& operator=(const DatabaseExport&) = delete;

    // Replaces the data source (after the data-source dialog); the next statement connects
    // with it.
    void SetDataSource(const DataSource& source);
    DataSource Source() const;

    // Connects now with the data source; kDbOk or kDbError.
    int Connect();

    // The database conversion of one item; kDbOk, or kDbError when the row could not be
    // saved (counted, shown in status pane 0, logged).
    int SaveNewsRow(const store::NewsItem& item);
    // The stock-name procedure for one stock. A failure is logged and stops nothing; it does
    // not count among the items.
    int UpdateStockName(std::string_view code, std::string_view name, std::string_view trade,
                        std::string_view aliases);

    int SavedCount() const { return saved_.load(); }
    int FailedCount() const { return failed_.load(); }
    DbConnection& Connection() { return connection_; }

    // The status text after a failed item: "%d条新闻未能保存到数据库".
    static std::string NotSavedText(int failed);
    // The message at the start of a failure streak.
    static std::string FailureMessage();

  private:
    int Run(const std::string& statement);
    bool EnsureConnected();
    void ReportFailure();

    Options options_;
    DbConnection connection_;
    mutable std::mutex mutex_;  // data source, reconnect decisions
    long long nextConnectMs_ = 0;
    bool streak_ = false;  // failing since the last success
    std::atomic<int> saved_{0};
    std::atomic<int> failed_{0};
};

}  // namespace brevio::conversion
