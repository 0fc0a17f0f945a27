#include "conversion/auto_converter.h"

#include "conversion/news_export.h"
#include "conversion/stored_conversion.h"
#include "platform/text.h"
#include "store/news_file.h"

namespace brevio::conversion {
namespace {

std::vector<std::string> Codes(std::string_view text) {
    std::vector<std::string> codes;
    for (const std::string& part : platform::Split(text, '|')) {
        std::string_view code = platform::Trim(part);
        if (!code.empty()) codes.emplace_back(code);
    }
    return codes;
}

}  // namespace

std::vector<AutoTarget> AutoTargets(const ConversionSettings& settings,
                                    const reference::ReferenceTables& tables,
                                    const store::NewsItem& item) {
    std::vector<AutoTarget> targets;
    // Public codes are named by their own entries of the public list; a code the list does
    // not have (the trade code that an item received for a trade carries as its category)
    // names no public category.
    std::shared_ptr<const reference::RefList> publicList = tables.PublicCategories();
    for (const std::string& code : Codes(item.category)) {
        const reference::RefEntry* entry = publicList ? publicList->FindByCode(code) : nullptr;
        if (!entry) continue;
        targets.push_back({kKindPublic, code, SafeFolderName(entry->name, code)});
    }
    for (int kind : {kKindTrade, kKindRegion}) {
        for (const std::string& code : Codes(kind == kKindTrade ? item.trade : item.region)) {
            const ConversionEntry* entry = settings.categories.Find(kind, code);
            if (!entry || !entry->Converted()) continue;
            targets.push_back({kind, code, SafeFolderName(entry->name, code)});
        }
    }
    return targets;
}

AutoConverter::AutoConverter(const reference::ReferenceTables& tables, std::string programFolder,
                             std::function<bool()> receptionStarted)
    : tables_(tables),
      programFolder_(std::move(programFolder)),
      receptionStarted_(std::move(receptionStarted)) {
    ReloadSettings();
}

void AutoConverter::ReloadSettings() {
    SetSettings(LoadConversionSettings(programFolder_, tables_));
}

void AutoConverter::SetSettings(ConversionSettings settings) {
    auto snapshot = std::make_shared<const ConversionSettings>(std::move(settings));
    std::lock_guard lock(mutex_);
    settings_ = std::move(snapshot);
}

std::shared_ptr<const ConversionSettings> AutoConverter::Settings() const {
    std::lock_guard lock(mutex_);
    return settings_;
}

bool AutoConverter::Enabled(const ConversionSettings& s) {
    return s.convertAuto == 1 && s.espeTransAuto == 0 &&
           (s.convertFormat == kFormatText || s.convertFormat == kFormatHtml ||
            s.convertFormat == kFormatTextAndHtml);
}

bool AutoConverter::Enabled() const {
    return Enabled(*Settings()) && (!receptionStarted_ || receptionStarted_());
}

void AutoConverter::OnFiled(const store::NewsItem& item) {
    std::shared_ptr<const ConversionSettings> snapshot = Settings();
    const ConversionSettings& s = *snapshot;
    if (!Enabled(s) || (receptionStarted_ && !receptionStarted_())) return;
    const std::vector<AutoTarget> targets = AutoTargets(s, tables_, item);
    if (targets.empty()) return;

    ConversionItem conv;
    conv.record = store::BuildRecord(item, tables_.WebsiteName(item.websiteId));
    conv.content = item.content;
    conv.fileTitle = ReceivedSafeTitle(item.title);
    conv.received = &item;
    for (const AutoTarget& target : targets) {
        conv.kind = target.kind;
        conv.code = static_cast<std::int32_t>(platform::ParseLeadingInt(target.code));
        const std::int32_t date = conv.record.date;
        std::vector<ConvertedFile> files;
        if (s.convertFormat != kFormatHtml) {
            files.push_back(ConvertToText(s,
                                          AutoFolder(s.convertPath, OutputForm::kText, target.kind,
                                                     date, target.categoryFolder),
                                          conv));
        }
        if (s.convertFormat != kFormatText) {
            files.push_back(ConvertToHtml(s,
                                          AutoFolder(s.convertPath, OutputForm::kHtml, target.kind,
                                                     date, target.categoryFolder),
                                          conv));
        }
        for (const ConvertedFile& f : files) (f.result == 0 ? files_ : failures_).fetch_add(1);
    }
    items_.fetch_add(1);

    if (s.recentNewsNum > 0 && !s.titleFilePath.empty()) {
        recent_.AddRecentItem({item.newsId, conv.record.Title(), conv.record.Url(),
                               DateText(conv.record.date, conv.record.time), item.content},
                              s.recentNewsNum);
        recent_.WriteRecentIndex(s);
    }
}

}  // namespace brevio::conversion
