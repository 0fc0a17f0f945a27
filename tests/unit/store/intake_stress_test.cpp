// Many reception threads accept records while the writer thread files them and another
// thread lists and marks the same news files: nothing may be lost, torn or counted twice.
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

#include "platform/fs.h"
#include "reference/reference_tables.h"
#include "store/intake.h"
#include "store/news_file.h"
#include "support/temp_home.h"

namespace brevio::store {
namespace {

class IntakeStress : public test::TempHomeTest {};

TEST_F(IntakeStress, ConcurrentAcceptFileListAndMark) {
    const std::string content = Home() + "CONTENT/";
    platform::CreateFolders(content + "News/");
    reference::ReferenceTables tables;
    tables.LoadAll(content);
    NoAcceptanceLimits limits;
    NewsIntake::Options options;
    options.contentFolder = content;
    options.diskIntervalMs = 1;
    auto folders = std::make_shared<const FolderList>(FolderList{{1, "", {"key7"}}});
    options.keywordFolders = [folders] { return folders; };
    NewsIntake intake(options, tables, limits);
    intake.StartWriter();

    constexpr int kThreads = 4;
    constexpr int kPerThread = 750;
    const char* categories[] = {"10001", "10002", "10003"};
    std::atomic<bool> done{false};
    std::atomic<int> listedMax{0};

    std::thread reader([&] {
        const std::string folder = ResolveFolder(content, kFolderPublic);
        while (!done.load()) {
            for (const char* c : categories) {
                int n = 0;
                ListRecords(folder, c, [&](const NewsRecord& r) {
                    ++n;
                    if (r.newsId % 5 == 0) MarkRead(folder, c, r.newsId, true);
                });
                listedMax = std::max(listedMax.load(), n);
            }
        }
    });

    std::vector<std::thread> receivers;
    for (int t = 0; t < kThreads; ++t) {
        receivers.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i) {
                int id = t * kPerThread + i + 1;
                std::string block = "ID:" + std::to_string(id) + "\nTITLE:t" + std::to_string(id) +
                                    "\nCATEGORY:" + categories[id % 3] + "\nCONTENT:body key" +
                                    std::to_string(id % 10) + "\x80\x80";
                ASSERT_EQ(intake.AcceptRecord(block, PublicGroup()), id);
            }
        });
    }
    for (auto& r : receivers) r.join();
    ASSERT_TRUE(intake.WaitUntilDrained(120000));
    done = true;
    reader.join();
    intake.StopWriter();

    const int total = kThreads * kPerThread;
    EXPECT_EQ(intake.ReceivedCount(), total);
    EXPECT_EQ(intake.WrittenCount(), total);
    std::set<int> seen;
    int live = 0;
    for (int k = 0; k < 3; ++k) {
        const char* c = categories[k];
        const std::string folder = ResolveFolder(content, kFolderPublic);
        ListRecords(folder, c, [&](const NewsRecord& r) {
            EXPECT_TRUE(seen.insert(r.newsId).second) << "duplicate " << r.newsId;
            EXPECT_EQ(r.newsId % 3, std::stoi(std::string(c).substr(4)) - 1);  // categories[id % 3]
        });
        IndexHeader header;
        ASSERT_EQ(ReadHeader(folder, c, header), 0);
        live += header.liveCount;
        NewsRecord record;
        std::string text;
        EXPECT_GT(ReadItem(folder, c, k == 0 ? 3 : k, record, text), 0);
    }
    EXPECT_EQ(static_cast<int>(seen.size()), total);
    EXPECT_EQ(live, total);
    int marked = 0;
    ListRecords(ResolveFolder(content, kFolderSubscription), "1",
                [&](const NewsRecord& r) { marked += r.newsId % 10 == 7 ? 1 : 100; });
    EXPECT_EQ(marked, total / 10);
}

}  // namespace
}  // namespace brevio::store
