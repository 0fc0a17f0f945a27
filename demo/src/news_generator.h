// Synthesises news items from the word lists of the data folder and the reference tables:
// Chinese titles and bodies, the category, the source web site, and the regions, trades and
// stocks an item concerns. The same seed always gives the same sequence of items.
#pragma once

#include <cstdint>
#include <ctime>
#include <map>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "reference_data.h"

namespace brevio::demo {

// One news item as the server delivers it. Every text is GBK.
struct NewsItem {
    long long id = 0;
    std::string title;
    std::string url;
    std::string category;  // public category code
    int website = 0;
    std::string region;     // region codes, each followed by "|"
    std::string trade;      // trade codes, each followed by "|"
    std::string time;       // "yyyy-m-d h:m:s"
    std::string relstocks;  // stock codes, each followed by "|"
    std::string content;
};

// Word lists: named lists of entries, from "words.txt".
class WordLists {
  public:
    bool Load(const std::string& path, std::string& error);
    // The named list; empty when there is none.
    const std::vector<std::string>& Get(std::string_view name) const;

  private:
    std::map<std::string, std::vector<std::string>, std::less<>> lists_;
};

class NewsGenerator {
  public:
    // Items longer than this many bytes are cut (at a character boundary).
    static constexpr std::size_t kMaxContentBytes = 5999;

    NewsGenerator(const ReferenceData& refs, const WordLists& words, std::uint32_t seed);

    // A new item of a category picked at random (never the bulletin category). `linkBase`
    // is the portal address the item's URL points into.
    NewsItem Make(long long id, std::time_t when, std::string_view linkBase);
    // The server's bulletin: an item of the bulletin category.
    NewsItem MakeBulletin(long long id, std::time_t when, std::string_view linkBase);

    std::uint32_t Next() { return rng_(); }

  private:
    struct Context;
    std::string Expand(std::string_view templ, Context& ctx, int depth);
    std::string Word(std::string_view list, Context& ctx, int depth);
    std::size_t Pick(std::size_t n) { return n == 0 ? 0 : rng_() % n; }
    bool Chance(int percent) { return static_cast<int>(rng_() % 100) < percent; }
    // 0 .. n-1 in random order.
    std::vector<std::size_t> Shuffled(std::size_t n);
    void AddStock(Context& ctx, const StockRow& stock);

    const ReferenceData& refs_;
    const WordLists& words_;
    std::mt19937 rng_;
};

}  // namespace brevio::demo
