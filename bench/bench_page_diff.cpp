// Speed and memory of the radar's text difference engine on pages of 10,000 lines.
//
//   bench_page_diff [--benchmark_filter=...]
//
// PeakRSS_MiB is the process's peak resident memory (VmHWM) after the benchmark ran;
// TableCells the size of the matching table the comparison built.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "radar/page_diff.h"

namespace {

using brevio::radar::PageDiff;

double PeakRssMiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    }
    return 0;
}

// A temporary folder for the page files, removed at exit.
const std::string& Folder() {
    static const std::string folder = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "bench-diff-XXXXXX").string();
        const char* made = mkdtemp(pattern.data());
        return std::string(made ? made : ".") + "/";
    }();
    static const struct Cleanup {
        ~Cleanup() {
            std::error_code ec;
            std::filesystem::remove_all(folder, ec);
        }
    } cleanup;
    return folder;
}

void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

std::string Row(int k, const char* cell) {
    return "<tr><td class=\"n\">" + std::to_string(k) + "</td><td>新闻标题第 " +
           std::to_string(k * 7919 % 100003) + " 条</td><td>" + cell + "</td></tr>\r\n";
}

// Two pages of `lines` lines. In the changed pair the first and the last line differ, so the
// table spans both pages whole, and every 97th row is edited, removed or joined by a new one.
void MakePages(int lines, bool changed, std::string& oldPage, std::string& newPage) {
    oldPage.clear();
    newPage.clear();
    for (int k = 0; k < lines; ++k) {
        oldPage += Row(k, "旧");
        if (!changed) {
            newPage += Row(k, "旧");
        } else if (k == 0 || k == lines - 1) {
            newPage += Row(k, "新");
        } else if (k % 97 == 0) {
            switch (k / 97 % 3) {
                case 0:
                    newPage += Row(k, "改");
                    break;
                case 1:
                    break;
                default:
                    newPage += Row(k, "旧") + Row(-k, "增");
                    break;
            }
        } else {
            newPage += Row(k, "旧");
        }
    }
}

void RunCompare(benchmark::State& state, bool changed) {
    std::string oldPage;
    std::string newPage;
    MakePages(static_cast<int>(state.range(0)), changed, oldPage, newPage);
    const std::string oldPath = Folder() + "page_old.html";
    const std::string newPath = Folder() + "page.html";
    const std::string changePath = Folder() + "page_change.html";
    Write(oldPath, oldPage);
    Write(newPath, newPage);
    PageDiff diff;
    bool result = false;
    for (auto _ : state) {
        result = diff.Compare(oldPath, newPath, changePath);
        benchmark::DoNotOptimize(result);
    }
    if (result != changed) state.SkipWithError("unexpected comparison result");
    state.counters["TableCells"] = static_cast<double>(diff.LastTableCells());
    state.counters["PeakRSS_MiB"] = PeakRssMiB();
}

void BM_CompareChangedPages(benchmark::State& state) {
    RunCompare(state, true);
}
void BM_CompareIdenticalPages(benchmark::State& state) {
    RunCompare(state, false);
}

// The table and the trace alone, on keys that share no line: the worst case of the table.
void BM_MatchUnrelatedKeys(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0));
    std::vector<std::int32_t> a(size);
    std::vector<std::int32_t> b(size);
    for (std::size_t k = 0; k < size; ++k) {
        a[k] = static_cast<std::int32_t>(k * 2654435761u % 5000);
        b[k] = static_cast<std::int32_t>((k * 40503u + 17) % 5000);
    }
    PageDiff diff;
    std::vector<brevio::radar::LinePair> pairs;
    for (auto _ : state) {
        benchmark::DoNotOptimize(diff.Match(a, b, pairs));
    }
    state.counters["Pairs"] = static_cast<double>(pairs.size());
    state.counters["PeakRSS_MiB"] = PeakRssMiB();
}

BENCHMARK(BM_CompareChangedPages)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompareIdenticalPages)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MatchUnrelatedKeys)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
