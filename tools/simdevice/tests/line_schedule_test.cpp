#include "tools/simdevice/line_schedule.h"

#include <gtest/gtest.h>

namespace veskar::simdevice {
namespace {

TEST(LineScheduleTest, LineRateIs23040BytesASecond) {
    EXPECT_DOUBLE_EQ(kLineBytesPerSecond, 23040.0);
    LineSchedule schedule(Rate::Line);
    // The line's maximum: 5760 smallest frames of 4 bytes a second.
    for (int frame = 0; frame < 5760; ++frame) schedule.AddBytes(4);
    EXPECT_NEAR(schedule.NextDue(), 1.0, 1e-9);
}

TEST(LineScheduleTest, QuietTimesAddAtEitherRate) {
    LineSchedule line(Rate::Line);
    line.AddBytes(2304);
    line.AddQuiet(50, 0.0);
    EXPECT_NEAR(line.NextDue(), 0.15, 1e-9);

    LineSchedule max(Rate::Max);
    max.AddBytes(1000000);
    EXPECT_EQ(max.NextDue(), 0.0);
    max.AddQuiet(50, 0.0);
    EXPECT_NEAR(max.NextDue(), 0.05, 1e-9);
}

// A quiet time starts when the bytes before it have left, however late that is.
TEST(LineScheduleTest, QuietTimeCountsFromNowWhenTheScheduleIsBehind) {
    LineSchedule schedule(Rate::Line);
    schedule.AddBytes(23040);  // due until 1 s
    schedule.AddQuiet(100, 3.0);
    EXPECT_NEAR(schedule.NextDue(), 3.1, 1e-9);
}

// Ordinary sleep overshoot must not slow the line down, but after a stall the line goes on at
// its rate instead of bursting to make up for it.
TEST(LineScheduleTest, CatchUpKeepsSmallLagsAndDropsStalls) {
    LineSchedule schedule(Rate::Line);
    schedule.AddBytes(230);  // due until about 10 ms
    schedule.CatchUp(schedule.NextDue() + LineSchedule::kMaxLagSeconds / 2);
    EXPECT_NEAR(schedule.NextDue(), 230 / 23040.0, 1e-12);
    schedule.CatchUp(2.0);
    EXPECT_EQ(schedule.NextDue(), 2.0);
}

}  // namespace
}  // namespace veskar::simdevice
