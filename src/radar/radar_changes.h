// The main window's side of the radar, without widgets: what it does with a change
// notification and when the user opens a target. The desktop client calls these from its
// message handlers and adds the pop-up, the tray icon and the side bar; brevio-cli calls
// them from its notification handler, so both leave the same change logs behind.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "radar/radar_target.h"

namespace brevio::radar {

// What the pop-up notice shows after a change.
struct ChangeNotice {
    std::string text;  // "<name>变化了<n>次" with the count of the notifying target
    std::string link;  // the target's URL, opened when the notice is clicked
    int count = 0;     // the new change count in the radar list (0: no target matched)
};

// A change notification for `changed` (the radar thread's copy of the target): counts the
// change on the first target of `radarList` with the same name and URL, then folds the change
// page into the target's change log. The first change (count 1) makes the log a copy of the
// change page; every other one appends "<br/><div>第<n>次改变</div><br/>" and the change page
// to an existing log (a missing log is not created). File failures end the log update quietly.
ChangeNotice HandleRadarChange(RadarTargetList& radarList, std::string_view contentFolder,
                               const RadarTarget& changed);

// The side-bar label of a target: "<name>(<count>)" while the count is not 0, else the name.
std::string RadarEntryLabel(const RadarTarget& target);

struct OpenedTarget {
    RadarTarget target;       // the opened target (count already 0); its URL goes to the browser
    bool anyChanged = false;  // false: the tray icon stops blinking
};

// A click on the side-bar entry at `position`: resets the target's count and copies its
// change log over "<name>_diff.html". Nothing when there is no target at that position.
std::optional<OpenedTarget> OpenRadarTarget(RadarTargetList& radarList, std::size_t position,
                                            std::string_view contentFolder);

// The "变化内容" button for the selected entry: resets the count and gives the path of
// "<name>_diff.html" to open in the browser. Nothing when there is no target at that position
// or its name cannot name a file.
std::optional<std::string> RadarChangeContent(RadarTargetList& radarList, std::size_t position,
                                              std::string_view contentFolder);

}  // namespace brevio::radar
