#include "fake_services.h"
#include "scheduler/handlers.h"

#include <gtest/gtest.h>

namespace timelock::testing {
namespace {

using Writes = std::vector<std::string>;

const Writes kArmedWrites = {
    "时钟2.Period=10000",          "超级按钮1.Disabled=1", "编辑框1.Disabled=1",   "编辑框2.Disabled=1",
    "超级按钮1.Caption=运行中...", "超级按钮2.Disabled=0", "超级按钮3.Disabled=0",
};
const Writes kIdleWrites = {
    "时钟2.Period=0",     "超级按钮1.Disabled=0", "超级按钮2.Disabled=1",       "超级按钮3.Disabled=1",
    "编辑框1.Disabled=0", "编辑框2.Disabled=0",   "超级按钮1.Caption=开启锁屏",
};

class StartClicked : public ::testing::Test {
protected:
    void Targets(std::string hour, std::string minute) {
        fake.SetText(Control::编辑框1, std::move(hour));
        fake.SetText(Control::编辑框2, std::move(minute));
    }
    FakeServices fake;
};

TEST_F(StartClicked, ArmsWithTheWholeStateInOrder) {
    Targets("14", "30");
    OnStartClicked(fake);
    EXPECT_EQ(fake.writes, kArmedWrites);
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_TRUE(fake.Armed());
    EXPECT_EQ(fake.Text(Control::编辑框1), "14");
    EXPECT_EQ(fake.Text(Control::编辑框2), "30");
}

TEST_F(StartClicked, ArmsEveryCornerOfTheDay) {
    for (const auto& [hour, minute] : {std::pair{"0", "0"}, {"23", "59"}, {"0", "59"}, {"23", "0"}}) {
        FakeServices f;
        f.SetText(Control::编辑框1, hour);
        f.SetText(Control::编辑框2, minute);
        OnStartClicked(f);
        EXPECT_TRUE(f.Armed()) << hour << ":" << minute;
        EXPECT_TRUE(f.messages.empty());
    }
}

TEST_F(StartClicked, EmptyHourIsRefusedWithoutReadingTheMinute) {
    Targets("", "30");
    OnStartClicked(fake);
    EXPECT_EQ(fake.reads, Writes{"编辑框1"});
    EXPECT_EQ(fake.messages, Writes{"锁屏提示：|时间不能为空！|16"});
    // The box comes first; then only the no-op stop of the stopped timer.
    EXPECT_EQ(fake.writesAtMessage, std::vector<std::size_t>{0});
    EXPECT_EQ(fake.writes, Writes{"时钟2.Period=0"});
    EXPECT_FALSE(fake.Armed());
}

TEST_F(StartClicked, EmptyMinuteIsRefused) {
    Targets("14", "");
    OnStartClicked(fake);
    EXPECT_EQ(fake.reads, (Writes{"编辑框1", "编辑框2"}));
    EXPECT_EQ(fake.messages, Writes{"锁屏提示：|时间不能为空！|16"});
    EXPECT_EQ(fake.writes, Writes{"时钟2.Period=0"});
}

struct OutOfRange {
    const char* hour;
    const char* minute;
};

class StartRefusesOutOfRange : public ::testing::TestWithParam<OutOfRange> {};

TEST_P(StartRefusesOutOfRange, WithTheRangeMessageAndStaysIdle) {
    FakeServices fake;
    fake.SetText(Control::编辑框1, GetParam().hour);
    fake.SetText(Control::编辑框2, GetParam().minute);
    OnStartClicked(fake);
    EXPECT_EQ(fake.messages, Writes{"锁屏提示：|时间无效！时：0-23，分：0-59|16"});
    EXPECT_EQ(fake.writes, Writes{"时钟2.Period=0"});
    EXPECT_FALSE(fake.Armed());
    EXPECT_FALSE(fake.Disabled(Control::编辑框1));
    EXPECT_EQ(fake.Text(Control::超级按钮1), "开启锁屏");
}

INSTANTIATE_TEST_SUITE_P(Table, StartRefusesOutOfRange,
                         ::testing::Values(OutOfRange{"24", "0"}, OutOfRange{"99", "30"}, OutOfRange{"-5", "30"},
                                           OutOfRange{"-1", "0"}, OutOfRange{"12", "60"}, OutOfRange{"12", "99"},
                                           OutOfRange{"12", "-9"},
                                           // Not plain decimal: the clock texts could never equal them.
                                           OutOfRange{"08", "30"}, OutOfRange{"8", " 5"}, OutOfRange{"ab", "1"},
                                           OutOfRange{"1", "1111111111111111111111"}));

TEST(CancelClicked, WritesTheIdleStateInOrderAndKeepsTheTargets) {
    FakeServices fake;
    fake.SetText(Control::编辑框1, "8");
    fake.SetText(Control::编辑框2, "5");
    OnStartClicked(fake);
    fake.writes.clear();
    OnCancelClicked(fake);
    EXPECT_EQ(fake.writes, kIdleWrites);
    EXPECT_FALSE(fake.Armed());
    EXPECT_EQ(fake.Text(Control::编辑框1), "8");
    EXPECT_EQ(fake.Text(Control::编辑框2), "5");
    // And the same target arms again.
    fake.writes.clear();
    OnStartClicked(fake);
    EXPECT_EQ(fake.writes, kArmedWrites);
}

TEST(HideClicked, HidesOnlyTheWindow) {
    FakeServices fake;
    OnHideClicked(fake);
    EXPECT_EQ(fake.writes, Writes{"MainWindow.Visible=0"});
}

TEST(ClockTick, WritesHourThenMinuteAsPlainDecimal) {
    FakeServices fake;
    fake.SetNow(FakeServices::At(0, 7, 30));
    OnClockTick(fake);
    EXPECT_EQ(fake.writes, (Writes{"编辑框3.Content=0", "编辑框4.Content=7"}));
    EXPECT_EQ(fake.clockReadings, 2);
    fake.writes.clear();
    fake.SetNow(FakeServices::At(23, 59, 59));
    OnClockTick(fake);
    EXPECT_EQ(fake.writes, (Writes{"编辑框3.Content=23", "编辑框4.Content=59"}));
}

TEST(ClockTick, SplitReadingAtAnHourBoundaryIsPutRightByTheNextTick) {
    FakeServices fake;
    fake.SplitReadings(true);
    fake.SetNow(FakeServices::At(9, 59, 59));
    OnClockTick(fake);  // hour read at 9:59:59, minute at 10:00:00
    EXPECT_EQ(fake.Text(Control::编辑框3), "9");
    EXPECT_EQ(fake.Text(Control::编辑框4), "0");
    fake.SetNow(FakeServices::At(10, 0, 0));
    OnClockTick(fake);
    EXPECT_EQ(fake.Text(Control::编辑框3), "10");
    EXPECT_EQ(fake.Text(Control::编辑框4), "0");
}

TEST(StudioLabelPressed, OpensTheStudioPage) {
    FakeServices fake;
    OnStudioLabelPressed(fake);
    EXPECT_EQ(fake.pages, Writes{"https://shuche.example/"});
    EXPECT_TRUE(fake.writes.empty());
}

TEST(WindowCreated, DoesNothing) {
    FakeServices fake;
    OnWindowCreated(fake);
    EXPECT_TRUE(fake.writes.empty());
    EXPECT_TRUE(fake.reads.empty());
}

}  // namespace
}  // namespace timelock::testing
