// The news list over a category of 100,000 records, in the real list view (offscreen, with the
// real content pane): the time from asking for the category to the first painted rows, and the
// time a click on the title header takes to sort the rows and paint them again.
//
//   build-*/bench/bench_news_list [--benchmark_...]
//
// Runs offscreen by itself (QT_QPA_PLATFORM=offscreen unless set). The content pane's browser
// needs QTWEBENGINE_DISABLE_SANDBOX=1 when run as root; this program sets it then.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QHeaderView>
#include <QSplitter>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/widgets/browser_view.h"
#include "client/client_core.h"
#include "news/news_rows.h"
#include "platform/fs.h"
#include "platform/text.h"
#include "settings/app_settings.h"
#include "settings/keys.h"
#include "settings/registry_values.h"
#include "store/news_file.h"
#include "ui/news/news_list_model.h"
#include "ui/news/news_list_view.h"

namespace {

using namespace brevio;

constexpr int kRecords = 100000;
constexpr const char* kBase = "10001";

// Titles that differ early and late, as real headlines do.
const char* const kWords[] = {"沪深两市", "券商板块", "央行", "银行股", "成交量",
                              "黄金",     "原油",     "地产", "科技股", "外汇"};
const char* const kVerbs[] = {"领涨", "回落", "放量", "企稳", "震荡", "走高", "调整"};

// Writes the category's news file in one pass of encoded records (what a long run of
// appends leaves behind).
void WriteCategory(const std::string& folder) {
    platform::CreateFolders(folder);
    const std::string base = store::BasePath(folder, kBase);
    std::string index(store::kIndexHeaderSize, '\0');
    store::IndexHeader header;
    header.liveCount = kRecords;
    store::EncodeHeader(header, std::span<char, store::kIndexHeaderSize>(index.data(), 32));
    index.resize(store::kIndexHeaderSize + std::size_t{kRecords} * store::kRecordSize);
    std::string content;
    std::vector<std::string> words, verbs;
    for (const char* w : kWords) words.push_back(platform::Utf8ToGbk(w));
    for (const char* v : kVerbs) verbs.push_back(platform::Utf8ToGbk(v));
    const std::string site = platform::Utf8ToGbk("新浪财经");
    const std::string body = platform::Utf8ToGbk("正文 ");
    unsigned seed = 12345;
    for (int i = 0; i < kRecords; ++i) {
        seed = seed * 1103515245u + 12345u;
        store::NewsItem item;
        item.newsId = i + 1;
        item.title = words[(seed >> 8) % words.size()] + verbs[(seed >> 16) % verbs.size()] + " " +
                     std::to_string(seed % 100000);
        item.url = "http://finance.example.cn/news/" + std::to_string(i + 1) + ".html";
        item.timeText = "2007-3-" + std::to_string(1 + i % 28) + " " +
                        std::to_string((seed >> 4) % 24) + ":" + std::to_string(i % 60) + ":" +
                        std::to_string((seed >> 12) % 60);
        item.content = body + std::to_string(i);
        store::NewsRecord r = store::BuildRecord(item, site);
        r.isRead = (seed >> 20) % 3 == 0 ? 1 : 0;
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

// Counts paints of the list's viewport; once armed, notes that one came.
class PaintWatch : public QObject {
  public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
            if (armed) seen = true;
        }
        return false;
    }
    int paints = 0;
    bool armed = false;
    bool seen = false;
};

// A program folder with the category, a client core over it and the list in a window.
class Desktop {
  public:
    Desktop() : home_(MakeTempFolder()) {
        setenv("BREVIO_HOME", home_.c_str(), 1);
        settings::WriteInt(settings::keys::kWhenCleanup, 2);  // no clean-up in the way
        const settings::AppSettings s = settings::LoadAppSettings();
        WriteCategory(s.newsFolder);
        client::StartOptions options;
        options.frontEnd = "bench_news_list";
        options.guest = true;
        options.logIn = false;
        options.loadConfiguration = false;
        client::StartResult result;
        core_ = client::ClientCore::Start(options, observer_, result);
        window_ = std::make_unique<QSplitter>(Qt::Vertical);
        app::BrowserView* browser = app::BrowserView::Create(nullptr);
        view_ = new ui::CNewsListView(*core_, browser, ui::CNewsListView::Options{false},
                                      window_.get());
        window_->addWidget(view_);
        window_->addWidget(browser);
        window_->resize(1200, 800);
        window_->show();
        exposed_ = QTest::qWaitForWindowExposed(window_.get());
        view_->List()->viewport()->installEventFilter(&paints_);
    }
    ~Desktop() {
        window_.reset();
        core_.reset();
        std::error_code ec;
        std::filesystem::remove_all(home_, ec);
    }
    bool Ok() const { return core_ != nullptr && exposed_; }
    ui::CNewsListView& View() { return *view_; }

    // From now on the next paint of the viewport counts.
    void ArmPaint() {
        paints_.armed = true;
        paints_.seen = false;
    }
    // Processes events until an armed paint has been done (the paint event handled), or the
    // time is up.
    bool WaitForPaint(int timeoutMs = 30000) {
        QElapsedTimer t;
        t.start();
        // Sleeps in the event loop between events, as the program does (a spinning loop would
        // take the processor from the list's worker).
        QTimer wake;
        wake.start(50);
        while (!(paints_.armed && paints_.seen) && t.elapsed() < timeoutMs) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        const bool seen = paints_.armed && paints_.seen;
        paints_.armed = false;
        return seen;
    }

  private:
    static std::string MakeTempFolder() {
        std::string tmpl =
            (std::filesystem::temp_directory_path() / "brevio-bench-list-XXXXXX").string();
        return std::string(mkdtemp(tmpl.data())) + "/";
    }

    std::string home_;
    client::ClientObserver observer_;
    std::unique_ptr<client::ClientCore> core_;
    std::unique_ptr<QSplitter> window_;
    ui::CNewsListView* view_ = nullptr;
    bool exposed_ = false;
    PaintWatch paints_;
};

Desktop& TheDesktop() {
    static Desktop desktop;
    return desktop;
}

// From LoadNewsFile to the first paint of the rows. The rows of the previous round are cleared
// first, so every round reads, sorts and shows the whole category.
void BM_OpenCategoryToFirstPaint(benchmark::State& state) {
    Desktop& d = TheDesktop();
    if (!d.Ok()) {
        state.SkipWithError("the client core did not start");
        return;
    }
    double rowsInMs = 0;
    for (auto _ : state) {
        d.View().Clear();
        d.View().WaitForFileWork();
        QCoreApplication::processEvents();
        int loadedRows = -1;
        qint64 loadedAt = 0;
        QElapsedTimer t;
        // Armed when the rows are in the model: the paint that follows shows them.
        auto connection = QObject::connect(&d.View(), &ui::CNewsListView::Loaded, [&](int rows) {
            loadedRows = rows;
            loadedAt = t.nsecsElapsed();
            d.ArmPaint();
        });
        t.start();
        d.View().LoadNewsFile(store::kFolderPublic, kBase);
        const bool painted = d.WaitForPaint();
        const qint64 total = t.nsecsElapsed();
        QObject::disconnect(connection);
        if (loadedRows != kRecords || !painted) {
            state.SkipWithError("the category did not load and paint");
            return;
        }
        state.SetIterationTime(static_cast<double>(total) / 1e9);
        rowsInMs += static_cast<double>(loadedAt) / 1e6;
    }
    state.counters["rows_in_model_ms"] =
        benchmark::Counter(rowsInMs / static_cast<double>(state.iterations()));
    state.counters["rows"] = kRecords;
    d.View().WaitForFileWork();
}
BENCHMARK(BM_OpenCategoryToFirstPaint)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// The rows of the category as the worker reads them (records decoded, sorted newest first),
// without the view.
void BM_ReadRowsOffTheWindow(benchmark::State& state) {
    Desktop& d = TheDesktop();
    if (!d.Ok()) {
        state.SkipWithError("the client core did not start");
        return;
    }
    const settings::AppSettings s = settings::LoadAppSettings();
    for (auto _ : state) {
        std::vector<news::ListRow> rows;
        if (news::ReadNewsFileRows(s.contentFolder, store::kFolderPublic, kBase, rows) !=
            kRecords) {
            state.SkipWithError("wrong count");
            return;
        }
        benchmark::DoNotOptimize(rows.data());
    }
    state.counters["rows"] = kRecords;
}
BENCHMARK(BM_ReadRowsOffTheWindow)->Unit(benchmark::kMillisecond)->Iterations(5);

// A click on the title header: the rows sorted (ascending, then descending on the next click)
// and painted again.
void BM_SortByTitleToPaint(benchmark::State& state) {
    Desktop& d = TheDesktop();
    if (!d.Ok()) {
        state.SkipWithError("the client core did not start");
        return;
    }
    if (d.View().Model()->rowCount() != kRecords) {
        d.View().LoadNewsFile(store::kFolderPublic, kBase);
        d.View().WaitForFileWork();
    }
    QHeaderView* header = d.View().List()->horizontalHeader();
    const QPoint title(header->sectionViewportPosition(1) + 20, header->height() / 2);
    for (auto _ : state) {
        QCoreApplication::processEvents();
        QElapsedTimer t;
        t.start();
        d.ArmPaint();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, title);
        const bool painted = d.WaitForPaint();
        const qint64 total = t.nsecsElapsed();
        if (!painted) {
            state.SkipWithError("no paint after the sort");
            return;
        }
        state.SetIterationTime(static_cast<double>(total) / 1e9);
    }
    state.counters["rows"] = kRecords;
}
BENCHMARK(BM_SortByTitleToPaint)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(6);

}  // namespace

int main(int argc, char** argv) {
    if (!getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (geteuid() == 0) setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    brevio::app::BrowserView::PrepareBeforeApplication();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
