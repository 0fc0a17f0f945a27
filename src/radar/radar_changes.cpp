#include "radar/radar_changes.h"

#include <cstdio>

#include "platform/fs.h"
#include "platform/text.h"
#include "radar/target_files.h"

namespace brevio::radar {
namespace {

constexpr std::size_t kAppendBlock = 10240;

// Appends the numbered header and the change page to an existing change log.
void AppendToChangeLog(const TargetFiles& files, int number) {
    platform::File change;
    if (!change.Open(files.change, platform::File::kRead)) return;
    platform::File log;
    if (!log.Open(files.changeLog, platform::File::kReadWrite)) return;
    if (log.Seek(0, SEEK_END) < 0) return;
    if (!log.Write(platform::Format("<br/><div>第%d次改变</div><br/>", number))) return;
    char block[kAppendBlock];
    for (;;) {
        const long long got = change.Read(block, sizeof block);
        if (got < 0) return;
        if (got > 0 && !log.Write(block, static_cast<std::size_t>(got))) return;
        if (static_cast<std::size_t>(got) < sizeof block) return;
    }
}

}  // namespace

ChangeNotice HandleRadarChange(RadarTargetList& radarList, std::string_view contentFolder,
                               const RadarTarget& changed) {
    ChangeNotice notice;
    notice.text = changed.name + platform::Format("变化了%d次", changed.changeCount);
    notice.link = changed.url;
    notice.count = radarList.IncrementMatching(changed);
    if (const std::optional<TargetFiles> files = FilesOfTarget(contentFolder, changed.name)) {
        if (notice.count == 1) {
            platform::CopyFileAtomic(files->change, files->changeLog);
        } else {
            AppendToChangeLog(*files, notice.count);
        }
    }
    return notice;
}

std::string RadarEntryLabel(const RadarTarget& target) {
    if (target.changeCount == 0) return target.name;
    return target.name + platform::Format("(%d)", target.changeCount);
}

std::optional<OpenedTarget> OpenRadarTarget(RadarTargetList& radarList, std::size_t position,
                                            std::string_view contentFolder) {
    if (!radarList.ResetChangeCount(position)) return std::nullopt;
    std::optional<RadarTarget> target = radarList.At(position);
    if (!target) return std::nullopt;
    if (const std::optional<TargetFiles> files = FilesOfTarget(contentFolder, target->name)) {
        platform::CopyFileAtomic(files->changeLog, files->changeLogCopy);
    }
    return OpenedTarget{std::move(*target), radarList.AnyChanged()};
}

std::optional<std::string> RadarChangeContent(RadarTargetList& radarList, std::size_t position,
                                              std::string_view contentFolder) {
    if (!radarList.ResetChangeCount(position)) return std::nullopt;
    std::optional<RadarTarget> target = radarList.At(position);
    if (!target) return std::nullopt;
    std::optional<TargetFiles> files = FilesOfTarget(contentFolder, target->name);
    if (!files) return std::nullopt;
    return files->changeLogCopy;
}

}  // namespace brevio::radar
