#include "client/main_window_logic.h"

#include <climits>

#include "platform/http.h"
#include "platform/text.h"

namespace brevio::client {
namespace {

using platform::MessageBoxSink;

int CountForText(std::size_t count) {
    return count > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(count);
}

int Shown(int count) {
    return count < 0 ? 0 : count;
}

std::string Str(std::string_view s) {
    return std::string(s);
}

// One row per settings page, in the order of SettingsPage.
constexpr SettingsPageInfo kPages[] = {
    {SettingsPage::kRadar, 32980, "/radarSet1.aspx", portal::Section::kRadar, 0, 3},
    {SettingsPage::kMyNews, 32840, "/myNewsSet.aspx", portal::Section::kMyNews, 1, 2},
    {SettingsPage::kMyStock, 32813, "/stockSet.aspx", portal::Section::kMyStock, 2, 4},
    {SettingsPage::kMyWeb, 32863, "/myweb.aspx", portal::Section::kMyWeb, 3, 5},
    {SettingsPage::kMyBlog, 32866, "/myBLOG.aspx", portal::Section::kMyBlog, 4, 0},
    {SettingsPage::kMyEmail, 32865, "/myemail.aspx", portal::Section::kMyEmail, 5, 1},
};

}  // namespace

std::string MessageTitle() {
    return "Brevio提示";
}

// ---- exit ----

ExitCheck FirstExitCheck(std::size_t runningThreads, std::size_t pendingItems) {
    if (runningThreads == 0) return PendingExitCheck(pendingItems);
    ExitCheck check;
    check.action = ExitAction::kAsk;
    check.text = "正在接收新闻!\r\n\r\n你真的想退出吗?";
    check.title = MessageTitle();
    check.icon = MessageBoxSink::kQuestion;
    check.buttons = MessageBoxSink::kYesNo;
    return check;
}

ExitCheck PendingExitCheck(std::size_t pendingItems) {
    ExitCheck check;
    if (pendingItems == 0) return check;
    check.action = ExitAction::kRefuse;
    check.text =
        platform::Format("还有%d条新闻尚未保存到磁盘,请稍后退出!", CountForText(pendingItems));
    check.title = MessageTitle();
    check.icon = MessageBoxSink::kWarning;
    check.buttons = MessageBoxSink::kOkOnly;
    return check;
}

bool ConfirmExit(std::size_t runningThreads, const std::function<std::size_t()>& pendingItems,
                 MessageBoxSink& boxes) {
    if (runningThreads > 0) {
        const ExitCheck question = FirstExitCheck(runningThreads, 0);
        if (boxes.Show(question.text, question.title, question.icon, question.buttons) !=
            MessageBoxSink::kYes) {
            return false;
        }
    }
    const ExitCheck check = PendingExitCheck(pendingItems ? pendingItems() : 0);
    if (check.action == ExitAction::kRefuse) {
        boxes.Show(check.text, check.title, check.icon, check.buttons);
        return false;
    }
    return true;
}

// ---- refresh codes ----

std::vector<NavigationPart> PartsToRebuild(int code) {
    using P = NavigationPart;
    switch (code) {
        case kRefreshRadar:
            return {P::kRadarFolder};
        case kRefreshMyNews:
            return {P::kMyNewsFolder};
        case kRefreshMyStock:
            return {P::kMyStockFolder};
        case kRefreshFavorites:
            return {P::kFavoritesFolder, P::kSubscriptionFolder, P::kRadarFolder};
        case kRefreshSubscriptions:
            return {P::kSubscriptionFolder, P::kRadarFolder};
        case kRefreshPublicCategories:
            return {P::kPublicTree};
        case kRefreshRegions:
            return {P::kRegionTree};
        case kRefreshTrades:
            return {P::kTradeTree};
        default:
            return {};
    }
}

std::string_view NavigationPartName(NavigationPart part) {
    switch (part) {
        case NavigationPart::kRadarFolder:
            return "radar folder";
        case NavigationPart::kFavoritesFolder:
            return "favorites folder";
        case NavigationPart::kSubscriptionFolder:
            return "subscription folder";
        case NavigationPart::kPublicTree:
            return "public tree";
        case NavigationPart::kRegionTree:
            return "region tree";
        case NavigationPart::kTradeTree:
            return "trade tree";
        case NavigationPart::kMyNewsFolder:
            return "my-news folder";
        case NavigationPart::kMyStockFolder:
            return "my-stock folder";
    }
    return "";
}

// ---- status line ----

std::string FavoritesFolderStatus(std::string_view folder, int count) {
    return platform::Format("收藏夹:%s \t 共有%d条", Str(folder).c_str(), Shown(count));
}

std::string PersonalSubscriptionStatus(std::string_view name, int count) {
    return platform::Format("个性化订阅:%s \t 共有%d条", Str(name).c_str(), Shown(count));
}

std::string NewsCategoryStatus(std::string_view category, int count) {
    return platform::Format("新闻类别:%s \t 共有%d条", Str(category).c_str(), Shown(count));
}

std::string NewsCategoryStatus(std::string_view group, std::string_view category, int count,
                               std::string_view lastUpdate) {
    return platform::Format("新闻类别:%s->%s \t 共有%d条 \t 最后更新时间:%s", Str(group).c_str(),
                            Str(category).c_str(), Shown(count), Str(lastUpdate).c_str());
}

std::string RegionCategoryStatus(std::string_view region, int count) {
    return platform::Format("地区类别:%s \t 共有%d条", Str(region).c_str(), Shown(count));
}

std::string TradeCategoryStatus(std::string_view trade, int count) {
    return platform::Format("行业类别:%s \t 共有%d条", Str(trade).c_str(), Shown(count));
}

std::string RelatedStockStatus(std::string_view stockName, std::string_view stockCode, int count) {
    return platform::Format("个股信息->相关信息:%s(%s) \t 共有%d条", Str(stockName).c_str(),
                            Str(stockCode).c_str(), Shown(count));
}

StockTradeStatus StockTradeInfoStatus(std::string_view stockName, std::string_view stockCode,
                                      const std::vector<std::string>& tradeNames, int count) {
    StockTradeStatus status;
    const std::string name = Str(stockName);
    const std::string code = Str(stockCode);
    if (tradeNames.empty()) {
        status.message = platform::Format("%s(%s)所属的行业未知!", name.c_str(), code.c_str());
        return status;
    }
    status.tradeKnown = true;
    status.statusLine =
        platform::Format("个股信息->行业信息:%s(%s)  所属行业:", name.c_str(), code.c_str());
    for (std::size_t i = 0; i < tradeNames.size(); ++i) {
        if (i > 0) status.statusLine += ' ';
        status.statusLine += tradeNames[i];
    }
    status.statusLine += platform::Format("\t共%d条", Shown(count));
    return status;
}

// ---- portal addresses ----

std::string PortalBase(std::string_view portalAddress) {
    std::string base = platform::WithHttpPrefix(portalAddress);
    while (!base.empty() && base.back() == '/') base.pop_back();
    return base;
}

std::string QueryValue(std::string_view value) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '&' || c == '=' || c == '+' || c == '%' || c == '#' || c == ' ' || b < 0x20 ||
            b == 0x7F) {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 15];
        } else {
            out += c;
        }
    }
    return out;
}

const SettingsPageInfo& PageInfo(SettingsPage page) {
    for (const SettingsPageInfo& info : kPages) {
        if (info.page == page) return info;
    }
    return kPages[0];
}

std::optional<SettingsPage> SettingsPageForCommand(int command) {
    for (const SettingsPageInfo& info : kPages) {
        if (info.command == command) return info.page;
    }
    return std::nullopt;
}

std::optional<SettingsPage> SettingsPageForReloadIndex(int reloadIndex) {
    for (const SettingsPageInfo& info : kPages) {
        if (info.reloadIndex == reloadIndex) return info.page;
    }
    return std::nullopt;
}

std::optional<portal::Section> SectionForReloadIndex(int reloadIndex) {
    if (auto page = SettingsPageForReloadIndex(reloadIndex)) return PageInfo(*page).section;
    return std::nullopt;
}

std::string SettingsPageCaption(SettingsPage page) {
    switch (page) {
        case SettingsPage::kRadar:
            return "设置信息雷达";
        case SettingsPage::kMyNews:
            return "设置自选新闻";
        case SettingsPage::kMyStock:
            return "设置自选股票";
        case SettingsPage::kMyWeb:
            return "设置我的网站";
        case SettingsPage::kMyBlog:
            return "设置我的博客";
        case SettingsPage::kMyEmail:
            return "设置我的E-mail";
    }
    return "";
}

std::string SettingsPageAddress(SettingsPage page, std::string_view portalAddress,
                                std::string_view userId, std::string_view password) {
    return PortalBase(portalAddress) + Str(PageInfo(page).path) + "?userid=" + QueryValue(userId) +
           "&userpw=" + QueryValue(password);
}

SettingsDialogLayout SettingsDialogLayoutFor(int dialogKind) {
    switch (dialogKind) {
        case 2:
            return {"Button1", "Button2", 575, 400, 595, 400};
        case 3:
        case 4:
            return {"Button2", "Button3", 205, 485, 225, 490};
        default:  // 0 blog, 1 e-mail, 5 web
            return {"DeleteButton", "cancel", 205, 485, 225, 490};
    }
}

std::string PublishingAddress(std::string_view portalAddress, std::string_view userId,
                              std::string_view password) {
    return PortalBase(portalAddress) + "//publish.aspx?" + "userid=" + QueryValue(userId) +
           "&userpw=" + QueryValue(password);
}

std::string RegistrationAddress(std::string_view portalAddress) {
    return PortalBase(portalAddress) + "/login.aspx";
}

std::string ConfigurationAddress(std::string_view portalAddress, std::string_view userId) {
    return PortalBase(portalAddress) + "/getTree.aspx?userid=" + QueryValue(userId);
}

std::string ForumAddress(std::string_view portalAddress) {
    return PortalBase(portalAddress) + "/page/forum.html";
}

std::string HomePageAddress(std::string_view portalAddress) {
    return PortalBase(portalAddress) + "/";
}

std::string HelpFilePath(std::string_view programFolder) {
    return Str(programFolder) + "help.chm";
}

}  // namespace brevio::client
