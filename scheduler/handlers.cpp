// Arm, cancel, hide, the clock copy and the schedule check.
#include "scheduler/handlers.h"

#include "platform/text_rules.h"

#include <optional>

namespace timelock {
namespace {

bool IsEmpty(const std::string& text) { return CompareText(text, {}) == 0; }

std::optional<int> ReadNumber(Services& services, Control field) {
    return ParsePlainDecimal(services.ReadProperty(field, TextProperty::Content));
}

void WriteIdleState(Services& services) {
    services.WriteProperty(Control::时钟2, TimerProperty::Period, 0);
    services.WriteProperty(Control::超级按钮1, FlagProperty::Disabled, false);
    services.WriteProperty(Control::超级按钮2, FlagProperty::Disabled, true);
    services.WriteProperty(Control::超级按钮3, FlagProperty::Disabled, true);
    services.WriteProperty(Control::编辑框1, FlagProperty::Disabled, false);
    services.WriteProperty(Control::编辑框2, FlagProperty::Disabled, false);
    services.WriteProperty(Control::超级按钮1, TextProperty::Caption, kIdleCaption);
}

void WriteArmedState(Services& services) {
    services.WriteProperty(Control::时钟2, TimerProperty::Period, kArmedPeriodMs);
    services.WriteProperty(Control::超级按钮1, FlagProperty::Disabled, true);
    services.WriteProperty(Control::编辑框1, FlagProperty::Disabled, true);
    services.WriteProperty(Control::编辑框2, FlagProperty::Disabled, true);
    services.WriteProperty(Control::超级按钮1, TextProperty::Caption, kArmedCaption);
    services.WriteProperty(Control::超级按钮2, FlagProperty::Disabled, false);
    services.WriteProperty(Control::超级按钮3, FlagProperty::Disabled, false);
}

// Refusing leaves the scheduler idle; the stop write is a no-op on the stopped timer.
void Refuse(Services& services, std::string_view message) {
    services.ShowMessage(message, kMessageStyle, kMessageTitle);
    services.WriteProperty(Control::时钟2, TimerProperty::Period, 0);
}

bool InRange(std::optional<int> value, int last) { return value && *value >= 0 && *value <= last; }

}  // namespace

void OnWindowCreated(Services&) {}

void OnClockTick(Services& services) {
    // Two readings, hour first: at an hour boundary one tick may show the old
    // hour with the new minute; the next tick puts it right.
    services.WriteProperty(Control::编辑框3, TextProperty::Content, NumberToText(HourOf(services.CurrentTime())));
    services.WriteProperty(Control::编辑框4, TextProperty::Content, NumberToText(MinuteOf(services.CurrentTime())));
}

void OnStartClicked(Services& services) {
    const bool empty = IsEmpty(services.ReadProperty(Control::编辑框1, TextProperty::Content)) ||
                       IsEmpty(services.ReadProperty(Control::编辑框2, TextProperty::Content));
    if (empty) {
        Refuse(services, kEmptyTimeMessage);
        return;
    }
    // A target the clock can never show would report "armed" and never lock.
    if (!InRange(ReadNumber(services, Control::编辑框1), 23) || !InRange(ReadNumber(services, Control::编辑框2), 59)) {
        Refuse(services, kInvalidTimeMessage);
        return;
    }
    WriteArmedState(services);
}

void OnCancelClicked(Services& services) { WriteIdleState(services); }

void OnHideClicked(Services& services) { services.WriteProperty(Control::MainWindow, FlagProperty::Visible, false); }

void OnScheduleTick(Services& services) {
    // Both sides are plain decimal in range, so equal texts are equal numbers.
    const auto textOf = [&services](Control field) { return services.ReadProperty(field, TextProperty::Content); };
    const bool match = CompareText(textOf(Control::编辑框1), textOf(Control::编辑框3)) == 0 &&
                       CompareText(textOf(Control::编辑框2), textOf(Control::编辑框4)) == 0;
    if (match) {
        // A failed start is retried by the next tick inside the minute.
        static_cast<void>(services.RunCommandLine(kLockProgram, kLockCommandLine));
    }

    const auto clockHour = ReadNumber(services, Control::编辑框3);
    const auto targetHour = ReadNumber(services, Control::编辑框1);
    const auto clockMinute = ReadNumber(services, Control::编辑框4);
    const auto targetMinute = ReadNumber(services, Control::编辑框2);
    if (clockHour && targetHour && clockMinute && targetMinute &&
        TargetMinutePassed(*targetHour, *targetMinute, *clockHour, *clockMinute)) {
        WriteIdleState(services);
        services.WriteProperty(Control::MainWindow, FlagProperty::Visible, true);
    }
}

void OnStudioLabelPressed(Services& services) { services.OpenWebPage(kStudioAddress); }

}  // namespace timelock
