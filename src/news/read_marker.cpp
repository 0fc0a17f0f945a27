#include "news/read_marker.h"

// <chrono> cannot be compiled with the GBK execution character set; <condition_variable>
// brings the clocks.
#include <condition_variable>

namespace brevio::news {
namespace {

class Steady : public MonotonicClock {
  public:
    std::int64_t NowMs() const override {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
};

}  // namespace

const MonotonicClock& SteadyClock() {
    static const Steady kClock;
    return kClock;
}

void ReadTimer::SetClock(const MonotonicClock& clock) {
    // The stretch counted so far stays counted; the new clock measures from now on.
    if (pending_ && active_) {
        countedMs_ = CountedMs();
        activeSinceMs_ = clock.NowMs();
    }
    clock_ = &clock;
}

void ReadTimer::Start(int seconds, bool active) {
    pending_ = true;
    requiredMs_ = static_cast<std::int64_t>(seconds) * 1000;
    countedMs_ = 0;
    active_ = active;
    activeSinceMs_ = clock_->NowMs();
}

void ReadTimer::Cancel() {
    pending_ = false;
    countedMs_ = 0;
}

void ReadTimer::SetActive(bool active) {
    if (active == active_) return;
    const std::int64_t now = clock_->NowMs();
    if (active_) countedMs_ += now - activeSinceMs_;
    active_ = active;
    activeSinceMs_ = now;
}

std::int64_t ReadTimer::CountedMs() const {
    if (!pending_) return 0;
    return countedMs_ + (active_ ? clock_->NowMs() - activeSinceMs_ : 0);
}

bool ReadTimer::Due() const {
    return pending_ && CountedMs() >= requiredMs_;
}

std::int64_t ReadTimer::RemainingMs() const {
    if (!pending_ || !active_) return -1;
    const std::int64_t left = requiredMs_ - CountedMs();
    return left > 0 ? left : 0;
}

SelectOutcome ReadMarker::Select(std::int32_t newsId, bool autoMark, int markSeconds, bool active) {
    if (hasShown_ && newsId == shownId_) return {};
    hasShown_ = true;
    shownId_ = newsId;
    timer_.Cancel();
    SelectOutcome outcome{true, MarkAction::kNone};
    if (!autoMark) return outcome;
    if (markSeconds <= 0) {
        outcome.mark = MarkAction::kMarkNow;
    } else {
        timer_.Start(markSeconds, active);
        outcome.mark = MarkAction::kTimerStarted;
    }
    return outcome;
}

}  // namespace brevio::news
