// Reference-list refresh from the news server (UPDATE_CATEGORY): each list is asked for with
// the time of its last refresh, the reply's records are written into the list's ".tab" file,
// and the application's tables are reloaded.
//
// Reply body (status 200): records separated by runs of the byte 0x80; a record is lines of
// "KEY:value" ended by LF, a key found by plain substring search (first occurrence), its value
// running up to the next LF (a key without an LF after it is absent; the CR of a CR LF line
// end is dropped). Keys: stocks ID, NAME, ALIAS, TRADE; sites per category WEBSITEID, CATID;
// the code lists (Kind, Classify, trade, region, websites) ID, NAME.
//
// The writers build the new file as a temporary beside the target ("<name>.~ab" for the
// stock table and the code lists, "<name>~ab" for the site tables), flush it and rename it
// over the target, so that the table is always either the old or the new one. A temporary
// that cannot be created gives -13 (logged), with the target left as it was. Copies of the
// stock table and the site tables go to the folder "文本格式/Data/" under the conversion path.
//
// Last-update values live in "Pemlo.ini", section "UPDATELIST", in the profile structure form
// (the four bytes of the time value, low byte first, two upper-case hex digits each, and a
// checksum byte); missing or unreadable means 13 August 2001, 00:00:00 local time.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "reference/list_update_dialog.h"
#include "store/form_message.h"

namespace brevio::net {
class ServerEndpoint;
struct NspCredentials;
}  // namespace brevio::net
namespace brevio::platform {
class MainWindowSink;
}

namespace brevio::reference {

class ReferenceTables;

// ---- List types -------------------------------------------------------------------------

enum class ListType { kKind, kClassify, kTrade, kRegion, kWebsites, kStock, kCategorySites };

struct ListTypeInfo {
    ListType list;
    std::string_view type;           // TYPE value
    std::string label;               // GBK display name
    std::string_view lastUpdateKey;  // key in UPDATELIST ("catwebsites": a pattern with %s)
    std::string_view targetFile;     // in the data folder (catwebsites: by CAT, see below)
};
const ListTypeInfo& InfoOf(ListType list);

// The three groups of the sites per category, in refresh order: CAT value and target file.
struct CategorySitesGroup {
    std::string_view cat;
    std::string_view targetFile;
};
inline constexpr CategorySitesGroup kCategorySitesGroups[] = {
    {"classify", "WebsiteNews.tab"},
    {"trade", "WebsiteTrade.tab"},
    {"Region", "WebsiteRegion.tab"},
};
// The group of a CAT value (compared without regard to case), or null.
const CategorySitesGroup* CategorySitesGroupOf(std::string_view cat);

// ---- Last-update values -----------------------------------------------------------------

inline constexpr std::string_view kUpdateSection = "UPDATELIST";
// 2001-08-13 00:00:00 local time as seconds since 1970 (UTC).
std::int64_t DefaultLastUpdate();
// The key of a list ("CATWEBSITES_<cat>_LASTUPDATE" for the sites per category).
std::string LastUpdateKey(ListType list, std::string_view cat = {});
std::int64_t ReadLastUpdate(std::string_view pemloIni, std::string_view key);
bool WriteLastUpdate(std::string_view pemloIni, std::string_view key, std::int64_t time);

// The automatic-refresh switches in the same section ("1" on, anything else off).
struct AutoRefreshSwitches {
    bool classify = false, region = false, trade = false, websites = false, stock = false;
};
AutoRefreshSwitches ReadAutoRefreshSwitches(std::string_view pemloIni);

// ---- Reply records and writers ----------------------------------------------------------

inline constexpr int kBodySplitFailed = -1;
inline constexpr int kTempFileFailed = -13;

// The records of a body (pieces between runs of 0x80 that hold more than white space);
// nothing when the body cannot be split (it holds a NUL byte: not a text reply).
std::optional<std::vector<std::string_view>> SplitRecords(std::string_view body);
// The value of a key in a record, or nothing when the key is absent.
std::optional<std::string> RecordValue(std::string_view record, std::string_view key);

// Longest values kept. A code longer than its limit refuses the record (a cut code would
// name another entry); longer names, aliases and trades are cut between characters.
inline constexpr std::size_t kStockCodeMax = 7;
inline constexpr std::size_t kStockNameMax = 11;
inline constexpr std::size_t kStockAliasMax = 255;
inline constexpr std::size_t kStockTradeMax = 127;
inline constexpr std::size_t kSiteCodeMax = 11;
inline constexpr std::size_t kListCodeMax = 19;
inline constexpr std::size_t kListNameMax = 255;

// The stock-name procedure of the conversion database, called once per written stock with
// code, name, trade, aliases (in this order). Empty: no database.
using StockNameSink = std::function<void(std::string_view code, std::string_view name,
                                         std::string_view trade, std::string_view aliases)>;

// "<path up to its last '.'>.~ab" and "<path up to its last '.'>~ab".
std::string StockTempPath(std::string_view targetPath);
std::string SiteTempPath(std::string_view targetPath);
// conversionPath + "文本格式/Data/" (conversionPath ends in "/").
std::string ConversionDataFolder(std::string_view conversionPath);

// Each writer returns the number of records in the body, kBodySplitFailed or kTempFileFailed.
// When no record gives a line the target stays as it is.
//   stock table: "code TAB name TAB \"aliases\" TAB \"trade\" CR LF" for every record with a
//   code and a name, and the procedure call for it; a copy into the conversion data folder
//   (none when conversionPath is empty).
int WriteStockTable(std::string_view targetPath, std::string_view body,
                    std::string_view conversionPath, const StockNameSink& stockNames);
//   site tables: "site TAB category CR LF" for every record with both; a copy as above.
int WriteSiteTable(std::string_view targetPath, std::string_view body,
                   std::string_view conversionPath);
//   code lists: "code TAB name TAB flag CR LF" (websites.tab: "code TAB name CR LF"); the flag
//   of a code the current file already has is kept, a new code gets 'F'.
int WriteCodeList(std::string_view targetPath, std::string_view body, bool withFlags);

// ---- Refresh ----------------------------------------------------------------------------

// How a dialog ended: its result, its last status text and the message boxes it showed.
struct DialogEnd {
    DialogResult result = DialogResult::kCancel;
    std::string status;
    std::vector<store::FormMessage> messages;
};
// How a refresh runs its update dialog: the desktop client shows it modally, a front end
// without a window runs the form to its end.
using UpdateDialogRunner = std::function<DialogEnd(UpdateRequest& request, ListExchange exchange)>;
// The form run to its end on the calling thread; the stop button is pressed once
// stopRequested (when given) says so.
UpdateDialogRunner HeadlessDialogRunner(std::function<bool()> stopRequested = {});

// The exchange with the news server for a request (direct or through the proxy settings).
ListExchange ServerListExchange(const net::ServerEndpoint& server,
                                const net::NspCredentials& user);

struct ListUpdateContext {
    std::string contentFolder;   // the tables are in contentFolder + "Data/"
    std::string pemloIni;        // the last-update values and switches
    std::string conversionPath;  // copies of the stock and site tables; empty: none
    std::string transferFolder;  // the stock-name export ("name/" in TransPath); empty: none
    ListExchange exchange;
    UpdateDialogRunner runDialog;  // empty: HeadlessDialogRunner()
    StockNameSink stockNames;
    ReferenceTables* tables = nullptr;           // reloaded after a refresh; may be null
    platform::MainWindowSink* window = nullptr;  // navigation refresh codes; may be null
};

// What one exchange of a refresh came to.
struct ExchangeOutcome {
    std::string type;
    std::string cat;
    DialogResult result = DialogResult::kCancel;
    std::string status;  // the dialog's last status text
    std::vector<store::FormMessage> messages;  // the message boxes it showed
    int written = 0;     // the writer's result (0 when nothing was written)
};

// The lists a refresh button names.
enum class RefreshList { kPublicCategories, kRegions, kTrades, kWebsites, kStocks };

class ListUpdater {
  public:
    explicit ListUpdater(ListUpdateContext context);

    // One list: public categories (Kind, then Classify), regions, trades, web sites, stocks.
    // Results: 1 when a list was received and written (0 otherwise); for stocks the number of
    // records, 0 when nothing was received, -1 or -13 on failure. The last-update value is
    // stored only when the reply was written (for the public categories: after Classify).
    int UpdateList(RefreshList list);
    // One exchange of the sites per category; always 0. The table is reloaded when written.
    int UpdateCategorySites(std::string_view cat, std::string_view catId = {});

    // UpdateList, then with a result above 0 the lists reloaded from their files, the
    // navigation told (10, 11, 12) and, for stocks, the stock names exported.
    int Refresh(RefreshList list);
    // The three sites-per-category tables in their order (classify, trade, Region).
    void RefreshCategorySites();

    // An update button: the refresh; with a result above 0 the lists reloaded and the
    // navigation told (10, 11, 12); for stocks the stock-name export; the web-site button
    // then refreshes the three site tables. Returns the closing message.
    store::FormMessage PressButton(RefreshList list);

    // The automatic refresh by the switches of "Pemlo.ini", in the order public categories,
    // regions, trades, web sites (then always the three site tables), stocks; lists reloaded
    // and the navigation told as for the buttons, no message.
    void AutoRefresh();

    // The exchanges since the last UpdateList (which starts the record afresh; the site
    // tables add theirs), in order.
    const std::vector<ExchangeOutcome>& Exchanges() const { return exchanges_; }
    void ClearExchanges() { exchanges_.clear(); }

  private:
    DialogResult RunExchange(UpdateRequest& request, ExchangeOutcome& outcome);
    std::string TargetPath(std::string_view file) const;
    int RefreshCodeList(ListType list, bool storeTime);
    void AfterRefresh(RefreshList list, int result);
    void Reload(int table);

    ListUpdateContext context_;
    std::vector<ExchangeOutcome> exchanges_;
};

// The closing messages of the buttons.
store::FormMessage UpdateDoneMessage(RefreshList list);
// The navigation refresh code of a list (10, 11, 12), 0 for none.
int NavigationCodeOf(RefreshList list);

}  // namespace brevio::reference
