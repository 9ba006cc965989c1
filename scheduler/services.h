// The scheduler's view of the world: named controls with properties, the local
// clock, and the few system commands it may start. Implemented with Win32 in
// platform/, and by hand-written fakes in the unit tests.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace timelock {

// Every control of the main window, in the order of the window definition, and
// the main window itself.
enum class Control : std::uint8_t {
    透明标签1,
    超级按钮1,
    编辑框1,
    编辑框2,
    超级按钮2,
    编辑框3,
    编辑框4,
    时钟1,
    时钟2,
    超级按钮3,
    透明标签2,
    透明标签3,
    MainWindow,
};

inline constexpr std::size_t kControlCount = 12;

constexpr std::size_t IndexOf(Control control) noexcept { return static_cast<std::size_t>(control); }

enum class TextProperty : std::uint8_t { Content, Caption };
enum class FlagProperty : std::uint8_t { Visible, Disabled };
enum class TimerProperty : std::uint8_t { Period };

struct LocalTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

constexpr int HourOf(const LocalTime& time) noexcept { return time.hour; }
constexpr int MinuteOf(const LocalTime& time) noexcept { return time.minute; }

class Services {
public:
    Services() = default;
    Services(const Services&) = delete;
    Services& operator=(const Services&) = delete;
    virtual ~Services() = default;

    // An empty string is "no text"; a write copies the text.
    virtual std::string ReadProperty(Control control, TextProperty property) = 0;
    virtual void WriteProperty(Control control, TextProperty property, std::string_view text) = 0;
    virtual void WriteProperty(Control control, FlagProperty property, bool value) = 0;
    virtual void WriteProperty(Control control, TimerProperty property, int periodMs) = 0;

    // Blocks until the user closes the box; timer ticks are still delivered meanwhile.
    virtual void ShowMessage(std::string_view text, unsigned style, std::string_view title) = 0;
    // Starts `program` from the system folder with `commandLine`; false when it could not start.
    virtual bool RunCommandLine(std::string_view program, std::string_view commandLine) = 0;
    virtual LocalTime CurrentTime() = 0;
    virtual void OpenWebPage(std::string_view address) = 0;
};

}  // namespace timelock
