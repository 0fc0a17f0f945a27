// The daily history clean-up trigger: called with 0 when the news views are first shown, 1 at
// exit and -1 from the clean-up button of the history options.
#pragma once

#include <functional>
#include <string>

namespace brevio::settings {

inline constexpr int kCleanupAtStart = 0;
inline constexpr int kCleanupAtExit = 1;
inline constexpr int kCleanupByHand = -1;
// The WhenCleanup value that leaves the clean-up to the button alone.
inline constexpr int kCleanupOnlyByHand = 2;

// Runs `cleanup` when the trigger matches WhenCleanup (or is -1; a WhenCleanup other than 0,
// 1 or 2 counts as 0) and the clean-up has not run today (HandleHistroyTime); today's stamp
// is written before `cleanup` is called. Returns true when `cleanup` was called. `todayStamp`
// is yyyymmdd of the local date.
// The test and the stamp are made under a lock shared with other processes (CleanupGatePath),
// so on one set of settings the clean-up runs once a day however many clients start.
bool RunHistoryCleanupTrigger(int trigger, int todayStamp, const std::function<void()>& cleanup);
std::string CleanupGatePath();

// The same with today's local date.
bool RunHistoryCleanupTrigger(int trigger, const std::function<void()>& cleanup);

}  // namespace brevio::settings
