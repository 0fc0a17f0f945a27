#include "radar/target_files.h"

#include "platform/fs.h"

namespace brevio::radar {

bool IsSafeTargetName(std::string_view name) {
    // GBK trail bytes are 0x40 and above, so these bytes never occur inside a character.
    return !name.empty() && name.find('/') == std::string_view::npos &&
           name.find('\0') == std::string_view::npos && name.find("..") == std::string_view::npos;
}

std::optional<TargetFiles> FilesOfTarget(std::string_view contentFolder, std::string_view name) {
    if (!IsSafeTargetName(name)) return std::nullopt;
    const std::string base = std::string(contentFolder) + "News/" + std::string(name);
    TargetFiles files{base + ".html", base + "_old.html", base + "_change.html",
                      base + "_changeAll.html", base + "_diff.html"};
    if (files.changeLog.size() >= kMaxPathBytes) return std::nullopt;  // the longest of the five
    return files;
}

}  // namespace brevio::radar
