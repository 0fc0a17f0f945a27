#include "platform/error_log.h"

#include <cstring>
#include <mutex>

#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace brevio::platform {
namespace {

// Entries of several threads must not interleave inside one log.
std::mutex gLogMutex;

}  // namespace

std::string FileErrorLogPath() {
    return DriveCFolder() + "Tidewell/WError4.log";
}
std::string DatabaseErrorLogPath() {
    return DriveCFolder() + "Tidewell/ErrorDB2.log";
}

std::string SystemMessage(int code) {
    char buf[256];
    // GNU strerror_r returns the text (possibly not in buf).
    const char* text = strerror_r(code, buf, sizeof buf);
    return text ? std::string(text) : std::string();
}

std::string FormatErrorEntry(const LocalTime& t, std::string_view what, int code,
                             std::string_view message) {
    std::string body = std::string(what) + "\r\nError ID:" + std::to_string(code) +
                       " \nError Description: " + std::string(message);
    return Format("#### Write At %d-%d-%d %d:%d:%d ####\r\n", t.year, t.month, t.day, t.hour,
                  t.minute, t.second) +
           body + "\r\n########### End to Write ###########\r\n";
}

bool WriteErrorEntry(std::string_view logPath, std::string_view what, int code,
                     std::string_view message) {
    if (code == 0) return false;
    std::string entry = FormatErrorEntry(Now(), what, code, message);
    std::lock_guard lock(gLogMutex);
    std::string path(logPath);
    std::size_t slash = path.rfind('/');
    if (slash != std::string::npos) CreateFolders(path.substr(0, slash + 1));
    File f;
    if (!f.Open(path, File::kAppend)) return false;
    return f.Write(entry);
}

bool LogFileError(std::string_view what, int code) {
    if (code == 0) return false;
    return WriteErrorEntry(FileErrorLogPath(), what, code, SystemMessage(code));
}

bool LogDatabaseError(std::string_view what, int code, std::string_view message) {
    return WriteErrorEntry(DatabaseErrorLogPath(), what, code, message);
}

}  // namespace brevio::platform
