#include "conversion/output_layout.h"

#include "platform/paths.h"
#include "platform/text.h"

namespace brevio::conversion {

int ListKindOfFolder(int folderKind) {
    return GroupKind(folderKind);
}

int GroupKind(int kind) {
    return kind == kKindRegion || kind == kKindTrade ? kind : kKindPublic;
}

std::string TextFolderName() {
    return "文本格式";
}

std::string HtmlFolderName() {
    return "网页格式";
}

std::string FormFolderName(OutputForm form) {
    return form == OutputForm::kText ? TextFolderName() : HtmlFolderName();
}

std::string_view GroupFolderName(int kind) {
    switch (GroupKind(kind)) {
        case kKindRegion:
            return "RegionNews";
        case kKindTrade:
            return "TradeNews";
        default:
            return "PeopleNews";
    }
}

std::string_view TextIndexName(int kind) {
    switch (GroupKind(kind)) {
        case kKindRegion:
            return "RegionText";
        case kKindTrade:
            return "TradeText";
        default:
            return "PeopleText";
    }
}

std::string_view HtmlIndexName(int kind) {
    switch (GroupKind(kind)) {
        case kKindRegion:
            return "RegionHtml";
        case kKindTrade:
            return "TradeHtml";
        default:
            return "PeopleHtml";
    }
}

std::string_view IndexName(int kind, OutputForm form) {
    return form == OutputForm::kText ? TextIndexName(kind) : HtmlIndexName(kind);
}

std::string DateFolderName(std::int32_t date) {
    return platform::Format("%08d", date);
}

std::string ManualFolder(std::string_view convertPath, OutputForm form, std::int32_t date,
                         std::string_view categoryFolder) {
    return platform::WithSlash(std::string(convertPath)) + FormFolderName(form) + "/" +
           DateFolderName(date) + "/" + std::string(categoryFolder) + "/";
}

std::string GroupOutputFolder(std::string_view convertPath, OutputForm form, int kind) {
    return platform::WithSlash(std::string(convertPath)) + FormFolderName(form) + "/" +
           std::string(GroupFolderName(kind)) + "/";
}

std::string AutoFolder(std::string_view convertPath, OutputForm form, int kind, std::int32_t date,
                       std::string_view categoryFolder) {
    return GroupOutputFolder(convertPath, form, kind) + DateFolderName(date) + "/" +
           std::string(categoryFolder) + "/";
}

std::string DayIndexFolder(std::string_view convertPath, int kind, std::int32_t date) {
    return GroupOutputFolder(convertPath, OutputForm::kText, kind) + DateFolderName(date) + "/" +
           std::string(kIndexFolderName) + "/";
}

std::string DayIndexBase(std::string_view convertPath, int kind, std::int32_t date) {
    return DayIndexFolder(convertPath, kind, date) + std::string(TextIndexName(kind));
}

std::string GroupIndexBase(std::string_view convertPath, int kind, OutputForm form) {
    return platform::WithSlash(std::string(convertPath)) + std::string(IndexName(kind, form));
}

std::string TableCopyFolder(std::string_view convertPath) {
    return platform::WithSlash(std::string(convertPath)) + TextFolderName() + "/" +
           std::string(kTableCopyFolderName) + "/";
}

}  // namespace brevio::conversion
