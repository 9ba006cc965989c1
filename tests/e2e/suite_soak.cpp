// A day of the program's life in a couple of minutes: the timers' ticks and
// the repaints, hovers, enable and disable, arm and cancel, hide and show that
// come with it, sent from outside. Its private memory and its handle count
// must come back to where they were once everything had run once.
#include "tests/e2e/e2e.h"
#include "tests/e2e/probe.h"
#include "tests/e2e/program.h"

#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace e2e;

// A simulated day: one clock tick a second, one schedule check every ten.
constexpr int kRounds = 10;
constexpr int kTicksPerRound = 86400 / kRounds;
constexpr int kChecksPerRound = 8640 / kRounds;
// Every fourth check also repaints, hovers a button and disables the window for a moment.
constexpr int kExtrasEvery = 4;
// Arm and cancel; hide and show, which arms and disarms as well.
constexpr int kCyclesPerRound = 100;
constexpr int kTickThreads = 2;

constexpr SIZE_T kMemoryNoise = 256 * 1024;

std::optional<LRESULT> Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, 5000, &result)) return std::nullopt;
    return static_cast<LRESULT>(result);
}

bool Write(HWND field, const std::wstring& text) {
    return Send(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())).value_or(0) != 0;
}

// The state as far as the styles tell, read without asking the program.
bool Armed(HWND window) {
    return !IsWindowEnabled(GetDlgItem(window, k超级按钮1)) && IsWindowEnabled(GetDlgItem(window, k超级按钮2));
}
bool Idle(HWND window) {
    return IsWindowEnabled(GetDlgItem(window, k超级按钮1)) && !IsWindowEnabled(GetDlgItem(window, k超级按钮2));
}

// What the process holds. Wine leaves PrivateUsage at 0 and keeps the private
// commit in PagefileUsage; on Windows the two are the same figure.
struct Footprint {
    SIZE_T privateBytes = 0;
    std::size_t handles = 0;
};
void Describe(std::ostream& out, const Footprint& f) {
    out << f.privateBytes / 1024 << " KiB, " << f.handles << " handles";
}

// GetProcessHandleCount answers 0 under Wine; the system's handle table, filtered by process, does not.
std::optional<std::size_t> HandleCount(DWORD processId) {
    struct Entry {
        PVOID object;
        ULONG_PTR processId;
        ULONG_PTR handle;
        ULONG access;
        USHORT backTrace;
        USHORT type;
        ULONG attributes;
        ULONG reserved;
    };
    struct Table {
        ULONG_PTR count;
        ULONG_PTR reserved;
        Entry entries[1];
    };
    using Query = LONG(NTAPI*)(ULONG, PVOID, ULONG, PULONG);
    constexpr ULONG kExtendedHandleInformation = 64;
    constexpr LONG kLengthMismatch = static_cast<LONG>(0xC0000004);
    static const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return std::nullopt;
    std::vector<unsigned char> buffer(256 * 1024);
    for (int attempt = 0; attempt < 8; ++attempt) {
        ULONG needed = 0;
        const LONG status = query(kExtendedHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == kLengthMismatch) {
            buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed + 64 * 1024));
            continue;
        }
        if (status < 0) return std::nullopt;
        const auto* table = reinterpret_cast<const Table*>(buffer.data());
        std::size_t count = 0;
        for (ULONG_PTR i = 0; i < table->count; ++i) {
            if (table->entries[i].processId == processId) ++count;
        }
        return count;
    }
    return std::nullopt;
}

std::optional<Footprint> FootprintOf(const App& app) {
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    if (!K32GetProcessMemoryInfo(app.Process(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory)) {
        return std::nullopt;
    }
    const auto handles = HandleCount(app.ProcessId());
    if (!handles) return std::nullopt;
    return Footprint{std::max(memory.PrivateUsage, memory.PagefileUsage), *handles};
}


class Soak {
public:
    Soak(const App& app, HWND window) : app_(app), window_(window) {
        for (const int id : {k超级按钮1, k超级按钮2, k超级按钮3}) buttons_.push_back(GetDlgItem(window, id));
        const SYSTEMTIME now = Now();
        // Twelve hours from now: never the clock's minute, never passed during the run.
        futureHour_ = std::to_wstring((now.wHour + 12) % 24);
    }

    // One tenth of a day with everything else mixed in. False once the program stops answering.
    bool Round(int ticks, int checks, int cycles) {
        if (!ArmAhead()) return false;
        std::atomic<int> ticked{0};
        std::atomic<bool> stuck{false};
        std::vector<std::thread> tickers;
        for (int t = 0; t < kTickThreads; ++t) {
            tickers.emplace_back([&, share = ticks / kTickThreads + (t < ticks % kTickThreads ? 1 : 0)] {
                for (int i = 0; i < share && !stuck; ++i) {
                    if (Send(window_, WM_TIMER, k时钟1)) {
                        ++ticked;
                    } else {
                        stuck = true;
                    }
                }
            });
        }
        for (int i = 0; i < checks && !stuck; ++i) {
            if (!Send(window_, WM_TIMER, k时钟2)) stuck = true;
            ++checks_;
            if (i % kExtrasEvery != 0) continue;
            RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
            const HWND button = buttons_[static_cast<std::size_t>(extras_) % buttons_.size()];
            Send(button, WM_MOUSEMOVE, 0, MAKELPARAM(8, 8));
            Send(button, WM_MOUSELEAVE);
            EnableWindow(window_, FALSE);
            EnableWindow(window_, TRUE);
            ++extras_;
        }
        for (auto& ticker : tickers) ticker.join();
        ticks_ += ticked;
        if (!CHECK(!stuck, "the program stopped answering")) return false;
        if (!CHECK(Armed(window_), "no longer armed after the checks")) return false;

        // Valid fields: every click of start arms, every click of cancel disarms.
        for (int i = 0; i < cycles; ++i) {
            if (!Send(buttons_[1], BM_CLICK) || !Idle(window_)) return CHECK(false, "cancel ", i + 1, " did not disarm");
            if (!Send(buttons_[0], BM_CLICK) || !Armed(window_)) return CHECK(false, "start ", i + 1, " did not arm");
            ++armCycles_;
        }
        // Hidden by its own button, shown again by the check that finds the target minute passed.
        for (int i = 0; i < cycles; ++i) {
            if (!ArmJustPassed()) return false;
            if (!Send(buttons_[2], BM_CLICK) || IsWindowVisible(window_))
                return CHECK(false, "hide ", i + 1, " left the window visible");
            if (!Send(window_, WM_TIMER, k时钟2) || !IsWindowVisible(window_) || !Idle(window_))
                return CHECK(false, "the check after hide ", i + 1, " did not bring the window back idle");
            ++hideCycles_;
        }
        return true;
    }

    // The program's own light on a hovered button, so the hovers above do reach it.
    bool HoverLights() {
        const HWND button = buttons_[0];
        RECT area{};
        GetWindowRect(button, &area);
        const auto plain = CaptureSettled(area);
        Send(button, WM_MOUSEMOVE, 0, MAKELPARAM(8, 8));
        const auto lit = CaptureSettled(area);
        Send(button, WM_MOUSELEAVE);
        return plain && lit && plain->pixels != lit->pixels;
    }

    struct Counts {
        int ticks = 0;
        int checks = 0;
        int extras = 0;
        int armCycles = 0;
        int hideCycles = 0;
        Counts operator-(const Counts& o) const {
            return {ticks - o.ticks, checks - o.checks, extras - o.extras, armCycles - o.armCycles,
                    hideCycles - o.hideCycles};
        }
    };
    Counts Done() const noexcept { return {ticks_, checks_, extras_, armCycles_, hideCycles_}; }

private:
    static SYSTEMTIME Now() {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        return now;
    }

    bool ArmAt(const std::wstring& hour, const std::wstring& minute) {
        if (Armed(window_)) Send(buttons_[1], BM_CLICK);
        if (!Write(GetDlgItem(window_, k编辑框1), hour) || !Write(GetDlgItem(window_, k编辑框2), minute))
            return CHECK(false, "could not write the target ", hour, ":", minute);
        // A refusal would open a box and hold the click; the timeout then tells.
        if (!Send(buttons_[0], BM_CLICK) || !Armed(window_))
            return CHECK(false, "arming at ", hour, ":", minute, " failed; box up: ",
                         MessageBoxOf(app_.ProcessId()) != nullptr);
        return true;
    }

    bool ArmAhead() { return ArmAt(futureHour_, L"30"); }

    // The minute before the one the clock fields show, taken right after a
    // fresh tick, so the next check finds it passed and never equal.
    bool ArmJustPassed() {
        // From h:59 to h+1:00 no target stays passed; let the hour turn first.
        WaitFor([] {
            const SYSTEMTIME now = Now();
            return now.wMinute != 59 || now.wSecond < 55;
        }, milliseconds{6000});
        if (!Send(window_, WM_TIMER, k时钟1)) return CHECK(false, "no answer to a clock tick");
        const int hour = _wtoi(TextOf(GetDlgItem(window_, k编辑框3)).c_str());
        const int minute = _wtoi(TextOf(GetDlgItem(window_, k编辑框4)).c_str());
        const int before = (hour * 60 + minute + 24 * 60 - 1) % (24 * 60);
        return ArmAt(std::to_wstring(before / 60), std::to_wstring(before % 60));
    }

    const App& app_;
    HWND window_;
    std::vector<HWND> buttons_;
    std::wstring futureHour_;
    int ticks_ = 0;
    int checks_ = 0;
    int extras_ = 0;
    int armCycles_ = 0;
    int hideCycles_ = 0;
};

E2E_CASE(suite_soak, a_day_leaves_memory_and_handles_level) {
    const App& app = ctx.Launch();
    const HWND window = app.WaitForWindow(kMainWindowClass);
    StartedProcesses started(app);
    REQUIRE(started.Ready(), "cannot watch the processes the program starts");
    Soak soak(app, window);

    // A short round of everything first: fonts, caches and the tracking of
    // the pointer are made once, and that is not a leak.
    REQUIRE(soak.Round(kTicksPerRound / 4, kChecksPerRound / 4, kCyclesPerRound / 4), "the warm-up round failed");
    CHECK(soak.HoverLights(), "a hovered button looks the same; the hovers do not reach the program");
    const Soak::Counts warm = soak.Done();
    const auto start = FootprintOf(app);
    REQUIRE(start.has_value(), "cannot read the program's memory and handles");

    std::vector<Footprint> trail{*start};
    for (int round = 1; round <= kRounds; ++round) {
        const Context::Note note(ctx, Message("round ", round));
        REQUIRE(soak.Round(kTicksPerRound, kChecksPerRound, kCyclesPerRound));
        const auto now = FootprintOf(app);
        REQUIRE(now.has_value(), "cannot read the program's memory and handles");
        trail.push_back(*now);
    }
    const Footprint end = trail.back();

    const Soak::Counts day = soak.Done() - warm;
    WriteLine(Message("  note: after warm-up ", *start, "; after the day ", end));
    WriteLine(Message("  note: ", day.ticks, " clock ticks, ", day.checks, " schedule checks, ", day.extras,
                      " repaints, hovers and disable/enable pairs each, ", day.armCycles, " arm/cancel and ",
                      day.hideCycles, " hide/show cycles"));
    WriteLine(Message("  note: by round: ", trail));
    CHECK(day.ticks >= 86400, "clock ticks ", day.ticks);
    CHECK(day.checks >= 8640, "schedule checks ", day.checks);
    CHECK(end.privateBytes < start->privateBytes + kMemoryNoise, "private memory grew by ",
          (static_cast<long long>(end.privateBytes) - static_cast<long long>(start->privateBytes)) / 1024, " KiB");
    CHECK_EQ(end.handles, start->handles, "handles");
    CHECK_EQ(started.Drain(), std::vector<DWORD>{}, "processes started");
    CHECK(app.Running(), "the program ended");
}

}  // namespace
