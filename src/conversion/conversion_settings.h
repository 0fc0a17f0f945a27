// The conversion settings: registry values that decide whether, how and where received or
// edited news is converted for stock-analysis software, and the conversion category lists
// (which public categories, trades and regions are converted).
//
// LoadConversionSettings reads every value (a missing one is created with its default),
// applies the replacement rules, loads the conversion category lists and the conversion
// template's text. The running program keeps the result as its in-memory copy; the settings
// dialog's OK stores the registry values and the copy is loaded again.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "reference/reference_tables.h"
#include "store/form_message.h"

namespace brevio::conversion {

namespace keys {
inline constexpr const char* kConvertPath = "ConvertPath";
inline constexpr const char* kIsTranPeople = "IsTranPeople";
inline constexpr const char* kIsTranTrade = "IsTranTrade";
inline constexpr const char* kIsTranRegion = "IsTranRegion";
inline constexpr const char* kConvertAuto = "ConvertAuto";
inline constexpr const char* kConvertFormat = "ConvertFormat";
inline constexpr const char* kConvertTemplate = "ConvertTemplate";
inline constexpr const char* kTemplateName = "TemplateName";
inline constexpr const char* kTemplateIndex = "TemplateIndex";
inline constexpr const char* kSelectTemplate = "SelectTemplate";
inline constexpr const char* kTemplatePath = "TemplatePath";
inline constexpr const char* kPeopleData = "PeopleData";
inline constexpr const char* kTradeData = "TradeData";
inline constexpr const char* kRegionData = "RegionData";
inline constexpr const char* kEspeTransAuto = "pxEspeTransAuto";
inline constexpr const char* kEspeTransSelect = "pxEspeTransSelect";
inline constexpr const char* kEspeTransSerial = "pxEspeTransSerial";
inline constexpr const char* kEspeTransHand = "pxEspeTransHand";
inline constexpr const char* kEspeTransPath = "pxEspeTransPath";
inline constexpr const char* kUsbFileNum = "pxUsbFileNum";
inline constexpr const char* kEspeTransNum = "pxEspeTransNum";
inline constexpr const char* kDataResource = "pxDataResource";
inline constexpr const char* kDataUserName = "pxDataUserName";
inline constexpr const char* kDataPassWord = "pxDataPassWord";
inline constexpr const char* kRecentNewsNum = "pxRecentNewsNum";
inline constexpr const char* kHtmlTitle = "pxHtmlTitle";
inline constexpr const char* kTitleFilePath = "pxTitleFilePath";
inline constexpr const char* kAutoTrans = "pxAutoTrans";
inline constexpr const char* kTitleLinkPoint = "pxTitleLinkPoint";
inline constexpr const char* kInstallDir = "Install_Dir";
}  // namespace keys

// Days of converted news kept when the stored count is 0.
inline constexpr int kDefaultKeepDays = 7;
// A stored conversion path shorter than this is replaced by the program folder, a template
// folder shorter than kMinTemplatePath by the program folder's "Template/".
inline constexpr std::size_t kMinConvertPath = 3;
inline constexpr std::size_t kMinTemplatePath = 2;

// ConvertFormat.
enum Format { kFormatText = 0, kFormatHtml = 1, kFormatTextAndHtml = 2, kFormatDatabase = 3 };

// One entry of a conversion category list: a category chosen in "Vantory.ini", with its
// selection letter ('T' converted, 'F' not).
struct ConversionEntry {
    std::string code;
    std::string name;
    char flag = 'F';
    bool Converted() const { return flag == 'T'; }
    bool operator==(const ConversionEntry&) const = default;
};

struct ConversionCategoryLists {
    std::vector<ConversionEntry> people, trade, region;

    std::vector<ConversionEntry>& OfKind(int kind);
    const std::vector<ConversionEntry>& OfKind(int kind) const;
    // The entry with that code in the list of the kind, or nullptr.
    const ConversionEntry* Find(int kind, std::string_view code) const;
};

struct ConversionSettings {
    std::string programFolder;  // ends in "/"
    std::string convertPath;    // the conversion path P, ends in "/"
    int isTranPeople = 0;
    int isTranTrade = 0;
    int isTranRegion = 0;
    int convertAuto = 0;
    int convertFormat = kFormatText;
    int convertTemplate = 0;    // 0 the fixed template, 1 a custom one
    std::string templateNames;  // custom template names joined by "|"
    int templateIndex = 0;
    std::string selectTemplate;
    std::string templatePath;  // ends in "/"
    int peopleData = kDefaultKeepDays;
    int tradeData = kDefaultKeepDays;
    int regionData = kDefaultKeepDays;
    int espeTransAuto = 0;
    int espeTransSelect = 0;
    int espeTransSerial = 0;
    int espeTransHand = 0;
    std::string espeTransPath;
    int usbFileNum = 0;
    int espeTransNum = 0;
    std::string dataResource, dataUserName, dataPassWord;
    int recentNewsNum = 0;
    std::string htmlTitle;
    std::string titleFilePath;
    int autoTrans = 0;
    int titleLinkPoint = 0;
    std::string installDir;

    // The conversion template: the chosen template's name and its text.
    std::string templateName;
    std::string templateText;
    ConversionCategoryLists categories;

    // The custom template names (TemplateName split at "|", empty parts left out).
    std::vector<std::string> TemplateNameList() const;
    // Days kept for a group (10 public, 11 region, 12 trade).
    int KeepDays(int kind) const;
};

// Reads every value (creating missing ones), applies the replacement rules, loads the
// conversion category lists and the chosen template. `programFolder` ends in "/".
ConversionSettings LoadConversionSettings(std::string_view programFolder,
                                          const reference::ReferenceTables& tables);

// The name of the template the settings choose: the fixed template while ConvertTemplate is
// 0 (or no custom one is named), otherwise SelectTemplate.
std::string ChosenTemplateName(int convertTemplate, std::string_view selectTemplate);

// --- Conversion category lists ---------------------------------------------------------

// A category id of "Vantory.ini" read as a number n: a public category when 1000 < n <
// 100000 (code n, one leading "0" up to 9999), a trade when n < 1000 (code n - 200, one
// leading "0" below 10), a region when n > 100000 (code n - 100000).
struct ConversionCategoryId {
    int kind = 0;
    std::string code;
    bool operator==(const ConversionCategoryId&) const = default;
};
std::optional<ConversionCategoryId> DecodeConversionCategoryId(std::string_view id);

// program folder + "Content/Data/" + "PeopleConvert.ini", "TradeConvert.ini" or
// "RegionConvert.ini".
std::string ConversionFlagsFile(std::string_view programFolder, int kind);

// The lists from the program folder's "Vantory.ini": every id found in its reference list,
// in file order, with the letter stored in the group's flags file ('F' when none).
ConversionCategoryLists LoadConversionCategories(std::string_view programFolder,
                                                 const reference::ReferenceTables& tables);
// Writes every entry of a list to its flags file (section = code, CategoryName, IsSelect).
bool SaveConversionFlags(std::string_view programFolder, int kind,
                         const std::vector<ConversionEntry>& entries);

// --- Stock-terminal folder ---------------------------------------------------------------

// The check of the stock-terminal transfer folder at start-up: while the transfer is on
// ("IsTransNews"), a non-empty folder ("TransPath") gets a trailing "/" and its folders NR/,
// NR/Region/, NR/Trade/ and NR/XGXX/ are created; an empty one gives the message and the
// transfer is off for this run.
struct StockTerminalCheck {
    bool transferOn = false;
    std::string folder;  // with its trailing "/"
    std::optional<store::FormMessage> message;
};
StockTerminalCheck CheckStockTerminalFolder(bool isTransNews, std::string_view transPath);
std::string StockTerminalFolderMessage();

}  // namespace brevio::conversion
