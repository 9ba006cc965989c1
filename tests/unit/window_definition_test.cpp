#include "app/focus_order.h"
#include "app/window_definition.h"
#include "scheduler/handlers.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace timelock {
namespace {

std::array<std::uint8_t, kControlCount> InitialFlags() {
    std::array<std::uint8_t, kControlCount> flags{};
    for (std::size_t i = 0; i < kControlCount; ++i) flags[i] = ControlRows()[i].flags;
    return flags;
}

// The live flags of the armed state, as the start handler leaves them.
std::array<std::uint8_t, kControlCount> ArmedFlags() {
    auto flags = InitialFlags();
    const auto set = [&](Control c, bool disabled) {
        auto& f = flags[IndexOf(c)];
        f = static_cast<std::uint8_t>(disabled ? f | flag::kDisabled : f & ~flag::kDisabled);
    };
    set(Control::超级按钮1, true);
    set(Control::编辑框1, true);
    set(Control::编辑框2, true);
    set(Control::超级按钮2, false);
    set(Control::超级按钮3, false);
    return flags;
}

TEST(WindowDefinition, HoldsTwelveControlsWithTheirFlagWordsAndIds) {
    const auto rows = ControlRows();
    const std::vector<int> flags = {1, 5, 5, 5, 7, 4, 4, 0, 0, 7, 1, 1};
    ASSERT_EQ(rows.size(), flags.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].flags, flags[i]) << rows[i].name;
        EXPECT_EQ(ControlIdOf(rows[i].control), 100 + 10 * static_cast<int>(i)) << rows[i].name;
        EXPECT_EQ(rows[i].parent, Control::MainWindow) << rows[i].name;
        EXPECT_EQ(rows[i].tabNumber, 0);
        EXPECT_TRUE(rows[i].tag.empty());
    }
    EXPECT_EQ(rows[0].name, "透明标签1");
    EXPECT_EQ(rows[11].name, "透明标签3");
    EXPECT_EQ(MainWindowRow().flags, 1);
    EXPECT_EQ(MainWindowRow().width, 243);
    EXPECT_EQ(MainWindowRow().height, 154);
}

TEST(WindowDefinition, BindsEachHandlerToItsEvent) {
    struct Expected {
        Control control;
        Event event;
        Handler handler;
    };
    const Expected bound[] = {
        {Control::透明标签1, Event::LeftButtonPressed, OnStudioLabelPressed},
        {Control::超级按钮1, Event::Clicked, OnStartClicked},
        {Control::超级按钮2, Event::Clicked, OnCancelClicked},
        {Control::超级按钮3, Event::Clicked, OnHideClicked},
        {Control::时钟1, Event::Periodic, OnClockTick},
        {Control::时钟2, Event::Periodic, OnScheduleTick},
        {Control::MainWindow, Event::Created, OnWindowCreated},
    };
    for (const auto& [control, event, handler] : bound) EXPECT_EQ(BoundHandler(RowOf(control), event), handler);
    // Nothing else is bound: the unit labels and the fields have no handlers.
    for (Control c : {Control::透明标签2, Control::透明标签3, Control::编辑框1, Control::编辑框3}) {
        for (Event e : {Event::Created, Event::Clicked, Event::LeftButtonPressed, Event::Periodic}) {
            EXPECT_EQ(BoundHandler(RowOf(c), e), nullptr);
        }
    }
    EXPECT_EQ(BoundHandler(RowOf(Control::超级按钮1), Event::LeftButtonPressed), nullptr);
}

TEST(WindowDefinition, VisibleControlsDoNotOverlap) {
    const auto rows = ControlRows();
    for (std::size_t a = 0; a < rows.size(); ++a) {
        for (std::size_t b = a + 1; b < rows.size(); ++b) {
            if (!(rows[a].flags & flag::kVisible) || !(rows[b].flags & flag::kVisible)) continue;
            const bool apart =
                rows[a].left + rows[a].width <= rows[b].left || rows[b].left + rows[b].width <= rows[a].left ||
                rows[a].top + rows[a].height <= rows[b].top || rows[b].top + rows[b].height <= rows[a].top;
            EXPECT_TRUE(apart) << rows[a].name << " overlaps " << rows[b].name;
        }
    }
}

std::vector<std::size_t> Order(std::initializer_list<Control> controls) {
    std::vector<std::size_t> order;
    for (Control c : controls) order.push_back(IndexOf(c));
    return order;
}

TEST(FocusOrder, FollowsTheLiveFlags) {
    EXPECT_EQ(FocusOrder(ControlRows(), InitialFlags()),
              Order({Control::超级按钮1, Control::编辑框1, Control::编辑框2}));
    EXPECT_EQ(FocusOrder(ControlRows(), ArmedFlags()), Order({Control::超级按钮2, Control::超级按钮3}));
}

struct Step {
    const char* state;
    std::optional<Control> from;
    bool forward;
    Control to;
};

class FocusStep : public ::testing::TestWithParam<Step> {};

TEST_P(FocusStep, WrapsAroundBothWays) {
    const Step& step = GetParam();
    const auto flags = std::string_view(step.state) == "idle" ? InitialFlags() : ArmedFlags();
    std::optional<std::size_t> from;
    if (step.from) from = IndexOf(*step.from);
    EXPECT_EQ(NextInFocusOrder(ControlRows(), flags, from, step.forward), IndexOf(step.to));
}

INSTANTIATE_TEST_SUITE_P(Table, FocusStep,
                         ::testing::Values(Step{"idle", Control::超级按钮1, true, Control::编辑框1},
                                           Step{"idle", Control::编辑框1, true, Control::编辑框2},
                                           Step{"idle", Control::编辑框2, true, Control::超级按钮1},
                                           Step{"idle", Control::超级按钮1, false, Control::编辑框2},
                                           Step{"idle", Control::编辑框1, false, Control::超级按钮1},
                                           Step{"armed", Control::超级按钮2, true, Control::超级按钮3},
                                           Step{"armed", Control::超级按钮3, true, Control::超级按钮2},
                                           Step{"armed", Control::超级按钮2, false, Control::超级按钮3},
                                           // From nowhere (the window itself, or a control that lost its place).
                                           Step{"armed", std::nullopt, true, Control::超级按钮2},
                                           Step{"armed", std::nullopt, false, Control::超级按钮3},
                                           Step{"armed", Control::编辑框1, true, Control::超级按钮2}));

TEST(FocusOrder, HiddenFieldsAndLabelsAreNeverReached) {
    std::optional<std::size_t> at = IndexOf(Control::超级按钮1);
    for (int i = 0; i < 10; ++i) {
        at = NextInFocusOrder(ControlRows(), InitialFlags(), at, i % 3 != 0);
        ASSERT_TRUE(at.has_value());
        EXPECT_NE(*at, IndexOf(Control::编辑框3));
        EXPECT_NE(*at, IndexOf(Control::编辑框4));
        EXPECT_NE(*at, IndexOf(Control::透明标签1));
    }
}

TEST(FocusOrder, EmptyWhenNothingCanTakeTheFocus) {
    std::array<std::uint8_t, kControlCount> none{};
    EXPECT_FALSE(NextInFocusOrder(ControlRows(), none, std::nullopt, true).has_value());
}

}  // namespace
}  // namespace timelock
