#include "news/work_queue.h"

namespace brevio::news {

WorkQueue::WorkQueue() : thread_([this] { Run(); }) {}

WorkQueue::~WorkQueue() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void WorkQueue::Post(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void WorkQueue::WaitIdle() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return jobs_.empty() && running_ == 0; });
}

std::size_t WorkQueue::Pending() const {
    std::lock_guard lock(mutex_);
    return jobs_.size() + running_;
}

void WorkQueue::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
        if (jobs_.empty()) return;  // stopping, nothing left
        std::function<void()> job = std::move(jobs_.front());
        jobs_.pop_front();
        ++running_;
        lock.unlock();
        if (job) job();
        job = nullptr;  // whatever the job holds goes before the queue counts it done
        lock.lock();
        --running_;
        if (jobs_.empty() && running_ == 0) idle_.notify_all();
    }
}

}  // namespace brevio::news
