// One ODBC connection (unixODBC), the database error log, and the shared environment.
//
// Every DbConnection uses one ODBC environment (ODBC version 3) that the first object
// allocates and the last one frees; a use count keeps track. Statements run under the
// connection's own lock, so the store writer thread (database conversion) and the
// user-interface thread (stock-name updates) can share one connection.
//
// Failures are written to the database error log ("Tidewell/ErrorDB2.log" under the drive-c
// folder) with the driver's first diagnostic record, in the framed form of the error logs:
//   #### Write At y-m-d h:m:s ####\r\n<context>\r\nError Description: <message>\r\n
//   ########### End to Write ###########\r\n
#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>

namespace brevio::platform {
class MainWindowSink;
}

namespace brevio::conversion {

inline constexpr int kDbOk = 0;
inline constexpr int kDbError = -1;

// Seconds a connect may take before it gives up.
inline constexpr int kLoginTimeoutSeconds = 3;
// The longest value QueryValue returns (its column buffer holds one byte more).
inline constexpr std::size_t kQueryValueMax = 6095;
// The longest diagnostic message taken into the log.
inline constexpr std::size_t kDiagnosticMessageMax = 1022;

// Appends one framed entry "<context>\r\nError Description: <message>" to the database error
// log. True when written.
bool LogDatabaseFailure(std::string_view context, std::string_view message);

// The message and title shown when the ODBC environment cannot be allocated.
std::string EnvironmentErrorText();   // "Alloc Database Env Error!!!"
std::string EnvironmentErrorTitle();  // "Tidewell Warnning"

class DbConnection {
  public:
    // Takes a share of the environment. When it cannot be allocated, `window` (when given) is
    // shown the environment message; the object still exists and every call fails.
    explicit DbConnection(platform::MainWindowSink* window = nullptr);
    ~DbConnection();
    DbConnection(const DbConnection&) = delete;
    DbConnection& operator=(const DbConnection&) = delete;

    // Connects with a data source name, user and password (login time-out 3 seconds); success
    // with information counts as success. A connected object is disconnected first.
    int Connect(std::string_view dataSource, std::string_view user, std::string_view password);
    // Disconnects and frees the connection when connected.
    void Disconnect();
    bool Connected() const;

    // Executes one statement directly; kDbOk or kDbError (logged with the statement).
    int Execute(std::string_view sql);
    // Ends the transaction on the environment.
    int Commit();
    int Rollback();
    // "delete from <table>", then a commit.
    int DeleteAll(std::string_view table);
    // Executes and reads column 1 of the first row as text (at most kQueryValueMax bytes, a
    // NULL gives an empty text, blanks trimmed at both ends).
    int QueryValue(std::string_view sql, std::string& out);

    // The five-character state of the last failed call ("08S01", ...); empty when the last
    // call succeeded or the failure left no diagnostic.
    std::string LastState() const;
    // True when the last failure says the connection itself is gone (state class "08", a
    // server shutdown, a statement on an unconnected object), so a reconnect may help.
    bool LastFailureLostConnection() const;

    // Environment use count (for tests).
    static int EnvironmentUsers();

  private:
    void NoteFailure(std::string state);

    mutable std::mutex mutex_;  // held during each statement and around connect/disconnect
    void* env_ = nullptr;       // the shared environment (SQLHENV), null when unavailable
    void* dbc_ = nullptr;       // SQLHDBC while connected
    bool connected_ = false;
    std::string lastState_;
    bool lastLost_ = false;
};

}  // namespace brevio::conversion
