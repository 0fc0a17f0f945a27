// When the news list marks the item it shows read. Selecting an item shows it unless it is the
// item already shown (then nothing is redrawn and no timer restarts); with IsAutoMark set the
// item is marked read at once when MarkSeconds is 0 or less, otherwise once it has been shown
// MarkSeconds seconds.
//
// Those seconds count only while the item is shown in an active window: a reader who switches
// to another program, or hides the main window, comes back to the item still unread, and the
// count goes on from where it stopped. The clock is handed in, so the timing can be driven
// without waiting.
#pragma once

#include <cstdint>

namespace brevio::news {

// Milliseconds of a clock that only goes forward.
class MonotonicClock {
  public:
    virtual ~MonotonicClock() = default;
    virtual std::int64_t NowMs() const = 0;
};

// The system's steady clock.
const MonotonicClock& SteadyClock();

// A clock that moves only when told (tests, benchmarks).
class ManualClock : public MonotonicClock {
  public:
    std::int64_t NowMs() const override { return now_; }
    void Advance(std::int64_t ms) { now_ += ms; }

  private:
    std::int64_t now_ = 0;
};

// The mark-read delay: counts the time an item is shown in an active window.
class ReadTimer {
  public:
    explicit ReadTimer(const MonotonicClock& clock) : clock_(&clock) {}
    void SetClock(const MonotonicClock& clock);

    // A new item is shown: the count starts at 0 and the item is due after `seconds` seconds
    // of active showing. `active`: whether the window is active now.
    void Start(int seconds, bool active);
    void Cancel();
    bool Pending() const { return pending_; }

    // The window became active or inactive.
    void SetActive(bool active);
    bool Active() const { return active_; }

    // Time counted so far.
    std::int64_t CountedMs() const;
    // Pending and counted long enough.
    bool Due() const;
    // Milliseconds until due while counting; -1 when not pending or not counting (inactive).
    std::int64_t RemainingMs() const;

  private:
    const MonotonicClock* clock_;
    bool pending_ = false;
    bool active_ = false;
    std::int64_t requiredMs_ = 0;
    std::int64_t countedMs_ = 0;      // counted before the current active stretch
    std::int64_t activeSinceMs_ = 0;  // start of the current active stretch
};

// What a selection asks the list to do.
enum class MarkAction {
    kNone,         // leave the read state alone
    kMarkNow,      // mark the item read now
    kTimerStarted  // the read timer runs; mark the then selected item when it is due
};
struct SelectOutcome {
    bool show = false;  // render the item (false: it is the item already shown)
    MarkAction mark = MarkAction::kNone;
};

// The shown item and its mark-read timer.
class ReadMarker {
  public:
    explicit ReadMarker(const MonotonicClock& clock = SteadyClock()) : timer_(clock) {}
    void SetClock(const MonotonicClock& clock) { timer_.SetClock(clock); }

    // An item was selected. Remembers its ID; when it differs from the shown one, cancels a
    // pending timer and decides by IsAutoMark and MarkSeconds.
    SelectOutcome Select(std::int32_t newsId, bool autoMark, int markSeconds, bool active);
    // The ID of the item shown (0 before the first).
    std::int32_t ShownId() const { return shownId_; }
    bool HasShown() const { return hasShown_; }

    ReadTimer& Timer() { return timer_; }
    const ReadTimer& Timer() const { return timer_; }

  private:
    ReadTimer timer_;
    std::int32_t shownId_ = 0;
    bool hasShown_ = false;
};

}  // namespace brevio::news
