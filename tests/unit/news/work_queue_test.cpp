#include "news/work_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <vector>

namespace brevio::news {
namespace {

TEST(WorkQueueTest, JobsRunOneAfterTheOtherInPostOrderOffTheCallingThread) {
    WorkQueue queue;
    std::vector<int> order;  // touched by the worker only, read after WaitIdle
    std::atomic<int> running{0};
    std::atomic<bool> overlapped{false};
    std::thread::id worker;
    for (int i = 0; i < 200; ++i) {
        queue.Post([&, i] {
            if (running.fetch_add(1) != 0) overlapped = true;
            worker = std::this_thread::get_id();
            order.push_back(i);
            running.fetch_sub(1);
        });
    }
    queue.WaitIdle();
    EXPECT_EQ(queue.Pending(), 0u);
    ASSERT_EQ(order.size(), 200u);
    for (int i = 0; i < 200; ++i) EXPECT_EQ(order[i], i);
    EXPECT_FALSE(overlapped);
    EXPECT_NE(worker, std::this_thread::get_id());
}

TEST(WorkQueueTest, WaitIdleWaitsForTheRunningJobAndTheQueueEndsAfterItsLastJob) {
    std::atomic<int> done{0};
    auto held = std::make_shared<int>(1);
    {
        WorkQueue queue;
        std::atomic<bool> release{false};
        queue.Post([&] {
            while (!release) std::this_thread::yield();
            ++done;
        });
        queue.Post([&, held] { ++done; });
        EXPECT_EQ(queue.Pending(), 2u);
        release = true;
        queue.WaitIdle();
        EXPECT_EQ(done, 2);
        // What a finished job held is released by the time the queue is idle.
        EXPECT_EQ(held.use_count(), 1);
        for (int i = 0; i < 50; ++i) queue.Post([&] { ++done; });
    }  // the destructor runs what is still queued
    EXPECT_EQ(done, 52);
}

}  // namespace
}  // namespace brevio::news
