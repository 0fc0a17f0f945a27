#include "conversion/conversion_settings.h"

#include "conversion/output_layout.h"
#include "conversion/templates.h"
#include "net/subscription_selection.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "settings/registry_values.h"

namespace brevio::conversion {
namespace {

constexpr const char* kFlagsNameKey = "CategoryName";
constexpr const char* kFlagsSelectKey = "IsSelect";

int KindOfGroup(net::Group group) {
    switch (group) {
        case net::Group::kTrade:
            return kKindTrade;
        case net::Group::kRegion:
            return kKindRegion;
        default:
            return kKindPublic;
    }
}

int KeepDays(const char* key) {
    int days = settings::ReadInt(key, kDefaultKeepDays);
    return days == 0 ? kDefaultKeepDays : days;
}

}  // namespace

std::vector<ConversionEntry>& ConversionCategoryLists::OfKind(int kind) {
    switch (GroupKind(kind)) {
        case kKindTrade:
            return trade;
        case kKindRegion:
            return region;
        default:
            return people;
    }
}

const std::vector<ConversionEntry>& ConversionCategoryLists::OfKind(int kind) const {
    return const_cast<ConversionCategoryLists*>(this)->OfKind(kind);
}

const ConversionEntry* ConversionCategoryLists::Find(int kind, std::string_view code) const {
    for (const ConversionEntry& e : OfKind(kind)) {
        if (e.code == code) return &e;
    }
    return nullptr;
}

std::vector<std::string> ConversionSettings::TemplateNameList() const {
    std::vector<std::string> names;
    for (std::string& n : platform::Split(templateNames, '|')) {
        if (!n.empty()) names.push_back(std::move(n));
    }
    return names;
}

int ConversionSettings::KeepDays(int kind) const {
    switch (GroupKind(kind)) {
        case kKindTrade:
            return tradeData;
        case kKindRegion:
            return regionData;
        default:
            return peopleData;
    }
}

std::string ChosenTemplateName(int convertTemplate, std::string_view selectTemplate) {
    if (convertTemplate == 0 || selectTemplate.empty()) return FixedTemplateName();
    return std::string(selectTemplate);
}

ConversionSettings LoadConversionSettings(std::string_view programFolder,
                                          const reference::ReferenceTables& tables) {
    using settings::ReadInt;
    using settings::ReadString;
    ConversionSettings s;
    s.programFolder = platform::WithSlash(std::string(programFolder));
    s.templateNames = ReadString(keys::kTemplateName, "");
    s.selectTemplate = ReadString(keys::kSelectTemplate, "");
    s.convertPath = ReadString(keys::kConvertPath, s.programFolder);
    if (s.convertPath.size() < kMinConvertPath) {
        s.convertPath = s.programFolder;
        settings::WriteString(keys::kConvertPath, s.convertPath);
    }
    s.convertPath = platform::WithSlash(s.convertPath);
    s.isTranPeople = ReadInt(keys::kIsTranPeople, 0);
    s.isTranTrade = ReadInt(keys::kIsTranTrade, 0);
    s.isTranRegion = ReadInt(keys::kIsTranRegion, 0);
    s.convertAuto = ReadInt(keys::kConvertAuto, 0);
    s.convertFormat = ReadInt(keys::kConvertFormat, kFormatText);
    s.convertTemplate = ReadInt(keys::kConvertTemplate, 0);
    s.templateIndex = ReadInt(keys::kTemplateIndex, 0);
    s.templatePath = ReadTemplatePath(s.programFolder);
    s.templateName = ChosenTemplateName(s.convertTemplate, s.selectTemplate);
    s.templateText = LoadTemplate(s.templatePath, s.templateName);
    s.peopleData = KeepDays(keys::kPeopleData);
    s.tradeData = KeepDays(keys::kTradeData);
    s.regionData = KeepDays(keys::kRegionData);
    s.espeTransAuto = ReadInt(keys::kEspeTransAuto, 0);
    s.espeTransSelect = ReadInt(keys::kEspeTransSelect, 0);
    s.espeTransSerial = ReadInt(keys::kEspeTransSerial, 0);
    s.espeTransHand = ReadInt(keys::kEspeTransHand, 0);
    s.espeTransPath = ReadString(keys::kEspeTransPath, "");
    s.usbFileNum = ReadInt(keys::kUsbFileNum, 0);
    s.espeTransNum = ReadInt(keys::kEspeTransNum, 0);
    s.dataResource = ReadString(keys::kDataResource, "");
    s.dataUserName = ReadString(keys::kDataUserName, "");
    s.dataPassWord = ReadString(keys::kDataPassWord, "");
    s.recentNewsNum = ReadInt(keys::kRecentNewsNum, 0);
    s.htmlTitle = ReadString(keys::kHtmlTitle, "");
    s.titleFilePath = ReadString(keys::kTitleFilePath, "");
    s.autoTrans = ReadInt(keys::kAutoTrans, 0);
    s.titleLinkPoint = ReadInt(keys::kTitleLinkPoint, 0);
    s.installDir = ReadString(keys::kInstallDir, "");
    s.categories = LoadConversionCategories(s.programFolder, tables);
    return s;
}

std::optional<ConversionCategoryId> DecodeConversionCategoryId(std::string_view id) {
    std::optional<net::ChosenCategory> chosen = net::DecodeItemValue(id);
    if (!chosen) return std::nullopt;
    return ConversionCategoryId{KindOfGroup(chosen->group), chosen->code};
}

std::string ConversionFlagsFile(std::string_view programFolder, int kind) {
    const char* name = "PeopleConvert.ini";
    if (GroupKind(kind) == kKindTrade) name = "TradeConvert.ini";
    if (GroupKind(kind) == kKindRegion) name = "RegionConvert.ini";
    return platform::WithSlash(std::string(programFolder)) + "Content/Data/" + name;
}

ConversionCategoryLists LoadConversionCategories(std::string_view programFolder,
                                                 const reference::ReferenceTables& tables) {
    ConversionCategoryLists lists;
    for (const net::CategoryChoice& choice :
         net::ReadSelection(net::VantoryFilePath(programFolder))) {
        std::optional<ConversionCategoryId> id = DecodeConversionCategoryId(choice.categoryId);
        if (!id) continue;
        std::shared_ptr<const reference::RefList> list = tables.ListOfKind(id->kind);
        const reference::RefEntry* entry = list ? list->FindByCode(id->code) : nullptr;
        if (!entry) continue;
        const std::string file = ConversionFlagsFile(programFolder, id->kind);
        std::string letter = platform::ProfileGetString(file, entry->code, kFlagsSelectKey, "F", 2);
        lists.OfKind(id->kind).push_back({entry->code, entry->name, letter == "T" ? 'T' : 'F'});
    }
    return lists;
}

bool SaveConversionFlags(std::string_view programFolder, int kind,
                         const std::vector<ConversionEntry>& entries) {
    const std::string file = ConversionFlagsFile(programFolder, kind);
    platform::CreateFolders(file.substr(0, file.rfind('/') + 1));
    platform::ProfileEditor editor(file);
    for (const ConversionEntry& e : entries) {
        editor.WriteString(e.code, kFlagsNameKey, platform::StorableProfileValue(e.name));
        editor.WriteString(e.code, kFlagsSelectKey, e.Converted() ? "T" : "F");
    }
    return editor.Commit();
}

std::string StockTerminalFolderMessage() {
    return "新闻转换的路径不正确,这可能导致新闻转换到钱龙等股票分析软件中!";
}

StockTerminalCheck CheckStockTerminalFolder(bool isTransNews, std::string_view transPath) {
    StockTerminalCheck check;
    if (!isTransNews) return check;
    if (transPath.empty()) {
        check.message =
            store::FormMessage{StockTerminalFolderMessage(), store::ProgramMessageTitle(),
                               platform::MessageBoxSink::kWarning};
        return check;
    }
    check.transferOn = true;
    check.folder = platform::WithSlash(std::string(transPath));
    for (const char* sub : {"NR/", "NR/Region/", "NR/Trade/", "NR/XGXX/"}) {
        platform::CreateFolders(check.folder + sub);
    }
    return check;
}

}  // namespace brevio::conversion
