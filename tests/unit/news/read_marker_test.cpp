#include "news/read_marker.h"

#include <gtest/gtest.h>

namespace brevio::news {
namespace {

TEST(ReadTimerTest, AnItemIsDueAfterItsSecondsOfActiveShowingAndNotBefore) {
    ManualClock clock;
    ReadTimer timer(clock);
    EXPECT_FALSE(timer.Due());
    EXPECT_EQ(timer.RemainingMs(), -1);
    timer.Start(5, true);
    clock.Advance(4000);
    EXPECT_FALSE(timer.Due());
    EXPECT_EQ(timer.RemainingMs(), 1000);
    clock.Advance(999);
    EXPECT_FALSE(timer.Due());
    clock.Advance(1);
    EXPECT_TRUE(timer.Due());
    EXPECT_EQ(timer.RemainingMs(), 0);
    timer.Cancel();
    EXPECT_FALSE(timer.Due());
    EXPECT_FALSE(timer.Pending());
}

TEST(ReadTimerTest, TimeInAnInactiveWindowDoesNotCountAndTheCountGoesOnAfterwards) {
    ManualClock clock;
    ReadTimer timer(clock);
    timer.Start(5, true);
    clock.Advance(3000);
    timer.SetActive(false);
    clock.Advance(60000);  // the reader is in another program
    EXPECT_FALSE(timer.Due());
    EXPECT_EQ(timer.CountedMs(), 3000);
    EXPECT_EQ(timer.RemainingMs(), -1);  // nothing to wait for while inactive
    timer.SetActive(true);
    EXPECT_EQ(timer.RemainingMs(), 2000);
    clock.Advance(1999);
    EXPECT_FALSE(timer.Due());
    // Telling the same state twice changes nothing.
    timer.SetActive(true);
    clock.Advance(1);
    EXPECT_TRUE(timer.Due());
}

TEST(ReadTimerTest, AnItemShownWhileTheWindowIsInactiveStartsCountingWhenItBecomesActive) {
    ManualClock clock;
    ReadTimer timer(clock);
    timer.Start(2, false);
    clock.Advance(10000);
    EXPECT_EQ(timer.CountedMs(), 0);
    timer.SetActive(true);
    clock.Advance(2000);
    EXPECT_TRUE(timer.Due());
}

TEST(ReadMarkerTest, SelectingTheShownItemAgainNeitherRedrawsNorRestartsTheTimer) {
    ManualClock clock;
    ReadMarker marker(clock);
    SelectOutcome first = marker.Select(7, true, 5, true);
    EXPECT_TRUE(first.show);
    EXPECT_EQ(first.mark, MarkAction::kTimerStarted);
    EXPECT_EQ(marker.ShownId(), 7);
    clock.Advance(3000);
    SelectOutcome again = marker.Select(7, true, 5, true);
    EXPECT_FALSE(again.show);
    EXPECT_EQ(again.mark, MarkAction::kNone);
    clock.Advance(2000);
    EXPECT_TRUE(marker.Timer().Due());  // still counting from the first selection
}

TEST(ReadMarkerTest, LeavingAnItemBeforeItsTimeCancelsItsTimerAndStartsTheNextOne) {
    ManualClock clock;
    ReadMarker marker(clock);
    marker.Select(1, true, 5, true);
    clock.Advance(4000);
    SelectOutcome next = marker.Select(2, true, 5, true);
    EXPECT_TRUE(next.show);
    EXPECT_EQ(next.mark, MarkAction::kTimerStarted);
    clock.Advance(4000);
    EXPECT_FALSE(marker.Timer().Due());
    clock.Advance(1000);
    EXPECT_TRUE(marker.Timer().Due());
}

TEST(ReadMarkerTest, TheSettingsDecideBetweenNoMarkMarkNowAndTheTimer) {
    ReadMarker marker;
    EXPECT_EQ(marker.Select(1, true, 0, true).mark, MarkAction::kMarkNow);
    EXPECT_EQ(marker.Select(2, true, -3, false).mark, MarkAction::kMarkNow);
    EXPECT_FALSE(marker.Timer().Pending());
    EXPECT_EQ(marker.Select(3, true, 1, true).mark, MarkAction::kTimerStarted);
    EXPECT_TRUE(marker.Timer().Pending());
    // Without automatic marking the item is shown and a running timer is cancelled.
    SelectOutcome manual = marker.Select(4, false, 1, true);
    EXPECT_TRUE(manual.show);
    EXPECT_EQ(manual.mark, MarkAction::kNone);
    EXPECT_FALSE(marker.Timer().Pending());
    // The first selection is shown whatever its ID.
    ReadMarker fresh;
    EXPECT_FALSE(fresh.HasShown());
    EXPECT_TRUE(fresh.Select(0, false, 0, true).show);
}

}  // namespace
}  // namespace brevio::news
