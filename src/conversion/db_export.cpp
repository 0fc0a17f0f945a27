#include "conversion/db_export.h"

#include <time.h>

#include "conversion/export_settings.h"
#include "platform/host.h"
#include "platform/text.h"
#include "settings/registry_values.h"

namespace brevio::conversion {
namespace {

long long MonotonicMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

std::string Quoted(std::string_view text) {
    return "'" + QuoteSqlText(text) + "'";
}

std::optional<std::string> Fitting(std::string statement) {
    if (statement.size() > kMaxStatementBytes) return std::nullopt;
    return statement;
}

}  // namespace

DataSource ReadDataSource() {
    namespace k = keys;
    return {settings::ReadString(k::kDataResource, ""), settings::ReadString(k::kDataUserName, ""),
            settings::ReadString(k::kDataPassWord, "")};
}

void StoreDataSource(const DataSource& source) {
    namespace k = keys;
    settings::WriteString(k::kDataResource, source.name);
    settings::WriteString(k::kDataUserName, source.user);
    settings::WriteString(k::kDataPassWord, source.password);
}

std::string QuoteSqlText(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (char c : text) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out;
}

std::optional<std::string> SaveNewsStatement(const store::NewsItem& item) {
    std::string s = "{CALL spSaveClientNews(" + std::to_string(item.newsId) + ",";
    s += Quoted(item.url) + "," + Quoted(item.title) + "," + Quoted(item.timeText) + ",";
    s += std::to_string(item.websiteId) + ",";
    s += Quoted(item.category) + "," + Quoted(item.region) + "," + Quoted(item.trade) + ",";
    s += Quoted(item.content) + "," + Quoted(item.relatedStocks) + ")}";
    return Fitting(std::move(s));
}

std::optional<std::string> UpdateStockStatement(std::string_view code, std::string_view name,
                                                std::string_view trade, std::string_view aliases) {
    return Fitting("{CALL spUpdateStockNameID(" + Quoted(code) + "," + Quoted(name) + "," +
                   Quoted(trade) + "," + Quoted(aliases) + ")}");
}

DatabaseExport::DatabaseExport(Options options)
    : options_(std::move(options)), connection_(options_.window) {}

void DatabaseExport::SetDataSource(const DataSource& source) {
    std::lock_guard lock(mutex_);
    options_.source = source;
    nextConnectMs_ = 0;
}

DataSource DatabaseExport::Source() const {
    std::lock_guard lock(mutex_);
    return options_.source;
}

int DatabaseExport::Connect() {
    DataSource source = Source();
    return connection_.Connect(source.name, source.user, source.password);
}

std::string DatabaseExport::NotSavedText(int failed) {
    return platform::Format("%d条新闻未能保存到数据库", failed);
}

std::string DatabaseExport::FailureMessage() {
    return "新闻无法保存到数据库,请检查数据源配置和数据库服务器!(详见 c:\\Tidewell\\ErrorDB2.log)";
}

// Under mutex_: connects when not connected, unless a connect failed a moment ago.
bool DatabaseExport::EnsureConnected() {
    if (connection_.Connected()) return true;
    const long long now = MonotonicMs();
    if (now < nextConnectMs_) return false;
    if (connection_.Connect(options_.source.name, options_.source.user,
                            options_.source.password) == kDbOk) {
        nextConnectMs_ = 0;
        return true;
    }
    nextConnectMs_ = now + options_.reconnectPauseMs;
    return false;
}

int DatabaseExport::Run(const std::string& statement) {
    std::lock_guard lock(mutex_);
    if (!EnsureConnected()) {
        LogDatabaseFailure(statement, "not connected to the data source " + options_.source.name);
        return kDbError;
    }
    if (connection_.Execute(statement) == kDbOk) return kDbOk;
    if (!connection_.LastFailureLostConnection()) return kDbError;
    // The connection is gone (the server restarted, the network broke): one reconnect with
    // the stored data source, then the statement once more.
    connection_.Disconnect();
    nextConnectMs_ = 0;
    if (!EnsureConnected()) return kDbError;
    return connection_.Execute(statement);
}

void DatabaseExport::ReportFailure() {
    const int failed = ++failed_;
    if (!options_.window) return;
    options_.window->StatusText(0, NotSavedText(failed));
    bool first = false;
    {
        std::lock_guard lock(mutex_);
        first = !streak_;
        streak_ = true;
    }
    if (first) {
        options_.window->Message(FailureMessage(), "Brevio提示",
                                 platform::MessageBoxSink::kWarning);
    }
}

int DatabaseExport::SaveNewsRow(const store::NewsItem& item) {
    std::optional<std::string> statement = SaveNewsStatement(item);
    if (!statement) {
        LogDatabaseFailure(platform::Format("spSaveClientNews: news %d", item.newsId),
                           "the statement is longer than 10239 bytes; the item was not saved");
        ReportFailure();
        return kDbError;
    }
    if (Run(*statement) != kDbOk) {
        ReportFailure();
        return kDbError;
    }
    ++saved_;
    std::lock_guard lock(mutex_);
    streak_ = false;
    return kDbOk;
}

int DatabaseExport::UpdateStockName(std::string_view code, std::string_view name,
                                    std::string_view trade, std::string_view aliases) {
    std::optional<std::string> statement = UpdateStockStatement(code, name, trade, aliases);
    if (!statement || statement->empty()) return kDbError;
    return Run(*statement);
}

}  // namespace brevio::conversion
