// Loading the larger reference tables: a stock table of 5,000 rows and a site-per-category
// list of 2,000 rows, generated in a temporary folder.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "platform/fs.h"
#include "platform/text.h"
#include "reference/reference_tables.h"
#include "reference/tab_files.h"

namespace {

using namespace brevio;

class Files {
  public:
    Files() {
        std::string tmpl =
            (std::filesystem::temp_directory_path() / "brevio-bench-XXXXXX").string();
        folder_ = std::string(mkdtemp(tmpl.data())) + "/";
        std::string stocks;
        for (int i = 0; i < 5000; ++i) {
            std::string code = platform::Format("%06d", 600000 + i);
            stocks += code + "\t股票" + std::to_string(i) + "\t\"简称" + std::to_string(i) +
                      ",别名,ST" + std::to_string(i % 97) + "\"\t\"行业" + std::to_string(i % 60) +
                      "\"\r\n";
        }
        platform::WriteFileAtomic(StockPath(), stocks);
        std::string sites;
        for (int i = 0; i < 2000; ++i) {
            sites +=
                std::to_string(i % 400) + "\t" + platform::Format("%05d", 10001 + i % 150) + "\r\n";
        }
        platform::WriteFileAtomic(SitePath(), sites);
    }
    ~Files() {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
    std::string StockPath() const { return folder_ + "stocktbl.tab"; }
    std::string SitePath() const { return folder_ + "WebsiteNews.tab"; }

  private:
    std::string folder_;
};

const Files& TheFiles() {
    static Files files;
    return files;
}

void BM_LoadStockTable(benchmark::State& state) {
    const std::string path = TheFiles().StockPath();
    reference::StockTable table;
    for (auto _ : state) {
        int n = reference::LoadStockTable(path, table);
        benchmark::DoNotOptimize(n);
    }
    state.SetItemsProcessed(state.iterations() * 5000);
}
BENCHMARK(BM_LoadStockTable)->Unit(benchmark::kMicrosecond);

void BM_LoadSiteCategoryList(benchmark::State& state) {
    const std::string path = TheFiles().SitePath();
    reference::SiteCategoryList list;
    for (auto _ : state) {
        int n = reference::LoadSiteCategoryList(path, list);
        benchmark::DoNotOptimize(n);
    }
    state.SetItemsProcessed(state.iterations() * 2000);
}
BENCHMARK(BM_LoadSiteCategoryList)->Unit(benchmark::kMicrosecond);

void BM_SitesForCategory(benchmark::State& state) {
    reference::SiteCategoryList list;
    reference::LoadSiteCategoryList(TheFiles().SitePath(), list);
    for (auto _ : state) {
        auto sites = reference::AllSitesForCategory(list, "10077");
        benchmark::DoNotOptimize(sites.data());
    }
}
BENCHMARK(BM_SitesForCategory)->Unit(benchmark::kMicrosecond);

}  // namespace
