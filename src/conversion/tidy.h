// The tidy-up of converted news ("立即整理"): deletes the day folders of one group that are
// older than the days to keep, and drops the old entries of the group's indexes.
//
// With the cutoff = today minus `days` (yyyymmdd): under P 网页格式/<group>/ and then
// P 文本格式/<group>/, every sub-folder whose name ends in eight digits that give a number not
// above the cutoff is deleted, with everything in it; then the entries dated before the
// cutoff are dropped from P <G>Html and P <G>Text. The program deletes the folders itself.
//
// Nothing outside those two group folders is touched: only their direct sub-folders are
// candidates, a symbolic link is never followed nor deleted, and a group folder that resolves
// to a place outside the conversion path is left alone. The tidy-up holds the conversion
// path's output lock exclusively, so no conversion writes into a folder while it is deleted.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "store/form_message.h"

namespace brevio::conversion {

struct ConversionSettings;

inline constexpr int kMinTidyDays = 2;

struct TidyResult {
    // A count below kMinTidyDays: the message, and nothing was done.
    std::optional<store::FormMessage> refusal;
    std::int32_t cutoff = 0;
    std::vector<std::string> removedFolders;  // full paths, in the order deleted
    std::vector<std::string> failedFolders;   // candidates that could not be deleted
    int droppedHtml = 0;                      // entries dropped from the group's indexes
    int droppedText = 0;
    store::FormMessage done;  // "整理完毕!"
};

// The tidy-up of a group (10 public, 11 region, 12 trade) with today's date `today` (yyyymmdd).
TidyResult TidyConverted(const ConversionSettings& settings, int kind, int days,
                         std::int32_t today);
// The same with the local date of now.
TidyResult TidyConverted(const ConversionSettings& settings, int kind, int days);

// The date `days` days before `date` (both yyyymmdd, calendar arithmetic).
std::int32_t DaysBefore(std::int32_t date, int days);
// True when a folder name ends in eight digits that give a number not above the cutoff.
bool IsExpiredDayFolder(std::string_view name, std::int32_t cutoff);

}  // namespace brevio::conversion
