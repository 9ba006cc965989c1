// A hand-written stand-in for the window: it holds every control property,
// records each write in order, and plays the clock and the two timers.
#pragma once

#include "platform/timer_period.h"
#include "scheduler/handlers.h"
#include "scheduler/services.h"

#include <array>
#include <string>
#include <vector>

namespace timelock::testing {

inline std::string NameOf(Control control) {
    static constexpr const char* kNames[] = {"透明标签1", "超级按钮1", "编辑框1",   "编辑框2", "超级按钮2",
                                             "编辑框3",   "编辑框4",   "时钟1",     "时钟2",   "超级按钮3",
                                             "透明标签2", "透明标签3", "MainWindow"};
    return kNames[IndexOf(control)];
}

class FakeServices : public Services {
public:
    FakeServices() {
        texts_[IndexOf(Control::超级按钮1)] = std::string(kIdleCaption);
        disabled_[IndexOf(Control::超级按钮2)] = true;
        disabled_[IndexOf(Control::超级按钮3)] = true;
        visible_[IndexOf(Control::MainWindow)] = true;
        periods_[IndexOf(Control::时钟1)] = kClockPeriodMs;
    }

    // --- Services
    std::string ReadProperty(Control control, TextProperty) override {
        reads.push_back(NameOf(control));
        return texts_[IndexOf(control)];
    }
    void WriteProperty(Control control, TextProperty property, std::string_view text) override {
        writes.push_back(NameOf(control) + (property == TextProperty::Caption ? ".Caption=" : ".Content=") +
                         std::string(text));
        texts_[IndexOf(control)] = std::string(text);
    }
    void WriteProperty(Control control, FlagProperty property, bool value) override {
        const bool visible = property == FlagProperty::Visible;
        writes.push_back(NameOf(control) + (visible ? ".Visible=" : ".Disabled=") + (value ? "1" : "0"));
        (visible ? visible_ : disabled_)[IndexOf(control)] = value;
    }
    void WriteProperty(Control control, TimerProperty, int periodMs) override {
        writes.push_back(NameOf(control) + ".Period=" + std::to_string(periodMs));
        const TimerPlan plan = PlanPeriodWrite(periods_[IndexOf(control)], periodMs);
        if (!plan.changes) return;
        periods_[IndexOf(control)] = plan.period;
        if (control == Control::时钟2 && plan.start) nextScheduleMs_ = nowMs_ + plan.period;
    }
    void ShowMessage(std::string_view text, unsigned style, std::string_view title) override {
        messages.push_back(std::string(title) + "|" + std::string(text) + "|" + std::to_string(style));
        writesAtMessage.push_back(writes.size());
    }
    bool RunCommandLine(std::string_view program, std::string_view commandLine) override {
        commands.push_back(std::string(program) + "|" + std::string(commandLine));
        lockTimesMs.push_back(nowMs_);
        return commandsSucceed;
    }
    LocalTime CurrentTime() override {
        ++clockReadings;
        if (splitReading_) {
            // The second reading falls one second later, across an hour boundary.
            const long long at = nowMs_ + (clockReadings % 2 == 0 ? 1000 : 0);
            return TimeAt(at);
        }
        return TimeAt(nowMs_);
    }
    void OpenWebPage(std::string_view address) override { pages.emplace_back(address); }

    // --- state
    const std::string& Text(Control control) const { return texts_[IndexOf(control)]; }
    void SetText(Control control, std::string text) { texts_[IndexOf(control)] = std::move(text); }
    bool Disabled(Control control) const { return disabled_[IndexOf(control)]; }
    bool Visible(Control control) const { return visible_[IndexOf(control)]; }
    int Period(Control control) const { return periods_[IndexOf(control)]; }
    bool Armed() const { return Period(Control::时钟2) > 0; }

    // --- clock: milliseconds since midnight of day 0
    static constexpr long long kDayMs = 24LL * 3600 * 1000;
    static constexpr long long At(int hour, int minute, int second = 0, int day = 0) {
        return ((day * 24LL + hour) * 60 + minute) * 60000LL + second * 1000LL;
    }
    void SetNow(long long ms) { nowMs_ = ms; }
    long long Now() const { return nowMs_; }
    void SplitReadings(bool on) { splitReading_ = on; }

    // Runs the timers up to `untilMs`: the clock ticks on whole seconds, the schedule
    // check every 10 s after arming; a clock tick due at the same moment runs first.
    void RunUntil(long long untilMs) {
        while (true) {
            const long long nextClock = (nowMs_ / 1000 + 1) * 1000;
            const long long next = Armed() ? std::min(nextClock, nextScheduleMs_) : nextClock;
            if (next > untilMs) break;
            nowMs_ = next;
            if (next == nextClock) OnClockTick(*this);
            if (Armed() && nowMs_ == nextScheduleMs_) {
                nextScheduleMs_ += Period(Control::时钟2);
                OnScheduleTick(*this);
            }
        }
        nowMs_ = untilMs;
    }

    // Moves the local clock without running anything, as a user or daylight saving would.
    void JumpClock(long long deltaMs) {
        nowMs_ += deltaMs;
        nextScheduleMs_ += deltaMs;
    }

    std::vector<std::string> writes;
    std::vector<std::string> reads;
    std::vector<std::string> messages;
    std::vector<std::size_t> writesAtMessage;
    std::vector<std::string> commands;
    std::vector<long long> lockTimesMs;
    std::vector<std::string> pages;
    bool commandsSucceed = true;
    int clockReadings = 0;

private:
    static LocalTime TimeAt(long long ms) {
        const long long inDay = ((ms % kDayMs) + kDayMs) % kDayMs;
        LocalTime t;
        t.day = static_cast<int>(ms / kDayMs);
        t.hour = static_cast<int>(inDay / 3600000);
        t.minute = static_cast<int>(inDay / 60000 % 60);
        t.second = static_cast<int>(inDay / 1000 % 60);
        return t;
    }

    static constexpr std::size_t kSlots = kControlCount + 1;
    std::array<std::string, kSlots> texts_{};
    std::array<bool, kSlots> disabled_{};
    std::array<bool, kSlots> visible_{};
    std::array<int, kSlots> periods_{};
    long long nowMs_ = 0;
    long long nextScheduleMs_ = 0;
    bool splitReading_ = false;
};

}  // namespace timelock::testing
