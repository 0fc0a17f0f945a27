#include "radar/radar_thread.h"

#include "platform/fs.h"
#include "platform/http.h"
#include "radar/page_diff.h"
#include "radar/radar_page.h"
#include "radar/target_files.h"
#include "settings/keys.h"
#include "settings/registry_values.h"

namespace brevio::radar {

CRadarThread::CRadarThread(platform::MainWindowSink& notifyWindow, const RadarTargetList& radarList,
                           Options options)
    : notifyWindow_(notifyWindow), radarList_(radarList), options_(std::move(options)) {}

CRadarThread::~CRadarThread() {
    Stop();
}

void CRadarThread::Post(const std::string& text) {
    notifyWindow_.RadarProgress(text);
}

void CRadarThread::Work() {
    passesCompleted_.store(0);
    int passes = 0;
    while (KeepRunning()) {
        snapshot_.Clear();
        radarList_.CopyInto(snapshot_);
        const std::string blogHost =
            settings::ReadString(settings::keys::kBlogHost, settings::keys::kBlogHostDefault);
        RadarTargetList::Position pos = snapshot_.GetFirst();
        while (KeepRunning()) {
            RadarTarget* target = snapshot_.GetNext(pos);
            if (!target) break;
            CheckTarget(*target, blogHost);
        }
        if (!KeepRunning()) break;
        passesCompleted_.store(++passes);
        if (options_.passes > 0 && passes >= options_.passes) break;
        if (!Pause(options_.passPauseMs)) break;
    }
}

void CRadarThread::CheckTarget(RadarTarget& target, const std::string& blogHost) {
    const std::string& name = target.name;
    Post("正在抓取：" + name + "...");
    if (target.url.empty()) return;

    const std::string failed = "抓取：" + name + " 失败。\r\n";
    const std::optional<TargetFiles> files = FilesOfTarget(options_.contentFolder, name);
    if (!files) {
        Post(failed);
        return;
    }
    switch (FetchPage(target, files->latest, blogHost)) {
        case Fetch::kStopped:
            return;
        case Fetch::kFailed:
            Post(failed);
            return;
        case Fetch::kOk:
            break;
    }
    Post("抓取：" + name + " 完毕。\r\n");
    if (!Pause(options_.fetchPauseMs)) return;

    if (!platform::FileExists(files->previous)) {
        // First sight: nothing to compare with yet.
        platform::CopyFileAtomic(files->latest, files->previous);
        return;
    }

    Post("比较 " + name + " 是否改变...\r\n");
    PageDiff::Options diffOptions;
    diffOptions.nativePath = [](const std::string& path) { return platform::NativePath(path); };
    PageDiff diff(std::move(diffOptions));
    const bool changed = diff.Compare(files->previous, files->latest, files->change);
    // A change found as the thread is being stopped is not reported; keeping the old baseline
    // lets the next run find it again.
    if (changed && !KeepRunning()) return;
    if (!platform::CopyFileAtomic(files->latest, files->previous)) {
        platform::RemoveFile(files->previous);
        return;
    }
    if (changed) {
        Post(name + " 已经改变。\r\n");
        ++target.changeCount;
        notifyWindow_.RadarChanged(target.name, target.url, target.changeCount);
    } else {
        Post(name + " 没有改变。\r\n");
    }
    Pause(options_.fetchPauseMs);
}

CRadarThread::Fetch CRadarThread::FetchPage(const RadarTarget& target,
                                            const std::string& latestPath,
                                            const std::string& blogHost) {
    platform::HttpOptions http;
    http.connectTimeoutMs = options_.connectTimeoutMs;
    http.idleTimeoutMs = options_.receiveTimeoutMs;
    http.totalTimeoutMs = options_.transferTimeoutMs;
    http.keepRunning = &RunFlag();
    const platform::HttpResult reply =
        platform::HttpGet(platform::WithHttpPrefix(target.url), http);
    if (!KeepRunning()) return Fetch::kStopped;
    if (!reply.Ok()) return Fetch::kFailed;

    std::string text = PageLines(reply.body);
    if (IsBlogPage(target.url, blogHost)) text = BlogArticleList(text);
    text += '\n';
    return platform::WriteFileAtomic(latestPath, text) ? Fetch::kOk : Fetch::kFailed;
}

}  // namespace brevio::radar
