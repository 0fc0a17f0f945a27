// Where conversion writes under the conversion path P (which ends in "/"):
//
//   P 文本格式/<yyyymmdd>/<category>/<title>.txt          items converted by hand
//   P 网页格式/<yyyymmdd>/<category>/<title>.htm
//   P 文本格式/<group>/<yyyymmdd>/<category>/<title>.txt  items converted as they arrive
//   P 网页格式/<group>/<yyyymmdd>/<category>/<title>.htm
//   P 文本格式/<group>/<yyyymmdd>/Index/<G>Text.idx       the day's converted text items
//   P <G>Text.idx, P <G>Html.idx                          every converted item of a group
//   P 文本格式/Data/                                      copies of the stock and site tables
//
// The groups are public news (list kind 10, "PeopleNews", "PeopleText", "PeopleHtml"), trades
// (12, "TradeNews", "TradeText", "TradeHtml") and regions (11, "RegionNews", "RegionText",
// "RegionHtml"). The day folders under the group folders are what the tidy-up deletes by age.
// Every path is GBK text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "reference/ref_list.h"

namespace brevio::conversion {

// The list kinds of the three groups.
inline constexpr int kKindPublic = reference::kKindPublicCategories;  // 10
inline constexpr int kKindRegion = reference::kKindRegions;           // 11
inline constexpr int kKindTrade = reference::kKindTrades;             // 12

// The two output forms.
enum class OutputForm { kText, kHtml };

// The list kind a news file's folder kind converts as: regions and trades as themselves,
// every other folder (public news, stocks, favourites, subscriptions) as public news.
int ListKindOfFolder(int folderKind);
// A list kind made one of the three (anything else counts as public news).
int GroupKind(int kind);

// "文本格式" and "网页格式".
std::string TextFolderName();
std::string HtmlFolderName();
std::string FormFolderName(OutputForm form);
// "PeopleNews", "RegionNews", "TradeNews".
std::string_view GroupFolderName(int kind);
// "PeopleText", "RegionText", "TradeText" and "PeopleHtml", "RegionHtml", "TradeHtml".
std::string_view TextIndexName(int kind);
std::string_view HtmlIndexName(int kind);
std::string_view IndexName(int kind, OutputForm form);
// The folder of the day indexes inside a date folder, and of the table copies.
inline constexpr std::string_view kIndexFolderName = "Index";
inline constexpr std::string_view kTableCopyFolderName = "Data";

// A date as its folder name: eight digits.
std::string DateFolderName(std::int32_t date);

// P + form + "/" + date + "/" + category + "/": the folder of an item converted by hand.
std::string ManualFolder(std::string_view convertPath, OutputForm form, std::int32_t date,
                         std::string_view categoryFolder);
// P + form + "/" + group + "/": the folder the tidy-up looks into.
std::string GroupOutputFolder(std::string_view convertPath, OutputForm form, int kind);
// P + form + "/" + group + "/" + date + "/" + category + "/": an item converted on arrival.
std::string AutoFolder(std::string_view convertPath, OutputForm form, int kind, std::int32_t date,
                       std::string_view categoryFolder);
// P + 文本格式/<group>/<date>/Index/ and the day index base path in it.
std::string DayIndexFolder(std::string_view convertPath, int kind, std::int32_t date);
std::string DayIndexBase(std::string_view convertPath, int kind, std::int32_t date);
// P + "PeopleText" (text) or P + "PeopleHtml" (web pages), and so on per group.
std::string GroupIndexBase(std::string_view convertPath, int kind, OutputForm form);
// P + 文本格式/Data/.
std::string TableCopyFolder(std::string_view convertPath);

}  // namespace brevio::conversion
