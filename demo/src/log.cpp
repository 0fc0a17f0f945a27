#include "log.h"

#include <atomic>
#include <cstdio>
#include <mutex>

namespace brevio::demo {
namespace {

std::atomic<bool> gQuiet{false};
std::mutex gMutex;

void Write(std::string_view text) {
    std::lock_guard<std::mutex> lock(gMutex);
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

}  // namespace

void SetLogQuiet(bool quiet) {
    gQuiet = quiet;
}

void LogLine(std::string_view utf8) {
    if (!gQuiet) Write(utf8);
}

void LogError(std::string_view utf8) {
    Write(utf8);
}

}  // namespace brevio::demo
