// Conversion for outside programs: stored items converted by hand into text files and web
// pages (the news list's convert command over a whole news file of 1,000 and 10,000 items),
// and the automatic conversion's cost per received item (text, web page, both; each item
// converted under a public category, a trade and a region).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "conversion/auto_converter.h"
#include "conversion/conversion_settings.h"
#include "conversion/stored_conversion.h"
#include "conversion/templates.h"
#include "platform/fs.h"
#include "reference/reference_tables.h"
#include "store/news_file.h"

namespace {

using namespace brevio;

std::string MakeTempFolder() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "brevio-bench-XXXXXX").string();
    return std::string(mkdtemp(tmpl.data())) + "/";
}

reference::RefList List(std::vector<std::pair<std::string, std::string>> entries) {
    reference::RefList list;
    for (auto& [code, name] : entries) list.push_back({code, name, 'F'});
    return list;
}

store::NewsItem SampleItem(int id) {
    store::NewsItem item;
    item.newsId = id;
    item.websiteId = 3;
    item.title = "沪深两市成交继续放大，券商板块领涨 " + std::to_string(id);
    item.url = "http://finance.example.cn/news/2007/03/15/" + std::to_string(id) + ".html";
    // Ten days of news.
    item.timeText = "2007-3-" + std::to_string(10 + id % 10) + " 9:30:5";
    item.category = "09001";
    item.trade = "05|";
    item.region = "110|";
    item.content.reserve(1600);
    while (item.content.size() < 1500) item.content += "今日沪深两市高开高走，成交量明显放大。\r\n";
    return item;
}

// A program folder with reference tables, the conversion lists of the sample item's codes
// (trade 05 and region 110 converted) and a news file of items 1..n in 今日要闻.
class Home {
  public:
    explicit Home(int items) : folder_(MakeTempFolder()) {
        setenv("BREVIO_HOME", folder_.c_str(), 1);
        tables_.Replace(reference::Table::kPublic, List({{"09001", "今日要闻"}}));
        tables_.Replace(reference::Table::kTrades, List({{"05", "钢铁"}}));
        tables_.Replace(reference::Table::kRegions, List({{"110", "北京"}}));
        tables_.Replace(reference::Table::kWebsites, List({{"3", "北辰证券报"}}));
        content_ = folder_ + "content/";
        const std::string news = store::ResolveFolder(content_, store::kFolderPublic);
        platform::CreateFolders(news);
        for (int id = 1; id <= items; ++id) {
            store::AppendItem(news, "09001", SampleItem(id), "北辰证券报");
            ids_.push_back(id);
        }
    }
    ~Home() {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }

    conversion::ConversionSettings Settings(const std::string& convertPath, int format) const {
        conversion::ConversionSettings s;
        s.programFolder = folder_;
        s.convertPath = convertPath;
        s.convertAuto = 1;
        s.convertFormat = format;
        s.templateText = conversion::BuiltInTemplate();
        s.categories.trade = {{"05", "钢铁", 'T'}};
        s.categories.region = {{"110", "北京", 'T'}};
        return s;
    }

    const std::string& Folder() const { return folder_; }
    const std::string& Content() const { return content_; }
    const std::vector<std::int32_t>& Ids() const { return ids_; }
    const reference::ReferenceTables& Tables() const { return tables_; }

  private:
    std::string folder_;
    std::string content_;
    reference::ReferenceTables tables_;
    std::vector<std::int32_t> ids_;
};

// The convert command over every item of the news file, into a fresh conversion path.
void ConvertStored(benchmark::State& state, int format) {
    const int items = static_cast<int>(state.range(0));
    Home home(items);
    int round = 0;
    for (auto _ : state) {
        const std::string out = home.Folder() + "out" + std::to_string(round++) + "/";
        conversion::ConversionSettings s = home.Settings(out, format);
        conversion::StoredConversion done = conversion::ConvertStoredItems(
            s, home.Tables(), home.Content(), store::kFolderPublic, "09001", home.Ids(), format);
        if (done.converted != items) state.SkipWithError("not every item was converted");
        state.PauseTiming();
        std::error_code ec;
        std::filesystem::remove_all(out, ec);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * items);
}

void BM_ConvertStoredToText(benchmark::State& state) {
    ConvertStored(state, conversion::kFormatText);
}
void BM_ConvertStoredToHtml(benchmark::State& state) {
    ConvertStored(state, conversion::kFormatHtml);
}
BENCHMARK(BM_ConvertStoredToText)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_ConvertStoredToHtml)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// One received item handed to the automatic conversion after filing (three codes).
void BM_AutoConvertPerItem(benchmark::State& state) {
    const int format = static_cast<int>(state.range(0));
    Home home(0);
    conversion::AutoConverter converter(home.Tables(), home.Folder());
    converter.SetSettings(home.Settings(home.Folder() + "out/", format));
    int id = 0;
    for (auto _ : state) converter.OnFiled(SampleItem(++id));
    if (converter.FailedFiles() != 0) state.SkipWithError("a file could not be written");
    state.SetItemsProcessed(state.iterations());
    state.counters["files"] = converter.WrittenFiles();
}
BENCHMARK(BM_AutoConvertPerItem)
    ->Arg(conversion::kFormatText)
    ->Arg(conversion::kFormatHtml)
    ->Arg(conversion::kFormatTextAndHtml)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
