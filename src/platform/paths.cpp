#include "platform/paths.h"

#include <cstdlib>

#include "platform/fs.h"

namespace brevio::platform {
namespace {

std::string EnvOr(const char* name, const std::string& fallback) {
    const char* v = std::getenv(name);
    return (v && *v) ? std::string(v) : fallback;
}

std::string HomeDir() {
    return EnvOr("HOME", "/tmp");
}

// Folder names come from the environment as UTF-8; the core works in GBK.
std::string FromEnvironment(const std::string& utf8) {
    return GbkPathFromNative(utf8);
}

}  // namespace

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

std::string ProgramFolder() {
    std::string folder;
    if (const char* home = std::getenv("BREVIO_HOME"); home && *home) {
        folder = home;
    } else {
        folder = EnvOr("XDG_DATA_HOME", HomeDir() + "/.local/share") + "/brevio";
    }
    folder = WithSlash(FromEnvironment(folder));
    CreateFolders(folder);
    return folder;
}

std::string DriveCFolder() {
    std::string folder;
    if (const char* home = std::getenv("BREVIO_HOME"); home && *home) {
        folder = std::string(home) + "/c";
    } else {
        folder = EnvOr("XDG_STATE_HOME", HomeDir() + "/.local/state") + "/brevio/c";
    }
    folder = WithSlash(FromEnvironment(folder));
    CreateFolders(folder);
    return folder;
}

std::string RegistryFilePath() {
    if (const char* home = std::getenv("BREVIO_HOME"); home && *home) {
        return WithSlash(FromEnvironment(home)) + "Quorvel.reg";
    }
    return WithSlash(FromEnvironment(EnvOr("XDG_CONFIG_HOME", HomeDir() + "/.config"))) +
           "Ostra/Quorvel.reg";
}

std::string UserConfigPath() {
    return ProgramFolder() + "brevio.xml";
}

}  // namespace brevio::platform
