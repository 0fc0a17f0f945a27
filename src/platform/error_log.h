// The error logs at fixed paths under the drive-c folder. An entry is written only when the
// system error code is non-zero; it carries the local time, what failed, the code and the
// system's message text for it:
//   #### Write At y-m-d h:m:s ####\r\n
//   <what>\r\nError ID:<code> \nError Description: <message>\r\n
//   ########### End to Write ###########\r\n
#pragma once

#include <string>
#include <string_view>

namespace brevio::platform {

// "Tidewell/WError4.log" and "Tidewell/ErrorDB2.log" under the drive-c folder.
std::string FileErrorLogPath();
std::string DatabaseErrorLogPath();

// The entry text (without writing it), for a given time.
struct LocalTime;
std::string FormatErrorEntry(const LocalTime& t, std::string_view what, int code,
                             std::string_view message);

// Appends an entry to `logPath` when `code` is not zero; returns true when written.
bool WriteErrorEntry(std::string_view logPath, std::string_view what, int code,
                     std::string_view message);

// File failures of the news store and the reference tables, with the system's text for
// `code` (errno); nothing is written when code is 0.
bool LogFileError(std::string_view what, int code);
// Database failures, with the driver's message text.
bool LogDatabaseError(std::string_view what, int code, std::string_view message);

// The system's message text for an errno value (GBK; the C library's text is ASCII here).
std::string SystemMessage(int code);

}  // namespace brevio::platform
