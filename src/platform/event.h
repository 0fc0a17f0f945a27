// A manual-reset event: once set it stays set until reset; waiters wake when it is set.
#pragma once

// <chrono> itself cannot be compiled with the GBK execution character set (libstdc++ 12 has
// a micro-second suffix literal outside GBK); <condition_variable> brings the durations and clocks.
#include <condition_variable>
#include <mutex>

namespace brevio::platform {

class ManualResetEvent {
  public:
    explicit ManualResetEvent(bool initiallySet = false) : set_(initiallySet) {}
    void Set();
    void Reset();
    bool IsSet() const;
    // Waits until set or until the time-out passes; true when set.
    bool WaitFor(std::chrono::milliseconds timeout) const;
    void Wait() const;

  private:
    mutable std::mutex mutex_;
    mutable std::condition_variable cv_;
    bool set_;
};

}  // namespace brevio::platform
