#include "net/reception.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>

#include "platform/host.h"
#include "platform/text.h"
#include "store/intake.h"

namespace brevio::net {
namespace {

constexpr int kReceptionNice = 10;

CategoryGroup RequestGroup(Group group) {
    switch (group) {
        case Group::kTrade:
            return CategoryGroup::kTrade;
        case Group::kRegion:
            return CategoryGroup::kRegion;
        default:
            return CategoryGroup::kPublic;
    }
}

// The status text of a news reply that broke off before the server closed it.
std::string BrokenReplyText(const NewsExchangeOutcome& outcome, const std::string& name,
                            const ServerEndpoint& server) {
    if (!outcome.deadlinePassed) return "与服务器传输数据出错!";
    return platform::Format("%s接收超过%d秒,已中止!", name.c_str(),
                            server.Get().exchangeTimeoutSeconds);
}

// Reception threads run at the lowest priority so the user interface stays responsive.
// On Linux the nice value of a thread id applies to that thread alone.
void LowerThreadPriority() {
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), kReceptionNice);
}

}  // namespace

std::string ReceptionResultText(int code) {
    switch (code) {
        case reception::kStopped:
            return "接收已停止";
        case reception::kBusy:
            return "该类别正在接收";
        case reception::kNoRecord:
            return "没有该类别";
        case reception::kServerError:
            return "服务器返回错误";
        default:
            return ResultText(code);
    }
}

ReceptionScheduler::ReceptionScheduler(ReceptionContext context)
    : context_(std::move(context)),
      threadLimit_(context_.threadLimit > 0 ? context_.threadLimit : 3),
      socketIntervalMs_(context_.socketIntervalMs) {}

void ReceptionScheduler::SetTuning(int threadLimit, int socketIntervalMs) {
    if (threadLimit > 0) threadLimit_.store(threadLimit);
    if (socketIntervalMs > 0) socketIntervalMs_.store(socketIntervalMs);
    // While a reception runs, a higher limit takes jobs waiting in the queue at once (jobs
    // left by a failed exchange with nothing running wait for the next command, as before).
    if (!stop_.IsSet() && Running() > 0) StartThreads(0);
}

void ReceptionScheduler::Status(std::string_view text) const {
    if (context_.window) context_.window->StatusText(0, text);
}

ReceptionScheduler::~ReceptionScheduler() {
    stop_.Set();
    {
        std::lock_guard lock(queueMutex_);
        queue_.clear();
    }
    WaitIdle(-1);
}

void ReceptionScheduler::Schedule(const std::optional<RecordRef>& job) {
    if (job) {
        std::lock_guard lock(queueMutex_);
        if (std::find(queue_.begin(), queue_.end(), *job) == queue_.end()) queue_.push_back(*job);
    }
    StartThreads(0);
}

std::optional<RecordRef> ReceptionScheduler::TakeJob() {
    std::lock_guard lock(queueMutex_);
    if (queue_.empty()) return std::nullopt;
    RecordRef job = queue_.front();
    queue_.erase(queue_.begin());
    return job;
}

void ReceptionScheduler::StartThreads(int endingThreads) {
    ReapFinishedThreads();
    while (true) {
        if (stop_.IsSet()) return;
        // The slot is taken in the same step as the limit is checked, so callers on several
        // threads at once (ending reception threads, a receive command, the options' tuning)
        // never start more threads than the limit.
        {
            std::lock_guard lock(countMutex_);
            if (running_ - endingThreads >= threadLimit_.load()) return;
            ++running_;
        }
        std::optional<RecordRef> job = TakeJob();
        if (!job) {
            std::lock_guard lock(countMutex_);
            --running_;
            countChanged_.notify_all();
            return;
        }
        try {
            std::lock_guard lock(threadsMutex_);
            threads_.emplace_back([this, j = *job] { ThreadMain(j); });
        } catch (const std::system_error&) {
            // The thread could not be created: the job is dropped and its slot released.
            std::lock_guard lock(countMutex_);
            --running_;
            countChanged_.notify_all();
        }
    }
}

void ReceptionScheduler::ThreadMain(RecordRef job) {
    LowerThreadPriority();
    int result = RunExchange(job);
    context_.lists->SaveIfChanged(job, context_.categoryFile);
    {
        std::lock_guard lock(resultsMutex_);
        if (results_.size() >= kResultsKept) results_.erase(results_.begin());
        results_.push_back({job, result});
    }
    if (context_.window) context_.window->ReceptionFinished(result);
    // A successful end starts the next queued jobs; this thread's slot counts as free for
    // that, and it still counts as running meanwhile, so the count never passes through 0
    // while jobs are about to start. A failed exchange starts nothing: the jobs behind it
    // wait for the next receive command or the next successful end of another thread.
    if (result >= 0) StartThreads(1);
    {
        std::lock_guard lock(threadsMutex_);
        finished_.push_back(std::this_thread::get_id());
    }
    std::lock_guard lock(countMutex_);
    --running_;
    countChanged_.notify_all();
}

void ReceptionScheduler::ReapFinishedThreads() {
    std::vector<std::thread> done;
    {
        std::lock_guard lock(threadsMutex_);
        const std::thread::id self = std::this_thread::get_id();
        for (auto it = threads_.begin(); it != threads_.end();) {
            const bool finished =
                it->get_id() != self &&
                std::find(finished_.begin(), finished_.end(), it->get_id()) != finished_.end();
            if (finished) {
                finished_.erase(std::find(finished_.begin(), finished_.end(), it->get_id()));
                done.push_back(std::move(*it));
                it = threads_.erase(it);
            } else {
                ++it;
            }
        }
    }
    // A finished thread has at most its last few instructions left.
    for (std::thread& t : done) t.join();
}

int ReceptionScheduler::RunExchange(const RecordRef& job) {
    std::optional<SubscriptionRecord> record = context_.lists->Get(job);
    const std::string name = record ? record->categoryName : std::string();
    if (stop_.IsSet()) {
        Status(platform::Format("%s已停止接收!", name.c_str()));
        return reception::kStopped;
    }
    if (!record) {
        if (context_.window) {
            context_.window->Message("请选择要搜索的新闻类别", "Tidewell",
                                     platform::MessageBoxSink::kWarning);
        }
        Status("非法请求!");
        return reception::kNoRecord;
    }
    // The busy flag keeps a second thread off the record; it is taken before connecting so
    // that two threads can never both receive for one category.
    if (!context_.lists->TrySetBusy(job)) {
        Status(platform::Format("%s正在搜索!", name.c_str()));
        return reception::kBusy;
    }

    NewsRequestInput in;
    {
        std::lock_guard lock(credentialsMutex_);
        in.userId = context_.userId;
        in.password = context_.password;
    }
    in.categoryId = record->categoryId;
    in.maxId = record->maxId;
    in.webSites = record->websites;
    in.keywords = record->keywords;
    in.keyRange = record->keyRange;
    in.group = RequestGroup(record->group);
    const std::string request = BuildNewsRequest(in);
    const std::string group = record->GroupName();

    NewsReplyReader reader;
    enum class Reply { kNone, kNothingNew, kServerError, kData } reply = Reply::kNone;
    int count = 0;
    NewsExchangeHandlers handlers;
    handlers.onStep = [this](NewsExchangeStep step) {
        Status(step == NewsExchangeStep::kConnecting ? "正在与服务器建立连接..." : "发送请求...");
    };
    // Called once the status line is whole: 201 and errors end the reading, 200 starts it.
    auto onStatus = [&](const ReplyStatus& status, std::string_view received) {
        if (status.kind == ReplyKind::kNothingNew) {
            reply = Reply::kNothingNew;
            Status(platform::Format("%s 暂无新的新闻", name.c_str()));
        } else if (status.kind != ReplyKind::kData) {
            reply = Reply::kServerError;
            Status(std::string(received));
        } else {
            reply = Reply::kData;
            Status(platform::Format("开始接收%s...", name.c_str()));
            context_.lists->SetTimeUpdate(job, static_cast<std::int64_t>(std::time(nullptr)));
        }
    };
    auto onRecord = [&](std::string_view block) {
        int id = context_.intake->AcceptRecord(block, group, job.categoryId);
        if (id > 0) {
            ++count;
            Status(platform::Format("正在接收第 %d 条%s...", count, name.c_str()));
        }
    };
    handlers.onChunk = [&](std::string_view chunk) {
        if (!reader.Feed(chunk, onStatus, onRecord)) return false;
        if (const int pause = socketIntervalMs_.load(); pause > 0) {
            stop_.WaitFor(std::chrono::milliseconds(pause));
        }
        return true;
    };

    NewsExchangeOutcome outcome = RunNewsExchange(*context_.server, request, handlers, &stop_);
    // A server that closed before the status line's line feed: what came is the status line.
    if (outcome.closedByServer) reader.Finish(onStatus, onRecord);
    int result = count;
    switch (reply) {
        case Reply::kNone:  // no whole status line arrived
            if (outcome.stopped) {
                Status(platform::Format("%s已停止接收!", name.c_str()));
                result = reception::kStopped;
            } else if (outcome.code == result::kCannotConnect) {
                Status("与服务器连接出错!");
                result = outcome.code;
            } else if (outcome.code == result::kCannotCreateSocket) {
                result = outcome.code;
            } else {
                Status(BrokenReplyText(outcome, name, *context_.server));
                result = result::kNetworkKernel;
            }
            break;
        case Reply::kNothingNew:
            result = 0;
            break;
        case Reply::kServerError:
            result = reception::kServerError;
            break;
        case Reply::kData:
            if (outcome.stopped) Status(platform::Format("%s已停止接收!", name.c_str()));
            // MAXID is not moved here: it follows the items as the store writer files them
            // (FilingProgress), so a crash never leaves it past an item still queued.
            if (reader.RecordTooLong()) {
                Status(platform::Format("%s的新闻记录超过%d字节,已中止接收!", name.c_str(),
                                        static_cast<int>(kMaxNewsRecordBytes)));
                result = result::kNetworkKernel;
            } else if (!outcome.stopped && outcome.BrokenOff()) {
                // Records complete before the break stay accepted; the reply is not whole.
                Status(BrokenReplyText(outcome, name, *context_.server));
                result = result::kNetworkKernel;
            } else {
                Status(platform::Format("本次共收到%d条%s!", count, name.c_str()));
            }
            break;
    }
    context_.lists->ClearBusy(job);
    return result;
}

void ReceptionScheduler::StopAll() {
    Status("用户终止接收!");
    stop_.Set();
    std::lock_guard lock(queueMutex_);
    queue_.clear();
}

void ReceptionScheduler::ScheduleSelected(Group group) {
    for (const SubscriptionRecord& r : context_.lists->Records(group)) {
        if (!r.selected || r.busy) continue;
        if (group == Group::kPublic && r.ExcludedFromBulkReceive()) continue;
        Schedule(RecordRef{group, r.categoryId});
    }
}

void ReceptionScheduler::ReceiveCategory(const RecordRef& job) {
    BeginCommand();
    Schedule(job);
}

void ReceptionScheduler::ReceiveAllSelected() {
    BeginCommand();
    ScheduleSelected(Group::kPublic);
    ScheduleSelected(Group::kTrade);
    ScheduleSelected(Group::kRegion);
}

void ReceptionScheduler::ReceivePublic() {
    BeginCommand();
    ScheduleSelected(Group::kPublic);
}

void ReceptionScheduler::BeginCommand() {
    stop_.Reset();
    started_ = true;
    std::lock_guard lock(resultsMutex_);
    results_.clear();
}

void ReceptionScheduler::ReceiveTrade() {
    started_ = true;
}

void ReceptionScheduler::ReceiveRegion() {
    stop_.Reset();
    started_ = true;
}

void ReceptionScheduler::SetCredentials(std::string userId, std::string password) {
    std::lock_guard lock(credentialsMutex_);
    context_.userId = std::move(userId);
    context_.password = std::move(password);
}

int ReceptionScheduler::Running() const {
    std::lock_guard lock(countMutex_);
    return running_;
}

std::size_t ReceptionScheduler::Queued() const {
    std::lock_guard lock(queueMutex_);
    return queue_.size();
}

bool ReceptionScheduler::WaitIdle(int timeoutMs) {
    {
        std::unique_lock lock(countMutex_);
        auto idle = [&] { return running_ == 0; };
        if (timeoutMs < 0) {
            countChanged_.wait(lock, idle);
        } else if (!countChanged_.wait_for(lock, std::chrono::milliseconds(timeoutMs), idle)) {
            return false;
        }
    }
    std::vector<std::thread> all;
    {
        std::lock_guard lock(threadsMutex_);
        for (std::thread& t : threads_) all.push_back(std::move(t));
        threads_.clear();
        finished_.clear();
    }
    for (std::thread& t : all) t.join();
    return true;
}

std::size_t ReceptionScheduler::ThreadCount() const {
    std::lock_guard lock(threadsMutex_);
    return threads_.size();
}

std::vector<ReceptionScheduler::Finished> ReceptionScheduler::Results() const {
    std::lock_guard lock(resultsMutex_);
    return results_;
}

}  // namespace brevio::net
