// One NSP exchange with the news server: read the proxy settings, create and connect a
// socket, send the request in one piece, read the reply until the server closes, close.
//
// Every exchange reads the six proxy values from the registry again, so a change applies to
// the next exchange. The server endpoint is copied once at the start of an exchange.
//
// Besides the time-out of each socket call, an exchange as a whole has a time limit (the
// endpoint's exchangeTimeoutSeconds, setting ExchangeTimeout): a server that keeps sending a
// byte now and then can hold a connection no longer than that. Each socket call waits at most
// for what is left of it, rounded up to whole seconds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include "net/nsp_message.h"
#include "net/proxy_socket.h"

namespace brevio::platform {
class ManualResetEvent;
}
namespace brevio::settings {
struct AppSettings;
}

namespace brevio::net {

struct Endpoint {
    std::string host;
    int port = 0;
    int exchangeTimeoutSeconds = 0;  // the time limit of one whole exchange
};

// The news server's host and port as the running program uses them, and the time limit of
// one exchange with it. Written by the settings dialog while exchanges read it: both go
// through a lock and readers get a copy.
class ServerEndpoint {
  public:
    static constexpr std::size_t kMaxHostBytes = 255;

    ServerEndpoint();  // the built-in server
    ServerEndpoint(std::string_view host, int port);
    explicit ServerEndpoint(const settings::AppSettings& settings);

    Endpoint Get() const;
    // Hosts longer than 255 bytes are cut. The time limit stays.
    void Set(std::string_view host, int port);
    // Values of 0 or less give the built-in limit (ten minutes).
    void SetExchangeTimeout(int seconds);

  private:
    mutable std::mutex mutex_;
    Endpoint value_;
};

// The proxy values ProxyMode, ProxyHost, ProxyPort, ProxyUser, ProxyPwd and ProxyAuth as they
// are now in the registry (missing ones are written with their defaults).
ProxySettings ReadProxySettings();

// Time-outs: connecting always gets the socket's default; whole-reply exchanges then wait
// at most 12 seconds per read, news exchanges keep the default. Any of them is shortened to
// what is left of the exchange's time limit.
inline constexpr int kConnectTimeoutSeconds = CProxySocket::kDefaultTimeoutSeconds;
inline constexpr int kWholeReplyTimeoutSeconds = 12;
inline constexpr int kNewsTimeoutSeconds = CProxySocket::kDefaultTimeoutSeconds;
// Read sizes.
inline constexpr std::size_t kWholeReplyChunkBytes = 255;
inline constexpr std::size_t kNewsChunkBytes = 1023;
// A whole reply larger than this is refused (result -1) rather than held in memory.
inline constexpr std::size_t kMaxWholeReplyBytes = std::size_t{16} << 20;

struct ExchangeResult {
    int code = result::kMemory;   // 0 or a negative result code (see ResultText)
    std::string reply;            // what the server sent
    bool complete = false;        // the reply ended with the server's close
    bool timedOut = false;        // a read was abandoned for the time-out
    bool deadlinePassed = false;  // the exchange's time limit ended it
};

// Sends the request and reads the reply whole, in reads of at most 255 bytes, with the 12
// second time-out. Results: 0 (the reply, complete or not, is in `reply`), -1 for an empty
// request or a reply above kMaxWholeReplyBytes, -3 no socket, -4 no connection. A read
// ending on a time-out or error, and the exchange's time limit, end the reply (complete
// stays false).
ExchangeResult RunWholeReplyExchange(const ServerEndpoint& server, std::string_view request,
                                     const platform::ManualResetEvent* stop = nullptr);

// ADDSITE. The proposal succeeded when the result is 0 and SiteProposalAccepted(reply).
ExchangeResult SendSiteProposal(const ServerEndpoint& server, const SiteProposalInput& input);

struct NspCredentials {
    std::string userId;
    std::string password;
};

// UPDATE_CATEGORY for one list type; `cat` and `catId` only matter for "catwebsites" (an
// empty catId sends no CATID line). Results as RunWholeReplyExchange, except that a reply cut
// short by a time-out or a read error gives -2: a partial list must not be taken for the
// whole one (the part that arrived stays in `reply`).
ExchangeResult FetchReferenceList(const ServerEndpoint& server, const NspCredentials& user,
                                  std::string_view type, std::int64_t lastUpdate,
                                  std::string_view cat = {}, std::string_view catId = {});

// ---- News exchange --------------------------------------------------------------------------

enum class NewsExchangeStep { kConnecting, kSending };

struct NewsExchangeHandlers {
    // Optional: called before connecting and before sending (for status texts).
    std::function<void(NewsExchangeStep)> onStep;
    // Called with each chunk of at most 1023 bytes as it arrives, starting with the first one
    // (which holds the status line). Returning false ends the reading.
    std::function<bool(std::string_view chunk)> onChunk;
};

struct NewsExchangeOutcome {
    // 0 at least one chunk was handed on (the flags tell how the reply ended), -1 empty
    // request or no chunk handler, -2 the request could not be sent or no byte arrived
    // (also when a stop or time-out came first), -3 no socket, -4 no connection.
    int code = result::kMemory;
    std::size_t chunks = 0;
    std::size_t bytes = 0;
    bool closedByServer = false;  // the normal end
    bool endedByHandler = false;  // onChunk returned false
    bool stopped = false;         // the stop event ended the exchange
    bool timedOut = false;        // a read was abandoned for the time-out
    bool deadlinePassed = false;  // the exchange's time limit ended it
    bool readError = false;       // a read failed otherwise

    // The reply broke off: a read failed, timed out or ran into the time limit.
    bool BrokenOff() const { return readError || timedOut || deadlinePassed; }
};

// Runs a TRANSFER_NEWS exchange with the 120 second time-out per read and the endpoint's time
// limit for the whole. The stop event, when given, is looked at before each chunk is handed
// on and while any call blocks; once set, no further chunk is delivered.
NewsExchangeOutcome RunNewsExchange(const ServerEndpoint& server, std::string_view request,
                                    const NewsExchangeHandlers& handlers,
                                    const platform::ManualResetEvent* stop = nullptr);

}  // namespace brevio::net
