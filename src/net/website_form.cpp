#include "net/website_form.h"

#include <algorithm>
#include <ctime>

#include "platform/text.h"
#include "reference/user_websites.h"

namespace brevio::net {

std::string LastUpdateText(std::int64_t time) {
    if (time <= 0) return "0:0";
    const std::time_t t = static_cast<std::time_t>(time);
    std::tm local{};
    if (!localtime_r(&t, &local)) return "0:0";
    return platform::Format("%d-%d-%d %d:%d:%d", local.tm_year + 1900, local.tm_mon + 1,
                            local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
}

std::string CategoryPath(const SubscriptionRecord& record) {
    return platform::Format("%s->%s", record.GroupName().c_str(), record.categoryName.c_str());
}

std::string CategoryInfoLine(const SubscriptionRecord& record) {
    const std::string code = ReferenceCode(record.group, record.categoryId);
    return platform::Format("%s(%s) 最后更新时间:%s", CategoryPath(record).c_str(), code.c_str(),
                            LastUpdateText(record.timeUpdate).c_str());
}

// --- WebsiteChecklist ----------------------------------------------------------------------

WebsiteChecklist::WebsiteChecklist(const reference::RefList& websites,
                                   const std::vector<std::string>& stored) {
    sites_.reserve(websites.size());
    for (const reference::RefEntry& site : websites) {
        const bool ticked = std::find(stored.begin(), stored.end(), site.code) != stored.end();
        sites_.push_back({site.code, site.name, ticked});
    }
}

std::size_t WebsiteChecklist::TickedCount() const {
    return static_cast<std::size_t>(
        std::count_if(sites_.begin(), sites_.end(), [](const Site& s) { return s.ticked; }));
}

std::string WebsiteChecklist::CountLine() const {
    return platform::Format("共%d个,已选择%d个", static_cast<int>(sites_.size()),
                            static_cast<int>(TickedCount()));
}

void WebsiteChecklist::SetTicked(std::size_t row, bool ticked) {
    if (row < sites_.size()) sites_[row].ticked = ticked;
}

void WebsiteChecklist::SetAll(bool ticked) {
    for (Site& site : sites_) site.ticked = ticked;
}

std::vector<std::string> WebsiteChecklist::TickedCodes() const {
    std::vector<std::string> codes;
    for (const Site& site : sites_) {
        if (site.ticked) codes.push_back(site.code);
    }
    return codes;
}

store::FormMessage NoCategoryMessage() {
    return {"请选择一新闻类别", "Vantory", platform::MessageBoxSink::kWarning};
}

store::FormMessage SelectCategoryMessage() {
    return {"请选择要定制的类别", store::ProgramMessageTitle(), platform::MessageBoxSink::kWarning};
}

// --- WebsiteForm ---------------------------------------------------------------------------

std::string WebsiteForm::TickAllText() {
    return "全部选定";
}
std::string WebsiteForm::ClearAllText() {
    return "全部未选";
}
std::string WebsiteForm::FindText() {
    return "查找";
}
std::string WebsiteForm::AllCategoriesText() {
    return "所有的类别都默认此项设置";
}

WebsiteForm::WebsiteForm(SubscriptionRecord record, const reference::RefList& websites,
                         std::string userWebsitePath)
    : record_(std::move(record)),
      userWebsitePath_(std::move(userWebsitePath)),
      sites_(websites,
             reference::ReadUserWebsites(userWebsitePath_, record_.categoryId, websites)) {}

std::string WebsiteForm::Caption() const {
    return "定制网站 —— " + record_.categoryName;
}

std::variant<store::FormMessage, std::size_t> WebsiteForm::Find(std::string_view text) {
    const std::string_view wanted = platform::Trim(text);
    if (wanted.empty()) {
        return store::FormMessage{"请输入需查询的股票关键字", store::ProgramMessageTitle(),
                                  platform::MessageBoxSink::kWarning};
    }
    const std::vector<WebsiteChecklist::Site>& sites = sites_.Sites();
    for (std::size_t row = nextFindRow_; row < sites.size(); ++row) {
        if (sites[row].name.find(wanted) != std::string::npos) {
            nextFindRow_ = row + 1;
            return row;
        }
    }
    nextFindRow_ = 0;
    return store::FormMessage{
        "没找到包含\"" + std::string(wanted) + "\"的网站!\n可进入添加网站进行添加.",
        store::ProgramMessageTitle(), platform::MessageBoxSink::kInformation};
}

int WebsiteForm::Ok(bool allCategories, SubscriptionLists& lists) {
    return lists.ApplyWebsites({record_.group, record_.categoryId}, sites_.TickedCodes(),
                               allCategories, userWebsitePath_);
}

}  // namespace brevio::net
