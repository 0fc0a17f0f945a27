// News files: the append rate through AppendItem, and listing and lookups over an index of
// 100,000 records built once in a temporary folder.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "platform/fs.h"
#include "platform/text.h"
#include "reference/reference_tables.h"
#include "store/intake.h"
#include "store/news_file.h"

namespace {

using namespace brevio;

constexpr int kBigFileRecords = 100000;

std::string MakeTempFolder() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "brevio-bench-XXXXXX").string();
    return std::string(mkdtemp(tmpl.data())) + "/";
}

store::NewsItem SampleItem(int id) {
    store::NewsItem item;
    item.newsId = id;
    item.title = "  沪深两市成交继续放大，券商板块领涨 " + std::to_string(id) + "  ";
    item.url = "http://finance.example.cn/news/2007/03/15/" + std::to_string(id) + ".html";
    item.timeText = "2007-3-15 9:30:5";
    item.content.reserve(1600);
    while (item.content.size() < 1500) item.content += "今日沪深两市高开高走，成交量明显放大。";
    return item;
}

class Files {
  public:
    Files() : folder_(MakeTempFolder()) {
        // The big file is written in one pass of encoded records, which is what a long run of
        // appends leaves behind (one record in 50 deleted).
        const std::string base = store::BasePath(folder_, "big");
        std::string index(store::kIndexHeaderSize, '\0');
        store::IndexHeader header;
        header.liveCount = kBigFileRecords - kBigFileRecords / 50;
        header.deletedCount = kBigFileRecords / 50;
        store::EncodeHeader(header, std::span<char, store::kIndexHeaderSize>(index.data(), 32));
        std::string content;
        index.resize(store::kIndexHeaderSize + kBigFileRecords * store::kRecordSize);
        for (int i = 0; i < kBigFileRecords; ++i) {
            store::NewsItem item = SampleItem(i + 1);
            item.content = "正文 " + std::to_string(i);
            store::NewsRecord r = store::BuildRecord(item, "新浪财经");
            r.isDeleted = i % 50 == 49 ? 1 : 0;
            r.offset = static_cast<std::uint32_t>(content.size());
            r.length = static_cast<std::int32_t>(item.content.size());
            content += item.content;
            store::EncodeRecord(r, std::span<char, store::kRecordSize>(
                                       index.data() + store::kIndexHeaderSize +
                                           static_cast<std::size_t>(i) * store::kRecordSize,
                                       store::kRecordSize));
        }
        platform::WriteFileAtomic(store::IndexPath(base), index);
        platform::WriteFileAtomic(store::ContentPath(base), content);
    }
    ~Files() {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
    const std::string& Folder() const { return folder_; }

  private:
    std::string folder_;
};

const Files& TheFiles() {
    static Files files;
    return files;
}

void BM_AppendItem(benchmark::State& state) {
    const std::string folder = MakeTempFolder() + "Trade/";
    store::NewsItem item = SampleItem(1);
    for (auto _ : state) {
        ++item.newsId;
        int n = store::AppendItem(folder, "T01", item, "新浪财经");
        if (n <= 0) state.SkipWithError("append failed");
    }
    state.SetItemsProcessed(state.iterations());
    std::error_code ec;
    std::filesystem::remove_all(std::filesystem::path(folder).parent_path().parent_path(), ec);
}
BENCHMARK(BM_AppendItem);

// Filing as the store writer thread does it: a public item goes to its category file, one
// related-stock file, and the one of three keyword subscriptions whose keyword it contains.
void BM_FileItem(benchmark::State& state) {
    const std::string content = MakeTempFolder();
    platform::CreateFolders(content + "News/Stock/");
    reference::ReferenceTables tables;
    tables.LoadAll(content);
    store::NoAcceptanceLimits limits;
    store::NewsIntake::Options options;
    options.contentFolder = content;
    auto folders = std::make_shared<const store::FolderList>(
        store::FolderList{{1, "", {"券商"}}, {2, "", {"成交量"}}, {3, "", {"黄金"}}});
    options.keywordFolders = [folders] { return folders; };
    store::NewsIntake intake(options, tables, limits);
    store::NewsItem item = SampleItem(1);
    item.category = "10001";
    item.relatedStocks = "600030|";
    item.receptionKind = std::string(store::PublicGroup());
    for (auto _ : state) {
        ++item.newsId;
        intake.FileItem(item);
    }
    state.SetItemsProcessed(state.iterations());
    std::error_code ec;
    std::filesystem::remove_all(content, ec);
}
BENCHMARK(BM_FileItem);

void BM_ListRecords100k(benchmark::State& state) {
    const std::string& folder = TheFiles().Folder();
    for (auto _ : state) {
        long long sum = 0;
        int n =
            store::ListRecords(folder, "big", [&](const store::NewsRecord& r) { sum += r.date; });
        if (n != kBigFileRecords - kBigFileRecords / 50) state.SkipWithError("wrong count");
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kBigFileRecords);
}
BENCHMARK(BM_ListRecords100k)->Unit(benchmark::kMillisecond);

// The lookup of the newest record scans the whole index (the first chunk holding an ID wins).
void BM_ReadItemNewest100k(benchmark::State& state) {
    const std::string& folder = TheFiles().Folder();
    store::NewsRecord r;
    std::string content;
    for (auto _ : state) {
        int n = store::ReadItem(folder, "big", kBigFileRecords, r, content);
        if (n <= 0) state.SkipWithError("read failed");
    }
}
BENCHMARK(BM_ReadItemNewest100k)->Unit(benchmark::kMillisecond);

}  // namespace
