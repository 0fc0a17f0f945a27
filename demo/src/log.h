// Request log of the demo server: one UTF-8 line per request on standard error.
#pragma once

#include <string_view>

namespace brevio::demo {

void SetLogQuiet(bool quiet);
// Writes one line (a line end is added); thread-safe, nothing when quiet.
void LogLine(std::string_view utf8);
// Always written, also when quiet (start-up failures and the like).
void LogError(std::string_view utf8);

}  // namespace brevio::demo
