// Folders of the program: the program folder and the folder that stands for drive c:.
#pragma once

#include <string>

namespace brevio::platform {

// Program folder with a trailing "/": $BREVIO_HOME/ when set, else $XDG_DATA_HOME/brevio/
// (default ~/.local/share/brevio/). Created when missing. Returned as GBK text.
std::string ProgramFolder();

// Folder that stands for drive c: with a trailing "/": $BREVIO_HOME/c/ when BREVIO_HOME is
// set, else $XDG_STATE_HOME/brevio/c/ (default ~/.local/state/brevio/c/). Created when missing.
std::string DriveCFolder();

// Registry file path: $BREVIO_HOME/Quorvel.reg or $XDG_CONFIG_HOME/Ostra/Quorvel.reg.
std::string RegistryFilePath();

// The user configuration document: program folder + "brevio.xml".
std::string UserConfigPath();

// Appends "/" when `folder` does not already end in one.
std::string WithSlash(std::string folder);

}  // namespace brevio::platform
