// The lock scheduler: the handlers bound to the window's events. They keep no
// state; the controls hold it (see the Idle/Armed writes in handlers.cpp).
#pragma once

#include "scheduler/services.h"

#include <string_view>

namespace timelock {

inline constexpr int kClockPeriodMs = 1000;
inline constexpr int kArmedPeriodMs = 10000;

inline constexpr std::string_view kIdleCaption = "开启锁屏";
inline constexpr std::string_view kArmedCaption = "运行中...";

inline constexpr std::string_view kMessageTitle = "锁屏提示：";
inline constexpr std::string_view kEmptyTimeMessage = "时间不能为空！";
inline constexpr std::string_view kInvalidTimeMessage = "时间无效！时：0-23，分：0-59";
inline constexpr unsigned kMessageStyle = 16;  // stop icon, one OK button

// Comma form: rundll32 without the comma fails silently and would never lock.
inline constexpr std::string_view kLockProgram = "rundll32.exe";
inline constexpr std::string_view kLockCommandLine = "rundll32.exe user32.dll,LockWorkStation";

// Reserved .example domain until the studio's real address is known.
inline constexpr std::string_view kStudioAddress = "https://shuche.example/";

void OnWindowCreated(Services& services);
void OnClockTick(Services& services);
void OnStartClicked(Services& services);
void OnCancelClicked(Services& services);
void OnHideClicked(Services& services);
void OnScheduleTick(Services& services);
void OnStudioLabelPressed(Services& services);

// True once the clock has left the target minute: later in the same hour, or,
// for minute 59, minute 0 of the following hour.
constexpr bool TargetMinutePassed(int targetHour, int targetMinute, int clockHour, int clockMinute) noexcept {
    if (clockHour == targetHour) return clockMinute > targetMinute;
    return targetMinute == 59 && clockMinute == 0 && clockHour == (targetHour + 1) % 24;
}

}  // namespace timelock
