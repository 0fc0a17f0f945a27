// The database conversion and the serial transfer, against real peers:
//   BM_SaveNewsRow/durable:1   rows per second through SaveNewsRow (psqlODBC) into a
//                              PostgreSQL that flushes every commit to disk, as a site's
//                              server would; /durable:0 without the flushes
//   BM_SerialWrite             serial records per second written straight to the port (a pty
//                              pair made by socat, read as fast as it arrives)
//   BM_SerialQueue             records per second through TransferItem, the queue and the
//                              transfer loop, which pauses 1 ms after each record
// Each server is made once in a temporary folder (initdb and pg_ctl; as root they run as the
// postgres user) and removed at the end. Items carry about 1.5 KB of GBK text each.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <thread>

#include "conversion/db_export.h"
#include "conversion/special_transfer.h"
#include "integration/export_peers.h"

namespace {

using namespace brevio;

store::NewsItem Item(int id) {
    store::NewsItem item;
    item.newsId = id;
    item.websiteId = 3;
    item.title = "上市公司公告：季度报告 '摘要' 第" + std::to_string(id) + "号";
    item.url = "http://127.0.0.1:8080/news/" + std::to_string(id) + ".html";
    item.category = "10001";
    item.timeText = "2024-3-5 9:8:7";
    item.trade = "05|06|";
    item.region = "110|";
    item.relatedStocks = "600101|600108|";
    for (int i = 0; i < 40; ++i) item.content += "公司本季度营业收入同比增长。";
    return item;
}

std::string TempFolder() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "brevio-bench-XXXXXX").string();
    return std::string(mkdtemp(tmpl.data())) + "/";
}

struct Database {
    test::PostgresServer server;
    std::unique_ptr<conversion::DatabaseExport> database;
    std::string error;
};

Database* DatabaseFor(bool durable) {
    static std::unique_ptr<Database> made[2];
    std::unique_ptr<Database>& d = made[durable ? 1 : 0];
    if (d) return d.get();
    d = std::make_unique<Database>();
    const std::string name = durable ? "BrevioBenchDurable" : "BrevioBenchFast";
    if (test::PostgresServer::BinFolder().empty() || test::PostgresServer::OdbcDriver().empty()) {
        d->error = "PostgreSQL or psqlODBC is not installed";
    } else if (!d->server.Start(d->error, durable) ||
               !d->server.Sql("create table news (id integer, url text, title text, time text, "
                              "website integer, category text, region text, trade text, "
                              "content text, stocks text);"
                              "create function spSaveClientNews(integer, text, text, text, "
                              "integer, text, text, text, text, text) returns void language sql "
                              "as 'insert into news values ($1,$2,$3,$4,$5,$6,$7,$8,$9,$10)';",
                              nullptr, &d->error) ||
               !d->server.DefineDataSource(name, d->error)) {
    } else {
        d->database = std::make_unique<conversion::DatabaseExport>(
            conversion::DatabaseExport::Options{{name, "postgres", ""}, nullptr, 30000});
        if (d->database->Connect() != conversion::kDbOk) d->error = "cannot connect";
    }
    return d.get();
}

void BM_SaveNewsRow(benchmark::State& state) {
    Database* d = DatabaseFor(state.range(0) == 1);
    if (!d->error.empty()) {
        state.SkipWithError(d->error.c_str());
        return;
    }
    int id = 1;
    for (auto _ : state) {
        if (d->database->SaveNewsRow(Item(id++)) != conversion::kDbOk) {
            state.SkipWithError("a row was not saved");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SaveNewsRow)->ArgName("durable")->Arg(1)->Arg(0)->UseRealTime()->MinTime(3);

// A pty pair whose peer end is read on a thread of its own as fast as bytes arrive.
struct Line {
    Line() {
        folder = TempFolder();
        if (!pty.Start(folder, error)) return;
        setenv("BREVIO_COM1", pty.LinePath().c_str(), 1);
        reader = std::thread([this] {
            while (!done) received += pty.ReadFor(50).size();
        });
    }
    ~Line() {
        done = true;
        if (reader.joinable()) reader.join();
        pty.Stop();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    std::string folder, error;
    test::PtyPair pty;
    std::atomic<bool> done{false};
    std::atomic<std::size_t> received{0};
    std::thread reader;
};

conversion::ExportSettings SerialSettings() {
    conversion::ExportSettings s;
    s.specialAuto = true;
    return s;
}

void BM_SerialWrite(benchmark::State& state) {
    Line line;
    if (!line.error.empty()) {
        state.SkipWithError(line.error.c_str());
        return;
    }
    conversion::SpecialTransfer transfer({line.folder});
    transfer.ApplySettings(SerialSettings());
    if (transfer.OpenTransferPort() != conversion::TransferPort::kOpened) {
        state.SkipWithError("the port did not open");
        return;
    }
    const std::string record = conversion::SerialRecordText(Item(1));
    for (auto _ : state) {
        if (transfer.WriteToPort(record) != conversion::TransferPort::kWriteOk) {
            state.SkipWithError("a write failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(record.size()));
}
BENCHMARK(BM_SerialWrite)->UseRealTime()->MinTime(2);

void BM_SerialQueue(benchmark::State& state) {
    Line line;
    if (!line.error.empty()) {
        state.SkipWithError(line.error.c_str());
        return;
    }
    const int batch = static_cast<int>(state.range(0));
    conversion::SpecialTransfer transfer({line.folder});
    transfer.ApplySettings(SerialSettings());
    transfer.Start();
    int id = 1;
    for (auto _ : state) {
        const int before = transfer.Sent();
        for (int i = 0; i < batch; ++i) transfer.TransferItem(Item(id++));
        while (transfer.Sent() - before < batch) std::this_thread::yield();
    }
    transfer.Stop(0);
    state.SetItemsProcessed(state.iterations() * batch);
}
BENCHMARK(BM_SerialQueue)->Arg(200)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
