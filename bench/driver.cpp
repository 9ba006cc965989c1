// The bench driver: starts timelock.exe and the baseline side by side, times
// their start-up, walks both through the same idle minute, reads their memory
// and how fast their windows answer. It prints one line per fact:
//   MARK <name>          scripts/bench.sh samples /proc of both wine processes now
//   FIG <key> <value>    a figure for the table
//   NOTE <text>          progress, for the log
// and "DONE" at the end; a failure prints "ERROR <text>" and exits 1.
#include "bench/stats.h"
#include "bench/target.h"

#include <tlhelp32.h>
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <set>
#include <string>
#include <vector>

namespace bench {
namespace {

constexpr wchar_t kAppClass[] = L"TimelockMainWindow";
constexpr wchar_t kBaselineClass[] = L"TimelockBenchBaseline";
constexpr wchar_t kLockProgram[] = L"rundll32.exe";

// Control identifiers of the main window's children.
constexpr int kStartButton = 110;
constexpr int kHourField = 120;
constexpr int kMinuteField = 130;
constexpr int kCancelButton = 140;
constexpr int kHideButton = 190;
constexpr WPARAM kScheduleTimer = 180;

constexpr DWORD kWindowDeadlineMs = 10000;
constexpr DWORD kStateDeadlineMs = 3000;
constexpr UINT kAnswerTimeoutMs = 5000;
constexpr DWORD kSettleMs = 1000;
constexpr DWORD kPauseBetweenStartsMs = 100;

struct Options {
    std::wstring app;
    std::wstring baseline;
    std::wstring tag = L"bench";
    int starts = 21;
    int idleSeconds = 60;
    int answerRounds = 200;
    int checkRounds = 10;
};

void Line(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::putchar('\n');
    // The script acts on MARK lines as they come, so nothing may wait in a buffer.
    std::fflush(stdout);
}

void Figure(const std::string& key, double value) { Line("FIG %s %.3f", key.c_str(), value); }

void Figures(const std::string& key, const Summary& s) {
    Figure(key + ".n", static_cast<double>(s.count));
    Figure(key + ".median", s.median);
    Figure(key + ".p25", s.p25);
    Figure(key + ".p75", s.p75);
    Figure(key + ".p95", s.p95);
    Figure(key + ".min", s.min);
    Figure(key + ".max", s.max);
}

// Thrown rather than exiting, so the targets on the stack are closed on the way
// out: a target left running would keep the script's pipe open.
struct Failure {};

[[noreturn]] void Fail(const char* what) {
    Line("ERROR %s (last error %lu)", what, GetLastError());
    throw Failure{};
}

template <class Condition>
bool WaitUntil(Condition condition, DWORD deadlineMs) {
    const double end = NowMs() + deadlineMs;
    while (!condition()) {
        if (NowMs() > end) return false;
        Sleep(5);
    }
    return true;
}

std::unique_ptr<Target> StartAndShow(const std::wstring& exe, const wchar_t* windowClass, const std::wstring& tag) {
    auto target = Target::Start(exe, windowClass, tag);
    if (!target) Fail("CreateProcessW failed");
    if (!target->WaitForWindow(kWindowDeadlineMs)) Fail("no visible window appeared");
    return target;
}

// --- the program's controls, driven from outside ------------------------------

HWND Child(const Target& app, int id) { return GetDlgItem(app.Window(), id); }

bool Armed(const Target& app) { return IsWindowEnabled(Child(app, kCancelButton)) != FALSE; }

void WriteField(const Target& app, int id, int value) {
    const std::wstring text = std::to_wstring(value);
    DWORD_PTR result = 0;
    SendMessageTimeoutW(Child(app, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_NORMAL,
                        kAnswerTimeoutMs, &result);
}

bool Arm(const Target& app, int hour, int minute) {
    if (Armed(app)) {
        PostMessageW(Child(app, kCancelButton), BM_CLICK, 0, 0);
        if (!WaitUntil([&] { return !Armed(app); }, kStateDeadlineMs)) return false;
    }
    WriteField(app, kHourField, hour);
    WriteField(app, kMinuteField, minute);
    PostMessageW(Child(app, kStartButton), BM_CLICK, 0, 0);
    return WaitUntil([&] { return Armed(app); }, kStateDeadlineMs);
}

// --- start-up ---------------------------------------------------------------------

double TimeOneStart(const std::wstring& exe, const wchar_t* windowClass, const std::wstring& tag) {
    auto target = Target::Start(exe, windowClass, tag);
    if (!target) Fail("CreateProcessW failed");
    const auto seen = target->WaitForWindow(kWindowDeadlineMs);
    if (!seen) Fail("no visible window appeared");
    const double elapsed = *seen - target->StartedAtMs();
    target->Close();
    return elapsed;
}

void MeasureStartUp(const Options& options) {
    // One start each first, untimed: it pays for the files coming into the page cache.
    TimeOneStart(options.app, kAppClass, options.tag + L".warm");
    TimeOneStart(options.baseline, kBaselineClass, options.tag + L".warm");
    std::vector<double> app, baseline;
    for (int i = 0; i < options.starts; ++i) {
        // Taking turns, first one then the other first, spreads any drift of the
        // machine and any cost of following the other's exit over both alike.
        for (int turn = 0; turn < 2; ++turn) {
            Sleep(kPauseBetweenStartsMs);
            if ((turn == 0) == (i % 2 == 0)) {
                app.push_back(TimeOneStart(options.app, kAppClass, options.tag + L".start"));
            } else {
                baseline.push_back(TimeOneStart(options.baseline, kBaselineClass, options.tag + L".start"));
            }
        }
    }
    Figures("startup.app", Summarise(app));
    Figures("startup.base", Summarise(baseline));
}

// --- memory, idle minute, answers -----------------------------------------------------

void MemoryFigures(const char* when, const Target& app, const Target& baseline) {
    const auto a = app.Memory();
    const auto b = baseline.Memory();
    if (!a || !b) Fail("GetProcessMemoryInfo failed");
    const std::string prefix = std::string("mem.") + when;
    Figure(prefix + ".app.ws", static_cast<double>(a->workingSet));
    Figure(prefix + ".app.private", static_cast<double>(a->privateBytes));
    Figure(prefix + ".base.ws", static_cast<double>(b->workingSet));
    Figure(prefix + ".base.private", static_cast<double>(b->privateBytes));
}

void SleepUntil(double atMs) {
    const double now = NowMs();
    if (atMs > now) Sleep(static_cast<DWORD>(atMs - now));
}

// Shown a third, hidden a third (the program through its own hide button), shown
// again the way the program shows itself when a target passes.
void IdleMinute(const Options& options, const Target& app, const Target& baseline) {
    const double third = options.idleSeconds * 1000.0 / 3;
    const double begin = NowMs();
    Line("MARK idle-begin");
    SleepUntil(begin + third);
    PostMessageW(Child(app, kHideButton), BM_CLICK, 0, 0);
    ShowWindowAsync(baseline.Window(), SW_HIDE);
    if (!WaitUntil([&] { return !IsWindowVisible(app.Window()) && !IsWindowVisible(baseline.Window()); },
                   kStateDeadlineMs)) {
        Fail("the windows did not hide");
    }
    SleepUntil(begin + 2 * third);
    ShowWindowAsync(app.Window(), SW_SHOW);
    ShowWindowAsync(baseline.Window(), SW_SHOW);
    if (!WaitUntil([&] { return IsWindowVisible(app.Window()) && IsWindowVisible(baseline.Window()); },
                   kStateDeadlineMs)) {
        Fail("the windows did not show again");
    }
    SleepUntil(begin + 3 * third);
    Line("MARK idle-end");
    Figure("idle.seconds", (NowMs() - begin) / 1000.0);
    Figure("idle.armed_at_end", Armed(app) ? 1 : 0);
}

std::optional<double> AnswerTime(HWND window) {
    const double before = NowMs();
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kAnswerTimeoutMs, &result)) return std::nullopt;
    return NowMs() - before;
}

void MeasureIdleAnswers(const Options& options, const Target& app, const Target& baseline) {
    std::vector<double> a, b;
    for (int i = 0; i < options.answerRounds; ++i) {
        // An uneven pause keeps the asks from locking onto the one-second tick.
        Sleep(static_cast<DWORD>(3 + (i * 7) % 11));
        if (const auto t = AnswerTime(app.Window())) a.push_back(*t);
        Sleep(static_cast<DWORD>(3 + (i * 5) % 11));
        if (const auto t = AnswerTime(baseline.Window())) b.push_back(*t);
    }
    Figures("react.idle.app", Summarise(a));
    Figures("react.idle.base", Summarise(b));
}

std::set<DWORD> LockProcessesOf(DWORD parent) {
    std::set<DWORD> found;
    const timelock::UniqueKernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (snapshot.Get() == INVALID_HANDLE_VALUE) return found;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more; more = Process32NextW(snapshot.Get(), &entry)) {
        if (entry.th32ParentProcessID == parent && _wcsicmp(entry.szExeFile, kLockProgram) == 0) {
            found.insert(entry.th32ProcessID);
        }
    }
    return found;
}

void WaitForExit(DWORD pid) {
    const timelock::UniqueKernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, pid));
    if (process.Get()) WaitForSingleObject(process.Get(), kAnswerTimeoutMs);
}

// Armed for the current minute, with time left in it for one more round.
bool ArmForThisMinute(const Target& app, WORD& armedMinute) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    // The clock fields lag up to a tick behind a new minute; late in one, the next check may miss it.
    if (now.wSecond < 2 || now.wSecond > 52) {
        Sleep(static_cast<DWORD>(((60 - now.wSecond + 2) % 60) * 1000));
        GetLocalTime(&now);
    }
    if (Armed(app) && armedMinute == now.wMinute) return true;
    armedMinute = now.wMinute;
    return Arm(app, now.wHour, now.wMinute);
}

// The check starts the lock command and may wait up to a second for it to take
// input. Two figures: how long a message sent once the command has started takes
// to be answered, and how long the window procedure is busy with the whole check
// (posted input and paints wait that long).
void MeasureCheckAnswers(const Options& options, const Target& app) {
    std::vector<double> answers, sentAfter, durations;
    int misses = 0;
    WORD armedMinute = 0xFFFF;
    for (int round = 0; round < options.checkRounds; ++round) {
        if (!ArmForThisMinute(app, armedMinute)) Fail("could not arm for the current minute");
        const std::set<DWORD> before = LockProcessesOf(app.Pid());
        const double posted = NowMs();
        PostMessageW(app.Window(), WM_TIMER, kScheduleTimer, 0);
        DWORD started = 0;
        WaitUntil(
            [&] {
                for (const DWORD pid : LockProcessesOf(app.Pid())) {
                    if (!before.contains(pid)) started = pid;
                }
                return started != 0;
            },
            kStateDeadlineMs);
        if (!started) {
            ++misses;
            continue;
        }
        sentAfter.push_back(NowMs() - posted);
        if (const auto t = AnswerTime(app.Window())) answers.push_back(*t);
        WaitForExit(started);

        if (!ArmForThisMinute(app, armedMinute)) Fail("could not arm for the current minute");
        const std::set<DWORD> running = LockProcessesOf(app.Pid());
        const double begin = NowMs();
        DWORD_PTR result = 0;
        if (SendMessageTimeoutW(app.Window(), WM_TIMER, kScheduleTimer, 0, SMTO_NORMAL, kAnswerTimeoutMs, &result)) {
            durations.push_back(NowMs() - begin);
        }
        for (const DWORD pid : LockProcessesOf(app.Pid())) {
            if (!running.contains(pid)) WaitForExit(pid);
        }
    }
    Figures("react.check.answer", Summarise(answers));
    Figures("react.check.sent_after", Summarise(sentAfter));
    Figures("react.check.duration", Summarise(durations));
    Figure("react.check.misses", misses);
}

void MeasureRunning(const Options& options) {
    // Both at once: the idle minute is then the same minute for both.
    auto app = StartAndShow(options.app, kAppClass, options.tag + L".app");
    auto baseline = StartAndShow(options.baseline, kBaselineClass, options.tag + L".base");
    Sleep(kSettleMs);
    Line("MARK started");
    MemoryFigures("start", *app, *baseline);

    // A target two hours on: armed all minute, and no lock is started.
    SYSTEMTIME now{};
    GetLocalTime(&now);
    if (!Arm(*app, (now.wHour + 2) % 24, 30)) Fail("could not arm the program");
    Sleep(kSettleMs);
    IdleMinute(options, *app, *baseline);
    MemoryFigures("end", *app, *baseline);

    Line("NOTE answer times while idle");
    MeasureIdleAnswers(options, *app, *baseline);
    Line("NOTE answer times during a schedule check");
    MeasureCheckAnswers(options, *app);
    app->Close();
    baseline->Close();
}

bool ParseOptions(int argc, wchar_t** argv, Options& options) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::wstring name = argv[i];
        const wchar_t* value = argv[i + 1];
        if (name == L"--app") {
            options.app = value;
        } else if (name == L"--baseline") {
            options.baseline = value;
        } else if (name == L"--tag") {
            options.tag = value;
        } else if (name == L"--starts") {
            options.starts = _wtoi(value);
        } else if (name == L"--idle-seconds") {
            options.idleSeconds = _wtoi(value);
        } else if (name == L"--answer-rounds") {
            options.answerRounds = _wtoi(value);
        } else if (name == L"--check-rounds") {
            options.checkRounds = _wtoi(value);
        } else {
            return false;
        }
    }
    return argc % 2 == 1 && !options.app.empty() && !options.baseline.empty() && options.starts > 0 &&
           options.idleSeconds >= 3;
}

}  // namespace
}  // namespace bench

int wmain(int argc, wchar_t** argv) {
    // Plain "\n" line ends for the script that reads these lines.
    _setmode(_fileno(stdout), _O_BINARY);
    bench::Options options;
    if (!bench::ParseOptions(argc, argv, options)) {
        std::fputs(
            "usage: timelock_bench --app EXE --baseline EXE [--tag T] [--starts N] [--idle-seconds S]\n"
            "                      [--answer-rounds N] [--check-rounds N]\n",
            stderr);
        return 2;
    }
    try {
        bench::Line("NOTE start-up, %d starts of each", options.starts);
        bench::MeasureStartUp(options);
        bench::Line("NOTE idle run of %d s, both at once", options.idleSeconds);
        bench::MeasureRunning(options);
    } catch (const bench::Failure&) {
        return 1;
    }
    bench::Line("DONE");
    return 0;
}
