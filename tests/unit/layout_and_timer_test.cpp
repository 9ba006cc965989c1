#include "platform/layout.h"
#include "platform/timer_period.h"

#include <gtest/gtest.h>

namespace timelock {
namespace {

TEST(CentredOrigin, UsesTheWholeScreenAndRoundsTowardZero) {
    EXPECT_EQ(CentredOrigin(1920, 1080, 243, 154), (Point{838, 463}));
    EXPECT_EQ(CentredOrigin(1024, 768, 243, 154), (Point{390, 307}));
    EXPECT_EQ(CentredOrigin(243, 154, 243, 154), (Point{0, 0}));
    // A screen smaller than the window: negative, still toward zero.
    EXPECT_EQ(CentredOrigin(200, 100, 243, 154), (Point{-21, -27}));
}

TEST(CaptionBox, CentresTheMeasuredTextTowardZero) {
    const Box button{0, 0, 65, 25};
    EXPECT_EQ(CaptionBox(button, 48, 16, false), (Box{8, 4, 56, 20}));   // 17/2 = 8, 9/2 = 4
    EXPECT_EQ(CaptionBox(button, 48, 16, true), (Box{9, 5, 57, 21}));    // one pixel right and down
    EXPECT_EQ(CaptionBox(button, 70, 16, false), (Box{-2, 4, 68, 20}));  // -5/2 = -2, not -3
    EXPECT_EQ(CaptionBox(Box{10, 20, 75, 45}, 65, 25, false), (Box{10, 20, 75, 45}));
}

TEST(CentredLine, KeepsOneLineInTheVerticalMiddle) {
    EXPECT_EQ(CentredLine(Box{0, 0, 50, 32}, 19), (Box{0, 6, 50, 25}));
    EXPECT_EQ(CentredLine(Box{0, 0, 50, 32}, 40), (Box{0, 0, 50, 32}));  // taller than the field
    EXPECT_EQ(CentredLine(Box{0, 0, 50, 32}, 0), (Box{0, 0, 50, 32}));   // font not measured
}

struct PeriodWrite {
    int current;
    int requested;
    TimerPlan expected;
};

class TimerPeriodWrite : public ::testing::TestWithParam<PeriodWrite> {};

TEST_P(TimerPeriodWrite, Plans) {
    const auto& [current, requested, expected] = GetParam();
    const TimerPlan plan = PlanPeriodWrite(current, requested);
    EXPECT_EQ(plan.changes, expected.changes);
    EXPECT_EQ(plan.stop, expected.stop);
    EXPECT_EQ(plan.start, expected.start);
    if (expected.changes) {
        EXPECT_EQ(plan.period, expected.period);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, TimerPeriodWrite,
                         ::testing::Values(PeriodWrite{0, 0, {}},          // stopped stays stopped
                                           PeriodWrite{10000, 10000, {}},  // running keeps its schedule
                                           PeriodWrite{0, -5, {}},         // negative counts as 0
                                           PeriodWrite{0, 10000, {true, false, true, 10000}},
                                           PeriodWrite{10000, 0, {true, true, false, 0}},
                                           PeriodWrite{10000, -1, {true, true, false, 0}},
                                           PeriodWrite{1000, 10000, {true, true, true, 10000}}));

}  // namespace
}  // namespace timelock
