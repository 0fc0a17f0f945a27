#include "net/exchange.h"

#include <time.h>

#include <algorithm>

#include "platform/event.h"
#include "settings/app_settings.h"
#include "settings/keys.h"
#include "settings/registry_values.h"

namespace brevio::net {

namespace keys = settings::keys;

namespace {

long long NowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// The time limit of one exchange, counted from its start on the monotonic clock.
class ExchangeDeadline {
  public:
    explicit ExchangeDeadline(int seconds)
        : endMs_(NowMs() + static_cast<long long>(std::max(seconds, 1)) * 1000) {}

    bool Passed() const { return NowMs() >= endMs_; }

    // The time-out for the next socket call: its own, or what is left of the exchange when
    // that is less (whole seconds, rounded up, at least one).
    int Limit(int callSeconds) const {
        const long long leftMs = std::max(endMs_ - NowMs(), 0LL);
        const long long leftSeconds = std::max((leftMs + 999) / 1000, 1LL);
        if (callSeconds < 0 || leftSeconds < callSeconds) return static_cast<int>(leftSeconds);
        return callSeconds;
    }

  private:
    long long endMs_;
};

// Steps 1-3 of every exchange: proxy values, socket, connection (under the default time-out,
// or less when the exchange's time limit is nearer).
int OpenConnection(const Endpoint& target, const ExchangeDeadline& deadline, CProxySocket& socket,
                   const platform::ManualResetEvent* stop) {
    socket.ConfigureProxy(ReadProxySettings());
    socket.SetStopEvent(stop);
    if (!socket.Create()) return result::kCannotCreateSocket;
    socket.SetTimeout(deadline.Limit(kConnectTimeoutSeconds));
    if (!socket.Connect(target.host, target.port)) {
        socket.Close();
        return result::kCannotConnect;
    }
    return result::kSuccess;
}

// A call that timed out ran into the exchange's time limit when that has passed too.
void NoteTimeOut(const CProxySocket& socket, const ExchangeDeadline& deadline, bool& timedOut,
                 bool& deadlinePassed) {
    if (!socket.TimedOut()) return;
    if (deadline.Passed()) {
        deadlinePassed = true;
    } else {
        timedOut = true;
    }
}

}  // namespace

ServerEndpoint::ServerEndpoint()
    : ServerEndpoint(keys::kBuiltInServerHost, keys::kBuiltInServerPort) {}

ServerEndpoint::ServerEndpoint(std::string_view host, int port) {
    Set(host, port);
    SetExchangeTimeout(keys::kBuiltInExchangeTimeout);
}

ServerEndpoint::ServerEndpoint(const settings::AppSettings& settings)
    : ServerEndpoint(settings.serverHost, settings.serverPort) {
    SetExchangeTimeout(settings.exchangeTimeout);
}

Endpoint ServerEndpoint::Get() const {
    std::lock_guard lock(mutex_);
    return value_;
}

void ServerEndpoint::Set(std::string_view host, int port) {
    std::string next(host.substr(0, kMaxHostBytes));
    std::lock_guard lock(mutex_);
    value_.host = std::move(next);
    value_.port = port;
}

void ServerEndpoint::SetExchangeTimeout(int seconds) {
    std::lock_guard lock(mutex_);
    value_.exchangeTimeoutSeconds = seconds > 0 ? seconds : keys::kBuiltInExchangeTimeout;
}

ProxySettings ReadProxySettings() {
    ProxySettings s;
    s.mode = settings::ReadInt(keys::kProxyMode, keys::kProxyModeDefault);
    s.host = settings::ReadString(keys::kProxyHost, "");
    s.port = settings::ReadInt(keys::kProxyPort, keys::kProxyPortDefault);
    s.user = settings::ReadString(keys::kProxyUser, "");
    s.password = settings::ReadString(keys::kProxyPwd, "");
    s.authenticate = settings::ReadInt(keys::kProxyAuth, keys::kProxyAuthDefault) != 0;
    return s;
}

ExchangeResult RunWholeReplyExchange(const ServerEndpoint& server, std::string_view request,
                                     const platform::ManualResetEvent* stop) {
    ExchangeResult out;
    if (request.empty()) return out;  // -1: no request
    const Endpoint target = server.Get();
    const ExchangeDeadline deadline(target.exchangeTimeoutSeconds);
    CProxySocket socket;
    out.code = OpenConnection(target, deadline, socket, stop);
    if (out.code != result::kSuccess) return out;

    socket.SetTimeout(deadline.Limit(kWholeReplyTimeoutSeconds));
    if (socket.Send(request) < 0) {
        // Nothing can come back for a request that did not get out; the reply stays empty.
        NoteTimeOut(socket, deadline, out.timedOut, out.deadlinePassed);
        socket.Close();
        return out;
    }
    char chunk[kWholeReplyChunkBytes];
    for (;;) {
        if (deadline.Passed()) {
            out.deadlinePassed = true;
            break;
        }
        socket.SetTimeout(deadline.Limit(kWholeReplyTimeoutSeconds));
        long n = socket.Receive(chunk, sizeof chunk);
        if (n == 0) {
            out.complete = true;
            break;
        }
        if (n < 0) {
            NoteTimeOut(socket, deadline, out.timedOut, out.deadlinePassed);
            break;
        }
        if (out.reply.size() + static_cast<std::size_t>(n) > kMaxWholeReplyBytes) {
            out.code = result::kMemory;
            out.reply.clear();
            break;
        }
        out.reply.append(chunk, static_cast<std::size_t>(n));
    }
    socket.Close();
    return out;
}

ExchangeResult SendSiteProposal(const ServerEndpoint& server, const SiteProposalInput& input) {
    return RunWholeReplyExchange(server, BuildSiteProposalRequest(input));
}

ExchangeResult FetchReferenceList(const ServerEndpoint& server, const NspCredentials& user,
                                  std::string_view type, std::int64_t lastUpdate,
                                  std::string_view cat, std::string_view catId) {
    if (type.empty()) return ExchangeResult{};  // -1: no request
    ReferenceListRequestInput in;
    in.userId = user.userId;
    in.password = user.password;
    in.type = std::string(type);
    in.lastUpdate = lastUpdate;
    in.cat = std::string(cat);
    in.catId = std::string(catId);
    ExchangeResult out = RunWholeReplyExchange(server, BuildReferenceListRequest(in));
    if (out.code == result::kSuccess && !out.complete) out.code = result::kNetworkKernel;
    return out;
}

NewsExchangeOutcome RunNewsExchange(const ServerEndpoint& server, std::string_view request,
                                    const NewsExchangeHandlers& handlers,
                                    const platform::ManualResetEvent* stop) {
    NewsExchangeOutcome out;
    if (request.empty() || !handlers.onChunk) return out;  // -1
    auto step = [&](NewsExchangeStep s) {
        if (handlers.onStep) handlers.onStep(s);
    };

    const Endpoint target = server.Get();
    const ExchangeDeadline deadline(target.exchangeTimeoutSeconds);
    CProxySocket socket;
    step(NewsExchangeStep::kConnecting);
    out.code = OpenConnection(target, deadline, socket, stop);
    if (out.code != result::kSuccess) {
        out.stopped = socket.Stopped();
        NoteTimeOut(socket, deadline, out.timedOut, out.deadlinePassed);
        return out;
    }

    step(NewsExchangeStep::kSending);
    socket.SetTimeout(deadline.Limit(kNewsTimeoutSeconds));
    if (socket.Send(request) < 0) {
        out.code = result::kNetworkKernel;
        out.stopped = socket.Stopped();
        NoteTimeOut(socket, deadline, out.timedOut, out.deadlinePassed);
        socket.Close();
        return out;
    }

    char chunk[kNewsChunkBytes];
    for (;;) {
        if (deadline.Passed()) {
            out.deadlinePassed = true;
            break;
        }
        socket.SetTimeout(deadline.Limit(kNewsTimeoutSeconds));
        long n = socket.Receive(chunk, sizeof chunk);
        if (n == 0) {
            out.closedByServer = true;
            break;
        }
        if (n < 0) {
            out.stopped = socket.Stopped();
            NoteTimeOut(socket, deadline, out.timedOut, out.deadlinePassed);
            out.readError = !out.stopped && !out.timedOut && !out.deadlinePassed;
            break;
        }
        if (stop && stop->IsSet()) {
            out.stopped = true;
            break;
        }
        ++out.chunks;
        out.bytes += static_cast<std::size_t>(n);
        if (!handlers.onChunk(std::string_view(chunk, static_cast<std::size_t>(n)))) {
            out.endedByHandler = true;
            break;
        }
    }
    socket.Close();
    if (out.chunks == 0) out.code = result::kNetworkKernel;
    return out;
}

}  // namespace brevio::net
