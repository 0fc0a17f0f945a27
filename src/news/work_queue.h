// One worker thread that runs jobs one after the other in the order they were posted. The news
// list does its file work here (loading a news file, reading an item, writing the content
// page, marking and deleting records, copying items), so the user-interface thread never waits
// on a news file or its lock, and a reload posted after a delete sees the deletion.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace brevio::news {

class WorkQueue {
  public:
    WorkQueue();
    // Runs every job still queued, then ends the thread.
    ~WorkQueue();
    WorkQueue(const WorkQueue&) = delete;
    WorkQueue& operator=(const WorkQueue&) = delete;

    void Post(std::function<void()> job);
    // Waits until every job posted so far has run. Not to be called from a job.
    void WaitIdle();
    // Jobs posted and not yet finished.
    std::size_t Pending() const;

  private:
    void Run();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<std::function<void()>> jobs_;
    std::size_t running_ = 0;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace brevio::news
