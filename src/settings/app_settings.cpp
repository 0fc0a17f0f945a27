#include "settings/app_settings.h"

#include "platform/error_log.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "settings/keys.h"
#include "settings/password.h"
#include "settings/registry_values.h"

namespace brevio::settings {

namespace {

// The content folder: the configured one when its Data/ sub-folder exists, else the program
// folder's CONTENT/ (written back).
std::string LoadContentFolder(const std::string& programFolder) {
    const std::string fallback = programFolder + "CONTENT/";
    std::string configured = ReadString(keys::kContentPath, "");
    if (!configured.empty()) {
        configured = platform::WithSlash(configured);
        if (platform::FolderExists(configured + "Data/")) return configured;
    }
    WriteString(keys::kContentPath, fallback);
    return fallback;
}

}  // namespace

AppSettings LoadAppSettings() {
    AppSettings s;
    s.programFolder = platform::ProgramFolder();
    s.pemloIni = s.programFolder + "Pemlo.ini";
    s.pemlo2Ini = s.programFolder + "Pemlo2.ini";
    s.radarIni = s.programFolder + "Radar.ini";

    s.userId = ReadString(keys::kUserId, "");
    s.password = UnscramblePassword(ReadString(keys::kPassword, ""));
    s.contentFolder = LoadContentFolder(s.programFolder);
    s.newsFolder = s.contentFolder + "News/";
    s.autoLogin = ReadInt(keys::kAutoLogin, keys::kAutoLoginDefault) > 0;

    // The proxy values are read so that they exist; every connection reads them again.
    ReadInt(keys::kProxyMode, keys::kProxyModeDefault);
    ReadString(keys::kProxyHost, "");
    ReadInt(keys::kProxyPort, keys::kProxyPortDefault);
    ReadString(keys::kProxyUser, "");
    ReadString(keys::kProxyPwd, "");
    ReadInt(keys::kProxyAuth, keys::kProxyAuthDefault);

    std::string host = ReadString(keys::kServerHost, "");
    s.serverHost = host.size() > 2 ? host : keys::kBuiltInServerHost;
    int port = ReadInt(keys::kServerPort, keys::kServerPortDefault);
    s.serverPort = port > 0 ? port : keys::kBuiltInServerPort;
    // The portal address is ours: it is not written on first read, so the built-in one
    // follows the program until a user sets another.
    if (auto portal = platform::Registry::Default().GetString(keys::kPortalAddress);
        portal && !portal->empty()) {
        s.portalAddress = *portal;
    } else {
        s.portalAddress = keys::kBuiltInPortal;
    }

    ReadInt(keys::kFavMaxID, keys::kFavMaxIDDefault);

    auto limit = [](const char* name, int builtIn) {
        int v = ReadInt(name, keys::kLimitDefault);
        return v > 0 ? v : builtIn;
    };
    s.searchThreads = limit(keys::kSearchThreads, keys::kBuiltInSearchThreads);
    s.socketInterval = limit(keys::kSocketInterval, keys::kBuiltInSocketInterval);
    s.diskInterval = limit(keys::kDiskInterval, keys::kBuiltInDiskInterval);
    s.exchangeTimeout = limit(keys::kExchangeTimeout, keys::kBuiltInExchangeTimeout);

    s.transPath = ReadString(keys::kTransPath, "");
    if (s.transPath.size() < 3) {
        s.transPath = s.contentFolder + "F10/";
        WriteString(keys::kTransPath, s.transPath);
    }
    s.isTransNews = ReadInt(keys::kIsTransNews, keys::kIsTransNewsDefault) != 0;

    s.isAutoMark = ReadInt(keys::kIsAutoMark, keys::kIsAutoMarkDefault);
    s.markSeconds = ReadInt(keys::kMarkSeconds, keys::kMarkSecondsDefault);
    return s;
}

std::string ContentFolderErrorText() {
    return "存放新闻内容的目录错误!\n请重新在“系统设置”中设置!\n";
}

bool CreateDataFolders(const AppSettings& settings) {
    const std::string& root = settings.contentFolder;
    if (!platform::FolderExists(root) && !platform::CreateFolder(root)) return false;
    for (const char* sub : {"News/", "Favorite/", "News/Stock/", "News/Trade/", "News/Region/"}) {
        std::string folder = root + sub;
        if (platform::FolderExists(folder)) continue;
        if (!platform::CreateFolder(folder)) platform::LogFileError(folder, platform::LastError());
    }
    return true;
}

}  // namespace brevio::settings
