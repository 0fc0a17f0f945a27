// The radar thread: fetches every radar target in endless passes, keeps the previous copy of
// each page, compares the new copy with it and tells the main window about changes.
//
// A pass copies the main window's radar list into the thread's snapshot and works on the
// snapshot only, so a reload of the configuration takes effect at the next pass. For each
// target, in order:
//
//   progress "正在抓取：<name>..."; a target without URL ends here;
//   fetch the page into the latest copy (a refused name or a failed fetch: "抓取：<name> 失败。");
//   "抓取：<name> 完毕。", pause;
//   no previous copy yet: the latest copy becomes the previous copy (first sight), done;
//   "比较 <name> 是否改变...", compare the previous with the latest copy (writing the change
//   page), and make the latest copy the previous one; if that copy fails, the previous copy
//   is deleted so the next pass starts from a first sight;
//   changed: "<name> 已经改变。", count the change in the snapshot, call the main window's
//   RadarChanged and wait for it, pause; unchanged: "<name> 没有改变。", pause.
//
// Then the thread pauses between passes. The progress texts (ending in "\r\n" except the
// first) go to MainWindowSink::RadarProgress, which must not block.
//
// Fetching. GET with a 5-second connect time-out and a 20-second receive time-out, and a
// two-minute bound on the whole transfer so that a page trickling in cannot hold up the
// radar for ever; a URL
// that does not begin with exactly "http://" (case matters) gets it put in front. Only a
// status of 200 to 299 counts. The body is stored as lines each followed by "\n" plus one more
// "\n" (radar_page.h); a page whose configured URL contains the blog host (setting BlogHost)
// keeps only its article list. Every copy is written to a temporary file and renamed into
// place, so a previous or latest copy is never half written.
//
// Stopping. Stop wakes the thread out of any pause and aborts a transfer in progress (the
// transfer watches the run flag), so the thread ends within a fraction of a second. A page
// whose transfer was cut short is abandoned: it is not stored, it does not replace the
// previous copy and it gives no notification; neither does a change found just as the stop
// arrives, which is left for the next run to find again.
//
// RadarChanged runs on the radar thread, which waits for it. A front end whose handler hands
// the call to the thread that also calls Stop must let the handler return without waiting
// once it has begun to stop the radar, or the two threads would wait for each other.
//
// The desktop client starts the thread at idle priority, so the radar never competes with
// the user interface.
#pragma once

#include <atomic>
#include <string>

#include "platform/host.h"
#include "radar/radar_target.h"
#include "radar/thread_base.h"

namespace brevio::radar {

class CRadarThread : public CThreadBase {
  public:
    struct Options {
        std::string contentFolder;  // ends in "/"; the pages live in its "News/" folder
        int fetchPauseMs = 1000;    // after each fetch and after each comparison result
        int passPauseMs = 10000;    // between passes
        int passes = 0;             // passes to run before ending by itself; 0: until Stop
        long connectTimeoutMs = 5000;
        long receiveTimeoutMs = 20000;    // no byte for this long abandons the transfer
        long transferTimeoutMs = 120000;  // bound of one whole transfer
    };

    // `notifyWindow` receives the progress texts and change notifications; `radarList` is the
    // main window's list, copied at the start of every pass. Both must outlive the thread.
    CRadarThread(platform::MainWindowSink& notifyWindow, const RadarTargetList& radarList,
                 Options options);
    ~CRadarThread() override;

    // Passes finished since Start.
    int PassesCompleted() const { return passesCompleted_.load(); }

  protected:
    void Work() override;

  private:
    enum class Fetch { kOk, kFailed, kStopped };

    void CheckTarget(RadarTarget& target, const std::string& blogHost);
    Fetch FetchPage(const RadarTarget& target, const std::string& latestPath,
                    const std::string& blogHost);
    void Post(const std::string& text);

    platform::MainWindowSink& notifyWindow_;
    const RadarTargetList& radarList_;
    const Options options_;
    RadarTargetList snapshot_;
    std::atomic<int> passesCompleted_{0};
};

}  // namespace brevio::radar
