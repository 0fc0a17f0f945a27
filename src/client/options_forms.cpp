#include "client/options_forms.h"

#include <sys/statfs.h>

#include <algorithm>

#include "net/subscription_lists.h"
#include "platform/fs.h"
#include "platform/profile.h"
#include "reference/bulletin.h"
#include "reference/list_update.h"
#include "settings/app_settings.h"
#include "settings/keys.h"
#include "settings/registry_values.h"

namespace brevio::client {

using namespace settings::keys;
namespace {

using platform::MessageBoxSink;

FormMessage Warning(std::string text, std::string title) {
    return {std::move(text), std::move(title), MessageBoxSink::kWarning};
}

OptionsRefusal Refuse(FormMessage message, OptionsField focus) {
    return {{std::move(message)}, focus};
}

std::string WithSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '/';
    return folder;
}

bool InRemainRange(int value) {
    return value >= HistoryOptions::kRemainMin && value <= HistoryOptions::kRemainMax;
}

int ShownRemain(int stored) {
    return stored <= 50 ? HistoryOptions::kShownRemain : stored;
}

// A stored tuning value, or the start-up default when it was never stored (or is 0 or less).
int StoredOr(const char* key, int fallback) {
    int value = settings::ReadInt(key, 0);
    return value > 0 ? value : fallback;
}

}  // namespace

std::vector<std::string> OptionsPageTitles() {
    return {"阅读", "路径", "更新", "历史新闻", "搜索优化"};
}

// ---- 阅读 -------------------------------------------------------------------------------

int ReadingOptions::PositionOfSize(int size) {
    return std::clamp((size - 12) / 2, 0, 2);
}

std::vector<std::string> ReadingOptions::FontSizeTexts() {
    return {"12", "14", "16"};
}

void ReadingOptions::Load() {
    using namespace settings;
    autoMark = ReadInt(kIsAutoMark, kIsAutoMarkDefault) != 0;
    SetMarkSeconds(ReadInt(kMarkSeconds, kMarkSecondsDefault));
    backgroundColor = ReadInt(kContentBgColor, kContentBgColorDefault);
    titleColor = ReadInt(kTitleFontColor, kTitleFontColorDefault);
    contentColor = ReadInt(kContentFontColor, kContentFontColorDefault);
    readColor = ReadInt(kReadColor, kReadColorDefault);
    titleSizePosition = PositionOfSize(ReadInt(kTitleFontSize, kTitleFontSizeDefault));
    contentSizePosition = PositionOfSize(ReadInt(kContentFontSize, kContentFontSizeDefault));
}

void ReadingOptions::SetMarkSeconds(int seconds) {
    markSeconds = std::clamp(seconds, kMarkSecondsMin, kMarkSecondsMax);
}

ApplyResult ReadingOptions::Apply(const OptionsTargets& targets) const {
    using namespace settings;
    WriteInt(kIsAutoMark, autoMark ? 1 : 0);
    WriteInt(kMarkSeconds, markSeconds);
    WriteInt(kContentBgColor, backgroundColor);
    WriteInt(kTitleFontColor, titleColor);
    WriteInt(kContentFontColor, contentColor);
    WriteInt(kReadColor, readColor);
    WriteInt(kTitleFontSize, FontSizeAt(titleSizePosition));
    WriteInt(kContentFontSize, FontSizeAt(contentSizePosition));
    if (targets.reading) targets.reading(autoMark, markSeconds, readColor);
    return std::nullopt;
}

// ---- 路径 -------------------------------------------------------------------------------

std::string PathOptions::BrowseTitle() {
    return "选择新闻存放路径";
}

bool IsNetworkOrOpticalFolder(const std::string& folder) {
    std::string probe = folder;
    struct statfs fs {};
    while (statfs(probe.c_str(), &fs) != 0) {
        while (!probe.empty() && probe.back() == '/') probe.pop_back();
        std::size_t slash = probe.rfind('/');
        if (slash == std::string::npos) return false;
        probe.resize(slash + 1);
    }
    switch (static_cast<unsigned long>(fs.f_type)) {
        case 0x6969UL:      // NFS
        case 0x517BUL:      // SMB
        case 0xFF534D42UL:  // CIFS
        case 0xFE534D42UL:  // SMB2
        case 0x73757245UL:  // Coda
        case 0x5346414FUL:  // AFS
        case 0x00C36400UL:  // Ceph
        case 0x9660UL:      // ISO 9660
        case 0x15013346UL:  // UDF
            return true;
        default:
            return false;
    }
}

std::optional<FormMessage> PathOptions::Choose(const std::string& folder) {
    if (IsNetworkOrOpticalFolder(folder)) {
        return Warning("请选择一个本地硬盘或软盘!", store::ProgramMessageTitle());
    }
    std::string chosen = WithSlash(folder);
    if (chosen != path) path = chosen;
    return std::nullopt;
}

ApplyResult PathOptions::Apply(const OptionsTargets& targets) {
    std::string folder = WithSlash(path);
    settings::AppSettings candidate;
    candidate.contentFolder = folder;
    if (folder.empty() || folder.size() > kMaxLength || !settings::CreateDataFolders(candidate)) {
        OptionsRefusal refusal;
        refusal.messages.push_back(
            Warning(settings::ContentFolderErrorText(), store::ProgramMessageTitle()));
        refusal.messages.push_back(Warning("非法路径!", "新闻路径存放路径错误"));
        refusal.focus = OptionsField::kContentPath;
        return refusal;
    }
    path = folder;
    settings::WriteString(kContentPath, folder);
    if (targets.contentFolder) targets.contentFolder(folder);
    return std::nullopt;
}

// ---- 更新 -------------------------------------------------------------------------------

void UpdateOptions::Load() {
    reference::AutoRefreshSwitches on = reference::ReadAutoRefreshSwitches(pemloIni_);
    classify = on.classify, region = on.region, trade = on.trade;
    websites = on.websites, stock = on.stock;
}

ApplyResult UpdateOptions::Apply() const {
    auto put = [&](std::string_view key, bool value) {
        platform::ProfileWriteString(pemloIni_, reference::kUpdateSection, key, value ? "1" : "0");
    };
    put("AutoUpdateClassify", classify);
    put("AutoUpdateRegion", region);
    put("AutoUpdateTrade", trade);
    put("AutoUpdateWebsites", websites);
    put("AutoUpdateStock", stock);
    return std::nullopt;
}

// ---- 历史新闻 ------------------------------------------------------------------------------

void HistoryOptions::Load() {
    using namespace settings;
    whenCleanup = ReadInt(kWhenCleanup, kWhenCleanupDefault);
    regionRemain = ShownRemain(ReadInt(kRegionRemain, kRemainDefault));
    tradeRemain = ShownRemain(ReadInt(kTradeRemain, kRemainDefault));
    stockRemain = ShownRemain(ReadInt(kStockRemain, kRemainDefault));
    int days = ReadInt(kPeopleRemain, kRemainDefault);
    peopleRemain = days <= 0 ? kShownDays : days;
    reference::Bulletin bulletin;
    reference::ReadBulletin(bulletinFile_, bulletin);
    bulletinAtStart = bulletin.showAtStart != 0;
}

bool HistoryOptions::SetBulletinFlag(bool showAtStart) {
    bulletinAtStart = showAtStart;
    return reference::SetBulletinFlag(bulletinFile_, showAtStart ? 1 : 0) == 0;
}

ApplyResult HistoryOptions::Apply() const {
    const FormMessage countMessage =
        Warning("保留最近新闻的条数:50 —— 5000", store::ProgramMessageTitle());
    if (!InRemainRange(regionRemain)) return Refuse(countMessage, OptionsField::kRegionRemain);
    if (!InRemainRange(tradeRemain)) return Refuse(countMessage, OptionsField::kTradeRemain);
    if (!InRemainRange(stockRemain)) return Refuse(countMessage, OptionsField::kStockRemain);
    if (peopleRemain == 0) {
        return Refuse(Warning("保留最近新闻的天数应大于1", store::ProgramMessageTitle()),
                      OptionsField::kPeopleRemain);
    }
    using namespace settings;
    WriteInt(kRegionRemain, regionRemain);
    WriteInt(kTradeRemain, tradeRemain);
    WriteInt(kStockRemain, stockRemain);
    WriteInt(kWhenCleanup, whenCleanup);
    if (lists_) {
        const int days = peopleRemain;
        lists_->UpdateGroup(net::Group::kPublic,
                            [days](net::SubscriptionRecord& r) { r.remainDays = days; });
    }
    WriteInt(kPeopleRemain, peopleRemain);
    return std::nullopt;
}

// ---- 搜索优化 ------------------------------------------------------------------------------

void TuningOptions::Load() {
    using namespace settings;
    SetThreads(StoredOr(kSearchThreads, kBuiltInSearchThreads));
    SetSocketInterval(StoredOr(kSocketInterval, kBuiltInSocketInterval));
    SetDiskInterval(StoredOr(kDiskInterval, kBuiltInDiskInterval));
}

void TuningOptions::Defaults() {
    threads = kBuiltInSearchThreads;
    socketInterval = kBuiltInSocketInterval;
    diskInterval = kBuiltInDiskInterval;
}

void TuningOptions::SetThreads(int n) {
    threads = std::clamp(n, kThreadsMin, kThreadsMax);
}
void TuningOptions::SetSocketInterval(int ms) {
    socketInterval = std::clamp(ms, kIntervalMin, kIntervalMax);
}
void TuningOptions::SetDiskInterval(int ms) {
    diskInterval = std::clamp(ms, kIntervalMin, kIntervalMax);
}

ApplyResult TuningOptions::Apply(const OptionsTargets& targets) const {
    settings::WriteInt(kSearchThreads, threads);
    settings::WriteInt(kSocketInterval, socketInterval);
    settings::WriteInt(kDiskInterval, diskInterval);
    if (targets.tuning) targets.tuning(threads, socketInterval, diskInterval);
    return std::nullopt;
}

}  // namespace brevio::client
