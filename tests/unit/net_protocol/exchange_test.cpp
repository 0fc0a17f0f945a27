// Exchanges with a loopback news server: whole replies, the news chunks, failures, the
// 12-second time-out, the time limit of a whole exchange, stops, and proxy values taken from
// the registry at every exchange.
#include "net/exchange.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "platform/event.h"
#include "settings/app_settings.h"
#include "settings/keys.h"
#include "settings/registry_values.h"
#include "support/temp_home.h"
#include "unit/net_protocol/loopback.h"

namespace brevio::net {
namespace {

namespace keys = settings::keys;
using test::LoopbackServer;
using test::ReadUntil;
using test::WriteAll;

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A server that reads the request up to its empty line and answers with the given pieces,
// pausing between them, then closes.
LoopbackServer::Handler Answer(std::vector<std::string> pieces, std::promise<std::string>* request,
                               int pauseMs = 0) {
    return [pieces = std::move(pieces), request, pauseMs](int fd) {
        std::string got = ReadUntil(fd, "\r\n\r\n");
        if (request) request->set_value(got);
        for (const auto& p : pieces) {
            WriteAll(fd, p);
            if (pauseMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
        }
    };
}

class ExchangeTest : public brevio::test::TempHomeTest {};

TEST_F(ExchangeTest, ServerEndpointHoldsACopy) {
    EXPECT_EQ(ServerEndpoint().Get().port, keys::kBuiltInServerPort);
    settings::AppSettings app;
    app.serverHost = "news.example.cn";
    app.serverPort = 6001;
    ServerEndpoint fromSettings(app);
    EXPECT_EQ(fromSettings.Get().host, "news.example.cn");
    EXPECT_EQ(fromSettings.Get().port, 6001);

    fromSettings.Set(std::string(300, 'h'), 7001);
    EXPECT_EQ(fromSettings.Get().host, std::string(ServerEndpoint::kMaxHostBytes, 'h'));
    EXPECT_EQ(fromSettings.Get().port, 7001);
}

TEST_F(ExchangeTest, ServerEndpointCarriesTheExchangeTimeLimit) {
    EXPECT_EQ(ServerEndpoint().Get().exchangeTimeoutSeconds, keys::kBuiltInExchangeTimeout);
    // First start: the value is written as 0 and the built-in limit applies.
    EXPECT_EQ(ServerEndpoint(settings::LoadAppSettings()).Get().exchangeTimeoutSeconds,
              keys::kBuiltInExchangeTimeout);
    EXPECT_EQ(settings::ReadInt(keys::kExchangeTimeout, 99), 0);

    settings::WriteInt(keys::kExchangeTimeout, 45);
    ServerEndpoint endpoint(settings::LoadAppSettings());
    EXPECT_EQ(endpoint.Get().exchangeTimeoutSeconds, 45);
    endpoint.Set("news.example.cn", 6001);  // the settings dialog changes host and port only
    EXPECT_EQ(endpoint.Get().exchangeTimeoutSeconds, 45);
    endpoint.SetExchangeTimeout(-3);
    EXPECT_EQ(endpoint.Get().exchangeTimeoutSeconds, keys::kBuiltInExchangeTimeout);
}

TEST_F(ExchangeTest, ReferenceListReplyArrivesWhole) {
    std::promise<std::string> request;
    const std::string body = "200,OK\r\n" + std::string(1000, 'x') + "\x80ID:1\n";
    LoopbackServer server(Answer({body.substr(0, 300), body.substr(300)}, &request, 50));
    ServerEndpoint endpoint("127.0.0.1", server.Port());

    ExchangeResult r = FetchReferenceList(endpoint, {"zhang", "pw"}, "stock", 997660800);
    EXPECT_EQ(r.code, result::kSuccess);
    EXPECT_TRUE(r.complete);
    EXPECT_EQ(r.reply, body);
    std::string sent = request.get_future().get();
    EXPECT_EQ(sent.rfind("UPDATE_CATEGORY NSP/0.2\r\nAUTHORIZATION:", 0), 0u) << sent;
    EXPECT_NE(sent.find("\r\nTYPE:stock\r\n"), std::string::npos) << sent;

    EXPECT_EQ(FetchReferenceList(endpoint, {"zhang", "pw"}, "", 0).code, result::kMemory);
}

TEST_F(ExchangeTest, SiteProposalSendsItsBodyAndReadsTheAnswer) {
    SiteProposalInput in;
    in.userId = "zhang";
    in.name = "新浪";
    in.url = "http://example.cn/";
    in.description = "简介文";
    const std::string expected = BuildSiteProposalRequest(in);
    std::promise<std::string> request;
    LoopbackServer server([&](int fd) {
        request.set_value(test::ReadExactly(fd, expected.size()));
        WriteAll(fd, "200,收到\r\n");
    });
    ExchangeResult r = SendSiteProposal(ServerEndpoint("127.0.0.1", server.Port()), in);
    EXPECT_EQ(r.code, result::kSuccess);
    EXPECT_TRUE(SiteProposalAccepted(r.reply));
    EXPECT_EQ(request.get_future().get(), expected);  // the body (6 bytes) went out too
}

TEST_F(ExchangeTest, BrokenAndOversizedRepliesAreNotTakenForWhole) {
    // A reset after part of the list: the part is kept but the exchange reports an error.
    LoopbackServer resetting([](int fd) {
        ReadUntil(fd, "\r\n\r\n");
        WriteAll(fd, "200,OK\r\nID:1\n");
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        test::CloseWithReset(fd);
    });
    ExchangeResult partial =
        FetchReferenceList(ServerEndpoint("127.0.0.1", resetting.Port()), {"u", "p"}, "stock", 0);
    EXPECT_EQ(partial.code, result::kNetworkKernel);
    EXPECT_FALSE(partial.complete);
    EXPECT_EQ(partial.reply, "200,OK\r\nID:1\n");

    LoopbackServer flooding([](int fd) {
        ReadUntil(fd, "\r\n\r\n");
        WriteAll(fd, std::string(kMaxWholeReplyBytes + 1, 'z'));
    });
    ExchangeResult huge = RunWholeReplyExchange(ServerEndpoint("127.0.0.1", flooding.Port()),
                                                "UPDATE_CATEGORY NSP/0.2\r\n\r\n");
    EXPECT_EQ(huge.code, result::kMemory);
    EXPECT_TRUE(huge.reply.empty());
}

TEST_F(ExchangeTest, ConnectionFailuresAndMissingRequests) {
    ServerEndpoint nowhere("127.0.0.1", test::FreePort());
    EXPECT_EQ(RunWholeReplyExchange(nowhere, "x\r\n\r\n").code, result::kCannotConnect);
    EXPECT_EQ(FetchReferenceList(nowhere, {"u", "p"}, "trade", 0).code, result::kCannotConnect);
    EXPECT_EQ(SendSiteProposal(nowhere, {}).code, result::kCannotConnect);
    EXPECT_EQ(RunWholeReplyExchange(nowhere, "").code, result::kMemory);

    NewsExchangeHandlers handlers;
    handlers.onChunk = [](std::string_view) { return true; };
    EXPECT_EQ(RunNewsExchange(nowhere, "TRANSFER_NEWS NSP/0.2\r\n\r\n", handlers).code,
              result::kCannotConnect);
    EXPECT_EQ(RunNewsExchange(nowhere, "", handlers).code, result::kMemory);
    EXPECT_EQ(RunNewsExchange(nowhere, "x", NewsExchangeHandlers{}).code, result::kMemory);
}

TEST_F(ExchangeTest, WholeReplyGivesUpTwelveSecondsAfterTheServerFallsSilent) {
    LoopbackServer silent([&](int fd) {
        ReadUntil(fd, "\r\n\r\n");
        test::WaitWhileRunning(silent, 20000);
    });
    auto start = std::chrono::steady_clock::now();
    ExchangeResult r =
        FetchReferenceList(ServerEndpoint("127.0.0.1", silent.Port()), {"u", "p"}, "region", 0);
    const double took = SecondsSince(start);
    EXPECT_GE(took, kWholeReplyTimeoutSeconds - 0.1);
    EXPECT_LT(took, kWholeReplyTimeoutSeconds + 1.5);
    EXPECT_TRUE(r.timedOut);
    EXPECT_EQ(r.code, result::kNetworkKernel);
    EXPECT_TRUE(r.reply.empty());
}

TEST_F(ExchangeTest, NewsChunksFeedTheRecordSplitter) {
    const std::string T = "\x80\x80";
    std::vector<std::string> records = {"200,OK\r\nID:1\r\nCONTENT:" + std::string(1500, 'a') + T,
                                        "ID:2\r\nCONTENT:b" + T, "ID:3\r\nCONTENT:c" + T};
    std::string reply;
    for (const auto& r : records) reply += r;
    reply += "ID:4\r\nCONTENT:cut";
    // Pieces that cut through a terminator and the middle of a record.
    const std::size_t cut1 = records[0].size() - 1, cut2 = cut1 + 10;
    std::promise<std::string> request;
    LoopbackServer server(
        Answer({reply.substr(0, cut1), reply.substr(cut1, cut2 - cut1), reply.substr(cut2)},
               &request, 30));

    std::vector<NewsExchangeStep> steps;
    std::vector<std::string> got;
    std::size_t largest = 0;
    RecordSplitter splitter;
    NewsExchangeHandlers handlers;
    handlers.onStep = [&](NewsExchangeStep s) { steps.push_back(s); };
    handlers.onChunk = [&](std::string_view chunk) {
        largest = std::max(largest, chunk.size());
        splitter.Feed(chunk, [&](std::string_view rec) { got.emplace_back(rec); });
        return true;
    };
    const std::string req = "TRANSFER_NEWS NSP/0.2\r\nUSERID:u\r\n\r\n";
    NewsExchangeOutcome out =
        RunNewsExchange(ServerEndpoint("127.0.0.1", server.Port()), req, handlers);
    EXPECT_EQ(out.code, result::kSuccess);
    EXPECT_TRUE(out.closedByServer);
    EXPECT_EQ(out.bytes, reply.size());
    EXPECT_LE(largest, kNewsChunkBytes);
    EXPECT_EQ(got, records);
    EXPECT_EQ(splitter.TakeLeftover(), "ID:4\r\nCONTENT:cut");
    EXPECT_EQ(steps, (std::vector{NewsExchangeStep::kConnecting, NewsExchangeStep::kSending}));
    EXPECT_EQ(request.get_future().get(), req);
}

TEST_F(ExchangeTest, NewsExchangeEnds) {
    const std::string req = "TRANSFER_NEWS NSP/0.2\r\n\r\n";
    // Nothing at all: a transfer error.
    LoopbackServer closing(Answer({}, nullptr));
    NewsExchangeHandlers count;
    int chunks = 0;
    count.onChunk = [&](std::string_view) { return ++chunks, true; };
    NewsExchangeOutcome empty =
        RunNewsExchange(ServerEndpoint("127.0.0.1", closing.Port()), req, count);
    EXPECT_EQ(empty.code, result::kNetworkKernel);
    EXPECT_EQ(chunks, 0);

    // The handler ends the reading (as the reception does for status 201).
    LoopbackServer twoPieces(Answer({"201,none\r\n", "more"}, nullptr, 200));
    NewsExchangeHandlers first;
    first.onChunk = [](std::string_view chunk) { return chunk.substr(0, 4) != "201,"; };
    NewsExchangeOutcome ended =
        RunNewsExchange(ServerEndpoint("127.0.0.1", twoPieces.Port()), req, first);
    EXPECT_EQ(ended.code, result::kSuccess);
    EXPECT_TRUE(ended.endedByHandler);
    EXPECT_EQ(ended.chunks, 1u);

    // A stop set while the first chunk is handled: the second is not handed on.
    platform::ManualResetEvent stop;
    LoopbackServer slow(Answer({"200,OK\r\n", "ID:1\x80\x80"}, nullptr, 300));
    NewsExchangeHandlers stopping;
    std::vector<std::string> seen;
    stopping.onChunk = [&](std::string_view chunk) {
        seen.emplace_back(chunk);
        stop.Set();
        return true;
    };
    NewsExchangeOutcome stopped =
        RunNewsExchange(ServerEndpoint("127.0.0.1", slow.Port()), req, stopping, &stop);
    EXPECT_TRUE(stopped.stopped);
    EXPECT_EQ(seen, std::vector<std::string>{"200,OK\r\n"});
}

TEST_F(ExchangeTest, StopEndsANewsExchangeWaitingForASilentServer) {
    LoopbackServer silent([&](int fd) {
        ReadUntil(fd, "\r\n\r\n");
        test::WaitWhileRunning(silent, 20000);
    });
    platform::ManualResetEvent stop;
    NewsExchangeHandlers handlers;
    handlers.onChunk = [](std::string_view) { return true; };
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        stop.Set();
    });
    auto start = std::chrono::steady_clock::now();
    NewsExchangeOutcome out = RunNewsExchange(ServerEndpoint("127.0.0.1", silent.Port()),
                                              "TRANSFER_NEWS NSP/0.2\r\n\r\n", handlers, &stop);
    EXPECT_LT(SecondsSince(start), 1.5);  // not the 120-second time-out
    stopper.join();
    EXPECT_TRUE(out.stopped);
    EXPECT_FALSE(out.timedOut);
    EXPECT_EQ(out.code, result::kNetworkKernel);
}

// Servers that never let a read wait long, or that wait less than a read's own time-out: only
// the time limit of the whole exchange ends them (one second here).
TEST_F(ExchangeTest, TheExchangeTimeLimitEndsTricklingAndStalledReplies) {
    const std::string req = "TRANSFER_NEWS NSP/0.2\r\n\r\n";
    const std::string reply = "200,OK\r\n" + std::string(60, 'x');
    LoopbackServer trickling([&](int fd) {
        ReadUntil(fd, "\r\n\r\n");
        test::Trickle(fd, reply, 1, 100, trickling);  // six seconds for the whole reply
    });
    ServerEndpoint endpoint("127.0.0.1", trickling.Port());
    endpoint.SetExchangeTimeout(1);
    std::size_t bytes = 0;
    NewsExchangeHandlers handlers;
    handlers.onChunk = [&](std::string_view chunk) {
        bytes += chunk.size();
        return true;
    };
    auto start = std::chrono::steady_clock::now();
    NewsExchangeOutcome news = RunNewsExchange(endpoint, req, handlers);
    double took = SecondsSince(start);
    EXPECT_GE(took, 0.9);
    EXPECT_LT(took, 2.5);
    EXPECT_TRUE(news.deadlinePassed);
    EXPECT_TRUE(news.BrokenOff());
    EXPECT_FALSE(news.timedOut);
    EXPECT_FALSE(news.closedByServer);
    EXPECT_EQ(news.code, result::kSuccess);  // chunks were handed on
    EXPECT_GT(bytes, 0u);
    EXPECT_LT(bytes, reply.size());

    // The status line, then silence for longer than the limit but less than a read's 120 s.
    LoopbackServer stalled([&](int fd) {
        ReadUntil(fd, "\r\n\r\n");
        WriteAll(fd, "200,OK\r\n");
        test::WaitWhileRunning(stalled, 10000);
    });
    endpoint.Set("127.0.0.1", stalled.Port());
    start = std::chrono::steady_clock::now();
    NewsExchangeOutcome silent = RunNewsExchange(endpoint, req, handlers);
    took = SecondsSince(start);
    EXPECT_LT(took, 2.5);
    EXPECT_TRUE(silent.deadlinePassed);
    EXPECT_FALSE(silent.timedOut);
    EXPECT_FALSE(silent.readError);

    // A whole-reply exchange: the partial list is not taken for the whole one.
    LoopbackServer slowList([&](int fd) {
        ReadUntil(fd, "\r\n\r\n");
        test::Trickle(fd, reply, 1, 100, slowList);
    });
    endpoint.Set("127.0.0.1", slowList.Port());
    start = std::chrono::steady_clock::now();
    ExchangeResult list = FetchReferenceList(endpoint, {"u", "p"}, "stock", 0);
    took = SecondsSince(start);
    EXPECT_LT(took, 2.5);
    EXPECT_EQ(list.code, result::kNetworkKernel);
    EXPECT_TRUE(list.deadlinePassed);
    EXPECT_FALSE(list.timedOut);
    EXPECT_FALSE(list.complete);
    EXPECT_FALSE(list.reply.empty());
    EXPECT_LT(list.reply.size(), reply.size());
}

TEST_F(ExchangeTest, ProxyValuesAreReadForEveryExchange) {
    test::ProxyProcess proxy;
    int proxyPort = 0;
    ASSERT_TRUE(test::StartMicrosocks(proxy, proxyPort, Home(), "reader", "s3cret"));
    LoopbackServer server([](int fd) {
        ReadUntil(fd, "\r\n\r\n");
        WriteAll(fd, "201,nothing new\r\n");
    });
    ServerEndpoint endpoint("127.0.0.1", server.Port());
    const NspCredentials user{"u", "p"};

    // Nothing set yet: the defaults are written and the connection is direct.
    EXPECT_EQ(FetchReferenceList(endpoint, user, "trade", 0).code, result::kSuccess);
    EXPECT_EQ(settings::ReadInt(keys::kProxyMode, 99), 0);
    EXPECT_EQ(ReadProxySettings().port, 0);

    settings::WriteInt(keys::kProxyMode, 2);
    settings::WriteString(keys::kProxyHost, "127.0.0.1");
    settings::WriteInt(keys::kProxyPort, proxyPort);
    settings::WriteString(keys::kProxyUser, "reader");
    settings::WriteString(keys::kProxyPwd, "wrong");
    settings::WriteInt(keys::kProxyAuth, 1);
    EXPECT_EQ(FetchReferenceList(endpoint, user, "trade", 0).code, result::kCannotConnect);

    settings::WriteString(keys::kProxyPwd, "s3cret");
    ExchangeResult through = FetchReferenceList(endpoint, user, "trade", 0);
    EXPECT_EQ(through.code, result::kSuccess);
    EXPECT_EQ(through.reply, "201,nothing new\r\n");
    EXPECT_EQ(server.Accepted(), 2);

    settings::WriteInt(keys::kProxyAuth, 0);  // microsocks then accepts no method
    EXPECT_EQ(FetchReferenceList(endpoint, user, "trade", 0).code, result::kCannotConnect);
    EXPECT_EQ(server.Accepted(), 2);
}

}  // namespace
}  // namespace brevio::net
