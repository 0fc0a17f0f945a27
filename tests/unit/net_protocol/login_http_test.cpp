// The portal login and the HTTP layer under it, against scripted loopback web servers: the
// form body on the wire, the category list markers, "Vantory.ini" kept on a refusal, the web
// fetch's status and line rules, and transfers that stall or are called off.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>

#include <atomic>
#include <future>
#include <thread>

#include "net/login.h"
#include "platform/fs.h"
#include "platform/http.h"
#include "settings/keys.h"
#include "settings/password.h"
#include "settings/registry_values.h"
#include "support/temp_home.h"
#include "unit/net_protocol/loopback.h"

namespace brevio::net {
namespace {

using test::LoopbackServer;
using test::Read;
using test::Received;
using test::WriteAll;

std::string HttpResponse(int status, const std::string& body) {
    return "HTTP/1.1 " + std::to_string(status) +
           " X\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

// Reads one request (head, and a body of Content-Length bytes) and records it.
std::string ReadRequest(int fd) {
    std::string request = test::ReadUntil(fd, "\r\n\r\n");
    std::size_t at = request.find("Content-Length: ");
    if (at != std::string::npos) {
        std::size_t length = std::stoul(request.substr(at + 16));
        request += test::ReadExactly(fd, length);
    }
    return request;
}

// Holds a connection open without sending until the client goes away (or maxMs passes).
void StallUntilClosed(int fd, int maxMs) {
    for (int waited = 0; waited < maxMs; waited += 50) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 50) == 1) {
            char c;
            if (recv(fd, &c, 1, 0) <= 0) return;
        }
    }
}

LoopbackServer::Handler Page(int status, std::string body, Received* requests = nullptr) {
    return [status, body = std::move(body), requests](int fd) {
        std::string request = ReadRequest(fd);
        if (requests) requests->Add(request);
        WriteAll(fd, HttpResponse(status, body));
    };
}

std::string Portal(const LoopbackServer& server) {
    return "127.0.0.1:" + std::to_string(server.Port());
}

class LoginTest : public brevio::test::TempHomeTest {};

TEST_F(LoginTest, FormBodyCarriesTheValuesWhole) {
    const std::string fixed =
        "__VIEWSTATE=dDwtMTM4NzE0NTc2Nzs7PqSxBfuTpD2AYtQPr4kvZ2r0vnDu"
        "&Head1%3Auserid=&Head1%3Auserpw=&Head1%3Atxtkey=";
    EXPECT_EQ(LoginFormBody("demo", "demo123"),
              fixed + "&userid=demo&userpw=demo123&Button1=%B5%C7%C2%BC");
    // GBK bytes go as they are; characters with a meaning in a form body are escaped.
    EXPECT_EQ(LoginFormBody("张三", "a&b=c+d%e f#"),
              fixed + "&userid=张三&userpw=a%26b%3Dc%2Bd%25e%20f%23&Button1=%B5%C7%C2%BC");
}

TEST_F(LoginTest, AcceptedLoginWritesTheCategoryList) {
    Received requests;
    LoopbackServer server(
        Page(200, "<html>欢迎###!!!###OK@@@0=10001,国内经济<br>1=01,银行<br>###!!!###OK@@@</html>",
             &requests));
    std::string detail;
    ASSERT_EQ(WebLogin(Portal(server) + "/", Home(), "demo", "p&w", &detail), LoginResult::kOk)
        << detail;
    EXPECT_EQ(brevio::test::ReadFileBytes(Home() + "Vantory.ini"),
              "0=10001,国内经济\r\n1=01,银行\r\n");
    const std::string request = requests.Get();
    EXPECT_EQ(request.rfind("POST /ggfb.aspx HTTP/1.1\r\n", 0), 0u) << request;
    EXPECT_NE(request.find("Content-Type: application/x-www-form-urlencoded"), std::string::npos);
    EXPECT_NE(request.find("&userid=demo&userpw=p%26w&"), std::string::npos) << request;
}

TEST_F(LoginTest, RefusedOrFailedLoginKeepsTheEarlierSelection) {
    brevio::test::WriteFileBytes(Home() + "Vantory.ini", "old");
    {
        LoopbackServer server(Page(200, "<html>用户名或密码错误</html>"));
        EXPECT_EQ(WebLogin(Portal(server), Home(), "demo", "bad"), LoginResult::kRejected);
    }
    {
        LoopbackServer server(Page(500, "Server Error"));
        std::string detail;
        EXPECT_EQ(WebLogin(Portal(server), Home(), "demo", "x", &detail), LoginResult::kRejected);
    }
    EXPECT_EQ(WebLogin("127.0.0.1:" + std::to_string(test::FreePort()), Home(), "demo", "x"),
              LoginResult::kUnreachable);
    EXPECT_EQ(brevio::test::ReadFileBytes(Home() + "Vantory.ini"), "old");

    // One marker only: the login counts, the list is empty.
    LoopbackServer server(Page(200, "###!!!###OK@@@0=10001,x"));
    EXPECT_EQ(WebLogin(Portal(server), Home(), "demo", "x"), LoginResult::kOk);
    EXPECT_EQ(brevio::test::ReadFileBytes(Home() + "Vantory.ini"), "");
}

TEST_F(LoginTest, StoredValuesRoundTripThroughTheScrambler) {
    StoreLoginValues("张三", "密码pw1", true);
    EXPECT_EQ(settings::ReadInt(settings::keys::kAutoLogin, 0), 1);
    EXPECT_EQ(settings::ReadString(settings::keys::kUserId, ""), "张三");
    const std::string stored = settings::ReadString(settings::keys::kPassword, "");
    EXPECT_NE(stored, "密码pw1");
    EXPECT_EQ(settings::UnscramblePassword(stored), "密码pw1");
    EXPECT_EQ(RegistrationPage("portal.example.cn//"), "http://portal.example.cn/login.aspx");
}

class HttpTest : public brevio::test::TempHomeTest {};

TEST_F(HttpTest, WebFetchWritesLfLinesOnlyOnSuccess) {
    const std::string target = Home() + "page.txt";
    Received requests;
    {
        LoopbackServer server(Page(200, "第一行\r\n第二行\n\n末行", &requests));
        ASSERT_TRUE(platform::FetchToFile("http://" + Portal(server) + "/p", target));
    }
    EXPECT_EQ(brevio::test::ReadFileBytes(target), "第一行\n第二行\n\n末行\n\n");
    EXPECT_NE(requests.Get().find("\r\nAccept:   */*\r\n"), std::string::npos) << requests.Get();

    for (int status : {404, 302, 500}) {
        LoopbackServer server(Page(status, "not this"));
        std::string error;
        EXPECT_FALSE(platform::FetchToFile("http://" + Portal(server) + "/p", target, &error))
            << status;
        EXPECT_FALSE(error.empty());
    }
    EXPECT_EQ(brevio::test::ReadFileBytes(target), "第一行\n第二行\n\n末行\n\n");
    EXPECT_EQ(platform::BodyAsLfLines(""), "\n");
}

TEST_F(HttpTest, AStalledTransferEndsOnTheIdleTimeOutOrWhenCalledOff) {
    LoopbackServer server([](int fd) {
        ReadRequest(fd);
        WriteAll(fd, "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\npartial");
        StallUntilClosed(fd, 5000);
    });
    const std::string url = "http://" + Portal(server) + "/slow";

    platform::HttpOptions idle;
    idle.idleTimeoutMs = 1000;
    auto start = std::chrono::steady_clock::now();
    platform::HttpResult r = platform::HttpGet(url, idle);
    EXPECT_FALSE(r.Ok());
    EXPECT_FALSE(r.error.empty());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));

    std::atomic<int> keepRunning{1};
    platform::HttpOptions callOff;
    callOff.keepRunning = &keepRunning;
    auto pending = std::async(std::launch::async, [&] { return platform::HttpGet(url, callOff); });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    start = std::chrono::steady_clock::now();
    keepRunning = 0;
    r = pending.get();
    EXPECT_FALSE(r.Ok());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(HttpAddress, PrefixRuleIsCaseSensitive) {
    EXPECT_EQ(platform::WithHttpPrefix("http://a.cn"), "http://a.cn");
    EXPECT_EQ(platform::WithHttpPrefix("a.cn/x"), "http://a.cn/x");
    EXPECT_EQ(platform::WithHttpPrefix("HTTP://a.cn"), "http://HTTP://a.cn");
}

}  // namespace
}  // namespace brevio::net
