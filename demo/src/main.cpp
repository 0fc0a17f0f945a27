// brevio-demo-server: the news server and web portal of the Brevio demo, on the loopback
// interface, with sample data generated from the tables and word lists of the data folder.
#include <signal.h>
#include <time.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

#include "log.h"
#include "news_pool.h"
#include "nsp_server.h"
#include "options.h"
#include "portal.h"

#ifndef BREVIO_DEMO_DATA_DIR
#define BREVIO_DEMO_DATA_DIR "data"
#endif

namespace brevio::demo {
namespace {

// Adds a batch of new items every few seconds until stopped.
class BatchFeeder {
  public:
    BatchFeeder(NewsPool& pool, int everySeconds, int size)
        : pool_(pool), every_(everySeconds), size_(size) {}
    ~BatchFeeder() { Stop(); }

    void Start() {
        thread_ = std::thread([this] {
            std::unique_lock<std::mutex> lock(mutex_);
            while (!cv_.wait_for(lock, std::chrono::seconds(every_), [this] { return stop_; })) {
                auto [first, last] = pool_.AddBatch(size_, std::time(nullptr));
                LogLine("batch: " + std::to_string(size_) + " new items, ids " +
                        std::to_string(first) + "-" + std::to_string(last));
            }
        });
    }
    void Stop() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        cv_.notify_all();
        if (thread_.joinable()) thread_.join();
    }

  private:
    NewsPool& pool_;
    const int every_;
    const int size_;
    std::mutex mutex_;
    std::condition_variable cv_;
    bool stop_ = false;
    std::thread thread_;
};

int Run(const Options& options) {
    const std::string dir = options.dataDir.empty() ? BREVIO_DEMO_DATA_DIR : options.dataDir;
    ReferenceData refs;
    UserTable users;
    WordLists words;
    PortalLists lists;
    std::string error;
    if (!refs.Load(dir, error) || !users.Load(dir + "/users.tab", refs, error) ||
        !words.Load(dir + "/words.txt", error) ||
        !LoadPortalLists(dir + "/portal.txt", lists, error)) {
        LogError("brevio-demo-server: " + error);
        return 1;
    }

    // Stop signals are taken by the main thread alone: block them before any thread starts.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    NewsPool pool(refs, words, options.seed);
    Portal portal(refs, users, pool, std::move(lists));
    NspService service(refs, users, pool);
    NspServer nsp(service, options.maxConnections);
    if (!portal.Bind(options.httpPort, error) || !nsp.Bind(options.nspPort, error)) {
        LogError("brevio-demo-server: " + error);
        return 1;
    }
    pool.SetLinkBase(portal.BaseUrl());
    pool.Fill(options.items, std::time(nullptr));

    std::printf("nsp-port %d\nhttp-port %d\n", nsp.Port(), portal.Port());
    std::fflush(stdout);
    nsp.Start();
    portal.Start();
    LogLine("demo server: news on 127.0.0.1:" + std::to_string(nsp.Port()) + ", portal " +
            portal.BaseUrl() + ", " + std::to_string(pool.Size()) + " items up to id " +
            std::to_string(pool.MaxId()) + ", data " + dir);

    BatchFeeder feeder(pool, options.batchEvery, options.batchSize);
    if (options.batchEvery > 0) feeder.Start();

    const std::time_t started = std::time(nullptr);
    while (true) {
        timespec wait{1, 0};
        int sig = sigtimedwait(&stopSignals, nullptr, &wait);
        if (sig == SIGINT || sig == SIGTERM) {
            LogLine("demo server: stopping on signal " + std::to_string(sig));
            break;
        }
        if (options.exitAfter > 0 && std::time(nullptr) - started >= options.exitAfter) {
            LogLine("demo server: stopping after " + std::to_string(options.exitAfter) + " s");
            break;
        }
    }
    feeder.Stop();
    portal.Stop();
    nsp.Stop();
    return 0;
}

}  // namespace
}  // namespace brevio::demo

int main(int argc, char** argv) {
    using namespace brevio::demo;
    Options options;
    std::string error;
    if (!ParseOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::fprintf(stderr, "brevio-demo-server: %s\n%s", error.c_str(), UsageText());
        return 2;
    }
    if (options.help) {
        std::fputs(UsageText(), stdout);
        return 0;
    }
    SetLogQuiet(options.quiet);
    return Run(options);
}
