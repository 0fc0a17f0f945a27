#include "client/notice_queue.h"

#include <gtest/gtest.h>

namespace brevio::client {
namespace {

TEST(NoticeQueue, EmptyNoticesAreDroppedAndAWaitingTargetTakesItsNewerCount) {
    NoticeQueue queue;
    EXPECT_FALSE(queue.Push({"", "http://a"}));
    EXPECT_FALSE(queue.Push({"  \r\n", "http://a"}));
    EXPECT_TRUE(queue.Push({"甲变化了1次", "http://a"}));
    EXPECT_TRUE(queue.Push({"乙变化了1次", "http://b"}));
    EXPECT_TRUE(queue.Push({"甲变化了2次", "http://a"}));  // replaces the waiting one in place
    EXPECT_TRUE(queue.Push({"无链接", ""}));
    EXPECT_TRUE(queue.Push({"无链接", ""}));  // the same text without a link waits once
    ASSERT_EQ(queue.Size(), 3u);
    EXPECT_EQ(queue.Pop()->text, "甲变化了2次");
    EXPECT_EQ(queue.Pop()->text, "乙变化了1次");
    EXPECT_EQ(queue.Pop()->text, "无链接");
    EXPECT_FALSE(queue.Pop());
    // Once shown, a target's next change is a new notice.
    EXPECT_TRUE(queue.Push({"甲变化了3次", "http://a"}));
    EXPECT_EQ(queue.Size(), 1u);
}

}  // namespace
}  // namespace brevio::client
