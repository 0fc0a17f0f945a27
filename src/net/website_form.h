// The web-site dialog ("定制网站") of one category as a form object: the caption and the
// information line, the check list of every news web site with the sites stored for the
// category ticked, the count line, "tick all" and "clear all", the find box that walks the
// list from one hit to the next, and OK, which gives the ticked sites to the category (or to
// every public category) and stores them in UserWebsite.tab.
//
// The property view shows the same information line and check list read-only; both use the
// pieces declared first here. Every text is GBK. The forms run on the user-interface thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "net/subscription_lists.h"
#include "net/subscription_record.h"
#include "reference/ref_list.h"
#include "store/form_message.h"

namespace brevio::net {

// "%d-%d-%d %d:%d:%d" of a stored time in local time, "0:0" when the time is not set.
std::string LastUpdateText(std::int64_t time);
// The navigation path of a record: group and category name joined by "->".
std::string CategoryPath(const SubscriptionRecord& record);
// "<path>(<code>) 最后更新时间:<last update>": the code as the reference list spells it.
std::string CategoryInfoLine(const SubscriptionRecord& record);

// The sites of the reference list with their ticks and the count line "共%d个,已选择%d个".
class WebsiteChecklist {
  public:
    struct Site {
        std::string code;
        std::string name;
        bool ticked = false;
    };

    // Every site of `websites` in list order, ticked when `stored` names its code.
    WebsiteChecklist(const reference::RefList& websites, const std::vector<std::string>& stored);

    std::size_t Size() const { return sites_.size(); }
    const Site& At(std::size_t row) const { return sites_.at(row); }
    const std::vector<Site>& Sites() const { return sites_; }
    std::size_t TickedCount() const;
    std::string CountLine() const;

    void SetTicked(std::size_t row, bool ticked);
    void TickAll() { SetAll(true); }
    void ClearAll() { SetAll(false); }
    // The codes of the ticked sites in list order.
    std::vector<std::string> TickedCodes() const;

  private:
    void SetAll(bool ticked);
    std::vector<Site> sites_;
};

// "请选择一新闻类别" (title "Vantory"): the dialog was opened without a category and closes.
store::FormMessage NoCategoryMessage();
// "请选择要定制的类别": the web-site command without a category leaf selected.
store::FormMessage SelectCategoryMessage();

class WebsiteForm {
  public:
    static constexpr int kResource = 225;
    static constexpr int kSiteList = 1009;
    static constexpr int kTickAllButton = 1019;
    static constexpr int kClearAllButton = 1020;
    static constexpr int kFindEdit = 1212;
    static constexpr int kFindButton = 1223;
    static constexpr int kAllCategoriesBox = 1224;
    static constexpr int kOkButton = 1016;
    static std::string TickAllText();        // "全部选定"
    static std::string ClearAllText();       // "全部未选"
    static std::string FindText();           // "查找"
    static std::string AllCategoriesText();  // "所有的类别都默认此项设置"

    // `userWebsitePath` is the path of "UserWebsite.tab"; the record's stored sites are read
    // from it (or from its "Other" file).
    WebsiteForm(SubscriptionRecord record, const reference::RefList& websites,
                std::string userWebsitePath);

    const SubscriptionRecord& Record() const { return record_; }
    std::string Caption() const;  // "定制网站 —— <name>"
    std::string InfoLine() const { return CategoryInfoLine(record_); }
    WebsiteChecklist& Sites() { return sites_; }
    const WebsiteChecklist& Sites() const { return sites_; }

    // Find: the trimmed text must not be empty. The search starts after the last hit, or at
    // the top after a miss or after the text was edited, and takes the first site whose name
    // holds the text as a byte sequence. A miss gives its message; the dialog then selects the
    // whole edit text.
    std::variant<store::FormMessage, std::size_t> Find(std::string_view text);
    // The find text was edited: the next search starts at the top.
    void FindTextEdited() { nextFindRow_ = 0; }

    // OK: the ticked sites (none: all sites) go to this record, or to every record of the
    // public group with `allCategories`, which are marked changed, and each of them is written
    // to UserWebsite.tab or its "Other" file. Returns the number of records given the list.
    int Ok(bool allCategories, SubscriptionLists& lists);

  private:
    SubscriptionRecord record_;
    std::string userWebsitePath_;
    WebsiteChecklist sites_;
    std::size_t nextFindRow_ = 0;
};

}  // namespace brevio::net
