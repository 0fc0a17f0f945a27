// The main window's decisions that need no window: the exit checks, what a refresh code
// rebuilds, the status line of the selected navigation node, and the portal's addresses (the
// settings pages of the portal lists, publishing, registration, the configuration document,
// forum, home page and help). Plain values in, plain values out, so the desktop client and
// the command-line front end share them. Every text is GBK.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/host.h"
#include "portal/config_document.h"

namespace brevio::client {

// Title of the program's own message boxes.
std::string MessageTitle();

// ---------------------------------------------------------------------------------------------
// Exit. The exit command first asks while reception threads run (No cancels the exit), then
// refuses while received items still wait to be written to disk; only then does it stop the
// threads and close.

enum class ExitAction {
    kProceed,  // nothing stops the exit
    kAsk,      // ask the question; on Yes go on with PendingExitCheck
    kRefuse,   // show the refusal; the exit is cancelled
};

struct ExitCheck {
    ExitAction action = ExitAction::kProceed;
    std::string text;  // the message (empty for kProceed)
    std::string title;
    platform::MessageBoxSink::Icon icon = platform::MessageBoxSink::kInformation;
    platform::MessageBoxSink::Buttons buttons = platform::MessageBoxSink::kOkOnly;
};

// The first check: the question while `runningThreads` > 0, else PendingExitCheck.
ExitCheck FirstExitCheck(std::size_t runningThreads, std::size_t pendingItems);
// The check after the question was answered Yes (or none was needed).
ExitCheck PendingExitCheck(std::size_t pendingItems);
// Both checks with `boxes`. `pendingItems` is read after the question was answered, since
// the store writer keeps writing while the user thinks. True: go on with the exit.
bool ConfirmExit(std::size_t runningThreads, const std::function<std::size_t()>& pendingItems,
                 platform::MessageBoxSink& boxes);

// ---------------------------------------------------------------------------------------------
// Refresh codes (the navigation refresh message): which parts of the navigation to rebuild.
// The front end remembers the open side-bar folder, rebuilds the parts in the order given and
// opens the remembered folder again.

enum RefreshCode : int {
    kRefreshRadar = 0,
    kRefreshMyNews = 1,
    kRefreshMyStock = 2,
    kRefreshFavorites = 8,
    kRefreshSubscriptions = 9,
    kRefreshPublicCategories = 10,
    kRefreshRegions = 11,
    kRefreshTrades = 12,
    kRefreshConversionSettings = 13,  // sent when the conversion settings change; rebuilds nothing
};

enum class NavigationPart {
    kRadarFolder,         // side bar, refilled from the radar list
    kFavoritesFolder,     // side bar
    kSubscriptionFolder,  // side bar, personal subscriptions
    kPublicTree,          // navigation tree of the public categories
    kRegionTree,
    kTradeTree,
    kMyNewsFolder,   // side bar, refilled from the my-news list
    kMyStockFolder,  // side bar, refilled from the my-stock list
};

// The parts a code rebuilds, in order; empty for 3 to 7, negative codes and codes above 12.
std::vector<NavigationPart> PartsToRebuild(int code);
// A short ASCII name of a part ("radar folder", "trade tree", ...) for logs and the CLI.
std::string_view NavigationPartName(NavigationPart part);

// ---------------------------------------------------------------------------------------------
// Status line (status-bar pane 0) for the selected navigation node. Columns are separated by
// "\t"; a negative count is shown as 0.

std::string FavoritesFolderStatus(std::string_view folder, int count);
std::string PersonalSubscriptionStatus(std::string_view name, int count);
std::string NewsCategoryStatus(std::string_view category, int count);
// A category shown with its group and the time of its last reception.
std::string NewsCategoryStatus(std::string_view group, std::string_view category, int count,
                               std::string_view lastUpdate);
std::string RegionCategoryStatus(std::string_view region, int count);
std::string TradeCategoryStatus(std::string_view trade, int count);
// News related to one stock: "name(code)".
std::string RelatedStockStatus(std::string_view stockName, std::string_view stockCode, int count);

// News of the trades a stock belongs to. With at least one trade name the status line lists
// them (separated by one blank); with none the status line stays as it is and `message`
// (titled MessageTitle()) says that the stock's trade is unknown.
struct StockTradeStatus {
    bool tradeKnown = false;
    std::string statusLine;  // when tradeKnown
    std::string message;     // when not
};
StockTradeStatus StockTradeInfoStatus(std::string_view stockName, std::string_view stockCode,
                                      const std::vector<std::string>& tradeNames, int count);

// ---------------------------------------------------------------------------------------------
// Portal addresses. A portal address gets "http://" in front when it does not start with it
// and loses trailing "/". User id and password go into queries as they are (GBK included),
// except the characters that would cut or change a query value, which go as %XX.

std::string PortalBase(std::string_view portalAddress);
std::string QueryValue(std::string_view value);

// The six portal lists with a settings page shown in the web settings dialog.
enum class SettingsPage { kRadar, kMyNews, kMyStock, kMyWeb, kMyBlog, kMyEmail };

inline constexpr SettingsPage kAllSettingsPages[] = {
    SettingsPage::kRadar, SettingsPage::kMyNews, SettingsPage::kMyStock,
    SettingsPage::kMyWeb, SettingsPage::kMyBlog, SettingsPage::kMyEmail,
};

struct SettingsPageInfo {
    SettingsPage page;
    int command;              // menu command that opens it
    std::string_view path;    // after the portal address, e.g. "/radarSet1.aspx"
    portal::Section section;  // list the page edits; the reload loads only this section
    int reloadIndex;          // 0 radar, 1 my news, 2 my stock, 3 my web, 4 my blog, 5 my e-mail
    int dialogKind;           // web settings dialog kind (0-5)
};

const SettingsPageInfo& PageInfo(SettingsPage page);
std::optional<SettingsPage> SettingsPageForCommand(int command);
std::optional<SettingsPage> SettingsPageForReloadIndex(int reloadIndex);
// The section a reload index loads (nullopt outside 0-5).
std::optional<portal::Section> SectionForReloadIndex(int reloadIndex);
// Caption of the web settings dialog ("设置信息雷达", ...).
std::string SettingsPageCaption(SettingsPage page);
// portal + page + "?userid=" + id + "&userpw=" + password.
std::string SettingsPageAddress(SettingsPage page, std::string_view portalAddress,
                                std::string_view userId, std::string_view password);

// The web settings dialog of a kind: the ids of the page's two watched buttons (the first
// closes the dialog with OK, the second with Cancel) and its sizes. Kinds outside 0-5 are
// treated as kind 0.
struct SettingsDialogLayout {
    std::string_view okButton;
    std::string_view cancelButton;
    int browserWidth = 0;
    int browserHeight = 0;
    int dialogWidth = 0;
    int dialogHeight = 0;  // without the caption, which the front end adds
};
SettingsDialogLayout SettingsDialogLayoutFor(int dialogKind);

// portal + "//publish.aspx?userid=" + id + "&userpw=" + password (the doubled "/" is what the
// portal has always been given).
std::string PublishingAddress(std::string_view portalAddress, std::string_view userId,
                              std::string_view password);
// The registration page.
std::string RegistrationAddress(std::string_view portalAddress);
// The user configuration document: portal + "/getTree.aspx?userid=" + id.
std::string ConfigurationAddress(std::string_view portalAddress, std::string_view userId);
// The forum (shown in the browser pane and opened with the shell) and the home page.
std::string ForumAddress(std::string_view portalAddress);
std::string HomePageAddress(std::string_view portalAddress);
// The help file in the program folder (which ends in "/").
std::string HelpFilePath(std::string_view programFolder);

}  // namespace brevio::client
