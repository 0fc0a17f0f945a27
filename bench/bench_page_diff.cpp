// Speed and memory of the radar's text difference engine, beside GNU diff on the same files.
//
//   bench_page_diff [--benchmark_filter=...]
//
// The pages are HTML tables of 1,000, 10,000 or 50,000 lines of which 10 % or 100 % changed
// (second argument); their first and last rows differ, so the engine's table spans them whole.
//
// BM_Compare             the engine in this process: PageDiff::Compare on the two files.
// BM_MatchUnrelatedKeys  the matching alone on keys that share few lines.
// BM_EngineProcess       the engine alone as a whole process (this program, --compare-once)
// BM_CliProcess          and `brevio-cli diff OLD NEW CHANGE` as a whole process, each run in
//                        turn with `diff OLD NEW >OUT` on the same files. Time is the median
//                        wall time; counters: median CPU time (cpu_ms), GNU diff's medians, the
//                        ratios (cpu_per_GnuDiff: median of the pairs' CPU ratios), and the
//                        peak resident memory of one run of each (PeakMiB, GnuDiff_PeakMiB;
//                        measured by /usr/bin/time, 0 without it).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "radar/page_diff.h"

extern char** environ;

namespace {

using brevio::radar::PageDiff;

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

// Two pages of `lines` rows. The first and the last row always differ. Of the others, every
// tenth (percent 10) or every one (percent 100) changes, in turn edited, removed, or joined by a
// new row after it.
void MakePages(int lines, int percent, std::string& oldPage, std::string& newPage) {
    oldPage.clear();
    newPage.clear();
    const int every = percent >= 100 ? 1 : 100 / percent;
    for (int k = 0; k < lines; ++k) {
        oldPage += Row(k, "旧");
        if (k == 0 || k == lines - 1) {
            newPage += Row(k, "新");
        } else if (k % every == 0) {
            switch (k / every % 3) {
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

struct PageFiles {
    std::string oldPath;
    std::string newPath;
};

// The page pair for a benchmark's arguments, written once.
PageFiles Pages(int lines, int percent) {
    const std::string stem = Folder() + std::to_string(lines) + "_" + std::to_string(percent);
    PageFiles files{stem + "_old.html", stem + "_new.html"};
    if (!std::filesystem::exists(files.newPath)) {
        std::string oldPage;
        std::string newPage;
        MakePages(lines, percent, oldPage, newPage);
        Write(files.oldPath, oldPage);
        Write(files.newPath, newPage);
    }
    return files;
}

void BM_Compare(benchmark::State& state) {
    const PageFiles files =
        Pages(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const std::string changePath = Folder() + "page_change.html";
    PageDiff diff;
    bool result = false;
    for (auto _ : state) {
        result = diff.Compare(files.oldPath, files.newPath, changePath);
        benchmark::DoNotOptimize(result);
    }
    if (!result) state.SkipWithError("the pages should differ");
    state.counters["TableCells"] = static_cast<double>(diff.LastTableCells());
}

void BM_CompareIdenticalPages(benchmark::State& state) {
    const PageFiles files = Pages(static_cast<int>(state.range(0)), 10);
    const std::string changePath = Folder() + "page_change.html";
    PageDiff diff;
    for (auto _ : state) {
        benchmark::DoNotOptimize(diff.Compare(files.oldPath, files.oldPath, changePath));
    }
}

// ---- Whole processes ----

struct ProcessRun {
    bool ok = false;
    double wallSeconds = 0;
    double cpuSeconds = 0;  // user and system time of the child
};

double Seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

// Runs the program (looked up in PATH) with its standard output going to outputPath.
ProcessRun RunProcess(const std::vector<std::string>& args, const std::string& outputPath) {
    std::vector<char*> argv;
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ProcessRun run;
    timeval start{};
    gettimeofday(&start, nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return run;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return run;
    timeval end{};
    gettimeofday(&end, nullptr);
    run.wallSeconds = Seconds(end) - Seconds(start);
    run.cpuSeconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) <= 1;  // diff answers 1 for "different"
    return run;
}

// Peak resident memory of one run in MiB, measured by /usr/bin/time, a small parent: the
// rusage of a child spawned from this process would count this process's own pages as well.
// 0 when /usr/bin/time is missing.
double PeakMiB(const std::vector<std::string>& args) {
    const std::string report = Folder() + "peak.txt";
    std::vector<std::string> timed = {"/usr/bin/time", "-f", "%M", "-o", report};
    timed.insert(timed.end(), args.begin(), args.end());
    std::remove(report.c_str());
    if (access("/usr/bin/time", X_OK) != 0 || !RunProcess(timed, Folder() + "timed_out.txt").ok) {
        return 0;
    }
    // The last line holds the figure; a line before it may note the command's exit status.
    std::ifstream in(report);
    std::string line;
    std::string last;
    while (std::getline(in, line)) {
        if (!line.empty()) last = line;
    }
    return last.empty() ? 0 : std::stod(last) / 1024.0;
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::string SelfPath() {
    char path[4096];
    const ssize_t size = readlink("/proc/self/exe", path, sizeof path - 1);
    return size > 0 ? std::string(path, static_cast<std::size_t>(size)) : std::string();
}

// The command (given the two page paths and the change page) against `diff OLD NEW`, run in
// turn on the same files, several times each; the CPU ratio is the median of the pairs' ratios.
void CompareWithGnuDiff(benchmark::State& state, const std::vector<std::string>& command,
                        const PageFiles& files) {
    const std::vector<std::string> gnuDiff = {"diff", files.oldPath, files.newPath};
    const int lines = static_cast<int>(state.range(0));
    const int runs = lines >= 50000 ? 7 : lines >= 10000 ? 15 : 31;
    std::vector<double> wall, cpu, gnuWall, gnuCpu, cpuRatio;
    for (auto _ : state) {
        for (int run = 0; run < runs; ++run) {
            const ProcessRun a = RunProcess(command, Folder() + "engine_out.txt");
            const ProcessRun b = RunProcess(gnuDiff, Folder() + "diff_out.txt");
            if (!a.ok || !b.ok) {
                state.SkipWithError("a process could not be run");
                return;
            }
            wall.push_back(a.wallSeconds);
            cpu.push_back(a.cpuSeconds);
            gnuWall.push_back(b.wallSeconds);
            gnuCpu.push_back(b.cpuSeconds);
            if (b.cpuSeconds > 0) cpuRatio.push_back(a.cpuSeconds / b.cpuSeconds);
        }
        state.SetIterationTime(Median(wall));
    }
    std::ifstream answer(Folder() + "engine_out.txt");
    std::string word;
    answer >> word;
    if (word != "changed") state.SkipWithError("the comparison did not find the change");
    state.counters["cpu_ms"] = Median(cpu) * 1e3;
    state.counters["GnuDiff_ms"] = Median(gnuWall) * 1e3;
    state.counters["GnuDiff_cpu_ms"] = Median(gnuCpu) * 1e3;
    state.counters["wall_per_GnuDiff"] = Median(wall) / Median(gnuWall);
    state.counters["cpu_per_GnuDiff"] = Median(cpuRatio);
    state.counters["PeakMiB"] = PeakMiB(command);
    state.counters["GnuDiff_PeakMiB"] = PeakMiB(gnuDiff);
}

// The engine alone in a process of its own: this program with --compare-once.
void BM_EngineProcess(benchmark::State& state) {
    const PageFiles files =
        Pages(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    CompareWithGnuDiff(
        state,
        {SelfPath(), "--compare-once", files.oldPath, files.newPath, Folder() + "page_change.html"},
        files);
}

#ifdef BREVIO_CLI
// brevio-cli diff: the engine inside the command-line program, with its start-up.
void BM_CliProcess(benchmark::State& state) {
    if (access(BREVIO_CLI, X_OK) != 0) {
        state.SkipWithError("brevio-cli has not been built");
        return;
    }
    const PageFiles files =
        Pages(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    CompareWithGnuDiff(
        state, {BREVIO_CLI, "diff", files.oldPath, files.newPath, Folder() + "page_change.html"},
        files);
}
#endif

// The matching alone, on keys that share few lines: the densest work per row.
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
}

void PageSizes(benchmark::internal::Benchmark* b) {
    for (int percent : {10, 100}) {
        for (int lines : {1000, 10000, 50000}) b->Args({lines, percent});
    }
}

BENCHMARK(BM_Compare)->Apply(PageSizes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompareIdenticalPages)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MatchUnrelatedKeys)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EngineProcess)
    ->Apply(PageSizes)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);
#ifdef BREVIO_CLI
BENCHMARK(BM_CliProcess)
    ->Apply(PageSizes)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);
#endif

}  // namespace

int main(int argc, char** argv) {
    // One comparison and nothing else, for the whole-process figures of BM_EngineProcess.
    if (argc == 5 && std::string(argv[1]) == "--compare-once") {
        std::puts(PageDiff().Compare(argv[2], argv[3], argv[4]) ? "changed" : "unchanged");
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
