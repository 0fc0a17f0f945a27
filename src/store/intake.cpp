#include "store/intake.h"

#include <algorithm>

#include "platform/host.h"
#include "platform/text.h"
#include "reference/bulletin.h"
#include "reference/file_names.h"
#include "reference/reference_tables.h"
#include "store/news_file.h"

namespace brevio::store {

std::string_view PublicGroup() {
    return "大众";
}
std::string_view TradeGroup() {
    return "行业";
}
std::string_view RegionGroup() {
    return "地区";
}

namespace {

constexpr int kMinDiskInterval = 1;
constexpr int kMaxDiskInterval = 1000;
constexpr int kIdleSleepMs = 100;

int ClampDiskInterval(int ms) {
    return std::clamp(ms, kMinDiskInterval, kMaxDiskInterval);
}

// The codes of a "|"-separated list, each trimmed, empty ones left out.
std::vector<std::string> CodeParts(std::string_view text) {
    std::vector<std::string> parts;
    for (const std::string& part : platform::Split(text, '|')) {
        std::string_view t = platform::Trim(part);
        if (!t.empty()) parts.emplace_back(t);
    }
    return parts;
}

// Related stocks arrive as codes separated by "|" or ",".
std::vector<std::string> StockCodes(std::string_view text) {
    std::string unified(text);
    std::replace(unified.begin(), unified.end(), ',', '|');
    return CodeParts(unified);
}

}  // namespace

bool AlreadyReceived(const NewsItem& item, std::string_view group, const AcceptanceLimits& limits) {
    const int id = item.newsId;
    auto regionBlocks = [&](bool& noRecord) {
        std::optional<int> max = limits.RegionMax(item.region);
        noRecord = !max;
        return max && id <= *max;
    };
    auto tradeBlocks = [&] { return id <= limits.TradeMax(item.trade); };
    auto publicBlocks = [&] { return id <= limits.PublicMax(); };

    if (group == PublicGroup()) {
        if (!item.region.empty()) {
            bool noRecord = false;
            if (regionBlocks(noRecord)) return true;
            if (noRecord) return false;
        }
        return !item.trade.empty() && tradeBlocks();
    }
    if (group == RegionGroup()) {
        if (item.trade.empty()) return false;
        return tradeBlocks() || publicBlocks();
    }
    if (group == TradeGroup()) {
        if (item.region.empty()) return tradeBlocks();
        bool noRecord = false;
        if (regionBlocks(noRecord)) return true;
        if (noRecord) return false;
        return publicBlocks() || tradeBlocks();
    }
    return false;
}

bool MarkKeywords(std::string& content, const std::vector<std::string>& keywords) {
    bool found = false;
    for (const std::string& keyword : keywords) {
        if (keyword.empty()) continue;
        std::size_t pos = content.find(keyword);
        if (pos == std::string::npos) continue;
        content.insert(pos + keyword.size(), 1, '\x05');
        content.insert(pos, 1, '\x04');
        found = true;
    }
    return found;
}

std::vector<FilingTarget> FilingTargets(const NewsItem& item,
                                        const FolderList& folders) {
    std::vector<FilingTarget> targets;
    auto add = [&](int kind, std::string base) {
        targets.push_back({kind, std::move(base), false, item.content});
    };
    const std::string_view kind = item.receptionKind;
    if (kind == PublicGroup()) {
        add(kFolderPublic, item.category);
    } else if (kind == TradeGroup()) {
        std::string_view trade = platform::Trim(item.category);
        if (!trade.empty()) add(kFolderTrade, std::string(trade));
    } else if (kind == RegionGroup()) {
        for (std::string& region : CodeParts(item.region)) add(kFolderRegion, std::move(region));
    }
    // Stock news: one copy per related stock, so the stock folder lists what concerns it.
    for (std::string& code : StockCodes(item.relatedStocks)) add(kFolderStock, std::move(code));

    for (const FolderEntry& folder : folders) {
        if (folder.keywords.empty()) continue;
        std::string marked = item.content;  // every folder starts from the unmarked content
        if (MarkKeywords(marked, folder.keywords)) {
            targets.push_back(
                {kFolderSubscription, std::to_string(folder.id), true, std::move(marked)});
        }
    }
    return targets;
}

void ItemQueue::Push(NewsItem item) {
    std::lock_guard lock(mutex_);
    items_.push_back(std::move(item));
}

const NewsItem* ItemQueue::Front() const {
    std::lock_guard lock(mutex_);
    return items_.empty() ? nullptr : &items_.front();
}

void ItemQueue::PopFront() {
    std::lock_guard lock(mutex_);
    if (!items_.empty()) items_.pop_front();
}

std::size_t ItemQueue::Size() const {
    std::lock_guard lock(mutex_);
    return items_.size();
}

void ItemQueue::Clear() {
    std::lock_guard lock(mutex_);
    items_.clear();
}

NewsIntake::NewsIntake(Options options, const reference::ReferenceTables& tables,
                       const AcceptanceLimits& limits)
    : options_(std::move(options)),
      tables_(tables),
      limits_(limits),
      diskIntervalMs_(ClampDiskInterval(options_.diskIntervalMs)) {}

NewsIntake::~NewsIntake() {
    StopWriter();
}

int NewsIntake::AcceptRecord(std::string_view block, std::string_view group,
                             std::string_view receivedFor) {
    NewsItem item = ParseNewsBlock(block);
    if (!IsValidNewsId(item.newsId)) return 0;
    if (AlreadyReceived(item, group, limits_)) return 0;
    item.receptionKind = std::string(group);
    item.receivedFor = std::string(receivedFor);

    if (reference::IsBulletinItem(item.category, group)) {
        reference::Bulletin bulletin;
        bulletin.title = item.title;
        bulletin.time = item.timeText;
        bulletin.category = item.category;
        bulletin.content = item.content;
        reference::WriteBulletin(reference::DataPath(ContentFolder(), reference::kBulletinFile),
                                 bulletin, 1);
        Window().ShowBulletin(item.title, item.timeText, item.category, item.content);
    }

    const int id = item.newsId;
    queue_.Push(std::move(item));
    int count = ++received_;
    Window().StatusText(1, platform::Format("共接收%d条新闻    ", count));
    return id;
}

std::string NewsIntake::WebsiteName(int websiteId) const {
    return tables_.WebsiteName(websiteId);
}

void NewsIntake::SetContentFolder(const std::string& folder) {
    std::lock_guard lock(folderMutex_);
    options_.contentFolder = folder;
}

std::string NewsIntake::ContentFolder() const {
    std::lock_guard lock(folderMutex_);
    return options_.contentFolder;
}

bool NewsIntake::FileItem(const NewsItem& item) {
    KeywordFolders folders = options_.keywordFolders ? options_.keywordFolders() : nullptr;
    static const FolderList kNone;
    const std::string website = WebsiteName(item.websiteId);
    const std::string contentFolder = ContentFolder();
    bool all = true;
    for (const FilingTarget& target : FilingTargets(item, folders ? *folders : kNone)) {
        std::string folder = ResolveFolder(contentFolder, target.folderKind);
        int rc;
        if (target.marked) {
            NewsItem copy = item;
            copy.content = target.content;
            rc = AppendItem(folder, target.base, copy, website, AppendMode::kOnce);
        } else {
            rc = AppendItem(folder, target.base, item, website, AppendMode::kOnce);
        }
        all = all && rc >= 0;
    }
    return all;
}

void NewsIntake::StartWriter() {
    if (writer_.joinable()) return;
    stop_.Reset();
    writer_ = std::thread([this] { WriterLoop(); });
}

void NewsIntake::StopWriter() {
    stop_.Set();
    if (writer_.joinable()) writer_.join();
}

bool NewsIntake::WaitUntilDrained(int timeoutMs) {
    for (int waited = 0; queue_.Size() > 0; waited += 10) {
        if (!writer_.joinable() || (timeoutMs >= 0 && waited >= timeoutMs)) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

void NewsIntake::DrainAndStop() {
    draining_ = true;
    stop_.Set();  // ends a pause in progress; the loop goes on while items wait
    if (writer_.joinable()) writer_.join();
    draining_ = false;
}

void NewsIntake::WriterLoop() {
    // Stopping ends the loop at once, unless the queue is being drained for an exit.
    while (!stop_.IsSet() || draining_.load()) {
        const NewsItem* item = queue_.Front();
        if (!item) {
            if (draining_.load()) return;
            stop_.WaitFor(std::chrono::milliseconds(kIdleSleepMs));
            continue;
        }
        const bool filed = FileItem(*item);
        if (filed && options_.onFiled) options_.onFiled(*item);
        if (options_.afterFiling) options_.afterFiling(*item);
        queue_.PopFront();
        if (filed) {
            int count = ++written_;
            Window().StatusText(2, platform::Format("写入%d", count));
        } else {
            ++failed_;
        }
        if (!draining_.load()) {
            stop_.WaitFor(std::chrono::milliseconds(ClampDiskInterval(diskIntervalMs_.load())));
        }
    }
}

}  // namespace brevio::store
