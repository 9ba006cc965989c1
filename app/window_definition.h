// The window definition: one row for the main window and one per control.
// Creation, stacking, focus order and event routing all walk this table.
#pragma once

#include "scheduler/services.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <variant>

namespace timelock {

enum class Kind : std::uint8_t { MainWindow, TextField, CommandButton, TransparentLabel, Timer };
enum class Event : std::uint8_t { Created, Clicked, LeftButtonPressed, Periodic };
enum class Align : std::uint8_t { Left, Centre };
enum class InputMode : std::uint8_t { Normal, WholeNumber };
enum class Pointer : std::uint8_t { Arrow };

namespace flag {
inline constexpr std::uint8_t kVisible = 1;
inline constexpr std::uint8_t kDisabled = 2;
inline constexpr std::uint8_t kFocusStop = 4;
}  // namespace flag

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

inline constexpr Rgb kAccent{0, 224, 128};
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kBlack{0, 0, 0};

// An empty face means the system's default GUI font.
struct FontSpec {
    std::string_view face;
    int height = 0;
    int weight = 0;
};

inline constexpr FontSpec kDefaultGuiFont{};
inline constexpr std::string_view kYaHei = "微软雅黑";

struct MainWindowSettings {
    std::string_view title;
    bool centred = true;
    bool minimiseBox = true;
    bool maximiseBox = false;
    Rgb background = kAccent;
    bool escCloses = true;
    bool enterMovesFocus = false;
    bool f1Help = false;
};

struct FieldSettings {
    FontSpec font;
    Rgb text;
    Rgb background = kWhite;
    bool clientEdge = false;
    Align align = Align::Left;
    int maxLength = 0;  // 0: the system's own limit
    InputMode mode = InputMode::Normal;
    bool hideSelection = true;
};

enum class ButtonFace : std::uint8_t { Flat };
enum class PressOffset : std::uint8_t { None, RightDown };

// One look shared by the three command buttons.
struct ButtonSettings {
    ButtonFace BtnStyle = ButtonFace::Flat;
    bool DrawBorder = true;  // edge only while hot or pressed
    bool DrawFocus = false;
    PressOffset PressStyle = PressOffset::RightDown;
    Rgb FgColorOut = kAccent;
    Rgb FgColorIn = kAccent;
    Rgb FgColorFocus = kAccent;
    Rgb BkColorOut = kWhite;
    Rgb BkColorIn = kWhite;
    Rgb BkColorFocus = kWhite;
    bool DefaultColor = false;
    bool DefaultStyle = false;
    bool CheckBox = false;
    FontSpec font{kYaHei, -12, 400};
};

struct LabelSettings {
    FontSpec font;
    Rgb text = kWhite;
    Align horizontal = Align::Left;
    bool shadow = false;
};

struct TimerSettings {
    int periodMs = 0;
};

using KindSettings = std::variant<MainWindowSettings, FieldSettings, ButtonSettings, LabelSettings, TimerSettings>;

using Handler = void (*)(Services&);

struct Binding {
    Event event;
    Handler handler;
};

struct Row {
    std::string_view name;
    Control control;
    Kind kind;
    int left, top, width, height;
    std::optional<Control> parent;
    Pointer pointer;
    std::string_view tag;
    std::uint8_t flags;
    int tabNumber;
    std::string_view text;
    std::span<const Binding> bindings;
    KindSettings settings;
};

inline constexpr int kFirstControlId = 100;
inline constexpr int kControlIdStep = 10;

constexpr int ControlIdOf(Control control) noexcept {
    return kFirstControlId + kControlIdStep * static_cast<int>(IndexOf(control));
}

// The main window's row, then the twelve controls in creation order.
const Row& MainWindowRow() noexcept;
std::span<const Row, kControlCount> ControlRows() noexcept;
const Row& RowOf(Control control) noexcept;

// The handler bound to `event` of `row`, if any.
Handler BoundHandler(const Row& row, Event event) noexcept;

}  // namespace timelock
