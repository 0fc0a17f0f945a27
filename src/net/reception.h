// News reception: the scheduler of reception jobs and the reception threads, one NSP news
// exchange each.
//
// A job is a reference to one subscription record. The scheduler keeps a first-in-first-out
// queue of jobs without duplicates (its own lock) and the number of running reception threads
// (a second lock); the two locks are never held together and neither is held while a thread
// runs an exchange. Reception schedules itself: a thread that ended with a result of 0 or
// more starts the next queued jobs (its own slot counting as free), a failed exchange starts
// nothing (the jobs behind it wait for the next receive command or the next successful end of
// another thread). The front end is only told (MainWindowSink::ReceptionFinished). Threads
// that ended are joined when the next threads start or the scheduler waits, so a client that
// runs for months keeps at most a few. The stop event ends every thread at its next chunk,
// read or pause; records handed to the store before the stop stay stored.
#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "net/exchange.h"
#include "net/subscription_lists.h"
#include "platform/event.h"
#include "platform/host.h"

namespace brevio::store {
class NewsIntake;
}

namespace brevio::net {

// Results of a news exchange beyond the shared exchange codes.
namespace reception {
inline constexpr int kStopped = -5;      // stop requested before the start
inline constexpr int kBusy = -6;         // the category is being received already
inline constexpr int kNoRecord = -7;     // no such subscription record
inline constexpr int kServerError = -9;  // a status other than 200 and 201
}  // namespace reception

// The user text (GBK) of a news exchange result: the reception codes above, else ResultText.
std::string ReceptionResultText(int code);

struct ReceptionContext {
    platform::MainWindowSink* window = nullptr;  // status texts, finished exchanges, messages
    SubscriptionLists* lists = nullptr;
    store::NewsIntake* intake = nullptr;
    const ServerEndpoint* server = nullptr;
    std::string userId;
    std::string password;
    std::string categoryFile;   // content folder + "Data/Category.dat"
    int threadLimit = 3;        // simultaneous reception threads
    int socketIntervalMs = 10;  // pause after every chunk
};

class ReceptionScheduler {
  public:
    explicit ReceptionScheduler(ReceptionContext context);
    // Stops every thread and waits for them.
    ~ReceptionScheduler();
    ReceptionScheduler(const ReceptionScheduler&) = delete;
    ReceptionScheduler& operator=(const ReceptionScheduler&) = delete;

    // Adds the job (unless queued already) and starts threads while there is room.
    void Schedule(const std::optional<RecordRef>& job);
    // "停止接收新闻": status text, stop event, empty queue.
    void StopAll();

    // The receive commands. Each resets the stop event (the trade command does not) and
    // marks that a reception was started; then the jobs are scheduled in order.
    void ReceiveCategory(const RecordRef& job);  // the category chosen in the navigation
    void ReceiveAllSelected();  // every selected, not busy record: public, trade, region
    void ReceivePublic();       // every selected, not busy public record
    void ReceiveTrade();        // marks the start only
    void ReceiveRegion();       // resets the stop event and marks the start only

    // The user the next exchanges log in as (after a login).
    void SetCredentials(std::string userId, std::string password);
    // The search tuning of a running client: at most `threadLimit` threads from the next
    // thread started on (running threads are not stopped), `socketIntervalMs` after every
    // chunk from the next chunk on. Values of 0 or less keep the current ones.
    void SetTuning(int threadLimit, int socketIntervalMs);
    int ThreadLimit() const { return threadLimit_.load(); }
    int SocketInterval() const { return socketIntervalMs_.load(); }

    int Running() const;
    std::size_t Queued() const;
    bool ReceptionStarted() const { return started_.load(); }
    platform::ManualResetEvent& StopEvent() { return stop_; }

    // Waits until no reception thread runs (or the time-out passes; -1 waits for good), then
    // joins the finished threads. True when none runs. Jobs left queued by a failed
    // exchange stay queued.
    bool WaitIdle(int timeoutMs);

    // Threads started and not yet joined (running or just ended).
    std::size_t ThreadCount() const;

    // The result of every exchange that ended since the last receive command, in the order
    // they ended (the last kResultsKept of them).
    struct Finished {
        RecordRef job;
        int result = 0;
    };
    std::vector<Finished> Results() const;

    // One news exchange for a record (what a reception thread runs); the number of records
    // accepted, or a negative code. Public for tests and tools.
    int RunExchange(const RecordRef& job);

    static constexpr std::size_t kResultsKept = 256;

  private:
    void Status(std::string_view text) const;
    void BeginCommand();
    void StartThreads(int endingThreads);
    void ReapFinishedThreads();
    void ThreadMain(RecordRef job);
    std::optional<RecordRef> TakeJob();
    void ScheduleSelected(Group group);

    ReceptionContext context_;
    std::atomic<int> threadLimit_;
    std::atomic<int> socketIntervalMs_;
    mutable std::mutex credentialsMutex_;  // guards context_.userId and context_.password
    platform::ManualResetEvent stop_;
    std::atomic<bool> started_{false};

    mutable std::mutex queueMutex_;
    std::vector<RecordRef> queue_;

    mutable std::mutex countMutex_;
    std::condition_variable countChanged_;
    int running_ = 0;

    mutable std::mutex threadsMutex_;
    std::vector<std::thread> threads_;
    std::vector<std::thread::id> finished_;

    mutable std::mutex resultsMutex_;
    std::vector<Finished> results_;
};

}  // namespace brevio::net
