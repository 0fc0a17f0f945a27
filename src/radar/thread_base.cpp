#include "radar/thread_base.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <system_error>

namespace brevio::radar {
namespace {

constexpr int kLowestNice = 19;

void ApplyPriority(CThreadBase::Priority priority) {
    if (priority == CThreadBase::Priority::kNormal) return;
    if (priority == CThreadBase::Priority::kIdle) {
        sched_param param{};
        param.sched_priority = 0;
        if (pthread_setschedparam(pthread_self(), SCHED_IDLE, &param) == 0) return;
    }
    // On Linux the nice value of a thread id applies to that thread alone.
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), kLowestNice);
}

}  // namespace

CThreadBase::~CThreadBase() {
    // Normally stopped by the subclass already; this only keeps a forgotten thread from
    // outliving its object.
    Stop();
}

bool CThreadBase::Start(Priority priority) {
    std::lock_guard lock(threadMutex_);
    if (thread_.joinable()) {
        if (working_.load()) return false;
        thread_.join();
    }
    run_.store(1);
    wake_.Reset();
    working_.store(true);
    try {
        thread_ = std::thread([this, priority] { Body(priority); });
    } catch (const std::system_error&) {
        working_.store(false);
        return false;
    }
    return true;
}

void CThreadBase::Body(Priority priority) {
    workerId_.store(std::this_thread::get_id());
    ApplyPriority(priority);
    Work();
    working_.store(false);
}

void CThreadBase::Stop() {
    run_.exchange(0);
    wake_.Set();
    if (workerId_.load() == std::this_thread::get_id())
        return;  // the worker cannot wait for itself
    std::lock_guard lock(threadMutex_);
    if (thread_.joinable()) thread_.join();
}

void CThreadBase::Join() {
    if (workerId_.load() == std::this_thread::get_id()) return;
    std::lock_guard lock(threadMutex_);
    if (thread_.joinable()) thread_.join();
}

bool CThreadBase::Pause(int milliseconds) {
    if (!KeepRunning()) return false;
    if (milliseconds > 0) wake_.WaitFor(std::chrono::milliseconds(milliseconds));
    return KeepRunning();
}

}  // namespace brevio::radar
