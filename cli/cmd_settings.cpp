// settings load | settings get NAME | settings set NAME VALUE [--int]
#include <cstdio>

#include "commands.h"
#include "platform/registry.h"
#include "settings/app_settings.h"
#include "settings/keys.h"
#include "settings/registry_values.h"

namespace brevio::cli {
namespace {

namespace keys = settings::keys;

void PrintValue(const char* name, const std::string& gbkValue) {
    PrintLineGbk(std::string(name) + "\t" + gbkValue);
}

void PrintValue(const char* name, int value) {
    PrintValue(name, std::to_string(value));
}

// Runs the start-up settings load and the data-folder creation, and prints what the program
// then uses: for the password its plain text, for the endpoint and limits the effective values.
int Load() {
    settings::AppSettings s = settings::LoadAppSettings();
    if (!settings::CreateDataFolders(s)) ErrorLine(settings::ContentFolderErrorText());
    auto& reg = platform::Registry::Default();
    auto regInt = [&](const char* name) {
        return static_cast<int>(reg.GetDword(name).value_or(0));
    };
    auto regStr = [&](const char* name) { return reg.GetString(name).value_or(""); };
    PrintValue(keys::kUserId, s.userId);
    PrintValue(keys::kPassword, s.password);
    PrintValue(keys::kContentPath, s.contentFolder);
    PrintValue(keys::kAutoLogin, s.autoLogin ? 1 : 0);
    PrintValue(keys::kProxyMode, regInt(keys::kProxyMode));
    PrintValue(keys::kProxyHost, regStr(keys::kProxyHost));
    PrintValue(keys::kProxyPort, regInt(keys::kProxyPort));
    PrintValue(keys::kProxyUser, regStr(keys::kProxyUser));
    PrintValue(keys::kProxyPwd, regStr(keys::kProxyPwd));
    PrintValue(keys::kProxyAuth, regInt(keys::kProxyAuth));
    PrintValue(keys::kServerHost, s.serverHost);
    PrintValue(keys::kServerPort, s.serverPort);
    PrintValue(keys::kFavMaxID, regInt(keys::kFavMaxID));
    PrintValue(keys::kSearchThreads, s.searchThreads);
    PrintValue(keys::kSocketInterval, s.socketInterval);
    PrintValue(keys::kDiskInterval, s.diskInterval);
    PrintValue(keys::kTransPath, s.transPath);
    PrintValue(keys::kIsTransNews, s.isTransNews ? 1 : 0);
    PrintValue(keys::kIsAutoMark, s.isAutoMark);
    PrintValue(keys::kMarkSeconds, s.markSeconds);
    return kExitOk;
}

int Get(const std::string& name) {
    auto value = platform::Registry::Default().Get(ToGbk(name));
    if (!value) {
        ErrorLine("no value " + ToGbk(name));
        return kExitFailure;
    }
    if (const auto* d = std::get_if<std::uint32_t>(&*value)) {
        std::printf("%d\n", static_cast<int>(*d));
    } else {
        PrintLineGbk(std::get<std::string>(*value));
    }
    return kExitOk;
}

int Set(const std::string& name, const std::string& value, bool asInt) {
    auto& reg = platform::Registry::Default();
    bool ok;
    if (asInt) {
        long long v = 0;
        if (!ParseInt(value, v) || v < INT32_MIN || v > UINT32_MAX) {
            ErrorLine("not a 32-bit integer: " + ToGbk(value));
            return kExitUsage;
        }
        ok = reg.SetDword(ToGbk(name), static_cast<std::uint32_t>(v));
    } else {
        ok = reg.SetString(ToGbk(name), ToGbk(value));
    }
    if (!ok) {
        ErrorLine("cannot write " + reg.FilePath());
        return kExitFailure;
    }
    return kExitOk;
}

int Run(const Args& args) {
    if (args.size() == 1 && args[0] == "load") return Load();
    if (args.size() == 2 && args[0] == "get") return Get(args[1]);
    if (args.size() == 3 && args[0] == "set") return Set(args[1], args[2], false);
    if (args.size() == 4 && args[0] == "set" && args[3] == "--int") {
        return Set(args[1], args[2], true);
    }
    return Usage("settings");
}

}  // namespace

BREVIO_COMMAND(
    "settings",
    "  settings load                     run the start-up settings load, print NAME\\tVALUE\n"
    "  settings get NAME                 print one registry value\n"
    "  settings set NAME VALUE [--int]   write a string (or with --int a DWORD) value",
    Run);

}  // namespace brevio::cli
