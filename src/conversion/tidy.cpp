#include "conversion/tidy.h"

#include <filesystem>
#include <system_error>

#include "conversion/conversion_settings.h"
#include "conversion/output_layout.h"
#include "conversion/output_lock.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/text.h"
#include "store/converted_index.h"

namespace brevio::conversion {
namespace {

namespace fs = std::filesystem;

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian calendar).
long long DaysFromCivil(long long y, long long m, long long d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

std::int32_t CivilFromDays(long long z) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const long long d = doy - (153 * mp + 2) / 5 + 1;
    const long long m = mp + (mp < 10 ? 3 : -9);
    const long long y = yoe + era * 400 + (m <= 2);
    return static_cast<std::int32_t>(y * 10000 + m * 100 + d);
}

fs::path Native(std::string_view gbkPath) {
    return fs::path(platform::NativePath(gbkPath));
}

// True when `folder` (which exists) resolves to a place inside `root`.
bool ResolvesInside(std::string_view folder, std::string_view root) {
    std::error_code ec1, ec2;
    const fs::path real = fs::canonical(Native(folder), ec1);
    const fs::path base = fs::canonical(Native(root), ec2);
    if (ec1 || ec2) return false;
    auto r = real.begin();
    for (auto b = base.begin(); b != base.end(); ++b, ++r) {
        if (r == real.end() || *r != *b) return false;
    }
    return r != real.end();  // strictly below the root
}

// A real folder (not a symbolic link to one).
bool IsPlainFolder(const std::string& path) {
    std::error_code ec;
    return fs::symlink_status(Native(path), ec).type() == fs::file_type::directory;
}

void TidyGroupFolder(const std::string& groupFolder, const std::string& convertPath,
                     std::int32_t cutoff, TidyResult& result) {
    if (!IsPlainFolder(groupFolder.substr(0, groupFolder.size() - 1)) ||
        !ResolvesInside(groupFolder, convertPath)) {
        return;
    }
    for (const std::string& name : platform::ListFolder(groupFolder)) {
        if (!IsExpiredDayFolder(name, cutoff)) continue;
        const std::string path = groupFolder + name;
        if (!IsPlainFolder(path)) continue;
        if (platform::RemoveTree(path)) {
            result.removedFolders.push_back(path);
        } else {
            result.failedFolders.push_back(path);
        }
    }
}

// Drops the entries before the cutoff from an index that exists.
void PurgeIndex(const std::string& indexBase, std::int32_t cutoff, int& dropped) {
    if (platform::FileExists(store::IndexPath(indexBase))) {
        store::PurgeOlder(indexBase, cutoff, &dropped);
    }
}

}  // namespace

std::int32_t DaysBefore(std::int32_t date, int days) {
    const long long y = date / 10000, m = date / 100 % 100, d = date % 100;
    return CivilFromDays(DaysFromCivil(y, m, d) - days);
}

bool IsExpiredDayFolder(std::string_view name, std::int32_t cutoff) {
    if (name.size() < 8) return false;
    std::string_view tail = name.substr(name.size() - 8);
    for (char c : tail) {
        if (c < '0' || c > '9') return false;
    }
    return platform::ParseLeadingInt(tail) <= cutoff;
}

TidyResult TidyConverted(const ConversionSettings& settings, int kind, int days,
                         std::int32_t today) {
    TidyResult result;
    if (days < kMinTidyDays) {
        result.refusal = store::FormMessage{"保留的天数不能小于2!", "信息提示",
                                            platform::MessageBoxSink::kInformation};
        return result;
    }
    result.cutoff = DaysBefore(today, days);
    const std::string& root = settings.convertPath;
    if (!root.empty() && platform::FolderExists(root)) {
        OutputLock lock(root, OutputLock::kExclusive);
        for (OutputForm form : {OutputForm::kHtml, OutputForm::kText}) {
            TidyGroupFolder(GroupOutputFolder(root, form, kind), root, result.cutoff, result);
        }
        PurgeIndex(GroupIndexBase(root, kind, OutputForm::kHtml), result.cutoff,
                   result.droppedHtml);
        PurgeIndex(GroupIndexBase(root, kind, OutputForm::kText), result.cutoff,
                   result.droppedText);
    }
    result.done = {"整理完毕!", "整理文件信息提示", platform::MessageBoxSink::kInformation};
    return result;
}

TidyResult TidyConverted(const ConversionSettings& settings, int kind, int days) {
    return TidyConverted(settings, kind, days, platform::Now().Stamp());
}

}  // namespace brevio::conversion
