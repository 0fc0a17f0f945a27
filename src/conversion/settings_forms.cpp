#include "conversion/settings_forms.h"

#include <algorithm>

#include "conversion/output_layout.h"
#include "conversion/templates.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "settings/registry_values.h"

namespace brevio::conversion {
namespace {

store::FormMessage Warning(std::string text) {
    return {std::move(text), store::ProgramMessageTitle(), platform::MessageBoxSink::kWarning};
}

std::string Joined(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names) {
        if (!out.empty()) out += '|';
        out += n;
    }
    return out;
}

}  // namespace

// --- ConversionSettingsForm ----------------------------------------------------------------

std::string ConversionSettingsForm::Title() {
    return "转换";
}

std::string ConversionSettingsForm::FolderPrompt() {
    return "请选择一个目录";
}

std::vector<std::string> ConversionSettingsForm::FormatNames() {
    return {"文本文件", "HTML文件", "文本与HTML文件"};
}

ConversionSettingsForm::ConversionSettingsForm(const ConversionSettings& current)
    : programFolder_(current.programFolder),
      installDir_(current.installDir),
      templatePath_(current.templatePath) {
    path = settings::ReadString(keys::kConvertPath, current.convertPath);
    peopleDays = settings::ReadInt(keys::kPeopleData, kDefaultKeepDays);
    tradeDays = settings::ReadInt(keys::kTradeData, kDefaultKeepDays);
    regionDays = settings::ReadInt(keys::kRegionData, kDefaultKeepDays);
    people = current.isTranPeople != 0;
    trade = current.isTranTrade != 0;
    region = current.isTranRegion != 0;
    format = current.convertFormat;
    customTemplate = current.convertTemplate == 1;
    automatic = current.convertAuto == 1;
    customNames = current.TemplateNameList();
    auto chosen = std::find(customNames.begin(), customNames.end(), current.selectTemplate);
    if (chosen != customNames.end()) {
        customSelected = static_cast<int>(chosen - customNames.begin());
    } else if (current.templateIndex >= 0 &&
               static_cast<std::size_t>(current.templateIndex) < customNames.size()) {
        customSelected = current.templateIndex;
    }
}

std::vector<std::string> ConversionSettingsForm::FixedNames() const {
    return {FixedTemplateName()};
}

bool ConversionSettingsForm::CustomizeEnabled(int kind) const {
    switch (GroupKind(kind)) {
        case kKindTrade:
            return trade;
        case kKindRegion:
            return region;
        default:
            return people;
    }
}

std::string ConversionSettingsForm::SelectedTemplateName() const {
    if (!customTemplate) return FixedTemplateName();
    if (customSelected < 0 || static_cast<std::size_t>(customSelected) >= customNames.size()) {
        return {};
    }
    return customNames[static_cast<std::size_t>(customSelected)];
}

void ConversionSettingsForm::ChangePath(std::string_view folder) {
    path = platform::WithSlash(std::string(folder));
    if (installDir_.empty() || platform::WithSlash(installDir_) == path) return;
    const std::string text = path + TextFolderName() + "/";
    const std::string data = text + std::string(kTableCopyFolderName) + "/";
    platform::CreateFolders(data);
    platform::CopyFolderFiles(platform::WithSlash(installDir_) + "YpData/", data);
}

std::optional<store::FormMessage> ConversionSettingsForm::Ok(
    const std::function<void(int)>& notify) {
    const std::string chosen = SelectedTemplateName();
    if (chosen.empty()) return Warning("请选择一个HTML模板!");
    if (peopleDays == 0 || tradeDays == 0 || regionDays == 0) {
        return Warning("保留的天数不能为 0 。");
    }
    settings::WriteInt(keys::kIsTranPeople, people ? 1 : 0);
    settings::WriteInt(keys::kIsTranRegion, region ? 1 : 0);
    settings::WriteInt(keys::kIsTranTrade, trade ? 1 : 0);
    settings::WriteInt(keys::kConvertTemplate, customTemplate ? 1 : 0);
    settings::WriteInt(keys::kConvertFormat, format);
    settings::WriteInt(keys::kConvertAuto, automatic ? 1 : 0);
    settings::WriteString(keys::kConvertPath, path);
    settings::WriteString(keys::kTemplateName, Joined(customNames));
    settings::WriteInt(keys::kTemplateIndex, customSelected < 0 ? 0 : customSelected);
    settings::WriteString(keys::kSelectTemplate, chosen);
    settings::WriteInt(keys::kPeopleData, peopleDays);
    settings::WriteInt(keys::kTradeData, tradeDays);
    settings::WriteInt(keys::kRegionData, regionDays);
    if (notify) notify(13);
    return std::nullopt;
}

TidyResult ConversionSettingsForm::TidyNow(const ConversionSettings& settings, int kind) const {
    int days = peopleDays;
    if (GroupKind(kind) == kKindTrade) days = tradeDays;
    if (GroupKind(kind) == kKindRegion) days = regionDays;
    return TidyConverted(settings, kind, days);
}

std::optional<store::FormMessage> ConversionSettingsForm::PreviewTemplate(std::string* page) const {
    const std::string chosen = SelectedTemplateName();
    if (chosen.empty()) return Warning("请选择一个HTML模板!");
    std::optional<std::string> written = WritePreview(programFolder_, templatePath_, chosen);
    if (!written) return Warning("文件操作失败!");
    if (page) *page = *written;
    return std::nullopt;
}

// --- ConversionCategoryForm ----------------------------------------------------------------

int ConversionCategoryForm::Resource(int kind) {
    return GroupKind(kind) == kKindPublic ? 212 : 214;
}

std::string ConversionCategoryForm::Title(int kind) {
    return GroupKind(kind) == kKindPublic ? "定制转换类别" : "定制新闻类别";
}

ConversionCategoryForm::ConversionCategoryForm(std::string programFolder, int kind,
                                               std::vector<ConversionEntry> entries,
                                               reference::RefList majors)
    : programFolder_(std::move(programFolder)),
      kind_(GroupKind(kind)),
      entries_(std::move(entries)),
      majors_(std::move(majors)) {
    if (kind_ != kKindPublic) {
        for (std::size_t i = 0; i < entries_.size(); ++i) shown_.push_back(i);
    }
}

void ConversionCategoryForm::ShowMajor(std::string_view majorCode) {
    shown_.clear();
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (reference::BelongsToMajorCategory(entries_[i].code, majorCode)) shown_.push_back(i);
    }
}

const ConversionEntry& ConversionCategoryForm::Shown(std::size_t row) const {
    return entries_[shown_.at(row)];
}

void ConversionCategoryForm::SetTicked(std::size_t row, bool ticked) {
    if (row < shown_.size()) entries_[shown_[row]].flag = ticked ? 'T' : 'F';
}

void ConversionCategoryForm::SetAllShown(char flag) {
    for (std::size_t i : shown_) entries_[i].flag = flag;
}

void ConversionCategoryForm::TickAll() {
    SetAllShown('T');
}

void ConversionCategoryForm::ClearAll() {
    SetAllShown('F');
}

bool ConversionCategoryForm::Ok() {
    if (entries_.empty()) return false;
    SaveConversionFlags(programFolder_, kind_, entries_);
    return true;
}

}  // namespace brevio::conversion
