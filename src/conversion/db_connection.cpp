#include "conversion/db_connection.h"

#include <sql.h>
#include <sqlext.h>

#include <cstring>
#include <vector>

#include "platform/clock.h"
#include "platform/error_log.h"
#include "platform/fs.h"
#include "platform/host.h"
#include "platform/text.h"

namespace brevio::conversion {
namespace {

// The shared environment and its use count.
std::mutex gEnvMutex;
SQLHENV gEnv = SQL_NULL_HENV;
int gEnvUsers = 0;

// Entries of several threads must not interleave inside the log.
std::mutex gLogMutex;

SQLHENV AcquireEnvironment() {
    std::lock_guard lock(gEnvMutex);
    if (gEnv == SQL_NULL_HENV) {
        SQLHENV env = SQL_NULL_HENV;
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env))) {
            return SQL_NULL_HENV;
        }
        SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        gEnv = env;
    }
    ++gEnvUsers;
    return gEnv;
}

void ReleaseEnvironment() {
    std::lock_guard lock(gEnvMutex);
    if (gEnvUsers > 0 && --gEnvUsers == 0 && gEnv != SQL_NULL_HENV) {
        SQLFreeHandle(SQL_HANDLE_ENV, gEnv);
        gEnv = SQL_NULL_HENV;
    }
}

struct Diagnostic {
    bool present = false;
    std::string state;
    std::string message;
};

Diagnostic FirstDiagnostic(SQLSMALLINT type, SQLHANDLE handle) {
    Diagnostic d;
    if (handle == SQL_NULL_HANDLE) return d;
    SQLCHAR state[6] = {};
    SQLINTEGER native = 0;
    std::vector<SQLCHAR> message(kDiagnosticMessageMax + 1);
    SQLSMALLINT length = 0;
    SQLRETURN rc = SQLGetDiagRec(type, handle, 1, state, &native, message.data(),
                                 static_cast<SQLSMALLINT>(message.size()), &length);
    if (!SQL_SUCCEEDED(rc)) return d;
    d.present = true;
    d.state.assign(reinterpret_cast<const char*>(state));
    const char* text = reinterpret_cast<const char*>(message.data());
    d.message.assign(text, strnlen(text, kDiagnosticMessageMax));
    return d;
}

// Logs the first diagnostic of the handle under `context`; returns the diagnostic's state.
std::string LogDiagnostic(SQLSMALLINT type, SQLHANDLE handle, std::string_view context) {
    Diagnostic d = FirstDiagnostic(type, handle);
    if (d.present) LogDatabaseFailure(context, d.message);
    return d.state;
}

bool StateMeansLostConnection(std::string_view state) {
    return state.starts_with("08") || state == "57P01" || state == "57P02" || state == "57P03" ||
           state == "HYT01";
}

}  // namespace

#if defined(__SANITIZE_ADDRESS__)
// The ODBC driver manager and the PostgreSQL driver keep a few allocations of their own to the
// end of the process; the leak check of a program that loads them leaves those out.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libodbc.so\nleak:libodbcinst.so\nleak:psqlodbca.so\nleak:psqlodbcw.so\n";
}
#endif

bool LogDatabaseFailure(std::string_view context, std::string_view message) {
    const platform::LocalTime t = platform::Now();
    std::string entry = platform::Format("#### Write At %d-%d-%d %d:%d:%d ####\r\n", t.year,
                                         t.month, t.day, t.hour, t.minute, t.second);
    entry += context;
    entry += "\r\nError Description: ";
    entry += message;
    entry += "\r\n########### End to Write ###########\r\n";

    std::lock_guard lock(gLogMutex);
    const std::string path = platform::DatabaseErrorLogPath();
    std::size_t slash = path.rfind('/');
    if (slash != std::string::npos) platform::CreateFolders(path.substr(0, slash + 1));
    platform::File f;
    return f.Open(path, platform::File::kAppend) && f.Write(entry);
}

std::string EnvironmentErrorText() {
    return "Alloc Database Env Error!!!";
}

std::string EnvironmentErrorTitle() {
    return "Tidewell Warnning";
}

DbConnection::DbConnection(platform::MainWindowSink* window) {
    env_ = AcquireEnvironment();
    if (!env_ && window) {
        window->Message(EnvironmentErrorText(), EnvironmentErrorTitle(),
                        platform::MessageBoxSink::kError);
    }
}

DbConnection::~DbConnection() {
    Disconnect();
    if (env_) ReleaseEnvironment();
}

int DbConnection::EnvironmentUsers() {
    std::lock_guard lock(gEnvMutex);
    return gEnvUsers;
}

void DbConnection::NoteFailure(std::string state) {
    lastLost_ = !connected_ || StateMeansLostConnection(state);
    lastState_ = std::move(state);
}

int DbConnection::Connect(std::string_view dataSource, std::string_view user,
                          std::string_view password) {
    Disconnect();
    std::lock_guard lock(mutex_);
    if (!env_) {
        NoteFailure({});
        return kDbError;
    }
    SQLHDBC dbc = SQL_NULL_HDBC;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, static_cast<SQLHENV>(env_), &dbc))) {
        NoteFailure(LogDiagnostic(SQL_HANDLE_ENV, env_, "SQLAllocConnect Error!!!"));
        return kDbError;
    }
    SQLSetConnectAttr(dbc, SQL_ATTR_LOGIN_TIMEOUT,
                      reinterpret_cast<SQLPOINTER>(static_cast<SQLLEN>(kLoginTimeoutSeconds)), 0);
    std::string dsn(dataSource), uid(user), pwd(password);
    SQLRETURN rc = SQLConnect(dbc, reinterpret_cast<SQLCHAR*>(dsn.data()), SQL_NTS,
                              reinterpret_cast<SQLCHAR*>(uid.data()), SQL_NTS,
                              reinterpret_cast<SQLCHAR*>(pwd.data()), SQL_NTS);
    if (!SQL_SUCCEEDED(rc)) {
        NoteFailure(LogDiagnostic(SQL_HANDLE_DBC, dbc, "SQLConnect Error: " + dsn));
        SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        return kDbError;
    }
    dbc_ = dbc;
    connected_ = true;
    lastState_.clear();
    lastLost_ = false;
    return kDbOk;
}

void DbConnection::Disconnect() {
    std::lock_guard lock(mutex_);
    if (!connected_) return;
    SQLDisconnect(static_cast<SQLHDBC>(dbc_));
    SQLFreeHandle(SQL_HANDLE_DBC, static_cast<SQLHDBC>(dbc_));
    dbc_ = nullptr;
    connected_ = false;
}

bool DbConnection::Connected() const {
    std::lock_guard lock(mutex_);
    return connected_;
}

int DbConnection::Execute(std::string_view sql) {
    std::lock_guard lock(mutex_);
    std::string text(sql);
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    if (!connected_ ||
        !SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, static_cast<SQLHDBC>(dbc_), &stmt))) {
        if (connected_) {
            NoteFailure(LogDiagnostic(SQL_HANDLE_DBC, dbc_, text));
        } else {
            LogDatabaseFailure(text, "not connected to the data source");
            NoteFailure({});
        }
        return kDbError;
    }
    SQLRETURN rc = SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(text.data()),
                                 static_cast<SQLINTEGER>(text.size()));
    int result = kDbOk;
    // SQL_NO_DATA: a searched statement that touched no row, which is no failure.
    if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
        NoteFailure(LogDiagnostic(SQL_HANDLE_STMT, stmt, text));
        result = kDbError;
    } else {
        lastState_.clear();
        lastLost_ = false;
    }
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return result;
}

int DbConnection::Commit() {
    if (!env_) return kDbError;
    return SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_ENV, static_cast<SQLHENV>(env_), SQL_COMMIT))
               ? kDbOk
               : kDbError;
}

int DbConnection::Rollback() {
    if (!env_) return kDbError;
    return SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_ENV, static_cast<SQLHENV>(env_), SQL_ROLLBACK))
               ? kDbOk
               : kDbError;
}

int DbConnection::DeleteAll(std::string_view table) {
    int rc = Execute("delete from " + std::string(table));
    Commit();
    return rc;
}

int DbConnection::QueryValue(std::string_view sql, std::string& out) {
    out.clear();
    std::lock_guard lock(mutex_);
    std::string text(sql);
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    if (!connected_ ||
        !SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, static_cast<SQLHDBC>(dbc_), &stmt))) {
        LogDatabaseFailure("GetTableColumnValue:  SQLAllocStmt Error!!!",
                           connected_ ? FirstDiagnostic(SQL_HANDLE_DBC, dbc_).message
                                      : std::string("not connected to the data source"));
        NoteFailure(connected_ ? FirstDiagnostic(SQL_HANDLE_DBC, dbc_).state : std::string());
        return kDbError;
    }
    int result = kDbError;
    SQLRETURN rc = SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(text.data()),
                                 static_cast<SQLINTEGER>(text.size()));
    if (!SQL_SUCCEEDED(rc)) {
        NoteFailure(LogDiagnostic(SQL_HANDLE_STMT, stmt,
                                  "GettableColumnValue--------->SQLExecDirect\r\nError SQL: " + text));
    } else {
        std::vector<char> buffer(kQueryValueMax + 1, '\0');
        SQLLEN indicator = 0;
        SQLBindCol(stmt, 1, SQL_C_CHAR, buffer.data(), static_cast<SQLLEN>(buffer.size()),
                   &indicator);
        rc = SQLFetch(stmt);
        if (SQL_SUCCEEDED(rc)) {
            if (indicator != SQL_NULL_DATA) {
                out = std::string(platform::TrimBlanks(std::string_view(buffer.data())));
            }
            lastState_.clear();
            lastLost_ = false;
            result = kDbOk;
        } else {
            NoteFailure(rc == SQL_NO_DATA ? std::string()
                                          : LogDiagnostic(SQL_HANDLE_STMT, stmt, text));
        }
    }
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return result;
}

std::string DbConnection::LastState() const {
    std::lock_guard lock(mutex_);
    return lastState_;
}

bool DbConnection::LastFailureLostConnection() const {
    std::lock_guard lock(mutex_);
    return lastLost_;
}

}  // namespace brevio::conversion
