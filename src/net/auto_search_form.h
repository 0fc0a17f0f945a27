// The automatic-search settings dialog ("设置自动搜索") as a form object. It shows the values of
// the first record of the public group and gives what OK reads to every record of that group.
// The values are stored and shown; they start no reception. Every text is GBK.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "net/property_view_form.h"
#include "net/subscription_lists.h"

namespace brevio::net {

class AutoSearchForm {
  public:
    static constexpr int kResource = 226;
    static constexpr int kCommand = 32842;
    static constexpr int kStartTime = 1011;
    static constexpr int kEndTime = 1012;
    static constexpr int kAutoSearchBox = 1013;
    static constexpr int kIntervalEdit = 1014;
    static constexpr int kOkButton = 1016;
    static constexpr int kAllCategoriesBox = 1225;
    // The interval box takes at most this many characters.
    static constexpr std::size_t kIntervalInputMax = 8;

    static std::string Caption();            // "自动搜索设置 "
    static std::string AutoSearchText();     // "是否自动搜索"
    static std::string AllCategoriesText();  // "所有类别都默认此项设置"
    static std::string StartLabel();         // "开始时间:"
    static std::string EndLabel();           // "结束时间:"
    static std::string IntervalLabel();      // "间隔(分钟):"

    // Starts from the first record of the public group (the defaults when there is none).
    explicit AutoSearchForm(const SubscriptionLists& lists);

    std::string InfoLine() const;  // " 最后更新时间:<last update>"
    bool AutoSearch() const { return first_.autoSearch; }
    TimeOfDay StartTime() const { return LocalTimeOfDay(first_.timeStart); }
    TimeOfDay EndTime() const { return LocalTimeOfDay(first_.timeEnd); }
    std::int32_t Interval() const;  // 15 when not above 0

    // The times and the interval can be edited only while automatic search is ticked.
    static bool TimesEnabled(bool autoSearchTicked) { return autoSearchTicked; }

    // OK: the box, both times and the interval go to every record of the public group, each
    // marked changed ("all categories" changes nothing: the values always go to all). The
    // times keep the dates they had (today's date for a time not set before). Returns the
    // number of records changed.
    int Ok(bool autoSearch, TimeOfDay start, TimeOfDay end, std::string_view intervalText,
           SubscriptionLists& lists) const;

    // The interval box's text: its first 8 characters read as a number; 15 when that is not a
    // number above 0.
    static std::int32_t ParseInterval(std::string_view text);
    // A time of day on the local date of `base` (of today when `base` is not set), as
    // stored: seconds since 1970.
    static std::int64_t StoredTime(std::int64_t base, TimeOfDay time);

  private:
    SubscriptionRecord first_;
};

}  // namespace brevio::net
