// News reception from a loopback server: records per second from the socket through the
// record splitter, the text-block parser and the acceptance into the store's queue, with one
// category on one thread and with three categories on three threads at once. The store
// writer is left out here (bench_news_file's BM_FileItem measures filing); it writes at the
// pace of the disk interval anyway.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "net/exchange.h"
#include "net/reception.h"
#include "net/subscription_lists.h"
#include "platform/fs.h"
#include "reference/reference_tables.h"
#include "store/intake.h"

namespace {

using namespace brevio;

constexpr int kRecordsPerReply = 5000;
const char* const kCategories[] = {"10001", "10004", "11001"};

std::string MakeTempFolder() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "brevio-bench-XXXXXX").string();
    return std::string(mkdtemp(tmpl.data())) + "/";
}

// A reply of kRecordsPerReply records of about 1.6 KB each for one category.
std::string Reply(const std::string& category) {
    std::string reply = "200,OK\r\n";
    std::string body;
    while (body.size() < 1500) body += "今日沪深两市高开高走，成交量明显放大。";
    for (int id = 1; id <= kRecordsPerReply; ++id) {
        reply += "ID:" + std::to_string(id) + "\nTITLE:沪深两市成交继续放大，券商板块领涨" +
                 std::to_string(id) + "\nCATEGORY:" + category +
                 "\nWEBSITE:3\nTIME:2026-12-8 9:30:05\nURL:http://news.example.cn/" +
                 std::to_string(id) + ".html\nCONTENT:" + body + "\x80\x80";
    }
    return reply;
}

// Answers every connection with the reply of the category its request names.
class ReplyServer {
  public:
    ReplyServer() {
        for (const char* c : kCategories) replies_.push_back({c, Reply(c)});
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        int one = 1;
        setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        listen(fd_, 16);
        socklen_t len = sizeof addr;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this] { Run(); });
    }
    ~ReplyServer() {
        stop_ = true;
        thread_.join();
        close(fd_);
    }
    int Port() const { return port_; }

  private:
    void Run() {
        std::vector<std::thread> workers;
        while (!stop_) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 100) != 1) continue;
            int c = accept(fd_, nullptr, nullptr);
            if (c >= 0) workers.emplace_back([this, c] { Serve(c); });
        }
        for (auto& w : workers) w.join();
    }
    void Serve(int c) {
        std::string request;
        char buf[4096];
        while (request.find("\r\n\r\n") == std::string::npos) {
            ssize_t n = read(c, buf, sizeof buf);
            if (n <= 0) break;
            request.append(buf, static_cast<std::size_t>(n));
        }
        for (const auto& [category, reply] : replies_) {
            if (request.find("CLASSIFY:" + category) == std::string::npos) continue;
            std::size_t sent = 0;
            while (sent < reply.size()) {
                ssize_t n = send(c, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
                if (n <= 0) break;
                sent += static_cast<std::size_t>(n);
            }
        }
        close(c);
    }
    std::vector<std::pair<std::string, std::string>> replies_;
    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

void RunReception(benchmark::State& state, int categories) {
    ReplyServer server;
    const std::string content = MakeTempFolder();
    platform::CreateFolders(content + "Data");
    platform::WriteFileAtomic(content + "Data/NewsClassify.tab",
                              "10001\t国内经济\tF\r\n10004\t货币政策\tF\r\n11001\t股市要闻\tF\r\n");
    reference::ReferenceTables tables;
    tables.LoadAll(content);
    net::SubscriptionLists lists;
    lists.Build(tables, net::CategoryFilePath(content));
    store::NoAcceptanceLimits limits;
    store::NewsIntake::Options options;
    options.contentFolder = content;
    net::ServerEndpoint endpoint;
    endpoint.Set("127.0.0.1", server.Port());

    net::ReceptionContext context;
    context.lists = &lists;
    context.server = &endpoint;
    context.userId = "bench";
    context.password = "bench";
    context.categoryFile = net::CategoryFilePath(content);
    context.threadLimit = categories;
    context.socketIntervalMs = 0;
    std::int64_t records = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // A fresh intake each round, its writer not started: the items stay queued.
        store::NewsIntake intake(options, tables, limits);
        context.intake = &intake;
        net::ReceptionScheduler scheduler(context);
        for (int i = 0; i < categories; ++i)
            lists.SetMaxId({net::Group::kPublic, kCategories[i]}, 0);
        state.ResumeTiming();
        for (int i = 0; i < categories; ++i)
            scheduler.ReceiveCategory({net::Group::kPublic, kCategories[i]});
        scheduler.WaitIdle(-1);
        state.PauseTiming();
        for (const auto& f : scheduler.Results()) records += f.result;
        state.ResumeTiming();
    }
    state.counters["records/s"] =
        benchmark::Counter(static_cast<double>(records), benchmark::Counter::kIsRate);
    state.counters["records"] = static_cast<double>(records);
    std::filesystem::remove_all(content);
}

void BM_ReceiveOneCategory(benchmark::State& state) {
    RunReception(state, 1);
}
void BM_ReceiveThreeCategoriesAtOnce(benchmark::State& state) {
    RunReception(state, 3);
}

BENCHMARK(BM_ReceiveOneCategory)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_ReceiveThreeCategoriesAtOnce)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseRealTime();

}  // namespace
