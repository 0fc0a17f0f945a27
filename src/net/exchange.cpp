#include "net/exchange.h"

#include "platform/event.h"
#include "settings/app_settings.h"
#include "settings/keys.h"
#include "settings/registry_values.h"

namespace brevio::net {

namespace keys = settings::keys;

namespace {

// Steps 1-3 of every exchange: proxy values, socket, connection (under the default time-out).
int OpenConnection(const ServerEndpoint& server, CProxySocket& socket,
                   const platform::ManualResetEvent* stop) {
    socket.ConfigureProxy(ReadProxySettings());
    socket.SetStopEvent(stop);
    if (!socket.Create()) return result::kCannotCreateSocket;
    socket.SetTimeout(kConnectTimeoutSeconds);
    const Endpoint target = server.Get();
    if (!socket.Connect(target.host, target.port)) {
        socket.Close();
        return result::kCannotConnect;
    }
    return result::kSuccess;
}

}  // namespace

ServerEndpoint::ServerEndpoint()
    : ServerEndpoint(keys::kBuiltInServerHost, keys::kBuiltInServerPort) {}

ServerEndpoint::ServerEndpoint(std::string_view host, int port) {
    Set(host, port);
}

ServerEndpoint::ServerEndpoint(const settings::AppSettings& settings)
    : ServerEndpoint(settings.serverHost, settings.serverPort) {}

Endpoint ServerEndpoint::Get() const {
    std::lock_guard lock(mutex_);
    return value_;
}

void ServerEndpoint::Set(std::string_view host, int port) {
    Endpoint next{std::string(host.substr(0, kMaxHostBytes)), port};
    std::lock_guard lock(mutex_);
    value_ = std::move(next);
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
    CProxySocket socket;
    out.code = OpenConnection(server, socket, stop);
    if (out.code != result::kSuccess) return out;

    socket.SetTimeout(kWholeReplyTimeoutSeconds);
    if (socket.Send(request) < 0) {
        // Nothing can come back for a request that did not get out; the reply stays empty.
        out.timedOut = socket.TimedOut();
        socket.Close();
        return out;
    }
    char chunk[kWholeReplyChunkBytes];
    for (;;) {
        long n = socket.Receive(chunk, sizeof chunk);
        if (n == 0) {
            out.complete = true;
            break;
        }
        if (n < 0) {
            out.timedOut = socket.TimedOut();
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

    CProxySocket socket;
    step(NewsExchangeStep::kConnecting);
    out.code = OpenConnection(server, socket, stop);
    if (out.code != result::kSuccess) {
        out.stopped = socket.Stopped();
        out.timedOut = socket.TimedOut();
        return out;
    }
    socket.SetTimeout(kNewsTimeoutSeconds);

    step(NewsExchangeStep::kSending);
    if (socket.Send(request) < 0) {
        out.code = result::kNetworkKernel;
        out.stopped = socket.Stopped();
        out.timedOut = socket.TimedOut();
        socket.Close();
        return out;
    }

    char chunk[kNewsChunkBytes];
    for (;;) {
        long n = socket.Receive(chunk, sizeof chunk);
        if (n == 0) {
            out.closedByServer = true;
            break;
        }
        if (n < 0) {
            out.stopped = socket.Stopped();
            out.timedOut = socket.TimedOut();
            out.readError = !out.stopped && !out.timedOut;
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
