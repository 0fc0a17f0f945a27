// Reception threads update their records while others read the maxima, save and rebuild
// the lists; the store writer reads the subscription folder list while it is reloaded.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "net/subscription_lists.h"
#include "platform/fs.h"
#include "store/folder_list.h"
#include "support/temp_home.h"

namespace brevio {
namespace {

using net::Group;
using net::RecordRef;

constexpr int kWriters = 4;
constexpr int kRounds = 200;

TEST(SubscriptionConcurrency, UpdatesReadsSavesAndRebuildsAgree) {
    test::TempHome home;
    const std::string file = net::CategoryFilePath(home.Path());
    ASSERT_TRUE(platform::CreateFolders(home.Path() + "Data/"));
    reference::RefList pub, trades, regions;
    for (int i = 0; i < 40; ++i) pub.push_back({std::to_string(10000 + i), "p", 'F'});
    for (int i = 0; i < 20; ++i) trades.push_back({std::to_string(10 + i), "t", 'F'});
    for (int i = 0; i < 10; ++i) regions.push_back({std::to_string(i), "r", 'F'});
    net::SubscriptionLists lists;
    lists.Build(pub, trades, regions, file);
    std::vector<RecordRef> refs;  // public 0-39, trade 40-59, region 60-69
    for (Group g : {Group::kPublic, Group::kTrade, Group::kRegion}) {
        for (const net::SubscriptionRecord& r : lists.Records(g)) refs.push_back({g, r.categoryId});
    }
    // A record's value grows with the round and names the record.
    auto value = [](int round, std::size_t i) { return round * 1000 + static_cast<int>(i); };

    std::atomic<int> writersLeft{kWriters}, failures{0};
    std::vector<std::thread> threads;
    for (int w = 0; w < kWriters; ++w) {
        threads.emplace_back([&, w] {
            for (int round = 1; round <= kRounds; ++round) {
                for (std::size_t i = w; i < refs.size(); i += kWriters) {
                    if (!lists.TrySetBusy(refs[i])) ++failures;  // only this thread uses it
                    lists.SetTimeUpdate(refs[i], 1700000000 + round);
                    lists.SetMaxId(refs[i], value(round, i));
                    lists.ClearBusy(refs[i]);
                    if (round % 20 == 0) lists.SaveIfChanged(refs[i], file);
                }
            }
            --writersLeft;
        });
    }
    for (int r = 0; r < 3; ++r) {
        threads.emplace_back([&] {
            int lastPublic = 0, lastTrade = 0;
            while (writersLeft > 0) {
                int p = lists.PublicMaximum(), t = lists.TradeMaximum("10|11|12|");
                if (p < lastPublic || t < lastTrade) ++failures;
                lastPublic = p, lastTrade = t;
                std::vector<net::SubscriptionRecord> copy = lists.Records(Group::kTrade);
                for (std::size_t j = 0; j < copy.size(); ++j) {
                    if (copy[j].maxId != 0 && copy[j].maxId % 1000 != int(40 + j)) ++failures;
                }
            }
        });
    }
    threads.emplace_back([&] {
        for (int n = 0; writersLeft > 0; ++n) {
            if (n % 2) {
                lists.SaveAll(file);
            } else {
                lists.Build(pub, trades, regions, file);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(lists.PublicMaximum(), value(kRounds, 39));

    // Writing only what is still changed must leave the file current: no older copy of a
    // record may have been written after a newer one that cleared its changed flag.
    for (const RecordRef& ref : refs) ASSERT_TRUE(lists.SaveIfChanged(ref, file));
    net::SubscriptionLists fresh;
    fresh.Build(pub, trades, regions, file);
    for (std::size_t i = 0; i < refs.size(); ++i) {
        EXPECT_EQ(fresh.Get(refs[i])->maxId, value(kRounds, i)) << refs[i].categoryId;
        EXPECT_EQ(lists.Get(refs[i]), fresh.Get(refs[i]));
    }
}

TEST(SubscriptionConcurrency, OnlyOneThreadAtATimeHoldsTheBusyFlag) {
    reference::RefList one;
    one.push_back({"05", "t", 'F'});
    net::SubscriptionLists lists;
    lists.Build({}, one, {}, "/nonexistent/Category.dat");
    const RecordRef ref{Group::kTrade, "05"};
    std::atomic<int> inside{0}, overlaps{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                if (!lists.TrySetBusy(ref)) continue;
                if (++inside != 1) ++overlaps;
                --inside;
                lists.ClearBusy(ref);
            }
        });
    }
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(overlaps, 0);
}

TEST(FolderListConcurrency, ReadersKeepAWholeListWhileItIsReloaded) {
    test::TempHome home;
    const std::string files[2] = {home.Path() + "a.ini", home.Path() + "b.ini"};
    for (int f = 0; f < 2; ++f) {
        store::FolderList list;
        for (int i = 0; i < 3 + 2 * f; ++i) list.push_back({i + 1, files[f], {"kw"}});
        ASSERT_TRUE(store::SaveFolders(files[f], list));
    }
    store::FolderListHolder holder;
    std::atomic<bool> done{false};
    std::atomic<int> torn{0};
    std::vector<std::thread> readers;
    for (int r = 0; r < 3; ++r) {
        readers.emplace_back([&] {
            while (!done) {
                std::shared_ptr<const store::FolderList> list = holder.Get();
                if (list->empty()) continue;
                std::size_t expected = list->front().name == files[0] ? 3 : 5;
                std::size_t seen = 0;
                for (const store::FolderEntry& e : *list) {
                    if (e.name != list->front().name || e.keywords.size() != 1) ++torn;
                    ++seen;
                }
                if (seen != expected) ++torn;
            }
        });
    }
    for (int i = 0; i < 300; ++i) EXPECT_EQ(holder.Reload(files[i % 2]), 3 + 2 * (i % 2));
    done = true;
    for (std::thread& t : readers) t.join();
    EXPECT_EQ(torn, 0);
}

}  // namespace
}  // namespace brevio
