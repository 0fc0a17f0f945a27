#include "net/auto_search_form.h"

#include <algorithm>
#include <cctype>
#include <ctime>

#include "net/website_form.h"
#include "platform/text.h"

namespace brevio::net {

std::string AutoSearchForm::Caption() {
    return "自动搜索设置 ";
}
std::string AutoSearchForm::AutoSearchText() {
    return "是否自动搜索";
}
std::string AutoSearchForm::AllCategoriesText() {
    return "所有类别都默认此项设置";
}
std::string AutoSearchForm::StartLabel() {
    return "开始时间:";
}
std::string AutoSearchForm::EndLabel() {
    return "结束时间:";
}
std::string AutoSearchForm::IntervalLabel() {
    return "间隔(分钟):";
}

AutoSearchForm::AutoSearchForm(const SubscriptionLists& lists) {
    std::vector<SubscriptionRecord> records = lists.Records(Group::kPublic);
    if (!records.empty()) first_ = std::move(records.front());
}

std::string AutoSearchForm::InfoLine() const {
    return " 最后更新时间:" + LastUpdateText(first_.timeUpdate);
}

std::int32_t AutoSearchForm::Interval() const {
    return first_.intervalMinutes > 0 ? first_.intervalMinutes : kShownDefaultInterval;
}

std::int32_t AutoSearchForm::ParseInterval(std::string_view text) {
    text = text.substr(0, std::min(text.size(), kIntervalInputMax));
    // Blanks before the number are skipped as atoi skips them; eight digits fit an int.
    const long long value = platform::ParseLeadingInt(platform::TrimLeft(text));
    return value > 0 ? static_cast<std::int32_t>(value) : kShownDefaultInterval;
}

std::int64_t AutoSearchForm::StoredTime(std::int64_t base, TimeOfDay time) {
    const std::time_t from = base > 0 ? static_cast<std::time_t>(base) : std::time(nullptr);
    std::tm local{};
    localtime_r(&from, &local);
    local.tm_hour = std::clamp(time.hour, 0, 23);
    local.tm_min = std::clamp(time.minute, 0, 59);
    local.tm_sec = std::clamp(time.second, 0, 59);
    local.tm_isdst = -1;
    const std::time_t made = std::mktime(&local);
    return made < 0 ? 0 : std::min<std::int64_t>(made, kMaxStoredTime);
}

int AutoSearchForm::Ok(bool autoSearch, TimeOfDay start, TimeOfDay end,
                       std::string_view intervalText, SubscriptionLists& lists) const {
    const std::int64_t timeStart = StoredTime(first_.timeStart, start);
    const std::int64_t timeEnd = StoredTime(first_.timeEnd, end);
    const std::int32_t interval = ParseInterval(intervalText);
    return lists.UpdateGroup(Group::kPublic, [&](SubscriptionRecord& r) {
        r.autoSearch = autoSearch;
        r.timeStart = timeStart;
        r.timeEnd = timeEnd;
        r.intervalMinutes = interval;
    });
}

}  // namespace brevio::net
