// Whole simulated days of the clock and schedule timers against the handlers.
#include "fake_services.h"
#include "scheduler/handlers.h"

#include <gtest/gtest.h>

namespace timelock::testing {
namespace {

constexpr long long kMinute = 60000;

class Schedule : public ::testing::Test {
protected:
    // Arms at `atMs` with the clock fields already following the clock, as they do a second after start.
    void ArmAt(long long atMs, std::string hour, std::string minute) {
        fake.SetNow(atMs - 1000);
        fake.RunUntil(atMs);
        fake.SetText(Control::编辑框1, std::move(hour));
        fake.SetText(Control::编辑框2, std::move(minute));
        fake.SetText(Control::MainWindow, "");
        OnStartClicked(fake);
        ASSERT_TRUE(fake.Armed());
        OnHideClicked(fake);
    }

    // The time of the schedule check that disarmed, or -1.
    long long RunUntilIdle(long long untilMs) {
        while (fake.Armed() && fake.Now() < untilMs) fake.RunUntil(fake.Now() + 1000);
        return fake.Armed() ? -1 : fake.Now();
    }

    static long long MinuteOfDay(long long ms) { return ms % FakeServices::kDayMs / kMinute; }

    void ExpectLocksOnlyIn(int hour, int minute) {
        for (long long at : fake.lockTimesMs) {
            EXPECT_EQ(MinuteOfDay(at), hour * 60 + minute) << "lock at " << at / 1000 << " s";
        }
    }

    void ExpectShownIdle() {
        EXPECT_FALSE(fake.Armed());
        EXPECT_TRUE(fake.Visible(Control::MainWindow));
        EXPECT_EQ(fake.Text(Control::超级按钮1), "开启锁屏");
        EXPECT_FALSE(fake.Disabled(Control::超级按钮1));
        EXPECT_TRUE(fake.Disabled(Control::超级按钮2));
        EXPECT_TRUE(fake.Disabled(Control::超级按钮3));
        EXPECT_FALSE(fake.Disabled(Control::编辑框1));
        EXPECT_FALSE(fake.Disabled(Control::编辑框2));
    }

    FakeServices fake;
};

TEST_F(Schedule, LocksAtEveryCheckInTheMinuteThenDisarmsAndShowsTheWindow) {
    ArmAt(FakeServices::At(14, 29, 5), "14", "30");
    const long long disarmedAt = RunUntilIdle(FakeServices::At(15, 0));
    EXPECT_EQ(fake.commands.size(), 6u);
    ExpectLocksOnlyIn(14, 30);
    EXPECT_EQ(disarmedAt, FakeServices::At(14, 31, 5));
    ExpectShownIdle();
    EXPECT_EQ(fake.commands.front(), "rundll32.exe|rundll32.exe user32.dll,LockWorkStation");
    // The reset ends with the window shown again.
    EXPECT_EQ(fake.writes.back(), "MainWindow.Visible=1");
    // The targets survive for the next arming.
    EXPECT_EQ(fake.Text(Control::编辑框1), "14");
    EXPECT_EQ(fake.Text(Control::编辑框2), "30");
}

struct Target {
    const char* name;
    int armHour, armMinute;
    const char* hour;
    const char* minute;
    int lockDay, lockHour, lockMinute;  // where every lock falls
    int idleDay, idleHour, idleMinute;  // the minute in which it disarms
};

class ScheduleTarget : public Schedule, public ::testing::WithParamInterface<Target> {};

TEST_P(ScheduleTarget, LocksInItsMinuteAndDisarmsInTheNext) {
    const Target& t = GetParam();
    ArmAt(FakeServices::At(t.armHour, t.armMinute, 3), t.hour, t.minute);
    const long long disarmedAt = RunUntilIdle(FakeServices::At(0, 0, 0, 2));
    ASSERT_NE(disarmedAt, -1) << "never disarmed";
    EXPECT_GE(fake.commands.size(), 5u);
    EXPECT_LE(fake.commands.size(), 6u);
    ExpectLocksOnlyIn(t.lockHour, t.lockMinute);
    EXPECT_EQ(fake.lockTimesMs.front() / FakeServices::kDayMs, t.lockDay);
    EXPECT_EQ(disarmedAt / kMinute, FakeServices::At(t.idleHour, t.idleMinute, 0, t.idleDay) / kMinute);
    ExpectShownIdle();
}

INSTANTIATE_TEST_SUITE_P(
    Table, ScheduleTarget,
    ::testing::Values(Target{"EightOClock", 7, 50, "8", "15", 0, 8, 15, 0, 8, 16},
                      Target{"Midnight", 23, 58, "0", "0", 1, 0, 0, 1, 0, 1},
                      Target{"MinuteZero", 13, 10, "14", "0", 0, 14, 0, 0, 14, 1},
                      Target{"MinuteNine", 14, 0, "14", "9", 0, 14, 9, 0, 14, 10},
                      Target{"MinuteFiftyNine", 14, 0, "14", "59", 0, 14, 59, 0, 15, 0},
                      Target{"FiftyNineAcrossMidnight", 23, 0, "23", "59", 0, 23, 59, 1, 0, 0},
                      Target{"AnotherHourWaitsForTomorrow", 15, 0, "14", "30", 1, 14, 30, 1, 14, 31},
                      Target{"LaterThisHourNotYetPassed", 14, 30, "14", "45", 0, 14, 45, 0, 14, 46}),
    [](const ::testing::TestParamInfo<Target>& param) { return std::string(param.param.name); });

class EarlierInTheHour : public Schedule, public ::testing::WithParamInterface<const char*> {};

TEST_P(EarlierInTheHour, DisarmsAtTheFirstCheckWithoutLocking) {
    ArmAt(FakeServices::At(14, 30, 0), "14", GetParam());
    EXPECT_EQ(RunUntilIdle(FakeServices::At(15, 0)), FakeServices::At(14, 30, 10));
    EXPECT_TRUE(fake.commands.empty());
    ExpectShownIdle();
}

// "5" sorts after "30" as text; as a number it lies behind.
INSTANTIATE_TEST_SUITE_P(Minutes, EarlierInTheHour, ::testing::Values("5", "20", "29"));

TEST_F(Schedule, ArmingInsideTheTargetMinuteLocksIfTheMinuteHasNotEnded) {
    ArmAt(FakeServices::At(14, 30, 45), "14", "30");
    EXPECT_EQ(RunUntilIdle(FakeServices::At(15, 0)), FakeServices::At(14, 31, 5));
    EXPECT_EQ(fake.lockTimesMs, std::vector<long long>{FakeServices::At(14, 30, 55)});
}

TEST_F(Schedule, ArmingTooLateInTheTargetMinuteDisarmsWithoutLocking) {
    ArmAt(FakeServices::At(14, 30, 55), "14", "30");
    EXPECT_EQ(RunUntilIdle(FakeServices::At(15, 0)), FakeServices::At(14, 31, 5));
    EXPECT_TRUE(fake.commands.empty());
}

TEST_F(Schedule, ALockThatCannotStartIsTriedAgainAndNothingIsShown) {
    fake.commandsSucceed = false;
    ArmAt(FakeServices::At(14, 29, 0), "14", "30");
    fake.RunUntil(FakeServices::At(14, 30, 59));
    EXPECT_EQ(fake.commands.size(), 6u);
    EXPECT_TRUE(fake.Armed());
    EXPECT_FALSE(fake.Visible(Control::MainWindow));
    EXPECT_TRUE(fake.messages.empty());
}

TEST_F(Schedule, SplitClockReadingsAtTheHourDoNotDisarmEarly) {
    fake.SplitReadings(true);  // each minute reading one second after its hour reading
    ArmAt(FakeServices::At(9, 58, 0), "9", "59");
    const long long disarmedAt = RunUntilIdle(FakeServices::At(11, 0));
    ExpectLocksOnlyIn(9, 59);
    EXPECT_FALSE(fake.commands.empty());
    EXPECT_EQ(disarmedAt / kMinute, FakeServices::At(10, 0) / kMinute);
}

TEST_F(Schedule, ClockJumpBackIntoTheTargetMinuteLocksAgain) {
    ArmAt(FakeServices::At(14, 29, 0), "14", "30");
    fake.RunUntil(FakeServices::At(14, 30, 30));
    const auto before = fake.commands.size();
    fake.JumpClock(-30 * 1000);  // back to 14:30:00
    fake.RunUntil(FakeServices::At(14, 30, 59));
    EXPECT_GT(fake.commands.size(), before + 3);
    ExpectLocksOnlyIn(14, 30);
}

TEST_F(Schedule, ClockJumpForwardOverTheTargetDisarmsInTheSameHour) {
    ArmAt(FakeServices::At(14, 20, 0), "14", "30");
    fake.RunUntil(FakeServices::At(14, 25, 0));
    fake.JumpClock(15 * kMinute);  // 14:40
    EXPECT_NE(RunUntilIdle(FakeServices::At(14, 41, 0)), -1);
    EXPECT_TRUE(fake.commands.empty());
}

TEST_F(Schedule, ClockJumpIntoAnotherHourWaitsForTheNextDay) {
    ArmAt(FakeServices::At(14, 20, 0), "14", "30");
    fake.RunUntil(FakeServices::At(14, 25, 0));
    fake.JumpClock(2 * 60 * kMinute);  // 16:25
    fake.RunUntil(FakeServices::At(14, 0, 0, 1));
    EXPECT_TRUE(fake.Armed());
    EXPECT_TRUE(fake.commands.empty());
    EXPECT_NE(RunUntilIdle(FakeServices::At(15, 0, 0, 1)), -1);
    ExpectLocksOnlyIn(14, 30);
    EXPECT_EQ(fake.commands.size(), 6u);
}

TEST_F(Schedule, CancelStopsEveryLaterCheck) {
    ArmAt(FakeServices::At(14, 29, 0), "14", "30");
    OnCancelClicked(fake);
    fake.RunUntil(FakeServices::At(14, 0, 0, 1));
    EXPECT_TRUE(fake.commands.empty());
}

}  // namespace
}  // namespace timelock::testing
