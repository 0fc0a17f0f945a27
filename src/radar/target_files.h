// The files the radar keeps for one target, all in the news folder (content folder + "News/"),
// named after the target:
//
//   <name>.html            the latest fetched copy (radar thread, after each fetch)
//   <name>_old.html        the previous copy, the baseline of the next comparison
//   <name>_change.html     the changed lines of the latest comparison
//   <name>_changeAll.html  the change log (main window, on each change notification)
//   <name>_diff.html       the copy of the change log that "变化内容" opens
//
// A name is part of five file names, so it must not lead out of the news folder: a name that
// is empty or holds "/", ".." or a zero byte is refused, and so is a name whose longest path
// would be kMaxPathBytes bytes or more (paths are never cut). The radar treats a refused
// target like a page that cannot be fetched.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace brevio::radar {

struct TargetFiles {
    std::string latest;
    std::string previous;
    std::string change;
    std::string changeLog;
    std::string changeLogCopy;
};

// Paths of this many bytes or more are refused.
inline constexpr std::size_t kMaxPathBytes = 260;

// True when the name can be the base of file names in the news folder.
bool IsSafeTargetName(std::string_view name);

// The five paths of a target; nothing when the name is refused or a path would be too long.
// `contentFolder` ends in "/".
std::optional<TargetFiles> FilesOfTarget(std::string_view contentFolder, std::string_view name);

}  // namespace brevio::radar
