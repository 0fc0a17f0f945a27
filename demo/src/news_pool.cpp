#include "news_pool.h"

#include <algorithm>

#include "text_util.h"

namespace brevio::demo {

NewsPool::NewsPool(const ReferenceData& refs, const WordLists& words, std::uint32_t seed)
    : generator_(refs, words, seed) {}

long long NewsPool::NextId() {
    lastId_ += 1 + generator_.Next() % 3;
    return lastId_;
}

void NewsPool::Fill(int count, std::time_t now, long long firstId) {
    std::lock_guard<std::mutex> lock(mutex_);
    items_.clear();
    lastId_ = firstId - 1;
    const std::time_t span = 3 * 24 * 3600;
    const std::time_t start = now - span;
    const std::time_t step = count > 0 ? span / (count + 1) : 0;
    items_.push_back(generator_.MakeBulletin(++lastId_, start, linkBase_));
    for (int i = 0; i < count; ++i) {
        std::time_t when = start + step * (i + 1) + (step > 1 ? generator_.Next() % step : 0);
        items_.push_back(generator_.Make(NextId(), std::min(when, now), linkBase_));
    }
}

std::pair<long long, long long> NewsPool::AddBatch(int count, std::time_t now) {
    std::lock_guard<std::mutex> lock(mutex_);
    long long first = 0;
    for (int i = 0; i < count; ++i) {
        items_.push_back(generator_.Make(NextId(), now, linkBase_));
        if (i == 0) first = lastId_;
    }
    return {first, lastId_};
}

namespace {

bool ListHas(const std::string& list, const std::string& code) {
    auto parts = SplitNonEmpty(list, '|');
    return std::find(parts.begin(), parts.end(), code) != parts.end();
}

}  // namespace

bool NewsPool::Matches(const NewsItem& item, const NewsSelection& sel) {
    if (item.id <= sel.afterId) return false;
    switch (sel.group) {
        case Group::kPublic:
            if (item.category != sel.code) return false;
            break;
        case Group::kTrade:
            if (!ListHas(item.trade, sel.code)) return false;
            break;
        case Group::kRegion:
            if (!ListHas(item.region, sel.code)) return false;
            break;
        case Group::kNone:
            return false;
    }
    if (!sel.websites.empty() && !sel.websites.count(item.website)) return false;
    if (sel.keywords.empty()) return true;
    for (const std::string& key : sel.keywords) {
        if (sel.keyRange != 2 && GbkContains(item.title, key)) return true;
        if (sel.keyRange != 1 && GbkContains(item.content, key)) return true;
    }
    return false;
}

std::vector<NewsItem> NewsPool::Select(const NewsSelection& sel) const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<NewsItem> out;
    for (const NewsItem& item : items_) {
        if (Matches(item, sel)) out.push_back(item);
    }
    return out;
}

std::optional<NewsItem> NewsPool::Find(long long id) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = std::lower_bound(items_.begin(), items_.end(), id,
                               [](const NewsItem& item, long long v) { return item.id < v; });
    if (it == items_.end() || it->id != id) return std::nullopt;
    return *it;
}

std::size_t NewsPool::Size() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return items_.size();
}

long long NewsPool::MaxId() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lastId_;
}

}  // namespace brevio::demo
