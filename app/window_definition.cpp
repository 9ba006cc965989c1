#include "app/window_definition.h"

#include "scheduler/handlers.h"

namespace timelock {
namespace {

constexpr Binding kWindowBindings[] = {{Event::Created, OnWindowCreated}};
constexpr Binding kStudioBindings[] = {{Event::LeftButtonPressed, OnStudioLabelPressed}};
constexpr Binding kStartBindings[] = {{Event::Clicked, OnStartClicked}};
constexpr Binding kCancelBindings[] = {{Event::Clicked, OnCancelClicked}};
constexpr Binding kHideBindings[] = {{Event::Clicked, OnHideClicked}};
constexpr Binding kClockBindings[] = {{Event::Periodic, OnClockTick}};
constexpr Binding kScheduleBindings[] = {{Event::Periodic, OnScheduleTick}};

// One line per row reads as the table it is.
// clang-format off
constexpr FieldSettings kTargetField{{kYaHei, -14, 700}, kAccent, kWhite, false, Align::Centre, 2, InputMode::WholeNumber};
constexpr FieldSettings kClockField{kDefaultGuiFont, kBlack, kWhite, true, Align::Left, 0, InputMode::Normal};
constexpr ButtonSettings kButton{};
constexpr LabelSettings kUnitLabel{{kYaHei, -12, 700}, kWhite, Align::Left, false};
constexpr LabelSettings kStudioLabel{{kYaHei, -19, 400}, kWhite, Align::Centre, true};

constexpr auto kMain = Control::MainWindow;
constexpr auto kArrow = Pointer::Arrow;
constexpr std::uint8_t V = flag::kVisible, D = flag::kDisabled, S = flag::kFocusStop;

constexpr Row kMainWindow{
    "", Control::MainWindow, Kind::MainWindow, 50, 50, 243, 154, std::nullopt, kArrow, "", V, 0, "砾澄定时锁屏",
    kWindowBindings, MainWindowSettings{"砾澄定时锁屏"}};

constexpr std::array<Row, kControlCount> kControls{{
    {"透明标签1", Control::透明标签1, Kind::TransparentLabel, 30, 88, 176, 32, kMain, kArrow, "", V, 0,
     "枢澈软件工作室", kStudioBindings, kStudioLabel},
    {"超级按钮1", Control::超级按钮1, Kind::CommandButton, 14, 56, 65, 25, kMain, kArrow, "", V | S, 0, "开启锁屏",
     kStartBindings, kButton},
    {"编辑框1", Control::编辑框1, Kind::TextField, 32, 8, 50, 32, kMain, kArrow, "", V | S, 0, "", {}, kTargetField},
    {"编辑框2", Control::编辑框2, Kind::TextField, 150, 8, 50, 32, kMain, kArrow, "", V | S, 0, "", {}, kTargetField},
    {"超级按钮2", Control::超级按钮2, Kind::CommandButton, 86, 56, 65, 25, kMain, kArrow, "", V | D | S, 0,
     "取消任务", kCancelBindings, kButton},
    {"编辑框3", Control::编辑框3, Kind::TextField, 8, 96, 32, 24, kMain, kArrow, "", S, 0, "", {}, kClockField},
    {"编辑框4", Control::编辑框4, Kind::TextField, 192, 96, 32, 24, kMain, kArrow, "", S, 0, "", {}, kClockField},
    {"时钟1", Control::时钟1, Kind::Timer, 0, 0, 0, 0, kMain, kArrow, "", 0, 0, "", kClockBindings,
     TimerSettings{1000}},
    {"时钟2", Control::时钟2, Kind::Timer, 0, 0, 0, 0, kMain, kArrow, "", 0, 0, "", kScheduleBindings,
     TimerSettings{0}},
    {"超级按钮3", Control::超级按钮3, Kind::CommandButton, 158, 56, 65, 25, kMain, kArrow, "", V | D | S, 0,
     "隐藏运行", kHideBindings, kButton},
    {"透明标签2", Control::透明标签2, Kind::TransparentLabel, 94, 24, 24, 24, kMain, kArrow, "", V, 0, "时", {},
     kUnitLabel},
    {"透明标签3", Control::透明标签3, Kind::TransparentLabel, 210, 24, 24, 24, kMain, kArrow, "", V, 0, "分", {},
     kUnitLabel},
}};
// clang-format on

constexpr bool RowsFollowControlOrder() {
    for (std::size_t i = 0; i < kControls.size(); ++i) {
        if (IndexOf(kControls[i].control) != i) return false;
    }
    return true;
}
static_assert(RowsFollowControlOrder(), "rows must be in the order of Control");
static_assert(ControlIdOf(Control::透明标签1) == 100 && ControlIdOf(Control::透明标签3) == 210);
static_assert(std::get<TimerSettings>(kControls[IndexOf(Control::时钟1)].settings).periodMs == kClockPeriodMs);

}  // namespace

const Row& MainWindowRow() noexcept { return kMainWindow; }

std::span<const Row, kControlCount> ControlRows() noexcept { return kControls; }

const Row& RowOf(Control control) noexcept {
    return control == Control::MainWindow ? kMainWindow : kControls[IndexOf(control)];
}

Handler BoundHandler(const Row& row, Event event) noexcept {
    for (const Binding& binding : row.bindings) {
        if (binding.event == event) return binding.handler;
    }
    return nullptr;
}

}  // namespace timelock
