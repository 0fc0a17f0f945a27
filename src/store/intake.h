// The way received news takes into the news files: AcceptRecord (on the reception threads)
// turns a server text block into a NewsItem and queues it, and the store writer thread files
// every queued item into the news files it belongs to.
//
// Threads and shared state: NewsIntake owns the item queue (one lock around append, head
// access, removal and length) and the two counters (received, written; each its own atomic).
// Reception threads call AcceptRecord at any time; only the writer thread removes items, so
// the item it is filing stays at the head of the queue (and counts as waiting) until it has
// been filed and handed on.
#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/event.h"
#include "platform/host.h"
#include "store/folder_list.h"
#include "store/news_item.h"

namespace brevio::reference {
class ReferenceTables;
}

namespace brevio::store {

// The last news ids of the subscription records, as acceptance needs them. The subscription
// model implements it; every method may be called from several reception threads at once.
class AcceptanceLimits {
  public:
    virtual ~AcceptanceLimits() = default;
    // MAXID of the region record for this whole region text; nothing when there is no record.
    virtual std::optional<int> RegionMax(std::string_view regionText) const = 0;
    // The largest MAXID among the trade records named by the parts of the trade text that end
    // with "|" (each part trimmed at its right end); 0 when none is found.
    virtual int TradeMax(std::string_view tradeText) const = 0;
    // The largest MAXID of all public-news category records.
    virtual int PublicMax() const = 0;
};

// The limits before any subscription record has received anything: no region record, every
// MAXID 0, so no item counts as delivered already.
class NoAcceptanceLimits : public AcceptanceLimits {
  public:
    std::optional<int> RegionMax(std::string_view) const override { return std::nullopt; }
    int TradeMax(std::string_view) const override { return 0; }
    int PublicMax() const override { return 0; }
};

// The keyword subscription folders (the second folder list), as a snapshot.
using KeywordFolders = std::shared_ptr<const FolderList>;

// The reception kinds (GBK texts "大众", "行业", "地区").
std::string_view PublicGroup();
std::string_view TradeGroup();
std::string_view RegionGroup();

// True when an item of that reception group was already delivered through another
// subscription, by the last ids of the subscription records.
bool AlreadyReceived(const NewsItem& item, std::string_view group, const AcceptanceLimits& limits);

// Encloses the first occurrence of each keyword (in order) between 0x04 and 0x05. Returns
// false when no keyword occurs.
bool MarkKeywords(std::string& content, const std::vector<std::string>& keywords);

// Where one item is filed: by reception kind, into the stock folder for each related stock,
// and into every keyword subscription whose keywords it contains.
struct FilingTarget {
    int folderKind = 0;
    std::string base;
    bool marked = false;  // the copy carries the keyword marks
    std::string content;  // the content of this copy
};
std::vector<FilingTarget> FilingTargets(const NewsItem& item, const FolderList& folders);

// The first-in-first-out queue of items waiting for the writer thread.
class ItemQueue {
  public:
    void Push(NewsItem item);
    // The head item, or null. Only the writer thread removes items, and a deque keeps
    // references to its elements valid on push, so the pointer stays valid until PopFront.
    const NewsItem* Front() const;
    void PopFront();
    std::size_t Size() const;
    void Clear();

  private:
    mutable std::mutex mutex_;
    std::deque<NewsItem> items_;
};

class NewsIntake {
  public:
    struct Options {
        std::string contentFolder;  // ends in "/"
        // Where status texts (panes 1 and 2) and received bulletins are reported; none: nowhere.
        platform::MainWindowSink* window = nullptr;
        int diskIntervalMs = 10;
        // Filing into keyword subscriptions: the current list (copy-on-write snapshot).
        std::function<KeywordFolders()> keywordFolders;
        // Called on the writer thread once an item is in every news file it belongs to, before
        // the hand-off: this is where "received up to here" may move, since an item counts as
        // received only when it is filed. May be empty.
        std::function<void(const NewsItem&)> onFiled;
        // Hand-off after filing (conversion for outside programs); may be empty.
        std::function<void(const NewsItem&)> afterFiling;
    };

    NewsIntake(Options options, const reference::ReferenceTables& tables,
               const AcceptanceLimits& limits);
    ~NewsIntake();
    NewsIntake(const NewsIntake&) = delete;
    NewsIntake& operator=(const NewsIntake&) = delete;

    // Called by the reception threads for every record cut from a reply. `receivedFor` is the
    // key of the subscription record whose exchange brought it (empty for items handed in by
    // other means). Returns the news ID when the record was accepted and queued, 0 when it was
    // rejected: already received, or its id is not a valid news id (IsValidNewsId).
    int AcceptRecord(std::string_view block, std::string_view group,
                     std::string_view receivedFor = {});

    // Files one item into all the news files it belongs to (writer thread only; public for
    // tests and tools). A copy that is in its news file already (an item filed again after an
    // interruption) is not added twice. True when every copy is in place.
    bool FileItem(const NewsItem& item);

    // Starts and stops the store writer thread. Stop signals the stop event and joins; items
    // still queued stay queued.
    void StartWriter();
    void StopWriter();
    // Waits until the queue is empty (or the time-out passes; -1 waits for good); true when
    // it is empty. With no writer thread running it only looks.
    bool WaitUntilDrained(int timeoutMs);
    // Files every queued item without the disk interval's pauses, then stops the writer:
    // what a front end does at exit.
    void DrainAndStop();

    std::size_t Pending() const { return queue_.Size(); }
    int ReceivedCount() const { return received_.load(); }
    // Items filed into every news file they belong to, and items at least one copy of which
    // could not be written (the error log says why).
    int WrittenCount() const { return written_.load(); }
    int FailedCount() const { return failed_.load(); }
    void SetDiskInterval(int ms) { diskIntervalMs_.store(ms); }
    // Where items are filed from the next item on (ends in "/"); what was filed under the
    // old folder stays there.
    void SetContentFolder(const std::string& folder);
    std::string ContentFolder() const;

  private:
    platform::MainWindowSink& Window() const {
        return options_.window ? *options_.window : platform::SilentMainWindow();
    }
    void WriterLoop();
    std::string WebsiteName(int websiteId) const;

    Options options_;
    mutable std::mutex folderMutex_;  // guards options_.contentFolder
    const reference::ReferenceTables& tables_;
    const AcceptanceLimits& limits_;
    ItemQueue queue_;
    std::atomic<int> received_{0};
    std::atomic<int> written_{0};
    std::atomic<int> failed_{0};
    std::atomic<bool> draining_{false};
    std::atomic<int> diskIntervalMs_;
    platform::ManualResetEvent stop_;
    std::thread writer_;
};

}  // namespace brevio::store
