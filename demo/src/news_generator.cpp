#include "news_generator.h"

#include <algorithm>
#include <cstdio>

#include "platform/text.h"
#include "text_util.h"

namespace brevio::demo {

bool WordLists::Load(const std::string& path, std::string& error) {
    std::vector<std::pair<std::string, std::vector<std::string>>> sections;
    if (!ReadSectionFile(path, sections)) {
        error = "cannot read " + path;
        return false;
    }
    lists_.clear();
    for (auto& [name, entries] : sections) lists_[name] = std::move(entries);
    for (const char* needed : {"title", "clause", "sentence", "flash", "reporter"}) {
        if (Get(needed).empty()) {
            error = path + ": the list [" + needed + "] is missing or empty";
            return false;
        }
    }
    return true;
}

const std::vector<std::string>& WordLists::Get(std::string_view name) const {
    static const std::vector<std::string> kEmpty;
    auto it = lists_.find(name);
    return it == lists_.end() ? kEmpty : it->second;
}

// What one item is about while its texts are being written. While `record` is set (the
// title), a region, trade or company a template names becomes part of the item. In the body
// a template names one of the item's own; when the item has none, one name picked for the
// body alone is used throughout, so an article does not wander from place to place.
struct NewsGenerator::Context {
    const CodeName* category = nullptr;
    std::string siteName;
    std::vector<const CodeName*> regions;
    std::vector<const CodeName*> trades;
    std::vector<const StockRow*> stocks;
    const CodeName* bodyRegion = nullptr;
    const CodeName* bodyTrade = nullptr;
    const StockRow* bodyStock = nullptr;
    bool record = true;
};

namespace {

template <typename T>
void AddUnique(std::vector<T*>& list, T* item) {
    if (std::find(list.begin(), list.end(), item) == list.end()) list.push_back(item);
}

std::size_t GbkSize(std::string_view utf8) {
    return ToGbk(utf8).size();
}

}  // namespace

NewsGenerator::NewsGenerator(const ReferenceData& refs, const WordLists& words, std::uint32_t seed)
    : refs_(refs), words_(words), rng_(seed) {}

std::vector<std::size_t> NewsGenerator::Shuffled(std::size_t n) {
    std::vector<std::size_t> order(n);
    for (std::size_t i = 0; i < n; ++i) order[i] = i;
    for (std::size_t i = n; i > 1; --i) std::swap(order[i - 1], order[Pick(i)]);
    return order;
}

void NewsGenerator::AddStock(Context& ctx, const StockRow& stock) {
    AddUnique(ctx.stocks, &stock);
    if (const CodeName* trade = refs_.FindTrade(stock.trade)) AddUnique(ctx.trades, trade);
}

std::string NewsGenerator::Word(std::string_view list, Context& ctx, int depth) {
    auto pickCode = [&](std::vector<const CodeName*>& own, const CodeName*& bodyOnly,
                        const std::vector<CodeName>& all) -> std::string {
        if (!own.empty()) return own[Pick(own.size())]->name;
        if (!ctx.record && bodyOnly) return bodyOnly->name;
        const CodeName* any = &all[Pick(all.size())];
        if (ctx.record) {
            own.push_back(any);
        } else {
            bodyOnly = any;
        }
        return any->name;
    };
    if (list == "region") return pickCode(ctx.regions, ctx.bodyRegion, refs_.regions);
    if (list == "trade") return pickCode(ctx.trades, ctx.bodyTrade, refs_.trades);
    if (list == "company") {
        if (!ctx.stocks.empty()) return ctx.stocks[Pick(ctx.stocks.size())]->name;
        if (!ctx.record && ctx.bodyStock) return ctx.bodyStock->name;
        const StockRow& any = refs_.stocks[Pick(refs_.stocks.size())];
        if (ctx.record) {
            AddStock(ctx, any);
        } else {
            ctx.bodyStock = &any;
        }
        return any.name;
    }
    if (list == "category") return ctx.category ? ctx.category->name : std::string();
    if (list == "site") return ctx.siteName;
    char buf[32];
    if (list == "percent") {
        std::snprintf(buf, sizeof buf, "%u.%u%%", 1 + Next() % 30, Next() % 10);
        return buf;
    }
    if (list == "amount") {
        std::snprintf(buf, sizeof buf, "%u.%u", 1 + Next() % 800, Next() % 10);
        return buf;
    }
    const auto& entries = words_.Get(list);
    if (entries.empty() || depth > 3) return std::string();
    return Expand(entries[Pick(entries.size())], ctx, depth + 1);
}

std::string NewsGenerator::Expand(std::string_view templ, Context& ctx, int depth) {
    std::string out;
    std::size_t i = 0;
    while (i < templ.size()) {
        std::size_t open = templ.find('{', i);
        std::size_t close = open == std::string_view::npos ? open : templ.find('}', open);
        if (close == std::string_view::npos) {
            out.append(templ.substr(i));
            break;
        }
        out.append(templ.substr(i, open - i));
        out += Word(templ.substr(open + 1, close - open - 1), ctx, depth);
        i = close + 1;
    }
    return out;
}

NewsItem NewsGenerator::Make(long long id, std::time_t when, std::string_view linkBase) {
    std::vector<const CodeName*> categories;
    for (const CodeName& c : refs_.classify) {
        if (c.code != kBulletinCategory) categories.push_back(&c);
    }
    Context ctx;
    ctx.category = categories[Pick(categories.size())];
    const bool flash = ctx.category->code > "40000";

    // What the item is about: company news always names a listed company.
    const bool companyNews = StartsWith(ctx.category->code, "13") || ctx.category->code == "11001";
    int stockCount = companyNews ? 1 + Chance(40) : Chance(20);
    for (int i = 0; i < stockCount; ++i) AddStock(ctx, refs_.stocks[Pick(refs_.stocks.size())]);
    int r = static_cast<int>(Pick(100));
    int regionCount = r < 35 ? 1 : r < 47 ? 2 : 0;
    for (int i = 0; i < regionCount; ++i)
        AddUnique(ctx.regions, &refs_.regions[Pick(refs_.regions.size())]);
    int t = static_cast<int>(Pick(100));
    int tradeCount = t < 30 ? 1 : t < 40 ? 2 : 0;
    for (int i = 0; i < tradeCount; ++i)
        AddUnique(ctx.trades, &refs_.trades[Pick(refs_.trades.size())]);

    // The source: a site that carries the category, preferably one that also covers the
    // item's trade.
    std::vector<std::string> sites = ReferenceData::SitesFor(refs_.websiteNews, ctx.category->code);
    if (!ctx.trades.empty()) {
        auto tradeSites = ReferenceData::SitesFor(refs_.websiteTrade, ctx.trades[0]->code);
        std::vector<std::string> both;
        for (const auto& s : sites) {
            if (std::find(tradeSites.begin(), tradeSites.end(), s) != tradeSites.end())
                both.push_back(s);
        }
        if (!both.empty()) sites = std::move(both);
    }
    const CodeName* site = sites.empty() ? &refs_.websites[Pick(refs_.websites.size())]
                                         : refs_.FindWebsite(sites[Pick(sites.size())]);
    ctx.siteName = site->name;

    std::string title;
    if (flash) {
        const auto& lines = words_.Get("flash");
        title = "快讯：" + Expand(lines[Pick(lines.size())], ctx, 0);
        if (title.size() >= 3 && title.compare(title.size() - 3, 3, "。") == 0)
            title.resize(title.size() - 3);
    } else {
        const auto& titles = words_.Get("title");
        title = Expand(titles[Pick(titles.size())], ctx, 0);
        if (Chance(8)) {
            // A long headline: further clauses until it is well past the 201 bytes that a
            // news list keeps.
            const auto& clauses = words_.Get("clause");
            std::vector<std::size_t> order = Shuffled(clauses.size());
            std::size_t target = 202 + Pick(60);
            for (std::size_t i = 0; i < order.size() && GbkSize(title) < target; ++i)
                title += (i == 0 ? "——" : "，") + Expand(clauses[order[i]], ctx, 0);
            while (GbkSize(title) < target) title += "，" + Expand("{topic}{trend}", ctx, 0);
        }
    }

    ctx.record = false;
    std::string body;
    if (flash) {
        const auto& lines = words_.Get("flash");
        int n = 1 + static_cast<int>(Pick(2));
        for (int i = 0; i < n; ++i) body += Expand(lines[Pick(lines.size())], ctx, 0);
    } else {
        const auto& sentences = words_.Get("sentence");
        const auto& reporters = words_.Get("reporter");
        body = "本报讯（" + ctx.siteName + "记者 " + reporters[Pick(reporters.size())] + "）";
        // Sentences are drawn without repetition, in paragraphs of two to five.
        std::vector<std::size_t> order = Shuffled(sentences.size());
        std::size_t total = std::min<std::size_t>(order.size(), 4 + Pick(10));
        std::size_t inParagraph = 2 + Pick(4);
        for (std::size_t i = 0, used = 0; i < total; ++i, ++used) {
            if (used == inParagraph) {
                body += "\r\n";
                used = 0;
                inParagraph = 2 + Pick(4);
            }
            body += Expand(sentences[order[i]], ctx, 0);
        }
    }

    NewsItem item;
    item.id = id;
    item.title = ToGbk(title);
    item.url = std::string(linkBase) + "/news/" + std::to_string(id) + ".html";
    item.category = ctx.category->code;
    item.website = std::stoi(site->code);
    for (const CodeName* c : ctx.regions) item.region += c->code + "|";
    for (const CodeName* c : ctx.trades) item.trade += c->code + "|";
    item.time = FormatLocalTime(when);
    for (const StockRow* s : ctx.stocks) item.relstocks += s->code + "|";
    item.content = std::string(platform::DbcsPrefix(ToGbk(body), kMaxContentBytes));
    return item;
}

NewsItem NewsGenerator::MakeBulletin(long long id, std::time_t when, std::string_view linkBase) {
    NewsItem item;
    item.id = id;
    item.title = ToGbk("Brevio演示服务器公告");
    item.url = std::string(linkBase) + "/news/" + std::to_string(id) + ".html";
    item.category = std::string(kBulletinCategory);
    item.website = 0;
    item.time = FormatLocalTime(when);
    item.content = ToGbk(
        "欢迎使用Brevio演示新闻服务器。\r\n"
        "本服务器只在本机回环地址上运行，所有新闻都由程序根据词表合成，不代表任何真实事件，"
        "其中的公司、网站和人物均为虚构。\r\n"
        "演示用户：demo，密码：demo123。");
    return item;
}

}  // namespace brevio::demo
