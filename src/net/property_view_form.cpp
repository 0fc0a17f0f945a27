#include "net/property_view_form.h"

#include <ctime>

#include "reference/user_websites.h"

namespace brevio::net {

TimeOfDay LocalTimeOfDay(std::int64_t time) {
    if (time <= 0) return {};
    const std::time_t t = static_cast<std::time_t>(time);
    std::tm local{};
    if (!localtime_r(&t, &local)) return {};
    return {local.tm_hour, local.tm_min, local.tm_sec};
}

std::string PropertyViewForm::CloseText() {
    return "退  出";
}
std::string PropertyViewForm::AutoSearchText() {
    return "是否自动搜索";
}

PropertyViewForm::PropertyViewForm(SubscriptionRecord record, const reference::RefList& websites,
                                   const std::string& userWebsitePath)
    : record_(std::move(record)),
      sites_(websites, reference::ReadUserWebsites(userWebsitePath, record_.categoryId, websites)) {
}

std::string PropertyViewForm::Caption() const {
    return "属性 —— " + record_.categoryName;
}

std::int32_t PropertyViewForm::Interval() const {
    return record_.intervalMinutes > 0 ? record_.intervalMinutes : kShownDefaultInterval;
}

std::int32_t PropertyViewForm::RemainDays() const {
    return record_.remainDays > 0 ? record_.remainDays : kShownDefaultRemainDays;
}

}  // namespace brevio::net
