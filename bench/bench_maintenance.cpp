// Store maintenance and search: compaction of a 100,000-record news file (by days and by
// count, each run on a fresh copy), the title scan of one 100,000-record file, and a local
// search over 20 public categories of 50,000 records each. The files are written once, in a
// temporary program folder, as encoded records (what a long run of appends leaves behind).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <ctime>
#include <filesystem>
#include <string>

#include "platform/fs.h"
#include "reference/reference_tables.h"
#include "store/compaction.h"
#include "store/news_file.h"
#include "store/news_search.h"

namespace {

using namespace brevio;

constexpr int kBigFileRecords = 100000;
constexpr int kCategories = 20;
constexpr int kCategoryRecords = 50000;

std::string MakeTempFolder() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "brevio-bench-XXXXXX").string();
    return std::string(mkdtemp(tmpl.data())) + "/";
}

// 2024-06-15 12:00 local time.
std::time_t BenchNow() {
    std::tm tm{};
    tm.tm_year = 124;
    tm.tm_mon = 5;
    tm.tm_mday = 15;
    tm.tm_hour = 12;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

// A news file of `records` records: one in 50 deleted, the first half dated before
// 2024-06-10, one title in 100 holding "热点".
void WriteNewsFile(const std::string& basePath, int records, std::size_t contentBytes) {
    std::string index(store::kIndexHeaderSize + static_cast<std::size_t>(records) * 512, '\0');
    store::IndexHeader header;
    header.liveCount = records - records / 50;
    header.deletedCount = records / 50;
    store::EncodeHeader(header, std::span<char, store::kIndexHeaderSize>(index.data(), 32));
    std::string body;
    while (body.size() < contentBytes) body += "今日沪深两市高开高走，成交量明显放大。";
    body.resize(contentBytes);
    std::string content;
    content.reserve(static_cast<std::size_t>(records) * contentBytes);
    for (int i = 0; i < records; ++i) {
        store::NewsRecord r;
        r.newsId = i + 1;
        r.SetTitle((i % 100 == 0 ? "热点 沪深两市成交继续放大 " : "沪深两市成交继续放大 ") +
                   std::to_string(i));
        r.SetUrl("http://finance.example.cn/news/" + std::to_string(i) + ".html");
        r.SetWebSite("华岳财经网");
        r.isDeleted = i % 50 == 49 ? 1 : 0;
        r.date = i < records / 2 ? 20240601 : 20240614;
        r.time = 93005;
        r.offset = static_cast<std::uint32_t>(content.size());
        r.length = static_cast<std::int32_t>(body.size());
        content += body;
        store::EncodeRecord(r, std::span<char, store::kRecordSize>(
                                   index.data() + store::kIndexHeaderSize +
                                       static_cast<std::size_t>(i) * store::kRecordSize,
                                   store::kRecordSize));
    }
    platform::WriteFileAtomic(store::IndexPath(basePath), index);
    platform::WriteFileAtomic(store::ContentPath(basePath), content);
}

class Files {
  public:
    Files() : home_(MakeTempFolder()) {
        setenv("BREVIO_HOME", home_.c_str(), 1);
        content_ = home_ + "content/";
        news_ = content_ + "News/";
        platform::CreateFolders(news_);
        WriteNewsFile(news_ + "big", kBigFileRecords, 300);
        reference::RefList categories;
        for (int c = 0; c < kCategories; ++c) {
            std::string code = std::to_string(10001 + c);
            WriteNewsFile(news_ + code, kCategoryRecords, 10);
            categories.push_back({code, "分类" + std::to_string(c), reference::kFlagSelected});
            scope_.push_back({"分类" + std::to_string(c), 10001 + c});
        }
        tables_.Replace(reference::Table::kPublic, std::move(categories));
    }
    ~Files() {
        std::error_code ec;
        std::filesystem::remove_all(home_, ec);
    }
    // A fresh copy of the big file to compact.
    std::string FreshCopy() const {
        const std::string work = news_ + "work";
        auto opts = std::filesystem::copy_options::overwrite_existing;
        std::filesystem::copy_file(store::IndexPath(news_ + "big"), store::IndexPath(work), opts);
        std::filesystem::copy_file(store::ContentPath(news_ + "big"), store::ContentPath(work),
                                   opts);
        return work;
    }
    const std::string& Content() const { return content_; }
    const std::string& News() const { return news_; }
    const reference::ReferenceTables& Tables() const { return tables_; }
    const std::vector<store::SearchScopeEntry>& Scope() const { return scope_; }

  private:
    std::string home_, content_, news_;
    reference::ReferenceTables tables_;
    std::vector<store::SearchScopeEntry> scope_;
};

const Files& TheFiles() {
    static Files files;
    return files;
}

void BM_CompactByDays100k(benchmark::State& state) {
    const Files& files = TheFiles();
    for (auto _ : state) {
        state.PauseTiming();
        std::string base = files.FreshCopy();
        state.ResumeTiming();
        if (store::CompactByDays(base, 5, BenchNow()) != store::kCompactOk) {
            state.SkipWithError("compaction failed");
        }
    }
    state.SetItemsProcessed(state.iterations() * kBigFileRecords);
}
BENCHMARK(BM_CompactByDays100k)->Unit(benchmark::kMillisecond);

void BM_CompactByCount100k(benchmark::State& state) {
    const Files& files = TheFiles();
    for (auto _ : state) {
        state.PauseTiming();
        std::string base = files.FreshCopy();
        state.ResumeTiming();
        if (store::CompactByCount(base, 50000) != store::kCompactOk) {
            state.SkipWithError("compaction failed");
        }
    }
    state.SetItemsProcessed(state.iterations() * 50000);
}
BENCHMARK(BM_CompactByCount100k)->Unit(benchmark::kMillisecond);

void BM_SearchOneFile100k(benchmark::State& state) {
    const Files& files = TheFiles();
    int hits = 0;
    for (auto _ : state) {
        hits = store::SearchNewsFile(files.News(), "big", "热点", nullptr);
        benchmark::DoNotOptimize(hits);
    }
    state.counters["hits"] = hits;
    state.SetItemsProcessed(state.iterations() * kBigFileRecords);
}
BENCHMARK(BM_SearchOneFile100k)->Unit(benchmark::kMillisecond);

void BM_SearchLocal20x50k(benchmark::State& state) {
    const Files& files = TheFiles();
    int hits = 0;
    for (auto _ : state) {
        store::LocalSearchResult r =
            store::SearchLocal("热点", files.Scope(), files.Tables(), files.Content());
        hits = r.result;
        benchmark::DoNotOptimize(r);
    }
    state.counters["hits"] = hits;
    state.SetItemsProcessed(state.iterations() * kCategories * kCategoryRecords);
}
BENCHMARK(BM_SearchLocal20x50k)->Unit(benchmark::kMillisecond);

}  // namespace
