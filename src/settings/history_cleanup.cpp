#include "settings/history_cleanup.h"

#include "platform/clock.h"
#include "platform/paths.h"
#include "platform/process_lock.h"
#include "settings/keys.h"
#include "settings/registry_values.h"

namespace brevio::settings {

std::string CleanupGatePath() {
    return platform::RegistryFilePath() + ".cleanup.lock";
}

bool RunHistoryCleanupTrigger(int trigger, int todayStamp, const std::function<void()>& cleanup) {
    int when = ReadInt(keys::kWhenCleanup, keys::kWhenCleanupDefault);
    // 0 start-up, 1 exit, 2 only by hand; anything else is taken as the default.
    if (when < kCleanupAtStart || when > kCleanupOnlyByHand) when = keys::kWhenCleanupDefault;
    if (trigger != kCleanupByHand && trigger != when) return false;
    {
        // The gate is shared by every process on these settings: whoever passes it first
        // today runs the clean-up, the others find today's stamp.
        platform::ProcessLock gate = platform::ProcessLock::Wait(CleanupGatePath());
        if (ReadInt(keys::kHandleHistroyTime, keys::kHandleHistroyTimeDefault) == todayStamp) {
            return false;
        }
        WriteInt(keys::kHandleHistroyTime, todayStamp);
    }
    if (cleanup) cleanup();
    return true;
}

bool RunHistoryCleanupTrigger(int trigger, const std::function<void()>& cleanup) {
    return RunHistoryCleanupTrigger(trigger, platform::Now().Stamp(), cleanup);
}

}  // namespace brevio::settings
