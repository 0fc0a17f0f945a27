// Cross-thread use: the server endpoint replaced while exchanges read it, and a second call
// on a socket that is blocked in another thread (also run under ThreadSanitizer).
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <thread>
#include <vector>

#include "net/exchange.h"
#include "net/proxy_socket.h"
#include "unit/net_protocol/loopback.h"

namespace brevio::net {
namespace {

TEST(NetProtocolConcurrency, EndpointReadersNeverSeeAMixedValue) {
    ServerEndpoint endpoint("a", 1);
    std::atomic<bool> done{false};
    std::atomic<int> mixed{0};
    std::vector<std::thread> readers;
    for (int i = 0; i < 3; ++i) {
        readers.emplace_back([&] {
            while (!done) {
                Endpoint e = endpoint.Get();
                // Every value written pairs a host of `port` letters with that port.
                if (e.host != std::string(static_cast<std::size_t>(e.port), 'a')) ++mixed;
            }
        });
    }
    for (int i = 0; i < 20000; ++i) {
        int port = 1 + i % 200;
        endpoint.Set(std::string(static_cast<std::size_t>(port), 'a'), port);
    }
    done = true;
    for (auto& t : readers) t.join();
    EXPECT_EQ(mixed, 0);
}

TEST(NetProtocolConcurrency, SecondCallOnABlockedSocketIsRefused) {
    std::atomic<bool> release{false};
    test::LoopbackServer server([&](int) {
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    });
    CProxySocket s;
    std::atomic<bool> stop{false};
    s.SetStopFlag(&stop);
    ASSERT_TRUE(s.Create());
    ASSERT_TRUE(s.Connect("127.0.0.1", server.Port()));
    s.SetTimeout(10);

    std::atomic<long> first{0};
    std::thread reader([&] {
        char buf[16];
        first = s.Receive(buf, sizeof buf);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    char buf[16];
    EXPECT_EQ(s.Receive(buf, sizeof buf), -1);
    EXPECT_EQ(s.LastError(), EINPROGRESS);
    stop = true;
    reader.join();
    EXPECT_EQ(first, -1);
    EXPECT_TRUE(s.Stopped());
    release = true;
}

}  // namespace
}  // namespace brevio::net
