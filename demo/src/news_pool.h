// All news items the server holds, in increasing id order, and the selection that answers a
// news request. Shared by the connection threads, the portal and the batch thread.
#pragma once

#include <cstdint>
#include <ctime>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "news_generator.h"
#include "reference_data.h"

namespace brevio::demo {

// Which items a news request asks for.
struct NewsSelection {
    Group group = Group::kNone;
    std::string code;                   // public category, trade or region code
    long long afterId = 0;              // only items with a higher id
    std::set<int> websites;             // empty: every site
    std::vector<std::string> keywords;  // GBK; empty: every item
    int keyRange = 0;  // where keywords are looked for: 1 title, 2 content, else both
};

class NewsPool {
  public:
    NewsPool(const ReferenceData& refs, const WordLists& words, std::uint32_t seed);

    // The portal address that item URLs point into; set before the first item is made.
    void SetLinkBase(std::string base) { linkBase_ = std::move(base); }

    // The first items: the bulletin, then `count` items with times spread over the three
    // days before `now`. Ids start at `firstId` and rise by 1 to 3.
    void Fill(int count, std::time_t now, long long firstId = 10000);
    // Adds `count` new items at time `now`; returns the first and last new id.
    std::pair<long long, long long> AddBatch(int count, std::time_t now);

    // True when the item answers the selection.
    static bool Matches(const NewsItem& item, const NewsSelection& sel);
    // The matching items, in id order.
    std::vector<NewsItem> Select(const NewsSelection& sel) const;
    std::optional<NewsItem> Find(long long id) const;
    // The newest items (at most `limit`) for which `pred` holds, newest first.
    template <typename Pred>
    std::vector<NewsItem> Newest(std::size_t limit, Pred pred) const {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<NewsItem> out;
        for (auto it = items_.rbegin(); it != items_.rend() && out.size() < limit; ++it) {
            if (pred(*it)) out.push_back(*it);
        }
        return out;
    }

    std::size_t Size() const;
    long long MaxId() const;

  private:
    long long NextId();

    NewsGenerator generator_;
    std::string linkBase_;
    mutable std::mutex mutex_;
    std::vector<NewsItem> items_;
    long long lastId_ = 0;
};

}  // namespace brevio::demo
