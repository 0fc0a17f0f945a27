// The property view ("属性") of one category as a form object: everything the category's
// subscription holds, read-only: the information line, the web-site check list ticked as
// stored, the count line, automatic search with its start and end time and interval, and the
// days to keep. Its only button closes it. Every text is GBK.
#pragma once

#include <cstdint>
#include <string>

#include "net/subscription_record.h"
#include "net/website_form.h"
#include "reference/ref_list.h"

namespace brevio::net {

// Hours, minutes and seconds of a stored time in local time (all 0 when it is not set).
struct TimeOfDay {
    int hour = 0, minute = 0, second = 0;
    bool operator==(const TimeOfDay&) const = default;
};
TimeOfDay LocalTimeOfDay(std::int64_t time);

// Shown when the stored value is not above 0.
inline constexpr std::int32_t kShownDefaultInterval = 15;
inline constexpr std::int32_t kShownDefaultRemainDays = 7;

class PropertyViewForm {
  public:
    static constexpr int kResource = 142;
    static constexpr int kCommand = 32774;
    static constexpr int kCloseButton = 1016;
    static std::string CloseText();       // "退  出"
    static std::string AutoSearchText();  // "是否自动搜索"

    PropertyViewForm(SubscriptionRecord record, const reference::RefList& websites,
                     const std::string& userWebsitePath);

    std::string Caption() const;  // "属性 —— <name>"
    std::string InfoLine() const { return CategoryInfoLine(record_); }
    const WebsiteChecklist& Sites() const { return sites_; }
    bool AutoSearch() const { return record_.autoSearch; }
    TimeOfDay StartTime() const { return LocalTimeOfDay(record_.timeStart); }
    TimeOfDay EndTime() const { return LocalTimeOfDay(record_.timeEnd); }
    std::int32_t Interval() const;    // 15 when not above 0
    std::int32_t RemainDays() const;  // 7 when not above 0

  private:
    SubscriptionRecord record_;
    WebsiteChecklist sites_;
};

}  // namespace brevio::net
