// The values the program works with after the start-up settings load, and the folders built
// from them. Every folder text is GBK and ends in "/".
#pragma once

#include <string>

namespace brevio::settings {

struct AppSettings {
    std::string programFolder;
    std::string userId;
    std::string password;  // plain text, in memory only
    std::string contentFolder;
    std::string newsFolder;  // contentFolder + "News/"
    bool autoLogin = false;
    std::string serverHost;  // effective host (built-in unless ServerHost is longer than 2 bytes)
    int serverPort = 0;      // effective port
    std::string portalAddress;
    int searchThreads = 0;  // effective limits
    int socketInterval = 0;
    int diskInterval = 0;
    int exchangeTimeout = 0;  // seconds
    std::string transPath;
    bool isTransNews = false;
    int isAutoMark = 1;
    int markSeconds = 0;
    // Settings files in the program folder.
    std::string pemloIni;   // "Pemlo.ini"
    std::string pemlo2Ini;  // "Pemlo2.ini"
    std::string radarIni;   // "Radar.ini"

    std::string DataFolder() const { return contentFolder + "Data/"; }
};

// The start-up settings load: reads every value in its order (writing defaults of missing
// ones) and applies the replacement rules.
AppSettings LoadAppSettings();

// Creates the content folder (one level) and News/, Favorite/, News/Stock/, News/Trade/,
// News/Region/ under it. Returns false when the content folder itself cannot be created (the
// caller shows its message); a sub-folder that fails is written to the error log.
bool CreateDataFolders(const AppSettings& settings);

// The message shown when the content folder cannot be created (GBK).
std::string ContentFolderErrorText();

}  // namespace brevio::settings
