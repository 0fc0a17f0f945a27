// The connection socket against loopback peers: direct sends and reads with time-outs and
// stops, SOCKS5 through a real microsocks, SOCKS4 through a real danted, and the SOCKS error
// states that no real proxy produces through scripted proxies.
#include "net/proxy_socket.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <future>
#include <random>
#include <thread>

#include "platform/event.h"
#include "support/temp_home.h"
#include "unit/net_protocol/loopback.h"

namespace brevio::net {
namespace {

using test::LoopbackServer;
using test::ReadExactly;
using test::ReadUntil;
using test::ReadUntilClose;
using test::Received;
using test::WriteAll;

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s += static_cast<char>(v);
    return s;
}

// The SOCKS5 connect request for 127.0.0.1:port.
std::string Socks5Request(int port) {
    return Bytes({5, 1, 0, 1, 127, 0, 0, 1, port >> 8, port & 0xFF});
}
const std::string kSocks5Granted = Bytes({5, 0, 0, 1, 0, 0, 0, 0, 0, 0});

// A target server: reads one line, answers "echo:<line>" and closes.
LoopbackServer::Handler EchoLine() {
    return [](int fd) {
        std::string line = ReadUntil(fd, "\n");
        WriteAll(fd, "echo:" + line);
    };
}

// Connects through the socket, sends a line and returns the answer up to the server's close.
std::string Converse(CProxySocket& s, const std::string& line) {
    if (s.Send(line) != static_cast<long>(line.size())) return "<send failed>";
    std::string answer;
    char buf[256];
    for (long n; (n = s.Receive(buf, sizeof buf)) > 0;) answer.append(buf, static_cast<size_t>(n));
    return answer;
}

// ---- Direct connections ------------------------------------------------------------------

TEST(ProxySocketDirect, SendsALargeBufferWholeAndSeesTheClose) {
    std::mt19937 rng(3);
    std::string payload(8 << 20, '\0');
    for (char& c : payload) c = static_cast<char>(rng());
    std::promise<std::string> got;
    LoopbackServer server([&](int fd) {
        got.set_value(ReadExactly(fd, payload.size(), 20000));
        WriteAll(fd, "done");
    });

    CProxySocket s;
    ASSERT_TRUE(s.Create());
    ASSERT_TRUE(s.Connect("127.0.0.1", server.Port())) << s.LastError();
    EXPECT_EQ(s.Send(payload), static_cast<long>(payload.size()));
    EXPECT_TRUE(got.get_future().get() == payload);
    char buf[16];
    EXPECT_EQ(s.Receive(buf, sizeof buf), 4);
    EXPECT_EQ(std::string(buf, 4), "done");
    EXPECT_EQ(s.Receive(buf, sizeof buf), 0);  // closed by the server

    std::string host;
    int port = 0;
    EXPECT_TRUE(s.GetPeerName(host, port));
    EXPECT_EQ(host, "127.0.0.1");
    EXPECT_EQ(port, server.Port());
}

TEST(ProxySocketDirect, ConnectByNameAndRefusals) {
    LoopbackServer server(EchoLine());
    CProxySocket s;
    ASSERT_TRUE(s.Create());
    // "localhost" may resolve to ::1 first, where nothing listens; the next address is tried.
    ASSERT_TRUE(s.Connect("localhost", server.Port())) << s.LastError();
    EXPECT_EQ(Converse(s, "hi\n"), "echo:hi\n");

    ASSERT_TRUE(s.Create());
    EXPECT_FALSE(s.Connect("127.0.0.1", test::FreePort()));
    EXPECT_EQ(s.LastError(), ECONNREFUSED);
    EXPECT_EQ(s.ProxyErrorState(), ProxyError::kNone);

    ASSERT_TRUE(s.Create());
    EXPECT_FALSE(s.Connect("127.0.0.1", 70000));  // not wrapped round to another port
    EXPECT_EQ(s.LastError(), EINVAL);
    EXPECT_EQ(server.Accepted(), 1);

    CProxySocket never;  // not created
    EXPECT_FALSE(never.Connect("127.0.0.1", server.Port()));
    EXPECT_EQ(never.Send("x"), -1);
}

TEST(ProxySocketDirect, SendingToAPeerThatHasGoneFailsWithoutASignal) {
    // The peer resets a moment after accepting, so that the connect itself has completed.
    LoopbackServer server([](int fd) {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        test::CloseWithReset(fd);
    });
    CProxySocket s;
    ASSERT_TRUE(s.Create());
    ASSERT_TRUE(s.Connect("127.0.0.1", server.Port()));
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    // Without MSG_NOSIGNAL the second write would raise SIGPIPE and end the program.
    std::string big(4 << 20, 'x');
    EXPECT_EQ(s.Send(big), -1);
    EXPECT_EQ(s.Send(big), -1);
    EXPECT_TRUE(s.LastError() == EPIPE || s.LastError() == ECONNRESET) << s.LastError();
}

TEST(ProxySocketDirect, TimeOutsEndReadsAndSends) {
    std::atomic<bool> release{false};
    LoopbackServer server([&](int) {
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    });
    CProxySocket s;
    ASSERT_TRUE(s.Create());
    ASSERT_TRUE(s.Connect("127.0.0.1", server.Port()));
    s.SetTimeout(1);

    auto start = std::chrono::steady_clock::now();
    char buf[64];
    EXPECT_EQ(s.Receive(buf, sizeof buf), -1);
    double took = SecondsSince(start);
    EXPECT_GE(took, 0.95);
    EXPECT_LT(took, 2.0);
    EXPECT_TRUE(s.TimedOut());
    EXPECT_EQ(s.LastError(), ECONNABORTED);

    // The server never reads: once the buffers are full the send gives up after a second.
    std::string big(64 << 20, 'x');
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(s.Send(big), -1);
    took = SecondsSince(start);
    EXPECT_GE(took, 0.95);
    EXPECT_LT(took, 3.0);
    EXPECT_TRUE(s.TimedOut());
    release = true;
}

TEST(ProxySocketDirect, StopFromAnotherThreadEndsABlockedRead) {
    std::atomic<bool> release{false};
    LoopbackServer server([&](int) {
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    });
    CProxySocket s;
    std::atomic<bool> stop{false};
    s.SetStopFlag(&stop);
    ASSERT_TRUE(s.Create());
    ASSERT_TRUE(s.Connect("127.0.0.1", server.Port()));
    s.SetTimeout(CProxySocket::kNoTimeout);

    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        stop = true;
    });
    auto start = std::chrono::steady_clock::now();
    char buf[64];
    EXPECT_EQ(s.Receive(buf, sizeof buf), -1);
    EXPECT_LT(SecondsSince(start), 1.0);
    stopper.join();
    EXPECT_TRUE(s.Stopped());
    EXPECT_FALSE(s.TimedOut());
    EXPECT_EQ(s.LastError(), ECANCELED);
    release = true;
}

// ---- Scripted SOCKS proxies ----------------------------------------------------------------

struct Scripted {
    CProxySocket socket;
    bool connected = false;
};

// Configures a SOCKS5 socket for the scripted proxy and connects to 127.0.0.1:5001.
void ConnectThrough(Scripted& c, const LoopbackServer& proxy, bool auth,
                    const std::string& user = "user", int mode = 2) {
    c.socket.ConfigureProxy(mode, "127.0.0.1", proxy.Port(), user, "pass", auth);
    c.socket.SetTimeout(5);
    ASSERT_TRUE(c.socket.Create());
    c.connected = c.socket.Connect("127.0.0.1", 5001);
}

TEST(ProxySocketSocks5, MethodAnswersGiveTheirErrorStates) {
    struct Case {
        bool auth;
        int method;
        ProxyError error;
    };
    for (const Case& k :
         {Case{false, 255, ProxyError::kNoAcceptableMethod},
          Case{true, 255, ProxyError::kNoAcceptableMethod},
          Case{false, 1, ProxyError::kUnofferedMethod}, Case{true, 3, ProxyError::kUnofferedMethod},
          Case{false, 2, ProxyError::kAuthenticationRequired}}) {
        SCOPED_TRACE(k.method);
        Received greeting, after;
        {
            LoopbackServer proxy([&](int fd) {
                greeting.Add(ReadExactly(fd, k.auth ? 4 : 3));
                WriteAll(fd, Bytes({5, k.method}));
                after.Add(ReadUntilClose(fd, 2000));
            });
            Scripted c;  // closed before the proxy is joined
            ConnectThrough(c, proxy, k.auth);
            EXPECT_FALSE(c.connected);
            EXPECT_EQ(c.socket.ProxyErrorState(), k.error);
        }
        EXPECT_EQ(greeting.Get(), k.auth ? Bytes({5, 2, 2, 0}) : Bytes({5, 1, 0}));
        EXPECT_EQ(after.Get(), "");  // nothing more was sent, in particular no credentials
    }
}

TEST(ProxySocketSocks5, AuthFlagButMethodNoneSkipsTheCredentials) {
    Received greeting, request;
    LoopbackServer proxy([&](int fd) {
        greeting.Add(ReadExactly(fd, 4));
        WriteAll(fd, Bytes({5, 0}));
        request.Add(ReadExactly(fd, 10));
        WriteAll(fd, kSocks5Granted);
        WriteAll(fd, "200,OK\r\n");
    });
    Scripted c;
    ConnectThrough(c, proxy, true);
    ASSERT_TRUE(c.connected) << c.socket.LastError();
    EXPECT_EQ(greeting.Get(), Bytes({5, 2, 2, 0}));
    EXPECT_EQ(request.Get(), Socks5Request(5001));  // the connect request came right after
    char buf[32];
    EXPECT_EQ(c.socket.Receive(buf, sizeof buf), 8);
    EXPECT_EQ(std::string(buf, 8), "200,OK\r\n");

    std::string host;
    int port = 0;
    EXPECT_TRUE(c.socket.GetPeerName(host, port));  // the target, not the proxy
    EXPECT_EQ(host, "127.0.0.1");
    EXPECT_EQ(port, 5001);
}

TEST(ProxySocketSocks5, BrokenHandshakesAreErrorTwo) {
    // Each script breaks the handshake at another place.
    const std::vector<std::function<void(int)>> scripts = {
        [](int fd) {  // closes after half the method answer
            ReadExactly(fd, 3);
            WriteAll(fd, Bytes({5}));
        },
        [](int fd) {  // refuses the target
            ReadExactly(fd, 3);
            WriteAll(fd, Bytes({5, 0}));
            ReadExactly(fd, 10);
            WriteAll(fd, Bytes({5, 5, 0, 1, 0, 0, 0, 0, 0, 0}));
        },
        [](int fd) {  // short connect reply
            ReadExactly(fd, 3);
            WriteAll(fd, Bytes({5, 0}));
            ReadExactly(fd, 10);
            WriteAll(fd, Bytes({5, 0, 0, 1, 0, 0}));
        },
        [](int fd) {  // unknown address type in the reply
            ReadExactly(fd, 3);
            WriteAll(fd, Bytes({5, 0}));
            ReadExactly(fd, 10);
            WriteAll(fd, Bytes({5, 0, 0, 9, 0, 0, 0, 0, 0, 0}));
        },
    };
    for (std::size_t i = 0; i < scripts.size(); ++i) {
        SCOPED_TRACE(i);
        LoopbackServer proxy(scripts[i]);
        Scripted c;
        ConnectThrough(c, proxy, false);
        EXPECT_FALSE(c.connected);
        EXPECT_EQ(c.socket.ProxyErrorState(), ProxyError::kHandshakeFailed);
    }
}

TEST(ProxySocketSocks5, LongerBoundAddressesAreReadWhole) {
    // A reply carrying an IPv6 or a domain bound address is longer than ten bytes; the server's
    // first bytes must come through intact behind it.
    const std::vector<std::string> replies = {
        Bytes({5, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0x04, 0x38}),
        Bytes({5, 0, 0, 3, 9}) + "localhost" + Bytes({0x04, 0x38}),
    };
    for (const std::string& reply : replies) {
        LoopbackServer proxy([&](int fd) {
            ReadExactly(fd, 3);
            WriteAll(fd, Bytes({5, 0}));
            ReadExactly(fd, 10);
            WriteAll(fd, reply + "201,none\r\n");
        });
        Scripted c;
        ConnectThrough(c, proxy, false);
        ASSERT_TRUE(c.connected);
        char buf[64];
        long n = c.socket.Receive(buf, sizeof buf);
        ASSERT_GT(n, 0);
        EXPECT_EQ(std::string(buf, static_cast<size_t>(n)), "201,none\r\n");
    }
}

TEST(ProxySocketSocks5, OverlongUserNameIsNotSent) {
    Received after;
    {
        LoopbackServer proxy([&](int fd) {
            ReadExactly(fd, 4);
            WriteAll(fd, Bytes({5, 2}));
            after.Add(ReadUntilClose(fd, 2000));
        });
        Scripted c;
        ConnectThrough(c, proxy, true, std::string(256, 'u'));
        EXPECT_FALSE(c.connected);
        EXPECT_EQ(c.socket.ProxyErrorState(), ProxyError::kAuthenticationFailed);
    }
    EXPECT_EQ(after.Get(), "");
}

TEST(ProxySocketSocks4, RequestCarriesTheLocallyResolvedAddress) {
    Received requests;
    std::atomic<int> connection{0};
    LoopbackServer proxy([&](int fd) {
        requests.Add(ReadExactly(fd, 9));
        // First connection refused (91), the second granted (90).
        WriteAll(fd, Bytes({0, connection++ == 0 ? 91 : 90, 0, 0, 0, 0, 0, 0}));
        WriteAll(fd, "hello");
    });
    for (bool granted : {false, true}) {
        Scripted c;
        c.socket.ConfigureProxy(1, "127.0.0.1", proxy.Port(), "", "", false);
        c.socket.SetTimeout(5);
        ASSERT_TRUE(c.socket.Create());
        EXPECT_EQ(c.socket.Connect("localhost", 5001), granted);
        EXPECT_EQ(c.socket.ProxyErrorState(),
                  granted ? ProxyError::kNone : ProxyError::kHandshakeFailed);
        std::string host;
        int port = 0;
        EXPECT_EQ(c.socket.GetPeerName(host, port), granted);  // never the proxy's address
        if (granted) {
            char buf[8];
            EXPECT_EQ(c.socket.Receive(buf, sizeof buf), 5);
        }
    }
    const std::string one = Bytes({4, 1, 0x13, 0x89, 127, 0, 0, 1, 0});
    EXPECT_EQ(requests.Get(), one + one);
}

TEST(ProxySocketProxies, FailuresBeforeTheHandshake) {
    LoopbackServer proxy([](int) {});
    // A label longer than 63 bytes cannot be looked up: the failure is certain and local.
    const std::string unresolvable = std::string(70, 'a') + ".invalid";
    for (int mode : {1, 2}) {
        CProxySocket s;
        s.ConfigureProxy(mode, "127.0.0.1", proxy.Port(), "", "", false);
        ASSERT_TRUE(s.Create());
        EXPECT_FALSE(s.Connect(unresolvable, 5001));
        EXPECT_EQ(s.LastError(), EINVAL);
        EXPECT_EQ(s.ProxyErrorState(), ProxyError::kNone);

        // A proxy that is not there, or whose port is out of range, is error 1.
        for (int port : {test::FreePort(), 65536 + 1080}) {
            s.ConfigureProxy(mode, "127.0.0.1", port, "", "", false);
            ASSERT_TRUE(s.Create());
            EXPECT_FALSE(s.Connect("127.0.0.1", 5001));
            EXPECT_EQ(s.ProxyErrorState(), ProxyError::kProxyUnreachable);
        }
    }
    EXPECT_EQ(proxy.Accepted(), 0);
}

TEST(ProxySocketProxies, StopEventEndsAHandshakeThatHangs) {
    LoopbackServer proxy([&](int fd) {
        ReadExactly(fd, 3);
        test::WaitWhileRunning(proxy, 10000);  // never answers
    });
    platform::ManualResetEvent stop;
    CProxySocket s;
    s.SetStopEvent(&stop);
    s.ConfigureProxy(2, "127.0.0.1", proxy.Port(), "", "", false);
    ASSERT_TRUE(s.Create());
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        stop.Set();
    });
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(s.Connect("127.0.0.1", 5001));
    EXPECT_LT(SecondsSince(start), 1.5);
    stopper.join();
    EXPECT_TRUE(s.Stopped());
    EXPECT_EQ(s.ProxyErrorState(), ProxyError::kHandshakeFailed);
}

// ---- Real proxies --------------------------------------------------------------------------

// Each proxy writes its configuration and log into the test's temporary home.
class RealProxy : public brevio::test::TempHomeTest {
  protected:
    test::ProxyProcess proxy_;
    int proxyPort_ = 0;
};

TEST_F(RealProxy, MicrosocksWithoutAuthentication) {
    ASSERT_TRUE(test::StartMicrosocks(proxy_, proxyPort_, Home()));
    LoopbackServer target(EchoLine());
    CProxySocket s;
    s.ConfigureProxy(2, "127.0.0.1", proxyPort_, "", "", false);
    s.SetTimeout(5);
    ASSERT_TRUE(s.Create());
    ASSERT_TRUE(s.Connect("127.0.0.1", target.Port())) << int(s.ProxyErrorState());
    std::string host;
    int port = 0;
    ASSERT_TRUE(s.GetPeerName(host, port));
    EXPECT_EQ(port, target.Port());
    EXPECT_EQ(Converse(s, "TRANSFER_NEWS NSP/0.2\n"), "echo:TRANSFER_NEWS NSP/0.2\n");
}

TEST_F(RealProxy, MicrosocksWithUserAndPassword) {
    ASSERT_TRUE(test::StartMicrosocks(proxy_, proxyPort_, Home(), "reader", "s3cret"));
    LoopbackServer target(EchoLine());
    struct Case {
        std::string password;
        bool auth;
        bool ok;
        ProxyError error;
    };
    for (const Case& k : {Case{"s3cret", true, true, ProxyError::kNone},
                          Case{"wrong", true, false, ProxyError::kAuthenticationFailed},
                          Case{"", true, false, ProxyError::kAuthenticationFailed},
                          Case{"s3cret", false, false, ProxyError::kNoAcceptableMethod}}) {
        SCOPED_TRACE(k.password + (k.auth ? " with auth" : " without auth"));
        CProxySocket s;
        s.ConfigureProxy(2, "127.0.0.1", proxyPort_, "reader", k.password, k.auth);
        s.SetTimeout(5);
        ASSERT_TRUE(s.Create());
        EXPECT_EQ(s.Connect("127.0.0.1", target.Port()), k.ok);
        EXPECT_EQ(s.ProxyErrorState(), k.error);
        if (k.ok) {
            EXPECT_EQ(Converse(s, "x\n"), "echo:x\n");
        }
    }
}

TEST_F(RealProxy, DanteAsSocks4WithATargetName) {
    ASSERT_TRUE(test::StartDante(proxy_, proxyPort_, Home()));
    LoopbackServer target(EchoLine());
    CProxySocket s;
    s.ConfigureProxy(1, "localhost", proxyPort_, "ignored", "ignored", true);
    s.SetTimeout(5);
    ASSERT_TRUE(s.Create());
    ASSERT_TRUE(s.Connect("localhost", target.Port())) << int(s.ProxyErrorState());
    std::string host;
    int port = 0;
    ASSERT_TRUE(s.GetPeerName(host, port));
    EXPECT_EQ(host, "127.0.0.1");
    EXPECT_EQ(port, target.Port());
    EXPECT_EQ(Converse(s, "UPDATE_CATEGORY NSP/0.2\n"), "echo:UPDATE_CATEGORY NSP/0.2\n");

    // A refused target: nothing listens there.
    CProxySocket refused;
    refused.ConfigureProxy(1, "127.0.0.1", proxyPort_, "", "", false);
    refused.SetTimeout(5);
    ASSERT_TRUE(refused.Create());
    EXPECT_FALSE(refused.Connect("127.0.0.1", test::FreePort()));
    EXPECT_EQ(refused.ProxyErrorState(), ProxyError::kHandshakeFailed);
}

}  // namespace
}  // namespace brevio::net
