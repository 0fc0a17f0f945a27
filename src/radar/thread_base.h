// The program's base of worker threads: a thread that runs the object's Work and ends.
//
// Work loops while the run flag is set. Stop clears the flag, wakes the thread out of any
// Pause at once and waits until Work has returned; a worker that checks the flag between its
// steps (and hands the flag to its network calls, which give up when it clears) therefore ends
// promptly. A thread is never killed from outside.
//
// The object is not deleted when its thread ends; its owner deletes it after Stop (or Join).
// A subclass stops the thread in its own destructor, before its members go away.
#pragma once

#include <atomic>
#include <mutex>
#include <thread>

#include "platform/event.h"

namespace brevio::radar {

class CThreadBase {
  public:
    enum class Priority {
        kNormal,
        kLowest,  // the lowest nice value
        kIdle,    // runs only when nothing else wants the processor (SCHED_IDLE where allowed)
    };

    CThreadBase() = default;
    virtual ~CThreadBase();
    CThreadBase(const CThreadBase&) = delete;
    CThreadBase& operator=(const CThreadBase&) = delete;

    // Sets the run flag and starts the thread with the given priority. False when the thread
    // cannot be created or is still running.
    bool Start(Priority priority = Priority::kNormal);
    // Clears the run flag, wakes the thread and waits for it to end. Called on the worker
    // itself it only clears the flag.
    virtual void Stop();
    // Waits for a thread that ends by itself.
    void Join();
    // True from Start until Work has returned.
    bool IsRunning() const { return working_.load(); }

  protected:
    virtual void Work() = 0;

    bool KeepRunning() const { return run_.load() != 0; }
    // The run flag, for calls that poll it (HTTP transfers).
    const std::atomic<int>& RunFlag() const { return run_; }
    // Waits the given time; false when the thread was asked to stop before or during the wait.
    bool Pause(int milliseconds);

  private:
    void Body(Priority priority);

    std::atomic<int> run_{1};
    std::atomic<bool> working_{false};
    std::atomic<std::thread::id> workerId_{};  // set by the worker itself
    platform::ManualResetEvent wake_;
    std::mutex threadMutex_;  // guards thread_ between Start, Stop and Join
    std::thread thread_;
};

}  // namespace brevio::radar
