#include "net/filing_progress.h"

#include <algorithm>
#include <map>

#include "platform/error_log.h"
#include "platform/text.h"
#include "store/news_item.h"

namespace brevio::net {
namespace {

std::optional<Group> GroupFromDigit(std::string_view text) {
    if (text == "0") return Group::kPublic;
    if (text == "1") return Group::kTrade;
    if (text == "2") return Group::kRegion;
    return std::nullopt;
}

std::optional<Group> GroupFromKind(std::string_view receptionKind) {
    return GroupFromName(receptionKind);
}

// A record key goes into one field of a line: no tab and no line end.
bool IsJournalKey(std::string_view key) {
    return !key.empty() && key.find_first_of("\t\r\n") == std::string_view::npos;
}

std::optional<std::int32_t> ParseId(std::string_view text) {
    if (text.empty() || text.size() > 10) return std::nullopt;
    long long v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    if (v <= 0 || v > 2147483647LL) return std::nullopt;
    return static_cast<std::int32_t>(v);
}

}  // namespace

std::string FormatFiledEntry(const FiledEntry& entry) {
    return std::to_string(static_cast<int>(entry.ref.group)) + "\t" + entry.ref.categoryId +
           "\t" + std::to_string(entry.newsId) + "\r\n";
}

std::vector<FiledEntry> ParseFiledJournal(std::string_view text) {
    std::vector<FiledEntry> entries;
    std::size_t start = 0;
    while (true) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string_view::npos) break;  // no line end: cut short, left out
        std::string_view line = text.substr(start, end - start);
        start = end + 2;
        std::size_t tab1 = line.find('\t');
        std::size_t tab2 = tab1 == std::string_view::npos ? tab1 : line.find('\t', tab1 + 1);
        if (tab2 == std::string_view::npos) continue;
        std::optional<Group> group = GroupFromDigit(line.substr(0, tab1));
        std::string_view key = line.substr(tab1 + 1, tab2 - tab1 - 1);
        std::optional<std::int32_t> id = ParseId(line.substr(tab2 + 1));
        if (!group || !IsJournalKey(key) || !id) continue;
        entries.push_back({RecordRef{*group, std::string(key)}, *id});
    }
    return entries;
}

FilingProgress::FilingProgress(SubscriptionLists& lists, std::string contentFolder)
    : lists_(lists),
      categoryFile_(CategoryFilePath(contentFolder)),
      journalPath_(contentFolder + std::string(kFilingJournalFile)) {}

int FilingProgress::Recover() {
    std::lock_guard lock(mutex_);
    std::string text;
    if (!platform::ReadWholeFile(journalPath_, text) || text.empty()) return 0;
    std::map<std::pair<int, std::string>, std::int32_t> highest;
    for (const FiledEntry& e : ParseFiledJournal(text)) {
        auto& value = highest[{static_cast<int>(e.ref.group), e.ref.categoryId}];
        value = std::max(value, e.newsId);
    }
    int raised = 0;
    for (const auto& [key, id] : highest) {
        RecordRef ref{static_cast<Group>(key.first), key.second};
        std::optional<SubscriptionRecord> r = lists_.Get(ref);
        if (r && r->maxId < id && lists_.SetMaxId(ref, id)) ++raised;
    }
    return CheckpointLocked() ? raised : -1;
}

void FilingProgress::OnFiled(const store::NewsItem& item) {
    if (item.receivedFor.empty() || !IsJournalKey(item.receivedFor)) return;
    std::optional<Group> group = GroupFromKind(item.receptionKind);
    if (!group) return;
    FiledEntry entry{RecordRef{*group, item.receivedFor}, item.newsId};
    std::optional<SubscriptionRecord> r = lists_.Get(entry.ref);
    if (!r) return;

    std::lock_guard lock(mutex_);
    if (r->maxId < entry.newsId) lists_.SetMaxId(entry.ref, entry.newsId);
    if (!journal_.IsOpen()) {
        if (!journal_.Open(journalPath_, platform::File::kAppend)) {
            platform::LogFileError(journalPath_, platform::LastError());
            return;
        }
        journalBytes_ = std::max<long long>(0, journal_.Size());
    }
    const std::string line = FormatFiledEntry(entry);
    if (!journal_.Write(line)) {
        platform::LogFileError(journalPath_, platform::LastError());
        return;
    }
    journalBytes_ += static_cast<long long>(line.size());
    if (journalBytes_ >= kFilingJournalCheckpointBytes) CheckpointLocked();
}

bool FilingProgress::Checkpoint() {
    std::lock_guard lock(mutex_);
    return CheckpointLocked();
}

bool FilingProgress::CheckpointLocked() {
    if (!lists_.SaveAll(categoryFile_)) return false;
    journal_.Close();
    journalBytes_ = 0;
    platform::File empty;
    if (!empty.Open(journalPath_, platform::File::kCreate)) {
        if (platform::FileExists(journalPath_)) {
            platform::LogFileError(journalPath_, platform::LastError());
            return false;
        }
    }
    return true;
}

}  // namespace brevio::net
