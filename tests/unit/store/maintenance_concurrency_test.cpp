// Compaction, search, flag writes and reloads of the subscription list while the store writer
// thread files into the same news files: no filed item may be lost or torn.
#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <set>
#include <thread>

#include "platform/fs.h"
#include "reference/reference_tables.h"
#include "store/compaction.h"
#include "store/folder_forms.h"
#include "store/intake.h"
#include "store/news_file.h"
#include "store/news_search.h"
#include "support/temp_home.h"

namespace brevio::store {
namespace {

class MaintenanceConcurrency : public test::TempHomeTest {};

TEST_F(MaintenanceConcurrency, CompactionWhileTheWriterFilesLosesNothing) {
    const std::string content = Home() + "CONTENT/";
    ASSERT_TRUE(platform::CreateFolders(content + "News/Trade/"));
    reference::ReferenceTables tables;
    tables.LoadAll(content);
    NoAcceptanceLimits limits;

    FolderListHolder favorites, subscriptions;
    FolderLists lists(favorites, Home() + "Pemlo.ini", subscriptions, Home() + "Pemlo2.ini");
    ASSERT_TRUE(SaveFolders(lists.File(FolderListKind::kSubscriptions), {{1, "s", {"key"}}}));
    subscriptions.Reload(lists.File(FolderListKind::kSubscriptions));

    NewsIntake::Options options;
    options.contentFolder = content;
    options.diskIntervalMs = 1;
    options.keywordFolders = [&] { return subscriptions.Get(); };
    NewsIntake intake(options, tables, limits);
    intake.StartWriter();

    const std::string folder = ResolveFolder(content, kFolderTrade);
    const std::string base = BasePath(folder, "05");
    constexpr int kItems = 1200;
    std::atomic<bool> done{false};
    std::atomic<int> compactions{0}, torn{0};
    std::set<std::int32_t> deleted;  // only the marking thread writes it before the join

    std::thread compactor([&] {
        // Items are dated today and long enough to be kept; a cut-off ten years back that
        // moves on a day per run makes every run rewrite the file.
        const std::time_t now = std::time(nullptr);
        for (int day = 0; !done.load() && day < 3000;) {
            int rc = CompactByDays(base, 3650, now + static_cast<std::time_t>(day) * 86400);
            if (rc == kCompactOk) {
                ++compactions;
                ++day;
                // Room for the writer between two runs.
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            } else if (rc == kCompactCannotOpen) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));  // no file yet
            } else {
                ++torn;
            }
        }
    });
    std::thread marker([&] {
        while (!done.load()) {
            ListRecords(folder, "05", [&](const NewsRecord& r) {
                if (r.newsId % 10 == 3 && MarkDeleted(folder, "05", r.newsId, true) == kWritten)
                    deleted.insert(r.newsId);
            });
        }
    });
    std::thread searcher([&] {
        while (!done.load()) {
            SearchNewsFile(folder, "05", "title", [&](const NewsRecord& r) {
                if (r.Title() != "title " + std::to_string(r.newsId)) ++torn;
            });
        }
    });
    std::thread reloader([&] {
        while (!done.load()) {
            FolderOrganizer organizer(FolderListKind::kSubscriptions, lists);
            if (!organizer.Ok()) ++torn;
        }
    });

    for (int id = 1; id <= kItems; ++id) {
        std::string block = "ID:" + std::to_string(id) + "\nTITLE:title " + std::to_string(id) +
                            "\nCATEGORY:05\nCONTENT:body " + std::to_string(id) +
                            (id % 7 == 0 ? " key" : "") + " of the item\x80\x80";
        ASSERT_EQ(intake.AcceptRecord(block, TradeGroup()), id);
        if (id % 100 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(intake.WaitUntilDrained(120000));
    done = true;
    for (std::thread* t : {&compactor, &marker, &searcher, &reloader}) t->join();
    intake.StopWriter();

    EXPECT_EQ(torn.load(), 0);

    EXPECT_GT(compactions.load(), 1);
    std::set<std::int32_t> listed;
    ListRecords(folder, "05", [&](const NewsRecord& r) {
        EXPECT_TRUE(listed.insert(r.newsId).second) << "twice: " << r.newsId;
    });
    for (int id = 1; id <= kItems; ++id) {
        EXPECT_EQ(listed.count(id), deleted.count(id) ? 0u : 1u) << "item " << id;
    }
    IndexHeader header;
    ASSERT_EQ(ReadHeader(folder, "05", header), 0);
    EXPECT_EQ(header.liveCount, static_cast<std::int32_t>(listed.size()));
    for (std::int32_t id : {1, kItems / 2, kItems}) {
        if (deleted.count(id)) continue;
        NewsRecord record;
        std::string text;
        ASSERT_GT(ReadItem(folder, "05", id, record, text), 0);
        EXPECT_EQ(text.substr(0, 5 + std::to_string(id).size()), "body " + std::to_string(id));
    }
    int marked = 0;
    ListRecords(ResolveFolder(content, kFolderSubscription), "1",
                [&](const NewsRecord& r) { marked += r.newsId % 7 == 0 ? 1 : 1000; });
    EXPECT_EQ(marked, kItems / 7);
}

}  // namespace
}  // namespace brevio::store
